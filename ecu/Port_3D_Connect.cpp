#include "ecu/Port_3D_Connect.h"

#include <algorithm>
#include <cstring>

#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Language.h"
#include "ecu/Receiver_Unit.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"
#include "serial/CPort.h"

namespace ecu {

TLinkState Link;

namespace {

constexpr std::uint8_t HandshakeCommand = '!';

rtl::TTimer& SendingTimer() { return Port().SendTimer(); }
rtl::TTimer& ConnectTimer() { return Port().StepTimer(); }

std::uint8_t Sum(const std::uint8_t* Bytes, int Count) {
  std::uint8_t sum = 0;
  for (int i = 0; i < Count; ++i) sum = static_cast<std::uint8_t>(sum + Bytes[i]);
  return sum;
}

}  // namespace

void ExpectReply(int DataLength) {
  const int length = DataLength + 3;
  Link.RxExpectedLength = (DataLength >= 0 && length < FrameBufferSize) ? static_cast<std::uint8_t>(length) : 0;
}

void Send_Tick() {
  if (Link.FrameReady) {
    Frame_Write();
    return;
  }
  // A resend. A handshake goes through the handshake step first; so does any resend while
  // the port is closed, so that the step reopens the port instead of writing into nothing.
  if (Link.TxFrame[1] == HandshakeCommand || !Link.PortOpen) Handshake_Step();
  Frame_Write();
}

void Frame_Write() {
  std::memcpy(Link.LastFrame.data(), Link.TxFrame.data(), Link.TxLength);
  if (cport::PortFailed) {
    Port().Failed();
    return;
  }
  Link.FrameReady = 0;
  Host().SetVisible(TControl::Connect_Condition, true);
  Port().Write(Link.LastFrame.data(), Link.TxLength, Link.RxExpectedLength);
  if (cport::PortFailed) {
    Port().Failed();
    return;
  }
  Link.ReplyAwaited = 1;
  rtl::TTimer& timer = SendingTimer();
  timer.SetEnabled(false);
  const std::int32_t interval = Port().ReadInterval();
  timer.SetInterval(static_cast<std::uint32_t>(std::max<std::int32_t>(interval, 0)) + ResendMarginMs);
  timer.SetEnabled(true);
  if (Hosts.Monitor) Hosts.Monitor->FrameWritten(Link.LastFrame.data(), Link.TxLength);
}

void Frame_Check_Reply(int Count) {
  const bool good = Link.ReplyAwaited && Link.RxExpectedLength >= 3 && Count == Link.RxExpectedLength &&
                    Link.RxFrame[0] == Link.LastFrame[0] && Link.RxFrame[0] == Host().Program_Code() &&
                    Link.RxFrame[1] == Link.LastFrame[1] &&
                    Link.RxFrame[Count - 1] == Sum(Link.RxFrame.data(), Count - 1);
  if (!good) {
    if (Hosts.Monitor) Hosts.Monitor->ReplyChecked(Link.RxFrame.data(), std::clamp(Count, 0, FrameBufferSize), false);
    return;
  }
  Link.ReplyAwaited = 0;
  Host().SetVisible(TControl::Connect_Condition, false);
  Connect_Quality_Full();
  Script_Run();
  if (Link.ACBRunning) Host().AutoCalibrationReplyTick();
  if (Hosts.Monitor) Hosts.Monitor->ReplyChecked(Link.RxFrame.data(), Count, true);
}

void Reply_Timeout() {
  SendingTimer().SetEnabled(false);
  Link_Reset();
  Script_Connect();
}

void Handshake_Send() {
  ++Link.HandshakeCount;
  Link.LastFrame[0] = Host().Program_Code();
  Link.RxExpectedLength = 4;
  Link.TxLength = 5;
  BuildCommandFrame(HandshakeCommand);
}

void Handshake_Step() {
  ConnectTimer().SetEnabled(false);
  if (Link.HandshakeCount < 2) {
    Handshake_Send();
    return;
  }
  if (Link.PortSearching) {
    Port().SearchNext();
    return;
  }
  if (!Port().OpenConfigured()) {
    Link.HandshakeCount = 0;
    Handshake_Send();
  } else if (Host().Search_Port()) {
    Port().SearchStep();
  }
}

void Handshake_Reply() {
  Link.PortSearching = 0;
  Port().SearchFound();
  cport::PortFailed = 0;
  const bool wasUp = Link.LinkUp != 0;
  Link.LinkUp = 1;
  Port_Search_Button_Show(false);
  if (Link.SettingsWindowShown) Host().SetText(TControl::SET_Port_Name, Host().Port_Name());
  ConnectTimer().SetEnabled(true);
  if (Host().IsPressed(TControl::ACB_Start)) {
    Host().SetPressed(TControl::ACB_Start, false);
    Host().StartStopAutoCalibration();
  }
  Link_Buttons_Enable();
  if (!wasUp) Host().LinkEstablished();
}

void Link_After_Open() {
  if (!Port().Connected()) {
    Port().Closed();
    return;
  }
  Link_Reset();
  Link.PortOpen = 1;
  Port_Search_Button_Show(!Link.PortSearching);
  Host().SetVisible(TControl::DynamicIND, false);
  Host().SetText(TControl::Port_Name, Host().Port_Name());
  Host().SetColor(TControl::Port_Name, Host().ColorText(TColorRole::Port_Open));
  Script_Connect();
}

void Link_Reset() {
  const bool wasUp = Link.LinkUp != 0;
  Link.LinkUp = 0;
  ConnectTimer().SetEnabled(false);
  Link.TaskRequest = 0;
  Port_Search_Button_Show(true);
  if (Host().IsPressed(TControl::ACB_Start)) {
    Host().SetValue(TControl::ACB_Progress, 0);
    Host().SetText(TControl::ACB_Prompt, LngText("ACB_Prompt_Connect"));
    Host().SetColor(TControl::ACB_Prompt, Host().ColorText(TColorRole::Txt_Error));
  }
  Link_Buttons_Enable();
  if (wasUp) Host().LinkLost();
}

// ---- connection quality ---------------------------------------------------------------

void Connect_Quality_Full() {
  rtl::TTimer& timer = Host().Timer_GEN_Connect_Stabil();
  timer.SetEnabled(false);
  timer.SetInterval(static_cast<std::uint32_t>(std::max<std::int32_t>(Host().Reply_Delay(), 0)) + 20);
  Link.QualityPacePending = 1;
  timer.SetEnabled(true);
  Link.ConnectQuality = 100;
  Host().SetColor(TControl::Port_Connect_Stabil, Host().ColorText(TColorRole::Port_Open));
  Host().SetText(TControl::Port_Connect_Stabil, "100%");
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
  rtl::TTimer& timer = Host().Timer_GEN_Connect_Stabil();
  if (Link.QualityPacePending) {
    Link.QualityPacePending = 0;
    timer.SetEnabled(false);
    std::int32_t interval = 0;
    QualityPace(static_cast<std::int32_t>(ConnectTimer().Interval()), Host().Reply_Delay(), Link.QualityDecayStep,
                interval);
    timer.SetInterval(static_cast<std::uint32_t>(interval));
    timer.SetEnabled(true);
    return;
  }
  Quality_Decay();
}

std::string QualityColor(std::int32_t Quality) {
  if (Quality <= 30) return Host().ColorText(TColorRole::Port_Close);
  if (Quality <= 50) return "#FFE7A327";
  if (Quality <= 60) return "#FFE7C227";
  if (Quality <= 70) return "#FFFFFF00";
  if (Quality <= 80) return "#FFDEE727";
  if (Quality <= 90) return "#FFBFE727";
  return Host().ColorText(TColorRole::Port_Open);
}

void Quality_Decay() {
  Link.ConnectQuality -= Link.QualityDecayStep;
  if (Link.ConnectQuality < 1) Link.ConnectQuality = 0;
  Host().SetColor(TControl::Port_Connect_Stabil, QualityColor(Link.ConnectQuality));
  Host().SetText(TControl::Port_Connect_Stabil, rtl::IntToStr(Link.ConnectQuality) + "%");
}

void Quality_Show_Zero() {
  Host().SetColor(TControl::Port_Connect_Stabil, Host().ColorText(TColorRole::Port_Close));
  Host().SetText(TControl::Port_Connect_Stabil, "0%");
}

void Link_Buttons_Enable() {
  const bool up = Link.LinkUp != 0;
  Host().SetEnabled(TControl::ACB_Start, up);
  Host().SetEnabled(TControl::CLB_MAP_Start, up);
  Host().SetEnabled(TControl::CLB_MAP_Stop, up);
}

void Port_Search_Button_Show(bool Show) {
  Host().SetVisible(TControl::Port_Search, Show);
  Host().SetVisible(TControl::DynamicIND, !Show);
}

}  // namespace ecu
