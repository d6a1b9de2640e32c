// The port window of the program: hidden until the automatic port search runs, then over the
// middle of the main window with its fill, the search text beside the busy indicator, then the
// ports listed, the entry being tried and the progress; the user's close ends the search. On
// the test clock, against pseudo-terminals on which nothing answers.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <algorithm>

#include "app/core/Colors_3D_Unit.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Text_Fit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/comm/PortList.h"
#include "platform/rtl/CodePage.h"
#include "tests/TestOutput.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Canvas.h"

namespace port_window_test {

namespace {

class PortWindowTest : public apptest::MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // Only the ports the test lists: the machine's own are left out.
    std::filesystem::create_directories(folder.Path() / "root/sys/class/tty");
    comm::SetPortListRoot((folder.Path() / "root").string());
    for (Pty& p : ptys) {
      char name[128] = {};
      ASSERT_EQ(openpty(&p.master, &p.slave, name, nullptr, nullptr), 0);
      p.path = name;
    }
    absent = (folder.Path() / "absent").string();
    setenv(comm::kExtraPortsVariable, (absent + ":" + ptys[0].path + ":" + ptys[1].path).c_str(), 1);
    folder.Write("gascal.ini", "Port_Name                    " + absent + " {}\r\n" +
                                   "Search_Port                  True {}\r\n" +
                                   "Language                     Deutsch {}\r\n");
    folder.Write("Language/Deutsch.lng", "AutoSearchPort Automatische Portsuche\r\nQuantity Anzahl\r\n"
                                         "Name Bezeichnung\r\nFinds_Port Ports gefunden\r\n");
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    for (Pty& p : ptys) {
      if (p.master >= 0) close(p.master);
      if (p.slave >= 0) close(p.slave);
    }
    unsetenv(comm::kExtraPortsVariable);
    comm::SetPortListRoot("/");
  }
  const app::TPortParts& Parts() const { return port->Parts(); }

  struct Pty {
    int master = -1, slave = -1;
    std::string path;
  } ptys[2];
  std::string absent;
};

TEST_F(PortWindowTest, TheSearchShowsTheWindowWithThePortsTheEntryTriedAndTheProgressAndItsCloseEndsIt) {
  MakeAndShow();
  app::Model().Colors.MainWindowFill.Color = "#FF203040";
  main->ApplyMainWindowFill();
  app::Model().Settings.Font_Name = "DejaVu Sans";
  EXPECT_FALSE(port->Showing()) << "hidden until the search runs";

  // The configured port is not there: about a second after showing, the search begins.
  for (int i = 0; i < 300 && !port->Showing(); ++i) Run(10);
  ASSERT_TRUE(port->Showing());
  EXPECT_EQ(ecu::Session().Link.PortSearching, 1);
  EXPECT_EQ(port->Left(), main->Left() + (main->Width() - port->Width()) / 2);
  EXPECT_EQ(port->Top(), main->Top() + (main->Height() - port->Height()) / 2);
  EXPECT_EQ(Parts().HudWindow_3D_Port->Fill()->GetColor(), "#FF203040") << "the main window's fill";
  EXPECT_EQ(Parts().HudWindow_3D_Port->Text(), u"Automatische Portsuche");
  // First sight of the ports: the search text, green, beside the indicator.
  const vg::TvxHudLabel* search = Parts().HudLabel_3D_Port_Search;
  EXPECT_TRUE(search->Visible());
  EXPECT_EQ(search->Text(), u"Ports gefunden");
  EXPECT_TRUE(Parts().AniIndicator_3D_Port->Visible());
  EXPECT_EQ(Parts().AniIndicator_3D_Port->Width(), 90);
  EXPECT_EQ(Parts().AniIndicator_3D_Port->Position()->X(), 210);
  EXPECT_FALSE(Parts().HudMemo_3D_Port->Visible());
  EXPECT_FALSE(Parts().ProgressBar_3D_Port->Visible());
  // It has queued the fonts (the main window's own start-up fonts ran long ago); they reach
  // its texts, and the search text stays green.
  const auto queued = app::Model().Actions.ActionCodes.begin() + app::Model().Actions.ActionCount;
  EXPECT_NE(std::find(app::Model().Actions.ActionCodes.begin(), queued, app::Action_ApplyFonts), queued);
  main->RunAction(app::Action_ApplyFonts);
  EXPECT_EQ(search->Font()->Family(), "DejaVu Sans");
  EXPECT_EQ(Parts().HudLabel_3D_Port_Num->Font()->Family(), "DejaVu Sans");
  EXPECT_EQ(search->FontFill()->GetColor(), "#FF00FF00");

  // A second later the entries are tried: the configured port first (it does not open), then
  // the first of the others.
  Run(1050);
  EXPECT_FALSE(search->Visible());
  EXPECT_FALSE(Parts().AniIndicator_3D_Port->Visible());
  ASSERT_TRUE(Parts().HudMemo_3D_Port->Visible());
  const vg::TvxMemoLines* lines = Parts().HudMemo_3D_Port->Lines();
  ASSERT_EQ(lines->Count(), 3);
  EXPECT_EQ(lines->Get(0), rtl::Utf8ToWide(absent));
  EXPECT_EQ(lines->Get(2), rtl::Utf8ToWide(ptys[1].path));
  EXPECT_EQ(Parts().HudLabel_3D_Port_Num->Text(), u"Anzahl");
  EXPECT_EQ(Parts().HudLabel_3D_Port_Name->Text(), u"Bezeichnung");
  EXPECT_EQ(Parts().HudLabel_3D_Port_Num_Data->Text(), u"3");
  EXPECT_EQ(Parts().HudLabel_3D_Port_Number->Text(), u"2");
  EXPECT_EQ(Parts().HudLabel_3D_Port_Name_Data->Text(), rtl::Utf8ToWide(ptys[0].path));
  EXPECT_EQ(Parts().ProgressBar_3D_Port->Max(), 3);
  EXPECT_EQ(Parts().ProgressBar_3D_Port->Value(), 2);
  EXPECT_TRUE(port->Link()->ComPort->Connected());

  // The user closes it: the search stops, the main window offers the search again and takes
  // the keys back.
  port->Close();
  EXPECT_FALSE(port->Showing());
  EXPECT_EQ(ecu::Session().Link.PortSearching, 0);
  EXPECT_FALSE(port->Link()->Timer_Select_ComPort->Enabled());
  EXPECT_FALSE(port->Link()->Timer_Sending->Enabled());
  EXPECT_TRUE(main->Parts().HudButton_Port_Search->Visible());
  EXPECT_EQ(win::ActiveForm(), main.get());
  const std::size_t written = ecu::Session().PortSearch.PortNames.size();
  Run(3000);
  EXPECT_FALSE(port->Showing()) << "no search runs by itself";
  EXPECT_EQ(ecu::Session().PortSearch.PortNames.size(), written);

  // Its button starts it again; the list of ports shows with nothing selected in it.
  main->HudButton_Port_SearchClick(nullptr);
  EXPECT_TRUE(port->Showing());
  EXPECT_EQ(ecu::Session().Link.PortSearching, 1);
  Run(1050);
  const vg::TvxHudMemo* memo = Parts().HudMemo_3D_Port;
  ASSERT_TRUE(memo->Visible());
  ASSERT_EQ(memo->Lines()->Count(), 3);
  // A press in the window (beside the list) gives its layer the keyboard, and the layer its
  // first focusable control, the list.
  const vg::TvxPoint at = Parts().HudPanel_3D_Port_Num->LocalToAbsolute({4, 4});
  win::SimulateMouseMove(port.get(), static_cast<int>(at.X), static_cast<int>(at.Y));
  win::SimulateMouseButton(port.get(), rtl::mbLeft, true, static_cast<int>(at.X), static_cast<int>(at.Y));
  win::SimulateMouseButton(port.get(), rtl::mbLeft, false, static_cast<int>(at.X), static_cast<int>(at.Y));
  Run(50);
  EXPECT_FALSE(memo->HasSelection() && (memo->IsFocused() || !memo->HideSelection()))
      << "the list is drawn with a selection";
  rtl::Application->ProcessMessages();
  const std::vector<std::uint32_t> frame = port->PresentedFrame();
  vg::TvxBitmap picture;
  picture.SetSize(port->Width(), port->Height());
  std::copy(frame.begin(), frame.end(), picture.Bits());
  vg::TvxFilterGdiPlus().SaveToFile(testout::Path("port_window_again.png"), picture, "");
}

TEST_F(PortWindowTest, ALongPortNameIsCutInTheMiddleToItsRoom) {
  const std::string longName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  MakeAndShow();
  // The main window's port panel: the name keeps clear of the quality figure.
  host->SetText(app::TControl::Port_Name, longName);
  vg::TvxHudLabel* name = main->Parts().HudLabel_Port_Name;
  vg::TvxHudLabel* quality = main->Parts().HudLabel_Port_Connect_Stabil;
  const std::u16string shown = name->Text();
  ASSERT_NE(shown, rtl::Utf8ToWide(longName));
  ASSERT_NE(shown.find(u'\u2026'), std::u16string::npos);
  EXPECT_EQ(shown.substr(0, 3), u"/de") << "its start stays";
  EXPECT_EQ(shown.back(), u'0') << "and its end";
  vg::TvxCanvas* canvas = name->GetCanvas();
  ASSERT_NE(canvas, nullptr);
  canvas->Font()->Assign(name->Font());
  EXPECT_LE(canvas->TextWidth(shown), name->Width());
  EXPECT_LE(name->Position()->X() + name->Width(), quality->Position()->X());
  EXPECT_EQ(main->PortNameText(), rtl::Utf8ToWide(longName)) << "the whole name is kept";
  Picture("port_panel_long_name.png");
  // A short one stays whole, and a smaller font gives the long one more of its characters.
  host->SetText(app::TControl::Port_Name, "COM3");
  EXPECT_EQ(name->Text(), u"COM3");
  host->SetText(app::TControl::Port_Name, longName);
  app::Model().Settings.Font_Size = 7;
  main->RunAction(app::Action_ApplyFonts);
  EXPECT_GT(name->Text().size(), shown.size());
}

TEST_F(PortWindowTest, ThePortPanelsThreeRowsAndTheIndicatorLabelsFitTheColumn) {
  Make();
  const app::TMainParts& p = main->Parts();
  EXPECT_EQ(p.HudLabel_Port_Name->Parent(), p.HudPanel_Port_Condition);
  EXPECT_EQ(p.HudLabel_Port_Connect_Stabil->Parent(), p.HudPanel_Port_Condition);
  // A column of another width than the design's, fitted again.
  const float w = 220;
  p.HudPanel_IND->SetWidth(w);
  main->FitPortPanel();
  main->FitIndicatorLabels();
  EXPECT_EQ(p.HudPanel_Port->Width(), w);
  for (vg::TvxVisualObject* row : {static_cast<vg::TvxVisualObject*>(p.HudPanel_Port_Condition),
                                   static_cast<vg::TvxVisualObject*>(p.HudButton_Port_Search)}) {
    EXPECT_EQ(row->Width(), w - 10);
    EXPECT_EQ(row->Position()->X(), 5);
  }
  EXPECT_EQ(p.HudLabel_DynamicIND->Width(), w);
  EXPECT_EQ(p.HudLabel_DynamicIND->Position()->X(), 0);
  // The quality at the row's right edge, the name's room up to it.
  const vg::TvxHudLabel* quality = p.HudLabel_Port_Connect_Stabil;
  EXPECT_EQ(quality->Position()->X() + quality->Width(), w - 10 - 4);
  EXPECT_EQ(p.HudLabel_Port_Name->Position()->X() + p.HudLabel_Port_Name->Width(), quality->Position()->X());
  for (std::size_t i = 0; i < p.IndicatorNames.size(); ++i) {
    EXPECT_EQ(p.IndicatorNames[i]->Width(), w);
    EXPECT_EQ(p.IndicatorValues[i]->Width(), w);
  }
  // Their texts keep 4 pixels from the panel's sides.
  vg::TvxHudLabel* value = p.IndicatorValues[0];
  value->ApplyResource();
  ASSERT_NE(value->Style(), nullptr);
  EXPECT_EQ(value->Style()->Position()->X(), 4);
  EXPECT_EQ(value->Style()->Width(), w - 8);
}

TEST(CutInMiddle, KeepsBothEndsWithinTheRoomAndNeverSplitsASurrogatePair) {
  // Ten pixels a unit.
  const auto width = [](const std::u16string& S) { return 10.0f * static_cast<float>(S.size()); };
  EXPECT_EQ(app::CutInMiddle(u"COM12", 50, width), u"COM12");
  EXPECT_EQ(app::CutInMiddle(u"/dev/ttyUSB0", 70, width), u"/de\u2026SB0");
  EXPECT_EQ(app::CutInMiddle(u"/dev/ttyUSB0", 80, width), u"/dev\u2026SB0") << "the odd unit goes to the start";
  EXPECT_EQ(app::CutInMiddle(u"/dev/ttyUSB0", 5, width), u"\u2026") << "no room: the ellipsis alone";
  // U+1D11E is two units: a cut through it moves inwards, leaving the pair out whole.
  const std::u16string clef = u"ab\U0001D11Ecd\U0001D11Eef";
  EXPECT_EQ(app::CutInMiddle(clef, 50, width), u"ab\u2026ef");
  EXPECT_EQ(app::CutInMiddle(clef, 70, width), u"ab\U0001D11E\u2026ef");
}

// The status line's layout: one line of text wraps at its blanks into the lines there are, the
// last cut at its end; a text of several lines keeps each on one line, cut at its end, the
// empty ones going first where the lines are too few.
TEST(FitLines, WrapsOneLineAndCutsEachOfSeveralAtItsEnd) {
  const auto width = [](const std::u16string& S) { return 10.0f * static_cast<float>(S.size()); };
  EXPECT_EQ(app::FitLines(u"Gas : 5.00 hours\n\rPetrol : 2.00 hours", 200, 3, width),
            u"Gas : 5.00 hours\n\nPetrol : 2.00 hours")
      << "LF CR breaks twice, as the canvas draws it";
  EXPECT_EQ(app::FitLines(u"Gas : 5.00 Betriebsstunden\n\rPetrol : 2.00 h", 120, 3, width),
            u"Gas : 5.00\u2026\n\nPetrol : 2.\u2026");
  EXPECT_EQ(app::FitLines(u"Gas : 5.00 Betriebsstunden\n\rPetrol : 2.00 h", 120, 2, width),
            u"Gas : 5.00\u2026\nPetrol : 2.\u2026")
      << "the empty line goes first";
  EXPECT_EQ(app::FitLines(u"Gas : 5.00 Betriebsstunden\n\rPetrol : 2.00 h", 120, 1, width), u"Gas : 5.00\u2026");
  EXPECT_EQ(app::FitLines(u"A\r\nB", 120, 1, width), u"A\u2026") << "the last line says that more follows";
  EXPECT_EQ(app::FitLines(u"Vaporizer pressure sensor - fatal error", 120, 3, width),
            u"Vaporizer\npressure\nsensor - fa\u2026");
  EXPECT_EQ(app::FitLines(u"Vaporizer pressure sensor - fatal error", 200, 3, width),
            u"Vaporizer pressure\nsensor - fatal error");
  EXPECT_EQ(app::FitLines(u"Verdampferdrucksensor defekt", 100, 2, width), u"Verdampfe\u2026\ndefekt")
      << "a word wider than the room is cut";
  EXPECT_EQ(app::FitLines(u"", 100, 0, width), u"");
}

}  // namespace

}  // namespace port_window_test
