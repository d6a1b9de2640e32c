// A box in screen space centred on its position, for tests that pick objects with the mouse.
#pragma once

#include "scene3d/VisualObjects.h"

namespace dxtest {

// The ray meets it within its width, height and depth around its position.
class ScreenBox : public dx::TdxVisualObject {
public:
  using dx::TdxVisualObject::TdxVisualObject;
  bool RayCastIntersect(const dx::TdxVector& P, const dx::TdxVector& D, dx::TdxVector& Hit) override {
    return BoxRayCast(P, D, {Width(), Height(), Depth(), 0}, 0.5f, Hit);
  }
};

}  // namespace dxtest
