// The Setup page's number boxes on a real X screen (Xvfb) against the ECU simulator: a number
// half typed goes nowhere, one entered goes to the ECU once; a value
// beyond what its ECU parameter carries (the temperature beyond the sensor table, the delay on
// the ECU's code for none), typed and entered, is held to it in the box, the model, the file
// and on the wire alike, also when it has more digits than an integer holds, and the box draws
// the held value whole; a text that is no number is reported naming the box. On Settings,
// digits typed after the click that focuses a number box replace its number, and a text that
// is no number is reported once, after which the box shows the delay in force.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/core/Model.h"
#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Page_CFG.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/win/InputMethod.h"
#include "tests/TestOutput.h"
#include "tests/XTest.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/NumberBox.h"

namespace setup_values_screen_test {

namespace {

using namespace std::chrono_literals;

// Far beyond what a step of the Settings window needs; only a lost event runs into it.
constexpr auto Guard = 60s;

TEST(SetupValuesScreen, ANumberBeyondItsRangeIsHeldAlikeInTheBoxTheFileAndTheEcu) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("SetupValuesScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

// The same with a window manager, which places and frames the settings window the keys are typed
// into.
TEST(SetupValuesScreen, ANumberTypedIntoTheSettingsReachesThemUnderOpenbox) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable() || !wmtest::OpenboxInstalled()) GTEST_SKIP() << "xvfb-run, xwd or openbox is missing";
  EXPECT_EQ(apptest::RunUnderXvfb("SetupValuesScreenChild.*", wmtest::TManager::Openbox), 0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

class SetupValuesScreenChild : public apptest::ReportingScreenTest {
protected:
  // The sensor table: 150.0 degrees down to -54.6 in steps of 0.2. With it in place no message
  // about a missing table comes when the first temperatures do.
  void WriteSensorTable() {
    std::string table;
    for (int i = 0; i < ecu::SensorTableEntries; ++i) {
      const auto e = static_cast<std::uint16_t>(static_cast<std::int16_t>(1500 - 2 * i));
      table += static_cast<char>(e & 0xFF);
      table += static_cast<char>(e >> 8);
    }
    folder.Write("gascal.dat", table);
    ecu::Session().ConfigData.SensorTableFileName = (folder.Path() / "gascal.dat").string();
  }
  // The box's text replaced by Text as the installer types it, then Enter, once the last write
  // has ended (the wait window gone) and the ECU has been read since the link last went down.
  void Enter(vg::TvxHudComboTextBox* Box, const std::string& Text) {
    ASSERT_TRUE(RunUntil([] { return !app::Model().Messages.WaitWindowShown; }, Guard)) << "the write never ends";
    ASSERT_TRUE(RunUntilEcuRead()) << "the ECU was not read again after the link went down";
    Click(main.get(), Box, 10);
    ASSERT_TRUE(Box->IsFocused());
    for (int i = 0; i < 12; ++i) Key(127);  // Delete
    for (int i = 0; i < 12; ++i) Key('\b');
    ASSERT_EQ(Box->Text(), u"") << "the active window: " << (win::ActiveForm() ? win::ActiveForm()->Name() : "none");
    for (char c : Text) Type(c, 30ms);
    ASSERT_EQ(rtl::WideToUtf8(Box->Text()), Text);
    Key('\r');
  }
  // The pixels of a box's text area on the screen now (its edges, where the focus frame
  // fades in and out, left aside): what the box draws of its text.
  std::vector<std::uint32_t> DrawnText(win::TCustomForm* Form, vg::TvxCustomTextBox* Box) {
    vgtest::Screenshot screen;
    if (!ReadScreen(screen)) return {};
    const vg::TvxRect c = Box->GetContentRect();
    const vg::TvxPoint from = Box->LocalToAbsolute({c.Left, c.Top + 2});
    const vg::TvxPoint to = Box->LocalToAbsolute({c.Right, c.Bottom - 2});
    std::vector<std::uint32_t> pixels;
    for (int y = Form->Top() + static_cast<int>(from.Y); y < Form->Top() + static_cast<int>(to.Y); ++y)
      for (int x = Form->Left() + static_cast<int>(from.X); x < Form->Left() + static_cast<int>(to.X); ++x)
        pixels.push_back(x >= 0 && y >= 0 && x < screen.width && y < screen.height ? screen.At(x, y) : 0);
    return pixels;
  }
  // The same once it no longer changes (fonts applied, focus frames faded), to compare with.
  std::vector<std::uint32_t> SettledText(win::TCustomForm* Form, vg::TvxCustomTextBox* Box) {
    EXPECT_TRUE(RunUntilActionsDone()) << "the fonts were never applied";
    std::vector<std::uint32_t> before = DrawnText(Form, Box), now;
    EXPECT_TRUE(RunUntil(
        [&] {
          RunFor(200ms);
          now = DrawnText(Form, Box);
          return std::exchange(before, now) == now;
        },
        Guard))
        << "the box never stops changing";
    return now;
  }
  // How many of the pixels are light: the Hud boxes draw their text white on a dark face.
  static int Light(const std::vector<std::uint32_t>& Pixels) {
    int n = 0;
    for (std::uint32_t p : Pixels) n += ((p >> 8) & 0xFF) > 0xA0;
    return n;
  }
  // The point of an object of Form on the screen.
  static std::pair<int, int> ScreenPoint(win::TCustomForm* Form, vg::TvxVisualObject* Object) {
    const vg::TvxPoint p = Object->LocalToAbsolute({Object->Width() / 2, Object->Height() / 2});
    return {Form->Left() + static_cast<int>(p.X), Form->Top() + static_cast<int>(p.Y)};
  }
  // A press and release of the X server's pointer in the middle of an object of Form.
  void XClick(xtest::TXTest& X, win::TCustomForm* Form, vg::TvxVisualObject* Object) {
    const auto [x, y] = ScreenPoint(Form, Object);
    ASSERT_TRUE(X.MoveTo(x, y));
    ASSERT_TRUE(X.Button(1, true));
    ASSERT_TRUE(X.Button(1, false));
  }
  // The program's loop until Done holds: what a handler raises is reported, and the loop goes
  // on, as the program's own loop does.
  bool RunReporting(const std::function<bool()>& Done) {
    for (int raised = 0; raised < 100; ++raised) {
      try {
        return RunUntil(Done, Guard);
      } catch (...) {
        rtl::Application->HandleException(nullptr);
      }
    }
    return Done();
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
  WriteSensorTable();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  ASSERT_TRUE(RunUntilActionsDone()) << "the start-up's actions never ended";
  const app::TPageCFGParts& page = main->PageCFG()->Parts();
  const ecu::Configuration_Class& config = *ecu::Session().ConfigData.Configuration;
  vg::TvxHudComboTextBox* rpm = page.HudComboTextBox_CFG_PG_RPM;

  // Half typed: "3" on the way to 3000 goes nowhere, however long the installer pauses (it went
  // out as 458 rpm); Enter writes 3000 once, and leaving the box then writes nothing more.
  {
    ASSERT_TRUE(RunUntilEcuRead()) << "the ECU was not read again after the link went down";
    const std::uint16_t before = sim->State().Params['C'];
    const int writes = host->WaitShown;
    Click(main.get(), rpm, 10);
    ASSERT_TRUE(rpm->IsFocused());
    Type('3');
    ASSERT_EQ(rpm->Text(), u"3");
    RunFor(3s);  // twice the transmission delay: nothing may come
    EXPECT_EQ(host->WaitShown, writes) << "a write was asked for while the number was typed";
    EXPECT_EQ(sim->State().Params['C'], before);
    EXPECT_NE(config.PG_RPM, 458);
    for (char c : std::string("000")) Type(c);
    Key('\r');
    std::uint8_t h3000 = 0, l3000 = 0;
    ecu::RPMToPeriodBytes(3000, h3000, l3000);
    EXPECT_TRUE(RunUntil([&] { return sim->State().Params['C'] == h3000 * 256 + l3000; }, 6s)) << "3000 not written";
    Click(main.get(), page.HudComboTextBox_CFG_PG_Temper, 10);
    ASSERT_FALSE(rpm->IsFocused());
    RunFor(3s);
    EXPECT_EQ(host->WaitShown, writes + 1) << "3000 was written more than once";
    EXPECT_TRUE(reports.empty()) << reports.front();
  }

  // The switch-over speed: 99999 becomes 8000 everywhere.
  Enter(rpm, "99999");
  EXPECT_EQ(rpm->Text(), u"8000");
  EXPECT_EQ(config.PG_RPM, 8000);
  EXPECT_EQ(SavedValue("PG_RPM"), "8000");
  std::uint8_t h = 0, l = 0;
  ecu::RPMToPeriodBytes(8000, h, l);
  EXPECT_TRUE(RunUntil([&] { return sim->State().Params['C'] == h * 256 + l; }, 6s)) << "8000 was not written";
  // What the box draws holding 8000, once the focus has gone to the next box.
  Click(main.get(), page.HudComboTextBox_CFG_PG_Temper, 10);
  ASSERT_FALSE(rpm->IsFocused());
  const std::vector<std::uint32_t> drawn8000 = SettledText(main.get(), rpm);
  ASSERT_GT(Light(drawn8000), 20) << "the number is drawn";
  // From another value, however long, a number is held the same way and nothing refuses it;
  // the box draws the held number whole, from its first digit, also after the focus left.
  Enter(rpm, "3000");
  EXPECT_EQ(rpm->Text(), u"3000");
  EXPECT_TRUE(RunUntil([&] { return sim->State().Params['C'] != h * 256 + l; }, 6s)) << "3000 was not written";
  Enter(rpm, "12345678901234567890");
  EXPECT_EQ(rpm->Text(), u"8000");
  EXPECT_EQ(rpm->FirstVisibleChar(), 1);
  EXPECT_EQ(config.PG_RPM, 8000);
  EXPECT_EQ(SavedValue("PG_RPM"), "8000");
  EXPECT_TRUE(reports.empty()) << reports.front();
  Click(main.get(), page.HudComboTextBox_CFG_PG_Temper, 10);
  ASSERT_FALSE(rpm->IsFocused());
  EXPECT_EQ(rpm->FirstVisibleChar(), 1);
  std::vector<std::uint32_t> drawn;
  EXPECT_TRUE(RunUntil([&] { return (drawn = DrawnText(main.get(), rpm)) == drawn8000; }, Guard))
      << "the box draws " << Light(drawn) << " light pixels where 8000 has " << Light(drawn8000);

  // The temperature and the delay: held to what their parameters carry. The temperature goes
  // out as the table's nearest entry, the first (150.0 degrees), and is held to it.
  Enter(page.HudComboTextBox_CFG_PG_Temper, "99999");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Temper->Text(), u"150");
  EXPECT_EQ(config.PG_Temper, 150);
  EXPECT_EQ(SavedValue("PG_Temper"), "150");
  EXPECT_TRUE(RunUntil([&] { return sim->State().Params['A'] == 0; }, 6s)) << "150 was not written";
  Enter(page.HudComboTextBox_CFG_PG_Temper, "-99");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Temper->Text(), u"-54");
  EXPECT_EQ(SavedValue("PG_Temper"), "-54");
  EXPECT_TRUE(RunUntil([&] { return sim->State().Params['A'] == 1020; }, 6s)) << "-54 was not written";
  // 12.8 s would go out as the ECU's code for none and read back as 0.
  Enter(page.HudComboTextBox_CFG_PG_Time, "12.8");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Time->Text(), u"12.7");
  EXPECT_EQ(config.PG_Time, 127);
  EXPECT_TRUE(RunUntil([&] { return (sim->State().Params['R'] >> 8) == 127; }, 6s)) << "12.7 s was not written";
  Enter(page.HudComboTextBox_CFG_PG_Time, "999");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Time->Text(), u"25.5");
  EXPECT_EQ(config.PG_Time, 255);
  EXPECT_TRUE(RunUntil([&] { return (sim->State().Params['R'] >> 8) == 255; }, 6s)) << "25.5 s was not written";
  EXPECT_TRUE(reports.empty()) << reports.front();

  // No number: the report names the box, which gets the model's value back.
  Enter(page.HudComboTextBox_CFG_PG_Temper, "abc");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "Switch to gas when temperature: 'abc' is not a valid integer value");
  EXPECT_EQ(page.HudComboTextBox_CFG_PG_Temper->Text(), u"-54");

  RunFor(300ms);
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_values_held.png");

  // Settings, with the X server's own pointer and keys: the click into the transmission
  // delay selects its number, so the digits typed next replace it.
  const std::size_t reported = reports.size();
  xtest::TXTest x;
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
  const auto settings = app::TForm_3D_SET::Create();
  settings->Show();
  vg::TvxHudNumberBox* delay = settings->Parts().HudNumberBox_3D_SET_Transmit_CFG_Delay;
  ASSERT_TRUE(RunUntil([&] { return delay->Text() == u"1500"; }, Guard)) << "the delay is not shown";
  const vg::TvxPoint p = delay->LocalToAbsolute({delay->Width() / 2, delay->Height() / 2});
  ASSERT_TRUE(x.MoveTo(settings->Left() + static_cast<int>(p.X), settings->Top() + static_cast<int>(p.Y)));
  ASSERT_TRUE(x.Button(1, true));
  ASSERT_TRUE(RunUntil([&] { return delay->Dragging(); }, Guard)) << "the press did not reach the box";
  ASSERT_TRUE(x.Button(1, false));
  ASSERT_TRUE(RunUntil([&] { return !delay->Dragging(); }, Guard)) << "the release did not reach the box";
  ASSERT_TRUE(delay->IsFocused());
  for (unsigned long digit : {'2', '0', '0', '0'}) {
    const std::u16string before = delay->Text();
    ASSERT_TRUE(x.Type(digit));
    ASSERT_TRUE(RunUntil([&] { return delay->Text() != before; }, Guard)) << "a key did not reach the box";
  }
  EXPECT_EQ(delay->Text(), u"2000");
  ASSERT_TRUE(x.Type(0xFF0D));  // Return
  EXPECT_TRUE(RunUntil([&] { return app::Model().Settings.CFG_Transmit_Delay == 2000; }, Guard))
      << app::Model().Settings.CFG_Transmit_Delay;
  EXPECT_EQ(reports.size(), reported) << reports.back();
}

// A text that is no number entered into a delay box of Settings, with the program's message
// window: reported once; after OK the box shows the delay in force (drawn, not only its text),
// and leaving the box brings no second report. The program code alike.
TEST_F(SetupValuesScreenChild, ARefusedDelayGivesWayToTheDelayInForce) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  WriteSensorTable();
  ASSERT_TRUE(RunReporting([&] { return app::Model().Actions.MainWindowShown; }));
  // What escapes a handler goes to the message window, as in the program.
  const auto message = app::TForm_3D_MSG::Create();
  host->MessagesShown = true;
  rtl::Application->OnException = [this](rtl::TObject*, const std::exception& E) {
    reports.push_back(E.what());
    host->ShowMessageWindow(13, E.what());
  };
  xtest::TXTest x;
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
  const auto settings = app::TForm_3D_SET::Create();
  settings->Show();
  const app::TSetParts& p = settings->Parts();
  vg::TvxHudNumberBox* delay = p.HudNumberBox_3D_SET_Transmit_CFG_Delay;
  ASSERT_TRUE(RunReporting([&] { return delay->Text() == u"1500"; })) << "the delay is not shown";
  ASSERT_TRUE(x.MoveTo(0, 0));  // the pointer away from the boxes
  const std::vector<std::uint32_t> drawn1500 = SettledText(settings.get(), delay);
  ASSERT_GT(Light(drawn1500), 20) << "the delay is drawn";
  vg::TvxHudTextBox* code = p.HudTextBox_SET_Program_Code;
  ASSERT_EQ(code->Text(), u"25");
  const std::vector<std::uint32_t> drawn25 = DrawnText(settings.get(), code);

  XClick(x, settings.get(), delay);
  ASSERT_TRUE(RunReporting([&] { return delay->IsFocused() && !delay->Dragging(); })) << "the click did not focus";
  ASSERT_TRUE(x.Type('-'));
  ASSERT_TRUE(RunReporting([&] { return delay->Text() == u"-"; })) << "the key did not reach the box";
  ASSERT_TRUE(x.Type(0xFF0D));  // Return
  ASSERT_TRUE(RunReporting([&] { return !host->Messages.empty(); })) << "nothing was reported";
  EXPECT_EQ(host->Messages[0],
            "13: Transmission delay changed configuration, ms: '-' is no number; the box takes "
            "whole milliseconds from 1 to 100000");
  EXPECT_EQ(app::Model().Settings.CFG_Transmit_Delay, 1500);
  ASSERT_TRUE(RunReporting([&] { return message->Showing() && !message->Buttons().empty(); }))
      << "the message window did not show";
  XClick(x, message.get(), message->Buttons().front());
  ASSERT_TRUE(RunReporting([&] { return !message->Showing(); })) << "OK did not close the message";
  EXPECT_EQ(delay->Text(), u"1500");
  EXPECT_EQ(app::Model().Settings.CFG_Transmit_Delay, 1500);

  // The focus goes to the reply delay: no second report, and the box draws 1500 as before.
  XClick(x, settings.get(), p.HudNumberBox_3D_SET_Port_Delay);
  ASSERT_TRUE(RunReporting([&] { return p.HudNumberBox_3D_SET_Port_Delay->IsFocused(); }));
  std::vector<std::uint32_t> drawn;
  EXPECT_TRUE(RunReporting([&] { return (drawn = DrawnText(settings.get(), delay)) == drawn1500; }))
      << "the box draws " << Light(drawn) << " light pixels where 1500 has " << Light(drawn1500);
  EXPECT_EQ(delay->Text(), u"1500");
  EXPECT_TRUE(reports.empty()) << reports.back();
  EXPECT_EQ(host->Messages.size(), 1u) << host->Messages.back();

  // The program code: a text that is no decimal number ("x9", which the integer conversion
  // read as 9) is reported in the delay boxes' words, and the box shows the code in force.
  XClick(x, settings.get(), code);
  ASSERT_TRUE(RunReporting([&] { return code->IsFocused(); }));
  ASSERT_TRUE(x.Type('x'));
  ASSERT_TRUE(x.Type('9'));
  ASSERT_TRUE(RunReporting([&] { return code->Text() == u"x9"; })) << "the keys did not reach the box";
  ASSERT_TRUE(x.Type(0xFF0D));
  ASSERT_TRUE(RunReporting([&] { return host->Messages.size() == 2; })) << "nothing was reported";
  EXPECT_EQ(host->Messages[1], "13: Program code: 'x9' is no number; the box takes whole numbers from 0 to 255");
  EXPECT_TRUE(reports.empty()) << reports.front();
  EXPECT_EQ(code->Text(), u"25");
  EXPECT_EQ(app::Model().Settings.Program_Code, 25);
  ASSERT_TRUE(RunReporting([&] { return message->Showing() && !message->Buttons().empty(); }))
      << "the message window did not show";
  XClick(x, message.get(), message->Buttons().front());
  ASSERT_TRUE(RunReporting([&] { return !message->Showing(); })) << "OK did not close the message";
  XClick(x, settings.get(), delay);
  ASSERT_TRUE(RunReporting([&] { return delay->IsFocused(); }));
  EXPECT_TRUE(RunReporting([&] { return (drawn = DrawnText(settings.get(), code)) == drawn25; }))
      << "the code box draws " << Light(drawn) << " light pixels where 25 has " << Light(drawn25);
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "settings_delay_refused.png");
  rtl::Application->OnException = [this](rtl::TObject*, const std::exception& E) { reports.push_back(E.what()); };
}

}  // namespace

}  // namespace setup_values_screen_test
