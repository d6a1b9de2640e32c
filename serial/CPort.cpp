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
int PortFailedError = 0;

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
  if (comPort_) comPort_->ApplyTimeouts();
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
  if (comPort_) comPort_->ApplyDCB();
}

TFlowControl TComFlowControl::FlowControl() const {
  if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcHardware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_) return fcSoftware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl Value) {
  if (Value != fcCustom) {
    controlRTS_ = rtsDisable;
    outCTSFlow_ = false;
    xonXoffIn_ = false;
    xonXoffOut_ = false;
    if (Value == fcHardware) {
      controlRTS_ = rtsHandshake;
      outCTSFlow_ = true;
    } else if (Value == fcSoftware) {
      xonXoffIn_ = true;
      xonXoffOut_ = true;
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
  if (comPort_) comPort_->ApplyDCB();
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
  if (comPort_) comPort_->ApplyBuffer();
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

// The events the thread waits for: the port's Events, less those that no handler wants.
// Watching modem lines or error counters means sampling the device every 50 ms, and every
// other event is a hand-over to the GUI thread (a transmit-empty one after each write): an
// idle port whose handlers do not care should sleep, and a busy one wake the GUI thread only
// for what somebody handles. Received characters are always waited for.
static TComEvents EventsToWait(const TCustomComPort& Port) {
  TComEvents events = Port.Events();
  const std::pair<TComEvent, bool> watches[] = {
      {evCTS, bool(Port.OnCTSChange)},    {evDSR, bool(Port.OnDSRChange)}, {evRLSD, bool(Port.OnRLSDChange)},
      {evRing, bool(Port.OnRing)},        {evError, bool(Port.OnError)},   {evBreak, bool(Port.OnBreak)},
      {evTxEmpty, bool(Port.OnTxEmpty)},  {evRxFlag, bool(Port.OnRxFlag)}, {evRx80Full, bool(Port.OnRx80Full)},
  };
  for (const auto& [event, wanted] : watches)
    if (!wanted) events.Exclude(event);
  return events;
}

TComThread::TComThread(TCustomComPort* AComPort) : comPort_(AComPort), session_(AComPort->session_) {
  SetPriority(comPort_->EventThreadPriority());
  comPort_->handle_.SetCommMask(EventsToMask(EventsToWait(*comPort_)));
  Start();
}

void TComThread::Execute() {
  comm::TSerialDevice& device = comPort_->handle_;
  for (;;) {
    std::uint32_t mask = 0;
    int error = 0;
    const comm::TWaitResult result = device.WaitCommEvent(mask, stopEvent_, error);
    if (result == comm::TWaitResult::Stopped) break;
    if (result == comm::TWaitResult::Failed) {
      // The device went away (or broke): say so on the GUI thread and stop waiting,
      // rather than spinning on a descriptor that answers every wait at once.
      TCustomComPort* port = comPort_;
      const std::uint64_t session = session_;
      Synchronize([port, session, error] {
        if (port->session_ == session && port->connected_) port->Fail(CError_WaitFailed, error);
      });
      return;
    }
    events_ = MaskToEvents(mask);
    DispatchEvents();
  }
  device.SetCommMask(0);
  device.PurgeComm(comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR);
}

void TComThread::DispatchEvents() {
  TCustomComPort* port = comPort_;
  const TComEvents events = events_;
  const std::uint64_t session = session_;
  switch (port->syncMethod_) {
    case smThreadSync:
      // The handlers run on the GUI thread, handed over without waiting for them: this thread
      // goes back to the port at once. While a hand-over waits to run, the events of later
      // waits join it, so the GUI thread is woken once for them. The call takes the events
      // before the handlers run and touches nothing of this object afterwards: a handler may
      // close the port and so free it (which drops a hand-over still waiting).
      if (pending_.fetch_or(EventsToMask(events)) == 0) {
        std::atomic<std::uint32_t>* pending = &pending_;
        Queue([port, pending, session] { port->DoEvents(MaskToEvents(pending->exchange(0)), session); });
      }
      break;
    case smWindowSync:
      // Each message carries the opening it belongs to: one the GUI thread gets to while
      // this opening is being closed (its wait for this thread serves the message) is
      // dropped, never handled with the next session.
      for (const TEventFlag& e : kDispatchOrder)
        if (events.Contains(e.Event))
          rtl::SendMessage(port->window_, CM_COMPORTEVENT, e.Flag, static_cast<rtl::LPARAM>(session));
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
  buffer_->comPort_ = this;
  parity_->comPort_ = this;
  timeouts_->comPort_ = this;
  flowControl_->comPort_ = this;
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

bool TCustomComPort::CanApply() const { return connected_ && updateCount_ == 0 && !LoadingOrDesigning(); }

void TCustomComPort::Fail(int Code, int Error) {
  // The first failure is the cause; later ones while the flag stands follow from it.
  if (PortFailed.exchange(1) != 0) return;
  PortFailedError = Error;
  PortFailedText = ComErrorMessage(Code) + " \"" + port_ + "\" (" + comm::DevicePath(port_) + "): " +
                   std::strerror(Error) + WinCodeSuffix(Error);
}

// -- open and close --

void TCustomComPort::Open() {
  if (connected_ || ComponentState().Contains(rtl::csDesigning)) return;
  DoBeforeOpen();
  CreateHandle();
  connected_ = true;
  try {
    ApplySettings();
  } catch (...) {
    DestroyHandle();
    connected_ = false;
    throw;
  }
  ApplyRxTrigger();
  // No thread waits on a port that did not open: it would have nothing to wait on.
  if (!events_.Empty() && handle_.IsOpen()) {
    if (syncMethod_ == smWindowSync)
      window_ = rtl::AllocateHWnd([this](rtl::MSG& Message) { return WindowMethod(Message); });
    eventThread_ = new TComThread(this);
    threadCreated_ = true;
  } else {
    threadCreated_ = false;
  }
  DoAfterOpen();
  DoCTSChange(Signals().Contains(csCTS));
  DoDSRChange(Signals().Contains(csDSR));
  DoRLSDChange(Signals().Contains(csRLSD));
}

void TCustomComPort::Close() {
  if (!connected_ || ComponentState().Contains(rtl::csDesigning)) return;
  if (threadCreated_ && eventThread_->ThreadID() == std::this_thread::get_id())
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
  ++session_;  // handlers of this opening that have not run yet never will
  if (threadCreated_) {
    // Also safe from inside one of the thread's own synchronised handlers: the wait
    // releases that call, the thread sees its stop and ends.
    TComThread* thread = eventThread_;
    eventThread_ = nullptr;
    threadCreated_ = false;
    delete thread;
    if (window_ != 0) {
      rtl::DeallocateHWnd(window_);
      window_ = 0;
    }
  }
  DestroyHandle();
  connected_ = false;
  notify([this] { DoAfterClose(); });
  if (failure) std::rethrow_exception(failure);
}

void TCustomComPort::CreateHandle() {
  if (const int err = handle_.Open(port_)) {
    Fail(CError_OpenFailed, err);
  }
}

void TCustomComPort::DestroyHandle() { handle_.Close(); }

void TCustomComPort::AbortAllAsync() {
  // A port that never opened has nothing to abort.
  if (!handle_.IsOpen()) return;
  if (const int err = handle_.PurgeComm(comm::PURGE_TXABORT | comm::PURGE_RXABORT)) Fail(CError_PurgeFailed, err);
}

void TCustomComPort::Loaded() {
  inherited::Loaded();
  if (connected_ && !ComponentState().Contains(rtl::csDesigning)) {
    connected_ = false;
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
  if (const int err = handle_.SetupComm(buffer_->InputSize(), buffer_->OutputSize())) Fail(CError_SetupComFailed, err);
}

void TCustomComPort::ApplyDCB() {
  if (!CanApply() || PortFailed) return;
  comm::DCB dcb;
  dcb.BaudRate = baudRate_ == brCustom ? static_cast<std::uint32_t>(customBaudRate_)
                                       : static_cast<std::uint32_t>(BaudRateToInt(baudRate_));
  dcb.fBinary = true;
  dcb.fParity = parity_->Check();
  dcb.fOutxCtsFlow = flowControl_->OutCTSFlow();
  dcb.fOutxDsrFlow = flowControl_->OutDSRFlow();
  dcb.fDtrControl = static_cast<std::uint8_t>(flowControl_->ControlDTR());
  dcb.fDsrSensitivity = flowControl_->DSRSensitivity();
  dcb.fTXContinueOnXoff = flowControl_->TxContinueOnXoff();
  dcb.fOutX = flowControl_->XonXoffOut();
  dcb.fInX = flowControl_->XonXoffIn();
  dcb.fErrorChar = parity_->Check() && parity_->Replace();
  dcb.fNull = discardNull_;
  dcb.fRtsControl = static_cast<std::uint8_t>(flowControl_->ControlRTS());
  const std::int32_t limit = buffer_->InputSize() / 4;
  dcb.XonLim = dcb.XoffLim = static_cast<std::uint16_t>(std::clamp<std::int32_t>(limit, 0, 0xFFFF));
  dcb.ByteSize = static_cast<std::uint8_t>(5 + dataBits_);
  dcb.Parity = static_cast<std::uint8_t>(parity_->Bits());
  dcb.StopBits = static_cast<std::uint8_t>(stopBits_);
  dcb.XonChar = flowControl_->XonChar();
  dcb.XoffChar = flowControl_->XoffChar();
  dcb.ErrorChar = dcb.fErrorChar ? parity_->ReplaceChar() : 0;
  dcb.EvtChar = eventChar_;
  if (const int err = handle_.SetCommState(dcb)) throw EComPort::CreateWin(CError_SetStateFailed, err);
}

void TCustomComPort::ApplyTimeouts() {
  if (!CanApply() || PortFailed) return;
  comm::COMMTIMEOUTS t;
  t.ReadIntervalTimeout = static_cast<std::uint32_t>(timeouts_->ReadInterval());
  t.ReadTotalTimeoutMultiplier = static_cast<std::uint32_t>(timeouts_->ReadTotalMultiplier());
  t.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(timeouts_->ReadTotalConstant());
  t.WriteTotalTimeoutMultiplier = static_cast<std::uint32_t>(timeouts_->WriteTotalMultiplier());
  t.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(timeouts_->WriteTotalConstant());
  if (const int err = handle_.SetCommTimeouts(t)) throw EComPort::CreateWin(CError_TimeoutsFailed, err);
}

void TCustomComPort::SetRxTrigger(int Value) {
  rxTrigger_ = std::max(Value, 0);
  ApplyRxTrigger();
}

void TCustomComPort::SetRxQuietTime(double Value) {
  rxQuietTime_ = Value > 0 ? Value : 0;
  ApplyRxTrigger();
}

void TCustomComPort::ApplyRxTrigger() {
  if (handle_.IsOpen()) handle_.SetReceiveTrigger(static_cast<std::uint32_t>(rxTrigger_), rxQuietTime_);
}

void TCustomComPort::BeginUpdate() { ++updateCount_; }

void TCustomComPort::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) ApplySettings();
}

TSetupDialog SetupDialog;

bool TCustomComPort::ShowSetupDialog() { return SetupDialog ? SetupDialog(this) : false; }

void TCustomComPort::SetConnected(bool Value) {
  if (LoadingOrDesigning()) {
    connected_ = Value;
    return;
  }
  if (Value == connected_) return;
  if (Value) Open();
  else Close();
}

void TCustomComPort::SetPort(const std::string& Value) {
  if (Value == port_) return;
  port_ = Value;
  if (connected_ && !LoadingOrDesigning()) {
    Close();
    Open();
  }
}

void TCustomComPort::SetSyncMethod(TSyncMethod Value) {
  if (Value == syncMethod_) return;
  if (connected_ && !LoadingOrDesigning()) throw EComPort(CError_ConnChangeProp);
  syncMethod_ = Value;
}

void TCustomComPort::SetBuffer(TComBuffer* Value) {
  if (Value) buffer_->Assign(Value);
  ApplyBuffer();
}

void TCustomComPort::SetParity(TComParity* Value) {
  if (Value) parity_->Assign(Value);
  ApplyDCB();
}

void TCustomComPort::SetTimeouts(TComTimeouts* Value) {
  if (Value) timeouts_->Assign(Value);
  ApplyTimeouts();
}

void TCustomComPort::SetFlowControl(TComFlowControl* Value) {
  if (Value) flowControl_->Assign(Value);
  ApplyDCB();
}

// -- transfers and queries --

int TCustomComPort::Write(const void* Buffer, int Count) {
  if (PortFailed || Count <= 0) return 0;
  std::uint32_t written = 0;
  if (const int err = handle_.Write(Buffer, static_cast<std::uint32_t>(Count), written)) Fail(CError_WriteFailed, err);
  return static_cast<int>(written);
}

int TCustomComPort::Read(void* Buffer, int Count) {
  if (PortFailed || Count <= 0) return 0;
  std::uint32_t read = 0;
  if (const int err = handle_.Read(Buffer, static_cast<std::uint32_t>(Count), read)) Fail(CError_ReadFailed, err);
  return static_cast<int>(read);
}

void TCustomComPort::ClearBuffer(bool Input, bool Output) {
  if (PortFailed) return;
  std::uint32_t flags = 0;
  if (Input) flags |= comm::PURGE_RXCLEAR;
  if (Output) flags |= comm::PURGE_TXCLEAR;
  if (const int err = handle_.PurgeComm(flags)) Fail(CError_PurgeFailed, err);
}

int TCustomComPort::InputCount() {
  std::uint32_t errors = 0;
  comm::COMSTAT stat;
  if (const int err = handle_.ClearCommError(errors, stat)) {
    Fail(CError_ClearComFailed, err);
    return 0;
  }
  return static_cast<int>(std::min<std::uint32_t>(stat.cbInQue, 0x7FFFFFFF));
}

TComSignals TCustomComPort::Signals() {
  std::uint32_t status = 0;
  if (const int err = handle_.GetCommModemStatus(status)) {
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
  if (const int err = handle_.ClearCommError(errors, stat)) throw EComPort::CreateWin(CError_ClearComFailed, err);
  TComErrors result;
  if (errors & comm::CE_FRAME) result.Include(ceFrame);
  if ((errors & comm::CE_RXPARITY) && parity_->Check()) result.Include(ceRxParity);
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
  return threadCreated_ ? MaskToEvents(handle_.GetCommMask()) : TComEvents{};
}

void TCustomComPort::DoEvents(TComEvents Events, std::uint64_t Session) {
  for (const TEventFlag& e : kDispatchOrder) {
    if (!Events.Contains(e.Event)) continue;
    if (!connected_ || session_ != Session) return;
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
  if (!connected_) return 0;
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
