#include "platform/comm/SerialPort.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
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

// Unread bytes are re-examined this often while they sit in the input queue, written
// bytes are watched this often until they have left, modem lines and error counters of
// a device that has them are sampled this often.
constexpr int kUnreadPollMs = 20;
constexpr int kTxEmptyPollMs = 5;
constexpr int kLinePollMs = 50;

// Bytes that come in one by one (a pseudo-terminal, a UART without a FIFO) are gathered as
// a UART's receive FIFO gathers them: the wait that sees the first of them sleeps this many
// byte times before it reports, so one event carries what came meanwhile rather than one
// event, and one thread switch, per byte.
constexpr double kRxGatherByteTimes = 4;

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
  txPending_ = false;
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    consumed_ = purges_ = 0;
  }
  knownInQue_ = 0;
  consumedSeen_ = purgesSeen_ = 0;
  hasModemLines_ = ReadModemLines(lastModem_);
  hasCounters_ = ReadCounters(lastWaitCounters_);
  lastClearCounters_ = lastWaitCounters_;
  return 0;
}

void TSerialDevice::Close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);  // the exclusive flag outlives us on a terminal that stays open
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
      if (r > 0) consumed_ += static_cast<std::uint64_t>(r);
      else if (r < 0) err = errno;
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
    if (::tcflush(fd_, TCIFLUSH) < 0) return errno;
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
  bool hungUp = false;
  for (;;) {
    if (stop.IsSet()) return TWaitResult::Stopped;
    const std::uint32_t want = mask_;
    std::uint32_t found = 0;

    // Received characters: an event for bytes that arrived since the last look, allowing
    // for what Read took out and for purges meanwhile.
    int inQue = 0;
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      if (purges_ != purgesSeen_) {
        purgesSeen_ = purges_;
        knownInQue_ = 0;
      }
      const std::uint64_t taken = consumed_ - consumedSeen_;
      consumedSeen_ = consumed_;
      knownInQue_ = taken >= knownInQue_ ? 0 : knownInQue_ - static_cast<std::uint32_t>(taken);
      if (::ioctl(fd_, FIONREAD, &inQue) < 0) {
        error = errno;
        return TWaitResult::Failed;
      }
    }
    const std::uint32_t now = static_cast<std::uint32_t>(std::max(inQue, 0));
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
    if (hungUp) {
      error = EIO;
      return TWaitResult::Failed;
    }

    // Sleep until something can have changed. POLLIN is asked for only while the queue
    // holds no unread bytes, since it stays raised as long as bytes are there.
    int timeout = -1;
    auto shorten = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (knownInQue_ > 0 && (want & (EV_RXCHAR | EV_RX80FULL))) shorten(kUnreadPollMs);
    if ((want & EV_TXEMPTY) && txPending_) shorten(kTxEmptyPollMs);
    if (watchModem || watchCounters) shorten(kLinePollMs);
    pollfd fds[3] = {{stop.Fd(), POLLIN, 0},
                     {fd_, static_cast<short>(knownInQue_ == 0 ? POLLIN : 0), 0},
                     {txWake_.Fd(), static_cast<short>((want & EV_TXEMPTY) ? POLLIN : 0), 0}};
    const int r = ::poll(fds, 3, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return TWaitResult::Failed;
    }
    if (fds[0].revents & POLLIN) return TWaitResult::Stopped;
    // The first bytes after an empty queue: let those that follow them arrive too.
    if ((fds[1].revents & POLLIN) && (want & (EV_RXCHAR | EV_RX80FULL)) && GatherReceived(stop))
      return TWaitResult::Stopped;
    // A write began while the wait slept: look at the output queue again.
    if (fds[2].revents & POLLIN) txWake_.Reset();
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) hungUp = true;
  }
}

bool TSerialDevice::GatherReceived(const TWaitEvent& stop) {
  const double byteSeconds = static_cast<double>(bitsPerByte_.load()) / std::max<std::uint32_t>(baudRate_.load(), 1);
  const auto ns = static_cast<long long>(std::min(kRxGatherByteTimes * byteSeconds, 0.05) * 1e9);
  const timespec gather{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
  pollfd fd{stop.Fd(), POLLIN, 0};
  for (;;) {
    const int r = ::ppoll(&fd, 1, &gather, nullptr);
    if (r >= 0) return r > 0 && (fd.revents & POLLIN);
    if (errno != EINTR) return false;
  }
}

}  // namespace comm
