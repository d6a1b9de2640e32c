// An image over pixel memory that belongs to someone else: Width x Height 32-bit
// premultiplied ARGB pixels (bytes B, G, R, A), rows of exactly Width pixels, top row
// first. Drawing into the image changes that memory; the memory must outlive the image.
#pragma once

#include <cstdint>

#include <cairo.h>

namespace gfx2d {

class Image {
public:
  // Nil when the size is not positive or too large for the back end.
  static Image* FromPixels(uint32_t* Bits, int Width, int Height);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t* Bits() const { return bits_; }
  cairo_surface_t* Surface() const { return surface_; }

  // Bracket direct pixel access: Flush before reading or writing the memory, MarkDirty
  // after writing it.
  void Flush() const;
  void MarkDirty() const;

private:
  Image(uint32_t* Bits, int Width, int Height, cairo_surface_t* Surface)
      : bits_(Bits), width_(Width), height_(Height), surface_(Surface) {}

  uint32_t* bits_;
  int width_;
  int height_;
  cairo_surface_t* surface_;
};

// Where pixels are copied to (a window's frame, a texture's staging rows): rows of Stride
// pixels.
struct PixelTarget {
  uint32_t* Bits = nullptr;
  int Width = 0;
  int Height = 0;
  int Stride = 0;
};

// Copies a Width x Height block from (SrcX, SrcY) of a SrcWidth x SrcHeight buffer
// without row padding to (DstX, DstY) of Target, clipped to both; SrcCopy, no blending.
void CopyPixels(const uint32_t* Src, int SrcWidth, int SrcHeight, int SrcX, int SrcY, int Width, int Height,
                const PixelTarget& Target, int DstX, int DstY);

}  // namespace gfx2d
