#include "ecu/Port_3D_Connect.h"

#include <algorithm>
#include <cstring>

#include "ecu/Instruction_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_Host.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Receiver_Unit.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"
#include "serial/CPort.h"

namespace ecu {

TFrameBuffer TxFrame{};
TFrameBuffer LastFrame{};
TFrameBuffer RxFrame{};
std::uint8_t TxLength = 0;
std::uint8_t TxListLength = 0;
std::uint8_t RxExpectedLength = 0;
std::uint8_t FrameReady = 0;
std::uint8_t TaskRequest = 0;
std::uint8_t LinkUp = 0;
std::uint8_t PortOpen = 0;
std::uint8_t HandshakeCount = 0;
std::uint8_t PortSearching = 0;
std::uint8_t ACBRunning = 0;
std::uint8_t SettingsWindowShown = 0;
std::int32_t ConnectQuality = 0;
std::int32_t QualityDecayStep = 0;
std::uint8_t ReplyAwaited = 0;
std::uint8_t QualityPacePending = 0;
double ReplyEndTime = -1;

namespace {

constexpr std::uint8_t HandshakeCommand = '!';

rtl::TTimer& SendingTimer() { return *Form_3D_Port->Timer_Sending; }
rtl::TTimer& ConnectTimer() { return *Form_3D_Port->Timer_Connect; }

std::uint8_t Sum(const std::uint8_t* Bytes, int Count) {
  std::uint8_t sum = 0;
  for (int i = 0; i < Count; ++i) sum = static_cast<std::uint8_t>(sum + Bytes[i]);
  return sum;
}

}  // namespace

void ExpectReply(int DataLength) {
  const int length = DataLength + 3;
  RxExpectedLength = (DataLength >= 0 && length < FrameBufferSize) ? static_cast<std::uint8_t>(length) : 0;
}

void Send_Tick() {
  if (FrameReady) {
    Frame_Write();
    return;
  }
  // A resend. A handshake goes through the handshake step first; so does any resend while
  // the port is closed, so that the step reopens the port instead of writing into nothing.
  if (TxFrame[1] == HandshakeCommand || !PortOpen) Handshake_Step();
  Frame_Write();
}

void Frame_Write() {
  std::memcpy(LastFrame.data(), TxFrame.data(), TxLength);
  if (cport::PortFailed) {
    Port_Error();
    return;
  }
  FrameReady = 0;
  LinkHost->SetVisible(TLinkControl::Connect_Condition, true);
  Form_3D_Port->ComPort->Write(LastFrame.data(), TxLength);
  if (cport::PortFailed) {
    Port_Error();
    return;
  }
  ReplyAwaited = 1;
  rtl::TTimer& timer = SendingTimer();
  timer.SetEnabled(false);
  const std::int32_t interval = Form_3D_Port->ComPort->Timeouts()->ReadInterval();
  timer.SetInterval(static_cast<std::uint32_t>(std::max<std::int32_t>(interval, 0)) + ResendMarginMs);
  timer.SetEnabled(true);
  if (LinkMonitor) LinkMonitor->FrameWritten(LastFrame.data(), TxLength);
}

void Frame_Check_Reply(int Count) {
  const bool good = ReplyAwaited && RxExpectedLength >= 3 && Count == RxExpectedLength &&
                    RxFrame[0] == LastFrame[0] && RxFrame[0] == LinkHost->Program_Code() &&
                    RxFrame[1] == LastFrame[1] && RxFrame[Count - 1] == Sum(RxFrame.data(), Count - 1);
  if (!good) {
    if (LinkMonitor) LinkMonitor->ReplyChecked(RxFrame.data(), std::clamp(Count, 0, FrameBufferSize), false);
    return;
  }
  ReplyAwaited = 0;
  LinkHost->SetVisible(TLinkControl::Connect_Condition, false);
  Connect_Quality_Full();
  Script_Run();
  if (ACBRunning) LinkHost->AutoCalibrationReplyTick();
  if (LinkMonitor) LinkMonitor->ReplyChecked(RxFrame.data(), Count, true);
}

void Reply_Timeout() {
  SendingTimer().SetEnabled(false);
  Link_Reset();
  Script_Connect();
}

void Handshake_Send() {
  ++HandshakeCount;
  LastFrame[0] = LinkHost->Program_Code();
  RxExpectedLength = 4;
  TxLength = 5;
  BuildCommandFrame(HandshakeCommand);
}

void Handshake_Step() {
  ConnectTimer().SetEnabled(false);
  if (HandshakeCount < 2) {
    Handshake_Send();
    return;
  }
  if (PortSearching) {
    Port_Search_Next();
    return;
  }
  if (!OpenConfiguredPort()) {
    HandshakeCount = 0;
    Handshake_Send();
  } else if (LinkHost->Search_Port()) {
    Port_Search_Step();
  }
}

void Handshake_Reply() {
  PortSearching = 0;
  Form_3D_Port->Close();
  cport::PortFailed = 0;
  LinkUp = 1;
  Port_Search_Button_Show(false);
  if (SettingsWindowShown) LinkHost->SetText(TLinkControl::SET_Port_Name, LinkHost->Port_Name());
  ConnectTimer().SetEnabled(true);
  if (LinkHost->IsPressed(TLinkControl::ACB_Start)) {
    LinkHost->SetPressed(TLinkControl::ACB_Start, false);
    LinkHost->StartStopAutoCalibration();
  }
  Link_Buttons_Enable();
}

void Link_After_Open() {
  if (!Form_3D_Port->ComPort->Connected()) {
    Port_Closed();
    return;
  }
  Link_Reset();
  PortOpen = 1;
  Port_Search_Button_Show(!PortSearching);
  LinkHost->SetVisible(TLinkControl::DynamicIND, false);
  LinkHost->SetText(TLinkControl::Port_Name, LinkHost->Port_Name());
  LinkHost->SetTextColor(TLinkControl::Port_Name, LinkHost->ColorText(TColorRole::Port_Open));
  Script_Connect();
}

void Link_Reset() {
  LinkUp = 0;
  ConnectTimer().SetEnabled(false);
  TaskRequest = 0;
  Port_Search_Button_Show(true);
  if (LinkHost->IsPressed(TLinkControl::ACB_Start)) {
    LinkHost->SetValue(TLinkControl::ACB_Progress, 0);
    LinkHost->SetText(TLinkControl::ACB_Prompt, LngText("ACB_Prompt_Connect"));
    LinkHost->SetTextColor(TLinkControl::ACB_Prompt, LinkHost->ColorText(TColorRole::Txt_Error));
  }
  Link_Buttons_Enable();
}

// ---- connection quality ---------------------------------------------------------------

void Connect_Quality_Full() {
  rtl::TTimer& timer = LinkHost->Timer_GEN_Connect_Stabil();
  timer.SetEnabled(false);
  timer.SetInterval(static_cast<std::uint32_t>(std::max<std::int32_t>(LinkHost->Reply_Delay(), 0)) + 20);
  QualityPacePending = 1;
  timer.SetEnabled(true);
  ConnectQuality = 100;
  LinkHost->SetTextColor(TLinkControl::Port_Connect_Stabil, LinkHost->ColorText(TColorRole::Port_Open));
  LinkHost->SetText(TLinkControl::Port_Connect_Stabil, "100%");
}

void QualityPace(std::int32_t T, std::int32_t D, std::int32_t& Step, std::int32_t& Interval) {
  const std::int64_t span = static_cast<std::int64_t>(T) - D;
  for (std::int64_t s = 1; s <= 100; ++s) {
    const std::int64_t target = span - 600 / s;
    const std::int64_t q = target * s / 100;
    if (q < 60) continue;
    std::int64_t i = q;
    while (i * 100 / s < target) ++i;  // at most two steps: q is the floor of target * s / 100
    Step = static_cast<std::int32_t>(s);
    Interval = static_cast<std::int32_t>(std::min<std::int64_t>(i, INT32_MAX));
    return;
  }
  // The reply delay leaves no room for a gradual decay: all of it in one tick.
  Step = 100;
  Interval = static_cast<std::int32_t>(std::clamp<std::int64_t>(span, 20, INT32_MAX));
}

void UpdateConnectQuality() {
  rtl::TTimer& timer = LinkHost->Timer_GEN_Connect_Stabil();
  if (QualityPacePending) {
    QualityPacePending = 0;
    timer.SetEnabled(false);
    std::int32_t interval = 0;
    QualityPace(static_cast<std::int32_t>(ConnectTimer().Interval()), LinkHost->Reply_Delay(), QualityDecayStep,
                interval);
    timer.SetInterval(static_cast<std::uint32_t>(interval));
    timer.SetEnabled(true);
    return;
  }
  Quality_Decay();
}

std::string QualityColor(std::int32_t Quality) {
  if (Quality <= 30) return LinkHost->ColorText(TColorRole::Port_Close);
  if (Quality <= 50) return "#FFE7A327";
  if (Quality <= 60) return "#FFE7C227";
  if (Quality <= 70) return "#FFFFFF00";
  if (Quality <= 80) return "#FFDEE727";
  if (Quality <= 90) return "#FFBFE727";
  return LinkHost->ColorText(TColorRole::Port_Open);
}

void Quality_Decay() {
  ConnectQuality -= QualityDecayStep;
  if (ConnectQuality < 1) ConnectQuality = 0;
  LinkHost->SetTextColor(TLinkControl::Port_Connect_Stabil, QualityColor(ConnectQuality));
  LinkHost->SetText(TLinkControl::Port_Connect_Stabil, rtl::IntToStr(ConnectQuality) + "%");
}

void Quality_Show_Zero() {
  LinkHost->SetTextColor(TLinkControl::Port_Connect_Stabil, LinkHost->ColorText(TColorRole::Port_Close));
  LinkHost->SetText(TLinkControl::Port_Connect_Stabil, "0%");
}

void Link_Buttons_Enable() {
  const bool up = LinkUp != 0;
  LinkHost->SetEnabled(TLinkControl::ACB_Start, up);
  LinkHost->SetEnabled(TLinkControl::CLB_MAP_Start, up);
  LinkHost->SetEnabled(TLinkControl::CLB_MAP_Stop, up);
}

void Port_Search_Button_Show(bool Show) {
  LinkHost->SetVisible(TLinkControl::Port_Search, Show);
  LinkHost->SetVisible(TLinkControl::DynamicIND, !Show);
}

void Link_Clear() {
  TxFrame.fill(0);
  LastFrame.fill(0);
  RxFrame.fill(0);
  TxLength = TxListLength = RxExpectedLength = 0;
  FrameReady = TaskRequest = LinkUp = PortOpen = HandshakeCount = PortSearching = 0;
  ACBRunning = SettingsWindowShown = 0;
  ConnectQuality = QualityDecayStep = 0;
  ReplyAwaited = QualityPacePending = 0;
  ReplyEndTime = -1;
}

}  // namespace ecu
