// Live data: the reply to the live-data request decoded into the live values that the windows
// and the automatic calibration read, shown on the main window's indicators, the work mode and
// the gas level, and the ECU's status and error bits turned into status-line messages and lines
// of the error memo, each only when the bits change.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ecu {

// What the live data and the firmware family leave for the windows and the automatic
// calibration to read. Written by the decoders only; GUI thread.
struct TLiveState {
  std::uint8_t WorkMode = 0;  // 1 petrol, 2 automat, 4 gas
  std::int32_t LiveRPM = 0;
  std::int32_t LiveTempVap = 0;  // tenths of a degree
  std::int32_t LiveTempGas = 0;
  std::int32_t LiveLevel = 0;     // 0..1023
  std::int32_t LivePressVap = 0;  // hundredths
  std::int32_t LivePressColl = 0;
  std::int32_t LivePressDiff = 0;  // LivePressVap - LivePressColl, 0 when negative
  std::int32_t LiveAnalog18 = 0;
  std::array<std::int32_t, 4> LivePetrolTimes{};
  std::array<std::int32_t, 4> LiveGasTimes{};
  std::int32_t LivePetrolTimeAvg = 0;  // average of the non-zero times, 0 when all are 0
  std::int32_t LiveGasTimeAvg = 0;
  std::array<std::int32_t, 4> PetrolTimesOnGas{};     // the petrol times while on gas
  std::array<std::int32_t, 4> PetrolTimesOnPetrol{};  // ... and otherwise
  std::uint8_t LastErrorBits1 = 0;                    // error bytes of the last reply that changed them
  std::uint8_t LastErrorBits2 = 0;
  std::uint8_t ErrorsClearShown = 0;  // the memo shows the two "no errors" lines
  // Bits 2..7 of the status byte of the previous reply (the status line's memory; 192 at start).
  std::uint8_t StatusPrevious = 192;
  // Circle_LevelGas_6 is hidden (it shows the petrol mode).
  bool Circle6Hidden = false;

  // The firmware family (Check_Versions).
  std::int32_t FirmwareVersion100 = 0;  // firmware version x 100; 0 when unknown
  std::uint8_t VersionFamily = 0;       // FirmwareVersion100 lies in 155..199
  float IndicatorScale = 1.0f;          // 2.0 with VersionFamily, else 1.0

  // Everything back to its state at program start.
  void Reset() { *this = TLiveState(); }
  bool operator==(const TLiveState&) const = default;
};

// Step 1: decodes the fields of a live-data reply (whole frame) that lie wholly inside it;
// the others keep their values. Then the difference, the averages and the petrol-time copy.
void Decode_LiveData(std::span<const std::uint8_t> Frame);
// The work mode's hold on circle 6 and on the level blink; then the host shows the sample
// (THost::ShowLiveSample), the work mode and the circles unless the blink owns them.
void Work_Mode_Display();
// Decodes Link.RxFrame as the live-data reply just received and updates the display; the status
// and error bits are watched only while the link is up. Script instruction 35; the main
// window also calls it once at start-up, before any reply.
void DynamicIND_Update();
// The error memo's lines for the error bits last reported, in the current language: a line
// per error, or the two "no errors" lines once the ECU reported none; nothing before its
// first report after the firmware family became known.
std::vector<std::string> ErrorMemoTexts();

}  // namespace ecu
