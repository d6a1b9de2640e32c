// Request builders: every request is built in Link.TxFrame and finished here, which adds its
// checksum and has the send timer write it a reply delay later.
#pragma once

#include <cstdint>

#include "ecu/Link_State.h"

namespace ecu {

// Finishes the request in Link.TxFrame (Link.TxLength bytes): its last byte becomes the sum of the
// bytes before it, modulo 256; then the send timer is armed with the reply delay and
// Link.FrameReady set.
void Frame_Finish();
// A short request (Link.TxLength 5) whose three bytes after the address are the command; the
// address is byte 0 of Link.LastFrame. The caller sets Link.TxLength and Link.RxExpectedLength first.
void BuildCommandFrame(std::uint8_t Command);

// Script instructions that build requests.
void Request_Mode_Gas();        // 21
void Request_Mode_Petrol();     // 22
void Request_Mode_Mode1();      // 23
void Request_Identification();  // 32
void Request_LiveData();        // 34
void Request_CfgName();         // 36
void Request_Params();          // 38
void Request_Points();          // 40
void Request_MapGas();          // 42
void Request_MapPetrol();       // 44
void Request_Announce();        // 46
void Set_Name_Length();         // 47
void Request_Name_Write();      // 48
void Request_Erase_Gas();       // 53
void Request_Erase_Petrol();    // 54
void Request_Clear_Errors();    // 55

}  // namespace ecu
