// What the display's files (Display.cpp, DisplayPointer.cpp, DisplaySimulate.cpp) share and no
// one else uses.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/win/WinTypes.h"

namespace win {
class TCustomForm;
}

namespace win::display_internal {

// Hands an event to the forms as the display hands a real one (the display opened first);
// the mouse position it carries counts as the pointer's on the screen.
void Inject(SDL_Event& E);
// The SDL window id of the form's window, made when needed.
Uint32 IdOf(TCustomForm* Form);
// Whether the display knows that another client destroyed the window (it asks nobody): nothing
// is drawn on such a window any more.
bool KnownGone(SDL_Window* Window);

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
