// Waiting in tests: for a condition with a generous upper bound, never for a fixed time
// followed by an assertion (a busy machine makes any fixed time too short).
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testwait {

// Looks at Cond every millisecond until it holds (true) or Limit has passed (false). The default
// limit is only a guard against a wait that never ends, wide enough for a loaded machine.
inline bool WaitFor(const std::function<bool()>& Cond, std::chrono::milliseconds Limit = std::chrono::minutes(1)) {
  const auto end = std::chrono::steady_clock::now() + Limit;
  while (!Cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace testwait
