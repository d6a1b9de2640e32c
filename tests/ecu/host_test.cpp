// The seam between the ECU side and the application: hosts installed for a scope, the port the
// link writes to, and the link's events as the host sees them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/LinkFixture.h"

namespace linktest {
namespace {

TEST(HostScope, AHostIsInstalledForItsScopeAndGoneAfter) {
  const ecu_test::FreshModel fresh;
  EXPECT_EQ(ecu::Session().Hosts.Host, nullptr);
  EXPECT_THROW(ecu::Host(), rtl::Exception);
  {
    linkrec::Recorder outer;
    EXPECT_EQ(ecu::Session().Hosts.Host, &outer);
    EXPECT_EQ(app::Model().CoreHost, &outer);
    EXPECT_EQ(&ecu::Host(), &outer);
    {
      linkrec::Recorder inner;
      EXPECT_EQ(ecu::Session().Hosts.Host, &inner);
      EXPECT_EQ(app::Model().CoreHost, &inner);
    }
    // The one installed before comes back.
    EXPECT_EQ(ecu::Session().Hosts.Host, &outer);
    EXPECT_EQ(app::Model().CoreHost, &outer);
  }
  EXPECT_EQ(ecu::Session().Hosts.Host, nullptr);
  EXPECT_EQ(app::Model().CoreHost, nullptr);
}

TEST(HostScope, ScopesEndingOutOfOrderNeverLeaveAFreedHostInstalled) {
  const ecu_test::FreshModel fresh;
  auto first = std::make_unique<linkrec::Recorder>();
  auto second = std::make_unique<linkrec::Recorder>();
  // The first goes while the second is in force (a test that swaps its recorder does this).
  first.reset();
  EXPECT_EQ(ecu::Session().Hosts.Host, second.get());
  auto third = std::make_unique<linkrec::Recorder>();
  second.reset();
  EXPECT_EQ(ecu::Session().Hosts.Host, third.get());
  EXPECT_EQ(app::Model().CoreHost, third.get());
  third.reset();
  EXPECT_EQ(ecu::Session().Hosts.Host, nullptr);
  EXPECT_EQ(app::Model().CoreHost, nullptr);

  // A monitor is installed on its own, in the same way.
  struct Silent : ecu::TLinkMonitor {
    void FrameWritten(const std::uint8_t*, int) override {}
    void ReplyChecked(const std::uint8_t*, int, bool) override {}
  } a, b;
  auto sa = std::make_unique<ecu::THostScope<ecu::TLinkMonitor>>(ecu::Session().Hosts.Monitor, &a);
  auto sb = std::make_unique<ecu::THostScope<ecu::TLinkMonitor>>(ecu::Session().Hosts.Monitor, &b);
  sb.reset();
  EXPECT_EQ(ecu::Session().Hosts.Monitor, &a);
  sa.reset();
  EXPECT_EQ(ecu::Session().Hosts.Monitor, nullptr);
}

// A port of the test's own: the link writes to whatever port is installed.
class FakePort : public ecu::TLinkPort {
public:
  FakePort() {
    for (rtl::TTimer* t : {&send, &step}) t->SetEnabled(false);
  }
  std::vector<std::vector<std::uint8_t>> Written;
  std::vector<int> ReplyLengths;  // what the port was told of each request's reply
  std::vector<std::string> Steps;
  bool Open = true;
  rtl::TTimer send{nullptr}, step{nullptr};

  bool Connected() const override { return Open; }
  bool PortFailed() const override { return false; }
  void ClearPortFailed() override {}
  void Write(const std::uint8_t* Data, int Count, int ReplyLength) override {
    Written.emplace_back(Data, Data + Count);
    ReplyLengths.push_back(ReplyLength);
  }
  std::int32_t ReadInterval() const override { return 200; }
  rtl::TTimer& SendTimer() override { return send; }
  rtl::TTimer& StepTimer() override { return step; }
  bool OpenConfigured() override {
    Steps.push_back("open");
    return true;
  }
  void SearchStep() override { Steps.push_back("search step"); }
  void SearchNext() override { Steps.push_back("search next"); }
  void Failed() override { Steps.push_back("failed"); }
  void Closed() override { Steps.push_back("closed"); }
  void SearchFound() override { Steps.push_back("found"); }
};

TEST(LinkPort, TheLinkWritesToTheInstalledPortAndTakesItsStepsThroughIt) {
  const ecu_test::FreshModel fresh;
  rtl::Application->Reset();
  linkrec::Recorder recorder;
  FakePort port;
  {
    const ecu::THostScope<ecu::TLinkPort> installed(ecu::Session().Hosts.Port, &port);
    ecu::Link_After_Open();  // the connect script: its handshake is built and waits 60 ms
    EXPECT_EQ(ecu::Session().Link.PortOpen, 1);
    ASSERT_TRUE(port.send.Enabled());
    EXPECT_EQ(port.send.Interval(), 60u);
    ecu::Send_Tick();
    ASSERT_EQ(port.Written.size(), 1u);
    EXPECT_EQ(Hex(port.Written[0]), "19 21 21 21 7C");
    // The port learns how long the handshake's reply is.
    EXPECT_EQ(port.ReplyLengths, std::vector<int>{4});
    // The resend period is the port's read interval and the margin.
    EXPECT_EQ(port.send.Interval(), 250u);

    // The handshake's reply: the search (had it run) ends through the port.
    std::copy_n(Bytes{0x19, 0x21, 0x2A, 0x64}.begin(), 4, ecu::Session().Link.RxFrame.begin());
    ecu::Frame_Check_Reply(4);
    EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
    EXPECT_EQ(port.Steps, (std::vector<std::string>{"found"}));
    EXPECT_TRUE(port.step.Enabled());

    // A port that is gone takes the port-closed path.
    port.Open = false;
    ecu::Link_After_Open();
    EXPECT_EQ(port.Steps.back(), "closed");
  }
  EXPECT_EQ(ecu::Session().Hosts.Port, nullptr);
  EXPECT_THROW(ecu::Port(), rtl::Exception);
  rtl::Application->Reset();
}

// The link's events as the host sees them: "link up", "link down", "live data", "write task".
class LinkEventTest : public SimLinkTest {
protected:
  std::vector<std::string> Events() const {
    std::vector<std::string> events;
    for (const auto& r : recorder->Log()) {
      const bool event = r.What.rfind("link ", 0) == 0 || r.What == "live data" || r.What.rfind("write task", 0) == 0;
      if (!event || (!events.empty() && r.What == "live data" && events.back() == "live data")) continue;
      events.push_back(r.What);
    }
    return events;
  }
};

TEST_F(LinkEventTest, UpDownRepliesAndWriteTasksReachTheHostInTheirOrder) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));  // the connect script, then the first live-data reply
  EXPECT_EQ(Events(), (std::vector<std::string>{"link up", "live data"}));

  // A configuration-page write, at the end of the poll cycle.
  ecu::Session().Link.TaskRequest = 22;
  ASSERT_TRUE(RunUntil("12#"));
  EXPECT_EQ(Events(), (std::vector<std::string>{"link up", "live data", "write task 22 started",
                                                "write task 22 ended", "live data"}));

  // The R.P.M.-map write, cut off when the line goes dead: the link goes down first, then
  // the task ends unfinished.
  ecu::Session().Link.TaskRequest = 24;
  ASSERT_TRUE(RunUntil(".1"));
  sim->SetSilent(true);
  clock.Advance(5000);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  const std::vector<std::string> cut = {"link up",          "live data",          "write task 22 started",
                                        "write task 22 ended", "live data",       "write task 24 started",
                                        "link down",        "write task 24 cut off"};
  EXPECT_EQ(Events(), cut);
  // The window goes with the write, and the installer learns that the map was not written.
  EXPECT_FALSE(recorder->WaitWindowShown);
  EXPECT_EQ(recorder->Find("message 13 " + ecu::LngText("MSG_Not_Written")).size(), 1u);

  // The line comes back: up again, and polling.
  SimHasRead();
  sim->SetSilent(false);
  ASSERT_TRUE(Advance(60));  // the fresh handshake
  ASSERT_TRUE(RunUntil("#"));
  std::vector<std::string> again = cut;
  again.insert(again.end(), {"link up", "live data"});
  EXPECT_EQ(Events(), again);
  EXPECT_FALSE(recorder->WaitWindowShown);
}

// A write asked for while another runs: the wait window shows while each runs and goes when the
// last has ended, whether or not the ECU's "data saved" bit rose in between (the simulator keeps
// it up for three live replies after a write, so it is still up when the second write ends).
TEST_F(LinkEventTest, TheWaitWindowGoesWhenTheLastOfTwoWritesInARowHasEnded) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#"));
  ecu::RequestTask(ecu::TTask::WritePage);
  ASSERT_TRUE(RunUntil("1"));
  ASSERT_EQ(ecu::Session().Link.TaskRunning, 1);
  EXPECT_TRUE(recorder->WaitWindowShown);
  ecu::RequestTask(ecu::TTask::WriteAll);  // File > Save while the page is being written
  ASSERT_TRUE(RunUntil("6#"));             // the whole configuration ends with the map
  ASSERT_TRUE(RunUntil("#'(#"));
  std::vector<std::string> seen;
  for (const auto& r : recorder->Log())
    if (r.What.rfind("wait ", 0) == 0 || r.What.rfind("write task", 0) == 0) seen.push_back(r.What);
  const std::vector<std::string> writes = {"write task 22 started", "write task 22 ended", "write task 21 started",
                                           "write task 21 ended"};
  std::vector<std::string> tasks;
  for (const std::string& s : seen)
    if (s.rfind("write task", 0) == 0) tasks.push_back(s);
  ASSERT_EQ(tasks, writes);
  // Each write shows the window, and after the last one ended it is closed.
  for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
    if (seen[i].find(" started") != std::string::npos) {
      EXPECT_EQ(seen[i + 1], "wait shown") << i;
    }
  }
  EXPECT_EQ(seen.back(), "wait closed");
  EXPECT_FALSE(recorder->WaitWindowShown);
  EXPECT_TRUE(recorder->Find("message 13").empty()) << "both writes went out";
}

TEST_F(LinkEventTest, AFreshModelAfterASessionHasTheStateAtProgramStart) {
  OpenPort();
  ASSERT_TRUE(RunUntil("#'("));
  ecu::Session().Link.TaskRequest = 24;
  ASSERT_TRUE(RunUntil(".1"));
  app::CreateMainTimers();
  app::QueueAction(app::Action_ApplyFonts, 100);
  app::Model().Diagram.DiagramWidth = 500;
  ASSERT_EQ(app::Model().StatusMessages.Count, 1);  // the transmission notice
  ASSERT_NE(ecu::Session().Link, ecu::TLinkState());
  ASSERT_NE(ecu::Session().LiveData, ecu::TLiveState());

  app::TModel* session = &app::Model();
  {
    // A fresh model, made after the session, is in force with the state at program start.
    const app::TModel fresh;
    ASSERT_EQ(&app::Model(), &fresh);
    EXPECT_EQ(ecu::Session().Link, ecu::TLinkState());
    EXPECT_EQ(ecu::Session().LiveData, ecu::TLiveState());
    EXPECT_EQ(ecu::Session().PortSearch, ecu::TPortSearchState());
    EXPECT_EQ(ecu::Session().ConfigData.Configuration, nullptr);
    EXPECT_EQ(ecu::Session().ConfigData.MapPointCount, 32);
    EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1);
    EXPECT_FALSE(ecu::Session().Files.StorePresent);
    EXPECT_EQ(ecu::Session().Texts.CurrentLanguage, "English");
    EXPECT_EQ(app::Model().Settings, app::Settings_Class());
    EXPECT_EQ(app::Model().Colors.ColorTable, app::DefaultColorTable());
    EXPECT_EQ(app::Model().Actions.ActionCount, 0);
    EXPECT_EQ(app::Model().Actions.Timer_GEN_General, nullptr);
    EXPECT_FALSE(app::Model().StatusMessages.Created());
    EXPECT_EQ(app::Model().StatusMessages.Count, 0);
    EXPECT_EQ(app::Model().Diagram, app::TDiagramState());
    EXPECT_EQ(app::Model().MapRPM.MapRPMTransfer.MapRPMBytesRead(), 0);
    EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[0][0], "");
  }
  // The session's own model is in force again, and its installed objects stay.
  ASSERT_EQ(&app::Model(), session);
  EXPECT_EQ(ecu::Session().Hosts.Host, recorder.get());
  EXPECT_NE(ecu::Session().Hosts.Port, nullptr);
}

}  // namespace
}  // namespace linktest
