// The 3D library's image codec: every operation goes through a 2D bitmap and the 2D library's
// default codec, and the pixels move between the 2D and the 3D bitmap as one block.
#pragma once

#include <string>

#include "scene3d/Bitmaps.h"

namespace dx {

class TdxFilterGdiPlus : public TdxFilter {
  RTL_CLASS(TdxFilterGdiPlus, TdxFilter)
public:
  // The 2D codec's types without icons.
  std::string GetFileTypes() override;
  // (width, height, 0) as the 2D codec reads it; (0, 0, 0) without a 2D codec.
  TdxPoint3D GetImageSize(const std::string& FileName) override;
  // The loads fire the bitmap's OnChange once on success. A missing file, data the 2D codec
  // cannot decode or no 2D codec leave the bitmap as it was and return false; errors the 2D
  // codec raises pass to the caller.
  bool LoadFromFile(const std::string& FileName, float Rotate, TdxBitmap& Bitmap) override;
  bool LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight, bool UseEmbedded,
                             TdxBitmap& Bitmap) override;
  bool LoadFromStream(rtl::TStream& Stream, TdxBitmap& Bitmap) override;
  // Formats and parameters are the 2D codec's ("png", "jpg", "quality=100" ...).
  bool SaveToFile(const std::string& FileName, TdxBitmap& Bitmap, const std::string& Params) override;
  bool SaveToStream(rtl::TStream& Stream, TdxBitmap& Bitmap, const std::string& Format,
                    const std::string& Params) override;
};

}  // namespace dx
