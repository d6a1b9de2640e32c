#include "ecu/Instruction_Unit.h"

#include <algorithm>
#include <cmath>

#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_Host.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/loop/Clock.h"
#include "platform/loop/Timer.h"

namespace ecu {

std::uint8_t ModeCommandFlags = 0;
std::uint8_t LiveDataLength = 0;
std::uint8_t ParamBlockLength = 0;
std::uint8_t PointBlockLength = 0;
std::uint8_t BlockReserved = 0;

void Frame_Finish() {
  const int n = TxLength;
  if (n >= 1) {
    std::uint8_t sum = 0;
    for (int i = 0; i + 1 < n; ++i) sum = static_cast<std::uint8_t>(sum + TxFrame[i]);
    TxFrame[n - 1] = sum;
  }
  rtl::TTimer& timer = *Form_3D_Port->Timer_Sending;
  // The reply delay counts from the last byte of the reply being handled, in whole
  // milliseconds of the timer (never shorter). A timer of interval 0 never ticks: a delay
  // of 0 sends at the next tick instead.
  std::int64_t delay = LinkHost->Reply_Delay();
  if (ReplyEndTime >= 0) delay -= static_cast<std::int64_t>(std::floor(std::max(rtl::GetTickCount() - ReplyEndTime, 0.0)));
  timer.SetInterval(static_cast<std::uint32_t>(std::clamp<std::int64_t>(delay, 1, 0x7FFFFFFF)));
  timer.SetEnabled(true);
  FrameReady = 1;
}

void BuildCommandFrame(std::uint8_t Command) {
  TxFrame[0] = LastFrame[0];
  TxFrame[1] = TxFrame[2] = TxFrame[3] = Command;
  Frame_Finish();
}

namespace {

// A short request of address, the command and two data bytes.
void ShortFrame(std::uint8_t Command, std::uint8_t Data1, std::uint8_t Data2, int ReplyDataLength) {
  TxLength = 5;
  ExpectReply(ReplyDataLength);
  TxFrame[0] = LastFrame[0];
  TxFrame[1] = Command;
  TxFrame[2] = Data1;
  TxFrame[3] = Data2;
  Frame_Finish();
}

void BlockRequest(std::uint8_t Command, int ReplyDataLength) {
  TxLength = 5;
  ExpectReply(ReplyDataLength);
  BuildCommandFrame(Command);
}

constexpr std::uint8_t ModeCommand = '"';

}  // namespace

void Request_Mode_Gas() { ShortFrame(ModeCommand, 0, static_cast<std::uint8_t>(ModeCommandFlags | 4), 0); }
void Request_Mode_Petrol() { ShortFrame(ModeCommand, 0, 1, 0); }
void Request_Mode_Mode1() { ShortFrame(ModeCommand, 0, 2, 0); }
// The handshake reply, still in RxFrame, gave the length of the identification data.
void Request_Identification() { BlockRequest('0', RxFrame[2]); }
void Request_LiveData() { BlockRequest('#', LiveDataLength); }
void Request_CfgName() { ShortFrame(',', 8, 8, 8); }
void Request_Params() { BlockRequest('$', ParamBlockLength); }
void Request_Points() { BlockRequest('%', PointBlockLength); }
void Request_MapGas() { BlockRequest('\'', MapPointCount); }
void Request_MapPetrol() { BlockRequest('(', MapPointCount); }

void Request_Announce() {
  ScriptHost->AddStatusMessage(LinkHost->ColorText(TColorRole::Txt_Information), LngText("DynamicIND_Transmission"));
  ShortFrame('1', '1', TxListLength, 0);
}

void Set_Name_Length() { TxListLength = 11; }

void Request_Name_Write() {
  TxLength = TxListLength;
  ExpectReply(0);
  TxFrame[0] = LastFrame[0];
  TxFrame[1] = '-';
  const std::string& name = Configuration ? Configuration->Cfg_Name : std::string();
  for (int i = 0; i < 8; ++i)
    TxFrame[2 + i] = i < static_cast<int>(name.size()) ? static_cast<std::uint8_t>(name[i]) : 255;
  Frame_Finish();
}

void Request_Erase_Gas() { BlockRequest(')', MapPointCount); }
void Request_Erase_Petrol() { BlockRequest('*', MapPointCount); }
void Request_Clear_Errors() { BlockRequest('&', 0); }

}  // namespace ecu
