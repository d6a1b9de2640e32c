// What the files of the 3D canvas's polygon fill share: the contour separator and the outline
// thinner.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "vg2d/core/Geometry.h"

namespace dx::polygon_internal {

// A point whose X and Y are both 65535 or more ends a contour.
inline bool IsSeparator(const vg::TvxPoint& P) { return P.X >= 65535 && P.Y >= 65535; }

// Thins outlines: each contour keeps its first and last points and leaves out those that lie
// near the outline kept, so that no point moves by more than the tolerance. Points within an
// eighth of it of the last point kept go first (one pass, so an outline of any length costs its
// points once), then, of the rest, those within half of it of the line between the points kept
// on either side (Douglas and Peucker). The points kept lie on the outline, so the chords cut
// its bulges and a thinned contour encloses less than it did: a field of small tiles would
// show more of what lies behind them. The contour is therefore scaled about its centre to the
// area it had, as far as the last three eighths allow. (It may then reach past the bounds by
// as much: where it reaches into the box of a tile beside it, the fans of both invert the
// stencil there, and that tile's quad covers it.) Distances are taken in shares of the bounds.
class TOutlineThinner {
public:
  // Steps in X and Y count ScaleX and ScaleY times; Tolerance is in those scaled units.
  TOutlineThinner(double ScaleX, double ScaleY, double Tolerance)
      : sx_(ScaleX),
        sy_(ScaleY),
        near2_(Tolerance * Tolerance / 64),
        line2_(Tolerance * Tolerance / 4),
        stretch_(Tolerance * 3 / 8) {}

  // Out: Points with each contour thinned; separators stay where they were.
  void Thin(const std::vector<vg::TvxPoint>& Points, std::vector<vg::TvxPoint>& Out);

private:
  double Distance2(const vg::TvxPoint& A, const vg::TvxPoint& B) const {
    const double dx = (static_cast<double>(A.X) - B.X) * sx_, dy = (static_cast<double>(A.Y) - B.Y) * sy_;
    return dx * dx + dy * dy;
  }
  // From P to the segment A B (to A when the segment has no length).
  double SegmentDistance2(const vg::TvxPoint& P, const vg::TvxPoint& A, const vg::TvxPoint& B) const {
    const double ax = A.X * sx_, ay = A.Y * sy_, dx = B.X * sx_ - ax, dy = B.Y * sy_ - ay;
    const double px = P.X * sx_ - ax, py = P.Y * sy_ - ay, length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
    const double ex = px - t * dx, ey = py - t * dy;
    return ex * ex + ey * ey;
  }

  void Contour(const vg::TvxPoint* P, size_t Count, std::vector<vg::TvxPoint>& Out);
  // Twice the signed area of a contour, and its centre (the centroid of its area), measured
  // from its first point so that a contour far from the origin loses no precision.
  static double Area2(const vg::TvxPoint* P, size_t Count, double* CX = nullptr, double* CY = nullptr);
  // Scales the thinned contour T about its centre so that it encloses what the contour P did,
  // moving no point further than the stretch allows; nothing when either has no area or they
  // run different ways (a contour that crosses itself).
  void KeepArea(const vg::TvxPoint* P, size_t Count, vg::TvxPoint* T, size_t Kept) const;

  double sx_, sy_, near2_, line2_, stretch_;
  std::vector<vg::TvxPoint> near_;
  std::vector<bool> keep_;
  std::vector<std::pair<size_t, size_t>> spans_;
};

}  // namespace dx::polygon_internal
