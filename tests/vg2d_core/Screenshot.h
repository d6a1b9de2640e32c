// Real windows under Xvfb, for the tests that look at what reaches the screen: the test
// program runs itself again on a fresh Xvfb with SDL's x11 driver (the child test does the
// work), and the child reads the X screen back with xwd.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/WindowManager.h"
#include "tests/Xvfb.h"

namespace vgtest {

inline bool OnPath(const std::string& Tool) {
  return std::system(("command -v " + Tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool XvfbAvailable() { return OnPath("Xvfb") && OnPath("xwd"); }

// Whether this process is the child started under Xvfb.
inline bool InXvfbChild() { return std::getenv("GASCAL_XVFB_CHILD") != nullptr; }

// The words that start a fresh Xvfb with one screen of Screen (width x height x depth) on a
// display number of its own for the command whose words follow (tests/Xvfb.h).
inline std::string XvfbRun(const std::string& Screen) { return xvfbtest::ServerFor(Screen); }

// Runs the tests of this program that Filter names under a fresh Xvfb screen of Screen
// (width x height x depth, 640 x 480 by default), bare or under a window manager;
// the exit status (0 when they passed). SDL's X11 input-method support opens D-Bus, whose
// library keeps one allocation SDL never frees: the child's leak check leaves that library
// alone (LeakSuppressions names the file), and only that.
inline int RunUnderXvfb(const std::string& Filter, const std::string& LeakSuppressions,
                        const std::string& Screen = "640x480x24", wmtest::TManager Manager = wmtest::TManager::Bare) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0) return -1;
  const std::string command = "GASCAL_XVFB_CHILD=1 SDL_VIDEODRIVER=x11 LSAN_OPTIONS=suppressions=" + LeakSuppressions +
                              " " + XvfbRun(Screen) + " " +
                              wmtest::ChildCommand(Manager, self, "--gtest_filter=" + Filter) + " 2>&1";
  return std::system(command.c_str());
}

// An X window dump of a TrueColor screen: width, height and XRGB pixels.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int X, int Y) const { return pixels[static_cast<size_t>(Y) * static_cast<size_t>(width) + X]; }
};

inline std::uint32_t Be32(const std::vector<unsigned char>& B, size_t At) {
  return (std::uint32_t(B[At]) << 24) | (std::uint32_t(B[At + 1]) << 16) | (std::uint32_t(B[At + 2]) << 8) | B[At + 3];
}

// Reads the dump xwd writes (header in big-endian 32-bit fields, colour map, then rows).
inline bool ReadXwd(const std::string& Path, Screenshot& Out) {
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

// Whether the colour channels of A and B are within Tolerance of each other.
inline bool Near(std::uint32_t A, std::uint32_t B, int Tolerance = 8) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int d = static_cast<int>((A >> shift) & 0xFF) - static_cast<int>((B >> shift) & 0xFF);
    if (d > Tolerance || d < -Tolerance) return false;
  }
  return true;
}

}  // namespace vgtest
