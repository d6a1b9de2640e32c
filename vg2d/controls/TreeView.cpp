#include "vg2d/controls/TreeView.h"

#include <algorithm>

#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Scene.h"
#include "vg2d/core/WideStrings.h"

namespace vg {

namespace {

constexpr float Indent = 19;


// Visible with the given opacity, and so every descendant item (used to hide collapsed branches).
void ShowBranch(TvxTreeViewItem* Item, bool Show) {
  Item->SetVisible(Show);
  Item->SetOpacity(Show ? 1 : 0);
  if (Show) return;
  for (int i = 0; i < Item->Count(); ++i) ShowBranch(Item->ItemByIndex(i), false);
}

}  // namespace

// ---- TvxTreeViewItem -----------------------------------------------------------------------------

rtl::TClass TvxTreeViewItem::StaticClass() {
  using I = TvxTreeViewItem;
  static const rtl::TClassInfo info = rtl::DefineClass<I>()
                                          .Property("AutoTranslate", &I::AutoTranslate, &I::SetAutoTranslate)
                                          .Default(true)
                                          .Property("Font", &I::Font, &I::SetFont)
                                          .Property("Resource", &I::Resource, &I::SetResource)
                                          .Property("Text", &I::Text, &I::SetText)
                                          .Property("TextAlign", &I::TextAlign, &I::SetTextAlign)
                                          .Default(vgTextAlignNear)
                                          .Property("IsChecked", &I::IsChecked, &I::SetIsChecked)
                                          .Default(false)
                                          .Property("IsExpanded", &I::IsExpanded, &I::SetIsExpanded)
                                          .Default(false)
                                          .Property("IsSelected", &I::IsSelected, &I::SetIsSelected)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxTreeViewItem::TvxTreeViewItem(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetAutoTranslate(true);
  SetTextAlign(vgTextAlignNear);
  SetHeight(19);
  SetHitTest(false);
  SetCanFocused(false);
}

TvxTreeView* TvxTreeViewItem::TreeView() const {
  for (TvxObject* o = Parent(); o; o = o->Parent())
    if (auto* tree = dynamic_cast<TvxTreeView*>(o)) return tree;
  return nullptr;
}

TvxTreeViewItem* TvxTreeViewItem::ParentItem() const { return dynamic_cast<TvxTreeViewItem*>(Parent()); }

int TvxTreeViewItem::Level() const {
  int level = 0;
  for (TvxObject* o = Parent(); o && !dynamic_cast<TvxTreeView*>(o) && !dynamic_cast<TvxContent*>(o);
       o = o->Parent())
    ++level;
  return level;
}

int TvxTreeViewItem::Count() const {
  int n = 0;
  for (TvxObject* o : Children())
    if (dynamic_cast<TvxTreeViewItem*>(o)) ++n;
  return n;
}

TvxTreeViewItem* TvxTreeViewItem::ItemByIndex(int Index) const {
  for (TvxObject* o : Children())
    if (auto* item = dynamic_cast<TvxTreeViewItem*>(o); item && Index-- == 0) return item;
  return nullptr;
}

bool TvxTreeViewItem::Contains(const TvxTreeViewItem* Item) const {
  for (const TvxObject* o = Item; o; o = o->Parent())
    if (o == this) return true;
  return false;
}

void TvxTreeViewItem::SetIsSelected(bool Value) {
  if (Value == isSelected_) return;
  isSelected_ = Value;
  if (TvxTreeView* tree = TreeView()) tree->UpdateSelection();
}

void TvxTreeViewItem::SetIsChecked(bool Value) {
  if (Value == isChecked_) return;
  isChecked_ = Value;
  if (check_) check_->SetIsChecked(Value);
}

void TvxTreeViewItem::UpdateExpander() {
  if (!button_ || Loading()) return;
  button_->SetVisible(Count() > 0);
  if (button_->Visible()) {
    button_->ApplyResource();
    button_->StartTriggerAnimation(this, "IsExpanded");
  }
}

void TvxTreeViewItem::SetIsExpanded(bool Value) {
  if (Value == isExpanded_) return;
  isExpanded_ = Value;
  UpdateExpander();
  if (TvxTreeView* tree = TreeView()) tree->Realign();
}

void TvxTreeViewItem::ButtonClick(rtl::TObject*) { SetIsExpanded(!isExpanded_); }

void TvxTreeViewItem::CheckChange(rtl::TObject*) {
  if (!check_) return;
  SetIsChecked(check_->IsChecked());
  TvxTreeView* tree = TreeView();
  if (!tree) return;
  TvxFreeWatch self(this);
  tree->SetFocus();
  if (self.Gone()) return;
  tree->SetSelected(this);
  if (!self.Gone()) tree->OnChangeCheck(this);
}

void TvxTreeViewItem::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* button = FindPart<TvxCustomButton>(this, "button")) {
    button_ = button;
    button_->OnClick = rtl::TNotifyEvent(this, &TvxTreeViewItem::ButtonClick);
    UpdateExpander();
  }
  if (auto* check = FindPart<TvxCheckBox>(this, "check")) {
    check_ = check;
    check_->SetIsChecked(isChecked_);
    check_->OnChange = rtl::TNotifyEvent(this, &TvxTreeViewItem::CheckChange);
    TvxTreeView* tree = TreeView();
    check_->SetVisible(tree && tree->ShowCheckboxes());
  }
}

void TvxTreeViewItem::FreeStyle() {
  button_ = nullptr;
  check_ = nullptr;
  inherited::FreeStyle();
}

void TvxTreeViewItem::ChildAdded(TvxObject* AObject) {
  inherited::ChildAdded(AObject);
  if (!dynamic_cast<TvxTreeViewItem*>(AObject)) return;
  UpdateExpander();
  if (TvxTreeView* tree = TreeView()) tree->ItemsChanged();
}

void TvxTreeViewItem::ChildRemoved(TvxObject* AObject) {
  inherited::ChildRemoved(AObject);
  if (!dynamic_cast<TvxTreeViewItem*>(AObject) || ComponentState().Contains(rtl::csDestroying)) return;
  UpdateExpander();
  if (TvxTreeView* tree = TreeView()) tree->ItemsChanged();
}

void TvxTreeViewItem::Realign() {
  if (TvxTreeView* tree = TreeView(); tree && tree->UpdateCount() > 0) return;
  inherited::Realign();
}

void TvxTreeViewItem::Paint() {
  inherited::Paint();
  PaintLayoutOutline(this);
}

void TvxTreeViewItem::DragEnd() {
  TvxFreeWatch self(this);
  inherited::DragEnd();
  if (self.Gone()) return;
  DragLeave();
  if (TvxTreeView* tree = TreeView(); tree && !self.Gone()) tree->SetDragOverItem(nullptr);
}

// ---- TvxTreeView ---------------------------------------------------------------------------------

rtl::TClass TvxTreeView::StaticClass() {
  using T = TvxTreeView;
  static const rtl::TClassInfo info =
      rtl::DefineClass<T>()
          .Property("CanFocused", &T::CanFocused, &T::SetCanFocused)
          .Default(true)
          .Property("DisableFocusEffect", &T::DisableFocusEffect, &T::SetDisableFocusEffect)
          .Default(false)
          .Property("TabOrder", &T::GetTabOrder, &T::SetTabOrder)
          .Property("Resource", &T::Resource, &T::SetResource)
          .Property("AllowDrag", &T::AllowDrag, &T::SetAllowDrag)
          .Default(false)
          .Property("HideSelectionUnfocused", &T::HideSelectionUnfocused, &T::SetHideSelectionUnfocused)
          .Default(true)
          .Property("ItemHeight", &T::ItemHeight, &T::SetItemHeight)
          .Default(0.0f)
          .Property("MultiSelect", &T::MultiSelect, &T::SetMultiSelect)
          .Default(false)
          .Property("ShowCheckboxes", &T::ShowCheckboxes, &T::SetShowCheckboxes)
          .Default(false)
          .Property("Sorted", &T::Sorted, &T::SetSorted)
          .Default(false)
          .Event("OnChange", &T::OnChange)
          .Event("OnChangeCheck", &T::OnChangeCheck)
          .Event("OnCompare", &T::OnCompare)
          .Event("OnDragChange", &T::OnDragChange)
          .Build();
  return &info;
}

TvxTreeView::TvxTreeView(rtl::TComponent* AOwner) : TvxScrollBox(AOwner) {
  SetCanFocused(true);
  SetAutoCapture(true);
  SetWidth(100);
  SetHeight(100);
}

TvxTreeView::~TvxTreeView() = default;

void TvxTreeView::Watch(TvxObject* Object) {
  if (Object) FreeNotification(Object);
}

void TvxTreeView::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == selected_) selected_ = nullptr;
  if (AComponent == dragOverItem_) dragOverItem_ = nullptr;
  if (AComponent == selectionTemplate_) selectionTemplate_ = nullptr;
  auto it = std::find(selectionRects_.begin(), selectionRects_.end(), AComponent);
  if (it != selectionRects_.end()) selectionRects_.erase(it);
}

// ---- setters -------------------------------------------------------------------------------------

void TvxTreeView::SetItemHeight(float Value) {
  if (Value == itemHeight_) return;
  itemHeight_ = Value;
  Realign();
}

void TvxTreeView::SetSorted(bool Value) {
  if (Value == sorted_) return;
  sorted_ = Value;
  Realign();
}

void TvxTreeView::SetHideSelectionUnfocused(bool Value) {
  if (Value == hideSelectionUnfocused_) return;
  hideSelectionUnfocused_ = Value;
  UpdateSelection();
}

void TvxTreeView::SetShowCheckboxes(bool Value) {
  if (Value == showCheckboxes_) return;
  showCheckboxes_ = Value;
  std::vector<TvxObject*> all;
  if (Content()) Content()->AddObjectsToList(all);
  for (TvxObject* o : all)
    if (auto* item = dynamic_cast<TvxTreeViewItem*>(o); item && item->CheckBox())
      item->CheckBox()->SetVisible(Value);
}

void TvxTreeView::SetAllowDrag(bool Value) {
  if (Value == allowDrag_) return;
  allowDrag_ = Value;
  if (Value) SetDragDisableHighlight(true);
}

// ---- items ---------------------------------------------------------------------------------------

int TvxTreeView::Count() const {
  int n = 0;
  if (Content())
    for (TvxObject* o : Content()->Children())
      if (dynamic_cast<TvxTreeViewItem*>(o)) ++n;
  return n;
}

TvxTreeViewItem* TvxTreeView::ItemByIndex(int Index) const {
  if (Content())
    for (TvxObject* o : Content()->Children())
      if (auto* item = dynamic_cast<TvxTreeViewItem*>(o); item && Index-- == 0) return item;
  return nullptr;
}

void TvxTreeView::Renumber() {
  int counter = 0;
  const auto number = [&counter](auto&& self, TvxTreeViewItem* Item) -> void {
    Item->globalIndex_ = counter++;
    if (!Item->IsExpanded()) return;
    for (int i = 0; i < Item->Count(); ++i) self(self, Item->ItemByIndex(i));
  };
  for (int i = 0; i < Count(); ++i) number(number, ItemByIndex(i));
  globalCount_ = counter;
}

TvxTreeViewItem* TvxTreeView::ItemByGlobalIndex(int Index) const {
  if (Index < 0 || Index >= globalCount_) return nullptr;
  const auto find = [Index](auto&& self, TvxTreeViewItem* Item) -> TvxTreeViewItem* {
    if (Item->GlobalIndex() == Index) return Item;
    if (!Item->IsExpanded()) return nullptr;
    for (int i = 0; i < Item->Count(); ++i)
      if (TvxTreeViewItem* hit = self(self, Item->ItemByIndex(i))) return hit;
    return nullptr;
  };
  for (int i = 0; i < Count(); ++i)
    if (TvxTreeViewItem* hit = find(find, ItemByIndex(i))) return hit;
  return nullptr;
}

void TvxTreeView::ContentAddObject(TvxObject* AObject) {
  if (dynamic_cast<TvxTreeViewItem*>(AObject)) ItemsChanged();
}

void TvxTreeView::ContentRemoveObject(TvxObject* AObject) {
  if (dynamic_cast<TvxTreeViewItem*>(AObject)) ItemsChanged();
}

void TvxTreeView::ItemsChanged() {
  if (ComponentState().Contains(rtl::csDestroying)) return;
  Renumber();
  if (UpdateCount() == 0) Realign();
}

void TvxTreeView::Clear() {
  BeginUpdate();
  if (Content())
    for (int i = Content()->GetChildrenCount(); i-- > 0;)
      if (auto* item = dynamic_cast<TvxTreeViewItem*>(Content()->GetChild(i))) delete item;
  for (TvxScrollBar* bar : {VScrollBar(), HScrollBar()})
    if (bar) bar->SetValue(0);
  Renumber();
  EndUpdate();
  Realign();
}

// ---- layout --------------------------------------------------------------------------------------

void TvxTreeView::LayoutItem(TvxTreeViewItem* Item, const TvxRect& R, TvxPoint& P) {
  TvxVisualObject* parent = Item->Parent() ? Item->Parent()->Visual() : nullptr;
  const TvxPoint at = parent ? parent->AbsoluteToLocal(Content()->LocalToAbsolute(P)) : P;
  const TvxBounds* pad = Item->Padding();
  const float h = itemHeight_ != 0 ? itemHeight_ : Item->Height();
  Item->SetBounds(at.X + pad->Left(), at.Y + pad->Top(),
                  RectWidth(R) - pad->Left() - pad->Right() - Indent * static_cast<float>(Item->Level()), h);
  const int children = Item->Count();
  if (Item->ExpanderButton()) Item->ExpanderButton()->SetVisible(children > 0);
  P.Y += Item->Height() + pad->Top() + pad->Bottom();
  if (children == 0) return;
  if (!Item->IsExpanded()) {
    for (int i = 0; i < children; ++i) ShowBranch(Item->ItemByIndex(i), false);
    return;
  }
  P.X += Indent;
  for (int i = 0; i < children; ++i) {
    TvxTreeViewItem* child = Item->ItemByIndex(i);
    child->SetVisible(true);
    child->SetOpacity(1);
    LayoutItem(child, R, P);
  }
  P.X -= Indent;
}

void TvxTreeView::SortItems() {
  Content()->SortChildren([this](TvxObject* A, TvxObject* B) {
    auto* a = dynamic_cast<TvxTreeViewItem*>(A);
    auto* b = dynamic_cast<TvxTreeViewItem*>(B);
    if (!a || !b) return false;
    const int c = OnCompare ? OnCompare(a, b) : CompareWideText(a->Text(), b->Text());
    return c < 0;
  });
}

TvxRect TvxTreeView::GetContentBounds() {
  TvxRect r = GetLocalRect();
  Renumber();
  if (UpdateCount() > 0 || !Viewport()) return r;
  r = Viewport()->GetLocalRect();
  if (Content()) {
    if (sorted_) SortItems();
    TvxPoint p{0, 0};
    for (int i = 0; i < Count(); ++i) LayoutItem(ItemByIndex(i), r, p);
    r.Bottom = r.Top + p.Y;
    Renumber();
  }
  if (r.Bottom == r.Top) r.Bottom = r.Top + 1;
  UpdateSelection();
  return r;
}

void TvxTreeView::HScrollChange(rtl::TObject* Sender) {
  inherited::HScrollChange(Sender);
  UpdateSelection();
}

void TvxTreeView::VScrollChange(rtl::TObject* Sender) {
  inherited::VScrollChange(Sender);
  UpdateSelection();
}

// ---- selection -----------------------------------------------------------------------------------

void TvxTreeView::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* selection = FindPart<TvxVisualObject>(this, "selection")) {
    selectionTemplate_ = selection;
    selection->SetVisible(false);
    if (TvxVisualObject* holder = selection->Parent() ? selection->Parent()->Visual() : nullptr)
      holder->SetClipChildren(true);
  }
  UpdateSelection();
}

void TvxTreeView::FreeStyle() {
  selectionTemplate_ = nullptr;
  selectionRects_.clear();
  inherited::FreeStyle();
}

void TvxTreeView::UpdateSelection() {
  if (!selectionTemplate_ || !Content()) return;
  TvxVisualObject* holder = selectionTemplate_->Parent() ? selectionTemplate_->Parent()->Visual() : nullptr;
  if (!holder) return;
  std::vector<TvxRect> rects;
  bool previous = false;
  for (int i = 0; i < globalCount_; ++i) {
    TvxTreeViewItem* item = ItemByGlobalIndex(i);
    const bool selected = item && item->IsSelected();
    if (selected) {
      const TvxPoint o = holder->AbsoluteToLocal(item->LocalToAbsolute({0, 0}));
      const TvxRect r{o.X, o.Y, o.X + item->Width(), o.Y + item->Height()};
      if (previous && !rects.empty())
        UnionRectF(TvxRect(rects.back()), r, rects.back());
      else
        rects.push_back(r);
    }
    previous = selected;
  }
  while (selectionRects_.size() < rects.size()) {
    auto* clone = static_cast<TvxVisualObject*>(selectionTemplate_->Clone(this)->Visual());
    clone->SetStored(false);
    holder->AddObject(clone);
    selectionRects_.push_back(clone);
  }
  const bool show = !(hideSelectionUnfocused_ && !IsFocused());
  for (size_t i = 0; i < selectionRects_.size(); ++i) {
    TvxVisualObject* clone = selectionRects_[i];
    const bool used = i < rects.size() && show;
    clone->SetVisible(used);
    if (used) clone->SetBounds(rects[i].Left, rects[i].Top, RectWidth(rects[i]), RectHeight(rects[i]));
  }
}

void TvxTreeView::SetSelected(TvxTreeViewItem* Item) {
  if (Item == selected_) return;
  TvxFreeWatch self(this);
  if (!multiSelect_ && selected_) selected_->SetIsSelected(false);
  selected_ = Item;
  Watch(Item);
  if (Item && Content()) {
    for (TvxTreeViewItem* up = Item->ParentItem(); up; up = up->ParentItem()) up->SetIsExpanded(true);
    if (Viewport() && VScrollBar()) {
      Realign();
      const TvxPoint o = Viewport()->AbsoluteToLocal(Item->LocalToAbsolute({0, 0}));
      const float bottom = o.Y + Item->Padding()->Top() + Item->Padding()->Bottom() + Item->Height();
      if (o.Y < 0)
        VScrollBar()->SetValue(VScrollBar()->Value() + o.Y);
      else if (bottom > Viewport()->Height())
        VScrollBar()->SetValue(VScrollBar()->Value() + bottom - Viewport()->Height());
    }
    if (self.Gone()) return;
    if (selected_) selected_->SetIsSelected(true);
  }
  if (!self.Gone()) OnChange(this);
}

void TvxTreeView::SelectRange(TvxTreeViewItem* A, TvxTreeViewItem* B) {
  if (!A || !B) return;
  const int lo = std::min(A->GlobalIndex(), B->GlobalIndex());
  const int hi = std::max(A->GlobalIndex(), B->GlobalIndex());
  for (int i = 0; i < globalCount_; ++i)
    if (TvxTreeViewItem* item = ItemByGlobalIndex(i)) item->SetIsSelected(i >= lo && i <= hi);
}

void TvxTreeView::EnterFocus() {
  TvxFreeWatch self(this);
  inherited::EnterFocus();
  if (!self.Gone() && hideSelectionUnfocused_ && selected_) UpdateSelection();
}

void TvxTreeView::KillFocus() {
  TvxFreeWatch self(this);
  inherited::KillFocus();
  if (!self.Gone() && hideSelectionUnfocused_ && selected_) UpdateSelection();
}

// ---- keyboard and mouse --------------------------------------------------------------------------

void TvxTreeView::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone() || globalCount_ == 0 || !selected_) return;
  const int index = selected_->GlobalIndex();
  switch (Key) {
    case win::VK_DOWN:
      if (index < globalCount_ - 1) SetSelected(ItemByGlobalIndex(index + 1));
      break;
    case win::VK_UP:
      if (index > 0) SetSelected(ItemByGlobalIndex(index - 1));
      break;
    case win::VK_HOME:
      SetSelected(ItemByGlobalIndex(0));
      break;
    case win::VK_END:
      SetSelected(ItemByGlobalIndex(globalCount_ - 1));
      break;
    case win::VK_ADD:
      selected_->SetIsExpanded(true);
      break;
    case win::VK_SUBTRACT:
      selected_->SetIsExpanded(false);
      break;
    default:
      return;
  }
  Key = 0;
}

TvxTreeViewItem* TvxTreeView::ItemAtAbsolute(const TvxPoint& P) {
  if (!Content()) return nullptr;
  if (Viewport() && !PointInRectF(Viewport()->AbsoluteToLocal(P), Viewport()->GetLocalRect())) return nullptr;
  const auto find = [&P](auto&& self, TvxTreeViewItem* Item) -> TvxTreeViewItem* {
    if (!Item->Visible()) return nullptr;
    if (Item->PointInObject(P.X, P.Y)) return Item;
    if (!Item->IsExpanded()) return nullptr;
    for (int i = 0; i < Item->Count(); ++i)
      if (TvxTreeViewItem* hit = self(self, Item->ItemByIndex(i))) return hit;
    return nullptr;
  };
  for (int i = 0; i < Count(); ++i)
    if (TvxTreeViewItem* hit = find(find, ItemByIndex(i))) return hit;
  return nullptr;
}

TvxTreeViewItem* TvxTreeView::ItemAtPoint(float X, float Y) { return ItemAtAbsolute(LocalToAbsolute({X, Y})); }

TvxRect TvxTreeView::GetItemRect(TvxTreeViewItem* Item) {
  if (!Item || !Content()) return {};
  const TvxPoint o = Content()->AbsoluteToLocal(Item->LocalToAbsolute({0, 0}));
  return {o.X, o.Y, o.X + Item->Width(), o.Y + Item->Height()};
}

void TvxTreeView::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  TvxTreeViewItem* item = ItemAtPoint(X, Y);
  if (!item) return;
  if (multiSelect_) {
    // Ctrl toggles the item; it becomes the current item either way, but a toggle that
    // took it out of the selection stays out.
    const bool ctrl = Shift.Contains(rtl::ssCtrl);
    const bool was = item->IsSelected();
    if (!ctrl && Shift.Contains(rtl::ssShift) && selected_)
      SelectRange(selected_, item);
    else if (!ctrl)
      SelectRange(item, item);
    TvxFreeWatch alive(item);
    SetSelected(item);
    if (ctrl && !self.Gone() && !alive.Gone()) item->SetIsSelected(!was);
  } else if (item != selected_) {
    SetSelected(item);
  } else if (allowDrag_ && Scene()) {
    Scene()->BeginVCLDrag(item);
  }
}

// ---- drag and drop -------------------------------------------------------------------------------

bool TvxTreeView::CanDrop(const TvxDragObject& Data, TvxTreeViewItem* Target) const {
  auto* source = dynamic_cast<TvxTreeViewItem*>(Data.Source);
  // Only items of a tree move, and never into themselves or below themselves.
  if (!source) return false;
  return !Target || !source->Contains(Target);
}

void TvxTreeView::SetDragOverItem(TvxTreeViewItem* Item) {
  if (Item == dragOverItem_) return;
  if (TvxTreeViewItem* old = dragOverItem_) {
    dragOverItem_ = nullptr;
    old->DragLeave();
  }
  dragOverItem_ = Item;
  Watch(Item);
}

void TvxTreeView::DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) {
  TvxFreeWatch self(this);
  inherited::DragOver(Data, Point, Accept);
  if (self.Gone()) return;
  TvxTreeViewItem* item = ItemAtAbsolute(Point);
  if (item != dragOverItem_) {
    SetDragOverItem(item);
    if (item) item->DragEnter(Data, Point);
  }
  Accept = item != nullptr && item != selected_ && CanDrop(Data, item);
}

void TvxTreeView::DragLeave() {
  inherited::DragLeave();
  SetDragOverItem(nullptr);
}

void TvxTreeView::DragDrop(const TvxDragObject& Data, const TvxPoint& Point) {
  TvxFreeWatch self(this);
  inherited::DragDrop(Data, Point);
  if (self.Gone()) return;
  SetDragOverItem(nullptr);
  TvxTreeViewItem* item = ItemAtAbsolute(Point);
  if (!CanDrop(Data, item)) return;
  auto* source = static_cast<TvxTreeViewItem*>(Data.Source);
  OnDragChange(source, item, true);
  if (self.Gone()) return;
  if (item) {
    item->SetIsExpanded(true);
    source->SetParent(item);
  } else {
    AddObject(source);
  }
  Realign();
}

}  // namespace vg
