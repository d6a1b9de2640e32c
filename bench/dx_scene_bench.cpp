// From a changed object to the presented frame, 1024 x 768: an object of a transparent scene
// moves, its render request is posted, the loop drains it, the scene draws the frame on the 3D
// device, reads it back and hands it to the layered form, which composes and shows it (SDL's
// dummy display unless SDL_VIDEODRIVER names another). The scene holds a lit cube seen through
// its camera and a screen-space bar, the bar being the object that moves.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"

using namespace dx;

namespace {

const bool headless = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  return true;
}();

class Cube : public TdxVisualObject {
public:
  using TdxVisualObject::TdxVisualObject;
  void Render() override {
    TdxMaterial m;
    m.SetDiffuseColor(colour);
    m.SetLighting(lit);
    GetCanvas()->SetMaterial(m);
    GetCanvas()->FillCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 1}, 1);
  }
  TdxColor colour = 0xFFC0C0C0u;
  bool lit = true;
};

void BM_ChangedObjectToPresentedFrame(benchmark::State& State) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  SceneLibraryStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(0, 0, 1024, 768);
    auto* scene = new TdxScene(form.get());
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetFillColor("#00000000");
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    root->AddObject(new TdxLight(form.get()));
    auto* cube = new Cube(form.get());
    cube->SetSizeNoChange(2, 2, 2);
    root->AddObject(cube);
    auto* camera = new TdxCamera(form.get());
    camera->Position()->SetPoint({4, -5, 3});
    camera->SetTarget(cube);
    root->AddObject(camera);
    scene->SetCamera(camera);
    auto* bar = new Cube(form.get());
    bar->SetProjection(dxProjectionScreen);
    bar->colour = 0xFF30D040u;
    bar->lit = false;
    bar->SetSizeNoChange(600, 24, 1);
    bar->Position()->SetPoint({512, 700, 0});
    root->AddObject(bar);
    form->Show();
    rtl::Application->ProcessMessages();
    int step = 0;
    for (auto _ : State) {
      bar->Position()->SetX(static_cast<float>(400 + (++step % 200)));
      rtl::Application->ProcessMessages();
    }
    State.counters["frames"] = scene->FrameCount();
  }
  rtl::Application->ProcessMessages();
  SceneLibraryShutdown();
  dxDirectXShutdown();
}

BENCHMARK(BM_ChangedObjectToPresentedFrame)->Unit(benchmark::kMillisecond);

}  // namespace
