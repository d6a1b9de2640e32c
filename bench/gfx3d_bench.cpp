// One 1024 x 768 frame of the 3D device as a window shows its 2D content: upload the changed
// rectangle of the content picture into its texture, draw it as one screen-space quad, read
// the frame back into a 32-bit buffer. Whole picture changed, and a tenth of it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/gfx3d/GlDevice.h"

using namespace gfx3d;

namespace {

constexpr uint32_t W = 1024, H = 768;

struct Vertex {
  float x, y, z, nx, ny, nz;
  uint32_t color;
  float u, v;
};

void Frame(benchmark::State& State, RECT Dirty) {
  std::string why;
  if (!GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  std::shared_ptr<IDirect3D> d3d;
  OpenGlDirect3D().Create9Ex(D3D_SDK_VERSION, &d3d);
  D3DPRESENT_PARAMETERS p;
  p.BackBufferWidth = W;
  p.BackBufferHeight = H;
  p.BackBufferFormat = D3DFMT_A8R8G8B8;
  p.EnableAutoDepthStencil = -1;
  p.AutoDepthStencilFormat = D3DFMT_D24S8;
  std::shared_ptr<IDevice> dev;
  std::shared_ptr<IVertexBuffer> vb;
  std::shared_ptr<IIndexBuffer> ib;
  std::shared_ptr<ITexture> tex;
  std::shared_ptr<ISurface> back, sys;
  if (Failed(d3d->CreateDeviceEx(0, D3DDEVTYPE_HAL, 0, 0, &p, nullptr, &dev)) ||
      Failed(dev->CreateVertexBuffer(36 * 4, 0x208, 0x152, D3DPOOL_DEFAULT, &vb)) ||
      Failed(dev->CreateIndexBuffer(12, 0x208, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib)) ||
      Failed(dev->CreateTexture(W, H, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &tex)) ||
      Failed(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) ||
      Failed(dev->CreateOffscreenPlainSurface(W, H, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys))) {
    State.SkipWithError("device set-up failed");
    return;
  }
  D3DMATRIX screen;
  screen.m[0][0] = 2.0f / W;
  screen.m[1][1] = -2.0f / H;
  screen.m[3][0] = -1;
  screen.m[3][1] = 1;
  dev->SetTransform(D3DTS_PROJECTION, &screen);
  dev->SetRenderState(D3DRS_LIGHTING, 0);
  dev->SetRenderState(D3DRS_ZENABLE, 0);
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dev->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, 1);
  dev->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
  dev->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_INVSRCALPHA);
  dev->SetTexture(0, tex);
  const float l = -0.5f, t = -0.5f, r = W - 0.5f, b = H - 0.5f;
  const Vertex quad[4] = {{l, t, 0, 0, 0, -1, 0xFFFFFFFF, 0, 0}, {r, t, 0, 0, 0, -1, 0xFFFFFFFF, 1, 0},
                          {r, b, 0, 0, 0, -1, 0xFFFFFFFF, 1, 1}, {l, b, 0, 0, 0, -1, 0xFFFFFFFF, 0, 1}};
  const uint16_t indices[6] = {0, 1, 3, 3, 1, 2};
  std::vector<uint32_t> picture(size_t{W} * H, 0x80406080u), frame(size_t{W} * H);
  uint32_t tick = 0;
  for (auto _ : State) {
    // The content changes inside the dirty rectangle only.
    ++tick;
    for (int32_t y = Dirty.top; y < Dirty.bottom; ++y) picture[size_t(y) * W + Dirty.left] = 0xFF000000u | tick;
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, &Dirty, 0);
    const size_t rowBytes = size_t(Dirty.right - Dirty.left) * 4;
    for (int32_t y = Dirty.top; y < Dirty.bottom; ++y)
      std::memcpy(static_cast<uint8_t*>(lr.pBits) + size_t(y - Dirty.top) * lr.Pitch, &picture[size_t(y) * W + Dirty.left],
                  rowBytes);
    tex->UnlockRect(0);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
    void* data = nullptr;
    vb->Lock(0, sizeof quad, &data, D3DLOCK_DISCARD);
    std::memcpy(data, quad, sizeof quad);
    vb->Unlock();
    ib->Lock(0, sizeof indices, &data, D3DLOCK_DISCARD);
    std::memcpy(data, indices, sizeof indices);
    ib->Unlock();
    dev->SetFVF(0x152);
    dev->SetStreamSource(0, vb, 0, 36);
    dev->SetIndices(ib);
    dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
    dev->GetRenderTargetData(back.get(), sys.get());
    sys->LockRect(&lr, nullptr, 0);
    std::memcpy(frame.data(), lr.pBits, frame.size() * 4);
    sys->UnlockRect();
    benchmark::DoNotOptimize(frame.data());
  }
  if (frame[size_t(Dirty.top) * W + Dirty.left] != (0xFF000000u | tick))
    State.SkipWithError("the frame does not show the last upload");
}

void BM_FrameFullUpload(benchmark::State& State) { Frame(State, RECT{0, 0, W, H}); }
// 324 x 243 pixels: 10.0 % of the frame.
void BM_FrameTenPercentUpload(benchmark::State& State) { Frame(State, RECT{350, 262, 350 + 324, 262 + 243}); }

}  // namespace

BENCHMARK(BM_FrameFullUpload)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameTenPercentUpload)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
