#include "ecu/Port_3D_Unit.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <exception>
#include <vector>

#include "ecu/Link_Host.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Receiver_Unit.h"
#include "platform/comm/PortList.h"
#include "platform/loop/Application.h"
#include "serial/CPort.h"

namespace ecu {

TForm_3D_Port* Form_3D_Port = nullptr;

namespace {

// A reply ends when the line falls quiet. Bytes that still follow within three byte times of
// the expected last one make the reply longer than asked for: it is refused.
bool MoreBytesFollow(cport::TComPort* Port) {
  const std::int32_t baud = std::max<std::int32_t>(cport::BaudRateToInt(Port->BaudRate()), 1200);
  const auto quiet = std::chrono::microseconds(3 * 10 * 1000000 / baud);
  const auto end = std::chrono::steady_clock::now() + quiet;
  for (;;) {
    if (Port->InputCount() > 0) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(250));
  }
}

rtl::TTimer* MakeTimer(rtl::TComponent* Owner, std::uint32_t Interval, void (*Handler)()) {
  auto* timer = new rtl::TTimer(Owner);
  timer->SetEnabled(false);
  timer->SetInterval(Interval);
  timer->SetOnTimer([Handler](rtl::TObject*) { Handler(); });
  return timer;
}

}  // namespace

rtl::TClass TForm_3D_Port::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TForm_3D_Port, rtl::TComponent>("TForm_3D_Port").Build();
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
  ComPort->OnAfterOpen = rtl::TNotifyEvent(this, &TForm_3D_Port::ComPortAfterOpen, "ComPortAfterOpen");
  ComPort->OnAfterClose = rtl::TNotifyEvent(this, &TForm_3D_Port::ComPortAfterClose, "ComPortAfterClose");
  ComPort->OnRxChar = cport::TRxCharEvent(this, &TForm_3D_Port::ComPortRxChar, "ComPortRxChar");
  Timer_Select_ComPort = MakeTimer(this, 100, Port_Search_Step);
  Timer_Connect = MakeTimer(this, StepTimeoutMs, Reply_Timeout);
  Timer_Sending = MakeTimer(this, 1000, Send_Tick);
  PortSearching = 0;
  Form_3D_Port = this;
}

TForm_3D_Port::~TForm_3D_Port() {
  // The port closes while the form is still whole (its after-close handler runs).
  ComPort->OnAfterClose = nullptr;
  ComPort->OnRxChar = nullptr;
  ComPort->Close();
  if (Form_3D_Port == this) Form_3D_Port = nullptr;
}

void TForm_3D_Port::ComPortAfterOpen(rtl::TObject*) { Link_After_Open(); }

void TForm_3D_Port::ComPortAfterClose(rtl::TObject*) { Port_Closed(); }

void TForm_3D_Port::ComPortRxChar(rtl::TObject*, int) {
  if (cport::PortFailed) return;
  int count = ComPort->Read(RxFrame.data(), RxExpectedLength);
  if (!cport::PortFailed && count > 0 && count == RxExpectedLength && MoreBytesFollow(ComPort)) ++count;
  if (cport::PortFailed) {
    Port_Error();
  } else {
    try {
      Frame_Check_Reply(count);
    } catch (...) {
      // A decoder or handler failed: reported, and the link goes on by its own means: the
      // last request is resent, and the step time-out restarts the dialogue if need be.
      if (!Timer_Sending->Enabled()) Timer_Sending->SetEnabled(true);
      Timer_Connect->SetEnabled(true);
      rtl::Application->HandleException(this);
    }
  }
  if (Form_3D_Port != this || !ComPort->Connected()) return;
  ComPort->ClearBuffer(true, true);
  if (cport::PortFailed) Port_Error();
}

void TForm_3D_Port::Close() {
  if (PortSearching) {
    Port_Search_Button_Show(true);
    Timer_Sending->SetEnabled(false);
    Timer_Connect->SetEnabled(false);
  }
  PortSearching = 0;
  Timer_Select_ComPort->SetEnabled(false);
  LinkHost->ClosePortWindow();
}

bool IsPortListed() {
  std::vector<std::string> names;
  comm::ListSerialPorts(names);
  const std::string name = LinkHost->Port_Name();
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool OpenConfiguredPort() {
  if (IsPortListed()) {
    cport::TComPort* port = Form_3D_Port->ComPort;
    port->SetPort(LinkHost->Port_Name());
    port->Open();
    if (cport::PortFailed) {
      Port_Error();
      return false;
    }
    return true;
  }
  if (LinkHost->Search_Port()) Port_Search_Step();
  return false;
}

void Port_Closed() {
  Link_Reset();
  PortOpen = 0;
  Form_3D_Port->Timer_Connect->SetEnabled(false);
  Form_3D_Port->Timer_Sending->SetEnabled(true);
  Port_Search_Button_Show(true);
  const std::string close = LinkHost->ColorText(TColorRole::Port_Close);
  LinkHost->SetTextColor(TLinkControl::Port_Name, close);
  LinkHost->SetTextColor(TLinkControl::Port_Connect_Stabil, close);
  LinkHost->SetText(TLinkControl::Port_Connect_Stabil, "0%");
}

void Port_Closed_Reset() {
  Port_Closed();
  Quality_Show_Zero();
  LinkHost->Timer_GEN_Connect_Stabil().SetEnabled(false);
}

void Port_Error() {
  Port_Closed_Reset();
  cport::PortFailed = 0;
  cport::TComPort* port = Form_3D_Port->ComPort;
  if (!port->Connected()) return;
  if (!IsPortListed()) {
    port->SetPort(LinkHost->Port_Name());
    port->Close();
    if (LinkHost->Search_Port()) {
      Form_3D_Port->Timer_Sending->SetEnabled(false);
      Port_Search_Step();
    } else {
      Script_Connect();
    }
    return;
  }
  // A listed port that failed is closed too, so that the handshake step opens it afresh;
  // left open, the next open would find it connected and do nothing.
  port->Close();
}

void Port_Search_Step() {}
void Port_Search_Next() {}

}  // namespace ecu
