// The list box: a scroll box whose content holds list items, laid out in rows (or, in a
// horizontal list, in columns), optionally several to a row when the items have a fixed
// width. ItemIndex names the current item; a multi-selection list selects more with Ctrl
// (toggle) and Shift (range). The selected items are shown by copies of the style's part
// "selection" behind them, one per run of adjacent selected items. Keys move the current
// item (Home, End, the arrows, a typed first letter) and the list scrolls it into view.
#pragma once

#include <memory>
#include <vector>

#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/TextControls.h"

namespace vg {

class TvxCheckBox;
class TvxListBox;

RTL_ENUM(TvxListStyle, vgListVertical, vgListHorizontal);

class TvxListBoxItem : public TvxTextControl {
  RTL_CLASS(TvxListBoxItem, TvxTextControl)
public:
  explicit TvxListBoxItem(rtl::TComponent* AOwner);

  // The nearest list box above the item.
  TvxListBox* ListBox() const;
  bool IsChecked() const { return isChecked_; }
  // Stored and shown in the item's check box.
  void SetIsChecked(bool Value);
  bool IsSelected() const { return isSelected_; }
  // Selecting an item of a single-selection list makes it the current one.
  void SetIsSelected(bool Value);
  // The style's part "check", nil without one.
  TvxCheckBox* CheckBox() const { return checkBox_; }

  // A child of the item that takes the focus makes it the current item.
  void ChildFocused(TvxVisualObject* AObject) override;
  // Design time: an item of a combo box's list, selected or just inserted, runs the combo's
  // DesignClick, which shows the list under the combo or hides it again.
  void DesignSelect() override;
  void DesignInsert() override;
  void Paint() override;

protected:
  void ApplyStyle() override;
  void FreeStyle() override;

private:
  friend class TvxListBox;
  void CheckChanged(rtl::TObject* Sender);

  bool isChecked_ = false;
  bool isSelected_ = false;
  TvxCheckBox* checkBox_ = nullptr;
};

using TOnCompareListBoxItemEvent =
    rtl::TEvent<int(TvxListBoxItem* Item1, TvxListBoxItem* Item2)>;

// It takes typed text: a letter selects the next item it begins.
class TvxListBox : public TvxScrollBox, public IvxTextInput {
  RTL_CLASS(TvxListBox, TvxScrollBox)
public:
  explicit TvxListBox(rtl::TComponent* AOwner);
  ~TvxListBox() override;

  // ---- items ------------------------------------------------------------------------------
  int Count() const;
  // Nil outside 0 .. Count - 1.
  TvxListBoxItem* ItemByIndex(int Index) const;
  TvxListBoxItem* Selected() const { return ItemByIndex(itemIndex_); }
  // The first item under a point of the box's coordinates.
  TvxListBoxItem* ItemByPoint(float X, float Y);
  // Frees every item (one update); ItemIndex stays as it is.
  virtual void Clear();

  // ---- published --------------------------------------------------------------------------
  int ItemIndex() const { return itemIndex_; }
  // A new index: the old item is deselected (single selection), the new one scrolled into
  // view and selected, the bound controls and OnChange (with the new item) hear of it.
  virtual void SetItemIndex(int Value);
  int Columns() const { return columns_; }
  void SetColumns(int Value);
  float ItemWidth() const { return itemWidth_; }
  void SetItemWidth(float Value);
  float ItemHeight() const { return itemHeight_; }
  void SetItemHeight(float Value);
  TvxListStyle ListStyle() const { return listStyle_; }
  void SetListStyle(TvxListStyle Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  bool MultiSelect() const { return multiSelect_; }
  // Turning it off deselects every item.
  void SetMultiSelect(bool Value);
  bool ShowCheckboxes() const { return showCheckboxes_; }
  void SetShowCheckboxes(bool Value);
  bool AlternatingRowBackground() const { return alternatingRowBackground_; }
  void SetAlternatingRowBackground(bool Value);
  bool HideSelectionUnfocused() const { return hideSelectionUnfocused_; }
  void SetHideSelectionUnfocused(bool Value);
  TvxBrush* AlternatingBrush() const { return alternatingBrush_.get(); }

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnChangeCheck;
  TOnCompareListBoxItemEvent OnCompare;

  // ---- the rest ---------------------------------------------------------------------------
  // The selection copies shown now (some may be hidden).
  const std::vector<TvxVisualObject*>& Highlights() const { return highlights_; }
  void UpdateSelection();
  // Selects the items between A and B (indexes, either order) and deselects the others.
  void SelectRange(int A, int B);

  std::string GetItemClassName() override { return "TvxListBoxItem"; }
  // Plain controls in the items of a Hud list (one whose style name begins with "Hud")
  // take the Hud twin of their style ("labelstyle" gives "hudlabelstyle"), so they read on
  // the Hud face; in any other list they keep their own.
  std::string ContentStyleName(TvxControl* Inner, const std::string& Name) override;
  void AddObject(TvxObject* AObject) override;
  // The selected item's text; empty without one.
  rtl::TPropValue GetData() override;
  // Into the selected item's text; nothing without one.
  void SetData(const rtl::TPropValue& Value) override;
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void EnterFocus() override;
  void KillFocus() override;

protected:
  friend class TvxListBoxItem;
  void ContentAddObject(TvxObject* AObject) override;
  void ContentRemoveObject(TvxObject* AObject) override;
  void HScrollChange(rtl::TObject* Sender) override;
  void VScrollChange(rtl::TObject* Sender) override;
  // Lays the items out; the result is the content's extent.
  TvxRect GetContentBounds() override;
  void ApplyStyle() override;
  void FreeStyle() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void LayOutVertical(TvxRect& R, const std::vector<TvxVisualObject*>& Items);
  void LayOutHorizontal(TvxRect& R, const std::vector<TvxVisualObject*>& Items);
  void PaintRows(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect);
  bool Updating() const { return UpdateCount() > 0; }

  std::unique_ptr<TvxBrush> alternatingBrush_;
  TvxVisualObject* template_ = nullptr;
  std::vector<TvxVisualObject*> highlights_;
  TvxListBoxItem* anchor_ = nullptr;
  bool mouseDown_ = false;

  int itemIndex_ = 0;
  int columns_ = 1;
  float itemWidth_ = 0;
  float itemHeight_ = 0;
  TvxListStyle listStyle_ = vgListVertical;
  bool sorted_ = false;
  bool multiSelect_ = false;
  bool showCheckboxes_ = false;
  bool alternatingRowBackground_ = false;
  bool hideSelectionUnfocused_ = true;
};

class TvxHorzListBox : public TvxListBox {
  RTL_CLASS(TvxHorzListBox, TvxListBox)
public:
  explicit TvxHorzListBox(rtl::TComponent* AOwner);
};

class TvxHudListBox : public TvxListBox {
  RTL_CLASS(TvxHudListBox, TvxListBox)
public:
  using TvxListBox::TvxListBox;
};

class TvxHudHorzListBox : public TvxHorzListBox {
  RTL_CLASS(TvxHudHorzListBox, TvxHorzListBox)
public:
  using TvxHorzListBox::TvxHorzListBox;
};

}  // namespace vg
