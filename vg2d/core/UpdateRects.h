// The rectangles a scene or a layer repaints: each widened to the whole pixels it touches,
// and too many of them merged into one.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "vg2d/core/Geometry.h"

namespace vg {

// The rectangle to repaint for R: its left and top edges cut down to whole pixels, its right
// and bottom edges one pixel past theirs (so a pixel R only touches is painted too).
inline TvxRect UpdateRectOf(const TvxRect& R) {
  return MakeRect(std::trunc(R.Left), std::trunc(R.Top), std::trunc(R.Right) + 1, std::trunc(R.Bottom) + 1);
}

// More than Most rectangles to repaint become the one rectangle that covers them all.
inline void MergeUpdateRects(std::vector<TvxRect>& Rects, size_t Most) {
  if (Rects.size() <= Most) return;
  TvxRect all = Rects.front();
  for (const TvxRect& r : Rects) UnionRectF(TvxRect(all), r, all);
  Rects.assign(1, all);
}

}  // namespace vg
