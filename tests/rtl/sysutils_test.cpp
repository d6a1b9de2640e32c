#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "tests/rtl/ErrorOf.h"

namespace sysutils_test {

using namespace rtl;

namespace {

template <class F>
std::string ConvertErrorOf(F f) {
  return rtltest::ErrorOf<EConvertError>(f);
}

TEST(IntegerConversion, TextsAndHexadecimal) {
  EXPECT_EQ("-9223372036854775808", IntToStr(std::numeric_limits<std::int64_t>::min()));
  EXPECT_EQ("00FF", IntToHex(255, 4));
  EXPECT_EQ("FFFFFFFF", IntToHex(-1, 2));
  EXPECT_EQ("FFFFFFFFFFFFFFFF", IntToHex(std::int64_t{-1}, 2));
  EXPECT_EQ("FE", IntToHex(std::uint8_t{0xFE}, 2));
}

TEST(IntegerConversion, ParsesLikeTheClassLibrary) {
  EXPECT_EQ(42, StrToInt("  42"));
  EXPECT_EQ(-7, StrToInt("-7"));
  EXPECT_EQ(31, StrToInt("$1F"));
  EXPECT_EQ(31, StrToInt("0x1f"));
  EXPECT_EQ(-16, StrToInt("-$10"));
  EXPECT_EQ(-1, StrToInt("$FFFFFFFF"));
  EXPECT_EQ(2147483647, StrToInt("2147483647"));
  EXPECT_EQ(-2147483647 - 1, StrToInt("-2147483648"));
  EXPECT_EQ(9223372036854775807LL, StrToInt64("9223372036854775807"));
  for (const char* bad : {"2147483648", "12 ", "", "-", "$", "1.5", "1e3", "abc", "$1G"}) {
    int v = 99;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(99, v);
    EXPECT_EQ(5, StrToIntDef(bad, 5));
  }
  EXPECT_EQ("'abc' is not a valid integer value", ConvertErrorOf([] { StrToInt("abc"); }));
  EXPECT_EQ("'99999999999999999999' is not a valid integer value",
            ConvertErrorOf([] { StrToInt64("99999999999999999999"); }));
}

TEST(FloatConversion, GeneralFormatOf15Digits) {
  EXPECT_EQ("0", FloatToStr(0.0));
  EXPECT_EQ("0", FloatToStr(-0.0));
  EXPECT_EQ("0.1", FloatToStr(0.1));
  EXPECT_EQ("0.3", FloatToStr(0.1 + 0.2));
  EXPECT_EQ("-2.5", FloatToStr(-2.5));
  EXPECT_EQ("0.333333333333333", FloatToStr(1.0 / 3));
  EXPECT_EQ("100000000000000", FloatToStr(1e14));
  EXPECT_EQ("1E15", FloatToStr(1e15));
  EXPECT_EQ("0.0001", FloatToStr(0.0001));
  EXPECT_EQ("1E-5", FloatToStr(0.00001));
  EXPECT_EQ("1.5E-7", FloatToStr(1.5e-7));
  EXPECT_EQ("1.23456789012346E17", FloatToStr(123456789012345678.0));
  EXPECT_EQ("1E15", FloatToStr(999999999999999.9));  // rounds up into the exponent form
  EXPECT_EQ("NAN", FloatToStr(std::nan("")));
  EXPECT_EQ("-INF", FloatToStr(-std::numeric_limits<double>::infinity()));
}

TEST(FloatConversion, FloatToStrFFormats) {
  EXPECT_EQ("12.30", FloatToStrF(12.34, ffFixed, 3, 2));  // precision counts significant digits
  EXPECT_EQ("12.34", FloatToStrF(1234 / 100.0, ffFixed, 5, 2));
  EXPECT_EQ("0.13", FloatToStrF(0.125, ffFixed, 15, 2));  // halves round away from zero
  EXPECT_EQ("-0.13", FloatToStrF(-0.125, ffFixed, 15, 2));
  EXPECT_EQ("0.00", FloatToStrF(-0.001, ffFixed, 15, 2));
  EXPECT_EQ("1.00", FloatToStrF(0.996, ffFixed, 15, 2));
  EXPECT_EQ("13", FloatToStrF(12.5, ffFixed, 15, 0));
  EXPECT_EQ("1.23E5", FloatToStrF(123456, ffFixed, 3, 2));  // too wide for the precision
  EXPECT_EQ("1,234,567.89", FloatToStrF(1234567.891, ffNumber, 15, 2));
  EXPECT_EQ("-999.0", FloatToStrF(-999, ffNumber, 15, 1));
  EXPECT_EQ("1.235E+03", FloatToStrF(1234.5, ffExponent, 4, 2));
  EXPECT_EQ("-5.000E-01", FloatToStrF(-0.5, ffExponent, 4, 2));
  EXPECT_EQ("1.5E+300", FloatToStrF(1.5e300, ffExponent, 2, 0));
  // The exact value is rounded, not a rounding of it: 169.28506327220245 is
  // 169.285063272202449979..., whose 18 digits would end in 50 and round up at 16.
  EXPECT_EQ("169.2850632722024", FloatToStrF(169.28506327220245, ffGeneral, 16, 0));
  EXPECT_EQ("80.890008679837360", FloatToStrF(80.89000867983736, ffFixed, 16, 15));
  EXPECT_EQ("2.67", FloatToStrF(2.675, ffFixed, 15, 2)) << "2.67499999999999982... is below the midpoint";
}

TEST(FloatConversion, FormatFloatPictures) {
  EXPECT_EQ("3.14", FormatFloat("0.00", 3.14159));
  EXPECT_EQ("1,234,567.89", FormatFloat("#,##0.00", 1234567.891));
  EXPECT_EQ("0.50", FormatFloat("#,##0.00", 0.5));
  EXPECT_EQ("1", FormatFloat("0.##", 1));
  EXPECT_EQ("1.5", FormatFloat("0.##", 1.5));
  EXPECT_EQ(".5", FormatFloat("#.##", 0.5));
  EXPECT_EQ("007", FormatFloat("000", 7));
  EXPECT_EQ("12345", FormatFloat("0", 12345));
  EXPECT_EQ("3", FormatFloat("0", 2.5));
  EXPECT_EQ("12-34", FormatFloat("00-00", 1234));
  EXPECT_EQ("1.23E+04", FormatFloat("0.00E+00", 12345));
  EXPECT_EQ("1.2E-4", FormatFloat("0.0E-0", 0.00012));
  EXPECT_EQ("1.2E4", FormatFloat("0.0E-0", 12000));
  EXPECT_EQ("(5)", FormatFloat("0;(0);zero", -5));
  EXPECT_EQ("zero", FormatFloat("0;(0);zero", 0));
  EXPECT_EQ("zero", FormatFloat("0;(0);zero", 0.2));  // rounds to zero in the first section
  EXPECT_EQ("-5", FormatFloat("0", -5));
  EXPECT_EQ("0.0", FormatFloat("0.0", -0.01));
  EXPECT_EQ("$5.00 #;", FormatFloat("\"$\"0.00' #;'", 5));
  EXPECT_EQ("2.5", FormatFloat("", 2.5));
}

TEST(FloatConversion, ParsesWithPointOnly) {
  EXPECT_DOUBLE_EQ(1.5, StrToFloat("1.5"));
  EXPECT_DOUBLE_EQ(-2500, StrToFloat(" -2.5e3 "));
  EXPECT_DOUBLE_EQ(0.5, StrToFloat(".5"));
  EXPECT_DOUBLE_EQ(5, StrToFloat("+5."));
  EXPECT_EQ(0.0, StrToFloat("1e-400"));
  for (const char* bad : {"1,5", "abc", "", ".", "1e", "1e+", "inf", "nan", "1e400", "1.5x", "0x10"}) {
    double v = 9;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(9, v);
    EXPECT_EQ(4.5, StrToFloatDef(bad, 4.5));
  }
  EXPECT_EQ("'1,5' is not a valid floating point value", ConvertErrorOf([] { StrToFloat("1,5"); }));
}

TEST(FloatConversion, RoundTripsThroughText) {
  for (double v : {0.1, -1234.5678, 1e-300, 6.02214076e23, 3.141592653589793, 1e15, 123456789.0, -7.0}) {
    const double back = StrToFloat(FloatToStr(v));
    EXPECT_LE(std::fabs(back - v), std::fabs(v) * 5e-15) << FloatToStr(v);
  }
}

TEST(FloatConversion, IgnoresTheProcessLocale) {
  ASSERT_NE(nullptr, std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) << "de_DE.UTF-8 is not installed";
  EXPECT_EQ("1.5", FloatToStr(1.5));
  EXPECT_DOUBLE_EQ(2.5, StrToFloat("2.5"));
  double v;
  EXPECT_FALSE(TryStrToFloat("2,5", v));
  EXPECT_EQ("1.50|2.5", Format("%.2f|%g", 1.5, 2.5));
  EXPECT_EQ("1,234.50", FormatFloat("#,##0.00", 1234.5));
  EXPECT_EQ("1,234.50", FloatToStrF(1234.5, ffNumber, 15, 2));
  std::setlocale(LC_NUMERIC, "C");
}

TEST(Format, IntegerAndStringDirectives) {
  EXPECT_EQ("42|   42|42   |-005", Format("%d|%5d|%-5d|%.3d", 42, 42, 42, -5));
  EXPECT_EQ("FF 0000FF FFFFFFFF", Format("%x %.6x %X", 255, 255, -1));
  EXPECT_EQ("FFFFFFFFFFFFFFFF", Format("%x", std::int64_t{-1}));
  EXPECT_EQ("4294967295", Format("%u", -1));
  EXPECT_EQ("a and b", Format("%s and %s", "a", std::string("b")));
  EXPECT_EQ("b a b", Format("%1:s %0:s %s", "a", "b"));
  EXPECT_EQ("   7|x  ", Format("%*d|%-*s", 4, 7, 3, "x"));
  EXPECT_EQ("abc|100%", Format("%.3s|%d%%", "abcdef", 100));
  EXPECT_EQ("no directives", Format("no directives"));
}

TEST(Format, FloatDirectives) {
  EXPECT_EQ("3.14|2.50|0.1", Format("%.2f|%f|%.1f", 3.14159, 2.5, 0.05));
  EXPECT_EQ("1.23450000000000E+003", Format("%e", 1234.5));
  EXPECT_EQ("1.2E+003", Format("%.2e", 1234.5));
  EXPECT_EQ("0.5|1E20", Format("%g|%g", 0.5, 1e20));
  EXPECT_EQ("1,234,567.50", Format("%n", 1234567.5));
  EXPECT_EQ("  1.5", Format("%5.1f", 1.5f));
}

TEST(Format, RefusesBadDirectivesAndArguments) {
  EXPECT_EQ("Format '%d' invalid or incompatible with argument", ConvertErrorOf([] { Format("%d", 1.5); }));
  EXPECT_EQ("Format '%s' invalid or incompatible with argument", ConvertErrorOf([] { Format("%s", 5); }));
  EXPECT_EQ("Format '%f' invalid or incompatible with argument", ConvertErrorOf([] { Format("%f", 5); }));
  EXPECT_EQ("Format '%y' invalid or incompatible with argument", ConvertErrorOf([] { Format("%y", 1); }));
  EXPECT_EQ("Format 'abc%' invalid or incompatible with argument", ConvertErrorOf([] { Format("abc%"); }));
  EXPECT_EQ("Format '%5.' invalid or incompatible with argument", ConvertErrorOf([] { Format("%5.", 1); }));
  EXPECT_EQ("No argument for format '%d %d'", ConvertErrorOf([] { Format("%d %d", 1); }));
}

TEST(TextFunctions, CaseComparisonAndTrimming) {
  EXPECT_EQ("ABC\xE0", UpperCase("abc\xE0"));
  EXPECT_EQ("abc\xC0", LowerCase("ABC\xC0"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_EQ(0, CompareText("Hello", "hELLO"));
  EXPECT_GT(CompareText("abc", "AB"), 0);
  EXPECT_GT(CompareStr("a", "B"), 0);
  EXPECT_LT(CompareStr("a", "\xE0"), 0);  // bytes compare unsigned
  EXPECT_TRUE(SameText("Key", "KEY"));
  EXPECT_FALSE(SameStr("Key", "KEY"));
  EXPECT_EQ("x y", Trim("\t x y \r\n"));
  EXPECT_EQ("a \x1F", TrimLeft("\x01 a \x1F"));
  EXPECT_EQ("\xA0 a", TrimRight("\xA0 a \x01"));  // only bytes up to the blank are trimmed
}

TEST(TextFunctions, BooleansAndQuotes) {
  EXPECT_EQ("-1", BoolToStr(true));
  EXPECT_EQ("0", BoolToStr(false));
  EXPECT_EQ("True", BoolToStr(true, true));
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_FALSE(StrToBool("FALSE"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_EQ("'yes' is not a valid boolean value", ConvertErrorOf([] { StrToBool("yes"); }));

  EXPECT_EQ("'it''s'", QuotedStr("it's"));
  EXPECT_EQ("\"a\"\"b\"", AnsiQuotedStr("a\"b", '"'));
  std::string_view src = "\"a\"\"b\" rest";
  EXPECT_EQ("a\"b", AnsiExtractQuotedStr(src, '"'));
  EXPECT_EQ(" rest", src);
  std::string_view unquoted = "plain";
  EXPECT_EQ("", AnsiExtractQuotedStr(unquoted, '"'));
  EXPECT_EQ("plain", unquoted);
  std::string_view open = "'no end";
  EXPECT_EQ("no end", AnsiExtractQuotedStr(open, '\''));
  EXPECT_TRUE(open.empty());
}

TEST(TextFunctions, StringReplaceFlags) {
  EXPECT_EQ("a-b-c", StringReplace("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase));
  EXPECT_EQ("aXb-c", StringReplace("aXbxc", "x", "-", rfReplaceAll));
  EXPECT_EQ("a-bxc", StringReplace("aXbxc", "x", "-", rfIgnoreCase));
  EXPECT_EQ("xxxx", StringReplace("xx", "x", "xx", rfReplaceAll));  // no re-scan of replacements
}

TEST(FileNames, AcceptBothDelimiters) {
  EXPECT_EQ("file.cfg", ExtractFileName("dir\\sub/file.cfg"));
  EXPECT_EQ("Config\\", ExtractFilePath("Config\\a.cfg"));
  EXPECT_EQ("a/b/", ExtractFilePath("a/b/c.txt"));
  EXPECT_EQ("", ExtractFileExt("a.b/c"));
  EXPECT_EQ(".gz", ExtractFileExt("x.tar.gz"));
  EXPECT_EQ("a/b.ini", ChangeFileExt("a/b.cfg", ".ini"));
  EXPECT_EQ("a.d/b.x", ChangeFileExt("a.d/b", ".x"));
  EXPECT_EQ("a/", IncludeTrailingPathDelimiter("a"));
  EXPECT_EQ("a/", IncludeTrailingPathDelimiter("a/"));
}

}  // namespace

}  // namespace sysutils_test
