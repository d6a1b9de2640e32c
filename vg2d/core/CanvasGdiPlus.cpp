#include "vg2d/core/CanvasGdiPlus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <set>

#include "platform/gfx2d/Backend.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/CanvasGdiPlus_Internal.h"

namespace vg {

rtl::TClass TvxCanvasGdiPlus::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCanvasGdiPlus>().Build();
  return &info;
}

namespace {

class GdiPlusCanvasClass final : public TvxCanvasClass {
public:
  rtl::TClass ClassInfo() const override { return TvxCanvasGdiPlus::StaticClass(); }
  std::unique_ptr<TvxCanvas> Create(int AWidth, int AHeight) const override {
    return std::make_unique<TvxCanvasGdiPlus>(AWidth, AHeight);
  }
  std::unique_ptr<TvxCanvas> CreateFromBitmap(TvxBitmap* Bitmap) const override {
    return std::make_unique<TvxCanvasGdiPlus>(Bitmap);
  }
  uint32_t* GetScanline(TvxBitmap* Bitmap, int Y) const override { return TvxCanvasGdiPlus::GetScanline(Bitmap, Y); }
};

// Visual objects being painted by a visual brush just now: a visual brush that would
// paint one of them again (its object is an ancestor of the object being filled) paints
// nothing instead of recursing without end.
std::set<rtl::TComponent*>& VisualsInPaint() {
  static std::set<rtl::TComponent*> visuals;
  return visuals;
}

int ClampInt(int64_t V) { return static_cast<int>(std::clamp<int64_t>(V, -(int64_t{1} << 30), int64_t{1} << 30)); }

gfx2d::Matrix ToGP(const TvxMatrix& M) { return {M.m11, M.m12, M.m21, M.m22, M.m31, M.m32}; }

// The back-end matrix of the canvas's transform: its affine part after a shear by
// (m13, m23), which every affine matrix has as zero.
gfx2d::Matrix CanvasMatrix(const TvxMatrix& M) {
  const gfx2d::Matrix shear{1, M.m23, M.m13, 1, 0, 0};
  return gfx2d::Multiply(shear, ToGP(M));
}

gfx2d::Blend GradientStops(const TvxGradient& G, float Opacity, bool AddEnds) {
  gfx2d::Blend b;
  const int n = G.Points()->Count();
  auto add = [&](TvxColor C, float Position) {
    b.Colors.push_back(ApplyOpacity(C, Opacity));
    b.Positions.push_back(Position);
  };
  const TvxGradientPoint* first = G.Points()->GetPoint(0);
  const TvxGradientPoint* last = G.Points()->GetPoint(n - 1);
  if (AddEnds && first->Offset() > 0) add(first->IntColor(), 0);
  for (int i = 0; i < n; ++i) add(G.Points()->GetPoint(i)->IntColor(), G.Points()->GetPoint(i)->Offset());
  if (AddEnds && last->Offset() < 1) add(last->IntColor(), 1);
  return b;
}

// The gradient line for a rectangle: positions scale by Right and Bottom, not by the
// size, so a rectangle away from the origin shifts the line.
void GradientLine(const TvxGradient& G, const TvxRect& R, gfx2d::PointF& P1, gfx2d::PointF& P2) {
  P1 = {R.Left + G.StartPosition()->X() * R.Right, R.Top + G.StartPosition()->Y() * R.Bottom};
  P2 = {R.Left + G.StopPosition()->X() * R.Right, R.Top + G.StopPosition()->Y() * R.Bottom};
}

// Fits path points from the path's bounds into a rectangle.
struct PathFit {
  TvxRect Bounds, Rect;
  float BW = 0, BH = 0;
  bool Init(const TvxPathData* Path, const TvxRect& ARect) {
    if (!Path || Path->IsEmpty()) return false;
    Bounds = Path->GetBounds();
    Rect = ARect;
    BW = RectWidth(Bounds);
    BH = RectHeight(Bounds);
    return BW > 0 && BH > 0;
  }
  gfx2d::PointF operator()(const TvxPoint& P) const {
    return {Rect.Left + (P.X - Bounds.Left) / BW * RectWidth(Rect), Rect.Top + (P.Y - Bounds.Top) / BH * RectHeight(Rect)};
  }
};

// The fitted back-end path of a path: a move starts a figure, a close closes it, and a
// curve whose three points are not all there ends the path.
gfx2d::Path BuildPath(const TvxPathData& Path, const PathFit& Fit) {
  gfx2d::Path gp;
  const auto& pts = Path.Points();
  const size_t n = pts.size();
  gfx2d::PointF cur = Fit(pts[0].Point);
  for (size_t i = 0; i < n; ++i) {
    switch (pts[i].Kind) {
      case vgPathPointMoveTo:
        gp.StartFigure();
        cur = Fit(pts[i].Point);
        break;
      case vgPathPointLineTo: {
        const gfx2d::PointF p = Fit(pts[i].Point);
        gp.AddLine(cur, p);
        cur = p;
        break;
      }
      case vgPathPointCurveTo: {
        if (i + 2 >= n) return gp;
        const gfx2d::PointF e = Fit(pts[i + 2].Point);
        gp.AddBezier(cur, Fit(pts[i].Point), Fit(pts[i + 1].Point), e);
        cur = e;
        i += 2;
        break;
      }
      case vgPathPointClose: gp.CloseFigure(); break;
    }
  }
  return gp;
}

}  // namespace

const TvxCanvasClass* TvxCanvasGdiPlus::ClassRef() {
  static const GdiPlusCanvasClass instance;
  return &instance;
}

// ---- life -----------------------------------------------------------------------------------------

TvxCanvasGdiPlus::TvxCanvasGdiPlus(int AWidth, int AHeight) {
  buffered_ = true;
  MakeBuffer(AWidth, AHeight);
  CreateTools();
  ChooseFontFamily();
}

TvxCanvasGdiPlus::TvxCanvasGdiPlus(TvxBitmap* ABitmap) : TvxCanvas(ABitmap) {
  GetGPBitmap(ABitmap);
  if (gfx2d::Image* img = ABitmap ? GPImage(ABitmap) : nullptr) CreateGraphics(img);
  CreateTools();
  ChooseFontFamily();
}

TvxCanvasGdiPlus::~TvxCanvasGdiPlus() {
  graphics_.reset();
  fillBrush_.reset();
  pen_.reset();
  strokeBrush_.reset();
  FreeBuffer();
}

void TvxCanvasGdiPlus::CreateTools() {
  strokeBrush_ = std::make_unique<gfx2d::SolidBrush>(0xFF000000u);
  pen_ = std::make_unique<gfx2d::Pen>(strokeBrush_.get(), 1.0f);
  fillBrush_ = std::make_unique<gfx2d::SolidBrush>(0xFFFFFFFFu);
}

void TvxCanvasGdiPlus::CreateGraphics(const gfx2d::Image* Target) {
  graphics_ = std::make_unique<gfx2d::Graphics>(*Target);
  graphics_->SetSmoothingMode(gfx2d::SmoothingMode::HighQuality);
  graphics_->SetInterpolationMode(gfx2d::InterpolationMode::HighQuality);
}

// ---- surface ----------------------------------------------------------------------------------------

void TvxCanvasGdiPlus::ResizeBuffer(int AWidth, int AHeight) {
  if (AWidth == width_ && AHeight == height_) return;
  MakeBuffer(AWidth, AHeight);
}

void TvxCanvasGdiPlus::MakeBuffer(int AWidth, int AHeight) {
  FreeBuffer();
  width_ = std::max(AWidth, 1);
  height_ = std::max(AHeight, 1);
  if (!buffered_) return;  // a canvas on a bitmap has nothing to draw on here
  const int64_t pixels = static_cast<int64_t>(width_) * height_;
  try {
    if (pixels > MaxBitmapPixels) throw std::bad_alloc();
    dib_.assign(static_cast<size_t>(pixels), 0u);
    dibImage_.reset(gfx2d::Image::FromPixels(dib_.data(), width_, height_));
    if (!dibImage_) throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
    std::vector<uint32_t>().swap(dib_);
    throw rtl::Exception("Can't allocate the DIB handle");
  }
  bufferBits_ = dib_.data();
  bufferHandle_ = {bufferBits_, width_, height_, width_};
  CreateGraphics(dibImage_.get());
}

void TvxCanvasGdiPlus::SetBufferBits(uint32_t* Bits, int AWidth, int AHeight) {
  if (!buffered_) throw rtl::EInvalidOperation("A canvas on a bitmap draws into the bitmap");
  if (!Bits) {
    if (ownsBuffer_ && bufferBits_ && AWidth == width_ && AHeight == height_) return;
    MakeBuffer(AWidth, AHeight);
    return;
  }
  if (Bits == bufferBits_ && AWidth == width_ && AHeight == height_) return;
  FreeBuffer();
  width_ = std::max(AWidth, 1);
  height_ = std::max(AHeight, 1);
  dibImage_.reset(gfx2d::Image::FromPixels(Bits, width_, height_));
  if (!dibImage_) throw rtl::Exception("Can't allocate the DIB handle");
  ownsBuffer_ = false;
  bufferBits_ = Bits;
  bufferHandle_ = {bufferBits_, width_, height_, width_};
  CreateGraphics(dibImage_.get());
}

void TvxCanvasGdiPlus::FreeBuffer() {
  graphics_.reset();
  if (buffered_) {
    dibImage_.reset();
    std::vector<uint32_t>().swap(dib_);
    bufferBits_ = nullptr;
    bufferHandle_ = {};
    ownsBuffer_ = true;
  }
}

void TvxCanvasGdiPlus::FlushBuffer(int X, int Y, TvxDC DC) {
  if (!bufferBits_ || !DC) return;
  dibImage_->Flush();
  gfx2d::CopyPixels(bufferBits_, width_, height_, 0, 0, width_, height_, *DC, X, Y);
}

void TvxCanvasGdiPlus::FlushBufferRect(int X, int Y, TvxDC DC, const TvxRect& ARect) {
  if (!bufferBits_ || !DC) return;
  const int64_t l = Trunc(ARect.Left), t = Trunc(ARect.Top), r = Trunc(ARect.Right) + 1, b = Trunc(ARect.Bottom) + 1;
  dibImage_->Flush();
  gfx2d::CopyPixels(bufferBits_, width_, height_, ClampInt(l), ClampInt(t), ClampInt(r - l), ClampInt(b - t), *DC,
                    ClampInt(X + l), ClampInt(Y + t));
}

void TvxCanvasGdiPlus::Clear(TvxColor Color) {
  if (!bufferBits_ || !buffered_) return;
  dibImage_->Flush();
  FillLongword(bufferBits_, width_ * height_, Color);
  dibImage_->MarkDirty();
}

void TvxCanvasGdiPlus::ClearRect(const TvxRect& ARect, TvxColor Color) {
  if (!bufferBits_) return;
  int64_t l = Trunc(ARect.Left), t = Trunc(ARect.Top), r = Round(ARect.Right), b = Round(ARect.Bottom);
  l = std::max<int64_t>(l, 0);
  t = std::max<int64_t>(t, 0);
  r = std::min<int64_t>(r, width_);
  b = std::min<int64_t>(b, height_);
  b = std::max(b, t);
  r = std::max(r, l);
  if (!(r >= 0 && t >= 0 && l <= width_ && t <= height_)) return;
  dibImage_->Flush();
  FillRectLongword(bufferBits_, width_, height_, static_cast<int>(l), static_cast<int>(t), static_cast<int>(r),
                   static_cast<int>(b), Color);
  dibImage_->MarkDirty();
}

void TvxCanvasGdiPlus::CopyFromPixels(const gfx2d::PixelTarget& Source, int X, int Y, const TvxRect& ARect) {
  if (!bufferBits_ || !Source.Bits) return;
  const int64_t l = std::max<int64_t>({Trunc(ARect.Left), 0, X}), t = std::max<int64_t>({Trunc(ARect.Top), 0, Y});
  const int64_t r = std::min<int64_t>({Round(ARect.Right), width_, int64_t{X} + Source.Width});
  const int64_t b = std::min<int64_t>({Round(ARect.Bottom), height_, int64_t{Y} + Source.Height});
  if (r <= l || b <= t) return;
  dibImage_->Flush();
  for (int64_t y = t; y < b; ++y)
    std::memcpy(bufferBits_ + y * width_ + l, Source.Bits + (y - Y) * Source.Stride + (l - X),
                static_cast<size_t>(r - l) * 4);
  dibImage_->MarkDirty();
}

uint32_t* TvxCanvasGdiPlus::GetScanline(TvxBitmap* Bitmap, int Y) {
  if (!Bitmap || Y < 0 || Y >= Bitmap->Height() || !Bitmap->Bits()) return nullptr;
  return Bitmap->Bits() + static_cast<size_t>(Y) * static_cast<size_t>(Bitmap->Width());
}

// ---- images over bitmaps ------------------------------------------------------------------------------

gfx2d::Image* TvxCanvasGdiPlus::GPImage(const TvxBitmap* Bitmap) {
  return Bitmap ? static_cast<gfx2d::Image*>(Bitmap->Handle()) : nullptr;
}

void TvxCanvasGdiPlus::GetGPBitmap(TvxBitmap* Bitmap) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  gfx2d::Image* img = GPImage(Bitmap);
  if (img && (img->Width() != Bitmap->Width() || img->Height() != Bitmap->Height() || img->Bits() != Bitmap->Bits())) {
    FreeGPBitmap(Bitmap);
    img = nullptr;
  }
  if (!img) Bitmap->SetHandle(gfx2d::Image::FromPixels(Bitmap->Bits(), Bitmap->Width(), Bitmap->Height()));
  Bitmap->SetNeedUpdate(false);
  Bitmap->OnFreePixels = rtl::TNotifyEvent(
      [](rtl::TObject* Sender) { FreeGPBitmap(dynamic_cast<TvxBitmap*>(Sender)); }, nullptr, "FreeGPBitmap");
}

void TvxCanvasGdiPlus::FreeGPBitmap(TvxBitmap* Bitmap) {
  if (!Bitmap) return;
  delete GPImage(Bitmap);
  Bitmap->SetHandle(nullptr);
}

gfx2d::RectF TvxCanvasGdiPlus::RectToGPRectF(const TvxRect& R) {
  return {R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top};
}

// ---- transform and saved states -------------------------------------------------------------------------

void TvxCanvasGdiPlus::SetMatrix(const TvxMatrix& M) {
  matrix_ = M;
  if (graphics_) graphics_->SetWorldTransform(CanvasMatrix(M));
}

void TvxCanvasGdiPlus::MultiplyMatrix(const TvxMatrix& M) {
  if (graphics_) graphics_->MultiplyWorldTransform(CanvasMatrix(M), gfx2d::MatrixOrder::Prepend);
}

int TvxCanvasGdiPlus::SaveState() {
  if (!graphics_) return -1;
  auto slot = std::find_if(saveData_.begin(), saveData_.end(), [](const TvxSaveData& d) { return d.State == -1; });
  if (slot == saveData_.end()) slot = saveData_.insert(saveData_.end(), TvxSaveData{});
  TvxSaveData& d = *slot;
  d.State = static_cast<int32_t>(graphics_->Save());
  d.Matrix = matrix_;
  // A slot keeps its brushes and font from one use to the next: states are saved for each
  // object painted, and making them anew each time cost more than copying into them.
  if (!d.Stroke) d.Stroke = std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u);
  d.Stroke->Assign(stroke_.get());
  if (!d.Fill) d.Fill = std::make_unique<TvxBrush>(vgBrushSolid, 0xFFFFFFFFu);
  d.Fill->Assign(fill_.get());
  d.StrokeThickness = strokeThickness_;
  d.StrokeCap = strokeCap_;
  d.StrokeJoin = strokeJoin_;
  d.StrokeDash = strokeDash_;
  d.Dash = dash_;  // always: a restore brings back the pattern that was in use
  d.DashOffset = dashOffset_;
  if (!d.Font) d.Font = std::make_unique<TvxFont>();
  d.Font->Assign(font_.get());
  return static_cast<int>(slot - saveData_.begin());
}

void TvxCanvasGdiPlus::RestoreState(int Index) {
  if (!graphics_ || static_cast<unsigned>(Index) >= saveData_.size()) return;
  TvxSaveData& d = saveData_[static_cast<size_t>(Index)];
  if (d.State == -1) return;  // already restored: its copies are gone
  graphics_->Restore(static_cast<uint32_t>(d.State));
  d.State = -1;
  matrix_ = d.Matrix;
  stroke_->Assign(d.Stroke.get());
  fill_->Assign(d.Fill.get());
  SetMatrix(matrix_);
  strokeThickness_ = d.StrokeThickness;
  strokeCap_ = d.StrokeCap;
  strokeJoin_ = d.StrokeJoin;
  strokeDash_ = d.StrokeDash;
  dash_ = std::move(d.Dash);
  d.Dash.clear();
  dashOffset_ = d.DashOffset;
  font_->Assign(d.Font.get());  // fires FontChanged
}

// ---- clip -------------------------------------------------------------------------------------------

void TvxCanvasGdiPlus::SetClipRects(const std::vector<TvxRect>& ARects) {
  if (!graphics_) return;
  std::vector<gfx2d::RectF> rects;
  rects.reserve(ARects.size());
  for (const TvxRect& r : ARects) rects.push_back(RectToGPRectF(r));
  graphics_->SetClipRects(rects);
}

void TvxCanvasGdiPlus::IntersectClipRect(const TvxRect& ARect) {
  if (graphics_) graphics_->SetClipRect(RectToGPRectF(ARect), gfx2d::CombineMode::Intersect);
}

void TvxCanvasGdiPlus::ExcludeClipRect(const TvxRect& ARect) {
  if (graphics_) graphics_->SetClipRect(RectToGPRectF(ARect), gfx2d::CombineMode::Exclude);
}

void TvxCanvasGdiPlus::ResetClipRect() {
  if (graphics_) graphics_->ResetClip();
}

bool TvxCanvasGdiPlus::ClipBounds(TvxRect& Bounds) const {
  gfx2d::RectF b;
  if (!graphics_ || !graphics_->ClipUserBounds(b)) return false;
  Bounds = MakeRect(b.X, b.Y, b.X + b.Width, b.Y + b.Height);
  return true;
}

// ---- brushes and pens -----------------------------------------------------------------------------------

std::unique_ptr<gfx2d::Brush> TvxCanvasGdiPlus::BitmapBrush(TvxBrush* Brush, bool ForStroke, const TvxRect& ARect,
                                                           float Opacity) {
  TvxBitmap* bmp = Brush->Bitmap()->Bitmap();
  if (!ForStroke)
    if (TvxBitmap* res = bmp->GetResourceBitmap()) bmp = res;
  if (!bmp || bmp->Width() < 1 || bmp->Height() < 1) return nullptr;
  GetGPBitmap(bmp);
  gfx2d::Image* img = GPImage(bmp);
  if (!img) return nullptr;
  const float alpha = ForStroke || Opacity == 1 ? 1.0f : Opacity;
  const TvxWrapMode wrap = Brush->Bitmap()->WrapMode();
  std::unique_ptr<gfx2d::TextureBrush> b;
  if (wrap == vgWrapTileStretch) {
    b = std::make_unique<gfx2d::TextureBrush>(img, gfx2d::WrapMode::Clamp, alpha);
    const float extra = ForStroke ? 0 : strokeThickness_ / 2;
    b->ScaleTransform((RectWidth(ARect) + extra) / bmp->Width(), (RectHeight(ARect) + extra) / bmp->Height());
  } else {
    b = std::make_unique<gfx2d::TextureBrush>(
        img, wrap == vgWrapTileOriginal ? gfx2d::WrapMode::TileFlipX : gfx2d::WrapMode::Tile, alpha);
  }
  return b;
}

namespace {

// Keeps Kept when it is a brush of the same kind that paints as Made does, so that the
// pattern it built is used again; takes Made otherwise.
template <class B>
void KeepOrTake(std::unique_ptr<gfx2d::Brush>& Kept, std::unique_ptr<B> Made) {
  if (const auto* old = dynamic_cast<const B*>(Kept.get()); old && old->SameAs(*Made)) return;
  Kept = std::move(Made);
}

}  // namespace

void TvxCanvasGdiPlus::ApplyBrushGdiPlus(const TvxRect& ARect, float Opacity) {
  // A gradient brush that paints as the last one did is kept with its pattern.
  std::unique_ptr<gfx2d::Brush> kept = std::move(fillBrush_);
  if (fill_->Style() == vgBrushResource)
    if (TvxBrush* res = fill_->Resource()->GetBrush(); res && res != fill_.get()) fill_->Assign(res);
  const TvxGradient& g = *fill_->Gradient();
  switch (fill_->Style()) {
    case vgBrushGradient:
      if (g.Points()->Count() >= 2) {
        gfx2d::Blend stops = GradientStops(g, Opacity, true);
        if (g.IsRadial()) {
          auto b = std::make_unique<gfx2d::EllipseGradientBrush>(RectToGPRectF(ARect));
          b->SetTransform(ToGP(g.RadialTransform()->Matrix()));
          b->SetWrapMode(gfx2d::WrapMode::TileFlipXY);
          b->SetPresetBlend(std::move(stops));
          KeepOrTake(kept, std::move(b));
        } else {
          gfx2d::PointF p1, p2;
          GradientLine(g, ARect, p1, p2);
          const TvxColor c = fill_->GetSolidColor();
          auto b = std::make_unique<gfx2d::LinearGradientBrush>(p1, p2, c, c, gfx2d::WrapMode::TileFlipX);
          b->SetPresetBlend(std::move(stops));
          KeepOrTake(kept, std::move(b));
        }
        fillBrush_ = std::move(kept);
        break;
      }
      if (g.Points()->Count() == 1) {  // one stop paints its colour everywhere
        fillBrush_ = std::make_unique<gfx2d::SolidBrush>(ApplyOpacity(g.Points()->GetPoint(0)->IntColor(), Opacity));
        break;
      }
      [[fallthrough]];
    case vgBrushSolid:
      fillBrush_ = std::make_unique<gfx2d::SolidBrush>(ApplyOpacity(fill_->GetSolidColor(), Opacity));
      break;
    case vgBrushBitmap: fillBrush_ = BitmapBrush(fill_.get(), false, ARect, Opacity); break;
    default: break;
  }
  if (!fillBrush_) fillBrush_ = std::make_unique<gfx2d::SolidBrush>(0);
}

void TvxCanvasGdiPlus::ApplyStrokeGdiPlus(const TvxRect& ARect, float Opacity) {
  pen_.reset();
  std::unique_ptr<gfx2d::Brush> kept = std::move(strokeBrush_);
  if (stroke_->Style() == vgBrushResource)
    if (TvxBrush* res = stroke_->Resource()->GetBrush(); res && res != stroke_.get()) stroke_->Assign(res);
  const TvxGradient& g = *stroke_->Gradient();
  switch (stroke_->Style()) {
    case vgBrushGradient:
      if (g.Points()->Count() >= 2) {
        gfx2d::PointF p1, p2;
        GradientLine(g, ARect, p1, p2);
        const TvxColor c = stroke_->GetSolidColor();
        auto b = std::make_unique<gfx2d::LinearGradientBrush>(p1, p2, c, c);
        b->SetPresetBlend(GradientStops(g, Opacity, false));
        // The line is scaled by the rectangle a second time, as stored styles expect.
        const bool horizontal = std::fabs(g.StartPosition()->X() - g.StopPosition()->X()) >=
                                std::fabs(g.StartPosition()->Y() - g.StopPosition()->Y());
        if (horizontal)
          b->ScaleTransform(RectWidth(ARect), RectHeight(ARect));
        else
          b->ScaleTransform(RectHeight(ARect), RectWidth(ARect));
        KeepOrTake(kept, std::move(b));
        strokeBrush_ = std::move(kept);
        break;
      }
      if (g.Points()->Count() == 1) {
        strokeBrush_ =
            std::make_unique<gfx2d::SolidBrush>(ApplyOpacity(g.Points()->GetPoint(0)->IntColor(), Opacity));
        break;
      }
      [[fallthrough]];
    case vgBrushSolid:
      strokeBrush_ = std::make_unique<gfx2d::SolidBrush>(ApplyOpacity(stroke_->GetSolidColor(), Opacity));
      break;
    case vgBrushBitmap: strokeBrush_ = BitmapBrush(stroke_.get(), true, ARect, Opacity); break;
    default: break;
  }
  if (!strokeBrush_) strokeBrush_ = std::make_unique<gfx2d::SolidBrush>(0);
  pen_ = std::make_unique<gfx2d::Pen>(strokeBrush_.get(), 1.0f);
  pen_->SetLineCap(strokeCap_ == vgCapRound ? gfx2d::LineCap::Round : gfx2d::LineCap::Flat);
  if (!dash_.empty()) {
    pen_->SetDashOffset(dashOffset_);
    pen_->SetDashPattern(dash_);
  }
  pen_->SetLineJoin(strokeJoin_ == vgJoinRound   ? gfx2d::LineJoin::Round
                    : strokeJoin_ == vgJoinBevel ? gfx2d::LineJoin::Bevel
                                                 : gfx2d::LineJoin::Miter);
  pen_->SetWidth(strokeThickness_);
}

// ---- fills ------------------------------------------------------------------------------------------

namespace {

// The fill of a visual brush: the visual object painted into the clipped area.
template <class Clip>
void FillVisual(TvxCanvasGdiPlus& Canvas, const TvxRect& ARect, float Opacity, Clip&& ApplyClip) {
  const int state = Canvas.SaveState();
  ApplyClip();
  rtl::TComponent* visual = Canvas.Fill()->Visual()->VisualObject();
  auto& inPaint = VisualsInPaint();
  if (visual && PaintVisualObject && !inPaint.count(visual)) {
    TvxBrush stroke(vgBrushSolid, 0xFF000000u);
    stroke.Assign(Canvas.Stroke());
    const float thickness = Canvas.StrokeThickness();
    inPaint.insert(visual);
    try {
      PaintVisualObject(visual, Canvas, ARect, Opacity);
    } catch (...) {
      inPaint.erase(visual);
      throw;
    }
    inPaint.erase(visual);
    Canvas.Stroke()->Assign(&stroke);
    Canvas.SetStrokeThickness(thickness);
  }
  Canvas.RestoreState(state);
}

}  // namespace

void TvxCanvasGdiPlus::FillGPRect(const TvxRect& ARect, float Opacity) {
  if (fill_->Style() == vgBrushNone) return;
  if (fill_->Style() == vgBrushVisual) {
    FillVisual(*this, ARect, Opacity, [&] { IntersectClipRect(ARect); });
    return;
  }
  TvxRect box;
  if (ClipBox(box) && canvas_internal::RectWithin(box, ARect)) {
    FillArea(ARect, box, Opacity);
    return;
  }
  ApplyBrushGdiPlus(ARect, Opacity);
  if (graphics_) graphics_->FillRectangle(*fillBrush_, RectToGPRectF(ARect));
}

bool TvxCanvasGdiPlus::ClipBox(TvxRect& Box) const {
  gfx2d::RectF b;
  if (!clipShortcuts_ || !graphics_ || !graphics_->ClipPixelBounds(b)) return false;
  Box = MakeRect(b.X, b.Y, b.X + b.Width, b.Y + b.Height);
  return b.Width > 0 && b.Height > 0;
}

void TvxCanvasGdiPlus::FillArea(const TvxRect& BrushRect, const TvxRect& Area, float Opacity) {
  // Whole pixels inside the figure are covered wholly whatever its outline: the box (in
  // whole device pixels) gives them the same colour as the figure would, and cairo fills a
  // pixel-aligned box without tracing an outline or making a coverage mask.
  ApplyBrushGdiPlus(BrushRect, Opacity);
  if (graphics_) graphics_->FillRectangle(*fillBrush_, RectToGPRectF(Area));
}

void TvxCanvasGdiPlus::FillGPPath(const gfx2d::Path& APath, const TvxRect& ARect, float Opacity) {
  if (fill_->Style() == vgBrushNone) return;
  if (fill_->Style() == vgBrushVisual) {
    FillVisual(*this, ARect, Opacity, [&] {
      if (graphics_) graphics_->SetClipPath(APath, gfx2d::CombineMode::Intersect);
    });
    return;
  }
  ApplyBrushGdiPlus(ARect, Opacity);
  if (graphics_) graphics_->FillPath(*fillBrush_, APath);
}

// ---- shapes -------------------------------------------------------------------------------------------

void TvxCanvasGdiPlus::DrawLine(const TvxPoint& P1, const TvxPoint& P2, float Opacity) {
  if (stroke_->Style() == vgBrushNone) return;
  ApplyStrokeGdiPlus({P1.X, P1.Y, P2.X, P2.Y}, Opacity);
  if (graphics_) graphics_->DrawLine(*pen_, {P1.X, P1.Y}, {P2.X, P2.Y});
}

void TvxCanvasGdiPlus::DrawRect(const TvxRect& ARect, float XRadius, float YRadius, TvxCorners Corners,
                                float Opacity, TvxCornerType CornerType) {
  if (stroke_->Style() == vgBrushNone) return;
  if (TvxRect box; ClipBox(box) && canvas_internal::StrokeMisses(ARect, XRadius, YRadius, Corners, CornerType, strokeThickness_, box)) return;
  ApplyStrokeGdiPlus(ARect, Opacity);
  if (!graphics_) return;
  if (XRadius < 1e-40f && YRadius < 1e-40f) {
    graphics_->DrawRectangle(*pen_, RectToGPRectF(ARect));
    return;
  }
  graphics_->DrawPath(*pen_, canvas_internal::RoundRectPath(ARect, XRadius, YRadius, Corners, CornerType));
}

void TvxCanvasGdiPlus::FillRect(const TvxRect& ARect, float XRadius, float YRadius, TvxCorners Corners,
                                float Opacity, TvxCornerType CornerType) {
  if (fill_->Style() == vgBrushNone) return;
  if ((XRadius == 0 && YRadius == 0) || Corners.Empty()) {
    FillGPRect(ARect, Opacity);
    return;
  }
  if (TvxRect box; fill_->Style() != vgBrushVisual && ClipBox(box) && canvas_internal::InStraightPart(ARect, XRadius, YRadius, box)) {
    FillArea(ARect, box, Opacity);
    return;
  }
  FillGPPath(canvas_internal::RoundRectPath(ARect, XRadius, YRadius, Corners, CornerType), ARect, Opacity);
}

void TvxCanvasGdiPlus::DrawEllipse(const TvxRect& ARect, float Opacity) {
  if (stroke_->Style() == vgBrushNone) return;
  ApplyStrokeGdiPlus(ARect, Opacity);
  if (graphics_) graphics_->DrawEllipse(*pen_, RectToGPRectF(ARect));
}

void TvxCanvasGdiPlus::FillEllipse(const TvxRect& ARect, float Opacity) {
  if (fill_->Style() == vgBrushNone) return;
  gfx2d::Path p;
  p.AddEllipse(RectToGPRectF(ARect));
  FillGPPath(p, ARect, Opacity);
}

// ---- paths --------------------------------------------------------------------------------------------

void TvxCanvasGdiPlus::DrawPath(TvxPathData* APath, const TvxRect& ARect, float Opacity) {
  PathFit fit;
  if (!fit.Init(APath, ARect) || stroke_->Style() == vgBrushNone) return;
  ApplyStrokeGdiPlus(fit.Bounds, Opacity);
  if (!graphics_) return;
  // Every segment is stroked on its own: no joins between them, and dashes restart.
  const auto& pts = APath->Points();
  const size_t n = pts.size();
  gfx2d::PointF cur = fit(pts[0].Point), start = cur;
  for (size_t i = 0; i < n; ++i) {
    switch (pts[i].Kind) {
      case vgPathPointMoveTo: cur = start = fit(pts[i].Point); break;
      case vgPathPointLineTo: {
        const gfx2d::PointF p = fit(pts[i].Point);
        graphics_->DrawLine(*pen_, cur, p);
        cur = p;
        break;
      }
      case vgPathPointCurveTo: {
        if (i + 2 >= n) return;  // an unfinished curve ends the path
        const gfx2d::PointF e = fit(pts[i + 2].Point);
        graphics_->DrawBezier(*pen_, cur, fit(pts[i].Point), fit(pts[i + 1].Point), e);
        cur = e;
        i += 2;
        break;
      }
      case vgPathPointClose: graphics_->DrawLine(*pen_, cur, start); break;
    }
  }
}

void TvxCanvasGdiPlus::FillPath(TvxPathData* APath, const TvxRect& ARect, float Opacity) {
  PathFit fit;
  if (!fit.Init(APath, ARect) || fill_->Style() == vgBrushNone) return;
  FillGPPath(BuildPath(*APath, fit), ARect, Opacity);
}

bool TvxCanvasGdiPlus::PtInPath(const TvxPoint& P, const TvxRect& ARect, TvxPathData* APath) {
  if (!PointInRectF(P, ARect)) return false;
  PathFit fit;
  if (!fit.Init(APath, ARect)) return false;
  return BuildPath(*APath, fit).IsVisible(P.X, P.Y);
}

// ---- bitmaps --------------------------------------------------------------------------------------------

void TvxCanvasGdiPlus::DrawBitmap(TvxBitmap* ABitmap, const TvxRect& SrcRect, const TvxRect& DstRect, float Opacity,
                                  bool HighSpeed) {
  if (graphics_)
    graphics_->SetInterpolationMode(HighSpeed ? gfx2d::InterpolationMode::NearestNeighbor
                                              : gfx2d::InterpolationMode::HighQuality);
  if (Opacity == 0 || std::isnan(Opacity)) return;
  GetGPBitmap(ABitmap);
  gfx2d::Image* img = GPImage(ABitmap);
  if (!img || !graphics_) return;
  graphics_->DrawImage(*img, RectToGPRectF(DstRect), RectToGPRectF(SrcRect), Opacity >= 1 ? 1.0f : Opacity);
}

void TvxCanvasGdiPlus::DrawBitmapTiles(TvxBitmap* ABitmap, int Columns, int Rows, float Opacity) {
  if (!graphics_ || !ABitmap || ABitmap->IsEmpty() || Columns <= 0 || Rows <= 0) return;
  const double bw = ABitmap->Width(), bh = ABitmap->Height();
  const TvxMatrix& m = Matrix();
  const auto whole = [](double V) { return std::isfinite(V) && V == std::trunc(V); };
  // Each tile covers whole pixels: one fill samples them as the tiles would, without the
  // tiles' antialiased edges (which there cover nothing).
  bool oneFill = m.m12 == 0 && m.m21 == 0 && bw * m.m11 != 0 && bh * m.m22 != 0 && whole(bw * m.m11) &&
                 whole(bh * m.m22) && whole(m.m31) && whole(m.m32);
  // Tiles smaller than a pixel: one by one they would cost more than the area they cover.
  if (!oneFill) oneFill = TilePixels(m, bw, Columns > 1, bh, Rows > 1) < 1;
  if (!oneFill) {
    inherited::DrawBitmapTiles(ABitmap, Columns, Rows, Opacity);
    return;
  }
  graphics_->SetInterpolationMode(gfx2d::InterpolationMode::NearestNeighbor);
  if (Opacity == 0 || std::isnan(Opacity)) return;
  GetGPBitmap(ABitmap);
  gfx2d::Image* img = GPImage(ABitmap);
  if (!img) return;
  // The pattern repeats from the user origin, where the first tile lies.
  const gfx2d::TextureBrush brush(img, gfx2d::WrapMode::Tile, Opacity >= 1 ? 1.0f : Opacity);
  graphics_->FillRectangle(brush, {0, 0, static_cast<float>(Columns * bw), static_cast<float>(Rows * bh)});
}

void TvxCanvasGdiPlus::DrawThumbnail(TvxBitmap* ABitmap, float AWidth, float) {
  GetGPBitmap(ABitmap);
  gfx2d::Image* img = GPImage(ABitmap);
  if (!img || !bitmap_ || !graphics_) return;
  const float scale = AWidth / static_cast<float>(ABitmap->Width());
  graphics_->ScaleWorldTransform(scale, scale, gfx2d::MatrixOrder::Prepend);  // left in place
  const gfx2d::RectF whole{0, 0, static_cast<float>(img->Width()), static_cast<float>(img->Height())};
  graphics_->DrawImage(*img, whole, whole, 1);
}

// ---- back end ------------------------------------------------------------------------------------------

void StartupGdiPlus() { gfx2d::Startup(); }

void ShutdownGdiPlus() { gfx2d::Shutdown(); }

}  // namespace vg
