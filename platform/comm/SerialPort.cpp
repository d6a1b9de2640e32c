#include "platform/comm/SerialPort.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/comm/Speed.h"

namespace comm {

namespace {

using Clock = std::chrono::steady_clock;

// Written bytes are watched this often until they have left, modem lines and error counters
// of a device that has them are sampled this often.
constexpr int kTxEmptyPollMs = 5;
constexpr int kLinePollMs = 50;

// Without a quiet time of its own, the gathering of received bytes ends after this many byte
// times of silence, as a UART's receive FIFO reports what it holds.
constexpr int kRxQuietByteTimes = 4;

// Milliseconds until the deadline, rounded up, never negative.
int MsUntil(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
  const long long ms = (us + 999) / 1000;
  return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

// A device without modem lines or error counters (a pseudo-terminal) refuses the ioctl.
bool IsNoSuchFeature(int err) { return err == ENOTTY || err == EINVAL; }

}  // namespace

// ---------------------------------------------------------------------------------------

TWaitEvent::TWaitEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TWaitEvent::~TWaitEvent() {
  if (fd_ >= 0) ::close(fd_);
}

void TWaitEvent::Set() {
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t r = ::write(fd_, &one, sizeof one);
}

void TWaitEvent::Reset() {
  std::uint64_t value;
  [[maybe_unused]] ssize_t r = ::read(fd_, &value, sizeof value);
}

bool TWaitEvent::IsSet() const {
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// ---------------------------------------------------------------------------------------

std::string DeviceGroupName(const std::string& Path) {
  struct stat st{};
  if (Path.empty() || ::stat(Path.c_str(), &st) != 0) return {};
  std::vector<char> buffer(4096);
  struct group entry{};
  struct group* found = nullptr;
  if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->gr_name)
    return {};
  return found->gr_name;
}

std::string DevicePath(const std::string& portName) {
  if (portName.empty()) return {};
  if (portName.size() > 3 && portName.size() <= 6 &&
      std::toupper(static_cast<unsigned char>(portName[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(portName[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(portName[2])) == 'M' &&
      std::all_of(portName.begin() + 3, portName.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const int n = std::stoi(portName.substr(3));
    if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  if (portName[0] == '/') return portName;
  return "/dev/" + portName;
}

TSerialDevice::~TSerialDevice() { Close(); }

int TSerialDevice::Open(const std::string& portName) {
  Close();
  const std::string path = DevicePath(portName);
  if (path.empty()) return ENOENT;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  if (!::isatty(fd)) {
    ::close(fd);
    return ENOTTY;
  }
  // No sharing: an advisory lock keeps out other programs that lock (and root, whom
  // TIOCEXCL does not stop); TIOCEXCL keeps out every other non-root opener.
  if (::flock(fd, LOCK_EX | LOCK_NB) < 0) {
    const int err = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return err;
  }
  if (::ioctl(fd, TIOCEXCL) < 0) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  termios t{};
  if (::tcgetattr(fd, &t) < 0) {
    const int err = errno;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    return err;
  }
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  ::tcsetattr(fd, TCSANOW, &t);

  struct stat st {};
  const unsigned devMajor = ::fstat(fd, &st) == 0 ? major(st.st_rdev) : 0;
  isPty_ = (devMajor >= 136 && devMajor <= 143) || devMajor == 3;  // Unix98 and legacy pty slaves
  fd_ = fd;
  path_ = path;
  timeouts_ = COMMTIMEOUTS{};
  mask_ = 0;
  rxTrigger_ = 0;
  rxQuietNs_ = 0;
  txPending_ = false;
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    consumed_ = purged_ = purges_ = 0;
    rxTriggerAt_ = seenArrived_ = 0;
    lastArrivalNs_ = -1;
  }
  knownInQue_ = 0;
  consumedSeen_ = purgesSeen_ = 0;
  hungUp_ = false;
  // Arrivals are watched as edges: a wait wakes when bytes come, not while they sit unread.
  edges_ = ::epoll_create1(EPOLL_CLOEXEC);
  epoll_event watch{};
  watch.events = EPOLLIN | EPOLLET;
  if (edges_ < 0 || ::epoll_ctl(edges_, EPOLL_CTL_ADD, fd_, &watch) < 0) {
    const int err = errno;
    Close();
    return err;
  }
  hasModemLines_ = ReadModemLines(lastModem_);
  hasCounters_ = ReadCounters(lastWaitCounters_);
  lastClearCounters_ = lastWaitCounters_;
  return 0;
}

void TSerialDevice::Close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);  // the exclusive flag outlives us on a terminal that stays open
  if (edges_ >= 0) ::close(edges_);
  edges_ = -1;
  ::close(fd_);
  fd_ = -1;
  path_.clear();
}

// ---------------------------------------------------------------------------------------

int TSerialDevice::SetCommState(const DCB& dcb) {
  if (fd_ < 0) return EBADF;
  // What termios cannot express is refused rather than approximated.
  if (!dcb.fBinary || dcb.fOutxDsrFlow || dcb.fDsrSensitivity || dcb.fNull) return EINVAL;
  if (dcb.fDtrControl > DTR_CONTROL_ENABLE || dcb.fRtsControl > RTS_CONTROL_HANDSHAKE) return EINVAL;
  if (dcb.fOutxCtsFlow != (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)) return EINVAL;
  if (dcb.fErrorChar && dcb.fParity && dcb.ErrorChar != 0) return EINVAL;
  if (dcb.EvtChar != 0) return EINVAL;
  if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > 4 || dcb.StopBits > 2) return EINVAL;
  if (dcb.StopBits == 1 && dcb.ByteSize != 5) return EINVAL;
  if (dcb.StopBits == 2 && dcb.ByteSize == 5) return EINVAL;
  if ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar) return EINVAL;
  if (dcb.BaudRate == 0 || dcb.BaudRate > 0x7FFFFFFFu) return EINVAL;

  termios t{};
  if (::tcgetattr(fd_, &t) < 0) return errno;
  ::cfmakeraw(&t);
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
  t.c_iflag |= IGNBRK;  // a break is an event, not a NUL byte in the data
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[dcb.ByteSize - 5];
  switch (dcb.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // With five data bits a UART sends one and a half stop bits for "two".
  if (dcb.StopBits != 0) t.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow) t.c_cflag |= CRTSCTS;
  // Checked parity with replacement by NUL is what the kernel does with INPCK; checked
  // parity without replacement lets the byte through unchanged and counts the error.
  if (dcb.fParity && dcb.fErrorChar) t.c_iflag |= INPCK;
  if (dcb.fOutX) t.c_iflag |= IXON;
  if (dcb.fInX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;

  const speed_t standard = StandardSpeed(dcb.BaudRate);
  cfsetispeed(&t, standard != 0 ? standard : B38400);
  cfsetospeed(&t, standard != 0 ? standard : B38400);
  if (::tcsetattr(fd_, TCSANOW, &t) < 0) return errno;
  bitsPerByte_ = 1 + dcb.ByteSize + (dcb.Parity != 0 ? 1 : 0) + (dcb.StopBits != 0 ? 2 : 1);
  baudRate_ = dcb.BaudRate;
  if (standard == 0) {
    if (const int err = SetCustomSpeed(fd_, dcb.BaudRate)) return err;
  }
  // tcsetattr succeeds when any part took effect: check the line settings read back.
  // A pseudo-terminal has no line and always reads back eight bits without parity.
  termios back{};
  if (::tcgetattr(fd_, &back) < 0) return errno;
  const tcflag_t line = isPty_ ? (CSTOPB | CRTSCTS) : (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  if ((back.c_cflag & line) != (t.c_cflag & line)) return EINVAL;
  std::uint32_t inRate = 0, outRate = 0;
  if (const int err = GetSpeed(fd_, inRate, outRate)) return err;
  if (outRate != dcb.BaudRate) return EINVAL;

  // DTR and RTS levels, where the device has modem lines.
  int dtr = TIOCM_DTR, rts = TIOCM_RTS;
  if (::ioctl(fd_, dcb.fDtrControl == DTR_CONTROL_ENABLE ? TIOCMBIS : TIOCMBIC, &dtr) < 0 &&
      !IsNoSuchFeature(errno))
    return errno;
  if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE &&
      ::ioctl(fd_, dcb.fRtsControl == RTS_CONTROL_ENABLE ? TIOCMBIS : TIOCMBIC, &rts) < 0 &&
      !IsNoSuchFeature(errno))
    return errno;
  return 0;
}

int TSerialDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
  if (fd_ < 0) return EBADF;
  timeouts_ = timeouts;
  return 0;
}

COMMTIMEOUTS TSerialDevice::GetCommTimeouts() const { return timeouts_; }

int TSerialDevice::SetupComm(std::int32_t inputSize, std::int32_t outputSize) {
  if (fd_ < 0) return EBADF;
  if (inputSize <= 0 || outputSize <= 0) return EINVAL;
  inputSize_ = inputSize;
  return 0;
}

// ---------------------------------------------------------------------------------------

int TSerialDevice::Read(void* buffer, std::uint32_t count, std::uint32_t& transferred) {
  transferred = 0;
  if (fd_ < 0) return EBADF;
  if (count == 0) return 0;
  const COMMTIMEOUTS t = timeouts_;
  const bool immediate = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
                         t.ReadTotalTimeoutConstant == 0;
  const bool firstByteOnly = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                             t.ReadTotalTimeoutConstant != 0 && t.ReadTotalTimeoutConstant != MAXDWORD;
  const auto start = Clock::now();
  std::optional<Clock::time_point> deadline;
  if (firstByteOnly) {
    deadline = start + std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
  } else if (!immediate && (t.ReadTotalTimeoutMultiplier != 0 || t.ReadTotalTimeoutConstant != 0)) {
    const std::uint64_t total =
        std::uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant;
    deadline = start + std::chrono::milliseconds(total);
  }
  const bool useInterval = t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD;
  const auto interval = std::chrono::milliseconds(t.ReadIntervalTimeout);

  auto* bytes = static_cast<unsigned char*>(buffer);
  Clock::time_point lastByte = start;
  bool hungUp = false;
  for (;;) {
    ssize_t r;
    int err = 0;
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      r = ::read(fd_, bytes + transferred, count - transferred);
      if (r > 0) {
        consumed_ += static_cast<std::uint64_t>(r);
        int left = 0;
        if (::ioctl(fd_, FIONREAD, &left) < 0) left = 0;
        NoteArrivals(consumed_ + purged_ + static_cast<std::uint64_t>(std::max(left, 0)));
      } else if (r < 0) {
        err = errno;
      }
    }
    if (r > 0) {
      transferred += static_cast<std::uint32_t>(r);
      lastByte = Clock::now();
      if (transferred == count || firstByteOnly) return 0;
      continue;
    }
    if (r < 0 && err != EAGAIN && err != EINTR) return err;
    if (hungUp) return EIO;
    // Nothing there now (a terminal in raw mode reads 0 for "no data").
    if (immediate || (firstByteOnly && transferred > 0)) return 0;
    int waitMs = -1;
    if (deadline) {
      waitMs = MsUntil(*deadline);
      if (waitMs == 0) return 0;
    }
    if (useInterval && transferred > 0) {
      const int gap = MsUntil(lastByte + interval);
      if (gap == 0) return 0;
      waitMs = waitMs < 0 ? gap : std::min(waitMs, gap);
    }
    pollfd p{fd_, POLLIN, 0};
    const int pr = ::poll(&p, 1, waitMs);
    if (pr < 0 && errno != EINTR) return errno;
    if (pr > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) hungUp = true;
  }
}

int TSerialDevice::Write(const void* buffer, std::uint32_t count, std::uint32_t& transferred) {
  transferred = 0;
  if (fd_ < 0) return EBADF;
  if (count == 0) return 0;
  const COMMTIMEOUTS t = timeouts_;
  std::optional<Clock::time_point> deadline;
  if (t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0) {
    const std::uint64_t total =
        std::uint64_t{t.WriteTotalTimeoutMultiplier} * count + t.WriteTotalTimeoutConstant;
    deadline = Clock::now() + std::chrono::milliseconds(total);
  }
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  for (;;) {
    const ssize_t r = ::write(fd_, bytes + transferred, count - transferred);
    if (r > 0) {
      transferred += static_cast<std::uint32_t>(r);
      if (!txPending_.exchange(true)) txWake_.Set();
      if (transferred == count) return 0;
      continue;
    }
    if (r < 0 && errno != EAGAIN && errno != EINTR) return errno;
    int waitMs = -1;
    if (deadline) {
      waitMs = MsUntil(*deadline);
      if (waitMs == 0) return 0;
    }
    pollfd p{fd_, POLLOUT, 0};
    const int pr = ::poll(&p, 1, waitMs);
    if (pr < 0 && errno != EINTR) return errno;
    if (pr > 0 && !(p.revents & POLLOUT) && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) return EIO;
  }
}

int TSerialDevice::PurgeComm(std::uint32_t flags) {
  if (fd_ < 0) return EBADF;
  if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) return EINVAL;
  if (flags & PURGE_RXCLEAR) {
    std::lock_guard<std::mutex> lock(queueLock_);
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) < 0) waiting = 0;
    if (::tcflush(fd_, TCIFLUSH) < 0) return errno;
    purged_ += static_cast<std::uint64_t>(std::max(waiting, 0));
    NoteArrivals(consumed_ + purged_);
    ++purges_;
  }
  if ((flags & PURGE_TXCLEAR) && ::tcflush(fd_, TCOFLUSH) < 0) return errno;
  return 0;
}

bool TSerialDevice::ReadCounters(TCounters& c) const {
  serial_icounter_struct ic{};
  if (::ioctl(fd_, TIOCGICOUNT, &ic) < 0) return false;
  c.Frame = static_cast<std::uint32_t>(ic.frame);
  c.Parity = static_cast<std::uint32_t>(ic.parity);
  c.Overrun = static_cast<std::uint32_t>(ic.overrun);
  c.BufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
  c.Break = static_cast<std::uint32_t>(ic.brk);
  return true;
}

bool TSerialDevice::ReadModemLines(std::uint32_t& status) const {
  status = 0;
  int bits = 0;
  if (::ioctl(fd_, TIOCMGET, &bits) < 0) return false;
  if (bits & TIOCM_CTS) status |= MS_CTS_ON;
  if (bits & TIOCM_DSR) status |= MS_DSR_ON;
  if (bits & TIOCM_RNG) status |= MS_RING_ON;
  if (bits & TIOCM_CAR) status |= MS_RLSD_ON;
  return true;
}

int TSerialDevice::ClearCommError(std::uint32_t& errors, COMSTAT& stat) {
  errors = 0;
  stat = COMSTAT{};
  if (fd_ < 0) return EBADF;
  int in = 0, out = 0;
  if (::ioctl(fd_, FIONREAD, &in) < 0) return errno;
  if (::ioctl(fd_, TIOCOUTQ, &out) < 0) return errno;
  stat.cbInQue = static_cast<std::uint32_t>(std::max(in, 0));
  stat.cbOutQue = static_cast<std::uint32_t>(std::max(out, 0));
  TCounters now;
  if (ReadCounters(now)) {
    // Counters wrap as unsigned values; differences stay right across the wrap.
    if (now.Frame != lastClearCounters_.Frame) errors |= CE_FRAME;
    if (now.Parity != lastClearCounters_.Parity) errors |= CE_RXPARITY;
    if (now.Overrun != lastClearCounters_.Overrun) errors |= CE_OVERRUN;
    if (now.BufOverrun != lastClearCounters_.BufOverrun) errors |= CE_RXOVER;
    if (now.Break != lastClearCounters_.Break) errors |= CE_BREAK;
    lastClearCounters_ = now;
  } else if (!IsNoSuchFeature(errno)) {
    return errno;
  }
  return 0;
}

int TSerialDevice::GetCommModemStatus(std::uint32_t& status) {
  status = 0;
  if (fd_ < 0) return EBADF;
  if (!ReadModemLines(status) && !IsNoSuchFeature(errno)) return errno;
  return 0;
}

int TSerialDevice::SetCommMask(std::uint32_t mask) {
  if (fd_ < 0) return EBADF;
  mask_ = mask;
  return 0;
}

// ---------------------------------------------------------------------------------------

TWaitResult TSerialDevice::WaitCommEvent(std::uint32_t& mask, const TWaitEvent& stop, int& error) {
  mask = 0;
  error = 0;
  if (fd_ < 0) {
    error = EBADF;
    return TWaitResult::Failed;
  }
  for (;;) {
    if (stop.IsSet()) return TWaitResult::Stopped;
    // The arrivals (and a hang-up) since the last look: the descriptor is watched for edges, so
    // bytes that sit unread wake nobody.
    TakeArrivalEdges();
    const std::uint32_t want = mask_;
    std::uint32_t found = 0;

    // Received characters: an event for bytes that arrived since the last look, allowing for
    // what Read took out and for purges meanwhile. The first new bytes are gathered with
    // those that follow them into one event.
    std::uint32_t now = 0;
    if (!LookAtQueue(now, error)) return TWaitResult::Failed;
    if (now > knownInQue_ && (want & (EV_RXCHAR | EV_RX80FULL))) {
      if (GatherReceived(stop)) return TWaitResult::Stopped;
      if (!LookAtQueue(now, error)) return TWaitResult::Failed;
    }
    if (now > knownInQue_) {
      if (want & EV_RXCHAR) found |= EV_RXCHAR;
      const std::uint32_t mark = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(inputSize_.load()) / 10 * 8);
      if ((want & EV_RX80FULL) && now >= mark && knownInQue_ < mark) found |= EV_RX80FULL;
    }
    knownInQue_ = now;

    if ((want & EV_TXEMPTY) && txPending_) {
      int outQue = 0;
      if (::ioctl(fd_, TIOCOUTQ, &outQue) == 0 && outQue == 0) {
        txPending_ = false;
        found |= EV_TXEMPTY;
      }
    }

    const bool watchModem = hasModemLines_ && (want & (EV_CTS | EV_DSR | EV_RLSD | EV_RING));
    if (watchModem) {
      std::uint32_t lines = 0;
      if (ReadModemLines(lines)) {
        const std::uint32_t changed = lines ^ lastModem_;
        if (changed & MS_CTS_ON) found |= want & EV_CTS;
        if (changed & MS_DSR_ON) found |= want & EV_DSR;
        if (changed & MS_RLSD_ON) found |= want & EV_RLSD;
        if (changed & MS_RING_ON) found |= want & EV_RING;
        lastModem_ = lines;
      }
    }
    const bool watchCounters = hasCounters_ && (want & (EV_BREAK | EV_ERR));
    if (watchCounters) {
      TCounters c;
      if (ReadCounters(c)) {
        const TCounters& l = lastWaitCounters_;
        if (c.Break != l.Break) found |= want & EV_BREAK;
        if (c.Frame != l.Frame || c.Parity != l.Parity || c.Overrun != l.Overrun || c.BufOverrun != l.BufOverrun)
          found |= want & EV_ERR;
        lastWaitCounters_ = c;
      }
    }

    if (found != 0) {
      mask = found;
      return TWaitResult::Event;
    }
    // A hang-up is reported after the bytes that came before it.
    if (hungUp_) {
      error = EIO;
      return TWaitResult::Failed;
    }

    // Sleep until something can have changed: an arrival, a stop, a write, or the next sample
    // of what can only be sampled.
    int timeout = -1;
    auto shorten = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if ((want & EV_TXEMPTY) && txPending_) shorten(kTxEmptyPollMs);
    if (watchModem || watchCounters) shorten(kLinePollMs);
    pollfd fds[3] = {{stop.Fd(), POLLIN, 0},
                     {edges_, POLLIN, 0},
                     {txWake_.Fd(), static_cast<short>((want & EV_TXEMPTY) ? POLLIN : 0), 0}};
    const int r = ::poll(fds, 3, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return TWaitResult::Failed;
    }
    if (fds[0].revents & POLLIN) return TWaitResult::Stopped;
    // A write began while the wait slept: look at the output queue again.
    if (fds[2].revents & POLLIN) txWake_.Reset();
  }
}

void TSerialDevice::TakeArrivalEdges() {
  epoll_event events[4];
  for (int n; (n = ::epoll_wait(edges_, events, 4, 0)) > 0;)
    for (int i = 0; i < n; ++i)
      if (events[i].events & (EPOLLHUP | EPOLLERR)) hungUp_ = true;
}

bool TSerialDevice::LookAtQueue(std::uint32_t& inQue, int& error) {
  std::lock_guard<std::mutex> lock(queueLock_);
  if (purges_ != purgesSeen_) {
    purgesSeen_ = purges_;
    knownInQue_ = 0;
  }
  const std::uint64_t taken = consumed_ - consumedSeen_;
  consumedSeen_ = consumed_;
  knownInQue_ = taken >= knownInQue_ ? 0 : knownInQue_ - static_cast<std::uint32_t>(taken);
  int count = 0;
  if (::ioctl(fd_, FIONREAD, &count) < 0) {
    error = errno;
    return false;
  }
  inQue = static_cast<std::uint32_t>(std::max(count, 0));
  NoteArrivals(consumed_ + purged_ + inQue);
  return true;
}

TSerialDevice::Clock::time_point TSerialDevice::NoteArrivals(std::uint64_t Arrived) {
  if (Arrived > seenArrived_) {
    seenArrived_ = Arrived;
    lastArrivalNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
  }
  return Clock::time_point(std::chrono::nanoseconds(std::max<std::int64_t>(lastArrivalNs_.load(), 0)));
}

double TSerialDevice::InputIdleMs() const {
  const std::int64_t at = lastArrivalNs_.load();
  if (at < 0) return -1;
  const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
  return static_cast<double>(std::max<std::int64_t>(now - at, 0)) / 1e6;
}

void TSerialDevice::SetReceiveTrigger(std::uint32_t Count, double QuietMs) {
  rxQuietNs_ = QuietMs > 0 ? static_cast<std::int64_t>(std::min(QuietMs, 60000.0) * 1e6) : 0;
  rxTrigger_ = Count;
  if (fd_ < 0) return;
  // The count runs from the bytes that have come so far.
  std::lock_guard<std::mutex> lock(queueLock_);
  int waiting = 0;
  if (::ioctl(fd_, FIONREAD, &waiting) < 0) waiting = 0;
  rxTriggerAt_ = Count == 0 ? 0 : consumed_ + purged_ + static_cast<std::uint64_t>(std::max(waiting, 0)) + Count;
}

bool TSerialDevice::GatherReceived(const TWaitEvent& stop) {
  using std::chrono::nanoseconds;
  const double byteSeconds = static_cast<double>(bitsPerByte_.load()) / std::max<std::uint32_t>(baudRate_.load(), 1);
  const nanoseconds byteTime(static_cast<std::int64_t>(byteSeconds * 1e9));
  const std::int64_t quietNs = rxQuietNs_.load();
  const nanoseconds quiet = quietNs > 0 ? nanoseconds(quietNs) : kRxQuietByteTimes * byteTime;
  // A stream without a known length is reported before the queue overflows.
  const std::uint32_t full = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(inputSize_.load()) / 10 * 8);
  // Every byte that has come (read, purged or waiting), and how many of the announced ones are
  // still to come (0: none announced, or all there). False when the queue cannot be looked at.
  std::uint64_t arrived = 0, missing = 0;
  std::uint32_t inQue = 0;
  bool announced = false;
  Clock::time_point last;  // when the newest bytes were seen
  auto look = [&]() {
    std::lock_guard<std::mutex> lock(queueLock_);
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) < 0) return false;
    inQue = static_cast<std::uint32_t>(std::max(count, 0));
    arrived = consumed_ + purged_ + inQue;
    last = NoteArrivals(arrived);
    announced = rxTriggerAt_ != 0;
    missing = rxTriggerAt_ > arrived ? rxTriggerAt_ - arrived : 0;
    return true;
  };
  if (!look()) return false;
  // With a known length, the wait first sleeps until the rest is due at the line's pace (with a
  // quarter byte to spare), waking nobody per byte. When not all is there then (the sender is
  // behind the line's pace, or sends in bursts), it wakes at each arrival until it is, so that
  // it reports as the last byte comes, not a guess later. Without a length, it looks once per
  // quiet time. Either way, a line quiet for the quiet time ends the gathering.
  bool paced = true;
  pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {edges_, 0, 0}};
  for (;;) {
    const bool watch = announced && !paced;
    if (watch) {
      // Arrivals up to this look are no news; one after it wakes the wait.
      TakeArrivalEdges();
      if (!look()) return false;
    }
    if ((announced && missing == 0) || inQue >= full || hungUp_) return false;
    const auto now = Clock::now();
    auto next = last + quiet;
    if (paced && announced) {
      const auto rest = last + static_cast<std::int64_t>(missing) * byteTime + byteTime / 4;
      if (rest > now) next = rest;
    }
    paced = false;
    if (next <= now) return false;
    fds[1].events = watch ? POLLIN : 0;
    const auto ns = std::chrono::duration_cast<nanoseconds>(next - now).count();
    const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    const int r = ::ppoll(fds, 2, &wait, nullptr);
    if (r > 0 && (fds[0].revents & POLLIN)) return true;
    if (r < 0 && errno != EINTR) return false;
    if (!look()) return false;
  }
}

}  // namespace comm
