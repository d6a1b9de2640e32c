// The map page and the File menu's operations against the ECU simulator: the connect shows
// the ECU's map, the live cell follows the engine, four cells stepped with the keys reach the
// ECU in one write, and a saved configuration comes back to the ECU after "Default".
#include <gtest/gtest.h>

#include <algorithm>

#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Page.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "app/core/SaveLoad_Unit.h"
#include "ecu/Session.h"
#include "tests/ecu/LinkFixture.h"
#include "tests/ecu/TempDir.h"

namespace maprpm_scenario_test {

namespace {

using Key = app::TMapRPMKey;

class MapRPMScenario : public linktest::SimLinkTest {
protected:
  void SetUp() override {
    SimLinkTest::SetUp();
    ecu::Session().ConfigData.ConfigDir = dir / "Config";
    ecu::CreateConfiguration(dir / "none.cfg");
    app::CreateMainTimers();
  }
  // The simulator's cell byte of table row i, column j.
  std::uint8_t SimCell(int i, int j) const {
    return sim->State().MapImage[static_cast<std::size_t>(8 * 2 + 12 + (i - 1) * 12 + (j - 1))];
  }
  // Keeps the link polling until Done holds (at most Ms of the application's clock).
  bool PollUntil(const std::function<bool()>& Done, double Ms = 10000) {
    for (double t = 0; t < Ms; t += recorder->ReplyDelay) {
      if (Done()) return true;
      Advance(recorder->ReplyDelay);
    }
    return Done();
  }
  bool WriteTaskDone() {
    return PollUntil([] { return ecu::Session().Link.TaskRequest == 0 && !ecu::Session().Link.TaskRunning; });
  }
  std::vector<linktest::WireEvent> Written(char Command) const {
    std::vector<linktest::WireEvent> found;
    for (const auto& e : wire.Of('W'))
      if (e.Frame[1] == Command) found.push_back(e);
    return found;
  }

  ecu_test::TempDir dir;
};

TEST_F(MapRPMScenario, EditedCellsReachTheEcuAndComeBackWithTheirFile) {
  sim->Modify([](ecusim::EcuState& s) { s.MapImage[8 * 2 + 12 + 12 * 7 + 11] = 64; });  // cell [8][12]: 0.50
  OpenPort();
  ASSERT_TRUE(RunUntil("/77#"));
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[8][12], "0.50");
  EXPECT_EQ(app::MapRPMItemLook(8, 12), app::TMapRPMLook::NotDefault);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[0][0], "ms\\rpm");

  // The live cell follows the engine.
  sim->Modify([](ecusim::EcuState& s) {
    s.Live.Rpm = 2200;
    s.Live.PetrolTimes = {3500, 3500, 3500, 3500};
  });
  EXPECT_TRUE(PollUntil([] { return app::Model().MapRPM.LiveCell == app::TMapRPMItem{5, 4}; }));
  EXPECT_EQ(app::MapRPMItemLook(5, 4), app::TMapRPMLook::Live);

  // Four cells selected with Shift and the arrows, then three steps up.
  for (Key k : {Key::Right, Key::Right, Key::Down, Key::Down, Key::Down}) app::MapRPMKeyDown(k, false);
  app::MapRPMKeyDown(Key::Shift, true);
  app::MapRPMKeyDown(Key::Right, true);
  app::MapRPMKeyDown(Key::Down, true);
  app::MapRPMShiftReleased();
  for (int k = 0; k < 3; ++k) app::MapRPMKeyDown(Key::Up, false);
  const double stepped = rtl::GetTickCount();
  ASSERT_TRUE(PollUntil([&] { return Written('6').size() == 2; }));
  ASSERT_TRUE(WriteTaskDone());
  const auto begins = Written('.'), frames = Written('6');
  ASSERT_EQ(begins.size(), 1u);
  EXPECT_GE(begins[0].Time - stepped, 1500);
  EXPECT_LT(begins[0].Time - stepped, 1500 + 4 * recorder->ReplyDelay);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].Frame.size() - 3, 64u);
  EXPECT_EQ(frames[1].Frame.size() - 3, 62u);
  for (auto [i, j] : {std::pair{2, 3}, {3, 3}, {2, 4}, {3, 4}}) EXPECT_EQ(SimCell(i, j), app::EncodeMapCell(103));
  EXPECT_EQ(SimCell(4, 4), app::EncodeMapCell(100));
  EXPECT_EQ(SimCell(8, 12), 64);

  // Save, Default, Load: the ECU has the defaults in between and the saved map at the end.
  ASSERT_TRUE(app::RunSaveLoad(app::TFileMenuMode::Save, u"car1"));
  ASSERT_TRUE(WriteTaskDone());
  EXPECT_EQ(sim->State().CfgNameText(), "car1");
  app::NewConfiguration();
  ASSERT_TRUE(WriteTaskDone());
  EXPECT_EQ(SimCell(2, 3), app::EncodeMapCell(100));
  EXPECT_EQ(SimCell(8, 12), app::EncodeMapCell(100));
  EXPECT_EQ(sim->State().CfgNameText(), "");
  ASSERT_TRUE(app::RunSaveLoad(app::TFileMenuMode::Load, u"car1"));
  ASSERT_TRUE(WriteTaskDone());
  EXPECT_EQ(SimCell(3, 4), app::EncodeMapCell(103));
  EXPECT_EQ(SimCell(8, 12), app::EncodeMapCell(50));
  EXPECT_EQ(sim->State().CfgNameText(), "car1");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[3][4], "1.03");
}

}  // namespace

}  // namespace maprpm_scenario_test
