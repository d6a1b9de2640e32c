// Curved fills and outlines drawn again the same way are blended from an image of their own:
// the pixels must be cairo's own drawing of the figure, whatever the clip, the background, the
// shift and the source, and what is kept must follow every change of what is drawn.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "Pixels.h"

namespace kept_shapes_test {

using namespace gfx2d;

namespace {

constexpr int W = 96, H = 72;

uint32_t Background(size_t I) { return 0x40000000u | static_cast<uint32_t>(I % 61) | (I % 7 == 0 ? 0xFF204060u : 0); }

// A box with rounded corners, as the controls draw their panels.
Path RoundedBox(float X, float Y, float Width, float Height, float R) {
  constexpr float K = 0.5522847f * 1;
  Path p;
  p.AddLine({X + R, Y}, {X + Width - R, Y});
  p.AddBezier({X + Width - R, Y}, {X + Width - R + K * R, Y}, {X + Width, Y + R - K * R}, {X + Width, Y + R});
  p.AddLine({X + Width, Y + R}, {X + Width, Y + Height - R});
  p.AddBezier({X + Width, Y + Height - R}, {X + Width, Y + Height - R + K * R}, {X + Width - R + K * R, Y + Height},
              {X + Width - R, Y + Height});
  p.AddLine({X + Width - R, Y + Height}, {X + R, Y + Height});
  p.AddBezier({X + R, Y + Height}, {X + R - K * R, Y + Height}, {X, Y + Height - R + K * R}, {X, Y + Height - R});
  p.AddLine({X, Y + Height - R}, {X, Y + R});
  p.AddBezier({X, Y + R}, {X, Y + R - K * R}, {X + R - K * R, Y}, {X + R, Y});
  p.CloseFigure();
  return p;
}

// What cairo draws itself, on a copy of Bits, with the figure shifted and scaled: through the
// clip (boxes of whole pixels), or (Cut) all of it, the pixels outside the clip then put back.
// The two differ by several steps of alpha along a curve: cairo cuts the outline at the clip's
// boxes before it works out the pixels' coverage.
std::vector<uint32_t> Reference(std::vector<uint32_t> Bits, const std::vector<RectF>& Clip, double DX, double DY,
                                double Scale, const std::function<void(cairo_t*)>& Draw, bool Cut) {
  const std::vector<uint32_t> before = Bits;
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Bits.data()), CAIRO_FORMAT_ARGB32, W, H, W * 4);
  cairo_t* cr = cairo_create(s);
  if (!Cut) {
    for (const RectF& r : Clip) cairo_rectangle(cr, r.X, r.Y, r.Width, r.Height);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr);
  }
  cairo_translate(cr, DX, DY);
  cairo_scale(cr, Scale, Scale);
  Draw(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  if (Cut)
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        bool in = false;
        for (const RectF& r : Clip) in = in || (x >= r.X && x < r.X + r.Width && y >= r.Y && y < r.Y + r.Height);
        if (!in) Bits[static_cast<size_t>(y) * W + x] = before[static_cast<size_t>(y) * W + x];
      }
  return Bits;
}

int ChannelDifference(uint32_t A, uint32_t B) {
  int most = 0;
  for (int shift = 0; shift < 32; shift += 8)
    most = std::max(most, std::abs(static_cast<int>((A >> shift) & 0xFF) - static_cast<int>((B >> shift) & 0xFF)));
  return most;
}

void SetSource(cairo_t* cr, const Brush& B) {
  cairo_matrix_t ctm;
  cairo_get_matrix(cr, &ctm);
  cairo_pattern_t* p = B.CreatePattern(ctm, CAIRO_FILTER_GOOD);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

LinearGradientBrush Downwards(ARGB Top) {
  LinearGradientBrush b({0, 2}, {0, 40}, Top, Top, WrapMode::TileFlipX);
  b.SetPresetBlend({{Top, 0xC0204080u, 0x8060A0E0u}, {0, 0.4f, 1}});
  return b;
}

}  // namespace

// Fills and outlines of rounded boxes and ellipses, of one colour (opaque and not) and with a
// gradient straight down, each drawn three times at whole and part-pixel shifts through a
// clip of several boxes. Each drawing is cairo's own drawing of the figure through the clip,
// or of the whole figure cut at the clip but for a step or two in a channel along its edges
// (at most one pixel in ten of those drawn: cairo blends a colour that is not opaque through
// the coverage in one step, the image in two; and its outlines differ as much between two
// whole-pixel shifts, their offset edges being worked out where they lie). The figures drawn
// again the same way are kept.
TEST(KeptShapes, DrawWhatCairoDrawsAndAreKeptWhenDrawnAgain) {
  Surface s(W, H);
  const std::vector<RectF> clip = {{3, 4, 30, 9}, {20, 10, 25, 30}, {60, 50, 20, 15}, {0, 33, 96, 2}, {70, 0, 26, 20}};
  const SolidBrush opaque(0xFF3080C0u), clear(0x80C04020u);
  const LinearGradientBrush gradient = Downwards(0xE0101010u);
  Pen thin(&opaque, 1), wide(&clear, 3.5f), shaded(&gradient, 2);
  wide.SetLineJoin(LineJoin::Round);
  Path ellipse;
  ellipse.AddEllipse({4.25f, 2, 70, 55});
  const std::vector<Path> figures = {RoundedBox(0.5f, 0.5f, 80, 50, 4), RoundedBox(2, 3.25f, 60.5f, 40, 12), ellipse};
  struct Shift {
    float DX, DY, Scale = 1;
  };
  const std::vector<Shift> shifts = {{3, 5}, {-7, 9}, {3, 5}, {2.5f, 5.25f}, {11, -2}, {4, 6, 0.75f}, {-1, 7, 0.75f}};
  int drawings = 0;
  for (size_t f = 0; f < figures.size(); ++f) {
    const Path& figure = figures[f];
    struct Way {
      std::function<void(Graphics&)> Ours;
      std::function<void(cairo_t*)> Cairos;
    };
    auto fill = [&](const Brush& B) {
      return Way{[&](Graphics& G) { G.FillPath(B, figure); },
                 [&](cairo_t* cr) {
                   SetSource(cr, B);
                   figure.AppendTo(cr);
                   cairo_fill(cr);
                 }};
    };
    auto stroke = [&](const Pen& P) {
      return Way{[&](Graphics& G) { G.DrawPath(P, figure); },
                 [&](cairo_t* cr) {
                   P.ApplyTo(cr);
                   SetSource(cr, *P.GetBrush());
                   figure.AppendTo(cr);
                   cairo_stroke(cr);
                 }};
    };
    const std::vector<Way> ways = {fill(opaque), fill(clear), fill(gradient), stroke(thin), stroke(wide), stroke(shaded)};
    for (size_t w = 0; w < ways.size(); ++w)
      for (int round = 0; round < 3; ++round)
        for (const Shift& at : shifts) {
          for (size_t i = 0; i < s.bits.size(); ++i) s.bits[i] = Background(i);
          s.image->MarkDirty();
          s.g->SetWorldTransform({1, 0, 0, 1, 0, 0});
          s.g->SetClipRects(clip);
          s.g->SetWorldTransform({at.Scale, 0, 0, at.Scale, at.DX, at.DY});
          const std::vector<uint32_t> through = Reference(s.bits, clip, at.DX, at.DY, at.Scale, ways[w].Cairos, false);
          const std::vector<uint32_t> cut = Reference(s.bits, clip, at.DX, at.DY, at.Scale, ways[w].Cairos, true);
          ways[w].Ours(*s.g);
          s.image->Flush();
          int most = 0, differing = 0, differingThrough = 0, changed = 0;
          for (size_t i = 0; i < s.bits.size(); ++i) {
            most = std::max(most, ChannelDifference(s.bits[i], cut[i]));
            differing += s.bits[i] != cut[i];
            differingThrough += s.bits[i] != through[i];
            changed += s.bits[i] != Background(i);
          }
          EXPECT_TRUE(differingThrough == 0 || (most <= 2 && differing * 10 <= changed))
              << "figure " << f << ", way " << w << ", round " << round << ", shift " << at.DX << "," << at.DY << ": "
              << differingThrough << " pixels differ from the drawing through the clip, " << differing
              << " from the whole drawing cut at it, by up to " << most;
          EXPECT_GT(changed, 20) << "figure " << f << ", way " << w;
          ++drawings;
        }
  }
  EXPECT_EQ(drawings, 3 * 6 * 3 * 7);
  // A figure's coverage serves every colour and whole-pixel shift at one scale and part of a
  // pixel (three images: unscaled, scaled and shifted by part of a pixel, for the fills of both
  // colours and for each outline's width); a gradient fill takes one per shift down when
  // unscaled and shifted by whole pixels (5 down, 9 down, -2 down), none else; a gradient
  // outline none.
  EXPECT_EQ(s.g->ShapesMade(), 3u * (3 + 2 * 3 + 3));
  EXPECT_GT(s.g->ShapeBytesKept(), 0u);
}

// A figure drawn once is not kept (most are drawn once, by a whole frame); nor is one with
// straight sides only, a slanted gradient, one larger than a kept image may be, or a source
// that is not wholly there (its alpha is applied afterwards). What is kept stays within its
// bytes whatever is drawn, the oldest going first.
TEST(KeptShapes, OnlyCurvedFiguresDrawnAgainAreKeptWithinTheirBytes) {
  Surface s(W, H);
  const SolidBrush brush(0xFF3080C0u);
  const Path box = RoundedBox(1, 1, 30, 20, 5);
  s.g->FillPath(brush, box);
  EXPECT_EQ(s.g->ShapesMade(), 0u);
  s.g->FillPath(brush, box);
  EXPECT_EQ(s.g->ShapesMade(), 1u);
  s.g->FillPath(brush, box);
  EXPECT_EQ(s.g->ShapesMade(), 1u);

  Path square;
  square.AddRectangle({1.5f, 1.5f, 20, 20});
  LinearGradientBrush slanted({0, 0}, {10, 40}, 0xFF000000u, 0xFFFFFFFFu);
  Path huge;
  huge.AddEllipse({0, 0, 400, 400});
  for (int i = 0; i < 3; ++i) {
    s.g->FillPath(brush, square);
    s.g->FillPath(slanted, box);
    s.g->FillPath(brush, huge);
  }
  EXPECT_EQ(s.g->ShapesMade(), 1u);

  // Many boxes of their own sizes, each drawn twice: the bytes kept stay bounded, and the
  // first box, pushed out, is drawn into an image again when it comes back.
  for (int k = 0; k < 400; ++k)
    for (int i = 0; i < 2; ++i) s.g->FillPath(brush, RoundedBox(0, 0, 100 + k % 150, 40 + k / 150, 6));
  EXPECT_EQ(s.g->ShapesMade(), 401u);
  EXPECT_LE(s.g->ShapeBytesKept(), size_t{1} << 20);
  EXPECT_GT(s.g->ShapeBytesKept(), size_t{1} << 19);
  s.g->FillPath(brush, box);
  s.g->FillPath(brush, box);
  EXPECT_EQ(s.g->ShapesMade(), 402u);
}

}  // namespace kept_shapes_test
