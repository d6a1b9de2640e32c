#include <gtest/gtest.h>

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "platform/comm/Speed.h"
#include "platform/loop/Application.h"
#include "serial/CPort.h"
#include "tests/WaitFor.h"
#include "tests/comm/PtyPair.h"
#include "tests/serial/WatchedWaiter.h"

namespace comport_test {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using cport::TComPort;
using rtl::Application;

// Runs the GUI thread's loop until Done holds or the time is up. The default limit only guards
// against a wait that never ends.
bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit = 60s) {
  const auto end = Clock::now() + Limit;
  while (!Done()) {
    if (Clock::now() > end) return false;
    Application->ProcessMessages();
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

void PumpFor(std::chrono::milliseconds Span) {
  PumpUntil([] { return false; }, Span);
}

class ComPortOnPty : public ::testing::Test {
protected:
  void SetUp() override {
    Application->Reset();
    ASSERT_FALSE(pty.path.empty());
    port.SetPort(pty.path);
  }
  void TearDown() override {
    // The handlers capture locals of the finished test body: drop them before closing.
    port.OnAfterOpen = port.OnAfterClose = port.OnBeforeOpen = port.OnBeforeClose = nullptr;
    port.OnRxChar = nullptr;
    port.OnCTSChange = port.OnDSRChange = port.OnRLSDChange = nullptr;
    port.Close();
    Application->OnException = nullptr;
  }
  PtyPair pty;
  TComPort port{nullptr};
};

TEST_F(ComPortOnPty, OpensAt9600And8N1AndCarriesBytesBothWays) {
  port.Timeouts()->SetReadInterval(500);
  int opened = 0;
  port.OnAfterOpen = [&](rtl::TObject* Sender) { opened += Sender == &port; };
  port.Open();
  ASSERT_TRUE(port.Connected());
  ASSERT_FALSE(port.PortFailed());
  EXPECT_EQ(1, opened);

  termios t{};
  ASSERT_EQ(0, tcgetattr(pty.master, &t));
  EXPECT_EQ(B9600, cfgetospeed(&t));
  EXPECT_EQ(CS8, t.c_cflag & CSIZE);
  EXPECT_EQ(0u, t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_EQ(0u, t.c_iflag & (IXON | IXOFF));

  const unsigned char out[5] = {0x19, 0x30, 0x00, 0xFF, 0x49};
  EXPECT_EQ(5, port.Write(out, 5));
  EXPECT_EQ(std::vector<unsigned char>(out, out + 5), pty.Receive());

  // Four bytes from the peer: one event on the GUI thread; the handler reads them and the
  // short reply ends at the read-interval time-out.
  std::vector<int> counts;
  std::vector<unsigned char> got;
  bool onGui = true;
  Clock::duration readTime{};
  port.OnRxChar = [&](rtl::TObject*, int Count) {
    counts.push_back(Count);
    onGui &= Application->IsMainThread();
    unsigned char in[16];
    const auto start = Clock::now();
    const int n = port.Read(in, sizeof in);
    readTime = Clock::now() - start;
    got.assign(in, in + n);
  };
  pty.Send({0x19, 0x30, 0x12, 0x5B});
  ASSERT_TRUE(PumpUntil([&] { return !counts.empty(); }));
  PumpFor(150ms);
  EXPECT_EQ(std::vector<int>{4}, counts);
  EXPECT_TRUE(onGui);
  EXPECT_EQ((std::vector<unsigned char>{0x19, 0x30, 0x12, 0x5B}), got);
  EXPECT_GE(readTime, 450ms);
  EXPECT_FALSE(port.PortFailed());
}

TEST_F(ComPortOnPty, UnreadBytesRaiseNoFurtherEventsButNewOnesDo) {
  std::vector<int> counts;
  port.OnRxChar = [&](rtl::TObject*, int Count) { counts.push_back(Count); };
  port.Open();
  pty.Send({1, 2, 3});
  ASSERT_TRUE(PumpUntil([&] { return counts.size() == 1; }));
  PumpFor(200ms);
  EXPECT_EQ(std::vector<int>{3}, counts);
  pty.Send({4, 5});
  ASSERT_TRUE(PumpUntil([&] { return counts.size() == 2; }));
  EXPECT_EQ(5, counts[1]);
  EXPECT_EQ(5, port.InputCount());
  port.ClearBuffer(true, true);
  EXPECT_EQ(0, port.InputCount());
  PumpFor(100ms);
  EXPECT_EQ(2u, counts.size());
  EXPECT_FALSE(port.PortFailed());
}

// A reply whose length the reader announced reaches the GUI thread whole, with one hand-over,
// however the bytes trickle in, and as soon as its last byte is in: the quiet time is a minute
// and the wait's guard longer, so a handler that ran a minute or more after the last byte went
// ran for the quiet time.
TEST_F(ComPortOnPty, AnAnnouncedReplyReachesTheHandlerWholeWithOneHandOver) {
  TWatchedWaiter waiter;
  std::vector<int> counts;
  Clock::time_point handled;
  port.OnRxChar = [&](rtl::TObject*, int Count) {
    counts.push_back(Count);
    handled = Clock::now();
  };
  port.SetRxTrigger(45);
  port.SetRxQuietTime(60000);
  port.Open();
  EXPECT_EQ(45, port.RxTrigger());
  const int before = waiter.Wakes();
  Clock::time_point last;
  std::thread sender = pty.SendPaced(45, 1042us, &last);  // a live-data reply at 9600 baud
  const bool got = PumpUntil([&] { return !counts.empty(); }, 90s);
  sender.join();
  ASSERT_TRUE(got);
  EXPECT_LT(handled - last, 60s) << "it waited for the quiet time";
  PumpFor(300ms);
  EXPECT_EQ(std::vector<int>{45}, counts);
  EXPECT_EQ(1, waiter.Wakes() - before);

  // Short of its length, it comes once the line has been quiet for the quiet time.
  port.ClearBuffer(true, true);
  counts.clear();
  port.SetRxQuietTime(100);
  sender = pty.SendPaced(30, 1042us, &last);
  const bool gotShort = PumpUntil([&] { return !counts.empty(); });
  sender.join();
  ASSERT_TRUE(gotShort);
  PumpFor(300ms);
  EXPECT_EQ(std::vector<int>{30}, counts);
  EXPECT_GE(handled - last, 100ms);
}

// While the GUI thread is busy, later arrivals join the hand-over that waits for it: the
// port's thread never waits for the GUI thread, and the handler runs once for them.
TEST_F(ComPortOnPty, ArrivalsWhileTheGuiThreadIsBusyJoinTheWaitingHandOver) {
  TWatchedWaiter waiter;
  std::vector<int> counts;
  port.OnRxChar = [&](rtl::TObject*, int Count) { counts.push_back(Count); };
  port.SetRxQuietTime(20);
  port.Open();
  const int before = waiter.Wakes();
  pty.Send({1, 2, 3, 4, 5});
  ASSERT_TRUE(testwait::WaitFor([&] { return waiter.Wakes() > before; }));
  pty.Send({6, 7, 8, 9, 10});
  ASSERT_TRUE(testwait::WaitFor([&] { return port.InputCount() == 10; }));
  std::this_thread::sleep_for(300ms);  // fifteen quiet times: gathered and reported meanwhile
  PumpFor(200ms);
  EXPECT_EQ(std::vector<int>{10}, counts);
  EXPECT_EQ(1, waiter.Wakes() - before);
}

TEST_F(ComPortOnPty, ClosingFromItsOwnHandlerEndsTheThreadWithoutDeadlock) {
  int closed = 0, events = 0;
  port.OnAfterClose = [&](rtl::TObject*) { ++closed; };
  port.OnRxChar = [&](rtl::TObject*, int) {
    ++events;
    port.Close();
  };
  port.Open();
  pty.Send({1});
  ASSERT_TRUE(PumpUntil([&] { return closed == 1; }));
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(1, events);
  // The device is free again: another opener gets it.
  comm::TSerialDevice other;
  EXPECT_EQ(0, other.Open(pty.path));
  other.Close();
  // And the port opens again and hears new bytes.
  port.OnRxChar = [&](rtl::TObject*, int) { ++events; };
  port.Open();
  pty.Send({2});
  ASSERT_TRUE(PumpUntil([&] { return events == 2; }));
}

TEST_F(ComPortOnPty, HandlerExceptionIsReportedAndThePortStaysUsable) {
  std::vector<std::string> reported;
  Application->OnException = [&](rtl::TObject*, const std::exception& E) { reported.push_back(E.what()); };
  int events = 0;
  port.OnRxChar = [&](rtl::TObject*, int) {
    ++events;
    port.ClearBuffer(true, false);
    throw rtl::EConvertError("bad reply");
  };
  port.Open();
  pty.Send({1});
  ASSERT_TRUE(PumpUntil([&] { return events == 1; }));
  pty.Send({2});
  ASSERT_TRUE(PumpUntil([&] { return events == 2; }));
  EXPECT_EQ((std::vector<std::string>{"bad reply", "bad reply"}), reported);
  EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortOnPty, WindowSyncAndNoSyncRunHandlersWhereTheySay) {
  port.SetSyncMethod(cport::smWindowSync);
  std::atomic<int> onGui{0}, offGui{0};
  port.OnRxChar = [&](rtl::TObject*, int) {
    (Application->IsMainThread() ? onGui : offGui)++;
    port.ClearBuffer(true, false);
  };
  port.Open();
  try {
    port.SetSyncMethod(cport::smNone);
    ADD_FAILURE() << "SyncMethod changed while connected";
  } catch (const cport::EComPort& e) {
    EXPECT_EQ(14, e.Code);
    EXPECT_STREQ("Cannot set property while connected", e.what());
  }
  pty.Send({1});
  ASSERT_TRUE(PumpUntil([&] { return onGui == 1; }));
  port.Close();
  port.SetSyncMethod(cport::smNone);
  port.Open();
  pty.Send({2});
  EXPECT_TRUE(testwait::WaitFor([&] { return offGui > 0; }, 60s));
  EXPECT_EQ(1, offGui.load());
  EXPECT_EQ(1, onGui.load());
}

TEST_F(ComPortOnPty, PseudoTerminalAnswersNoSignalsAndNoErrors) {
  std::vector<bool> cts;
  port.OnCTSChange = [&](rtl::TObject*, bool OnOff) { cts.push_back(OnOff); };
  port.Parity()->SetCheck(true);
  port.Open();
  EXPECT_TRUE(port.Signals().Empty());
  EXPECT_TRUE(port.LastErrors().Empty());
  EXPECT_FALSE(port.PortFailed());
  port.Close();
  EXPECT_EQ((std::vector<bool>{false, false}), cts);  // once at open, once at close
}

TEST_F(ComPortOnPty, LineWatchesAreWaitedForOnlyWhenAHandlerWantsThem) {
  using cport::TComEvents;
  EXPECT_TRUE(port.WaitedEvents().Empty());  // closed: no thread
  // The link's port: only received characters have a handler. The thread waits on the
  // descriptor alone; modem lines and error counters would be sampled every 50 ms.
  port.OnRxChar = [](rtl::TObject*, int) {};
  port.Open();
  const TComEvents idle = port.WaitedEvents();
  EXPECT_TRUE(idle.Contains(cport::evRxChar));
  for (auto e : {cport::evCTS, cport::evDSR, cport::evRLSD, cport::evRing, cport::evError, cport::evBreak,
                 cport::evTxEmpty, cport::evRxFlag, cport::evRx80Full})
    EXPECT_FALSE(idle.Contains(e)) << static_cast<int>(e);
  port.Close();

  // A transmit-empty handler makes every write wake it, and only then.
  int emptied = 0;
  port.OnTxEmpty = [&](rtl::TObject*) { ++emptied; };
  port.Open();
  EXPECT_TRUE(port.WaitedEvents().Contains(cport::evTxEmpty));
  port.Write("x", 1);
  EXPECT_TRUE(PumpUntil([&] { return emptied > 0; }));
  port.Close();
  port.OnTxEmpty = nullptr;

  port.OnCTSChange = [](rtl::TObject*, bool) {};
  port.OnError = [](rtl::TObject*, cport::TComErrors) {};
  port.Open();
  const TComEvents watched = port.WaitedEvents();
  EXPECT_TRUE(watched.Contains(cport::evCTS));
  EXPECT_TRUE(watched.Contains(cport::evError));
  EXPECT_FALSE(watched.Contains(cport::evDSR));
  port.Close();

  // A handler for an event the port's Events leave out adds nothing.
  port.SetEvents(TComEvents{cport::evRxChar});
  port.Open();
  EXPECT_EQ(port.WaitedEvents(), TComEvents{cport::evRxChar});
  port.Close();
  port.OnError = nullptr;
}

TEST_F(ComPortOnPty, SettingsApplyOnlyToAnOpenPortOutsideUpdates) {
  port.SetBaudRate(cport::br19200);  // closed: stored only
  port.Open();
  termios t{};
  tcgetattr(pty.master, &t);
  EXPECT_EQ(B19200, cfgetospeed(&t));

  port.BeginUpdate();
  port.SetBaudRate(cport::brCustom);
  port.SetCustomBaudRate(31250);
  port.FlowControl()->SetFlowControl(cport::fcSoftware);
  tcgetattr(pty.master, &t);
  EXPECT_EQ(B19200, cfgetospeed(&t));
  EXPECT_EQ(0u, t.c_iflag & IXON);
  port.EndUpdate();
  port.EndUpdate();  // unmatched: nothing
  tcgetattr(pty.master, &t);
  EXPECT_EQ(IXON | IXOFF, t.c_iflag & (IXON | IXOFF));
  std::uint32_t in = 0, out = 0;
  comm::GetSpeed(pty.master, in, out);
  EXPECT_EQ(31250u, out);

  // What termios cannot carry is refused with the state error and the system's code.
  try {
    port.SetDiscardNull(true);
    ADD_FAILURE() << "DiscardNull accepted";
  } catch (const cport::EComPort& e) {
    EXPECT_EQ(7, e.Code);
    EXPECT_EQ(EINVAL, e.WinCode);
    EXPECT_EQ("SetCommState function failed (win error code: " + std::to_string(EINVAL) + ")", e.Message());
  }
  EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortOnPty, RefusedSettingsUndoTheOpen) {
  port.FlowControl()->SetOutDSRFlow(true);
  EXPECT_THROW(port.Open(), cport::EComPort);
  EXPECT_FALSE(port.Connected());
  comm::TSerialDevice other;  // the descriptor was closed
  EXPECT_EQ(0, other.Open(pty.path));
}

TEST_F(ComPortOnPty, NewPortNameReopensAnOpenPort) {
  PtyPair second;
  std::vector<std::string> log;
  port.OnAfterOpen = [&](rtl::TObject*) { log.push_back("open " + port.Port()); };
  port.OnAfterClose = [&](rtl::TObject*) { log.push_back("close"); };
  port.Open();
  port.SetPort(pty.path);  // same name: nothing
  port.SetPort(second.path);
  EXPECT_EQ((std::vector<std::string>{"open " + pty.path, "close", "open " + second.path}), log);
  const unsigned char b = 0x42;
  port.Write(&b, 1);
  EXPECT_EQ(std::vector<unsigned char>{0x42}, second.Receive());
}

TEST_F(ComPortOnPty, HangUpSetsTheFailureFlagAndTheThreadStops) {
  port.Open();
  pty.CloseMaster();
  ::close(pty.slave);
  pty.slave = -1;
  ASSERT_TRUE(PumpUntil([&] { return port.PortFailed(); }));
  EXPECT_NE(std::string::npos, port.PortFailedText().find(pty.path));
}

// The nice values of this process's threads, from the system's task list.
std::vector<int> ThreadNices() {
  std::vector<int> nices;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream in(task.path() / "stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t end = stat.rfind(')');
    if (end == std::string::npos) continue;
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    // After the name: state is field 3, nice field 19.
    for (int i = 3; i <= 19 && fields >> field; ++i)
      if (i == 19) nices.push_back(std::stoi(field));
  }
  return nices;
}

TEST_F(ComPortOnPty, TheEventThreadRunsAtThePortsPriority) {
  EXPECT_EQ(rtl::tpNormal, port.EventThreadPriority());
  auto lowest = [] {
    const std::vector<int> n = ThreadNices();
    return std::count(n.begin(), n.end(), rtl::ThreadPriorityNice(rtl::tpLowest));
  };
  const auto before = lowest();
  port.SetEventThreadPriority(rtl::tpLowest);
  port.Open();
  ASSERT_TRUE(port.Connected());
  // The thread takes it as it starts, before it waits for the first event.
  EXPECT_TRUE(PumpUntil([&] { return lowest() == before + 1; }));
  port.Close();
  EXPECT_EQ(before, lowest());
}

TEST_F(ComPortOnPty, IdleOpenPortCostsNoCpu) {
  port.Open();
  timespec a{}, b{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
  std::this_thread::sleep_for(2s);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
  const double cpuMs = (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
  EXPECT_LT(cpuMs, 20.0);
}

// ---------------------------------------------------------------------------------------

TEST(ComPortOpenFailure, MissingPortSetsTheFlagAndTouchesNothingLater) {
  TComPort port(nullptr);
  port.SetPort("/nonexistent-gascal/ttyQ7");
  int opened = 0, closed = 0;
  port.OnAfterOpen = [&](rtl::TObject*) { ++opened; };
  port.OnAfterClose = [&](rtl::TObject*) { ++closed; };
  EXPECT_NO_THROW(port.Open());
  EXPECT_TRUE(port.Connected());
  EXPECT_TRUE(port.PortFailed());
  EXPECT_EQ(1, opened);
  EXPECT_NE(std::string::npos, port.PortFailedText().find("/nonexistent-gascal/ttyQ7"));
  EXPECT_NE(std::string::npos, port.PortFailedText().find("Unable to open com port"));

  // A descriptor opened now may well get the number the failed open would have had.
  PtyPair bystander;
  const unsigned char b[3] = {1, 2, 3};
  unsigned char in[3];
  EXPECT_EQ(0, port.Write(b, 3));  // flag set: nothing
  port.ClearPortFailed();
  EXPECT_EQ(0, port.Write(b, 3));  // flag clear: still nothing reaches any descriptor
  EXPECT_EQ(0, port.Read(in, 3));
  port.ClearBuffer(true, true);
  EXPECT_TRUE(port.PortFailed());
  EXPECT_TRUE(bystander.Receive(50).empty());

  port.ClearPortFailed();
  port.Close();
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(1, closed);
  EXPECT_FALSE(port.PortFailed());
}

TEST(ComPortOpenFailure, PortWithoutPermissionSetsTheFlag) {
  PtyPair pty;
  const auto refused = [&pty] {
    TComPort port(nullptr);
    port.SetPort(pty.path);
    port.Open();
    return port.Connected() && port.PortFailed() && port.PortFailedError() == EACCES &&
           port.PortFailedText().find(pty.path) != std::string::npos &&
           port.PortFailedText().find("(win error code: " + std::to_string(EACCES) + ")") != std::string::npos;
  };
  if (::geteuid() != 0) {
    ASSERT_EQ(0, ::chmod(pty.path.c_str(), 0));
    EXPECT_TRUE(refused());
    return;
  }
  // Root may open anything: the attempt runs in a child that has given up root.
  ASSERT_EQ(0, ::chmod(pty.path.c_str(), 0600));
  ASSERT_EQ(0, ::chown(pty.path.c_str(), 0, 0));
  EXPECT_EXIT(
      {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(refused() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace

}  // namespace comport_test
