#include "platform/win/WindowSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>

// Xlib's own view of a connection (its output buffer), after every other header: it defines
// macros such as min and max. This file is compiled on its own, outside the batches.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace win::detail {

namespace {

std::atomic<std::uint64_t> errors{0};

// Called by Xlib on whichever thread made the failing request (SDL's own threads too):
// it touches nothing but the standard error output and a counter.
int ReportXError(Display* D, XErrorEvent* E) {
  errors.fetch_add(1, std::memory_order_relaxed);
  char what[256] = {};
  XGetErrorText(D, E->error_code, what, sizeof what);
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(E->request_code));
  char request[128] = {};
  XGetErrorDatabaseText(D, "XRequest", number, number, request, sizeof request);
  std::fprintf(stderr, "gascal: X error ignored: %s, request %s (%d.%d), resource 0x%lx\n", what, request,
               static_cast<int>(E->request_code), static_cast<int>(E->minor_code), E->resourceid);
  return 0;
}

}  // namespace

_XDisplay* XConnectionOf(SDL_Window* Window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!Window || !SDL_GetWindowWMInfo(Window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
  return info.info.x11.display;
}

int EventConnectionOf(SDL_Window* Window) {
  _XDisplay* x = XConnectionOf(Window);
  return x ? ConnectionNumber(x) : -1;
}

bool XEventsHeld(_XDisplay* Connection) {
  // (XFlush would read the connection too: requests still buffered are left to the pump.)
  return Connection->bufptr != Connection->buffer || XEventsQueued(Connection, QueuedAlready) > 0;
}

void InstallXErrorHandler() { XSetErrorHandler(ReportXError); }

std::uint64_t XErrorCount() { return errors.load(std::memory_order_relaxed); }

}  // namespace win::detail
