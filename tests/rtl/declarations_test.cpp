// Declaring published classes: the parent taken from RTL_CLASS, enumerations declared with
// their names, the SetField setter helper and the property-table Assign.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/rtl/TestShapes.h"

namespace rtltest {
namespace {

RTL_ENUM_OF(TRange, std::uint8_t, rgLow, rgMid, rgHigh);

class TGauge : public TPersistent {
  RTL_CLASS(TGauge, TPersistent)
public:
  void Assign(const TPersistent* Source) override {
    if (!AssignProperties(this, Source)) return inherited::Assign(Source);
    OnChange(this);
  }
  int32_t Span() const { return span_; }
  void SetSpan(int32_t Value) { SetField(span_, Value, &TGauge::OnChange); }
  TRange Range() const { return range_; }
  void SetRange(TRange Value) { SetField(range_, Value, &TGauge::RangeChanged); }

  TNotifyEvent OnChange;
  int RangeChanges = 0;

private:
  void RangeChanged() { ++RangeChanges; }
  int32_t span_ = 10;
  TRange range_ = rgMid;
};

// A helper class without RTL_CLASS between two declared ones is passed over.
class TGaugeBase : public TGauge {};

class TDial : public TGaugeBase {
  RTL_CLASS(TDial, TGauge)
public:
  float Sweep() const { return sweep_; }
  void SetSweep(float Value) { SetField(sweep_, Value, &TDial::OnChange); }

private:
  float sweep_ = 270;
};

}  // namespace

TClass TGauge::StaticClass() {
  static const TClassInfo info = DefineClass<TGauge>()
                                     .Property("Span", &TGauge::Span, &TGauge::SetSpan).Default(10)
                                     .Property("Range", &TGauge::Range, &TGauge::SetRange).Default(rgMid)
                                     .Build();
  return &info;
}

TClass TDial::StaticClass() {
  static const TClassInfo info = DefineClass<TDial>().Property("Sweep", &TDial::Sweep, &TDial::SetSweep).Build();
  return &info;
}

namespace {

TEST(Declarations, TheParentAndTheNameComeFromTheClassMacro) {
  TClass dial = TDial::StaticClass();
  EXPECT_EQ(dial->Name, "TDial");
  EXPECT_EQ(dial->Parent, TGauge::StaticClass());
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropInfos(dial)) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Span", "Range", "Sweep"}));
  TDial d;
  EXPECT_EQ(d.ClassName(), "TDial");
  EXPECT_TRUE(d.Is<TGauge>());
}

TEST(Declarations, EnumerationsCarryTheNamesTheyWereDeclaredWith) {
  const TTypeInfo* range = EnumTypeInfo<TRange>();
  EXPECT_EQ(range->Name, "TRange");
  EXPECT_EQ(range->MinValue, 0);
  EXPECT_EQ(range->MaxValue, 2);
  EXPECT_EQ(GetEnumName(range, rgHigh), "rgHigh");
  EXPECT_EQ(GetEnumValue(range, "RGMID"), rgMid);
  TGauge g;
  SetEnumProp(&g, "Range", "rgLow");
  EXPECT_EQ(g.Range(), rgLow);
  EXPECT_EQ(GetEnumProp(&g, "Range"), "rgLow");
}

TEST(Declarations, SetFieldNotifiesOncePerRealChange) {
  TDial d;
  int changes = 0;
  d.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &d);
    ++changes;
  };
  d.SetSpan(10);
  d.SetSweep(270);
  EXPECT_EQ(changes, 0);
  d.SetSpan(12);
  d.SetSweep(90);
  EXPECT_EQ(changes, 2);
  d.SetRange(rgHigh);
  d.SetRange(rgHigh);
  EXPECT_EQ(d.RangeChanges, 1);
  EXPECT_EQ(changes, 2);
}

TEST(AssignProperties, CopiesFromTheSameClassOrADescendantWithTheSettersHeld) {
  TDial source;
  source.SetSpan(40);
  source.SetRange(rgLow);
  TGauge dest;
  int changes = 0;
  dest.OnChange = [&](TObject*) { ++changes; };
  dest.Assign(&source);
  EXPECT_EQ(dest.Span(), 40);
  EXPECT_EQ(dest.Range(), rgLow);
  EXPECT_EQ(changes, 1);            // once, by Assign; the setters' notifications were held
  EXPECT_EQ(dest.RangeChanges, 0);
  dest.SetSpan(41);                 // and only for that copy
  EXPECT_EQ(changes, 2);

  TDial dial;
  EXPECT_THROW(dial.Assign(&dest), EConvertError);  // a parent is no source
  EXPECT_EQ(dial.Span(), 10);
  dest.Assign(&dest);  // itself: nothing copied
  EXPECT_EQ(dest.Span(), 41);
}

TEST(AssignProperties, OwnedValuesAreCopiedReferencesSharedEventsAndUnstoredValuesLeft) {
  TShape buddy(nullptr);
  TCircle source(nullptr);
  source.Fill()->SetColor(0x336699);
  source.SetBuddy(&buddy);
  source.Radius = 4;
  source.Caption = "auto";  // not stored: left alone
  source.Secret = 7;        // stored false: left alone
  source.OnClick = [](TObject*) {};
  TShape dest(nullptr);
  dest.Caption = "mine";
  ASSERT_TRUE(AssignProperties(&dest, &source));
  EXPECT_EQ(dest.Opacity(), 50);
  EXPECT_NE(dest.Fill(), source.Fill());
  EXPECT_EQ(dest.Fill()->Color(), 0x336699);
  EXPECT_EQ(dest.Buddy(), &buddy);
  EXPECT_EQ(dest.Caption, "mine");
  EXPECT_EQ(dest.Secret, 0);
  EXPECT_FALSE(dest.OnClick.Assigned());
  EXPECT_FALSE(AssignProperties(&source, &dest));  // TShape is no TCircle
  EXPECT_EQ(source.Radius, 4);
}

}  // namespace
}  // namespace rtltest
