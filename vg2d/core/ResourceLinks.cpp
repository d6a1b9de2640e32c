#include "vg2d/core/ResourceLinks.h"

#include "vg2d/core/Registry.h"

namespace vg {

IvxLinkTarget* LinkTargetOf(rtl::TComponent* Object) { return dynamic_cast<IvxLinkTarget*>(Object); }

std::string ResourceNameOf(rtl::TComponent* Object) {
  auto* named = dynamic_cast<IvxResourceObject*>(Object);
  return named ? named->ResourceName() : std::string();
}

}  // namespace vg
