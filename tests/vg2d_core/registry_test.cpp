// The 2D library's class registry, live objects and resources, objects created from
// component streams, scenes, translation hooks and references in property values.
#include <gtest/gtest.h>

#include "vg2d/core/Registry.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/WideStrings.h"

namespace vg {
namespace {

// A stand-in for the 2D object: listed while alive, with a resource name and Stored.
class TResItem : public rtl::TComponent, public IvxResourceObject {
  RTL_CLASS(TResItem, rtl::TComponent)
public:
  explicit TResItem(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) { AddObjectInstance(this); }
  ~TResItem() override { RemoveObjectInstance(this); }

  bool Stored() const override { return StoredFlag; }
  const std::string& ResourceName() const override { return Resource; }
  void SetResourceName(const std::string& v) { Resource = v; }
  TResItem* Partner() const { return partner_; }
  void SetPartner(TResItem* v) { partner_ = v; }
  void Touch(rtl::TObject*) { ++Touched; }

  bool StoredFlag = true;
  std::string Resource;
  int32_t Width = 0;
  int Touched = 0;

private:
  TResItem* partner_ = nullptr;
};

class TOtherItem : public TResItem {
  RTL_CLASS(TOtherItem, TResItem)
public:
  using TResItem::TResItem;
};

}  // namespace

rtl::TClass TResItem::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TResItem>()
                                          .Property("ResourceName", &TResItem::ResourceName, &TResItem::SetResourceName)
                                          .Property("Width", &TResItem::Width, &TResItem::Width).Default(0)
                                          .Property("Partner", &TResItem::Partner, &TResItem::SetPartner)
                                          .Method("Touch", &TResItem::Touch)
                                          .Build();
  return &info;
}

rtl::TClass TOtherItem::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TOtherItem>().Build();
  return &info;
}

namespace {

rtl::TComponent* FromText(const std::string& text, rtl::TComponent* owner = nullptr) {
  rtl::TStringStream s(text);
  return CreateObjectFromText(owner, &s);
}

class Registry : public testing::Test {
protected:
  void SetUp() override { RegisterObjectClasses("tests", {TResItem::StaticClass(), TOtherItem::StaticClass()}); }
  void TearDown() override {
    rtl::UnRegisterClass(TResItem::StaticClass());
    rtl::UnRegisterClass(TOtherItem::StaticClass());
  }
};

TEST_F(Registry, ClassesAreKeptByCategoryAndKnownToStreams) {
  AddObjectClass("Shapes", TOtherItem::StaticClass());
  AddObjectClass("animations", TResItem::StaticClass());
  AddObjectClass("shapes", TResItem::StaticClass());
  ASSERT_NE(nullptr, ObjectClassList);
  for (size_t i = 1; i < ObjectClassList->size(); ++i)
    EXPECT_LE(rtl::CompareText((*ObjectClassList)[i - 1].Category, (*ObjectClassList)[i].Category), 0);
  EXPECT_EQ(TResItem::StaticClass(), rtl::GetClass("tresitem"));
}

TEST_F(Registry, ResourcesAreFoundNewestFirstAndOnlyWhenStored) {
  EXPECT_EQ(nullptr, FindResourceObject("brush1"));
  auto* older = new TResItem(nullptr);
  older->Resource = "Brush1";
  auto* newer = new TResItem(nullptr);
  newer->Resource = "brush1";
  auto* hidden = new TResItem(nullptr);
  hidden->Resource = "BRUSH1";
  hidden->StoredFlag = false;
  EXPECT_EQ(newer, FindResourceObject("BRUSH1"));
  const int olderSlot = AddObjectInstance(older);  // listed already: its slot
  newer->Free();
  EXPECT_EQ(older, FindResourceObject("brush1"));
  // A later object takes the freed slot, yet counts as the newest.
  auto* newest = new TResItem(nullptr);
  newest->Resource = "Brush1";
  EXPECT_EQ(newest, FindResourceObject("brush1"));
  EXPECT_EQ(olderSlot, AddObjectInstance(older));
  newest->Free();
  hidden->Free();
  older->Free();
  EXPECT_EQ(nullptr, FindResourceObject("brush1"));
}

TEST_F(Registry, ObjectsAreCreatedFromTextOfRegisteredClassesOnly) {
  TResItem other(nullptr);
  other.SetName("Other");
  rtl::TComponent owner(nullptr);
  rtl::TComponent* made = FromText(
      "object Root: TOtherItem\r\n"
      "  Width = 7\r\n"
      "  Partner = Other\r\n"
      "  Unknown = 1\r\n"
      "  object Child: TNoSuchClass\r\n"
      "  end\r\n"
      "  object Child: TResItem\r\n"
      "    ResourceName = 'r'\r\n"
      "  end\r\n"
      "end\r\n",
      &owner);
  ASSERT_NE(nullptr, made);
  auto* item = dynamic_cast<TOtherItem*>(made);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(7, item->Width);
  EXPECT_EQ("", item->Name());         // names are dropped
  EXPECT_EQ(&other, item->Partner());  // found among the live objects
  EXPECT_EQ(&owner, item->Owner());
  ASSERT_EQ(1, item->ComponentCount());
  EXPECT_EQ(item->Components(0), FindResourceObject("R"));

  EXPECT_EQ(nullptr, FromText("object : TNoSuchClass\r\nend\r\n", &owner));
  EXPECT_EQ(nullptr, FromText("object : TResItem\r\n  Width = \r\nend\r\n", &owner));
  EXPECT_EQ(nullptr, FromText("object : TStringList\r\nend\r\n", &owner));
  // A stream that fails after the object was made: the object is freed, not left behind.
  rtl::TMemoryStream binary;
  {
    rtl::TWriter w(&binary);
    w.WriteSignature();
    w.WriteStr("TResItem");
    w.WriteStr("");
    w.WriteStr("Width");
    w.WriteValue(rtl::vaLString);
    const uint8_t length[4] = {0xFF, 0xFF, 0xFF, 0x07};  // far more than the stream holds
    w.Write(length, 4);
  }
  binary.SetPosition(0);
  EXPECT_EQ(nullptr, CreateObjectFromStream(&owner, &binary));
  EXPECT_EQ(1, owner.ComponentCount());
}

// Objects made and freed again and again reuse the list's slots; a reference to a freed
// object never names the object that took its slot, nor does a reference forged from the
// slot alone.
TEST_F(Registry, FreedSlotsAreReusedAndOldReferencesStayInvalid) {
  auto* first = new TResItem(nullptr);
  const int slot = AddObjectInstance(first);
  const rtl::TPropValue ref = ObjectToVariant(first);
  const rtl::TPropValue method = MethodToVariant(rtl::MethodByName(first, "Touch"));
  first->Free();
  const int slots = ObjectInstanceSlots();
  for (int i = 0; i < 1000; ++i) delete new TResItem(nullptr);
  EXPECT_EQ(slots, ObjectInstanceSlots());
  auto* second = new TResItem(nullptr);
  EXPECT_EQ(slot, AddObjectInstance(second));
  EXPECT_EQ(nullptr, VariantToObject(ref));
  EXPECT_FALSE(VariantToMethod(method).Assigned());
  EXPECT_EQ(second, VariantToObject(ObjectToVariant(second)));
  EXPECT_NE(ref, ObjectToVariant(second));
  EXPECT_EQ(nullptr, VariantToObject(std::string("vgobj") + std::to_string(slot)));  // generation 0 is gone
  EXPECT_EQ(nullptr, VariantToObject(std::string("vgobj99999999999999999999")));   // beyond 64 bits
  second->Free();
}

// What could not be read, and where: the text's line, the component's class, the property.
TEST_F(Registry, ATextSaysWhatCouldNotBeReadAndWhere) {
  rtl::TComponent owner(nullptr);
  const std::string text =
      "object Root: TOtherItem\r\n"
      "  Width = 7\r\n"
      "  Unknown = 1\r\n"
      "  object Child: TNoSuchClass\r\n"
      "  end\r\n"
      "  object Child: TResItem\r\n"
      "    Width = 'wide'\r\n"
      "  end\r\n"
      "end\r\n";
  std::vector<std::string> problems;
  rtl::TStringStream s(text);
  std::unique_ptr<rtl::TComponent> made(CreateObjectFromText(&owner, &s, &problems));
  ASSERT_NE(nullptr, made);  // what can be read is read, the rest skipped
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_EQ(problems[0].rfind("Line 3, TOtherItem, property Unknown: ", 0), 0u) << problems[0];
  EXPECT_NE(problems[0].find("Unknown does not exist"), std::string::npos) << problems[0];
  EXPECT_EQ(problems[1].rfind("Line 4, TNoSuchClass: ", 0), 0u) << problems[1];
  EXPECT_EQ(problems[2].rfind("Line 7, TResItem, property Width: ", 0), 0u) << problems[2];
  made.reset();

  // Failures: malformed text, an unregistered class, a binary stream cut short.
  auto report = [&](const std::string& bad) {
    problems.clear();
    rtl::TStringStream in(bad);
    EXPECT_EQ(nullptr, CreateObjectFromText(&owner, &in, &problems));
    return problems.size() == 1 ? problems[0] : std::string("(") + std::to_string(problems.size()) + " problems)";
  };
  const std::string malformed = report("object : TResItem\r\n  Width = 1\r\n  Width = 'open\r\nend\r\n");
  EXPECT_EQ(malformed.rfind("Line 3: ", 0), 0u) << malformed;
  EXPECT_EQ(report("\r\nobject : TNoSuchClass\r\nend\r\n"), "Line 2, TNoSuchClass: not a registered class");
  rtl::TMemoryStream binary;
  {
    rtl::TWriter w(&binary);
    w.WriteSignature();
    w.WriteStr("TResItem");
    w.WriteStr("");
    w.WriteStr("Width");
    w.WriteValue(rtl::vaInt32);  // four bytes promised, none there
  }
  binary.SetPosition(0);
  problems.clear();
  EXPECT_EQ(nullptr, CreateObjectFromStream(&owner, &binary, &problems));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("At byte 14, TResItem, property Width: ", 0), 0u) << problems[0];

  // Text that must read whole raises with every problem, and leaves nothing behind.
  rtl::TStringStream again(text);
  try {
    ReadObjectFromText(&owner, &again, "The test's content");
    ADD_FAILURE() << "no error";
  } catch (const rtl::EReadError& e) {
    const std::string message = e.Message();
    EXPECT_EQ(message.rfind("The test's content cannot be read:\nLine 3, TOtherItem, property Unknown", 0), 0u)
        << message;
    EXPECT_NE(message.find("\nLine 7, TResItem, property Width"), std::string::npos);
  }
  EXPECT_EQ(0, owner.ComponentCount());
}

TEST_F(Registry, ReferencesResolveThroughTheLiveObjects) {
  auto* item = new TResItem(nullptr);
  const rtl::TPropValue ref = ObjectToVariant(item);
  EXPECT_TRUE(VariantIsObject(ref));
  EXPECT_EQ(item, VariantToObject(ref));

  const rtl::TPropValue method = MethodToVariant(rtl::MethodByName(item, "Touch"));
  ASSERT_TRUE(VariantIsMethod(method));
  rtl::TNotifyEvent::FromMethod(VariantToMethod(method))(nullptr);
  EXPECT_EQ(1, item->Touched);

  item->Free();
  EXPECT_EQ(nullptr, VariantToObject(ref));
  EXPECT_FALSE(VariantToMethod(method).Assigned());
  EXPECT_EQ(nullptr, VariantToObject(std::string("vgobj4000000000")));
  EXPECT_THROW(VariantToObject(std::string("vgobjabc")), rtl::EConvertError);
  EXPECT_FALSE(VariantIsObject(std::string()));
  EXPECT_FALSE(VariantIsMethod(int64_t{5}));
  rtl::TComponent unlisted(nullptr);
  EXPECT_EQ(rtl::TPropValue(std::string()), ObjectToVariant(&unlisted));
}

TEST(Scenes, AreListedOnce) {
  rtl::TComponent a(nullptr), b(nullptr);
  EXPECT_EQ(AddScene(&a), AddScene(&a));
  const int count = SceneList->Count();
  AddScene(&b);
  RemoveScene(&a);
  RemoveScene(&b);
  EXPECT_EQ(count - 1, SceneList->Count());
}

TEST(Translation, GoesThroughTheHooksInOrder) {
  EXPECT_EQ(u"Yes", TranslateText(u"Yes"));
  EXPECT_EQ(u"", TranslateText(u""));
  TvxWideStringList language, collected;
  language.Add(u"Yes=\u0414\u0430");
  LanguageList = &language;
  CollectList = &collected;
  EXPECT_EQ(u"\u0414\u0430", TranslateText(u"Yes"));
  EXPECT_EQ(u"No", TranslateText(u"No"));
  LanguageListReversed = true;
  EXPECT_EQ(u"Yes", TranslateText(u"\u0414\u0430"));
  EXPECT_EQ(3, collected.GetCount());
  TranslateCallback = [](const std::u16string& t) { return t == u"a" ? u"b" : u""; };
  EXPECT_EQ(u"b", TranslateText(u"a"));
  EXPECT_EQ(u"c", TranslateText(u"c"));
  EXPECT_EQ(3, collected.GetCount());  // the callback takes precedence
  TranslateCallback = nullptr;
  LanguageListReversed = false;
  LanguageList = nullptr;
  CollectList = nullptr;
}

}  // namespace
}  // namespace vg
