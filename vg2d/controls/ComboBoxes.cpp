#include "vg2d/controls/ComboBoxes.h"

#include <charconv>
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Forms.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/Scene.h"

namespace vg {

namespace {

// Whether the press being handled is the one that just closed Popup (by moving the
// activation away from its window): that press must not open it again.
bool ClosedByThisPress(const TvxPopup* Popup) {
  const unsigned press = win::CurrentMousePress();
  return press != 0 && Popup->ClosedAtPress() == press;
}

}  // namespace

std::u16string ComboTrackText(float Value) {
  char buffer[64];
  const double v = Value;
  std::to_chars_result r{};
  if (std::isfinite(v) && v == std::trunc(v))
    r = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed, 0);
  else
    r = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed, 3);
  return rtl::Utf8ToWide(std::string(buffer, r.ptr));
}

// ---- TvxComboListBox -------------------------------------------------------------------------

rtl::TClass TvxComboListBox::StaticClass() {
  using L = TvxComboListBox;
  static const rtl::TClassInfo info =
      rtl::DefineClass<L>().Property("CanFocused", &L::CanFocused, &L::SetCanFocused).Default(false).Build();
  return &info;
}

TvxComboListBox::TvxComboListBox(rtl::TComponent* AOwner) : TvxListBox(AOwner) {
  SetCanFocused(false);
  SetHideSelectionUnfocused(false);
}

void TvxComboListBox::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone()) return;
  auto* popup = dynamic_cast<TvxPopup*>(Parent());
  if (!popup || !popup->IsOpen() || !comboOwner_) return;
  const TvxRect r = GetLocalRect();
  TvxListBoxItem* item = X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom ? ItemByPoint(X, Y) : nullptr;
  TvxFreeWatch popupAlive(popup);
  if (item) {
    const int index = item->GetIndex();
    if (auto* box = dynamic_cast<TvxComboTextBox*>(comboOwner_))
      box->SetItemIndex(index);
    else if (auto* combo = dynamic_cast<TvxComboBox*>(comboOwner_))
      combo->SetItemIndex(index);
  }
  if (!popupAlive.Gone()) popup->SetIsOpen(false);
}

// ---- TvxComboTextBox -------------------------------------------------------------------------

rtl::TClass TvxComboTextBox::StaticClass() {
  using C = TvxComboTextBox;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("Cursor", &C::Cursor, &C::SetCursor)
                                          .Default(0)
                                          .Property("DropDownCount", &C::DropDownCount, &C::SetDropDownCount)
                                          .Default(8)
                                          .Property("ItemHeight", &C::ItemHeight, &C::SetItemHeight)
                                          .Property("ItemIndex", &C::ItemIndex, &C::SetItemIndex)
                                          .Property("Items", &C::Items, &C::SetItems)
                                          .Property("ListBoxResource", &C::ListBoxResource, &C::SetListBoxResource)
                                          .Property("Text", &C::Text, &C::SetText)
                                          .Build();
  return &info;
}

TvxComboTextBox::TvxComboTextBox(rtl::TComponent* AOwner)
    : TvxCustomTextBox(AOwner), items_(std::make_unique<TvxWideStringList>()) {
  SetCursor(rtl::crDefault);
  popup_ = new TvxPopup(this);
  popup_->SetPlacementTarget(this);
  popup_->SetStaysOpen(false);
  popup_->SetLocked(true);
  popup_->SetDesignHide(true);
  popup_->SetStored(false);
  popup_->OnClosePopup = rtl::TNotifyEvent(this, &TvxComboTextBox::PopupClosed, "PopupClosed");
  AddObject(popup_);
  list_ = new TvxComboListBox(this);
  popup_->AddObject(list_);
  list_->SetAlign(vaClient);
  list_->SetItemHeight(itemHeight_);
  list_->SetShowCheckboxes(false);
  list_->SetItemIndex(-1);
  list_->SetStored(false);
  list_->SetComboOwner(this);
  items_->OnChange = rtl::TNotifyEvent(this, &TvxComboTextBox::ItemsChanged, "ItemsChanged");
}

TvxComboTextBox::~TvxComboTextBox() = default;

void TvxComboTextBox::BeforeDestruction() {
  items_->OnChange = {};
  inherited::BeforeDestruction();
}

void TvxComboTextBox::SetItemHeight(float Value) {
  if (Value == itemHeight_) return;
  itemHeight_ = Value;
  list_->SetItemHeight(Value);
}

void TvxComboTextBox::SetItemIndex(int Value) {
  if (!list_) return;
  list_->SetItemIndex(Value);
  const int i = list_->ItemIndex();
  if (i < 0 || i >= items_->Count()) return;
  TvxFreeWatch self(this);
  SetText(items_->Get(i));
  if (self.Gone()) return;
  if (!Scene() || !Scene()->ShowKeyboard(this)) SelectAll();
  UpdateBindings();
  Repaint();
}

void TvxComboTextBox::ItemsChanged(rtl::TObject*) {
  if (ComponentState().Contains(rtl::csDestroying)) return;
  list_->BeginUpdate();
  const int kept = list_->ItemIndex();
  list_->SetItemIndex(-1);
  list_->Clear();
  for (int i = 0; i < items_->Count(); ++i) {
    auto* item = new TvxListBoxItem(list_);
    item->SetAutoTranslate(AutoTranslate());
    list_->AddObject(item);
    item->SetHeight(itemHeight_);
    item->SetStored(false);
    item->SetLocked(true);
    item->SetText(items_->Get(i));
    if (!itemStyle_.empty()) item->SetResource(itemStyle_);
  }
  list_->EndUpdate();
  const int count = list_->Count();
  list_->SetItemIndex(kept >= count ? count - 1 : kept);
}

void TvxComboTextBox::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || Designing()) return;
  const TvxRect content = GetContentRect();
  if (X >= content.Left && X <= content.Right && Y >= content.Top && Y <= content.Bottom) return;
  if (popup_->IsOpen()) {
    popup_->SetIsOpen(false);
    return;
  }
  if (ClosedByThisPress(popup_)) return;
  if (ShowCaret()) HideCaret();
  popup_->SetPlacement(vgPlacementBottom);
  popup_->SetWidth(Width());
  popup_->SetHeight(list_->ItemHeight() > 0 ? dropDownCount_ * list_->ItemHeight()
                                            : (Height() - 4) * static_cast<float>(dropDownCount_));
  list_->ApplyResource();
  popup_->SetIsOpen(true);
  list_->Realign();
}

void TvxComboTextBox::PopupClosed(rtl::TObject*) {
  if (CaretShown() && IsFocused()) TvxVisualObject::ShowCaret();
}

void TvxComboTextBox::Realign() {
  inherited::Realign();
  if (realigning_) return;
  realigning_ = true;
  popup_->SetWidth(Width());
  list_->SetWidth(Width());
  realigning_ = false;
}

void TvxComboTextBox::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone() || Count() == 0) return;
  if (ReadOnly() && KeyChar != 0) {
    const std::u16string typed(1, KeyChar);
    for (int i = 0; i < Count(); ++i) {
      const std::u16string& text = list_->ItemByIndex(i)->Text();
      if (!text.empty() && CompareWideText(text.substr(0, 1), typed) == 0) {
        SetItemIndex(i);
        break;
      }
    }
    KeyChar = 0;
  }
  if (Key == win::VK_UP || Key == win::VK_DOWN) {
    if (Key == win::VK_UP && ItemIndex() > 0)
      SetItemIndex(ItemIndex() - 1);
    else if (Key == win::VK_DOWN && ItemIndex() < Count() - 1)
      SetItemIndex(ItemIndex() + 1);
    Key = 0;
  }
}

rtl::TClass TvxHudComboTextBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudComboTextBox>().Build();
  return &info;
}

TvxHudComboTextBox::TvxHudComboTextBox(rtl::TComponent* AOwner) : TvxComboTextBox(AOwner) {
  SetResource("hudcombotextboxstyle");
  ListBox()->SetResource("hudcombolistboxstyle");
  // Light text on the dark list.
  SetItemStyle("hudlistboxitemstyle");
}

// ---- TvxComboBox -----------------------------------------------------------------------------

namespace {

template <class T>
rtl::TClassBuilder<T> ComboRecord() {
  rtl::TClassBuilder<T> b = rtl::DefineClass<T>();
  b.Property("CanFocused", &T::CanFocused, &T::SetCanFocused)
      .Default(true)
      .Property("DisableFocusEffect", &T::DisableFocusEffect, &T::SetDisableFocusEffect)
      .Default(false)
      .Property("ItemIndex", &T::ItemIndex, &T::SetItemIndex)
      .NoDefault()
      .Property("DropDownCount", &T::DropDownCount, &T::SetDropDownCount)
      .Default(8)
      .Property("Placement", &T::Placement, &T::SetPlacement)
      .NoDefault()
      .Property("BindingSource", &T::BindingSource, &T::SetBindingSource)
      .Property("ListBoxResource", &T::ListBoxResource, &T::SetListBoxResource)
      .Event("OnChange", &T::OnChange);
  return b;
}

}  // namespace

rtl::TClass TvxComboBox::StaticClass() {
  static const rtl::TClassInfo info = ComboRecord<TvxComboBox>().Build();
  return &info;
}

TvxComboBox::TvxComboBox(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetCanFocused(true);
  popup_ = new TvxPopup(this);
  popup_->SetPlacementTarget(this);
  popup_->SetStaysOpen(false);
  popup_->SetStored(false);
  popup_->SetLocked(true);
  popup_->SetDesignHide(true);
  TvxControl::AddObject(popup_);
  list_ = new TvxComboListBox(this);
  list_->SetComboOwner(this);
  popup_->AddObject(list_);
  list_->SetStored(false);
  list_->SetAlign(vaClient);
  list_->SetShowCheckboxes(false);
  SetWidth(100);
  SetHeight(22);
}

void TvxComboBox::Clear() {
  if (list_) list_->Clear();
}

void TvxComboBox::SetItemIndex(int Value) {
  if (!list_) return;
  TvxFreeWatch self(this);
  list_->SetItemIndex(Value);
  UpdateBindings();
  Change();
  if (self.Gone()) return;
  GetTopVisualParent();
  Repaint();
}

void TvxComboBox::AddObject(TvxObject* AObject) {
  if (list_ && AObject && (dynamic_cast<TvxListBoxItem*>(AObject) || dynamic_cast<TvxSelectionItem*>(AObject))) {
    list_->AddObject(AObject);
    if (AObject->IsVisual()) AObject->Visual()->SetLocked(ComponentState().Contains(rtl::csDesigning));
    return;
  }
  inherited::AddObject(AObject);
}

void TvxComboBox::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) {
  inherited::GetChildren(Proc, Root);
  if (!list_) return;
  for (int i = 0; i < list_->Count(); ++i)
    if (TvxListBoxItem* item = list_->ItemByIndex(i); item && item->Stored()) Proc(item);
}

void TvxComboBox::SizePopup() {
  popup_->SetPlacement(placement_);
  popup_->SetWidth(Width());
  popup_->SetHeight(list_->ItemHeight() > 0 ? dropDownCount_ * list_->ItemHeight() : dropDownCount_ * (Height() - 4));
}

void TvxComboBox::DesignClick() {
  inherited::DesignClick();
  popup_->SetDesignHide(!popup_->DesignHide());
  SizePopup();
  popup_->Position()->SetPoint(MakePoint(Position()->X(), Position()->Y() + Height()));
}

void TvxComboBox::Realign() {
  inherited::Realign();
  if (realigning_) return;
  realigning_ = true;
  popup_->SetWidth(Width());
  list_->SetWidth(Width());
  realigning_ = false;
}

void TvxComboBox::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || Designing()) return;
  if (popup_->IsOpen()) {
    popup_->SetIsOpen(false);
    return;
  }
  if (ClosedByThisPress(popup_)) return;
  SizePopup();
  list_->UpdateStyle();
  popup_->SetIsOpen(true);
  list_->Realign();
}

void TvxComboBox::MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  inherited::MouseWheel(Shift, WheelDelta, Handled);
  if (WheelDelta < 0 && ItemIndex() < Count() - 1)
    SetItemIndex(ItemIndex() + 1);
  else if (WheelDelta > 0 && ItemIndex() > 0)
    SetItemIndex(ItemIndex() - 1);
  Handled = true;
}

void TvxComboBox::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone() || Count() == 0) return;
  if (KeyChar != 0) {
    const std::u16string typed(1, KeyChar);
    for (int i = 0; i < Count(); ++i) {
      const std::u16string& text = list_->ItemByIndex(i)->Text();
      if (!text.empty() && CompareWideText(text.substr(0, 1), typed) == 0) {
        SetItemIndex(i);
        KeyChar = 0;
        break;
      }
    }
  }
  switch (Key) {
    case win::VK_END: SetItemIndex(Count() - 1); break;
    case win::VK_HOME: SetItemIndex(0); break;
    case win::VK_LEFT:
    case win::VK_UP:
      if (ItemIndex() >= 1) SetItemIndex(ItemIndex() - 1);
      break;
    case win::VK_RIGHT:
    case win::VK_DOWN:
      if (ItemIndex() < Count() - 1) SetItemIndex(ItemIndex() + 1);
      break;
    default: return;
  }
  Key = 0;
}

void TvxComboBox::ApplyStyle() {
  inherited::ApplyStyle();
  content_ = FindPart<TvxVisualObject>(this, "content");
  if (!content_) return;
  content_->OnPaint = TvxPaintEvent(this, &TvxComboBox::PaintItem, "PaintItem");
  if (TvxListBoxItem* item = list_->Selected()) item->SetWidth(content_->Width());
}

void TvxComboBox::FreeStyle() {
  content_ = nullptr;
  inherited::FreeStyle();
}

void TvxComboBox::PaintItem(rtl::TObject*, TvxCanvas* Canvas, const TvxRect& ARect) {
  TvxListBoxItem* item = list_->Selected();
  if (!item || !Canvas || RectWidth(ARect) <= 0 || RectHeight(ARect) <= 0) return;
  item->ApplyResource();
  // The item keeps its place in the list: it is painted into the face as it is, at the
  // face's size and the combo's opacity, and gets its own back.
  const float w = item->Width(), h = item->Height(), opacity = item->Opacity();
  item->SetInitialSize(RectWidth(ARect), RectHeight(ARect));
  item->SetOpacity(GetAbsoluteOpacity());
  item->PaintTo(Canvas, ARect, content_);
  item->SetOpacity(opacity);
  item->SetInitialSize(w, h);
}

rtl::TClass TvxHudComboBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudComboBox>().Build();
  return &info;
}

TvxHudComboBox::TvxHudComboBox(rtl::TComponent* AOwner) : TvxComboBox(AOwner) {
  ListBox()->SetResource("hudcombolistboxstyle");
}

// ---- TvxStringComboBox -----------------------------------------------------------------------

rtl::TClass TvxStringComboBox::StaticClass() {
  using C = TvxStringComboBox;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("AutoTranslate", &C::AutoTranslate, &C::SetAutoTranslate)
                                          .Default(true)
                                          .Property("TextAlign", &C::TextAlign, &C::SetTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Property("ItemHeight", &C::ItemHeight, &C::SetItemHeight)
                                          .Property("Items", &C::Items, &C::SetItems)
                                          .Property("ItemIndex", &C::ItemIndex, &C::SetItemIndex)
                                          .NoDefault()
                                          .Build();
  return &info;
}

TvxStringComboBox::TvxStringComboBox(rtl::TComponent* AOwner)
    : TvxComboBox(AOwner), items_(std::make_unique<TvxWideStringList>()) {
  SetAutoTranslate(true);
  items_->OnChange = rtl::TNotifyEvent(this, &TvxStringComboBox::ItemsChanged, "ItemsChanged");
  ListBox()->SetItemHeight(itemHeight_);
  SetResource("comboboxstyle");
}

TvxStringComboBox::~TvxStringComboBox() = default;

void TvxStringComboBox::BeforeDestruction() {
  items_->OnChange = {};
  inherited::BeforeDestruction();
}

void TvxStringComboBox::SetItemHeight(float Value) {
  if (Value == itemHeight_) return;
  itemHeight_ = Value;
  ListBox()->SetItemHeight(Value);
  Rebuild();
}

void TvxStringComboBox::SetTextAlign(TvxTextAlign Value) {
  if (Value == textAlign_) return;
  textAlign_ = Value;
  if (!Loading()) Rebuild();
}

rtl::TPropValue TvxStringComboBox::GetData() {
  const int i = ItemIndex();
  if (i < 0 || i >= items_->Count()) return std::u16string();
  return items_->Get(i);
}

void TvxStringComboBox::SetData(const rtl::TPropValue& Value) {
  const int i = ItemIndex();
  if (i < 0 || i >= items_->Count()) return;
  items_->Put(i, PropValueToText(Value));
}

void TvxStringComboBox::Rebuild() {
  if (ComponentState().Contains(rtl::csDestroying)) return;
  TvxComboListBox* list = ListBox();
  BeginUpdate();
  const int kept = list->ItemIndex();
  list->SetItemIndex(-1);
  Clear();
  for (int i = 0; i < items_->Count(); ++i) {
    auto* item = new TvxListBoxItem(this);
    item->SetAutoTranslate(AutoTranslate());
    AddObject(item);
    item->SetHeight(itemHeight_);
    item->SetStored(false);
    item->SetLocked(true);
    item->SetResource(itemStyle_);
    item->SetText(items_->Get(i));
  }
  EndUpdate();
  const int count = list->Count();
  list->SetItemIndex(kept >= count ? count - 1 : kept);
  Repaint();
}

rtl::TClass TvxHudStringComboBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudStringComboBox>().Build();
  return &info;
}

TvxHudStringComboBox::TvxHudStringComboBox(rtl::TComponent* AOwner) : TvxStringComboBox(AOwner) {
  SetResource("hudcomboboxstyle");
  ListBox()->SetResource("hudcombolistboxstyle");
  SetItemStyle("hudlistboxitemstyle");
}

// ---- TvxStringListBox ------------------------------------------------------------------------

rtl::TClass TvxStringListBox::StaticClass() {
  using L = TvxStringListBox;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("AutoTranslate", &L::AutoTranslate, &L::SetAutoTranslate)
                                          .Default(true)
                                          .Property("TextAlign", &L::TextAlign, &L::SetTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Property("Font", &L::Font, &L::SetFont)
                                          .Property("Items", &L::Items, &L::SetItems)
                                          .Property("ItemIndex", &L::ItemIndex, &L::SetItemIndex)
                                          .NoDefault()
                                          .Property("BindingSource", &L::BindingSource, &L::SetBindingSource)
                                          .Build();
  return &info;
}

TvxStringListBox::TvxStringListBox(rtl::TComponent* AOwner)
    : TvxListBox(AOwner), items_(std::make_unique<TvxWideStringList>()), font_(std::make_unique<TvxFont>()) {
  SetAutoTranslate(true);
  font_->OnChange = rtl::TNotifyEvent(this, &TvxStringListBox::FontChanged, "FontChanged");
  items_->OnChange = rtl::TNotifyEvent(this, &TvxStringListBox::ItemsChanged, "ItemsChanged");
  SetItemHeight(19);
  SetResource("listboxstyle");
}

TvxStringListBox::~TvxStringListBox() = default;

void TvxStringListBox::BeforeDestruction() {
  items_->OnChange = {};
  font_->OnChange = {};
  inherited::BeforeDestruction();
}

void TvxStringListBox::SetTextAlign(TvxTextAlign Value) {
  if (Value == textAlign_) return;
  textAlign_ = Value;
  if (!Loading()) Rebuild();
}

void TvxStringListBox::SetTrimmed(bool Value) {
  trimmed_ = Value;
  for (int i = 0; i < Count(); ++i) ItemByIndex(i)->SetTrimmed(Value);
}

void TvxStringListBox::FontChanged(rtl::TObject*) {
  for (int i = 0; i < Count(); ++i) ItemByIndex(i)->SetFont(font_.get());
}

rtl::TPropValue TvxStringListBox::GetData() {
  const int i = ItemIndex();
  if (i < 0 || i >= items_->Count()) return std::u16string();
  return items_->Get(i);
}

void TvxStringListBox::SetData(const rtl::TPropValue& Value) {
  const int i = ItemIndex();
  if (i < 0 || i >= items_->Count()) return;
  items_->Put(i, PropValueToText(Value));
}

void TvxStringListBox::EndUpdate() {
  // The list's own end of update runs as if one more were open, so that it does not lay
  // out the old items; the rebuild lays out the new ones.
  TvxVisualObject::BeginUpdate();
  inherited::EndUpdate();
  TvxVisualObject::EndUpdate();
  if (UpdateCount() == 0) Rebuild();
}

void TvxStringListBox::Rebuild() {
  if (UpdateCount() > 0 || ComponentState().Contains(rtl::csDestroying)) return;
  TvxVisualObject::BeginUpdate();
  const float offset = VScrollBar() ? VScrollBar()->Value() : 0;
  const int kept = ItemIndex();
  Clear();
  for (int i = 0; i < items_->Count(); ++i) {
    auto* item = new TvxListBoxItem(this);
    item->SetAutoTranslate(AutoTranslate());
    AddObject(item);
    item->SetHeight(ItemHeight());
    item->SetStored(false);
    item->SetLocked(true);
    item->SetText(items_->Get(i));
    item->SetFont(font_.get());
    item->SetTrimmed(trimmed_);
    item->SetResource(itemStyle_);
  }
  SetItemIndex(kept);
  TvxVisualObject::EndUpdate();
  Realign();
  if (VScrollBar()) VScrollBar()->SetValue(offset);
}

rtl::TClass TvxHudStringListBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudStringListBox>().Build();
  return &info;
}

TvxHudStringListBox::TvxHudStringListBox(rtl::TComponent* AOwner) : TvxStringListBox(AOwner) {
  SetResource("hudlistboxstyle");
  SetItemStyle("hudlistboxitemstyle");
}

// ---- TvxComboTrackBar ------------------------------------------------------------------------

rtl::TClass TvxComboTrackBar::StaticClass() {
  using C = TvxComboTrackBar;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("Min", &C::Min, &C::SetMin)
                                          .Property("Max", &C::Max, &C::SetMax)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Property("Frequency", &C::Frequency, &C::SetFrequency)
                                          .Property("Text", &C::Text, &C::SetText)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxComboTrackBar::TvxComboTrackBar(rtl::TComponent* AOwner) : TvxCustomTextBox(AOwner) {
  SetFilterChar(u"0123456789.,-+");
  popup_ = new TvxPopup(this);
  popup_->SetResource("combopopupstyle");
  popup_->SetPlacementTarget(this);
  popup_->SetStaysOpen(false);
  popup_->Margins()->SetRect(MakeRect(5, 2, 5, 2));
  popup_->SetLocked(true);
  popup_->SetDesignHide(true);
  popup_->SetStored(false);
  popup_->OnClosePopup = rtl::TNotifyEvent(this, &TvxComboTrackBar::PopupClosed, "PopupClosed");
  track_ = new TvxTrackBar(this);
  popup_->AddObject(track_);
  track_->SetAlign(vaVertCenter);
  track_->SetDisableFocusEffect(true);
  track_->SetStored(false);
  track_->OnChange = rtl::TNotifyEvent(this, &TvxComboTrackBar::TrackChanged, "TrackChanged");
  AddObject(popup_);
  SetText(u"0");
  SetWidth(100);
  SetHeight(22);
  SetResource("combotextboxstyle");
}

void TvxComboTrackBar::ChangeParent() {
  inherited::ChangeParent();
  if (Parent() && popup_->Parent() != Parent() && !popup_->IsOpen()) Parent()->AddObject(popup_);
}

void TvxComboTrackBar::SetScene(IvxScene* AScene) {
  inherited::SetScene(AScene);
  // Taken out of its parent, the box keeps its popup itself: the parent it left may be freed.
  if (!popup_ || Parent() || popup_->Parent() == this || ComponentState().Contains(rtl::csDestroying)) return;
  if (popup_->IsOpen()) popup_->SetIsOpen(false);
  AddObject(popup_);
}

void TvxComboTrackBar::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || Designing()) return;
  const TvxRect content = GetContentRect();
  if (X >= content.Left && X <= content.Right && Y >= content.Top && Y <= content.Bottom) return;
  if (popup_->IsOpen()) {
    popup_->SetIsOpen(false);
    return;
  }
  if (ClosedByThisPress(popup_)) return;
  if (ShowCaret()) HideCaret();
  popup_->SetPlacement(vgPlacementBottom);
  popup_->SetWidth(Width() < 100 ? 100 : Width());
  popup_->SetHeight(30);
  track_->ApplyResource();
  popup_->SetIsOpen(true);
}

void TvxComboTrackBar::PopupClosed(rtl::TObject*) {
  if (ShowCaret() && IsFocused()) TvxVisualObject::ShowCaret();
}

void TvxComboTrackBar::TrackChanged(rtl::TObject*) {
  SetText(ComboTrackText(track_->Value()));
  SelectAll();
  OnChange(this);
}

void TvxComboTrackBar::Change() {
  const std::string typed = rtl::WideToUtf8(Text());
  std::string text = typed;
  // Typing may give a comma: it stands for the point.
  for (char& c : text)
    if (c == ',') c = '.';
  double v;
  // The refusal quotes the text as the user sees it.
  if (!rtl::TryStrToFloat(text, v)) throw rtl::EConvertError("'" + typed + "' is not a valid floating point value");
  track_->SetValue(static_cast<float>(v));
  Repaint();
  inherited::Change();
}

rtl::TClass TvxHudComboTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudComboTrackBar>().Build();
  return &info;
}

TvxHudComboTrackBar::TvxHudComboTrackBar(rtl::TComponent* AOwner) : TvxComboTrackBar(AOwner) {
  Popup()->SetResource("hudcombopopupstyle");
  TrackBar()->SetResource("hudtrackbarstyle");
  SetResource("hudcombotextboxstyle");
}

}  // namespace vg
