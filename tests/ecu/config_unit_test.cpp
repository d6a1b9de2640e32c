#include "ecu/Config_Unit.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ecu/FindUnit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/TempDir.h"

using namespace ecu;
using ecu_test::ReadFile;
using ecu_test::WriteFile;

namespace {

class RecordingHost : public TConfigurationHost {
public:
  std::vector<std::string> calls;
  void CalcDiagramPoints() override { calls.push_back("CalcDiagramPoints"); }
  void SetDefaultMapRPM() override { calls.push_back("SetDefaultMapRPM"); }
  void RefreshMapRPMCells() override { calls.push_back("RefreshMapRPMCells"); }
  void LoadMapRPMTable() override {
    calls.push_back("LoadMapRPMTable");
    if (KeyFileReadInt("Cols_Number")) calls.push_back("Cols_Number=" + std::to_string(KeyFileInt));
  }
  void SaveMapRPMTable() override {
    calls.push_back("SaveMapRPMTable");
    KeyFileSet("Cols_Number", "8", "");
  }
  void UpdateMainCaption() override { calls.push_back("UpdateMainCaption"); }
  void BuildCalibrationDiagram() override { calls.push_back("BuildCalibrationDiagram"); }
  void ConfigToCFGPage() override { calls.push_back("ConfigToCFGPage"); }
  void ScheduleTransmit(int kind) override { calls.push_back("ScheduleTransmit " + std::to_string(kind)); }
};

class Config : public ::testing::Test {
protected:
  void SetUp() override {
    ConfigurationHost = &host;
    CreateConfiguration(dir / "none.cfg");
    DiagramPointX.fill(0);
    DiagramPointY.fill(0);
    MapPointsGas.fill(0);
    MapPointsPetrol.fill(0);
    host.calls.clear();
  }
  void TearDown() override {
    ConfigurationHost = nullptr;
    CFGPageUpdating = 0;
    MapPointCount = MapPointCapacity;
    FreeConfiguration();
  }
  std::vector<std::string> KeysOf(const std::string& file) {
    std::vector<std::string> keys;
    std::istringstream in(ReadFile(file));
    for (std::string line; std::getline(in, line);) keys.push_back(line.substr(0, line.find(' ')));
    return keys;
  }
  ecu_test::TempDir dir;
  RecordingHost host;
};

TEST_F(Config, CreationPutsDefaultsInPlace) {
  const Configuration_Class& c = *Configuration;
  EXPECT_EQ(c.Param_68, 5);
  EXPECT_EQ(c.Level_Type, "0 - 90 Om");
  EXPECT_EQ(c.Level_90, 1);
  EXPECT_EQ((std::array{c.Level1, c.Level2, c.Level3, c.Level4, c.Level5}), (std::array{55, 104, 147, 184, 248}));
  EXPECT_EQ(InjectorNames[7], c.Injector_Type);
  ASSERT_EQ(LevelSensorTable.size(), 9u);
  EXPECT_EQ(LevelSensorTable[1]->Name, "AEB 1050");
  EXPECT_EQ(LevelSensorTable[1]->Levels[4], 47);
}

TEST_F(Config, DefaultFollowsThePreviousGasType) {
  Configuration->LPG_on = 0;
  Configuration->Work_Gas = 77;
  Configuration->User_Name = "x";
  Configuration->Level1 = 1;
  SetDefaultConfiguration();
  EXPECT_EQ(Configuration->Param_68, 10);
  EXPECT_EQ(Configuration->LPG_on, 1);
  EXPECT_EQ(Configuration->Work_Gas, 77);  // identification stays
  EXPECT_EQ(Configuration->User_Name, "");
  EXPECT_EQ(Configuration->Level1, 55);
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
  Configuration->User_Name = "Ivan Petrov";
  DiagramPointY[0] = 2300;
  MapPointsGas[2] = 1216;
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
  Configuration_Class& c = *Configuration;
  c.User_Name = "Ivan";
  c.Car_Comments = "first line\r\nsecond line";
  c.Work_Gas = 1234;
  c.Save_Map = 1;
  c.RPM_PreScaler = "1:4";
  c.PG_RPM = 1500;
  c.LPG_on = 0;
  c.Level_Type = "AEB 806";
  c.Level3 = 634;
  for (int i = 0; i < 9; ++i) DiagramPointX[static_cast<std::size_t>(i)] = 1000 * i, DiagramPointY[static_cast<std::size_t>(i)] = 900 * i + 7;
  MapPointsGas[31] = 5, MapPointsPetrol[0] = 6;
  SaveConfigFile(dir / "Golf.cfg");
  const std::string first = ReadFile(dir / "Golf.cfg");

  SetDefaultConfiguration();
  DiagramPointX.fill(0), DiagramPointY.fill(0), MapPointsGas.fill(-1), MapPointsPetrol.fill(-1);
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
  EXPECT_EQ(DiagramPointX[8], 8000);
  EXPECT_EQ(DiagramPointY[8], 7207);
  EXPECT_EQ(MapPointsGas[31], 5);
  EXPECT_EQ(MapPointsGas[0], 0);
  EXPECT_EQ(MapPointsPetrol[0], 6);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"LoadMapRPMTable", "Cols_Number=8", "UpdateMainCaption"}));
  EXPECT_FALSE(KeyFileStorePresent());

  SaveConfigFile(dir / "Golf.cfg");
  EXPECT_EQ(ReadFile(dir / "Golf.cfg"), first);
}

TEST_F(Config, LoadKeepsWhatTheFileLacks) {
  WriteFile(dir / "l.cfg", "Level_Type Setting {}\r\nWork_Gas many {}\r\nPG_RPM 12x {}\r\nLPG_on 1 {}\r\n");
  Configuration->Work_Gas = 50;
  ASSERT_TRUE(LoadConfigFile(dir / "l.cfg"));
  EXPECT_EQ(Configuration->Level_Type, "Setting");
  EXPECT_EQ(Configuration->Level1, 55);  // thresholds only from their own keys
  EXPECT_EQ(Configuration->Work_Gas, 0);
  EXPECT_EQ(Configuration->PG_RPM, 1000);
  EXPECT_EQ(Configuration->LPG_on, 1);

  host.calls.clear();
  EXPECT_FALSE(LoadConfigFile(dir / "missing.cfg"));
  EXPECT_TRUE(host.calls.empty());  // no caption for a missing file
}

TEST_F(Config, MapPointsStayWithinTheArraysAndUnknownKeysSurvive) {
  WriteFile(dir / "m.cfg",
            "MAP_Gas_1 100 {}\r\nMAP_Petrol_1 200 {}\r\nMAP_Gas_2 300 {}\r\nMAP_Gas_33 9 {}\r\n"
            "MAP_Gas_200 9 {}\r\nMy_Key x {}\r\n");
  MapPointCount = 1;
  ASSERT_TRUE(LoadConfigFile(dir / "m.cfg"));
  EXPECT_EQ(MapPointsGas[0], 100);
  EXPECT_EQ(MapPointsPetrol[0], 200);
  EXPECT_EQ(MapPointsGas[1], 0);  // beyond the ECU's count: not read

  MapPointCount = 255;  // whatever the ECU reports, only the arrays' points are used
  MapPointsGas.fill(0);
  MapPointsPetrol.fill(0);
  ASSERT_TRUE(LoadConfigFile(dir / "m.cfg"));
  EXPECT_EQ(MapPointsGas[1], 300);

  MapPointsGas[0] = 0;  // became 0: its key goes
  MapPointsPetrol[0] = 200;
  SaveConfigFile(dir / "m.cfg");
  ASSERT_TRUE(KeyFileLoad(dir / "m.cfg"));
  EXPECT_FALSE(KeyFileFind("MAP_Gas_1"));
  EXPECT_TRUE(KeyFileFind("MAP_Petrol_1"));
  EXPECT_TRUE(KeyFileFind("MAP_Gas_2"));
  EXPECT_TRUE(KeyFileFind("MAP_Gas_33"));
  EXPECT_TRUE(KeyFileFind("MAP_Gas_200"));
  ASSERT_TRUE(KeyFileFind("My_Key"));
  EXPECT_EQ(KeyFileKeys[static_cast<std::size_t>(KeyFileFoundIndex)], "MY_KEY");
  KeyFileClose();
}

TEST_F(Config, CustomerTextsFromAFile) {
  WriteFile(dir / "c.cfg", "User_Name Anna {}\r\nUser_Phone 123 {}\r\nPG_RPM 3000 {}\r\n");
  Configuration->Car_Jet = "2.0";
  ReadCustomerFromFile(dir / "c.cfg");
  EXPECT_EQ(Configuration->User_Name, "Anna");
  EXPECT_EQ(Configuration->User_Phone, "123");
  EXPECT_EQ(Configuration->Car_Jet, "2.0");
  EXPECT_EQ(Configuration->PG_RPM, 1000);
  ReadCustomerFromFile(dir / "missing.cfg");
  EXPECT_EQ(Configuration->User_Name, "");
  EXPECT_EQ(Configuration->Car_Jet, "");
}

TEST_F(Config, PageShowsTheModel) {
  Configuration->NoSequentInject = 1;
  Configuration->LPG_on = 0;
  Configuration->PG_Time = 25;
  Configuration->Data_KM = "120000";
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

TEST_F(Config, PageChangesTheModelWholeOrNotAtAll) {
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
  const Configuration_Class& c = *Configuration;
  EXPECT_EQ(c.RPM_PreScaler, "1:3");
  EXPECT_EQ(c.PG_RPM, 1200);
  EXPECT_EQ(c.PG_Temper, 35);
  EXPECT_EQ(c.NoSequentInject, 1);
  EXPECT_EQ(c.LPG_on, 0);
  EXPECT_EQ(c.Param_68, 10);
  EXPECT_EQ(c.GP_Buzzer, 1);
  EXPECT_EQ(c.PG_Time, 15);
  EXPECT_EQ(c.Car_Comments, "notice");
  EXPECT_EQ(host.calls, std::vector<std::string>{"ScheduleTransmit 2"});

  for (auto bad : {&TCFGPageValues::PG_RPM, &TCFGPageValues::PG_Temper, &TCFGPageValues::PG_Time}) {
    TCFGPageValues q = p;
    q.RPM_Prescaler = "1:6";
    q.User_Name = "changed";
    q.*bad = "abc";
    EXPECT_THROW(CFG_Page_To_Config(q), rtl::EConvertError);
    EXPECT_THROW(LevelPageToConfig({1, 2, 3, 4, 5}, q), rtl::EConvertError);
    EXPECT_EQ(c.RPM_PreScaler, "1:3");
    EXPECT_EQ(c.User_Name, "");
    EXPECT_EQ(c.Level1, 55);
  }
  EXPECT_EQ(host.calls.size(), 1u);

  LevelPageToConfig({806.7, 512, 306, 213, 47}, p);
  EXPECT_EQ(c.Level1, 806);
  EXPECT_EQ(c.Level5, 47);

  CFGPageUpdating = 1;
  p.PG_RPM = "900";
  CFG_Page_To_Config(p);
  EXPECT_EQ(c.PG_RPM, 1200);
}

TEST(GasInjectors, LimitsAndFactors) {
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
  Configuration = std::make_unique<Configuration_Class>();
  Configuration->Injector_Type = "KEIHIN";
  GetInjectorFactors(slope, offset);
  EXPECT_EQ(offset, 1.0);
  Configuration.reset();
}

}  // namespace
