#include "scene3d/Light.h"

#include <cmath>
#include <typeinfo>

#include "scene3d/Canvas.h"

namespace dx {

rtl::TClass TdxLight::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxLight>()
                                          .Property("Enabled", &TdxLight::Enabled, &TdxLight::SetEnabled)
                                          .Default(true)
                                          .Property("LightType", &TdxLight::LightType, &TdxLight::SetLightType)
                                          .Default(dxLightDirectional)
                                          .Property("HitTest", &TdxLight::HitTest, &TdxLight::SetHitTest)
                                          .Default(false)
                                          .Build();
  return &info;
}

TdxLight::TdxLight(rtl::TComponent* AOwner) : TdxVisualObject(AOwner) {
  SetHitTest(false);
  SetDesignResizable(false);
}

void TdxLight::ApplyLights() {
  inherited::ApplyLights();
  if (!enabled_) return;
  if (TdxCanvas* canvas = GetCanvas()) canvas->AddLight(this);
}

bool TdxLight::DrawsContent() const { return typeid(*this) != typeid(TdxLight) || InDesign() || HandlersDraw(); }

void TdxLight::Render() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas || !InDesign()) return;
  canvas->SetRenderState(rsLightingOff);
  TdxMaterial& m = canvas->Material();
  m.SetDiffuseColor(0xFFFFFFFF);
  m.SetBitmap("");
  m.SetLighting(false);
  const TdxVector origin{0, 0, 0, 1};
  canvas->FillCube(origin, {0.8f, 0.8f, 0.8f, 0}, 1);
  switch (lightType_) {
    case dxLightDirectional: canvas->DrawLine(origin, {0, 5, 0, 1}, 1); break;
    case dxLightPoint:
      // Two circles of radius 2: one in the XY plane, one in the XZ plane.
      for (int i = 1; i <= 18; ++i) {
        float s, c;
        dxSinCos(dxDegToRad(20.0f * static_cast<float>(i)), s, c);
        canvas->DrawLine(origin, {2 * c, 2 * s, 0, 1}, 1);
      }
      for (int i = 1; i <= 18; ++i) {
        float s, c;
        dxSinCos(dxDegToRad(20.0f * static_cast<float>(i)), s, c);
        canvas->DrawLine(origin, {2 * c, 0, 2 * s, 1}, 1);
      }
      break;
    case dxLightSpot: {
      const TdxVector rays[4] = {{0.2f, 1, -0.2f, 0}, {0.2f, 1, 0.2f, 0}, {-0.2f, 1, 0.2f, 0}, {-0.2f, 1, -0.2f, 0}};
      for (const TdxVector& r : rays) {
        const TdxVector d = dxVectorNormalize(r);
        canvas->DrawLine(origin, {5 * d.X, 5 * d.Y, 5 * d.Z, 1}, 1);
      }
      break;
    }
  }
  canvas->SetRenderState(rsLightingOn);
}

bool TdxLight::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  if (!InDesign()) return false;
  return BoxRayCast(RayPos, RayDir, {Width(), Height(), Depth(), 0}, 0.501f, Hit);
}

}  // namespace dx
