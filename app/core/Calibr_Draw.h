// Where the calibration diagram's shapes go and how they look, worked out from the model
// without a window: the scale labels and the grid, the point markers and the segments between
// them, the MAP-correction proposal, the MAP points collected by the ECU, the live markers, the
// markers' colours and the point guides, the read-out texts, and the two panels that open over
// the drawing. The page (app/ui) puts its shapes where these say.
//
// Positions are in pixels from the left and top edges of the shape's parent (the drawing, or
// a scale for its labels); Y grows downwards.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/core/Calibr_Unit.h"

namespace app {

// A rectangle in its parent.
struct TBox {
  double X = 0, Y = 0, Width = 0, Height = 0;
  bool operator==(const TBox&) const = default;
};
// A line from (X, Y) of this length, turned clockwise by Angle degrees about its start.
struct TSegment {
  double X = 0, Y = 0, Length = 0, Angle = 0;
  bool operator==(const TSegment&) const = default;
};

// The angle of the line from (0, 0) to (Dx, Dy): atan(Dy / Dx) in degrees, turned by 180 when
// Dx <= 0 (so a line going straight down has 270, one going straight up 90). A line of no
// length has angle 0.
double SegmentAngle(double Dx, double Dy);
TSegment SegmentBetween(double X0, double Y0, double X1, double Y1);

// ---- Scales and grid ------------------------------------------------------------------------

struct TDiagramFrame {
  double PlotWidth = 0, PlotHeight = 0;              // Image_CLB_Diagram
  double GasScaleWidth = 0, GasScaleHeight = 0;      // Image_CLB_Scale_Gas
  double ManifoldScaleWidth = 0;                     // Image_CLB_Scale_Manifuld
  double PetrolScaleWidth = 0, PetrolScaleHeight = 0;  // Image_CLB_Scale_Petrol
};
struct TScaleLabel {
  std::string Text;
  TBox Box;
};
constexpr int ScaleLabelCount = 6;
constexpr int HorizontalGridLines = 8;
constexpr int VerticalGridLines = 6;
struct TDiagramScales {
  // On the gas scale: 5 .. 30 ms; on the manifold scale at the same heights: 0.30 .. 1.80
  // bar; on the petrol scale: 0 .. 25 ms.
  std::array<TScaleLabel, ScaleLabelCount> GasLabels, PressureLabels, PetrolLabels;
  // On the drawing: lines at every 5 ms of gas time from 0 and one at the top edge; lines at
  // every 5 ms of petrol time from 0, the last at the right edge.
  std::array<TBox, HorizontalGridLines> HorizontalGrid;
  std::array<TBox, VerticalGridLines> VerticalGrid;
};
TDiagramScales PlaceDiagramScales(const TDiagramFrame& Frame);

// ---- The curve --------------------------------------------------------------------------------

constexpr int SegmentCount = ecu::DiagramPointCount - 1;
struct TDiagramShapes {
  std::array<TBox, ecu::DiagramPointCount> Markers;
  std::array<TSegment, SegmentCount> Segments;
  // The MAP-correction proposal, while there is one.
  bool Proposal = false;
  std::array<TBox, ecu::DiagramPointCount> ProposalMarkers;
  std::array<TSegment, SegmentCount> ProposalSegments;
};

// A proposal exists while any proposed gas time is not 0.
bool HasMapProposal();

// Takes the drawing's size into the model and places the points from their values
// (DiagramValuesToPixels), then the markers (of the given size, centred on their points) and
// the segments. False, with nothing changed, for a drawing of no size.
bool PlaceDiagramShapes(double Width, double Height, double MarkerWidth, double MarkerHeight, TDiagramShapes& Shapes);

// ---- The state drawn over the curve -----------------------------------------------------------

constexpr int MapShapeCapacity = ecu::MapPointCapacity;
// The collected MAP points of one kind: a marker per point and a line from each to the next.
struct TMapPointShapes {
  int Count = 0;
  std::array<TBox, MapShapeCapacity> Markers;
  std::array<TSegment, MapShapeCapacity - 1> Lines;
};
struct TDiagramLook {
  // Colour role of each marker.
  std::array<int, ecu::DiagramPointCount> MarkerColors{};
  // The four guides of a selected point 1..7: vertical lines at its neighbours, horizontal
  // lines between them at the top and bottom edges.
  bool GuidesShown = false;
  std::array<TBox, 4> Guides;
  // While the ECU collects MAP points: a bar per pair from the gas to the petrol time (Wide
  // when they differ by more than 1000 us), and the gas and the petrol points.
  bool SaveMap = false;
  int PairCount = 0;
  std::array<TBox, MapShapeCapacity> PairBars;
  std::array<bool, MapShapeCapacity> PairWide{};
  TMapPointShapes GasPoints, PetrolPoints;
  // The live operating point (mean petrol time against mean gas time, pinned to the right
  // edge beyond the drawing), and the manifold pressure at the same petrol time.
  double LiveX = 0, LiveGasY = 0, LiveManifoldY = 0;
  bool ManifoldShown = false;
};

// The MAP points the arrays hold for the ECU: its count, at most the arrays' 32.
int MapPointsUsed();
// The manifold pressure (kPa) of MAP band J: the 10-bit reading (count div 2) x (J + 1) scaled.
std::int32_t MapBandPressure(int J);

// The look of the drawing of the given size (MAP markers of the given size); false for a
// drawing of no size.
bool DiagramLook(double Width, double Height, double MapMarkerSize, TDiagramLook& Look);

// ---- Read-outs ----------------------------------------------------------------------------------

// "Point = 3 -> Gas, ms = 7.52;  Petrol, ms = 6.00;" for the selected point (language texts);
// empty when none is selected.
std::string SelectedPointText();
// The values under the pointer at (X, Y) in the drawing, with the manifold pressure while the
// ECU collects MAP points; empty for a drawing of no size.
std::string CursorText(double X, double Y);
// Two decimals and a decimal point.
std::string TwoDecimals(double Value);

// ---- Panels over the drawing --------------------------------------------------------------------

struct THistoryPanelLayout {
  TBox Panel, Title, Back, Forward;
};
// The history panel for a press at (X, Y) of the drawing.
THistoryPanelLayout HistoryPanelLayout(double X, double Y);

struct TMapPromptLayout {
  TBox Outer, Inner, First, Second;  // Inner and the buttons in Outer; the text fills Inner
};
// The prompt at the bottom centre of a drawing of the given size.
TMapPromptLayout MapPromptLayout(double Width, double Height, bool YesNo);

}  // namespace app
