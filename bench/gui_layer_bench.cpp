// From a changed Hud label to the presented frame, 1024 x 768, side by side in one run: the
// same Hud window (twelve labels and twelve buttons) on
// - TwoDScene: a 2D scene control filling an opaque form (the figure the others are held to);
// - TwoDLayeredScene: the same scene, transparent, on a layered form;
// - GuiLayer: a window as the program builds every window, a transparent 3D scene whose root
//   holds a GUI layer; the change is composed over the fill without the 3D device;
// - GuiLayerOver3D: the same with a lit cube under the layer: drawn on the device held to the
//   changed rectangle, which alone is read back;
// - GuiLayerWholeFrame: the same window forced to draw the whole view on the device, read it
//   back and present it after each change, as every frame was drawn before frames drew only
//   what changed (an object with an empty paint handler keeps the frames on the device).
// The full repaints paint the whole layer again: composed, and as a whole device frame.
// Each step is timed from the change to the presented frame (SDL's dummy display unless
// SDL_VIDEODRIVER names another); reported: the median and the 99th percentile of a step,
// and frames per step.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/SceneControl.h"

using namespace dx;

namespace {

const bool headless = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  return true;
}();

constexpr int W = 1024, H = 768;

// The Hud window every variant shows; answers the label whose text changes.
vg::TvxHudLabel* FillWindow(vg::TvxHudWindow* Window, rtl::TComponent* Owner) {
  Window->SetText(u"Gas");
  vg::TvxHudLabel* value = nullptr;
  for (int i = 0; i < 12; ++i) {
    auto* l = new vg::TvxHudLabel(Owner);
    Window->AddObject(l);
    l->SetBounds(20 + (i % 4) * 240.0f, 60 + (i / 4) * 60.0f, 200, 24);
    l->SetText(u"Reducer pressure 1.25");
    if (i == 5) value = l;
    auto* b = new vg::TvxHudButton(Owner);
    Window->AddObject(b);
    b->SetBounds(20 + (i % 4) * 240.0f, 300 + (i / 4) * 40.0f, 100, 26);
    b->SetText(u"Apply");
  }
  return value;
}

class Cube : public TdxVisualObject {
public:
  using TdxVisualObject::TdxVisualObject;
  void Render() override {
    TdxMaterial m;
    m.SetDiffuseColor(0xFFC08040u);
    GetCanvas()->SetMaterial(m);
    GetCanvas()->FillCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 1}, 1);
  }
};

// Times Step (a change and the loop until its frame is presented) over the benchmark's
// iterations and reports the median, the 99th percentile and the frames per step.
void TimeSteps(benchmark::State& State, const std::function<void(int)>& Step, const std::function<int()>& Frames) {
  std::vector<double> ms;
  const int before = Frames();
  int step = 0;
  for (auto _ : State) {
    const auto t0 = std::chrono::steady_clock::now();
    Step(++step);
    rtl::Application->ProcessMessages();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) return;
  State.counters["median_ms"] = ms[ms.size() / 2];
  State.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  State.counters["frames_per_step"] = static_cast<double>(Frames() - before) / static_cast<double>(ms.size());
}

std::u16string Text(int Step) {
  return u"Reducer pressure " + std::u16string(1, static_cast<char16_t>(u'0' + Step % 10));
}

void TwoDScene(benchmark::State& State, bool Layered) {
  vg::ControlsStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(0, 0, W, H);
    auto* scene = new vg::TvxScene(form.get());
    scene->SetTransparency(Layered);
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* window = new vg::TvxHudWindow(form.get());
    scene->AddObject(window);
    vg::TvxHudLabel* value = FillWindow(window, form.get());
    form->Show();
    rtl::Application->ProcessMessages();
    TimeSteps(
        State, [&](int Step) { value->SetText(Text(Step)); }, [&] { return form->PresentCount(); });
  }
  rtl::Application->ProcessMessages();
  vg::FreeAniThread();
  vg::ControlsShutdown();
}

void BM_TwoDScene_LabelText(benchmark::State& State) { TwoDScene(State, false); }
void BM_TwoDLayeredScene_LabelText(benchmark::State& State) { TwoDScene(State, true); }

enum class Variant { Composed, Over3D, WholeFrame };

// The program's window; Full repaints the whole layer each step instead of one label.
void GuiLayer(benchmark::State& State, Variant How, bool Full) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  vg::ControlsStartup();
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  SceneLibraryStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(0, 0, W, H);
    auto* scene = new TdxScene(form.get());
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetAllowDrag(true);
    scene->SetFillColor("#00000000");
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    if (How == Variant::WholeFrame) {
      // An object whose (empty) paint handler keeps every frame on the device.
      auto* keeper = new TdxVisualObject(form.get());
      keeper->OnPaint = [](rtl::TObject*, TdxCanvas*) {};
      root->AddObject(keeper);
    }
    if (How == Variant::Over3D) {
      auto* cube = new Cube(form.get());
      cube->SetSizeNoChange(2.5f, 2.5f, 2.5f);
      root->AddObject(cube);
      auto* camera = new TdxCamera(form.get());
      camera->Position()->SetPoint({4, -5, 3});
      camera->SetTarget(cube);
      root->AddObject(camera);
      scene->SetCamera(camera);
    }
    auto* layer = new TdxGUIObjectLayer(form.get());
    layer->SetAllowDrag(true);
    root->AddObject(layer);
    layer->SetLayerAlign(dxLayerContents);
    auto* window = new vg::TvxHudWindow(form.get());
    layer->AddObject(window);
    vg::TvxHudLabel* value = FillWindow(window, form.get());
    form->Show();
    rtl::Application->ProcessMessages();
    TimeSteps(
        State,
        [&](int Step) {
          if (Full)
            layer->AddUpdateRect(vg::MakeRect(0, 0, W, H));
          else
            value->SetText(Text(Step));
          if (How == Variant::WholeFrame) scene->RepaintScene();
        },
        [&] { return scene->FrameCount(); });
  }
  rtl::Application->ProcessMessages();
  vg::FreeAniThread();
  SceneLibraryShutdown();
  dxDirectXShutdown();
  vg::ControlsShutdown();
}

void BM_GuiLayer_LabelText(benchmark::State& State) { GuiLayer(State, Variant::Composed, false); }
void BM_GuiLayerOver3D_LabelText(benchmark::State& State) { GuiLayer(State, Variant::Over3D, false); }
void BM_GuiLayerWholeFrame_LabelText(benchmark::State& State) { GuiLayer(State, Variant::WholeFrame, false); }
void BM_GuiLayer_FullRepaint(benchmark::State& State) { GuiLayer(State, Variant::Composed, true); }
void BM_GuiLayerWholeFrame_FullRepaint(benchmark::State& State) { GuiLayer(State, Variant::WholeFrame, true); }

}  // namespace

BENCHMARK(BM_TwoDScene_LabelText)->Unit(benchmark::kMillisecond)->Iterations(2000);
BENCHMARK(BM_TwoDLayeredScene_LabelText)->Unit(benchmark::kMillisecond)->Iterations(2000);
BENCHMARK(BM_GuiLayer_LabelText)->Unit(benchmark::kMillisecond)->Iterations(2000);
BENCHMARK(BM_GuiLayerOver3D_LabelText)->Unit(benchmark::kMillisecond)->Iterations(500);
BENCHMARK(BM_GuiLayerWholeFrame_LabelText)->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_GuiLayer_FullRepaint)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_GuiLayerWholeFrame_FullRepaint)->Unit(benchmark::kMillisecond)->Iterations(200);
