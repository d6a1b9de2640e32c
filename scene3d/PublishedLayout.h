// The properties that the visual object declares and leaves unpublished, published by the
// classes that offer them to streams and the designer: alignment, spacing and physics.
#pragma once

#include "platform/rtl/TypInfo.h"
#include "scene3d/VisualObjects.h"

namespace dx {

template <class C>
rtl::TClassBuilder<C>& PublishLayout(rtl::TClassBuilder<C>&& B) {
  return B.Property("Align", &C::Align, &C::SetAlign)
      .Default(dxNone)
      .Property("Body", &C::Body)
      .Stored(false)
      .Property("Collider", &C::Collider, &C::SetCollider)
      .Default(false)
      .Property("ColliseTrack", &C::ColliseTrack, &C::SetColliseTrack)
      .Default(false)
      .Property("Dynamic", &C::Dynamic, &C::SetDynamic)
      .Default(false)
      .Property("Velocity", &C::Velocity, &C::SetVelocity)
      .Property("Margins", &C::Margins, &C::SetMargins)
      .Property("Padding", &C::Padding, &C::SetPadding);
}

}  // namespace dx
