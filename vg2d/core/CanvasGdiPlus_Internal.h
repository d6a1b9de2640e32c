// What the cairo canvas's files share of a rectangle's geometry.
#pragma once

#include "platform/gfx2d/Path.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/PathData.h"

namespace vg::canvas_internal {

bool RectWithin(const TvxRect& Inner, const TvxRect& Outer);
bool RectsOverlap(const TvxRect& A, const TvxRect& B);
// Whether Box lies in the part of the rounded rectangle R that its corners leave alone
// (whatever the corners' shape, they stay inside their radius).
bool InStraightPart(const TvxRect& R, float XRadius, float YRadius, const TvxRect& Box);
// Whether the outline of the rounded rectangle R, stroked Thickness wide, leaves Box untouched.
bool StrokeMisses(const TvxRect& R, float XRadius, float YRadius, TvxCorners Corners, TvxCornerType Type,
                  float Thickness, const TvxRect& Box);
// The outline shared by FillRect and DrawRect.
gfx2d::Path RoundRectPath(const TvxRect& R, float XRadius, float YRadius, TvxCorners Corners, TvxCornerType Type);

}  // namespace vg::canvas_internal
