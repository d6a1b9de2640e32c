// From a changed Hud label to the presented frame, 1024 x 768, as every window of the program
// is built: a transparent scene whose root holds a GUI object layer over the whole client area,
// carrying a Hud window with labels and buttons. Each step changes one label's text; the label
// asks the layer for a repaint of its rectangle, the layer asks the scene for a frame, the loop
// draws it (the layer repaints and uploads only the dirty rectangle), reads it back and hands it
// to the layered form (SDL's dummy display unless SDL_VIDEODRIVER names another).
// Reported: the median and the 99th percentile of a step, and the dirty pixels of a step.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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

using namespace dx;

namespace {

const bool headless = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  return true;
}();

void BM_LabelTextToPresentedFrame(benchmark::State& State) {
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
    form->SetBounds(0, 0, 1024, 768);
    auto* scene = new TdxScene(form.get());
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetAllowDrag(true);
    scene->SetFillColor("#00000000");
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    auto* layer = new TdxGUIObjectLayer(form.get());
    layer->SetAllowDrag(true);
    root->AddObject(layer);
    layer->SetLayerAlign(dxLayerContents);
    auto* window = new vg::TvxHudWindow(form.get());
    window->SetText(u"Gas");
    layer->AddObject(window);
    vg::TvxHudLabel* value = nullptr;
    for (int i = 0; i < 12; ++i) {
      auto* l = new vg::TvxHudLabel(form.get());
      window->AddObject(l);
      l->SetBounds(20 + (i % 4) * 240.0f, 60 + (i / 4) * 60.0f, 200, 24);
      l->SetText(u"Reducer pressure 1.25");
      if (i == 5) value = l;
      auto* b = new vg::TvxHudButton(form.get());
      window->AddObject(b);
      b->SetBounds(20 + (i % 4) * 240.0f, 300 + (i / 4) * 40.0f, 100, 26);
      b->SetText(u"Apply");
    }
    form->Show();
    rtl::Application->ProcessMessages();
    std::vector<double> ms;
    double dirty = 0;
    int step = 0;
    const int framesBefore = scene->FrameCount();
    for (auto _ : State) {
      const auto t0 = std::chrono::steady_clock::now();
      value->SetText(u"Reducer pressure " + std::u16string(1, static_cast<char16_t>(u'0' + ++step % 10)));
      for (const vg::TvxRect& r : layer->UpdateRects()) dirty += (r.Right - r.Left) * (r.Bottom - r.Top);
      rtl::Application->ProcessMessages();
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) {
      State.counters["median_ms"] = ms[ms.size() / 2];
      State.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
      State.counters["dirty_px"] = dirty / static_cast<double>(ms.size());
    }
    State.counters["frames_per_step"] =
        static_cast<double>(scene->FrameCount() - framesBefore) / static_cast<double>(std::max<size_t>(ms.size(), 1));
  }
  rtl::Application->ProcessMessages();
  vg::FreeAniThread();
  SceneLibraryShutdown();
  dxDirectXShutdown();
  vg::ControlsShutdown();
}

BENCHMARK(BM_LabelTextToPresentedFrame)->Unit(benchmark::kMillisecond);

}  // namespace
