#include "vg2d/core/ResourceLinks.h"

#include "vg2d/core/Registry.h"

namespace vg {

IvxLinkTarget* LinkTargetOf(rtl::TComponent* Object) { return dynamic_cast<IvxLinkTarget*>(Object); }

std::string ResourceNameOf(rtl::TComponent* Object) {
  auto* named = dynamic_cast<IvxResourceObject*>(Object);
  return named ? named->ResourceName() : std::string();
}

IvxLinkTarget* TvxResourceLink::Target() const { return LinkTargetOf(object_); }

bool TvxResourceLink::Set(rtl::TComponent* Value, IvxFreeNotification* Holder) {
  if (Value && !LinkTargetOf(Value)) Value = nullptr;  // only tree objects can be referred to
  if (Value == object_) return false;
  if (IvxLinkTarget* old = Target()) old->RemoveFreeNotify(Holder);
  object_ = Value;
  if (IvxLinkTarget* link = Target()) {
    name_ = ResourceNameOf(object_);
    link->AddFreeNotify(Holder);
  } else {
    name_.clear();
  }
  return true;
}

bool TvxResourceLink::SetName(const std::string& Value) {
  if (Value == name_) return false;
  name_ = Value;
  return true;
}

rtl::TComponent* TvxResourceLink::FindNamed(bool (*Carries)(IvxLinkTarget&)) const {
  if (object_ || name_.empty()) return nullptr;
  rtl::TComponent* found = FindResourceObject(name_);
  IvxLinkTarget* link = LinkTargetOf(found);
  return link && Carries(*link) ? found : nullptr;
}

void TvxResourceLink::Clear(IvxFreeNotification* Holder) {
  if (IvxLinkTarget* old = Target()) old->RemoveFreeNotify(Holder);
  object_ = nullptr;
  name_.clear();
}

}  // namespace vg
