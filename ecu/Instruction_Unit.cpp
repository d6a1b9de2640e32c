#include "ecu/Instruction_Unit.h"

#include <algorithm>
#include <cmath>

#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "platform/loop/Clock.h"
#include "platform/loop/Timer.h"

namespace ecu {

void Frame_Finish() {
  const int n = Session().Link.TxLength;
  if (n >= 1) {
    std::uint8_t sum = 0;
    for (int i = 0; i + 1 < n; ++i) sum = static_cast<std::uint8_t>(sum + Session().Link.TxFrame[i]);
    Session().Link.TxFrame[n - 1] = sum;
  }
  rtl::TTimer& timer = Port().SendTimer();
  // The reply delay counts from the last byte of the reply being handled, in whole
  // milliseconds of the timer (never shorter). A timer of interval 0 never ticks: a delay
  // of 0 sends at the next tick instead.
  std::int64_t delay = Host().Reply_Delay();
  if (Session().Link.ReplyEndTime >= 0)
    delay -= static_cast<std::int64_t>(std::floor(std::max(rtl::GetTickCount() - Session().Link.ReplyEndTime, 0.0)));
  timer.SetInterval(static_cast<std::uint32_t>(std::clamp<std::int64_t>(delay, 1, 0x7FFFFFFF)));
  timer.SetEnabled(true);
  Session().Link.FrameReady = 1;
}

void BuildCommandFrame(std::uint8_t Command) {
  Session().Link.TxFrame[0] = Session().Link.LastFrame[0];
  Session().Link.TxFrame[1] = Session().Link.TxFrame[2] = Session().Link.TxFrame[3] = Command;
  Frame_Finish();
}

namespace {

// A short request of address, the command and two data bytes.
void ShortFrame(std::uint8_t Command, std::uint8_t Data1, std::uint8_t Data2, int ReplyDataLength) {
  Session().Link.TxLength = 5;
  ExpectReply(ReplyDataLength);
  Session().Link.TxFrame[0] = Session().Link.LastFrame[0];
  Session().Link.TxFrame[1] = Command;
  Session().Link.TxFrame[2] = Data1;
  Session().Link.TxFrame[3] = Data2;
  Frame_Finish();
}

void BlockRequest(std::uint8_t Command, int ReplyDataLength) {
  Session().Link.TxLength = 5;
  ExpectReply(ReplyDataLength);
  BuildCommandFrame(Command);
}

constexpr std::uint8_t ModeCommand = '"';

}  // namespace

void Request_Mode_Gas() {
  ShortFrame(ModeCommand, 0, static_cast<std::uint8_t>(Session().Link.ModeCommandFlags | 4), 0);
}
void Request_Mode_Petrol() { ShortFrame(ModeCommand, 0, 1, 0); }
void Request_Mode_Mode1() { ShortFrame(ModeCommand, 0, 2, 0); }
// The handshake reply, still in Link.RxFrame, gave the length of the identification data.
void Request_Identification() { BlockRequest('0', Session().Link.RxFrame[2]); }
void Request_LiveData() { BlockRequest('#', Session().Link.LiveDataLength); }
void Request_CfgName() { ShortFrame(',', 8, 8, 8); }
void Request_Params() { BlockRequest('$', Session().Link.ParamBlockLength); }
void Request_Points() { BlockRequest('%', Session().Link.PointBlockLength); }
void Request_MapGas() { BlockRequest('\'', Session().ConfigData.MapPointCount); }
void Request_MapPetrol() { BlockRequest('(', Session().ConfigData.MapPointCount); }

void Request_Announce() {
  Host().AddStatusMessage(TColorRole::Txt_Information, LngText("DynamicIND_Transmission"));
  ShortFrame('1', '1', Session().Link.TxListLength, 0);
}

void Set_Name_Length() { Session().Link.TxListLength = 11; }

void Request_Name_Write() {
  Session().Link.TxLength = Session().Link.TxListLength;
  ExpectReply(0);
  Session().Link.TxFrame[0] = Session().Link.LastFrame[0];
  Session().Link.TxFrame[1] = '-';
  const std::string& name =
      Session().ConfigData.Configuration ? Session().ConfigData.Configuration->Cfg_Name : std::string();
  for (int i = 0; i < 8; ++i)
    Session().Link.TxFrame[2 + i] = i < static_cast<int>(name.size()) ? static_cast<std::uint8_t>(name[i]) : 255;
  Frame_Finish();
}

void Request_Erase_Gas() { BlockRequest(')', Session().ConfigData.MapPointCount); }
void Request_Erase_Petrol() { BlockRequest('*', Session().ConfigData.MapPointCount); }
void Request_Clear_Errors() { BlockRequest('&', 0); }

}  // namespace ecu
