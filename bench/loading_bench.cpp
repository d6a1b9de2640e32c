// What large window texts cost: a layout of N named sibling layouts read from a component
// stream (each sibling checked by name against those before it), a string list box given N
// items and cleared again, and a rectangle painted with a gradient of 256 stops (the first
// paint builds the pattern, the repaints use it again). Run with several N to see the growth.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/WideStrings.h"

using namespace vg;

namespace {

// The binary stream of a layout holding Count named layouts.
std::string SiblingsStream(int Count) {
  TvxLayout root(nullptr);
  for (int i = 0; i < Count; ++i) {
    auto* child = new TvxLayout(&root);
    child->SetName("Layout" + std::to_string(i));
    child->SetParent(&root);
    child->SetBounds(static_cast<float>(i % 200), static_cast<float>(i / 200), 10, 10);
  }
  rtl::TMemoryStream binary;
  {
    rtl::TWriter writer(&binary, 4096);
    writer.WriteRootComponent(&root);
  }
  return std::string(static_cast<const char*>(binary.Memory()), static_cast<size_t>(binary.Size()));
}

void BM_LoadSiblingLayouts(benchmark::State& State) {
  ControlsStartup();
  {
    const std::string bytes = SiblingsStream(static_cast<int>(State.range(0)));
    for (auto _ : State) {
      auto root = std::make_unique<TvxLayout>(nullptr);
      rtl::TStringStream stream(bytes);
      rtl::TReader reader(&stream, 4096);
      reader.ReadRootComponent(root.get());
      benchmark::DoNotOptimize(root->ComponentCount());
      State.PauseTiming();
      root.reset();
      State.ResumeTiming();
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
  }
  ControlsShutdown();
}
BENCHMARK(BM_LoadSiblingLayouts)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_StringListBoxItems(benchmark::State& State) {
  ControlsStartup();
  {
    TvxWideStringList texts;
    for (int i = 0; i < State.range(0); ++i) texts.Add(u"Item " + std::u16string(1, u'A' + i % 26));
    TvxStringListBox box(nullptr);
    box.SetBounds(0, 0, 200, 300);
    for (auto _ : State) {
      box.SetItems(&texts);  // every item made and laid out
      benchmark::DoNotOptimize(box.Count());
      box.Items()->Clear();  // and freed
    }
    State.SetItemsProcessed(State.iterations() * State.range(0));
  }
  ControlsShutdown();
}
BENCHMARK(BM_StringListBoxItems)->Arg(25000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A canvas of 256 x 256 and a fill of 256 stops, black to white and back.
struct GradientDesk {
  GradientDesk() : canvas(TvxCanvasGdiPlus::ClassRef()->Create(256, 256)), brush(vgBrushGradient, 0xFF000000u) {
    TvxGradientPoints* points = brush.Gradient()->Points();
    points->Clear();
    for (int i = 0; i < TvxGradientPoints::MaxPoints; ++i) {
      auto* p = static_cast<TvxGradientPoint*>(points->Add());
      const uint32_t level = static_cast<uint32_t>(i % 2 ? 255 - i : i);
      p->SetIntColor(0xFF000000u | level << 16 | level << 8 | level);
      p->SetOffset(static_cast<float>(i) / (TvxGradientPoints::MaxPoints - 1));
    }
  }
  void Paint() {
    canvas->BeginScene();
    canvas->Fill()->Assign(&brush);  // as every shape hands its fill over
    canvas->FillRect(MakeRect(0, 0, 256, 256), 0, 0, AllCorners, 1);
    canvas->EndScene();
  }
  std::unique_ptr<TvxCanvas> canvas;
  TvxBrush brush;
};

void BM_Paint256StopGradient(benchmark::State& State) {
  GradientDesk desk;
  desk.Paint();
  for (auto _ : State) {
    desk.Paint();
    benchmark::DoNotOptimize(desk.canvas->BufferBits()[128 * 256 + 128]);
  }
}
BENCHMARK(BM_Paint256StopGradient)->Unit(benchmark::kMicrosecond);

void BM_Paint256StopGradientChangingEachTime(benchmark::State& State) {
  GradientDesk desk;
  int n = 0;
  for (auto _ : State) {
    desk.brush.Gradient()->Points()->GetPoint(0)->SetIntColor(0xFF000000u | static_cast<uint32_t>(++n % 200));
    desk.Paint();
    benchmark::DoNotOptimize(desk.canvas->BufferBits()[128 * 256 + 128]);
  }
}
BENCHMARK(BM_Paint256StopGradientChangingEachTime)->Unit(benchmark::kMicrosecond);

}  // namespace
