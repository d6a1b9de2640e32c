#include "platform/loop/SingleInstance.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/loop/Thread.h"

namespace rtl {

namespace {

constexpr char Request[] = "CLOSE\n";
// The running copy's answer when it takes the request.
constexpr char Answer = '+';
// Then, for a close that takes longer: 'W', the milliseconds it may take in decimal, '\n'.
constexpr char LongClose = 'W';
constexpr std::size_t RequestLength = sizeof(Request) - 1;
// How long the running copy waits for the request's bytes after a connection.
constexpr int RequestReadMs = 1000;

// A descriptor closed when it goes.
class TFd {
public:
  TFd() = default;
  explicit TFd(int Fd) : fd_(Fd) {}
  ~TFd() { Reset(); }
  TFd(TFd&& Other) noexcept : fd_(Other.Release()) {}
  TFd& operator=(TFd&& Other) noexcept {
    if (this != &Other) {
      Reset();
      fd_ = Other.Release();
    }
    return *this;
  }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

private:
  int fd_ = -1;
};

// The socket address of a channel; Length 0 when the name cannot make one.
struct TAddress {
  sockaddr_un Addr{};
  socklen_t Length = 0;
  bool Abstract = false;
  std::string Path;  // the file (empty for an abstract name)
};

bool UsableRuntimeDir(const char* Dir) {
  if (!Dir || Dir[0] != '/') return false;
  struct stat st{};
  // The user's own folder that nobody else may enter.
  return ::stat(Dir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

TAddress AddressOf(const std::string& Name) {
  TAddress a;
  a.Addr.sun_family = AF_UNIX;
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (UsableRuntimeDir(dir)) {
    a.Path = std::string(dir) + "/" + Name + ".sock";
    if (a.Path.size() >= sizeof(a.Addr.sun_path)) return a;
    std::memcpy(a.Addr.sun_path, a.Path.c_str(), a.Path.size() + 1);
    a.Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + a.Path.size() + 1);
  } else {
    const std::string abstract = Name + "." + std::to_string(::getuid());
    if (abstract.size() + 1 > sizeof(a.Addr.sun_path)) return a;
    a.Abstract = true;
    a.Addr.sun_path[0] = '\0';
    std::memcpy(a.Addr.sun_path + 1, abstract.data(), abstract.size());
    a.Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + abstract.size());
  }
  return a;
}

bool ValidName(const std::string& Name) {
  if (Name.empty() || Name.size() > 64) return false;
  for (char c : Name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.')) return false;
  return Name != "." && Name != "..";
}

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Waits for Events on Fd until DeadlineMs (steady clock); the events seen, 0 at the deadline.
// Past the deadline it still looks once, so that what has come is never missed.
short PollUntil(int Fd, short Events, double DeadlineMs) {
  for (;;) {
    const double left = DeadlineMs - NowMs();
    pollfd p{Fd, Events, 0};
    const int n = ::poll(&p, 1, left <= 0 ? 0 : static_cast<int>(left) + 1);
    if (n == 0 && left <= 0) return 0;
    if (n > 0) return p.revents;
    if (n < 0 && errno != EINTR) return POLLERR;
  }
}

// Connects to the channel without waiting on a full backlog for ever; an invalid descriptor
// when nobody listens.
TFd Connect(const TAddress& A, double DeadlineMs) {
  TFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.Valid()) return fd;
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&A.Addr), A.Length) == 0) return fd;
  if (errno != EAGAIN && errno != EINPROGRESS) return TFd();
  if (!(PollUntil(fd.Get(), POLLOUT, DeadlineMs) & POLLOUT)) return TFd();
  int error = 0;
  socklen_t len = sizeof error;
  if (::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return TFd();
  return fd;
}

// The announcement of a close of Ms.
std::string LongCloseText(int Ms) { return LongClose + std::to_string(std::max(Ms, 0)) + "\n"; }

// Sends Text on the non-blocking connection Fd as far as it takes it at once (a few bytes, that
// a socket's buffer always has room for while its reader reads).
void SendNow(int Fd, const std::string& Text) {
  [[maybe_unused]] const ssize_t w = ::send(Fd, Text.data(), Text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool SameInode(const std::string& Path, dev_t Dev, ino_t Ino) {
  struct stat st{};
  return ::lstat(Path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_dev == Dev && st.st_ino == Ino;
}

}  // namespace

// ---- the running copy's side ------------------------------------------------------------------

class TSingleInstance::TListener : public TThread {
public:
  TListener(TFd Socket, TAddress Address, std::function<void()> OnRequest)
      : socket_(std::move(Socket)), address_(std::move(Address)), onRequest_(std::move(OnRequest)),
        stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    struct stat st{};
    if (!address_.Abstract && ::lstat(address_.Path.c_str(), &st) == 0) {
      dev_ = st.st_dev;
      ino_ = st.st_ino;
      ownsFile_ = true;
    }
  }

  // The thread ends first (the destructor of the base would do it after our members are
  // gone), then the socket file goes, then the held connections: who waits on one finds
  // the channel free when it is woken.
  ~TListener() override {
    Terminate();
    WaitFor();
    if (ownsFile_ && SameInode(address_.Path, dev_, ino_)) ::unlink(address_.Path.c_str());
    socket_.Reset();
    std::lock_guard lock(mutex_);
    held_.clear();
  }

  int Requests() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(held_.size());
  }

  void AnnounceLongClose(int Ms) {
    std::lock_guard lock(mutex_);
    closeEndsMs_ = NowMs() + Ms;
    const std::string text = LongCloseText(Ms);
    for (const TFd& c : held_) SendNow(c.Get(), text);
  }

protected:
  void Execute() override {
    while (!Terminated()) {
      pollfd p[2] = {{socket_.Get(), POLLIN, 0}, {stop_.Get(), POLLIN, 0}};
      const int n = ::poll(p, 2, -1);
      if (n < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (p[1].revents) return;
      if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
      if (p[0].revents & POLLIN) Accept();
    }
  }
  void TerminatedSet() override {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = ::write(stop_.Get(), &one, sizeof one);
  }

private:
  void Accept() {
    TFd c(::accept4(socket_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!c.Valid()) return;
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(c.Get(), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::getuid()) return;
    char buffer[RequestLength] = {};
    std::size_t got = 0;
    const double deadline = NowMs() + RequestReadMs;
    while (got < RequestLength) {
      if (!(PollUntil(c.Get(), POLLIN, deadline) & POLLIN)) return;
      const ssize_t r = ::read(c.Get(), buffer + got, RequestLength - got);
      if (r <= 0) {
        if (r < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return;
      }
      got += static_cast<std::size_t>(r);
    }
    if (std::memcmp(buffer, Request, RequestLength) != 0) return;
    if (::send(c.Get(), &Answer, 1, MSG_NOSIGNAL) != 1) return;
    {
      std::lock_guard lock(mutex_);
      // A long close already under way is told to this copy as well.
      if (const double left = closeEndsMs_ - NowMs(); left > 0) SendNow(c.Get(), LongCloseText(static_cast<int>(left) + 1));
      held_.push_back(std::move(c));
    }
    Queue(onRequest_);
  }

  TFd socket_;
  TAddress address_;
  std::function<void()> onRequest_;
  TFd stop_;
  bool ownsFile_ = false;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  mutable std::mutex mutex_;
  std::vector<TFd> held_;
  // When the long close announced last ends (steady clock, ms); 0 before any.
  double closeEndsMs_ = 0;
};

TSingleInstance::TSingleInstance(std::string Name) : name_(std::move(Name)) {}

TSingleInstance::~TSingleInstance() = default;

std::string TSingleInstance::ChannelPath(const std::string& Name) {
  const TAddress a = AddressOf(Name);
  if (!a.Abstract) return a.Path;
  return "@" + std::string(a.Addr.sun_path + 1, a.Length - offsetof(sockaddr_un, sun_path) - 1);
}

bool TSingleInstance::Listen(std::function<void()> OnCloseRequest, std::string* Why) {
  auto fail = [Why](const std::string& Text) {
    if (Why) *Why = Text;
    return false;
  };
  if (listener_) return true;
  if (!ValidName(name_)) return fail("the channel name \"" + name_ + "\" is not usable");
  const TAddress a = AddressOf(name_);
  if (a.Length == 0) return fail("the channel's path is too long");
  TFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return fail(std::string("no socket: ") + std::strerror(errno));
  if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&a.Addr), a.Length) != 0) {
    if (errno != EADDRINUSE) return fail("cannot bind " + ChannelPath(name_) + ": " + std::strerror(errno));
    // Somebody's socket is there: a copy that listens still, or the file of one that crashed.
    if (Connect(a, NowMs() + 200).Valid()) return fail("another copy listens on " + ChannelPath(name_));
    if (a.Abstract) return fail("the channel " + ChannelPath(name_) + " is taken");
    struct stat st{};
    if (::lstat(a.Path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
      return fail(a.Path + " is in the way and is no socket");
    ::unlink(a.Path.c_str());
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&a.Addr), a.Length) != 0)
      return fail("cannot bind " + a.Path + ": " + std::strerror(errno));
  }
  if (::listen(fd.Get(), 8) != 0) return fail(std::string("cannot listen: ") + std::strerror(errno));
  listener_ = std::make_unique<TListener>(std::move(fd), a, std::move(OnCloseRequest));
  listener_->Start();
  return true;
}

bool TSingleInstance::Listening() const { return listener_ != nullptr; }

int TSingleInstance::RequestCount() const { return listener_ ? listener_->Requests() : 0; }

void TSingleInstance::AnnounceLongClose(int Ms) {
  if (listener_) listener_->AnnounceLongClose(Ms);
}

// ---- the starting copy's side -------------------------------------------------------------------

TSingleInstance::TAskResult TSingleInstance::AskRunningToClose(const std::string& Name, int TimeoutMs) {
  if (!ValidName(Name)) return TAskResult::NoneRunning;
  const TAddress a = AddressOf(Name);
  if (a.Length == 0) return TAskResult::NoneRunning;
  const double start = NowMs();
  const double connectBy = start + (TimeoutMs > 0 ? TimeoutMs : 0);
  TFd fd = Connect(a, connectBy);
  if (!fd.Valid()) return TAskResult::NoneRunning;
  std::size_t sent = 0;
  while (sent < RequestLength) {
    const ssize_t w = ::send(fd.Get(), Request + sent, RequestLength - sent, MSG_NOSIGNAL);
    if (w > 0) {
      sent += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && (errno == EINTR)) continue;
    if (w < 0 && errno == EAGAIN && (PollUntil(fd.Get(), POLLOUT, connectBy) & POLLOUT)) continue;
    return w < 0 && errno == EAGAIN ? TAskResult::TimedOut : TAskResult::NoneRunning;
  }
  // The running copy answers that it took the request, then keeps the connection until it
  // has closed. An end without the answer is a refusal (a copy of another user, a socket
  // that is no copy of ours): nobody closes for us.
  // A long close it announces moves the deadline to its end and TimeoutMs more.
  bool taken = false;
  double deadline = start + (TimeoutMs > 0 ? TimeoutMs : 0);
  std::string announcement;
  bool inAnnouncement = false;
  for (;;) {
    const short ev = PollUntil(fd.Get(), POLLIN, deadline);
    if (ev == 0) return TAskResult::TimedOut;
    char c;
    const ssize_t r = ::read(fd.Get(), &c, 1);
    if (r == 1) {
      if (c == Answer) {
        taken = true;
      } else if (taken && c == LongClose) {
        inAnnouncement = true;
        announcement.clear();
      } else if (inAnnouncement && c >= '0' && c <= '9' && announcement.size() < 9) {
        announcement += c;
      } else if (inAnnouncement && c == '\n' && !announcement.empty()) {
        const int ms = std::min(std::stoi(announcement), MaxAnnouncedCloseMs);
        deadline = std::max(deadline, NowMs() + ms + (TimeoutMs > 0 ? TimeoutMs : 0));
        inAnnouncement = false;
      } else {
        inAnnouncement = false;
      }
      continue;
    }
    if (r == 0 || (errno != EINTR && errno != EAGAIN))
      return taken ? TAskResult::Closed : TAskResult::NoneRunning;
  }
}

}  // namespace rtl
