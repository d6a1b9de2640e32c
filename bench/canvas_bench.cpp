// The cost of painting control faces on the cairo canvas: a rounded rectangle with a
// gradient fill and a 1 px border at 100 x 30, alone and as a full 1024 x 768 repaint of
// 200 faces; of a 20-character label: measured, and laid out and drawn; and of tiled images
// and paths far larger than the 400 x 300 canvas that shows them.
#include <benchmark/benchmark.h>

#include "tests/vg2d_core/ShapeScene.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/ImageShapes.h"

using namespace vg;

namespace {

void SetFace(TvxCanvas& C) {
  TvxBrush* f = C.Fill();
  f->SetStyle(vgBrushGradient);
  TvxGradient* g = f->Gradient();
  g->Points()->Clear();
  for (auto [off, col] : {std::pair{0.0f, 0xFFFDFDFDu}, std::pair{0.5f, 0xFFE8E8E8u}, std::pair{1.0f, 0xFFCFCFCFu}}) {
    auto* p = static_cast<TvxGradientPoint*>(g->Points()->Add());
    p->SetOffset(off);
    p->SetIntColor(col);
  }
  C.Stroke()->SetSolidColor(0xFF707070u);
  C.SetStrokeThickness(1);
}

void PaintFace(TvxCanvas& C, float X, float Y) {
  C.SetMatrix({1, 0, 0, 0, 1, 0, X, Y, 1});
  const TvxRect r{0.5f, 0.5f, 99.5f, 29.5f};
  C.FillRect(r, 4, 4, AllCorners, 1);
  C.DrawRect(r, 4, 4, AllCorners, 1);
}

void BM_ControlFace(benchmark::State& State) {
  TvxCanvasGdiPlus c(100, 30);
  SetFace(c);
  for (auto _ : State) {
    c.Clear(0);
    PaintFace(c, 0, 0);
    benchmark::DoNotOptimize(c.BufferBits()[15 * 100 + 50]);
  }
}
BENCHMARK(BM_ControlFace);

void BM_FullRepaint200Faces(benchmark::State& State) {
  TvxCanvasGdiPlus c(1024, 768);
  SetFace(c);
  for (auto _ : State) {
    c.Clear(0xFFF0F0F0u);
    for (int i = 0; i < 200; ++i) PaintFace(c, static_cast<float>((i % 10) * 102), static_cast<float>((i / 10) * 38));
    benchmark::DoNotOptimize(c.BufferBits()[0]);
  }
  State.counters["faces"] = 200;
}
BENCHMARK(BM_FullRepaint200Faces)->Unit(benchmark::kMillisecond);

// A label as a text object paints it: its font assigned to the canvas, then the text
// drawn centred in its rectangle.
constexpr char16_t Label[] = u"Reducer temperature:";  // 20 characters

void BM_LabelDraw(benchmark::State& State) {
  TvxCanvasGdiPlus c(160, 24);
  TvxFont font;
  c.Fill()->SetSolidColor(0xFF202020u);
  const TvxRect r{0, 0, 160, 24};
  for (auto _ : State) {
    c.Clear(0);
    c.Font()->Assign(&font);
    c.FillText(r, r, Label, false, 1, vgTextAlignCenter, vgTextAlignCenter);
    benchmark::DoNotOptimize(c.BufferBits()[12 * 160 + 80]);
  }
}
BENCHMARK(BM_LabelDraw);

void BM_LabelMeasure(benchmark::State& State) {
  TvxCanvasGdiPlus c(160, 24);
  for (auto _ : State) {
    TvxRect r{0, 0, 160, 24};
    c.MeasureText(r, r, Label, false, vgTextAlignNear, vgTextAlignCenter);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_LabelMeasure);

// A 1 x 1 bitmap tiled in an image Arg px square, seen through a 400 x 300 canvas: whatever the
// image's size, a paint covers 120,000 pixels.
void BM_TiledImagePaint(benchmark::State& State) {
  vgtest::ShapeScene s(400, 300);
  const float side = static_cast<float>(State.range(0));
  auto* image = s.Add(new TvxImage(nullptr), 0, 0, side, side);
  image->Bitmap()->SetSize(1, 1);
  image->Bitmap()->Clear(0xFF336699u);
  image->SetWrapMode(vgImageTile);
  for (auto _ : State) {
    s.Paint();
    benchmark::DoNotOptimize(s.At(200, 150));
  }
}
BENCHMARK(BM_TiledImagePaint)->Arg(300)->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A path one unit square (a triangle, outlined) tiled over Arg x Arg, on a 400 x 300 canvas.
void BM_TiledPathPaint(benchmark::State& State) {
  vgtest::ShapeScene s(400, 300);
  const float side = static_cast<float>(State.range(0));
  auto* path = s.Add(new TvxPath(nullptr), 0, 0, side, side);
  path->Data()->SetData("M 0,0 L 1,0 L 1,1 Z");
  path->SetWrapMode(vgPathTile);
  for (auto _ : State) {
    s.Paint();
    benchmark::DoNotOptimize(s.At(200, 150));
  }
}
BENCHMARK(BM_TiledPathPaint)->Arg(300)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
