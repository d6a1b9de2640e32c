// The program's image of the ECU's configuration, the level-sensor types, the configuration
// files (".cfg"), and the values that the configuration page shows and edits.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ecu/Gas_Injectors_Unit.h"
#include "platform/rtl/Object.h"

namespace ecu {

class Configuration_Class : public rtl::TObject {
  RTL_CLASS(Configuration_Class, rtl::TObject)
public:
  // Identification (left as they are by SetDefaultConfiguration).
  std::string ECU_Name;
  std::string Firmware_Version;
  std::string ECU_Info;
  std::int32_t Work_Gas = 0;     // minutes on gas
  std::int32_t Work_Petrol = 0;  // minutes on petrol

  std::string RPM_PreScaler = "1:2";
  std::uint8_t Param_92_Bit1 = 1;
  std::uint8_t Param_159_H1 = 1;
  std::int32_t PG_Temper = 40;    // switch-over temperature, whole degrees
  std::int32_t PG_RPM = 1000;     // switch-over R.P.M.
  std::uint8_t Param_82_Bit7 = 0;
  std::int32_t PG_Time = 20;      // gas injector delay, tenths of a second
  std::int32_t Param_92_High = 5;
  std::uint8_t Param_159_H6 = 1;
  std::uint8_t PG_GAS_Hot_Engine = 0;
  std::uint8_t GP_Buzzer = 0;
  std::int32_t Param_68 = 5;      // 5 with LPG, 10 with CNG
  std::uint8_t Param_159_H0 = 0;
  std::int32_t Param_69_High = 10;
  std::uint8_t Param_92_Bit0 = 0;
  std::uint8_t Param_159_L0 = 0;
  std::uint8_t Param_159_L1 = 0;
  std::string Injector_Type = "RAIL IG1 3 Om";
  std::int32_t Cylinders = 4;
  std::int32_t Point_Limit = 32;
  std::uint8_t Param_159_H2 = 0;
  std::uint8_t Param_159_H3 = 0;
  std::uint8_t Param_92_Bit6 = 0;
  std::uint8_t Param_159_H4 = 0;
  std::uint8_t Param_82_Bit6 = 0;
  std::uint8_t NoSequentInject = 0;  // petrol injection in full group
  std::uint8_t MonoInject = 0;
  std::uint8_t Param_92_Bit4 = 1;
  std::uint8_t Param_92_Bit5 = 0;
  std::uint8_t Param_159_H7 = 0;
  std::uint8_t Param_159_L3 = 0;
  std::uint8_t Save_Map = 0;         // the ECU keeps MAP points
  std::uint8_t Param_92_Bit7 = 0;
  std::string Level_Type = "0 - 90 Om";
  std::uint8_t Level_Invert = 0;
  std::int32_t Param_83_Low = 64;
  std::uint8_t Level_90 = 1;
  std::uint8_t Level_Buzzer = 0;
  std::int32_t Level1 = 55, Level2 = 104, Level3 = 147, Level4 = 184, Level5 = 248;
  std::int32_t Param_90 = 1315;
  std::uint8_t Param_82_Bit0 = 0;
  std::uint8_t LPG_on = 1;           // gas type: 1 LPG, 0 CNG
  std::int32_t Param_146 = 100;
  std::int32_t Param_148 = 30;
  std::int32_t Param_147 = 50;
  std::int32_t Param_149 = 40;
  std::int32_t Param_151 = 10;
  std::int32_t Param_150 = 10;
  std::int32_t Param_152 = 1400;
  std::int32_t Param_153 = 50;
  std::uint8_t Param_82_Bit3 = 1;
  std::uint8_t Param_82_Bit4 = 0;
  std::string Cfg_Name;  // name of the configuration file kept in the ECU

  // Customer texts.
  std::string Car_Jet;
  std::string Date_Mounting;
  std::string Data_KM;
  std::string User_Name;
  std::string User_Phone;
  std::string Car_Comments;

  // Level1 .. Level5 by number 1..5.
  std::int32_t& Level(int Number);
};

// One level-sensor type.
class Level_Sensor_Box_Class : public rtl::TObject {
  RTL_CLASS(Level_Sensor_Box_Class, rtl::TObject)
public:
  std::string Name;
  std::uint8_t Invert = 0;
  std::uint8_t Level_90 = 0;
  std::array<std::int32_t, 5> Levels{};
};

// Calibration points and MAP points of the configuration (see TConfigState).
constexpr int DiagramPointCount = 9;
constexpr int MapPointCapacity = 32;

// What the configuration asks of the windows around it (the calibration diagram, the R.P.M.
// map, the caption, the configuration page and the transmit timer) it asks of the installed
// host (ecu/Host.h); without one these steps are skipped.

// Item lists of the configuration page's choices.
inline const std::array<std::string, 6> RPMPrescalerItems = {"1:1", "1:2", "1:3", "1:4", "1:5", "1:6"};
inline const std::array<std::string, 2> InjectionItems = {"Sequent", "Full group"};
inline const std::array<std::string, 2> GasTypeItems = {"LPG", "CNG"};
// The five types the page offers.
inline const std::array<std::string, 5> LevelSensorItems = {"0 - 90 Om", "110 - 0 Om", "30k - 100 Om", "AEB 806",
                                                            "Setting"};

// What the values of the configuration can hold: the ECU parameter that carries each (a
// switch-over speed as a 16-bit period, a level threshold as a 10-bit reading, a point's
// petrol time in 15 bits). The file loader keeps a value within its range and reports one
// outside it; the parameter encoders clamp to it again before they pack a value.
struct TValueRange {
  std::int64_t Min, Max;
  bool Holds(std::int64_t Value) const { return Value >= Min && Value <= Max; }
  std::int32_t Clamp(std::int64_t Value) const {
    return static_cast<std::int32_t>(Value < Min ? Min : Value > Max ? Max : Value);
  }
};
constexpr TValueRange WorkMinutesRange{0, 2147483647};
// The switch-over speed: 0 (none) or 458..8000. A period of two bytes cannot carry a speed
// below 458, and the ECU counts any period shorter than 8000's as 8000.
constexpr TValueRange PGRPMRange{0, 8000};
constexpr std::int32_t PGRPMLowest = 458;
std::int32_t ClampPGRPM(std::int64_t RPM);
// Whole degrees of the sensor table, whose entries are 16-bit tenths of a degree.
constexpr TValueRange PGTemperRange{-3276, 3276};
// The gas injectors' delay in tenths of a second, one byte; 128 is the ECU's code for none
// (what 0 is sent as), so the delay 12.8 s is held to 12.7 s (PGTimeNone, ClampPGTime).
constexpr TValueRange PGTimeRange{0, 255};
constexpr std::int32_t PGTimeNone = 128;
std::int32_t ClampPGTime(std::int64_t Tenths);
constexpr TValueRange LevelRange{0, 1023};
constexpr TValueRange GasPointRange{0, 65535};
constexpr TValueRange PetrolPointRange{0, 32767};
// MAP points in 10 us: what a byte of the ECU's MAP block gives (255 x 128 / 10).
constexpr TValueRange MapPointRange{0, 3264};

// What a load could not take from its file. A missing or unreadable value leaves the field as it
// was (its default); a value outside its range is clamped into it; of a repeated key the first line
// counts and the later ones are dropped (a save writes none of them); a text holding a NUL byte
// (which ends a text wherever it is shown) is cut at it (CutAtNul); a key longer than the key
// column is held cut to it (KeyCut: Value holds the file's whole key), a line that names no key is
// dropped (Keyless: Value holds the line), and a line whose value or comment the line grammar holds
// otherwise than written is noted (Shortened: Value holds the line).
enum class TConfigProblemKind { Missing, Unreadable, OutOfRange, Repeated, CutAtNul, KeyCut, Keyless, Shortened };
struct TConfigProblem {
  TConfigProblemKind Kind;
  std::string Key;       // as the program writes it; a repeated or cut key as the file has it
  std::string Value;     // the file's text (empty for a missing key)
  std::string Expected;  // what the key takes ("a whole number", "0..1023", ...)
  std::string Used;      // what the configuration holds now
};
struct TConfigLoadReport {
  std::string FileName;
  std::vector<TConfigProblem> Problems;
  // The file opened but gave not one key of a configuration (random bytes, a settings file, a
  // picture): nothing of it was taken, and nothing changed.
  bool NoConfiguration = false;
};

// The configuration and what belongs with it: the model, the level-sensor and injector tables,
// the calibration data that the link, the calibration pages and the files share, and the
// files and folder it is read from. GUI thread only.
struct TConfigState {
  std::unique_ptr<Configuration_Class> Configuration;
  // The nine level-sensor types, numbered 1..9 (entry 0 of the vector is type 1).
  std::vector<std::unique_ptr<Level_Sensor_Box_Class>> LevelSensorTable;
  // The gas-injector type names; type number n is entry n-1 (0 means "not in the table").
  std::array<std::string, InjectorTypeCount> InjectorNames;

  // The petrol (X) and gas (Y) times of the nine calibration points.
  std::array<std::int32_t, DiagramPointCount> DiagramPointX{};
  std::array<std::int32_t, DiagramPointCount> DiagramPointY{};
  // The slope of each segment (entry 0 fixed at 1.0), the point whose petrol time the ECU
  // flags (0..8), and the point selected on the calibration page (-1: none).
  std::array<double, DiagramPointCount> DiagramSlopes{1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
  std::uint8_t FlaggedPoint = 0;
  std::int32_t SelectedPoint = -1;
  // The MAP points (0 = none; MAP point n of the file is entry n-1), and how many of them the
  // ECU keeps (32 until the identification reply gives it). Files use at most
  // MapPointCapacity of them, whatever the ECU reports.
  std::array<std::int32_t, MapPointCapacity> MapPointsGas{};
  std::array<std::int32_t, MapPointCapacity> MapPointsPetrol{};
  std::uint8_t MapPointCount = 32;

  // Set while the configuration page is being filled from the model; the page's change
  // handlers (CFG_Page_To_Config, LevelPageToConfig) do nothing meanwhile.
  std::uint8_t CFGPageUpdating = 0;
  // The folder of the configuration files (made by the main window at its creation).
  std::string ConfigDir = "Config";
  // The report of the last LoadConfigFile (no problems when the whole file was read).
  TConfigLoadReport ConfigLoadReport;

  // The temperature-sensor table file (1024 signed 16-bit little-endian values, entry i the
  // temperature in tenths of a degree for the 10-bit reading i); the main window sets the
  // name at its creation. While SensorTableMessageArmed is 1, a table that cannot be used
  // (missing, no regular file, unreadable, not 2048 bytes) shows the message window's table
  // message (kind 12, naming what is wrong) once, as soon as the main window has shown, and
  // clears it; the next good reading sets it again.
  std::string SensorTableFileName = "gascal.dat";
  std::uint8_t SensorTableMessageArmed = 1;

  // Everything back to its state at program start (the model freed).
  void Reset() { *this = TConfigState(); }
};

// Notes a problem of the load under way (the R.P.M. map notes those of its keys).
void NoteConfigProblem(TConfigProblemKind Kind, const std::string& Key, const std::string& Value,
                       const std::string& Expected, const std::string& Used);
// The report for the installer: the missing keys on one line, the cut keys on one line, the
// lines without a key on one line, then one line per other problem. Control bytes of a file's
// text are shown as \xNN and long texts are cut.
std::vector<std::string> ConfigLoadReportLines(const TConfigLoadReport& Report);

// Creates the configuration, the injector and level-sensor tables, puts the defaults in place,
// loads the given configuration file (when it exists) and builds the diagram.
void CreateConfiguration(const std::string& CfgFullFileName);
// Frees what CreateConfiguration made.
void FreeConfiguration();

// Every default in field order; the level thresholds and flags from the row of Level_Type;
// Param_68 follows the gas type chosen before (5 with LPG, 10 with CNG), then LPG is chosen;
// the customer texts are emptied; then the default curve and R.P.M. map.
void SetDefaultConfiguration();
void ClearCustomerTexts();

// Reads a ".cfg" file into the model (the callers put the defaults in place first). Cfg_Name
// becomes the file's name without folder and extension. False, with nothing changed, when the
// file cannot be opened, or when it holds not one key that a configuration file holds
// (ConfigLoadReport.NoConfiguration): such a file loaded over the defaults would put a whole
// default configuration in place of the ECU's. A file that holds at least one such key loads
// whatever else it lacks. What the file lacks or holds in a form or range its field cannot take
// is noted in ConfigLoadReport (the keys that are written only when they hold something, the MAP
// points, are not missed).
bool LoadConfigFile(const std::string& CfgFullFileName);
// SetDefaultConfiguration, then LoadConfigFile, as one step: the defaults are put in place only
// once the file is known to hold a configuration, so a false return has changed nothing.
bool LoadConfigFileOverDefaults(const std::string& CfgFullFileName);
// Whether the key-file store open at the moment holds any key that the loader reads (those of
// the configuration, the calibration and MAP points, the customer texts and the R.P.M. map).
bool KeyStoreHoldsConfiguration();
// Reads only the six customer texts; a missing file, or one that holds no configuration,
// empties them.
void ReadCustomerFromFile(const std::string& CfgFullFileName);
// Writes the model into the ".cfg" file, keeping the keys of an existing file that this
// writer does not set. With KeepKeysOf given, the kept keys are that file's instead (a copy
// under a new name gets what an in-place rewrite of the original would). Raises
// rtl::EFCreateError / rtl::EWriteError when it cannot write.
void SaveConfigFile(const std::string& CfgFullFileName, const std::string& KeepKeysOf = {});

// The values of the configuration page: what ConfigToCFGPage shows and CFG_Page_To_Config
// takes back (texts as the controls hold them, in the language's code page).
struct TCFGPageValues {
  std::string RPM_Prescaler;
  std::string PG_RPM;
  std::string PG_Temper;
  std::string Injection;   // "Sequent" or "Full group"
  std::string Gas_Type;    // "LPG" or "CNG"
  bool GP_Buzzer = false;
  bool LevelGas_Buzzer = false;
  bool PG_GAS_Hot_Engine = false;
  std::string Level_Sensor;
  std::array<std::int32_t, 5> LevelGas{};      // track bar values
  std::array<std::string, 5> LevelGasVolts;    // their voltage texts
  std::string PG_Time;                         // seconds with one decimal
  // The customer page.
  std::string User_Name;
  std::string User_Phone;
  std::string User_Install_Date;
  std::string User_Install_KM;
  std::string User_Gas_Jets;
  std::string User_Notice;
};

// What the configuration and customer pages show for the model.
TCFGPageValues ConfigToCFGPageValues();

// Takes the page's values into the model (the application schedules the page's write).
// Nothing happens while ConfigData.CFGPageUpdating is set. A number is held to its value's
// range as it is taken (PGRPMRange with its gap, PGTemperRange, PGTimeRange with its gap),
// the temperature then to what the sensor table carries (TemperatureAsCarried), so the page,
// the file and the ECU get the same value. A text that is not a number (R.P.M., temperature
// or delay) leaves that value of the model as it was; everything else is taken all the same,
// then the first such text raises rtl::EConvertError (once, however many texts failed),
// naming its box by the label's text in the current language.
void CFG_Page_To_Config(const TCFGPageValues& Page);
// Whether every number text of the page converts (what CFG_Page_To_Config would take
// without raising).
bool CFGPageNumbersConvert(const TCFGPageValues& Page);
// Raises what CFG_Page_To_Config would raise for the page's number texts, and changes nothing.
void CheckCFGPageNumbers(const TCFGPageValues& Page);
// A number of the page that CFG_Page_To_Config would hold to its range: the language key of its
// box's label, its text as typed, the range it is held into and the value held, the numbers as
// the page shows them. Where the range has a gap (a speed below 458, the delay's 12.8 s) the
// range given is the part of it the value is held into.
struct TCFGPageHeld {
  std::string LabelKey;
  std::string Typed;
  std::string Min, Max;
  std::string Held;
};
// The page's numbers that would be taken otherwise than typed because they lie beyond what
// their values carry, in the order of the boxes (speed, temperature, delay). A fraction
// dropped (below a tenth of the delay's second) is no such change, nor is a temperature within
// the sensor table's ends taken as the nearest one the table carries; a text that is no number
// is not listed (CheckCFGPageNumbers raises for it).
std::vector<TCFGPageHeld> CFGPageHeldNumbers(const TCFGPageValues& Page);
// The five level track bars into Level1 .. Level5, then CFG_Page_To_Config, as one change
// (raising as it does, after the change).
void LevelPageToConfig(const std::array<double, 5>& TrackValues, const TCFGPageValues& Page);

// Level-sensor type by name (1..9, 0 when absent) and by number ("Error" outside 1..9).
int LevelTypeIndex(const std::string& Name);
std::string LevelTypeName(int Index);

}  // namespace ecu
