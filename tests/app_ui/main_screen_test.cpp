// The main window on a real X screen (Xvfb), sized with the X server's own pointer (XTest)
// while no window of the program holds the keyboard: its size grip makes the window follow the
// pointer outward and inward, in small steps and in fast drags whose moves all come before
// the window has changed; at the smallest size (400 x 300) the title row's buttons leave the caption
// icons, the caption's beginning and every indicator's name uncovered, also with the Flip
// and Settings buttons shown. Pictures of the window are left in the build's test output.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "app/ui/Main_3D_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "scene3d/SceneControl.h"
#include "tests/TestOutput.h"
#include "tests/XTest.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Shapes.h"

namespace main_screen_test {

namespace {

using namespace std::chrono_literals;

TEST(MainScreen, RunsUnderXvfb) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("MainScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

bool Overlap(const vg::TvxRect& A, const vg::TvxRect& B) {
  return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

std::string Text(const vg::TvxRect& R) {
  return "(" + std::to_string(R.Left) + ", " + std::to_string(R.Top) + ") - (" + std::to_string(R.Right) + ", " +
         std::to_string(R.Bottom) + ")";
}

class MainScreenChild : public apptest::SimulatorScreenTest {
protected:
  void SetUp() override {
    if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
    std::string why;
    if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
    SimulatorScreenTest::SetUp();
  }
  // Shows the main window and lets its start-up (logo, layout, fonts, the port) run to its end.
  // Then the keyboard goes to no window, as when another program has it: the pointer does not
  // care.
  void ShowAndSettle() {
    ShowMain();
    ASSERT_TRUE(RunUntil([&] { return ecu::Session().Link.LinkUp == 1; }, 10s)) << "the ECU was not found";
    ASSERT_TRUE(RunUntilActionsDone()) << "the start-up did not end";
    ASSERT_TRUE(x.FocusNowhere());
    ASSERT_TRUE(RunUntil([] { return SDL_GetKeyboardFocus() == nullptr; }, 5s)) << "a window kept the keyboard";
  }
  // Where the grip's middle is on the screen.
  std::pair<int, int> GripOnScreen() const { return OnScreen(main->Parts().SizeGrip_3D_GEN, 8, 8); }
  // Presses the grip with the X server's pointer.
  void PressGrip(xtest::TXTest& X) {
    const auto [gx, gy] = GripOnScreen();
    ASSERT_TRUE(X.MoveTo(gx, gy));
    ASSERT_TRUE(RunUntil([&] { return win::GetCursorPos().X == gx && win::GetCursorPos().Y == gy; }, 5s));
    ASSERT_TRUE(X.Button(1, true));
    ASSERT_TRUE(RunUntil([&] { return main->Scene()->Resizing(); }, 5s)) << "the grip did not start a resize";
  }
  // Moves the pressed pointer to (X, Y) and waits for the window to reach Width x Height.
  void DragTo(xtest::TXTest& X, int ScreenX, int ScreenY, int Width, int Height) {
    ASSERT_TRUE(X.MoveTo(ScreenX, ScreenY));
    ASSERT_TRUE(RunUntil([&] { return main->Width() == Width && main->Height() == Height; }, 5s))
        << "the window is " << main->Width() << " x " << main->Height() << ", not " << Width << " x " << Height;
  }
  // A fast drag: Count moves of (StepX, StepY) from (FromX, FromY) reach the X server before
  // the program looks; then waits for the window to reach Width x Height.
  void Burst(xtest::TXTest& X, int FromX, int FromY, int StepX, int StepY, int Count, int Width, int Height) {
    for (int i = 1; i < Count; ++i) ASSERT_TRUE(X.MoveTo(FromX + StepX * i, FromY + StepY * i));
    DragTo(X, FromX + StepX * Count, FromY + StepY * Count, Width, Height);
  }
  void Release(xtest::TXTest& X) {
    ASSERT_TRUE(X.Button(1, false));
    ASSERT_TRUE(RunUntil([&] { return !main->Scene()->Resizing(); }, 5s)) << "the release never came";
  }
  // The window's part of the screen, left as Name in the build's test output.
  void KeepPicture(const std::string& Name) {
    RunFor(300ms);
    vgtest::Screenshot screen;
    ASSERT_TRUE(ReadScreen(screen));
    const int left = main->Left(), top = main->Top(), width = main->Width(), height = main->Height();
    vg::TvxBitmap picture;
    picture.SetSize(width, height);
    for (int row = 0; row < height; ++row)
      for (int col = 0; col < width; ++col)
        picture.Bits()[row * width + col] = screen.At(std::clamp(left + col, 0, screen.width - 1),
                                                      std::clamp(top + row, 0, screen.height - 1));
    vg::TvxFilterGdiPlus().SaveToFile(testout::Path(Name), picture, "");
  }
  // The title row's visible buttons against the caption icons, the close button, the caption's
  // room and the indicators' names.
  void ExpectTitleRowClear() {
    const app::TMainParts& p = main->Parts();
    const app::TCaptionIcons& icons = main->CaptionIcons();
    std::vector<std::pair<const char*, vg::TvxRect>> keep = {{"minimise icon", icons.Minimize->GetAbsoluteRect()},
                                                             {"full-screen icon", icons.FullScreen->GetAbsoluteRect()}};
    if (auto* close = vg::FindPart<vg::TvxVisualObject>(p.HudWindow_3D_GEN, "close"))
      keep.push_back({"close button", close->GetAbsoluteRect()});
    for (int i = 0; i < app::IndicatorCount; ++i)
      if (p.IndicatorPanels[static_cast<size_t>(i)]->Visible())
        keep.push_back({app::IndicatorId(i), p.IndicatorNames[static_cast<size_t>(i)]->GetAbsoluteRect()});
    float buttonsEnd = 0;
    for (vg::TvxHudButton* b : {p.HudButton_Menu_File, p.HudButton_Menu_LNG, p.HudButton_3D_GEN_Flip,
                                p.HudButton_3D_GEN_Settings}) {
      if (!b->Visible()) continue;
      const vg::TvxRect r = b->GetAbsoluteRect();
      buttonsEnd = std::max(buttonsEnd, r.Right);
      EXPECT_GE(r.Right - r.Left, 20) << b->Name() << " is too narrow to read";
      for (const auto& [name, k] : keep) {
        EXPECT_FALSE(Overlap(r, k)) << b->Name() << " " << Text(r) << " covers the " << name << " " << Text(k);
      }
    }
    auto* caption = vg::FindPart<vg::TvxText>(p.HudWindow_3D_GEN, "text");
    ASSERT_NE(caption, nullptr);
    if (!p.HudWindow_3D_GEN->Text().empty()) {
      EXPECT_GE(caption->GetAbsoluteRect().Left, buttonsEnd) << "a button covers the caption";
    }
    // The icons still answer the pointer: the one under it brightens.
    const auto [ix, iy] = OnScreen(icons.Minimize, 8, 8);
    ASSERT_TRUE(x.MoveTo(ix, iy));
    EXPECT_TRUE(RunUntil([&] { return icons.Minimize->Opacity() == 1.0f; }, 5s)) << "the minimise icon is covered";
    ASSERT_TRUE(x.MoveTo(ix, iy + 60));
    RunFor(100ms);
  }

  xtest::TXTest x;
};

TEST_F(MainScreenChild, TheGripMakesTheWindowFollowThePointerBothWays) {
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
  ShowAndSettle();
  const int width = main->Width(), height = main->Height();
  const win::TRect work = win::ScreenWorkArea();
  ASSERT_LE(main->Left() + width + 200, work.Right);
  ASSERT_LE(main->Top() + height + 150, work.Bottom);

  // Outward: steps of 10 the program sees one by one, then a fast drag far past the window's
  // edge, whose moves all come before the window has grown, then a jump.
  PressGrip(x);
  const auto [gx, gy] = GripOnScreen();
  for (int i = 1; i <= 5; ++i) DragTo(x, gx + 10 * i, gy + 10 * i, width + 10 * i, height + 10 * i);
  Burst(x, gx + 50, gy + 50, 10, 6, 10, width + 150, height + 110);
  DragTo(x, gx + 200, gy + 150, width + 200, height + 150);
  Release(x);
  ASSERT_TRUE(RunUntilSized(width + 200, height + 150));
  EXPECT_EQ(GripOnScreen(), std::make_pair(gx + 200, gy + 150)) << "the grip stays under the pointer";
  KeepPicture("main_window_grip_grown.png");

  // Inward in a fast drag, and back out past where it began.
  PressGrip(x);
  Burst(x, gx + 200, gy + 150, -30, -23, 10, width - 100, height - 80);
  Burst(x, gx - 100, gy - 80, 14, 11, 10, width + 40, height + 30);
  Release(x);
}

TEST_F(MainScreenChild, AtTheSmallestSizeTheTitleRowCoversNeitherIconsNorCaptionNorNames) {
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
  ShowAndSettle();
  // Down to the smallest size with the grip.
  PressGrip(x);
  const auto [gx, gy] = GripOnScreen();
  DragTo(x, gx - 600, gy - 500, 400, 300);
  Release(x);
  ASSERT_TRUE(RunUntilSized(400, 300));
  ASSERT_TRUE(RunUntilActionsDone());
  {
    SCOPED_TRACE("File and Language");
    ExpectTitleRowClear();
  }
  KeepPicture("main_window_smallest.png");
  ASSERT_TRUE(main->EnterAccessCode(app::AccessCode));
  ASSERT_TRUE(RunUntilActionsDone()) << "the fonts were not fitted to the new buttons";
  {
    SCOPED_TRACE("with Flip and Settings");
    ExpectTitleRowClear();
  }
  KeepPicture("main_window_smallest_all_buttons.png");
}

}  // namespace

}  // namespace main_screen_test
