// The grid's columns: the cell controls of each kind of column, and a column's cells, bound
// to the rows that can be seen, filled from the grid and writing edits back to it.
#include "vg2d/controls/Grid.h"

#include <algorithm>
#include <climits>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/RaisedFlag.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/TextForms.h"

namespace vg {

namespace {

// A cell's coordinates as its TagString keeps them, in point text form: "(column,row)". Whole
// numbers are written whole at any size.
std::u16string CellPlace(int Col, int Row) {
  return rtl::Utf8ToWide("(" + FloatToStringDot(Col) + "," + FloatToStringDot(Row) + ")");
}

// The row of a cell's coordinates (truncated), -1 for a cell that shows no row.
int RowOf(const TvxObject* Cell) {
  if (!Cell || Cell->TagString().empty()) return -1;
  std::string s = rtl::WideToUtf8(Cell->TagString());
  GetToken(s, ",()");  // what stands before "("
  GetToken(s, ",()");  // the column
  double row = 0;
  if (!rtl::TryStrToFloat(GetToken(s, ",()"), row) || !(row >= 0) || row > INT_MAX) return -1;
  return static_cast<int>(row);
}

}  // namespace

// ---- cells -------------------------------------------------------------------------------------

rtl::TClass TvxTextCell::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxTextCell>().Build();
  return &info;
}

rtl::TClass TvxCheckCell::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCheckCell>().Build();
  return &info;
}

rtl::TClass TvxProgressCell::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxProgressCell>().Build();
  return &info;
}

rtl::TClass TvxPopupCell::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPopupCell>().Build();
  return &info;
}

rtl::TClass TvxImageCell::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxImageCell>().Build();
  return &info;
}

// ---- TvxColumn ---------------------------------------------------------------------------------

rtl::TClass TvxColumn::StaticClass() {
  using C = TvxColumn;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("Header", &C::Header, &C::SetHeader)
                                          .Property("ReadOnly", &C::ReadOnly, &C::SetReadOnly)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxColumn::TvxColumn(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetWidth(100);
  SetHitTest(false);
  SetCanFocused(false);
}

TvxCustomGrid* TvxColumn::Grid() const {
  for (TvxObject* p = Parent(); p; p = p->Parent())
    if (auto* g = dynamic_cast<TvxCustomGrid*>(p)) return g;
  return nullptr;
}

int TvxColumn::ColumnIndex() const {
  TvxCustomGrid* grid = Grid();
  if (!grid) return -1;
  for (int i = 0; i < grid->ColumnCount(); ++i)
    if (grid->GetColumn(i) == this) return i;
  return -1;
}

void TvxColumn::SetHeader(const std::u16string& Value) {
  if (Value == header_) return;
  header_ = Value;
  TvxCustomGrid* grid = Grid();
  TvxHeader* header = grid ? grid->HeaderPart() : nullptr;
  if (!header) return;
  auto* item = dynamic_cast<TvxHeaderItem*>(header->GetItem(ColumnIndex()));
  if (item && item != header->Filler()) item->SetText(header_);
}

TvxControl* TvxColumn::CreateCellControl() {
  auto* cell = new TvxTextCell(this);
  cell->OnChange = rtl::TNotifyEvent(this, &TvxColumn::CellChanged);
  return cell;
}

int TvxColumn::CellRow(int I) const { return I >= 0 && I < static_cast<int>(cells_.size()) ? RowOf(cells_[I]) : -1; }

TvxControl* TvxColumn::CellOfRow(int Row) const {
  if (Row < 0) return nullptr;
  for (TvxControl* cell : cells_)
    if (cell && RowOf(cell) == Row) return cell;
  return nullptr;
}

void TvxColumn::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  for (TvxControl*& cell : cells_)
    if (cell == AComponent) cell = nullptr;
}

void TvxColumn::UpdateColumn() {
  TvxCustomGrid* grid = Grid();
  if (!grid) return;
  // A cell being edited that is to show another row ends its edit first: the focus goes back
  // to the grid, and the edit to the row the cell keeps (its handlers may free the grid).
  for (size_t i = 0; i < cells_.size(); ++i)
    if (cells_[i] && cells_[i]->IsFocused() &&
        RowOf(cells_[i]) != int64_t{grid->GetTopRow()} + static_cast<int64_t>(i)) {
      TvxFreeWatch alive(this);
      grid->FocusGrid();
      if (alive.Gone() || !(grid = Grid())) return;
      break;
    }
  // The values come from the grid's handler, which may free the grid with this column.
  TvxRaisedFlag self(this, updating_);
  const int n = std::min(grid->RowCount(), grid->GetVisibleRows());
  while (static_cast<int>(cells_.size()) < n) {
    TvxControl* cell = CreateCellControl();
    cell->SetHitTest(false);
    cell->SetVisible(false);
    cell->SetLocked(true);
    cell->SetStored(false);
    cell->OnCanFocused = TvxCanFocusedEvent(this, &TvxColumn::CellCanFocused);
    cell->OnEnterFocus = rtl::TNotifyEvent(this, &TvxColumn::CellEnterFocus);
    cell->OnKeyDown = TvxKeyEvent(this, &TvxColumn::CellKeyDown);
    AddObject(cell);
    cells_.push_back(cell);
  }
  for (size_t i = 0; i < cells_.size(); ++i) {
    TvxControl* cell = cells_[i];
    const int64_t row = int64_t{grid->GetTopRow()} + static_cast<int64_t>(i);
    if (!cell) continue;
    if (static_cast<int>(i) >= n || row >= grid->RowCount()) {
      cell->SetVisible(false);
      cell->SetTagString(u"");
      continue;
    }
    const rtl::TPropValue value = grid->GetValue(ColumnIndex(), static_cast<int>(row));
    if (self.Gone()) return;
    cell->SetVisible(true);
    cell->SetBounds(0, static_cast<float>(i) * grid->RowHeight(), Width(), grid->RowHeight());
    cell->SetTagString(CellPlace(ColumnIndex(), static_cast<int>(row)));
    cell->SetData(value);
  }
  UpdateCellFocus();
}

void TvxColumn::UpdateCellFocus() {
  TvxCustomGrid* grid = Grid();
  if (!grid || grid->ReadOnly() || readOnly_) return;
  const bool selectedColumn = grid->SelectedColumn() == ColumnIndex();
  for (TvxControl* cell : cells_) {
    if (!cell) continue;
    const int row = RowOf(cell);
    const bool editable = selectedColumn && row >= 0 && row == grid->Selected();
    cell->SetCanFocused(editable);
    cell->SetHitTest(editable);
    if (!editable && cell->IsFocused()) grid->FocusGrid();
  }
}

void TvxColumn::CellCanFocused(rtl::TObject*, bool& ACanFocused) {
  TvxCustomGrid* grid = Grid();
  ACanFocused = grid && grid->CanEdit() && !readOnly_;
}

void TvxColumn::CellEnterFocus(rtl::TObject* Sender) {
  TvxCustomGrid* grid = Grid();
  if (!grid) return;
  grid->SetSelectedColumn(ColumnIndex());
  if (auto* cell = dynamic_cast<TvxObject*>(Sender)) savedValue_ = cell->GetData();
}

void TvxColumn::CellChanged(rtl::TObject* Sender) {
  if (updating_ || cancelling_ || !WritesBack()) return;
  TvxCustomGrid* grid = Grid();
  auto* cell = dynamic_cast<TvxControl*>(Sender);
  if (!grid || !cell || std::find(cells_.begin(), cells_.end(), cell) == cells_.end()) return;
  // The row the cell was bound to, read back from it; the column is the one it lies in now.
  if (const int row = RowOf(cell); row >= 0) grid->SetValue(ColumnIndex(), row, cell->GetData());
}

void TvxColumn::CellKeyDown(rtl::TObject* Sender, uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxCustomGrid* grid = Grid();
  auto* cell = dynamic_cast<TvxControl*>(Sender);
  if (!grid || !cell) return;
  if (KeyChar != 0 && !grid->CanEditAcceptKey(KeyChar)) KeyChar = 0;
  switch (Key) {
    case win::VK_RETURN:
      grid->FocusGrid();
      Key = 0;
      break;
    case win::VK_ESCAPE: {
      // Restoring the cell and moving the focus run handlers that may free the grid with
      // this column: the flag is put back only on a column that is still there.
      Key = 0;
      TvxRaisedFlag self(this, cancelling_);
      cell->SetData(savedValue_);
      if (!self.Gone()) grid->FocusGrid();
      return;
    }
    case win::VK_UP:
    case win::VK_DOWN: {
      uint16_t k = Key;
      char16_t c = KeyChar;
      Key = 0;
      TvxFreeWatch alive(grid);
      grid->FocusGrid();
      if (!alive.Gone()) grid->KeyDown(k, c, Shift);
      return;
    }
    default: break;
  }
}

// ---- column kinds --------------------------------------------------------------------------------

rtl::TClass TvxCheckColumn::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCheckColumn>().Build();
  return &info;
}

TvxControl* TvxCheckColumn::CreateCellControl() {
  auto* cell = new TvxCheckCell(this);
  cell->OnChange = rtl::TNotifyEvent(this, &TvxCheckColumn::CellChanged);
  return cell;
}

rtl::TClass TvxProgressColumn::StaticClass() {
  using C = TvxProgressColumn;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("Min", &C::Min, &C::SetMin)
                                          .Default(0.0f)
                                          .Property("Max", &C::Max, &C::SetMax)
                                          .Default(100.0f)
                                          .Build();
  return &info;
}

TvxControl* TvxProgressColumn::CreateCellControl() {
  auto* cell = new TvxProgressCell(this);
  cell->SetMin(min_);
  cell->SetMax(max_);
  return cell;
}

rtl::TClass TvxPopupColumn::StaticClass() {
  using C = TvxPopupColumn;
  static const rtl::TClassInfo info = rtl::DefineClass<C>().Property("Items", &C::Items, &C::SetItems).Build();
  return &info;
}

TvxPopupColumn::TvxPopupColumn(rtl::TComponent* AOwner)
    : TvxColumn(AOwner), items_(std::make_unique<TvxWideStringList>()) {}

TvxPopupColumn::~TvxPopupColumn() = default;

TvxControl* TvxPopupColumn::CreateCellControl() {
  auto* cell = new TvxPopupCell(this);
  cell->SetItems(items_.get());
  return cell;
}

rtl::TClass TvxImageColumn::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxImageColumn>().Build();
  return &info;
}

TvxControl* TvxImageColumn::CreateCellControl() {
  auto* cell = new TvxImageCell(this);
  cell->SetEnableOpenDialog(false);
  return cell;
}

rtl::TClass TvxStringColumn::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxStringColumn>().Build();
  return &info;
}

std::u16string TvxStringColumn::CellText(int Row) const {
  const auto at = texts_.find(Row);
  return at == texts_.end() ? std::u16string() : at->second;
}

void TvxStringColumn::SetCellText(int Row, const std::u16string& Text) {
  if (Row < 0) return;
  if (Text.empty())
    texts_.erase(Row);
  else
    texts_[Row] = Text;
}

void TvxStringColumn::FitToRows() {
  if (TvxCustomGrid* grid = Grid()) texts_.erase(texts_.lower_bound(std::max(0, grid->RowCount())), texts_.end());
}

void TvxStringColumn::UpdateColumn() {
  FitToRows();
  inherited::UpdateColumn();
}

}  // namespace vg
