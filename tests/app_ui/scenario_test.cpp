// The installer's first minutes, on a real X screen (Xvfb) and a real clock, against the ECU
// simulator on a pseudo-terminal: the port opens green, the ECU is read ("Receiv data", then
// "Data loaded"), the title gains the firmware, the indicators move; a changed switch-over
// speed is written once after the delay and the ECU keeps it; "G" switches to gas; closing
// lets go of the port and writes the settings. The screen is read back and checked at chosen
// pixels, and kept as the reference picture of the main window.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Page_CFG.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "platform/comm/SerialPort.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Timer.h"
#include "serial/CPort.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/TabControl.h"

namespace scenario_test {

namespace {

using namespace std::chrono_literals;
using apptest::AnyPixelNear;
using apptest::Argb;

TEST(Scenario, TheProgramConnectsReadsWritesSwitchesAndClosesOnARealScreen) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("ScenarioChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class ScenarioChild : public apptest::SimulatorScreenTest {
protected:
  std::string PortNameColor() const { return main->Parts().HudLabel_Port_Name->FontFill()->GetColor(); }
};

TEST_F(ScenarioChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  ASSERT_EQ(win::VideoDriver(), "x11");

  // Once shown: the port is open and green, the ECU read, its firmware in the title.
  const std::string open = app::Model().Colors.ColorTable[app::Color_Port_Open];
  ASSERT_TRUE(RunUntil([&] { return PortNameColor() == open; }, 5s)) << PortNameColor();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 5s)) << "the ECU was not read after showing";
  const auto receiving = std::find(statusSeen.begin(), statusSeen.end(), u"Receiv data");
  ASSERT_NE(receiving, statusSeen.end());
  EXPECT_LT(receiving - statusSeen.begin(),
            std::find(statusSeen.begin(), statusSeen.end(), u"Data loaded") - statusSeen.begin());
  EXPECT_NE(main->TitleText().find(u"Firmware : PM 2.10"), std::u16string::npos);
  EXPECT_TRUE(RunUntil([&] { return rpmSeen.size() >= 3; }, 5s)) << "the R.P.M. indicator does not move";

  // The screen, as the installer sees it once the start-up is over (the logo shrunk to its
  // corner, the fonts fitted).
  ASSERT_TRUE(RunUntilActionsDone()) << "the start-up's actions never ended";
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  const int left = main->Left(), top = main->Top(), width = main->Width();
  {
    SCOPED_TRACE("caption icons: bright circles 73 and 54 pixels from the right edge");
    for (int fromRight : {73, 54})
      EXPECT_TRUE(AnyPixelNear(screen, left + width - fromRight + 2, top + 17, 13, 13, 0xFFFFFFFF, 110));
  }
  {
    SCOPED_TRACE("the port name in the open port's green");
    vg::TvxVisualObject* name = main->Parts().HudLabel_Port_Name;
    const auto [x, y] = OnScreen(name);
    EXPECT_TRUE(AnyPixelNear(screen, x, y, static_cast<int>(name->Width()), static_cast<int>(name->Height()),
                             Argb(open), 24));
  }
  {
    SCOPED_TRACE("an indicator value in its role colour");
    vg::TvxVisualObject* value = main->Parts().IndicatorValues[app::IND_RPM];
    const auto [x, y] = OnScreen(value);
    EXPECT_TRUE(AnyPixelNear(
        screen, x, y, static_cast<int>(value->Width()), static_cast<int>(value->Height()),
        Argb(app::Model().Colors.ColorTable[static_cast<std::size_t>(app::IndicatorColorRole(app::IND_RPM))]), 24));
  }
  {
    SCOPED_TRACE("the selected tab carries the accent bar, the others not");
    const auto& tabs = main->Parts().TabItems;
    const auto [x0, y0] = OnScreen(tabs[0]);
    const auto [x1, y1] = OnScreen(tabs[1]);
    const int w = static_cast<int>(tabs[0]->Width());
    EXPECT_TRUE(AnyPixelNear(screen, x0 + 4, y0, w - 8, 4, 0xFF1072C5, 40));
    EXPECT_FALSE(AnyPixelNear(screen, x1 + 4, y1, w - 8, 4, 0xFF1072C5, 40));
  }
  KeepWindowPicture(screen, "main_window.png");  // the reference picture of the main window

  // A new switch-over speed: the change arms the transmit timer with the settings' delay
  // (1.5 s), and one write follows its tick, with the wait window; the ECU keeps it. A machine
  // busy enough to starve the link for its step time-out (5 s without a good reply) takes the
  // link down: the program then drops the change and says so, which is right, and the change
  // is entered again once the ECU answers and has been read again. Each try
  // enters a speed the ECU does not hold yet: a write cut off may have reached it.
  vg::TvxHudComboTextBox* speed = main->PageCFG()->Parts().HudComboTextBox_CFG_PG_RPM;
  const rtl::TTimer& transmit = *app::Model().Actions.Timer_GEN_Transmit;
  bool written = false;
  for (const int rpm : {1700, 1800, 1900}) {
    ASSERT_TRUE(RunUntilEcuRead()) << "the ECU was not read again after the link went down";
    ASSERT_NE(ecu::Session().ConfigData.Configuration->PG_RPM, rpm);
    const int waits = host->WaitShown, closes = host->WaitClosed, lost = host->LinksLost;
    speed->SetText(rtl::Utf8ToWide(std::to_string(rpm)));
    const auto changed = Clock::now();
    EXPECT_TRUE(transmit.Enabled());
    EXPECT_EQ(transmit.Interval(), 1500u);
    bool ticked = false, writeBeforeTick = false;
    ASSERT_TRUE(RunUntil(
        [&] {
          ticked |= !transmit.Enabled();
          if (host->LinksLost != lost) return true;
          if (host->WaitShown == waits) return false;
          writeBeforeTick = !ticked;
          return true;
        },
        1min))
        << "no write started";
    if (host->LinksLost != lost) continue;  // dropped and reported, or cut off once it had started
    EXPECT_FALSE(writeBeforeTick) << "the write started while the delay ran";
    EXPECT_GE(Clock::now() - changed, 1400ms);
    ASSERT_TRUE(RunUntil([&] { return host->WaitClosed > closes; }, 1min)) << "the write did not end";
    if (host->LinksLost != lost) continue;  // cut off during the write
    EXPECT_EQ(host->WaitShown, waits + 1) << "one write";
    std::uint8_t h = 0, l = 0;
    ecu::RPMToPeriodBytes(rpm, h, l);
    EXPECT_EQ(sim->State().Params['C'], h * 256 + l);
    written = true;
    break;
  }
  ASSERT_TRUE(written) << "the link went down at each of three tries; messages: "
                       << testing::PrintToString(host->Messages);

  // "G": the gas command with all four cylinders, and the work mode follows.
  win::SimulateKeyStroke(main.get(), 'g');
  ASSERT_TRUE(RunUntil([&] { return sim->State().ModeData == 244; }, 4s)) << int(sim->State().ModeData);
  EXPECT_TRUE(RunUntil([&] { return main->Parts().HudLabel_Work_Mode->Text() == u"Gas"; }, 4s))
      << rtl::WideToUtf8(main->Parts().HudLabel_Work_Mode->Text());

  // Closing lets go of the port and writes the settings.
  std::filesystem::remove(folder.Path() / "gascal.ini");
  ASSERT_TRUE(host->Timer_GEN_Connect_Stabil().Enabled());
  main->Close();
  EXPECT_FALSE(host->Timer_GEN_Connect_Stabil().Enabled()) << "it would tick on a link without its port window";
  // The port's close re-arms the link's send timer for a reconnect; the program's close must
  // not leave it armed, or its next tick opens the port again.
  EXPECT_FALSE(port->Link()->Timer_Sending->Enabled()) << "a send tick would open the port again";
  EXPECT_FALSE(port->Link()->ComPort->Connected());
  RunFor(100ms);
  const std::string slave = sim->SlavePath();
  comm::TSerialDevice again;
  EXPECT_EQ(again.Open(slave), 0) << "the port is still held";
  again.Close();
  EXPECT_NE(folder.Read("gascal.ini").find("Port_Name"), std::string::npos);
}

}  // namespace

}  // namespace scenario_test
