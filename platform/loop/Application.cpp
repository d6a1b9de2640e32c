#include "platform/loop/Application.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/rtl/Component.h"

namespace rtl {

namespace {
TApplication application;
constexpr double kNever = std::numeric_limits<double>::infinity();

// Never destroyed: a thread that frees itself wakes the loop as its very last act, which
// may come after the application object is gone at program exit.
TLoopWaiter& DefaultWaiter() {
  static TEventFdWaiter* waiter = new TEventFdWaiter;
  return *waiter;
}
}  // namespace

TApplication* const Application = &application;

void AssertGuiThread(const char* What) {
  if (application.IsMainThread()) return;
  std::fprintf(stderr, "%s called outside the GUI thread\n", What);
  std::fflush(stderr);
  std::abort();
}

// The components waiting for their deferred free. It asks each for a free notification,
// so one freed before the loop gets to it leaves the list.
class TApplication::TReleaser : public TComponent {
public:
  TReleaser() : TComponent(nullptr) {}
  std::vector<TComponent*> Pending;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove) std::erase(Pending, AComponent);
    TComponent::Notification(AComponent, Operation);
  }
};

// Marks a handler (or a deferred free) running for the length of a scope; released
// components are freed only when none is.
class TApplication::THandling {
public:
  explicit THandling(TApplication& App) : app_(App) { ++app_.handling_; }
  ~THandling() { --app_.handling_; }
  THandling(const THandling&) = delete;
  THandling& operator=(const THandling&) = delete;

private:
  TApplication& app_;
};

// A call handed to the GUI thread by another thread.
struct TApplication::TCall {
  enum TKind { ckSend, ckSynchronize, ckQueue };
  TKind Kind = ckSend;
  std::thread::id Source;
  const void* Owner = nullptr;
  MSG Msg{};
  std::function<void()> Method;
  // Guarded by the application's mutex. Done releases the waiting thread; once set, the
  // result and error are final.
  bool Done = false;
  LRESULT Result = 0;
  std::exception_ptr Error;
};

TClass TApplication::StaticClass() {
  static const TClassInfo info{RtlClassName, ClassOf<inherited>(), {}, {}, {}};  // no factory: one per program
  return &info;
}

TApplication::TApplication()
    : mainThread_(std::this_thread::get_id()), clock_(&MonotonicClock()), waiter_(&DefaultWaiter()) {}

TApplication::~TApplication() {
  // Nobody will serve calls any more: let every waiting thread go.
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (auto& call : calls_) call->Done = true;
  calls_.clear();
  callDone_.notify_all();
}

// ---- loops ----

void TApplication::Run() {
  while (!Terminated()) HandleMessage();
}

void TApplication::HandleMessage() {
  if (!ProcessMessage(kNever)) Idle();
}

void TApplication::ProcessMessages() {
  // Timers count as pending only when due at the start, so a timer slower than its own
  // interval cannot keep this from returning.
  const double limit = clock_->Now();
  while (ProcessMessage(limit)) {
  }
}

bool TApplication::RunUntil(const std::function<bool()>& Finished) {
  for (;;) {
    if (Finished()) return true;
    if (Terminated()) return false;
    HandleMessage();
  }
}

void TApplication::Idle() {
  bool done = true;
  if (OnIdle) {
    THandling handling(*this);
    try {
      OnIdle(this, done);  // the handler may replace or clear itself
    } catch (...) {
      HandleException(this);
      done = true;
    }
  }
  if (done && idleActions_) {
    THandling handling(*this);
    try {
      idleActions_();
    } catch (...) {
      HandleException(this);
    }
  }
  if (FreeReleased()) return;
  if (done) WaitMessage();
}

void TApplication::WaitMessage() {
  if (handling_ == 0 && releaser_ && !releaser_->Pending.empty()) return;
  {
    std::lock_guard lock(mutex_);
    if (!calls_.empty() || !posted_.empty() || Terminated()) return;
  }
  double limit = -1.0;
  const double next = NextTimerDeadline();
  if (next != kNever) {
    if (next <= clock_->Now()) return;
    limit = clock_->WaitLimit(next);
  }
  waiter_.load()->Wait(limit);
}

void TApplication::Quit(int ExitCode) {
  if (!terminated_.exchange(true)) exitCode_ = ExitCode;
  Wake();
}

void TApplication::Reset() {
  FreeReleased();
  std::lock_guard lock(mutex_);
  posted_.clear();
  terminated_ = false;
  exitCode_ = 0;
}

// One unit of work: a call from another thread first, then a posted message, then a timer
// that is due (not later than Limit). Released components go before and after it, when
// this is the outermost loop.
bool TApplication::ProcessMessage(double TimerLimit) {
  // What the window layer heard and must not keep until the loop sleeps comes in as a message.
  waiter_.load()->TakeUrgent();
  if (FreeReleased()) return true;
  bool handled = true;
  if (auto call = PopCall()) {
    RunCall(call);
  } else {
    MSG msg;
    bool timer = false;
    {
      std::lock_guard lock(mutex_);
      if (posted_.empty()) {
        timer = true;
      } else {
        msg = posted_.front();
        posted_.pop_front();
      }
    }
    if (timer) handled = FireDueTimer(TimerLimit);
    else DispatchGuarded(msg, nullptr);
  }
  FreeReleased();
  return handled;
}

// ---- deferred free ----

void TApplication::ReleaseComponent(TComponent* AComponent) {
  RTL_ASSERT_GUI_THREAD("ReleaseComponent");
  if (!AComponent || AComponent->ComponentState().Contains(csDestroying)) return;
  if (!releaser_) releaser_ = std::make_unique<TReleaser>();
  auto& pending = releaser_->Pending;
  if (std::find(pending.begin(), pending.end(), AComponent) != pending.end()) return;
  pending.push_back(AComponent);
  AComponent->FreeNotification(releaser_.get());
}

// Frees the released components, in the order they were released, unless a handler is
// running; true when there were any.
bool TApplication::FreeReleased() {
  if (handling_ > 0 || !releaser_ || releaser_->Pending.empty()) return false;
  auto& pending = releaser_->Pending;
  while (!pending.empty()) {
    TComponent* next = pending.front();
    pending.erase(pending.begin());
    THandling handling(*this);  // a destructor that runs a loop frees nothing from inside
    try {
      next->Free();  // also frees its owned components: they leave the list by notification
    } catch (...) {
      HandleException(this);
    }
  }
  return true;
}

// ---- exceptions ----

void TApplication::HandleException(TObject* Sender) {
  const std::exception_ptr current = std::current_exception();
  if (!current) return;
  auto report = [&](const std::exception& e) {
    if (OnException) {
      try {
        OnException(Sender, e);
        return;
      } catch (...) {
        // a failing handler falls back to the default report
      }
    }
    ShowException(e);
  };
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    report(e);
  } catch (...) {
    report(Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const std::exception& E) {
  if (auto* e = dynamic_cast<const Exception*>(&E))
    std::fprintf(stderr, "%s: %s\n", e->ClassName(), e->Message().c_str());
  else
    std::fprintf(stderr, "%s\n", E.what());
}

// ---- timers ----

void TApplication::SetClock(TClock* NewClock) {
  RTL_ASSERT_GUI_THREAD("SetClock");
  TClock* next = NewClock ? NewClock : &MonotonicClock();
  const double oldNow = clock_->Now();
  const double newNow = next->Now();
  for (auto& [id, entry] : timers_) entry.Deadline = newNow + (entry.Deadline - oldNow);
  clock_ = next;
}

double TApplication::NextTimerDeadline() const {
  RTL_ASSERT_GUI_THREAD("NextTimerDeadline");
  double next = kNever;
  for (const auto& [id, entry] : timers_) next = std::min(next, entry.Deadline);
  return next;
}

TApplication::TTimerId TApplication::StartTimer(double IntervalMs, std::function<void()> OnTick) {
  RTL_ASSERT_GUI_THREAD("StartTimer");
  if (!(IntervalMs > 0.0) || !std::isfinite(IntervalMs))
    throw EInvalidArgument("Timer interval must be a positive number of milliseconds");
  const TTimerId id = nextTimer_++;
  timers_[id] = TTimerEntry{clock_->Now() + IntervalMs, IntervalMs, nextOrder_++,
                            std::make_shared<std::function<void()>>(std::move(OnTick))};
  return id;
}

void TApplication::StopTimer(TTimerId Id) {
  RTL_ASSERT_GUI_THREAD("StopTimer");
  timers_.erase(Id);
}

bool TApplication::FireDueTimer(double Limit) {
  const double now = clock_->Now();
  const double cutoff = std::min(now, Limit);
  TTimerEntry* due = nullptr;
  for (auto& [id, entry] : timers_) {
    if (entry.Deadline > cutoff) continue;
    if (!due || entry.Deadline < due->Deadline ||
        (entry.Deadline == due->Deadline && entry.Order < due->Order))
      due = &entry;
  }
  if (!due) return false;
  // Re-arm on the original phase before the handler runs: the handler may stop, restart or
  // free the timer, and ticks missed while the thread was busy are not made up.
  const double missed = std::floor((now - due->Deadline) / due->Interval);
  double next = due->Deadline + (missed + 1.0) * due->Interval;
  if (next <= now) next += due->Interval;
  due->Deadline = next;
  const auto tick = due->Tick;  // keeps the handler alive while it runs
  THandling handling(*this);
  try {
    (*tick)();
  } catch (...) {
    HandleException(this);
  }
  return true;
}

// ---- waking ----

void TApplication::SetWaiter(TLoopWaiter* Waiter) { waiter_ = Waiter ? Waiter : &DefaultWaiter(); }

void TApplication::Wake() { waiter_.load()->Wake(); }

// ---- calls from other threads ----

std::shared_ptr<TApplication::TCall> TApplication::PopCall() {
  std::lock_guard lock(mutex_);
  if (calls_.empty()) return nullptr;
  auto call = calls_.front();
  calls_.pop_front();
  return call;
}

void TApplication::Complete(TCall& Call, LRESULT Result, std::exception_ptr Error) {
  std::lock_guard lock(mutex_);
  if (Call.Done) return;  // already replied to, or released
  Call.Result = Result;
  Call.Error = std::move(Error);
  Call.Done = true;
  callDone_.notify_all();
}

void TApplication::RunCall(const std::shared_ptr<TCall>& Call) {
  THandling handling(*this);
  running_.push_back(Call);
  switch (Call->Kind) {
    case TCall::ckSend: {
      MSG msg = Call->Msg;
      const LRESULT result = DispatchGuarded(msg, Call.get());
      Complete(*Call, result, nullptr);
      break;
    }
    case TCall::ckSynchronize: {
      std::exception_ptr error;
      try {
        Call->Method();
      } catch (...) {
        error = std::current_exception();
      }
      Complete(*Call, 0, error);
      break;
    }
    case TCall::ckQueue:
      try {
        Call->Method();
      } catch (...) {
        HandleException(this);
      }
      break;
  }
  running_.pop_back();
}

void TApplication::Synchronize(std::function<void()> Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  auto call = std::make_shared<TCall>();
  call->Kind = TCall::ckSynchronize;
  call->Source = std::this_thread::get_id();
  call->Method = std::move(Method);
  {
    std::unique_lock lock(mutex_);
    if (closed_) return;
    calls_.push_back(call);
    Wake();
    callDone_.wait(lock, [&] { return call->Done; });
  }
  if (call->Error) std::rethrow_exception(call->Error);
}

void TApplication::Queue(const void* Owner, std::function<void()> Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  auto call = std::make_shared<TCall>();
  call->Kind = TCall::ckQueue;
  call->Source = std::this_thread::get_id();
  call->Owner = Owner;
  call->Method = std::move(Method);
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    calls_.push_back(call);
  }
  Wake();
}

void TApplication::RemoveQueued(const void* Owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(calls_, [&](const auto& c) { return c->Kind == TCall::ckQueue && c->Owner == Owner; });
}

void TApplication::ServeCallsUntil(std::thread::id Waited, const std::function<bool()>& Done) {
  {
    std::lock_guard lock(mutex_);
    for (auto& call : running_) {
      if (call->Source != Waited || call->Kind == TCall::ckQueue || call->Done) continue;
      call->Done = true;  // result 0, no error: the thread just goes on
    }
    callDone_.notify_all();
  }
  while (!Done()) {
    if (auto call = PopCall()) {
      RunCall(call);
      continue;
    }
    waiter_.load()->Wait(-1.0);
  }
}

// ---- windows and messages ----

LRESULT TApplication::CallWindow(MSG& Msg) {
  std::shared_ptr<TWindow> window;
  {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(Msg.hwnd);
    if (it == windows_.end()) return 0;
    window = it->second;  // the procedure outlives a DeallocateHWnd from inside itself
  }
  return window->Method(Msg);
}

LRESULT TApplication::DispatchGuarded(MSG& Msg, TCall* SentBy) {
  THandling handling(*this);
  dispatching_.push_back(SentBy);
  LRESULT result = 0;
  try {
    result = CallWindow(Msg);
  } catch (...) {
    HandleException(this);
  }
  dispatching_.pop_back();
  return result;
}

bool TApplication::IsWithin(HWND Wnd, HWND Ancestor) const {
  for (int depth = 0; Wnd != 0 && depth < 1000; ++depth) {
    if (Wnd == Ancestor) return true;
    auto it = windows_.find(Wnd);
    if (it == windows_.end()) return false;
    Wnd = it->second->Parent;
  }
  return false;
}

HWND AllocateHWnd(TWndMethod Method, HWND Parent) {
  RTL_ASSERT_GUI_THREAD("AllocateHWnd");
  TApplication& app = *Application;
  std::lock_guard lock(app.mutex_);
  const HWND wnd = app.nextWindow_++;
  app.windows_[wnd] = std::make_shared<TApplication::TWindow>(TApplication::TWindow{std::move(Method), Parent});
  return wnd;
}

void DeallocateHWnd(HWND Wnd) {
  RTL_ASSERT_GUI_THREAD("DeallocateHWnd");
  TApplication& app = *Application;
  std::shared_ptr<TApplication::TWindow> gone;  // freed outside the lock
  std::lock_guard lock(app.mutex_);
  auto it = app.windows_.find(Wnd);
  if (it == app.windows_.end()) return;
  gone = std::move(it->second);
  app.windows_.erase(it);
  std::erase_if(app.posted_, [&](const MSG& m) { return m.hwnd == Wnd; });
}

bool IsWindow(HWND Wnd) {
  std::lock_guard lock(Application->mutex_);
  return Application->windows_.count(Wnd) != 0;
}

bool PostMessage(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  TApplication& app = *Application;
  {
    std::lock_guard lock(app.mutex_);
    if (app.closed_ || !app.windows_.count(Wnd)) return false;
    app.posted_.push_back(MSG{Wnd, Msg, wParam, lParam});
  }
  // The loop's own thread is not asleep: its next wait looks at the posted messages first. A
  // wake would only end that wait early for nothing.
  if (!app.IsMainThread()) app.Wake();
  return true;
}

LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  TApplication& app = *Application;
  MSG msg{Wnd, Msg, wParam, lParam};
  if (app.IsMainThread()) return app.DispatchGuarded(msg, nullptr);
  auto call = std::make_shared<TApplication::TCall>();
  call->Kind = TApplication::TCall::ckSend;
  call->Source = std::this_thread::get_id();
  call->Msg = msg;
  std::unique_lock lock(app.mutex_);
  if (app.closed_ || !app.windows_.count(Wnd)) return 0;
  app.calls_.push_back(call);
  app.Wake();
  app.callDone_.wait(lock, [&] { return call->Done; });
  return call->Result;
}

bool InSendMessage() {
  TApplication& app = *Application;
  return app.IsMainThread() && !app.dispatching_.empty() && app.dispatching_.back() != nullptr;
}

bool ReplyMessage(LRESULT Result) {
  if (!InSendMessage()) return false;
  TApplication& app = *Application;
  TApplication::TCall& call = *app.dispatching_.back();
  std::lock_guard lock(app.mutex_);
  if (call.Done) return false;
  call.Result = Result;
  call.Done = true;
  app.callDone_.notify_all();
  return true;
}

bool PeekMessage(MSG& Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg) {
  TApplication& app = *Application;
  std::lock_guard lock(app.mutex_);
  const bool anyNumber = FilterMin == 0 && FilterMax == 0;
  for (auto it = app.posted_.begin(); it != app.posted_.end(); ++it) {
    if (!anyNumber && (it->message < FilterMin || it->message > FilterMax)) continue;
    if (Wnd != 0 && !app.IsWithin(it->hwnd, Wnd)) continue;
    Msg = *it;
    if (RemoveMsg & PM_REMOVE) app.posted_.erase(it);
    return true;
  }
  return false;
}

void PostQuitMessage(int ExitCode) { Application->Quit(ExitCode); }

}  // namespace rtl
