// The configured port is listed but cannot be opened, and the automatic search is on (what
// scripts/run.sh --find sets up): on a real X screen (Xvfb) and clock, against the ECU
// simulator, the message window says once which port could not be opened, and when the
// search has found the ECU on the simulator's port the message goes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/core/General_Unit.h"
#include "app/core/Msg_3D_Unit.h"
#include "app/ui/Form_3D_MSG.h"
#include "ecu/Link_State.h"
#include "platform/gfx3d/GlDevice.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/TextControls.h"

namespace port_search_screen_test {

namespace {

using namespace std::chrono_literals;

TEST(PortSearchScreen, TheRefusedPortsMessageGoesOnceTheSearchFindsTheEcu) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("PortSearchScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class PortSearchScreenChild : public apptest::SimulatorScreenTest {
protected:
  void SetUp() override {
    SimulatorScreenTest::SetUp();
    absent = (folder.Path() / "absent").string();
    ::setenv("GASCAL_EXTRA_PORTS", (absent + ":" + link).c_str(), 1);
    folder.Write("gascal.ini", "Port_Name                    " + absent +
                                   " {}\r\nSearch_Port                  True {}\r\n");
    host->MessagesShown = true;
  }
  void TearDown() override {
    message.reset();
    SimulatorScreenTest::TearDown();
  }
  std::string absent;
  std::unique_ptr<app::TForm_3D_MSG> message;
};

TEST_F(PortSearchScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  message = app::TForm_3D_MSG::Create();
  ShowMain();
  ASSERT_TRUE(RunUntil([&] { return message->Showing(); }, 15s)) << "the refused port was not reported";
  ASSERT_EQ(host->Messages.size(), 1u);
  // The port's name is its device's path: named once.
  EXPECT_EQ(host->Messages.front(),
            "13: The serial port \"" + absent + "\" cannot be opened: No such file or directory.");
  ASSERT_NE(message->MessageLabel(), nullptr);
  EXPECT_EQ(rtl::WideToUtf8(message->MessageLabel()->Text()), host->Messages.front().substr(4));
  RunFor(300ms);
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "port_search_refused.png");

  ASSERT_TRUE(RunUntil([] { return ecu::Session().Link.LinkUp != 0; }, 30s)) << "the search did not find the simulator";
  EXPECT_EQ(app::Model().Settings.Port_Name, link);
  ASSERT_TRUE(RunUntil([&] { return !message->Showing(); }, 5s)) << "the message stayed after the ECU was found";
  EXPECT_EQ(host->Withdrawn, host->Messages);
  EXPECT_EQ(app::Model().Messages.MessageWindowShown, 0);
  RunFor(500ms);
  // What shows now is another message (the first live data found no temperature table).
  int refused = 0;
  for (const std::string& m : host->Messages) refused += m.find("cannot be opened") != std::string::npos ? 1 : 0;
  EXPECT_EQ(refused, 1) << "the search reported the port again";
  if (message->Showing() && message->MessageLabel()) {
    EXPECT_EQ(rtl::WideToUtf8(message->MessageLabel()->Text()).find("cannot be opened"), std::string::npos)
        << "the port's message came back";
  }
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "port_search_found.png");
}

}  // namespace

}  // namespace port_search_screen_test
