// The cost of the bitmap effects: a shadow and a glow of a 200 x 100 rounded rectangle
// (its rendering copied in, then processed, as a visual object does when its effect image
// is stale), and the stack blur of a 512 x 512 bitmap at radius 10.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "vg2d/core/BitmapEffects.h"
#include "vg2d/core/CanvasGdiPlus.h"

using namespace vg;

namespace {

// The rendering a visual object hands to Effect: the rounded rectangle at the effect's
// offset inside an image grown by its reach.
void Rendering(TvxEffect& Effect, TvxBitmap& Out) {
  const TvxRect reach = Effect.GetRect(MakeRect(0, 0, 200, 100));
  const TvxPoint offset = Effect.GetOffset();
  int w = 0, h = 0;
  EffectBitmapSize(reach, w, h);
  Out.SetSize(w, h);
  TvxCanvasGdiPlus c(&Out);
  c.Clear(0);
  c.SetMatrix({1, 0, 0, 0, 1, 0, offset.X, offset.Y, 1});
  c.Fill()->SetSolidColor(0xFF4080C0u);
  c.FillRect(MakeRect(0, 0, 200, 100), 10, 10, AllCorners, 1);
}

template <class E> void BM_Effect(benchmark::State& State) {
  E effect(nullptr);
  TvxBitmap source, work;
  Rendering(effect, source);
  work.SetSize(source.Width(), source.Height());
  const size_t n = static_cast<size_t>(source.Width()) * source.Height();
  for (auto _ : State) {
    std::copy(source.Bits(), source.Bits() + n, work.Bits());
    effect.ProcessEffect(nullptr, &work, 1);
    benchmark::DoNotOptimize(work.Bits()[n / 2]);
  }
  State.SetLabel(std::to_string(source.Width()) + " x " + std::to_string(source.Height()));
}
BENCHMARK(BM_Effect<TvxShadowEffect>)->Name("BM_Shadow_200x100_RoundRect")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Effect<TvxGlowEffect>)->Name("BM_Glow_200x100_RoundRect")->Unit(benchmark::kMicrosecond);

void BM_StackBlur_512_R10(benchmark::State& State) {
  TvxBitmap source(512, 512), work(512, 512);
  std::mt19937 random(1);
  for (int i = 0; i < 512 * 512; ++i) source.Bits()[i] = random();
  for (auto _ : State) {
    std::copy(source.Bits(), source.Bits() + 512 * 512, work.Bits());
    StackBlur(nullptr, &work, 10, true);
    benchmark::DoNotOptimize(work.Bits()[1000]);
  }
  State.SetItemsProcessed(State.iterations() * 512 * 512);
}
BENCHMARK(BM_StackBlur_512_R10)->Unit(benchmark::kMicrosecond);

}  // namespace
