#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/comm/PortList.h"
#include "platform/rtl/Lists.h"
#include "serial/CPort.h"

namespace options_test {

namespace {

using namespace cport;

TEST(ComFlowControl, PresetsSetAndReadBackTheirFields) {
  TComFlowControl f;
  EXPECT_EQ(fcNone, f.FlowControl());
  EXPECT_EQ(17, f.XonChar());
  EXPECT_EQ(19, f.XoffChar());
  f.SetXonXoffIn(true);
  EXPECT_EQ(fcCustom, f.FlowControl());
  f.SetFlowControl(fcHardware);
  EXPECT_EQ(rtsHandshake, f.ControlRTS());
  EXPECT_TRUE(f.OutCTSFlow());
  EXPECT_FALSE(f.XonXoffIn());
  EXPECT_FALSE(f.XonXoffOut());
  EXPECT_EQ(fcHardware, f.FlowControl());
  f.SetFlowControl(fcSoftware);
  EXPECT_EQ(fcSoftware, f.FlowControl());
  f.SetDSRSensitivity(true);  // the other fields do not take part
  EXPECT_EQ(fcSoftware, f.FlowControl());
  f.SetFlowControl(fcCustom);
  EXPECT_EQ(fcSoftware, f.FlowControl());
  f.SetFlowControl(fcNone);
  EXPECT_EQ(fcNone, f.FlowControl());
}

TEST(ComOptions, BufferSizesAreEvenAndAssignmentCopiesEverything) {
  TComBuffer b;
  EXPECT_EQ(1024, b.InputSize());
  b.SetInputSize(4097);
  EXPECT_EQ(4096, b.InputSize());
  b.SetOutputSize(-3);
  EXPECT_EQ(-3, b.OutputSize());

  TComTimeouts t;
  EXPECT_EQ(-1, t.ReadInterval());
  EXPECT_EQ(100, t.WriteTotalMultiplier());
  EXPECT_EQ(1000, t.WriteTotalConstant());
  TComTimeouts u;
  u.SetReadInterval(500);
  u.SetReadTotalConstant(7);
  t.Assign(&u);
  EXPECT_EQ(500, t.ReadInterval());
  EXPECT_EQ(7, t.ReadTotalConstant());

  TComParity p, q;
  q.SetBits(prMark);
  q.SetReplaceChar('?');
  p.Assign(&q);
  EXPECT_EQ(prMark, p.Bits());
  EXPECT_EQ('?', p.ReplaceChar());
  EXPECT_THROW(p.Assign(&t), rtl::EConvertError);
}

// Counts how often the port applies each settings group.
class TCountingPort : public TComPort {
public:
  using TComPort::TComPort;
  int TimeoutsApplied = 0, DCBApplied = 0, BuffersApplied = 0;

protected:
  void ApplyTimeouts() override { ++TimeoutsApplied; }
  void ApplyDCB() override { ++DCBApplied; }
  void ApplyBuffer() override { ++BuffersApplied; }
};

TEST(ComOptions, AssigningAGroupAppliesItOnceAndEachRealChangeOnce) {
  TCountingPort port(nullptr);
  TComTimeouts t;
  t.SetReadInterval(5);
  t.SetReadTotalConstant(6);
  t.SetWriteTotalConstant(7);
  port.SetTimeouts(&t);
  EXPECT_EQ(port.TimeoutsApplied, 1);
  EXPECT_EQ(port.Timeouts()->WriteTotalConstant(), 7);
  TComFlowControl f;
  f.SetFlowControl(fcSoftware);
  f.SetXonChar(1);
  port.SetFlowControl(&f);
  TComParity p;
  p.SetBits(prEven);
  p.SetCheck(true);
  port.SetParity(&p);
  EXPECT_EQ(port.DCBApplied, 2);
  TComBuffer b;
  b.SetInputSize(64);
  b.SetOutputSize(32);
  port.SetBuffer(&b);
  EXPECT_EQ(port.BuffersApplied, 1);

  port.Timeouts()->SetReadInterval(5);  // unchanged
  port.Parity()->SetBits(prEven);
  EXPECT_EQ(port.TimeoutsApplied, 1);
  EXPECT_EQ(port.DCBApplied, 2);
  port.Timeouts()->SetReadInterval(9);
  port.Parity()->SetReplaceChar('?');
  port.Buffer()->SetOutputSize(33);  // stored as 32: no change
  EXPECT_EQ(port.TimeoutsApplied, 2);
  EXPECT_EQ(port.DCBApplied, 3);
  EXPECT_EQ(port.BuffersApplied, 1);
}

TEST(ComOptions, PortSettersReapplyOnlyWhenOpen) {
  TComPort port(nullptr);
  // Closed: the sub-objects' setters store and the port applies nothing.
  port.Buffer()->SetInputSize(1025);
  port.Timeouts()->SetReadInterval(500);
  EXPECT_EQ(1024, port.Buffer()->InputSize());
  EXPECT_EQ(500, port.Timeouts()->ReadInterval());
  TComFlowControl preset;
  preset.SetFlowControl(fcHardware);
  port.SetFlowControl(&preset);
  EXPECT_EQ(fcHardware, port.FlowControl()->FlowControl());
  EXPECT_EQ(port.FlowControl()->ComPort(), &port);
  EXPECT_EQ(AllComEvents, port.Events());
  EXPECT_EQ("COM1", port.Port());
  EXPECT_FALSE(port.Connected());
}

TEST(ComTextForms, ValuesAndTextsRoundTrip) {
  EXPECT_EQ("Custom", BaudRateToStr(brCustom));
  EXPECT_EQ("256000", BaudRateToStr(br256000));
  EXPECT_EQ(br57600, StrToBaudRate("57600"));
  EXPECT_EQ(br9600, StrToBaudRate("12345"));
  EXPECT_EQ(fcHardware, StrToFlowControl("hArDwArE"));
  EXPECT_EQ(fcCustom, StrToFlowControl("weird"));
  EXPECT_EQ(sbOne5StopBits, StrToStopBits("1.5"));
  EXPECT_EQ(dbEight, StrToDataBits("9"));
  EXPECT_EQ(prSpace, StrToParity("SPACE"));
  EXPECT_EQ(rtsToggle, StrToRTS("toggle"));
  EXPECT_EQ(dtrDisable, StrToDTR(""));
  EXPECT_TRUE(StrToBool("yes"));
  EXPECT_FALSE(StrToBool("Y"));
  EXPECT_EQ("Yes", BoolToStr(true));

  EXPECT_EQ("#7", CharToStr(7));
  EXPECT_EQ("#32", CharToStr(' '));
  EXPECT_EQ("!", CharToStr('!'));
  EXPECT_EQ("#128", CharToStr(static_cast<char>(128)));
  EXPECT_EQ(65, StrToChar("A"));
  EXPECT_EQ('#', StrToChar("#"));
  EXPECT_EQ(0, StrToChar(""));
  EXPECT_EQ(17, StrToChar("#17"));
  EXPECT_THROW(StrToChar("#x1"), rtl::EConvertError);
  EXPECT_THROW(StrToChar("#300"), rtl::EConvertError);  // does not fit a character
}

TEST(ComErrors, MessagesComeFromTheTable) {
  EComPort plain(CError_ConnChangeProp);
  EXPECT_EQ(-1, plain.WinCode);
  EXPECT_STREQ("Cannot set property while connected", plain.what());
  const EComPort win = EComPort::CreateWin(CError_RegError, 2);
  EXPECT_EQ(23, win.Code);
  EXPECT_EQ("Registry error (win error code: 2)", win.Message());
  EXPECT_EQ("Invalid Async parameter", ComErrorMessage(4));
  EXPECT_EQ("", ComErrorMessage(24));
}

// ---------------------------------------------------------------------------------------

namespace fs = std::filesystem;

TEST(EnumComPorts, ListsInCaseInsensitiveOrderFromTheFakeTree) {
  const fs::path root = fs::temp_directory_path() / ("gascal-enum-" + std::to_string(::getpid()));
  fs::remove_all(root);
  for (const char* name : {"ttyS2", "ttyS9"}) {
    fs::create_directories(root / "sys/class/tty" / name / "device");
    std::ofstream(root / "sys/class/tty" / name / "type") << "4\n";
  }
  fs::create_directories(root / "sys/class/tty/tty1");
  ::setenv(comm::kExtraPortsVariable, "com2", 1);
  comm::SetPortListRoot(root.string());
  rtl::TStringList ports;
  ports.Add("stale");
  EnumComPorts(&ports);
  ASSERT_EQ(3, ports.Count());
  EXPECT_EQ("COM10", ports[0]);
  EXPECT_EQ("com2", ports[1]);
  EXPECT_EQ("COM3", ports[2]);

  fs::remove_all(root);
  try {
    EnumComPorts(&ports);
    ADD_FAILURE() << "no error without a tty class";
  } catch (const EComPort& e) {
    EXPECT_EQ(23, e.Code);
    EXPECT_EQ(ENOENT, e.WinCode);
  }
  comm::SetPortListRoot("/");
  ::unsetenv(comm::kExtraPortsVariable);
}

}  // namespace

}  // namespace options_test
