// The one way a window or a page binds to its parts: once, after its text is read, into a
// typed struct of pointers, each found by the component name the text gives it. The struct and
// the calls are written from the text at build time (tools/formgen, "app/ui/forms/<text>.h"):
//
//   BindFormParts(TPartBinder(this, WindowName()), parts_);
//
// A missing part, or a part of another class than the struct expects, raises rtl::EReadError
// naming the part and the window; nothing is bound by chance.
#pragma once

#include <string>

#include "platform/rtl/Component.h"
#include "platform/rtl/SysUtils.h"

namespace app {

class TPartBinder {
public:
  // Parts are looked for among Owner's components (a window or a page); Where names it in
  // the messages ("Form_3D_GEN", "the page Page_CFG of Form_3D_GEN").
  TPartBinder(const rtl::TComponent* Owner, std::string Where) : owner_(Owner), where_(std::move(Where)) {}

  template <class T>
  T* Need(const std::string& Name) const {
    rtl::TComponent* found = owner_->FindComponent(Name);
    if (!found) throw rtl::EReadError(where_ + " has no part " + Name);
    T* part = dynamic_cast<T*>(found);
    if (!part)
      throw rtl::EReadError("The part " + Name + " of " + where_ + " is a " + found->ClassName() + ", not a " +
                            T::RtlClassName);
    return part;
  }

  template <class T>
  void operator()(T*& Part, const std::string& Name) const {
    Part = Need<T>(Name);
  }

private:
  const rtl::TComponent* owner_;
  std::string where_;
};

}  // namespace app
