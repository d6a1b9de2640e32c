#include "scene3d/Light.h"

namespace dx {

rtl::TClass TdxLight::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxLight>()
                                          .Property("Enabled", &TdxLight::Enabled, &TdxLight::SetEnabled)
                                          .Default(true)
                                          .Property("LightType", &TdxLight::LightType, &TdxLight::SetLightType)
                                          .Default(dxLightDirectional)
                                          .Build();
  return &info;
}

TdxLight::TdxLight(rtl::TComponent* AOwner) : TComponent(AOwner) {}

TdxVector TdxLight::AbsolutePosition() const {
  const auto& m = absoluteMatrix_.M;
  return {m[3][0], m[3][1], m[3][2], 1};
}

TdxVector TdxLight::AbsoluteDirection() const {
  const auto& m = absoluteMatrix_.M;
  return {m[1][0], m[1][1], m[1][2], 0};
}

}  // namespace dx
