// The design editor's commands (insert, delete, hide, order, copy, paste, load, style
// copies, tab order, grid options) and its menu.
#include "vg2d/core/DesignEditor.h"

#include <algorithm>
#include <iterator>
#include <sstream>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileReader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/Menus.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/DesignEditor_Internal.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneHost.h"
#include "vg2d/core/Styles.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

namespace {

std::string WithoutPrefix(const std::string& ClassName) {
  return ClassName.size() >= 3 && ClassName.compare(0, 3, "Tvx") == 0 ? ClassName.substr(3) : ClassName;
}

// A caption without the menu's accelerator marks.
std::string Plain(const std::u16string& Caption) {
  std::string s;
  for (char16_t c : Caption)
    if (c != u'&') s.push_back(static_cast<char>(c));
  return s;
}

}  // namespace

// ---- commands ---------------------------------------------------------------------------------------

void TvxDesignEditor::Insert(const std::string& ClassName) {
  rtl::TClass c = rtl::GetClass(ClassName);
  if (!c || !c->InheritsFrom(rtl::ClassOf<TvxObject>())) {
    // A name no 2D object class answers to is kept (a scene keeps one that names no class
    // at all too).
    if (c || host_.designKind_.KeepsUnknownInsertText)
      pendingInsertText_ = ClassName;
    else
      pendingInsertText_.clear();
    return;
  }
  TvxVisualObject* sel = Selection();
  if (!sel) {
    // The root of an empty tree; a failure to make it leaves the tree as it was.
    if (!host_.roots_.empty()) return;
    try {
      std::unique_ptr<TvxObject> made = rtl::OwnedAs<TvxObject>(c->Create(host_.GetOwner()));
      if (!made) return;
      TvxObject* obj = made.get();
      host_.AddObject(made.release());
      OnDesignSelection(host_.self_);
      insertPos_ = {-1, -1};
      if (TvxVisualObject* v = obj->Visual()) {
        if (rtl::IsPublishedProp(v, "Text"))
          rtl::SetWideStrProp(v, "Text", design_internal::Wide(WithoutPrefix(ClassName)));
        TvxFreeWatch alive(v);
        Select(v);
        if (!alive.Gone()) v->DesignInsert();
      }
    } catch (const rtl::Exception&) {}
    return;
  }
  rtl::TComponent* owner = host_.designKind_.InsertOwnedBySelection ? sel->Owner() : host_.GetOwner();
  std::unique_ptr<TvxObject> made = rtl::OwnedAs<TvxObject>(c->Create(owner));
  if (!made) return;
  TvxObject* obj = made.get();
  sel->AddObject(made.release());
  OnDesignSelection(host_.self_);
  TvxVisualObject* v = obj->Visual();
  if (!v) return;
  if (rtl::IsPublishedProp(v, "Text")) rtl::SetWideStrProp(v, "Text", design_internal::Wide(WithoutPrefix(ClassName)));
  // Placed where the menu was opened (a list that lays its items out moves them again as it
  // realigns below).
  const TvxPoint at = insertPos_;
  const bool keepsPlace = host_.designKind_.ItemsKeepTheirPlace && ClassName.find("Item") != std::string::npos;
  if (at.X >= 0 && at.Y >= 0 && at.X <= host_.HostWidth() && at.Y <= host_.HostHeight() && !keepsPlace)
    v->Position()->SetPoint(sel->AbsoluteToLocal(at));
  insertPos_ = {-1, -1};
  TvxFreeWatch alive(v);
  Select(v);
  if (!alive.Gone()) v->DesignInsert();
  if (!alive.Gone()) sel->Realign();
}

void TvxDesignEditor::DeleteSelection() {
  TvxVisualObject* sel = Selection();
  if (!sel || sel == host_.GetRoot()) return;
  TvxVisualObject* parent = design_internal::VisualParentOf(sel);
  TvxObject* root = host_.GetRoot();
  Select(parent ? parent : (root ? root->Visual() : nullptr));
  if (Selection() == sel) host_.selected_ = nullptr;
  sel->Free();
}

void TvxDesignEditor::ToggleDesignHide() {
  TvxVisualObject* sel = Selection();
  if (!sel || (sel == host_.GetRoot() && !host_.designKind_.HidesRoot)) return;
  sel->SetDesignHide(!sel->DesignHide());
  if (sel->DesignHide())
    if (TvxVisualObject* parent = design_internal::VisualParentOf(sel)) Select(parent);
  RepaintAll();
}

void TvxDesignEditor::BringToFront() {
  if (TvxVisualObject* sel = Selection()) sel->BringToFront();
}

void TvxDesignEditor::SendToBack() {
  if (TvxVisualObject* sel = Selection()) sel->SendToBack();
}

void TvxDesignEditor::Copy() {
  TvxVisualObject* sel = Selection();
  if (!sel) return;
  // What the stream cannot hold (a reference whose path is too long) copies nothing: the buffer
  // keeps what it had, and the user is told why.
  try {
    rtl::TStringStream text("");
    sel->SaveToTextStream(&text, true);  // the designer's own clipboard
    DesignClipboard() = text.DataString();
  } catch (const rtl::Exception& e) {
    if (DesignMessageDialog) DesignMessageDialog(rtl::Utf8ToWide("Error copy object to clipboard: " + e.Message()));
  }
}

TvxObject* TvxDesignEditor::ReadObject(const std::string& Text, const std::string& What) {
  if (Text.empty()) return nullptr;
  rtl::TStringStream text(Text);
  std::vector<std::string> problems;
  std::unique_ptr<rtl::TComponent> made(CreateObjectFromText(host_.GetOwner(), &text, &problems));
  const bool tree = dynamic_cast<TvxObject*>(made.get()) != nullptr;
  if (made && !tree) problems.push_back(made->ClassName() + ": not a 2D object");
  if (!tree) made.reset();
  // As every load of the program, this one tells what it could not read and where; a tree
  // that reads in part comes without what was left out.
  if ((!tree || !problems.empty()) && DesignMessageDialog) {
    std::string message = What + (tree ? " was read in part; left out:" : " cannot be read:");
    for (const std::string& p : problems) message += "\n" + p;
    if (problems.empty()) message += "\nthe object could not be made";
    DesignMessageDialog(rtl::Utf8ToWide(message));
  }
  return static_cast<TvxObject*>(made.release());
}

void TvxDesignEditor::Place(TvxObject* Obj) {
  if (TvxVisualObject* sel = Selection())
    sel->AddObject(Obj);
  else if (TvxObject* root = host_.GetRoot())
    root->AddObject(Obj);
  else
    host_.AddObject(Obj);
}

void TvxDesignEditor::Paste() {
  if (TvxObject* obj = ReadObject(DesignClipboard(), "The copied object")) Place(obj);
}

void TvxDesignEditor::LoadFromFile() {
  std::string file;
  if (!DesignOpenFileDialog || !DesignOpenFileDialog(host_.designKind_.FileFilter, file)) return;
  std::string text;
  const bool opened = rtl::ReadRegularFile(file, text);
  if (!opened || text.empty()) {
    if (DesignMessageDialog)
      DesignMessageDialog(
          rtl::Utf8ToWide(file + " cannot be read: " + (opened ? "the file is empty" : "the file cannot be opened")));
    return;
  }
  if (TvxObject* obj = ReadObject(text, file)) Place(obj);
}

namespace {

// The style resources of the host, made when it has none: a TvxResources whose root is a
// TvxBackground, owned by the host's owner (else by the host). It is named as a designer
// names it, the first free "Style<n>" among its owner's components: a form's stream writes
// the host's link to it (Style = Style1) only when it has a name.
TvxObject* StyleRoot(TvxSceneHost& Host, rtl::TComponent* Self) {
  TvxResources* res = Host.GetStyle();
  if (!res) {
    rtl::TComponent* owner = Host.GetOwner() ? Host.GetOwner() : Self;
    auto made = std::make_unique<TvxResources>(owner);
    for (int n = 1;; ++n)
      if (const std::string name = "Style" + std::to_string(n); !owner->FindComponent(name)) {
        made->SetName(name);
        break;
      }
    res = made.release();
    Host.SetStyle(res);
  }
  // Resources that hold no tree yet (a new component's) get the root the copies go under.
  if (!res->Root()) res->SetRootObject(std::make_unique<TvxBackground>(nullptr));
  return res->Root();
}

// Moves a copy of Control's style under Root as Name, when Root holds no part of that name.
// With InnerParts the controls inside the copy get their own parts beside it.
// Inner parts are named as Kind names them.
bool CopyStyle(TvxObject* Root, TvxControl* Control, const std::string& Name, bool InnerParts,
               const TvxDesignKind& Kind) {
  if (Name.empty() || Root->FindResource(Name)) return false;
  std::unique_ptr<TvxVisualObject> copy = Control->FindStyleResource();
  if (!copy) return false;
  // The part belongs to the resources' tree, not to the control that made it.
  if (copy->Owner()) copy->Owner()->RemoveComponent(copy.get());
  copy->SetAlign(vaNone);
  copy->SetResourceName(Name);
  TvxVisualObject* part = copy.get();
  Root->AddObject(copy.release());
  if (!InnerParts) return true;
  std::vector<TvxControl*> inner;
  part->AddControlsToList(inner);
  for (TvxControl* c : inner)
    if (c != part) CopyStyle(Root, c, DesignStyleName(c, Kind.LowerCaseStyleNames), true, Kind);
  return true;
}

// Every control below Top (not Top itself), parent before children.
std::vector<TvxControl*> InnerControls(TvxObject* Top) {
  std::vector<TvxControl*> controls;
  Top->AddControlsToList(controls);
  std::erase(controls, Top);
  return controls;
}

}  // namespace

void TvxDesignEditor::CopyStyles(TvxControl* Control, const std::string& Name, bool SetResource) {
  TvxObject* root = StyleRoot(host_, host_.self_);
  if (!root) return;
  const TvxDesignKind& kind = host_.designKind_;
  const bool ofSelection = kind.StylesOfInnerControls;
  const bool copied = CopyStyle(root, Control, Name, !ofSelection, kind);
  // Copies take nothing from the tree, so the list stays good until the control takes a
  // new Resource (which makes its look anew).
  if (ofSelection)
    for (TvxControl* c : InnerControls(Control))
      CopyStyle(root, c, DesignStyleName(c, kind.LowerCaseStyleNames), false, kind);
  if (SetResource && (copied || root->FindResource(Name))) Control->SetResource(Name);
  host_.UpdateStyle();
}

void TvxDesignEditor::EditDefaultStyle() {
  if (auto* control = dynamic_cast<TvxControl*>(Selection()))
    CopyStyles(control, DesignStyleName(control, host_.designKind_.LowerCaseStyleNames), false);
}

void TvxDesignEditor::EditCustomStyle() {
  auto* control = dynamic_cast<TvxControl*>(Selection());
  if (!control) return;
  // A control without a part of its own gets one named after it.
  const std::string name = control->Resource().empty() ? control->Name() : control->Resource();
  if (!name.empty()) CopyStyles(control, name, true);
}

void TvxDesignEditor::EditTabOrder() {
  TvxVisualObject* sel = Selection();
  if (!sel || !design_internal::VisualParentOf(sel) || !DesignTabOrderDialog) return;
  DesignTabOrderDialog(sel);
}

void TvxDesignEditor::GridChoice(int Tag, bool Checked) {
  switch (Tag) {
    case 1: snapGridShow_ = Checked; break;
    case 2: snapToGrid_ = Checked, snapToLines_ = !Checked; break;
    case 3: snapToLines_ = Checked, snapToGrid_ = !Checked; break;
    case 4: snapToGrid_ = snapToLines_ = false; break;
    default: return;
  }
  RepaintAll();
}

// ---- the menu ---------------------------------------------------------------------------------------

std::vector<TvxDesignMenuItem> TvxDesignEditor::BuildMenu() {
  std::vector<TvxDesignMenuItem> menu;
  if (!ObjectClassList) return menu;
  TvxVisualObject* sel = Selection();
  auto command = [](std::u16string Caption, std::function<void()> Action, bool Checked = false, int Tag = 0) {
    TvxDesignMenuItem item;
    item.Caption = std::move(Caption);
    item.Action = std::move(Action);
    item.Checked = Checked;
    item.Tag = Tag;
    return item;
  };
  auto submenu = [](std::u16string Caption, std::vector<TvxDesignMenuItem> Items) {
    TvxDesignMenuItem item;
    item.Caption = std::move(Caption);
    item.Items = std::move(Items);
    return item;
  };

  if (sel) {
    std::stringstream kinds(sel->GetItemClassName());
    for (std::string kind; std::getline(kinds, kind, ';');)
      if (!kind.empty())
        menu.push_back(command(u"Add " + design_internal::Wide(WithoutPrefix(kind)),
                               [this, kind] { Insert("Tvx" + WithoutPrefix(kind)); }));
  }

  // "Add object": a submenu per category, in the order of the class list.
  std::vector<TvxDesignMenuItem> categories;
  std::vector<std::string> listed;
  for (const TObjectClassEntry& e : *ObjectClassList) {
    const std::string name = WithoutPrefix(e.Class->Name);
    if (host_.designKind_.SortedClasses && std::find(listed.begin(), listed.end(), name) != listed.end()) continue;
    listed.push_back(name);
    auto cat = std::find_if(categories.begin(), categories.end(),
                            [&](const TvxDesignMenuItem& I) { return I.Caption == design_internal::Wide(e.Category); });
    if (cat == categories.end()) {
      categories.push_back(submenu(design_internal::Wide(e.Category), {}));
      cat = std::prev(categories.end());
    }
    cat->Items.push_back(command(
        design_internal::Wide(name), [this, name] { Insert("Tvx" + name); }, false, 255));
  }
  if (host_.designKind_.SortedClasses)
    for (TvxDesignMenuItem& cat : categories)
      std::sort(cat.Items.begin(), cat.Items.end(),
                [](const TvxDesignMenuItem& A, const TvxDesignMenuItem& B) { return A.Caption < B.Caption; });
  menu.push_back(submenu(u"Add object", std::move(categories)));

  menu.push_back(command(u"Delete object", [this] { DeleteSelection(); }));
  menu.push_back(command(u"Load From File...", [this] { LoadFromFile(); }));
  if (sel) {
    menu.push_back(command(
        u"Hide in Design-time", [this] { ToggleDesignHide(); }, sel->DesignHide()));
    if (dynamic_cast<TvxControl*>(sel)) {
      menu.push_back(command(u"Edit Default Style...", [this] { EditDefaultStyle(); }));
      menu.push_back(command(u"Edit Custom Style...", [this] { EditCustomStyle(); }));
    }
    if (sel->CanFocused()) menu.push_back(command(u"Tab Order...", [this] { EditTabOrder(); }));
  }
  menu.push_back(submenu(u"Order", {command(u"Bring to front", [this] { BringToFront(); }),
                                    command(u"Send to back", [this] { SendToBack(); })}));
  menu.push_back(submenu(u"Edit", {command(u"Copy to clipboard", [this] { Copy(); }),
                                   command(u"Paste from clipboard", [this] { Paste(); })}));
  // A check entry turns its option over; a radio entry is chosen.
  const bool show = snapGridShow_, grid = snapToGrid_, lines = snapToLines_;
  menu.push_back(submenu(u"Grid", {command(
                                       u"Show snap grid", [this, show] { GridChoice(1, !show); }, show, 1),
                                   command(
                                       u"Snap to grid", [this] { GridChoice(2, true); }, grid, 2),
                                   command(
                                       u"Snap to lines", [this] { GridChoice(3, true); }, lines, 3),
                                   command(
                                       u"Snap disabled", [this] { GridChoice(4, true); }, !grid && !lines, 4)}));
  return menu;
}

bool TvxDesignEditor::Choose(const std::vector<std::u16string>& Path) { return ChooseDesignMenuItem(BuildMenu(), Path); }

void TvxDesignEditor::ShowMenu() {
  if (!menuEnabled_) return;
  const TvxPoint at = host_.LocalToScreen(host_.mousePos_);
  PopupDesignMenu(menu_, BuildMenu(), static_cast<int>(at.X), static_cast<int>(at.Y));
}

// ---- menus of items -------------------------------------------------------------------------------

bool ChooseDesignMenuItem(std::vector<TvxDesignMenuItem> Items, const std::vector<std::u16string>& Path) {
  std::vector<TvxDesignMenuItem> level = std::move(Items);
  std::function<void()> action;
  for (size_t i = 0; i < Path.size(); ++i) {
    const auto it = std::find_if(level.begin(), level.end(),
                                 [&](const TvxDesignMenuItem& I) { return Plain(I.Caption) == Plain(Path[i]); });
    if (it == level.end()) return false;
    if (i + 1 == Path.size()) {
      if (!it->Action) return false;
      action = it->Action;
    } else {
      std::vector<TvxDesignMenuItem> next = std::move(it->Items);
      level = std::move(next);
    }
  }
  if (!action) return false;
  action();
  return true;
}

namespace {

// The entries as items of a menu or of a submenu item.
template <class Parent>
void AddDesignMenuItems(Parent& To, const std::vector<TvxDesignMenuItem>& Items) {
  for (const TvxDesignMenuItem& item : Items) {
    win::TMenuItem* mi = To.Add(item.Caption);
    mi->SetChecked(item.Checked);
    mi->SetTag(item.Tag);
    if (!item.Items.empty()) {
      AddDesignMenuItems(*mi, item.Items);
    } else if (item.Action) {
      std::function<void()> action = item.Action;
      mi->OnClick = [action](rtl::TObject*) { action(); };
    }
  }
}

}  // namespace

void PopupDesignMenu(std::unique_ptr<win::TPopupMenu>& Holder, const std::vector<TvxDesignMenuItem>& Items, int X,
                     int Y) {
  auto menu = std::make_unique<win::TPopupMenu>(nullptr);
  AddDesignMenuItems(*menu, Items);
  // The menu before this one may be the one whose entry runs this: the window layer frees
  // its window once its handler has returned.
  Holder = std::move(menu);
  Holder->Popup(X, Y);
}

}  // namespace vg
