// Live data: the reply to the live-data request decoded into the live values that the windows
// and the automatic calibration read, shown on the main window's indicators, the work mode and
// the gas level, and the ECU's status and error bits turned into status-line messages and lines
// of the error memo, each only when the bits change.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ecu {

extern std::uint8_t WorkMode;        // 1 petrol, 2 automat, 4 gas
extern std::int32_t LiveRPM;
extern std::int32_t LiveTempVap;     // tenths of a degree
extern std::int32_t LiveTempGas;
extern std::int32_t LiveLevel;       // 0..1023
extern std::int32_t LivePressVap;    // hundredths
extern std::int32_t LivePressColl;
extern std::int32_t LivePressDiff;   // LivePressVap - LivePressColl, 0 when negative
extern std::int32_t LiveAnalog18;
extern std::array<std::int32_t, 4> LivePetrolTimes;
extern std::array<std::int32_t, 4> LiveGasTimes;
extern std::int32_t LivePetrolTimeAvg;  // average of the non-zero times, 0 when all are 0
extern std::int32_t LiveGasTimeAvg;
extern std::array<std::int32_t, 4> PetrolTimesOnGas;     // the petrol times while on gas
extern std::array<std::int32_t, 4> PetrolTimesOnPetrol;  // ... and otherwise
extern std::uint8_t LastErrorBits1;  // error bytes of the last reply that changed them
extern std::uint8_t LastErrorBits2;
extern std::uint8_t ErrorsClearShown;  // the memo shows the two "no errors" lines
// Bits 2..7 of the status byte of the previous reply (the status line's memory; 192 at start).
extern std::uint8_t StatusPrevious;

// Step 1: decodes the fields of a live-data reply (whole frame) that lie wholly inside it;
// the others keep their values. Then the difference, the averages and the petrol-time copy.
void Decode_LiveData(std::span<const std::uint8_t> Frame);
// The work-mode label and the seven gas-level circles.
void Work_Mode_Display();
// Decodes RxFrame as the live-data reply just received and updates the display; the status
// and error bits are watched only while the link is up. Script instruction 35; the main
// window also calls it once at start-up, before any reply.
void DynamicIND_Update();

// Live values, error memory and status memory back to their start values (tests, restart).
void Live_Clear();

}  // namespace ecu
