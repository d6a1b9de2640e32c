#include "platform/loop/Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/loop/Application.h"

namespace rtl {

int ThreadPriorityNice(TThreadPriority Priority) {
  switch (Priority) {
    case tpIdle: return 19;
    case tpLowest: return 10;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -20;
  }
  return 0;
}

TClass TThread::StaticClass() {
  static const TClassInfo info{RtlClassName, ClassOf<inherited>(), {}, {}, {}};  // no factory: abstract
  return &info;
}

TThread::TThread() = default;

void TThread::BeforeDestruction() {
  Stop();
  inherited::BeforeDestruction();
}

TThread::~TThread() {
  Stop();  // after delete or Free the thread has ended already
  Application->RemoveQueued(this);
  std::thread worker;
  {
    std::lock_guard lock(mutex_);
    worker = std::move(thread_);
  }
  if (worker.joinable()) {
    if (worker.get_id() == std::this_thread::get_id())
      worker.detach();
    else
      worker.join();
  }
}

bool TThread::Started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

std::thread::id TThread::ThreadID() const {
  std::lock_guard lock(mutex_);
  return thread_.get_id();
}

void TThread::Start() {
  std::lock_guard lock(mutex_);
  if (started_) throw EThread("Cannot call Start on a running or finished thread");
  started_ = true;
  thread_ = std::thread(&TThread::ThreadProc, this);
}

void TThread::SetPriority(TThreadPriority Value) {
  priority_ = Value;
  const int tid = tid_.load();
  if (tid != 0) ApplyPriority(tid);
  else applied_ = Value;
}

void TThread::ApplyPriority(int Tid) {
  // Linux keeps a nice value per thread. Where raising is not allowed, the steps towards
  // the wanted one are tried down to normal, so the thread gets what it may have.
  const TThreadPriority wanted = priority_.load();
  for (int p = wanted;; --p) {
    const auto priority = static_cast<TThreadPriority>(p);
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(Tid), ThreadPriorityNice(priority)) == 0) {
      applied_ = priority;
      return;
    }
    if ((errno != EACCES && errno != EPERM) || priority <= tpNormal) break;
  }
  // The system refused even a priority that needs no right: the thread keeps what it had.
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(Tid));
  TThreadPriority now = tpNormal;
  for (int p = tpIdle; p <= tpTimeCritical; ++p)
    if (ThreadPriorityNice(static_cast<TThreadPriority>(p)) >= nice) now = static_cast<TThreadPriority>(p);
  applied_ = now;
}

void TThread::ThreadProc() {
  // The id first: a priority set from now on is applied by its setter, one set before by
  // this line (both read the newest request).
  const int tid = static_cast<int>(syscall(SYS_gettid));
  tid_ = tid;
  if (priority_.load() != tpNormal) ApplyPriority(tid);
  try {
    Execute();
  } catch (...) {
    fatalException_ = std::current_exception();
  }
  tid_ = 0;
  bool freeSelf;
  {
    std::lock_guard lock(mutex_);  // also waits until Start has stored thread_
    freeSelf = freeOnTerminate_;
    finished_ = true;
    finishedChanged_.notify_all();
  }
  // Nothing below touches the object unless it frees itself: the destructor of any other
  // thread object joins this thread first. A waiting GUI thread sleeps on the loop's
  // waiter, so it is woken last, when the object is in its final state.
  if (freeSelf) {
    {
      std::lock_guard lock(mutex_);
      thread_.detach();
    }
    delete this;
  }
  Application->Wake();
}

int TThread::WaitFor() {
  if (FreeOnTerminate()) throw EThread("Cannot wait for a thread that frees itself");
  if (std::this_thread::get_id() == ThreadID()) throw EThread("A thread cannot wait for itself");
  if (!Started()) return returnValue_;
  WaitUntilFinished();
  return returnValue_;
}

void TThread::WaitUntilFinished() {
  if (Application->IsMainThread()) {
    Application->ServeCallsUntil(ThreadID(), [this] { return Finished(); });
  } else {
    std::unique_lock lock(mutex_);
    finishedChanged_.wait(lock, [this] { return finished_.load(); });
  }
}

void TThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (!started_ || finished_ || thread_.get_id() == std::this_thread::get_id()) return;
    // A thread that would free itself is this caller's to free now (ThreadProc reads the
    // flag under the same lock, when it sets finished_).
    freeOnTerminate_ = false;
  }
  Terminate();
  // Destruction must finish: whatever the wait raises is reported and the wait goes on.
  while (!Finished()) {
    try {
      WaitUntilFinished();
    } catch (...) {
      Application->HandleException(this);
    }
  }
}

void TThread::Synchronize(const std::function<void()>& Method) { Application->Synchronize(Method); }

void TThread::Queue(const std::function<void()>& Method) { Application->Queue(this, Method); }

}  // namespace rtl
