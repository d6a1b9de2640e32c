#include "platform/gfx2d/Blend.h"

namespace gfx2d {

void BlendRowOver(uint32_t* Dst, const uint32_t* Src, size_t Count) {
  for (size_t i = 0; i < Count; ++i) {
    const uint32_t s = Src[i];
    const uint32_t a = s >> 24;
    if (a == 255) Dst[i] = s;
    else if (a != 0) Dst[i] = BlendOver(s, Dst[i]);
  }
}

void BlendRowOverColor(uint32_t* Dst, const uint32_t* Src, uint32_t Back, size_t Count) {
  const uint32_t back = Back | 0xFF000000u;
  for (size_t i = 0; i < Count; ++i) {
    const uint32_t s = Src[i];
    if (s >> 24 == 255) Dst[i] = s;
    else if (s == 0) Dst[i] = back;
    else Dst[i] = BlendOver(s, back) | 0xFF000000u;
  }
}

}  // namespace gfx2d
