// must not compile: RTL_CLASS\(TLeaf, rtl::TPersistent\): rtl::TPersistent is not the nearest RTL_CLASS ancestor
// A class that names its grandparent: its parent's published properties would be lost.
#include "platform/rtl/Object.h"

class TMiddle : public rtl::TPersistent {
  RTL_CLASS(TMiddle, rtl::TPersistent)
};

class TLeaf : public TMiddle {
  RTL_CLASS(TLeaf, rtl::TPersistent)
};
