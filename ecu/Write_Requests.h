// The request builders of the configuration writes: the two parameter lists (announced first
// with their length), and the saving of the configuration file that the first live-data
// request after a write task does.
#pragma once

namespace ecu {

void Build_Write_List1();    // 49: write list 1; Link.TxListLength := 3 x count + 3 (69)
void Request_Write_List1();  // 50: the "2" request with the list's triples
void Build_Write_List2();    // 51: write list 2; Link.TxListLength := 3 x count + 3 (84)
void Request_Write_List2();  // 52: the slopes recomputed, then the "3" request
// 34: the live-data request; after a write task has started, the configuration is saved to
// its ".cfg" file once (when the ECU keeps a configuration-file name).
void Request_LiveData_Save();

}  // namespace ecu
