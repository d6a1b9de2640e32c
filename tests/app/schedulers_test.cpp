// The action queue and transmit scheduling on the test clock.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"
#include "tools/linkrec/Recorder.h"

namespace schedulers_test {

namespace {

class SchedulerTest : public ::testing::Test {
protected:
  struct Run {
    double Time;
    int Code;
    bool operator==(const Run&) const = default;
  };
  // The windows' side of the actions: each action run is noted with its time, unless the
  // test gives its code an action of its own.
  class Windows : public linkrec::Recorder {
  public:
    explicit Windows(std::vector<Run>& Runs) : runs_(Runs) {}
    std::map<int, std::function<void()>> Own;
    void RunAction(std::uint8_t Code) override {
      if (const auto own = Own.find(Code); own != Own.end())
        own->second();
      else
        runs_.push_back({rtl::GetTickCount(), Code});
    }

  private:
    std::vector<Run>& runs_;
  };

  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    app::CreateMainTimers();
    app::Model().Actions.MainWindowShown = 1;
    ecu::Session().Link.LinkUp = 1;
  }
  void TearDown() override {
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }
  // Task requests as they change, with their times.
  std::vector<Run> WatchRequests(double Ms, double Step = 1) {
    std::vector<Run> seen;
    for (double t = 0; t < Ms; t += Step) {
      clock.Advance(Step);
      if (ecu::Session().Link.TaskRequest != 0) {
        seen.push_back({rtl::GetTickCount(), ecu::Session().Link.TaskRequest});
        ecu::Session().Link.TaskRequest = 0;
      }
    }
    return seen;
  }

  // The messages saying that a change was not written to the ECU.
  std::size_t NotWrittenReports() const { return windows.Find("message 13 " + ecu::LngText("MSG_Not_Written")).size(); }

  ecu_test::FreshModel fresh;
  rtl::TTestClock clock{0.0};
  std::vector<Run> runs;
  Windows windows{runs};
};

TEST_F(SchedulerTest, TwoPageEditsOneSecondApartGiveOneWriteRequestOneAndAHalfSecondsAfterTheSecond) {
  app::ScheduleTransmit(2);
  clock.Advance(1000);
  app::ScheduleTransmit(2);
  EXPECT_EQ(WatchRequests(4000), (std::vector<Run>{{2500, 22}}));
  EXPECT_EQ(app::Model().Actions.PendingTransmit, 2);  // kept after the tick
  EXPECT_FALSE(app::Model().Actions.Timer_GEN_Transmit->Enabled());
}

TEST_F(SchedulerTest, KindsWithinTheDelayAreAllWrittenAndEachKindAloneHasItsTask) {
  // A page edit followed within the delay by a diagram edit: neither is lost, the whole
  // configuration carries both, 1.5 s after the last edit.
  app::ScheduleTransmit(2);
  clock.Advance(500);
  app::ScheduleTransmit(3);
  EXPECT_EQ(WatchRequests(3000), (std::vector<Run>{{2000, 21}}));
  EXPECT_EQ(app::Model().Actions.PendingKinds, 0) << "what was requested waits no more";
  // A page edit and a map edit: the map's page is packed into the table before the write.
  app::Model().MapRPM.MapRPMTexts[2][3] = "1.50";
  app::ScheduleTransmit(4);
  app::ScheduleTransmit(2);
  clock.Advance(1500);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[2][3], 150);
  ecu::Session().Link.TaskRequest = 0;
  // The same kind twice is one write of its own task.
  app::ScheduleTransmit(3);
  app::ScheduleTransmit(3);
  clock.Advance(1500);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);
  for (std::uint8_t kind : {1, 4}) {
    ecu::Session().Link.TaskRequest = 0;  // the poll script took the write before
    app::ScheduleTransmit(kind);
    clock.Advance(1500);
    EXPECT_EQ(ecu::Session().Link.TaskRequest, 20 + kind);
  }
  ecu::Session().Link.TaskRequest = 7;
  app::Model().Actions.PendingTransmit = 9;
  app::RequestPendingTransmit();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 7);
}

// An edit of the configuration page goes into the configuration and its write follows after the
// delay, also when one of its numbers does not convert; while the page is being filled from the
// model nothing is taken or written.
TEST_F(SchedulerTest, ACFGPageEditIsTakenAndWrittenAfterTheDelay) {
  ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
  ecu::TCFGPageValues page = ecu::ConfigToCFGPageValues();
  page.PG_RPM = "1300";
  app::TakeCFGPage(page);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_RPM, 1300);
  EXPECT_EQ(WatchRequests(2000), (std::vector<Run>{{1500, 22}}));

  page.PG_RPM = "x";
  page.PG_Temper = "41";
  EXPECT_THROW(app::TakeCFGPage(page), rtl::EConvertError);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_Temper, 41);
  EXPECT_THROW(app::TakeCFGLevelPage({10, 20, 30, 40, 50}, page), rtl::EConvertError);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->Level5, 50);
  EXPECT_EQ(WatchRequests(2000), (std::vector<Run>{{3500, 22}})) << "one write for both";

  ecu::Session().ConfigData.CFGPageUpdating = 1;
  page.PG_RPM = "1400";
  app::TakeCFGPage(page);
  app::TakeCFGLevelPage({1, 2, 3, 4, 5}, page);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_RPM, 1300);
  EXPECT_TRUE(WatchRequests(2000).empty());
}

TEST_F(SchedulerTest, AnEditWhileTheLinkIsDownIsNeverSent) {
  app::ScheduleTransmit(2);
  clock.Advance(1000);
  ecu::Session().Link.LinkUp = 0;
  app::ScheduleTransmit(3);
  EXPECT_EQ(app::Model().Actions.PendingTransmit, 2);
  EXPECT_TRUE(WatchRequests(5000).empty());
  // Nor once the link is back: the changes waiting went with it.
  ecu::Session().Link.LinkUp = 1;
  app::RequestPendingTransmit();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  // The page's edit was due to be written when the link went: the installer learns that it
  // was not. The diagram's, made with the link down, is covered by that report.
  EXPECT_EQ(NotWrittenReports(), 1u);
  EXPECT_TRUE(windows.Find("message 13 " + ecu::LngText("MSG_Not_Written_No_Link")).empty());
}

// An edit made while no ECU answers (before the first connect, or between a loss of the link
// and the reconnect's read) is taken, but the next read replaces it: the installer is told
// once for each loss of the link, not at each edit.
TEST_F(SchedulerTest, AnEditWithTheLinkDownIsToldOnceForEachLossOfTheLink) {
  const auto told = [this] { return windows.Find("message 13 " + ecu::LngText("MSG_Not_Written_No_Link")).size(); };
  ecu::Session().Link.LinkUp = 0;
  app::ScheduleTransmit(2);
  app::ScheduleTransmit(3);
  EXPECT_EQ(told(), 1u);
  ecu::Session().Link.LinkUp = 1;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Up);
  ecu::Session().Link.LinkUp = 0;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Reset);
  app::ScheduleTransmit(4);
  EXPECT_EQ(told(), 2u);
  EXPECT_TRUE(WatchRequests(3000).empty());
  EXPECT_EQ(NotWrittenReports(), 0u);
}

// An edit that waits for the transmission delay when the link goes down (a time-out, the port
// closed or reopened) is dropped with the link at once: its write would otherwise go to
// whatever answers next, which may be another ECU. The installer is told once for each loss of
// the link, in the language's text; a tick of the delay with the link down sends nothing and
// reports what waited.
TEST_F(SchedulerTest, AnEditWaitingWhenTheLinkGoesDownIsReportedOnceAndNeverSent) {
  app::ScheduleTransmit(2);
  app::ScheduleTransmit(3);
  clock.Advance(1000);
  ecu::Session().Link.LinkUp = 0;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Reset);
  EXPECT_FALSE(app::Model().Actions.Timer_GEN_Transmit->Enabled());
  EXPECT_EQ(app::Model().Actions.PendingKinds, 0);
  ASSERT_EQ(NotWrittenReports(), 1u);
  EXPECT_EQ(windows.Find("message 13 ").back().What,
            "message 13 The change was not written to the ECU: the connection to it was lost. Once the ECU answers "
            "again, check its values and enter the change again.");
  // The link back (another ECU, maybe): nothing goes to it.
  ecu::Session().Link.LinkUp = 1;
  EXPECT_TRUE(WatchRequests(5000).empty());

  // Lost again before it came up: nothing more was waiting, nothing more is said.
  ecu::Session().Link.LinkUp = 0;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Reset);
  EXPECT_EQ(NotWrittenReports(), 1u);

  // Up, an edit, and the link down without a reset of the dialogue (the settings' manual port
  // choice): the delay's tick sends nothing, and says so.
  ecu::Session().Link.LinkUp = 1;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Up);
  app::ScheduleTransmit(4);
  ecu::Session().Link.LinkUp = 0;
  EXPECT_TRUE(WatchRequests(3000).empty());
  EXPECT_EQ(NotWrittenReports(), 2u);

  // In the language chosen, the text its file gives.
  ecu_test::TempDir dir;
  const std::string text = "\xC7\xE0\xEF\xE8\xF1\xFC \xED\xE5 \xE2\xFB\xEF\xEE\xEB\xED\xE5\xED\xE0";
  ecu_test::WriteFile(dir / "Russian.lng", "MSG_Not_Written " + text + "\r\n");
  ecu::Session().Texts.LanguageDir = dir.Path().string();
  ecu::Session().Texts.CurrentLanguage = "Russian";
  ecu::Session().Link.LinkUp = 1;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Up);
  app::ScheduleTransmit(2);
  ecu::Session().Link.LinkUp = 0;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Reset);
  EXPECT_EQ(windows.Find("message 13 ").back().What, "message 13 " + text);
}

// The ECU is read again (a reconnect): what it keeps takes the place of the configuration's
// values. An edit made meanwhile is refused at once and reported, never replaced without a
// word, and no write goes out that carries only what was read: neither for the edit, nor for
// an edit that waited for its delay when the read began. The read's own write of a default
// (a parameter that came without its value) goes out after the delay.
TEST_F(SchedulerTest, AnEditWhileTheEcuIsReadAgainIsRefusedAndReportedAndNothingOfTheReadIsWritten) {
  ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
  auto reports = [this] { return windows.Find("message 13 " + ecu::LngText("MSG_Not_Written_Reading")).size(); };
  ecu::TLinkState& link = ecu::Session().Link;
  // An edit that waits for its delay, and a reconnect with the link up (the program code).
  app::ScheduleTransmit(3);
  ++link.ReadCount;
  link.Reading = 1;
  windows.LinkPhaseChanged(ecu::TLinkPhase::Up);
  EXPECT_EQ(reports(), 1u) << "the waiting edit is replaced by the read";
  // The page edited while it is read: not taken, and the page shows the model's values again.
  ecu::TCFGPageValues page = ecu::ConfigToCFGPageValues();
  const std::int32_t read = ecu::Session().ConfigData.Configuration->PG_RPM;
  page.PG_RPM = "2700";
  const std::size_t fills = windows.Find("configuration page").size();
  app::TakeCFGPage(page);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_RPM, read);
  EXPECT_EQ(reports(), 1u) << "told once for each read";
  EXPECT_GT(windows.Find("configuration page").size(), fills);
  app::ScheduleTransmit(4);  // a map edit
  EXPECT_EQ(reports(), 1u);
  EXPECT_TRUE(WatchRequests(5000).empty());
  // The read's own default is written after the delay, once the poll script takes it.
  app::ScheduleDefaultsWrite();
  EXPECT_EQ(WatchRequests(2000).size(), 1u);
  link.Reading = 0;
  // After the read, edits are written again.
  app::ScheduleTransmit(2);
  EXPECT_EQ(WatchRequests(2000).size(), 1u);
  // An edit that waited while a read began and ended within its (long) delay: nothing is
  // written of it, and it is reported at the delay's tick.
  app::Model().Settings.CFG_Transmit_Delay = 60000;
  app::ScheduleTransmit(2);
  ++link.ReadCount;
  EXPECT_TRUE(WatchRequests(61000).empty());
  EXPECT_EQ(reports(), 2u);
  EXPECT_EQ(NotWrittenReports(), 0u) << "no loss of the link is told";
}

TEST_F(SchedulerTest, ATransmissionDelayBelowOneMillisecondUsesTheDefault) {
  for (std::int32_t delay : {0, -5}) {
    app::Model().Settings.CFG_Transmit_Delay = delay;
    const double start = rtl::GetTickCount();
    app::ScheduleTransmit(4);
    EXPECT_EQ(WatchRequests(2000), (std::vector<Run>{{start + 1500, 24}}));
  }
  app::Model().Settings.CFG_Transmit_Delay = 300;
  app::ScheduleTransmit(4);
  clock.Advance(300);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 24);
}

TEST_F(SchedulerTest, RequestConfigWriteAsksForTheWholeConfigurationAtOnceOnlyWithTheLinkUp) {
  ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
  ecu::Session().ConfigData.Configuration->Cfg_Name = "car1";
  ecu::Session().Link.LinkUp = 0;
  app::RequestConfigWrite();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "");
  ecu::Session().Link.LinkUp = 1;
  app::RequestConfigWrite();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "car1");
}

TEST_F(SchedulerTest, TheShowingSequenceRunsInOrderEachAfterItsDelayAndSixteenQueuesSeventeen) {
  windows.Own[16] = [this] {
    runs.push_back({rtl::GetTickCount(), 16});
    app::QueueAction(17, 1500);
  };
  app::QueueAction(16, 1);
  app::QueueAction(2, 100);
  app::QueueAction(6, 100);
  app::QueueAction(5, 100);
  app::QueueAction(7, 1000);
  app::QueueAction(6, 5000);  // already waiting: nothing changes
  EXPECT_EQ(app::Model().Actions.ActionCount, 5);
  clock.Advance(5000);
  EXPECT_EQ(runs, (std::vector<Run>{{1, 16}, {101, 2}, {201, 6}, {301, 5}, {1301, 7}, {2801, 17}}));
  EXPECT_EQ(app::Model().Actions.ActionCount, 0);
  EXPECT_FALSE(app::Model().Actions.Timer_GEN_General->Enabled());
}

TEST_F(SchedulerTest, TheQueueHoldsTwentyAndWaitsWhileTheMainWindowIsNotShown) {
  app::Model().Actions.MainWindowShown = 0;
  for (int code = 1; code <= 21; ++code) app::QueueAction(static_cast<std::uint8_t>(code), 10);
  EXPECT_EQ(app::Model().Actions.ActionCount, 20);
  EXPECT_EQ(app::Model().Actions.ActionCodes[19], 20);
  clock.Advance(1000);
  EXPECT_TRUE(runs.empty());
  EXPECT_EQ(app::Model().Actions.ActionCount, 20);
  EXPECT_FALSE(app::Model().Actions.Timer_GEN_General->Enabled());

  // The next action queued after the window shows starts the runs; codes without an action
  // (above 17) are removed all the same.
  app::Model().Actions.MainWindowShown = 1;
  app::Model().Actions.ActionCodes[19] = 0;
  --app::Model().Actions.ActionCount;
  app::QueueAction(99, 10);
  clock.Advance(1000);
  EXPECT_EQ(runs.size(), 17u);
  EXPECT_EQ(app::Model().Actions.ActionCount, 0);
}

TEST_F(SchedulerTest, AFailingActionIsStillRemoved) {
  rtl::Application->OnException = [](rtl::TObject*, const std::exception&) {};
  windows.Own[3] = [] { throw std::runtime_error("no window"); };
  app::QueueAction(3, 10);
  app::QueueAction(4, 10);
  clock.Advance(100);
  EXPECT_EQ(runs, (std::vector<Run>{{20, 4}}));
  EXPECT_EQ(app::Model().Actions.ActionCount, 0);
  rtl::Application->OnException = nullptr;
}

}  // namespace

}  // namespace schedulers_test
