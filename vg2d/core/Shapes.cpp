#include "vg2d/core/Shapes.h"

#include <algorithm>
#include <cmath>

#include "vg2d/core/BitmapEffects.h"
#include "vg2d/core/Effects.h"

namespace vg {

namespace {

constexpr TvxColor ShapeFillColor = 0xFFE0E0E0u;
constexpr TvxColor ShapeStrokeColor = 0xFF000000u;

// The pixel count of a side of a blur picture: rounded (ties to even), never negative,
// never beyond the effect image limit (NaN gives 0).
int PictureSide(float Extent) {
  return static_cast<int>(std::clamp<int64_t>(Round(Extent), 0, MaxEffectBitmapSide));
}

}  // namespace

// ---- TvxShape ------------------------------------------------------------------------------------

rtl::TClass TvxShape::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxShape>().Build();
  return &info;
}

TvxShape::TvxShape(rtl::TComponent* AOwner)
    : TvxVisualObject(AOwner),
      fill_(std::make_unique<TvxBrush>(vgBrushSolid, ShapeFillColor)),
      stroke_(std::make_unique<TvxBrush>(vgBrushSolid, ShapeStrokeColor)) {
  fill_->OnChange = [this](rtl::TObject* Sender) { FillChanged(Sender); };
  stroke_->OnChange = [this](rtl::TObject* Sender) { StrokeChanged(Sender); };
}

TvxRect TvxShape::GetShapeRect() const {
  TvxRect r = GetLocalRect();
  if (stroke_->Style() != vgBrushNone) InflateRectF(r, -strokeThickness_ / 2, -strokeThickness_ / 2);
  return r;
}

float TvxShape::PaintSpill() const {
  return stroke_->Style() == vgBrushNone ? 0 : std::max(strokeThickness_, 1.0f);
}

void TvxShape::BeforePaint() {
  TvxVisualObject::BeforePaint();
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  c->Fill()->Assign(fill_.get());
  c->Stroke()->Assign(stroke_.get());
  c->SetStrokeThickness(strokeThickness_);
  c->SetStrokeCap(strokeCap_);
  c->SetStrokeJoin(strokeJoin_);
  c->SetStrokeDash(strokeDash_);
}

void TvxShape::AfterPaint() {
  TvxVisualObject::AfterPaint();
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  c->SetStrokeDash(vgDashSolid);
  c->SetStrokeThickness(1);
}

void TvxShape::FillChanged(rtl::TObject*) {
  if (UpdateCount() == 0) Repaint();
  SetEffectsDirty();
}

void TvxShape::StrokeChanged(rtl::TObject*) {
  if (UpdateCount() == 0) Repaint();
  SetEffectsDirty();
}

void TvxShape::LookChanged() {
  SetEffectsDirty();
  Repaint();
}

// ---- TvxLine -------------------------------------------------------------------------------------

rtl::TClass TvxLine::StaticClass() {
  static const rtl::TClassInfo info = [] {
    rtl::TClassBuilder<TvxLine> b = rtl::DefineClass<TvxLine>();
    StrokeProperties(b).Property("LineType", &TvxLine::LineType, &TvxLine::SetLineType).NoDefault();
    return b.Build();
  }();
  return &info;
}

void TvxLine::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const TvxRect r = GetShapeRect();
  const float opacity = GetAbsoluteOpacity();
  switch (lineType_) {
    case vgLineHorizontal: c->DrawLine({r.Left, r.Top}, {r.Right, r.Top}, opacity); break;
    case vgLineVertical: c->DrawLine({r.Left, r.Top}, {r.Left, r.Bottom}, opacity); break;
    case vgLineNormal:
    default: c->DrawLine({r.Left, r.Top}, {r.Right, r.Bottom}, opacity); break;
  }
}

// ---- TvxRectangle --------------------------------------------------------------------------------

rtl::TClass TvxRectangle::StaticClass() {
  using R = TvxRectangle;
  static const rtl::TClassInfo info = [] {
    rtl::TClassBuilder<R> b = rtl::DefineClass<R>();
    b.Property("Fill", &R::Fill, &R::SetFill);
    StrokeProperties(b)
        .Property("xRadius", &R::xRadius, &R::SetxRadius)
        .NoDefault()
        .Property("yRadius", &R::yRadius, &R::SetyRadius)
        .NoDefault()
        .Property("Corners", &R::Corners, &R::SetCorners)
        .Default(AllCorners)
        .Property("CornerType", &R::CornerType, &R::SetCornerType)
        .Default(vgCornerRound)
        .Property("Sides", &R::Sides, &R::SetSides)
        .Default(AllSides);
    return b.Build();
  }();
  return &info;
}

TvxRect TvxRectangle::SideGrownRect() const {
  TvxRect r = GetShapeRect();
  const float off = r.Left;
  if (!sides_.Contains(vgSideTop)) r.Top -= off;
  if (!sides_.Contains(vgSideLeft)) r.Left -= off;
  if (!sides_.Contains(vgSideBottom)) r.Bottom += off;
  if (!sides_.Contains(vgSideRight)) r.Right += off;
  return r;
}

void TvxRectangle::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const TvxRect r = GetShapeRect();
  const float opacity = GetAbsoluteOpacity();
  if (sides_ == AllSides) {
    c->FillRect(r, xRadius_, yRadius_, corners_, opacity, cornerType_);
    c->DrawRect(r, xRadius_, yRadius_, corners_, opacity, cornerType_);
    return;
  }
  c->FillRect(SideGrownRect(), xRadius_, yRadius_, corners_, opacity, cornerType_);
  c->DrawRectSides(r, xRadius_, yRadius_, corners_, opacity, sides_, cornerType_);
}

rtl::TClass TvxSidesRectangle::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxSidesRectangle>().Build();
  return &info;
}

// ---- blurred shapes ------------------------------------------------------------------------------

int TvxBlurCache::BlurRadius(float Softness) {
  return static_cast<int>(std::clamp<int64_t>(Trunc(Softness * 15.0), 0, MaxEffectBitmapSide));
}

TvxBitmap* TvxBlurCache::Update(float AWidth, float AHeight, int Radius,
                                const std::function<void(TvxCanvas&)>& Draw) {
  const int w = PictureSide(AWidth), h = PictureSide(AHeight);
  if (w == 0 || h == 0) return nullptr;
  if (!bitmap_) {
    bitmap_ = std::make_unique<TvxBitmap>(w, h);
    needUpdate_ = true;
  }
  if (bitmap_->Width() != w || bitmap_->Height() != h) {
    bitmap_->SetSize(w, h);
    needUpdate_ = true;
  }
  if (needUpdate_) {
    bitmap_->Clear(0);
    if (TvxCanvas* c = bitmap_->GetCanvas(); c && c->BeginScene()) {
      c->SetMatrix(IdentityMatrix);
      Draw(*c);
      c->EndScene();
    }
    StackBlur(nullptr, bitmap_.get(), Radius, true);
    needUpdate_ = false;
  }
  return bitmap_.get();
}

namespace {

// Paints a blur shape's cached picture at the object's opacity.
void DrawBlurPicture(TvxVisualObject& Shape, TvxBitmap* Picture) {
  TvxCanvas* c = Shape.GetCanvas();
  if (!c || !Picture) return;
  const TvxRect local = Shape.GetLocalRect();
  c->DrawBitmap(Picture, MakeRect(0, 0, static_cast<float>(Picture->Width()), static_cast<float>(Picture->Height())),
                local, Shape.GetAbsoluteOpacity(), true);
}

}  // namespace

// ---- TvxRoundRect --------------------------------------------------------------------------------

rtl::TClass TvxRoundRect::StaticClass() {
  using R = TvxRoundRect;
  static const rtl::TClassInfo info = [] {
    rtl::TClassBuilder<R> b = rtl::DefineClass<R>();
    b.Property("Fill", &R::Fill, &R::SetFill);
    StrokeProperties(b).Property("Corners", &R::Corners, &R::SetCorners).Default(AllCorners);
    return b.Build();
  }();
  return &info;
}

void TvxRoundRect::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const TvxRect r = GetShapeRect();
  const float radius = Height() < Width() ? RectHeight(r) / 2 : RectWidth(r) / 2;
  const float opacity = GetAbsoluteOpacity();
  c->FillRect(r, radius, radius, corners_, opacity, vgCornerRound);
  c->DrawRect(r, radius, radius, corners_, opacity, vgCornerRound);
}

// ---- blurred rectangles -------------------------------------------------------------------------

template <class Shape> TvxBlurredShape<Shape>::TvxBlurredShape(rtl::TComponent* AOwner) : Shape(AOwner) {
  this->Stroke()->SetStyle(vgBrushNone);
}

template <class Shape> void TvxBlurredShape<Shape>::SetSoftness(float Value) {
  if (!this->SetField(softness_, Value)) return;
  cache_.Invalidate();
  this->Repaint();
}

template <class Shape> void TvxBlurredShape<Shape>::SetCorners(TvxCorners Value) {
  Shape::SetCorners(Value);
  cache_.Invalidate();
}

template <class Shape> void TvxBlurredShape<Shape>::FillChanged(rtl::TObject* Sender) {
  Shape::FillChanged(Sender);
  cache_.Invalidate();
}

template <class Shape>
void TvxBlurredShape<Shape>::PaintBlurred(const std::function<void(TvxCanvas& C, const TvxRect& Bounds)>& Draw) {
  const int s = TvxBlurCache::BlurRadius(softness_);
  // The picture is drawn opaque; the object's opacity is applied once, when it is shown.
  TvxBitmap* picture = cache_.Update(this->Width(), this->Height(), s, [&](TvxCanvas& C) {
    Draw(C, MakeRect(static_cast<float>(s), static_cast<float>(s), this->Width() - s, this->Height() - s));
  });
  DrawBlurPicture(*this, picture);
}

template class TvxBlurredShape<TvxRectangle>;
template class TvxBlurredShape<TvxRoundRect>;

namespace {

// The record every blurred shape C publishes.
template <class C> rtl::TClassInfo BlurredShapeRecord() {
  return rtl::DefineClass<C>().Property("Softness", &C::Softness, &C::SetSoftness).NoDefault().Build();
}

}  // namespace

rtl::TClass TvxBlurRectangle::StaticClass() {
  static const rtl::TClassInfo info = BlurredShapeRecord<TvxBlurRectangle>();
  return &info;
}

void TvxBlurRectangle::SetxRadius(float Value) {
  TvxRectangle::SetxRadius(Value);
  InvalidateCache();
}
void TvxBlurRectangle::SetyRadius(float Value) {
  TvxRectangle::SetyRadius(Value);
  InvalidateCache();
}
void TvxBlurRectangle::SetCornerType(TvxCornerType Value) {
  TvxRectangle::SetCornerType(Value);
  InvalidateCache();
}

void TvxBlurRectangle::Paint() {
  PaintBlurred([&](TvxCanvas& C, const TvxRect& b) {
    C.Fill()->Assign(Fill());
    C.FillRect(b, xRadius(), yRadius(), Corners(), 1, CornerType());
    C.Stroke()->Assign(Stroke());
    C.DrawRect(b, xRadius(), yRadius(), Corners(), 1, CornerType());
  });
}

rtl::TClass TvxBlurRoundRect::StaticClass() {
  static const rtl::TClassInfo info = BlurredShapeRecord<TvxBlurRoundRect>();
  return &info;
}

void TvxBlurRoundRect::Paint() {
  PaintBlurred([&](TvxCanvas& C, const TvxRect& b) {
    const float radius = RectHeight(b) / 2;
    C.Fill()->Assign(Fill());
    C.FillRect(b, radius, radius, Corners(), 1, vgCornerRound);
    C.Stroke()->Assign(Stroke());
    C.DrawRect(b, radius, radius, Corners(), 1, vgCornerRound);
  });
}

// ---- TvxCalloutRectangle -------------------------------------------------------------------------

rtl::TClass TvxCalloutRectangle::StaticClass() {
  using C = TvxCalloutRectangle;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("AnchorSize", &C::AnchorSize, &C::SetAnchorSize)
                                          .NoDefault()
                                          .Property("AnchorLength", &C::AnchorLength, &C::SetAnchorLength)
                                          .NoDefault()
                                          .Build();
  return &info;
}

TvxCalloutRectangle::TvxCalloutRectangle(rtl::TComponent* AOwner) : TvxRectangle(AOwner) {}

void TvxCalloutRectangle::AnchorChanged() {
  RecalcUpdateRect();
  Repaint();
}

void TvxCalloutRectangle::CreatePath() {
  outlinePath_->Clear();
  AddRectSidesOutline(*outlinePath_, SideGrownRect(), xRadius(), yRadius(), Corners(), Sides(), CornerType());
}

void TvxCalloutRectangle::Paint() {
  CreatePath();
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  c->DrawPath(outlinePath_.get(), outlinePath_->GetBounds(), GetAbsoluteOpacity());
}

// ---- ellipses, circles, pies and arcs ------------------------------------------------------------

rtl::TClass TvxEllipse::StaticClass() {
  static const rtl::TClassInfo info = [] {
    rtl::TClassBuilder<TvxEllipse> b = rtl::DefineClass<TvxEllipse>();
    return ShapeProperties(b).Build();
  }();
  return &info;
}

void TvxEllipse::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const TvxRect r = GetShapeRect();
  const float opacity = GetAbsoluteOpacity();
  c->FillEllipse(r, opacity);
  c->DrawEllipse(r, opacity);
}

bool TvxEllipse::PointInObject(float X, float Y) {
  const TvxPoint p = AbsoluteToLocal({X, Y});
  const double w = Width(), h = Height();
  if (w * h == 0 || !std::isfinite(w * h)) return false;
  const double dx = (2 * p.X - w) / w, dy = (2 * p.Y - h) / h;
  return dx * dx + dy * dy <= 1;
}

rtl::TClass TvxCircle::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCircle>().Build();
  return &info;
}

void TvxCircle::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const float m = std::max(Width(), Height());
  TvxRect s = MakeRect(0, 0, m, m);
  FitRect(s, GetShapeRect());
  const float opacity = GetAbsoluteOpacity();
  c->FillEllipse(s, opacity);
  c->DrawEllipse(s, opacity);
}

rtl::TClass TvxPie::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPie>()
                                          .Property("StartAngle", &TvxPie::StartAngle, &TvxPie::SetStartAngle)
                                          .NoDefault()
                                          .Property("EndAngle", &TvxPie::EndAngle, &TvxPie::SetEndAngle)
                                          .NoDefault()
                                          .Build();
  return &info;
}

void TvxPie::BuildOutline(TvxPathData& Path) const {
  const TvxPoint centre{Width() / 2, Height() / 2};
  const TvxPoint radius{(Width() - StrokeThickness()) / 2, (Height() - StrokeThickness()) / 2};
  Path.MoveTo(centre);
  Path.AddArc(centre, radius, startAngle_, endAngle_ - startAngle_);
  Path.LineTo(centre);
  Path.ClosePath();
}

void TvxPie::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  TvxPathData path;
  BuildOutline(path);
  const TvxRect b = path.GetBounds();
  const float opacity = GetAbsoluteOpacity();
  c->FillPath(&path, b, opacity);
  c->DrawPath(&path, b, opacity);
}

bool TvxPie::PointInObject(float X, float Y) {
  TvxCanvas* c = GetCanvas();
  if (!c) return TvxEllipse::PointInObject(X, Y);
  TvxPathData path;
  BuildOutline(path);
  return c->PtInPath(AbsoluteToLocal({X, Y}), path.GetBounds(), &path);
}

rtl::TClass TvxArc::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxArc>()
                                          .Property("StartAngle", &TvxArc::StartAngle, &TvxArc::SetStartAngle)
                                          .NoDefault()
                                          .Property("EndAngle", &TvxArc::EndAngle, &TvxArc::SetEndAngle)
                                          .NoDefault()
                                          .Build();
  return &info;
}

TvxArc::TvxArc(rtl::TComponent* AOwner) : TvxEllipse(AOwner) {
  // An arc is only stroked unless a fill is set; a fill of style none is not written.
  Fill()->SetStyle(vgBrushNone);
  Fill()->SetDefaultStyle(vgBrushNone);
}

void TvxArc::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const TvxPoint centre{Width() / 2, Height() / 2};
  const TvxPoint radius{(Width() - StrokeThickness()) / 2, (Height() - StrokeThickness()) / 2};
  const float opacity = GetAbsoluteOpacity();
  c->FillArc(centre, radius, startAngle_, endAngle_, opacity);
  c->DrawArc(centre, radius, startAngle_, endAngle_, opacity);
}

}  // namespace vg
