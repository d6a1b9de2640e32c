// The OpenGL device over EGL: the process's surfaceless display, contexts, the driver's limits,
// the device's frames and drawing, the process object and the context probes. Its resources
// are in GlDeviceResources.cpp, its states in GlDeviceStates.cpp.
#include "platform/gfx3d/GlDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/gfx3d/GlDevice_Internal.h"

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

}  // namespace

namespace gl_internal {

std::shared_ptr<Context> Context::Create(std::string* Why) {
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

Context::~Context() {
  if (eglGetCurrentContext() == context_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display_, context_);
}

bool Context::MakeCurrent() {
  if (eglGetCurrentContext() == context_) return true;
  return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
}

void Context::Track(const std::shared_ptr<IResource>& R) {
  std::erase_if(Tracked, [](const std::weak_ptr<IResource>& W) { return W.expired(); });
  Tracked.push_back(R);
}

bool Context::AnyTrackedAlive() const {
  return std::any_of(Tracked.begin(), Tracked.end(), [](const auto& W) { return !W.expired(); });
}

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

GlDevice::~GlDevice() {
  if (!ctx_->MakeCurrent()) return;
  glDeleteFramebuffers(1, &fbo_);
  glDeleteFramebuffers(1, &readFbo_);
  glDeleteFramebuffers(1, &blitFbo_);
  glDeleteSamplers(1, &sampler_);
}

HRESULT GlDevice::Init(const D3DPRESENT_PARAMETERS& Params) {
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

HRESULT GlDevice::GetDeviceCaps(D3DCAPS9* Caps) {
  if (!Caps) return D3DERR_INVALIDCALL;
  const Limits& l = TheLimits();
  Caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
  Caps->MaxTextureWidth = Caps->MaxTextureHeight = static_cast<uint32_t>(l.MaxTextureSize);
  Caps->MaxActiveLights = 8;
  return D3D_OK;
}

HRESULT GlDevice::TestCooperativeLevel() {
  if (!ctx_->MakeCurrent()) return D3DERR_DEVICELOST;
  return needsReset_ ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS* Params) {
  if (!Params || !Current()) return D3DERR_INVALIDCALL;
  // Let go of what the device itself holds; anything else still alive belongs to the caller.
  DropBindings();
  needsReset_ = true;
  if (ctx_->AnyTrackedAlive() || backBuffer_.use_count() > 1) return D3DERR_INVALIDCALL;
  return MakeSwapChain(*Params);
}

HRESULT GlDevice::ResetEx(D3DPRESENT_PARAMETERS* Params, const void*) {
  if (!Params || !Current()) return D3DERR_INVALIDCALL;
  DropBindings();
  needsReset_ = true;
  return MakeSwapChain(*Params);
}

HRESULT GlDevice::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT GlDevice::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT GlDevice::Present(const RECT*, const RECT*, WindowHandle, const void*) {
  return Current() && !needsReset_ ? D3D_OK : D3DERR_DEVICELOST;
}

HRESULT GlDevice::PresentEx(const RECT* S, const RECT* D, WindowHandle W, const void* R, uint32_t) {
  return Present(S, D, W, R);
}

HRESULT GlDevice::Clear(uint32_t Count, const D3DRECT* Rects, uint32_t Flags, uint32_t Color, float Z,
                        uint32_t Stencil) {
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

HRESULT GlDevice::SetScissorRect(const RECT* Rect) {
  if (!Rect) return D3DERR_INVALIDCALL;
  const RECT r = *Rect;
  if (recording_) return Record([r](GlDevice& D) { D.SetScissorRect(&r); });
  if (!Current() || !renderTarget_ || !RectInside(r, renderTarget_->Width(), renderTarget_->Height()))
    return D3DERR_INVALIDCALL;
  scissor_ = r;
  ApplyScissor();
  return D3D_OK;
}

HRESULT GlDevice::GetScissorRect(RECT* Rect) {
  if (!Rect) return D3DERR_INVALIDCALL;
  *Rect = scissor_;
  return D3D_OK;
}

HRESULT GlDevice::SetFVF(uint32_t FVF) {
  if (FVF & ~(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1) || !(FVF & D3DFVF_XYZ))
    return D3DERR_INVALIDCALL;
  if (recording_) return Record([FVF](GlDevice& D) { D.SetFVF(FVF); });
  if (!Current()) return D3DERR_INVALIDCALL;
  const bool colorChanged = (fvf_ ^ FVF) & D3DFVF_DIFFUSE;
  fvf_ = FVF;
  if (colorChanged) ApplyColorMaterial();
  return D3D_OK;
}

HRESULT GlDevice::SetStreamSource(uint32_t Stream, const std::shared_ptr<IVertexBuffer>& Buffer, uint32_t Offset,
                                  uint32_t Stride) {
  auto b = std::dynamic_pointer_cast<GlVertexBuffer>(Buffer);
  if (Stream != 0 || (Buffer && !b)) return D3DERR_INVALIDCALL;
  if (recording_) return Record([b, Offset, Stride](GlDevice& D) { D.SetStreamSource(0, b, Offset, Stride); });
  stream_ = b;
  streamOffset_ = Offset;
  stride_ = Stride;
  return D3D_OK;
}

HRESULT GlDevice::SetIndices(const std::shared_ptr<IIndexBuffer>& Buffer) {
  auto b = std::dynamic_pointer_cast<GlIndexBuffer>(Buffer);
  if (Buffer && !b) return D3DERR_INVALIDCALL;
  if (recording_) return Record([b](GlDevice& D) { D.SetIndices(b); });
  indices_ = b;
  return D3D_OK;
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, int32_t BaseVertexIndex, uint32_t MinVertexIndex,
                                       uint32_t NumVertices, uint32_t StartIndex, uint32_t PrimitiveCount) {
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

HRESULT GlDevice::Record(std::function<void(GlDevice&)> Step) {
  recording_->Steps.push_back(std::move(Step));
  return D3D_OK;
}

uint32_t GlDevice::VertexSize() const {
  return 12 + ((fvf_ & D3DFVF_NORMAL) ? 12 : 0) + ((fvf_ & D3DFVF_DIFFUSE) ? 4 : 0) + ((fvf_ & D3DFVF_TEX1) ? 8 : 0);
}

void GlDevice::DropBindings() {
  texture_.reset();
  stream_.reset();
  indices_.reset();
  renderTarget_.reset();
  depthStencil_.reset();
  glBindTexture(GL_TEXTURE_2D, 0);
  glNamedFramebufferRenderbuffer(fbo_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
  glNamedFramebufferRenderbuffer(fbo_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
}

HRESULT GlDevice::MakeSwapChain(const D3DPRESENT_PARAMETERS& P) {
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

void GlDevice::SetInitialState() {
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

}  // namespace gl_internal

namespace {

// ---- the process object ---------------------------------------------------------------

class GlDirect3D final : public IDirect3D {
 public:
  explicit GlDirect3D(bool Ex) : ex_(Ex) {}
  bool IsEx() const override { return ex_; }
  HRESULT GetDeviceCaps(uint32_t Adapter, D3DDEVTYPE Type, D3DCAPS9* Caps) override {
    if (Adapter != D3DADAPTER_DEFAULT || Type != D3DDEVTYPE_HAL || !Caps) return D3DERR_INVALIDCALL;
    Caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    Caps->MaxTextureWidth = Caps->MaxTextureHeight = static_cast<uint32_t>(gl_internal::TheLimits().MaxTextureSize);
    Caps->MaxActiveLights = 8;
    return D3D_OK;
  }
  HRESULT CheckDeviceMultiSampleType(uint32_t Adapter, D3DDEVTYPE Type, D3DFORMAT Format, bool,
                                     D3DMULTISAMPLE_TYPE MultiSample, uint32_t* QualityLevels) override {
    if (Adapter != D3DADAPTER_DEFAULT || Type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
    if (Format != D3DFMT_A8R8G8B8 || MultiSample > static_cast<uint32_t>(gl_internal::TheLimits().MaxSamples))
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
    auto ctx = gl_internal::Context::Create(nullptr);
    if (!ctx) return D3DERR_NOTAVAILABLE;
    auto device = std::make_shared<gl_internal::GlDevice>(ctx);
    const HRESULT r = device->Init(*Params);
    if (Failed(r)) return r;
    *Device = std::move(device);
    return D3D_OK;
  }
  bool ex_;
};

}  // namespace

bool GlAvailable(std::string* Why) {
  const gl_internal::Limits& l = gl_internal::TheLimits();
  if (!l.Ok && Why) *Why = l.Why;
  return l.Ok;
}

bool ProbeOpenGlContext(std::string* Why) {
  // A context current before stays current after.
  const EGLDisplay display = eglGetCurrentDisplay();
  const EGLContext current = eglGetCurrentContext();
  const EGLSurface draw = eglGetCurrentSurface(EGL_DRAW), read = eglGetCurrentSurface(EGL_READ);
  std::string why;
  const bool ok = gl_internal::Context::Create(&why) != nullptr;
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
