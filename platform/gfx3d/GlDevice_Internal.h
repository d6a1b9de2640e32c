// What the OpenGL device's files (GlDevice.cpp, GlDeviceResources.cpp, GlDeviceStates.cpp)
// share: the EGL context, the driver's limits, the resource classes and the device class.
#pragma once

#include "platform/gfx3d/GlDevice.h"
#include "platform/gfx3d/States.h"

// GLVND's libEGL and libOpenGL export every entry point used here, so nothing is looked up
// at run time (a loader that opens libGL lazily drags GLX and X11 into the process).
#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace gfx3d::gl_internal {

// One EGL context, shared by a device and every resource it made, so that the context
// outlives the last GL object in it.
class Context {
 public:
  static std::shared_ptr<Context> Create(std::string* Why);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  bool MakeCurrent();

  // Default-pool objects and state blocks alive, which a plain Reset refuses to outlive.
  std::vector<std::weak_ptr<IResource>> Tracked;
  void Track(const std::shared_ptr<IResource>& R);
  bool AnyTrackedAlive() const;

 private:
  Context(EGLDisplay D, EGLContext C) : display_(D), context_(C) {}
  EGLDisplay display_;
  EGLContext context_;
};

struct Limits {
  bool Ok = false;
  std::string Why;
  GLint MaxSamples = 0;
  GLint MaxTextureSize = 0;
};

// The limits of the driver, read once with a context of its own.
const Limits& TheLimits();

inline void ArgbToFloats(uint32_t C, float* Out) {
  Out[0] = static_cast<float>((C >> 16) & 0xFF) / 255.0f;
  Out[1] = static_cast<float>((C >> 8) & 0xFF) / 255.0f;
  Out[2] = static_cast<float>(C & 0xFF) / 255.0f;
  Out[3] = static_cast<float>(C >> 24) / 255.0f;
}

inline bool RectInside(const RECT& R, uint32_t W, uint32_t H) {
  return R.left >= 0 && R.top >= 0 && R.left < R.right && R.top < R.bottom && static_cast<uint32_t>(R.right) <= W &&
         static_cast<uint32_t>(R.bottom) <= H;
}
// ---- resources ------------------------------------------------------------------------

// The object, or nothing when memory for its CPU copy runs out.
template <class T, class... A>
std::shared_ptr<T> TryMake(A&&... Args) {
  try {
    return std::make_shared<T>(std::forward<A>(Args)...);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// The vertex and index buffers: a GL buffer and a CPU copy that Lock hands out; Unlock sends
// the locked range.
class GlBuffer {
 public:
  // The CPU copy is not cleared: its memory is taken only where locks write (what an unwritten
  // range reads is undefined, as on any device).
  GlBuffer(std::shared_ptr<Context> Ctx, uint32_t Length);
  ~GlBuffer();
  GlBuffer(const GlBuffer&) = delete;
  GlBuffer& operator=(const GlBuffer&) = delete;

  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags);
  HRESULT Unlock();
  uint32_t Length() const { return length_; }
  GLuint Name() const { return name_; }

 private:
  std::shared_ptr<Context> ctx_;
  std::unique_ptr<uint8_t[]> shadow_;
  uint32_t length_;
  GLuint name_ = 0;
  bool locked_ = false;
  uint32_t lockOffset_ = 0, lockSize_ = 0, lockFlags_ = 0;
};

class GlVertexBuffer final : public IVertexBuffer {
 public:
  GlVertexBuffer(std::shared_ptr<Context> Ctx, uint32_t Length) : buffer_(std::move(Ctx), Length) {}
  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) override;
  HRESULT Unlock() override { return buffer_.Unlock(); }
  uint32_t Length() const override { return buffer_.Length(); }
  GLuint Name() const { return buffer_.Name(); }

 private:
  GlBuffer buffer_;
};

class GlIndexBuffer final : public IIndexBuffer {
 public:
  GlIndexBuffer(std::shared_ptr<Context> Ctx, uint32_t Length, D3DFORMAT Format)
      : buffer_(std::move(Ctx), Length), format_(Format) {}
  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) override;
  HRESULT Unlock() override { return buffer_.Unlock(); }
  uint32_t Length() const override { return buffer_.Length(); }
  D3DFORMAT Format() const override { return format_; }
  GLuint Name() const { return buffer_.Name(); }

 private:
  GlBuffer buffer_;
  D3DFORMAT format_;
};

class GlTexture final : public ITexture {
 public:
  GlTexture(std::shared_ptr<Context> Ctx, uint32_t W, uint32_t H);
  ~GlTexture() override;
  // The texels live in GL only: a lock hands out memory for the locked rectangle alone, which
  // goes up at unlock.
  HRESULT LockRect(uint32_t Level, D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t) override;
  HRESULT UnlockRect(uint32_t Level) override;
  HRESULT GetLevelDesc(uint32_t Level, D3DSURFACE_DESC* Desc) override;
  GLuint Name() const { return name_; }

 private:
  static constexpr size_t MaxKeptStaging = 64 * 1024 / 4;
  std::shared_ptr<Context> ctx_;
  uint32_t width_, height_;
  std::vector<uint32_t> staging_;
  GLuint name_ = 0;
  bool locked_ = false;
  RECT lockRect_;
};

// A colour render target or depth-stencil surface (a GL renderbuffer), or a system-memory
// surface (CPU pixels).
class GlSurface final : public ISurface {
 public:
  enum Kind { Color, DepthStencil, SystemMemory };

  GlSurface(std::shared_ptr<Context> Ctx, Kind K, uint32_t W, uint32_t H, uint32_t Samples);
  ~GlSurface() override;
  HRESULT LockRect(D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t) override;
  HRESULT UnlockRect() override;
  HRESULT GetDesc(D3DSURFACE_DESC* Desc) override;

  Kind GetKind() const { return kind_; }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  uint32_t Samples() const { return samples_; }
  GLuint Name() const { return name_; }
  uint32_t* Pixels() { return pixels_.data(); }

 private:
  std::shared_ptr<Context> ctx_;
  Kind kind_;
  uint32_t width_, height_, samples_;
  GLuint name_ = 0;
  std::vector<uint32_t> pixels_;
  bool locked_ = false;
};

class GlDevice;

class GlStateBlock final : public IStateBlock {
 public:
  explicit GlStateBlock(std::weak_ptr<GlDevice> Device) : device_(std::move(Device)) {}
  HRESULT Apply() override;
  std::vector<std::function<void(GlDevice&)>> Steps;

 private:
  std::weak_ptr<GlDevice> device_;
};

// ---- the device -----------------------------------------------------------------------

struct LightSlot {
  D3DLIGHT9 Light;
  bool Enabled = false;
};

class GlDevice final : public IDevice, public std::enable_shared_from_this<GlDevice> {
 public:
  explicit GlDevice(std::shared_ptr<Context> Ctx) : ctx_(std::move(Ctx)) {}
  ~GlDevice() override;

  HRESULT Init(const D3DPRESENT_PARAMETERS& Params);

  // ---- device and frames ----
  HRESULT GetDeviceCaps(D3DCAPS9* Caps) override;
  // A context another library keeps from being made current counts as lost; a failed reset
  // leaves the device waiting for the next one.
  HRESULT TestCooperativeLevel() override;
  HRESULT CheckDeviceState(WindowHandle) override { return TestCooperativeLevel(); }
  HRESULT Reset(D3DPRESENT_PARAMETERS* Params) override;
  HRESULT ResetEx(D3DPRESENT_PARAMETERS* Params, const void*) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const RECT*, const RECT*, WindowHandle, const void*) override;
  HRESULT PresentEx(const RECT* S, const RECT* D, WindowHandle W, const void* R, uint32_t) override;
  HRESULT Clear(uint32_t Count, const D3DRECT* Rects, uint32_t Flags, uint32_t Color, float Z,
                uint32_t Stencil) override;

  HRESULT SetScissorRect(const RECT* Rect) override;
  HRESULT GetScissorRect(RECT* Rect) override;

  // ---- surfaces ----
  HRESULT GetBackBuffer(uint32_t SwapChain, uint32_t Index, D3DBACKBUFFER_TYPE,
                        std::shared_ptr<ISurface>* Surface) override;
  HRESULT CreateRenderTarget(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                             uint32_t, bool Lockable, std::shared_ptr<ISurface>* Surface) override;
  HRESULT CreateDepthStencilSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format,
                                    D3DMULTISAMPLE_TYPE MultiSample, uint32_t, bool,
                                    std::shared_ptr<ISurface>* Surface) override;
  HRESULT CreateOffscreenPlainSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DPOOL Pool,
                                      std::shared_ptr<ISurface>* Surface) override;
  HRESULT SetRenderTarget(uint32_t Index, const std::shared_ptr<ISurface>& Surface) override;
  HRESULT SetDepthStencilSurface(const std::shared_ptr<ISurface>& Surface) override;
  HRESULT StretchRect(ISurface* Source, const RECT* SourceRect, ISurface* Dest, const RECT* DestRect,
                      D3DTEXTUREFILTERTYPE Filter) override;
  HRESULT GetRenderTargetData(ISurface* RenderTarget, ISurface* Dest) override;
  HRESULT GetRenderTargetRect(ISurface* RenderTarget, const RECT* Rect, void* Bits, int32_t Pitch) override;

  // ---- buffers and textures ----
  HRESULT CreateVertexBuffer(uint32_t Length, uint32_t, uint32_t, D3DPOOL Pool,
                             std::shared_ptr<IVertexBuffer>* Buffer) override;
  HRESULT CreateIndexBuffer(uint32_t Length, uint32_t, D3DFORMAT Format, D3DPOOL Pool,
                            std::shared_ptr<IIndexBuffer>* Buffer) override;
  HRESULT CreateTexture(uint32_t Width, uint32_t Height, uint32_t Levels, uint32_t, D3DFORMAT Format, D3DPOOL Pool,
                        std::shared_ptr<ITexture>* Texture) override;
  HRESULT SetTexture(uint32_t Stage, const std::shared_ptr<ITexture>& Texture) override;

  // ---- states ----
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, uint32_t Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, uint32_t* Value) override;
  HRESULT SetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t Value) override;
  HRESULT GetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t* Value) override;
  HRESULT SetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t Value) override;
  HRESULT GetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t* Value) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* Matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* Matrix) override;
  HRESULT SetMaterial(const D3DMATERIAL9* Material) override;
  HRESULT SetLight(uint32_t Index, const D3DLIGHT9* Light) override;
  HRESULT LightEnable(uint32_t Index, bool Enable) override;
  HRESULT BeginStateBlock() override;
  HRESULT EndStateBlock(std::shared_ptr<IStateBlock>* Block) override;

  // ---- drawing ----
  HRESULT SetFVF(uint32_t FVF) override;
  HRESULT SetStreamSource(uint32_t Stream, const std::shared_ptr<IVertexBuffer>& Buffer, uint32_t Offset,
                          uint32_t Stride) override;
  HRESULT SetIndices(const std::shared_ptr<IIndexBuffer>& Buffer) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, int32_t BaseVertexIndex, uint32_t MinVertexIndex,
                               uint32_t NumVertices, uint32_t StartIndex, uint32_t PrimitiveCount) override;

  HRESULT Record(std::function<void(GlDevice&)> Step);

 private:
  bool Current() { return ctx_->MakeCurrent(); }

  uint32_t VertexSize() const;

  D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE State);

  HRESULT MakeSurface(GlSurface::Kind K, uint32_t Width, uint32_t Height, D3DMULTISAMPLE_TYPE MultiSample,
                      std::shared_ptr<ISurface>* Surface);

  void DropBindings();

  // The back buffer and automatic depth-stencil buffer of Params, then the initial state.
  HRESULT MakeSwapChain(const D3DPRESENT_PARAMETERS& P);

  void SetInitialState();

  void Enable(GLenum Cap, bool On) { On ? glEnable(Cap) : glDisable(Cap); }

  void ApplyScissor();

  void ApplyRenderState(D3DRENDERSTATETYPE State);

  // The vertex colour stands in for material colours whose source is the first vertex colour;
  // GL follows one material colour at most, so diffuse (with ambient) wins.
  void ApplyColorMaterial();

  void ApplyMaterial();

  void ApplySampler();

  // Stage 0's operations through the combiner of texture unit 0. Texturing is on only when an
  // operation reads the texture and one is bound; the binding stays either way.
  void ApplyStage();

  // Matrices and lights go to GL just before a draw.
  void FlushTransforms();

  static void SpecifyLight(GLenum Light, const D3DLIGHT9& L);

  std::shared_ptr<Context> ctx_;
  D3DPRESENT_PARAMETERS params_;
  GLuint fbo_ = 0, readFbo_ = 0, blitFbo_ = 0, sampler_ = 0;
  std::shared_ptr<GlSurface> backBuffer_, autoDepth_, renderTarget_, depthStencil_;
  RECT scissor_;
  uint32_t renderStates_[D3DRS_COUNT] = {};
  uint32_t samplerStates_[D3DSAMP_COUNT] = {};
  uint32_t stageStates_[D3DTSS_COUNT] = {};
  D3DMATRIX world_, view_, projection_, texture0_;
  D3DMATERIAL9 material_;
  std::map<uint32_t, LightSlot> lights_;
  std::shared_ptr<GlTexture> texture_;
  uint32_t fvf_ = 0;
  std::shared_ptr<GlVertexBuffer> stream_;
  uint32_t streamOffset_ = 0, stride_ = 0;
  std::shared_ptr<GlIndexBuffer> indices_;
  std::shared_ptr<GlStateBlock> recording_;
  bool lightsDirty_ = true, modelviewDirty_ = true, projectionDirty_ = true, textureMatrixDirty_ = true;
  bool inScene_ = false;
  bool needsReset_ = false;
};

}  // namespace gfx3d::gl_internal
