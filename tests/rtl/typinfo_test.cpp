#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tests/rtl/TestShapes.h"

namespace rtltest {

TClass TFill::StaticClass() {
  static const TClassInfo info =
      DefineClass<TFill>().Property("Color", &TFill::Color, &TFill::SetColor).Default(0).Build();
  return &info;
}

TClass TShape::StaticClass() {
  static const TClassInfo info = DefineClass<TShape>()
      .Property("Opacity", &TShape::Opacity, &TShape::SetOpacity).Range(0, 100).Default(100)
      .Property("Depth", &TShape::Depth, &TShape::Depth)
      .Property("Big", &TShape::Big, &TShape::Big).Default(0)
      .Property("Hot", &TShape::Hot, &TShape::Hot).Default('a')
      .Property("WideHot", &TShape::WideHot, &TShape::WideHot)
      .Property("Visible", &TShape::Visible, &TShape::Visible).Default(true)
      .Property("Shade", &TShape::Shade, &TShape::Shade).Default(shNone)
      .Property("Shades", &TShape::Shades, &TShape::Shades).Default(TShades{shLight})
      .Property("XRadius", &TShape::XRadius, &TShape::XRadius).Default(0.1)
      .Property("Angle", &TShape::Angle, &TShape::Angle).NoDefault()
      .Property("Scale", &TShape::Scale, &TShape::Scale).FloatType(ftExtended).Default(1.0)
      .Property("Caption", &TShape::Caption, &TShape::Caption).Stored(&TShape::IsCaptionStored)
      .Property("Text", &TShape::Text, &TShape::Text)
      .Property("Fill", &TShape::Fill, &TShape::SetFill)
      .Property("Buddy", &TShape::Buddy, &TShape::SetBuddy)
      .Property("Secret", &TShape::Secret, &TShape::Secret).Stored(false)
      .Property("Count", &TShape::Count)
      .Event("OnClick", &TShape::OnClick)
      .Method("ShapeClick", &TShape::ShapeClick)
      .Method("ShapeMoved", &TShape::ShapeMoved)
      .Build();
  return &info;
}

TClass TCircle::StaticClass() {
  static const TClassInfo info = DefineClass<TCircle>()
      .Property("Radius", &TCircle::Radius, &TCircle::Radius).Default(1.0f)
      .Property("Opacity", &TCircle::Opacity, &TCircle::SetOpacity).Range(0, 100).Default(50)
      .Build();
  return &info;
}

namespace {

std::vector<std::string> Names(const std::vector<const TPropInfo*>& list) {
  std::vector<std::string> names;
  for (auto p : list) names.push_back(p->Name);
  return names;
}

TEST(TypInfoList, InheritedPropertiesComeFirstAndRedeclarationsKeepTheirPlace) {
  const auto list = GetPropInfos(TCircle::StaticClass());
  const std::vector<std::string> expected{"Name", "Tag", "Opacity", "Depth", "Big", "Hot", "WideHot", "Visible",
                                          "Shade", "Shades", "XRadius", "Angle", "Scale", "Caption", "Text", "Fill",
                                          "Buddy", "Secret", "Count", "OnClick", "Radius"};
  EXPECT_EQ(expected, Names(list));
  EXPECT_EQ(50, list[2]->DefaultOrd);  // the circle's own Opacity entry
  const auto sorted = Names(GetPropList(TCircle::StaticClass()));
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) {
    auto lower = [](std::string t) { for (char& c : t) c = static_cast<char>(std::tolower(c)); return t; };
    return lower(a) < lower(b);
  }));
  EXPECT_EQ(list.size(), sorted.size());
}

TEST(TypInfoAccess, EveryKindReadsAndWritesByName) {
  TShape s(nullptr);
  SetOrdProp(&s, "Opacity", 42);
  SetOrdProp(&s, "depth", -300);
  SetOrdProp(&s, "Big", int64_t{1} << 40);
  SetOrdProp(&s, "Hot", 'z');
  SetOrdProp(&s, "WideHot", 0x0416);
  SetEnumProp(&s, "Visible", "false");
  SetEnumProp(&s, "Shade", "SHDARK");
  SetSetProp(&s, "Shades", "[shDark, shNone]");
  SetFloatProp(&s, "XRadius", 2.5);
  SetFloatProp(&s, "Scale", 0.125);
  SetStrProp(&s, "Caption", "Hello");
  SetWideStrProp(&s, "Text", u"\u0416x");
  EXPECT_EQ(42, s.Opacity());
  EXPECT_EQ(-300, s.Depth);
  EXPECT_EQ(int64_t{1} << 40, s.Big);
  EXPECT_EQ('z', s.Hot);
  EXPECT_EQ(u'\u0416', s.WideHot);
  EXPECT_FALSE(s.Visible);
  EXPECT_EQ(shDark, s.Shade);
  EXPECT_EQ((TShades{shNone, shDark}), s.Shades);
  EXPECT_FLOAT_EQ(2.5f, s.XRadius);
  EXPECT_EQ(u"\u0416x", s.Text);
  EXPECT_EQ(-300, GetOrdProp(&s, "Depth"));
  EXPECT_EQ("shDark", GetEnumProp(&s, "Shade"));
  EXPECT_EQ("False", GetEnumProp(&s, "Visible"));
  EXPECT_EQ("[shNone,shDark]", GetSetProp(&s, "Shades"));
  EXPECT_EQ("shNone,shDark", GetSetProp(&s, "Shades", false));
  EXPECT_DOUBLE_EQ(0.125, GetFloatProp(&s, "Scale"));
  EXPECT_EQ(ftExtended, GetPropInfo(&s, "Scale")->PropType->FloatType);
  EXPECT_EQ(ftSingle, GetPropInfo(&s, "XRadius")->PropType->FloatType);
  EXPECT_EQ(otUByte, GetPropInfo(&s, "Opacity")->PropType->OrdType);
  EXPECT_EQ("Hello", GetStrProp(&s, "Caption"));
  EXPECT_EQ(u"\u0416x", GetWideStrProp(&s, "Text"));
  EXPECT_EQ(3, GetOrdProp(&s, "Count"));
  SetOrdProp(&s, "Hot", 0xE9);  // a character above 127 reads back as itself
  EXPECT_EQ(0xE9, GetOrdProp(&s, "Hot"));
  EXPECT_THROW(SetOrdProp(&s, "Hot", 256), EPropertyError);
}

TEST(TypInfoAccess, DottedPathsReachOwnedObjectsAndClassPropertiesAssignByCopy) {
  TShape s(nullptr);
  SetOrdProp(&s, "Fill.Color", 7);
  EXPECT_EQ(7, s.Fill()->Color());
  EXPECT_EQ(TPropValue(int64_t{7}), GetPropValue(&s, "fill.color"));
  SetPropValue(&s, "Fill.Color", std::string("$10"));
  EXPECT_EQ(16, s.Fill()->Color());

  TFill other;
  other.SetColor(9);
  TFill* const owned = s.Fill();
  SetObjectProp(&s, "Fill", &other);
  EXPECT_EQ(owned, s.Fill());  // the owned value is kept and copied into
  EXPECT_EQ(9, s.Fill()->Color());
  EXPECT_EQ(owned, GetObjectProp(&s, "Fill"));

  TShape buddy(nullptr);
  SetObjectProp(&s, "Buddy", &buddy);
  SetStrProp(&s, "Buddy.Caption", "via buddy");
  EXPECT_EQ("via buddy", buddy.Caption);
  EXPECT_THROW(SetObjectProp(&s, "Buddy", &other), EPropertyError);  // a TFill is no TShape
  EXPECT_EQ(&buddy, s.Buddy());
}

TEST(TypInfoDefaults, DefaultsAndStoredPredicatesDecideWhatIsWritten) {
  TShape s(nullptr);
  auto isDefault = [&](const char* name) { return IsDefaultPropertyValue(&s, FindPropInfo(&s, name)); };
  auto stored = [&](const char* name) { return IsStoredProp(&s, FindPropInfo(&s, name)); };
  for (const char* name : {"Opacity", "Big", "Hot", "Visible", "Shade", "Shades", "XRadius", "Scale", "Caption",
                           "Text", "Buddy", "OnClick", "Tag"})
    EXPECT_TRUE(isDefault(name)) << name;
  EXPECT_FALSE(isDefault("Depth"));  // ordinal without a default: always written
  EXPECT_FALSE(isDefault("Angle"));  // nodefault
  EXPECT_FALSE(isDefault("Fill"));   // owned values are written through their own properties

  s.SetOpacity(99);
  s.XRadius = 0.2f;
  s.Shades = {};
  s.Scale = 0;
  s.Caption = "x";
  s.Text = std::u16string(1, u'y');  // g++ 12 at -O2 misreads a literal assigned here (-Wrestrict)
  s.Visible = false;
  for (const char* name : {"Opacity", "XRadius", "Shades", "Scale", "Caption", "Text", "Visible"})
    EXPECT_FALSE(isDefault(name)) << name;

  EXPECT_TRUE(stored("Caption"));
  s.Caption = "auto";
  EXPECT_FALSE(stored("Caption"));
  EXPECT_FALSE(stored("Secret"));
  EXPECT_FALSE(stored("Name"));
  EXPECT_TRUE(stored("Tag"));

  TCircle c(nullptr);
  EXPECT_TRUE(IsDefaultPropertyValue(&c, FindPropInfo(&c, "Opacity")));
}

TEST(TypInfoValues, VariantValuesConvertToThePropertysKind) {
  TShape s(nullptr);
  SetPropValue(&s, "Visible", std::string("FALSE"));
  SetPropValue(&s, "Shade", std::string("shLight"));
  SetPropValue(&s, "Shades", std::string("[]"));
  SetPropValue(&s, "XRadius", std::string("1.5"));
  SetPropValue(&s, "Angle", int64_t{3});
  SetPropValue(&s, "Caption", 2.5);
  SetPropValue(&s, "Text", std::string("abc"));
  SetPropValue(&s, "Depth", 7.0);
  EXPECT_FALSE(s.Visible);
  EXPECT_EQ(shLight, s.Shade);
  EXPECT_TRUE(s.Shades.Empty());
  EXPECT_FLOAT_EQ(1.5f, s.XRadius);
  EXPECT_DOUBLE_EQ(3.0, s.Angle);
  EXPECT_EQ("2.5", s.Caption);
  EXPECT_EQ(u"abc", s.Text);
  EXPECT_EQ(7, s.Depth);
  EXPECT_EQ(TPropValue(false), GetPropValue(&s, "Visible"));
  EXPECT_EQ(TPropValue(std::string("shLight")), GetPropValue(&s, "Shade"));
  EXPECT_EQ(TPropValue(std::string("[]")), GetPropValue(&s, "Shades"));

  EXPECT_EQ("shDark", GetEnumName(EnumTypeInfo<TShade>(), shDark));
  EXPECT_EQ(shLight, GetEnumValue(EnumTypeInfo<TShade>(), "SHLIGHT"));
  EXPECT_EQ(-1, GetEnumValue(EnumTypeInfo<TShade>(), "shPurple"));
  EXPECT_EQ("", GetEnumName(EnumTypeInfo<TShade>(), 7));
  EXPECT_EQ(1, GetEnumValue(BooleanTypeInfo(), "true"));
}

TEST(TypInfoErrors, BadNamesKindsAndValuesRaiseAndLeaveTheObjectAlone) {
  TShape s(nullptr);
  EXPECT_THROW(GetOrdProp(&s, "Nope"), EPropertyError);
  EXPECT_THROW(GetOrdProp(&s, "Fill.Nope"), EPropertyError);
  EXPECT_THROW(GetOrdProp(&s, "Caption.Length"), EPropertyError);  // not a class property
  EXPECT_THROW(GetOrdProp(&s, "Buddy.Tag"), EPropertyError);       // nil on the way
  EXPECT_THROW(GetOrdProp(&s, ""), EPropertyError);
  EXPECT_THROW(GetOrdProp(nullptr, "Tag"), EPropertyError);
  try {
    SetStrProp(&s, "Captoin", "x");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ("Unknown property: \"Captoin\"", e.what());
  }
  EXPECT_THROW(GetFloatProp(&s, "Caption"), EPropertyError);  // wrong kind
  EXPECT_THROW(SetOrdProp(&s, "Count", 4), EPropertyError);   // read-only
  EXPECT_FALSE(IsPublishedProp(&s, "Fill.Colour"));
  EXPECT_TRUE(IsPublishedProp(&s, "FILL.COLOR"));

  // Values that do not fit the property's range or type.
  EXPECT_THROW(SetOrdProp(&s, "Opacity", 101), EPropertyError);
  EXPECT_THROW(SetOrdProp(&s, "Depth", 40000), EPropertyError);
  EXPECT_THROW(SetOrdProp(&s, "Shade", 3), EPropertyError);
  EXPECT_THROW(SetOrdProp(&s, "Shades", 8), EPropertyError);
  EXPECT_THROW(SetEnumProp(&s, "Shade", "shPurple"), EPropertyConvertError);
  EXPECT_THROW(SetSetProp(&s, "Shades", "[shLight,shPurple]"), EPropertyConvertError);
  EXPECT_THROW(SetSetProp(&s, "Shades", "[shLight"), EPropertyConvertError);
  EXPECT_THROW(SetPropValue(&s, "Opacity", std::string("abc")), EConvertError);
  EXPECT_THROW(SetPropValue(&s, "XRadius", std::string("1,5")), EConvertError);
  EXPECT_THROW(SetPropValue(&s, "Depth", std::nan("")), EConvertError);
  EXPECT_THROW(SetPropValue(&s, "Depth", 1e300), EConvertError);
  EXPECT_THROW(SetPropValue(&s, "Fill", std::string("x")), EConvertError);
  EXPECT_EQ(100, s.Opacity());
  EXPECT_EQ(0, s.Depth);
  EXPECT_EQ(shNone, s.Shade);
  EXPECT_EQ(TShades{shLight}, s.Shades);
  EXPECT_EQ(0.1f, s.XRadius);
}

TEST(TypInfoEvents, EventBoundByNameCallsTheRootsMethod) {
  TShape root(nullptr), button(&root);
  BindEvent(&button, "OnClick", &root, "shapeclick");
  EXPECT_EQ("ShapeClick", button.OnClick.MethodName());
  EXPECT_EQ(&root, button.OnClick.Data());
  button.OnClick(&button);
  EXPECT_EQ(1, root.Clicks);
  EXPECT_EQ(0, button.Clicks);
  EXPECT_EQ(&button, root.LastSender);
  EXPECT_EQ("ShapeClick", GetMethodProp(&button, "OnClick").Name);
  EXPECT_TRUE(button.OnClick == TNotifyEvent(&root, &TShape::ShapeClick));
  EXPECT_FALSE(button.OnClick == TNotifyEvent(&button, &TShape::ShapeClick));
  EXPECT_FALSE(IsDefaultPropertyValue(&button, FindPropInfo(&button, "OnClick")));

  // Another signature or an unknown method is refused and the event stays as it was.
  EXPECT_THROW(BindEvent(&button, "OnClick", &root, "ShapeMoved"), EPropertyError);
  EXPECT_THROW(BindEvent(&button, "OnClick", &root, "NoSuchMethod"), EPropertyError);
  EXPECT_THROW(BindEvent(&button, "Caption", &root, "ShapeClick"), EPropertyError);
  button.OnClick(&button);
  EXPECT_EQ(2, root.Clicks);

  SetMethodProp(&button, "OnClick", TMethod{});
  EXPECT_TRUE(button.OnClick == nullptr);
  button.OnClick(&button);  // an empty event does nothing
  EXPECT_EQ(2, root.Clicks);
  EXPECT_THROW(TNotifyEvent::FromMethod(MethodByName(&root, "ShapeMoved")), EPropertyError);
}

}  // namespace
}  // namespace rtltest
