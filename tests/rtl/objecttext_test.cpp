// The component stream's text form and the conversions between the two forms.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "StreamClasses.h"
#include "platform/rtl/ObjectText.h"

namespace streamtest {
namespace {

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    i += 2;
  }
  return out;
}

// An unnamed layout with a named rectangle child, as a 2D tree is saved.
const std::string WorkedBinary = FromHex(
    "54 50 46 30 09 54 76 78 4C 61 79 6F 75 74 00 05 57 69 64 74 68 05 00 00 00 00 00 00 00 89 08 40 "
    "07 56 69 73 69 62 6C 65 08 0E 50 6F 73 69 74 69 6F 6E 2E 50 6F 69 6E 74 06 07 28 31 30 2C 32 30 "
    "29 00 0C 54 76 78 52 65 63 74 61 6E 67 6C 65 02 52 31 0A 46 69 6C 6C 2E 43 6F 6C 6F 72 06 09 23 "
    "46 46 46 46 30 30 30 30 03 54 61 67 02 64 00 00 00");

const std::string WorkedText =
    "object TvxLayout\r\n"
    "  Width = 548.000000000000000000\r\n"
    "  Visible = False\r\n"
    "  Position.Point = '(10,20)'\r\n"
    "  object R1: TvxRectangle\r\n"
    "    Fill.Color = '#FFFF0000'\r\n"
    "    Tag = 100\r\n"
    "  end\r\n"
    "end\r\n";

// The text of one property's value.
std::string ValueText(const std::string& valueBytes) {
  const std::string bytes = std::string("TPF0\x01X\x00\x01P", 9) + valueBytes + std::string("\x00\x00", 2);
  const std::string text = ToText(bytes);
  const size_t start = text.find("P = ") + 4;
  return text.substr(start, text.rfind("\r\nend") - start);
}

TEST(ObjectText, WorkedTreeConvertsBothWaysByteForByte) {
  ASSERT_EQ(113u, WorkedBinary.size());
  EXPECT_EQ(WorkedText, ToText(WorkedBinary));
  EXPECT_EQ(WorkedBinary, ToBinary(WorkedText));
}

TEST(ObjectText, ReaderAcceptsBothUnnamedHeadersAndKeywordsInAnyCase) {
  EXPECT_EQ(WorkedBinary, ToBinary(
                              "OBJECT : TvxLayout\r\n"
                              "  Width = 548.0\r\n"
                              "  Visible = false\r\n"
                              "  Position.Point = '(10,' + '20)'\r\n"
                              "  Object R1 : TvxRectangle\r\n"
                              "    Fill.Color = '#FFFF0000'\r\n"
                              "    Tag = 100\r\n"
                              "  END\r\n"
                              "End"));
  const std::string flagged = ToBinary("inherited A: TX [3]\nend\n");
  EXPECT_EQ(std::string("TPF0\xF3\x02\x03\x02TX\x01" "A\x00\x00", 14), flagged);
  EXPECT_EQ("inherited A: TX [3]\r\nend\r\n", ToText(flagged));
  EXPECT_EQ("inline TX\r\nend\r\n", ToText(ToBinary("Inline TX end")));
  // Property names longer than the highest value type byte.
  const std::string longName = "object TX\r\n  AVeryLongPropertyNameIndeed.AndAPath = 1\r\nend\r\n";
  EXPECT_EQ(longName, ToText(ToBinary(longName)));
}

TEST(ObjectText, NumbersAndWords) {
  EXPECT_EQ("100", ValueText("\x02\x64"));
  EXPECT_EQ("-40000", ValueText(std::string("\x04\xC0\x63\xFF\xFF", 5)));
  EXPECT_EQ("1099511627776", ValueText(std::string("\x13\0\0\0\0\0\x01\0\0", 9)));
  EXPECT_EQ("1.5s", ValueText(std::string("\x0F\0\0\xC0\x3F", 5)));
  EXPECT_EQ("0.100000001s", ValueText(std::string("\x0F\xCD\xCC\xCC\x3D", 5)));
  EXPECT_EQ("12.3456c", ValueText(std::string("\x10\x40\xE2\x01\0\0\0\0\0", 9)));
  EXPECT_EQ("-0.5c", ValueText(std::string("\x10\x78\xEC\xFF\xFF\xFF\xFF\xFF\xFF", 9)));
  EXPECT_EQ("0.5d", ValueText(std::string("\x11\0\0\0\0\0\0\xE0\x3F", 9)));
  EXPECT_EQ("vgAlignClient", ValueText("\x07\x0DvgAlignClient"));
  EXPECT_EQ("True", ValueText("\x09"));
  EXPECT_EQ("nil", ValueText("\x0D"));
  EXPECT_EQ("[vgCornerTopLeft, vgCornerTopRight]", ValueText("\x0B\x0FvgCornerTopLeft\x10vgCornerTopRight" + std::string(1, '\0')));
  EXPECT_EQ("[]", ValueText(std::string("\x0B\x00", 2)));
  // Extended values: fixed with 18 decimals (ExtendedTextIsFixedWithAtMost16DigitsAndLosesNoValue).
  EXPECT_EQ("0.500000000000000000", ExtendedToText(0.5));
  EXPECT_EQ("-1234.567800000000000000", ExtendedToText(-1234.5678));
}

TEST(ObjectText, StringsQuoteAndSplitLongText) {
  EXPECT_EQ("''", ValueText(std::string("\x06\x00", 2)));
  EXPECT_EQ("'It'#39's'#13#10'x'", ValueText(std::string("\x06\x07It's\r\nx", 9)));
  // UTF-8 and wide text: characters above 127 as their UTF-16 codes.
  EXPECT_EQ("#1044'a'", ValueText(std::string("\x14\x03\0\0\0\xD0\x94" "a", 8)));
  EXPECT_EQ("#55357#56832", ValueText(std::string("\x14\x04\0\0\0\xF0\x9F\x98\x80", 9)));
  // 64 characters stay on the property line; 65 start a new line and continue after 64.
  const std::string s64(64, 'a');
  EXPECT_EQ("'" + s64 + "'", ValueText("\x06\x40" + s64));
  EXPECT_EQ("\r\n    '" + s64 + "' +\r\n    'b'", ValueText("\x06\x41" + s64 + "b"));
  // A long string of 300 characters: five lines.
  const std::string s300(300, 'q');
  const std::string t = ValueText(std::string("\x0C\x2C\x01\0\0", 5) + s300);
  EXPECT_EQ(4, std::count(t.begin(), t.end(), '+'));
}

TEST(ObjectText, BinaryListsAndCollections) {
  std::string forty;
  for (int i = 0; i < 40; ++i) forty += static_cast<char>(i);
  EXPECT_EQ("{\r\n    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n    2021222324252627}",
            ValueText(std::string("\x0A\x28\0\0\0", 5) + forty));
  EXPECT_EQ("{A1B2C3}", ValueText(std::string("\x0A\x03\0\0\0\xA1\xB2\xC3", 8)));
  EXPECT_EQ("(\r\n    'a'\r\n    1)", ValueText(std::string("\x01\x06\x01" "a\x02\x01\x00", 7)));
  EXPECT_EQ(
      "<\r\n    item\r\n      Color = '#FF000000'\r\n    end\r\n    item [2]\r\n      Offset = 1.000000000000000000\r\n"
      "    end>",
      ValueText(std::string("\x0E\x01\x05" "Color\x06\x09#FF000000\x00", 20) + std::string("\x02\x02\x01\x06", 4) +
                "Offset" + std::string("\x05\0\0\0\0\0\0\0\x80\xFF\x3F\x00\x00", 13)));
  EXPECT_EQ("<>", ValueText(std::string("\x0E\x00", 2)));
}

TEST(ObjectText, EveryValueTypeRoundTripsThroughText) {
  TRegisterStreamClasses registered;
  TPanel root(nullptr);
  root.SetName("Form1");
  root.Small = -3;
  root.Medium = 300;
  root.Huge = -(int64_t{1} << 40);
  root.Kinds = {pkFlat, pkSunken};
  root.Kind = pkRaised;
  root.Width = -0.1;
  root.Ratio = 0.375f;  // 16 digits hold it (a single 0.1 reads back as the nearest double to them)
  root.Caption = std::string(70, 'x') + "\xE9'";
  root.Text = u"\u0414\u043e\xD83D\xDE00";
  root.Style()->Data.assign(100, 0x5A);
  root.Style()->Rect = "(1,2,3,4)";
  static_cast<TStop*>(root.Style()->Stops->Add())->Offset = 1;
  root.Lines()->Add("one");
  root.OnClick = TNotifyEvent(&root, &TPanel::PanelClick, "PanelClick");
  auto* child = new TPanel(&root);
  child->SetParentPanel(&root);
  child->Flag = true;
  const std::string bytes = WriteRoot(&root);
  const std::string text = ToText(bytes);
  EXPECT_EQ(bytes, ToBinary(text));
  EXPECT_NE(std::string::npos, text.find("  Kinds = [pkFlat, pkSunken]\r\n"));
  EXPECT_NE(std::string::npos, text.find("  OnClick = PanelClick\r\n"));
  EXPECT_NE(std::string::npos, text.find("  Lines.Strings = (\r\n    'one')\r\n"));
  EXPECT_NE(std::string::npos, text.find("  object TPanel\r\n    Flag = True\r\n  end\r\n"));
  // Currency, date and lists survive too.
  const std::string values = std::string("TPF0\x01X\x00", 7) + "\x01" "C" + std::string("\x10\x40\xE2\x01\0\0\0\0\0", 9) +
                             "\x01" "D" + std::string("\x11\0\0\0\0\0\0\xE0\x3F", 9) + "\x01" "L" +
                             std::string("\x01\x01\x0D\x00\x08\x00", 6) + "\x01" "W" +
                             std::string("\x12\x01\0\0\0\x00\xD8", 7) + std::string("\x00\x00", 2);
  EXPECT_EQ(values, ToBinary(ToText(values)));
  const std::string special = "object X\r\n  A = -INF\r\n  B = NANs\r\n  C = INFd\r\nend\r\n";
  EXPECT_EQ(special, ToText(ToBinary(special)));
}

TEST(ObjectText, NamesLikeKeywordsAndNullInListsReadBack) {
  // Properties named like the keywords, also inside a collection item and as a path.
  const std::string keywords = "object X\r\n  end = 1\r\n  Object = 2\r\n  inline.Inherited = 3\r\n"
                               "  P = <\r\n    item\r\n      End = 4\r\n      item = 5\r\n    end>\r\n"
                               "  INF = 6\r\nend\r\n";
  const std::string bytes = ToBinary(keywords);
  EXPECT_EQ(keywords, ToText(bytes));
  EXPECT_EQ(bytes, ToBinary(ToText(bytes)));
  // Null keeps its place in a list; as a value of its own it stays the null value.
  const std::string list = "object X\r\n  L = (\r\n    1\r\n    Null\r\n    (\r\n      Null))\r\n  N = Null\r\nend\r\n";
  const std::string listBytes = ToBinary(list);
  EXPECT_EQ(list, ToText(listBytes));
  EXPECT_NE(std::string::npos, listBytes.find(std::string("\x02\x01\x07\x04Null", 8)));
  EXPECT_NE(std::string::npos, listBytes.find(std::string("\x01N\x00\x00\x00", 5)));
  // An identifier the text would read as a number is refused; one spelt like a value word
  // is written the way it reads back.
  EXPECT_THROW(ToText(std::string("TPF0\x01X\x00\x01P\x07\x03INF\x00\x00", 16)), EReadError);
  EXPECT_EQ("object X\r\n  P = True\r\nend\r\n", ToText(std::string("TPF0\x01X\x00\x01P\x07\x04true\x00\x00", 17)));
}

TEST(ObjectText, LongClassNamesReadBack) {
  // From 240 characters on, a class name's length byte looks like a prefix byte.
  for (const char* head : {"object ", "object A: ", "inherited A: "})
    for (size_t length : {239, 240, 255}) {
      const std::string text = head + std::string(length, 'T') + "\r\nend\r\n";
      const std::string bytes = ToBinary(text);
      EXPECT_EQ(text, ToText(bytes)) << head << length;
      EXPECT_EQ(bytes, ToBinary(ToText(bytes))) << head << length;
    }
}

// Fixed notation with 18 decimals and at most 16 significant digits, below 1E-3 too and where
// 16 digits do not give the double back exactly. Exponent form only where fixed notation would
// lose the value: below 5E-19 it would read back as 0, and the largest doubles rounded to 16
// digits would read back as no double at all. Every text reads back as a double that writes
// the same text, never as 0 for a value that is not.
TEST(ObjectText, ExtendedTextIsFixedWithAtMost16DigitsAndLosesNoValue) {
  EXPECT_EQ("0.100000000000000000", ExtendedToText(0.1));
  EXPECT_EQ("0.100000001490116100", ExtendedToText(0.1f));
  EXPECT_EQ("0.000500000000000000", ExtendedToText(0.0005));
  EXPECT_EQ("0.300000000000000000", ExtendedToText(0.1 + 0.2));
  EXPECT_EQ("0.000000150000000000", ExtendedToText(1.5e-7));
  EXPECT_EQ("0.009123456789012345", ExtendedToText(9.123456789012345e-3));
  EXPECT_EQ("123456789.123456800000000000", ExtendedToText(123456789.12345678));
  EXPECT_EQ("-0.000000000000000001", ExtendedToText(-6e-19));
  EXPECT_EQ("0.000000000000000000", ExtendedToText(0.0));
  EXPECT_EQ("0.000000000000000000", ExtendedToText(-0.0));
  EXPECT_EQ("4.900000000000000E-19", ExtendedToText(4.9e-19));
  EXPECT_EQ("-4.940656458412465E-324", ExtendedToText(-DBL_TRUE_MIN));
  EXPECT_EQ("1E300", ExtendedToText(1e300));
  EXPECT_EQ("1.7976931348623157E+308", ExtendedToText(DBL_MAX));
  EXPECT_EQ("-1.7976931348623157E+308", ExtendedToText(-DBL_MAX));
  EXPECT_EQ("169.285063272202400000", ExtendedToText(169.28506327220245)) << "169.2850632722024499...";

  std::mt19937_64 random(5);
  std::vector<double> values;
  for (int i = 0; i < 5000; ++i) {
    double bits;  // any finite double: every magnitude
    const uint64_t word = random();
    std::memcpy(&bits, &word, sizeof bits);
    if (std::isfinite(bits)) values.push_back(bits);
    values.push_back(std::ldexp(static_cast<double>(random() >> 11), -53) * std::pow(10.0, i % 24 - 12));
  }
  for (double v : values) {
    const std::string text = ExtendedToText(v);
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(text, back)) << text;
    ASSERT_EQ(text, ExtendedToText(back)) << v;
    ASSERT_EQ(v == 0, back == 0) << text;
    if (std::fabs(v) >= 1e-3) {
      ASSERT_LE(std::fabs(back - v), std::fabs(v) * 1e-15) << text;
    }
  }
}

TEST(ObjectText, SinglePropertiesTravelAsExtended) {
  TRegisterStreamClasses registered;
  TPanel root(nullptr);
  root.Ratio = 548;
  const std::string bytes = WriteRoot(&root);
  EXPECT_NE(std::string::npos, bytes.find(std::string("\x05Ratio\x05\0\0\0\0\0\0\0\x89\x08\x40", 17)));
  EXPECT_NE(std::string::npos, ToText(bytes).find("  Ratio = 548.000000000000000000\r\n"));
  // A single written with 16 digits reads back as itself.
  root.Ratio = 0.1f;
  const std::string text = ToText(WriteRoot(&root));
  EXPECT_NE(std::string::npos, text.find("  Ratio = 0.100000001490116100\r\n")) << text;
  TPanel tenth(nullptr);
  ReadRoot(ToBinary(text), &tenth);
  EXPECT_EQ(0.1f, tenth.Ratio);
  // Either form reads back, and so do texts of the earlier exponent form and of 17 digits.
  for (const std::string& value : {std::string("548.000000000000000000"), std::string("548s"),
                                   std::string("5.480000000000000E2"), std::string("548.000000000000000010")}) {
    TPanel copy(nullptr);
    ReadRoot(ToBinary("object TPanel\r\n  Ratio = " + value + "\r\nend\r\n"), &copy);
    EXPECT_EQ(548.0f, copy.Ratio);
  }
}

// Singles are written with the nine digits that read back as the same single; a text that
// rounds to the single's range (as the fifteen digits written before do) reads as that single.
TEST(ObjectText, TheLargestSinglesReadBackFromEveryTextWritten) {
  const auto single = [](float F) {
    std::string b(5, '\x0F');
    std::memcpy(&b[1], &F, 4);
    return b;
  };
  const auto readSingle = [&](const std::string& Text) {
    const std::string b = ToBinary("object X\r\n  P = " + Text + "\r\nend\r\n");
    const size_t at = b.find(std::string("\x01P\x0F", 3));
    float f = 0;
    if (at != std::string::npos) std::memcpy(&f, b.data() + at + 3, 4);
    return f;
  };
  EXPECT_EQ("3.40282347E38s", ValueText(single(FLT_MAX)));
  EXPECT_EQ("-3.40282347E38s", ValueText(single(-FLT_MAX)));
  for (float f : {FLT_MAX, -FLT_MAX, 0.1f, 16777217.0f, 1e-38f, FLT_TRUE_MIN}) {
    EXPECT_EQ(f, readSingle(ValueText(single(f)))) << ValueText(single(f));
  }
  EXPECT_EQ(FLT_MAX, readSingle("3.40282346638529E38s"));
  EXPECT_EQ(-FLT_MAX, readSingle("-3.40282356E38s"));
  // Beyond the halfway point to the next power of two a single has no value.
  EXPECT_THROW(ToBinary("object X\r\n  P = 3.4028236E38s\r\nend\r\n"), EParserError);

  // A Single property at its largest travels as an extended value and reads back as itself.
  TRegisterStreamClasses registered;
  TPanel root(nullptr);
  root.Ratio = -FLT_MAX;
  TPanel copy(nullptr);
  ReadRoot(ToBinary(ToText(WriteRoot(&root))), &copy);
  EXPECT_EQ(-FLT_MAX, copy.Ratio);
}

TEST(ObjectText, MalformedTextIsRefusedWithItsLine) {
  const char* bad[] = {
      "",
      "object",
      "object A: TX\r\n  Width = \r\nend",
      "object A: TX\r\n  Width = 'open\r\nend",
      "object A: TX\r\n  Data = {ABC}\r\nend",
      "object A: TX\r\n  S = [a b]\r\nend",
      "object A: TX\r\n  N = 99999999999999999999\r\nend",
      "object A: TX\r\n  C = #70000\r\nend",
      "object A: TX\r\n  P = <item X = 1 >\r\nend",
      "object A: TX\r\n  P = <item [4294967296] end>\r\nend",
      "object A: TX\r\nend\r\nextra",
      "object A: TX\r\n  object B: TY\r\n",
  };
  for (const char* text : bad) EXPECT_THROW(ToBinary(text), EParserError) << text;
  try {
    ToBinary("object A: TX\r\n  Width = 1\r\n  Height = ?\r\nend");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_EQ(0, std::string(e.Message()).find("Line 3:"));
  }
  // Objects nested beyond the limit.
  std::string deep;
  for (int i = 0; i <= FilerMaxNesting; ++i) deep += "object TX\n";
  for (int i = 0; i <= FilerMaxNesting; ++i) deep += "end\n";
  EXPECT_THROW(ToBinary(deep), EParserError);
  // Collections nested in items: text the converter writes is never too deep to read.
  for (int levels : {40, 70}) {
    std::string nested = std::string("TPF0\x01X\x00", 7);
    for (int i = 0; i < levels; ++i) nested += std::string("\x01P\x0E\x01", 4);
    for (int i = 0; i < levels; ++i) nested += std::string("\x00\x00", 2);
    nested += std::string("\x00\x00", 2);
    std::string text;
    try {
      text = ToText(nested);
    } catch (const EReadError&) {
      EXPECT_EQ(70, levels);
      continue;
    }
    EXPECT_EQ(nested, ToBinary(text)) << levels;
  }
}

}  // namespace
}  // namespace streamtest
