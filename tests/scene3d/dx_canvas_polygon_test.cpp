// The canvas's polygon fill against the recording fake device: the fans, the covering quads,
// the walls, the stencil states around them, and what degenerate input and failed locks do.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"
#include "platform/win/Graphics.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Shapes3D.h"
#include "vg2d/core/Bitmaps.h"

namespace dx_canvas_polygon_test {

using namespace dx;
using namespace gfx3d;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StartsWith;

namespace {

constexpr vg::TvxPoint End{65535, 65535};
// The unit square, closed as the path flattening closes it.
const std::vector<vg::TvxPoint> Square = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, End};

// A circle 0.047 across of N outline points, its bounds at the origin.
void MakeCircle(vg::TvxPathData& c, int N) {
  for (int k = 0; k < N; ++k) {
    const double a = 2 * std::numbers::pi * k / N;
    const vg::TvxPoint p{static_cast<float>(0.0235 * (1 + std::cos(a))),
                         static_cast<float>(0.0235 * (1 + std::sin(a)))};
    if (k == 0)
      c.MoveTo(p);
    else
      c.LineTo(p);
  }
  c.ClosePath();
}

class DxPolygonFake : public ::testing::Test {
protected:
  void SetUp() override {
    rec_ = std::make_shared<FakeRecorder>();
    dxDirectXStartup(FakeDirect3D(rec_, Availability::Ex));
    canvas_ = std::make_unique<TdxDirectXCanvas>(WindowHandle{9}, 64, 48, true, dxLowQuality);
    ASSERT_TRUE(canvas_->DeviceNeeded());
    canvas_->Material().SetDiffuseColor(0xFF336699);
    // A projection that keeps x and y and puts the near plane a unit behind the origin, so
    // that the slabs about it lie before that plane.
    TdxMatrix nearBehind = IdentityMatrix;
    nearBehind.M[3][2] = 1;
    Project(nearBehind);
    rec_->Clear();
  }
  void TearDown() override {
    canvas_.reset();
    dxDirectXShutdown();
  }
  std::vector<TdxCanvasVertex> Vertices(std::uint32_t Offset, size_t Count) const {
    void* p = nullptr;
    EXPECT_EQ(canvas_->VertexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
    std::vector<TdxCanvasVertex> v(Count);
    std::memcpy(v.data(), static_cast<const char*>(p) + Offset, Count * sizeof(TdxCanvasVertex));
    canvas_->VertexBuffer()->Unlock();
    return v;
  }
  std::vector<std::uint16_t> Indices(std::uint32_t Offset, size_t Count) const {
    void* p = nullptr;
    EXPECT_EQ(canvas_->IndexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
    std::vector<std::uint16_t> v(Count);
    std::memcpy(v.data(), static_cast<const char*>(p) + Offset, Count * 2);
    canvas_->IndexBuffer()->Unlock();
    return v;
  }
  std::vector<std::string> Passes() const {
    return rec_->TextsOf({"SetRenderState", "Clear", "DrawIndexedPrimitive"});
  }
  // The fake's state blocks set nothing on the device: a test whose fill must find the
  // device's projection (it measures what a fill can reach through it) gives it as the
  // canvas's state block would.
  void Project(const TdxMatrix& M) { Project(*canvas_, M); }
  // Path 3 x 3 in tiles, drawn on Canvas in camera space through its projection.
  static void TilePathOn(TdxPath3D& Path, TdxDirectXCanvas& Canvas) {
    Canvas.SetRenderState(rsCameraSpace);
    Project(Canvas, Canvas.GetProjectionMatrix());
    Path.SetOwnCanvas(&Canvas);
    Path.SetWrapMode(vg::vgPathTile);
    Path.SetWidth(3);
    Path.SetHeight(3);
  }
  static void Project(TdxDirectXCanvas& Canvas, const TdxMatrix& M) {
    D3DMATRIX d;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) d.m[i][j] = M.M[i][j];
    Canvas.Device()->SetTransform(D3DTS_PROJECTION, &d);
  }
  // The last value the fill gave the device's depth writes.
  std::string LastDepthWrite() const {
    std::string last;
    for (const std::string& t : rec_->TextsOf({"SetRenderState"}))
      if (t.rfind("SetRenderState(14,", 0) == 0) last = t;
    return last;
  }

  std::shared_ptr<FakeRecorder> rec_;
  std::unique_ptr<TdxDirectXCanvas> canvas_;
};

TEST_F(DxPolygonFake, AClosedSquareGivesItsFansQuadsAndWallsWithTheStencilPassesInOrder) {
  canvas_->SetRenderState(rsDepthWriteOn);
  rec_->Clear();
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, Square, 0.5f, true, true, true);

  // The front face: the fan leaves out the triangle into the separator's slot.
  EXPECT_THAT(Indices(0, 12), ElementsAre(0, 1, 0, 0, 2, 1, 0, 3, 2, 0, 4, 3));
  const std::vector<TdxCanvasVertex> fan = Vertices(0, 6);
  const auto expect = [](const TdxCanvasVertex& V, const TdxCanvasVertex& Want) {
    for (auto f : {&TdxCanvasVertex::X, &TdxCanvasVertex::Y, &TdxCanvasVertex::Z, &TdxCanvasVertex::NX,
                   &TdxCanvasVertex::NY, &TdxCanvasVertex::NZ, &TdxCanvasVertex::TU, &TdxCanvasVertex::TV})
      EXPECT_FLOAT_EQ(V.*f, Want.*f);
    EXPECT_EQ(V.Color, Want.Color);
  };
  expect(fan[1], dxCanvasVertex(1, 1, 0.5f, 0, 0, 1, 0x7F336699, 0.98f, 0.02f));
  expect(fan[2], dxCanvasVertex(1, -1, 0.5f, 0, 0, 1, 0x7F336699, 0.98f, 0.98f));
  EXPECT_EQ(fan[5], TdxCanvasVertex{});
  // Its quad over the whole +Z face, corners (u, v) = (0, 1), (1, 1), (1, 0), (0, 0).
  const std::vector<TdxCanvasVertex> quad = Vertices(6 * 36, 4);
  EXPECT_EQ(quad[0], dxCanvasVertex(-1, -1, 0.5f, 0, 0, 1, 0x7F336699, 0, 1));
  EXPECT_EQ(quad[2], dxCanvasVertex(1, 1, 0.5f, 0, 0, 1, 0x7F336699, 1, 0));
  EXPECT_THAT(Indices(24, 6), ElementsAre(0, 3, 1, 1, 3, 2));
  // The back face: the same fan on z = -0.5, plain texture coordinates; its quad turned.
  const std::vector<TdxCanvasVertex> back = Vertices(10 * 36, 6);
  EXPECT_EQ(back[1], dxCanvasVertex(1, 1, -0.5f, 0, 0, -1, 0x7F336699, 1, 0));
  EXPECT_THAT(Indices(36 + 24, 6), ElementsAre(0, 1, 3, 1, 2, 3));

  const std::vector<std::string> face = {"SetRenderState(52,1)",
                                         "Clear(0,null,4,0,0,0)",
                                         "SetRenderState(56,8)",
                                         "SetRenderState(55,6)",
                                         "SetRenderState(53,1)",
                                         "SetRenderState(54,1)",
                                         "SetRenderState(58,4294967295)",
                                         "SetRenderState(168,0)",
                                         "SetRenderState(14,0)",
                                         "",  // the fan
                                         "SetRenderState(168,4294967295)",
                                         "SetRenderState(56,6)",
                                         "SetRenderState(55,1)",
                                         "SetRenderState(14,1)",
                                         "",  // the quad
                                         "SetRenderState(52,0)"};
  const std::vector<std::string> passes = Passes();
  ASSERT_EQ(passes.size(), 2 * face.size() + 1);
  for (size_t i = 0; i < face.size(); ++i) {
    if (face[i].empty()) continue;
    EXPECT_EQ(passes[i], face[i]) << i;
    EXPECT_EQ(passes[face.size() + i], face[i]) << i;
  }
  EXPECT_EQ(passes[9], "DrawIndexedPrimitive(4,0,0,6,0,4)");
  EXPECT_EQ(passes[14], "DrawIndexedPrimitive(4,6,0,4,12,2)");
  EXPECT_EQ(passes[16 + 9], "DrawIndexedPrimitive(4,10,0,6,18,4)");
  EXPECT_EQ(passes.back(), "DrawIndexedPrimitive(4,20,0,12,36,8)");

  // The walls: vertex k on the front outline, 6 + k on the back one.
  EXPECT_THAT(Indices(72, 24), ElementsAreArray(std::vector<std::uint16_t>{
                                   0, 6, 7, 7, 1, 0, 1, 7, 8, 8, 2, 1, 2, 8, 9, 9, 3, 2, 3, 9, 10, 10, 4, 3}));
  const std::vector<TdxCanvasVertex> walls = Vertices(20 * 36, 12);
  const float u[5] = {0, 0.25f, 0.5f, 0.75f, 1};
  for (int k = 0; k < 5; ++k) {
    EXPECT_FLOAT_EQ(walls[size_t(k)].TU, u[k]);
    EXPECT_FLOAT_EQ(walls[size_t(k)].TV, 0);
    EXPECT_FLOAT_EQ(walls[size_t(6 + k)].TU, u[k]);
    EXPECT_FLOAT_EQ(walls[size_t(6 + k)].TV, 1);
    EXPECT_FLOAT_EQ(walls[size_t(k)].Z, 0.5f);
    EXPECT_FLOAT_EQ(walls[size_t(6 + k)].Z, -0.5f);
  }
  EXPECT_EQ(walls[5], TdxCanvasVertex{});
  // Normals point out of the slab: the top left corner is on the top wall only, the top
  // right one on the top and the right walls.
  EXPECT_FLOAT_EQ(walls[0].NX, 0);
  EXPECT_GT(walls[0].NY, 0);
  EXPECT_GT(walls[1].NX, 0);
  EXPECT_GT(walls[1].NY, 0);
  EXPECT_FLOAT_EQ(walls[1].NZ, 0);
}

TEST_F(DxPolygonFake, FrontAloneDrawsOnlyOnThePlusZPlaneAndTwoPointsOnlyAWall) {
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, Square, 1, true, false, false);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 2);
  for (const TdxCanvasVertex& v : Vertices(0, 5)) EXPECT_FLOAT_EQ(v.Z, 0.5f);
  for (const TdxCanvasVertex& v : Vertices(6 * 36, 4)) EXPECT_FLOAT_EQ(v.Z, 0.5f);
  EXPECT_EQ(canvas_->VertexPosition(), 10u * 36);

  // Two points enclose nothing: no stencil pass, one wall quad.
  rec_->Clear();
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, {{0, 0}, {1, 1}}, 1, true, true, true);
  EXPECT_THAT(Passes(), ElementsAre("DrawIndexedPrimitive(4,10,0,4,18,2)"));
  EXPECT_THAT(Indices(36, 6), ElementsAre(0, 2, 3, 3, 1, 0));

  // Every point on one spot: no outline to wall.
  rec_->Clear();
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, {{3, 3}, {3, 3}, {3, 3}}, 1, false, false, true);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 0);
}

TEST_F(DxPolygonFake, FlatBoundsGiveZeroSharesAndTheOutlineIsMeasuredFromRealPoints) {
  // All points on y = 5: v is 0, never infinite or not a number.
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, {{0, 5}, {1, 5}, {2, 5}, {0, 5}, End}, 1, true, false, true);
  for (const TdxCanvasVertex& v : Vertices(0, 4)) {
    EXPECT_FLOAT_EQ(v.Y, 1);
    EXPECT_FLOAT_EQ(v.TV, 0.02f);
  }
  for (const TdxCanvasVertex& v : Vertices(canvas_->VertexPosition() - 10 * 36, 10))
    for (float f : {v.X, v.Y, v.Z, v.NX, v.NY, v.NZ, v.TU, v.TV}) EXPECT_TRUE(std::isfinite(f));

  // A separator first, two in a row: the running length skips them and counts the jump from
  // the last real point (3 + 4 + 3 + 4 = 14).
  rec_->Clear();
  const std::uint32_t at = canvas_->VertexPosition(), indexAt = canvas_->IndexPosition();
  const std::vector<vg::TvxPoint> p = {End, {0, 0}, {3, 0}, {3, 4}, End, End, {0, 4}, {0, 0}};
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, p, 1, false, false, true);
  const std::vector<TdxCanvasVertex> walls = Vertices(at, 16);
  const float u[8] = {0, 0, 3.0f / 14, 0.5f, 0, 0, 10.0f / 14, 1};
  for (int k = 0; k < 8; ++k) {
    EXPECT_FLOAT_EQ(walls[size_t(k)].TU, u[k]) << k;
    EXPECT_FLOAT_EQ(walls[size_t(8 + k)].TU, u[k]) << k;
  }
  EXPECT_EQ(walls[0], TdxCanvasVertex{});
  EXPECT_EQ(walls[12], TdxCanvasVertex{});
  // Walls only between neighbouring real points.
  EXPECT_THAT(Indices(indexAt, 18), ElementsAre(1, 9, 10, 10, 2, 1, 2, 10, 11, 11, 3, 2, 6, 14, 15, 15, 7, 6));
  EXPECT_EQ(canvas_->IndexPosition() - indexAt, 36u);
}

TEST_F(DxPolygonFake, APolygonFarFromTheOriginSpreadsOverTheBoxAsTheSameShapeNearItDoes) {
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, Square, 1, true, false, false);
  const std::vector<TdxCanvasVertex> home = Vertices(0, 6);
  for (const vg::TvxPoint at : {vg::TvxPoint{100000, 0}, vg::TvxPoint{-100000, -90000}, vg::TvxPoint{3, 70000}}) {
    SCOPED_TRACE(std::to_string(at.X) + ", " + std::to_string(at.Y));
    std::vector<vg::TvxPoint> moved = Square;
    for (size_t k = 0; k + 1 < moved.size(); ++k) moved[k] = {moved[k].X + at.X, moved[k].Y + at.Y};
    rec_->Clear();
    const std::uint32_t from = canvas_->VertexPosition();
    canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, moved, 1, true, false, false);
    const std::vector<TdxCanvasVertex> far = Vertices(from, 6);
    for (size_t k = 0; k < 5; ++k) {
      EXPECT_FLOAT_EQ(far[k].X, home[k].X) << k;
      EXPECT_FLOAT_EQ(far[k].Y, home[k].Y) << k;
      EXPECT_FLOAT_EQ(far[k].TU, home[k].TU) << k;
      EXPECT_FLOAT_EQ(far[k].TV, home[k].TV) << k;
    }
  }
}

TEST_F(DxPolygonFake, InScreenSpaceTheQuadSpansTheFansSnappedBox) {
  canvas_->SetRenderState(rsScreenSpace);
  Project(canvas_->GetScreenMatrix());
  rec_->Clear();
  // Bounds 10 .. 30 by 20 .. 40, spread over 20 x 10 pixels about (50.3, 40).
  canvas_->FillPolygon({50.3f, 40, 0, 1}, {20, 10, 0, 0}, {}, {{10, 20}, {30, 20}, {30, 40}, {10, 40}, {10, 20}, End}, 1,
                       true, false, true);
  const std::vector<TdxCanvasVertex> fan = Vertices(0, 4), quad = Vertices(6 * 36, 4);
  // The 2D Y axis stays down; whole pixels from the box's corner.
  EXPECT_FLOAT_EQ(fan[0].X, 40.8f);
  EXPECT_FLOAT_EQ(fan[0].Y, 35.5f);
  EXPECT_FLOAT_EQ(fan[2].X, 60.8f);
  EXPECT_FLOAT_EQ(fan[2].Y, 45.5f);
  EXPECT_FLOAT_EQ(quad[0].X, 40.8f);
  EXPECT_FLOAT_EQ(quad[0].Y, 45.5f);
  EXPECT_FLOAT_EQ(quad[2].X, 60.8f);
  EXPECT_FLOAT_EQ(quad[2].Y, 35.5f);
  // The walls meet the face's outline.
  const std::vector<TdxCanvasVertex> walls = Vertices(10 * 36, 6);
  for (int k = 0; k < 5; ++k) {
    EXPECT_FLOAT_EQ(walls[size_t(k)].X, fan[size_t(k % 4)].X) << k;
    EXPECT_FLOAT_EQ(walls[size_t(k)].Y, fan[size_t(k % 4)].Y) << k;
  }
}

TEST_F(DxPolygonFake, AFaceClearsTheStencilOnlyWhereItCanReachAndAFillThatReachesNoPixelDrawsNothing) {
  canvas_->SetRenderState(rsScreenSpace);
  Project(canvas_->GetScreenMatrix());
  // The clears with the scissor around them (render state 174 turns the scissor test on or off).
  const auto clears = [this] {
    std::vector<std::string> out;
    for (std::string& t : rec_->TextsOf({"SetScissorRect", "SetRenderState", "Clear"}))
      if (t.rfind("SetRenderState(", 0) != 0 || t.rfind("SetRenderState(174,", 0) == 0) out.push_back(std::move(t));
    return out;
  };
  // 20 x 10 pixels about (30, 20) of the 64 x 48 frame, from 20.5 to 40.5 and 15.5 to 25.5:
  // the stencil of pixels 21 .. 40 by 16 .. 25 is cleared, a pixel to spare, and the scissor
  // test goes off again.
  rec_->Clear();
  canvas_->FillPolygon({30, 20, 0, 1}, {20, 10, 0, 0}, {}, Square, 1, true, false, false);
  EXPECT_THAT(clears(), ElementsAre("SetScissorRect([20 15 42 27])", "SetRenderState(174,1)", "Clear(0,null,4,0,0,0)",
                                    "SetRenderState(174,0)"));
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 2);
  // A frame of a part of the target (after the first, whole one) keeps its scissor on; the
  // fill gives it back.
  ASSERT_TRUE(canvas_->BeginScene());
  canvas_->EndScene();
  canvas_->SetFrameRect({8, 4, 56, 44});
  ASSERT_TRUE(canvas_->BeginScene());
  canvas_->SetRenderState(rsScreenSpace);
  rec_->Clear();
  canvas_->FillPolygon({30, 20, 0, 1}, {20, 10, 0, 0}, {}, Square, 1, true, false, false);
  EXPECT_THAT(clears(),
              ElementsAre("SetScissorRect([20 15 42 27])", "Clear(0,null,4,0,0,0)", "SetScissorRect([8 4 56 44])"));
  // One that covers the frame clears it whole, as before.
  rec_->Clear();
  canvas_->FillPolygon({32, 24, 0, 1}, {64, 48, 0, 0}, {}, Square, 1, true, false, false);
  EXPECT_THAT(clears(), ElementsAre("Clear(0,null,4,0,0,0)"));
  canvas_->EndScene();
  canvas_->SetFrameRect({});
  ASSERT_TRUE(canvas_->BeginScene());  // a whole frame: the scissor test is off again
  canvas_->SetRenderState(rsScreenSpace);

  // Between pixel centres (30.8 +- 0.005) and outside the frame: no pass, no draw, also of
  // the walls.
  for (const TdxVector& center : {TdxVector{30.3f, 20.3f, 0, 1}, TdxVector{100, 20, 0, 1}}) {
    const TdxVector size = center.X < 64 ? TdxVector{0.01f, 0.01f, 0, 0} : TdxVector{20, 10, 0, 0};
    rec_->Clear();
    canvas_->FillPolygon(center, size, {}, Square, 1, true, true, true);
    EXPECT_EQ(rec_->Count("Clear"), 0) << center.X;
    EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 0) << center.X;
  }

  // Through the camera, a face wholly behind the eye costs nothing, and one before it clears
  // only what it can reach.
  canvas_->SetRenderState(rsCameraSpace);
  Project(canvas_->GetProjectionMatrix());
  rec_->Clear();
  canvas_->FillPolygon({0, 0, -1, 1}, {1, 1, 4, 0}, {}, Square, 1, true, true, false);
  EXPECT_THAT(clears(), ElementsAre(StartsWith("SetScissorRect("), "SetRenderState(174,1)", "Clear(0,null,4,0,0,0)",
                                    "SetRenderState(174,0)"))
      << "the front face at z = 1, behind the eye, and the back face at z = -3, before it";
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 2) << "the back face's fan and quad";
  canvas_->EndScene();
}

TEST_F(DxPolygonFake, DepthWritesEndAsTheCacheHasThemAndTheStencilEndsOff) {
  canvas_->SetRenderState(rsDepthWriteOff);
  rec_->Clear();
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, Square, 1, true, false, false);
  EXPECT_EQ(LastDepthWrite(), "SetRenderState(14,0)");
  EXPECT_EQ(rec_->TextsOf({"SetRenderState"}).back(), "SetRenderState(52,0)");

  canvas_->SetRenderState(rsDepthWriteOn);
  rec_->Clear();
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, Square, 1, true, false, false);
  EXPECT_EQ(LastDepthWrite(), "SetRenderState(14,1)");

  // A quad that cannot be written still leaves the stencil off and the depth writes on.
  rec_->Clear();
  rec_->Script("VertexBuffer.Lock", {D3D_OK, D3DERR_INVALIDCALL});
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, Square, 1, true, false, false);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 1);
  EXPECT_EQ(LastDepthWrite(), "SetRenderState(14,1)");
  EXPECT_EQ(rec_->TextsOf({"SetRenderState"}).back(), "SetRenderState(52,0)");
}

TEST_F(DxPolygonFake, AFailedLockDrawsNothingOfItsPartAndTheNextPartStillRuns) {
  // The front fan's indices cannot be written: no stencil pass, no draw for it; the back face
  // and the walls follow.
  rec_->Script("IndexBuffer.Lock", {D3DERR_INVALIDCALL});
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, Square, 1, true, true, true);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 3);
  EXPECT_EQ(rec_->Count("Clear"), 1);
  // Without a device, without points: nothing at all.
  rec_->Clear();
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, {}, 1);
  EXPECT_TRUE(rec_->Calls.empty());
}

// An outline more than a draw holds is drawn in as many draws as it needs, faces and walls,
// each draw within the buffers and every triangle drawn once.
TEST_F(DxPolygonFake, AnOutlineBeyondTheBuffersIsDrawnInParts) {
  constexpr size_t N = 65536;
  std::vector<vg::TvxPoint> many(N);
  for (size_t k = 0; k < N; ++k) many[k] = {static_cast<float>(k % 100), static_cast<float>(k / 100)};
  canvas_->FillPolygon({0, 0, 0, 1}, {2, 2, 1, 0}, {}, many, 1, true, true, true);
  size_t triangles = 0, draws = 0;
  std::string last;
  for (const std::string& t : rec_->TextsOf({"DrawIndexedPrimitive"})) {
    unsigned type = 0, min = 0, count = 0, start = 0, primitives = 0;
    int base = 0;
    ASSERT_EQ(std::sscanf(t.c_str(), "DrawIndexedPrimitive(%u,%d,%u,%u,%u,%u)", &type, &base, &min, &count, &start,
                          &primitives),
              6);
    EXPECT_LE(count, 65535u) << t;
    EXPECT_LE(3 * primitives, 131070u) << t;
    triangles += primitives;
    ++draws;
    last = t;
  }
  // Each face: a fan of a triangle a step of the outline, and its quad; the walls: two
  // triangles a step.
  EXPECT_EQ(triangles, 2 * ((N - 1) + 2) + 2 * (N - 1));
  ASSERT_GE(draws, 2 * 3 + 3u) << "two draws of fans and one of the quad a face, three of walls";
  EXPECT_EQ(rec_->Count("Clear"), 2) << "one stencil pass a face";
  // The last draw, of walls: each triangle stands on a step of the outline, one corner on the
  // other face.
  unsigned type = 0, min = 0, count = 0, start = 0, primitives = 0;
  int base = 0;
  std::sscanf(last.c_str(), "DrawIndexedPrimitive(%u,%d,%u,%u,%u,%u)", &type, &base, &min, &count, &start, &primitives);
  const std::vector<TdxCanvasVertex> v = Vertices(static_cast<std::uint32_t>(base) * 36, count);
  const std::vector<std::uint16_t> wall = Indices(start * 2, 3 * primitives);
  for (size_t t = 0; t < wall.size(); t += 3) {
    const TdxCanvasVertex &a = v.at(wall[t]), &b = v.at(wall[t + 1]), &c = v.at(wall[t + 2]);
    ASSERT_NE(a.Z, b.Z) << t;
    ASSERT_TRUE((a.X == b.X && a.Y == b.Y) || (b.X == c.X && b.Y == c.Y)) << t;
  }
}

// A frame of a tiled path hands the device no more of a tile's outline than the tile can show
// on the frame, however many points the outline has, and still draws every tile: a path 3 x 3
// of 65 x 65 tiles, a circle 0.047 across, 22 units before the eye on a 1024 x 768 frame, about
// two pixels a tile.
TEST_F(DxPolygonFake, ATiledPathHandsTheDeviceNoMoreOfATilesOutlineThanItsPixelsCanShow) {
  TdxDirectXCanvas canvas(WindowHandle{10}, 1024, 768, false, dxLowQuality);
  ASSERT_TRUE(canvas.DeviceNeeded());
  TdxPath3D path(nullptr);
  TilePathOn(path, canvas);
  path.Position()->SetZ(-22);
  constexpr size_t Tiles = 65 * 65;
  // A tile's side on the frame (768 pixels high over pi/4): about two pixels. A tile's outline
  // may take a point for each of the pixels that ring it, and its closing point and separator.
  const double side = 0.047 * 768 / (2 * 22 * std::tan(std::numbers::pi / 8));
  const size_t points = 4 * (static_cast<size_t>(std::ceil(side)) + 1) + 2;
  // The vertices of each draw, and of every other one.
  const auto drawn = [this](size_t& All, size_t& Second) {
    All = Second = 0;
    size_t k = 0;
    for (const std::string& t : rec_->TextsOf({"DrawIndexedPrimitive"})) {
      unsigned type = 0, min = 0, count = 0, start = 0, primitives = 0;
      int base = 0;
      ASSERT_EQ(std::sscanf(t.c_str(), "DrawIndexedPrimitive(%u,%d,%u,%u,%u,%u)", &type, &base, &min, &count, &start,
                            &primitives),
                6)
          << t;
      All += count;
      if (k++ % 2 == 1) Second += count;
    }
  };
  // Four points: a square in the circle's bounds, so the same tiles.
  for (const int n : {4, 2000, 30000}) {
    SCOPED_TRACE(n);
    vg::TvxPathData circle;
    MakeCircle(circle, n);
    path.SetPath(&circle);
    path.SetSides(AllShape3DSides);
    rec_->Clear();
    path.BeforePaint();
    path.Render();
    // Each face: the tiles' outlines, then their quads; the walls: twice the outlines.
    size_t all = 0, second = 0;
    drawn(all, second);
    ASSERT_LE(all, Tiles * (2 * (points + 4) + 2 * points));
    // The front alone: fans of the outlines, then the quads of all tiles.
    path.SetSides({dxShape3DFront});
    rec_->Clear();
    path.BeforePaint();
    path.Render();
    drawn(all, second);
    EXPECT_EQ(second, 4 * Tiles) << "every tile has its quad";
    EXPECT_GE(all - second, 5 * Tiles) << "every tile has an outline of three points at least";
  }
}

// Seen from among its tiles (the eye a unit above the middle of the tile field turned by 30
// degrees), a tiled path of a circle of 30,000 points draws the faces and walls of every tile
// that a square in its bounds shows, those cut by the eye's and the near plane thinned as the
// others are; seen from behind the eye, it hands the device nothing.
TEST_F(DxPolygonFake, ATiledPathSeenFromAmongItsTilesDrawsEveryTileThatShowsThinned) {
  TdxDirectXCanvas canvas(WindowHandle{11}, 1024, 768, false, dxLowQuality);
  ASSERT_TRUE(canvas.DeviceNeeded());
  TdxPath3D path(nullptr);
  TilePathOn(path, canvas);
  path.RotateAngle()->SetX(30);
  // The vertices and primitives of every draw, and of every other one from the second.
  struct TDrawn {
    size_t Vertices = 0, Primitives = 0, SecondPrimitives = 0, Draws = 0;
  };
  const auto draw = [&](TdxShape3DSides Sides) {
    path.SetSides(Sides);
    rec_->Clear();
    path.BeforePaint();
    path.Render();
    TDrawn d;
    for (const std::string& t : rec_->TextsOf({"DrawIndexedPrimitive"})) {
      unsigned type = 0, min = 0, count = 0, start = 0, primitives = 0;
      int base = 0;
      EXPECT_EQ(std::sscanf(t.c_str(), "DrawIndexedPrimitive(%u,%d,%u,%u,%u,%u)", &type, &base, &min, &count, &start,
                            &primitives),
                6);
      d.Vertices += count;
      d.Primitives += primitives;
      if (d.Draws++ % 2 == 1) d.SecondPrimitives += primitives;
    }
    return d;
  };
  const auto circle = [&](int N) {
    vg::TvxPathData c;
    MakeCircle(c, N);
    path.SetPath(&c);
  };
  path.Position()->SetZ(-1);
  // A square of the circle's bounds: its tiles are the circle's.
  circle(4);
  // Each face pass: the fans, then a quad of two triangles a tile.
  const size_t tiles = draw({dxShape3DBack}).SecondPrimitives / 2;
  const size_t walls = draw({dxShape3DLeft}).Primitives;
  ASSERT_GT(tiles, 500u);
  ASSERT_GT(walls, 0u);
  circle(30000);
  const TDrawn back = draw({dxShape3DBack});
  EXPECT_EQ(back.SecondPrimitives / 2, tiles) << "every tile whose back shows";
  const TDrawn sides = draw({dxShape3DLeft});
  EXPECT_GE(sides.Primitives, walls) << "the walls of every tile that shows";
  // The nearest tiles, cut by the near plane, are about 44 pixels across there: a few dozen
  // points an outline, where 30,000 were given.
  EXPECT_LT(back.Vertices + sides.Vertices, (tiles + 4) * 3 * 200);

  // The same path 7 units behind the eye.
  path.Position()->SetZ(7);
  draw(AllShape3DSides);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 0);
  EXPECT_EQ(rec_->Count("Clear"), 0);
}

TEST_F(DxPolygonFake, TheCanvasCopiesItsFrameIntoBitmapsOfEitherLibrary) {
  TdxBitmap target(3, 2);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(target.Map(bits, true));
  for (int i = 0; i < 6; ++i) bits[i] = 0xFF000000u + static_cast<std::uint32_t>(i);
  target.Unmap();
  TdxDirectXCanvas offscreen(target);
  ASSERT_TRUE(offscreen.HasDevice());

  TdxBitmap copy(1, 1);
  int changes = 0;
  copy.OnChange = [&](rtl::TObject*) { ++changes; };
  copy.Assign(&offscreen);
  ASSERT_EQ(copy.Width(), 3);
  ASSERT_EQ(copy.Height(), 2);
  EXPECT_TRUE(std::equal(copy.Bits(), copy.Bits() + 6, target.Bits()));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(copy.NeedUpdate());

  auto flat = std::make_unique<vg::TvxBitmap>(5, 5);
  flat->Assign(&offscreen);
  ASSERT_EQ(flat->Width(), 3);
  ASSERT_EQ(flat->Height(), 2);
  EXPECT_TRUE(std::equal(flat->Bits(), flat->Bits() + 6, target.Bits()));
  // The class library's bitmap, wider and drawn on before: it takes the canvas's size and each
  // row of the frame, and its canvas draws over the new pixels afterwards.
  win::TBitmap library;
  library.SetSize(7, 1);
  library.Canvas()->SetPixel(0, 0, 0x0000FF);
  library.Assign(&offscreen);
  ASSERT_EQ(library.Width(), 3);
  ASSERT_EQ(library.Height(), 2);
  for (int y = 0; y < 2; ++y)
    EXPECT_TRUE(std::equal(library.ScanLine(y), library.ScanLine(y) + 3, target.Bits() + y * 3)) << y;
  library.Canvas()->SetPixel(2, 1, 0x00FF00);
  EXPECT_EQ(library.Canvas()->Pixel(2, 1), 0x00FF00);
  EXPECT_EQ(library.Canvas()->Pixel(0, 0), win::clBlack) << "the red drawn before is gone";
  // A picture of the class library takes a bitmap of the frame, whatever graphic it held.
  win::TPicture picture;
  win::TBitmap wide;
  wide.SetSize(9, 9);
  picture.Assign(&wide);
  picture.Assign(&offscreen);
  auto* held = dynamic_cast<win::TBitmap*>(picture.Graphic());
  ASSERT_NE(held, nullptr);
  ASSERT_EQ(held->Width(), 3);
  ASSERT_EQ(held->Height(), 2);
  EXPECT_TRUE(std::equal(held->Bits(), held->Bits() + 6, target.Bits()));
  // Anything else is refused as the class library refuses it.
  TdxMaterial m;
  EXPECT_THROW(m.Assign(&offscreen), rtl::EConvertError);
}

}  // namespace

}  // namespace dx_canvas_polygon_test
