// Conversions between the ECU's raw bytes and the values the user sees, the temperature-sensor
// table, and the small text conversions of the settings and configuration files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ecu {

// ---- Numbers from and to raw bytes --------------------------------------------------------

std::uint16_t HiLoToWord(std::uint8_t High, std::uint8_t Low);
// High := Value div 256 (as a byte), Low := the low byte of Value.
void SplitHiLo(std::int32_t Value, std::uint8_t& High, std::uint8_t& Low);

// R.P.M. from the period of a rotation: 0 for the periods 0 and 65535; a period below 3750
// counts as 3750 (8000 r.p.m.).
std::int32_t PeriodToRPM(std::uint8_t High, std::uint8_t Low);
// The period bytes of an R.P.M.: 0 (and below) gives 0, 0. The period is kept within what the
// two bytes carry and PeriodToRPM reads back, so R.P.M. below 458 give the longest period
// (457 r.p.m.) instead of wrapping.
void RPMToPeriodBytes(std::int32_t RPM, std::uint8_t& High, std::uint8_t& Low);

// A 10-bit analogue reading scaled to the displayed unit at the default scaling factor.
std::int32_t ADCToScaled(std::uint8_t High, std::uint8_t Low);
std::int32_t ADCTimesTwo(std::uint8_t High, std::uint8_t Low);

// The raw value n whose display (n x 100 / (Param_90 x 0.2046 x 0.8479), rounded) div K equals
// V, searched from an estimate. When no raw value shows exactly V (a small Param_90 steps over
// it), the raw value whose display is nearest wins, the lower one on a tie. The result lies in
// 0..65535. K of 0 counts as 1. The first form takes Param_90 from the configuration (its
// default when there is none).
std::int32_t ScaleForECU(std::int32_t K, std::int32_t V);
std::int32_t ScaleForECU(std::int32_t K, std::int32_t V, std::int32_t Param90);
void ScaleToBytes(std::int32_t K, std::int32_t V, std::uint8_t& High, std::uint8_t& Low);
// SplitHiLo of Value / 2, rounded toward zero.
void HalfToBytes(std::int32_t Value, std::uint8_t& High, std::uint8_t& Low);

// The signed-percentage byte (7 bits of magnitude in 128ths, bit 7 the sign) and its companion
// byte. A percentage of 0 or a reference of 0 give the "no value" code 5, 0. The percentage is
// clamped to -99..99 so that its code fits in seven bits.
void PercentToBytes(std::int32_t Percent, std::int32_t Reference, std::int32_t Scale, std::uint8_t& High,
                    std::uint8_t& Low);

// ---- Temperature-sensor table -------------------------------------------------------------

// The table file and its message flag are ConfigData.SensorTableFileName and
// ConfigData.SensorTableMessageArmed.
constexpr int SensorTableEntries = 1024;

// The message kind of a table that cannot be used; without an installed host no message is
// shown. Its text is the language key of what is wrong with the file: nothing of that name, no
// regular file (a FIFO, a device, a folder), unreadable, fewer bytes than a table has, or
// more. A table is exactly SensorTableEntries entries: a file of another size is none (a
// random file read as one gave temperatures of -2063.4 degrees).
constexpr std::uint8_t SensorTableMessageKind = 12;
inline constexpr const char* SensorTableNotFound = "Error_File_not_found";
inline constexpr const char* SensorTableNotRegular = "Error_File_not_regular";
inline constexpr const char* SensorTableUnreadable = "Error_File_unreadable";
inline constexpr const char* SensorTableTooShort = "Error_File_too_short";
inline constexpr const char* SensorTableTooLong = "Error_File_not_2048_bytes";
// Whether Text is one of those keys.
bool IsSensorTableFault(const std::string& Text);

// The table entry of the reading (HiLoToWord and 0x3FF); no value when the table cannot be
// used (the message path above).
std::optional<std::int16_t> SensorTableValue(std::uint8_t High, std::uint8_t Low);
// The reading whose table entry is nearest to Temperature x 10, walking from entry 0 while the
// next entry is not farther (so the later of two equally near entries wins). False, with the
// outputs untouched, when the table cannot be used.
bool TemperatureToSensorBytes(std::int32_t Temperature, std::uint8_t& High, std::uint8_t& Low);
// The whole degrees the ECU carries for Temperature: those its table entry reads back as
// (SensorTableValue / 10), taken again until sending them brings the same degrees back (so a
// value beyond the table becomes the table's end). No value when the table is missing or empty.
std::optional<std::int32_t> TemperatureAsCarried(std::int32_t Temperature);

// ---- Text and number conversions ----------------------------------------------------------

// "," and "." both read as the decimal point; an empty text gives 0; any other text that is
// not a number raises rtl::EConvertError.
double TextToFloat(const std::string& Text);
// Truncated toward zero after rounding to the value's 15-digit decimal text, so that
// (23 / 25 x 16 + 1.5) x 1000 gives 16220 where binary arithmetic lands just below; 0 for a
// NaN; rtl::EConvertError for an infinite value or one beyond the 32-bit range.
std::int32_t FloatToInt(double Value);
// (Percentage x Value) / 100, truncated toward zero.
std::int32_t PercentOf(std::int32_t Value, std::uint8_t Percentage);
std::string CommaToPoint(std::string Text);
std::string BoolToText(bool Flag);

// Fixed-point texts with "." (the class library's fixed format: precision significant digits,
// then the given decimals).
std::string FormatThousandths(std::int32_t V);  // (V div 10) / 100, precision 5, 2 decimals
std::string FormatTenths(std::int32_t V);       // V / 10, precision 6, 1 decimal
std::string FormatHundredths(std::int32_t V);   // V / 100, precision 3, 2 decimals
std::string LevelToVoltText(std::int32_t V);    // V x 5 / 1023 volts, precision 4, 2 decimals

// "0".."9" give 0..9, "A".."F" 10..15, anything else -1.
int HexDigitValue(char C);
std::string UpperCaseASCII(std::string Text);
// Two hexadecimal digits in either case; -1 for any other text.
int HexByteToInt(const std::string& Text);

// The platform colour value: 0x00BBGGRR; a value with 0x80 in its top byte names a system
// colour (its index in the low byte).
using TColor = std::uint32_t;
// "#FF" and red, green, blue as upper-case hexadecimal; system colours are resolved first.
std::string ColorToARGBText(TColor Color);
// True when the text is "#" and eight hexadecimal digits (alpha first).
bool IsARGBText(const std::string& Text);
// The colour of an "#AARRGGBB" text (alpha ignored). A text of any other form leaves Color as
// it was and gives false, so the caller keeps its default.
bool ARGBTextToColor(const std::string& Text, TColor& Color);

// A font style set: any combination of these bits.
using TFontStyles = std::uint8_t;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

// 1 bold alone, 2 italic alone, 3 both, 0 anything else.
int FontStyleToIndex(TFontStyles Style);
TFontStyles IndexToFontStyle(int Index);
std::string FontStyleToText(int Index);  // "vgFontBold", "vgFontItalic", "vgFontBoldItalic", else "vgFontRegular"
int TextToFontStyle(const std::string& Text);  // exact comparison; 0 for any other text

}  // namespace ecu
