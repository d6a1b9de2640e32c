// One 1024 x 768 frame of a layered window through the 3D canvas: the per-frame reset, the
// frame's fixed states, the 2D content's bitmap (changed every frame) uploaded and drawn as a
// screen-space quad, and the read-back into the back buffer. With a line of text on top as well.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/gfx3d/GlDevice.h"
#include "scene3d/DxCanvas.h"

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

}  // namespace
