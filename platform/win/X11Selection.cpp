#include "platform/win/X11Selection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/loop/Thread.h"
#include "platform/rtl/TypInfo.h"

namespace win {

namespace {

using Clock = std::chrono::steady_clock;

// ---- X errors -------------------------------------------------------------------------------------
// Xlib hands the errors of every connection of the process to one handler. On the agents'
// connections errors are expected (a requestor's window gone in the middle of a transfer)
// and ignored; the errors of other connections go to the handler that was there before.
std::mutex errorMutex;
std::vector<Display*> agentDisplays;
XErrorHandler previousHandler = nullptr;

int AgentErrorHandler(Display* D, XErrorEvent* E) {
  XErrorHandler previous = nullptr;
  {
    std::lock_guard lock(errorMutex);
    if (std::find(agentDisplays.begin(), agentDisplays.end(), D) != agentDisplays.end()) return 0;
    previous = previousHandler;
  }
  return previous ? previous(D, E) : 0;
}

void JoinErrorHandler(Display* D) {
  std::lock_guard lock(errorMutex);
  if (agentDisplays.empty()) previousHandler = XSetErrorHandler(AgentErrorHandler);
  agentDisplays.push_back(D);
}

void LeaveErrorHandler(Display* D) {
  std::lock_guard lock(errorMutex);
  std::erase(agentDisplays, D);
  if (!agentDisplays.empty()) return;
  // A handler installed after ours stays.
  if (XErrorHandler current = XSetErrorHandler(previousHandler); current != AgentErrorHandler)
    XSetErrorHandler(current);
  previousHandler = nullptr;
}

constexpr std::size_t DefaultPieceSize = std::size_t{256} << 10;
constexpr int DefaultTimeoutMs = 2000;
// The properties fetched data is asked into, taken in turn, so that an answer that comes
// after its fetch gave up cannot be taken for the next fetch's.
constexpr int FetchProperties = 4;

}  // namespace

class TSelectionThread : public rtl::TThread {
  RTL_CLASS(TSelectionThread, rtl::TThread)
public:
  explicit TSelectionThread(Display* D);
  ~TSelectionThread() override;

  // Runs Command on the thread.
  void Post(std::function<void()> Command);
  void Own(const std::string& Target, std::shared_ptr<const std::vector<std::uint8_t>> Data,
           std::function<void()> Lost);
  void Fetch(const std::string& Target, TSelectionAgent::TFetchProc Done);

  std::atomic<std::size_t> pieceSize{DefaultPieceSize};
  std::atomic<int> timeoutMs{DefaultTimeoutMs};
  // The connection broke (the X server ended, or another client killed it): Xlib, which would end
  // the program there, sets it and goes on, every later request failing at once.
  std::atomic<bool> broken{false};

protected:
  void Execute() override;
  void TerminatedSet() override { Wake(); }

private:
  using TData = std::shared_ptr<const std::vector<std::uint8_t>>;
  struct TOwned {
    Atom Target;
    TData Data;
    std::function<void()> Lost;
    Time Stamp;
  };
  // Data going to a requestor in pieces.
  struct TTransfer {
    Window Requestor;
    Atom Property;
    Atom Target;
    TData Data;
    std::size_t Offset = 0;
    bool Ended = false;  // the closing empty piece is written
    Clock::time_point Last;
  };
  struct TPending {
    std::string Target;
    Atom TargetAtom;
    TSelectionAgent::TFetchProc Done;
  };
  struct TActive {
    TPending Fetch;
    Atom Property;
    bool Incremental = false;
    std::vector<std::uint8_t> Data;
    Clock::time_point Deadline;
  };

  void Wake();
  void RunCommands();
  void Handle(XEvent& E);
  // The earliest deadline in milliseconds from now, -1 for none; what has expired ends.
  int Expire();
  std::size_t PieceSize() const;
  Clock::duration Timeout() const { return std::chrono::milliseconds(timeoutMs.load()); }
  Time ServerTime();
  void Serve(const XSelectionRequestEvent& R);
  void SendPiece(TTransfer& T);
  void StartNextFetch();
  void Received(Atom Property);
  void ReadPiece();
  void Finish(TSelectionAgent::TFound Found, std::vector<std::uint8_t> Data = {},
              std::vector<std::string> Targets = {});
  void Answer(TSelectionAgent::TFetchProc Done, TSelectionAgent::TFetchResult Result);

  Display* dpy_;
  Window win_;
  int wakeFd_;
  std::size_t maxRequestBytes_;
  Atom clipboard_, targets_, timestamp_, incr_, stampProperty_;
  Atom fetchProperties_[FetchProperties];
  int nextProperty_ = 0;

  std::mutex mutex_;
  std::deque<std::function<void()>> commands_;

  std::optional<TOwned> owned_;
  std::vector<TTransfer> transfers_;
  std::deque<TPending> fetches_;
  std::optional<TActive> active_;
};

rtl::TClass TSelectionThread::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TSelectionThread>().Build();
  return &info;
}

TSelectionThread::TSelectionThread(Display* D) : dpy_(D) {
  win_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(dpy_, win_, PropertyChangeMask);
  clipboard_ = XInternAtom(dpy_, "CLIPBOARD", False);
  targets_ = XInternAtom(dpy_, "TARGETS", False);
  timestamp_ = XInternAtom(dpy_, "TIMESTAMP", False);
  incr_ = XInternAtom(dpy_, "INCR", False);
  stampProperty_ = XInternAtom(dpy_, "GASCAL_STAMP", False);
  for (int i = 0; i < FetchProperties; ++i)
    fetchProperties_[i] = XInternAtom(dpy_, ("GASCAL_CLIPBOARD_" + std::to_string(i)).c_str(), False);
  long units = XExtendedMaxRequestSize(dpy_);
  if (units == 0) units = XMaxRequestSize(dpy_);
  maxRequestBytes_ = static_cast<std::size_t>(std::max(units * 4 - 100, 1024L));
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  XSetIOErrorExitHandler(
      dpy_, [](Display*, void* Self) { static_cast<TSelectionThread*>(Self)->broken = true; }, this);
  XFlush(dpy_);
}

TSelectionThread::~TSelectionThread() {
  // The thread has ended (TThread stops it before any destructor runs). Closing the
  // connection destroys the window, which gives up the selection.
  if (wakeFd_ >= 0) close(wakeFd_);
  XCloseDisplay(dpy_);
  LeaveErrorHandler(dpy_);
}

void TSelectionThread::Wake() {
  const std::uint64_t one = 1;
  if (wakeFd_ >= 0) (void)!write(wakeFd_, &one, sizeof one);
}

void TSelectionThread::Post(std::function<void()> Command) {
  {
    std::lock_guard lock(mutex_);
    commands_.push_back(std::move(Command));
  }
  Wake();
}

void TSelectionThread::RunCommands() {
  for (;;) {
    std::function<void()> command;
    {
      std::lock_guard lock(mutex_);
      if (commands_.empty()) return;
      command = std::move(commands_.front());
      commands_.pop_front();
    }
    command();
  }
}

void TSelectionThread::Execute() {
  while (!Terminated()) {
    RunCommands();
    if (broken) {
      // Nothing comes from the connection any more: the thread waits for its wake-up and for
      // what waits to time out.
      pollfd fd{wakeFd_, POLLIN, 0};
      if (poll(&fd, 1, Expire()) > 0) {
        std::uint64_t count;
        (void)!read(wakeFd_, &count, sizeof count);
      }
      continue;
    }
    while (XPending(dpy_) > 0) {
      XEvent e;
      XNextEvent(dpy_, &e);
      Handle(e);
    }
    const int wait = Expire();
    XFlush(dpy_);
    if (XQLength(dpy_) > 0) continue;  // read while answering: handle before sleeping
    pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 2, wait) > 0 && (fds[1].revents & POLLIN)) {
      std::uint64_t count;
      (void)!read(wakeFd_, &count, sizeof count);
    }
  }
}

std::size_t TSelectionThread::PieceSize() const {
  return std::clamp<std::size_t>(pieceSize.load(), 1, maxRequestBytes_);
}

int TSelectionThread::Expire() {
  const Clock::time_point now = Clock::now();
  if (active_ && now >= active_->Deadline) {
    XDeleteProperty(dpy_, win_, active_->Property);
    Finish(TSelectionAgent::TFound::Nothing);
  }
  // A requestor that stopped taking pieces is given up.
  std::erase_if(transfers_, [&](const TTransfer& T) {
    if (now - T.Last < Timeout()) return false;
    XSelectInput(dpy_, T.Requestor, NoEventMask);
    return true;
  });
  Clock::time_point next = Clock::time_point::max();
  if (active_) next = active_->Deadline;
  for (const TTransfer& t : transfers_) next = std::min(next, t.Last + Timeout());
  if (next == Clock::time_point::max()) return -1;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, 60000));
}

void TSelectionThread::Handle(XEvent& E) {
  switch (E.type) {
    case SelectionRequest: Serve(E.xselectionrequest); break;
    case SelectionClear:
      if (E.xselectionclear.selection == clipboard_ && owned_) {
        std::function<void()> lost = std::move(owned_->Lost);
        owned_.reset();
        if (lost) Queue(lost);
      }
      break;
    case SelectionNotify:
      if (active_ && E.xselection.requestor == win_ && E.xselection.selection == clipboard_ &&
          E.xselection.target == active_->Fetch.TargetAtom &&
          (E.xselection.property == None || E.xselection.property == active_->Property))
        Received(E.xselection.property);
      break;
    case PropertyNotify: {
      const XPropertyEvent& p = E.xproperty;
      if (p.window == win_) {
        if (active_ && active_->Incremental && p.atom == active_->Property && p.state == PropertyNewValue) ReadPiece();
        break;
      }
      if (p.state != PropertyDelete) break;
      for (auto t = transfers_.begin(); t != transfers_.end(); ++t) {
        if (t->Requestor != p.window || t->Property != p.atom) continue;
        if (t->Ended) {
          XSelectInput(dpy_, t->Requestor, NoEventMask);
          transfers_.erase(t);
        } else {
          SendPiece(*t);
        }
        break;
      }
      break;
    }
    default: break;
  }
}

// ---- owning -------------------------------------------------------------------------------------------

namespace {
Bool IsStampEvent(Display*, XEvent* E, XPointer Arg) {
  const auto* want = reinterpret_cast<const XPropertyEvent*>(Arg);
  return E->type == PropertyNotify && E->xproperty.window == want->window && E->xproperty.atom == want->atom;
}
}  // namespace

// The server's time now: the time of a change of a property of our own window.
Time TSelectionThread::ServerTime() {
  XChangeProperty(dpy_, win_, stampProperty_, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XPropertyEvent want{};
  want.window = win_;
  want.atom = stampProperty_;
  XEvent e;
  XIfEvent(dpy_, &e, IsStampEvent, reinterpret_cast<XPointer>(&want));
  return e.xproperty.time;
}

void TSelectionThread::Own(const std::string& Target, TData Data, std::function<void()> Lost) {
  Post([this, Target, Data = std::move(Data), Lost = std::move(Lost)] {
    const Atom target = XInternAtom(dpy_, Target.c_str(), False);
    const Time stamp = ServerTime();
    XSetSelectionOwner(dpy_, clipboard_, win_, stamp);
    if (XGetSelectionOwner(dpy_, clipboard_) != win_) {
      owned_.reset();
      if (Lost) Queue(Lost);
      return;
    }
    owned_ = TOwned{target, Data, Lost, stamp};
  });
}

void TSelectionThread::Serve(const XSelectionRequestEvent& R) {
  XEvent notify{};
  XSelectionEvent& reply = notify.xselection;
  reply.type = SelectionNotify;
  reply.display = dpy_;
  reply.requestor = R.requestor;
  reply.selection = R.selection;
  reply.target = R.target;
  reply.time = R.time;
  reply.property = None;
  // A requestor of the old kind names no property: the target stands for it.
  const Atom property = R.property != None ? R.property : R.target;
  if (owned_ && R.selection == clipboard_ && R.owner == win_) {
    if (R.target == targets_) {
      Atom list[] = {targets_, timestamp_, owned_->Target};
      XChangeProperty(dpy_, R.requestor, property, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(list),
                      3);
      reply.property = property;
    } else if (R.target == timestamp_) {
      long stamp = static_cast<long>(owned_->Stamp);
      XChangeProperty(dpy_, R.requestor, property, XA_INTEGER, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&stamp), 1);
      reply.property = property;
    } else if (R.target == owned_->Target) {
      const std::vector<std::uint8_t>& data = *owned_->Data;
      if (data.size() <= PieceSize()) {
        XChangeProperty(dpy_, R.requestor, property, R.target, 8, PropModeReplace, data.data(),
                        static_cast<int>(data.size()));
      } else {
        // Announced with its size; each deletion of the property asks for the next piece.
        XSelectInput(dpy_, R.requestor, PropertyChangeMask);
        long size = static_cast<long>(data.size());
        XChangeProperty(dpy_, R.requestor, property, incr_, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&size),
                        1);
        transfers_.push_back({R.requestor, property, R.target, owned_->Data, 0, false, Clock::now()});
      }
      reply.property = property;
    }
  }
  XSendEvent(dpy_, R.requestor, False, NoEventMask, &notify);
}

void TSelectionThread::SendPiece(TTransfer& T) {
  const std::vector<std::uint8_t>& data = *T.Data;
  const std::size_t n = std::min(PieceSize(), data.size() - T.Offset);
  XChangeProperty(dpy_, T.Requestor, T.Property, T.Target, 8, PropModeReplace, data.data() + T.Offset,
                  static_cast<int>(n));
  T.Offset += n;
  T.Ended = n == 0;
  T.Last = Clock::now();
}

// ---- fetching ------------------------------------------------------------------------------------------

void TSelectionThread::Fetch(const std::string& Target, TSelectionAgent::TFetchProc Done) {
  Post([this, Target, Done = std::move(Done)] {
    fetches_.push_back({Target, XInternAtom(dpy_, Target.c_str(), False), Done});
    StartNextFetch();
  });
}

void TSelectionThread::Answer(TSelectionAgent::TFetchProc Done, TSelectionAgent::TFetchResult Result) {
  if (!Done) return;
  auto result = std::make_shared<TSelectionAgent::TFetchResult>(std::move(Result));
  Queue([Done = std::move(Done), result] { Done(std::move(*result)); });
}

void TSelectionThread::StartNextFetch() {
  while (!active_ && !fetches_.empty()) {
    TPending f = std::move(fetches_.front());
    fetches_.pop_front();
    const Window owner = XGetSelectionOwner(dpy_, clipboard_);
    if (owner == None || owner == win_) {
      TSelectionAgent::TFetchResult r;
      r.Found = owner == win_ && owned_ ? TSelectionAgent::TFound::Ours : TSelectionAgent::TFound::Nothing;
      Answer(std::move(f.Done), std::move(r));
      continue;
    }
    const Atom property = fetchProperties_[nextProperty_];
    nextProperty_ = (nextProperty_ + 1) % FetchProperties;
    XDeleteProperty(dpy_, win_, property);
    XConvertSelection(dpy_, clipboard_, f.TargetAtom, property, win_, CurrentTime);
    active_ = TActive{std::move(f), property, false, {}, Clock::now() + Timeout()};
  }
}

void TSelectionThread::Finish(TSelectionAgent::TFound Found, std::vector<std::uint8_t> Data,
                              std::vector<std::string> Targets) {
  TSelectionAgent::TFetchResult r;
  r.Found = Found;
  r.Data = std::move(Data);
  r.Targets = std::move(Targets);
  TSelectionAgent::TFetchProc done = std::move(active_->Fetch.Done);
  active_.reset();
  Answer(std::move(done), std::move(r));
  StartNextFetch();
}

void TSelectionThread::Received(Atom Property) {
  using F = TSelectionAgent::TFound;
  if (Property == None) return Finish(F::Nothing);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* p = nullptr;
  const long longs = static_cast<long>(TSelectionAgent::MaxFetchBytes / 4);
  if (XGetWindowProperty(dpy_, win_, Property, 0, longs, True, AnyPropertyType, &type, &format, &count, &after, &p) !=
      Success) {
    return Finish(F::Nothing);
  }
  std::unique_ptr<unsigned char, int (*)(void*)> held(p, XFree);
  if (type == incr_) {
    // Deleting the announcement asks the owner for the first piece.
    active_->Incremental = true;
    active_->Deadline = Clock::now() + Timeout();
    return;
  }
  if (after > 0 || !p) return Finish(F::Nothing);
  if (active_->Fetch.TargetAtom == targets_) {
    if (format != 32) return Finish(F::Nothing);
    std::vector<std::string> names;
    const auto* atoms = reinterpret_cast<const Atom*>(p);  // 32-bit items come as longs
    for (unsigned long i = 0; i < count; ++i)
      if (char* name = atoms[i] != None ? XGetAtomName(dpy_, atoms[i]) : nullptr) {
        names.emplace_back(name);
        XFree(name);
      }
    return Finish(F::Data, {}, std::move(names));
  }
  if (format != 8) return Finish(F::Nothing);
  return Finish(F::Data, std::vector<std::uint8_t>(p, p + count));
}

void TSelectionThread::ReadPiece() {
  using F = TSelectionAgent::TFound;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* p = nullptr;
  const long longs = static_cast<long>(TSelectionAgent::MaxFetchBytes / 4);
  if (XGetWindowProperty(dpy_, win_, active_->Property, 0, longs, True, AnyPropertyType, &type, &format, &count,
                         &after, &p) != Success) {
    return Finish(F::Nothing);
  }
  std::unique_ptr<unsigned char, int (*)(void*)> held(p, XFree);
  if (count == 0) return Finish(F::Data, std::move(active_->Data));
  if (format != 8 || after > 0 || active_->Data.size() + count > TSelectionAgent::MaxFetchBytes)
    return Finish(F::Nothing);
  active_->Data.insert(active_->Data.end(), p, p + count);
  active_->Deadline = Clock::now() + Timeout();
}

// ---- the agent -------------------------------------------------------------------------------------------

TSelectionAgent::TSelectionAgent(std::unique_ptr<TSelectionThread> Thread) : thread_(std::move(Thread)) {}

TSelectionAgent::~TSelectionAgent() = default;

std::unique_ptr<TSelectionAgent> TSelectionAgent::Open(const char* DisplayName) {
  Display* d = XOpenDisplay(DisplayName);
  if (!d) return nullptr;
  JoinErrorHandler(d);
  auto thread = std::make_unique<TSelectionThread>(d);
  thread->Start();
  return std::unique_ptr<TSelectionAgent>(new TSelectionAgent(std::move(thread)));
}

void TSelectionAgent::Own(const std::string& Target, std::shared_ptr<const std::vector<std::uint8_t>> Data,
                          std::function<void()> Lost) {
  if (!Data) Data = std::make_shared<const std::vector<std::uint8_t>>();
  thread_->Own(Target, std::move(Data), std::move(Lost));
}

void TSelectionAgent::Fetch(const std::string& Target, TFetchProc Done) { thread_->Fetch(Target, std::move(Done)); }

void TSelectionAgent::SetPieceSize(std::size_t Bytes) { thread_->pieceSize = Bytes; }

void TSelectionAgent::SetTimeout(int Milliseconds) { thread_->timeoutMs = std::max(Milliseconds, 1); }

}  // namespace win
