// The grid: its rows, selection, header, painting, keys and mouse, and the two published grids
// (the columns and their cells are in GridColumns.cpp).
#include "vg2d/controls/Grid.h"

#include <algorithm>
#include <climits>

#include "platform/win/WinTypes.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Geometry.h"

namespace vg {

// ---- TvxCustomGrid -------------------------------------------------------------------------------

rtl::TClass TvxCustomGrid::StaticClass() {
  using G = TvxCustomGrid;
  static const rtl::TClassInfo info =
      rtl::DefineClass<G>()
          .Property("AlternatingRowBackground", &G::AlternatingRowBackground, &G::SetAlternatingRowBackground)
          .Default(false)
          .Property("CanFocused", &G::CanFocused, &G::SetCanFocused)
          .Default(true)
          .Property("DisableFocusEffect", &G::DisableFocusEffect, &G::SetDisableFocusEffect)
          .Default(false)
          .Property("ReadOnly", &G::ReadOnly, &G::SetReadOnly)
          .Default(false)
          .Property("RowHeight", &G::RowHeight, &G::SetRowHeight)
          .Default(21.0f)
          .Property("ShowHorzLines", &G::ShowHorzLines, &G::SetShowHorzLines)
          .Default(true)
          .Property("ShowVertLines", &G::ShowVertLines, &G::SetShowVertLines)
          .Default(true)
          .Property("ShowHeader", &G::ShowHeader, &G::SetShowHeader)
          .Default(true)
          .Property("ShowSelectedCell", &G::ShowSelectedCell, &G::SetShowSelectedCell)
          .Default(true)
          .Build();
  return &info;
}

TvxCustomGrid::TvxCustomGrid(rtl::TComponent* AOwner)
    : TvxScrollBox(AOwner),
      alternatingBrush_(std::make_unique<TvxBrush>(vgBrushSolid, 0x20000000u)),
      lineBrush_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF202020u)) {
  SetCanFocused(true);
  SetAutoCapture(true);
  SetWidth(100);
  SetHeight(100);
}

TvxCustomGrid::~TvxCustomGrid() = default;

void TvxCustomGrid::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  highlights_.erase(std::remove(highlights_.begin(), highlights_.end(), AComponent), highlights_.end());
}

void TvxCustomGrid::SetRowCount(int Value) {
  if (Value == rowCount_) return;
  rowCount_ = std::max(0, Value);
  Realign();
  if (rowCount_ >= 1 && rowCount_ <= selected_) SetSelected(rowCount_ - 1);
}

void TvxCustomGrid::SetRowHeight(float Value) {
  Value = std::max(Value, 5.0f);
  if (Value == rowHeight_) return;
  rowHeight_ = Value;
  Realign();
}

void TvxCustomGrid::SetAlternatingRowBackground(bool Value) {
  alternatingRowBackground_ = Value;
  Repaint();
}

void TvxCustomGrid::SetShowHorzLines(bool Value) {
  showHorzLines_ = Value;
  Repaint();
}

void TvxCustomGrid::SetShowVertLines(bool Value) {
  showVertLines_ = Value;
  Repaint();
}

void TvxCustomGrid::SetShowHeader(bool Value) {
  showHeader_ = Value;
  if (header_) header_->SetVisible(Value);
}

void TvxCustomGrid::SetShowSelectedCell(bool Value) {
  showSelectedCell_ = Value;
  if (focus_ && !Value) focus_->SetVisible(false);
  UpdateSelection();
}

int TvxCustomGrid::ColumnCount() const {
  if (!Content()) return 0;
  int n = 0;
  for (TvxObject* o : Content()->Children())
    if (dynamic_cast<TvxColumn*>(o)) ++n;
  return n;
}

TvxColumn* TvxCustomGrid::GetColumn(int Index) const {
  if (!Content() || Index < 0) return nullptr;
  for (TvxObject* o : Content()->Children())
    if (auto* c = dynamic_cast<TvxColumn*>(o); c && Index-- == 0) return c;
  return nullptr;
}

int TvxCustomGrid::GetTopRow() const {
  if (!VScrollBar()) return 0;
  // Far down very many rows the scroll value is coarse and may name a row past the last.
  return static_cast<int>(
      std::clamp<int64_t>(Trunc(VScrollBar()->Value() / rowHeight_), 0, std::max(0, rowCount_ - 1)));
}

int TvxCustomGrid::GetVisibleRows() const { return static_cast<int>(Trunc(ViewportHeight() / rowHeight_)) + 2; }

int TvxCustomGrid::RowAtPoint(float X, float Y) const {
  if (!Content()) return -1;
  auto* self = const_cast<TvxCustomGrid*>(this);
  const TvxPoint p = Content()->AbsoluteToLocal(self->LocalToAbsolute({X, Y}));
  // A point far below very many rows names a row past the last, never a negative one.
  return static_cast<int>(std::clamp<int64_t>(Trunc(p.Y / rowHeight_), INT_MIN, INT_MAX));
}

TvxColumn* TvxCustomGrid::ColumnAtPoint(float X, float Y) {
  const TvxPoint a = LocalToAbsolute({X, Y});
  const TvxRect mine = GetAbsoluteRect();
  for (int i = 0; i < ColumnCount(); ++i) {
    TvxColumn* c = GetColumn(i);
    if (!c->Visible()) continue;
    TvxRect meet;
    if (!IntersectRectF(meet, c->GetAbsoluteRect(), mine)) continue;
    const TvxPoint p = c->AbsoluteToLocal(a);
    if (p.X >= 0 && p.X < c->Width() && p.Y >= 0 && p.Y < c->Height()) return c;
  }
  return nullptr;
}

rtl::TPropValue TvxCustomGrid::GetValue(int, int) { return {}; }

void TvxCustomGrid::SetValue(int, int, const rtl::TPropValue&) {}

void TvxCustomGrid::UpdateColumns() {
  for (int i = 0; i < ColumnCount(); ++i) {
    TvxColumn* c = GetColumn(i);
    c->Position()->SetY(static_cast<float>(GetTopRow()) * rowHeight_);
    c->UpdateColumn();
  }
}

void TvxCustomGrid::AddObject(TvxObject* AObject) {
  if (Content() && (dynamic_cast<TvxColumn*>(AObject) || dynamic_cast<TvxSelectionItem*>(AObject))) {
    Content()->AddObject(AObject);
    if (UpdateCount() == 0) Realign();
    return;
  }
  inherited::AddObject(AObject);
}

TvxRect TvxCustomGrid::GetContentBounds() {
  if (UpdateCount() > 0 || !Viewport()) return inherited::GetContentBounds();
  TvxRect r = Viewport()->GetLocalRect();
  float x = r.Left;
  const int columns = ColumnCount();
  for (int i = 0; i < columns; ++i) {
    TvxColumn* c = GetColumn(i);
    c->SetBounds(x, static_cast<float>(GetTopRow()) * rowHeight_, c->Width(), ViewportHeight());
    c->UpdateColumn();
    x += c->Width();
  }
  if (columns > 0) r.Right = x;
  r.Bottom = r.Top + static_cast<float>(rowCount_) * rowHeight_;
  if (RectWidth(r) < ViewportWidth()) r.Right = r.Left + ViewportWidth();
  if (RectHeight(r) < ViewportHeight()) r.Bottom = r.Top + ViewportHeight();
  UpdateColumns();
  UpdateHeader();
  UpdateSelection();
  return r;
}

void TvxCustomGrid::HScrollChange(rtl::TObject* Sender) {
  inherited::HScrollChange(Sender);
  UpdateSelection();
  UpdateHeader();
}

void TvxCustomGrid::VScrollChange(rtl::TObject* Sender) {
  inherited::VScrollChange(Sender);
  UpdateColumns();
  UpdateSelection();
}

TvxPoint TvxCustomGrid::FromContent(TvxVisualObject* Target, float X, float Y) const {
  return Target->AbsoluteToLocal(Content()->LocalToAbsolute({X, Y}));
}

void TvxCustomGrid::SetSelected(int Value) {
  if (Value == selected_) return;
  selected_ = std::clamp(Value, std::min(0, rowCount_ - 1), rowCount_ - 1);
  if (TvxScrollBar* bar = VScrollBar()) {
    const float y = static_cast<float>(selected_) * rowHeight_;
    if (GetTopRow() >= selected_)
      bar->SetValue(y);
    else if (y > ViewportHeight() + bar->Value() - rowHeight_)
      bar->SetValue(y - ViewportHeight() + rowHeight_);
  }
  UpdateSelection();
}

void TvxCustomGrid::SetSelectedColumn(int Value) {
  if (Value == selectedColumn_) return;
  selectedColumn_ = Value;
  UpdateSelection();
  TvxColumn* c = GetColumn(selectedColumn_);
  TvxScrollBar* bar = HScrollBar();
  if (!c || !bar) return;
  const float x = c->Position()->X();
  if (x < bar->Value())
    bar->SetValue(x);
  else if (x + c->Width() > ViewportWidth() + bar->Value())
    bar->SetValue(x + c->Width() - ViewportWidth());
}

void TvxCustomGrid::UpdateSelection() {
  if (!template_ || !Content() || ColumnCount() == 0 || !template_->Parent() || !template_->Parent()->IsVisual())
    return;
  TvxVisualObject* holder = template_->Parent()->Visual();
  std::vector<TvxRect> rects;
  if (rowCount_ > 0 && selected_ >= 0) {
    const TvxPoint at = FromContent(holder, 0, static_cast<float>(selected_) * rowHeight_);
    const float w = std::max(ViewportWidth(), Content()->Width());
    rects.push_back(MakeRect(at.X, at.Y, at.X + w, at.Y + rowHeight_));
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
  for (size_t i = 0; i < highlights_.size(); ++i) {
    TvxVisualObject* h = highlights_[i];
    if (i >= rects.size()) {
      h->SetVisible(false);
      continue;
    }
    h->SetVisible(true);
    h->SetBounds(rects[i].Left, rects[i].Top, RectWidth(rects[i]), RectHeight(rects[i]));
  }
  // The marker of the selected cell, only while that column exists.
  TvxColumn* column = GetColumn(selectedColumn_);
  if (focus_) focus_->SetVisible(false);
  if (showSelectedCell_ && focus_ && column && !rects.empty() && focus_->Parent() && focus_->Parent()->IsVisual()) {
    TvxVisualObject* parent = focus_->Parent()->Visual();
    const TvxPoint at = FromContent(parent, column->Position()->X(), static_cast<float>(selected_) * rowHeight_);
    const TvxRect pad = focus_->Padding()->GetRect();
    focus_->SetVisible(true);
    focus_->BringToFront();
    focus_->SetBounds(at.X + pad.Left, at.Y + pad.Top, column->Width() - pad.Left - pad.Right,
                      rowHeight_ - pad.Top - pad.Bottom);
  }
  for (int i = 0; i < ColumnCount(); ++i) GetColumn(i)->UpdateCellFocus();
}

void TvxCustomGrid::UpdateHeader() {
  if (!header_) return;
  header_->SetOffsetX(-HScrollPos());
  TvxHeaderItem* filler = header_->Filler();
  const int columns = ColumnCount();
  int items = 0;
  for (TvxObject* o : header_->Children())
    if (dynamic_cast<TvxHeaderItem*>(o) && o != filler) ++items;
  if (items < columns) {
    if (filler) header_->RemoveObject(filler);
    for (; items < columns; ++items) {
      auto* item = new TvxHeaderItem(this);
      item->SetLocked(true);
      item->SetStored(false);
      header_->AddObject(item);
    }
    if (filler) header_->AddObject(filler);
  }
  for (int i = 0; i < columns; ++i)
    if (auto* item = dynamic_cast<TvxHeaderItem*>(header_->GetItem(i)); item && item != filler) {
      item->SetText(GetColumn(i)->Header());
      item->SetWidth(GetColumn(i)->Width());
    }
  header_->Realign();
}

void TvxCustomGrid::HeaderRealignItem(rtl::TObject*, int OldIndex, int NewIndex) {
  TvxColumn* moved = GetColumn(OldIndex);
  if (!moved) return;
  if (OldIndex == selectedColumn_) selectedColumn_ = NewIndex;
  moved->SetIndex(NewIndex);
  Realign();
}

void TvxCustomGrid::HeaderResizeItem(rtl::TObject* Sender, float& NewSize) {
  if (NewSize < 10) NewSize = 10;
  auto* item = dynamic_cast<TvxHeaderItem*>(Sender);
  if (TvxColumn* c = item ? GetColumn(item->GetIndex()) : nullptr) {
    c->SetWidth(NewSize);
    Realign();
  }
}

void TvxCustomGrid::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* viewport = FindPart<TvxVisualObject>(this, "content")) {
    viewport->OnBeforePaint = TvxPaintEvent(this, &TvxCustomGrid::PaintRows);
    viewport->OnPaint = TvxPaintEvent(this, &TvxCustomGrid::PaintLines);
  }
  if (auto* header = FindPart<TvxHeader>(this, "header")) {
    header_ = header;
    header_->OnRealignItem = TvxOnRealignItemEvent(this, &TvxCustomGrid::HeaderRealignItem);
    header_->OnResizeItem = TvxOnResizeItemEvent(this, &TvxCustomGrid::HeaderResizeItem);
    header_->SetVisible(showHeader_);
  }
  if ((template_ = FindPart<TvxVisualObject>(this, "selection"))) template_->SetVisible(false);
  if ((focus_ = FindPart<TvxVisualObject>(this, "focus"))) focus_->SetVisible(false);
  if (auto* b = FindPart<TvxBrushObject>(this, "AlternatingRowBackground")) alternatingBrush_->Assign(b->Brush());
  if (auto* b = FindPart<TvxBrushObject>(this, "LineFill")) lineBrush_->Assign(b->Brush());
  UpdateColumns();
  UpdateHeader();
  UpdateSelection();
}

void TvxCustomGrid::FreeStyle() {
  header_ = nullptr;
  template_ = nullptr;
  focus_ = nullptr;
  highlights_.clear();
  inherited::FreeStyle();
}

void TvxCustomGrid::PaintRows(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect&) {
  auto* painted = dynamic_cast<TvxVisualObject*>(Sender);
  if (!alternatingRowBackground_ || !Content() || !Viewport() || !painted || !Canvas) return;
  // The painted part fills itself with the canvas's brush after this: it gets it back.
  TvxBrush own(vgBrushNone, 0);
  own.Assign(Canvas->Fill());
  // A row cut by the viewport's edge is painted only inside it.
  const int state = Canvas->SaveState();
  Canvas->IntersectClipRect(painted->GetLocalRect());
  Canvas->Fill()->Assign(alternatingBrush_.get());
  const int64_t top = GetTopRow();
  const int rows = std::min(GetVisibleRows(), rowCount_);
  for (int i = 0; i < rows; ++i) {
    if ((top + i) % 2 == 0) continue;
    const TvxPoint at = FromContent(painted, 0, static_cast<float>(top + i) * rowHeight_);
    Canvas->FillRect(MakeRect(at.X, at.Y, at.X + Content()->Width(), at.Y + rowHeight_), 0, 0, AllCorners,
                     GetAbsoluteOpacity());
  }
  Canvas->RestoreState(state);
  Canvas->Fill()->Assign(&own);
}

void TvxCustomGrid::PaintLines(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect) {
  auto* painted = dynamic_cast<TvxVisualObject*>(Sender);
  if (!(showHorzLines_ || showVertLines_) || !Content() || !Viewport() || !painted || !Canvas) return;
  const int state = Canvas->SaveState();
  Canvas->IntersectClipRect(ARect);
  Canvas->IntersectClipRect(painted->GetLocalRect());
  Canvas->Stroke()->Assign(lineBrush_.get());
  Canvas->SetStrokeThickness(1);
  const float opacity = GetAbsoluteOpacity();
  const int64_t top = GetTopRow();
  const int rows = std::min(GetVisibleRows(), rowCount_);
  if (showHorzLines_)
    for (int i = 0; i <= rows; ++i) {
      const TvxPoint at = FromContent(painted, 0, static_cast<float>(top + i) * rowHeight_);
      Canvas->DrawLine({at.X, at.Y - 0.5f}, {at.X + Content()->Width(), at.Y - 0.5f}, opacity);
    }
  if (showVertLines_) {
    const TvxPoint first = FromContent(painted, 0, static_cast<float>(top) * rowHeight_);
    for (int i = 0; i < ColumnCount(); ++i) {
      TvxColumn* c = GetColumn(i);
      const TvxPoint at = FromContent(painted, c->Position()->X() + c->Width(), 0);
      Canvas->DrawLine({at.X + 0.5f, first.Y}, {at.X + 0.5f, first.Y + static_cast<float>(rows) * rowHeight_},
                       opacity);
    }
  }
  Canvas->RestoreState(state);
}

TvxControl* TvxCustomGrid::SelectedCell() const {
  TvxColumn* c = GetColumn(selectedColumn_);
  return c ? c->CellOfRow(selected_) : nullptr;
}

void TvxCustomGrid::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone() || rowCount_ <= 0) return;
  TvxColumn* column = GetColumn(selectedColumn_);
  if (KeyChar != 0 && !readOnly_ && column && !column->ReadOnly()) {
    if (TvxControl* cell = SelectedCell()) {
      // Leaving the grid's focus runs its handlers, which may free the grid and its cells.
      TvxFreeWatch alive(cell);
      cell->SetFocus();
      if (!alive.Gone() && cell->IsFocused()) {
        cell->KeyDown(Key, KeyChar, Shift);
        return;
      }
      if (self.Gone()) return;
    }
  }
  const int page = std::min(rowCount_, GetVisibleRows());
  const bool ctrl = Shift.Contains(rtl::ssCtrl);
  switch (Key) {
    case win::VK_LEFT:
      if (selectedColumn_ > 0) SetSelectedColumn(selectedColumn_ - 1);
      break;
    case win::VK_RIGHT:
      if (selectedColumn_ < ColumnCount() - 1) SetSelectedColumn(selectedColumn_ + 1);
      break;
    case win::VK_UP:
      if (selected_ > 0) SetSelected(selected_ - 1);
      break;
    case win::VK_DOWN:
      if (selected_ < rowCount_ - 1) SetSelected(selected_ + 1);
      break;
    case win::VK_PRIOR:
      if (selected_ > 0) SetSelected(selected_ - page);
      break;
    case win::VK_NEXT:
      // A page down near the last of (up to the largest count of) rows stops at the last.
      if (selected_ < rowCount_ - 1) SetSelected(selected_ + std::min(page, rowCount_ - 1 - selected_));
      break;
    case win::VK_HOME:
      if (ctrl)
        SetSelected(0);
      else
        SetSelectedColumn(0);
      break;
    case win::VK_END:
      if (ctrl)
        SetSelected(rowCount_ - 1);
      else
        SetSelectedColumn(ColumnCount() - 1);
      break;
    case win::VK_F2:
      if (TvxControl* cell = SelectedCell()) cell->SetFocus();
      break;
    default:
      return;
  }
  Key = 0;
}

void TvxCustomGrid::SelectAt(float X, float Y) {
  SetSelected(RowAtPoint(X, Y));
  if (TvxColumn* c = ColumnAtPoint(X, Y)) SetSelectedColumn(c->ColumnIndex());
}

void TvxCustomGrid::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!self.Gone() && Button == rtl::mbLeft) SelectAt(X, Y);
}

void TvxCustomGrid::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (!self.Gone() && Shift.Contains(rtl::ssLeft) && Pressed()) SelectAt(X, Y);
}

// ---- TvxGrid and TvxStringGrid -------------------------------------------------------------------

rtl::TClass TvxGrid::StaticClass() {
  using G = TvxGrid;
  static const rtl::TClassInfo info = rtl::DefineClass<G>()
                                          .Property("RowCount", &G::RowCount, &G::SetRowCount)
                                          .Default(100)
                                          .Event("OnGetValue", &G::OnGetValue)
                                          .Event("OnSetValue", &G::OnSetValue)
                                          .Build();
  return &info;
}

rtl::TPropValue TvxGrid::GetValue(int Col, int Row) {
  rtl::TPropValue value;
  OnGetValue(this, Col, Row, value);
  return value;
}

void TvxGrid::SetValue(int Col, int Row, const rtl::TPropValue& Value) { OnSetValue(this, Col, Row, Value); }

rtl::TClass TvxStringGrid::StaticClass() {
  using G = TvxStringGrid;
  static const rtl::TClassInfo info =
      rtl::DefineClass<G>().Property("RowCount", &G::RowCount, &G::SetRowCount).Default(100).Build();
  return &info;
}

TvxStringGrid::TvxStringGrid(rtl::TComponent* AOwner) : TvxCustomGrid(AOwner) { SetResource("gridstyle"); }

rtl::TPropValue TvxStringGrid::GetValue(int Col, int Row) {
  auto* c = dynamic_cast<TvxStringColumn*>(GetColumn(Col));
  if (!c) return {};
  c->FitToRows();
  if (Row < 0 || Row >= RowCount()) return {};
  return c->CellText(Row);
}

void TvxStringGrid::SetValue(int Col, int Row, const rtl::TPropValue& Value) {
  auto* c = dynamic_cast<TvxStringColumn*>(GetColumn(Col));
  if (!c) return;
  c->FitToRows();
  if (Row < 0 || Row >= RowCount()) return;
  c->SetCellText(Row, PropValueToText(Value));
}

}  // namespace vg
