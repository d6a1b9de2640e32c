#include "platform/gfx2d/Image.h"

#include <algorithm>
#include <cstring>

namespace gfx2d {

Image* Image::FromPixels(uint32_t* Bits, int Width, int Height) {
  if (!Bits || Width <= 0 || Height <= 0) return nullptr;
  if (cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, Width) != Width * 4) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Bits),
                                                           CAIRO_FORMAT_ARGB32, Width, Height, Width * 4);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return new Image(Bits, Width, Height, s);
}

Image::~Image() {
  cairo_surface_finish(surface_);
  cairo_surface_destroy(surface_);
}

void Image::Flush() const { cairo_surface_flush(surface_); }
void Image::MarkDirty() const { cairo_surface_mark_dirty(surface_); }

void CopyPixels(const uint32_t* Src, int SrcWidth, int SrcHeight, int SrcX, int SrcY, int Width, int Height,
                const PixelTarget& Target, int DstX, int DstY) {
  if (!Src || !Target.Bits || Width <= 0 || Height <= 0) return;
  // Work in 64 bits: the positions come from callers' float rectangles.
  int64_t sx = SrcX, sy = SrcY, dx = DstX, dy = DstY, w = Width, h = Height;
  auto clipStart = [&](int64_t& s, int64_t& d, int64_t& n) {
    const int64_t cut = std::max<int64_t>({0, -s, -d});
    s += cut;
    d += cut;
    n -= cut;
  };
  clipStart(sx, dx, w);
  clipStart(sy, dy, h);
  w = std::min<int64_t>({w, SrcWidth - sx, Target.Width - dx});
  h = std::min<int64_t>({h, SrcHeight - sy, Target.Height - dy});
  if (w <= 0 || h <= 0) return;
  for (int64_t row = 0; row < h; ++row)
    std::memcpy(Target.Bits + (dy + row) * Target.Stride + dx, Src + (sy + row) * SrcWidth + sx,
                static_cast<size_t>(w) * 4);
}

}  // namespace gfx2d
