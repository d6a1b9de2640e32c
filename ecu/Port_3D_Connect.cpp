#include "ecu/Port_3D_Connect.h"

#include <algorithm>
#include <cstring>

#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "ecu/Transmit_Unit.h"
#include "platform/loop/Timer.h"

namespace ecu {

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
  Session().Link.RxExpectedLength =
      (DataLength >= 0 && length < FrameBufferSize) ? static_cast<std::uint8_t>(length) : 0;
}

void Send_Tick() {
  if (Session().Link.FrameReady) {
    Frame_Write();
    return;
  }
  // A resend. A handshake goes through the handshake step first; so does any resend while
  // the port is closed, so that the step reopens the port instead of writing into nothing.
  if (Session().Link.TxFrame[1] == HandshakeCommand || !Session().Link.PortOpen) Handshake_Step();
  Frame_Write();
}

void Frame_Write() {
  std::memcpy(Session().Link.LastFrame.data(), Session().Link.TxFrame.data(), Session().Link.TxLength);
  if (Port().PortFailed()) {
    Port().Failed();
    return;
  }
  Session().Link.FrameReady = 0;
  Host().ReplyPending(true);
  Port().Write(Session().Link.LastFrame.data(), Session().Link.TxLength, Session().Link.RxExpectedLength);
  if (Port().PortFailed()) {
    Port().Failed();
    return;
  }
  Session().Link.ReplyAwaited = 1;
  rtl::TTimer& timer = SendingTimer();
  timer.SetEnabled(false);
  const std::int32_t interval = Port().ReadInterval();
  timer.SetInterval(static_cast<std::uint32_t>(std::max<std::int32_t>(interval, 0)) + ResendMarginMs);
  timer.SetEnabled(true);
  if (Session().Hosts.Monitor)
    Session().Hosts.Monitor->FrameWritten(Session().Link.LastFrame.data(), Session().Link.TxLength);
}

void Frame_Check_Reply(int Count) {
  const bool good =
      Session().Link.ReplyAwaited && Session().Link.RxExpectedLength >= 3 && Count == Session().Link.RxExpectedLength &&
      Session().Link.RxFrame[0] == Session().Link.LastFrame[0] && Session().Link.RxFrame[0] == Host().Program_Code() &&
      Session().Link.RxFrame[1] == Session().Link.LastFrame[1] &&
      Session().Link.RxFrame[Count - 1] == Sum(Session().Link.RxFrame.data(), Count - 1);
  if (!good) {
    if (Session().Hosts.Monitor)
      Session().Hosts.Monitor->ReplyChecked(Session().Link.RxFrame.data(), std::clamp(Count, 0, FrameBufferSize),
                                            false);
    return;
  }
  Session().Link.ReplyAwaited = 0;
  Host().ReplyPending(false);
  Connect_Quality_Full();
  // A parameter list answered: the ECU holds what it carried.
  if (Session().Link.RxFrame[1] == '2' || Session().Link.RxFrame[1] == '3') Param_List_Taken();
  Script_Run();
  if (Session().Link.ACBRunning) Host().AutoCalibrationReplyTick();
  if (Session().Hosts.Monitor) Session().Hosts.Monitor->ReplyChecked(Session().Link.RxFrame.data(), Count, true);
}

void Reply_Timeout() {
  SendingTimer().SetEnabled(false);
  Link_Reset();
  Script_Connect();
}

void Handshake_Send() {
  ++Session().Link.HandshakeCount;
  Session().Link.LastFrame[0] = Host().Program_Code();
  Session().Link.RxExpectedLength = 4;
  Session().Link.TxLength = 5;
  BuildCommandFrame(HandshakeCommand);
}

void Handshake_Step() {
  ConnectTimer().SetEnabled(false);
  if (Session().Link.HandshakeCount < 2) {
    Handshake_Send();
    return;
  }
  if (Session().Link.PortSearching) {
    Port().SearchNext();
    return;
  }
  if (!Port().OpenConfigured()) {
    Session().Link.HandshakeCount = 0;
    Handshake_Send();
  } else if (Host().Search_Port()) {
    Port().SearchStep();
  }
}

void Handshake_Reply() {
  Session().Link.PortSearching = 0;
  Port().SearchFound();
  Port().ClearPortFailed();
  const bool wasUp = Session().Link.LinkUp != 0;
  Session().Link.LinkUp = 1;
  Session().Link.ReadUnfinished = 1;
  ConnectTimer().SetEnabled(true);
  Host().LinkPhaseChanged(TLinkPhase::Up);
  if (!wasUp) Host().LinkEstablished();
}

void Link_After_Open() {
  if (!Port().Connected()) {
    Port().Closed();
    return;
  }
  Link_Reset();
  Session().Link.PortOpen = 1;
  Host().LinkPhaseChanged(TLinkPhase::Opened);
  Script_Connect();
}

void Link_Reset() {
  const bool wasUp = Session().Link.LinkUp != 0;
  const std::uint8_t waiting = Session().Link.TaskRequest;
  Session().Link.LinkUp = 0;
  ConnectTimer().SetEnabled(false);
  Session().Link.TaskRequest = 0;
  Host().LinkPhaseChanged(TLinkPhase::Reset);
  if (wasUp) Host().LinkLost();
  // What was to be written goes with the link: the next ECU to answer may be another one.
  End_Interrupted_Task();
  if (CarriesChange(waiting)) Host().WriteNotSent(waiting, true);
  Drop_Erases_Waiting(true);
}

// ---- connection quality ---------------------------------------------------------------

void Connect_Quality_Full() {
  rtl::TTimer& timer = Host().Timer_GEN_Connect_Stabil();
  timer.SetEnabled(false);
  timer.SetInterval(static_cast<std::uint32_t>(std::max<std::int32_t>(Host().Reply_Delay(), 0)) + 20);
  Session().Link.QualityPacePending = 1;
  timer.SetEnabled(true);
  Session().Link.ConnectQuality = 100;
  Host().ConnectQualityChanged(100);
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
  if (Session().Link.QualityPacePending) {
    Session().Link.QualityPacePending = 0;
    timer.SetEnabled(false);
    std::int32_t interval = 0;
    QualityPace(static_cast<std::int32_t>(ConnectTimer().Interval()), Host().Reply_Delay(),
                Session().Link.QualityDecayStep, interval);
    timer.SetInterval(static_cast<std::uint32_t>(interval));
    timer.SetEnabled(true);
    return;
  }
  Quality_Decay();
}

void Quality_Decay() {
  Session().Link.ConnectQuality -= Session().Link.QualityDecayStep;
  if (Session().Link.ConnectQuality < 1) Session().Link.ConnectQuality = 0;
  Host().ConnectQualityChanged(Session().Link.ConnectQuality);
}

void Quality_Show_Zero() { Host().ConnectQualityChanged(0); }

}  // namespace ecu
