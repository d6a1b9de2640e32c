#include "serial/CPort.h"

#include <libintl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "platform/comm/PortList.h"
#include "platform/loop/Application.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Registry.h"

namespace cport {

using rtl::DefineClass;

std::atomic<std::uint8_t> PortFailed{0};
std::string PortFailedText;

// ---- failures -------------------------------------------------------------------------

namespace {

const char* const kComErrorTexts[] = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};
constexpr const char* kDomain = "cport";

// " (win error code: %d)" through the text domain, with the code put in place.
std::string WinCodeSuffix(int Code) {
  std::string text = ::dgettext(kDomain, " (win error code: %d)");
  const std::size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(Code));
  return text;
}

}  // namespace

const std::string& ComErrorMessage(int Code) {
  // Translated once, on first use.
  static const std::vector<std::string> table = [] {
    std::vector<std::string> t;
    for (const char* text : kComErrorTexts) t.emplace_back(::dgettext(kDomain, text));
    return t;
  }();
  static const std::string none;
  return Code >= 1 && Code <= static_cast<int>(table.size()) ? table[Code - 1] : none;
}

EComPort::EComPort(int ACode) : rtl::Exception(ComErrorMessage(ACode)), Code(ACode) {}

EComPort EComPort::CreateWin(int ACode, int AWinCode) {
  EComPort e(ACode);
  e.WinCode = AWinCode;
  e.SetMessage(e.Message() + WinCodeSuffix(AWinCode));
  return e;
}

// ---- enumerations ---------------------------------------------------------------------

// ---- text forms -----------------------------------------------------------------------

namespace {

const char* const kBaudTexts[] = {"Custom", "110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",
                                  "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const std::int32_t kBaudRates[] = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                   14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
const char* const kStopTexts[] = {"1", "1.5", "2"};
const char* const kDataTexts[] = {"5", "6", "7", "8"};
const char* const kParityTexts[] = {"None", "Odd", "Even", "Mark", "Space"};
const char* const kFlowTexts[] = {"Hardware", "Software", "None", "Custom"};
const char* const kDTRTexts[] = {"Disable", "Enable", "Handshake"};
const char* const kRTSTexts[] = {"Disable", "Enable", "Handshake", "Toggle"};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

template <class E, std::size_t N> E FromText(const char* const (&texts)[N], const std::string& text, E fallback) {
  const std::string upper = Upper(text);
  for (std::size_t i = 0; i < N; ++i)
    if (Upper(texts[i]) == upper) return static_cast<E>(i);
  return fallback;
}

template <std::size_t N> std::string ToText(const char* const (&texts)[N], unsigned index) {
  return index < N ? texts[index] : "";
}

}  // namespace

std::string BaudRateToStr(TBaudRate Value) { return ToText(kBaudTexts, Value); }
std::string StopBitsToStr(TStopBits Value) { return ToText(kStopTexts, Value); }
std::string DataBitsToStr(TDataBits Value) { return ToText(kDataTexts, Value); }
std::string ParityToStr(TParityBits Value) { return ToText(kParityTexts, Value); }
std::string FlowControlToStr(TFlowControl Value) { return ToText(kFlowTexts, Value); }
std::string DTRToStr(TDTRFlowControl Value) { return ToText(kDTRTexts, Value); }
std::string RTSToStr(TRTSFlowControl Value) { return ToText(kRTSTexts, Value); }
std::string BoolToStr(bool Value) { return Value ? "Yes" : "No"; }

std::string CharToStr(char Value) {
  const unsigned code = static_cast<unsigned char>(Value);
  if (code >= 33 && code <= 127) return std::string(1, Value);
  return "#" + std::to_string(code);
}

TBaudRate StrToBaudRate(const std::string& Text) { return FromText(kBaudTexts, Text, br9600); }
TStopBits StrToStopBits(const std::string& Text) { return FromText(kStopTexts, Text, sbOneStopBit); }
TDataBits StrToDataBits(const std::string& Text) { return FromText(kDataTexts, Text, dbEight); }
TParityBits StrToParity(const std::string& Text) { return FromText(kParityTexts, Text, prNone); }
TFlowControl StrToFlowControl(const std::string& Text) { return FromText(kFlowTexts, Text, fcCustom); }
TDTRFlowControl StrToDTR(const std::string& Text) { return FromText(kDTRTexts, Text, dtrDisable); }
TRTSFlowControl StrToRTS(const std::string& Text) { return FromText(kRTSTexts, Text, rtsDisable); }
bool StrToBool(const std::string& Text) { return Upper(Text) == "YES"; }

char StrToChar(const std::string& Text) {
  if (Text.empty()) return 0;
  if (Text.size() >= 2 && Text[0] == '#') {
    // A code that does not fit a character is as wrong as a text that is no number.
    const std::string digits = Text.substr(1);
    int code = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || code > 255) throw rtl::EConvertError("'" + digits + "' is not a valid integer value");
      code = code * 10 + (c - '0');
    }
    if (code > 255) throw rtl::EConvertError("'" + digits + "' is not a valid integer value");
    return static_cast<char>(code);
  }
  return Text[0];
}

std::int32_t BaudRateToInt(TBaudRate Value) { return Value < std::size(kBaudRates) ? kBaudRates[Value] : 0; }

// ---- option objects -------------------------------------------------------------------

rtl::TClass TComTimeouts::StaticClass() {
  using T = TComTimeouts;
  static const rtl::TClassInfo info =
      DefineClass<T>()
          .Property("ReadInterval", &T::ReadInterval, &T::SetReadInterval).Default(-1)
          .Property("ReadTotalMultiplier", &T::ReadTotalMultiplier, &T::SetReadTotalMultiplier).Default(0)
          .Property("ReadTotalConstant", &T::ReadTotalConstant, &T::SetReadTotalConstant).Default(0)
          .Property("WriteTotalMultiplier", &T::WriteTotalMultiplier, &T::SetWriteTotalMultiplier).Default(100)
          .Property("WriteTotalConstant", &T::WriteTotalConstant, &T::SetWriteTotalConstant).Default(1000)
          .Build();
  return &info;
}

void TComTimeouts::Changed() {
  if (FComPort) FComPort->ApplyTimeouts();
}

rtl::TClass TComFlowControl::StaticClass() {
  using F = TComFlowControl;
  static const rtl::TClassInfo info =
      DefineClass<F>()
          .Property("FlowControl", &F::FlowControl, &F::SetFlowControl).Stored(false)
          .Property("OutCTSFlow", &F::OutCTSFlow, &F::SetOutCTSFlow).NoDefault()
          .Property("OutDSRFlow", &F::OutDSRFlow, &F::SetOutDSRFlow).NoDefault()
          .Property("ControlDTR", &F::ControlDTR, &F::SetControlDTR).NoDefault()
          .Property("ControlRTS", &F::ControlRTS, &F::SetControlRTS).NoDefault()
          .Property("XonXoffOut", &F::XonXoffOut, &F::SetXonXoffOut).NoDefault()
          .Property("XonXoffIn", &F::XonXoffIn, &F::SetXonXoffIn).NoDefault()
          .Property("DSRSensitivity", &F::DSRSensitivity, &F::SetDSRSensitivity).Default(false)
          .Property("TxContinueOnXoff", &F::TxContinueOnXoff, &F::SetTxContinueOnXoff).Default(false)
          .Property("XonChar", &F::XonChar, &F::SetXonChar).Default(17)
          .Property("XoffChar", &F::XoffChar, &F::SetXoffChar).Default(19)
          .Build();
  return &info;
}

void TComFlowControl::Changed() {
  if (FComPort) FComPort->ApplyDCB();
}

TFlowControl TComFlowControl::FlowControl() const {
  if (FControlRTS == rtsHandshake && FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) return fcHardware;
  if (FControlRTS == rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut) return fcSoftware;
  if (FControlRTS == rtsDisable && !FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl Value) {
  if (Value != fcCustom) {
    FControlRTS = rtsDisable;
    FOutCTSFlow = false;
    FXonXoffIn = false;
    FXonXoffOut = false;
    if (Value == fcHardware) {
      FControlRTS = rtsHandshake;
      FOutCTSFlow = true;
    } else if (Value == fcSoftware) {
      FXonXoffIn = true;
      FXonXoffOut = true;
    }
  }
  Changed();
}

rtl::TClass TComParity::StaticClass() {
  using T = TComParity;
  static const rtl::TClassInfo info = DefineClass<T>()
                                          .Property("Bits", &T::Bits, &T::SetBits).NoDefault()
                                          .Property("Check", &T::Check, &T::SetCheck).Default(false)
                                          .Property("Replace", &T::Replace, &T::SetReplace).Default(false)
                                          .Property("ReplaceChar", &T::ReplaceChar, &T::SetReplaceChar).Default(0)
                                          .Build();
  return &info;
}

void TComParity::Changed() {
  if (FComPort) FComPort->ApplyDCB();
}

rtl::TClass TComBuffer::StaticClass() {
  using T = TComBuffer;
  static const rtl::TClassInfo info = DefineClass<T>()
                                          .Property("InputSize", &T::InputSize, &T::SetInputSize).Default(1024)
                                          .Property("OutputSize", &T::OutputSize, &T::SetOutputSize).Default(1024)
                                          .Build();
  return &info;
}

void TComBuffer::Changed() {
  if (FComPort) FComPort->ApplyBuffer();
}

// ---- the event thread -----------------------------------------------------------------

namespace {

struct TEventFlag {
  TComEvent Event;
  std::uint32_t Flag;
};
// Both the mapping to the device's event mask and the order in which handlers run.
constexpr TEventFlag kDispatchOrder[] = {
    {evError, comm::EV_ERR},       {evRxChar, comm::EV_RXCHAR}, {evTxEmpty, comm::EV_TXEMPTY},
    {evBreak, comm::EV_BREAK},     {evRing, comm::EV_RING},     {evCTS, comm::EV_CTS},
    {evDSR, comm::EV_DSR},         {evRxFlag, comm::EV_RXFLAG}, {evRLSD, comm::EV_RLSD},
    {evRx80Full, comm::EV_RX80FULL},
};

std::uint32_t EventsToMask(TComEvents Events) {
  std::uint32_t mask = 0;
  for (const TEventFlag& e : kDispatchOrder)
    if (Events.Contains(e.Event)) mask |= e.Flag;
  return mask;
}

TComEvents MaskToEvents(std::uint32_t Mask) {
  TComEvents events;
  for (const TEventFlag& e : kDispatchOrder)
    if (Mask & e.Flag) events.Include(e.Event);
  return events;
}

constexpr rtl::UINT CM_COMPORTEVENT = rtl::WM_USER + 1;

}  // namespace

rtl::TClass TComThread::StaticClass() {
  static const rtl::TClassInfo info = DefineClass<TComThread>().Build();
  return &info;
}

// The events the thread waits for: the port's Events, less the line watches that no handler
// wants. Watching modem lines or error counters means sampling the device every 50 ms; an
// idle port whose handlers do not care should sleep.
static TComEvents EventsToWait(const TCustomComPort& Port) {
  TComEvents events = Port.Events();
  const std::pair<TComEvent, bool> watches[] = {
      {evCTS, bool(Port.OnCTSChange)},   {evDSR, bool(Port.OnDSRChange)}, {evRLSD, bool(Port.OnRLSDChange)},
      {evRing, bool(Port.OnRing)},       {evError, bool(Port.OnError)},   {evBreak, bool(Port.OnBreak)},
  };
  for (const auto& [event, wanted] : watches)
    if (!wanted) events.Exclude(event);
  return events;
}

TComThread::TComThread(TCustomComPort* AComPort) : FComPort(AComPort), FSession(AComPort->FSession) {
  FComPort->FHandle.SetCommMask(EventsToMask(EventsToWait(*FComPort)));
  Start();
}

void TComThread::Execute() {
  comm::TSerialDevice& device = FComPort->FHandle;
  for (;;) {
    std::uint32_t mask = 0;
    int error = 0;
    const comm::TWaitResult result = device.WaitCommEvent(mask, FStopEvent, error);
    if (result == comm::TWaitResult::Stopped) break;
    if (result == comm::TWaitResult::Failed) {
      // The device went away (or broke): say so on the GUI thread and stop waiting,
      // rather than spinning on a descriptor that answers every wait at once.
      TCustomComPort* port = FComPort;
      const std::uint64_t session = FSession;
      Synchronize([port, session, error] {
        if (port->FSession == session && port->FConnected) port->Fail(CError_WaitFailed, error);
      });
      return;
    }
    FEvents = MaskToEvents(mask);
    DispatchEvents();
  }
  device.SetCommMask(0);
  device.PurgeComm(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR);
}

void TComThread::DispatchEvents() {
  TCustomComPort* port = FComPort;
  const TComEvents events = FEvents;
  const std::uint64_t session = FSession;
  switch (port->FSyncMethod) {
    case smThreadSync:
      // The handlers run on the GUI thread while this thread waits. They only capture the
      // port and the session: a handler may close the port and so free this object.
      Synchronize([port, events, session] { port->DoEvents(events, session); });
      break;
    case smWindowSync:
      // Each message carries the opening it belongs to: one the GUI thread gets to while
      // this opening is being closed (its wait for this thread serves the message) is
      // dropped, never handled with the next session.
      for (const TEventFlag& e : kDispatchOrder)
        if (events.Contains(e.Event))
          rtl::SendMessage(port->FWindow, CM_COMPORTEVENT, e.Flag, static_cast<rtl::LPARAM>(session));
      break;
    case smNone:
      port->DoEvents(events, session);
      break;
  }
}

// ---- the component --------------------------------------------------------------------

rtl::TClass TCustomComPort::StaticClass() {
  static const rtl::TClassInfo info = DefineClass<TCustomComPort>().Build();
  return &info;
}

rtl::TClass TComPort::StaticClass() {
  using P = TComPort;
  static const rtl::TClassInfo info =
      DefineClass<P>()
          .Property("Connected", &P::Connected, &P::SetConnected).Default(false)
          .Property("BaudRate", &P::BaudRate, &P::SetBaudRate).NoDefault()
          .Property("Port", &P::Port, &P::SetPort).NoDefault()
          .Property("Parity", &P::Parity, &P::SetParity)
          .Property("StopBits", &P::StopBits, &P::SetStopBits).NoDefault()
          .Property("DataBits", &P::DataBits, &P::SetDataBits).NoDefault()
          .Property("DiscardNull", &P::DiscardNull, &P::SetDiscardNull).Default(false)
          .Property("EventChar", &P::EventChar, &P::SetEventChar).Default(0)
          .Property("Events", &P::Events, &P::SetEvents).NoDefault()
          .Property("Buffer", &P::Buffer, &P::SetBuffer)
          .Property("FlowControl", &P::FlowControl, &P::SetFlowControl)
          .Property("Timeouts", &P::Timeouts, &P::SetTimeouts)
          .Property("SyncMethod", &P::SyncMethod, &P::SetSyncMethod).Default(smThreadSync)
          .Event("OnAfterOpen", &P::OnAfterOpen)
          .Event("OnAfterClose", &P::OnAfterClose)
          .Event("OnBeforeOpen", &P::OnBeforeOpen)
          .Event("OnBeforeClose", &P::OnBeforeClose)
          .Event("OnRxChar", &P::OnRxChar)
          .Event("OnRxBuf", &P::OnRxBuf)
          .Event("OnTxEmpty", &P::OnTxEmpty)
          .Event("OnBreak", &P::OnBreak)
          .Event("OnRing", &P::OnRing)
          .Event("OnCTSChange", &P::OnCTSChange)
          .Event("OnDSRChange", &P::OnDSRChange)
          .Event("OnRLSDChange", &P::OnRLSDChange)
          .Event("OnRxFlag", &P::OnRxFlag)
          .Event("OnError", &P::OnError)
          .Event("OnRx80Full", &P::OnRx80Full)
          .Build();
  return &info;
}

TCustomComPort::TCustomComPort(TComponent* AOwner) : TComponent(AOwner) {
  FBuffer->FComPort = this;
  FParity->FComPort = this;
  FTimeouts->FComPort = this;
  FFlowControl->FComPort = this;
}

TCustomComPort::~TCustomComPort() {
  // A close handler that fails here (the port freed with its owner) cannot end the
  // program: its exception is reported like one from the loop and the port goes anyway.
  try {
    Close();
  } catch (...) {
    rtl::Application->HandleException(this);
  }
}

bool TCustomComPort::LoadingOrDesigning() const {
  const rtl::TComponentState state = ComponentState();
  return state.Contains(rtl::csLoading) || state.Contains(rtl::csDesigning);
}

bool TCustomComPort::CanApply() const { return FConnected && FUpdateCount == 0 && !LoadingOrDesigning(); }

void TCustomComPort::Fail(int Code, int Error) {
  // The first failure is the cause; later ones while the flag stands follow from it.
  if (PortFailed.exchange(1) != 0) return;
  PortFailedText = ComErrorMessage(Code) + " \"" + FPort + "\" (" + comm::DevicePath(FPort) + "): " +
                   std::strerror(Error) + WinCodeSuffix(Error);
}

// -- open and close --

void TCustomComPort::Open() {
  if (FConnected || ComponentState().Contains(rtl::csDesigning)) return;
  DoBeforeOpen();
  CreateHandle();
  FConnected = true;
  try {
    ApplySettings();
  } catch (...) {
    DestroyHandle();
    FConnected = false;
    throw;
  }
  // No thread waits on a port that did not open: it would have nothing to wait on.
  if (!FEvents.Empty() && FHandle.IsOpen()) {
    if (FSyncMethod == smWindowSync)
      FWindow = rtl::AllocateHWnd([this](rtl::MSG& Message) { return WindowMethod(Message); });
    FEventThread = new TComThread(this);
    FThreadCreated = true;
  } else {
    FThreadCreated = false;
  }
  DoAfterOpen();
  DoCTSChange(Signals().Contains(csCTS));
  DoDSRChange(Signals().Contains(csDSR));
  DoRLSDChange(Signals().Contains(csRLSD));
}

void TCustomComPort::Close() {
  if (!FConnected || ComponentState().Contains(rtl::csDesigning)) return;
  if (FThreadCreated && FEventThread->ThreadID() == std::this_thread::get_id())
    throw rtl::EInvalidOperation("A port cannot be closed from its own event thread");
  // A failing handler does not stop the close: the port closes all the same, the first
  // failure is raised to the caller at the end and later ones are reported.
  std::exception_ptr failure;
  auto notify = [&](auto&& Handler) {
    try {
      Handler();
    } catch (...) {
      if (!failure) failure = std::current_exception();
      else rtl::Application->HandleException(this);
    }
  };
  notify([this] { DoCTSChange(false); });
  notify([this] { DoDSRChange(false); });
  notify([this] { DoRLSDChange(false); });
  notify([this] { DoBeforeClose(); });
  AbortAllAsync();
  ++FSession;  // handlers of this opening that have not run yet never will
  if (FThreadCreated) {
    // Also safe from inside one of the thread's own synchronised handlers: the wait
    // releases that call, the thread sees its stop and ends.
    TComThread* thread = FEventThread;
    FEventThread = nullptr;
    FThreadCreated = false;
    delete thread;
    if (FWindow != 0) {
      rtl::DeallocateHWnd(FWindow);
      FWindow = 0;
    }
  }
  DestroyHandle();
  FConnected = false;
  notify([this] { DoAfterClose(); });
  if (failure) std::rethrow_exception(failure);
}

void TCustomComPort::CreateHandle() {
  if (const int err = FHandle.Open(FPort)) {
    Fail(CError_OpenFailed, err);
  }
}

void TCustomComPort::DestroyHandle() { FHandle.Close(); }

void TCustomComPort::AbortAllAsync() {
  // A port that never opened has nothing to abort.
  if (!FHandle.IsOpen()) return;
  if (const int err = FHandle.PurgeComm(comm::PURGE_TXABORT | comm::PURGE_RXABORT)) Fail(CError_PurgeFailed, err);
}

void TCustomComPort::Loaded() {
  inherited::Loaded();
  if (FConnected && !ComponentState().Contains(rtl::csDesigning)) {
    FConnected = false;
    try {
      Open();
    } catch (...) {
      rtl::Application->HandleException(this);
    }
  }
}

// -- settings --

void TCustomComPort::ApplySettings() {
  ApplyBuffer();
  ApplyDCB();
  ApplyTimeouts();
}

void TCustomComPort::ApplyBuffer() {
  if (!CanApply()) return;
  if (const int err = FHandle.SetupComm(FBuffer->InputSize(), FBuffer->OutputSize())) Fail(CError_SetupComFailed, err);
}

void TCustomComPort::ApplyDCB() {
  if (!CanApply() || PortFailed) return;
  comm::DCB dcb;
  dcb.BaudRate = FBaudRate == brCustom ? static_cast<std::uint32_t>(FCustomBaudRate)
                                       : static_cast<std::uint32_t>(BaudRateToInt(FBaudRate));
  dcb.fBinary = true;
  dcb.fParity = FParity->Check();
  dcb.fOutxCtsFlow = FFlowControl->OutCTSFlow();
  dcb.fOutxDsrFlow = FFlowControl->OutDSRFlow();
  dcb.fDtrControl = static_cast<std::uint8_t>(FFlowControl->ControlDTR());
  dcb.fDsrSensitivity = FFlowControl->DSRSensitivity();
  dcb.fTXContinueOnXoff = FFlowControl->TxContinueOnXoff();
  dcb.fOutX = FFlowControl->XonXoffOut();
  dcb.fInX = FFlowControl->XonXoffIn();
  dcb.fErrorChar = FParity->Check() && FParity->Replace();
  dcb.fNull = FDiscardNull;
  dcb.fRtsControl = static_cast<std::uint8_t>(FFlowControl->ControlRTS());
  const std::int32_t limit = FBuffer->InputSize() / 4;
  dcb.XonLim = dcb.XoffLim = static_cast<std::uint16_t>(std::clamp<std::int32_t>(limit, 0, 0xFFFF));
  dcb.ByteSize = static_cast<std::uint8_t>(5 + FDataBits);
  dcb.Parity = static_cast<std::uint8_t>(FParity->Bits());
  dcb.StopBits = static_cast<std::uint8_t>(FStopBits);
  dcb.XonChar = FFlowControl->XonChar();
  dcb.XoffChar = FFlowControl->XoffChar();
  dcb.ErrorChar = dcb.fErrorChar ? FParity->ReplaceChar() : 0;
  dcb.EvtChar = FEventChar;
  if (const int err = FHandle.SetCommState(dcb)) throw EComPort::CreateWin(CError_SetStateFailed, err);
}

void TCustomComPort::ApplyTimeouts() {
  if (!CanApply() || PortFailed) return;
  comm::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = static_cast<std::uint32_t>(FTimeouts->ReadInterval());
  t.ReadTotalTimeoutMultiplier = static_cast<std::uint32_t>(FTimeouts->ReadTotalMultiplier());
  t.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(FTimeouts->ReadTotalConstant());
  t.WriteTotalTimeoutMultiplier = static_cast<std::uint32_t>(FTimeouts->WriteTotalMultiplier());
  t.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(FTimeouts->WriteTotalConstant());
  if (const int err = FHandle.SetCommTimeouts(t)) throw EComPort::CreateWin(CError_TimeoutsFailed, err);
}

void TCustomComPort::BeginUpdate() { ++FUpdateCount; }

void TCustomComPort::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) ApplySettings();
}

void TCustomComPort::SetConnected(bool Value) {
  if (LoadingOrDesigning()) {
    FConnected = Value;
    return;
  }
  if (Value == FConnected) return;
  if (Value) Open();
  else Close();
}

void TCustomComPort::SetPort(const std::string& Value) {
  if (Value == FPort) return;
  FPort = Value;
  if (FConnected && !LoadingOrDesigning()) {
    Close();
    Open();
  }
}

void TCustomComPort::SetSyncMethod(TSyncMethod Value) {
  if (Value == FSyncMethod) return;
  if (FConnected && !LoadingOrDesigning()) throw EComPort(CError_ConnChangeProp);
  FSyncMethod = Value;
}

void TCustomComPort::SetBuffer(TComBuffer* Value) {
  if (Value) FBuffer->Assign(Value);
  ApplyBuffer();
}

void TCustomComPort::SetParity(TComParity* Value) {
  if (Value) FParity->Assign(Value);
  ApplyDCB();
}

void TCustomComPort::SetTimeouts(TComTimeouts* Value) {
  if (Value) FTimeouts->Assign(Value);
  ApplyTimeouts();
}

void TCustomComPort::SetFlowControl(TComFlowControl* Value) {
  if (Value) FFlowControl->Assign(Value);
  ApplyDCB();
}

// -- transfers and queries --

int TCustomComPort::Write(const void* Buffer, int Count) {
  if (PortFailed || Count <= 0) return 0;
  std::uint32_t written = 0;
  if (const int err = FHandle.Write(Buffer, static_cast<std::uint32_t>(Count), written)) Fail(CError_WriteFailed, err);
  return static_cast<int>(written);
}

int TCustomComPort::Read(void* Buffer, int Count) {
  if (PortFailed || Count <= 0) return 0;
  std::uint32_t read = 0;
  if (const int err = FHandle.Read(Buffer, static_cast<std::uint32_t>(Count), read)) Fail(CError_ReadFailed, err);
  return static_cast<int>(read);
}

void TCustomComPort::ClearBuffer(bool Input, bool Output) {
  if (PortFailed) return;
  std::uint32_t flags = 0;
  if (Input) flags |= comm::PURGE_RXCLEAR;
  if (Output) flags |= comm::PURGE_TXCLEAR;
  if (const int err = FHandle.PurgeComm(flags)) Fail(CError_PurgeFailed, err);
}

int TCustomComPort::InputCount() {
  std::uint32_t errors = 0;
  comm::COMSTAT stat;
  if (const int err = FHandle.ClearCommError(errors, stat)) {
    Fail(CError_ClearComFailed, err);
    return 0;
  }
  return static_cast<int>(std::min<std::uint32_t>(stat.cbInQue, 0x7FFFFFFF));
}

TComSignals TCustomComPort::Signals() {
  std::uint32_t status = 0;
  if (const int err = FHandle.GetCommModemStatus(status)) {
    Fail(CError_ModemStatFailed, err);
    return {};
  }
  TComSignals signals;
  if (status & comm::MS_CTS_ON) signals.Include(csCTS);
  if (status & comm::MS_DSR_ON) signals.Include(csDSR);
  if (status & comm::MS_RING_ON) signals.Include(csRing);
  if (status & comm::MS_RLSD_ON) signals.Include(csRLSD);
  return signals;
}

TComErrors TCustomComPort::LastErrors() {
  std::uint32_t errors = 0;
  comm::COMSTAT stat;
  if (const int err = FHandle.ClearCommError(errors, stat)) throw EComPort::CreateWin(CError_ClearComFailed, err);
  TComErrors result;
  if (errors & comm::CE_FRAME) result.Include(ceFrame);
  if ((errors & comm::CE_RXPARITY) && FParity->Check()) result.Include(ceRxParity);
  if (errors & comm::CE_OVERRUN) result.Include(ceOverrun);
  if (errors & comm::CE_RXOVER) result.Include(ceRxOver);
  if (errors & comm::CE_TXFULL) result.Include(ceTxFull);
  if (errors & comm::CE_BREAK) result.Include(ceBreak);
  if (errors & comm::CE_IOE) result.Include(ceIO);
  if (errors & comm::CE_MODE) result.Include(ceMode);
  return result;
}

// -- events --

TComEvents TCustomComPort::WaitedEvents() const {
  return FThreadCreated ? MaskToEvents(FHandle.GetCommMask()) : TComEvents{};
}

void TCustomComPort::DoEvents(TComEvents Events, std::uint64_t Session) {
  for (const TEventFlag& e : kDispatchOrder) {
    if (!Events.Contains(e.Event)) continue;
    if (!FConnected || FSession != Session) return;
    try {
      HandleEvent(e.Event);
    } catch (...) {
      // A failing handler is reported; the port and its thread carry on.
      rtl::Application->HandleException(this);
    }
  }
}

void TCustomComPort::HandleEvent(TComEvent Event) {
  switch (Event) {
    case evRxChar: {
      const int count = InputCount();
      if (count > 0) DoRxChar(count);
      break;
    }
    case evRxFlag: DoRxFlag(); break;
    case evTxEmpty: DoTxEmpty(); break;
    case evCTS: DoCTSChange(Signals().Contains(csCTS)); break;
    case evDSR: DoDSRChange(Signals().Contains(csDSR)); break;
    case evRLSD: DoRLSDChange(Signals().Contains(csRLSD)); break;
    case evBreak: DoBreak(); break;
    case evError: {
      const TComErrors errors = LastErrors();
      if (!errors.Empty()) DoError(errors);
      break;
    }
    case evRing: DoRing(); break;
    case evRx80Full: DoRx80Full(); break;
  }
}

rtl::LRESULT TCustomComPort::WindowMethod(rtl::MSG& Message) {
  if (Message.message != CM_COMPORTEVENT) return 0;
  if (rtl::InSendMessage()) rtl::ReplyMessage(0);
  if (!FConnected) return 0;
  const TComEvents events = MaskToEvents(static_cast<std::uint32_t>(Message.wParam));
  DoEvents(events, static_cast<std::uint64_t>(Message.lParam));
  return 0;
}

void TCustomComPort::DoAfterClose() { OnAfterClose(this); }
void TCustomComPort::DoAfterOpen() { OnAfterOpen(this); }
void TCustomComPort::DoBeforeClose() { OnBeforeClose(this); }
void TCustomComPort::DoBeforeOpen() { OnBeforeOpen(this); }
void TCustomComPort::DoRxChar(int Count) { OnRxChar(this, Count); }
void TCustomComPort::DoRxBuf(const void* Buffer, int Count) { OnRxBuf(this, Buffer, Count); }
void TCustomComPort::DoTxEmpty() { OnTxEmpty(this); }
void TCustomComPort::DoBreak() { OnBreak(this); }
void TCustomComPort::DoRing() { OnRing(this); }
void TCustomComPort::DoRxFlag() { OnRxFlag(this); }
void TCustomComPort::DoCTSChange(bool OnOff) { OnCTSChange(this, OnOff); }
void TCustomComPort::DoDSRChange(bool OnOff) { OnDSRChange(this, OnOff); }
void TCustomComPort::DoError(TComErrors Errors) { OnError(this, Errors); }
void TCustomComPort::DoRLSDChange(bool OnOff) { OnRLSDChange(this, OnOff); }
void TCustomComPort::DoRx80Full() { OnRx80Full(this); }

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
  explicit TRegistryPlace(rtl::TRegistry& Reg) : FReg(Reg) {}
  std::string ReadString(const char* Key, const std::string&) override { return FReg.ReadString(Key); }
  int ReadInteger(const char* Key, int) override { return FReg.ReadInteger(Key); }
  void WriteString(const char* Key, const std::string& Value) override { FReg.WriteString(Key, Value); }
  void WriteInteger(const char* Key, int Value) override { FReg.WriteInteger(Key, Value); }

private:
  rtl::TRegistry& FReg;
};

class TIniPlace : public TSettingsPlace {
public:
  TIniPlace(rtl::TCustomIniFile& Ini, std::string Section) : FIni(Ini), FSection(std::move(Section)) {}
  std::string ReadString(const char* Key, const std::string& Default) override {
    return FIni.ReadString(FSection, Key, Default);
  }
  int ReadInteger(const char* Key, int Default) override { return FIni.ReadInteger(FSection, Key, Default); }
  void WriteString(const char* Key, const std::string& Value) override { FIni.WriteString(FSection, Key, Value); }
  void WriteInteger(const char* Key, int Value) override { FIni.WriteInteger(FSection, Key, Value); }

private:
  rtl::TCustomIniFile& FIni;
  std::string FSection;
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
    return Upper(a) < Upper(b);
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
