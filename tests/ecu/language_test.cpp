#include <gtest/gtest.h>

#include "ecu/Language.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>

#include "ecu/Calc_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language_En.h"
#include "ecu/Lng_Chr.h"
#include "ecu/Session.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"
#include "tools/linkrec/Recorder.h"

using namespace ecu;
using ecu_test::WriteFile;

namespace {

class Language : public ::testing::Test {
protected:
  void SetUp() override { Session().Texts.LanguageDir = dir.Path().string(); }
  std::u16string TextOf(const std::string& control) {
    for (const TControlText& t : MainWindowTexts())
      if (t.Control == control) return t.Text;
    return u"<none>";
  }
  ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
};

TEST_F(Language, ReadsALanguageFile) {
  WriteFile(dir / "Russian.lng",
            "{ Russian texts\r\n"
            "Yes \xC4\xE0\r\n"
            "Dim_RPM_Short\t\xEE\xE1/\xEC\xE8\xED\n"
            "   Gas   \xC3\xE0\xE7  \r"
            "Petrol\r\n"
            "\r\n"
            "Stop\r\n");
  Session().Texts.CurrentLanguage = "Russian";
  LoadLanguageFile();
  EXPECT_EQ(Session().Texts.LngKeys,
            (std::vector<std::string>{"{ Russian texts", "YES", "DIM_RPM_SHORT", "GAS", "PETROL", "STOP"}));
  EXPECT_EQ(Session().Texts.LngTexts[0], "");
  EXPECT_EQ(LngText("yes"), "\xC4\xE0");
  EXPECT_EQ(LngToWide(LngText("Yes")), u"\u0414\u0430");
  EXPECT_EQ(LngToWide(LngText("Dim_RPM_Short")), u"\u043E\u0431/\u043C\u0438\u043D");
  EXPECT_EQ(LngText("GAS"), "\xC3\xE0\xE7");
  EXPECT_EQ(LngText("Petrol"), "");      // present without a text: no English fallback
  EXPECT_EQ(LngText("Delay"), "Dealy");  // absent: English
  EXPECT_EQ(LngText("No_Such_Key"), "");

  FreeLanguageFile();
  EXPECT_EQ(LngText("Petrol"), "") << "the language's texts stay in force after the file's use";
  EXPECT_EQ(LngTextFromFile("Yes"), "\xC4\xE0");
  EXPECT_FALSE(LanguageStorePresent());

  Session().Texts.CurrentLanguage = "English";
  LoadLanguageFile();
  EXPECT_EQ(LngText("Yes"), "Yes");
}

TEST_F(Language, CodePagesOfTheLanguages) {
  Session().Texts.CurrentLanguage = "Russian";
  EXPECT_EQ(LngToWide("\xC0"), u"\u0410");
  Session().Texts.CurrentLanguage = "Thai";
  EXPECT_EQ(LngToWide("\xA1"), u"\u0E01");
  Session().Texts.CurrentLanguage = "English";
  EXPECT_EQ(LngToWide("\xB0"), u"\u00B0");
  Session().Texts.CurrentLanguage = "German";
  EXPECT_EQ(LngToWide("\xE9"), u"\u00E9");
  EXPECT_EQ(LngToWide(""), u"");
}

TEST_F(Language, MissingFileFallsBackToEnglish) {
  Session().Texts.CurrentLanguage = "Klingon";
  LoadLanguageFile();
  EXPECT_TRUE(LanguageStorePresent());
  EXPECT_TRUE(Session().Texts.LngKeys.empty());
  EXPECT_EQ(LngText("delay"), "Dealy");
  std::filesystem::create_directory(dir.Path() / "Language");
  Session().Texts.LanguageDir = dir / "Language";
  WriteFile(dir / "Russian.lng", "Yes X\n");
  Session().Texts.CurrentLanguage = "../Russian";  // never a file outside the folder
  LoadLanguageFile();
  EXPECT_TRUE(Session().Texts.LngKeys.empty());
}

TEST_F(Language, BuiltInEnglishTexts) {
  const auto table = EnglishTexts();
  EXPECT_EQ(table.size(), 143u);
  std::set<std::string> keys;
  for (const TLngEntry& e : table) EXPECT_TRUE(keys.insert(UpperCaseASCII(e.Key)).second) << e.Key;
  for (const TLngEntry& e : table) {
    std::string lower = e.Key;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(Language_En_Text(lower), e.Text) << e.Key;
  }
  EXPECT_EQ(Language_En_Text("dim_rpm_short"), "r.p.m.");
  EXPECT_EQ(Session().Texts.CurrentLngKey, "DIM_RPM_SHORT");
  EXPECT_TRUE(IsLngKey("Dim_Rpm_Short"));
  EXPECT_FALSE(IsLngKey("Dim_Rpm_Shor"));
  EXPECT_FALSE(IsLngKey("Dim_Rpm_Shorts"));
  EXPECT_FALSE(IsLngKey("Dim_Rpm_Shirt"));
  EXPECT_EQ(Language_En_Text("IND_PressDiff"), "P, Differential ");
  EXPECT_EQ(Language_En_Text("ACB_Prompt_Start"), "To run autocalibration press \"START\".");
  EXPECT_EQ(Language_En_Text("AutoSearchPort"), "Auto saerch port");
  EXPECT_EQ(Language_En_Text("CFG_Config_PG_Time"), "Delay of gas injectors");

  // The windows' own tables are asked in order while the text is still empty.
  struct Windows : linkrec::Recorder {
    std::vector<std::string> asked;
    void MainFormEnglishText(std::string&) override { asked.push_back("main"); }
    void SettingsEnglishText(std::string& t) override {
      asked.push_back("settings");
      if (IsLngKey("Set_Key")) t = "From settings";
    }
    void SkinEnglishText(std::string&) override { asked.push_back("skin"); }
    void ColorsEnglishText(std::string&) override { asked.push_back("colors"); }
  } windows;
  EXPECT_EQ(Language_En_Text("set_key"), "From settings");
  EXPECT_EQ(windows.asked, (std::vector<std::string>{"main", "settings"}));
  EXPECT_EQ(Language_En_Text("Gas"), "Gas");
  EXPECT_EQ(windows.asked.size(), 2u);
  EXPECT_EQ(Language_En_Text("unknown"), "");
  EXPECT_EQ(windows.asked.size(), 6u);
}

TEST_F(Language, ListsTheFirstNineteenLanguageFilesInTheFoldersOrder) {
  for (int i = 24; i >= 0; --i) WriteFile(dir / ("L" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".lng"), "");
  std::filesystem::create_directory(dir.Path() / "Folder.lng");
  WriteFile(dir / ".lng", "");
  WriteFile(dir / "notes.txt", "");
  WriteFile(dir / "A.old.lng", "");
  WriteFile(dir / "B.LNG", "Yes Ja\n");

  // The folder's own order, whatever it is, decides which files make the cut.
  std::vector<std::string> inFolderOrder{"English"};
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    const std::string file = entry.path().filename().string();
    if (entry.is_regular_file() && file != ".lng" && file != "notes.txt" && inFolderOrder.size() < 20)
      inFolderOrder.push_back(file.substr(0, file.find('.')));
  }
  const std::vector<std::string> names = ListLanguageFiles();
  ASSERT_EQ(names.size(), 20u);
  EXPECT_EQ(names, inFolderOrder);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(Session().Texts.LanguageNames[i], names[i]);

  Session().Texts.CurrentLanguage = "B";  // "B.LNG" is found whatever the case of its name
  EXPECT_EQ(LngTextFromFile("Yes"), "Ja");

  EXPECT_EQ(LanguageComboItems().size(), 20u);
  const auto b = std::find(names.begin(), names.end(), "B");
  EXPECT_EQ(LanguageComboIndex(), b == names.end() ? -1 : b - names.begin());
  Session().Texts.CurrentLanguage = "Elvish";
  EXPECT_EQ(LanguageComboIndex(), -1);

  Session().Texts.LanguageDir = dir / "missing";
  EXPECT_EQ(ListLanguageFiles(), std::vector<std::string>{"English"});
  EXPECT_EQ(Session().Texts.LanguageNames[1], "");
}

TEST_F(Language, MainWindowTextsInEnglishAndThai) {
  const std::map<std::string, std::u16string> expected = {
      {"HudLabel_IND_Petrol_Name", u"Petrol, ms"},
      {"HudLabel_IND_PressVap_Name", u"P, Reducer, bar"},
      {"HudLabel_IND_PressDiff_Name", u"P, Differential , bar"},
      {"HudLabel_IND_TempVap_Name", u"T, Reducer,\u00B0C"},
      {"HudLabel_CFG_PG_Temper", u"Switch to gas when temperature,\u00B0C >"},
      {"HudLabel_CFG_PG_RPM", u"Switch to gas when RPM >"},
      {"HudLabel_CFG_LevelGas_Current", u"Current value, volt"},
      {"HudLabel_CFG_User_Install_KM", u"Installed KM, km"},
      {"HudLabel_CFG_User_Gas_Jets", u"Gas jet diameter, mm"},
      {"HudLabel_CFG_PG_Time", u"Delay of gas injectors, sec"},
      {"HudLabel_CFG_Level_Sensor", u"Type"},
  };
  for (const auto& [control, text] : expected) EXPECT_EQ(TextOf(control), text) << control;
  EXPECT_EQ(MainWindowTexts().size(), 56u);
  EXPECT_EQ(FileMenuItems(), (std::vector<std::u16string>{u"Save", u"Load", u"Default", u"Exit"}));

  WriteFile(dir / "Thai.lng", std::string("IND_TempVap \xA1\r\nGas \xA2\r\nPetrol \xA3 \0\xA4\r\n", 35));
  Session().Texts.CurrentLanguage = "Thai";
  LoadLanguageFile();
  EXPECT_EQ(TextOf("HudLabel_IND_TempVap_Name"), u"\u0E01,\u00B0C");  // the degree sign is not a Thai letter
  // A NUL byte ends a text wherever it is drawn: the text is cut at it, so that the unit after it shows.
  EXPECT_EQ(LngText("Petrol"), "\xA3");
  EXPECT_EQ(TextOf("HudLabel_IND_Petrol_Name"), u"\u0E03, ms");
  CacheLanguageWords();
  EXPECT_EQ(Session().Texts.LanguageWords.Gas, "\xA2");
  EXPECT_EQ(Session().Texts.LanguageWords.Petrol, "\xA3");
  EXPECT_EQ(Session().Texts.LanguageWords.CLB_History_Forward, "Step forward");
}

}  // namespace

#include <fcntl.h>
#include <sys/stat.h>

#include "tests/Fifo.h"

namespace {

// Gives a file a modification time long past, as a language file that came with the
// installation has.
void MakeOld(const std::string& File, long SecondsAgo) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const timespec times[2] = {{now.tv_sec - SecondsAgo, 0}, {now.tv_sec - SecondsAgo, 0}};
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, File.c_str(), times, 0));
}

// The texts follow the file, as every live reply's look-ups ask, without reading a file
// that did not change.
TEST_F(Language, AnUnchangedFileIsReadOnceAndAChangedOneAgain) {
  const std::string file = dir / "Russian.lng";
  WriteFile(file, "Yes Da\nyes Net\n");
  MakeOld(file, 3600);
  Session().Texts.CurrentLanguage = "Russian";
  const std::uint64_t reads = Session().Texts.FileReads;
  for (int i = 0; i < 100; ++i) {
    LoadLanguageFile();
    EXPECT_EQ(LngText("YES"), "Da") << "the first of a key counts";
    FreeLanguageFile();
    EXPECT_EQ(LngText("Yes"), "Da") << "the texts stay in force between loads";
  }
  EXPECT_EQ(Session().Texts.FileReads, reads + 1);

  // New contents: read at the next load, then kept again.
  WriteFile(file, "Yes Jawohl\n");
  MakeOld(file, 1800);
  LoadLanguageFile();
  EXPECT_EQ(LngText("Yes"), "Jawohl");
  LoadLanguageFile();
  EXPECT_EQ(Session().Texts.FileReads, reads + 2);

  // Another language is another file; coming back reads the first again.
  WriteFile(dir / "Thai.lng", "Yes Chai\n");
  MakeOld(dir / "Thai.lng", 3600);
  Session().Texts.CurrentLanguage = "Thai";
  LoadLanguageFile();
  EXPECT_EQ(LngText("Yes"), "Chai");
  Session().Texts.CurrentLanguage = "Russian";
  LoadLanguageFile();
  EXPECT_EQ(LngText("Yes"), "Jawohl");
  EXPECT_EQ(Session().Texts.FileReads, reads + 4);

  // Gone: English again.
  std::filesystem::remove(file);
  LoadLanguageFile();
  EXPECT_TRUE(Session().Texts.LngKeys.empty());
  EXPECT_EQ(LngText("Yes"), "Yes");
}

// A file written just before it was read may be written again within the file system's grain
// of time with the same size and times: while its change lies that close, every load reads it.
TEST_F(Language, AFileThatHadJustChangedIsReadAgainAtEachLoadUntilItsChangeLiesBack) {
  const std::string file = dir / "Russian.lng";
  Session().Texts.CurrentLanguage = "Russian";
  WriteFile(file, "Yes Da\n");
  const std::uint64_t reads = Session().Texts.FileReads;
  LoadLanguageFile();
  EXPECT_EQ(LngText("Yes"), "Da");
  WriteFile(file, "Yes Ne\n");  // the same size, quite possibly the same times
  LoadLanguageFile();
  EXPECT_EQ(LngText("Yes"), "Ne");
  LoadLanguageFile();
  EXPECT_EQ(Session().Texts.FileReads, reads + 3);
  MakeOld(file, 10);
  LoadLanguageFile();
  LoadLanguageFile();
  EXPECT_EQ(Session().Texts.FileReads, reads + 4) << "read once more, then kept";
}

// Only regular files are language files: a FIFO of the name is never opened (it would wait
// for a writer for ever), nor is one under the key files' names.
TEST_F(Language, AFifoIsNoLanguageOrKeyFileAndIsNotWaitedOn) {
  testfifo::Fifo lng(dir / "Russian.lng"), ini(dir / "gascal.ini");
  ASSERT_TRUE(lng.Made() && ini.Made());
  Session().Texts.CurrentLanguage = "Russian";
  EXPECT_TRUE(testfifo::ReturnsWithin(
      60000,
      [&] {
        LoadLanguageFile();
        EXPECT_TRUE(Session().Texts.LngKeys.empty());
        EXPECT_EQ(LngText("Delay"), "Dealy");
        FreeLanguageFile();
      },
      lng));
  EXPECT_TRUE(testfifo::ReturnsWithin(
      60000,
      [&] {
        EXPECT_FALSE(KeyFileLoad(ini.Path()));
        EXPECT_FALSE(KeyFileGetBool(ini.Path(), "Search_Port"));
      },
      ini));
}

// A language chosen (from the menu or the settings file) speaks in every text for the whole
// session, not only while a window looks its texts up: the status line's notices and the
// working hours a reply brings are in it too. The file is read once for it; a key it lacks
// is English.
TEST_F(Language, TheChosenLanguagesTextsAreInForceForTheWholeSession) {
  WriteFile(dir / "Russian.lng",
            "Gas \xC3\xE0\xE7\r\n"
            "Dim_Hour_Long \xF7\xE0\xF1\xEE\xE2\r\n"
            "DynamicIND_Transmission \xCF\xE5\xF0\xE5\xE4\xE0\xF7\xE0 \xE4\xE0\xED\xED\xFB\xF5\r\n");
  WriteFile(dir / "Thai.lng", "Gas \xA1\r\n");
  MakeOld(dir / "Russian.lng", 3600);
  MakeOld(dir / "Thai.lng", 3600);
  const std::uint64_t reads = Session().Texts.FileReads;
  // As the settings file's "Language Russian" leaves it at start: nothing read yet.
  Session().Texts.CurrentLanguage = "Russian";
  EXPECT_EQ(LngToWide(LngText("Gas")), u"\u0413\u0430\u0437");
  EXPECT_EQ(LngToWide(LngText("Dim_Hour_Long")), u"\u0447\u0430\u0441\u043E\u0432");
  EXPECT_EQ(LngToWide(LngText("DynamicIND_Transmission")),
            u"\u041F\u0435\u0440\u0435\u0434\u0430\u0447\u0430 \u0434\u0430\u043D\u043D\u044B\u0445");
  EXPECT_EQ(LngText("DynamicIND_Save_Data"), "Save data in memory") << "a key the file lacks";
  EXPECT_FALSE(LanguageStorePresent());
  // A window's look-up in between changes nothing, and the file is not read again for it.
  LoadLanguageFile();
  FreeLanguageFile();
  EXPECT_EQ(LngToWide(LngText("Gas")), u"\u0413\u0430\u0437");
  EXPECT_EQ(Session().Texts.FileReads, reads + 1);
  // Another language chosen speaks at once; English is the built-in texts; back again.
  Session().Texts.CurrentLanguage = "Thai";
  EXPECT_EQ(LngToWide(LngText("Gas")), u"\u0E01");
  Session().Texts.CurrentLanguage = "English";
  EXPECT_EQ(LngText("Gas"), "Gas");
  Session().Texts.CurrentLanguage = "Russian";
  EXPECT_EQ(LngToWide(LngText("Gas")), u"\u0413\u0430\u0437");
  CacheLanguageWords();
  EXPECT_EQ(Session().Texts.LanguageWords.Gas, "\xC3\xE0\xE7");
  // A language without a file: English, and no file is looked for at each text.
  Session().Texts.CurrentLanguage = "Klingon";
  EXPECT_EQ(LngText("Gas"), "Gas");
  EXPECT_EQ(LngText("Dim_Hour_Long"), "hours");
  EXPECT_EQ(Session().Texts.TextsLanguage, "Klingon");
}

}  // namespace
