// Editing the calibration diagram: dragging markers, the arrow keys and their repeat, the end
// points' rescaling, the locked idle points, and what reaches the ECU and when.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/core/Model.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "tests/app/DiagramFixture.h"

namespace calibr_edit_test {

namespace {

using app::TDiagramKey;

class DiagramEditTest : public diagramtest::DiagramFixture {
protected:
  std::array<double, ecu::DiagramPointCount> PixelsY() const { return app::Model().Diagram.PointPixelY; }
  // Presses the key and lets Ms milliseconds pass; returns how far point I moved up.
  double KeyUp(int I, double Ms) {
    const double before = PY(I);
    app::DiagramKeyDown(TDiagramKey::Up);
    clock.Advance(Ms);
    return before - PY(I);
  }
};

// One gas microsecond is 377 / 32000 px: a position survives the round trip through the
// values to about that.
constexpr double RoundTrip = 377.0 / 32000 * 1.01;

TEST_F(DiagramEditTest, DragFollowsThePointerAndWritesOnceAfterTheDelay) {
  ecu::Session().Link.LinkUp = 1;
  const double x = PX(4), y = PY(4);
  app::DiagramMarkerMouseDown(5, rtl::mbLeft, 7, 7);
  app::DiagramMarkerMouseMove(5, 7, 7 - 12);  // over the marker: moved by the offset
  EXPECT_NEAR(PY(4), y - 12, RoundTrip);
  app::DiagramMouseMove(true, x, y - 20);  // over the background: the grab point follows the pointer
  EXPECT_NEAR(PY(4), y - 20, RoundTrip);
  EXPECT_NEAR(PX(4), x, 377.0 / 25000 * 2);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);  // nothing written while dragging

  app::DiagramMouseUp(x, y - 20);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 1);
  EXPECT_EQ(GasTime(4), app::Model().Diagram.DiagramHistory[0].Y[4]);
  EXPECT_NEAR(GasTime(4), 10280 + 20 * 32000 / 377.0, 2);
  clock.Advance(1499);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  clock.Advance(1);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);

  // A release over the marker ends a drag the same way; a press and release without a move
  // writes nothing and leaves the point chosen for the keys.
  ecu::Session().Link.TaskRequest = 0;
  app::DiagramMarkerMouseDown(3, rtl::mbLeft, 7, 7);
  app::DiagramMarkerMouseMove(3, 7, 9);
  app::DiagramMarkerMouseUp(3);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 2);
  Choose(2);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 2);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, 2);
  EXPECT_EQ(app::Model().Diagram.PointTracking, 1);
}

TEST_F(DiagramEditTest, PointsMoveAlongXOnlyStrictlyBetweenTheirNeighbours) {
  const double x3 = PX(3), x4 = PX(4);
  app::DiagramMarkerMouseDown(4, rtl::mbLeft, 7, 7);
  app::DiagramMarkerMouseMove(4, 7 + (x4 - x3), 7);  // onto point 4's X: refused
  EXPECT_DOUBLE_EQ(PX(3), x3);
  app::DiagramMarkerMouseMove(4, 7 + (x4 - x3) - 0.5, 7);
  EXPECT_LT(PX(3), x4);
  EXPECT_GT(PX(3), x3);
  app::DiagramMarkerMouseUp(4);

  // The end points never move along X, by mouse or key.
  app::DiagramMarkerMouseDown(9, rtl::mbLeft, 7, 7);
  app::DiagramMarkerMouseMove(9, -30, 7);
  app::DiagramMarkerMouseUp(9);
  EXPECT_EQ(PetrolTime(8), 25000);
  Choose(0);
  app::DiagramKeyDown(TDiagramKey::Right);
  EXPECT_EQ(PetrolTime(0), 0);
}

TEST_F(DiagramEditTest, RightOnAnEndPointPushesAndWritesOnlyWithTheLinkUp) {
  Choose(8);
  app::DiagramKeyDown(TDiagramKey::Right);
  clock.Advance(2000);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);

  ecu::Session().Link.LinkUp = 1;
  const auto before = ecu::Session().ConfigData.DiagramPointY;
  app::DiagramKeyDown(TDiagramKey::Right);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, before);
  EXPECT_EQ(PetrolTime(8), 25000);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 1);
  clock.Advance(1500);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);
}

// The next read replaces such an edit: the installer is told so, once for the link's loss.
TEST_F(DiagramEditTest, WithTheLinkDownEditsRedrawButNeitherPushNorWrite) {
  Choose(4);
  const int redraws = page->Redraws;
  const std::int32_t gas = GasTime(4);
  app::DiagramKeyDown(TDiagramKey::Up);
  EXPECT_GT(GasTime(4), gas);
  EXPECT_GT(page->Redraws, redraws);
  app::DiagramMarkerMouseDown(3, rtl::mbLeft, 7, 7);
  app::DiagramMarkerMouseMove(3, 7, 0);
  app::DiagramMarkerMouseUp(3);
  clock.Advance(3000);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(page->Find("message 13 ").size(), 1u);
  EXPECT_EQ(page->Find("message 13 " + ecu::LngText("MSG_Not_Written_No_Link")).size(), 1u);
}

// While the ECU is read again the diagram shows what it holds, as the Setup page does: an edit
// by key or by drag, after the read's points came or before, goes back to the points from
// before it, leaves no history entry, writes nothing, and is told once for the read. A history
// step is refused the same way: its write would come after the read.
TEST_F(DiagramEditTest, AnEditWhileTheEcuIsReadAgainGoesBackAndIsReported) {
  ecu::Session().Link.LinkUp = 1;
  ecu::Session().Link.Reading = 1;
  ++ecu::Session().Link.ReadCount;
  const auto before = ecu::Session().ConfigData.DiagramPointY;
  const auto pixels = PixelsY();
  Choose(4);
  app::DiagramKeyDown(TDiagramKey::Up);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, before);
  app::DiagramMarkerMouseDown(3, rtl::mbLeft, 7, 7);
  app::DiagramMarkerMouseMove(3, 7, -20);
  EXPECT_NE(ecu::Session().ConfigData.DiagramPointY, before) << "the drag shows while it lasts";
  app::DiagramMouseUp(100, 40);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, before);
  for (int i = 0; i < ecu::DiagramPointCount; ++i) EXPECT_NEAR(PY(i), pixels[static_cast<std::size_t>(i)], RoundTrip);
  clock.Advance(3000);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  const std::string reading = "message 13 " + ecu::LngText("MSG_Not_Written_Reading");
  EXPECT_EQ(page->Find(reading).size(), 1u);

  // Two entries from after the read; a step back during the next read changes nothing.
  ecu::Session().Link.Reading = 0;
  Choose(4);
  app::DiagramKeyDown(TDiagramKey::Up);
  clock.Advance(400);
  app::DiagramKeyDown(TDiagramKey::Up);
  ASSERT_EQ(app::Model().Diagram.HistoryCount, 2);
  const auto edited = ecu::Session().ConfigData.DiagramPointY;
  ecu::Session().Link.TaskRequest = 0;
  ecu::Session().Link.Reading = 1;
  ++ecu::Session().Link.ReadCount;
  app::DiagramMouseDown(rtl::mbRight, 200, 100);
  EXPECT_FALSE(app::DiagramHistoryBack());
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, edited);
  EXPECT_EQ(app::Model().Diagram.HistoryPosition, 2);
  EXPECT_FALSE(app::Model().Diagram.HistoryPanelOpen);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(page->Find(reading).size(), 2u);
}

TEST_F(DiagramEditTest, ArrowStepsGrowWithQuickRepeatsAndFallBackAfterAPause) {
  Choose(4);
  std::vector<long> steps;
  for (int k = 0; k < 22; ++k) steps.push_back(std::lround(KeyUp(4, 100)));
  std::vector<long> expected{1, 1};
  for (long s = 2; s <= 20; ++s) expected.push_back(s);
  expected.push_back(20);
  EXPECT_EQ(steps, expected);

  clock.Advance(300);  // the repeat window closes: plain steps again
  steps.clear();
  for (int k = 0; k < 3; ++k) {
    const double before = PY(4);
    app::DiagramKeyDown(TDiagramKey::Down);
    clock.Advance(100);
    steps.push_back(std::lround(PY(4) - before));
  }
  EXPECT_EQ(steps, (std::vector<long>{1, 2, 3}));
}

TEST_F(DiagramEditTest, EscapeAndABackgroundClickEndKeyEditing) {
  Choose(4);
  app::DiagramKeyDown(TDiagramKey::Escape);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1);
  const double y = PY(4);
  app::DiagramKeyDown(TDiagramKey::Up);
  EXPECT_DOUBLE_EQ(PY(4), y);

  Choose(4);
  app::DiagramMouseDown(rtl::mbLeft, 100, 100);
  app::DiagramMouseUp(100, 100);
  app::DiagramKeyDown(TDiagramKey::Up);
  EXPECT_DOUBLE_EQ(PY(4), y);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1);
}

TEST_F(DiagramEditTest, LockedIdlePointsCannotBeTakenByPressOrHover) {
  app::Model().Settings.Idle_Points = true;
  ASSERT_EQ(ecu::Session().ConfigData.FlaggedPoint, 2);
  for (int i : {1, 2}) {
    Choose(i);
    EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1) << i;
    app::DiagramMarkerMouseMove(i + 1, 7, 7);
    EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1) << i;
  }
  const double y = PY(2);
  app::DiagramMarkerMouseDown(3, rtl::mbLeft, 7, 7);
  app::DiagramMarkerMouseMove(3, 7, -10);
  app::DiagramMarkerMouseUp(3);
  EXPECT_DOUBLE_EQ(PY(2), y);

  // Hovering marks a free point and shows its values without making it movable by keys.
  app::DiagramMarkerMouseMove(4, 7, 7);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, 3);
  EXPECT_EQ(app::Model().Diagram.PointTracking, 0);
  ASSERT_FALSE(page->Positions.empty());
  EXPECT_EQ(page->Positions.back(), "Point = 3 -> Gas, ms = 7.52;  Petrol, ms = 6.00;");
}

TEST_F(DiagramEditTest, PointEightRescalesThePointsAfterItsAnchor) {
  // No anchor: points 1..8 scale about point 0's height, point 8 lands on the new Y.
  const auto t = PixelsY();
  Choose(8);
  app::DiagramKeyDown(TDiagramKey::Up);
  EXPECT_NEAR(PY(8), t[8] - 1, RoundTrip);
  const double ratio = (t[0] - (t[8] - 1)) / (t[0] - t[8]);
  for (int k = 0; k <= 8; ++k) EXPECT_NEAR(PY(k), t[0] - (t[0] - t[k]) * ratio, RoundTrip) << k;

  // A fixed point anchors: it and the points before it stay.
  app::DiagramMarkerMouseDown(5, rtl::mbRight, 7, 7);
  app::DiagramMarkerMouseUp(5);
  ASSERT_EQ(app::Model().Diagram.FixedPoint, 4);
  const auto gas = ecu::Session().ConfigData.DiagramPointY;
  Choose(8);
  for (int k = 0; k < 3; ++k) app::DiagramKeyDown(TDiagramKey::Down);
  for (std::size_t k = 0; k <= 4; ++k) EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[k], gas[k]) << k;
  for (std::size_t k = 5; k <= 8; ++k) EXPECT_LT(ecu::Session().ConfigData.DiagramPointY[k], gas[k]) << k;

  // The idle point anchors while it lies after the fixed point.
  app::DiagramMarkerMouseDown(5, rtl::mbRight, 7, 7);  // freed again
  EXPECT_EQ(app::Model().Diagram.FixedPoint, 0);
  app::Model().Settings.Idle_Points = true;
  const auto gas2 = ecu::Session().ConfigData.DiagramPointY;
  Choose(8);
  app::DiagramKeyDown(TDiagramKey::Up);
  for (std::size_t k = 0; k <= 2; ++k) EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[k], gas2[k]) << k;
  EXPECT_GT(ecu::Session().ConfigData.DiagramPointY[3], gas2[3]);
}

TEST_F(DiagramEditTest, PointZeroShiftsTheWholeCurveOrScalesUpToItsAnchor) {
  const auto t = PixelsY();
  Choose(0);
  app::DiagramKeyDown(TDiagramKey::Up);
  for (int k = 0; k <= 8; ++k) EXPECT_NEAR(PY(k), t[k] - 1, RoundTrip) << k;

  // A shift that would take point 8 above the drawing is dropped as a whole.
  ecu::Session().ConfigData.DiagramPointY[8] = 32000;
  page->RedrawCalibrationDiagram();
  const auto gas = ecu::Session().ConfigData.DiagramPointY;
  clock.Advance(400);
  app::DiagramKeyDown(TDiagramKey::Up);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, gas);

  // With the fixed point 3, points 0..2 scale about it and point 0 lands on the new Y.
  app::DiagramMarkerMouseDown(4, rtl::mbRight, 7, 7);
  app::DiagramMarkerMouseUp(4);
  const auto u = PixelsY();
  Choose(0);
  clock.Advance(400);
  app::DiagramKeyDown(TDiagramKey::Down);
  EXPECT_NEAR(PY(0), u[0] + 1, RoundTrip);
  const double ratio = (u[0] + 1 - u[3]) / (u[0] - u[3]);
  for (int k = 1; k <= 2; ++k) EXPECT_NEAR(PY(k), u[3] - (u[3] - u[k]) * ratio, RoundTrip) << k;
  for (int k = 3; k <= 8; ++k) EXPECT_NEAR(PY(k), u[k], RoundTrip) << k;
}

TEST_F(DiagramEditTest, AnEndPointLevelWithItsAnchorCannotBeScaled) {
  // Point 8 as high as the fixed point 4: the ratio has no value and the move is dropped.
  ecu::Session().ConfigData.DiagramPointY[8] = ecu::Session().ConfigData.DiagramPointY[4];
  page->RedrawCalibrationDiagram();
  app::DiagramMarkerMouseDown(5, rtl::mbRight, 7, 7);
  app::DiagramMarkerMouseUp(5);
  const auto gas = ecu::Session().ConfigData.DiagramPointY;
  Choose(8);
  app::DiagramKeyDown(TDiagramKey::Up);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, gas);
  for (double y : PixelsY()) EXPECT_TRUE(std::isfinite(y));
}

TEST_F(DiagramEditTest, IdlePointZeroColoursOnlyMarkerZeroAndLeavesPointZeroFree) {
  app::Model().Settings.Idle_Points = true;
  ecu::Session().ConfigData.FlaggedPoint = 0;
  app::TDiagramLook look;
  ASSERT_TRUE(app::DiagramLook(diagramtest::PlotWidth, diagramtest::PlotHeight, 10, look));
  for (std::size_t k = 0; k < ecu::DiagramPointCount; ++k)
    EXPECT_EQ(look.MarkerColors[k], k == 0 ? app::Color_Diagram_Idle : app::Color_Diagram) << k;
  // Point 0 can be taken, and with no fixed point it shifts the whole curve.
  const auto t = PixelsY();
  Choose(0);
  ASSERT_EQ(ecu::Session().ConfigData.SelectedPoint, 0);
  app::DiagramKeyDown(TDiagramKey::Up);
  for (int k = 0; k <= 8; ++k) EXPECT_NEAR(PY(k), t[k] - 1, RoundTrip) << k;
}

TEST_F(DiagramEditTest, ARightPressOnAMarkerLeavesNothingToDrag) {
  ecu::Session().Link.LinkUp = 1;
  const auto gas = ecu::Session().ConfigData.DiagramPointY;
  app::DiagramMarkerMouseDown(4, rtl::mbRight, 7, 7);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1);
  EXPECT_EQ(app::Model().Diagram.PointHeld, 1);
  app::DiagramMouseMove(true, 200, 50);
  app::DiagramMouseUp(200, 50);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, gas);
  EXPECT_EQ(app::Model().Diagram.PointHeld, 0);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);
}

TEST_F(DiagramEditTest, HistoryPanelOpensOnceAndStepsOnlyWithTheLinkUp) {
  ecu::Session().Link.LinkUp = 1;
  Choose(4);
  app::DiagramKeyDown(TDiagramKey::Up);  // entry 1
  ASSERT_EQ(app::Model().Diagram.HistoryCount, 1);
  app::DiagramMouseDown(rtl::mbRight, 200, 100);
  app::DiagramMouseDown(rtl::mbRight, 300, 150);
  EXPECT_EQ(page->HistoryShown, 1);
  EXPECT_EQ(app::Model().Diagram.HistoryPanelX, 200);
  EXPECT_FALSE(app::CanStepBack());  // one entry
  app::DiagramMouseMove(false, 10, 10);
  EXPECT_FALSE(app::Model().Diagram.HistoryPanelOpen);
  EXPECT_EQ(page->HistoryClosed, 1);

  const std::int32_t first = GasTime(4);
  clock.Advance(400);
  app::DiagramKeyDown(TDiagramKey::Up);  // entry 2
  ecu::Session().Link.TaskRequest = 0;
  app::DiagramMouseDown(rtl::mbRight, 200, 100);
  ecu::Session().Link.LinkUp = 0;
  app::HistoryStepBack();
  EXPECT_NE(GasTime(4), first);
  ecu::Session().Link.LinkUp = 1;
  app::HistoryStepBack();
  EXPECT_EQ(GasTime(4), first);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);  // at once, without the delay
  EXPECT_FALSE(app::Model().Diagram.HistoryPanelOpen);
  EXPECT_TRUE(app::CanStepForward());
}

}  // namespace

}  // namespace calibr_edit_test
