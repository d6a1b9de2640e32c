// The display's form windows: made and freed, what a window manager reads from them, shown,
// hidden and raised (stay-on-top ones kept above the others where no window manager does it),
// the keyboard focus where no window manager moves it, and windows that another client
// destroyed.
#include <SDL.h>

#include <algorithm>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Display.h"
#include "platform/win/Display_Internal.h"
#include "platform/win/Forms.h"
#include "platform/win/Hints.h"
#include "platform/win/Menus.h"
#include "platform/win/WindowSystem.h"

namespace win {

namespace {

using display_internal::display;
using display_internal::FormOf;
using display_internal::XOf;

// Whether another client destroyed the window (asked of the X server until it says so).
bool WindowGone(SDL_Window* Window) {
  const Uint32 id = SDL_GetWindowID(Window);
  if (display->gone.count(id)) return true;
  if (display->driver != "x11" || detail::XWindowExists(Window)) return false;
  display_internal::NoteGone(id);
  return true;
}

// Makes SDL count a window that is gone as hidden (its destroy hides a shown one and waits for an
// unmap): SDL takes every event there is (a failed question about the window may count it as
// shown again after the server's unmap), then is handed an unmap of it.
void CountAsHidden(SDL_Window* Window) {
  if (!(SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN)) return;
  SDL_PumpEvents();
  if (!(SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN)) return;
  detail::XPutBackUnmap(Window);
  SDL_PumpEvents();
}

// The form window whose X window is XWindow; 0 for none.
Uint32 FormWindowOfX(unsigned long XWindow) {
  if (!XWindow) return 0;
  for (const auto& [id, form] : display->forms)
    if (detail::XWindowOf(SDL_GetWindowFromID(id)) == XWindow) return id;
  return 0;
}

// The shown window that gets the keyboard back when the window Id hides: the one that held it
// when Id showed, or the one before that, and so on; else the main form's.
SDL_Window* FocusBackOf(Uint32 Id) {
  const auto shown = [Id](Uint32 Other) {
    const TCustomForm* f = FormOf(Other);
    return Other != Id && f && f->Showing() && !display->gone.count(Other);
  };
  std::size_t steps = display->forms.size();
  for (auto it = display->focusBefore.find(Id); it != display->focusBefore.end() && steps--;
       it = display->focusBefore.find(it->second))
    if (shown(it->second)) return SDL_GetWindowFromID(it->second);
  TCustomForm* main = MainForm();
  const Uint32 mainId = main && main->Window() ? SDL_GetWindowID(main->Window()) : 0;
  return mainId && shown(mainId) ? main->Window() : nullptr;
}

// What the window's border has, as a window manager reads it.
detail::TBorderLook BorderLookOf(const TCustomForm& Form) {
  detail::TBorderLook look;
  look.Decorated = Form.BorderStyle() != bsNone;
  const TBorderIcons icons = Form.BorderIcons();
  look.Restricted = icons != TBorderIcons{biSystemMenu, biMinimize, biMaximize};
  look.Sizeable = Form.BorderStyle() == bsSizeable || Form.BorderStyle() == bsSizeToolWin;
  look.Menu = icons.Contains(biSystemMenu);
  look.Minimize = icons.Contains(biMinimize);
  look.Maximize = icons.Contains(biMaximize);
  return look;
}

// Whether the window may be asked anything: the display is there and its connection holds, and no
// other client destroyed the window as far as the display knows.
bool Usable(SDL_Window* Window) {
  return Window && display && !display_internal::Lost() && !display->gone.count(SDL_GetWindowID(Window));
}

// Where no window manager keeps them there, the stay-on-top windows that show and lie under the
// window, which has just come to the front, are put back right above it, in the order they lay.
void KeepStayOnTopAbove(SDL_Window* Window) {
  const TCustomForm* form = FormOf(SDL_GetWindowID(Window));
  if (!form || form->FormStyle() == fsStayOnTop) return;
  const std::vector<unsigned long> order = detail::XStackingOrder(Window);
  const auto own = std::find(order.begin(), order.end(), detail::XWindowOf(Window));
  unsigned long last = own == order.end() ? 0 : *own;
  for (auto it = order.begin(); it != own; ++it) {
    const Uint32 id = FormWindowOfX(*it);
    const TCustomForm* other = id ? FormOf(id) : nullptr;
    if (!other || other->FormStyle() != fsStayOnTop || !other->Showing() || display->gone.count(id)) continue;
    detail::XStackAbove(SDL_GetWindowFromID(id), last);
    last = *it;
  }
}

}  // namespace

void display_internal::NoteGone(Uint32 WindowID) {
  display->gone.insert(WindowID);
  // The program may still name the window in requests until it lets it go; the X server's
  // answers about it say nothing new.
  if (SDL_Window* w = SDL_GetWindowFromID(WindowID); w && XOf(w)) detail::XQuietAbout(detail::XWindowOf(w), true);
}

SDL_Window* CreateFormWindow(TCustomForm* Form) {
  DisplayNeeded();
  if (display_internal::Lost()) return nullptr;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (Form->BorderStyle() == bsNone) flags |= SDL_WINDOW_BORDERLESS;
  if (Form->BorderStyle() == bsSizeable || Form->BorderStyle() == bsSizeToolWin) flags |= SDL_WINDOW_RESIZABLE;
  if (Form->FormStyle() == fsStayOnTop) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  // A popup window stays out of the task bar and out of the window manager's hands, and so does
  // a menu's.
  if (Form->PopupParent() || dynamic_cast<TPopupMenuWindow*>(Form))
    flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
  // So does a hint, which the window manager treats as a tooltip.
  if (dynamic_cast<THintWindow*>(Form)) flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_TOOLTIP;
  SDL_Window* w = SDL_CreateWindow(Form->Caption().c_str(), Form->Left(), Form->Top(), std::max(Form->Width(), 1),
                                   std::max(Form->Height(), 1), flags);
  if (!w) throw rtl::Exception(std::string("Cannot create the window: ") + SDL_GetError());
  display->forms[SDL_GetWindowID(w)] = Form;
  if (XOf(w)) {
    detail::XSetBorder(w, BorderLookOf(*Form));
    if (Form->NoActivate()) detail::XSetTakesNoInput(w, true);
  }
  if (display->xPointer) display_internal::AddXWindow(w);
  // The connection is the display's: the first window tells it, and it stays when that
  // window goes.
  if (display_internal::WaiterConnection() < 0) display_internal::SetWaiterConnection(w);
  return w;
}

void UpdateFormWindowBorder(TCustomForm* Form) {
  SDL_Window* w = Form ? Form->Window() : nullptr;
  if (Usable(w) && XOf(w)) detail::XSetBorder(w, BorderLookOf(*Form));
}

void UpdateFormWindowInput(TCustomForm* Form) {
  SDL_Window* w = Form ? Form->Window() : nullptr;
  if (Usable(w) && XOf(w)) detail::XSetTakesNoInput(w, Form->NoActivate());
}

void DestroyFormWindow(SDL_Window* Window) {
  if (!Window || !display) return;
  const Uint32 id = SDL_GetWindowID(Window);
  const bool lost = display_internal::Lost();
  const bool gone =
      !lost && ((SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN) ? WindowGone(Window) : display->gone.count(id) > 0);
  if (gone) CountAsHidden(Window);
  display->forms.erase(id);
  display->drops.erase(id);
  display->focusBefore.erase(id);
  display->gone.erase(id);
  display->focusPassed.erase(id);
  if (display->xPointer) display_internal::RemoveXWindow(Window);
  // Without its connection SDL would ask the X server about the window it frees: it is left as it
  // is (the program ends).
  if (lost) return;
  _XDisplay* x = gone ? XOf(Window) : nullptr;
  const unsigned long xWindow = x ? detail::XWindowOf(Window) : 0;
  SDL_DestroyWindow(Window);
  // The error for a window that is gone is taken (and kept quiet) while the program's handler is
  // in place.
  if (x) {
    detail::XSyncConnection(x);
    detail::XQuietAbout(xWindow, false);
  }
}

bool FormWindowGone(SDL_Window* Window) { return Window && display && !display_internal::Lost() && WindowGone(Window); }

bool ShowFormWindow(SDL_Window* Window, bool Activate) {
  if (!Window || !display || display_internal::Lost()) return true;
  if (display->gone.count(SDL_GetWindowID(Window))) return false;
  _XDisplay* x = XOf(Window);
  const bool unmanaged = x && !detail::WindowManagerRuns(x);
  // Where nobody but the program moves the keyboard focus, SDL gives it to every window it maps: a
  // window shown without the activation gives it straight back, and the X server serves no other
  // client in between, so that no key typed meanwhile reaches the window shown.
  const bool holdServer = unmanaged && !Activate;
  if (holdServer) detail::XHoldServer(x, true);
  const unsigned long before = unmanaged ? detail::XFocusWindow(x) : 0;
  const Uint32 id = SDL_GetWindowID(Window);
  display->focusPassed.erase(id);
  if (const TCustomForm* f = FormOf(id); f && x && !(SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN)) {
    const TCustomForm* owner = f->WindowOwner();
    detail::XSetWindowOwner(Window, owner ? owner->Window() : nullptr);
    detail::XSetMapStates(Window, f->FormStyle() == fsStayOnTop, SDL_GetWindowFlags(Window) & SDL_WINDOW_SKIP_TASKBAR);
  }
  SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, Activate ? "0" : "1");
  SDL_ShowWindow(Window);
  if (!unmanaged) return true;
  KeepStayOnTopAbove(Window);
  const unsigned long own = detail::XWindowOf(Window);
  // Also a window shown without the activation may come to hold the keys (a press, another
  // client): hidden, it gives them back to the one that held them when it showed.
  display->focusBefore[id] = before == own ? 0 : FormWindowOfX(before);
  if (!Activate && before != own && detail::XFocusWindow(x) == own) {
    detail::XSetFocusWindow(x, before);
    display->focusPassed.insert(id);
  }
  if (holdServer) detail::XHoldServer(x, false);
  return true;
}

void HideFormWindow(SDL_Window* Window) {
  if (!Window || !display || display_internal::Lost()) return;
  _XDisplay* x = XOf(Window);
  bool held = false;
  if (WindowGone(Window)) {
    held = x && detail::XFocusOnNoWindow(x);  // destroyed while it held them: the keys are nowhere
  } else {
    held = x && detail::XFocusWindow(x) == detail::XWindowOf(Window);
    SDL_HideWindow(Window);
  }
  if (!held || detail::WindowManagerRuns(x)) return;
  if (SDL_Window* back = FocusBackOf(SDL_GetWindowID(Window))) detail::XSetFocusWindow(x, detail::XWindowOf(back));
}

bool RaiseFormWindow(SDL_Window* Window) {
  if (!Window || !display || display_internal::Lost()) return true;
  if (display->gone.count(SDL_GetWindowID(Window))) return false;
  SDL_RaiseWindow(Window);
  _XDisplay* x = XOf(Window);
  const unsigned long own = detail::XWindowOf(Window);
  if (x && !detail::WindowManagerRuns(x)) {
    KeepStayOnTopAbove(Window);
    if (detail::XFocusWindow(x) != own) detail::XSetFocusWindow(x, own);
  }
  return true;
}

void StackFormWindowAbove(SDL_Window* Window, SDL_Window* Lower) {
  if (!Usable(Window) || !Usable(Lower) || Window == Lower) return;
  if (!(SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN) || !(SDL_GetWindowFlags(Lower) & SDL_WINDOW_SHOWN)) return;
  if (XOf(Window) && XOf(Window) == XOf(Lower)) detail::XStackAbove(Window, detail::XWindowOf(Lower));
}

void ResizeFormWindow(SDL_Window* Window, int Width, int Height) {
  if (!Window || !display || display_internal::Lost()) return;
  unsigned long above = 0;
  if (_XDisplay* x = XOf(Window); x && (SDL_GetWindowFlags(Window) & SDL_WINDOW_SHOWN) &&
                                  !(SDL_GetWindowFlags(Window) & SDL_WINDOW_RESIZABLE) && !detail::WindowManagerRuns(x))
    above = detail::XWindowAbove(Window);
  SDL_SetWindowSize(Window, Width, Height);
  detail::XStackBelow(Window, above);
}

void KeyboardFocusOnPress(TCustomForm* Form) {
  if (!display || display->injected || !Form || !Form->Showing() || Form->NoActivate()) return;
  SDL_Window* w = Form->Window();
  if (!Usable(w)) return;
  _XDisplay* x = XOf(w);
  if (!x) return;
  const unsigned long own = detail::XWindowOf(w), focus = detail::XFocusWindow(x);
  if (focus == own) return;
  const TCustomForm* parent = Form->PopupParent();
  if (parent && parent->Window() && focus == detail::XWindowOf(parent->Window())) return;
  if (!detail::WindowManagerRuns(x)) detail::XSetFocusWindow(x, own);
}

bool FormWindowUsable(SDL_Window* Window) { return Usable(Window); }

}  // namespace win
