#include "vg2d/core/FilterGdiPlus.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/gfx2d/ImageCodec.h"
#include "platform/rtl/FileWriter.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/core/TextForms.h"

namespace vg {

rtl::TClass TvxFilterGdiPlus::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFilterGdiPlus>().Build();
  return &info;
}

namespace {

// Parameter items beyond this many are ignored.
constexpr int MaxParamItems = 11;

std::vector<uint8_t> ReadRest(rtl::TStream& Stream) {
  std::vector<uint8_t> data;
  uint8_t buffer[64 * 1024];
  for (;;) {
    const int64_t n = Stream.Read(buffer, sizeof buffer);
    if (n <= 0) break;
    data.insert(data.end(), buffer, buffer + n);
  }
  return data;
}

std::vector<uint8_t> ReadFile(const std::string& FileName) {
  rtl::TFileStream file(FileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
  return ReadRest(file);
}

// Decoded pixels, premultiplied.
struct Image {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Bits;
};

bool Decode(const std::vector<uint8_t>& Data, Image& Out) {
  Image image;
  const bool ok = gfx2d::DecodePremultiplied(Data.data(), Data.size(), MaxPicturePixels, [&](int W, int H) {
    image.Width = W;
    image.Height = H;
    image.Bits.resize(static_cast<size_t>(W) * H);
    return image.Bits.data();
  });
  if (ok) Out = std::move(image);
  return ok;
}

// Decodes straight into the bitmap, which changes only once the whole image has decoded.
bool DecodeInto(const std::vector<uint8_t>& Data, TvxBitmap& Bitmap) {
  return gfx2d::DecodePremultiplied(Data.data(), Data.size(), MaxPicturePixels, [&](int W, int H) {
    Bitmap.SetSize(W, H);
    return Bitmap.Bits();
  });
}

void Store(const Image& Source, TvxBitmap& Bitmap) {
  Bitmap.SetSize(Source.Width, Source.Height);
  if (!Source.Bits.empty()) std::copy(Source.Bits.begin(), Source.Bits.end(), Bitmap.Bits());
}

// Turns the image clockwise by Angle (90, 180 or 270).
Image Turn(const Image& S, int Angle) {
  Image d;
  d.Width = Angle == 180 ? S.Width : S.Height;
  d.Height = Angle == 180 ? S.Height : S.Width;
  d.Bits.resize(S.Bits.size());
  for (int y = 0; y < S.Height; ++y)
    for (int x = 0; x < S.Width; ++x) {
      int tx, ty;
      if (Angle == 90) {
        tx = S.Height - 1 - y;
        ty = x;
      } else if (Angle == 180) {
        tx = S.Width - 1 - x;
        ty = S.Height - 1 - y;
      } else {
        tx = y;
        ty = S.Width - 1 - x;
      }
      d.Bits[static_cast<size_t>(ty) * d.Width + tx] = S.Bits[static_cast<size_t>(y) * S.Width + x];
    }
  return d;
}

gfx2d::Matrix ToBackend(const TvxMatrix& M) { return {M.m11, M.m12, M.m21, M.m22, M.m31, M.m32}; }

// Draws S through M into a new Width x Height image.
bool Redraw(const Image& S, int Width, int Height, const TvxMatrix& M, Image& Out) {
  if (Width <= 0 || Height <= 0 || int64_t{Width} * Height > MaxBitmapPixels) return false;
  Image d;
  d.Width = Width;
  d.Height = Height;
  d.Bits.assign(static_cast<size_t>(Width) * Height, 0);
  if (!gfx2d::DrawPixels(S.Bits.data(), S.Width, S.Height, d.Bits.data(), Width, Height, ToBackend(M)))
    return false;
  Out = std::move(d);
  return true;
}

TvxMatrix Translation(float DX, float DY) {
  TvxMatrix m = IdentityMatrix;
  m.m31 = DX;
  m.m32 = DY;
  return m;
}

// The "quality" of the first items of Params, -1 when none; a value that is not an
// integer raises EConvertError.
int ParseQuality(const std::string& Params) {
  int quality = -1;
  std::string rest = Params;
  for (int item = 0; item < MaxParamItems && !rest.empty(); ++item) {
    const std::string token = GetToken(rest, " ");
    const size_t eq = token.find('=');
    if (eq == std::string::npos) continue;
    if (rtl::SameText(rtl::Trim(token.substr(0, eq)), "quality"))
      quality = rtl::StrToInt(rtl::Trim(token.substr(eq + 1)));
  }
  return quality;
}

// Encodes the bitmap for MimeType; false when no encoder takes it or it fails.
bool Encode(TvxBitmap& Bitmap, const std::string& MimeType, const std::string& Params, std::vector<uint8_t>& Out) {
  std::string format;
  if (MimeType.empty() || TvxFilterGdiPlus::GetEncoderClsid(MimeType, format) < 0) return false;
  const int quality = Params.empty() ? -1 : ParseQuality(Params);
  if (Bitmap.IsEmpty()) return false;
  std::vector<uint32_t> straight(Bitmap.Bits(), Bitmap.Bits() + static_cast<size_t>(Bitmap.Width()) * Bitmap.Height());
  // Rounded both ways (not PremultiplyAlpha's cut), so that a save and a load keep every pixel.
  for (uint32_t& p : straight) p = gfx2d::UnpremultiplyPixel(p);
  return gfx2d::EncodeImage(straight.data(), Bitmap.Width(), Bitmap.Height(), format, quality, Out);
}

}  // namespace

std::string TvxFilterGdiPlus::GetFileTypes() { return "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif;*.ico"; }

TvxPoint TvxFilterGdiPlus::GetImageSize(const std::string& FileName) {
  const std::vector<uint8_t> data = ReadFile(FileName);
  int w = 0, h = 0;
  if (!gfx2d::ReadImageSize(data.data(), data.size(), MaxPicturePixels, w, h)) return {};
  return MakePoint(static_cast<float>(w), static_cast<float>(h));
}

bool TvxFilterGdiPlus::LoadFromFile(const std::string& FileName, float Rotate, TvxBitmap& Bitmap) {
  const double whole = std::isfinite(Rotate) ? std::trunc(static_cast<double>(Rotate)) : 0.0;
  const bool quarterTurns = std::fmod(whole, 90.0) == 0;
  const double a = std::fmod(whole, 360.0);
  if (quarterTurns && !(a == 90 || a == 180 || a == 270)) return DecodeInto(ReadFile(FileName), Bitmap);
  Image image;
  if (!Decode(ReadFile(FileName), image)) return false;
  const float W = static_cast<float>(image.Width);
  const float H = static_cast<float>(image.Height);
  if (quarterTurns) {
    if (a == 90 || a == 180 || a == 270) image = Turn(image, static_cast<int>(a));
    Store(image, Bitmap);
    return true;
  }
  TvxMatrix m = MatrixMultiply(Translation(-W / 2, -H / 2), CreateRotationMatrix(DegreeToRad(Rotate)));
  const TvxPoint corners[4] = {{0, 0}, {W, 0}, {W, H}, {0, H}};
  TvxPoint turned[4];
  for (int i = 0; i < 4; ++i) {
    const TvxVector v = VectorTransform(VectorFromPoint(corners[i]), m);
    turned[i] = MakePoint(v.X, v.Y);
  }
  TvxRect b;
  PointsBounds(turned, 3, b);
  m = MatrixMultiply(m, Translation(RectWidth(b) / 2, RectHeight(b) / 2));
  Image drawn;
  if (!Redraw(image, static_cast<int>(RectWidth(b)), static_cast<int>(RectHeight(b)), m, drawn)) return false;
  Store(drawn, Bitmap);
  return true;
}

bool TvxFilterGdiPlus::LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight,
                                             bool UseEmbedded, TvxBitmap& Bitmap) {
  Image image;
  if (!Decode(ReadFile(FileName), image)) return false;
  const float W = static_cast<float>(image.Width);
  const float H = static_cast<float>(image.Height);
  TvxRect r = MakeRect(0, 0, W, H);
  float ratio = FitRect(r, MakeRect(0, 0, FitWidth, FitHeight));
  if (!std::isfinite(ratio)) return false;
  if (ratio == 0) ratio = 0.001f;
  if (ratio < 1) ratio = 1;
  // Files carry no separate thumbnail here: both ways scale the image itself.
  const float tw = UseEmbedded ? W / ratio : (ratio == 1 ? W : RectWidth(r));
  const float th = UseEmbedded ? H / ratio : (ratio == 1 ? H : RectHeight(r));
  const int w = std::max(1, static_cast<int>(std::clamp(tw, 0.0f, W)));
  const int h = std::max(1, static_cast<int>(std::clamp(th, 0.0f, H)));
  TvxMatrix scale = IdentityMatrix;
  scale.m11 = static_cast<float>(w) / W;
  scale.m22 = static_cast<float>(h) / H;
  Image drawn;
  if (w == image.Width && h == image.Height)
    drawn = std::move(image);
  else if (!Redraw(image, w, h, scale, drawn))
    return false;
  Store(drawn, Bitmap);
  return true;
}

bool TvxFilterGdiPlus::LoadFromStream(rtl::TStream& Stream, TvxBitmap& Bitmap) {
  return DecodeInto(ReadRest(Stream), Bitmap);
}

bool TvxFilterGdiPlus::SaveToFile(const std::string& FileName, TvxBitmap& Bitmap, const std::string& Params) {
  const std::string ext = rtl::LowerCase(std::filesystem::path(FileName).extension().string());
  std::string mime;
  if (ext == ".jpg" || ext == ".jpeg")
    mime = "image/jpeg";
  else if (ext == ".bmp")
    mime = "image/bmp";
  else if (ext == ".png")
    mime = "image/png";
  else if (ext == ".tif" || ext == ".tiff")
    mime = "image/tiff";
  else if (ext == ".gif")
    mime = "image/gif";
  if (mime.empty())
    return Fail((ext.empty() ? std::string("the name has no extension") : "\"" + ext + "\" is no picture format") +
                "; a picture is saved as .png, .jpg, .jpeg, .bmp, .tif, .tiff or .gif");
  if (Bitmap.IsEmpty()) return Fail("the picture is empty");
  std::vector<uint8_t> bytes;
  if (!Encode(Bitmap, mime, Params, bytes)) return Fail("the picture could not be encoded as " + mime);
  try {
    rtl::WriteFileAtomic(FileName, bytes.data(), bytes.size());
  } catch (const rtl::Exception& e) {
    return Fail(e.Message());
  }
  return true;
}

bool TvxFilterGdiPlus::SaveToStream(rtl::TStream& Stream, TvxBitmap& Bitmap, const std::string& Format,
                                    const std::string& Params) {
  const std::string f = rtl::LowerCase(Format);
  std::string mime = "image/png";
  if (f == "jpeg" || f == "jpg")
    mime = "image/jpeg";
  else if (f == "bmp")
    mime = "image/bmp";
  else if (f == "tif" || f == "tiff")
    mime = "image/tiff";
  else if (f == "gif")
    mime = "image/gif";
  std::vector<uint8_t> bytes;
  if (!Encode(Bitmap, mime, Params, bytes)) return false;
  try {
    Stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  } catch (const rtl::Exception&) {
    return false;
  }
  return true;
}

int TvxFilterGdiPlus::GetEncoderClsid(const std::string& MimeType, std::string& Clsid) {
  const auto& encoders = gfx2d::ImageEncoders();
  int found = -1;
  for (size_t i = 0; i < encoders.size(); ++i)
    if (encoders[i].MimeType == MimeType) found = static_cast<int>(i);
  if (found >= 0) Clsid = encoders[static_cast<size_t>(found)].Format;
  return found;
}

}  // namespace vg
