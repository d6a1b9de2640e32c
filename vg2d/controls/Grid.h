// The grid: a scroll box whose rows exist only as a count and a height and whose columns
// stand side by side in the scroll content. The grid keeps no values: each column makes
// one cell control per row that can be seen (a text box, check box or progress bar by
// its kind), binds it to a row, fills it through the grid's GetValue and writes the
// user's edits back through SetValue. Scrolling rebinds the same cells to other rows.
//
// One row is selected (Selected) and one column (SelectedColumn); the style's part
// "selection" is copied behind the selected row and its part "focus" marks the selected
// cell, which alone can take the focus and be edited in place: typing, F2 or a click
// starts the edit, Enter ends it, Escape restores the value the cell had when the edit
// began and writes nothing. The style's "header" shows the columns' captions; dropping a
// header item on another moves its column, resizing an item resizes its column.
//
// TvxGrid hands the values to and from the application (OnGetValue, OnSetValue);
// TvxStringGrid keeps them itself as texts in its string columns, only those written.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/Header.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/TextBox.h"

namespace vg {

class TvxCustomGrid;

using TOnGetValue = rtl::TEvent<void(rtl::TObject* Sender, int Col, int Row, rtl::TPropValue& Value)>;
using TOnSetValue = rtl::TEvent<void(rtl::TObject* Sender, int Col, int Row, const rtl::TPropValue& Value)>;

// The cell controls: their own class names pick their styles.
class TvxTextCell : public TvxTextBox {
  RTL_CLASS(TvxTextCell, TvxTextBox)
public:
  using TvxTextBox::TvxTextBox;
};

class TvxCheckCell : public TvxCheckBox {
  RTL_CLASS(TvxCheckCell, TvxCheckBox)
public:
  using TvxCheckBox::TvxCheckBox;
};

class TvxProgressCell : public TvxProgressBar {
  RTL_CLASS(TvxProgressCell, TvxProgressBar)
public:
  using TvxProgressBar::TvxProgressBar;
};

class TvxPopupCell : public TvxPopupBox {
  RTL_CLASS(TvxPopupCell, TvxPopupBox)
public:
  using TvxPopupBox::TvxPopupBox;
};

class TvxImageCell : public TvxImageControl {
  RTL_CLASS(TvxImageCell, TvxImageControl)
public:
  using TvxImageControl::TvxImageControl;
};

// A column of text cells; the base of the other kinds.
class TvxColumn : public TvxControl {
  RTL_CLASS(TvxColumn, TvxControl)
public:
  explicit TvxColumn(rtl::TComponent* AOwner);

  // The caption of the column's header item.
  const std::u16string& Header() const { return header_; }
  void SetHeader(const std::u16string& Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }

  // The nearest grid above the column, nil outside one.
  TvxCustomGrid* Grid() const;
  // The place among the grid's columns, -1 outside a grid.
  int ColumnIndex() const;
  // Realises a cell per visible row (making the missing ones), binds them to the rows
  // from the grid's top row on and fills them; does nothing outside a grid.
  virtual void UpdateColumn();
  // The cells made so far (the ones past the visible rows are hidden).
  const std::vector<TvxControl*>& Cells() const { return cells_; }
  // The row the I-th cell shows now, -1 for none. A cell shown keeps its column index and row
  // in its TagString in point text form ("(2,17)"); a hidden one keeps an empty text.
  int CellRow(int I) const;
  // The cell bound to Row, nil when that row is not realised.
  TvxControl* CellOfRow(int Row) const;
  // Only the selected cell of an editable grid can take the focus and the mouse; a cell
  // that loses that right gives the focus back to the grid.
  void UpdateCellFocus();

protected:
  // A new cell control, owned by the column.
  virtual TvxControl* CreateCellControl();
  // Whether the cells' edits reach the grid (progress bars show values only).
  virtual bool WritesBack() const { return true; }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // Writes Cell's data to its row, unless the column is filling or an edit is cancelled.
  void CellChanged(rtl::TObject* Cell);

private:
  void CellCanFocused(rtl::TObject* Sender, bool& ACanFocused);
  void CellEnterFocus(rtl::TObject* Sender);
  void CellKeyDown(rtl::TObject* Sender, uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);

  std::u16string header_;
  bool readOnly_ = false;
  std::vector<TvxControl*> cells_;
  bool updating_ = false;
  bool cancelling_ = false;
  rtl::TPropValue savedValue_;
};

class TvxCheckColumn : public TvxColumn {
  RTL_CLASS(TvxCheckColumn, TvxColumn)
public:
  using TvxColumn::TvxColumn;

protected:
  TvxControl* CreateCellControl() override;
};

class TvxProgressColumn : public TvxColumn {
  RTL_CLASS(TvxProgressColumn, TvxColumn)
public:
  using TvxColumn::TvxColumn;
  float Min() const { return min_; }
  void SetMin(float Value) { min_ = Value; }
  float Max() const { return max_; }
  void SetMax(float Value) { max_ = Value; }

protected:
  TvxControl* CreateCellControl() override;
  bool WritesBack() const override { return false; }

private:
  float min_ = 0;
  float max_ = 100;
};

// Cells are popup boxes offering the column's items; they show values only.
class TvxPopupColumn : public TvxColumn {
  RTL_CLASS(TvxPopupColumn, TvxColumn)
public:
  explicit TvxPopupColumn(rtl::TComponent* AOwner);
  ~TvxPopupColumn() override;
  TvxWideStrings* Items() const { return items_.get(); }
  // Copies the texts; cells made later offer them.
  void SetItems(TvxWideStrings* Value) { items_->Assign(Value); }

protected:
  TvxControl* CreateCellControl() override;
  bool WritesBack() const override { return false; }

private:
  const std::unique_ptr<TvxWideStrings> items_;
};

// Cells show the row's value as a picture; they never ask for a file.
class TvxImageColumn : public TvxColumn {
  RTL_CLASS(TvxImageColumn, TvxColumn)
public:
  using TvxColumn::TvxColumn;

protected:
  TvxControl* CreateCellControl() override;
  bool WritesBack() const override { return false; }
};

// A text column that keeps the text of each row of its grid. Only the rows given a text take
// memory: a row count from a stream (of millions of rows) costs nothing until rows are
// written.
class TvxStringColumn : public TvxColumn {
  RTL_CLASS(TvxStringColumn, TvxColumn)
public:
  using TvxColumn::TvxColumn;
  // The text of Row; empty for a row never written.
  std::u16string CellText(int Row) const;
  // Keeps Text as Row's (an empty text keeps nothing); a negative row is ignored.
  void SetCellText(int Row, const std::u16string& Text);
  // The number of rows that hold a text.
  size_t TextCount() const { return texts_.size(); }
  // Forgets the texts of the rows the grid no longer has.
  void FitToRows();
  void UpdateColumn() override;

private:
  std::map<int, std::u16string> texts_;
};

// It takes typed text: a character starts editing the selected cell.
class TvxCustomGrid : public TvxScrollBox, public IvxTextInput {
  RTL_CLASS(TvxCustomGrid, TvxScrollBox)
public:
  explicit TvxCustomGrid(rtl::TComponent* AOwner);
  ~TvxCustomGrid() override;

  // ---- published --------------------------------------------------------------------------
  int RowCount() const { return rowCount_; }
  // Lays the grid out again; with fewer rows than Selected the last row is selected.
  void SetRowCount(int Value);
  float RowHeight() const { return rowHeight_; }
  // Never below 5.
  void SetRowHeight(float Value);
  bool AlternatingRowBackground() const { return alternatingRowBackground_; }
  void SetAlternatingRowBackground(bool Value);
  bool ShowHorzLines() const { return showHorzLines_; }
  void SetShowHorzLines(bool Value);
  bool ShowVertLines() const { return showVertLines_; }
  void SetShowVertLines(bool Value);
  bool ShowHeader() const { return showHeader_; }
  void SetShowHeader(bool Value);
  bool ShowSelectedCell() const { return showSelectedCell_; }
  void SetShowSelectedCell(bool Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }

  // ---- rows, columns and selection --------------------------------------------------------
  int Selected() const { return selected_; }
  // Clamped to the rows (-1 without rows) and scrolled into view.
  virtual void SetSelected(int Value);
  int SelectedColumn() const { return selectedColumn_; }
  // A column outside the columns is stored but neither marked nor scrolled to.
  void SetSelectedColumn(int Value);
  int ColumnCount() const;
  // Nil outside 0 .. ColumnCount - 1.
  TvxColumn* GetColumn(int Index) const;
  virtual int GetTopRow() const;
  // The rows a column realises: Trunc(viewport height / RowHeight) + 2.
  int GetVisibleRows() const;
  // For a point of the grid's coordinates; -1 without content.
  int RowAtPoint(float X, float Y) const;
  TvxColumn* ColumnAtPoint(float X, float Y);

  virtual rtl::TPropValue GetValue(int Col, int Row);
  virtual void SetValue(int Col, int Row, const rtl::TPropValue& Value);
  virtual bool CanEditAcceptKey(char16_t) { return true; }
  virtual bool CanEdit() { return !readOnly_; }
  virtual void FocusGrid() { SetFocus(); }
  virtual void UpdateColumns();
  void UpdateSelection();
  void UpdateHeader();

  // ---- parts --------------------------------------------------------------------------------
  TvxHeader* HeaderPart() const { return header_; }
  TvxVisualObject* FocusMarker() const { return focus_; }
  const std::vector<TvxVisualObject*>& Highlights() const { return highlights_; }
  TvxBrush* AlternatingBrush() const { return alternatingBrush_.get(); }
  TvxBrush* LineBrush() const { return lineBrush_.get(); }

  std::string GetItemClassName() override {
    return "TvxColumn;TvxCheckColumn;TvxProgressColumn;TvxPopupColumn;TvxImageColumn";
  }
  // Columns go into the scroll content.
  void AddObject(TvxObject* AObject) override;
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;

protected:
  TvxRect GetContentBounds() override;
  void HScrollChange(rtl::TObject* Sender) override;
  void VScrollChange(rtl::TObject* Sender) override;
  void ApplyStyle() override;
  void FreeStyle() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void PaintRows(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect);
  void PaintLines(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect);
  void HeaderRealignItem(rtl::TObject* Sender, int OldIndex, int NewIndex);
  void HeaderResizeItem(rtl::TObject* Sender, float& NewSize);
  // The point (X, Y) of the scroll content in Target's coordinates.
  TvxPoint FromContent(TvxVisualObject* Target, float X, float Y) const;
  void SelectAt(float X, float Y);
  // The selected column's cell of the selected row, nil when not realised.
  TvxControl* SelectedCell() const;

  std::unique_ptr<TvxBrush> alternatingBrush_;
  std::unique_ptr<TvxBrush> lineBrush_;
  TvxHeader* header_ = nullptr;
  TvxVisualObject* template_ = nullptr;
  TvxVisualObject* focus_ = nullptr;
  std::vector<TvxVisualObject*> highlights_;

  int rowCount_ = 100;
  float rowHeight_ = 21;
  int selected_ = 0;
  int selectedColumn_ = 0;
  bool alternatingRowBackground_ = false;
  bool showHorzLines_ = true;
  bool showVertLines_ = true;
  bool showHeader_ = true;
  bool showSelectedCell_ = true;
  bool readOnly_ = false;
};

// The application gives and takes the values.
class TvxGrid : public TvxCustomGrid {
  RTL_CLASS(TvxGrid, TvxCustomGrid)
public:
  using TvxCustomGrid::TvxCustomGrid;
  TOnGetValue OnGetValue;
  TOnSetValue OnSetValue;
  rtl::TPropValue GetValue(int Col, int Row) override;
  void SetValue(int Col, int Row, const rtl::TPropValue& Value) override;
};

// The values are the string columns' own texts.
class TvxStringGrid : public TvxCustomGrid {
  RTL_CLASS(TvxStringGrid, TvxCustomGrid)
public:
  explicit TvxStringGrid(rtl::TComponent* AOwner);
  std::string GetItemClassName() override { return "TvxStringColumn"; }
  rtl::TPropValue GetValue(int Col, int Row) override;
  void SetValue(int Col, int Row, const rtl::TPropValue& Value) override;
};

}  // namespace vg
