// A light of the scene: a visual object that hands itself to the canvas in the light pass of
// each frame (after the lights among its children), where the canvas turns it into a device
// light from its kind, its absolute position and the Y axis of its absolute matrix. In design
// mode it shows a small gizmo and can be picked.
#pragma once

#include <cstdint>

#include "platform/rtl/TypInfo.h"
#include "scene3d/Maths.h"
#include "scene3d/VisualObjects.h"

namespace dx {

RTL_ENUM_OF(TdxLightType, std::uint8_t, dxLightDirectional, dxLightPoint, dxLightSpot);

class TdxLight : public TdxVisualObject {
  RTL_CLASS(TdxLight, TdxVisualObject)
public:
  // Not hit-testable, no resize handles in a designer.
  explicit TdxLight(rtl::TComponent* AOwner = nullptr);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  TdxLightType LightType() const { return lightType_; }
  // Stores only: the next frame sets the light up anew.
  void SetLightType(TdxLightType Value) { lightType_ = Value; }

  // Where the light shines: the Y axis of the absolute matrix (W = 0). (On other visual
  // objects AbsoluteDirection is the Z axis.)
  TdxVector AbsoluteDirection() const { return AbsoluteUp(); }

  void ApplyLights() override;
  void Render() override;
  // Drawn only in a designer.
  bool DrawsContent() const override;
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

private:
  bool enabled_ = true;
  TdxLightType lightType_ = dxLightDirectional;
};

}  // namespace dx
