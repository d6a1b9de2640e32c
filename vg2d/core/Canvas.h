// The drawing surface of the 2D library, as far as bitmaps need it: a canvas drawing
// into a TvxBitmap, made through the class reference DefaultCanvasClass, and the class
// operation that hands out the bitmap's pixel rows.
#pragma once

#include <cstdint>

#include "platform/rtl/Object.h"
#include "vg2d/core/Geometry.h"

namespace vg {

class TvxBitmap;

class TvxCanvas : public rtl::TPersistent {
  RTL_CLASS(TvxCanvas, rtl::TPersistent)
public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The bitmap this canvas draws into (not owned); nil for a canvas with its own buffer.
  TvxBitmap* Bitmap() const { return bitmap_; }
  const TvxMatrix& Matrix() const { return matrix_; }
  virtual void SetMatrix(const TvxMatrix& M) { matrix_ = M; }

protected:
  TvxCanvas() = default;
  // The base of CreateFromBitmap: the size is the bitmap's.
  explicit TvxCanvas(TvxBitmap* ABitmap);

  int width_ = 0;
  int height_ = 0;
  TvxMatrix matrix_ = IdentityMatrix;
  TvxBitmap* bitmap_ = nullptr;
};

// A class reference of canvases: their virtual constructors and class operations.
class TvxCanvasClass {
public:
  virtual ~TvxCanvasClass() = default;
  virtual rtl::TClass ClassInfo() const = 0;
  virtual TvxCanvas* CreateFromBitmap(TvxBitmap* Bitmap) const = 0;
  // The address of pixel row Y of Bitmap; base: nil.
  virtual uint32_t* GetScanline(TvxBitmap* Bitmap, int Y) const;
};

// The canvas class every canvas of the library is made with; set at start-up.
extern const TvxCanvasClass* DefaultCanvasClass;

}  // namespace vg
