// The main window's start and its queue of actions: the timers start off, the logo grows in
// the layout's middle and shrinks to the corner, and each action of the queue does its work.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Port_Failure.h"
#include "app/ui/Page_CFG.h"
#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Session.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Display.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Shapes.h"

namespace main_actions_test {

namespace {

using apptest::MainWindowTest;

bool Queued(std::uint8_t Code) {
  for (int i = 0; i < app::Model().Actions.ActionCount; ++i)
    if (app::Model().Actions.ActionCodes[static_cast<std::size_t>(i)] == Code) return true;
  return false;
}

TEST_F(MainWindowTest, EveryTimerOfTheWindowStartsOff) {
  Make();
  EXPECT_FALSE(app::Model().Actions.Timer_GEN_General->Enabled());
  EXPECT_FALSE(app::Model().Actions.Timer_GEN_Transmit->Enabled());
  EXPECT_FALSE(host->Timer_GEN_Connect_Stabil().Enabled());
  EXPECT_FALSE(app::Model().StatusMessages.Timer_DynamicIND->Enabled());
  EXPECT_EQ(app::Model().StatusMessages.Timer_DynamicIND->Interval(), 2000u);
  const std::pair<rtl::TTimer*, unsigned> own[] = {{main->Timer_CLB_3D_Btn(), 300},
                                                   {main->Timer_3D_MapRPM_Tail(), 500},
                                                   {main->Timer_LevelGas(), 500},
                                                   {main->Timer_Menu(), 300}};
  for (auto [timer, interval] : own) {
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), interval);
  }
}

TEST_F(MainWindowTest, TheLogoGrowsInTheLayoutsMiddleThenShrinksToTheCorner) {
  Make();
  main->Show();
  Run(20);
  const vg::TvxVisualObject* logo = main->Parts().Image_ICO;
  const vg::TvxVisualObject* layout = main->Parts().Layout_3D_GEN;
  ASSERT_TRUE(logo->Visible());
  const float side = layout->Height() * 50 / 100;
  EXPECT_FLOAT_EQ(logo->Width(), side);
  EXPECT_FLOAT_EQ(logo->Height(), side);
  EXPECT_FLOAT_EQ(logo->Position()->X() + side / 2, layout->Position()->X() + layout->Width() / 2);
  EXPECT_FLOAT_EQ(logo->Position()->Y() + side / 2, layout->Position()->Y() + layout->Height() / 2);
  EXPECT_TRUE(Queued(app::Action_ShrinkLogo));
  RunQueue();
  EXPECT_EQ(logo->Width(), 25);
  EXPECT_EQ(logo->Height(), 25);
  EXPECT_EQ(logo->Position()->X(), 12);
  EXPECT_EQ(logo->Position()->Y(), 12);
}

TEST_F(MainWindowTest, TheLevelLampBlinksBetweenTheWindowTextColourAndTheGasColour) {
  MakeAndShow();
  vg::TvxCircle* lamp = main->PageCFG()->Parts().Circle_LevelGas[5];
  host->SetLevelGasTimer(true);
  EXPECT_TRUE(host->LevelGasTimerEnabled());
  Run(500);
  const std::string first = lamp->Fill()->GetColor();
  Run(500);
  const std::string second = lamp->Fill()->GetColor();
  EXPECT_NE(first, second);
  EXPECT_TRUE(
      (first == app::Model().Colors.WindowColorText && second == app::Model().Colors.ColorTable[app::Color_Gas]) ||
      (second == app::Model().Colors.WindowColorText && first == app::Model().Colors.ColorTable[app::Color_Gas]));
  host->SetLevelGasTimer(false);
  EXPECT_FALSE(main->Timer_LevelGas()->Enabled());
}

TEST_F(MainWindowTest, ActionsRescaleRestoreApplyFontsAndOpenThePort) {
  folder.Write("gascal.ini", "Port_Name                    /nonexistent/gascal-port {}\r\n"
                             "Search_Port                  False {}\r\n"
                             "Form_3D_Color                #FF102030 {}\r\n"
                             "Form_3D_Style                vgBrushSolid {}\r\n"
                             "English_Size                 13 {}\r\n");
  MakeAndShow();
  RunQueue();
  // 2 restored the window's fill.
  EXPECT_EQ(main->Parts().HudWindow_3D_GEN->Fill()->GetColor(), "#FF102030");
  EXPECT_EQ(app::Model().Colors.WindowColorText, "#FF102030");
  // 1: the layout follows a size set while the page was held.
  ecu::Session().ConfigData.CFGPageUpdating = 1;
  main->SetBounds(main->Left(), main->Top(), 1000, 800);
  ecu::Session().ConfigData.CFGPageUpdating = 0;
  main->RunAction(app::Action_RescaleLayout);
  EXPECT_FLOAT_EQ(main->Parts().Layout_3D_GEN->Scale()->X(), (1000.0f - 26) / (main->DesignWidth() - 26));
  // 6: the chosen font on the window's texts; 12..15 on a page's.
  EXPECT_EQ(main->Parts().HudButton_Work_Mode->Font()->Size(), 13);
  app::Model().Settings.Font_Size = 16;
  main->RunAction(12);
  EXPECT_EQ(main->PageCFG()->Parts().HudTextBox_CFG_User_Name->Font()->Size(), 16);
  EXPECT_EQ(main->Parts().HudButton_Work_Mode->Font()->Size(), 13) << "a page's fonts only";
  main->RunAction(app::Action_ApplyFonts);
  EXPECT_EQ(main->Parts().HudButton_Work_Mode->Font()->Size(), 16);
  // A page change queues its page's fonts.
  main->Parts().HudTabControl_GEN->SetItemIndex(1);
  EXPECT_TRUE(Queued(13));
  // 7: the configured port is opened; a listed one that cannot be is reported to the
  // installer with the system's reason.
  host->Messages.clear();
  ::setenv("GASCAL_EXTRA_PORTS", "/nonexistent/gascal-port", 1);
  main->RunAction(app::Action_OpenConfiguredPort);
  ::unsetenv("GASCAL_EXTRA_PORTS");
  Run(50);
  ASSERT_EQ(host->Messages.size(), 1u);
  // A port named by its device's path is named once.
  EXPECT_EQ(host->Messages.front(),
            "13: The serial port \"/nonexistent/gascal-port\" cannot be opened: No such file or directory.");
  // Codes without an action do nothing.
  main->RunAction(0);
  main->RunAction(18);
}

TEST_F(MainWindowTest, TheRefusedPortsMessageIsWithdrawnOnceTheEcuAnswers) {
  ::setenv("GASCAL_EXTRA_PORTS", "/nonexistent/gascal-port", 1);
  MakeAndShow();
  Run(1200);  // the configured port is tried
  ::unsetenv("GASCAL_EXTRA_PORTS");
  ASSERT_EQ(host->Messages.size(), 1u);
  EXPECT_TRUE(host->Withdrawn.empty()) << "it holds until the ECU answers";
  // The search (or a later open) has found the ECU: the message no longer holds.
  host->LinkEstablished();
  EXPECT_EQ(host->Withdrawn, host->Messages);
  // Once: a link that goes and comes again withdraws nothing more.
  host->LinkEstablished();
  EXPECT_EQ(host->Withdrawn.size(), 1u);
}

TEST(PortFailureMessage, ARefusedPortTellsTheUserToJoinTheDevicesGroup) {
  EXPECT_EQ(app::PortFailureMessage("COM1", "/dev/ttyS0", EACCES, "dialout", "ivan"),
            "The serial port \"COM1\" (/dev/ttyS0) cannot be opened: permission denied. This user may not use "
            "serial devices: /dev/ttyS0 belongs to the group \"dialout\". Add the user to it (sudo adduser ivan "
            "dialout), then log out and in again, and start the program anew.");
  // A group that cannot be told: the usual one is named.
  EXPECT_NE(app::PortFailureMessage("/dev/ttyUSB0", "/dev/ttyUSB0", EACCES, "", "").find("group \"dialout\""),
            std::string::npos);
  EXPECT_EQ(app::PortFailureMessage("COM2", "/dev/ttyS1", EBUSY, "dialout", "ivan"),
            std::string("The serial port \"COM2\" (/dev/ttyS1) cannot be opened: ") + std::strerror(EBUSY) + ".");
}

// A window of the program shown beside the main one, with a Hud window of its own.
const char* const OtherWindowText =
    "object Form_3D_Skin: TWindow_3D\r\n"
    "  Width = 300\r\n"
    "  Height = 200\r\n"
    "  object dxScene_Skin: TdxScene\r\n"
    "    Align = alClient\r\n"
    "    object Root_Skin: TdxVisualObject\r\n"
    "      object GUILayer_Skin: TdxGUIObjectLayer\r\n"
    "        object HudWindow_Skin: TvxHudWindow\r\n"
    "        end\r\n"
    "      end\r\n"
    "    end\r\n"
    "  end\r\n"
    "end\r\n";

TEST_F(MainWindowTest, TheMainFillGoesToTheOtherWindowsThatShow) {
  rtl::RegisterResource("TEST_OTHER_WINDOW", OtherWindowText, std::char_traits<char>::length(OtherWindowText));
  MakeAndShow();
  RunQueue();
  auto other = std::make_unique<app::TWindow_3D>(nullptr);
  other->ReadWindowText("TEST_OTHER_WINDOW");
  other->Show();
  main->Parts().HudWindow_3D_GEN->Fill()->SetColor("#FF405060");
  app::Model().Colors.MainWindowFill.Color = "#FF405060";
  main->RunAction(app::Action_CopyFillToOpenWindows);
  auto* hud = dynamic_cast<vg::TvxHudWindow*>(other->Root());
  ASSERT_NE(hud, nullptr);
  EXPECT_EQ(hud->Fill()->GetColor(), "#FF405060");
}

}  // namespace

namespace {

using apptest::MainWindowTest;

TEST_F(MainWindowTest, WhatTheLastConfigurationFileCouldNotGiveReachesTheMessageWindow) {
  folder.Write("Config/car1.cfg", "PG_RPM                       99999 {}\r\n");
  folder.Write("gascal.ini", "Port_Name                    /nonexistent/gascal-port {}\r\n"
                             "Search_Port                  False {}\r\n"
                             "CFG_Full_File_Name           " + (folder.Path() / "Config/car1.cfg").string() + " {}\r\n");
  MakeAndShow();
  ASSERT_FALSE(host->Messages.empty());
  const std::string& m = host->Messages.front();
  EXPECT_EQ(m.rfind("13: The configuration file ", 0), 0u) << m;
  EXPECT_NE(m.find("car1.cfg"), std::string::npos) << m;
  EXPECT_NE(m.find("PG_RPM"), std::string::npos) << m;
}

TEST_F(MainWindowTest, ThePortIsOpenedAboutOneAndAThirdSecondsAfterShowing) {
  ::setenv("GASCAL_EXTRA_PORTS", "/nonexistent/gascal-port", 1);
  Make();
  main->Show();
  Run(1250);
  EXPECT_TRUE(host->Messages.empty()) << host->Messages.front();
  Run(100);
  ::unsetenv("GASCAL_EXTRA_PORTS");
  ASSERT_EQ(host->Messages.size(), 1u);
  EXPECT_NE(host->Messages.front().find("cannot be opened"), std::string::npos);
}

}  // namespace

namespace {

// A live sample reaches the indicators, the work mode and the level circles through the
// controls the windows bound when they were made; while the level blink owns the circles
// only the values change.
TEST_F(MainWindowTest, ALiveSampleShowsInTheBoundIndicatorsModeAndCircles) {
  MakeAndShow();
  ecu::TSession& s = ecu::Session();
  s.ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
  for (int k = 1; k <= 5; ++k) s.ConfigData.Configuration->Level(k) = 100 * k;
  s.Texts.LanguageWords.Gas = "Gas";
  s.LiveData.LiveRPM = 2150;
  s.LiveData.LiveLevel = 220;
  s.LiveData.WorkMode = 4;
  s.LiveData.Circle6Hidden = true;
  host->ShowLiveSample(true);
  const app::TMainParts& p = main->Parts();
  const app::TPageCFGParts& cfg = main->PageCFG()->Parts();
  EXPECT_EQ(p.IndicatorValues[app::IND_RPM]->Text(), u"2150");
  EXPECT_EQ(p.HudLabel_Work_Mode->Text(), u"Gas");
  const std::string gas = app::Model().Colors.ColorTable[app::Color_Gas];
  EXPECT_EQ(p.HudLabel_Work_Mode->FontFill()->GetColor(), gas);
  EXPECT_FALSE(cfg.Circle_LevelGas[6]->Visible());
  EXPECT_EQ(cfg.Circle_LevelGas[2]->Fill()->GetColor(), gas);
  EXPECT_EQ(cfg.Circle_LevelGas[3]->Fill()->GetColor(), host->ColorText(ecu::TColorRole::Neutral));
  EXPECT_TRUE(cfg.HudNumberBox_CFG_LevelGas->Visible());
  EXPECT_EQ(cfg.HudNumberBox_CFG_LevelGas->Text(), u"1.08");

  s.LiveData.LiveRPM = 900;
  s.LiveData.WorkMode = 1;
  host->ShowLiveSample(false);
  EXPECT_EQ(p.IndicatorValues[app::IND_RPM]->Text(), u"900");
  EXPECT_EQ(p.HudLabel_Work_Mode->Text(), u"Gas") << "the blink's hold leaves the mode";
  EXPECT_EQ(cfg.Circle_LevelGas[2]->Fill()->GetColor(), gas);
}

}  // namespace

}  // namespace main_actions_test
