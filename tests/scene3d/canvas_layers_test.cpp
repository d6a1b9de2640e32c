// Canvas layers: their sizes and buffers when made, the handler's canvas and rectangle, the
// copy with its opaque pixels and transparent edge rows (also in buffers of fewer than four
// rows), what stays when the handler does not ask for a copy, the white buffer without a
// handler and when it is whitened again, and the classes as streams and the designer see them.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "Stage.h"
#include "scene3d/CanvasLayers.h"
#include "scene3d/Library.h"

namespace canvas_layers_test {

using namespace dx;

namespace {

constexpr std::uint32_t White = 0xFFFFFFFFu, Red = 0xFFFF0000u;

struct CanvasLayers : ::testing::Test, dxtest::Stage {
  static std::uint32_t At(TdxCustomBufferLayer* L, int X, int Y) {
    return L->GetBuffer()->Bits()[Y * L->GetBuffer()->Width() + X];
  }
  // Whether every pixel of the row is Colour.
  static bool RowIs(TdxCustomBufferLayer* L, int Y, std::uint32_t Colour) {
    const TdxBitmap* b = L->GetBuffer();
    const std::uint32_t* row = b->Bits() + Y * b->Width();
    return std::all_of(row, row + b->Width(), [&](std::uint32_t P) { return P == Colour; });
  }
  static bool AllAre(TdxCustomBufferLayer* L, std::uint32_t Colour) {
    for (int y = 0; y < L->GetBuffer()->Height(); ++y)
      if (!RowIs(L, y, Colour)) return false;
    return true;
  }
};

// A handler that fills the canvas with one colour and asks for the copy when told to.
struct Filler {
  win::TColor colour = win::clRed;
  bool update = true;
  int calls = 0;
  win::TRect rect;
  win::TCanvas* canvas = nullptr;
  void Hook(TdxCustomCanvasLayer* L) {
    L->OnLayerPaint = [this](rtl::TObject*, win::TCanvas* C, const win::TRect& R, bool& Update) {
      ++calls;
      rect = R;
      canvas = C;
      C->Brush().Color = colour;
      C->FillRect(R);
      Update = update;
    };
  }
};

}  // namespace

TEST_F(CanvasLayers, ALayerInTheSceneAndAScreenLayerMadeInCodeHaveTheirSizesAndAWhiteBuffer) {
  auto* l = Add<TdxCanvasLayer>();
  EXPECT_EQ(l->Projection(), dxProjectionCamera);
  EXPECT_FLOAT_EQ(l->Width(), 4);
  EXPECT_FLOAT_EQ(l->Depth(), 3);
  EXPECT_EQ(l->Resolution(), 60);
  EXPECT_EQ(l->GetBuffer()->Width(), 240);
  EXPECT_EQ(l->GetBuffer()->Height(), 180);
  EXPECT_TRUE(AllAre(l, White));
  EXPECT_EQ(l->PaintBitmap(), nullptr) << "no bitmap before a handler paints";

  auto* g = Add<TdxGUICanvasLayer>();
  EXPECT_EQ(g->Projection(), dxProjectionScreen);
  EXPECT_FLOAT_EQ(g->Width(), 256);
  EXPECT_FLOAT_EQ(g->Height(), 256);
  EXPECT_EQ(g->BufferWidth(), 256);
  EXPECT_EQ(g->BufferHeight(), 256);
  Filler f;
  f.update = false;
  f.Hook(g);
  g->BeforePaint();
  EXPECT_EQ(f.calls, 1);
  EXPECT_EQ(f.rect, (win::TRect{0, 0, 256, 256}));
  ASSERT_NE(g->PaintBitmap(), nullptr);
  EXPECT_EQ(f.canvas, g->PaintBitmap()->Canvas());
  EXPECT_EQ(g->PaintBitmap()->Width(), 256);
  EXPECT_EQ(g->PaintBitmap()->Height(), 256);
  EXPECT_EQ(g->GetBuffer()->Width(), 256);
  EXPECT_TRUE(AllAre(g, White)) << "a handler that asks for no copy leaves the buffer white";
}

TEST_F(CanvasLayers, ACopyMakesThePixelsOpaqueAndTheTwoTopAndBottomRowsClearGrey) {
  auto* g = Add<TdxGUICanvasLayer>();
  Filler f;
  f.Hook(g);
  int changes = 0;
  g->GetBuffer()->OnChange = [&](rtl::TObject*) { ++changes; };
  g->GetBuffer()->SetNeedUpdate(false);
  g->BeforePaint();
  EXPECT_TRUE(g->GetBuffer()->NeedUpdate());
  EXPECT_EQ(changes, 1) << "one mapping, one change";
  for (int y : {0, 1, 254, 255}) EXPECT_TRUE(RowIs(g, y, CanvasLayerEdgeColor)) << y;
  for (int y = 2; y <= 253; ++y) ASSERT_TRUE(RowIs(g, y, Red)) << y;

  // The pixels' blue, green and red as the bitmap holds them, whatever its fourth byte.
  f.update = false;
  g->PaintBitmap()->ScanLine(100)[7] = 0x00123456u;
  g->OnLayerPaint = [](rtl::TObject*, win::TCanvas*, const win::TRect&, bool& Update) { Update = true; };
  g->BeforePaint();
  EXPECT_EQ(At(g, 7, 100), 0xFF123456u);
  EXPECT_EQ(At(g, 8, 100), Red);
}

TEST_F(CanvasLayers, WithoutACopyTheBufferKeepsWhatItHadWhileTheHandlerRunsEveryFrame) {
  auto* g = Add<TdxGUICanvasLayer>();
  Filler f;
  f.Hook(g);
  g->BeforePaint();
  f.colour = win::clBlue;
  f.update = false;
  g->GetBuffer()->SetNeedUpdate(false);
  g->BeforePaint();
  g->BeforePaint();
  EXPECT_EQ(f.calls, 3);
  EXPECT_EQ(At(g, 10, 10), Red) << "the last copy stays";
  EXPECT_FALSE(g->GetBuffer()->NeedUpdate()) << "nothing to upload";
  EXPECT_EQ(g->PaintBitmap()->Bits()[10 * 256 + 10], 0xFF0000FFu) << "the bitmap holds the new drawing";
}

TEST_F(CanvasLayers, AResizeBringsBitmapAndBufferToTheNewSizeBeforeTheNextCopy) {
  auto* g = Add<TdxGUICanvasLayer>();
  Filler f;
  f.Hook(g);
  g->BeforePaint();
  g->SetWidth(100);
  g->SetHeight(50);
  f.update = false;
  g->BeforePaint();
  EXPECT_EQ(f.rect, (win::TRect{0, 0, 100, 50}));
  EXPECT_EQ(g->PaintBitmap()->Width(), 100);
  EXPECT_EQ(g->PaintBitmap()->Height(), 50);
  EXPECT_EQ(g->GetBuffer()->Width(), 100);
  EXPECT_EQ(g->GetBuffer()->Height(), 50);
  EXPECT_TRUE(AllAre(g, White)) << "a resized buffer starts white";
  f.update = true;
  g->BeforePaint();
  EXPECT_TRUE(RowIs(g, 48, CanvasLayerEdgeColor));
  EXPECT_TRUE(RowIs(g, 47, Red));

  // Through the camera the buffer follows Width x Depth at the resolution.
  auto* l = Add<TdxCanvasLayer>();
  Filler lf;
  lf.Hook(l);
  l->SetDepth(1);
  l->BeforePaint();
  EXPECT_EQ(lf.rect, (win::TRect{0, 0, 240, 60}));
  EXPECT_EQ(l->GetBuffer()->Height(), 60);
}

TEST_F(CanvasLayers, OnlyRowsInsideASmallBufferAreWritten) {
  auto* g = Add<TdxGUICanvasLayer>();
  Filler f;
  f.Hook(g);
  g->SetWidth(3);
  for (int h : {1, 2, 3}) {
    g->SetHeight(static_cast<float>(h));
    g->BeforePaint();
    EXPECT_EQ(g->GetBuffer()->Height(), h);
    EXPECT_TRUE(AllAre(g, CanvasLayerEdgeColor)) << h << " rows are all edge rows";
  }
  g->SetHeight(5);
  g->BeforePaint();
  EXPECT_TRUE(RowIs(g, 2, Red));
  EXPECT_TRUE(RowIs(g, 3, CanvasLayerEdgeColor));
  // A buffer without pixels takes no copy and the frame goes on.
  g->SetHeight(0);
  g->BeforePaint();
  EXPECT_EQ(g->GetBuffer()->Bits(), nullptr);
  EXPECT_EQ(f.calls, 5);
}

TEST_F(CanvasLayers, WithoutAHandlerTheBufferIsWhitenedOnlyWhenItIsNotWhite) {
  auto* g = Add<TdxGUICanvasLayer>();
  g->BeforePaint();
  EXPECT_TRUE(AllAre(g, White));
  g->GetBuffer()->SetNeedUpdate(false);
  g->BeforePaint();
  EXPECT_FALSE(g->GetBuffer()->NeedUpdate()) << "a white buffer is not whitened and uploaded every frame";

  Filler f;
  f.Hook(g);
  g->BeforePaint();
  EXPECT_EQ(At(g, 5, 5), Red);
  g->OnLayerPaint = nullptr;
  g->GetBuffer()->SetNeedUpdate(false);
  g->BeforePaint();
  EXPECT_TRUE(AllAre(g, White)) << "white again once the handler is gone";
  EXPECT_TRUE(g->GetBuffer()->NeedUpdate());
  g->GetBuffer()->SetNeedUpdate(false);
  g->SetWidth(20);
  g->BeforePaint();
  EXPECT_TRUE(AllAre(g, White));
  EXPECT_TRUE(g->GetBuffer()->NeedUpdate()) << "a resized buffer is whitened and uploaded";
}

TEST_F(CanvasLayers, TheLayersAreKnownToStreamsAndTheDesigner) {
  SceneLibraryStartup();
  EXPECT_THAT(DxClassesOf("Shapes"), ::testing::Contains(TdxCanvasLayer::StaticClass()));
  EXPECT_THAT(DxClassesOf("GUI"), ::testing::Contains(TdxGUICanvasLayer::StaticClass()));
  auto* g = Add<TdxGUICanvasLayer>();
  g->SetLayerAlign(dxLayerClient);
  g->SetResolution(30);
  const std::string text = SaveDxObjectToText(g);
  EXPECT_THAT(text, ::testing::HasSubstr("LayerAlign = dxLayerClient"));
  EXPECT_THAT(text, ::testing::HasSubstr("Resolution = 30"));
  auto back = CreateDxObjectFromText(nullptr, text);
  auto* copy = dynamic_cast<TdxGUICanvasLayer*>(back.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->LayerAlign(), dxLayerClient);
  EXPECT_EQ(copy->Resolution(), 30);
  auto* l = Add<TdxCanvasLayer>();
  l->SetAlign(dxClient);
  EXPECT_THAT(SaveDxObjectToText(l), ::testing::HasSubstr("Align = dxClient"));
  back.reset();
  SceneLibraryShutdown();
}

}  // namespace canvas_layers_test
