// The stack blur against a plain weighted sum, and each effect's result on small bitmaps
// probed against values worked out by hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "vg2d/core/BitmapEffects.h"
#include "vg2d/core/Colors.h"

namespace bitmap_effects_test {

using namespace vg;

namespace {

// The blur written out directly: per channel, weights Radius + 1 - |offset| over the
// clamped row, cut to an integer, then the same along the columns.
std::vector<uint32_t> ReferenceBlur(const std::vector<uint32_t>& Bits, int W, int H, int Radius) {
  const int divsum = (Radius + 1) * (Radius + 1);
  std::vector<int> planes(Bits.size() * 4);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int i = -Radius; i <= Radius; ++i) {
          const int xx = std::clamp(x + i, 0, W - 1);
          sum += static_cast<int>((Bits[static_cast<size_t>(y * W + xx)] >> (8 * c)) & 0xFF) * (Radius + 1 - std::abs(i));
        }
        planes[static_cast<size_t>(y * W + x) * 4 + c] = sum / divsum;
      }
  std::vector<uint32_t> out(Bits.size());
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      uint32_t p = 0;
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int i = -Radius; i <= Radius; ++i) {
          const int yy = std::clamp(y + i, 0, H - 1);
          sum += planes[static_cast<size_t>(yy * W + x) * 4 + c] * (Radius + 1 - std::abs(i));
        }
        p |= static_cast<uint32_t>(sum / divsum) << (8 * c);
      }
      out[static_cast<size_t>(y * W + x)] = p;
    }
  return out;
}

std::vector<uint32_t> Pixels(const TvxBitmap& B) { return {B.Bits(), B.Bits() + B.Width() * B.Height()}; }

// Clears Bitmap to transparent with an opaque Color square from (L, T) to (R, B) exclusive.
void Square(TvxBitmap& Bitmap, int L, int T, int R, int B, TvxColor Color) {
  Bitmap.Clear(0);
  for (int y = T; y < B; ++y)
    for (int x = L; x < R; ++x) Bitmap.Bits()[y * Bitmap.Width() + x] = Color;
}

uint32_t At(const TvxBitmap& B, int X, int Y) { return B.Bits()[Y * B.Width() + X]; }

}  // namespace

TEST(StackBlur, MatchesTheWeightedSumForAnyRadiusAndEdges) {
  std::mt19937 random(7);
  for (int radius : {1, 3, 12, 40}) {
    TvxBitmap b(23, 17);
    for (int i = 0; i < 23 * 17; ++i) b.Bits()[i] = PremultiplyAlpha(random());
    const std::vector<uint32_t> expected = ReferenceBlur(Pixels(b), 23, 17, radius);
    StackBlur(nullptr, &b, radius, true);
    EXPECT_EQ(Pixels(b), expected) << "radius " << radius;
  }
  // One opaque pixel in a row, radius 1: weights 1, 2, 1 over 4.
  TvxBitmap row(5, 1);
  row.Clear(0);
  row.Bits()[2] = 0xFFFFFFFFu;
  StackBlur(nullptr, &row, 1, true);
  EXPECT_EQ(Pixels(row), (std::vector<uint32_t>{0, 0x3F3F3F3Fu, 0x7F7F7F7Fu, 0x3F3F3F3Fu, 0}));
}

TEST(StackBlur, SmallRadiiChangeNothingAndWithoutAlphaEveryAlphaIsZero) {
  TvxBitmap b(9, 9);
  Square(b, 2, 2, 6, 6, 0xFF808080u);
  const auto before = Pixels(b);
  StackBlur(nullptr, &b, 0, true);
  EXPECT_EQ(Pixels(b), before);
  StackBlur(nullptr, &b, 1, false);
  for (uint32_t p : Pixels(b)) EXPECT_EQ(AlphaOf(p), 0);
  TvxBitmap tiny(3, 2);
  Square(tiny, 0, 0, 3, 2, 0xFF102030u);
  StackBlur(nullptr, &tiny, 100000, true);  // a huge radius over a uniform bitmap
  for (uint32_t p : Pixels(tiny)) EXPECT_EQ(p, 0xFF102030u);
  TvxBitmap empty;
  StackBlur(nullptr, &empty, 5, true);
}

TEST(Effects, SettersClampAndReachesFollowTheSoftness) {
  TvxShadowEffect shadow(nullptr);
  shadow.SetSoftness(5);
  shadow.SetOpacity(-1);
  EXPECT_FLOAT_EQ(shadow.Softness(), 3);
  EXPECT_FLOAT_EQ(shadow.Opacity(), 0);
  shadow.SetSoftness(0.3f);
  shadow.SetDirection(90);
  shadow.SetDistance(4);
  const TvxRect r = shadow.GetRect(MakeRect(0, 0, 10, 10));  // grown by 6, moved down 4
  EXPECT_NEAR(r.Left, -6, 1e-4);
  EXPECT_NEAR(r.Top, -2, 1e-4);
  EXPECT_NEAR(r.Bottom, 20, 1e-4);
  EXPECT_EQ(shadow.GetOffset(), (TvxPoint{6, 6}));
  TvxGlowEffect glow(nullptr);
  EXPECT_EQ(glow.GetOffset(), (TvxPoint{13, 13}));  // trunc(0.4 x 23) + 4
  glow.SetSoftness(12);
  EXPECT_FLOAT_EQ(glow.Softness(), 9);
  TvxReflectionEffect reflection(nullptr);
  reflection.SetLength(0);
  EXPECT_FLOAT_EQ(reflection.Length(), 0.1f);
  reflection.SetOffset(3);
  EXPECT_EQ(reflection.GetRect(MakeRect(0, 0, 10, 10)), MakeRect(-2, 11, 12, 25));
  EXPECT_TRUE(TvxBlurEffect(nullptr).ReplacesObjectPaint());
  EXPECT_TRUE(TvxBevelEffect(nullptr).ReplacesObjectPaint());
  EXPECT_TRUE(TvxInnerGlowEffect(nullptr).PaintsAfterObject());
  EXPECT_FALSE(TvxGlowEffect(nullptr).PaintsAfterObject());
}

TEST(Effects, AShadowIsTheTintedBlurClearedWhereTheMovedObjectCoversIt) {
  TvxShadowEffect shadow(nullptr);
  shadow.SetDirection(0);  // drawn 3 to the right
  TvxBitmap b(40, 30);
  Square(b, 10, 10, 20, 20, 0xFFFFFFFFu);
  shadow.ProcessEffect(nullptr, &b, 1);
  // Radius trunc(0.3 x 10 + 5) = 8. Under the object once moved by (3, 0): cleared.
  for (int x = 7; x < 17; ++x) EXPECT_EQ(At(b, x, 15), 0u) << x;
  // Beside it: black at no more than 0.6 of full alpha.
  for (int x : {4, 18, 24}) {
    const uint32_t p = At(b, x, 15);
    EXPECT_GT(AlphaOf(p), 0) << x;
    EXPECT_LE(AlphaOf(p), 153) << x;
    EXPECT_EQ(p & 0x00FFFFFFu, 0u) << x;
  }
  EXPECT_EQ(At(b, 35, 15), 0u);  // beyond the blur's reach
}

TEST(Effects, GlowsLieOutsideAndInnerGlowsInsideTheOutline) {
  TvxGlowEffect glow(nullptr);  // radius trunc(0.4 x 10 + 5) = 9
  TvxBitmap b(60, 60);
  Square(b, 15, 15, 45, 45, 0xFF0000FFu);
  glow.ProcessEffect(nullptr, &b, 1);
  EXPECT_EQ(At(b, 30, 30), 0u);
  EXPECT_EQ(At(b, 15, 30), 0u);
  const TvxColor near = UnpremultiplyAlpha(At(b, 14, 30));  // gold, give or take the rounding
  EXPECT_GT(AlphaOf(near), 0);
  EXPECT_LE(AlphaOf(near), 0.9 * 255);
  EXPECT_NEAR(RedOf(near), 0xFF, 3);
  EXPECT_NEAR(GreenOf(near), 0xD7, 3);
  EXPECT_NEAR(BlueOf(near), 0, 3);
  EXPECT_EQ(At(b, 2, 30), 0u);

  TvxInnerGlowEffect inner(nullptr);
  TvxBitmap c(60, 60);
  Square(c, 15, 15, 45, 45, 0xFF0000FFu);
  inner.ProcessEffect(nullptr, &c, 1);
  EXPECT_EQ(At(c, 10, 30), 0u);          // outside
  EXPECT_GT(AlphaOf(At(c, 16, 30)), 0);  // just inside the edge
  EXPECT_EQ(At(c, 30, 30), 0u);          // 15 from every edge, beyond radius 9
}

TEST(Effects, ABevelLightsTheEdgeFacingTheLightAndDarkensTheOther) {
  TvxBevelEffect bevel(nullptr);
  TvxBitmap one(1, 1);
  Square(one, 0, 0, 1, 1, 0xFF808080u);
  bevel.ProcessEffect(nullptr, &one, 1);
  EXPECT_EQ(At(one, 0, 0), 0xFF808080u);
  TvxBitmap b(80, 80);
  Square(b, 10, 10, 70, 70, 0xFF808080u);
  bevel.ProcessEffect(nullptr, &b, 1);
  EXPECT_GT(RedOf(At(b, 10, 40)), 0x80);  // left edge: lit
  EXPECT_LT(RedOf(At(b, 69, 40)), 0x80);  // right edge: shaded
  EXPECT_NEAR(RedOf(At(b, 40, 40)), 0x80, 1);  // flat beyond the radius of 10: unchanged
  EXPECT_EQ(At(b, 5, 5), 0u);
  bevel.SetSize(0);
  TvxBitmap same(8, 8);
  Square(same, 2, 2, 6, 6, 0xFF808080u);
  bevel.ProcessEffect(nullptr, &same, 1);
  EXPECT_EQ(At(same, 2, 2), 0xFF808080u);
}

TEST(Effects, AReflectionKeepsTheRowsNearestTheObjectFadingOut) {
  TvxReflectionEffect reflection(nullptr);  // opacity 0.5, length 0.5
  TvxBitmap b(4, 11);
  Square(b, 0, 0, 4, 11, 0xFFFFFFFFu);
  b.Bits()[0] = 0xFF0000FFu;  // top-left marks the flip
  reflection.ProcessEffect(nullptr, &b, 1);
  // L = 5: flipped rows 0..4 stay, fading from trunc(5/5 x 0.5 x 255) to trunc(1/5 x ...).
  EXPECT_EQ(AlphaOf(At(b, 1, 0)), 127);
  EXPECT_EQ(AlphaOf(At(b, 1, 4)), 25);
  EXPECT_EQ(At(b, 1, 5), 0u);
  EXPECT_EQ(At(b, 1, 10), 0u);
  EXPECT_EQ(At(b, 0, 10), 0u);  // the marked pixel went to the bottom and was cleared
  TvxBitmap low(3, 5);
  Square(low, 0, 0, 3, 5, 0xFFFFFFFFu);
  reflection.SetLength(0.1f);  // L = round(0.4) = 0: nothing stays
  reflection.ProcessEffect(nullptr, &low, 1);
  for (uint32_t p : Pixels(low)) EXPECT_EQ(p, 0u);
  TvxBlurEffect blur(nullptr);
  blur.SetSoftness(0.05f);
  TvxBitmap sharp(6, 6);
  Square(sharp, 2, 2, 4, 4, 0xFFFFFFFFu);
  const auto before = Pixels(sharp);
  blur.ProcessEffect(nullptr, &sharp, 1);
  EXPECT_EQ(Pixels(sharp), before);
}

}  // namespace bitmap_effects_test
