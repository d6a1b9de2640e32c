// Text forms of floats, points and colours, and the token splitters.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "scene3d/ValueText.h"

namespace value_text_test {

namespace {

using namespace dx;

TEST(DxFloatText, WholeNumbersAndSixSignificantDigits) {
  EXPECT_EQ(dxFloatToText(2.0f), "2");
  EXPECT_EQ(dxFloatToText(-3.0f), "-3");
  EXPECT_EQ(dxFloatToText(-0.0f), "0");
  EXPECT_EQ(dxFloatToText(0.1f), "0.1");
  EXPECT_EQ(dxFloatToText(1.0f / 3.0f), "0.333333");
  EXPECT_EQ(dxFloatToText(-2.5f), "-2.5");
  EXPECT_EQ(dxFloatToText(123456.7f), "123457");
  EXPECT_EQ(dxFloatToText(16777216.0f), "16777216");
  // Whole numbers too large for 64 bits and tiny ones use the exponent form, and read back.
  for (float f : {1e20f, -3e25f, 1e-5f, 2.5e-7f}) {
    const std::string text = dxFloatToText(f);
    EXPECT_NE(text.find('E'), std::string::npos) << text;
    EXPECT_NEAR(dxTextToFloat(text), f, std::fabs(f) * 1e-5f) << text;
  }
}

TEST(DxFloatText, PointWhateverTheLocale) {
  // A locale with a decimal comma, where one is installed, changes nothing.
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const bool switched = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  EXPECT_EQ(dxFloatToText(0.1f), "0.1");
  EXPECT_FLOAT_EQ(dxTextToFloat("2.75"), 2.75f);
  std::setlocale(LC_ALL, saved.c_str());
  if (!switched) GTEST_LOG_(INFO) << "no German locale installed; checked in the C locale only";
}

TEST(DxFloatText, MalformedNumbersRaise) {
  EXPECT_THROW(dxTextToFloat("1,5"), rtl::EConvertError);
  EXPECT_THROW(dxTextToFloat("x"), rtl::EConvertError);
  EXPECT_THROW(dxTextToFloat(""), rtl::EConvertError);
  EXPECT_FLOAT_EQ(dxTextToFloat(" -4.5"), -4.5f);
}

TEST(DxPointText, WriteAndReadBack) {
  EXPECT_EQ(dxPointToText(dxPoint3D(0, 1.5f, -2)), "(0,1.5,-2)");
  EXPECT_EQ(dxPointToText(dxPoint3D(1, 2.5f, 0)), "(1,2.5,0)");
  EXPECT_EQ(dxTextToPoint("(0,1.5,-2)"), dxPoint3D(0, 1.5f, -2));
  EXPECT_EQ(dxTextToPoint(" ( 1 , 2 , 3 ) "), dxPoint3D(1, 2, 3));
  const TdxPoint3D odd = dxPoint3D(1.0f / 3.0f, -1e-5f, 12345.6f);
  const TdxPoint3D back = dxTextToPoint(dxPointToText(odd));
  EXPECT_NEAR(back.X, odd.X, 1e-6f);
  EXPECT_NEAR(back.Y, odd.Y, 1e-10f);
  EXPECT_NEAR(back.Z, odd.Z, 0.1f);
}

TEST(DxPointText, CoordinatesWithoutParenthesesAreReadFromTheFirst) {
  EXPECT_EQ(dxTextToPoint("1,2,3"), dxPoint3D(1, 2, 3));
  EXPECT_EQ(dxTextToPoint(" -0.5 , 2,7.25"), dxPoint3D(-0.5f, 2, 7.25f));
  EXPECT_EQ(dxTextToPoint("1,2"), dxPoint3D(0, 0, 0));
}

TEST(DxPointText, AnyUnreadableCoordinateGivesTheOrigin) {
  EXPECT_EQ(dxTextToPoint("(1,x,3)"), dxPoint3D(0, 0, 0));
  EXPECT_EQ(dxTextToPoint("(1,2,)"), dxPoint3D(0, 0, 0));
  EXPECT_EQ(dxTextToPoint("(1,2)"), dxPoint3D(0, 0, 0));
  EXPECT_EQ(dxTextToPoint(""), dxPoint3D(0, 0, 0));
}

TEST(DxColourText, HashAndEightHexDigits) {
  EXPECT_EQ(dxColorToText(0xFFFFFFFF), "#FFFFFFFF");
  EXPECT_EQ(dxColorToText(0x0012ABCD), "#0012ABCD");
  EXPECT_EQ(dxTextToColor("#FF000000"), 0xFF000000u);
  EXPECT_EQ(dxTextToColor("#ff2b2b2b"), 0xFF2B2B2Bu);
  EXPECT_EQ(dxTextToColor("#7F"), 0x7Fu);
  EXPECT_EQ(dxTextToColor("4278190080"), 0xFF000000u) << "decimal without the hash";
  EXPECT_EQ(dxTextToColor(dxColorToText(0x80402010)), 0x80402010u);
}

TEST(DxColourText, WhatIsNotAColourGivesTransparentBlack) {
  EXPECT_EQ(dxTextToColor(""), 0u);
  EXPECT_EQ(dxTextToColor("#"), 0u);
  EXPECT_EQ(dxTextToColor("#GG000000"), 0u);
  EXPECT_EQ(dxTextToColor("red"), 0u);
  EXPECT_EQ(dxTextToColor("#1FF000000"), 0u) << "beyond 32 bits";
}

std::vector<std::string> AllTokens(std::string S, const std::string& Separators) {
  std::vector<std::string> tokens;
  while (!S.empty()) tokens.push_back(dxGetToken(S, Separators));
  return tokens;
}

TEST(DxTokens, FrontSplitterConsumesSeparatorsAndKeepsStops) {
  EXPECT_EQ(AllTokens("(1,2,3)", ",()"), (std::vector<std::string>{"", "1", "2", "3"}));
  std::string s = "  alpha ; beta|gamma";
  EXPECT_EQ(dxGetToken(s, ";", "|"), "alpha");
  EXPECT_EQ(s, "beta|gamma");
  EXPECT_EQ(dxGetToken(s, ";", "|"), "beta");
  EXPECT_EQ(s, "|gamma") << "the stop stays";
  EXPECT_EQ(dxGetToken(s, ";", "|"), "");
  EXPECT_EQ(s, "|gamma");
}

TEST(DxTokens, SplitterAtAPositionSkipsRunsOfSeparators) {
  const std::string text = "1 2,  3.5;rest";
  int pos = 1;
  EXPECT_EQ(dxGetTokenAt(text, pos, " ,", ";"), "1");
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(dxGetTokenAt(text, pos, " ,", ";"), "2");
  EXPECT_EQ(pos, 7) << "past the comma and both blanks";
  EXPECT_EQ(dxGetTokenAt(text, pos, " ,", ";"), "3.5");
  EXPECT_EQ(pos, 10) << "a stop is not consumed";
  EXPECT_EQ(dxGetTokenAt(text, pos, " ,", ";"), "");
  EXPECT_EQ(pos, 10);
  pos = 11;
  EXPECT_EQ(dxGetTokenAt(text, pos, " ,", ";"), "rest");
  EXPECT_EQ(pos, 15);
  EXPECT_EQ(dxGetTokenAt(text, pos, " ,", ";"), "") << "at the end";
  EXPECT_EQ(pos, 15);
}

}  // namespace

}  // namespace value_text_test
