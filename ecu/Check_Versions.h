// Firmware version families. The firmware version of the identification reply decides which
// indicators the main window shows and how large, whether the MAP-point buttons can be used,
// which sensor errors the live data watches, and whether the parameter read list asks for three
// more parameters.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ecu {

// The version x 100 of a firmware text, computed from its digits: blanks around it are
// ignored, then one or more digits, optionally a "." or "," and one or two more digits
// ("1.60" -> 160, "2.01" -> 201, "3" -> 300, "1.5" -> 150). No value for any other text.
std::optional<std::int32_t> FirmwareVersionFromText(std::string_view Text);

bool IsVersion155To199();
bool IsVersion155To199Or357To399();

// Applies the family: LiveData.VersionFamily, a fresh error display, the MAP-point buttons, the
// indicator panels' visibility, sizes and positions, and the indicator font sizes.
void Check_Versions();

}  // namespace ecu
