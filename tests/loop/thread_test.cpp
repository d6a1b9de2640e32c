#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopFixture.h"
#include "platform/loop/Thread.h"
#include "platform/loop/Waiter.h"

namespace thread_test {

using namespace rtl;
using looptest::LoopTest;

namespace {

// Runs Body on its own thread until terminated. No destructor of its own: the base class
// stops the thread before body_ goes.
class TLambdaThread : public TThread {
public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> body) : body_(std::move(body)) {}
  using TThread::SetReturnValue;

protected:
  void Execute() override { body_(*this); }

private:
  std::function<void(TLambdaThread&)> body_;
};

}  // namespace

TEST_F(LoopTest, SynchronizeRunsOnTheGuiThreadAndBringsExceptionsBack) {
  std::vector<int> order;
  bool allOnGui = true;
  auto t = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
    for (int i = 0; i < 5; ++i)
      self.Synchronize([&, i] {
        allOnGui &= Application->IsMainThread();
        order.push_back(i);
      });
    self.Synchronize([] { throw EConvertError("bad reply"); });
    self.SetReturnValue(7);  // not reached: the exception ends Execute
  });
  t->Start();
  EXPECT_TRUE(Application->RunUntil([&] { return t->Finished(); }));
  EXPECT_EQ(t->WaitFor(), 0);
  EXPECT_TRUE(allOnGui);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  ASSERT_TRUE(t->FatalException());
  EXPECT_THROW(std::rethrow_exception(t->FatalException()), EConvertError);
  EXPECT_THROW(t->Start(), EThread);
}

// The serial port's case: the port is closed from inside its own received-characters
// handler, i.e. the GUI thread stops and waits for the event thread while that thread is
// blocked in the very Synchronize that runs the handler.
TEST_F(LoopTest, WaitForFromInsideTheThreadsOwnSynchronizedHandlerDoesNotDeadlock) {
  int calls = 0;
  bool waitedInside = false;
  TLambdaThread* port = nullptr;
  auto thread = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
    while (!self.Terminated()) self.Synchronize([&] {
        if (++calls == 3) {
          port->Terminate();
          port->WaitFor();
          waitedInside = port->Finished();
        }
      });
    self.SetReturnValue(5);
  });
  port = thread.get();
  port->Start();
  EXPECT_TRUE(Application->RunUntil([&] { return waitedInside; }));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(port->WaitFor(), 5);
}

TEST_F(LoopTest, WaitForOnTheGuiThreadServesPendingSynchronizeCalls) {
  std::atomic<bool> aboutToSync{false};
  int ran = 0;
  auto t = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
    aboutToSync = true;
    for (int i = 0; i < 3; ++i) self.Synchronize([&] { ++ran; });
    self.SetReturnValue(1);
  });
  t->Start();
  while (!aboutToSync) std::this_thread::yield();
  // The GUI thread never reaches its loop: only WaitFor can run the calls.
  EXPECT_EQ(t->WaitFor(), 1);
  EXPECT_EQ(ran, 3);
}

TEST_F(LoopTest, QueueRunsLaterInOrderAndIsDroppedWithItsThread) {
  std::vector<int> got;
  {
    auto t = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
      for (int i = 0; i < 4; ++i) self.Queue([&, i] { got.push_back(i); });
    });
    t->Start();
    while (!t->Finished()) std::this_thread::yield();
    EXPECT_TRUE(got.empty());  // queued, not yet run
    Application->ProcessMessages();
    EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 3}));
    got.clear();
    t->Queue([&] { got.push_back(9); });  // from the GUI thread: at once
    EXPECT_EQ(got, (std::vector<int>{9}));
    got.clear();
  }
  {
    auto t = std::make_unique<TLambdaThread>([&](TLambdaThread& self) { self.Queue([&] { got.push_back(1); }); });
    t->Start();
    while (!t->Finished()) std::this_thread::yield();
  }  // destroyed with its call still queued
  Application->ProcessMessages();
  EXPECT_TRUE(got.empty());
}

TEST_F(LoopTest, AFreeOnTerminateThreadDeletesItself) {
  static std::atomic<int> destroyed{0};
  struct Self : TThread {
    ~Self() override { ++destroyed; }
    void Execute() override { Synchronize([] {}); }
  };
  auto* t = new Self;
  t->SetFreeOnTerminate(true);
  EXPECT_THROW(t->WaitFor(), EThread);
  t->Start();
  EXPECT_TRUE(Application->RunUntil([&] { return destroyed.load() == 1; }));
}

namespace {

// Execute goes on using the object's own members after the stop request: freeing the object
// must stop the thread before they are destroyed.
class TSampler : public TThread {
public:
  std::atomic<bool> running{false};

protected:
  void Execute() override {
    running = true;
    while (!Terminated()) std::this_thread::yield();
    int sum = 0;
    for (int v : samples_) sum += v;  // heap memory of a member
    SetReturnValue(sum);
  }

private:
  std::vector<int> samples_ = std::vector<int>(64, 1);
};

}  // namespace

TEST_F(LoopTest, AThreadIsStoppedBeforeItsSubclassMembersGoWithoutADestructorOfItsOwn) {
  for (bool viaFree : {false, true}) {
    auto t = std::make_unique<TSampler>();
    t->Start();
    while (!t->running) std::this_thread::yield();
    if (viaFree) t.release()->Free();
    else t.reset();  // delete: under ASan, a member used after it is gone fails here
  }
}

namespace {

// Raises from its first wait, then waits like the default waiter.
class TFailingWaiter : public TLoopWaiter {
public:
  std::atomic<bool> failed{false};
  void Wait(double TimeoutMs) override {
    if (!failed.exchange(true)) throw EConvertError("the wait broke");
    inner_.Wait(TimeoutMs);
  }
  void Wake() override { inner_.Wake(); }

private:
  TEventFdWaiter inner_;
};

}  // namespace

TEST_F(LoopTest, AnExceptionWhileFreeingAThreadWaitsIsReportedAndTheThreadStillEnds) {
  TFailingWaiter waiter;
  Application->SetWaiter(&waiter);
  std::vector<std::string> reports;
  TObject* thread = nullptr;
  bool reportedByTheThread = false;
  Application->OnException = [&](TObject* Sender, const std::exception& E) {
    reportedByTheThread = Sender == thread;
    reports.push_back(E.what());
  };
  std::atomic<bool> ended{false};
  auto t = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
    while (!self.Terminated()) std::this_thread::yield();
    while (!waiter.failed) std::this_thread::yield();  // the GUI thread is inside the wait
    ended = true;
  });
  t->Start();
  thread = t.get();
  t.reset();  // the exception must not leave the destructor: that would end the process
  EXPECT_TRUE(ended);
  EXPECT_EQ(reports, std::vector<std::string>{"the wait broke"});
  EXPECT_TRUE(reportedByTheThread);
  Application->SetWaiter(nullptr);
}

namespace {

// The nice value the system gives the calling thread.
int OwnNice() { return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); }

}  // namespace

TEST_F(LoopTest, APriorityAskedBeforeTheStartIsTheOneTheThreadRunsAt) {
  std::atomic<int> nice{100};
  std::atomic<bool> measured{false};
  auto t = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
    nice = OwnNice();
    measured = true;
    while (!self.Terminated()) std::this_thread::yield();
  });
  t->SetPriority(tpLowest);
  t->Start();
  while (!measured) std::this_thread::yield();
  EXPECT_EQ(ThreadPriorityNice(tpLowest), nice.load());
  EXPECT_EQ(tpLowest, t->AppliedPriority());
  EXPECT_EQ(ThreadPriorityNice(tpIdle), 19);
  EXPECT_EQ(ThreadPriorityNice(tpTimeCritical), -20);
}

TEST_F(LoopTest, APriorityChangedWhileTheThreadRunsReachesItAtOnceAsFarAsTheSystemAllows) {
  std::atomic<int> ask{0};  // 1: measure now
  std::atomic<int> nice{100};
  auto t = std::make_unique<TLambdaThread>([&](TLambdaThread& self) {
    while (!self.Terminated()) {
      if (ask.exchange(0) == 1) nice = OwnNice();
      std::this_thread::yield();
    }
  });
  t->Start();
  auto measure = [&] {
    nice = 100;
    ask = 1;
    while (nice == 100) std::this_thread::yield();
    return nice.load();
  };
  t->SetPriority(tpLower);
  EXPECT_EQ(tpLower, t->Priority());
  EXPECT_EQ(ThreadPriorityNice(tpLower), measure());
  // Higher than the process: granted only with the right to raise; either way the thread
  // runs at the priority it reports, never at one it does not.
  t->SetPriority(tpHighest);
  EXPECT_EQ(tpHighest, t->Priority());
  const TThreadPriority applied = t->AppliedPriority();
  EXPECT_EQ(ThreadPriorityNice(applied), measure());
}

}  // namespace thread_test
