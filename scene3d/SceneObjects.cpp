#include "scene3d/SceneObjects.h"

#include <typeinfo>

#include "scene3d/Canvas.h"
#include "scene3d/PublishedLayout.h"

namespace dx {

namespace {

bool IsDesignObject(const TdxVisualObject* O) { return O->Tag() == DesignObjectTag; }

}  // namespace

// ---- camera -------------------------------------------------------------------------------------

rtl::TClass TdxCamera::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxCamera>()
                                          .Property("HitTest", &TdxCamera::HitTest, &TdxCamera::SetHitTest)
                                          .Default(false)
                                          .Property("Target", &TdxCamera::Target, &TdxCamera::SetTarget)
                                          .Build();
  return &info;
}

TdxCamera::TdxCamera(rtl::TComponent* AOwner) : TdxVisualObject(AOwner) {
  SetHitTest(false);
  SetDesignResizable(false);
  Position()->SetPoint({0, -10, 0});
}

void TdxCamera::BeforeDestruction() {
  if (target_) RemoveFreeNotification(target_);
  if (savedCamera_) RemoveFreeNotification(savedCamera_);
  target_ = nullptr;
  savedCamera_ = nullptr;
  inherited::BeforeDestruction();
}

void TdxCamera::Resubscribe(rtl::TComponent* Old, rtl::TComponent* New) {
  if (Old == New) return;
  // The other reference may hold the same object: keep the subscription while one does.
  if (Old && Old != this && Old != target_ && Old != savedCamera_) RemoveFreeNotification(Old);
  if (New && New != this) FreeNotification(New);
}

void TdxCamera::SetTarget(TdxVisualObject* Value) {
  TdxVisualObject* old = target_;
  target_ = Value;
  Resubscribe(old, Value);
}

void TdxCamera::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == target_) {
    target_ = nullptr;
    RecalcMatrix();
  }
  // A freed camera cannot be given back: the next design click hands the host no camera.
  if (AComponent == savedCamera_) savedCamera_ = nullptr;
}

bool TdxCamera::CameraTarget(TdxVector& Position) const {
  if (!target_) return false;
  Position = target_->AbsolutePosition();
  return true;
}

void TdxCamera::DesignClick() {
  IdxScene* s = Scene();
  if (!s) return;
  if (!lookingThrough_) {
    TdxCamera* old = savedCamera_;
    savedCamera_ = s->GetCamera();
    Resubscribe(old, savedCamera_);
    lookingThrough_ = true;
    s->SetCamera(this);
    Repaint();
    return;
  }
  TdxCamera* back = savedCamera_;
  StopLookingThrough();
  s->SetCamera(back);
}

void TdxCamera::StopLookingThrough() {
  TdxCamera* saved = savedCamera_;
  savedCamera_ = nullptr;
  Resubscribe(saved, nullptr);
  lookingThrough_ = false;
}

bool TdxCamera::DrawsContent() const { return typeid(*this) != typeid(TdxCamera) || InDesign() || HandlersDraw(); }

void TdxCamera::Render() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas || !InDesign() || IsDesignObject(this)) return;
  canvas->SetRenderState(rsLightingOff);
  TdxMaterial& m = canvas->Material();
  m.SetBitmap("");
  m.SetLighting(false);
  m.SetDiffuseColor(0xFF60A799);
  canvas->FillCube({0, 0, 0, 1}, {0.8f, 0.8f, 0.8f, 0}, 1);
  m.SetDiffuseColor(0xFF9C60A7);
  canvas->FillCube({0, 0.5f, 0, 1}, {0.3f, 1.4f, 0.3f, 0}, 1);
  canvas->DrawLine({0, 0, 0, 1}, {0, 1000, 0, 1}, 1);
  canvas->SetRenderState(rsLightingOn);
}

bool TdxCamera::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  if (!InDesign()) return false;
  if (!dxRayHitsSphere(RayPos, RayDir, {0, 0, 0, 1}, 1)) return false;
  Hit = AbsolutePosition();
  return true;
}

// ---- dummy ---------------------------------------------------------------------------------------

rtl::TClass TdxDummy::StaticClass() {
  static const rtl::TClassInfo info = PublishLayout(rtl::DefineClass<TdxDummy>())
                                          .Property("HitTest", &TdxDummy::HitTest, &TdxDummy::SetHitTest)
                                          .Default(false)
                                          .Build();
  return &info;
}

TdxDummy::TdxDummy(rtl::TComponent* AOwner) : TdxVisualObject(AOwner) { SetHitTest(false); }

bool TdxDummy::DrawsContent() const { return typeid(*this) != typeid(TdxDummy) || InDesign() || HandlersDraw(); }

void TdxDummy::Render() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas || !InDesign() || IsDesignObject(this) || Locked()) return;
  canvas->Material().SetDiffuseColor(0x8060A799);
  canvas->DrawCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 0}, GetAbsoluteOpacity());
}

bool TdxDummy::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  if (!InDesign()) return false;
  return BoxRayCast(RayPos, RayDir, {Width(), Height(), Depth(), 0}, 0.501f, Hit);
}

// ---- proxy ---------------------------------------------------------------------------------------

rtl::TClass TdxProxyObject::StaticClass() {
  static const rtl::TClassInfo info =
      PublishLayout(rtl::DefineClass<TdxProxyObject>())
          .Property("SourceObject", &TdxProxyObject::SourceObject, &TdxProxyObject::SetSourceObject)
          .Build();
  return &info;
}

TdxProxyObject::TdxProxyObject(rtl::TComponent* AOwner) : TdxVisualObject(AOwner) {}

void TdxProxyObject::BeforeDestruction() {
  if (sourceObject_) RemoveFreeNotification(sourceObject_);
  sourceObject_ = nullptr;
  inherited::BeforeDestruction();
}

void TdxProxyObject::SetSourceObject(TdxVisualObject* Value) {
  if (Value == sourceObject_) return;
  if (sourceObject_) RemoveFreeNotification(sourceObject_);
  sourceObject_ = Value;
  if (sourceObject_) FreeNotification(sourceObject_);
  Repaint();
}

void TdxProxyObject::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == sourceObject_) SetSourceObject(nullptr);
}

void TdxProxyObject::Render() {
  TdxVisualObject* source = sourceObject_;
  if (!source || rendering_) return;
  rendering_ = true;
  const TdxMatrix savedMatrix = source->GetAbsoluteMatrix();
  const float w = source->Width(), h = source->Height(), d = source->Depth();
  // The source's children take their matrices from the lent one, and back afterwards.
  source->InvalidateMatrix();
  source->SetAbsoluteMatrix(GetAbsoluteMatrix());
  source->SetSizeNoChange(Width(), Height(), Depth());
  try {
    source->BeforePaint();
    source->Render();
    source->AfterPaint();
    source->Paint();
  } catch (...) {
    source->InvalidateMatrix();
    source->SetAbsoluteMatrix(savedMatrix);
    source->SetSizeNoChange(w, h, d);
    rendering_ = false;
    throw;
  }
  source->InvalidateMatrix();
  source->SetAbsoluteMatrix(savedMatrix);
  source->SetSizeNoChange(w, h, d);
  rendering_ = false;
}

bool TdxProxyObject::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  if (InDesign()) return false;
  return BoxRayCast(RayPos, RayDir, {Width(), Height(), Depth(), 0}, 0.501f, Hit);
}

void RegisterDxSceneObjectClasses() {
  RegisterDxClasses("Scene", {TdxCamera::StaticClass(), TdxLight::StaticClass(), TdxDummy::StaticClass(),
                              TdxProxyObject::StaticClass()});
}

}  // namespace dx
