// The calibration diagram's model: nine points, each pairing a petrol injection time (X) with
// the gas injection time (Y) the ECU applies for it (ecu::DiagramPointX/Y, microseconds);
// the default curve from the gas injector type; the conversion between values and positions
// in the drawing; the history of past point sets; and when an edit is written to the ECU.
// The slopes (ecu::DiagramSlopes, ecu::CalcDiagramSlopes), the idle point
// (ecu::FlaggedPoint) and the selected point (ecu::SelectedPoint) are shared with the link.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "ecu/Config_Unit.h"

namespace app {

extern std::int32_t DiagramRangeX;  // 25000 us across the full width
extern std::int32_t DiagramRangeY;  // 32000 us over the full height

// Pixel positions of the points from the drawing's left and top edges (Y grows downwards),
// and the drawing's size.
extern std::array<double, ecu::DiagramPointCount> PointPixelX;
extern std::array<double, ecu::DiagramPointCount> PointPixelY;
extern double DiagramWidth;
extern double DiagramHeight;
extern std::uint8_t FixedPoint;  // point fixed with the right mouse button, 0 when none

constexpr int DiagramHistoryCapacity = 20;
struct TDiagramPoints {
  std::array<std::int32_t, ecu::DiagramPointCount> X{}, Y{};
  bool operator==(const TDiagramPoints&) const = default;
};
// Entry 0 is the oldest.
extern std::array<TDiagramPoints, DiagramHistoryCapacity> DiagramHistory;
extern std::uint8_t HistoryCount;
extern std::uint8_t HistoryPosition;

// What the diagram asks of its page: the full redraw and closing the history panel. Unset
// hooks do nothing.
extern std::function<void()> RedrawCalibrationDiagram;
extern std::function<void()> CloseDiagramHistoryPanel;

// The default curve for the configured gas injector type.
void CalcDiagramPoints();
// Values to pixel positions in the drawing of the current size.
void DiagramValuesToPixels();
// Pixel positions to values, then the redraw. Nothing changes while the drawing has no size.
void PlaceDiagramPoints();

// Appends the current points (the oldest entry goes when twenty are kept); returns the new
// HistoryPosition.
std::uint8_t PushDiagramHistory();
bool CanStepBack();     // HistoryPosition >= 2
bool CanStepForward();  // HistoryPosition < HistoryCount
// History steps; each runs only while the link is up and the step is possible, rotates the
// entries and applies the newest. True when it ran.
bool DiagramHistoryBack();
bool DiagramHistoryForward();
// The newest entry becomes the points and is written at the end of the current poll cycle.
void ApplyDiagramHistory();

// The end of an edit that is to reach the ECU: with the link up and a point selected, the
// slopes, a history entry, and a write after the transmission delay.
void QueueDiagramTransmit();

// Clears the history and the drawing state (program start; tests).
void ClearDiagram();

}  // namespace app
