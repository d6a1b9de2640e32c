// Files and typed texts from outside: random and truncated input never crashes a reader, never
// breaks the store's invariants, and never makes a file grow on every save.
#include <gtest/gtest.h>

#include <random>

#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"

namespace garbage_input_test {

using namespace ecu;
using ecu_test::ReadFile;
using ecu_test::WriteFile;

namespace {

// Random bytes, biased toward the characters the grammars care about.
std::string Garbage(std::mt19937& rng, std::size_t maxLength) {
  static const std::string special = " =\t{}[]\r\n;#-+0123456789aZ";
  std::uniform_int_distribution<std::size_t> length(0, maxLength);
  std::uniform_int_distribution<int> byte(0, 255), pick(0, 2);
  std::string s(length(rng), '\0');
  for (char& c : s)
    c = pick(rng) == 0 ? static_cast<char>(byte(rng)) : special[static_cast<std::size_t>(byte(rng)) % special.size()];
  return s;
}

TEST(GarbageInput, KeyValueFilesLoadAndSettle) {
  const ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  std::mt19937 rng(20240601);
  const std::string seedFile = KeyFilePadKey("Work_Gas") + "1234 {}\r\n" + KeyFilePadKey("User_Name") + "Ivan {x}\r\n";
  for (int round = 0; round < 400; ++round) {
    std::string bytes = round % 4 == 0 ? seedFile.substr(0, static_cast<std::size_t>(rng()) % seedFile.size())
                                       : Garbage(rng, 300);
    WriteFile(dir / "g.ini", bytes);
    ASSERT_TRUE(KeyFileLoad(dir / "g.ini"));
    ASSERT_EQ(Session().Files.KeyFileKeys.size(), Session().Files.KeyFileValues.size());
    ASSERT_EQ(Session().Files.KeyFileKeys.size(), Session().Files.KeyFileComments.size());
    KeyFileReadInt("WORK_GAS");
    KeyFileReadBool("USER_NAME");

    // Saving what was read settles after one more round and never grows.
    std::string previous;
    for (int save = 0; save < 4; ++save) {
      KeyFileOpen(dir / "g.ini");
      KeyFileSave(dir / "g.ini");
      const std::string now = ReadFile(dir / "g.ini");
      if (save >= 2) {
        ASSERT_EQ(now, previous) << round;
      }
      previous = now;
    }
  }
}

TEST(GarbageInput, LanguageFiles) {
  const ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  Session().Texts.LanguageDir = dir.Path().string();
  Session().Texts.CurrentLanguage = "Thai";
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    WriteFile(dir / "Thai.lng", Garbage(rng, 400));
    LoadLanguageFile();
    ASSERT_EQ(Session().Texts.LngKeys.size(), Session().Texts.LngTexts.size());
    for (const std::string& key : Session().Texts.LngKeys) ASSERT_FALSE(key.empty());
    ASSERT_EQ(MainWindowTexts().size(), 56u);
  }
}

TEST(GarbageInput, SensorTablesOfAnyLength) {
  const ecu_test::FreshModel fresh;
  ecu_test::TempDir dir;
  Session().ConfigData.SensorTableFileName = dir / "t.dat";
  std::mt19937 rng(3);
  for (int round = 0; round < 60; ++round) {
    // Every few rounds a whole table, the others of any length.
    std::string bytes(round % 4 == 0 ? 2048 : static_cast<std::size_t>(rng()) % 2600, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    WriteFile(Session().ConfigData.SensorTableFileName, bytes);
    const auto high = static_cast<std::uint8_t>(rng()), low = static_cast<std::uint8_t>(rng());
    const auto value = SensorTableValue(high, low);
    std::uint8_t h = 0, l = 0;
    const bool found = TemperatureToSensorBytes(static_cast<std::int32_t>(rng()), h, l);
    ASSERT_EQ(found, bytes.size() == 2048);
    ASSERT_EQ(value.has_value(), bytes.size() == 2048);
    if (found) {
      ASSERT_LE(h * 256 + l, 1023);
    }
  }
}

TEST(GarbageInput, TypedPageTextsAndColours) {
  const ecu_test::FreshModel fresh;
  CreateConfiguration("");
  std::mt19937 rng(11);
  for (int round = 0; round < 500; ++round) {
    TCFGPageValues page = ConfigToCFGPageValues();
    const std::string text = Garbage(rng, 12);
    switch (round % 3) {
      case 0: page.PG_RPM = text; break;
      case 1: page.PG_Temper = text; break;
      default: page.PG_Time = text; break;
    }
    page.User_Name = "typed";
    // Whatever the number texts hold, the rest of the page is taken.
    const bool converts = CFGPageNumbersConvert(page);
    try {
      CFG_Page_To_Config(page);
      ASSERT_TRUE(converts) << text;
    } catch (const rtl::EConvertError&) {
      ASSERT_FALSE(converts) << text;
    }
    ASSERT_EQ(Session().ConfigData.Configuration->User_Name, "typed");
    Session().ConfigData.Configuration->User_Name.clear();

    TColor colour = 0x123456;
    if (!ARGBTextToColor(text, colour)) {
      ASSERT_EQ(colour, 0x123456u);
    }
  }
}

}  // namespace

}  // namespace garbage_input_test
