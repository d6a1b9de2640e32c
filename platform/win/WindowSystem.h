// The X window system beneath SDL, for the things SDL does not give: the descriptor of the
// connection its events arrive on (so the loop can sleep on it beside its own wake-up event),
// a look at what Xlib holds (so the loop asks SDL to pump only when there is something) and
// an error handler that reports an X error and lets the program go on. Used by the display
// only; everything here is a no-op on other video drivers.
#pragma once

#include <cstdint>
#include <vector>

struct SDL_Window;
struct SDL_SysWMmsg;
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

// A motion, press or release of the pointer (buttons 1 to 3) as the X server delivered it:
// to the window that holds the pointer grab while a button is down, so it may lie outside
// that window.
struct TXPointerEvent {
  enum TKind { Motion, Press, Release };
  TKind Kind = Motion;
  unsigned long Window = 0;  // the X window
  unsigned Button = 0;       // 1 left, 2 middle, 3 right; 0 for a motion
  int ScreenX = 0, ScreenY = 0;
  unsigned long Time = 0;  // the server's milliseconds
};
// Whether the window system's message (an SDL_SYSWMEVENT's) is such an event; Out is filled.
// The data of an input-extension event lives only while SDL hands the message over (an event
// filter's call).
bool XPointerEventOf(const SDL_SysWMmsg* Message, TXPointerEvent& Out);
// Whether SDL, handling the X event of the window-system message, lets go of the pointer: it
// ungrabs it at every EnterNotify, focus change and mapping, a press's implicit grab too.
bool XReleasesPointer(const SDL_SysWMmsg* Message);
// Grabs the pointer for the window (every motion and the release go to it wherever the pointer
// is; true when the X server granted it) and tells which of buttons 1 to 3 are down (bits 1,
// 2, 4) and where the pointer is on the screen. Two round trips to the X server.
bool GrabPointer(SDL_Window* Window, unsigned& Buttons, int& ScreenX, int& ScreenY);
void UngrabPointer(SDL_Window* Window);
// What a key press (a window-system message) types. Plain: no Ctrl, Alt or system key held,
// and Char is the key's character by the keyboard map (Shift, Caps Lock, Num Lock and AltGr
// choose among the key's symbols), 0 when the symbol is no character (a dead key, a function
// key, a control code). Chord: one of those keys held (Char 0). Finished: the press that ended
// an input method's text (key code 0), which the input method holds.
enum class TXKeyPress { NoPress, Plain, Chord, Finished };
TXKeyPress XKeyPressOf(const SDL_SysWMmsg* Message, char32_t& Char);
// The X window of an SDL window; 0 when it is none.
unsigned long XWindowOf(SDL_Window* Window);

// Whether the X window of the SDL window still exists on the server (another client may have
// destroyed it); true for a window that is not an X window. One round trip; the server's error
// for a window that is gone says nothing new and is kept quiet, as are later ones about it
// (XQuietAbout).
bool XWindowExists(SDL_Window* Window);
// The X window that the window-system message tells was destroyed (its own DestroyNotify, which
// the X server sends to the window's connection whoever destroyed it); 0 for any other message.
unsigned long XDestroyedWindowOf(const SDL_SysWMmsg* Message);
// Puts an unmap of the window's X window in front of the connection's events, for SDL to take
// at its next pump (a window another client destroyed).
void XPutBackUnmap(SDL_Window* Window);
// Waits until the X server has taken every request sent so far; errors reported meanwhile go
// to the handler.
void XSyncConnection(_XDisplay* Connection);
// Whether a window manager runs on the connection's screen (it names its check window on the
// root window, and that window names itself). One or two round trips.
bool WindowManagerRuns(_XDisplay* Connection);
// The window that holds the keyboard focus (0 for none, 1 for the pointer's root). One round
// trip.
unsigned long XFocusWindow(_XDisplay* Connection);
// Whether the keyboard focus is on no window of any client: none, the pointer's root or the
// root window (where it goes when the window holding it went). One round trip.
bool XFocusOnNoWindow(_XDisplay* Connection);
// Gives the keyboard focus to the window (0: to none; it reverts to the root when that window
// goes).
void XSetFocusWindow(_XDisplay* Connection, unsigned long Window);
// Holds the X server for the connection alone (Hold) and lets it go again: meanwhile the server
// serves no other client's request (a key another client makes up waits). Never while a window
// manager must answer a request of ours.
void XHoldServer(_XDisplay* Connection, bool Hold);

// Errors about the X window, one that another client destroyed and the program still names in
// requests until it lets it go, are neither reported nor counted (Quiet), or are again.
void XQuietAbout(unsigned long Window, bool Quiet);
// Keeps the program running when the connection to the X server breaks (the server ended, or
// another client killed the connection): Xlib, which ends the program where it meets the break,
// reports it on the standard error output, calls Lost (on whichever thread met it) and goes on,
// every later request of the connection failing at once.
void KeepConnectionOnIOError(_XDisplay* Connection, void (*Lost)());

// Where the window's client area lies on the screen, as the X server has it now (its origin in
// the root window's coordinates); false when it is no X window. One round trip. SDL's own idea
// cannot serve under a window manager: it takes a move relative to the window's parent as the
// parent is when SDL handles the event, so a move made at the root and handled once the manager
// had taken the window into its frame counts the frame's place twice.
bool XWindowPlace(SDL_Window* Window, int& X, int& Y);
// The window right above the window among the root window's children, where it lies in the
// stacking order without a window manager; 0 when it is the top one or no X window. One round
// trip.
unsigned long XWindowAbove(SDL_Window* Window);
// Puts the window right below Sibling, a child of the root window as the window is; nothing for
// 0.
void XStackBelow(SDL_Window* Window, unsigned long Sibling);
// The root window's children, the bottom one first (the stacking order); empty when the window
// is no X window. One round trip.
std::vector<unsigned long> XStackingOrder(SDL_Window* Window);
// Puts the window right above Sibling (the X window of another of the program's windows),
// activating neither: where a window manager has framed them, it is asked to (the restack
// request of its protocol), and it may keep the window where its own rules put it (below a
// window it keeps above the others). Nothing for 0. One round trip.
void XStackAbove(SDL_Window* Window, unsigned long Sibling);
// What a window manager reads from a window as it maps it: its border (_MOTIF_WM_HINTS), written
// when the window is made, also where no manager ran yet (SDL then names the root window as the
// window's owner instead, and a manager started later frames the window and keeps it above every
// other window of the program). A window is decorated or not; a restricted one names the buttons
// its border has (the system menu with the close button, minimise, maximise) and the actions a
// manager offers for it (moving; closing, minimising and maximising with their buttons; resizing
// when it is sizeable). One that is not restricted leaves both to the manager.
struct TBorderLook {
  bool Decorated = true;
  bool Restricted = false;
  bool Sizeable = true, Menu = true, Minimize = true, Maximize = true;
};
void XSetBorder(SDL_Window* Window, const TBorderLook& Look);
// Whether the window takes input: one that does not (a busy sign) tells a window manager that it
// takes no keyboard input (WM_HINTS), asks no focus of it (no WM_TAKE_FOCUS among its protocols,
// which SDL would answer by taking the focus) and is a notification (_NET_WM_WINDOW_TYPE), so
// that the manager never focuses it, not even as it maps it.
void XSetTakesNoInput(SDL_Window* Window, bool NoInput);
// The window it belongs to (WM_TRANSIENT_FOR), which a manager keeps it above; none for nil.
void XSetWindowOwner(SDL_Window* Window, SDL_Window* Owner);
// For a window that is not mapped: the states a manager gives it when it maps it
// (_NET_WM_STATE): above the other windows, out of the task bar. A manager empties them when the
// window is withdrawn (hidden), so they are written again before each map.
void XSetMapStates(SDL_Window* Window, bool KeepAbove, bool SkipTaskbar);

}  // namespace win::detail
