// A loop waiter for tests of the port's hand-overs: installed while it lives, it counts how
// often other threads wake the GUI thread and lets the test wait until one has.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/loop/Application.h"

class TWatchedWaiter : public rtl::TLoopWaiter {
public:
  TWatchedWaiter() { rtl::Application->SetWaiter(this); }
  ~TWatchedWaiter() override { rtl::Application->SetWaiter(nullptr); }
  void Wait(double TimeoutMs) override {
    std::unique_lock lock(mutex_);
    auto woken = [&] { return pending_; };
    if (TimeoutMs < 0) changed_.wait(lock, woken);
    else changed_.wait_for(lock, std::chrono::duration<double, std::milli>(TimeoutMs), woken);
    pending_ = false;
  }
  void Wake() override {
    std::lock_guard lock(mutex_);
    pending_ = true;
    ++wakes_;
    changed_.notify_all();
  }
  int Wakes() {
    std::lock_guard lock(mutex_);
    return wakes_;
  }
  // Whether another thread has woken the loop (i.e. handed it a call) within Limit.
  bool WaitForWake(std::chrono::milliseconds Limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, Limit, [&] { return wakes_ > 0; });
  }

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool pending_ = false;
  int wakes_ = 0;
};
