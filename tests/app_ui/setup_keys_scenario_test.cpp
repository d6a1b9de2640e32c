// The Setup page with the mouse and the keyboard, on a real X screen (Xvfb) against the ECU
// simulator: "2000" picked from the switch-over speed's list, a press on a tab header takes
// the keyboard focus away from the box, so "G" switches to gas and leaves "2000" in the box;
// a text that is no number, typed into the box, is reported once when another control is
// changed, the box gets "2000" back and that other control's change is written to the ECU.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/core/Model.h"
#include "app/ui/Page_CFG.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/win/InputMethod.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/TabControl.h"

namespace setup_keys_scenario_test {

namespace {

using namespace std::chrono_literals;

TEST(SetupKeysScenario, APickATabAndKeysOnTheSetupPageReachTheEcuAsMeant) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("SetupKeysScenarioChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class SetupKeysScenarioChild : public apptest::ReportingScreenTest {};

TEST_F(SetupKeysScenarioChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  ASSERT_EQ(win::VideoDriver(), "x11");
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  ASSERT_TRUE(RunUntilActionsDone()) << "the start-up's actions never ended";
  const app::TPageCFGParts& page = main->PageCFG()->Parts();
  vg::TvxHudComboTextBox* rpm = page.HudComboTextBox_CFG_PG_RPM;
  ASSERT_NE(rpm->Text(), u"2000");

  // "2000" from the list, dropped by a press on the box's arrow.
  Click(main.get(), rpm, rpm->Width() - 6);
  ASSERT_TRUE(rpm->Popup()->IsOpen());
  win::TCustomForm* list = rpm->Popup()->PopupForm();
  // The list is laid out by the time it has drawn itself.
  ASSERT_TRUE(RunUntil([&] { return list->Showing() && list->PresentCount() > 0; }, 1min)) << "the list never drew";
  int item = -1;
  for (int i = 0; i < rpm->Count(); ++i)
    if (rpm->ListBox()->ItemByIndex(i)->Text() == u"2000") item = i;
  ASSERT_GE(item, 0);
  Click(list, rpm->ListBox()->ItemByIndex(item));
  ASSERT_FALSE(rpm->Popup()->IsOpen());
  ASSERT_EQ(rpm->Text(), u"2000");
  ASSERT_TRUE(RunUntil([&] { return ecu::Session().ConfigData.Configuration->PG_RPM == 2000; }, 2s));

  // A press on the "Auto Calibration" header: the keys are the window's again, "G" switches
  // to gas and the box keeps its value.
  vg::TvxTabControl* tabs = main->Parts().HudTabControl_GEN;
  Click(main.get(), main->Parts().TabItems[1]);
  EXPECT_EQ(tabs->ItemIndex(), 1);
  EXPECT_TRUE(tabs->IsFocused());
  EXPECT_FALSE(rpm->IsFocused());
  Type('g');
  EXPECT_TRUE(RunUntil([&] { return sim->State().ModeData == 244; }, 4s)) << int(sim->State().ModeData);
  EXPECT_EQ(rpm->Text(), u"2000");
  EXPECT_TRUE(reports.empty()) << reports.front();

  // Back on Setup: a text that is no number typed into the box, then the hot-engine start
  // ticked. One report; the box shows "2000" again; the tick reaches the ECU.
  Click(main.get(), main->Parts().TabItems[0]);
  ASSERT_EQ(tabs->ItemIndex(), 0);
  // (The write of the switch to gas ends first, as an installer would let it.)
  ASSERT_TRUE(RunUntil([] { return !app::Model().Messages.WaitWindowShown; }, 60s)) << "the write never ends";
  Click(main.get(), rpm, 10);
  ASSERT_TRUE(rpm->IsFocused());
  Type('a');
  Type('b');
  Type('c');
  ASSERT_EQ(rpm->Text(), u"abc");
  vg::TvxCheckBox* hot = page.HudCheckBox_CFG_PG_GAS_Hot_Engine;
  const bool wasHot = (sim->State().Params[159] & 4) != 0;
  ASSERT_EQ(hot->IsChecked(), wasHot);
  Click(main.get(), hot, 8);
  EXPECT_EQ(hot->IsChecked(), !wasHot);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "Switch to gas when RPM: 'abc' is not a valid integer value");
  EXPECT_EQ(rpm->Text(), u"2000");
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_RPM, 2000);
  EXPECT_TRUE(RunUntil([&] { return ((sim->State().Params[159] & 4) != 0) != wasHot; }, 6s))
      << "the tick was not written";
  std::uint8_t h = 0, l = 0;
  ecu::RPMToPeriodBytes(2000, h, l);
  EXPECT_EQ(sim->State().Params['C'], h * 256 + l) << "the ECU keeps 2000";
  EXPECT_EQ(reports.size(), 1u) << "reported once";

  // The page as the installer sees it now.
  RunFor(300ms);
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_after_keys.png");
}

}  // namespace

}  // namespace setup_keys_scenario_test
