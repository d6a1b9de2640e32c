#include "vg2d/core/Canvas.h"

#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bitmaps.h"

namespace vg {

const TvxCanvasClass* DefaultCanvasClass = nullptr;

rtl::TClass TvxCanvas::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCanvas, rtl::TPersistent>("TvxCanvas").Build();
  return &info;
}

TvxCanvas::TvxCanvas(TvxBitmap* ABitmap)
    : width_(ABitmap ? ABitmap->Width() : 0), height_(ABitmap ? ABitmap->Height() : 0), bitmap_(ABitmap) {}

uint32_t* TvxCanvasClass::GetScanline(TvxBitmap*, int) const { return nullptr; }

}  // namespace vg
