#include "platform/gfx3d/GlDevice.h"

#include "platform/gfx3d/States.h"

// GLVND's libEGL and libOpenGL export every entry point used here, so nothing is looked up
// at run time (a loader that opens libGL lazily drags GLX and X11 into the process).
#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <vector>

namespace gfx3d {

D3DMATRIX Multiply(const D3DMATRIX& A, const D3DMATRIX& B) {
  D3DMATRIX R;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += A.m[i][k] * B.m[k][j];
      R.m[i][j] = s;
    }
  return R;
}

namespace {

constexpr const char* RasterizerThreads = "0";

// llvmpipe hands every draw to its rasteriser threads; for the small rectangles most frames
// draw, the hand-off costs more than the drawing, so the threads are capped before the driver
// starts (a count the user set stays).
void CapRasterizerThreads() { setenv("LP_NUM_THREADS", RasterizerThreads, 0); }

// Whether EGL offers the surfaceless platform: the library is there. Nothing of the driver is
// started for the answer (it starts with the first device).
bool SurfacelessClient() {
  static const bool offered = [] {
    const char* ext = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    return ext && std::strstr(ext, "EGL_MESA_platform_surfaceless") != nullptr;
  }();
  return offered;
}

// ---- EGL display and contexts ---------------------------------------------------------

struct DisplayInfo {
  EGLDisplay Display = EGL_NO_DISPLAY;
  std::string Error;
};

// One surfaceless display for the process. It is never terminated: terminating it at exit
// leaves allocations of the unloaded driver behind.
const DisplayInfo& TheDisplay() {
  static const DisplayInfo info = [] {
    DisplayInfo d;
    CapRasterizerThreads();
    if (!SurfacelessClient()) {
      d.Error = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless)";
      return d;
    }
    EGLDisplay dpy = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, &major, &minor)) {
      d.Error = "the surfaceless EGL display does not initialise";
      return d;
    }
    const char* dext = eglQueryString(dpy, EGL_EXTENSIONS);
    if (!dext || !std::strstr(dext, "EGL_KHR_surfaceless_context") || !std::strstr(dext, "EGL_KHR_no_config_context")) {
      d.Error = "EGL lacks surfaceless or config-less contexts";
      return d;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
      d.Error = "EGL does not offer desktop OpenGL";
      return d;
    }
    d.Display = dpy;
    return d;
  }();
  return info;
}

// One EGL context, shared by a device and every resource it made, so that the context
// outlives the last GL object in it.
class Context {
 public:
  static std::shared_ptr<Context> Create(std::string* Why) {
    const DisplayInfo& d = TheDisplay();
    if (d.Display == EGL_NO_DISPLAY) {
      if (Why) *Why = d.Error;
      return nullptr;
    }
    const EGLint attribs[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 5,
                              EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                              EGL_NONE};
    eglBindAPI(EGL_OPENGL_API);
    EGLContext ctx = eglCreateContext(d.Display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attribs);
    if (ctx == EGL_NO_CONTEXT) {
      if (Why) *Why = "no OpenGL 4.5 compatibility context";
      return nullptr;
    }
    auto c = std::shared_ptr<Context>(new Context(d.Display, ctx));
    if (!c->MakeCurrent()) {
      if (Why) *Why = "the OpenGL context cannot be made current";
      return nullptr;
    }
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    if (major * 10 + minor < 45) {
      if (Why) *Why = "OpenGL below 4.5";
      return nullptr;
    }
    return c;
  }
  ~Context() {
    if (eglGetCurrentContext() == context_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  bool MakeCurrent() {
    if (eglGetCurrentContext() == context_) return true;
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
  }

  // Default-pool objects and state blocks alive, which a plain Reset refuses to outlive.
  std::vector<std::weak_ptr<IResource>> Tracked;
  void Track(const std::shared_ptr<IResource>& R) {
    std::erase_if(Tracked, [](const std::weak_ptr<IResource>& W) { return W.expired(); });
    Tracked.push_back(R);
  }
  bool AnyTrackedAlive() const {
    return std::any_of(Tracked.begin(), Tracked.end(), [](const auto& W) { return !W.expired(); });
  }

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

const Limits& TheLimits() {
  static const Limits limits = [] {
    Limits l;
    auto ctx = Context::Create(&l.Why);
    if (!ctx) return l;
    glGetIntegerv(GL_MAX_SAMPLES, &l.MaxSamples);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &l.MaxTextureSize);
    l.Ok = true;
    return l;
  }();
  return limits;
}

GLenum GlCompare(uint32_t V) {
  switch (V) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum GlBlend(uint32_t V) {
  switch (V) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLenum GlBlendOp(uint32_t V) {
  switch (V) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum GlStencilOp(uint32_t V) {
  switch (V) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLenum GlAddress(uint32_t V) {
  switch (V) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

GLenum GlFilter(uint32_t V) { return V == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST; }

void SetColor4(float* Out, const D3DCOLORVALUE& C) {
  Out[0] = C.r;
  Out[1] = C.g;
  Out[2] = C.b;
  Out[3] = C.a;
}

void ArgbToFloats(uint32_t C, float* Out) {
  Out[0] = static_cast<float>((C >> 16) & 0xFF) / 255.0f;
  Out[1] = static_cast<float>((C >> 8) & 0xFF) / 255.0f;
  Out[2] = static_cast<float>(C & 0xFF) / 255.0f;
  Out[3] = static_cast<float>(C >> 24) / 255.0f;
}

bool RectInside(const RECT& R, uint32_t W, uint32_t H) {
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
  GlBuffer(std::shared_ptr<Context> Ctx, uint32_t Length)
      : ctx_(std::move(Ctx)), shadow_(new uint8_t[Length]), length_(Length) {
    glCreateBuffers(1, &name_);
    glNamedBufferData(name_, Length, nullptr, GL_STREAM_DRAW);
  }
  ~GlBuffer() {
    if (ctx_->MakeCurrent()) glDeleteBuffers(1, &name_);
  }
  GlBuffer(const GlBuffer&) = delete;
  GlBuffer& operator=(const GlBuffer&) = delete;

  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) {
    if (!Data || locked_) return D3DERR_INVALIDCALL;
    const uint64_t length = length_;
    if (Offset > length) return D3DERR_INVALIDCALL;
    if (Size == 0) Size = static_cast<uint32_t>(length - Offset);
    if (uint64_t{Offset} + Size > length) return D3DERR_INVALIDCALL;
    locked_ = true;
    lockOffset_ = Offset;
    lockSize_ = Size;
    lockFlags_ = Flags;
    *Data = shadow_.get() + Offset;
    return D3D_OK;
  }
  HRESULT Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (!ctx_->MakeCurrent()) return D3DERR_INVALIDCALL;
    // A discarding lock lets the driver hand out fresh storage instead of waiting for the
    // draws that still read the old contents.
    if (lockFlags_ & D3DLOCK_DISCARD)
      glNamedBufferData(name_, static_cast<GLsizeiptr>(length_), nullptr, GL_STREAM_DRAW);
    if (lockSize_) glNamedBufferSubData(name_, lockOffset_, lockSize_, shadow_.get() + lockOffset_);
    return D3D_OK;
  }
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
  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) override {
    return buffer_.Lock(Offset, Size, Data, Flags);
  }
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
  HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) override {
    return buffer_.Lock(Offset, Size, Data, Flags);
  }
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
  GlTexture(std::shared_ptr<Context> Ctx, uint32_t W, uint32_t H) : ctx_(std::move(Ctx)), width_(W), height_(H) {
    glCreateTextures(GL_TEXTURE_2D, 1, &name_);
    glTextureStorage2D(name_, 1, GL_RGBA8, static_cast<GLsizei>(W), static_cast<GLsizei>(H));
    glTextureParameteri(name_, GL_TEXTURE_MAX_LEVEL, 0);
  }
  ~GlTexture() override {
    if (ctx_->MakeCurrent()) glDeleteTextures(1, &name_);
  }
  // The texels live in GL only: a lock hands out memory for the locked rectangle alone, which
  // goes up at unlock.
  HRESULT LockRect(uint32_t Level, D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t) override {
    if (Level != 0 || !Locked || locked_) return D3DERR_INVALIDCALL;
    RECT r{0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
    if (Rect) {
      if (!RectInside(*Rect, width_, height_)) return D3DERR_INVALIDCALL;
      r = *Rect;
    }
    const auto w = static_cast<size_t>(r.right - r.left), h = static_cast<size_t>(r.bottom - r.top);
    try {
      staging_.resize(w * h);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    locked_ = true;
    lockRect_ = r;
    Locked->Pitch = static_cast<int32_t>(w * 4);
    Locked->pBits = staging_.data();
    return D3D_OK;
  }
  HRESULT UnlockRect(uint32_t Level) override {
    if (Level != 0 || !locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    struct TRelease {
      std::vector<uint32_t>& Staging;
      // Small locks keep their memory for the next one; a large one gives it back.
      ~TRelease() {
        if (Staging.capacity() > MaxKeptStaging) std::vector<uint32_t>().swap(Staging);
      }
    } release{staging_};
    if (!ctx_->MakeCurrent()) return D3DERR_INVALIDCALL;
    const RECT& r = lockRect_;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTextureSubImage2D(name_, 0, r.left, r.top, r.right - r.left, r.bottom - r.top, GL_BGRA,
                        GL_UNSIGNED_INT_8_8_8_8_REV, staging_.data());
    return D3D_OK;
  }
  HRESULT GetLevelDesc(uint32_t Level, D3DSURFACE_DESC* Desc) override {
    if (Level != 0 || !Desc) return D3DERR_INVALIDCALL;
    *Desc = D3DSURFACE_DESC{D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, width_, height_};
    return D3D_OK;
  }
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

  GlSurface(std::shared_ptr<Context> Ctx, Kind K, uint32_t W, uint32_t H, uint32_t Samples)
      : ctx_(std::move(Ctx)), kind_(K), width_(W), height_(H), samples_(Samples) {
    if (K == SystemMemory) {
      pixels_.resize(size_t{W} * H);
      return;
    }
    glCreateRenderbuffers(1, &name_);
    glNamedRenderbufferStorageMultisample(name_, static_cast<GLsizei>(Samples),
                                          K == Color ? GL_RGBA8 : GL_DEPTH24_STENCIL8, static_cast<GLsizei>(W),
                                          static_cast<GLsizei>(H));
  }
  ~GlSurface() override {
    if (name_ && ctx_->MakeCurrent()) glDeleteRenderbuffers(1, &name_);
  }
  HRESULT LockRect(D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t) override {
    if (kind_ != SystemMemory || !Locked || locked_) return D3DERR_INVALIDCALL;
    RECT r{0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_)};
    if (Rect) {
      if (!RectInside(*Rect, width_, height_)) return D3DERR_INVALIDCALL;
      r = *Rect;
    }
    locked_ = true;
    Locked->Pitch = static_cast<int32_t>(width_ * 4);
    Locked->pBits = pixels_.data() + size_t(r.top) * width_ + r.left;
    return D3D_OK;
  }
  HRESULT UnlockRect() override {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
  }
  HRESULT GetDesc(D3DSURFACE_DESC* Desc) override {
    if (!Desc) return D3DERR_INVALIDCALL;
    *Desc = D3DSURFACE_DESC{kind_ == DepthStencil ? D3DFMT_D24S8 : D3DFMT_A8R8G8B8,
                            kind_ == SystemMemory ? D3DPOOL_SYSTEMMEM : D3DPOOL_DEFAULT,
                            static_cast<D3DMULTISAMPLE_TYPE>(samples_), width_, height_};
    return D3D_OK;
  }

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

D3DLIGHT9 DefaultLight() {
  D3DLIGHT9 l;
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1, 1, 1, 0};
  l.Direction = {0, 0, 1};
  return l;
}

class GlDevice final : public IDevice, public std::enable_shared_from_this<GlDevice> {
 public:
  explicit GlDevice(std::shared_ptr<Context> Ctx) : ctx_(std::move(Ctx)) {}
  ~GlDevice() override {
    if (!ctx_->MakeCurrent()) return;
    glDeleteFramebuffers(1, &fbo_);
    glDeleteFramebuffers(1, &readFbo_);
    glDeleteFramebuffers(1, &blitFbo_);
    glDeleteSamplers(1, &sampler_);
  }

  HRESULT Init(const D3DPRESENT_PARAMETERS& Params) {
    glCreateFramebuffers(1, &fbo_);
    glCreateFramebuffers(1, &readFbo_);
    glCreateFramebuffers(1, &blitFbo_);
    glCreateSamplers(1, &sampler_);
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glFrontFace(GL_CW);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
    glActiveTexture(GL_TEXTURE0);
    glBindSampler(0, sampler_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glEnableClientState(GL_VERTEX_ARRAY);
    return MakeSwapChain(Params);
  }

  // ---- device and frames ----
  HRESULT GetDeviceCaps(D3DCAPS9* Caps) override {
    if (!Caps) return D3DERR_INVALIDCALL;
    const Limits& l = TheLimits();
    Caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    Caps->MaxTextureWidth = Caps->MaxTextureHeight = static_cast<uint32_t>(l.MaxTextureSize);
    Caps->MaxActiveLights = 8;
    return D3D_OK;
  }
  // A context another library keeps from being made current counts as lost; a failed reset
  // leaves the device waiting for the next one.
  HRESULT TestCooperativeLevel() override {
    if (!ctx_->MakeCurrent()) return D3DERR_DEVICELOST;
    return needsReset_ ? D3DERR_DEVICENOTRESET : D3D_OK;
  }
  HRESULT CheckDeviceState(WindowHandle) override { return TestCooperativeLevel(); }
  HRESULT Reset(D3DPRESENT_PARAMETERS* Params) override {
    if (!Params || !Current()) return D3DERR_INVALIDCALL;
    // Let go of what the device itself holds; anything else still alive belongs to the caller.
    DropBindings();
    needsReset_ = true;
    if (ctx_->AnyTrackedAlive() || backBuffer_.use_count() > 1) return D3DERR_INVALIDCALL;
    return MakeSwapChain(*Params);
  }
  HRESULT ResetEx(D3DPRESENT_PARAMETERS* Params, const void*) override {
    if (!Params || !Current()) return D3DERR_INVALIDCALL;
    DropBindings();
    needsReset_ = true;
    return MakeSwapChain(*Params);
  }
  HRESULT BeginScene() override {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
  }
  HRESULT EndScene() override {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
  }
  HRESULT Present(const RECT*, const RECT*, WindowHandle, const void*) override {
    return Current() && !needsReset_ ? D3D_OK : D3DERR_DEVICELOST;
  }
  HRESULT PresentEx(const RECT* S, const RECT* D, WindowHandle W, const void* R, uint32_t) override {
    return Present(S, D, W, R);
  }
  HRESULT Clear(uint32_t Count, const D3DRECT* Rects, uint32_t Flags, uint32_t Color, float Z,
                uint32_t Stencil) override {
    // The whole target, or the scissor rectangle while the scissor test is on (GL's clear
    // keeps to it as Direct3D's does); lists of rectangles are refused.
    if (Count || Rects || !Current() || !renderTarget_) return D3DERR_INVALIDCALL;
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_) return D3DERR_INVALIDCALL;
    GLbitfield bits = 0;
    if (Flags & D3DCLEAR_TARGET) bits |= GL_COLOR_BUFFER_BIT;
    if (Flags & D3DCLEAR_ZBUFFER) bits |= GL_DEPTH_BUFFER_BIT;
    if (Flags & D3DCLEAR_STENCIL) bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits) return D3DERR_INVALIDCALL;
    float c[4];
    ArgbToFloats(Color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    glClearDepth(std::clamp(Z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(Stencil & 0xFF));
    // A clear writes every channel and the whole depth and stencil, whatever the write masks.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    glClear(bits);
    ApplyRenderState(D3DRS_COLORWRITEENABLE);
    ApplyRenderState(D3DRS_ZWRITEENABLE);
    ApplyRenderState(D3DRS_STENCILWRITEMASK);
    return D3D_OK;
  }

  HRESULT SetScissorRect(const RECT* Rect) override {
    if (!Rect) return D3DERR_INVALIDCALL;
    const RECT r = *Rect;
    if (recording_) return Record([r](GlDevice& D) { D.SetScissorRect(&r); });
    if (!Current() || !renderTarget_ || !RectInside(r, renderTarget_->Width(), renderTarget_->Height()))
      return D3DERR_INVALIDCALL;
    scissor_ = r;
    ApplyScissor();
    return D3D_OK;
  }
  HRESULT GetScissorRect(RECT* Rect) override {
    if (!Rect) return D3DERR_INVALIDCALL;
    *Rect = scissor_;
    return D3D_OK;
  }

  // ---- surfaces ----
  HRESULT GetBackBuffer(uint32_t SwapChain, uint32_t Index, D3DBACKBUFFER_TYPE,
                        std::shared_ptr<ISurface>* Surface) override {
    if (SwapChain != 0 || Index != 0 || !Surface) return D3DERR_INVALIDCALL;
    *Surface = backBuffer_;
    return D3D_OK;
  }
  HRESULT CreateRenderTarget(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                             uint32_t, bool Lockable, std::shared_ptr<ISurface>* Surface) override {
    if (!Surface || Format != D3DFMT_A8R8G8B8 || Lockable) return D3DERR_INVALIDCALL;
    return MakeSurface(GlSurface::Color, Width, Height, MultiSample, Surface);
  }
  HRESULT CreateDepthStencilSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format,
                                    D3DMULTISAMPLE_TYPE MultiSample, uint32_t, bool,
                                    std::shared_ptr<ISurface>* Surface) override {
    if (!Surface || Format != D3DFMT_D24S8) return D3DERR_INVALIDCALL;
    return MakeSurface(GlSurface::DepthStencil, Width, Height, MultiSample, Surface);
  }
  HRESULT CreateOffscreenPlainSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DPOOL Pool,
                                      std::shared_ptr<ISurface>* Surface) override {
    if (!Surface || Format != D3DFMT_A8R8G8B8 || Pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (Width == 0 || Height == 0 || size_t{Width} * Height > (size_t{1} << 28)) return D3DERR_INVALIDCALL;
    *Surface = TryMake<GlSurface>(ctx_, GlSurface::SystemMemory, Width, Height, 0u);
    return *Surface ? D3D_OK : E_OUTOFMEMORY;
  }
  HRESULT SetRenderTarget(uint32_t Index, const std::shared_ptr<ISurface>& Surface) override {
    auto s = std::dynamic_pointer_cast<GlSurface>(Surface);
    if (Index != 0 || !s || s->GetKind() != GlSurface::Color || !Current()) return D3DERR_INVALIDCALL;
    renderTarget_ = s;
    glNamedFramebufferRenderbuffer(fbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s->Name());
    glViewport(0, 0, static_cast<GLsizei>(s->Width()), static_cast<GLsizei>(s->Height()));
    projectionDirty_ = true;
    // As in Direct3D, a new target brings the scissor rectangle back to the whole of it.
    scissor_ = RECT{0, 0, static_cast<int32_t>(s->Width()), static_cast<int32_t>(s->Height())};
    ApplyScissor();
    return D3D_OK;
  }
  HRESULT SetDepthStencilSurface(const std::shared_ptr<ISurface>& Surface) override {
    auto s = std::dynamic_pointer_cast<GlSurface>(Surface);
    if ((Surface && (!s || s->GetKind() != GlSurface::DepthStencil)) || !Current()) return D3DERR_INVALIDCALL;
    depthStencil_ = s;
    glNamedFramebufferRenderbuffer(fbo_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, s ? s->Name() : 0);
    return D3D_OK;
  }
  HRESULT StretchRect(ISurface* Source, const RECT* SourceRect, ISurface* Dest, const RECT* DestRect,
                      D3DTEXTUREFILTERTYPE Filter) override {
    auto* src = dynamic_cast<GlSurface*>(Source);
    auto* dst = dynamic_cast<GlSurface*>(Dest);
    if (!src || !dst || src->GetKind() != GlSurface::Color || dst->GetKind() != GlSurface::Color || dst->Samples() ||
        !Current())
      return D3DERR_INVALIDCALL;
    RECT s{0, 0, static_cast<int32_t>(src->Width()), static_cast<int32_t>(src->Height())};
    RECT d{0, 0, static_cast<int32_t>(dst->Width()), static_cast<int32_t>(dst->Height())};
    if (SourceRect) s = *SourceRect;
    if (DestRect) d = *DestRect;
    if (!RectInside(s, src->Width(), src->Height()) || !RectInside(d, dst->Width(), dst->Height()))
      return D3DERR_INVALIDCALL;
    // Resolving samples needs rectangles of one size.
    if (src->Samples() && (s.right - s.left != d.right - d.left || s.bottom - s.top != d.bottom - d.top))
      return D3DERR_INVALIDCALL;
    glNamedFramebufferRenderbuffer(readFbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, src->Name());
    glNamedFramebufferRenderbuffer(blitFbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, dst->Name());
    // GL's blit keeps to the scissor rectangle, Direct3D's copy does not.
    glDisable(GL_SCISSOR_TEST);
    glBlitNamedFramebuffer(readFbo_, blitFbo_, s.left, s.top, s.right, s.bottom, d.left, d.top, d.right, d.bottom,
                           GL_COLOR_BUFFER_BIT, Filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    ApplyRenderState(D3DRS_SCISSORTESTENABLE);
    return D3D_OK;
  }
  HRESULT GetRenderTargetData(ISurface* RenderTarget, ISurface* Dest) override {
    auto* src = dynamic_cast<GlSurface*>(RenderTarget);
    auto* dst = dynamic_cast<GlSurface*>(Dest);
    if (!src || !dst || src->GetKind() != GlSurface::Color || src->Samples() ||
        dst->GetKind() != GlSurface::SystemMemory || src->Width() != dst->Width() || src->Height() != dst->Height() ||
        !Current())
      return D3DERR_INVALIDCALL;
    while (glGetError() != GL_NO_ERROR) {
    }
    glNamedFramebufferRenderbuffer(readFbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, src->Name());
    glNamedFramebufferReadBuffer(readFbo_, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // Rows come out top first: the device draws with the upper-left origin.
    glReadPixels(0, 0, static_cast<GLsizei>(src->Width()), static_cast<GLsizei>(src->Height()), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, dst->Pixels());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_INVALIDCALL;
  }
  HRESULT GetRenderTargetRect(ISurface* RenderTarget, const RECT* Rect, void* Bits, int32_t Pitch) override {
    auto* src = dynamic_cast<GlSurface*>(RenderTarget);
    if (!src || !Rect || !Bits || src->GetKind() != GlSurface::Color || src->Samples() ||
        !RectInside(*Rect, src->Width(), src->Height()) || Pitch < (Rect->right - Rect->left) * 4 || Pitch % 4 ||
        !Current())
      return D3DERR_INVALIDCALL;
    while (glGetError() != GL_NO_ERROR) {
    }
    glNamedFramebufferRenderbuffer(readFbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, src->Name());
    glNamedFramebufferReadBuffer(readFbo_, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFbo_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, Pitch / 4);
    // Window rows count from the top here (the upper-left origin), so the rows come out top first.
    glReadPixels(Rect->left, Rect->top, Rect->right - Rect->left, Rect->bottom - Rect->top, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, Bits);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_INVALIDCALL;
  }

  // ---- buffers and textures ----
  HRESULT CreateVertexBuffer(uint32_t Length, uint32_t, uint32_t, D3DPOOL Pool,
                             std::shared_ptr<IVertexBuffer>* Buffer) override {
    if (!Buffer || Length == 0 || !Current()) return D3DERR_INVALIDCALL;
    auto b = TryMake<GlVertexBuffer>(ctx_, Length);
    if (!b) return E_OUTOFMEMORY;
    if (Pool == D3DPOOL_DEFAULT) ctx_->Track(b);
    *Buffer = std::move(b);
    return D3D_OK;
  }
  HRESULT CreateIndexBuffer(uint32_t Length, uint32_t, D3DFORMAT Format, D3DPOOL Pool,
                            std::shared_ptr<IIndexBuffer>* Buffer) override {
    if (!Buffer || Length == 0 || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32) || !Current())
      return D3DERR_INVALIDCALL;
    auto b = TryMake<GlIndexBuffer>(ctx_, Length, Format);
    if (!b) return E_OUTOFMEMORY;
    if (Pool == D3DPOOL_DEFAULT) ctx_->Track(b);
    *Buffer = std::move(b);
    return D3D_OK;
  }
  HRESULT CreateTexture(uint32_t Width, uint32_t Height, uint32_t Levels, uint32_t, D3DFORMAT Format, D3DPOOL Pool,
                        std::shared_ptr<ITexture>* Texture) override {
    if (!Texture || Levels != 1 || Format != D3DFMT_A8R8G8B8 || Width == 0 || Height == 0 || !Current())
      return D3DERR_INVALIDCALL;
    const auto max = static_cast<uint32_t>(TheLimits().MaxTextureSize);
    if (Width > max || Height > max) return D3DERR_INVALIDCALL;
    auto t = TryMake<GlTexture>(ctx_, Width, Height);
    if (!t) return E_OUTOFMEMORY;
    if (Pool == D3DPOOL_DEFAULT) ctx_->Track(t);
    *Texture = std::move(t);
    return D3D_OK;
  }
  HRESULT SetTexture(uint32_t Stage, const std::shared_ptr<ITexture>& Texture) override {
    auto t = std::dynamic_pointer_cast<GlTexture>(Texture);
    if (Stage != 0 || (Texture && !t)) return D3DERR_INVALIDCALL;
    if (recording_) return Record([t](GlDevice& D) { D.SetTexture(0, t); });
    if (!Current()) return D3DERR_INVALIDCALL;
    texture_ = t;
    glBindTexture(GL_TEXTURE_2D, t ? t->Name() : 0);
    ApplyStage();
    return D3D_OK;
  }

  // ---- states ----
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, uint32_t Value) override {
    if (State >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    if (recording_) return Record([State, Value](GlDevice& D) { D.SetRenderState(State, Value); });
    if (!Current()) return D3DERR_INVALIDCALL;
    renderStates_[State] = Value;
    ApplyRenderState(State);
    return D3D_OK;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, uint32_t* Value) override {
    if (State >= D3DRS_COUNT || !Value) return D3DERR_INVALIDCALL;
    *Value = renderStates_[State];
    return D3D_OK;
  }
  HRESULT SetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t Value) override {
    if (Sampler != 0 || Type >= D3DSAMP_COUNT) return D3DERR_INVALIDCALL;
    if (recording_) return Record([Type, Value](GlDevice& D) { D.SetSamplerState(0, Type, Value); });
    if (!Current()) return D3DERR_INVALIDCALL;
    samplerStates_[Type] = Value;
    ApplySampler();
    return D3D_OK;
  }
  HRESULT GetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t* Value) override {
    if (Sampler != 0 || Type >= D3DSAMP_COUNT || !Value) return D3DERR_INVALIDCALL;
    *Value = samplerStates_[Type];
    return D3D_OK;
  }
  HRESULT SetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t Value) override {
    if (Stage != 0 || Type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    if (recording_) return Record([Type, Value](GlDevice& D) { D.SetTextureStageState(0, Type, Value); });
    if (!Current()) return D3DERR_INVALIDCALL;
    stageStates_[Type] = Value;
    if (Type == D3DTSS_TEXTURETRANSFORMFLAGS)
      textureMatrixDirty_ = true;
    else
      ApplyStage();
    return D3D_OK;
  }
  HRESULT GetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t* Value) override {
    if (Stage != 0 || Type >= D3DTSS_COUNT || !Value) return D3DERR_INVALIDCALL;
    *Value = stageStates_[Type];
    return D3D_OK;
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* Matrix) override {
    if (!Matrix) return D3DERR_INVALIDCALL;
    D3DMATRIX* target = TransformSlot(State);
    if (!target) return D3DERR_INVALIDCALL;
    if (recording_) {
      const D3DMATRIX m = *Matrix;
      return Record([State, m](GlDevice& D) { D.SetTransform(State, &m); });
    }
    *target = *Matrix;
    switch (State) {
      case D3DTS_VIEW: lightsDirty_ = modelviewDirty_ = true; break;
      case D3DTS_WORLD: modelviewDirty_ = true; break;
      case D3DTS_PROJECTION: projectionDirty_ = true; break;
      default: textureMatrixDirty_ = true; break;
    }
    return D3D_OK;
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* Matrix) override {
    D3DMATRIX* source = TransformSlot(State);
    if (!source || !Matrix) return D3DERR_INVALIDCALL;
    *Matrix = *source;
    return D3D_OK;
  }
  HRESULT SetMaterial(const D3DMATERIAL9* Material) override {
    if (!Material) return D3DERR_INVALIDCALL;
    if (recording_) {
      const D3DMATERIAL9 m = *Material;
      return Record([m](GlDevice& D) { D.SetMaterial(&m); });
    }
    if (!Current()) return D3DERR_INVALIDCALL;
    material_ = *Material;
    ApplyMaterial();
    return D3D_OK;
  }
  HRESULT SetLight(uint32_t Index, const D3DLIGHT9* Light) override {
    if (!Light) return D3DERR_INVALIDCALL;
    if (recording_) {
      const D3DLIGHT9 l = *Light;
      return Record([Index, l](GlDevice& D) { D.SetLight(Index, &l); });
    }
    lights_[Index].Light = *Light;
    lightsDirty_ = true;
    return D3D_OK;
  }
  HRESULT LightEnable(uint32_t Index, bool Enable) override {
    if (recording_) return Record([Index, Enable](GlDevice& D) { D.LightEnable(Index, Enable); });
    auto it = lights_.find(Index);
    if (it == lights_.end()) it = lights_.emplace(Index, LightSlot{DefaultLight(), false}).first;
    it->second.Enabled = Enable;
    lightsDirty_ = true;
    return D3D_OK;
  }
  HRESULT BeginStateBlock() override {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_shared<GlStateBlock>(weak_from_this());
    return D3D_OK;
  }
  HRESULT EndStateBlock(std::shared_ptr<IStateBlock>* Block) override {
    if (!recording_ || !Block) return D3DERR_INVALIDCALL;
    ctx_->Track(recording_);
    *Block = std::move(recording_);
    recording_.reset();
    return D3D_OK;
  }

  // ---- drawing ----
  HRESULT SetFVF(uint32_t FVF) override {
    if (FVF & ~(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1) || !(FVF & D3DFVF_XYZ))
      return D3DERR_INVALIDCALL;
    if (recording_) return Record([FVF](GlDevice& D) { D.SetFVF(FVF); });
    if (!Current()) return D3DERR_INVALIDCALL;
    const bool colorChanged = (fvf_ ^ FVF) & D3DFVF_DIFFUSE;
    fvf_ = FVF;
    if (colorChanged) ApplyColorMaterial();
    return D3D_OK;
  }
  HRESULT SetStreamSource(uint32_t Stream, const std::shared_ptr<IVertexBuffer>& Buffer, uint32_t Offset,
                          uint32_t Stride) override {
    auto b = std::dynamic_pointer_cast<GlVertexBuffer>(Buffer);
    if (Stream != 0 || (Buffer && !b)) return D3DERR_INVALIDCALL;
    if (recording_) return Record([b, Offset, Stride](GlDevice& D) { D.SetStreamSource(0, b, Offset, Stride); });
    stream_ = b;
    streamOffset_ = Offset;
    stride_ = Stride;
    return D3D_OK;
  }
  HRESULT SetIndices(const std::shared_ptr<IIndexBuffer>& Buffer) override {
    auto b = std::dynamic_pointer_cast<GlIndexBuffer>(Buffer);
    if (Buffer && !b) return D3DERR_INVALIDCALL;
    if (recording_) return Record([b](GlDevice& D) { D.SetIndices(b); });
    indices_ = b;
    return D3D_OK;
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, int32_t BaseVertexIndex, uint32_t MinVertexIndex,
                               uint32_t NumVertices, uint32_t StartIndex, uint32_t PrimitiveCount) override {
    if (!stream_ || !indices_ || !fvf_ || !renderTarget_ || PrimitiveCount == 0 || NumVertices == 0 || !Current())
      return D3DERR_INVALIDCALL;
    GLenum mode;
    uint64_t count;
    switch (Type) {
      case D3DPT_POINTLIST: mode = GL_POINTS; count = PrimitiveCount; break;
      case D3DPT_LINELIST: mode = GL_LINES; count = uint64_t{PrimitiveCount} * 2; break;
      case D3DPT_LINESTRIP: mode = GL_LINE_STRIP; count = uint64_t{PrimitiveCount} + 1; break;
      case D3DPT_TRIANGLELIST: mode = GL_TRIANGLES; count = uint64_t{PrimitiveCount} * 3; break;
      case D3DPT_TRIANGLESTRIP: mode = GL_TRIANGLE_STRIP; count = uint64_t{PrimitiveCount} + 2; break;
      case D3DPT_TRIANGLEFAN: mode = GL_TRIANGLE_FAN; count = uint64_t{PrimitiveCount} + 2; break;
      default: return D3DERR_INVALIDCALL;
    }
    const uint32_t indexSize = indices_->Format() == D3DFMT_INDEX32 ? 4 : 2;
    if ((uint64_t{StartIndex} + count) * indexSize > indices_->Length()) return D3DERR_INVALIDCALL;
    const uint32_t need = VertexSize();
    const uint32_t stride = stride_ ? stride_ : need;
    if (stride < need) return D3DERR_INVALIDCALL;
    const int64_t firstByte = int64_t{streamOffset_} + (int64_t{BaseVertexIndex} + MinVertexIndex) * stride;
    const int64_t endByte = firstByte + int64_t{NumVertices - 1} * stride + need;
    if (firstByte < 0 || endByte > stream_->Length()) return D3DERR_INVALIDCALL;

    FlushTransforms();
    glBindBuffer(GL_ARRAY_BUFFER, stream_->Name());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_->Name());
    auto at = [this](uint32_t Offset) { return reinterpret_cast<const void*>(uintptr_t{streamOffset_} + Offset); };
    const auto s = static_cast<GLsizei>(stride);
    uint32_t offset = 12;
    glVertexPointer(3, GL_FLOAT, s, at(0));
    if (fvf_ & D3DFVF_NORMAL) {
      glEnableClientState(GL_NORMAL_ARRAY);
      glNormalPointer(GL_FLOAT, s, at(offset));
      offset += 12;
    } else {
      glDisableClientState(GL_NORMAL_ARRAY);
      glNormal3f(0, 0, 0);
    }
    if (fvf_ & D3DFVF_DIFFUSE) {
      glEnableClientState(GL_COLOR_ARRAY);
      glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, s, at(offset));
      offset += 4;
    } else {
      glDisableClientState(GL_COLOR_ARRAY);
      glColor4f(1, 1, 1, 1);  // a vertex without colour is white
    }
    if (fvf_ & D3DFVF_TEX1) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, s, at(offset));
    } else {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glDrawRangeElementsBaseVertex(mode, MinVertexIndex, MinVertexIndex + NumVertices - 1,
                                  static_cast<GLsizei>(count),
                                  indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                  reinterpret_cast<const void*>(uintptr_t{StartIndex} * indexSize), BaseVertexIndex);
    return D3D_OK;
  }

  HRESULT Record(std::function<void(GlDevice&)> Step) {
    recording_->Steps.push_back(std::move(Step));
    return D3D_OK;
  }

 private:
  bool Current() { return ctx_->MakeCurrent(); }

  uint32_t VertexSize() const {
    return 12 + ((fvf_ & D3DFVF_NORMAL) ? 12 : 0) + ((fvf_ & D3DFVF_DIFFUSE) ? 4 : 0) + ((fvf_ & D3DFVF_TEX1) ? 8 : 0);
  }

  D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE State) {
    switch (State) {
      case D3DTS_VIEW: return &view_;
      case D3DTS_PROJECTION: return &projection_;
      case D3DTS_WORLD: return &world_;
      case D3DTS_TEXTURE0: return &texture0_;
      default: return nullptr;
    }
  }

  HRESULT MakeSurface(GlSurface::Kind K, uint32_t Width, uint32_t Height, D3DMULTISAMPLE_TYPE MultiSample,
                      std::shared_ptr<ISurface>* Surface) {
    if (!Current()) return D3DERR_INVALIDCALL;
    const auto max = static_cast<uint32_t>(TheLimits().MaxTextureSize);
    if (Width == 0 || Height == 0 || Width > max || Height > max) return D3DERR_INVALIDCALL;
    if (MultiSample > static_cast<uint32_t>(TheLimits().MaxSamples)) return D3DERR_NOTAVAILABLE;
    auto s = std::make_shared<GlSurface>(ctx_, K, Width, Height, MultiSample);
    ctx_->Track(s);
    *Surface = std::move(s);
    return D3D_OK;
  }

  void DropBindings() {
    texture_.reset();
    stream_.reset();
    indices_.reset();
    renderTarget_.reset();
    depthStencil_.reset();
    glBindTexture(GL_TEXTURE_2D, 0);
    glNamedFramebufferRenderbuffer(fbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    glNamedFramebufferRenderbuffer(fbo_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
  }

  // The back buffer and automatic depth-stencil buffer of Params, then the initial state.
  HRESULT MakeSwapChain(const D3DPRESENT_PARAMETERS& P) {
    const Limits& l = TheLimits();
    if (P.BackBufferWidth == 0 || P.BackBufferHeight == 0 ||
        P.BackBufferWidth > static_cast<uint32_t>(l.MaxTextureSize) ||
        P.BackBufferHeight > static_cast<uint32_t>(l.MaxTextureSize))
      return D3DERR_INVALIDCALL;
    if (P.BackBufferFormat != D3DFMT_A8R8G8B8 && P.BackBufferFormat != D3DFMT_UNKNOWN) return D3DERR_INVALIDCALL;
    if (P.EnableAutoDepthStencil && P.AutoDepthStencilFormat != D3DFMT_D24S8) return D3DERR_INVALIDCALL;
    if (P.MultiSampleType > static_cast<uint32_t>(l.MaxSamples)) return D3DERR_NOTAVAILABLE;
    params_ = P;
    backBuffer_ = std::make_shared<GlSurface>(ctx_, GlSurface::Color, P.BackBufferWidth, P.BackBufferHeight,
                                              P.MultiSampleType);
    autoDepth_.reset();
    if (P.EnableAutoDepthStencil)
      autoDepth_ = std::make_shared<GlSurface>(ctx_, GlSurface::DepthStencil, P.BackBufferWidth,
                                               P.BackBufferHeight, P.MultiSampleType);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    SetRenderTarget(0, backBuffer_);
    SetDepthStencilSurface(autoDepth_);
    if (glCheckNamedFramebufferStatus(fbo_, GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
      return D3DERR_NOTAVAILABLE;
    SetInitialState();
    needsReset_ = false;
    return D3D_OK;
  }

  void SetInitialState() {
    const bool autoDepth = params_.EnableAutoDepthStencil != 0;
    for (uint32_t s = 0; s < D3DRS_COUNT; ++s)
      renderStates_[s] = InitialRenderState(static_cast<D3DRENDERSTATETYPE>(s), autoDepth);
    for (uint32_t s = 0; s < D3DRS_COUNT; ++s) ApplyRenderState(static_cast<D3DRENDERSTATETYPE>(s));

    for (uint32_t t = 0; t < D3DSAMP_COUNT; ++t)
      samplerStates_[t] = InitialSamplerState(static_cast<D3DSAMPLERSTATETYPE>(t));
    ApplySampler();

    for (uint32_t t = 0; t < D3DTSS_COUNT; ++t)
      stageStates_[t] = InitialStageState(static_cast<D3DTEXTURESTAGESTATETYPE>(t));
    ApplyStage();

    world_ = view_ = projection_ = texture0_ = D3DMATRIX{};
    material_ = D3DMATERIAL9{};
    ApplyMaterial();
    lights_.clear();
    fvf_ = 0;
    stream_.reset();
    indices_.reset();
    texture_.reset();
    glBindTexture(GL_TEXTURE_2D, 0);
    lightsDirty_ = modelviewDirty_ = projectionDirty_ = textureMatrixDirty_ = true;
    inScene_ = false;
  }

  void Enable(GLenum Cap, bool On) { On ? glEnable(Cap) : glDisable(Cap); }

  void ApplyScissor() {
    glScissor(scissor_.left, scissor_.top, scissor_.right - scissor_.left, scissor_.bottom - scissor_.top);
  }

  void ApplyRenderState(D3DRENDERSTATETYPE State) {
    const uint32_t* rs = renderStates_;
    const uint32_t v = rs[State];
    switch (State) {
      case D3DRS_ZENABLE: Enable(GL_DEPTH_TEST, v != D3DZB_FALSE); break;
      case D3DRS_ZFUNC: glDepthFunc(GlCompare(v)); break;
      case D3DRS_ZWRITEENABLE: glDepthMask(v ? GL_TRUE : GL_FALSE); break;
      case D3DRS_FILLMODE:
        glPolygonMode(GL_FRONT_AND_BACK, v == D3DFILL_POINT ? GL_POINT : v == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
        break;
      case D3DRS_SHADEMODE: glShadeModel(v == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH); break;
      case D3DRS_CULLMODE:
        // Front faces are clockwise on screen; the upper-left origin keeps GL's facing so.
        Enable(GL_CULL_FACE, v == D3DCULL_CW || v == D3DCULL_CCW);
        glCullFace(v == D3DCULL_CW ? GL_FRONT : GL_BACK);
        break;
      case D3DRS_ALPHATESTENABLE: Enable(GL_ALPHA_TEST, v != 0); break;
      case D3DRS_ALPHAREF:
      case D3DRS_ALPHAFUNC:
        glAlphaFunc(GlCompare(rs[D3DRS_ALPHAFUNC]), static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f);
        break;
      case D3DRS_ALPHABLENDENABLE: Enable(GL_BLEND, v != 0); break;
      case D3DRS_SRCBLEND:
      case D3DRS_DESTBLEND:
      case D3DRS_SEPARATEALPHABLENDENABLE:
      case D3DRS_SRCBLENDALPHA:
      case D3DRS_DESTBLENDALPHA: {
        // GL has no switch for separate alpha factors: without it alpha uses the colour pair.
        const bool sep = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
        glBlendFuncSeparate(GlBlend(rs[D3DRS_SRCBLEND]), GlBlend(rs[D3DRS_DESTBLEND]),
                            GlBlend(sep ? rs[D3DRS_SRCBLENDALPHA] : rs[D3DRS_SRCBLEND]),
                            GlBlend(sep ? rs[D3DRS_DESTBLENDALPHA] : rs[D3DRS_DESTBLEND]));
        if (State == D3DRS_SEPARATEALPHABLENDENABLE) ApplyRenderState(D3DRS_BLENDOP);
        break;
      }
      case D3DRS_BLENDOP:
      case D3DRS_BLENDOPALPHA: {
        const bool sep = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
        glBlendEquationSeparate(GlBlendOp(rs[D3DRS_BLENDOP]),
                                GlBlendOp(sep ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP]));
        break;
      }
      case D3DRS_FOGENABLE: Enable(GL_FOG, v != 0); break;
      case D3DRS_SPECULARENABLE: ApplyMaterial(); break;
      case D3DRS_STENCILENABLE: Enable(GL_STENCIL_TEST, v != 0); break;
      case D3DRS_STENCILFUNC:
      case D3DRS_STENCILREF:
      case D3DRS_STENCILMASK:
        glStencilFunc(GlCompare(rs[D3DRS_STENCILFUNC]), static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF),
                      rs[D3DRS_STENCILMASK] & 0xFF);
        break;
      case D3DRS_STENCILFAIL:
      case D3DRS_STENCILZFAIL:
      case D3DRS_STENCILPASS:
        glStencilOp(GlStencilOp(rs[D3DRS_STENCILFAIL]), GlStencilOp(rs[D3DRS_STENCILZFAIL]),
                    GlStencilOp(rs[D3DRS_STENCILPASS]));
        break;
      case D3DRS_STENCILWRITEMASK: glStencilMask(v & 0xFF); break;
      case D3DRS_LIGHTING: Enable(GL_LIGHTING, v != 0); break;
      case D3DRS_AMBIENT: {
        float c[4];
        ArgbToFloats(v, c);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, c);
        break;
      }
      case D3DRS_COLORVERTEX:
      case D3DRS_DIFFUSEMATERIALSOURCE:
      case D3DRS_AMBIENTMATERIALSOURCE:
      case D3DRS_SPECULARMATERIALSOURCE:
      case D3DRS_EMISSIVEMATERIALSOURCE: ApplyColorMaterial(); break;
      case D3DRS_NORMALIZENORMALS: Enable(GL_NORMALIZE, v != 0); break;
      case D3DRS_CLIPPLANEENABLE:
        for (int i = 0; i < 6; ++i) Enable(GL_CLIP_PLANE0 + i, (v >> i) & 1);
        break;
      case D3DRS_SCISSORTESTENABLE: Enable(GL_SCISSOR_TEST, v != 0); break;
      case D3DRS_COLORWRITEENABLE:
        glColorMask(v & D3DCOLORWRITEENABLE_RED ? GL_TRUE : GL_FALSE, v & D3DCOLORWRITEENABLE_GREEN ? GL_TRUE : GL_FALSE,
                    v & D3DCOLORWRITEENABLE_BLUE ? GL_TRUE : GL_FALSE, v & D3DCOLORWRITEENABLE_ALPHA ? GL_TRUE : GL_FALSE);
        break;
      default: break;  // kept, with no effect here (clipping is always on in GL)
    }
  }

  // The vertex colour stands in for material colours whose source is the first vertex colour;
  // GL follows one material colour at most, so diffuse (with ambient) wins.
  void ApplyColorMaterial() {
    const uint32_t* rs = renderStates_;
    const bool vertex = rs[D3DRS_COLORVERTEX] && (fvf_ == 0 || (fvf_ & D3DFVF_DIFFUSE));
    const bool d = rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool a = rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool s = rs[D3DRS_SPECULARMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool e = rs[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1;
    GLenum mode = d && a ? GL_AMBIENT_AND_DIFFUSE : d ? GL_DIFFUSE : a ? GL_AMBIENT : s ? GL_SPECULAR : GL_EMISSION;
    const bool on = vertex && (d || a || s || e);
    glDisable(GL_COLOR_MATERIAL);
    if (on) {
      glColorMaterial(GL_FRONT_AND_BACK, mode);
      glEnable(GL_COLOR_MATERIAL);
    }
    // Turning colour tracking off leaves the tracked colour in the material: send it again.
    if (!on) ApplyMaterial();
  }

  void ApplyMaterial() {
    float c[4];
    SetColor4(c, material_.Diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, c);
    SetColor4(c, material_.Ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, c);
    // GL always adds the specular term: with specular off it gets a black one.
    SetColor4(c, renderStates_[D3DRS_SPECULARENABLE] ? material_.Specular : D3DCOLORVALUE{0, 0, 0, material_.Specular.a});
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, c);
    SetColor4(c, material_.Emissive);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, c);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(material_.Power, 0.0f, 128.0f));
  }

  void ApplySampler() {
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, GlFilter(samplerStates_[D3DSAMP_MAGFILTER]));
    // Textures have one level: a mipmap filter would leave them incomplete.
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, GlFilter(samplerStates_[D3DSAMP_MINFILTER]));
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GlAddress(samplerStates_[D3DSAMP_ADDRESSU]));
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GlAddress(samplerStates_[D3DSAMP_ADDRESSV]));
  }

  // Stage 0's operations through the combiner of texture unit 0. Texturing is on only when an
  // operation reads the texture and one is bound; the binding stays either way.
  void ApplyStage() {
    const uint32_t* ts = stageStates_;
    auto source = [](uint32_t Arg) { return (Arg & 0xF) == D3DTA_TEXTURE ? GL_TEXTURE : GL_PRIMARY_COLOR; };
    auto reads = [&](uint32_t Op, uint32_t A1, uint32_t A2) {
      return (Op == D3DTOP_SELECTARG1 && (A1 & 0xF) == D3DTA_TEXTURE) ||
             (Op == D3DTOP_SELECTARG2 && (A2 & 0xF) == D3DTA_TEXTURE) ||
             (Op == D3DTOP_MODULATE && ((A1 & 0xF) == D3DTA_TEXTURE || (A2 & 0xF) == D3DTA_TEXTURE));
    };
    auto setup = [&](uint32_t Op, uint32_t A1, uint32_t A2, GLenum Combine, GLenum Src0, GLenum Src1) {
      if (Op == D3DTOP_MODULATE) {
        glTexEnvi(GL_TEXTURE_ENV, Combine, GL_MODULATE);
        glTexEnvi(GL_TEXTURE_ENV, Src0, source(A1));
        glTexEnvi(GL_TEXTURE_ENV, Src1, source(A2));
      } else {
        glTexEnvi(GL_TEXTURE_ENV, Combine, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, Src0,
                  Op == D3DTOP_SELECTARG1 ? source(A1) : Op == D3DTOP_SELECTARG2 ? source(A2) : GL_PRIMARY_COLOR);
      }
    };
    const bool colorReads = reads(ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2]);
    const bool alphaReads = reads(ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2]);
    const bool disabled = ts[D3DTSS_COLOROP] == D3DTOP_DISABLE;
    Enable(GL_TEXTURE_2D, texture_ && !disabled && (colorReads || alphaReads));
    setup(disabled ? D3DTOP_DISABLE : ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2], GL_COMBINE_RGB,
          GL_SRC0_RGB, GL_SRC1_RGB);
    setup(disabled ? D3DTOP_DISABLE : ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2],
          GL_COMBINE_ALPHA, GL_SRC0_ALPHA, GL_SRC1_ALPHA);
  }

  // Matrices and lights go to GL just before a draw.
  void FlushTransforms() {
    if (projectionDirty_) {
      // Direct3D samples pixels at whole coordinates, GL at half ones: shift clip space by
      // half a pixel right and down.
      D3DMATRIX shift;
      shift.m[3][0] = 1.0f / static_cast<float>(renderTarget_->Width());
      shift.m[3][1] = -1.0f / static_cast<float>(renderTarget_->Height());
      const D3DMATRIX p = Multiply(projection_, shift);
      glMatrixMode(GL_PROJECTION);
      glLoadMatrixf(&p.m[0][0]);
      projectionDirty_ = false;
    }
    if (textureMatrixDirty_) {
      D3DMATRIX t;
      if (stageStates_[D3DTSS_TEXTURETRANSFORMFLAGS] == D3DTTFF_COUNT2) {
        // Direct3D offsets 2D coordinates by the third row, GL by the fourth.
        t = texture0_;
        t.m[3][0] = texture0_.m[2][0];
        t.m[3][1] = texture0_.m[2][1];
        t.m[2][0] = t.m[2][1] = 0;
      }
      glMatrixMode(GL_TEXTURE);
      glLoadMatrixf(&t.m[0][0]);
      textureMatrixDirty_ = false;
    }
    glMatrixMode(GL_MODELVIEW);
    if (lightsDirty_) {
      // Lights are in world space: GL takes their positions through the view alone.
      glLoadMatrixf(&view_.m[0][0]);
      int slot = 0;
      for (auto& [index, l] : lights_) {
        if (!l.Enabled || slot >= 8) continue;
        SpecifyLight(GL_LIGHT0 + slot, l.Light);
        ++slot;
      }
      for (; slot < 8; ++slot) glDisable(GL_LIGHT0 + slot);
      lightsDirty_ = false;
      modelviewDirty_ = true;
    }
    if (modelviewDirty_) {
      const D3DMATRIX wv = Multiply(world_, view_);
      glLoadMatrixf(&wv.m[0][0]);
      modelviewDirty_ = false;
    }
  }

  static void SpecifyLight(GLenum Light, const D3DLIGHT9& L) {
    float c[4];
    SetColor4(c, L.Ambient);
    glLightfv(Light, GL_AMBIENT, c);
    SetColor4(c, L.Diffuse);
    glLightfv(Light, GL_DIFFUSE, c);
    SetColor4(c, L.Specular);
    glLightfv(Light, GL_SPECULAR, c);
    if (L.Type == D3DLIGHT_DIRECTIONAL) {
      const float pos[4] = {-L.Direction.x, -L.Direction.y, -L.Direction.z, 0};
      glLightfv(Light, GL_POSITION, pos);
      glLightf(Light, GL_SPOT_CUTOFF, 180);
      glLightf(Light, GL_CONSTANT_ATTENUATION, 1);
      glLightf(Light, GL_LINEAR_ATTENUATION, 0);
      glLightf(Light, GL_QUADRATIC_ATTENUATION, 0);
    } else {
      const float pos[4] = {L.Position.x, L.Position.y, L.Position.z, 1};
      glLightfv(Light, GL_POSITION, pos);
      glLightf(Light, GL_CONSTANT_ATTENUATION, L.Attenuation0);
      glLightf(Light, GL_LINEAR_ATTENUATION, L.Attenuation1);
      glLightf(Light, GL_QUADRATIC_ATTENUATION, L.Attenuation2);
      if (L.Type == D3DLIGHT_SPOT) {
        // One cone edge, at half the outer cone angle, instead of an inner and outer cone.
        const float dir[3] = {L.Direction.x, L.Direction.y, L.Direction.z};
        glLightfv(Light, GL_SPOT_DIRECTION, dir);
        glLightf(Light, GL_SPOT_CUTOFF, std::clamp(L.Phi * 0.5f * 57.29578f, 0.0f, 90.0f));
        glLightf(Light, GL_SPOT_EXPONENT, std::clamp(L.Falloff, 0.0f, 128.0f));
      } else {
        glLightf(Light, GL_SPOT_CUTOFF, 180);
      }
    }
    glEnable(Light);
  }

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

HRESULT GlStateBlock::Apply() {
  auto device = device_.lock();
  if (!device) return D3DERR_INVALIDCALL;
  for (auto& step : Steps) step(*device);
  return D3D_OK;
}

// ---- the process object ---------------------------------------------------------------

class GlDirect3D final : public IDirect3D {
 public:
  explicit GlDirect3D(bool Ex) : ex_(Ex) {}
  bool IsEx() const override { return ex_; }
  HRESULT GetDeviceCaps(uint32_t Adapter, D3DDEVTYPE Type, D3DCAPS9* Caps) override {
    if (Adapter != D3DADAPTER_DEFAULT || Type != D3DDEVTYPE_HAL || !Caps) return D3DERR_INVALIDCALL;
    Caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    Caps->MaxTextureWidth = Caps->MaxTextureHeight = static_cast<uint32_t>(TheLimits().MaxTextureSize);
    Caps->MaxActiveLights = 8;
    return D3D_OK;
  }
  HRESULT CheckDeviceMultiSampleType(uint32_t Adapter, D3DDEVTYPE Type, D3DFORMAT Format, bool,
                                     D3DMULTISAMPLE_TYPE MultiSample, uint32_t* QualityLevels) override {
    if (Adapter != D3DADAPTER_DEFAULT || Type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
    if (Format != D3DFMT_A8R8G8B8 || MultiSample > static_cast<uint32_t>(TheLimits().MaxSamples))
      return D3DERR_NOTAVAILABLE;
    if (QualityLevels) *QualityLevels = 1;
    return D3D_OK;
  }
  HRESULT CreateDevice(uint32_t Adapter, D3DDEVTYPE Type, WindowHandle, uint32_t, D3DPRESENT_PARAMETERS* Params,
                       std::shared_ptr<IDevice>* Device) override {
    return Make(Adapter, Type, Params, Device);
  }
  HRESULT CreateDeviceEx(uint32_t Adapter, D3DDEVTYPE Type, WindowHandle, uint32_t, D3DPRESENT_PARAMETERS* Params,
                         const void*, std::shared_ptr<IDevice>* Device) override {
    if (!ex_) return D3DERR_NOTAVAILABLE;
    return Make(Adapter, Type, Params, Device);
  }

 private:
  HRESULT Make(uint32_t Adapter, D3DDEVTYPE Type, D3DPRESENT_PARAMETERS* Params, std::shared_ptr<IDevice>* Device) {
    if (!Device) return D3DERR_INVALIDCALL;
    Device->reset();
    if (Adapter != D3DADAPTER_DEFAULT || Type != D3DDEVTYPE_HAL || !Params) return D3DERR_INVALIDCALL;
    auto ctx = Context::Create(nullptr);
    if (!ctx) return D3DERR_NOTAVAILABLE;
    auto device = std::make_shared<GlDevice>(ctx);
    const HRESULT r = device->Init(*Params);
    if (Failed(r)) return r;
    *Device = std::move(device);
    return D3D_OK;
  }
  bool ex_;
};

}  // namespace

bool GlAvailable(std::string* Why) {
  const Limits& l = TheLimits();
  if (!l.Ok && Why) *Why = l.Why;
  return l.Ok;
}

bool ProbeOpenGlContext(std::string* Why) {
  // A context current before stays current after.
  const EGLDisplay display = eglGetCurrentDisplay();
  const EGLContext current = eglGetCurrentContext();
  const EGLSurface draw = eglGetCurrentSurface(EGL_DRAW), read = eglGetCurrentSurface(EGL_READ);
  std::string why;
  const bool ok = Context::Create(&why) != nullptr;
  if (current != EGL_NO_CONTEXT) eglMakeCurrent(display, draw, read, current);
  if (!ok && Why) *Why = why;
  return ok;
}

TOpenGlProbeProcess::TOpenGlProbeProcess(int Count) : count_(std::max(Count, 0)) {
  int fds[2];
  if (count_ == 0 || ::pipe2(fds, O_CLOEXEC) != 0) return;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    for (int i = 0; i < count_; ++i) {
      const char result = ProbeOpenGlContext() ? 'T' : 'F';
      if (::write(fds[1], &result, 1) != 1) break;
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return;
  }
  pid_ = pid;
  results_ = fds[0];
}

TOpenGlProbeProcess::~TOpenGlProbeProcess() {
  if (results_ >= 0) ::close(results_);
  if (pid_ > 0) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }
}

bool TOpenGlProbeProcess::Next(int TimeoutMs) {
  if (taken_ >= count_) return false;
  ++taken_;
  // No child: the probe runs here.
  if (results_ < 0 && pid_ < 0 && !broken_) return ProbeOpenGlContext();
  if (broken_) return false;
  pollfd p{results_, POLLIN, 0};
  int r;
  do r = ::poll(&p, 1, TimeoutMs); while (r < 0 && errno == EINTR);
  char result = 0;
  if (r <= 0 || ::read(results_, &result, 1) != 1) {
    broken_ = true;
    return false;
  }
  return result == 'T';
}

void ReleaseCurrentContext() {
  const DisplayInfo& d = TheDisplay();
  if (d.Display != EGL_NO_DISPLAY && eglGetCurrentContext() != EGL_NO_CONTEXT)
    eglMakeCurrent(d.Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

Direct3DEntries OpenGlDirect3D(Availability Mode) {
  Direct3DEntries e;
  if (Mode == Availability::Absent) return e;
  CapRasterizerThreads();
  // The process object needs the library only; the driver starts with the first device (a
  // program whose windows never draw on a device never starts it).
  e.Create9 = [](uint32_t Sdk) -> std::shared_ptr<IDirect3D> {
    if (Sdk != D3D_SDK_VERSION || !SurfacelessClient()) return nullptr;
    return std::make_shared<GlDirect3D>(false);
  };
  if (Mode == Availability::Ex)
    e.Create9Ex = [](uint32_t Sdk, std::shared_ptr<IDirect3D>* Object) -> HRESULT {
      if (!Object) return D3DERR_INVALIDCALL;
      Object->reset();
      if (Sdk != D3D_SDK_VERSION) return D3DERR_INVALIDCALL;
      if (!SurfacelessClient()) return D3DERR_NOTAVAILABLE;
      *Object = std::make_shared<GlDirect3D>(true);
      return D3D_OK;
    };
  return e;
}

}  // namespace gfx3d
