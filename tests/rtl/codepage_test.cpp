#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace codepage_test {

using namespace rtl;

namespace {

TEST(CodePage, CyrillicTable) {
  EXPECT_EQ(u"\u0410\u044F\u0401 A", CodePageToWide("\xC0\xFF\xA8 A", 1251));
  EXPECT_EQ("\xC0\xFF\xA8 A", WideToCodePage(u"\u0410\u044F\u0401 A", 1251));
  // Characters the code page lacks become '?', a surrogate pair as one.
  EXPECT_EQ("\xC6\x88??x", WideToCodePage(u"Ж€中\U0001F600x", 1251));
  EXPECT_EQ("?a", WideToCodePage(std::u16string(1, char16_t(0xDC00)) + u"a", 1251));
}

TEST(CodePage, ThaiUndefinedBytesDoNotStopConversion) {
  const std::string text = "\xA1\xDB\xDC\xDD\xDE\xA2\xFC\xFD\xFE\xFF\xB0\xC0";
  const std::u16string wide = CodePageToWide(text, 874);
  EXPECT_EQ(u"\u0E01\uFFFD\uFFFD\uFFFD\uFFFD\u0E02\uFFFD\uFFFD\uFFFD\uFFFD\u0E10\u0E20", wide);
  EXPECT_EQ("\xA1????\xA2????\xB0\xC0", WideToCodePage(wide, 874));
}

TEST(CodePage, WesternIsTheSystemDefault) {
  EXPECT_EQ(u"\u20AC\u00E9\u00FF", CodePageToWide("\x80\xE9\xFF", 1252));
  EXPECT_EQ(CodePageToWide("\x80\xE9\xFF", 1252), CodePageToWide("\x80\xE9\xFF", 0));
  EXPECT_EQ("\x80?", WideToCodePage(u"\u20AC\u0416", 0));
  EXPECT_THROW(CodePageToWide("x", 99999), EConvertError);
}

// ASCII text widens as it stands in the code pages the texts come in; the same bytes beside one
// that needs the code page's table must decode alike, and an unknown code page still raises.
TEST(CodePage, AsciiTextDecodesAlikeWithAndWithoutTheTable) {
  std::string ascii;
  for (int c = 1; c < 0x80; ++c) ascii += static_cast<char>(c);
  const std::u16string wide(ascii.begin(), ascii.end());
  for (int cp : {0, 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 65001}) {
    SCOPED_TRACE(cp);
    EXPECT_EQ(wide, CodePageToWide(ascii, cp));
    const std::u16string mixed = CodePageToWide(ascii + "\xC3\xA9", cp);
    ASSERT_GT(mixed.size(), wide.size());
    EXPECT_EQ(wide, mixed.substr(0, wide.size()));
  }
  EXPECT_THROW(CodePageToWide("plain", 12345), EConvertError);
  EXPECT_THROW(CodePageToWide("plain", 932932), EConvertError);
}

TEST(CodePage, Utf8BothWays) {
  const std::u16string wide = u"Привет \U0001F600";
  EXPECT_EQ("Привет \U0001F600", WideToUtf8(wide));
  EXPECT_EQ(wide, Utf8ToWide("Привет \U0001F600"));
  EXPECT_EQ(u"a\uFFFDb\uFFFD", Utf8ToWide("a\xFF" "b\xC3"));
  EXPECT_EQ("\xEF\xBF\xBDz", WideToUtf8(std::u16string(1, char16_t(0xD800)) + u"z"));
  EXPECT_EQ(u"", Utf8ToWide(""));
}

}  // namespace

}  // namespace codepage_test
