// The engine on Bullet, driven through its entries as the 3D library drives it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/physics/BulletNewton.h"

namespace bullet_newton_test {

using namespace physics;

namespace {

constexpr float Frame = 1.0f / 60;

// The engine a force callback reaches (callbacks are plain functions, as the engine's are).
NewtonEntries* engine = nullptr;

void Fall(NewtonBody Body) { engine->NewtonBodySetForce(Body, {0, 0, -8.9f, 0}); }
void Sideways(NewtonBody Body) { engine->NewtonBodySetForce(Body, {0, 49, 0, 0}); }

NewtonMatrix At(float X, float Y, float Z) {
  NewtonMatrix m;
  m.M[3][0] = X, m.M[3][1] = Y, m.M[3][2] = Z;
  return m;
}

class BulletNewtonTest : public ::testing::Test {
protected:
  void SetUp() override {
    n = BulletNewton();
    engine = &n;
    world = n.NewtonCreate();
    n.NewtonSetWorldSize(world, {-1000, -1000, -1000, 0}, {1000, 1000, 1000, 0});
  }
  void TearDown() override { engine = nullptr; }

  NewtonBody Box(float Size, float Z, float Mass, float Depth = 1) {
    const NewtonCollision c = n.NewtonCreateBox(world, Size, Size, Depth);
    const NewtonBody b = n.NewtonCreateBody(world, c);
    n.NewtonReleaseCollision(world, c);
    n.NewtonBodySetMatrix(b, At(0, 0, Z));
    n.NewtonBodySetMassMatrix(b, Mass, Mass, Mass, Mass);
    if (Mass > 0) {
      n.NewtonBodySetForceAndTorqueCallback(b, Fall);
      n.NewtonBodySetFreezeTreshold(b, 0.05f, 0.05f, 5);
    }
    return b;
  }
  NewtonMatrix Matrix(NewtonBody B) {
    NewtonMatrix m;
    n.NewtonBodyGetMatrix(B, m);
    return m;
  }
  NewtonVector Velocity(NewtonBody B) {
    NewtonVector v;
    n.NewtonBodyGetVelocity(B, v);
    return v;
  }
  void Steps(int Count, float Dt = Frame) {
    for (int i = 0; i < Count; ++i) n.NewtonUpdate(world, Dt);
  }

  NewtonEntries n;
  NewtonWorld world = 0;
};

void FindAll(NewtonBody Body, void* List) { static_cast<std::vector<NewtonBody>*>(List)->push_back(Body); }

TEST_F(BulletNewtonTest, WritingBackTheSameMatrixKeepsSpeedAndSleepAMoveWakes) {
  Box(10, 0, 0);
  const NewtonBody cube = Box(1, 5, 1);
  Steps(10);
  const float vz = Velocity(cube).Z;
  ASSERT_LT(vz, -1);
  n.NewtonBodySetMatrix(cube, Matrix(cube));
  EXPECT_EQ(Velocity(cube).Z, vz);
  Steps(200);
  ASSERT_EQ(n.NewtonBodyGetSleepingState(cube), 1);
  n.NewtonBodySetMatrix(cube, Matrix(cube));
  EXPECT_EQ(n.NewtonBodyGetSleepingState(cube), 1);
  NewtonMatrix up = Matrix(cube);
  up.M[3][2] = 3;
  n.NewtonBodySetMatrix(cube, up);
  EXPECT_EQ(n.NewtonBodyGetSleepingState(cube), 0);
  Steps(5);
  EXPECT_LT(Matrix(cube).M[3][2], 3);
  // A push wakes a frozen body as well, and changes a mass-1 body's velocity by its size.
  Steps(300);
  ASSERT_EQ(n.NewtonBodyGetSleepingState(cube), 1);
  const NewtonMatrix m = Matrix(cube);
  n.NewtonAddBodyImpulse(cube, {6, 8, 0, 0}, {m.M[3][0], m.M[3][1], m.M[3][2], 1});
  EXPECT_EQ(n.NewtonBodyGetSleepingState(cube), 0);
  EXPECT_NEAR(Velocity(cube).X, 6, 1e-4f);
  EXPECT_NEAR(Velocity(cube).Y, 8, 1e-4f);
}

// Bullet wakes a sleeping body only by a contact with a moving one; a static body placed
// against it, or freed from under it, must wake it all the same.
TEST_F(BulletNewtonTest, ABodyPlacedOrFreedWakesTheBodiesItTouches) {
  const NewtonBody floor = Box(10, 0, 0);
  const NewtonBody cube = Box(1, 1, 1);
  const NewtonBody wall = Box(1, 0, 0);
  n.NewtonBodySetMatrix(wall, At(20, 0, 0));
  Steps(200);
  ASSERT_EQ(n.NewtonBodyGetSleepingState(cube), 1);
  n.NewtonBodySetMatrix(wall, At(1, 0, 1));  // against the cube's side
  EXPECT_EQ(n.NewtonBodyGetSleepingState(cube), 0);
  Steps(200);
  ASSERT_EQ(n.NewtonBodyGetSleepingState(cube), 1);
  n.NewtonDestroyBody(world, floor);
  EXPECT_EQ(n.NewtonBodyGetSleepingState(cube), 0);
  Steps(30);
  EXPECT_LT(Matrix(cube).M[3][2], 0.5f);
}

TEST_F(BulletNewtonTest, AScaledMatrixFallsAsItsRotationAndComesBackScaled) {
  const NewtonBody plain = Box(1, 5, 1);
  const NewtonBody scaled = Box(1, 5, 1);
  // Turned 90 degrees about Z, axes 2, 3 and 0.5 long, placed at x = 4.
  NewtonMatrix m = At(4, 0, 5);
  m.M[0][0] = 0, m.M[0][1] = 2, m.M[1][0] = -3, m.M[1][1] = 0, m.M[2][2] = 0.5f;
  n.NewtonBodySetMatrix(scaled, m);
  Steps(20);
  const NewtonMatrix back = Matrix(scaled);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(back.M[i][j], m.M[i][j], 1e-5f) << i << "," << j;
  EXPECT_NEAR(back.M[3][2], Matrix(plain).M[3][2], 1e-5f);
  EXPECT_EQ(back.M[3][0], 4);
  // Degenerate and mirroring matrices are simulated too and stay numbers.
  NewtonMatrix flat = At(0, 0, 5);
  flat.M[0][0] = 0, flat.M[2][2] = -1;
  n.NewtonBodySetMatrix(scaled, flat);
  Steps(20);
  const NewtonMatrix after = Matrix(scaled);
  EXPECT_EQ(after.M[0][0], 0);
  EXPECT_NEAR(after.M[2][2], -1, 1e-6f);
  EXPECT_TRUE(std::isfinite(after.M[3][2]) && after.M[3][2] < 5);
}

TEST_F(BulletNewtonTest, ShapesWithoutSizeStayNumbers) {
  const NewtonCollision shapes[] = {n.NewtonCreateCone(world, 0, 0), n.NewtonCreateSphere(world, 0, 0, 0),
                                    n.NewtonCreateSphere(world, 0, 1, 2), n.NewtonCreateCylinder(world, 0, 0),
                                    n.NewtonCreateBox(world, 0, 0, 0)};
  for (NewtonCollision c : shapes) {
    ASSERT_NE(c, 0u);
    const NewtonBody b = n.NewtonCreateBody(world, c);
    n.NewtonBodySetMassMatrix(b, 1, 0, 0, 10);
    n.NewtonBodySetForceAndTorqueCallback(b, Fall);
    n.NewtonBodySetMatrix(b, At(0, 0, 2));
  }
  Box(10, 0, 0);
  Steps(60);
  std::vector<NewtonBody> all;
  n.NewtonWorldForEachBodyInAABBDo(world, {-100, -100, -100, 0}, {100, 100, 100, 0}, FindAll, &all);
  ASSERT_EQ(all.size(), 6u);
  for (NewtonBody b : all) {
    NewtonVector lo, hi;
    n.NewtonBodyGetAABB(b, lo, hi);
    const NewtonMatrix m = Matrix(b);
    EXPECT_TRUE(std::isfinite(lo.Z + hi.Z + m.M[3][2] + m.M[0][0])) << b;
  }
}

TEST_F(BulletNewtonTest, AnUpVectorJointLetsTheBodyTurnAboutItsPinOnly) {
  const NewtonCollision c = n.NewtonCreateBox(world, 20, 20, 1);
  const NewtonBody b = n.NewtonCreateBody(world, c);
  n.NewtonBodySetMatrix(b, At(500, 100, 0));
  n.NewtonBodySetMassMatrix(b, 1, 1, 20, 10);
  n.NewtonBodySetForceAndTorqueCallback(b, Sideways);
  EXPECT_EQ(n.NewtonConstraintCreateUpVector(world, {1, 1, 0, 0}, b), 0u);  // not along an axis
  EXPECT_NE(n.NewtonConstraintCreateUpVector(world, {0, 0, 1, 0}, b), 0u);
  n.NewtonAddBodyImpulse(b, {3, 4, 5, 0}, {510, 90, 0.5f, 1});  // off centre, every way
  Steps(30);
  NewtonVector w;
  n.NewtonBodyGetOmega(b, w);
  EXPECT_EQ(w.X, 0);
  EXPECT_EQ(w.Y, 0);
  EXPECT_NE(w.Z, 0);
  const NewtonMatrix m = Matrix(b);
  EXPECT_NEAR(m.M[2][2], 1, 1e-6f);
  EXPECT_GT(m.M[3][1], 100);  // it falls towards +Y
  EXPECT_GT(m.M[3][2], 0);    // and drifts along Z as pushed
}

TEST_F(BulletNewtonTest, ABodyOutsideTheWorldNeitherMovesCollidesNorIsFound) {
  const NewtonBody floor = Box(10, 0, 0);
  const NewtonBody cube = Box(1, 5, 1);
  const NewtonMatrix parked = At(16777215, 16777215, 16777215);
  n.NewtonBodySetMatrix(floor, parked);
  n.NewtonBodySetMatrix(cube, parked);
  Steps(30);
  EXPECT_EQ(Matrix(cube).M[3][2], 16777215);
  std::vector<NewtonBody> found;
  n.NewtonWorldForEachBodyInAABBDo(world, {-1e9f, -1e9f, -1e9f, 0}, {1e9f, 1e9f, 1e9f, 0}, FindAll, &found);
  EXPECT_TRUE(found.empty());
  // Back inside, the cube falls again, and now straight through the parked floor.
  n.NewtonBodySetMatrix(cube, At(0, 0, 5));
  Steps(120);
  EXPECT_LT(Matrix(cube).M[3][2], 0);
  n.NewtonWorldForEachBodyInAABBDo(world, {-1, -1, -1000, 0}, {1, 1, 1000, 0}, FindAll, &found);
  EXPECT_EQ(found, std::vector<NewtonBody>{cube});
  // Destroyed bodies and unknown handles answer nothing.
  n.NewtonDestroyBody(world, cube);
  EXPECT_EQ(n.NewtonBodyGetWorld(cube), 0u);
  EXPECT_EQ(n.NewtonBodyGetUserData(cube), nullptr);
  EXPECT_EQ(Matrix(cube).M[3][2], 0);
}

TEST_F(BulletNewtonTest, ShapesCollideWhenTheyTouchOrOverlap) {
  const NewtonCollision box = n.NewtonCreateBox(world, 1, 1, 1);
  const NewtonCollision ball = n.NewtonCreateSphere(world, 0.5f, 0.5f, 0.5f);
  NewtonVector point, normal;
  float depth = -1;
  const auto collide = [&](NewtonCollision A, float X, NewtonCollision B) {
    return n.NewtonCollisionCollide(world, 1, A, At(X, 0, 0), B, At(0, 0, 0), &point, &normal, &depth);
  };
  EXPECT_EQ(collide(box, 1.1f, box), 0);
  EXPECT_EQ(collide(box, 1.0f, box), 1);
  EXPECT_NEAR(depth, 0, 1e-3f);
  EXPECT_EQ(collide(box, 0.8f, ball), 1);
  EXPECT_NEAR(depth, 0.2f, 1e-3f);
  EXPECT_NEAR(normal.X, 1, 1e-3f);  // from B towards A
  EXPECT_NEAR(point.X, 0.5f, 1e-2f);
  EXPECT_EQ(n.NewtonCollisionCollide(world, 0, box, At(0, 0, 0), box, At(0, 0, 0), &point, &normal, &depth), 0);
}

TEST_F(BulletNewtonTest, AnEllipsoidRestsOnItsLowestPoint) {
  Box(10, 0, 0);
  const NewtonCollision c = n.NewtonCreateSphere(world, 0.5f, 0.5f, 1);
  const NewtonBody b = n.NewtonCreateBody(world, c);
  n.NewtonBodySetMatrix(b, At(0, 0, 3));
  n.NewtonBodySetMassMatrix(b, 1, 1, 1, 10);
  n.NewtonBodySetForceAndTorqueCallback(b, Fall);
  Steps(240);
  EXPECT_NEAR(Matrix(b).M[3][2], 1.5f, 0.05f);
}

TEST_F(BulletNewtonTest, ALongUpdateIsCutIntoFrameSteps) {
  // The height of a box dropped from z = 5 in a world of its own after the given updates.
  const auto drop = [&](std::initializer_list<float> Updates) {
    world = n.NewtonCreate();
    const NewtonBody b = Box(1, 5, 1);
    for (float dt : Updates) n.NewtonUpdate(world, dt);
    return Matrix(b).M[3][2];
  };
  EXPECT_NEAR(drop({0.1f}), drop({0.1f / 6, 0.1f / 6, 0.1f / 6, 0.1f / 6, 0.1f / 6, 0.1f / 6}), 1e-5f);
  // A stall of a second counts as ten frames; no time or no number moves nothing.
  EXPECT_NEAR(drop({1.0f, 0, -1, NAN}), 5 - 8.9f * 55 / 3600, 1e-4f);
}

// Frames of a real-time loop vary: a loop without a window runs frames of microseconds, with now
// and then one the system held back. The world moves in its own steps whatever the updates: a
// cube dropped on the floor and a stack of ten come to rest exactly where they do at 60 updates
// a second, and there the cube lies on the floor and the stack stands upright.
TEST_F(BulletNewtonTest, BodiesComeToRestAlikeAtAnyMixOfUpdateLengths) {
  struct Mix {
    float Short, Long;
    int Every;  // every Every-th update is Long
  };
  std::vector<NewtonBody> bodies;
  const auto run = [&](Mix M) {
    world = n.NewtonCreate();
    n.NewtonSetSolverModel(world, 8);  // as the scene has it
    Box(20, 0, 0);
    bodies = {Box(1, 5, 1)};
    n.NewtonBodySetMatrix(bodies[0], At(5, 0, 5));
    for (int i = 0; i < 10; ++i) bodies.push_back(Box(1, static_cast<float>(i + 1), 1));
    double t = 0;
    for (int i = 1; t < 6; ++i) {
      const float dt = i % M.Every == 0 ? M.Long : M.Short;
      n.NewtonUpdate(world, dt);
      t += dt;
    }
    std::vector<NewtonMatrix> at;
    for (NewtonBody b : bodies) {
      at.push_back(Matrix(b));
      EXPECT_EQ(n.NewtonBodyGetSleepingState(b), 1) << b;
    }
    return at;
  };
  const std::vector<NewtonMatrix> even = run({Frame, Frame, 1});
  EXPECT_NEAR(even[0].M[3][2], 1, 0.01f);
  for (int i = 1; i <= 10; ++i) {
    SCOPED_TRACE(i);
    const NewtonMatrix& m = even[static_cast<std::size_t>(i)];
    EXPECT_NEAR(m.M[3][2], static_cast<float>(i), 0.01f);
    EXPECT_LT(std::hypot(m.M[3][0], m.M[3][1]), 0.15f) << "stacked";
    EXPECT_GT(m.M[2][2], std::cos(1 / 57.3f)) << "upright";
  }
  for (Mix mix : {Mix{5e-6f, 0.02f, 1000}, Mix{5e-4f, 0.016f, 20}, Mix{5e-4f, 5e-4f, 1}}) {
    SCOPED_TRACE(::testing::Message() << mix.Short << " s, every " << mix.Every << "th " << mix.Long << " s");
    const std::vector<NewtonMatrix> mixed = run(mix);
    for (std::size_t b = 0; b < even.size(); ++b)
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) ASSERT_EQ(mixed[b].M[i][j], even[b].M[i][j]) << b << ": " << i << "," << j;
  }
}

// However many updates a second the loop runs, a body let go from rest falls as its force says
// in the engine's steps, and a body that lands is pushed out of what it landed on before it
// sleeps.
class BulletNewtonRateTest : public BulletNewtonTest, public ::testing::WithParamInterface<int> {
protected:
  float Dt() const { return 1.0f / static_cast<float>(GetParam()); }
  // Steps of the rate for Seconds.
  void Run(float Seconds) {
    const int count = static_cast<int>(std::lround(Seconds * static_cast<float>(GetParam())));
    Steps(count, Dt());
  }
};

TEST_P(BulletNewtonRateTest, ABodyLetGoFromRestFallsWhateverTheStepRate) {
  const NewtonBody cube = Box(1, 500, 1);
  // The screen world's body: a stronger pull across the screen, and looser thresholds.
  const NewtonBody tile = Box(1, 0, 1);
  n.NewtonBodySetMatrix(tile, At(200, 0, 0));
  n.NewtonBodySetForceAndTorqueCallback(tile, Sideways);
  n.NewtonBodySetFreezeTreshold(tile, 1.0f, 1.0f, 5);
  Run(0.5f);
  // Free fall for half a second in semi-implicit steps of 1/60 s: Force x Step^2 x n(n + 1) / 2
  // after n, at any rate.
  const float fall = Frame * Frame * 30 * 31 / 2;
  EXPECT_NEAR(500 - Matrix(cube).M[3][2], 8.9f * fall, 0.01f);
  EXPECT_EQ(n.NewtonBodyGetSleepingState(cube), 0);
  EXPECT_NEAR(Matrix(tile).M[3][1], 49 * fall, 0.05f);
  EXPECT_EQ(n.NewtonBodyGetSleepingState(tile), 0);
}

TEST_P(BulletNewtonRateTest, ACubeDroppedOnAFloorRestsOnItsTopAndSleeps) {
  Box(10, 0, 0);  // top at z 0.5
  // From high up: it lands fast and deep in the floor.
  const NewtonBody cube = Box(1, 20, 1);
  Run(6);
  ASSERT_EQ(n.NewtonBodyGetSleepingState(cube), 1);
  EXPECT_NEAR(Matrix(cube).M[3][2], 1, 0.01f);
  // A body that comes to rest in the air for a moment (thrown straight up) is not put to sleep
  // at the top of its flight.
  n.NewtonAddBodyImpulse(cube, {0, 0, 3, 0}, {0, 0, 1, 1});
  Run(0.3f);
  EXPECT_GT(Matrix(cube).M[3][2], 1.3f);
  Run(4);
  ASSERT_EQ(n.NewtonBodyGetSleepingState(cube), 1);
  EXPECT_NEAR(Matrix(cube).M[3][2], 1, 0.01f);
}

INSTANTIATE_TEST_SUITE_P(StepsASecond, BulletNewtonRateTest, ::testing::Values(60, 300, 1000, 2000));

}  // namespace

}  // namespace bullet_newton_test
