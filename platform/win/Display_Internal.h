// What the display's files (Display.cpp, DisplayPointer.cpp, DisplaySimulate.cpp) share and no
// one else uses.
#pragma once

#include <SDL.h>

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

// The pointer on X, read from the X server's events (DisplayPointer.cpp): a motion, press or
// release for the window of the event, and where on the screen it happened.
struct TScreenPointerEvent {
  SDL_Event Event{};
  TPoint Screen;
};
// Starts and ends the reading: an SDL event filter queues the pointer's events as events of
// type EventType (a type of the program's own) in place of SDL's.
void OpenXPointer(Uint32 EventType);
void CloseXPointer();
// The windows whose events are read.
void AddXWindow(SDL_Window* Window);
void RemoveXWindow(SDL_Window* Window);
// Whether E is one the filter queued, and the event it stands for.
bool IsXPointerEvent(const SDL_Event& E);
TScreenPointerEvent FromXPointer(const SDL_Event& E);
// Called after every pump: keeps the pointer for the window a button is down in; the releases
// that went elsewhere meanwhile, made up.
std::vector<TScreenPointerEvent> KeepPointer();

}  // namespace win::display_internal
