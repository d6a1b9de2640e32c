// The dialogue-script interpreter: controls, tasks and faulty scripts, without a port. A run
// stops at each built request; the test then runs it on as a good reply would.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "tests/ecu/LinkFixture.h"

namespace linktest {
namespace {

class ScriptTest : public LinkTest {
protected:
  void SetUp() override {
    LinkTest::SetUp();
    ecu::Session().Link.LastFrame[0] = 25;
    ecu::Session().Link.LiveDataLength = 37;
  }
  void Load(std::initializer_list<std::int32_t> cells) {
    ecu::Session().Link.ScriptPos = 0;
    for (auto c : cells) ecu::Script_Push(c);
    ecu::Session().Link.ScriptPos = 0;
  }
  // Runs the script on as after a good reply; the command of the request built.
  char Next() {
    ecu::Script_Run();
    return form->Timer_Sending->Enabled() ? static_cast<char>(ecu::Session().Link.TxFrame[1]) : '-';
  }
  std::string Requests(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += Next();
    return s;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& r : recorder->Find("message ")) texts.push_back(r.What);
    return texts;
  }
};

TEST_F(ScriptTest, PollScriptSendsThreeRequestsPerRoundAndJumpsBack) {
  ecu::Script_Poll();
  ecu::Session().Link.ScriptPos = 0;
  EXPECT_EQ(Requests(7), "#'(#'(#");
  EXPECT_EQ(ecu::Session().Link.ScriptPos, 1);
  EXPECT_TRUE(form->Timer_Connect->Enabled());
}

TEST_F(ScriptTest, JumpsLoopAndSubScriptSwitch) {
  Load({1, 4, 38, 40});  // absolute jump to cell 4
  EXPECT_EQ(Next(), '%');
  Load({2, 3, 38, 40});  // relative jump: 1 + 3
  EXPECT_EQ(Next(), '%');
  // Counted loop back one cell, limit 2: the cell before it runs three times in all.
  Load({34, 3, 1, 2, 0, 38});
  EXPECT_EQ(Requests(4), "###$");
  EXPECT_EQ(ecu::Session().Link.ScriptCells[5], 0);  // the counter is reset when the loop ends
  Load({24, 5, 0});  // switch to the poll script, whose first cell runs at once
  EXPECT_EQ(Next(), '#');
  EXPECT_EQ(ecu::Session().Link.ScriptPos, 1);
  EXPECT_EQ(ecu::Session().Link.ScriptCells[7], 0);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ScriptTest, ErrorTextIsShownOnceInARunOfTheProgram) {
  Load({24, 25, 24, 25, 24, 25, 4, 34});
  EXPECT_EQ(Next(), '#');
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "message 13 Error In Script\n\rScript number : 7\n\rScript : 4");
  for (std::int32_t bad : {19, 255}) {
    Load({bad, 34});
    EXPECT_EQ(Next(), '#');
  }
  Load({202, 38, 34});  // an unknown condition: its offset cell is passed over
  EXPECT_EQ(Next(), '#');
  Load({5, 9, 34});  // unknown sub-script: the number cell is passed over
  EXPECT_EQ(Next(), '#');
  EXPECT_EQ(Messages().size(), 1u);

  ecu::Session().Link.ScriptErrorShown = 0;
  Load({5, 9, 34});
  EXPECT_EQ(Next(), '#');
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[1], "message 13 Error In Script\n\rScript number : 2\n\rScript : 9");
}

TEST_F(ScriptTest, FaultyScriptsStopInsteadOfRunningAwayOrOutOfTheirCells) {
  const std::vector<std::vector<std::int32_t>> faulty = {
      {24, 1, 1},          // an endless loop that never builds a request
      {1, 500},            // a jump far past the cells
      {2, -10},            // a jump before the first cell
      {3, 1000, 5, 0},     // a loop that goes back before the first cell
      {24, 200, -2000},    // a condition whose offset leaves the cells
  };
  ecu::Session().Link.RxFrame[2] = 8;
  ecu::Session().Link.RxFrame[3] = 12;
  recorder->ReadMapRPMHeader();  // a map still to be read: condition 200 does not hold
  for (const auto& cells : faulty) {
    SCOPED_TRACE(cells[1]);
    ecu::Session().Link.Reset();
    for (auto c : cells) ecu::Script_Push(c);
    ecu::Session().Link.ScriptPos = 0;
    recorder->ClearLog();
    EXPECT_EQ(Next(), '-');
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(form->Timer_Connect->Enabled());  // the step time-out restarts the dialogue
  }
  // A script filling all cells without an end runs off its last cell.
  ecu::Session().Link.Reset();
  ecu::Session().Link.ScriptCells.fill(24);
  recorder->ClearLog();
  EXPECT_EQ(Next(), '-');
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("Script number : 101"), std::string::npos);
}

TEST_F(ScriptTest, ConditionRepeatsTheCellsBeforeItUntilTheMapIsRead) {
  // The map-read cells of the connect script: 58 59 200 -3 60.
  Load({56, 57, 58, 59, 200, -3, 60, 25, 34});
  EXPECT_EQ(Next(), '/');
  ecu::Session().Link.RxFrame[2] = 8;
  ecu::Session().Link.RxFrame[3] = 12;  // 124 bytes: two chunks
  EXPECT_EQ(Next(), '7');
  EXPECT_EQ(ecu::Session().Link.TxFrame[2], 64);
  EXPECT_EQ(Next(), '7');
  EXPECT_EQ(ecu::Session().Link.TxFrame[2], 60);
  EXPECT_EQ(Next(), '#');
  EXPECT_EQ(recorder->Find("map unpacked").size(), 1u);
  EXPECT_EQ(recorder->Find("map grid rebuilt").size(), 1u);
}

TEST_F(ScriptTest, WriteTaskStartsAtTheEndCellAndWaitsForAnother) {
  ecu::Script_Poll();
  ecu::Session().Link.ScriptPos = 0;
  EXPECT_EQ(Requests(3), "#'(");
  ecu::Session().Link.TaskRequest = 25;  // not a write task
  EXPECT_EQ(Next(), '&');
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 0);
  EXPECT_EQ(Requests(3), "#'(");  // back to polling

  ecu::Session().Link.TaskRequest = 24;
  EXPECT_EQ(Next(), '.');
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 1);
  EXPECT_EQ(ecu::Session().Link.SaveCfgPending, 1);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_TRUE(recorder->WaitWindowShown);
  ecu::Session().Link.TaskRequest = 22;  // asked for while the write runs: it waits
  EXPECT_EQ(Requests(4), "1616");
  EXPECT_EQ(ecu::Session().Link.TxLength, 62 + 3);
  EXPECT_EQ(Next(), '#');  // instruction 100, then the poll script again
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 0);
  // The wait window stays (shrunk to its corner) for the write that waits.
  EXPECT_TRUE(recorder->WaitWindowShown);
  EXPECT_EQ(recorder->Log().back().What, "wait shrunk");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 22);
  EXPECT_EQ(Requests(2), "'(");
  ecu::Session().Link.TaskRequest = 0;  // list 1 is written by a later step of the work

  ecu::Session().Link.ACBRunning = 1;
  Load({100, 34});
  ecu::Session().Link.TaskRunning = 1;
  EXPECT_EQ(Next(), '#');
  EXPECT_EQ(recorder->AutoCalibrationWrites, 1);
  EXPECT_EQ(recorder->Find("status - ").size(), 2u);
}

TEST_F(ScriptTest, UnknownTasksAreClearedAndReconnectRunsTheHandshakeTwice) {
  ecu::Script_Poll();
  ecu::Session().Link.ScriptPos = 0;
  EXPECT_EQ(Requests(3), "#'(");
  ecu::Session().Link.TaskRequest = 29;
  EXPECT_EQ(Next(), '#');
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(Requests(2), "'(");

  ecu::Session().Link.TaskRequest = 16;
  EXPECT_EQ(Next(), '!');
  EXPECT_EQ(ecu::Session().Link.HandshakeCount, 1);
  EXPECT_EQ(ecu::Session().Link.ScriptPos, 0);
  EXPECT_EQ(Next(), '!');
  EXPECT_EQ(ecu::Session().Link.HandshakeCount, 2);
  EXPECT_EQ(ecu::Session().Link.ScriptPos, 1);
}

TEST_F(ScriptTest, ReconnectEndsAWriteTaskThatWasCutOff) {
  ecu::Script_Poll();
  ecu::Session().Link.ScriptPos = 0;
  EXPECT_EQ(Requests(3), "#'(");
  ecu::Session().Link.TaskRequest = 24;
  EXPECT_EQ(Next(), '.');
  ASSERT_EQ(ecu::Session().Link.TaskRunning, 1);
  ecu::Reply_Timeout();
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 0);
  EXPECT_EQ(ecu::Session().Link.SaveCfgPending, 0);
  EXPECT_FALSE(recorder->WaitWindowShown);
  EXPECT_EQ(ecu::Session().Link.TxFrame[1], '!');
  // Tasks run again once the link is back.
  ecu::Script_Poll();
  ecu::Session().Link.ScriptPos = 6;
  ecu::Session().Link.TaskRequest = 24;
  EXPECT_EQ(Next(), '.');
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 1);
}

// Nothing but a reconnect is asked of an ECU that has not answered: a task asked for while the
// link is down would go to whatever answers next, which may be another ECU. A write that waits
// for its turn when the link goes down goes with it, and so does one under way; the host is told
// of each, and the installer learns once for the loss that the change was not written.
TEST_F(ScriptTest, NoTaskIsTakenWhileTheLinkIsDownAndWritesWaitingOrUnderWayGoWithIt) {
  using T = ecu::TTask;
  ASSERT_EQ(ecu::Session().Link.LinkUp, 0);
  for (T task :
       {T::GasMode, T::PetrolMode, T::WriteAll, T::WritePage, T::WriteMapRPM, T::ClearErrors, T::EraseGasMap}) {
    ecu::RequestTask(task);
    EXPECT_EQ(ecu::RequestedTask(), T::None) << static_cast<int>(task);
  }
  ecu::RequestTask(T::Connect);
  EXPECT_EQ(ecu::RequestedTask(), T::Connect);
  ecu::RequestTask(T::None);
  EXPECT_EQ(ecu::RequestedTask(), T::None);
  EXPECT_TRUE(Messages().empty()) << "nothing was due to be written";

  // Up: a write asked for waits for the poll script's end cell; the link goes down first.
  ecu::Handshake_Reply();
  ecu::RequestTask(T::WritePage);
  ASSERT_EQ(ecu::RequestedTask(), T::WritePage);
  ecu::Link_Reset();
  EXPECT_EQ(ecu::RequestedTask(), T::None);
  EXPECT_EQ(recorder->Find("write task 22 not sent").size(), 1u);
  const std::vector<std::string> notWritten = {"message 13 " + ecu::LngText("MSG_Not_Written")};
  EXPECT_EQ(Messages(), notWritten);
  // A mode command that waits goes too, and is no write.
  ecu::Handshake_Reply();
  ecu::RequestTask(T::GasMode);
  ecu::Link_Reset();
  EXPECT_EQ(ecu::RequestedTask(), T::None);
  EXPECT_EQ(Messages(), notWritten);

  // Up again: the map's write under way when the port closes ends with the link, cut off, and
  // its wait window goes.
  ecu::Handshake_Reply();
  ecu::Script_Poll();
  ecu::Session().Link.ScriptPos = 0;
  EXPECT_EQ(Requests(3), "#'(");
  ecu::RequestTask(T::WriteMapRPM);
  EXPECT_EQ(Next(), '.');
  ASSERT_EQ(ecu::Session().Link.TaskRunning, 1);
  ASSERT_TRUE(recorder->WaitWindowShown);
  ecu::Link_Reset();
  EXPECT_EQ(ecu::Session().Link.TaskRunning, 0);
  EXPECT_EQ(recorder->Find("write task 24 cut off").size(), 1u);
  EXPECT_FALSE(recorder->WaitWindowShown);
  EXPECT_EQ(Messages(), std::vector<std::string>(2, notWritten[0])) << "a message for each loss";
}

// One slot holds the task asked for. A second write asked for before the poll script took the
// first makes the two one write of the whole configuration (the map's page packed first when
// the map is one of them); a task that is no write takes a waiting write's place, and the write
// is dropped: the host is told, the wait window (shrunk while the write waited) goes, and the
// installer learns that the change was not written.
TEST_F(ScriptTest, TwoWritesAskedForBeforeTheFirstIsTakenBecomeOneAndOneReplacedIsReported) {
  using T = ecu::TTask;
  ecu::Handshake_Reply();
  auto& map = app::Model().MapRPM;
  map.MapRPMTexts[3][1] = "1.50";  // an edit of the map's page, not packed yet
  const auto unpacked = map.MapRPMTable[3][1];
  ASSERT_NE(unpacked, 150);
  ecu::RequestTask(T::WritePage);
  ecu::RequestTask(T::WritePage);
  EXPECT_EQ(ecu::RequestedTask(), T::WritePage);
  ecu::RequestTask(T::WritePoints);
  EXPECT_EQ(ecu::RequestedTask(), T::WriteAll);
  EXPECT_EQ(map.MapRPMTable[3][1], unpacked);
  ecu::Session().Link.TaskRequest = 0;
  ecu::RequestTask(T::WriteMapRPM);
  ecu::RequestTask(T::WritePage);
  EXPECT_EQ(ecu::RequestedTask(), T::WriteAll);
  EXPECT_EQ(map.MapRPMTable[3][1], 150);
  EXPECT_TRUE(Messages().empty());

  // The map's write ends while the page's waits: the window stays, shrunk; "G" then takes the
  // page's place.
  ecu::Session().Link.TaskRequest = 0;
  ecu::Script_Poll();
  ecu::Session().Link.ScriptPos = 0;
  EXPECT_EQ(Requests(3), "#'(");
  ecu::RequestTask(T::WriteMapRPM);
  EXPECT_EQ(Next(), '.');
  ecu::RequestTask(T::WritePage);
  EXPECT_EQ(Requests(4), "1616");
  EXPECT_EQ(Next(), '#');
  ASSERT_TRUE(recorder->WaitWindowShown);
  ecu::RequestTask(T::GasMode);
  EXPECT_EQ(ecu::RequestedTask(), T::GasMode);
  EXPECT_EQ(recorder->Find("write task 22 replaced").size(), 1u);
  EXPECT_FALSE(recorder->WaitWindowShown);
  EXPECT_EQ(Messages(), std::vector<std::string>{"message 13 " + ecu::LngText("MSG_Not_Written_Replaced")});
}

// The windows ask for tasks by name; each name loads the script its number stands for, and a
// change of each transmit kind is written by its own task.
TEST_F(ScriptTest, NamedTasksLoadTheScriptsOfTheirNumbers) {
  using T = ecu::TTask;
  ecu::Session().Link.LinkUp = 1;  // tasks are asked of an ECU that answers
  const std::vector<std::pair<T, std::vector<std::int32_t>>> scripts = {
      {T::GasMode, {21, 5, 0}},           {T::PetrolMode, {22, 5, 0}},       {T::Mode1, {23, 5, 0}},
      {T::WriteNameAndPage, {47, 46, 48, 100}}, {T::WriteAll, {47, 46, 48, 49}}, {T::WritePage, {49, 46, 50, 100}},
      {T::WritePoints, {51, 46, 52, 100}}, {T::WriteMapRPM, {61, 62, 46, 63}}, {T::ClearErrors, {55, 5, 0}},
      {T::MapCorrection, {53, 51, 46, 52}}, {T::EraseGasMap, {53, 43, 5, 0}}, {T::ErasePetrolMap, {54, 45, 5, 0}}};
  for (const auto& [task, cells] : scripts) {
    ecu::Session().Link.TaskRunning = 0;
    ecu::RequestTask(task);
    EXPECT_EQ(ecu::RequestedTask(), task);
    ecu::Script_Next_Task();
    EXPECT_EQ(ecu::RequestedTask(), T::None) << "taken at the end cell";
    for (std::size_t i = 0; i < cells.size(); ++i)
      EXPECT_EQ(ecu::Session().Link.ScriptCells[i + 1], cells[i]) << "task " << static_cast<int>(task) << ", cell " << i + 1;
  }
  ecu::Session().Link.TaskRunning = 0;
  ecu::RequestTask(T::Connect);
  ecu::Script_Next_Task();
  EXPECT_EQ(ecu::Session().Link.TxFrame[1], '!') << "the reconnect begins with the handshake";

  EXPECT_EQ(ecu::WriteTaskOfKind(1), T::WriteAll);
  EXPECT_EQ(ecu::WriteTaskOfKind(2), T::WritePage);
  EXPECT_EQ(ecu::WriteTaskOfKind(3), T::WritePoints);
  EXPECT_EQ(ecu::WriteTaskOfKind(4), T::WriteMapRPM);
  EXPECT_EQ(ecu::WriteTaskOfKind(0), T::None);
  EXPECT_EQ(ecu::WriteTaskOfKind(5), T::None);
}

}  // namespace
}  // namespace linktest
