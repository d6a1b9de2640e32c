#include "vg2d/controls/Inspector.h"

#include <array>
#include <map>
#include <optional>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Scene.h"

namespace vg {

namespace {


std::map<rtl::TClass, TvxInspectorDesigner>& Designers() {
  static std::map<rtl::TClass, TvxInspectorDesigner> designers;
  return designers;
}

bool IsDying(const rtl::TObject* Obj) {
  auto* c = dynamic_cast<const rtl::TComponent*>(Obj);
  return c && c->ComponentState().Contains(rtl::csDestroying);
}

}  // namespace

void RegisterInspectorDesigner(rtl::TClass AClass, TvxInspectorDesigner Designer) {
  if (!AClass) return;
  if (Designer)
    Designers()[AClass] = std::move(Designer);
  else
    Designers().erase(AClass);
}

TvxInspectorDesigner FindInspectorDesigner(const rtl::TObject* Obj) {
  if (!Obj) return nullptr;
  for (rtl::TClass c = Obj->ClassType(); c; c = c->Parent)
    if (auto it = Designers().find(c); it != Designers().end()) return it->second;
  return nullptr;
}

// ---- TvxInspector --------------------------------------------------------------------------------

rtl::TClass TvxInspector::StaticClass() {
  using I = TvxInspector;
  static const rtl::TClassInfo info = rtl::DefineClass<I>()
                                          .Property("DisabledProperties", &I::DisabledProperties,
                                                    &I::SetDisabledProperties)
                                          .Property("SelectedObject", &I::SelectedObject, &I::SetSelectedObject)
                                          .Property("ShowProperties", &I::ShowProperties, &I::SetShowProperties)
                                          .Default(true)
                                          .Property("ShowEvents", &I::ShowEvents, &I::SetShowEvents)
                                          .Default(false)
                                          .Build();
  return &info;
}

template <class T>
T* TvxInspector::MakeEditor() {
  auto editor = std::make_unique<T>(this);
  editor->SetResourceName("inspectorEditor");
  editor->SetDisableFocusEffect(true);
  editor->SetStored(false);
  editor->SetVisible(false);
  editor->Position()->SetX(2000);
  T* made = editor.get();
  AddObject(editor.release());
  return made;
}

TvxInspector::TvxInspector(rtl::TComponent* AOwner)
    : TvxTreeView(AOwner), disabledProperties_(std::make_unique<rtl::TStringList>()) {
  SetResource("treeviewstyle");
  SetHideSelectionUnfocused(false);
  editButton_ = MakeEditor<TvxButton>();
  editButton_->SetText(u"Edit...");
  editButton_->OnClick = rtl::TNotifyEvent(this, &TvxInspector::EditorChange);
  textEditor_ = MakeEditor<TvxTextBox>();
  textEditor_->OnChange = rtl::TNotifyEvent(this, &TvxInspector::EditorChange);
  textEditor_->Padding()->SetRect({0, 0, 0, 0});
  enumEditor_ = MakeEditor<TvxPopupBox>();
  enumEditor_->OnChange = rtl::TNotifyEvent(this, &TvxInspector::EditorChange);
}

TvxInspector::~TvxInspector() = default;

void TvxInspector::Watch(rtl::TComponent* Component) {
  if (!Component || Component == this) return;
  FreeNotification(Component);
  if (Component != selectedObject_) watched_.insert(Component);
}

void TvxInspector::ForgetWatched() {
  for (rtl::TComponent* c : watched_)
    if (c != selectedObject_) RemoveFreeNotification(c);
  watched_.clear();
}

void TvxInspector::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == editButton_) editButton_ = nullptr;
  if (AComponent == textEditor_) textEditor_ = nullptr;
  if (AComponent == enumEditor_) enumEditor_ = nullptr;
  const bool selected = AComponent == selectedObject_;
  const bool listed = watched_.erase(AComponent) > 0;
  if (selected) selectedObject_ = nullptr;
  if ((selected || listed) && !ComponentState().Contains(rtl::csDestroying)) Rebuild();
}

// ---- published setters ---------------------------------------------------------------------------

void TvxInspector::SetDisabledProperties(rtl::TStrings* Value) {
  disabledProperties_->Assign(Value);
  Rebuild();
}

void TvxInspector::SetSelectedObject(rtl::TComponent* Value) {
  if (Value == selectedObject_) return;
  if (selectedObject_ && !watched_.count(selectedObject_)) RemoveFreeNotification(selectedObject_);
  selectedObject_ = Value;
  if (Value) FreeNotification(Value);
  Rebuild();
  ShowEditor();
}

void TvxInspector::SetShowProperties(bool Value) {
  if (Value == showProperties_) return;
  showProperties_ = Value;
  Rebuild();
}

void TvxInspector::SetShowEvents(bool Value) {
  if (Value == showEvents_) return;
  showEvents_ = Value;
  Rebuild();
}

// ---- listing -------------------------------------------------------------------------------------

void TvxInspector::Rebuild() {
  if (rebuilding_) return;
  rebuilding_ = true;
  BeginUpdate();
  for (TvxVisualObject* e : Editors())
    if (e) {
      e->SetVisible(false);
      e->SetTagObject(nullptr);
    }
  ForgetWatched();
  Clear();
  if (selectedObject_ && !IsDying(selectedObject_)) {
    std::set<const rtl::TObject*> listed{selectedObject_};
    AddProperties(this, selectedObject_, listed);
  }
  EndUpdate();
  rebuilding_ = false;
  Realign();
}

void TvxInspector::AddProperties(TvxObject* Parent, rtl::TObject* Instance, std::set<const rtl::TObject*>& Listed) {
  if (!Instance) return;
  for (const rtl::TPropInfo* p : rtl::GetPropList(Instance->ClassType(), true)) {
    if (disabledProperties_->IndexOf(p->Name) >= 0) continue;
    if (!rtl::GetPropInfo(Instance, p->Name) || !p->Writable()) continue;
    const bool event = p->Kind() == rtl::tkMethod;
    if (event ? !(showEvents_ && Instance == selectedObject_) : !showProperties_) continue;

    auto row = std::make_unique<TvxTreeViewItem>(this);
    row->SetText(rtl::Utf8ToWide(p->Name));
    row->SetLocked(true);
    row->SetStored(false);
    row->SetTagObject(Instance);
    row->SetTagString(rtl::Utf8ToWide(p->Name));
    TvxTreeViewItem* item = row.get();
    Parent->AddObject(row.release());
    item->ApplyResource();

    auto label = std::make_unique<TvxLabel>(this);
    label->SetResourceName("inspectorEditor");
    label->SetLocked(true);
    label->SetStored(false);
    label->SetHitTest(false);
    label->SetBounds(Width() / 2, 0, Width(), item->Height() + 2);
    label->SetTextAlign(vgTextAlignNear);
    label->SetWordWrap(false);
    TvxLabel* value = label.get();
    item->AddObject(label.release());

    std::u16string text;
    switch (p->Kind()) {
      case rtl::tkInteger:
      case rtl::tkInt64:
        text = rtl::Utf8ToWide(std::to_string(rtl::GetOrdProp(Instance, p)));
        break;
      case rtl::tkEnumeration:
        text = rtl::Utf8ToWide(rtl::GetEnumProp(Instance, p));
        break;
      case rtl::tkFloat:
        text = rtl::Utf8ToWide(rtl::FloatToStr(rtl::GetFloatProp(Instance, p)));
        break;
      case rtl::tkLString:
        text = rtl::Utf8ToWide(rtl::GetStrProp(Instance, p));
        break;
      case rtl::tkWString:
        text = rtl::GetWideStrProp(Instance, p);
        break;
      case rtl::tkClass: {
        rtl::TObject* obj = rtl::GetObjectProp(Instance, p);
        if (!obj || IsDying(obj)) break;
        if (auto* vx = dynamic_cast<TvxObject*>(obj)) {
          text = rtl::Utf8ToWide(vx->Name().empty() ? vx->ResourceName() : vx->Name());
          break;
        }
        text = rtl::Utf8ToWide(obj->ClassName());
        if (auto* c = dynamic_cast<rtl::TComponent*>(obj)) Watch(c);
        item->SetIsExpanded(false);
        // An object met before (a cycle, or one object under two properties) is not
        // listed again.
        if (Listed.insert(obj).second) AddProperties(item, obj, Listed);
        break;
      }
      default:
        break;
    }
    value->SetText(text);
  }
}

TvxTreeViewItem* TvxInspector::FindRow(const rtl::TObject* Instance, const std::string& PropName) const {
  if (!Instance) return nullptr;
  const std::u16string name = rtl::Utf8ToWide(PropName);
  std::vector<TvxObject*> all;
  if (Content()) Content()->AddObjectsToList(all);
  for (TvxObject* o : all)
    if (auto* row = dynamic_cast<TvxTreeViewItem*>(o); row && row->TagObject() == Instance && row->TagString() == name)
      return row;
  return nullptr;
}

TvxLabel* TvxInspector::ValueLabel(const TvxTreeViewItem* Row) {
  if (!Row) return nullptr;
  for (TvxObject* c : Row->Children())
    if (auto* label = dynamic_cast<TvxLabel*>(c); label && label->ResourceName() == "inspectorEditor") return label;
  return nullptr;
}

// ---- editors -------------------------------------------------------------------------------------

TvxTreeViewItem* TvxInspector::SelectedRow() const {
  TvxTreeViewItem* item = Selected();
  return item && item->TagObject() ? item : nullptr;
}

std::array<TvxVisualObject*, 3> TvxInspector::Editors() const { return {textEditor_, editButton_, enumEditor_}; }

TvxVisualObject* TvxInspector::CurrentEditor() const {
  if (textEditor_ && textEditor_->Visible()) return textEditor_;
  if (enumEditor_ && enumEditor_->Visible()) return enumEditor_;
  return editButton_;
}

void TvxInspector::PlaceEditor(TvxVisualObject* Editor) {
  TvxTreeViewItem* row = SelectedRow();
  if (!Editor || !row || !Viewport() || !Content()) return;
  const float h = row->Height();
  const float level = static_cast<float>(row->Level());
  const float x = level * h + Width() / 2;
  const float width = Viewport()->Width() - Width() / 2 - Content()->Position()->X() + Viewport()->Position()->X() -
                      level * h - 1;
  Editor->SetBounds(x, GetItemRect(row).Top + 1, width, h - 2);
}

void TvxInspector::ShowEditor() {
  for (TvxVisualObject* e : Editors())
    if (e) e->SetVisible(false);
  TvxTreeViewItem* row = SelectedRow();
  if (!row || IsDying(row->TagObject())) return;
  rtl::TObject* instance = row->TagObject();
  const rtl::TPropInfo* p = rtl::GetPropInfo(instance, rtl::WideToUtf8(row->TagString()));
  if (!p) return;
  // The labels the editors covered show again; the chosen editor covers its row's.
  for (TvxVisualObject* e : Editors())
    if (e)
      if (auto* covered = dynamic_cast<TvxLabel*>(e->TagObject())) {
        covered->SetVisible(true);
        e->SetTagObject(nullptr);
      }
  TvxLabel* label = ValueLabel(row);

  TvxVisualObject* editor = nullptr;
  switch (p->Kind()) {
    case rtl::tkClass:
      if (FindInspectorDesigner(rtl::GetObjectProp(instance, p))) editor = editButton_;
      break;
    case rtl::tkMethod:
      // No designer hook exists here to name methods: events are shown, not edited.
      break;
    case rtl::tkEnumeration:
      if (enumEditor_ && p->PropType) {
        // Filling the list and choosing the current name fire no OnChange.
        TvxWideStringList names;
        for (const rtl::TEnumName& n : p->PropType->EnumNames) names.Add(rtl::Utf8ToWide(n.Name));
        enumEditor_->SetItems(&names);
        enumEditor_->SetText(rtl::Utf8ToWide(rtl::GetEnumProp(instance, p)));
        editor = enumEditor_;
      }
      break;
    default:
      if (textEditor_) {
        textEditor_->SetText(label ? label->Text() : std::u16string());
        textEditor_->SelectAll();
        editor = textEditor_;
      }
      break;
  }
  if (!editor) return;
  editor->SetVisible(true);
  editor->SetLocked(true);
  editor->SetStored(false);
  editor->SetTagObject(label);
  if (label) label->SetVisible(false);
  PlaceEditor(editor);
  if (editor->CanFocused()) editor->SetFocus();
}

void TvxInspector::EditorChange(rtl::TObject* Sender) {
  TvxTreeViewItem* row = SelectedRow();
  if (UpdateCount() > 0 || !row) return;
  rtl::TObject* instance = row->TagObject();
  const rtl::TPropInfo* p = rtl::GetPropInfo(instance, rtl::WideToUtf8(row->TagString()));
  if (!p) return;
  TvxLabel* label = ValueLabel(row);
  // A change that frees a listed object has the rows built again: the label is gone then.
  std::optional<TvxFreeWatch> shown;
  if (label) shown.emplace(label);
  const auto show = [&](const std::u16string& Text) {
    if (label && !shown->Gone()) label->SetText(Text);
  };
  if (Sender == editButton_ && editButton_ && editButton_->Visible()) {
    rtl::TObject* obj = rtl::GetObjectProp(instance, p);
    if (TvxInspectorDesigner designer = FindInspectorDesigner(obj)) designer(obj, selectedObject_);
    return;
  }
  if (Sender == enumEditor_ && enumEditor_ && enumEditor_->Visible() && p->Kind() == rtl::tkEnumeration) {
    const int index = enumEditor_->ItemIndex();
    if (index < 0 || index >= enumEditor_->Items()->GetCount()) return;
    const std::u16string name = enumEditor_->Items()->Get(index);
    rtl::SetPropValue(instance, p, rtl::TPropValue(name));
    if (label && !shown->Gone()) show(rtl::Utf8ToWide(rtl::GetEnumProp(instance, p)));
    return;
  }
  if (Sender == textEditor_ && textEditor_ && textEditor_->Visible() && p->Kind() != rtl::tkMethod) {
    const std::u16string text = textEditor_->Text();
    rtl::SetPropValue(instance, p, rtl::TPropValue(text));
    show(text);
  }
}

void TvxInspector::SetSelected(TvxTreeViewItem* Item) {
  if (Item == Selected()) return;
  TvxFreeWatch self(this);
  std::optional<TvxFreeWatch> asked;
  if (Item) asked.emplace(Item);
  if (textEditor_ && textEditor_->Visible()) EditorChange(textEditor_);
  // The edit may have had the rows built again, the one asked for with them.
  if (self.Gone() || (Item && asked->Gone())) return;
  inherited::SetSelected(Item);
  if (!self.Gone()) ShowEditor();
}

void TvxInspector::VScrollChange(rtl::TObject* Sender) {
  inherited::VScrollChange(Sender);
  PlaceEditor(CurrentEditor());
}

void TvxInspector::DialogKey(uint16_t& Key, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::DialogKey(Key, Shift);
  if (self.Gone() || GlobalCount() == 0 || !Selected() || !Scene() || Scene()->GetFocused() != CurrentEditor()) return;
  const int index = Selected()->GlobalIndex();
  const bool inText = CurrentEditor() == textEditor_;
  switch (Key) {
    case win::VK_DOWN:
      if (index < GlobalCount() - 1) SetSelected(ItemByGlobalIndex(index + 1));
      break;
    case win::VK_UP:
      if (index > 0) SetSelected(ItemByGlobalIndex(index - 1));
      break;
    case win::VK_END:
      if (inText) return;
      SetSelected(ItemByGlobalIndex(GlobalCount() - 1));
      break;
    case win::VK_HOME:
      if (inText) return;
      SetSelected(ItemByGlobalIndex(0));
      break;
    case win::VK_ADD:
      Selected()->SetIsExpanded(true);
      break;
    case win::VK_SUBTRACT:
      Selected()->SetIsExpanded(false);
      break;
    default:
      return;
  }
  Key = 0;
}

}  // namespace vg
