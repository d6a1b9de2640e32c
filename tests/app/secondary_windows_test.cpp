// The rules of the start-up check, the message, wait, settings and skin windows and the flip,
// driven without windows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Flip_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Msg_3D_Unit.h"
#include "app/core/Set_3D_Unit.h"
#include "app/core/Start_Unit.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"
#include "tools/linkrec/Recorder.h"

namespace secondary_windows_test {

namespace {

using ecu_test::ReadFile;
using ecu_test::WriteFile;

// Runs a test in a scratch folder as the current directory, as the program runs in its own.
class InFolder : public ::testing::Test {
protected:
  void SetUp() override {
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    app::Model().Settings.SettingsFileName = "gascal.ini";
  }
  void TearDown() override { std::filesystem::current_path(old_); }
  static std::string Line(const std::string& Key, const std::string& Value) {
    return ecu::KeyFilePadKey(Key) + Value + " {}\r\n";
  }

  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  std::filesystem::path old_;
};

// ---- start-up ---------------------------------------------------------------------------------

TEST(StartUp, OnlyTheThirdProbeCountsAndAFailedCheckMakesNoWindow) {
  struct Case {
    std::vector<bool> probes;
    bool passes;
  };
  for (const Case& c : {Case{{false, false, true}, true}, Case{{true, true, false}, false}}) {
    std::size_t next = 0;
    std::vector<std::string> made;
    const bool ok = app::StartWindows([&] { return c.probes.at(next++); },
                                      [&](const std::string& Name) { made.push_back(Name); });
    EXPECT_EQ(c.passes, ok);
    EXPECT_EQ(3u, next) << "three probes, every time";
    if (c.passes)
      EXPECT_EQ((std::vector<std::string>{"TForm_3D_GEN", "TForm_3D_SET", "TForm_3D_Port", "TForm_3D_MSG",
                                          "TForm_3D_SaveLoad", "TForm_3D_Wait", "TForm_3D_Skin"}),
                made);
    else
      EXPECT_TRUE(made.empty());
  }
}

TEST_F(InFolder, TheCheckWindowSpeaksTheSettingsLanguageInItsFontOrEnglishInTahoma) {
  // No settings file: English, Tahoma.
  app::TNoOpenGLText t = app::NoOpenGLText("gascal");
  EXPECT_EQ(app::NoOpenGLEnglishMessage, t.Message);
  EXPECT_EQ("Tahoma", t.FontName);

  // Russian without the key in its file: the English message in Russian_Name's font.
  WriteFile(dir / "gascal.ini", Line("Language", "Russian") + Line("Russian_Name", "Arial") +
                                    Line("English_Name", "Verdana"));
  std::filesystem::create_directories(dir / "Language");
  WriteFile(dir / "Language/Russian.lng", Line("Other_Key", "x"));
  t = app::NoOpenGLText("gascal");
  EXPECT_EQ(app::NoOpenGLEnglishMessage, t.Message);
  EXPECT_EQ("Arial", t.FontName);

  // With the key: its text.
  WriteFile(dir / "Language/Russian.lng", Line("Error_OpenGL_Not_Work", "OpenGL ne rabotaet"));
  EXPECT_EQ("OpenGL ne rabotaet", app::NoOpenGLText("gascal").Message);
  // A language named in another case than its file finds the file, as the language menu does,
  // and is spelled as the menu lists it: the spelling picks the code page.
  WriteFile(dir / "gascal.ini", Line("Language", "russian"));
  t = app::NoOpenGLText("gascal");
  EXPECT_EQ("OpenGL ne rabotaet", t.Message);
  EXPECT_EQ("Russian", t.Language);
  std::filesystem::rename(dir / "Language/Russian.lng", dir / "Language/RUSSIAN.LNG");
  WriteFile(dir / "gascal.ini", Line("Language", "Russian"));
  t = app::NoOpenGLText("gascal");
  EXPECT_EQ("OpenGL ne rabotaet", t.Message);
  EXPECT_EQ("RUSSIAN", t.Language);
  // A name the menu lists otherwise (up to its first ".") is not taken, as the settings do not.
  std::filesystem::rename(dir / "Language/RUSSIAN.LNG", dir / "Language/Rus.sian.lng");
  WriteFile(dir / "gascal.ini", Line("Language", "Rus.sian"));
  EXPECT_EQ("English", app::NoOpenGLText("gascal").Language);
  // English in any case is the built-in message, whatever file might be called so.
  WriteFile(dir / "Language/english.lng", Line("Error_OpenGL_Not_Work", "not English"));
  WriteFile(dir / "gascal.ini", Line("Language", "english"));
  EXPECT_EQ(app::NoOpenGLEnglishMessage, app::NoOpenGLText("gascal").Message);
  // A language that names a path reads no file outside the folder, nor its font keys.
  WriteFile(dir / "gascal.ini", Line("Language", "../x") + Line("../x_Name", "Courier"));
  WriteFile(dir / "x.lng", Line("Error_OpenGL_Not_Work", "outside"));
  t = app::NoOpenGLText("gascal");
  EXPECT_EQ(app::NoOpenGLEnglishMessage, t.Message);
  EXPECT_EQ("English", t.Language);
  EXPECT_EQ("Tahoma", t.FontName);
  // The language and the font name are held as the settings hold them.
  WriteFile(dir / "gascal.ini", Line("Language", "Old Russian") + Line("English_Name", std::string(100000, 'F')));
  t = app::NoOpenGLText("gascal");
  EXPECT_EQ("English", t.Language);
  EXPECT_EQ(std::string(app::MaxFontNameLength, 'F'), t.FontName);
  WriteFile(dir / "gascal.ini", Line("English_Name", std::string("Ta\0homa", 7)));
  EXPECT_EQ("Ta", app::NoOpenGLText("gascal").FontName);
  EXPECT_FALSE(ecu::KeyFileStorePresent()) << "no store left open";
}

// ---- message and wait windows -------------------------------------------------------------

// The sensor table's message says what is wrong with the file, in the language's words.
TEST_F(InFolder, TheSensorTableMessageSaysWhatIsWrongWithTheFile) {
  linkrec::Recorder host;
  ecu::Session().ConfigData.SensorTableFileName = "/somewhere/gascal.dat";
  const std::pair<const char*, const char*> cases[] = {
      {ecu::SensorTableNotFound, "\"gascal.dat\" file not found. Temperature ERROR"},
      {ecu::SensorTableNotRegular, "\"gascal.dat\" is not a regular file. Temperature ERROR"},
      {ecu::SensorTableUnreadable, "\"gascal.dat\" cannot be read. Temperature ERROR"},
      {ecu::SensorTableTooShort, "\"gascal.dat\" is too short for a table of 2048 bytes. Temperature ERROR"},
      {ecu::SensorTableTooLong, "\"gascal.dat\" is not 2048 bytes long. Temperature ERROR"},
  };
  for (const auto& [fault, text] : cases) EXPECT_EQ(text, app::ComposeMessage(12, fault)->Text);

  std::filesystem::create_directories(dir / "Language");
  WriteFile(dir / "Language/Russian.lng",
            ecu::KeyFilePadKey("Error_File_not_regular") + "ne obychnyi fail\r\n" +
                ecu::KeyFilePadKey("Error_Temperature") + "Oshibka temperatury\r\n");
  ecu::Session().Texts.LanguageDir = dir / "Language";
  ecu::Session().Texts.CurrentLanguage = "Russian";
  ecu::LoadLanguageFile();
  EXPECT_EQ("\"gascal.dat\" ne obychnyi fail. Oshibka temperatury",
            app::ComposeMessage(12, ecu::SensorTableNotRegular)->Text);
  ecu::FreeLanguageFile();
}

TEST_F(InFolder, MessagesSayWhatTheirKindSaysWithEnglishFallbacksForEveryCaption) {
  linkrec::Recorder host;  // the core's English tables
  ecu::Session().ConfigData.SensorTableFileName = "/somewhere/gascal.dat";
  auto m = app::ComposeMessage(12, "ignored");
  ASSERT_TRUE(m);
  EXPECT_EQ("\"gascal.dat\" file not found. Temperature ERROR", m->Text);
  EXPECT_EQ(std::vector<int>{app::MsgButton_OK}, m->Buttons);
  EXPECT_EQ(0, m->CountdownMs);
  m = app::ComposeMessage(13, "");
  ASSERT_TRUE(m);
  EXPECT_EQ("", m->Text);
  EXPECT_EQ("To work correctly, please install a newer version of the program", app::ComposeMessage(15, "")->Text);
  EXPECT_EQ(5000, app::ComposeMessage(9, "")->CountdownMs);
  EXPECT_EQ((std::vector<int>{app::MsgButton_Yes, app::MsgButton_No}), app::ComposeMessage(7, "")->Buttons);
  EXPECT_FALSE(app::ComposeMessage(0, ""));
  EXPECT_FALSE(app::ComposeMessage(16, ""));

  for (int code = app::MsgButton_OK; code <= app::MsgButton_Setting; ++code)
    EXPECT_FALSE(app::MessageButtonCaption(code).empty()) << "button " << code;
  EXPECT_EQ("Message", ecu::LngText("Window_3D_MSG"));
  EXPECT_EQ("The window closes in 2.9 sec", app::MessageCountdownText(2900));
  EXPECT_TRUE(app::MessageButtonCloses(12));
  EXPECT_FALSE(app::MessageButtonCloses(4));
}

TEST_F(InFolder, RequestsBeforeTheMainWindowAreDroppedAndLaterOnesWaitTheirTurn) {
  EXPECT_FALSE(app::RequestMessage(12, ""));
  EXPECT_FALSE(app::Model().Messages.ShowPending);
  EXPECT_TRUE(app::Model().Messages.Waiting.empty()) << "dropped, not kept";

  app::Model().Actions.MainWindowShown = 1;
  ASSERT_TRUE(app::RequestMessage(15, ""));
  EXPECT_FALSE(app::RequestMessage(13, "script")) << "the pending request stays as it is";
  EXPECT_EQ(15, app::Model().Messages.MessageKind);
  app::BeginMessageShow();
  EXPECT_FALSE(app::RequestMessage(12, ""));
  EXPECT_EQ(15, app::Model().Messages.MessageKind) << "a request while one shows does not change its close";
  const app::TMessageClosed closed = app::EndMessageShow();
  EXPECT_TRUE(closed.EndProgram);
  EXPECT_FALSE(closed.ShowNext) << "the program ends: nothing more is shown";

  // Without an ending kind the waiting ones follow in order.
  app::Model().Messages.Reset();
  ASSERT_TRUE(app::RequestMessage(12, ""));
  app::BeginMessageShow();
  app::RequestMessage(13, "first");
  app::RequestMessage(13, "second");
  app::TMessageClosed next = app::EndMessageShow();
  EXPECT_FALSE(next.EndProgram);
  EXPECT_TRUE(next.ShowNext);
  EXPECT_EQ("first", app::Model().Messages.MessageText);
  app::BeginMessageShow();
  EXPECT_TRUE(app::EndMessageShow().ShowNext);
  EXPECT_EQ("second", app::Model().Messages.MessageText);
  app::BeginMessageShow();
  EXPECT_FALSE(app::EndMessageShow().ShowNext);
  EXPECT_TRUE(app::RequestMessage(12, "")) << "nothing shown any more: a new one goes at once";
}

// The program's last message comes after its main window closed: it goes whatever waited,
// and its close ends the program; the next message is an ordinary one again.
TEST_F(InFolder, TheLastMessageGoesBeforeEverythingAndItsCloseEndsTheProgram) {
  app::Model().Actions.MainWindowShown = 1;
  ASSERT_TRUE(app::RequestMessage(12, ""));
  app::RequestMessage(13, "waiting");
  app::Model().Actions.MainWindowShown = 0;
  app::BeginEndingMessage("The settings were not saved: disk full");
  EXPECT_FALSE(app::Model().Messages.ShowPending);
  EXPECT_TRUE(app::Model().Messages.Waiting.empty());
  EXPECT_EQ(13, app::Model().Messages.MessageKind);
  EXPECT_EQ("The settings were not saved: disk full", app::ComposeMessage(13, app::Model().Messages.MessageText)->Text);
  app::BeginMessageShow();
  const app::TMessageClosed closed = app::EndMessageShow();
  EXPECT_TRUE(closed.EndProgram);
  EXPECT_FALSE(closed.ShowNext);

  app::Model().Actions.MainWindowShown = 1;
  ASSERT_TRUE(app::RequestMessage(13, "script"));
  app::BeginMessageShow();
  EXPECT_FALSE(app::EndMessageShow().EndProgram) << "an ordinary kind 13 again";
}

TEST_F(InFolder, AWithdrawnRequestGoesFromTheQueueThePendingShowOrTheWindow) {
  app::Model().Actions.MainWindowShown = 1;
  // Pending with others waiting: the next one takes its place; its copy waiting goes too.
  ASSERT_TRUE(app::RequestMessage(13, "port"));
  app::RequestMessage(13, "script");
  app::RequestMessage(13, "port");
  app::RequestMessage(12, "");
  app::TMessageWithdrawn w = app::WithdrawMessage(13, "port");
  EXPECT_FALSE(w.CloseShown);
  EXPECT_FALSE(w.CancelShow) << "another request is shown instead";
  EXPECT_TRUE(app::Model().Messages.ShowPending);
  EXPECT_EQ("script", app::Model().Messages.MessageText);
  ASSERT_EQ(1u, app::Model().Messages.Waiting.size());
  EXPECT_EQ(12, app::Model().Messages.Waiting.front().Kind);
  // Another text of the same kind, or another kind, is not touched.
  w = app::WithdrawMessage(13, "other");
  EXPECT_FALSE(w.CloseShown || w.CancelShow);
  EXPECT_EQ("script", app::Model().Messages.MessageText);
  w = app::WithdrawMessage(12, "script");
  EXPECT_FALSE(w.CloseShown || w.CancelShow);
  // Shown: the window is to close, and what waits follows as after any close.
  app::BeginMessageShow();
  w = app::WithdrawMessage(13, "script");
  EXPECT_TRUE(w.CloseShown);
  EXPECT_TRUE(app::EndMessageShow().ShowNext);
  EXPECT_EQ(12, app::Model().Messages.MessageKind);
  // Pending alone: nothing is shown any more, and a new request goes at once.
  app::Model().Messages.Reset();
  ASSERT_TRUE(app::RequestMessage(13, "port"));
  w = app::WithdrawMessage(13, "port");
  EXPECT_TRUE(w.CancelShow);
  EXPECT_FALSE(app::Model().Messages.ShowPending);
  EXPECT_TRUE(app::RequestMessage(12, ""));
}

TEST(MessageCountdown, ThirtyTicksForThreeSecondsThenTheWindowCloses) {
  ecu_test::FreshModel fresh;
  app::StartMessageCountdown(3000);
  EXPECT_EQ(30, app::Model().Messages.CountdownTicks);
  std::string label;
  int ticks = 0;
  while (app::MessageCountdownTick(label)) ++ticks;
  EXPECT_EQ(30, ticks);
  EXPECT_EQ(0, app::Model().Messages.CountdownMs);
  app::StartMessageCountdown(5000);
  app::StopMessageCountdown();
  EXPECT_FALSE(app::MessageCountdownTick(label)) << "a button press stops it";
}

TEST(WaitWindow, CentredAtItsFullSizeAndShrunkToTheMainWindowsCorner) {
  const app::TWindowRect main{100, 50, 800, 600};
  // Centred with 150 x 150 whatever size it had before (it may be shrunk from the last write).
  EXPECT_EQ((app::TWindowRect{425, 275, 150, 150}), app::WaitWindowCentred(main));
  EXPECT_EQ((app::TWindowRect{100 + 800 - 57, 77, 50, 50}), app::WaitWindowShrunk(main));
  EXPECT_EQ((app::TWindowRect{100, 72, 400, 300}), app::SecondaryWindowPlace(main, 400, 300));
}

// ---- settings window --------------------------------------------------------------------------

TEST_F(InFolder, ProgramCodeKeepsTheLowByteAndRefusesWhatIsNoNumber) {
  EXPECT_EQ(44, app::ProgramCodeFromText("300"));
  EXPECT_EQ(23, app::ProgramCodeFromText("23"));
  EXPECT_THROW(app::ProgramCodeFromText("2x"), rtl::EConvertError);
  ecu::Session().Link.LinkUp = 1;
  app::ApplyProgramCode(44);
  EXPECT_EQ(44, app::Model().Settings.Program_Code);
  EXPECT_EQ(16, ecu::Session().Link.TaskRequest) << "link up: reconnect and read all";
}

TEST(SettingsBoxes, DelaysAndAlgorithmsTheProgramCannotUseAreMended) {
  EXPECT_EQ(0, app::ReplyDelayFromBox(-20));
  EXPECT_EQ(75, app::ReplyDelayFromBox(75.9));
  EXPECT_EQ(app::MaxReplyDelay, app::ReplyDelayFromBox(1e9)) << "no delay the step time-out would cut off";
  EXPECT_EQ(1500, app::TransmitDelayFromBox(0.5));
  EXPECT_EQ(1500, app::TransmitDelayFromBox(-3));
  EXPECT_EQ(1, app::TransmitDelayFromBox(1.2));
  EXPECT_EQ(2000000000, app::TransmitDelayFromBox(2e9));
  EXPECT_EQ(2147483647, app::TransmitDelayFromBox(1e12)) << "a huge value does not wrap";
  EXPECT_EQ("Only OFFSET calibration", app::AlgorithmFromBox("Only OFFSET calibration"));
  EXPECT_EQ("Fast calibration", app::AlgorithmFromBox("Quick"));
  EXPECT_EQ("Fast calibration", app::AlgorithmFromBox(""));

  // A delay box's text as the box reads it: what the settings take, and what the installer is
  // told beyond a dropped fraction, naming the box (the settings window's texts come from the
  // windows' host).
  ecu_test::FreshModel fresh;
  struct : linkrec::Recorder {
    void SettingsEnglishText(std::string& Text) override { app::SettingsWindowEnglishText(Text); }
  } host;
  const app::TDelayEntry fraction = app::DelayBoxEntry(app::TDelayBox::Reply, "75.9");
  EXPECT_EQ(fraction.Delay, 75);
  EXPECT_EQ(fraction.Report, "");
  const app::TDelayEntry beyond = app::DelayBoxEntry(app::TDelayBox::Transmit, "250000");
  EXPECT_EQ(beyond.Delay, app::MaxTransmitDelay);
  EXPECT_EQ(beyond.Report,
            "Transmission delay changed configuration, ms: 250000 is outside 1 to 100000; 100000 is taken");
  const app::TDelayEntry none = app::DelayBoxEntry(app::TDelayBox::Reply, "7O");
  EXPECT_FALSE(none.Delay);
  EXPECT_EQ(none.Report,
            ecu::LngText("Delay") + ": '7O' is no number; the box takes whole milliseconds from 0 to 2000");

  // The program code box the same way: decimal digits only (the integer conversion reads "x9"
  // as 9, a letter dropped without a word), a number beyond a byte gives its low byte, said.
  for (const char* text : {"x9", "$19", "0x19", "2x", "", "2 5", "25.0"}) {
    const app::TProgramCodeEntry refused = app::ProgramCodeEntry(text);
    EXPECT_FALSE(refused.Code) << text;
    EXPECT_EQ(refused.Report,
              "Program code: '" + std::string(text) + "' is no number; the box takes whole numbers from 0 to 255");
    EXPECT_THROW(app::ProgramCodeFromText(text), rtl::EConvertError) << text;
  }
  const app::TProgramCodeEntry typed = app::ProgramCodeEntry(" +23 ");
  EXPECT_EQ(typed.Code, 23);
  EXPECT_EQ(typed.Report, "");
  const app::TProgramCodeEntry byte = app::ProgramCodeEntry("300");
  EXPECT_EQ(byte.Code, 44);
  EXPECT_EQ(byte.Report, "Program code: 300 is outside 0 to 255; 44 is taken");
  EXPECT_EQ(app::ProgramCodeEntry("-1").Code, 255);
  EXPECT_EQ(app::ProgramCodeEntry("99999999999999999999999").Code, 255);
  EXPECT_NE(app::ProgramCodeEntry("-1").Report, "");
}

TEST(SettingsFont, TheDialogsChoiceIsStoredWithFullAlphaAndAppliedOnce) {
  ecu_test::FreshModel fresh;
  app::StoreFontChoice("Arial", 10.5f, app::FontBold, 0x102030);
  EXPECT_EQ("Arial", app::Model().Settings.Font_Name);
  EXPECT_EQ(10.5f, app::Model().Settings.Font_Size);
  EXPECT_EQ(app::FontBold, app::Model().Settings.Font_Style);
  EXPECT_EQ("#FF102030", app::Model().Settings.Font_Color);
  EXPECT_EQ("#FF102030", app::Model().Colors.ColorTable[app::Color_General]);
  app::StoreFontChoice("Arial", 11, app::FontRegular, 0xABCDEF);
  app::StoreFontChoice("Arial", 12, app::FontRegular, 0xFFFFFF);
  EXPECT_EQ(1, app::Model().Actions.ActionCount) << "three changes, fonts applied once";
  EXPECT_EQ(app::Action_ApplyFonts, app::Model().Actions.ActionCodes[0]);
}

TEST_F(InFolder, AUserCloseForgetsTheWindowAndTheProgramsCloseKeepsItWhereItWas) {
  const app::TWindowRect main{10, 20, 900, 700};
  EXPECT_EQ((app::TWindowRect{10, 42, 400, 300}), app::SettingsWindowPlace(main, 400, 300).Rect);
  EXPECT_EQ((app::TWindowRect{10, 42, 300, 200}), app::SettingsWindowPlace(main, 120, 80).Rect) << "minimum size";

  // Closed with the program: the geometry is written (the main window wrote the shown flag).
  WriteFile(dir / "gascal.ini", Line("Port_Name", "/dev/ttyUSB0") + Line("Form_3D_SET_Show", "True"));
  ecu::Session().Link.SettingsWindowShown = 0;
  app::SettingsWindowClosed({300, 200, 520, 410});
  EXPECT_TRUE(app::SettingsWindowWanted());
  EXPECT_EQ((app::TWindowRect{300, 200, 520, 410}), app::SettingsWindowPlace(main, 400, 300).Rect);

  // Closed by the user: the flag and its keys go, the others stay.
  ecu::Session().Link.SettingsWindowShown = 1;
  app::SettingsWindowClosed({1, 2, 3, 4});
  EXPECT_EQ(0, ecu::Session().Link.SettingsWindowShown);
  EXPECT_FALSE(app::SettingsWindowWanted());
  EXPECT_EQ((app::TWindowRect{10, 42, 400, 300}), app::SettingsWindowPlace(main, 400, 300).Rect);
  const std::string file = ReadFile(dir / "gascal.ini");
  EXPECT_NE(std::string::npos, file.find("/dev/ttyUSB0"));
  EXPECT_EQ(std::string::npos, file.find("Form_3D_SET"));
}

// Whichever close writes the settings file (the program's, or the settings window's, which
// sets only its own keys and keeps the others), each key is written in one spelling, the
// program's: a later close never writes PORT_NAME where an earlier one wrote Port_Name.
TEST_F(InFolder, EveryKeyKeepsOneSpellingWhicheverCloseWritesTheFile) {
  const auto keysOf = [](const std::string& File) {
    std::vector<std::string> keys;
    for (std::size_t at = 0; at < File.size();) {
      const std::size_t end = File.find("\r\n", at);
      keys.push_back(File.substr(at, File.find(' ', at) - at));
      at = end == std::string::npos ? File.size() : end + 2;
    }
    return keys;
  };
  app::Settings_Default();
  // The program closes with the settings window open, then closes that window.
  ecu::Session().Link.SettingsWindowShown = 1;
  app::SaveSettings({});
  ecu::Session().Link.SettingsWindowShown = 0;
  app::SettingsWindowClosed({300, 200, 520, 410});
  const std::vector<std::string> spelled = keysOf(ReadFile("gascal.ini"));
  ASSERT_GT(spelled.size(), 60u);
  EXPECT_NE(std::find(spelled.begin(), spelled.end(), "Port_Name"), spelled.end());
  EXPECT_NE(std::find(spelled.begin(), spelled.end(), "Form_3D_SET_Pos_X"), spelled.end());
  // The next run: the user closes the settings window, then the program closes.
  app::Settings_Default();
  ecu::Session().Link.SettingsWindowShown = 1;
  app::SettingsWindowClosed({1, 2, 3, 4});
  for (const std::string& key : keysOf(ReadFile("gascal.ini")))
    EXPECT_NE(std::find(spelled.begin(), spelled.end(), key), spelled.end()) << key << " spelled otherwise";
  app::SaveSettings({});
  for (const std::string& key : keysOf(ReadFile("gascal.ini")))
    EXPECT_NE(std::find(spelled.begin(), spelled.end(), key), spelled.end()) << key << " spelled otherwise";
}

// A geometry from another screen, or a broken one, cannot put the settings window out of
// reach: on the work area, no larger than it.
TEST_F(InFolder, TheSettingsWindowStaysOnTheWorkArea) {
  const app::TWindowRect main{10, 20, 900, 700}, work{0, 0, 1280, 1000};
  const auto place = [&](int X, int Y, int W, int H) {
    WriteFile(dir / "gascal.ini", Line("Form_3D_SET_Pos_X", std::to_string(X)) +
                                      Line("Form_3D_SET_Pos_Y", std::to_string(Y)) +
                                      Line("Form_3D_SET_Width", std::to_string(W)) +
                                      Line("Form_3D_SET_Height", std::to_string(H)));
    return app::SettingsWindowPlace(main, 400, 300, work).Rect;
  };
  EXPECT_EQ((app::TWindowRect{880, 500, 400, 500}), place(32767, 500, 400, 500));
  EXPECT_EQ((app::TWindowRect{0, 0, 420, 560}), place(-32767, -32767, 420, 560));
  EXPECT_EQ((app::TWindowRect{0, 0, 1280, 1000}), place(5, 5, 99999, 99999));
  EXPECT_EQ((app::TWindowRect{200, 150, 440, 580}), place(200, 150, 440, 580)) << "a place on the screen stays";
  std::filesystem::remove(dir / "gascal.ini");
  EXPECT_EQ((app::TWindowRect{10, 42, 400, 300}), app::SettingsWindowPlace(main, 400, 300, work).Rect)
      << "without keys: under the main window";
  EXPECT_EQ((app::TWindowRect{0, 0, 300, 200}),
            app::SettingsWindowPlace(main, 400, 300, app::TWindowRect{0, 0, 100, 100}).Rect)
      << "a work area smaller than the minimum: the minimum, at its corner";
}

// ---- skin -----------------------------------------------------------------------------------

TEST(Skin, DefaultRestoresTahomaWhiteTheDefaultRolesAndTheGreyFillAfter300Ms) {
  ecu_test::FreshModel fresh;
  app::Model().Settings.Font_Name = "Arial";
  app::Model().Settings.Font_Color = "#FF102030";
  app::Model().Colors.ColorTable[5] = "#FF000001";
  app::Model().Colors.ColorTable[0] = "#FF102030";
  app::Model().Colors.MainWindowFill = {"#FF112233", true, {"#FF000000", "#FF111111", "#FF222222"}};
  app::ApplyDefaultSkin();
  EXPECT_EQ("Tahoma", app::Model().Settings.Font_Name);
  EXPECT_EQ("#FFFFFFFF", app::Model().Settings.Font_Color);
  for (int i = 1; i < app::ColorRoleCount; ++i) EXPECT_EQ(app::ColorDefault(i), app::Model().Colors.ColorTable[i]) << i;
  EXPECT_EQ("#FFFFFFFF", app::Model().Colors.ColorTable[0]);
  EXPECT_EQ("#EAD7D5D5", app::Model().Colors.MainWindowFill.Color);
  EXPECT_FALSE(app::Model().Colors.MainWindowFill.Gradient);
  ASSERT_EQ(2, app::Model().Actions.ActionCount);
  EXPECT_EQ(app::Action_CopyFillToOpenWindows, app::Model().Actions.ActionCodes[0]);
  EXPECT_EQ(app::Action_ApplyFonts, app::Model().Actions.ActionCodes[1]);
  EXPECT_EQ(300, app::Model().Actions.ActionDelays[0]);
  EXPECT_EQ(300, app::Model().Actions.ActionDelays[1]);
}

// ---- flip -----------------------------------------------------------------------------------

// Records what the flip asks of the layer; the test ends each waited animation itself.
class FakeLayer : public app::TFlipTarget {
public:
  float rotateY = 0, rotateX = 0;
  std::vector<std::string> calls;
  std::vector<std::function<void()>> pending;
  int fills = 0, copies = 0;

  float RotateAngleY() const override { return rotateY; }
  void SetRotateAngleX(float Value) override {
    rotateX = Value;
    calls.push_back("set X " + std::to_string(static_cast<int>(Value)));
  }
  void Animate(const std::string& Property, float Value, float, std::function<void()> Done) override {
    calls.push_back(Property + " " + std::to_string(static_cast<int>(Value)) + (Done ? " wait" : ""));
    if (Done) pending.push_back(std::move(Done));
  }
  void FillChanged() override {
    ++fills;
    calls.push_back("fill");
  }
  void CopyFillToOpenWindows() override {
    ++copies;
    calls.push_back("copy");
  }
  // Ends the animation waited for.
  void Finish() {
    ASSERT_EQ(1u, pending.size());
    auto done = std::move(pending.front());
    pending.clear();
    done();
  }
};

TEST(Flip, TwoFlipsGiveTwoColoursWithTheFirstAlphaInTheStepsOrder) {
  ecu_test::FreshModel fresh;
  app::Model().Colors.MainWindowFill.Color = "#EAD7D5D5";
  std::vector<std::uint32_t> randoms = {0x123456, 0xFFFFFFFF};
  std::size_t r = 0;
  FakeLayer layer;
  layer.rotateY = 20;
  app::TFlip flip(layer, [&] { return randoms.at(r++); });
  flip.Start();
  flip.Start();  // still waiting: nothing new
  layer.Finish();
  layer.Finish();
  EXPECT_EQ((std::vector<std::string>{"RotateAngle.Y 0", "Position.Z 0 wait", "Position.Z 300",
                                      "RotateAngle.X 90 wait", "set X 270", "fill", "Position.Z 0",
                                      "RotateAngle.X 360", "copy"}),
            layer.calls);
  EXPECT_EQ("#EA123456", app::Model().Colors.MainWindowFill.Color);
  EXPECT_FALSE(flip.Running());

  layer.rotateY = 0;
  layer.calls.clear();
  flip.Start();
  layer.Finish();
  EXPECT_EQ("Position.Z 300", layer.calls.front()) << "no straightening when not turned";
  const std::string second = app::Model().Colors.MainWindowFill.Color;
  EXPECT_EQ("#EA", second.substr(0, 3));
  EXPECT_LE(std::stoul(second.substr(3), nullptr, 16), 16777214u);
  EXPECT_NE("#EA123456", second);
  EXPECT_EQ(2, layer.copies);
}

TEST(Flip, ACancelledFlipRunsNoLaterStep) {
  ecu_test::FreshModel fresh;
  FakeLayer layer;
  auto flip = std::make_unique<app::TFlip>(layer, [] { return 7u; });
  flip->Start();
  ASSERT_EQ(1u, layer.pending.size());
  auto done = layer.pending.front();
  flip.reset();  // the main window closes mid-flip
  done();        // an animation that still ends
  EXPECT_EQ(0, layer.fills);
  EXPECT_EQ(0, layer.copies);
  EXPECT_EQ("#FF000007", app::FlipColor("not a colour", 7));
}

}  // namespace

}  // namespace secondary_windows_test
