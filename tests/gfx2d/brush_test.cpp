#include <gtest/gtest.h>

#include "Pixels.h"
#include "platform/gfx2d/Backend.h"

namespace brush_test {

using namespace gfx2d;

TEST(LinearGradient, StopsWrapModesAndDegenerateBrushes) {
  Surface s(20, 2);
  LinearGradientBrush tile({0, 0}, {10, 0}, Red, Blue);
  s.g->FillRectangle(tile, {0, 0, 20, 1});
  EXPECT_GT(s.Red(0, 0), 240);
  EXPECT_GT(s.Blue(9, 0), 220);
  EXPECT_GT(s.Blue(19, 0), 220);  // repeats: 1.95 -> 0.95
  LinearGradientBrush flip({0, 0}, {10, 0}, Red, Blue, WrapMode::TileFlipX);
  s.g->FillRectangle(flip, {0, 1, 20, 1});
  EXPECT_GT(s.Red(19, 1), 220);  // mirrored: 1.95 -> 0.05

  Surface b(10, 1);
  LinearGradientBrush three({0, 0}, {10, 0}, 0, 0);
  three.SetPresetBlend({{Red, Green, Blue}, {0, 0.5f, 1}});
  b.g->FillRectangle(three, {0, 0, 10, 1});
  EXPECT_GT(b.At(5, 0) >> 8 & 0xFF, 220u);  // green in the middle

  Surface d(4, 1);
  LinearGradientBrush none({1, 1}, {1, 1}, Red, Blue);  // no direction
  d.g->FillRectangle(none, {0, 0, 4, 1});
  LinearGradientBrush scaled({0, 0}, {1, 0}, Red, Blue);
  scaled.ScaleTransform(0, 1);  // would be singular: ignored
  EXPECT_EQ(scaled.Transform().m11, 1);
  EXPECT_EQ(d.CountPainted(), 0);
  EXPECT_TRUE(d.g->Ok());
}

TEST(EllipseGradient, PaintsOnlyInsideTheEllipseAndTilesFlipped) {
  Surface s(40, 20);
  s.g->SetInterpolationMode(InterpolationMode::NearestNeighbor);
  EllipseGradientBrush b({0, 0, 20, 20});
  b.SetPresetBlend({{Red, Blue}, {0, 1}});  // red on the rim, blue in the centre
  b.SetWrapMode(WrapMode::TileFlipXY);
  s.g->FillRectangle(b, {0, 0, 40, 20});
  EXPECT_GT(s.Blue(10, 10), 230);
  EXPECT_LT(s.Red(10, 10), 25);
  EXPECT_GT(s.Red(10, 1), 150);  // near the rim
  EXPECT_EQ(s.Alpha(0, 0), 0);   // corner outside the ellipse
  EXPECT_EQ(s.Alpha(19, 19), 0);
  EXPECT_GT(s.Blue(30, 10), 230);  // the mirrored tile's centre
  EXPECT_EQ(s.Alpha(21, 0), 0);

  Surface m(40, 20);
  EllipseGradientBrush moved({0, 0, 20, 20});
  moved.SetPresetBlend({{Red, Blue}, {0, 1}});
  moved.SetTransform({1, 0, 0, 1, 20, 0});
  m.g->FillRectangle(moved, {0, 0, 40, 20});
  EXPECT_EQ(m.Alpha(10, 10), 0);  // clamped: nothing outside the moved tile
  EXPECT_GT(m.Blue(30, 10), 230);

  EllipseGradientBrush singular({0, 0, 20, 20});
  singular.SetTransform({0, 0, 0, 0, 0, 0});
  Surface z(4, 4);
  z.g->FillRectangle(singular, {0, 0, 4, 4});
  EXPECT_EQ(z.CountPainted(), 0);
  EXPECT_TRUE(z.g->Ok());
}

TEST(Texture, TilingFlippedTilingClampAndAlpha) {
  uint32_t px[2] = {Red, Blue};
  std::unique_ptr<Image> img(Image::FromPixels(px, 2, 1));
  auto row = [&](WrapMode mode, float alpha) {
    Surface s(8, 1);
    s.g->SetInterpolationMode(InterpolationMode::NearestNeighbor);
    TextureBrush b(img.get(), mode, alpha);
    s.g->FillRectangle(b, {0, 0, 8, 1});
    return std::vector<uint32_t>(s.bits);
  };
  const uint32_t R = Red, B = Blue;
  EXPECT_EQ(row(WrapMode::Tile, 1), (std::vector<uint32_t>{R, B, R, B, R, B, R, B}));
  EXPECT_EQ(row(WrapMode::TileFlipX, 1), (std::vector<uint32_t>{R, B, B, R, R, B, B, R}));
  EXPECT_EQ(row(WrapMode::Clamp, 1), (std::vector<uint32_t>{R, B, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(row(WrapMode::Tile, 0.5f)[1], 0x80000080u);  // premultiplied

  Surface s(8, 1);
  s.g->SetInterpolationMode(InterpolationMode::NearestNeighbor);
  TextureBrush wide(img.get(), WrapMode::Tile);
  wide.ScaleTransform(2, 1);
  s.g->FillRectangle(wide, {0, 0, 8, 1});
  EXPECT_EQ(s.bits, (std::vector<uint32_t>{R, R, B, B, R, R, B, B}));
}

TEST(Backend, StartsOnceAndReleasesAtTheEnd) {
  int released = 0;
  Shutdown();  // not started: nothing
  Startup();
  Startup();
  EXPECT_TRUE(IsStarted());
  AddReleaseHandler([&] { released = released * 10 + 1; });
  AddReleaseHandler([&] { released = released * 10 + 2; });
  Shutdown();
  EXPECT_EQ(released, 21);  // last registered first
  EXPECT_FALSE(IsStarted());
  Shutdown();
  EXPECT_EQ(released, 21);
}

// A gradient brush builds its pattern once and hands the same one out until it changes,
// so that drawing with it again does not sort its stops again; a change builds a new one
// that paints the change.
TEST(GradientPatterns, AreBuiltOnceAndAgainOnlyAfterAChange) {
  cairo_matrix_t ctm;
  cairo_matrix_init_identity(&ctm);
  LinearGradientBrush line({0, 0}, {10, 0}, Red, Blue);
  cairo_pattern_t* first = line.CreatePattern(ctm, CAIRO_FILTER_GOOD);
  cairo_pattern_t* again = line.CreatePattern(ctm, CAIRO_FILTER_GOOD);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, again);
  line.SetPresetBlend({{Green, Green}, {0, 1}});
  cairo_pattern_t* changed = line.CreatePattern(ctm, CAIRO_FILTER_GOOD);
  EXPECT_NE(changed, first);
  Surface s(10, 1);
  s.g->FillRectangle(line, {0, 0, 10, 1});
  EXPECT_GT(s.At(5, 0) >> 8 & 0xFF, 220u);  // the new stops paint
  for (cairo_pattern_t* p : {first, again, changed}) cairo_pattern_destroy(p);

  EllipseGradientBrush round({0, 0, 20, 20});
  round.SetPresetBlend({{Red, Blue}, {0, 1}});
  cairo_pattern_t* a = round.CreatePattern(ctm, CAIRO_FILTER_GOOD);
  cairo_pattern_t* b = round.CreatePattern(ctm, CAIRO_FILTER_GOOD);
  EXPECT_EQ(a, b);
  cairo_matrix_t doubled;
  cairo_matrix_init_scale(&doubled, 2, 2);
  cairo_pattern_t* finer = round.CreatePattern(doubled, CAIRO_FILTER_GOOD);  // another resolution
  EXPECT_NE(finer, a);
  for (cairo_pattern_t* p : {a, b, finer}) cairo_pattern_destroy(p);

  // A copy paints the same and builds its own.
  LinearGradientBrush copy = line;
  EXPECT_TRUE(copy.SameAs(line));
  copy.SetWrapMode(WrapMode::Clamp);
  EXPECT_FALSE(copy.SameAs(line));
}

}  // namespace brush_test
