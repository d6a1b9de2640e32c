#include "vg2d/core/Bitmaps.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/Graphics.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/ClassLibraryGraphics.h"
#include "vg2d/core/Registry.h"

namespace vg {

const TvxFilterClass* DefaultFilterClass = nullptr;

rtl::TClass TvxFilter::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFilter>()
                                          .Method("GetFileTypes", &TvxFilter::GetFileTypes)
                                          .Method("GetImageSize", &TvxFilter::GetImageSize)
                                          .Build();
  return &info;
}

// The pixels are streamed as the binary property "PNG".
rtl::TClass TvxBitmap::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBitmap>()
                                          .Property("Resource", &TvxBitmap::Resource, &TvxBitmap::SetResource).Stored(false)
                                          .Property("ResourceName", &TvxBitmap::ResourceName, &TvxBitmap::SetResourceName)
                                          .Build();
  return &info;
}

TvxBitmap::TvxBitmap() = default;

TvxBitmap::TvxBitmap(int AWidth, int AHeight) { SetSize(AWidth, AHeight); }

TvxBitmap::TvxBitmap(rtl::TStream& Stream) { ReadPNG(Stream); }

TvxBitmap::~TvxBitmap() {
  ClearResourceLink();
  FreeCanvas();
  OnFreePixels(this);
  handle_ = nullptr;
}

void TvxBitmap::FreeCanvas() {
  std::unique_ptr<TvxCanvas> c = std::move(canvas_);  // cleared before the canvas goes
}

// ---- size ---------------------------------------------------------------------------------------

void TvxBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth == width_ && AHeight == height_) return;
  Reallocate(AWidth, AHeight);
  Changed();
}

void TvxBitmap::Reallocate(int AWidth, int AHeight) {
  const int64_t pixels = static_cast<int64_t>(AWidth) * AHeight;
  if (AWidth < 0 || AHeight < 0 || pixels > MaxBitmapPixels)
    throw rtl::EInvalidArgument("Invalid bitmap size " + rtl::IntToStr(AWidth) + " x " + rtl::IntToStr(AHeight));
  OnBeforeRealloc(this);
  OnFreePixels(this);
  handle_ = nullptr;
  FreeCanvas();
  std::vector<uint32_t>().swap(bits_);
  width_ = AWidth;
  height_ = AHeight;
  if (pixels > 0) bits_.assign(static_cast<size_t>(pixels), 0u);  // fully transparent
  needUpdate_ = true;
  OnAfterRealloc(this);
}

// ---- pixels -------------------------------------------------------------------------------------

uint32_t* TvxBitmap::GetScanline(int Y) {
  if (DefaultCanvasClass) return DefaultCanvasClass->GetScanline(this, Y);
  if (Y < 0 || Y >= height_ || bits_.empty()) return nullptr;
  return bits_.data() + static_cast<size_t>(Y) * static_cast<size_t>(width_);
}

TvxCanvas* TvxBitmap::GetCanvas() {
  if (!canvas_ && DefaultCanvasClass) {
    canvas_ = DefaultCanvasClass->CreateFromBitmap(this);
    if (canvas_) canvas_->SetMatrix(IdentityMatrix);
  }
  return canvas_.get();
}

void TvxBitmap::Clear(TvxColor Color) {
  if (bits_.empty()) return;
  std::fill(bits_.begin(), bits_.end(), PremultiplyAlpha(Color));
  Changed();
  needUpdate_ = true;
}

void TvxBitmap::ClearRect(const TvxRect& Rect, TvxColor Color) {
  int64_t left = Trunc(Rect.Left), top = Trunc(Rect.Top);
  int64_t right = Round(Rect.Right), bottom = Round(Rect.Bottom);
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, width_);
  bottom = std::min<int64_t>(bottom, height_);
  bottom = std::max(bottom, top);
  right = std::max(right, left);
  if (left >= width_ || top >= height_ || bits_.empty()) return;
  const uint32_t c = PremultiplyAlpha(Color);
  for (int64_t y = top; y < bottom; ++y) {
    uint32_t* row = bits_.data() + y * width_;
    std::fill(row + left, row + right, c);
  }
  needUpdate_ = true;
}

void TvxBitmap::FlipVertical() {
  if (bits_.empty()) return;
  std::vector<uint32_t> row(static_cast<size_t>(width_));
  for (int y = 0; y < height_ / 2; ++y) {
    uint32_t* top = bits_.data() + static_cast<size_t>(y) * width_;
    uint32_t* bottom = bits_.data() + static_cast<size_t>(height_ - 1 - y) * width_;
    std::copy(top, top + width_, row.begin());
    std::copy(bottom, bottom + width_, top);
    std::copy(row.begin(), row.end(), bottom);
  }
  Changed();
  needUpdate_ = true;
}

void TvxBitmap::InvertAlpha() {
  for (uint32_t& p : bits_) {
    const TvxColor c = UnpremultiplyAlpha(p);
    p = PremultiplyAlpha((c & 0x00FFFFFFu) | (static_cast<uint32_t>(255 - AlphaOf(c)) << 24));
  }
  Changed();
  needUpdate_ = true;
}

void TvxBitmap::SetColorKeepAlpha(TvxColor Color) {
  for (uint32_t& p : bits_) {
    const uint8_t a = AlphaOf(p);
    if (a != 0) p = PremultiplyAlpha(ApplyOpacity(Color, a / 255.0f));
  }
  Changed();
  needUpdate_ = true;
}

std::vector<uint8_t> TvxBitmap::CreateMask() const {
  std::vector<uint8_t> mask(bits_.size());
  for (size_t i = 0; i < bits_.size(); ++i) mask[i] = AlphaOf(bits_[i]);
  return mask;
}

void TvxBitmap::ApplyMask(const std::vector<uint8_t>& Mask, int DX, int DY) {
  if (Mask.size() < bits_.size()) return;  // not a mask of this bitmap
  for (int y = 0; y < height_; ++y) {
    const int64_t my = static_cast<int64_t>(y) - DY;
    if (my < 0 || my >= height_) continue;
    for (int x = 0; x < width_; ++x) {
      const int64_t mx = static_cast<int64_t>(x) - DX;
      if (mx < 0 || mx >= width_) continue;
      const uint8_t m = Mask[static_cast<size_t>(my * width_ + mx)];
      if (m == 0) continue;
      uint32_t& p = bits_[static_cast<size_t>(y) * width_ + x];
      p = PremultiplyAlpha(ApplyOpacity(UnpremultiplyAlpha(p), (255 - m) / 255.0f));
    }
  }
  Changed();
  needUpdate_ = true;
}

// ---- files --------------------------------------------------------------------------------------

void TvxBitmap::LoadFromFile(const std::string& FileName, float Rotate) {
  std::error_code ec;
  if (!DefaultFilterClass || !std::filesystem::exists(FileName, ec)) return;
  RunCodec([&](TvxFilter& F) { return F.LoadFromFile(FileName, Rotate, *this); });
}

void TvxBitmap::LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight,
                                      bool UseEmbedded) {
  RunCodec([&](TvxFilter& F) { return F.LoadThumbnailFromFile(FileName, FitWidth, FitHeight, UseEmbedded, *this); });
}

// Runs a loading operation of a new codec instance: the bitmap notifies once, after the
// codec succeeded, however many changes the codec made on its way; a codec that fails
// or raises leaves the bitmap and fires nothing.
void TvxBitmap::RunCodec(const std::function<bool(TvxFilter&)>& Operation) {
  if (!DefaultFilterClass) return;
  bool ok = false;
  {
    rtl::TEventMute quiet(OnChange);
    try {
      ok = Operation(*DefaultFilterClass->Create());
    } catch (const rtl::Exception&) {
      ok = false;
    }
  }
  if (ok) Changed();
}

bool TvxBitmap::SaveToFile(const std::string& FileName, const std::string& Params, std::string* Reason) {
  if (!DefaultFilterClass) {
    if (Reason) *Reason = "no image codec is installed";
    return false;
  }
  auto filter = DefaultFilterClass->Create();
  if (filter->SaveToFile(FileName, *this, Params)) return true;
  if (Reason) *Reason = filter->FailureReason();
  return false;
}

// ---- "PNG" property -----------------------------------------------------------------------------

void TvxBitmap::WritePNG(rtl::TStream& Stream, bool Exact) {
  if (!DefaultFilterClass) return;
  const bool opaque =
      !Exact && std::all_of(bits_.begin(), bits_.end(), [](uint32_t p) { return AlphaOf(p) == 0xFF; });
  auto filter = DefaultFilterClass->Create();
  if (opaque) filter->SaveToStream(Stream, *this, "jpeg", "quality=100");
  else filter->SaveToStream(Stream, *this, "png", "");
}

void TvxBitmap::ReadPNG(rtl::TStream& Stream) {
  RunCodec([&](TvxFilter& F) {
    const int64_t position = Stream.Position();
    if (position == 0) return F.LoadFromStream(Stream, *this);
    rtl::TMemoryStream rest;
    const int64_t remaining = Stream.Size() - position;
    if (remaining > 0) rest.CopyFrom(&Stream, remaining);
    rest.SetPosition(0);
    return F.LoadFromStream(rest, *this);
  });
}

void TvxBitmap::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "PNG", [this](rtl::TStream& S) { ReadPNG(S); },
      [this, exact = Filer->Copying()](rtl::TStream& S) { WritePNG(S, exact); },
      !IsEmpty() && DefaultFilterClass != nullptr);
}

// ---- assignment ---------------------------------------------------------------------------------

void TvxBitmap::Assign(const rtl::TPersistent* Source) {
  // A picture of the class library stands for the graphic it holds.
  const auto* picture = dynamic_cast<const win::TPicture*>(Source);
  const win::TGraphic* graphic = picture ? picture->Graphic() : dynamic_cast<const win::TGraphic*>(Source);
  if (picture || graphic) {
    const auto* b = dynamic_cast<const win::TBitmap*>(graphic);
    // A bitmap: its pixels as they are. Any other graphic: drawn over the magenta key, which
    // leaves transparent what it does not cover. No graphic: no pixels.
    const std::vector<uint32_t> drawn = graphic && !b ? KeyedPixelsOfGraphic(*graphic) : std::vector<uint32_t>();
    const int w = graphic ? graphic->Width() : 0, h = graphic ? graphic->Height() : 0;
    const uint32_t* from = b ? b->Bits() : (drawn.empty() ? nullptr : drawn.data());
    ClearResourceLink();
    if (w != width_ || h != height_) Reallocate(w, h);
    if (from) std::copy(from, from + bits_.size(), bits_.begin());
    needUpdate_ = true;
    LinkChanged();
    return;
  }
  AssignValue(Source, [this](const TvxBitmap& src) {
    ClearResourceLink();
    if (src.width_ != width_ || src.height_ != height_) Reallocate(src.width_, src.height_);
    bits_ = src.bits_;
    needUpdate_ = true;
  });
}

void TvxBitmap::AssignTo(rtl::TPersistent* Dest) const {
  if (auto* p = dynamic_cast<win::TPicture*>(Dest)) return CopyToClassLibraryPicture(Bits(), width_, height_, *p);
  auto* b = dynamic_cast<win::TBitmap*>(Dest);
  if (!b) return inherited::AssignTo(Dest);
  CopyToClassLibraryBitmap(Bits(), width_, height_, *b);
}

}  // namespace vg
