// A light of the scene as the canvas sets it up at the start of a frame: its kind, whether it
// shines, and where it stands and points in scene coordinates. In the scene tree a light is a
// visual object whose absolute matrix comes from its place in the tree; here the matrix is set
// by whoever places the light.
#pragma once

#include <cstdint>

#include "platform/rtl/Component.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/Maths.h"

namespace dx {

RTL_ENUM_OF(TdxLightType, std::uint8_t, dxLightDirectional, dxLightPoint, dxLightSpot);

class TdxLight : public rtl::TComponent {
  RTL_CLASS(TdxLight, rtl::TComponent)
public:
  explicit TdxLight(rtl::TComponent* AOwner = nullptr);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  TdxLightType LightType() const { return lightType_; }
  void SetLightType(TdxLightType Value) { lightType_ = Value; }

  const TdxMatrix& GetAbsoluteMatrix() const { return absoluteMatrix_; }
  void SetAbsoluteMatrix(const TdxMatrix& Value) { absoluteMatrix_ = Value; }
  // The origin of the absolute matrix (W = 1).
  TdxVector AbsolutePosition() const;
  // Where the light shines: the Y axis of the absolute matrix (W = 0).
  TdxVector AbsoluteDirection() const;

private:
  bool enabled_ = true;
  TdxLightType lightType_ = dxLightDirectional;
  TdxMatrix absoluteMatrix_ = IdentityMatrix;
};

}  // namespace dx
