// Bounds, positions and wide-string lists inside a component stream: their text
// properties "Rect", "Point" and "strings", what is written, and that it reads back.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "platform/rtl/Component.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/WideStrings.h"

namespace streamed_properties_test {

namespace {

using namespace vg;

// A control-like component with margins, a position and a list of items.
class ValueHolder : public rtl::TComponent {
  RTL_CLASS(ValueHolder, rtl::TComponent)
public:
  explicit ValueHolder(rtl::TComponent* AOwner = nullptr) : rtl::TComponent(AOwner) {}
  TvxBounds* Margins() const { return margins_.get(); }
  void SetMargins(TvxBounds* Value) { margins_->Assign(Value); }
  TvxPosition* Position() const { return position_.get(); }
  void SetPosition(TvxPosition* Value) { position_->Assign(Value); }
  TvxWideStringList* Items() const { return items_.get(); }
  void SetItems(TvxWideStringList* Value) { items_->Assign(Value); }

private:
  std::unique_ptr<TvxBounds> margins_ = std::make_unique<TvxBounds>(MakeRect(0, 0, 0, 0));
  std::unique_ptr<TvxPosition> position_ = std::make_unique<TvxPosition>(MakePoint(1, 1));
  std::unique_ptr<TvxWideStringList> items_ = std::make_unique<TvxWideStringList>();
};

rtl::TClass ValueHolder::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<ValueHolder>()
                                          .Property("Margins", &ValueHolder::Margins, &ValueHolder::SetMargins)
                                          .Property("Position", &ValueHolder::Position, &ValueHolder::SetPosition)
                                          .Property("Items", &ValueHolder::Items, &ValueHolder::SetItems)
                                          .Build();
  return &info;
}

// Records whether each defined property has data to write.
class HasDataFiler : public rtl::TFiler {
  RTL_CLASS(HasDataFiler, rtl::TFiler)
public:
  HasDataFiler(rtl::TPersistent* Instance, rtl::TPersistent* Ancestor) {
    ancestor_ = Ancestor;
    CallDefineProperties(Instance, this);
  }
  void DefineProperty(const std::string& Name, rtl::TReaderProc, rtl::TWriterProc, bool HasData) override {
    hasData[Name] = HasData;
  }
  void DefineBinaryProperty(const std::string&, rtl::TStreamProc, rtl::TStreamProc, bool) override {}
  std::map<std::string, bool> hasData;
};

rtl::TClass HasDataFiler::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<HasDataFiler>().Build();
  return &info;
}

std::string Binary(ValueHolder& H) {
  rtl::TMemoryStream s;
  {
    rtl::TWriter w(&s);
    w.WriteRootComponent(&H);
  }
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::string ToText(const std::string& BinaryForm) {
  rtl::TStringStream bin(BinaryForm), text;
  rtl::ObjectBinaryToText(&bin, &text);
  return text.DataString();
}

std::string FromText(const std::string& TextForm) {
  rtl::TStringStream text(TextForm), bin;
  rtl::ObjectTextToBinary(&text, &bin);
  return bin.DataString();
}

void Read(const std::string& BinaryForm, ValueHolder& Into) {
  rtl::TStringStream s(BinaryForm);
  rtl::TReader r(&s);
  r.ReadRootComponent(&Into);
}

TEST(StreamedProperties, OnlyValuesOtherThanTheDefaultsAreWrittenInTheirTextForms) {
  ValueHolder h;
  EXPECT_EQ(ToText(Binary(h)), "object ValueHolder\r\nend\r\n");

  h.Margins()->SetLeft(2);
  h.Position()->SetPoint(MakePoint(10, 20.5f));
  h.Items()->Add(u"a");
  h.Items()->Add(u"b");
  const std::string bin = Binary(h);
  EXPECT_EQ(ToText(bin),
            "object ValueHolder\r\n"
            "  Margins.Rect = '(2,0,0,0)'\r\n"
            "  Position.Point = '(10,20.500)'\r\n"
            "  Items.strings = (\r\n"
            "    'a'\r\n"
            "    'b')\r\n"
            "end\r\n");
  // The items travel as a list of wide-string values.
  EXPECT_NE(bin.find(std::string("\x0D" "Items.strings\x01\x12\x01\0\0\0a\0\x12\x01\0\0\0b\0\0", 28)),
            std::string::npos);

  // Back at the defaults, nothing is written again (the value counts, not the setting).
  h.Margins()->SetLeft(0);
  h.Position()->SetPoint(MakePoint(1, 1));
  h.Items()->Clear();
  EXPECT_EQ(ToText(Binary(h)), "object ValueHolder\r\nend\r\n");
}

TEST(StreamedProperties, ValuesAndNonAsciiTextsReadBackThroughBinaryAndTextForms) {
  ValueHolder h;
  h.Margins()->SetRect(MakeRect(1.5f, -2, 3.25f, 4));
  h.Position()->SetPoint(MakePoint(-7.125f, 0));
  const std::u16string items[] = {u"Привет", u"", u"€ 5", u"\U0001F600", u"x=y"};
  for (const auto& s : items) h.Items()->Add(s);
  const std::string bin = Binary(h);

  for (const std::string& form : {bin, FromText(ToText(bin))}) {
    ValueHolder back;
    back.Items()->Add(u"old");
    int marginChanges = 0, listChanges = 0;
    back.Margins()->OnChange = [&](rtl::TObject*) { ++marginChanges; };
    back.Items()->OnChange = [&](rtl::TObject*) { ++listChanges; };
    Read(form, back);
    EXPECT_EQ(back.Margins()->GetRect(), MakeRect(1.5f, -2, 3.25f, 4));
    EXPECT_EQ(back.Position()->GetPoint(), MakePoint(-7.125f, 0));
    ASSERT_EQ(back.Items()->Count(), 5);  // the old item is replaced
    for (int i = 0; i < 5; ++i) EXPECT_EQ(back.Items()->Get(i), items[i]) << i;
    EXPECT_EQ(marginChanges, 1);
    EXPECT_EQ(listChanges, 1);
  }
}

// A rect or point text that is cut short, holds a coordinate that is no number, or has
// one coordinate too many or too few is refused like a wrong value of any other type; the
// value keeps what it had. The writer's own texts for values that are no numbers read as
// zeros.
TEST(StreamedProperties, MalformedRectAndPointTextsAreRefused) {
  ValueHolder h;
  h.Margins()->SetRect(MakeRect(5, 6, 7, 8));
  h.Position()->SetPoint(MakePoint(3, 4));
  for (const char* bad : {"(1,x,3,4)", "(1,2,3", "(1,2,3)", "(1,2,3,4,5)", "1,2,3,4", "(1,2,3,4))"}) {
    EXPECT_THROW(Read(FromText(std::string("object ValueHolder\r\n  Margins.Rect = '") + bad + "'\r\nend\r\n"), h),
                 rtl::EReadError)
        << bad;
    EXPECT_EQ(h.Margins()->GetRect(), MakeRect(5, 6, 7, 8)) << bad;
  }
  for (const char* bad : {"(a,b,c", "(9", "(1,2,3)", "(1 2)", "", "(,)", "p(1,2)"}) {
    EXPECT_THROW(Read(FromText(std::string("object ValueHolder\r\n  Position.Point = '") + bad + "'\r\nend\r\n"), h),
                 rtl::EReadError)
        << bad;
    EXPECT_EQ(h.Position()->GetPoint(), MakePoint(3, 4)) << bad;
  }
  Read(FromText("object ValueHolder\r\n  Margins.Rect = ' (1, 2,3 ,-4.5) '\r\n  Position.Point = '(NAN,2)'\r\nend\r\n"), h);
  EXPECT_EQ(h.Margins()->GetRect(), MakeRect(1, 2, 3, -4.5f));
  EXPECT_EQ(h.Position()->GetPoint(), MakePoint(0, 0));

  // A value that is no text at all is a read error, not a crash.
  ValueHolder g;
  EXPECT_THROW(Read(FromText("object ValueHolder\r\n  Margins.Rect = 5\r\nend\r\n"), g), rtl::EReadError);
  EXPECT_THROW(Read(FromText("object ValueHolder\r\n  Items.strings = 'a'\r\nend\r\n"), g), rtl::EReadError);
}

TEST(StreamedProperties, AgainstAnAncestorTheListIsWrittenOnlyWhenItDiffers) {
  TvxWideStringList list, same, other, empty;
  list.Add(u"a");
  same.Add(u"a");
  other.Add(u"b");
  TvxBounds notAList;
  EXPECT_TRUE(HasDataFiler(&list, nullptr).hasData.at("strings"));
  EXPECT_FALSE(HasDataFiler(&empty, nullptr).hasData.at("strings"));
  EXPECT_FALSE(HasDataFiler(&list, &same).hasData.at("strings"));
  EXPECT_TRUE(HasDataFiler(&list, &other).hasData.at("strings"));
  EXPECT_TRUE(HasDataFiler(&list, &notAList).hasData.at("strings"));
  // An empty list over an ancestor with items must be written to clear them.
  EXPECT_TRUE(HasDataFiler(&empty, &same).hasData.at("strings"));
}

}  // namespace

}  // namespace streamed_properties_test
