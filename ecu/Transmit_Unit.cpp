#include "ecu/Transmit_Unit.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "ecu/Calc_Unit.h"
#include "ecu/Check_Versions.h"
#include "ecu/FindUnit.h"
#include "ecu/Host.h"
#include "ecu/Session.h"

namespace ecu {

void ReadList_Add(std::uint8_t Code) {
  if (Session().Link.ReadList.Count >= ReadListCapacity) return;
  ++Session().Link.ReadList.Count;
  Session().Link.ReadList.Codes[Session().Link.ReadList.Count] = Code;
}

void Param_Read_List_All() {
  static constexpr std::uint8_t codes[] = {
      '_', 'Z', 'A', 'B', 'C', 155, 'R', '\\', 159, 'D', 165, 156, 'E', 130, 131, 166, 167,
      129, 'O', '[', 132, 133, 'S', 'T', 'U', 'V', 'W', 'X', 'F', 'G', 157, 158, 'H', 'I',
      'J', 'Y', 164, 163, 146, 147, 148, 149, 150, 151, 152, 153, 154, 168, 169};
  Session().Link.ReadList.Count = 0;
  for (std::uint8_t code : codes) ReadList_Add(code);
  if (IsVersion155To199Or357To399())
    for (std::uint8_t code : {170, 171, 172}) ReadList_Add(code);
}

void Param_Write_List1() {
  static constexpr std::uint8_t codes[] = {'Z', 'A', 'C', 'R', '\\', 159, 'D', 'E', 'S', 'T', 'U',
                                           'V', 'W', 'X', 146, 147, 148, 149, 150, 151, 152, 153};
  Session().Link.ReadList.Count = 0;
  for (std::uint8_t code : codes) ReadList_Add(code);
}

std::array<std::uint8_t, 3> PointCodes(int Point) {
  // Points 0..5 use "a" .. "r"; "s", "t", "u" are not used; points 6..8 use "v" .. "~".
  const int first = Point < 6 ? 'a' + 3 * Point : 'v' + 3 * (Point - 6);
  return {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(first + 1), static_cast<std::uint8_t>(first + 2)};
}

void Param_Write_List2() {
  Session().Link.ReadList.Count = 0;
  for (int i = 0; i < DiagramPointCount; ++i)
    for (std::uint8_t code : PointCodes(i)) ReadList_Add(code);
}

void CalcDiagramSlopes() {
  Session().ConfigData.DiagramSlopes[0] = 1.0;
  for (int k = 1; k < DiagramPointCount; ++k) {
    const double dx =
        static_cast<double>(Session().ConfigData.DiagramPointX[k]) - Session().ConfigData.DiagramPointX[k - 1];
    const double dy = std::abs(static_cast<double>(Session().ConfigData.DiagramPointY[k]) -
                               Session().ConfigData.DiagramPointY[k - 1]);
    Session().ConfigData.DiagramSlopes[k] = dx == 0 ? 1.0 : dy / dx;
  }
}

namespace {

bool Bit(std::uint8_t Byte, int N) { return (Byte >> N) & 1; }
std::uint8_t Flag(std::uint8_t Value, int N) { return static_cast<std::uint8_t>(Value ? 1u << N : 0u); }

// Which calibration point and which of its three values a code carries; -1 when none.
int PointOfCode(std::uint8_t Code, int& Which) {
  for (int i = 0; i < DiagramPointCount; ++i) {
    const auto codes = PointCodes(i);
    for (int w = 0; w < 3; ++w)
      if (codes[w] == Code) {
        Which = w;
        return i;
      }
  }
  return -1;
}

// The bytes 0 and 5 of a percentage mean the ECU has no value: the default stands in for it.
bool IsNoValue(std::uint8_t High) { return High == 0 || High == 5; }

// A percentage that came without its value has taken its default. The host is told, so that
// the default goes back to the ECU with the configuration page, only when that write carries
// it: a percentage of a reference that is 0 goes out as "no value" again, and asking for the
// write would rewrite the ECU at every connect with nothing the installer changed.
bool ConvertParam(std::uint8_t Code, const Configuration_Class& c, std::array<std::uint8_t, 3>& Triple,
                  bool* Converted = nullptr);

void PercentDefaulted(std::uint8_t Code, const Configuration_Class& c) {
  std::array<std::uint8_t, 3> triple{};
  if (!ConvertParam(Code, c, triple) || IsNoValue(triple[1])) return;
  if (Session().Hosts.Host) Session().Hosts.Host->ParameterDefaulted();
}

// The signed percentage of a high byte: 7 bits of magnitude in 128ths, bit 7 the sign.
void DecodePercent(std::uint8_t Code, std::uint8_t High, const Configuration_Class& c, std::int32_t& Field,
                   std::int32_t Default) {
  if (IsNoValue(High)) {
    Field = Default;
    PercentDefaulted(Code, c);
    return;
  }
  const std::int32_t magnitude = FloatToInt((High & 127) / 128.0 * 100);
  Field = Bit(High, 7) ? -magnitude : magnitude;
}

void DecodeTemperature(std::uint8_t High, std::uint8_t Low, std::int32_t& Field) {
  if (const auto tenths = SensorTableValue(High, Low)) Field = *tenths / 10;
}

// The prescaler items as the configuration page's combo box holds them.
const std::array<std::u16string, 6>& PrescalerComboItems() {
  static const std::array<std::u16string, 6> items = [] {
    std::array<std::u16string, 6> result;
    for (std::size_t i = 0; i < result.size(); ++i)
      result[i] = std::u16string(RPMPrescalerItems[i].begin(), RPMPrescalerItems[i].end());
    return result;
  }();
  return items;
}

constexpr TValueRange ByteRange{0, 255};
constexpr TValueRange WordRange{0, 65535};
// Param_152 goes out halved in a word.
constexpr TValueRange Param152Range{0, 131071};

// A value packed into one byte; the callers have clamped it to what the byte holds.
std::uint8_t Pack8(std::int32_t Value) {
  assert(ByteRange.Holds(Value));
  return static_cast<std::uint8_t>(Value);
}

// A byte of the program's own (zero sent as 128, the ECU's code for none).
std::uint8_t ByteOrZeroCode(std::int32_t Value) {
  const std::uint8_t b = Pack8(ByteRange.Clamp(Value));
  return b == 0 ? std::uint8_t{128} : b;
}

// The whole part of Value, kept within 0..65535 (a NaN gives 0).
std::int32_t WordOf(double Value) {
  if (!(Value > 0)) return 0;
  if (Value >= 65535) return 65535;
  return static_cast<std::int32_t>(Value);
}

}  // namespace

void Param_Decode(std::uint8_t Code, std::uint8_t h, std::uint8_t l, Configuration_Class& c) {
  switch (Code) {
    case 'Z': c.Param_90 = HiLoToWord(h, l); break;
    case 'A': DecodeTemperature(h, l, c.PG_Temper); break;
    case 'C': c.PG_RPM = PeriodToRPM(h, l); break;
    case 'R':
      c.PG_Time = h == 128 ? 0 : h;
      c.Param_82_Bit0 = Bit(l, 0);
      c.Save_Map = Bit(l, 1);
      c.MonoInject = Bit(l, 2);
      c.Param_82_Bit3 = Bit(l, 3);
      c.Param_82_Bit4 = Bit(l, 4);
      c.NoSequentInject = Bit(l, 5);
      c.Param_82_Bit6 = Bit(l, 6);
      c.Param_82_Bit7 = Bit(l, 7);
      break;
    case '\\':
      c.Param_92_High = h == 128 ? 0 : h;
      c.Param_92_Bit0 = Bit(l, 0);
      c.Param_92_Bit1 = Bit(l, 1);
      c.LPG_on = !Bit(l, 2);
      c.Param_92_Bit4 = Bit(l, 4);
      c.Param_92_Bit5 = Bit(l, 5);
      c.Param_92_Bit6 = Bit(l, 6);
      c.Param_92_Bit7 = Bit(l, 7);
      break;
    case 159:
      c.Param_159_H0 = Bit(h, 0);
      c.Param_159_H1 = Bit(h, 1);
      c.Param_159_H2 = Bit(h, 2);
      c.Param_159_H3 = Bit(h, 3);
      c.Param_159_H4 = Bit(h, 4);
      c.Param_159_H6 = Bit(h, 6);
      c.Param_159_H7 = Bit(h, 7);
      c.Param_159_L0 = Bit(l, 0);
      c.Param_159_L1 = Bit(l, 1);
      c.PG_GAS_Hot_Engine = Bit(l, 2);
      c.Param_159_L3 = Bit(l, 3);
      break;
    case 'E':
      c.Param_69_High = h;
      // An index outside the prescaler list keeps the prescaler the program has.
      if (l >= 1 && l <= RPMPrescalerItems.size()) c.RPM_PreScaler = RPMPrescalerItems[l - 1];
      break;
    case 'S':
      c.Level_Type = LevelTypeName(h);
      c.Param_83_Low = l;
      break;
    case 'T':
      c.Level_Invert = Bit(h, 4);
      c.Level_90 = Bit(h, 5);
      c.Level_Buzzer = Bit(h, 6);
      c.GP_Buzzer = Bit(h, 7);
      c.Level1 = (h & 3) * 256 + l;
      break;
    case 'U': c.Level2 = HiLoToWord(h, l); break;
    case 'V': c.Level3 = HiLoToWord(h, l); break;
    case 'W': c.Level4 = HiLoToWord(h, l); break;
    case 'X': c.Level5 = HiLoToWord(h, l); break;
    case 146: c.Param_146 = ADCToScaled(h, l); break;
    case 147: DecodePercent(Code, h, c, c.Param_147, 50); break;
    case 148: DecodePercent(Code, h, c, c.Param_148, 30); break;
    case 149: DecodeTemperature(h, l, c.Param_149); break;
    case 150: DecodePercent(Code, h, c, c.Param_150, c.LPG_on ? 10 : 20); break;
    case 151: DecodePercent(Code, h, c, c.Param_151, c.LPG_on ? 10 : 20); break;
    case 152: c.Param_152 = ADCTimesTwo(h, l); break;
    case 153:
      if (IsNoValue(h)) {
        c.Param_153 = 50;
        PercentDefaulted(Code, c);
      } else {
        c.Param_153 = FloatToInt((h / 128.0 + 0.005) * 100);
      }
      break;
    default: break;
  }
}

namespace {

// The percentages, whose high byte 0 or 5 carries no value.
bool IsPercentCode(std::uint8_t Code) {
  return Code == 147 || Code == 148 || Code == 150 || Code == 151 || Code == 153;
}

// The values the bytes of a code stand for, as the ECU holds them: none for a percentage
// without its value (its default must still go out).
std::optional<TParamValues> HeldFor(std::uint8_t Code, std::uint16_t Bytes, const Configuration_Class& c) {
  if (IsPercentCode(Code) && IsNoValue(static_cast<std::uint8_t>(Bytes >> 8))) return std::nullopt;
  return ParamValues(Code, c);
}

// Converted (when given) is cleared for a value the program cannot convert.
bool ConvertParam(std::uint8_t Code, const Configuration_Class& c, std::array<std::uint8_t, 3>& Triple,
                  bool* Converted) {
  // Every value is kept within what its parameter holds before it is packed; a value the
  // program cannot convert goes back as the ECU sent it.
  bool converted = true;
  std::uint8_t h = static_cast<std::uint8_t>(Session().Link.ReceivedParams[Code] >> 8);
  std::uint8_t l = static_cast<std::uint8_t>(Session().Link.ReceivedParams[Code]);
  switch (Code) {
    case 'Z': SplitHiLo(WordRange.Clamp(c.Param_90), h, l); break;
    case 'A': converted = TemperatureToSensorBytes(PGTemperRange.Clamp(c.PG_Temper), h, l); break;
    case 'C': RPMToPeriodBytes(ClampPGRPM(c.PG_RPM), h, l); break;
    case 'R':
      h = ByteOrZeroCode(ClampPGTime(c.PG_Time));
      l = Flag(c.Param_82_Bit0, 0) | Flag(c.Save_Map, 1) | Flag(c.MonoInject, 2) | Flag(c.Param_82_Bit3, 3) |
          Flag(c.Param_82_Bit4, 4) | Flag(c.NoSequentInject, 5) | Flag(c.Param_82_Bit6, 6) | Flag(c.Param_82_Bit7, 7);
      break;
    case '\\':
      h = ByteOrZeroCode(c.Param_92_High);
      l = Flag(c.Param_92_Bit0, 0) | Flag(c.Param_92_Bit1, 1) | Flag(!c.LPG_on, 2) | Flag(c.Param_92_Bit4, 4) |
          Flag(c.Param_92_Bit5, 5) | Flag(c.Param_92_Bit6, 6) | Flag(c.Param_92_Bit7, 7);
      break;
    case 159:
      h = Flag(c.Param_159_H0, 0) | Flag(c.Param_159_H1, 1) | Flag(c.Param_159_H2, 2) | Flag(c.Param_159_H4, 4) |
          Flag(c.Param_159_H6, 6) | Flag(c.Param_159_H7, 7);
      l = Flag(c.Param_159_L0, 0) | Flag(c.Param_159_L1, 1) | Flag(c.PG_GAS_Hot_Engine, 2) | Flag(c.Param_159_L3, 3);
      break;
    case 'D': ScaleToBytes(10, c.Param_68, h, l); break;
    case 'E':
    {
      h = Pack8(ByteRange.Clamp(c.Param_69_High));
      // A prescaler outside the list keeps the ECU's own, or the default 1:2 when the ECU
      // sent none.
      const int index = ComboIndexOfText(c.RPM_PreScaler, PrescalerComboItems());
      if (index > 0)
        l = Pack8(index);
      else if (l == 0)
        l = 2;
      break;
    }
    case 'S':
    {
      // A level-sensor type outside the table keeps the ECU's own, or the default "0 - 90 Om"
      // when the ECU sent none.
      const int index = LevelTypeIndex(c.Level_Type);
      if (index > 0)
        h = Pack8(index);
      else if (h == 0)
        h = Pack8(LevelTypeIndex("0 - 90 Om"));
      l = Pack8(ByteRange.Clamp(c.Param_83_Low));
      break;
    }
    case 'T':
      SplitHiLo(LevelRange.Clamp(c.Level1), h, l);
      // Level1 has ten bits; the flags take the rest of the high byte.
      h = static_cast<std::uint8_t>((h & 3) | Flag(c.Level_Invert, 4) | Flag(c.Level_90, 5) |
                                    Flag(c.Level_Buzzer, 6) | Flag(c.GP_Buzzer, 7));
      break;
    case 'U': SplitHiLo(LevelRange.Clamp(c.Level2), h, l); break;
    case 'V': SplitHiLo(LevelRange.Clamp(c.Level3), h, l); break;
    case 'W': SplitHiLo(LevelRange.Clamp(c.Level4), h, l); break;
    case 'X': SplitHiLo(LevelRange.Clamp(c.Level5), h, l); break;
    case 146: ScaleToBytes(1, c.Param_146, h, l); break;
    case 147: PercentToBytes(c.Param_147, ScaleForECU(1, c.Param_146), 32768, h, l); break;
    case 148: PercentToBytes(c.Param_148, ScaleForECU(1, c.Param_146), 32768, h, l); break;
    case 149: converted = TemperatureToSensorBytes(c.Param_149, h, l); break;
    case 150: PercentToBytes(c.Param_150, c.Param_149, 4096, h, l); break;
    case 151: PercentToBytes(c.Param_151, c.Param_149, 4096, h, l); break;
    case 152: HalfToBytes(Param152Range.Clamp(c.Param_152), h, l); break;
    case 153: {
      std::uint8_t b1 = 0, b2 = 0;
      HalfToBytes(Param152Range.Clamp(c.Param_152), b1, b2);
      PercentToBytes(c.Param_153, HiLoToWord(b1, b2), 32768, h, l);
      break;
    }
    default: {
      int which = 0;
      const int point = PointOfCode(Code, which);
      if (point < 0) return false;
      if (which == 0) {
        SplitHiLo(WordOf(Session().ConfigData.DiagramSlopes[point] * 128), h, l);
      } else if (which == 1) {
        SplitHiLo(GasPointRange.Clamp(Session().ConfigData.DiagramPointY[point]), h, l);
      } else {
        SplitHiLo(PetrolPointRange.Clamp(Session().ConfigData.DiagramPointX[point]), h, l);
        // The petrol time has 15 bits; bit 7 of the high byte marks points 1 and 2, and of
        // the points 3..8 the one the ECU flagged.
        assert(h <= 0x7F);
        if (point == 1 || point == 2 || (point >= 3 && Session().ConfigData.FlaggedPoint == point)) h |= 0x80;
      }
      break;
    }
  }
  Triple = {Code, h, l};
  if (Converted) *Converted = converted;
  return true;
}

// Param_Encode; Carries tells whether the bytes carry the configuration's values (they are
// the ECU's own for those values, or the values converted).
bool EncodeParam(std::uint8_t Code, const Configuration_Class& c, std::array<std::uint8_t, 3>& Triple, bool& Carries) {
  const std::optional<TParamValues>& held = Session().Link.HeldValues[Code];
  if (held && held == ParamValues(Code, c)) {
    const std::uint16_t bytes = Session().Link.ReceivedParams[Code];
    Triple = {Code, static_cast<std::uint8_t>(bytes >> 8), static_cast<std::uint8_t>(bytes)};
    Carries = true;
    return true;
  }
  return ConvertParam(Code, c, Triple, &Carries);
}

}  // namespace

std::optional<TParamValues> ParamValues(std::uint8_t Code, const Configuration_Class& c) {
  TParamValues v;
  const auto set = [&v](std::initializer_list<std::int64_t> Numbers) {
    std::copy(Numbers.begin(), Numbers.end(), v.Numbers.begin());
  };
  const TConfigState& data = Session().ConfigData;
  switch (Code) {
    case 'Z': set({c.Param_90}); break;
    case 'A': set({c.PG_Temper}); break;
    case 'C': set({c.PG_RPM}); break;
    case 'R':
      set({c.PG_Time, c.Param_82_Bit0, c.Save_Map, c.MonoInject, c.Param_82_Bit3, c.Param_82_Bit4, c.NoSequentInject,
           c.Param_82_Bit6, c.Param_82_Bit7});
      break;
    case '\\':
      set({c.Param_92_High, c.Param_92_Bit0, c.Param_92_Bit1, c.LPG_on, c.Param_92_Bit4, c.Param_92_Bit5,
           c.Param_92_Bit6, c.Param_92_Bit7});
      break;
    case 159:
      set({c.Param_159_H0, c.Param_159_H1, c.Param_159_H2, c.Param_159_H3, c.Param_159_H4, c.Param_159_H6,
           c.Param_159_H7, c.Param_159_L0, c.Param_159_L1, c.PG_GAS_Hot_Engine, c.Param_159_L3});
      break;
    case 'D': set({c.LPG_on, c.Param_90}); break;
    case 'E':
      set({c.Param_69_High});
      v.Text = c.RPM_PreScaler;
      break;
    case 'S':
      set({c.Param_83_Low});
      v.Text = c.Level_Type;
      break;
    case 'T': set({c.Level1, c.Level_Invert, c.Level_90, c.Level_Buzzer, c.GP_Buzzer}); break;
    case 'U': set({c.Level2}); break;
    case 'V': set({c.Level3}); break;
    case 'W': set({c.Level4}); break;
    case 'X': set({c.Level5}); break;
    case 146: set({c.Param_146, c.Param_90}); break;
    case 147: set({c.Param_147, c.Param_146, c.Param_90}); break;
    case 148: set({c.Param_148, c.Param_146, c.Param_90}); break;
    case 149: set({c.Param_149}); break;
    case 150: set({c.Param_150, c.Param_149}); break;
    case 151: set({c.Param_151, c.Param_149}); break;
    case 152: set({c.Param_152}); break;
    case 153: set({c.Param_153, c.Param_152}); break;
    default: {
      int which = 0;
      const int p = PointOfCode(Code, which);
      if (p < 0) return std::nullopt;
      // A slope follows its segment's two points (the first one is fixed); a petrol time
      // carries whether its point is flagged.
      if (which == 0 && p > 0)
        set({data.DiagramPointX[p - 1], data.DiagramPointY[p - 1], data.DiagramPointX[p], data.DiagramPointY[p]});
      else if (which == 1)
        set({data.DiagramPointY[p]});
      else if (which == 2)
        set({data.DiagramPointX[p], data.FlaggedPoint == p});
      break;
    }
  }
  return v;
}

bool Param_Encode(std::uint8_t Code, const Configuration_Class& c, std::array<std::uint8_t, 3>& Triple) {
  bool carries = false;
  return EncodeParam(Code, c, Triple, carries);
}

int Param_Pack_List(const Configuration_Class& Config, std::span<std::uint8_t> Out) {
  std::size_t at = 0;
  std::vector<TParamWritten>& written = Session().Link.WrittenParams;
  written.clear();
  for (int i = 1; i <= Session().Link.ReadList.Count; ++i) {
    std::array<std::uint8_t, 3> triple{};
    const std::uint8_t code = Session().Link.ReadList.Codes[i];
    bool carries = false;
    if (!EncodeParam(code, Config, triple, carries)) continue;
    if (at + 3 > Out.size()) break;
    for (std::uint8_t b : triple) Out[at++] = b;
    written.push_back(
        {code, HiLoToWord(triple[1], triple[2]), carries ? ParamValues(code, Config) : std::optional<TParamValues>()});
  }
  return static_cast<int>(at);
}

void Param_List_Taken() {
  TLinkState& link = Session().Link;
  for (const TParamWritten& p : link.WrittenParams) {
    // Bytes that could not carry their values (a temperature without the sensor table) were
    // the ECU's own already, standing for what they stood for.
    if (!p.Values) continue;
    link.ReceivedParams[p.Code] = p.Bytes;
    link.HeldValues[p.Code] =
        IsPercentCode(p.Code) && IsNoValue(static_cast<std::uint8_t>(p.Bytes >> 8)) ? std::nullopt : p.Values;
  }
  link.WrittenParams.clear();
}

void Point_Params_Received(int Point, std::span<const std::uint8_t, 6> Record) {
  const auto codes = PointCodes(Point);
  for (std::size_t w = 0; w < codes.size(); ++w) {
    Session().Link.ReceivedParams[codes[w]] = HiLoToWord(Record[2 * w], Record[2 * w + 1]);
    Session().Link.HeldValues[codes[w]].reset();
  }
}

void Point_Params_Hold(int Points) {
  if (!Session().ConfigData.Configuration) return;
  for (int i = 0; i < Points; ++i)
    for (std::uint8_t code : PointCodes(i))
      Session().Link.HeldValues[code] = ParamValues(code, *Session().ConfigData.Configuration);
}

void Decode_Param_Reply(std::span<const std::uint8_t> Frame, Configuration_Class& Config) {
  Session().Link.RxIndex = 1;
  Param_Read_List_All();
  // The values end before the checksum.
  const int dataEnd = static_cast<int>(Frame.size()) - 1;
  int decoded = 0;
  for (int i = 1; i <= Session().Link.ReadList.Count; ++i) {
    Session().Link.RxIndex += 2;
    if (Session().Link.RxIndex >= dataEnd) break;
    const std::uint8_t code = Session().Link.ReadList.Codes[i];
    const std::uint8_t h = Frame[Session().Link.RxIndex - 1], l = Frame[Session().Link.RxIndex];
    Session().Link.ReceivedParams[code] = HiLoToWord(h, l);
    Session().Link.HeldValues[code].reset();
    Param_Decode(code, h, l, Config);
    decoded = i;
  }
  // The values the ECU's bytes stand for, once all are in (a value may read others: a
  // percentage its reference).
  for (int i = 1; i <= decoded; ++i) {
    const std::uint8_t code = Session().Link.ReadList.Codes[i];
    Session().Link.HeldValues[code] = HeldFor(code, Session().Link.ReceivedParams[code], Config);
  }
}

}  // namespace ecu
