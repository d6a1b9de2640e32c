#include "app/core/Calibr_Draw.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Language.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

// kPa over the full height of the drawing.
constexpr double ManifoldRange = 192;
// A MAP pair whose times differ by more than this (us) asks for a correction.
constexpr std::int32_t MapPairTolerance = 1000;

bool MapCollecting() {
  return ecu::Session().ConfigData.Configuration && ecu::Session().ConfigData.Configuration->Save_Map != 0;
}

TBox Centred(double X, double Y, double Width, double Height) {
  return {X - Width / 2, Y - Height / 2, Width, Height};
}

// The MAP points of one kind, at the heights of their bands.
void PlaceMapPoints(const std::array<std::int32_t, ecu::MapPointCapacity>& Points, double Width, double Height,
                    double MarkerSize, TMapPointShapes& Shapes) {
  Shapes.Count = 0;
  const int used = MapPointsUsed();
  double lastX = 0, lastY = 0;
  for (int j = 0; j < used; ++j) {
    const std::int32_t v = Points[static_cast<std::size_t>(j)];
    if (v == 0) continue;
    const double x = Width / 25000 * v * 10;
    const double y = Height - Height / ManifoldRange * MapBandPressure(j);
    const auto k = static_cast<std::size_t>(Shapes.Count);
    Shapes.Markers[k] = Centred(x, y, MarkerSize, MarkerSize);
    if (k > 0) Shapes.Lines[k - 1] = SegmentBetween(lastX, lastY, x, y);
    lastX = x;
    lastY = y;
    ++Shapes.Count;
  }
}

}  // namespace

double SegmentAngle(double Dx, double Dy) {
  if (Dx == 0 && Dy == 0) return 0;
  double angle = std::atan(Dy / Dx) * 180 / std::numbers::pi;
  if (Dx <= 0) angle += 180;
  return angle;
}

TSegment SegmentBetween(double X0, double Y0, double X1, double Y1) {
  const double dx = X1 - X0, dy = Y1 - Y0;
  return {X0, Y0, std::sqrt(dx * dx + dy * dy), SegmentAngle(dx, dy)};
}

TDiagramScales PlaceDiagramScales(const TDiagramFrame& F) {
  TDiagramScales s;
  const double hg = F.GasScaleHeight;
  for (int i = 1; i <= ScaleLabelCount; ++i) {
    const auto k = static_cast<std::size_t>(i - 1);
    const double y = hg - hg / 32 * (i * 5) - 8;
    s.GasLabels[k] = {std::to_string(i * 5), {0, y, F.GasScaleWidth, 16}};
    s.PressureLabels[k] = {TwoDecimals(i * 30 / 100.0), {0, y, F.ManifoldScaleWidth, 16}};
  }
  for (int i = 0; i < ScaleLabelCount; ++i)
    s.PetrolLabels[static_cast<std::size_t>(i)] = {std::to_string(i * 5),
                                                   {i * 5 * (F.PetrolScaleWidth / 25) - 10, 0, 30, F.PetrolScaleHeight}};
  for (int i = 0; i < HorizontalGridLines - 1; ++i)
    s.HorizontalGrid[static_cast<std::size_t>(i)] = {0, hg - hg / 32 * (i * 5), F.PlotWidth, 1};
  s.HorizontalGrid[HorizontalGridLines - 1] = {0, 0, F.PlotWidth, 1};
  for (int i = 0; i < VerticalGridLines - 1; ++i)
    s.VerticalGrid[static_cast<std::size_t>(i)] = {i * 5 * (F.PetrolScaleWidth / 25), 0, 1, F.PlotHeight};
  s.VerticalGrid[VerticalGridLines - 1] = {F.PetrolScaleWidth, 0, 1, F.PlotHeight};
  return s;
}

bool HasMapProposal() {
  return std::any_of(Model().Diagram.CorrectionPoints.begin(), Model().Diagram.CorrectionPoints.end(),
                     [](std::int32_t v) { return v != 0; });
}

bool PlaceDiagramShapes(double W, double H, double MarkerWidth, double MarkerHeight, TDiagramShapes& S) {
  if (!(W > 0 && H > 0)) return false;
  Model().Diagram.DiagramWidth = W;
  Model().Diagram.DiagramHeight = H;
  Model().Diagram.MarkerWidth = MarkerWidth;
  Model().Diagram.MarkerHeight = MarkerHeight;
  DiagramValuesToPixels();
  const auto& px = Model().Diagram.PointPixelX;
  const auto& py = Model().Diagram.PointPixelY;
  for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) S.Markers[i] = Centred(px[i], py[i], MarkerWidth, MarkerHeight);
  for (std::size_t k = 0; k < SegmentCount; ++k) S.Segments[k] = SegmentBetween(px[k], py[k], px[k + 1], py[k + 1]);
  S.Proposal = HasMapProposal();
  if (S.Proposal) {
    std::array<double, ecu::DiagramPointCount> cy{};
    for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
      cy[i] = H - H / Model().Diagram.DiagramRangeY * Model().Diagram.CorrectionPoints[i];
      S.ProposalMarkers[i] = Centred(px[i], cy[i], MarkerWidth, MarkerHeight);
    }
    for (std::size_t k = 0; k < SegmentCount; ++k)
      S.ProposalSegments[k] = SegmentBetween(px[k], cy[k], px[k + 1], cy[k + 1]);
  }
  return true;
}

int MapPointsUsed() { return std::min<int>(ecu::Session().ConfigData.MapPointCount, ecu::MapPointCapacity); }

std::int32_t MapBandPressure(int J) {
  // A reading has ten bits; a band count the ECU could not mean stays at the top.
  const int reading = std::min(ecu::Session().ConfigData.MapPointCount / 2 * (J + 1), 1023);
  return ecu::ADCToScaled(static_cast<std::uint8_t>(reading >> 8), static_cast<std::uint8_t>(reading & 0xFF));
}

bool DiagramLook(double W, double H, double MapMarkerSize, TDiagramLook& L) {
  if (!(W > 0 && H > 0)) return false;
  L.MarkerColors.fill(Color_Diagram);
  if (Model().Diagram.FixedPoint != 0 && Model().Diagram.FixedPoint < ecu::DiagramPointCount)
    L.MarkerColors[Model().Diagram.FixedPoint] = Color_Diagram_Fixed;
  const std::int32_t sel = ecu::Session().ConfigData.SelectedPoint;
  L.GuidesShown = false;
  if (sel >= 0 && sel < ecu::DiagramPointCount) {
    const auto s = static_cast<std::size_t>(sel);
    L.MarkerColors[s] = Color_Diagram_Marked;
    if (sel >= 1 && sel <= 7) {
      const double left = Model().Diagram.PointPixelX[s - 1], right = Model().Diagram.PointPixelX[s + 1];
      L.GuidesShown = true;
      L.Guides = {TBox{left, 0, 1, H}, TBox{right, 0, 1, H}, TBox{left, 0, right - left, 1},
                  TBox{left, H, right - left, 1}};
    }
  }
  if (Model().Settings.Idle_Points) {
    const int idle = ecu::Session().ConfigData.FlaggedPoint;
    for (int i : {idle - 1, idle})
      if (i >= 0 && i < ecu::DiagramPointCount) L.MarkerColors[static_cast<std::size_t>(i)] = Color_Diagram_Idle;
  }

  L.SaveMap = MapCollecting();
  L.PairCount = 0;
  L.GasPoints.Count = L.PetrolPoints.Count = 0;
  if (L.SaveMap) {
    const int used = MapPointsUsed();
    for (int j = 0; j < used; ++j) {
      const std::int32_t g = ecu::Session().ConfigData.MapPointsGas[static_cast<std::size_t>(j)];
      const std::int32_t p = ecu::Session().ConfigData.MapPointsPetrol[static_cast<std::size_t>(j)];
      if (g == 0 || p == 0) continue;
      const double xg = W / 25000 * g * 10, xp = W / 25000 * p * 10;
      const double y = H - H / ManifoldRange * MapBandPressure(j);
      const auto k = static_cast<std::size_t>(L.PairCount++);
      L.PairBars[k] = {std::min(xg, xp), y - 1, std::abs(xg - xp), 2};
      L.PairWide[k] = std::abs(g - p) * 10 > MapPairTolerance;
    }
    PlaceMapPoints(ecu::Session().ConfigData.MapPointsGas, W, H, MapMarkerSize, L.GasPoints);
    PlaceMapPoints(ecu::Session().ConfigData.MapPointsPetrol, W, H, MapMarkerSize, L.PetrolPoints);
  }

  const std::int32_t petrol = ecu::Session().LiveData.LivePetrolTimeAvg;
  L.LiveX = petrol > 25000 ? W : W / 25000 * petrol;
  L.LiveGasY = H - H / 32000 * ecu::Session().LiveData.LiveGasTimeAvg;
  L.LiveManifoldY = H - H / ManifoldRange * ecu::Session().LiveData.LivePressColl;
  L.ManifoldShown = Model().Settings.Map_Point && Model().Diagram.ManifoldMarkerShown;
  return true;
}

std::string TwoDecimals(double Value) { return rtl::FloatToStrF(Value, rtl::ffFixed, 15, 2); }

std::string SelectedPointText() {
  const std::int32_t sel = ecu::Session().ConfigData.SelectedPoint;
  if (sel < 0 || sel >= ecu::DiagramPointCount) return {};
  const auto s = static_cast<std::size_t>(sel);
  const std::string ms = ecu::LngText("Dim_MS_Short");
  return ecu::LngText("Point") + " = " + std::to_string(sel) + " -> " + ecu::LngText("Gas") + ", " + ms + " = " +
         TwoDecimals(ecu::Session().ConfigData.DiagramPointY[s] / 1000.0) + ";  " + ecu::LngText("Petrol") + ", " + ms +
         " = " + TwoDecimals(ecu::Session().ConfigData.DiagramPointX[s] / 1000.0) + ";";
}

std::string CursorText(double X, double Y) {
  const double w = Model().Diagram.DiagramWidth, h = Model().Diagram.DiagramHeight;
  if (!(w > 0 && h > 0)) return {};
  const std::string ms = ecu::LngText("Dim_MS_Short");
  std::string text = ecu::LngText("Gas") + ", " + ms + " = " + TwoDecimals(32000 / h * (h - Y) / 1000) + ";  " +
                     ecu::LngText("Petrol") + ", " + ms + " = " + TwoDecimals(25000 / w * X / 1000) + ";";
  if (MapCollecting())
    text += " " + ecu::LngText("Manifuld") + ", " + ecu::LngText("Dim_Bar_Long") + " = " +
            TwoDecimals(ManifoldRange / h * (h - Y) / 100) + "; ";
  return text;
}

THistoryPanelLayout HistoryPanelLayout(double X, double Y) {
  THistoryPanelLayout l;
  l.Panel = {X - 51.5, Y - 34, 103, 75};
  l.Title = {4, 4, 95, 15};
  l.Back = {4, l.Title.Y + l.Title.Height + 4, 95, 22};
  l.Forward = {4, l.Back.Y + 22 + 4, 95, 22};
  return l;
}

TMapPromptLayout MapPromptLayout(double W, double H, bool YesNo) {
  TMapPromptLayout l;
  const double ow = W * 60 / 100, oh = H * 20 / 100;
  l.Outer = {(W - ow) / 2, H - oh, ow, oh};
  const double iw = ow * 80 / 100, ih = oh / 3;
  l.Inner = {(ow - iw) / 2, ih / 3, iw, ih};
  const double bw = (iw - l.Inner.Y) / 2;
  const double by = l.Inner.Y * 2 + ih;
  const double bx = YesNo ? l.Inner.X : (iw - bw) / 2 + l.Inner.X;
  l.First = {bx, by, bw, ih};
  l.Second = {bx + bw + l.Inner.Y, by, bw, ih};
  return l;
}

}  // namespace app
