// The one place where the GUI thread sleeps, and the one way to wake it.
#pragma once

#include <time.h>

namespace rtl {

// Wait blocks the GUI thread until Wake is called (from any thread, before or during the
// wait: a wake is never lost) or TimeoutMs real milliseconds have passed (negative: no
// limit). Spurious returns are allowed; the loop looks again.
//
// TakeUrgent runs on the GUI thread before every turn of the loop, whether the loop then
// waits or not: a waiter that hears of something that must not wait until the loop next
// sleeps (the system's request to end the program, a window system gone) hands it to the
// loop there, as a posted message. A loop busy drawing frame after frame, or handling a
// stream of messages, never sleeps: the display's waiter also hands over there, at most every
// few milliseconds of such a loop, what the window system has (input, a close, a window
// destroyed). It costs a look at a flag and at the clock when nothing came.
class TLoopWaiter {
public:
  virtual ~TLoopWaiter() = default;
  virtual void Wait(double TimeoutMs) = 0;
  virtual void Wake() = 0;
  virtual void TakeUrgent() {}
};

// The limit to hand ppoll for a wait of TimeoutMs: rounded up to the microsecond, so that a
// wait never ends just before its deadline, and capped at a day, so the conversion stays in
// range. nullptr (no limit) for a negative time.
const timespec* PollLimit(double TimeoutMs, timespec& Limit);

// The default waiter: an eventfd polled with ppoll, so waits have sub-millisecond
// resolution.
class TEventFdWaiter : public TLoopWaiter {
public:
  TEventFdWaiter();
  ~TEventFdWaiter() override;
  void Wait(double TimeoutMs) override;
  void Wake() override;
  // The descriptor that becomes readable on Wake, for a layer that polls it itself.
  int Handle() const { return fd_; }
  // Takes the wakes seen so far, for a layer that polls the descriptor itself.
  void TakeWakes();

private:
  int fd_;
};

}  // namespace rtl
