// Small visual objects of the scene tree with no surface of their own: a camera (a
// viewpoint), a dummy (an empty grouping node) and a proxy (draws another object in its own
// place). Camera and dummy show a gizmo and can be picked only in design mode; the objects a
// scene makes for its own design work carry the Tag DesignObjectTag and draw no gizmo.
#pragma once

#include "scene3d/Canvas.h"
#include "scene3d/Light.h"
#include "scene3d/VisualObjects.h"

namespace dx {

// The Tag of the objects a scene makes for its own design work.
inline constexpr int DesignObjectTag = 65534;

// Looks along its local +Y axis with its local Z axis up, or toward its Target when set.
class TdxCamera : public TdxVisualObject, public IdxCamera {
  RTL_CLASS(TdxCamera, TdxVisualObject)
public:
  // At (0, -10, 0), looking at the origin; not hit-testable, no resize handles.
  explicit TdxCamera(rtl::TComponent* AOwner);
  void BeforeDestruction() override;

  // Not owned; forgotten when freed.
  TdxVisualObject* Target() const { return target_; }
  void SetTarget(TdxVisualObject* Value);

  // A design click looks through this camera (the host's camera is kept aside); the next one
  // gives the host its camera back.
  void DesignClick() override;
  // Between a design click and the next: a designing scene whose camera this is draws through it.
  bool LookingThrough() const { return lookingThrough_; }
  // The scene took another camera (or none): this one is no longer looked through, and the
  // next design click looks through it again.
  void StopLookingThrough();
  void Render() override;
  // Drawn only in a designer.
  bool DrawsContent() const override;
  // Design mode only: a sphere of radius 1 about the origin; the hit is the camera's place.
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

  TdxMatrix CameraAbsoluteMatrix() const override { return GetAbsoluteMatrix(); }
  bool CameraTarget(TdxVector& Position) const override;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void Resubscribe(rtl::TComponent* Old, rtl::TComponent* New);

  TdxVisualObject* target_ = nullptr;
  // The host's camera while a design click looks through this one.
  TdxCamera* savedCamera_ = nullptr;
  bool lookingThrough_ = false;
};

class TdxDummy : public TdxVisualObject {
  RTL_CLASS(TdxDummy, TdxVisualObject)
public:
  // Not hit-testable.
  explicit TdxDummy(rtl::TComponent* AOwner);
  // Design mode: a half transparent wire box of its size (not when locked).
  void Render() override;
  // Drawn only in a designer.
  bool DrawsContent() const override;
  // Design mode only: its box.
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
};

// Draws SourceObject (with its children) once more, at the proxy's place and size, without
// moving it. A source that would draw the proxy again (the proxy itself, or one of its
// ancestors) is drawn once, not over and over.
class TdxProxyObject : public TdxVisualObject {
  RTL_CLASS(TdxProxyObject, TdxVisualObject)
public:
  explicit TdxProxyObject(rtl::TComponent* AOwner);
  void BeforeDestruction() override;

  // Not owned; a change repaints; freeing the source clears it.
  TdxVisualObject* SourceObject() const { return sourceObject_; }
  void SetSourceObject(TdxVisualObject* Value);

  void Render() override;
  // At run time only: its box.
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  TdxVisualObject* sourceObject_ = nullptr;
  bool rendering_ = false;
};

// Registers the camera, the light, the dummy and the proxy under "Scene".
void RegisterDxSceneObjectClasses();

}  // namespace dx
