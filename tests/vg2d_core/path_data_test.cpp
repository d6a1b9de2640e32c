#include <gtest/gtest.h>

#include "vg2d/core/PathData.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "PaintFakes.h"
#include "platform/rtl/Streams.h"

namespace path_data_test {

namespace {

using namespace vg;
using K = TvxPathPointKind;

std::vector<TvxPathPoint> Parse(const std::string& Text) {
  TvxPathData p;
  p.SetData(Text);
  return p.Points();
}

TvxPathPoint Pt(K Kind, float X, float Y) { return {Kind, {X, Y}}; }

bool AllFinite(const TvxPathData& P) {
  for (const auto& p : P.Points())
    if (!std::isfinite(p.Point.X) || !std::isfinite(p.Point.Y)) return false;
  return true;
}

void ExpectNear(const TvxPoint& P, float X, float Y) {
  EXPECT_NEAR(P.X, X, 1e-3);
  EXPECT_NEAR(P.Y, Y, 1e-3);
}

TEST(PathSvgText, ParsesAbsoluteRelativeAndImplicitCommands) {
  const std::vector<TvxPathPoint> triangle = {Pt(vgPathPointMoveTo, 0, 0), Pt(vgPathPointLineTo, 10, 0),
                                              Pt(vgPathPointLineTo, 10, 10), Pt(vgPathPointClose, 0, 0)};
  EXPECT_EQ(Parse("M 0,0 L 10,0 L 10,10 Z"), triangle);
  EXPECT_EQ(Parse("M0,0 10,0 10,10z"), triangle);
  EXPECT_EQ(Parse("M 0,0\tL 10,0\r\n L 10 10 Z"), triangle);
  EXPECT_EQ(Parse("m 1,1 2,0"), (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 1, 1), Pt(vgPathPointLineTo, 3, 1)}));
  EXPECT_EQ(Parse("M 1,2 H 5 v 3 h -1 V 0"),
            (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 1, 2), Pt(vgPathPointLineTo, 5, 2),
                                       Pt(vgPathPointLineTo, 5, 5), Pt(vgPathPointLineTo, 4, 5),
                                       Pt(vgPathPointLineTo, 4, 0)}));
  // c is relative to the point before the command; S reflects the last control point.
  EXPECT_EQ(Parse("M 1,1 c 1,0 2,1 3,3 S 9,9 10,4"),
            (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 1, 1), Pt(vgPathPointCurveTo, 2, 1),
                                       Pt(vgPathPointCurveTo, 3, 2), Pt(vgPathPointCurveTo, 4, 4),
                                       Pt(vgPathPointCurveTo, 5, 6), Pt(vgPathPointCurveTo, 9, 9),
                                       Pt(vgPathPointCurveTo, 10, 4)}));
  EXPECT_EQ(Parse("M 0,0 1.5e-1,-2e1"), (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 0, 0),
                                                                     Pt(vgPathPointLineTo, 0.15f, -20)}));
}

TEST(PathSvgText, DropsWhatItCannotReadAndGoesOn) {
  // Quadratic segments are read and skipped.
  EXPECT_EQ(Parse("M 0,0 Q 1,1 2,2 L 5,5"),
            (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 0, 0), Pt(vgPathPointLineTo, 5, 5)}));
  // A curve short of points is dropped; the next command still counts.
  EXPECT_EQ(Parse("M 0,0 C 1,1 L 5,5"),
            (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 0, 0), Pt(vgPathPointLineTo, 5, 5)}));
  // A number that begins with "." does not continue a command and ends the text.
  EXPECT_EQ(Parse("M 0,0 .5,1 L 3,3"), (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 0, 0)}));
  EXPECT_TRUE(Parse("M +1,2").empty());
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(Parse("hello").empty());
}

TEST(PathSvgText, WritesTheTextItReads) {
  TvxPathData p;
  int changes = 0;
  p.OnChange = [&](rtl::TObject*) { ++changes; };
  p.SetData("M 0,0 L 10,0 L 10,10 Z");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(p.GetData(), "M 0,0 L 10,0 L 10,10 Z ");
  p.SetData("M 0.5,1 C 1,2 3,4 5,6.25");
  EXPECT_EQ(p.GetData(), "M 0.500,1 C 1,2 3,4 5,6.250 ");
  EXPECT_EQ(TvxPathData().GetData(), "");
}

TEST(PathSvgText, WritesWholeValuesAsDigitsAndOthersWithThreeDecimals) {
  // Values just off a whole number keep their decimals, also where they round to one, and
  // a small negative value keeps its sign.
  TvxPathData p;
  p.MoveTo({15.000001f, 2.5f});
  p.LineTo({0.0004f, -0.0004f});
  p.LineTo({-3, 0});
  EXPECT_EQ(p.GetData(), "M 15.000,2.500 L 0.000,-0.000 L -3,0 ");
  // The "Path" stream keeps the exact values.
  rtl::TStringStream s;
  p.WritePath(s);
  s.SetPosition(0);
  TvxPathData streamed;
  streamed.ReadPath(s);
  EXPECT_EQ(streamed.Points(), p.Points());

  // Text reads back to within half a thousandth; a value past where a float holds three
  // decimals is written as the float it read as.
  p.SetData("M 14.9996,-0.0001 L 16384.001,1");
  const std::string text = p.GetData();
  EXPECT_EQ(text, "M 15.000,-0.000 L 16384.002,1 ");
  TvxPathData again;
  again.SetData(text);
  ASSERT_EQ(again.Count(), p.Count());
  for (int i = 0; i < p.Count(); ++i) ExpectNear(again.Points()[i].Point, p.Points()[i].Point.X, p.Points()[i].Point.Y);
  EXPECT_EQ(again.GetData(), "M 15,0 L 16384.002,1 ");
  // Points no float can hold drop their command; the others stay.
  EXPECT_EQ(Parse("M 0,0 m 3e38,0 3e38,0 L 1,1 L 1e39,0"),
            (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 0, 0), Pt(vgPathPointLineTo, 1, 1)}));
}

TEST(PathArcs, SvgArcEndsAtItsEndPointOnTheRightSide) {
  TvxPathData p;
  p.SetData("M 0,0 A 10,10 0 0,1 20,0");
  ASSERT_EQ(p.Count(), 7);  // the move and two quarter circles
  ExpectNear(p.Points()[3].Point, 10, -10);
  ExpectNear(p.LastPoint(), 20, 0);
  p.SetData("M 0,0 A 10,10 0 0,0 20,0");
  ExpectNear(p.Points()[3].Point, 10, 10);
  // Radii too small are scaled up; a relative end point counts from the last point.
  p.SetData("M 5,5 a 1,1 0 0,1 20,0");
  ExpectNear(p.LastPoint(), 25, 5);
  EXPECT_TRUE(AllFinite(p));
}

// An arc of radii far larger than its chord lies along the chord, and it ends where it is
// told whatever its radii: at 1e9 its points are small differences of large numbers, and
// past what double precision tells apart (1e12, 1e30) its sweep is lost, which leaves the
// straight line to the end point.
TEST(PathArcs, AnArcOfHugeRadiiEndsAtItsEndPoint) {
  TvxPathData p;
  p.SetData("M 0 0 A 1e9 1e9 0 0 1 10 10");
  ASSERT_GT(p.Count(), 1);
  EXPECT_EQ(p.LastPoint().X, 10.0f);
  EXPECT_EQ(p.LastPoint().Y, 10.0f);
  for (const TvxPathPoint& q : p.Points()) {
    EXPECT_NEAR(q.Point.X, q.Point.Y, 1e-3) << "on the chord";
    EXPECT_GE(q.Point.X, -1e-3f);
    EXPECT_LE(q.Point.X, 10 + 1e-3f);
  }
  for (const char* radius : {"1e12", "1e30", "3e38"}) {
    SCOPED_TRACE(radius);
    p.SetData(std::string("M 0 0 A ") + radius + " " + radius + " 0 0 1 10 10");
    EXPECT_EQ(p.GetData(), "M 0,0 L 10,10 ");
    p.SetData(std::string("M 0 0 a ") + radius + " " + radius + " 0 0 0 10 -5 L 0 0");
    EXPECT_EQ(p.GetData(), "M 0,0 L 10,-5 L 0,0 ");
  }
  // The long way round a huge circle comes back to the end point too.
  p.SetData("M 0 0 A 1e9 1e9 0 1 1 10 10");
  EXPECT_GT(p.Count(), 4);
  EXPECT_EQ(p.LastPoint().X, 10.0f);
  EXPECT_EQ(p.LastPoint().Y, 10.0f);
  EXPECT_TRUE(AllFinite(p));
}

TEST(PathArcs, DegenerateArcsAndCornersStayFinite) {
  TvxPathData p;
  p.MoveTo({1, 1});
  p.ArcTo({0, 5}, 0, false, true, {4, 5});  // no radius: a straight line
  EXPECT_EQ(p.Points().back(), Pt(vgPathPointLineTo, 4, 5));
  p.ArcTo({3, 3}, 30, true, true, {4, 5});  // to its own start: nothing
  EXPECT_EQ(p.Count(), 2);
  p.AddArc({2, 2}, {0, 0}, 0, 270);
  p.AddArc({2, 2}, {3, 3}, 45, 0);
  p.AddRectangle({0, 0, 0, 0}, 0, 0, AllCorners, vgCornerRound);
  p.AddRectangle({0, 0, 10, 10}, 0, 0, AllCorners, vgCornerInnerRound);
  p.AddEllipse({3, 3, 3, 3});
  EXPECT_TRUE(AllFinite(p));
  std::vector<TvxPoint> poly;
  TvxPoint size;
  p.FlattenToPolygon(poly, size, 0.25f);
  for (const TvxPoint& q : poly) EXPECT_TRUE(std::isfinite(q.X) && std::isfinite(q.Y));
}

TEST(PathArcs, AddArcCutsQuarterSegments) {
  TvxPathData p;
  p.AddArc({0, 0}, {10, 10}, 0, 90);
  ASSERT_EQ(p.Count(), 4);
  EXPECT_EQ(p.Points()[0].Kind, vgPathPointMoveTo);
  ExpectNear(p.Points()[0].Point, 10, 0);
  ExpectNear(p.LastPoint(), 0, 10);
  // The quarter circle's control points lie 4/3 (sqrt(2) - 1) of the radius out.
  ExpectNear(p.Points()[1].Point, 10, 5.5228f);
  TvxPathData full;
  full.MoveTo({0, 0});
  full.AddArc({0, 0}, {10, 5}, 450, -360);  // 450 degrees is 90
  ASSERT_EQ(full.Count(), 2 + 12);
  EXPECT_EQ(full.Points()[1].Kind, vgPathPointLineTo);
  ExpectNear(full.Points()[1].Point, 0, 5);
  ExpectNear(full.LastPoint(), 0, 5);
}

TEST(PathShapes, RectangleCornersFollowTheirKind) {
  TvxPathData p;
  p.AddRectangle({0, 0, 10, 20}, 2, 4, AllCorners, vgCornerRound);
  ASSERT_EQ(p.Count(), 17);
  EXPECT_EQ(p.Points()[0], Pt(vgPathPointMoveTo, 0, 4));
  EXPECT_EQ(p.Points()[1], Pt(vgPathPointCurveTo, 0, 2));
  EXPECT_EQ(p.Points()[2], Pt(vgPathPointCurveTo, 1, 0));
  EXPECT_EQ(p.Points()[3], Pt(vgPathPointCurveTo, 2, 0));
  EXPECT_EQ(p.Points()[4], Pt(vgPathPointLineTo, 8, 0));
  EXPECT_EQ(p.Points()[16], Pt(vgPathPointClose, 0, 4));

  // Only the top-left corner bevelled; radii beyond half a side are cut to it.
  TvxPathData q;
  q.AddRectangle({0, 0, 10, 10}, 8, 1, TvxCorners{vgCornerTopLeft}, vgCornerBevel);
  const std::vector<TvxPathPoint> expected = {
      Pt(vgPathPointMoveTo, 0, 1),   Pt(vgPathPointLineTo, 5, 0),  Pt(vgPathPointLineTo, 5, 0),
      Pt(vgPathPointLineTo, 10, 0),  Pt(vgPathPointLineTo, 10, 1), Pt(vgPathPointLineTo, 10, 9),
      Pt(vgPathPointLineTo, 10, 10), Pt(vgPathPointLineTo, 5, 10), Pt(vgPathPointLineTo, 5, 10),
      Pt(vgPathPointLineTo, 0, 10),  Pt(vgPathPointLineTo, 0, 9),  Pt(vgPathPointClose, 0, 1)};
  EXPECT_EQ(q.Points(), expected);

  TvxPathData e;
  e.AddEllipse({0, 0, 20, 10});
  ASSERT_EQ(e.Count(), 13);
  EXPECT_EQ(e.Points()[0], Pt(vgPathPointMoveTo, 0, 5));
  EXPECT_EQ(e.Points()[3], Pt(vgPathPointCurveTo, 10, 0));
  EXPECT_NEAR(e.Points()[1].Point.Y, 5 - 5 * 0.5522847498f, 1e-5);
}

TEST(PathMeasure, BoundsAndFlattening) {
  TvxPathData p;
  EXPECT_EQ(p.GetBounds(), (TvxRect{0, 0, 0, 0}));
  p.SetData("M 0,0 L 10,0");
  EXPECT_EQ(p.GetBounds(), (TvxRect{0, 0, 10, 0.001f}));

  p.SetData("M 0,0 L 10,0 L 10,10 Z");
  std::vector<TvxPoint> poly;
  TvxPoint size;
  p.FlattenToPolygon(poly, size, 0.25f);
  EXPECT_EQ(poly, (std::vector<TvxPoint>{{0, 0}, {10, 0}, {10, 10}, {0, 0}, ClosePolygonMarker}));
  EXPECT_EQ(size, (TvxPoint{10, 10}));

  // step = 10 x min(10, 10) / 100 = 1; |C1 - E| = 14.14 gives 14 points.
  p.SetData("M 0,0 C 0,10 10,10 10,0");
  p.FlattenToPolygon(poly, size, 10);
  ASSERT_EQ(poly.size(), 1u + 14u);
  EXPECT_EQ(poly[1], (TvxPoint{0, 0}));
  EXPECT_EQ(poly.back(), (TvxPoint{10, 0}));

  p.Scale(2, 3);
  EXPECT_EQ(p.Points()[1].Point, (TvxPoint{0, 30}));
}

TEST(PathMeasure, BoundsAreThePathsOwnWhereverItLies) {
  // A 100 x 100 square moved far out on every side.
  for (const TvxPoint at : {TvxPoint{100000, 0}, TvxPoint{-100100, 0}, TvxPoint{0, 100000}, TvxPoint{0, -100100},
                            TvxPoint{70000, 80000}, TvxPoint{-3e7f, 2e7f}}) {
    SCOPED_TRACE(std::to_string(at.X) + ", " + std::to_string(at.Y));
    TvxPathData p;
    p.AddRectangle({at.X, at.Y, at.X + 100, at.Y + 100}, 0, 0, {}, vgCornerRound);
    const TvxRect b = p.GetBounds();
    EXPECT_EQ(b.Left, at.X);
    EXPECT_EQ(b.Top, at.Y);
    EXPECT_EQ(b.Right, at.X + 100);
    EXPECT_EQ(b.Bottom, at.Y + 100);
    std::vector<TvxPoint> poly;
    TvxPoint size;
    p.FlattenToPolygon(poly, size, 0.25f);
    EXPECT_EQ(size, (TvxPoint{b.Right - b.Left, b.Bottom - b.Top}));
  }
  // A flat path far out keeps an extent (0.001 is below the float's step there), so it can be
  // fitted and drawn.
  TvxPathData line;
  line.SetData("M 100000,70000 L 100010,70000");
  const TvxRect flat = line.GetBounds();
  EXPECT_EQ(flat.Top, 70000);
  EXPECT_GT(flat.Bottom, 70000);
  EXPECT_LE(flat.Bottom, 70000.01f);
}

TEST(PathStream, WritesCountAndRecordsAndReadsBoth) {
  TvxPathData p;
  p.SetData("M 0,0 L 10,0");
  rtl::TStringStream s;
  p.WritePath(s);
  const std::string expected("\x02\0\0\0"
                             "\0\0\0\0\0\0\0\0\0\0\0\0"
                             "\x01\0\0\0\0\0\x20\x41\0\0\0\0",
                             28);
  EXPECT_EQ(s.DataString(), expected);

  TvxPathData back;
  int changes = 0;
  back.OnChange = [&](rtl::TObject*) { ++changes; };
  s.SetPosition(0);
  back.ReadPath(s);
  EXPECT_EQ(back.Points(), p.Points());
  EXPECT_EQ(changes, 1);

  // Packed 9-byte records: kind, X, Y.
  const std::string packed("\x02\0\0\0"
                           "\x00\0\0\x80\x3f\0\0\0\x40"
                           "\x03\0\0\x40\x40\0\0\x80\x40",
                           22);
  rtl::TStringStream ps(packed);
  back.ReadPath(ps);
  EXPECT_EQ(back.Points(), (std::vector<TvxPathPoint>{Pt(vgPathPointMoveTo, 1, 2), Pt(vgPathPointClose, 3, 4)}));
}

// A path holds at most MaxPoints points however it is made: from text, from the "Path"
// property or by building; the points beyond are left out and the path stays usable.
TEST(PathLimits, APathKeepsAtMostMaxPointsAndItsPolygonIsBounded) {
  const size_t most = TvxPathData::MaxPoints;
  std::string text = "M 0,0";
  for (size_t i = 1; i < most + 5000; ++i) text += " L " + std::to_string(i % 500) + "," + std::to_string(i % 7);
  TvxPathData fromText;
  fromText.SetData(text);
  EXPECT_EQ(static_cast<size_t>(fromText.Count()), most);
  EXPECT_EQ(fromText.Points().back().Point, (TvxPoint{static_cast<float>((most - 1) % 500), static_cast<float>((most - 1) % 7)}));

  const auto count = static_cast<int32_t>(most + 10);
  std::string bytes(reinterpret_cast<const char*>(&count), 4);
  for (int32_t i = 0; i < count; ++i) bytes += std::string(1, static_cast<char>(i == 0 ? 0 : 1)) + std::string(11, static_cast<char>(0));
  rtl::TStringStream records(bytes);
  TvxPathData fromStream;
  fromStream.ReadPath(records);
  EXPECT_EQ(static_cast<size_t>(fromStream.Count()), most);
  EXPECT_EQ(records.Position(), records.Size());  // every record was read past

  TvxPathData built;
  for (size_t i = 0; i < most / 3 + 10; ++i) built.CurveTo({0, 0}, {1e6f, 0}, {0, 1e6f});
  EXPECT_EQ(static_cast<size_t>(built.Count()), most);
  std::vector<TvxPoint> polygon;
  TvxPoint size;
  built.FlattenToPolygon(polygon, size, 0.25f);
  EXPECT_LE(polygon.size(), size_t{1} << 20);
  EXPECT_GT(polygon.size(), size_t{1} << 19);
}

TEST(PathStream, RefusesCountsThatDoNotMatchTheBytes) {
  TvxPathData p;
  p.SetData("M 1,1 L 2,2");
  const auto before = p.Points();
  for (int32_t count : {3, 1000000000, -1}) {
    std::string bytes(reinterpret_cast<const char*>(&count), 4);
    bytes += std::string(24, '\0');
    rtl::TStringStream s(bytes);
    EXPECT_THROW(p.ReadPath(s), rtl::EReadError) << count;
    EXPECT_EQ(p.Points(), before);
  }
  rtl::TStringStream empty(std::string(4, '\0'));
  p.ReadPath(empty);
  EXPECT_TRUE(p.IsEmpty());
}

TEST(PathResource, FindsNamedPathAndForgetsFreedObject) {
  auto* res = new vgtest::FakeResource("Arrow");
  res->path.SetData("M 0,0 L 1,1");
  TvxPathData p;
  p.SetResourceName("Nothing");
  EXPECT_EQ(p.GetResourcePath(), nullptr);
  p.SetResourceName("Arrow");
  EXPECT_EQ(p.GetResourcePath(), &res->path);
  EXPECT_EQ(p.Resource(), res);

  TvxPathData copy;
  copy.SetData("M 5,5");
  copy.Assign(&p);
  EXPECT_EQ(copy.Resource(), res);
  EXPECT_EQ(copy.ResourceName(), "Arrow");
  EXPECT_EQ(res->Listeners(), 2u);

  res->Free();
  EXPECT_EQ(p.Resource(), nullptr);
  EXPECT_EQ(copy.Resource(), nullptr);
  EXPECT_EQ(p.ResourceName(), "Arrow");
}

}  // namespace

}  // namespace path_data_test
