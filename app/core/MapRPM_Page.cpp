#include "app/core/MapRPM_Page.h"

#include <algorithm>
#include <cmath>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Language.h"
#include "ecu/Language_En.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

constexpr std::uint8_t FlagSelected = 1, FlagNotDefault = 2;
constexpr std::uint8_t TransmitMap = 4;
constexpr std::uint8_t WorkModeGas = 4;

int Rows() { return Model().MapRPM.MapRPMRows; }
int Cols() { return Model().MapRPM.MapRPMCols; }
bool Busy() { return ecu::Session().Link.TaskRunning != 0; }

std::uint8_t& Flag(int Row, int Col) {
  return Model().MapRPM.MapRPMFlags[static_cast<std::size_t>(Row)][static_cast<std::size_t>(Col)];
}
std::string& Text(int Row, int Col) {
  return Model().MapRPM.MapRPMTexts[static_cast<std::size_t>(Row)][static_cast<std::size_t>(Col)];
}

// The value an item's text stands for; the table's when the text is not a number.
std::int64_t Value(int Row, int Col) {
  std::int64_t v = 0;
  if (MapRPMTextValue(Row, Col, v)) return v;
  return Model().MapRPM.MapRPMTable[static_cast<std::size_t>(Row)][static_cast<std::size_t>(Col)];
}

bool IsCell(TMapRPMItem Item) { return MapRPMItemKind(Item) == TMapRPMItemKind::Cell; }

std::string CellText(std::int64_t Cell) { return ecu::CommaToPoint(rtl::Format("%.2f", Cell / 100.0)); }
std::string TimeText(std::int64_t Time) { return ecu::CommaToPoint(rtl::Format("%.1f", Time / 10.0)); }

void Redraw() {
  if (Model().CoreHost) Model().CoreHost->RedrawMapRPM();
}

// Whether an item's text differs from the item's default (what flag 2 marks).
bool DiffersFromDefault(int Row, int Col) {
  if (Row >= 1 && Col >= 1) return Text(Row, Col) != "1.00" && Text(Row, Col) != "1,00";
  std::int64_t v = 0;
  return !MapRPMTextValue(Row, Col, v) || v != MapRPMDefaultValue(Row, Col);
}

TMapRPMItem Moved(TMapRPMItem Item, TMapRPMKey Key) {
  switch (Key) {
    case TMapRPMKey::Left: Item.Row = std::max(Item.Row - 1, 0); break;
    case TMapRPMKey::Right: Item.Row = std::min(Item.Row + 1, Rows()); break;
    case TMapRPMKey::Up: Item.Col = std::max(Item.Col - 1, 0); break;
    case TMapRPMKey::Down: Item.Col = std::min(Item.Col + 1, Cols()); break;
    default: break;
  }
  return Item;
}

// A drag selects cells only: a position on a header counts as the nearest cell.
TMapRPMItem AsCell(TMapRPMItem Item) { return {std::max(Item.Row, 1), std::max(Item.Col, 1)}; }

// One step of one item by D units, within the limits and the neighbours' values.
void StepItem(int Row, int Col, int D) {
  std::int64_t v = 0;
  if (!MapRPMTextValue(Row, Col, v)) return;  // a text that is no number stays as it is
  if (Row >= 1 && Col >= 1) {
    Text(Row, Col) = CellText(std::clamp<std::int64_t>(v + D, MapCellMin, MapCellMax));
  } else if (Col == 0) {
    v += 100 * D;
    if (Row == 1) {
      if (v < MapRPMMin) v = D <= 0 ? 0 : MapRPMMin;
    } else if (const std::int64_t previous = Value(Row - 1, 0); previous != 0) {
      if (v <= previous) v = previous + 100;
    } else if (v < MapRPMMin) {
      v = MapRPMMin;
    }
    if (Row >= Rows()) {
      v = std::min<std::int64_t>(v, MapRPMMax);
    } else {
      if (const std::int64_t next = Value(Row + 1, 0); v >= next) v = next - 100;
      if (v < MapRPMMin) v = 0;
    }
    Text(Row, Col) = rtl::IntToStr(ClampMapRPM(v));
  } else {
    v += D;
    if (Col == 1) {
      v = std::max<std::int64_t>(v, 0);
    } else if (const std::int64_t previous = Value(0, Col - 1); v <= previous) {
      v = previous + 1;
    }
    if (Col >= Cols()) {
      v = std::min<std::int64_t>(v, MapTimeMax);
    } else if (const std::int64_t next = Value(0, Col + 1); v >= next) {
      v = next - 1;
    }
    Text(Row, Col) = TimeText(ClampMapTime(v));
  }
}

// A word of the language: the one cached when the texts were applied, else looked up.
std::string Word(const std::string& Cached, const char* Key) { return Cached.empty() ? ecu::LngText(Key) : Cached; }

}  // namespace

TMapRPMItemKind MapRPMItemKind(TMapRPMItem Item) {
  if (Item.Row < 0 || Item.Col < 0 || Item.Row > Rows() || Item.Col > Cols()) return TMapRPMItemKind::None;
  if (Item.Row == 0) return Item.Col == 0 ? TMapRPMItemKind::None : TMapRPMItemKind::Time;
  return Item.Col == 0 ? TMapRPMItemKind::RPM : TMapRPMItemKind::Cell;
}

void ClearMapRPMSelection() {
  for (int i = 0; i < MapRPMRowCount; ++i)
    for (int j = 0; j < MapRPMColumnCount; ++j)
      if (i != 0 || j != 0) Flag(i, j) = DiffersFromDefault(i, j) ? FlagNotDefault : 0;
}

void SelectMapRPMRect(TMapRPMItem A, TMapRPMItem B) {
  ClearMapRPMSelection();
  const int top = std::clamp(std::min(A.Row, B.Row), 0, Rows()), bottom = std::clamp(std::max(A.Row, B.Row), 0, Rows());
  const int left = std::clamp(std::min(A.Col, B.Col), 0, Cols()), right = std::clamp(std::max(A.Col, B.Col), 0, Cols());
  for (int i = top; i <= bottom; ++i)
    for (int j = left; j <= right; ++j)
      if (i != 0 || j != 0) Flag(i, j) = FlagSelected;
}

void StepMapRPMSelection(int Units) {
  if (Units == 0) return;
  // Upwards the farthest item goes first and downwards the nearest, so that selected
  // neighbouring break points move together instead of blocking one another.
  bool any = false;
  const int first = Units > 0 ? MapRPMRowCount * MapRPMColumnCount - 1 : 0;
  const int step = Units > 0 ? -1 : 1;
  for (int at = first; at >= 0 && at < MapRPMRowCount * MapRPMColumnCount; at += step) {
    const int i = at / MapRPMColumnCount, j = at % MapRPMColumnCount;
    if (Flag(i, j) != FlagSelected || MapRPMItemKind({i, j}) == TMapRPMItemKind::None) continue;
    StepItem(i, j, Units);
    any = true;
  }
  if (any) ScheduleTransmit(TransmitMap);
}

void MapRPMMouseMove(TMapRPMItem At) {
  if (Busy() || MapRPMItemKind(At) == TMapRPMItemKind::None) return;
  if (Model().MapRPM.Dragging) {
    SelectMapRPMRect(Model().MapRPM.DragStart, AsCell(At));
  } else {
    if (At == Model().MapRPM.Focused) return;
    if (!Model().MapRPM.Editing) ClearMapRPMSelection();
    Model().MapRPM.Focused = At;
  }
  Redraw();
}

void MapRPMMouseDown(TMapRPMItem At, bool Left) {
  if (Busy()) return;
  if (!Left) {
    Model().MapRPM.Editing = false;
    Model().MapRPM.Dragging = false;
    ClearMapRPMSelection();
    Redraw();
    return;
  }
  if (MapRPMItemKind(At) == TMapRPMItemKind::None) return;
  Model().MapRPM.Editing = true;
  ClearMapRPMSelection();
  Model().MapRPM.Focused = At;
  Flag(At.Row, At.Col) = FlagSelected;
  if (IsCell(At)) {
    Model().MapRPM.Dragging = true;
    Model().MapRPM.DragStart = At;
  }
  Redraw();
}

void MapRPMMouseUp(TMapRPMItem At) {
  if (Busy() || !Model().MapRPM.Dragging) return;
  Model().MapRPM.Dragging = false;
  if (MapRPMItemKind(At) != TMapRPMItemKind::None) SelectMapRPMRect(Model().MapRPM.DragStart, AsCell(At));
  Redraw();
}

void MapRPMKeyDown(TMapRPMKey Key, bool Shift) {
  // A key without Shift: Shift is up, even when its release came while a write ran.
  if (Key != TMapRPMKey::Shift && !Shift) Model().MapRPM.ShiftDown = false;
  if (Busy()) return;
  switch (Key) {
    case TMapRPMKey::Enter:
      if (Model().MapRPM.Editing) {
        Model().MapRPM.Editing = false;
        ClearMapRPMSelection();
      } else if (MapRPMItemKind(Model().MapRPM.Focused) != TMapRPMItemKind::None) {
        Model().MapRPM.Editing = true;
        Flag(Model().MapRPM.Focused.Row, Model().MapRPM.Focused.Col) = FlagSelected;
      }
      break;
    case TMapRPMKey::Escape:
      if (!Model().MapRPM.Editing) return;
      Model().MapRPM.Editing = false;
      ClearMapRPMSelection();
      break;
    case TMapRPMKey::Shift:
      if (Model().MapRPM.ShiftDown) return;
      Model().MapRPM.ShiftDown = true;
      Model().MapRPM.Anchor = Model().MapRPM.Focused;
      return;
    case TMapRPMKey::Left:
    case TMapRPMKey::Right:
    case TMapRPMKey::Up:
    case TMapRPMKey::Down:
      if (Model().MapRPM.Editing) {
        StepMapRPMSelection(Key == TMapRPMKey::Up || Key == TMapRPMKey::Right ? 1 : -1);
      } else if (Shift) {
        Model().MapRPM.Anchor = Moved(Model().MapRPM.Anchor, Key);
        SelectMapRPMRect(Model().MapRPM.Focused, Model().MapRPM.Anchor);
      } else {
        Model().MapRPM.Focused = Moved(Model().MapRPM.Focused, Key);
      }
      break;
  }
  Redraw();
}

void MapRPMShiftReleased() {
  Model().MapRPM.ShiftDown = false;
  if (Busy()) return;
  Model().MapRPM.Editing = true;
  Redraw();
}

void MapRPMClear() {
  if (Busy()) return;
  bool anySelected = false;
  for (int i = 1; i <= Rows(); ++i)
    for (int j = 1; j <= Cols(); ++j) anySelected = anySelected || Flag(i, j) == FlagSelected;
  for (int i = 1; i <= Rows(); ++i)
    for (int j = 1; j <= Cols(); ++j)
      if (!anySelected || Flag(i, j) == FlagSelected) Text(i, j) = "1.00";
  ClearMapRPMSelection();
  ecu::RequestTask(ecu::TTask::WriteMapRPM);
  Redraw();
}

void MapRPMDefault() {
  if (Busy()) return;
  SetDefaultMapRPM();
  ecu::RequestTask(ecu::TTask::WriteMapRPM);
}

void MarkMapRPMLiveCell() {
  const std::int64_t rpm = ecu::Session().LiveData.LiveRPM, time = ecu::Session().LiveData.LivePetrolTimeAvg;
  int row = 1;
  for (int i = Rows(); i >= 2; --i)
    if (Value(i, 0) < rpm) {
      row = i;
      break;
    }
  int col = 1;
  for (int j = Cols(); j >= 2; --j)
    if (Value(0, j) * 100 < time) {
      col = j;
      break;
    }
  if (col == 1 && Value(0, 1) * 100 > time) col = 0;
  Model().MapRPM.LiveCell = {row, col};
  if (col > 0) {
    if (Model().MapRPM.Trail.empty() || !(Model().MapRPM.Trail.back() == Model().MapRPM.LiveCell)) {
      if (Model().MapRPM.Trail.size() >= MapRPMTrailCapacity) Model().MapRPM.Trail.erase(Model().MapRPM.Trail.begin());
      Model().MapRPM.Trail.push_back(Model().MapRPM.LiveCell);
      // One entry gives the timer nothing to take (its tick would only stop it).
      if (Model().MapRPM.Trail.size() >= 2) Model().MapRPM.TrailTimerOn = true;
    }
    Model().MapRPM.LiveCellCorrected = Value(row, col) != 100;
  } else {
    Model().MapRPM.LiveCellCorrected = false;
  }
  Redraw();
}

void MapRPMTrailTick() {
  if (Model().MapRPM.Trail.size() < 2) {
    Model().MapRPM.TrailTimerOn = false;
    return;
  }
  Model().MapRPM.Trail.erase(Model().MapRPM.Trail.begin());
  Redraw();
}

TMapRPMLook MapRPMItemLook(int Row, int Col) {
  const TMapRPMItem item{Row, Col};
  if (Model().MapRPM.LiveCell.Col > 0 && Model().MapRPM.LiveCell == item) return TMapRPMLook::Live;
  if (std::find(Model().MapRPM.Trail.begin(), Model().MapRPM.Trail.end(), item) != Model().MapRPM.Trail.end())
    return TMapRPMLook::Trail;
  if (Row < 0 || Col < 0 || Row >= MapRPMRowCount || Col >= MapRPMColumnCount) return TMapRPMLook::Plain;
  switch (Flag(Row, Col)) {
    case FlagSelected: return TMapRPMLook::Selected;
    case FlagNotDefault: return TMapRPMLook::NotDefault;
    default: return TMapRPMLook::Plain;
  }
}

std::string MapRPMLookColor(TMapRPMLook Look) {
  const bool gas = ecu::Session().LiveData.WorkMode == WorkModeGas;
  switch (Look) {
    case TMapRPMLook::Plain: break;
    case TMapRPMLook::Selected: return Model().Colors.ColorTable[Color_MapRPM_Select_Cell];
    case TMapRPMLook::NotDefault: return Model().Colors.ColorTable[Color_Txt_Not_Default];
    case TMapRPMLook::Trail: return Model().Colors.ColorTable[gas ? Color_MapRPM_Gas_Tail : Color_MapRPM_Pet_Tail];
    case TMapRPMLook::Live: return Model().Colors.ColorTable[gas ? Color_MapRPM_Gas : Color_MapRPM_Pet];
  }
  return {};
}

bool MapRPMRange(TMapRPMItem Item, std::string& Min, std::string& Max) {
  switch (MapRPMItemKind(Item)) {
    case TMapRPMItemKind::None: return false;
    case TMapRPMItemKind::Cell:
      Min = CellText(MapCellMin);
      Max = CellText(MapCellMax);
      return true;
    case TMapRPMItemKind::RPM:
      Min = rtl::IntToStr(Item.Row == 1 ? 0 : std::max<std::int64_t>(Value(Item.Row - 1, 0) + 100, MapRPMMin));
      Max = rtl::IntToStr(Item.Row >= Rows() ? MapRPMMax : Value(Item.Row + 1, 0) - 100);
      return true;
    case TMapRPMItemKind::Time:
      Min = TimeText(Item.Col == 1 ? 0 : Value(0, Item.Col - 1) + 1);
      Max = TimeText(Item.Col >= Cols() ? MapTimeMax : Value(0, Item.Col + 1) - 1);
      return true;
  }
  return false;
}

std::string MapRPMCellData() {
  const TMapRPMItem item = Model().MapRPM.Focused;
  std::string min, max;
  if (!MapRPMRange(item, min, max)) return {};
  const ecu::TLanguageWords& words = ecu::Session().Texts.LanguageWords;
  std::string kind, unit;
  switch (MapRPMItemKind(item)) {
    case TMapRPMItemKind::RPM:
      kind = Word(words.RPM, "RPM");
      unit = Word(words.Dim_RPM_Short, "Dim_RPM_Short");
      break;
    case TMapRPMItemKind::Time:
      kind = Word(Model().MapRPM.TimeKindText, MapRPMTimeKindKey);
      unit = Word(words.Dim_MS_Short, "Dim_MS_Short");
      break;
    default: kind = Word(words.Factor, "Factor"); break;
  }
  std::string text = kind + " = " + Text(item.Row, item.Col) + ";  " + Word(words.Range, "Range") + " " + min + ".." + max;
  if (!unit.empty()) text += " " + unit;
  return text;
}

std::string MapRPMCellDataColor() {
  return Model().MapRPM.LiveCellCorrected ? Model().Colors.ColorTable[Color_MapRPM_Cell_Corr]
                                          : Model().Settings.Font_Color;
}

void MapRPMEnglishText(std::string& Text) {
  if (ecu::IsLngKey(MapRPMTimeKindKey)) Text = "Petrol time";
}

}  // namespace app
