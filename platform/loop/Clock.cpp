#include "platform/loop/Clock.h"

#include <time.h>

#include <algorithm>

#include "platform/loop/Application.h"

namespace rtl {

namespace {

double ReadMonotonic() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1.0e6;
}

double ProcessStart() {
  static const double start = ReadMonotonic();
  return start;
}

// Taken during static initialisation, i.e. at program start.
[[maybe_unused]] const double takenAtStart = ProcessStart();

}  // namespace

double TMonotonicClock::Now() const { return ReadMonotonic() - ProcessStart(); }

double TMonotonicClock::WaitLimit(double Deadline) const { return std::max(0.0, Deadline - Now()); }

double TMonotonicClock::Before(double RealMs) const {
  const double now = Now();
  return RealMs > 0 ? std::max(now - RealMs, 0.0) : now;  // also for NaN
}

void TTestClock::Advance(double Milliseconds) {
  RTL_ASSERT_GUI_THREAD("TTestClock::Advance");
  if (!(Milliseconds > 0.0)) {  // also refuses NaN
    Application->ProcessMessages();
    return;
  }
  const double target = now_ + Milliseconds;
  // Each step moves to the earliest deadline and lets the loop fire what is due; a handler
  // that re-arms a timer only ever schedules it later than now, so this ends.
  for (;;) {
    const double next = Application->NextTimerDeadline();
    if (next > target) break;
    now_ = std::max(now_, next);
    Application->ProcessMessages();
  }
  // A handler may have advanced the clock itself (from a nested loop); time never goes back.
  now_ = std::max(now_, target);
  Application->ProcessMessages();
}

TClock& MonotonicClock() {
  static TMonotonicClock clock;
  return clock;
}

double GetTickCount() { return Application->Clock().Now(); }

}  // namespace rtl
