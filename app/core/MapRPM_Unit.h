// The R.P.M. map: correction factors of the gas injection time by engine speed and petrol
// injection time, kept in the ECU and edited on the map page. The table, its defaults, the
// conversion between the table and the page's cell texts, the transfer to and from the ECU
// (script instructions 56..63, conditions 200 and 201) and the table's keys in ".cfg" files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace app {

constexpr int MapRPMRowCount = 9;     // table rows i = 0..8
constexpr int MapRPMColumnCount = 13;  // table columns j = 0..12

// [i][0], i >= 1: R.P.M. break points (0 = empty); [0][j], j >= 1: petrol-time break points in
// tenths of a millisecond; [i][j], i, j >= 1: factor x 100. [0][0] holds nothing.
using TMapRPMTable = std::array<std::array<std::uint16_t, MapRPMColumnCount>, MapRPMRowCount>;

// Limits of the editing, which the file reader and the packer keep too.
constexpr std::uint16_t MapCellMin = 1, MapCellMax = 199;
constexpr std::uint16_t MapRPMMin = 500, MapRPMMax = 8000;
constexpr std::uint16_t MapTimeMax = 230;
std::uint16_t ClampMapCell(std::int64_t Value);
std::uint16_t ClampMapRPM(std::int64_t Value);  // 0 stays 0 (empty); others 500..8000
std::uint16_t ClampMapTime(std::int64_t Value);

// The byte a cell is sent as, and the cell a received byte gives.
std::uint8_t EncodeMapCell(std::uint16_t Cell);
std::uint16_t DecodeMapCell(std::uint8_t Byte);

// The grid's positions (R = 8, C = 12) and the defaults; flags cleared; texts rewritten.
void SetDefaultMapRPM();
// The page's texts into the table (called before a write and before a ".cfg" save): R.P.M.
// as whole numbers, times and factors as the number x 10 and x 100, truncated (through the
// number's decimal text, so "1.16" is 116). A text that is not such a number leaves its
// value; numbers are kept within the editing limits.
void PackMapRPMTable();
// The table into the page's texts, with the flags of values that differ from their defaults.
void RefreshMapRPMCells();
// Into / from the key-file store open at that moment. The load reads as the pack does; a
// value outside the editing limits is clamped into them, and that, an unreadable value and
// (when the file has a map at all) a missing key are noted in ecu::ConfigData.ConfigLoadReport.
void SaveMapRPMTable();
void LoadMapRPMTable();
// Whether that store holds any key the load reads (a file with a map at all).
bool MapRPMKeysPresent();

// What the page's text of a position stands for, as the table keeps it (see PackMapRPMTable);
// false for a text that is not such a number. The default of a position.
bool MapRPMTextValue(int Row, int Col, std::int64_t& Value);
std::uint16_t MapRPMDefaultValue(int Row, int Col);

// The bytes of a write, in order (R, C, periods, times, cells).
std::vector<std::uint8_t> MapRPMWriteData();

// The transfer behind the link's instructions 56..63 and conditions 200, 201 (the core host
// hands them here; see ecu::THost).
class TMapRPMTransfer {
public:
  void RequestMapRPMHeader();
  void ReadMapRPMHeader();
  void RequestMapRPMChunk();
  void StoreMapRPMChunk();
  void RebuildMapRPMGrid();
  void BeginMapRPMWrite();
  void NextMapRPMWriteChunk();
  void FillMapRPMWriteChunk();
  void UnpackMapRPMTable();
  std::int32_t MapRPMBytesRead() const { return bytesRead_; }
  std::int32_t MapRPMTotalBytes() const { return totalBytes_; }
  std::int32_t MapRPMBytesWritten() const { return bytesWritten_; }
  std::int32_t MapRPMWriteTotal() const { return writeTotal_; }

  // The counts of the last header read, and the bytes read so far (MapRPMBytesRead of them).
  std::uint8_t ReadRows() const { return readRows_; }
  std::uint8_t ReadCols() const { return readCols_; }
  const std::array<std::uint8_t, 256>& Received() const { return received_; }

private:
  static constexpr int ChunkSize = 64;
  int NextChunk(std::int32_t Done, std::int32_t Total) const;

  std::uint8_t readRows_ = 8, readCols_ = 12;
  std::array<std::uint8_t, 256> received_{};
  std::int32_t bytesRead_ = 0, totalBytes_ = 0;
  int chunk_ = 0;
  std::vector<std::uint8_t> writeData_;
  std::int32_t bytesWritten_ = 0, writeTotal_ = 0;
};

// A position of the grid by table row and column: (0, 0) is the corner, which stands for "none".
struct TMapRPMItem {
  int Row = 0, Col = 0;
  bool operator==(const TMapRPMItem&) const = default;
};
constexpr int MapRPMTrailCapacity = 50;

// The map, the page's view of it and the transfer under way. GUI thread only.
struct TMapRPMState {
  TMapRPMTable MapRPMTable{};
  // 0 normal, 1 selected, 2 differs from its default.
  std::array<std::array<std::uint8_t, MapRPMColumnCount>, MapRPMRowCount> MapRPMFlags{};
  // The page's cell texts, parallel to the table ([0][0] is the corner's label).
  std::array<std::array<std::string, MapRPMColumnCount>, MapRPMRowCount> MapRPMTexts;
  // Counts of R.P.M. (R) and time (C) break points; the grid always has 8 and 12.
  std::uint8_t MapRPMRows = 8;
  std::uint8_t MapRPMCols = 12;
  TMapRPMTransfer MapRPMTransfer;

  // The page: the focused item (the one whose data the page shows), the other corner of a
  // Shift selection, where a mouse drag began, and whether the arrows step the selected
  // values (Editing). A rebuild of the grid clears them.
  TMapRPMItem Focused, Anchor, DragStart;
  bool Dragging = false, Editing = false;
  // Shift is held (its first press set the anchor; the key's repeats do not).
  bool ShiftDown = false;
  // The cell of the engine's present operating point (Col 0: none), the cells it passed
  // through, oldest first, and whether the trail's timer should run.
  TMapRPMItem LiveCell;
  std::vector<TMapRPMItem> Trail;
  bool TrailTimerOn = false;
  // The live cell's factor is not 1.00: the cell-data label says so in its colour.
  bool LiveCellCorrected = false;
  // The kind name of a time break point in the current language (the page puts it here when
  // it takes its texts; empty: the built-in English one).
  std::string TimeKindText;

  // Everything back to its state at program start.
  void Reset() { *this = TMapRPMState(); }
};

}  // namespace app
