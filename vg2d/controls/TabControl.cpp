#include "vg2d/controls/TabControl.h"

#include <algorithm>

#include "vg2d/controls/StyleParts.h"

namespace vg {

namespace {

// Sets an object's opacity without asking the host to repaint (while painting).
void QuietOpacity(TvxVisualObject* O, float Value) {
  IvxScene* s = O->Scene();
  const bool was = s && s->GetDisableUpdate();
  if (s) s->SetDisableUpdate(true);
  O->SetOpacity(Value);
  if (s) s->SetDisableUpdate(was);
}

}  // namespace

// ---- TvxTabItem --------------------------------------------------------------------------------

rtl::TClass TvxTabItem::StaticClass() {
  using I = TvxTabItem;
  static const rtl::TClassInfo info = rtl::DefineClass<I>()
                                          .Property("IsSelected", &I::IsSelected)
                                          .Default(false)
                                          .Property("AutoTranslate", &I::AutoTranslate, &I::SetAutoTranslate)
                                          .Default(true)
                                          .Property("Font", &I::Font, &I::SetFont)
                                          .Property("TextAlign", &I::TextAlign, &I::SetTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Property("Text", &I::Text, &I::SetText)
                                          .Property("Layout", &I::Layout, &I::SetLayout)
                                          .Build();
  return &info;
}

TvxTabItem::TvxTabItem(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetAutoTranslate(true);
  SetHeight(20);
  SetWidth(80);
  SetHitTest(true);
}

TvxTabItem::~TvxTabItem() = default;

TvxTabControl* TvxTabItem::TabControl() const { return dynamic_cast<TvxTabControl*>(Parent()); }

void TvxTabItem::SetLayout(TvxVisualObject* Value) {
  if (Value == layout_) return;
  if (layout_) layout_->RemoveFreeNotification(this);
  layout_ = Value;
  if (layout_) layout_->FreeNotification(this);
}

void TvxTabItem::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == layout_) layout_ = nullptr;
}

void TvxTabItem::SetIsSelected(bool Value) {
  isSelected_ = Value;
  StartTriggerAnimation(this, "IsSelected");
  ApplyTriggerEffect(this, "IsSelected");
}

void TvxTabItem::ApplyStyle() {
  inherited::ApplyStyle();
  TvxTabControl* tabs = TabControl();
  SetIsSelected(tabs && tabs->ItemIndex() == index_);
}

void TvxTabItem::SetVisible(bool Value) {
  if (Value == Visible()) return;
  TvxTabControl* tabs = TabControl();
  TvxTabItem* selected = tabs ? tabs->ItemAt(tabs->ItemIndex()) : nullptr;
  TvxFreeWatch self(this);
  inherited::SetVisible(Value);
  if (!tabs || self.Gone()) return;
  if (!Value && selected == this) {
    SetIsSelected(false);
    const int old = index_;
    tabs->ForgetIndex();
    const int count = static_cast<int>(tabs->VisibleItems().size());
    tabs->SetItemIndex(old < count ? old : count - 1);
    return;
  }
  tabs->Realign();
  if (selected) {
    tabs->ForgetIndex();
    tabs->SetItemIndex(selected->Index());
  }
}

void TvxTabItem::Realign() {
  inherited::Realign();
  TvxTabControl* tabs = TabControl();
  if (realigning_ || !layout_ || !tabs) return;
  realigning_ = true;
  const TvxBounds& m = *tabs->Margins();
  const TvxBounds& p = *layout_->Padding();
  layout_->Position()->SetPoint({m.Left() + p.Left(), Height() + m.Top() + p.Top()});
  layout_->SetWidth(tabs->Width() - m.Left() - m.Right() - p.Left() - p.Right());
  layout_->SetHeight(tabs->Height() - Height() - m.Top() - m.Bottom() - p.Top() - p.Bottom());
  realigning_ = false;
}

void TvxTabItem::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  TvxTabControl* tabs = TabControl();
  if (tabs && !Designing() && !tabs->IsFocused()) {
    tabs->SetFocus();
    if (self.Gone()) return;
  }
  inherited::MouseDown(Button, Shift, X, Y);
}

void TvxTabItem::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  if (TvxTabControl* tabs = TabControl()) tabs->SetItemIndex(index_);
}

void TvxTabItem::DesignSelect() {
  inherited::DesignSelect();
  if (TvxTabControl* tabs = TabControl()) tabs->SetItemIndex(index_);
}

void TvxTabItem::DesignInsert() {
  inherited::DesignInsert();
  TvxTabControl* tabs = TabControl();
  rtl::TClass layoutClass = rtl::GetClass("TvxLayout");
  if (layout_ || !tabs || !layoutClass) return;
  std::unique_ptr<TvxVisualObject> page = rtl::OwnedAs<TvxVisualObject>(layoutClass->Create(Owner()));
  if (!page) return;
  tabs->AddObject(page.get());
  SetLayout(page.release());
  tabs->Realign();
}

rtl::TClass TvxHudTabItem::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudTabItem>().Build();
  return &info;
}

// ---- TvxTabControl -----------------------------------------------------------------------------

rtl::TClass TvxTabControl::StaticClass() {
  using T = TvxTabControl;
  static const rtl::TClassInfo info = rtl::DefineClass<T>()
                                          .Property("FullSize", &T::FullSize, &T::SetFullSize)
                                          .Default(false)
                                          .Property("ItemIndex", &T::ItemIndex, &T::SetItemIndex)
                                          .Default(-1)
                                          .Property("ItemHeight", &T::ItemHeight, &T::SetItemHeight)
                                          .Event("OnChange", &T::OnChange)
                                          .Build();
  return &info;
}

TvxTabControl::TvxTabControl(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetAutoCapture(true);
  SetCanFocused(true);
  SetWidth(200);
  SetHeight(200);
}

std::vector<TvxTabItem*> TvxTabControl::VisibleItems() const {
  std::vector<TvxTabItem*> items;
  for (TvxObject* o : Children())
    if (auto* item = dynamic_cast<TvxTabItem*>(o); item && item->Visible()) items.push_back(item);
  return items;
}

TvxTabItem* TvxTabControl::ItemAt(int Index) const {
  const std::vector<TvxTabItem*> items = VisibleItems();
  return Index >= 0 && Index < static_cast<int>(items.size()) ? items[static_cast<size_t>(Index)] : nullptr;
}

float TvxTabControl::HeaderHeight() const {
  const std::vector<TvxTabItem*> items = VisibleItems();
  if (items.empty()) return 0;
  if (itemHeight_ > 0) return itemHeight_;
  float h = 0;
  for (TvxTabItem* item : items) h = std::max(h, item->Height() + item->Padding()->Top() + item->Padding()->Bottom());
  return h;
}

void TvxTabControl::SetItemIndex(int Value) {
  if (Value == itemIndex_) return;
  TvxFreeWatch self(this);
  if (TvxTabItem* old = ItemAt(itemIndex_)) old->SetIsSelected(false);
  itemIndex_ = Value;
  Realign();
  if (self.Gone()) return;
  if (TvxTabItem* now = ItemAt(itemIndex_)) now->SetIsSelected(true);
  OnChange(this);
}

void TvxTabControl::SetItemHeight(float Value) {
  if (Value == itemHeight_) return;
  itemHeight_ = Value;
  Realign();
}

void TvxTabControl::SetFullSize(bool Value) {
  if (Value == fullSize_) return;
  fullSize_ = Value;
  Realign();
}

void TvxTabControl::ApplyStyle() {
  inherited::ApplyStyle();
  background_ = FindPart<TvxVisualObject>(this, "background");
  Realign();
}

void TvxTabControl::FreeStyle() {
  background_ = nullptr;
  inherited::FreeStyle();
}

void TvxTabControl::AddObject(TvxObject* AObject) {
  inherited::AddObject(AObject);
  if (dynamic_cast<TvxTabItem*>(AObject)) Realign();
}

void TvxTabControl::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!self.Gone()) Realign();
}

void TvxTabControl::Realign() {
  inherited::Realign();
  if (realigning_ || Loading()) return;
  realigning_ = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{realigning_};
  const std::vector<TvxTabItem*> items = VisibleItems();
  for (size_t i = 0; i < items.size(); ++i) items[i]->index_ = static_cast<int>(i);
  const float h = HeaderHeight();
  if (TvxVisualObject* page = Style()) {
    const TvxBounds& p = *page->Padding();
    page->SetAlign(vaNone);
    page->SetBounds(p.Left(), h + p.Top(), Width() - p.Left() - p.Right(), Height() - h - p.Top() - p.Bottom());
    page->BringToFront();
  }
  float w = Width();
  if (background_) w -= background_->Margins()->Left() + background_->Margins()->Right();
  if (fullSize_ && !items.empty()) w /= static_cast<float>(items.size());
  // The page of a hidden item is never shown.
  for (TvxObject* o : Children())
    if (auto* item = dynamic_cast<TvxTabItem*>(o); item && !item->Visible() && item->Layout())
      item->Layout()->SetVisible(false);
  float x = 0;
  for (TvxTabItem* item : items) {
    item->SetAlign(vaNone);
    if (TvxVisualObject* page = item->Layout()) {
      const bool shown = item->Index() == itemIndex_;
      page->SetAlign(vaNone);
      page->SetVisible(shown);
      page->SetDesignHide(!shown);
      page->SetClipChildren(true);
      if (shown) page->BringToFront();
    }
    const TvxBounds& p = *item->Padding();
    item->SetBounds(x + p.Left(), p.Top(), fullSize_ ? w : item->Width(), h - p.Top() - p.Bottom());
    x += p.Left() + item->Width() + p.Right();
    item->Realign();
  }
}

void TvxTabControl::PaintChildren() {
  TvxTabItem* selected = ItemAt(itemIndex_);
  TvxCanvas* canvas = GetCanvas();
  if (!selected || !canvas) {
    inherited::PaintChildren();
    return;
  }
  const float opacity = selected->Opacity();
  QuietOpacity(selected, 0);
  inherited::PaintChildren();
  QuietOpacity(selected, opacity);
  canvas->SetMatrix(selected->GetAbsoluteMatrix());
  selected->BeforePaint();
  selected->Paint();
  selected->PaintChildren();
}

rtl::TClass TvxHudTabControl::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudTabControl>().Build();
  return &info;
}

}  // namespace vg
