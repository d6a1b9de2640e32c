// The installer's first minutes, on a real X screen (Xvfb) and a real clock, against the ECU
// simulator on a pseudo-terminal: the port opens green, the ECU is read ("Receiv data", then
// "Data loaded"), the title gains the firmware, the indicators move; a changed switch-over
// speed is written once after the delay and the ECU keeps it; "G" switches to gas; closing
// lets go of the port and writes the settings. The screen is read back and checked at chosen
// pixels, and kept as the reference picture of the main window.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "platform/loop/Timer.h"
#include "app/ui/Page_CFG.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "platform/comm/SerialPort.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/rtl/CodePage.h"
#include "serial/CPort.h"
#include "tests/app_ui/MainWindow.h"
#include "tests/vg2d_core/Screenshot.h"
#include "tools/ecusim/Simulator.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs this program's scenario under a fresh Xvfb screen large enough for the window.
int RunScenarioUnderXvfb() {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0) return -1;
  const std::string command = std::string("GASCAL_XVFB_CHILD=1 SDL_VIDEODRIVER=x11 LSAN_OPTIONS=suppressions=") +
                              VG2D_CORE_TEST_DATA "/xvfb-lsan.supp" +
                              " xvfb-run -a -s '-screen 0 1280x1024x24' '" + self +
                              "' --gtest_filter=ScenarioChild.* 2>&1";
  return std::system(command.c_str());
}

TEST(Scenario, TheProgramConnectsReadsWritesSwitchesAndClosesOnARealScreen) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(RunScenarioUnderXvfb(), 0) << "the run under Xvfb failed (its output is above)";
}

std::uint32_t Argb(const std::string& Color) { return static_cast<std::uint32_t>(std::stoul(Color.substr(1), nullptr, 16)); }

// Whether some pixel of the screen rectangle is within Tolerance of Color.
bool AnyPixelNear(const vgtest::Screenshot& S, int Left, int Top, int Width, int Height, std::uint32_t Color,
                  int Tolerance) {
  for (int y = std::max(Top, 0); y < std::min(Top + Height, S.height); ++y)
    for (int x = std::max(Left, 0); x < std::min(Left + Width, S.width); ++x)
      if (vgtest::Near(S.At(x, y), Color, Tolerance)) return true;
  return false;
}

class ScenarioChild : public ::testing::Test {
protected:
  void SetUp() override {
    app::ResetState();
    cport::PortFailed = 0;
    ecusim::SimulatorOptions options;
    options.LinkPath = (folder.Path() / "ecu").string();
    sim = std::make_unique<ecusim::Simulator>(ecusim::DefaultState(), options);
    sim->Start();
    link = options.LinkPath;
    ::setenv("GASCAL_EXTRA_PORTS", link.c_str(), 1);
    folder.Write("gascal.ini", "Port_Name                    " + link + " {}\r\nSearch_Port                  False {}\r\n");
    host = std::make_unique<apptest::RecordingHost>();
  }
  void TearDown() override {
    port.reset();
    main.reset();
    host.reset();
    rtl::Application->ProcessMessages();
    sim.reset();
    ::unsetenv("GASCAL_EXTRA_PORTS");
    app::ResetState();
  }
  // Runs the program's loop on the real clock until Done holds or Limit passes; true when it held.
  bool RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit) {
    const auto end = Clock::now() + Limit;
    while (Clock::now() < end) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
      Watch();
      if (Done()) return true;
      std::this_thread::sleep_for(2ms);
    }
    return false;
  }
  void RunFor(std::chrono::milliseconds Time) {
    RunUntil([] { return false; }, Time);
  }
  // What the status line and the R.P.M. indicator have shown.
  void Watch() {
    const std::u16string status = main->Parts().HudLabel_DynamicIND->Text();
    if (statusSeen.empty() || statusSeen.back() != status) statusSeen.push_back(status);
    rpmSeen.insert(main->Parts().IndicatorValues[app::IND_RPM]->Text());
  }
  bool StatusShowed(const std::u16string& Text) const {
    return std::find(statusSeen.begin(), statusSeen.end(), Text) != statusSeen.end();
  }
  std::string PortNameColor() const { return main->Parts().HudLabel_Port_Name->FontFill()->GetColor(); }

  apptest::Libraries libraries;
  apptest::WorkFolder folder;
  std::unique_ptr<ecusim::Simulator> sim;
  std::string link;
  std::unique_ptr<apptest::RecordingHost> host;
  std::unique_ptr<app::TForm_3D_GEN> main;
  std::unique_ptr<ecu::TForm_3D_Port> port;
  std::vector<std::u16string> statusSeen;
  std::set<std::u16string> rpmSeen;
};

TEST_F(ScenarioChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  main = app::TForm_3D_GEN::Create("/usr/local/bin/gascal");
  port = std::make_unique<ecu::TForm_3D_Port>(nullptr);
  main->SetPortWindow(port.get());
  win::SetMainForm(main.get());
  const auto shown = Clock::now();
  main->Show();
  ASSERT_EQ(win::VideoDriver(), "x11");

  // Within 5 s: the port is open and green, the ECU read, its firmware in the title.
  const std::string open = app::Colors.ColorTable[app::Color_Port_Open];
  ASSERT_TRUE(RunUntil([&] { return PortNameColor() == open; }, 5s)) << PortNameColor();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, std::chrono::duration_cast<std::chrono::milliseconds>(5s - (Clock::now() - shown))))
      << "the ECU was not read within 5 s of showing";
  const auto receiving = std::find(statusSeen.begin(), statusSeen.end(), u"Receiv data");
  ASSERT_NE(receiving, statusSeen.end());
  EXPECT_LT(receiving - statusSeen.begin(),
            std::find(statusSeen.begin(), statusSeen.end(), u"Data loaded") - statusSeen.begin());
  EXPECT_NE(main->TitleText().find(u"Firmware : PM 2.10"), std::u16string::npos);
  EXPECT_TRUE(RunUntil([&] { return rpmSeen.size() >= 3; }, 5s)) << "the R.P.M. indicator does not move";

  // The screen, as the installer sees it.
  RunFor(500ms);
  const std::string shot = (folder.Path() / "screen.xwd").string();
  ASSERT_EQ(std::system(("xwd -root -silent -out " + shot).c_str()), 0);
  vgtest::Screenshot screen;
  ASSERT_TRUE(vgtest::ReadXwd(shot, screen));
  const int left = main->Left(), top = main->Top(), width = main->Width();
  auto abs = [&](vg::TvxVisualObject* O) {
    const vg::TvxMatrix m = O->GetAbsoluteMatrix();
    return std::pair<int, int>{left + static_cast<int>(m.m31), top + static_cast<int>(m.m32)};
  };
  {
    SCOPED_TRACE("caption icons: bright circles 73 and 54 pixels from the right edge");
    for (int fromRight : {73, 54})
      EXPECT_TRUE(AnyPixelNear(screen, left + width - fromRight + 2, top + 17, 13, 13, 0xFFFFFFFF, 110));
  }
  {
    SCOPED_TRACE("the port name in the open port's green");
    vg::TvxVisualObject* name = main->Parts().HudLabel_Port_Name;
    const auto [x, y] = abs(name);
    EXPECT_TRUE(AnyPixelNear(screen, x, y, static_cast<int>(name->Width()), static_cast<int>(name->Height()),
                             Argb(open), 24));
  }
  {
    SCOPED_TRACE("an indicator value in its role colour");
    vg::TvxVisualObject* value = main->Parts().IndicatorValues[app::IND_RPM];
    const auto [x, y] = abs(value);
    EXPECT_TRUE(AnyPixelNear(screen, x, y, static_cast<int>(value->Width()), static_cast<int>(value->Height()),
                             Argb(app::Colors.ColorTable[static_cast<std::size_t>(app::IndicatorColorRole(app::IND_RPM))]),
                             24));
  }
  {
    SCOPED_TRACE("the selected tab carries the accent bar, the others not");
    const auto& tabs = main->Parts().TabItems;
    const auto [x0, y0] = abs(tabs[0]);
    const auto [x1, y1] = abs(tabs[1]);
    const int w = static_cast<int>(tabs[0]->Width());
    EXPECT_TRUE(AnyPixelNear(screen, x0 + 4, y0, w - 8, 4, 0xFF1072C5, 40));
    EXPECT_FALSE(AnyPixelNear(screen, x1 + 4, y1, w - 8, 4, 0xFF1072C5, 40));
  }
  {
    // Kept beside the build, and as the reference picture when asked for.
    vg::TvxBitmap picture;
    picture.SetSize(main->Width(), main->Height());
    for (int y = 0; y < main->Height(); ++y)
      for (int x = 0; x < width; ++x)
        picture.Bits()[y * width + x] =
            (left + x < screen.width && top + y < screen.height) ? screen.At(left + x, top + y) : 0xFF000000u;
    vg::TvxFilterGdiPlus().SaveToFile((folder.Origin() / "main_window_screen.png").string(), picture, "");
    if (std::getenv("GASCAL_UPDATE_GALLERY"))
      vg::TvxFilterGdiPlus().SaveToFile(APP_UI_TEST_DATA "/main_window.png", picture, "");
  }

  // A new switch-over speed: one write 1.5 s after the change, with the wait window, and the
  // ECU keeps it.
  const int waits = host->WaitShown;
  ASSERT_NE(ecu::ConfigData.Configuration->PG_RPM, 1700);
  main->PageCFG()->Parts().HudComboTextBox_CFG_PG_RPM->SetText(u"1700");
  const auto changed = Clock::now();
  ASSERT_TRUE(RunUntil([&] { return host->WaitShown > waits; }, 4s)) << "no write started";
  const auto started = Clock::now() - changed;
  EXPECT_GE(started, 1400ms);
  EXPECT_LT(started, 2500ms);
  ASSERT_TRUE(RunUntil([&] { return host->WaitShrunk > 0; }, 5s)) << "the write did not end";
  EXPECT_EQ(host->WaitShown, waits + 1) << "one write";
  std::uint8_t h = 0, l = 0;
  ecu::RPMToPeriodBytes(1700, h, l);
  EXPECT_EQ(sim->State().Params['C'], h * 256 + l);

  // "G": the gas command with all four cylinders, and the work mode follows.
  win::SimulateKeyStroke(main.get(), 'g');
  ASSERT_TRUE(RunUntil([&] { return sim->State().ModeData == 244; }, 4s)) << int(sim->State().ModeData);
  EXPECT_TRUE(RunUntil([&] { return main->Parts().HudLabel_Work_Mode->Text() == u"Gas"; }, 4s))
      << rtl::WideToUtf8(main->Parts().HudLabel_Work_Mode->Text());

  // Closing lets go of the port and writes the settings.
  std::filesystem::remove(folder.Path() / "gascal.ini");
  ASSERT_TRUE(host->Timer_GEN_Connect_Stabil().Enabled());
  main->Close();
  EXPECT_FALSE(host->Timer_GEN_Connect_Stabil().Enabled()) << "it would tick on a link without its port window";
  RunFor(100ms);
  const std::string slave = sim->SlavePath();
  comm::TSerialDevice again;
  EXPECT_EQ(again.Open(slave), 0) << "the port is still held";
  again.Close();
  EXPECT_NE(folder.Read("gascal.ini").find("Port_Name"), std::string::npos);
}

}  // namespace
