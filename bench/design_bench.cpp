// One step of a design move among many siblings: a box is dragged by one unit inside a parent
// that holds 500 visible siblings in a grid, with snap lines on, so each step compares the box
// with every sibling (ten rules each), moves it, repaints what changed and looks for the object
// a drop would go into. The host is a bare 2D host that only collects dirty rectangles.
#include <memory>

#include <benchmark/benchmark.h>

#include "platform/rtl/Component.h"
#include "tests/vg2d_core/FakeScene.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneHost.h"

using namespace vg;

namespace {

class BenchHost : public rtl::TComponent, public TvxSceneHost {
public:
  BenchHost() : rtl::TComponent(nullptr), TvxSceneHost(this, TvxDesignKind{"TvxBackground", "", false, false, true}) {
    SetDesignTime(true);
  }
  ~BenchHost() override { FreeRoots(); }
  void Step(rtl::TMouseButton Button, bool Press, float X, float Y) {
    mousePos_ = MakePoint(X, Y);
    if (Press)
      Designer().Press(Button, {}, mousePos_);
    else
      Designer().Move({rtl::ssLeft}, mousePos_);
    updateRects_.clear();
  }
  void BeginWindowDrag() override {}
  void BeginWindowResize() override {}
  void AddUpdateRect(const TvxRect& R) override { updateRects_.push_back(R); }
  TvxCanvas* GetCanvas() override { return nullptr; }
  using rtl::TComponent::GetOwner;
  rtl::TComponent* GetOwner() override { return nullptr; }
  rtl::TComponent* GetComponent() override { return this; }
  bool GetTransparency() override { return false; }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    rtl::TComponent::Notification(AComponent, Operation);
    if (Operation == rtl::opRemove) ForgetReferences(AComponent);
  }
  void SetCaptured(TvxVisualObject* Value) override { captured_ = Value; }
  TvxPoint LocalToScreen(const TvxPoint& P) override { return P; }
  void BeginVCLDrag(TvxVisualObject*) override {}

protected:
  float HostWidth() override { return 1024; }
  float HostHeight() override { return 768; }
  bool HostDestroying() override { return false; }
  void RootRemoved() override {}
};

void BM_DesignMoveStepAmong500Siblings(benchmark::State& State) {
  LibraryStartup();
  {
    BenchHost host;
    auto* root = new TvxVisualObject(nullptr);
    host.AddObject(root);
    // 25 columns by 20 rows of 30 x 20 siblings, 40 x 30 apart: no sibling lines up with the box.
    for (int i = 0; i < 500; ++i) {
      auto* o = new vgtest::Box(nullptr);
      root->AddObject(o);
      o->SetBounds(5.0f + 40 * static_cast<float>(i % 25), 7.0f + 30 * static_cast<float>(i / 25), 30, 20);
    }
    auto* box = new vgtest::Box(nullptr);
    root->AddObject(box);
    box->SetBounds(1010, 700, 10, 10);
    host.Step(rtl::mbLeft, true, 1015, 705);
    float x = 1015;
    bool left = true;
    for (auto _ : State) {
      x += left ? -1.0f : 1.0f;
      left = !left;
      host.Step(rtl::mbLeft, false, x, 705);
      benchmark::DoNotOptimize(box->Position()->X());
    }
  }
  FreeAniThread();
  LibraryShutdown();
}
BENCHMARK(BM_DesignMoveStepAmong500Siblings)->Unit(benchmark::kMicrosecond);

}  // namespace
