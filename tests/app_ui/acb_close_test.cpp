// The program closed during an automatic calibration, against the ECU simulator on the test
// clock: the run stops as the button's release stops it, and the port closes only once the
// stop has put the ECU back (the diagram restored, the cylinders on petrol), or after a bound.
// The program closed while a change waits for its write: the write goes out before the port
// closes, or the close says that it did not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/SaveLoad_Unit.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Page_ACB.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/Page_CLB.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/comm/PortList.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "serial/CPort.h"
#include "tests/app_ui/MainWindow.h"
#include "tests/ecu/LinkFixture.h"
#include "tools/ecusim/Simulator.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/NumberBox.h"

namespace acb_close_test {

namespace {

// The windows' host, keeping the program's last reports.
class EndingsHost : public apptest::RecordingHost {
public:
  std::vector<std::string> Endings;
  std::vector<bool> InWindow;  // whether each was asked for in the message window too
  bool ShowEndingMessage(const std::string& Text, bool InWindow) override {
    Endings.push_back(Text);
    this->InWindow.push_back(InWindow);
    return app::TWindowHost::ShowEndingMessage(Text, InWindow);
  }
};

class ACBClose : public apptest::MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    host = std::make_unique<EndingsHost>();
    ecusim::EcuState state = ecusim::DefaultState();
    state.Animate = false;
    state.Engine.On = true;
    ecusim::SimulatorOptions options;
    options.LineTiming = false;
    sim = std::make_unique<ecusim::Simulator>(state, options);
    sim->Start();
    setenv(comm::kExtraPortsVariable, sim->SlavePath().c_str(), 1);
    folder.Write("gascal.ini", "Port_Name                    " + sim->SlavePath() +
                                   " {}\r\nSearch_Port                  False {}\r\n");
    watch = std::make_unique<ecu::THostScope<ecu::TLinkMonitor>>(ecu::Session().Hosts.Monitor, &wire);
  }
  void TearDown() override {
    watch.reset();
    port.reset();
    main.reset();
    sim->Stop();
    unsetenv(comm::kExtraPortsVariable);
    MainWindowTest::TearDown();
  }
  std::size_t Replies() const { return wire.Of('A').size() + wire.Of('R').size(); }
  // Moves the clock by Ms; a request that goes meanwhile is answered and checked before it returns.
  void Step(double Ms = 60) {
    const std::size_t writes = wire.Of('W').size(), replies = Replies();
    clock.Advance(Ms);
    win::PumpEvents();
    rtl::Application->ProcessMessages();
    if (wire.Of('W').size() != writes && port && port->Link() && !silent)
      linktest::PumpLink(clock, port->Link(), sim.get(), [&] { return Replies() > replies; });
  }
  // Steps until Done holds, at most Ms of the test clock.
  bool StepUntil(const std::function<bool()>& Done, double Ms) {
    for (double t = 0; t < Ms; t += 60) {
      if (Done()) return true;
      Step();
    }
    return Done();
  }
  // Work-mode requests written from Index on: their data byte (0x14 = cylinder 1 on gas, 1 = petrol).
  std::vector<int> ModeRequests(std::size_t From = 0) const {
    std::vector<int> data;
    const std::vector<linktest::WireEvent> w = wire.Of('W');
    for (std::size_t i = From; i < w.size(); ++i)
      if (w[i].Frame.size() >= 4 && w[i].Frame[1] == 0x22) data.push_back(w[i].Frame[3]);
    return data;
  }
  // The program shown, connected, and a run begun that has put cylinder 1 on gas.
  void StartRunUntilGas() {
    Make();
    win::SetMainForm(main.get());
    main->Show();
    ASSERT_TRUE(StepUntil([] { return ecu::Session().Link.LinkUp != 0; }, 20000));
    // The ECU's data read and live values coming.
    ASSERT_TRUE(StepUntil([] { return ecu::Session().LiveData.LivePetrolTimes[0] != 0 && !ecu::Session().Link.TaskRunning; }, 60000));
    vg::TvxHudButton* start = main->PageACB()->Parts().HudButton_ACB_Start;
    start->SetIsPressed(true);
    main->PageACB()->HudButton_ACB_StartClick(start);
    ASSERT_TRUE(app::AutoCalibrationActive());
    ASSERT_TRUE(StepUntil([&] { return !ModeRequests().empty() && ModeRequests().back() == 0x14; }, 600000))
        << "cylinder 1 goes on gas";
    ASSERT_EQ(4, sim->State().Live.WorkMode);
  }

  EndingsHost& Host() { return static_cast<EndingsHost&>(*host); }

  std::unique_ptr<ecusim::Simulator> sim;
  bool silent = false;  // the simulator answers nothing: no reply is waited for
  linktest::WireLog wire;
  std::unique_ptr<ecu::THostScope<ecu::TLinkMonitor>> watch;
};

// The user closes the program: the close waits while the stop script runs, the engine is back
// on petrol and the ECU has its diagram back before the port closes; then the program ends.
TEST_F(ACBClose, ACloseDuringARunStopsItAndTheEcuIsBackOnPetrolBeforeThePortCloses) {
  StartRunUntilGas();
  const std::size_t from = wire.Of('W').size();
  main->Close();
  EXPECT_TRUE(main->Showing()) << "it waits for the stop";
  EXPECT_FALSE(main->PageACB()->Parts().HudButton_ACB_Start->IsPressed());
  EXPECT_TRUE(port->Link()->ComPort->Connected());
  main->Close();
  EXPECT_TRUE(main->Showing()) << "a second request waits with it";
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::ACBCloseWaitMs() + 1000.0));
  EXPECT_FALSE(app::AutoCalibrationActive()) << "the run ended before the close";
  const std::vector<int> modes = ModeRequests(from);
  ASSERT_FALSE(modes.empty());
  EXPECT_EQ(1, modes.back()) << "the last work-mode request puts the engine on petrol";
  EXPECT_EQ(1, sim->State().Live.WorkMode);
  EXPECT_TRUE(rtl::Application->Terminated());
  EXPECT_FALSE(port->Link()->ComPort->Connected()) << "the port closed after it";
  const std::size_t after = wire.Of('W').size();
  for (int i = 0; i < 100; ++i) Step();
  EXPECT_EQ(after, wire.Of('W').size()) << "nothing more goes out";
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// An ECU that stops answering during the stop: the close waits no longer than its bound (and
// says so to whoever waits for the program to end), then closes, and says that the stop may
// not have reached the ECU.
TEST_F(ACBClose, ACloseWhoseStopGetsNoAnswerEndsAfterItsBoundAndSaysSo) {
  StartRunUntilGas();
  sim->SetSilent(true);
  silent = true;
  const double start = rtl::GetTickCount(), bound = app::ACBCloseWaitMs();
  // A newer copy that waits for this one to end is told how long the close may take.
  std::vector<int> announced;
  main->OnLongClose = [&announced](int Ms) { announced.push_back(Ms); };
  main->Close();
  EXPECT_TRUE(main->Showing());
  main->CloseUnattended();
  EXPECT_TRUE(main->Showing()) << "a newer copy's request waits with it";
  EXPECT_EQ(announced, std::vector<int>{static_cast<int>(bound)}) << "told once, as the wait begins";
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, bound + 2000));
  EXPECT_GE(rtl::GetTickCount() - start + 20, bound) << "not before its bound";
  EXPECT_FALSE(port->Link()->ComPort->Connected());
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_NE(std::string::npos, Host().Endings[0].find("check that the engine runs on petrol")) << Host().Endings[0];
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// The link is down when the program closes during a run: nothing can reach the ECU, so the
// close does not wait, and it says that the stop did not reach the ECU.
TEST_F(ACBClose, ACloseWithTheLinkDownEndsAtOnceAndSaysTheStopDidNotReachTheEcu) {
  StartRunUntilGas();
  sim->SetSilent(true);
  silent = true;
  ASSERT_TRUE(StepUntil([] { return ecu::Session().Link.LinkUp == 0; }, 30000));
  main->Close();
  EXPECT_FALSE(main->Showing()) << "no wait";
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_NE(std::string::npos, Host().Endings[0].find("check that the engine runs on petrol")) << Host().Endings[0];
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// The program shown, connected and the ECU read; then the configuration page's edit of the
// gas switch-over speed (parameter 0x43, 'C') waits for its transmission delay.
class WriteClose : public ACBClose {
protected:
  // The program shown and the ECU read, nothing asked of it any more.
  void ShowAndRead() {
    Make();
    win::SetMainForm(main.get());
    main->Show();
    ASSERT_TRUE(StepUntil(
        [] {
          const ecu::TLinkState& link = ecu::Session().Link;
          return link.LinkUp && !link.Reading && !link.TaskRunning && link.TaskRequest == 0;
        },
        60000));
  }
  void ConnectAndEdit(std::int32_t Rpm) {
    ASSERT_NO_FATAL_FAILURE(ShowAndRead());
    before = sim->State().Params['C'];
    ecu::TCFGPageValues page = ecu::ConfigToCFGPageValues();
    page.PG_RPM = std::to_string(Rpm);
    app::TakeCFGPage(page);
    ASSERT_TRUE(app::Model().Actions.Timer_GEN_Transmit->Enabled()) << "the write waits for its delay";
  }
  // The edit, and a second later the program asked to close by its user or by the system (the
  // signals, a newer copy): the close waits while the change is written, the ECU keeps it
  // before the port closes, and nothing is reported.
  void CloseWaitsForTheWrite(bool User) {
    ASSERT_NO_FATAL_FAILURE(ConnectAndEdit(2600));
    Step(1000);
    ASSERT_NE(sim->State().Params['C'], Period(2600)) << "written before the delay";
    if (User)
      main->Close();
    else
      main->CloseUnattended();
    EXPECT_TRUE(main->Showing()) << "it waits for the write";
    main->Close();
    EXPECT_TRUE(main->Showing()) << "a second request waits with it";
    ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
    EXPECT_EQ(sim->State().Params['C'], Period(2600)) << "the ECU keeps the change";
    EXPECT_FALSE(port->Link()->ComPort->Connected()) << "the port closed after it";
    EXPECT_TRUE(Host().Endings.empty()) << Host().Endings[0];
    EXPECT_EQ(NotWrittenMessages(), 0u);
    EXPECT_EQ(main->EndStatus(), 0);
    EXPECT_TRUE(rtl::Application->Terminated());
    win::SetMainForm(nullptr);
    rtl::Application->Reset();
  }
  // The gas switch-over speed typed into its box, neither entered nor left.
  void TypeUnfinished(const std::string& Text) {
    vg::TvxHudComboTextBox* rpm = main->PageCFG()->Parts().HudComboTextBox_CFG_PG_RPM;
    rpm->SetFocus();
    ASSERT_TRUE(rpm->IsFocused());
    rpm->SelectAll();
    win::SimulateText(main.get(), Text);
    Step(20);
    ASSERT_EQ(rpm->Text(), rtl::Utf8ToWide(Text));
    ASSERT_TRUE(rpm->IsFocused());
    ASSERT_FALSE(app::Model().Actions.Timer_GEN_Transmit->Enabled()) << "taken before the close";
  }
  // A number typed and not finished, and the program closed by its user (the close cross) or by
  // the system (the signals): the close takes the number as leaving its box would, waits while
  // it is written, and the ECU has it before the port closes; nothing is reported.
  void CloseTakesTheNumberTyped(bool User, std::int32_t Rpm) {
    ASSERT_NO_FATAL_FAILURE(ShowAndRead());
    before = sim->State().Params['C'];
    ASSERT_NE(before, Period(Rpm));
    ASSERT_NO_FATAL_FAILURE(TypeUnfinished(std::to_string(Rpm)));
    if (User)
      main->Close();
    else
      main->CloseUnattended();
    EXPECT_TRUE(main->Showing()) << "it waits for the write of the number typed";
    EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_RPM, Rpm);
    ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
    EXPECT_EQ(sim->State().Params['C'], Period(Rpm)) << "the ECU keeps the number typed";
    EXPECT_FALSE(port->Link()->ComPort->Connected()) << "the port closed after it";
    EXPECT_TRUE(Host().Endings.empty()) << Host().Endings[0];
    EXPECT_EQ(main->EndStatus(), 0);
    win::SetMainForm(nullptr);
    rtl::Application->Reset();
  }
  // A text that is no number typed and not finished, and the program closed: it is reported as
  // leaving the box reports it, with the close's failures (in the message window for a user's
  // close, on the error stream only for the system's, which then ends with status 1); nothing
  // is written and the close does not wait.
  void CloseReportsTheTextTyped(bool User) {
    ASSERT_NO_FATAL_FAILURE(ShowAndRead());
    before = sim->State().Params['C'];
    const std::int32_t inForce = ecu::Session().ConfigData.Configuration->PG_RPM;
    ASSERT_NO_FATAL_FAILURE(TypeUnfinished("27x0"));
    if (User)
      main->Close();
    else
      main->CloseUnattended();
    EXPECT_FALSE(main->Showing()) << "nothing to wait for";
    ASSERT_EQ(1u, Host().Endings.size());
    EXPECT_NE(std::string::npos, Host().Endings[0].find("'27x0' is not a valid integer value")) << Host().Endings[0];
    EXPECT_EQ(Host().InWindow, std::vector<bool>{User});
    EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_RPM, inForce);
    EXPECT_EQ(main->PageCFG()->Parts().HudComboTextBox_CFG_PG_RPM->Text(), rtl::Utf8ToWide(std::to_string(inForce)));
    EXPECT_EQ(sim->State().Params['C'], before);
    if (!User) {
      EXPECT_EQ(main->EndStatus(), 1) << "only the error stream told it";
    }
    win::SetMainForm(nullptr);
    rtl::Application->Reset();
  }
  std::size_t NotWrittenMessages() const {
    return static_cast<std::size_t>(
        std::count_if(host->Messages.begin(), host->Messages.end(),
                      [](const std::string& M) { return M.find("not written") != std::string::npos; }));
  }
  static std::uint16_t Period(std::int32_t Rpm) {
    std::uint8_t h = 0, l = 0;
    ecu::RPMToPeriodBytes(Rpm, h, l);
    return static_cast<std::uint16_t>(h * 256 + l);
  }
  std::uint16_t before = 0;
};

// "Delete MAP points" for gas and for petrol, and the program closed at once. An erasure has no
// end step of its own: it is done once the ECU has answered its request (the poll script then
// follows it). The close waits for both, and the ECU has erased its points before the port
// closes; nothing is reported.
TEST_F(WriteClose, ErasuresAskedForReachTheEcuBeforeTheCloseEnds) {
  ASSERT_NO_FATAL_FAILURE(ShowAndRead());
  const auto erased = [](const std::vector<std::uint8_t>& Map) {
    return std::all_of(Map.begin(), Map.end(), [](std::uint8_t b) { return b == 0; });
  };
  ASSERT_FALSE(erased(sim->State().MapGas));
  ASSERT_FALSE(erased(sim->State().MapPetrol));
  const app::TPageCLBParts& clb = main->PageCLB()->Parts();
  main->PageCLB()->HudButton_CLB_MAP_Del_GasClick(clb.HudButton_CLB_MAP_Del_Gas);
  main->PageCLB()->HudButton_CLB_MAP_Del_PetrolClick(clb.HudButton_CLB_MAP_Del_Petrol);
  main->Close();
  EXPECT_TRUE(main->Showing()) << "it waits for the erasures";
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_TRUE(erased(sim->State().MapGas));
  EXPECT_TRUE(erased(sim->State().MapPetrol));
  EXPECT_FALSE(port->Link()->ComPort->Connected()) << "the port closed after them";
  EXPECT_TRUE(Host().Endings.empty()) << Host().Endings[0];
  EXPECT_EQ(NotWrittenMessages(), 0u);
  EXPECT_EQ(main->EndStatus(), 0);
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// 2600 entered, and the program closed a second later.
TEST_F(WriteClose, AChangeWaitingForItsWriteReachesTheEcuBeforeAUsersCloseEnds) { CloseWaitsForTheWrite(true); }
TEST_F(WriteClose, AChangeWaitingForItsWriteReachesTheEcuBeforeASignalsCloseEnds) { CloseWaitsForTheWrite(false); }

// 2700 typed into "Switch to gas when RPM" without Enter or Tab, and the close cross clicked; 2500
// typed, and the system's request to end (SIGTERM).
TEST_F(WriteClose, ANumberTypedAndNotEnteredReachesTheEcuBeforeAUsersCloseEnds) { CloseTakesTheNumberTyped(true, 2700); }
TEST_F(WriteClose, ANumberTypedAndNotEnteredReachesTheEcuBeforeASignalsCloseEnds) {
  CloseTakesTheNumberTyped(false, 2500);
}
TEST_F(WriteClose, ATextTypedThatIsNoNumberIsReportedAtAUsersCloseAndNothingIsWritten) { CloseReportsTheTextTyped(true); }
TEST_F(WriteClose, ATextTypedThatIsNoNumberIsReportedAtASignalsCloseAndNothingIsWritten) {
  CloseReportsTheTextTyped(false);
}

// A number beyond its range typed and not finished at the close: it is held, written like any
// number typed, and the hold is said once, with the close's reports (a message shown as the
// window goes would be lost with it).
TEST_F(WriteClose, ANumberHeldToItsRangeAtTheCloseIsWrittenAndSaidWithTheClosesReports) {
  ASSERT_NO_FATAL_FAILURE(ShowAndRead());
  before = sim->State().Params['C'];
  const std::size_t shown = host->Messages.size();
  ASSERT_NO_FATAL_FAILURE(TypeUnfinished("45308"));
  main->CloseUnattended();
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_RPM, 8000);
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_EQ(sim->State().Params['C'], Period(8000)) << "the ECU takes the number held";
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_NE(std::string::npos, Host().Endings[0].find("45308 is outside 0 to 8000; 8000 is taken")) << Host().Endings[0];
  EXPECT_EQ(host->Messages.size(), shown) << "said once, with the close's reports";
  EXPECT_EQ(main->EndStatus(), 0) << "the number held was written: nothing failed";
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// The ECU does not answer when the program is closed with a change waiting for its write: while
// the close waits for the link's time-outs, the wait window and the status line say that it
// waits (the window used to stay as it was for seconds).
TEST_F(WriteClose, ACloseWaitingForASilentEcuShowsThatItWaits) {
  ASSERT_NO_FATAL_FAILURE(ConnectAndEdit(2700));
  sim->SetSilent(true);
  silent = true;
  const int waits = host->WaitShown;
  main->Close();
  ASSERT_TRUE(main->Showing()) << "it waits for the write";
  const std::u16string sign = u"Please wait: the program closes once the ECU has taken the changes";
  EXPECT_EQ(host->WaitShown, waits + 1) << "the wait window shows as the close begins to wait";
  EXPECT_EQ(main->StatusLineText(), sign);
  // Drawn in a colour that reads on the status panel's #363636 (a contrast of 4.5:1 at least).
  const app::DynamicIND_Class& status = app::Model().StatusMessages;
  const auto* at = std::find(status.Texts.begin(), status.Texts.begin() + status.Count, rtl::WideToUtf8(sign));
  ASSERT_NE(at, status.Texts.begin() + status.Count);
  const std::string color = status.Colors[static_cast<std::size_t>(at - status.Texts.begin())];
  const auto luminance = [](std::uint32_t Rgb) {
    double l = 0;
    for (const auto& [shift, weight] : {std::pair{16, 0.2126}, {8, 0.7152}, {0, 0.0722}}) {
      const double c = ((Rgb >> shift) & 0xFF) / 255.0;
      l += weight * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return l;
  };
  ASSERT_EQ(color.size(), 9u) << color;
  const double text = luminance(static_cast<std::uint32_t>(std::stoul(color.substr(3), nullptr, 16)));
  EXPECT_GE((std::max(text, luminance(0x363636)) + 0.05) / (std::min(text, luminance(0x363636)) + 0.05), 4.5) << color;
  // It stays while the close waits, the status line's other messages taking their turns.
  Step(2500);
  ASSERT_TRUE(main->Showing());
  EXPECT_EQ(host->WaitClosed, 0);
  EXPECT_EQ(host->WaitShrunk, 0);
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_EQ(sim->State().Params['C'], before);
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_NE(std::string::npos, Host().Endings[0].find("The change was not written to the ECU")) << Host().Endings[0];
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// A customer's name typed without Enter while the ECU has stopped answering, and the close cross
// clicked: the close says that the page's write did not reach the ECU, and the current
// configuration file holds the name all the same (the ECU holds no customer's detail), its
// other lines as they were.
TEST_F(WriteClose, ACustomersDetailTypedWhileTheEcuIsSilentReachesTheFileAtTheClose) {
  ASSERT_NO_FATAL_FAILURE(ShowAndRead());
  const std::string path = (folder.Path() / "Config" / "car1.cfg").string();
  ecu::SaveConfigFile(path);
  app::Model().Settings.CFG_Full_File_Name = path;
  std::string expected = folder.Read("Config/car1.cfg");
  const std::size_t line = expected.find("User_Name ");
  ASSERT_NE(line, std::string::npos);
  expected.replace(line, expected.find("\r\n", line) - line, ecu::KeyFilePadKey("User_Name") + "Sidorov {}");
  sim->SetSilent(true);
  silent = true;
  main->PageCFG()->Parts().HudTextBox_CFG_User_Name->SetFocus();
  win::SimulateText(main.get(), "Sidorov");
  Step(20);
  main->Close();
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_NE(std::string::npos, Host().Endings[0].find("The change was not written to the ECU")) << Host().Endings[0];
  EXPECT_EQ(folder.Read("Config/car1.cfg"), expected);
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// A customer's name entered while the ECU is silent goes into the current file before the ECU,
// read again, names it and its details show; once the ECU names none, the close says that a
// phone entered then is in no file.
TEST_F(WriteClose, ACustomersDetailEnteredWithoutTheEcuOutlastsItsReadOrIsSaidAtTheClose) {
  ASSERT_NO_FATAL_FAILURE(ShowAndRead());
  ASSERT_TRUE(app::SaveConfigurationAs(u"car1"));
  const app::TPageCFGParts& p = main->PageCFG()->Parts();
  const auto enter = [&](vg::TvxHudTextBox* Box, const char* Text) {
    Box->SetFocus();
    win::SimulateText(main.get(), Text);
    win::SimulateKeyStroke(main.get(), '\r');
  };
  const auto readAgain = [&](const char* CfgName, const std::function<void()>& Meanwhile) {
    sim->SetSilent(silent = true);
    ASSERT_TRUE(StepUntil([] { return ecu::Session().Link.LinkUp == 0; }, 30000));
    Meanwhile();
    sim->Modify([CfgName](ecusim::EcuState& State) { State.SetCfgName(CfgName); });
    sim->SetSilent(silent = false);
    ASSERT_TRUE(StepUntil([] { return ecu::Session().Link.LinkUp && !ecu::Session().Link.Reading; }, 60000));
  };
  ASSERT_NO_FATAL_FAILURE(readAgain("car1", [&] { enter(p.HudTextBox_CFG_User_Name, "Sidorov"); }));
  EXPECT_EQ(p.HudTextBox_CFG_User_Name->Text(), u"Sidorov");
  EXPECT_NE(folder.Read("Config/car1.cfg").find(ecu::KeyFilePadKey("User_Name") + "Sidorov {}"), std::string::npos);
  ASSERT_NO_FATAL_FAILURE(readAgain("", [] {}));
  enter(p.HudTextBox_CFG_User_Phone, "5551234");
  main->Close();
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_EQ(Host().Endings, std::vector<std::string>{"The customer's details were not written to a configuration "
                                                     "file: none is current (File > Save keeps them in one)"});
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// A delay typed into the settings window and not finished when the main window is closed: it is
// taken as leaving its box takes it, and the settings file keeps it.
TEST_F(WriteClose, ADelayTypedInTheSettingsWindowAndNotFinishedIsKeptAtTheClose) {
  ASSERT_NO_FATAL_FAILURE(ShowAndRead());
  std::unique_ptr<app::TForm_3D_SET> settings = app::TForm_3D_SET::Create();
  settings->Show();
  Step(20);
  vg::TvxHudNumberBox* delay = settings->Parts().HudNumberBox_3D_SET_Transmit_CFG_Delay;
  delay->SetFocus();
  ASSERT_TRUE(delay->IsFocused());
  delay->SelectAll();
  win::SimulateText(settings.get(), "900");
  Step(20);
  ASSERT_EQ(delay->Text(), u"900");
  ASSERT_NE(app::Model().Settings.CFG_Transmit_Delay, 900) << "taken before the close";
  main->Close();
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_EQ(app::Model().Settings.CFG_Transmit_Delay, 900);
  EXPECT_NE(std::string::npos, folder.Read("gascal.ini").find("CFG_Transmit_Delay           900 ")) << folder.Read("gascal.ini");
  EXPECT_TRUE(Host().Endings.empty()) << Host().Endings[0];
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
  settings.reset();
}

// The same when the installer closes the settings window itself: the delay typed is taken, and
// one that is no number is reported as leaving the box reports it.
// The program code typed and not finished: the settings window's close takes it as leaving the
// box does; the program's end keeps it for the file (without moving the link to it); a text that
// is no number is reported with the close's failures. (It used to be lost without a word.)
TEST_F(WriteClose, AProgramCodeTypedAndNotFinishedIsTakenAtTheSettingsWindowsAndTheProgramsClose) {
  ASSERT_NO_FATAL_FAILURE(ShowAndRead());
  std::unique_ptr<app::TForm_3D_SET> settings = app::TForm_3D_SET::Create();
  vg::TvxHudTextBox* code = settings->Parts().HudTextBox_SET_Program_Code;
  const auto type = [&](const std::string& Typed) {
    settings->Show();
    Step(20);
    code->SetFocus();
    ASSERT_TRUE(code->IsFocused());
    code->SelectAll();
    win::SimulateText(settings.get(), Typed);
    Step(20);
    ASSERT_EQ(code->Text(), rtl::Utf8ToWide(Typed));
  };
  const std::uint8_t first = app::Model().Settings.Program_Code;
  ASSERT_NE(first, 30);
  // The installer closes the settings window: the code is taken, and the link moves to it.
  ASSERT_NO_FATAL_FAILURE(type("30"));
  settings->Close();
  EXPECT_EQ(app::Model().Settings.Program_Code, 30);
  // Back to the ECU's address, then the program ends with a code typed: kept for the file.
  ASSERT_NO_FATAL_FAILURE(type(std::to_string(first)));
  settings->Close();
  ASSERT_EQ(app::Model().Settings.Program_Code, first);
  ASSERT_TRUE(StepUntil([] { return ecu::Session().Link.LinkUp; }, 20000.0));
  ASSERT_NO_FATAL_FAILURE(type("31"));
  main->CloseUnattended();
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_EQ(app::Model().Settings.Program_Code, 31);
  const std::string ini = folder.Read("gascal.ini");
  const std::size_t key = ini.find("Program_Code ");
  ASSERT_NE(key, std::string::npos) << ini;
  EXPECT_EQ(ini.substr(ini.find_first_not_of(' ', key + 12), 3), "31 ") << ini.substr(key, 60);
  EXPECT_TRUE(Host().Endings.empty()) << Host().Endings[0];
  EXPECT_EQ(main->EndStatus(), 0);
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
  settings.reset();
}

TEST_F(WriteClose, ADelayTypedAndNotFinishedIsTakenWhenTheSettingsWindowIsClosed) {
  ASSERT_NO_FATAL_FAILURE(ShowAndRead());
  std::unique_ptr<app::TForm_3D_SET> settings = app::TForm_3D_SET::Create();
  vg::TvxHudNumberBox* delay = settings->Parts().HudNumberBox_3D_SET_Transmit_CFG_Delay;
  for (const std::string typed : {"800", "8x0"}) {
    SCOPED_TRACE(typed);
    settings->Show();
    Step(20);
    delay->SetFocus();
    delay->SelectAll();
    win::SimulateText(settings.get(), typed);
    Step(20);
    ASSERT_EQ(delay->Text(), rtl::Utf8ToWide(typed));
    const std::size_t messages = host->Messages.size();
    settings->Close();
    EXPECT_EQ(app::Model().Settings.CFG_Transmit_Delay, 800);
    if (typed == "8x0") {
      ASSERT_EQ(host->Messages.size(), messages + 1);
      EXPECT_NE(std::string::npos, host->Messages.back().find("Transmission delay")) << host->Messages.back();
    }
  }
  main->Close();
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
  settings.reset();
}

// A change and both erasures waiting at the close: the wait window, the close's sign, stays while
// the close waits, though the ECU reports its data saved after a write (which closes it
// otherwise), and goes with the program.
TEST_F(WriteClose, TheWaitWindowStaysWhileTheCloseWaitsThroughSeveralRequests) {
  ASSERT_NO_FATAL_FAILURE(ConnectAndEdit(2700));
  const app::TPageCLBParts& clb = main->PageCLB()->Parts();
  main->PageCLB()->HudButton_CLB_MAP_Del_GasClick(clb.HudButton_CLB_MAP_Del_Gas);
  main->PageCLB()->HudButton_CLB_MAP_Del_PetrolClick(clb.HudButton_CLB_MAP_Del_Petrol);
  const int closed = host->WaitClosed, shrunk = host->WaitShrunk;
  main->Close();
  ASSERT_TRUE(main->Showing());
  bool closedEarly = false, shrunkEarly = false;
  ASSERT_TRUE(StepUntil(
      [&] {
        if (main->Showing() && host->WaitClosed > closed) closedEarly = true;
        if (main->Showing() && host->WaitShrunk > shrunk) shrunkEarly = true;
        return !main->Showing();
      },
      app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_FALSE(closedEarly) << "the wait window went while the close still waited";
  EXPECT_FALSE(shrunkEarly);
  EXPECT_EQ(sim->State().Params['C'], Period(2700));
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// The ECU stops answering while the close waits for the write: the link's own time-outs end the
// wait, the close goes on (settings written), says on its report that the change was not
// written, and a close nobody watches ends with a non-zero status.
TEST_F(WriteClose, AWriteTheLinkLosesAtTheCloseIsReportedAndTheProgramEndsAllTheSame) {
  ASSERT_NO_FATAL_FAILURE(ConnectAndEdit(2600));
  sim->SetSilent(true);
  silent = true;
  main->CloseUnattended();
  EXPECT_TRUE(main->Showing()) << "it waits for the write";
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  EXPECT_EQ(sim->State().Params['C'], before);
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_NE(std::string::npos, Host().Endings[0].find("The change was not written to the ECU")) << Host().Endings[0];
  EXPECT_EQ(NotWrittenMessages(), 0u) << "told with the close, not on its own";
  EXPECT_EQ(main->EndStatus(), 1);
  EXPECT_NE(std::string::npos, folder.Read("gascal.ini").find("Program_Code")) << "the settings are written";
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

// The user closes the program while the ECU does not answer, and a second later the system
// asks it to end: the close that waits becomes one nobody watches, so its report of the change
// not written goes to the error stream only (a window would wait for an OK nobody gives) and
// the program ends once the link's time-outs are over, with status 1.
TEST_F(WriteClose, ASignalWhileAUsersCloseWaitsMakesThatCloseUnattended) {
  ASSERT_NO_FATAL_FAILURE(ConnectAndEdit(2600));
  sim->SetSilent(true);
  silent = true;
  main->Close();
  Step(1000);
  ASSERT_TRUE(main->Showing()) << "it waits for the write";
  main->CloseUnattended();
  ASSERT_TRUE(StepUntil([&] { return !main->Showing(); }, app::WritesAtCloseWaitMs() + 1000.0));
  ASSERT_EQ(1u, Host().Endings.size());
  EXPECT_NE(std::string::npos, Host().Endings[0].find("The change was not written to the ECU")) << Host().Endings[0];
  EXPECT_EQ(Host().InWindow, std::vector<bool>{false});
  EXPECT_EQ(main->EndStatus(), 1);
  EXPECT_TRUE(rtl::Application->Terminated()) << "the program ends";
  EXPECT_NE(std::string::npos, folder.Read("gascal.ini").find("Program_Code")) << "the settings are written";
  win::SetMainForm(nullptr);
  rtl::Application->Reset();
}

}  // namespace

}  // namespace acb_close_test
