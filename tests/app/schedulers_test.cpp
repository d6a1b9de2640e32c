// The action queue and transmit scheduling on the test clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"

namespace {

class SchedulerTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    app::Settings = std::make_unique<app::Settings_Class>();
    app::CreateMainTimers();
    app::ClearSchedulers();
    app::MainWindowShown = 1;
    ecu::LinkUp = 1;
    ecu::TaskRequest = 0;
    for (int code = 1; code <= app::LastActionCode; ++code)
      app::ActionHandlers[static_cast<std::size_t>(code)] = [this, code] { runs.push_back({rtl::GetTickCount(), code}); };
  }
  void TearDown() override {
    for (auto& h : app::ActionHandlers) h = nullptr;
    app::FreeMainTimers();
    app::MainWindowShown = 0;
    ecu::LinkUp = 0;
    ecu::TaskRequest = 0;
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }
  struct Run {
    double Time;
    int Code;
    bool operator==(const Run&) const = default;
  };
  // Task requests as they change, with their times.
  std::vector<Run> WatchRequests(double Ms, double Step = 1) {
    std::vector<Run> seen;
    for (double t = 0; t < Ms; t += Step) {
      clock.Advance(Step);
      if (ecu::TaskRequest != 0) {
        seen.push_back({rtl::GetTickCount(), ecu::TaskRequest});
        ecu::TaskRequest = 0;
      }
    }
    return seen;
  }

  rtl::TTestClock clock{0.0};
  std::vector<Run> runs;
};

TEST_F(SchedulerTest, TwoPageEditsOneSecondApartGiveOneWriteRequestOneAndAHalfSecondsAfterTheSecond) {
  app::ScheduleTransmit(2);
  clock.Advance(1000);
  app::ScheduleTransmit(2);
  EXPECT_EQ(WatchRequests(4000), (std::vector<Run>{{2500, 22}}));
  EXPECT_EQ(app::PendingTransmit, 2);  // kept after the tick
  EXPECT_FALSE(app::Timer_GEN_Transmit->Enabled());
}

TEST_F(SchedulerTest, OnlyTheLastKindWithinTheDelayIsSentAndEachKindHasItsTask) {
  app::ScheduleTransmit(2);
  clock.Advance(500);
  app::ScheduleTransmit(3);
  EXPECT_EQ(WatchRequests(3000), (std::vector<Run>{{2000, 23}}));
  for (std::uint8_t kind : {1, 4}) {
    app::ScheduleTransmit(kind);
    clock.Advance(1500);
    EXPECT_EQ(ecu::TaskRequest, 20 + kind);
  }
  ecu::TaskRequest = 7;
  app::PendingTransmit = 9;
  app::RequestPendingTransmit();
  EXPECT_EQ(ecu::TaskRequest, 7);
}

TEST_F(SchedulerTest, AnEditWhileTheLinkIsDownIsNeverSent) {
  app::ScheduleTransmit(2);
  clock.Advance(1000);
  ecu::LinkUp = 0;
  app::ScheduleTransmit(3);
  EXPECT_EQ(app::PendingTransmit, 2);
  EXPECT_TRUE(WatchRequests(5000).empty());
}

TEST_F(SchedulerTest, ATransmissionDelayBelowOneMillisecondUsesTheDefault) {
  for (std::int32_t delay : {0, -5}) {
    app::Settings->CFG_Transmit_Delay = delay;
    const double start = rtl::GetTickCount();
    app::ScheduleTransmit(4);
    EXPECT_EQ(WatchRequests(2000), (std::vector<Run>{{start + 1500, 24}}));
  }
  app::Settings->CFG_Transmit_Delay = 300;
  app::ScheduleTransmit(4);
  clock.Advance(300);
  EXPECT_EQ(ecu::TaskRequest, 24);
}

TEST_F(SchedulerTest, RequestConfigWriteAsksForTheWholeConfigurationAtOnceOnlyWithTheLinkUp) {
  ecu::Configuration = std::make_unique<ecu::Configuration_Class>();
  ecu::Configuration->Cfg_Name = "car1";
  ecu::LinkUp = 0;
  app::RequestConfigWrite();
  EXPECT_EQ(ecu::TaskRequest, 0);
  EXPECT_EQ(app::Settings->CFG_File_Name, "");
  ecu::LinkUp = 1;
  app::RequestConfigWrite();
  EXPECT_EQ(ecu::TaskRequest, 21);
  EXPECT_EQ(app::Settings->CFG_File_Name, "car1");
  ecu::Configuration.reset();
}

TEST_F(SchedulerTest, TheShowingSequenceRunsInOrderEachAfterItsDelayAndSixteenQueuesSeventeen) {
  app::ActionHandlers[16] = [this] {
    runs.push_back({rtl::GetTickCount(), 16});
    app::QueueAction(17, 1500);
  };
  app::QueueAction(16, 1);
  app::QueueAction(2, 100);
  app::QueueAction(6, 100);
  app::QueueAction(5, 100);
  app::QueueAction(7, 1000);
  app::QueueAction(6, 5000);  // already waiting: nothing changes
  EXPECT_EQ(app::ActionCount, 5);
  clock.Advance(5000);
  EXPECT_EQ(runs, (std::vector<Run>{{1, 16}, {101, 2}, {201, 6}, {301, 5}, {1301, 7}, {2801, 17}}));
  EXPECT_EQ(app::ActionCount, 0);
  EXPECT_FALSE(app::Timer_GEN_General->Enabled());
}

TEST_F(SchedulerTest, TheQueueHoldsTwentyAndWaitsWhileTheMainWindowIsNotShown) {
  app::MainWindowShown = 0;
  for (int code = 1; code <= 21; ++code) app::QueueAction(static_cast<std::uint8_t>(code), 10);
  EXPECT_EQ(app::ActionCount, 20);
  EXPECT_EQ(app::ActionCodes[19], 20);
  clock.Advance(1000);
  EXPECT_TRUE(runs.empty());
  EXPECT_EQ(app::ActionCount, 20);
  EXPECT_FALSE(app::Timer_GEN_General->Enabled());

  // The next action queued after the window shows starts the runs; codes without an action
  // (above 17) are removed all the same.
  app::MainWindowShown = 1;
  app::ActionCodes[19] = 0;
  --app::ActionCount;
  app::QueueAction(99, 10);
  clock.Advance(1000);
  EXPECT_EQ(runs.size(), 17u);
  EXPECT_EQ(app::ActionCount, 0);
}

TEST_F(SchedulerTest, AFailingActionIsStillRemoved) {
  rtl::Application->OnException = [](rtl::TObject*, const std::exception&) {};
  app::ActionHandlers[3] = [] { throw std::runtime_error("no window"); };
  app::QueueAction(3, 10);
  app::QueueAction(4, 10);
  clock.Advance(100);
  EXPECT_EQ(runs, (std::vector<Run>{{20, 4}}));
  EXPECT_EQ(app::ActionCount, 0);
  rtl::Application->OnException = nullptr;
}

}  // namespace
