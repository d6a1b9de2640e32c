// Pixel conversions of the image codec.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/gfx2d/ImageCodec.h"

namespace {

using namespace gfx2d;

TEST(ImageCodec, PremultipliedPixelsSurviveUnpremultiplyingAndPremultiplyingAgain) {
  // Every alpha with every channel value, in all three channels at once.
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t c = 0; c < 256; ++c) {
      const uint32_t p = a << 24 | c * 0x010101u;
      const uint32_t straight = UnpremultiplyPixel(p);
      if (a == 0)
        ASSERT_EQ(straight, 0u);
      else if (c <= a)
        ASSERT_EQ(PremultiplyPixel(straight), p) << std::hex << p;
      else
        ASSERT_EQ(straight, a << 24 | 0xFFFFFFu) << std::hex << p;  // not premultiplied: saturates
    }
  // Rounded, not cut, and each channel on its own.
  EXPECT_EQ(UnpremultiplyPixel(0xFE336699u), 0xFE33669Au);
  EXPECT_EQ(PremultiplyPixel(0x80FF8040u), 0x80804020u);
  EXPECT_EQ(PremultiplyPixel(0x00FFFFFFu), 0u);
}

}  // namespace
