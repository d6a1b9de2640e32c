// The automatic port search on a real X screen (Xvfb) and a real clock: the configured port is
// not there, the machine lists it and the ECU simulator's port. The port window appears over
// the main window, lists both ports and shows the entry being tried with its progress; while
// the ECU stays silent the window stays, and once it answers the window closes and the link
// is up on the simulator's port. The window is kept as the reference picture of the port
// window.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/ui/Form_3D_Port.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/comm/PortList.h"
#include "platform/gfx3d/GlDevice.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Memo.h"
#include "tests/TestOutput.h"

namespace port_screen_test {

namespace {

using namespace std::chrono_literals;
using apptest::AnyPixelNear;

TEST(PortScreen, TheSearchWindowShowsThePortsAndClosesWhenTheEcuIsFound) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("PortScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class PortScreenChild : public apptest::SimulatorScreenTest {
protected:
  void SetUp() override {
    SimulatorScreenTest::SetUp();
    // The machine's own ports are left out: the search opens only what the test lists.
    std::filesystem::create_directories(folder.Path() / "root/sys/class/tty");
    comm::SetPortListRoot((folder.Path() / "root").string());
    absent = (folder.Path() / "absent").string();
    ::setenv(comm::kExtraPortsVariable, (absent + ":" + link).c_str(), 1);
    folder.Write("gascal.ini", "Port_Name                    " + absent + " {}\r\nSearch_Port                  True {}\r\n");
    sim->SetSilent(true);
  }
  void TearDown() override {
    SimulatorScreenTest::TearDown();
    comm::SetPortListRoot("/");
  }
  // The port window's part of the screen as a picture in the build tree's test-output folder and, for a Reference
  // with GASCAL_UPDATE_GALLERY set, as the reference picture of that name.
  void KeepPortWindowPicture(const vgtest::Screenshot& Screen, const std::string& Name, bool Reference) const {
    const int left = port->Left(), top = port->Top(), width = port->Width(), height = port->Height();
    vg::TvxBitmap picture;
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        picture.Bits()[y * width + x] = Screen.At(std::clamp(left + x, 0, Screen.width - 1),
                                                  std::clamp(top + y, 0, Screen.height - 1));
    vg::TvxFilterGdiPlus().SaveToFile(testout::Path(Name), picture, "");
    if (Reference && std::getenv("GASCAL_UPDATE_GALLERY"))
      vg::TvxFilterGdiPlus().SaveToFile(std::string(APP_UI_TEST_DATA "/") + Name, picture, "");
  }
  // Where a point of one of the port window's objects lies on the screen.
  std::pair<int, int> OnPortScreen(vg::TvxVisualObject* Object) const {
    const vg::TvxPoint p = Object->LocalToAbsolute({0, 0});
    return {port->Left() + static_cast<int>(p.X), port->Top() + static_cast<int>(p.Y)};
  }

  std::string absent;
};

TEST_F(PortScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  const app::TPortParts& p = port->Parts();

  // The search begins about a second after showing; a second more and the entries are tried:
  // the configured port (which does not open), then the simulator's.
  ASSERT_TRUE(RunUntil([&] { return port->Showing(); }, 5s)) << "the port window did not appear";
  // The search text shows for a second, in green beside the busy indicator: the screen is read
  // until it shows there, or until the text has gone.
  vgtest::Screenshot screen;
  vg::TvxHudLabel* search = p.HudLabel_3D_Port_Search;
  const auto greenSearchText = [&] {
    const auto [x, y] = OnPortScreen(search);
    return ReadScreen(screen) && AnyPixelNear(screen, x, y, static_cast<int>(search->Width()),
                                              static_cast<int>(search->Height()), 0xFF00FF00u, 60);
  };
  ASSERT_TRUE(RunUntil([&] { return !search->Visible() || greenSearchText(); }, 1min)) << "the screen was not read";
  ASSERT_TRUE(search->Visible()) << "the search text went before the screen showed it in green";
  KeepPortWindowPicture(screen, "port_window_search.png", false);
  // The second entry tried, with the window's fonts applied (they are queued behind the start-up's
  // actions): as nothing answers, the search goes round again a second after each round, so
  // a round after the fonts shows it too. The screen is read before the loop turns again.
  ASSERT_TRUE(RunUntil(
      [&] { return ActionsDone() && p.ProgressBar_3D_Port->Visible() && p.ProgressBar_3D_Port->Value() == 2; }, 1min))
      << "no entry was tried";
  ASSERT_TRUE(port->Showing()) << "nothing answers yet";
  EXPECT_EQ(p.HudMemo_3D_Port->Lines()->Count(), 2);
  EXPECT_EQ(p.HudLabel_3D_Port_Number->Text(), u"2");
  EXPECT_EQ(p.ProgressBar_3D_Port->Max(), 2);

  ASSERT_TRUE(ReadScreen(screen));
  KeepPortWindowPicture(screen, "port_window.png", true);
  EXPECT_EQ(port->Left(), main->Left() + (main->Width() - port->Width()) / 2) << "over the main window's middle";
  {
    SCOPED_TRACE("the progress bar full, in the accent blue");
    const auto [x, y] = OnPortScreen(p.ProgressBar_3D_Port);
    const int w = static_cast<int>(p.ProgressBar_3D_Port->Width()), h = static_cast<int>(p.ProgressBar_3D_Port->Height());
    EXPECT_TRUE(AnyPixelNear(screen, x + w - 12, y, 8, h, 0xFF1072C5u, 60));
  }
  {
    SCOPED_TRACE("the port list in light text");
    const auto [x, y] = OnPortScreen(p.HudMemo_3D_Port);
    EXPECT_TRUE(AnyPixelNear(screen, x, y, static_cast<int>(p.HudMemo_3D_Port->Width()), 40, 0xFFFFFFFFu, 80));
  }

  // The ECU answers: the window closes and the link is up on the simulator's port.
  sim->SetSilent(false);
  ASSERT_TRUE(RunUntil([&] { return ecu::Session().Link.LinkUp == 1; }, 10s)) << "the ECU was not found";
  EXPECT_FALSE(port->Showing());
  EXPECT_EQ(ecu::Session().Link.PortSearching, 0);
  EXPECT_EQ(app::Model().Settings.Port_Name, link);
  // The main window draws again what the port window uncovers when the X server tells it to.
  vgtest::Screenshot after;
  int changed = 0;
  const auto mainShowsAgain = [&] {
    if (!ReadScreen(after)) return false;
    changed = 0;
    for (int y = port->Top(); y < port->Top() + port->Height(); ++y)
      for (int x = port->Left(); x < port->Left() + port->Width(); ++x)
        changed += vgtest::Near(screen.At(x, y), after.At(x, y), 24) ? 0 : 1;
    return changed > port->Width() * port->Height() / 4;
  };
  EXPECT_TRUE(RunUntil(mainShowsAgain, 1min))
      << "the window's place does not show the main window again: " << changed << " pixels changed";
}

}  // namespace

}  // namespace port_screen_test
