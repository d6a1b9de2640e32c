// A real window under Xvfb: a scene of shapes and text is shown, the X screen is captured
// with xwd and the scene's pixels are looked for where they belong. The test runs this
// program again under xvfb-run (the child test does the work); without xvfb-run it is
// skipped.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/TextShape.h"

using namespace vg;

namespace {

bool OnPath(const std::string& Tool) {
  return std::system(("command -v " + Tool + " >/dev/null 2>&1").c_str()) == 0;
}

// An X window dump of a TrueColor screen: width, height and XRGB pixels.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int X, int Y) const { return pixels[static_cast<size_t>(Y) * static_cast<size_t>(width) + X]; }
};

std::uint32_t Be32(const std::vector<unsigned char>& B, size_t At) {
  return (std::uint32_t(B[At]) << 24) | (std::uint32_t(B[At + 1]) << 16) | (std::uint32_t(B[At + 2]) << 8) | B[At + 3];
}

// Reads the dump xwd writes (header in big-endian 32-bit fields, colour map, then rows).
bool ReadXwd(const std::string& Path, Screenshot& Out) {
  std::ifstream f(Path, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (b.size() < 100) return false;
  const std::uint32_t headerSize = Be32(b, 0), format = Be32(b, 8), width = Be32(b, 16), height = Be32(b, 20),
                      byteOrder = Be32(b, 28), bitsPerPixel = Be32(b, 44), bytesPerLine = Be32(b, 48),
                      redMask = Be32(b, 56), greenMask = Be32(b, 60), blueMask = Be32(b, 64), colors = Be32(b, 76);
  if (format != 2 || width == 0 || height == 0 || width > 8192 || height > 8192) return false;
  // 24 bits a pixel are three bytes, whatever the rows' padding.
  const std::uint32_t bytes = bitsPerPixel / 8;
  if ((bytes != 3 && bytes != 4) || bytesPerLine < width * bytes) return false;
  const size_t start = headerSize + static_cast<size_t>(colors) * 12;
  if (b.size() < start + static_cast<size_t>(bytesPerLine) * height) return false;
  auto channel = [](std::uint32_t Pixel, std::uint32_t Mask) {
    int shift = 0;
    while (Mask && !(Mask & 1)) {
      Mask >>= 1;
      ++shift;
    }
    return (Pixel >> shift) & 0xFF;
  };
  Out.width = static_cast<int>(width);
  Out.height = static_cast<int>(height);
  Out.pixels.resize(static_cast<size_t>(width) * height);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      const size_t at = start + static_cast<size_t>(y) * bytesPerLine + static_cast<size_t>(x) * bytes;
      std::uint32_t p = 0;
      for (std::uint32_t k = 0; k < bytes; ++k)
        p |= std::uint32_t(b[at + (byteOrder == 0 ? k : bytes - 1 - k)]) << (8 * k);
      Out.pixels[static_cast<size_t>(y) * width + x] =
          0xFF000000u | (channel(p, redMask) << 16) | (channel(p, greenMask) << 8) | channel(p, blueMask);
    }
  return true;
}

bool Near(std::uint32_t A, std::uint32_t B, int Tolerance = 8) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int d = static_cast<int>((A >> shift) & 0xFF) - static_cast<int>((B >> shift) & 0xFF);
    if (d > Tolerance || d < -Tolerance) return false;
  }
  return true;
}

TEST(SceneScreenshot, ARealWindowShowsTheScenesPixelsWhereTheyBelong) {
  if (std::getenv("GASCAL_XVFB_CHILD")) GTEST_SKIP() << "inside the Xvfb run";
  if (!OnPath("xvfb-run") || !OnPath("xwd")) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  ASSERT_GT(n, 0);
  // SDL's X11 input-method support opens D-Bus, whose library keeps one allocation SDL
  // never frees; the child's leak check leaves that library alone, and only that.
  const std::string command = "GASCAL_XVFB_CHILD=1 SDL_VIDEODRIVER=x11 LSAN_OPTIONS=suppressions=" VG2D_CORE_TEST_DATA
                              "/xvfb-lsan.supp xvfb-run -a -s '-screen 0 640x480x24' '" +
                              std::string(self) + "' --gtest_filter=SceneScreenshotChild.* 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << "the run under Xvfb failed (its output is above)";
}

TEST(SceneScreenshotChild, Run) {
  if (!std::getenv("GASCAL_XVFB_CHILD")) GTEST_SKIP() << "runs only under Xvfb";
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
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool ok = false;
    while (!ok && std::chrono::steady_clock::now() < end) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
      ASSERT_EQ(std::system(("xwd -root -silent -out " + shot).c_str()), 0);
      ok = matches();
      if (!ok) SDL_Delay(20);
    }
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
