// must not compile: RTL_CLASS\(TGauge, rtl::TComponent\): rtl::TComponent is not the nearest RTL_CLASS ancestor
// A class that names a base it does not derive from.
#include "platform/rtl/Component.h"

class TGauge : public rtl::TPersistent {
  RTL_CLASS(TGauge, rtl::TComponent)
};
