// Window messages as the GUI thread sees them: handles are plain identifiers, a window is
// a procedure registered under its handle (AllocateHWnd), and messages reach it posted
// (queued, from any thread) or sent (a call that returns the procedure's result).
#pragma once

#include <cstdint>
#include <functional>

namespace rtl {

using HWND = std::uint64_t;    // 0 is "no window"
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct MSG {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// A window procedure: gets the message, returns the result a sender sees.
using TWndMethod = std::function<LRESULT(MSG& Message)>;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Registers a window procedure and returns its new handle (never reused). A window with a
// parent counts as the parent's child for PeekMessage's window filter. GUI thread only.
HWND AllocateHWnd(TWndMethod Method, HWND Parent = 0);
// Unregisters a handle; messages still queued for it are dropped. May be called from the
// window's own procedure. GUI thread only.
void DeallocateHWnd(HWND Wnd);
bool IsWindow(HWND Wnd);

// Queues a message for the window and returns at once; any thread. False for an unknown
// window. Messages posted by one thread are handled in the order they were posted, and
// before any timer: a message that posts itself again starves every timer, so repeated
// work (rendering, animation) runs from a timer or from one coalesced message that is
// posted only when none is pending.
bool PostMessage(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// On the GUI thread a direct call of the window procedure. From another thread the call is
// handed to the GUI thread and the sender blocks until the procedure has run (or replied
// with ReplyMessage); the GUI thread must not wait for the sender meanwhile, except
// through TThread::WaitFor. 0 for an unknown window.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// True inside a procedure that is handling a message sent from another thread.
bool InSendMessage();
// Lets the thread that sent the message being handled go on with Result; false when the
// message was not sent from another thread or has been replied to already.
bool ReplyMessage(LRESULT Result);
// Looks at the posted messages (not sent ones) for the first whose window is Wnd or one of
// its children (any window when Wnd is 0) and whose number lies in [FilterMin, FilterMax]
// (all numbers when both are 0). PM_REMOVE takes it off the queue. A pending quit is never
// returned here and never consumed: it stays with the application until its loops end.
bool PeekMessage(MSG& Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg);
// Asks the message loops to end with ExitCode; same as Application->Terminate().
void PostQuitMessage(int ExitCode);

}  // namespace rtl
