// The 3D device as the 3D canvas uses it: a process object that makes devices, the device
// with its plain and extended method sets, and its resources (vertex and index buffers,
// textures, surfaces, state blocks). Two implementations stand behind it: the OpenGL one
// (GlDevice.h) and the recording fake for tests (FakeDevice.h).
//
// Resources are held by std::shared_ptr: dropping the last holder releases the object, as a
// final Release does. Every method returns a result code; a negative one is a failure.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/gfx3d/Types.h"

namespace gfx3d {

class IResource {
 public:
  virtual ~IResource() = default;
};

class IVertexBuffer : public IResource {
 public:
  // Size 0 locks from Offset to the end. DISCARD lets the device throw the old contents
  // away; NOOVERWRITE promises not to touch what earlier draws still read. Lock while locked,
  // or a range past the end, fails with D3DERR_INVALIDCALL.
  virtual HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual uint32_t Length() const = 0;
};

class IIndexBuffer : public IResource {
 public:
  virtual HRESULT Lock(uint32_t Offset, uint32_t Size, void** Data, uint32_t Flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual uint32_t Length() const = 0;
  virtual D3DFORMAT Format() const = 0;
};

// A texture of one level, 32-bit A8R8G8B8 (B, G, R, A in memory). Rect unset locks the whole
// level; only the locked rectangle is sent to the device at unlock.
class ITexture : public IResource {
 public:
  virtual HRESULT LockRect(uint32_t Level, D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t Flags) = 0;
  virtual HRESULT UnlockRect(uint32_t Level) = 0;
  virtual HRESULT GetLevelDesc(uint32_t Level, D3DSURFACE_DESC* Desc) = 0;
};

// A render target, a depth-stencil surface or a system-memory surface. Only system-memory
// surfaces lock; their rows start at the top, Pitch bytes apart.
class ISurface : public IResource {
 public:
  virtual HRESULT LockRect(D3DLOCKED_RECT* Locked, const RECT* Rect, uint32_t Flags) = 0;
  virtual HRESULT UnlockRect() = 0;
  virtual HRESULT GetDesc(D3DSURFACE_DESC* Desc) = 0;
};

// The states set between BeginStateBlock and EndStateBlock, set again by Apply.
class IStateBlock : public IResource {
 public:
  virtual HRESULT Apply() = 0;
};

class IDevice {
 public:
  virtual ~IDevice() = default;

  // ---- device and frames ----
  virtual HRESULT GetDeviceCaps(D3DCAPS9* Caps) = 0;
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual HRESULT CheckDeviceState(WindowHandle Window) = 0;
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* Params) = 0;
  virtual HRESULT ResetEx(D3DPRESENT_PARAMETERS* Params, const void* DisplayMode) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Present(const RECT* Source, const RECT* Dest, WindowHandle Override, const void* Region) = 0;
  virtual HRESULT PresentEx(const RECT* Source, const RECT* Dest, WindowHandle Override, const void* Region,
                            uint32_t Flags) = 0;
  // Clears the whole target, or only the scissor rectangle while D3DRS_SCISSORTESTENABLE is on.
  virtual HRESULT Clear(uint32_t Count, const D3DRECT* Rects, uint32_t Flags, uint32_t Color, float Z,
                        uint32_t Stencil) = 0;
  // The rectangle draws and clears are held to while D3DRS_SCISSORTESTENABLE is on. Setting a
  // render target (and a reset) makes it the whole target again; one that does not lie inside
  // the render target fails.
  virtual HRESULT SetScissorRect(const RECT* Rect) = 0;
  virtual HRESULT GetScissorRect(RECT* Rect) = 0;

  // ---- surfaces ----
  virtual HRESULT GetBackBuffer(uint32_t SwapChain, uint32_t Index, D3DBACKBUFFER_TYPE Type,
                                std::shared_ptr<ISurface>* Surface) = 0;
  virtual HRESULT CreateRenderTarget(uint32_t Width, uint32_t Height, D3DFORMAT Format,
                                     D3DMULTISAMPLE_TYPE MultiSample, uint32_t Quality, bool Lockable,
                                     std::shared_ptr<ISurface>* Surface) = 0;
  virtual HRESULT CreateDepthStencilSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format,
                                            D3DMULTISAMPLE_TYPE MultiSample, uint32_t Quality, bool Discard,
                                            std::shared_ptr<ISurface>* Surface) = 0;
  virtual HRESULT CreateOffscreenPlainSurface(uint32_t Width, uint32_t Height, D3DFORMAT Format, D3DPOOL Pool,
                                              std::shared_ptr<ISurface>* Surface) = 0;
  virtual HRESULT SetRenderTarget(uint32_t Index, const std::shared_ptr<ISurface>& Surface) = 0;
  virtual HRESULT SetDepthStencilSurface(const std::shared_ptr<ISurface>& Surface) = 0;
  virtual HRESULT StretchRect(ISurface* Source, const RECT* SourceRect, ISurface* Dest, const RECT* DestRect,
                              D3DTEXTUREFILTERTYPE Filter) = 0;
  virtual HRESULT GetRenderTargetData(ISurface* RenderTarget, ISurface* Dest) = 0;
  // Reads Rect of a single-sampled render target straight into Bits, rows top first, Pitch
  // bytes apart (B, G, R, A in memory): a read-back of the part a frame changed, without a
  // system-memory surface of the whole size. A rectangle outside the target fails.
  virtual HRESULT GetRenderTargetRect(ISurface* RenderTarget, const RECT* Rect, void* Bits, int32_t Pitch) = 0;

  // ---- buffers and textures ----
  virtual HRESULT CreateVertexBuffer(uint32_t Length, uint32_t Usage, uint32_t FVF, D3DPOOL Pool,
                                     std::shared_ptr<IVertexBuffer>* Buffer) = 0;
  virtual HRESULT CreateIndexBuffer(uint32_t Length, uint32_t Usage, D3DFORMAT Format, D3DPOOL Pool,
                                    std::shared_ptr<IIndexBuffer>* Buffer) = 0;
  virtual HRESULT CreateTexture(uint32_t Width, uint32_t Height, uint32_t Levels, uint32_t Usage,
                                D3DFORMAT Format, D3DPOOL Pool, std::shared_ptr<ITexture>* Texture) = 0;
  virtual HRESULT SetTexture(uint32_t Stage, const std::shared_ptr<ITexture>& Texture) = 0;

  // ---- states ----
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, uint32_t Value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, uint32_t* Value) = 0;
  virtual HRESULT SetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t Value) = 0;
  virtual HRESULT GetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t* Value) = 0;
  virtual HRESULT SetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t Value) = 0;
  virtual HRESULT GetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t* Value) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* Matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* Matrix) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* Material) = 0;
  virtual HRESULT SetLight(uint32_t Index, const D3DLIGHT9* Light) = 0;
  virtual HRESULT LightEnable(uint32_t Index, bool Enable) = 0;
  virtual HRESULT BeginStateBlock() = 0;
  virtual HRESULT EndStateBlock(std::shared_ptr<IStateBlock>* Block) = 0;

  // ---- drawing ----
  virtual HRESULT SetFVF(uint32_t FVF) = 0;
  virtual HRESULT SetStreamSource(uint32_t Stream, const std::shared_ptr<IVertexBuffer>& Buffer, uint32_t Offset,
                                  uint32_t Stride) = 0;
  virtual HRESULT SetIndices(const std::shared_ptr<IIndexBuffer>& Buffer) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, int32_t BaseVertexIndex, uint32_t MinVertexIndex,
                                       uint32_t NumVertices, uint32_t StartIndex, uint32_t PrimitiveCount) = 0;
};

// The process object. The extended one (IsEx) also makes devices with CreateDeviceEx.
class IDirect3D {
 public:
  virtual ~IDirect3D() = default;
  virtual bool IsEx() const = 0;
  virtual HRESULT GetDeviceCaps(uint32_t Adapter, D3DDEVTYPE Type, D3DCAPS9* Caps) = 0;
  virtual HRESULT CheckDeviceMultiSampleType(uint32_t Adapter, D3DDEVTYPE Type, D3DFORMAT Format, bool Windowed,
                                             D3DMULTISAMPLE_TYPE MultiSample, uint32_t* QualityLevels) = 0;
  // A zero back-buffer width or height fails: there is no window to take the size from.
  virtual HRESULT CreateDevice(uint32_t Adapter, D3DDEVTYPE Type, WindowHandle FocusWindow, uint32_t BehaviorFlags,
                               D3DPRESENT_PARAMETERS* Params, std::shared_ptr<IDevice>* Device) = 0;
  // D3DERR_NOTAVAILABLE on a plain process object.
  virtual HRESULT CreateDeviceEx(uint32_t Adapter, D3DDEVTYPE Type, WindowHandle FocusWindow,
                                 uint32_t BehaviorFlags, D3DPRESENT_PARAMETERS* Params, const void* DisplayMode,
                                 std::shared_ptr<IDevice>* Device) = 0;
};

// Which entry points the system library offers.
enum class Availability {
  Ex,      // both entry points (the default on a current system)
  Plain,   // only the plain entry point
  Absent,  // no library at all
};

// The two entry points of the system library; either may be missing (empty), as on a system
// whose library lacks them. Create9 returns nothing when no device can be made at all.
struct Direct3DEntries {
  std::function<std::shared_ptr<IDirect3D>(uint32_t SdkVersion)> Create9;
  std::function<HRESULT(uint32_t SdkVersion, std::shared_ptr<IDirect3D>* Object)> Create9Ex;
  bool Loaded() const { return Create9 || Create9Ex; }
};

}  // namespace gfx3d
