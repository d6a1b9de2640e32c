// The message, wait and settings windows beside the main window, and the check window a
// machine without OpenGL sees: what they show (checked at chosen pixels of their pictures,
// which are kept in the build tree's test-output folder), where they stand and what their closes do.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Model.h"
#include "app/core/Msg_3D_Unit.h"
#include "app/core/Set_3D_Unit.h"
#include "app/ui/Flip_3D.h"
#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Form_No_OpenGL.h"
#include "app/ui/Window_Page.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/comm/PortList.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/VisualObjects.h"
#include "serial/CPort.h"
#include "tests/TestOutput.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"
#include "tests/TestOutput.h"

namespace secondary_windows_test {

namespace {

// The windows' host as the program has it: messages and waits go to their windows.
class WindowsHost : public apptest::RecordingHost {
public:
  // The program's last reports: their text and whether a window was asked to show them.
  std::vector<std::pair<std::string, bool>> Endings;
  bool ShowEndingMessage(const std::string& Text, bool InWindow) override {
    Endings.emplace_back(Text, InWindow);
    return app::TWindowHost::ShowEndingMessage(Text, InWindow);
  }
  void ShowMessageWindow(std::uint8_t Kind, const std::string& Text) override {
    Messages.push_back(std::to_string(Kind) + ": " + Text);
    app::TWindowHost::ShowMessageWindow(Kind, Text);
  }
  void ShowWaitWindow() override { app::TWindowHost::ShowWaitWindow(); }
  void ShrinkWaitWindow() override { app::TWindowHost::ShrinkWaitWindow(); }
};

std::string Upper(std::string S) {
  for (char& c : S) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return S;
}

struct Rgb {
  int r, g, b;
};
Rgb At(const win::TCustomForm& Form, int X, int Y) {
  const std::uint32_t p = Form.PresentedPixel(X, Y);
  return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255)};
}
bool Reddish(Rgb C) { return C.r > 180 && C.g < 90 && C.b < 90; }
bool Whitish(Rgb C) { return C.r > 200 && C.g > 200 && C.b > 200; }
// Pixels of a rectangle (client coordinates) for which Test holds.
template <class F>
int Count(const win::TCustomForm& Form, int X0, int Y0, int X1, int Y1, F Test) {
  int n = 0;
  for (int y = Y0; y < Y1; ++y)
    for (int x = X0; x < X1; ++x) n += Test(At(Form, x, y)) ? 1 : 0;
  return n;
}

class SecondaryWindows : public apptest::MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    host = std::make_unique<WindowsHost>();
  }
  void TearDown() override {
    skin.reset();
    wait.reset();
    message.reset();
    settings.reset();
    MainWindowTest::TearDown();
  }
  // The windows in the program's order, the main window shown.
  void Start() {
    Make();
    settings = app::TForm_3D_SET::Create();
    message = app::TForm_3D_MSG::Create();
    wait = app::TForm_3D_Wait::Create();
    skin = app::TForm_3D_Skin::Create();
    main->Show();
    Run(400);
  }
  void Save(const win::TCustomForm& Form, const std::string& Name) {
    rtl::Application->ProcessMessages();
    const std::vector<std::uint32_t> frame = Form.PresentedFrame();
    vg::TvxBitmap b;
    b.SetSize(Form.Width(), Form.Height());
    std::copy(frame.begin(), frame.end(), b.Bits());
    vg::TvxFilterGdiPlus().SaveToFile(testout::Path(Name), b, "");
    // The reference pictures, when asked for.
    if (std::getenv("GASCAL_UPDATE_GALLERY")) vg::TvxFilterGdiPlus().SaveToFile(APP_UI_TEST_DATA "/" + Name, b, "");
  }
  void Click(win::TCustomForm& Form, vg::TvxVisualObject* O) {
    const vg::TvxRect r = O->GetAbsoluteRect();
    const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
    win::SimulateMouseMove(&Form, x, y);
    win::SimulateMouseButton(&Form, rtl::mbLeft, true, x, y);
    win::SimulateMouseButton(&Form, rtl::mbLeft, false, x, y);
    rtl::Application->ProcessMessages();
  }

  WindowsHost& Host() { return static_cast<WindowsHost&>(*host); }
  // The settings file cannot be written any more: a folder has its name.
  void MakeSettingsUnwritable() {
    std::filesystem::remove(folder.Path() / "gascal.ini");
    std::filesystem::create_directories(folder.Path() / "gascal.ini");
  }
  std::string MessageText() const {
    return message->MessageLabel() ? rtl::WideToUtf8(message->MessageLabel()->Text()) : std::string("<none>");
  }

  std::unique_ptr<app::TForm_3D_SET> settings;
  std::unique_ptr<app::TForm_3D_MSG> message;
  std::unique_ptr<app::TForm_3D_Wait> wait;
  std::unique_ptr<app::TForm_3D_Skin> skin;
};

TEST_F(SecondaryWindows, AMissingSensorTableShowsAfterTheMainWindowAndOkClosesIt) {
  Make();
  message = app::TForm_3D_MSG::Create();
  host->ShowMessageWindow(12, "");  // before the main window shows: dropped
  main->Show();
  Run(400);
  EXPECT_FALSE(message->Showing());

  ecu::Session().ConfigData.SensorTableFileName = folder.Path().string() + "/gascal.dat";
  host->ShowMessageWindow(12, "");
  Run(50);
  EXPECT_FALSE(message->Showing()) << "shown 100 ms after the request";
  Run(100);
  ASSERT_TRUE(message->Showing());
  ASSERT_NE(message->MessageLabel(), nullptr);
  EXPECT_EQ(u"\"gascal.dat\" file not found. Temperature ERROR", message->MessageLabel()->Text());
  ASSERT_EQ(1u, message->Buttons().size());
  EXPECT_EQ(u"OK", message->Buttons()[0]->Text());
  // It stands in the middle of the main window, in the main window's fill.
  EXPECT_EQ(main->Left() + (main->Width() - message->Width()) / 2, message->Left());
  RunQueue();
  Save(*message, "message_kind12.png");
  // The main window's fill, white text.
  EXPECT_EQ(app::Model().Colors.MainWindowFill.Color, message->Parts().HudWindow_3D_MSG->Fill()->GetColor());
  EXPECT_GT(Count(*message, 20, 40, 400, 150, Whitish), 20) << "the message's text";

  Click(*message, message->Buttons()[0]);
  EXPECT_FALSE(message->Showing());
  EXPECT_TRUE(main->Showing()) << "a kind 12 does not end the program";
}

TEST_F(SecondaryWindows, AnEmptyScriptErrorShowsNoTextAndANewerVersionEndsTheProgram) {
  Start();
  host->ShowMessageWindow(13, "");
  Run(150);
  ASSERT_TRUE(message->Showing());
  EXPECT_EQ(u"", message->MessageLabel()->Text());
  // A request while it shows waits: closing the 13 shows the 15, whose close ends it all.
  host->ShowMessageWindow(15, "");
  Click(*message, message->Buttons()[0]);
  EXPECT_TRUE(main->Showing());
  Run(150);
  ASSERT_TRUE(message->Showing());
  EXPECT_EQ(u"To work correctly, please install a newer version of the program", message->MessageLabel()->Text());
  message->Close();
  EXPECT_FALSE(main->Showing()) << "kind 15 closes the main window";
}

TEST_F(SecondaryWindows, ACountdownMessageCountsItsSecondsAndClosesItself) {
  Start();
  host->ShowMessageWindow(5, "");
  Run(150);
  ASSERT_TRUE(message->Showing());
  ASSERT_NE(message->CountdownLabel(), nullptr);
  EXPECT_TRUE(message->Parts().AniIndicator_3D_MSG->Enabled());
  Run(1000);
  EXPECT_EQ(u"The window closes in 2.0 sec", message->CountdownLabel()->Text());
  Run(2100);
  EXPECT_FALSE(message->Showing());
  EXPECT_FALSE(message->Parts().AniIndicator_3D_MSG->Enabled());
  EXPECT_TRUE(main->Showing());
}

TEST_F(SecondaryWindows, TheWaitWindowShowsOnceCentredAndShrinksToTheCorner) {
  Start();
  int shows = 0;
  wait->OnShow = [&](rtl::TObject* S) {
    ++shows;
    wait->FormShow(S);
  };
  // Shrunk from an earlier write: it is still centred at its full size.
  wait->SetBounds(0, 0, 50, 50);
  host->ShowWaitWindow();
  host->ShowWaitWindow();
  EXPECT_EQ(1, shows);
  EXPECT_TRUE(wait->Showing());
  EXPECT_EQ(main->Left() + (main->Width() - 150) / 2, wait->Left());
  EXPECT_EQ(main->Top() + (main->Height() - 150) / 2, wait->Top());
  EXPECT_EQ(150, wait->Width());
  EXPECT_TRUE(wait->Indicator()->Enabled());
  Run(100);
  Save(*wait, "wait.png");
  EXPECT_GT(Count(*wait, 0, 0, 150, 150, [](Rgb C) { return C.r + C.g + C.b > 150; }), 100) << "the indicator shows";
  host->ShrinkWaitWindow();
  EXPECT_EQ(main->Left() + main->Width() - 57, wait->Left());
  EXPECT_EQ(main->Top() + 27, wait->Top());
  EXPECT_EQ(50, wait->Width());
  EXPECT_EQ(50, wait->Height());
  host->CloseWaitWindow();
  EXPECT_FALSE(wait->Showing());
  EXPECT_EQ(0, app::Model().Messages.WaitWindowShown);

  // A configuration write shows it while it runs; at its end it shrinks to the corner while
  // another write waits for its turn, and it goes after the last one.
  ecu::Session().Link.LinkUp = 1;
  host->WriteTaskStarted(21);
  EXPECT_TRUE(wait->Showing());
  EXPECT_EQ(150, wait->Width());
  ecu::RequestTask(ecu::TTask::WritePage);
  host->WriteTaskEnded(21, true);
  EXPECT_TRUE(wait->Showing());
  EXPECT_EQ(50, wait->Width());
  EXPECT_EQ(main->Top() + 27, wait->Top());
  ecu::Session().Link.TaskRequest = 0;  // the poll script takes it
  host->WriteTaskStarted(22);
  EXPECT_EQ(150, wait->Width());
  host->WriteTaskEnded(22, true);
  EXPECT_FALSE(wait->Showing());
  EXPECT_EQ(0, app::Model().Messages.WaitWindowShown);
}

TEST_F(SecondaryWindows, SettingsOpenUnderTheMainWindowTakeTheProgramCodeAndForgetAUserClose) {
  Start();
  settings->Show();
  Run(300);
  EXPECT_EQ(main->Left(), settings->Left());
  EXPECT_EQ(main->Top() + 22, settings->Top());
  EXPECT_EQ(1, ecu::Session().Link.SettingsWindowShown);
  Save(*settings, "settings.png");
  EXPECT_GT(Count(*settings, 20, 40, 400, 500, Whitish), 200) << "its texts";

  vg::TvxHudTextBox* code = settings->Parts().HudTextBox_SET_Program_Code;
  EXPECT_EQ(u"25", code->Text());
  host->Messages.clear();
  code->SetText(u"300");
  std::uint16_t key = 13;
  char16_t ch = 0;
  settings->HudTextBox_SET_Program_CodeKeyDown(code, key, ch, {});
  EXPECT_EQ(44, app::Model().Settings.Program_Code);
  EXPECT_EQ(u"44", code->Text()) << "the code in force";
  // A text that is no decimal number is said, as the delay boxes say it, and taken nowhere: the
  // link keeps its address ("x9" was read as 9, and the link polled address 9 at once).
  for (const char16_t* text : {u"abc", u"x9"}) {
    code->SetText(text);
    settings->HudTextBox_SET_Program_CodeKeyDown(code, key, ch, {});
    EXPECT_EQ(44, app::Model().Settings.Program_Code);
    EXPECT_EQ(u"44", code->Text()) << "the code in force again";
  }
  EXPECT_EQ(host->Messages, (std::vector<std::string>{
                                "13: Program code: 300 is outside 0 to 255; 44 is taken",
                                "13: Program code: 'abc' is no number; the box takes whole numbers from 0 to 255",
                                "13: Program code: 'x9' is no number; the box takes whole numbers from 0 to 255"}));
  // Finished by leaving the box: the code is taken then, once; left as it shows the code in
  // force, nothing is taken again.
  ecu::Session().Link.LinkUp = 1;
  ecu::Session().Link.TaskRequest = 0;
  code->SetText(u"23");
  settings->HudTextBox_SET_Program_CodeKillFocus(code);
  EXPECT_EQ(23, app::Model().Settings.Program_Code);
  EXPECT_EQ(16, ecu::Session().Link.TaskRequest) << "the link reconnects at the new address";
  ecu::Session().Link.TaskRequest = 0;
  settings->HudTextBox_SET_Program_CodeKillFocus(code);
  EXPECT_EQ(0, ecu::Session().Link.TaskRequest);
  // The program closing (its shown flag cleared first): the focus leaving starts nothing.
  code->SetText(u"30");
  app::Model().Actions.MainWindowShown = 0;
  settings->HudTextBox_SET_Program_CodeKillFocus(code);
  app::Model().Actions.MainWindowShown = 1;
  EXPECT_EQ(23, app::Model().Settings.Program_Code);
  EXPECT_EQ(0, ecu::Session().Link.TaskRequest);
  code->SetText(u"23");
  ecu::Session().Link.LinkUp = 0;
  EXPECT_EQ(host->Messages.size(), 3u);

  // The opacity reaches the settings panel and the pages' panels, not the auto-calibration's
  // indicator panel.
  settings->Parts().HudTrackBar_SET_Opacity->SetValue(0.5f);
  EXPECT_EQ(0.5, app::Model().Settings.Panels_Opacity);
  EXPECT_EQ(0.5f, settings->Parts().HudPanel_SET->Opacity());
  EXPECT_EQ(0.5f, main->Pages()[0]->Root()->Opacity());
  for (const char* name : {"HudPanel_ACB_1", "HudPanel_ACB_2", "HudPanel_ACB_3", "HudPanel_CLB", "HudPanel_3D_MapRPM"})
    EXPECT_EQ(0.5f, dynamic_cast<vg::TvxVisualObject*>(main->FindPart(name))->Opacity()) << name;
  EXPECT_EQ(1.0f, dynamic_cast<vg::TvxVisualObject*>(main->FindPart("HudPanel_ACB_Indic"))->Opacity());

  // Never smaller than 300 x 200; the layout is scaled with the window, not laid out again.
  settings->SetBounds(settings->Left(), settings->Top(), 100, 100);
  EXPECT_EQ(300, settings->Width());
  EXPECT_EQ(200, settings->Height());
  EXPECT_FLOAT_EQ((300.0f - 26) / (420 - 26), settings->Parts().Layout_3D_SET->Scale()->X());
  settings->SetBounds(settings->Left(), settings->Top(), 420, 560);
  EXPECT_FLOAT_EQ(1.0f, settings->Parts().Layout_3D_SET->Scale()->X());

  settings->Parts().HudNumberBox_3D_SET_Port_Delay->SetValue(-40);
  settings->HudNumberBox_3D_SET_Port_DelayChange(nullptr);
  EXPECT_EQ(0, app::Model().Settings.Reply_Delay);

  // The program closes with it open: the next start shows it where it was.
  settings->SetBounds(200, 150, 440, 580);
  main->Close();
  SCOPED_TRACE(folder.Read("gascal.ini"));
  EXPECT_NE(std::string::npos, Upper(folder.Read("gascal.ini")).find("FORM_3D_SET_SHOW             TRUE"));
  EXPECT_NE(std::string::npos, Upper(folder.Read("gascal.ini")).find("FORM_3D_SET_WIDTH            440"));

  // The next start shows it there.
  settings.reset();
  port.reset();
  main.reset();
  Make();
  settings = app::TForm_3D_SET::Create();
  main->Show();
  Run(400);
  ASSERT_TRUE(settings->Showing());
  EXPECT_EQ((std::vector<int>{200, 150, 440, 580}),
            (std::vector<int>{settings->Left(), settings->Top(), settings->Width(), settings->Height()}));

  // Closed by the user, then the program: the next start leaves it hidden.
  settings->Close();
  EXPECT_EQ(std::string::npos, Upper(folder.Read("gascal.ini")).find("FORM_3D_SET"));
  main->Close();
  settings.reset();
  port.reset();
  main.reset();
  Make();
  settings = app::TForm_3D_SET::Create();
  main->Show();
  Run(400);
  EXPECT_FALSE(settings->Showing());
}

// The delay boxes show the delays in force and say what they take: a text that is no number is
// reported once (at Enter, on leaving or at the release of a press), a number held to the range
// as held. Letters typed stay in the box until then (they had been dropped without a word).
TEST_F(SecondaryWindows, TheDelayBoxesShowTheDelaysInForce) {
  Start();
  settings->Show();
  Run(300);
  const std::vector<std::string>& said = host->Messages;
  vg::TvxHudNumberBox* transmit = settings->Parts().HudNumberBox_3D_SET_Transmit_CFG_Delay;
  vg::TvxHudNumberBox* reply = settings->Parts().HudNumberBox_3D_SET_Port_Delay;
  const auto enter = [&](vg::TvxHudNumberBox* Box, const std::u16string& Text) {
    Box->SetFocus();
    Box->SetText(Text);
    std::uint16_t key = 13;
    char16_t ch = 0;
    Box->KeyDown(key, ch, {});
  };
  const auto lastSaid = [&](const std::string& P) { return !said.empty() && said.back().find(P) != said.back().npos; };
  enter(transmit, u"-");
  EXPECT_TRUE(said.size() == 1 && lastSaid("ms: '-' is no number; the box takes whole milliseconds from 1 to 100000"));
  EXPECT_EQ(u"1500", transmit->Text());
  EXPECT_EQ(1500, app::Model().Settings.CFG_Transmit_Delay);
  reply->SetFocus();
  EXPECT_EQ(1u, said.size()) << "leaving brings no second report";
  // Below 1 ms: the default, said and shown.
  enter(transmit, u"-5");
  EXPECT_EQ(u"1500", transmit->Text());
  EXPECT_TRUE(said.size() == 2 && lastSaid(": -5 is outside 1 to 100000; 1500 is taken")) << said.back();
  // Beyond the reply delay's range: held to it, and said once.
  enter(reply, u"99999999999");
  EXPECT_EQ(u"2000", reply->Text());
  EXPECT_TRUE(said.size() == 3 && lastSaid(": 99999999999 is outside 0 to 2000")) << said.back();
  // Left without Enter, and a press released in the box: reported once each, the delay shown.
  enter(reply, u"100");
  reply->SetText(u"200-5");
  transmit->SetFocus();
  EXPECT_TRUE(said.size() == 4 && lastSaid(ecu::LngText("Delay") + ": '200-5' is no number")) << said.back();
  EXPECT_EQ(u"100", reply->Text());
  EXPECT_EQ(100, app::Model().Settings.Reply_Delay);
  transmit->SetText(u",");
  transmit->MouseDown(rtl::mbLeft, {rtl::ssLeft}, 5, 5);
  transmit->MouseUp(rtl::mbLeft, {}, 5, 5);
  EXPECT_EQ(u"1500", transmit->Text());
  reply->SetFocus();
  EXPECT_EQ(5u, said.size());
  // Letters typed are kept and shown until Enter says what the box takes.
  win::SimulateText(settings.get(), "2ms");
  EXPECT_EQ(u"2ms", reply->Text());
  win::SimulateKeyStroke(settings.get(), '\r');
  EXPECT_TRUE(said.size() == 6 && lastSaid("'2ms' is no number")) << said.back();
  EXPECT_EQ(u"100", reply->Text());
}

TEST_F(SecondaryWindows, SettingsAndSkinTakeANewLanguagesTextsWhenTheyActivateAgain) {
  folder.Write("Language/Deutsch.lng", "Settings Einstellungen\r\nSKIN_Window Aussehen\r\n");
  Start();
  settings->Show();
  skin->Show();
  Run(300);
  EXPECT_EQ(u"Settings", settings->Parts().HudWindow_3D_SET->Text());
  EXPECT_EQ(u"Skins of the program", skin->Parts().HudWindow_3D_Skin->Text());
  // The language changes in the main window while both stay open.
  ecu::Session().Texts.CurrentLanguage = "Deutsch";
  win::SetActiveForm(settings.get());
  EXPECT_EQ(u"Einstellungen", settings->Parts().HudWindow_3D_SET->Text());
  win::SetActiveForm(skin.get());
  EXPECT_EQ(u"Aussehen", skin->Parts().HudWindow_3D_Skin->Text());
  EXPECT_FALSE(ecu::LanguageStorePresent()) << "the file's texts are freed again";
  // A language typed in another case is the listed one, whose font keys keep its spelling.
  settings->Parts().HudComboTextBox_3D_SET_Language->SetText(u"deutsch");
  settings->HudComboTextBox_3D_SET_LanguageChange(nullptr);
  EXPECT_EQ(app::Model().Settings.Language, "Deutsch");
}

TEST_F(SecondaryWindows, ManualTakesTheDialogsPortAndAFailedOpeningLeavesItClosedAndFlagged) {
  Start();
  const std::string chosen = (folder.Path() / "no-such-tty").string();
  setenv(comm::kExtraPortsVariable, chosen.c_str(), 1);
  port->Link()->ComPort->SetSetupDialog([&](cport::TCustomComPort* Port) {
    Port->SetPort(chosen);
    return true;
  });
  settings->Show();
  EXPECT_NO_THROW(settings->HudButton_3D_SET_Port_ManualClick(nullptr));
  port->Link()->ComPort->SetSetupDialog(nullptr);
  unsetenv(comm::kExtraPortsVariable);
  EXPECT_EQ(chosen, app::Model().Settings.Port_Name);
  EXPECT_EQ(chosen, ecu::Session().PortSearch.StartPortName) << "the search tries the chosen port first";
  EXPECT_EQ(rtl::Utf8ToWide(chosen), settings->Parts().HudTextBox_3D_SET_Port_Name->Text());
  EXPECT_FALSE(port->Link()->ComPort->Connected());
  EXPECT_TRUE(port->Link()->ComPort->PortFailed()) << "the failure is flagged, not thrown";
  settings->Close();
}

TEST_F(SecondaryWindows, TheCheckWindowIsRedWithTheMessageInWhiteAndARedOk) {
  auto form = std::make_unique<app::TForm_No_OpenGL>(nullptr, "gascal");
  app::TForm_No_OpenGL& check = *form;
  EXPECT_EQ("OpenGL", check.Caption());
  EXPECT_EQ(393, check.Width());
  EXPECT_EQ(217, check.Height());
  check.Show();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(u"The computer does not support the OpenGL video mode. The program can not be run.",
            check.Parts().Label_No_OpenGL_Message->Text());
  EXPECT_EQ("Tahoma", check.Parts().Label_No_OpenGL_Message->Font()->Family());
  EXPECT_EQ(win::crHandPoint, check.Parts().Button_No_OpenGL->Cursor());
  Save(check, "check_window.png");
  EXPECT_TRUE(Reddish(At(check, 14, 14))) << "the red panel";
  EXPECT_GT(Count(check, 20, 20, 373, 160, Whitish), 100) << "white text";
  EXPECT_GT(Count(check, 156, 178, 237, 208, Reddish), 10) << "a red OK";
  // The texts are drawn antialiased and not fitted to the pixel grid, whose hinted glyphs at
  // the message's bold size stand unevenly in their words ("com puter"): the window shows
  // what it shows with grid fitting off, and not what it shows with it on.
  const std::vector<std::uint32_t> shown = check.PresentedFrame();
  auto redraw = [&](bool GridFit) {
    check.Parts().Label_No_OpenGL_Message->Font()->SetClearType(GridFit);
    check.Parts().Button_No_OpenGL->Font()->SetClearType(GridFit);
    check.Scene()->Invalidate();
    rtl::Application->ProcessMessages();
    return check.PresentedFrame();
  };
  EXPECT_NE(redraw(true), shown) << "grid fitting makes no difference here: the check proves nothing";
  EXPECT_EQ(redraw(false), shown) << "the message is fitted to the pixel grid";
  Click(check, check.Parts().Button_No_OpenGL);
  EXPECT_FALSE(check.Showing());
}

TEST_F(SecondaryWindows, TheCheckWindowReadsARussianMessageInTheRussianCodePage) {
  // Nothing has made Russian the current language yet: the message is still decoded as the
  // file it came from is written, in Windows-1251.
  ASSERT_EQ(ecu::Session().Texts.CurrentLanguage, "English");
  folder.Write("gascal.ini", "Language                     Russian {}\r\n");
  const std::u16string message = u"Компьютер не поддерживает OpenGL";
  folder.Write("Language/Russian.lng", "Error_OpenGL_Not_Work        " + rtl::WideToCodePage(message, 1251) + " {}\r\n");
  auto form = std::make_unique<app::TForm_No_OpenGL>(nullptr, "gascal");
  form->Show();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->Parts().Label_No_OpenGL_Message->Text(), message);
  form->Close();
  // Named in other letters than its file: the file's language all the same, and its code page.
  folder.Write("gascal.ini", "Language                     russian {}\r\n");
  form = std::make_unique<app::TForm_No_OpenGL>(nullptr, "gascal");
  form->Show();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->Parts().Label_No_OpenGL_Message->Text(), message);
  form->Close();
}

TEST_F(SecondaryWindows, TheSkinListsTheRolesAndItsDefaultRestoresTheLookAfter300Ms) {
  Start();
  app::Model().Colors.MainWindowFill.Color = "#FF203040";
  main->ApplyMainWindowFill();
  main->Parts().HudButton_3D_GEN_Flip->SetVisible(true);
  // The right button on Flip shows the skin window, role 1 selected.
  main->HudButton_3D_GEN_FlipMouseDown(nullptr, rtl::mbRight, {}, 0, 0);
  ASSERT_TRUE(skin->Showing());
  EXPECT_EQ(1, skin->SelectedColorRole());
  EXPECT_EQ(main->Left(), skin->Left());
  EXPECT_EQ(main->Top() + 22, skin->Top());
  const app::TSkinParts& p = skin->Parts();
  ASSERT_EQ(37, p.HudComboTextBox_Skin_Detals->Items()->Count());
  EXPECT_EQ(u"MODE : Automat", p.HudButton_Skin_Detals->Text());
  EXPECT_EQ("#FF203040", p.Circle_Skin_Color->Fill()->GetColor());
  RunQueue();
  EXPECT_EQ(app::Model().Colors.ColorTable[1], p.HudButton_Skin_Detals->FontFill()->GetColor())
      << "the fonts leave the role's colour on its button";
  Save(*skin, "skin.png");
  EXPECT_GT(Count(*skin, 20, 40, 360, 300, Whitish), 100) << "its texts";

  p.HudComboTextBox_Skin_Detals->SetItemIndex(16);
  EXPECT_EQ(17, skin->SelectedColorRole());
  EXPECT_EQ(app::Model().Colors.ColorTable[17], p.Circle_Skin_Detals->Fill()->GetColor());
  EXPECT_EQ(u"Type a text message:Error", p.HudButton_Skin_Detals->Text());

  app::Model().Settings.Font_Name = "Arial";
  app::Model().Colors.ColorTable[23] = "#FF000001";
  skin->HudButton_Skin_DefaultClick(nullptr);
  EXPECT_EQ("Tahoma", app::Model().Settings.Font_Name);
  EXPECT_EQ("#FFFFFFFF", app::Model().Settings.Font_Color);
  EXPECT_EQ("#FF1F46FD", app::Model().Colors.ColorTable[23]);
  EXPECT_EQ("#EAD7D5D5", main->Parts().HudWindow_3D_GEN->Fill()->GetColor());
  ASSERT_EQ(2, app::Model().Actions.ActionCount);
  EXPECT_EQ(300, app::Model().Actions.ActionDelays[0]);
  skin->Close();
}

TEST_F(SecondaryWindows, AGradientFillGoesToTheOpenWindowsAsFarAsTheirPointsGo) {
  Start();
  settings->Show();
  Run(300);
  app::Model().Colors.MainWindowFill = {"#FF102030", true, {"#FF0000FF", "#FF00FF00", "#FFFF0000"}};
  main->RunAction(app::Action_CopyFillToOpenWindows);
  vg::TvxBrush* fill = settings->Parts().HudWindow_3D_SET->Fill();
  EXPECT_EQ(vg::vgBrushGradient, fill->Style());
  vg::TvxGradientPoints* points = fill->Gradient()->Points();
  ASSERT_EQ(2, points->Count()) << "its own two points";
  EXPECT_EQ("#FF0000FF", points->GetPoint(0)->GetColor());
  EXPECT_EQ("#FF00FF00", points->GetPoint(1)->GetColor());
  EXPECT_FALSE(skin->Showing());
  EXPECT_NE(vg::vgBrushGradient, skin->Parts().HudWindow_3D_Skin->Fill()->Style()) << "a hidden window keeps its own";
}

TEST_F(SecondaryWindows, ANewFontColourRecoloursGeneralTextsAtTheNextFontActionButNotIndicatorValues) {
  Start();
  const app::TMainParts& p = main->Parts();
  const std::string value = p.IndicatorValues[0]->FontFill()->GetColor();
  app::Model().Settings.Font_Color = "#FF11AA22";
  app::Model().Colors.ColorTable[app::Color_General] = app::Model().Settings.Font_Color;
  EXPECT_NE("#FF11AA22", p.HudWindow_3D_GEN->FontFill()->GetColor()) << "nothing before the action";
  app::QueueAction(app::Action_ApplyFonts, 100);
  RunQueue();
  EXPECT_EQ("#FF11AA22", p.HudWindow_3D_GEN->FontFill()->GetColor());
  EXPECT_EQ(value, p.IndicatorValues[0]->FontFill()->GetColor());
}

TEST_F(SecondaryWindows, TwoFlipsGiveTwoColoursWithTheAlphaOfTheFirstFillAndACloseStopsAFlip) {
  Start();
  app::Model().Colors.MainWindowFill.Color = "#C0808080";
  main->ApplyMainWindowFill();
  dx::TdxGUIObjectLayer* layer = main->Layer();
  main->HudButton_3D_GEN_FlipMouseDown(nullptr, rtl::mbLeft, {}, 0, 0);
  EXPECT_TRUE(app::MainWindowFlipping(*main));
  Run(200);
  EXPECT_GT(layer->Position()->Z(), 0) << "it tilts away";
  Run(400);
  EXPECT_FALSE(app::MainWindowFlipping(*main));
  Run(400);
  const std::string first = app::Model().Colors.MainWindowFill.Color;
  EXPECT_EQ("#C0", first.substr(0, 3));
  EXPECT_EQ(first, main->Parts().HudWindow_3D_GEN->Fill()->GetColor());
  EXPECT_EQ(0, layer->Position()->Z());
  EXPECT_EQ(0, std::fmod(layer->RotateAngle()->X(), 360.0f)) << "back in place";

  main->HudButton_3D_GEN_FlipMouseDown(nullptr, rtl::mbLeft, {}, 0, 0);
  Run(1000);
  const std::string second = app::Model().Colors.MainWindowFill.Color;
  EXPECT_EQ("#C0", second.substr(0, 3));
  EXPECT_NE(first, second);

  // Closed and freed in the middle of a flip: nothing runs on.
  main->HudButton_3D_GEN_FlipMouseDown(nullptr, rtl::mbLeft, {}, 0, 0);
  Run(100);
  main->Close();
  main.reset();
  Run(1000);
  EXPECT_EQ(second, app::Model().Colors.MainWindowFill.Color);
}

}  // namespace

namespace {

// The user closes the program where its settings cannot be written: the close runs to its end
// (the port's timers stopped, every other window closed, nothing of the main window left to
// use), the failure shows in the message window at once, and its OK ends the program.
TEST_F(SecondaryWindows, AUserCloseWhoseSettingsCannotBeWrittenSaysSoAndEndsAtOk) {
  Start();
  win::SetMainForm(main.get());
  skin->Show();
  settings->Show();
  Run(300);
  port->Link()->Timer_Select_ComPort->SetEnabled(true);
  MakeSettingsUnwritable();
  main->Close();

  EXPECT_FALSE(main->Showing());
  EXPECT_FALSE(skin->Showing());
  EXPECT_FALSE(settings->Showing());
  EXPECT_EQ(0, app::Model().Actions.MainWindowShown);
  EXPECT_FALSE(port->Link()->Timer_Select_ComPort->Enabled());
  EXPECT_FALSE(port->Link()->Timer_Connect->Enabled());
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_TRUE(Host().Endings[0].second) << "the user's close: in a window";
  EXPECT_EQ(std::string::npos, Host().Endings[0].first.find('\n')) << "the settings window's failure is the same one";
  ASSERT_TRUE(message->Showing()) << "at once: no queued action runs any more";
  EXPECT_EQ(0u, MessageText().find("The settings were not saved: Cannot create file")) << MessageText();
  EXPECT_NE(std::string::npos, MessageText().find("gascal.ini")) << MessageText();
  EXPECT_EQ(app::Model().Settings.Font_Size, message->MessageLabel()->Font()->Size()) << "in the program's font";
  Save(*message, "message_settings_not_saved.png");

  Run(2000);
  EXPECT_FALSE(rtl::Application->Terminated()) << "the program waits until the user has read it";
  EXPECT_FALSE(main->Showing());
  Click(*message, message->Buttons()[0]);
  EXPECT_FALSE(message->Showing());
  EXPECT_TRUE(rtl::Application->Terminated()) << "OK ends the program";
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// A close nobody watches (a signal, a newer copy) reports on the console only and ends at
// once; so does any close request while the report of a user's close shows.
TEST_F(SecondaryWindows, AnUnattendedCloseOrARequestWhileTheReportShowsEndsAtOnce) {
  Start();
  win::SetMainForm(main.get());
  MakeSettingsUnwritable();
  main->CloseUnattended();
  EXPECT_FALSE(main->Showing());
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_FALSE(Host().Endings[0].second);
  EXPECT_FALSE(message->Showing());
  EXPECT_TRUE(rtl::Application->Terminated());
  rtl::Application->Reset();

  // The next start, a user's close, and then the system asks the program to end.
  port.reset();
  main.reset();
  std::filesystem::remove(folder.Path() / "gascal.ini");
  Make();
  win::SetMainForm(main.get());
  main->Show();
  Run(400);
  MakeSettingsUnwritable();
  main->Close();
  ASSERT_TRUE(message->Showing());
  EXPECT_FALSE(rtl::Application->Terminated());
  main->CloseUnattended();
  EXPECT_TRUE(rtl::Application->Terminated());
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// A message window closed and shown again in one turn (the close only hands its old text,
// buttons and scroll box to the loop to free) shows the new showing whole, and it outlives
// the freeing of the old one.
TEST_F(SecondaryWindows, AMessageWindowShownAgainInTheTurnItClosedShowsWhole) {
  Start();
  host->ShowMessageWindow(13, "First.");
  Run(150);
  ASSERT_TRUE(message->Showing());
  vg::TvxHudLabel* old = message->MessageLabel();
  message->Close();
  message->Show();
  ASSERT_TRUE(message->Showing());
  ASSERT_NE(nullptr, message->MessageLabel());
  EXPECT_NE(old, message->MessageLabel()) << "a label of its own";
  rtl::Application->ProcessMessages();  // the old showing is freed
  ASSERT_NE(nullptr, message->MessageTextBox());
  EXPECT_EQ(u"First.", message->MessageLabel()->Text());
  bool inBox = false;
  for (vg::TvxObject* o = message->MessageLabel()->Parent(); o; o = o->Parent()) inBox |= o == message->MessageTextBox();
  EXPECT_TRUE(inBox) << "the label stands in the new scroll box";
  ASSERT_EQ(1u, message->Buttons().size());
  Click(*message, message->Buttons()[0]);
  EXPECT_FALSE(message->Showing()) << "its button works";
}

// The user closes the program, its settings cannot be written, and a message shows already
// (the missing sensor table's, at every start without one): the report takes its place.
TEST_F(SecondaryWindows, TheReportThatTheSettingsWereNotSavedReplacesAMessageOnScreen) {
  Start();
  win::SetMainForm(main.get());
  ecu::Session().ConfigData.SensorTableFileName = folder.Path().string() + "/gascal.dat";
  host->ShowMessageWindow(12, "");
  Run(150);
  ASSERT_TRUE(message->Showing());
  MakeSettingsUnwritable();
  main->Close();
  ASSERT_EQ(1u, Host().Endings.size());
  ASSERT_TRUE(message->Showing()) << "the report shows";
  EXPECT_EQ(0u, MessageText().find("The settings were not saved: ")) << MessageText();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(0u, MessageText().find("The settings were not saved: ")) << MessageText();
  Save(*message, "message_report_over_table.png");
  EXPECT_GT(Count(*message, 20, 40, 400, 150, Whitish), 20) << "the report's text is drawn";
  EXPECT_FALSE(rtl::Application->Terminated()) << "it waits for the user";
  ASSERT_EQ(1u, message->Buttons().size());
  Click(*message, message->Buttons()[0]);
  EXPECT_TRUE(rtl::Application->Terminated()) << "OK ends the program";
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// A font name of the settings file longer than any font's (it was copied into every control's
// font) reaches the controls cut to a font name's length, and the message window says so once
// the main window shows.
TEST_F(SecondaryWindows, AFontNameTooLongForAFontIsCutAndTheStartSaysSo) {
  folder.Write("gascal.ini", "Port_Name /nonexistent/gascal-port {}\r\nSearch_Port False {}\r\nEnglish_Name " +
                                 std::string(1 << 20, 'F') + " {}\r\n");
  Start();
  RunQueue();
  const std::string cut(app::MaxFontNameLength, 'F');
  EXPECT_EQ(cut, main->Parts().HudWindow_3D_GEN->Font()->Family());
  EXPECT_EQ(cut, main->Parts().IndicatorValues[0]->Font()->Family());
  Run(150);
  ASSERT_TRUE(message->Showing());
  EXPECT_EQ(0u, MessageText().find("The settings file ")) << MessageText();
  EXPECT_NE(std::string::npos, MessageText().find("English_Name: 1048576 characters")) << MessageText();
}

// A font size of the settings file held to its range (1e23 to 72, -5000 to 6) is reported in
// the message window at a size that can be read: the program's font, held to what the
// window's text area shows readably; the other windows keep the size in force.
TEST_F(SecondaryWindows, AHeldFontSizeIsReportedInAMessageThatCanBeRead) {
  folder.Write("gascal.ini",
               "Port_Name /nonexistent/gascal-port {}\r\nSearch_Port False {}\r\nEnglish_Size 1e23 {}\r\n");
  Start();
  RunQueue();
  Run(150);
  RunQueue();
  ASSERT_TRUE(message->Showing());
  EXPECT_NE(std::string::npos, MessageText().find("English_Size: \"1e23\" is outside 6.00..72.00; 72.00 is used"))
      << MessageText();
  EXPECT_EQ(app::MaxFontSize, app::Model().Settings.Font_Size);
  EXPECT_EQ(app::MaxFontSize, main->Parts().HudWindow_3D_GEN->Font()->Size()) << "the size in force elsewhere";
  const auto expectMessageAt = [&](float Size) {
    EXPECT_EQ(Size, message->MessageLabel()->Font()->Size());
    EXPECT_EQ(Size, message->Parts().HudWindow_3D_MSG->Font()->Size()) << "the title too";
    for (const vg::TvxHudButton* b : message->Buttons()) {
      EXPECT_LE(b->Font()->Size(), Size);
      EXPECT_GE(b->Font()->Size(), app::MinMessageFontSize);
    }
  };
  expectMessageAt(app::MaxMessageFontSize);
  EXPECT_GE(message->MessageTextBox()->Height(), 4 * 1.2f * app::MaxMessageFontSize) << "four lines at once";
  Save(*message, "message_held_font_size_large.png");

  // The smallest size the font track gives: the message at the smallest readable one.
  app::Model().Settings.Font_Size = app::MinFontSize;
  app::QueueAction(app::Action_ApplyFonts, 100);
  RunQueue();
  ASSERT_TRUE(message->Showing());
  expectMessageAt(app::MinMessageFontSize);
  Save(*message, "message_held_font_size_small.png");
}

// The user closes the settings window where the file cannot be written: it closes, and says
// so in the message window.
TEST_F(SecondaryWindows, ASettingsWindowClosedWhereTheFileCannotBeWrittenClosesAndSaysSo) {
  Start();
  settings->Show();
  Run(300);
  MakeSettingsUnwritable();
  settings->Close();
  EXPECT_FALSE(settings->Showing());
  EXPECT_EQ(0, ecu::Session().Link.SettingsWindowShown) << "closed by the user: not reopened at the next start";
  Run(150);
  ASSERT_TRUE(message->Showing());
  EXPECT_EQ(0u, MessageText().find("The settings were not saved: "));
  EXPECT_TRUE(main->Showing());
  EXPECT_EQ("", settings->TakeCloseFailure()) << "shown, not kept for the main window";
}

// A message longer than its window (the load report of a broken configuration file) stays in
// the text's area: it scrolls there, and the title and buttons are drawn as for a short one.
TEST_F(SecondaryWindows, ALongMessageScrollsInsideItsAreaAndLeavesTheTitleAlone) {
  Start();
  host->ShowMessageWindow(13, "Short.");
  Run(150);
  RunQueue();
  ASSERT_TRUE(message->Showing());
  const auto band = [&](int Y0, int Y1) {
    std::vector<std::uint32_t> pixels;
    for (int y = Y0; y < Y1; ++y)
      for (int x = 0; x < message->Width(); ++x) pixels.push_back(message->PresentedPixel(x, y));
    return pixels;
  };
  rtl::Application->ProcessMessages();
  const std::vector<std::uint32_t> title = band(0, 40), buttons = band(150, message->Height());
  EXPECT_EQ(message->MessageTextBox()->Height(), message->MessageLabel()->Height()) << "a short text fills the area";
  Click(*message, message->Buttons()[0]);

  std::string report = "The configuration file Config/broken.cfg was read with changes:";
  for (int i = 1; i <= 60; ++i)
    report += "\nLine " + std::to_string(i) + ": Cell_" + std::to_string(i) + "_0 = 'garbage value " +
              std::string(static_cast<std::size_t>(i % 7) * 6, 'x') + "' could not be read; the default 1.00 stays";
  host->ShowMessageWindow(13, report);
  Run(150);
  RunQueue();
  ASSERT_TRUE(message->Showing());
  vg::TvxScrollBox* box = message->MessageTextBox();
  vg::TvxHudLabel* label = message->MessageLabel();
  EXPECT_GT(label->Height(), 10 * box->Height()) << "as high as its wrapped lines";
  EXPECT_LT(label->Width(), box->Width()) << "beside the scroll bar";
  ASSERT_NE(nullptr, box->VScrollBar());
  EXPECT_TRUE(box->VScrollBar()->Visible());
  rtl::Application->ProcessMessages();
  Save(*message, "message_long_report.png");
  EXPECT_EQ(title, band(0, 40)) << "nothing drawn over the title";
  EXPECT_EQ(buttons, band(150, message->Height())) << "nor over the buttons";

  // The wheel scrolls the text; its top leaves the area.
  const float top = label->LocalToAbsolute({0, 0}).Y;
  const vg::TvxRect r = box->GetAbsoluteRect();
  win::SimulateMouseMove(message.get(), static_cast<int>((r.Left + r.Right) / 2), static_cast<int>((r.Top + r.Bottom) / 2));
  win::SimulateMouseWheel(message.get(), -3);
  Run(500);
  EXPECT_LT(label->LocalToAbsolute({0, 0}).Y, top);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(title, band(0, 40));

  // Beyond what wrapped text is laid out to, the text is cut and says so.
  EXPECT_EQ(report, rtl::WideToUtf8(app::MessageShownText(rtl::Utf8ToWide(report))));
  const std::u16string huge(20000, u'a');
  const std::u16string shown = app::MessageShownText(huge);
  EXPECT_EQ(vg::TvxCanvasGdiPlus::MaxWrappedText, shown.size());
  EXPECT_EQ(u'\u2026', shown.back());
}

}  // namespace

}  // namespace secondary_windows_test
