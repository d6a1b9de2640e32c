// What the windows read of the session and the commands they give it, without a window: the
// texts of the current language, the configuration page's view, the main window's keys of the
// settings file, the work-mode commands and the port window's view.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/CFG_Page_View.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Model.h"
#include "app/core/Port_View.h"
#include "app/core/Window_Session.h"
#include "app/core/Window_Texts.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"

namespace window_views_test {

namespace {

using ecu_test::WriteFile;

// "Da" and "Gaz" in the Cyrillic code page, and as wide text.
const std::string DaCp1251 = "\xC4\xE0", GazCp1251 = "\xC3\xE0\xE7";
const std::u16string DaWide = u"\u0414\u0430", GazWide = u"\u0413\u0430\u0437";

class WindowViews : public ::testing::Test {
protected:
  void SetUp() override {
    ecu::Session().Texts.LanguageDir = dir / "Language";
    std::filesystem::create_directories(dir / "Language");
    WriteFile(dir / "Language/Russian.lng", "Yes " + DaCp1251 + "\r\nGas " + GazCp1251 + "\r\n");
    app::Model().Settings.SettingsFileName = dir / "gascal.ini";
    app::Model().Settings.CFG_Full_File_Name = dir / "none.cfg";
  }
  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
};

// Texts go through the current language's code page both ways; the language's file is read
// for a window's look-up only when none is read, and its use ends with the look-up.
TEST_F(WindowViews, TextsFollowTheLanguageAndItsFileIsReadOnlyForTheLookUp) {
  EXPECT_EQ(u"Yes", app::ShownKeyText("Yes")) << "English: the built-in text";
  app::SetCurrentLanguage("Russian");
  EXPECT_EQ(DaWide, app::ShownText(DaCp1251));
  EXPECT_EQ(DaCp1251, app::KeptText(DaWide));
  EXPECT_EQ(u"\u00C4\u00E0", app::ShownText(DaCp1251, "English")) << "decoded in the named language's page";
  {
    const app::TLanguageFileScope file;
    EXPECT_TRUE(ecu::LanguageStorePresent());
    EXPECT_EQ(DaWide, app::ShownKeyText("Yes"));
    {
      const app::TLanguageFileScope inner;  // a look-up within the activation's
      EXPECT_EQ(GazWide, app::ShownKeyText("Gas"));
    }
    EXPECT_TRUE(ecu::LanguageStorePresent()) << "an inner look-up leaves the outer one's file";
  }
  EXPECT_FALSE(ecu::LanguageStorePresent());
  EXPECT_EQ(DaCp1251, app::KeyTextReadingFile("Yes")) << "read from the file without a store";
  EXPECT_FALSE(ecu::LanguageStorePresent());
  try {
    const app::TLanguageFileScope file;
    throw std::runtime_error("look-up failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(ecu::LanguageStorePresent()) << "a failed look-up ends the file's use too";

  app::SetCurrentLanguage("English");
  const app::TLanguageFileScope english(app::TLanguageFileScope::Always);
  EXPECT_FALSE(ecu::LanguageStorePresent()) << "English has no file";
  EXPECT_EQ("Deutsch", app::LanguageOfMenuItem(u"Deutsch.lng"));
  EXPECT_EQ("Russian", app::LanguageOfMenuItem(u"Russian"));
}

// A report quotes what was typed whole, the control character 0x1A among it; a 0x1A byte that a
// language text or a file put into a report (an old file's end-of-file mark) is shown as it
// stands, and the text after it as its code page reads it.
TEST_F(WindowViews, AReportQuotesWhatWasTypedWholeAndShowsAStray0x1AAsItStands) {
  app::SetCurrentLanguage("Russian");
  const std::u16string typed = u"\u00E9\u001A" + GazWide + u"\U0001F600";
  const std::string label = GazCp1251 + "\x1A" + DaCp1251;
  const std::string report = label + ": " + app::TypedTextInReport(typed);
  EXPECT_EQ(app::ReportShownText(report), GazWide + u"\u001A" + DaWide + u": " + typed);
  EXPECT_EQ(app::ReportStreamText(report), label + ": \xC3\xA9\x1A" + GazCp1251 + "\xF0\x9F\x98\x80");
  app::SetCurrentLanguage("English");
  for (const std::string& stray : {std::string("\x1A"), std::string("a\x1A"), std::string("\x1A\xC3"),
                                   std::string("\x1A\xC3\xA9"), std::string("\x1A\xF0\x9F"), std::string("\x1Az")})
    EXPECT_EQ(app::ReportShownText(stray), app::ShownText(stray)) << ecu::PrintableFileText(stray);
}

// The caption names the firmware only while the link is up, and the configuration file when
// there is one, in the customer group's caption too.
TEST_F(WindowViews, TheMainCaptionNamesFirmwareAndFileWhenThereAreSome) {
  app::CreateConfiguration();
  app::KeepLanguageWords();
  ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  c.Firmware_Version = "2.01";
  c.Cfg_Name = "car1";
  app::TMainCaption caption = app::MainCaption("gascal", "1.0", "2026");
  EXPECT_EQ(std::u16string::npos, caption.Title.find(u"2.01")) << "link down";
  EXPECT_NE(std::u16string::npos, caption.Title.find(u"gascal : 1.0"));
  EXPECT_NE(std::u16string::npos, caption.Title.find(u"car1.cfg"));
  EXPECT_NE(std::u16string::npos, caption.CustomerGroup.find(u"car1.cfg"));
  ecu::Session().Link.LinkUp = 1;
  caption = app::MainCaption("gascal", "1.0", "2026");
  EXPECT_NE(std::u16string::npos, caption.Title.find(u"PM 2.01"));
  c.Cfg_Name.clear();
  EXPECT_EQ(std::u16string::npos, app::MainCaption("gascal", "1.0", "2026").CustomerGroup.find(u".cfg"));
}

// The page shows the configuration as wide texts and takes them back in the language's code
// page; a level-sensor type is taken with its thresholds, an unknown one and a held page not.
TEST_F(WindowViews, TheConfigurationPageRoundTripsThroughTheLanguagesCodePage) {
  EXPECT_FALSE(app::CFGPageOfConfig()) << "no configuration, nothing to show";
  app::CreateConfiguration();
  app::SetCurrentLanguage("Russian");
  ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  c.User_Name = GazCp1251;
  std::optional<app::TCFGPageTexts> page = app::CFGPageOfConfig();
  ASSERT_TRUE(page);
  EXPECT_EQ(GazWide, page->User_Name);
  EXPECT_EQ(static_cast<double>(c.Level3), page->LevelGas[2]);

  page->User_Name = DaWide;
  page->PG_RPM = u"1600";
  page->LevelGas[4] = 250.4;  // a track position between steps
  EXPECT_NO_THROW(app::CheckCFGPageNumbers(*page));
  app::TakeCFGLevelPageTexts(*page);
  EXPECT_EQ(DaCp1251, c.User_Name);
  EXPECT_EQ(1600, c.PG_RPM);
  EXPECT_EQ(250, c.Level5);
  page->PG_RPM = u"16x";
  EXPECT_THROW(app::CheckCFGPageNumbers(*page), rtl::EConvertError);
  EXPECT_EQ(1600, c.PG_RPM) << "a check changes nothing";

  EXPECT_FALSE(app::ChooseLevelSensor(u"No such sensor", true));
  const std::string before = c.Level_Type;
  {
    const app::TCFGPageHold hold;
    EXPECT_FALSE(app::ChooseLevelSensor(u"AEB 1050", true)) << "held while the page is filled";
    {
      const app::TCFGPageHold inner;
    }
    EXPECT_TRUE(app::CFGPageUpdating()) << "an inner hold gives back the outer one";
  }
  EXPECT_FALSE(app::CFGPageUpdating());
  EXPECT_EQ(before, c.Level_Type);
  const std::optional<std::array<int, 5>> levels = app::ChooseLevelSensor(u"AEB 1050", true);
  ASSERT_TRUE(levels);
  EXPECT_EQ(47, (*levels)[4]);
  EXPECT_EQ("AEB 1050", c.Level_Type);
  EXPECT_EQ(1, c.Level_Buzzer);
  EXPECT_EQ(u"5.00", app::LevelVoltText(1023.2)) << "the track's step, as volts";
}

// The main window's keys: absent without the file, each key absent (its place or size the
// window's own) when missing or unreadable, the window's fill read with them, and the store
// closed after.
TEST_F(WindowViews, TheMainWindowsKeysAreReadEachOnItsOwn) {
  const app::TWindowRect shown{200, 100, 860, 620}, work{0, 0, 1280, 1000};
  EXPECT_FALSE(app::ReadMainWindowKeys(shown, work));
  WriteFile(app::Model().Settings.SettingsFileName, ecu::KeyFilePadKey("Form_3D_GEN_Pos_X") + "40 {}\r\n" +
                                                        ecu::KeyFilePadKey("Form_3D_GEN_Width") + "wide {}\r\n" +
                                                        ecu::KeyFilePadKey("Panel_IND_Size_Name") + "12.5 {}\r\n" +
                                                        ecu::KeyFilePadKey("Form_3D_Color") + "#FF102030 {}\r\n" +
                                                        ecu::KeyFilePadKey("Form_3D_SET_Show") + "True {}\r\n");
  const std::optional<app::TMainWindowKeys> keys = app::ReadMainWindowKeys(shown, work);
  ASSERT_TRUE(keys);
  EXPECT_EQ((app::TWindowRect{40, 100, 860, 620}), keys->Place) << "the width not a number: the window's own";
  EXPECT_EQ(12.5, keys->NameFontSize);
  EXPECT_FALSE(keys->DataFontSize);
  EXPECT_EQ("#FF102030", app::Model().Colors.MainWindowFill.Color);
  EXPECT_FALSE(ecu::KeyFileStorePresent());
  EXPECT_TRUE(app::SettingsWindowWasOpen());
}

// The work-mode button asks for the task of the mode shown, the gas mode with its flags.
TEST_F(WindowViews, TheWorkModeButtonAsksForTheNextModesTask) {
  const struct {
    std::uint8_t Mode;
    ecu::TTask Task;
    std::uint8_t Flags;
  } cases[] = {{1, ecu::TTask::Mode1, 0}, {2, ecu::TTask::GasMode, 240}, {4, ecu::TTask::PetrolMode, 0}};
  ecu::Session().Link.LinkUp = 1;  // tasks are asked of an ECU that answers
  for (const auto& c : cases) {
    ecu::Session().Link.ModeCommandFlags = 7;
    ecu::Session().LiveData.WorkMode = c.Mode;
    app::SwitchWorkMode();
    EXPECT_EQ(c.Task, ecu::RequestedTask()) << "mode " << int(c.Mode);
    EXPECT_EQ(c.Flags, ecu::Session().Link.ModeCommandFlags) << "mode " << int(c.Mode);
  }
  app::StartProgramFiles("/opt/g", "gas");
  EXPECT_EQ("/opt/g/gas.ini", app::Model().Settings.SettingsFileName);
  EXPECT_EQ("/opt/g/Language", ecu::Session().Texts.LanguageDir);
  EXPECT_EQ("gascal", app::ProgramName("/opt/g/.ini"));
  EXPECT_EQ("gas", app::ProgramName("/opt/g/gas.exe"));
}

// The port window's view has the link side's texts wide in the language's code page and its
// places; the link side made for a window is the link's port until it goes.
TEST_F(WindowViews, ThePortWindowsViewIsTheLinkSidesStateInWideText) {
  app::SetCurrentLanguage("Russian");
  app::TPortLink* link = app::MakePortLink(nullptr, 300, 120);
  EXPECT_TRUE(app::IsLinkPort(link));
  link->HudWindow_3D_Port.Text = GazCp1251;
  link->HudMemo_3D_Port.Lines = {"/dev/ttyS0,", DaCp1251};
  link->ProgressBar_3D_Port.Value = 3;
  link->HudLabel_3D_Port_Search.Left = 12;
  const app::TPortWindowView view = app::PortWindowView(*link);
  EXPECT_EQ(GazWide, view.HudWindow_3D_Port.Text);
  EXPECT_EQ(GazCp1251, view.Caption);
  EXPECT_EQ((std::vector<std::u16string>{u"/dev/ttyS0,", DaWide}), view.HudMemo_3D_Port.Lines);
  EXPECT_EQ(3, view.ProgressBar_3D_Port.Value);
  EXPECT_EQ(12, view.HudLabel_3D_Port_Search.Left);
  EXPECT_EQ(300, link->HudPanel_3D_Port.Width);
  EXPECT_FALSE(app::ChoosePortByDialog(link)) << "no dialog: nothing chosen";
  EXPECT_FALSE(app::ChoosePortByDialog(nullptr));
  app::FreePortLink(link);
  EXPECT_EQ(nullptr, ecu::Session().Form_3D_Port) << "the link has no port once it goes";
}

}  // namespace

}  // namespace window_views_test
