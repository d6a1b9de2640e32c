#include "tools/ecusim/Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/rtl/SysUtils.h"

namespace ecusim {

namespace {

using Clock = std::chrono::steady_clock;

Clock::duration Ms(double ms) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
}

const char* FaultName(FaultKind kind) {
  switch (kind) {
    case FaultKind::Drop: return "drop";
    case FaultKind::Garble: return "garble";
    case FaultKind::Truncate: return "truncate";
    case FaultKind::Extend: return "extend";
    case FaultKind::WrongAddress: return "address";
    case FaultKind::Delay: return "delay";
    case FaultKind::Duplicate: return "duplicate";
  }
  return "?";
}

bool ParseCount(const std::string& text, int& value) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::atoi(text.c_str());
  return true;
}

// Removes a symbolic link; with target set, only while it still points there.
void RemoveLink(const std::string& path, const std::string& target = {}) {
  struct stat st {};
  if (path.empty() || lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return;
  if (!target.empty()) {
    char points[4096] = {};
    if (readlink(path.c_str(), points, sizeof points - 1) < 0 || target != points) return;
  }
  unlink(path.c_str());
}

}  // namespace

bool ParseFault(const std::string& text, Fault& fault) {
  Fault f;
  std::string rest = text;
  if (const auto slash = rest.find('/'); slash != std::string::npos) {
    if (rest.size() != slash + 2) return false;
    f.Command = static_cast<std::uint8_t>(rest[slash + 1]);
    rest.resize(slash);
  }
  if (const auto at = rest.find('@'); at != std::string::npos) {
    if (!ParseCount(rest.substr(at + 1), f.Every)) return false;
    rest.resize(at);
  }
  if (const auto eq = rest.find('='); eq != std::string::npos) {
    if (!ParseCount(rest.substr(eq + 1), f.Param)) return false;
    rest.resize(eq);
  }
  static const FaultKind kinds[] = {FaultKind::Drop, FaultKind::Garble, FaultKind::Truncate, FaultKind::Extend,
                                    FaultKind::WrongAddress, FaultKind::Delay, FaultKind::Duplicate};
  for (FaultKind k : kinds) {
    if (rest == FaultName(k)) {
      f.Kind = k;
      fault = f;
      return true;
    }
  }
  return false;
}

Simulator::Simulator(EcuState state, SimulatorOptions options)
    : options_(std::move(options)), ecu_(std::move(state)) {}

Simulator::~Simulator() { Stop(); }

void Simulator::Start() {
  if (thread_.joinable()) return;
  termios line{};
  cfmakeraw(&line);
  cfsetispeed(&line, B9600);
  cfsetospeed(&line, B9600);
  line.c_cflag |= CLOCAL | CREAD;
  // We keep the slave open ourselves, so the master never reads a hang-up while no tool has
  // the port open.
  if (openpty(&master_, &slave_, nullptr, &line, nullptr) != 0)
    throw rtl::EOSError("Cannot open a pseudo-terminal", errno);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  char name[256] = {};
  wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0 || ttyname_r(slave_, name, sizeof name) != 0) {
    const int error = errno;
    ClosePty();
    throw rtl::EOSError("Cannot open a pseudo-terminal", error);
  }
  if (!options_.LinkPath.empty()) {
    RemoveLink(options_.LinkPath);
    if (symlink(name, options_.LinkPath.c_str()) != 0) {
      const int error = errno;
      ClosePty();
      throw rtl::EOSError("Cannot create the link " + options_.LinkPath, error);
    }
  }
  {
    std::lock_guard lock(mutex_);
    slavePath_ = name;
    stats_.MidReply = false;
  }
  rx_.clear();
  tx_.clear();
  lineFree_ = Clock::now();
  thread_ = std::thread(&Simulator::Run, this);
}

void Simulator::Stop() {
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
  thread_.join();
  ClosePty();
  rx_.clear();
  tx_.clear();
  std::lock_guard lock(mutex_);
  stats_.MidReply = false;
}

void Simulator::ClosePty() {
  for (int* fd : {&master_, &slave_, &wake_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
  std::lock_guard lock(mutex_);
  if (!slavePath_.empty()) RemoveLink(options_.LinkPath, slavePath_);
  slavePath_.clear();
}

bool Simulator::Running() const { return thread_.joinable(); }

std::string Simulator::SlavePath() const {
  std::lock_guard lock(mutex_);
  return slavePath_;
}

void Simulator::AddFault(const Fault& fault) {
  std::lock_guard lock(mutex_);
  faults_.push_back({fault, 0});
}

void Simulator::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

void Simulator::SetSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

EcuState Simulator::State() const {
  std::lock_guard lock(mutex_);
  return ecu_.State();
}

void Simulator::Modify(const std::function<void(EcuState&)>& change) {
  std::lock_guard lock(mutex_);
  change(ecu_.State());
}

Simulator::Counters Simulator::Stats() const {
  std::lock_guard lock(mutex_);
  return stats_;
}

Clock::time_point Simulator::ByteDue(const Outgoing& out, std::size_t index) const {
  // A byte reaches the other end when its stop bit is through.
  return options_.LineTiming ? out.Start + Ms(kByteTimeMs * static_cast<double>(index + 1)) : out.Start;
}

void Simulator::Run() {
  const auto gap = Ms(options_.FrameGapMs);
  for (;;) {
    auto now = Clock::now();
    SendDue(now);
    if (!rx_.empty() && now - rxLast_ >= gap) {
      // A request that stopped half-way: the ECU forgets it.
      if (OnTrace) OnTrace('>', rx_, "incomplete, ignored");
      rx_.clear();
      std::lock_guard lock(mutex_);
      ++stats_.Ignored;
    }
    auto deadline = Clock::time_point::max();
    if (!tx_.empty()) deadline = ByteDue(tx_.front(), tx_.front().Sent);
    if (!rx_.empty()) deadline = std::min(deadline, rxLast_ + gap);
    timespec wait{};
    const timespec* timeout = nullptr;
    if (deadline != Clock::time_point::max()) {
      const auto ns = std::max<std::int64_t>(
          0, std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now).count());
      wait.tv_sec = static_cast<time_t>(ns / 1000000000);
      wait.tv_nsec = static_cast<long>(ns % 1000000000);
      timeout = &wait;
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (ppoll(fds, 2, timeout, nullptr) < 0 && errno != EINTR) return;
    if (fds[1].revents != 0) return;  // Stop
    if (fds[0].revents & POLLIN) ReadRequests(Clock::now());
    else if (fds[0].revents & (POLLHUP | POLLERR)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void Simulator::ReadRequests(Clock::time_point now) {
  std::uint8_t buffer[512];
  const ssize_t count = read(master_, buffer, sizeof buffer);
  if (count <= 0) return;
  if (rx_.empty()) rxFirst_ = now;
  rx_.insert(rx_.end(), buffer, buffer + count);
  rxLast_ = now;
  while (!rx_.empty()) {
    std::uint8_t address;
    std::size_t need = 0;
    {
      std::lock_guard lock(mutex_);
      address = ecu_.State().Address;
      if (rx_.size() >= 2) need = ecu_.RequestLength(rx_[1]);
    }
    Frame junk;
    if (rx_[0] != address) {
      // Not the start of a request to us: skip to the next byte that could be one.
      const auto next = std::find(rx_.begin() + 1, rx_.end(), address);
      junk.assign(rx_.begin(), next);
      rx_.erase(rx_.begin(), next);
    } else if (rx_.size() < 2) {
      break;
    } else if (need == 0) {
      junk.swap(rx_);  // a command we cannot frame: drop what came with it
    } else if (rx_.size() < need) {
      break;
    } else {
      const Frame request(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(need));
      rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(need));
      HandleRequest(request, rxFirst_, now);
      rxFirst_ = now;
      continue;
    }
    if (OnTrace) OnTrace('>', junk, "not a request, ignored");
    std::lock_guard lock(mutex_);
    ++stats_.Ignored;
    rxFirst_ = now;
  }
}

void Simulator::HandleRequest(const Frame& request, Clock::time_point arrival, Clock::time_point now) {
  std::optional<Frame> reply;
  Frame out;
  std::string note;
  double delayMs = 0;
  int duplicateGapMs = -1;
  bool drop = false;
  {
    std::lock_guard lock(mutex_);
    ++stats_.Requests;
    reply = ecu_.Answer(request, std::chrono::duration<double>(now - started_).count());
    if (!reply) {
      ++stats_.Ignored;
    } else if (silent_) {
      drop = true;
      note = "silent";
    } else {
      ++stats_.Replies;
      out = *reply;
      for (auto it = faults_.begin(); it != faults_.end();) {
        const Fault f = it->Rule;
        if (f.Command != 0 && f.Command != request[1]) {
          ++it;
          continue;
        }
        ++it->Seen;
        const bool hit = f.Every <= 0 || it->Seen % f.Every == 0;
        it = f.Every <= 0 ? faults_.erase(it) : it + 1;
        if (!hit) continue;
        switch (f.Kind) {
          case FaultKind::Drop: drop = true; break;
          case FaultKind::Garble:
            if (!out.empty()) out[out.size() / 2] ^= 0x5A;
            break;
          case FaultKind::Truncate: out.resize(out.size() - std::min<std::size_t>(out.size(), std::max(1, f.Param))); break;
          case FaultKind::Extend: out.push_back(0); break;
          case FaultKind::WrongAddress:
            if (out.size() >= 2) {
              out[0] = static_cast<std::uint8_t>(out[0] + 1);
              out.back() = Checksum(out.data(), out.size() - 1);
            }
            break;
          case FaultKind::Delay: delayMs += f.Param; break;
          case FaultKind::Duplicate: duplicateGapMs = std::max(0, f.Param); break;
        }
        note += note.empty() ? "" : " ";
        note += FaultName(f.Kind);
        if (f.Param != 0) note += "=" + std::to_string(f.Param);
      }
      if (!note.empty()) ++stats_.Faulted;
    }
  }
  if (OnTrace) OnTrace('>', request, reply ? "" : "ignored");
  if (!reply) return;
  if (drop) {
    if (OnTrace) OnTrace('<', *reply, note);
    return;
  }
  if (OnTrace) OnTrace('<', out, note);
  // The reply cannot start before the request is through the line, nor while the line still
  // carries an earlier reply.
  auto start = std::max({options_.LineTiming ? arrival + Ms(kByteTimeMs * static_cast<double>(request.size())) : now,
                         lineFree_, now}) + Ms(delayMs);
  const auto wire = options_.LineTiming ? Ms(kByteTimeMs * static_cast<double>(out.size())) : Clock::duration{};
  tx_.push_back({out, start, 0});
  lineFree_ = start + wire;
  if (duplicateGapMs >= 0) {
    start = lineFree_ + Ms(duplicateGapMs);
    tx_.push_back({out, start, 0});
    lineFree_ = start + wire;
  }
}

void Simulator::SendDue(Clock::time_point now) {
  while (!tx_.empty()) {
    Outgoing& out = tx_.front();
    std::size_t due = out.Sent;
    while (due < out.Bytes.size() && ByteDue(out, due) <= now) ++due;
    if (due > out.Sent) {
      {
        std::lock_guard lock(mutex_);
        stats_.MidReply = true;  // before the bytes: a reader that has them sees it
      }
      // A tool that does not read lets the pty fill up; like a line, we do not wait for it.
      const ssize_t written = write(master_, out.Bytes.data() + out.Sent, due - out.Sent);
      (void)written;
      out.Sent = due;
    }
    std::lock_guard lock(mutex_);
    stats_.MidReply = out.Sent > 0 && out.Sent < out.Bytes.size();
    if (out.Sent < out.Bytes.size()) return;
    stats_.LastSentBytes = out.Bytes.size();
    tx_.pop_front();
    ++stats_.Sent;
    stats_.LastSentAt = Clock::now();
  }
}

}  // namespace ecusim
