// The Direct3D canvas on the OpenGL device, checked on the pixels of off-screen frames. With
// GASCAL_FRAME_DIR set, each frame is also written there as a PNG to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/gfx3d/GlDevice.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/FilterGdiPlus.h"
#include "vg2d/core/Library.h"

namespace dx_canvas_gl_test {

#if defined(__SANITIZE_ADDRESS__)
// This program loads and unloads the GL driver with each device's display, several times over.
// The leak check's record of dynamically loaded thread-local storage does not survive a module
// unloaded and another loaded into its slot: at the end it reads a garbage block and the check
// itself crashes (where the program's layout puts it there). Without the record those blocks
// are heap blocks like any other, which the check still reaches through their threads.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
#endif

using namespace dx;

namespace {

class DxCanvasGl : public ::testing::Test {
protected:
  void SetUp() override {
    std::string why;
    if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
    dxDirectXStartup(gfx3d::OpenGlDirect3D());
  }
  void TearDown() override { dxDirectXShutdown(); }

  static void Save(TdxBitmap& Frame, const std::string& Name) {
    const char* dir = std::getenv("GASCAL_FRAME_DIR");
    if (!dir) return;
    vg::LibraryStartup();  // the 2D codec writes the file
    EXPECT_TRUE(TdxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", Frame, ""));
    vg::LibraryShutdown();
  }
  static std::uint32_t At(const TdxBitmap& B, int X, int Y) { return B.Bits()[Y * B.Width() + X]; }
  static int Green(std::uint32_t C) { return static_cast<int>((C >> 8) & 0xFF); }
};

class TLookAt final : public IdxCamera {
public:
  TdxVector Eye;
  TdxMatrix CameraAbsoluteMatrix() const override {
    TdxMatrix m = IdentityMatrix;
    m.M[3][0] = Eye.X;
    m.M[3][1] = Eye.Y;
    m.M[3][2] = Eye.Z;
    return m;
  }
  bool CameraTarget(TdxVector& Position) const override {
    Position = {0, 0, 0, 1};
    return true;
  }
};

}  // namespace

TEST_F(DxCanvasGl, TexturedQuadInScreenSpaceCoversWholePixelsTexelForTexel) {
  TdxBitmap frame(64, 48);
  TdxDirectXCanvas canvas(frame);
  ASSERT_TRUE(canvas.HasDevice());
  TdxBitmap texture(4, 4);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(texture.Map(bits, true));
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i)
      bits[j * 4 + i] = 0xFF000040u | static_cast<std::uint32_t>(i * 60) << 16 | static_cast<std::uint32_t>(j * 60) << 8;
  texture.Unmap();
  auto quad = std::make_unique<TdxMeshData>();
  quad->Vertices() = {dxMeshVertex(0, 0, 0, 0, 0, 1, 0, 0), dxMeshVertex(1, 0, 0, 0, 0, 1, 1, 0),
                      dxMeshVertex(1, 1, 0, 0, 0, 1, 1, 1), dxMeshVertex(0, 1, 0, 0, 0, 1, 0, 1)};
  quad->Indexes() = {0, 1, 2, 0, 2, 3};

  canvas.ResetState();
  ASSERT_TRUE(canvas.BeginScene());
  canvas.Clear(0xFF204060);
  canvas.SetRenderState(rsScreenSpace);
  TdxMaterial m;
  m.SetTexture(&texture);
  m.SetBitmapMode(dxTexReplace);
  m.SetLighting(false);
  canvas.SetMaterial(m);
  canvas.SetRenderState(rsCullNone);
  canvas.SetRenderState(rsTextureNearest);
  // Corners at (8.3, 8.9) and (40.3, 40.9) snap to the pixel edges 8 and 40.
  canvas.FillMesh({8.3f, 8.9f, 0, 1}, {32, 32, 1, 1}, *quad, 1);
  canvas.EndScene();
  Save(frame, "textured_quad");

  int wrong = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= 8 && x < 40 && y >= 8 && y < 40;
      const std::uint32_t want = inside ? bits[((y - 8) / 8) * 4 + (x - 8) / 8] : 0xFF204060u;
      if (At(frame, x, y) != want && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << At(frame, x, y) << " not " << want;
    }
  EXPECT_EQ(wrong, 0);
}

TEST_F(DxCanvasGl, TranslucentBitmapTexelsBlendOnceByTheirAlpha) {
  // Bitmaps are premultiplied: half-transparent white is 0x80808080. Blended normally over
  // black it must give mid grey, not the quarter grey of an alpha applied twice.
  TdxBitmap frame(16, 16);
  TdxDirectXCanvas canvas(frame);
  ASSERT_TRUE(canvas.HasDevice());
  TdxBitmap texture(2, 2);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(texture.Map(bits, true));
  bits[0] = bits[1] = 0x80808080u;  // half-transparent white
  bits[2] = 0x80800000u;            // half-transparent red
  bits[3] = 0u;                     // clear
  texture.Unmap();
  auto quad = std::make_unique<TdxMeshData>();
  quad->Vertices() = {dxMeshVertex(0, 0, 0, 0, 0, 1, 0, 0), dxMeshVertex(1, 0, 0, 0, 0, 1, 1, 0),
                      dxMeshVertex(1, 1, 0, 0, 0, 1, 1, 1), dxMeshVertex(0, 1, 0, 0, 0, 1, 0, 1)};
  quad->Indexes() = {0, 1, 2, 0, 2, 3};
  canvas.ResetState();
  ASSERT_TRUE(canvas.BeginScene());
  canvas.Clear(0xFF000000u);
  canvas.SetRenderState(rsScreenSpace);
  TdxMaterial m;
  m.SetTexture(&texture);
  m.SetBitmapMode(dxTexReplace);
  m.SetLighting(false);
  canvas.SetMaterial(m);
  canvas.SetRenderState(rsCullNone);
  canvas.SetRenderState(rsTextureNearest);
  canvas.SetRenderState(rsBlendNormal);
  canvas.FillMesh({0, 0, 0, 1}, {16, 16, 1, 1}, *quad, 1);
  canvas.EndScene();
  auto near = [](std::uint32_t C, std::uint32_t Want) {
    for (int shift = 0; shift < 32; shift += 8)
      if (std::abs(static_cast<int>((C >> shift) & 0xFF) - static_cast<int>((Want >> shift) & 0xFF)) > 2) return false;
    return true;
  };
  EXPECT_TRUE(near(At(frame, 4, 4), 0xFF808080u)) << std::hex << At(frame, 4, 4);
  EXPECT_TRUE(near(At(frame, 4, 12), 0xFF800000u)) << std::hex << At(frame, 4, 12);
  EXPECT_EQ(At(frame, 12, 12), 0xFF000000u) << "a clear texel leaves the frame as it was";
}

TEST_F(DxCanvasGl, LitCubeShowsThreeFacesInThreeShadesBrightestTowardsTheLight) {
  TdxBitmap frame(128, 128);
  TdxDirectXCanvas canvas(frame);
  ASSERT_TRUE(canvas.HasDevice());
  TLookAt camera;
  camera.Eye = {4, -5, 3, 1};
  TdxLight light;
  TdxMatrix lm = IdentityMatrix;
  const float n = std::sqrt(14.0f);
  lm.M[1][0] = -1 / n;  // the light travels along its Y axis: from +X, -Y, +Z towards the cube
  lm.M[1][1] = 2 / n;
  lm.M[1][2] = -3 / n;
  light.SetAbsoluteMatrix(lm);

  canvas.ResetState();
  canvas.SetCamera(&camera);
  canvas.AddLight(&light);
  canvas.SetLighting(true);
  canvas.SetAmbientColor(0xFF000000);
  ASSERT_TRUE(canvas.BeginScene());
  canvas.Clear(0xFF000000);
  TdxMaterial m;
  m.SetDiffuseColor(0xFF808080);
  canvas.SetMaterial(m);
  canvas.SetRenderState(rsDepthTestOn);
  canvas.SetRenderState(rsDepthWriteOn);
  canvas.SetRenderState(rsCullNone);
  canvas.FillCube({0, 0, 0, 1}, {2, 2, 2, 1}, 1);
  canvas.EndScene();
  Save(frame, "lit_cube");

  const TdxMatrix vp = dxMatrixMultiply(canvas.View(), canvas.GetProjectionMatrix());
  const auto shade = [&](float X, float Y, float Z) {
    float clip[4] = {};
    const float in[4] = {X, Y, Z, 1};
    for (int col = 0; col < 4; ++col)
      for (int r = 0; r < 4; ++r) clip[col] += in[r] * vp.M[r][col];
    const int px = static_cast<int>((clip[0] / clip[3] + 1) / 2 * 128), py = static_cast<int>((1 - clip[1] / clip[3]) / 2 * 128);
    EXPECT_TRUE(px > 0 && px < 128 && py > 0 && py < 128);
    return Green(At(frame, std::clamp(px, 0, 127), std::clamp(py, 0, 127)));
  };
  const int plusX = shade(1, 0, 0), minusY = shade(0, -1, 0), plusZ = shade(0, 0, 1);
  // The face the light falls on most squarely is the brightest; all three differ clearly.
  EXPECT_GT(plusZ, minusY + 10);
  EXPECT_GT(minusY, plusX + 10);
  EXPECT_GT(plusX, 20);
  EXPECT_EQ(At(frame, 0, 0), 0xFF000000u);
}

TEST_F(DxCanvasGl, TextIsDrawnFromTheAtlasInTheMaterialColour) {
  TdxBitmap frame(96, 32);
  TdxDirectXCanvas canvas(frame);
  ASSERT_TRUE(canvas.HasDevice());
  canvas.Font().SetSize(16);
  canvas.ResetState();
  ASSERT_TRUE(canvas.BeginScene());
  canvas.Clear(0xFF000000);
  canvas.SetRenderState(rsScreenSpace);
  TdxMaterial m;
  m.SetDiffuseColor(0xFFFFC000);
  m.SetLighting(false);
  canvas.SetMaterial(m);
  canvas.SetRenderState(rsCullNone);
  canvas.FillText(u"Hello", 4, 4, 1);
  canvas.EndScene();
  Save(frame, "text");

  const TdxPoint3D size = canvas.MeasureText(u"Hello");
  EXPECT_GT(size.X, 25);
  EXPECT_LT(size.X, 60);
  int ink = 0, outside = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 96; ++x) {
      const std::uint32_t p = At(frame, x, y);
      const bool inBox = x >= 4 && x < 4 + size.X + 1 && y >= 4 && y < 4 + size.Y;
      if (p == 0xFFFFC000u) ink += inBox;
      if (!inBox && p != 0xFF000000u) ++outside;
    }
  EXPECT_GT(ink, 20);
  EXPECT_EQ(outside, 0);
}

TEST_F(DxCanvasGl, WindowFramesAreReadBackAfterResizesOnEitherResetPath) {
  for (gfx3d::Availability mode : {gfx3d::Availability::Ex, gfx3d::Availability::Plain}) {
    SCOPED_TRACE(mode == gfx3d::Availability::Ex ? "extended" : "plain");
    dxDirectXStartup(gfx3d::OpenGlDirect3D(mode));
    TdxDirectXCanvas canvas(0, 40, 30, true, dxHighQuality);
    ASSERT_TRUE(canvas.DeviceNeeded());
    TdxBitmap texture(1, 1);
    texture.Clear(0xFF00FF00);
    TdxMaterial m;
    m.SetTexture(&texture);
    m.SetDiffuseColor(0xFFFFFFFF);  // modulated by white: the texel itself
    m.SetLighting(false);
    auto quad = std::make_unique<TdxMeshData>();
    quad->Vertices() = {dxMeshVertex(0, 0, 0, 0, 0, 1, 0, 0), dxMeshVertex(1, 0, 0, 0, 0, 1, 1, 0),
                        dxMeshVertex(1, 1, 0, 0, 0, 1, 1, 1), dxMeshVertex(0, 1, 0, 0, 0, 1, 0, 1)};
    quad->Indexes() = {0, 1, 2, 0, 2, 3};
    for (int size : {30, 50}) {
      canvas.ResizeBuffer(size + 10, size);
      EXPECT_EQ(canvas.Device()->TestCooperativeLevel(), gfx3d::D3D_OK);  // the reset took
      canvas.ResetState();
      ASSERT_TRUE(canvas.BeginScene());
      canvas.Clear(0xFF000080);
      canvas.SetRenderState(rsScreenSpace);
      canvas.SetMaterial(m);
      canvas.SetRenderState(rsCullNone);
      canvas.FillMesh({10, 10, 0, 1}, {10, 10, 1, 1}, *quad, 1);
      canvas.EndScene();
      ASSERT_TRUE(canvas.HasBuffer());
      const std::uint32_t* px = canvas.Buffer();
      const int w = canvas.Width();
      EXPECT_EQ(px[15 * w + 15], 0xFF00FF00u);
      EXPECT_EQ(px[5 * w + 5], 0xFF000080u);
      EXPECT_EQ(px[(size - 1) * w + w - 1], 0xFF000080u);
    }
    dxDirectXShutdown();
  }
}

}  // namespace dx_canvas_gl_test
