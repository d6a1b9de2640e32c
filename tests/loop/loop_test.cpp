#include <gtest/gtest.h>

#include <string>
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
