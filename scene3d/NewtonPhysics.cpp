#include "scene3d/NewtonPhysics.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/rtl/TypInfo.h"
#include "scene3d/VisualObjects.h"

namespace dx {

using physics::NewtonBody;
using physics::NewtonCollision;
using physics::NewtonEntries;
using physics::NewtonJoint;
using physics::NewtonMatrix;
using physics::NewtonVector;

namespace {

// Where a destroyed body waits for the next update: far outside both worlds.
constexpr float ParkedAt = 16777215;
constexpr int FreezeFrames = 5;

// The engine, process-wide: loaded with the first physics object, released with the last.
struct TEngine {
  physics::NewtonLibrary Library;
  NewtonEntries Entries;
  bool Present = false;
  int Users = 0;
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

const NewtonEntries& Newton() { return Engine().Entries; }

bool HasEveryCalledEntry(const NewtonEntries& N) {
  return N.NewtonCreate && N.NewtonDestroy && N.NewtonUpdate && N.NewtonSetSolverModel &&
         N.NewtonSetPlatformArchitecture && N.NewtonSetFrictionModel && N.NewtonSetWorldSize &&
         N.NewtonWorldForEachBodyInAABBDo && N.NewtonCreateBox && N.NewtonCreateSphere && N.NewtonCreateCone &&
         N.NewtonCreateCylinder && N.NewtonReleaseCollision && N.NewtonCollisionCollide && N.NewtonCreateBody &&
         N.NewtonDestroyBody && N.NewtonBodySetUserData && N.NewtonBodyGetUserData && N.NewtonBodySetMatrix &&
         N.NewtonBodyGetMatrix && N.NewtonBodySetMassMatrix && N.NewtonBodySetForce &&
         N.NewtonBodySetForceAndTorqueCallback && N.NewtonBodySetAutoFreeze && N.NewtonBodySetFreezeTreshold &&
         N.NewtonBodyGetWorld && N.NewtonBodyGetCollision && N.NewtonBodyGetAABB && N.NewtonAddBodyImpulse &&
         N.NewtonConstraintCreateUpVector;
}

NewtonVector ToNewton(const TdxVector& V) { return {V.X, V.Y, V.Z, V.W}; }
TdxVector FromNewton(const NewtonVector& V) { return {V.X, V.Y, V.Z, V.W}; }

NewtonMatrix ToNewton(const TdxMatrix& M) {
  NewtonMatrix n;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) n.M[i][j] = M.M[i][j];
  return n;
}

TdxMatrix FromNewton(const NewtonMatrix& N) {
  TdxMatrix m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.M[i][j] = N.M[i][j];
  return m;
}

bool Finite(const TdxMatrix& M) {
  for (const auto& row : M.M)
    for (float v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

bool Finite(const TdxVector& V) { return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z); }

// A size the engine can take: what is not a number is 0, a negative side counts by its length.
float Side(float V) { return std::isfinite(V) ? std::fabs(V) : 0.0f; }

NewtonMatrix GetMatrix(NewtonBody Body) {
  NewtonMatrix m;
  Newton().NewtonBodyGetMatrix(Body, m);
  return m;
}

// Pulls each dynamic body down its world's way, for the step to come.
void ApplyGravity(NewtonBody Body) {
  const NewtonEntries& n = Newton();
  const NewtonMatrix m = GetMatrix(Body);
  if (auto* object = static_cast<TdxVisualObject*>(n.NewtonBodyGetUserData(Body))) {
    if (object->Projection() == dxProjectionScreen)
      n.NewtonBodySetForce(Body, {0, 49, 0, 0});
    else
      n.NewtonBodySetForce(Body, {0, 0, -8.9f, 0});
  }
  n.NewtonBodySetMatrix(Body, m);
}

void CollectBody(NewtonBody Body, void* List) { static_cast<std::vector<NewtonBody>*>(List)->push_back(Body); }

}  // namespace

// ---- the engine's life ----------------------------------------------------------------------------------------------

TdxNewtonPhysics::TdxNewtonPhysics(IdxScene* AScene) : TdxPhysics(AScene) {
  TEngine& e = Engine();
  if (e.Users++ == 0) {
    e.Entries = e.Library ? e.Library() : NewtonEntries{};
    e.Present = HasEveryCalledEntry(e.Entries);
  }
  enginePresent_ = e.Present;
}

TdxNewtonPhysics::~TdxNewtonPhysics() {
  if (cameraWorld_) DestroyWorld(cameraWorld_);
  if (screenWorld_) DestroyWorld(screenWorld_);
  TEngine& e = Engine();
  if (--e.Users == 0) {
    e.Entries = NewtonEntries{};
    e.Present = false;
  }
}

rtl::TClass TdxNewtonPhysics::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxNewtonPhysics>().Build();
  return &info;
}

void dxNewtonPhysicsStartup(physics::NewtonLibrary Library) {
  Engine().Library = std::move(Library);
  DefaultPhysicsClass = TdxPhysicsClassOf<TdxNewtonPhysics>::Instance();
}

void dxNewtonPhysicsShutdown() {
  Engine().Library = nullptr;
  if (DefaultPhysicsClass == TdxPhysicsClassOf<TdxNewtonPhysics>::Instance()) DefaultPhysicsClass = nullptr;
}

// ---- worlds
// -----------------------------------------------------------------------------------------------------------

TdxWorld TdxNewtonPhysics::CreateWorld() {
  if (!enginePresent_) return 0;
  const NewtonEntries& n = Newton();
  const TdxWorld world = n.NewtonCreate();
  if (!world) return 0;
  n.NewtonSetSolverModel(world, 8);
  n.NewtonSetPlatformArchitecture(world, 2);
  n.NewtonSetFrictionModel(world, 1);
  return world;
}

void TdxNewtonPhysics::DestroyWorld(TdxWorld World) {
  if (!enginePresent_ || !World) return;
  const NewtonEntries& n = Newton();
  // The world takes its bodies along: they leave the lists, which stay side by side.
  for (std::size_t i = bodies_.size(); i-- > 0;) {
    if (n.NewtonBodyGetWorld(bodies_[i]) != World) continue;
    std::erase(pending_, bodies_[i]);
    bodies_.erase(bodies_.begin() + static_cast<std::ptrdiff_t>(i));
    joints_.erase(joints_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  n.NewtonDestroy(World);
  if (cameraWorld_ == World) cameraWorld_ = 0;
  if (screenWorld_ == World) screenWorld_ = 0;
}

TdxWorld TdxNewtonPhysics::WorldOf(TdxVisualObject* Object) {
  if (!enginePresent_) return 0;
  const bool screen = Object->Projection() == dxProjectionScreen;
  TdxWorld& world = screen ? screenWorld_ : cameraWorld_;
  if (!world) {
    world = CreateWorld();
    if (!world) return 0;
    if (screen)
      Newton().NewtonSetWorldSize(world, {-1000, -1000, -10, 0}, {2000, 2000, 10, 0});
    else
      Newton().NewtonSetWorldSize(world, {-1000, -1000, -1000, 0}, {1000, 1000, 1000, 0});
  }
  return world;
}

void TdxNewtonPhysics::Update(TdxWorld World, float DeltaTime) {
  if (!enginePresent_ || !World) return;
  if (hasDynamicBodies_) Newton().NewtonUpdate(World, DeltaTime);
  // Bodies destroyed meanwhile go now, whether anything moved or not.
  std::vector<TdxBody> going;
  std::swap(going, pending_);
  for (std::size_t i = going.size(); i-- > 0;) FreeBody(going[i]);
}

void TdxNewtonPhysics::FreeBody(TdxBody Body) {
  const auto it = std::find(bodies_.begin(), bodies_.end(), Body);
  if (it == bodies_.end()) return;
  const NewtonEntries& n = Newton();
  n.NewtonDestroyBody(n.NewtonBodyGetWorld(Body), Body);
  joints_.erase(joints_.begin() + (it - bodies_.begin()));
  bodies_.erase(it);
}

// ---- bodies
// -----------------------------------------------------------------------------------------------------------

bool TdxNewtonPhysics::Pending(TdxBody Body) const {
  return std::find(pending_.begin(), pending_.end(), Body) != pending_.end();
}

bool TdxNewtonPhysics::Known(TdxBody Body) const {
  return Body && std::find(bodies_.begin(), bodies_.end(), Body) != bodies_.end();
}

TdxBody TdxNewtonPhysics::CreateBoxBody(TdxVisualObject* Object, const TdxVector& Size) {
  return CreateBody(TShape::Box, Object, Size);
}

TdxBody TdxNewtonPhysics::CreateSphereBody(TdxVisualObject* Object, const TdxVector& Size) {
  return CreateBody(TShape::Sphere, Object, Size);
}

TdxBody TdxNewtonPhysics::CreateConeBody(TdxVisualObject* Object, const TdxVector& Size) {
  return CreateBody(TShape::Cone, Object, Size);
}

TdxBody TdxNewtonPhysics::CreateCylinderBody(TdxVisualObject* Object, const TdxVector& Size) {
  return CreateBody(TShape::Cylinder, Object, Size);
}

TdxBody TdxNewtonPhysics::CreateBody(TShape Shape, TdxVisualObject* Object, const TdxVector& Size) {
  if (!enginePresent_ || !Object || Object->Body()) return 0;
  const TdxWorld world = WorldOf(Object);
  if (!world) return 0;
  const NewtonEntries& n = Newton();
  const float x = Side(Size.X), y = Side(Size.Y), z = Side(Size.Z);
  NewtonCollision shape = 0;
  switch (Shape) {
    case TShape::Box: shape = n.NewtonCreateBox(world, x, y, z); break;
    case TShape::Sphere: shape = n.NewtonCreateSphere(world, x / 2, y / 2, z / 2); break;
    case TShape::Cone: shape = n.NewtonCreateCone(world, x / 2, z); break;
    case TShape::Cylinder: shape = n.NewtonCreateCylinder(world, x / 2, z); break;
  }
  if (!shape) return 0;
  const TdxBody body = n.NewtonCreateBody(world, shape);
  if (!body) {
    n.NewtonReleaseCollision(world, shape);
    return 0;
  }
  n.NewtonBodySetUserData(body, Object);
  SetBodyMatrix(body, Object->GetAbsoluteMatrix());
  const float mass = Object->Dynamic() ? 1.0f : 0.0f;
  n.NewtonBodySetMassMatrix(body, mass, mass * z, mass * y, mass * 10);
  NewtonJoint joint = 0;
  if (Object->Dynamic()) {
    hasDynamicBodies_ = true;
    n.NewtonBodySetForceAndTorqueCallback(body, ApplyGravity);
    n.NewtonBodySetAutoFreeze(body, 1);
    if (world == screenWorld_) {
      n.NewtonBodySetFreezeTreshold(body, 1.0f, 1.0f, FreezeFrames);
      joint = n.NewtonConstraintCreateUpVector(world, {0, 0, 1, 0}, body);
    } else {
      n.NewtonBodySetFreezeTreshold(body, 0.05f, 0.05f, FreezeFrames);
    }
  }
  n.NewtonReleaseCollision(world, shape);
  bodies_.push_back(body);
  joints_.push_back(joint);
  return body;
}

void TdxNewtonPhysics::DestroyBody(TdxBody& Body) {
  const TdxBody body = std::exchange(Body, 0);
  if (!enginePresent_ || !Known(body) || Pending(body)) return;
  // The object goes before the body does: the body forgets it at once.
  Newton().NewtonBodySetUserData(body, nullptr);
  NewtonMatrix parked;
  parked.M[3][0] = parked.M[3][1] = parked.M[3][2] = ParkedAt;
  Newton().NewtonBodySetMatrix(body, parked);
  pending_.push_back(body);
}

void TdxNewtonPhysics::SetBodyMatrix(TdxBody Body, const TdxMatrix& Matrix) {
  if (!enginePresent_ || !Body || Pending(Body) || !Finite(Matrix)) return;
  Newton().NewtonBodySetMatrix(Body, ToNewton(Matrix));
}

TdxMatrix TdxNewtonPhysics::GetBodyMatrix(TdxBody Body) {
  if (!enginePresent_ || !Body) return IdentityMatrix;
  return FromNewton(GetMatrix(Body));
}

TdxVisualObject* TdxNewtonPhysics::ObjectOfBody(TdxBody Body) {
  if (!enginePresent_ || !Body) return nullptr;
  return static_cast<TdxVisualObject*>(Newton().NewtonBodyGetUserData(Body));
}

// ---- queries and pushes -------------------------------------------------------------------------------------------

void TdxNewtonPhysics::FindCollisions(TdxVisualObject* Object, std::vector<TdxVisualObject*>& List) {
  if (!enginePresent_ || !Object || !Object->Body() || !Object->Visible() || Pending(Object->Body())) return;
  if (std::find(List.begin(), List.end(), Object) != List.end()) return;
  ReportContacts(Object);
}

void TdxNewtonPhysics::FindCollisionsOfBody(TdxBody Body, std::vector<TdxVisualObject*>& List) {
  if (!enginePresent_ || !Body || Pending(Body)) return;
  TdxVisualObject* object = ObjectOfBody(Body);
  if (!object || object->Body() != Body || !object->Visible()) return;
  if (std::find(List.begin(), List.end(), object) != List.end()) return;
  List.push_back(object);
  ReportContacts(object);
}

void TdxNewtonPhysics::ReportContacts(TdxVisualObject* Object) {
  const NewtonEntries& n = Newton();
  TdxFreeWatch watch(Object);
  // A collider's body follows its matrix when the matrix is worked out.
  Object->GetAbsoluteMatrix();
  const TdxBody own = Object->Body();
  if (!own) return;
  const TdxWorld world = n.NewtonBodyGetWorld(own);
  NewtonVector p0, p1;
  n.NewtonBodyGetAABB(own, p0, p1);
  for (NewtonBody other : BodiesInBox(world, FromNewton(p0), FromNewton(p1))) {
    // A handler may have freed objects, this one too: their bodies are pending then.
    if (watch.Gone() || Object->Body() != own) return;
    if (other == own || Pending(other)) continue;
    TdxVisualObject* otherObject = ObjectOfBody(other);
    if (!otherObject || !otherObject->Visible()) continue;
    NewtonVector point, normal;
    float penetration = 0;
    if (n.NewtonCollisionCollide(world, 1, n.NewtonBodyGetCollision(own), GetMatrix(own),
                                 n.NewtonBodyGetCollision(other), GetMatrix(other), &point, &normal, &penetration) <= 0)
      continue;
    point.W = 1;
    normal.W = 1;
    Object->DoCollision(otherObject, FromNewton(point), FromNewton(normal));
  }
}

std::vector<TdxBody> TdxNewtonPhysics::BodiesInBox(TdxWorld World, const TdxVector& Min, const TdxVector& Max) {
  std::vector<TdxBody> found;
  if (!enginePresent_ || !World || !Finite(Min) || !Finite(Max)) return found;
  Newton().NewtonWorldForEachBodyInAABBDo(World, ToNewton(Min), ToNewton(Max), CollectBody, &found);
  std::erase_if(found, [this](TdxBody Body) { return Pending(Body); });
  return found;
}

void TdxNewtonPhysics::AddImpulse(TdxVisualObject* Object, const TdxVector& Velocity) {
  if (!enginePresent_ || !Object || !Object->Body() || !Object->Visible() || Pending(Object->Body())) return;
  const TdxVector at = Object->AbsolutePosition();
  if (!Finite(Velocity) || !Finite(at)) return;
  Newton().NewtonAddBodyImpulse(Object->Body(), ToNewton(Velocity), ToNewton(at));
}

namespace {

void PushAway(NewtonBody Body, const TdxVector& Centre, float Strength) {
  const NewtonMatrix m = GetMatrix(Body);
  const TdxVector at{m.M[3][0], m.M[3][1], m.M[3][2], 1};
  const TdxVector away{at.X - Centre.X, at.Y - Centre.Y, at.Z - Centre.Z, 0};
  // A body right at the centre has no way to go.
  if (std::fabs(away.X) <= 1e-10f && std::fabs(away.Y) <= 1e-10f && std::fabs(away.Z) <= 1e-10f) return;
  const TdxVector dir = dxVectorNormalize(away);
  Newton().NewtonAddBodyImpulse(Body, {dir.X * Strength, dir.Y * Strength, dir.Z * Strength, 0}, ToNewton(at));
}

}  // namespace

void TdxNewtonPhysics::Explode(TdxWorld World, const TdxVector& Centre, float Radius, float Strength) {
  if (!enginePresent_ || !World || !Finite(Centre) || !std::isfinite(Radius) || !std::isfinite(Strength)) return;
  for (TdxBody body : BodiesInBox(World, {Centre.X - Radius, Centre.Y - Radius, Centre.Z - Radius, 0},
                                  {Centre.X + Radius, Centre.Y + Radius, Centre.Z + Radius, 0}))
    PushAway(body, Centre, Strength);
}

}  // namespace dx
