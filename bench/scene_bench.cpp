// From a changed control to the frame on screen: one control of a 1024 x 768 scene (500
// controls in ten rows) changes its colour, asks for a repaint, the scene paints the dirty
// rectangle on its paint message, copies it to the form and the form presents it to the
// window. Runs on SDL's dummy display unless SDL_VIDEODRIVER names another; reports the
// median and the 99th percentile of single updates.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "tests/vg2d_core/FakeScene.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"

using namespace vg;

namespace {

struct Window {
  Window() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    LibraryStartup();
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(0, 0, 1024, 768);
    scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new vgtest::Box(form.get(), 0xFFE0E0E0u);
    scene->AddObject(root);
    root->Margins()->SetRect({4, 4, 4, 4});
    root->BeginUpdate();
    for (int i = 0; i < 10; ++i) {
      auto* row = new vgtest::Box(form.get(), 0xFFC0C8D0u);
      row->SetHeight(74);
      root->AddObject(row);
      row->SetAlign(vaTop);
      row->Padding()->SetRect({0, 1, 0, 1});
      for (int k = 0; k < 49; ++k) {
        auto* c = new vgtest::Box(form.get(), 0xFF405080u);
        c->SetWidth(18);
        row->AddObject(c);
        c->SetAlign(vaLeft);
        c->Padding()->SetRect({1, 2, 1, 2});
        leaves.push_back(c);
      }
    }
    root->EndUpdate();
    this->root = root;
    form->Show();
    rtl::Application->ProcessMessages();
  }
  std::unique_ptr<win::TForm> form;
  TvxScene* scene = nullptr;
  vgtest::Box* root = nullptr;
  std::vector<vgtest::Box*> leaves;
};

// Made once and kept to the end of the process: the drawing back end goes down in main.
Window& TheWindow() {
  static Window* w = new Window;
  return *w;
}

double Percentile(const std::vector<double>& V, double P) {
  std::vector<double> s = V;
  std::sort(s.begin(), s.end());
  return s[std::min(s.size() - 1, static_cast<size_t>(P * static_cast<double>(s.size() - 1) + 0.5))];
}

void UpdateOneControl(benchmark::State& State) {
  Window& w = TheWindow();
  size_t i = 0;
  const int presents = w.form->PresentCount();
  for (auto _ : State) {
    vgtest::Box* c = w.leaves[i++ % w.leaves.size()];
    c->color ^= 0x00FFFFFFu;
    c->Repaint();
    rtl::Application->ProcessMessages();
  }
  if (w.form->PresentCount() - presents != static_cast<int>(State.iterations()))
    State.SkipWithError("not every change was presented");
}

void UpdateWholeWindow(benchmark::State& State) {
  Window& w = TheWindow();
  for (auto _ : State) {
    w.root->color ^= 0x00FFFFFFu;
    w.root->Repaint();
    rtl::Application->ProcessMessages();
  }
}

}  // namespace

BENCHMARK(UpdateOneControl)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(1000)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("p99", [](const std::vector<double>& V) { return Percentile(V, 0.99); });
BENCHMARK(UpdateWholeWindow)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(200)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("p99", [](const std::vector<double>& V) { return Percentile(V, 0.99); });
