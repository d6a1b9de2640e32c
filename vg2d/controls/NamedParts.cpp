#include "platform/rtl/SysUtils.h"
#include "vg2d/controls/StyleParts.h"

namespace vg {

TvxObject* FindNamedObject(TvxObject* Root, const std::string& Name) {
  if (!Root) return nullptr;
  std::vector<TvxObject*> all;
  Root->AddObjectsToList(all);
  for (TvxObject* o : all)
    if (rtl::SameText(o->ResourceName(), Name)) return o;
  return nullptr;
}

}  // namespace vg
