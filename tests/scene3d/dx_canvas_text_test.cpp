// Text on the Direct3D canvas: glyph atlases, their growth and layout, the quads of FillText
// and MeasureText; with a rasteriser of fixed glyph sizes on the fake device, and FreeType's own.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cstring>
#include <map>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"
#include "scene3d/DxCanvas.h"

namespace dx_canvas_text_test {

using namespace dx;
using namespace gfx3d;
using ::testing::ElementsAre;

namespace {

// Glyphs of the size's half in ink width (or a width set per character), 1 pixel before and
// after the ink, as high as the size; the ink is fully covered.
class TBlockFace final : public IdxGlyphFace {
public:
  TBlockFace(int Size, const std::map<char16_t, float>& Widths) : size_(Size), widths_(Widths) {}
  int LineHeight() override { return size_; }
  TdxGlyphSpacing Spacing(char16_t Char) override {
    auto it = widths_.find(Char);
    return {2, it != widths_.end() ? it->second : size_ / 2.0f, 1};
  }
  void Draw(char16_t Char, int X, int Y, std::uint8_t* Pixels, int Width, int Height) override {
    const TdxGlyphSpacing s = Spacing(Char);
    ++Drawn;
    for (int y = Y; y < Y + size_; ++y)
      for (int x = X + static_cast<int>(s.A); x < X + static_cast<int>(s.A + s.B); ++x) {
        ASSERT_TRUE(x >= 0 && x < Width && y >= 0 && y < Height) << "ink outside the atlas at " << x << "," << y;
        Pixels[y * Width + x] = 255;
      }
  }
  static inline int Drawn = 0;

private:
  int size_;
  std::map<char16_t, float> widths_;
};

class TBlockRasterizer final : public IdxGlyphRasterizer {
public:
  std::map<char16_t, float> Widths;
  std::vector<int> Opened;
  std::unique_ptr<IdxGlyphFace> OpenFace(const std::string& Family, int PixelSize, bool, bool) override {
    if (Family == "Missing") return nullptr;
    Opened.push_back(PixelSize);
    return std::make_unique<TBlockFace>(PixelSize, Widths);
  }
};

class DxCanvasText : public ::testing::Test {
protected:
  void SetUp() override {
    dxDirectXStartup(FakeDirect3D(rec_, Availability::Ex));
    canvas_ = std::make_unique<TdxDirectXCanvas>(WindowHandle{1}, 320, 200, false, dxLowQuality);
    canvas_->DeviceNeeded();
    canvas_->SetGlyphRasterizer(&raster_);
    canvas_->Font().SetSize(10);
  }
  void TearDown() override {
    canvas_.reset();
    dxDirectXShutdown();
  }
  std::pair<int, int> AtlasSize(int Index) const {
    const auto& b = *canvas_->Fonts()[static_cast<size_t>(Index)]->Bitmap;
    return {b.Width(), b.Height()};
  }
  static std::u16string Run(char16_t From, int Count) {
    std::u16string s;
    for (int i = 0; i < Count; ++i) s += static_cast<char16_t>(From + i);
    return s;
  }
  // Every wanted glyph's cell lies inside the atlas, and no two cells overlap.
  void ExpectCellsInside(int Index) const {
    const auto& f = *canvas_->Fonts()[static_cast<size_t>(Index)];
    std::vector<const TdxDirectXCanvas::TdxInternalGlyph*> cells;
    for (const auto& g : f.Chars)
      if (g.Wanted) {
        EXPECT_TRUE(g.U0 >= 0 && g.U1 <= 1 && g.V0 >= 0 && g.V1 <= 1 && g.U0 < g.U1 && g.V0 < g.V1);
        for (const auto* o : cells)
          EXPECT_FALSE(g.U0 < o->U1 && o->U0 < g.U1 && g.V0 < o->V1 && o->V0 < g.V1) << "cells overlap";
        cells.push_back(&g);
      }
  }

  std::shared_ptr<FakeRecorder> rec_ = std::make_shared<FakeRecorder>();
  TBlockRasterizer raster_;
  std::unique_ptr<TdxDirectXCanvas> canvas_;
};

}  // namespace

TEST_F(DxCanvasText, AtlasGrowsWidthThenHeightAsCharactersAreAdded) {
  canvas_->Font().SetSize(4);  // cells of 4 x 4 pixels: 144 fit 64 x 64
  const int f = canvas_->FontLookup(u"A", canvas_->Font());
  ASSERT_EQ(f, 0);
  EXPECT_EQ(AtlasSize(f), std::make_pair(64, 64));
  EXPECT_EQ(canvas_->Fonts()[0]->Chars.size(), 96u);
  // 60 more characters than 32..127: 156 do not fit 64 x 64.
  EXPECT_EQ(canvas_->FontLookup(Run(128, 60), canvas_->Font()), f);
  EXPECT_EQ(AtlasSize(f), std::make_pair(128, 64));
  EXPECT_EQ(canvas_->FontLookup(Run(188, 152), canvas_->Font()), f);
  EXPECT_EQ(AtlasSize(f), std::make_pair(128, 128));
  ExpectCellsInside(f);
  // Nothing new: the same atlas without a rebuild.
  const TdxBitmap* atlas = canvas_->Fonts()[0]->Bitmap.get();
  EXPECT_EQ(canvas_->FontLookup(u"ABC", canvas_->Font()), f);
  EXPECT_EQ(canvas_->Fonts()[0]->Bitmap.get(), atlas);
  EXPECT_EQ(raster_.Opened.size(), 3u);
}

TEST_F(DxCanvasText, AWideGlyphWidensTheAtlasAndAnImpossibleOneFailsWithoutCaching) {
  raster_.Widths[u'W'] = 100;  // a cell of 102 pixels
  const int f = canvas_->FontLookup(u"W", canvas_->Font());
  ASSERT_EQ(f, 0);
  EXPECT_GE(AtlasSize(f).first, 128);
  ExpectCellsInside(f);
  const auto& w = canvas_->Fonts()[0]->Chars[u'W' - 32];
  EXPECT_FLOAT_EQ((w.U1 - w.U0) * static_cast<float>(AtlasSize(f).first), 102);

  raster_.Widths[u'W'] = 3000;
  canvas_->Font().SetSize(11);
  EXPECT_EQ(canvas_->FontLookup(u"W", canvas_->Font()), -1);
  EXPECT_EQ(canvas_->Fonts().size(), 1u);
  canvas_->Font().SetFamily("Missing");
  EXPECT_EQ(canvas_->FontLookup(u"W", canvas_->Font()), -1);
}

TEST_F(DxCanvasText, FontsAreKeptPerFamilyIgnoringCaseSizeAndStyle) {
  canvas_->Font().SetFamily("Tahoma");
  EXPECT_EQ(canvas_->FontLookup(u"a", canvas_->Font()), 0);
  canvas_->Font().SetFamily("TAHOMA");
  EXPECT_EQ(canvas_->FontLookup(u"a", canvas_->Font()), 0);
  canvas_->Font().SetStyle(dxFontBold);
  EXPECT_EQ(canvas_->FontLookup(u"a", canvas_->Font()), 1);
  canvas_->Font().SetSize(10.5f);  // the same em height, still another font
  EXPECT_EQ(canvas_->FontLookup(u"a", canvas_->Font()), 2);
  canvas_->Font().SetSize(11.5f);
  canvas_->FontLookup(u"a", canvas_->Font());
  EXPECT_THAT(raster_.Opened, ElementsAre(10, 10, 10, 12));
}

TEST_F(DxCanvasText, HelloIsFiveQuadsFromTheAtlasTexture) {
  canvas_->SetRenderState(rsScreenSpace);
  rec_->Clear();
  canvas_->FillText(u"Hello", 20, 30, 1);
  EXPECT_THAT(rec_->TextsOf({"VertexBuffer.Lock", "IndexBuffer.Lock", "CreateTexture", "StateBlock.Apply",
                             "SetTexture", "SetTextureStageState", "DrawIndexedPrimitive"}),
              ElementsAre("VertexBuffer.Lock(vb1,0,720,4096)", "IndexBuffer.Lock(ib1,0,60,4096)",
                          "CreateTexture(128,128,1,512,21,0)", "StateBlock.Apply(block18)", "SetTexture(0,tex1)",
                          "SetTextureStageState(0,24,0)", "DrawIndexedPrimitive(4,0,0,20,0,10)"));
  EXPECT_EQ(canvas_->VertexPosition(), 720u);
  EXPECT_EQ(canvas_->IndexPosition(), 60u);

  // The second quad ('e') starts where the first one's advance ended: pen 20, then A (1), the
  // cell (7), C (0), A (1) again.
  void* p = nullptr;
  ASSERT_EQ(canvas_->VertexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
  std::vector<TdxCanvasVertex> v(20);
  std::memcpy(v.data(), p, 720);
  canvas_->VertexBuffer()->Unlock();
  const auto& h = canvas_->Fonts()[0]->Chars[u'H' - 32];
  EXPECT_EQ(v[0], dxCanvasVertex(21.5f, 30.5f, 0, 0, 0, 0, 0xFF707070, h.U0, h.V0));
  EXPECT_EQ(v[2].X, 28.5f);
  EXPECT_EQ(v[2].Y, 40.5f);
  EXPECT_EQ(v[4].X, 29.5f);
  ASSERT_EQ(canvas_->IndexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
  std::vector<std::uint16_t> idx(12);
  std::memcpy(idx.data(), p, 24);
  canvas_->IndexBuffer()->Unlock();
  EXPECT_THAT(idx, ElementsAre(0, 1, 3, 3, 1, 2, 4, 5, 7, 7, 5, 6));
}

// Text of more quads than a draw's indices reach goes in as many draws as it needs, each
// taking up where the last one left off, from the texture set for the first.
TEST_F(DxCanvasText, LongTextIsDrawnWholeInDrawsOfAtMost16383Quads) {
  canvas_->SetRenderState(rsScreenSpace);
  rec_->Clear();
  canvas_->FillText(std::u16string(20000, u'x'), 20, 30, 1);
  EXPECT_THAT(rec_->TextsOf({"SetTexture", "DrawIndexedPrimitive"}),
              ElementsAre("SetTexture(0,tex1)", "DrawIndexedPrimitive(4,0,0,65532,0,32766)",
                          "DrawIndexedPrimitive(4,0,0,14468,98298,7234)"));
  // The second draw, its vertices written from the buffer's start, begins with quad 16,383: 'x' advances by
  // its A (1), cell (7) and C (0).
  void* p = nullptr;
  ASSERT_EQ(canvas_->VertexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
  TdxCanvasVertex first;
  std::memcpy(&first, p, sizeof first);
  canvas_->VertexBuffer()->Unlock();
  EXPECT_EQ(first.X, 20 + 8 * 16383 + 1 + 0.5f);
  EXPECT_EQ(first.Y, 30.5f);
  EXPECT_EQ(canvas_->VertexPosition(), 3617u * 144);
}

TEST_F(DxCanvasText, SpacesAndControlCharactersMoveOrDrawNothing) {
  canvas_->SetRenderState(rsScreenSpace);
  rec_->Clear();
  canvas_->FillText(u"  \t", 0, 0, 1);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 0);
  EXPECT_EQ(canvas_->VertexPosition(), 0u);
  canvas_->FillText(u" \nx", 0, 0, 1);
  EXPECT_THAT(rec_->TextsOf({"DrawIndexedPrimitive"}), ElementsAre("DrawIndexedPrimitive(4,0,0,4,0,2)"));
  void* p = nullptr;
  ASSERT_EQ(canvas_->VertexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
  TdxCanvasVertex first;
  std::memcpy(&first, p, sizeof first);
  canvas_->VertexBuffer()->Unlock();
  EXPECT_EQ(first.X, (1 + 7 + 0) + 1 + 0.5f);  // a space's A, cell and C, then x's A

  // Measuring counts A + cell + C of every character, spaces too; the height is the cell's.
  const TdxPoint3D two = canvas_->MeasureText(u"  ");
  EXPECT_EQ(two.X, 2 * (1 + 7 + 0));
  EXPECT_EQ(two.Y, 10);
  EXPECT_EQ(two.Z, 0);
  EXPECT_EQ(canvas_->MeasureText(u"").X, 0);
}

TEST_F(DxCanvasText, ACharacterBeyondAsciiJoinsTheAtlasAtTheNextLookup) {
  canvas_->FillText(u"\u00e9", 0, 0, 1);  // a new font: only 32..127
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 0);
  canvas_->FillText(u"\u00e9", 0, 0, 1);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 1);
  EXPECT_EQ(canvas_->Fonts()[0]->Chars.size(), 0xE9u - 31);
}

TEST_F(DxCanvasText, ScreenTextSnapsAfterTheWorldTranslationAndCameraTextLiesFlat) {
  TdxMatrix world = IdentityMatrix;
  world.M[3][0] = 0.4f;
  canvas_->SetMatrix(world);
  canvas_->SetRenderState(rsScreenSpace);
  canvas_->FillText(u"x", 10.3f, 5, 0.5f);
  canvas_->SetRenderState(rsCameraSpace);
  canvas_->FillText(u"x", 10, 5, 1);
  void* p = nullptr;
  ASSERT_EQ(canvas_->VertexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
  std::vector<TdxCanvasVertex> v(8);
  std::memcpy(v.data(), p, 8 * sizeof(TdxCanvasVertex));
  canvas_->VertexBuffer()->Unlock();
  EXPECT_FLOAT_EQ(v[0].X, 10.6f + 1 + 0.5f);
  EXPECT_EQ(v[0].Color, 0x7F707070u);
  // X-Z plane at 0.02 a pixel: the first corner at the pen and the bottom of the cell.
  EXPECT_FLOAT_EQ(v[4].X, 11 * 0.02f);
  EXPECT_EQ(v[4].Y, 0);
  EXPECT_FLOAT_EQ(v[4].Z, 15 * 0.02f);
  EXPECT_FLOAT_EQ(v[6].Z, 5 * 0.02f);
}

TEST_F(DxCanvasText, FreeTypeGlyphsHaveInkSpacingAndTheCellHeight) {
  IdxGlyphRasterizer& ft = dxFreeTypeRasterizer();
  auto face = ft.OpenFace("Tahoma", 12, false, false);
  ASSERT_TRUE(face);
  EXPECT_GE(face->LineHeight(), 12);
  EXPECT_LE(face->LineHeight(), 20);
  const TdxGlyphSpacing h = face->Spacing(u'H'), i = face->Spacing(u'i'), sp = face->Spacing(u' ');
  EXPECT_GT(h.B, i.B);
  EXPECT_GT(h.A + h.B + h.C, 4);
  EXPECT_EQ(sp.B, 0);
  EXPECT_GT(sp.C, 0);
  std::vector<std::uint8_t> px(32 * 24, 0);
  face->Draw(u'H', 2, 1, px.data(), 32, 24);
  int inked = 0;
  for (auto a : px) inked += a > 128;
  EXPECT_GT(inked, 10);
  // A glyph drawn off the edge is cut off, not written outside.
  face->Draw(u'W', 28, 20, px.data(), 32, 24);
  auto bold = ft.OpenFace("Tahoma", 12, true, false);
  ASSERT_TRUE(bold);
  EXPECT_GE(bold->Spacing(u'H').B, h.B);
}

TEST_F(DxCanvasText, DrawnWordsStandWhereMeasuringPutsThem) {
  // Real glyphs: a space has no ink, and its advance lies in its spacing, not in its cell.
  canvas_->SetGlyphRasterizer(&dxFreeTypeRasterizer());
  canvas_->SetRenderState(rsScreenSpace);
  const std::u16string text = u"ab cd e";
  canvas_->FillText(text, 10, 20, 1);
  void* p = nullptr;
  ASSERT_EQ(canvas_->VertexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
  std::vector<TdxCanvasVertex> v(5 * 4);
  std::memcpy(v.data(), p, v.size() * sizeof(TdxCanvasVertex));
  canvas_->VertexBuffer()->Unlock();
  const auto& glyphs = canvas_->Fonts()[0]->Chars;
  // Each quad starts at the measured width of the text before it plus its own A.
  const size_t starts[] = {0, 1, 3, 4, 6};
  for (int q = 0; q < 5; ++q) {
    const char16_t c = text[starts[q]];
    const float before = starts[q] == 0 ? 0 : canvas_->MeasureText(text.substr(0, starts[q])).X;
    EXPECT_FLOAT_EQ(v[static_cast<size_t>(q) * 4].X, 10 + before + static_cast<float>(glyphs[c - 32].A) + 0.5f)
        << "quad of '" << static_cast<char>(c) << "'";
  }
  // A space at this size moves on by more than its 2-pixel cell.
  const float space = canvas_->MeasureText(u" ").X;
  EXPECT_GT(space, 2);
}

}  // namespace dx_canvas_text_test
