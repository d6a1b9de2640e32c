#include "platform/gfx3d/FakeDevice.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "platform/gfx3d/States.h"

namespace gfx3d {

void FakeRecorder::Script(const std::string& Method, std::initializer_list<HRESULT> Results) {
  auto& q = script_[Method];
  q.insert(q.end(), Results.begin(), Results.end());
}

HRESULT FakeRecorder::NextResult(const std::string& Method) {
  auto it = script_.find(Method);
  if (it == script_.end() || it->second.empty()) return D3D_OK;
  const HRESULT r = it->second.front();
  it->second.pop_front();
  return r;
}

int FakeRecorder::Count(std::string_view Name) const {
  int n = 0;
  for (const auto& c : Calls) n += c.Name == Name;
  return n;
}

std::vector<std::string> FakeRecorder::Texts() const {
  std::vector<std::string> out;
  for (const auto& c : Calls) out.push_back(c.Text());
  return out;
}

std::vector<std::string> FakeRecorder::TextsOf(std::initializer_list<std::string_view> Names) const {
  std::vector<std::string> out;
  for (const auto& c : Calls)
    for (auto n : Names)
      if (c.Name == n) out.push_back(c.Text());
  return out;
}

namespace {

// ---- argument text --------------------------------------------------------------------

class Args {
 public:
  Args& operator<<(uint32_t V) { return Add(std::to_string(V)); }
  Args& operator<<(int32_t V) { return Add(std::to_string(V)); }
  Args& operator<<(bool V) { return Add(V ? "1" : "0"); }
  Args& operator<<(float V) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", static_cast<double>(V));
    return Add(b);
  }
  Args& operator<<(const std::string& V) { return Add(V); }
  Args& operator<<(const char* V) { return Add(V); }
  Args& operator<<(const RECT* R) {
    if (!R) return Add("null");
    return Add("[" + std::to_string(R->left) + " " + std::to_string(R->top) + " " + std::to_string(R->right) + " " +
               std::to_string(R->bottom) + "]");
  }
  Args& operator<<(const D3DMATRIX& M) {
    Args inner;
    for (auto& row : M.m)
      for (float v : row) inner << v;
    return Add("[" + inner.text_ + "]");
  }
  Args& operator<<(const D3DCOLORVALUE& C) {
    Args inner;
    inner << C.r << C.g << C.b << C.a;
    return Add("(" + inner.text_ + ")");
  }
  Args& operator<<(const D3DVECTOR& V) {
    Args inner;
    inner << V.x << V.y << V.z;
    return Add("(" + inner.text_ + ")");
  }
  Args& operator<<(const D3DPRESENT_PARAMETERS* P) {
    if (!P) return Add("null");
    return Add(std::to_string(P->BackBufferWidth) + " x " + std::to_string(P->BackBufferHeight)) << uint32_t{P->BackBufferFormat}
           << uint32_t{P->MultiSampleType} << P->SwapEffect << static_cast<uint32_t>(P->hDeviceWindow) << P->Windowed
           << P->EnableAutoDepthStencil << uint32_t{P->AutoDepthStencilFormat} << P->PresentationInterval;
  }
  std::string Take() { return std::move(text_); }

 private:
  Args& Add(const std::string& S) {
    if (!text_.empty()) text_ += ',';
    text_ += S;
    return *this;
  }
  std::string text_;
};

// Every fake resource has a label and reports to the recorder.
class FakeBase {
 public:
  FakeBase(std::shared_ptr<FakeRecorder> R, std::string Label) : recorder_(std::move(R)), label_(std::move(Label)) {}
  const std::string& Label() const { return label_; }

 protected:
  HRESULT Log(const std::string& Name, Args A) {
    recorder_->Log(Name, A.Take());
    return recorder_->NextResult(Name);
  }
  Args Self() {
    Args a;
    a << label_;
    return a;
  }
  std::shared_ptr<FakeRecorder> recorder_;
  std::string label_;
};

template <class T>
std::string LabelOf(const T* R) {
  auto* b = dynamic_cast<const FakeBase*>(R);
  return b ? b->Label() : R ? "foreign" : "null";
}

// Memory a lock hands out, for buffers, textures and surfaces alike.
class FakeMemory {
 protected:
  HRESULT LockAt(HRESULT Scripted, uint32_t Offset, uint32_t Size, void** Data) {
    if (Failed(Scripted)) return Scripted;
    if (!Data || locked_ || uint64_t{Offset} + Size > bytes_.size()) return D3DERR_INVALIDCALL;
    locked_ = true;
    *Data = bytes_.data() + Offset;
    return D3D_OK;
  }
  HRESULT UnlockNow(HRESULT Scripted) {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return Scripted;
  }
  std::vector<uint8_t> bytes_;
  bool locked_ = false;
};

class FakeVertexBuffer final : public IVertexBuffer, public FakeBase, FakeMemory {
 public:
  FakeVertexBuffer(std::shared_ptr<FakeRecorder> R, std::string L, uint32_t Length) : FakeBase(std::move(R), std::move(L)) {
    bytes_.resize(Length);
  }
  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) override {
    const HRESULT r = Log("VertexBuffer.Lock", Self() << Offset << Size << Flags);
    return LockAt(r, Offset, Size ? Size : Length() - std::min(Offset, Length()), Data);
  }
  HRESULT Unlock() override { return UnlockNow(Log("VertexBuffer.Unlock", Self())); }
  uint32_t Length() const override { return static_cast<uint32_t>(bytes_.size()); }
};

class FakeIndexBuffer final : public IIndexBuffer, public FakeBase, FakeMemory {
 public:
  FakeIndexBuffer(std::shared_ptr<FakeRecorder> R, std::string L, uint32_t Length, D3DFORMAT F)
      : FakeBase(std::move(R), std::move(L)), format_(F) {
    bytes_.resize(Length);
  }
  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) override {
    const HRESULT r = Log("IndexBuffer.Lock", Self() << Offset << Size << Flags);
    return LockAt(r, Offset, Size ? Size : Length() - std::min(Offset, Length()), Data);
  }
  HRESULT Unlock() override { return UnlockNow(Log("IndexBuffer.Unlock", Self())); }
  uint32_t Length() const override { return static_cast<uint32_t>(bytes_.size()); }
  D3DFORMAT Format() const override { return format_; }

 private:
  D3DFORMAT format_;
};

class FakeTexture final : public ITexture, public FakeBase, FakeMemory {
 public:
  FakeTexture(std::shared_ptr<FakeRecorder> R, std::string L, uint32_t W, uint32_t H)
      : FakeBase(std::move(R), std::move(L)), width_(W), height_(H) {
    bytes_.resize(size_t{W} * H * 4);
  }
  HRESULT LockRect(uint32_t Level, D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t Flags) override {
    const HRESULT r = Log("Texture.LockRect", Self() << Level << Rect << Flags);
    if (!Locked || Level != 0) return D3DERR_INVALIDCALL;
    const uint32_t offset = Rect ? (uint32_t(Rect->top) * width_ + uint32_t(Rect->left)) * 4 : 0;
    Locked->Pitch = static_cast<int32_t>(width_ * 4);
    return LockAt(r, offset, 0, &Locked->pBits);
  }
  HRESULT UnlockRect(uint32_t Level) override { return UnlockNow(Log("Texture.UnlockRect", Self() << Level)); }
  HRESULT GetLevelDesc(uint32_t Level, D3DSURFACE_DESC* Desc) override {
    if (Level != 0 || !Desc) return D3DERR_INVALIDCALL;
    *Desc = D3DSURFACE_DESC{D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, width_, height_};
    return D3D_OK;
  }
  // The texels, for tests of what was uploaded.
  const uint8_t* Bits() const { return bytes_.data(); }

 private:
  uint32_t width_, height_;
};

class FakeSurface final : public ISurface, public FakeBase, FakeMemory {
 public:
  FakeSurface(std::shared_ptr<FakeRecorder> R, std::string L, D3DSURFACE_DESC D)
      : FakeBase(std::move(R), std::move(L)), desc_(D) {
    if (D.Pool == D3DPOOL_SYSTEMMEM) bytes_.resize(size_t{D.Width} * D.Height * 4);
  }
  HRESULT LockRect(D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t Flags) override {
    const HRESULT r = Log("Surface.LockRect", Self() << Rect << Flags);
    if (!Locked || desc_.Pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    const uint32_t offset = Rect ? (uint32_t(Rect->top) * desc_.Width + uint32_t(Rect->left)) * 4 : 0;
    Locked->Pitch = static_cast<int32_t>(desc_.Width * 4);
    return LockAt(r, offset, 0, &Locked->pBits);
  }
  HRESULT UnlockRect() override { return UnlockNow(Log("Surface.UnlockRect", Self())); }
  HRESULT GetDesc(D3DSURFACE_DESC* Desc) override {
    if (!Desc) return D3DERR_INVALIDCALL;
    *Desc = desc_;
    return D3D_OK;
  }

 private:
  D3DSURFACE_DESC desc_;
};

class FakeDevice final : public IDevice {
 public:
  FakeDevice(std::shared_ptr<FakeRecorder> R, const D3DPRESENT_PARAMETERS& P) : recorder_(std::move(R)) {
    SetUp(P);
  }

  HRESULT GetDeviceCaps(D3DCAPS9* Caps) override {
    if (Caps) *Caps = recorder_->Caps;
    return Log("Device.GetDeviceCaps", Args());
  }
  HRESULT TestCooperativeLevel() override { return Log("TestCooperativeLevel", Args()); }
  HRESULT CheckDeviceState(WindowHandle Window) override {
    return Log("CheckDeviceState", Args() << static_cast<uint32_t>(Window));
  }
  HRESULT Reset(D3DPRESENT_PARAMETERS* Params) override {
    const HRESULT r = Log("Reset", Args() << Params);
    if (Succeeded(r) && Params) SetUp(*Params);
    return r;
  }
  HRESULT ResetEx(D3DPRESENT_PARAMETERS* Params, const void* Mode) override {
    const HRESULT r = Log("ResetEx", Args() << Params << (Mode ? "mode" : "null"));
    if (Succeeded(r) && Params) SetUp(*Params);
    return r;
  }
  HRESULT BeginScene() override { return Log("BeginScene", Args()); }
  HRESULT EndScene() override { return Log("EndScene", Args()); }
  HRESULT Present(const RECT* S, const RECT* D, WindowHandle W, const void* R) override {
    return Log("Present", Args() << S << D << static_cast<uint32_t>(W) << (R ? "region" : "null"));
  }
  HRESULT PresentEx(const RECT* S, const RECT* D, WindowHandle W, const void* R, uint32_t Flags) override {
    return Log("PresentEx", Args() << S << D << static_cast<uint32_t>(W) << (R ? "region" : "null") << Flags);
  }
  HRESULT Clear(uint32_t Count, const D3DRECT* Rects, uint32_t Flags, uint32_t Color, float Z,
                uint32_t Stencil) override {
    return Log("Clear", Args() << Count << (Rects ? "rects" : "null") << Flags << Color << Z << Stencil);
  }
  HRESULT SetScissorRect(const RECT* Rect) override {
    if (!Rect) return D3DERR_INVALIDCALL;
    const HRESULT r = Record("SetScissorRect", Args() << Rect);
    if (Succeeded(r) && !recording_) scissor_ = *Rect;
    return r;
  }
  HRESULT GetScissorRect(RECT* Rect) override {
    if (!Rect) return D3DERR_INVALIDCALL;
    *Rect = scissor_;
    return D3D_OK;
  }

  HRESULT GetBackBuffer(uint32_t SwapChain, uint32_t Index, D3DBACKBUFFER_TYPE Type,
                        std::shared_ptr<ISurface>* Surface) override {
    const HRESULT r = Log("GetBackBuffer", Args() << SwapChain << Index << uint32_t{Type});
    if (Surface) *Surface = Succeeded(r) ? backBuffer_ : nullptr;
    return r;
  }
  HRESULT CreateRenderTarget(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                             uint32_t Quality, bool Lockable, std::shared_ptr<ISurface>* Surface) override {
    return MakeSurface("CreateRenderTarget",
                       Args() << Width << Height << uint32_t{Format} << uint32_t{MultiSample} << Quality << Lockable,
                       {Format, D3DPOOL_DEFAULT, MultiSample, Width, Height}, Surface);
  }
  HRESULT CreateDepthStencilSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                    uint32_t Quality, bool Discard, std::shared_ptr<ISurface>* Surface) override {
    return MakeSurface("CreateDepthStencilSurface",
                       Args() << Width << Height << uint32_t{Format} << uint32_t{MultiSample} << Quality << Discard,
                       {Format, D3DPOOL_DEFAULT, MultiSample, Width, Height}, Surface);
  }
  HRESULT CreateOffscreenPlainSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DPOOL Pool,
                                      std::shared_ptr<ISurface>* Surface) override {
    return MakeSurface("CreateOffscreenPlainSurface", Args() << Width << Height << uint32_t{Format} << uint32_t{Pool},
                       {Format, Pool, D3DMULTISAMPLE_NONE, Width, Height}, Surface);
  }
  HRESULT SetRenderTarget(uint32_t Index, const std::shared_ptr<ISurface>& Surface) override {
    return Log("SetRenderTarget", Args() << Index << LabelOf(Surface.get()));
  }
  HRESULT SetDepthStencilSurface(const std::shared_ptr<ISurface>& Surface) override {
    return Log("SetDepthStencilSurface", Args() << LabelOf(Surface.get()));
  }
  HRESULT StretchRect(ISurface* Source, const RECT* SourceRect, ISurface* Dest, const RECT* DestRect,
                      D3DTEXTUREFILTERTYPE Filter) override {
    return Log("StretchRect", Args() << LabelOf(Source) << SourceRect << LabelOf(Dest) << DestRect << uint32_t{Filter});
  }
  HRESULT GetRenderTargetData(ISurface* RenderTarget, ISurface* Dest) override {
    return Log("GetRenderTargetData", Args() << LabelOf(RenderTarget) << LabelOf(Dest));
  }
  HRESULT GetRenderTargetRect(ISurface* RenderTarget, const RECT* Rect, void* Bits, int32_t Pitch) override {
    const HRESULT r = Log("GetRenderTargetRect", Args() << LabelOf(RenderTarget) << Rect << Pitch);
    if (Failed(r)) return r;
    if (!Rect || !Bits || Rect->right <= Rect->left || Rect->bottom <= Rect->top ||
        Pitch < (Rect->right - Rect->left) * 4)
      return D3DERR_INVALIDCALL;
    for (int32_t y = 0; y < Rect->bottom - Rect->top; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(Bits) + static_cast<ptrdiff_t>(y) * Pitch);
      std::fill(row, row + (Rect->right - Rect->left), recorder_->ReadBackPixel);
    }
    return r;
  }

  HRESULT CreateVertexBuffer(uint32_t Length, uint32_t Usage, uint32_t FVF, D3DPOOL Pool,
                             std::shared_ptr<IVertexBuffer>* Buffer) override {
    const HRESULT r = Log("CreateVertexBuffer", Args() << Length << Usage << FVF << uint32_t{Pool});
    if (!Buffer) return D3DERR_INVALIDCALL;
    *Buffer = nullptr;
    if (Failed(r)) return r;
    *Buffer = std::make_shared<FakeVertexBuffer>(recorder_, recorder_->NewLabel("vb"), Length);
    return r;
  }
  HRESULT CreateIndexBuffer(uint32_t Length, uint32_t Usage, D3DFORMAT Format, D3DPOOL Pool,
                            std::shared_ptr<IIndexBuffer>* Buffer) override {
    const HRESULT r = Log("CreateIndexBuffer", Args() << Length << Usage << uint32_t{Format} << uint32_t{Pool});
    if (!Buffer) return D3DERR_INVALIDCALL;
    *Buffer = nullptr;
    if (Failed(r)) return r;
    *Buffer = std::make_shared<FakeIndexBuffer>(recorder_, recorder_->NewLabel("ib"), Length, Format);
    return r;
  }
  HRESULT CreateTexture(uint32_t Width, uint32_t Height, uint32_t Levels, uint32_t Usage, D3DFORMAT Format,
                        D3DPOOL Pool, std::shared_ptr<ITexture>* Texture) override {
    const HRESULT r =
        Log("CreateTexture", Args() << Width << Height << Levels << Usage << uint32_t{Format} << uint32_t{Pool});
    if (!Texture) return D3DERR_INVALIDCALL;
    *Texture = nullptr;
    if (Failed(r)) return r;
    if (Width == 0 || Height == 0 || Width > recorder_->Caps.MaxTextureWidth ||
        Height > recorder_->Caps.MaxTextureHeight)
      return D3DERR_INVALIDCALL;
    *Texture = std::make_shared<FakeTexture>(recorder_, recorder_->NewLabel("tex"), Width, Height);
    return r;
  }
  HRESULT SetTexture(uint32_t Stage, const std::shared_ptr<ITexture>& Texture) override {
    return Record("SetTexture", Args() << Stage << LabelOf(Texture.get()));
  }

  HRESULT SetRenderState(D3DRENDERSTATETYPE State, uint32_t Value) override {
    if (State >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    if (!recording_) renderStates_[State] = Value;
    return Record("SetRenderState", Args() << uint32_t{State} << Value);
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, uint32_t* Value) override {
    if (State >= D3DRS_COUNT || !Value) return D3DERR_INVALIDCALL;
    *Value = renderStates_[State];
    return D3D_OK;
  }
  HRESULT SetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t Value) override {
    if (Type >= D3DSAMP_COUNT) return D3DERR_INVALIDCALL;
    if (!recording_ && Sampler == 0) samplerStates_[Type] = Value;
    return Record("SetSamplerState", Args() << Sampler << uint32_t{Type} << Value);
  }
  HRESULT GetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t* Value) override {
    if (Sampler != 0 || Type >= D3DSAMP_COUNT || !Value) return D3DERR_INVALIDCALL;
    *Value = samplerStates_[Type];
    return D3D_OK;
  }
  HRESULT SetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t Value) override {
    if (Type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    if (!recording_ && Stage == 0) stageStates_[Type] = Value;
    return Record("SetTextureStageState", Args() << Stage << uint32_t{Type} << Value);
  }
  HRESULT GetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t* Value) override {
    if (Stage != 0 || Type >= D3DTSS_COUNT || !Value) return D3DERR_INVALIDCALL;
    *Value = stageStates_[Type];
    return D3D_OK;
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* Matrix) override {
    if (!Matrix) return D3DERR_INVALIDCALL;
    if (!recording_) transforms_[State] = *Matrix;
    return Record("SetTransform", Args() << uint32_t{State} << *Matrix);
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* Matrix) override {
    if (!Matrix) return D3DERR_INVALIDCALL;
    auto it = transforms_.find(State);
    *Matrix = it == transforms_.end() ? D3DMATRIX{} : it->second;
    return D3D_OK;
  }
  HRESULT SetMaterial(const D3DMATERIAL9* M) override {
    if (!M) return D3DERR_INVALIDCALL;
    return Record("SetMaterial", Args() << M->Diffuse << M->Ambient << M->Specular << M->Emissive << M->Power);
  }
  HRESULT SetLight(uint32_t Index, const D3DLIGHT9* L) override {
    if (!L) return D3DERR_INVALIDCALL;
    return Record("SetLight", Args() << Index << uint32_t{L->Type} << L->Diffuse << L->Specular << L->Ambient
                                     << L->Position << L->Direction << L->Range << L->Falloff << L->Attenuation0
                                     << L->Attenuation1 << L->Attenuation2 << L->Theta << L->Phi);
  }
  HRESULT LightEnable(uint32_t Index, bool Enable) override {
    return Record("LightEnable", Args() << Index << Enable);
  }
  HRESULT BeginStateBlock() override {
    const HRESULT r = Log("BeginStateBlock", Args());
    if (Failed(r)) return r;
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_shared<FakeStateBlock>(recorder_, recorder_->NewLabel("block"));
    return r;
  }
  HRESULT EndStateBlock(std::shared_ptr<IStateBlock>* Block) override {
    const HRESULT r = Log("EndStateBlock", Args());
    if (!Block || !recording_) return D3DERR_INVALIDCALL;
    *Block = nullptr;
    auto block = std::move(recording_);
    recording_.reset();
    if (Failed(r)) return r;
    *Block = std::move(block);
    return r;
  }

  HRESULT SetFVF(uint32_t FVF) override { return Record("SetFVF", Args() << FVF); }
  HRESULT SetStreamSource(uint32_t Stream, const std::shared_ptr<IVertexBuffer>& Buffer, uint32_t Offset,
                          uint32_t Stride) override {
    return Record("SetStreamSource", Args() << Stream << LabelOf(Buffer.get()) << Offset << Stride);
  }
  HRESULT SetIndices(const std::shared_ptr<IIndexBuffer>& Buffer) override {
    return Record("SetIndices", Args() << LabelOf(Buffer.get()));
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, int32_t BaseVertexIndex, uint32_t MinVertexIndex,
                               uint32_t NumVertices, uint32_t StartIndex, uint32_t PrimitiveCount) override {
    return Log("DrawIndexedPrimitive", Args() << uint32_t{Type} << BaseVertexIndex << MinVertexIndex << NumVertices
                                              << StartIndex << PrimitiveCount);
  }

 private:
  void SetUp(const D3DPRESENT_PARAMETERS& P) {
    for (uint32_t s = 0; s < D3DRS_COUNT; ++s)
      renderStates_[s] = InitialRenderState(static_cast<D3DRENDERSTATETYPE>(s), P.EnableAutoDepthStencil != 0);
    for (uint32_t t = 0; t < D3DSAMP_COUNT; ++t)
      samplerStates_[t] = InitialSamplerState(static_cast<D3DSAMPLERSTATETYPE>(t));
    for (uint32_t t = 0; t < D3DTSS_COUNT; ++t)
      stageStates_[t] = InitialStageState(static_cast<D3DTEXTURESTAGESTATETYPE>(t));
    transforms_.clear();
    scissor_ = RECT{0, 0, static_cast<int32_t>(P.BackBufferWidth), static_cast<int32_t>(P.BackBufferHeight)};
    backBuffer_ = std::make_shared<FakeSurface>(
        recorder_, "backbuffer",
        D3DSURFACE_DESC{D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, P.MultiSampleType, P.BackBufferWidth, P.BackBufferHeight});
  }

  HRESULT Log(const std::string& Name, Args A) {
    recorder_->Log(Name, A.Take());
    return recorder_->NextResult(Name);
  }
  // A state call: logged, and kept in the block being recorded.
  HRESULT Record(const std::string& Name, Args A) {
    std::string text = A.Take();
    if (recording_) recording_->Recorded.push_back({Name, text});
    recorder_->Log(Name, std::move(text));
    return recorder_->NextResult(Name);
  }
  HRESULT MakeSurface(const std::string& Name, Args A, D3DSURFACE_DESC Desc, std::shared_ptr<ISurface>* Surface) {
    const HRESULT r = Log(Name, std::move(A));
    if (!Surface) return D3DERR_INVALIDCALL;
    *Surface = nullptr;
    if (Failed(r)) return r;
    *Surface = std::make_shared<FakeSurface>(recorder_, recorder_->NewLabel("surf"), Desc);
    return r;
  }

  std::shared_ptr<FakeRecorder> recorder_;
  std::shared_ptr<FakeSurface> backBuffer_;
  std::shared_ptr<FakeStateBlock> recording_;
  uint32_t renderStates_[D3DRS_COUNT] = {};
  uint32_t samplerStates_[D3DSAMP_COUNT] = {};
  uint32_t stageStates_[D3DTSS_COUNT] = {};
  std::map<uint32_t, D3DMATRIX> transforms_;
  RECT scissor_;
};

class FakeObject final : public IDirect3D {
 public:
  FakeObject(std::shared_ptr<FakeRecorder> R, bool Ex) : recorder_(std::move(R)), ex_(Ex) {}
  bool IsEx() const override { return ex_; }
  HRESULT GetDeviceCaps(uint32_t Adapter, D3DDEVTYPE Type, D3DCAPS9* Caps) override {
    const HRESULT r = Log("GetDeviceCaps", Args() << Adapter << uint32_t{Type});
    if (Caps && Succeeded(r)) *Caps = recorder_->Caps;
    return r;
  }
  HRESULT CheckDeviceMultiSampleType(uint32_t Adapter, D3DDEVTYPE Type, D3DFORMAT Format, bool Windowed,
                                     D3DMULTISAMPLE_TYPE MultiSample, uint32_t* QualityLevels) override {
    const HRESULT r = Log("CheckDeviceMultiSampleType", Args() << Adapter << uint32_t{Type} << uint32_t{Format}
                                                               << Windowed << uint32_t{MultiSample}
                                                               << (QualityLevels ? "levels" : "null"));
    if (Failed(r)) return r;
    if (MultiSample > recorder_->MaxSamples) return D3DERR_NOTAVAILABLE;
    if (QualityLevels) *QualityLevels = 1;
    return r;
  }
  HRESULT CreateDevice(uint32_t Adapter, D3DDEVTYPE Type, WindowHandle Focus, uint32_t Flags,
                       D3DPRESENT_PARAMETERS* Params, std::shared_ptr<IDevice>* Device) override {
    return Make("CreateDevice", Args() << Adapter << uint32_t{Type} << static_cast<uint32_t>(Focus) << Flags << Params,
                Params, Device);
  }
  HRESULT CreateDeviceEx(uint32_t Adapter, D3DDEVTYPE Type, WindowHandle Focus, uint32_t Flags,
                         D3DPRESENT_PARAMETERS* Params, const void* Mode, std::shared_ptr<IDevice>* Device) override {
    Args a;
    a << Adapter << uint32_t{Type} << static_cast<uint32_t>(Focus) << Flags << Params << (Mode ? "mode" : "null");
    if (!ex_) {
      recorder_->Log("CreateDeviceEx", a.Take());
      if (Device) *Device = nullptr;
      return D3DERR_NOTAVAILABLE;
    }
    return Make("CreateDeviceEx", std::move(a), Params, Device);
  }

 private:
  HRESULT Log(const std::string& Name, Args A) {
    recorder_->Log(Name, A.Take());
    return recorder_->NextResult(Name);
  }
  HRESULT Make(const std::string& Name, Args A, D3DPRESENT_PARAMETERS* Params, std::shared_ptr<IDevice>* Device) {
    const HRESULT r = Log(Name, std::move(A));
    if (!Device) return D3DERR_INVALIDCALL;
    *Device = nullptr;
    if (Failed(r)) return r;
    if (!Params) return D3DERR_INVALIDCALL;
    *Device = std::make_shared<FakeDevice>(recorder_, *Params);
    return r;
  }
  std::shared_ptr<FakeRecorder> recorder_;
  bool ex_;
};

}  // namespace

HRESULT FakeStateBlock::Apply() {
  recorder_->Log("StateBlock.Apply", label_);
  return recorder_->NextResult("StateBlock.Apply");
}

Direct3DEntries FakeDirect3D(std::shared_ptr<FakeRecorder> Recorder, Availability Mode) {
  Direct3DEntries e;
  if (Mode == Availability::Absent) return e;
  e.Create9 = [Recorder](uint32_t Sdk) -> std::shared_ptr<IDirect3D> {
    Recorder->Log("Direct3DCreate9", std::to_string(Sdk));
    if (Failed(Recorder->NextResult("Direct3DCreate9"))) return nullptr;
    return std::make_shared<FakeObject>(Recorder, false);
  };
  if (Mode == Availability::Ex)
    e.Create9Ex = [Recorder](uint32_t Sdk, std::shared_ptr<IDirect3D>* Object) -> HRESULT {
      Recorder->Log("Direct3DCreate9Ex", std::to_string(Sdk));
      const HRESULT r = Recorder->NextResult("Direct3DCreate9Ex");
      if (!Object) return D3DERR_INVALIDCALL;
      *Object = Failed(r) ? nullptr : std::make_shared<FakeObject>(Recorder, true);
      return r;
    };
  return e;
}

}  // namespace gfx3d
