// The forms the snippets beside this one get wrong, written right: a class between two
// declared ones that has no RTL_CLASS of its own is passed over.
#include <cstdint>

#include "platform/rtl/TypInfo.h"

RTL_ENUM_OF(TLevel, std::uint8_t, lvLow, lvHigh);

class TMiddle : public rtl::TPersistent {
  RTL_CLASS(TMiddle, rtl::TPersistent)
public:
  void Assign(const rtl::TPersistent* Source) override {
    if (!rtl::AssignProperties(this, Source)) inherited::Assign(Source);
  }
  TLevel Level() const { return level_; }
  void SetLevel(TLevel Value) { SetField(level_, Value, &TMiddle::OnChange); }
  rtl::TNotifyEvent OnChange;

private:
  TLevel level_ = lvLow;
};

class THelper : public TMiddle {};

class TLeaf : public THelper {
  RTL_CLASS(TLeaf, TMiddle)
};

rtl::TClass TMiddle::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TMiddle>().Property("Level", &TMiddle::Level, &TMiddle::SetLevel).Default(lvLow).Build();
  return &info;
}

rtl::TClass TLeaf::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TLeaf>().Build();
  return &info;
}

void Register() { rtl::RegisterClasses<TMiddle, TLeaf>(); }
