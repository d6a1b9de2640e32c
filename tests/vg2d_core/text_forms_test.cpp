#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "vg2d/core/TextForms.h"

namespace text_forms_test {

using namespace vg;

TEST(FloatText, WholeNumbersAsDigitsOthersWithThreeDecimals) {
  EXPECT_EQ(FloatToStringDot(2), "2");
  EXPECT_EQ(FloatToStringDot(-3), "-3");
  EXPECT_EQ(FloatToStringDot(0), "0");
  EXPECT_EQ(FloatToStringDot(-0.0), "0");
  EXPECT_EQ(FloatToStringDot(2.5), "2.500");
  EXPECT_EQ(FloatToStringDot(-1.25), "-1.250");
  EXPECT_EQ(FloatToStringDot(3.14159), "3.142");
  EXPECT_EQ(FloatToStringDot(1e10), "10000000000");
  EXPECT_EQ(PointToString(MakePoint(10, 20.5f)), "(10,20.500)");
  EXPECT_EQ(RectToString(MakeRect(2, 0, -1.5f, 4)), "(2,0,-1.500,4)");
}

TEST(FloatText, ReadingAcceptsOnlyDotFloats) {
  EXPECT_FLOAT_EQ(StringToFloatDot(" 2.5 "), 2.5f);
  EXPECT_FLOAT_EQ(StringToFloatDot("-1e2"), -100);
  EXPECT_FLOAT_EQ(StringToFloatDot("+.5"), 0.5f);
  for (const char* bad : {"", "2,5", "abc", "1.2.3", "inf", "nan", "-", "1 2"})
    EXPECT_THROW(StringToFloatDot(bad), rtl::EConvertError) << bad;
}

TEST(FloatText, PointAndRectTextsReadBackOrGiveZeros) {
  EXPECT_EQ(StringToRect("(1, 2.5 ,3,4)"), MakeRect(1, 2.5f, 3, 4));
  EXPECT_EQ(StringToRect("1,2,3,4"), TvxRect{});  // the first number is taken as the leading token
  EXPECT_EQ(StringToRect("(1,2,x,4)"), TvxRect{});
  EXPECT_EQ(StringToPoint("(10,20.500)"), MakePoint(10, 20.5f));
  EXPECT_EQ(StringToPoint("Point(-3,4)"), MakePoint(-3, 4));
  EXPECT_EQ(StringToPoint("(10)"), TvxPoint{});
  const TvxRect r = MakeRect(-1.25f, 0.5f, 100, 7.75f);
  EXPECT_EQ(StringToRect(RectToString(r)), r);
}

TEST(FloatText, SameTextUnderACommaDecimalLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr) << "locale de_DE.UTF-8 is not installed";
  const std::string written = RectToString(MakeRect(1.5f, -2.25f, 3, 0.125f));
  const TvxPoint point = StringToPoint("(2.5,-0.75)");
  const bool commaRejected = [] {
    try {
      StringToFloatDot("2,5");
      return false;
    } catch (const rtl::EConvertError&) {
      return true;
    }
  }();
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(written, "(1.500,-2.250,3,0.125)");
  EXPECT_EQ(point, MakePoint(2.5f, -0.75f));
  EXPECT_TRUE(commaRejected);
}

TEST(Tokenizer, GetTokenConsumesSeparatorsKeepsStopsAndTrims) {
  std::string s = "  ab ,cd;ef";
  EXPECT_EQ(GetToken(s, ","), "ab");
  EXPECT_EQ(s, "cd;ef");
  EXPECT_EQ(GetToken(s, ",", ";"), "cd");
  EXPECT_EQ(s, ";ef");  // the stop character stays
  EXPECT_EQ(GetToken(s, ",", ";"), "");
  s = "Fill.Color";
  EXPECT_EQ(GetToken(s, "."), "Fill");
  EXPECT_EQ(GetToken(s, "."), "Color");
  EXPECT_EQ(s, "");
  EXPECT_EQ(GetToken(s, "."), "");
}

TEST(Tokenizer, GetTokenWSkipsRunsOfSeparatorsFromAOneBasedPosition) {
  const std::u16string text = u"one,  two-three";
  int pos = 1;
  EXPECT_EQ(GetTokenW(pos, text, u" ,"), u"one");
  EXPECT_EQ(pos, 7);  // past ",  "
  EXPECT_EQ(GetTokenW(pos, text, u" ,", u"-"), u"two");
  EXPECT_EQ(pos, 10);  // left on the stop character
  EXPECT_EQ(GetTokenW(pos, text, u" ,", u"-"), u"");
  pos = 11;
  EXPECT_EQ(GetTokenW(pos, text, u" ,"), u"three");
  EXPECT_EQ(pos, 16);
  EXPECT_EQ(GetTokenW(pos, text, u" ,"), u"");
}

}  // namespace text_forms_test
