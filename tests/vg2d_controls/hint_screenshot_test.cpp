// A real window under Xvfb: the pointer rests over a Hud button with a hint, the hint window
// shows under the pointer in a window of its own, the X screen is captured with xwd and the
// window's dark face and light text are looked for there; the picture is written next to
// the test program (hint_window.png). The test runs this program again under xvfb-run (the
// child test does the work); without xvfb-run it is skipped.
#include <gtest/gtest.h>

#include <SDL.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/Display.h"
#include "platform/win/Hints.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/SceneControl.h"
#include "tests/TestOutput.h"

namespace hint_screenshot_test {

using namespace vg;

namespace {

using vgtest::ReadXwd;
using vgtest::Screenshot;

int Level(std::uint32_t C) { return ((C >> 16) & 0xFF) + ((C >> 8) & 0xFF) + (C & 0xFF); }

TEST(HintScreenshot, TheHintShowsInItsOwnWindowUnderThePointer) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("HintScreenshotChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(HintScreenshotChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ControlsStartup();
  rtl::TTestClock clock(1000.0);
  rtl::Application->SetClock(&clock);
  {
    constexpr std::uint32_t Desk = 0xFF5A7A96u;
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(100, 80, 320, 200);
    auto* scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    TvxBrush desk(vgBrushSolid, Desk);
    scene->SetFill(&desk);
    auto* root = new TvxVisualObject(form.get());
    scene->AddObject(root);
    auto* button = new TvxHudButton(form.get());
    root->AddObject(button);
    button->SetBounds(20, 20, 120, 26);
    button->SetText(u"Calibrate");
    button->SetHint(u"Reducer pressure, kPa");
    button->SetShowHint(true);
    form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    const std::string shot = "/tmp/gascal-hint-" + std::to_string(getpid()) + ".xwd";
    Screenshot s;
    auto capture = [&](auto Matches) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
      bool ok = false;
      while (!ok && std::chrono::steady_clock::now() < end) {
        win::PumpEvents();
        rtl::Application->ProcessMessages();
        if (std::system(("xwd -root -silent -out " + shot).c_str()) != 0) break;
        ok = ReadXwd(shot, s) && s.width >= 420 && s.height >= 300 && Matches();
        if (!ok) SDL_Delay(20);
      }
      return ok;
    };
    ASSERT_TRUE(capture([&] { return s.At(100 + 300, 80 + 180) == Desk; }));
    // The pointer rests on the button.
    win::SimulateMouseMove(form.get(), 60, 33);
    clock.Advance(500);
    ASSERT_TRUE(win::HintShowing());
    const win::TRect r = win::HintWindow()->BoundsRect();
    EXPECT_EQ(r.Left, 160);
    EXPECT_EQ(r.Top, 113 + win::HintCursorMargin);
    // On the screen: a dark face, with light text on it, where the window is, and the desk
    // colour just left of it.
    const bool shown = capture([&] {
      int light = 0, dark = 0;
      for (int y = r.Top + 2; y < r.Bottom - 2; ++y)
        for (int x = r.Left + 2; x < r.Right - 2; ++x) {
          light += Level(s.At(x, y)) > 600 ? 1 : 0;
          dark += Level(s.At(x, y)) < 150 ? 1 : 0;
        }
      return light > 20 && dark > light && s.At(r.Left - 3, r.Top + 5) == Desk;
    });
    TvxBitmap picture(240, 90);
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 240; ++x) picture.Bits()[y * 240 + x] = s.At(100 + x, 80 + y);
    EXPECT_TRUE(TvxFilterGdiPlus().SaveToFile(testout::Path("hint_window.png"), picture, ""));
    EXPECT_TRUE(shown) << "the hint window did not show at " << r.Left << ", " << r.Top;
    // A press closes it, and the desk shows there again.
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 60, 33);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 60, 33);
    EXPECT_FALSE(win::HintShowing());
    std::remove(shot.c_str());
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  rtl::Application->SetClock(nullptr);
  ControlsShutdown();
}

}  // namespace

}  // namespace hint_screenshot_test
