// A FIFO nobody writes to, for tests that a reader never waits on one. A reader that opened
// it for reading would wait for a writer for ever: a test runs the reader on a thread of its
// own (ReturnsWithin) and, when it has not returned in time, lets it go (Release opens and
// closes the writing end, so the open returns and the read sees the end), so that a failing
// test fails instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace testfifo {

class Fifo {
public:
  explicit Fifo(std::string Path) : path_(std::move(Path)) { made_ = ::mkfifo(path_.c_str(), 0600) == 0; }
  ~Fifo() { ::unlink(path_.c_str()); }
  bool Made() const { return made_; }
  const std::string& Path() const { return path_; }
  // Lets a reader that waits on the FIFO go on.
  void Release() const {
    const int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  }

private:
  std::string path_;
  bool made_ = false;
};

// Runs Action on a thread of its own: true when it returned within Ms; otherwise false, once
// Release (repeated until it has) let it return.
inline bool ReturnsWithin(int Ms, const std::function<void()>& Action, const Fifo& Waited) {
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  std::thread runner([&] {
    Action();
    done.set_value();
  });
  const bool inTime = finished.wait_for(std::chrono::milliseconds(Ms)) == std::future_status::ready;
  while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) Waited.Release();
  runner.join();
  return inTime;
}

}  // namespace testfifo
