// The X server's view of a program's windows, for the tests that run a real window under Xvfb,
// bare or under a window manager: where a window lies, whether the manager has done with its map,
// which window lies above which, the window it names as its owner and the states it asks for,
// the actions a manager offers for it and whether it holds the keyboard focus.
// Asked on a connection of the test's own, so the answers are the server's, not the program's.
// A window is given as anything with the SDL window it shows in (Window(), a form of the window
// layer); the manager's frames are looked through.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros would break it.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "tests/WindowManager.h"
#include "tests/XTest.h"

namespace xview {

// A point on the screen.
struct TPlace {
  int X = 0, Y = 0;
};

// The X window of an SDL window; 0 when it is none.
inline ::Window XWindowOf(SDL_Window* Window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!Window || !SDL_GetWindowWMInfo(Window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

class TServerView {
public:
  TServerView() : d_(XOpenDisplay(nullptr)) {}
  ~TServerView() {
    if (d_) XCloseDisplay(d_);
  }
  TServerView(const TServerView&) = delete;
  TServerView& operator=(const TServerView&) = delete;
  bool Ready() const { return d_ != nullptr; }

  template <class Form>
  static ::Window XOf(const Form& F) {
    return XWindowOf(F.Window());
  }

  // Mapped and, under a window manager, taken into the manager's frame with the frame's extents
  // set (a window that passes the manager by is only mapped): the manager has done with the map.
  template <class Form>
  bool Settled(const Form& F) {
    XWindowAttributes a{};
    const ::Window w = XOf(F);
    if (!w || !XGetWindowAttributes(d_, w, &a) || a.map_state != IsViewable) return false;
    if (!wmtest::UnderWindowManager() || a.override_redirect) return true;
    return TopLevel(w) != w && Longs(w, "_NET_FRAME_EXTENTS").size() == 4;
  }
  // Whether the window is mapped at all.
  template <class Form>
  bool Mapped(const Form& F) {
    XWindowAttributes a{};
    const ::Window w = XOf(F);
    return w && XGetWindowAttributes(d_, w, &a) && a.map_state != IsUnmapped;
  }
  // Where the window's client area lies on the screen.
  template <class Form>
  TPlace Place(const Form& F) {
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(d_, XOf(F), DefaultRootWindow(d_), 0, 0, &x, &y, &child);
    return {x, y};
  }
  // The size of the window's client area as the server has it.
  template <class Form>
  std::pair<int, int> Size(const Form& F) {
    XWindowAttributes a{};
    const ::Window w = XOf(F);
    if (!w || !XGetWindowAttributes(d_, w, &a)) return {0, 0};
    return {a.width, a.height};
  }
  // Whether U's window (its frame) lies above L's in the stacking order of the screen.
  template <class Upper, class Lower>
  bool Over(const Upper& U, const Lower& L) {
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d_, DefaultRootWindow(d_), &root, &parent, &children, &count) || !children) return false;
    const std::vector<::Window> order(children, children + count);  // bottom first
    XFree(children);
    const ::Window upper = TopLevel(XOf(U)), lower = TopLevel(XOf(L));
    int u = -1, l = -1;
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
      if (order[static_cast<size_t>(i)] == upper) u = i;
      if (order[static_cast<size_t>(i)] == lower) l = i;
    }
    return u >= 0 && l >= 0 && u > l;
  }
  // The window the form's window names as the one it belongs to (0 for none).
  template <class Form>
  ::Window Owner(const Form& F) {
    ::Window owner = 0;
    return XGetTransientForHint(d_, XOf(F), &owner) ? owner : 0;
  }
  // Whether the form's window asks for the state (a name such as "_NET_WM_STATE_ABOVE").
  template <class Form>
  bool HasState(const Form& F, const char* State) {
    const auto wanted = static_cast<long>(XInternAtom(d_, State, False));
    for (long s : Longs(XOf(F), "_NET_WM_STATE"))
      if (s == wanted) return true;
    return false;
  }
  // Whether the window manager offers the action for the window (a name such as
  // "_NET_WM_ACTION_MINIMIZE"; what it lists in _NET_WM_ALLOWED_ACTIONS, empty while it manages
  // nothing).
  template <class Form>
  bool Allows(const Form& F, const char* Action) {
    const auto wanted = static_cast<long>(XInternAtom(d_, Action, False));
    for (long a : Longs(XOf(F), "_NET_WM_ALLOWED_ACTIONS"))
      if (a == wanted) return true;
    return false;
  }
  template <class Form>
  bool ActionsListed(const Form& F) {
    return !Longs(XOf(F), "_NET_WM_ALLOWED_ACTIONS").empty();
  }
  // The Motif hints the window gives a window manager (flags, functions, decorations, input mode,
  // status); empty when it gives none.
  template <class Form>
  std::vector<long> MotifHints(const Form& F) {
    return Longs(XOf(F), "_MOTIF_WM_HINTS");
  }
  // Whether the window holds the server's keyboard focus, and whether the manager names it as
  // its active window.
  template <class Form>
  bool HoldsFocus(const Form& F) {
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(d_, &focus, &revert);
    return focus && focus == XOf(F);
  }
  template <class Form>
  bool ActiveWindow(const Form& F) {
    const std::vector<long> active = Longs(DefaultRootWindow(d_), "_NET_ACTIVE_WINDOW");
    return !active.empty() && static_cast<::Window>(active[0]) == XOf(F);
  }
  // The manager's frame around the window (left, right, top, bottom); empty while it has none.
  template <class Form>
  std::vector<long> FrameExtents(const Form& F) {
    return Longs(XOf(F), "_NET_FRAME_EXTENTS");
  }
  // The colour the screen shows at a point (0xRRGGBB).
  std::uint32_t ScreenPixel(int X, int Y) {
    XImage* image = XGetImage(d_, DefaultRootWindow(d_), X, Y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    const auto pixel = static_cast<std::uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return pixel;
  }

private:
  // The child of the root window that holds W (the manager's frame, or W itself).
  ::Window TopLevel(::Window W) {
    for (;;) {
      ::Window root = 0, parent = 0, *children = nullptr;
      unsigned count = 0;
      if (!W || !XQueryTree(d_, W, &root, &parent, &children, &count)) return 0;
      if (children) XFree(children);
      if (parent == root || parent == 0) return W;
      W = parent;
    }
  }
  std::vector<long> Longs(::Window W, const char* Name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> out;
    if (W &&
        XGetWindowProperty(d_, W, XInternAtom(d_, Name, False), 0, 64, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32)
      out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data) XFree(data);
    return out;
  }

  ::Display* d_;
};

// A press and release of the left button at a point of the screen, on the server's own pointer.
inline bool ClickAt(xtest::TXTest& X, TPlace P) {
  return X.MoveTo(P.X, P.Y) && X.Button(1, true) && X.Button(1, false);
}

}  // namespace xview
