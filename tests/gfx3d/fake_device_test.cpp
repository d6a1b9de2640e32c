// The recording fake: what it logs and the results it is scripted to give.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cstring>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"

namespace fake_device_test {

using namespace gfx3d;
using ::testing::ElementsAre;

namespace {

class FakeDeviceTest : public ::testing::Test {
 protected:
  std::shared_ptr<IDevice> MakeDevice(Availability Mode = Availability::Ex) {
    auto entries = FakeDirect3D(recorder_, Mode);
    if (Mode == Availability::Ex) {
      EXPECT_EQ(entries.Create9Ex(D3D_SDK_VERSION, &d3d_), D3D_OK);
    } else {
      d3d_ = entries.Create9(D3D_SDK_VERSION);
    }
    EXPECT_TRUE(d3d_);
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = 640;
    p.BackBufferHeight = 480;
    p.BackBufferFormat = D3DFMT_A8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = 7;
    p.Windowed = -1;
    p.EnableAutoDepthStencil = -1;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    std::shared_ptr<IDevice> dev;
    EXPECT_EQ(d3d_->CreateDeviceEx(0, D3DDEVTYPE_HAL, 7, 0x46, &p, nullptr, &dev), Mode == Availability::Ex ? D3D_OK : D3DERR_NOTAVAILABLE);
    if (!dev) {
      EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, 7, 0x46, &p, &dev), D3D_OK);
    }
    return dev;
  }

  std::shared_ptr<FakeRecorder> recorder_ = std::make_shared<FakeRecorder>();
  std::shared_ptr<IDirect3D> d3d_;
};

TEST_F(FakeDeviceTest, LogsEveryCallWithItsArgumentsInOrder) {
  auto dev = MakeDevice();
  std::shared_ptr<IVertexBuffer> vb;
  std::shared_ptr<ITexture> tex;
  ASSERT_EQ(dev->CreateVertexBuffer(2359260, 0x208, 0x152, D3DPOOL_DEFAULT, &vb), D3D_OK);
  ASSERT_EQ(dev->CreateTexture(4, 2, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
  void* p = nullptr;
  ASSERT_EQ(vb->Lock(72, 36, &p, D3DLOCK_NOOVERWRITE), D3D_OK);
  vb->Unlock();
  dev->SetRenderState(D3DRS_ZENABLE, 1);
  dev->SetTexture(0, tex);
  dev->SetTexture(0, nullptr);
  dev->SetStreamSource(0, vb, 0, 36);
  dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 24, 6, 12);
  D3DMATRIX m;
  m.m[3][0] = 2.5f;
  dev->SetTransform(D3DTS_WORLD, &m);
  EXPECT_THAT(recorder_->Texts(),
              ElementsAre("Direct3DCreate9Ex(2147483680)",
                          "CreateDeviceEx(0,1,7,70,640 x 480,21,0,1,7,-1,-1,75,2147483648,null)",
                          "CreateVertexBuffer(2359260,520,338,0)", "CreateTexture(4,2,1,512,21,0)",
                          "VertexBuffer.Lock(vb1,72,36,4096)", "VertexBuffer.Unlock(vb1)", "SetRenderState(7,1)",
                          "SetTexture(0,tex1)", "SetTexture(0,null)", "SetStreamSource(0,vb1,0,36)",
                          "DrawIndexedPrimitive(4,2,0,24,6,12)",
                          "SetTransform(256,[1,0,0,0,0,1,0,0,0,0,1,0,2.5,0,0,1])"));
  EXPECT_EQ(recorder_->Count("SetTexture"), 2);
  EXPECT_THAT(recorder_->TextsOf({"SetRenderState", "DrawIndexedPrimitive"}),
              ElementsAre("SetRenderState(7,1)", "DrawIndexedPrimitive(4,2,0,24,6,12)"));
}

TEST_F(FakeDeviceTest, ScriptedCooperativeLevelResultsComeInOrderThenSuccess) {
  auto dev = MakeDevice();
  recorder_->Script("TestCooperativeLevel", {D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET});
  recorder_->Script("CheckDeviceState", {D3DERR_DEVICENOTRESET});
  EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(dev->CheckDeviceState(7), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(dev->CheckDeviceState(7), D3D_OK);
  EXPECT_EQ(recorder_->Count("TestCooperativeLevel"), 4);
}

TEST_F(FakeDeviceTest, ScriptedFailuresOfCreationsAndLocksLeaveNothingBehind) {
  auto dev = MakeDevice();
  recorder_->Script("CreateTexture", {D3DERR_OUTOFVIDEOMEMORY});
  recorder_->Script("VertexBuffer.Lock", {D3DERR_INVALIDCALL});
  recorder_->Script("Surface.LockRect", {D3DERR_INVALIDCALL});
  std::shared_ptr<ITexture> tex;
  EXPECT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_FALSE(tex);
  EXPECT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex), D3D_OK);
  EXPECT_TRUE(tex);
  EXPECT_EQ(dev->CreateTexture(16385, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex),
            D3DERR_INVALIDCALL);

  std::shared_ptr<IVertexBuffer> vb;
  ASSERT_EQ(dev->CreateVertexBuffer(100, 0, 0, D3DPOOL_DEFAULT, &vb), D3D_OK);
  void* p = nullptr;
  EXPECT_EQ(vb->Lock(0, 36, &p, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);  // the failed lock left it unlocked
  EXPECT_EQ(vb->Lock(64, 36, &p, 0), D3D_OK);
  std::memset(p, 0xAB, 36);                      // the memory is there (ASan would object)
  EXPECT_EQ(vb->Lock(0, 4, &p, 0), D3DERR_INVALIDCALL);
  vb->Unlock();
  EXPECT_EQ(vb->Lock(65, 36, &p, 0), D3DERR_INVALIDCALL);  // past the end

  std::shared_ptr<ISurface> sys;
  ASSERT_EQ(dev->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys), D3D_OK);
  D3DLOCKED_RECT lr;
  EXPECT_EQ(sys->LockRect(&lr, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(sys->LockRect(&lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 16);
  std::memset(lr.pBits, 0, 64);
  sys->UnlockRect();
}

TEST_F(FakeDeviceTest, StateBlocksKeepTheirCallsAndLeaveTheLiveStateAlone) {
  auto dev = MakeDevice();
  uint32_t v = 0;
  dev->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, 1u);  // on: there is an automatic depth buffer
  dev->GetTextureStageState(0, D3DTSS_COLOROP, &v);
  EXPECT_EQ(v, uint32_t{D3DTOP_MODULATE});

  ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
  EXPECT_EQ(dev->BeginStateBlock(), D3DERR_INVALIDCALL);
  dev->SetRenderState(D3DRS_ZENABLE, 0);
  dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  std::shared_ptr<IStateBlock> block;
  ASSERT_EQ(dev->EndStateBlock(&block), D3D_OK);
  dev->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, 1u);

  auto* fake = dynamic_cast<FakeStateBlock*>(block.get());
  ASSERT_TRUE(fake);
  ASSERT_EQ(fake->Recorded.size(), 2u);
  EXPECT_EQ(fake->Recorded[0].Text(), "SetRenderState(7,0)");
  EXPECT_EQ(fake->Recorded[1].Text(), "SetSamplerState(0,6,2)");
  recorder_->Clear();
  EXPECT_EQ(block->Apply(), D3D_OK);
  EXPECT_THAT(recorder_->Texts(), ElementsAre("StateBlock.Apply(" + fake->Label() + ")"));
  EXPECT_EQ(dev->EndStateBlock(&block), D3DERR_INVALIDCALL);
}

TEST_F(FakeDeviceTest, EntryPointsFollowTheLibraryThatIsThere) {
  EXPECT_FALSE(FakeDirect3D(recorder_, Availability::Absent).Loaded());
  auto plain = FakeDirect3D(recorder_, Availability::Plain);
  EXPECT_TRUE(plain.Create9);
  EXPECT_FALSE(plain.Create9Ex);

  auto ex = FakeDirect3D(recorder_, Availability::Ex);
  recorder_->Script("Direct3DCreate9Ex", {D3DERR_NOTAVAILABLE});
  recorder_->Script("Direct3DCreate9", {E_OUTOFMEMORY});
  std::shared_ptr<IDirect3D> object;
  EXPECT_EQ(ex.Create9Ex(D3D_SDK_VERSION, &object), D3DERR_NOTAVAILABLE);
  EXPECT_FALSE(object);
  EXPECT_FALSE(ex.Create9(D3D_SDK_VERSION));
  object = ex.Create9(D3D_SDK_VERSION);
  ASSERT_TRUE(object);
  EXPECT_FALSE(object->IsEx());

  // A plain object makes no devices through the extended method; the fallback works.
  auto dev = MakeDevice(Availability::Plain);
  ASSERT_TRUE(dev);
  EXPECT_EQ(recorder_->Count("CreateDeviceEx"), 1);
  EXPECT_EQ(recorder_->Count("CreateDevice"), 1);

  recorder_->MaxSamples = 2;
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, true, D3DMULTISAMPLE_2_SAMPLES, nullptr),
            D3D_OK);
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, true, D3DMULTISAMPLE_4_SAMPLES, nullptr),
            D3DERR_NOTAVAILABLE);
}

TEST_F(FakeDeviceTest, ResetGoesBackToTheInitialStateAndTheNewBackBufferSize) {
  auto dev = MakeDevice();
  dev->SetRenderState(D3DRS_LIGHTING, 0);
  D3DPRESENT_PARAMETERS p;
  p.BackBufferWidth = 32;
  p.BackBufferHeight = 16;
  recorder_->Script("Reset", {D3DERR_DEVICELOST});
  EXPECT_EQ(dev->Reset(&p), D3DERR_DEVICELOST);
  uint32_t v = 1;
  dev->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, 0u);  // a failed reset changes nothing
  ASSERT_EQ(dev->ResetEx(&p, nullptr), D3D_OK);
  dev->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, 1u);
  dev->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, 0u);  // no automatic depth buffer any more
  std::shared_ptr<ISurface> back;
  ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC d;
  back->GetDesc(&d);
  EXPECT_EQ(d.Width, 32u);
  EXPECT_EQ(d.Height, 16u);
  EXPECT_EQ(recorder_->Calls.back().Text(), "GetBackBuffer(0,0,0)");
}

}  // namespace

TEST_F(FakeDeviceTest, ScissorRectanglesAndRectangleReadBacksAreLoggedAndReadBacksFillTheRectangle) {
  auto dev = MakeDevice();
  RECT r;
  ASSERT_EQ(dev->GetScissorRect(&r), D3D_OK);
  EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}), std::vector<int>({0, 0, 640, 480}));
  const RECT part{5, 3, 13, 9};
  recorder_->Clear();
  ASSERT_EQ(dev->SetScissorRect(&part), D3D_OK);
  dev->GetScissorRect(&r);
  EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}), std::vector<int>({5, 3, 13, 9}));
  std::shared_ptr<ISurface> back;
  dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  recorder_->ReadBackPixel = 0xFF445566u;
  std::vector<uint32_t> bits(4 * 3, 0);
  const RECT read{10, 20, 12, 22};
  ASSERT_EQ(dev->GetRenderTargetRect(back.get(), &read, bits.data(), 16), D3D_OK);
  EXPECT_EQ(bits, (std::vector<uint32_t>{0xFF445566u, 0xFF445566u, 0, 0, 0xFF445566u, 0xFF445566u, 0, 0, 0, 0, 0, 0}));
  recorder_->Script("GetRenderTargetRect", {D3DERR_INVALIDCALL});
  EXPECT_EQ(dev->GetRenderTargetRect(back.get(), &read, bits.data(), 16), D3DERR_INVALIDCALL);
  EXPECT_THAT(recorder_->TextsOf({"SetScissorRect", "GetRenderTargetRect"}),
              ElementsAre("SetScissorRect([5 3 13 9])", "GetRenderTargetRect(backbuffer,[10 20 12 22],16)",
                          "GetRenderTargetRect(backbuffer,[10 20 12 22],16)"));
  // Recorded in a state block, the rectangle is the block's and the live one stays.
  dev->BeginStateBlock();
  const RECT other{0, 0, 1, 1};
  dev->SetScissorRect(&other);
  std::shared_ptr<IStateBlock> block;
  dev->EndStateBlock(&block);
  dev->GetScissorRect(&r);
  EXPECT_EQ(r.right, 13);
}

}  // namespace fake_device_test
