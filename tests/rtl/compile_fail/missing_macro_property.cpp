// must not compile: the class has no RTL_CLASS of its own
// Nor can it be the type of a published property.
#include "platform/rtl/TypInfo.h"

class TMiddle : public rtl::TPersistent {
  RTL_CLASS(TMiddle, rtl::TPersistent)
};

class TNoMacro : public TMiddle {};

class THolder : public rtl::TPersistent {
  RTL_CLASS(THolder, rtl::TPersistent)
public:
  TNoMacro* Part() const { return nullptr; }
};

rtl::TClass THolder::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<THolder>().Property("Part", &THolder::Part).Build();
  return &info;
}
