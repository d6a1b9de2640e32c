#include "platform/win/WindowSystem.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

// Xlib's own view of a connection (its output buffer), after every other header: it defines
// macros such as min and max. This file is compiled on its own, outside the batches.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace win::detail {

namespace {

// Whether the connection's queue holds the window's DestroyNotify, which the program has not
// taken yet (a request made before it heard of the destroy fails after it).
bool DestroyQueued(Display* D, unsigned long Window) {
  for (const _XQEvent* q = D->head; q; q = q->next)
    if (q->event.type == DestroyNotify && q->event.xdestroywindow.window == Window) return true;
  return false;
}

std::atomic<std::uint64_t> errors{0};

// The windows another client destroyed that the program still names (XQuietAbout).
std::mutex quietMutex;
std::vector<unsigned long> quietWindows;

bool QuietAbout(unsigned long Resource) {
  std::lock_guard lock(quietMutex);
  return std::find(quietWindows.begin(), quietWindows.end(), Resource) != quietWindows.end();
}

// Called by Xlib on whichever thread made the failing request (SDL's own threads too):
// it touches nothing but the standard error output and a counter.
int ReportXError(Display* D, XErrorEvent* E) {
  if ((E->error_code == BadWindow || E->error_code == BadDrawable) &&
      (QuietAbout(E->resourceid) || DestroyQueued(D, E->resourceid)))
    return 0;
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

// The Xlib connection and the X window of an SDL window; false when it is no X window.
bool X11Of(SDL_Window* Window, Display*& D, ::Window& W) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!Window || !SDL_GetWindowWMInfo(Window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  D = info.info.x11.display;
  W = info.info.x11.window;
  return true;
}

}  // namespace

_XDisplay* XConnectionOf(SDL_Window* Window) {
  Display* d = nullptr;
  ::Window w = 0;
  return X11Of(Window, d, w) ? d : nullptr;
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

void XQuietAbout(unsigned long Window, bool Quiet) {
  if (!Window) return;
  std::lock_guard lock(quietMutex);
  std::erase(quietWindows, Window);
  if (Quiet) quietWindows.push_back(Window);
}

namespace {

std::atomic<void (*)()> connectionLost{nullptr};

// Xlib's report of a broken connection; it then calls the connection's exit handler, which ends
// the program unless one was set (KeepConnectionOnIOError).
int ReportXIOError(Display* D) {
  std::fprintf(stderr, "gascal: the connection to the X display %s broke\n", D ? DisplayString(D) : "");
  return 0;
}

void OnConnectionLost(Display*, void*) {
  if (void (*lost)() = connectionLost.load()) lost();
}

}  // namespace

void KeepConnectionOnIOError(_XDisplay* Connection, void (*Lost)()) {
  if (!Connection) return;
  connectionLost = Lost;
  XSetIOErrorHandler(ReportXIOError);
  XSetIOErrorExitHandler(Connection, OnConnectionLost, nullptr);
}

namespace {

// The major opcode of the input extension on the connection (0 when it has none): asked once.
int InputExtensionOf(Display* D) {
  static Display* asked = nullptr;
  static int opcode = 0;
  if (D != asked) {
    int event = 0, error = 0;
    if (!XQueryExtension(D, "XInputExtension", &opcode, &event, &error)) opcode = 0;
    asked = D;
  }
  return opcode;
}

int Pixel(double V) { return static_cast<int>(std::lround(std::clamp(V, -1e6, 1e6))); }

}  // namespace

bool XPointerEventOf(const SDL_SysWMmsg* Message, TXPointerEvent& Out) {
  if (!Message || Message->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& e = Message->msg.x11.event;
  switch (e.type) {
    case MotionNotify:
      Out = {TXPointerEvent::Motion, e.xmotion.window, 0, e.xmotion.x_root, e.xmotion.y_root, e.xmotion.time};
      return true;
    case ButtonPress:
    case ButtonRelease:
      // Buttons 4 to 7 are the wheel's, which SDL's own events carry.
      if (e.xbutton.button < Button1 || e.xbutton.button > Button3) return false;
      Out = {e.type == ButtonPress ? TXPointerEvent::Press : TXPointerEvent::Release, e.xbutton.window,
             e.xbutton.button, e.xbutton.x_root, e.xbutton.y_root, e.xbutton.time};
      return true;
    case GenericEvent: {
      // SDL selects the input extension's motions on its windows (so no core motion comes),
      // and hands their data over while it holds it.
      const XGenericEventCookie& c = e.xcookie;
      if (!c.data || c.extension == 0 || c.extension != InputExtensionOf(c.display)) return false;
      if (c.evtype != XI_Motion && c.evtype != XI_ButtonPress && c.evtype != XI_ButtonRelease) return false;
      const auto* d = static_cast<const XIDeviceEvent*>(c.data);
      // A pointer made up from a touch: SDL makes its own events from the touch.
      if (d->flags & XIPointerEmulated) return false;
      if (c.evtype == XI_Motion) {
        Out = {TXPointerEvent::Motion, d->event, 0, Pixel(d->root_x), Pixel(d->root_y), d->time};
        return true;
      }
      if (d->detail < Button1 || d->detail > Button3) return false;
      Out = {c.evtype == XI_ButtonPress ? TXPointerEvent::Press : TXPointerEvent::Release, d->event,
             static_cast<unsigned>(d->detail), Pixel(d->root_x), Pixel(d->root_y), d->time};
      return true;
    }
    default:
      return false;
  }
}

bool XReleasesPointer(const SDL_SysWMmsg* Message) {
  if (!Message || Message->subsystem != SDL_SYSWM_X11) return false;
  const int type = Message->msg.x11.event.type;
  return type == EnterNotify || type == FocusIn || type == FocusOut || type == MapNotify;
}

bool GrabPointer(SDL_Window* Window, unsigned& Buttons, int& ScreenX, int& ScreenY) {
  Buttons = 0;
  Display* d = nullptr;
  ::Window w = 0;
  if (!X11Of(Window, d, w)) return false;
  const bool grabbed = XGrabPointer(d, w, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
  ::Window root = 0, child = 0;
  int wx = 0, wy = 0;
  unsigned mask = 0;
  if (XQueryPointer(d, w, &root, &child, &ScreenX, &ScreenY, &wx, &wy, &mask)) {
    if (mask & Button1Mask) Buttons |= 1;
    if (mask & Button2Mask) Buttons |= 2;
    if (mask & Button3Mask) Buttons |= 4;
  }
  return grabbed;
}

void UngrabPointer(SDL_Window* Window) {
  if (_XDisplay* d = XConnectionOf(Window)) XUngrabPointer(d, CurrentTime);
}

TXKeyPress XKeyPressOf(const SDL_SysWMmsg* Message, char32_t& Char) {
  Char = 0;
  if (!Message || Message->subsystem != SDL_SYSWM_X11) return TXKeyPress::NoPress;
  XEvent e = Message->msg.x11.event;
  if (e.type != KeyPress) return TXKeyPress::NoPress;
  if (e.xkey.keycode == 0) return TXKeyPress::Finished;
  if (e.xkey.state & (ControlMask | Mod1Mask | Mod4Mask)) return TXKeyPress::Chord;
  KeySym symbol = NoSymbol;
  char latin1[8];
  XLookupString(&e.xkey, latin1, sizeof latin1, &symbol, nullptr);
  const std::uint32_t c = symbol != NoSymbol ? xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(symbol)) : 0;
  if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) Char = c;
  return TXKeyPress::Plain;
}

unsigned long XWindowOf(SDL_Window* Window) {
  Display* d = nullptr;
  ::Window w = 0;
  return X11Of(Window, d, w) ? w : 0;
}

bool XWindowExists(SDL_Window* Window) {
  Display* d = nullptr;
  ::Window w = 0;
  if (!X11Of(Window, d, w)) return true;
  // The answer for a window that is gone is an error, which says nothing new; the window stays
  // quiet then (the program names it until it lets it go).
  XQuietAbout(w, true);
  XWindowAttributes attributes;
  const bool exists = XGetWindowAttributes(d, w, &attributes) != 0;
  if (exists) XQuietAbout(w, false);
  return exists;
}

unsigned long XDestroyedWindowOf(const SDL_SysWMmsg* Message) {
  if (!Message || Message->subsystem != SDL_SYSWM_X11) return 0;
  const XEvent& e = Message->msg.x11.event;
  return e.type == DestroyNotify && e.xdestroywindow.event == e.xdestroywindow.window ? e.xdestroywindow.window : 0;
}

void XPutBackUnmap(SDL_Window* Window) {
  Display* d = nullptr;
  ::Window w = 0;
  if (!X11Of(Window, d, w)) return;
  XEvent e{};
  e.xunmap.type = UnmapNotify;
  e.xunmap.serial = LastKnownRequestProcessed(d);
  e.xunmap.display = d;
  e.xunmap.event = w;
  e.xunmap.window = w;
  XPutBackEvent(d, &e);
}

void XSyncConnection(_XDisplay* Connection) {
  if (Connection) XSync(Connection, False);
}

namespace {

// The window the property (of type WINDOW) of W names; 0 when it names none.
::Window WindowProperty(Display* D, ::Window W, Atom Property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ::Window named = 0;
  if (XGetWindowProperty(D, W, Property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
          Success &&
      type == XA_WINDOW && format == 32 && count == 1 && data)
    named = *reinterpret_cast<const ::Window*>(data);
  if (data) XFree(data);
  return named;
}

}  // namespace

bool WindowManagerRuns(_XDisplay* Connection) {
  if (!Connection) return false;
  const Atom check = XInternAtom(Connection, "_NET_SUPPORTING_WM_CHECK", False);
  const ::Window named = WindowProperty(Connection, DefaultRootWindow(Connection), check);
  if (!named) return false;
  // A manager that ended leaves the property on the root window: its window must name itself
  // (the question about a window that went is answered with an error that says nothing new).
  XQuietAbout(named, true);
  const bool runs = WindowProperty(Connection, named, check) == named;
  XQuietAbout(named, false);
  return runs;
}

unsigned long XFocusWindow(_XDisplay* Connection) {
  if (!Connection) return 0;
  ::Window focus = 0;
  int revert = 0;
  XGetInputFocus(Connection, &focus, &revert);
  return focus;
}

bool XFocusOnNoWindow(_XDisplay* Connection) {
  if (!Connection) return false;
  const unsigned long focus = XFocusWindow(Connection);
  return focus == None || focus == PointerRoot || focus == DefaultRootWindow(Connection);
}

void XSetFocusWindow(_XDisplay* Connection, unsigned long Window) {
  if (!Connection) return;
  XSetInputFocus(Connection, Window, RevertToParent, CurrentTime);
  XFlush(Connection);
}

void XHoldServer(_XDisplay* Connection, bool Hold) {
  if (!Connection) return;
  if (Hold) {
    XGrabServer(Connection);
  } else {
    XUngrabServer(Connection);
    XFlush(Connection);
  }
}

bool XWindowPlace(SDL_Window* Window, int& X, int& Y) {
  Display* d = nullptr;
  ::Window w = 0, child = 0;
  int x = 0, y = 0;
  if (!X11Of(Window, d, w) || !XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child)) return false;
  X = x;
  Y = y;
  return true;
}

unsigned long XWindowAbove(SDL_Window* Window) {
  Display* d = nullptr;
  ::Window w = 0, root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!X11Of(Window, d, w) || !XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
  ::Window above = 0;
  for (unsigned i = 0; i + 1 < count; ++i)  // bottom first
    if (children[i] == w) above = children[i + 1];
  if (children) XFree(children);
  return above;
}

void XStackBelow(SDL_Window* Window, unsigned long Sibling) {
  Display* d = nullptr;
  ::Window w = 0;
  if (!Sibling || !X11Of(Window, d, w)) return;
  XWindowChanges change{};
  change.sibling = Sibling;
  change.stack_mode = Below;
  XConfigureWindow(d, w, CWSibling | CWStackMode, &change);
  XFlush(d);
}

std::vector<unsigned long> XStackingOrder(SDL_Window* Window) {
  Display* d = nullptr;
  ::Window w = 0, root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  std::vector<unsigned long> order;
  if (!X11Of(Window, d, w) || !XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return order;
  order.assign(children, children + count);
  if (children) XFree(children);
  return order;
}

void XStackAbove(SDL_Window* Window, unsigned long Sibling) {
  Display* d = nullptr;
  ::Window w = 0;
  if (!Sibling || !X11Of(Window, d, w)) return;
  XWindowChanges change{};
  change.sibling = Sibling;
  change.stack_mode = Above;
  // Framed by a manager, the two are no siblings: Xlib takes the server's refusal and sends the
  // manager the request instead.
  XReconfigureWMWindow(d, w, DefaultScreen(d), CWSibling | CWStackMode, &change);
  XFlush(d);
}

void XSetBorder(SDL_Window* Window, const TBorderLook& Look) {
  Display* d = nullptr;
  ::Window w = 0;
  if (!X11Of(Window, d, w)) return;
  // The Motif hints: flags (functions given 1, decorations given 2), functions, decorations,
  // input mode, status.
  constexpr long FunctionsGiven = 1L << 0, DecorationsGiven = 1L << 1;
  constexpr long Resize = 1L << 1, Move = 1L << 2, Minimize = 1L << 3, Maximize = 1L << 4, Close = 1L << 5;
  constexpr long Border = 1L << 1, ResizeHandle = 1L << 2, Title = 1L << 3, Menu = 1L << 4, MinimizeButton = 1L << 5,
                 MaximizeButton = 1L << 6;
  long hints[5] = {DecorationsGiven, 0, Look.Decorated ? 1 : 0, 0, 0};
  if (Look.Restricted) {
    hints[0] = FunctionsGiven | DecorationsGiven;
    hints[1] = Move | (Look.Sizeable ? Resize : 0) | (Look.Menu ? Close : 0) | (Look.Minimize ? Minimize : 0) |
               (Look.Maximize ? Maximize : 0);
    hints[2] = !Look.Decorated ? 0
                               : Border | Title | (Look.Sizeable ? ResizeHandle : 0) | (Look.Menu ? Menu : 0) |
                                     (Look.Minimize ? MinimizeButton : 0) | (Look.Maximize ? MaximizeButton : 0);
  }
  const Atom motif = XInternAtom(d, "_MOTIF_WM_HINTS", False);
  XChangeProperty(d, w, motif, motif, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);
}

void XSetTakesNoInput(SDL_Window* Window, bool NoInput) {
  Display* d = nullptr;
  ::Window w = 0;
  if (!X11Of(Window, d, w)) return;
  XWMHints* hints = XGetWMHints(d, w);
  XWMHints fresh{};
  XWMHints* h = hints ? hints : &fresh;
  h->flags |= InputHint;
  h->input = NoInput ? False : True;
  XSetWMHints(d, w, h);
  if (hints) XFree(hints);
  const Atom takeFocus = XInternAtom(d, "WM_TAKE_FOCUS", False);
  std::vector<Atom> kept;
  Atom* protocols = nullptr;
  int count = 0;
  if (XGetWMProtocols(d, w, &protocols, &count) && protocols) {
    for (int i = 0; i < count; ++i)
      if (protocols[i] != takeFocus) kept.push_back(protocols[i]);
    XFree(protocols);
  }
  if (!NoInput) kept.push_back(takeFocus);
  XSetWMProtocols(d, w, kept.data(), static_cast<int>(kept.size()));
  const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
  const Atom kind = XInternAtom(d, NoInput ? "_NET_WM_WINDOW_TYPE_NOTIFICATION" : "_NET_WM_WINDOW_TYPE_NORMAL", False);
  XChangeProperty(d, w, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&kind), 1);
}

void XSetWindowOwner(SDL_Window* Window, SDL_Window* Owner) {
  Display* d = nullptr;
  ::Window w = 0, owner = 0;
  if (!X11Of(Window, d, w)) return;
  Display* od = nullptr;
  if (Owner && X11Of(Owner, od, owner) && od == d && owner != w)
    XSetTransientForHint(d, w, owner);
  else
    XDeleteProperty(d, w, XA_WM_TRANSIENT_FOR);
}

void XSetMapStates(SDL_Window* Window, bool KeepAbove, bool SkipTaskbar) {
  Display* d = nullptr;
  ::Window w = 0;
  if (!X11Of(Window, d, w)) return;
  const Atom state = XInternAtom(d, "_NET_WM_STATE", False);
  const Atom above = XInternAtom(d, "_NET_WM_STATE_ABOVE", False);
  const Atom skipTaskbar = XInternAtom(d, "_NET_WM_STATE_SKIP_TASKBAR", False);
  const Atom skipPager = XInternAtom(d, "_NET_WM_STATE_SKIP_PAGER", False);
  // The states already there stay, but for the ones given here.
  std::vector<Atom> atoms;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, state, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) == Success &&
      type == XA_ATOM && format == 32 && data)
    for (unsigned long i = 0; i < count; ++i)
      if (const Atom a = reinterpret_cast<const Atom*>(data)[i]; a != above && a != skipTaskbar && a != skipPager)
        atoms.push_back(a);
  if (data) XFree(data);
  if (KeepAbove) atoms.push_back(above);
  if (SkipTaskbar) {
    atoms.push_back(skipTaskbar);
    atoms.push_back(skipPager);
  }
  if (atoms.empty())
    XDeleteProperty(d, w, state);
  else
    XChangeProperty(d, w, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
}

std::uint64_t XErrorCount() { return errors.load(std::memory_order_relaxed); }

}  // namespace win::detail
