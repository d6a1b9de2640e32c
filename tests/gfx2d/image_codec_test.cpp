// Pixel conversions of the image codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

#include "platform/gfx2d/ImageCodec.h"

namespace image_codec_test {

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

DecodedImage GifRoundTrip(const std::vector<uint32_t>& Pixels, int W, int H) {
  std::vector<uint8_t> gif;
  EXPECT_TRUE(EncodeImage(Pixels.data(), W, H, "gif", -1, gif));
  EXPECT_EQ(SniffImageFormat(gif.data(), gif.size()), "gif");
  DecodedImage back;
  EXPECT_TRUE(DecodeImage(gif.data(), gif.size(), int64_t{1} << 28, back));
  EXPECT_EQ(back.Width, W);
  EXPECT_EQ(back.Height, H);
  return back;
}

TEST(ImageCodec, GifKeepsUpTo256ColoursExactlyAndTransparency) {
  ASSERT_TRUE(std::any_of(ImageEncoders().begin(), ImageEncoders().end(),
                          [](const ImageEncoder& E) { return E.MimeType == "image/gif" && E.Format == "gif"; }));
  // 255 opaque colours and transparency: the palette is full.
  const int W = 40, H = 30;
  std::vector<uint32_t> pixels(W * H);
  for (int i = 0; i < W * H; ++i) {
    const uint32_t k = static_cast<uint32_t>(i % 255);
    pixels[i] = 0xFF000000u | (k * 37 % 256) << 16 | (k * 101 % 256) << 8 | (255 - k);
  }
  pixels[5] = 0x00123456u;   // transparent
  pixels[6] = 0x7FFFFFFFu;   // below half: transparent
  pixels[7] = 0x80000000u | (pixels[10] & 0xFFFFFFu);  // half and above: opaque
  pixels[8] = 0xFF000000u | (pixels[9] & 0xFFFFFFu);
  const DecodedImage back = GifRoundTrip(pixels, W, H);
  ASSERT_EQ(back.Bits.size(), pixels.size());
  for (int i = 0; i < W * H; ++i) {
    if (i == 5 || i == 6)
      EXPECT_EQ(back.Bits[i] >> 24, 0u) << i;
    else
      ASSERT_EQ(back.Bits[i], pixels[i] | 0xFF000000u) << i;
  }
  // Wholly transparent and single-coloured images are written too.
  EXPECT_EQ(GifRoundTrip(std::vector<uint32_t>(6, 0u), 3, 2).Bits[0] >> 24, 0u);
  EXPECT_EQ(GifRoundTrip(std::vector<uint32_t>(6, 0xFF102030u), 2, 3).Bits[5], 0xFF102030u);
  std::vector<uint8_t> gif;
  EXPECT_FALSE(EncodeImage(pixels.data(), 70000, 1, "gif", -1, gif));
  EXPECT_TRUE(gif.empty());
}

TEST(ImageCodec, GifOfManyColoursUsesAFullPaletteCloseToThem) {
  // 64 x 64 pixels of 4,096 colours in a smooth blend.
  const int W = 64, H = 64;
  std::vector<uint32_t> pixels(W * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      pixels[y * W + x] = 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | uint32_t((x + y) * 2);
  const DecodedImage back = GifRoundTrip(pixels, W, H);
  std::set<uint32_t> used(back.Bits.begin(), back.Bits.end());
  EXPECT_GT(used.size(), 200u);
  EXPECT_LE(used.size(), 256u);
  int worst = 0;
  long total = 0;
  for (int i = 0; i < W * H; ++i)
    for (int s = 0; s < 24; s += 8) {
      const int d = std::abs(int(back.Bits[i] >> s & 255) - int(pixels[i] >> s & 255));
      worst = std::max(worst, d);
      total += d;
    }
  EXPECT_LE(worst, 16);
  EXPECT_LE(total / (W * H * 3), 4);
}

}  // namespace

}  // namespace image_codec_test
