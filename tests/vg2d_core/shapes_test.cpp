// Shapes painted into a real canvas and probed pixel by pixel, with the arguments they
// hand to the canvas recorded where a pixel cannot tell them apart.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ShapeScene.h"
#include "vg2d/core/Effects.h"
#include "vg2d/core/Shapes.h"

namespace shapes_test {

using namespace vg;
using vgtest::ShapeScene;

namespace {

constexpr TvxColor Red = 0xFFFF0000u;
constexpr TvxColor Blue = 0xFF0000FFu;
constexpr TvxColor Black = 0xFF000000u;

// Records the rectangles and radii handed to FillRect and FillEllipse, and draws them.
class RecordingCanvas : public TvxCanvasGdiPlus {
public:
  using TvxCanvasGdiPlus::TvxCanvasGdiPlus;
  struct Call {
    std::string op;
    TvxRect rect;
    float rx = 0, ry = 0, opacity = 0;
  };
  std::vector<Call> calls;
  void FillRect(const TvxRect& R, float XRadius, float YRadius, TvxCorners Corners, float Opacity,
                TvxCornerType Type) override {
    calls.push_back({"FillRect", R, XRadius, YRadius, Opacity});
    TvxCanvasGdiPlus::FillRect(R, XRadius, YRadius, Corners, Opacity, Type);
  }
  void FillEllipse(const TvxRect& R, float Opacity) override {
    calls.push_back({"FillEllipse", R, 0, 0, Opacity});
    TvxCanvasGdiPlus::FillEllipse(R, Opacity);
  }
  void DrawBitmap(TvxBitmap* B, const TvxRect& Src, const TvxRect& Dst, float Opacity, bool HighSpeed) override {
    calls.push_back({"DrawBitmap", Dst, 0, 0, Opacity});
    TvxCanvasGdiPlus::DrawBitmap(B, Src, Dst, Opacity, HighSpeed);
  }
};

template <class T> T* Styled(T* S, TvxColor FillColor, TvxColor StrokeColor, float Thickness) {
  S->Fill()->SetSolidColor(FillColor);
  if (StrokeColor == 0) S->Stroke()->SetStyle(vgBrushNone);
  else S->Stroke()->SetSolidColor(StrokeColor);
  S->SetStrokeThickness(Thickness);
  return S;
}

}  // namespace

TEST(Shapes, ARectangleFillsItsBoundsAndAVisibleStrokeInsetsThemByHalfItsThickness) {
  ShapeScene s(80, 50);
  auto* bare = Styled(s.Add(new TvxRectangle(nullptr), 10, 10, 20, 20), Red, 0, 1);
  auto* framed = Styled(s.Add(new TvxRectangle(nullptr), 40, 10, 30, 30), Red, Blue, 4);
  s.Paint();
  EXPECT_EQ(s.At(10, 10), Red);
  EXPECT_EQ(s.At(29, 29), Red);
  EXPECT_EQ(s.At(9, 20), 0u);
  EXPECT_EQ(s.At(30, 20), 0u);
  // The stroke is centred on the rectangle inset by 2, so it covers 40..44.
  EXPECT_EQ(s.At(39, 25), 0u);
  EXPECT_EQ(s.At(40, 25), Blue);
  EXPECT_EQ(s.At(43, 25), Blue);
  EXPECT_EQ(s.At(44, 25), Red);
  EXPECT_EQ(s.At(69, 25), Blue);
  EXPECT_EQ(s.At(70, 25), 0u);
  EXPECT_EQ(bare->GetShapeRect(), MakeRect(0, 0, 20, 20));
  EXPECT_EQ(framed->GetShapeRect(), MakeRect(2, 2, 28, 28));
}

TEST(Shapes, MissingSidesAreFilledPastAndNotStroked) {
  ShapeScene s(60, 40);
  auto* r = Styled(s.Add(new TvxRectangle(nullptr), 10, 10, 40, 20), Red, Black, 2);
  r->SetSides(TvxSides{vgSideTop});
  s.Paint();
  EXPECT_EQ(s.At(30, 10), Black);  // the top side
  EXPECT_EQ(s.At(30, 11), Black);
  EXPECT_EQ(s.At(30, 9), 0u);
  EXPECT_EQ(s.At(10, 20), Red);  // fill up to the object's left, right and bottom edges
  EXPECT_EQ(s.At(49, 20), Red);
  EXPECT_EQ(s.At(30, 29), Red);
  EXPECT_EQ(s.At(9, 20), 0u);
  EXPECT_EQ(s.At(50, 20), 0u);
  EXPECT_EQ(s.At(30, 30), 0u);
}

TEST(Shapes, LinesRunAlongTheShapeRectangle) {
  ShapeScene s(50, 50);
  auto* h = Styled(s.Add(new TvxLine(nullptr), 0, 0, 40, 10), 0, Red, 2);
  h->SetLineType(vgLineHorizontal);
  auto* v = Styled(s.Add(new TvxLine(nullptr), 20, 20, 0, 20), 0, Blue, 2);
  v->SetLineType(vgLineVertical);
  s.Paint();
  // The tree skips 0-wide objects; the line's own paint still draws.
  s.canvas->SetMatrix(v->GetAbsoluteMatrix());
  v->BeforePaint();
  v->Paint();
  v->AfterPaint();
  EXPECT_EQ(s.At(20, 0), Red);  // y = 1 with thickness 2 covers rows 0 and 1
  EXPECT_EQ(s.At(20, 1), Red);
  EXPECT_EQ(s.At(20, 2), 0u);
  // A 0-wide object still draws its vertical line at the shape rectangle's left (x = 1).
  EXPECT_EQ(s.At(20, 30), Blue);
  EXPECT_EQ(s.At(21, 30), Blue);
  EXPECT_EQ(s.At(22, 30), 0u);
}

TEST(Shapes, RoundRectRadiusIsHalfTheShorterSideOfTheShapeRectangle) {
  RecordingCanvas canvas(120, 120);
  vgtest::FakeScene scene(&canvas);
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 120, 120);
  scene.AddObject(root.get());
  auto* wide = new TvxRoundRect(nullptr);
  root->AddObject(wide);
  wide->SetBounds(0, 0, 100, 40);
  wide->SetStrokeThickness(2);
  auto* tall = new TvxRoundRect(nullptr);
  root->AddObject(tall);
  tall->SetBounds(0, 0, 40, 100);
  tall->SetStrokeThickness(2);
  canvas.Clear(0);
  scene.dirty.assign(1, MakeRect(0, 0, 120, 120));
  scene.Paint();
  ASSERT_EQ(canvas.calls.size(), 2u);
  for (const auto& c : canvas.calls) {
    EXPECT_FLOAT_EQ(c.rx, 19);
    EXPECT_FLOAT_EQ(c.ry, 19);
  }
}

TEST(Shapes, TheCalloutOutlineFollowsEachCornerType) {
  TvxCalloutRectangle c(nullptr);
  c.SetBounds(0, 0, 40, 20);
  c.SetStrokeThickness(2);  // shape rectangle (1, 1, 39, 19)
  c.SetxRadius(8);          // x = 8, x2 = 4
  c.SetyRadius(6);          // y = 6, y2 = 3
  c.SetCorners(TvxCorners{vgCornerTopLeft});
  using P = TvxPathPoint;
  auto head = [&](TvxCornerType Type, size_t N) {
    c.SetCornerType(Type);
    c.CreatePath();
    const auto& pts = c.OutlinePath()->Points();
    return std::vector<P>(pts.begin(), pts.begin() + static_cast<std::ptrdiff_t>(std::min(N, pts.size())));
  };
  const P start{vgPathPointMoveTo, {1, 7}};
  EXPECT_EQ(head(vgCornerRound, 5), (std::vector<P>{start,
                                                    {vgPathPointCurveTo, {1, 4}},
                                                    {vgPathPointCurveTo, {5, 1}},
                                                    {vgPathPointCurveTo, {9, 1}},
                                                    {vgPathPointLineTo, {31, 1}}}));
  EXPECT_EQ(head(vgCornerBevel, 3),
            (std::vector<P>{start, {vgPathPointLineTo, {9, 1}}, {vgPathPointLineTo, {31, 1}}}));
  EXPECT_EQ(head(vgCornerInnerRound, 4), (std::vector<P>{start,
                                                         {vgPathPointCurveTo, {5, 7}},
                                                         {vgPathPointCurveTo, {9, 4}},
                                                         {vgPathPointCurveTo, {9, 1}}}));
  EXPECT_EQ(head(vgCornerInnerLine, 4), (std::vector<P>{start,
                                                        {vgPathPointLineTo, {5, 7}},
                                                        {vgPathPointLineTo, {9, 4}},
                                                        {vgPathPointLineTo, {9, 1}}}));
  // A square corner (not in Corners) goes to the corner point and on along the side; the
  // outline ends on the left side without closing.
  c.SetCornerType(vgCornerRound);
  c.CreatePath();
  const auto& all = c.OutlinePath()->Points();
  EXPECT_EQ(all[5], (P{vgPathPointLineTo, {39, 1}}));
  EXPECT_EQ(all.back(), (P{vgPathPointLineTo, {1, 7}}));
  // A radius beyond half the width is cut to it; a missing side is a move; the left side
  // grows past the missing ones by half the stroke.
  c.SetxRadius(30);
  c.SetSides(TvxSides{vgSideLeft, vgSideBottom, vgSideRight});
  c.CreatePath();
  const auto& cut = c.OutlinePath()->Points();
  EXPECT_EQ(cut[0], (P{vgPathPointMoveTo, {1, 6}}));
  EXPECT_EQ(cut[3], (P{vgPathPointCurveTo, {20, 0}}));  // x = 19 of the grown 1..39 wide rectangle
  EXPECT_EQ(cut[4], (P{vgPathPointMoveTo, {20, 0}}));
}

TEST(Ellipses, HitTestUsesTheWholeEllipseOfTheObject) {
  ShapeScene s(200, 100);
  auto* e = s.Add(new TvxEllipse(nullptr), 10, 10, 100, 50);
  EXPECT_TRUE(e->PointInObject(60, 35));    // centre
  EXPECT_TRUE(e->PointInObject(109, 35));   // right end, inside
  EXPECT_FALSE(e->PointInObject(10, 10));   // bounding box corner
  EXPECT_FALSE(e->PointInObject(100, 15));  // inside the box, outside the ellipse
  auto* circle = s.Add(new TvxCircle(nullptr), 120, 0, 60, 30);
  EXPECT_TRUE(circle->PointInObject(122, 15));  // the inscribed ellipse, not just the circle
  auto* flat = s.Add(new TvxEllipse(nullptr), 0, 70, 0, 20);
  EXPECT_FALSE(flat->PointInObject(0, 80));
  auto* nan = s.Add(new TvxEllipse(nullptr), 0, 70, 10, 10);
  nan->SetWidth(std::numeric_limits<float>::quiet_NaN());
  EXPECT_FALSE(nan->PointInObject(5, 75));
  s.Paint();  // a NaN-sized shape paints without an undefined conversion
}

TEST(Ellipses, ACircleIsTheLargestCentredInTheShapeRectangle) {
  RecordingCanvas canvas(120, 60);
  vgtest::FakeScene scene(&canvas);
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 120, 60);
  scene.AddObject(root.get());
  auto* c = new TvxCircle(nullptr);
  root->AddObject(c);
  c->SetBounds(0, 0, 100, 50);
  c->Fill()->SetSolidColor(Red);
  canvas.Clear(0);
  scene.dirty.assign(1, MakeRect(0, 0, 120, 60));
  scene.Paint();
  ASSERT_EQ(canvas.calls.size(), 1u);
  EXPECT_EQ(canvas.calls[0].rect, MakeRect(25.5f, 0.5f, 74.5f, 49.5f));  // diameter 49
  auto at = [&](int X, int Y) { return canvas.BufferBits()[Y * canvas.Width() + X]; };
  EXPECT_EQ(at(50, 25), Red);
  EXPECT_EQ(at(20, 25), 0u);
  EXPECT_EQ(at(80, 25), 0u);
}

TEST(Ellipses, PiesAndArcsSweepDifferentlyAndThePieHitTestMatchesItsPaint) {
  ShapeScene s(220, 100);
  auto* pie = Styled(s.Add(new TvxPie(nullptr), 0, 0, 100, 100), Red, 0, 1);
  auto* arc = Styled(s.Add(new TvxArc(nullptr), 110, 0, 100, 100), Red, 0, 1);
  EXPECT_EQ(arc->Fill()->Style(), vgBrushNone);
  EXPECT_FALSE(arc->Fill()->StyleStored());
  arc->Fill()->SetStyle(vgBrushSolid);
  s.Paint();
  // The default quarter (0 to -90) of both: the upper right one.
  EXPECT_EQ(s.At(70, 30), Red);
  EXPECT_EQ(s.At(30, 30), 0u);
  EXPECT_EQ(s.At(70, 70), 0u);
  EXPECT_EQ(s.At(190, 20), Red);  // the arc fills the segment up to its chord
  EXPECT_EQ(s.At(180, 30), 0u);
  EXPECT_EQ(s.At(140, 30), 0u);
  EXPECT_TRUE(pie->PointInObject(70, 30));
  EXPECT_FALSE(pie->PointInObject(30, 30));
  EXPECT_FALSE(pie->PointInObject(70, 70));
  // From 90 over 180: the pie sweeps 90 degrees, the arc 180.
  pie->SetStartAngle(90);
  pie->SetEndAngle(180);
  arc->SetStartAngle(90);
  arc->SetEndAngle(180);
  s.Paint();
  EXPECT_EQ(s.At(30, 70), Red);  // lower left: both
  EXPECT_EQ(s.At(140, 70), Red);
  EXPECT_EQ(s.At(30, 30), 0u);  // upper left: only the arc
  EXPECT_EQ(s.At(140, 30), Red);
  EXPECT_EQ(s.At(70, 70), 0u);
  EXPECT_TRUE(pie->PointInObject(30, 70));
  EXPECT_FALSE(pie->PointInObject(30, 30));
  // Without a canvas the pie answers for the whole ellipse.
  TvxPie loose(nullptr);
  loose.SetBounds(0, 0, 100, 100);
  EXPECT_TRUE(loose.PointInObject(30, 30));
}

TEST(BlurShapes, OpacityIsAppliedOnceAndAChangeOfItNeedsNoNewBlur) {
  vgtest::DefaultCanvas useCanvas;
  RecordingCanvas canvas(100, 60);
  vgtest::FakeScene scene(&canvas);
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 100, 60);
  scene.AddObject(root.get());
  auto* b = new TvxBlurRectangle(nullptr);
  root->AddObject(b);
  b->SetBounds(0, 0, 60, 40);
  b->Fill()->SetSolidColor(Red);
  b->SetOpacity(0.5f);
  auto paint = [&] {
    canvas.calls.clear();
    canvas.Clear(0);
    scene.dirty.assign(1, MakeRect(0, 0, 100, 60));
    scene.Paint();
  };
  auto alpha = [&](int X, int Y) { return AlphaOf(canvas.BufferBits()[Y * canvas.Width() + X]); };
  paint();
  ASSERT_NE(b->Cache().Bitmap(), nullptr);
  EXPECT_EQ(b->Cache().Bitmap()->Width(), 60);
  // The picture itself is opaque in the middle; drawn at half opacity once.
  EXPECT_EQ(AlphaOf(b->Cache().Bitmap()->Bits()[20 * 60 + 30]), 255);
  EXPECT_NEAR(alpha(30, 20), 128, 1);
  // Radius 4 (0.3 x 15), the figure drawn from x = 4: weights 1..5..1 over 25, so
  // x = 0 sees 1/25 of it, x = 4 sees 15/25, x = 8 all of it.
  auto picture = [&](int X) { return AlphaOf(b->Cache().Bitmap()->Bits()[20 * 60 + X]); };
  EXPECT_EQ(picture(0), 255 * 1 / 25);
  EXPECT_EQ(picture(4), 255 * 15 / 25);
  EXPECT_EQ(picture(8), 255);
  EXPECT_FALSE(b->Cache().NeedUpdate());

  b->SetOpacity(0.25f);
  b->Position()->SetX(10);
  EXPECT_FALSE(b->Cache().NeedUpdate());
  paint();
  EXPECT_NEAR(alpha(40, 20), 64, 1);
  EXPECT_NEAR(canvas.calls.back().opacity, 0.25f, 1e-6);

  b->SetWidth(70.4f);  // a new rounded size re-blurs
  paint();
  EXPECT_EQ(b->Cache().Bitmap()->Width(), 70);
  b->Fill()->SetSolidColor(Blue);
  EXPECT_TRUE(b->Cache().NeedUpdate());
}

TEST(BlurShapes, EmptyOrNotFiniteSizesDrawNothingAndConvertNothingUndefined) {
  ShapeScene s(40, 40);
  auto* zero = s.Add(new TvxBlurRoundRect(nullptr), 0, 0, 0, 10);
  auto* inf = s.Add(new TvxBlurRectangle(nullptr), 0, 0, 10, 10);
  inf->SetHeight(std::numeric_limits<float>::infinity());
  auto* nan = s.Add(new TvxBlurRectangle(nullptr), 0, 0, 10, 10);
  nan->SetSoftness(std::numeric_limits<float>::quiet_NaN());
  nan->SetWidth(std::numeric_limits<float>::quiet_NaN());
  s.Paint();
  EXPECT_EQ(zero->Cache().Bitmap(), nullptr);
  if (inf->Cache().Bitmap()) {
    EXPECT_LE(inf->Cache().Bitmap()->Height(), MaxEffectBitmapSide);
  }
  EXPECT_EQ(nan->Cache().Bitmap(), nullptr);
}

TEST(Shapes, EqualValuesRepaintNothingAndDefaultsAreNotWritten) {
  ShapeScene s(40, 40);
  auto* r = s.Add(new TvxRectangle(nullptr), 0, 0, 10, 10);
  s.scene.dirty.clear();
  r->SetStrokeThickness(1);
  r->SetSides(AllSides);
  r->Fill()->SetSolidColor(0xFFE0E0E0u);
  EXPECT_TRUE(s.scene.dirty.empty());
  r->SetStrokeThickness(2);
  EXPECT_FALSE(s.scene.dirty.empty());
  EXPECT_TRUE(r->EffectsDirty());
  auto* info = rtl::GetPropInfo(r, "StrokeThickness");
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(rtl::IsStoredProp(r, info));
  r->SetStrokeThickness(1);
  EXPECT_FALSE(rtl::IsStoredProp(r, info));
  EXPECT_TRUE(rtl::IsDefaultPropertyValue(r, rtl::GetPropInfo(r, "Sides")));
  r->SetSides({});
  EXPECT_FALSE(rtl::IsDefaultPropertyValue(r, rtl::GetPropInfo(r, "Sides")));
}

}  // namespace shapes_test
