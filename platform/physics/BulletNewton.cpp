#include "platform/physics/BulletNewton.h"

#include <btBulletDynamicsCommon.h>

#include <BulletCollision/CollisionShapes/btMultiSphereShape.h>
#include <BulletCollision/NarrowPhaseCollision/btGjkEpaPenetrationDepthSolver.h>
#include <BulletCollision/NarrowPhaseCollision/btGjkPairDetector.h>
#include <BulletCollision/NarrowPhaseCollision/btVoronoiSimplexSolver.h>
#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

namespace physics {

namespace {

// Every step of a world is this long, whatever the updates' lengths: a body's motion is then
// the same at any mix of frame times. (Steps of the frames' own lengths made very short steps
// after long ones, and the contacts pushed a resting body out with the speed that its depth in
// the floor over the short step gave.) An update takes at most MaxSteps steps.
constexpr double Step = 1.0 / 60;
// A step is taken when this little of it is still missing, so that updates of a step's
// length, rounded to a float, take one step each.
constexpr double StepSlack = 1e-6;
// The engine's frame, by which the freeze thresholds count: a body freezes once it has been
// quiet for that many frames' time (a frame is one step long).
constexpr float FreezeFrame = 1.0f / 60;
constexpr int MaxSteps = 10;
// Shapes this close count as touching.
constexpr float TouchDistance = 1e-3f;
// Bodies whose boxes come this close to a body's box may rest on it (well above the gap Bullet
// keeps contacts across).
constexpr float RestingReach = 0.05f;
// A row shorter than this is a zero axis.
constexpr float TinyLength = 1e-20f;

bool Finite(float V) { return std::isfinite(V); }

bool Finite(const NewtonVector& V) { return Finite(V.X) && Finite(V.Y) && Finite(V.Z); }

bool Finite(const NewtonMatrix& M) {
  for (const auto& row : M.M)
    for (float v : row)
      if (!Finite(v)) return false;
  return true;
}

btVector3 ToBullet(const NewtonVector& V) { return {V.X, V.Y, V.Z}; }

NewtonVector FromBullet(const btVector3& V, float W = 0) { return {V.x(), V.y(), V.z(), W}; }

// A matrix as a rigid placement and the lengths of its axes. Rows of zero length take an axis
// at right angles to the others; a mirroring matrix keeps a right-handed rotation and gives
// its third axis a negative length.
struct Placement {
  btTransform Transform;
  btVector3 Scale;
};

Placement Decompose(const NewtonMatrix& M) {
  btVector3 rows[3], unit[3], axes[3];
  float length[3];
  bool valid[3];
  for (int i = 0; i < 3; ++i) {
    rows[i] = btVector3(M.M[i][0], M.M[i][1], M.M[i][2]);
    length[i] = rows[i].length();
    valid[i] = length[i] > TinyLength;
    if (valid[i]) unit[i] = rows[i] / length[i];
  }
  // The first valid axis leads; the next one that is not along it is made square to it.
  int first = -1, second = -1;
  for (int i = 0; i < 3 && first < 0; ++i)
    if (valid[i]) first = i;
  if (first < 0) {
    axes[0] = {1, 0, 0}, axes[1] = {0, 1, 0}, axes[2] = {0, 0, 1};
  } else {
    axes[first] = unit[first];
    for (int k = 1; k < 3 && second < 0; ++k) {
      const int j = (first + k) % 3;
      if (!valid[j]) continue;
      const btVector3 rest = unit[j] - axes[first] * unit[j].dot(axes[first]);
      if (rest.length() > 1e-6f) {
        axes[j] = rest.normalized();
        second = j;
      }
    }
    if (second < 0) {
      second = (first + 1) % 3;
      btVector3 a(0, 0, 0), b(0, 0, 0);
      btPlaneSpace1(axes[first], a, b);
      axes[second] = a.normalized();
    }
    const int third = 3 - first - second;
    axes[third] = second == (first + 1) % 3 ? axes[first].cross(axes[second]) : axes[second].cross(axes[first]);
  }
  Placement p;
  float scale[3];
  for (int i = 0; i < 3; ++i) scale[i] = valid[i] ? (rows[i].dot(axes[i]) < 0 ? -length[i] : length[i]) : 0;
  p.Scale = btVector3(scale[0], scale[1], scale[2]);
  // Bullet's basis takes column vectors: its columns are the axes.
  p.Transform.setBasis(btMatrix3x3(axes[0].x(), axes[1].x(), axes[2].x(), axes[0].y(), axes[1].y(), axes[2].y(),
                                   axes[0].z(), axes[1].z(), axes[2].z()));
  p.Transform.setOrigin(btVector3(M.M[3][0], M.M[3][1], M.M[3][2]));
  return p;
}

NewtonMatrix Compose(const btTransform& T, const btVector3& Scale) {
  NewtonMatrix m;
  for (int i = 0; i < 3; ++i) {
    const btVector3 axis = T.getBasis().getColumn(i) * Scale[i];
    m.M[i][0] = axis.x(), m.M[i][1] = axis.y(), m.M[i][2] = axis.z(), m.M[i][3] = 0;
  }
  const btVector3& o = T.getOrigin();
  m.M[3][0] = o.x(), m.M[3][1] = o.y(), m.M[3][2] = o.z(), m.M[3][3] = 1;
  return m;
}

bool SameMatrix(const NewtonMatrix& A, const NewtonMatrix& B) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (A.M[i][j] != B.M[i][j]) return false;
  return true;
}

// The angle between two placements' rotations, precise for small angles too.
float Turn(const btTransform& From, const btTransform& To) {
  const btQuaternion q = To.getRotation() * From.getRotation().inverse();
  return 2 * std::atan2(btVector3(q.x(), q.y(), q.z()).length(), std::fabs(q.w()));
}

bool BoxesMeet(const btVector3& MinA, const btVector3& MaxA, const btVector3& MinB, const btVector3& MaxB) {
  for (int i = 0; i < 3; ++i)
    if (MinA[i] > MaxB[i] || MinB[i] > MaxA[i]) return false;
  return true;
}

struct Shape {
  std::unique_ptr<btConvexShape> Convex;
  NewtonWorld World = 0;
  int Holds = 1;  // the maker's, and one per body
};

struct Body {
  NewtonBody Id = 0;
  NewtonWorld World = 0;
  NewtonCollision Collision = 0;
  std::unique_ptr<btRigidBody> Rigid;
  btVector3 Scale{1, 1, 1};
  void* UserData = nullptr;
  NewtonApplyForceAndTorque Callback = nullptr;
  float Mass = 0;
  bool AutoFreeze = true;
  float FreezeSpeed = 0.01f;
  float FreezeOmega = 0.01f;
  int FreezeFrames = 10;
  float QuietTime = 0;                                  // seconds at rest, up to the last step
  btTransform QuietFrom = btTransform::getIdentity();   // where the time at rest began
  btTransform BeforeStep = btTransform::getIdentity();  // where the last step found it
  bool Inside = true;  // in the Bullet world; false once outside the world's box
};

// Bullet's sequential-impulse solver, taking the contacts of each step in an order that has no
// side. Its passes go over the contacts in the order they were found, and the corners where two
// boxes meet face to face are found in the same order of the boxes' own axes every time: each
// pass leaves the corners taken first with more of the load than the others, the same ones at
// every step, and so each box of a stack tilts a little towards its own -X every step; a tower
// of a dozen walked off that way and fell. Here the contacts of one pair of bodies are taken in
// a new order at every step, and those of different pairs take turns (first one corner of each
// pair, then the next), so no corner leads for long and each pass spreads the load over them
// all. The order stays close to the one found, so the passes still read memory in sequence, and
// it follows the world's own steps: a world moves alike however its updates come.
class EvenSolver : public btSequentialImpulseConstraintSolver {
protected:
  btScalar solveGroupCacheFriendlyIterations(btCollisionObject** Bodies, int NumBodies,
                                             btPersistentManifold** Manifolds, int NumManifolds,
                                             btTypedConstraint** Constraints, int NumConstraints,
                                             const btContactSolverInfo& Info, btIDebugDraw* Draw) override {
    TakeTurns(m_orderTmpConstraintPool, m_tmpSolverContactConstraintPool);
    TakeTurns(m_orderFrictionConstraintPool, m_tmpSolverContactFrictionConstraintPool);
    return btSequentialImpulseConstraintSolver::solveGroupCacheFriendlyIterations(
        Bodies, NumBodies, Manifolds, NumManifolds, Constraints, NumConstraints, Info, Draw);
  }

private:
  struct Run {
    int Begin, End;
  };

  static bool SamePair(const btSolverConstraint& A, const btSolverConstraint& B) {
    return A.m_solverBodyIdA == B.m_solverBodyIdA && A.m_solverBodyIdB == B.m_solverBodyIdB;
  }

  void TakeTurns(btAlignedObjectArray<int>& Order, const btConstraintArray& Pool) {
    const int n = Order.size();
    if (n < 2) return;
    // The runs of one pair of bodies, each shuffled in place.
    runs_.clear();
    for (int i = 0; i < n;) {
      int j = i + 1;
      while (j < n && SamePair(Pool[Order[j]], Pool[Order[i]])) ++j;
      for (int k = j - i - 1; k > 0; --k) std::swap(Order[i + k], Order[i + static_cast<int>(random_() % (k + 1))]);
      runs_.push_back({i, j});
      i = j;
    }
    // Then one of each run in turn, the runs in the order they were found.
    taken_.resize(n);
    for (int k = 0; k < n; ++k) taken_[k] = Order[k];
    int out = 0;
    for (int turn = 0; !runs_.empty(); ++turn) {
      std::size_t kept = 0;
      for (const Run& r : runs_) {
        Order[out++] = taken_[r.Begin + turn];
        if (r.Begin + turn + 1 < r.End) runs_[kept++] = r;
      }
      runs_.resize(kept);
    }
  }

  std::minstd_rand random_;
  std::vector<Run> runs_;
  btAlignedObjectArray<int> taken_;
};

struct World {
  std::unique_ptr<btDefaultCollisionConfiguration> Configuration;
  std::unique_ptr<btCollisionDispatcher> Dispatcher;
  std::unique_ptr<btDbvtBroadphase> Broadphase;
  std::unique_ptr<EvenSolver> Solver;
  std::unique_ptr<btDiscreteDynamicsWorld> Dynamics;
  bool Bounded = false;
  btVector3 Min{0, 0, 0}, Max{0, 0, 0};
  std::vector<NewtonBody> Bodies;  // in the order they were made
  double Owed = 0;                 // seconds of updates not yet stepped
};

class Engine {
public:
  ~Engine() {
    std::vector<NewtonWorld> ids;
    for (const auto& w : worlds_) ids.push_back(w.first);
    for (NewtonWorld id : ids) Destroy(id);
  }

  NewtonWorld Create() {
    auto w = std::make_unique<World>();
    w->Configuration = std::make_unique<btDefaultCollisionConfiguration>();
    w->Dispatcher = std::make_unique<btCollisionDispatcher>(w->Configuration.get());
    w->Broadphase = std::make_unique<btDbvtBroadphase>();
    w->Solver = std::make_unique<EvenSolver>();
    w->Dynamics = std::make_unique<btDiscreteDynamicsWorld>(w->Dispatcher.get(), w->Broadphase.get(), w->Solver.get(),
                                                            w->Configuration.get());
    w->Dynamics->setGravity(btVector3(0, 0, 0));
    const NewtonWorld id = NewId();
    worlds_[id] = std::move(w);
    return id;
  }

  void Destroy(NewtonWorld Id) {
    World* w = FindWorld(Id);
    if (!w) return;
    for (NewtonBody b : std::vector<NewtonBody>(w->Bodies)) DestroyBody(Id, b);
    std::erase_if(shapes_, [Id](const auto& s) { return s.second->World == Id; });
    worlds_.erase(Id);
  }

  void Update(NewtonWorld Id, float DeltaTime) {
    World* w = FindWorld(Id);
    if (!w || !Finite(DeltaTime) || DeltaTime <= 0) return;
    // The world moves in steps of one length whatever the updates' lengths: what is short of a
    // step waits for the next update, and a stall beyond the most steps is dropped.
    w->Owed = std::min(w->Owed + static_cast<double>(DeltaTime), MaxSteps * Step);
    while (w->Owed >= Step - StepSlack) {
      w->Owed -= Step;
      if (!StepWorld(Id)) return;
    }
  }

  void SetSolverModel(NewtonWorld Id, int Model) {
    // Model n is n solver passes; 0 (exact) keeps Bullet's own count.
    if (World* w = FindWorld(Id); w && Model > 0) w->Dynamics->getSolverInfo().m_numIterations = Model;
  }

  void SetWorldSize(NewtonWorld Id, const NewtonVector& Min, const NewtonVector& Max) {
    World* w = FindWorld(Id);
    if (!w || !Finite(Min) || !Finite(Max)) return;
    w->Bounded = true;
    w->Min = ToBullet(Min);
    w->Max = ToBullet(Max);
    for (NewtonBody id : std::vector<NewtonBody>(w->Bodies))
      if (Body* b = FindBody(id)) KeepInside(*w, *b);
  }

  void ForEachBodyInBox(NewtonWorld Id, const NewtonVector& P0, const NewtonVector& P1, NewtonBodyIterator Iterator,
                        void* UserData) {
    World* w = FindWorld(Id);
    if (!w || !Iterator || !Finite(P0) || !Finite(P1)) return;
    const btVector3 lo = ToBullet(P0), hi = ToBullet(P1);
    if (lo.x() > hi.x() || lo.y() > hi.y() || lo.z() > hi.z()) return;
    for (NewtonBody id : BodiesMeeting(*w, lo, hi))
      if (FindBody(id)) Iterator(id, UserData);
  }

  NewtonCollision AddShape(NewtonWorld Id, std::unique_ptr<btConvexShape> Convex) {
    if (!FindWorld(Id)) return 0;
    auto s = std::make_unique<Shape>();
    s->Convex = std::move(Convex);
    s->World = Id;
    const NewtonCollision id = NewId();
    shapes_[id] = std::move(s);
    return id;
  }

  void ReleaseShape(NewtonCollision Id) {
    auto it = shapes_.find(Id);
    if (it != shapes_.end() && --it->second->Holds <= 0) shapes_.erase(it);
  }

  int Collide(int MaxSize, NewtonCollision A, const NewtonMatrix& MatrixA, NewtonCollision B,
              const NewtonMatrix& MatrixB, NewtonVector* Contacts, NewtonVector* Normals, float* Penetration) {
    const Shape* a = FindShape(A);
    const Shape* b = FindShape(B);
    if (MaxSize < 1 || !a || !b || !Finite(MatrixA) || !Finite(MatrixB)) return 0;
    btVoronoiSimplexSolver simplex;
    btGjkEpaPenetrationDepthSolver depthSolver;
    btGjkPairDetector detector(a->Convex.get(), b->Convex.get(), &simplex, &depthSolver);
    btGjkPairDetector::ClosestPointInput input;
    input.m_transformA = Decompose(MatrixA).Transform;
    input.m_transformB = Decompose(MatrixB).Transform;
    struct Closest : btDiscreteCollisionDetectorInterface::Result {
      bool Found = false;
      btVector3 Normal, Point;
      btScalar Distance = 0;
      void setShapeIdentifiersA(int, int) override {}
      void setShapeIdentifiersB(int, int) override {}
      void addContactPoint(const btVector3& NormalOnB, const btVector3& PointOnB, btScalar Depth) override {
        Found = true;
        Normal = NormalOnB;
        Point = PointOnB;
        Distance = Depth;
      }
    } closest;
    detector.getClosestPoints(input, closest, nullptr);
    if (!closest.Found || !(closest.Distance <= TouchDistance)) return 0;
    const NewtonVector point = FromBullet(closest.Point), normal = FromBullet(closest.Normal);
    if (!Finite(point) || !Finite(normal)) return 0;
    if (Contacts) Contacts[0] = point;
    if (Normals) Normals[0] = normal;
    if (Penetration) Penetration[0] = std::max(0.0f, -static_cast<float>(closest.Distance));
    return 1;
  }

  NewtonBody CreateBody(NewtonWorld Id, NewtonCollision Collision) {
    World* w = FindWorld(Id);
    Shape* s = FindShape(Collision);
    if (!w || !s || s->World != Id) return 0;
    auto b = std::make_unique<Body>();
    b->Id = NewId();
    b->World = Id;
    b->Collision = Collision;
    btRigidBody::btRigidBodyConstructionInfo info(0, nullptr, s->Convex.get(), btVector3(0, 0, 0));
    b->Rigid = std::make_unique<btRigidBody>(info);
    b->Rigid->setUserPointer(b.get());
    ++s->Holds;
    w->Dynamics->addRigidBody(b->Rigid.get());
    w->Bodies.push_back(b->Id);
    const NewtonBody id = b->Id;
    bodies_[id] = std::move(b);
    KeepInside(*w, *bodies_[id]);
    return id;
  }

  void DestroyBody(NewtonWorld Id, NewtonBody BodyId) {
    World* w = FindWorld(Id);
    Body* b = FindBody(BodyId);
    if (!w || !b || b->World != Id) return;
    WakeResting(*w, *b);
    std::erase_if(joints_, [BodyId](const auto& j) { return j.second == BodyId; });
    if (b->Inside) w->Dynamics->removeRigidBody(b->Rigid.get());
    std::erase(w->Bodies, BodyId);
    const NewtonCollision shape = b->Collision;
    bodies_.erase(BodyId);
    ReleaseShape(shape);
  }

  void SetMatrix(NewtonBody Id, const NewtonMatrix& Matrix) {
    Body* b = FindBody(Id);
    if (!b || !Finite(Matrix)) return;
    // Writing back what was read leaves the body alone: its speed and its sleep stay.
    if (SameMatrix(Matrix, Compose(b->Rigid->getWorldTransform(), b->Scale))) return;
    World* w = FindWorld(b->World);
    // What rested on the body where it was, and what it now meets, is simulated again.
    WakeResting(*w, *b);
    const Placement p = Decompose(Matrix);
    b->Scale = p.Scale;
    b->Rigid->setCenterOfMassTransform(p.Transform);
    KeepInside(*w, *b);
    if (b->Inside) w->Dynamics->updateSingleAabb(b->Rigid.get());
    Wake(*b);
    WakeResting(*w, *b);
  }

  void SetMass(NewtonBody Id, float Mass, float Ixx, float Iyy, float Izz) {
    Body* b = FindBody(Id);
    if (!b) return;
    const auto fix = [](float V) { return Finite(V) && V > 0 ? V : 0.0f; };
    b->Mass = fix(Mass);
    World* w = FindWorld(b->World);
    // Static and dynamic bodies sit in different broadphase groups: the body goes in again.
    if (b->Inside) w->Dynamics->removeRigidBody(b->Rigid.get());
    b->Rigid->setMassProps(b->Mass, b->Mass > 0 ? btVector3(fix(Ixx), fix(Iyy), fix(Izz)) : btVector3(0, 0, 0));
    b->Rigid->updateInertiaTensor();
    if (b->Mass == 0) {
      b->Rigid->setLinearVelocity(btVector3(0, 0, 0));
      b->Rigid->setAngularVelocity(btVector3(0, 0, 0));
    }
    if (b->Inside) w->Dynamics->addRigidBody(b->Rigid.get());
    // Bullet puts a body that comes in static to sleep.
    if (b->Mass > 0)
      Wake(*b);
    else
      SetActivation(*b);
  }

  void SetForce(NewtonBody Id, const NewtonVector& Force) {
    Body* b = FindBody(Id);
    if (!b || b->Mass <= 0 || !Finite(Force)) return;
    b->Rigid->clearForces();
    b->Rigid->applyCentralForce(ToBullet(Force));
  }

  void SetAutoFreeze(NewtonBody Id, int State) {
    if (Body* b = FindBody(Id)) {
      b->AutoFreeze = State != 0;
      SetActivation(*b);
    }
  }

  void SetFreezeThreshold(NewtonBody Id, float Speed, float Omega, int Frames) {
    Body* b = FindBody(Id);
    if (!b || !Finite(Speed) || !Finite(Omega)) return;
    b->FreezeSpeed = std::max(Speed, 0.0f);
    b->FreezeOmega = std::max(Omega, 0.0f);
    b->FreezeFrames = std::max(Frames, 1);
    b->Rigid->setSleepingThresholds(b->FreezeSpeed, b->FreezeOmega);
  }

  void AddImpulse(NewtonBody Id, const NewtonVector& Velocity, const NewtonVector& Point) {
    Body* b = FindBody(Id);
    if (!b || !b->Inside || b->Mass <= 0 || !Finite(Velocity) || !Finite(Point)) return;
    // The impulse that changes a free body's velocity by Velocity.
    b->Rigid->applyImpulse(ToBullet(Velocity) * b->Mass, ToBullet(Point) - b->Rigid->getCenterOfMassPosition());
    Wake(*b);
  }

  NewtonJoint CreateUpVector(NewtonWorld Id, const NewtonVector& Pin, NewtonBody BodyId) {
    Body* b = FindBody(BodyId);
    if (!b || b->World != Id || !Finite(Pin)) return 0;
    const btVector3 pin = ToBullet(Pin);
    int axis = -1;
    for (int i = 0; i < 3; ++i)
      if (pin[i] != 0) axis = axis < 0 ? i : 3;
    if (axis < 0 || axis > 2) return 0;
    btVector3 factor(0, 0, 0);
    factor[axis] = 1;
    b->Rigid->setAngularFactor(factor);
    b->Rigid->setAngularVelocity(b->Rigid->getAngularVelocity() * factor);
    const NewtonJoint id = NewId();
    joints_[id] = BodyId;
    return id;
  }

  World* FindWorld(NewtonWorld Id) {
    auto it = worlds_.find(Id);
    return it == worlds_.end() ? nullptr : it->second.get();
  }
  Body* FindBody(NewtonBody Id) {
    auto it = bodies_.find(Id);
    return it == bodies_.end() ? nullptr : it->second.get();
  }
  Shape* FindShape(NewtonCollision Id) {
    auto it = shapes_.find(Id);
    return it == shapes_.end() ? nullptr : it->second.get();
  }

private:
  std::uint32_t NewId() {
    if (++lastId_ == 0) ++lastId_;
    return lastId_;
  }

  static void Wake(Body& B) {
    B.QuietTime = 0;
    if (B.Mass > 0) B.Rigid->activate(true);
    SetActivation(B);
  }

  // Bullet never sends a body to sleep by its own clock: the time it has been quiet does.
  static void SetActivation(Body& B) {
    if (B.Mass > 0 && !B.AutoFreeze)
      B.Rigid->forceActivationState(DISABLE_DEACTIVATION);
    else if (B.Rigid->getActivationState() == DISABLE_DEACTIVATION)
      B.Rigid->forceActivationState(ACTIVE_TAG);
  }

  // The bodies of W whose boxes meet the box Lo..Hi, by handle.
  std::vector<NewtonBody> BodiesMeeting(World& W, const btVector3& Lo, const btVector3& Hi) {
    struct Collector : btBroadphaseAabbCallback {
      std::vector<NewtonBody> Found;
      bool process(const btBroadphaseProxy* Proxy) override {
        const auto* object = static_cast<const btCollisionObject*>(Proxy->m_clientObject);
        Found.push_back(static_cast<const Body*>(object->getUserPointer())->Id);
        return true;
      }
    } collector;
    // The broadphase keeps slightly grown boxes: its finds are checked against the true ones.
    W.Broadphase->aabbTest(Lo, Hi, collector);
    std::vector<NewtonBody> found;
    for (NewtonBody id : collector.Found) {
      const Body* b = FindBody(id);
      btVector3 bmin, bmax;
      b->Rigid->getAabb(bmin, bmax);
      if (BoxesMeet(bmin, bmax, Lo, Hi)) found.push_back(id);
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  // Wakes the dynamic bodies that touch B where it is. Bullet wakes a sleeping body only through
  // a contact with a moving one: one resting on a body that is placed elsewhere or leaves the
  // world would otherwise stay asleep, held by nothing.
  void WakeResting(World& W, const Body& B) {
    if (!B.Inside) return;
    btVector3 lo, hi;
    B.Rigid->getAabb(lo, hi);
    const btVector3 reach(RestingReach, RestingReach, RestingReach);
    for (NewtonBody id : BodiesMeeting(W, lo - reach, hi + reach))
      if (Body* other = FindBody(id); other && other != &B && other->Mass > 0) Wake(*other);
  }

  // A body whose box leaves the world's box leaves the Bullet world, and comes back with it.
  void KeepInside(World& W, Body& B) {
    bool inside = true;
    if (W.Bounded) {
      btVector3 lo, hi;
      B.Rigid->getAabb(lo, hi);
      inside = BoxesMeet(lo, hi, W.Min, W.Max);
    }
    if (inside == B.Inside) return;
    B.Inside = inside;
    if (inside) {
      W.Dynamics->addRigidBody(B.Rigid.get());
    } else {
      W.Dynamics->removeRigidBody(B.Rigid.get());
      B.Rigid->setLinearVelocity(btVector3(0, 0, 0));
      B.Rigid->setAngularVelocity(btVector3(0, 0, 0));
    }
  }

  // One step of the world; false when a force callback freed it.
  bool StepWorld(NewtonWorld Id) {
    World* w = FindWorld(Id);
    for (NewtonBody id : std::vector<NewtonBody>(w->Bodies)) {
      Body* b = FindBody(id);
      if (b && b->Inside && b->Mass > 0 && b->Callback && b->Rigid->isActive()) {
        b->Rigid->clearForces();
        b->Callback(id);
      }
    }
    w = FindWorld(Id);
    if (!w) return false;
    for (NewtonBody id : w->Bodies)
      if (Body* b = FindBody(id)) b->BeforeStep = b->Rigid->getWorldTransform();
    w->Dynamics->stepSimulation(static_cast<btScalar>(Step), 0);
    AfterStep(*w);
    return true;
  }

  void AfterStep(World& W) {
    for (NewtonBody id : std::vector<NewtonBody>(W.Bodies)) {
      Body* b = FindBody(id);
      if (!b || !b->Inside || b->Mass <= 0) continue;
      btRigidBody& r = *b->Rigid;
      if (!r.isActive()) {
        b->QuietTime = 0;
        continue;
      }
      KeepInside(W, *b);
      if (!b->Inside || !b->AutoFreeze) continue;
      if (r.getLinearVelocity().length() >= b->FreezeSpeed || r.getAngularVelocity().length() >= b->FreezeOmega) {
        b->QuietTime = 0;
      } else {
        // Slow, and kept within what its threshold speeds cover in the freeze time: a body
        // pushed out of what it landed in moves with no speed of its own, and is at rest only
        // once it is out.
        if (b->QuietTime == 0) b->QuietFrom = b->BeforeStep;
        const float window = static_cast<float>(b->FreezeFrames) * FreezeFrame;
        const btTransform& now = r.getWorldTransform();
        if ((now.getOrigin() - b->QuietFrom.getOrigin()).length() > b->FreezeSpeed * window ||
            Turn(b->QuietFrom, now) > b->FreezeOmega * window)
          b->QuietTime = 0;
        else
          b->QuietTime += static_cast<float>(Step);
      }
      // A trace short of the frames' time, so that whole frames of quiet steps reach it.
      if (b->QuietTime >= (static_cast<float>(b->FreezeFrames) - 0.01f) * FreezeFrame) {
        // Asleep at the next step, with every body it touches that wants it too.
        r.setDeactivationTime(BT_LARGE_FLOAT);
        r.setActivationState(WANTS_DEACTIVATION);
      } else {
        r.setDeactivationTime(0);
        if (r.getActivationState() == WANTS_DEACTIVATION) r.setActivationState(ACTIVE_TAG);
      }
    }
  }

  std::uint32_t lastId_ = 0;
  std::unordered_map<NewtonWorld, std::unique_ptr<World>> worlds_;
  std::unordered_map<NewtonCollision, std::unique_ptr<Shape>> shapes_;
  std::unordered_map<NewtonBody, std::unique_ptr<Body>> bodies_;
  std::unordered_map<NewtonJoint, NewtonBody> joints_;
};

float Size(float V) { return Finite(V) ? std::fabs(V) : 0.0f; }

}  // namespace

NewtonEntries BulletNewton() {
  auto e = std::make_shared<Engine>();
  NewtonEntries n;
  n.NewtonCreate = [e] { return e->Create(); };
  n.NewtonDestroy = [e](NewtonWorld W) { e->Destroy(W); };
  n.NewtonUpdate = [e](NewtonWorld W, float Dt) { e->Update(W, Dt); };
  n.NewtonSetSolverModel = [e](NewtonWorld W, int Model) { e->SetSolverModel(W, Model); };
  // Bullet has one code path and its friction is per body: these two settings change nothing.
  n.NewtonSetPlatformArchitecture = [](NewtonWorld, int) {};
  n.NewtonSetFrictionModel = [](NewtonWorld, int) {};
  n.NewtonSetWorldSize = [e](NewtonWorld W, const NewtonVector& Min, const NewtonVector& Max) {
    e->SetWorldSize(W, Min, Max);
  };
  n.NewtonWorldForEachBodyInAABBDo = [e](NewtonWorld W, const NewtonVector& P0, const NewtonVector& P1,
                                         NewtonBodyIterator It, void* User) { e->ForEachBodyInBox(W, P0, P1, It, User); };

  n.NewtonCreateBox = [e](NewtonWorld W, float DX, float DY, float DZ) {
    return e->AddShape(W, std::make_unique<btBoxShape>(btVector3(Size(DX), Size(DY), Size(DZ)) / 2));
  };
  n.NewtonCreateSphere = [e](NewtonWorld W, float RX, float RY, float RZ) -> NewtonCollision {
    RX = Size(RX), RY = Size(RY), RZ = Size(RZ);
    if (RX == RY && RY == RZ) return e->AddShape(W, std::make_unique<btSphereShape>(RX));
    // An ellipsoid: the unit sphere stretched along the axes.
    const btVector3 centre(0, 0, 0);
    const btScalar radius = 1;
    auto shape = std::make_unique<btMultiSphereShape>(&centre, &radius, 1);
    shape->setLocalScaling(btVector3(RX, RY, RZ));
    return e->AddShape(W, std::move(shape));
  };
  n.NewtonCreateCone = [e](NewtonWorld W, float Radius, float Height) {
    // A cone with no size has no slope: it gets a trace of one.
    return e->AddShape(W, std::make_unique<btConeShapeX>(std::max(Size(Radius), 1e-6f), std::max(Size(Height), 1e-6f)));
  };
  n.NewtonCreateCylinder = [e](NewtonWorld W, float Radius, float Height) {
    return e->AddShape(W, std::make_unique<btCylinderShapeX>(btVector3(Size(Height) / 2, Size(Radius), Size(Radius))));
  };
  n.NewtonReleaseCollision = [e](NewtonWorld, NewtonCollision C) { e->ReleaseShape(C); };
  n.NewtonCollisionCollide = [e](NewtonWorld, int MaxSize, NewtonCollision A, const NewtonMatrix& MA, NewtonCollision B,
                                 const NewtonMatrix& MB, NewtonVector* Contacts, NewtonVector* Normals,
                                 float* Penetration) {
    return e->Collide(MaxSize, A, MA, B, MB, Contacts, Normals, Penetration);
  };

  n.NewtonCreateBody = [e](NewtonWorld W, NewtonCollision C) { return e->CreateBody(W, C); };
  n.NewtonDestroyBody = [e](NewtonWorld W, NewtonBody B) { e->DestroyBody(W, B); };
  n.NewtonBodySetUserData = [e](NewtonBody B, void* Data) {
    if (Body* b = e->FindBody(B)) b->UserData = Data;
  };
  n.NewtonBodyGetUserData = [e](NewtonBody B) -> void* {
    const Body* b = e->FindBody(B);
    return b ? b->UserData : nullptr;
  };
  n.NewtonBodySetMatrix = [e](NewtonBody B, const NewtonMatrix& M) { e->SetMatrix(B, M); };
  n.NewtonBodyGetMatrix = [e](NewtonBody B, NewtonMatrix& M) {
    const Body* b = e->FindBody(B);
    M = b ? Compose(b->Rigid->getWorldTransform(), b->Scale) : NewtonMatrix{};
  };
  n.NewtonBodySetMassMatrix = [e](NewtonBody B, float Mass, float Ixx, float Iyy, float Izz) {
    e->SetMass(B, Mass, Ixx, Iyy, Izz);
  };
  n.NewtonBodySetForce = [e](NewtonBody B, const NewtonVector& F) { e->SetForce(B, F); };
  n.NewtonBodySetForceAndTorqueCallback = [e](NewtonBody B, NewtonApplyForceAndTorque Callback) {
    if (Body* b = e->FindBody(B)) b->Callback = Callback;
  };
  n.NewtonBodySetAutoFreeze = [e](NewtonBody B, int State) { e->SetAutoFreeze(B, State); };
  n.NewtonBodySetFreezeTreshold = [e](NewtonBody B, float Speed, float Omega, int Frames) {
    e->SetFreezeThreshold(B, Speed, Omega, Frames);
  };
  n.NewtonBodyGetWorld = [e](NewtonBody B) -> NewtonWorld {
    const Body* b = e->FindBody(B);
    return b ? b->World : 0;
  };
  n.NewtonBodyGetCollision = [e](NewtonBody B) -> NewtonCollision {
    const Body* b = e->FindBody(B);
    return b ? b->Collision : 0;
  };
  n.NewtonBodyGetAABB = [e](NewtonBody B, NewtonVector& P0, NewtonVector& P1) {
    const Body* b = e->FindBody(B);
    P0 = P1 = NewtonVector{};
    if (!b) return;
    btVector3 lo, hi;
    b->Rigid->getAabb(lo, hi);
    P0 = FromBullet(lo), P1 = FromBullet(hi);
  };
  n.NewtonAddBodyImpulse = [e](NewtonBody B, const NewtonVector& V, const NewtonVector& P) { e->AddImpulse(B, V, P); };
  n.NewtonConstraintCreateUpVector = [e](NewtonWorld W, const NewtonVector& Pin, NewtonBody B) {
    return e->CreateUpVector(W, Pin, B);
  };

  n.NewtonBodyGetVelocity = [e](NewtonBody B, NewtonVector& V) {
    const Body* b = e->FindBody(B);
    V = b ? FromBullet(b->Rigid->getLinearVelocity()) : NewtonVector{};
  };
  n.NewtonBodyGetOmega = [e](NewtonBody B, NewtonVector& V) {
    const Body* b = e->FindBody(B);
    V = b ? FromBullet(b->Rigid->getAngularVelocity()) : NewtonVector{};
  };
  n.NewtonBodyGetSleepingState = [e](NewtonBody B) {
    const Body* b = e->FindBody(B);
    return b && b->Mass > 0 && b->Rigid->getActivationState() == ISLAND_SLEEPING ? 1 : 0;
  };
  return n;
}

}  // namespace physics
