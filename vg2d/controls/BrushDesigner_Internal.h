// What the designer window (BrushDesigner.cpp) and the brush dialog (BrushDialog.cpp) share.
#pragma once

#include "vg2d/controls/BrushDesigner.h"

namespace vg::brush_designer_internal {

// The styles of the designer's tabs, in their order.
inline constexpr TvxBrushStyle TabStyles[5] = {vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap,
                                               vgBrushResource};

// A designer opens over the window it was opened from (the active one), and in the middle of
// the screen when none is active: never at the screen's corner.
void PlaceOverOpener(TvxBrushDesign& D);

}  // namespace vg::brush_designer_internal
