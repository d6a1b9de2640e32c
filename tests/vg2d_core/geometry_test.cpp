#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "vg2d/core/Geometry.h"
#include "vg2d/core/UpdateRects.h"

namespace geometry_test {

using namespace vg;

TEST(SaturatedInt, NanInfinityAndOutOfRangeGiveDefinedValues) {
  EXPECT_EQ(SaturatedInt(std::nan("")), 0);
  EXPECT_EQ(SaturatedInt(INFINITY), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(SaturatedInt(-INFINITY), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(SaturatedInt(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(ClampByte(256), 255);
  EXPECT_EQ(ClampByte(-1), 0);
}

TEST(Rects, EdgeRulesOfIntersectionAndContainment) {
  const TvxRect a = MakeRect(0, 0, 10, 10), b = MakeRect(10, 0, 20, 10);
  TvxRect r = MakeRect(1, 1, 1, 1);
  EXPECT_FALSE(IntersectRectF(r, a, b));
  EXPECT_EQ(r, TvxRect{});
  EXPECT_TRUE(RectsIntersect(a, b));
  EXPECT_TRUE(IntersectRectF(r, a, MakeRect(5, -5, 15, 5)));
  EXPECT_EQ(r, MakeRect(5, 0, 10, 5));
  for (const TvxPoint p : {MakePoint(0, 5), MakePoint(10, 5), MakePoint(5, 0), MakePoint(5, 10)})
    EXPECT_TRUE(PointInRectF(p, a)) << p.X << "," << p.Y;
  EXPECT_FALSE(PointInRectF(MakePoint(10.01f, 5), a));
  EXPECT_TRUE(IsRectEmptyF(MakeRect(0, 0, 0, 5)));
  EXPECT_EQ(NormalizeRect(MakeRect(10, 20, 0, 5)), MakeRect(0, 5, 10, 20));
}

TEST(Rects, PointsBoundsStartsFromTheSentinelRectangle) {
  TvxRect r;
  PointsBounds(nullptr, -1, r);
  EXPECT_EQ(r, MakeRect(61440, 61440, -61440, -61440));
  const std::vector<TvxPoint> pts{{3, -1}, {-2, 4}, {1, 1}};
  PointsBounds(pts.data(), 2, r);
  EXPECT_EQ(r, MakeRect(-2, -1, 3, 4));
}

TEST(Rects, FitRectShrinksButNeverEnlargesAndCentres) {
  const TvxRect bounds = MakeRect(0, 0, 100, 100);
  TvxRect r = MakeRect(7, 7, 57, 27);
  EXPECT_FLOAT_EQ(FitRect(r, bounds), 0.5f);
  EXPECT_EQ(r, MakeRect(25, 40, 75, 60));
  r = MakeRect(0, 0, 200, 100);
  EXPECT_FLOAT_EQ(FitRect(r, bounds), 2.0f);
  EXPECT_EQ(r, MakeRect(0, 25, 100, 75));
  r = MakeRect(3, 4, 50, 60);
  EXPECT_FLOAT_EQ(FitRect(r, MakeRect(0, 0, 0, 100)), 1.0f);
  EXPECT_EQ(r, MakeRect(3, 4, 50, 60));
}

TEST(Rects, CenterRectRoundsHalvesToEven) {
  TvxRect r = MakeRect(0, 0, 50, 10);
  CenterRect(r, MakeRect(0, 0, 99, 10));
  EXPECT_EQ(r.Left, 24);  // 24.5 -> 24
  r = MakeRect(0, 0, 50, 10);
  CenterRect(r, MakeRect(0, 0, 101, 10));
  EXPECT_EQ(r.Left, 26);  // 25.5 -> 26
  r = MakeRect(5, 5, 55, 15);
  EXPECT_EQ(CenterRect(r, MakeRect(100, 200, 200, 300)), MakeRect(125, 245, 175, 255));
}

TEST(Rects, UpdateRectsCoverTouchedPixelsAndMergeBeyondTheLimit) {
  // Every pixel a fractional rectangle touches is repainted, and the one past a whole edge.
  const TvxRect r = UpdateRectOf(MakeRect(2.7f, 3.2f, 10.5f, 4.0f));
  EXPECT_EQ(r.Left, 2);
  EXPECT_EQ(r.Top, 3);
  EXPECT_EQ(r.Right, 11);
  EXPECT_EQ(r.Bottom, 5);
  std::vector<TvxRect> rects{MakeRect(10, 10, 20, 20), MakeRect(50, 5, 60, 8), MakeRect(0, 30, 4, 40)};
  MergeUpdateRects(rects, 3);
  ASSERT_EQ(rects.size(), 3u);  // up to the limit they are kept apart
  EXPECT_EQ(rects[1].Left, 50);
  MergeUpdateRects(rects, 2);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].Left, 0);
  EXPECT_EQ(rects[0].Top, 5);
  EXPECT_EQ(rects[0].Right, 60);
  EXPECT_EQ(rects[0].Bottom, 40);
}

TEST(PixelBuffers, FillRectLongwordStaysInsideTheBuffer) {
  std::vector<uint32_t> buf(4 * 3, 0);
  FillRectLongword(buf.data(), 4, 3, 1, 1, 10, 10, 7);  // clipped to the buffer
  EXPECT_EQ(buf, (std::vector<uint32_t>{0, 0, 0, 0, 0, 7, 7, 7, 0, 7, 7, 7}));
  std::fill(buf.begin(), buf.end(), 0);
  FillRectLongword(buf.data(), 4, 3, 6, 0, 9, 3, 7);  // starts beyond the right edge
  FillRectLongword(buf.data(), 4, 3, 0, 5, 2, 9, 7);  // starts below the last row
  EXPECT_EQ(buf, std::vector<uint32_t>(12, 0));
  // Values of four equal bytes (a clear) fill exactly the rectangle too, whole words.
  for (const uint32_t v : {0xFFFFFFFFu, 0x01010101u}) {
    FillRectLongword(buf.data(), 4, 3, 1, 0, 3, 2, v);
    EXPECT_EQ(buf, (std::vector<uint32_t>{0, v, v, 0, 0, v, v, 0, 0, 0, 0, 0}));
  }
  FillRectLongword(buf.data(), 4, 3, -2, 1, 2, 3, 0);  // from left of the buffer
  EXPECT_EQ(buf, (std::vector<uint32_t>{0, 0x01010101u, 0x01010101u, 0, 0, 0, 0x01010101u, 0, 0, 0, 0, 0}));
  FillRectLongword(buf.data(), 4, 3, 0, 0, 4, 3, 0x01010100u);  // unequal bytes: word by word
  EXPECT_EQ(buf, std::vector<uint32_t>(12, 0x01010100u));
  std::vector<uint32_t> px{0x11223344, 0xFF000000};
  FillAlpha(px.data(), 2, 0x80);
  EXPECT_EQ(px, (std::vector<uint32_t>{0x80223344, 0x80000000}));
}

TEST(Matrices, RowVectorsTranslationInThirdRowAndProductOrder) {
  TvxMatrix translate = IdentityMatrix;
  translate.m31 = 10;
  translate.m32 = 20;
  TvxMatrix scale = IdentityMatrix;
  scale.m11 = 2;
  scale.m22 = 3;
  const TvxVector v = MakeVector(1, 1, 1);
  // Scale first, then translate.
  const TvxVector a = VectorTransform(v, MatrixMultiply(scale, translate));
  EXPECT_FLOAT_EQ(a.X, 12);
  EXPECT_FLOAT_EQ(a.Y, 23);
  // Translate first, then scale.
  const TvxVector b = VectorTransform(v, MatrixMultiply(translate, scale));
  EXPECT_FLOAT_EQ(b.X, 22);
  EXPECT_FLOAT_EQ(b.Y, 63);
  const TvxVector r = VectorTransform(MakeVector(1, 0, 1), CreateRotationMatrix(DegreeToRad(90)));
  EXPECT_NEAR(r.X, 0, 1e-6);
  EXPECT_NEAR(r.Y, 1, 1e-6);
}

TEST(Matrices, InvertGivesTheInverseOrIdentityWhenSingular) {
  TvxMatrix m = MatrixMultiply(CreateRotationMatrix(0.7f), TvxMatrix{2, 0, 0, 0, 3, 0, 10, -4, 1});
  TvxMatrix inv = m;
  InvertMatrix(inv);
  const TvxMatrix p = MatrixMultiply(m, inv);
  const float expect[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  const float got[9] = {p.m11, p.m12, p.m13, p.m21, p.m22, p.m23, p.m31, p.m32, p.m33};
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(got[i], expect[i], 1e-5) << i;
  TvxMatrix singular{1, 2, 0, 2, 4, 0, 0, 0, 1};
  InvertMatrix(singular);
  EXPECT_EQ(singular, IdentityMatrix);
}

TEST(Vectors, AngleSignAndParallelVectors) {
  EXPECT_NEAR(VectorAngle(MakeVector(1, 0), MakeVector(0, 1)), -90, 1e-3);
  EXPECT_NEAR(VectorAngle(MakeVector(0, 1), MakeVector(1, 0)), 90, 1e-3);
  // Rounding puts the cosine of these parallel vectors just past 1.
  const float angle = VectorAngle(MakeVector(0.1f, 0.3f), MakeVector(0.3f, 0.9f));
  EXPECT_FALSE(std::isnan(angle));
  EXPECT_NEAR(angle, 0, 0.1);
  EXPECT_EQ(VectorAngleCosine(MakeVector(0, 0), MakeVector(1, 0)), 0);
}

TEST(Angles, NormalizeAngle) {
  EXPECT_FLOAT_EQ(NormalizeAngle(-190), 170);
  EXPECT_FLOAT_EQ(NormalizeAngle(540), 180);
  EXPECT_FLOAT_EQ(NormalizeAngle(-180), -180);
  EXPECT_FLOAT_EQ(NormalizeAngle(270), 270);
  EXPECT_FLOAT_EQ(NormalizeAngle(-270), 90);
  EXPECT_FLOAT_EQ(NormalizeAngle(725), 5);
  // Every finite angle lands in range, however many turns it holds; one that is no number
  // or infinite is no turn at all.
  for (float a : {1e30f, -1e30f, 3.4e38f, -3.4e38f, 16777217.0f * 360, 1079.99994f, -1e-30f}) {
    SCOPED_TRACE(a);
    const float r = NormalizeAngle(a);
    EXPECT_GE(r, -180);
    EXPECT_LT(r, 360);
    EXPECT_EQ(std::fmod(std::fmod(static_cast<double>(a), 360.0) - r, 360.0), 0.0) << "whole turns from " << r;
  }
  EXPECT_EQ(NormalizeAngle(std::nanf("")), 0);
  EXPECT_EQ(NormalizeAngle(-std::numeric_limits<float>::infinity()), 0);
}

}  // namespace geometry_test
