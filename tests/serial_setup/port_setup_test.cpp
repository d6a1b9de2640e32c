// The port combo box bound to each kind of setting, and the port settings dialog driven from
// inside its modal loop against a port on a pseudo-terminal.
#include <gtest/gtest.h>

#include <SDL.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/comm/PortList.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "serial/setup/CPortCtl.h"
#include "serial/setup/CPortSetup.h"
#include "tests/comm/PtyPair.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_controls/ControlScene.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/SceneControl.h"
#include "tests/TestOutput.h"

namespace port_setup_test {

namespace {

using namespace cport;
using looptest::Later;
namespace fs = std::filesystem;

constexpr win::TModalResult GaveUp = 99;

// A port that counts how often it applies its settings as a whole.
class TCountingPort : public TComPort {
public:
  using TComPort::TComPort;
  int applied = 0;

protected:
  void ApplySettings() override {
    ++applied;
    TComPort::ApplySettings();
  }
};

// The machine's port list is a fake tree with no ports of its own; the extra ports (the
// pseudo-terminals of a test) come from the environment variable.
class PortSetup : public vgtest::ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    SetupDialogStartup();
    root_ = fs::temp_directory_path() / ("gascal-setup-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "sys/class/tty");
    comm::SetPortListRoot(root_.string());
    SetExtraPorts({});
  }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    ::unsetenv(comm::kExtraPortsVariable);
    comm::SetPortListRoot("/");
    fs::remove_all(root_);
    SetupDialogShutdown();
    ControlsTest::TearDown();
  }
  static void SetExtraPorts(const std::vector<std::string>& Names) {
    std::string v;
    for (const std::string& n : Names) v += (v.empty() ? "" : ":") + n;
    ::setenv(comm::kExtraPortsVariable, v.c_str(), 1);
  }
  static std::vector<std::string> Texts(TComComboBox& C) {
    std::vector<std::string> t;
    for (int i = 0; i < C.Items()->Count(); ++i) t.push_back(rtl::WideToUtf8(C.Items()->Get(i)));
    return t;
  }
  // What the user does: picks the item with this text from the drop-down list.
  static void Pick(TComComboBox& C, const std::string& Text) {
    const int i = C.Items()->IndexOf(rtl::Utf8ToWide(Text));
    ASSERT_GE(i, 0) << Text;
    C.SetItemIndex(i);
  }
  fs::path root_;
};

TEST_F(PortSetup, EachKindListsItsValuesAndShowsThePortsCurrentOne) {
  SetExtraPorts({"COM3", "COM10", "com2"});
  TComComboBox combo(nullptr);
  combo.SetComProperty(cpPort);
  EXPECT_EQ((std::vector<std::string>{"COM10", "com2", "COM3"}), Texts(combo));
  EXPECT_EQ("COM10", combo.Text()) << "without a port the first item";
  combo.SetComProperty(cpBaudRate);
  const std::vector<std::string> bauds = Texts(combo);
  ASSERT_EQ(16u, bauds.size());
  EXPECT_EQ("Custom", bauds.front());
  EXPECT_EQ("256000", bauds.back());
  combo.SetComProperty(cpDataBits);
  EXPECT_EQ((std::vector<std::string>{"5", "6", "7", "8"}), Texts(combo));
  combo.SetComProperty(cpStopBits);
  EXPECT_EQ((std::vector<std::string>{"1", "1.5", "2"}), Texts(combo));
  combo.SetComProperty(cpParity);
  EXPECT_EQ((std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}), Texts(combo));
  combo.SetComProperty(cpFlowControl);
  EXPECT_EQ((std::vector<std::string>{"Hardware", "Software", "None", "Custom"}), Texts(combo));
  combo.SetComProperty(cpNone);
  EXPECT_TRUE(Texts(combo).empty());
  EXPECT_EQ("", combo.Text());

  TComPort port(nullptr);
  port.SetBaudRate(br57600);
  port.Parity()->SetBits(prEven);
  port.FlowControl()->SetFlowControl(fcHardware);
  port.SetPort("com2");
  for (auto [kind, text] : std::vector<std::pair<TComProperty, std::string>>{
           {cpPort, "com2"}, {cpBaudRate, "57600"}, {cpDataBits, "8"}, {cpStopBits, "1"},
           {cpParity, "Even"}, {cpFlowControl, "Hardware"}}) {
    TComComboBox c(nullptr);
    c.SetComPort(&port);
    c.SetComProperty(kind);
    EXPECT_EQ(text, c.Text()) << "kind " << static_cast<int>(kind);
  }
}

TEST_F(PortSetup, APickReachesThePortAtOnceOnlyWithAutoApplyAndTheProgramsChoicesFireNothing) {
  TComPort port(nullptr);
  port.SetBaudRate(br57600);
  TComComboBox combo(nullptr);
  int changes = 0;
  combo.OnChange = [&](rtl::TObject*) { ++changes; };
  combo.SetComProperty(cpBaudRate);
  combo.SetComPort(&port);
  combo.SetText("19200");
  combo.UpdateSettings();
  EXPECT_EQ(0, changes) << "selections of the program are no picks";
  EXPECT_EQ("57600", combo.Text());

  Pick(combo, "9600");
  EXPECT_EQ(1, changes);
  EXPECT_EQ(br9600, combo.Selection().BaudRate);
  EXPECT_EQ(br57600, port.BaudRate()) << "no AutoApply: the port waits";
  combo.ApplySettings();
  EXPECT_EQ(br9600, port.BaudRate());

  combo.SetAutoApply(true);
  Pick(combo, "115200");
  EXPECT_EQ(br115200, port.BaudRate());
  EXPECT_EQ(2, changes);

  // A text the list does not hold selects nothing new.
  combo.SetText("12345");
  EXPECT_EQ("115200", combo.Text());
}

TEST_F(PortSetup, APortNameTheListDoesNotHoldIsKeptNotReplacedByNothing) {
  SetExtraPorts({"COM3"});
  TComPort port(nullptr);
  port.SetPort("/dev/gascal-unlisted");
  TComComboBox combo(nullptr);
  combo.SetComPort(&port);
  combo.SetComProperty(cpPort);
  EXPECT_EQ(-1, combo.ItemIndex());
  EXPECT_EQ("", combo.Text());
  combo.ApplySettings();
  EXPECT_EQ("/dev/gascal-unlisted", port.Port());
}

TEST_F(PortSetup, FreeingTheBoundPortUnbindsTheBoxAndSelectsTheFirstItem) {
  auto port = std::make_unique<TComPort>(nullptr);
  port->SetStopBits(sbTwoStopBits);
  TComComboBox combo(nullptr);
  combo.SetComProperty(cpStopBits);
  combo.SetComPort(port.get());
  EXPECT_EQ("2", combo.Text());
  port.reset();
  EXPECT_EQ(nullptr, combo.ComPort());
  EXPECT_EQ("1", combo.Text());
  combo.ApplySettings();  // nothing to write into
}

// Runs Steps on the dialog from inside its modal loop; a dialog still open afterwards is ended
// with GaveUp, so that steps that fail to close it fail the test instead of hanging it.
void InTheDialog(std::function<void(TComSetupFrm&)> Steps) {
  Later([Steps] {
    auto* dialog = dynamic_cast<TComSetupFrm*>(win::ActiveForm());
    ASSERT_NE(dialog, nullptr) << "the dialog is the active window";
    Steps(*dialog);
    if (dialog->ModalResult() == win::mrNone) dialog->SetModalResult(GaveUp);
  });
}

void Click(win::TCustomForm* Form, vg::TvxVisualObject* O) {
  const vg::TvxRect r = O->GetAbsoluteRect();
  const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
  win::SimulateMouseMove(Form, x, y);
  win::SimulateMouseButton(Form, rtl::mbLeft, true, x, y);
  win::SimulateMouseButton(Form, rtl::mbLeft, false, x, y);
}

TEST_F(PortSetup, OkInTheDialogAppliesTheLineSettingsOfAnOpenPortInOneStep) {
  PtyPair pty;
  SetExtraPorts({pty.path});
  TCountingPort port(nullptr);
  port.SetSetupDialog(&EditComPort);
  port.SetPort(pty.path);
  port.SetBaudRate(br57600);
  port.Open();
  ASSERT_TRUE(port.Connected());
  port.applied = 0;
  InTheDialog([&](TComSetupFrm& D) {
    EXPECT_EQ("Setup", D.Caption());
    EXPECT_EQ(TComSetupFrm::ClientWidthPx, D.Width());
    EXPECT_EQ(pty.path, D.Combo(0)->Text());
    EXPECT_EQ("57600", D.Combo(1)->Text());
    EXPECT_EQ("8", D.Combo(2)->Text());
    EXPECT_EQ("1", D.Combo(3)->Text());
    EXPECT_EQ("None", D.Combo(4)->Text());
    EXPECT_EQ("None", D.Combo(5)->Text());
    // The dialog as the user sees it (kept in the build tree's test-output folder): the Hud window's
    // dark face with light texts.
    rtl::Application->ProcessMessages();
    const std::vector<std::uint32_t> frame = D.PresentedFrame();
    vg::TvxBitmap picture;
    picture.SetSize(D.Width(), D.Height());
    std::copy(frame.begin(), frame.end(), picture.Bits());
    vg::TvxFilterGdiPlus().SaveToFile(testout::Path("port_setup.png"), picture, "");
    if (std::getenv("GASCAL_UPDATE_GALLERY"))
      vg::TvxFilterGdiPlus().SaveToFile(SERIAL_SETUP_TEST_DATA "/port_setup.png", picture, "");
    int light = 0, dark = 0;
    for (int y = 40; y < 200; ++y)
      for (int x = 10; x < 220; ++x) {
        const std::uint32_t p = D.PresentedPixel(x, y);
        const int sum = static_cast<int>(((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255));
        light += sum > 600 ? 1 : 0;
        dark += sum < 240 ? 1 : 0;
      }
    EXPECT_GT(light, 200) << "the labels and values";
    EXPECT_GT(dark, 10000) << "the window's face";
    Pick(*D.Combo(1), "9600");
    EXPECT_EQ(br57600, port.BaudRate()) << "nothing before OK";
    Click(&D, D.OkButton());
  });
  EXPECT_TRUE(port.ShowSetupDialog());
  EXPECT_EQ(br9600, port.BaudRate());
  EXPECT_EQ(1, port.applied);
  EXPECT_TRUE(port.Connected());
  EXPECT_FALSE(port.PortFailed());
  termios t{};
  ASSERT_EQ(0, tcgetattr(pty.master, &t));
  EXPECT_EQ(B9600, cfgetospeed(&t));
}

TEST_F(PortSetup, CancelChangesNothingAndANewNameReopensThePortThere) {
  PtyPair first, second;
  SetExtraPorts({first.path, second.path});
  TComPort port(nullptr);
  port.SetSetupDialog(&EditComPort);
  port.SetPort(first.path);
  port.Open();
  int opened = 0, closed = 0;
  port.OnAfterOpen = [&](rtl::TObject*) { ++opened; };
  port.OnAfterClose = [&](rtl::TObject*) { ++closed; };
  InTheDialog([&](TComSetupFrm& D) {
    Pick(*D.Combo(0), second.path);
    Pick(*D.Combo(1), "300");
    win::SimulateKeyStroke(&D, SDLK_ESCAPE);
  });
  EXPECT_FALSE(port.ShowSetupDialog());
  EXPECT_EQ(first.path, port.Port());
  EXPECT_EQ(br9600, port.BaudRate());
  EXPECT_EQ(0, opened + closed);

  InTheDialog([&](TComSetupFrm& D) {
    Pick(*D.Combo(0), second.path);
    win::SimulateKeyStroke(&D, SDLK_RETURN);
  });
  EXPECT_TRUE(port.ShowSetupDialog());
  EXPECT_EQ(second.path, port.Port());
  EXPECT_EQ(1, closed);
  EXPECT_EQ(1, opened);
  EXPECT_TRUE(port.Connected());
  EXPECT_FALSE(port.PortFailed());
  port.OnAfterOpen = port.OnAfterClose = nullptr;
}

TEST_F(PortSetup, TheDialogOpensInTheMiddleOfTheScreen) {
  PtyPair pty;
  SetExtraPorts({pty.path});
  TComPort port(nullptr);
  port.SetPort(pty.path);
  port.SetSetupDialog(&EditComPort);
  const win::TRect a = win::ScreenWorkArea();
  int seen = 0;
  InTheDialog([&](TComSetupFrm& D) {
    ++seen;
    EXPECT_LE(std::abs(D.Left() + D.Width() / 2 - (a.Left + a.Width() / 2)), 1);
    EXPECT_LE(std::abs(D.Top() + D.Height() / 2 - (a.Top + a.Height() / 2)), 1);
  });
  EXPECT_FALSE(port.ShowSetupDialog());
  EXPECT_EQ(seen, 1);
}

TEST_F(PortSetup, APortListThatCannotBeReadFailsTheDialogBeforeItShows) {
  fs::remove_all(root_);
  TComPort port(nullptr);
  port.SetSetupDialog(&EditComPort);
  try {
    port.ShowSetupDialog();
    ADD_FAILURE() << "the dialog showed without a port list";
  } catch (const EComPort& e) {
    EXPECT_EQ(CError_RegError, e.Code);
  }
  EXPECT_EQ(nullptr, win::ActiveForm());
  port.SetSetupDialog(nullptr);
  EXPECT_FALSE(port.ShowSetupDialog()) << "no dialog installed: nothing to show";
}

}  // namespace

}  // namespace port_setup_test
