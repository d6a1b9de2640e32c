#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <cairo.h>

#include "Pixels.h"

namespace graphics_test {

using namespace gfx2d;

namespace {
const float NaN = std::numeric_limits<float>::quiet_NaN();
}

TEST(Image, RefusesUnusableSizesAndCopiesClipped) {
  uint32_t px[4] = {};
  EXPECT_EQ(Image::FromPixels(px, 0, 1), nullptr);
  EXPECT_EQ(Image::FromPixels(nullptr, 1, 1), nullptr);
  EXPECT_EQ(Image::FromPixels(px, 40000, 1), nullptr);  // beyond the back end's limit

  std::vector<uint32_t> src(16);
  for (int i = 0; i < 16; ++i) src[i] = i + 1;  // 4 x 4
  std::vector<uint32_t> dst(6 * 3, 0);
  PixelTarget t{dst.data(), 5, 3, 6};  // one padding pixel per row
  // Source block (1,1)-(4,4) to (-1, 1): column 0 of the block and row 3 fall outside.
  CopyPixels(src.data(), 4, 4, 1, 1, 10, 10, t, -1, 1);
  EXPECT_EQ(dst[1 * 6 + 0], 7u);  // source (2, 1)
  EXPECT_EQ(dst[1 * 6 + 1], 8u);
  EXPECT_EQ(dst[1 * 6 + 2], 0u);  // the source row ends
  EXPECT_EQ(dst[2 * 6 + 0], 11u);
  EXPECT_EQ(dst[0], 0u);
  EXPECT_EQ(dst[5], 0u);
}

TEST(GraphicsFill, SolidRectangleIsExactAndPremultiplied) {
  Surface s(8, 8);
  SolidBrush red(Red), half(0x80FF0000u);
  s.g->FillRectangle(red, {2, 2, 3, 3});
  EXPECT_EQ(s.At(2, 2), Red);
  EXPECT_EQ(s.At(4, 4), Red);
  EXPECT_EQ(s.At(5, 4), 0u);
  EXPECT_EQ(s.At(1, 2), 0u);
  EXPECT_EQ(s.CountPainted(), 9);
  s.g->FillRectangle(half, {0, 7, 1, 1});
  const auto* bytes = reinterpret_cast<const uint8_t*>(&s.bits[7 * 8]);
  EXPECT_EQ(bytes[0], 0);    // B
  EXPECT_EQ(bytes[2], 128);  // R, premultiplied
  EXPECT_EQ(bytes[3], 128);  // A
  s.g->FillRectangle(red, {7, 0, -1, 1});  // negative sizes draw nothing
  EXPECT_EQ(s.At(6, 0), 0u);
}

TEST(GraphicsTransform, RowVectorMatrixAndSingularMatricesDrawNothing) {
  Surface s(20, 4);
  SolidBrush red(Red);
  s.g->SetWorldTransform({2, 0, 0, 1, 5, 0});  // x' = 2x + 5
  s.g->FillRectangle(red, {0, 0, 1, 1});
  EXPECT_EQ(s.At(5, 0), Red);
  EXPECT_EQ(s.At(6, 0), Red);
  EXPECT_EQ(s.At(7, 0), 0u);

  s.g->SetWorldTransform({0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(s.g->Degenerate());
  s.g->FillRectangle(red, {0, 1, 20, 3});
  s.g->SetClipRect({0, 0, 1, 1}, CombineMode::Intersect);  // ignored: no user space
  s.g->MultiplyWorldTransform({NaN, 0, 0, 1, 0, 0});
  EXPECT_EQ(s.CountPainted(), 2);
  EXPECT_TRUE(s.g->Ok());
  s.g->SetWorldTransform({});
  EXPECT_FALSE(s.g->Degenerate());
  s.g->FillRectangle(red, {0, 3, 20, 1});
  EXPECT_EQ(s.At(19, 3), Red);
  EXPECT_TRUE(s.g->Ok());
}

TEST(GraphicsState, RestoreInAnyOrderDiscardsLaterStates) {
  Surface s(10, 10);
  SolidBrush red(Red);
  const uint32_t t1 = s.g->Save();
  s.g->SetWorldTransform({1, 0, 0, 1, 3, 0});
  s.g->SetClipRect({0, 0, 2, 2}, CombineMode::Intersect);
  const uint32_t t2 = s.g->Save();
  s.g->SetClipRect({0, 0, 1, 1}, CombineMode::Exclude);
  s.g->Restore(t2);  // back to the translated 2 x 2 clip
  s.g->FillRectangle(red, {0, 0, 10, 10});
  EXPECT_EQ(s.At(3, 0), Red);
  EXPECT_EQ(s.At(4, 1), Red);
  EXPECT_EQ(s.At(5, 0), 0u);
  EXPECT_EQ(s.CountPainted(), 4);

  const uint32_t t3 = s.g->Save();
  s.g->Restore(t1);  // forgets t3 as well
  s.g->SetWorldTransform({1, 0, 0, 1, 0, 5});
  s.g->Restore(t3);  // forgotten: nothing happens
  s.g->Restore(12345);
  s.g->FillRectangle(red, {0, 0, 1, 1});
  EXPECT_EQ(s.At(0, 5), Red);  // no clip, transform not restored
}

// Deeply nested states, each clipping further, come back level by level and all at once.
TEST(GraphicsState, NestedClipsComeBackLevelByLevelAndAllAtOnce) {
  Surface s(10, 10);
  SolidBrush red(Red);
  std::vector<uint32_t> tokens;
  for (int i = 0; i < 200; ++i) {
    tokens.push_back(s.g->Save());
    s.g->SetClipRect({0, 0, 10.0f - static_cast<float>(i % 9), 10}, CombineMode::Intersect);
  }
  s.g->FillRectangle(red, {0, 0, 10, 1});
  EXPECT_EQ(s.CountPainted(), 2) << "the narrowest clip";
  s.g->Restore(tokens[1]);  // the clip of the first level only
  s.g->FillRectangle(red, {0, 1, 10, 1});
  EXPECT_EQ(s.CountPainted(), 2 + 10);
  s.g->Restore(tokens[1]);  // forgotten
  s.g->Restore(tokens[0]);
  s.g->FillRectangle(red, {0, 2, 10, 1});
  EXPECT_EQ(s.CountPainted(), 2 + 10 + 10);
  const uint32_t again = s.g->Save();
  s.g->SetClipRect({0, 0, 1, 1}, CombineMode::Replace);
  s.g->Restore(again);
  s.g->FillRectangle(red, {0, 3, 10, 1});
  EXPECT_EQ(s.CountPainted(), 2 + 10 + 10 + 10) << "still drawing after every restore";
}

// A restore that finds the clip as it was saved keeps it and takes back only the transform;
// one after a clip was replaced or reset brings the saved clip back.
TEST(GraphicsState, RestoreWithTheSavedClipKeepsItAndTakesTheTransformBack) {
  Surface s(10, 10);
  SolidBrush red(Red);
  s.g->SetClipRects({{0, 0, 2, 10}, {6, 0, 2, 10}});
  const uint32_t t1 = s.g->Save();
  s.g->SetWorldTransform({1, 0, 0, 1, 0, 4});
  s.g->Restore(t1);
  s.g->FillRectangle(red, {0, 0, 10, 1});
  EXPECT_EQ(s.At(1, 0), Red);
  EXPECT_EQ(s.At(6, 0), Red);
  EXPECT_EQ(s.At(4, 0), 0u);
  EXPECT_EQ(s.CountPainted(), 4);
  for (bool reset : {false, true}) {
    const uint32_t t2 = s.g->Save();
    if (reset)
      s.g->ResetClip();
    else
      s.g->SetClipRect({3, 0, 2, 10}, CombineMode::Replace);
    s.g->Restore(t2);
    s.g->FillRectangle(red, {0, 9, 10, 1});
    EXPECT_EQ(s.At(1, 9), Red);
    EXPECT_EQ(s.At(4, 9), 0u) << (reset ? "after a reset" : "after a replace");
  }
}

TEST(GraphicsClip, IntersectExcludeReplaceAndUnion) {
  Surface s(10, 10);
  SolidBrush red(Red);
  s.g->SetClipRect({1, 1, 8, 8}, CombineMode::Intersect);
  s.g->SetClipRect({3, 3, 4, 4}, CombineMode::Exclude);
  s.g->FillRectangle(red, {0, 0, 10, 10});
  EXPECT_EQ(s.At(0, 0), 0u);
  EXPECT_EQ(s.At(1, 1), Red);
  EXPECT_EQ(s.At(2, 5), Red);
  EXPECT_EQ(s.At(3, 3), 0u);
  EXPECT_EQ(s.At(6, 6), 0u);
  EXPECT_EQ(s.At(7, 7), Red);
  EXPECT_EQ(s.CountPainted(), 64 - 16);

  Surface u(10, 2);
  u.g->SetClipRect({0, 0, 1, 1}, CombineMode::Intersect);
  u.g->SetClipRects({{1, 0, 2, 1}, {2, 0, 2, 1}, {8, 1, -1, 1}});  // replaces; overlap is no hole
  u.g->FillRectangle(red, {0, 0, 10, 2});
  EXPECT_EQ(u.At(0, 0), 0u);
  EXPECT_EQ(u.At(2, 0), Red);
  EXPECT_EQ(u.At(7, 1), Red);
  EXPECT_EQ(u.CountPainted(), 4);

  Surface e(4, 4);
  e.g->SetClipRects({});  // an empty region: nothing shows
  e.g->FillRectangle(red, {0, 0, 4, 4});
  EXPECT_EQ(e.CountPainted(), 0);
  e.g->SetClipRect({0, 0, 1, 1}, CombineMode::Replace);
  e.g->FillRectangle(red, {0, 0, 4, 4});
  EXPECT_EQ(e.CountPainted(), 1);
  e.g->ResetClip();
  e.g->FillRectangle(red, {0, 0, 4, 4});
  EXPECT_EQ(e.CountPainted(), 16);
}

TEST(GraphicsPen, ThinPensDrawOneDevicePixel) {
  Surface s(12, 12);
  SolidBrush red(Red);
  Pen pen(&red, 0);
  s.g->DrawLine(pen, {0, 2.5f}, {12, 2.5f});
  EXPECT_EQ(s.At(5, 2), Red);
  EXPECT_EQ(s.At(5, 1), 0u);
  EXPECT_EQ(s.At(5, 3), 0u);
  s.g->SetWorldTransform({4, 0, 0, 4, 0, 0});
  pen.SetWidth(0.1f);  // 0.4 device pixels
  s.g->DrawLine(pen, {0, 1.875f}, {3, 1.875f});  // device y 7.5
  EXPECT_EQ(s.At(5, 7), Red);
  EXPECT_EQ(s.At(5, 6), 0u);
  EXPECT_EQ(s.At(5, 8), 0u);
}

TEST(GraphicsPen, DashesCapsAndUnusablePatterns) {
  Surface s(16, 8);
  SolidBrush red(Red);
  Pen pen(&red, 1);
  pen.SetDashPattern({2, 2});
  s.g->DrawLine(pen, {0, 0.5f}, {16, 0.5f});
  for (int x = 0; x < 16; ++x) EXPECT_EQ(s.Alpha(x, 0), (x / 2) % 2 == 0 ? 255 : 0) << x;

  pen.SetWidth(2);
  pen.SetDashPattern({1, 1});  // lengths scale with the width
  pen.SetDashOffset(1);
  s.g->DrawLine(pen, {0, 2}, {16, 2});
  EXPECT_EQ(s.Alpha(0, 1), 0);
  EXPECT_EQ(s.Alpha(2, 1), 255);
  EXPECT_EQ(s.Alpha(3, 2), 255);
  EXPECT_EQ(s.Alpha(4, 2), 0);

  for (auto bad : {std::vector<float>{-1, 2}, std::vector<float>{0, 0}, std::vector<float>{NaN},
                   std::vector<float>{1e-30f, 1e-30f}}) {
    Surface t(8, 1);
    Pen p(&red, 1);
    p.SetDashPattern(bad);
    t.g->DrawLine(p, {0, 0.5f}, {8, 0.5f});
    EXPECT_TRUE(t.g->Ok());
    EXPECT_EQ(t.CountPainted(), 8);  // solid instead
  }

  Surface c(12, 5);
  Pen round(&red, 4);
  round.SetLineCap(LineCap::Round);
  c.g->DrawLine(round, {3, 2.5f}, {8, 2.5f});
  EXPECT_GT(c.Alpha(9, 2), 0);
  EXPECT_EQ(c.Alpha(11, 2), 0);
  Surface f(12, 5);
  Pen flat(&red, 4);
  f.g->DrawLine(flat, {3, 2.5f}, {8, 2.5f});
  EXPECT_EQ(f.Alpha(8, 2), 0);
  EXPECT_EQ(f.Alpha(7, 2), 255);
}

TEST(GraphicsPath, FillRulesHitTestsAndBadPoints) {
  Path alt;
  alt.AddRectangle({0, 0, 10, 10});
  alt.AddRectangle({3, 3, 4, 4});
  Path wind(FillMode::Winding);
  wind.AddRectangle({0, 0, 10, 10});
  wind.AddRectangle({3, 3, 4, 4});
  EXPECT_TRUE(alt.IsVisible(1, 1));
  EXPECT_FALSE(alt.IsVisible(5, 5));
  EXPECT_TRUE(wind.IsVisible(5, 5));
  EXPECT_FALSE(alt.IsVisible(11, 5));

  Surface s(10, 10);
  SolidBrush red(Red);
  s.g->FillPath(red, alt);
  EXPECT_EQ(s.At(5, 5), 0u);
  EXPECT_EQ(s.At(1, 5), Red);

  // Adds join the open figure: a triangle from two lines and a close.
  Path tri;
  tri.AddLine({0, 0}, {8, 0});
  tri.AddLine({8, 8}, {0, 8});  // joined by a line (8,0)-(8,8)
  tri.CloseFigure();
  EXPECT_TRUE(tri.IsVisible(6, 4));

  Path bad;
  bad.AddLine({0, 0}, {NaN, 4});
  bad.AddLine({0, 0}, {4, 4});
  EXPECT_FALSE(bad.IsValid());
  EXPECT_FALSE(bad.IsVisible(1, 1));
  Surface b(4, 4);
  b.g->FillPath(red, bad);
  b.g->SetClipPath(bad, CombineMode::Replace);
  EXPECT_EQ(b.CountPainted(), 0);
  EXPECT_TRUE(b.g->Ok());
}

TEST(GraphicsImage, ScaledNearestWithAlphaAndSourcePart) {
  uint32_t px[4] = {Red, Blue, Green, 0xFFFFFFFFu};
  std::unique_ptr<Image> img(Image::FromPixels(px, 2, 2));
  Surface s(8, 4);
  s.g->SetInterpolationMode(InterpolationMode::NearestNeighbor);
  s.g->DrawImage(*img, {0, 0, 4, 4}, {0, 0, 2, 2});
  EXPECT_EQ(s.At(1, 1), Red);
  EXPECT_EQ(s.At(2, 1), Blue);
  EXPECT_EQ(s.At(1, 2), Green);
  EXPECT_EQ(s.At(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(s.At(4, 0), 0u);  // outside the destination

  s.g->DrawImage(*img, {4, 0, 2, 2}, {1, 0, 1, 1}, 0.5f);  // the blue pixel, half strength
  EXPECT_EQ(s.At(5, 1), 0x80000080u);  // premultiplied
  EXPECT_EQ(s.At(6, 1), 0u);
  const int before = s.CountPainted();
  s.g->DrawImage(*img, {6, 0, 2, 2}, {0, 0, 2, 2}, 0);
  s.g->DrawImage(*img, {6, 0, 2, 2}, {0, 0, 2, 2}, NaN);
  s.g->DrawImage(*img, {6, 0, 2, 2}, {0, 0, 0, 2});
  EXPECT_EQ(s.CountPainted(), before);
  s.g->DrawImage(*img, {6, 2, 2, 2}, {0, 0, 2, 2}, 1.5f);
  EXPECT_EQ(s.At(6, 2), Red);
}

TEST(GraphicsClip, PixelBoundsAreWholeDevicePixelsGivenInUserSpace) {
  Surface s(40, 30);
  RectF b{-1, -1, -1, -1};
  ASSERT_TRUE(s.g->ClipPixelBounds(b));  // no clip: the whole target
  EXPECT_EQ(b.X, 0);
  EXPECT_EQ(b.Y, 0);
  EXPECT_EQ(b.Width, 40);
  EXPECT_EQ(b.Height, 30);

  s.g->SetClipRects({{2.5f, 3.25f, 4, 2}, {10, 4, 1, 1}});
  s.g->SetWorldTransform({2, 0, 0, 4, 1, 2});  // x' = 2x + 1, y' = 4y + 2
  ASSERT_TRUE(s.g->ClipPixelBounds(b));
  // Device pixels 2..11 x 3..6, back through the transform.
  EXPECT_FLOAT_EQ(b.X, 0.5f);
  EXPECT_FLOAT_EQ(b.Y, 0.25f);
  EXPECT_FLOAT_EQ(b.Width, 4.5f);
  EXPECT_FLOAT_EQ(b.Height, 0.75f);
  // Asking changes neither the transform nor the clip.
  SolidBrush red(Red);
  s.g->FillRectangle(red, {0, 0, 20, 10});
  EXPECT_EQ(s.At(3, 4), Red);
  EXPECT_EQ(s.At(10, 4), Red);
  EXPECT_EQ(s.At(8, 4), 0u);
  EXPECT_EQ(s.At(1, 4), 0u);

  s.g->SetWorldTransform({-1, 0, 0, 1, 20, 0});  // mirrored: still a rectangle
  ASSERT_TRUE(s.g->ClipPixelBounds(b));
  EXPECT_FLOAT_EQ(b.X, 9);
  EXPECT_FLOAT_EQ(b.Width, 9);

  s.g->SetClipRect({0, 0, 0.25f, 0.25f}, CombineMode::Replace);
  s.g->SetClipRect({5, 5, 1, 1}, CombineMode::Intersect);  // nothing left
  ASSERT_TRUE(s.g->ClipPixelBounds(b));
  EXPECT_EQ(b.Width * b.Height, 0);

  RectF kept{1, 2, 3, 4};
  s.g->SetWorldTransform({0.8f, 0.6f, -0.6f, 0.8f, 0, 0});  // turned: no rectangle in user space
  EXPECT_FALSE(s.g->ClipPixelBounds(kept));
  s.g->SetWorldTransform({0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(s.g->ClipPixelBounds(kept));
  EXPECT_EQ(kept.X, 1);
  EXPECT_EQ(kept.Height, 4);
}

namespace {

// What cairo itself paints for B over Figure through the clip boxes (device pixels) under a
// shift of the user space, on a copy of Bits: the gradient worked out pixel by pixel.
std::vector<uint32_t> CairoReference(std::vector<uint32_t> Bits, int W, int H, const std::vector<RectF>& Clip,
                                     double DX, double DY, const Brush& B, const Path& Figure) {
  cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Bits.data()),
                                                           CAIRO_FORMAT_ARGB32, W, H, W * 4);
  cairo_t* cr = cairo_create(s);
  for (const RectF& r : Clip) cairo_rectangle(cr, r.X, r.Y, r.Width, r.Height);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr);
  cairo_translate(cr, DX, DY);
  cairo_matrix_t ctm;
  cairo_get_matrix(cr, &ctm);
  cairo_pattern_t* p = B.CreatePattern(ctm, CAIRO_FILTER_GOOD);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
  Figure.AppendTo(cr);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return Bits;
}

}  // namespace

// A gradient from top to bottom, shifted by whole pixels, is blended from a strip of its
// colours drawn once: the pixels are cairo's own, over a background, through a clip of
// several boxes, for a rectangle and a curved figure. A fill with other colours or shifted
// further down takes a strip of its own; a slanted gradient or a shift by part of a pixel
// takes none.
TEST(GraphicsFill, GradientStripsPaintWhatTheGradientPaints) {
  constexpr int W = 90, H = 70;
  Surface s(W, H);
  const std::vector<RectF> clip = {{3, 4, 30, 9}, {3, 4, 30, 9}, {20, 10, 25, 30}, {60, 50, 20, 15}, {0, 33, 90, 2}};
  auto brush = [](ARGB Top, PointF P1, PointF P2) {
    LinearGradientBrush b(P1, P2, Top, Top, WrapMode::TileFlipX);  // reflected, as the controls' fills
    b.SetPresetBlend({{Top, 0xC0204080u, 0x8060A0E0u}, {0, 0.4f, 1}});
    return b;
  };
  Path rect, ellipse;
  rect.AddRectangle({1.5f, 0.5f, 80, 60.25f});
  ellipse.AddEllipse({4.25f, 2, 70, 55});
  struct Case {
    LinearGradientBrush Brush;
    const Path* Figure;
    float DX, DY;
    size_t Strips;  // made once the case is painted (twice)
  };
  const std::vector<Case> cases = {
      {brush(0xE0101010u, {0, 2}, {0, 40}), &rect, 3, 5, 1},
      {brush(0xE0101010u, {0, 2}, {0, 40}), &ellipse, 3, 5, 1},     // the same colours: kept
      {brush(0xE0F01010u, {0, 2}, {0, 40}), &rect, 3, 5, 2},        // other colours
      {brush(0xE0F01010u, {0, 2}, {0, 40}), &rect, 3, 9, 3},        // shifted further down
      {brush(0xE0F01010u, {0, 2}, {0, 40}), &rect, -7, 9, 3},       // sideways: the same rows
      {brush(0xE0F01010u, {0, 2}, {0.5f, 40}), &ellipse, 3, 9, 3},  // slanted
      {brush(0xE0F01010u, {0, 2}, {0, 40}), &rect, 3, 9.5f, 3},     // part of a pixel
  };
  for (size_t k = 0; k < cases.size(); ++k) {
    const Case& c = cases[k];
    for (int round = 0; round < 2; ++round) {
      for (int i = 0; i < W * H; ++i) s.bits[static_cast<size_t>(i)] = 0x40000000u | static_cast<uint32_t>(i % 61);
      s.image->MarkDirty();
      s.g->SetWorldTransform({1, 0, 0, 1, 0, 0});
      s.g->SetClipRects(clip);
      s.g->SetWorldTransform({1, 0, 0, 1, c.DX, c.DY});
      const std::vector<uint32_t> expected = CairoReference(s.bits, W, H, clip, c.DX, c.DY, c.Brush, *c.Figure);
      s.g->FillPath(c.Brush, *c.Figure);
      s.image->Flush();
      int differing = 0, changed = 0;
      for (size_t i = 0; i < s.bits.size(); ++i) {
        differing += s.bits[i] != expected[i];
        changed += s.bits[i] != (0x40000000u | static_cast<uint32_t>(i % 61));
      }
      EXPECT_EQ(differing, 0) << "case " << k;
      EXPECT_GT(changed, 500) << "case " << k;
    }
    EXPECT_EQ(s.g->GradientStripsMade(), c.Strips) << "case " << k;
  }
}

}  // namespace graphics_test

namespace graphics_test {

// A window's panels and boxes each fill from a strip of their own (one per shift down): the
// strips of a frame's forty fills are all kept, so the next frame draws none again. What is
// kept is bounded in bytes: on a target of 4,096 rows only sixteen strips stay, so the oldest
// is drawn again once seventeen others came after it.
TEST(GraphicsFill, GradientStripsAreKeptForAWindowAndBoundedInBytes) {
  auto fillShifted = [](Surface& S, int Shifts) {
    LinearGradientBrush b({0, 0}, {0, 20}, 0xFF102030u, 0xFF405060u, WrapMode::TileFlipX);
    Path rect;
    rect.AddRectangle({0, 0, 8, 20});
    for (int k = 0; k < Shifts; ++k) {
      S.g->SetWorldTransform({1, 0, 0, 1, 0, static_cast<float>(k)});
      S.g->FillPath(b, rect);
    }
  };
  Surface window(8, 620);
  for (int frame = 0; frame < 3; ++frame) fillShifted(window, 40);
  EXPECT_EQ(window.g->GradientStripsMade(), 40u);

  Surface tall(8, 4096);
  fillShifted(tall, 16);
  fillShifted(tall, 16);
  EXPECT_EQ(tall.g->GradientStripsMade(), 16u);
  fillShifted(tall, 17);  // the seventeenth pushes out the oldest, the first shift
  EXPECT_EQ(tall.g->GradientStripsMade(), 17u);
  fillShifted(tall, 1);
  EXPECT_EQ(tall.g->GradientStripsMade(), 18u);
}

}  // namespace graphics_test
