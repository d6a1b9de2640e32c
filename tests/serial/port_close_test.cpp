#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "serial/CPort.h"
#include "tests/comm/PtyPair.h"
#include "tests/serial/WatchedWaiter.h"

namespace port_close_test {

namespace {

using namespace std::chrono_literals;
using cport::TComPort;
using rtl::Application;

class PortClose : public ::testing::Test {
protected:
  void SetUp() override {
    Application->Reset();
    ASSERT_FALSE(pty.path.empty());
  }
  void TearDown() override {
    Application->SetWaiter(nullptr);
    Application->OnException = nullptr;
  }
  PtyPair pty;
};

TEST_F(PortClose, FailingCloseHandlersDuringOwnerDestructionAreReportedAndThePortGoes) {
  std::vector<std::string> reported;
  Application->OnException = [&](rtl::TObject*, const std::exception& E) { reported.push_back(E.what()); };
  auto* owner = new rtl::TComponent(nullptr);
  auto* port = new TComPort(owner);
  port->SetPort(pty.path);
  port->Open();
  ASSERT_TRUE(port->Connected());
  int afterClose = 0;
  port->OnBeforeClose = [](rtl::TObject*) { throw rtl::EInvalidOperation("before close failed"); };
  port->OnAfterClose = [&](rtl::TObject*) {
    ++afterClose;
    throw rtl::EInvalidOperation("after close failed");
  };
  owner->Free();
  EXPECT_EQ(1, afterClose);  // the close went on past the failing OnBeforeClose
  std::sort(reported.begin(), reported.end());
  EXPECT_EQ((std::vector<std::string>{"after close failed", "before close failed"}), reported);
  // The device was closed: another opener gets it.
  comm::TSerialDevice other;
  EXPECT_EQ(0, other.Open(pty.path));
  other.Close();
}

TEST_F(PortClose, PlainCloseClosesAndThenRaisesTheHandlersFailure) {
  TComPort port(nullptr);
  port.SetPort(pty.path);
  port.Open();
  port.OnBeforeClose = [](rtl::TObject*) { throw rtl::EInvalidOperation("refused"); };
  EXPECT_THROW(port.Close(), rtl::EInvalidOperation);
  EXPECT_FALSE(port.Connected());
  port.OnBeforeClose = nullptr;
}

TEST_F(PortClose, WindowSyncEventOfTheClosingOpeningIsNotDeliveredInsideClose) {
  TComPort port(nullptr);
  port.SetPort(pty.path);
  port.SetSyncMethod(cport::smWindowSync);
  int inside = 0;
  bool closing = false;
  port.OnRxChar = [&](rtl::TObject*, int) { inside += closing; };
  port.Open();
  TWatchedWaiter waiter;
  pty.Send({1, 2, 3});
  // The event thread has sent its message and waits for the GUI thread; closing now makes
  // the close's wait for that thread serve the message.
  ASSERT_TRUE(waiter.WaitForWake(60s));
  closing = true;
  port.Close();
  EXPECT_EQ(0, inside);
  EXPECT_FALSE(port.Connected());
  port.OnRxChar = nullptr;
}

}  // namespace

}  // namespace port_close_test
