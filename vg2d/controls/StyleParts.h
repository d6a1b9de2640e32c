// Finding the named parts of a control's style: a part is used only when it exists and is
// of the class the control expects; anything else is skipped without a word, and the
// value the control was to push stays stored in the control.
#pragma once

#include <string>

#include "vg2d/core/Objects.h"

namespace vg {

template <class T>
T* FindPart(TvxObject* Control, const std::string& Name) {
  return dynamic_cast<T*>(Control->FindResource(Name));
}

// The first object of Root's tree (Root included, depth first) whose ResourceName is Name
// (case ignored): how the design windows find the parts of their content; nil when none.
TvxObject* FindNamedObject(TvxObject* Root, const std::string& Name);

// A property value as a caption: nothing gives the empty text; numbers and Booleans their
// usual text.
std::u16string PropValueToText(const rtl::TPropValue& Value);

}  // namespace vg
