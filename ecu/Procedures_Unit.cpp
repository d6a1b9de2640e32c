#include "ecu/Procedures_Unit.h"

#include <algorithm>
#include <string>

#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

void DecodeMap(std::array<std::int32_t, MapPointCapacity>& Points) {
  const int count = Session().Link.RxExpectedLength;
  if (count < 4) return;
  const int points = std::min(count - 3, MapPointCapacity);
  for (int k = 0; k < points; ++k) {
    std::uint8_t byte = Session().Link.RxFrame[2 + k];
    if (k == 0) byte &= 0x3F;
    Points[k] = byte * 128 / 10;
  }
}

}  // namespace

void Decode_MapGas() { DecodeMap(Session().ConfigData.MapPointsGas); }
void Decode_MapPetrol() { DecodeMap(Session().ConfigData.MapPointsPetrol); }

}  // namespace ecu
