// The component stream's binary form: value encodings, the 80-bit extended converter,
// and components written and read through their published properties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "StreamClasses.h"

namespace streamtest {
namespace {

std::string Ext(double v) {
  uint8_t b[10];
  DoubleToExtended(v, b);
  return std::string(reinterpret_cast<char*>(b), 10);
}

double FromExt(const std::string& bytes) {
  uint8_t b[10];
  std::memcpy(b, bytes.data(), 10);
  return ExtendedToDouble(b);
}

template <class F> std::string Written(F f) {
  TMemoryStream s;
  {
    TWriter w(&s);
    f(w);
  }
  return Bytes(s);
}

TEST(Extended, EncodesAsEightyBitWithExplicitIntegerBit) {
  EXPECT_EQ(std::string("\0\0\0\0\0\0\0\x89\x08\x40", 10), Ext(548));
  EXPECT_EQ(std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10), Ext(1.0));
  EXPECT_EQ(std::string("\0\0\0\0\0\0\0\x80\xFF\xBF", 10), Ext(-1.0));
  EXPECT_EQ(std::string(10, '\0'), Ext(0.0));
  EXPECT_EQ(std::string("\0\0\0\0\0\0\0\0\0\x80", 10), Ext(-0.0));
  EXPECT_EQ(std::string("\0\0\0\0\0\0\0\x80\xFF\x7F", 10), Ext(HUGE_VAL));
}

TEST(Extended, EveryDoubleComesBackExactly) {
  const double values[] = {548,
                           0.1,
                           -123456.789,
                           1e300,
                           1e-300,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::min() / 3,
                           std::numeric_limits<double>::max(),
                           -HUGE_VAL};
  for (double v : values) EXPECT_EQ(v, FromExt(Ext(v))) << v;
  EXPECT_TRUE(std::signbit(FromExt(Ext(-0.0))));
  EXPECT_TRUE(std::isnan(FromExt(Ext(std::nan("")))));
}

TEST(Extended, WiderValuesRoundToNearestEven) {
  // 1 + 2^-53 exactly halfway: ties to even gives 1; one more low bit rounds up.
  std::string half = Ext(1.0);
  half[1] = 0x04;  // mantissa 0x8000000000000400
  EXPECT_EQ(1.0, FromExt(half));
  half[0] = 0x01;
  EXPECT_EQ(1.0 + std::ldexp(1.0, -52), FromExt(half));
  // Beyond double range: infinity; far below: zero; just below normal: a subnormal.
  std::string big("\0\0\0\0\0\0\0\x80\xFF\x43", 10);  // 2^1024
  EXPECT_EQ(HUGE_VAL, FromExt(big));
  std::string tiny("\0\0\0\0\0\0\0\x80\x01\x00", 10);
  EXPECT_EQ(0.0, FromExt(tiny));
  EXPECT_EQ(std::numeric_limits<double>::denorm_min(), FromExt(Ext(std::numeric_limits<double>::denorm_min())));
  // An unnormal with a zero exponent field still has a value (mantissa * 2^-16445): zero in double.
  EXPECT_EQ(0.0, FromExt(std::string("\x01\0\0\0\0\0\0\0\0\0", 10)));
}

TEST(WriterValues, IntegersTakeTheSmallestForm) {
  EXPECT_EQ(std::string("\x02\x64", 2), Written([](TWriter& w) { w.WriteInteger(100); }));
  EXPECT_EQ(std::string("\x03\xC8\x00", 3), Written([](TWriter& w) { w.WriteInteger(200); }));
  EXPECT_EQ(std::string("\x04\x40\x9C\x00\x00", 5), Written([](TWriter& w) { w.WriteInteger(40000); }));
  EXPECT_EQ(std::string("\x02\xFF", 2), Written([](TWriter& w) { w.WriteInteger(-1); }));
  EXPECT_EQ(std::string("\x13\0\0\0\0\x01\0\0\0", 9), Written([](TWriter& w) { w.WriteInteger(int64_t{1} << 32); }));
}

TEST(WriterValues, StringsChooseShortLongOrUtf8) {
  EXPECT_EQ(std::string("\x06\x03" "abc"), Written([](TWriter& w) { w.WriteString("abc"); }));
  const std::string long300(300, 'x');
  const std::string l = Written([&](TWriter& w) { w.WriteString(long300); });
  EXPECT_EQ(std::string("\x0C\x2C\x01\x00\x00", 5), l.substr(0, 5));
  EXPECT_EQ(305u, l.size());
  // 0xE9 is "é" in the system code page: UTF-8 C3 A9.
  EXPECT_EQ(std::string("\x14\x03\0\0\0" "\xC3\xA9" "t", 8), Written([](TWriter& w) { w.WriteString("\xE9t"); }));
  // 0x8F has no character in the code page: the bytes stay as they are.
  EXPECT_EQ(std::string("\x06\x02\x8F\xE9"), Written([](TWriter& w) { w.WriteString("\x8F\xE9"); }));
  // Wide text: ASCII as 8-bit, Cyrillic as UTF-8, a lone surrogate as UTF-16.
  EXPECT_EQ(std::string("\x06\x02" "ok"), Written([](TWriter& w) { w.WriteWideString(u"ok"); }));
  EXPECT_EQ(std::string("\x14\x02\0\0\0\xD0\x94", 7), Written([](TWriter& w) { w.WriteWideString(u"\u0414"); }));
  EXPECT_EQ(std::string("\x12\x01\0\0\0\x00\xD8", 7), Written([](TWriter& w) { w.WriteWideString(u"\xD800"); }));
  EXPECT_EQ(std::string("\x09\x08\x0D\x00", 4), Written([](TWriter& w) {
              w.WriteIdent("True");
              w.WriteIdent("false");
              w.WriteIdent("nil");
              w.WriteIdent("Null");
            }));
}

TEST(ReaderValues, EveryTypeReadsBack) {
  const std::string bytes = Written([](TWriter& w) {
    w.WriteInteger(-5);
    w.WriteInteger(int64_t{1} << 40);
    w.WriteFloat(548);
    w.WriteSingle(1.5f);
    w.WriteCurrency(123456);
    w.WriteDate(45000.25);
    w.WriteString(std::string(300, 'q'));
    w.WriteWideString(u"\u0414\xD800");
    w.WriteString("\xE9");
    w.WriteIdent("vgAlignClient");
    w.WriteSetNames({"a", "b"});
    const uint8_t data[3] = {1, 2, 3};
    w.WriteBinary(data, 3);
  });
  TStringStream s(bytes);
  TReader r(&s);
  EXPECT_EQ(-5, r.ReadInteger());
  EXPECT_EQ(int64_t{1} << 40, r.ReadInt64());
  EXPECT_EQ(548.0, r.ReadFloat());
  EXPECT_EQ(1.5f, r.ReadSingle());
  EXPECT_EQ(123456, r.ReadCurrency());
  EXPECT_EQ(45000.25, r.ReadDate());
  EXPECT_EQ(std::string(300, 'q'), r.ReadString());
  EXPECT_EQ(u"\u0414\xD800", r.ReadWideString());
  EXPECT_EQ("\xE9", r.ReadString());
  EXPECT_EQ("vgAlignClient", r.ReadIdent());
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), r.ReadSetNames());
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), r.ReadBinary());
  EXPECT_EQ(0, r.BytesLeft());
}

TEST(ReaderValues, LengthsBeyondTheDataAreRefused) {
  const std::string cases[] = {
      std::string("\x0C\xFF\xFF\xFF\x7F" "abc", 8),  // long string far longer than the data
      std::string("\x0C\xFF\xFF\xFF\xFF", 5),        // negative length
      std::string("\x14\x10\0\0\0" "ab", 7),          // UTF-8 cut short
      std::string("\x12\x02\0\0\0" "ab", 7),          // two wide characters need four bytes
      std::string("\x06\x09" "abc", 5),               // short string cut short
      std::string("\x0A\x00\x00\x00\x40", 5),         // binary of 1 GiB in five bytes
      std::string("\x15", 1),                         // unknown value type
  };
  for (const std::string& c : cases) {
    TStringStream s(c);
    TReader r(&s);
    EXPECT_THROW(r.SkipValue(), EReadError) << testing::PrintToString(c);
  }
  // Lists nested deeper than the limit.
  std::string deep(FilerMaxNesting + 5, '\x01');
  deep += std::string(FilerMaxNesting + 5, '\0');
  TStringStream s(deep);
  TReader r(&s);
  EXPECT_THROW(r.SkipValue(), EReadError);
}

TEST(ReaderValues, LeavesTheStreamAfterTheLastByteUsed) {
  TStringStream s(std::string("\x02\x07" "rest", 6));
  {
    TReader r(&s, 16);
    EXPECT_EQ(7, r.ReadInteger());
  }
  EXPECT_EQ(2, s.Position());
}

class ComponentStream : public testing::Test {
protected:
  TRegisterStreamClasses registered;

  // A root with two children; the first child refers to the second (a later component).
  static void Fill(TPanel& root) {
    root.SetName("Form1");
    root.Small = -3;
    root.Medium = 300;
    root.Big = 70000;
    root.Huge = int64_t{1} << 40;
    root.Unsigned = 4000000000u;
    root.Flag = true;
    root.Kind = pkSunken;
    root.Kinds = {pkRaised, pkSunken};
    root.Width = 548;
    root.Ratio = 1.5f;
    root.Letter = 'z';
    root.Caption = std::string(300, 'c');
    root.Text = u"\u041f\u0430\u043d\u0435\u043b\u044c";
    root.Style()->Color = 0x7F00FF00;
    root.Style()->Rect = "(0,0,10,10)";
    root.Style()->Data = {0xA1, 0xB2, 0xC3};
    auto* stop = static_cast<TStop*>(root.Style()->Stops->Add());
    stop->Offset = 0.5;
    stop->Tag = "end";
    root.Style()->Stops->Add();
    root.Lines()->Add("first");
    root.Lines()->Add("second");
    root.OnClick = TNotifyEvent(&root, &TPanel::PanelClick, "PanelClick");
    auto* a = new TPanel(&root);
    a->SetName("A");
    a->SetParentPanel(&root);
    auto* b = new TLabel(&root);
    b->SetName("B");
    b->SetParentPanel(a);
    a->SetPartner(b);
    a->OnResize = TEvent<void(TObject*, int)>(&root, &TPanel::PanelResize, "PanelResize");
  }
};

TEST_F(ComponentStream, WritesOnlyNonDefaultValuesAndReadsBackEqual) {
  TPanel plain(nullptr);
  EXPECT_EQ(std::string("TPF0\x06TPanel\x00\x00\x00", 14), WriteRoot(&plain));

  TPanel root(nullptr);
  Fill(root);
  const std::string bytes = WriteRoot(&root);

  TPanel copy(nullptr);
  ReadRoot(bytes, &copy);
  EXPECT_EQ("Form1", copy.Name());
  EXPECT_EQ(-3, copy.Small);
  EXPECT_EQ(300, copy.Medium);
  EXPECT_EQ(70000, copy.Big);
  EXPECT_EQ(int64_t{1} << 40, copy.Huge);
  EXPECT_EQ(4000000000u, copy.Unsigned);
  EXPECT_TRUE(copy.Flag);
  EXPECT_EQ(pkSunken, copy.Kind);
  EXPECT_EQ((TPanelKinds{pkRaised, pkSunken}), copy.Kinds);
  EXPECT_EQ(548.0, copy.Width);
  EXPECT_EQ(1.5f, copy.Ratio);
  EXPECT_EQ('z', copy.Letter);
  EXPECT_EQ(root.Caption, copy.Caption);
  EXPECT_EQ(root.Text, copy.Text);
  EXPECT_EQ(0x7F00FF00, copy.Style()->Color);
  EXPECT_EQ("(0,0,10,10)", copy.Style()->Rect);
  EXPECT_EQ(root.Style()->Data, copy.Style()->Data);
  ASSERT_EQ(2, copy.Style()->Stops->Count());
  EXPECT_EQ(0.5, static_cast<TStop*>(copy.Style()->Stops->Items(0))->Offset);
  EXPECT_EQ("end", static_cast<TStop*>(copy.Style()->Stops->Items(0))->Tag);
  EXPECT_EQ("first\r\nsecond\r\n", copy.Lines()->Text());

  // Children are owned by the root, nested as written, and refer to each other.
  ASSERT_EQ(1u, copy.Children().size());
  TPanel* a = copy.Children()[0];
  ASSERT_EQ(1u, a->Children().size());
  TPanel* b = a->Children()[0];
  EXPECT_EQ("A", a->Name());
  EXPECT_TRUE(b->Is<TLabel>());
  EXPECT_EQ(&copy, a->Owner());
  EXPECT_EQ(&copy, b->Owner());
  EXPECT_EQ(b, a->Partner());

  // Events are bound by method name to the root's published methods.
  copy.OnClick(&copy);
  EXPECT_EQ(1, copy.Clicks);
  a->OnResize(a, 77);
  EXPECT_EQ(77, copy.LastWidth);

  // Every component read gets Loaded once, while still marked as loading.
  for (TPanel* p : {&copy, a, b}) {
    EXPECT_EQ(1, p->LoadedCalls);
    EXPECT_TRUE(p->WasLoadingInLoaded);
    EXPECT_FALSE(p->ComponentState().Contains(csLoading));
    EXPECT_FALSE(p->ComponentState().Contains(csReading));
  }
  // Writing the copy gives the same bytes.
  EXPECT_EQ(bytes, WriteRoot(&copy));
}

TEST_F(ComponentStream, RootOfAStreamCanBeCreatedFromItsClassName) {
  TPanel root(nullptr);
  Fill(root);
  TStringStream s(WriteRoot(&root));
  TReader r(&s);
  std::unique_ptr<TComponent> made(r.ReadRootComponent(nullptr));
  ASSERT_TRUE(made && made->Is<TPanel>());
  EXPECT_EQ(548.0, static_cast<TPanel*>(made.get())->Width);
}

TEST_F(ComponentStream, ReadErrorsStopReadingUnlessTheHandlerSkipsThem) {
  // A property the class does not have, a child of an unknown class, a reference to
  // nothing, a method the root lacks, and one of the wrong signature.
  const std::string text =
      "object Form1: TPanel\r\n"
      "  Nonsense = 5\r\n"
      "  Big = 'text'\r\n"
      "  OnClick = NoSuchMethod\r\n"
      "  OnResize = PanelClick\r\n"
      "  Medium = 7\r\n"
      "  object X: TUnknown\r\n"
      "    Width = 1.0\r\n"
      "    object Y: TPanel\r\n"
      "    end\r\n"
      "  end\r\n"
      "  object A: TPanel\r\n"
      "    Partner = Nobody\r\n"
      "    Small = 2\r\n"
      "  end\r\n"
      "end\r\n";
  const std::string bytes = ToBinary(text);
  {
    TPanel root(nullptr);
    EXPECT_THROW(ReadRoot(bytes, &root), EReadError);
    EXPECT_FALSE(root.ComponentState().Contains(csLoading));
  }
  TPanel root(nullptr);
  std::vector<std::string> errors;
  ReadRoot(bytes, &root, [&](TReader*, const std::string& m, bool& handled) {
    errors.push_back(m);
    handled = true;
  });
  EXPECT_EQ(6u, errors.size()) << testing::PrintToString(errors);
  EXPECT_EQ(7, root.Medium);
  EXPECT_EQ(0, root.Big);
  EXPECT_FALSE(root.OnClick.Assigned());
  ASSERT_EQ(1u, root.Children().size());
  EXPECT_EQ(2, root.Children()[0]->Small);
  EXPECT_EQ(nullptr, root.Children()[0]->Partner());
  EXPECT_EQ(nullptr, root.FindComponent("X"));
  EXPECT_EQ(nullptr, root.FindComponent("Y"));
}

TEST_F(ComponentStream, ReferencesResolveOnlyToComponentsOfTheRightClass) {
  const std::string bytes = ToBinary(
      "object Form1: TPanel\r\n"
      "  object A: TPanel\r\n"
      "    Partner = Form1\r\n"
      "  end\r\n"
      "end\r\n");
  TPanel root(nullptr);
  ReadRoot(bytes, &root);
  EXPECT_EQ(&root, root.Children()[0]->Partner());

  // A component found outside the root through the global finder.
  TPanel outside(nullptr);
  outside.SetName("Outside");
  SetFindGlobalComponent([&](const std::string& n) -> TComponent* { return SameText(n, "Outside") ? &outside : nullptr; });
  TPanel other(nullptr);
  ReadRoot(ToBinary("object : TPanel\r\n  Partner = Outside\r\nend\r\n"), &other);
  EXPECT_EQ(&outside, other.Partner());
  SetFindGlobalComponent(nullptr);
  other.SetPartner(nullptr);

  // A component of another class is refused.
  TPanel wrong(nullptr);
  TComponent plain(&wrong);
  plain.SetName("Plain");
  EXPECT_THROW(ReadRoot(ToBinary("object : TPanel\r\n  Partner = Plain\r\nend\r\n"), &wrong), EReadError);
  EXPECT_EQ(nullptr, wrong.Partner());
}

TEST_F(ComponentStream, CollectionItemsKeepTheirMarkerAndOldStreamsStillRead) {
  TPanel root(nullptr);
  root.Style()->Stops->Add();
  static_cast<TStop*>(root.Style()->Stops->Add())->Tag = "x";
  const std::string bytes = WriteRoot(&root);
  EXPECT_NE(std::string::npos, bytes.find(std::string("\x0E\x01\x00\x01\x03Tag\x06\x01x\x00\x00", 14)));

  // Without markers: an item whose first property is "Tag" (same first byte as an int16
  // order value), and an item with an int8 order; both must read as meant.
  const char legacy[] =
      "TPF0\x06TPanel\x00"
      "\x0BStyle.Stops\x0E"
      "\x03Tag\x06\x01y\x00"
      "\x02\x05" "\x05" "Color\x02\x09\x00"
      "\x00"
      "\x00\x00";
  TPanel old(nullptr);
  ReadRoot(std::string(legacy, sizeof legacy - 1), &old);
  ASSERT_EQ(2, old.Style()->Stops->Count());
  EXPECT_EQ("y", static_cast<TStop*>(old.Style()->Stops->Items(0))->Tag);
  EXPECT_EQ(9, static_cast<TStop*>(old.Style()->Stops->Items(1))->Color);
}

TEST_F(ComponentStream, CorruptStreamsRaiseEvenWithAHandlerThatSkipsEverything) {
  TPanel root(nullptr);
  Fill(root);
  const std::string bytes = WriteRoot(&root);
  for (size_t cut : {size_t{3}, size_t{12}, bytes.size() / 2, bytes.size() - 1}) {
    TPanel target(nullptr);
    EXPECT_THROW(ReadRoot(bytes.substr(0, cut), &target, [](TReader*, const std::string&, bool& h) { h = true; }),
                 EReadError)
        << cut;
  }
  std::string wrongSignature = bytes;
  wrongSignature[3] = '1';
  TPanel target(nullptr);
  EXPECT_THROW(ReadRoot(wrongSignature, &target), EReadError);
}

}  // namespace
}  // namespace streamtest
