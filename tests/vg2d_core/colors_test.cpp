#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "vg2d/core/Colors.h"
#include "vg2d/core/Easing.h"

namespace colors_test {

using namespace vg;

TEST(ColorText, ReadsHashHexKeywordsAndIntegers) {
  EXPECT_EQ(StringToColor("#FF0000"), 0x00FF0000u);  // six digits: alpha 0
  EXPECT_EQ(StringToColor("red"), 0xFFFF0000u);
  EXPECT_EQ(StringToColor("RED"), 0xFFFF0000u);
  EXPECT_EQ(StringToColor("Red"), 0xFFFF0000u);
  EXPECT_EQ(StringToColor("#FF00FF00"), 0xFF00FF00u);
  EXPECT_EQ(StringToColor("$FF00FF00"), 0xFF00FF00u);
  EXPECT_EQ(StringToColor("#ff2b2b2b"), 0xFF2B2B2Bu);
  EXPECT_EQ(StringToColor("255"), 255u);
  EXPECT_EQ(StringToColor("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(StringToColor("Darkslategrey"), 0xFF2F4F4Fu);
}

TEST(ColorText, BadTextsGiveTransparentBlackWithoutError) {
  for (const char* bad : {"", "#", "#GG0000", "#1FFFFFFFF", "notacolour", "12abc", "$", "--5", "99999999999"})
    EXPECT_EQ(StringToColor(bad), 0u) << bad;
}

TEST(ColorText, WritesEightUpperCaseDigitsNeverNames) {
  EXPECT_EQ(ColorToString(0xFF2B2B2B), "#FF2B2B2B");
  EXPECT_EQ(ColorToString(0xFFFF0000), "#FFFF0000");
  EXPECT_EQ(ColorToString(0x0000000A), "#0000000A");
  EXPECT_EQ(StringToColor(ColorToString(0x80ABCDEF)), 0x80ABCDEFu);
}

TEST(ColorKeywords, TableIsTheSvgKeywordListInOrder) {
  EXPECT_STREQ(ColorNames[0].Name, "Aliceblue");
  EXPECT_STREQ(ColorNames[0].Value, "#FFF0F8FF");
  EXPECT_STREQ(ColorNames[ColorNameCount - 1].Name, "Yellowgreen");
  EXPECT_STREQ(ColorNames[ColorNameCount - 1].Value, "#FF9ACD32");
  std::set<std::string> names;
  for (int i = 0; i < ColorNameCount; ++i) {
    const TvxColorName& e = ColorNames[i];
    if (i > 0) {
      EXPECT_LT(std::strcmp(ColorNames[i - 1].Name, e.Name), 0) << e.Name;
    }
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(e.Name[0]))) << e.Name;
    for (const char* c = e.Name + 1; *c; ++c) EXPECT_TRUE(std::islower(static_cast<unsigned char>(*c))) << e.Name;
    EXPECT_EQ(std::strlen(e.Value), 9u) << e.Name;
    EXPECT_EQ(std::string(e.Value).substr(0, 3), "#FF") << e.Name;
    names.insert(e.Name);
  }
  EXPECT_EQ(names.size(), 147u);
  EXPECT_EQ(StringToColor("gray"), StringToColor("grey"));
  EXPECT_EQ(StringToColor("Gray"), 0xFF808080u);
  EXPECT_EQ(StringToColor("green"), 0xFF008000u);
  EXPECT_EQ(StringToColor("lime"), 0xFF00FF00u);
  EXPECT_EQ(StringToColor("rebeccapurple"), 0u);  // not an SVG 1.1 keyword
}

TEST(ColorOps, PremultiplyOpacityAndInterpolation) {
  EXPECT_EQ(PremultiplyAlpha(0x00FFFFFF), 0u);
  EXPECT_EQ(PremultiplyAlpha(0xFF123456), 0xFF123456u);
  EXPECT_EQ(PremultiplyAlpha(0x80FF8040), 0x80804020u);
  EXPECT_EQ(UnpremultiplyAlpha(0x80804020), 0x80FF7F3Fu);  // 127.5 and 63.75 cut
  // A channel above its alpha cannot be un-premultiplied: it saturates.
  EXPECT_EQ(UnpremultiplyAlpha(0x10FF0000), 0x10FF0000u);
  EXPECT_EQ(ApplyOpacity(0xFF112233, 0.5f), 0x7F112233u);
  EXPECT_EQ(ApplyOpacity(0xFF112233, 1.5f), 0xFF112233u);
  EXPECT_EQ(InterpolateColor(0xFF000000, 0xFFFFFFFF, 0.5f), 0xFF7F7F7Fu);
}

TEST(ColorOps, InterpolationSaturatesWhenAnEasingOvershoots) {
  // Bounce Out slightly exceeds 1 between p = 8/11 and 25/34.
  const float t = static_cast<float>(BounceEaseOut(0.73, 0, 1, 1));
  ASSERT_GT(t, 1.0f);
  EXPECT_EQ(InterpolateColor(0xFF000000, 0xFFFFFFFF, t), 0xFFFFFFFFu);
  const float back = static_cast<float>(InterpolateBack(vgAnimationIn, 0.2, 0, 1, 1, 0));
  ASSERT_LT(back, 0.0f);
  EXPECT_EQ(InterpolateColor(0xFF000000, 0xFFFFFFFF, back), 0xFF000000u);
  EXPECT_EQ(InterpolateColor(0xFF204060, 0x00000000, 2.0f), 0x00000000u);
}

TEST(Hsl, KnownValuesAndRoundTripOfEveryGreyAndPrimary) {
  EXPECT_EQ(HSLToRGB(0, 1, 0.5f), 0xFFFF0000u);
  float h, s, l;
  RGBToHSL(0xFFFF0000, h, s, l);
  EXPECT_FLOAT_EQ(h, 0);
  EXPECT_FLOAT_EQ(s, 1);
  EXPECT_FLOAT_EQ(l, 0.5f);
  RGBToHSL(0xFF0000FF, h, s, l);
  EXPECT_FLOAT_EQ(h, 2.0f / 3);
  RGBToHSL(0xFFFF00FF, h, s, l);  // hue below 0 wraps up
  EXPECT_FLOAT_EQ(h, 5.0f / 6);
  EXPECT_EQ(HSLToRGB(0, 0, 0.5f), 0xFF808080u);  // 127.5 -> 128 (half to even)
  for (uint32_t c : {0xFF000000u, 0xFFFFFFFFu, 0xFF2B2B2Bu, 0xFF00FF00u, 0xFF1E90FFu, 0xFFDC143Cu,
                     0xFF9ACD32u, 0xFF123456u, 0xFFFEDCBAu}) {
    RGBToHSL(c, h, s, l);
    EXPECT_EQ(HSLToRGB(h, s, l), c) << std::hex << c;
  }
}

TEST(Hsl, ChangeHslClampsAndKeepsAlpha) {
  EXPECT_EQ(ChangeHSL(0x80FF0000, 0, 0, 1), 0x80FFFFFFu);
  EXPECT_EQ(ChangeHSL(0x40FF0000, 0, -1, 0), 0x40808080u);
  // Hue is clamped, not wrapped: red pushed below 0 stays red.
  EXPECT_EQ(ChangeHSL(0xFFFF0000, -0.5f, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(ChangeHSL(0xFF00FF00, 1, 0, 0), 0xFFFF0000u);  // hue 1 is red again
}

}  // namespace colors_test
