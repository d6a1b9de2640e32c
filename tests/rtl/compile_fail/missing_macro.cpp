// must not compile: the class has no RTL_CLASS of its own
// A class without RTL_CLASS would answer with its parent's record; it cannot be registered.
#include "platform/rtl/Object.h"

class TMiddle : public rtl::TPersistent {
  RTL_CLASS(TMiddle, rtl::TPersistent)
};

class TNoMacro : public TMiddle {};

void Register() { rtl::RegisterClasses<TMiddle, TNoMacro>(); }
