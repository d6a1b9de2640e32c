#include "platform/loop/EndSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/loop/Thread.h"
#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

// The pipe's writing end for the handler; -1 while no object lives.
std::atomic<int> requestPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads it");

void OnSignal(int Signal) {
  const int saved = errno;
  const int fd = requestPipe.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(Signal);
    // A full pipe holds requests enough: one more may go.
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
  errno = saved;
}

[[noreturn]] void Fail(const char* What) {
  const int code = errno;
  throw EOSError(std::string(What) + ": " + std::strerror(code), code);
}

}  // namespace

class TEndSignals::TReader : public TThread {
public:
  TReader(int ReadFd, std::function<void(int)> OnRequest)
      : read_(ReadFd), stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), onRequest_(std::move(OnRequest)) {}
  ~TReader() override {
    if (stop_ >= 0) ::close(stop_);
  }
  bool Usable() const { return stop_ >= 0; }

protected:
  void Execute() override {
    while (!Terminated()) {
      pollfd p[2] = {{read_, POLLIN, 0}, {stop_, POLLIN, 0}};
      if (::poll(p, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (p[1].revents) return;
      if (!(p[0].revents & POLLIN)) {
        if (p[0].revents) return;
        continue;
      }
      unsigned char bytes[64];
      const ssize_t n = ::read(read_, bytes, sizeof bytes);
      for (ssize_t i = 0; i < n; ++i) {
        const int signal = bytes[i];
        Queue([this, signal] { onRequest_(signal); });
      }
    }
  }
  void TerminatedSet() override {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = ::write(stop_, &one, sizeof one);
  }

private:
  int read_;
  int stop_;
  std::function<void(int)> onRequest_;
};

const std::vector<int>& TEndSignals::RequestSignals() {
  static const std::vector<int> signals = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
  return signals;
}

const std::vector<int>& TEndSignals::IgnoredSignals() {
  static const std::vector<int> signals = {SIGPIPE, SIGXFSZ, SIGUSR1, SIGUSR2};
  return signals;
}

TEndSignals::TEndSignals(std::function<void(int Signal)> OnRequest) {
  if (requestPipe.load() >= 0) throw EInvalidOperation("The system's end requests are heard already");
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) Fail("No pipe for the system's end requests");
  auto reader = std::make_unique<TReader>(fds[0], std::move(OnRequest));
  if (!reader->Usable()) {
    ::close(fds[0]);
    ::close(fds[1]);
    Fail("No event for the system's end requests");
  }
  readFd_ = fds[0];
  writeFd_ = fds[1];
  requestPipe = writeFd_;
  reader->Start();
  reader_ = std::move(reader);
  struct sigaction request{};
  request.sa_handler = &OnSignal;
  sigemptyset(&request.sa_mask);
  request.sa_flags = SA_RESTART;
  struct sigaction ignore{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (const auto& [signals, action] : {std::pair{&RequestSignals(), &request}, std::pair{&IgnoredSignals(), &ignore}})
    for (int s : *signals) {
      struct sigaction before{};
      if (::sigaction(s, action, &before) == 0) before_.emplace_back(s, before);
    }
}

TEndSignals::~TEndSignals() {
  for (const auto& [signal, before] : before_) ::sigaction(signal, &before, nullptr);
  requestPipe = -1;
  reader_.reset();  // stops the thread; requests it queued and not yet run are dropped
  ::close(writeFd_);
  ::close(readFd_);
}

}  // namespace rtl
