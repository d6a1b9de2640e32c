// The rectangles' geometry of the cairo canvas: the outline of a rectangle with shaped
// corners, and the tests that let a small damaged region skip an outline or fill a box.
#include <algorithm>
#include <cmath>

#include "vg2d/core/CanvasGdiPlus_Internal.h"

namespace vg::canvas_internal {

// The corner-curve offset of rounded rectangles: one minus the circle factor.
constexpr float CornerFactor = 0.4477152502f;

bool RectWithin(const TvxRect& Inner, const TvxRect& Outer) {
  return Inner.Left >= Outer.Left && Inner.Top >= Outer.Top && Inner.Right <= Outer.Right &&
         Inner.Bottom <= Outer.Bottom;
}

bool RectsOverlap(const TvxRect& A, const TvxRect& B) {
  return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

namespace {

// The corner radii RoundRectPath draws R with.
void CornerRadii(const TvxRect& R, float& XRadius, float& YRadius) {
  XRadius = std::min(XRadius, RectWidth(R) / 2);
  YRadius = std::min(YRadius, RectHeight(R) / 2);
}

// Sizes the two tests below are sure of: a rectangle the right way round, corners that
// curve inward from it.
bool PlainRoundRect(const TvxRect& R, float XRadius, float YRadius) {
  return RectWidth(R) > 0 && RectHeight(R) > 0 && XRadius >= 0 && YRadius >= 0 && std::isfinite(XRadius) &&
         std::isfinite(YRadius);
}

}  // namespace

// Whether Box lies in the part of the rounded rectangle R that its corners leave alone
// (whatever the corners' shape, they stay inside their radius).
bool InStraightPart(const TvxRect& R, float XRadius, float YRadius, const TvxRect& Box) {
  if (!PlainRoundRect(R, XRadius, YRadius)) return false;
  CornerRadii(R, XRadius, YRadius);
  return RectWithin(Box, MakeRect(R.Left, R.Top + YRadius, R.Right, R.Bottom - YRadius)) ||
         RectWithin(Box, MakeRect(R.Left + XRadius, R.Top, R.Right - XRadius, R.Bottom));
}

// Whether the outline of the rounded rectangle R, stroked Thickness wide, leaves Box
// untouched: Box lies outside the stroke's reach, or inside the outline and farther than
// the reach from it. The reach covers the half width, mitred corners (no turn is sharper
// than a right angle) and cairo's curve tolerance with room to spare. Inside, a round
// corner with equal radii keeps its circle's centre: the box's corners in that corner may
// come up to the radius less the reach; corners of any other shape keep the box out of
// their square and the reach around it.
bool StrokeMisses(const TvxRect& R, float XRadius, float YRadius, TvxCorners Corners, TvxCornerType Type,
                  float Thickness, const TvxRect& Box) {
  if (!PlainRoundRect(R, XRadius, YRadius) || !(Thickness >= 0) || !std::isfinite(Thickness)) return false;
  CornerRadii(R, XRadius, YRadius);
  const float reach = 0.75f * Thickness + 1;
  if (!RectsOverlap(Box, MakeRect(R.Left - reach, R.Top - reach, R.Right + reach, R.Bottom + reach))) return true;
  if (!RectWithin(Box, MakeRect(R.Left + reach, R.Top + reach, R.Right - reach, R.Bottom - reach))) return false;
  const bool circles = Type == vgCornerRound && XRadius == YRadius;
  struct TCorner {
    TvxCorner Which;
    float X, Y;    // the corner of R
    float SX, SY;  // inward: +1 or -1
  };
  const TCorner corners[] = {{vgCornerTopLeft, R.Left, R.Top, 1, 1},
                             {vgCornerTopRight, R.Right, R.Top, -1, 1},
                             {vgCornerBottomRight, R.Right, R.Bottom, -1, -1},
                             {vgCornerBottomLeft, R.Left, R.Bottom, 1, -1}};
  for (const TCorner& c : corners) {
    if (!Corners.Contains(c.Which) || (XRadius == 0 && YRadius == 0)) continue;  // square: the inner rectangle does
    // The corner's centre, and the box's corner nearest to R's corner.
    const float cx = c.X + c.SX * XRadius, cy = c.Y + c.SY * YRadius;
    const float bx = c.SX > 0 ? Box.Left : Box.Right, by = c.SY > 0 ? Box.Top : Box.Bottom;
    if (circles) {
      const bool inZone = (bx - cx) * c.SX < 0 && (by - cy) * c.SY < 0;
      if (inZone && std::hypot(bx - cx, by - cy) > XRadius - reach) return false;
    } else if ((bx - cx) * c.SX < reach && (by - cy) * c.SY < reach) {
      return false;
    }
  }
  return true;
}

// The outline shared by FillRect and DrawRect.
gfx2d::Path RoundRectPath(const TvxRect& R, float XRadius, float YRadius, TvxCorners Corners, TvxCornerType Type) {
  const float L = R.Left, T = R.Top, Rt = R.Right, B = R.Bottom;
  float rx = XRadius, ry = YRadius;
  if (RectWidth(R) - 2 * rx < 0) rx = RectWidth(R) / 2;
  if (RectHeight(R) - 2 * ry < 0) ry = RectHeight(R) / 2;
  const float kx = CornerFactor * rx, ky = CornerFactor * ry;
  gfx2d::Path p;
  // One corner from S to E; Square is the corner point, RoundC1/2 the control points of
  // a round corner and InnerC1/2 those of the inward shapes.
  auto corner = [&](TvxCorner Which, gfx2d::PointF S, gfx2d::PointF Square, gfx2d::PointF RoundC1,
                    gfx2d::PointF RoundC2, gfx2d::PointF InnerC1, gfx2d::PointF InnerC2, gfx2d::PointF E) {
    if (!Corners.Contains(Which)) {
      p.AddLine(S, Square);
      p.AddLine(Square, E);
      return;
    }
    switch (Type) {
      case vgCornerBevel: p.AddLine(S, E); break;
      case vgCornerInnerRound: p.AddBezier(S, InnerC1, InnerC2, E); break;
      case vgCornerInnerLine:
        p.AddLine(S, InnerC1);
        p.AddLine(InnerC1, InnerC2);
        p.AddLine(InnerC2, E);
        break;
      case vgCornerRound:
      default: p.AddBezier(S, RoundC1, RoundC2, E); break;
    }
  };
  corner(vgCornerTopLeft, {L, T + ry}, {L, T}, {L, T + ky}, {L + kx, T}, {L + kx, T + ry}, {L + rx, T + ky},
         {L + rx, T});
  corner(vgCornerTopRight, {Rt - rx, T}, {Rt, T}, {Rt - kx, T}, {Rt, T + ky}, {Rt - rx, T + ky}, {Rt - kx, T + ry},
         {Rt, T + ry});
  corner(vgCornerBottomRight, {Rt, B - ry}, {Rt, B}, {Rt, B - ky}, {Rt - kx, B}, {Rt - kx, B - ry},
         {Rt - rx, B - ky}, {Rt - rx, B});
  corner(vgCornerBottomLeft, {L + rx, B}, {L, B}, {L + kx, B}, {L, B - ky}, {L + rx, B - ky}, {L + kx, B - ry},
         {L, B - ry});
  p.CloseFigure();
  return p;
}

}  // namespace vg::canvas_internal
