// The port's event thread against a line that has modem lines and error counters. A
// pseudo-terminal has neither, so this program answers the two driver queries for the test's
// terminal itself (the port's code and its device layer run unchanged): every other ioctl,
// and these for any other descriptor, go to the C library. The messages the thread sends to
// the port's window are seen on their way (the program is linked with the message call
// wrapped, tests/serial/CMakeLists.txt), so that their codes are checked as sent.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/loop/Application.h"
#include "serial/CPort.h"
#include "tests/WaitFor.h"
#include "tests/comm/PtyPair.h"
#include "tests/serial/WatchedWaiter.h"

namespace port_events_test {

namespace {

// The line state the driver reports for one terminal while armed.
struct TFakeLine {
  std::atomic<bool> Armed{false};
  std::atomic<dev_t> Device{0};
  std::atomic<int> ModemBits{0};     // TIOCM_ bits
  std::atomic<int> FrameErrors{0};   // the driver's frame-error counter
  std::atomic<int> CounterReads{0};  // how often the counters were asked for

  bool Covers(int Fd) const {
    struct stat st {};
    return Armed && ::fstat(Fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == Device;
  }
};

TFakeLine& Line() {
  static TFakeLine line;
  return line;
}

// The codes (wParam) of the port-event messages sent while armed, in the order sent.
struct TSentEvents {
  static constexpr rtl::UINT PortEventMessage = rtl::WM_USER + 1;
  std::atomic<bool> Armed{false};
  std::mutex Lock;
  std::vector<rtl::WPARAM> Codes;

  void Note(rtl::UINT Msg, rtl::WPARAM Code) {
    if (!Armed || Msg != PortEventMessage) return;
    std::lock_guard lock(Lock);
    Codes.push_back(Code);
  }
  std::vector<rtl::WPARAM> Take() {
    std::lock_guard lock(Lock);
    return std::exchange(Codes, {});
  }
};

TSentEvents& Sent() {
  static TSentEvents sent;
  return sent;
}

}  // namespace

// rtl::SendMessage(HWND, UINT, WPARAM, LPARAM), wrapped by the linker for this program.
extern "C" rtl::LRESULT __real__ZN3rtl11SendMessageEmjml(rtl::HWND Wnd, rtl::UINT Msg, rtl::WPARAM wParam,
                                                         rtl::LPARAM lParam);
extern "C" rtl::LRESULT __wrap__ZN3rtl11SendMessageEmjml(rtl::HWND Wnd, rtl::UINT Msg, rtl::WPARAM wParam,
                                                         rtl::LPARAM lParam) {
  Sent().Note(Msg, wParam);
  return __real__ZN3rtl11SendMessageEmjml(Wnd, Msg, wParam, lParam);
}

// Replaces the C library's ioctl for this program (the executable's definition comes first).
extern "C" int ioctl(int Fd, unsigned long Request, ...) noexcept {
  va_list args;
  va_start(args, Request);
  void* arg = va_arg(args, void*);
  va_end(args);
  if ((Request == TIOCMGET || Request == TIOCGICOUNT) && Line().Covers(Fd)) {
    if (Request == TIOCMGET) {
      *static_cast<int*>(arg) = Line().ModemBits;
    } else {
      *static_cast<serial_icounter_struct*>(arg) = serial_icounter_struct{};
      static_cast<serial_icounter_struct*>(arg)->frame = Line().FrameErrors;
      ++Line().CounterReads;
    }
    return 0;
  }
  using TIoctl = int (*)(int, unsigned long, ...);
  static const auto next = reinterpret_cast<TIoctl>(::dlsym(RTLD_NEXT, "ioctl"));
  return next(Fd, Request, arg);
}

namespace {

using namespace std::chrono_literals;
using rtl::Application;

bool PumpUntil(const std::function<bool()>& Done) {
  return testwait::WaitFor(
      [&] {
        Application->ProcessMessages();
        return Done();
      },
      60s);
}

class PortEvents : public ::testing::Test {
protected:
  void SetUp() override {
    Application->Reset();
    ASSERT_FALSE(pty.path.empty());
    struct stat st {};
    ASSERT_EQ(0, ::stat(pty.path.c_str(), &st));
    Line().Device = st.st_rdev;
    Line().ModemBits = 0;
    Line().FrameErrors = 0;
    Line().Armed = true;
    port.SetPort(pty.path);
    // Every handler notes what it got; the watches are waited for only with a handler.
    port.OnError = [&](rtl::TObject*, cport::TComErrors E) {
      seen.push_back(E.Contains(cport::ceFrame) ? "error frame" : "error");
    };
    port.OnRxChar = [&](rtl::TObject*, int Count) {
      seen.push_back("rx " + std::to_string(Count));
      port.ClearBuffer(true, false);
    };
    port.OnRLSDChange = [&](rtl::TObject*, bool On) { seen.push_back(On ? "carrier on" : "carrier off"); };
    port.OnCTSChange = [&](rtl::TObject*, bool) { seen.push_back("cts"); };
    port.OnDSRChange = [&](rtl::TObject*, bool) { seen.push_back("dsr"); };
    port.OnRing = [&](rtl::TObject*) { seen.push_back("ring"); };
    port.OnBreak = [&](rtl::TObject*) { seen.push_back("break"); };
  }
  void TearDown() override {
    Sent().Armed = false;
    port.OnError = nullptr;
    port.OnRxChar = nullptr;
    port.OnRLSDChange = port.OnCTSChange = port.OnDSRChange = nullptr;
    port.OnRing = port.OnBreak = nullptr;
    port.Close();
    Line().Armed = false;
  }
  // Opens the port and forgets what opening it reported.
  void Open() {
    port.Open();
    ASSERT_TRUE(port.Connected());
    ASSERT_FALSE(port.PortFailed());
    seen.clear();
  }

  PtyPair pty;
  cport::TComPort port{nullptr};
  std::vector<std::string> seen;
};

TEST_F(PortEvents, EventsOfOneWaitReachTheHandlersErrorFirstAndCarrierDetectBySentMessage) {
  // Received characters and a frame error in one wait: the announced reply's last byte comes
  // after the error was counted, so the wait that gathers the reply sees both.
  {
    TWatchedWaiter waiter;
    port.SetRxTrigger(3);
    port.SetRxQuietTime(60000);
    Open();
    const int wakes = waiter.Wakes();
    pty.Send({0x19, 0x23});
    ASSERT_TRUE(testwait::WaitFor([&] { return port.InputCount() == 2; }, 60s));
    const int reads = Line().CounterReads;
    ++Line().FrameErrors;
    pty.Send({0x3C});
    ASSERT_TRUE(testwait::WaitFor([&] { return waiter.Wakes() > wakes && Line().CounterReads > reads; }, 60s));
    // The received characters' handler looks at the line's errors too (the queue's count comes
    // with them), so an error handled after it would be lost.
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty() && seen.back() == "rx 3"; }));
    EXPECT_EQ((std::vector<std::string>{"error frame", "rx 3"}), seen);
    EXPECT_EQ(1, waiter.Wakes() - wakes) << "one hand-over for the one wait";
    port.Close();
  }

  // Under window sync each event of a wait is a message of its own to the port's window, in
  // the same order, carrying the device's event code (line error 0x0080, carrier detect
  // 0x0020); the carrier-detect line's change arrives as its own event with the line's
  // state, and no other line's handler runs for it.
  port.SetRxTrigger(0);
  port.SetSyncMethod(cport::smWindowSync);
  Open();
  Sent().Take();
  Sent().Armed = true;
  ++Line().FrameErrors;
  Line().ModemBits = TIOCM_CAR;
  ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 2; }));
  EXPECT_EQ((std::vector<std::string>{"error frame", "carrier on"}), seen);
  EXPECT_EQ((std::vector<rtl::WPARAM>{0x0080, 0x0020}), Sent().Take());
  seen.clear();
  Line().ModemBits = 0;
  ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
  EXPECT_EQ(std::vector<std::string>{"carrier off"}, seen);
  EXPECT_EQ(std::vector<rtl::WPARAM>{0x0020}, Sent().Take());
}

}  // namespace

}  // namespace port_events_test
