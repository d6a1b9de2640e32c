// The application object and the GUI thread's message loop.
//
// One GUI thread runs everything: posted and sent messages, timers, the idle handler,
// calls handed over by other threads (Synchronize, Queue, cross-thread SendMessage), and
// nested modal loops, which run the same queue and timers.
//
// How the loop sleeps and wakes: the loop has exactly one wake-up primitive, a TLoopWaiter
// (Waiter.h). The default one is an eventfd polled with ppoll: every post, send,
// synchronise, queue or terminate from any thread signals it, and the loop sleeps on it
// until the next timer deadline. Timers are this loop's own (a deadline list read from one
// monotonic clock), not SDL's, which drift. The window layer joins by installing its own
// waiter with SetWaiter: Wait also takes the window system's events (turning them into
// messages), and Wake wakes that wait (platform/win/Display.h says how); nothing else in the
// loop changes. Building on SDL's queue now would tie every program, the serial tools and
// the tests included, to SDL for no gain.
//
// Time is read only through the application's clock (Clock.h): milliseconds as a double
// from process start. A test installs a TTestClock and advances it; timers then fire in
// deadline order without any sleeping.
//
// The loop's rules:
// - Before every turn the waiter hands over what must not wait for the loop's next sleep
//   (TLoopWaiter::TakeUrgent: the window layer's quit signal, and the window system's events
//   once the loop has not slept for a few milliseconds), so a loop that never sleeps still
//   ends on SIGTERM and takes its input.
// - Order: a call handed over by another thread first, then a posted message, then a due
//   timer, then idle. Posted messages come before timers: a message that posts itself
//   again starves every timer (and keeps ProcessMessages from returning). Render and
//   animation work is therefore driven by timers, or by one coalesced paint message
//   posted only when none is pending; never by a message that re-posts itself.
// - The GUI thread never blocks on anything the loop cannot serve. The one blocking wait
//   allowed on it is TThread::WaitFor, which keeps serving the waited thread's calls. No
//   sleeping, no waiting for a mutex held across a Synchronize, no busy polling.
// - Timers, the clock (SetClock, TTestClock::Advance), window handles (AllocateHWnd,
//   DeallocateHWnd) and ReleaseComponent belong to the GUI thread. Debug builds check it
//   (RTL_ASSERT_GUI_THREAD aborts with the name of the call); release builds do not.
// - Every handler the loop runs is guarded: an exception that escapes it goes to
//   HandleException and the loop goes on. Code that runs handlers outside the loop where
//   an exception cannot propagate (a destructor, a close that must finish) reports it the
//   same way: catch (...) { Application->HandleException(Sender); }.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/loop/Clock.h"
#include "platform/loop/Messages.h"
#include "platform/loop/Waiter.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

// In builds without NDEBUG: aborts, naming What, when called outside the GUI thread.
#ifndef NDEBUG
#define RTL_ASSERT_GUI_THREAD(What) ::rtl::AssertGuiThread(What)
#else
#define RTL_ASSERT_GUI_THREAD(What) ((void)0)
#endif

namespace rtl {

class TComponent;

// The check behind RTL_ASSERT_GUI_THREAD (use the macro).
void AssertGuiThread(const char* What);

using TIdleEvent = TEvent<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = TEvent<void(TObject* Sender, const std::exception& E)>;

class TApplication : public TObject {
  RTL_CLASS(TApplication, TObject)
public:
  using TTimerId = std::uint64_t;

  // The thread that creates the application object is the GUI thread.
  TApplication();
  ~TApplication() override;

  // The message loop: handles messages until the application terminates.
  void Run();
  // Handles one message (or call, or due timer); when there was none, goes idle: calls
  // OnIdle and, unless the handler answered "not done", waits for the next message.
  void HandleMessage();
  // Handles everything pending now (timers due now included) and returns without waiting.
  void ProcessMessages();
  // A nested modal loop: handles messages until Finished() holds (true) or the application
  // terminates (false). Finished is tested before each message.
  bool RunUntil(const std::function<bool()>& Finished);
  // Blocks until a message or call is pending, a timer is due, or the loop is woken.
  void WaitMessage();

  // Ends every running loop, the nested ones first; any thread. The request is sticky:
  // nothing that drains messages can lose it.
  void Terminate() { Quit(0); }
  void Quit(int ExitCode);
  bool Terminated() const { return terminated_.load(); }
  int ExitCode() const { return exitCode_.load(); }

  // Idle handler: Done starts true; a handler that sets it false is called again as soon as
  // the queue is empty, without waiting.
  TIdleEvent OnIdle;
  // The window layer's own idle work, run after OnIdle answered "done" and under the same
  // guard: its shown forms update the actions of their controls. One procedure; nullptr
  // for none.
  using TIdleProc = void (*)();
  void SetIdleActions(TIdleProc Proc) { idleActions_ = Proc; }
  // Gets every exception that escapes a handler run by the loop; without it, ShowException.
  TExceptionEvent OnException;
  // Reports the exception being handled (call inside a catch block). EAbort is silent.
  void HandleException(TObject* Sender);
  // The default report: "<class>: <message>" on the standard error stream.
  void ShowException(const std::exception& E);

  // The clock every timer and GetTickCount reads. nullptr puts the real clock back.
  // Armed timers keep their remaining time across the change. GUI thread only.
  TClock& Clock() const { return *clock_; }
  void SetClock(TClock* NewClock);
  // The earliest deadline of an armed timer, +infinity when none is armed. GUI thread.
  double NextTimerDeadline() const;
  // Low-level periodic timers (TTimer builds on them). The first tick is due IntervalMs
  // from now; each tick is handled between messages, when nothing else is pending; ticks
  // that fall due while the GUI thread is busy collapse into one, on the original phase.
  // A timer may be stopped from any handler, its own included, and then never fires again.
  // Posted messages go first: a stream of posted messages (one that re-posts itself) keeps
  // every timer from firing, so periodic work belongs here, not in re-posted messages.
  // GUI thread only.
  TTimerId StartTimer(double IntervalMs, std::function<void()> OnTick);
  void StopTimer(TTimerId Id);

  // Deferred free, the class library's Release: a form, popup or control that must go
  // away from inside one of its own handlers (a button whose click closes its form) asks
  // for it here, and its Release() method is this call. The loop frees the component when
  // it is back at its outermost level, after the message, call, timer or idle handler
  // that was running when it was asked has returned: never under a handler further up
  // the stack, also not when the request comes from a nested modal loop (the component
  // then lives until the handler that opened that loop has returned). Asking twice frees
  // once; a component freed meanwhile (directly or by its owner) is forgotten, never freed
  // again. Exceptions from the free go to HandleException. GUI thread only.
  void ReleaseComponent(TComponent* AComponent);

  // Hints, which the window layer shows: the pointer rests HintPause ms over a control
  // before its hint shows, HintShortPause ms when it moves on from a hint that showed; a
  // hint hides after HintHidePause ms (0: it stays). With ShowHint off no hint shows.
  // Negative pauses count as 0. GUI thread only.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value) { showHint_ = Value; }
  int HintPause() const { return hintPause_; }
  void SetHintPause(int Value) { hintPause_ = Value < 0 ? 0 : Value; }
  int HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(int Value) { hintShortPause_ = Value < 0 ? 0 : Value; }
  int HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int Value) { hintHidePause_ = Value < 0 ? 0 : Value; }

  // The loop's wake-up primitive. nullptr puts the default eventfd waiter back.
  void SetWaiter(TLoopWaiter* Waiter);
  void Wake();

  std::thread::id MainThreadID() const { return mainThread_; }
  bool IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

  // Runs Method on the GUI thread while the calling thread waits; exceptions come back to
  // the caller. On the GUI thread a direct call. The GUI thread must never wait for the
  // calling thread meanwhile, except through TThread::WaitFor, which serves such calls.
  void Synchronize(std::function<void()> Method);
  // Hands Method to the GUI thread and returns at once; Owner tags it for RemoveQueued.
  // On the GUI thread a direct call.
  void Queue(const void* Owner, std::function<void()> Method);
  void RemoveQueued(const void* Owner);
  // For a GUI thread that waits for another thread to end: first lets that thread go on
  // from every call of it that the GUI thread is running right now (further up its own
  // stack, so it could never finish while the GUI thread waits), then serves the calls of
  // every thread until Done() holds. Messages and timers wait meanwhile.
  void ServeCallsUntil(std::thread::id Waited, const std::function<bool()>& Done);

  // A fresh start for the next test: not terminated, exit code 0, no queued messages,
  // released components freed.
  void Reset();

private:
  struct TCall;
  class TReleaser;
  class THandling;
  struct TWindow {
    TWndMethod Method;
    HWND Parent;
  };
  struct TTimerEntry {
    double Deadline;
    double Interval;
    std::uint64_t Order;  // arming order: breaks ties between equal deadlines
    std::shared_ptr<std::function<void()>> Tick;
  };

  bool ProcessMessage(double TimerLimit);
  void Idle();
  void RunCall(const std::shared_ptr<TCall>& Call);
  void Complete(TCall& Call, LRESULT Result, std::exception_ptr Error);
  std::shared_ptr<TCall> PopCall();
  bool FireDueTimer(double Limit);
  LRESULT CallWindow(MSG& Msg);
  LRESULT DispatchGuarded(MSG& Msg, TCall* SentBy);
  bool IsWithin(HWND Wnd, HWND Ancestor) const;  // caller holds mutex_
  bool FreeReleased();

  std::thread::id mainThread_;
  mutable std::mutex mutex_;
  std::condition_variable callDone_;
  std::deque<MSG> posted_;
  std::deque<std::shared_ptr<TCall>> calls_;
  bool closed_ = false;
  std::map<HWND, std::shared_ptr<TWindow>> windows_;
  HWND nextWindow_ = 1;
  std::atomic<bool> terminated_{false};
  std::atomic<int> exitCode_{0};
  TIdleProc idleActions_ = nullptr;

  // GUI thread only.
  std::vector<std::shared_ptr<TCall>> running_;  // calls being run, innermost last
  std::vector<TCall*> dispatching_;              // messages being handled; null: not a cross-thread send
  std::map<TTimerId, TTimerEntry> timers_;
  TTimerId nextTimer_ = 1;
  std::uint64_t nextOrder_ = 0;
  TClock* clock_;
  bool showHint_ = true;
  int hintPause_ = 500;
  int hintShortPause_ = 50;
  int hintHidePause_ = 2500;
  std::atomic<TLoopWaiter*> waiter_;
  int handling_ = 0;                     // units of the loop's work running (nesting depth)
  std::unique_ptr<TReleaser> releaser_;  // components waiting for their deferred free

  friend HWND AllocateHWnd(TWndMethod, HWND);
  friend void DeallocateHWnd(HWND);
  friend bool IsWindow(HWND);
  friend bool PostMessage(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT SendMessage(HWND, UINT, WPARAM, LPARAM);
  friend bool InSendMessage();
  friend bool ReplyMessage(LRESULT);
  friend bool PeekMessage(MSG&, HWND, UINT, UINT, UINT);
};

// The program's application object, created at start-up on the main thread.
extern TApplication* const Application;

}  // namespace rtl
