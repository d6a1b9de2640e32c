#include "platform/gfx2d/Path.h"

#include <algorithm>

namespace gfx2d {

namespace {
constexpr double Kappa = 0.5522847498;
}

bool Path::Check(std::initializer_list<PointF> Points) {
  for (const PointF& p : Points)
    if (!IsFinite(p.X) || !IsFinite(p.Y)) valid_ = false;
  return valid_;
}

void Path::Connect(PointF P) {
  if (!open_) {
    ops_.push_back({Op::Move, {P}});
    open_ = true;
  } else if (last_.X != P.X || last_.Y != P.Y) {
    ops_.push_back({Op::Line, {P}});
  }
  last_ = P;
}

void Path::AddLine(PointF P1, PointF P2) {
  if (!Check({P1, P2})) return;
  Connect(P1);
  ops_.push_back({Op::Line, {P2}});
  last_ = P2;
}

void Path::AddBezier(PointF P1, PointF C1, PointF C2, PointF P2) {
  if (!Check({P1, C1, C2, P2})) return;
  Connect(P1);
  ops_.push_back({Op::Curve, {C1, C2, P2}});
  last_ = P2;
}

void Path::AddRectangle(const RectF& R) {
  const PointF a{R.X, R.Y}, b{R.X + R.Width, R.Y}, c{R.X + R.Width, R.Y + R.Height}, d{R.X, R.Y + R.Height};
  if (!Check({a, c})) return;
  open_ = false;
  AddLine(a, b);
  AddLine(b, c);
  AddLine(c, d);
  CloseFigure();
}

void Path::AddEllipse(const RectF& R) {
  const float rx = R.Width / 2, ry = R.Height / 2, cx = R.X + rx, cy = R.Y + ry;
  const float kx = static_cast<float>(rx * Kappa), ky = static_cast<float>(ry * Kappa);
  if (!Check({{R.X, R.Y}, {cx + rx, cy + ry}})) return;
  open_ = false;
  AddBezier({cx + rx, cy}, {cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
  AddBezier({cx, cy + ry}, {cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
  AddBezier({cx - rx, cy}, {cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
  AddBezier({cx, cy - ry}, {cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
  CloseFigure();
}

void Path::CloseFigure() {
  if (open_) ops_.push_back({Op::Close, {}});
  open_ = false;
}

void Path::AppendTo(cairo_t* cr) const {
  cairo_new_path(cr);
  cairo_set_fill_rule(cr, fillMode_ == FillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  if (!valid_) return;
  for (const Step& s : ops_) {
    switch (s.Kind) {
      case Op::Move: cairo_move_to(cr, s.P[0].X, s.P[0].Y); break;
      case Op::Line: cairo_line_to(cr, s.P[0].X, s.P[0].Y); break;
      case Op::Curve: cairo_curve_to(cr, s.P[0].X, s.P[0].Y, s.P[1].X, s.P[1].Y, s.P[2].X, s.P[2].Y); break;
      case Op::Close: cairo_close_path(cr); break;
    }
  }
}

bool Path::HasCurves() const {
  return std::any_of(ops_.begin(), ops_.end(), [](const Step& S) { return S.Kind == Op::Curve; });
}

void Path::AppendKey(std::vector<double>& Key) const {
  Key.push_back(fillMode_ == FillMode::Winding ? 1 : 0);
  Key.push_back(valid_ ? static_cast<double>(ops_.size()) : -1);
  for (const Step& s : ops_) {
    Key.push_back(static_cast<double>(s.Kind));
    const int points = s.Kind == Op::Curve ? 3 : s.Kind == Op::Close ? 0 : 1;
    for (int i = 0; i < points; ++i) Key.insert(Key.end(), {s.P[i].X, s.P[i].Y});
  }
}

bool Path::IsVisible(float X, float Y) const {
  if (!valid_ || ops_.empty() || !IsFinite(X) || !IsFinite(Y)) return false;
  // A scratch context with the identity transform: hit testing needs no pixels.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(surface);
  AppendTo(cr);
  const bool inside = cairo_in_fill(cr, X, Y);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return inside;
}

}  // namespace gfx2d
