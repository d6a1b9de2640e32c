// Decoders of the ECU's replies to the identification, configuration-file name, parameter and
// calibration-point requests. Each reads a whole reply frame (address, command echo, data,
// checksum) and decodes only the fields that lie wholly inside it, so that a short reply never
// turns stale bytes of an earlier one into values. The script instructions at the end run
// them on the reply just accepted in Link.RxFrame.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "ecu/Config_Unit.h"

namespace ecu {

// ---- Identification ("0") ----------------------------------------------------------------

struct TIdentification {
  std::optional<std::uint8_t> LayoutNumber;
  std::optional<std::string> ECU_Name;           // blanks around it removed
  std::optional<std::string> ECU_Info;
  std::optional<std::string> Firmware_Version;   // the four characters as sent
  std::optional<std::int32_t> Work_Gas;          // minutes, big-endian 24-bit
  std::optional<std::int32_t> Work_Petrol;
  // Live data, parameters, calibration points, a byte stored and not used, MAP points.
  std::array<std::optional<std::uint8_t>, 5> BlockLengths;
};
TIdentification ReadIdentification(std::span<const std::uint8_t> Frame);

// The longest block a request can expect: its reply (block + 3) must fit the one-byte
// expected length.
constexpr int MaxBlockLength = 252;

// ---- ConfigData.Configuration-file name (",") -------------------------------------------------------

// The name bytes 2.. up to the first byte 0 or 255 (at most 8); empty when byte 2 is 0 or 255.
std::string ReadCfgName(std::span<const std::uint8_t> Frame);
// The name as a file name: path separators, ":", the other characters no file name may hold
// and control bytes become "_", and a name of dots only (".", "..") becomes as many "_".
std::string CfgNameToFileName(const std::string& Name);

// ---- Calibration points ("%") -------------------------------------------------------------

// Nine records of slope x 128, gas time and petrol time (bit 7 of its first byte flags the
// point) into ConfigData.DiagramSlopes, ConfigData.DiagramPointY, ConfigData.DiagramPointX and ConfigData.FlaggedPoint;
// records beyond a short reply are left as they were.
void DecodePointRecords(std::span<const std::uint8_t> Frame);

// ---- Script instructions on Link.RxFrame --------------------------------------------------------

// 33: the identification into the configuration, the firmware version and family, and the
// block lengths (a length above MaxBlockLength is refused and the previous one stays); a
// layout number above 39 shows message 15 instead of applying the family.
void Decode_Identification();
// 37: Cfg_Name, the settings' file names, and the customer texts of that file.
void Decode_CfgName();
// 39: every parameter of the read list into the configuration, then the configuration page.
void Decode_Params();
// 41: the calibration points, then the diagram is redrawn and pushed onto its history.
void Decode_Points();

}  // namespace ecu
