// The canvas base: render-state cache, projections, pick rays and what the frame shows of a box,
// back buffer, materials and the bookkeeping between bitmaps and canvases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "NullCanvas.h"
#include "platform/rtl/SysUtils.h"
#include "scene3d/Canvas.h"

namespace canvas_test {

using namespace dx;

namespace {

// A back end that only records which codes reach it and which bitmaps lose their texture.
class TRecordingCanvas final : public dxtest::NullCanvas {
public:
  using NullCanvas::NullCanvas;
  std::vector<int> Applied;
  int MaterialsApplied = 0;
  void ApplyMaterial() override { ++MaterialsApplied; }

protected:
  void ApplyState(TdxRenderState Code) override { Applied.push_back(Code); }
};

TdxVector Project(const TdxVector& P, const TdxMatrix& M) {
  float out[4] = {};
  const float in[4] = {P.X, P.Y, P.Z, 1};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) out[c] += in[r] * M.M[r][c];
  return {out[0] / out[3], out[1] / out[3], out[2] / out[3], out[3]};
}

class TTargetCamera final : public IdxCamera {
public:
  TdxMatrix Matrix = IdentityMatrix;
  bool HasTarget = false;
  TdxVector Target;
  TdxMatrix CameraAbsoluteMatrix() const override { return Matrix; }
  bool CameraTarget(TdxVector& Position) const override {
    Position = Target;
    return HasTarget;
  }
};

}  // namespace

TEST(DxCanvasBase, RenderStateCacheAppliesOnlyRealChangesWithinAGroup) {
  TRecordingCanvas c(0, 100, 100, false, dxLowQuality);
  c.SetRenderState(4);
  c.SetRenderState(4);
  c.SetRenderState(5);
  c.SetRenderState(4);
  EXPECT_EQ(c.Applied, (std::vector<int>{4, 5, 4}));
  c.Applied.clear();
  c.SetRenderState(8);
  c.SetRenderState(10);
  c.SetRenderState(8);
  c.SetRenderState(9);
  EXPECT_EQ(c.Applied, (std::vector<int>{8, 10, 8, 9}));
  EXPECT_FALSE(c.RenderStateSet(8));
  EXPECT_FALSE(c.RenderStateSet(10));
  EXPECT_TRUE(c.RenderStateSet(9));
  // Other groups are untouched by a change in one.
  EXPECT_TRUE(c.RenderStateSet(4));
  EXPECT_THROW(c.SetRenderState(22), rtl::ERangeError);

  // After the per-frame reset the current codes reach the back end again.
  c.Applied.clear();
  c.ResetState();
  c.SetRenderState(9);
  c.SetRenderState(4);
  EXPECT_EQ(c.Applied, (std::vector<int>{9, 4}));
}

TEST(DxCanvasBase, ResetStateClearsViewWorldLightsAndMaterialWithoutApplyingIt) {
  TRecordingCanvas c(0, 100, 100, false, dxLowQuality);
  TdxLight light;
  c.AddLight(&light);
  TTargetCamera cam;
  cam.Matrix.M[3][1] = -20;
  c.SetCamera(&cam);
  TdxMatrix world = IdentityMatrix;
  world.M[3][0] = 5;
  c.SetMatrix(world);
  TdxBitmap bmp(2, 2);
  c.Material().SetTexture(&bmp);
  c.Material().SetBitmap("skin");
  const int applied = c.MaterialsApplied;
  c.ResetState();
  EXPECT_TRUE(c.Lights().empty());
  EXPECT_EQ(c.View(), IdentityMatrix);
  EXPECT_EQ(c.World(), IdentityMatrix);
  EXPECT_EQ(c.Material().DiffuseColor(), 0u);
  EXPECT_EQ(c.Material().AmbientColor(), 0u);
  EXPECT_EQ(c.Material().Bitmap(), "");
  EXPECT_EQ(c.Material().Texture(), nullptr);
  EXPECT_EQ(c.MaterialsApplied, applied);
}

TEST(DxCanvasBase, UseMaterialScalesTheCopysAlphaOnlyAndAppliesOnce) {
  TRecordingCanvas c(0, 10, 10, false, dxLowQuality);
  TdxMaterial m;
  m.SetDiffuseColor(0xFF102030);
  m.SetLighting(false);
  c.MaterialsApplied = 0;
  c.UseMaterial(m, 0.5f);
  EXPECT_EQ(c.Material().DiffuseColor(), 0x7F102030u);
  EXPECT_FALSE(c.Material().Lighting());
  EXPECT_EQ(m.DiffuseColor(), 0xFF102030u);
  EXPECT_EQ(c.MaterialsApplied, 1);
  c.SetMaterial(m);
  EXPECT_EQ(c.Material().DiffuseColor(), 0xFF102030u);
}

TEST(DxCanvasBase, ProjectionHasTheCanvasAspectAndTakesANonIdentityAdjustment) {
  TRecordingCanvas c(0, 400, 300, false, dxLowQuality);
  const TdxMatrix p = c.GetProjectionMatrix();
  EXPECT_NEAR(p.M[1][1] / p.M[0][0], 4.0f / 3.0f, 1e-5);
  EXPECT_NEAR(p.M[1][1], 2.4142134f, 1e-5);
  EXPECT_EQ(p.M[2][3], -1);
  TdxMatrix adjust = IdentityMatrix;
  adjust.M[2][1] = 0.5f;  // neither the first element nor the translation: still not the identity
  c.SetProjectionAdjust(adjust);
  EXPECT_EQ(c.GetProjectionMatrix(), dxMatrixMultiply(p, adjust));
}

TEST(DxCanvasBase, ScreenMatrixPutsPixelsAtTheirPlaceAndPickRaysMeetThem) {
  TRecordingCanvas c(0, 400, 300, false, dxLowQuality);
  const TdxMatrix s = c.GetScreenMatrix();
  const TdxVector a = Project({100, 75, 0, 1}, s);
  EXPECT_NEAR(a.X, -0.5f, 1e-5);
  EXPECT_NEAR(a.Y, 0.5f, 1e-5);
  const TdxVector o = Project({0, 0, 0, 1}, s);
  EXPECT_NEAR(o.X, -1, 1e-5);
  EXPECT_NEAR(o.Y, 1, 1e-5);
  EXPECT_NEAR(o.W, 2, 1e-4);

  TdxVector pos, dir;
  c.PickRay(true, 200, 150, pos, dir);
  EXPECT_NEAR(pos.X, 200, 1e-3);
  EXPECT_NEAR(pos.Y, 150, 1e-3);
  EXPECT_NEAR(pos.Z, -150 / std::tan(3.14159265f / 12), 0.05);
  EXPECT_NEAR(dir.Z, 1, 1e-6);
  // Off centre the ray still reaches its pixel on z = 0.
  c.PickRay(true, 30, 260, pos, dir);
  const float t = -pos.Z / dir.Z;
  EXPECT_NEAR(pos.X + t * dir.X, 30, 1e-2);
  EXPECT_NEAR(pos.Y + t * dir.Y, 260, 1e-2);
}

TEST(DxCanvasBase, CameraPickRayLooksWhereTheCameraLooks) {
  TRecordingCanvas c(0, 400, 300, false, dxLowQuality);
  TTargetCamera cam;  // at (0, -10, 0) looking along +Y with Z up
  cam.Matrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -10, 0, 1}}};
  c.SetCamera(&cam);
  TdxVector pos, dir;
  c.PickRay(false, 200, 150, pos, dir);
  EXPECT_NEAR(pos.Y, -10, 1e-4);
  EXPECT_NEAR(dir.Y, 1, 1e-5);
  // Left of centre looks to -X, above centre to +Z.
  c.PickRay(false, 100, 50, pos, dir);
  EXPECT_LT(dir.X, 0);
  EXPECT_GT(dir.Z, 0);
  // The projected point of the ray falls on the same pixel.
  const TdxVector far = dxVectorAddScaled(pos, dir, 50);
  const TdxVector ndc = Project(far, dxMatrixMultiply(c.View(), c.GetProjectionMatrix()));
  EXPECT_NEAR((ndc.X + 1) * 200, 100, 1e-2);
  EXPECT_NEAR((1 - ndc.Y) * 150, 50, 1e-2);

  // A target wins over the camera's own axis.
  cam.HasTarget = true;
  cam.Target = {10, -10, 0, 1};
  c.SetCamera(&cam);
  c.PickRay(false, 200, 150, pos, dir);
  EXPECT_NEAR(dir.X, 1, 1e-5);
}

// What the frame shows of a box: nothing when it lies behind the near plane or beside the
// frame; else the bounds of its part before that plane and within the frame's sides, from the
// box's faces and, when the eye stands in the box, the near plane's corners.
TEST(DxCanvasBase, BoxSightCutsABoxToWhatTheFrameShows) {
  TRecordingCanvas c(0, 400, 300, false, dxLowQuality);
  const auto sight = [&](TdxVector Low, TdxVector High, TdxVector* Seen = nullptr) {
    const TdxCanvas::TdxBoxSight s = c.BoxSight(Low, High);
    if (Seen) Seen[0] = Low, Seen[1] = High;
    return s;
  };
  // Without a camera the eye looks down -Z; the near plane is at Z = -1.
  EXPECT_EQ(sight({-1, -1, -0.5f, 1}, {1, 1, 0.5f, 1}), TdxCanvas::TdxBoxSight::Behind);
  EXPECT_EQ(sight({100, -1, -11, 1}, {101, 1, -10, 1}), TdxCanvas::TdxBoxSight::Outside);
  TdxVector seen[2];
  ASSERT_EQ(sight({-100, -100, -10.5f, 1}, {100, 100, -9.5f, 1}, seen), TdxCanvas::TdxBoxSight::Seen);
  // Widest at its far face, 10.5 away: tan(pi/8) of that up and down, 4/3 of it to the sides.
  const float half = 10.5f * std::tan(3.14159265f / 8);
  EXPECT_NEAR(seen[0].X, -half * 4 / 3, 1e-3);
  EXPECT_NEAR(seen[1].X, half * 4 / 3, 1e-3);
  EXPECT_NEAR(seen[0].Y, -half, 1e-3);
  EXPECT_NEAR(seen[1].Y, half, 1e-3);
  EXPECT_EQ(seen[0].Z, -10.5f);

  // Looking along +X (Z up) from the middle of a box 6 across: what it shows starts at the near
  // plane, whose corners lie inside it, and reaches its far face.
  TTargetCamera cam;
  cam.Matrix = {{{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  c.SetCamera(&cam);
  ASSERT_EQ(sight({-3, -3, -3, 1}, {3, 3, 3, 1}, seen), TdxCanvas::TdxBoxSight::Seen);
  EXPECT_NEAR(seen[0].X, 1, 1e-4);
  EXPECT_NEAR(seen[1].X, 3, 1e-4);
  EXPECT_NEAR(seen[1].Y, 3 * std::tan(3.14159265f / 8) * 4 / 3, 1e-3);
  EXPECT_EQ(sight({-5, -1, -1, 1}, {-4, 1, 1, 1}), TdxCanvas::TdxBoxSight::Behind);
}

TEST(DxCanvasBase, BackBufferFollowsTheSizeAndSizesStayAtLeastOne) {
  TRecordingCanvas c(0, 0, -5, true, dxLowQuality);
  EXPECT_EQ(c.Width(), 1);
  EXPECT_EQ(c.Height(), 1);
  ASSERT_TRUE(c.HasBuffer());
  c.ResizeBuffer(30, 20);
  ASSERT_NE(c.Buffer(), nullptr);
  c.Buffer()[30 * 20 - 1] = 0xFFFFFFFF;  // the last pixel exists (ASan would tell otherwise)
  EXPECT_TRUE(std::all_of(c.Buffer(), c.Buffer() + 30 * 20 - 1, [](std::uint32_t P) { return P == 0; }))
      << "made transparent";
  // Renewed: transparent again at the same size.
  std::fill(c.Buffer(), c.Buffer() + 30 * 20, 0xFF102030u);
  c.RenewBuffer();
  ASSERT_TRUE(c.HasBuffer());
  EXPECT_EQ(c.Width(), 30);
  EXPECT_TRUE(std::all_of(c.Buffer(), c.Buffer() + 30 * 20, [](std::uint32_t P) { return P == 0; }));
  c.ResizeBuffer(0, 0);
  EXPECT_EQ(c.Width(), 1);
  EXPECT_EQ(c.Height(), 1);

  TRecordingCanvas plain(0, 10, 10, false, dxLowQuality);
  EXPECT_FALSE(plain.HasBuffer());
  plain.RenewBuffer();
  EXPECT_FALSE(plain.HasBuffer()) << "nothing to renew";
  TdxBitmap empty;
  TRecordingCanvas offscreen(empty);
  EXPECT_EQ(offscreen.Width(), 1);
  EXPECT_TRUE(offscreen.Buffered());
  EXPECT_FALSE(offscreen.HasBuffer());
}

TEST(DxCanvasBase, BitmapsAndCanvasesForgetEachOtherWhicheverGoesFirst) {
  auto bmp = std::make_unique<TdxBitmap>(4, 4);
  TdxBitmap empty(0, 3);
  empty.SetNeedUpdate(true);
  {
    TRecordingCanvas c(0, 10, 10, false, dxLowQuality);
    c.UpdateBitmapHandle(bmp.get());
    c.UpdateBitmapHandle(bmp.get());
    ASSERT_EQ(bmp->Canvases().size(), 1u);
    c.UpdateBitmapHandle(&empty);
    EXPECT_TRUE(empty.Canvases().empty());
    EXPECT_FALSE(empty.NeedUpdate());
    int handle = 7;
    std::shared_ptr<void> h(&handle, [](void*) {});
    EXPECT_EQ(c.AddBitmapHandle(bmp.get(), h), 0);
    EXPECT_EQ(c.AddBitmapHandle(bmp.get(), nullptr), 0);
    EXPECT_EQ(c.GetBitmapHandle(bmp.get()), h);
    EXPECT_EQ(c.GetBitmapHandle(&empty), nullptr);
  }
  // The canvas went first: the bitmap no longer lists it.
  EXPECT_TRUE(bmp->Canvases().empty());

  TRecordingCanvas c(0, 10, 10, false, dxLowQuality);
  c.UpdateBitmapHandle(bmp.get());
  c.AddBitmapHandle(bmp.get(), std::make_shared<int>(1));
  bmp.reset();  // the bitmap went first: its texture leaves the map
  EXPECT_EQ(c.BitmapHandleCount(), 0);
}

}  // namespace canvas_test
