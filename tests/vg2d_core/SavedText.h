// An object as its text form saves it: what a stored form file would hold.
#pragma once

#include <string>

#include "platform/rtl/Streams.h"
#include "vg2d/core/Objects.h"

namespace vgtest {

inline std::string TextOf(vg::TvxObject* O) {
  rtl::TMemoryStream s;
  O->SaveToTextStream(&s);
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

}  // namespace vgtest
