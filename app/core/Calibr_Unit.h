// The calibration diagram's model: nine points, each pairing a petrol injection time (X) with
// the gas injection time (Y) the ECU applies for it (ecu::ConfigData.DiagramPointX/Y, microseconds);
// the default curve from the gas injector type; the conversion between values and positions
// in the drawing; the history of past point sets; and when an edit is written to the ECU.
// The slopes (ecu::ConfigData.DiagramSlopes, ecu::CalcDiagramSlopes), the idle point
// (ecu::ConfigData.FlaggedPoint) and the selected point (ecu::ConfigData.SelectedPoint) are shared with the link.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ecu/Config_Unit.h"

namespace rtl {
class TTimer;
}

namespace app {

constexpr int DiagramHistoryCapacity = 20;
struct TDiagramPoints {
  std::array<std::int32_t, ecu::DiagramPointCount> X{}, Y{};
  bool operator==(const TDiagramPoints&) const = default;
};

// The prompt at the bottom of the diagram that leads through the MAP-point correction.
struct TMapPrompt {
  bool Open = false;
  bool YesNo = false;    // Yes and No; a single OK otherwise
  std::string TextKey;   // language key of its text
  bool operator==(const TMapPrompt&) const = default;
};

// The diagram's drawing, editing, history and MAP-point correction. GUI thread only.
struct TDiagramState {
  std::int32_t DiagramRangeX = 25000;  // us across the full width
  std::int32_t DiagramRangeY = 32000;  // us over the full height
  // Pixel positions of the points from the drawing's left and top edges (Y grows downwards),
  // and the drawing's size.
  std::array<double, ecu::DiagramPointCount> PointPixelX{};
  std::array<double, ecu::DiagramPointCount> PointPixelY{};
  double DiagramWidth = 0;
  double DiagramHeight = 0;
  std::uint8_t FixedPoint = 0;  // point fixed with the right mouse button, 0 when none
  std::uint8_t FixedPointOn = 0;  // a point is fixed
  // Editing: a point is selected for moving (the arrow keys act only then); a pressed marker
  // follows the mouse; the held point has moved since the press; where in the marker it was
  // pressed.
  std::uint8_t PointTracking = 0;
  std::uint8_t PointHeld = 0;
  std::uint8_t PointMoved = 0;
  float GrabX = 0, GrabY = 0;
  // The points as they were when the edit under way began (a marker's press, an arrow key):
  // an edit the diagram refuses puts them back.
  TDiagramPoints EditBase;
  // The size of a point marker as last placed (the grab offset is taken from its corner).
  double MarkerWidth = 14, MarkerHeight = 14;
  // The arrow keys' step multiplier, and the main window's Timer_CLB_3D_Btn (300 ms, not
  // owned) that runs while the next key counts as a repeat. Without the timer every key
  // moves by the plain step.
  std::uint8_t KeyRepeatFactor = 0;
  rtl::TTimer* Timer_CLB_3D_Btn = nullptr;
  // The manifold marker is shown (it exists only with the Map_Point setting).
  bool ManifoldMarkerShown = true;
  // The history panel over the drawing, at the press that opened it.
  bool HistoryPanelOpen = false;
  float HistoryPanelX = 0, HistoryPanelY = 0;
  // The MAP-point correction: its prompt and the Yes answers given in it; the differences
  // summed and the pairs counted per point (us); the proposed gas times (all 0: no proposal)
  // and the slopes of the proposal's segments.
  TMapPrompt MapPrompt;
  std::uint8_t MapPromptStep = 0;
  std::array<std::int32_t, ecu::DiagramPointCount> CorrectionSums{};
  std::array<std::uint8_t, ecu::DiagramPointCount> CorrectionCounts{};
  std::array<std::int32_t, ecu::DiagramPointCount> CorrectionPoints{};
  std::array<double, ecu::DiagramPointCount> CorrectionRatios{};
  // Entry 0 is the oldest.
  std::array<TDiagramPoints, DiagramHistoryCapacity> DiagramHistory{};
  std::uint8_t HistoryCount = 0;
  std::uint8_t HistoryPosition = 0;

  // Everything back to its state at program start.
  void Reset() { *this = TDiagramState(); }
  bool operator==(const TDiagramState&) const = default;
};

// What the diagram asks of its page (the full redraw, closing the history panel) it asks of
// the installed core host; without one nothing is drawn.

// The default curve for the configured gas injector type.
void CalcDiagramPoints();
// Values to pixel positions in the drawing of the current size.
void DiagramValuesToPixels();
// Pixel positions to values, then the redraw. Nothing changes while the drawing has no size.
void PlaceDiagramPoints();

// Closes the history panel when it is open (on the page too).
void CloseHistoryPanel();

// Appends the current points (the oldest entry goes when twenty are kept); returns the new
// Diagram.HistoryPosition.
std::uint8_t PushDiagramHistory();
bool CanStepBack();     // Diagram.HistoryPosition >= 2
bool CanStepForward();  // Diagram.HistoryPosition < Diagram.HistoryCount
// History steps; each runs only while the link is up and the step is possible, rotates the
// entries and applies the newest. True when it ran. While the ECU is read again neither runs:
// the read puts the ECU's points in place, and the step's write would carry them; the user is
// told (TNotWritten::Reading).
bool DiagramHistoryBack();
bool DiagramHistoryForward();
// The newest entry becomes the points and is written at the end of the current poll cycle.
void ApplyDiagramHistory();

// An edit of the points begins (a marker's press, an arrow key's move): what it changes is
// remembered (Diagram.EditBase).
void BeginDiagramEdit();
// The end of an edit that is to reach the ECU: with the link up and a point selected, the
// slopes, a history entry, and a write after the transmission delay. While the ECU is read
// again the edit is refused, as an edit of the configuration page is: the points go back to
// what they were before it (the diagram shows what the ECU holds, or the read puts that in
// place), no history entry is made, and the user is told (TNotWritten::Reading).
void QueueDiagramTransmit();

}  // namespace app
