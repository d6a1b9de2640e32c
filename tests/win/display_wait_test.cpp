// The loop's wait once the display is open, on a real X server: the test program runs itself
// again under xvfb-run with SDL's x11 driver, and the child does the work. There the loop sleeps
// on the X connection and a wake of its own: another thread's call ends a wait that has no
// other deadline, and a timer of a fraction of a millisecond fires, never before its time; a
// termination signal that ends a wait closes the main form from that wait, although a
// time-out leaves the window system alone, and so does one that another thread catches (and
// the main form's close ends the program's Run); one
// that comes while the loop never sleeps closes it within the next turns. (The X server's events reaching the forms is
// what every test of a real window shows.) GoogleTest before X11: Xlib defines None and Bool as macros, which break its
// headers.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "tests/win/XvfbChild.h"

namespace display_wait_test {

namespace {

using wintest::InXvfbChild;

// A form without a border, 200 x 100 at (10, 20), not shown yet.
std::unique_ptr<win::TForm> BorderlessForm() {
  auto form = std::make_unique<win::TForm>(nullptr);
  form->SetBorderStyle(win::bsNone);
  form->SetBounds(10, 20, 200, 100);
  return form;
}

TEST(DisplayWaitUnderX11, RunsUnderXvfb) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled()) GTEST_SKIP() << "xvfb-run is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("DisplayWaitUnderX11Child.*"), 0) << "the run under Xvfb failed (its output is above)";
}

TEST(DisplayWaitUnderX11Child, AnotherThreadsCallAndAFractionalTimerEndTheWait) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    auto form = BorderlessForm();
    form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    // A guard against a wait that never ends: the test fails instead of hanging.
    bool guard = false;
    const auto guardTimer = rtl::Application->StartTimer(60000, [&guard] { guard = true; });

    // Another thread's call ends a wait with no other deadline than the guard's.
    std::atomic<bool> called{false};
    std::thread other([&called] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      rtl::Application->Queue(nullptr, [&called] { called = true; });
    });
    rtl::Application->RunUntil([&] { return called || guard; });
    other.join();
    EXPECT_TRUE(called);
    EXPECT_FALSE(guard) << "the call from another thread did not wake the loop";

    // A timer of a fraction of a millisecond fires, and not before its time.
    const double start = rtl::GetTickCount();
    double fired = -1;
    const auto t = rtl::Application->StartTimer(2.5, [&fired] {
      if (fired < 0) fired = rtl::GetTickCount();
    });
    rtl::Application->RunUntil([&] { return fired >= 0 || guard; });
    rtl::Application->StopTimer(t);
    EXPECT_GE(fired - start, 2.5);
    EXPECT_FALSE(guard);
    rtl::Application->StopTimer(guardTimer);
    form.reset();
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
}

// The system call a thread of this process is in now ("-1" or "running" when none).
long SyscallOf(pid_t Thread) {
  std::ifstream f("/proc/self/task/" + std::to_string(Thread) + "/syscall");
  long number = -1;
  return f >> number ? number : -1;
}

// The shown main form, a borderless one that counts its closes, with a guard against a wait
// that never ends (it ends the loop too): the test fails instead of hanging.
struct TGuardedMainForm {
  TGuardedMainForm() {
    form->OnClose = [this](rtl::TObject*, win::TCloseAction&) { ++closed; };
    form->Show();
    win::SetMainForm(form.get());
  }
  TGuardedMainForm(const TGuardedMainForm&) = delete;
  TGuardedMainForm& operator=(const TGuardedMainForm&) = delete;

  std::unique_ptr<win::TForm> form = BorderlessForm();
  int closed = 0;
  bool guard = false;
  const rtl::TApplication::TTimerId guardTimer = rtl::Application->StartTimer(60000, [this] {
    guard = true;
    rtl::Application->Terminate();
  });
};

TEST(DisplayWaitUnderX11Child, ATerminationSignalDuringTheWaitClosesTheMainFormFromThatWait) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    TGuardedMainForm m;
    // The form's own events (map, exposure) are handled first, so that afterwards nothing but
    // the signal or the guard ends a wait: a round trip brings every event of the showing.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(m.form->Window(), &info));
    XSync(info.info.x11.display, False);
    do {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
    } while (XEventsQueued(info.info.x11.display, QueuedAlready) > 0);
    // Once the loop sleeps in its wait, another thread sends the signal to the loop's thread,
    // which ends the wait with EINTR: that one wait must hand the quit over, not the next. The
    // other thread notes which wait it interrupts before it sends the signal, and looks for the
    // sleep as long as the loop runs, with no bound of its own.
    const pid_t loopThread = static_cast<pid_t>(::syscall(SYS_gettid));
    const pthread_t loopHandle = pthread_self();
    std::atomic<int> waits{0};
    std::atomic<int> interrupted{0};
    std::atomic<bool> stop{false};
    std::thread other([&] {
      while (!stop && SyscallOf(loopThread) != SYS_ppoll) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (stop) return;
      interrupted = waits.load();
      pthread_kill(loopHandle, SIGTERM);
    });
    int endedBy = 0;
    while (!m.closed && !m.guard) {
      const int wait = ++waits;
      rtl::Application->WaitMessage();
      rtl::Application->ProcessMessages();
      if (interrupted == wait) {
        endedBy = wait;
        break;
      }
    }
    stop = true;
    other.join();
    EXPECT_NE(endedBy, 0) << "no wait was interrupted";
    EXPECT_EQ(m.closed, 1) << "the wait the signal ended did not hand the quit over";
    EXPECT_FALSE(m.form->Showing());
    EXPECT_FALSE(m.guard);
    rtl::Application->StopTimer(m.guardTimer);
    m.form.reset();
  }
  rtl::Application->Reset();  // the main form's close ended the loop
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
}

// Events that Xlib read while waiting for a reply (as a frame's XSync does) sit in its queue and
// no longer on the connection: the next wait hands them over at once instead of sleeping. A
// request still in Xlib's buffer is sent before the wait sleeps.
TEST(DisplayWaitUnderX11Child, EventsXlibHasReadAlreadyAreHandedOverWithoutSleeping) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    auto form = BorderlessForm();
    form->Show();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(form->Window(), &info));
    ::Display* own = info.info.x11.display;
    ::Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    bool guard = false;
    const auto guardTimer = rtl::Application->StartTimer(60000, [&guard] { guard = true; });
    const auto moveAndWait = [&](int X, const std::function<void()>& BeforeTheWait) {
      XMoveWindow(other, info.info.x11.window, X, 60);
      XSync(other, False);
      BeforeTheWait();
      rtl::Application->RunUntil([&] { return form->Left() == X || guard; });
    };
    // A move that comes on the connection (the wait pumps after it), then one that Xlib has
    // read before the wait: that wait takes it without a look at the connection.
    // A wait that slept on the connection would sleep until the guard: nothing more comes there.
    moveAndWait(40, [] {});
    ASSERT_FALSE(guard);
    moveAndWait(80, [&] {
      XSync(own, False);
      ASSERT_GT(XEventsQueued(own, QueuedAlready), 0);
    });
    EXPECT_EQ(form->Left(), 80);
    EXPECT_FALSE(guard) << "the wait slept on events Xlib held";
    // A request of the program's own that Xlib still buffers is sent before the wait sleeps.
    XMoveWindow(own, info.info.x11.window, 120, 60);
    rtl::Application->RunUntil([&] { return form->Left() == 120 || guard; });
    EXPECT_EQ(form->Left(), 120);
    EXPECT_FALSE(guard);
    rtl::Application->StopTimer(guardTimer);
    XCloseDisplay(other);
    form.reset();
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
}

// A termination signal reaches a loop that never sleeps and closes the main form within its
// next turns: one busy with a stream of messages (a scene that asks for a frame after every
// frame) and one whose idle handler is never done (a real-time scene). The guard timer starves
// under the stream, so the busy handlers watch the time themselves.
TEST(DisplayWaitUnderX11Child, ATerminationSignalClosesTheMainFormOfALoopThatNeverSleeps) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  for (const bool idle : {false, true}) {
    rtl::Application->Reset();
    TGuardedMainForm m;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    bool expired = false;
    int turns = 0;
    // One turn of the busy loop: the signal comes at the third; false once the time is up.
    const auto turn = [&] {
      if (++turns == 3) std::raise(SIGTERM);
      expired = expired || std::chrono::steady_clock::now() > end;
      return !expired && m.closed == 0;
    };
    const rtl::HWND busy = rtl::AllocateHWnd([&](rtl::MSG& Msg) -> rtl::LRESULT {
      if (turn()) rtl::PostMessage(Msg.hwnd, rtl::WM_USER, 0, 0);
      return 0;
    });
    if (idle)
      rtl::Application->OnIdle = [&](rtl::TObject*, bool& Done) { Done = !turn(); };
    else
      rtl::PostMessage(busy, rtl::WM_USER, 0, 0);
    rtl::Application->RunUntil([&] { return m.closed > 0 || expired || m.guard; });
    EXPECT_EQ(m.closed, 1) << (idle ? "busy idle" : "a stream of messages") << ": the signal was not taken";
    EXPECT_FALSE(expired || m.guard);
    EXPECT_LT(turns, 10) << "taken, but not within the next turns";
    rtl::Application->OnIdle = nullptr;
    rtl::DeallocateHWnd(busy);
    rtl::Application->StopTimer(m.guardTimer);
  }
  rtl::Application->Reset();
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
}

// A termination signal that another thread of the program catches (any thread may take a
// signal sent to the process) wakes the loop, which sleeps with no deadline but the guard's,
// and closes the main form, which ends the application's Run.
TEST(DisplayWaitUnderX11Child, ATerminationSignalCaughtByAnotherThreadEndsTheWaitAndTheRun) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    TGuardedMainForm m;
    std::thread other([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      pthread_kill(pthread_self(), SIGTERM);  // handled here, on this thread
    });
    rtl::Application->Run();
    other.join();
    EXPECT_EQ(m.closed, 1) << "the signal did not wake the loop";
    EXPECT_FALSE(m.guard) << "the main form closed, but the loop ran on";
    rtl::Application->StopTimer(m.guardTimer);
    m.form.reset();
  }
  rtl::Application->Reset();
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  // The display closed, SIGTERM has the system's default again.
  struct sigaction now{};
  ASSERT_EQ(sigaction(SIGTERM, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace

}  // namespace display_wait_test
