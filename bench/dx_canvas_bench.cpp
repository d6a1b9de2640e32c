// One 1024 x 768 frame of a layered window through the 3D canvas: the per-frame reset, the
// frame's fixed states, the 2D content's bitmap (changed every frame) uploaded and drawn as a
// screen-space quad, and the read-back into the back buffer. With a line of text on top as well.
// And the heap a fill of an outline of millions of points takes on the recording device: at its
// peak, and still held by the canvas once the call is over.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"
#include "platform/gfx3d/GlDevice.h"
#include "scene3d/DxCanvas.h"

// The heap of the whole program, counted by what each block really takes.
namespace heap {
std::atomic<std::size_t> Live{0}, Peak{0};
void* Take(std::size_t Size, std::size_t Align = 0) {
  void* p = Align > alignof(std::max_align_t) ? std::aligned_alloc(Align, (Size + Align - 1) / Align * Align)
                                              : std::malloc(Size ? Size : 1);
  if (!p) throw std::bad_alloc();
  const std::size_t now = Live += malloc_usable_size(p);
  for (std::size_t peak = Peak; now > peak && !Peak.compare_exchange_weak(peak, now);) {}
  return p;
}
void Give(void* P) noexcept {
  if (!P) return;
  Live -= malloc_usable_size(P);
  std::free(P);
}
}  // namespace heap

void* operator new(std::size_t Size) { return heap::Take(Size); }
void* operator new[](std::size_t Size) { return heap::Take(Size); }
void* operator new(std::size_t Size, std::align_val_t Align) { return heap::Take(Size, std::size_t(Align)); }
void* operator new[](std::size_t Size, std::align_val_t Align) { return heap::Take(Size, std::size_t(Align)); }
void operator delete(void* P) noexcept { heap::Give(P); }
void operator delete[](void* P) noexcept { heap::Give(P); }
void operator delete(void* P, std::size_t) noexcept { heap::Give(P); }
void operator delete[](void* P, std::size_t) noexcept { heap::Give(P); }
void operator delete(void* P, std::align_val_t) noexcept { heap::Give(P); }
void operator delete[](void* P, std::align_val_t) noexcept { heap::Give(P); }
void operator delete(void* P, std::size_t, std::align_val_t) noexcept { heap::Give(P); }
void operator delete[](void* P, std::size_t, std::align_val_t) noexcept { heap::Give(P); }

using namespace dx;

namespace {

constexpr int W = 1024, H = 768;

void Frame(benchmark::State& State, bool Text) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  {
    TdxDirectXCanvas canvas(0, W, H, true, dxLowQuality);
    TdxBitmap content(W, H);
    content.Clear(0xFF336699);
    TdxMaterial m;
    m.SetTexture(&content);
    m.SetLighting(false);
    m.SetDiffuseColor(0xFFFFFFFF);
    TdxMaterial ink;
    ink.SetLighting(false);
    ink.SetDiffuseColor(0xFFFFFFFF);
    TdxMeshData quad;
    quad.Vertices() = {dxMeshVertex(0, 0, 0, 0, 0, 1, 0, 0), dxMeshVertex(1, 0, 0, 0, 0, 1, 1, 0),
                       dxMeshVertex(1, 1, 0, 0, 0, 1, 1, 1), dxMeshVertex(0, 1, 0, 0, 0, 1, 0, 1)};
    quad.Indexes() = {0, 1, 2, 0, 2, 3};
    std::uint32_t n = 0;
    for (auto _ : State) {
      content.Clear(0xFF000000u | (++n & 0xFFFFFF));
      canvas.ResetState();
      if (!canvas.BeginScene()) {
        State.SkipWithError("no frame");
        break;
      }
      canvas.Clear(0);
      canvas.SetRenderState(rsScreenSpace);
      canvas.SetMaterial(m);
      canvas.SetRenderState(rsCullNone);
      canvas.FillMesh({0, 0, 0, 1}, {W, H, 1, 1}, quad, 1);
      if (Text) {
        canvas.SetMaterial(ink);
        canvas.FillText(u"Reducer pressure 1.25 bar, gas temperature 41 C", 20, 20, 1);
      }
      canvas.EndScene();
      benchmark::DoNotOptimize(canvas.Buffer()[0]);
    }
  }
  dxDirectXShutdown();
}

void BM_LayeredFrame(benchmark::State& State) { Frame(State, false); }
void BM_LayeredFrameWithText(benchmark::State& State) { Frame(State, true); }

BENCHMARK(BM_LayeredFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayeredFrameWithText)->Unit(benchmark::kMillisecond);

// Both faces and the walls of a wavy ring of Arg million points on the recording device (which
// draws nothing), then a fill of a thousand points as a frame's usual one: the heap the long
// fill took at its peak beyond what the program held before it (the ring's points included,
// 8 bytes each), and what the canvas still held after the two calls, in megabytes.
void BM_LongOutlineFillMemory(benchmark::State& State) {
  auto recorder = std::make_shared<gfx3d::FakeRecorder>();
  dxDirectXStartup(gfx3d::FakeDirect3D(recorder, gfx3d::Availability::Ex));
  {
    TdxDirectXCanvas canvas(gfx3d::WindowHandle{1}, 1024, 768, false, dxLowQuality);
    if (!canvas.DeviceNeeded()) State.SkipWithError("no device");
    const auto ring = [](int N) {
      std::vector<vg::TvxPoint> outline;
      outline.reserve(static_cast<size_t>(N) + 2);
      for (int k = 0; k < N; ++k) {
        const double a = 2 * std::numbers::pi * k / N, r = 100 + 10 * std::sin(12 * a);
        outline.push_back({static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a))});
      }
      outline.push_back(outline.front());
      outline.push_back({65535, 65535});
      return outline;
    };
    const std::vector<vg::TvxPoint> usual = ring(1000);
    double peak = 0, held = 0;
    for (auto _ : State) {
      const std::size_t before = heap::Live;
      heap::Peak = before;
      {
        const std::vector<vg::TvxPoint> outline = ring(static_cast<int>(State.range(0)) * 1000000);
        canvas.FillPolygon({0, 0, 0, 1}, {4, 4, 1, 0}, {}, outline, 1, true, true, true);
      }
      recorder->Calls.clear();
      canvas.FillPolygon({0, 0, 0, 1}, {4, 4, 1, 0}, {}, usual, 1, true, true, true);
      recorder->Calls.clear();
      recorder->Calls.shrink_to_fit();
      peak = static_cast<double>(heap::Peak - before) / 1e6;
      held = (static_cast<double>(heap::Live) - static_cast<double>(before)) / 1e6;
    }
    State.counters["peak_MB"] = peak;
    State.counters["held_MB"] = held;
  }
  dxDirectXShutdown();
}
BENCHMARK(BM_LongOutlineFillMemory)->Arg(5)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
