#include "platform/loop/Waiter.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/rtl/SysUtils.h"

namespace rtl {

TEventFdWaiter::TEventFdWaiter() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw EOSError("Cannot create the message loop's wake-up event", errno);
}

TEventFdWaiter::~TEventFdWaiter() { close(fd_); }

const timespec* PollLimit(double TimeoutMs, timespec& Limit) {
  if (TimeoutMs < 0.0) return nullptr;
  const double us = std::ceil(std::min(TimeoutMs, 86400000.0) * 1000.0);
  const auto whole = static_cast<std::int64_t>(us);
  Limit.tv_sec = static_cast<time_t>(whole / 1000000);
  Limit.tv_nsec = static_cast<long>((whole % 1000000) * 1000);
  return &Limit;
}

void TEventFdWaiter::Wait(double TimeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  timespec limit{};
  if (ppoll(&p, 1, PollLimit(TimeoutMs, limit), nullptr) > 0) TakeWakes();
}

void TEventFdWaiter::TakeWakes() {
  std::uint64_t count = 0;
  ssize_t r = read(fd_, &count, sizeof count);  // resets the counter
  (void)r;
}

void TEventFdWaiter::Wake() {
  const std::uint64_t one = 1;
  ssize_t r = write(fd_, &one, sizeof one);  // only fails when the counter is saturated,
  (void)r;                                   // and then the fd is readable anyway
}

}  // namespace rtl
