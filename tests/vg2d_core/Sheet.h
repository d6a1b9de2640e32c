// A custom control of the window layer that fills its client with one colour: what lies
// under and beside a scene in the tests that look at a form's pixels.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/win/Controls.h"

namespace vgtest {

class Sheet : public win::TCustomControl {
public:
  Sheet(win::TWinControl* Parent, std::uint32_t Color, const win::TRect& R) : win::TCustomControl(Parent), color(Color) {
    SetBounds(R.Left, R.Top, R.Width(), R.Height());
    SetParent(Parent);
  }
  void Paint() override {
    const gfx2d::PixelTarget dc = GetDC();
    for (int y = 0; y < dc.Height; ++y) std::fill_n(dc.Bits + static_cast<size_t>(y) * dc.Stride, dc.Width, color);
    PresentRects({ClientRect()});
  }
  std::uint32_t color;

protected:
  // Asks for its first paint, as the scenes do.
  void CreateHandle() override {
    win::TCustomControl::CreateHandle();
    Invalidate();
  }
};

}  // namespace vgtest
