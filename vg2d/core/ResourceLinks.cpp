#include "vg2d/core/ResourceLinks.h"

#include <utility>

namespace vg {

namespace {
TvxResourceFinder& Finder() {
  static TvxResourceFinder finder;
  return finder;
}
}  // namespace

IvxLinkTarget* LinkTargetOf(rtl::TComponent* Object) { return dynamic_cast<IvxLinkTarget*>(Object); }

void SetResourceFinder(TvxResourceFinder Finder_) { Finder() = std::move(Finder_); }

rtl::TComponent* FindResourceByName(const std::string& Name) {
  const TvxResourceFinder& f = Finder();
  return f ? f(Name) : nullptr;
}

}  // namespace vg
