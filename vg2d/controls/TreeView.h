// The tree view: a scroll box showing a hierarchy of items. Top-level items are children
// of the scroll content, nested items children of their parent item. The shown items
// (those whose ancestors are all expanded) are laid out one under another, 19 units of
// indentation per level, and numbered depth first (their global index); collapsed
// branches are hidden. The selection is drawn by copies of the style part "selection",
// one per run of adjacent selected items. Items can be checked, navigated by keyboard,
// sorted at the top level, and moved by drag and drop: a drop makes the dragged item a
// child of the item under the point (top level over empty space), never of itself or of
// one of its own descendants, and only tree items are taken.
#pragma once

#include <vector>

#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/TextControls.h"

namespace vg {

class TvxCheckBox;
class TvxCustomButton;
class TvxTreeView;

class TvxTreeViewItem : public TvxTextControl {
  RTL_CLASS(TvxTreeViewItem, TvxTextControl)
public:
  explicit TvxTreeViewItem(rtl::TComponent* AOwner);

  bool IsExpanded() const { return isExpanded_; }
  void SetIsExpanded(bool Value);
  bool IsChecked() const { return isChecked_; }
  void SetIsChecked(bool Value);
  bool IsSelected() const { return isSelected_; }
  void SetIsSelected(bool Value);
  // The place among the shown items, depth first (set by the tree).
  int GlobalIndex() const { return globalIndex_; }

  // The tree above the item, nil outside one.
  TvxTreeView* TreeView() const;
  // The item above this one, nil for a top-level item.
  TvxTreeViewItem* ParentItem() const;
  // Items between this one and the tree (0 for a top-level item).
  int Level() const;
  int Count() const;
  TvxTreeViewItem* ItemByIndex(int Index) const;
  // Whether Item is this item or lies below it.
  bool Contains(const TvxTreeViewItem* Item) const;
  TvxCustomButton* ExpanderButton() const { return button_; }
  TvxCheckBox* CheckBox() const { return check_; }

  void Realign() override;
  void Paint() override;
  void DragEnd() override;
  std::string GetItemClassName() override { return "TvxTreeViewItem"; }

protected:
  friend class TvxTreeView;
  void ApplyStyle() override;
  void FreeStyle() override;
  void ChildAdded(TvxObject* AObject) override;
  void ChildRemoved(TvxObject* AObject) override;

private:
  void ButtonClick(rtl::TObject* Sender);
  void CheckChange(rtl::TObject* Sender);
  // Shows the expander only with child items and runs its "IsExpanded" triggers.
  void UpdateExpander();

  bool isExpanded_ = false;
  bool isChecked_ = false;
  bool isSelected_ = false;
  int globalIndex_ = -1;
  TvxCustomButton* button_ = nullptr;
  TvxCheckBox* check_ = nullptr;
};

using TOnCompareTreeViewItemEvent = rtl::TEvent<int(TvxTreeViewItem* Item1, TvxTreeViewItem* Item2)>;
using TOnTreeViewDragChange = rtl::TEvent<void(TvxTreeViewItem* SourceItem, TvxTreeViewItem* DestItem, bool Allow)>;

class TvxTreeView : public TvxScrollBox {
  RTL_CLASS(TvxTreeView, TvxScrollBox)
public:
  explicit TvxTreeView(rtl::TComponent* AOwner);
  ~TvxTreeView() override;

  // ---- published --------------------------------------------------------------------------
  float ItemHeight() const { return itemHeight_; }
  void SetItemHeight(float Value);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool Value) { multiSelect_ = Value; }
  bool HideSelectionUnfocused() const { return hideSelectionUnfocused_; }
  void SetHideSelectionUnfocused(bool Value);
  bool ShowCheckboxes() const { return showCheckboxes_; }
  void SetShowCheckboxes(bool Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  bool AllowDrag() const { return allowDrag_; }
  void SetAllowDrag(bool Value);

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnChangeCheck;
  TOnCompareTreeViewItemEvent OnCompare;
  TOnTreeViewDragChange OnDragChange;

  // ---- items ------------------------------------------------------------------------------
  TvxTreeViewItem* Selected() const { return selected_; }
  // Makes Item the current item: expands its ancestors, scrolls it into view, selects it
  // and fires OnChange (also for nil).
  virtual void SetSelected(TvxTreeViewItem* Item);
  // The number of shown items.
  int GlobalCount() const { return globalCount_; }
  // Top-level items.
  int Count() const;
  TvxTreeViewItem* ItemByIndex(int Index) const;
  TvxTreeViewItem* ItemByGlobalIndex(int Index) const;
  // The shown item under a point of the tree's own coordinates.
  TvxTreeViewItem* ItemAtPoint(float X, float Y);
  // Item's rectangle in the scroll content's coordinates; empty for nil.
  TvxRect GetItemRect(TvxTreeViewItem* Item);
  // Frees every item and scrolls back to the start.
  void Clear();
  // Selects the shown items from A to B and deselects the others.
  void SelectRange(TvxTreeViewItem* A, TvxTreeViewItem* B);
  // Lays the selection rectangles over the runs of selected items.
  void UpdateSelection();
  // Numbers the shown items depth first.
  void Renumber();
  TvxTreeViewItem* DragOverItem() const { return dragOverItem_; }
  // The selection rectangles in use (shown or hidden).
  const std::vector<TvxVisualObject*>& SelectionRects() const { return selectionRects_; }

  // ---- input ------------------------------------------------------------------------------
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) override;
  void DragDrop(const TvxDragObject& Data, const TvxPoint& Point) override;
  void DragLeave() override;
  void EnterFocus() override;
  void KillFocus() override;
  std::string GetItemClassName() override { return "TvxTreeViewItem"; }

protected:
  friend class TvxTreeViewItem;
  TvxRect GetContentBounds() override;
  void HScrollChange(rtl::TObject* Sender) override;
  void VScrollChange(rtl::TObject* Sender) override;
  void ContentAddObject(TvxObject* AObject) override;
  void ContentRemoveObject(TvxObject* AObject) override;
  void ApplyStyle() override;
  void FreeStyle() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // An item was added below another or removed: renumber and lay out again.
  void ItemsChanged();

private:
  void LayoutItem(TvxTreeViewItem* Item, const TvxRect& R, TvxPoint& P);
  void SortItems();
  // The item under an absolute point, or nil.
  TvxTreeViewItem* ItemAtAbsolute(const TvxPoint& P);
  // Whether Data may be dropped onto Target (nil: the top level).
  bool CanDrop(const TvxDragObject& Data, TvxTreeViewItem* Target) const;
  void SetDragOverItem(TvxTreeViewItem* Item);
  void Watch(TvxObject* Object);

  float itemHeight_ = 0;
  bool multiSelect_ = false;
  bool hideSelectionUnfocused_ = true;
  bool showCheckboxes_ = false;
  bool sorted_ = false;
  bool allowDrag_ = false;
  TvxTreeViewItem* selected_ = nullptr;
  TvxTreeViewItem* dragOverItem_ = nullptr;
  int globalCount_ = 0;
  TvxVisualObject* selectionTemplate_ = nullptr;
  std::vector<TvxVisualObject*> selectionRects_;
};

}  // namespace vg
