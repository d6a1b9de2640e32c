// Configurations by name: which names may be used, what the folder offers, and what Save,
// Load and Default change, ask of the ECU and tell the user.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/core/Calibr_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "app/core/SaveLoad_Unit.h"
#include "app/core/Window_Session.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"
#include "tools/linkrec/Recorder.h"

namespace saveload_test {

namespace {

using ecu_test::ReadFile;
using ecu_test::WriteFile;
namespace fs = std::filesystem;

class SaveLoadTest : public ::testing::Test {
protected:
  void SetUp() override {
    ecu::Session().ConfigData.ConfigDir = dir / "Config";
    ecu::CreateConfiguration(dir / "none.cfg");
    host.ClearLog();
  }
  ecu::Configuration_Class& Model() { return *ecu::Session().ConfigData.Configuration; }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const linkrec::Record& r : host.Find("message ")) texts.push_back(r.What);
    return texts;
  }
  std::string CfgFile(const std::string& Name) { return dir / ("Config/" + Name + ".cfg"); }

  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  linkrec::Recorder host;
};

TEST_F(SaveLoadTest, NamesAreCutToWhatTheEcuKeepsAndMayNotLeaveTheFolder) {
  EXPECT_EQ(app::CutCfgName(u"abcdefghij"), u"abcdefgh");
  EXPECT_EQ(app::CutCfgName(u"car1"), u"car1");
  EXPECT_EQ(app::CutCfgName(u""), u"");
  // Counted in the code page's bytes, one per letter here (not UTF-8's two).
  EXPECT_EQ(app::CutCfgName(u"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"), u"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9");
  EXPECT_EQ(app::CfgNameProblem(u"car1"), "");
  EXPECT_EQ(app::CfgNameProblem(u"a.b"), "");
  for (const std::u16string name : {u"", u"abcdefghi", u"..", u"../x", u"a/b", u"a\\b", u"...", u"a:b", u"a\tb"})
    EXPECT_NE(app::CfgNameProblem(name), "") << std::string(name.begin(), name.end());
  // A character the code page cannot hold would come back from the ECU as another name.
  EXPECT_NE(app::CfgNameProblem(u"car\u4e00"), "");
}

TEST_F(SaveLoadTest, TheListShowsFilesWithoutExtensionAndMakesTheFolder) {
  EXPECT_TRUE(app::ListConfigFiles().empty());
  EXPECT_TRUE(fs::is_directory(dir / "Config"));
  WriteFile(dir / "Config/Car.txt", "x");
  WriteFile(dir / "Config/bus.cfg", "x");
  WriteFile(dir / "Config/Car.cfg", "x");
  WriteFile(dir / "Config/plain", "x");
  fs::create_directories(dir / "Config/folder.cfg");
  EXPECT_EQ(app::ListConfigFiles(), (std::vector<std::u16string>{u"bus", u"Car", u"plain"}));
}

// Only names a save would take are listed: "..cfg" and "...cfg" would show as "." and "..",
// which no load may open; neither may a name longer than the ECU keeps.
TEST_F(SaveLoadTest, TheListLeavesOutNamesTheSaveWouldRefuse) {
  fs::create_directories(dir / "Config");
  for (const char* name : {"..cfg", "...cfg", "a..b.cfg", "toolong12.cfg", "car1.cfg", ".hidden"})
    WriteFile(dir / (std::string("Config/") + name), "x");
  EXPECT_EQ(app::ListConfigFiles(), (std::vector<std::u16string>{u"car1"}));
  for (const char16_t* name : {u".", u"..", u"a..b", u"toolong12"}) EXPECT_FALSE(app::CfgNameAllowed(name));
}

TEST_F(SaveLoadTest, SaveWritesTheFileThenNamesItEverywhereAndSendsItWithTheLinkUp) {
  ecu::Session().Link.LinkUp = 1;
  Model().PG_Temper = 1234;
  EXPECT_TRUE(app::RunSaveLoad(app::TFileMenuMode::Save, u"car1"));
  EXPECT_NE(ReadFile(CfgFile("car1")).find("1234"), std::string::npos);
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "car1");
  EXPECT_EQ(app::Model().Settings.CFG_Full_File_Name, ecu::Session().ConfigData.ConfigDir + "/car1.cfg");
  EXPECT_EQ(Model().Cfg_Name, "car1");
  EXPECT_EQ(app::CurrentCfgName(), u"car1");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  EXPECT_FALSE(host.Find("caption").empty());
  EXPECT_TRUE(Messages().empty());

  // With the link down the names follow, and nothing is asked of the ECU.
  ecu::Session().Link.LinkUp = 0;
  ecu::Session().Link.TaskRequest = 0;
  EXPECT_TRUE(app::SaveConfigurationAs(u"car2"));
  EXPECT_TRUE(fs::exists(CfgFile("car2")));
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "car2");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
}

TEST_F(SaveLoadTest, ARefusedNameOrAFailedSaveIsToldAndChangesNothing) {
  ecu::Session().Link.LinkUp = 1;
  app::Model().Settings.CFG_File_Name = "old";
  app::Model().Settings.CFG_Full_File_Name = "Config/old.cfg";
  Model().Cfg_Name = "old";
  EXPECT_FALSE(app::SaveConfigurationAs(u"../evil"));
  EXPECT_FALSE(fs::exists(dir / "evil.cfg"));
  // The folder cannot be made: a file stands where it should be.
  WriteFile(dir / "blocker", "x");
  ecu::Session().ConfigData.ConfigDir = dir / "blocker";
  EXPECT_FALSE(app::RunSaveLoad(app::TFileMenuMode::Save, u"car1"));
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[1].find("was not saved"), std::string::npos);
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "old");
  EXPECT_EQ(app::Model().Settings.CFG_Full_File_Name, "Config/old.cfg");
  EXPECT_EQ(Model().Cfg_Name, "old");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_TRUE(host.Find("caption").empty());
}

// The close puts a customer's detail taken from its box into the current file: nothing without
// one taken; a file that cannot be written, or a folder in its place, is said with its path.
TEST_F(SaveLoadTest, ACustomersDetailTheCloseCannotWriteIsSaid) {
  Model().User_Name = "Sidorov";
  const std::string unwritable = dir / "none/car1.cfg", folder = CfgFile("car2");
  app::Model().Settings.CFG_Full_File_Name = unwritable;
  EXPECT_EQ(app::SaveCustomerAtClose(), "") << "no detail was taken";
  app::Model().Actions.CustomerTaken = true;
  const std::string said = "The customer's details were not written to the configuration file \"";
  EXPECT_EQ(app::SaveCustomerAtClose().rfind(said + unwritable + "\": ", 0), 0u) << app::SaveCustomerAtClose();
  fs::create_directories(folder);
  app::Model().Settings.CFG_Full_File_Name = folder;
  EXPECT_EQ(app::SaveCustomerAtClose(), said + folder + "\": is not a regular file");
  EXPECT_FALSE(fs::exists(unwritable));
  // Without a current file, the details stay while the ECU names none, and are said lost to the
  // details of the file it names.
  app::Model().Settings.CFG_Full_File_Name.clear();
  app::SaveCustomerBeforeEcuFile(false);
  EXPECT_TRUE(Messages().empty());
  app::SaveCustomerBeforeEcuFile(true);
  EXPECT_EQ(Messages(), std::vector<std::string>{"message 13 The customer's details were not written to a "
                                                 "configuration file, as none was current: those of the file the "
                                                 "ECU names show now"});
}

TEST_F(SaveLoadTest, LoadReadsOverTheDefaultsAndShowsWhatTheFileCouldNotGive) {
  ecu::Session().Link.LinkUp = 1;
  Model().PG_Temper = 55;
  app::Model().MapRPM.MapRPMTexts[3][4] = "1.03";
  app::PackMapRPMTable();
  ASSERT_TRUE(app::SaveConfigurationAs(u"car1"));
  ecu::Session().Link.TaskRequest = 0;
  app::NewConfiguration();
  ASSERT_EQ(app::Model().MapRPM.MapRPMTexts[3][4], "1.00");
  ASSERT_EQ(Model().PG_Temper, 40);
  ecu::Session().Link.TaskRequest = 0;
  host.ClearLog();

  EXPECT_TRUE(app::RunSaveLoad(app::TFileMenuMode::Load, u"car1"));
  EXPECT_EQ(Model().PG_Temper, 55);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[3][4], "1.03");
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "car1");
  EXPECT_EQ(Model().Cfg_Name, "car1");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  EXPECT_FALSE(host.Find("configuration page").empty());
  EXPECT_TRUE(Messages().empty());

  // A file with a value it cannot take: the rest is loaded, and the user is told.
  std::string text = ReadFile(CfgFile("car1"));
  const std::size_t at = text.find("Cell_2_3");
  ASSERT_NE(at, std::string::npos);
  text.replace(text.find("1.03", at), 4, "x.03");
  WriteFile(CfgFile("bad"), text);
  EXPECT_TRUE(app::LoadConfigurationFrom(u"bad"));
  EXPECT_EQ(Model().PG_Temper, 55);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[3][4], "1.00");  // the default stays
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("Cell_2_3"), std::string::npos);
  EXPECT_NE(Messages()[0].find("bad.cfg"), std::string::npos);
}

// A name whose file is missing, or is a folder or a FIFO (which the list shows, as any entry
// that is no folder), changes nothing, and the message says which it is, in the words the
// sensor table's message uses.
TEST_F(SaveLoadTest, LoadOfANameWithoutAFileChangesNothing) {
  ecu::Session().Link.LinkUp = 1;
  Model().PG_Temper = 77;
  app::Model().MapRPM.MapRPMTexts[1][1] = "0.50";
  app::Model().Settings.CFG_File_Name = "old";
  fs::create_directories(dir / "Config/dir.cfg");
  ASSERT_EQ(::mkfifo(CfgFile("Pipe").c_str(), 0600), 0);
  EXPECT_EQ(app::ListConfigFiles(), std::vector<std::u16string>{u"Pipe"});
  for (const std::u16string name : {u"nofile", u"dir", u"Pipe", u"..\\x"}) {
    EXPECT_FALSE(app::LoadConfigurationFrom(name));
    EXPECT_EQ(Model().PG_Temper, 77);
    EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[1][1], "0.50");
    EXPECT_EQ(app::Model().Settings.CFG_File_Name, "old");
    EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  }
  const std::vector<std::string> said = Messages();
  ASSERT_EQ(said.size(), 4u);
  EXPECT_NE(said[0].find("nofile.cfg\" file not found"), std::string::npos) << said[0];
  EXPECT_NE(said[1].find("dir.cfg\" is not a regular file"), std::string::npos) << said[1];
  EXPECT_NE(said[2].find("Pipe.cfg\" is not a regular file"), std::string::npos) << said[2];
}

// A file that gives not one key of a configuration (100 KB of random bytes, 20 MB of base64
// text) is refused: loaded over the defaults it would send the ECU a whole default
// configuration, calibration and map in place of a tuned car's. Nothing changes, nothing is
// asked of the ECU, and the message says the file holds no configuration; so at start, when
// the settings name such a file. A file with one key of a configuration loads as ever.
TEST_F(SaveLoadTest, AFileThatHoldsNoConfigurationChangesNothingAndSendsNothing) {
  ecu::Session().Link.LinkUp = 1;
  Model().PG_Temper = 77;
  Model().Cfg_Name = "golf";
  app::Model().MapRPM.MapRPMTexts[1][1] = "0.50";
  app::PackMapRPMTable();
  ecu::Session().ConfigData.DiagramPointY[4] = 1234;
  app::Model().Settings.CFG_File_Name = "golf";
  std::mt19937 random(2);
  std::string junk(100 * 1024, '\0'), base64;
  for (char& b : junk) b = static_cast<char>(random() & 0xFF);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  base64.reserve(20u << 20);
  while (base64.size() < (20u << 20)) {
    for (int i = 0; i < 76; ++i) base64 += alphabet[random() % 64];
    base64 += "\n";
  }
  fs::create_directories(dir / "Config");
  WriteFile(CfgFile("junk"), junk);
  WriteFile(CfgFile("base64"), base64);
  for (const std::u16string name : {u"junk", u"base64"}) {
    EXPECT_FALSE(app::RunSaveLoad(app::TFileMenuMode::Load, name)) << "the window stays open";
    EXPECT_EQ(Model().PG_Temper, 77);
    EXPECT_EQ(Model().Cfg_Name, "golf");
    EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[1][1], "0.50");
    EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[4], 1234);
    EXPECT_EQ(app::Model().Settings.CFG_File_Name, "golf");
    EXPECT_EQ(ecu::Session().Link.TaskRequest, 0) << "nothing is written to the ECU";
    EXPECT_TRUE(host.Find("configuration page").empty());
  }
  const std::vector<std::string> said = Messages();
  ASSERT_EQ(said.size(), 2u);
  for (const std::string name : {"junk", "base64"})
    EXPECT_NE(std::find(said.begin(), said.end(),
                        "message 13 \"" + CfgFile(name) +
                            "\" holds no configuration: not one of its lines gives a key of a configuration file, "
                            "and nothing of it was loaded"),
              said.end())
        << said[0];
  EXPECT_EQ(ReadFile(CfgFile("junk")), junk) << "the file is left as it is";

  // At start the settings name the junk: the defaults stand, under no file's name, and the
  // installer is told.
  host.ClearLog();
  ecu::CreateConfiguration(CfgFile("junk"));
  EXPECT_EQ(Model().Cfg_Name, "");
  EXPECT_EQ(Model().PG_Temper, 40);
  app::ShowConfigLoadReport();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("junk.cfg\" holds no configuration"), std::string::npos) << Messages()[0];

  // One key of a configuration after the junk: a partial file, loaded over the defaults and
  // sent, with what it lacks reported.
  host.ClearLog();
  WriteFile(CfgFile("partial"), junk + "\r\nPG_Temper 55 {}\r\n");
  EXPECT_TRUE(app::LoadConfigurationFrom(u"partial"));
  EXPECT_EQ(Model().PG_Temper, 55);
  EXPECT_EQ(Model().Cfg_Name, "partial");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("was loaded; what it could not give:\nMissing, defaults kept: Work_Gas"),
            std::string::npos)
      << Messages()[0];
}

// With the link down the ECU is not asked: the request would go to whatever answers next. The
// next read puts the ECU's values back, so the user is told that the defaults were not written;
// so is a load. While the ECU is being read, neither changes anything: the read would replace it.
TEST_F(SaveLoadTest, DefaultForgetsTheFileAndAsksTheEcuOnlyWithTheLinkUp) {
  ecu::Session().Link.LinkUp = 0;
  app::Model().Settings.CFG_File_Name = "car1";
  app::Model().Settings.CFG_Full_File_Name = "Config/car1.cfg";
  Model().Cfg_Name = "car1";
  Model().PG_Temper = 9;
  app::Model().MapRPM.MapRPMTexts[2][2] = "1.50";
  const std::uint8_t history = app::Model().Diagram.HistoryCount;
  app::NewConfiguration();
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "");
  EXPECT_EQ(app::Model().Settings.CFG_Full_File_Name, "");
  EXPECT_EQ(Model().Cfg_Name, "");
  EXPECT_EQ(Model().PG_Temper, 40);
  EXPECT_EQ(app::Model().MapRPM.MapRPMTexts[2][2], "1.00");
  EXPECT_EQ(app::Model().Diagram.HistoryCount, history + 1);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_FALSE(host.Find("configuration page").empty());
  const std::string noLink = "message 13 " + ecu::LngText("MSG_Not_Written_No_Link");
  EXPECT_EQ(Messages(), std::vector<std::string>{noLink});
  Model().PG_Temper = 9;
  ASSERT_TRUE(app::SaveConfigurationAs(u"car1"));
  EXPECT_EQ(Messages().size(), 1u) << "the file is written; nothing was changed";
  app::NewConfiguration();
  ASSERT_TRUE(app::LoadConfigurationFrom(u"car1"));
  EXPECT_EQ(Model().PG_Temper, 9);
  EXPECT_EQ(Messages(), (std::vector<std::string>{noLink, noLink, noLink}));
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);

  ecu::Session().Link.LinkUp = 1;
  ecu::Session().Link.Reading = 1;
  ++ecu::Session().Link.ReadCount;
  host.ClearLog();
  app::NewConfiguration();
  EXPECT_FALSE(app::LoadConfigurationFrom(u"car1"));
  EXPECT_EQ(Model().PG_Temper, 9);
  EXPECT_EQ(Model().Cfg_Name, "car1");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"message 13 " + ecu::LngText("MSG_Not_Written_Reading")})
      << "told once for each read";
  EXPECT_TRUE(host.Find("configuration page").empty());

  ecu::Session().Link.Reading = 0;
  app::NewConfiguration();
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
}

}  // namespace

}  // namespace saveload_test
