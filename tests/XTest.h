// Input on the X server's own devices (the XTest extension), for the tests that run a real
// window under Xvfb: a pointer moved, a button pressed, a key typed here reach the program the
// way a user's do, through the server's grabs and focus, not through the display's simulated
// events. It can also destroy a window, or kill the client that made it (xkill), as another
// client may. The libraries are opened at run
// time, so no header of theirs is needed.
#pragma once

#include <dlfcn.h>

namespace xtest {

// A connection of its own to the display DISPLAY names; every call is flushed at once.
class TXTest {
public:
  TXTest() {
    x11_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    xtst_ = dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!x11_ || !xtst_) return;
    open_ = reinterpret_cast<OpenDisplay>(dlsym(x11_, "XOpenDisplay"));
    close_ = reinterpret_cast<DisplayCall>(dlsym(x11_, "XCloseDisplay"));
    sync_ = reinterpret_cast<SyncCall>(dlsym(x11_, "XSync"));
    keyCode_ = reinterpret_cast<KeysymToKeycode>(dlsym(x11_, "XKeysymToKeycode"));
    motion_ = reinterpret_cast<FakeMotion>(dlsym(xtst_, "XTestFakeMotionEvent"));
    button_ = reinterpret_cast<FakeButton>(dlsym(xtst_, "XTestFakeButtonEvent"));
    key_ = reinterpret_cast<FakeKey>(dlsym(xtst_, "XTestFakeKeyEvent"));
    setFocus_ = reinterpret_cast<SetInputFocus>(dlsym(x11_, "XSetInputFocus"));
    destroy_ = reinterpret_cast<DestroyWindowCall>(dlsym(x11_, "XDestroyWindow"));
    kill_ = reinterpret_cast<DestroyWindowCall>(dlsym(x11_, "XKillClient"));
    symOf_ = reinterpret_cast<KeycodeToKeysym>(dlsym(x11_, "XKeycodeToKeysym"));
    changeMapping_ = reinterpret_cast<ChangeMapping>(dlsym(x11_, "XChangeKeyboardMapping"));
    if (open_ && close_ && sync_ && keyCode_ && motion_ && button_ && key_ && setFocus_ && destroy_ && kill_ &&
        symOf_ && changeMapping_)
      display_ = open_(nullptr);
  }
  ~TXTest() {
    if (display_) close_(display_);
    if (xtst_) dlclose(xtst_);
    if (x11_) dlclose(x11_);
  }
  TXTest(const TXTest&) = delete;
  TXTest& operator=(const TXTest&) = delete;

  // Whether the display and the extension answer.
  bool Ready() const { return display_ != nullptr; }
  // The pointer to (X, Y) on the screen.
  bool MoveTo(int X, int Y) { return Done(display_ && motion_(display_, -1, X, Y, 0)); }
  // Button 1 (left), 2 (middle) or 3 (right) pressed or released where the pointer is.
  bool Button(unsigned Number, bool Down) { return Done(display_ && button_(display_, Number, Down ? 1 : 0, 0)); }
  // A key (by its key symbol) pressed and released.
  bool Type(unsigned long KeySym) {
    const unsigned code = display_ ? keyCode_(display_, KeySym) : 0;
    return Done(code && key_(display_, code, 1, 0) && key_(display_, code, 0, 0));
  }

  // A key (by its key symbol) pressed or released. A symbol that no key has (a dead key on a
  // layout without one) is first given to a key that has none.
  bool Key(unsigned long KeySym, bool Down) {
    unsigned code = display_ ? keyCode_(display_, KeySym) : 0;
    if (display_ && !code)
      for (unsigned c = 255; c >= 8 && !code; --c)
        if (!symOf_(display_, static_cast<unsigned char>(c), 0)) {
          changeMapping_(display_, static_cast<int>(c), 1, &KeySym, 1);
          sync_(display_, 0);
          code = keyCode_(display_, KeySym);
        }
    return Done(code && key_(display_, code, Down ? 1 : 0, 0));
  }

  // A key (by its key code) pressed or released.
  bool Code(unsigned KeyCode, bool Down) { return Done(display_ && key_(display_, KeyCode, Down ? 1 : 0, 0)); }

  // The keyboard focus to no window at all, as when another program or the desktop has it.
  bool FocusNowhere() { return Done(display_ && setFocus_(display_, 0, 0, 0)); }
  // What another client may do to a window of the program: destroy it.
  bool DestroyWindow(unsigned long Window) { return Done(display_ && destroy_(display_, Window)); }
  // What xkill does: the server closes the connection of the client that made the window.
  bool KillClient(unsigned long Window) { return Done(display_ && kill_(display_, Window)); }

private:
  using OpenDisplay = void* (*)(const char*);
  using DisplayCall = int (*)(void*);
  using SyncCall = int (*)(void*, int);
  using KeysymToKeycode = unsigned char (*)(void*, unsigned long);
  using FakeMotion = int (*)(void*, int, int, int, unsigned long);
  using FakeButton = int (*)(void*, unsigned, int, unsigned long);
  using FakeKey = int (*)(void*, unsigned, int, unsigned long);
  using SetInputFocus = int (*)(void*, unsigned long, int, unsigned long);
  using DestroyWindowCall = int (*)(void*, unsigned long);
  using KeycodeToKeysym = unsigned long (*)(void*, unsigned char, int);
  using ChangeMapping = int (*)(void*, int, int, unsigned long*, int);

  // The server has taken the request (and made its events) before the call returns.
  bool Done(bool Sent) {
    if (Sent) sync_(display_, 0);
    return Sent;
  }

  void* x11_ = nullptr;
  void* xtst_ = nullptr;
  void* display_ = nullptr;
  OpenDisplay open_ = nullptr;
  DisplayCall close_ = nullptr;
  SyncCall sync_ = nullptr;
  KeysymToKeycode keyCode_ = nullptr;
  FakeMotion motion_ = nullptr;
  FakeButton button_ = nullptr;
  FakeKey key_ = nullptr;
  SetInputFocus setFocus_ = nullptr;
  DestroyWindowCall destroy_ = nullptr;
  DestroyWindowCall kill_ = nullptr;
  KeycodeToKeysym symOf_ = nullptr;
  ChangeMapping changeMapping_ = nullptr;
};

}  // namespace xtest
