// A pseudo-terminal pair for the serial tests: the device under test opens the slave by
// its path, the test plays the peer on the master.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

struct PtyPair {
  int master = -1;
  int slave = -1;  // kept open so that the slave stays in existence between opens
  std::string path;

  PtyPair() {
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~PtyPair() {
    CloseMaster();
    if (slave >= 0) ::close(slave);
  }
  void CloseMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  void Send(const std::vector<unsigned char>& bytes) const {
    [[maybe_unused]] ssize_t r = ::write(master, bytes.data(), bytes.size());
  }
  // Puts Count bytes (1, 2, 3, ...) on the line one at a time, Gap apart, as a UART without
  // a FIFO hands them over, on a thread of its own; the thread notes when the last went.
  std::thread SendPaced(int Count, std::chrono::microseconds Gap,
                        std::chrono::steady_clock::time_point* LastSent = nullptr) const {
    return std::thread([this, Count, Gap, LastSent] {
      for (int i = 1; i <= Count; ++i) {
        if (i > 1) std::this_thread::sleep_for(Gap);
        Send({static_cast<unsigned char>(i)});
        if (LastSent && i == Count) *LastSent = std::chrono::steady_clock::now();
      }
    });
  }
  // Reads what the device wrote, waiting up to timeoutMs for the first byte: by default a
  // minute, a guard for a loaded machine; a short time where nothing may come.
  std::vector<unsigned char> Receive(int timeoutMs = 60000) const {
    std::vector<unsigned char> out;
    pollfd p{master, POLLIN, 0};
    while (::poll(&p, 1, out.empty() ? timeoutMs : 20) > 0) {
      unsigned char buf[256];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;
      out.insert(out.end(), buf, buf + n);
    }
    return out;
  }
};
