// The ECU side's state objects, one per concern, each declared with its unit:
//   Link        (Link_State.h)     the dialogue: frames, link flags, script, block lengths, codec list
//   PortSearch  (Port_3D_Unit.h)   the automatic port search
//   ConfigData  (Config_Unit.h)    the configuration, its tables, calibration data and files
//   LiveData    (Live_Data.h)      the live values, error and status memory, firmware family
//   Texts       (Language.h)       the language, its store and words
//   Files       (FindUnit.h)       the key-file store and its last results
// and the installed objects: Hosts (Host.h) and Form_3D_Port (Port_3D_Unit.h).
#pragma once

namespace ecu {

// Every state object back to its state at program start (Reset() of each). The installed
// objects stay as they are.
void ResetState();

}  // namespace ecu
