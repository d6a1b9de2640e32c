// The automatic calibration run against a fake ECU that takes the run's task requests as the
// link does, ends a write two replies after it began and answers with live data the test sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/loop/Application.h"
#include "tests/ecu/FreshModel.h"
#include "tools/linkrec/Recorder.h"

namespace acb_run_test {

namespace {

using app::TControl;
using Values = std::vector<std::int32_t>;
Values Of(const std::array<std::int32_t, ecu::DiagramPointCount>& a) { return Values(a.begin(), a.end()); }

class ACBRunTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    ecu::InitInjectorTable();
    ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
    app::CalcDiagramPoints();
    ecu::Session().Link.LinkUp = 1;
    auto& live = ecu::Session().LiveData;
    live.LivePetrolTimes = {3000, 3000, 3000, 3000};
    live.LiveGasTimeAvg = 5000;  // within the default injector's 4500..5500
    live.LiveRPM = 800;
    live.LivePressDiff = 120;
    live.LiveTempGas = 236;
    live.LiveAnalog18 = 500;
    auto& c = *ecu::Session().ConfigData.Configuration;
    c.Param_147 = 51, c.Param_148 = 31, c.Param_150 = 11, c.Param_151 = 12, c.Param_153 = 52;
  }
  void TearDown() override {
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }

  void Press() {
    recorder.Control(TControl::ACB_Start).Pressed = true;
    app::StartStopAutoCalibration();
  }
  void Release() {
    recorder.Control(TControl::ACB_Start).Pressed = false;
    app::StartStopAutoCalibration();
  }
  // One good reply.
  void Reply() {
    const std::uint8_t task = ecu::Session().Link.TaskRequest;
    if (task && !ecu::Session().Link.TaskRunning) {
      Tasks.push_back(task);
      ecu::Session().Link.TaskRequest = 0;
      if (task == 21 || task == 23) ecu::Session().Link.TaskRunning = 1, writeLeft = 2;
      if (task == 17) onGas = true;
      if (task == 18) onGas = false;
    }
    ecu::Session().LiveData.LivePetrolTimeAvg = onGas ? PetrolOnGas() : Petrol;
    app::AutoCalibrationStep();
    if (ecu::Session().Link.TaskRunning && --writeLeft == 0) {
      ecu::Session().Link.TaskRunning = 0;
      app::AutoCalibrationWriteDone();
    }
    if (ecu::Session().Link.ACBRunning) app::AutoCalibrationReplyTick();
    ProgressSeen.push_back(app::Model().ACB.Progress);
  }
  void Replies(int Count) {
    for (int i = 0; i < Count; ++i) Reply();
  }
  // Replies until the run ends; false when it does not within Max.
  bool RunToEnd(int Max = 5000) {
    for (int i = 0; i < Max && ecu::Session().Link.ACBRunning; ++i) Reply();
    return !ecu::Session().Link.ACBRunning;
  }
  const linkrec::ControlState& Prompt() const { return recorder.Control(TControl::ACB_Prompt); }
  Values Influence() {
    Values v;
    for (std::int32_t* f : app::ACBInfluenceFields(*ecu::Session().ConfigData.Configuration)) v.push_back(*f);
    return v;
  }

  ecu_test::FreshModel fresh;
  rtl::TTestClock clock{0.0};
  linkrec::Recorder recorder;
  std::int32_t Petrol = 3000;
  std::function<std::int32_t()> PetrolOnGas = [this] { return Petrol; };
  std::vector<std::uint8_t> Tasks;
  std::vector<std::int32_t> ProgressSeen;
  bool onGas = false;
  int writeLeft = 0;
};

TEST_F(ACBRunTest, CountsComeFromTheReplyPeriodAndAreAtLeastThree) {
  app::CreateACBAlgorithms();
  app::Model().Settings.ACBSteps = app::ChooseACBAlgorithm(app::ACB_Fast, 4).Steps;
  auto c = app::ComputeACBCounts();
  EXPECT_EQ((Values{c.H, c.S1, c.S2}), (Values{3, 6, 12}));
  EXPECT_EQ((Values{c.A[1], c.A[2], c.A[3], c.A[4]}), (Values{12, 18, 25, 50}));
  EXPECT_EQ(c.B, c.A);
  app::Model().Settings.Reply_Delay = 300;
  c = app::ComputeACBCounts();
  EXPECT_EQ((Values{c.H, c.S1, c.S2}), (Values{3, 3, 5}));
  app::Model().Settings.Reply_Delay = -100;  // a period of 0 ms counts as 1 ms
  EXPECT_EQ(app::ComputeACBCounts().H, 500);

  // An algorithm name that is none of the four runs "Fast calibration".
  app::Model().Settings.Reply_Delay = 60;
  app::Model().Settings.ACB_SCR_Type = "Turbo";
  Press();
  EXPECT_EQ(app::Model().ACB.Counts.A[4], 50);
  EXPECT_EQ(app::Model().ACB.ProgressMax, 429);
  EXPECT_EQ(recorder.Control(TControl::ACB_Start).Text, "Stop");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 18);
  EXPECT_EQ(ecu::Session().Link.ACBRunning, 1);

  EXPECT_EQ(app::ACBCylinderMask("1234"), 240);
  EXPECT_EQ(app::ACBCylinderMask("15"), 16);
  EXPECT_EQ(app::ACBCylinderMask("12"), 48);
  EXPECT_EQ(app::ACBCylinderMask("5678"), 0);
}

TEST_F(ACBRunTest, BeginScalesTheDefaultCurveToTheTopTimeAndClearsTheInfluenceValues) {
  app::Model().ACB.Algorithm = app::ACB_Fast;
  ecu::Session().ConfigData.DiagramPointY.fill(7000);
  EXPECT_TRUE(app::ACBRunWorkers().Command(21));
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY),
            (Values{2000, 3472, 4944, 6416, 8624, 10832, 13776, 16720, 20400}));
  EXPECT_EQ(Influence(), Values(5, 0));
  EXPECT_EQ((Values(app::Model().ACB.InfluenceBackup.begin(), app::Model().ACB.InfluenceBackup.end())),
            (Values{51, 31, 11, 12, 52}));
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  EXPECT_EQ(Prompt().Text, "Please wait. Transmit of configuration data");
  // Only the offset is calibrated: the default curve stays as it is.
  app::Model().ACB.Algorithm = app::ACB_OnlyOffset;
  app::ACBRunWorkers().Command(21);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[8], 25000);
}

TEST_F(ACBRunTest, IdlePointsArePlacedAroundTheGasPhaseAverage) {
  ecu::Session().ConfigData.Configuration->LPG_on = 0;
  app::CalcDiagramPoints();
  app::PlaceACBIdlePoints(2500);
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointX),
            (Values{0, 1750, 3250, 4000, 8000, 12000, 16000, 20000, 25000}));
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY),
            (Values{2000, 3249, 5489, 6113, 9576, 13040, 14440, 15880, 17680}));
  // An average beyond the curve ends all the same; an average of 0 meets equal petrol times.
  app::PlaceACBIdlePoints(30000);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointX[1], 21000);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointX[2], 39000);
  app::CalcDiagramPoints();
  app::PlaceACBIdlePoints(0);
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointX), (Values{0, 0, 0, 0, 6000, 12000, 16000, 20000, 25000}));
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[1], 1800);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[2], 2200);
}

TEST_F(ACBRunTest, AnEngineThatAgreesAtOnceIsCalibratedWithoutWritingPoints) {
  app::Model().Settings.Idle_Points = true;
  const struct {
    std::int32_t Gas;
    const char* Text;
    const char* Color;
  } cases[] = {
      {5000, "Autocalibration successfully completed.", "#FF00FF00"},
      {6000, "Autocalibration finished. Increase jet diameter and repeat autocalibration.", "#FFE911D0"},
      {3000, "Autocalibration finished. Decrease jet diameter and repeat autocalibration.", "#FFE911D0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    Tasks.clear();
    ProgressSeen.clear();
    ecu::Session().LiveData.LiveGasTimeAvg = c.Gas;
    Press();
    EXPECT_FALSE(app::Model().Settings.Idle_Points);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Tasks, (std::vector<std::uint8_t>{18, 21, 18, 17, 18, 17, 18, 17, 18, 17, 21, 18}));
    EXPECT_EQ(Prompt().Text, c.Text);
    EXPECT_EQ(Prompt().Color, c.Color);
    EXPECT_EQ(recorder.Control(TControl::ACB_Start).Text, "Start");
    EXPECT_FALSE(recorder.Control(TControl::ACB_Start).Pressed);
    EXPECT_EQ(recorder.Control(TControl::ACB_Progress).Value, 0);
    EXPECT_LE(*std::max_element(ProgressSeen.begin(), ProgressSeen.end()), 429);
    EXPECT_EQ(ecu::Session().Link.ModeCommandFlags, 240);
    EXPECT_TRUE(app::Model().Settings.Idle_Points);
    EXPECT_EQ(ecu::Session().ConfigData.FlaggedPoint, 2);
    EXPECT_EQ(Influence(), (Values{51, 31, 11, 12, 52}));
    EXPECT_EQ(ecu::Session().ConfigData.Configuration->Param_146, 120);
    EXPECT_EQ(ecu::Session().ConfigData.Configuration->Param_149, 24);  // 23.6 degrees, rounded
    EXPECT_EQ(ecu::Session().ConfigData.Configuration->Param_152, 500);
  }
}

TEST_F(ACBRunTest, HighRPMCalibrationGuidesTheSpeedUpHoldsItAndComesBackToIdle) {
  app::Model().Settings.ACB_SCR_Type = "High R.P.M. calibration";
  auto waitFor = [&](const std::string& Text) {
    for (int i = 0; i < 3000 && Prompt().Text != Text; ++i) Reply();
    return Prompt().Text == Text;
  };
  Press();
  ASSERT_TRUE(waitFor("Set R.P.M. 2000 - 3000 r.p.m. (3 sec)"));
  const std::int32_t paused = app::Model().ACB.Progress;
  ecu::Session().LiveData.LiveRPM = 2500;
  ASSERT_TRUE(waitFor("Keep R.P.M. in current 4 sec"));
  EXPECT_EQ(ecu::Session().Link.ModeCommandFlags, 240);
  ecu::Session().LiveData.LiveRPM = 2000;  // not above 2000: asked again from the start
  ASSERT_TRUE(waitFor("Set R.P.M. 2000 - 3000 r.p.m. (1 sec)"));
  ecu::Session().LiveData.LiveRPM = 2001;
  ASSERT_TRUE(waitFor("Set R.P.M. of idling (2 sec)"));
  EXPECT_EQ(app::Model().ACB.Progress, paused);
  ecu::Session().LiveData.LiveRPM = 800;
  ASSERT_TRUE(waitFor("Autocalibration is continued. Wait, please."));
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Prompt().Text, "Autocalibration successfully completed.");
  EXPECT_EQ(std::vector<std::uint8_t>(Tasks.begin(), Tasks.begin() + 4), (std::vector<std::uint8_t>{18, 21, 18, 17}));
  EXPECT_EQ(std::vector<std::uint8_t>(Tasks.end() - 2, Tasks.end()), (std::vector<std::uint8_t>{21, 18}));
}

TEST_F(ACBRunTest, AnEngineTheCurveCannotSatisfyEndsInFailureWithAdvice) {
  // Always too much gas (the simulator's tests take the other way): the curve is scaled down
  // and shifted until point 1 would go below 0.
  PetrolOnGas = [this] { return Petrol - 1000; };
  Press();
  ASSERT_TRUE(RunToEnd());
  EXPECT_NE(std::count(Tasks.begin(), Tasks.end(), 23), 0);
  EXPECT_EQ(Prompt().Text, "Autocalibration failed. Decrease jet diameter and repeat autocalibration.");
  EXPECT_EQ(Prompt().Color, "#FFFF0000");
  for (std::int32_t y : ecu::Session().ConfigData.DiagramPointY) EXPECT_GE(y, 0);
  // Each adjustment took the progress back.
  bool back = false;
  for (std::size_t i = 1; i < ProgressSeen.size(); ++i) back |= ProgressSeen[i] < ProgressSeen[i - 1] && ProgressSeen[i] > 0;
  EXPECT_TRUE(back);
}

TEST_F(ACBRunTest, StopRestoresTheDiagramAndInfluenceValuesOnceTheLinkIsUp) {
  // Points of another curve than the default one that the run starts from.
  for (int i = 0; i < 9; ++i) {
    ecu::Session().ConfigData.DiagramPointX[static_cast<std::size_t>(i)] = 2500 * i;
    ecu::Session().ConfigData.DiagramPointY[static_cast<std::size_t>(i)] = 2100 + 2900 * i;
  }
  ecu::Session().ConfigData.FlaggedPoint = 3;
  const Values before = Of(ecu::Session().ConfigData.DiagramPointY),
               beforeX = Of(ecu::Session().ConfigData.DiagramPointX);
  for (bool linkUp : {true, false}) {
    SCOPED_TRACE(linkUp ? "link up" : "link down");
    Press();
    Replies(30);
    ASSERT_NE(Of(ecu::Session().ConfigData.DiagramPointY), before);  // the run reset the curve
    ASSERT_EQ(Influence(), Values(5, 0));
    ecu::Session().Link.LinkUp = linkUp;
    Release();
    EXPECT_EQ(Prompt().Text, "Autocalibration stopped.");
    EXPECT_EQ(Prompt().Color, "#FFFF0000");
    EXPECT_EQ(recorder.Control(TControl::ACB_Start).Text, "Start");
    if (!linkUp) {
      // Nothing of the old script runs while the link is down, and the backups stay.
      Tasks.clear();
      Replies(50);
      EXPECT_TRUE(Tasks.empty());
      EXPECT_NE(Of(ecu::Session().ConfigData.DiagramPointY), before);
      EXPECT_EQ(app::Model().ACBScript.Length, 0);
      ecu::Session().Link.LinkUp = 1;
    }
    Tasks.clear();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY), before);
    EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointX), beforeX);
    EXPECT_EQ(ecu::Session().ConfigData.FlaggedPoint, 3);
    EXPECT_EQ(Influence(), (Values{51, 31, 11, 12, 52}));
    EXPECT_EQ(Tasks, (std::vector<std::uint8_t>{21, 18}));
    EXPECT_EQ(Prompt().Text, "Autocalibration stopped.");
  }
}

TEST_F(ACBRunTest, StartingAgainBeforeTheStopScriptRestoredKeepsTheDiagramFromBefore) {
  ecu::Session().ConfigData.DiagramPointY.fill(7000);
  const Values before = Of(ecu::Session().ConfigData.DiagramPointY);
  Press();
  Replies(30);
  Release();
  Replies(2);  // the stop script waits two seconds before it restores
  Press();
  Replies(30);
  Release();
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointY), before);
  EXPECT_EQ(Influence(), (Values{51, 31, 11, 12, 52}));
}

TEST_F(ACBRunTest, AdjustmentScalesAboutPointOneAndRefusesZeroDivisors) {
  app::Model().ACB.Algorithm = app::ACB_Fast;
  app::Model().ACB.Counts.H = 3;
  for (int i = 0; i < 9; ++i) ecu::Session().ConfigData.DiagramPointY[static_cast<std::size_t>(i)] = 2000 + 2250 * i;
  const auto start = ecu::Session().ConfigData.DiagramPointY;
  // No petrol samples: the ratio has no divisor, nothing is adjusted.
  app::Model().ACB.GasTotal = 3300, app::Model().ACB.GasCount = 1;
  EXPECT_FALSE(app::AdjustACBCurve());
  EXPECT_TRUE(app::Model().ACB.AdjustFailed);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, start);
  app::Model().ACB.PetrolTotal = 6000, app::Model().ACB.PetrolCount = 2;  // 3000 against 3300: 1.1
  EXPECT_TRUE(app::AdjustACBCurve());
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[1], 4475);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[8], 21800);
  EXPECT_EQ(app::Model().ACB.BestTop, 20000);
  EXPECT_EQ(app::Model().ACB.BestDifference, 300);
  // Restoring the best: the saved points, scaled by the best top over the present point 9.
  app::Model().ACB.SavedPoints = start;
  EXPECT_TRUE(app::ACBRunWorkers().Command(52));
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[8], 18514);  // 2000 + 18000 x 20000 / 21800
  EXPECT_EQ(app::Model().ACB.ScaleRatio, 1.0);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);
  ecu::Session().ConfigData.DiagramPointY = start;
  app::ScaleACBCurve(std::numeric_limits<double>::infinity());
  app::ScaleACBCurve(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY, start);

  // Only the offset: the difference is added to every point.
  app::Model().ACB.Algorithm = app::ACB_OnlyOffset;
  ecu::Session().ConfigData.DiagramPointY = start;
  EXPECT_TRUE(app::AdjustACBCurve());
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[0], 2300);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[8], 20300);
}

TEST_F(ACBRunTest, IndicatorsShowTheStepsCylindersAndTheirScaleNeverShrinks) {
  auto& live = ecu::Session().LiveData;
  live.PetrolTimesOnPetrol = {5000, 3100, 3200, 3300};
  live.PetrolTimesOnGas = {3050, 3150, 3250, 3350};
  live.LiveGasTimes = {4000, 4100, 4200, 4300};
  app::AutoCalibrationStep();  // button up: all four
  EXPECT_EQ(app::Model().ACB.Indicators[3][app::ACB_GasOnGas], 4300);
  EXPECT_EQ(app::Model().ACB.FullScale, 6000);
  recorder.Control(TControl::ACB_Start).Pressed = true;
  app::AutoCalibrationStep();  // pressed, no step: zeros, the scale stays
  EXPECT_EQ(app::Model().ACB.Indicators[0][app::ACB_PetOnPet], 0);
  EXPECT_EQ(app::Model().ACB.FullScale, 6000);
  app::Model().ACB.StepDigits = "2";
  app::AutoCalibrationStep();
  EXPECT_EQ(app::Model().ACB.Indicators[1][app::ACB_PetOnGas], 3150);
  EXPECT_EQ(app::Model().ACB.Indicators[0][app::ACB_PetOnGas], 0);
  app::Model().ACB.StepDigits = "56";  // cylinders without live values refresh nothing
  live.PetrolTimesOnGas.fill(9000);
  app::AutoCalibrationStep();
  EXPECT_EQ(app::Model().ACB.Indicators[1][app::ACB_PetOnGas], 3150);
  EXPECT_EQ(app::ACBIndicatorText(3456), "3.46");
  EXPECT_EQ(app::ACBIndicatorText(20), "0.02");
}

}  // namespace

}  // namespace acb_run_test
