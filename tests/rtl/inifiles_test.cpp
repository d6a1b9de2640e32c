#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Lists.h"
#include "tests/rtl/ScratchFolder.h"

namespace inifiles_test {

namespace {

namespace fs = std::filesystem;
using namespace rtl;
using rtltest::ReadAll;
using rtltest::WriteAll;

class IniFileTest : public rtltest::ScratchFolderTest {
protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    file = (dir / "settings.ini").string();
  }
  std::string file;
};

TEST_F(IniFileTest, ReadsWithoutRegardToCaseAndWritesBackKeepingComments) {
  // Lines end at LF, CR LF or a lone CR.
  WriteAll(file, "; settings\n[Port]\r\nBaud = 9600\rHex=$1F\n; keep me\nodd line\n\n[Other]\nFlag=1\nF=2.5\n");
  TMemIniFile ini(file);
  EXPECT_EQ("9600", ini.ReadString("PORT", "baud", "x"));
  EXPECT_EQ(31, ini.ReadInteger("port", "HEX", 0));
  EXPECT_EQ(7, ini.ReadInteger("Port", "missing", 7));
  EXPECT_EQ(7, ini.ReadInteger("Other", "F", 7));  // not an integer
  EXPECT_TRUE(ini.ReadBool("other", "flag", false));
  EXPECT_DOUBLE_EQ(2.5, ini.ReadFloat("Other", "F", 0));
  EXPECT_EQ("d", ini.ReadString("Nowhere", "Baud", "d"));

  ini.WriteInteger("port", "BAUD", 19200);  // the file's spelling of the key stays
  ini.WriteString("Port", "Name", "COM2");
  ini.WriteFloat("New", "Ratio", 0.1);
  ini.WriteBool("New", "On", true);
  // Nothing reaches the file before UpdateFile.
  EXPECT_EQ(std::string::npos, ReadAll(file).find("19200"));
  ini.UpdateFile();
  EXPECT_EQ("; settings\r\n[Port]\r\nBaud=19200\r\nHex=$1F\r\n; keep me\r\nodd line\r\nName=COM2\r\n\r\n"
            "[Other]\r\nFlag=1\r\nF=2.5\r\n\r\n[New]\r\nRatio=0.1\r\nOn=1\r\n",
            ReadAll(file));
  EXPECT_EQ(1u, Entries());  // no temporary left
}

TEST_F(IniFileTest, ValuesSurviveOuterBlanksAndQuotesAndRefuseLineBreaks) {
  {
    TMemIniFile ini(file);
    ini.WriteString("S", "Blank", "  padded ");
    ini.WriteString("S", "Quotes", "\"q\"");
    ini.WriteString("S", "Empty", "");
    ini.UpdateFile();
  }
  TMemIniFile ini(file);
  EXPECT_EQ("  padded ", ini.ReadString("S", "Blank", ""));
  EXPECT_EQ("\"q\"", ini.ReadString("S", "Quotes", ""));
  EXPECT_EQ("", ini.ReadString("S", "Empty", "default"));
  // A line break would put a forged line into the file.
  EXPECT_THROW(ini.WriteString("S", "K", "x\r\n[Evil]"), EIniFileException);
  EXPECT_THROW(ini.WriteString("S", "K=1", "x"), EIniFileException);
  EXPECT_THROW(ini.WriteString("S]", "K", "x"), EIniFileException);
  EXPECT_FALSE(ini.ValueExists("S", "K"));
}

TEST_F(IniFileTest, IniFileWritesThroughAndListsSections) {
  TIniFile a(file), b(file);
  a.WriteString("A", "k1", "v1");
  b.WriteString("A", "k2", "v2");  // does not lose k1
  b.WriteString("B", "k", "v");
  EXPECT_EQ("[A]\r\nk1=v1\r\nk2=v2\r\n\r\n[B]\r\nk=v\r\n", ReadAll(file));
  TStringList list;
  a.ReadSections(&list);
  EXPECT_EQ("A,B", list.CommaText());
  a.ReadSection("a", &list);
  EXPECT_EQ("k1,k2", list.CommaText());
  a.ReadSectionValues("A", &list);
  EXPECT_EQ("k1=v1,k2=v2", list.CommaText());
  a.DeleteKey("a", "K2");
  b.EraseSection("b");  // the blank separator goes too
  EXPECT_EQ("[A]\r\nk1=v1\r\n", ReadAll(file));
}

TEST_F(IniFileTest, AFailedWriteLeavesTheOldFileWhole) {
  const std::string old = "[S]\r\nKey=old\r\n";
  WriteAll(file, old);
  TMemIniFile ini(file);
  ini.WriteString("S", "Key", std::string(4000, 'x'));
  rtltest::WithFileSizeLimit(1000, [&] { EXPECT_THROW(ini.UpdateFile(), EWriteError); });
  EXPECT_EQ(old, ReadAll(file));
  EXPECT_EQ(1u, Entries());

  // A folder that is a file.
  TMemIniFile inFile((dir / "settings.ini" / "x.ini").string());
  inFile.WriteString("S", "K", "v");
  EXPECT_THROW(inFile.UpdateFile(), EFCreateError);
  EXPECT_EQ(old, ReadAll(file));
}

TEST_F(IniFileTest, ALineBeginningLikeASectionHoldsNoKey) {
  WriteAll(file, "[A]\n[unclosed=2\nk=1\n");
  TMemIniFile ini(file);
  TStringList keys;
  ini.ReadSection("A", &keys);
  ASSERT_EQ(1, keys.Count());
  EXPECT_EQ("k", keys[0]);
}

// Mutated files (fixed seed): whatever a file holds, it loads, and writing it back and
// reading it again gives the same sections and values.
TEST_F(IniFileTest, AnyTextLoadsAndWritesBackToTheSameValues) {
  const std::string sample = "; c\n[A]\nk = \" v \"\nx=1\r\n\n[b]\n=odd\n[A]\nk=2\n[C\nz=\n";
  std::mt19937 rng(7);
  const auto values = [](TMemIniFile& Ini) {
    TStringList sections, lines;
    Ini.ReadSections(&sections);
    std::string all;
    for (int i = 0; i < sections.Count(); ++i) {
      Ini.ReadSectionValues(sections[i], &lines);
      all += "[" + sections[i] + "]" + lines.Text();
    }
    return all;
  };
  for (int n = 0; n < 300; ++n) {
    std::string text = sample;
    for (int e = 1 + static_cast<int>(rng() % 4); e > 0; --e) {
      const std::size_t at = rng() % (text.size() + 1);
      const char bytes[] = {'[', ']', '=', ';', '\r', '\n', '"', ' ', '\0', 'k', static_cast<char>(rng())};
      if (rng() % 3 == 0) text.erase(at, rng() % 4);
      else text.insert(at, 1, bytes[rng() % sizeof bytes]);
    }
    WriteAll(file, text);
    TMemIniFile ini(file);
    ini.WriteString("A", "New", " n ");
    const std::string before = values(ini);
    ini.UpdateFile();
    TMemIniFile again(file);
    ASSERT_EQ(before, values(again)) << text;
  }
}

}  // namespace

}  // namespace inifiles_test
