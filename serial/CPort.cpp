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
  if (portFailed_) return;
  portFailed_ = true;
  portFailedError_ = Error;
  portFailedText_ = PortFailureText(Code, port_, Error);
}

void TCustomComPort::SetPortFailed(const std::string& Text) {
  portFailed_ = true;
  portFailedText_ = Text;
}

void TCustomComPort::ForgetPortFailure() {
  portFailedText_.clear();
  portFailedError_ = 0;
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
  if (!CanApply() || portFailed_) return;
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
  if (!CanApply() || portFailed_) return;
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

bool TCustomComPort::ShowSetupDialog() { return setupDialog_ ? setupDialog_(this) : false; }

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
  if (portFailed_ || Count <= 0) return 0;
  std::uint32_t written = 0;
  if (const int err = handle_.Write(Buffer, static_cast<std::uint32_t>(Count), written)) Fail(CError_WriteFailed, err);
  return static_cast<int>(written);
}

int TCustomComPort::Read(void* Buffer, int Count) {
  if (portFailed_ || Count <= 0) return 0;
  std::uint32_t read = 0;
  if (const int err = handle_.Read(Buffer, static_cast<std::uint32_t>(Count), read)) Fail(CError_ReadFailed, err);
  return static_cast<int>(read);
}

void TCustomComPort::ClearBuffer(bool Input, bool Output) {
  if (portFailed_) return;
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

}  // namespace cport
