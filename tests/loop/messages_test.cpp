#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "LoopFixture.h"
#include "platform/loop/Messages.h"
#include "platform/loop/Waiter.h"

namespace messages_test {

using namespace rtl;
using looptest::LoopTest;

namespace {

// A window that stays registered for the test's lifetime.
struct TestWindow {
  explicit TestWindow(TWndMethod m, HWND parent = 0) : hwnd(AllocateHWnd(std::move(m), parent)) {}
  ~TestWindow() { DeallocateHWnd(hwnd); }
  HWND hwnd;
};

}  // namespace

TEST_F(LoopTest, PostsFromEightThreadsArriveCompleteAndInPerThreadOrder) {
  constexpr int kThreads = 8, kEach = 2000;
  std::vector<std::vector<LPARAM>> seen(kThreads);
  int total = 0;
  bool offThread = false;
  TestWindow w([&](MSG& m) -> LRESULT {
    offThread |= !Application->IsMainThread();
    seen.at(m.wParam).push_back(m.lParam);
    ++total;
    return 0;
  });
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) ASSERT_TRUE(PostMessage(w.hwnd, WM_USER, WPARAM(t), i));
    });
  EXPECT_TRUE(Application->RunUntil([&] { return total == kThreads * kEach; }));
  for (auto& p : posters) p.join();
  Application->ProcessMessages();
  EXPECT_FALSE(offThread);
  EXPECT_EQ(total, kThreads * kEach);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), size_t(kEach)) << "thread " << t;
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(seen[t][i], i) << "thread " << t;
  }
}

namespace {

// The default waiter, counting the wakes.
class TCountingWaiter : public TLoopWaiter {
public:
  std::atomic<int> wakes{0};
  void Wait(double TimeoutMs) override { inner_.Wait(TimeoutMs); }
  void Wake() override {
    ++wakes;
    inner_.Wake();
  }

private:
  TEventFdWaiter inner_;
};

}  // namespace

// A message the loop's own thread posts is taken before the next wait, which it does not cut
// short; one from another thread wakes the sleeping loop.
TEST_F(LoopTest, OnlyAPostFromAnotherThreadWakesTheLoop) {
  TCountingWaiter waiter;
  Application->SetWaiter(&waiter);
  int handled = 0;
  TestWindow w([&](MSG&) -> LRESULT {
    ++handled;
    return 0;
  });
  ASSERT_TRUE(PostMessage(w.hwnd, WM_USER, 0, 0));
  EXPECT_EQ(waiter.wakes, 0);
  bool guard = false;
  const auto guardTimer = Application->StartTimer(60000, [&guard] { guard = true; });
  EXPECT_TRUE(Application->RunUntil([&] { return handled == 1 || guard; }));
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PostMessage(w.hwnd, WM_USER, 0, 0);
  });
  Application->RunUntil([&] { return handled == 2 || guard; });
  other.join();
  Application->StopTimer(guardTimer);
  EXPECT_EQ(handled, 2);
  EXPECT_FALSE(guard) << "the post from another thread did not wake the loop";
  EXPECT_EQ(waiter.wakes, 1);
  Application->SetWaiter(nullptr);
}

TEST_F(LoopTest, SendMessageFromAWorkerReturnsTheHandlersResultOnTheGuiThread) {
  bool onGui = true, inSend = false;
  TestWindow w([&](MSG& m) -> LRESULT {
    onGui &= Application->IsMainThread();
    inSend = InSendMessage();
    return LRESULT(m.wParam * 3 + m.lParam);
  });
  std::atomic<bool> done{false};
  std::vector<LRESULT> results;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) results.push_back(SendMessage(w.hwnd, WM_USER + 7, WPARAM(i), 1));
    done = true;
    Application->Wake();
  });
  EXPECT_TRUE(Application->RunUntil([&] { return done.load(); }));
  worker.join();
  ASSERT_EQ(results.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(results[i], i * 3 + 1);
  EXPECT_TRUE(onGui);
  EXPECT_TRUE(inSend);
  // On the GUI thread the same call is direct and not "sent from another thread".
  EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 7, 2, 0), 6);
  EXPECT_FALSE(inSend);
  EXPECT_FALSE(ReplyMessage(1));
  EXPECT_EQ(SendMessage(w.hwnd + 1000, WM_USER, 0, 0), 0);  // unknown window
}

TEST_F(LoopTest, ReplyMessageLetsTheSenderGoOnWhileTheHandlerRuns) {
  std::mutex m;
  std::condition_variable cv;
  bool senderBack = false, sawSenderBack = false, secondReply = true;
  TestWindow w([&](MSG&) -> LRESULT {
    EXPECT_TRUE(ReplyMessage(42));
    secondReply = ReplyMessage(43);
    // Only possible if the sender really went on: it sets the flag after SendMessage.
    std::unique_lock lock(m);
    sawSenderBack = cv.wait_for(lock, std::chrono::minutes(1), [&] { return senderBack; });
    return 99;  // ignored: the sender already has its answer
  });
  LRESULT got = 0;
  std::thread worker([&] {
    got = SendMessage(w.hwnd, WM_USER + 1, 0, 0);
    std::lock_guard lock(m);
    senderBack = true;
    cv.notify_all();
  });
  EXPECT_TRUE(Application->RunUntil([&] { return sawSenderBack; }));
  worker.join();
  EXPECT_EQ(got, 42);
  EXPECT_FALSE(secondReply);
}

TEST_F(LoopTest, PeekMessageDrainsOneKindForAWindowAndItsChildrenAndNeverEatsTheQuit) {
  constexpr UINT kRender = 0x5F5;
  std::vector<UINT> other;
  int frames = 0, drained = 0;
  TestWindow form([&](MSG& msg) -> LRESULT {
    if (msg.message != kRender) {
      other.push_back(msg.message);
      return 0;
    }
    MSG more;
    while (PeekMessage(more, msg.hwnd, kRender, kRender, PM_REMOVE)) ++drained;
    ++frames;
    return 0;
  });
  TestWindow child([&](MSG& msg) -> LRESULT { return other.push_back(msg.message), 0; }, form.hwnd);
  TestWindow stranger([&](MSG& msg) -> LRESULT { return other.push_back(msg.message + 0x10000), 0; });

  PostMessage(form.hwnd, kRender, 0, 0);
  PostMessage(child.hwnd, kRender, 0, 0);
  PostMessage(stranger.hwnd, kRender, 0, 0);
  PostMessage(form.hwnd, WM_USER + 1, 0, 0);
  PostQuitMessage(3);
  PostMessage(form.hwnd, kRender, 0, 0);
  MSG peeked;
  ASSERT_TRUE(PeekMessage(peeked, child.hwnd, 0, 0, PM_NOREMOVE));  // all numbers, not removed
  EXPECT_EQ(peeked.hwnd, child.hwnd);
  EXPECT_FALSE(PeekMessage(peeked, child.hwnd, WM_QUIT, WM_QUIT, PM_REMOVE));

  Application->ProcessMessages();
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(drained, 2);  // the child's and the later one; the stranger's stays
  EXPECT_EQ(other, (std::vector<UINT>{kRender + 0x10000, WM_USER + 1}));
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(Application->ExitCode(), 3);
  Application->Run();  // returns at once: the quit is still there
}

TEST_F(LoopTest, AWindowThatIsGoneGetsNothing) {
  int handled = 0;
  HWND wnd = AllocateHWnd([&](MSG&) -> LRESULT { return ++handled; });
  EXPECT_TRUE(PostMessage(wnd, WM_USER, 0, 0));
  EXPECT_TRUE(PostMessage(wnd, WM_USER, 0, 0));
  DeallocateHWnd(wnd);
  Application->ProcessMessages();
  EXPECT_EQ(handled, 0);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(PostMessage(wnd, WM_USER, 0, 0));
  EXPECT_FALSE(PostMessage(0, WM_USER, 0, 0));

  // A window may free itself while handling a message.
  HWND self = 0;
  self = AllocateHWnd([&](MSG&) -> LRESULT {
    DeallocateHWnd(self);
    return ++handled;
  });
  EXPECT_EQ(SendMessage(self, WM_USER, 0, 0), 1);
  EXPECT_FALSE(IsWindow(self));
}

}  // namespace messages_test
