// The link against the ECU simulator on a pseudo-terminal. Timing is asserted on the test
// clock, which stands still while the test waits for the simulator's replies.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "ecu/Session.h"
#include "tests/WaitFor.h"
#include "tests/ecu/LinkFixture.h"

namespace linktest {
namespace {

using app::TControl;

// MAP points as the link decodes them from the simulator's bytes.
std::vector<std::int32_t> MapPoints(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::int32_t> points;
  for (std::size_t k = 0; k < bytes.size() && k < 32; ++k)
    points.push_back((k == 0 ? bytes[k] & 0x3F : bytes[k]) * 128 / 10);
  return points;
}
std::vector<std::int32_t> Head(const std::array<std::int32_t, ecu::MapPointCapacity>& a) {
  return std::vector<std::int32_t>(a.begin(), a.end());
}

TEST_F(SimLinkTest, ConnectScriptWalksItsCellsThenPollsEachRequestAReplyDelayLater) {
  OpenPort();
  ASSERT_EQ(ecu::Session().Link.PortOpen, 1);
  EXPECT_EQ(ecu::Session().Link.TxFrame[1], '!');
  EXPECT_FALSE(Advance(59));
  ASSERT_TRUE(Advance(1));
  ASSERT_EQ(wire.Events.size(), 2u);
  EXPECT_EQ(wire.Events[0].Time, 60);
  EXPECT_EQ(Hex(wire.Events[0].Frame), "19 21 21 21 7C");
  EXPECT_EQ(wire.Events[1].Kind, 'A');
  EXPECT_EQ(Hex(wire.Events[1].Frame), "19 21 2A 64");
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);

  ASSERT_TRUE(RunUntil("#'(#'("));
  EXPECT_EQ(wire.Commands(), "!0,$'(%/77#'(#'(");
  EXPECT_TRUE(wire.Of('R').empty());
  // Every request goes out the reply delay after the last byte of the reply before it: the
  // quiet time that reply was checked after runs inside the delay. The send timer counts
  // whole milliseconds from the check, so the quiet time (three byte times) is rounded up to
  // whole milliseconds and the request goes neither sooner nor later.
  const auto writes = wire.Of('W');
  const auto accepts = wire.Of('A');
  const double quiet = form->ReplyQuietMs();
  EXPECT_EQ(quiet, 4);
  for (std::size_t i = 1; i < writes.size(); ++i) {
    const double lastByte = accepts[i - 1].Time - quiet;
    EXPECT_EQ(writes[i].Time - lastByte, 60) << i;
  }

  EXPECT_EQ(ecu::Session().ConfigData.Configuration->ECU_Name, "GASCAL ECU SIM");
  EXPECT_EQ(ecu::Session().Link.LiveDataLength, 37);
  EXPECT_EQ(Head(ecu::Session().ConfigData.MapPointsGas), MapPoints(sim->State().MapGas));
  EXPECT_EQ(Head(ecu::Session().ConfigData.MapPointsPetrol), MapPoints(sim->State().MapPetrol));
  EXPECT_EQ(recorder->MapRPMImage(), sim->State().MapImage);
  EXPECT_FALSE(recorder->Control(TControl::Port_Search).Visible);
  EXPECT_TRUE(recorder->Control(TControl::ACB_Start).Enabled);
}

TEST_F(SimLinkTest, BadRepliesAreIgnoredAndTheSameFrameGoesAgainAfter550ms) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  const std::vector<ecusim::Fault> faults = {
      {ecusim::FaultKind::Drop, 0, 0, 0},         {ecusim::FaultKind::Truncate, 0, 1, 0},
      {ecusim::FaultKind::Extend, 0, 0, 0},       {ecusim::FaultKind::WrongAddress, 0, 0, 0},
      {ecusim::FaultKind::Garble, 0, 0, 0},
  };
  for (const auto& fault : faults) {
    SCOPED_TRACE(static_cast<int>(fault.Kind));
    sim->AddFault(fault);
    const std::size_t before = wire.Events.size();
    const std::size_t accepted = wire.Of('A').size();
    clock.Advance(60);
    ASSERT_EQ(wire.Events.size(), before + 1);
    const WireEvent request = wire.Events.back();
    // Whatever came back is refused; a dropped reply leaves nothing to refuse. A short one
    // waits for its missing byte for the port's read interval after its last byte.
    if (fault.Kind == ecusim::FaultKind::Truncate) {
      ASSERT_TRUE(Pump([&] { return form->ReplyBytesRead() == ecu::Session().Link.RxExpectedLength - 1; }));
      clock.Advance(499);
      EXPECT_EQ(wire.Events.size(), before + 1);
      clock.Advance(1);
      ASSERT_EQ(wire.Events.size(), before + 2);
      EXPECT_EQ(wire.Events.back().Kind, 'R');
      EXPECT_EQ(static_cast<int>(wire.Events.back().Frame.size()), ecu::Session().Link.RxExpectedLength - 1);
    }
    // A refused reply is waited for (a guard of a minute); a dropped one leaves nothing to come.
    Pump([&] { return wire.Events.size() > before + 1; }, fault.Kind == ecusim::FaultKind::Drop ? 200 : 60000);
    Pump([] { return false; }, 30);
    EXPECT_EQ(wire.Of('A').size(), accepted);
    const std::size_t writes = wire.Of('W').size();
    clock.Advance(request.Time + 549 - clock.Now());  // a full-length reply's quiet time has passed
    EXPECT_EQ(wire.Of('W').size(), writes);
    ASSERT_TRUE(Advance(1));
    const WireEvent resend = wire.Of('W').back();
    EXPECT_EQ(resend.Frame, request.Frame);
    EXPECT_EQ(resend.Time - request.Time, 550);
    EXPECT_EQ(wire.Of('A').size(), accepted + 1);
    // The dialogue carries on where it was.
    ASSERT_TRUE(Advance(60));
    EXPECT_NE(wire.Of('W').back().Frame[1], request.Frame[1]);
  }
}

// The reply to the request just written reaches the port just before the 550 ms resend is
// due, and is read only then: its quiet time runs over the resend's tick. The tick waits
// for the check, as it waited while the check blocked the GUI thread: a taken reply voids
// it, a refused one is followed by the resend.
TEST_F(SimLinkTest, ResendDueWhileTheLineFallsQuietWaitsForTheReplyCheck) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  for (const bool good : {true, false}) {
    SCOPED_TRACE(good ? "good reply" : "refused reply");
    if (!good) sim->AddFault({ecusim::FaultKind::WrongAddress, 0, 0, 0});
    const std::size_t writes = wire.Of('W').size();
    clock.Advance(60);
    ASSERT_EQ(wire.Of('W').size(), writes + 1);
    const WireEvent request = wire.Of('W').back();
    // Nothing but the resend is due before 550 ms; the reply waits unread meanwhile.
    recorder->Timer_GEN_Connect_Stabil().SetEnabled(false);
    ASSERT_TRUE(testwait::WaitFor([&] { return form->ComPort->InputCount() == ecu::Session().Link.RxExpectedLength; }));
    const std::size_t events = wire.Events.size();
    clock.Advance(request.Time + 548 - clock.Now());
    // The port's event for the reply may still be on its way (its thread may first have
    // had the transmitter's event handled): the clock stands still until it comes.
    ASSERT_TRUE(testwait::WaitFor([&] {
      rtl::Application->ProcessMessages();
      return form->ReplyQuietRunning();
    }));
    clock.Advance(2);
    EXPECT_EQ(wire.Events.size(), events);  // the resend waits
    ASSERT_TRUE(Pump([&] { return wire.Events.size() > events; }));
    if (good) {
      EXPECT_EQ(wire.Events.back().Kind, 'A');
      EXPECT_EQ(wire.Events.size(), events + 1);
      ASSERT_TRUE(Advance(60));
      EXPECT_NE(wire.Of('W').back().Frame, request.Frame);
    } else {
      ASSERT_EQ(wire.Events.size(), events + 2);
      EXPECT_EQ(wire.Events[events].Kind, 'R');
      EXPECT_EQ(wire.Events[events + 1].Kind, 'W');
      EXPECT_EQ(wire.Events[events + 1].Frame, request.Frame);
      EXPECT_TRUE(Pump([&] { return !wire.Of('A').empty() && wire.Events.back().Kind == 'A'; }));
    }
  }
  EXPECT_EQ(wire.Of('R').size(), 1u);
}

TEST_F(SimLinkTest, LateCopyOfAReplyIsNotTakenForTheNextOne) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  // The copy follows a good while later in real time, so that the reply is checked before
  // any of it comes even on a loaded machine; the test clock stands still meanwhile, so on
  // the link's clock the copy still comes inside the reply delay.
  sim->AddFault({ecusim::FaultKind::Duplicate, 0, 800, '\''});
  ASSERT_TRUE(Advance(60));
  ASSERT_EQ(wire.Commands().back(), '\'');
  ASSERT_EQ(wire.Events.back().Kind, 'A');
  ASSERT_TRUE(Pump([&] { return !wire.Of('R').empty(); }));  // the copy, inside the reply delay
  ASSERT_TRUE(Advance(60));
  EXPECT_EQ(wire.Commands().back(), '(');
  EXPECT_EQ(Head(ecu::Session().ConfigData.MapPointsPetrol), MapPoints(sim->State().MapPetrol));
  EXPECT_EQ(Head(ecu::Session().ConfigData.MapPointsGas), MapPoints(sim->State().MapGas));
}

TEST_F(SimLinkTest, FiveSecondsWithoutAGoodReplyRestartAtTheHandshake) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#'"));
  const double lastGood = wire.Of('A').back().Time;
  sim->SetSilent(true);
  clock.Advance(60);  // the request that gets no answer
  clock.Advance(4939);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
  EXPECT_EQ(recorder->Control(TControl::Port_Connect_Stabil).Text, "0%");
  double zeroAt = -1;
  for (const auto& r : recorder->Find("text Port_Connect_Stabil 0%"))
    if (zeroAt < 0 && r.Time > lastGood) zeroAt = r.Time;
  EXPECT_EQ(zeroAt, lastGood + 4730);
  ecu::Session().Link.TaskRequest = 17;
  clock.Advance(1);
  EXPECT_EQ(clock.Now(), lastGood + 5000);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(ecu::Session().Link.TxFrame[1], '!');
  EXPECT_TRUE(recorder->Control(TControl::Port_Search).Visible);
  EXPECT_FALSE(recorder->Control(TControl::ACB_Start).Enabled);

  SimHasRead();
  sim->SetSilent(false);
  ASSERT_TRUE(Advance(60));
  EXPECT_EQ(wire.Of('W').back().Frame[1], '!');
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
  ASSERT_TRUE(RunUntil("#"));
}

TEST_F(SimLinkTest, WriteTaskRunsAtTheEndCellAndAnotherWaitsForTheNext) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  ecu::Session().Link.TaskRequest = 24;
  ASSERT_TRUE(RunUntil("."));
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 1);
  EXPECT_TRUE(recorder->WaitWindowShown);
  ecu::Session().Link.TaskRequest = 24;
  ASSERT_TRUE(RunUntil(".1616#'(."));
  ASSERT_TRUE(RunUntil("1616#"));
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 0);
  EXPECT_FALSE(recorder->WaitWindowShown);
  EXPECT_EQ(sim->State().MapImage, recorder->MapRPMImage());
  EXPECT_TRUE(wire.Of('R').empty());
}

TEST_F(SimLinkTest, WriteTaskCutOffByTheTimeOutEndsAndTasksRunAgain) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  ecu::Session().Link.TaskRequest = 24;
  ASSERT_TRUE(RunUntil(".1"));
  sim->SetSilent(true);
  clock.Advance(5000);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 0);
  EXPECT_FALSE(recorder->WaitWindowShown);
  SimHasRead();
  sim->SetSilent(false);
  ASSERT_TRUE(Advance(60));  // the fresh handshake
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
  ASSERT_TRUE(RunUntil("#"));
  ecu::Session().Link.TaskRequest = 24;
  ASSERT_TRUE(RunUntil(".1616#"));
}

class ThrowingRecorder : public linkrec::Recorder {
public:
  bool Armed = true;
  void StatusReceiveOn() override {
    if (Armed) {
      Armed = false;
      throw rtl::EConvertError("bad firmware text");
    }
    Recorder::StatusReceiveOn();
  }
};

TEST_F(SimLinkTest, FailureOnTheReceivePathIsReportedAndTheLinkRecovers) {
  auto throwing = std::make_unique<ThrowingRecorder>();
  throwing->PortName = path;
  recorder = std::move(throwing);
  std::vector<std::string> reported;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& e) { reported.push_back(e.what()); };
  OpenPort();
  ASSERT_TRUE(Advance(60));  // handshake
  clock.Advance(60);  // identification: its decoding fails further on
  ASSERT_TRUE(Pump([&] { return !reported.empty(); }));
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], "bad firmware text");
  const WireEvent request = wire.Of('W').back();
  EXPECT_EQ(request.Frame[1], '0');
  ASSERT_TRUE(Advance(550));
  EXPECT_EQ(wire.Of('W').back().Frame, request.Frame);
  ASSERT_TRUE(RunUntil(",$"));
  ASSERT_TRUE(RunUntil("#"));
}

}  // namespace
}  // namespace linktest

namespace linktest {
namespace {

TEST_F(SimLinkTest, PortThatVanishesIsReopenedWhenItComesBack) {
  // The simulator again, behind a link that follows it across a restart.
  sim->Stop();
  ecusim::SimulatorOptions options;
  // A name of its own per process: another run of this test may be on the machine at once.
  options.LinkPath = ::testing::TempDir() + "gascal-link-ecu-" + std::to_string(::getpid());
  sim = std::make_unique<ecusim::Simulator>(ecusim::DefaultState(), options);
  sim->Start();
  path = options.LinkPath;
  setenv(comm::kExtraPortsVariable, path.c_str(), 1);
  recorder->PortName = path;
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  sim->Stop();
  // Resends fail on the hung-up port; the port is closed and the link goes down.
  for (int i = 0; i < 20 && ecu::Session().Link.PortOpen; ++i) {
    clock.Advance(100);
    Pump([] { return ecu::Session().Link.PortOpen == 0; }, 200);
  }
  EXPECT_EQ(ecu::Session().Link.PortOpen, 0);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  EXPECT_EQ(recorder->Control(app::TControl::Port_Connect_Stabil).Text, "0%");
  sim->Start();
  // The handshake step opens the port afresh and the dialogue starts again.
  // Advance waits in real time for the reply to any request it writes, so a loaded machine
  // cannot make the test clock outrun the simulator.
  for (int i = 0; i < 40 && !ecu::Session().Link.LinkUp; ++i) {
    Advance(100);
    Pump([] { return ecu::Session().Link.LinkUp == 1; }, 100);
  }
  EXPECT_EQ(ecu::Session().Link.PortOpen, 1);
  ASSERT_EQ(ecu::Session().Link.LinkUp, 1);
  ASSERT_TRUE(RunUntil("#'("));
  sim->Stop();
  unlink(path.c_str());
}

}  // namespace
}  // namespace linktest
