#include "platform/physics/RecordingNewton.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <utility>

namespace physics {

std::vector<std::string> NewtonRecorder::Of(const std::string& Name) const {
  std::vector<std::string> out;
  for (const NewtonCall& c : Calls)
    if (c.Name == Name) out.push_back(c.Call());
  return out;
}

int NewtonRecorder::Count(const std::string& Name) const {
  return static_cast<int>(std::count_if(Calls.begin(), Calls.end(), [&](const NewtonCall& c) { return c.Name == Name; }));
}

std::string NewtonNumber(float Value) {
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, Value);
  return std::string(buffer, r.ptr);
}

namespace {

std::string Text(const NewtonVector& V) {
  return "(" + NewtonNumber(V.X) + ", " + NewtonNumber(V.Y) + ", " + NewtonNumber(V.Z) + ")";
}

std::string Text(const NewtonMatrix& M) {
  std::string s = "[";
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) s += (i || j ? " " : "") + NewtonNumber(M.M[i][j]);
  return s + "]";
}

std::string Text(const void* P) { return P ? "set" : "nil"; }

std::string Join(std::initializer_list<std::string> Parts) {
  std::string s;
  for (const std::string& p : Parts) s += (s.empty() ? "" : ", ") + p;
  return s;
}

struct FakeBody {
  NewtonWorld World = 0;
  NewtonCollision Collision = 0;
  NewtonMatrix Matrix;
  void* UserData = nullptr;
  NewtonApplyForceAndTorque Callback = nullptr;
  float Mass = 0;
  NewtonVector Velocity;
};

struct FakeState {
  std::uint32_t LastId = 0;
  std::map<NewtonWorld, bool> Worlds;
  std::map<NewtonCollision, NewtonVector> HalfSizes;  // the shape's box about the origin
  std::map<NewtonBody, FakeBody> Bodies;

  std::uint32_t NewId() { return ++LastId; }
  FakeBody* Find(NewtonBody B) {
    auto it = Bodies.find(B);
    return it == Bodies.end() ? nullptr : &it->second;
  }
  NewtonVector Half(NewtonCollision C) const {
    auto it = HalfSizes.find(C);
    return it == HalfSizes.end() ? NewtonVector{} : it->second;
  }
  void Box(NewtonCollision C, const NewtonMatrix& M, NewtonVector& P0, NewtonVector& P1) const {
    const NewtonVector h = Half(C);
    P0 = {M.M[3][0] - h.X, M.M[3][1] - h.Y, M.M[3][2] - h.Z, 0};
    P1 = {M.M[3][0] + h.X, M.M[3][1] + h.Y, M.M[3][2] + h.Z, 0};
  }
};

bool Meet(const NewtonVector& A0, const NewtonVector& A1, const NewtonVector& B0, const NewtonVector& B1) {
  return A0.X <= B1.X && B0.X <= A1.X && A0.Y <= B1.Y && B0.Y <= A1.Y && A0.Z <= B1.Z && B0.Z <= A1.Z;
}

}  // namespace

NewtonEntries RecordingNewton(std::shared_ptr<NewtonRecorder> Recorder) {
  auto s = std::make_shared<FakeState>();
  auto log = [Recorder](const std::string& Name, const std::string& Args, const std::string& Result = {}) {
    Recorder->Calls.push_back({Name, Args, Result});
  };
  auto id = [](std::uint32_t H) { return std::to_string(H); };
  auto n2 = [](float V) { return NewtonNumber(V); };
  NewtonEntries n;

  n.NewtonCreate = [s, log, id] {
    const NewtonWorld w = s->NewId();
    s->Worlds[w] = true;
    log("Create", "", id(w));
    return w;
  };
  n.NewtonDestroy = [s, log, id](NewtonWorld W) {
    log("Destroy", id(W));
    s->Worlds.erase(W);
    std::erase_if(s->Bodies, [W](const auto& b) { return b.second.World == W; });
  };
  n.NewtonUpdate = [s, log, id, n2](NewtonWorld W, float Dt) {
    log("Update", Join({id(W), n2(Dt)}));
    std::vector<NewtonBody> order;
    for (const auto& [b, body] : s->Bodies)
      if (body.World == W && body.Callback) order.push_back(b);
    for (NewtonBody b : order)
      if (FakeBody* body = s->Find(b); body && body->Callback) body->Callback(b);
  };
  n.NewtonSetSolverModel = [log, id](NewtonWorld W, int M) { log("SetSolverModel", Join({id(W), std::to_string(M)})); };
  n.NewtonSetPlatformArchitecture = [log, id](NewtonWorld W, int M) {
    log("SetPlatformArchitecture", Join({id(W), std::to_string(M)}));
  };
  n.NewtonSetFrictionModel = [log, id](NewtonWorld W, int M) {
    log("SetFrictionModel", Join({id(W), std::to_string(M)}));
  };
  n.NewtonSetWorldSize = [log, id](NewtonWorld W, const NewtonVector& Min, const NewtonVector& Max) {
    log("SetWorldSize", Join({id(W), Text(Min), Text(Max)}));
  };
  n.NewtonWorldForEachBodyInAABBDo = [s, log, id](NewtonWorld W, const NewtonVector& P0, const NewtonVector& P1,
                                                  NewtonBodyIterator It, void* User) {
    log("WorldForEachBodyInAABBDo", Join({id(W), Text(P0), Text(P1)}));
    std::vector<NewtonBody> found;
    for (const auto& [b, body] : s->Bodies) {
      NewtonVector lo, hi;
      s->Box(body.Collision, body.Matrix, lo, hi);
      if (body.World == W && Meet(lo, hi, P0, P1)) found.push_back(b);
    }
    for (NewtonBody b : found)
      if (s->Find(b)) It(b, User);
  };

  auto shape = [s, log, id](const std::string& Name, const std::string& Args, const NewtonVector& Half) {
    const NewtonCollision c = s->NewId();
    s->HalfSizes[c] = Half;
    log(Name, Args, id(c));
    return c;
  };
  n.NewtonCreateBox = [shape, id, n2](NewtonWorld W, float X, float Y, float Z) {
    return shape("CreateBox", Join({id(W), n2(X), n2(Y), n2(Z)}), {X / 2, Y / 2, Z / 2, 0});
  };
  n.NewtonCreateSphere = [shape, id, n2](NewtonWorld W, float X, float Y, float Z) {
    return shape("CreateSphere", Join({id(W), n2(X), n2(Y), n2(Z)}), {X, Y, Z, 0});
  };
  n.NewtonCreateCone = [shape, id, n2](NewtonWorld W, float R, float H) {
    return shape("CreateCone", Join({id(W), n2(R), n2(H)}), {H / 2, R, R, 0});
  };
  n.NewtonCreateCylinder = [shape, id, n2](NewtonWorld W, float R, float H) {
    return shape("CreateCylinder", Join({id(W), n2(R), n2(H)}), {H / 2, R, R, 0});
  };
  n.NewtonReleaseCollision = [log, id](NewtonWorld W, NewtonCollision C) { log("ReleaseCollision", Join({id(W), id(C)})); };
  n.NewtonCollisionCollide = [s, log, id](NewtonWorld W, int Max, NewtonCollision A, const NewtonMatrix& MA,
                                          NewtonCollision B, const NewtonMatrix& MB, NewtonVector* Contacts,
                                          NewtonVector* Normals, float* Penetration) {
    log("CollisionCollide", Join({id(W), std::to_string(Max), id(A), Text(MA), id(B), Text(MB)}));
    NewtonVector a0, a1, b0, b1;
    s->Box(A, MA, a0, a1);
    s->Box(B, MB, b0, b1);
    if (Max < 1 || !Meet(a0, a1, b0, b1)) return 0;
    const NewtonVector lo{std::max(a0.X, b0.X), std::max(a0.Y, b0.Y), std::max(a0.Z, b0.Z), 0};
    const NewtonVector hi{std::min(a1.X, b1.X), std::min(a1.Y, b1.Y), std::min(a1.Z, b1.Z), 0};
    if (Contacts) Contacts[0] = {(lo.X + hi.X) / 2, (lo.Y + hi.Y) / 2, (lo.Z + hi.Z) / 2, 0};
    if (Normals) Normals[0] = {0, 0, 1, 0};
    if (Penetration) Penetration[0] = std::min({hi.X - lo.X, hi.Y - lo.Y, hi.Z - lo.Z});
    return 1;
  };

  n.NewtonCreateBody = [s, log, id](NewtonWorld W, NewtonCollision C) {
    const NewtonBody b = s->NewId();
    FakeBody& body = s->Bodies[b];
    body.World = W;
    body.Collision = C;
    log("CreateBody", Join({id(W), id(C)}), id(b));
    return b;
  };
  n.NewtonDestroyBody = [s, log, id](NewtonWorld W, NewtonBody B) {
    log("DestroyBody", Join({id(W), id(B)}));
    s->Bodies.erase(B);
  };
  n.NewtonBodySetUserData = [s, log, id](NewtonBody B, void* Data) {
    log("BodySetUserData", Join({id(B), Text(Data)}));
    if (FakeBody* b = s->Find(B)) b->UserData = Data;
  };
  n.NewtonBodyGetUserData = [s, log, id](NewtonBody B) -> void* {
    log("BodyGetUserData", id(B));
    const FakeBody* b = s->Find(B);
    return b ? b->UserData : nullptr;
  };
  n.NewtonBodySetMatrix = [s, log, id](NewtonBody B, const NewtonMatrix& M) {
    log("BodySetMatrix", Join({id(B), Text(M)}));
    if (FakeBody* b = s->Find(B)) b->Matrix = M;
  };
  n.NewtonBodyGetMatrix = [s, log, id](NewtonBody B, NewtonMatrix& M) {
    log("BodyGetMatrix", id(B));
    const FakeBody* b = s->Find(B);
    M = b ? b->Matrix : NewtonMatrix{};
  };
  n.NewtonBodySetMassMatrix = [s, log, id, n2](NewtonBody B, float Mass, float X, float Y, float Z) {
    log("BodySetMassMatrix", Join({id(B), n2(Mass), n2(X), n2(Y), n2(Z)}));
    if (FakeBody* b = s->Find(B)) b->Mass = Mass;
  };
  n.NewtonBodySetForce = [log, id](NewtonBody B, const NewtonVector& F) { log("BodySetForce", Join({id(B), Text(F)})); };
  n.NewtonBodySetForceAndTorqueCallback = [s, log, id](NewtonBody B, NewtonApplyForceAndTorque Callback) {
    log("BodySetForceAndTorqueCallback", Join({id(B), Text(reinterpret_cast<const void*>(Callback))}));
    if (FakeBody* b = s->Find(B)) b->Callback = Callback;
  };
  n.NewtonBodySetAutoFreeze = [log, id](NewtonBody B, int State) {
    log("BodySetAutoFreeze", Join({id(B), std::to_string(State)}));
  };
  n.NewtonBodySetFreezeTreshold = [log, id, n2](NewtonBody B, float Speed, float Omega, int Frames) {
    log("BodySetFreezeTreshold", Join({id(B), n2(Speed), n2(Omega), std::to_string(Frames)}));
  };
  n.NewtonBodyGetWorld = [s, log, id](NewtonBody B) -> NewtonWorld {
    log("BodyGetWorld", id(B));
    const FakeBody* b = s->Find(B);
    return b ? b->World : 0;
  };
  n.NewtonBodyGetCollision = [s, log, id](NewtonBody B) -> NewtonCollision {
    log("BodyGetCollision", id(B));
    const FakeBody* b = s->Find(B);
    return b ? b->Collision : 0;
  };
  n.NewtonBodyGetAABB = [s, log, id](NewtonBody B, NewtonVector& P0, NewtonVector& P1) {
    log("BodyGetAABB", id(B));
    P0 = P1 = NewtonVector{};
    if (const FakeBody* b = s->Find(B)) s->Box(b->Collision, b->Matrix, P0, P1);
  };
  n.NewtonAddBodyImpulse = [s, log, id](NewtonBody B, const NewtonVector& V, const NewtonVector& P) {
    log("AddBodyImpulse", Join({id(B), Text(V), Text(P)}));
    if (FakeBody* b = s->Find(B); b && b->Mass > 0)
      b->Velocity = {b->Velocity.X + V.X, b->Velocity.Y + V.Y, b->Velocity.Z + V.Z, 0};
  };
  n.NewtonConstraintCreateUpVector = [s, log, id](NewtonWorld W, const NewtonVector& Pin, NewtonBody B) {
    const NewtonJoint j = s->NewId();
    log("ConstraintCreateUpVector", Join({id(W), Text(Pin), id(B)}), id(j));
    return j;
  };

  n.NewtonBodyGetVelocity = [s](NewtonBody B, NewtonVector& V) {
    const FakeBody* b = s->Find(B);
    V = b ? b->Velocity : NewtonVector{};
  };
  n.NewtonBodyGetOmega = [](NewtonBody, NewtonVector& V) { V = NewtonVector{}; };
  n.NewtonBodyGetSleepingState = [](NewtonBody) { return 0; };
  return n;
}

}  // namespace physics
