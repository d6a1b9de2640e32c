// The rules of the map page, with no window: which item has the focus and shows its data,
// what is selected, whether the arrows step the selected values, the stepping itself within
// the table's limits, the cell-data text, the live cell with its trail, and the page's
// "Clear" and "Default" buttons. The page (app/ui) turns the mouse and the keys into these
// calls and draws what app::MapRPM holds; every change asks it to redraw
// (CoreHost->RedrawMapRPM). The page's texts are the values being edited: the table takes
// them when it is packed, before a write to the ECU or into a file.
//
// Items are named by table row and column (TMapRPMItem): row i >= 1, column 0 is the R.P.M.
// break point i; row 0, column j >= 1 the time break point j; both >= 1 a cell. GUI thread.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/MapRPM_Unit.h"

namespace app {

enum class TMapRPMItemKind { None, RPM, Time, Cell };
// The kind of an item of the grid (None outside it and for the corner).
TMapRPMItemKind MapRPMItemKind(TMapRPMItem Item);

// The keys the page takes from the main window. Shift is the key itself.
enum class TMapRPMKey { Left, Right, Up, Down, Enter, Escape, Shift };

// ---- Input. Everything here is ignored while a write task runs (ecu::Link.TaskRunning).
// The pointer moves over an item's value: it takes the focus and shows its data; while a drag
// runs, the rectangle of cells between its start and here is selected instead. Outside
// editing the selection is cleared; while editing it stays, so that what the mouse selected
// can be stepped with the keys.
void MapRPMMouseMove(TMapRPMItem At);
// Left: editing on, the selection cleared, the item focused and selected; on a cell a drag
// begins. Right: editing off, the selection cleared.
void MapRPMMouseDown(TMapRPMItem At, bool Left);
// The end of a drag: the rectangle of cells between its start and At is selected.
void MapRPMMouseUp(TMapRPMItem At);
// Enter: editing on with the focused item selected, or off with the selection cleared.
// Escape: editing off. Shift (when first pressed): the selection's anchor is the focused item.
// Arrows: while editing, every selected value steps (Left and Down by -1 unit, Up and Right by
// +1) and a map write is scheduled; otherwise the focus moves (Left and Right through the
// rows, Up and Down through the columns), or with Shift the anchor does and the rectangle
// between the focus and the anchor is selected.
void MapRPMKeyDown(TMapRPMKey Key, bool Shift);
// The Shift key came up: editing on, so that the arrows step what Shift selected.
void MapRPMShiftReleased();
// "Clear": the selected cells, or all cells when none is, become "1.00"; the selection is
// cleared and the map written (task 24).
void MapRPMClear();
// "Default": the default map, written (task 24).
void MapRPMDefault();

// Steps every selected value by Units (-1 or +1) within the limits and schedules a map write
// (transmit kind 4) when anything was selected.
void StepMapRPMSelection(int Units);
// Selects the items of the rectangle between A and B (the corner excepted), and only them.
void SelectMapRPMRect(TMapRPMItem A, TMapRPMItem B);
// Clears the selection: each item's flag says again whether its text differs from its default.
void ClearMapRPMSelection();

// ---- Live data.
// The cell of the engine's present speed and mean petrol injection time (ecu::LiveData); when
// it is a cell other than the trail's last, it joins the trail (the oldest dropped beyond
// MapRPMTrailCapacity) and, from two entries on, the trail's timer is wanted.
void MarkMapRPMLiveCell();
// Tick of the trail's timer (500 ms): the oldest entry goes; below two entries the timer is
// no longer wanted (MapRPM.TrailTimerOn).
void MapRPMTrailTick();

// ---- What the page shows.
// The background of an item, the last that applies: its flag (selected, differs from its
// default), the trail, the live cell.
enum class TMapRPMLook { Plain, Selected, NotDefault, Trail, Live };
TMapRPMLook MapRPMItemLook(int Row, int Col);
// "#AARRGGBB" of a background from the colour table (the live cell and the trail by the work
// mode: gas or petrol); "" for Plain.
std::string MapRPMLookColor(TMapRPMLook Look);
// The focused item's kind, value and allowed range ("R.P.M. = 1500;  Range 1100..1900
// r.p.m."), in the current language; "" when nothing is focused.
std::string MapRPMCellData();
// The cell-data label's colour: the correction colour while the live cell's factor is not
// 1.00, else the settings' font colour.
std::string MapRPMCellDataColor();
// The allowed minimum and maximum of an item as its texts show them; false for no item.
bool MapRPMRange(TMapRPMItem Item, std::string& Min, std::string& Max);

// The language key of the time break points' kind name.
inline constexpr const char* MapRPMTimeKindKey = "MapRPM_Time";

// The built-in English texts of the page's own language keys (sets Text when the key being
// looked up is one of them).
void MapRPMEnglishText(std::string& Text);

}  // namespace app
