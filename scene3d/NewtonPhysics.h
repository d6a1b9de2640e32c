// TdxNewtonPhysics: the scene's physics on the rigid-body engine (platform/physics/Newton.h).
//
// The engine is loaded (the library given to dxNewtonPhysicsStartup is called) when the first
// TdxNewtonPhysics is made and released with the last; it counts as present only when it has
// every entry point this class calls. Without it nothing is made: worlds and bodies are 0,
// GetBodyMatrix is the identity, ObjectOfBody nil, and the rest does nothing.
//
// Two worlds, each made when the first body needs it: the camera world (objects drawn through
// the camera; -1000..1000 on each axis; a force of (0, 0, -8.9) on every dynamic body) and the
// screen world (objects drawn in screen space; (-1000, -1000, -10)..(2000, 2000, 10); a force of
// (0, 49, 0), and each dynamic body is held upright by an up-vector joint about Z). Dynamic
// bodies have mass 1 and freeze once they have stayed at rest for 5 frames of 1/60 s, whatever
// the frame rate (under 0.05 units per second in the camera world, under 1 in the screen
// world); the others are static, mass 0.
//
// A destroyed body is parked far outside both worlds at once and freed after the next Update.
#pragma once

#include <vector>

#include "platform/physics/Newton.h"
#include "scene3d/Physics.h"

namespace dx {

class TdxNewtonPhysics : public TdxPhysics {
  RTL_CLASS(TdxNewtonPhysics, TdxPhysics)
public:
  explicit TdxNewtonPhysics(IdxScene* AScene);
  ~TdxNewtonPhysics() override;

  // Whether the engine is there, with every entry point called.
  bool EnginePresent() const { return enginePresent_; }

  TdxWorld CreateWorld() override;
  void DestroyWorld(TdxWorld World) override;
  // Steps World; then frees the bodies destroyed since the last Update.
  void Update(TdxWorld World, float DeltaTime) override;
  void FindCollisions(TdxVisualObject* Object, std::vector<TdxVisualObject*>& List) override;
  void FindCollisionsOfBody(TdxBody Body, std::vector<TdxVisualObject*>& List) override;
  TdxVisualObject* ObjectOfBody(TdxBody Body) override;
  TdxBody CreateBoxBody(TdxVisualObject* Object, const TdxVector& Size) override;
  // An ellipsoid of radii Size / 2.
  TdxBody CreateSphereBody(TdxVisualObject* Object, const TdxVector& Size) override;
  // Along the object's X axis: radius Size.X / 2, length Size.Z.
  TdxBody CreateConeBody(TdxVisualObject* Object, const TdxVector& Size) override;
  TdxBody CreateCylinderBody(TdxVisualObject* Object, const TdxVector& Size) override;
  void DestroyBody(TdxBody& Body) override;
  void SetBodyMatrix(TdxBody Body, const TdxMatrix& Matrix) override;
  TdxMatrix GetBodyMatrix(TdxBody Body) override;
  void AddImpulse(TdxVisualObject* Object, const TdxVector& Velocity) override;
  std::vector<TdxBody> BodiesInBox(TdxWorld World, const TdxVector& Min, const TdxVector& Max) override;
  void ReservedOperation() override {}
  // Pushes every body of World that meets the cube of half-size Radius about Centre away from
  // Centre with the velocity change Strength.
  void Explode(TdxWorld World, const TdxVector& Centre, float Radius, float Strength);

  // The bodies made and not yet freed, and beside each the joint that holds it upright (0 for
  // none).
  const std::vector<TdxBody>& Bodies() const { return bodies_; }
  const std::vector<physics::NewtonJoint>& Joints() const { return joints_; }
  // Destroyed and waiting for the next Update.
  const std::vector<TdxBody>& PendingDestruction() const { return pending_; }

private:
  enum class TShape { Box, Sphere, Cone, Cylinder };
  TdxBody CreateBody(TShape Shape, TdxVisualObject* Object, const TdxVector& Size);
  // The world of Object's kind of drawing, made on first need.
  TdxWorld WorldOf(TdxVisualObject* Object);
  bool Pending(TdxBody Body) const;
  bool Known(TdxBody Body) const;
  // Frees one body of the engine and its entries in the lists.
  void FreeBody(TdxBody Body);
  // Reports to Object each body touching its own, of those the box query finds.
  void ReportContacts(TdxVisualObject* Object);

  bool hasDynamicBodies_ = false;
  bool enginePresent_ = false;
  std::vector<TdxBody> pending_;
  std::vector<TdxBody> bodies_;
  std::vector<physics::NewtonJoint> joints_;
};

// Names TdxNewtonPhysics the default physics class; its objects load their engine from Library
// (nil or a library that yields no entries: the engine absent).
void dxNewtonPhysicsStartup(physics::NewtonLibrary Library);
// Forgets the library and the class. Physics objects alive keep their engine until the last
// of them goes.
void dxNewtonPhysicsShutdown();

}  // namespace dx
