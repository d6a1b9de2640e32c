// The one place where the GUI thread sleeps, and the one way to wake it.
#pragma once

namespace rtl {

// Wait blocks the GUI thread until Wake is called (from any thread, before or during the
// wait: a wake is never lost) or TimeoutMs real milliseconds have passed (negative: no
// limit). Spurious returns are allowed; the loop looks again.
class TLoopWaiter {
public:
  virtual ~TLoopWaiter() = default;
  virtual void Wait(double TimeoutMs) = 0;
  virtual void Wake() = 0;
};

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

private:
  int fd_;
};

}  // namespace rtl
