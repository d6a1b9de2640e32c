// The automatic calibration's algorithms and its script interpreter, driven by fake workers
// that answer the conditions as a test tells them.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <vector>

#include "app/core/AutoCLB_Script.h"
#include "app/core/Model.h"
#include "tests/ecu/FreshModel.h"
#include "tools/linkrec/Recorder.h"

namespace acb_script_test {

namespace {

using Cells = std::vector<std::int32_t>;

class FakeWorkers : public app::TACBWorkers {
public:
  std::vector<std::int32_t> Commands, Conditions;
  std::map<std::int32_t, std::deque<bool>> Answers;  // per condition, in order; false when none is left
  bool Command(std::int32_t Code) override {
    static const std::set<std::int32_t> waiting = {21, 25, 26, 27, 28, 29, 34, 35, 37, 51, 52, 57, 58, 59, 60};
    Commands.push_back(Code);
    return waiting.count(Code) != 0;
  }
  bool Condition(std::int32_t Code) override {
    Conditions.push_back(Code);
    auto& q = Answers[Code];
    if (q.empty()) return false;
    const bool holds = q.front();
    q.pop_front();
    return holds;
  }
  std::int32_t OneSecondCount() override { return 6; }
};

class ACBScriptTest : public ::testing::Test {
protected:
  // One pass starting with the read of cell Next.
  app::TACBPassEnd PassFrom(std::int32_t Next) {
    app::Model().ACBScript.Pos = Next - 1;
    return app::ACBScriptPass(workers);
  }

  ecu_test::FreshModel fresh;
  linkrec::Recorder recorder;
  FakeWorkers workers;
};

TEST_F(ACBScriptTest, TheStoreKeepsAHundredCellsAndABuiltScriptStartsBeforeItsFirst) {
  app::ACBScriptBegin();
  for (int i = 0; i < 120; ++i) app::ACBScriptAppend(i);
  app::ACBScriptEnd();
  EXPECT_EQ(app::Model().ACBScript.Length, app::ACBScriptCapacity);
  EXPECT_EQ(app::Model().ACBScript.Cells[100], 99);
  EXPECT_EQ(app::Model().ACBScript.Pos, 0);
  app::BuildStopScript();  // a shorter script leaves nothing of the longer one
  EXPECT_EQ(app::Model().ACBScript.Length, 11);
  EXPECT_EQ(app::Model().ACBScript.Cells[12], 0);
}

TEST_F(ACBScriptTest, JumpsAndConditionsLandWhereTheStandardScriptExpects) {
  app::BuildStandardScript();
  // Cell 20 "2, -16" executes cell 4 (200); 200 holding with offset 17 reads cell 22 (54) next.
  workers.Answers[200] = {true};
  EXPECT_EQ(PassFrom(20), app::TACBPassEnd::Waiting);
  EXPECT_EQ(workers.Conditions, (Cells{200}));
  EXPECT_EQ(workers.Commands, (Cells{54, 55, 56, 57}));
  EXPECT_EQ(app::Model().ACBScript.Pos, 25);

  // Cell 11 "201, -9" holding reads cell 3 (23) next; 200 not holding passes over its offset.
  workers = FakeWorkers();
  workers.Answers[201] = {true};
  PassFrom(11);
  EXPECT_EQ(workers.Conditions, (Cells{201, 200}));
  EXPECT_EQ(workers.Commands, (Cells{23, 24, 25}));

  // Adjusted (202 does not hold): write, settle, and "2, -7" executes cell 10 (29).
  workers = FakeWorkers();
  PassFrom(13);
  EXPECT_EQ(workers.Commands, (Cells{51}));
  app::ACBScriptPass(workers);
  app::ACBScriptPass(workers);
  EXPECT_EQ(workers.Commands, (Cells{51, 28, 29}));
}

TEST_F(ACBScriptTest, TheSupportLoopRunsItsCommand31TimesAndLeavesItsCounterAtZero) {
  app::BuildStandardScript();
  int passes = 0;
  app::Model().ACBScript.Pos = 24;
  while (workers.Commands.empty() || workers.Commands.back() == 57) {
    app::ACBScriptPass(workers);
    ASSERT_LT(++passes, 100);
  }
  EXPECT_EQ(std::count(workers.Commands.begin(), workers.Commands.end(), 57), 31);
  EXPECT_EQ(workers.Commands.back(), 58);
  EXPECT_EQ(app::Model().ACBScript.Cells[29], 0);
  // A later pass through the loop counts from 0 again.
  workers = FakeWorkers();
  app::Model().ACBScript.Pos = 24;
  for (int i = 0; i < 31; ++i) app::ACBScriptPass(workers);
  EXPECT_EQ(workers.Commands, Cells(31, 57));
}

TEST_F(ACBScriptTest, TheHighRPMScriptRepeatsItsSecondsCommandWhileTheSpeedIsLow) {
  app::BuildHighRPMScript();
  workers.Answers[204] = {true, true, false};
  PassFrom(11);
  for (int i = 0; i < 3; ++i) app::ACBScriptPass(workers);
  EXPECT_EQ(workers.Commands, (Cells{34, 34, 34, 24, 35}));
  // Cell kind 4 sets the seconds and the one-second countdown, then executes 37.
  workers = FakeWorkers();
  PassFrom(18);
  EXPECT_EQ(app::Model().ACBScript.Seconds, 6);
  EXPECT_EQ(app::Model().ACBScript.ReplyCountdown, 6);
  EXPECT_EQ(workers.Commands, (Cells{37}));
}

TEST_F(ACBScriptTest, BadCellsAreReportedOnceAndAPassEndsAtTheLastCellBuilt) {
  app::ACBScriptBegin();
  for (std::int32_t c : {61, 22, 207, 5, 0, 23}) app::ACBScriptAppend(c);
  app::ACBScriptEnd();
  EXPECT_EQ(app::ACBScriptPass(workers), app::TACBPassEnd::ScriptEnded);
  // The unknown condition 207 does not hold: its offset cell 5 is passed over.
  EXPECT_EQ(workers.Commands, (Cells{22, 23}));
  const auto messages = recorder.Find("message ");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].What, "message 13 Error In Script\n\rScript number : 1\n\rScript : 61");
  EXPECT_EQ(app::Model().ACBScript.Wait, 0);

  // A jump out of the cells built ends the script too, as does a circle without a wait.
  app::ACBScriptBegin();
  for (std::int32_t c : {22, 2, 40}) app::ACBScriptAppend(c);
  app::ACBScriptEnd();
  EXPECT_EQ(app::ACBScriptPass(workers), app::TACBPassEnd::ScriptEnded);
  app::ACBScriptBegin();
  for (std::int32_t c : {22, 200, -2}) app::ACBScriptAppend(c);
  app::ACBScriptEnd();
  workers.Answers[200] = std::deque<bool>(20000, true);
  EXPECT_EQ(app::ACBScriptPass(workers), app::TACBPassEnd::ScriptEnded);
  EXPECT_EQ(recorder.Find("message ").size(), 1u);  // shown once in the program's run
}

TEST_F(ACBScriptTest, PromptsAreLookedUpByNumber) {
  EXPECT_EQ(app::ACBPrompt(1), "To run autocalibration press \"START\".");
  EXPECT_EQ(app::ACBPrompt(2), "Please wait.");
  EXPECT_EQ(app::ACBPrompt(23), "Autocalibration successfully completed.");
  EXPECT_EQ(app::ACBPrompt(24), "");
  EXPECT_EQ(app::ACBPrompt(0), "");
}

TEST_F(ACBScriptTest, AlgorithmsGiveTheStepsOfTheCylinderCount) {
  app::CreateACBAlgorithms();
  auto c = app::ChooseACBAlgorithm(app::ACB_Default, 5);
  EXPECT_EQ(c.Order, "1+12+123+1234+12345");
  std::vector<std::int32_t> settle, measure, tolerance;
  for (const auto& s : c.Steps) {
    settle.push_back(s.SettleMs);
    measure.push_back(s.MeasureMs);
    tolerance.push_back(s.Tolerance);
  }
  EXPECT_EQ(settle, (Cells{5000, 5000, 5000, 5000, 10000, 0}));
  EXPECT_EQ(measure, settle);
  EXPECT_EQ(tolerance, (Cells{100, 100, 100, 50, 50, 0}));

  c = app::ChooseACBAlgorithm(app::ACB_Default, 8);
  EXPECT_EQ(c.Order, "15+1256+123567+12345678");
  EXPECT_EQ(c.Steps[2], (app::TACBStepTimes{10000, 10000, 50}));
  EXPECT_EQ(c.Steps, app::ChooseACBAlgorithm(app::ACB_Default, 6).Steps);

  c = app::ChooseACBAlgorithm(app::ACB_HighRPM, 6);
  EXPECT_EQ(c.Order, "142536");
  EXPECT_EQ(c.Steps[0], (app::TACBStepTimes{10000, 10000, 100}));
  for (int s = 1; s < app::ACBStepCapacity; ++s) EXPECT_EQ(c.Steps[s], app::TACBStepTimes{});

  c = app::ChooseACBAlgorithm(app::ACB_OnlyOffset, 4);
  EXPECT_EQ(c.Steps[3], (app::TACBStepTimes{10000, 10000, 50}));
  EXPECT_TRUE(c.CountKnown);
  // A count without an order of its own runs on the 4-cylinder rows.
  const auto odd = app::ChooseACBAlgorithm(app::ACB_Fast, 3);
  EXPECT_FALSE(odd.CountKnown);
  EXPECT_EQ(odd.Order, "1+12+123+1234");
  EXPECT_EQ(odd.Steps, app::ChooseACBAlgorithm(app::ACB_Fast, 4).Steps);

  EXPECT_EQ(app::ACBAlgorithmIndex("Only OFFSET calibration"), app::ACB_OnlyOffset);
  EXPECT_EQ(app::ACBAlgorithmIndex("no such algorithm"), app::ACB_Fast);
}

}  // namespace

}  // namespace acb_script_test
