// The settings file and the colour keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "app/core/Set_3D_Unit.h"
#include "app/core/Window_Session.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Language_En.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"

namespace settings_test {

namespace {

using ecu_test::ReadFile;
using ecu_test::WriteFile;

// The main window as the program's close writes it: at 40, 30, 900 x 640, its indicator column
// 180 wide (a column of 0, which no window has, would be reported at the next load).
const app::TMainWindowState ProgramWindow{180, 40, 30, 900, 640};

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    app::Model().Settings.SettingsFileName = dir / "gascal.ini";
    ecu::Session().Texts.LanguageDir = dir / "Language";
  }
  void Start(const std::string& File) {
    WriteFile(app::Model().Settings.SettingsFileName, File);
    app::Settings_Default();
  }
  // A language file of the Language folder, so that the language is one the menu lists.
  void AddLanguage(const std::string& Name) {
    std::filesystem::create_directories(dir.Path() / "Language");
    WriteFile(dir / ("Language/" + Name + ".lng"), "Yes Da\r\n");
  }

  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
};

// A file as the program writes it at close (window 900 x 640 at 40, 30, page 2, settings
// window open, a three-point gradient fill).
std::string WrittenFile() {
  std::string f;
  auto line = [&](const std::string& key, const std::string& value, const std::string& comment = "") {
    f += ecu::KeyFilePadKey(key) + value + " {" + comment + "}\r\n";
  };
  line("Program_Code", "23", "ECU address: 25 - first ECU variant, 23 - second ECU variant");
  line("Language", "Russian");
  line("Russian_Name", "Arial");
  line("Russian_Size", "10.50");
  line("Russian_Style", "vgFontBoldItalic");
  line("Russian_Color", "#FF102030");
  line("Port_Name", "/dev/ttyUSB0");
  line("Search_Port", "False");
  line("Reply_Delay", "80");
  line("Full_Screen", "True");
  line("CFG_File_Name", "car1");
  line("CFG_Full_File_Name", "Config/car1.cfg");
  line("CFG_Transmit_Delay", "900");
  line("Idle_Points", "True");
  line("Map_Point", "False");
  line("Diagram_Joystick", "True");
  line("ACB_SCR_Type", "High R.P.M. calibration");
  line("Panels_Opacity", "0.75");
  line("Panel_IND_Width", "180");
  line("Panel_IND_Size_Name", "14.00");
  line("Panel_IND_Size_Data", "26.00");
  line("Form_3D_GEN_Pos_X", "40");
  line("Form_3D_GEN_Pos_Y", "30");
  line("Form_3D_GEN_Width", "900");
  line("Form_3D_GEN_Height", "640");
  line("Page_Index", "2");
  line("Form_3D_Color", "#FF334455");
  line("Form_3D_Style", "vgBrushGradient");
  line("Form_3D_GradColor_0", "#FF000000");
  line("Form_3D_GradColor_1", "#FF808080");
  line("Form_3D_GradColor_2", "#FFFFFFFF");
  for (int i = 0; i < app::ColorRoleCount; ++i)
    line(app::ColorKey(i), i == 0 ? "#FF102030" : i == 17 ? "#FFAA0000" : app::ColorDefault(i));
  line("Form_3D_SET_Show", "True");
  return f;
}

TEST_F(SettingsTest, DefaultsWrittenReadBackEqualAndRewriteIdentically) {
  app::Settings_Default();  // no file: every default
  const app::Settings_Class& s = app::Model().Settings;
  EXPECT_EQ(app::Model().Colors.ColorTable[0], s.Font_Color);

  app::SaveSettings(ProgramWindow);
  const std::string first = ReadFile(app::Model().Settings.SettingsFileName);
  EXPECT_EQ(first.substr(0, 33), "Program_Code                 25 {");
  EXPECT_NE(first.find("\r\nLanguage                     English {}\r\nEnglish_Name                 Tahoma {}\r\n"
                       "English_Size                 12.00 {}\r\nEnglish_Style                vgFontRegular {}\r\n"),
            std::string::npos);
  EXPECT_NE(first.find("\r\nCFG_File_Name                 {}\r\n"), std::string::npos);
  EXPECT_NE(first.find("\r\nColor_3D_MapRPM_Select_Cell  #FF0000FF {}\r\nForm_3D_SET_Show             False {}\r\n"),
            std::string::npos);

  const app::Settings_Class before = s;
  app::Settings_Default();
  const app::Settings_Class& after = app::Model().Settings;
  EXPECT_EQ(after.Font_Size, before.Font_Size);
  EXPECT_EQ(after.Panels_Opacity, before.Panels_Opacity);
  EXPECT_EQ(after.Search_Port, before.Search_Port);
  EXPECT_EQ(after.CFG_File_Name, before.CFG_File_Name);
  app::SaveSettings(ProgramWindow);
  EXPECT_EQ(ReadFile(app::Model().Settings.SettingsFileName), first);
}

TEST_F(SettingsTest, AWrittenFileReadsIntoTheFieldsAndRoundTripsByteForByte) {
  AddLanguage("Russian");
  const std::string file = WrittenFile();
  Start(file);
  const app::Settings_Class& s = app::Model().Settings;
  EXPECT_EQ(s.Program_Code, 23);
  EXPECT_EQ(s.Language, "Russian");
  EXPECT_EQ(ecu::Session().Texts.CurrentLanguage, "Russian");
  EXPECT_EQ(s.Font_Name, "Arial");
  EXPECT_FLOAT_EQ(s.Font_Size, 10.5f);
  EXPECT_EQ(s.Font_Style, app::FontBoldItalic);
  EXPECT_EQ(s.Font_Color, "#FF102030");
  EXPECT_FALSE(s.Search_Port);
  EXPECT_EQ(s.Reply_Delay, 80);
  EXPECT_TRUE(s.Full_Screen);
  EXPECT_EQ(s.Page_Index, 2);
  EXPECT_EQ(s.CFG_Transmit_Delay, 900);
  EXPECT_TRUE(s.Idle_Points && s.Diagram_Joystick && !s.Map_Point);
  EXPECT_EQ(s.ACB_SCR_Type, "High R.P.M. calibration");
  EXPECT_DOUBLE_EQ(s.Panels_Opacity, 0.75);
  EXPECT_EQ(app::Model().Colors.ColorTable[17], "#FFAA0000");

  // The main window's keys are read by its own layout step.
  ecu::KeyFileLoad(app::Model().Settings.SettingsFileName);
  app::LoadMainWindowFill();
  ecu::KeyFileClose();
  EXPECT_EQ(app::Model().Colors.MainWindowFill,
            (app::TWindowFill{"#FF334455", true, {"#FF000000", "#FF808080", "#FFFFFFFF"}}));

  ecu::Session().Link.SettingsWindowShown = 1;
  app::SaveSettings({180, 40, 30, 900, 640});
  EXPECT_EQ(ReadFile(app::Model().Settings.SettingsFileName), file);

  // A fill of fewer points leaves no key of a point it no longer has, which the next start
  // would read as a point of the fill again.
  app::Model().Colors.MainWindowFill.GradientColors = {"#FF000000", "#FF0000FF"};
  app::SaveSettings({180, 40, 30, 900, 640});
  app::Model().Colors.MainWindowFill = {};
  ecu::KeyFileLoad(app::Model().Settings.SettingsFileName);
  EXPECT_FALSE(ecu::KeyFileFind("Form_3D_GradColor_2"));
  app::LoadMainWindowFill();
  ecu::KeyFileClose();
  EXPECT_EQ(app::Model().Colors.MainWindowFill.GradientColors, (std::vector<std::string>{"#FF000000", "#FF0000FF"}));
}

TEST_F(SettingsTest, ValuesThatDoNotConvertLeaveTheirFieldsAndUnsafeOnesFallBackToTheDefault) {
  Start(
      "Program_Code 300\r\nSearch_Port no\r\nFull_Screen true\r\nReply_Delay -100\r\nCFG_Transmit_Delay 0\r\n"
      "ACB_SCR_Type Slow calibration\r\nPanels_Opacity 0,5\r\nPage_Index two\r\nEnglish_Size big\r\n"
      "English_Style vgFontStrange\r\nEnglish_Color white\r\n"
      "CFG_File_Name other\r\nCFG_Full_File_Name C:\\Gas\\Config\\car1.cfg\r\nColor_3D_Gas green\r\n");
  const app::Settings_Class& s = app::Model().Settings;
  EXPECT_EQ(s.Program_Code, 44);
  EXPECT_TRUE(s.Search_Port);
  EXPECT_TRUE(s.Full_Screen);
  EXPECT_EQ(s.Reply_Delay, 60);
  EXPECT_EQ(s.CFG_Transmit_Delay, 1500);
  EXPECT_EQ(s.ACB_SCR_Type, "Fast calibration");
  EXPECT_DOUBLE_EQ(s.Panels_Opacity, 0.5);
  EXPECT_EQ(s.Page_Index, 0);
  EXPECT_FLOAT_EQ(s.Font_Size, 12.0f);
  EXPECT_EQ(s.Font_Style, app::FontRegular);
  EXPECT_EQ(s.Font_Color, "#FFFFFFFF");
  EXPECT_EQ(s.CFG_File_Name, "car1");
  EXPECT_EQ(app::Model().Colors.ColorTable[app::Color_Gas], "#FFA4F964");
  // Each value not taken as the file holds it is named, with what the setting holds instead:
  // the installer learns why the ECU does not answer at the address the file gave.
  EXPECT_EQ(s.LoadReport,
            (std::vector<std::string>{
                "Program_Code: \"300\" is outside 0..255; its low byte 44 is used",
                "English_Size: \"big\" is not a number; \"12.00\" is kept",
                "English_Style: \"vgFontStrange\" is not a font style (vgFontRegular, vgFontBold, vgFontItalic, "
                "vgFontBoldItalic); \"vgFontRegular\" is kept",
                "English_Color: \"white\" is not a colour (#AARRGGBB); \"#FFFFFFFF\" is kept",
                "Search_Port: \"no\" is not True or False; \"True\" is kept",
                "Reply_Delay: \"-100\" is outside 0..2000; 60 is used",
                "Page_Index: \"two\" is not a whole number; \"0\" is kept",
                "CFG_Transmit_Delay: \"0\" is outside 1..100000; 1500 is used",
                "ACB_SCR_Type: \"Slow calibration\" is not an auto-calibration algorithm; \"Fast calibration\" is kept",
                "Color_3D_Gas: \"green\" is not a colour (#AARRGGBB); \"#FFA4F964\" is kept"}));
  // Written back as held, the file has nothing more to report.
  app::SaveSettings(ProgramWindow);
  app::Settings_Default();
  EXPECT_TRUE(s.LoadReport.empty()) << app::SettingsLoadReportText();
}

// Every number of the file that is replaced is named at the load, those the windows read
// later included (the main window's place and size, the indicator column's width and font
// sizes, the settings window's place, size and showing), with what stands in for it: they
// were replaced by defaults without a word. In full screen the main window's place and size
// are not read, and not named.
TEST_F(SettingsTest, EveryValueReplacedIsNamedThoseTheWindowsReadLaterToo) {
  std::string file;
  for (const char* key : {"English_Size", "Reply_Delay", "Page_Index", "CFG_Transmit_Delay", "Panels_Opacity",
                          "Panel_IND_Width", "Panel_IND_Size_Name", "Panel_IND_Size_Data", "Form_3D_GEN_Pos_X",
                          "Form_3D_GEN_Pos_Y", "Form_3D_GEN_Width", "Form_3D_GEN_Height", "Form_3D_SET_Pos_X",
                          "Form_3D_SET_Pos_Y", "Form_3D_SET_Width", "Form_3D_SET_Height", "Form_3D_SET_Show"})
    file += std::string(key) + " nan\r\n";
  Start(file);
  EXPECT_EQ(
      app::Model().Settings.LoadReport,
      (std::vector<std::string>{
          "English_Size: \"nan\" is not a number; \"12.00\" is kept",
          "Reply_Delay: \"nan\" is not a whole number; \"60\" is kept",
          "Page_Index: \"nan\" is not a whole number; \"0\" is kept",
          "CFG_Transmit_Delay: \"nan\" is not a whole number; \"1500\" is kept",
          "Panels_Opacity: \"nan\" is not a number; \"1.00\" is kept",
          "Form_3D_GEN_Pos_X: \"nan\" is not a whole number; the main window stays centred across the screen",
          "Form_3D_GEN_Pos_Y: \"nan\" is not a whole number; the main window stays centred down the screen",
          "Form_3D_GEN_Width: \"nan\" is not a whole number; the main window keeps its own width",
          "Form_3D_GEN_Height: \"nan\" is not a whole number; the main window keeps its own height",
          "Panel_IND_Width: \"nan\" is not a whole number; the indicator column keeps its own width",
          "Form_3D_SET_Pos_X: \"nan\" is not a whole number; the settings window opens at the main window's left "
          "edge",
          "Form_3D_SET_Pos_Y: \"nan\" is not a whole number; the settings window opens 22 below the main window's "
          "top",
          "Form_3D_SET_Width: \"nan\" is not a whole number; the settings window keeps its own width",
          "Form_3D_SET_Height: \"nan\" is not a whole number; the settings window keeps its own height",
          "Panel_IND_Size_Name: \"nan\" is not a number; \"14.00\" is kept",
          "Panel_IND_Size_Data: \"nan\" is not a number; \"26.00\" is kept",
          "Form_3D_SET_Show: \"nan\" is not True or False; \"False\" is kept"}));

  Start(
      "Full_Screen True\r\nForm_3D_GEN_Width nan\r\nForm_3D_GEN_Pos_X 40\r\nPanel_IND_Width 180\r\n"
      "Panel_IND_Size_Name 30\r\nPanel_IND_Size_Data 2,5\r\n");
  EXPECT_EQ(app::Model().Settings.LoadReport,
            (std::vector<std::string>{"Panel_IND_Size_Name: \"30\" is outside 6.00..22.00; 22.00 is used",
                                      "Panel_IND_Size_Data: \"2,5\" is outside 6.00..50.00; 6.00 is used"}));
}

// Numbers the windows hold to their limits are named as well: a size below the smallest, a
// place off the screen, a size beyond it, a column width outside the splitter's limits. The
// windows' places and sizes are held to the screen, so they are named as the main window shows;
// the column's width at the load.
TEST_F(SettingsTest, NumbersTheWindowsHoldToTheirLimitsAreNamedToo) {
  std::string file;
  for (const char* key :
       {"Form_3D_GEN_Pos_X", "Form_3D_GEN_Pos_Y", "Form_3D_GEN_Width", "Form_3D_GEN_Height", "Panel_IND_Width",
        "Form_3D_SET_Pos_X", "Form_3D_SET_Pos_Y", "Form_3D_SET_Width", "Form_3D_SET_Height"})
    file += std::string(key) + " -5000\r\n";
  Start(file);
  const std::string column = "Panel_IND_Width: \"-5000\" is outside 61..299; the indicator column keeps its own width";
  EXPECT_EQ(app::Model().Settings.LoadReport, std::vector<std::string>{column});
  const app::TWindowRect shown{210, 190, 860, 620}, work{0, 0, 1280, 1000};
  const auto showMain = [&] {
    app::ReportHeldMainWindowPlace(shown, work);
    app::ReportHeldSettingsWindowPlace(shown, 450, 400, work);
  };
  showMain();
  EXPECT_EQ(app::Model().Settings.LoadReport,
            (std::vector<std::string>{column, "Form_3D_GEN_Pos_X: \"-5000\" is outside -12..892; -12 is used",
                                      "Form_3D_GEN_Pos_Y: \"-5000\" is outside -12..712; -12 is used",
                                      "Form_3D_GEN_Width: \"-5000\" is outside 400..1304; 400 is used",
                                      "Form_3D_GEN_Height: \"-5000\" is outside 300..1024; 300 is used",
                                      "Form_3D_SET_Pos_X: \"-5000\" is outside 0..980; 0 is used",
                                      "Form_3D_SET_Pos_Y: \"-5000\" is outside 0..800; 0 is used",
                                      "Form_3D_SET_Width: \"-5000\" is outside 300..1280; 300 is used",
                                      "Form_3D_SET_Height: \"-5000\" is outside 200..1000; 200 is used"}));

  // Beyond the screen: held to it, and named; a window the file leaves partly on the screen,
  // where a user's drag can leave it, is brought onto it without a word.
  Start("Form_3D_GEN_Pos_X 1000\r\nForm_3D_GEN_Width 99999\r\nForm_3D_SET_Pos_Y 900\r\n");
  showMain();
  EXPECT_EQ(app::Model().Settings.LoadReport,
            (std::vector<std::string>{"Form_3D_GEN_Width: \"99999\" is outside 400..1304; 1304 is used"}));
  Start("Form_3D_GEN_Pos_Y 1000\r\nForm_3D_SET_Pos_X -450\r\nForm_3D_SET_Pos_Y 900\r\n");
  showMain();
  EXPECT_EQ(app::Model().Settings.LoadReport,
            (std::vector<std::string>{"Form_3D_GEN_Pos_Y: \"1000\" is outside -12..392; 392 is used",
                                      "Form_3D_SET_Pos_X: \"-450\" is outside 0..830; 0 is used",
                                      "Form_3D_SET_Pos_Y: \"900\" is outside 0..600; 600 is used"}));

  // Values the windows take as they are name nothing; nor does the main window's place in
  // full screen, where it is not read.
  Start(
      "Form_3D_GEN_Pos_X -12\r\nForm_3D_GEN_Width 1304\r\nPanel_IND_Width 299\r\nForm_3D_SET_Pos_X 830\r\n"
      "Form_3D_SET_Height 200\r\n");
  showMain();
  EXPECT_EQ(app::Model().Settings.LoadReport, std::vector<std::string>{});
  Start("Full_Screen True\r\nForm_3D_GEN_Pos_X -5000\r\nPanel_IND_Width 60\r\n");
  showMain();
  EXPECT_EQ(
      app::Model().Settings.LoadReport,
      std::vector<std::string>{"Panel_IND_Width: \"60\" is outside 61..299; the indicator column keeps its own width"});
}

// Values outside what their controls allow are brought into range as they are read, and so
// written back: none of them can hide the texts, blank a page or stop the link.
TEST_F(SettingsTest, ValuesOutsideTheirRangesAreBroughtIntoThemAndWrittenBackSo) {
  struct Case {
    std::string Size, Opacity, Reply, Transmit;
    float FontSize;
    double PanelsOpacity;
    std::int32_t ReplyDelay, TransmitDelay;
    std::size_t Held;  // how many of the four were held, each named in the report
  };
  const Case cases[] = {
      {"-12", "-3", "100000", "999999999", app::MinFontSize, app::MinPanelsOpacity, app::MaxReplyDelay,
       app::MaxTransmitDelay, 4},
      {"0.0001", "0", "2001", "100001", app::MinFontSize, app::MinPanelsOpacity, app::MaxReplyDelay,
       app::MaxTransmitDelay, 4},
      {"1e308", "1e308", "2000", "100000", app::MaxFontSize, app::MaxPanelsOpacity, 2000, 100000, 2},
      {"72.5", "1.5", "0", "1", app::MaxFontSize, 1.0, 0, 1, 2},
      {"6", "0.2", "1999", "99999", 6.0f, 0.2, 1999, 99999, 0},
      {"10.3", "0.33", "7", "8", 10.3f, 0.33, 7, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Size + " " + c.Opacity + " " + c.Reply + " " + c.Transmit);
    Start("English_Size " + c.Size + "\r\nPanels_Opacity " + c.Opacity + "\r\nReply_Delay " + c.Reply +
          "\r\nCFG_Transmit_Delay " + c.Transmit + "\r\n");
    EXPECT_EQ(app::Model().Settings.Font_Size, c.FontSize);
    EXPECT_EQ(app::Model().Settings.Panels_Opacity, c.PanelsOpacity);
    EXPECT_EQ(app::Model().Settings.Reply_Delay, c.ReplyDelay);
    EXPECT_EQ(app::Model().Settings.CFG_Transmit_Delay, c.TransmitDelay);
    EXPECT_EQ(app::Model().Settings.LoadReport.size(), c.Held) << app::SettingsLoadReportText();
    app::SaveSettings(ProgramWindow);
    app::Settings_Default();
    EXPECT_EQ(app::Model().Settings.Font_Size, c.FontSize) << "written as read";
    EXPECT_EQ(app::Model().Settings.Panels_Opacity, c.PanelsOpacity);
    EXPECT_EQ(app::Model().Settings.Reply_Delay, c.ReplyDelay);
  }
}

// The font keys are named after the language: a language whose name cannot name them (a
// blank would cut "<language>_Name" to "<language>" and all four keys would be one) is not
// taken, and its keys stay apart.
TEST_F(SettingsTest, ALanguageThatCannotNameItsFontKeysIsNotTaken) {
  for (const std::string& language : {std::string("Old Russian"), std::string("Rus=sian"), std::string(24, 'L')}) {
    Start("Language " + language + "\r\nEnglish_Name Arial\r\n");
    EXPECT_EQ(app::Model().Settings.Language, "English") << language;
    EXPECT_EQ(app::Model().Settings.Font_Name, "Arial");
  }
  AddLanguage(std::string(23, 'L'));
  Start("Language " + std::string(23, 'L') + "\r\n");
  EXPECT_EQ(app::Model().Settings.Language, std::string(23, 'L')) << "its longest key still fits";
}

// Texts longer than their use can bear: a font name is cut to the longest a font's name can
// be (it was copied into every control's font: a name of megabytes took gigabytes and the
// loop), a path or file name that could name no file is not taken. The report says what was
// changed, and the save writes what was kept.
TEST_F(SettingsTest, TextsLongerThanTheirUseCanBearAreHeldAndReported) {
  const std::string font(1 << 20, 'F'), path = "/dev/" + std::string(app::MaxPathLength, 'p');
  const std::string name(app::MaxFileNameLength + 1, 'n');
  Start("English_Name " + font + "\r\nPort_Name " + path + "\r\nCFG_Full_File_Name Config/" + path +
        ".cfg\r\nCFG_File_Name " + name + "\r\n");
  const app::Settings_Class& s = app::Model().Settings;
  EXPECT_EQ(std::string(app::MaxFontNameLength, 'F'), s.Font_Name);
  EXPECT_EQ("COM1", s.Port_Name) << "the default stays";
  EXPECT_EQ("", s.CFG_Full_File_Name);
  EXPECT_EQ("", s.CFG_File_Name);
  ASSERT_EQ(4u, s.LoadReport.size());
  EXPECT_EQ("English_Name: 1048576 characters, more than a font's name has (255); the first 255 are kept",
            s.LoadReport[0]);
  EXPECT_EQ("Port_Name: 4100 characters, more than a path can have (4095); \"COM1\" is kept", s.LoadReport[1]);
  EXPECT_EQ(0u, s.LoadReport[2].find("CFG_File_Name: 256 characters, more than a file name can have (255)"))
      << s.LoadReport[2];
  EXPECT_EQ(0u, s.LoadReport[3].find("CFG_Full_File_Name: ")) << s.LoadReport[3];
  const std::string text = app::SettingsLoadReportText();
  EXPECT_EQ(0u, text.find("The settings file " + app::Model().Settings.SettingsFileName + " was read with changes:\n"))
      << text.substr(0, 200);
  EXPECT_NE(std::string::npos, text.find("\n" + s.LoadReport[3]));

  app::SaveSettings(ProgramWindow);
  EXPECT_LT(ReadFile(app::Model().Settings.SettingsFileName).size(), 20000u) << "what was kept is written";
  app::Settings_Default();
  EXPECT_EQ(std::string(app::MaxFontNameLength, 'F'), s.Font_Name);
  EXPECT_TRUE(s.LoadReport.empty()) << "nothing to report any more";
  EXPECT_EQ("", app::SettingsLoadReportText());

  // At their limits they are taken whole.
  const std::string longest = "/" + std::string(app::MaxPathLength - 1, 'q');
  Start("English_Name " + std::string(app::MaxFontNameLength, 'G') + "\r\nPort_Name " + longest + "\r\n");
  EXPECT_EQ(std::string(app::MaxFontNameLength, 'G'), s.Font_Name);
  EXPECT_EQ(longest, s.Port_Name);
  EXPECT_TRUE(s.LoadReport.empty());
}

// Texts the settings do not take, or cut, are reported whatever makes them so: a language
// or a colour of megabytes, a NUL byte (which ends a text for the fonts and the file system:
// a font name is cut at it, a path holding one names no file), an unknown algorithm. A cut
// leaves no blank at the text's end, which the file would not give back. The save writes what
// was kept: the next load has nothing to report and the next save writes the same bytes.
TEST_F(SettingsTest, TextsCutOrNotTakenAreReportedAndWrittenBackAsKept) {
  const std::string huge(1 << 20, 'L');
  Start("Language " + huge + "\r\nEnglish_Color " + huge + "\r\n" +
        std::string("English_Name Ta\0homa\r\nPort_Name /dev/tty\0S0\r\n", 45) +
        "ACB_SCR_Type Slow calibration\r\nColor_3D_Gas green\r\n");
  const app::Settings_Class& s = app::Model().Settings;
  EXPECT_EQ(s.Language, "English");
  EXPECT_EQ(s.Font_Color, "#FFFFFFFF");
  EXPECT_EQ(s.Font_Name, "Ta");
  EXPECT_EQ(s.Port_Name, "COM1");
  const std::string shown = std::string(40, 'L') + "...";
  EXPECT_EQ(s.LoadReport,
            (std::vector<std::string>{
                "Language: \"" + shown + "\" is not a language name that can name its font keys; \"English\" is kept",
                "English_Name: a NUL byte at character 3; the first 2 are kept",
                "English_Color: \"" + shown + "\" is not a colour (#AARRGGBB); \"#FFFFFFFF\" is kept",
                "Port_Name: a NUL byte at character 9; \"COM1\" is kept",
                "ACB_SCR_Type: \"Slow calibration\" is not an auto-calibration algorithm; \"Fast calibration\" is kept",
                "Color_3D_Gas: \"green\" is not a colour (#AARRGGBB); \"#FFA4F964\" is kept"}));

  app::SaveSettings(ProgramWindow);
  const std::string saved = ReadFile(app::Model().Settings.SettingsFileName);
  EXPECT_LT(saved.size(), 20000u) << "what was kept is written";
  EXPECT_EQ(saved.find('\0'), std::string::npos);
  app::Settings_Default();
  EXPECT_TRUE(s.LoadReport.empty()) << app::SettingsLoadReportText();
  EXPECT_EQ(s.Font_Name, "Ta");

  // A cut that ends in blanks or control bytes leaves them out; the file settles at once.
  for (const std::string& tail : {std::string("  \x01 X"), std::string(" \0X", 3), std::string("\0\x01X", 3)}) {
    Start("English_Name " + std::string(app::MaxFontNameLength - 1, 'F') + tail + "\r\n");
    EXPECT_EQ(s.Font_Name, std::string(app::MaxFontNameLength - 1, 'F'));
    EXPECT_EQ(s.LoadReport.size(), 1u);
    app::SaveSettings(ProgramWindow);
    const std::string first = ReadFile(app::Model().Settings.SettingsFileName);
    app::Settings_Default();
    EXPECT_TRUE(s.LoadReport.empty());
    app::SaveSettings(ProgramWindow);
    EXPECT_EQ(ReadFile(app::Model().Settings.SettingsFileName), first);
  }
}

// A file of random bytes: what its load cut or dropped (keys longer than the key column, lines
// that name no key, keys given again) is reported, bounded to one line each; what the save
// writes back loads with nothing to report and is the file's fixed point.
TEST_F(SettingsTest, AFileOfRandomBytesIsReportedAndSettlesAtTheFirstSave) {
  std::mt19937 random(7);
  std::string junk(1 << 16, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  junk += "\r\n=orphan\r\nLanguage English\r\nLanguage Russian\r\n";
  Start(junk);
  const app::Settings_Class& s = app::Model().Settings;
  EXPECT_EQ(s.Language, "English") << "the first line of a key counts";
  ASSERT_GE(s.LoadReport.size(), 3u);
  const auto at = [&](const std::string& head) {
    return std::find_if(s.LoadReport.begin(), s.LoadReport.end(),
                        [&](const std::string& line) { return line.rfind(head, 0) == 0; });
  };
  ASSERT_NE(at("Keys longer than 29 characters, held as their first ones: \""), s.LoadReport.end());
  EXPECT_NE(at("Keys longer than 29 characters")->find(" more"), std::string::npos);
  ASSERT_NE(at("Lines without a key, dropped: "), s.LoadReport.end());
  EXPECT_NE(at("Lines without a key, dropped: ")->find("\"=orphan\""), std::string::npos);
  ASSERT_NE(at("Keys given again, their later lines dropped and the first used: "), s.LoadReport.end());
  EXPECT_NE(at("Keys given again, their later lines dropped and the first used: ")->find("\"LANGUAGE\""),
            std::string::npos);

  std::vector<std::string> saves;
  for (int save = 0; save < 3; ++save) {
    app::SaveSettings(ProgramWindow);
    saves.push_back(ReadFile(app::Model().Settings.SettingsFileName));
    app::Settings_Default();
    EXPECT_TRUE(s.LoadReport.empty()) << save << "\n" << app::SettingsLoadReportText().substr(0, 400);
  }
  EXPECT_EQ(saves[1], saves[0]);
  EXPECT_EQ(saves[2], saves[0]);
}

TEST_F(SettingsTest, KeysWithoutAValueReadAsEmptyTextsAndSettleAfterOneSave) {
  Start("Port_Name\r\nCFG_File_Name\r\nCFG_Full_File_Name\r\n");
  EXPECT_EQ(app::Model().Settings.Port_Name, "");
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "");
  app::SaveSettings(ProgramWindow);
  const std::string first = ReadFile(app::Model().Settings.SettingsFileName);
  app::Settings_Default();
  EXPECT_EQ(app::Model().Settings.Port_Name, "");
  app::SaveSettings(ProgramWindow);
  EXPECT_EQ(ReadFile(app::Model().Settings.SettingsFileName), first);
}

TEST_F(SettingsTest, TheFontKeysFollowTheLanguageAndRoleZeroFollowsTheFontColour) {
  AddLanguage("Russian");
  Start("Language Russian\r\nEnglish_Name Verdana\r\nRussian_Name Arial\r\nRussian_Color #FF00FF00\r\n"
        "Color_3D_General #FF123456\r\n");
  EXPECT_EQ(app::Model().Settings.Font_Name, "Arial");
  EXPECT_EQ(app::Model().Colors.ColorTable[0], "#FF00FF00");
  for (int i = 1; i < app::ColorRoleCount; ++i)
    EXPECT_EQ(app::Model().Colors.ColorTable[static_cast<std::size_t>(i)], app::ColorDefault(i));
  app::SaveSettings(ProgramWindow);
  const std::string written = ReadFile(app::Model().Settings.SettingsFileName);
  EXPECT_NE(written.find("Russian_Name                 Arial {}"), std::string::npos);
  EXPECT_NE(written.find("\r\nEnglish_Name                 Verdana\r\n"), std::string::npos);  // kept as read
}

// A language named in another case than its file is the language the menu lists: its font
// keys are spelled as a choice from the menu spells them, so that no key is written in two
// spellings. "english" is English.
TEST_F(SettingsTest, ALanguageNamedInAnotherCaseIsTheListedOneAndSpellsItsKeysSo) {
  AddLanguage("Russian");
  Start("Language russian\r\nrussian_Name Arial\r\n");
  const app::Settings_Class& s = app::Model().Settings;
  EXPECT_EQ(s.Language, "Russian");
  EXPECT_EQ(s.Font_Name, "Arial");
  EXPECT_TRUE(s.LoadReport.empty()) << app::SettingsLoadReportText();
  app::SaveSettings(ProgramWindow);
  const std::string written = ReadFile(app::Model().Settings.SettingsFileName);
  EXPECT_NE(written.find(ecu::KeyFilePadKey("Language") + "Russian {}"), std::string::npos) << written;
  EXPECT_NE(written.find(ecu::KeyFilePadKey("Russian_Name") + "Arial {}"), std::string::npos) << written;
  EXPECT_EQ(written.find("russian"), std::string::npos) << written;
  Start("Language ENGLISH\r\n");
  EXPECT_EQ(s.Language, "English");
  EXPECT_EQ(ecu::Session().Texts.CurrentLanguage, "English");
}

// A language the Language folder has no file for is not taken, and said so: English stays, and
// the save writes no font keys named after it ("../../etc/passwd_Name" had been written back).
TEST_F(SettingsTest, ALanguageWithoutAFileOfTheFolderIsReportedAndEnglishKept) {
  AddLanguage("Russian");
  for (const std::string& language : {std::string("../../etc/passwd"), std::string("Klingon")}) {
    Start("Language " + language + "\r\n" + language + "_Name Courier\r\nEnglish_Name Arial\r\n");
    const app::Settings_Class& s = app::Model().Settings;
    EXPECT_EQ(s.Language, "English");
    EXPECT_EQ(ecu::Session().Texts.CurrentLanguage, "English");
    EXPECT_EQ(s.Font_Name, "Arial");
    EXPECT_EQ(s.LoadReport,
              std::vector<std::string>{"Language: \"" + language +
                                       "\" is not a language of the Language folder; \"English\" is kept"});
    app::SaveSettings(ProgramWindow);
    const std::string written = ReadFile(app::Model().Settings.SettingsFileName);
    EXPECT_NE(written.find(ecu::KeyFilePadKey("Language") + "English {}"), std::string::npos) << written;
    EXPECT_EQ(written.find(ecu::KeyFilePadKey(language + "_Size")), std::string::npos) << written;
    app::Settings_Default();
    EXPECT_TRUE(s.LoadReport.empty()) << app::SettingsLoadReportText();
  }
}

// The main window's fill keys, which its layout step reads later, are checked with the rest of
// the file: a colour or style it would not take is reported at start, as a role colour is.
TEST_F(SettingsTest, AFillColourOrStyleThatIsNoneIsReportedAtTheLoad) {
  Start(
      "Form_3D_Color #GG\r\nForm_3D_Style vgBrushPlaid\r\nForm_3D_GradColor_0 #FF000000\r\n"
      "Form_3D_GradColor_1 white\r\nColor_3D_Gas green\r\n");
  EXPECT_EQ(
      app::Model().Settings.LoadReport,
      (std::vector<std::string>{"Color_3D_Gas: \"green\" is not a colour (#AARRGGBB); \"#FFA4F964\" is kept",
                                "Form_3D_Color: \"#GG\" is not a colour (#AARRGGBB); \"#EAD7D5D5\" is kept",
                                "Form_3D_Style: \"vgBrushPlaid\" is not a fill style (vgBrushSolid, vgBrushGradient); "
                                "\"vgBrushSolid\" is kept",
                                "Form_3D_GradColor_1: \"white\" is not a colour (#AARRGGBB); \"#FFFFFFFF\" is kept"}));
  // The layout step takes what the check did not refuse, and the check changed nothing.
  EXPECT_EQ(app::Model().Colors.MainWindowFill, app::TWindowFill{});
  ecu::KeyFileLoad(app::Model().Settings.SettingsFileName);
  app::LoadMainWindowFill();
  ecu::KeyFileClose();
  EXPECT_EQ(app::Model().Colors.MainWindowFill, app::TWindowFill{});
  // Written back as held, the file has nothing more to report.
  app::SaveSettings(ProgramWindow);
  app::Settings_Default();
  EXPECT_TRUE(app::Model().Settings.LoadReport.empty()) << app::SettingsLoadReportText();
}

TEST_F(SettingsTest, RoleZeroDescriptionsAndTheWindowFill) {
  app::Model().Settings.Reset();
  app::Model().Settings.Font_Color = "#FF010203";
  app::SetDefaultColors();
  EXPECT_EQ(app::Model().Colors.ColorTable[0], "#FF010203");
  app::TranslateColorDescriptions();
  EXPECT_EQ(app::Model().Colors.ColorDescriptions[37], "Table of R.P.M.: selected cell or group");

  ecu::Session().Texts.CurrentLngKey = "COLOR_3D_TXT_INFORMATION";
  std::string text;
  app::ColorsEnglishText(text);
  EXPECT_EQ(text, "Type a text message:Information");

  app::SetDefaultSkin();
  EXPECT_EQ(app::Model().Colors.MainWindowFill, (app::TWindowFill{"#EAD7D5D5", false, {"#FF000000", "#FFFFFFFF"}}));
  app::Model().Colors.MainWindowFill = {"#FF112233", true, {"#FF000001", "#FF000002", "#FF000003"}};
  app::TWindowFill other;
  app::CopyMainWindowFill(other);
  EXPECT_EQ(other, (app::TWindowFill{"#FF112233", true, {"#FF000001", "#FF000002"}}));
}

}  // namespace

}  // namespace settings_test
