#include "ecu/Config_Unit.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "ecu/Calc_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

rtl::TClass Configuration_Class::StaticClass() {
  static const rtl::TClassInfo info{RtlClassName, rtl::ClassOf<inherited>(), {}, {}, {}};
  return &info;
}

rtl::TClass Level_Sensor_Box_Class::StaticClass() {
  static const rtl::TClassInfo info{RtlClassName, rtl::ClassOf<inherited>(), {}, {}, {}};
  return &info;
}

std::int32_t& Configuration_Class::Level(int Number) {
  switch (Number) {
    case 1: return Level1;
    case 2: return Level2;
    case 3: return Level3;
    case 4: return Level4;
    default: return Level5;
  }
}

namespace {

struct LevelSensorRow {
  const char* name;
  std::uint8_t invert, level90;
  std::array<std::int32_t, 5> levels;
};

constexpr LevelSensorRow LevelSensorRows[] = {
    {"RESERVE", 0, 0, {100, 100, 100, 100, 100}},
    {"AEB 1050", 1, 0, {806, 512, 306, 213, 47}},
    {"HANA", 1, 1, {295, 238, 183, 148, 42}},
    {"110 - 0 Om", 0, 1, {248, 184, 147, 104, 55}},
    {"SOFTWARE", 1, 0, {850, 680, 510, 340, 170}},
    {"AEB 806", 1, 0, {930, 773, 634, 429, 235}},
    {"0 - 90 Om", 0, 1, {55, 104, 147, 184, 248}},
    {"30k - 100 Om", 1, 0, {806, 512, 306, 213, 47}},
    {"Setting", 0, 1, {55, 104, 147, 184, 248}},
};

void BuildLevelSensorTable() {
  Session().ConfigData.LevelSensorTable.clear();
  for (const LevelSensorRow& row : LevelSensorRows) {
    auto box = std::make_unique<Level_Sensor_Box_Class>();
    box->Name = row.name;
    box->Invert = row.invert;
    box->Level_90 = row.level90;
    box->Levels = row.levels;
    Session().ConfigData.LevelSensorTable.push_back(std::move(box));
  }
}

Configuration_Class& Model() {
  if (!Session().ConfigData.Configuration) Session().ConfigData.Configuration = std::make_unique<Configuration_Class>();
  return *Session().ConfigData.Configuration;
}

// Number of MAP points a file holds: what the ECU keeps, never more than the arrays.
int FileMapPointCount() { return std::min<int>(Session().ConfigData.MapPointCount, MapPointCapacity); }

std::string FileNameOnly(const std::string& path) {
  const std::string native = NativeFileName(path);
  const std::size_t slash = native.rfind('/');
  return slash == std::string::npos ? native : native.substr(slash + 1);
}

using Kind = TConfigProblemKind;

// A text field: a line that holds only its key (one blank) gives an empty text. A text
// holding a NUL byte is cut at it (the text boxes would show no more, and a save from the
// page would keep no more), without the blanks the cut leaves at its end, which the file would
// not give back. A missing key and a cut are noted while a whole file is loaded.
void ReadText(const char* key, std::string& field, bool note = true) {
  if (!KeyFileFind(key)) {
    if (note) NoteConfigProblem(Kind::Missing, key, "", "a text", field);
    return;
  }
  const std::string& value = Session().Files.KeyFileValue;
  field = value == " " ? std::string() : value;
  const std::size_t nul = field.find('\0');
  if (nul == std::string::npos) return;
  field = KeyFileCutText(field);
  if (note) NoteConfigProblem(Kind::CutAtNul, key, value, "", field);
}

// A text that must be one of a list of names.
template <typename IsName>
void ReadName(const char* key, std::string& field, IsName isName, const char* expected) {
  if (!KeyFileFind(key)) {
    NoteConfigProblem(Kind::Missing, key, "", expected, field);
  } else if (!isName(Session().Files.KeyFileValue)) {
    NoteConfigProblem(Kind::OutOfRange, key, Session().Files.KeyFileValue, expected, field);
  } else {
    field = Session().Files.KeyFileValue;
  }
}

std::string RangeText(const TValueRange& range) {
  return std::to_string(range.Min) + ".." + std::to_string(range.Max);
}

// A whole number within its range; a number outside it is clamped (PG_RPM's gap below 458
// is closed by the caller's clamp).
void ReadInt(const std::string& key, std::int32_t& field, const TValueRange& range, bool optional = false,
             std::int32_t (*clamp)(std::int64_t) = nullptr, const char* expected = nullptr) {
  const auto allowed = [&] { return expected ? std::string(expected) : RangeText(range); };
  if (!KeyFileReadInt(key)) {
    if (Session().Files.KeyFileFoundIndex < 0) {
      if (!optional) NoteConfigProblem(Kind::Missing, key, "", allowed(), std::to_string(field));
    } else {
      NoteConfigProblem(Kind::Unreadable, key, Session().Files.KeyFileValue, "a whole number", std::to_string(field));
    }
    return;
  }
  const std::int32_t kept = clamp ? clamp(Session().Files.KeyFileInt) : range.Clamp(Session().Files.KeyFileInt);
  if (kept != Session().Files.KeyFileInt)
    NoteConfigProblem(Kind::OutOfRange, key, Session().Files.KeyFileValue, allowed(), std::to_string(kept));
  field = kept;
}

void ReadBool(const char* key, std::uint8_t& field) {
  if (KeyFileReadBool(key))
    field = Session().Files.KeyFileBool;
  else if (Session().Files.KeyFileFoundIndex < 0)
    NoteConfigProblem(Kind::Missing, key, "", "True or False", BoolToText(field != 0));
  else
    NoteConfigProblem(Kind::Unreadable, key, Session().Files.KeyFileValue, "True or False", BoolToText(field != 0));
}

// The numbered keys of a file, made once: Level1..Level5, Gas_Point_0.., Petrol_Point_0..,
// MAP_Gas_1.., MAP_Petrol_1.. (index n holds key n).
struct TNumberedKeys {
  std::array<std::string, 6> Level;
  std::array<std::string, DiagramPointCount> GasPoint, PetrolPoint;
  std::array<std::string, MapPointCapacity + 1> MapGas, MapPetrol;
};

const TNumberedKeys& NumberedKeys() {
  static const TNumberedKeys keys = [] {
    TNumberedKeys k;
    for (std::size_t n = 1; n < k.Level.size(); ++n) k.Level[n] = "Level" + std::to_string(n);
    for (std::size_t n = 0; n < k.GasPoint.size(); ++n) {
      k.GasPoint[n] = "Gas_Point_" + std::to_string(n);
      k.PetrolPoint[n] = "Petrol_Point_" + std::to_string(n);
    }
    for (std::size_t n = 1; n < k.MapGas.size(); ++n) {
      k.MapGas[n] = "MAP_Gas_" + std::to_string(n);
      k.MapPetrol[n] = "MAP_Petrol_" + std::to_string(n);
    }
    return k;
  }();
  return keys;
}

void ReadCustomerKeys(Configuration_Class& c, bool note) {
  ReadText("User_Name", c.User_Name, note);
  ReadText("User_Phone", c.User_Phone, note);
  ReadText("Date_Mounting", c.Date_Mounting, note);
  ReadText("Data_KM", c.Data_KM, note);
  ReadText("Car_Jet", c.Car_Jet, note);
  ReadText("Car_Comments", c.Car_Comments, note);
}

void SetText(const std::string& key, const std::string& value) { KeyFileSet(key, value, ""); }
void SetInt(const std::string& key, std::int32_t value) { KeyFileSet(key, std::to_string(value), ""); }
void SetBool(const std::string& key, std::uint8_t value) { KeyFileSet(key, BoolToText(value != 0), ""); }

// The page's numbers, converted before anything of the model changes.
// The page's numbers. A text that is not a number keeps the model's value, and the first
// such text's conversion error is kept, to be raised once the rest of the page is applied.
struct PageNumbers {
  std::int32_t pgRPM, pgTemper, pgTime;
  std::string error;
};

// The label of a page's number box, as the installer reads it beside the box.
std::string PageBoxLabel(const std::string& Key) {
  return LanguageStorePresent() ? LngText(Key) : LngTextFromFile(Key);
}

// A decimal number as typed into the page (blanks, a sign, digits with a point or comma, an
// exponent), however large: one too large for a double is infinite, to be held to its range.
// An empty text is 0; nullopt for a text that is no number.
std::optional<double> PageRealNumber(const std::string& Text) {
  const std::string text = CommaToPoint(Text);
  double v = 0;
  if (text.empty()) return 0.0;
  if (rtl::TryStrToFloat(text, v)) return v;
  // Not converted: a number all the same when only its size stopped it.
  std::size_t i = 0, e = text.size();
  while (i < e && text[i] == ' ') ++i;
  while (e > i && text[e - 1] == ' ') --e;
  const bool negative = i < e && text[i] == '-';
  if (i < e && (text[i] == '+' || text[i] == '-')) ++i;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < e && text[i] >= '0' && text[i] <= '9') ++i;
    return i - from;
  };
  std::size_t mantissa = digits();
  if (i < e && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return std::nullopt;
  if (i < e && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < e && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return std::nullopt;
  }
  if (i != e) return std::nullopt;
  return negative ? -HUGE_VAL : HUGE_VAL;
}

// The delay's text in tenths, held to its range (the text's value may lie far beyond what
// an integer or a double holds); the conversion error for a text that is no number.
std::int32_t PageTenths(const std::string& Text) {
  const std::optional<double> seconds = PageRealNumber(Text);
  const double v = seconds ? *seconds : TextToFloat(Text);  // the latter raises
  return ClampPGTime(FloatToInt(std::clamp(v * 10, -1.0, 256.0)));
}

// A whole number as typed into the page: the integer conversion's form (leading blanks, a
// sign, decimal digits or "$"/"0x" and hex digits), however many digits. Beyond what any
// range of the page holds it stops growing, so that a number too long for an integer is
// held to its range like any other; nullopt for a text that is no whole number.
std::optional<std::int64_t> PageWholeNumber(const std::string& Text) {
  constexpr std::int64_t Beyond = std::int64_t{1} << 40;
  std::size_t i = 0;
  while (i < Text.size() && Text[i] == ' ') ++i;
  bool negative = false;
  if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) negative = Text[i++] == '-';
  int base = 10;
  if (i < Text.size() && (Text[i] == '$' || Text[i] == 'x' || Text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < Text.size() && Text[i] == '0' && (Text[i + 1] == 'x' || Text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == Text.size()) return std::nullopt;
  std::int64_t v = 0;
  for (; i < Text.size(); ++i) {
    const char c = Text[i];
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return std::nullopt;
    v = std::min(v * base + d, Beyond);
  }
  return negative ? -v : v;
}

// The page's whole number, or the integer conversion's error for a text that is none.
std::int64_t PageInteger(const std::string& Text) {
  if (const std::optional<std::int64_t> v = PageWholeNumber(Text)) return *v;
  return rtl::StrToInt64(Text);  // raises, naming the text
}

// The temperature held to its range, then to what the sensor table carries (when there is one).
std::int32_t PageTemperature(std::int64_t Degrees) {
  const std::int32_t t = PGTemperRange.Clamp(Degrees);
  return TemperatureAsCarried(t).value_or(t);
}

PageNumbers ConvertPageNumbers(const TCFGPageValues& page) {
  const Configuration_Class& c = Model();
  PageNumbers n{c.PG_RPM, c.PG_Temper, c.PG_Time, {}};
  const auto take = [&n](const char* LabelKey, const auto& Convert) {
    try {
      Convert();
    } catch (const rtl::EConvertError& e) {
      if (n.error.empty()) n.error = PageBoxLabel(LabelKey) + ": " + e.what();
    }
  };
  // A number as the page shows the model's is the model's: the ECU's own value (a speed below
  // what the page holds one to, a temperature the table reads back as another) stays as it is.
  const TCFGPageValues shown = ConfigToCFGPageValues();
  take("CFG_Config_PG_RPM", [&] {
    if (page.PG_RPM != shown.PG_RPM) n.pgRPM = ClampPGRPM(PageInteger(page.PG_RPM));
  });
  take("CFG_Config_PG_Temper", [&] {
    if (page.PG_Temper != shown.PG_Temper) n.pgTemper = PageTemperature(PageInteger(page.PG_Temper));
  });
  take("CFG_Config_PG_Time", [&] {
    if (page.PG_Time != shown.PG_Time) n.pgTime = PageTenths(page.PG_Time);
  });
  return n;
}

void ApplyPage(const TCFGPageValues& page, const PageNumbers& n) {
  Configuration_Class& c = Model();
  c.RPM_PreScaler = page.RPM_Prescaler;
  c.PG_RPM = n.pgRPM;
  c.PG_Temper = n.pgTemper;
  // The injection chosen on the page ends a single-point injection; while the page shows the
  // model's, the ECU's flag stays.
  if (page.Injection != (c.NoSequentInject ? "Full group" : "Sequent")) c.MonoInject = 0;
  c.NoSequentInject = page.Injection == "Full group" ? 1 : 0;
  if (page.Gas_Type == "LPG") {
    c.LPG_on = 1;
    c.Param_68 = 5;
  } else {
    c.LPG_on = 0;
    c.Param_68 = 10;
  }
  c.GP_Buzzer = page.GP_Buzzer;
  c.Level_Buzzer = page.LevelGas_Buzzer;
  c.PG_GAS_Hot_Engine = page.PG_GAS_Hot_Engine;
  c.User_Name = page.User_Name;
  c.User_Phone = page.User_Phone;
  c.Date_Mounting = page.User_Install_Date;
  c.Data_KM = page.User_Install_KM;
  c.Car_Jet = page.User_Gas_Jets;
  c.Car_Comments = page.User_Notice;
  c.PG_Time = n.pgTime;
}

}  // namespace

void CreateConfiguration(const std::string& CfgFullFileName) {
  Session().ConfigData.MapPointCount = MapPointCapacity;
  Session().ConfigData.Configuration = std::make_unique<Configuration_Class>();
  InitInjectorTable();
  BuildLevelSensorTable();
  SetDefaultConfiguration();
  LoadConfigFile(CfgFullFileName);
  if (Session().Hosts.Host) {
    Session().Hosts.Host->BuildCalibrationDiagram();
    Session().Hosts.Host->ConfigToCFGPage();
  }
}

void FreeConfiguration() {
  Session().ConfigData.Configuration.reset();
  Session().ConfigData.LevelSensorTable.clear();
}

void SetDefaultConfiguration() {
  Configuration_Class& c = Model();
  c.RPM_PreScaler = "1:2";
  c.Param_92_Bit1 = 1;
  c.Param_159_H1 = 1;
  c.PG_Temper = 40;
  c.PG_RPM = 1000;
  c.Param_82_Bit7 = 0;
  c.PG_Time = 20;
  c.Param_92_High = 5;
  c.Param_159_H6 = 1;
  c.PG_GAS_Hot_Engine = 0;
  c.GP_Buzzer = 0;
  c.Param_68 = c.LPG_on ? 5 : 10;  // follows the gas type chosen so far
  c.Param_159_H0 = 0;
  c.Param_69_High = 10;
  c.Param_92_Bit0 = 0;
  c.Param_159_L0 = 0;
  c.Param_159_L1 = 0;
  c.Injector_Type = "RAIL IG1 3 Om";
  c.Cylinders = 4;
  c.Point_Limit = 32;
  c.Param_159_H2 = 0;
  c.Param_159_H3 = 0;
  c.Param_92_Bit6 = 0;
  c.Param_159_H4 = 0;
  c.Param_82_Bit6 = 0;
  c.NoSequentInject = 0;
  c.MonoInject = 0;
  c.Param_92_Bit4 = 1;
  c.Param_92_Bit5 = 0;
  c.Param_159_H7 = 0;
  c.Param_159_L3 = 0;
  c.Save_Map = 0;
  c.Param_92_Bit7 = 0;
  c.Level_Type = "0 - 90 Om";
  c.Param_83_Low = 64;
  c.Level_Buzzer = 0;
  if (const int row = LevelTypeIndex(c.Level_Type); row > 0) {
    const LevelSensorRow& box = LevelSensorRows[row - 1];
    c.Level_Invert = box.invert;
    c.Level_90 = box.level90;
    for (int i = 1; i <= 5; ++i) c.Level(i) = box.levels[static_cast<std::size_t>(i - 1)];
  }
  c.Param_90 = 1315;
  c.Param_82_Bit0 = 0;
  c.LPG_on = 1;
  c.Param_146 = 100;
  c.Param_148 = 30;
  c.Param_147 = 50;
  c.Param_149 = 40;
  c.Param_151 = 10;
  c.Param_150 = 10;
  c.Param_152 = 1400;
  c.Param_153 = 50;
  c.Param_82_Bit3 = 1;
  c.Param_82_Bit4 = 0;
  ClearCustomerTexts();
  if (Session().Hosts.Host) {
    Session().Hosts.Host->CalcDiagramPoints();
    Session().Hosts.Host->SetDefaultMapRPM();
    Session().Hosts.Host->RefreshMapRPMCells();
  }
}

void ClearCustomerTexts() {
  Configuration_Class& c = Model();
  c.Car_Jet.clear();
  c.Date_Mounting.clear();
  c.Data_KM.clear();
  c.User_Name.clear();
  c.User_Phone.clear();
  c.Car_Comments.clear();
}

std::int32_t ClampPGRPM(std::int64_t RPM) {
  if (RPM <= 0) return 0;
  return PGRPMRange.Clamp(std::max<std::int64_t>(RPM, PGRPMLowest));
}

std::int32_t ClampPGTime(std::int64_t Tenths) {
  const std::int32_t t = PGTimeRange.Clamp(Tenths);
  return t == PGTimeNone ? PGTimeNone - 1 : t;
}

void NoteConfigProblem(TConfigProblemKind Kind, const std::string& Key, const std::string& Value,
                       const std::string& Expected, const std::string& Used) {
  Session().ConfigData.ConfigLoadReport.Problems.push_back({Kind, Key, Value, Expected, Used});
}

std::vector<std::string> ConfigLoadReportLines(const TConfigLoadReport& Report) {
  std::vector<std::string> lines;
  // Missing keys on one line; numbered keys of one name, when more than three are missed, as
  // the name and their count ("Cell_ (95 keys)").
  auto nameOf = [](const std::string& key) { return key.substr(0, key.find_first_of("0123456789")); };
  std::map<std::string, int> counts;
  for (const TConfigProblem& p : Report.Problems)
    if (p.Kind == Kind::Missing) ++counts[nameOf(p.Key)];
  std::set<std::string> grouped;
  std::string missing;
  for (const TConfigProblem& p : Report.Problems) {
    if (p.Kind != Kind::Missing) continue;
    const std::string name = nameOf(p.Key);
    std::string shown = p.Key;
    if (name != p.Key && counts[name] > 3) {
      if (!grouped.insert(name).second) continue;
      shown = name + " (" + std::to_string(counts[name]) + " keys)";
    }
    missing += (missing.empty() ? "" : ", ") + shown;
  }
  if (!missing.empty()) lines.push_back("Missing, defaults kept: " + missing);
  // Cut keys and lines without a key, each kind on one line.
  std::vector<std::string> cutKeys, keyless, shortened;
  for (const TConfigProblem& p : Report.Problems) {
    if (p.Kind == Kind::KeyCut) cutKeys.push_back(p.Value);
    if (p.Kind == Kind::Keyless) keyless.push_back(p.Value);
    if (p.Kind == Kind::Shortened) shortened.push_back(p.Value);
  }
  for (std::string& line : KeyFileLoadChangeLines(cutKeys, keyless, shortened)) lines.push_back(std::move(line));
  for (const TConfigProblem& p : Report.Problems) {
    const std::string value = "\"" + PrintableFileText(p.Value) + "\"";
    const std::string used = p.Used.empty() ? "\"\"" : PrintableFileText(p.Used);
    switch (p.Kind) {
      case Kind::Missing:
      case Kind::KeyCut:
      case Kind::Keyless:
      case Kind::Shortened: break;
      case Kind::CutAtNul:
        lines.push_back(p.Key + ": " + value + " holds a NUL byte, which ends a text; \"" + PrintableFileText(p.Used) +
                        "\" kept");
        break;
      case Kind::Unreadable:
        lines.push_back(p.Key + ": " + value + " is not " + p.Expected + "; " + used + " kept");
        break;
      case Kind::OutOfRange:
        lines.push_back(p.Key + ": " + value + " is outside " + p.Expected + "; " + used + " used");
        break;
      case Kind::Repeated:
        lines.push_back(PrintableFileText(p.Key) + ": given again as " + value +
                        "; the first value is used and that line is dropped");
        break;
    }
  }
  return lines;
}

bool KeyStoreHoldsConfiguration() {
  // The keys the loader reads by name; the numbered ones below.
  static constexpr const char* Named[] = {
      "Work_Gas",  "Work_Petrol",     "Save_Map",   "RPM_PreScaler", "PG_RPM",     "PG_Temper",    "PG_GAS_Hot_Engine",
      "GP_Buzzer", "NoSequentInject", "MonoInject", "LPG_on",        "Level_Type", "Level_Buzzer", "Level_Invert",
      "Level_90",  "User_Name",       "User_Phone", "Date_Mounting", "Data_KM",    "Car_Jet",      "Car_Comments"};
  for (const char* key : Named)
    if (KeyFileFind(key)) return true;
  const TNumberedKeys& keys = NumberedKeys();
  for (std::size_t n = 1; n < keys.Level.size(); ++n)
    if (KeyFileFind(keys.Level[n])) return true;
  for (std::size_t n = 0; n < DiagramPointCount; ++n)
    if (KeyFileFind(keys.GasPoint[n]) || KeyFileFind(keys.PetrolPoint[n])) return true;
  for (std::size_t n = 1; n <= static_cast<std::size_t>(FileMapPointCount()); ++n)
    if (KeyFileFind(keys.MapGas[n]) || KeyFileFind(keys.MapPetrol[n])) return true;
  return Session().Hosts.Host && Session().Hosts.Host->MapRPMKeysPresent();
}

namespace {

// LoadConfigFile, with the defaults put in place first when Defaults is set, once the file is
// known to hold a configuration.
bool LoadConfig(const std::string& CfgFullFileName, bool Defaults) {
  Session().ConfigData.ConfigLoadReport = {};
  Session().ConfigData.ConfigLoadReport.FileName = CfgFullFileName;
  if (!KeyFileLoad(CfgFullFileName)) return false;
  try {
    if (!KeyStoreHoldsConfiguration()) {
      KeyFileClose();
      Session().ConfigData.ConfigLoadReport.NoConfiguration = true;
      return false;
    }
    // The defaults touch the diagram and the R.P.M. map, never the store.
    if (Defaults) SetDefaultConfiguration();
  } catch (...) {
    KeyFileClose();
    throw;
  }
  // What the load itself dropped or cut: repeated keys with their values, cut keys, lines
  // without a key.
  std::vector<std::string> repeatedKeys = std::move(Session().Files.KeyFileRepeatedKeys),
                           repeatedValues = std::move(Session().Files.KeyFileRepeatedValues),
                           cutKeys = std::move(Session().Files.KeyFileCutKeys),
                           keyless = std::move(Session().Files.KeyFileKeylessLines),
                           shortened = std::move(Session().Files.KeyFileShortenedLines);
  Configuration_Class& c = Model();
  c.Cfg_Name = StripExtension(FileNameOnly(CfgFullFileName));

  // Minutes of work: missing or unreadable gives 0.
  for (auto [key, field] : {std::pair{"Work_Gas", &c.Work_Gas}, std::pair{"Work_Petrol", &c.Work_Petrol}}) {
    *field = 0;
    ReadInt(key, *field, WorkMinutesRange);
  }

  ReadBool("Save_Map", c.Save_Map);
  ReadName("RPM_PreScaler", c.RPM_PreScaler,
           [](const std::string& v) { return IndexOfText(static_cast<int>(RPMPrescalerItems.size()), v, RPMPrescalerItems) > 0; },
           "one of 1:1 .. 1:6");
  ReadInt("PG_RPM", c.PG_RPM, PGRPMRange, false, ClampPGRPM, "0 or 458..8000");
  ReadInt("PG_Temper", c.PG_Temper, PGTemperRange);
  ReadBool("PG_GAS_Hot_Engine", c.PG_GAS_Hot_Engine);
  ReadBool("GP_Buzzer", c.GP_Buzzer);
  ReadBool("NoSequentInject", c.NoSequentInject);
  ReadBool("MonoInject", c.MonoInject);
  ReadBool("LPG_on", c.LPG_on);
  ReadName("Level_Type", c.Level_Type, [](const std::string& v) { return LevelTypeIndex(v) > 0; },
           "a level-sensor type");
  ReadBool("Level_Buzzer", c.Level_Buzzer);
  ReadBool("Level_Invert", c.Level_Invert);
  ReadBool("Level_90", c.Level_90);
  const TNumberedKeys& keys = NumberedKeys();
  for (int i = 1; i <= 5; ++i) ReadInt(keys.Level[static_cast<std::size_t>(i)], c.Level(i), LevelRange);

  for (std::size_t n = 0; n < DiagramPointCount; ++n) {
    ReadInt(keys.GasPoint[n], Session().ConfigData.DiagramPointY[n], GasPointRange);
    ReadInt(keys.PetrolPoint[n], Session().ConfigData.DiagramPointX[n], PetrolPointRange);
  }

  // MAP keys are written only for points that hold something: a missing one is no fault.
  for (int n = 1; n <= FileMapPointCount(); ++n) {
    const auto i = static_cast<std::size_t>(n - 1);
    Session().ConfigData.MapPointsGas[i] = 0;
    Session().ConfigData.MapPointsPetrol[i] = 0;
    ReadInt(keys.MapGas[i + 1], Session().ConfigData.MapPointsGas[i], MapPointRange, true);
    ReadInt(keys.MapPetrol[i + 1], Session().ConfigData.MapPointsPetrol[i], MapPointRange, true);
  }

  ReadCustomerKeys(c, true);
  if (Session().Hosts.Host) {
    try {
      Session().Hosts.Host->LoadMapRPMTable();
    } catch (...) {
      KeyFileClose();
      throw;
    }
  }
  KeyFileClose();
  for (std::size_t i = 0; i < repeatedKeys.size(); ++i)
    NoteConfigProblem(Kind::Repeated, repeatedKeys[i], repeatedValues[i], "", "");
  for (const std::string& key : cutKeys) NoteConfigProblem(Kind::KeyCut, KeyFileKeyForm(key), key, "", "");
  for (const std::string& line : keyless) NoteConfigProblem(Kind::Keyless, "", line, "", "");
  for (const std::string& line : shortened) NoteConfigProblem(Kind::Shortened, "", line, "", "");
  if (Session().Hosts.Host) Session().Hosts.Host->UpdateMainCaption();
  return true;
}

}  // namespace

bool LoadConfigFile(const std::string& CfgFullFileName) { return LoadConfig(CfgFullFileName, false); }

bool LoadConfigFileOverDefaults(const std::string& CfgFullFileName) { return LoadConfig(CfgFullFileName, true); }

void ReadCustomerFromFile(const std::string& CfgFullFileName) {
  if (!KeyFileLoad(CfgFullFileName)) {
    ClearCustomerTexts();
    return;
  }
  // A file that holds no configuration is none of this name.
  if (!KeyStoreHoldsConfiguration()) {
    KeyFileClose();
    ClearCustomerTexts();
    return;
  }
  ReadCustomerKeys(Model(), false);  // the report stays that of the last whole load
  KeyFileClose();
}

void SaveConfigFile(const std::string& CfgFullFileName, const std::string& KeepKeysOf) {
  const Configuration_Class& c = Model();
  const TNumberedKeys& keys = NumberedKeys();
  KeyFileOpen(KeepKeysOf.empty() ? CfgFullFileName : KeepKeysOf);
  SetText("User_Name", c.User_Name);
  SetText("User_Phone", c.User_Phone);
  SetText("Date_Mounting", c.Date_Mounting);
  SetText("Data_KM", c.Data_KM);
  SetText("Car_Jet", c.Car_Jet);
  SetText("Car_Comments", c.Car_Comments);
  SetInt("Work_Gas", c.Work_Gas);
  SetInt("Work_Petrol", c.Work_Petrol);
  SetBool("Save_Map", c.Save_Map);
  SetText("RPM_PreScaler", c.RPM_PreScaler);
  SetInt("PG_RPM", c.PG_RPM);
  SetInt("PG_Temper", c.PG_Temper);
  SetBool("PG_GAS_Hot_Engine", c.PG_GAS_Hot_Engine);
  SetBool("GP_Buzzer", c.GP_Buzzer);
  SetBool("NoSequentInject", c.NoSequentInject);
  SetBool("MonoInject", c.MonoInject);
  SetBool("LPG_on", c.LPG_on);
  SetText("Level_Type", c.Level_Type);
  SetBool("Level_Buzzer", c.Level_Buzzer);
  SetBool("Level_Invert", c.Level_Invert);
  SetBool("Level_90", c.Level_90);
  SetInt(keys.Level[1], c.Level1);
  SetInt(keys.Level[2], c.Level2);
  SetInt(keys.Level[3], c.Level3);
  SetInt(keys.Level[4], c.Level4);
  SetInt(keys.Level[5], c.Level5);
  for (std::size_t n = 0; n < DiagramPointCount; ++n) {
    SetInt(keys.GasPoint[n], Session().ConfigData.DiagramPointY[n]);
    SetInt(keys.PetrolPoint[n], Session().ConfigData.DiagramPointX[n]);
  }
  for (int n = 1; n <= FileMapPointCount(); ++n) {
    const auto i = static_cast<std::size_t>(n - 1);
    for (const auto& [names, points] : {std::pair{&keys.MapGas, &Session().ConfigData.MapPointsGas},
                                        std::pair{&keys.MapPetrol, &Session().ConfigData.MapPointsPetrol}}) {
      const std::string& key = (*names)[i + 1];
      // A point of 0 has no line; one whose text could not be read loaded as 0 (and was
      // reported), so its line goes too and the saved file loads as the model is.
      if ((*points)[i] != 0)
        SetInt(key, (*points)[i]);
      else
        KeyFileDelete(key);
    }
  }
  if (Session().Hosts.Host) {
    try {
      Session().Hosts.Host->SaveMapRPMTable();
    } catch (...) {
      KeyFileClose();
      throw;
    }
  }
  KeyFileSave(CfgFullFileName);
}

TCFGPageValues ConfigToCFGPageValues() {
  const Configuration_Class& c = Model();
  TCFGPageValues p;
  p.RPM_Prescaler = c.RPM_PreScaler;
  p.PG_RPM = std::to_string(c.PG_RPM);
  p.PG_Temper = std::to_string(c.PG_Temper);
  p.Injection = c.NoSequentInject ? "Full group" : "Sequent";
  p.Gas_Type = c.LPG_on ? "LPG" : "CNG";
  p.GP_Buzzer = c.GP_Buzzer != 0;
  p.LevelGas_Buzzer = c.Level_Buzzer != 0;
  p.PG_GAS_Hot_Engine = c.PG_GAS_Hot_Engine != 0;
  p.Level_Sensor = c.Level_Type;
  const std::int32_t levels[5] = {c.Level1, c.Level2, c.Level3, c.Level4, c.Level5};
  for (std::size_t i = 0; i < 5; ++i) {
    p.LevelGas[i] = levels[i];
    p.LevelGasVolts[i] = LevelToVoltText(levels[i]);
  }
  p.PG_Time = CommaToPoint(rtl::FloatToStrF(c.PG_Time / 10.0, rtl::ffFixed, 3, 1));
  p.User_Name = c.User_Name;
  p.User_Phone = c.User_Phone;
  p.User_Install_Date = c.Date_Mounting;
  p.User_Install_KM = c.Data_KM;
  p.User_Gas_Jets = c.Car_Jet;
  p.User_Notice = c.Car_Comments;
  return p;
}

void CFG_Page_To_Config(const TCFGPageValues& Page) {
  if (Session().ConfigData.CFGPageUpdating) return;
  const PageNumbers numbers = ConvertPageNumbers(Page);
  ApplyPage(Page, numbers);
  if (!numbers.error.empty()) throw rtl::EConvertError(numbers.error);
}

bool CFGPageNumbersConvert(const TCFGPageValues& Page) {
  return PageWholeNumber(Page.PG_RPM) && PageWholeNumber(Page.PG_Temper) && PageRealNumber(Page.PG_Time);
}

void CheckCFGPageNumbers(const TCFGPageValues& Page) {
  const PageNumbers numbers = ConvertPageNumbers(Page);
  if (!numbers.error.empty()) throw rtl::EConvertError(numbers.error);
}

std::vector<TCFGPageHeld> CFGPageHeldNumbers(const TCFGPageValues& Page) {
  std::vector<TCFGPageHeld> held;
  const auto tenths = [](std::int32_t t) { return CommaToPoint(rtl::FloatToStrF(t / 10.0, rtl::ffFixed, 3, 1)); };
  if (const std::optional<std::int64_t> rpm = PageWholeNumber(Page.PG_RPM)) {
    const std::int32_t kept = ClampPGRPM(*rpm);
    // Below 458 a speed is held up to it: the range it was held into starts there.
    const bool gap = *rpm > 0 && *rpm < PGRPMLowest;
    if (kept != *rpm)
      held.push_back({"CFG_Config_PG_RPM", Page.PG_RPM, std::to_string(gap ? PGRPMLowest : PGRPMRange.Min),
                      std::to_string(PGRPMRange.Max), std::to_string(kept)});
  }
  if (const std::optional<std::int64_t> degrees = PageWholeNumber(Page.PG_Temper)) {
    // The ends the sensor table carries, or the range without a table.
    const std::int32_t low = PageTemperature(PGTemperRange.Min), high = PageTemperature(PGTemperRange.Max);
    if (*degrees < low || *degrees > high)
      held.push_back({"CFG_Config_PG_Temper", Page.PG_Temper, std::to_string(low), std::to_string(high),
                      std::to_string(PageTemperature(*degrees))});
  }
  if (const std::optional<double> seconds = PageRealNumber(Page.PG_Time)) {
    const std::int32_t typed = FloatToInt(std::clamp(*seconds * 10, -1.0, 256.0)), kept = ClampPGTime(typed);
    // 12.8 s is the ECU's code for none: held down to 12.7 s, the end of the range below it.
    const bool gap = typed == PGTimeNone;
    if (kept != typed)
      held.push_back({"CFG_Config_PG_Time", Page.PG_Time, tenths(static_cast<std::int32_t>(PGTimeRange.Min)),
                      tenths(gap ? PGTimeNone - 1 : static_cast<std::int32_t>(PGTimeRange.Max)), tenths(kept)});
  }
  return held;
}

void LevelPageToConfig(const std::array<double, 5>& TrackValues, const TCFGPageValues& Page) {
  if (Session().ConfigData.CFGPageUpdating) return;
  const PageNumbers numbers = ConvertPageNumbers(Page);
  std::array<std::int32_t, 5> levels{};
  for (std::size_t i = 0; i < 5; ++i) levels[i] = FloatToInt(TrackValues[i]);
  Configuration_Class& c = Model();
  for (int i = 1; i <= 5; ++i) c.Level(i) = levels[static_cast<std::size_t>(i - 1)];
  ApplyPage(Page, numbers);
  if (!numbers.error.empty()) throw rtl::EConvertError(numbers.error);
}

int LevelTypeIndex(const std::string& Name) {
  for (std::size_t i = 0; i < std::size(LevelSensorRows); ++i)
    if (Name == LevelSensorRows[i].name) return static_cast<int>(i) + 1;
  return 0;
}

std::string LevelTypeName(int Index) {
  if (Index < 1 || Index > static_cast<int>(std::size(LevelSensorRows))) return "Error";
  return LevelSensorRows[Index - 1].name;
}

}  // namespace ecu
