// What the main window shows of the link's state: each phase, awaited reply, quality, firmware
// family and error report the ECU side tells, as the controls the core sets for it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "tests/ecu/FreshModel.h"
#include "tools/linkrec/Recorder.h"

namespace link_view_test {

namespace {

using app::TControl;
using ecu::TLinkPhase;

class LinkViewTest : public ::testing::Test {
protected:
  const linkrec::ControlState& Shown(TControl C) const { return host.Control(C); }
  static std::string Table(int Index) { return app::Model().Colors.ColorTable[Index]; }
  // The search button and the status line: which of them the phase leaves visible.
  std::pair<bool, bool> SearchAndStatus() const {
    return {Shown(TControl::Port_Search).Visible, Shown(TControl::DynamicIND).Visible};
  }
  bool LinkButtonsEnabled() const {
    const bool acb = Shown(TControl::ACB_Start).Enabled;
    EXPECT_EQ(Shown(TControl::CLB_MAP_Start).Enabled, acb);
    EXPECT_EQ(Shown(TControl::CLB_MAP_Stop).Enabled, acb);
    return acb;
  }
  std::size_t StartStops() const { return host.Find("auto calibration start/stop").size(); }

  ecu_test::FreshModel fresh;
  linkrec::Recorder host;
};

TEST_F(LinkViewTest, EachPhaseShowsTheSearchButtonOrTheStatusLineAndEnablesTheLinkButtonsOnlyWhenUp) {
  host.PortName = "/dev/ttyUSB1";
  host.LinkPhaseChanged(TLinkPhase::Up);
  EXPECT_EQ(SearchAndStatus(), std::make_pair(false, true));
  EXPECT_TRUE(LinkButtonsEnabled());

  host.LinkPhaseChanged(TLinkPhase::Reset);
  EXPECT_EQ(SearchAndStatus(), std::make_pair(true, false));
  EXPECT_FALSE(LinkButtonsEnabled());

  host.LinkPhaseChanged(TLinkPhase::Searching);
  EXPECT_EQ(SearchAndStatus(), std::make_pair(false, false));
  host.LinkPhaseChanged(TLinkPhase::SearchStopped);
  EXPECT_EQ(SearchAndStatus(), std::make_pair(true, false));

  // An opened port names itself in the port-open colour; the search button stays away while
  // the search that opened it runs.
  ecu::Session().Link.PortSearching = 1;
  host.LinkPhaseChanged(TLinkPhase::Opened);
  EXPECT_EQ(SearchAndStatus(), std::make_pair(false, false));
  EXPECT_EQ(Shown(TControl::Port_Name).Text, "/dev/ttyUSB1");
  EXPECT_EQ(Shown(TControl::Port_Name).Color, Table(app::Color_Port_Open));
  ecu::Session().Link.PortSearching = 0;
  host.LinkPhaseChanged(TLinkPhase::Opened);
  EXPECT_EQ(SearchAndStatus(), std::make_pair(true, false));

  host.LinkPhaseChanged(TLinkPhase::Up);
  host.LinkPhaseChanged(TLinkPhase::PortClosed);
  EXPECT_EQ(SearchAndStatus(), std::make_pair(true, false));
  EXPECT_EQ(Shown(TControl::Port_Name).Color, Table(app::Color_Port_Close));
  EXPECT_NE(Table(app::Color_Port_Open), Table(app::Color_Port_Close));
  // None of them starts or stops an automatic calibration that is not pressed.
  EXPECT_EQ(StartStops(), 0u);
}

TEST_F(LinkViewTest, APressedAutomaticCalibrationPromptsOnResetAndStopsWhenTheLinkComesOrTheEngineStops) {
  host.Control(TControl::ACB_Progress).Value = 150;
  host.LinkPhaseChanged(TLinkPhase::Reset);  // not pressed: its page is left alone
  EXPECT_EQ(Shown(TControl::ACB_Progress).Value, 150);
  EXPECT_TRUE(Shown(TControl::ACB_Prompt).Text.empty());

  host.Control(TControl::ACB_Start).Pressed = true;
  host.LinkPhaseChanged(TLinkPhase::Reset);
  EXPECT_EQ(Shown(TControl::ACB_Progress).Value, 0);
  EXPECT_EQ(Shown(TControl::ACB_Prompt).Text, "Autocalibration failed. No connection with ECU");
  EXPECT_EQ(Shown(TControl::ACB_Prompt).Color, Table(app::Color_Txt_Error));
  EXPECT_TRUE(Shown(TControl::ACB_Start).Pressed);
  EXPECT_EQ(StartStops(), 0u);

  host.LinkPhaseChanged(TLinkPhase::Up);
  EXPECT_FALSE(Shown(TControl::ACB_Start).Pressed);
  EXPECT_EQ(StartStops(), 1u);

  host.EngineStopped();  // released already: nothing to stop
  EXPECT_EQ(StartStops(), 1u);
  host.Control(TControl::ACB_Start).Pressed = true;
  host.EngineStopped();
  EXPECT_FALSE(Shown(TControl::ACB_Start).Pressed);
  EXPECT_EQ(StartStops(), 2u);
}

TEST_F(LinkViewTest, TheSettingsWindowTakesThePortNameWhenTheLinkComesUpWhileItIsShown) {
  host.PortName = "COM7";
  host.LinkPhaseChanged(TLinkPhase::Up);
  EXPECT_TRUE(Shown(TControl::SET_Port_Name).Text.empty());
  ecu::Session().Link.SettingsWindowShown = 1;
  host.LinkPhaseChanged(TLinkPhase::Up);
  EXPECT_EQ(Shown(TControl::SET_Port_Name).Text, "COM7");
}

TEST_F(LinkViewTest, TheQualityLabelShowsThePercentInItsBandsColourAndTheRequestIndicatorFollowsTheReply) {
  const struct {
    int Percent;
    std::string Color;
  } bands[] = {{0, Table(app::Color_Port_Close)},
               {30, Table(app::Color_Port_Close)},
               {31, "#FFE7A327"},
               {50, "#FFE7A327"},
               {51, "#FFE7C227"},
               {60, "#FFE7C227"},
               {61, "#FFFFFF00"},
               {70, "#FFFFFF00"},
               {71, "#FFDEE727"},
               {80, "#FFDEE727"},
               {81, "#FFBFE727"},
               {90, "#FFBFE727"},
               {91, Table(app::Color_Port_Open)},
               {100, Table(app::Color_Port_Open)}};
  for (const auto& b : bands) {
    host.ConnectQualityChanged(b.Percent);
    EXPECT_EQ(Shown(TControl::Port_Connect_Stabil).Text, std::to_string(b.Percent) + "%");
    EXPECT_EQ(Shown(TControl::Port_Connect_Stabil).Color, b.Color) << b.Percent;
  }
  // The colours follow the table when the user changes it.
  app::Model().Colors.ColorTable[app::Color_Port_Open] = "#FF123456";
  host.ConnectQualityChanged(100);
  EXPECT_EQ(Shown(TControl::Port_Connect_Stabil).Color, "#FF123456");

  host.ReplyPending(true);
  EXPECT_TRUE(Shown(TControl::Connect_Condition).Visible);
  host.ReplyPending(false);
  EXPECT_FALSE(Shown(TControl::Connect_Condition).Visible);
}

TEST_F(LinkViewTest, TheFirmwareFamilyLaysOutTheIndicatorsAndStartsTheErrorListAfresh) {
  host.ErrorsReported({"first", "second"});
  EXPECT_EQ(host.Memo, (std::vector<std::string>{"first", "second"}));
  host.ErrorsReported({"third"});
  EXPECT_EQ(host.Memo, (std::vector<std::string>{"third"}));

  // The narrow family: four indicators, twice as tall, the others hidden, no MAP buttons.
  ecu::Session().LiveData.VersionFamily = 1;
  ecu::Session().LiveData.IndicatorScale = 2;
  host.LinkPhaseChanged(TLinkPhase::Up);
  host.FirmwareFamilyKnown();
  EXPECT_TRUE(host.Memo.empty());
  EXPECT_EQ(host.Find("indicator fonts").size(), 1u);
  EXPECT_FALSE(Shown(TControl::CLB_MAP_Start).Enabled);
  EXPECT_FALSE(Shown(TControl::CLB_MAP_Stop).Enabled);
  EXPECT_TRUE(Shown(TControl::ACB_Start).Enabled);
  for (TControl c : {TControl::IND_PressVap, TControl::IND_PressColl, TControl::IND_PressDiff, TControl::IND_TempGas})
    EXPECT_FALSE(Shown(c).Visible) << app::ControlId(c);
  EXPECT_EQ(Shown(TControl::IND_TempVap).Top, 300);
  EXPECT_EQ(Shown(TControl::IND_TempVap).Height, 100);
  EXPECT_EQ(Shown(TControl::IND_Petrol_Name).Top, 4);
  EXPECT_EQ(Shown(TControl::IND_RPM_Data).Height, 60);

  // The wide family: all eight in a column of 50 each, MAP buttons enabled.
  ecu::Session().LiveData.VersionFamily = 0;
  ecu::Session().LiveData.IndicatorScale = 1;
  host.FirmwareFamilyKnown();
  EXPECT_TRUE(Shown(TControl::CLB_MAP_Start).Enabled);
  float top = 0;
  for (TControl c : {TControl::IND_Petrol, TControl::IND_Gas, TControl::IND_RPM, TControl::IND_TempVap,
                     TControl::IND_TempGas, TControl::IND_PressVap, TControl::IND_PressColl, TControl::IND_PressDiff}) {
    EXPECT_TRUE(c == TControl::IND_Petrol || Shown(c).Top == top) << app::ControlId(c);
    EXPECT_EQ(Shown(c).Height, 50) << app::ControlId(c);
    top += 50;
  }
  EXPECT_TRUE(Shown(TControl::IND_PressDiff).Visible);
}

TEST_F(LinkViewTest, AParameterWithoutItsValueSchedulesTheConfigurationPageWhileTheLinkIsUp) {
  rtl::TTestClock clock{0.0};
  rtl::Application->Reset();
  rtl::Application->SetClock(&clock);
  app::CreateMainTimers();
  host.ParameterDefaulted();  // no link: nothing to write to
  EXPECT_EQ(app::Model().Actions.PendingKinds, 0);
  ecu::Session().Link.LinkUp = 1;
  host.ParameterDefaulted();
  host.ParameterDefaulted();
  EXPECT_EQ(app::Model().Actions.PendingKinds, 1u << 2);
  EXPECT_TRUE(app::Model().Actions.Timer_GEN_Transmit->Enabled());
  clock.Advance(app::Model().Settings.TransmitDelay() + 1);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, static_cast<std::uint8_t>(ecu::TTask::WritePage));
  rtl::Application->SetClock(nullptr);
  rtl::Application->Reset();
}

}  // namespace

}  // namespace link_view_test
