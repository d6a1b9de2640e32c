// The scene's physics on Bullet: 500 dynamic 1 x 1 x 1 boxes dropped in two layers onto a static
// floor in the camera world, where they fall into a low pile. Measured: a step of that world while
// the boxes fall and settle (the first three seconds, 180 steps of 1/60 s), the first second of
// that fall in updates of 60 and of 2000 frames a second, a step once every box is frozen, and
// FindCollisions of 100 of the boxes lying in the pile.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/physics/BulletNewton.h"
#include "platform/rtl/Component.h"
#include "scene3d/NewtonPhysics.h"
#include "scene3d/VisualObjects.h"

using namespace dx;

namespace {

constexpr float Frame = 1.0f / 60;
constexpr int Boxes = 500;

// A host with nothing to show: it keeps the roots and the physics.
class Host : public rtl::TComponent, public IdxScene {
public:
  Host() : rtl::TComponent(nullptr) {}
  ~Host() override {
    while (!roots.empty()) roots.back()->Free();
  }
  void AddObject(TdxObject* Obj) override {
    roots.push_back(Obj);
    Obj->SetScene(this);
  }
  void RemoveObject(TdxObject* Obj) override { std::erase(roots, Obj); }
  void Notification(rtl::TComponent* C, rtl::TOperation Op) override { rtl::TComponent::Notification(C, Op); }
  bool GetDesignTime() const override { return false; }
  bool GetRealTime() const override { return true; }
  rtl::TComponent* GetComponent() override { return this; }
  void RepaintScene() override {}
  TdxCanvas* GetCanvas() override { return nullptr; }
  int GetClientWidth() override { return 1024; }
  int GetClientHeight() override { return 768; }
  void SetFocused(TdxVisualObject*) override {}
  TdxVisualObject* GetFocused() override { return nullptr; }
  void SetCaptured(TdxVisualObject*) override {}
  TdxVisualObject* GetCaptured() override { return nullptr; }
  TdxVisualObject* GetActiveControl() override { return nullptr; }
  TdxVector GetMousePos() override { return {}; }
  void ClientToScreen(float, float, int& X, int& Y) override { X = Y = 0; }
  void BeginVCLDrag(rtl::TComponent*) override {}
  bool IsDesignSelected(TdxVisualObject*) override { return false; }
  TdxCamera* GetCamera() override { return nullptr; }
  void SetCamera(TdxCamera*) override {}
  bool GetInvisibleAtRuntime() override { return false; }
  TdxPhysics* GetPhysics(bool Create) override {
    if (!physics && Create) physics = CreateDefaultPhysics(this);
    return physics.get();
  }

  std::vector<TdxObject*> roots;
  std::unique_ptr<TdxPhysics> physics;
};

// The floor and the boxes above it, each layer a 25 x 10 grid of boxes shifted and turned a
// little at random, so that they land on each other. (Taller towers of these boxes take minutes to
// come to rest, if they do: boxes leaning on boxes creep.)
struct Pile {
  Pile() {
    dxNewtonPhysicsStartup([this] { return entries = physics::BulletNewton(); });
    auto* floor = Add({0, 0, 0}, {60, 60, 1});
    floor->SetCollider(true);
    std::mt19937 random(53);
    std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
    for (int i = 0; i < Boxes; ++i) {
      const int layer = i / 250, row = i % 250 / 25, column = i % 25;
      auto* box = Add({(column - 12.5f) * 1.1f + jitter(random), (row - 5) * 1.1f + jitter(random), 2 + layer * 1.5f},
                      {1, 1, 1});
      box->RotateAngle()->SetZ(jitter(random) * 100);
      box->SetDynamic(true);
      boxes.push_back(box);
    }
  }
  ~Pile() { dxNewtonPhysicsShutdown(); }
  TdxVisualObject* Add(TdxPoint3D At, TdxPoint3D Size) {
    auto* o = new TdxVisualObject(nullptr);
    host.AddObject(o);
    o->Position()->SetPoint(At);
    o->SetWidth(Size.X);
    o->SetHeight(Size.Y);
    o->SetDepth(Size.Z);
    return o;
  }
  void Step(float Seconds = Frame) { host.physics->Update(host.physics->CameraWorld(), Seconds); }
  int Frozen() {
    int n = 0;
    for (TdxVisualObject* b : boxes) n += entries.NewtonBodyGetSleepingState(b->Body());
    return n;
  }

  physics::NewtonEntries entries;
  Host host;
  std::vector<TdxVisualObject*> boxes;
};

void BM_StepWhileSettling(benchmark::State& State) {
  Pile pile;
  for (auto _ : State) pile.Step();
  State.counters["frozen"] = pile.Frozen();
}
BENCHMARK(BM_StepWhileSettling)->Iterations(180)->Unit(benchmark::kMillisecond);

// The time is for the whole second of frames; a real-time loop runs as many as it can.
void BM_FirstSecondAtFramesASecond(benchmark::State& State) {
  const int rate = static_cast<int>(State.range(0));
  for (auto _ : State) {
    State.PauseTiming();
    auto pile = std::make_unique<Pile>();
    State.ResumeTiming();
    for (int i = 0; i < rate; ++i) pile->Step(1.0f / static_cast<float>(rate));
    State.PauseTiming();
    pile.reset();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_FirstSecondAtFramesASecond)->Arg(60)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_StepAllFrozen(benchmark::State& State) {
  Pile pile;
  int steps = 0;
  while (pile.Frozen() < Boxes && steps < 60 * 60) pile.Step(), ++steps;
  for (auto _ : State) pile.Step();
  State.counters["frozen"] = pile.Frozen();
  State.counters["steps to freeze"] = steps;
}
BENCHMARK(BM_StepAllFrozen)->Unit(benchmark::kMillisecond);

// The time is for all 100 queries together.
void BM_FindCollisions100(benchmark::State& State) {
  Pile pile;
  for (int i = 0; i < 600; ++i) pile.Step();
  for (TdxObject* o : pile.host.roots) o->ProcessTick(10, 0);
  int contacts = 0;
  std::vector<TdxVisualObject*> tracked;
  for (int i = 0; i < Boxes; i += 5) {
    tracked.push_back(pile.boxes[static_cast<std::size_t>(i)]);
    tracked.back()->OnCollision = [&contacts](rtl::TObject*, TdxVisualObject*, const TdxVector&, const TdxVector&) {
      ++contacts;
    };
  }
  for (auto _ : State) {
    std::vector<TdxVisualObject*> list;
    for (TdxVisualObject* o : tracked) pile.host.physics->FindCollisions(o, list);
  }
  State.counters["contacts per run"] = static_cast<double>(contacts) / static_cast<double>(State.iterations());
}
BENCHMARK(BM_FindCollisions100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
