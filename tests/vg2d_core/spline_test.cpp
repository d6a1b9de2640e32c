#include <gtest/gtest.h>

#include "vg2d/core/Bounds.h"

namespace spline_test {

using namespace vg;

TEST(Spline, NaturalSplineThroughThreePoints) {
  const TvxSpline spline({{0, 0}, {1, 1}, {2, 0}});
  float x, y;
  for (int i = 0; i <= 2; ++i) {
    spline.SplinePoint(static_cast<float>(i), x, y);
    EXPECT_NEAR(x, i, 1e-5);
    EXPECT_NEAR(y, i == 1 ? 1 : 0, 1e-5);
  }
  spline.SplinePoint(0.5f, x, y);
  EXPECT_NEAR(x, 0.5, 1e-5);
  EXPECT_NEAR(y, 0.6875, 1e-5);
  spline.SplinePoint(1.5f, x, y);
  EXPECT_NEAR(y, 0.6875, 1e-5);  // symmetric about T = 1
  float x2, y2;
  spline.SplinePoint(2.5f, x, y);  // extrapolates the last segment
  spline.SplinePoint(-0.5f, x2, y2);
  EXPECT_NEAR(y, y2, 1e-5);
}

TEST(Spline, LongSplinePassesThroughItsPoints) {
  std::vector<TvxPoint> pts;
  for (int i = 0; i < 12; ++i) pts.push_back({i * 10.0f, (i % 3) * 5.0f - i});
  const TvxSpline spline(pts);
  for (int i = 0; i < 12; ++i) {
    float x, y;
    spline.SplinePoint(static_cast<float>(i), x, y);
    EXPECT_NEAR(x, pts[i].X, 2e-3) << i;
    EXPECT_NEAR(y, pts[i].Y, 2e-3) << i;
  }
}

TEST(Spline, FewerThanTwoPointsGiveOrigin) {
  for (const std::vector<TvxPoint>& pts : {std::vector<TvxPoint>{}, std::vector<TvxPoint>{{3, 4}}}) {
    const TvxSpline spline(pts);
    float x = 9, y = 9;
    spline.SplinePoint(0.5f, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
  }
}

}  // namespace spline_test
