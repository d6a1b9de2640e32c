// One step of a design move in a 3D scene of 1,000 cubes: the selected cube follows the
// pointer by one pixel, which takes the pick rays at the previous and the current point,
// meets them with the plane through the cube, moves the cube and asks for a frame. The scene
// sits in a form on SDL's dummy display with a canvas that draws nothing, so the step alone
// is measured, not the frame it asks for.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "platform/loop/Application.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "tests/scene3d/NullCanvas.h"
#include "tests/scene3d/ViewAim.h"

using namespace dx;

namespace {

const bool headless = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  return true;
}();

class BenchScene : public TdxScene {
public:
  using TdxScene::TdxScene;
  using TdxScene::MouseDown;
  using TdxScene::MouseMove;
};

void BM_DesignMoveStepAmong1000Cubes(benchmark::State& State) {
  rtl::Application->Reset();
  SceneLibraryStartup();
  const TdxCanvasClass* saved = DefaultCanvasClass;
  DefaultCanvasClass = TdxCanvasClassOf<dxtest::NullCanvas>::Instance();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(0, 0, 1024, 768);
    auto* scene = new BenchScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    scene->SetDesignTime(true);
    auto* root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    // 1,000 cubes in a 10 x 10 x 10 block about the centre of the view; the one moved lies
    // in the front row of the top layer, where nothing covers it.
    TdxCube* moved = nullptr;
    for (int i = 0; i < 1000; ++i) {
      auto* c = new TdxCube(form.get());
      root->AddObject(c);
      c->SetWidth(0.4f);
      c->SetHeight(0.4f);
      c->SetDepth(0.4f);
      c->Position()->SetPoint({static_cast<float>(i % 10) - 4.5f, static_cast<float>(i / 10 % 10) - 4.5f,
                               static_cast<float>(i / 100) - 4.5f});
      if (i == 905) moved = c;
    }
    form->Show();
    rtl::Application->ProcessMessages();
    // A press on the cube selects it and starts the move.
    const win::TPoint at = dxtest::ProjectToClient(*scene->GetCanvas(), moved->AbsolutePosition());
    scene->MouseDown(rtl::mbLeft, {}, at.X, at.Y);
    if (scene->Selected() != moved || scene->DesignDrag() != TdxDesignDrag::Move)
      State.SkipWithError("the press did not start moving the cube");  // the loop then runs no step
    int x = at.X;
    bool right = true;
    for (auto _ : State) {
      x += right ? 1 : -1;
      right = !right;
      scene->MouseMove({rtl::ssLeft}, x, at.Y);
      benchmark::DoNotOptimize(moved->Position()->X());
    }
  }
  rtl::Application->ProcessMessages();
  DefaultCanvasClass = saved;
  SceneLibraryShutdown();
}
BENCHMARK(BM_DesignMoveStepAmong1000Cubes);

}  // namespace
