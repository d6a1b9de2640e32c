// The port window: opening the configured port, the automatic search over the port list,
// and the port's failures, against pseudo-terminals and the ECU simulator. Link timing runs
// on the test clock; the simulator answers in real time while the test waits for it.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

#include "ecu/Session.h"
#include "tests/ecu/LinkFixture.h"
#include "tests/ecu/TempDir.h"

namespace linktest {
namespace {

using app::TControl;

int CountEntries(const char* Dir) {
  int n = 0;
  if (DIR* d = opendir(Dir)) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}

// A pseudo-terminal with nothing behind it: requests go in, no reply comes back.
struct SilentPort {
  int master = -1, slave = -1;
  std::string path;
  SilentPort() {
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~SilentPort() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
};

// Holds a device's lock as another program that has the port open would.
struct BusyLock {
  int fd = -1;
  explicit BusyLock(const std::string& path) {
    fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) Release();
  }
  ~BusyLock() { Release(); }
  void Release() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
};

// Which port each request was written to, and the replies checked.
class PortLog : public ecu::TLinkMonitor {
public:
  std::vector<std::string> Writes;
  int Checked = 0;
  void FrameWritten(const std::uint8_t*, int) override {
    Writes.push_back(ecu::Session().Form_3D_Port->ComPort->Port());
  }
  void ReplyChecked(const std::uint8_t*, int, bool) override { ++Checked; }
  int To(const std::string& Port) const { return static_cast<int>(std::count(Writes.begin(), Writes.end(), Port)); }
};

class PortSearchTest : public LinkTest {
protected:
  void SetUp() override {
    LinkTest::SetUp();
    // Only the ports a test lists: the machine's own are left out.
    std::filesystem::create_directories(root.Path() / "sys/class/tty");
    comm::SetPortListRoot(root.Path().string());
    unsetenv(comm::kExtraPortsVariable);
    recorder->PortName = "COM9";
    recorder->SearchPort = true;
    ecu::Session().PortSearch.StartPortName = "COM9";
    Watch(&log);
  }
  void TearDown() override {
    Watch(nullptr);
    delete form;
    form = nullptr;
    if (sim) sim->Stop();
    unsetenv(comm::kExtraPortsVariable);
    comm::SetPortListRoot("/");
    LinkTest::TearDown();
  }

  // The machine's port list.
  static void List(const std::vector<std::string>& Ports) {
    std::string text;
    for (const auto& p : Ports) text += (text.empty() ? "" : ":") + p;
    setenv(comm::kExtraPortsVariable, text.c_str(), 1);
  }

  void StartSim(const std::string& LinkPath = {}) {
    ecusim::SimulatorOptions options;
    options.LinkPath = LinkPath;
    sim = std::make_unique<ecusim::Simulator>(ecusim::DefaultState(), options);
    sim->Start();
  }

  // Moves the clock in 10 ms steps; after a request to the running simulator, waits for its
  // reply before time moves on.
  void Run(double Ms) {
    for (double t = 0; t < Ms; t += 10) {
      const std::size_t writes = log.Writes.size();
      const int checked = log.Checked;
      clock.Advance(10);
      const bool toSim = log.Writes.size() > writes && sim && sim->Running() &&
                         (log.Writes.back() == sim->SlavePath() || log.Writes.back() == linkPath);
      if (toSim) {
        linktest::PumpLink(clock, form, sim.get(), [&] { return log.Checked != checked; });
      } else {
        rtl::Application->ProcessMessages();
      }
    }
  }

  // Runs until Done holds; the test-clock time that took, or -1 after Limit ms.
  double RunUntil(const std::function<bool()>& Done, double Limit) {
    const double start = clock.Now();
    while (!Done()) {
      if (clock.Now() - start > Limit) return -1;
      Run(10);
    }
    return clock.Now() - start;
  }

  ecu_test::TempDir root;
  PortLog log;
  std::unique_ptr<ecusim::Simulator> sim;
  std::string linkPath;
};

TEST_F(PortSearchTest, ListedConfiguredPortOpensAtOnceWithoutTheWindow) {
  SilentPort port;
  List({port.path});
  recorder->PortName = port.path;
  EXPECT_TRUE(ecu::OpenConfiguredPort());
  EXPECT_TRUE(form->ComPort->Connected());
  EXPECT_EQ(ecu::Session().Link.PortOpen, 1);
  EXPECT_EQ(ecu::Session().Link.PortSearching, 0);
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(form->Timer_Select_ComPort->Enabled());
}

TEST_F(PortSearchTest, NewPortStandsFirstAndBetweenTheOthers) {
  const std::string com1 = root / "COM1", com3 = root / "COM3", com4 = root / "COM4";
  // First sight of COM1 and COM4: the window says so for a second; nothing is opened yet.
  List({com1, com4});
  EXPECT_FALSE(ecu::OpenConfiguredPort());
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(ecu::Session().Link.PortSearching, 1);
  EXPECT_EQ(ecu::Session().PortSearch.PortNames, (std::vector<std::string>{com1, com4}));
  EXPECT_EQ(form->HudMemo_3D_Port.Lines, (std::vector<std::string>{com1, com4}));
  EXPECT_EQ(form->HudLabel_3D_Port_Num_Data.Text, "2");
  EXPECT_EQ(form->HudLabel_3D_Port_Search.Text, "Port finds are opening");
  EXPECT_TRUE(form->HudLabel_3D_Port_Search.Visible);
  EXPECT_FALSE(form->HudMemo_3D_Port.Visible);
  EXPECT_EQ(form->HudWindow_3D_Port.Text, "Auto saerch port");
  EXPECT_EQ(form->Timer_Select_ComPort->Interval(), 1000u);
  EXPECT_FALSE(form->ComPort->Connected());
  EXPECT_FALSE(recorder->Control(TControl::Port_Search).Visible);

  // COM3 appears: it comes first and again between the two known ports.
  List({com1, com3, com4});
  clock.Advance(1000);
  EXPECT_EQ(ecu::Session().PortSearch.PortNames, (std::vector<std::string>{com3, com1, com3, com4}));
  EXPECT_EQ(ecu::Session().PortSearch.PortCount, 4);
  EXPECT_EQ(ecu::Session().PortSearch.NewPortFound, 1);
  EXPECT_EQ(form->ProgressBar_3D_Port.Max, 4);
  EXPECT_TRUE(form->HudMemo_3D_Port.Visible);
  // None of them exists: each is passed over, none stays "connected", and the search
  // starts again a second later with no resends meanwhile.
  EXPECT_FALSE(form->ComPort->Connected());
  EXPECT_EQ(ecu::Session().Link.PortOpen, 0);
  EXPECT_FALSE(form->ComPort->PortFailed());
  EXPECT_EQ(form->ProgressBar_3D_Port.Value, 0);
  EXPECT_TRUE(form->HudLabel_3D_Port_Number.Text.empty());
  EXPECT_TRUE(form->Timer_Select_ComPort->Enabled());
  EXPECT_FALSE(form->Timer_Sending->Enabled());
  EXPECT_TRUE(log.Writes.empty());
}

TEST_F(PortSearchTest, SingleNewPortIsOneEntry) {
  SilentPort port;
  ecu::Session().PortSearch.StartPortName = port.path;  // the start port is the new one on a first read
  List({port.path});
  ecu::Port_Search_Step();
  EXPECT_EQ(ecu::Session().PortSearch.NewPortFound, 1);
  EXPECT_EQ(ecu::Session().PortSearch.PortNames, std::vector<std::string>{port.path});
  EXPECT_EQ(recorder->PortName, port.path);
}

TEST_F(PortSearchTest, EmptyListIsReadAgainEvery100ms) {
  EXPECT_FALSE(ecu::OpenConfiguredPort());
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->HudLabel_3D_Port_Search.Text, "Search port connection");
  EXPECT_EQ(form->HudLabel_3D_Port_Search.Color, "#FF00FF00");
  // The compact layout in a 300 x 100 panel.
  EXPECT_EQ(form->AniIndicator_3D_Port.Width, 90);
  EXPECT_EQ(form->AniIndicator_3D_Port.Height, 90);
  EXPECT_EQ(form->AniIndicator_3D_Port.Left, 210);
  EXPECT_EQ(form->AniIndicator_3D_Port.Top, 5);
  EXPECT_EQ(form->HudLabel_3D_Port_Search.Width, 210);
  EXPECT_EQ(form->HudLabel_3D_Port_Search.Height, 100);
  EXPECT_FALSE(form->AniIndicator_3D_Port.Enabled);
  clock.Advance(250);
  EXPECT_TRUE(form->AniIndicator_3D_Port.Enabled);
  SilentPort port;
  List({port.path});
  clock.Advance(49);
  EXPECT_EQ(ecu::Session().PortSearch.PortCount, 0);
  clock.Advance(1);
  EXPECT_EQ(ecu::Session().PortSearch.PortCount, 1);
  EXPECT_EQ(form->HudLabel_3D_Port_Search.Text, "Port finds are opening");
  EXPECT_EQ(form->Timer_Select_ComPort->Interval(), 1000u);
}

TEST_F(PortSearchTest, SearchTriesEachPortWithTwoHandshakesUntilTheEcuAnswers) {
  SilentPort first, busy, third;
  BusyLock lock(busy.path);
  ASSERT_GE(lock.fd, 0);
  StartSim();
  List({first.path, busy.path, third.path, sim->SlavePath()});
  EXPECT_FALSE(ecu::OpenConfiguredPort());
  const double took = RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 10000);
  ASSERT_GE(took, 0);
  // A second of "Finds_Port", two handshakes 550 ms apart on each silent port, the busy one
  // passed over, then the ECU's answer 60 ms after the port opened, taken once the line
  // has stayed quiet after it.
  EXPECT_EQ(took, 3260 + form->ReplyQuietMs());
  EXPECT_EQ(log.To(first.path), 2);
  EXPECT_EQ(log.To(busy.path), 0);
  EXPECT_EQ(log.To(third.path), 2);
  EXPECT_EQ(recorder->PortName, sim->SlavePath());
  EXPECT_EQ(ecu::Session().Link.PortSearching, 0);
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(recorder->PortWindowShown);
  EXPECT_FALSE(form->Timer_Select_ComPort->Enabled());
  EXPECT_EQ(recorder->Find("port window: ").size(), 1u);
  std::vector<std::string> tried;
  for (const auto& r : recorder->Find("port window;"))
    if (const auto at = r.What.find("; trying "); at != std::string::npos)
      tried.push_back(rtl::IntToStr(static_cast<int>(r.Time)) + r.What.substr(at));
  EXPECT_EQ(tried, (std::vector<std::string>{"1000; trying 1 of 4: " + first.path, "2160; trying 3 of 4: " + third.path,
                                             "3260; trying 4 of 4: " + sim->SlavePath()}));
  Run(2000);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 1);
  EXPECT_GE(log.Checked, 5);
}

TEST_F(PortSearchTest, ListedPortThatWillNotOpenIsClosedAndTriedAgain) {
  recorder->SearchPort = false;
  StartSim();
  recorder->PortName = sim->SlavePath();
  List({sim->SlavePath()});
  auto lock = std::make_unique<BusyLock>(sim->SlavePath());
  ASSERT_GE(lock->fd, 0);
  EXPECT_FALSE(ecu::OpenConfiguredPort());
  EXPECT_FALSE(form->ComPort->Connected());
  EXPECT_EQ(ecu::Session().Link.PortOpen, 0);
  EXPECT_FALSE(form->ComPort->PortFailed());
  Run(1000);
  EXPECT_FALSE(form->ComPort->Connected());
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  EXPECT_FALSE(form->Visible());
  lock.reset();
  EXPECT_GE(RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 2000), 0);

  // With the search on, a configured port that will not open starts the search.
  recorder->SearchPort = true;
  Watch(nullptr);
  delete form;
  form = new ecu::TForm_3D_Port(nullptr);
  Watch(&log);
  lock = std::make_unique<BusyLock>(sim->SlavePath());
  EXPECT_FALSE(ecu::OpenConfiguredPort());
  EXPECT_FALSE(form->ComPort->Connected());
  EXPECT_TRUE(form->Visible());
  lock.reset();
  EXPECT_GE(RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 5000), 0);
}

// A recorder that makes the port fail while the received-characters event is being handled.
class FailingRecorder : public linkrec::Recorder {
public:
  int Armed = 0;
  void SetText(TControl Control, const std::string& Text) override {
    if (Armed && Control == TControl::Port_Connect_Stabil && Text == "100%" && --Armed == 0)
      ecu::Session().Form_3D_Port->ComPort->SetPortFailed("failed while its reply was handled");
    Recorder::SetText(Control, Text);
  }
};

TEST_F(PortSearchTest, PortClosedFromInsideItsReceiveEventAndOpenedAgain) {
  auto failing = std::make_unique<FailingRecorder>();
  failing->SearchPort = false;
  StartSim();
  failing->PortName = sim->SlavePath();
  FailingRecorder* rec = failing.get();
  recorder = std::move(failing);
  List({sim->SlavePath()});
  ASSERT_TRUE(ecu::OpenConfiguredPort());
  ASSERT_GE(RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 1000), 0);
  rec->Armed = 3;  // the third good reply from now
  ASSERT_GE(RunUntil([&] { return ecu::Session().Link.PortOpen == 0; }, 3000), 0);
  EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
  EXPECT_FALSE(form->ComPort->Connected());
  EXPECT_GE(RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 3000), 0);
  EXPECT_TRUE(form->ComPort->Connected());
}

// Pulls the simulator's port and plugs it back 20 times.
class UnplugTest : public PortSearchTest {
protected:
  void Cycles(bool NewName) {
    ASSERT_GE(RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 5000), 0);
    Run(300);
    const int fds = CountEntries("/proc/self/fd");
    const int threads = CountEntries("/proc/self/task");
    for (int cycle = 0; cycle < 20; ++cycle) {
      SCOPED_TRACE(cycle);
      sim->Stop();
      if (NewName) List({});  // the adapter's device is gone from the machine
      ASSERT_GE(RunUntil([] { return ecu::Session().Link.LinkUp == 0 && ecu::Session().Link.PortOpen == 0; }, 3000), 0);
      Run(500);
      EXPECT_EQ(ecu::Session().Link.LinkUp, 0);
      sim->Start();
      if (NewName) List({sim->SlavePath()});
      const double took = RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 7000);
      ASSERT_GE(took, 0);
      EXPECT_EQ(recorder->PortName, NewName ? sim->SlavePath() : linkPath);
      Run(300);  // polling again
      ASSERT_EQ(ecu::Session().Link.LinkUp, 1);
    }
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  }
};

TEST_F(UnplugTest, EcuBackUnderANewNameIsFoundBySearch) {
  StartSim();
  List({sim->SlavePath()});
  recorder->PortName = sim->SlavePath();
  ecu::Session().PortSearch.StartPortName = sim->SlavePath();
  ASSERT_TRUE(ecu::OpenConfiguredPort());
  Cycles(true);
}

TEST_F(UnplugTest, EcuBackUnderTheSameNameIsReopenedWithTheSearchOff) {
  recorder->SearchPort = false;
  linkPath = root / "ttyECU";
  StartSim(linkPath);
  List({linkPath});
  recorder->PortName = linkPath;
  ASSERT_TRUE(ecu::OpenConfiguredPort());
  Cycles(false);
}

}  // namespace
}  // namespace linktest
