// The program on a real X screen (Xvfb) and a real clock, against the ECU simulator on a
// pseudo-terminal. A test runs its own program again on a fresh Xvfb for a child fixture; the
// child fixture starts the simulator, makes and shows the main window on the configured port,
// runs the program's loop until something holds, and reads the screen back with xwd.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ecu/Session.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/InputMethod.h"
#include "platform/win/WindowSystem.h"
#include "tests/TestOutput.h"
#include "tests/app_ui/MainWindow.h"
#include "tests/vg2d_core/Screenshot.h"
#include "tools/ecusim/Simulator.h"
#include "vg2d/controls/TextControls.h"

namespace apptest {

// Runs this test program's tests that match Filter under a fresh Xvfb screen large enough for
// the main window, bare or under a window manager; the exit status (0 when they passed).
inline int RunUnderXvfb(const std::string& Filter, wmtest::TManager Manager = wmtest::TManager::Bare) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0) return -1;
  const std::string command = std::string("GASCAL_XVFB_CHILD=1 SDL_VIDEODRIVER=x11 LSAN_OPTIONS=suppressions=") +
                              VG2D_CORE_TEST_DATA "/xvfb-lsan.supp" + " " + vgtest::XvfbRun("1280x1024x24") + " " +
                              wmtest::ChildCommand(Manager, self, "--gtest_filter=" + Filter) + " 2>&1";
  return std::system(command.c_str());
}

// "#AARRGGBB" as a pixel.
inline std::uint32_t Argb(const std::string& Color) {
  return static_cast<std::uint32_t>(std::stoul(Color.substr(1), nullptr, 16));
}

// Whether some pixel of the screen rectangle is within Tolerance of Color.
inline bool AnyPixelNear(const vgtest::Screenshot& S, int Left, int Top, int Width, int Height, std::uint32_t Color,
                         int Tolerance) {
  for (int y = std::max(Top, 0); y < std::min(Top + Height, S.height); ++y)
    for (int x = std::max(Left, 0); x < std::min(Left + Width, S.width); ++x)
      if (vgtest::Near(S.At(x, y), Color, Tolerance)) return true;
  return false;
}

// The child side: the simulator (with the state SimulatorState gives) on a pseudo-terminal that
// the settings file names as the port, the windows' host recording, the main window made and
// shown by ShowMain.
class SimulatorScreenTest : public ::testing::Test {
protected:
  using Clock = std::chrono::steady_clock;

  // The ECU the simulator plays; a fixture overrides it for another engine.
  virtual ecusim::EcuState SimulatorState() const { return ecusim::DefaultState(); }

  void SetUp() override {
    model = std::make_unique<app::TModel>();
    ecusim::SimulatorOptions options;
    options.LinkPath = (folder.Path() / "ecu").string();
    sim = std::make_unique<ecusim::Simulator>(SimulatorState(), options);
    sim->Start();
    link = options.LinkPath;
    ::setenv("GASCAL_EXTRA_PORTS", link.c_str(), 1);
    folder.Write("gascal.ini", "Port_Name                    " + link + " {}\r\nSearch_Port                  False {}\r\n");
    host = std::make_unique<RecordingHost>();
  }
  void TearDown() override {
    port.reset();
    main.reset();
    host.reset();
    rtl::Application->ProcessMessages();
    sim.reset();
    ::unsetenv("GASCAL_EXTRA_PORTS");
    model.reset();
  }
  // Makes the program's windows as the program does and shows the main window; the time it
  // was shown.
  Clock::time_point ShowMain() {
    main = app::TForm_3D_GEN::Create("/usr/local/bin/gascal");
    port = app::TForm_3D_PortView::Create();
    main->SetPortWindow(port->Link());
    win::SetMainForm(main.get());
    const auto shown = Clock::now();
    main->Show();
    return shown;
  }
  // Runs the program's loop on the real clock until Done holds; true when it held. Limit is only
  // a guard against a wait that never ends: a busy machine may take far longer than the program
  // needs on an idle one, so the guard is never under a minute.
  bool RunUntil(const std::function<bool()>& Done, Clock::duration Limit) {
    return Run(Done, std::max<Clock::duration>(Limit, std::chrono::minutes(1)));
  }
  // Runs the program's loop on the real clock for Time.
  void RunFor(Clock::duration Time) {
    Run([] { return false; }, Time);
  }
  // Whether the main window's queued actions (the start-up's logo, layout, fonts and port; the
  // fonts fitted again after new texts, buttons or windows) have all run. What they changed is
  // drawn within the same turn of the loop, so after a turn that finds them done the screen
  // shows it.
  static bool ActionsDone() { return app::Model().Actions.ActionCount == 0; }
  // Runs the loop until the link is up and the ECU has been read since it last went down (the
  // live values follow the read). A machine busy enough to starve the link for its step
  // time-out takes it down, and the read that follows puts the ECU's values back into every
  // box: an edit made before then would be overwritten.
  bool RunUntilEcuRead() {
    return RunUntil([&] { return ecu::Session().Link.LinkUp && host->LiveDataSinceLinkLost > 0; },
                    std::chrono::minutes(1));
  }
  // Runs the loop until the queued actions have all run.
  bool RunUntilActionsDone() { return RunUntil(ActionsDone, std::chrono::minutes(1)); }
  // Runs the loop until the main window is Width x Height as the X server has it: every size
  // the server reported for the resizes asked so far has been handled (a late report of an
  // older size would otherwise change the window again after the test looked). A failure says
  // the size the window kept.
  ::testing::AssertionResult RunUntilSized(int Width, int Height) {
    const bool sized = RunUntil(
        [&] {
          win::detail::XSyncConnection(win::detail::XConnectionOf(main->Window()));
          win::PumpEvents();
          rtl::Application->ProcessMessages();
          return main->Width() == Width && main->Height() == Height;
        },
        std::chrono::minutes(1));
    if (sized) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window is " << main->Width() << " x " << main->Height();
  }

private:
  // Turns the loop until Done holds after a turn, at least once however busy the machine is.
  bool Run(const std::function<bool()>& Done, Clock::duration Limit) {
    const auto end = Clock::now() + Limit;
    do {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
      Watch();
      if (Done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (Clock::now() < end);
    return false;
  }

protected:
  // What the status line and the R.P.M. indicator have shown.
  void Watch() {
    const std::u16string status = main->Parts().HudLabel_DynamicIND->Text();
    if (statusSeen.empty() || statusSeen.back() != status) statusSeen.push_back(status);
    rpmSeen.insert(main->Parts().IndicatorValues[app::IND_RPM]->Text());
  }
  bool StatusShowed(const std::u16string& Text) const {
    return std::find(statusSeen.begin(), statusSeen.end(), Text) != statusSeen.end();
  }
  // The whole screen now.
  bool ReadScreen(vgtest::Screenshot& Screen) const {
    const std::string shot = (folder.Path() / "screen.xwd").string();
    return std::system(("xwd -root -silent -out " + shot).c_str()) == 0 && vgtest::ReadXwd(shot, Screen);
  }
  // Where a point of the object lies on the screen.
  std::pair<int, int> OnScreen(vg::TvxVisualObject* Object, float X = 0, float Y = 0) const {
    const vg::TvxPoint p = Object->LocalToAbsolute({X, Y});
    return {main->Left() + static_cast<int>(p.X), main->Top() + static_cast<int>(p.Y)};
  }
  // The window's part of the screen, kept as Name in the build tree's test-output folder and, with
  // GASCAL_UPDATE_GALLERY set, as the reference picture of that name in tests/app_ui/data.
  void KeepWindowPicture(const vgtest::Screenshot& Screen, const std::string& Name) const {
    const int left = main->Left(), top = main->Top(), width = main->Width(), height = main->Height();
    vg::TvxBitmap picture;
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        picture.Bits()[y * width + x] = (left + x >= 0 && top + y >= 0 && left + x < Screen.width &&
                                         top + y < Screen.height)
                                            ? Screen.At(left + x, top + y)
                                            : 0xFF000000u;
    vg::TvxFilterGdiPlus().SaveToFile(testout::Path(Name), picture, "");
    if (std::getenv("GASCAL_UPDATE_GALLERY"))
      vg::TvxFilterGdiPlus().SaveToFile(std::string(APP_UI_TEST_DATA "/") + Name, picture, "");
  }

  Libraries libraries;
  WorkFolder folder;
  // The program's state as at start, fresh for each test.
  std::unique_ptr<app::TModel> model;
  std::unique_ptr<ecusim::Simulator> sim;
  std::string link;
  std::unique_ptr<RecordingHost> host;
  std::unique_ptr<app::TForm_3D_GEN> main;
  std::unique_ptr<app::TForm_3D_PortView> port;
  std::vector<std::u16string> statusSeen;
  std::set<std::u16string> rpmSeen;
};

// A child fixture that drives the main window with the mouse and the keyboard: what the program's
// loop reports (Application->OnException) is collected in reports, and so is what a key's
// handlers raise when Key presses it.
class ReportingScreenTest : public SimulatorScreenTest {
protected:
  void SetUp() override {
    SimulatorScreenTest::SetUp();
    rtl::Application->OnException = [this](rtl::TObject*, const std::exception& E) { reports.push_back(E.what()); };
  }
  void TearDown() override {
    rtl::Application->OnException = nullptr;
    SimulatorScreenTest::TearDown();
  }
  // A press and release at a point of an object of Form's scene (client coordinates; the middle
  // by default), then Settle of the loop.
  void Click(win::TCustomForm* Form, vg::TvxVisualObject* Object, float X = -1, float Y = -1,
             Clock::duration Settle = std::chrono::milliseconds(50)) {
    const vg::TvxPoint p = Object->LocalToAbsolute({X < 0 ? Object->Width() / 2 : X, Y < 0 ? Object->Height() / 2 : Y});
    const int x = static_cast<int>(p.X), y = static_cast<int>(p.Y);
    win::SimulateMouseMove(Form, x, y);
    win::SimulateMouseButton(Form, rtl::mbLeft, true, x, y);
    win::SimulateMouseButton(Form, rtl::mbLeft, false, x, y);
    RunFor(Settle);
  }
  // A key pressed and released on the main window; what its handlers raise is reported as the
  // loop reports it.
  void Key(std::int32_t SdlKey, Clock::duration Settle = std::chrono::milliseconds(30)) {
    try {
      win::SimulateKey(main.get(), SdlKey, true);
      win::SimulateKey(main.get(), SdlKey, false);
    } catch (const std::exception& e) {
      reports.push_back(e.what());
    }
    RunFor(Settle);
  }
  // A character as the keyboard gives it: down, the text it types while text input is on, up.
  void Type(char Char, Clock::duration Settle = std::chrono::milliseconds(50)) {
    win::SimulateKey(main.get(), Char, true);
    if (win::TextInputActive()) win::SimulateText(main.get(), std::string(1, Char));
    win::SimulateKey(main.get(), Char, false);
    RunFor(Settle);
  }

  std::vector<std::string> reports;
};

}  // namespace apptest
