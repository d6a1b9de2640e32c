// GIF files written through giflib (gdk-pixbuf reads GIF but cannot write it).
#pragma once

#include <cstdint>
#include <vector>

namespace gfx2d {

// Encodes Width x Height straight ARGB pixels as a single-image GIF89a. The colours go
// into one palette: all of them when there are at most 256 (counting transparency as
// one), else 256 chosen by median cut, each pixel taking the colour of its box. A pixel
// with alpha below 128 becomes the one transparent index; the others are drawn opaque.
// Appends the bytes to Out; false (Out untouched) when a side is not 1..65535 or giflib
// fails.
bool EncodeGif(const uint32_t* Bits, int Width, int Height, std::vector<uint8_t>& Out);

}  // namespace gfx2d
