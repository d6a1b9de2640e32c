// The time base of the GUI thread: milliseconds as a double from process start.
//
// A double counts milliseconds exactly for some 285 000 years, so code that subtracts two
// readings never sees a wrap-around (a 32-bit millisecond tick wraps after 49.7 days).
// The application reads time only through its current clock; tests install a TTestClock
// and move time forward themselves, so timers fire without anybody sleeping.
#pragma once

namespace rtl {

class TClock {
public:
  virtual ~TClock() = default;
  // Milliseconds since the clock's origin; never decreases.
  virtual double Now() const = 0;
  // How long, in real milliseconds, the loop may wait for a deadline on this clock;
  // negative means "until something is posted" (a clock that does not move by itself).
  virtual double WaitLimit(double Deadline) const = 0;
  // What the clock read RealMs real milliseconds ago (never less than 0): a clock that
  // moves only when told read then what it reads now.
  virtual double Before(double RealMs) const = 0;
};

// CLOCK_MONOTONIC, with its origin taken when the program starts.
class TMonotonicClock : public TClock {
public:
  double Now() const override;
  double WaitLimit(double Deadline) const override;
  double Before(double RealMs) const override;
};

// A clock that moves only when told. Install it with Application->SetClock (and put the
// real one back afterwards); then Advance(ms), on the GUI thread only, steps through every
// timer deadline in that span in order, firing the timers and handling the messages
// they post at each step, and ends at the new time.
class TTestClock : public TClock {
public:
  explicit TTestClock(double Start = 0.0) : now_(Start) {}
  double Now() const override { return now_; }
  double WaitLimit(double) const override { return -1.0; }
  double Before(double) const override { return now_; }
  void Advance(double Milliseconds);

private:
  double now_;
};

// The program's real clock.
TClock& MonotonicClock();

// The application's current time in milliseconds (the tick count of this system); the
// test clock when one is installed.
double GetTickCount();

}  // namespace rtl
