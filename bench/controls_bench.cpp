// The cost of a live value on a window: a 1024 x 768 Hud window full of controls (panels
// with labels, buttons, check boxes and group boxes, 8 x 8 cells), painted once; then one
// Hud label's text changes and the dirty rectangle is repainted into the scene's buffer.
// Reported per change: the median and the 99th percentile, in milliseconds.
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "tests/vg2d_core/FakeScene.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/CanvasGdiPlus.h"

using namespace vg;

namespace {

constexpr int Columns = 8;
constexpr int Rows = 8;

struct HudDesk {
  HudDesk() : canvas(TvxCanvasGdiPlus::ClassRef()->Create(1024, 768)), scene(canvas.get()) {
    auto* w = new TvxHudWindow(nullptr);
    window.reset(w);
    w->SetBounds(0, 0, 1024, 768);
    w->SetText(u"Gas ECU");
    scene.AddObject(w);
    const float cellW = 1000.0f / Columns;
    const float cellH = 730.0f / Rows;
    for (int r = 0; r < Rows; ++r)
      for (int c = 0; c < Columns; ++c) {
        const float x = 12 + c * cellW;
        const float y = 28 + r * cellH;
        TvxControl* cell = nullptr;
        if ((r + c) % 4 == 1)
          cell = new TvxHudGroupBox(nullptr);
        else
          cell = new TvxHudPanel(nullptr);
        w->AddObject(cell);
        cell->SetBounds(x, y, cellW - 8, cellH - 8);
        auto* label = new TvxHudLabel(nullptr);
        cell->AddObject(label);
        label->SetBounds(6, 20, cellW - 20, 18);
        label->SetText(u"1234 rpm");
        labels.push_back(label);
        auto* button = new TvxHudButton(nullptr);
        cell->AddObject(button);
        button->SetBounds(6, 42, 70, 22);
        button->SetText(u"Read");
        auto* check = new TvxHudCheckBox(nullptr);
        cell->AddObject(check);
        check->SetBounds(6, 66, cellW - 20, 19);
        check->SetText(u"Buzzer");
        check->SetIsChecked((r * Columns + c) % 3 == 0);
      }
    scene.dirty.assign(1, MakeRect(0, 0, 1024, 768));
    scene.Paint();
  }
  std::unique_ptr<TvxCanvas> canvas;
  vgtest::FakeScene scene;
  TvxObjectPtr window;
  std::vector<TvxHudLabel*> labels;
};

double Percentile(std::vector<double>& Values, double P) {
  std::sort(Values.begin(), Values.end());
  const size_t at = std::min(Values.size() - 1, static_cast<size_t>(P * static_cast<double>(Values.size())));
  return Values[at];
}

void BM_HudLabelTextChangeRepaint(benchmark::State& State) {
  ControlsStartup();
  {
    HudDesk desk;
    TvxHudLabel* label = desk.labels[Columns * 3 + 4];
    std::vector<double> millis;
    int n = 0;
    for (auto _ : State) {
      const std::u16string text = u"RPM " + std::u16string(1, static_cast<char16_t>(u'0' + n++ % 10)) + u"50";
      const auto start = std::chrono::steady_clock::now();
      label->SetText(text);
      if (desk.scene.dirty.empty()) {
        State.SkipWithError("the label asked for no repaint");
        break;
      }
      desk.scene.Paint();
      millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      benchmark::DoNotOptimize(desk.canvas->BufferBits()[0]);
    }
    State.counters["median_ms"] = Percentile(millis, 0.5);
    State.counters["p99_ms"] = Percentile(millis, 0.99);
  }
  ControlsShutdown();
}
BENCHMARK(BM_HudLabelTextChangeRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace
