#include "platform/loop/Thread.h"

#include "platform/loop/Application.h"

namespace rtl {

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

void TThread::ThreadProc() {
  try {
    Execute();
  } catch (...) {
    fatalException_ = std::current_exception();
  }
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
