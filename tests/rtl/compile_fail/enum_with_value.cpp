// must not compile: RTL_ENUM: values count from 0, no = value
// The value names are read from the list, so the values must be the implicit ones.
#include "platform/rtl/TypInfo.h"

RTL_ENUM(TGap, gpNone, gpWide = 5);
