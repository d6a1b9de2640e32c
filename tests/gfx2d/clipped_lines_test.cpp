// A line is stroked only as far as it can reach the clip: what it leaves inside the clip must
// be cairo's own drawing of the whole line there.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Pixels.h"

namespace clipped_lines_test {

using namespace gfx2d;

namespace {

constexpr int W = 120, H = 90;

uint32_t Background(size_t I) { return 0x30000000u | static_cast<uint32_t>(I % 53); }

struct Line {
  PointF A, B;
  float Width;
  LineCap Cap;
  std::vector<float> Dashes;
};

// Cairo's own stroke of the whole line, through the clip, on a copy of Bits.
std::vector<uint32_t> Reference(std::vector<uint32_t> Bits, const std::vector<RectF>& Clip, const Matrix& M,
                                const Line& L, const Pen& P) {
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Bits.data()), CAIRO_FORMAT_ARGB32, W, H, W * 4);
  cairo_t* cr = cairo_create(s);
  for (const RectF& r : Clip) cairo_rectangle(cr, r.X, r.Y, r.Width, r.Height);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr);
  const cairo_matrix_t m = ToCairo(M);
  cairo_set_matrix(cr, &m);
  P.ApplyTo(cr);
  cairo_pattern_t* source = P.GetBrush()->CreatePattern(m, CAIRO_FILTER_GOOD);
  cairo_set_source(cr, source);
  cairo_pattern_destroy(source);
  cairo_move_to(cr, L.A.X, L.A.Y);
  cairo_line_to(cr, L.B.X, L.B.Y);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return Bits;
}

int ChannelDifference(uint32_t A, uint32_t B) {
  int most = 0;
  for (int shift = 0; shift < 32; shift += 8)
    most = std::max(most, std::abs(static_cast<int>((A >> shift) & 0xFF) - static_cast<int>((B >> shift) & 0xFF)));
  return most;
}

}  // namespace

// Long lines of every slope, thin and wide, with flat and round caps, dashed or not, under a
// shift and a scale, through a small clip of two boxes that each crosses: inside the clip the
// pixels are cairo's drawing of the whole line but for a few steps in a channel at a few of its
// edge pixels (cairo works the edges of a shorter stroke out from its new ends), and outside it
// nothing changes. A dashed line is cairo's to the pixel.
TEST(ClippedLines, LeaveWhatTheWholeLineLeavesInTheClip) {
  Surface s(W, H);
  const std::vector<RectF> clip = {{40, 30, 14, 12}, {70, 60, 9, 20}};
  const SolidBrush brush(0xC0E04010u);
  const std::vector<Line> lines = {
      {{-300, 35.5f}, {500, 35.5f}, 1, LineCap::Flat, {}},     // across
      {{47.25f, -200}, {47.25f, 400}, 1, LineCap::Flat, {}},   // down
      {{-100, -95}, {300, 305}, 3.5f, LineCap::Round, {}},     // slanting, wide, round caps
      {{10, 400}, {60, -300}, 2, LineCap::Flat, {}},           // steep
      {{-50, 70}, {400, 71.5f}, 1.5f, LineCap::Round, {}},     // nearly across
      {{-300, 33}, {500, 38}, 2, LineCap::Flat, {4, 2}},       // dashed
      {{0, 5}, {30, 8}, 3, LineCap::Round, {}},                // short, wholly outside the clip
  };
  const std::vector<Matrix> transforms = {{1, 0, 0, 1, 0, 0}, {1, 0, 0, 1, 3.5f, -2}, {0.5f, 0, 0, 0.75f, 20, 10}};
  int drawnInside = 0;
  for (size_t t = 0; t < transforms.size(); ++t)
    for (size_t k = 0; k < lines.size(); ++k) {
      const Line& line = lines[k];
      Pen pen(&brush, line.Width);
      pen.SetLineCap(line.Cap);
      pen.SetDashPattern(line.Dashes);
      for (size_t i = 0; i < s.bits.size(); ++i) s.bits[i] = Background(i);
      s.image->MarkDirty();
      s.g->SetWorldTransform({1, 0, 0, 1, 0, 0});
      s.g->SetClipRects(clip);
      s.g->SetWorldTransform(transforms[t]);
      const std::vector<uint32_t> expected = Reference(s.bits, clip, transforms[t], line, pen);
      s.g->DrawLine(pen, line.A, line.B);
      s.image->Flush();
      int most = 0, differing = 0, changed = 0;
      for (size_t i = 0; i < s.bits.size(); ++i) {
        most = std::max(most, ChannelDifference(s.bits[i], expected[i]));
        differing += s.bits[i] != expected[i];
        changed += s.bits[i] != Background(i);
      }
      if (!line.Dashes.empty()) {
        EXPECT_EQ(differing, 0) << "line " << k << ", transform " << t;
      }
      EXPECT_LE(most, 3) << "line " << k << ", transform " << t;
      EXPECT_LE(differing * 3, changed) << "line " << k << ", transform " << t;
      drawnInside += changed > 0;
    }
  // Every line but the short one crosses the clip under the first two transforms; under the
  // scale, the short one still misses it.
  EXPECT_GE(drawnInside, 2 * 6 + 4);
  EXPECT_LE(drawnInside, 3 * 6);
}

}  // namespace clipped_lines_test
