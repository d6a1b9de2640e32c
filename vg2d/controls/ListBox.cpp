#include "vg2d/controls/ListBox.h"

#include <algorithm>

#include "platform/win/WinTypes.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/WideStrings.h"

namespace vg {

namespace {

// The combo box whose list holds Item, if any.
TvxComboBox* EnclosingComboBox(const TvxObject* Item) {
  for (TvxObject* p = Item->Parent(); p; p = p->Parent())
    if (auto* combo = dynamic_cast<TvxComboBox*>(p)) return combo;
  return nullptr;
}

// The item's outer extent: its size with its padding.
float OuterHeight(TvxVisualObject* V) { return V->Height() + V->Padding()->Top() + V->Padding()->Bottom(); }
float OuterWidth(TvxVisualObject* V) { return V->Width() + V->Padding()->Left() + V->Padding()->Right(); }

}  // namespace

// ---- TvxListBoxItem ------------------------------------------------------------------------------

rtl::TClass TvxListBoxItem::StaticClass() {
  using I = TvxListBoxItem;
  static const rtl::TClassInfo info = rtl::DefineClass<I>()
                                          .Property("IsChecked", &I::IsChecked, &I::SetIsChecked)
                                          .Default(false)
                                          .Property("IsSelected", &I::IsSelected, &I::SetIsSelected)
                                          .Default(false)
                                          .Property("AutoTranslate", &I::AutoTranslate, &I::SetAutoTranslate)
                                          .Default(true)
                                          .Property("Font", &I::Font, &I::SetFont)
                                          .Property("Text", &I::Text, &I::SetText)
                                          .Property("TextAlign", &I::TextAlign, &I::SetTextAlign)
                                          .Default(vgTextAlignNear)
                                          .Property("WordWrap", &I::WordWrap, &I::SetWordWrap)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxListBoxItem::TvxListBoxItem(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  Position()->SetPoint({5000, 5000});
  SetTextAlign(vgTextAlignNear);
  SetAutoTranslate(true);
  SetHeight(19);
  SetWidth(19);
  SetHitTest(false);
}

TvxListBox* TvxListBoxItem::ListBox() const {
  for (TvxObject* p = Parent(); p; p = p->Parent())
    if (auto* list = dynamic_cast<TvxListBox*>(p)) return list;
  return nullptr;
}

void TvxListBoxItem::SetIsChecked(bool Value) {
  if (Value == isChecked_) return;
  isChecked_ = Value;
  if (checkBox_) {
    rtl::TEventMute quiet(checkBox_->OnChange);
    checkBox_->SetIsChecked(Value);
  }
}

void TvxListBoxItem::SetIsSelected(bool Value) {
  if (Value == isSelected_) return;
  isSelected_ = Value;
  StartTriggerAnimation(this, "IsSelected");
  TvxListBox* list = ListBox();
  if (!list) return;
  if (Value && !list->MultiSelect())
    list->SetItemIndex(GetIndex());
  else
    list->UpdateSelection();
}

void TvxListBoxItem::ChildFocused(TvxVisualObject* AObject) {
  inherited::ChildFocused(AObject);
  if (TvxListBox* list = ListBox()) list->SetItemIndex(GetIndex());
}

void TvxListBoxItem::DesignSelect() {
  inherited::DesignSelect();
  if (TvxComboBox* combo = EnclosingComboBox(this)) combo->DesignClick();
}

void TvxListBoxItem::DesignInsert() {
  inherited::DesignInsert();
  if (TvxComboBox* combo = EnclosingComboBox(this)) combo->DesignClick();
}

void TvxListBoxItem::Paint() {
  inherited::Paint();
  PaintLayoutOutline(this);
}

void TvxListBoxItem::ApplyStyle() {
  inherited::ApplyStyle();
  // A fresh style shows the item's state.
  StartTriggerAnimation(this, "IsSelected");
  ApplyTriggerEffect(this, "IsSelected");
  checkBox_ = FindPart<TvxCheckBox>(this, "check");
  if (!checkBox_) return;
  {
    rtl::TEventMute quiet(checkBox_->OnChange);
    checkBox_->SetIsChecked(isChecked_);
  }
  checkBox_->OnChange = rtl::TNotifyEvent(this, &TvxListBoxItem::CheckChanged);
  TvxListBox* list = ListBox();
  checkBox_->SetVisible(list && list->ShowCheckboxes());
}

void TvxListBoxItem::FreeStyle() {
  checkBox_ = nullptr;
  inherited::FreeStyle();
}

void TvxListBoxItem::CheckChanged(rtl::TObject*) {
  if (!checkBox_) return;
  isChecked_ = checkBox_->IsChecked();
  TvxListBox* list = ListBox();
  if (!list) return;
  TvxFreeWatch self(this);
  TvxFreeWatch alive(list);
  list->SetFocus();
  if (self.Gone() || alive.Gone()) return;
  list->SetItemIndex(GetIndex());
  if (self.Gone() || alive.Gone()) return;
  list->OnChangeCheck(this);
}

// ---- TvxListBox: published -----------------------------------------------------------------------

namespace {

template <class T>
rtl::TClassInfo ListClassInfo(TvxListStyle DefaultStyle) {
  auto b = rtl::DefineClass<T>();
  b.Property("CanFocused", &T::CanFocused, &T::SetCanFocused)
      .Default(true)
      .Property("DisableFocusEffect", &T::DisableFocusEffect, &T::SetDisableFocusEffect)
      .Default(false)
      .Property("BindingSource", &T::BindingSource, &T::SetBindingSource)
      .Property("AlternatingRowBackground", &T::AlternatingRowBackground, &T::SetAlternatingRowBackground)
      .Default(false)
      .Property("Columns", &T::Columns, &T::SetColumns)
      .Default(1)
      .Property("HideSelectionUnfocused", &T::HideSelectionUnfocused, &T::SetHideSelectionUnfocused)
      .Default(true)
      .Property("ItemIndex", &T::ItemIndex, &T::SetItemIndex)
      .Property("ItemWidth", &T::ItemWidth, &T::SetItemWidth)
      .Default(0.0f)
      .Property("ItemHeight", &T::ItemHeight, &T::SetItemHeight)
      .Default(0.0f)
      .Property("ListStyle", &T::ListStyle, &T::SetListStyle)
      .Default(DefaultStyle)
      .Property("MultiSelect", &T::MultiSelect, &T::SetMultiSelect)
      .Default(false)
      .Property("Sorted", &T::Sorted, &T::SetSorted)
      .Default(false)
      .Property("ShowCheckboxes", &T::ShowCheckboxes, &T::SetShowCheckboxes)
      .Default(false)
      .Event("OnChange", &T::OnChange)
      .Event("OnChangeCheck", &T::OnChangeCheck)
      .Event("OnCompare", &T::OnCompare);
  return b.Build();
}

}  // namespace

rtl::TClass TvxListBox::StaticClass() {
  static const rtl::TClassInfo info = ListClassInfo<TvxListBox>(vgListVertical);
  return &info;
}

TvxListBox::TvxListBox(rtl::TComponent* AOwner)
    : TvxScrollBox(AOwner), alternatingBrush_(std::make_unique<TvxBrush>(vgBrushSolid, 0x20000000u)) {
  SetCanFocused(true);
  SetWidth(100);
  SetHeight(100);
}

TvxListBox::~TvxListBox() = default;

void TvxListBox::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == anchor_) anchor_ = nullptr;
  highlights_.erase(std::remove(highlights_.begin(), highlights_.end(), AComponent), highlights_.end());
}

void TvxListBox::SetColumns(int Value) {
  if (Value < 1) Value = 1;
  if (Value == columns_) return;
  columns_ = Value;
  Realign();
}

void TvxListBox::SetItemWidth(float Value) {
  if (Value == itemWidth_) return;
  itemWidth_ = Value;
  Realign();
}

void TvxListBox::SetItemHeight(float Value) {
  if (Value == itemHeight_) return;
  itemHeight_ = Value;
  Realign();
}

void TvxListBox::SetListStyle(TvxListStyle Value) {
  if (Value == listStyle_) return;
  listStyle_ = Value;
  Realign();
}

void TvxListBox::SetSorted(bool Value) {
  if (Value == sorted_) return;
  sorted_ = Value;
  Realign();
}

void TvxListBox::SetAlternatingRowBackground(bool Value) {
  if (Value == alternatingRowBackground_) return;
  alternatingRowBackground_ = Value;
  Repaint();
}

void TvxListBox::SetHideSelectionUnfocused(bool Value) {
  if (Value == hideSelectionUnfocused_) return;
  hideSelectionUnfocused_ = Value;
  UpdateSelection();
}

void TvxListBox::SetMultiSelect(bool Value) {
  if (Value == multiSelect_) return;
  multiSelect_ = Value;
  if (multiSelect_) return;
  for (int i = 0; i < Count(); ++i)
    if (TvxListBoxItem* item = ItemByIndex(i)) item->isSelected_ = false;
  UpdateSelection();
}

void TvxListBox::SetShowCheckboxes(bool Value) {
  if (Value == showCheckboxes_) return;
  showCheckboxes_ = Value;
  if (!Content()) return;
  std::vector<TvxObject*> all;
  Content()->AddObjectsToList(all);
  for (TvxObject* o : all)
    if (auto* item = dynamic_cast<TvxListBoxItem*>(o); item && item->CheckBox())
      item->CheckBox()->SetVisible(showCheckboxes_);
}

// ---- items ---------------------------------------------------------------------------------------

int TvxListBox::Count() const { return Content() ? Content()->GetChildrenCount() : 0; }

TvxListBoxItem* TvxListBox::ItemByIndex(int Index) const {
  if (!Content() || Index < 0 || Index >= Count()) return nullptr;
  return dynamic_cast<TvxListBoxItem*>(Content()->GetChild(Index));
}

TvxListBoxItem* TvxListBox::ItemByPoint(float X, float Y) {
  if (!Content()) return nullptr;
  const TvxPoint p = LocalToAbsolute({X, Y});
  for (TvxObject* o : Content()->Children())
    if (auto* item = dynamic_cast<TvxListBoxItem*>(o); item && item->PointInObject(p.X, p.Y)) return item;
  return nullptr;
}

void TvxListBox::Clear() {
  if (!Content()) return;
  BeginUpdate();
  for (int i = Count() - 1; i >= 0; --i)
    if (TvxListBoxItem* item = ItemByIndex(i)) item->Free();
  ResetScrollOffset();
  EndUpdate();
}

void TvxListBox::AddObject(TvxObject* AObject) {
  if (Content() && AObject && (dynamic_cast<TvxListBoxItem*>(AObject) || dynamic_cast<TvxSelectionItem*>(AObject)))
    Content()->AddObject(AObject);
  else
    inherited::AddObject(AObject);
}

void TvxListBox::ContentAddObject(TvxObject* AObject) {
  if (dynamic_cast<TvxListBoxItem*>(AObject) && !Updating()) Realign();
}

void TvxListBox::ContentRemoveObject(TvxObject* AObject) {
  auto* item = dynamic_cast<TvxListBoxItem*>(AObject);
  if (!item) return;
  item->isSelected_ = false;
  if (item == anchor_) anchor_ = nullptr;
  if (!Updating()) Realign();
}

rtl::TPropValue TvxListBox::GetData() {
  if (TvxListBoxItem* item = Selected()) return item->Text();
  return std::u16string();
}

void TvxListBox::SetData(const rtl::TPropValue& Value) {
  if (TvxListBoxItem* item = Selected()) item->SetText(PropValueToText(Value));
}

// ---- style ---------------------------------------------------------------------------------------

void TvxListBox::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* viewport = FindPart<TvxVisualObject>(this, "content"))
    viewport->OnBeforePaint = TvxPaintEvent(this, &TvxListBox::PaintRows);
  if (auto* part = FindPart<TvxVisualObject>(this, "selection")) {
    template_ = part;
    template_->SetVisible(false);
    UpdateSelection();
  }
  TvxObject* rows = FindResource("AlternatingRowBackground");
  if (auto* brush = dynamic_cast<TvxBrushObject*>(rows)) alternatingBrush_->Assign(brush->Brush());
  if (rows && rows->IsVisual()) rows->Visual()->SetVisible(false);
}

void TvxListBox::FreeStyle() {
  template_ = nullptr;
  highlights_.clear();
  inherited::FreeStyle();
}

void TvxListBox::HScrollChange(rtl::TObject* Sender) {
  inherited::HScrollChange(Sender);
  UpdateSelection();
}

void TvxListBox::VScrollChange(rtl::TObject* Sender) {
  inherited::VScrollChange(Sender);
  UpdateSelection();
}

void TvxListBox::EnterFocus() {
  TvxFreeWatch self(this);
  inherited::EnterFocus();
  if (!self.Gone() && hideSelectionUnfocused_ && Selected()) UpdateSelection();
}

void TvxListBox::KillFocus() {
  TvxFreeWatch self(this);
  inherited::KillFocus();
  if (!self.Gone() && hideSelectionUnfocused_ && Selected()) UpdateSelection();
}

// ---- layout --------------------------------------------------------------------------------------

TvxRect TvxListBox::GetContentBounds() {
  TvxRect r = GetLocalRect();
  if (Updating() || !Viewport() || !Content()) return r;
  r = Viewport()->GetLocalRect();
  if (sorted_)
    Content()->SortChildren([this](TvxObject* A, TvxObject* B) {
      auto* a = dynamic_cast<TvxListBoxItem*>(A);
      auto* b = dynamic_cast<TvxListBoxItem*>(B);
      if (!a || !b) return false;
      const int order = OnCompare ? OnCompare(a, b) : CompareWideText(a->Text(), b->Text());
      return order < 0;
    });
  if (!multiSelect_)
    if (TvxListBoxItem* item = Selected(); item && !item->isSelected_) {
      item->isSelected_ = true;
      item->StartTriggerAnimation(item, "IsSelected");
    }
  std::vector<TvxVisualObject*> items;
  for (TvxObject* o : Content()->Children())
    if (TvxVisualObject* v = o->Visual()) items.push_back(v);
  if (listStyle_ == vgListVertical)
    LayOutVertical(r, items);
  else
    LayOutHorizontal(r, items);
  UpdateSelection();
  return r;
}

void TvxListBox::LayOutVertical(TvxRect& R, const std::vector<TvxVisualObject*>& Items) {
  if (itemWidth_ != 0) {
    columns_ = std::max(1, static_cast<int>(Trunc(RectWidth(R) / itemWidth_)));
    for (TvxVisualObject* v : Items)
      v->SetBounds(v->Position()->X(), v->Position()->Y(), itemWidth_, itemHeight_ != 0 ? itemHeight_ : v->Height());
  } else if (itemHeight_ != 0) {
    for (TvxVisualObject* v : Items) v->SetBounds(v->Position()->X(), v->Position()->Y(), v->Width(), itemHeight_);
  }
  const size_t per = static_cast<size_t>(columns_);
  float y = 0;
  for (size_t row = 0; row < Items.size(); row += per) {
    const size_t end = std::min(Items.size(), row + per);
    float rowHeight = 0;
    for (size_t i = row; i < end; ++i) rowHeight = std::max(rowHeight, OuterHeight(Items[i]));
    const float columnWidth = itemWidth_ != 0 ? itemWidth_ : RectWidth(R) / static_cast<float>(columns_);
    for (size_t i = row; i < end; ++i) {
      TvxVisualObject* v = Items[i];
      const TvxBounds& p = *v->Padding();
      v->SetBounds(static_cast<float>(i - row) * columnWidth + p.Left(), y + p.Top(), columnWidth,
                   rowHeight - p.Top() - p.Bottom());
    }
    y += rowHeight;
  }
  if (y > 0) R.Bottom = R.Top + y;
  if (itemWidth_ != 0) R.Right = R.Left + static_cast<float>(columns_) * itemWidth_;
}

void TvxListBox::LayOutHorizontal(TvxRect& R, const std::vector<TvxVisualObject*>& Items) {
  if (itemHeight_ != 0) {
    const float room = RectHeight(R) - Padding()->Top() - Padding()->Bottom();
    columns_ = std::max(1, static_cast<int>(Trunc(room / itemHeight_)));
    for (TvxVisualObject* v : Items)
      v->SetBounds(v->Position()->X(), v->Position()->Y(), itemWidth_ != 0 ? itemWidth_ : v->Width(), itemHeight_);
  } else if (itemWidth_ != 0) {
    for (TvxVisualObject* v : Items) v->SetBounds(v->Position()->X(), v->Position()->Y(), itemWidth_, v->Height());
  }
  if (itemIndex_ > Count() - 1) itemIndex_ = Count() - 1;
  const size_t per = static_cast<size_t>(columns_);
  float x = 0;
  for (size_t run = 0; run < Items.size(); run += per) {
    const size_t end = std::min(Items.size(), run + per);
    float columnWidth = 0;
    for (size_t i = run; i < end; ++i) columnWidth = std::max(columnWidth, OuterWidth(Items[i]));
    const float rowHeight = itemHeight_ != 0 ? itemHeight_ : RectHeight(R) / static_cast<float>(columns_);
    for (size_t i = run; i < end; ++i) {
      TvxVisualObject* v = Items[i];
      const TvxBounds& p = *v->Padding();
      v->SetBounds(x + p.Left(), static_cast<float>(i - run) * rowHeight + p.Top(),
                   columnWidth - p.Left() - p.Right(), rowHeight);
    }
    x += columnWidth;
  }
  if (x > 0) R.Right = R.Left + x;
  if (itemHeight_ != 0) R.Bottom = R.Top + static_cast<float>(columns_) * itemHeight_;
}

// ---- the selection -------------------------------------------------------------------------------

void TvxListBox::UpdateSelection() {
  if (!template_ || !template_->Parent() || !template_->Parent()->IsVisual()) return;
  TvxVisualObject* holder = template_->Parent()->Visual();
  std::vector<TvxRect> rects;
  const TvxRect mine = GetUpdateRect();
  bool previous = false;
  for (int i = 0; i < Count(); ++i) {
    TvxListBoxItem* item = ItemByIndex(i);
    const bool selected = item && item->IsSelected();
    if (selected) {
      TvxRect meet;
      if (IntersectRectF(meet, item->GetUpdateRect(), mine)) {
        const TvxPoint at = holder->AbsoluteToLocal(item->LocalToAbsolute({0, 0}));
        const TvxRect r = MakeRect(at.X, at.Y, at.X + item->Width(), at.Y + item->Height());
        if (previous && !rects.empty())
          UnionRectF(TvxRect(rects.back()), r, rects.back());
        else
          rects.push_back(r);
      }
    }
    previous = selected;
  }
  while (highlights_.size() < rects.size()) {
    std::unique_ptr<TvxObject> copy(template_->Clone(this));
    auto* v = copy ? copy->Visual() : nullptr;
    if (!v) return;
    v->SetResourceName("");
    v->SetStored(false);
    holder->AddObject(copy.release());
    highlights_.push_back(v);
  }
  const bool shown = !(hideSelectionUnfocused_ && !IsFocused());
  for (size_t i = 0; i < highlights_.size(); ++i) {
    TvxVisualObject* h = highlights_[i];
    if (i >= rects.size()) {
      h->SetVisible(false);
      continue;
    }
    h->SetVisible(shown);
    if (shown) h->SetBounds(rects[i].Left, rects[i].Top, RectWidth(rects[i]), RectHeight(rects[i]));
  }
}

void TvxListBox::PaintRows(rtl::TObject*, TvxCanvas* Canvas, const TvxRect& ARect) {
  TvxVisualObject* viewport = Viewport();
  if (!alternatingRowBackground_ || !viewport || !Content() || !Canvas) return;
  Canvas->Fill()->Assign(alternatingBrush_.get());
  for (int i = 1; i < Count(); i += 2) {
    TvxListBoxItem* item = ItemByIndex(i);
    if (!item) continue;
    const TvxPoint a = viewport->AbsoluteToLocal(item->LocalToAbsolute({0, 0}));
    const TvxPoint b = viewport->AbsoluteToLocal(item->LocalToAbsolute({item->Width(), item->Height()}));
    const TvxRect r = MakeRect(a.X, a.Y, b.X, b.Y);
    TvxRect meet;
    if (IntersectRectF(meet, r, ARect)) Canvas->FillRect(r, 0, 0, AllCorners, GetAbsoluteOpacity());
  }
}

void TvxListBox::SelectRange(int A, int B) {
  const int lo = std::min(A, B), hi = std::max(A, B);
  for (int i = 0; i < Count(); ++i)
    if (TvxListBoxItem* item = ItemByIndex(i)) {
      const bool in = i >= lo && i <= hi;
      if (item->isSelected_ != in) {
        item->isSelected_ = in;
        item->StartTriggerAnimation(item, "IsSelected");
      }
    }
  UpdateSelection();
}

// ---- the current item ----------------------------------------------------------------------------

void TvxListBox::SetItemIndex(int Value) {
  if (Value == itemIndex_) return;
  TvxFreeWatch self(this);
  if (!multiSelect_)
    if (TvxListBoxItem* old = Selected(); old && old->isSelected_) {
      old->isSelected_ = false;
      old->StartTriggerAnimation(old, "IsSelected");
    }
  itemIndex_ = Value;
  TvxListBoxItem* item = Selected();
  TvxVisualObject* viewport = Viewport();
  TvxScrollContent* content = Content();
  if (item && content && viewport) {
    const TvxPoint origin = ViewportOrigin();
    const TvxBounds& p = *item->Padding();
    if (TvxScrollBar* bar = VScrollBar()) {
      const float bottom = content->Position()->Y() + item->Position()->Y() + p.Top() + p.Bottom() + item->Height();
      if (bottom > origin.Y + viewport->Height()) bar->SetValue(bar->Value() + bottom - (origin.Y + viewport->Height()));
      if (self.Gone()) return;
      const float top = content->Position()->Y() + item->Position()->Y();
      if (top < origin.Y) bar->SetValue(bar->Value() + (top - origin.Y));
      if (self.Gone()) return;
    }
    if (TvxScrollBar* bar = HScrollBar()) {
      const float right = content->Position()->X() + item->Position()->X() + p.Left() + p.Right() + item->Width();
      if (right > origin.X + viewport->Width()) bar->SetValue(bar->Value() + right - (origin.X + viewport->Width()));
      if (self.Gone()) return;
      const float left = content->Position()->X() + item->Position()->X();
      if (left < origin.X) bar->SetValue(bar->Value() + (left - origin.X));
      if (self.Gone()) return;
    }
  }
  if (item && !item->isSelected_) {
    item->isSelected_ = true;
    item->StartTriggerAnimation(item, "IsSelected");
  }
  if (!Updating()) {
    UpdateBindings();
    if (self.Gone()) return;
    OnChange(Selected());
    if (self.Gone()) return;
  }
  UpdateSelection();
}

std::string TvxListBox::ContentStyleName(TvxControl* Inner, const std::string& Name) {
  TvxObject* content = Content();
  bool inside = false;
  for (TvxObject* p = Inner; p && p != this && !inside; p = p->Parent()) inside = p == content;
  if (!inside) return {};
  const auto hud = [](const std::string& S) { return S.size() >= 3 && rtl::SameText(S.substr(0, 3), "hud"); };
  if (!hud(Resource().empty() ? StyleNameOf(ClassName()) : Resource()) || hud(Name)) return Name;
  return "hud" + Name;
}

// ---- keys and mouse ------------------------------------------------------------------------------

void TvxListBox::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone() || Count() == 0) return;
  if (KeyChar != 0) {
    const std::u16string typed(1, KeyChar);
    for (int i = 0; i < Count(); ++i)
      if (TvxListBoxItem* item = ItemByIndex(i);
          item && !item->Text().empty() && CompareWideText(item->Text().substr(0, 1), typed) == 0) {
        SetItemIndex(i);
        break;
      }
    KeyChar = 0;
    return;
  }
  const int count = Count();
  int to = itemIndex_;
  switch (Key) {
    case win::VK_END: to = count - columns_; break;
    case win::VK_HOME: to = 0; break;
    case win::VK_LEFT:
      if (itemIndex_ >= 1) to = itemIndex_ - 1;
      break;
    case win::VK_UP:
      if (itemIndex_ >= 1) to = std::max(0, itemIndex_ - columns_);
      break;
    case win::VK_RIGHT:
      if (itemIndex_ < count - 1) to = itemIndex_ + 1;
      break;
    case win::VK_DOWN:
      if (itemIndex_ < count - 1) to = std::min(count - 1, itemIndex_ + columns_);
      break;
    default: return;
  }
  SetItemIndex(to);
  Key = 0;
}

void TvxListBox::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || MouseTracking()) return;
  mouseDown_ = true;
  TvxListBoxItem* item = ItemByPoint(X, Y);
  if (!item) return;
  TvxFreeWatch alive(item);
  if (multiSelect_) {
    if (Shift.Contains(rtl::ssCtrl)) {
      item->SetIsSelected(!item->IsSelected());
    } else {
      if (Shift.Contains(rtl::ssShift))
        SelectRange(itemIndex_, item->GetIndex());
      else
        SelectRange(item->GetIndex(), item->GetIndex());
      if (self.Gone() || alive.Gone()) return;
      SetItemIndex(item->GetIndex());
    }
    if (self.Gone() || alive.Gone()) return;
    anchor_ = item;
  } else {
    SetItemIndex(item->GetIndex());
  }
  if (self.Gone() || alive.Gone()) return;
  item->OnClick(item);
}

void TvxListBox::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !mouseDown_ || !Shift.Contains(rtl::ssLeft) || MouseTracking()) return;
  TvxListBoxItem* item = ItemByPoint(X, Y);
  if (!item || item == Selected()) return;
  if (multiSelect_) {
    if (Shift.Contains(rtl::ssCtrl))
      item->SetIsSelected(!item->IsSelected());
    else
      SelectRange(anchor_ ? anchor_->GetIndex() : itemIndex_, item->GetIndex());
    if (self.Gone()) return;
  }
  SetItemIndex(item->GetIndex());
}

void TvxListBox::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  // With MouseTracking a press selects nothing: a release that did not drag the content is
  // the click, and the item under the pointer becomes current.
  const bool click = MouseTracking() && Button == rtl::mbLeft && TrackingPress() && TrackingStill();
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone()) return;
  anchor_ = nullptr;
  mouseDown_ = false;
  if (!click) return;
  if (TvxListBoxItem* item = ItemByPoint(X, Y)) SetItemIndex(item->GetIndex());
}

// ---- the family ----------------------------------------------------------------------------------

rtl::TClass TvxHorzListBox::StaticClass() {
  static const rtl::TClassInfo info = ListClassInfo<TvxHorzListBox>(vgListHorizontal);
  return &info;
}

TvxHorzListBox::TvxHorzListBox(rtl::TComponent* AOwner) : TvxListBox(AOwner) { SetListStyle(vgListHorizontal); }

rtl::TClass TvxHudListBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudListBox>().Build();
  return &info;
}

rtl::TClass TvxHudHorzListBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudHorzListBox>().Build();
  return &info;
}

}  // namespace vg
