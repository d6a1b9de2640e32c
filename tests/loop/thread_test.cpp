#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "LoopFixture.h"
#include "platform/loop/Thread.h"

using namespace rtl;
using looptest::LoopTest;

namespace {

// Runs Body on its own thread until terminated.
class TLambdaThread : public TThread {
public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> body) : body_(std::move(body)) {}
  ~TLambdaThread() override {
    Terminate();
    if (!FreeOnTerminate()) WaitFor();
  }
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
  TLambdaThread t([&](TLambdaThread& self) {
    for (int i = 0; i < 5; ++i)
      self.Synchronize([&, i] {
        allOnGui &= Application->IsMainThread();
        order.push_back(i);
      });
    self.Synchronize([] { throw EConvertError("bad reply"); });
    self.SetReturnValue(7);  // not reached: the exception ends Execute
  });
  t.Start();
  EXPECT_TRUE(Application->RunUntil([&] { return t.Finished(); }));
  EXPECT_EQ(t.WaitFor(), 0);
  EXPECT_TRUE(allOnGui);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  ASSERT_TRUE(t.FatalException());
  EXPECT_THROW(std::rethrow_exception(t.FatalException()), EConvertError);
  EXPECT_THROW(t.Start(), EThread);
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
  TLambdaThread t([&](TLambdaThread& self) {
    aboutToSync = true;
    for (int i = 0; i < 3; ++i) self.Synchronize([&] { ++ran; });
    self.SetReturnValue(1);
  });
  t.Start();
  while (!aboutToSync) std::this_thread::yield();
  // The GUI thread never reaches its loop: only WaitFor can run the calls.
  EXPECT_EQ(t.WaitFor(), 1);
  EXPECT_EQ(ran, 3);
}

TEST_F(LoopTest, QueueRunsLaterInOrderAndIsDroppedWithItsThread) {
  std::vector<int> got;
  {
    TLambdaThread t([&](TLambdaThread& self) {
      for (int i = 0; i < 4; ++i) self.Queue([&, i] { got.push_back(i); });
    });
    t.Start();
    while (!t.Finished()) std::this_thread::yield();
    EXPECT_TRUE(got.empty());  // queued, not yet run
    Application->ProcessMessages();
    EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 3}));
    got.clear();
    t.Queue([&] { got.push_back(9); });  // from the GUI thread: at once
    EXPECT_EQ(got, (std::vector<int>{9}));
    got.clear();
  }
  {
    TLambdaThread t([&](TLambdaThread& self) { self.Queue([&] { got.push_back(1); }); });
    t.Start();
    while (!t.Finished()) std::this_thread::yield();
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
