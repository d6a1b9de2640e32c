// Brushes (solid colour, linear gradient, elliptic path gradient, image texture) and the
// pen that strokes with a brush. A brush becomes a cairo source pattern for one drawing
// operation at a time.
#pragma once

#include <array>
#include <vector>

#include <cairo.h>

#include "platform/gfx2d/Image.h"
#include "platform/gfx2d/Types.h"

namespace gfx2d {

class Brush {
public:
  virtual ~Brush() = default;
  // A new pattern in the user space of a context whose user-to-device matrix is Ctm, or
  // nil when the brush paints nothing. The caller destroys it.
  virtual cairo_pattern_t* CreatePattern(const cairo_matrix_t& Ctm, cairo_filter_t Filter) const = 0;
  // A factor for the alpha of everything the brush paints (image textures with opacity).
  virtual float Alpha() const { return 1; }
};

class SolidBrush : public Brush {
public:
  explicit SolidBrush(ARGB Color) : color_(Color) {}
  ARGB Color() const { return color_; }
  cairo_pattern_t* CreatePattern(const cairo_matrix_t& Ctm, cairo_filter_t Filter) const override;

private:
  ARGB color_;
};

// A colour list along the brush's line or radius: Colors[i] at Positions[i] (0 .. 1).
struct Blend {
  std::vector<ARGB> Colors;
  std::vector<float> Positions;
  bool operator==(const Blend&) const = default;
};

// The pattern a gradient brush built last, kept until the brush changes, so that drawing
// with one brush again and again does not build (and sort the stops of) a pattern each time.
class PatternCache {
public:
  PatternCache() = default;
  PatternCache(const PatternCache&) {}  // a copy builds its own
  PatternCache& operator=(const PatternCache&) {
    Clear();
    return *this;
  }
  ~PatternCache() { Clear(); }
  void Clear();
  // A new reference to the pattern kept for Key, or nil.
  cairo_pattern_t* Find(const std::array<double, 3>& Key) const;
  // Keeps a reference to P (nil is not kept) for Key and returns P.
  cairo_pattern_t* Keep(cairo_pattern_t* P, const std::array<double, 3>& Key);

private:
  cairo_pattern_t* pattern_ = nullptr;
  std::array<double, 3> key_{};
};

// Colours change along P1 -> P2 and stay the same across it. Without a blend the colour
// runs from C1 to C2. The brush transform maps brush space to user space.
class LinearGradientBrush : public Brush {
public:
  LinearGradientBrush(PointF P1, PointF P2, ARGB C1, ARGB C2, WrapMode Wrap = WrapMode::Tile);
  void SetPresetBlend(Blend Stops) {
    blend_ = std::move(Stops);
    built_.Clear();
  }
  const Blend& PresetBlend() const { return blend_; }
  void SetWrapMode(WrapMode Wrap) {
    wrap_ = Wrap;
    built_.Clear();
  }
  // A scale that would make the transform singular is ignored.
  void ScaleTransform(float SX, float SY, MatrixOrder Order = MatrixOrder::Prepend);
  const Matrix& Transform() const { return transform_; }
  // Built once; later calls hand out the same pattern until a setter changes the brush.
  cairo_pattern_t* CreatePattern(const cairo_matrix_t& Ctm, cairo_filter_t Filter) const override;
  // Whether Other paints exactly as this brush does (same line, colours, wrap and transform).
  bool SameAs(const LinearGradientBrush& Other) const;

private:
  PointF p1_, p2_;
  ARGB c1_, c2_;
  WrapMode wrap_;
  Blend blend_;
  Matrix transform_;
  mutable PatternCache built_;
};

// The gradient of a path, for the ellipse inscribed in Bounds: blend position 0 lies on
// the ellipse and 1 at its centre. Only the inside of the ellipse is painted; outside
// Bounds the bounding rectangle repeats as the wrap mode says (Clamp: nothing).
class EllipseGradientBrush : public Brush {
public:
  explicit EllipseGradientBrush(const RectF& Bounds);
  void SetPresetBlend(Blend Stops) {
    blend_ = std::move(Stops);
    built_.Clear();
  }
  const Blend& PresetBlend() const { return blend_; }
  void SetWrapMode(WrapMode Wrap) {
    wrap_ = Wrap;
    built_.Clear();
  }
  // Brush space to user space; a singular transform makes the brush paint nothing.
  void SetTransform(const Matrix& M) {
    transform_ = M;
    built_.Clear();
  }
  const Matrix& Transform() const { return transform_; }
  const RectF& Bounds() const { return bounds_; }
  // Built once for each tile resolution; later calls at the same resolution and filter
  // hand out the same pattern until a setter changes the brush.
  cairo_pattern_t* CreatePattern(const cairo_matrix_t& Ctm, cairo_filter_t Filter) const override;
  // Whether Other paints exactly as this brush does (same bounds, colours, wrap and transform).
  bool SameAs(const EllipseGradientBrush& Other) const;

private:
  RectF bounds_;
  WrapMode wrap_ = WrapMode::Clamp;
  Blend blend_;
  Matrix transform_;
  mutable PatternCache built_;
};

// An image repeated from user (0, 0) as the wrap mode says. The image must outlive the
// brush.
class TextureBrush : public Brush {
public:
  TextureBrush(const Image* Source, WrapMode Wrap, float Alpha = 1);
  void SetWrapMode(WrapMode Wrap) { wrap_ = Wrap; }
  // A scale that would make the transform singular is ignored.
  void ScaleTransform(float SX, float SY, MatrixOrder Order = MatrixOrder::Prepend);
  const Matrix& Transform() const { return transform_; }
  float Alpha() const override { return alpha_; }
  cairo_pattern_t* CreatePattern(const cairo_matrix_t& Ctm, cairo_filter_t Filter) const override;

private:
  const Image* image_;
  WrapMode wrap_;
  float alpha_;
  Matrix transform_;
};

// Strokes with a brush that must outlive it. Widths and dashes are in user units; a
// width thinner than one device pixel (0 included) strokes one device pixel wide.
// Dash lengths and the offset are multiples of the width.
class Pen {
public:
  explicit Pen(const Brush* B, float Width = 1) : brush_(B), width_(Width) {}
  const Brush* GetBrush() const { return brush_; }
  void SetBrush(const Brush* B) { brush_ = B; }
  float Width() const { return width_; }
  void SetWidth(float Value) { width_ = Value; }
  LineCap Cap() const { return cap_; }
  void SetLineCap(LineCap Value) { cap_ = Value; }
  LineJoin Join() const { return join_; }
  void SetLineJoin(LineJoin Value) { join_ = Value; }
  // An empty pattern is a solid line; so is one with a negative or non-finite entry or
  // with nothing but zeros.
  void SetDashPattern(std::vector<float> Dashes) { dashes_ = std::move(Dashes); }
  const std::vector<float>& DashPattern() const { return dashes_; }
  void SetDashOffset(float Value) { dashOffset_ = Value; }
  float DashOffset() const { return dashOffset_; }

  // Sets cr's line width, caps, join and dashes for its current transform.
  void ApplyTo(cairo_t* cr) const;

private:
  const Brush* brush_;
  float width_;
  LineCap cap_ = LineCap::Flat;
  LineJoin join_ = LineJoin::Miter;
  std::vector<float> dashes_;
  float dashOffset_ = 0;
};

}  // namespace gfx2d
