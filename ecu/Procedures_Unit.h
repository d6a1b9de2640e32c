// Reply decoders: each runs when the script reaches it, after the link layer has accepted the
// reply in RxFrame.
#pragma once

#include <cstdint>

namespace ecu {

extern std::uint8_t LayoutNumber;  // byte 2 of the identification reply

void Decode_Identification();  // 33
void Decode_MapGas();          // 43 (replies to "'" and ")")
void Decode_MapPetrol();       // 45 (replies to "(" and "*")

}  // namespace ecu
