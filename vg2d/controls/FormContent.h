// The content of a small window made in code: a scene filling the form whose root object
// is read from compiled-in component text, and the parts of that content found by their
// resource names.
#pragma once

#include <string>

#include "platform/rtl/SysUtils.h"
#include "vg2d/controls/StyleParts.h"

namespace win {
class TForm;
}

namespace vg {

class TvxScene;
class TvxVisualObject;

// Puts a scene filling Form (transparent when asked, so that a Hud window's own shape is
// the window's) and adds to it the root read from the component text ResourceName, aligned
// to the client; the scene is the form's active control, so that it takes the keys. A
// text with anything that cannot be read, or that gives no visual root, raises EReadError
// saying what and where (ReadObjectFromText).
TvxVisualObject* LoadFormContent(win::TForm* Form, const char* ResourceName, bool Transparent, TvxScene*& Scene);

// Moves Form over the middle of the active window, kept wholly on the screen; leaves it
// where it is when none is active.
void PlaceOverActiveForm(win::TForm* Form);

// The part of Root's tree named Name; a missing part, or one of another class, raises
// EReadError naming What (the window) and the part.
template <class T>
T* NeedPart(TvxObject* Root, const std::string& Name, const std::string& What) {
  T* part = dynamic_cast<T*>(FindNamedObject(Root, Name));
  if (!part) throw rtl::EReadError("The " + What + "'s content has no part " + Name);
  return part;
}

}  // namespace vg
