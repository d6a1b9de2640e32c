// The calibration diagram's edits and MAP correction against the ECU simulator: what the
// ECU holds after a drag, a history step, "Start" and an applied correction.
#include <gtest/gtest.h>

#include "app/core/Calibr_Ctrl.h"
#include "app/core/Calibr_Draw.h"
#include "app/core/Calibr_Map.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "tests/ecu/LinkFixture.h"

namespace calibr_sim_test {

namespace {

class DiagramSimTest : public linktest::SimLinkTest {
protected:
  void SetUp() override {
    SimLinkTest::SetUp();
    app::CreateMainTimers();
    app::Model().Actions.MainWindowShown = 1;
  }
  // Polls until Done holds; false after Max requests.
  bool RunWhile(const std::function<bool()>& NotYet, int Max = 80) {
    for (int i = 0; i < Max && NotYet(); ++i)
      if (!Advance(recorder->ReplyDelay)) clock.Advance(recorder->ReplyDelay);
    return !NotYet();
  }
  // Connected, with the ECU read (the read-all script starts the history): an edit made while
  // it is read is refused.
  void Connect() {
    OpenPort();
    ASSERT_TRUE(RunWhile([] {
      return !ecu::Session().Link.LinkUp || app::Model().Diagram.HistoryCount == 0 || ecu::Session().Link.Reading ||
             ecu::Session().Link.TaskRunning;
    }));
    Place();
  }
  // The page's placement at a redraw: pixels from the values on a plot of the Graph page's size.
  static void Place() {
    app::TDiagramShapes shapes;
    app::PlaceDiagramShapes(549, 377, 14, 14, shapes);
  }
  std::uint16_t SimGas(int Point) const { return sim->State().Params[ecusim::PointCodes(Point)[1]]; }
};

TEST_F(DiagramSimTest, ADragIsWrittenOnceAfterTheDelayAndAStepBackRestoresIt) {
  Connect();
  const std::int32_t before = ecu::Session().ConfigData.DiagramPointY[4];
  ASSERT_EQ(SimGas(4), before);
  const double x = app::Model().Diagram.PointPixelX[4], y = app::Model().Diagram.PointPixelY[4];
  app::DiagramMarkerMouseDown(5, rtl::mbLeft, 7, 7);
  app::DiagramMouseMove(true, x, y - 20);
  app::DiagramMouseUp(x, y - 20);
  const std::int32_t dragged = ecu::Session().ConfigData.DiagramPointY[4];
  EXPECT_NEAR(dragged - before, 20 * 32000 / 377.0, 2);

  // Nothing goes before the transmission delay; then the points are written once (the
  // write announces its list).
  const double released = rtl::GetTickCount();
  const std::size_t seen = wire.Events.size();
  ASSERT_TRUE(RunWhile([&] { return SimGas(4) != dragged; }));
  std::vector<double> writes;
  for (std::size_t k = seen; k < wire.Events.size(); ++k)
    if (wire.Events[k].Kind == 'W' && wire.Events[k].Frame[1] == ecusim::cmd::Announce)
      writes.push_back(wire.Events[k].Time - released);
  ASSERT_EQ(writes.size(), 1u) << wire.Commands();
  EXPECT_GE(writes[0], 1500);
  EXPECT_LT(writes[0], 1500 + 3 * recorder->ReplyDelay);
  RunWhile([] { return true; }, 10);
  EXPECT_EQ(SimGas(4), dragged);

  // "Step back" in the history panel: the old time goes back at once.
  Place();
  app::DiagramMouseDown(rtl::mbRight, 100, 100);
  ASSERT_TRUE(app::CanStepBack());
  app::HistoryStepBack();
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[4], before);
  ASSERT_TRUE(RunWhile([&] { return SimGas(4) != before; }));
}

TEST_F(DiagramSimTest, StartSwitchesCollectionOnAndAnAppliedCorrectionErasesTheGasPoints) {
  sim->Modify([](ecusim::EcuState& s) {
    s.Params['R'] = 128 * 256;  // not collecting
    // Band 10: on gas the ECU computed 14.46 ms of petrol time where petrol needed 13.05 ms.
    s.MapGas[10] = 113;
    s.MapPetrol[10] = 102;
  });
  Connect();
  ASSERT_EQ(ecu::Session().ConfigData.Configuration->Save_Map, 0);
  app::MapCollectionStart();
  ASSERT_TRUE(RunWhile([&] { return (sim->State().Params['R'] & 0x02) == 0; }));

  app::CheckMapPointCount();
  ASSERT_EQ(app::Model().Diagram.MapPrompt.TextKey, "MAP_Ctrl");
  app::MapPromptFirstButton();  // Yes: the proposal
  ASSERT_TRUE(app::HasMapProposal());
  const auto proposal = app::Model().Diagram.CorrectionPoints;
  app::MapPromptFirstButton();  // Yes: applied and written with the erasure
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, proposal);
  ASSERT_TRUE(RunWhile([&] { return sim->State().MapGas[10] != 0 || SimGas(8) != proposal[8]; }));
  for (std::uint8_t b : sim->State().MapGas) EXPECT_EQ(b, 0);
  EXPECT_EQ(sim->State().MapPetrol[10], 102);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(SimGas(i), proposal[static_cast<std::size_t>(i)]) << i;
}

// The ECU read again (a reconnect asked for with the link up), and a drag made once the read's
// points have come, while it goes on to read the R.P.M. map. The drag is refused as the Setup
// page's edits are: the diagram shows the ECU's points again, and the next write of the whole
// configuration (a load's or a save's) carries those, not the drag.
TEST_F(DiagramSimTest, ADragWhileTheEcuIsReadAfterItsPointsCameIsNeitherKeptNorWrittenLater) {
  Connect();
  const auto held = ecu::Session().ConfigData.DiagramPointY;
  ASSERT_EQ(SimGas(4), held[4]);
  ecu::RequestTask(ecu::TTask::Connect);
  ASSERT_TRUE(RunWhile([&] {
    const std::string c = wire.Commands();
    return !(ecu::Session().Link.Reading && c.size() >= 2 && c.compare(c.size() - 2, 2, "(%") == 0);
  }));
  Place();
  const double x = app::Model().Diagram.PointPixelX[4], y = app::Model().Diagram.PointPixelY[4];
  app::DiagramMarkerMouseDown(5, rtl::mbLeft, 7, 7);
  app::DiagramMouseMove(true, x, y - 20);
  app::DiagramMouseUp(x, y - 20);
  ASSERT_EQ(ecu::Session().Link.Reading, 1) << "the drag ended while the map was read";
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, held);
  EXPECT_EQ(recorder->Find("message 13 " + ecu::LngText("MSG_Not_Written_Reading")).size(), 1u);

  ASSERT_TRUE(RunWhile([] { return ecu::Session().Link.Reading != 0; }));
  ASSERT_TRUE(app::RequestConfigWrite());
  ASSERT_TRUE(RunWhile([] { return ecu::Session().Link.TaskRequest != 0 || ecu::Session().Link.TaskRunning != 0; }));
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, held);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(SimGas(i), held[static_cast<std::size_t>(i)]) << i;
}

}  // namespace

}  // namespace calibr_sim_test
