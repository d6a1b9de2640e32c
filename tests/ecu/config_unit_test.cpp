#include <gtest/gtest.h>

#include "ecu/Config_Unit.h"
#include "ecu/Calc_Unit.h"

#include <algorithm>
#include <random>
#include <sstream>

#include "ecu/FindUnit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"
#include "tools/linkrec/Recorder.h"

namespace config_unit_test {

using namespace ecu;
using ecu_test::ReadFile;
using ecu_test::WriteFile;

namespace {

// The configuration's calls into the application, listed in order.
class RecordingHost : public linkrec::Recorder {
public:
  std::vector<std::string> calls;
  void CalcDiagramPoints() override { calls.push_back("CalcDiagramPoints"); }
  void SetDefaultMapRPM() override { calls.push_back("SetDefaultMapRPM"); }
  void RefreshMapRPMCells() override { calls.push_back("RefreshMapRPMCells"); }
  void LoadMapRPMTable() override {
    calls.push_back("LoadMapRPMTable");
    if (KeyFileReadInt("Cols_Number")) calls.push_back("Cols_Number=" + std::to_string(Session().Files.KeyFileInt));
  }
  void SaveMapRPMTable() override {
    calls.push_back("SaveMapRPMTable");
    KeyFileSet("Cols_Number", "8", "");
  }
  void UpdateMainCaption() override { calls.push_back("UpdateMainCaption"); }
  void BuildCalibrationDiagram() override { calls.push_back("BuildCalibrationDiagram"); }
  void ConfigToCFGPage() override { calls.push_back("ConfigToCFGPage"); }
  void ParameterDefaulted() override { calls.push_back("ParameterDefaulted"); }
};

class Config : public ::testing::Test {
protected:
  void SetUp() override {
    // The sensor table of the test's own folder (none unless a test writes it), not a
    // "gascal.dat" of the folder the tests run from.
    Session().ConfigData.SensorTableFileName = dir / "gascal.dat";
    CreateConfiguration(dir / "none.cfg");
    Session().ConfigData.DiagramPointX.fill(0);
    Session().ConfigData.DiagramPointY.fill(0);
    Session().ConfigData.MapPointsGas.fill(0);
    Session().ConfigData.MapPointsPetrol.fill(0);
    host.calls.clear();
  }
  std::vector<std::string> KeysOf(const std::string& file) {
    std::vector<std::string> keys;
    std::istringstream in(ReadFile(file));
    for (std::string line; std::getline(in, line);) keys.push_back(line.substr(0, line.find(' ')));
    return keys;
  }
  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  RecordingHost host;
};

TEST_F(Config, CreationPutsDefaultsInPlace) {
  const Configuration_Class& c = *Session().ConfigData.Configuration;
  EXPECT_EQ(c.Param_68, 5);
  EXPECT_EQ(c.Level_Type, "0 - 90 Om");
  EXPECT_EQ(c.Level_90, 1);
  EXPECT_EQ((std::array{c.Level1, c.Level2, c.Level3, c.Level4, c.Level5}), (std::array{55, 104, 147, 184, 248}));
  EXPECT_EQ(Session().ConfigData.InjectorNames[7], c.Injector_Type);
  ASSERT_EQ(Session().ConfigData.LevelSensorTable.size(), 9u);
  EXPECT_EQ(Session().ConfigData.LevelSensorTable[1]->Name, "AEB 1050");
  EXPECT_EQ(Session().ConfigData.LevelSensorTable[1]->Levels[4], 47);
}

TEST_F(Config, DefaultFollowsThePreviousGasType) {
  Session().ConfigData.Configuration->LPG_on = 0;
  Session().ConfigData.Configuration->Work_Gas = 77;
  Session().ConfigData.Configuration->User_Name = "x";
  Session().ConfigData.Configuration->Level1 = 1;
  SetDefaultConfiguration();
  EXPECT_EQ(Session().ConfigData.Configuration->Param_68, 10);
  EXPECT_EQ(Session().ConfigData.Configuration->LPG_on, 1);
  EXPECT_EQ(Session().ConfigData.Configuration->Work_Gas, 77);  // identification stays
  EXPECT_EQ(Session().ConfigData.Configuration->User_Name, "");
  EXPECT_EQ(Session().ConfigData.Configuration->Level1, 55);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"CalcDiagramPoints", "SetDefaultMapRPM", "RefreshMapRPMCells"}));
}

TEST_F(Config, LevelTypeLookUps) {
  EXPECT_EQ(LevelTypeIndex("RESERVE"), 1);
  EXPECT_EQ(LevelTypeIndex("AEB 1050"), 2);
  EXPECT_EQ(LevelTypeIndex("Setting"), 9);
  EXPECT_EQ(LevelTypeIndex("setting"), 0);
  EXPECT_EQ(LevelTypeName(7), "0 - 90 Om");
  EXPECT_EQ(LevelTypeName(0), "Error");
  EXPECT_EQ(LevelTypeName(10), "Error");
  for (const std::string& item : LevelSensorItems) EXPECT_GT(LevelTypeIndex(item), 0) << item;
}

TEST_F(Config, NewFileHoldsEveryKeyInWritingOrder) {
  Session().ConfigData.Configuration->User_Name = "Ivan Petrov";
  Session().ConfigData.DiagramPointY[0] = 2300;
  Session().ConfigData.MapPointsGas[2] = 1216;
  SaveConfigFile(dir / "new.cfg");
  std::vector<std::string> expected = {"User_Name", "User_Phone", "Date_Mounting", "Data_KM", "Car_Jet", "Car_Comments",
                                       "Work_Gas", "Work_Petrol", "Save_Map", "RPM_PreScaler", "PG_RPM", "PG_Temper",
                                       "PG_GAS_Hot_Engine", "GP_Buzzer", "NoSequentInject", "MonoInject", "LPG_on",
                                       "Level_Type", "Level_Buzzer", "Level_Invert", "Level_90", "Level1", "Level2",
                                       "Level3", "Level4", "Level5"};
  for (int n = 0; n < 9; ++n) {
    expected.push_back("Gas_Point_" + std::to_string(n));
    expected.push_back("Petrol_Point_" + std::to_string(n));
  }
  expected.push_back("MAP_Gas_3");
  expected.push_back("Cols_Number");
  EXPECT_EQ(KeysOf(dir / "new.cfg"), expected);
  const std::string text = ReadFile(dir / "new.cfg");
  EXPECT_NE(text.find("User_Name                    Ivan Petrov {}\r\n"), std::string::npos);
  EXPECT_NE(text.find("Level_Type                   0 - 90 Om {}\r\n"), std::string::npos);
  EXPECT_NE(text.find("Save_Map                     False {}\r\n"), std::string::npos);
  EXPECT_NE(text.find("LPG_on                       True {}\r\n"), std::string::npos);
  EXPECT_NE(text.find("Gas_Point_0                  2300 {}\r\n"), std::string::npos);
}

TEST_F(Config, SavedFileLoadsBackIntoTheSameModel) {
  Configuration_Class& c = *Session().ConfigData.Configuration;
  c.User_Name = "Ivan";
  c.Car_Comments = "first line\r\nsecond line";
  c.Work_Gas = 1234;
  c.Save_Map = 1;
  c.RPM_PreScaler = "1:4";
  c.PG_RPM = 1500;
  c.LPG_on = 0;
  c.Level_Type = "AEB 806";
  c.Level3 = 634;
  for (int i = 0; i < 9; ++i)
    Session().ConfigData.DiagramPointX[static_cast<std::size_t>(i)] = 1000 * i,
    Session().ConfigData.DiagramPointY[static_cast<std::size_t>(i)] = 900 * i + 7;
  Session().ConfigData.MapPointsGas[31] = 5, Session().ConfigData.MapPointsPetrol[0] = 6;
  SaveConfigFile(dir / "Golf.cfg");
  const std::string first = ReadFile(dir / "Golf.cfg");

  SetDefaultConfiguration();
  Session().ConfigData.DiagramPointX.fill(0), Session().ConfigData.DiagramPointY.fill(0),
      Session().ConfigData.MapPointsGas.fill(-1), Session().ConfigData.MapPointsPetrol.fill(-1);
  host.calls.clear();
  ASSERT_TRUE(LoadConfigFile(dir / "Golf.cfg"));
  EXPECT_EQ(c.Cfg_Name, "Golf");
  EXPECT_EQ(c.User_Name, "Ivan");
  EXPECT_EQ(c.Car_Comments, "first line second line");  // one line in the file
  EXPECT_EQ(c.Work_Gas, 1234);
  EXPECT_EQ(c.Save_Map, 1);
  EXPECT_EQ(c.RPM_PreScaler, "1:4");
  EXPECT_EQ(c.PG_RPM, 1500);
  EXPECT_EQ(c.LPG_on, 0);
  EXPECT_EQ(c.Level_Type, "AEB 806");
  EXPECT_EQ(c.Level3, 634);
  EXPECT_EQ(Session().ConfigData.DiagramPointX[8], 8000);
  EXPECT_EQ(Session().ConfigData.DiagramPointY[8], 7207);
  EXPECT_EQ(Session().ConfigData.MapPointsGas[31], 5);
  EXPECT_EQ(Session().ConfigData.MapPointsGas[0], 0);
  EXPECT_EQ(Session().ConfigData.MapPointsPetrol[0], 6);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"LoadMapRPMTable", "Cols_Number=8", "UpdateMainCaption"}));
  EXPECT_FALSE(KeyFileStorePresent());

  SaveConfigFile(dir / "Golf.cfg");
  EXPECT_EQ(ReadFile(dir / "Golf.cfg"), first);
}

TEST_F(Config, LoadKeepsWhatTheFileLacks) {
  WriteFile(dir / "l.cfg", "Level_Type Setting {}\r\nWork_Gas many {}\r\nPG_RPM 12x {}\r\nLPG_on 1 {}\r\n");
  Session().ConfigData.Configuration->Work_Gas = 50;
  ASSERT_TRUE(LoadConfigFile(dir / "l.cfg"));
  EXPECT_EQ(Session().ConfigData.Configuration->Level_Type, "Setting");
  EXPECT_EQ(Session().ConfigData.Configuration->Level1, 55);  // thresholds only from their own keys
  EXPECT_EQ(Session().ConfigData.Configuration->Work_Gas, 0);
  EXPECT_EQ(Session().ConfigData.Configuration->PG_RPM, 1000);
  EXPECT_EQ(Session().ConfigData.Configuration->LPG_on, 1);

  host.calls.clear();
  EXPECT_FALSE(LoadConfigFile(dir / "missing.cfg"));
  EXPECT_TRUE(host.calls.empty());  // no caption for a missing file
}

TEST_F(Config, MapPointsStayWithinTheArraysAndUnknownKeysSurvive) {
  WriteFile(dir / "m.cfg",
            "MAP_Gas_1 100 {}\r\nMAP_Petrol_1 200 {}\r\nMAP_Gas_2 300 {}\r\nMAP_Gas_33 9 {}\r\n"
            "MAP_Gas_200 9 {}\r\nMy_Key x {}\r\n");
  Session().ConfigData.MapPointCount = 1;
  ASSERT_TRUE(LoadConfigFile(dir / "m.cfg"));
  EXPECT_EQ(Session().ConfigData.MapPointsGas[0], 100);
  EXPECT_EQ(Session().ConfigData.MapPointsPetrol[0], 200);
  EXPECT_EQ(Session().ConfigData.MapPointsGas[1], 0);  // beyond the ECU's count: not read

  Session().ConfigData.MapPointCount = 255;  // whatever the ECU reports, only the arrays' points are used
  Session().ConfigData.MapPointsGas.fill(0);
  Session().ConfigData.MapPointsPetrol.fill(0);
  ASSERT_TRUE(LoadConfigFile(dir / "m.cfg"));
  EXPECT_EQ(Session().ConfigData.MapPointsGas[1], 300);

  Session().ConfigData.MapPointsGas[0] = 0;  // became 0: its key goes
  Session().ConfigData.MapPointsPetrol[0] = 200;
  SaveConfigFile(dir / "m.cfg");
  ASSERT_TRUE(KeyFileLoad(dir / "m.cfg"));
  EXPECT_FALSE(KeyFileFind("MAP_Gas_1"));
  EXPECT_TRUE(KeyFileFind("MAP_Petrol_1"));
  EXPECT_TRUE(KeyFileFind("MAP_Gas_2"));
  EXPECT_TRUE(KeyFileFind("MAP_Gas_33"));
  EXPECT_TRUE(KeyFileFind("MAP_Gas_200"));
  ASSERT_TRUE(KeyFileFind("My_Key"));
  EXPECT_EQ(Session().Files.KeyFileKeys[static_cast<std::size_t>(Session().Files.KeyFileFoundIndex)], "My_Key")
      << "a key the writer does not set keeps its spelling";
  KeyFileClose();
}

// The keys a load reported, by kind.
std::vector<std::string> Reported(TConfigProblemKind kind) {
  std::vector<std::string> keys;
  for (const TConfigProblem& p : Session().ConfigData.ConfigLoadReport.Problems)
    if (p.Kind == kind) keys.push_back(p.Key + (p.Used.empty() ? "" : "=" + p.Used));
  return keys;
}

TEST_F(Config, LoadReportsWhatItCouldNotTakeAndKeepsValuesWithinTheirParameters) {
  std::string whole;
  {
    SaveConfigFile(dir / "whole.cfg");
    whole = ReadFile(dir / "whole.cfg");
  }
  // Cut in half: the keys of the lost half keep their defaults and are reported.
  const std::size_t half = whole.find("Level_Type");
  WriteFile(dir / "cut.cfg", whole.substr(0, half) + "Level_Ty");
  ASSERT_TRUE(LoadConfigFile(dir / "cut.cfg"));
  EXPECT_TRUE(Reported(TConfigProblemKind::Unreadable).empty());
  const std::vector<std::string> missing = Reported(TConfigProblemKind::Missing);
  ASSERT_EQ(missing.size(), 27u);  // Level_Type .. Level5, then nine points of two keys
  EXPECT_EQ(missing.front(), "Level_Type=0 - 90 Om");
  EXPECT_EQ(missing.back(), "Petrol_Point_8=0");

  const std::pair<std::string, std::string> cases[] = {
      {"PG_RPM 1x00", "Unreadable PG_RPM=1000"},
      {"PG_RPM 1000.5", "Unreadable PG_RPM=1000"},
      {"PG_RPM 99999999999", "Unreadable PG_RPM=1000"},
      {"PG_RPM 10", "OutOfRange PG_RPM=458"},
      {"PG_RPM 2147483647", "OutOfRange PG_RPM=8000"},
      {"Level1 99999", "OutOfRange Level1=1023"},
      {"RPM_PreScaler 9:9", "OutOfRange RPM_PreScaler=1:2"},
      {"Level_Type Nonsense", "OutOfRange Level_Type=0 - 90 Om"},
      {"MAP_Gas_3 x", "Unreadable MAP_Gas_3=0"},
  };
  for (const auto& [line, expected] : cases) {
    const std::string key = line.substr(0, line.find(' '));
    const std::size_t at = whole.find(KeyFilePadKey(key));
    std::string text = whole;
    if (at == std::string::npos)
      text += line + " {}\r\n";
    else
      text.replace(at, text.find('\n', at) - at, line + " {}\r");
    WriteFile(dir / "bad.cfg", text);
    SetDefaultConfiguration();
    ASSERT_TRUE(LoadConfigFile(dir / "bad.cfg")) << line;
    ASSERT_EQ(Session().ConfigData.ConfigLoadReport.Problems.size(), 1u) << line;
    const TConfigProblem& p = Session().ConfigData.ConfigLoadReport.Problems[0];
    const char* kinds[] = {"Missing", "Unreadable", "OutOfRange", "Repeated"};
    EXPECT_EQ(std::string(kinds[static_cast<int>(p.Kind)]) + " " + p.Key + "=" + p.Used, expected);
    EXPECT_EQ(p.Value, line.substr(key.size() + 1));
  }
  EXPECT_EQ(Session().ConfigData.Configuration->RPM_PreScaler, "1:2");
  EXPECT_EQ(Session().ConfigData.Configuration->Level_Type, "0 - 90 Om");

  // Empty and binary files hold no configuration: refused, with nothing to report of their
  // keys. Given one key of a configuration, every other key the writer always writes is
  // missed; the binary file's lines survive a save as keys of their own.
  for (const std::string& bytes : {std::string(), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff {\x01", 20)}) {
    WriteFile(dir / "odd.cfg", bytes);
    SetDefaultConfiguration();
    EXPECT_FALSE(LoadConfigFile(dir / "odd.cfg"));
    EXPECT_TRUE(Session().ConfigData.ConfigLoadReport.NoConfiguration);
    EXPECT_TRUE(Reported(TConfigProblemKind::Missing).empty());
    WriteFile(dir / "odd.cfg", bytes + "\r\nSave_Map True\r\n");
    ASSERT_TRUE(LoadConfigFile(dir / "odd.cfg"));
    EXPECT_EQ(Reported(TConfigProblemKind::Missing).size(), 43u);
  }
  SaveConfigFile(dir / "odd.cfg");
  EXPECT_EQ(ReadFile(dir / "odd.cfg").rfind("\x89PNG\r\n", 0), 0u) << "a line of its key alone is written so";

  const std::vector<std::string> lines = ConfigLoadReportLines(
      {"x.cfg",
       {{TConfigProblemKind::Missing, "PG_RPM", "", "0 or 458..8000", "1000"},
        {TConfigProblemKind::Missing, "Level1", "", "0..1023", "55"},
        {TConfigProblemKind::OutOfRange, "Level2", "99999", "0..1023", "1023"},
        {TConfigProblemKind::Unreadable, "User_Name", std::string("a\0b", 3), "a text", ""},
        {TConfigProblemKind::Repeated, "MAP_GAS_1", "25", "", ""}}});
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Missing, defaults kept: PG_RPM, Level1", "Level2: \"99999\" is outside 0..1023; 1023 used",
                       "User_Name: \"a\\x00b\" is not a text; \"\" kept",
                       "MAP_GAS_1: given again as \"25\"; the first value is used and that line is dropped"}));
}

TEST_F(Config, RepeatedKeysLoadAndSaveAsTheirFirstLine) {
  WriteFile(dir / "d.cfg", "MAP_Gas_1 0 {}\r\nMAP_Gas_1 25 {}\r\n");
  ASSERT_TRUE(LoadConfigFile(dir / "d.cfg"));
  EXPECT_EQ(Session().ConfigData.MapPointsGas[0], 0);
  EXPECT_EQ(Reported(TConfigProblemKind::Repeated), std::vector<std::string>{"MAP_GAS_1"});
  SaveConfigFile(dir / "d.cfg");
  const std::string saved = ReadFile(dir / "d.cfg");
  EXPECT_EQ(saved.find("MAP_Gas_1"), saved.rfind("MAP_Gas_1")) << "the later line is dropped, as reported";
  ASSERT_TRUE(LoadConfigFile(dir / "d.cfg"));
  EXPECT_EQ(Session().ConfigData.MapPointsGas[0], 0);
}

TEST_F(Config, LoadSaveLoadSettlesAfterTheFirstSave) {
  // Whatever a file holds, the model it loads is saved so that it loads again the same: the
  // second save writes the same bytes as the first, hand-written lines (notes, section heads,
  // lines without braces or with only their key) included.
  const std::string ctrl(22, '\x02');
  const std::string inputs[] = {
      "User_Name A{B} {x}\r\nCar_Comments {a} b { {}\r\nUser_Phone\r\nData_KM  \x01x\x01 {}\r\n",
      "Work_Gas" + ctrl + "9 5 {}\r\nWork_Gas 1234 {}\r\nLevel3 5000\r\nGas_Point_2 -7 {}\r\n",
      "Level_Type=Setting\r\nRPM_PreScaler=1:6{}\r\nPG_Temper 99999 {}\r\nMAP_Petrol_32 4000 {}\r\n",
      std::string("\0\x01{\r}[\n=\n\xff\xfe", 11) + "\r\nWork_Gas 7\r\n",  // odd bytes around a configuration's key
      "MAP_Gas_1 1 0 {}\r\nMAP_Petrol_2 x {}\r\nMAP_Gas_3 -5 {}\r\n",      // unreadable MAP points load as none
      "[Car]\r\n{ installer note: check jets }\r\nNOBRACE some value\r\nLONE\r\nUser_Name Ivan\r\n",
  };
  for (const std::string& input : inputs) {
    WriteFile(dir / "in.cfg", input);
    SetDefaultConfiguration();
    ASSERT_TRUE(LoadConfigFile(dir / "in.cfg"));
    SaveConfigFile(dir / "a.cfg", dir / "in.cfg");
    SetDefaultConfiguration();
    ASSERT_TRUE(LoadConfigFile(dir / "a.cfg"));
    EXPECT_TRUE(Session().ConfigData.ConfigLoadReport.Problems.empty()) << input;  // a saved file is whole
    SaveConfigFile(dir / "b.cfg", dir / "a.cfg");
    EXPECT_EQ(ReadFile(dir / "b.cfg"), ReadFile(dir / "a.cfg")) << input;
    ASSERT_TRUE(LoadConfigFile(dir / "b.cfg"));
    SaveConfigFile(dir / "c.cfg", dir / "b.cfg");
    EXPECT_EQ(ReadFile(dir / "c.cfg"), ReadFile(dir / "b.cfg")) << input;
    if (input == inputs[0]) {
      EXPECT_EQ(Session().ConfigData.Configuration->User_Name, "A{B}");
      EXPECT_EQ(Session().ConfigData.Configuration->Car_Comments, "{a} b {");
      EXPECT_EQ(Session().ConfigData.Configuration->User_Phone, "");
    } else if (input == inputs[1]) {
      EXPECT_EQ(Session().ConfigData.Configuration->Work_Gas, 5);  // the first line of the key counts
      EXPECT_EQ(Session().ConfigData.DiagramPointY[2], 0);
    } else if (input == inputs[2]) {
      EXPECT_EQ(Session().ConfigData.Configuration->PG_Temper, 3276);
      EXPECT_EQ(Session().ConfigData.Configuration->Level_Type, "Setting");
      EXPECT_EQ(Session().ConfigData.Configuration->RPM_PreScaler, "1:2");  // "1:6{}" reads "1:"
      EXPECT_EQ(Session().ConfigData.MapPointsPetrol[31], 3264);
    } else if (input == inputs[5]) {
      const std::string saved = ReadFile(dir / "a.cfg");
      EXPECT_EQ(saved.rfind("[Car]\r\n{ installer note: check jets }\r\n" + KeyFilePadKey("NOBRACE") +
                                "some value\r\nLONE\r\n" + KeyFilePadKey("User_Name") + "Ivan {}\r\n",
                            0),
                0u)
          << saved;
      EXPECT_EQ(Session().ConfigData.Configuration->User_Name, "Ivan");
    }
  }
}

// A NUL byte ends a text wherever it is shown (the page's boxes showed "VW Go" and a save
// from the page kept no more): a customer text is cut at it, without the blank the cut leaves,
// and the report says so. Keys cut to the key column and lines without a key are reported
// too. The file written back holds what was kept and loads with nothing to report.
TEST_F(Config, TextsCutAtANulByteAndWhatTheLoadDroppedAreReported) {
  WriteFile(dir / "n.cfg", std::string("Car_Comments VW Go\0lf {}\r\nUser_Name Iv \0an {}\r\nUser_Phone 12\r\n", 62) +
                               std::string(35, 'K') + " 1 {}\r\n=5 {}\r\nCar_Jet 1.2{mm}\r\n");
  ASSERT_TRUE(LoadConfigFile(dir / "n.cfg"));
  const Configuration_Class& c = *Session().ConfigData.Configuration;
  EXPECT_EQ(c.Car_Comments, "VW Go");
  EXPECT_EQ(c.User_Name, "Iv");
  EXPECT_EQ(c.User_Phone, "12");
  EXPECT_EQ(Reported(TConfigProblemKind::CutAtNul), (std::vector<std::string>{"User_Name=Iv", "Car_Comments=VW Go"}));
  EXPECT_EQ(Reported(TConfigProblemKind::KeyCut), std::vector<std::string>{std::string(29, 'K')});
  EXPECT_EQ(Reported(TConfigProblemKind::Keyless).size(), 1u);
  const std::vector<std::string> lines = ConfigLoadReportLines(Session().ConfigData.ConfigLoadReport);
  const auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
  EXPECT_TRUE(has("Car_Comments: \"VW Go\\x00lf\" holds a NUL byte, which ends a text; \"VW Go\" kept"));
  EXPECT_TRUE(has("Keys longer than 29 characters, held as their first ones: \"" + std::string(35, 'K') + "\""));
  EXPECT_TRUE(has("Lines without a key, dropped: \"=5 {}\""));
  // A value written against its "{" is read without its last character, and the report says so.
  EXPECT_EQ(c.Car_Jet, "1.");
  EXPECT_TRUE(
      has("Lines held without the character before their \"{\" or the last of a comment not closed by "
          "\"}\", or with braces in their comment, written round: \"Car_Jet 1.2{mm}\""));

  SaveConfigFile(dir / "n.cfg");
  const std::string saved = ReadFile(dir / "n.cfg");
  EXPECT_EQ(saved.find('\0'), std::string::npos);
  EXPECT_NE(saved.find(KeyFilePadKey("Car_Comments") + "VW Go {}\r\n"), std::string::npos);
  SetDefaultConfiguration();
  ASSERT_TRUE(LoadConfigFile(dir / "n.cfg"));
  EXPECT_TRUE(Session().ConfigData.ConfigLoadReport.Problems.empty());
  EXPECT_EQ(c.Car_Comments, "VW Go");
  SaveConfigFile(dir / "n.cfg");
  EXPECT_EQ(ReadFile(dir / "n.cfg"), saved);
}

TEST_F(Config, CustomerTextsKeepTheirBracesAndACopyKeepsTheOriginalsKeys) {
  Session().ConfigData.Configuration->User_Name = "Ivan {the installer}";
  Session().ConfigData.Configuration->Car_Comments = "{";
  Session().ConfigData.Configuration->Car_Jet = "2 } 3";
  WriteFile(dir / "a.cfg", "Own_Key kept {note}\r\nCell_0_0 1.50 {}\r\n");
  SaveConfigFile(dir / "b.cfg", dir / "a.cfg");
  SetDefaultConfiguration();
  ASSERT_TRUE(LoadConfigFile(dir / "b.cfg"));
  EXPECT_EQ(Session().ConfigData.Configuration->User_Name, "Ivan {the installer}");
  EXPECT_EQ(Session().ConfigData.Configuration->Car_Comments, "{");
  EXPECT_EQ(Session().ConfigData.Configuration->Car_Jet, "2 } 3");
  ASSERT_TRUE(KeyFileLoad(dir / "b.cfg"));
  EXPECT_TRUE(KeyFileFind("Own_Key"));
  EXPECT_TRUE(KeyFileFind("Cell_0_0"));
  KeyFileClose();
  EXPECT_EQ(ReadFile(dir / "a.cfg"), "Own_Key kept {note}\r\nCell_0_0 1.50 {}\r\n");
}

// A file that gives not one key of a configuration (random bytes, base64 text, a settings
// file) is no configuration: loaded over the defaults it would put a whole default
// configuration, calibration and map in place of the ECU's. It is refused before anything
// changes, the defaults included, and it names no customer either. One key of a
// configuration, in any case of its letters or of the map alone, loads as any partial file.
TEST_F(Config, AFileThatGivesNoKeyOfAConfigurationIsRefusedAndChangesNothing) {
  Configuration_Class& c = *Session().ConfigData.Configuration;
  std::mt19937 random(93);
  std::string bytes(100 * 1024, '\0'), base64;
  for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  while (base64.size() < (1u << 20)) {
    for (int i = 0; i < 76; ++i) base64 += alphabet[random() % 64];
    base64 += "\r\n";
  }
  const std::pair<const char*, std::string> files[] = {
      {"junk.cfg", bytes}, {"base64.cfg", base64}, {"gascal.cfg", "Program_Code 25 {}\r\nLanguage English {}\r\n"}};
  for (const auto& [name, text] : files) {
    SCOPED_TRACE(name);
    WriteFile(dir / name, text);
    c.PG_RPM = 3000;
    c.User_Name = "Anna";
    c.Cfg_Name = "golf";
    Session().ConfigData.DiagramPointY[4] = 1234;
    host.calls.clear();
    for (bool defaults : {true, false}) {
      EXPECT_FALSE(defaults ? LoadConfigFileOverDefaults(dir / name) : LoadConfigFile(dir / name));
      EXPECT_TRUE(Session().ConfigData.ConfigLoadReport.NoConfiguration);
      EXPECT_TRUE(ConfigLoadReportLines(Session().ConfigData.ConfigLoadReport).empty());
      EXPECT_EQ(c.PG_RPM, 3000);
      EXPECT_EQ(c.User_Name, "Anna");
      EXPECT_EQ(c.Cfg_Name, "golf");
      EXPECT_EQ(Session().ConfigData.DiagramPointY[4], 1234);
      EXPECT_TRUE(host.calls.empty()) << "no defaults, map or caption: " << host.calls.front();
      EXPECT_FALSE(KeyFileStorePresent());
    }
    ReadCustomerFromFile(dir / name);
    EXPECT_EQ(c.User_Name, "") << "a customer of a file that is no configuration";
  }

  for (const std::string& key : {std::string("pg_temper 50"), std::string("Cell_0_0 1.20")}) {
    SCOPED_TRACE(key);
    WriteFile(dir / "one.cfg", bytes + "\r\n" + key + " {}\r\n");
    c.PG_RPM = 3000;
    host.calls.clear();
    EXPECT_TRUE(LoadConfigFileOverDefaults(dir / "one.cfg"));
    EXPECT_FALSE(Session().ConfigData.ConfigLoadReport.NoConfiguration);
    EXPECT_EQ(c.PG_RPM, 1000) << "the default, in place of what the file lacks";
    EXPECT_EQ(c.PG_Temper, key[0] == 'p' ? 50 : 40);
    EXPECT_EQ(c.Cfg_Name, "one");
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.front(), "CalcDiagramPoints");
    EXPECT_FALSE(ConfigLoadReportLines(Session().ConfigData.ConfigLoadReport).empty()) << "what it lacks is reported";
  }
}

TEST_F(Config, CustomerTextsFromAFile) {
  WriteFile(dir / "c.cfg", "User_Name Anna {}\r\nUser_Phone 123 {}\r\nPG_RPM 3000 {}\r\n");
  Session().ConfigData.Configuration->Car_Jet = "2.0";
  Session().ConfigData.ConfigLoadReport = {};
  ReadCustomerFromFile(dir / "c.cfg");
  EXPECT_TRUE(Session().ConfigData.ConfigLoadReport.Problems.empty());  // not a load of the whole file
  EXPECT_EQ(Session().ConfigData.Configuration->User_Name, "Anna");
  EXPECT_EQ(Session().ConfigData.Configuration->User_Phone, "123");
  EXPECT_EQ(Session().ConfigData.Configuration->Car_Jet, "2.0");
  EXPECT_EQ(Session().ConfigData.Configuration->PG_RPM, 1000);
  ReadCustomerFromFile(dir / "missing.cfg");
  EXPECT_EQ(Session().ConfigData.Configuration->User_Name, "");
  EXPECT_EQ(Session().ConfigData.Configuration->Car_Jet, "");
}

TEST_F(Config, PageShowsTheModel) {
  Session().ConfigData.Configuration->NoSequentInject = 1;
  Session().ConfigData.Configuration->LPG_on = 0;
  Session().ConfigData.Configuration->PG_Time = 25;
  Session().ConfigData.Configuration->Data_KM = "120000";
  const TCFGPageValues p = ConfigToCFGPageValues();
  EXPECT_EQ(p.RPM_Prescaler, "1:2");
  EXPECT_EQ(p.PG_RPM, "1000");
  EXPECT_EQ(p.Injection, "Full group");
  EXPECT_EQ(p.Gas_Type, "CNG");
  EXPECT_EQ(p.PG_Time, "2.5");
  EXPECT_EQ(p.LevelGas[4], 248);
  EXPECT_EQ(p.LevelGasVolts, (std::array<std::string, 5>{"0.27", "0.51", "0.72", "0.90", "1.21"}));
  EXPECT_EQ(p.User_Install_KM, "120000");
}

TEST_F(Config, PageTakesEveryValueThatConvertsAndRaisesOnceForTheRest) {
  TCFGPageValues p = ConfigToCFGPageValues();
  p.RPM_Prescaler = "1:3";
  p.PG_RPM = "1200";
  p.PG_Temper = "35";
  p.Injection = "Full group";
  p.Gas_Type = "CNG";
  p.GP_Buzzer = true;
  p.PG_Time = "1,5";
  p.User_Notice = "notice";
  CFG_Page_To_Config(p);
  const Configuration_Class& c = *Session().ConfigData.Configuration;
  EXPECT_EQ(c.RPM_PreScaler, "1:3");
  EXPECT_EQ(c.PG_RPM, 1200);
  EXPECT_EQ(c.PG_Temper, 35);
  EXPECT_EQ(c.NoSequentInject, 1);
  EXPECT_EQ(c.LPG_on, 0);
  EXPECT_EQ(c.Param_68, 10);
  EXPECT_EQ(c.GP_Buzzer, 1);
  EXPECT_EQ(c.PG_Time, 15);
  EXPECT_EQ(c.Car_Comments, "notice");
  // The application schedules the page's write (app::TakeCFGPage); the ECU side asks nothing.
  EXPECT_TRUE(host.calls.empty());

  // A text that is no number keeps that value; the rest of the page is taken all the same,
  // and the failure is raised once, after the change.
  for (auto bad : {&TCFGPageValues::PG_RPM, &TCFGPageValues::PG_Temper, &TCFGPageValues::PG_Time}) {
    TCFGPageValues q = p;
    q.RPM_Prescaler = "1:6";
    q.User_Name = "changed";
    q.*bad = "abc";
    EXPECT_FALSE(CFGPageNumbersConvert(q));
    EXPECT_THROW(CFG_Page_To_Config(q), rtl::EConvertError);
    EXPECT_EQ(c.RPM_PreScaler, "1:6");
    EXPECT_EQ(c.User_Name, "changed");
    EXPECT_EQ(c.PG_RPM, 1200);
    EXPECT_EQ(c.PG_Temper, 35);
    EXPECT_EQ(c.PG_Time, 15);
    EXPECT_THROW(LevelPageToConfig({1, 2, 3, 4, 5}, q), rtl::EConvertError);
    EXPECT_EQ(c.Level1, 1);
    EXPECT_TRUE(host.calls.empty());
    Session().ConfigData.Configuration->RPM_PreScaler = "1:3";
    Session().ConfigData.Configuration->User_Name.clear();
  }
  // Two bad texts: one error, naming the first.
  TCFGPageValues two = p;
  two.PG_RPM = "g";
  two.PG_Temper = "h";
  two.GP_Buzzer = false;
  try {
    CFG_Page_To_Config(two);
    ADD_FAILURE() << "no error";
  } catch (const rtl::EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "Switch to gas when RPM: 'g' is not a valid integer value");
  }
  EXPECT_EQ(c.GP_Buzzer, 0);
  EXPECT_EQ(c.PG_RPM, 1200);
  EXPECT_EQ(c.PG_Temper, 35);
  // An empty delay is 0; a comma is a decimal point.
  two = p;
  two.PG_Time = "";
  EXPECT_TRUE(CFGPageNumbersConvert(two));
  two.PG_Time = "2,5";
  EXPECT_TRUE(CFGPageNumbersConvert(two));
  two.PG_Temper = "";
  EXPECT_FALSE(CFGPageNumbersConvert(two));

  LevelPageToConfig({806.7, 512, 306, 213, 47}, p);
  EXPECT_EQ(c.Level1, 806);
  EXPECT_EQ(c.Level5, 47);

  Session().ConfigData.CFGPageUpdating = 1;
  p.PG_RPM = "900";
  CFG_Page_To_Config(p);
  EXPECT_EQ(c.PG_RPM, 1200);
}

// A number beyond what its ECU parameter carries is held to it as the page gives it, so the
// model, the file and the wire agree and the saved file loads back with nothing to report.
TEST_F(Config, PageHoldsNumbersToWhatTheirParametersCarry) {
  const Configuration_Class& c = *Session().ConfigData.Configuration;
  struct Case {
    std::string rpm, temper, time;
    std::int32_t pgRPM, pgTemper, pgTime;
  };
  // Numbers longer than any integer or double holds are held like any other.
  const std::string huge = "1" + std::string(400, '0');
  for (const Case& k : {Case{"99999", "99999", "99999", 8000, 3276, 255},
                        Case{"1999999999", "-99999", "-3", 8000, -3276, 0},
                        Case{"99999999999", "4000", "1e300", 8000, 3276, 255},
                        Case{"300", "-4000", "25.5", 458, -3276, 255},
                        Case{"-5", "40", "0.5", 0, 40, 5},
                        Case{"12345678901234567890", "-99999999999999999999999", huge, 8000, -3276, 255},
                        Case{"$" + std::string(30, 'F'), huge, "-" + huge + ",5", 8000, 3276, 0},
                        Case{std::string(40, '0') + "600", "-" + huge, "1e99999", 600, -3276, 255}}) {
    TCFGPageValues p = ConfigToCFGPageValues();
    p.PG_RPM = k.rpm;
    p.PG_Temper = k.temper;
    p.PG_Time = k.time;
    EXPECT_TRUE(CFGPageNumbersConvert(p)) << k.rpm;
    CFG_Page_To_Config(p);
    EXPECT_EQ(c.PG_RPM, k.pgRPM) << k.rpm;
    EXPECT_EQ(c.PG_Temper, k.pgTemper) << k.temper;
    EXPECT_EQ(c.PG_Time, k.pgTime) << k.time;
    LevelPageToConfig({1, 2, 3, 4, 5}, p);
    EXPECT_EQ(c.PG_RPM, k.pgRPM) << k.rpm;

    SaveConfigFile(dir / "held.cfg");
    Session().ConfigData.Configuration->PG_RPM = 1;
    Session().ConfigData.Configuration->PG_Temper = 1;
    ASSERT_TRUE(LoadConfigFile(dir / "held.cfg"));
    EXPECT_TRUE(Session().ConfigData.ConfigLoadReport.Problems.empty())
        << k.rpm << ": " << ConfigLoadReportLines(Session().ConfigData.ConfigLoadReport).front();
    EXPECT_EQ(c.PG_RPM, k.pgRPM);
    EXPECT_EQ(c.PG_Temper, k.pgTemper);
  }
  // However long, a text that is no number is still refused.
  TCFGPageValues p = ConfigToCFGPageValues();
  p.PG_RPM = std::string(25, '9') + "x";
  EXPECT_FALSE(CFGPageNumbersConvert(p));
  EXPECT_THROW(CFG_Page_To_Config(p), rtl::EConvertError);
  EXPECT_EQ(c.PG_RPM, 600);
  p = ConfigToCFGPageValues();
  p.PG_Time = huge + "e";
  EXPECT_FALSE(CFGPageNumbersConvert(p));
  EXPECT_THROW(CFG_Page_To_Config(p), rtl::EConvertError);
  EXPECT_EQ(c.PG_Time, 255);
}

// The temperature is held to what the sensor table carries, the delay off the ECU's code for
// none: the value taken is the one the file keeps and the one the ECU's bytes read back as.
TEST_F(Config, PageHoldsTheTemperatureToTheSensorTableAndTheDelayOffTheNoneCode) {
  Session().ConfigData.SensorTableFileName = dir / "gascal.dat";
  std::string table;
  for (int i = 0; i < 1024; ++i) {  // 150.0 degrees down to -54.6 in steps of 0.2
    const auto e = static_cast<std::uint16_t>(static_cast<std::int16_t>(1500 - 2 * i));
    table += static_cast<char>(e & 0xFF);
    table += static_cast<char>(e >> 8);
  }
  WriteFile(dir / "gascal.dat", table);
  Configuration_Class& c = *Session().ConfigData.Configuration;
  struct Case {
    const char *temper, *time;
    std::int32_t pgTemper, pgTime;
  };
  for (const Case& k : {Case{"99999", "12.8", 150, 127}, Case{"-3000", "12,9", -54, 129},
                        Case{"40", "12.7", 40, 127}, Case{"151", "0", 150, 0}}) {
    TCFGPageValues p = ConfigToCFGPageValues();
    p.PG_Temper = k.temper;
    p.PG_Time = k.time;
    CFG_Page_To_Config(p);
    EXPECT_EQ(c.PG_Temper, k.pgTemper) << k.temper;
    EXPECT_EQ(c.PG_Time, k.pgTime) << k.time;
    EXPECT_EQ(ConfigToCFGPageValues().PG_Temper, std::to_string(k.pgTemper));

    SaveConfigFile(dir / "held.cfg");
    c.PG_Temper = 1;
    ASSERT_TRUE(LoadConfigFile(dir / "held.cfg"));
    EXPECT_EQ(c.PG_Temper, k.pgTemper) << k.temper;

    // What the ECU is sent reads back as the value held.
    std::array<std::uint8_t, 3> a{}, r{};
    ASSERT_TRUE(Param_Encode('A', c, a));
    ASSERT_TRUE(Param_Encode('R', c, r));
    c.PG_Temper = c.PG_Time = -1;
    Param_Decode('A', a[1], a[2], c);
    Param_Decode('R', r[1], r[2], c);
    EXPECT_EQ(c.PG_Temper, k.pgTemper) << k.temper;
    EXPECT_EQ(c.PG_Time, k.pgTime) << k.time;
  }
}

// A number box's text that is no number is reported with the label beside the box, in the
// language the page shows.
TEST_F(Config, PageNamesTheBoxWhoseTextIsNoNumber) {
  TCFGPageValues p = ConfigToCFGPageValues();
  const auto error = [&p] {
    try {
      CFG_Page_To_Config(p);
    } catch (const rtl::EConvertError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  p.PG_Temper = "warm";
  EXPECT_EQ(error(), "Switch to gas when temperature: 'warm' is not a valid integer value");
  p.PG_Temper = "40";
  p.PG_Time = "soon";
  EXPECT_EQ(error().rfind("Delay of gas injectors: ", 0), 0u) << error();

  Session().Texts.LanguageDir = dir.Path().string();
  WriteFile(dir / "German.lng", "CFG_Config_PG_Time Verz\xF6gerung der Gasinjektoren\r\n");
  Session().Texts.CurrentLanguage = "German";
  EXPECT_EQ(error().rfind("Verz\xF6gerung der Gasinjektoren: ", 0), 0u) << error();
  EXPECT_FALSE(LanguageStorePresent());
}

TEST(GasInjectors, LimitsAndFactors) {
  const ecu_test::FreshModel fresh;
  EXPECT_EQ(InjectorTypeNumber("KEIHIN"), 9);
  EXPECT_EQ(InjectorTypeNumber("keihin"), 0);

  std::int32_t lower = -1, upper = -1;
  for (int type : {19, 0, 200}) {
    GetInjectorTimeLimits(static_cast<std::uint8_t>(type), lower, upper);
    EXPECT_EQ(std::make_pair(lower, upper), std::make_pair(-1, -1)) << type;
  }
  GetInjectorTimeLimits(18, lower, upper);
  EXPECT_EQ(std::make_pair(lower, upper), std::make_pair(3500, 4500));

  double slope = 0, offset = 0;
  GetInjectorFactors("RAIL IG3 2.8 Om", slope, offset);
  EXPECT_EQ(std::make_pair(slope, offset), std::make_pair(23.0, 1.5));
  GetInjectorFactors("keihin", slope, offset);
  EXPECT_EQ(offset, 2.0);
  Session().ConfigData.Configuration = std::make_unique<Configuration_Class>();
  Session().ConfigData.Configuration->Injector_Type = "KEIHIN";
  GetInjectorFactors(slope, offset);
  EXPECT_EQ(offset, 1.0);
  Session().ConfigData.Configuration.reset();
}

}  // namespace

}  // namespace config_unit_test
