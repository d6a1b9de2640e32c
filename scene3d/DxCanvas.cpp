#include "scene3d/DxCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "scene3d/FilterGdiPlus.h"

namespace dx {

using namespace gfx3d;

// ---- the process object -----------------------------------------------------------------------

namespace {

struct TDirect3DLibrary {
  Direct3DEntries Entries;
  std::shared_ptr<IDirect3D> Object;
  bool Extended = false;
};

TDirect3DLibrary& Library() {
  static TDirect3DLibrary library;
  return library;
}

D3DMATRIX ToDevice(const TdxMatrix& M) {
  D3DMATRIX d;
  std::memcpy(d.m, M.M, sizeof d.m);
  return d;
}

D3DCOLORVALUE ToDevice(const TdxColorRGBA& C) { return {C.R, C.G, C.B, C.A}; }

D3DVECTOR ToDevice(const TdxVector& V) { return {V.X, V.Y, V.Z}; }

}  // namespace

void dxDirectXStartup(const Direct3DEntries& Entries) {
  TDirect3DLibrary& lib = Library();
  lib.Entries = Entries;
  lib.Object.reset();
  lib.Extended = false;
  DefaultFilterClass = TdxFilterClassOf<TdxFilterGdiPlus>::Instance();
  DefaultCanvasClass = TdxCanvasClassOf<TdxDirectXCanvas>::Instance();
  if (lib.Entries.Create9Ex) {
    lib.Entries.Create9Ex(D3D_SDK_VERSION, &lib.Object);
    lib.Extended = lib.Object != nullptr;
    if (!lib.Object) {
      lib.Entries.Create9Ex = nullptr;
      if (lib.Entries.Create9) lib.Object = lib.Entries.Create9(D3D_SDK_VERSION);
    }
  } else if (lib.Entries.Create9) {
    lib.Object = lib.Entries.Create9(D3D_SDK_VERSION);
  }
}

void dxDirectXShutdown() {
  TDirect3DLibrary& lib = Library();
  lib.Object.reset();
  lib.Entries = {};
  lib.Extended = false;
}

bool dxDirectXExtended() { return Library().Extended; }

// ---- construction -----------------------------------------------------------------------------

rtl::TClass TdxDirectXCanvas::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxDirectXCanvas>().Build();
  return &info;
}

TdxDirectXCanvas::TdxDirectXCanvas(WindowHandle Window, int AWidth, int AHeight, bool ABuffered, TdxQuality AQuality)
    : TdxCanvas(Window, AWidth, AHeight, ABuffered, AQuality), rasterizer_(&dxFreeTypeRasterizer()) {}

bool TdxDirectXCanvas::DeviceNeeded() {
  if (!device_ && !deviceTried_ && !Bitmap()) {
    // Once: a device that cannot be made is not tried again at every frame.
    deviceTried_ = true;
    CreateDevice(false);
  }
  return device_ != nullptr;
}

TdxDirectXCanvas::TdxDirectXCanvas(TdxBitmap& Target) : TdxCanvas(Target), rasterizer_(&dxFreeTypeRasterizer()) {
  deviceTried_ = true;
  CreateDevice(true);
}

TdxDirectXCanvas::~TdxDirectXCanvas() {
  // The atlases first: their bitmaps take their textures with them.
  fonts_.clear();
  ReleaseBitmaps();
}

std::uint32_t TdxDirectXCanvas::BehaviourFlags() const {
  D3DCAPS9 caps;
  Library().Object->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
  std::uint32_t flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
    flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    if (caps.DevCaps & D3DDEVCAPS_PUREDEVICE) flags |= D3DCREATE_PUREDEVICE;
  }
  return flags | D3DCREATE_MULTITHREADED | D3DCREATE_FPU_PRESERVE;
}

D3DPRESENT_PARAMETERS TdxDirectXCanvas::MakeParams(bool OffScreen) const {
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferWidth = static_cast<std::uint32_t>(Width());
  p.BackBufferHeight = static_cast<std::uint32_t>(Height());
  p.BackBufferFormat = D3DFMT_A8R8G8B8;
  p.BackBufferCount = 0;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = OffScreen ? 0 : Window();
  p.Windowed = -1;
  p.EnableAutoDepthStencil = -1;
  p.AutoDepthStencilFormat = D3DFMT_D24S8;
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  if (!OffScreen) {
    if (Quality() == dxSuperHighQuality && supports4_)
      p.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    else if ((Quality() == dxHighQuality || Quality() == dxSuperHighQuality) && supports2_)
      p.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
  }
  return p;
}

bool TdxDirectXCanvas::WantsResolve() const {
  return !Bitmap() && (Quality() == dxHighQuality || Quality() == dxSuperHighQuality) && (supports2_ || supports4_);
}

void TdxDirectXCanvas::CreateDevice(bool OffScreen) {
  TDirect3DLibrary& lib = Library();
  if (!lib.Object) return;
  const std::uint32_t flags = BehaviourFlags();
  if (OffScreen) {
    params_ = MakeParams(true);
    if (Failed(lib.Object->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, 0, flags, &params_, &device_)))
      device_.reset();
    if (!device_) return;
    MakeOffscreenTargets();
  } else {
    supports2_ = Succeeded(lib.Object->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8,
                                                                  true, D3DMULTISAMPLE_2_SAMPLES, nullptr));
    supports4_ = Succeeded(lib.Object->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8,
                                                                  true, D3DMULTISAMPLE_4_SAMPLES, nullptr));
    params_ = MakeParams(false);
    if (lib.Extended) {
      if (Failed(lib.Object->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window(), flags, &params_, nullptr,
                                            &device_)))
        device_.reset();
      // A process whose extended device fails keeps to the plain methods from now on.
      if (!device_) lib.Extended = false;
    }
    if (!device_ &&
        Failed(lib.Object->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Window(), flags, &params_, &device_)))
      device_.reset();
    if (!device_) return;
  }
  if (Buffered()) MakeResolve();
  MakeRings();
  RecordAll();
  wholeNext_ = true;
}

void TdxDirectXCanvas::MakeOffscreenTargets() {
  const auto w = static_cast<std::uint32_t>(Width()), h = static_cast<std::uint32_t>(Height());
  device_->CreateRenderTarget(w, h, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, false, &offTarget_);
  device_->CreateDepthStencilSurface(w, h, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, true, &offDepth_);
  if (offTarget_) device_->SetRenderTarget(0, offTarget_);
  if (offDepth_) device_->SetDepthStencilSurface(offDepth_);
}

void TdxDirectXCanvas::MakeResolve() {
  const auto w = static_cast<std::uint32_t>(Width()), h = static_cast<std::uint32_t>(Height());
  if (WantsResolve()) device_->CreateRenderTarget(w, h, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, false, &resolve_);
}

void TdxDirectXCanvas::MakeRings() {
  constexpr std::uint32_t usage = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;
  device_->CreateVertexBuffer(VertexBufferBytes, usage, CanvasFVF, D3DPOOL_DEFAULT, &vertexBuffer_);
  device_->CreateIndexBuffer(IndexBufferBytes, usage, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indexBuffer_);
  vertexPos_ = indexPos_ = 0;
}

void TdxDirectXCanvas::RecordAll() {
  for (int code = 0; code < RenderStateCount; ++code) RecordState(static_cast<TdxRenderState>(code));
}

// ---- size, quality and reset --------------------------------------------------------------------

void TdxDirectXCanvas::SetQuality(TdxQuality Value) {
  TdxCanvas::SetQuality(Value);
  ResetDevice();
}

void TdxDirectXCanvas::ResizeBuffer(int AWidth, int AHeight) {
  const int w = Width(), h = Height();
  TdxCanvas::ResizeBuffer(AWidth, AHeight);
  if (Width() != w || Height() != h) ResetDevice();
}

void TdxDirectXCanvas::ResetDevice() {
  if (!device_) return;
  const bool offScreen = Bitmap() != nullptr;
  if (Buffered()) resolve_.reset();
  // The back buffer comes back undrawn: the next frame draws all of it.
  wholeNext_ = true;
  scissorOn_ = false;
  // The off-screen target has the canvas's size; it goes before any reset and comes back in the
  // new size.
  if (offScreen) {
    offTarget_.reset();
    offDepth_.reset();
  }
  if (dxDirectXExtended()) {
    params_ = MakeParams(offScreen);
    device_->ResetEx(&params_, nullptr);
    // Their blocks hold projections worked out from the size.
    RecordState(rsCameraSpace);
    RecordState(rsScreenSpace);
  } else {
    // Default-pool resources do not survive a plain reset: textures, rings and blocks go first
    // and are made anew (a texture at its bitmap's next use).
    ClearBitmapHandles();
    indexBuffer_.reset();
    vertexBuffer_.reset();
    vertexPos_ = indexPos_ = 0;
    for (auto& block : blocks_) block.reset();
    params_ = MakeParams(offScreen);
    device_->Reset(&params_);
  }
  if (offScreen) MakeOffscreenTargets();
  if (Buffered()) MakeResolve();
  if (!dxDirectXExtended()) {
    MakeRings();
    RecordAll();
  }
}

void TdxDirectXCanvas::FreeBuffer() {
  for (auto& block : blocks_) block.reset();
  resolve_.reset();
  offTarget_.reset();
  offDepth_.reset();
  indexBuffer_.reset();
  vertexBuffer_.reset();
  vertexPos_ = indexPos_ = 0;
  device_.reset();
  TdxCanvas::FreeBuffer();
}

// ---- frames -------------------------------------------------------------------------------------

bool TdxDirectXCanvas::BeginScene() {
  if (!DeviceNeeded()) return false;
  const auto test = [this] {
    return dxDirectXExtended() ? device_->CheckDeviceState(Window()) : device_->TestCooperativeLevel();
  };
  const HRESULT r = test();
  if (r == D3DERR_DEVICELOST) return false;
  if (r == D3DERR_DEVICENOTRESET) {
    ResetDevice();
    if (Failed(test())) return false;
  }
  // An off-screen canvas follows its bitmap's size.
  if (TdxBitmap* target = Bitmap();
      target && target->Width() > 0 && target->Height() > 0 &&
      (target->Width() != Width() || target->Height() != Height()))
    ResizeBuffer(target->Width(), target->Height());
  if (Failed(device_->BeginScene())) return false;
  IDevice& d = *device_;
  // A frame after a reset draws the whole target, whatever part was asked for.
  if (std::exchange(wholeNext_, false)) SetFrameRect({});
  if (PartFrame()) {
    const RECT r = FrameRect();
    d.SetScissorRect(&r);
  }
  if (PartFrame() || scissorOn_) {
    scissorOn_ = PartFrame();
    d.SetRenderState(D3DRS_SCISSORTESTENABLE, scissorOn_ ? 1 : 0);
  }
  if (!vertexBuffer_ || !indexBuffer_) return true;

  d.SetRenderState(D3DRS_STENCILENABLE, 0);
  d.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
  d.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  d.SetRenderState(D3DRS_ALPHAREF, 1);
  d.SetRenderState(D3DRS_SPECULARENABLE, 0);
  d.SetRenderState(D3DRS_COLORVERTEX, 1);
  d.SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  d.SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
  d.SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
  d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  if (Buffered()) {
    d.SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, 1);
    d.SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_INVSRCALPHA);
  }
  d.SetRenderState(D3DRS_CLIPPING, 1);
  d.SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  d.SetRenderState(D3DRS_FOGENABLE, 0);
  d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
  d.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d.SetRenderState(D3DRS_NORMALIZENORMALS, 1);

  if (Lighting()) {
    d.SetRenderState(D3DRS_LIGHTING, 1);
    d.SetRenderState(D3DRS_AMBIENT, AmbientColor());
    for (size_t i = 0; i < Lights().size(); ++i) {
      const TdxLight& source = *Lights()[i];
      D3DLIGHT9 light{};
      light.Ambient = ToDevice(dxColorToRGBA(0xFF696969));
      light.Diffuse = light.Specular = D3DCOLORVALUE{1, 1, 1, 1};
      light.Range = 100;
      light.Direction = ToDevice(source.AbsoluteDirection());
      light.Position = ToDevice(source.AbsolutePosition());
      switch (source.LightType()) {
        case dxLightDirectional:
          light.Type = D3DLIGHT_DIRECTIONAL;
          break;
        case dxLightPoint:
          light.Type = D3DLIGHT_POINT;
          light.Attenuation1 = 0.2f;
          break;
        case dxLightSpot:
          light.Type = D3DLIGHT_SPOT;
          light.Theta = 0.5f;
          light.Phi = 1;
          light.Falloff = 1;
          light.Attenuation0 = 1;
          break;
      }
      d.SetLight(static_cast<std::uint32_t>(i), &light);
      d.LightEnable(static_cast<std::uint32_t>(i), true);
    }
  } else {
    d.SetRenderState(D3DRS_LIGHTING, 0);
  }
  SetRenderState(rsCameraSpace);
  return true;
}

void TdxDirectXCanvas::EndScene() {
  if (!device_) return;
  if (Succeeded(device_->TestCooperativeLevel())) {
    device_->EndScene();
    if (!Bitmap()) {
      if (dxDirectXExtended())
        device_->PresentEx(nullptr, nullptr, 0, nullptr, 0);
      else
        device_->Present(nullptr, nullptr, 0, nullptr);
    }
  }
  if (TdxBitmap* target = Bitmap(); target && offTarget_) {
    // The frame goes straight into the bitmap, as far as both reach.
    const RECT r{0, 0, std::min(Width(), target->Width()), std::min(Height(), target->Height())};
    std::uint32_t* bits = nullptr;
    if (r.right > 0 && r.bottom > 0 && target->Map(bits, true)) {
      device_->GetRenderTargetRect(offTarget_.get(), &r, bits, target->Width() * 4);
      target->Unmap();
    }
  }
  if (Buffered() && HasBuffer()) ReadBack(FrameRect(), Buffer(), resolve_.get());
}

bool TdxDirectXCanvas::ReadBack(const RECT& Rect, std::uint32_t* Bits, ISurface* Resolve) {
  std::shared_ptr<ISurface> back;
  if (Failed(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return false;
  ISurface* source = back.get();
  if (Resolve) {
    // The samples are resolved for the rectangle alone (the whole target: no rectangles).
    const bool whole = Rect.left == 0 && Rect.top == 0 && Rect.right == Width() && Rect.bottom == Height();
    if (Failed(device_->StretchRect(back.get(), whole ? nullptr : &Rect, Resolve, whole ? nullptr : &Rect,
                                    D3DTEXF_LINEAR)))
      return false;
    source = Resolve;
  }
  std::uint32_t* at =
      Bits + static_cast<size_t>(Rect.top) * static_cast<size_t>(Width()) + static_cast<size_t>(Rect.left);
  return Succeeded(device_->GetRenderTargetRect(source, &Rect, at, Width() * 4));
}

void TdxDirectXCanvas::Clear(TdxColor Color) {
  if (device_) device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, Color, 1, 0);
}

void TdxDirectXCanvas::ClearDepth() {
  if (device_) device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1, 0);
}

void TdxDirectXCanvas::CopyToBitmap(std::uint32_t* Bits) {
  if (!Bits) return;
  // A window canvas keeps the frame the window shows, whether drawn on the device or composed
  // without it: reading it back makes no device.
  if (!Bitmap() && CopyShownFrame(Bits)) return;
  if (!device_) return;
  if (const TdxBitmap* target = Bitmap()) {
    // The bitmap may have changed size since the last frame: what both have in common.
    const int w = std::min(Width(), target->Width()), h = std::min(Height(), target->Height());
    if (const std::uint32_t* src = target->Bits())
      for (int y = 0; y < h; ++y)
        std::memcpy(Bits + static_cast<size_t>(y) * static_cast<size_t>(Width()),
                    src + static_cast<size_t>(y) * static_cast<size_t>(target->Width()), static_cast<size_t>(w) * 4);
    return;
  }
  const RECT whole{0, 0, Width(), Height()};
  std::shared_ptr<ISurface> resolve;
  if (WantsResolve())
    device_->CreateRenderTarget(static_cast<std::uint32_t>(Width()), static_cast<std::uint32_t>(Height()),
                                D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, false, &resolve);
  ReadBack(whole, Bits, resolve.get());
}

// ---- render states ------------------------------------------------------------------------------

void TdxDirectXCanvas::RecordState(TdxRenderState Code) {
  dxCheckRenderState(Code);
  if (!device_) return;
  blocks_[Code].reset();
  IDevice& d = *device_;
  if (Failed(d.BeginStateBlock())) return;
  const auto stage = [&d](std::uint32_t Op, std::uint32_t Arg1) {
    d.SetTextureStageState(0, D3DTSS_COLOROP, Op);
    d.SetTextureStageState(0, D3DTSS_COLORARG1, Arg1);
    d.SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d.SetTextureStageState(0, D3DTSS_ALPHAOP, Op);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG1, Arg1);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  };
  const D3DMATRIX identity;
  switch (Code) {
    case rsScreenSpace:
    case rsCameraSpace: {
      const D3DMATRIX projection = ToDevice(Code == rsScreenSpace ? GetScreenMatrix() : GetProjectionMatrix());
      d.SetTransform(D3DTS_PROJECTION, &projection);
      d.SetTransform(D3DTS_WORLD, &identity);
      d.SetTransform(D3DTS_VIEW, &identity);
      break;
    }
    case rsLightingOn: d.SetRenderState(D3DRS_LIGHTING, 1); break;
    case rsLightingOff: d.SetRenderState(D3DRS_LIGHTING, 0); break;
    case rsDepthTestOn:
      d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
      d.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
      break;
    case rsDepthTestOff: d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE); break;
    case rsDepthWriteOn: d.SetRenderState(D3DRS_ZWRITEENABLE, 1); break;
    case rsDepthWriteOff: d.SetRenderState(D3DRS_ZWRITEENABLE, 0); break;
    case rsCullCCW: d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW); break;
    case rsCullCW: d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW); break;
    case rsCullNone: d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE); break;
    case rsBlendAdditive:
      d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
      break;
    case rsBlendNormal:
      d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      break;
    case rsTextureNearest:
      d.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
      d.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
      d.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
      break;
    case rsTextureLinear:
      d.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
      d.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
      d.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      break;
    case rsDiffuseOnly: stage(D3DTOP_SELECTARG2, D3DTA_DIFFUSE); break;
    case rsTextureReplace: stage(D3DTOP_SELECTARG1, D3DTA_TEXTURE); break;
    case rsTextureModulate: stage(D3DTOP_MODULATE, D3DTA_TEXTURE); break;
    case rsWireframe: d.SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME); break;
    case rsSolid: d.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID); break;
    case rsFlatShading: d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT); break;
    case rsGouraudShading: d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD); break;
    default: break;
  }
  if (Failed(d.EndStateBlock(&blocks_[Code]))) blocks_[Code].reset();
}

void TdxDirectXCanvas::ApplyState(TdxRenderState Code) {
  dxCheckRenderState(Code);
  if (!device_) return;
  if (blocks_[Code]) blocks_[Code]->Apply();
  if (Code == rsScreenSpace) {
    const D3DMATRIX identity;
    device_->SetTransform(D3DTS_VIEW, &identity);
  } else if (Code == rsCameraSpace) {
    const D3DMATRIX view = ToDevice(View());
    device_->SetTransform(D3DTS_VIEW, &view);
  }
}

// ---- materials and textures ---------------------------------------------------------------------

void TdxDirectXCanvas::ApplyMaterial() {
  TdxCanvas::ApplyMaterial();
  if (!device_) return;
  TdxMaterial& m = Material();
  D3DMATERIAL9 dm;
  dm.Diffuse = dm.Ambient = ToDevice(dxColorToRGBA(m.DiffuseColor()));
  dm.Specular = {1, 1, 1, 1};
  dm.Emissive = {0, 0, 0, 0};
  dm.Power = 0;
  device_->SetMaterial(&dm);

  TdxBitmap* bitmap = m.GetBitmap();
  UpdateBitmapHandle(bitmap);
  auto texture = bitmap ? std::static_pointer_cast<ITexture>(GetBitmapHandle(bitmap)) : nullptr;
  const TdxBitmapRect& rect = *m.BitmapRect();
  if (texture) {
    if (m.BitmapTileX() == 1 && m.BitmapTileY() == 1 && rect.IsEmpty()) {
      device_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    } else {
      device_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
      D3DMATRIX t;
      t.m[0][0] = m.BitmapTileX();
      t.m[1][1] = m.BitmapTileY();
      if (!rect.IsEmpty()) {
        const auto bw = static_cast<float>(bitmap->Width()), bh = static_cast<float>(bitmap->Height());
        t.m[0][0] = (rect.Right() - rect.Left()) / bw;
        t.m[1][1] = (rect.Bottom() - rect.Top()) / bh;
        t.m[2][0] = rect.Left() / bw;
        t.m[2][1] = rect.Top() / bh;
      }
      device_->SetTransform(D3DTS_TEXTURE0, &t);
    }
    SetRenderState(m.BitmapMode() == dxTexReplace ? rsTextureReplace : rsTextureModulate);
    device_->SetTexture(0, texture);
  } else {
    device_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    SetRenderState(rsDiffuseOnly);
  }
  SetRenderState(m.ShadeMode() == dxFlat ? rsFlatShading : rsGouraudShading);
  SetRenderState(m.FillMode() == dxWireframe ? rsWireframe : rsSolid);
  SetRenderState(m.Lighting() ? rsLightingOn : rsLightingOff);
}

// Bitmaps hold premultiplied pixels; textures hold straight alpha, which the canvas's blend
// (source alpha, one minus source alpha) and its modulation expect. A pixel's colour is
// divided by its alpha on the way up (rounded, never above 255); a clear pixel stays zero.
// The quotients come from a table made once, entry a * 256 + c for colour c under alpha a.
namespace {

const std::uint8_t* StraightTable() {
  static const std::array<std::uint8_t, 65536> table = [] {
    std::array<std::uint8_t, 65536> t{};
    for (std::uint32_t a = 1; a < 256; ++a)
      for (std::uint32_t c = 0; c < 256; ++c)
        t[a * 256 + c] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (c * 255 + a / 2) / a));
    return t;
  }();
  return table.data();
}

void CopyStraightRow(std::uint8_t* Dst, const std::uint32_t* Src, size_t Count) {
  const std::uint8_t* table = StraightTable();
  for (size_t i = 0; i < Count; ++i) {
    std::uint32_t p = Src[i];
    const std::uint32_t a = p >> 24;
    if (a == 0) {
      p = 0;
    } else if (a != 255) {
      const std::uint8_t* q = table + a * 256;
      p = (a << 24) | (std::uint32_t{q[(p >> 16) & 0xFF]} << 16) | (std::uint32_t{q[(p >> 8) & 0xFF]} << 8) |
          q[p & 0xFF];
    }
    std::memcpy(Dst + i * 4, &p, 4);
  }
}

// Texels sent up in one lock at most: a large part goes in bands, so the device never needs
// a copy of the whole texture.
constexpr int UploadBandPixels = 16384;

}  // namespace

void TdxDirectXCanvas::Upload(ITexture& Texture, const TdxBitmap& Bitmap, int L, int T, int R, int B) {
  const int w = Bitmap.Width(), h = Bitmap.Height();
  const bool whole = L == 0 && T == 0 && R == w && B == h;
  const int rows = std::max(1, UploadBandPixels / std::max(1, R - L));
  for (int top = T; top < B; top += rows) {
    const int bottom = std::min(B, top + rows);
    D3DLOCKED_RECT locked;
    const RECT part{L, top, R, bottom};
    // The whole texture in one lock lets the device drop its old texels.
    const HRESULT r = whole && bottom == B && top == T ? Texture.LockRect(0, &locked, nullptr, D3DLOCK_DISCARD)
                                                       : Texture.LockRect(0, &locked, &part, 0);
    if (Failed(r)) return;
    auto* dst = static_cast<std::uint8_t*>(locked.pBits);
    for (int y = top; y < bottom; ++y)
      CopyStraightRow(dst + static_cast<std::ptrdiff_t>(y - top) * locked.Pitch,
                      Bitmap.Bits() + static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(L),
                      static_cast<size_t>(R - L));
    Texture.UnlockRect(0);
  }
}

void TdxDirectXCanvas::UpdateBitmapHandle(TdxBitmap* ABitmap) {
  TdxCanvas::UpdateBitmapHandle(ABitmap);
  if (!ABitmap || !ABitmap->Bits() || !device_) return;
  auto texture = std::static_pointer_cast<ITexture>(GetBitmapHandle(ABitmap));
  const auto w = static_cast<std::uint32_t>(ABitmap->Width()), h = static_cast<std::uint32_t>(ABitmap->Height());
  if (!texture) {
    if (Failed(device_->CreateTexture(w, h, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture)) ||
        !texture)
      return;
    AddBitmapHandle(ABitmap, texture);
    ABitmap->SetNeedUpdate(true);
  }
  if (ABitmap->NeedUpdate()) {
    int l = 0, t = 0, r = ABitmap->Width(), b = ABitmap->Height();
    // Only the changed part goes up when only a part changed; the rest of the texture stays.
    ABitmap->PendingRect(l, t, r, b);
    Upload(*texture, *ABitmap, l, t, r, b);
  }
  ABitmap->SetNeedUpdate(false);
}

// ---- transforms and drawing ---------------------------------------------------------------------

void TdxDirectXCanvas::SetMatrix(const TdxMatrix& Matrix) {
  TdxCanvas::SetMatrix(Matrix);
  if (!device_) return;
  const D3DMATRIX m = ToDevice(Matrix);
  device_->SetTransform(D3DTS_WORLD, &m);
}

bool TdxDirectXCanvas::Append(bool Vertices, const void* Data, std::uint32_t Bytes) {
  std::uint32_t& pos = Vertices ? vertexPos_ : indexPos_;
  const std::uint32_t capacity = Vertices ? VertexBufferBytes : IndexBufferBytes;
  std::uint32_t flags = D3DLOCK_NOOVERWRITE;
  if (std::uint64_t{pos} + Bytes > capacity) {
    pos = 0;
    flags = D3DLOCK_DISCARD;
  }
  if (Bytes == 0) return true;
  void* p = nullptr;
  const HRESULT r = Vertices ? vertexBuffer_->Lock(pos, Bytes, &p, flags) : indexBuffer_->Lock(pos, Bytes, &p, flags);
  if (Failed(r) || !p) return false;
  std::memcpy(p, Data, Bytes);
  if (Vertices)
    vertexBuffer_->Unlock();
  else
    indexBuffer_->Unlock();
  return true;
}

void TdxDirectXCanvas::Draw(D3DPRIMITIVETYPE Type, std::uint32_t NumVertices, std::uint32_t VertexBytes,
                            std::uint32_t IndexBytes, std::uint32_t PrimitiveCount) {
  device_->SetFVF(CanvasFVF);
  device_->SetIndices(indexBuffer_);
  device_->SetStreamSource(0, vertexBuffer_, 0, 36);
  device_->DrawIndexedPrimitive(Type, static_cast<std::int32_t>(vertexPos_ / 36), 0, NumVertices, indexPos_ / 2,
                                PrimitiveCount);
  vertexPos_ += VertexBytes;
  indexPos_ += IndexBytes;
}

void TdxDirectXCanvas::DrawList(D3DPRIMITIVETYPE Type, const TdxCanvasVertex* Vertices, std::uint32_t VertexCount,
                                const std::uint16_t* Indices, std::uint32_t IndexCount,
                                std::uint32_t PrimitiveCount) {
  const std::uint32_t vbytes = VertexCount * 36, ibytes = IndexCount * 2;
  if (!Append(true, Vertices, vbytes)) return;
  // Indices that cannot be written would draw whatever lies in the buffer: no draw then.
  if (!Append(false, Indices, ibytes)) return;
  Draw(Type, VertexCount, vbytes, ibytes, PrimitiveCount);
}

void TdxDirectXCanvas::DrawLine(const TdxVector& StartPoint, const TdxVector& EndPoint, float Opacity) {
  if (!DrawReady()) return;
  const TdxColor color = dxOpacityColor(Material().DiffuseColor(), Opacity);
  const TdxCanvasVertex v[2] = {dxCanvasVertex(StartPoint.X, StartPoint.Y, StartPoint.Z, 0, 0, 0, color, 0, 0),
                                dxCanvasVertex(EndPoint.X, EndPoint.Y, EndPoint.Z, 0, 0, 0, color, 1, 1)};
  const std::uint16_t i[2] = {0, 1};
  DrawList(D3DPT_LINELIST, v, 2, i, 2, 1);
}

void TdxDirectXCanvas::DrawCube(const TdxVector& Center, const TdxVector& Size, float Opacity) {
  const TdxVector lo = dxVectorAdd(Center, dxVectorScale(Size, -0.5f));
  const TdxVector hi = dxVectorAdd(Center, dxVectorScale(Size, 0.5f));
  // Corners by three choices of low (false) or high (true) x, y, z.
  const auto p = [&](bool X, bool Y, bool Z) { return TdxVector{X ? hi.X : lo.X, Y ? hi.Y : lo.Y, Z ? hi.Z : lo.Z, 1}; };
  static constexpr bool edges[12][6] = {
      {0, 0, 1, 1, 0, 1}, {0, 0, 0, 1, 0, 0}, {0, 1, 1, 1, 1, 1}, {0, 1, 0, 1, 1, 0},
      {0, 0, 0, 0, 1, 0}, {0, 0, 1, 0, 1, 1}, {1, 0, 0, 1, 1, 0}, {1, 0, 1, 1, 1, 1},
      {0, 0, 0, 0, 0, 1}, {1, 0, 0, 1, 0, 1}, {0, 1, 0, 0, 1, 1}, {1, 1, 0, 1, 1, 1}};
  for (const auto& e : edges) DrawLine(p(e[0], e[1], e[2]), p(e[3], e[4], e[5]), Opacity);
}

void TdxDirectXCanvas::FillCube(const TdxVector& Center, const TdxVector& Size, float Opacity) {
  if (!DrawReady()) return;
  const TdxVector lo = dxVectorAdd(Center, dxVectorScale(Size, -0.5f));
  const TdxVector hi = dxVectorAdd(Center, dxVectorScale(Size, 0.5f));
  static constexpr bool faces[6][4][3] = {
      {{0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {0, 0, 0}},  // -Y
      {{1, 0, 1}, {1, 1, 1}, {1, 1, 0}, {1, 0, 0}},  // +X
      {{0, 1, 1}, {0, 0, 1}, {0, 0, 0}, {0, 1, 0}},  // -X
      {{1, 1, 1}, {0, 1, 1}, {0, 1, 0}, {1, 1, 0}},  // +Y
      {{0, 1, 1}, {1, 1, 1}, {1, 0, 1}, {0, 0, 1}},  // +Z
      {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},  // -Z
  };
  static constexpr float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const TdxColor color = dxOpacityColor(Material().DiffuseColor(), Opacity);
  TdxCanvasVertex v[24];
  std::uint16_t idx[36];
  for (int f = 0; f < 6; ++f) {
    TdxVector c[4];
    for (int k = 0; k < 4; ++k)
      c[k] = {faces[f][k][0] ? hi.X : lo.X, faces[f][k][1] ? hi.Y : lo.Y, faces[f][k][2] ? hi.Z : lo.Z, 1};
    // Outward, as long as the face is large: minus the cross product of an edge and a diagonal.
    const TdxVector e = dxVectorSubtract(c[1], c[0]), g = dxVectorSubtract(c[2], c[0]);
    const float nx = -(e.Y * g.Z - e.Z * g.Y), ny = -(e.Z * g.X - e.X * g.Z), nz = -(e.X * g.Y - e.Y * g.X);
    for (int k = 0; k < 4; ++k) v[4 * f + k] = dxCanvasVertex(c[k].X, c[k].Y, c[k].Z, nx, ny, nz, color, uv[k][0], uv[k][1]);
    const auto b = static_cast<std::uint16_t>(4 * f);
    const std::uint16_t tri[6] = {b, std::uint16_t(b + 1), std::uint16_t(b + 3), std::uint16_t(b + 3), std::uint16_t(b + 1),
                                  std::uint16_t(b + 2)};
    std::copy(std::begin(tri), std::end(tri), idx + 6 * f);
  }
  DrawList(D3DPT_TRIANGLELIST, v, 24, idx, 36, 12);
}

namespace {

bool IndicesFit(const std::vector<std::uint16_t>& Indices, size_t VertexCount) {
  return std::all_of(Indices.begin(), Indices.end(), [VertexCount](std::uint16_t i) { return i < VertexCount; });
}

constexpr size_t MaxVertices = 65535;
constexpr size_t MaxIndices = 131070;

}  // namespace

void TdxDirectXCanvas::FillMesh(const TdxVector& Center, const TdxVector& Size, const TdxMeshData& MeshData,
                                float Opacity) {
  if (!DrawReady()) return;
  const auto& mv = MeshData.Vertices();
  const auto& mi = MeshData.Indexes();
  if (mv.empty() || mi.empty() || mv.size() > MaxVertices || mi.size() > MaxIndices || !IndicesFit(mi, mv.size()))
    return;
  const TdxColor color = dxOpacityColor(Material().DiffuseColor(), Opacity);
  const bool snap = RenderStateSet(rsScreenSpace);
  std::vector<TdxCanvasVertex> v(mv.size());
  for (size_t k = 0; k < mv.size(); ++k) {
    const TdxMeshVertex& s = mv[k];
    float x = s.X * Size.X + Center.X, y = s.Y * Size.Y + Center.Y;
    const float z = s.Z * Size.Z + Center.Z;
    if (snap) {
      // Whole pixels, on the half pixel where the device's pixel centres lie.
      x = std::trunc(x) - 0.5f;
      y = std::trunc(y) - 0.5f;
    }
    v[k] = dxCanvasVertex(x, y, z, s.NX, s.NY, s.NZ, color, s.TU, s.TV);
  }
  DrawList(D3DPT_TRIANGLELIST, v.data(), static_cast<std::uint32_t>(v.size()), mi.data(),
           static_cast<std::uint32_t>(mi.size()), static_cast<std::uint32_t>(mi.size() / 3));
}

void TdxDirectXCanvas::FillTriangles(const std::vector<TdxCanvasVertex>& Vertices,
                                     const std::vector<std::uint16_t>& Indices, float) {
  if (!DrawReady()) return;
  if (Vertices.empty() || Indices.empty() || Vertices.size() > MaxVertices || Indices.size() > MaxIndices || !IndicesFit(Indices, Vertices.size())) return;
  DrawList(D3DPT_TRIANGLELIST, Vertices.data(), static_cast<std::uint32_t>(Vertices.size()), Indices.data(),
           static_cast<std::uint32_t>(Indices.size()), static_cast<std::uint32_t>(Indices.size() / 3));
}

}  // namespace dx
