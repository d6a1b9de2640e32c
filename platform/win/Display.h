// The display: SDL2's video layer, opened on first need, behind the forms.
//
// - Windows are made without any GL context (frames reach them through the window surface,
//   with SDL's framebuffer acceleration off), so a 3D device rendering through EGL on the
//   same thread is never disturbed.
// - The loop's waiter becomes the display's: on X the GUI thread sleeps on the X connection
//   and on its own wake-up event (a wake from another thread never goes through the X
//   server), elsewhere in SDL's event wait. SDL events are collected while the GUI thread
//   sleeps and handed to the forms from one posted message, so every handler runs under the
//   loop's guard.
// - SDL_VIDEODRIVER picks the driver; "dummy" and "offscreen" run without any display
//   (tests), "x11" under Xvfb.
// - Tests feed events through HandleEvent (the same path real events take) and read what
//   the forms present.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/WinTypes.h"

union SDL_Event;
struct SDL_Window;

namespace win {

class TCustomForm;

// Opens the display when needed; raises rtl::Exception when SDL's video cannot start.
void DisplayNeeded();
bool DisplayOpen();
// Closes the display at the end of the program (after the last form is freed): the loop
// gets its own waiter back and SDL lets go of everything it holds. It opens again when
// needed.
void CloseDisplay();
// The name of the video driver in use ("" before the display is open).
std::string VideoDriver();
// True when what the display shows can be seen: the driver of a window system, or one without
// a screen ("dummy", "offscreen") only when SDL_VIDEODRIVER asked for it by name, as tests do.
// Where no window system answers (DISPLAY unset or naming no server), SDL falls back to its
// "offscreen" driver by itself, and a program would run with nobody able to see it.
bool DisplayShowsWindows();
// The X errors reported since the process started. An X error never ends the program: it
// is written to the standard error output and counted (a request about a window that went
// away meanwhile is the usual one).
std::uint64_t WindowSystemErrors();

// Makes and frees a (hidden) window for a form (none once the display is lost). Borderless,
// stay-on-top and popup are given at creation and changed later through the form's setters. What a window manager reads
// of the form's border (its style and TCustomForm::BorderIcons) and whether it takes input
// (TCustomForm::NoActivate) are written when the window is made, and again by the updates.
SDL_Window* CreateFormWindow(TCustomForm* Form);
void DestroyFormWindow(SDL_Window* Window);
void UpdateFormWindowBorder(TCustomForm* Form);
void UpdateFormWindowInput(TCustomForm* Form);
// Shows and hides a form's window (Activate: it takes the keyboard). On X without a window
// manager nobody but the program moves the keyboard focus, and SDL gives it to every window it
// shows: a window shown without Activate gives it back at once to the window that held it (that
// passing focus activates nothing), the X server serving no other client in between (so no key
// typed meanwhile reaches the window shown), and a window that holds it as it hides gives it to
// the window that held it when this one showed (or, when that one is hidden too, to the one
// before it, else to the main form's). With a window manager the manager moves the focus.
//
// A window that another client destroyed counts as closed: hiding it asks nothing more of the X
// server (SDL would wait for an unmap that never comes), nothing more is drawn on it, and a form
// that shows hears the window system's close as from its user (HandleEvent). FormWindowGone asks
// the X server whether the window is gone, unless the display knows it already; a form makes its
// window anew before it shows one that is (ShowFormWindow and RaiseFormWindow show nothing and
// answer false for it).
//
// On X a window names the window of the form it belongs to (TCustomForm::WindowOwner), which a
// window manager keeps it above, and a stay-on-top form's window asks to stay above the others;
// both are written before each map, since a manager forgets the states of a window it lets go.
bool ShowFormWindow(SDL_Window* Window, bool Activate);
void HideFormWindow(SDL_Window* Window);
// Brings a shown window to the front and asks for the keyboard for it (a form shown again while it
// shows); on X without a window manager its window takes the keyboard focus itself.
//
// A stay-on-top form's window stays above the program's other windows: where no window manager
// keeps it there, a window that shows or comes to the front over it puts it back right above
// itself (the stay-on-top windows keeping their order).
bool RaiseFormWindow(SDL_Window* Window);
// Puts a shown window right above another shown one, activating neither; a window manager is
// asked to (it keeps a window it holds above the others, a stay-on-top one, above one that is
// not).
void StackFormWindowAbove(SDL_Window* Window, SDL_Window* Lower);
bool FormWindowGone(SDL_Window* Window);
// Gives a window its new size. SDL raises a window of fixed size as it resizes it; on X without a
// window manager nothing would put it back, and the windows above it (a message shown over the
// main window as the main window takes its saved size) would lie under it: a shown one keeps its
// place among the windows.
void ResizeFormWindow(SDL_Window* Window, int Width, int Height);
// Whether the window may be asked anything: the display's connection holds and the window is not
// known to be gone. The forms ask SDL nothing about a window that is not.
bool FormWindowUsable(SDL_Window* Window);
// Whether the connection to the window system broke: the X server ended, or another client
// killed the program's connection (xkill). Xlib would end the program where it met the break;
// instead, from then on nothing asks anything of SDL or the X server (windows neither show nor
// hide, nothing is drawn, no window is made) and the forms go on without their windows, and the
// display-lost handler runs once from the loop, so that the program ends as its other endings do.
bool DisplayLost();
// What the program does when the display is lost; by default the system's request to end
// (HandleQuitRequest).
void SetDisplayLostHandler(std::function<void()> Handler);
// A press of the user activated the form (or found it active): on X without a window manager,
// its window takes the keyboard focus where it does not hold it, except a popup window whose
// parent holds it (the popup takes the parent's keys). Events a test simulates move nothing.
void KeyboardFocusOnPress(TCustomForm* Form);
// Copies the given rectangles of an opaque XRGB frame (Width x Height, no padding) to the
// window and shows them.
void PresentToWindow(SDL_Window* Window, const std::uint32_t* Bits, int Width, int Height,
                     const std::vector<TRect>& Rects);
// The window's own pixels when a form can compose straight into them: Width x Height, 32
// bits with red, green and blue in bits 16-23, 8-15 and 0-7; rows of Stride pixels. Nil when
// the window's pixels are not like that (the form then copies its own frame).
std::uint32_t* WindowPixels(SDL_Window* Window, int Width, int Height, int& Stride);
// Shows the given rectangles of the window's own pixels.
void ShowWindowRects(SDL_Window* Window, const std::vector<TRect>& Rects);
// A pixel of what the window shows now (XRGB), for tests; 0 outside the window.
std::uint32_t ReadWindowPixel(SDL_Window* Window, int X, int Y);

// Handles one SDL event: window events, mouse, keys (with the character a key makes),
// text and drops go to the form of the event's window; keys and text go to an open popup
// menu's window, or to an active popup window that stands in for it, instead. A press
// outside an open menu, and the window system's keyboard going elsewhere, close it
// (Menus.h). The window system's focus moves the activation (a window losing it with no
// other of ours gaining it leaves none active).
void HandleEvent(const SDL_Event& Event);
// Handles every SDL event that is waiting.
void PumpEvents();

// The screen's work area: the usable bounds of the primary display (without the panels and
// docks of the desktop), its whole bounds where the window system does not tell them apart,
// and 1024 x 768 at (0, 0) while no display answers. Opens the display when needed.
TRect ScreenWorkArea();
// R moved (never resized) so that it lies wholly in the screen's work area; where it is
// wider or taller than the area, its left or top edge is the area's.
TRect KeepOnScreen(const TRect& R);
// The mouse position on the screen as the last pointer event had it (the window system is not
// asked: a hint placed after its pause, a menu opened at the pointer by a press, take the
// point of the event that led to them).
TPoint GetCursorPos();
// The modifier keys held, as the last key or mouse event had them.
rtl::TShiftState KeyboardShiftState();
// Shows the cursor on the display.
void ShowCursor(TCursor Cursor);
// The input method's window and typed text are in InputMethod.h; hints in Hints.h.

// The clipboard is in Clipboard.h.

// The virtual-key code of an SDL key code, 0 for keys without one.
// Input as the display would deliver it, through the same translation as real events (for
// tests and tools). Keys are SDL key codes (letters and digits are their ASCII codes);
// Shift is the modifier keys held with the event.
void SimulateMouseMove(TCustomForm* Form, int X, int Y);
void SimulateMouseButton(TCustomForm* Form, rtl::TMouseButton Button, bool Down, int X, int Y, int Clicks = 1);
void SimulateMouseWheel(TCustomForm* Form, int Notches);
void SimulateMouseLeave(TCustomForm* Form);
void SimulateKey(TCustomForm* Form, std::int32_t SdlKey, bool Down, rtl::TShiftState Shift = {});
// A key pressed and released, the modifier keys in Shift pressed before and released after.
void SimulateKeyStroke(TCustomForm* Form, std::int32_t SdlKey, rtl::TShiftState Shift = {});
// Text the input method finished (SDL_TEXTINPUT); a composition is in InputMethod.h.
void SimulateText(TCustomForm* Form, const std::string& Utf8);
void SimulateDrop(TCustomForm* Form, const std::vector<std::string>& Files, const std::string& Text, int X, int Y);
void SimulateClose(TCustomForm* Form);
// The window system's keyboard focus coming to (Gained) or leaving the form's window.
void SimulateFocus(TCustomForm* Form, bool Gained);

std::uint16_t VirtualKeyOf(std::int32_t SdlKey);
// The character a key makes before any text event (TranslateMessage's control codes:
// Ctrl+letter 1..26, Backspace 8, Tab 9, Enter 13 (Ctrl+Enter 10), Escape 27); 0 for none.
char16_t ControlCharOf(std::uint16_t VirtualKey, rtl::TShiftState Shift);
// The character a key types while the display's text input is off (no control takes text),
// for keys that do not come from X (on X the key press's own event is read through the
// keyboard map, so Shift, AltGr and dead keys type what the layout says): the key's character
// in the keyboard's layout (SDL's key code), a letter in upper case with Shift or Caps Lock
// (one of them, not both), the keypad's digits and point with Num Lock, its operators always;
// 0 for none. Chords with Ctrl, Alt, AltGr or the system key type nothing (Ctrl+letter makes
// its control code), nor does Shift on a key that is not a letter or the space bar: which
// symbol that types is the keyboard map's. Mods are SDL's modifier bits.
char16_t TypedCharOf(std::int32_t SdlKey, std::uint16_t SdlMods);

}  // namespace win
