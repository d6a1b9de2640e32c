// The 3D library's bitmap (the pixels that become a texture), the rectangle of a bitmap that a
// material uses, the image codec interface through which bitmaps are loaded and saved, and the
// list of named bitmap resources that materials find their bitmaps in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "scene3d/Maths.h"

namespace rtl {
class TStream;
}

namespace dx {

class TdxBitmap;

// What a canvas that makes textures of bitmaps offers them. A bitmap lists the canvases that
// may hold a texture of it, and tells each to drop that texture when its pixels are
// reallocated or freed. A canvas takes itself off every bitmap's list (TdxBitmap::RemoveCanvas)
// before it goes, so no bitmap is left pointing at a freed canvas.
class IdxBitmapCanvas {
public:
  virtual void DestroyBitmapHandle(TdxBitmap& Bitmap) = 0;

protected:
  ~IdxBitmapCanvas() = default;
};

// The part of a bitmap a material draws with, in pixels; all zero means the whole bitmap.
// Published as "left", "top", "right" and "bottom".
class TdxBitmapRect : public rtl::TPersistent {
  RTL_CLASS(TdxBitmapRect, rtl::TPersistent)
public:
  float Left() const { return left_; }
  void SetLeft(float Value) { SetField(left_, Value, &TdxBitmapRect::OnChange); }
  float Top() const { return top_; }
  void SetTop(float Value) { SetField(top_, Value, &TdxBitmapRect::OnChange); }
  float Right() const { return right_; }
  void SetRight(float Value) { SetField(right_, Value, &TdxBitmapRect::OnChange); }
  float Bottom() const { return bottom_; }
  void SetBottom(float Value) { SetField(bottom_, Value, &TdxBitmapRect::OnChange); }
  bool IsEmpty() const { return left_ == 0 && top_ == 0 && right_ == 0 && bottom_ == 0; }

  // From another rectangle: copies the four values, then fires OnChange once.
  void Assign(const rtl::TPersistent* Source) override;

  rtl::TNotifyEvent OnChange;

private:
  float right_ = 0;
  float bottom_ = 0;
  float top_ = 0;
  float left_ = 0;
};

// Width x Height premultiplied ARGB pixels, top row first (the 2D bitmap's format, so pixels
// move between the two as one block). Streamed as the binary property "PNG".
class TdxBitmap : public rtl::TPersistent {
  RTL_CLASS(TdxBitmap, rtl::TPersistent)
public:
  TdxBitmap() = default;
  // SetSize's rules.
  TdxBitmap(int AWidth, int AHeight);
  // Reads the pixels with the default codec, as the "PNG" property does.
  explicit TdxBitmap(rtl::TStream& Stream);
  // Every listed canvas drops its texture (the last listed first), then the pixels go.
  ~TdxBitmap() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Nothing when the size is unchanged. Otherwise every listed canvas drops its texture, a
  // side below 1 becomes 0 (no pixels at all), the pixels are reallocated transparent and the
  // bitmap needs an upload. No OnChange. A size of more than vg::MaxBitmapPixels raises
  // rtl::EInvalidArgument and changes nothing.
  void SetSize(int AWidth, int AHeight);
  // Every pixel becomes Color; the bitmap needs an upload. Nothing without pixels.
  void Clear(TdxColor Color);

  // Hands out the pixels; false (and nil) when there are none. A mapping for writing is
  // remembered until Unmap.
  bool Map(std::uint32_t*& Bits, bool ForWrite);
  // After a mapping for writing the bitmap needs an upload and fires OnChange.
  void Unmap();
  // Ends a mapping for writing that changed only the pixels of [Left, Right) x [Top, Bottom)
  // (clipped to the bitmap): an upload of that part is enough. It joins a part already waiting
  // (as their bounding rectangle); a whole upload already waiting stays whole. Then OnChange.
  void UnmapRect(int Left, int Top, int Right, int Bottom);
  // When an upload is waiting for a part only, that part; false when the whole bitmap needs it
  // (or nothing does).
  bool PendingRect(int& Left, int& Top, int& Right, int& Bottom) const;
  // The pixels for reading; nil when there are none.
  const std::uint32_t* Bits() const { return bits_.empty() ? nullptr : bits_.data(); }

  // Whether the textures made from the pixels are stale; the canvas clears it after an upload.
  bool NeedUpdate() const { return needUpdate_; }
  // Either way nothing is left of a part waiting alone: set, the whole bitmap waits.
  void SetNeedUpdate(bool Value) {
    needUpdate_ = Value;
    partial_ = false;
  }

  // The canvases that may hold a texture of this bitmap (see IdxBitmapCanvas).
  const std::vector<IdxBitmapCanvas*>& Canvases() const { return canvases_; }
  // Adds a canvas not listed yet.
  void AddCanvas(IdxBitmapCanvas* Canvas);
  void RemoveCanvas(IdxBitmapCanvas* Canvas);

  // From a 3D bitmap, a 2D bitmap (vg::TvxBitmap) or the class library's (win::TBitmap, always
  // of 32 bits here): its size and pixels; then the bitmap needs an upload and fires OnChange.
  void Assign(const rtl::TPersistent* Source) override;

  // "PNG": written through the default codec when there is at least one pixel, as "jpg" of
  // quality 100 when every pixel is opaque, else as "png"; Exact: as "png" in any case, for a
  // copy inside the program (TFiler::Copying).
  void WritePNG(rtl::TStream& Stream, bool Exact = false);
  // Fires OnChange when the default codec decoded the data; otherwise leaves the bitmap as it
  // was.
  void ReadPNG(rtl::TStream& Stream);

  rtl::TNotifyEvent OnChange;

protected:
  // To a 2D bitmap: its size and pixels, then the 2D bitmap's change event. To the class
  // library's bitmap: its size, and the pixels row by row; to its picture (win::TPicture): a
  // bitmap made so, which the picture takes.
  void AssignTo(rtl::TPersistent* Dest) const override;
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  void DropTextures();
  void CopyPixels(int AWidth, int AHeight, const std::uint32_t* Source);

  std::vector<std::uint32_t> bits_;
  int height_ = 0;
  int width_ = 0;
  bool needUpdate_ = false;
  bool written_ = false;
  // The part waiting for an upload, when only a part is (see UnmapRect).
  bool partial_ = false;
  int partLeft_ = 0, partTop_ = 0, partRight_ = 0, partBottom_ = 0;
  std::vector<IdxBitmapCanvas*> canvases_;
};

// The image codec interface. Users make an instance of the default codec class for each
// operation and free it afterwards. Loads and saves return true on success; a failed load leaves
// the bitmap as it was.
class TdxFilter : public rtl::TPersistent {
  RTL_CLASS(TdxFilter, rtl::TPersistent)
public:
  // The file-type filter text of an open dialog; base: empty.
  virtual std::string GetFileTypes() { return {}; }
  // (width, height, 0) of the image in a file; base: (0, 0, 0).
  virtual TdxPoint3D GetImageSize(const std::string&) { return {}; }
  // Rotate in degrees.
  virtual bool LoadFromFile(const std::string& FileName, float Rotate, TdxBitmap& Bitmap) = 0;
  virtual bool LoadThumbnailFromFile(const std::string& FileName, float FitWidth, float FitHeight, bool UseEmbedded,
                                     TdxBitmap& Bitmap) = 0;
  virtual bool SaveToFile(const std::string& FileName, TdxBitmap& Bitmap, const std::string& Params) = 0;
  virtual bool LoadFromStream(rtl::TStream& Stream, TdxBitmap& Bitmap) = 0;
  // Format "png", "jpg" ...; Params such as "quality=100".
  virtual bool SaveToStream(rtl::TStream& Stream, TdxBitmap& Bitmap, const std::string& Format,
                            const std::string& Params) = 0;
};

// A class reference of 3D image codecs: the virtual constructor (the caller owns the codec).
class TdxFilterClass {
public:
  virtual ~TdxFilterClass() = default;
  virtual rtl::TClass ClassInfo() const = 0;
  virtual std::unique_ptr<TdxFilter> Create() const = 0;
};

template <class F>
class TdxFilterClassOf final : public TdxFilterClass {
public:
  static const TdxFilterClassOf* Instance() {
    static const TdxFilterClassOf instance;
    return &instance;
  }
  rtl::TClass ClassInfo() const override { return F::StaticClass(); }
  std::unique_ptr<TdxFilter> Create() const override { return std::make_unique<F>(); }
};

// The codec class every 3D bitmap is loaded and saved with; set by the library's start-up.
extern const TdxFilterClass* DefaultFilterClass;

// ---- named bitmap resources ---------------------------------------------------------------------
// A resource object that a material can name (a bitmap object, an item of a bitmap list, a
// buffer layer): it answers with the bitmap it stands for. Each registers itself while it lives.
class IdxBitmapResource {
public:
  virtual TdxBitmap* ResourceBitmap() = 0;

protected:
  ~IdxBitmapResource() = default;
};

// The one list of named bitmap resources, in the order they were added. Names compare without
// regard to case; several entries may share a name (the first counts) and a name may be empty.
void dxAddBitmapResource(const std::string& Name, IdxBitmapResource* Resource);
void dxRenameBitmapResource(IdxBitmapResource* Resource, const std::string& Name);
void dxRemoveBitmapResource(IdxBitmapResource* Resource);
// The bitmap of the first entry of that name; nil for an empty name or none.
TdxBitmap* dxFindResourceBitmap(const std::string& Name);

}  // namespace dx
