// Receiving a reply: the handler takes the bytes that are there and returns; the reply is
// judged whole, too long or short as one read with the port's time-outs would judge it.
// The test plays the ECU on a pseudo-terminal and decides when each byte arrives; link
// timing runs on the test clock.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include "ecu/Session.h"
#include "tests/WaitFor.h"
#include "tests/ecu/LinkFixture.h"

namespace linktest {
namespace {

// The handshake's reply from the ECU at address 25.
const Bytes Reply = {0x19, 0x21, 0x2A, 0x64};

class ReceiveTest : public LinkTest {
protected:
  void SetUp() override {
    LinkTest::SetUp();
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    // The configured port, listed: a handshake resent more than once keeps to it.
    setenv(comm::kExtraPortsVariable, name, 1);
    recorder->PortName = name;
    recorder->SearchPort = false;
    Watch(&wire);
    form->ComPort->SetPort(name);
    form->ComPort->Open();
    ASSERT_EQ(ecu::Session().Link.PortOpen, 1);
    clock.Advance(60);  // the handshake goes out
    ASSERT_EQ(wire.Commands(), "!");
  }
  void TearDown() override {
    Watch(nullptr);
    delete form;
    form = nullptr;
    close(master);
    close(slave);
    unsetenv(comm::kExtraPortsVariable);
    LinkTest::TearDown();
  }
  // The ECU puts Part on the line; true once the port's queue holds Queued bytes.
  bool Send(const Bytes& Part, int Queued) {
    if (write(master, Part.data(), Part.size()) != static_cast<ssize_t>(Part.size())) return false;
    return testwait::WaitFor([&] { return form->ComPort->InputCount() == Queued; });
  }
  // The resend, 550 ms after the last write.
  bool Resend() {
    const WireEvent last = wire.Of('W').back();
    clock.Advance(last.Time + 550 - clock.Now());
    const WireEvent resent = wire.Of('W').back();
    return resent.Time == last.Time + 550 && resent.Frame == last.Frame;
  }
  // Handles the port's events until Done holds.
  static bool Handle(const std::function<bool()>& Done) {
    return testwait::WaitFor([&] {
      rtl::Application->ProcessMessages();
      return Done();
    });
  }

  int master = -1, slave = -1;
  WireLog wire;
};

TEST_F(ReceiveTest, ReplyInPiecesIsTakenOnceWholeAndTheHandlerNeverWaitsForTheRest) {
  // Half the reply is queued; the rest can only come after the handler has returned.
  ASSERT_TRUE(Send({Reply[0], Reply[1]}, 2));
  form->ComPortRxChar(form->ComPort, 2);
  EXPECT_EQ(form->ReplyBytesRead(), 2);
  EXPECT_EQ(form->ComPort->InputCount(), 0);
  EXPECT_EQ(wire.Events.size(), 1u);  // nothing judged
  clock.Advance(200);
  ASSERT_TRUE(Send({Reply[2]}, 1));
  ASSERT_TRUE(Handle([&] { return form->ReplyBytesRead() == 3; }));
  clock.Advance(200);
  ASSERT_TRUE(Send({Reply[3]}, 1));
  ASSERT_TRUE(Handle([&] { return form->ReplyQuietRunning(); }));
  clock.Advance(form->ReplyQuietMs());
  ASSERT_EQ(wire.Events.size(), 2u);
  EXPECT_EQ(wire.Events[1].Kind, 'A');
  EXPECT_EQ(wire.Events[1].Frame, Reply);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
  // The next request goes the reply delay after the reply's last byte.
  clock.Advance(60);
  ASSERT_EQ(wire.Of('W').size(), 2u);
  EXPECT_GE(wire.Of('W')[1].Time, 460 + 60);
  EXPECT_LT(wire.Of('W')[1].Time, 460 + 61);
  EXPECT_EQ(wire.Of('A').size(), 1u);
  EXPECT_TRUE(wire.Of('R').empty());
}

TEST_F(ReceiveTest, ShortReplyIsRefusedAfterTheReadIntervalAndTheRequestGoesAgainAt550ms) {
  ASSERT_TRUE(Send({Reply[0], Reply[1], Reply[2]}, 3));
  ASSERT_TRUE(Handle([&] { return form->ReplyBytesRead() == 3; }));
  clock.Advance(499);
  EXPECT_EQ(wire.Events.size(), 1u);
  clock.Advance(1);
  ASSERT_EQ(wire.Events.size(), 2u);
  EXPECT_EQ(wire.Events[1].Kind, 'R');
  EXPECT_EQ(wire.Events[1].Frame, Bytes(Reply.begin(), Reply.begin() + 3));
  EXPECT_EQ(form->ReplyBytesRead(), 0);
  EXPECT_TRUE(Resend());
  EXPECT_EQ(wire.Events.size(), 3u);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
}

TEST_F(ReceiveTest, TooLongReplyIsRefusedAndItsBytesPurged) {
  // Queued at once with the expected bytes, or coming within the quiet time after them.
  for (const bool atOnce : {true, false}) {
    SCOPED_TRACE(atOnce ? "at once" : "within the quiet time");
    const std::size_t refused = wire.Of('R').size();
    if (atOnce) {
      Bytes longer = Reply;
      longer.push_back(0);
      ASSERT_TRUE(Send(longer, 5));
    } else {
      ASSERT_TRUE(Send(Reply, 4));
      ASSERT_TRUE(Handle([&] { return form->ReplyQuietRunning(); }));
      ASSERT_TRUE(Send({0}, 1));
    }
    ASSERT_TRUE(Handle([&] { return wire.Of('R').size() > refused; }));
    EXPECT_EQ(wire.Of('R').back().Frame.size(), 5u);
    EXPECT_EQ(form->ComPort->InputCount(), 0);
    EXPECT_EQ(form->ReplyBytesRead(), 0);
    EXPECT_FALSE(form->ReplyQuietRunning());
    ASSERT_TRUE(Resend());
  }
  EXPECT_TRUE(wire.Of('A').empty());
  // The resent request gets its reply.
  ASSERT_TRUE(Send(Reply, 4));
  ASSERT_TRUE(Handle([&] { return form->ReplyQuietRunning(); }));
  clock.Advance(form->ReplyQuietMs());
  EXPECT_EQ(wire.Of('A').size(), 1u);
}

// The reply delay counts from the reply's last byte as the port saw it come, not from when the
// GUI thread got to it: a thread busy (drawing) when the reply came does not delay the next
// request. On the real clock, as the program runs; the GUI thread is kept busy for longer than
// the delay, so that the request is due by the time the reply is handled.
TEST_F(ReceiveTest, TheNextRequestGoesTheReplyDelayAfterTheReplyCameThoughTheGuiThreadWasBusy) {
  rtl::Application->SetClock(nullptr);
  const double before = rtl::GetTickCount();  // the port sees the reply after this
  ASSERT_TRUE(Send(Reply, 4));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the loop serves nothing meanwhile
  ASSERT_TRUE(Handle([&] { return wire.Of('W').size() >= 2; }));
  ASSERT_EQ(wire.Of('A').size(), 1u);
  const double written = wire.Of('W')[1].Time, handled = wire.Of('A')[0].Time;
  EXPECT_GE(written - before, 58) << "the request went before the delay had passed";
  // Counted from the handling, the request could not go before the delay after it.
  EXPECT_LT(written - handled, 60) << "the delay ran from when the GUI thread read the reply";
}

// Replies that all come a byte short: each is refused, the request goes again every 550 ms,
// and 5 s after the last good reply the dialogue restarts at the handshake.
TEST_F(SimLinkTest, ShortRepliesOnlyRestartTheDialogueFiveSecondsAfterTheLastGoodOne) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#'"));
  const double lastGood = wire.Of('A').back().Time;
  const std::size_t firstShort = wire.Of('W').size();
  sim->AddFault({ecusim::FaultKind::Truncate, 1, 1, 0});
  // The clock moves on only once each short reply is in.
  while (clock.Now() + 1 < lastGood + 5000) {
    const std::size_t writes = wire.Of('W').size();
    clock.Advance(1);
    if (wire.Of('W').size() > writes) {
      ASSERT_TRUE(Pump([&] { return form->ReplyBytesRead() == ecu::Session().Link.RxExpectedLength - 1; }));
    }
  }
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
  clock.Advance(lastGood + 5000 - clock.Now());
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  EXPECT_EQ(ecu::Session().Link.TxFrame[1], '!');
  const auto writes = wire.Of('W');
  ASSERT_EQ(writes.size(), firstShort + 9);
  for (std::size_t i = firstShort + 1; i < writes.size(); ++i) {
    EXPECT_EQ(writes[i].Time - writes[i - 1].Time, 550);
    EXPECT_EQ(writes[i].Frame, writes[i - 1].Frame);
  }
  EXPECT_EQ(wire.Of('R').size(), 9u);
  EXPECT_EQ(wire.Of('A').back().Time, lastGood);
  // With whole replies again, the handshake finds the ECU.
  sim->ClearFaults();
  ASSERT_TRUE(Advance(60));
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
}

}  // namespace
}  // namespace linktest
