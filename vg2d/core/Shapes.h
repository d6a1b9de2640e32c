// The filled and stroked primitives of a 2D tree: the shape base with its fill and stroke
// brushes and stroke settings, lines, rectangles (side- and corner-aware), round
// rectangles, blurred rectangles, the callout outline, ellipses, circles, pies and arcs.
// Every shape paints in its own local coordinates (0, 0, Width, Height); the canvas holds
// the shape's brushes and stroke settings between BeforePaint and AfterPaint.
#pragma once

#include <memory>

#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

RTL_ENUM(TvxLineType, vgLineNormal, vgLineHorizontal, vgLineVertical);

class TvxShape : public TvxVisualObject {
  RTL_CLASS(TvxShape, TvxVisualObject)
public:
  explicit TvxShape(rtl::TComponent* AOwner);

  // The shape keeps its own brushes: the setters copy Value into them.
  TvxBrush* Fill() const { return fill_.get(); }
  void SetFill(TvxBrush* Value) { fill_->Assign(Value); }
  TvxBrush* Stroke() const { return stroke_.get(); }
  void SetStroke(TvxBrush* Value) { stroke_->Assign(Value); }
  float StrokeThickness() const { return strokeThickness_; }
  void SetStrokeThickness(float Value) { SetField(strokeThickness_, Value, &TvxShape::LookChanged); }
  bool StrokeThicknessStored() const { return strokeThickness_ != 1.0f; }
  TvxStrokeCap StrokeCap() const { return strokeCap_; }
  void SetStrokeCap(TvxStrokeCap Value) { SetField(strokeCap_, Value, &TvxShape::LookChanged); }
  TvxStrokeJoin StrokeJoin() const { return strokeJoin_; }
  void SetStrokeJoin(TvxStrokeJoin Value) { SetField(strokeJoin_, Value, &TvxShape::LookChanged); }
  TvxStrokeDash StrokeDash() const { return strokeDash_; }
  void SetStrokeDash(TvxStrokeDash Value) { SetField(strokeDash_, Value, &TvxShape::LookChanged); }

  // The local rectangle, inset by half the stroke thickness when the stroke is shown.
  TvxRect GetShapeRect() const;
  // A stroke may reach past the bounds by its thickness (its caps; a hairline of width 0).
  float PaintSpill() const override;

  // Hands the brushes and stroke settings to the canvas; AfterPaint sets the dash back
  // to solid and the thickness to 1.
  void BeforePaint() override;
  void AfterPaint() override;

protected:
  virtual void FillChanged(rtl::TObject* Sender);
  virtual void StrokeChanged(rtl::TObject* Sender);
  // The object's look changed: its effect image is redrawn, it is repainted.
  void LookChanged();

private:
  const std::unique_ptr<TvxBrush> fill_;
  float strokeThickness_ = 1.0f;
  const std::unique_ptr<TvxBrush> stroke_;
  TvxStrokeCap strokeCap_ = vgCapFlat;
  TvxStrokeJoin strokeJoin_ = vgJoinMiter;
  TvxStrokeDash strokeDash_ = vgDashSolid;
};

// The published stroke settings every stroked shape C lists after its brushes.
template <class C> rtl::TClassBuilder<C>& StrokeProperties(rtl::TClassBuilder<C>& B) {
  return B.Property("Stroke", &C::Stroke, &C::SetStroke)
      .Property("StrokeCap", &C::StrokeCap, &C::SetStrokeCap)
      .Default(vgCapFlat)
      .Property("StrokeDash", &C::StrokeDash, &C::SetStrokeDash)
      .Default(vgDashSolid)
      .Property("StrokeJoin", &C::StrokeJoin, &C::SetStrokeJoin)
      .Default(vgJoinMiter)
      .Property("StrokeThickness", &C::StrokeThickness, &C::SetStrokeThickness)
      .Stored(&C::StrokeThicknessStored);
}

// The fill and then the stroke settings, as most shapes publish them first.
template <class C> rtl::TClassBuilder<C>& ShapeProperties(rtl::TClassBuilder<C>& B) {
  B.Property("Fill", &C::Fill, &C::SetFill);
  return StrokeProperties(B);
}

class TvxLine : public TvxShape {
  RTL_CLASS(TvxLine, TvxShape)
public:
  explicit TvxLine(rtl::TComponent* AOwner) : TvxShape(AOwner) {}
  TvxLineType LineType() const { return lineType_; }
  void SetLineType(TvxLineType Value) { SetField(lineType_, Value, &TvxLine::Repaint); }
  void Paint() override;

private:
  TvxLineType lineType_ = vgLineNormal;
};

class TvxRectangle : public TvxShape {
  RTL_CLASS(TvxRectangle, TvxShape)
public:
  explicit TvxRectangle(rtl::TComponent* AOwner) : TvxShape(AOwner) {}
  float xRadius() const { return xRadius_; }
  virtual void SetxRadius(float Value) { SetField(xRadius_, Value, &TvxRectangle::LookChanged); }
  float yRadius() const { return yRadius_; }
  virtual void SetyRadius(float Value) { SetField(yRadius_, Value, &TvxRectangle::LookChanged); }
  TvxCorners Corners() const { return corners_; }
  virtual void SetCorners(TvxCorners Value) { SetField(corners_, Value, &TvxRectangle::Repaint); }
  TvxCornerType CornerType() const { return cornerType_; }
  virtual void SetCornerType(TvxCornerType Value) { SetField(cornerType_, Value, &TvxRectangle::LookChanged); }
  TvxSides Sides() const { return sides_; }
  virtual void SetSides(TvxSides Value) { SetField(sides_, Value, &TvxRectangle::LookChanged); }
  void Paint() override;

protected:
  // The shape rectangle grown by half the stroke past every side that is not drawn.
  TvxRect SideGrownRect() const;

private:
  float yRadius_ = 0;
  float xRadius_ = 0;
  TvxCorners corners_ = AllCorners;
  TvxCornerType cornerType_ = vgCornerRound;
  TvxSides sides_ = AllSides;
};

// A rectangle of a class of its own (the built-in style streams objects of this class).
class TvxSidesRectangle : public TvxRectangle {
  RTL_CLASS(TvxSidesRectangle, TvxRectangle)
public:
  explicit TvxSidesRectangle(rtl::TComponent* AOwner) : TvxRectangle(AOwner) {}
};

// The cached blurred picture of a blur shape: drawn at full opacity and blurred once per
// change of size, softness, corners or fill; the object's opacity is applied only when
// the picture is drawn, so a change of opacity needs no new blur.
class TvxBlurCache {
public:
  // Radius of the blur: Softness x 15 cut toward zero.
  static int BlurRadius(float Softness);
  // Makes the picture current for an object of size AWidth x AHeight; Draw paints the
  // unblurred figure into the bitmap's canvas. Returns nil for an empty size.
  TvxBitmap* Update(float AWidth, float AHeight, int Radius, const std::function<void(TvxCanvas&)>& Draw);
  void Invalidate() { needUpdate_ = true; }
  bool NeedUpdate() const { return needUpdate_; }
  TvxBitmap* Bitmap() const { return bitmap_.get(); }

private:
  std::unique_ptr<TvxBitmap> bitmap_;
  bool needUpdate_ = true;
};

class TvxRoundRect : public TvxShape {
  RTL_CLASS(TvxRoundRect, TvxShape)
public:
  explicit TvxRoundRect(rtl::TComponent* AOwner) : TvxShape(AOwner) {}
  TvxCorners Corners() const { return corners_; }
  virtual void SetCorners(TvxCorners Value) { SetField(corners_, Value, &TvxRoundRect::Repaint); }
  void Paint() override;

private:
  TvxCorners corners_ = AllCorners;
};

// What a blurred shape adds to its figure (Shape): a Softness and the cached blurred picture,
// drawn without a stroke by default. A plain helper without a class record of its own: each
// blurred shape declares itself on Shape and publishes Softness.
template <class Shape> class TvxBlurredShape : public Shape {
public:
  explicit TvxBlurredShape(rtl::TComponent* AOwner);
  float Softness() const { return softness_; }
  void SetSoftness(float Value);
  void SetCorners(TvxCorners Value) override;
  const TvxBlurCache& Cache() const { return cache_; }

protected:
  void FillChanged(rtl::TObject* Sender) override;
  void InvalidateCache() { cache_.Invalidate(); }
  // Paints the blurred picture at the object's opacity; Draw paints the figure, opaque, into
  // the picture's canvas within Bounds (the object's size inset by the blur radius).
  void PaintBlurred(const std::function<void(TvxCanvas& C, const TvxRect& Bounds)>& Draw);

private:
  float softness_ = 0.3f;
  TvxBlurCache cache_;
};

class TvxBlurRectangle : public TvxBlurredShape<TvxRectangle> {
  RTL_CLASS(TvxBlurRectangle, TvxRectangle)
public:
  using TvxBlurredShape::TvxBlurredShape;
  void SetxRadius(float Value) override;
  void SetyRadius(float Value) override;
  void SetCornerType(TvxCornerType Value) override;
  void Paint() override;
};

class TvxBlurRoundRect : public TvxBlurredShape<TvxRoundRect> {
  RTL_CLASS(TvxBlurRoundRect, TvxRoundRect)
public:
  using TvxBlurredShape::TvxBlurredShape;
  void Paint() override;
};

extern template class TvxBlurredShape<TvxRectangle>;
extern template class TvxBlurredShape<TvxRoundRect>;

// A rectangle drawn as its side-aware outline only (not filled).
class TvxCalloutRectangle : public TvxRectangle {
  RTL_CLASS(TvxCalloutRectangle, TvxRectangle)
public:
  explicit TvxCalloutRectangle(rtl::TComponent* AOwner);
  // Stored and streamed; the outline does not use them (yet).
  float AnchorSize() const { return anchorSize_; }
  void SetAnchorSize(float Value) { SetField(anchorSize_, Value, &TvxCalloutRectangle::AnchorChanged); }
  float AnchorLength() const { return anchorLength_; }
  void SetAnchorLength(float Value) { SetField(anchorLength_, Value, &TvxCalloutRectangle::AnchorChanged); }
  // Rebuilds OutlinePath: clockwise from the top of the left side, a line along each
  // present side, a move along each missing one, each corner of Corners shaped by
  // CornerType. The figure is not closed.
  void CreatePath();
  TvxPathData* OutlinePath() const { return outlinePath_.get(); }
  void Paint() override;

private:
  void AnchorChanged();
  const std::unique_ptr<TvxPathData> outlinePath_ = std::make_unique<TvxPathData>();
  float anchorSize_ = 20;
  float anchorLength_ = 0;
};

class TvxEllipse : public TvxShape {
  RTL_CLASS(TvxEllipse, TvxShape)
public:
  explicit TvxEllipse(rtl::TComponent* AOwner) : TvxShape(AOwner) {}
  void Paint() override;
  // Inside the Width x Height ellipse (never for an empty object).
  bool PointInObject(float X, float Y) override;
};

// The largest circle centred in the shape rectangle.
class TvxCircle : public TvxEllipse {
  RTL_CLASS(TvxCircle, TvxEllipse)
public:
  explicit TvxCircle(rtl::TComponent* AOwner) : TvxEllipse(AOwner) {}
  void Paint() override;
};

// A slice from StartAngle sweeping EndAngle - StartAngle degrees.
class TvxPie : public TvxEllipse {
  RTL_CLASS(TvxPie, TvxEllipse)
public:
  explicit TvxPie(rtl::TComponent* AOwner) : TvxEllipse(AOwner) {}
  float StartAngle() const { return startAngle_; }
  void SetStartAngle(float Value) { SetField(startAngle_, Value, &TvxPie::Repaint); }
  float EndAngle() const { return endAngle_; }
  void SetEndAngle(float Value) { SetField(endAngle_, Value, &TvxPie::Repaint); }
  // The closed slice outline in local coordinates.
  void BuildOutline(TvxPathData& Path) const;
  void Paint() override;
  bool PointInObject(float X, float Y) override;

private:
  float startAngle_ = 0;
  float endAngle_ = -90;
};

// An open arc from StartAngle sweeping EndAngle degrees (not EndAngle - StartAngle).
class TvxArc : public TvxEllipse {
  RTL_CLASS(TvxArc, TvxEllipse)
public:
  explicit TvxArc(rtl::TComponent* AOwner);
  float StartAngle() const { return startAngle_; }
  void SetStartAngle(float Value) { SetField(startAngle_, Value, &TvxArc::Repaint); }
  float EndAngle() const { return endAngle_; }
  void SetEndAngle(float Value) { SetField(endAngle_, Value, &TvxArc::Repaint); }
  void Paint() override;

private:
  float startAngle_ = 0;
  float endAngle_ = -90;
};


}  // namespace vg
