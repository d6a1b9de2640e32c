// The physics interface: a scene gets an engine only when an engine class is named, and a
// step updates each world the engine has made, once.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "SceneFakes.h"
#include "scene3d/Physics.h"

namespace physics_test {

using namespace dx;

namespace {

// Records the updates; makes its worlds when told.
class RecordingPhysics : public TdxPhysics {
  RTL_CLASS(RecordingPhysics, TdxPhysics)
public:
  using TdxPhysics::TdxPhysics;
  void MakeWorlds(TdxWorld Camera, TdxWorld Screen) { cameraWorld_ = Camera, screenWorld_ = Screen; }
  TdxWorld CreateWorld() override { return 0; }
  void DestroyWorld(TdxWorld) override {}
  void Update(TdxWorld World, float DeltaTime) override { updates.push_back({World, DeltaTime}); }
  void FindCollisions(TdxVisualObject*, std::vector<TdxVisualObject*>&) override {}
  void FindCollisionsOfBody(TdxBody, std::vector<TdxVisualObject*>&) override {}
  TdxVisualObject* ObjectOfBody(TdxBody) override { return nullptr; }
  TdxBody CreateBoxBody(TdxVisualObject*, const TdxVector&) override { return 0; }
  TdxBody CreateSphereBody(TdxVisualObject*, const TdxVector&) override { return 0; }
  TdxBody CreateConeBody(TdxVisualObject*, const TdxVector&) override { return 0; }
  TdxBody CreateCylinderBody(TdxVisualObject*, const TdxVector&) override { return 0; }
  void DestroyBody(TdxBody& Body) override { Body = 0; }
  void SetBodyMatrix(TdxBody, const TdxMatrix&) override {}
  TdxMatrix GetBodyMatrix(TdxBody) override { return IdentityMatrix; }
  void AddImpulse(TdxVisualObject*, const TdxVector&) override {}
  std::vector<TdxBody> BodiesInBox(TdxWorld, const TdxVector&, const TdxVector&) override { return {}; }
  void ReservedOperation() override {}

  std::vector<std::pair<TdxWorld, float>> updates;
};

}  // namespace

rtl::TClass RecordingPhysics::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<RecordingPhysics>().Build();
  return &info;
}

namespace {

TEST(DxPhysics, EngineIsMadeOnlyFromANamedClassForItsScene) {
  dxtest::FakeScene scene;
  ASSERT_EQ(DefaultPhysicsClass, nullptr);
  EXPECT_EQ(CreateDefaultPhysics(&scene), nullptr);
  DefaultPhysicsClass = TdxPhysicsClassOf<RecordingPhysics>::Instance();
  std::unique_ptr<TdxPhysics> engine = CreateDefaultPhysics(&scene);
  DefaultPhysicsClass = nullptr;
  ASSERT_NE(engine, nullptr);
  EXPECT_TRUE(engine->Is<RecordingPhysics>());
  EXPECT_EQ(engine->Scene(), &scene);
}

TEST(DxPhysics, StepUpdatesEachWorldThatExistsOnce) {
  RecordingPhysics engine(nullptr);
  engine.Step(0.025f);
  EXPECT_TRUE(engine.updates.empty());
  engine.MakeWorlds(0, 9);
  engine.Step(0.5f);
  engine.MakeWorlds(4, 9);
  engine.Step(0.25f);
  using U = std::vector<std::pair<TdxWorld, float>>;
  EXPECT_EQ(engine.updates, (U{{9, 0.5f}, {4, 0.25f}, {9, 0.25f}}));
}

}  // namespace

}  // namespace physics_test
