// The rigid-body engine as the 3D library's physics binding calls it: one table of entry points
// by their engine names, each an empty function when the engine lacks it (as a library whose
// export is missing). The engines behind the table: BulletNewton.h (the real one, on Bullet)
// and RecordingNewton.h (a log for tests); an empty table is the engine absent.
//
// Worlds, collision shapes, bodies and joints are 32-bit handles, 0 for none; every entry
// takes a handle it does not know (0, freed, of another kind) as a no-op and answers 0, nil
// or zeros. Matrices are 4 x 4 floats, row vectors: rows 0 to 2 are the body's axes, row 3
// its position (the 3D library's matrix layout). All entries run on the GUI thread; the
// callbacks run inside NewtonUpdate and NewtonWorldForEachBodyInAABBDo.
#pragma once

#include <cstdint>
#include <functional>

namespace physics {

using NewtonWorld = std::uint32_t;
using NewtonCollision = std::uint32_t;
using NewtonBody = std::uint32_t;
using NewtonJoint = std::uint32_t;

struct NewtonVector {
  float X = 0, Y = 0, Z = 0, W = 0;
};

struct NewtonMatrix {
  float M[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

// Called for each awake dynamic body before each engine step; it sets the body's force for
// that step (NewtonBodySetForce).
using NewtonApplyForceAndTorque = void (*)(NewtonBody Body);
// Called for each body a box query finds, with the query's UserData.
using NewtonBodyIterator = void (*)(NewtonBody Body, void* UserData);

struct NewtonEntries {
  // ---- worlds
  // A world of default settings with no bounds; 0 when none can be made.
  std::function<NewtonWorld()> NewtonCreate;
  // Frees the world and all it holds.
  std::function<void(NewtonWorld World)> NewtonDestroy;
  // Advances the world by DeltaTime seconds (nothing for 0, a negative or a non-finite time).
  // The engine may move in steps of its own length: time short of a step then waits for the
  // next update, and bodies stay where the last step left them meanwhile.
  std::function<void(NewtonWorld World, float DeltaTime)> NewtonUpdate;
  std::function<void(NewtonWorld World, int Model)> NewtonSetSolverModel;
  std::function<void(NewtonWorld World, int Mode)> NewtonSetPlatformArchitecture;
  std::function<void(NewtonWorld World, int Model)> NewtonSetFrictionModel;
  // Bodies that leave the box stop being simulated: they neither move, collide nor answer
  // queries until their matrix brings them back.
  std::function<void(NewtonWorld World, const NewtonVector& Min, const NewtonVector& Max)> NewtonSetWorldSize;
  // Calls Iterator for every body whose bounding box meets the box P0..P1 (touching counts).
  std::function<void(NewtonWorld World, const NewtonVector& P0, const NewtonVector& P1, NewtonBodyIterator Iterator,
                     void* UserData)>
      NewtonWorldForEachBodyInAABBDo;

  // ---- collision shapes, centred on the body's origin
  // A box of full sizes DX, DY, DZ.
  std::function<NewtonCollision(NewtonWorld World, float DX, float DY, float DZ)> NewtonCreateBox;
  // An ellipsoid of three radii.
  std::function<NewtonCollision(NewtonWorld World, float RX, float RY, float RZ)> NewtonCreateSphere;
  // Along X: the base circle at -Height/2, the apex at +Height/2.
  std::function<NewtonCollision(NewtonWorld World, float Radius, float Height)> NewtonCreateCone;
  // Along X, from -Height/2 to +Height/2.
  std::function<NewtonCollision(NewtonWorld World, float Radius, float Height)> NewtonCreateCylinder;
  // Drops the caller's hold on the shape; the bodies made of it keep it.
  std::function<void(NewtonWorld World, NewtonCollision Collision)> NewtonReleaseCollision;
  // The contacts (at most MaxSize) of shape A placed by MatrixA and shape B placed by MatrixB:
  // points, normals (from B towards A) and penetrations; the number of contacts.
  std::function<int(NewtonWorld World, int MaxSize, NewtonCollision A, const NewtonMatrix& MatrixA, NewtonCollision B,
                    const NewtonMatrix& MatrixB, NewtonVector* Contacts, NewtonVector* Normals, float* Penetration)>
      NewtonCollisionCollide;

  // ---- bodies
  // A static body of the shape at the identity matrix.
  std::function<NewtonBody(NewtonWorld World, NewtonCollision Collision)> NewtonCreateBody;
  // Frees the body and the joints that hold it.
  std::function<void(NewtonWorld World, NewtonBody Body)> NewtonDestroyBody;
  std::function<void(NewtonBody Body, void* UserData)> NewtonBodySetUserData;
  std::function<void*(NewtonBody Body)> NewtonBodyGetUserData;
  // Places the body; velocities are kept. The engine simulates the rotation of the axes and
  // gives the axes back scaled as they came.
  std::function<void(NewtonBody Body, const NewtonMatrix& Matrix)> NewtonBodySetMatrix;
  std::function<void(NewtonBody Body, NewtonMatrix& Matrix)> NewtonBodyGetMatrix;
  // Mass 0 makes the body static; the inertia is about the body's own axes.
  std::function<void(NewtonBody Body, float Mass, float Ixx, float Iyy, float Izz)> NewtonBodySetMassMatrix;
  // The force of the current step (inside the force callback).
  std::function<void(NewtonBody Body, const NewtonVector& Force)> NewtonBodySetForce;
  std::function<void(NewtonBody Body, NewtonApplyForceAndTorque Callback)> NewtonBodySetForceAndTorqueCallback;
  // With auto-freeze a body freezes (stops being simulated) once it has stayed at rest for the
  // given number of frames of 1/60 s, however many updates that time came in: its speeds under
  // the thresholds, and moved and turned no further than they would carry it in that time (a
  // body still being pushed out of what it landed in is not at rest). A push, a collision or
  // a new matrix wakes it.
  // A body given a new matrix or freed wakes the bodies touching it, where it was and where it
  // goes: nothing stays resting on a support that is no longer there.
  std::function<void(NewtonBody Body, int State)> NewtonBodySetAutoFreeze;
  std::function<void(NewtonBody Body, float Speed, float Omega, int Frames)> NewtonBodySetFreezeTreshold;
  std::function<NewtonWorld(NewtonBody Body)> NewtonBodyGetWorld;
  std::function<NewtonCollision(NewtonBody Body)> NewtonBodyGetCollision;
  std::function<void(NewtonBody Body, NewtonVector& P0, NewtonVector& P1)> NewtonBodyGetAABB;
  // Changes the velocity at Point (world coordinates) by Velocity.
  std::function<void(NewtonBody Body, const NewtonVector& Velocity, const NewtonVector& Point)> NewtonAddBodyImpulse;
  // Keeps the body's Pin axis along the world's Pin: it turns about Pin only.
  std::function<NewtonJoint(NewtonWorld World, const NewtonVector& Pin, NewtonBody Body)>
      NewtonConstraintCreateUpVector;

  // ---- read by tests, never by the binding
  std::function<void(NewtonBody Body, NewtonVector& Velocity)> NewtonBodyGetVelocity;
  std::function<void(NewtonBody Body, NewtonVector& Omega)> NewtonBodyGetOmega;
  // 1 while the body is frozen.
  std::function<int(NewtonBody Body)> NewtonBodyGetSleepingState;
};

// The engine library as a program finds it: called when the first physics object is made, it
// yields the entry points (all empty when there is no engine); the entries and the engine's
// state go when the last physics object goes.
using NewtonLibrary = std::function<NewtonEntries()>;

}  // namespace physics
