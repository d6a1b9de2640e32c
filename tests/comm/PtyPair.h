// A pseudo-terminal pair for the serial tests: the device under test opens the slave by
// its path, the test plays the peer on the master.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>
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
  // Reads what the device wrote, waiting up to timeoutMs for the first byte.
  std::vector<unsigned char> Receive(int timeoutMs = 1000) const {
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
