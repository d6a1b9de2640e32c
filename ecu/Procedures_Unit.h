// Reply decoders: each runs when the script reaches it, after the link layer has accepted the
// reply in Link.RxFrame.
#pragma once

#include <cstdint>

namespace ecu {

void Decode_Identification();  // 33
void Decode_MapGas();          // 43 (replies to "'" and ")")
void Decode_MapPetrol();       // 45 (replies to "(" and "*")

}  // namespace ecu
