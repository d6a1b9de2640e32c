#include "ecu/Procedures_Unit.h"

#include <algorithm>
#include <string>

#include "ecu/Config_Unit.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Link_Host.h"
#include "ecu/Port_3D_Connect.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

std::uint8_t LayoutNumber = 0;

namespace {

std::string Characters(int Offset, int Count) {
  return std::string(reinterpret_cast<const char*>(RxFrame.data()) + Offset, static_cast<std::size_t>(Count));
}

std::int32_t Big24(int Offset) {
  return (RxFrame[Offset] << 16) | (RxFrame[Offset + 1] << 8) | RxFrame[Offset + 2];
}

// A block length above 252 would not fit the reply length in a byte: the old one stays.
void TakeBlockLength(std::uint8_t& Length, int Offset) {
  if (RxFrame[Offset] <= FrameBufferSize - 4) Length = RxFrame[Offset];
}

void DecodeMap(std::array<std::int32_t, MapPointCapacity>& Points) {
  const int count = RxExpectedLength;
  if (count < 4) return;
  const int points = std::min(count - 3, MapPointCapacity);
  for (int k = 0; k < points; ++k) {
    std::uint8_t byte = RxFrame[2 + k];
    if (k == 0) byte &= 0x3F;
    Points[k] = byte * 128 / 10;
  }
}

}  // namespace

void Decode_Identification() {
  if (RxExpectedLength < 45) return;
  LayoutNumber = RxFrame[2];
  if (Configuration) {
    Configuration->ECU_Name = rtl::Trim(Characters(3, 16));
    Configuration->ECU_Info = Characters(19, 10);
    Configuration->Firmware_Version = Characters(29, 4);
    Configuration->Work_Gas = Big24(33);
    Configuration->Work_Petrol = Big24(36);
  }
  TakeBlockLength(LiveDataLength, 39);
  TakeBlockLength(ParamBlockLength, 40);
  TakeBlockLength(PointBlockLength, 41);
  BlockReserved = RxFrame[42];
  TakeBlockLength(MapPointCount, 43);
  if (LayoutNumber > 39) ScriptHost->ShowMessageWindow(15, std::string());
}

void Decode_MapGas() { DecodeMap(MapPointsGas); }
void Decode_MapPetrol() { DecodeMap(MapPointsPetrol); }

}  // namespace ecu
