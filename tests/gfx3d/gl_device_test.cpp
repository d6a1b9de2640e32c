// The OpenGL device on Mesa's software renderer, checked on the pixels it reads back.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/gfx3d/GlDevice.h"

namespace gl_device_test {

using namespace gfx3d;

namespace {

struct Vertex {
  float x, y, z, nx, ny, nz;
  uint32_t color;
  float u, v;
};
static_assert(sizeof(Vertex) == 36);
constexpr uint32_t kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Pixel coordinates, x right and y down, to clip space; z passes unchanged.
D3DMATRIX ScreenProjection(int W, int H) {
  D3DMATRIX m;
  m.m[0][0] = 2.0f / static_cast<float>(W);
  m.m[1][1] = -2.0f / static_cast<float>(H);
  m.m[3][0] = -1;
  m.m[3][1] = 1;
  return m;
}

class GlDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  }

  void Make(int W, int H, D3DMULTISAMPLE_TYPE Samples = D3DMULTISAMPLE_NONE, Availability Mode = Availability::Ex) {
    w_ = W;
    h_ = H;
    auto entries = OpenGlDirect3D(Mode);
    if (Mode == Availability::Ex) {
      ASSERT_EQ(entries.Create9Ex(D3D_SDK_VERSION, &d3d_), D3D_OK);
    } else {
      d3d_ = entries.Create9(D3D_SDK_VERSION);
    }
    ASSERT_TRUE(d3d_);
    D3DPRESENT_PARAMETERS p = Params(W, H, Samples);
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, 0, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &dev_),
              D3D_OK);
    ASSERT_EQ(dev_->CreateVertexBuffer(36 * 64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kFvf, D3DPOOL_DEFAULT, &vb_),
              D3D_OK);
    ASSERT_EQ(dev_->CreateIndexBuffer(2 * 96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                      &ib_),
              D3D_OK);
  }

  static D3DPRESENT_PARAMETERS Params(int W, int H, D3DMULTISAMPLE_TYPE Samples) {
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = static_cast<uint32_t>(W);
    p.BackBufferHeight = static_cast<uint32_t>(H);
    p.BackBufferFormat = D3DFMT_A8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = -1;
    p.EnableAutoDepthStencil = -1;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.MultiSampleType = Samples;
    return p;
  }

  // Unlit, untextured, no depth test, drawn in pixel coordinates.
  void FlatScreenSpace() {
    dev_->SetRenderState(D3DRS_LIGHTING, 0);
    dev_->SetRenderState(D3DRS_ZENABLE, 0);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    const D3DMATRIX p = ScreenProjection(w_, h_);
    dev_->SetTransform(D3DTS_PROJECTION, &p);
  }

  // Writes the vertices and indices at the given byte offsets and draws a triangle list.
  void Draw(const std::vector<Vertex>& V, const std::vector<uint16_t>& I, uint32_t VOffset = 0, uint32_t IOffset = 0,
            uint32_t Flags = D3DLOCK_DISCARD, D3DPRIMITIVETYPE Type = D3DPT_TRIANGLELIST) {
    void* p = nullptr;
    const auto vs = static_cast<uint32_t>(V.size() * sizeof(Vertex));
    const auto is = static_cast<uint32_t>(I.size() * 2);
    ASSERT_EQ(vb_->Lock(VOffset, vs, &p, Flags), D3D_OK);
    std::memcpy(p, V.data(), vs);
    ASSERT_EQ(vb_->Unlock(), D3D_OK);
    ASSERT_EQ(ib_->Lock(IOffset, is, &p, Flags), D3D_OK);
    std::memcpy(p, I.data(), is);
    ASSERT_EQ(ib_->Unlock(), D3D_OK);
    dev_->SetFVF(kFvf);
    dev_->SetStreamSource(0, vb_, 0, sizeof(Vertex));
    dev_->SetIndices(ib_);
    const uint32_t prims = Type == D3DPT_LINELIST ? uint32_t(I.size() / 2) : uint32_t(I.size() / 3);
    ASSERT_EQ(dev_->DrawIndexedPrimitive(Type, static_cast<int32_t>(VOffset / sizeof(Vertex)), 0,
                                         static_cast<uint32_t>(V.size()), IOffset / 2, prims),
              D3D_OK);
  }

  // A rectangle in pixel coordinates, corners on half pixels as the canvas snaps them.
  static std::vector<Vertex> Rect(float L, float T, float R, float B, uint32_t Color, float Z = 0) {
    return {{L - 0.5f, T - 0.5f, Z, 0, 0, -1, Color, 0, 0},
            {R - 0.5f, T - 0.5f, Z, 0, 0, -1, Color, 1, 0},
            {R - 0.5f, B - 0.5f, Z, 0, 0, -1, Color, 1, 1},
            {L - 0.5f, B - 0.5f, Z, 0, 0, -1, Color, 0, 1}};
  }
  static inline const std::vector<uint16_t> kQuad = {0, 1, 3, 3, 1, 2};

  // The frame as the canvas reads it back: resolved when multisampled, rows from the top.
  std::vector<uint32_t> ReadBack() {
    std::vector<uint32_t> out;
    std::shared_ptr<ISurface> back, resolve, sys;
    EXPECT_EQ(dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC d;
    back->GetDesc(&d);
    ISurface* source = back.get();
    if (d.MultiSampleType != D3DMULTISAMPLE_NONE) {
      EXPECT_EQ(dev_->CreateRenderTarget(d.Width, d.Height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, false, &resolve),
                D3D_OK);
      EXPECT_EQ(dev_->StretchRect(back.get(), nullptr, resolve.get(), nullptr, D3DTEXF_LINEAR), D3D_OK);
      source = resolve.get();
    }
    EXPECT_EQ(dev_->CreateOffscreenPlainSurface(d.Width, d.Height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys), D3D_OK);
    EXPECT_EQ(dev_->GetRenderTargetData(source, sys.get()), D3D_OK);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(sys->LockRect(&lr, nullptr, 0), D3D_OK);
    out.resize(size_t{d.Width} * d.Height);
    for (uint32_t y = 0; y < d.Height; ++y)
      std::memcpy(&out[y * d.Width], static_cast<uint8_t*>(lr.pBits) + size_t(y) * lr.Pitch, d.Width * 4);
    sys->UnlockRect();
    return out;
  }
  uint32_t At(const std::vector<uint32_t>& F, int X, int Y) const { return F[size_t(Y) * w_ + X]; }

  int w_ = 0, h_ = 0;
  std::shared_ptr<IDirect3D> d3d_;
  std::shared_ptr<IDevice> dev_;
  std::shared_ptr<IVertexBuffer> vb_;
  std::shared_ptr<IIndexBuffer> ib_;
};

TEST_F(GlDeviceTest, TexelAlignedQuadReadsBackTheTextureByteForByteWithEitherFilter) {
  constexpr int W = 37, H = 23;
  Make(W, H);
  std::vector<uint32_t> texels(W * H);
  std::mt19937 random(7);
  for (auto& t : texels) t = random();
  std::shared_ptr<ITexture> tex;
  ASSERT_EQ(dev_->CreateTexture(W, H, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
  for (int y = 0; y < H; ++y) std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &texels[y * W], W * 4);
  ASSERT_EQ(tex->UnlockRect(0), D3D_OK);

  FlatScreenSpace();
  dev_->SetTexture(0, tex);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  dev_->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
  for (uint32_t filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
    SCOPED_TRACE(filter);
    dev_->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
    dev_->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
    Draw(Rect(0, 0, W, H, 0xFFFFFFFF), kQuad);
    const auto frame = ReadBack();
    int differing = 0;
    for (size_t i = 0; i < frame.size(); ++i) differing += frame[i] != texels[i];
    EXPECT_EQ(differing, 0);
  }
}

TEST_F(GlDeviceTest, ChangedRectangleAloneIsUploaded) {
  Make(8, 8);
  std::shared_ptr<ITexture> tex;
  ASSERT_EQ(dev_->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD), D3D_OK);
  for (int i = 0; i < 64; ++i) static_cast<uint32_t*>(lr.pBits)[i] = 0xFFFF0000;
  tex->UnlockRect(0);
  const RECT dirty{2, 3, 5, 7};
  ASSERT_EQ(tex->LockRect(0, &lr, &dirty, 0), D3D_OK);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = 0xFF00FF00;
  tex->UnlockRect(0);
  const RECT outside{6, 6, 9, 8};
  EXPECT_EQ(tex->LockRect(0, &lr, &outside, 0), D3DERR_INVALIDCALL);

  FlatScreenSpace();
  dev_->SetTexture(0, tex);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);  // texture times white
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  Draw(Rect(0, 0, 8, 8, 0xFFFFFFFF), kQuad);
  const auto f = ReadBack();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool in = x >= 2 && x < 5 && y >= 3 && y < 7;
      ASSERT_EQ(At(f, x, y), in ? 0xFF00FF00u : 0xFFFF0000u) << x << "," << y;
    }
}

TEST_F(GlDeviceTest, FourSampleFrameResolvesAndReadsBack) {
  Make(16, 16, D3DMULTISAMPLE_4_SAMPLES);
  std::shared_ptr<ISurface> back, sys;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  ASSERT_EQ(dev_->CreateOffscreenPlainSurface(16, 16, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys), D3D_OK);
  EXPECT_EQ(dev_->GetRenderTargetData(back.get(), sys.get()), D3DERR_INVALIDCALL);  // resolve first

  FlatScreenSpace();
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  // The lower-left half, cut by the diagonal through the frame.
  Draw({{-0.5f, -0.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
        {15.5f, 15.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0},
        {-0.5f, 15.5f, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0}},
       {0, 1, 2});
  const auto f = ReadBack();
  EXPECT_EQ(At(f, 2, 12), 0xFFFFFFFFu);
  EXPECT_EQ(At(f, 12, 2), 0xFF000000u);
  // Pixels on the diagonal are partly covered: grey, neither black nor white.
  const uint32_t edge = At(f, 8, 8) & 0xFF;
  EXPECT_GT(edge, 0x20u);
  EXPECT_LT(edge, 0xE0u);
}

TEST_F(GlDeviceTest, StencilInvertPassFillsASquareWithAHoleEvenOdd) {
  Make(32, 32);
  FlatScreenSpace();
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  // Two contours as fans: the outer square and the hole inside it.
  auto square = [](float L, float T, float R, float B) {
    return std::vector<Vertex>{{L, T, 0, 0, 0, 1, 0, 0, 0}, {R, T, 0, 0, 0, 1, 0, 0, 0},
                               {R, B, 0, 0, 0, 1, 0, 0, 0}, {L, B, 0, 0, 0, 1, 0, 0, 0}};
  };
  std::vector<Vertex> fan = square(4, 4, 28, 28);
  const auto hole = square(12, 12, 20, 20);
  fan.insert(fan.end(), hole.begin(), hole.end());
  const std::vector<uint16_t> fanIndices = {0, 2, 1, 0, 3, 2, 4, 6, 5, 4, 7, 6};

  dev_->SetRenderState(D3DRS_STENCILENABLE, 1);
  dev_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 0, 0);
  dev_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  dev_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INVERT);
  dev_->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
  dev_->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
  dev_->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  dev_->SetRenderState(D3DRS_ZWRITEENABLE, 0);
  Draw(fan, fanIndices);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xFFFFFFFF);
  EXPECT_EQ(ReadBack()[16 * 32 + 8], 0xFF000000u);  // the fan wrote no colour

  dev_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
  dev_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  dev_->SetRenderState(D3DRS_ZWRITEENABLE, 1);
  Draw(Rect(0, 0, 32, 32, 0xFF00FF00), kQuad, 36 * 8, 2 * 12, D3DLOCK_NOOVERWRITE);
  dev_->SetRenderState(D3DRS_STENCILENABLE, 0);

  const auto f = ReadBack();
  EXPECT_EQ(At(f, 6, 6), 0xFF00FF00u);    // inside the outer contour only
  EXPECT_EQ(At(f, 16, 25), 0xFF00FF00u);
  EXPECT_EQ(At(f, 16, 16), 0xFF000000u);  // inside both: the hole
  EXPECT_EQ(At(f, 2, 2), 0xFF000000u);    // outside
  EXPECT_EQ(At(f, 30, 16), 0xFF000000u);
}

TEST_F(GlDeviceTest, ClearWritesColourAndDepthWhateverTheWriteMasks) {
  Make(8, 8);
  FlatScreenSpace();
  dev_->SetRenderState(D3DRS_ZENABLE, 1);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  dev_->SetRenderState(D3DRS_ZWRITEENABLE, 0);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 0.0f, 0), D3D_OK);
  EXPECT_EQ(ReadBack()[0], 0xFF0000FFu);

  // Depth 0 everywhere: a quad at depth 0.5 fails the test.
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  Draw(Rect(0, 0, 8, 8, 0xFFFF0000, 0.5f), kQuad);
  EXPECT_EQ(ReadBack()[27], 0xFF0000FFu);
  // Depth 1 again, still with depth writes off: now it passes.
  dev_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  Draw(Rect(0, 0, 8, 8, 0xFFFF0000, 0.5f), kQuad);
  EXPECT_EQ(ReadBack()[27], 0xFFFF0000u);
  uint32_t v = 1;
  dev_->GetRenderState(D3DRS_ZWRITEENABLE, &v);
  EXPECT_EQ(v, 0u);
}

TEST_F(GlDeviceTest, RecordedStateBlockLeavesLiveStateAloneAndReproducesItsStates) {
  Make(16, 16);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1, 0);
  const D3DMATRIX p = ScreenProjection(16, 16);
  dev_->SetTransform(D3DTS_PROJECTION, &p);
  dev_->SetRenderState(D3DRS_ZENABLE, 0);
  // Clockwise on screen (front facing) on the left, counter-clockwise on the right.
  const std::vector<Vertex> tris = {
      {0, 0, 0, 0, 0, -1, 0xFF00FF00, 0, 0}, {7, 0, 0, 0, 0, -1, 0xFF00FF00, 0, 0},
      {0, 15, 0, 0, 0, -1, 0xFF00FF00, 0, 0}, {9, 0, 0, 0, 0, -1, 0xFF00FF00, 0, 0},
      {9, 15, 0, 0, 0, -1, 0xFF00FF00, 0, 0}, {15, 0, 0, 0, 0, -1, 0xFF00FF00, 0, 0}};
  const std::vector<uint16_t> idx = {0, 1, 2, 3, 4, 5};

  ASSERT_EQ(dev_->BeginStateBlock(), D3D_OK);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->SetRenderState(D3DRS_LIGHTING, 0);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  dev_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  std::shared_ptr<IStateBlock> block;
  ASSERT_EQ(dev_->EndStateBlock(&block), D3D_OK);
  ASSERT_TRUE(block);

  uint32_t v = 0;
  dev_->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, uint32_t{D3DCULL_CCW});
  dev_->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, uint32_t{D3DTEXF_POINT});
  // Initial state: lit with no lights (black, alpha from the vertex colour), counter-clockwise culled.
  Draw(tris, idx);
  auto f = ReadBack();
  EXPECT_EQ(At(f, 2, 4), 0xFF000000u);
  EXPECT_EQ(At(f, 11, 4), 0xFF0000FFu);

  ASSERT_EQ(block->Apply(), D3D_OK);
  dev_->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, uint32_t{D3DCULL_NONE});
  dev_->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
  EXPECT_EQ(v, uint32_t{D3DTEXF_LINEAR});
  Draw(tris, idx);
  f = ReadBack();
  EXPECT_EQ(At(f, 2, 4), 0xFF00FF00u);
  EXPECT_EQ(At(f, 11, 4), 0xFF00FF00u);
}

TEST_F(GlDeviceTest, LightsStayInWorldSpaceWhenTheViewChanges) {
  Make(16, 16);
  D3DMATRIX ortho;  // 2 x 2 units onto the frame, depth -1..1 onto 0..1
  ortho.m[2][2] = 0.5f;
  ortho.m[3][2] = 0.5f;
  dev_->SetTransform(D3DTS_PROJECTION, &ortho);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  dev_->SetRenderState(D3DRS_ZENABLE, 0);
  D3DMATERIAL9 m;
  m.Diffuse = {1, 0, 0, 1};
  dev_->SetMaterial(&m);
  D3DLIGHT9 l;
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1, 1, 1, 1};
  l.Direction = {1, 0, 0};  // travels along +x, so it lights faces turned to -x
  dev_->SetLight(0, &l);
  dev_->LightEnable(0, true);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  // A square in the plane x = 0 facing -x: edge-on to the first view.
  const std::vector<Vertex> wall = {{0, -1, -1, -1, 0, 0, 0, 0, 0}, {0, 1, -1, -1, 0, 0, 0, 0, 0},
                                    {0, 1, 1, -1, 0, 0, 0, 0, 0}, {0, -1, 1, -1, 0, 0, 0, 0, 0}};
  Draw(wall, kQuad);
  // Turn the view so the wall faces the camera: x goes to z, z to -x.
  D3DMATRIX view;
  view.m[0][0] = 0;
  view.m[0][2] = 1;
  view.m[2][0] = -1;
  view.m[2][2] = 0;
  dev_->SetTransform(D3DTS_VIEW, &view);
  Draw(wall, kQuad);
  EXPECT_EQ(ReadBack()[8 * 16 + 8], 0xFFFF0000u);
}

TEST_F(GlDeviceTest, SeparateAlphaBlendingLeavesPremultipliedPixels) {
  Make(4, 4);
  FlatScreenSpace();
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1, 0);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dev_->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, 1);
  dev_->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
  dev_->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_INVSRCALPHA);
  Draw(Rect(0, 0, 4, 4, 0x8000FF00), kQuad);
  const uint32_t px = ReadBack()[5];
  EXPECT_EQ(px >> 24, 0x80u);
  EXPECT_NEAR(static_cast<int>((px >> 8) & 0xFF), 0x80, 1);
  EXPECT_EQ(px & 0x00FF00FFu, 0u);
}

TEST_F(GlDeviceTest, RingAppendsWithNoOverwriteAndRestartsWithDiscard) {
  Make(12, 4);
  FlatScreenSpace();
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  Draw(Rect(0, 0, 4, 4, 0xFFFF0000), kQuad, 0, 0, D3DLOCK_NOOVERWRITE);
  Draw(Rect(4, 0, 8, 4, 0xFF00FF00), kQuad, 4 * 36, 12, D3DLOCK_NOOVERWRITE);
  Draw(Rect(8, 0, 12, 4, 0xFF0000FF), kQuad, 0, 0, D3DLOCK_DISCARD);
  const auto f = ReadBack();
  EXPECT_EQ(At(f, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(At(f, 5, 2), 0xFF00FF00u);
  EXPECT_EQ(At(f, 10, 3), 0xFF0000FFu);

  void* p = nullptr;
  EXPECT_EQ(vb_->Lock(36 * 63, 37, &p, 0), D3DERR_INVALIDCALL);  // one byte past the end
  ASSERT_EQ(vb_->Lock(36 * 63, 0, &p, 0), D3D_OK);              // size 0: to the end
  EXPECT_EQ(vb_->Lock(0, 4, &p, 0), D3DERR_INVALIDCALL);         // already locked
  EXPECT_EQ(vb_->Unlock(), D3D_OK);
  EXPECT_EQ(vb_->Unlock(), D3DERR_INVALIDCALL);
}

TEST_F(GlDeviceTest, PlainResetWaitsForDefaultPoolResourcesAndBothResetsRestoreInitialState) {
  Make(8, 8, D3DMULTISAMPLE_NONE, Availability::Plain);
  EXPECT_FALSE(d3d_->IsEx());
  dev_->SetRenderState(D3DRS_LIGHTING, 0);
  D3DPRESENT_PARAMETERS p = Params(20, 10, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(dev_->Reset(&p), D3DERR_INVALIDCALL);  // the buffers are still held
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(dev_->Present(nullptr, nullptr, 0, nullptr), D3DERR_DEVICELOST);
  vb_.reset();
  ib_.reset();
  ASSERT_EQ(dev_->Reset(&p), D3D_OK);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(dev_->Present(nullptr, nullptr, 0, nullptr), D3D_OK);
  uint32_t v = 0;
  dev_->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, 1u);
  std::shared_ptr<ISurface> back;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  D3DSURFACE_DESC d;
  back->GetDesc(&d);
  EXPECT_EQ(d.Width, 20u);
  EXPECT_EQ(d.Height, 10u);
  EXPECT_EQ(dev_->Reset(&p), D3DERR_INVALIDCALL);  // the back buffer is held now
  back.reset();

  std::shared_ptr<ITexture> tex;
  ASSERT_EQ(dev_->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
  dev_->SetRenderState(D3DRS_ZENABLE, 0);
  EXPECT_EQ(dev_->ResetEx(&p, nullptr), D3D_OK);  // keeps the texture
  dev_->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, uint32_t{D3DZB_TRUE});
  D3DLOCKED_RECT lr;
  EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
  tex->UnlockRect(0);
}

TEST_F(GlDeviceTest, ProcessObjectReportsWhatDevicesCanDo) {
  Make(4, 4);
  EXPECT_TRUE(d3d_->IsEx());
  D3DCAPS9 caps;
  ASSERT_EQ(d3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, true, D3DMULTISAMPLE_2_SAMPLES,
                                             nullptr),
            D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, true,
                                             static_cast<D3DMULTISAMPLE_TYPE>(64), nullptr),
            D3DERR_NOTAVAILABLE);
  std::shared_ptr<ITexture> tex;
  EXPECT_EQ(dev_->CreateTexture(caps.MaxTextureWidth + 1, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex),
            D3DERR_INVALIDCALL);
  EXPECT_FALSE(tex);
  D3DPRESENT_PARAMETERS empty = Params(0, 0, D3DMULTISAMPLE_NONE);
  std::shared_ptr<IDevice> none;
  EXPECT_TRUE(Failed(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, 0, 0, &empty, &none)));
  EXPECT_FALSE(none);
  EXPECT_FALSE(OpenGlDirect3D(Availability::Absent).Loaded());
  EXPECT_FALSE(OpenGlDirect3D(Availability::Plain).Create9Ex);
}

TEST_F(GlDeviceTest, TextureMatrixOffsetsFromTheThirdRowAndFlatShadingFromTheFirstVertex) {
  Make(8, 4);
  std::shared_ptr<ITexture> tex;
  ASSERT_EQ(dev_->CreateTexture(2, 1, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
  static_cast<uint32_t*>(lr.pBits)[0] = 0xFFFF0000;  // left texel red, right one green
  static_cast<uint32_t*>(lr.pBits)[1] = 0xFF00FF00;
  tex->UnlockRect(0);
  FlatScreenSpace();
  dev_->SetTexture(0, tex);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  Draw(Rect(0, 0, 8, 4, 0xFFFFFFFF), kQuad);
  auto f = ReadBack();
  EXPECT_EQ(At(f, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(At(f, 6, 1), 0xFF00FF00u);

  // u' = u / 2 + 1/2: the whole quad shows the right half of the texture.
  D3DMATRIX m;
  m.m[0][0] = 0.5f;
  m.m[2][0] = 0.5f;
  dev_->SetTransform(D3DTS_TEXTURE0, &m);
  dev_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  Draw(Rect(0, 0, 8, 4, 0xFFFFFFFF), kQuad);
  f = ReadBack();
  EXPECT_EQ(At(f, 1, 1), 0xFF00FF00u);
  EXPECT_EQ(At(f, 6, 1), 0xFF00FF00u);
  dev_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  Draw(Rect(0, 0, 8, 4, 0xFFFFFFFF), kQuad);
  EXPECT_EQ(At(ReadBack(), 1, 1), 0xFFFF0000u);

  // The stage reads only the diffuse colour now; flat shading takes the first vertex's.
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  dev_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  Draw({{-0.5f, -0.5f, 0, 0, 0, -1, 0xFF0000FF, 0, 0},
        {7.5f, -0.5f, 0, 0, 0, -1, 0xFFFF0000, 0, 0},
        {-0.5f, 3.5f, 0, 0, 0, -1, 0xFF00FF00, 0, 0}},
       {0, 1, 2});
  f = ReadBack();
  EXPECT_EQ(At(f, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(At(f, 5, 0), 0xFF0000FFu);
  EXPECT_EQ(At(f, 0, 2), 0xFF0000FFu);
}

TEST_F(GlDeviceTest, OffScreenTargetWithItsOwnDepthBufferTakesTheDrawing) {
  Make(6, 6);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1, 0);
  std::shared_ptr<ISurface> target, depth, sys;
  ASSERT_EQ(dev_->CreateRenderTarget(6, 6, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, false, &target), D3D_OK);
  ASSERT_EQ(dev_->CreateDepthStencilSurface(6, 6, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, true, &depth), D3D_OK);
  ASSERT_EQ(dev_->SetRenderTarget(0, target), D3D_OK);
  ASSERT_EQ(dev_->SetDepthStencilSurface(depth), D3D_OK);
  ASSERT_EQ(dev_->CreateOffscreenPlainSurface(6, 6, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys), D3D_OK);
  FlatScreenSpace();
  dev_->SetRenderState(D3DRS_ZENABLE, 1);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101010, 1, 0), D3D_OK);
  Draw(Rect(1, 1, 3, 3, 0xFFFF0000, 0.25f), kQuad);
  Draw(Rect(0, 0, 6, 6, 0xFF00FF00, 0.75f), kQuad, 36 * 4, 12, D3DLOCK_NOOVERWRITE);  // behind the red one
  ASSERT_EQ(dev_->GetRenderTargetData(target.get(), sys.get()), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(sys->LockRect(&lr, nullptr, 0), D3D_OK);
  const auto* px = static_cast<const uint32_t*>(lr.pBits);
  EXPECT_EQ(px[1 * 6 + 1], 0xFFFF0000u);
  EXPECT_EQ(px[2 * 6 + 2], 0xFFFF0000u);
  EXPECT_EQ(px[3 * 6 + 3], 0xFF00FF00u);
  EXPECT_EQ(px[0], 0xFF00FF00u);
  sys->UnlockRect();
  EXPECT_EQ(ReadBack()[0], 0xFF123456u);  // the back buffer kept its clear colour
  EXPECT_EQ(dev_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1, 0), D3DERR_INVALIDCALL);
}

TEST_F(GlDeviceTest, SpecularLightShowsOnlyWithSpecularEnabled) {
  Make(8, 8);
  D3DMATRIX ortho;
  ortho.m[2][2] = 0.5f;
  ortho.m[3][2] = 0.5f;
  dev_->SetTransform(D3DTS_PROJECTION, &ortho);
  dev_->SetRenderState(D3DRS_ZENABLE, 0);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  D3DMATERIAL9 m;
  m.Diffuse = {0, 0, 0, 1};
  m.Specular = {1, 1, 1, 1};
  dev_->SetMaterial(&m);
  D3DLIGHT9 l;
  l.Diffuse = l.Specular = {1, 1, 1, 1};
  l.Direction = {0, 0, 1};  // straight into the screen, onto the quad facing the viewer
  dev_->SetLight(0, &l);
  dev_->LightEnable(0, true);
  const std::vector<Vertex> quad = {{-1, -1, 0, 0, 0, -1, 0, 0, 0}, {1, -1, 0, 0, 0, -1, 0, 0, 0},
                                    {1, 1, 0, 0, 0, -1, 0, 0, 0}, {-1, 1, 0, 0, 0, -1, 0, 0, 0}};
  Draw(quad, kQuad);
  EXPECT_EQ(ReadBack()[4 * 8 + 4], 0xFF000000u);  // specular off by default: black
  dev_->SetRenderState(D3DRS_SPECULARENABLE, 1);
  Draw(quad, kQuad);
  EXPECT_EQ(ReadBack()[4 * 8 + 4], 0xFFFFFFFFu);
}

}  // namespace

TEST_F(GlDeviceTest, ScissoredClearsAndDrawsStayInTheRectangleWhichReadsBackAlone) {
  constexpr int W = 24, H = 16;
  Make(W, H);
  FlatScreenSpace();
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1, 0), D3D_OK);
  RECT r{0, 0, 0, 0};
  ASSERT_EQ(dev_->GetScissorRect(&r), D3D_OK);
  EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}), std::vector<int>({0, 0, W, H}));
  const RECT part{5, 3, 13, 9};
  ASSERT_EQ(dev_->SetScissorRect(&part), D3D_OK);
  // Set but not switched on, the rectangle holds nothing back.
  Draw(Rect(0, 0, W, H, 0xFF00FF00), kQuad);
  EXPECT_EQ(ReadBack()[0], 0xFF00FF00u);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
  dev_->SetRenderState(D3DRS_SCISSORTESTENABLE, 1);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0), D3D_OK);
  // A quad over the whole target, drawn on the rectangle's lower half only.
  const RECT lower{5, 6, 13, 9};
  ASSERT_EQ(dev_->SetScissorRect(&lower), D3D_OK);
  Draw(Rect(0, 0, W, H, 0xFF00FF00), kQuad, 0, 0, D3DLOCK_DISCARD);
  const auto f = ReadBack();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool inPart = x >= 5 && x < 13 && y >= 3 && y < 9;
      const uint32_t want = !inPart ? 0xFF0000FFu : y >= 6 ? 0xFF00FF00u : 0xFFFF0000u;
      ASSERT_EQ(At(f, x, y), want) << x << "," << y;
    }

  // The rectangle reads back alone, rows from the top, into pixels with their own pitch.
  const RECT read{4, 5, 14, 7};
  std::vector<uint32_t> bits(12 * 2, 0x12345678u);
  std::shared_ptr<ISurface> back;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  ASSERT_EQ(dev_->GetRenderTargetRect(back.get(), &read, bits.data(), 12 * 4), D3D_OK);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 12; ++x) {
      const uint32_t want = x >= 10 ? 0x12345678u : At(f, read.left + x, read.top + y);
      ASSERT_EQ(bits[static_cast<size_t>(y) * 12 + static_cast<size_t>(x)], want) << x << "," << y;
    }
  const RECT outside{20, 10, 25, 12};
  EXPECT_EQ(dev_->GetRenderTargetRect(back.get(), &outside, bits.data(), 12 * 4), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->GetRenderTargetRect(back.get(), &read, bits.data(), 4), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->SetScissorRect(&outside), D3DERR_INVALIDCALL);

  // A new render target brings the rectangle back to the whole of it.
  ASSERT_EQ(dev_->SetRenderTarget(0, back), D3D_OK);
  ASSERT_EQ(dev_->GetScissorRect(&r), D3D_OK);
  EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}), std::vector<int>({0, 0, W, H}));
}

TEST_F(GlDeviceTest, AMultisampledPartResolvesAloneWhateverTheScissor) {
  Make(16, 16, D3DMULTISAMPLE_4_SAMPLES);
  FlatScreenSpace();
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  Draw(Rect(0, 0, 16, 16, 0xFFFFFFFF), kQuad);
  const RECT part{2, 2, 6, 6};
  dev_->SetScissorRect(&part);
  dev_->SetRenderState(D3DRS_SCISSORTESTENABLE, 1);
  std::shared_ptr<ISurface> back, resolve;
  dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  ASSERT_EQ(dev_->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, false, &resolve), D3D_OK);
  std::vector<uint32_t> bits(16, 0);
  const RECT read{8, 8, 12, 12};
  EXPECT_EQ(dev_->GetRenderTargetRect(back.get(), &read, bits.data(), 16), D3DERR_INVALIDCALL);  // resolve first
  // The copy is not held to the scissor rectangle (it lies elsewhere).
  ASSERT_EQ(dev_->StretchRect(back.get(), &read, resolve.get(), &read, D3DTEXF_LINEAR), D3D_OK);
  ASSERT_EQ(dev_->GetRenderTargetRect(resolve.get(), &read, bits.data(), 16), D3D_OK);
  for (uint32_t p : bits) EXPECT_EQ(p, 0xFFFFFFFFu);
}

// The start-up check probes the machine three times: each probe makes and lets go of a real
// context, and a device's context current before is current after.
TEST(GlProbe, AProbeFailsWithAReasonWhereThereIsNoOpenGl) {
  std::string why;
  if (GlAvailable(&why)) GTEST_SKIP() << "OpenGL is there";
  EXPECT_FALSE(ProbeOpenGlContext(&why));
  EXPECT_FALSE(why.empty());
}

// Whether this process has an OpenGL driver (a DRI driver, or the compiler library a software
// driver brings) mapped.
bool DriverMapped() {
  std::ifstream maps("/proc/self/maps");
  const std::string text((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
  return text.find("_dri.so") != std::string::npos || text.find("libLLVM") != std::string::npos;
}

// Probes in a process of their own answer as probes here do, one result each, and leave
// nothing of the driver in this process.
TEST(GlProbeProcess, AnswersAsProbesHereAndLeavesNoDriverBehind) {
  const bool mappedBefore = DriverMapped();
  std::vector<bool> answers;
  {
    TOpenGlProbeProcess probes(3);
    for (int i = 0; i < 4; ++i) answers.push_back(probes.Next());
  }
  if (!mappedBefore) {
    EXPECT_FALSE(DriverMapped());
  }
  const bool here = ProbeOpenGlContext();
  EXPECT_EQ((std::vector<bool>{here, here, here, false}), answers) << "the fourth is past the count";
  TOpenGlProbeProcess none(0);
  EXPECT_FALSE(none.Next());
}

TEST_F(GlDeviceTest, ProbesInBetweenLeaveTheDevicesContextCurrent) {
  std::string why;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(ProbeOpenGlContext(&why)) << why;
  Make(8, 8);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699u, 1, 0), D3D_OK);
  EXPECT_TRUE(ProbeOpenGlContext());
  // The device still draws where it drew: its context came back.
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00u, 1, 0), D3D_OK);
  EXPECT_EQ(0xFF00FF00u, At(ReadBack(), 3, 3));
}

}  // namespace gl_device_test
