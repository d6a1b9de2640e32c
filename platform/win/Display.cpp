// The display: the SDL video connection, the loop's waits on it, form windows, the dispatch
// of window events to the forms and the cursor. Key codes and typed characters are in
// DisplayKeys.cpp, the pointer read from the X server's events in DisplayPointer.cpp, the
// simulated input of the tests in DisplaySimulate.cpp, the windows' pixels and the screen's
// work area in DisplaySurface.cpp.
#include "platform/win/Display.h"

#include <SDL.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstdint>
#include <deque>
#include <iterator>
#include <utility>
#include <map>
#include <set>

#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display_Internal.h"
#include "platform/win/Forms.h"
#include "platform/win/Hints.h"
#include "platform/win/InputMethod.h"
#include "platform/win/Menus.h"
#include "platform/win/WindowSystem.h"

namespace win {

namespace {
constexpr UINT WM_PUMPEVENTS = rtl::WM_USER + 1;
constexpr UINT WM_DISPLAYLOST = rtl::WM_USER + 2;
}  // namespace

namespace display_internal {

TDisplay* display = nullptr;

// Sleeps until the window system or another thread has something for the loop. The window
// events gathered meanwhile are handed to the forms from a posted message, so that every
// handler runs under the loop's guard.
//
// Waking from another thread: on X the loop sleeps in ppoll on its own eventfd and on the X
// connection, and a wake writes the eventfd and nothing else. SDL's own wake-up (an event
// pushed while SDL_WaitEvent sleeps) sends an X message to a window SDL chose when the wait
// began; when a drop-down closes meanwhile, that is a request about a destroyed window, and
// the X server answers it with an error. On the other drivers SDL's wait and wake serve as
// they are: they send nothing to a window.
//
// Asking SDL to pump is asking the X server (a read of the connection and more): the own
// wait pumps only when something may be there. Before sleeping that is requests Xlib has not
// sent or events it has read already, text input under way (an input method answers on a
// connection of its own), a pump longer ago than kPumpAtLeastEvery (SDL finishes some of its
// work late, at a pump), and before the first window (no connection known); after the sleep,
// X events or a signal. Otherwise it only takes what other threads put on SDL's queue.
// SIGTERM and SIGINT, which SDL turns into its quit event at a pump, are taken over from SDL
// on X: their handler wakes the loop, which hands the quit event over itself, so that a
// signal that a thread of the serial link catches ends the wait too; a loop that does not
// sleep (a scene drawing frame after frame) takes it before its next turn (TakeUrgent).
//
// A loop that does not sleep (a real-time scene drawing from the idle handler, a scene that asks
// for a frame as each frame draws) never comes to the wait: between two of its turns, once
// kLookAtLeastEvery has passed since the wait or the last such look, TakeUrgent looks at the
// window system as the wait would before sleeping, and at the X connection (a poll that does
// not sleep); what came goes to the forms from the posted message, behind the messages posted
// before it and before the next idle turn, as it would after a wait. The time is the system's
// coarse clock (ticks of 1 to 4 ms), which a turn reads in a few nanoseconds (the fine one takes
// some 25).
//
// The object lives as long as the process (a thread may still be waking it while the
// display closes); the display sets it up each time it opens.
class TSdlWaiter : public rtl::TLoopWaiter {
public:
  static constexpr std::chrono::milliseconds kPumpAtLeastEvery{250};
  static constexpr std::int64_t kLookAtLeastEvery = 4'000'000;  // ns of the coarse clock

  void Open(Uint32 WakeEvent, bool OwnWait) {
    wakeEvent_ = WakeEvent;
    ownWait_ = OwnWait;
    connection_ = -1;
    x_ = nullptr;
    quitSignal_ = false;
    lost_ = false;
    lostTaken_ = false;
  }
  // The descriptor that X events arrive on, polled beside the wake-up event, and its Xlib
  // connection (GUI thread).
  void SetConnection(int Fd, _XDisplay* X) {
    connection_ = Fd;
    x_ = X;
  }
  int Connection() const { return connection_; }
  // From a signal handler: only a flag and a write of the wake-up descriptor.
  void QuitSignalled() {
    quitSignal_ = true;
    wake_.Wake();
  }
  void Wait(double TimeoutMs) override;
  // A quit signal or a broken connection, heard meanwhile, is handed to the loop at once: a loop
  // that never sleeps (a scene drawing frame after frame) would otherwise never end on SIGTERM,
  // nor hear of its input. The window system's events once the loop has not looked for a while.
  void TakeUrgent() override;
  void Wake() override {
    wake_.Wake();
    if (ownWait_) return;
    SDL_Event e{};
    e.type = wakeEvent_;
    SDL_PushEvent(&e);
  }
  Uint32 WakeEvent() const { return wakeEvent_; }
  // The connection to the X server broke (any thread: Xlib calls it where it met the break): a
  // flag and a wake.
  void ConnectionLost() {
    lost_ = true;
    wake_.Wake();
  }
  bool Lost() const { return lost_; }
  // On the GUI thread, once after the break: the waiter lets the connection go and the display
  // hears of it.
  void TakeLost();

private:
  void WaitOwn(double TimeoutMs);
  // Between two turns of a loop that has not slept: what the window system has.
  void LookBetweenTurns();
  bool PumpNeeded() const;
  void Pump();
  void TakeQuitSignal();

  std::atomic<Uint32> wakeEvent_{0};
  std::atomic<bool> ownWait_{false};
  rtl::TEventFdWaiter wake_;
  int connection_ = -1;
  _XDisplay* x_ = nullptr;
  std::chrono::steady_clock::time_point lastPump_{};
  std::int64_t lastLook_ = 0;  // the last wait's end or look between turns, on the coarse clock
  std::atomic<bool> quitSignal_{false};
  static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
  std::atomic<bool> lost_{false};
  bool lostTaken_ = false;
};

}  // namespace display_internal

namespace {

using display_internal::display;
using display_internal::FormOf;
using display_internal::TDisplay;
using display_internal::TPending;
using display_internal::TSdlWaiter;
using display_internal::XOf;

// What the program does when the display is lost (SetDisplayLostHandler).
std::function<void()> displayLostHandler;

TSdlWaiter& SdlWaiter() {
  static TSdlWaiter* const waiter = new TSdlWaiter;  // never freed: other threads may wake it late
  return *waiter;
}

// Pointer events made from the X server's (on the screen), then the pump's other events.
void CollectScreenEvent(const display_internal::TScreenPointerEvent& E) {
  TPending p{};
  p.Event = E.Event;
  p.OnScreen = true;
  p.Screen = E.Screen;
  display->pending.push_back(p);
}

void Collect(const SDL_Event& E) {
  if (E.type == display->waiter->WakeEvent()) return;
  if (display_internal::IsXPointerEvent(E)) return CollectScreenEvent(display_internal::FromXPointer(E));
  TPending p{};
  p.Event = E;
  display->pending.push_back(p);
}

void SchedulePump() {
  if (display->pending.empty() || !display->pumpWnd) return;
  MSG m;
  if (!rtl::PeekMessage(m, display->pumpWnd, WM_PUMPEVENTS, WM_PUMPEVENTS, rtl::PM_NOREMOVE))
    rtl::PostMessage(display->pumpWnd, WM_PUMPEVENTS, 0, 0);
}

// Nanoseconds of the system's coarse monotonic clock.
std::int64_t CoarseNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Moves what SDL has queued into the pending events, without asking the window system.
void CollectQueued() {
  SDL_Event batch[32];
  for (int n; (n = SDL_PeepEvents(batch, 32, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0;)
    for (int i = 0; i < n; ++i) Collect(batch[i]);
}

// The display hears that its connection broke: nothing more is asked of SDL or the X server, and
// the program's handler runs from the loop.
void NoteDisplayLost() {
  display->lost = true;
  display->pending.clear();
  if (display->pumpWnd) rtl::PostMessage(display->pumpWnd, WM_DISPLAYLOST, 0, 0);
}

}  // namespace

void display_internal::TSdlWaiter::Wait(double TimeoutMs) {
  if (ownWait_) {
    WaitOwn(TimeoutMs);
  } else {
    SDL_Event e;
    int got;
    if (TimeoutMs < 0) got = SDL_WaitEvent(&e);
    else got = SDL_WaitEventTimeout(&e, static_cast<int>(std::min(std::ceil(TimeoutMs), 1e9)));
    if (got) Collect(e);
    // The wait has pumped the window system once: what it queued is taken without pumping
    // again (every pump asks the X server), so a wake costs one look at the display, not two.
    CollectQueued();
  }
  lastLook_ = CoarseNow();
  SchedulePump();
}

bool display_internal::TSdlWaiter::PumpNeeded() const {
  if (!x_ || detail::XEventsHeld(x_) || SDL_IsTextInputActive()) return true;
  return std::chrono::steady_clock::now() - lastPump_ >= kPumpAtLeastEvery;
}

void display_internal::TSdlWaiter::Pump() {
  SDL_PumpEvents();
  lastPump_ = std::chrono::steady_clock::now();
  CollectQueued();
  for (const display_internal::TScreenPointerEvent& e : display_internal::KeepPointer()) CollectScreenEvent(e);
}

void display_internal::TSdlWaiter::TakeQuitSignal() {
  if (!quitSignal_.exchange(false)) return;
  SDL_Event e{};
  e.type = SDL_QUIT;
  e.quit.timestamp = SDL_GetTicks();
  Collect(e);
}

void display_internal::TSdlWaiter::TakeUrgent() {
  if (quitSignal_.load() || (lost_.load() && !lostTaken_)) {
    TakeQuitSignal();
    TakeLost();
    SchedulePump();
  }
  if (lostTaken_ || CoarseNow() - lastLook_ < kLookAtLeastEvery) return;
  LookBetweenTurns();
}

void display_internal::TSdlWaiter::LookBetweenTurns() {
  if (ownWait_) {
    // What the wait would find before it sleeps, and what it would sleep on: the X connection.
    pollfd p{connection_, POLLIN, 0};
    if (PumpNeeded() || (connection_ >= 0 && poll(&p, 1, 0) != 0))
      Pump();
    else
      CollectQueued();
    TakeLost();
  } else {
    Pump();  // SDL's own wait would pump
  }
  lastLook_ = CoarseNow();
  SchedulePump();
}

void display_internal::TSdlWaiter::TakeLost() {
  if (!lost_ || lostTaken_) return;
  lostTaken_ = true;
  connection_ = -1;
  x_ = nullptr;
  NoteDisplayLost();
}

void display_internal::TSdlWaiter::WaitOwn(double TimeoutMs) {
  TakeQuitSignal();
  TakeLost();
  if (!lostTaken_ && PumpNeeded())
    Pump();
  else CollectQueued();
  TakeLost();
  if (!display->pending.empty()) return;
  // Once the connection broke, only the wake-up event is waited on.
  pollfd p[2] = {{wake_.Handle(), POLLIN, 0}, {connection_, POLLIN, 0}};
  const nfds_t count = connection_ >= 0 ? 2 : 1;
  timespec limit{};
  const int ready = ppoll(p, count, rtl::PollLimit(TimeoutMs, limit), nullptr);
  if (ready > 0 && (p[0].revents & POLLIN)) wake_.TakeWakes();
  TakeQuitSignal();
  TakeLost();
  // A time-out or a wake from another thread leaves the window system alone: nothing came
  // from the X server since the look above.
  const bool fromX = ready > 0 && count == 2 && p[1].revents != 0;
  if (!lostTaken_ && (ready < 0 || fromX)) Pump();
  TakeLost();
}

namespace {

// SIGTERM and SIGINT while the own wait serves (see TSdlWaiter): the handlers SDL set up are
// kept here while the program's stand in for them, and put back before SDL closes, which
// then restores the system's default.
constexpr int kQuitSignals[] = {SIGTERM, SIGINT};
struct sigaction sdlHandlers[std::size(kQuitSignals)];
bool quitSignalsTaken[std::size(kQuitSignals)] = {};

void OnQuitSignal(int) {
  const int saved = errno;
  SdlWaiter().QuitSignalled();
  errno = saved;
}

// Before SDL opens: which quit signals still have the system's default (SDL sets up its
// handler only for those).
std::array<bool, std::size(kQuitSignals)> DefaultQuitSignals() {
  std::array<bool, std::size(kQuitSignals)> result{};
  for (std::size_t i = 0; i < result.size(); ++i) {
    struct sigaction now{};
    result[i] = sigaction(kQuitSignals[i], nullptr, &now) == 0 && now.sa_handler == SIG_DFL;
  }
  return result;
}

void TakeQuitSignals(const std::array<bool, std::size(kQuitSignals)>& WereDefault) {
  for (std::size_t i = 0; i < WereDefault.size(); ++i) {
    struct sigaction now{};
    if (!WereDefault[i] || sigaction(kQuitSignals[i], nullptr, &now) != 0 || now.sa_handler == SIG_DFL) continue;
    struct sigaction own{};
    own.sa_handler = OnQuitSignal;
    sigemptyset(&own.sa_mask);
    if (sigaction(kQuitSignals[i], &own, &sdlHandlers[i]) == 0) quitSignalsTaken[i] = true;
  }
}

void GiveQuitSignalsBack() {
  for (std::size_t i = 0; i < std::size(kQuitSignals); ++i) {
    if (!quitSignalsTaken[i]) continue;
    struct sigaction now{};
    if (sigaction(kQuitSignals[i], nullptr, &now) == 0 && now.sa_handler == OnQuitSignal)
      sigaction(kQuitSignals[i], &sdlHandlers[i], nullptr);
    quitSignalsTaken[i] = false;
  }
}

// The form that takes the keys arriving for Form's window: an open popup menu's window (it has
// the keys of every window of the program), the modal form that holds Form, an active popup
// window that stands in for it, else Form.
TCustomForm* KeyTarget(TCustomForm* Form) {
  if (TPopupMenu* menu = OpenPopupMenu(); Form && menu && menu->Window()) return menu->Window();
  // A window manager may give the window of a form a modal form holds the keyboard: its keys
  // and text are the modal form's.
  if (Form && Form->HeldByModal())
    if (TCustomForm* modal = RunningModalForm()) Form = modal;
  TCustomForm* a = ActiveForm();
  if (Form && a && a != Form && a->PopupParent() == Form && a->Showing()) return a;
  return Form;
}

// Whether the window system gives one of the program's windows the focus next.
bool FocusGainPending() {
  for (const TPending& p : display->pending)
    if (const SDL_Event& e = p.Event;
        e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED && FormOf(e.window.windowID))
      return true;
  return false;
}

rtl::TShiftState ModsToShift(Uint16 Mod) {
  rtl::TShiftState s;
  if (Mod & KMOD_SHIFT) s.Include(rtl::ssShift);
  if (Mod & KMOD_CTRL) s.Include(rtl::ssCtrl);
  if (Mod & KMOD_ALT) s.Include(rtl::ssAlt);
  return s;
}

void TrackMouse(SDL_Window* Window, int X, int Y) {
  int wx = 0, wy = 0;
  if (Window) SDL_GetWindowPosition(Window, &wx, &wy);
  display->cursor = {wx + X, wy + Y};
}

// Where the pointer is now, as the window system tells (a question to the X server): for
// drops, which carry no point. Injected events stand for the pointer.
TPoint PointerNow() {
  if (!display->globalMouse || display->injected) return display->cursor;
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  return {x, y};
}

// A motion, press or release for its form. Screen, when the event tells it, is where on the
// screen it happened: the form gets that point in its client coordinates as the form lies
// now, so a window moved since (by the drag these events make) gets the point that lies
// under the pointer on the screen, as a window that moves at once would.
void HandlePointer(const SDL_Event& E, const TPoint* Screen) {
  const bool motion = E.type == SDL_MOUSEMOTION;
  TCustomForm* f = FormOf(motion ? E.motion.windowID : E.button.windowID);
  if (!f) return;
  TPoint p = motion ? TPoint{E.motion.x, E.motion.y} : TPoint{E.button.x, E.button.y};
  if (Screen) {
    display->cursor = *Screen;
    p = f->ScreenToClient(*Screen);
  } else {
    TrackMouse(f->Window(), p.X, p.Y);
  }
  if (motion) return f->HandleMouseMove(p.X, p.Y);
  if (E.type == SDL_MOUSEBUTTONDOWN) CloseMenuOutside(f);
  rtl::TMouseButton b;
  if (E.button.button == SDL_BUTTON_LEFT) b = rtl::mbLeft;
  else if (E.button.button == SDL_BUTTON_RIGHT) b = rtl::mbRight;
  else if (E.button.button == SDL_BUTTON_MIDDLE) b = rtl::mbMiddle;
  else return;
  f->HandleMouseButton(b, E.type == SDL_MOUSEBUTTONDOWN, E.button.clicks, p.X, p.Y);
}

SDL_SystemCursor SystemCursorOf(TCursor C) {
  switch (C) {
    case crCross:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case crIBeam:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case crSizeNESW:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case crSizeNS:
    case crVSplit:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case crSizeNWSE:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case crSizeWE:
    case crHSplit:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case crHourGlass:
    case crSQLWait:
      return SDL_SYSTEM_CURSOR_WAIT;
    case crAppStart:
      return SDL_SYSTEM_CURSOR_WAITARROW;
    case crNo:
    case crNoDrop:
      return SDL_SYSTEM_CURSOR_NO;
    case crHandPoint:
      return SDL_SYSTEM_CURSOR_HAND;
    case crSizeAll:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    default:
      return SDL_SYSTEM_CURSOR_ARROW;
  }
}

}  // namespace

void display_internal::Inject(SDL_Event& E) {
  DisplayNeeded();
  display->injected = true;
  HandleEvent(E);
}

Uint32 display_internal::IdOf(TCustomForm* Form) {
  Form->HandleNeeded();
  return Form->Window() ? SDL_GetWindowID(Form->Window()) : 0;
}

TCustomForm* display_internal::FormOf(Uint32 WindowID) {
  const auto it = display->forms.find(WindowID);
  return it == display->forms.end() ? nullptr : it->second;
}

_XDisplay* display_internal::XOf(SDL_Window* Window) {
  return display->driver == "x11" ? detail::XConnectionOf(Window) : nullptr;
}

int display_internal::WaiterConnection() { return display->waiter->Connection(); }

void display_internal::SetWaiterConnection(SDL_Window* FirstWindow) {
  _XDisplay* x = detail::XConnectionOf(FirstWindow);
  display->waiter->SetConnection(detail::EventConnectionOf(FirstWindow), x);
  // A broken connection ends nothing where it breaks: the waiter hears of it and lets it go.
  if (x) detail::KeepConnectionOnIOError(x, [] { SdlWaiter().ConnectionLost(); });
}

bool display_internal::Lost() { return display && (display->lost || SdlWaiter().Lost()); }

void DisplayNeeded() {
  if (display) return;
  RTL_ASSERT_GUI_THREAD("DisplayNeeded");
  // Frames reach windows through the window surface; no GL context is ever made here.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // A press keeps the pointer for the window it landed in through the window system's own
  // grab; SDL's capture would hand it to the window with the keyboard focus.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  // SDL turns SIGTERM and SIGINT into a quit event, which closes the main form; closing the
  // last window is the forms' business and quits nothing by itself.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  const auto quitDefault = DefaultQuitSignals();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    throw rtl::Exception(std::string("Cannot open the display: ") + SDL_GetError());
  const Uint32 wake = SDL_RegisterEvents(4);
  if (wake == static_cast<Uint32>(-1)) throw rtl::Exception("Cannot open the display: no user event left");
  auto* d = new TDisplay;
  d->driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  d->globalMouse = d->driver == "x11" || d->driver == "wayland";
  d->waiter = &SdlWaiter();
  d->waiter->Open(wake, d->driver == "x11");
  // An X error is reported and the program goes on (Xlib's own handler ends it).
  if (d->driver == "x11") {
    detail::InstallXErrorHandler();
    TakeQuitSignals(quitDefault);
  }
  display = d;
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  SDL_EventState(SDL_DROPTEXT, SDL_ENABLE);
  SDL_EventState(SDL_DROPBEGIN, SDL_ENABLE);
  SDL_EventState(SDL_DROPCOMPLETE, SDL_ENABLE);
  // The pointer is read from the X server's own events.
  d->xPointer = d->driver == "x11";
  if (d->xPointer) {
    display_internal::OpenKeyText(wake + 2);
    display_internal::OpenXPointer(wake + 1, wake + 3);
  }
  // SDL starts with its text input on; it is on only while a control takes text.
  SDL_StopTextInput();
  d->pumpWnd = rtl::AllocateHWnd([](MSG& m) -> LRESULT {
    if (m.message == WM_PUMPEVENTS) PumpEvents();
    if (m.message == WM_DISPLAYLOST) {
      if (displayLostHandler)
        displayLostHandler();
      else
        HandleQuitRequest();
    }
    return 0;
  });
  rtl::Application->SetWaiter(d->waiter);
}

bool DisplayOpen() { return display != nullptr; }

void CloseDisplay() {
  if (!display) return;
  RTL_ASSERT_GUI_THREAD("CloseDisplay");
  ClipboardDisplayClosing();
  FreeHintWindow();
  ResetTextInput();
  rtl::Application->SetWaiter(nullptr);
  rtl::DeallocateHWnd(display->pumpWnd);
  // Without its connection, SDL's close would ask the X server (Xlib would end the program on
  // SDL's other connection): SDL is left as it is, and the program ends.
  const bool lost = display_internal::Lost();
  for (auto& [id, cursor] : display->cursors)
    if (cursor && !lost) SDL_FreeCursor(cursor);
  if (display->xPointer) {
    display_internal::CloseXPointer();
    display_internal::CloseKeyText();
  }
  delete display;
  display = nullptr;
  GiveQuitSignalsBack();
  if (!lost) SDL_Quit();
}
std::string VideoDriver() { return display ? display->driver : std::string(); }

bool DisplayShowsWindows() {
  if (!display) return false;
  if (display->driver != "dummy" && display->driver != "offscreen") return true;
  // SDL_VIDEODRIVER may list several drivers, separated by commas, in any case.
  const std::string asked = std::getenv("SDL_VIDEODRIVER") ? std::getenv("SDL_VIDEODRIVER") : "";
  for (std::size_t start = 0; start <= asked.size();) {
    const std::size_t comma = std::min(asked.find(',', start), asked.size());
    if (rtl::SameText(rtl::Trim(std::string_view(asked).substr(start, comma - start)), display->driver)) return true;
    start = comma + 1;
  }
  return false;
}

bool DisplayLost() { return display_internal::Lost(); }
void SetDisplayLostHandler(std::function<void()> Handler) { displayLostHandler = std::move(Handler); }
std::uint64_t WindowSystemErrors() { return detail::XErrorCount(); }

void PumpEvents() {
  if (!display) return;
  if (!display_internal::Lost()) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Collect(e);
    for (const display_internal::TScreenPointerEvent& e : display_internal::KeepPointer()) CollectScreenEvent(e);
  }
  SdlWaiter().TakeLost();
  display->injected = false;
  while (!display->pending.empty()) {
    const TPending p = display->pending.front();
    display->pending.pop_front();
    if (p.OnScreen) HandlePointer(p.Event, &p.Screen);
    else HandleEvent(p.Event);
  }
}

void HandleEvent(const SDL_Event& E) {
  if (!display) return;
  if (display_internal::IsWindowGoneEvent(E)) {
    // Another client destroyed the window: it counts as closed, and a form that shows closes
    // as its user's close would close it (the main form's ends the program).
    // (One that the program let go meanwhile is none of its windows.)
    TCustomForm* f = FormOf(E.user.windowID);
    if (!f) return;
    display_internal::NoteGone(E.user.windowID);
    if (f->Showing()) f->HandleCloseRequest();
    return;
  }
  if (display_internal::IsKeyTextEvent(E)) {
    const std::u16string text = display_internal::TakeKeyText();
    if (TCustomForm* f = KeyTarget(FormOf(E.user.windowID)))
      for (const char16_t c : text) f->HandleChar(c);
    return;
  }
  switch (E.type) {
    case SDL_QUIT:
      HandleQuitRequest();
      return;
    case SDL_WINDOWEVENT: {
      TCustomForm* f = FormOf(E.window.windowID);
      if (!f) return;
      switch (E.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          f->HandleCloseRequest();
          break;
        case SDL_WINDOWEVENT_MOVED: {
          // On X the server tells where the window is (SDL may count a manager's frame twice).
          TPoint at{E.window.data1, E.window.data2};
          if (SDL_Window* w = f->Window(); w && XOf(w) && !display->gone.count(E.window.windowID))
            detail::XWindowPlace(w, at.X, at.Y);
          f->HandleMoved(at.X, at.Y);
          break;
        }
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          f->HandleResized(E.window.data1, E.window.data2);
          break;
        case SDL_WINDOWEVENT_LEAVE:
          f->HandleMouseLeave();
          break;
        case SDL_WINDOWEVENT_RESTORED:
          // One window brought back by the window system brings the whole program back.
          if (ApplicationMinimized()) RestoreApplication();
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          f->ShowAgain();
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: {
          if (display->focusPassed.count(E.window.windowID)) break;
          // The window of a form whose popup is active keeps the keyboard for the popup.
          TCustomForm* a = ActiveForm();
          if (f->Showing() && !(a && a->PopupParent() == f)) {
            if (f != a) CloseMenuOutside(f);
            SetActiveForm(f);
          }
          break;
        }
        case SDL_WINDOWEVENT_FOCUS_LOST: {
          TCustomForm* a = ActiveForm();
          if (a && (a == f || a->PopupParent() == f) && !FocusGainPending()) {
            CloseMenuOutside(nullptr);
            SetActiveForm(nullptr);
          }
          break;
        }
        default:
          break;
      }
      return;
    }
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      HandlePointer(E, nullptr);
      return;
    case SDL_MOUSEWHEEL: {
      TCustomForm* f = FormOf(E.wheel.windowID);
      if (!f) return;
      int y = E.wheel.y;
      if (E.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
      if (y) f->HandleMouseWheel(y * 120);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      display->mods = ModsToShift(E.key.keysym.mod);
      // The input method lets keys through only outside a composition.
      if (E.type == SDL_KEYDOWN) TypedKeyDown();
      TCustomForm* f = KeyTarget(FormOf(E.key.windowID));
      if (!f) return;
      // Without text input no text event follows the key: the key types its own character,
      // on X the one the keyboard map gives (after the key-down, AltGr chords included),
      // elsewhere the one its key code tells.
      const bool typing = E.type == SDL_KEYDOWN && !TextInputActive();
      const bool fromX = display_internal::IsXKeyDown(E);
      const char16_t typed = typing && !fromX ? TypedCharOf(E.key.keysym.sym, E.key.keysym.mod) : 0;
      if (const std::uint16_t vk = VirtualKeyOf(E.key.keysym.sym)) f->HandleKey(vk, E.type == SDL_KEYDOWN, typed);
      else if (typed) f->HandleChar(typed);
      if (typing && fromX)
        for (const char16_t c : display_internal::XTypedTextOf(E)) f->HandleChar(c);
      return;
    }
    case SDL_TEXTINPUT:
      HandleTypedText(KeyTarget(FormOf(E.text.windowID)), E.text.text, true);
      return;
    case SDL_TEXTEDITING:
      HandleTypedText(KeyTarget(FormOf(E.edit.windowID)), E.edit.text, false);
      return;
    case SDL_DROPBEGIN:
      display->drops[E.drop.windowID] = {};
      return;
    case SDL_DROPFILE:
    case SDL_DROPTEXT: {
      std::u16string s = E.drop.file ? rtl::Utf8ToWide(E.drop.file) : std::u16string();
      SDL_free(E.drop.file);
      TDropData& d = display->drops[E.drop.windowID];
      if (E.type == SDL_DROPFILE) d.Files.push_back(std::move(s));
      else d.Text += s;
      return;
    }
    case SDL_DROPCOMPLETE: {
      const auto it = display->drops.find(E.drop.windowID);
      if (it == display->drops.end()) return;
      TDropData data = std::move(it->second);
      display->drops.erase(it);
      TCustomForm* f = FormOf(E.drop.windowID);
      if (!f) return;
      // Drops carry no point, and while another program drags the program gets no pointer
      // events: the window system is asked where the pointer is.
      const TPoint p = f->ScreenToClient(PointerNow());
      f->HandleDrop(data, p.X, p.Y);
      return;
    }
    default:
      return;
  }
}

TPoint GetCursorPos() { return display ? display->cursor : TPoint{}; }

rtl::TShiftState KeyboardShiftState() { return display ? display->mods : rtl::TShiftState(); }

void ShowCursor(TCursor Cursor) {
  if (!display || display_internal::Lost()) return;
  SDL_Cursor*& c = display->cursors[Cursor];
  if (!c) c = SDL_CreateSystemCursor(SystemCursorOf(Cursor));
  if (c) SDL_SetCursor(c);
}

}  // namespace win
