#include "ecu/Port_3D_Unit.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <limits>
#include <vector>

#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Session.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/SysUtils.h"
#include "serial/CPort.h"

namespace ecu {

namespace {

rtl::TTimer* MakeTimer(rtl::TComponent* Owner, std::uint32_t Interval, std::function<void()> Handler) {
  auto* timer = new rtl::TTimer(Owner);
  timer->SetEnabled(false);
  timer->SetInterval(Interval);
  timer->SetOnTimer([Handler = std::move(Handler)](rtl::TObject*) { Handler(); });
  return timer;
}

}  // namespace

rtl::TClass TForm_3D_Port::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TForm_3D_Port>().Build();
  return &info;
}

TForm_3D_Port::TForm_3D_Port(rtl::TComponent* AOwner) : TComponent(AOwner) {
  ComPort = new cport::TComPort(this);
  ComPort->SetBaudRate(cport::br9600);
  ComPort->SetDataBits(cport::dbEight);
  ComPort->SetStopBits(cport::sbOneStopBit);
  ComPort->Parity()->SetBits(cport::prNone);
  ComPort->FlowControl()->SetFlowControl(cport::fcNone);
  ComPort->FlowControl()->SetControlDTR(cport::dtrDisable);
  ComPort->FlowControl()->SetControlRTS(cport::rtsDisable);
  ComPort->Timeouts()->SetReadInterval(500);
  // A reply that stays short of its length reaches the handler once the line has been quiet
  // for the link's quiet time.
  ComPort->SetRxQuietTime(ReplyQuietMs());
  ComPort->OnAfterOpen = rtl::TNotifyEvent(this, &TForm_3D_Port::ComPortAfterOpen, "ComPortAfterOpen");
  ComPort->OnAfterClose = rtl::TNotifyEvent(this, &TForm_3D_Port::ComPortAfterClose, "ComPortAfterClose");
  ComPort->OnRxChar = cport::TRxCharEvent(this, &TForm_3D_Port::ComPortRxChar, "ComPortRxChar");
  Timer_Select_ComPort = new rtl::TTimer(this);
  Timer_Select_ComPort->SetEnabled(false);
  Timer_Select_ComPort->SetInterval(100);
  Timer_Select_ComPort->SetOnTimer([this](rtl::TObject*) { Timer_Select_ComPortTimer(); });
  Timer_Connect = MakeTimer(this, StepTimeoutMs, [this] { LinkTimerTick(timeoutDeferred_, Reply_Timeout); });
  Timer_Sending = MakeTimer(this, 1000, [this] { LinkTimerTick(sendDeferred_, Send_Tick); });
  HudPanel_3D_Port.Width = 300;
  HudPanel_3D_Port.Height = 100;
  HudLabel_3D_Port_Search.Visible = false;
  AniIndicator_3D_Port.Visible = false;
  AniIndicator_3D_Port.Enabled = false;
  // FormCreate
  Session().PortSearch.PortIndex = 0;
  Session().PortSearch.PortCount = 0;
  Session().Link.PortSearching = 0;
  Session().PortSearch.PortNames.clear();
  Session().PortSearch.NewPortFound = 0;
  Session().Form_3D_Port = this;
  portScope_ = std::make_unique<THostScope<TLinkPort>>(Session().Hosts.Port, &port_);
}

void TForm_3D_Port::BeforeDestruction() {
  StopReplyQuiet();
  StopReceiving();
  // The port closes while the form is still whole (its after-close handler runs).
  ComPort->OnAfterClose = nullptr;
  ComPort->OnRxChar = nullptr;
  ComPort->Close();
  inherited::BeforeDestruction();
}

TForm_3D_Port::~TForm_3D_Port() {
  portScope_.reset();
  if (Session().Form_3D_Port == this) Session().Form_3D_Port = nullptr;
}

bool TForm_3D_Port::TPort::Connected() const { return form_.ComPort->Connected(); }
bool TForm_3D_Port::TPort::PortFailed() const { return form_.ComPort->PortFailed(); }
void TForm_3D_Port::TPort::ClearPortFailed() { form_.ComPort->ClearPortFailed(); }
void TForm_3D_Port::TPort::Write(const std::uint8_t* Data, int Count, int ReplyLength) {
  // The port hands the reply to the GUI thread in one piece: as soon as its length is in, or
  // when the line falls quiet short of it.
  form_.ComPort->SetRxTrigger(ReplyLength);
  form_.ComPort->Write(Data, Count);
}
std::int32_t TForm_3D_Port::TPort::ReadInterval() const { return form_.ComPort->Timeouts()->ReadInterval(); }
bool TForm_3D_Port::TPort::OpenConfigured() { return OpenConfiguredPort(); }
void TForm_3D_Port::TPort::SearchStep() { Port_Search_Step(); }
void TForm_3D_Port::TPort::SearchNext() { Port_Search_Next(); }
void TForm_3D_Port::TPort::Failed() { Port_Error(); }
void TForm_3D_Port::TPort::Closed() { Port_Closed(); }

void TForm_3D_Port::ComPortAfterOpen(rtl::TObject*) {
  ++portChanges_;
  StopReplyQuiet();
  StopReceiving();
  sendDeferred_ = timeoutDeferred_ = false;
  Link_After_Open();
}

void TForm_3D_Port::ComPortAfterClose(rtl::TObject*) {
  ++portChanges_;
  StopReplyQuiet();
  StopReceiving();
  sendDeferred_ = timeoutDeferred_ = false;
  Port_Closed();
}

double TForm_3D_Port::ReplyQuietMs() const {
  const std::int32_t baud = std::max<std::int32_t>(cport::BaudRateToInt(ComPort->BaudRate()), 1200);
  return std::ceil(3 * 10 * 1000.0 / baud);
}

// The GUI thread never waits for bytes here: it takes what is queued and returns; the rest
// of a reply comes with later events, and a reply that stays short is given up by a timer.
void TForm_3D_Port::ComPortRxChar(rtl::TObject*, int) {
  if (ComPort->PortFailed()) return;
  if (quietTimer_ != 0) {
    // Bytes within the quiet time after the expected last one: the reply is too long.
    const int count = quietCount_ + 1;
    const double end = quietEnd_;
    const std::uint64_t changes = quietChanges_;
    StopReplyQuiet();
    CheckReply(count, end, changes);
    return;
  }
  const std::uint64_t changes = portChanges_;
  const double now = rtl::GetTickCount();
  if (rxCount_ == 0) rxTarget_ = Session().Link.RxExpectedLength;
  // Only what is queued: a read of no more bytes than InputCount finds returns at once, as
  // they are all there and nothing else takes them out of the queue.
  const int queued = ComPort->InputCount();
  const int wanted = std::min(queued, rxTarget_ - rxCount_);
  const int read = wanted > 0 && !ComPort->PortFailed() ? ComPort->Read(Session().Link.RxFrame.data() + rxCount_, wanted) : 0;
  if (read > 0) {
    // The bytes came when the port saw them come, which may be a while before this handler
    // ran (the GUI thread was drawing): the reply's timing counts from then.
    const double idle = ComPort->InputIdleTime();
    const double seen = idle >= 0 ? rtl::Application->Clock().Before(idle) : now;
    if (rxCount_ == 0) rxStart_ = rxLast_ = seen;
    else rxLast_ = std::max(seen, rxLast_);
  }
  rxCount_ += read;
  if (ComPort->PortFailed()) {
    CheckReply(rxCount_, rxLast_, changes);
    return;
  }
  if (rxCount_ < rxTarget_) {
    if (rxCount_ == 0) return;  // nothing of a reply yet
    // Short so far: wait for the rest, without waiting here.
    const double giveUp = ReplyGiveUpAt(rxStart_, rxLast_, rxTarget_);
    if (giveUp <= now) {
      CheckReply(rxCount_, rxLast_, changes);
      return;
    }
    if (receiveTimer_ != 0) rtl::Application->StopTimer(receiveTimer_);
    receiveTimer_ = 0;
    if (std::isfinite(giveUp))
      receiveTimer_ = rtl::Application->StartTimer(giveUp - now, [this] { ReceiveTimeoutTick(); });
    return;
  }
  int count = rxCount_;
  if (count > 0) {
    if (ComPort->InputCount() == 0 && !ComPort->PortFailed()) {
      StartReplyQuiet(count, rxLast_);
      return;
    }
    ++count;  // more bytes are there already
  }
  CheckReply(count, rxLast_, changes);
}

double TForm_3D_Port::ReplyGiveUpAt(double Start, double Last, int Target) const {
  // The port's time-outs as the system passes them on: -1 stands for MAXDWORD.
  const cport::TComTimeouts& t = *ComPort->Timeouts();
  constexpr std::uint32_t MaxDword = 0xFFFFFFFF;
  const auto interval = static_cast<std::uint32_t>(t.ReadInterval());
  const auto multiplier = static_cast<std::uint32_t>(t.ReadTotalMultiplier());
  const auto constant = static_cast<std::uint32_t>(t.ReadTotalConstant());
  // "Return at once with what is there", and "wait for the first byte, then return at
  // once": the bytes that came at Start are all the read would have had.
  if (interval == MaxDword && ((multiplier == 0 && constant == 0) ||
                               (multiplier == MaxDword && constant != 0 && constant != MaxDword)))
    return Start;
  double end = std::numeric_limits<double>::infinity();
  if (multiplier != 0 || constant != 0)
    end = Start + static_cast<double>(std::uint64_t{multiplier} * static_cast<std::uint32_t>(Target) + constant);
  if (interval != 0 && interval != MaxDword) end = std::min(end, Last + interval);
  return end;
}

void TForm_3D_Port::ReceiveTimeoutTick() {
  // The rest of a short reply did not come: it is judged (and refused) with what came.
  CheckReply(rxCount_, rxLast_, portChanges_);
}

void TForm_3D_Port::StopReceiving() {
  if (receiveTimer_ != 0) rtl::Application->StopTimer(receiveTimer_);
  receiveTimer_ = 0;
  rxCount_ = 0;
}

void TForm_3D_Port::StartReplyQuiet(int Count, double End) {
  StopReceiving();
  quietCount_ = Count;
  quietEnd_ = End;
  quietChanges_ = portChanges_;
  // The quiet time counts from the reply's last byte, as the port saw it come.
  const double left = std::max(End + ReplyQuietMs() - rtl::GetTickCount(), 1e-3);
  quietTimer_ = rtl::Application->StartTimer(left, [this] { ReplyQuietTick(); });
}

void TForm_3D_Port::StopReplyQuiet() {
  if (quietTimer_ != 0) rtl::Application->StopTimer(quietTimer_);
  quietTimer_ = 0;
}

void TForm_3D_Port::ReplyQuietTick() {
  const std::uint64_t changes = quietChanges_;
  const double end = quietEnd_;
  StopReplyQuiet();
  const int count = quietCount_ + (ComPort->InputCount() > 0 ? 1 : 0);
  CheckReply(count, end, changes);
}

void TForm_3D_Port::CheckReply(int Count, double End, std::uint64_t Changes) {
  StopReceiving();
  const bool awaited = Session().Link.ReplyAwaited != 0;
  if (ComPort->PortFailed()) {
    Port_Error();
  } else {
    Session().Link.ReplyEndTime = End;
    try {
      Frame_Check_Reply(Count);
    } catch (...) {
      // A decoder or handler failed: reported, and the link goes on by its own means: the
      // last request is resent, and the step time-out restarts the dialogue if need be.
      Session().Link.ReplyEndTime = -1;
      if (!Timer_Sending->Enabled()) Timer_Sending->SetEnabled(true);
      Timer_Connect->SetEnabled(true);
      rtl::Application->HandleException(this);
    }
    Session().Link.ReplyEndTime = -1;
  }
  // The handlers may have closed the port, or opened another one in its place (the search):
  // then nothing is left to purge here.
  if (Session().Form_3D_Port != this || portChanges_ != Changes || !ComPort->Connected()) return;
  const bool taken = awaited && !Session().Link.ReplyAwaited;
  ComPort->ClearBuffer(true, true);
  if (ComPort->PortFailed()) {
    Port_Error();
    return;
  }
  RunDeferredTicks(taken);
}

void TForm_3D_Port::LinkTimerTick(bool& Deferred, void (*Handler)()) {
  if (quietTimer_ != 0 || rxCount_ > 0) {
    Deferred = true;
    return;
  }
  Handler();
}

void TForm_3D_Port::RunDeferredTicks(bool ReplyTaken) {
  const bool send = sendDeferred_, timeout = timeoutDeferred_;
  sendDeferred_ = timeoutDeferred_ = false;
  // A taken reply has restarted both timers: their ticks from before are void.
  if (ReplyTaken) return;
  const std::uint64_t changes = portChanges_;
  if (send && Timer_Sending->Enabled()) Send_Tick();
  if (timeout && Session().Form_3D_Port == this && portChanges_ == changes && Timer_Connect->Enabled()) Reply_Timeout();
}

void TForm_3D_Port::Show() {
  if (visible_) return;
  visible_ = true;
  FormShow();
  Host().ShowPortWindow();
  FormActivate();
}

void TForm_3D_Port::FormShow() { Session().Link.PortSearching = 1; }

void TForm_3D_Port::FormActivate() {
  const bool load = !rtl::SameText(Session().Texts.CurrentLanguage, "English") && !LanguageStorePresent();
  if (load) LoadLanguageFile();
  HudWindow_3D_Port.Text = LngText("AutoSearchPort");
  HudLabel_3D_Port_Num.Text = LngText("Quantity");
  HudLabel_3D_Port_Name.Text = LngText("Name");
  if (load) FreeLanguageFile();
  HudLabel_3D_Port_Number.Text.clear();
  HudLabel_3D_Port_Name_Data.Text.clear();
  Host().PortWindowChanged();
}

// FormClose.
void TForm_3D_Port::Close() {
  if (Session().Link.PortSearching) {
    Host().LinkPhaseChanged(TLinkPhase::SearchStopped);
    Timer_Sending->SetEnabled(false);
    Timer_Connect->SetEnabled(false);
  }
  Session().Link.PortSearching = 0;
  HudLabel_3D_Port_Search.Visible = false;
  Timer_Select_ComPort->SetEnabled(false);
  if (!visible_) return;
  visible_ = false;
  Host().ClosePortWindow();
}

void TForm_3D_Port::Timer_Select_ComPortTimer() {
  if (Session().PortSearch.PortCount != 0)
    Timer_Select_ComPort->SetEnabled(false);
  else
    AniIndicator_3D_Port.Enabled = true;
  Port_Search_Step();
}

// ---- the port list ----------------------------------------------------------------------

bool IsPortListed() {
  const std::vector<std::string> names = cport::ComPortNames();
  const std::string name = Host().Port_Name();
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool Is_New_Port(const std::string& Name) {
  if (Session().PortSearch.PortIndex == 0) return Name == Session().PortSearch.StartPortName;
  const auto known = static_cast<std::size_t>(std::clamp<std::int32_t>(
      Session().PortSearch.PortIndex, 0, static_cast<std::int32_t>(Session().PortSearch.PortNames.size())));
  return std::find(Session().PortSearch.PortNames.begin(),
                   Session().PortSearch.PortNames.begin() + static_cast<std::ptrdiff_t>(known),
                   Name) == Session().PortSearch.PortNames.begin() + static_cast<std::ptrdiff_t>(known);
}

std::string Port_List_Read() {
  std::string text;
  Session().PortSearch.NewPortFound = 0;
  Session().PortSearch.PortIndex = Session().PortSearch.PortCount;
  Session().PortSearch.PortCount = 0;
  const std::vector<std::string> names = cport::ComPortNames();  // a list that cannot be read is an empty one
  for (const std::string& name : names) {
    ++Session().PortSearch.PortCount;
    Session().Form_3D_Port->HudMemo_3D_Port.Lines.push_back(name);
    if (Is_New_Port(name)) {
      Session().PortSearch.NewPortFound = 1;
      text = name + "," + text;
      Host().SetPort_Name(name);
    } else {
      text += name + ",";
    }
  }
  Session().Form_3D_Port->HudLabel_3D_Port_Num_Data.Text = rtl::IntToStr(Session().PortSearch.PortCount);
  return text;
}

// ---- the search -------------------------------------------------------------------------

namespace {

// The entries from the list text: each name in turn, and with a new port found, that port
// (Port_Name) again after every other name as long as names remain.
std::vector<std::string> SearchEntries(const std::string& Text, std::int32_t Count) {
  std::vector<std::string> entries;
  const std::string newPort = Host().Port_Name();
  std::size_t pos = 0;
  while (static_cast<std::int32_t>(entries.size()) < Count && pos < Text.size()) {
    std::size_t comma = Text.find(',', pos);
    if (comma == std::string::npos) comma = Text.size();
    entries.push_back(Text.substr(pos, comma - pos));
    pos = comma + 1;
    if (Session().PortSearch.NewPortFound && entries.back() != newPort && pos < Text.size() &&
        static_cast<std::int32_t>(entries.size()) < Count)
      entries.push_back(newPort);
  }
  return entries;
}

void ShowSearchText(const char* Key) {
  TPortControl& label = Session().Form_3D_Port->HudLabel_3D_Port_Search;
  // The search runs outside any look-up of texts: the language's file is read for this one.
  const bool load = !rtl::SameText(Session().Texts.CurrentLanguage, "English") && !LanguageStorePresent();
  label.Text = load ? LngTextFromFile(Key) : LngText(Key);
  label.Color = SearchTextColor;
  label.Visible = true;
}

}  // namespace

void Port_Window_Layout(bool Compact) {
  TForm_3D_Port& f = *Session().Form_3D_Port;
  f.HudLabel_3D_Port_Search.Visible = Compact;
  f.AniIndicator_3D_Port.Visible = Compact;
  for (TPortControl* c : {&f.HudLabel_3D_Port_Num, &f.HudPanel_3D_Port_Num, &f.HudLabel_3D_Port_Num_Data,
                          &f.HudLabel_3D_Port_Name, &f.HudPanel_3D_Port_Name, &f.HudLabel_3D_Port_Name_Data,
                          &f.HudLabel_3D_Port_Number, &f.ProgressBar_3D_Port, &f.HudMemo_3D_Port})
    c->Visible = !Compact;
  if (!Compact) return;
  const float w = f.HudPanel_3D_Port.Width, h = f.HudPanel_3D_Port.Height;
  TPortControl& indicator = f.AniIndicator_3D_Port;
  TPortControl& label = f.HudLabel_3D_Port_Search;
  indicator.Width = w * 30 / 100;
  indicator.Height = indicator.Width;
  label.Width = w - indicator.Width;
  label.Height = h;
  label.Left = 0;
  label.Top = 0;
  indicator.Left = label.Width;
  indicator.Top = (h - indicator.Height) / 2;
}

void Port_Search_Step() {
  TForm_3D_Port& f = *Session().Form_3D_Port;
  Host().LinkPhaseChanged(TLinkPhase::Searching);
  f.HudMemo_3D_Port.Lines.clear();
  const std::string text = Port_List_Read();
  if (Session().PortSearch.PortCount > 0) {
    f.Timer_Select_ComPort->SetEnabled(false);
    if (Session().PortSearch.NewPortFound && Session().PortSearch.PortCount != 1)
      Session().PortSearch.PortCount = (Session().PortSearch.PortCount - 1) * 2;
    Session().PortSearch.PortNames = SearchEntries(text, Session().PortSearch.PortCount);
    Session().PortSearch.PortCount = static_cast<std::int32_t>(Session().PortSearch.PortNames.size());
    f.ProgressBar_3D_Port.Max = Session().PortSearch.PortCount;
    f.ProgressBar_3D_Port.Value = 0;
    Session().PortSearch.PortIndex = -1;
    if (!Session().Link.PortSearching) f.Show();
    if (f.Timer_Select_ComPort->Interval() == 100) {
      // First sight of the ports: say so for a second, then try them.
      Port_Window_Layout(true);
      ShowSearchText("Finds_Port");
      f.Timer_Select_ComPort->SetInterval(1000);
      f.Timer_Select_ComPort->SetEnabled(true);
    } else {
      Port_Window_Layout(false);
      Port_Search_Next();
    }
  } else if (!f.HudLabel_3D_Port_Search.Visible || f.HudLabel_3D_Port_Search.Color == SearchTextColor) {
    // No port at all: look again every 100 ms.
    Port_Window_Layout(true);
    f.Timer_Select_ComPort->SetInterval(100);
    f.Timer_Select_ComPort->SetEnabled(true);
    ShowSearchText("Search_Port");
    if (!Session().Link.PortSearching) f.Show();
  }
  Host().PortWindowChanged();
}

void Port_Search_Next() {
  Session().Link.HandshakeCount = 0;
  if (Session().PortSearch.PortCount == 0) return;
  TForm_3D_Port& f = *Session().Form_3D_Port;
  cport::TComPort* port = f.ComPort;
  Session().Link.PortOpen = 0;
  // An entry that is not listed any more, or that does not open (busy, no permission, gone),
  // is passed over at once: left open, the port would stay "connected" on nothing, and
  // waiting on it would bring the search back to the same entry after every restart.
  while (!Session().Link.PortOpen && Session().PortSearch.PortIndex < Session().PortSearch.PortCount - 1 &&
         Session().PortSearch.PortIndex + 1 < static_cast<std::int32_t>(Session().PortSearch.PortNames.size())) {
    ++Session().PortSearch.PortIndex;
    const std::string name = Session().PortSearch.PortNames[static_cast<std::size_t>(Session().PortSearch.PortIndex)];
    Host().SetPort_Name(name);
    f.HudLabel_3D_Port_Number.Text = rtl::IntToStr(Session().PortSearch.PortIndex + 1);
    f.HudLabel_3D_Port_Name_Data.Text = name;
    f.ProgressBar_3D_Port.Value = Session().PortSearch.PortIndex + 1;
    if (!IsPortListed()) continue;
    port->Close();
    port->SetPort(name);
    port->ClearPortFailed();  // whatever failed belonged to the port just closed
    port->Open();             // the after-open event starts the connect script and sets Session().Link.PortOpen
    if (port->PortFailed()) {
      port->ClearPortFailed();
      port->Close();
      Session().Link.PortOpen = 0;
    }
  }
  if (!Session().Link.PortOpen) {
    // All entries tried, or none would open: the search starts again a second later.
    f.HudLabel_3D_Port_Number.Text.clear();
    f.HudLabel_3D_Port_Name_Data.Text.clear();
    f.ProgressBar_3D_Port.Value = 0;
    f.Timer_Select_ComPort->SetInterval(1000);
    f.Timer_Select_ComPort->SetEnabled(true);
    if (!port->Connected()) {
      // Nothing open to handshake on until then.
      f.Timer_Sending->SetEnabled(false);
      f.Timer_Connect->SetEnabled(false);
    }
  }
  Host().PortWindowChanged();
}

bool OpenConfiguredPort() {
  if (IsPortListed()) {
    cport::TComPort* port = Session().Form_3D_Port->ComPort;
    port->SetPort(Host().Port_Name());
    port->Open();
    if (port->PortFailed()) {
      Port_Error();
      // A listed port that cannot be used is searched past like one that is not listed.
      if (Host().Search_Port() && !Session().Link.PortSearching) Port_Search_Step();
      return false;
    }
    return true;
  }
  if (Host().Search_Port()) Port_Search_Step();
  return false;
}

// ---- closed and failed ports ------------------------------------------------------------

void Port_Closed() {
  Link_Reset();
  Session().Link.PortOpen = 0;
  Session().Form_3D_Port->Timer_Connect->SetEnabled(false);
  Session().Form_3D_Port->Timer_Sending->SetEnabled(true);
  Host().LinkPhaseChanged(TLinkPhase::PortClosed);
  Quality_Show_Zero();
}

void Port_Closed_Reset() {
  Port_Closed();
  Quality_Show_Zero();
  Host().Timer_GEN_Connect_Stabil().SetEnabled(false);
}

void Port_Error() {
  Port_Closed_Reset();
  TForm_3D_Port& f = *Session().Form_3D_Port;
  cport::TComPort* port = f.ComPort;
  port->ClearPortFailed();
  if (!port->Connected()) {
    // While the search runs with no port open, its own steps drive it: resends into no port
    // would only fail again.
    if (Session().Link.PortSearching) {
      f.Timer_Sending->SetEnabled(false);
      f.Timer_Connect->SetEnabled(false);
      if (!f.Timer_Select_ComPort->Enabled()) Port_Search_Next();
    }
    return;
  }
  const bool listed = IsPortListed();
  // The port is closed whatever failed: a failed open or a vanished device leaves it
  // "connected" on a dead descriptor, and the handshake step could never open it afresh.
  // Closed before its name changes, so that the new name is not opened on the way.
  port->Close();
  port->SetPort(Host().Port_Name());
  if (listed) {
    // The handshake step of the running resend timer reopens it; an entry of the search is
    // passed over.
    if (Session().Link.PortSearching) {
      f.Timer_Sending->SetEnabled(false);
      Port_Search_Next();
    }
    return;
  }
  if (Host().Search_Port()) {
    f.Timer_Sending->SetEnabled(false);
    Port_Search_Step();
  } else {
    Script_Connect();
  }
}

}  // namespace ecu
