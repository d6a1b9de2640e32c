// A drawing path of figures made of straight and cubic Bezier segments, filled with the
// alternate (even-odd) rule unless told otherwise.
#pragma once

#include <vector>

#include <cairo.h>

#include "platform/gfx2d/Types.h"

namespace gfx2d {

class Path {
public:
  explicit Path(FillMode Mode = FillMode::Alternate) : fillMode_(Mode) {}

  // Each add continues the open figure: when the figure's last point differs from the
  // first point added, a line joins them. Without an open figure the add starts one.
  void AddLine(PointF P1, PointF P2);
  void AddBezier(PointF P1, PointF C1, PointF C2, PointF P2);
  // A closed figure of its own, clockwise from the top-left corner.
  void AddRectangle(const RectF& R);
  // A closed figure of four Bezier quarters inscribed in R, from the right middle point.
  void AddEllipse(const RectF& R);
  // The next add starts a new figure.
  void StartFigure() { open_ = false; }
  // Closes the open figure; the next add starts a new one.
  void CloseFigure();

  bool IsEmpty() const { return ops_.empty(); }
  // False when a point was not finite; such a path is never drawn, filled or hit.
  bool IsValid() const { return valid_; }
  FillMode GetFillMode() const { return fillMode_; }

  // Replaces cr's current path by this one and sets the fill rule.
  void AppendTo(cairo_t* cr) const;
  // Whether a figure has a Bezier segment (rounded corners, ellipses).
  bool HasCurves() const;
  // Appends what the path is made of (fill mode, segments and points) to Key: two paths
  // append the same values exactly when they draw the same.
  void AppendKey(std::vector<double>& Key) const;
  // Whether (X, Y) lies inside the filled path (no transform).
  bool IsVisible(float X, float Y) const;

private:
  enum class Op { Move, Line, Curve, Close };
  struct Step {
    Op Kind;
    PointF P[3];
  };
  void Connect(PointF P);
  bool Check(std::initializer_list<PointF> Points);

  std::vector<Step> ops_;
  FillMode fillMode_;
  PointF last_;
  bool open_ = false;
  bool valid_ = true;
};

}  // namespace gfx2d
