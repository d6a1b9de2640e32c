// Requests the ECU must ignore, the faults it can be told to inject, and its end closing and
// coming back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "ToolPort.h"
#include "tools/ecusim/Simulator.h"

namespace ecusim_faults_test {

namespace {

using ecusim::Fault;
using ecusim::FaultKind;
using ecusim::Simulator;

const Bytes kHandshake{0x19, 0x21, 0x21, 0x21, 0x7C};
const Bytes kHandshakeReply{0x19, 0x21, 0x2A, 0x64};

class EcuFaults : public ::testing::Test {
protected:
  void SetUp() override {
    sim.Start();
    port = std::make_unique<ToolPort>(sim.SlavePath());
    ASSERT_TRUE(port->IsOpen());
  }
  Bytes Live(std::size_t readUpTo = 40) { return port->Ask(Req3('#'), readUpTo); }
  // Asks for live data and sees no reply come.
  bool NoLiveReply() {
    port->Send(Req3('#'));
    return port->Silent(250);
  }
  Simulator sim;
  std::unique_ptr<ToolPort> port;
};

TEST_F(EcuFaults, InvalidRequestsAreIgnoredAndTheNextGoodOneAnswered) {
  const Bytes bad[] = {
      {0x19, 0x21, 0x21, 0x21, 0x7D},                // checksum
      Req({0x21, 0x21, 0x21}, 26),                   // another ECU's address
      Req({0x35, 0x35, 0x35}),                       // no such command
      Req({0x32, 'Z', 0x05, 0x23}),                  // a long frame nobody announced
      {0x19, 0x21, 0x21},                            // stops half-way
      {0x00, 0xFF, 0x42},                            // line noise
  };
  for (const Bytes& request : bad) {
    port->Send(request);
    EXPECT_TRUE(port->Silent(150)) << ecusim::HexText(request);
  }
  EXPECT_EQ(port->Ask(kHandshake, 5), kHandshakeReply);
  EXPECT_EQ(sim.Stats().Replies, 1u);
  EXPECT_GE(sim.Stats().Ignored, 6u);

  // An announced long frame with a bad sum changes nothing.
  EXPECT_EQ(port->Ask(Req({0x31, 0x31, 6}), 3).size(), 3u);
  Bytes write = Req({0x32, 'Z', 0x01, 0x02});
  write.back() ^= 1;
  port->Send(write);
  EXPECT_TRUE(port->Silent(150));
  EXPECT_EQ(sim.State().Params['Z'], 1315);
}

TEST_F(EcuFaults, EachFaultChangesTheNextReplyOnly) {
  sim.Modify([](ecusim::EcuState& s) { s.Animate = false; });
  const Bytes good = Live();
  ASSERT_EQ(good.size(), 40u);

  sim.AddFault({FaultKind::Drop});
  EXPECT_TRUE(NoLiveReply());

  sim.AddFault({FaultKind::Garble});
  Bytes r = Live();
  ASSERT_EQ(r.size(), 40u);
  EXPECT_FALSE(SumHolds(r));

  sim.AddFault({FaultKind::Truncate, 0, 1});
  EXPECT_EQ(Live().size(), 39u);

  sim.AddFault({FaultKind::Extend});
  r = Live(41);
  ASSERT_EQ(r.size(), 41u);
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 40), good);

  sim.AddFault({FaultKind::WrongAddress});
  r = Live();
  ASSERT_EQ(r.size(), 40u);
  EXPECT_EQ(r[0], 26);
  EXPECT_TRUE(SumHolds(r));

  sim.AddFault({FaultKind::Duplicate, 0, 50});
  r = Live(80);
  ASSERT_EQ(r.size(), 80u);
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 40), good);
  EXPECT_EQ(Bytes(r.begin() + 40, r.end()), good);

  sim.AddFault({FaultKind::Delay, 0, 600});
  port->Send(Req3('#'));
  EXPECT_TRUE(port->Silent(300));  // nothing yet
  EXPECT_EQ(port->Read(40), good);
  EXPECT_GE(port->ReplyMs(), 600.0);

  EXPECT_EQ(Live(), good);
  EXPECT_EQ(sim.Stats().Faulted, 7u);
}

TEST_F(EcuFaults, EveryNthReplyAndOnlyRepliesToOneCommand) {
  sim.AddFault({FaultKind::Drop, 2, 0, '#'});
  for (int i = 1; i <= 4; ++i) {
    if (i % 2) {
      EXPECT_EQ(Live().size(), 40u) << "poll " << i;
    } else {
      EXPECT_TRUE(NoLiveReply()) << "poll " << i;
    }
    EXPECT_EQ(port->Ask(kHandshake, 4), kHandshakeReply);
  }
  sim.ClearFaults();
  EXPECT_EQ(Live().size(), 40u);
  EXPECT_EQ(Live().size(), 40u);
}

TEST_F(EcuFaults, SilentEcuReadsButDoesNotAnswer) {
  sim.SetSilent(true);
  port->Send(kHandshake);
  EXPECT_TRUE(port->Silent(200));
  sim.SetSilent(false);
  EXPECT_EQ(port->Ask(kHandshake, 4), kHandshakeReply);
  EXPECT_EQ(sim.Stats().Requests, 2u);
}

TEST(EcuReopen, ClosingHangsUpTheToolAndReopeningMovesTheLink) {
  char dir[] = "/tmp/ecusim-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string link = std::string(dir) + "/ecu";
  ecusim::SimulatorOptions options;
  options.LinkPath = link;
  Simulator sim(ecusim::DefaultState(), options);
  sim.Start();
  sim.Modify([](ecusim::EcuState& s) { s.IdentLength = 50; });  // the state outlives the reopen
  {
    ToolPort port(link);
    ASSERT_TRUE(port.IsOpen());
    port.Send(kHandshake);
    EXPECT_EQ(port.Read(4), (Bytes{0x19, 0x21, 50, 0x6C}));
    sim.Stop();
    pollfd p{port.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 60000), 1);  // a guard of a minute: the hang-up comes at once
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);  // the link went with the pty
  }
  sim.Start();
  char target[PATH_MAX] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), sim.SlavePath());
  ToolPort port(link);
  ASSERT_TRUE(port.IsOpen());
  port.Send(kHandshake);
  EXPECT_EQ(port.Read(4), (Bytes{0x19, 0x21, 50, 0x6C}));
  sim.Stop();
  rmdir(dir);
}

TEST(EcuFaultSpec, ParsesKindParameterEveryAndCommand) {
  Fault f;
  ASSERT_TRUE(ecusim::ParseFault("duplicate=100@5/#", f));
  EXPECT_EQ(f.Kind, FaultKind::Duplicate);
  EXPECT_EQ(f.Param, 100);
  EXPECT_EQ(f.Every, 5);
  EXPECT_EQ(f.Command, '#');
  ASSERT_TRUE(ecusim::ParseFault("address", f));
  EXPECT_EQ(f.Kind, FaultKind::WrongAddress);
  EXPECT_EQ(f.Every, 0);
  EXPECT_EQ(f.Command, 0);
  for (const char* bad : {"", "dropp", "delay=", "delay=-5", "drop@x", "drop/", "drop/ab"})
    EXPECT_FALSE(ecusim::ParseFault(bad, f)) << bad;
}

}  // namespace

}  // namespace ecusim_faults_test
