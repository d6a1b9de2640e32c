// The image codec of the 2D library: BMP, JPEG, PNG, TIFF, GIF and ICO files and streams
// decoded into a bitmap's premultiplied pixels, and bitmaps encoded as JPEG, PNG, BMP, TIFF
// or GIF (ICO is read only).
#pragma once

#include <string>

#include "vg2d/core/Bitmaps.h"

namespace vg {

class TvxFilterGdiPlus : public TvxFilter {
  RTL_CLASS(TvxFilterGdiPlus, TvxFilter)
public:
  std::string GetFileTypes() override;
  // (0, 0) when the file holds no decodable image; a missing file raises EFOpenError.
  TvxPoint GetImageSize(const std::string& FileName) override;
  // Rotate in degrees: a whole multiple of 90 turns the image clockwise in memory, any
  // other angle draws it turned about its centre into a bitmap that just holds it.
  bool LoadFromFile(const std::string& FileName, float Rotate, TvxBitmap& Bitmap) override;
  // Shrinks the image to fit FitWidth x FitHeight; never enlarges it.
  bool LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight, bool UseEmbedded,
                             TvxBitmap& Bitmap) override;
  // The format follows the extension (.jpg .jpeg .png .bmp .tif .tiff .gif); any other
  // extension writes nothing. The file is written only when the encoder succeeded. A
  // failure says why (FailureReason): the extension, the encoder or the file's error.
  bool SaveToFile(const std::string& FileName, TvxBitmap& Bitmap, const std::string& Params) override;
  // Reads from the stream's position to its end.
  bool LoadFromStream(rtl::TStream& Stream, TvxBitmap& Bitmap) override;
  // Format "jpeg"/"jpg", "png", "bmp", "tif"/"tiff", "gif", any case; other names save PNG.
  bool SaveToStream(rtl::TStream& Stream, TvxBitmap& Bitmap, const std::string& Format,
                    const std::string& Params) override;

  // The index of the last encoder for MimeType (compared exactly) with its format name in
  // Clsid, or -1 with Clsid untouched.
  static int GetEncoderClsid(const std::string& MimeType, std::string& Clsid);
};

}  // namespace vg
