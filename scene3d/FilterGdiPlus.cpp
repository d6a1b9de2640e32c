#include "scene3d/FilterGdiPlus.h"

#include <cstring>
#include <functional>
#include <memory>

#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bitmaps.h"

namespace dx {

rtl::TClass TdxFilterGdiPlus::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxFilterGdiPlus>().Build();
  return &info;
}

namespace {

// Fills a 1 x 1 2D bitmap through Fill and, when that succeeded, gives its size and pixels to
// Bitmap, which then fires OnChange once.
bool LoadThrough2D(TdxBitmap& Bitmap, const std::function<bool(vg::TvxBitmap&)>& Fill) {
  auto flat = std::make_unique<vg::TvxBitmap>(1, 1);
  if (!Fill(*flat)) return false;
  Bitmap.SetSize(flat->Width(), flat->Height());
  std::uint32_t* bits = nullptr;
  if (Bitmap.Map(bits, true)) {
    std::memcpy(bits, flat->Bits(), static_cast<size_t>(flat->Width()) * static_cast<size_t>(flat->Height()) * 4);
    Bitmap.Unmap();
  }
  return true;
}

// The loads of the 2D bitmap itself report nothing; a success is the one change event it fires.
bool Changes(vg::TvxBitmap& Flat, const std::function<void()>& Load) {
  bool changed = false;
  Flat.OnChange = [&changed](rtl::TObject*) { changed = true; };
  Load();
  Flat.OnChange = nullptr;
  return changed;
}

std::unique_ptr<vg::TvxBitmap> CopyTo2D(TdxBitmap& Bitmap) {
  auto flat = std::make_unique<vg::TvxBitmap>(Bitmap.Width(), Bitmap.Height());
  std::uint32_t* bits = nullptr;
  if (Bitmap.Map(bits, false)) {
    std::memcpy(flat->Bits(), bits, static_cast<size_t>(Bitmap.Width()) * static_cast<size_t>(Bitmap.Height()) * 4);
    Bitmap.Unmap();
  }
  return flat;
}

}  // namespace

std::string TdxFilterGdiPlus::GetFileTypes() { return "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif"; }

TdxPoint3D TdxFilterGdiPlus::GetImageSize(const std::string& FileName) {
  if (!vg::DefaultFilterClass) return {};
  const vg::TvxPoint size = vg::DefaultFilterClass->Create()->GetImageSize(FileName);
  return {size.X, size.Y, 0};
}

bool TdxFilterGdiPlus::LoadFromFile(const std::string& FileName, float Rotate, TdxBitmap& Bitmap) {
  return LoadThrough2D(
      Bitmap, [&](vg::TvxBitmap& Flat) { return Changes(Flat, [&] { Flat.LoadFromFile(FileName, Rotate); }); });
}

bool TdxFilterGdiPlus::LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight,
                                             bool UseEmbedded, TdxBitmap& Bitmap) {
  return LoadThrough2D(Bitmap, [&](vg::TvxBitmap& Flat) {
    return Changes(Flat, [&] { Flat.LoadThumbnailFromFile(FileName, FitWidth, FitHeight, UseEmbedded); });
  });
}

bool TdxFilterGdiPlus::LoadFromStream(rtl::TStream& Stream, TdxBitmap& Bitmap) {
  if (!vg::DefaultFilterClass) return false;
  return LoadThrough2D(
      Bitmap, [&](vg::TvxBitmap& Flat) { return vg::DefaultFilterClass->Create()->LoadFromStream(Stream, Flat); });
}

bool TdxFilterGdiPlus::SaveToFile(const std::string& FileName, TdxBitmap& Bitmap, const std::string& Params) {
  if (!vg::DefaultFilterClass) return false;
  const auto flat = CopyTo2D(Bitmap);
  return vg::DefaultFilterClass->Create()->SaveToFile(FileName, *flat, Params);
}

bool TdxFilterGdiPlus::SaveToStream(rtl::TStream& Stream, TdxBitmap& Bitmap, const std::string& Format,
                                    const std::string& Params) {
  if (!vg::DefaultFilterClass) return false;
  const auto flat = CopyTo2D(Bitmap);
  return vg::DefaultFilterClass->Create()->SaveToStream(Stream, *flat, Format, Params);
}

}  // namespace dx
