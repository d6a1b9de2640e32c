// The OpenGL device's resources: vertex and index buffers, textures and surfaces, and the
// device's calls that make, bind, copy and read them.
#include "platform/gfx3d/GlDevice_Internal.h"

#include <algorithm>
#include <cstring>

namespace gfx3d::gl_internal {

GlBuffer::GlBuffer(std::shared_ptr<Context> Ctx, uint32_t Length)
    : ctx_(std::move(Ctx)), shadow_(new uint8_t[Length]), length_(Length) {
  glCreateBuffers(1, &name_);
  glNamedBufferData(name_, Length, nullptr, GL_STREAM_DRAW);
}

GlBuffer::~GlBuffer() {
  if (ctx_->MakeCurrent()) glDeleteBuffers(1, &name_);
}

HRESULT GlBuffer::Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) {
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

HRESULT GlBuffer::Unlock() {
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

HRESULT GlVertexBuffer::Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) {
  return buffer_.Lock(Offset, Size, Data, Flags);
}

HRESULT GlIndexBuffer::Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) {
  return buffer_.Lock(Offset, Size, Data, Flags);
}

GlTexture::GlTexture(std::shared_ptr<Context> Ctx, uint32_t W, uint32_t H)
    : ctx_(std::move(Ctx)), width_(W), height_(H) {
  glCreateTextures(GL_TEXTURE_2D, 1, &name_);
  glTextureStorage2D(name_, 1, GL_RGBA8, static_cast<GLsizei>(W), static_cast<GLsizei>(H));
  glTextureParameteri(name_, GL_TEXTURE_MAX_LEVEL, 0);
}

GlTexture::~GlTexture() {
  if (ctx_->MakeCurrent()) glDeleteTextures(1, &name_);
}

HRESULT GlTexture::LockRect(uint32_t Level, D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t) {
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

HRESULT GlTexture::UnlockRect(uint32_t Level) {
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

HRESULT GlTexture::GetLevelDesc(uint32_t Level, D3DSURFACE_DESC* Desc) {
  if (Level != 0 || !Desc) return D3DERR_INVALIDCALL;
  *Desc = D3DSURFACE_DESC{D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, width_, height_};
  return D3D_OK;
}

GlSurface::GlSurface(std::shared_ptr<Context> Ctx, Kind K, uint32_t W, uint32_t H, uint32_t Samples)
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

GlSurface::~GlSurface() {
  if (name_ && ctx_->MakeCurrent()) glDeleteRenderbuffers(1, &name_);
}

HRESULT GlSurface::LockRect(D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t) {
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

HRESULT GlSurface::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

HRESULT GlSurface::GetDesc(D3DSURFACE_DESC* Desc) {
  if (!Desc) return D3DERR_INVALIDCALL;
  *Desc = D3DSURFACE_DESC{kind_ == DepthStencil ? D3DFMT_D24S8 : D3DFMT_A8R8G8B8,
                          kind_ == SystemMemory ? D3DPOOL_SYSTEMMEM : D3DPOOL_DEFAULT,
                          static_cast<D3DMULTISAMPLE_TYPE>(samples_), width_, height_};
  return D3D_OK;
}

HRESULT GlDevice::GetBackBuffer(uint32_t SwapChain, uint32_t Index, D3DBACKBUFFER_TYPE,
                                std::shared_ptr<ISurface>* Surface) {
  if (SwapChain != 0 || Index != 0 || !Surface) return D3DERR_INVALIDCALL;
  *Surface = backBuffer_;
  return D3D_OK;
}

HRESULT GlDevice::CreateRenderTarget(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                     uint32_t, bool Lockable, std::shared_ptr<ISurface>* Surface) {
  if (!Surface || Format != D3DFMT_A8R8G8B8 || Lockable) return D3DERR_INVALIDCALL;
  return MakeSurface(GlSurface::Color, Width, Height, MultiSample, Surface);
}

HRESULT GlDevice::CreateDepthStencilSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format,
                                            D3DMULTISAMPLE_TYPE MultiSample, uint32_t, bool,
                                            std::shared_ptr<ISurface>* Surface) {
  if (!Surface || Format != D3DFMT_D24S8) return D3DERR_INVALIDCALL;
  return MakeSurface(GlSurface::DepthStencil, Width, Height, MultiSample, Surface);
}

HRESULT GlDevice::CreateOffscreenPlainSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DPOOL Pool,
                                              std::shared_ptr<ISurface>* Surface) {
  if (!Surface || Format != D3DFMT_A8R8G8B8 || Pool != D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  if (Width == 0 || Height == 0 || size_t{Width} * Height > (size_t{1} << 28)) return D3DERR_INVALIDCALL;
  *Surface = TryMake<GlSurface>(ctx_, GlSurface::SystemMemory, Width, Height, 0u);
  return *Surface ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT GlDevice::SetRenderTarget(uint32_t Index, const std::shared_ptr<ISurface>& Surface) {
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

HRESULT GlDevice::SetDepthStencilSurface(const std::shared_ptr<ISurface>& Surface) {
  auto s = std::dynamic_pointer_cast<GlSurface>(Surface);
  if ((Surface && (!s || s->GetKind() != GlSurface::DepthStencil)) || !Current()) return D3DERR_INVALIDCALL;
  depthStencil_ = s;
  glNamedFramebufferRenderbuffer(fbo_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, s ? s->Name() : 0);
  return D3D_OK;
}

HRESULT GlDevice::StretchRect(ISurface* Source, const RECT* SourceRect, ISurface* Dest, const RECT* DestRect,
                              D3DTEXTUREFILTERTYPE Filter) {
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

namespace {

// Drops errors left from before, then binds Renderbuffer for reading through ReadFbo, with
// rows packed four-byte aligned: what a read-back's glReadPixels reads from.
void BindForReadBack(GLuint ReadFbo, GLuint Renderbuffer) {
  while (glGetError() != GL_NO_ERROR) {
  }
  glNamedFramebufferRenderbuffer(ReadFbo, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, Renderbuffer);
  glNamedFramebufferReadBuffer(ReadFbo, GL_COLOR_ATTACHMENT0);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, ReadFbo);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
}

}  // namespace

HRESULT GlDevice::GetRenderTargetData(ISurface* RenderTarget, ISurface* Dest) {
  auto* src = dynamic_cast<GlSurface*>(RenderTarget);
  auto* dst = dynamic_cast<GlSurface*>(Dest);
  if (!src || !dst || src->GetKind() != GlSurface::Color || src->Samples() ||
      dst->GetKind() != GlSurface::SystemMemory || src->Width() != dst->Width() || src->Height() != dst->Height() ||
      !Current())
    return D3DERR_INVALIDCALL;
  BindForReadBack(readFbo_, src->Name());
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  // Rows come out top first: the device draws with the upper-left origin.
  glReadPixels(0, 0, static_cast<GLsizei>(src->Width()), static_cast<GLsizei>(src->Height()), GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, dst->Pixels());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
  return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice::GetRenderTargetRect(ISurface* RenderTarget, const RECT* Rect, void* Bits, int32_t Pitch) {
  auto* src = dynamic_cast<GlSurface*>(RenderTarget);
  if (!src || !Rect || !Bits || src->GetKind() != GlSurface::Color || src->Samples() ||
      !RectInside(*Rect, src->Width(), src->Height()) || Pitch < (Rect->right - Rect->left) * 4 || Pitch % 4 ||
      !Current())
    return D3DERR_INVALIDCALL;
  BindForReadBack(readFbo_, src->Name());
  glPixelStorei(GL_PACK_ROW_LENGTH, Pitch / 4);
  // Window rows count from the top here (the upper-left origin), so the rows come out top first.
  glReadPixels(Rect->left, Rect->top, Rect->right - Rect->left, Rect->bottom - Rect->top, GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, Bits);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
  return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice::CreateVertexBuffer(uint32_t Length, uint32_t, uint32_t, D3DPOOL Pool,
                                     std::shared_ptr<IVertexBuffer>* Buffer) {
  if (!Buffer || Length == 0 || !Current()) return D3DERR_INVALIDCALL;
  auto b = TryMake<GlVertexBuffer>(ctx_, Length);
  if (!b) return E_OUTOFMEMORY;
  if (Pool == D3DPOOL_DEFAULT) ctx_->Track(b);
  *Buffer = std::move(b);
  return D3D_OK;
}

HRESULT GlDevice::CreateIndexBuffer(uint32_t Length, uint32_t, D3DFORMAT Format, D3DPOOL Pool,
                                    std::shared_ptr<IIndexBuffer>* Buffer) {
  if (!Buffer || Length == 0 || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32) || !Current())
    return D3DERR_INVALIDCALL;
  auto b = TryMake<GlIndexBuffer>(ctx_, Length, Format);
  if (!b) return E_OUTOFMEMORY;
  if (Pool == D3DPOOL_DEFAULT) ctx_->Track(b);
  *Buffer = std::move(b);
  return D3D_OK;
}

HRESULT GlDevice::CreateTexture(uint32_t Width, uint32_t Height, uint32_t Levels, uint32_t, D3DFORMAT Format,
                                D3DPOOL Pool, std::shared_ptr<ITexture>* Texture) {
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

HRESULT GlDevice::SetTexture(uint32_t Stage, const std::shared_ptr<ITexture>& Texture) {
  auto t = std::dynamic_pointer_cast<GlTexture>(Texture);
  if (Stage != 0 || (Texture && !t)) return D3DERR_INVALIDCALL;
  if (recording_) return Record([t](GlDevice& D) { D.SetTexture(0, t); });
  if (!Current()) return D3DERR_INVALIDCALL;
  texture_ = t;
  glBindTexture(GL_TEXTURE_2D, t ? t->Name() : 0);
  ApplyStage();
  return D3D_OK;
}

HRESULT GlDevice::MakeSurface(GlSurface::Kind K, uint32_t Width, uint32_t Height, D3DMULTISAMPLE_TYPE MultiSample,
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

}  // namespace gfx3d::gl_internal
