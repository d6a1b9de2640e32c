// The 3D library's own controls: End in a 3D text box holding 10,000 characters (from the
// start, with nothing measured yet), the canvas layer's copy of a 1024 x 768 bitmap into its
// buffer, and 1024 x 768 frames on the OpenGL device of a 2 x 2 bitmap tiled over the whole
// window against the same frame without the image.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/gfx3d/GlDevice.h"
#include "scene3d/CanvasLayers.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/GuiControls.h"
#include "scene3d/TextBox3D.h"
#include "vg2d/core/Library.h"

using namespace dx;

namespace {

void BM_TextBoxEnd10000(benchmark::State& State) {
  vg::LibraryStartup();
  {
    auto box = std::make_unique<TdxTextBox3D>(nullptr);
    std::u16string text;
    while (text.size() < 10000) text += u"lambda 0.98 ";
    text.resize(10000);
    const std::u16string other = text.substr(1) + u"x";
    bool flip = false;
    for (auto _ : State) {
      State.PauseTiming();
      // A different text each time, so no width is known yet; the caret at the start.
      box->SetText((flip = !flip) ? text : other);
      box->SetCaretPosition(0);
      State.ResumeTiming();
      std::uint16_t key = 35;
      char16_t ch = 0;
      box->KeyDown(key, ch, {});
      benchmark::DoNotOptimize(box->FirstVisibleChar());
    }
    State.counters["first_visible"] = box->FirstVisibleChar();
  }
  vg::LibraryShutdown();
}
BENCHMARK(BM_TextBoxEnd10000)->Unit(benchmark::kMillisecond);

void BM_CanvasLayerCopy1024x768(benchmark::State& State) {
  auto layer = std::make_unique<TdxGUICanvasLayer>(nullptr);
  layer->SetWidth(1024);
  layer->SetHeight(768);
  layer->OnLayerPaint = [](rtl::TObject*, win::TCanvas*, const win::TRect&, bool& Update) { Update = true; };
  layer->BeforePaint();  // the bitmap and the buffer made
  for (auto _ : State) {
    layer->BeforePaint();
    benchmark::DoNotOptimize(layer->GetBuffer()->Bits()[0]);
  }
  State.SetBytesProcessed(State.iterations() * 1024 * 768 * 4);
}
BENCHMARK(BM_CanvasLayerCopy1024x768)->Unit(benchmark::kMicrosecond);

// Range 1: with the tiled image; 0: the same frame without it.
void BM_TiledImageFrame1024x768(benchmark::State& State) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  {
    TdxDirectXCanvas canvas(0, 1024, 768, true, dxLowQuality);
    auto root = std::make_unique<TdxVisualObject>(nullptr);
    root->SetOwnCanvas(&canvas);
    auto* img = new TdxGUIImage(nullptr);
    img->SetOwnCanvas(&canvas);
    img->SetWidth(1024);
    img->SetHeight(768);
    img->Position()->SetPoint({512, 384, 0});
    img->SetWrapMode(vg::vgImageTile);
    TdxBitmap tile(2, 2);
    std::uint32_t* bits = nullptr;
    tile.Map(bits, true);
    bits[0] = bits[3] = 0xFFFF0000u;
    bits[1] = bits[2] = 0xFF00FF00u;
    tile.Unmap();
    img->SetBitmap(&tile);
    img->SetVisible(State.range(0) != 0);
    root->AddObject(img);
    for (auto _ : State) {
      canvas.ResetState();
      canvas.SetMatrix(root->GetAbsoluteMatrix());
      if (!canvas.BeginScene()) {
        State.SkipWithError("no frame");
        break;
      }
      for (TdxRenderState s : {rsGouraudShading, rsScreenSpace, rsDepthWriteOn, rsTextureLinear, rsCullCCW})
        canvas.SetRenderState(s);
      canvas.Clear(0);
      root->Paint();
      canvas.EndScene();
      benchmark::DoNotOptimize(canvas.Buffer()[0]);
    }
    int red = 0;
    for (int i = 0; i < 1024 * 768; ++i) red += canvas.Buffer()[i] == 0xFFFF0000u;
    State.counters["red_pixels"] = red;
  }
  dxDirectXShutdown();
}
BENCHMARK(BM_TiledImageFrame1024x768)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
