#include <gtest/gtest.h>

#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Registry.h"
#include "serial/CPort.h"
#include "tests/comm/PtyPair.h"

namespace port_store_test {

namespace {

namespace fs = std::filesystem;
using namespace cport;

class PortStore : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("gascal-store-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    port.SetName("ComPort");
  }
  void TearDown() override {
    port.Close();
    fs::remove_all(dir);
  }
  // The "Key=Value" lines the port saves, comma-separated.
  std::string Saved(TCustomComPort& Port, const char* Name) {
    rtl::TMemIniFile ini((dir / Name).string());
    Port.SaveToIniFile(&ini);
    ini.UpdateFile();
    rtl::TStringList list;
    ini.ReadSectionValues("ComPort", &list);
    return list.CommaText();
  }
  void Load(const std::string& Text) {
    std::ofstream(dir / "in.ini") << "[ComPort]\n" << Text;
    rtl::TMemIniFile ini((dir / "in.ini").string());
    port.LoadFromIniFile(&ini);
  }
  fs::path dir;
  TComPort port{nullptr};
};

TEST_F(PortStore, BasicGroupOnlyByDefaultAndAllGroupsRoundTripInTheirOrder) {
  port.SetPort("COM3");
  port.Timeouts()->SetReadInterval(500);
  EXPECT_EQ("Port=COM3,BaudRate=9600,StopBits=1,DataBits=8,Parity=None,FlowControl=None", Saved(port, "a.ini"));

  const TStoredProps all{spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers};
  port.SetStoredProps(all);
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.SetStopBits(sbTwoStopBits);
  port.SetDataBits(dbSeven);
  port.SetEventChar(7);
  port.SetDiscardNull(true);
  port.Parity()->SetBits(prEven);
  port.Parity()->SetCheck(true);
  port.Parity()->SetReplaceChar('?');
  port.Buffer()->SetInputSize(4096);
  port.Timeouts()->SetWriteTotalConstant(-1);
  port.FlowControl()->SetControlDTR(dtrHandshake);
  port.FlowControl()->SetControlRTS(rtsToggle);
  port.FlowControl()->SetTxContinueOnXoff(true);
  port.FlowControl()->SetXonChar('A');
  const std::string saved = Saved(port, "b.ini");
  EXPECT_EQ(
      "Port=COM3,BaudRate=Custom,CustomBaudRate=31250,StopBits=2,DataBits=7,Parity=Even,FlowControl=Custom,"
      "EventChar=#7,DiscardNull=Yes,Parity.Check=Yes,Parity.Replace=No,Parity.ReplaceChar=?,"
      "Buffer.OutputSize=1024,Buffer.InputSize=4096,Timeouts.ReadInterval=500,Timeouts.ReadTotalConstant=0,"
      "Timeouts.ReadTotalMultiplier=0,Timeouts.WriteTotalConstant=-1,Timeouts.WriteTotalMultiplier=100,"
      "FlowControl.ControlRTS=Toggle,FlowControl.ControlDTR=Handshake,FlowControl.DSRSensitivity=No,"
      "FlowControl.OutCTSFlow=No,FlowControl.OutDSRFlow=No,FlowControl.TxContinueOnXoff=Yes,"
      "FlowControl.XonXoffIn=No,FlowControl.XonXoffOut=No,FlowControl.XoffChar=#19,FlowControl.XonChar=A",
      saved);
  // A port that loads the file saves the same values.
  TComPort copy(nullptr);
  copy.SetName("ComPort");
  copy.SetStoredProps(all);
  rtl::TIniFile ini((dir / "b.ini").string());
  copy.LoadFromIniFile(&ini);
  EXPECT_EQ(saved, Saved(copy, "c.ini"));
}

TEST_F(PortStore, IniTextsReadBackByTheirRulesWithCurrentValuesAsDefaults) {
  port.SetStoredProps({spBasic, spOthers, spParity});
  port.SetDataBits(dbSix);
  port.SetCustomBaudRate(31250);
  Load("BaudRate=Custom\nFlowControl=hARDware\nEventChar=#\nParity.ReplaceChar=A\nDiscardNull=Y\n");
  EXPECT_EQ(brCustom, port.BaudRate());
  EXPECT_EQ(9600, port.CustomBaudRate());  // missing: 9600, not the current value
  EXPECT_EQ(dbSix, port.DataBits());       // missing: unchanged
  EXPECT_EQ(fcHardware, port.FlowControl()->FlowControl());
  EXPECT_EQ('#', port.EventChar());
  EXPECT_EQ(65, port.Parity()->ReplaceChar());
  EXPECT_FALSE(port.DiscardNull());
  Load("BaudRate=12345\nParity=Weird\nFlowControl=\n");
  EXPECT_EQ(br9600, port.BaudRate());
  EXPECT_EQ(prNone, port.Parity()->Bits());
  EXPECT_EQ(fcHardware, port.FlowControl()->FlowControl());  // "": custom, which changes nothing
  EXPECT_THROW(Load("EventChar=#x\n"), rtl::EConvertError);
}

TEST_F(PortStore, RegistryMissingTextsFallBackAndMissingIntegersRaise) {
  rtl::TRegistry reg((dir / "registry.ini").string());
  ASSERT_TRUE(reg.OpenKey("Software\\Gascal\\Port", true));
  port.SetPort("COM4");
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.SetStoredProps({spBasic, spTimeouts});
  port.SaveToRegistry(&reg);
  EXPECT_EQ(-1, reg.ReadInteger("Timeouts.ReadInterval"));  // an integer value

  TComPort copy(nullptr);
  copy.SetStoredProps({spBasic, spTimeouts});
  copy.LoadFromRegistry(&reg);
  EXPECT_EQ("COM4", copy.Port());
  EXPECT_EQ(31250, copy.CustomBaudRate());
  reg.DeleteValue("BaudRate");
  reg.DeleteValue("Port");
  copy.LoadFromRegistry(&reg);
  EXPECT_EQ(br9600, copy.BaudRate());
  EXPECT_EQ("", copy.Port());
  reg.DeleteValue("Timeouts.WriteTotalConstant");
  EXPECT_THROW(copy.LoadFromRegistry(&reg), rtl::ERegistryException);
  EXPECT_THROW(copy.LoadFromRegistry(nullptr), EComPort);
}

TEST_F(PortStore, LoadingReappliesTheSettingsOfAnOpenPort) {
  PtyPair pty;
  ASSERT_FALSE(pty.path.empty());
  port.SetPort(pty.path);
  port.SetEvents({});
  port.Open();
  ASSERT_FALSE(port.PortFailed());
  // What a pseudo-terminal takes: rate, stop bits, hardware flow control.
  Load("Port=" + pty.path + "\nBaudRate=19200\nStopBits=2\nFlowControl=Hardware\n");
  EXPECT_TRUE(port.Connected());
  termios t{};
  ASSERT_EQ(0, tcgetattr(pty.master, &t));
  EXPECT_EQ(B19200, cfgetospeed(&t));
  EXPECT_EQ(CSTOPB | CRTSCTS, t.c_cflag & (CSTOPB | CRTSCTS));
  EXPECT_FALSE(port.PortFailed());
}

}  // namespace

}  // namespace port_store_test
