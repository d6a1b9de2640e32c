// The automatic calibration through the link against the ECU simulator with its engine model,
// on the test clock and without line timing, so that a whole run takes seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/General_Unit.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "tests/ecu/LinkFixture.h"

namespace acb_sim_test {

namespace {

using app::TControl;

// The wire as the fixture logs it, and the tasks the run asked for in order: 17 and 18 by
// their work-mode requests, the write tasks by their first request.
class TaskLog : public ecu::TLinkMonitor {
public:
  explicit TaskLog(linktest::WireLog& Wire) : wire_(Wire) {}
  std::vector<int> Tasks;
  std::vector<int> GasModeData;
  void FrameWritten(const std::uint8_t* Frame, int Length) override {
    wire_.FrameWritten(Frame, Length);
    if (!ecu::Session().Link.TaskRunning) writing_ = 0;
    if (Frame[1] == '"') {
      Tasks.push_back(Frame[3] & 4 ? 17 : 18);
      if (Frame[3] & 4) GasModeData.push_back(Frame[3]);
    } else if (ecu::Session().Link.TaskRunning && ecu::Session().Link.WriteTask != writing_) {
      writing_ = ecu::Session().Link.WriteTask;
      Tasks.push_back(writing_);
    }
  }
  void ReplyChecked(const std::uint8_t* Frame, int Count, bool Accepted) override {
    wire_.ReplyChecked(Frame, Count, Accepted);
  }

private:
  linktest::WireLog& wire_;
  int writing_ = 0;
};

class ACBSimTest : public linktest::SimLinkTest {
protected:
  ecusim::EcuState InitialState() const override {
    ecusim::EcuState s = ecusim::DefaultState();
    s.Animate = false;
    s.Engine.On = true;  // gas time 1.3 p + 800 us
    return s;
  }
  ecusim::SimulatorOptions Options() const override {
    ecusim::SimulatorOptions o;
    o.LineTiming = false;
    return o;
  }
  void SetUp() override {
    SimLinkTest::SetUp();
    Watch(&tasks);
    OpenPort();
    ASSERT_TRUE(RunUntil("7#", 60));
    ASSERT_EQ(ecu::Session().Link.LinkUp, 1);
    before = sim->State().Params;
    influenceBefore = Influence();
  }
  void TearDown() override {
    Watch(nullptr);
    SimLinkTest::TearDown();
  }
  void SetButton(bool Pressed) {
    recorder->Control(TControl::ACB_Start).Pressed = Pressed;
    recorder->StartStopAutoCalibration();
  }
  // Exchanges until the run ends (true) or Max requests went.
  bool RunToEnd(int Max = 6000) {
    for (int i = 0; i < Max && ecu::Session().Link.ACBRunning; ++i) Advance(recorder->ReplyDelay);
    return !ecu::Session().Link.ACBRunning;
  }
  std::string Prompt() const { return recorder->Control(TControl::ACB_Prompt).Text; }
  // A parameter of the simulated ECU by code.
  int Param(int Code) const { return sim->State().Params[static_cast<std::size_t>(Code)]; }
  std::vector<int> Points(const std::array<std::uint16_t, 256>& Params, int Which) const {
    std::vector<int> v;
    for (int i = 0; i < 9; ++i) v.push_back(Params[ecusim::PointCodes(i)[static_cast<std::size_t>(Which)]] & 0x7FFF);
    return v;
  }
  std::vector<std::int32_t> Influence() const {
    std::vector<std::int32_t> v;
    for (std::int32_t* f : app::ACBInfluenceFields(*ecu::Session().ConfigData.Configuration)) v.push_back(*f);
    return v;
  }
  // The program reads everything from the ECU again (task 16): the influence values it then
  // holds are the ECU's (their bytes depend on the support values, so they are compared as read).
  void ExpectInfluenceAsBefore() {
    for (std::int32_t* f : app::ACBInfluenceFields(*ecu::Session().ConfigData.Configuration)) *f = -1;
    const std::size_t from = wire.Commands().size();
    ecu::Session().Link.TaskRequest = 16;
    for (int i = 0; i < 80; ++i) {
      const std::string c = wire.Commands().substr(from);
      if (c.find('$') != std::string::npos && c.back() == '#') break;
      Advance(recorder->ReplyDelay);
    }
    EXPECT_EQ(Influence(), influenceBefore);
  }

  TaskLog tasks{wire};
  std::array<std::uint16_t, 256> before{};
  std::vector<std::int32_t> influenceBefore;
};

TEST_F(ACBSimTest, ARunConvergesOnTheEngineAndEndsOnPetrol) {
  SetButton(true);
  EXPECT_EQ(recorder->Control(TControl::ACB_Start).Text, "Stop");
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Prompt(), "Autocalibration successfully completed.");
  EXPECT_EQ(recorder->Control(TControl::ACB_Prompt).Color, "#FF00FF00");
  EXPECT_EQ(recorder->Control(TControl::ACB_Start).Text, "Start");
  EXPECT_FALSE(recorder->Control(TControl::ACB_Start).Pressed);

  // 18, 21, then per step 18, 17 and a points write (23) for each adjustment, then 21, 18.
  const std::vector<int>& t = tasks.Tasks;
  ASSERT_GE(t.size(), 12u);
  EXPECT_EQ(std::vector<int>(t.begin(), t.begin() + 2), (std::vector<int>{18, 21}));
  EXPECT_EQ(std::vector<int>(t.end() - 2, t.end()), (std::vector<int>{21, 18}));
  std::string steps;
  for (std::size_t i = 2; i + 2 < t.size(); ++i) steps += t[i] == 18 ? 'P' : t[i] == 17 ? 'G' : t[i] == 23 ? 'W' : '?';
  EXPECT_EQ(std::count(steps.begin(), steps.end(), 'G'), 4) << steps;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (steps[i] == 'P') {
      EXPECT_EQ(steps.substr(i, 2), "PG") << steps;
    }
  }
  EXPECT_EQ(steps.find('?'), std::string::npos) << steps;
  ASSERT_EQ(tasks.GasModeData.size(), 4u);
  EXPECT_EQ(tasks.GasModeData, (std::vector<int>{20, 52, 116, 244}));

  // The ECU holds the program's curve, and on it the engine needs the petrol time it takes on
  // petrol (3000 us) within the last step's tolerance.
  EXPECT_EQ(Points(sim->State().Params, 1), std::vector<int>(ecu::Session().ConfigData.DiagramPointY.begin(),
                                                             ecu::Session().ConfigData.DiagramPointY.end()));
  const double settled = sim->State().DiagramPetrol(1.3 * 3000 + 800);
  EXPECT_NEAR(settled, 3000, 150 + 10);
  ExpectInfluenceAsBefore();
}

TEST_F(ACBSimTest, StopWithTheLinkUpGivesTheEcuItsPointsAndInfluenceValuesBack) {
  SetButton(true);
  for (int i = 0; i < 6000 && std::count(tasks.Tasks.begin(), tasks.Tasks.end(), 17) < 2; ++i)
    Advance(recorder->ReplyDelay);
  ASSERT_NE(Points(sim->State().Params, 1), Points(before, 1));  // the run's curve is in the ECU
  SetButton(false);
  EXPECT_EQ(Prompt(), "Autocalibration stopped.");
  EXPECT_EQ(recorder->Control(TControl::ACB_Prompt).Color, "#FFFF0000");
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Points(sim->State().Params, 1), Points(before, 1));
  EXPECT_EQ(Points(sim->State().Params, 2), Points(before, 2));
  ExpectInfluenceAsBefore();
  EXPECT_EQ(tasks.Tasks.back(), 18);
  EXPECT_EQ(Prompt(), "Autocalibration stopped.");
}

// The ECU stops answering during a run and answers again: the reconnect's read stops the run,
// and reads the run's curve from the ECU into the configuration. The stop script puts the
// points from before the run back only once the read is through, so that its write carries
// them, also when its first wait is shorter than the read (every count 3: a long reply
// period). A second loss while the stop script runs, after it had put them back, starts it
// again after the next read.
TEST_F(ACBSimTest, AStopAtAReconnectGivesTheEcuItsPointsBackOnceTheReadIsThrough) {
  app::Model().Settings.ACBCycleAllowance = 1500;
  const auto linkUp = [&](bool Up) {
    sim->SetSilent(!Up);
    for (double t = 0; t < 20000 && (ecu::Session().Link.LinkUp != 0) != Up; t += 20) {
      clock.Advance(20);
      Pump([&] { return (ecu::Session().Link.LinkUp != 0) == Up; }, 20);
    }
    return (ecu::Session().Link.LinkUp != 0) == Up;
  };
  const auto curveInEcu = [&] {
    for (int i = 0; i < 6000 && Points(sim->State().Params, 1) == Points(before, 1); ++i) Advance(recorder->ReplyDelay);
    return Points(sim->State().Params, 1) != Points(before, 1);
  };
  SetButton(true);
  ASSERT_TRUE(curveInEcu());
  ASSERT_TRUE(linkUp(false));
  ASSERT_TRUE(linkUp(true));
  EXPECT_FALSE(recorder->Control(TControl::ACB_Start).Pressed) << "the reconnect stops the run";
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Points(sim->State().Params, 1), Points(before, 1));
  EXPECT_EQ(Prompt(), "Autocalibration stopped.");

  SetButton(true);
  ASSERT_TRUE(curveInEcu());
  SetButton(false);
  const std::vector<int> restored = Points(before, 1);
  for (int i = 0; i < 600 && std::vector<int>(ecu::Session().ConfigData.DiagramPointY.begin(),
                                              ecu::Session().ConfigData.DiagramPointY.end()) != restored;
       ++i)
    Advance(recorder->ReplyDelay);
  ASSERT_NE(Points(sim->State().Params, 1), restored) << "put back, not yet written";
  ASSERT_TRUE(linkUp(false));
  ASSERT_TRUE(linkUp(true));
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Points(sim->State().Params, 1), restored);
  EXPECT_EQ(tasks.Tasks.back(), 18);
}

// Start pressed while the ECU is read again (a reconnect asked for with the link up): a run
// backs up the points and influence values as it starts, which the read is about to replace.
// It is not started: the button comes up, nothing is asked of the ECU, and the installer is
// told why. Pressed once the read is through, it starts.
TEST_F(ACBSimTest, AStartWhileTheEcuIsReadIsRefusedAndTold) {
  ecu::Session().Link.TaskRequest = 16;
  ASSERT_TRUE(RunUntil("!0,$", 60));
  ASSERT_EQ(ecu::Session().Link.Reading, 1);
  SetButton(true);
  EXPECT_FALSE(recorder->Control(TControl::ACB_Start).Pressed);
  EXPECT_EQ(ecu::Session().Link.ACBRunning, 0);
  EXPECT_FALSE(app::AutoCalibrationActive());
  const std::string told = "message 13 " + ecu::LngText("ACB_Not_Started_Reading");
  EXPECT_EQ(recorder->Find(told).size(), 1u);
  ASSERT_TRUE(RunUntil("7#", 60));
  for (int i = 0; i < 20; ++i) Advance(recorder->ReplyDelay);
  EXPECT_TRUE(tasks.Tasks.empty()) << "nothing was asked of the ECU";
  EXPECT_EQ(Influence(), influenceBefore);

  SetButton(true);
  EXPECT_TRUE(app::AutoCalibrationActive());
  for (int i = 0; i < 20 && tasks.Tasks.empty(); ++i) Advance(recorder->ReplyDelay);
  ASSERT_FALSE(tasks.Tasks.empty());
  EXPECT_EQ(tasks.Tasks[0], 18) << "the run begins on petrol";
  EXPECT_EQ(recorder->Find(told).size(), 1u);
}

TEST_F(ACBSimTest, TheEngineSwitchedOffStopsTheRunAndTheEcuGetsItsPointsBack) {
  SetButton(true);
  for (int i = 0; i < 40; ++i) Advance(recorder->ReplyDelay);
  sim->Modify([](ecusim::EcuState& s) { s.Live.Rpm = 0; });
  for (int i = 0; i < 10 && recorder->Control(TControl::ACB_Start).Pressed; ++i) Advance(recorder->ReplyDelay);
  EXPECT_FALSE(recorder->Control(TControl::ACB_Start).Pressed);
  EXPECT_EQ(Prompt(), "Autocalibration stopped.");
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Points(sim->State().Params, 1), Points(before, 1));
}

TEST_F(ACBSimTest, NoPetrolPulsesAndAnUnreachableEngineFailWithTheirTexts) {
  SetButton(true);
  for (int i = 0; i < 40; ++i) Advance(recorder->ReplyDelay);
  sim->Modify([](ecusim::EcuState& s) { s.Live.PetrolTimes = {0, 0, 0, 0}; });
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Prompt(), "Autocalibration failed. No pulse from petrol injectors.");
  EXPECT_EQ(Points(sim->State().Params, 1), Points(before, 1));

  // An engine that needs four times the petrol time in gas: no curve the diagram can hold.
  sim->Modify([](ecusim::EcuState& s) {
    s.Live.PetrolTimes = {3000, 3000, 3000, 3000};
    s.Engine.GasSlope = 4.0, s.Engine.GasOffset = 0;
  });
  for (int i = 0; i < 5; ++i) Advance(recorder->ReplyDelay);
  SetButton(true);
  ASSERT_TRUE(RunToEnd(12000));
  EXPECT_EQ(Prompt(), "Autocalibration failed. Increase jet diameter and repeat autocalibration.");
  EXPECT_EQ(recorder->Control(TControl::ACB_Prompt).Color, "#FFFF0000");
}

}  // namespace

}  // namespace acb_sim_test
