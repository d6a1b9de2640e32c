// The in-memory image of the 2D library (32-bit premultiplied ARGB pixels) and the
// abstract image codec through which it is loaded and saved.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/ResourceLinks.h"

namespace rtl {
class TStream;
}

namespace vg {

class TvxBitmap;
class TvxCanvas;

// The image codec. Users make an instance of DefaultFilterClass for each operation and
// free it afterwards. Every operation returns true on success and leaves the bitmap as
// it was on failure; FailureReason then says why, where the codec knows.
class TvxFilter : public rtl::TPersistent {
  RTL_CLASS(TvxFilter, rtl::TPersistent)
public:
  // Why the last operation that returned false failed, in words for the user; empty when
  // the codec did not say.
  const std::string& FailureReason() const { return failureReason_; }

  // The file-type filter text of an open dialog; base: empty.
  virtual std::string GetFileTypes() { return {}; }
  // The size of the image in a file; base: (0, 0).
  virtual TvxPoint GetImageSize(const std::string&) { return {}; }
  // Rotate in degrees; the codec applies multiples of 90.
  virtual bool LoadFromFile(const std::string& FileName, float Rotate, TvxBitmap& Bitmap) = 0;
  virtual bool LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight,
                                     bool UseEmbedded, TvxBitmap& Bitmap) = 0;
  // The format follows the file name's extension; Params such as "quality=100".
  virtual bool SaveToFile(const std::string& FileName, TvxBitmap& Bitmap, const std::string& Params) = 0;
  // The codec recognises the format from the data.
  virtual bool LoadFromStream(rtl::TStream& Stream, TvxBitmap& Bitmap) = 0;
  // Format: "jpeg", "png", ...
  virtual bool SaveToStream(rtl::TStream& Stream, TvxBitmap& Bitmap, const std::string& Format,
                            const std::string& Params) = 0;

protected:
  // Keeps Reason as the failure's and returns false: `return Fail("...");`.
  bool Fail(std::string Reason) {
    failureReason_ = std::move(Reason);
    return false;
  }

private:
  std::string failureReason_;
};

// A class reference of image codecs: the virtual constructor (the caller owns the codec).
class TvxFilterClass {
public:
  virtual ~TvxFilterClass() = default;
  virtual rtl::TClass ClassInfo() const = 0;
  virtual std::unique_ptr<TvxFilter> Create() const = 0;
};

template <class F> class TvxFilterClassOf final : public TvxFilterClass {
public:
  static const TvxFilterClassOf* Instance() {
    static const TvxFilterClassOf instance;
    return &instance;
  }
  rtl::TClass ClassInfo() const override { return F::StaticClass(); }
  std::unique_ptr<TvxFilter> Create() const override { return std::make_unique<F>(); }
};

// The codec class every image of the library is loaded and saved with; set at start-up.
extern const TvxFilterClass* DefaultFilterClass;

// Bitmaps of more pixels than this are refused.
constexpr int64_t MaxBitmapPixels = int64_t{1} << 28;
// Pictures read from files and streams of more pixels than this are refused: 8192 x 8192,
// the largest window, is more than any picture of this program needs.
constexpr int64_t MaxPicturePixels = int64_t{1} << 26;

class TvxBitmap : public rtl::TPersistent, public TvxResourceValue<TvxBitmap, &IvxLinkTarget::GetResourceBitmap> {
  RTL_CLASS(TvxBitmap, rtl::TPersistent)
public:
  TvxBitmap();
  // A bitmap of that size, every pixel transparent (SetSize's rules).
  TvxBitmap(int AWidth, int AHeight);
  // Reads the image with the default codec, as the "PNG" property does.
  explicit TvxBitmap(rtl::TStream& Stream);
  ~TvxBitmap() override;

  // ---- size -------------------------------------------------------------------------------
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Reallocates (every pixel transparent) and fires OnChange when the size changes. A
  // negative size or one beyond MaxBitmapPixels raises rtl::EInvalidArgument and changes
  // nothing.
  void SetSize(int AWidth, int AHeight);
  bool IsEmpty() const { return static_cast<int64_t>(width_) * height_ == 0; }
  // Fires OnChange (for callers that changed the pixels directly).
  void BitmapChanged() { Changed(); }

  // ---- pixels -----------------------------------------------------------------------------
  // Width x Height premultiplied ARGB pixels, top row first; nil when empty.
  uint32_t* Bits() { return bits_.empty() ? nullptr : bits_.data(); }
  const uint32_t* Bits() const { return bits_.empty() ? nullptr : bits_.data(); }
  uint32_t* GetScanline(int Y);
  TvxCanvas* GetCanvas();
  virtual void Clear(TvxColor Color);
  // Left and Top truncated, Right and Bottom rounded, clipped to the bitmap; no OnChange.
  virtual void ClearRect(const TvxRect& Rect, TvxColor Color);
  void FlipVertical();
  void InvertAlpha();
  void SetColorKeepAlpha(TvxColor Color);
  // The alpha of every pixel, Width x Height bytes.
  std::vector<uint8_t> CreateMask() const;
  // Fades each pixel by the mask byte at its position shifted by (-DX, -DY).
  void ApplyMask(const std::vector<uint8_t>& Mask, int DX, int DY);

  // Set whenever the pixels change (a host holding a copy of them makes it again).
  bool NeedUpdate() const { return needUpdate_; }
  void SetNeedUpdate(bool Value) { needUpdate_ = Value; }
  // What a host attached (a texture made from the pixels); cleared when they go away.
  void* Handle() const { return handle_; }
  void SetHandle(void* Value) { handle_ = Value; }

  // ---- files ------------------------------------------------------------------------------
  // A missing file, a failing codec or no codec class change nothing.
  void LoadFromFile(const std::string& FileName, float Rotate = 0);
  void LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight,
                             bool UseEmbedded = true);
  // The codec saves (the format follows the extension); false when it failed or there is no
  // codec, with the codec's words for why in Reason when given.
  bool SaveToFile(const std::string& FileName, const std::string& Params = {}, std::string* Reason = nullptr);

  // ---- "PNG" property ---------------------------------------------------------------------
  // Fully opaque images as JPEG of quality 100, others as PNG; Exact: PNG in any case, for
  // a copy inside the program (JPEG would change the colours at every copy).
  void WritePNG(rtl::TStream& Stream, bool Exact = false);
  // Decodes whatever the codec recognises; fires OnChange on success.
  void ReadPNG(rtl::TStream& Stream);

  // ---- resource ---------------------------------------------------------------------------
  // The bitmap of the resource object this bitmap stands for (Resource, ResourceName), or nil.
  TvxBitmap* GetResourceBitmap() { return ResourceValue(); }

  // From a TvxBitmap; from a bitmap of the class library (win::TBitmap, whose pixels are
  // copied as they are: premultiplied ARGB like ours); from any other graphic of the class
  // library (win::TGraphic) its size and what it draws over a magenta key: opaque where it
  // draws, transparent where the key stays; from a picture (win::TPicture) what it holds, as
  // above (no graphic: empty).
  void Assign(const rtl::TPersistent* Source) override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnFreePixels;
  // For hosts (the image shape); the bitmap never fires it.
  rtl::TNotifyEvent OnLoaded;
  rtl::TNotifyEvent OnAfterRealloc;
  rtl::TNotifyEvent OnBeforeRealloc;

protected:
  // To a bitmap of the class library (win::TBitmap): its size, and the own pixels row by row;
  // to a picture (win::TPicture): a bitmap made so, which the picture takes.
  void AssignTo(rtl::TPersistent* Dest) const override;
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  void Reallocate(int AWidth, int AHeight);
  void RunCodec(const std::function<bool(TvxFilter&)>& Operation);
  void FreeCanvas();
  void Changed() { OnChange(this); }
  void LinkChanged() override { Changed(); }

  std::vector<uint32_t> bits_;
  void* handle_ = nullptr;
  int height_ = 0;
  int width_ = 0;
  bool needUpdate_ = false;
  std::unique_ptr<TvxCanvas> canvas_;
};

}  // namespace vg
