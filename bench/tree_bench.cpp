// The cost of keeping a 2D tree on screen: 500 controls in ten aligned rows on a
// 1024 x 768 cairo canvas, realigned and repainted after one control changes its width,
// and after every control does.
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "tests/vg2d_core/FakeScene.h"
#include "vg2d/core/CanvasGdiPlus.h"

using namespace vg;

namespace {

constexpr int Rows = 10;
constexpr int PerRow = 49;  // with the rows and the root: 500 objects

struct Tree {
  Tree() : canvas(TvxCanvasGdiPlus::ClassRef()->Create(1024, 768)), scene(canvas.get()) {
    auto* r = new vgtest::Box(nullptr, 0xFFE0E0E0u);
    root.reset(r);
    r->SetInitialSize(1024, 768);
    r->Margins()->SetRect({4, 4, 4, 4});
    scene.AddObject(r);
    r->BeginUpdate();
    for (int i = 0; i < Rows; ++i) {
      auto* row = new vgtest::Box(nullptr, 0xFFC0C8D0u);
      row->SetHeight(74);
      r->AddObject(row);
      row->SetAlign(vaTop);
      row->Padding()->SetRect({0, 1, 0, 1});
      for (int k = 0; k < PerRow; ++k) {
        auto* c = new vgtest::Box(nullptr, 0xFF000000u | static_cast<TvxColor>(0x405080 + 0x030201 * k));
        c->SetWidth(18);
        row->AddObject(c);
        c->SetAlign(vaLeft);
        c->Padding()->SetRect({1, 2, 1, 2});
        leaves.push_back(c);
      }
    }
    r->EndUpdate();
    scene.Paint();
  }
  std::unique_ptr<TvxCanvas> canvas;
  vgtest::FakeScene scene;
  TvxObjectPtr root;
  std::vector<TvxVisualObject*> leaves;
};

void BM_RealignRepaintOneChild(benchmark::State& State) {
  {
    Tree t;
    TvxVisualObject* c = t.leaves[PerRow * 4 + 20];
    float w = 18;
    for (auto _ : State) {
      w = w == 18 ? 19 : 18;
      c->SetWidth(w);
      t.scene.Paint();
      benchmark::DoNotOptimize(t.canvas->BufferBits()[0]);
    }
  }
}
BENCHMARK(BM_RealignRepaintOneChild)->Unit(benchmark::kMicrosecond);

void BM_RealignRepaintAllChildren(benchmark::State& State) {
  {
    Tree t;
    float w = 18;
    for (auto _ : State) {
      w = w == 18 ? 19 : 18;
      t.root->Visual()->BeginUpdate();
      for (TvxVisualObject* c : t.leaves) c->SetWidth(w);
      t.root->Visual()->EndUpdate();
      t.scene.AddUpdateRect({0, 0, 1024, 768});
      t.scene.Paint();
      benchmark::DoNotOptimize(t.canvas->BufferBits()[0]);
    }
  }
}
BENCHMARK(BM_RealignRepaintAllChildren)->Unit(benchmark::kMicrosecond);

}  // namespace
