// Where the serial port component keeps its settings (a registry key or a section of an INI
// file) and the machine's list of ports.
#include "serial/CPort.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/comm/PortList.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Registry.h"

namespace cport {

// ---- settings store -------------------------------------------------------------------

namespace {

// Where the settings go: a registry key or an INI section. Reading gives Default where
// the place has no value of its own.
class TSettingsPlace {
public:
  virtual ~TSettingsPlace() = default;
  virtual std::string ReadString(const char* Key, const std::string& Default) = 0;
  virtual int ReadInteger(const char* Key, int Default) = 0;
  virtual void WriteString(const char* Key, const std::string& Value) = 0;
  virtual void WriteInteger(const char* Key, int Value) = 0;
};

// A missing string reads as "", a missing integer raises the registry's error.
class TRegistryPlace : public TSettingsPlace {
public:
  explicit TRegistryPlace(rtl::TRegistry& Reg) : reg_(Reg) {}
  std::string ReadString(const char* Key, const std::string&) override { return reg_.ReadString(Key); }
  int ReadInteger(const char* Key, int) override { return reg_.ReadInteger(Key); }
  void WriteString(const char* Key, const std::string& Value) override { reg_.WriteString(Key, Value); }
  void WriteInteger(const char* Key, int Value) override { reg_.WriteInteger(Key, Value); }

private:
  rtl::TRegistry& reg_;
};

class TIniPlace : public TSettingsPlace {
public:
  TIniPlace(rtl::TCustomIniFile& Ini, std::string Section) : ini_(Ini), section_(std::move(Section)) {}
  std::string ReadString(const char* Key, const std::string& Default) override {
    return ini_.ReadString(section_, Key, Default);
  }
  int ReadInteger(const char* Key, int Default) override { return ini_.ReadInteger(section_, Key, Default); }
  void WriteString(const char* Key, const std::string& Value) override { ini_.WriteString(section_, Key, Value); }
  void WriteInteger(const char* Key, int Value) override { ini_.WriteInteger(section_, Key, Value); }

private:
  rtl::TCustomIniFile& ini_;
  std::string section_;
};

void SaveSettings(const TCustomComPort& P, TSettingsPlace& To) {
  const TStoredProps groups = P.StoredProps();
  if (groups.Contains(spBasic)) {
    To.WriteString("Port", P.Port());
    To.WriteString("BaudRate", BaudRateToStr(P.BaudRate()));
    if (P.BaudRate() == brCustom) To.WriteInteger("CustomBaudRate", P.CustomBaudRate());
    To.WriteString("StopBits", StopBitsToStr(P.StopBits()));
    To.WriteString("DataBits", DataBitsToStr(P.DataBits()));
    To.WriteString("Parity", ParityToStr(P.Parity()->Bits()));
    To.WriteString("FlowControl", FlowControlToStr(P.FlowControl()->FlowControl()));
  }
  if (groups.Contains(spOthers)) {
    To.WriteString("EventChar", CharToStr(P.EventChar()));
    To.WriteString("DiscardNull", BoolToStr(P.DiscardNull()));
  }
  if (groups.Contains(spParity)) {
    const TComParity& parity = *P.Parity();
    To.WriteString("Parity.Check", BoolToStr(parity.Check()));
    To.WriteString("Parity.Replace", BoolToStr(parity.Replace()));
    To.WriteString("Parity.ReplaceChar", CharToStr(parity.ReplaceChar()));
  }
  if (groups.Contains(spBuffer)) {
    To.WriteInteger("Buffer.OutputSize", P.Buffer()->OutputSize());
    To.WriteInteger("Buffer.InputSize", P.Buffer()->InputSize());
  }
  if (groups.Contains(spTimeouts)) {
    const TComTimeouts& t = *P.Timeouts();
    To.WriteInteger("Timeouts.ReadInterval", t.ReadInterval());
    To.WriteInteger("Timeouts.ReadTotalConstant", t.ReadTotalConstant());
    To.WriteInteger("Timeouts.ReadTotalMultiplier", t.ReadTotalMultiplier());
    To.WriteInteger("Timeouts.WriteTotalConstant", t.WriteTotalConstant());
    To.WriteInteger("Timeouts.WriteTotalMultiplier", t.WriteTotalMultiplier());
  }
  if (groups.Contains(spFlowControl)) {
    const TComFlowControl& f = *P.FlowControl();
    To.WriteString("FlowControl.ControlRTS", RTSToStr(f.ControlRTS()));
    To.WriteString("FlowControl.ControlDTR", DTRToStr(f.ControlDTR()));
    To.WriteString("FlowControl.DSRSensitivity", BoolToStr(f.DSRSensitivity()));
    To.WriteString("FlowControl.OutCTSFlow", BoolToStr(f.OutCTSFlow()));
    To.WriteString("FlowControl.OutDSRFlow", BoolToStr(f.OutDSRFlow()));
    To.WriteString("FlowControl.TxContinueOnXoff", BoolToStr(f.TxContinueOnXoff()));
    To.WriteString("FlowControl.XonXoffIn", BoolToStr(f.XonXoffIn()));
    To.WriteString("FlowControl.XonXoffOut", BoolToStr(f.XonXoffOut()));
    To.WriteString("FlowControl.XoffChar", CharToStr(f.XoffChar()));
    To.WriteString("FlowControl.XonChar", CharToStr(f.XonChar()));
  }
}

// Reads in the order of SaveSettings, each value through the setter of its property; the
// current value is the default.
void LoadSettings(TCustomComPort& P, TSettingsPlace& From) {
  const TStoredProps groups = P.StoredProps();
  if (groups.Contains(spBasic)) {
    P.SetPort(From.ReadString("Port", P.Port()));
    P.SetBaudRate(StrToBaudRate(From.ReadString("BaudRate", BaudRateToStr(P.BaudRate()))));
    if (P.BaudRate() == brCustom) P.SetCustomBaudRate(From.ReadInteger("CustomBaudRate", 9600));
    P.SetStopBits(StrToStopBits(From.ReadString("StopBits", StopBitsToStr(P.StopBits()))));
    P.SetDataBits(StrToDataBits(From.ReadString("DataBits", DataBitsToStr(P.DataBits()))));
    P.Parity()->SetBits(StrToParity(From.ReadString("Parity", ParityToStr(P.Parity()->Bits()))));
    TComFlowControl& f = *P.FlowControl();
    f.SetFlowControl(StrToFlowControl(From.ReadString("FlowControl", FlowControlToStr(f.FlowControl()))));
  }
  if (groups.Contains(spOthers)) {
    P.SetEventChar(StrToChar(From.ReadString("EventChar", CharToStr(P.EventChar()))));
    P.SetDiscardNull(StrToBool(From.ReadString("DiscardNull", BoolToStr(P.DiscardNull()))));
  }
  if (groups.Contains(spParity)) {
    TComParity& parity = *P.Parity();
    parity.SetCheck(StrToBool(From.ReadString("Parity.Check", BoolToStr(parity.Check()))));
    parity.SetReplace(StrToBool(From.ReadString("Parity.Replace", BoolToStr(parity.Replace()))));
    parity.SetReplaceChar(StrToChar(From.ReadString("Parity.ReplaceChar", CharToStr(parity.ReplaceChar()))));
  }
  if (groups.Contains(spBuffer)) {
    TComBuffer& b = *P.Buffer();
    b.SetOutputSize(From.ReadInteger("Buffer.OutputSize", b.OutputSize()));
    b.SetInputSize(From.ReadInteger("Buffer.InputSize", b.InputSize()));
  }
  if (groups.Contains(spTimeouts)) {
    TComTimeouts& t = *P.Timeouts();
    t.SetReadInterval(From.ReadInteger("Timeouts.ReadInterval", t.ReadInterval()));
    t.SetReadTotalConstant(From.ReadInteger("Timeouts.ReadTotalConstant", t.ReadTotalConstant()));
    t.SetReadTotalMultiplier(From.ReadInteger("Timeouts.ReadTotalMultiplier", t.ReadTotalMultiplier()));
    t.SetWriteTotalConstant(From.ReadInteger("Timeouts.WriteTotalConstant", t.WriteTotalConstant()));
    t.SetWriteTotalMultiplier(From.ReadInteger("Timeouts.WriteTotalMultiplier", t.WriteTotalMultiplier()));
  }
  if (groups.Contains(spFlowControl)) {
    TComFlowControl& f = *P.FlowControl();
    f.SetControlRTS(StrToRTS(From.ReadString("FlowControl.ControlRTS", RTSToStr(f.ControlRTS()))));
    f.SetControlDTR(StrToDTR(From.ReadString("FlowControl.ControlDTR", DTRToStr(f.ControlDTR()))));
    f.SetDSRSensitivity(StrToBool(From.ReadString("FlowControl.DSRSensitivity", BoolToStr(f.DSRSensitivity()))));
    f.SetOutCTSFlow(StrToBool(From.ReadString("FlowControl.OutCTSFlow", BoolToStr(f.OutCTSFlow()))));
    f.SetOutDSRFlow(StrToBool(From.ReadString("FlowControl.OutDSRFlow", BoolToStr(f.OutDSRFlow()))));
    f.SetTxContinueOnXoff(StrToBool(From.ReadString("FlowControl.TxContinueOnXoff", BoolToStr(f.TxContinueOnXoff()))));
    f.SetXonXoffIn(StrToBool(From.ReadString("FlowControl.XonXoffIn", BoolToStr(f.XonXoffIn()))));
    f.SetXonXoffOut(StrToBool(From.ReadString("FlowControl.XonXoffOut", BoolToStr(f.XonXoffOut()))));
    f.SetXoffChar(StrToChar(From.ReadString("FlowControl.XoffChar", CharToStr(f.XoffChar()))));
    f.SetXonChar(StrToChar(From.ReadString("FlowControl.XonChar", CharToStr(f.XonChar()))));
  }
}

}  // namespace

void TCustomComPort::SaveToRegistry(rtl::TRegistry* Reg) {
  if (!Reg) throw EComPort(CError_StoreFailed);
  TRegistryPlace place(*Reg);
  SaveSettings(*this, place);
}

void TCustomComPort::SaveToIniFile(rtl::TCustomIniFile* IniFile) {
  if (!IniFile) throw EComPort(CError_StoreFailed);
  TIniPlace place(*IniFile, Name());
  SaveSettings(*this, place);
}

void TCustomComPort::LoadFromRegistry(rtl::TRegistry* Reg) {
  if (!Reg) throw EComPort(CError_LoadFailed);
  TRegistryPlace place(*Reg);
  LoadSettings(*this, place);
}

void TCustomComPort::LoadFromIniFile(rtl::TCustomIniFile* IniFile) {
  if (!IniFile) throw EComPort(CError_LoadFailed);
  TIniPlace place(*IniFile, Name());
  LoadSettings(*this, place);
}

// ---- enumeration ----------------------------------------------------------------------

void EnumComPorts(rtl::TStrings* Ports) {
  std::vector<std::string> names;
  if (const int err = comm::ListSerialPorts(names)) throw EComPort::CreateWin(CError_RegError, err);
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return rtl::UpperCase(a) < rtl::UpperCase(b);
  });
  Ports->BeginUpdate();
  try {
    Ports->Clear();
    for (const std::string& name : names) Ports->Add(name);
  } catch (...) {
    Ports->EndUpdate();
    throw;
  }
  Ports->EndUpdate();
}

std::vector<std::string> ComPortNames() {
  std::vector<std::string> names;
  if (comm::ListSerialPorts(names) != 0) names.clear();
  return names;
}

}  // namespace cport
