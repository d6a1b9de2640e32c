#include "scene3d/Bitmaps.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/Graphics.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/ClassLibraryGraphics.h"

namespace dx {

const TdxFilterClass* DefaultFilterClass = nullptr;

// ---- bitmap rectangle ---------------------------------------------------------------------------

rtl::TClass TdxBitmapRect::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxBitmapRect>()
                                          .Property("left", &TdxBitmapRect::Left, &TdxBitmapRect::SetLeft)
                                          .Property("top", &TdxBitmapRect::Top, &TdxBitmapRect::SetTop)
                                          .Property("right", &TdxBitmapRect::Right, &TdxBitmapRect::SetRight)
                                          .Property("bottom", &TdxBitmapRect::Bottom, &TdxBitmapRect::SetBottom)
                                          .Build();
  return &info;
}

void TdxBitmapRect::Assign(const rtl::TPersistent* Source) {
  if (!rtl::AssignProperties(this, Source)) return inherited::Assign(Source);
  OnChange(this);
}

// ---- bitmap -------------------------------------------------------------------------------------

rtl::TClass TdxBitmap::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxBitmap>().Build();
  return &info;
}

TdxBitmap::TdxBitmap(int AWidth, int AHeight) { SetSize(AWidth, AHeight); }

TdxBitmap::TdxBitmap(rtl::TStream& Stream) { ReadPNG(Stream); }

TdxBitmap::~TdxBitmap() { DropTextures(); }

void TdxBitmap::DropTextures() {
  // A canvas may take itself off the list meanwhile: walk a copy, the last listed first.
  const std::vector<IdxBitmapCanvas*> listed = canvases_;
  for (auto it = listed.rbegin(); it != listed.rend(); ++it) (*it)->DestroyBitmapHandle(*this);
}

void TdxBitmap::SetSize(int AWidth, int AHeight) {
  const int w = std::max(AWidth, 0), h = std::max(AHeight, 0);
  if (w == width_ && h == height_) return;
  if (static_cast<int64_t>(w) * h > vg::MaxBitmapPixels)
    throw rtl::EInvalidArgument("Invalid bitmap size " + rtl::IntToStr(AWidth) + " x " + rtl::IntToStr(AHeight));
  DropTextures();
  std::vector<std::uint32_t>().swap(bits_);
  width_ = w;
  height_ = h;
  bits_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  SetNeedUpdate(true);
}

void TdxBitmap::Clear(TdxColor Color) {
  if (bits_.empty()) return;
  std::fill(bits_.begin(), bits_.end(), Color);
  SetNeedUpdate(true);
}

bool TdxBitmap::Map(std::uint32_t*& Bits, bool ForWrite) {
  if (bits_.empty()) {
    Bits = nullptr;
    return false;
  }
  Bits = bits_.data();
  if (ForWrite) written_ = true;
  return true;
}

void TdxBitmap::Unmap() {
  const bool written = std::exchange(written_, false);
  if (!written) return;
  SetNeedUpdate(true);
  OnChange(this);
}

void TdxBitmap::UnmapRect(int Left, int Top, int Right, int Bottom) {
  const bool written = std::exchange(written_, false);
  if (!written) return;
  const int l = std::clamp(Left, 0, width_), t = std::clamp(Top, 0, height_);
  const int r = std::clamp(Right, l, width_), b = std::clamp(Bottom, t, height_);
  if (r > l && b > t) {
    if (!needUpdate_) {
      needUpdate_ = partial_ = true;
      partLeft_ = l;
      partTop_ = t;
      partRight_ = r;
      partBottom_ = b;
    } else if (partial_) {
      partLeft_ = std::min(partLeft_, l);
      partTop_ = std::min(partTop_, t);
      partRight_ = std::max(partRight_, r);
      partBottom_ = std::max(partBottom_, b);
    }
  }
  OnChange(this);
}

bool TdxBitmap::PendingRect(int& Left, int& Top, int& Right, int& Bottom) const {
  if (!needUpdate_ || !partial_) return false;
  Left = partLeft_;
  Top = partTop_;
  Right = partRight_;
  Bottom = partBottom_;
  return true;
}

void TdxBitmap::AddCanvas(IdxBitmapCanvas* Canvas) {
  if (Canvas && std::find(canvases_.begin(), canvases_.end(), Canvas) == canvases_.end()) canvases_.push_back(Canvas);
}

void TdxBitmap::RemoveCanvas(IdxBitmapCanvas* Canvas) { std::erase(canvases_, Canvas); }

void TdxBitmap::CopyPixels(int AWidth, int AHeight, const std::uint32_t* Source) {
  SetSize(AWidth, AHeight);
  if (!bits_.empty() && Source) std::memcpy(bits_.data(), Source, bits_.size() * sizeof(std::uint32_t));
  SetNeedUpdate(true);
}

void TdxBitmap::Assign(const rtl::TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TdxBitmap*>(Source)) {
    if (src == this) return;
    CopyPixels(src->width_, src->height_, src->Bits());
  } else if (const auto* flat = dynamic_cast<const vg::TvxBitmap*>(Source)) {
    // A 2D bitmap that stands for a resource gives the resource's pixels.
    auto& from = const_cast<vg::TvxBitmap&>(*flat);
    const vg::TvxBitmap& pixels = from.GetResourceBitmap() ? *from.GetResourceBitmap() : from;
    CopyPixels(pixels.Width(), pixels.Height(), pixels.Bits());
  } else if (const auto* b = dynamic_cast<const win::TBitmap*>(Source)) {
    // The class library's bitmaps here are all of 32 bits without a transparent colour: the
    // pixels as they are.
    CopyPixels(b->Width(), b->Height(), b->Bits());
  } else {
    return inherited::Assign(Source);
  }
  OnChange(this);
}

void TdxBitmap::AssignTo(rtl::TPersistent* Dest) const {
  if (auto* p = dynamic_cast<win::TPicture*>(Dest)) return vg::CopyToClassLibraryPicture(Bits(), width_, height_, *p);
  if (auto* b = dynamic_cast<win::TBitmap*>(Dest)) return vg::CopyToClassLibraryBitmap(Bits(), width_, height_, *b);
  auto* flat = dynamic_cast<vg::TvxBitmap*>(Dest);
  if (!flat) return inherited::AssignTo(Dest);
  {
    rtl::TEventMute quiet(flat->OnChange);
    flat->SetSize(width_, height_);
    if (!bits_.empty()) std::memcpy(flat->Bits(), bits_.data(), bits_.size() * sizeof(std::uint32_t));
    flat->SetNeedUpdate(true);
  }
  flat->BitmapChanged();
}

void TdxBitmap::WritePNG(rtl::TStream& Stream, bool Exact) {
  if (!DefaultFilterClass || bits_.empty()) return;
  const bool opaque =
      !Exact && std::all_of(bits_.begin(), bits_.end(), [](std::uint32_t p) { return (p >> 24) == 0xFF; });
  auto filter = DefaultFilterClass->Create();
  if (opaque)
    filter->SaveToStream(Stream, *this, "jpg", "quality=100");
  else
    filter->SaveToStream(Stream, *this, "png", "");
}

void TdxBitmap::ReadPNG(rtl::TStream& Stream) {
  if (!DefaultFilterClass) return;
  bool ok;
  {
    // The codec may notify on its way; the bitmap tells its owner once, after a success.
    rtl::TEventMute quiet(OnChange);
    ok = DefaultFilterClass->Create()->LoadFromStream(Stream, *this);
  }
  if (ok) OnChange(this);
}

void TdxBitmap::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "PNG", [this](rtl::TStream& S) { ReadPNG(S); },
      [this, exact = Filer->Copying()](rtl::TStream& S) { WritePNG(S, exact); },
      !bits_.empty() && DefaultFilterClass != nullptr);
}

// ---- codec interface ---------------------------------------------------------------------------

rtl::TClass TdxFilter::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxFilter>().Build();
  return &info;
}

// ---- named bitmap resources ---------------------------------------------------------------------

namespace {

struct TResourceEntry {
  std::string Name;
  IdxBitmapResource* Resource;
};

// Never destroyed: resource objects may still take themselves off it while the program ends.
std::vector<TResourceEntry>& Resources() {
  static auto* list = new std::vector<TResourceEntry>;
  return *list;
}

}  // namespace

void dxAddBitmapResource(const std::string& Name, IdxBitmapResource* Resource) {
  if (Resource) Resources().push_back({Name, Resource});
}

void dxRenameBitmapResource(IdxBitmapResource* Resource, const std::string& Name) {
  for (TResourceEntry& e : Resources())
    if (e.Resource == Resource) e.Name = Name;
}

void dxRemoveBitmapResource(IdxBitmapResource* Resource) {
  std::erase_if(Resources(), [Resource](const TResourceEntry& e) { return e.Resource == Resource; });
}

TdxBitmap* dxFindResourceBitmap(const std::string& Name) {
  if (Name.empty()) return nullptr;
  for (const TResourceEntry& e : Resources())
    if (rtl::SameText(e.Name, Name)) return e.Resource->ResourceBitmap();
  return nullptr;
}

}  // namespace dx
