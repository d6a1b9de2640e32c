// The serial port component: TCustomComPort / TComPort own one serial port, apply its
// line settings, time-outs and queue sizes, read, write and purge, report modem lines and
// line errors, and turn the port's events into component events on the GUI thread
// through their event thread (TComThread). The option objects (TComTimeouts,
// TComFlowControl, TComParity, TComBuffer) hold the setting groups; EComPort and the
// global PortFailed flag report failures; EnumComPorts lists the machine's ports.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/comm/SerialPort.h"
#include "platform/loop/Messages.h"
#include "platform/loop/Thread.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {
class TStrings;
class TCustomIniFile;
class TRegistry;
}

namespace cport {

using rtl::TObject;
using rtl::TPersistent;
using rtl::TComponent;

// ---- types ----------------------------------------------------------------------------

RTL_ENUM_OF(TBaudRate, std::uint8_t, brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200,
            br38400, br56000, br57600, br115200, br128000, br256000);
RTL_ENUM_OF(TStopBits, std::uint8_t, sbOneStopBit, sbOne5StopBits, sbTwoStopBits);
RTL_ENUM_OF(TDataBits, std::uint8_t, dbFive, dbSix, dbSeven, dbEight);
RTL_ENUM_OF(TParityBits, std::uint8_t, prNone, prOdd, prEven, prMark, prSpace);
RTL_ENUM_OF(TDTRFlowControl, std::uint8_t, dtrDisable, dtrEnable, dtrHandshake);
RTL_ENUM_OF(TRTSFlowControl, std::uint8_t, rtsDisable, rtsEnable, rtsHandshake, rtsToggle);
RTL_ENUM_OF(TFlowControl, std::uint8_t, fcHardware, fcSoftware, fcNone, fcCustom);
RTL_ENUM_OF(TComEvent, std::uint8_t, evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD,
            evRx80Full);
using TComEvents = rtl::TSet<TComEvent>;
RTL_ENUM_OF(TComError, std::uint8_t, ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull);
using TComErrors = rtl::TSet<TComError>;
RTL_ENUM_OF(TSyncMethod, std::uint8_t, smThreadSync, smWindowSync, smNone);
enum TComSignal : std::uint8_t { csCTS, csDSR, csRing, csRLSD };
using TComSignals = rtl::TSet<TComSignal>;
enum TStoredProp : std::uint8_t { spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers };
using TStoredProps = rtl::TSet<TStoredProp>;


inline const TComEvents AllComEvents{evRxChar, evTxEmpty, evRxFlag, evRing, evBreak,
                                     evCTS,    evDSR,     evError,  evRLSD, evRx80Full};

using TRxCharEvent = rtl::TEvent<void(TObject* Sender, int Count)>;
using TRxBufEvent = rtl::TEvent<void(TObject* Sender, const void* Buffer, int Count)>;
using TComSignalEvent = rtl::TEvent<void(TObject* Sender, bool OnOff)>;
using TComErrorEvent = rtl::TEvent<void(TObject* Sender, TComErrors Errors)>;
using rtl::TNotifyEvent;

// ---- failures -------------------------------------------------------------------------

// Error codes of EComPort (1..23), each with its entry in ComErrorMessages.
enum : int {
  CError_OpenFailed = 1, CError_WriteFailed, CError_ReadFailed, CError_InvalidAsync,
  CError_PurgeFailed, CError_AsyncCheck, CError_SetStateFailed, CError_TimeoutsFailed,
  CError_SetupComFailed, CError_ClearComFailed, CError_ModemStatFailed, CError_EscapeComFailed,
  CError_TransmitFailed, CError_ConnChangeProp, CError_EnumPortsFailed, CError_StoreFailed,
  CError_LoadFailed, CError_RegFailed, CError_LedStateFailed, CError_ThreadCreated,
  CError_WaitFailed, CError_HasLink, CError_RegError
};

// The message of an error code through the "cport" text domain; "" outside 1..23.
const std::string& ComErrorMessage(int Code);

class EComPort : public rtl::Exception {
public:
  // The table's message alone; WinCode -1.
  explicit EComPort(int ACode);
  // The table's message followed by " (win error code: %d)" with the system's error code.
  static EComPort CreateWin(int ACode, int AWinCode);
  const char* ClassName() const noexcept override { return "EComPort"; }
  int WinCode = -1;
  int Code = 0;
};

// Set when opening, configuring the queues, purging, reading, writing, waiting for a
// transfer or querying the line fails; while set, reads and writes return 0 and purges do
// nothing. The component never clears it; the link layer does once it has handled it.
extern std::atomic<std::uint8_t> PortFailed;
// What set PortFailed last, naming the port and the system's reason, and that reason's
// system error number (EACCES: the user may not use the device).
extern std::string PortFailedText;
extern int PortFailedError;

// ---- option objects -------------------------------------------------------------------

class TCustomComPort;

class TComTimeouts : public TPersistent {
  RTL_CLASS(TComTimeouts, TPersistent)
public:
  // Copies the values without applying them; the port's SetTimeouts applies once.
  void Assign(const TPersistent* Source) override {
    if (!rtl::AssignProperties(this, Source)) inherited::Assign(Source);
  }
  std::int32_t ReadInterval() const { return readInterval_; }
  void SetReadInterval(std::int32_t Value) { SetField(readInterval_, Value, &TComTimeouts::Changed); }
  std::int32_t ReadTotalMultiplier() const { return readTotalM_; }
  void SetReadTotalMultiplier(std::int32_t Value) { SetField(readTotalM_, Value, &TComTimeouts::Changed); }
  std::int32_t ReadTotalConstant() const { return readTotalC_; }
  void SetReadTotalConstant(std::int32_t Value) { SetField(readTotalC_, Value, &TComTimeouts::Changed); }
  std::int32_t WriteTotalMultiplier() const { return writeTotalM_; }
  void SetWriteTotalMultiplier(std::int32_t Value) { SetField(writeTotalM_, Value, &TComTimeouts::Changed); }
  std::int32_t WriteTotalConstant() const { return writeTotalC_; }
  void SetWriteTotalConstant(std::int32_t Value) { SetField(writeTotalC_, Value, &TComTimeouts::Changed); }
  TCustomComPort* ComPort() const { return comPort_; }

private:
  void Changed();
  friend class TCustomComPort;
  TCustomComPort* comPort_ = nullptr;
  std::int32_t readInterval_ = -1;
  std::int32_t readTotalM_ = 0;
  std::int32_t readTotalC_ = 0;
  std::int32_t writeTotalM_ = 100;
  std::int32_t writeTotalC_ = 1000;
};

class TComFlowControl : public TPersistent {
  RTL_CLASS(TComFlowControl, TPersistent)
public:
  // Copies the values without applying them; the port's SetFlowControl applies once.
  void Assign(const TPersistent* Source) override {
    if (!rtl::AssignProperties(this, Source)) inherited::Assign(Source);
  }
  bool OutCTSFlow() const { return outCTSFlow_; }
  void SetOutCTSFlow(bool Value) { SetField(outCTSFlow_, Value, &TComFlowControl::Changed); }
  bool OutDSRFlow() const { return outDSRFlow_; }
  void SetOutDSRFlow(bool Value) { SetField(outDSRFlow_, Value, &TComFlowControl::Changed); }
  TDTRFlowControl ControlDTR() const { return controlDTR_; }
  void SetControlDTR(TDTRFlowControl Value) { SetField(controlDTR_, Value, &TComFlowControl::Changed); }
  TRTSFlowControl ControlRTS() const { return controlRTS_; }
  void SetControlRTS(TRTSFlowControl Value) { SetField(controlRTS_, Value, &TComFlowControl::Changed); }
  bool XonXoffOut() const { return xonXoffOut_; }
  void SetXonXoffOut(bool Value) { SetField(xonXoffOut_, Value, &TComFlowControl::Changed); }
  bool XonXoffIn() const { return xonXoffIn_; }
  void SetXonXoffIn(bool Value) { SetField(xonXoffIn_, Value, &TComFlowControl::Changed); }
  bool DSRSensitivity() const { return dsrSensitivity_; }
  void SetDSRSensitivity(bool Value) { SetField(dsrSensitivity_, Value, &TComFlowControl::Changed); }
  bool TxContinueOnXoff() const { return txContinueOnXoff_; }
  void SetTxContinueOnXoff(bool Value) { SetField(txContinueOnXoff_, Value, &TComFlowControl::Changed); }
  char XonChar() const { return xonChar_; }
  void SetXonChar(char Value) { SetField(xonChar_, Value, &TComFlowControl::Changed); }
  char XoffChar() const { return xoffChar_; }
  void SetXoffChar(char Value) { SetField(xoffChar_, Value, &TComFlowControl::Changed); }
  // The preset the fields amount to (hardware, software, none, or custom).
  TFlowControl FlowControl() const;
  // Sets the fields of a preset (fcCustom changes none); the port re-applies either way.
  void SetFlowControl(TFlowControl Value);
  TCustomComPort* ComPort() const { return comPort_; }

private:
  void Changed();
  friend class TCustomComPort;
  TCustomComPort* comPort_ = nullptr;
  bool outCTSFlow_ = false;
  bool outDSRFlow_ = false;
  TDTRFlowControl controlDTR_ = dtrDisable;
  TRTSFlowControl controlRTS_ = rtsDisable;
  bool xonXoffOut_ = false;
  bool xonXoffIn_ = false;
  bool dsrSensitivity_ = false;
  bool txContinueOnXoff_ = false;
  char xonChar_ = 17;
  char xoffChar_ = 19;
};

class TComParity : public TPersistent {
  RTL_CLASS(TComParity, TPersistent)
public:
  // Copies the values without applying them; the port's SetParity applies once.
  void Assign(const TPersistent* Source) override {
    if (!rtl::AssignProperties(this, Source)) inherited::Assign(Source);
  }
  TParityBits Bits() const { return bits_; }
  void SetBits(TParityBits Value) { SetField(bits_, Value, &TComParity::Changed); }
  bool Check() const { return check_; }
  void SetCheck(bool Value) { SetField(check_, Value, &TComParity::Changed); }
  bool Replace() const { return replace_; }
  void SetReplace(bool Value) { SetField(replace_, Value, &TComParity::Changed); }
  char ReplaceChar() const { return replaceChar_; }
  void SetReplaceChar(char Value) { SetField(replaceChar_, Value, &TComParity::Changed); }
  TCustomComPort* ComPort() const { return comPort_; }

private:
  void Changed();
  friend class TCustomComPort;
  TCustomComPort* comPort_ = nullptr;
  TParityBits bits_ = prNone;
  bool check_ = false;
  bool replace_ = false;
  char replaceChar_ = 0;
};

class TComBuffer : public TPersistent {
  RTL_CLASS(TComBuffer, TPersistent)
public:
  // Copies the values without applying them; the port's SetBuffer applies once.
  void Assign(const TPersistent* Source) override {
    if (!rtl::AssignProperties(this, Source)) inherited::Assign(Source);
  }
  // An odd size is stored one lower; a negative one as it is (the port then refuses it).
  std::int32_t InputSize() const { return inputSize_; }
  void SetInputSize(std::int32_t Value) { SetField(inputSize_, Even(Value), &TComBuffer::Changed); }
  std::int32_t OutputSize() const { return outputSize_; }
  void SetOutputSize(std::int32_t Value) { SetField(outputSize_, Even(Value), &TComBuffer::Changed); }
  TCustomComPort* ComPort() const { return comPort_; }

private:
  static std::int32_t Even(std::int32_t Value) { return Value >= 0 && Value % 2 == 1 ? Value - 1 : Value; }
  void Changed();
  friend class TCustomComPort;
  TCustomComPort* comPort_ = nullptr;
  std::int32_t inputSize_ = 1024;
  std::int32_t outputSize_ = 1024;
};

// ---- text forms -----------------------------------------------------------------------

// Texts of the settings as the settings store and the port combo box use them.
std::string BaudRateToStr(TBaudRate Value);
std::string StopBitsToStr(TStopBits Value);
std::string DataBitsToStr(TDataBits Value);
std::string ParityToStr(TParityBits Value);
std::string FlowControlToStr(TFlowControl Value);
std::string DTRToStr(TDTRFlowControl Value);
std::string RTSToStr(TRTSFlowControl Value);
std::string BoolToStr(bool Value);
std::string CharToStr(char Value);
// Text to value: compared in upper case with each text, first match; otherwise the
// fallback (br9600, sbOneStopBit, dbEight, prNone, fcCustom, dtrDisable, rtsDisable).
TBaudRate StrToBaudRate(const std::string& Text);
TStopBits StrToStopBits(const std::string& Text);
TDataBits StrToDataBits(const std::string& Text);
TParityBits StrToParity(const std::string& Text);
TFlowControl StrToFlowControl(const std::string& Text);
TDTRFlowControl StrToDTR(const std::string& Text);
TRTSFlowControl StrToRTS(const std::string& Text);
// True only for "YES" in any case.
bool StrToBool(const std::string& Text);
// "" gives code 0, "#n" code n (EConvertError when n is not a number in 0..255), any
// other text its first character.
char StrToChar(const std::string& Text);

// The rate of a named baud rate (0 for brCustom).
std::int32_t BaudRateToInt(TBaudRate Value);

// ---- the event thread -----------------------------------------------------------------

class TComThread : public rtl::TThread {
  RTL_CLASS(TComThread, rtl::TThread)
public:
  // Sets the port's event mask and starts waiting for its events. Freeing it stops the
  // thread and waits for its end (also from inside one of its own handlers).
  explicit TComThread(TCustomComPort* AComPort);

protected:
  void Execute() override;
  // Ends the wait for port events.
  void TerminatedSet() override { stopEvent_.Set(); }

private:
  void DispatchEvents();
  TCustomComPort* comPort_;
  comm::TWaitEvent stopEvent_;
  TComEvents events_;
  std::uint64_t session_;
  // The events (as a device mask) handed to the GUI thread whose handlers have not run yet.
  std::atomic<std::uint32_t> pending_{0};
};

// ---- the component --------------------------------------------------------------------

class TCustomComPort : public TComponent {
  RTL_CLASS(TCustomComPort, TComponent)
public:
  explicit TCustomComPort(TComponent* AOwner);
  ~TCustomComPort() override;

  void Open();
  // Runs the close-time handlers (signals off, OnBeforeClose), stops the event thread,
  // closes the device, then OnAfterClose. A handler that raises does not stop the close;
  // the first exception is raised again once the port is closed, later ones go to
  // Application->HandleException. The destructor closes too and reports instead of raising.
  void Close();
  // Bytes written or read; 0 while PortFailed is set. Read waits as the time-outs say.
  int Write(const void* Buffer, int Count);
  int Read(void* Buffer, int Count);
  void ClearBuffer(bool Input, bool Output);
  int InputCount();
  // Milliseconds since the newest byte that has come arrived, as the port saw it (its event
  // thread watches the bytes come; a read that takes bytes before it looked counts them as
  // arriving then); -1 when none has come since the port opened.
  double InputIdleTime() const { return handle_.IsOpen() ? handle_.InputIdleMs() : -1; }
  TComSignals Signals();
  TComErrors LastErrors();
  void BeginUpdate();
  void EndUpdate();
  // Runs the port's settings dialog (EditComPort): on OK the port takes what was chosen,
  // all line settings in one step. False when the user cancelled, or when no dialog is
  // installed (SetupDialog).
  bool ShowSetupDialog();

  // The scheduling priority of the event thread, taken when the port opens (normal).
  rtl::TThreadPriority EventThreadPriority() const { return eventThreadPriority_; }
  void SetEventThreadPriority(rtl::TThreadPriority Value) { eventThreadPriority_ = Value; }

  // The settings of the groups in StoredProps, written to the key the caller has opened
  // in Reg, or to the section of IniFile named after the component; loading sets each
  // value through its setter, so that an open port takes it at once. Errors of the
  // registry and the file, and EConvertError for a bad character text, pass to the caller.
  virtual void SaveToRegistry(rtl::TRegistry* Reg);
  virtual void SaveToIniFile(rtl::TCustomIniFile* IniFile);
  virtual void LoadFromRegistry(rtl::TRegistry* Reg);
  virtual void LoadFromIniFile(rtl::TCustomIniFile* IniFile);

  bool Connected() const { return connected_; }
  void SetConnected(bool Value);
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate Value) { SetField(baudRate_, Value, &TCustomComPort::ApplyDCB); }
  std::int32_t CustomBaudRate() const { return customBaudRate_; }
  void SetCustomBaudRate(std::int32_t Value) { SetField(customBaudRate_, Value, &TCustomComPort::ApplyDCB); }
  const std::string& Port() const { return port_; }
  void SetPort(const std::string& Value);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits Value) { SetField(stopBits_, Value, &TCustomComPort::ApplyDCB); }
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits Value) { SetField(dataBits_, Value, &TCustomComPort::ApplyDCB); }
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool Value) { SetField(discardNull_, Value, &TCustomComPort::ApplyDCB); }
  char EventChar() const { return eventChar_; }
  void SetEventChar(char Value) { SetField(eventChar_, Value, &TCustomComPort::ApplyDCB); }
  // The events the port's thread waits for. Line watches (evCTS, evDSR, evRLSD, evRing,
  // evError, evBreak) are sampled from the device every 50 ms and every other event is a
  // hand-over to the GUI thread, so all but evRxChar are left out when no handler wants them:
  // their handlers must be assigned before the port opens.
  TComEvents Events() const { return events_; }
  void SetEvents(TComEvents Value) { events_ = Value; }
  // What the thread of the open port waits for (empty while closed): Events, less the line
  // watches that had no handler when the port opened.
  TComEvents WaitedEvents() const;
  // How received characters are gathered into one evRxChar. The port does not know what the
  // bytes mean; a reader that knows how many it waits for says so before they come (setting
  // RxTrigger before it writes the request they answer), and the event comes as soon as that
  // many have come since, or, with fewer, once the line has been quiet for RxQuietTime
  // milliseconds after the newest of them. RxTrigger 0: no length is known and the quiet time
  // alone ends the gathering; RxQuietTime 0: four byte times at the line's speed. Both are
  // kept across openings (an opening counts from its start) and take effect at once.
  int RxTrigger() const { return rxTrigger_; }
  void SetRxTrigger(int Value);
  double RxQuietTime() const { return rxQuietTime_; }
  void SetRxQuietTime(double Value);
  TSyncMethod SyncMethod() const { return syncMethod_; }
  void SetSyncMethod(TSyncMethod Value);
  TStoredProps StoredProps() const { return storedProps_; }
  void SetStoredProps(TStoredProps Value) { storedProps_ = Value; }
  TComBuffer* Buffer() const { return buffer_.get(); }
  void SetBuffer(TComBuffer* Value);
  TComParity* Parity() const { return parity_.get(); }
  void SetParity(TComParity* Value);
  TComTimeouts* Timeouts() const { return timeouts_.get(); }
  void SetTimeouts(TComTimeouts* Value);
  TComFlowControl* FlowControl() const { return flowControl_.get(); }
  void SetFlowControl(TComFlowControl* Value);

  TRxCharEvent OnRxChar;
  TRxBufEvent OnRxBuf;
  TNotifyEvent OnTxEmpty;
  TNotifyEvent OnBreak;
  TNotifyEvent OnRing;
  TComSignalEvent OnCTSChange;
  TComSignalEvent OnDSRChange;
  TComSignalEvent OnRLSDChange;
  TComErrorEvent OnError;
  TNotifyEvent OnRxFlag;
  TNotifyEvent OnAfterOpen;
  TNotifyEvent OnAfterClose;
  TNotifyEvent OnBeforeOpen;
  TNotifyEvent OnBeforeClose;
  TNotifyEvent OnRx80Full;

protected:
  void Loaded() override;
  virtual void CreateHandle();
  virtual void DestroyHandle();
  virtual void ApplySettings();

  virtual void DoAfterClose();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoBeforeOpen();
  virtual void DoRxChar(int Count);
  virtual void DoRxBuf(const void* Buffer, int Count);
  virtual void DoTxEmpty();
  virtual void DoBreak();
  virtual void DoRing();
  virtual void DoRxFlag();
  virtual void DoCTSChange(bool OnOff);
  virtual void DoDSRChange(bool OnOff);
  virtual void DoError(TComErrors Errors);
  virtual void DoRLSDChange(bool OnOff);
  virtual void DoRx80Full();
  virtual void ApplyDCB();
  virtual void ApplyTimeouts();
  virtual void ApplyBuffer();

private:
  friend class TComThread;
  friend class TComTimeouts;
  friend class TComFlowControl;
  friend class TComParity;
  friend class TComBuffer;

  bool CanApply() const;
  bool LoadingOrDesigning() const;
  void ApplyRxTrigger();
  // Sets PortFailed with a text naming the port, the failed step (an error code) and why.
  void Fail(int Code, int Error);
  void AbortAllAsync();
  // Runs the handlers of one completed wait, in their fixed order, on the calling thread;
  // stops when the port was closed (or reopened) meanwhile.
  void DoEvents(TComEvents Events, std::uint64_t Session);
  void HandleEvent(TComEvent Event);
  rtl::LRESULT WindowMethod(rtl::MSG& Message);

  TComThread* eventThread_ = nullptr;
  bool threadCreated_ = false;
  comm::TSerialDevice handle_;
  rtl::HWND window_ = 0;
  std::int32_t updateCount_ = 0;
  bool connected_ = false;
  TBaudRate baudRate_ = br9600;
  std::int32_t customBaudRate_ = 9600;
  std::string port_ = "COM1";
  TStopBits stopBits_ = sbOneStopBit;
  TDataBits dataBits_ = dbEight;
  bool discardNull_ = false;
  char eventChar_ = 0;
  TComEvents events_ = AllComEvents;
  const std::unique_ptr<TComBuffer> buffer_ = std::make_unique<TComBuffer>();
  const std::unique_ptr<TComParity> parity_ = std::make_unique<TComParity>();
  const std::unique_ptr<TComTimeouts> timeouts_ = std::make_unique<TComTimeouts>();
  const std::unique_ptr<TComFlowControl> flowControl_ = std::make_unique<TComFlowControl>();
  TSyncMethod syncMethod_ = smThreadSync;
  TStoredProps storedProps_{spBasic};
  rtl::TThreadPriority eventThreadPriority_ = rtl::tpNormal;
  int rxTrigger_ = 0;
  double rxQuietTime_ = 0;
  // Counts closes, so that handlers of an earlier opening never run on a later one.
  std::uint64_t session_ = 0;
};

// The component with its properties published for streaming.
class TComPort : public TCustomComPort {
  RTL_CLASS(TComPort, TCustomComPort)
public:
  explicit TComPort(TComponent* AOwner) : TCustomComPort(AOwner) {}
};

// The settings dialog behind ShowSetupDialog. The dialog is drawn with the 2D controls, which
// this component cannot use: the layer that can installs it (cport::SetupDialogStartup in
// serial/setup) and the program calls that at start. True when the user chose OK.
using TSetupDialog = std::function<bool(TCustomComPort* Port)>;
extern TSetupDialog SetupDialog;

// Fills Ports with the names of the machine's serial ports, in case-insensitive text
// order (COM10 before COM2). EComPort code 23 when the port list cannot be read.
void EnumComPorts(rtl::TStrings* Ports);
// The same names in the order the machine lists them, and an empty list when it cannot be
// read (the ECU port search walks them in that order).
std::vector<std::string> ComPortNames();

}  // namespace cport
