// Threads of the class library: a TThread runs Execute on its own thread and hands work
// to the GUI thread with Synchronize (waits) or Queue (does not).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/rtl/Object.h"

namespace rtl {

// The class library's thread priorities, lowest first.
enum TThreadPriority : std::uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The scheduler's nice value that stands for a priority (19 for tpIdle .. 0 for tpNormal ..
// -20 for tpTimeCritical).
int ThreadPriorityNice(TThreadPriority Priority);

class TThread : public TObject {
  RTL_CLASS(TThread, TObject)
public:
  // Created suspended: Start runs Execute once the object is fully constructed.
  TThread();
  // A thread still running is stopped before any destructor runs, once, here: Terminate,
  // then a wait for Execute to return (on the GUI thread it serves calls as WaitFor does).
  // So a subclass whose Execute uses its own members needs no destructor for that: thread
  // objects live on the heap (new, std::make_unique) and are freed with delete or Free.
  // An exception raised during the wait is reported like one from the loop
  // (Application->HandleException) and the wait goes on: destruction always finishes.
  // A running thread that frees itself (FreeOnTerminate) and is freed from outside all the
  // same is stopped the same way and no longer frees itself.
  void BeforeDestruction() override;
  // Joins the thread. For an object that lived by value it also stops a thread still
  // running, but only after the subclass's members are gone.
  ~TThread() override;

  // Raises EThread when called a second time.
  void Start();
  // Asks Execute to end: Execute polls Terminated(), and TerminatedSet wakes an Execute
  // that waits for something else.
  void Terminate() {
    terminated_ = true;
    TerminatedSet();
  }
  bool Terminated() const { return terminated_.load(); }
  bool Finished() const { return finished_.load(); }
  bool Started() const;
  // Waits until Execute has returned and gives ReturnValue. On the GUI thread the wait
  // keeps serving Synchronize, Queue and SendMessage calls of every thread, and a call of
  // this thread that the GUI thread is running at this moment (the waiter is further down
  // its own stack) is released: the thread's Synchronize returns without waiting for it to
  // end. So a thread's own synchronised handler can stop and wait for it: no deadlock.
  // Raises EThread for a thread that frees itself or when a thread waits for itself.
  int WaitFor();

  // The object deletes itself once Execute has returned. Set before Start.
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool Value) { freeOnTerminate_ = Value; }
  int ReturnValue() const { return returnValue_; }
  // The exception that escaped Execute, if any.
  std::exception_ptr FatalException() const { return fatalException_; }
  std::thread::id ThreadID() const;

  // The thread's scheduling priority: the requested one, taken when Execute starts and at
  // once by a running thread. The system lowers a priority for anyone; one above the
  // process's own needs the right to raise it (CAP_SYS_NICE or RLIMIT_NICE): without it the
  // thread keeps the highest it may have, and AppliedPriority tells which one it runs at.
  TThreadPriority Priority() const { return priority_.load(); }
  void SetPriority(TThreadPriority Value);
  // The priority the running thread has now; the requested one before it runs.
  TThreadPriority AppliedPriority() const { return applied_.load(); }

  // Runs Method on the GUI thread while this thread waits; an exception in Method is raised
  // again here. On the GUI thread a direct call.
  void Synchronize(const std::function<void()>& Method);
  // Hands Method to the GUI thread and goes on; calls still queued when the thread object is
  // destroyed are dropped. On the GUI thread a direct call.
  void Queue(const std::function<void()>& Method);

protected:
  virtual void Execute() = 0;
  // Called by Terminate on the thread that calls it: a subclass whose Execute blocks on
  // something else than Terminated() wakes it here.
  virtual void TerminatedSet() {}
  void SetReturnValue(int Value) { returnValue_ = Value; }

private:
  void ThreadProc();
  // Terminates and waits for a thread that still runs (not from the thread itself).
  void Stop();
  void WaitUntilFinished();
  // Gives the thread with system id Tid the requested priority, as near as the system lets.
  void ApplyPriority(int Tid);

  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  std::thread thread_;
  bool started_ = false;
  bool freeOnTerminate_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  int returnValue_ = 0;
  std::exception_ptr fatalException_;
  std::atomic<TThreadPriority> priority_{tpNormal};
  std::atomic<TThreadPriority> applied_{tpNormal};
  // The system's id of the running thread; 0 before it runs and after it ended.
  std::atomic<int> tid_{0};
};

}  // namespace rtl
