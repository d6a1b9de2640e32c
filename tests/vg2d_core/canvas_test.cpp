// The canvas base: paint-state bookkeeping and the operations built on others, seen
// through a canvas that records the paths it is asked to draw.
#include <gtest/gtest.h>

#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/CanvasGdiPlus.h"

namespace canvas_test {

using namespace vg;

namespace {

struct Recorded {
  std::vector<TvxPathPoint> Points;
  TvxRect Rect;
};

class RecordingCanvas : public TvxCanvas {
public:
  void DrawPath(TvxPathData* P, const TvxRect& R, float) override { drawn.push_back({P->Points(), R}); }
  void FillPath(TvxPathData* P, const TvxRect& R, float) override { filled.push_back({P->Points(), R}); }
  void MeasureText(TvxRect& R, const TvxRect&, const std::u16string& Text, bool, TvxTextAlign, TvxTextAlign) override {
    measuredIn = R;
    R.Right = R.Left + 7.0f * static_cast<float>(Text.size());
  }
  std::vector<Recorded> drawn, filled;
  TvxRect measuredIn;
};

std::vector<TvxPathPointKind> Kinds(const Recorded& R) {
  std::vector<TvxPathPointKind> k;
  for (const auto& p : R.Points) k.push_back(p.Kind);
  return k;
}

constexpr auto M = vgPathPointMoveTo, L = vgPathPointLineTo, C = vgPathPointCurveTo, Z = vgPathPointClose;

}  // namespace

TEST(CanvasBase, StartsWithWhiteFillBlackStrokeAndSolidDash) {
  RecordingCanvas c;
  EXPECT_EQ(c.Fill()->Style(), vgBrushSolid);
  EXPECT_EQ(c.Fill()->Color(), 0xFFFFFFFFu);
  EXPECT_EQ(c.Stroke()->Color(), 0xFF000000u);
  EXPECT_EQ(c.StrokeThickness(), 0);
  EXPECT_EQ(c.StrokeDash(), vgDashSolid);
  EXPECT_TRUE(c.Dash().empty());
  EXPECT_FALSE(c.Buffered());
  EXPECT_EQ(c.BufferHandle(), nullptr);
  EXPECT_THROW(c.Clear(0), EAbstractError);
  EXPECT_THROW(c.SaveState(), EAbstractError);
}

TEST(CanvasBase, DashPatternsOfTheDashStyles) {
  RecordingCanvas c;
  const std::pair<TvxStrokeDash, std::vector<float>> table[] = {{vgDashDash, {3, 1}},
                                                                {vgDashDot, {1, 1}},
                                                                {vgDashDashDot, {3, 1, 1, 1}},
                                                                {vgDashDashDotDot, {3, 1, 1, 1, 1, 1}},
                                                                {vgDashSolid, {}}};
  for (const auto& [style, dash] : table) {
    c.SetDashOffset(5);
    c.SetStrokeDash(style);
    EXPECT_EQ(c.Dash(), dash) << style;
    EXPECT_EQ(c.DashOffset(), 0);
  }
  c.SetStrokeDash(vgDashDot);
  c.Dash() = {7, 2};
  c.SetDashOffset(3);
  c.SetStrokeDash(vgDashDot);  // the current value: nothing, not even the edited pattern
  EXPECT_EQ(c.Dash(), (std::vector<float>{7, 2}));
  c.SetStrokeDash(vgDashCustom);  // keeps what is there
  EXPECT_EQ(c.Dash(), (std::vector<float>{7, 2}));
  EXPECT_EQ(c.DashOffset(), 3);
}

TEST(CanvasBase, PolygonsBecomePathsWithCloseMarkers) {
  RecordingCanvas c;
  const TvxPoint a{0, 0}, b{10, 0}, d{10, 10}, e{20, 20}, f{30, 20};
  c.FillPolygon({a, b, d}, 1);  // the last point only closes: the figure is A, B
  ASSERT_EQ(c.filled.size(), 1u);
  EXPECT_EQ(Kinds(c.filled[0]), (std::vector<TvxPathPointKind>{M, L, Z}));
  EXPECT_EQ(c.filled[0].Rect.Bottom, 0.001f);  // bounds of A and B only
  c.FillPolygon({a, b, d, a}, 1);
  EXPECT_EQ(Kinds(c.filled[1]), (std::vector<TvxPathPointKind>{M, L, L, Z}));

  c.DrawPolygon({a, b, d, ClosePolygonMarker, e, f}, 1);
  EXPECT_EQ(Kinds(c.drawn[0]), (std::vector<TvxPathPointKind>{M, L, L, Z, M, L}));
  EXPECT_EQ(c.drawn[0].Rect, (TvxRect{0, 0, 30, 20}));
  c.FillPolygon({a, b, d, ClosePolygonMarker}, 1);
  EXPECT_EQ(Kinds(c.filled[2]), (std::vector<TvxPathPointKind>{M, L, L, Z}));

  c.FillArc({10, 10}, {5, 5}, 0, 90, 1);
  ASSERT_EQ(c.filled.size(), 4u);
  EXPECT_NEAR(c.filled[3].Rect.Right, 15, 1e-4);
  EXPECT_NEAR(c.filled[3].Rect.Bottom, 15, 1e-4);
}

TEST(CanvasBase, RectSidesWithSquareAndShapedCorners) {
  RecordingCanvas c;
  const TvxRect r{0, 0, 100, 50};
  c.DrawRectSides(r, 10, 10, {}, 1, AllSides);
  ASSERT_EQ(c.drawn.size(), 1u);
  const std::vector<TvxPoint> expected = {{0, 10},   {0, 0},   {10, 0},  {90, 0},  {100, 0}, {100, 10}, {100, 40},
                                          {100, 50}, {90, 50}, {10, 50}, {0, 50},  {0, 40},  {0, 10}};
  ASSERT_EQ(c.drawn[0].Points.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(c.drawn[0].Points[i].Point, expected[i]) << i;
    EXPECT_EQ(c.drawn[0].Points[i].Kind, i == 0 ? M : L) << i;
  }
  EXPECT_EQ(c.drawn[0].Rect, r);

  c.DrawRectSides(r, 0, 0, {}, 1, TvxSides{vgSideTop});  // only the top edge is a line
  EXPECT_EQ(Kinds(c.drawn[1]), (std::vector<TvxPathPointKind>{M, M, L, L, L, M, M, M, M, M, M, M}));

  // A round top-left corner with no sides, radius cut to half the height.
  c.DrawRectSides(r, 10, 80, TvxCorners{vgCornerTopLeft}, 1, {});
  const auto& p = c.drawn[2].Points;
  EXPECT_EQ(p[0].Point, (TvxPoint{0, 25}));
  ASSERT_EQ(p[1].Kind, C);
  EXPECT_EQ(p[1].Point, (TvxPoint{0, 12.5f}));
  EXPECT_EQ(p[2].Point, (TvxPoint{5, 0}));
  EXPECT_EQ(p[3].Point, (TvxPoint{10, 0}));
  EXPECT_EQ(p.back().Kind, M);  // no left side: the outline ends in a gap

  c.DrawRectSides(r, 10, 10, TvxCorners{vgCornerBottomRight}, 1, {}, vgCornerInnerLine);
  int lines = 0;
  for (const auto& q : c.drawn[3].Points) lines += q.Kind == L;
  EXPECT_EQ(lines, 3);  // the corner's three lines, drawn without its sides
}

TEST(CanvasBase, TextWidthMeasuresInAWideBox) {
  RecordingCanvas c;
  EXPECT_EQ(c.TextWidth(u"abc"), 21);
  EXPECT_EQ(c.measuredIn, (TvxRect{0, 0, 10000, 20}));
}

TEST(CanvasBase, AssignToBitmapCopiesTheBuffer) {
  TvxCanvasGdiPlus c(3, 2);
  c.Clear(0xFF102030u);
  TvxBitmap b;
  b.Assign(&c);
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Bits()[5], 0xFF102030u);
  std::vector<uint32_t> copy(6);
  c.CopyToBits(copy.data());
  EXPECT_EQ(copy[0], 0xFF102030u);

  TvxBitmap src(4, 4);
  TvxCanvasGdiPlus onBitmap(&src);  // no buffer: size only
  TvxBitmap dst(1, 1);
  dst.Assign(&onBitmap);
  EXPECT_EQ(dst.Width(), 4);
  std::vector<uint32_t> untouched(16, 7);
  onBitmap.CopyToBits(untouched.data());
  EXPECT_EQ(untouched[0], 7u);
  TvxBrush brush(vgBrushSolid, 0);
  EXPECT_THROW(brush.Assign(&c), rtl::EConvertError);
}

}  // namespace canvas_test
