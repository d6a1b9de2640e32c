// The tool's end of the simulator's pseudo-terminal: raw 9600 8N1, as the program opens its port.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

// A request as the tool builds it: address 25, command, data, sum of all bytes before.
inline Bytes Req(const Bytes& body, std::uint8_t address = 25) {
  // Sized first and copied into: g++ 12 at -O2 misreads an insert that grows a one-byte
  // vector as an overflow (-Warray-bounds).
  Bytes frame(body.size() + 1);
  frame[0] = address;
  std::copy(body.begin(), body.end(), frame.begin() + 1);
  unsigned sum = 0;
  for (auto b : frame) sum += b;
  frame.push_back(static_cast<std::uint8_t>(sum));
  return frame;
}
inline Bytes Req3(std::uint8_t command) { return Req({command, command, command}); }

// True when the last byte is the sum of the others, modulo 256.
inline bool SumHolds(const Bytes& frame) {
  if (frame.size() < 2) return false;
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < frame.size(); ++i) sum += frame[i];
  return static_cast<std::uint8_t>(sum) == frame.back();
}

class ToolPort {
public:
  explicit ToolPort(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~ToolPort() {
    if (fd_ >= 0) close(fd_);
  }
  bool IsOpen() const { return fd_ >= 0; }

  void Send(const Bytes& frame) {
    ASSERT_EQ(write(fd_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    sent_ = std::chrono::steady_clock::now();
  }
  // Reads until count bytes are in or, once some came, nothing more came for quietMs. The
  // first byte is waited for up to a minute, a guard for a loaded machine: that nothing comes
  // is Silent's to tell.
  Bytes Read(std::size_t count, int quietMs = 250) {
    Bytes in;
    while (in.size() < count) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, in.empty() ? 60000 : quietMs) <= 0 || !(p.revents & POLLIN)) break;
      std::uint8_t buffer[512];
      const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - in.size()));
      if (n <= 0) break;
      in.insert(in.end(), buffer, buffer + n);
      last_ = std::chrono::steady_clock::now();
    }
    return in;
  }
  // True when nothing comes for ms.
  bool Silent(int ms) {
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, ms) == 0;
  }
  Bytes Ask(const Bytes& request, std::size_t replyLength) {
    Send(request);
    return Read(replyLength);
  }
  // Milliseconds from the last Send to the last byte read.
  double ReplyMs() const { return std::chrono::duration<double, std::milli>(last_ - sent_).count(); }
  int Fd() const { return fd_; }

private:
  int fd_ = -1;
  std::chrono::steady_clock::time_point sent_, last_;
};
