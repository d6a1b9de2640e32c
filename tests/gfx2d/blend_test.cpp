// Premultiplied pixels laid over others without divisions: every channel against the plain
// arithmetic it stands for, over every source alpha and channel pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/gfx2d/Blend.h"

namespace blend_test {

using namespace gfx2d;

namespace {

// One channel as the arithmetic has it: S + D * (255 - A) / 255, rounded, at most 255.
std::uint32_t Channel(std::uint32_t S, std::uint32_t D, std::uint32_t A) {
  const double v = static_cast<double>(S) + static_cast<double>(D) * (255 - A) / 255.0;
  return std::min<std::uint32_t>(255, static_cast<std::uint32_t>(v + 0.5));
}

std::uint32_t Pixel(std::uint32_t A, std::uint32_t R, std::uint32_t G, std::uint32_t B) {
  return (A << 24) | (R << 16) | (G << 8) | B;
}

}  // namespace

TEST(Blend, DividingBy255RoundsToNearestOverEveryProductOfTwoChannels) {
  for (std::uint32_t x = 0; x <= 255 * 255; ++x) ASSERT_EQ(Div255(x), static_cast<std::uint32_t>(x / 255.0 + 0.5)) << x;
}

TEST(Blend, EachChannelIsTheSourcePlusTheRestOfTheDestinationHeldAt255) {
  // Every source alpha and colour against destinations whose four channels differ, including
  // sources that are not validly premultiplied (a colour above its alpha), which saturate.
  const std::uint32_t dsts[] = {0x00000000u, 0xFFFFFFFFu, 0x80402010u, 0x10FF7F01u, 0xFE01FE01u};
  for (std::uint32_t a = 0; a < 256; ++a)
    for (std::uint32_t c = 0; c < 256; c += 3)
      for (std::uint32_t d : dsts) {
        const std::uint32_t src = Pixel(a, c, 255 - c, (c * 7) & 0xFF);
        const std::uint32_t got = BlendOver(src, d);
        for (int shift : {24, 16, 8, 0})
          ASSERT_EQ((got >> shift) & 0xFF, Channel((src >> shift) & 0xFF, (d >> shift) & 0xFF, a))
              << std::hex << "src " << src << " dst " << d << " channel " << std::dec << shift;
      }
}

TEST(Blend, RowsLeaveClearPixelsAloneAndComposeOverAColourOpaque) {
  const std::vector<std::uint32_t> src = {0x00000000u, 0xFF102030u, 0x80402000u, 0x00300000u};
  std::vector<std::uint32_t> dst = {0x40112233u, 0x40112233u, 0x40112233u, 0x40112233u};
  BlendRowOver(dst.data(), src.data(), src.size());
  EXPECT_EQ(dst[0], 0x40112233u) << "a clear pixel changes nothing";
  EXPECT_EQ(dst[1], 0xFF102030u) << "an opaque pixel replaces";
  EXPECT_EQ(dst[2], BlendOver(src[2], 0x40112233u));
  EXPECT_EQ(dst[3], 0x40112233u) << "no alpha, nothing laid over";
  std::vector<std::uint32_t> out(4);
  BlendRowOverColor(out.data(), src.data(), 0x00A0B0C0u, src.size());
  EXPECT_EQ(out[0], 0xFFA0B0C0u);
  EXPECT_EQ(out[1], 0xFF102030u);
  EXPECT_EQ(out[2], BlendOver(src[2], 0xFFA0B0C0u));
  // Colour without alpha adds up, as the form has always composed it.
  EXPECT_EQ(out[3], 0xFFD0B0C0u);
  for (std::uint32_t p : out) EXPECT_EQ(p >> 24, 0xFFu);
}

TEST(Blend, LongRowsGiveEveryPixelWhatOnePixelGets) {
  // Random pixels, a third of them clear or opaque, in rows whose lengths leave every
  // remainder of a group of four.
  std::uint32_t state = 12345;
  auto next = [&] { return state = state * 1664525u + 1013904223u; };
  for (size_t length : {0u, 1u, 3u, 4u, 7u, 1003u}) {
    std::vector<std::uint32_t> src(length), dst(length), back(length);
    for (size_t i = 0; i < length; ++i) {
      std::uint32_t p = next();
      if (i % 3 == 1) p &= 0x00FFFFFFu;  // no alpha, colour or not
      if (i % 3 == 2) p |= 0xFF000000u;
      src[i] = p;
      dst[i] = back[i] = next();
    }
    BlendRowOver(dst.data(), src.data(), length);
    for (size_t i = 0; i < length; ++i) {
      const std::uint32_t want = src[i] >> 24 == 0 ? back[i] : BlendOver(src[i], back[i]);
      ASSERT_EQ(dst[i], want) << "pixel " << i << " of " << length;
    }
    std::vector<std::uint32_t> out(length);
    BlendRowOverColor(out.data(), src.data(), 0x00405060u, length);
    for (size_t i = 0; i < length; ++i)
      ASSERT_EQ(out[i], BlendOver(src[i], 0xFF405060u) | 0xFF000000u) << "pixel " << i << " of " << length;
  }
}

}  // namespace blend_test
