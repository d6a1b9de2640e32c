// The table of known gas-injector types: the range within which a calibration time suits an
// injector, and the slope and offset of its default calibration curve.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ecu {

constexpr int InjectorTypeCount = 19;

// Fills ConfigData.InjectorNames (called when the configuration is created).
void InitInjectorTable();

// Type number of a name (exact comparison), 0 when absent.
int InjectorTypeNumber(const std::string& Name);

// The time limits of types 1..18; for 19 ("ANOTHER"), 0 and any other number nothing is
// written, so the caller's values stay.
void GetInjectorTimeLimits(std::uint8_t Type, std::int32_t& Lower, std::int32_t& Upper);

// Slope and offset of the default curve for the configuration's Injector_Type (the second form
// for a given name); a name outside the table gives 23.0 and 2.0.
void GetInjectorFactors(double& Slope, double& Offset);
void GetInjectorFactors(const std::string& InjectorType, double& Slope, double& Offset);

}  // namespace ecu
