// The pointer on X, read from the X server's own events. SDL's own mouse events cannot serve
// there: SDL drops a motion outside a window unless that window holds SDL's capture, which
// SDL gives to the window with the keyboard focus rather than to the one pressed (so a press
// in one window while another had the keyboard sent the drag and the release to the other),
// and a release outside every window reaches none. The X server sends every motion and the
// release of a press to the window that took it (its implicit grab), with the point on the
// screen.
//
// SDL hands the X events over as window-system events to an event filter while their data
// lives (GUI thread, during a pump); the filter queues each pointer event as an event of its
// own in their place and keeps the window-system events and SDL's own mouse events out. It
// queues the destruction of one of the windows (by another client: the program's own destroy
// forgets the window first) the same way, which SDL does not report.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/win/Display_Internal.h"
#include "platform/win/WindowSystem.h"

namespace win {

namespace {

// Where the last presses of one button were, for counting a run of clicks.
struct TClicks {
  unsigned long Time = 0;
  TPoint At;
  int Count = 0;
};

struct TXPointer {
  Uint32 eventType = 0;                     // the events the filter queues
  Uint32 goneType = 0;                      // the windows' destruction it queues
  std::map<unsigned long, Uint32> windows;  // X window -> SDL window id
  TClicks clicks[3];
  unsigned buttonsDown = 0;      // bits 1, 2, 4: buttons 1 to 3
  Uint32 pressedWindow = 0;      // where the first of them went down
  bool pointerReleased = false;  // SDL let go of the pointer in the last pump (KeepPointer)
  bool grabbing = false;         // the pressed window grabbed the pointer again
};

TXPointer* pointerRead = nullptr;
// Read by the filter, which SDL may call on a thread that pushes an event.
std::atomic<bool> pointerReadOpen{false};

// The press's place in a run of clicks, counted as SDL counts them: the same button pressed
// again within half a second and 32 pixels of the last press.
Uint8 ClickCount(const detail::TXPointerEvent& X) {
  TClicks& c = pointerRead->clicks[X.Button - 1];
  if (X.Kind == detail::TXPointerEvent::Press) {
    const bool again = c.Count > 0 && X.Time - c.Time <= 500 && std::abs(X.ScreenX - c.At.X) <= 32 &&
                       std::abs(X.ScreenY - c.At.Y) <= 32;
    c.Count = again ? std::min(c.Count + 1, 255) : 1;
    c.Time = X.Time;
    c.At = {X.ScreenX, X.ScreenY};
  }
  return static_cast<Uint8>(std::max(c.Count, 1));
}

// Which buttons are down and in which window the first went down.
void TrackButtons(const detail::TXPointerEvent& X, Uint32 Window) {
  if (X.Kind == detail::TXPointerEvent::Motion) return;
  const unsigned bit = 1u << (X.Button - 1);
  if (X.Kind == detail::TXPointerEvent::Press) {
    if (!pointerRead->buttonsDown) pointerRead->pressedWindow = Window;
    pointerRead->buttonsDown |= bit;
    return;
  }
  pointerRead->buttonsDown &= ~bit;
  if (!pointerRead->buttonsDown && pointerRead->grabbing) {
    pointerRead->grabbing = false;
    detail::UngrabPointer(SDL_GetWindowFromID(pointerRead->pressedWindow));
  }
}

int FilterXPointer(void*, SDL_Event* E) {
  display_internal::FilterKeyText(E);
  if (!pointerReadOpen.load(std::memory_order_relaxed)) return 1;
  switch (E->type) {
    case SDL_MOUSEMOTION:
      return E->motion.which == SDL_TOUCH_MOUSEID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return E->button.which == SDL_TOUCH_MOUSEID;
    case SDL_SYSWMEVENT:
      break;
    default:
      return 1;
  }
  detail::TXPointerEvent x;
  if (!pointerRead) return 0;
  if (const unsigned long destroyed = detail::XDestroyedWindowOf(E->syswm.msg)) {
    if (const auto window = pointerRead->windows.find(destroyed); window != pointerRead->windows.end()) {
      // The program may name it in requests before the forms hear of it: the errors say nothing new.
      detail::XQuietAbout(destroyed, true);
      SDL_Event u{};
      u.type = pointerRead->goneType;
      u.user.windowID = window->second;
      SDL_PushEvent(&u);
    }
    return 0;
  }
  if (detail::XReleasesPointer(E->syswm.msg)) pointerRead->pointerReleased = true;
  if (!detail::XPointerEventOf(E->syswm.msg, x)) return 0;
  const auto window = pointerRead->windows.find(x.Window);
  if (window == pointerRead->windows.end()) return 0;
  TrackButtons(x, window->second);
  SDL_Event u{};
  u.type = pointerRead->eventType;
  u.user.windowID = window->second;
  const Uint8 clicks = x.Kind == detail::TXPointerEvent::Motion ? 0 : ClickCount(x);
  u.user.code = static_cast<Sint32>(x.Kind) | static_cast<Sint32>(x.Button << 4) | (clicks << 8);
  u.user.data1 = reinterpret_cast<void*>(static_cast<std::intptr_t>(x.ScreenX));
  u.user.data2 = reinterpret_cast<void*>(static_cast<std::intptr_t>(x.ScreenY));
  SDL_PushEvent(&u);
  return 0;
}

display_internal::TScreenPointerEvent ButtonEvent(bool Down, Uint32 Window, unsigned Button, Uint8 Clicks,
                                                  TPoint Screen) {
  display_internal::TScreenPointerEvent p;
  p.Screen = Screen;
  p.Event.type = Down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  p.Event.button.windowID = Window;
  p.Event.button.button = static_cast<Uint8>(Button);  // X and SDL number buttons alike
  p.Event.button.clicks = Clicks;
  return p;
}

}  // namespace

void display_internal::OpenXPointer(Uint32 EventType, Uint32 GoneType) {
  if (pointerRead) return;
  pointerRead = new TXPointer;
  pointerRead->eventType = EventType;
  pointerRead->goneType = GoneType;
  SDL_SetEventFilter(FilterXPointer, nullptr);
  pointerReadOpen = true;
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void display_internal::CloseXPointer() {
  pointerReadOpen = false;
  SDL_SetEventFilter(nullptr, nullptr);
  delete pointerRead;
  pointerRead = nullptr;
}

void display_internal::AddXWindow(SDL_Window* Window) {
  if (pointerRead) pointerRead->windows[detail::XWindowOf(Window)] = SDL_GetWindowID(Window);
}

void display_internal::RemoveXWindow(SDL_Window* Window) {
  if (pointerRead) pointerRead->windows.erase(detail::XWindowOf(Window));
}

bool display_internal::IsXPointerEvent(const SDL_Event& E) { return pointerRead && E.type == pointerRead->eventType; }

bool display_internal::IsWindowGoneEvent(const SDL_Event& E) { return pointerRead && E.type == pointerRead->goneType; }

display_internal::TScreenPointerEvent display_internal::FromXPointer(const SDL_Event& E) {
  const TPoint screen{static_cast<int>(reinterpret_cast<std::intptr_t>(E.user.data1)),
                      static_cast<int>(reinterpret_cast<std::intptr_t>(E.user.data2))};
  const auto kind = static_cast<detail::TXPointerEvent::TKind>(E.user.code & 0xF);
  if (kind != detail::TXPointerEvent::Motion)
    return ButtonEvent(kind == detail::TXPointerEvent::Press, E.user.windowID, (E.user.code >> 4) & 0xF,
                       static_cast<Uint8>(E.user.code >> 8), screen);
  TScreenPointerEvent p;
  p.Screen = screen;
  p.Event.type = SDL_MOUSEMOTION;
  p.Event.motion.windowID = E.user.windowID;
  return p;
}

// SDL lets go of the pointer whenever it handles an EnterNotify, a focus change or a mapping
// (a window growing under the pointer makes EnterNotify events all along a grip drag), and so
// ends the grab of a press. While a button is down the pressed window grabs the pointer again;
// a release that went elsewhere meanwhile is made up, at the pointer's place.
std::vector<display_internal::TScreenPointerEvent> display_internal::KeepPointer() {
  std::vector<TScreenPointerEvent> madeUp;
  if (!pointerRead || !pointerRead->pointerReleased) return madeUp;
  pointerRead->pointerReleased = false;
  SDL_Window* w = pointerRead->buttonsDown ? SDL_GetWindowFromID(pointerRead->pressedWindow) : nullptr;
  if (!w) return madeUp;
  unsigned down = 0;
  TPoint at;
  pointerRead->grabbing = detail::GrabPointer(w, down, at.X, at.Y);
  const unsigned lost = pointerRead->buttonsDown & ~down;
  for (unsigned b = 1; b <= 3; ++b)
    if (lost & (1u << (b - 1)))
      madeUp.push_back(ButtonEvent(false, pointerRead->pressedWindow, b,
                                   static_cast<Uint8>(std::max(pointerRead->clicks[b - 1].Count, 1)), at));
  pointerRead->buttonsDown &= down;
  if (!pointerRead->buttonsDown && pointerRead->grabbing) {
    pointerRead->grabbing = false;
    detail::UngrabPointer(w);
  }
  return madeUp;
}

}  // namespace win
