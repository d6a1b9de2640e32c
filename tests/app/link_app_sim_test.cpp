// The link with the application core's real parts against the ECU simulator, as the
// headless runner runs it: the connect script reads the R.P.M. map and the status line
// shows the receiving notice, then "Data loaded"; task 24 writes the map back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "ecu/Session.h"
#include "tests/ecu/LinkFixture.h"

namespace {

class AppSimTest : public linktest::SimLinkTest {
protected:
  std::vector<std::string> StatusLine() const {
    std::vector<std::string> texts;
    for (const auto& r : recorder->Find("text DynamicIND ")) texts.push_back(r.What.substr(16));
    return texts;
  }
};

TEST_F(AppSimTest, ConnectReadsTheMapThroughItsInstructionsAndShowsTheReceivingNotice) {
  // A map in the ECU that differs from the defaults.
  sim->Modify([](ecusim::EcuState& s) {
    s.MapImage[2] = 0x1D, s.MapImage[3] = 0x4C;  // second break point 4000 r.p.m.
    s.MapImage[8 * 2 + 12 + 5] = 64;             // cell [1][6]: 0.50
  });
  OpenPort();
  ASSERT_TRUE(RunUntil("/77#"));
  EXPECT_EQ(wire.Commands(), "!0,$'(%/77#");
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[2][0], 4000);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[1][6], 50);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTable[0][12], 220);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[1][6], "0.50");
  EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[1][6], 2);
  const auto status = StatusLine();
  ASSERT_GE(status.size(), 2u);
  EXPECT_EQ(status[0], "Receiv data");
  EXPECT_EQ(status.back(), "Data loaded");
  EXPECT_EQ(recorder->Control(app::TControl::DynamicIND).Color, "#FF00FF00");

  // Task 24 packs the page's texts and writes them; the ECU keeps the bytes.
  app::Model().MapRPM.MapRPMTexts[3][1] = "1.50";
  ecu::Session().Link.TaskRequest = 24;
  ASSERT_TRUE(RunUntil("6#"));
  EXPECT_EQ(wire.Commands().substr(11), "'(.1616#");  // the poll cycle ends, then the task
  const std::vector<std::uint8_t> written = app::MapRPMWriteData();
  EXPECT_EQ(sim->State().MapImage, std::vector<std::uint8_t>(written.begin() + 2, written.end()));
  EXPECT_EQ(sim->State().MapImage[8 * 2 + 12 + 24], 192);
}

}  // namespace

#include <functional>

#include "app/core/Set_3D_Unit.h"

namespace {

// The settings window's program code against an ECU at address 25: 23 addresses nobody, so
// the reconnect finds no ECU and the link drops; 25 brings it up again.
TEST_F(AppSimTest, AProgramCodeTheEcuDoesNotAnswerDropsTheLinkAndItsOwnBringsItBack) {
  // Test time in small steps, each with a little real time for the simulator's answer.
  auto within = [&](double Ms, const std::function<bool()>& Done) {
    for (double t = 0; t < Ms && !Done(); t += 20) {
      clock.Advance(20);
      Pump(Done, 20);
    }
    return Done();
  };
  OpenPort();
  ASSERT_TRUE(within(5000, [] { return ecu::Session().Link.LinkUp != 0; }));
  app::ApplyProgramCode(app::ProgramCodeFromText("23"));
  EXPECT_EQ(23, app::Model().Settings.Program_Code);
  EXPECT_TRUE(within(20000, [] { return ecu::Session().Link.LinkUp == 0; })) << "no answer at 23";
  EXPECT_FALSE(within(3000, [] { return ecu::Session().Link.LinkUp != 0; })) << "and it stays down";
  app::ApplyProgramCode(app::ProgramCodeFromText("25"));
  EXPECT_TRUE(within(20000, [] { return ecu::Session().Link.LinkUp != 0; })) << "up again at 25";
}

}  // namespace

namespace {

// The longest reply delay the settings keep leaves the dialogue room: each request goes out
// and its reply comes back before the step's time-out, so the link connects and polls.
TEST_F(AppSimTest, TheLongestReplyDelayTheSettingsKeepStillConnectsAndPolls) {
  recorder->ReplyDelay = app::MaxReplyDelay;
  OpenPort();
  ASSERT_TRUE(RunUntil("/77#"));
  EXPECT_EQ(wire.Commands(), "!0,$'(%/77#");
  EXPECT_EQ(1, ecu::Session().Link.LinkUp);
  // The polls go on, one request a delay.
  const auto polls = [&] {
    const std::string c = wire.Commands();
    return std::count(c.begin(), c.end(), '#');
  };
  const auto before = polls();
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(Advance(recorder->ReplyDelay)) << wire.Commands();
  EXPECT_GE(polls(), before + 3) << wire.Commands();
  EXPECT_EQ(1, ecu::Session().Link.LinkUp);
}

}  // namespace

#include <unistd.h>

#include "app/core/Global_Unit.h"
#include "ecu/Language.h"
#include "platform/comm/PortList.h"
#include "platform/rtl/SysUtils.h"

namespace {

// The simulator behind a link that follows it when it closes its line and opens it again.
class AppSimLineTest : public AppSimTest {
protected:
  ecusim::SimulatorOptions Options() const override {
    ecusim::SimulatorOptions options;
    options.LinkPath = ::testing::TempDir() + "gascal-app-line-" + std::to_string(::getpid());
    return options;
  }
  void SetUp() override {
    AppSimTest::SetUp();
    path = Options().LinkPath;
    setenv(comm::kExtraPortsVariable, path.c_str(), 1);
    recorder->PortName = path;
  }
  void TearDown() override {
    AppSimTest::TearDown();
    unlink(path.c_str());
  }
  // Moves the clock in small steps, each with a little real time for the simulator, until Done
  // holds or Ms of the clock have passed.
  bool Within(double Ms, const std::function<bool()>& Done) {
    for (double t = 0; t < Ms && !Done(); t += 20) {
      clock.Advance(20);
      Pump(Done, 20);
    }
    return Done();
  }
  // The written requests' commands from the Nth on.
  std::string CommandsFrom(std::size_t N) const { return wire.Commands().substr(std::min(N, wire.Commands().size())); }
};

// The simulator closes its line 50 ms after an edit of the configuration page, while the edit
// waits for the transmission delay, and opens it again before the delay is over. The edit goes
// to no one: not to what answers once the line is back (it may be another ECU), which is read
// anew; and the installer is told once that it was not written.
TEST_F(AppSimLineTest, AnEditWhoseLineClosesBeforeItsWriteIsReportedAndGoesToNoOne) {
  app::CreateMainTimers();
  app::Model().Settings.CFG_Transmit_Delay = 8000;
  OpenPort();
  ASSERT_TRUE(RunUntil("#'("));
  const std::int32_t before = sim->State().Params['C'];
  ecu::Session().ConfigData.Configuration->PG_RPM = 2500;  // what the page's edit takes
  app::ScheduleTransmit(2);
  const double edited = rtl::GetTickCount();
  clock.Advance(50);
  sim->Stop();
  ASSERT_TRUE(Within(3000, [] { return ecu::Session().Link.LinkUp == 0; })) << "the link never noticed";
  sim->Start();
  const std::size_t written = wire.Commands().size();
  ASSERT_TRUE(Within(6000, [] { return ecu::Session().Link.LinkUp == 1; })) << "the link never came back";
  ASSERT_LT(rtl::GetTickCount(), edited + 8000) << "the line came back after the delay";
  // Polls past the end of the delay.
  for (int i = 0; i < 400 && rtl::GetTickCount() < edited + 9000; ++i) ASSERT_TRUE(Advance(recorder->ReplyDelay));
  const std::string after = CommandsFrom(written);
  EXPECT_EQ(after.find_first_of("-123.6"), std::string::npos) << "written after the line came back: " << after;
  EXPECT_EQ(sim->State().Params['C'], before);
  EXPECT_NE(ecu::Session().ConfigData.Configuration->PG_RPM, 2500) << "the configuration is read anew";
  EXPECT_EQ(recorder->Find("message 13 " + ecu::LngText("MSG_Not_Written")).size(), 1u);
}

}  // namespace

#include "app/core/SaveLoad_Unit.h"
#include "ecu/Calc_Unit.h"
#include "tests/ecu/TempDir.h"

namespace {

// File > Save with the reducer's reference temperature at 0 degrees: the whole configuration
// goes to the ECU, the reducer percentages that nobody changed as the ECU gave them (converted
// against their reference 0 they would go as "no value"). After the line comes back the ECU is
// read again, and nothing at all is written, past the transmission delay.
TEST_F(AppSimLineTest, AConnectAfterASaveWritesNothingTheInstallerDidNotChange) {
  ecu_test::TempDir dir;
  ecu::Session().ConfigData.ConfigDir = dir / "Config";
  // The sensor table: 150.0 degrees down to -54.6 in steps of 0.2; the reading 750 is 0.0.
  std::string table;
  for (int i = 0; i < ecu::SensorTableEntries; ++i) {
    const auto e = static_cast<std::uint16_t>(static_cast<std::int16_t>(1500 - 2 * i));
    table += static_cast<char>(e & 0xFF);
    table += static_cast<char>(e >> 8);
  }
  ecu_test::WriteFile(dir / "gascal.dat", table);
  ecu::Session().ConfigData.SensorTableFileName = dir / "gascal.dat";
  sim->Modify([](ecusim::EcuState& s) { s.Params[149] = 750; });
  app::CreateMainTimers();
  app::Model().Settings.CFG_Transmit_Delay = 1500;
  OpenPort();
  ASSERT_TRUE(RunUntil("/77#"));
  ASSERT_EQ(ecu::Session().ConfigData.Configuration->Param_149, 0);

  ASSERT_TRUE(app::SaveConfigurationAs(u"car1"));
  ASSERT_TRUE(RunUntil("6#", 80)) << wire.Commands();
  ASSERT_EQ(sim->State().Params[150], 0x0D00) << "the save changed a percentage nobody changed";
  ASSERT_EQ(sim->State().Params[151], 0x0D00);

  sim->Stop();
  ASSERT_TRUE(Within(6000, [] { return ecu::Session().Link.LinkUp == 0; })) << "the link never noticed";
  sim->Start();
  const std::size_t written = wire.Commands().size();
  ASSERT_TRUE(Within(6000, [] { return ecu::Session().Link.LinkUp == 1; })) << "the link never came back";
  ASSERT_TRUE(RunUntil("/77#", 80)) << CommandsFrom(written);
  const double read = rtl::GetTickCount();
  for (int i = 0; i < 400 && rtl::GetTickCount() < read + 4000; ++i) ASSERT_TRUE(Advance(recorder->ReplyDelay));
  const std::string after = CommandsFrom(written);
  EXPECT_EQ(after.find_first_of("-123.6"), std::string::npos) << "written after the line came back: " << after;
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->Param_150, 10);
}

}  // namespace

namespace {

// File > Save while the connect script reads the ECU, and again after the line closed during
// the read: the configuration holds part of what the ECU keeps, mixed with the values from
// before, and neither a file nor the ECU may get it. No file is written and the user is told
// why. A load puts a whole configuration in place, and so does the read once it has run to its
// end: then the save writes the file and sends it.
TEST_F(AppSimLineTest, ASaveWhileTheEcuIsReadOrAfterItsReadWasCutWritesNoFile) {
  ecu_test::TempDir dir;
  ecu::Session().ConfigData.ConfigDir = dir / "Config";
  const auto refusals = [&] {
    std::size_t n = 0;
    for (const auto& r : recorder->Find("message 13 "))
      n += r.What.find("car1.cfg\" was not saved: the ECU has not been read to its end") != std::string::npos;
    return n;
  };
  ASSERT_TRUE(app::SaveConfigurationAs(u"car0")) << "nothing read yet";
  OpenPort();
  ASSERT_TRUE(RunUntil("!0,$"));  // the parameters are read; the points and the map are not
  ASSERT_EQ(ecu::Session().Link.Reading, 1);
  EXPECT_FALSE(app::SaveConfigurationAs(u"car1"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Config/car1.cfg"));
  EXPECT_EQ(refusals(), 1u);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);

  sim->Stop();
  ASSERT_TRUE(Within(3000, [] { return ecu::Session().Link.LinkUp == 0; })) << "the link never noticed";
  EXPECT_FALSE(app::SaveConfigurationAs(u"car1"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Config/car1.cfg"));
  EXPECT_EQ(refusals(), 2u);
  ASSERT_TRUE(app::LoadConfigurationFrom(u"car0"));
  EXPECT_TRUE(app::SaveConfigurationAs(u"car1")) << "the load replaced what was read";
  std::filesystem::remove(dir / "Config/car1.cfg");

  sim->Start();
  ASSERT_TRUE(Within(6000, [] { return ecu::Session().Link.LinkUp == 1; })) << "the link never came back";
  EXPECT_FALSE(app::SaveConfigurationAs(u"car1"));
  EXPECT_EQ(refusals(), 3u);
  ASSERT_TRUE(RunUntil("/77#", 80)) << wire.Commands();
  EXPECT_TRUE(app::SaveConfigurationAs(u"car1"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Config/car1.cfg"));
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  EXPECT_EQ(refusals(), 3u);
}

}  // namespace

#include "app/core/Calibr_Map.h"

namespace {

bool Erased(const std::vector<std::uint8_t>& Map) {
  return std::all_of(Map.begin(), Map.end(), [](std::uint8_t b) { return b == 0; });
}

// At the longest reply delay a poll cycle takes about five seconds. Within one, an edit of the
// Setup page waits for its delay, and "Delete MAP points" is pressed for gas, then for petrol;
// the page's write is asked for as the delay ends. Each is carried out, none takes another's
// place: the erasures wait behind the write, in the order asked, and nothing is reported.
TEST_F(AppSimTest, ErasuresAndAWriteAskedForWithinOnePollCycleAreAllCarriedOut) {
  app::CreateMainTimers();
  recorder->ReplyDelay = app::MaxReplyDelay;
  OpenPort();
  ASSERT_TRUE(RunUntil("/77#"));
  ASSERT_FALSE(Erased(sim->State().MapGas));
  ASSERT_FALSE(Erased(sim->State().MapPetrol));
  const std::size_t from = wire.Commands().size();
  ecu::Session().ConfigData.Configuration->PG_RPM = 2500;  // what the page's edit takes
  app::ScheduleTransmit(2);
  app::DeleteGasMapPoints();
  app::DeletePetrolMapPoints();
  for (int i = 0; i < 60 && !(Erased(sim->State().MapGas) && Erased(sim->State().MapPetrol)); ++i)
    if (!Advance(recorder->ReplyDelay)) clock.Advance(recorder->ReplyDelay);
  const std::string after = wire.Commands().substr(from);
  const std::size_t write = after.find('2'), gas = after.find(')'), petrol = after.find('*');
  ASSERT_NE(write, std::string::npos) << after;
  ASSERT_NE(gas, std::string::npos) << after;
  ASSERT_NE(petrol, std::string::npos) << after;
  EXPECT_LT(write, gas) << after;
  EXPECT_LT(gas, petrol) << after;
  EXPECT_TRUE(Erased(sim->State().MapGas));
  EXPECT_TRUE(Erased(sim->State().MapPetrol));
  EXPECT_EQ(ecu::Session().ConfigData.MapPointsGas[1], 0) << "the block is read again";
  std::uint8_t high = 0, low = 0;
  ecu::RPMToPeriodBytes(2500, high, low);
  EXPECT_EQ(sim->State().Params['C'], high * 256 + low) << "the page is written";
  EXPECT_TRUE(recorder->Find("message 13 ").empty());
  EXPECT_EQ(ecu::Session().Link.EraseTask, 0) << "done once the poll script follows it";
}

// "Delete MAP points" for gas and for petrol, and the ECU's line closes before the poll cycle
// ends: neither erasure goes to what answers once the line is back (it may be another ECU),
// and the installer is told once that they were not carried out.
TEST_F(AppSimLineTest, ErasuresWaitingWhenTheLineClosesAreReportedAndGoToNoOne) {
  OpenPort();
  ASSERT_TRUE(RunUntil("/77#"));
  app::DeleteGasMapPoints();
  app::DeletePetrolMapPoints();
  sim->Stop();
  ASSERT_TRUE(Within(3000, [] { return ecu::Session().Link.LinkUp == 0; })) << "the link never noticed";
  EXPECT_EQ(recorder->Find("message 13 " + ecu::LngText("MSG_Not_Written")).size(), 1u);
  sim->Start();
  const std::size_t written = wire.Commands().size();
  ASSERT_TRUE(Within(6000, [] { return ecu::Session().Link.LinkUp == 1; })) << "the link never came back";
  ASSERT_TRUE(RunUntil("/77#", 80)) << CommandsFrom(written);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(Advance(recorder->ReplyDelay));
  EXPECT_EQ(CommandsFrom(written).find_first_of(")*"), std::string::npos) << CommandsFrom(written);
  EXPECT_FALSE(Erased(sim->State().MapGas));
  EXPECT_FALSE(Erased(sim->State().MapPetrol));
  EXPECT_EQ(recorder->Find("message 13 ").size(), 1u);
}

}  // namespace
