// A real window under Xvfb: a scene of shapes and text is shown, the X screen is captured
// with xwd and the scene's pixels are looked for where they belong. The test runs this
// program again under xvfb-run (the child test does the work); without xvfb-run it is
// skipped.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ScreenWait.h"
#include "Screenshot.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/TextShape.h"

namespace scene_screenshot_test {

using namespace vg;
using vgtest::Near;
using vgtest::ReadXwd;
using vgtest::Screenshot;

namespace {

TEST(SceneScreenshot, ARealWindowShowsTheScenesPixelsWhereTheyBelong) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("SceneScreenshotChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0) << "the run under Xvfb failed (its output is above)";
}

TEST(SceneScreenshotChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  LibraryStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(100, 80, 240, 160);
    auto* scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    TvxBrush white(vgBrushSolid, 0xFFFFFFFFu);
    scene->SetFill(&white);
    auto* root = new TvxVisualObject(form.get());
    scene->AddObject(root);
    auto* rect = new TvxRectangle(form.get());
    rect->Fill()->SetSolidColor(0xFFE00000u);
    rect->Stroke()->SetStyle(vgBrushNone);
    rect->SetBounds(10, 10, 80, 50);
    root->AddObject(rect);
    auto* ellipse = new TvxEllipse(form.get());
    ellipse->Fill()->SetSolidColor(0xFF0000E0u);
    ellipse->Stroke()->SetStyle(vgBrushNone);
    ellipse->SetBounds(130, 10, 100, 60);
    root->AddObject(ellipse);
    auto* text = new TvxText(form.get());
    text->SetText(u"GAS 42");
    text->Font()->SetSize(28);
    text->Fill()->SetSolidColor(0xFF000000u);
    text->SetBounds(10, 90, 220, 60);
    root->AddObject(text);
    form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");

    const std::string shot = "/tmp/gascal-scene-" + std::to_string(getpid()) + ".xwd";
    Screenshot s;
    auto matches = [&] {
      if (!ReadXwd(shot, s) || s.width < 340 || s.height < 240) return false;
      // No window manager: the client area lies at the form's position.
      return Near(s.At(100 + 50, 80 + 35), 0xFFE00000u) && Near(s.At(100 + 180, 80 + 40), 0xFF0000E0u) &&
             Near(s.At(100 + 110, 80 + 80), 0xFFFFFFFFu) && Near(s.At(100 + 132, 80 + 14), 0xFFFFFFFFu);
    };
    // The X server shows the window in its own time: look again until it does (bounded).
    const bool ok = vgtest::ScreenComesToShow(shot, matches);
    ASSERT_TRUE(ok) << "screen " << s.width << " x " << s.height << std::hex
                    << (s.width >= 340 && s.height >= 240
                            ? ", rectangle " + std::to_string(s.At(150, 115)) + ", ellipse " +
                                  std::to_string(s.At(280, 120)) + ", background " + std::to_string(s.At(210, 160))
                            : std::string());
    // The text: dark pixels inside its box, none just above it, nothing outside the window.
    int dark = 0;
    for (int y = 80 + 90; y < 80 + 150; ++y)
      for (int x = 100 + 10; x < 100 + 230; ++x) dark += Near(s.At(x, y), 0xFF000000u, 60) ? 1 : 0;
    EXPECT_GT(dark, 200);
    int darkAbove = 0;
    for (int x = 100 + 10; x < 100 + 230; ++x) darkAbove += Near(s.At(x, 80 + 80), 0xFF000000u, 60) ? 1 : 0;
    EXPECT_EQ(darkAbove, 0);
    EXPECT_FALSE(Near(s.At(50, 50), 0xFFE00000u));
    std::remove(shot.c_str());
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  LibraryShutdown();
}

}  // namespace

}  // namespace scene_screenshot_test
