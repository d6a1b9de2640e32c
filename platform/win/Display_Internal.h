// What the display's files (Display.cpp, DisplayWindows.cpp, DisplayPointer.cpp,
// DisplaySimulate.cpp, DisplaySurface.cpp) share and no one else uses.
#pragma once

#include <SDL.h>

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/rtl/InputTypes.h"
#include "platform/win/Forms.h"
#include "platform/win/WinTypes.h"

struct _XDisplay;

namespace win::display_internal {

// The loop's waiter while the display is open (Display.cpp).
class TSdlWaiter;

// An event waiting for the forms. A pointer event made from the X server's own carries the
// point on the screen where it happened.
struct TPending {
  SDL_Event Event;
  bool OnScreen = false;
  TPoint Screen;
};

struct TDisplay {
  std::string driver;
  TSdlWaiter* waiter = nullptr;  // SdlWaiter(), which outlives the display
  HWND pumpWnd = 0;
  std::deque<TPending> pending;
  std::map<Uint32, TCustomForm*> forms;
  std::map<Uint32, TDropData> drops;
  rtl::TShiftState mods;
  TPoint cursor;
  bool injected = false;
  bool globalMouse = false;
  // On X the pointer's motions, presses and releases come from the X server's events
  // (DisplayPointer.cpp).
  bool xPointer = false;
  std::map<TCursor, SDL_Cursor*> cursors;
  // On X without a window manager: the window that held the keyboard when each window showed.
  std::map<Uint32, Uint32> focusBefore;
  // Windows that another client destroyed.
  std::set<Uint32> gone;
  // Windows shown without the activation that gave back at once the focus SDL gave them.
  std::set<Uint32> focusPassed;
  // The connection to the X server broke (the server ended, or the program's client was killed):
  // nothing asks anything of SDL or the X server any more.
  bool lost = false;
};

// The display while it is open; nil otherwise.
extern TDisplay* display;

// The form of an SDL window id; nil for none.
TCustomForm* FormOf(Uint32 WindowID);
// The Xlib connection of the window when the display is X's; nil otherwise.
_XDisplay* XOf(SDL_Window* Window);
// The X connection the waiter sleeps on (-1 before the first window), and setting it.
int WaiterConnection();
void SetWaiterConnection(SDL_Window* FirstWindow);
// Whether the connection to the X server broke (also before the loop has heard of it).
bool Lost();
// Counts the window as destroyed by another client (DisplayWindows.cpp).
void NoteGone(Uint32 WindowID);

// Hands an event to the forms as the display hands a real one (the display opened first);
// the mouse position it carries counts as the pointer's on the screen.
void Inject(SDL_Event& E);
// The SDL window id of the form's window, made when needed.
Uint32 IdOf(TCustomForm* Form);
// The pointer on X, read from the X server's events (DisplayPointer.cpp): a motion, press or
// release for the window of the event, and where on the screen it happened.
struct TScreenPointerEvent {
  SDL_Event Event{};
  TPoint Screen;
};
// Starts and ends the reading: an SDL event filter queues the pointer's events as events of
// type EventType (a type of the program's own) in place of SDL's, and the X server's word that
// a window was destroyed as an event of type GoneType for that window.
void OpenXPointer(Uint32 EventType, Uint32 GoneType);
void CloseXPointer();
// The windows whose events are read.
void AddXWindow(SDL_Window* Window);
void RemoveXWindow(SDL_Window* Window);
// Whether E is one the filter queued, and the event it stands for.
bool IsXPointerEvent(const SDL_Event& E);
bool IsWindowGoneEvent(const SDL_Event& E);
TScreenPointerEvent FromXPointer(const SDL_Event& E);
// Called after every pump: keeps the pointer for the window a button is down in; the releases
// that went elsewhere meanwhile, made up.
std::vector<TScreenPointerEvent> KeepPointer();

// The characters of keys on X (DisplayKeys.cpp). While no control takes text, SDL's text
// events are off and a key brings no character of its own: the filter reads it from the key
// press's X event through the keyboard map (Shift, AltGr, Caps Lock, Num Lock) and puts it
// into the key-down that SDL makes of the press (IsXKeyDown, XTypedTextOf). A key composed
// with a dead key before it is the input method's (SDL's): it holds the text and ends it
// with a press of key code 0, for which the filter lets SDL's text event through alone and
// queues the text as an event of type EventType in its place; the presses the input method
// took come as key-downs without their X events and type nothing themselves. A press SDL
// makes no key-down of has its character queued in the same way.
void OpenKeyText(Uint32 EventType);
void CloseKeyText();
// The filter's part for keys: called with the window-system events, key-downs and text
// events before the rest of the filter.
void FilterKeyText(SDL_Event* E);
// Whether a key-down came from X through the filter, and what its press types (UTF-16).
bool IsXKeyDown(const SDL_Event& KeyDown);
std::u16string XTypedTextOf(const SDL_Event& KeyDown);
// Whether E is a key's text the filter queued, and the text (removed from the queue).
bool IsKeyTextEvent(const SDL_Event& E);
std::u16string TakeKeyText();
// Whether SDL's text input is on for a control that takes text (not just for one key), and
// giving back a text input held for one key whose text never came.
bool TextInputOnForControls();
void EndKeyText();

}  // namespace win::display_internal
