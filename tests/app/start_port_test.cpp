// The automatic port search starts from the configured port: the settings file names a port A
// on which no ECU answers, the machine lists COM1 (no ECU there either) first, then A, then a
// port B with the ECU behind it. The port read from the settings is tried first and again
// between the others.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <filesystem>

#include "app/core/General_Unit.h"
#include "platform/comm/PortList.h"
#include "tests/ecu/LinkFixture.h"
#include "tests/ecu/TempDir.h"

namespace start_port_test {

namespace {

// The port each request was written to.
class PortWrites : public ecu::TLinkMonitor {
public:
  std::vector<std::string> Ports;
  int Checked = 0;
  void FrameWritten(const std::uint8_t*, int) override { Ports.push_back(ecu::Session().Form_3D_Port->ComPort->Port()); }
  void ReplyChecked(const std::uint8_t*, int, bool) override { ++Checked; }
};

class StartPortTest : public linktest::LinkTest {
protected:
  void SetUp() override {
    LinkTest::SetUp();
    // The machine's own ports are left out: only the listed ones are there.
    std::filesystem::create_directories(root.Path() / "sys/class/tty");
    comm::SetPortListRoot(root.Path().string());
    for (Pty& p : ptys) {
      char name[128] = {};
      ASSERT_EQ(openpty(&p.master, &p.slave, name, nullptr, nullptr), 0);
      p.path = name;
    }
    sim = std::make_unique<ecusim::Simulator>(ecusim::DefaultState(), ecusim::SimulatorOptions{});
    sim->Start();
    Watch(&writes);
  }
  void TearDown() override {
    Watch(nullptr);
    delete form;
    form = nullptr;
    sim->Stop();
    for (Pty& p : ptys) {
      if (p.master >= 0) close(p.master);
      if (p.slave >= 0) close(p.slave);
    }
    unsetenv(comm::kExtraPortsVariable);
    comm::SetPortListRoot("/");
    LinkTest::TearDown();
  }

  // Test time in 10 ms steps; a request to the simulator gets its reply before time goes on.
  bool RunUntil(const std::function<bool()>& Done, double Limit) {
    for (double t = 0; t < Limit; t += 10) {
      if (Done()) return true;
      const std::size_t before = writes.Ports.size();
      const int checked = writes.Checked;
      clock.Advance(10);
      if (writes.Ports.size() > before && writes.Ports.back() == sim->SlavePath())
        linktest::PumpLink(clock, form, sim.get(), [&] { return writes.Checked != checked; });
      else
        rtl::Application->ProcessMessages();
    }
    return Done();
  }

  ecu_test::TempDir root;
  // Pseudo-terminals with nothing behind them: requests go in, no reply comes back.
  struct Pty {
    int master = -1, slave = -1;
    std::string path;
  } ptys[2];
  std::unique_ptr<ecusim::Simulator> sim;
  PortWrites writes;
};

TEST_F(StartPortTest, TheConfiguredPortIsTriedFirstAndBetweenTheOthers) {
  const std::string a = ptys[0].path, com1 = ptys[1].path, b = sim->SlavePath();
  setenv(comm::kExtraPortsVariable, (com1 + ":" + a + ":" + b).c_str(), 1);
  ecu_test::WriteFile(root / "gascal.ini", "Port_Name                    " + a + " {}\r\n" +
                                                "Search_Port                  True {}\r\n");
  app::Model().Settings.SettingsFileName = root / "gascal.ini";
  app::Settings_Default();
  ASSERT_EQ(app::Model().Settings.Port_Name, a);
  EXPECT_EQ(ecu::Session().PortSearch.StartPortName, a);

  // A is listed and opens; nothing answers there, so after two handshakes the search begins.
  // The start port is the new port of the first list read: it comes first and again between
  // the others.
  ASSERT_TRUE(ecu::OpenConfiguredPort());
  ASSERT_TRUE(RunUntil([] { return ecu::Session().Link.PortSearching == 1; }, 3000));
  EXPECT_EQ(ecu::Session().PortSearch.PortNames, (std::vector<std::string>{a, com1, a, b}));
  ASSERT_TRUE(RunUntil([] { return ecu::Session().Link.LinkUp == 1; }, 10000)) << "the ECU on B was not found";
  // On the wire: the two handshakes of the configured opening, then two on each port opened
  // in turn, A, COM1, A, until B answers the first.
  ASSERT_GE(writes.Ports.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(writes.Ports.begin(), writes.Ports.begin() + 9),
            (std::vector<std::string>{a, a, a, a, com1, com1, a, a, b}));
  EXPECT_EQ(app::Model().Settings.Port_Name, b) << "the port that answered is kept";
  EXPECT_EQ(ecu::Session().PortSearch.StartPortName, a) << "the start port stays the one the file named";
}

}  // namespace

}  // namespace start_port_test
