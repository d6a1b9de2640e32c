// Where the calibration diagram's shapes go and how they look: scales and grid, segment
// angles, read-outs, colours, MAP shapes, live markers and the two panels over the plot.
#include <gtest/gtest.h>

#include <cmath>

#include "app/core/Model.h"
#include "ecu/Live_Data.h"

#include "ecu/Session.h"
#include "tests/app/DiagramFixture.h"

namespace calibr_draw_test {

namespace {

using diagramtest::PlotHeight;
using diagramtest::PlotWidth;

class DiagramDrawTest : public diagramtest::DiagramFixture {
protected:
  app::TDiagramLook Look() {
    app::TDiagramLook look;
    EXPECT_TRUE(app::DiagramLook(PlotWidth, PlotHeight, 10, look));
    return look;
  }
};

TEST_F(DiagramDrawTest, ScalesAndGridFollowTheRanges) {
  const app::TDiagramFrame frame{549, 377, 30, 377, 32, 549, 22};
  const app::TDiagramScales s = app::PlaceDiagramScales(frame);
  // 5 ms of gas time is 377 / 32 * 5 = 58.90625 px.
  EXPECT_EQ(s.GasLabels[0].Text, "5");
  EXPECT_EQ(s.GasLabels[5].Text, "30");
  EXPECT_DOUBLE_EQ(s.GasLabels[1].Box.Y, 377 - 117.8125 - 8);
  EXPECT_EQ(s.PressureLabels[0].Text, "0.30");
  EXPECT_EQ(s.PressureLabels[5].Text, "1.80");
  EXPECT_EQ(s.PressureLabels[1].Box, (app::TBox{0, 377 - 117.8125 - 8, 32, 16}));
  EXPECT_EQ(s.PetrolLabels[0].Text, "0");
  EXPECT_EQ(s.PetrolLabels[5].Text, "25");
  EXPECT_NEAR(s.PetrolLabels[2].Box.X, 219.6 - 10, 1e-9);
  EXPECT_EQ(s.PetrolLabels[2].Box.Height, 22);
  EXPECT_DOUBLE_EQ(s.HorizontalGrid[0].Y, 377);
  EXPECT_DOUBLE_EQ(s.HorizontalGrid[6].Y, 377 - 353.4375);
  EXPECT_DOUBLE_EQ(s.HorizontalGrid[7].Y, 0);
  EXPECT_NEAR(s.VerticalGrid[4].X, 439.2, 1e-9);
  EXPECT_EQ(s.VerticalGrid[5], (app::TBox{549, 0, 1, 377}));
}

TEST_F(DiagramDrawTest, SegmentAnglesTurnByHalfACircleWhenGoingLeft) {
  EXPECT_DOUBLE_EQ(app::SegmentAngle(0, 10), 270);   // straight down
  EXPECT_DOUBLE_EQ(app::SegmentAngle(0, -10), 90);   // straight up
  EXPECT_DOUBLE_EQ(app::SegmentAngle(-10, 0), 180);  // leftwards
  EXPECT_DOUBLE_EQ(app::SegmentAngle(-10, -10), 225);
  EXPECT_DOUBLE_EQ(app::SegmentAngle(10, -10), -45);
  EXPECT_EQ(app::SegmentAngle(0, 0), 0);  // no length: no angle, not NaN
  const app::TSegment seg = app::SegmentBetween(3, 4, 6, 8);
  EXPECT_DOUBLE_EQ(seg.Length, 5);

  // The curve's segments join its markers' centres.
  const auto& m = page->Shapes.Markers;
  const auto& g = page->Shapes.Segments[3];
  EXPECT_DOUBLE_EQ(g.X, m[3].X + 7);
  const double rad = g.Angle * 3.14159265358979323846 / 180;
  EXPECT_NEAR(g.X + g.Length * std::cos(rad), m[4].X + 7, 1e-9);
  EXPECT_NEAR(g.Y + g.Length * std::sin(rad), m[4].Y + 7, 1e-9);
}

TEST_F(DiagramDrawTest, ReadOutsShowValuesWithTwoDecimals) {
  EXPECT_EQ(app::CursorText(PlotWidth / 2, PlotHeight / 2), "Gas, ms = 16.00;  Petrol, ms = 12.50;");
  ecu::Session().ConfigData.Configuration->Save_Map = 1;
  EXPECT_EQ(app::CursorText(PlotWidth / 2, PlotHeight / 2),
            "Gas, ms = 16.00;  Petrol, ms = 12.50; Manifuld, bar = 0.96; ");
  EXPECT_EQ(app::SelectedPointText(), "");
  ecu::Session().ConfigData.SelectedPoint = 3;
  EXPECT_EQ(app::SelectedPointText(), "Point = 3 -> Gas, ms = 7.52;  Petrol, ms = 6.00;");

  // Hovering the background shows the values under the pointer.
  app::DiagramMouseMove(false, PlotWidth / 2, PlotHeight / 2);
  ASSERT_FALSE(page->Positions.empty());
  EXPECT_EQ(page->Positions.front(), "Gas, ms = 16.00;  Petrol, ms = 12.50; Manifuld, bar = 0.96; ");
}

TEST_F(DiagramDrawTest, APlotOfNoSizeIsNeitherPlacedNorDrawn) {
  const auto x = ecu::Session().ConfigData.DiagramPointX;
  const auto before = app::Model().Diagram.PointPixelY;
  app::TDiagramShapes shapes;
  EXPECT_FALSE(app::PlaceDiagramShapes(0, 377, 14, 14, shapes));
  EXPECT_EQ(app::Model().Diagram.PointPixelY, before);
  app::TDiagramLook look;
  EXPECT_FALSE(app::DiagramLook(549, 0, 10, look));
  app::Model().Diagram.DiagramWidth = 0;
  EXPECT_EQ(app::CursorText(10, 10), "");
  app::PlaceDiagramPoints();  // nothing converted from a drawing of no size
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointX, x);
}

TEST_F(DiagramDrawTest, MarkerColoursFollowFixedSelectedAndIdlePoints) {
  EXPECT_EQ(Look().MarkerColors[4], app::Color_Diagram);
  EXPECT_FALSE(Look().GuidesShown);
  app::Model().Diagram.FixedPoint = 5;
  ecu::Session().ConfigData.SelectedPoint = 3;
  app::TDiagramLook look = Look();
  EXPECT_EQ(look.MarkerColors[5], app::Color_Diagram_Fixed);
  EXPECT_EQ(look.MarkerColors[3], app::Color_Diagram_Marked);
  ASSERT_TRUE(look.GuidesShown);
  EXPECT_DOUBLE_EQ(look.Guides[0].X, PX(2));
  EXPECT_DOUBLE_EQ(look.Guides[1].X, PX(4));
  EXPECT_EQ(look.Guides[3], (app::TBox{PX(2), PlotHeight, PX(4) - PX(2), 1}));

  ecu::Session().ConfigData.SelectedPoint = 8;  // an end point: no guides
  EXPECT_FALSE(Look().GuidesShown);
  app::Model().Settings.Idle_Points = true;  // the idle points over every other colour
  look = Look();
  EXPECT_EQ(look.MarkerColors[1], app::Color_Diagram_Idle);
  EXPECT_EQ(look.MarkerColors[2], app::Color_Diagram_Idle);
  EXPECT_EQ(look.MarkerColors[3], app::Color_Diagram);
}

TEST_F(DiagramDrawTest, MapShapesExistOnlyForCollectedPoints) {
  ecu::Session().ConfigData.MapPointsGas[3] = 1450;
  ecu::Session().ConfigData.MapPointsPetrol[3] = 1300;
  EXPECT_FALSE(Look().SaveMap);
  EXPECT_EQ(Look().PairCount, 0);

  ecu::Session().ConfigData.Configuration->Save_Map = 1;
  ecu::Session().ConfigData.MapPointsGas.fill(0);
  ecu::Session().ConfigData.MapPointsPetrol.fill(0);
  app::TDiagramLook look = Look();
  EXPECT_EQ(look.PairCount + look.GasPoints.Count + look.PetrolPoints.Count, 0);

  // Band 3 of L 32: reading 64, 28 kPa.
  ecu::Session().ConfigData.MapPointsGas[3] = 1450;
  ecu::Session().ConfigData.MapPointsPetrol[3] = 1300;
  ecu::Session().ConfigData.MapPointsGas[5] = 1600;
  look = Look();
  ASSERT_EQ(look.PairCount, 1);
  EXPECT_EQ(app::MapBandPressure(3), 28);
  const double y = PlotHeight - PlotHeight / 192 * 28;
  EXPECT_NEAR(look.PairBars[0].X, PlotWidth / 25000 * 13000, 1e-9);
  EXPECT_NEAR(look.PairBars[0].Width, PlotWidth / 25000 * 1500, 1e-9);
  EXPECT_NEAR(look.PairBars[0].Y, y - 1, 1e-9);
  EXPECT_TRUE(look.PairWide[0]);
  EXPECT_EQ(look.GasPoints.Count, 2);
  EXPECT_EQ(look.PetrolPoints.Count, 1);
  EXPECT_NEAR(look.GasPoints.Lines[0].X, PlotWidth / 25000 * 14500, 1e-9);
}

TEST_F(DiagramDrawTest, TheLiveGasMarkerIsPinnedToTheRightEdge) {
  ecu::Session().LiveData.LivePetrolTimeAvg = 12500;
  ecu::Session().LiveData.LiveGasTimeAvg = 16000;
  app::TDiagramLook look = Look();
  EXPECT_DOUBLE_EQ(look.LiveX, PlotWidth / 2);
  EXPECT_DOUBLE_EQ(look.LiveGasY, PlotHeight / 2);
  EXPECT_FALSE(look.ManifoldShown);
  ecu::Session().LiveData.LivePetrolTimeAvg = 25001;
  EXPECT_DOUBLE_EQ(Look().LiveX, PlotWidth);
  app::Model().Settings.Map_Point = true;
  EXPECT_TRUE(Look().ManifoldShown);
}

TEST_F(DiagramDrawTest, PanelsOpenWhereThePressAndThePlotPutThem) {
  const app::THistoryPanelLayout h = app::HistoryPanelLayout(200, 100);
  EXPECT_EQ(h.Panel, (app::TBox{148.5, 66, 103, 75}));
  EXPECT_EQ(h.Back, (app::TBox{4, 23, 95, 22}));
  EXPECT_EQ(h.Forward, (app::TBox{4, 49, 95, 22}));

  const app::TMapPromptLayout p = app::MapPromptLayout(549, 377, true);
  EXPECT_NEAR(p.Outer.Width, 329.4, 1e-9);
  EXPECT_NEAR(p.Outer.Height, 75.4, 1e-9);
  EXPECT_NEAR(p.Outer.X, (549 - 329.4) / 2, 1e-9);
  EXPECT_NEAR(p.Outer.Y + p.Outer.Height, 377, 1e-9);
  // Yes and No side by side below the text, inside the outer panel.
  EXPECT_NEAR(p.First.X, p.Inner.X, 1e-9);
  EXPECT_NEAR(p.Second.X, p.First.X + p.First.Width + p.Inner.Y, 1e-9);
  EXPECT_LE(p.Second.X + p.Second.Width, p.Outer.Width);
  EXPECT_LE(p.First.Y + p.First.Height, p.Outer.Height);
  const app::TMapPromptLayout ok = app::MapPromptLayout(549, 377, false);
  EXPECT_NEAR(ok.First.X + ok.First.Width / 2, ok.Outer.Width / 2, 1e-9);
}

}  // namespace

}  // namespace calibr_draw_test
