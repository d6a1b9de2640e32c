#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "LoopFixture.h"
#include "platform/loop/Timer.h"

namespace loop_test {

using namespace rtl;
using looptest::LoopTest;

TEST_F(LoopTest, IdleHandlerRunsWhileNotDoneAndAfterEachBurstOfMessages) {
  std::vector<std::string> trace;
  HWND w = AllocateHWnd([&](MSG& m) -> LRESULT { return trace.push_back("msg" + std::to_string(m.wParam)), 0; });
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool& Done) {
    trace.push_back("idle");
    switch (++idles) {
      case 1:
        PostMessage(w, WM_USER, 1, 0);
        PostMessage(w, WM_USER, 2, 0);
        Done = false;  // called again once both are handled
        break;
      case 2:
        Done = false;  // called again at once
        break;
      default:
        Application->Terminate();
    }
  };
  Application->Run();
  DeallocateHWnd(w);
  EXPECT_EQ(trace, (std::vector<std::string>{"idle", "msg1", "msg2", "idle", "idle"}));
}

namespace {
std::vector<std::string>* idleTrace = nullptr;
void TracedIdleActions() {
  idleTrace->push_back("actions");
  if (idleTrace->size() == 5) throw Exception("refused");
}
}  // namespace

// The window layer's idle work follows OnIdle only when it answered "done"; its failure is
// reported and the loop goes on.
TEST_F(LoopTest, IdleActionsRunOnceTheIdleHandlerIsDone) {
  std::vector<std::string> trace;
  idleTrace = &trace;
  Application->SetIdleActions(&TracedIdleActions);
  int idles = 0, reported = 0;
  HWND w = AllocateHWnd([](MSG&) -> LRESULT { return 0; });
  Application->OnException = [&](TObject*, const std::exception&) { ++reported; };
  Application->OnIdle = [&](TObject*, bool& Done) {
    trace.push_back("idle");
    ++idles;
    Done = idles != 1;  // the first time: called again at once, without the actions
    if (idles == 2) PostMessage(w, WM_USER, 0, 0);  // wakes the wait after the actions
    if (idles == 3) Application->Terminate();
  };
  Application->Run();
  DeallocateHWnd(w);
  Application->SetIdleActions(nullptr);
  idleTrace = nullptr;
  EXPECT_EQ(trace, (std::vector<std::string>{"idle", "idle", "actions", "idle", "actions"}));
  EXPECT_EQ(reported, 1);
}

// What the waiter must hand over at once (the window layer's quit signal) is taken before
// every turn: also by a loop that never sleeps, busy with a message that posts itself again
// or with an idle handler that is never done.
TEST_F(LoopTest, AWaitersUrgentNewsIsTakenBeforeEveryTurnOfALoopThatNeverSleeps) {
  struct TUrgentWaiter final : TEventFdWaiter {
    void Wait(double TimeoutMs) override {
      ++waits;
      TEventFdWaiter::Wait(TimeoutMs);
    }
    void TakeUrgent() override {
      if (std::exchange(news, false)) PostMessage(target, WM_USER, 99, 0);
    }
    bool news = false;
    HWND target = 0;
    int waits = 0;
  } waiter;
  constexpr int Guard = 100000;  // turns after which a loop that never took the news ends
  int turns = 0;
  bool served = false;
  HWND w = AllocateHWnd([&](MSG& m) -> LRESULT {
    if (m.wParam == 99) {
      served = true;
      Application->Terminate();
    } else if (++turns == 10) {
      waiter.news = true;
    }
    if (m.wParam == 1) {
      if (turns < Guard)
        PostMessage(m.hwnd, WM_USER, 1, 0);
      else
        Application->Terminate();
    }
    return 0;
  });
  waiter.target = w;
  Application->SetWaiter(&waiter);
  // Busy with messages: the news posted before turn 11, behind the message turn 10 posted.
  PostMessage(w, WM_USER, 1, 0);
  Application->Run();
  EXPECT_TRUE(served);
  EXPECT_EQ(turns, 11);
  // Busy idle: the news comes at the tenth idle and is handled before the next.
  Application->Reset();
  served = false;
  turns = 0;
  Application->OnIdle = [&](TObject*, bool& Done) {
    if (++turns == 10) waiter.news = true;
    if (turns >= Guard) Application->Terminate();
    Done = false;
  };
  Application->Run();
  EXPECT_TRUE(served);
  EXPECT_EQ(turns, 10);
  EXPECT_EQ(waiter.waits, 0) << "the loop slept";
  Application->SetWaiter(nullptr);
  DeallocateHWnd(w);
}

TEST_F(LoopTest, ATerminateInsideANestedLoopEndsBothLoops) {
  // The outer loop handles a message whose handler runs a modal loop that never finishes
  // by itself; a timer inside it terminates the application.
  bool nestedResult = true, afterNested = false;
  int outerMessagesAfter = 0;
  TTimer quit(nullptr);
  quit.SetEnabled(false);
  quit.SetInterval(500);
  quit.SetOnTimer([&](TObject*) { PostQuitMessage(4); });
  HWND w = AllocateHWnd([&](MSG& m) -> LRESULT {
    if (m.wParam == 1) {
      quit.SetEnabled(true);
      PostMessage(m.hwnd, WM_USER, 2, 0);  // handled inside the nested loop
      nestedResult = Application->RunUntil([] { return false; });
      afterNested = true;
      PostMessage(m.hwnd, WM_USER, 3, 0);
    } else if (m.wParam == 3) {
      ++outerMessagesAfter;
    }
    return 0;
  });
  Application->OnIdle = [&](TObject*, bool& Done) {  // time passes while idle
    clock.Advance(100);
    Done = false;
  };
  PostMessage(w, WM_USER, 1, 0);
  Application->Run();
  EXPECT_FALSE(nestedResult);
  EXPECT_TRUE(afterNested);
  EXPECT_EQ(outerMessagesAfter, 0);  // the outer loop ended without handling more
  EXPECT_EQ(Application->ExitCode(), 4);
  EXPECT_EQ(GetTickCount(), 1500.0);
  DeallocateHWnd(w);
}

}  // namespace loop_test
