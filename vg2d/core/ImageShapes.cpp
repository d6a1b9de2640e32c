#include "vg2d/core/ImageShapes.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/Scene.h"

namespace vg {

void DrawDesignFrame(TvxVisualObject& Object) {
  IvxScene* scene = Object.Scene();
  TvxCanvas* c = Object.GetCanvas();
  if (!scene || !c || !scene->GetDesignTime() || Object.Locked() || Object.DisableRepaint()) return;
  TvxRect r = Object.GetLocalRect();
  InflateRectF(r, -0.5f, -0.5f);
  c->SetStrokeThickness(1);
  c->SetStrokeDash(vgDashDash);
  c->Stroke()->SetStyle(vgBrushSolid);
  c->Stroke()->SetSolidColor(0xA0909090u);
  c->DrawRect(r, 0, 0, AllCorners, Object.GetAbsoluteOpacity(), vgCornerRound);
  c->SetStrokeDash(vgDashSolid);
}

namespace {

// A repeat count from a float quotient: rounded (ties to even), 0 for NaN or below.
int64_t Count(double Quotient) { return std::isfinite(Quotient) ? std::max<int64_t>(Round(Quotient), 0) : 0; }

}  // namespace

// ---- TvxImage ------------------------------------------------------------------------------------

rtl::TClass TvxImage::StaticClass() {
  using I = TvxImage;
  static const rtl::TClassInfo info = rtl::DefineClass<I>()
                                          .Property("Bitmap", &I::Bitmap, &I::SetBitmap)
                                          .Property("BitmapMargins", &I::BitmapMargins, &I::SetBitmapMargins)
                                          .Property("WrapMode", &I::WrapMode, &I::SetWrapMode)
                                          .NoDefault()
                                          .Property("DisableInterpolation", &I::DisableInterpolation,
                                                    &I::SetDisableInterpolation)
                                          .Default(false)
                                          .Event("OnBitmapLoaded", &I::OnBitmapLoaded)
                                          .Build();
  return &info;
}

TvxImage::TvxImage(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {
  bitmap_->OnChange = [this](rtl::TObject* Sender) { BitmapChanged(Sender); };
  bitmap_->OnLoaded = [this](rtl::TObject* Sender) { DoBitmapLoaded(Sender); };
  bitmap_->OnBeforeRealloc = [](rtl::TObject*) {};
}

void TvxImage::SetBitmap(TvxBitmap* Value) {
  bitmap_->Assign(Value);
  Repaint();
}

void TvxImage::BitmapChanged(rtl::TObject*) {
  SetEffectsDirty();
  Repaint();
}

void TvxImage::DoBitmapLoaded(rtl::TObject*) {
  if (OnBitmapLoaded) OnBitmapLoaded(this);
  if (!ComponentState().Contains(rtl::csDestroying)) Repaint();
}

rtl::TPropValue TvxImage::GetData() { return static_cast<rtl::TObject*>(bitmap_.get()); }

void TvxImage::SetData(const rtl::TPropValue& Value) {
  if (const auto* o = std::get_if<rtl::TObject*>(&Value)) {
    if (auto* p = dynamic_cast<rtl::TPersistent*>(*o)) bitmap_->Assign(p);
    return;
  }
  if (const auto* s = std::get_if<std::string>(&Value)) bitmap_->LoadFromFile(*s);
  if (const auto* w = std::get_if<std::u16string>(&Value)) bitmap_->LoadFromFile(rtl::WideToUtf8(*w));
}

void TvxImage::Paint() {
  DrawDesignFrame(*this);
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  TvxBitmap* b = bitmap_->GetResourceBitmap();
  if (!b) b = bitmap_.get();
  if (b->IsEmpty()) return;
  const float bw = static_cast<float>(b->Width()), bh = static_cast<float>(b->Height());
  const float w = Width(), h = Height();
  const float opacity = GetAbsoluteOpacity();
  const TvxRect local = GetLocalRect();
  const TvxRect whole = MakeRect(0, 0, bw, bh);
  const TvxBounds& m = *bitmapMargins_;
  if (m.Left() != 0 || m.Top() != 0 || m.Right() != 0 || m.Bottom() != 0) {
    const float dx[4] = {0, m.Left(), w - m.Right(), w}, dy[4] = {0, m.Top(), h - m.Bottom(), h};
    const float sx[4] = {0, m.Left(), bw - m.Right(), bw}, sy[4] = {0, m.Top(), bh - m.Bottom(), bh};
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col)
        c->DrawBitmap(b, MakeRect(sx[col], sy[row], sx[col + 1], sy[row + 1]),
                      MakeRect(dx[col], dy[row], dx[col + 1], dy[row + 1]), opacity, true);
    return;
  }
  switch (wrapMode_) {
    case vgImageOriginal: {
      const int state = c->SaveState();
      c->IntersectClipRect(local);
      c->DrawBitmap(b, whole, whole, opacity, true);
      c->RestoreState(state);
      break;
    }
    case vgImageFit: {
      TvxRect r = whole;
      FitRect(r, local);
      c->DrawBitmap(b, whole, r, opacity, disableInterpolation_);
      break;
    }
    case vgImageStretch: c->DrawBitmap(b, whole, local, opacity, disableInterpolation_); break;
    case vgImageTile: {
      const int state = c->SaveState();
      c->IntersectClipRect(local);
      // Tiles starting beyond the image would not show: the counts stop there. The canvas
      // draws only those its clip shows.
      const int nx = TvxCustomPath::TileCount(w, bw, bw), ny = TvxCustomPath::TileCount(h, bh, bh);
      c->DrawBitmapTiles(b, nx + 1, ny + 1, opacity);
      c->RestoreState(state);
      break;
    }
  }
}

// ---- paths -----------------------------------------------------------------------------------------

rtl::TClass TvxCustomPath::StaticClass() {
  static const rtl::TClassInfo info = [] {
    rtl::TClassBuilder<TvxCustomPath> b = rtl::DefineClass<TvxCustomPath>();
    ShapeProperties(b);
    return b.Build();
  }();
  return &info;
}

TvxCustomPath::TvxCustomPath(rtl::TComponent* AOwner) : TvxShape(AOwner) {
  data_->OnChange = [this](rtl::TObject*) { Repaint(); };
}

int TvxCustomPath::TileCount(float Length, float Extent, float Step) {
  // Path bounds give a flat side 0.001: such a path is not repeated along it.
  if (!(Extent > 0.001f) || !(Step > 0.001f)) return 0;
  const int64_t wanted = Count(static_cast<double>(Length) / Extent);
  const double inside = std::floor(std::max(0.0, static_cast<double>(Length)) / Step) + 1;
  return static_cast<int>(std::min<int64_t>(wanted, static_cast<int64_t>(std::min(inside, double{MaxTiles}))));
}

void TvxCustomPath::Paint() {
  TvxCanvas* c = GetCanvas();
  if (c) {
    TvxPathData* p = data_->GetResourcePath();
    if (!p) p = data_.get();
    if (!p->IsEmpty()) {
      const TvxRect s = GetShapeRect();
      const TvxRect bd = p->GetBounds();
      const float opacity = GetAbsoluteOpacity();
      auto draw = [&](const TvxRect& Target) {
        c->FillPath(p, Target, opacity);
        c->DrawPath(p, Target, opacity);
      };
      switch (wrapMode_) {
        case vgPathOriginal: {
          const int state = c->SaveState();
          c->IntersectClipRect(GetLocalRect());
          TvxRect t = bd;
          OffsetRectF(t, s.Left, s.Top);
          draw(t);
          c->RestoreState(state);
          break;
        }
        case vgPathFit: {
          TvxRect t = bd;
          FitRect(t, s);
          draw(t);
          break;
        }
        case vgPathStretch: draw(s); break;
        case vgPathTile: {
          const int state = c->SaveState();
          c->IntersectClipRect(GetLocalRect());
          PaintTiles(*c, p, s, bd, opacity);
          c->RestoreState(state);
          break;
        }
      }
    }
  }
  DrawDesignFrame(*this);
}

namespace {

// The colour a cell of Cell's size averages to with Target (inside it) filled with Fill and
// outlined with Stroke in C's stroke (0 when next to nothing is drawn); false when no canvas can
// be made.
bool CellTone(const TvxCanvas& C, const TvxBrush& Fill, const TvxBrush& Stroke, TvxPathData* P, const TvxRect& Cell,
              const TvxRect& Target, TvxColor& Tone) {
  constexpr int Side = 16;
  if (!DefaultCanvasClass || !(RectWidth(Cell) > 0) || !(RectHeight(Cell) > 0)) return false;
  const std::unique_ptr<TvxCanvas> t = DefaultCanvasClass->Create(Side, Side);
  if (!t || !t->BufferBits()) return false;
  t->Clear(0);
  t->Fill()->Assign(&Fill);
  t->Stroke()->Assign(&Stroke);
  t->SetStrokeThickness(C.StrokeThickness());
  t->SetStrokeCap(C.StrokeCap());
  t->SetStrokeJoin(C.StrokeJoin());
  t->SetStrokeDash(C.StrokeDash());
  t->Dash() = C.Dash();
  t->SetDashOffset(C.DashOffset());
  const float sx = Side / RectWidth(Cell), sy = Side / RectHeight(Cell);
  t->SetMatrix({sx, 0, 0, 0, sy, 0, -Cell.Left * sx, -Cell.Top * sy, 1});
  t->FillPath(P, Target, 1);
  t->DrawPath(P, Target, 1);
  // Premultiplied channels average as they stand; the fill colour is straight.
  double sum[4] = {};
  for (int k = 0; k < Side * Side; ++k)
    for (int ch = 0; ch < 4; ++ch) sum[ch] += (t->BufferBits()[k] >> (8 * ch)) & 0xFF;
  const double a = sum[3] / (Side * Side);
  // Next to nothing drawn: the tiles leave the area as it is.
  if (!(a >= 0.5)) {
    Tone = 0;
    return true;
  }
  const auto straight = [&](int Ch) {
    return static_cast<uint32_t>(std::lround(std::min(255.0, sum[Ch] / (Side * Side) * 255 / a)));
  };
  Tone = (static_cast<uint32_t>(std::lround(a)) << 24) | (straight(2) << 16) | (straight(1) << 8) | straight(0);
  return true;
}

// Whether B paints a picture laid in the canvas's space (a bitmap repeated from the origin),
// not one fitted to each figure it fills.
bool LaidInSpace(TvxBrush* B) {
  if (B->Style() == vgBrushResource)
    if (TvxBrush* r = B->Resource()->GetBrush()) B = r;
  return B->Style() == vgBrushBitmap && B->Bitmap()->WrapMode() != vgWrapTileStretch;
}

}  // namespace

void TvxCustomPath::PaintTiles(TvxCanvas& C, TvxPathData* P, const TvxRect& S, const TvxRect& Bd, float Opacity) {
  const float stepX = RectWidth(Bd) + 2 * S.Left, stepY = RectHeight(Bd) + 2 * S.Top;
  // A flat path has no tile size: it is drawn once.
  const int nx = TileCount(Width(), RectWidth(Bd), stepX);
  const int ny = TileCount(Height(), RectHeight(Bd), stepY);
  // Tile (i, j) lies in the cell [Bd.Left + i x stepX, + stepX] x [Bd.Top + j x stepY, + stepY]:
  // the path's target moved by (S.Left, S.Top) and the stroke's half around it.
  const TvxRect area = MakeRect(Bd.Left, Bd.Top, Bd.Left + (nx + 1) * stepX, Bd.Top + (ny + 1) * stepY);
  // Tiles smaller than a pixel, which one by one would cost more than the area: the area takes
  // the colour one cell averages to.
  TvxRect target = Bd;
  OffsetRectF(target, S.Left, S.Top);
  if (TilePixels(C.Matrix(), stepX, nx > 0, stepY, ny > 0) < 1) {
    const TvxRect cell = MakeRect(Bd.Left, Bd.Top, Bd.Left + stepX, Bd.Top + stepY);
    const TvxBrush none(vgBrushNone, 0), white(vgBrushSolid, 0xFFFFFFFF);
    TvxColor cover = 0, tone = 0;
    // A bitmap laid in space shows through the tiles as far as they cover the area: the area
    // takes the fill itself, as transparent as the tiles leave it, with the outlines' colour
    // over it.
    const bool laid = LaidInSpace(C.Fill());
    if (laid ? CellTone(C, white, none, P, cell, target, cover) && CellTone(C, none, *C.Stroke(), P, cell, target, tone)
             : CellTone(C, *C.Fill(), *C.Stroke(), P, cell, target, tone)) {
      if (AlphaOf(cover) != 0) C.FillRect(area, 0, 0, AllCorners, Opacity * static_cast<float>(AlphaOf(cover)) / 255);
      if (AlphaOf(tone) == 0) return;
      const int state = C.SaveState();
      C.Fill()->SetStyle(vgBrushSolid);
      C.Fill()->SetSolidColor(tone);
      C.FillRect(area, 0, 0, AllCorners, Opacity);
      C.RestoreState(state);
      return;
    }
  }
  // Only the tiles the clip shows are drawn, with room for miter corners and smoothing.
  TvxRect view = area;
  C.ClipBounds(view);
  const TvxMatrix& m = C.Matrix();
  const double det = std::fabs(double{m.m11} * m.m22 - double{m.m12} * m.m21);
  const double room =
      (Stroke()->Style() == vgBrushNone ? 0.0 : 5.0 * StrokeThickness()) + (det > 0 ? 2 / std::sqrt(det) : 0);
  const TvxIndexSpan cols = SpansMeeting(Bd.Left - room, stepX, stepX + 2 * room, nx + 1, view.Left, view.Right);
  const TvxIndexSpan rows = SpansMeeting(Bd.Top - room, stepY, stepY + 2 * room, ny + 1, view.Top, view.Bottom);
  for (int64_t i = cols.First; i <= cols.Last; ++i)
    for (int64_t j = rows.First; j <= rows.Last; ++j) {
      TvxRect t = Bd;
      OffsetRectF(t, S.Left + static_cast<float>(i) * stepX, S.Top + static_cast<float>(j) * stepY);
      C.FillPath(P, t, Opacity);
      C.DrawPath(P, t, Opacity);
    }
}

bool TvxCustomPath::PointInObject(float X, float Y) {
  IvxScene* scene = Scene();
  if (scene && scene->GetDesignTime() && !Locked() && !DisableRepaint()) return TvxShape::PointInObject(X, Y);
  TvxCanvas* c = GetCanvas();
  if (c) {
    TvxPathData* r = data_->GetResourcePath();
    if (r && r->Count() > 1) return c->PtInPath(AbsoluteToLocal({X, Y}), GetShapeRect(), r);
    if (data_->Count() > 1) return c->PtInPath(AbsoluteToLocal({X, Y}), GetShapeRect(), data_.get());
  }
  return TvxShape::PointInObject(X, Y);
}

rtl::TClass TvxPath::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPath>()
                                          .Property("Data", &TvxPath::Data,
                                                    static_cast<void (TvxCustomPath::*)(TvxPathData*)>(&TvxCustomPath::SetData))
                                          .Property("WrapMode", &TvxPath::WrapMode, &TvxPath::SetWrapMode)
                                          .Default(vgPathStretch)
                                          .Build();
  return &info;
}

rtl::TClass TvxScrollArrowLeft::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxScrollArrowLeft>().Build();
  return &info;
}

TvxScrollArrowLeft::TvxScrollArrowLeft(rtl::TComponent* AOwner) : TvxCustomPath(AOwner) {
  Data()->SetData("M 1,0 L 1,1 L 0,0.500 L 1,0 Z");
  Data()->Scale(100, 100);
  SetWrapMode(vgPathFit);
}

rtl::TClass TvxScrollArrowRight::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxScrollArrowRight>().Build();
  return &info;
}

TvxScrollArrowRight::TvxScrollArrowRight(rtl::TComponent* AOwner) : TvxCustomPath(AOwner) {
  Data()->SetData("M 0,0 L 0,1 L 1,0.500 Z");
  Data()->Scale(100, 100);
  SetWrapMode(vgPathFit);
}

rtl::TClass TvxPaintBox::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxPaintBox>().Event("OnPaint", &TvxPaintBox::OnPaint).Build();
  return &info;
}

void TvxPaintBox::Paint() {
  inherited::Paint();
  if (OnPaint) OnPaint(this, GetCanvas());
}

}  // namespace vg
