// The 3D device on OpenGL (compatibility profile, 4.5) through EGL, without a window: each
// device owns one EGL context and draws into its own framebuffer object (32-bit colour,
// 24-bit depth, 8-bit stencil, optionally multisampled). Present does nothing; the window
// layer shows the frame read back with GetRenderTargetRect.
//
// How the device behaves as the canvas expects it:
// - It starts in Direct3D 9's initial state (lighting on, depth test on with an automatic
//   depth buffer, counter-clockwise culling, point filtering, stage 0 modulating texture by
//   diffuse, ...) and returns to it on Reset and ResetEx.
// - Pixel centres, depth range 0..1 and rows are as Direct3D has them: row 0 of a read-back
//   is the top row, and a quad whose corners lie on half pixels covers whole pixels.
// - Clear ignores the colour, depth and stencil write masks; it clears the whole target, or
//   the scissor rectangle while the scissor test is on (lists of rectangles are refused).
// - Textures keep no copy of their texels in memory: a lock hands out memory for the locked
//   rectangle alone. GetRenderTargetRect reads a rectangle straight into the caller's pixels.
// - llvmpipe's rasteriser threads are capped (LP_NUM_THREADS, unless set) before the driver
//   starts.
// - Lights are given in world space and follow a later change of the view.
// - Recording a state block does not change the live state; Apply sets the recorded states.
// - Reset (the plain method) fails with D3DERR_INVALIDCALL while any default-pool resource,
//   state block or back-buffer handle is still held; ResetEx keeps them. After a failed
//   reset TestCooperativeLevel reports D3DERR_DEVICENOTRESET and Present D3DERR_DEVICELOST
//   until a reset succeeds.
// - A context that cannot be made current (another library's context is current on the
//   thread) makes TestCooperativeLevel and CheckDeviceState report D3DERR_DEVICELOST.
// - Only texture stage and sampler 0 exist; the FVF may combine XYZ, NORMAL, DIFFUSE, TEX1.
// - Contexts are made current on the calling thread as a device's methods need them; use a
//   device from one thread only.
#pragma once

#include <string>

#include "platform/gfx3d/Device.h"

namespace gfx3d {

// The entry points of the OpenGL stand-in. Without EGL's surfaceless platform, Create9 returns
// nothing and Create9Ex D3DERR_NOTAVAILABLE. The driver starts with the first device (or
// GlAvailable); a device that cannot be made fails with D3DERR_NOTAVAILABLE.
Direct3DEntries OpenGlDirect3D(Availability Mode = Availability::Ex);

// Whether an OpenGL 4.5 compatibility context can be made here; otherwise Why says what is
// missing.
bool GlAvailable(std::string* Why = nullptr);

// One probe of the machine's OpenGL: a context of the kind the devices use is made (and made
// current) and let go again, every time anew. True when both succeeded; otherwise Why says
// what failed. Nothing of the probe stays behind on any path.
bool ProbeOpenGlContext(std::string* Why = nullptr);

// Probes of the machine's OpenGL made in a process of their own, so that nothing of the driver
// they start stays in this one (a software driver brings a compiler library of some 40 MB):
// a child made by fork runs Count probes as ProbeOpenGlContext does, one after the other,
// reports each result as it has it, and ends without running anything else of the program.
// Make it while the process has a single thread (first thing in main): the child is a copy
// of this process with only the thread that made it. When no child can be made, the probes
// run here instead.
class TOpenGlProbeProcess {
public:
  explicit TOpenGlProbeProcess(int Count);
  // Ends the child if it still runs, and waits for it.
  ~TOpenGlProbeProcess();
  TOpenGlProbeProcess(const TOpenGlProbeProcess&) = delete;
  TOpenGlProbeProcess& operator=(const TOpenGlProbeProcess&) = delete;
  // The result of the next probe, in order, waiting for it up to TimeoutMs: false for a probe
  // that failed, for one the child did not report in time (it died or hangs: the rest are
  // false too), and for every probe past Count.
  bool Next(int TimeoutMs = 20000);

private:
  int count_;
  int taken_ = 0;
  int pid_ = -1;
  int results_ = -1;  // the read end of the child's pipe
  bool broken_ = false;
};

// Leaves no EGL context current on this thread, for a window layer that uses its own GL.
void ReleaseCurrentContext();

}  // namespace gfx3d
