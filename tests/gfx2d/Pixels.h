// A small pixel buffer with an image and a graphics on it, and readers of its pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx2d/Graphics.h"

struct Surface {
  Surface(int W, int H) : width(W), height(H), bits(static_cast<size_t>(W) * H, 0u) {
    image.reset(gfx2d::Image::FromPixels(bits.data(), W, H));
    g = std::make_unique<gfx2d::Graphics>(*image);
  }
  uint32_t At(int X, int Y) {
    image->Flush();
    return bits[static_cast<size_t>(Y) * width + X];
  }
  uint8_t Alpha(int X, int Y) { return static_cast<uint8_t>(At(X, Y) >> 24); }
  uint8_t Red(int X, int Y) { return static_cast<uint8_t>(At(X, Y) >> 16); }
  uint8_t Blue(int X, int Y) { return static_cast<uint8_t>(At(X, Y)); }
  int CountPainted() {
    image->Flush();
    int n = 0;
    for (uint32_t p : bits) n += p != 0;
    return n;
  }

  int width, height;
  std::vector<uint32_t> bits;
  std::unique_ptr<gfx2d::Image> image;
  std::unique_ptr<gfx2d::Graphics> g;
};

constexpr uint32_t Red = 0xFFFF0000u, Blue = 0xFF0000FFu, Green = 0xFF00FF00u;
