#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "vg2d/core/Easing.h"

namespace easing_test {

using namespace vg;

namespace {

using Ease = std::function<double(TvxAnimationType, double, double, double, double)>;

std::vector<std::pair<std::string, Ease>> AllEasings() {
  return {
      {"Linear", [](TvxAnimationType, double t, double b, double c, double d) { return InterpolateLinear(t, b, c, d); }},
      {"Quad", InterpolateQuad},
      {"Cubic", InterpolateCubic},
      {"Quart", InterpolateQuart},
      {"Quint", InterpolateQuint},
      {"Sine", InterpolateSine},
      {"Expo", InterpolateExpo},
      {"Circ", InterpolateCirc},
      {"Elastic", [](TvxAnimationType a, double t, double b, double c, double d) { return InterpolateElastic(a, t, b, c, d, 0, 0); }},
      {"Back", [](TvxAnimationType a, double t, double b, double c, double d) { return InterpolateBack(a, t, b, c, d, 0); }},
      {"Bounce", InterpolateBounce},
  };
}

}  // namespace

TEST(Easing, EveryKindStartsAtBAndEndsAtBPlusC) {
  for (const auto& [name, ease] : AllEasings())
    for (TvxAnimationType type : {vgAnimationIn, vgAnimationOut, vgAnimationInOut}) {
      EXPECT_NEAR(ease(type, 0, 3, 5, 2), 3, 1e-9) << name << " " << type;
      EXPECT_NEAR(ease(type, 2, 3, 5, 2), 8, 1e-9) << name << " " << type;
    }
  EXPECT_EQ(InterpolateBounce(vgAnimationOut, 1, 0, 1, 1), 1.0);  // exactly
}

TEST(Easing, ListedValues) {
  EXPECT_DOUBLE_EQ(InterpolateQuad(vgAnimationIn, 0.5, 0, 1, 1), 0.25);
  EXPECT_DOUBLE_EQ(InterpolateQuad(vgAnimationOut, 0.5, 0, 1, 1), 0.75);
  EXPECT_DOUBLE_EQ(InterpolateCubic(vgAnimationInOut, 0.25, 0, 1, 1), 0.0625);
  EXPECT_DOUBLE_EQ(InterpolateCubic(vgAnimationInOut, 0.75, 0, 1, 1), 0.9375);
  EXPECT_NEAR(InterpolateBack(vgAnimationIn, 0.5, 0, 1, 1, 0), -0.0876975, 1e-7);
  EXPECT_DOUBLE_EQ(BounceEaseOut(0.5, 0, 1, 1), 0.765625);
  EXPECT_NEAR(BounceEaseOut(0.2, 0, 1, 1), 0.3025, 1e-12);
  EXPECT_NEAR(InterpolateBounce(vgAnimationIn, 0.5, 0, 1, 1), 1 - 0.765625, 1e-12);
  EXPECT_NEAR(InterpolateSine(vgAnimationInOut, 0.5, 0, 1, 1), 0.5, 1e-12);
  EXPECT_NEAR(InterpolateExpo(vgAnimationIn, 0.5, 0, 1, 1), 1.0 / 32, 1e-12);
  EXPECT_NEAR(InterpolateCirc(vgAnimationOut, 0.5, 0, 1, 1), std::sqrt(0.75), 1e-12);
  // InOut is symmetric about the middle for the polynomial kinds.
  for (const auto& [name, ease] : AllEasings()) {
    if (name == "Elastic" || name == "Bounce") continue;
    EXPECT_NEAR(ease(vgAnimationInOut, 0.3, 0, 1, 1) + ease(vgAnimationInOut, 0.7, 0, 1, 1), 1, 1e-9) << name;
  }
}

TEST(Easing, BounceOutOvershootsJustBeforeItsSecondBreak) {
  // The second piece runs up to 25/34, past the point 8/11 where it reaches 1.
  EXPECT_GT(BounceEaseOut(0.73, 0, 1, 1), 1.0);
  EXPECT_LT(BounceEaseOut(0.727, 0, 1, 1), 1.0);
  EXPECT_NEAR(BounceEaseOut(25.0 / 34 + 1e-9, 0, 1, 1), 7.5625 * std::pow(25.0 / 34 - 9.0 / 11, 2) + 0.9375, 1e-6);
}

TEST(Easing, ElasticHonoursAmplitudeAndPeriod) {
  // Amplitude below |C| falls back to C; a larger one swings wider.
  const double plain = InterpolateElastic(vgAnimationOut, 0.1, 0, 1, 1, 0, 0);
  EXPECT_DOUBLE_EQ(InterpolateElastic(vgAnimationOut, 0.1, 0, 1, 1, 0.5, 0), plain);
  EXPECT_NE(InterpolateElastic(vgAnimationOut, 0.1, 0, 1, 1, 2, 0), plain);
  EXPECT_NE(InterpolateElastic(vgAnimationOut, 0.1, 0, 1, 1, 0, 0.5), plain);
  EXPECT_DOUBLE_EQ(InterpolateElastic(vgAnimationOut, 0.1, 0, 1, 1, 0, 0.3), plain);
}

}  // namespace easing_test
