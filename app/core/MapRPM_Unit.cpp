#include "app/core/MapRPM_Unit.h"

#include <algorithm>
#include <cmath>

#include "app/core/Core_Host.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

constexpr std::array<std::uint16_t, 9> DefaultRPM = {0, 0, 500, 1000, 1500, 2000, 2500, 3000, 4000};
constexpr std::array<std::uint16_t, 13> DefaultTime = {0, 0, 10, 20, 30, 40, 50, 70, 90, 120, 150, 180, 220};
constexpr std::uint16_t DefaultCell = 100;
constexpr int GridRows = 8, GridCols = 12;
const char* const CornerText = "ms\\rpm";

// A text without blanks or control bytes at its ends, as rtl::Trim leaves it.
bool Trimmed(const std::string& Text) {
  return Text.empty() ||
         (static_cast<unsigned char>(Text.front()) > ' ' && static_cast<unsigned char>(Text.back()) > ' ');
}

// A text of the page or of a file as a number; "," or "." as separator. The texts of a file
// and the page's own mostly are the number as it is, which is read without a copy.
bool Number(const std::string& Text, double& Value) {
  double v = 0;
  const bool read = Trimmed(Text) && Text.find(',') == std::string::npos
                        ? rtl::TryStrToFloat(Text, v)
                        : rtl::TryStrToFloat(ecu::CommaToPoint(rtl::Trim(Text)), v);
  if (!read || !std::isfinite(v)) return false;
  Value = v;
  return true;
}

// What the table takes from a text: a break point of R.P.M. is a whole number; a time and a
// factor are the number times 10 or 100, truncated as the conversion unit's FloatToInt does
// (through the value's 15-digit decimal text, so "1.16" is 116 and "1.159" is 115). A number
// beyond any limit comes back as a large value for the caller to clamp. False for a text that
// is not such a number.
bool TableValue(const std::string& Text, double Scale, std::int64_t& Value) {
  if (Scale == 1) return Trimmed(Text) ? rtl::TryStrToInt64(Text, Value) : rtl::TryStrToInt64(rtl::Trim(Text), Value);
  double v = 0;
  if (!Number(Text, v)) return false;
  const double scaled = v * Scale;
  Value = std::fabs(scaled) < 1e9 ? ecu::FloatToInt(scaled) : (scaled < 0 ? -1000000000 : 1000000000);
  return true;
}

void Rebuild() {
  Model().MapRPM.MapRPMRows = GridRows;
  Model().MapRPM.MapRPMCols = GridCols;
  for (auto& row : Model().MapRPM.MapRPMFlags) row.fill(0);
  // The grid's items are new: nothing is focused, selected or being dragged or edited.
  Model().MapRPM.Focused = Model().MapRPM.Anchor = Model().MapRPM.DragStart = {};
  Model().MapRPM.Dragging = Model().MapRPM.Editing = false;
}

void Redraw() {
  if (Model().CoreHost) Model().CoreHost->RedrawMapRPM();
}

// A whole number of hundredths (tenths) as a text with two decimals (one), as "%.2f" ("%.1f")
// writes it divided, with "." whatever the system's separator; written from its digits, since a
// file's save and each refresh of the page write a hundred of them.
std::string FixedText(std::uint16_t Value, unsigned Decimals) {
  char text[8];  // "655.35" or "6553.5" at most
  char* const end = text + sizeof text;
  char* p = end;
  unsigned v = Value;
  for (unsigned d = 0; d < Decimals; ++d, v /= 10) *--p = static_cast<char>('0' + v % 10);
  *--p = '.';
  do {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  return std::string(p, end);
}
std::string CellText(std::uint16_t Cell) { return FixedText(Cell, 2); }
std::string TimeText(std::uint16_t Time) { return FixedText(Time, 1); }
std::string RPMText(std::uint16_t RPM) { return rtl::IntToStr(RPM); }

// The map's keys in the order a file has them, each with the table position it holds: the
// break points of R.P.M. ("Cols_1".."Cols_8"), of time ("Rows_1".."Rows_12"), then the cells
// ("Cell_0_0".."Cell_7_11", row and column from 0).
struct TMapKeyName {
  std::string Key;
  std::size_t Row, Col;
};

const std::vector<TMapKeyName>& MapKeyNames() {
  static const std::vector<TMapKeyName> names = [] {
    std::vector<TMapKeyName> keys;
    for (std::size_t i = 1; i <= GridRows; ++i) keys.push_back({"Cols_" + std::to_string(i), i, 0});
    for (std::size_t j = 1; j <= GridCols; ++j) keys.push_back({"Rows_" + std::to_string(j), 0, j});
    for (std::size_t i = 1; i <= GridRows; ++i)
      for (std::size_t j = 1; j <= GridCols; ++j)
        keys.push_back({"Cell_" + std::to_string(i - 1) + "_" + std::to_string(j - 1), i, j});
    return keys;
  }();
  return names;
}

}  // namespace

bool MapRPMTextValue(int Row, int Col, std::int64_t& Value) {
  if (Row < 0 || Row >= MapRPMRowCount || Col < 0 || Col >= MapRPMColumnCount || (Row == 0 && Col == 0)) return false;
  const std::string& text = Model().MapRPM.MapRPMTexts[static_cast<std::size_t>(Row)][static_cast<std::size_t>(Col)];
  return TableValue(text, Row == 0 ? 10 : Col == 0 ? 1 : 100, Value);
}

std::uint16_t MapRPMDefaultValue(int Row, int Col) {
  if (Row <= 0) return Col <= 0 || Col >= MapRPMColumnCount ? 0 : DefaultTime[static_cast<std::size_t>(Col)];
  if (Col <= 0) return Row >= MapRPMRowCount ? 0 : DefaultRPM[static_cast<std::size_t>(Row)];
  return DefaultCell;
}

std::uint16_t ClampMapCell(std::int64_t Value) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(Value, MapCellMin, MapCellMax));
}

std::uint16_t ClampMapRPM(std::int64_t Value) {
  if (Value <= 0) return 0;
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(Value, MapRPMMin, MapRPMMax));
}

std::uint16_t ClampMapTime(std::int64_t Value) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(Value, 0, MapTimeMax));
}

std::uint8_t EncodeMapCell(std::uint16_t Cell) {
  std::uint32_t b = static_cast<std::uint32_t>(std::trunc(Cell * 1.28)) & 0xFF;
  // Raised until it reads back as the cell; a byte cannot go beyond 255.
  while (b < 255 && static_cast<std::uint32_t>(std::trunc(b / 1.28)) < Cell) ++b;
  return static_cast<std::uint8_t>(b);
}

std::uint16_t DecodeMapCell(std::uint8_t Byte) { return static_cast<std::uint16_t>(std::trunc(Byte / 1.28)); }

void SetDefaultMapRPM() {
  Rebuild();
  for (int i = 0; i < MapRPMRowCount; ++i)
    for (int j = 0; j < MapRPMColumnCount; ++j) {
      std::uint16_t v = DefaultCell;
      if (i == 0) v = DefaultTime[static_cast<std::size_t>(j)];
      else if (j == 0) v = DefaultRPM[static_cast<std::size_t>(i)];
      Model().MapRPM.MapRPMTable[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = v;
    }
  Model().MapRPM.MapRPMTable[0][0] = 0;
  RefreshMapRPMCells();
}

void PackMapRPMTable() {
  TMapRPMState& map = Model().MapRPM;
  for (std::size_t i = 0; i < MapRPMRowCount; ++i)
    for (std::size_t j = 0; j < MapRPMColumnCount; ++j) {
      if (i == 0 && j == 0) continue;
      std::uint16_t& cell = map.MapRPMTable[i][j];
      std::int64_t v = 0;
      if (i == 0) {
        if (TableValue(map.MapRPMTexts[i][j], 10, v)) cell = ClampMapTime(v);
      } else if (j == 0) {
        if (TableValue(map.MapRPMTexts[i][j], 1, v)) cell = ClampMapRPM(v);
      } else if (TableValue(map.MapRPMTexts[i][j], 100, v)) {
        cell = ClampMapCell(v);
      }
    }
}

void RefreshMapRPMCells() {
  TMapRPMState& map = Model().MapRPM;
  map.MapRPMTexts[0][0] = CornerText;
  for (std::size_t i = 0; i < MapRPMRowCount; ++i)
    for (std::size_t j = 0; j < MapRPMColumnCount; ++j) {
      if (i == 0 && j == 0) continue;
      const std::uint16_t v = map.MapRPMTable[i][j];
      bool differs = false;
      if (i == 0) {
        map.MapRPMTexts[i][j] = TimeText(v);
        differs = v != DefaultTime[j];
      } else if (j == 0) {
        map.MapRPMTexts[i][j] = RPMText(v);
        differs = v != DefaultRPM[i];
      } else {
        map.MapRPMTexts[i][j] = CellText(v);
        differs = v != DefaultCell;  // the text "1.00"
      }
      std::uint8_t& flag = map.MapRPMFlags[i][j];
      if (differs)
        flag = 2;
      else if (flag == 2)
        flag = 0;
    }
  Redraw();
}

void SaveMapRPMTable() {
  PackMapRPMTable();
  ecu::KeyFileSet("Cols_Number", rtl::IntToStr(GridRows), "");
  ecu::KeyFileSet("Rows_Number", rtl::IntToStr(GridCols), "");
  const TMapRPMTable& table = Model().MapRPM.MapRPMTable;
  for (const TMapKeyName& k : MapKeyNames()) {
    const std::uint16_t v = table[k.Row][k.Col];
    ecu::KeyFileSet(k.Key, k.Row == 0 ? TimeText(v) : k.Col == 0 ? RPMText(v) : CellText(v), "");
  }
}

namespace {

// How a key of the map reads: its value when it reads, clamped to the editing limits. What does
// not read or lies outside the limits is noted for the load's report.
struct TMapKeyKind {
  double scale;
  std::uint16_t (*clamp)(std::int64_t);
  const char* expected;
  std::string (*text)(std::uint16_t);
};

const TMapKeyKind& KindOfMapKey(const TMapKeyName& Name) {
  static const TMapKeyKind rpm{1, ClampMapRPM, "0 or 500..8000", RPMText};
  static const TMapKeyKind time{10, ClampMapTime, "0.0..23.0", TimeText};
  static const TMapKeyKind cell{100, ClampMapCell, "0.01..1.99", CellText};
  return Name.Row == 0 ? time : Name.Col == 0 ? rpm : cell;
}

}  // namespace

bool MapRPMKeysPresent() {
  const std::vector<TMapKeyName>& keys = MapKeyNames();
  return std::any_of(keys.begin(), keys.end(), [](const TMapKeyName& k) { return ecu::KeyFileFind(k.Key); });
}

void LoadMapRPMTable() {
  using Kind = ecu::TConfigProblemKind;
  const std::vector<TMapKeyName>& keys = MapKeyNames();
  // A file without any map key simply has no map: the table stays as it was.
  const bool anyPresent = MapRPMKeysPresent();
  TMapRPMTable& table = Model().MapRPM.MapRPMTable;
  for (const TMapKeyName& name : keys) {
    const TMapKeyKind& k = KindOfMapKey(name);
    std::uint16_t& field = table[name.Row][name.Col];
    std::int64_t v = 0;
    if (!ecu::KeyFileFind(name.Key)) {
      if (anyPresent) ecu::NoteConfigProblem(Kind::Missing, name.Key, "", k.expected, k.text(field));
    } else if (!TableValue(ecu::Session().Files.KeyFileValue, k.scale, v)) {
      ecu::NoteConfigProblem(Kind::Unreadable, name.Key, ecu::Session().Files.KeyFileValue,
                             std::string("a number in ") + k.expected, k.text(field));
    } else {
      field = k.clamp(v);
      if (field != v)
        ecu::NoteConfigProblem(Kind::OutOfRange, name.Key, ecu::Session().Files.KeyFileValue, k.expected,
                               k.text(field));
    }
  }
  Rebuild();
  RefreshMapRPMCells();
}

std::vector<std::uint8_t> MapRPMWriteData() {
  std::vector<std::uint8_t> data = {GridRows, GridCols};
  for (std::size_t i = 1; i <= GridRows; ++i) {
    const std::uint16_t rpm = Model().MapRPM.MapRPMTable[i][0];
    std::uint8_t high = 255, low = 255;
    if (rpm != 0) ecu::RPMToPeriodBytes(rpm, high, low);
    data.push_back(high);
    data.push_back(low);
  }
  for (std::size_t j = 1; j <= GridCols; ++j)
    data.push_back(static_cast<std::uint8_t>(Model().MapRPM.MapRPMTable[0][j] & 0xFF));
  for (std::size_t i = 1; i <= GridRows; ++i)
    for (std::size_t j = 1; j <= GridCols; ++j) data.push_back(EncodeMapCell(Model().MapRPM.MapRPMTable[i][j]));
  return data;
}

// ---- Transfer ------------------------------------------------------------------------------

int TMapRPMTransfer::NextChunk(std::int32_t Done, std::int32_t Total) const {
  return std::clamp(Total - Done, 1, ChunkSize);
}

void TMapRPMTransfer::RequestMapRPMHeader() {
  ecu::Session().Link.TxLength = 5;
  ecu::Session().Link.RxExpectedLength = 5;
  ecu::BuildCommandFrame('/');
}

void TMapRPMTransfer::ReadMapRPMHeader() {
  const std::uint8_t r = ecu::Session().Link.RxFrame[2], c = ecu::Session().Link.RxFrame[3];
  readRows_ = (r >= 2 && r <= 8) ? r : std::uint8_t{8};
  readCols_ = (c >= 2 && c <= 12) ? c : std::uint8_t{12};
  Model().MapRPM.MapRPMRows = readRows_;
  Model().MapRPM.MapRPMCols = readCols_;
  totalBytes_ = readRows_ * (readCols_ + 2) + readCols_;
  bytesRead_ = 0;
}

void TMapRPMTransfer::RequestMapRPMChunk() {
  chunk_ = NextChunk(bytesRead_, totalBytes_);
  ecu::Session().Link.TxLength = 5;
  ecu::ExpectReply(chunk_);
  ecu::Session().Link.TxFrame[0] = ecu::Session().Link.LastFrame[0];
  ecu::Session().Link.TxFrame[1] = '7';
  ecu::Session().Link.TxFrame[2] = ecu::Session().Link.TxFrame[3] = static_cast<std::uint8_t>(chunk_);
  ecu::Frame_Finish();
}

void TMapRPMTransfer::StoreMapRPMChunk() {
  const int n = std::min<int>(chunk_, static_cast<int>(received_.size()) - bytesRead_);
  for (int k = 0; k < n; ++k)
    received_[static_cast<std::size_t>(bytesRead_ + k)] = ecu::Session().Link.RxFrame[static_cast<std::size_t>(2 + k)];
  bytesRead_ += std::max(n, 0);
}

void TMapRPMTransfer::UnpackMapRPMTable() {
  std::size_t at = 0;
  auto next = [&] { return at < received_.size() ? received_[at++] : std::uint8_t{0}; };
  for (std::size_t i = 1; i <= readRows_; ++i) {
    const std::uint8_t high = next(), low = next();
    Model().MapRPM.MapRPMTable[i][0] = static_cast<std::uint16_t>(ecu::PeriodToRPM(high, low));
  }
  for (std::size_t j = 1; j <= readCols_; ++j) Model().MapRPM.MapRPMTable[0][j] = next();
  for (std::size_t i = 1; i <= readRows_; ++i)
    for (std::size_t j = 1; j <= readCols_; ++j) Model().MapRPM.MapRPMTable[i][j] = DecodeMapCell(next());
}

void TMapRPMTransfer::RebuildMapRPMGrid() {
  Rebuild();
  RefreshMapRPMCells();
}

void TMapRPMTransfer::BeginMapRPMWrite() {
  Model().MapRPM.MapRPMRows = GridRows;
  Model().MapRPM.MapRPMCols = GridCols;
  writeData_ = MapRPMWriteData();
  writeTotal_ = static_cast<std::int32_t>(writeData_.size());
  bytesWritten_ = 0;
  chunk_ = 0;
  ecu::Session().Link.TxLength = 5;
  ecu::ExpectReply(0);
  ecu::Session().Link.TxFrame[0] = ecu::Session().Link.LastFrame[0];
  ecu::Session().Link.TxFrame[1] = '.';
  ecu::Session().Link.TxFrame[2] = GridRows;
  ecu::Session().Link.TxFrame[3] = GridCols;
  ecu::Frame_Finish();
}

void TMapRPMTransfer::NextMapRPMWriteChunk() {
  chunk_ = NextChunk(bytesWritten_, writeTotal_);
  ecu::Session().Link.TxListLength = static_cast<std::uint8_t>(chunk_ + 3);
}

void TMapRPMTransfer::FillMapRPMWriteChunk() {
  const int n = NextChunk(bytesWritten_, writeTotal_);
  ecu::Session().Link.TxLength = static_cast<std::uint8_t>(n + 3);
  ecu::ExpectReply(0);
  ecu::Session().Link.TxFrame[0] = ecu::Session().Link.LastFrame[0];
  ecu::Session().Link.TxFrame[1] = '6';
  for (int k = 0; k < n; ++k) {
    const auto at = static_cast<std::size_t>(bytesWritten_ + k);
    ecu::Session().Link.TxFrame[static_cast<std::size_t>(2 + k)] = at < writeData_.size() ? writeData_[at] : 0;
  }
  bytesWritten_ += n;
  ecu::Frame_Finish();
}

}  // namespace app
