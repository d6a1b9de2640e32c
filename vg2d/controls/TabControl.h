// The tab control: a row of tab headers (TvxTabItem children) and, below them, the page
// (Layout) of the selected tab. The visible items are numbered in child order; ItemIndex
// names the selected one by that number. Every item's Layout is a sibling of the items
// inside the control, shown only while its item is selected. The header row is as high as
// the tallest visible item (or ItemHeight); with FullSize the headers share the width.
// The selected header is painted last, over its neighbours. The control takes the keyboard
// focus, from a press on a header as from one on the control.
#pragma once

#include "vg2d/controls/TextControls.h"

namespace vg {

class TvxTabControl;

class TvxTabItem : public TvxTextControl {
  RTL_CLASS(TvxTabItem, TvxTextControl)
public:
  explicit TvxTabItem(rtl::TComponent* AOwner);
  ~TvxTabItem() override;

  // The place among the visible items of the tab control, given by its layout.
  int Index() const { return index_; }
  bool IsSelected() const { return isSelected_; }
  // The page of this tab; forgotten when it is freed.
  TvxVisualObject* Layout() const { return layout_; }
  void SetLayout(TvxVisualObject* Value);
  // The tab control this item is a child of.
  TvxTabControl* TabControl() const;

  // Hiding the selected item selects the one that takes its place (or the new last one);
  // showing or hiding another keeps the selected item selected after the renumbering.
  void SetVisible(bool Value) override;
  // The inherited layout, then the page takes the control's area below the header row.
  void Realign() override;
  // A press on a header takes the keyboard focus to its tab control (the header itself
  // takes none), so keys no longer go to the control that had it.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // A left release selects this tab.
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void DesignSelect() override;
  // An item the designer inserts without a page gets a new layout as its page.
  void DesignInsert() override;

protected:
  void ApplyStyle() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  friend class TvxTabControl;
  void SetIsSelected(bool Value);

  int index_ = 0;
  bool isSelected_ = false;
  TvxVisualObject* layout_ = nullptr;
  bool realigning_ = false;
};

class TvxHudTabItem : public TvxTabItem {
  RTL_CLASS(TvxHudTabItem, TvxTabItem)
public:
  using TvxTabItem::TvxTabItem;
};

class TvxTabControl : public TvxControl {
  RTL_CLASS(TvxTabControl, TvxControl)
public:
  explicit TvxTabControl(rtl::TComponent* AOwner);

  int ItemIndex() const { return itemIndex_; }
  // A different index deselects the old item, lays the control out (showing the new page),
  // selects the new item (none when no visible item has the index) and fires OnChange.
  void SetItemIndex(int Value);
  float ItemHeight() const { return itemHeight_; }
  void SetItemHeight(float Value);
  bool FullSize() const { return fullSize_; }
  void SetFullSize(bool Value);

  // The visible tab items in child order (their Index is their place here).
  std::vector<TvxTabItem*> VisibleItems() const;
  // The visible item with Index, nil when there is none.
  TvxTabItem* ItemAt(int Index) const;
  // The height of the header row.
  float HeaderHeight() const;

  std::string GetItemClassName() override { return "TvxTabItem"; }
  void AddObject(TvxObject* AObject) override;
  // Places the style below the headers, the headers in a row and shows the selected page.
  void Realign() override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // The children, then the selected header once more on top.
  void PaintChildren() override;

  rtl::TNotifyEvent OnChange;

protected:
  void ApplyStyle() override;
  void FreeStyle() override;

private:
  friend class TvxTabItem;
  // Sets the stored index without the setter's work.
  void ForgetIndex() { itemIndex_ = -1; }

  int itemIndex_ = -1;
  float itemHeight_ = 0;
  bool fullSize_ = false;
  TvxVisualObject* background_ = nullptr;
  bool realigning_ = false;
};

class TvxHudTabControl : public TvxTabControl {
  RTL_CLASS(TvxHudTabControl, TvxTabControl)
public:
  using TvxTabControl::TvxTabControl;
  std::string GetItemClassName() override { return "TvxHudTabItem"; }
};

}  // namespace vg
