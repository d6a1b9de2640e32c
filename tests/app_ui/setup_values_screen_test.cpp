// The Setup page's number boxes on a real X screen (Xvfb) against the ECU simulator: a value
// beyond what its ECU parameter carries, typed and entered, is held to it in the box, the
// model, the file and on the wire alike; a text that is no number is reported naming the box.
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/ui/Page_CFG.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/win/InputMethod.h"
#include "tests/TestOutput.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/ComboBoxes.h"

namespace setup_values_screen_test {

namespace {

using namespace std::chrono_literals;

TEST(SetupValuesScreen, ANumberBeyondItsRangeIsHeldAlikeInTheBoxTheFileAndTheEcu) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("SetupValuesScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class SetupValuesScreenChild : public apptest::ReportingScreenTest {
protected:
  // The box's text replaced by Text as the installer types it, then Enter.
  void Enter(vg::TvxHudComboTextBox* Box, const std::string& Text) {
    Click(main.get(), Box, 10);
    ASSERT_TRUE(Box->IsFocused());
    for (int i = 0; i < 12; ++i) Key(127);  // Delete
    for (int i = 0; i < 12; ++i) Key('\b');
    ASSERT_EQ(Box->Text(), u"");
    for (char c : Text) Type(c, 30ms);
    ASSERT_EQ(rtl::WideToUtf8(Box->Text()), Text);
    Key('\r');
  }
  // A key's value as a saved configuration file holds it.
  std::string SavedValue(const std::string& Key) {
    const std::string file = (folder.Path() / "held.cfg").string();
    ecu::SaveConfigFile(file);
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string key, value;
      if (words >> key >> value && key == Key) return value;
    }
    return "<none>";
  }
};

TEST_F(SetupValuesScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  RunFor(300ms);
  const app::TPageCFGParts& page = main->PageCFG()->Parts();
  const ecu::Configuration_Class& config = *ecu::Session().ConfigData.Configuration;

  // The switch-over speed: 99999 becomes 8000 everywhere.
  vg::TvxHudComboTextBox* rpm = page.HudComboTextBox_CFG_PG_RPM;
  Enter(rpm, "99999");
  EXPECT_EQ(rpm->Text(), u"8000");
  EXPECT_EQ(config.PG_RPM, 8000);
  EXPECT_EQ(SavedValue("PG_RPM"), "8000");
  std::uint8_t h = 0, l = 0;
  ecu::RPMToPeriodBytes(8000, h, l);
  EXPECT_TRUE(RunUntil([&] { return sim->State().Params['C'] == h * 256 + l; }, 6s)) << "8000 was not written";

  // The temperature and the delay: held to what their parameters carry.
  Enter(page.HudComboTextBox_CFG_PG_Temper, "99999");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Temper->Text(), u"3276");
  EXPECT_EQ(SavedValue("PG_Temper"), "3276");
  Enter(page.HudComboTextBox_CFG_PG_Time, "999");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Time->Text(), u"25.5");
  EXPECT_EQ(config.PG_Time, 255);
  EXPECT_TRUE(RunUntil([&] { return (sim->State().Params['R'] >> 8) == 255; }, 6s)) << "25.5 s was not written";
  EXPECT_TRUE(reports.empty()) << reports.front();

  // No number: the report names the box, which gets the model's value back.
  Enter(page.HudComboTextBox_CFG_PG_Temper, "abc");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "Switch to gas when temperature: 'abc' is not a valid integer value");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Temper->Text(), u"3276");

  RunFor(300ms);
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_values_held.png");
}

}  // namespace

}  // namespace setup_values_screen_test
