// The calibration diagram's model: nine points, each pairing a petrol injection time (X) with
// the gas injection time (Y) the ECU applies for it (ecu::ConfigData.DiagramPointX/Y, microseconds);
// the default curve from the gas injector type; the conversion between values and positions
// in the drawing; the history of past point sets; and when an edit is written to the ECU.
// The slopes (ecu::ConfigData.DiagramSlopes, ecu::CalcDiagramSlopes), the idle point
// (ecu::ConfigData.FlaggedPoint) and the selected point (ecu::ConfigData.SelectedPoint) are shared with the link.
#pragma once

#include <array>
#include <cstdint>

#include "ecu/Config_Unit.h"

namespace app {

constexpr int DiagramHistoryCapacity = 20;
struct TDiagramPoints {
  std::array<std::int32_t, ecu::DiagramPointCount> X{}, Y{};
  bool operator==(const TDiagramPoints&) const = default;
};

// The diagram's drawing and history. GUI thread only.
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
  // Entry 0 is the oldest.
  std::array<TDiagramPoints, DiagramHistoryCapacity> DiagramHistory{};
  std::uint8_t HistoryCount = 0;
  std::uint8_t HistoryPosition = 0;

  // Everything back to its state at program start.
  void Reset() { *this = TDiagramState(); }
  bool operator==(const TDiagramState&) const = default;
};
extern TDiagramState Diagram;

// What the diagram asks of its page (the full redraw, closing the history panel) it asks of
// the installed core host; without one nothing is drawn.

// The default curve for the configured gas injector type.
void CalcDiagramPoints();
// Values to pixel positions in the drawing of the current size.
void DiagramValuesToPixels();
// Pixel positions to values, then the redraw. Nothing changes while the drawing has no size.
void PlaceDiagramPoints();

// Appends the current points (the oldest entry goes when twenty are kept); returns the new
// Diagram.HistoryPosition.
std::uint8_t PushDiagramHistory();
bool CanStepBack();     // Diagram.HistoryPosition >= 2
bool CanStepForward();  // Diagram.HistoryPosition < Diagram.HistoryCount
// History steps; each runs only while the link is up and the step is possible, rotates the
// entries and applies the newest. True when it ran.
bool DiagramHistoryBack();
bool DiagramHistoryForward();
// The newest entry becomes the points and is written at the end of the current poll cycle.
void ApplyDiagramHistory();

// The end of an edit that is to reach the ECU: with the link up and a point selected, the
// slopes, a history entry, and a write after the transmission delay.
void QueueDiagramTransmit();

}  // namespace app
