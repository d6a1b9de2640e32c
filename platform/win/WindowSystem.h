// The X window system beneath SDL, for the things SDL does not give: the descriptor of the
// connection its events arrive on (so the loop can sleep on it beside its own wake-up event),
// a look at what Xlib holds (so the loop asks SDL to pump only when there is something) and
// an error handler that reports an X error and lets the program go on. Used by the display
// only; everything here is a no-op on other video drivers.
#pragma once

#include <cstdint>

struct SDL_Window;
struct _XDisplay;

namespace win::detail {

// The descriptor of the X connection SDL reads the window's events from; -1 when the
// window is not an X window.
int EventConnectionOf(SDL_Window* Window);
// The Xlib connection of the window; nullptr when the window is not an X window.
_XDisplay* XConnectionOf(SDL_Window* Window);
// Whether Xlib holds requests it has not sent yet, or events it has read from the connection
// already (a reply waited for reads the events that came before it) that nobody has taken.
// It neither sends nor reads.
bool XEventsHeld(_XDisplay* Connection);

// Installs the handler of X errors: each error is written to the standard error output
// (what failed, on which resource) and counted, and the program goes on. Xlib's own
// handler ends the program on the first error, also on one that only means a window went
// away before a request about it arrived. Installed again whenever the display opens (SDL
// puts its predecessor back when it closes).
void InstallXErrorHandler();

// The number of X errors reported since the process started.
std::uint64_t XErrorCount();

}  // namespace win::detail
