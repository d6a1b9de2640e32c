// must not compile: the class has no RTL_CLASS of its own
// Nor can its record be built.
#include "platform/rtl/TypInfo.h"

class TMiddle : public rtl::TPersistent {
  RTL_CLASS(TMiddle, rtl::TPersistent)
};

class TNoMacro : public TMiddle {};

rtl::TClass Define() {
  static const rtl::TClassInfo info = rtl::DefineClass<TNoMacro>().Build();
  return &info;
}
