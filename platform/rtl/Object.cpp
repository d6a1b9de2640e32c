#include "platform/rtl/Object.h"

namespace rtl {

bool TClassInfo::InheritsFrom(TClass other) const {
  for (TClass c = this; c; c = c->Parent)
    if (c == other) return true;
  return false;
}

TClass TObject::StaticClass() {
  static const TClassInfo info{"TObject", nullptr, {}, {}, {}};
  return &info;
}

TClass TPersistent::StaticClass() {
  static const TClassInfo info{"TPersistent", TObject::StaticClass(), {}, {}, {}};
  return &info;
}

void TPersistent::Assign(const TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignTo(this);  // assigning nil: the class decides, the base refuses
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  // Source is this object; when called for a nil source, this == Dest.
  const std::string source = Dest == this ? std::string("nil") : ClassName();
  throw EConvertError("Cannot assign a " + source + " to a " + Dest->ClassName());
}

std::string TPersistent::GetNamePath() const { return ClassName(); }

void TPersistent::DefineProperties(TFiler*) {}

}  // namespace rtl
