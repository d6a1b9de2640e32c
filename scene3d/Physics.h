// The rigid-body physics engine of a scene, as the scene and its visual objects use it.
//
// A visual object that is a collider or dynamic owns one body in its scene's engine; the
// scene steps the engine after ticking its tree, and the objects keep their matrices and
// their bodies' matrices in step. The engine of a scene is made only when the first body is
// asked for, from the class DefaultPhysicsClass names; a build without an engine leaves it
// nil, and then no body is ever made.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/Object.h"
#include "scene3d/Maths.h"

namespace dx {

class IdxScene;
class TdxVisualObject;

// An engine's opaque handle of a body or of a world; 0 is none.
using TdxBody = std::uint32_t;
using TdxWorld = std::uint32_t;

class TdxPhysics : public rtl::TPersistent {
  RTL_CLASS(TdxPhysics, rtl::TPersistent)
public:
  // AScene owns the engine.
  explicit TdxPhysics(IdxScene* AScene) : scene_(AScene) {}

  IdxScene* Scene() const { return scene_; }
  // The world of the objects drawn in camera space and of those drawn in screen space;
  // the engine makes them (CreateWorld) when it first needs them.
  TdxWorld CameraWorld() const { return cameraWorld_; }
  TdxWorld ScreenWorld() const { return screenWorld_; }
  // Advances each world that exists, the camera world first, by DeltaTime seconds.
  void Step(float DeltaTime);

  // A new world, 0 when none can be made.
  virtual TdxWorld CreateWorld() = 0;
  // Frees World and the bodies in it.
  virtual void DestroyWorld(TdxWorld World) = 0;
  virtual void Update(TdxWorld World, float DeltaTime) = 0;
  // Reports each object whose body touches Object's body to Object through DoCollision.
  // List holds the objects already dealt with: one in it is not tested again.
  virtual void FindCollisions(TdxVisualObject* Object, std::vector<TdxVisualObject*>& List) = 0;
  // The same for the object of Body, which then joins List.
  virtual void FindCollisionsOfBody(TdxBody Body, std::vector<TdxVisualObject*>& List) = 0;
  // Nil for a body the engine does not know.
  virtual TdxVisualObject* ObjectOfBody(TdxBody Body) = 0;
  // Size is the object's (Width, Height, Depth, 1); 0 when no body was made.
  virtual TdxBody CreateBoxBody(TdxVisualObject* Object, const TdxVector& Size) = 0;
  virtual TdxBody CreateSphereBody(TdxVisualObject* Object, const TdxVector& Size) = 0;
  virtual TdxBody CreateConeBody(TdxVisualObject* Object, const TdxVector& Size) = 0;
  virtual TdxBody CreateCylinderBody(TdxVisualObject* Object, const TdxVector& Size) = 0;
  // Frees the body and sets the handle to 0.
  virtual void DestroyBody(TdxBody& Body) = 0;
  // The object's absolute matrix becomes the body's.
  virtual void SetBodyMatrix(TdxBody Body, const TdxMatrix& Matrix) = 0;
  // Rows: the body's (scaled) axes and its position.
  virtual TdxMatrix GetBodyMatrix(TdxBody Body) = 0;
  // Changes the velocity of Object's body by Velocity, pushing at the object's position.
  virtual void AddImpulse(TdxVisualObject* Object, const TdxVector& Velocity) = 0;
  // The bodies of World whose bounding boxes meet the box from Min to Max (touching counts), in
  // the engine's order; a body destroyed and not yet freed is none of them. The engine's own
  // queries go through it.
  virtual std::vector<TdxBody> BodiesInBox(TdxWorld World, const TdxVector& Min, const TdxVector& Max) = 0;
  // Kept free in the interface for a later operation; an engine does nothing in it.
  virtual void ReservedOperation() = 0;

protected:
  TdxWorld cameraWorld_ = 0;
  TdxWorld screenWorld_ = 0;

private:
  IdxScene* scene_;
};

// A class reference of physics engines: the virtual constructor (the caller owns the engine).
class TdxPhysicsClass {
public:
  virtual ~TdxPhysicsClass() = default;
  virtual rtl::TClass ClassInfo() const = 0;
  virtual std::unique_ptr<TdxPhysics> Create(IdxScene* AScene) const = 0;
};

template <class P>
class TdxPhysicsClassOf final : public TdxPhysicsClass {
public:
  static const TdxPhysicsClassOf* Instance() {
    static const TdxPhysicsClassOf instance;
    return &instance;
  }
  rtl::TClass ClassInfo() const override { return P::StaticClass(); }
  std::unique_ptr<TdxPhysics> Create(IdxScene* AScene) const override { return std::make_unique<P>(AScene); }
};

// The engine class scenes make their engine of; nil (no engine) until the library's start-up
// names one.
extern const TdxPhysicsClass* DefaultPhysicsClass;

// A new engine of the default class for AScene; nil when no class is named.
std::unique_ptr<TdxPhysics> CreateDefaultPhysics(IdxScene* AScene);

}  // namespace dx
