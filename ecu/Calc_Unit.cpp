#include "ecu/Calc_Unit.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <vector>

#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Host.h"
#include "ecu/Session.h"
#include "platform/rtl/FileReader.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

constexpr std::int32_t RPMNumerator = 30000000;
constexpr std::int32_t PeriodFloor = 3750;
constexpr double ScaleFactorA = 0.2046;
constexpr double ScaleFactorB = 0.8479;
constexpr double DefaultScaleDivisor = 228.1266471;
constexpr std::int32_t DefaultParam90 = 1315;

// A float as a 32-bit integer for the searches below: truncated, NaN as 0, saturated at the
// ends of the range (never a conversion of an out-of-range value).
std::int64_t SaturatingTrunc(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0) return INT32_MAX;
  if (x <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int64_t>(x);
}

// The entries of the table file: exactly SensorTableEntries of them, or no value. A table
// that cannot be used shows its message once while armed, naming what is wrong; a good one
// re-arms it.
std::optional<std::vector<std::int16_t>> ReadSensorTable() {
  constexpr std::size_t tableBytes = SensorTableEntries * 2;
  std::string bytes;
  const char* fault = nullptr;
  {
    // Only a regular file is read: a FIFO or a device of that name is no table. One byte
    // beyond the table tells a longer file.
    rtl::TRegularFile file(NativeFileName(Session().ConfigData.SensorTableFileName));
    try {
      if (file.IsOpen()) bytes = file.ReadAll(tableBytes + 1);
    } catch (const rtl::EReadError&) {
      fault = SensorTableUnreadable;
    }
    if (!file.IsOpen())
      fault = file.Missing() ? SensorTableNotFound : file.NotRegular() ? SensorTableNotRegular : SensorTableUnreadable;
  }
  if (!fault && bytes.size() != tableBytes) fault = bytes.size() < tableBytes ? SensorTableTooShort : SensorTableTooLong;
  if (fault) {
    if (Session().ConfigData.SensorTableMessageArmed == 1 && Session().Hosts.Host &&
        Session().Hosts.Host->MainWindowShown()) {
      Session().ConfigData.SensorTableMessageArmed = 0;
      Session().Hosts.Host->ShowMessageWindow(SensorTableMessageKind, fault);
    }
    return std::nullopt;
  }
  if (Session().ConfigData.SensorTableMessageArmed == 0) Session().ConfigData.SensorTableMessageArmed = 1;
  std::vector<std::int16_t> table(SensorTableEntries);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
    const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
    table[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(hi << 8 | lo));
  }
  return table;
}

// The classic default RGB values of the system colours, by index.
constexpr std::array<std::uint32_t, 31> SystemColorsRGB = {
    0xD4D0C8, 0x3A6EA5, 0x0A246A, 0x808080, 0xD4D0C8, 0xFFFFFF, 0x000000, 0x000000,
    0x000000, 0xFFFFFF, 0xD4D0C8, 0xD4D0C8, 0x808080, 0x0A246A, 0xFFFFFF, 0xD4D0C8,
    0x808080, 0x808080, 0x000000, 0xD4D0C8, 0xFFFFFF, 0x404040, 0xD4D0C8, 0x000000,
    0xFFFFE1, 0xB5B5B5, 0x000080, 0xA6CAF0, 0xC0C0C0, 0x316AC5, 0xD4D0C8};

std::string Hex2(unsigned v) {
  static const char digits[] = "0123456789ABCDEF";
  return {digits[(v >> 4) & 15], digits[v & 15]};
}

std::string Fixed(double value, int precision, int digits) {
  return CommaToPoint(rtl::FloatToStrF(value, rtl::ffFixed, precision, digits));
}

}  // namespace

std::uint16_t HiLoToWord(std::uint8_t High, std::uint8_t Low) {
  return static_cast<std::uint16_t>(High << 8 | Low);
}

void SplitHiLo(std::int32_t Value, std::uint8_t& High, std::uint8_t& Low) {
  // Every value packed into two bytes is kept within them by its encoder.
  assert(Value >= 0 && Value <= 0xFFFF);
  High = static_cast<std::uint8_t>(Value / 256);
  Low = static_cast<std::uint8_t>(Value);
}

std::int32_t PeriodToRPM(std::uint8_t High, std::uint8_t Low) {
  const std::int32_t w = HiLoToWord(High, Low);
  if (w == 0 || w == 0xFFFF) return 0;
  return RPMNumerator / std::max(w, PeriodFloor);
}

void RPMToPeriodBytes(std::int32_t RPM, std::uint8_t& High, std::uint8_t& Low) {
  if (RPM <= 0) {
    High = Low = 0;
    return;
  }
  // 65535 reads back as "no speed", 0 as "none": keep the period between them.
  SplitHiLo(std::clamp(RPMNumerator / RPM, 1, 0xFFFE), High, Low);
}

std::int32_t ADCToScaled(std::uint8_t High, std::uint8_t Low) {
  if (High == 0 && Low == 0) return 0;
  return FloatToInt((HiLoToWord(High, Low) & 0x3FF) * 100 / DefaultScaleDivisor + 0.5);
}

std::int32_t ADCTimesTwo(std::uint8_t High, std::uint8_t Low) { return (HiLoToWord(High, Low) & 0x3FF) * 2; }

std::int32_t ScaleForECU(std::int32_t K, std::int32_t V) {
  return ScaleForECU(
      K, V, Session().ConfigData.Configuration ? Session().ConfigData.Configuration->Param_90 : DefaultParam90);
}

std::int32_t ScaleForECU(std::int32_t K, std::int32_t V, std::int32_t Param90) {
  if (K == 0) K = 1;
  const double d = Param90 * ScaleFactorA * ScaleFactorB;
  auto shown = [&](std::int64_t n) { return SaturatingTrunc(static_cast<double>(n) * 100 / d + 0.5) / K; };
  auto distance = [&](std::int64_t n) { return std::llabs(shown(n) - V); };

  std::int64_t n = std::clamp<std::int64_t>(
      SaturatingTrunc(static_cast<double>(K) * V * ScaleFactorA * Param90 * ScaleFactorB / 100), 0, 0xFFFF);
  std::int64_t best = n;
  int direction = 0;
  for (;;) {
    const std::int64_t s = shown(n);
    if (s == V) return static_cast<std::int32_t>(n);
    const int step = s < V ? 1 : -1;
    if (direction != 0 && step != direction) break;  // stepped over V: the nearer side wins
    direction = step;
    n += step;
    if (n < 0 || n > 0xFFFF) break;
    if (distance(n) < distance(best) || (distance(n) == distance(best) && n < best)) best = n;
  }
  return static_cast<std::int32_t>(best);
}

void ScaleToBytes(std::int32_t K, std::int32_t V, std::uint8_t& High, std::uint8_t& Low) {
  SplitHiLo(ScaleForECU(K, V), High, Low);
}

void HalfToBytes(std::int32_t Value, std::uint8_t& High, std::uint8_t& Low) { SplitHiLo(Value / 2, High, Low); }

void PercentToBytes(std::int32_t Percent, std::int32_t Reference, std::int32_t Scale, std::uint8_t& High,
                    std::uint8_t& Low) {
  if (Percent == 0 || Reference == 0) {
    High = 5;
    Low = 0;
    return;
  }
  Percent = std::clamp(Percent, -99, 99);
  const std::int32_t a = std::abs(Percent);
  std::int32_t c = ((a * 128) / 100) * 100;
  while (c / 128 != a) c += 100;
  High = static_cast<std::uint8_t>(c / 100);
  if (Percent < 0) High |= 0x80;
  if (High == 0) High = 5;
  if (High == 5)
    Low = 0;
  else  // a small or negative reference cannot make the companion byte wrap
    Low = static_cast<std::uint8_t>(std::clamp(((High & 0x7F) * (Scale / 128)) / Reference, 0, 255));
}

bool IsSensorTableFault(const std::string& Text) {
  for (const char* key : {SensorTableNotFound, SensorTableNotRegular, SensorTableUnreadable, SensorTableTooShort,
                          SensorTableTooLong})
    if (Text == key) return true;
  return false;
}

std::optional<std::int16_t> SensorTableValue(std::uint8_t High, std::uint8_t Low) {
  const auto table = ReadSensorTable();
  const std::size_t i = HiLoToWord(High, Low) & 0x3FF;
  if (!table || i >= table->size()) return std::nullopt;
  return (*table)[i];
}

namespace {

// The index of the entry the walk from entry 0 stops at for Temperature (whole degrees).
int NearestSensorEntry(const std::vector<std::int16_t>& Table, std::int32_t Temperature) {
  const std::int64_t target = static_cast<std::int64_t>(Temperature) * 10;
  std::int64_t d = std::llabs(Table[0] - target);
  const int count = static_cast<int>(Table.size());
  int i = 1;
  while (i < count && std::llabs(Table[static_cast<std::size_t>(i)] - target) <= d) {
    d = std::llabs(Table[static_cast<std::size_t>(i)] - target);
    ++i;
  }
  return i - 1;
}

}  // namespace

bool TemperatureToSensorBytes(std::int32_t Temperature, std::uint8_t& High, std::uint8_t& Low) {
  const auto table = ReadSensorTable();
  if (!table) return false;
  SplitHiLo(NearestSensorEntry(*table, Temperature), High, Low);
  return true;
}

std::optional<std::int32_t> TemperatureAsCarried(std::int32_t Temperature) {
  const auto table = ReadSensorTable();
  if (!table) return std::nullopt;
  // The degrees read back (entry div 10, as the decoder takes them) are sent anew by the next
  // transmit: the value held is one that goes out and comes back unchanged. A table whose
  // walk leads on from value to value ends at the last one reached.
  std::int32_t t = Temperature;
  for (int step = 0; step < 8; ++step) {
    const std::int32_t back = (*table)[static_cast<std::size_t>(NearestSensorEntry(*table, t))] / 10;
    if (back == t) break;
    t = back;
  }
  return t;
}

double TextToFloat(const std::string& Text) {
  if (Text.empty()) return 0;
  return rtl::StrToFloat(CommaToPoint(Text));
}

std::int32_t FloatToInt(double Value) {
  if (Value == 0 || std::isnan(Value)) return 0;
  double v = Value;
  // Rounding to 15 significant digits moves a value by at most half a unit of its 15th digit,
  // less than 1e-14 of it: a value farther than that from every integer truncates the same
  // either way, and only one that close goes through the text (the diagram's drag converts
  // hundreds of points per move).
  // A whole number of at most 15 digits is its own text (the map's and the pages' factors
  // times 100 mostly are).
  const double nearest = std::nearbyint(v);
  const bool nearInteger = std::fabs(v - nearest) <= 1e-14 * std::fabs(v);
  const bool ownText = v == nearest && std::fabs(v) < 1e15;
  if (std::isfinite(v) && nearInteger && !ownText) rtl::TryStrToFloat(rtl::FloatToStrF(v, rtl::ffGeneral, 15, 0), v);
  const double t = std::trunc(v);
  if (!(t >= -2147483648.0 && t <= 2147483647.0))
    throw rtl::EConvertError("'" + rtl::FloatToStr(t) + "' is not a valid integer value");
  return static_cast<std::int32_t>(t);
}

std::int32_t PercentOf(std::int32_t Value, std::uint8_t Percentage) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(Percentage) * Value / 100);
}

std::string CommaToPoint(std::string Text) {
  std::replace(Text.begin(), Text.end(), ',', '.');
  return Text;
}

std::string BoolToText(bool Flag) { return Flag ? "True" : "False"; }

std::string FormatThousandths(std::int32_t V) { return Fixed((V / 10) / 100.0, 5, 2); }
std::string FormatTenths(std::int32_t V) { return Fixed(V / 10.0, 6, 1); }
std::string FormatHundredths(std::int32_t V) { return Fixed(V / 100.0, 3, 2); }
std::string LevelToVoltText(std::int32_t V) { return Fixed(V * 5 / 1023.0, 4, 2); }

int HexDigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

std::string UpperCaseASCII(std::string Text) {
  for (char& c : Text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return Text;
}

int HexByteToInt(const std::string& Text) {
  if (Text.size() != 2) return -1;
  const std::string t = UpperCaseASCII(Text);
  const int hi = HexDigitValue(t[0]), lo = HexDigitValue(t[1]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

std::string ColorToARGBText(TColor Color) {
  if ((Color & 0xFF000000u) == 0x80000000u) {
    const std::uint32_t index = Color & 0xFF;
    const std::uint32_t rgb = index < SystemColorsRGB.size() ? SystemColorsRGB[index] : 0;
    return "#FF" + Hex2(rgb >> 16) + Hex2(rgb >> 8) + Hex2(rgb);
  }
  return "#FF" + Hex2(Color) + Hex2(Color >> 8) + Hex2(Color >> 16);
}

bool IsARGBText(const std::string& Text) {
  if (Text.size() != 9 || Text[0] != '#') return false;
  return std::all_of(Text.begin() + 1, Text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool ARGBTextToColor(const std::string& Text, TColor& Color) {
  if (!IsARGBText(Text)) return false;
  const auto r = static_cast<TColor>(HexByteToInt(Text.substr(3, 2)));
  const auto g = static_cast<TColor>(HexByteToInt(Text.substr(5, 2)));
  const auto b = static_cast<TColor>(HexByteToInt(Text.substr(7, 2)));
  Color = b << 16 | g << 8 | r;
  return true;
}

int FontStyleToIndex(TFontStyles Style) {
  switch (Style) {
    case fsBold: return 1;
    case fsItalic: return 2;
    case fsBold | fsItalic: return 3;
    default: return 0;
  }
}

TFontStyles IndexToFontStyle(int Index) {
  switch (Index) {
    case 1: return fsBold;
    case 2: return fsItalic;
    case 3: return fsBold | fsItalic;
    default: return 0;
  }
}

std::string FontStyleToText(int Index) {
  switch (Index) {
    case 1: return "vgFontBold";
    case 2: return "vgFontItalic";
    case 3: return "vgFontBoldItalic";
    default: return "vgFontRegular";
  }
}

int TextToFontStyle(const std::string& Text) {
  if (Text == "vgFontBold") return 1;
  if (Text == "vgFontItalic") return 2;
  if (Text == "vgFontBoldItalic") return 3;
  return 0;
}

}  // namespace ecu
