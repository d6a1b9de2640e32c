#include "vg2d/core/Canvas.h"

#include <cstring>

#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bitmaps.h"

namespace vg {

const TvxCanvasClass* DefaultCanvasClass = nullptr;
TvxPaintVisualProc PaintVisualObject = PaintVisualBrushObject;

rtl::TClass TvxCanvas::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCanvas>().Build();
  return &info;
}

namespace {

[[noreturn]] void Abstract() { throw EAbstractError("Abstract Error"); }

}  // namespace

// ---- life -----------------------------------------------------------------------------------------

void TvxCanvas::CreatePaint() {
  stroke_ = std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u);
  fill_ = std::make_unique<TvxBrush>(vgBrushSolid, 0xFFFFFFFFu);
  font_ = std::make_unique<TvxFont>();
  font_->OnChange = rtl::TNotifyEvent(this, &TvxCanvas::FontChanged, "FontChanged");
}

TvxCanvas::TvxCanvas() { CreatePaint(); }

TvxCanvas::TvxCanvas(TvxBitmap* ABitmap)
    : width_(ABitmap ? ABitmap->Width() : 0), height_(ABitmap ? ABitmap->Height() : 0), bitmap_(ABitmap) {
  CreatePaint();
}

TvxCanvas::~TvxCanvas() {
  saveData_.clear();
  font_.reset();
  stroke_.reset();
  fill_.reset();
}

uint32_t* TvxCanvasClass::GetScanline(TvxBitmap*, int) const { return nullptr; }

// ---- paint state ------------------------------------------------------------------------------------

void TvxCanvas::SetStrokeDash(TvxStrokeDash Value) {
  if (Value == strokeDash_) return;
  strokeDash_ = Value;
  switch (Value) {
    case vgDashSolid: dash_.clear(); break;
    case vgDashDash: dash_ = {3, 1}; break;
    case vgDashDot: dash_ = {1, 1}; break;
    case vgDashDashDot: dash_ = {3, 1, 1, 1}; break;
    case vgDashDashDotDot: dash_ = {3, 1, 1, 1, 1, 1}; break;
    case vgDashCustom: return;
  }
  dashOffset_ = 0;
}

void TvxCanvas::CopyToBits(uint32_t* Dest) const {
  if (!buffered_ || !bufferBits_ || !Dest) return;
  std::memcpy(Dest, bufferBits_, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
}

void TvxCanvas::AssignTo(rtl::TPersistent* Dest) const {
  auto* b = dynamic_cast<TvxBitmap*>(Dest);
  if (!b) {
    TPersistent::AssignTo(Dest);
    return;
  }
  b->SetSize(width_, height_);
  if (!buffered_ || !bufferBits_ || !b->Bits()) return;
  for (int y = 0; y < height_; ++y)
    std::memcpy(b->Bits() + static_cast<size_t>(y) * width_, bufferBits_ + static_cast<size_t>(y) * width_,
                static_cast<size_t>(width_) * 4);
}

float TvxCanvas::TextWidth(const std::u16string& Text) {
  TvxRect r{0, 0, 10000, 20};
  MeasureText(r, r, Text, false, vgTextAlignNear, vgTextAlignCenter);
  return RectWidth(r);
}

// ---- operations built on others ----------------------------------------------------------------------

namespace {

void PolygonToPath(const TvxPolygon& Points, bool Fill, TvxPathData& Path) {
  bool startFigure = true;
  for (size_t i = 0; i < Points.size(); ++i) {
    const TvxPoint& p = Points[i];
    const bool marker = p.X == ClosePolygonMarker.X && p.Y == ClosePolygonMarker.Y;
    if (marker || (Fill && i + 1 == Points.size())) {
      // The close point only closes the figure: a filled polygon's last point is dropped.
      Path.ClosePath();
      startFigure = true;
    } else if (startFigure) {
      Path.MoveTo(p);
      startFigure = false;
    } else {
      Path.LineTo(p);
    }
  }
}

}  // namespace

void TvxCanvas::FillPolygon(const TvxPolygon& Points, float Opacity) {
  TvxPathData path;
  PolygonToPath(Points, true, path);
  FillPath(&path, path.GetBounds(), Opacity);
}

void TvxCanvas::DrawPolygon(const TvxPolygon& Points, float Opacity) {
  TvxPathData path;
  PolygonToPath(Points, false, path);
  DrawPath(&path, path.GetBounds(), Opacity);
}

void TvxCanvas::FillArc(const TvxPoint& Center, const TvxPoint& Radius, float StartAngle, float SweepAngle,
                        float Opacity) {
  TvxPathData path;
  path.AddArc(Center, Radius, StartAngle, SweepAngle);
  FillPath(&path, path.GetBounds(), Opacity);
}

void TvxCanvas::DrawArc(const TvxPoint& Center, const TvxPoint& Radius, float StartAngle, float SweepAngle,
                        float Opacity) {
  TvxPathData path;
  path.AddArc(Center, Radius, StartAngle, SweepAngle);
  DrawPath(&path, path.GetBounds(), Opacity);
}

void TvxCanvas::DrawRectSides(const TvxRect& Rect, float XRadius, float YRadius, TvxCorners Corners, float Opacity,
                              TvxSides Sides, TvxCornerType CornerType) {
  TvxPathData path;
  AddRectSidesOutline(path, Rect, XRadius, YRadius, Corners, Sides, CornerType);
  DrawPath(&path, Rect, Opacity);
}

void AddRectSidesOutline(TvxPathData& path, const TvxRect& Rect, float XRadius, float YRadius, TvxCorners Corners,
                         TvxSides Sides, TvxCornerType CornerType) {
  const float L = Rect.Left, T = Rect.Top, R = Rect.Right, B = Rect.Bottom;
  float x = XRadius, y = YRadius;
  if (RectWidth(Rect) - 2 * x < 0) x = RectWidth(Rect) / 2;
  if (RectHeight(Rect) - 2 * y < 0) y = RectHeight(Rect) / 2;
  const float x2 = x / 2, y2 = y / 2;
  auto to = [&](float px, float py, TvxSide side) {
    if (Sides.Contains(side))
      path.LineTo({px, py});
    else
      path.MoveTo({px, py});
  };
  // A shaped corner from the current point to End, its two inner points given for the
  // corner's own orientation.
  auto shaped = [&](TvxPoint RoundC1, TvxPoint RoundC2, TvxPoint InnerC1, TvxPoint InnerC2, TvxPoint End) {
    switch (CornerType) {
      case vgCornerBevel: path.LineTo(End); break;
      case vgCornerInnerRound: path.CurveTo(InnerC1, InnerC2, End); break;
      case vgCornerInnerLine:
        path.LineTo(InnerC1);
        path.LineTo(InnerC2);
        path.LineTo(End);
        break;
      case vgCornerRound:
      default: path.CurveTo(RoundC1, RoundC2, End); break;
    }
  };
  path.MoveTo({L, T + y});
  // top-left
  if (!Corners.Contains(vgCornerTopLeft)) {
    to(L, T, vgSideLeft);
    to(L + x, T, vgSideTop);
  } else {
    shaped({L, T + y2}, {L + x2, T}, {L + x2, T + y}, {L + x, T + y2}, {L + x, T});
  }
  to(R - x, T, vgSideTop);
  // top-right
  if (!Corners.Contains(vgCornerTopRight)) {
    to(R, T, vgSideTop);
    to(R, T + y, vgSideRight);
  } else {
    shaped({R - x2, T}, {R, T + y2}, {R - x, T + y2}, {R - x2, T + y}, {R, T + y});
  }
  to(R, B - y, vgSideRight);
  // bottom-right
  if (!Corners.Contains(vgCornerBottomRight)) {
    to(R, B, vgSideRight);
    to(R - x, B, vgSideBottom);
  } else {
    shaped({R, B - y2}, {R - x2, B}, {R - x2, B - y}, {R - x, B - y2}, {R - x, B});
  }
  to(L + x, B, vgSideBottom);
  // bottom-left
  if (!Corners.Contains(vgCornerBottomLeft)) {
    to(L, B, vgSideBottom);
    to(L, B - y, vgSideLeft);
  } else {
    shaped({L + x2, B}, {L, B - y2}, {L + x, B - y2}, {L + x2, B - y}, {L, B - y});
  }
  if (Sides.Contains(vgSideLeft)) path.LineTo({L, T + y});
}

// ---- what the concrete class provides ------------------------------------------------------------------

void TvxCanvas::FontChanged(rtl::TObject*) {}
void TvxCanvas::FlushBuffer(int, int, TvxDC) { Abstract(); }
void TvxCanvas::FlushBufferRect(int, int, TvxDC, const TvxRect&) { Abstract(); }
void TvxCanvas::FreeBuffer() { Abstract(); }
void TvxCanvas::ResizeBuffer(int, int) { Abstract(); }
void TvxCanvas::SetBufferBits(uint32_t*, int, int) { Abstract(); }
void TvxCanvas::Clear(TvxColor) { Abstract(); }
void TvxCanvas::ClearRect(const TvxRect&, TvxColor) { Abstract(); }
void TvxCanvas::CopyFromPixels(const gfx2d::PixelTarget&, int, int, const TvxRect&) { Abstract(); }
int TvxCanvas::SaveState() { Abstract(); }
void TvxCanvas::RestoreState(int) { Abstract(); }
void TvxCanvas::SetClipRects(const std::vector<TvxRect>&) { Abstract(); }
void TvxCanvas::IntersectClipRect(const TvxRect&) { Abstract(); }
void TvxCanvas::ExcludeClipRect(const TvxRect&) { Abstract(); }
void TvxCanvas::ResetClipRect() { Abstract(); }
void TvxCanvas::DrawLine(const TvxPoint&, const TvxPoint&, float) { Abstract(); }
void TvxCanvas::FillRect(const TvxRect&, float, float, TvxCorners, float, TvxCornerType) { Abstract(); }
void TvxCanvas::DrawRect(const TvxRect&, float, float, TvxCorners, float, TvxCornerType) { Abstract(); }
void TvxCanvas::FillEllipse(const TvxRect&, float) { Abstract(); }
void TvxCanvas::DrawEllipse(const TvxRect&, float) { Abstract(); }
bool TvxCanvas::PtInPath(const TvxPoint&, const TvxRect&, TvxPathData*) { Abstract(); }
void TvxCanvas::FillPath(TvxPathData*, const TvxRect&, float) { Abstract(); }
void TvxCanvas::DrawPath(TvxPathData*, const TvxRect&, float) { Abstract(); }
void TvxCanvas::DrawBitmap(TvxBitmap*, const TvxRect&, const TvxRect&, float, bool) { Abstract(); }
void TvxCanvas::DrawThumbnail(TvxBitmap*, float, float) { Abstract(); }

void TvxCanvas::DrawBitmapTiles(TvxBitmap* ABitmap, int Columns, int Rows, float Opacity) {
  if (!ABitmap || ABitmap->IsEmpty()) return;
  const float bw = static_cast<float>(ABitmap->Width()), bh = static_cast<float>(ABitmap->Height());
  TvxRect view = MakeRect(0, 0, static_cast<float>(Columns) * bw, static_cast<float>(Rows) * bh);
  ClipBounds(view);
  const TvxIndexSpan cols = SpansMeeting(0, bw, bw, Columns, view.Left, view.Right);
  const TvxIndexSpan rows = SpansMeeting(0, bh, bh, Rows, view.Top, view.Bottom);
  const TvxRect whole = MakeRect(0, 0, bw, bh);
  for (int64_t i = cols.First; i <= cols.Last; ++i)
    for (int64_t j = rows.First; j <= rows.Last; ++j) {
      TvxRect r = whole;
      OffsetRectF(r, static_cast<float>(i) * bw, static_cast<float>(j) * bh);
      DrawBitmap(ABitmap, whole, r, Opacity, true);
    }
}
void TvxCanvas::FillText(const TvxRect&, const TvxRect&, const std::u16string&, bool, float, TvxTextAlign,
                         TvxTextAlign) {
  Abstract();
}
void TvxCanvas::MeasureText(TvxRect&, const TvxRect&, const std::u16string&, bool, TvxTextAlign, TvxTextAlign) {
  Abstract();
}
bool TvxCanvas::TextToPath(TvxPathData*, const TvxRect&, const std::u16string&, bool, TvxTextAlign, TvxTextAlign) {
  Abstract();
}

}  // namespace vg
