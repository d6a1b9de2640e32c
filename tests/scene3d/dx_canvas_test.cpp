// The Direct3D canvas against the recording fake device: device creation, frames, lost devices
// and resets, state blocks, the vertex and index rings, the draw operations and textures.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"
#include "scene3d/DxCanvas.h"

namespace dx_canvas_test {

using namespace dx;
using namespace gfx3d;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

class DxCanvasFake : public ::testing::Test {
protected:
  void SetUp() override { Start(Availability::Ex); }
  void TearDown() override { dxDirectXShutdown(); }
  void Start(Availability Mode) {
    rec_ = std::make_shared<FakeRecorder>();
    dxDirectXStartup(FakeDirect3D(rec_, Mode));
  }
  // A window canvas with its device made (a window canvas makes it when a frame first needs it).
  std::unique_ptr<TdxDirectXCanvas> Window(bool Buffered = true, TdxQuality Q = dxLowQuality, int W = 64, int H = 48) {
    auto c = std::make_unique<TdxDirectXCanvas>(WindowHandle{9}, W, H, Buffered, Q);
    c->DeviceNeeded();
    return c;
  }
  // What the canvas wrote into its vertex buffer from byte Offset on.
  static std::vector<TdxCanvasVertex> Written(TdxDirectXCanvas& C, std::uint32_t Offset, int Count) {
    void* p = nullptr;
    EXPECT_EQ(C.VertexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
    std::vector<TdxCanvasVertex> v(static_cast<size_t>(Count));
    std::memcpy(v.data(), static_cast<const char*>(p) + Offset, v.size() * sizeof(TdxCanvasVertex));
    C.VertexBuffer()->Unlock();
    return v;
  }
  static std::vector<std::uint16_t> WrittenIndices(TdxDirectXCanvas& C, std::uint32_t Offset, int Count) {
    void* p = nullptr;
    EXPECT_EQ(C.IndexBuffer()->Lock(0, 0, &p, 0), D3D_OK);
    std::vector<std::uint16_t> v(static_cast<size_t>(Count));
    std::memcpy(v.data(), static_cast<const char*>(p) + Offset, v.size() * 2);
    C.IndexBuffer()->Unlock();
    return v;
  }
  static std::unique_ptr<TdxMeshData> Mesh(size_t Vertices, size_t Indices) {
    auto m = std::make_unique<TdxMeshData>();
    m->Vertices().resize(Vertices);
    m->Indexes().assign(Indices, 0);
    return m;
  }

  std::shared_ptr<FakeRecorder> rec_;
};

TdxLight* MakeLight(TdxLightType Type, const TdxMatrix& M) {
  auto* l = new TdxLight;
  l->SetLightType(Type);
  l->SetAbsoluteMatrix(M);
  return l;
}

}  // namespace

TEST_F(DxCanvasFake, BeginSceneSetsTheFixedStatesThenTheLightsThenCameraSpace) {
  auto c = Window(true);
  const TdxMatrix m = {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {1, 2, 3, 1}}};
  std::unique_ptr<TdxLight> dir(MakeLight(dxLightDirectional, m)), point(MakeLight(dxLightPoint, m)),
      spot(MakeLight(dxLightSpot, m));
  c->SetLighting(true);
  c->SetAmbientColor(0xFF101010);
  c->AddLight(dir.get());
  c->AddLight(point.get());
  c->AddLight(spot.get());
  rec_->Clear();
  ASSERT_TRUE(c->BeginScene());
  const std::string white = "(1,1,1,1),(1,1,1,1),(0.411765,0.411765,0.411765,1),(1,2,3),(0,0,-1),100,";
  EXPECT_THAT(rec_->TextsOf({"CheckDeviceState", "BeginScene", "SetRenderState", "SetLight", "LightEnable",
                             "StateBlock.Apply"}),
              ElementsAre("CheckDeviceState(9)", "BeginScene()", "SetRenderState(52,0)", "SetRenderState(27,1)",
                          "SetRenderState(15,1)", "SetRenderState(25,7)", "SetRenderState(24,1)",
                          "SetRenderState(29,0)", "SetRenderState(141,1)", "SetRenderState(145,0)",
                          "SetRenderState(147,0)", "SetRenderState(146,0)", "SetRenderState(19,5)",
                          "SetRenderState(20,6)", "SetRenderState(206,1)", "SetRenderState(207,2)",
                          "SetRenderState(208,6)", "SetRenderState(136,1)", "SetRenderState(152,0)",
                          "SetRenderState(28,0)", "SetRenderState(9,1)", "SetRenderState(8,3)", "SetRenderState(22,3)",
                          "SetRenderState(143,1)", "SetRenderState(137,1)", "SetRenderState(139,4279242768)",
                          "SetLight(0,3," + white + "0,0,0,0,0,0)", "LightEnable(0,1)",
                          "SetLight(1,1," + white + "0,0,0.2,0,0,0)", "LightEnable(1,1)",
                          "SetLight(2,2," + white + "1,1,0,0,0.5,1)", "LightEnable(2,1)",
                          "StateBlock.Apply(block2)"));
  EXPECT_TRUE(c->RenderStateSet(rsCameraSpace));

  // Unbuffered and unlit: no separate alpha blending, lighting off, no lights.
  auto plain = Window(false);
  plain->SetLighting(false);
  plain->AddLight(dir.get());
  rec_->Clear();
  ASSERT_TRUE(plain->BeginScene());
  EXPECT_EQ(rec_->Count("SetLight"), 0);
  EXPECT_THAT(rec_->TextsOf({"SetRenderState"}), ::testing::Contains("SetRenderState(137,0)"));
  EXPECT_THAT(rec_->TextsOf({"SetRenderState"}), ::testing::Not(::testing::Contains("SetRenderState(206,1)")));
}

struct TMultisampleCase {
  TdxQuality Quality;
  uint32_t MaxSamples;
  bool TwoFails;  // the device offers 4 samples but not 2
  uint32_t Samples;
  bool Resolve;
};

class DxCanvasMultisample : public DxCanvasFake, public ::testing::WithParamInterface<TMultisampleCase> {};

TEST_P(DxCanvasMultisample, QualityAndSupportChooseSamplesAndResolveTarget) {
  const TMultisampleCase& t = GetParam();
  rec_->MaxSamples = t.MaxSamples;
  if (t.TwoFails) rec_->Script("CheckDeviceMultiSampleType", {D3DERR_NOTAVAILABLE});
  auto c = Window(true, t.Quality);
  EXPECT_EQ(c->PresentParameters().MultiSampleType, t.Samples);
  EXPECT_EQ(rec_->Count("CreateRenderTarget"), t.Resolve ? 1 : 0);
  // Changing the quality resets the device with the new choice.
  c->SetQuality(dxLowQuality);
  EXPECT_EQ(c->PresentParameters().MultiSampleType, D3DMULTISAMPLE_NONE);
}

INSTANTIATE_TEST_SUITE_P(Table, DxCanvasMultisample,
                         ::testing::Values(TMultisampleCase{dxLowQuality, 4, false, 0, false},
                                           TMultisampleCase{dxHighQuality, 2, false, 2, true},
                                           TMultisampleCase{dxHighQuality, 4, true, 0, true},
                                           TMultisampleCase{dxSuperHighQuality, 4, false, 4, true},
                                           TMultisampleCase{dxSuperHighQuality, 2, false, 2, true},
                                           TMultisampleCase{dxHighQuality, 0, false, 0, false}));

TEST_F(DxCanvasFake, DeviceCreationFlagsAndTheFallbackToThePlainMethod) {
  rec_->Caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  auto hw = Window();
  rec_->Caps.DevCaps = 0;
  auto sw = Window();
  EXPECT_THAT(rec_->TextsOf({"CreateDeviceEx"}),
              ElementsAre(::testing::HasSubstr(",70,64 x 48,21,0,1,9,-1,-1,75,2147483648,null)"),
                          ::testing::HasSubstr(",38,64 x 48,")));
  // The extended method fails once: this canvas and every later one use the plain method.
  rec_->Clear();
  rec_->Script("CreateDeviceEx", {D3DERR_NOTAVAILABLE});
  auto fallback = Window();
  auto later = Window();
  EXPECT_TRUE(fallback->HasDevice());
  EXPECT_EQ(rec_->Count("CreateDeviceEx"), 1);
  EXPECT_EQ(rec_->Count("CreateDevice"), 2);
  EXPECT_FALSE(dxDirectXExtended());
  rec_->Clear();
  later->BeginScene();
  EXPECT_EQ(rec_->Count("TestCooperativeLevel"), 1);
  EXPECT_EQ(rec_->Count("CheckDeviceState"), 0);
}

TEST_F(DxCanvasFake, LostDeviceSkipsFramesAndANotResetDeviceIsResetFirst) {
  Start(Availability::Plain);
  auto c = Window();
  TdxBitmap bmp(2, 2);
  c->UpdateBitmapHandle(&bmp);
  c->DrawLine({0, 0, 0, 1}, {1, 1, 1, 1}, 1);
  ASSERT_EQ(c->BitmapHandleCount(), 1);
  rec_->Script("TestCooperativeLevel", {D3DERR_DEVICELOST});
  EXPECT_FALSE(c->BeginScene());
  EXPECT_EQ(rec_->Count("BeginScene"), 0);

  rec_->Clear();
  rec_->Script("TestCooperativeLevel", {D3DERR_DEVICENOTRESET});
  EXPECT_TRUE(c->BeginScene());
  // The plain reset makes every default-pool resource anew.
  EXPECT_EQ(rec_->Count("Reset"), 1);
  EXPECT_EQ(rec_->Count("BeginStateBlock"), RenderStateCount);
  EXPECT_EQ(rec_->Count("CreateVertexBuffer"), 1);
  EXPECT_EQ(c->BitmapHandleCount(), 0);
  EXPECT_EQ(c->VertexPosition(), 0u);
  EXPECT_EQ(c->IndexPosition(), 0u);
  // The bitmap gets a new texture, with its pixels, at its next use.
  rec_->Clear();
  c->UpdateBitmapHandle(&bmp);
  EXPECT_EQ(rec_->Count("CreateTexture"), 1);
  EXPECT_EQ(rec_->Count("Texture.LockRect"), 1);

  // A reset that does not take: no frame.
  rec_->Script("TestCooperativeLevel", {D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET});
  EXPECT_FALSE(c->BeginScene());
  // The device cannot begin the frame: reported as well.
  rec_->Script("BeginScene", {D3DERR_INVALIDCALL});
  EXPECT_FALSE(c->BeginScene());
}

TEST_F(DxCanvasFake, ExtendedResetKeepsTexturesAndRecordsOnlyTheSpaceBlocksAgain) {
  auto c = Window();
  TdxBitmap bmp(2, 2);
  c->UpdateBitmapHandle(&bmp);
  c->DrawLine({0, 0, 0, 1}, {1, 1, 1, 1}, 1);
  rec_->Clear();
  c->ResizeBuffer(100, 80);
  EXPECT_THAT(rec_->TextsOf({"ResetEx", "BeginStateBlock", "Reset"}),
              ElementsAre(::testing::StartsWith("ResetEx(100 x 80,"), "BeginStateBlock()", "BeginStateBlock()"));
  // Screen space of the new size: the block of code 0 holds the new screen matrix.
  const auto transforms = rec_->TextsOf({"SetTransform"});
  ASSERT_EQ(transforms.size(), 6u);
  char first[32];
  std::snprintf(first, sizeof first, "%g", static_cast<double>(c->GetScreenMatrix().M[0][0]));
  EXPECT_EQ(transforms[3].rfind(std::string("SetTransform(3,[") + first + ",", 0), 0u) << transforms[3];
  EXPECT_NE(c->GetScreenMatrix().M[0][0], Window()->GetScreenMatrix().M[0][0]);
  EXPECT_EQ(c->BitmapHandleCount(), 1);
  EXPECT_EQ(c->VertexPosition(), 72u);
  // The same size again resets nothing.
  rec_->Clear();
  c->ResizeBuffer(100, 80);
  EXPECT_EQ(rec_->Count("ResetEx"), 0);
}

TEST_F(DxCanvasFake, WithoutDeviceNothingIsDrawnButTheBackBufferWorks) {
  Start(Availability::Absent);
  auto c = Window(true);
  EXPECT_FALSE(c->HasDevice());
  EXPECT_FALSE(c->BeginScene());
  c->Clear(0xFF00FF00);
  c->DrawLine({0, 0, 0, 1}, {1, 1, 1, 1}, 1);
  c->EndScene();
  c->ResizeBuffer(20, 10);
  EXPECT_TRUE(c->HasBuffer());
  EXPECT_EQ(c->MeasureText(u"Hi").X, 0);
  EXPECT_TRUE(rec_->Calls.empty());
  // A bitmap used meanwhile and freed after the canvas finds no canvas on its list.
  auto bmp = std::make_unique<TdxBitmap>(3, 3);
  c->UpdateBitmapHandle(bmp.get());
  c.reset();
  EXPECT_TRUE(bmp->Canvases().empty());
}

TEST_F(DxCanvasFake, RenderStateBlocksHoldTheirStatesAndSpaceCodesSetTheView) {
  auto c = Window();
  // The calls of each recorded block, in code order.
  std::vector<std::vector<std::string>> blocks;
  for (const auto& call : rec_->TextsOf({"BeginStateBlock", "SetRenderState", "SetSamplerState",
                                         "SetTextureStageState", "SetTransform"}))
    if (call == "BeginStateBlock()")
      blocks.emplace_back();
    else
      blocks.back().push_back(call);
  ASSERT_EQ(blocks.size(), 22u);
  EXPECT_THAT(blocks[4], ElementsAre("SetRenderState(7,1)", "SetRenderState(23,4)"));
  EXPECT_THAT(blocks[10], ElementsAre("SetRenderState(22,1)"));
  EXPECT_THAT(blocks[11], ElementsAre("SetRenderState(19,5)", "SetRenderState(20,2)"));
  EXPECT_THAT(blocks[13], ElementsAre("SetSamplerState(0,7,2)", "SetSamplerState(0,6,1)", "SetSamplerState(0,5,1)"));
  EXPECT_THAT(blocks[15], ElementsAre("SetTextureStageState(0,1,3)", "SetTextureStageState(0,2,0)",
                                      "SetTextureStageState(0,3,0)", "SetTextureStageState(0,4,3)",
                                      "SetTextureStageState(0,5,0)", "SetTextureStageState(0,6,0)"));
  EXPECT_THAT(blocks[17], ElementsAre("SetTextureStageState(0,1,4)", "SetTextureStageState(0,2,2)",
                                      "SetTextureStageState(0,3,0)", "SetTextureStageState(0,4,4)",
                                      "SetTextureStageState(0,5,2)", "SetTextureStageState(0,6,0)"));
  EXPECT_THAT(blocks[18], ElementsAre("SetRenderState(8,2)"));
  EXPECT_THAT(blocks[21], ElementsAre("SetRenderState(9,2)"));
  // Both space blocks set projection, world and view.
  EXPECT_EQ(blocks[0].size(), 3u);
  EXPECT_EQ(blocks[1][0].rfind("SetTransform(3,", 0), 0u);

  struct TCam final : IdxCamera {
    TdxMatrix CameraAbsoluteMatrix() const override { return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -20, 0, 1}}}; }
    bool CameraTarget(TdxVector&) const override { return false; }
  } cam;
  c->SetCamera(&cam);
  rec_->Clear();
  c->SetRenderState(rsCameraSpace);
  c->SetRenderState(rsCameraSpace);
  c->SetRenderState(rsScreenSpace);
  EXPECT_THAT(rec_->TextsOf({"StateBlock.Apply"}), ElementsAre("StateBlock.Apply(block2)", "StateBlock.Apply(block1)"));
  const auto views = rec_->TextsOf({"SetTransform"});
  ASSERT_EQ(views.size(), 2u);
  // The camera's view first (its eye 20 back along Y), then the identity of screen space.
  EXPECT_NE(views[0].find(",-20,1])"), std::string::npos) << views[0];
  EXPECT_EQ(views[1], "SetTransform(2,[1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1])");
  D3DMATRIX live;
  c->Device()->GetTransform(D3DTS_VIEW, &live);
  EXPECT_EQ(live.m[3][2], 0);
}

TEST_F(DxCanvasFake, RingsNoOverwriteUpToCapacityAndDiscardOneByteBeyondEachOnItsOwn) {
  auto c = Window();
  c->DrawLine({0, 0, 0, 1}, {1, 1, 1, 1}, 1);  // 72 vertex bytes, 4 index bytes
  rec_->Clear();
  // 72 + 65,533 x 36 ends exactly at the vertex capacity.
  c->FillMesh({}, {1, 1, 1, 1}, *Mesh(65533, 3), 1);
  c->FillMesh({}, {1, 1, 1, 1}, *Mesh(1, 3), 1);
  EXPECT_THAT(rec_->TextsOf({"VertexBuffer.Lock", "IndexBuffer.Lock", "DrawIndexedPrimitive"}),
              ElementsAre("VertexBuffer.Lock(vb1,72,2359188,4096)", "IndexBuffer.Lock(ib1,4,6,4096)",
                          "DrawIndexedPrimitive(4,2,0,65533,2,1)", "VertexBuffer.Lock(vb1,0,36,8192)",
                          "IndexBuffer.Lock(ib1,10,6,4096)", "DrawIndexedPrimitive(4,0,0,1,5,1)"));
  EXPECT_EQ(c->VertexPosition(), 36u);

  // The index ring alone: 131,070 indices from 0 fill it exactly, two more start it again.
  auto d = Window();
  rec_->Clear();
  d->FillMesh({}, {1, 1, 1, 1}, *Mesh(3, 131070), 1);
  d->FillMesh({}, {1, 1, 1, 1}, *Mesh(3, 3), 1);
  EXPECT_THAT(rec_->TextsOf({"IndexBuffer.Lock", "VertexBuffer.Lock"}),
              ElementsAre("VertexBuffer.Lock(vb2,0,108,4096)", "IndexBuffer.Lock(ib2,0,262140,4096)",
                          "VertexBuffer.Lock(vb2,108,108,4096)", "IndexBuffer.Lock(ib2,0,6,8192)"));
}

TEST_F(DxCanvasFake, MeshesOutsideTheLimitsOrWithForeignIndicesDrawNothing) {
  auto c = Window();
  rec_->Clear();
  c->FillMesh({}, {1, 1, 1, 1}, *Mesh(65536, 3), 1);
  c->FillMesh({}, {1, 1, 1, 1}, *Mesh(3, 131073), 1);
  c->FillMesh({}, {1, 1, 1, 1}, *Mesh(0, 3), 1);
  auto bad = Mesh(3, 3);
  bad->Indexes()[2] = 3;
  c->FillMesh({}, {1, 1, 1, 1}, *bad, 1);
  c->FillTriangles(std::vector<TdxCanvasVertex>(3), {0, 1, 5}, 1);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 0);
  c->FillMesh({}, {1, 1, 1, 1}, *Mesh(65535, 3), 1);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 1);
}

TEST_F(DxCanvasFake, DrawLineAndDrawCubeWriteTheirVerticesAndIndices) {
  auto c = Window();
  c->Material().SetDiffuseColor(0xFF336699);
  rec_->Clear();
  c->DrawLine({1, 2, 3, 1}, {4, 5, 6, 1}, 0.5f);
  EXPECT_THAT(Written(*c, 0, 2), ElementsAre(dxCanvasVertex(1, 2, 3, 0, 0, 0, 0x7F336699, 0, 0),
                                             dxCanvasVertex(4, 5, 6, 0, 0, 0, 0x7F336699, 1, 1)));
  EXPECT_THAT(WrittenIndices(*c, 0, 2), ElementsAre(0, 1));
  EXPECT_THAT(rec_->TextsOf({"SetFVF", "SetIndices", "SetStreamSource", "DrawIndexedPrimitive"}),
              ElementsAre("SetFVF(338)", "SetIndices(ib1)", "SetStreamSource(0,vb1,0,36)",
                          "DrawIndexedPrimitive(2,0,0,2,0,1)"));

  rec_->Clear();
  c->DrawCube({0, 0, 0, 1}, {2, 4, 6, 1}, 2);
  EXPECT_EQ(rec_->Count("DrawIndexedPrimitive"), 12);
  EXPECT_EQ(c->VertexPosition(), 13u * 72);
  // First edge (min, min, max) to (max, min, max); last (max, max, min) to (max, max, max).
  const auto first = Written(*c, 72, 2), last = Written(*c, 12 * 72, 2);
  EXPECT_EQ(first[0].X, -1);
  EXPECT_EQ(first[0].Y, -2);
  EXPECT_EQ(first[0].Z, 3);
  EXPECT_EQ(first[1].X, 1);
  EXPECT_EQ(first[1].Color, 0xFF336699u);
  EXPECT_EQ(last[0].X, 1);
  EXPECT_EQ(last[0].Y, 2);
  EXPECT_EQ(last[0].Z, -3);
  EXPECT_EQ(last[1].Z, 3);
}

TEST_F(DxCanvasFake, FillCubeWritesSixFacesWithAreaLongOutwardNormals) {
  auto c = Window();
  c->DrawLine({}, {}, 1);
  rec_->Clear();
  c->FillCube({0, 0, 0, 1}, {2, 3, 4, 1}, 1);
  EXPECT_THAT(rec_->TextsOf({"DrawIndexedPrimitive"}), ElementsAre("DrawIndexedPrimitive(4,2,0,24,2,12)"));
  EXPECT_EQ(c->VertexPosition(), 72u + 864);
  EXPECT_EQ(c->IndexPosition(), 4u + 72);
  const auto v = Written(*c, 72, 24);
  const auto normal = [&](int Face) { return TdxPoint3D{v[4 * Face].NX, v[4 * Face].NY, v[4 * Face].NZ}; };
  EXPECT_EQ(normal(0), (TdxPoint3D{0, -8, 0}));
  EXPECT_EQ(normal(1), (TdxPoint3D{12, 0, 0}));
  EXPECT_EQ(normal(2), (TdxPoint3D{-12, 0, 0}));
  EXPECT_EQ(normal(3), (TdxPoint3D{0, 8, 0}));
  EXPECT_EQ(normal(4), (TdxPoint3D{0, 0, 6}));
  EXPECT_EQ(normal(5), (TdxPoint3D{0, 0, -6}));
  // Face 0 runs (min,min,max) (max,min,max) (max,min,min) (min,min,min) with U, V round the square.
  EXPECT_EQ(v[0], dxCanvasVertex(-1, -1.5f, 2, 0, -8, 0, 0xFF707070, 0, 0));
  EXPECT_EQ(v[2], dxCanvasVertex(1, -1.5f, -2, 0, -8, 0, 0xFF707070, 1, 1));
  EXPECT_EQ(v[3].TU, 0);
  EXPECT_EQ(v[3].TV, 1);
  const auto idx = WrittenIndices(*c, 4, 36);
  EXPECT_THAT(std::vector<std::uint16_t>(idx.begin(), idx.begin() + 6), ElementsAre(0, 1, 3, 3, 1, 2));
  EXPECT_THAT(std::vector<std::uint16_t>(idx.end() - 6, idx.end()), ElementsAre(20, 21, 23, 23, 21, 22));
}

TEST_F(DxCanvasFake, FillMeshScalesMovesAndSnapsToPixelsInScreenSpace) {
  auto c = Window();
  TdxMeshData m;
  m.Vertices() = {dxMeshVertex(5.35f, -1.6f, 0.25f, 0, 0, 1, 0.25f, 0.75f), dxMeshVertex(0, 0, 0, 0, 0, 1, 0, 0),
                  dxMeshVertex(1, 0, 0, 0, 0, 1, 1, 0)};
  m.Indexes() = {0, 1, 2};
  c->SetRenderState(rsCameraSpace);
  c->FillMesh({0, 0, 1, 1}, {2, 2, 2, 1}, m, 1);
  EXPECT_EQ(Written(*c, 0, 1)[0], dxCanvasVertex(10.7f, -3.2f, 1.5f, 0, 0, 1, 0xFF707070, 0.25f, 0.75f));
  c->SetRenderState(rsScreenSpace);
  c->FillMesh({0, 0, 1, 1}, {2, 2, 2, 1}, m, 0.5f);
  EXPECT_EQ(Written(*c, 108, 1)[0], dxCanvasVertex(9.5f, -3.5f, 1.5f, 0, 0, 1, 0x7F707070, 0.25f, 0.75f));
}

TEST_F(DxCanvasFake, MaterialsSendTheirColourTextureTransformAndStates) {
  auto c = Window();
  rec_->Clear();
  c->SetMaterial(TdxMaterial());
  EXPECT_THAT(rec_->TextsOf({"SetMaterial", "SetTextureStageState", "SetTexture", "StateBlock.Apply"}),
              ElementsAre("SetMaterial((0.439216,0.439216,0.439216,1),(0.439216,0.439216,0.439216,1),(1,1,1,1),"
                          "(0,0,0,0),0)",
                          "SetTextureStageState(0,24,0)", "StateBlock.Apply(block16)", "StateBlock.Apply(block22)",
                          "StateBlock.Apply(block20)", "StateBlock.Apply(block3)"));

  TdxBitmap bmp(200, 100);
  TdxMaterial textured;
  textured.SetTexture(&bmp);
  textured.SetBitmapMode(dxTexReplace);
  textured.SetShadeMode(dxFlat);
  textured.SetFillMode(dxWireframe);
  textured.SetLighting(false);
  textured.BitmapRect()->SetLeft(10);
  textured.BitmapRect()->SetTop(20);
  textured.BitmapRect()->SetRight(110);
  textured.BitmapRect()->SetBottom(70);
  textured.SetBitmapTileX(2);
  rec_->Clear();
  c->SetMaterial(textured);
  EXPECT_THAT(rec_->TextsOf({"SetTextureStageState", "SetTransform", "SetTexture", "StateBlock.Apply"}),
              ElementsAre("SetTextureStageState(0,24,2)",
                          "SetTransform(16,[0.5,0,0,0,0,0.5,0,0,0.05,0.2,1,0,0,0,0,1])", "StateBlock.Apply(block17)",
                          "SetTexture(0,tex1)", "StateBlock.Apply(block21)", "StateBlock.Apply(block19)",
                          "StateBlock.Apply(block4)"));

  // Tile factors alone.
  textured.BitmapRect()->Assign(TdxMaterial().BitmapRect());
  textured.SetBitmapTileY(3);
  rec_->Clear();
  c->SetMaterial(textured);
  EXPECT_THAT(rec_->TextsOf({"SetTransform"}), ElementsAre("SetTransform(16,[2,0,0,0,0,3,0,0,0,0,1,0,0,0,0,1])"));

  // No texture: diffuse only, the bound texture stays bound.
  rec_->Clear();
  c->SetMaterial(TdxMaterial());
  EXPECT_EQ(rec_->Count("SetTexture"), 0);
  EXPECT_THAT(rec_->TextsOf({"StateBlock.Apply"}), ::testing::Contains("StateBlock.Apply(block16)"));
}

TEST_F(DxCanvasFake, TexturesAreMadeOnceAndUploadedRowByRowOnlyWhenChanged) {
  auto c = Window();
  TdxBitmap empty;
  empty.SetNeedUpdate(true);
  c->UpdateBitmapHandle(&empty);
  EXPECT_FALSE(empty.NeedUpdate());
  EXPECT_EQ(rec_->Count("CreateTexture"), 0);

  auto bmp = std::make_unique<TdxBitmap>(3, 2);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(bmp->Map(bits, true));
  for (int i = 0; i < 6; ++i) bits[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x111111);
  bmp->Unmap();
  rec_->Clear();
  c->UpdateBitmapHandle(bmp.get());
  c->UpdateBitmapHandle(bmp.get());
  EXPECT_THAT(rec_->TextsOf({"CreateTexture", "Texture.LockRect"}),
              ElementsAre("CreateTexture(3,2,1,512,21,0)", "Texture.LockRect(tex1,0,null,8192)"));
  auto tex = std::static_pointer_cast<ITexture>(c->GetBitmapHandle(bmp.get()));
  ASSERT_TRUE(tex);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(tex->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(std::memcmp(locked.pBits, bmp->Bits(), 24), 0);
  tex->UnlockRect(0);
  tex.reset();

  ASSERT_TRUE(bmp->Map(bits, true));
  bmp->Unmap();
  rec_->Clear();
  c->UpdateBitmapHandle(bmp.get());
  EXPECT_EQ(rec_->Count("Texture.LockRect"), 1);
  EXPECT_EQ(rec_->Count("CreateTexture"), 0);
  bmp.reset();
  EXPECT_EQ(c->BitmapHandleCount(), 0);
}

TEST_F(DxCanvasFake, OffscreenFramesLandInTheBitmapWithoutPresentAndFollowItsSize) {
  TdxBitmap target(8, 4);
  TdxDirectXCanvas c(target);
  ASSERT_TRUE(c.HasDevice());
  EXPECT_THAT(rec_->TextsOf({"CreateDevice", "CreateRenderTarget", "CreateDepthStencilSurface", "SetRenderTarget"}),
              ElementsAre(::testing::HasSubstr("8 x 4,21,0,1,0,"), "CreateRenderTarget(8,4,21,0,0,0)",
                          "CreateDepthStencilSurface(8,4,75,0,0,1)", "SetRenderTarget(0,surf1)"));
  ASSERT_TRUE(c.BeginScene());
  c.EndScene();
  EXPECT_EQ(rec_->Count("Present") + rec_->Count("PresentEx"), 0);
  EXPECT_THAT(rec_->TextsOf({"GetRenderTargetData", "GetRenderTargetRect"}),
              ElementsAre("GetRenderTargetRect(surf1,[0 0 8 4],32)"));
  EXPECT_TRUE(target.NeedUpdate());

  // The bitmap grows: the next frame is made and read back in the new size.
  target.SetSize(16, 10);
  rec_->Clear();
  ASSERT_TRUE(c.BeginScene());
  c.EndScene();
  EXPECT_EQ(c.Width(), 16);
  EXPECT_THAT(rec_->TextsOf({"CreateRenderTarget", "CreateOffscreenPlainSurface", "GetRenderTargetRect"}),
              ElementsAre("CreateRenderTarget(16,10,21,0,0,0)", "GetRenderTargetRect(surf3,[0 0 16 10],64)"));
  // It shrinks behind the canvas's back: the copy keeps within both.
  target.SetSize(2, 2);
  std::vector<std::uint32_t> bits(16 * 10);
  c.CopyToBitmap(bits.data());
  c.EndScene();
}

TEST_F(DxCanvasFake, WindowFramesArePresentedAndReadBackThroughTheResolveTarget) {
  auto c = Window(true, dxHighQuality, 4, 2);
  rec_->Clear();
  ASSERT_TRUE(c->BeginScene());
  c->Clear(0xFF112233);
  c->EndScene();
  EXPECT_THAT(rec_->TextsOf({"Clear", "EndScene", "PresentEx", "GetBackBuffer", "StretchRect", "GetRenderTargetData",
                             "GetRenderTargetRect", "Surface.LockRect"}),
              ElementsAre("Clear(0,null,3,4279312947,1,0)", "EndScene()", "PresentEx(null,null,0,null,0)",
                          "GetBackBuffer(0,0,0)", "StretchRect(backbuffer,null,surf1,null,2)",
                          "GetRenderTargetRect(surf1,[0 0 4 2],16)"));
  // A part of the frame is resolved and read back alone, into the same pixels of the buffer.
  rec_->ReadBackPixel = 0xFF445566u;
  c->SetFrameRect({1, 0, 3, 1});
  rec_->Clear();
  ASSERT_TRUE(c->BeginScene());
  c->Clear(0xFF112233);
  c->EndScene();
  EXPECT_THAT(rec_->TextsOf({"SetScissorRect", "StretchRect", "GetRenderTargetRect"}),
              ElementsAre("SetScissorRect([1 0 3 1])", "StretchRect(backbuffer,[1 0 3 1],surf1,[1 0 3 1],2)",
                          "GetRenderTargetRect(surf1,[1 0 3 1],16)"));
  EXPECT_EQ(std::vector<std::uint32_t>(c->Buffer(), c->Buffer() + 8),
            (std::vector<std::uint32_t>{0, 0xFF445566u, 0xFF445566u, 0, 0, 0, 0, 0}));
  // An unbuffered canvas reads back on demand, without a surface of its own.
  auto plain = Window(false, dxLowQuality, 4, 2);
  rec_->Clear();
  std::vector<std::uint32_t> bits(8);
  plain->CopyToBitmap(bits.data());
  EXPECT_THAT(rec_->TextsOf({"CreateOffscreenPlainSurface", "GetRenderTargetData", "GetRenderTargetRect"}),
              ElementsAre("GetRenderTargetRect(backbuffer,[0 0 4 2],16)"));
  EXPECT_EQ(bits, std::vector<std::uint32_t>(8, 0xFF445566u));
}

TEST_F(DxCanvasFake, APartChangedAloneGoesUpAloneAndAWholeChangeStaysWhole) {
  auto c = Window();
  auto bmp = std::make_unique<TdxBitmap>(4, 3);
  c->UpdateBitmapHandle(bmp.get());  // the texture, uploaded whole
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(bmp->Map(bits, true));
  bits[1 * 4 + 2] = 0xFF112233u;
  bits[2 * 4 + 3] = 0xFF445566u;
  bmp->UnmapRect(2, 1, 3, 2);
  ASSERT_TRUE(bmp->Map(bits, true));
  bmp->UnmapRect(3, 2, 9, 9);  // joins the first part, clipped to the bitmap
  int l, t, r, b;
  ASSERT_TRUE(bmp->PendingRect(l, t, r, b));
  EXPECT_EQ(std::vector<int>({l, t, r, b}), std::vector<int>({2, 1, 4, 3}));
  rec_->Clear();
  c->UpdateBitmapHandle(bmp.get());
  EXPECT_THAT(rec_->TextsOf({"Texture.LockRect"}), ElementsAre("Texture.LockRect(tex1,0,[2 1 4 3],0)"));
  EXPECT_FALSE(bmp->NeedUpdate());
  EXPECT_FALSE(bmp->PendingRect(l, t, r, b));
  auto tex = std::static_pointer_cast<ITexture>(c->GetBitmapHandle(bmp.get()));
  D3DLOCKED_RECT locked;
  ASSERT_EQ(tex->LockRect(0, &locked, nullptr, 0), D3D_OK);
  const auto* texels = static_cast<const std::uint32_t*>(locked.pBits);
  EXPECT_EQ(texels[1 * 4 + 2], 0xFF112233u);
  EXPECT_EQ(texels[2 * 4 + 3], 0xFF445566u);
  tex->UnlockRect(0);
  tex.reset();

  // A whole change waiting is not narrowed by a part.
  ASSERT_TRUE(bmp->Map(bits, true));
  bmp->Unmap();
  ASSERT_TRUE(bmp->Map(bits, true));
  bmp->UnmapRect(0, 0, 1, 1);
  EXPECT_FALSE(bmp->PendingRect(l, t, r, b));
  rec_->Clear();
  c->UpdateBitmapHandle(bmp.get());
  EXPECT_THAT(rec_->TextsOf({"Texture.LockRect"}), ElementsAre("Texture.LockRect(tex1,0,null,8192)"));
}

TEST_F(DxCanvasFake, ALargeUploadGoesUpInBandsWithEveryColourStraightenedByItsAlpha) {
  auto c = Window();
  // Every colour under every alpha: column c, row a (the colour held at the alpha, as
  // premultiplied pixels are, and beyond it in blue).
  auto bmp = std::make_unique<TdxBitmap>(256, 256);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(bmp->Map(bits, true));
  for (std::uint32_t a = 0; a < 256; ++a)
    for (std::uint32_t col = 0; col < 256; ++col)
      bits[a * 256 + col] = (a << 24) | (std::min(col, a) << 16) | (std::min(col, a) << 8) | col;
  bmp->Unmap();
  rec_->Clear();
  c->UpdateBitmapHandle(bmp.get());
  EXPECT_THAT(rec_->TextsOf({"Texture.LockRect"}),
              ElementsAre("Texture.LockRect(tex1,0,[0 0 256 64],0)", "Texture.LockRect(tex1,0,[0 64 256 128],0)",
                          "Texture.LockRect(tex1,0,[0 128 256 192],0)", "Texture.LockRect(tex1,0,[0 192 256 256],0)"));
  auto tex = std::static_pointer_cast<ITexture>(c->GetBitmapHandle(bmp.get()));
  D3DLOCKED_RECT locked;
  ASSERT_EQ(tex->LockRect(0, &locked, nullptr, 0), D3D_OK);
  const auto* texels = static_cast<const std::uint32_t*>(locked.pBits);
  auto straight = [](std::uint32_t C, std::uint32_t A) { return std::min<std::uint32_t>(255, (C * 255 + A / 2) / A); };
  for (std::uint32_t a = 0; a < 256; ++a)
    for (std::uint32_t col = 0; col < 256; ++col) {
      const std::uint32_t p = bits[a * 256 + col];
      std::uint32_t want = 0;
      if (a == 255)
        want = p;
      else if (a > 0)
        want = (a << 24) | (straight((p >> 16) & 0xFF, a) << 16) | (straight((p >> 8) & 0xFF, a) << 8) |
               straight(p & 0xFF, a);
      ASSERT_EQ(texels[a * 256 + col], want) << "alpha " << a << " colour " << col;
    }
  tex->UnlockRect(0);
}

}  // namespace dx_canvas_test
