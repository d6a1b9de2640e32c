#include <gtest/gtest.h>

#include <algorithm>

#include "ecu/FindUnit.h"

#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"

namespace find_unit_test {

using namespace ecu;
using ecu_test::ReadFile;
using ecu_test::TempDir;
using ecu_test::WriteFile;

namespace {

struct Entry {
  std::string key, value, comment;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> Store() {
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < Session().Files.KeyFileKeys.size(); ++i)
    entries.push_back(
        {Session().Files.KeyFileKeys[i], Session().Files.KeyFileValues[i], Session().Files.KeyFileComments[i]});
  return entries;
}

class KeyFile : public ::testing::Test {
protected:
  ecu_test::FreshModel fresh;
  TempDir dir;
};

TEST_F(KeyFile, WritesPaddedLinesWithCRLF) {
  KeyFileOpen(dir / "a.ini");
  KeyFileSet("Work_Gas", "1234", "");
  KeyFileSet("User_Phone", "", "");
  KeyFileSet("Port_Name", "COM3", "port name");
  KeyFileSet(std::string(29, 'B'), "7", "");
  KeyFileSet(std::string(35, 'A'), "8", "");
  KeyFileSave(dir / "a.ini");
  EXPECT_FALSE(KeyFileStorePresent());
  EXPECT_EQ(ReadFile(dir / "a.ini"),
            "Work_Gas" + std::string(21, ' ') + "1234 {}\r\n" +
            "User_Phone" + std::string(19, ' ') + " {}\r\n" +
            "Port_Name" + std::string(20, ' ') + "COM3 {port name}\r\n" +
            std::string(29, 'B') + " 7 {}\r\n" +
            std::string(29, 'A') + " 8 {}\r\n");
  EXPECT_EQ(KeyFilePadKey("Level_Type"), "Level_Type" + std::string(19, ' '));
}

TEST_F(KeyFile, ReadsHandEditedLines) {
  WriteFile(dir / "h.ini",
            "   Port_Name COM3 {port name}\r\n"
            "Reply_Delay=60\n"
            "Search = 5\r"
            "Full_Screen\r\n"
            "Program_Code 25{x}\n"
            "[Section]\n"
            "{note}\n"
            "; x\n"
            "Tab\tKey value\n"
            "\n"
            "Empty {}\n"
            "Last value");
  ASSERT_TRUE(KeyFileLoad(dir / "h.ini"));
  // Keys are held as the file spells them.
  const std::vector<Entry> expected = {
      {"Port_Name", "COM3", "port name"}, {"Reply_Delay", "60", " "}, {"Search", "= 5", " "},
      {"Full_Screen", " ", " "},          {"Program_Code", "2", "x"}, {";", "x", " "},
      {"Tab\tKey", "value", " "},         {"Empty", "", ""},          {"Last", "value", " "}};
  EXPECT_EQ(Store(), expected);

  // Values keep their case; a lone key keeps the lists in step.
  ASSERT_TRUE(KeyFileFind("program_code"));
  EXPECT_EQ(Session().Files.KeyFileValue, "2");
  EXPECT_TRUE(KeyFileFind("Last"));
  EXPECT_EQ(Session().Files.KeyFileValue, "value");
  EXPECT_FALSE(KeyFileFind("Section"));
  EXPECT_EQ(Session().Files.KeyFileFoundIndex, -1);

  // Written back, the lone key keeps its blank value and comment: it is written alone, as
  // it reads back so. A line without braces is written without them.
  KeyFileSave(dir / "h.ini");
  const std::string saved = ReadFile(dir / "h.ini");
  EXPECT_NE(saved.find("\r\nFull_Screen\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\r\n" + KeyFilePadKey("Reply_Delay") + "60\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\r\n" + KeyFilePadKey("Empty") + " {}\r\n"), std::string::npos) << saved;
}

// Lines the reader skips (blank lines, section heads, braced notes) stay where they stood among the keys
// kept, replaced, deleted and added, as they were written. A line without braces and a line
// that holds only its key are written as they read back, so the first save is the file's
// fixed point. A key keeps the file's spelling until a caller sets it in its own.
TEST_F(KeyFile, HandWrittenLinesSurviveASaveInPlaceWhichIsTheFixedPoint) {
  WriteFile(dir / "h.ini",
            "[Car]\r\n"
            "Port_Name COM3 {}\r\n"
            "  { installer note: check jets }\r\n"
            "Gone 1 {}\r\n"
            "\r\n"
            "[Engine]\n"
            "NOBRACE some value\r\n"
            "port_delay = 60\r\n"
            "LoneKey\r\n"
            "\x01{ last note }");
  ASSERT_TRUE(KeyFileOpen(dir / "h.ini"));
  EXPECT_EQ(Store(), (std::vector<Entry>{{"Port_Name", "COM3", ""},
                                         {"Gone", "1", ""},
                                         {"NOBRACE", "some value", " "},
                                         {"port_delay", "= 60", " "},
                                         {"LoneKey", " ", " "}}));
  KeyFileSet("PORT_NAME", "COM4", "");
  EXPECT_TRUE(KeyFileDelete("gone"));
  KeyFileSet("Added", "2", "");
  KeyFileSave(dir / "h.ini");
  const std::string first = ReadFile(dir / "h.ini");
  EXPECT_EQ(first, "[Car]\r\n" + KeyFilePadKey("PORT_NAME") + "COM4 {}\r\n" +
                       "  { installer note: check jets }\r\n"
                       "\r\n[Engine]\r\n" +
                       KeyFilePadKey("NOBRACE") + "some value\r\n" + KeyFilePadKey("port_delay") +
                       "= 60\r\nLoneKey\r\n\x01{ last note }\r\n" + KeyFilePadKey("Added") + "2 {}\r\n");
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(KeyFileOpen(dir / "h.ini"));
    ASSERT_TRUE(KeyFileFind("nobrace"));
    EXPECT_EQ(Session().Files.KeyFileValue, "some value");
    KeyFileSave(dir / "h.ini");
    EXPECT_EQ(ReadFile(dir / "h.ini"), first) << "save " << round + 2;
  }
  // Deleting the last key keeps the lines after it; an emptied store keeps them all.
  ASSERT_TRUE(KeyFileOpen(dir / "h.ini"));
  for (const char* key : {"Added", "LoneKey", "port_delay", "NOBRACE", "Port_Name"}) EXPECT_TRUE(KeyFileDelete(key));
  KeyFileSave(dir / "h.ini");
  EXPECT_EQ(ReadFile(dir / "h.ini"), "[Car]\r\n  { installer note: check jets }\r\n\r\n[Engine]\r\n\x01{ last note }\r\n");
}

TEST_F(KeyFile, TypedReadsAcceptOnlyWholeValues) {
  WriteFile(dir / "t.ini",
            "A tRuE\nB FALSE\nC 1\nD  -42 \nE 12x\nF 99999999999\nG\nH +7\nI 2147483647\nJ -2147483648\n");
  ASSERT_TRUE(KeyFileLoad(dir / "t.ini"));
  ASSERT_TRUE(KeyFileReadBool("a"));
  EXPECT_EQ(Session().Files.KeyFileBool, 1);
  EXPECT_EQ(Session().Files.KeyFileValue, "TRUE");
  ASSERT_TRUE(KeyFileReadBool("B"));
  EXPECT_EQ(Session().Files.KeyFileBool, 0);
  EXPECT_FALSE(KeyFileReadBool("C"));
  EXPECT_EQ(Session().Files.KeyFileBool, 0);

  Session().Files.KeyFileInt = 5;
  for (const char* bad : {"E", "F", "G", "missing", "A"}) {
    EXPECT_FALSE(KeyFileReadInt(bad)) << bad;
    EXPECT_EQ(Session().Files.KeyFileInt, 5) << bad;
  }
  const std::pair<const char*, std::int32_t> good[] = {
      {"D", -42}, {"H", 7}, {"I", 2147483647}, {"J", -2147483647 - 1}, {"C", 1}};
  for (const auto& [key, value] : good) {
    EXPECT_TRUE(KeyFileReadInt(key)) << key;
    EXPECT_EQ(Session().Files.KeyFileInt, value) << key;
  }
}

TEST_F(KeyFile, UpdateKeepsUnknownKeysAndPositions) {
  WriteFile(dir / "u.cfg", "user_name Old {}\r\nMY_OWN_KEY keep me {note}\r\nWork_Gas 5 {}\r\n");
  EXPECT_TRUE(KeyFileOpen(dir / "u.cfg"));
  KeyFileSet("User_Name", "New", "");
  KeyFileSet("Added", "1", "");
  EXPECT_TRUE(KeyFileDelete("WORK_GAS"));
  EXPECT_FALSE(KeyFileDelete("WORK_GAS"));
  KeyFileSave(dir / "u.cfg");
  EXPECT_EQ(ReadFile(dir / "u.cfg"), KeyFilePadKey("User_Name") + "New {}\r\n" + KeyFilePadKey("MY_OWN_KEY") +
                                          "keep me {note}\r\n" + KeyFilePadKey("Added") + "1 {}\r\n");
}

TEST_F(KeyFile, EveryKeyIsFoundAtItsEntryThroughSetsAndDeletes) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "Key_" + std::to_string(i) + " " + std::to_string(i) + " {}\r\n";
  WriteFile(dir / "k.cfg", text);
  ASSERT_TRUE(KeyFileOpen(dir / "k.cfg"));
  std::vector<Entry> expected = Store();
  const auto erase = [&](const std::string& Key) {
    ASSERT_TRUE(KeyFileDelete(Key));
    expected.erase(std::find_if(expected.begin(), expected.end(),
                                [&](const Entry& e) { return rtl::UpperCase(e.key) == rtl::UpperCase(Key); }));
  };
  for (const char* key : {"key_0", "KEY_17", "Key_39", "Key_18"}) erase(key);
  KeyFileSet("kEy_5", "five", "");  // replaces at its place, in the caller's spelling
  expected[4] = {"kEy_5", "five", ""};
  KeyFileSet("New", "n", "c");
  expected.push_back({"New", "n", "c"});
  erase("Key_20");
  KeyFileSet("key_17", "back", "");  // deleted before: added at the end
  expected.push_back({"key_17", "back", ""});
  ASSERT_EQ(Store(), expected);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE(KeyFileFind(rtl::LowerCase(expected[i].key))) << expected[i].key;
    EXPECT_EQ(Session().Files.KeyFileFoundIndex, static_cast<std::int32_t>(i)) << expected[i].key;
    EXPECT_EQ(Session().Files.KeyFileValue, expected[i].value);
  }
  for (const char* gone : {"Key_0", "Key_18", "Key_20", "Key_39", "Key_40"}) EXPECT_FALSE(KeyFileFind(gone)) << gone;
}

// Many keys set and deleted in a scrambled order: the index grows several times, and a
// delete closes up runs of colliding keys; every key is still found at its entry, or not at all.
TEST_F(KeyFile, IndexKeepsUpThroughManySetsAndDeletes) {
  ASSERT_FALSE(KeyFileOpen(dir / "none.cfg"));
  std::vector<Entry> expected;
  const auto at = [&](const std::string& Key) {
    return std::find_if(expected.begin(), expected.end(),
                        [&](const Entry& e) { return rtl::UpperCase(e.key) == rtl::UpperCase(Key); });
  };
  std::uint32_t state = 12345;
  const auto next = [&] { return state = state * 1103515245u + 12345u, state >> 8; };
  for (int step = 0; step < 6000; ++step) {
    std::string key = "K" + std::to_string(next() % 700);
    if (next() % 2) key = rtl::LowerCase(key);
    if (next() % 3 == 0) {
      const bool held = at(key) != expected.end();
      ASSERT_EQ(KeyFileDelete(key), held) << key;
      if (held) expected.erase(at(key));
    } else {
      const std::string value = std::to_string(step);
      KeyFileSet(key, value, "");
      if (const auto e = at(key); e != expected.end())
        *e = {key, value, ""};
      else
        expected.push_back({key, value, ""});
    }
  }
  ASSERT_EQ(Store(), expected);
  for (int n = 0; n < 700; ++n) {
    const std::string key = "k" + std::to_string(n);
    const auto e = at(key);
    ASSERT_EQ(KeyFileFind(key), e != expected.end()) << key;
    if (e != expected.end()) {
      EXPECT_EQ(Session().Files.KeyFileFoundIndex, e - expected.begin()) << key;
    }
  }
}

TEST_F(KeyFile, FileWrittenBySystemReadsBackByteIdentical) {
  const std::vector<Entry> entries = {{"User_Name", "Ivan Petrov", ""},
                                      {"Level_Type", "0 - 90 Om", ""},
                                      {"Note", "a = b } c", "some comment"},
                                      {"Color_3D_MapRPM_Select_Cell", "#FF2B2B2B", ""}};
  auto write = [&] {
    KeyFileOpen(dir / "r.cfg");
    for (const Entry& e : entries) KeyFileSet(e.key, e.value, e.comment);
    KeyFileSave(dir / "r.cfg");
  };
  write();
  const std::string first = ReadFile(dir / "r.cfg");
  ASSERT_TRUE(KeyFileLoad(dir / "r.cfg"));
  for (const Entry& e : entries) {
    ASSERT_TRUE(KeyFileFind(e.key));
    EXPECT_EQ(Session().Files.KeyFileValue, e.value);
    EXPECT_EQ(Session().Files.KeyFileComments[static_cast<std::size_t>(Session().Files.KeyFileFoundIndex)], e.comment);
  }
  KeyFileClose();
  write();
  EXPECT_EQ(ReadFile(dir / "r.cfg"), first);
}

TEST_F(KeyFile, LongKeysAndAwkwardValuesDoNotGrowTheFile) {
  const std::string longKey = "Russian_Language_Font_Name_Style";  // 32 characters
  for (int round = 0; round < 3; ++round) {
    KeyFileOpen(dir / "g.ini");
    KeyFileSet(longKey, std::to_string(round), "");
    KeyFileSet("Notice", "line one\r\nline two\nA{B} {x", "two\nlines {c}");
    KeyFileSave(dir / "g.ini");
  }
  const std::string text = ReadFile(dir / "g.ini");
  EXPECT_EQ(text, longKey.substr(0, 29) + " 2 {}\r\n" + KeyFilePadKey("Notice") +
                      "line one line two A{B} {x {two lines (c)}\r\n");

  ASSERT_TRUE(KeyFileLoad(dir / "g.ini"));
  EXPECT_EQ(Session().Files.KeyFileKeys.size(), 2u);
  EXPECT_FALSE(KeyFileReadInt(longKey));  // a file keeps only the cut key
  ASSERT_TRUE(KeyFileReadInt(longKey.substr(0, 29)));
  EXPECT_EQ(Session().Files.KeyFileInt, 2);
  ASSERT_TRUE(KeyFileFind("notice"));
  EXPECT_EQ(Session().Files.KeyFileValue, "line one line two A{B} {x");  // braces of a value survive
  EXPECT_EQ(Session().Files.KeyFileComments[static_cast<std::size_t>(Session().Files.KeyFileFoundIndex)],
            "two lines (c)");
}

TEST_F(KeyFile, KeysWithControlBytesAreOneKeyInReaderWriterAndSearch) {
  // The first key runs past the key column with control bytes; written back cut, it reads as
  // WORK_GAS. It must be that key from the start, so that setting Work_Gas replaces it.
  const std::string ctrl(21, '\x01');
  WriteFile(dir / "k.cfg", "Work_Gas" + ctrl + "X 5 {}\r\nWork_Gas 1234 {}\r\n\x7fTab\t\x02 7 {}\r\n");
  ASSERT_TRUE(KeyFileOpen(dir / "k.cfg"));
  KeyFileSet("Work_Gas", "1234", "");
  KeyFileSet(std::string("\0Other\x03", 7), "8", "");
  KeyFileSave(dir / "k.cfg");
  ASSERT_TRUE(KeyFileLoad(dir / "k.cfg"));
  ASSERT_TRUE(KeyFileReadInt("Work_Gas"));
  EXPECT_EQ(Session().Files.KeyFileInt, 1234);
  EXPECT_EQ(Session().Files.KeyFileKeys, (std::vector<std::string>{"Work_Gas", "\x7fTab", "Other"}));
  EXPECT_EQ(KeyFileKeyForm(" \tName=value"), "Name");
  EXPECT_EQ(KeyFileKeyForm("[Section]"), "");
}

TEST_F(KeyFile, FirstLineOfARepeatedKeyCountsEverywhere) {
  WriteFile(dir / "d.cfg", "MAP_Gas_1 0 {}\r\nOther 1 {}\r\nmap_gas_1 25 {}\r\nMAP_GAS_1 26 {}\r\n");
  ASSERT_TRUE(KeyFileOpen(dir / "d.cfg"));
  EXPECT_EQ(Session().Files.KeyFileRepeatedKeys, (std::vector<std::string>{"MAP_GAS_1", "MAP_GAS_1"}));
  ASSERT_TRUE(KeyFileReadInt("MAP_Gas_1"));
  EXPECT_EQ(Session().Files.KeyFileInt, 0);
  EXPECT_TRUE(KeyFileDelete("MAP_Gas_1"));
  EXPECT_FALSE(KeyFileFind("MAP_Gas_1"));  // the later lines do not come back
  KeyFileSave(dir / "d.cfg");
  EXPECT_EQ(ReadFile(dir / "d.cfg"), KeyFilePadKey("Other") + "1 {}\r\n");
}

TEST_F(KeyFile, MissingFilesAndEmptyStores) {
  EXPECT_FALSE(KeyFileLoad(dir / "none.ini"));
  EXPECT_FALSE(KeyFileStorePresent());
  EXPECT_FALSE(KeyFileGetBool(dir / "none.ini", "X"));
  EXPECT_FALSE(KeyFileLoad(dir.Path().string()));  // a folder is no key file

  EXPECT_FALSE(KeyFileOpen(dir / "new.ini"));
  EXPECT_TRUE(KeyFileStorePresent());
  EXPECT_TRUE(Session().Files.KeyFileKeys.empty());
  KeyFileSave(dir / "new.ini");
  EXPECT_EQ(ReadFile(dir / "new.ini"), "");
  ASSERT_TRUE(KeyFileLoad(dir / "new.ini"));
  EXPECT_TRUE(Session().Files.KeyFileKeys.empty());
  KeyFileClose();

  WriteFile(dir / "b.ini", "Full_Screen true {}\r\nOther 1\r\n");
  EXPECT_TRUE(KeyFileGetBool(dir / "b.ini", "full_screen"));
  EXPECT_FALSE(KeyFileGetBool(dir / "b.ini", "Other"));
  EXPECT_FALSE(KeyFileStorePresent());
}

TEST_F(KeyFile, SavingGoesThroughATemporaryFileAndFailsLoudly) {
  WriteFile(dir / "s.ini", "Old 1 {}\r\n");
  KeyFileOpen(dir / "s.ini");
  KeyFileSet("New", "2", "");
  KeyFileSave(dir / "s.ini");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);  // no temporary file left behind

  // A folder given with "\" is accepted.
  std::filesystem::create_directory(dir.Path() / "Config");
  KeyFileOpen(dir / "Config\\x.cfg");
  KeyFileSet("K", "V", "");
  KeyFileSave(dir / "Config\\x.cfg");
  EXPECT_EQ(ReadFile(dir / "Config/x.cfg"), KeyFilePadKey("K") + "V {}\r\n");

  KeyFileOpen(dir / "missing/x.ini");
  KeyFileSet("K", "V", "");
  EXPECT_THROW(KeyFileSave(dir / "missing/x.ini"), rtl::EFCreateError);
  EXPECT_FALSE(KeyFileStorePresent());
  EXPECT_TRUE(Session().Files.KeyFileKeys.empty());
}

// What a load holds otherwise than the file has it is listed for the callers' reports: a key
// longer than the key column (held cut to it, with its line) and a line that names no key
// (dropped). Blanks and control bytes that end a key are not part of it, so a key of 29
// characters followed by them is whole. Written back, the file holds nothing more to list.
TEST_F(KeyFile, ALoadListsTheKeysItCutAndTheLinesItDropped) {
  const std::string whole(29, 'm');
  WriteFile(dir / "c.ini", std::string(40, 'k') + " 1 {}\r\n=orphan {}\r\nShort 2 {}\r\n" + whole +
                               "\x01\x01 3\r\n  = 5\r\n" + std::string(31, 'n') + "=4\r\n" +
                               // A value against its "{", a comment not closed, braces in a comment,
                               // and lines the grammar holds as written.
                               "Jet 1.2{x}\r\nOdd val {unclosed\r\nNested v {a {b} c}\r\nTab v\t{t}\r\n"
                               "Fine a{b} {ok}\r\n");
  ASSERT_TRUE(KeyFileLoad(dir / "c.ini"));
  EXPECT_EQ(Session().Files.KeyFileCutKeys, (std::vector<std::string>{std::string(40, 'K'), std::string(31, 'N')}));
  EXPECT_EQ(Session().Files.KeyFileKeylessLines, (std::vector<std::string>{"=orphan {}", "= 5"}));
  EXPECT_EQ(Store(), (std::vector<Entry>{{std::string(29, 'k'), "1", ""},
                                         {"Short", "2", ""},
                                         {std::string(29, 'm'), "3", " "},
                                         {std::string(29, 'n'), "4", " "},
                                         {"Jet", "1.", "x"},
                                         {"Odd", "val", "unclose"},
                                         {"Nested", "v", "a {b} c"},
                                         {"Tab", "v", "t"},
                                         {"Fine", "a{b}", "ok"}}));
  EXPECT_EQ(Session().Files.KeyFileShortenedLines,
            (std::vector<std::string>{"Jet 1.2{x}", "Odd val {unclosed", "Nested v {a {b} c}"}));
  EXPECT_EQ(KeyFileLoadChangeLines({}, {}, Session().Files.KeyFileShortenedLines),
            std::vector<std::string>{"Lines held without the character before their \"{\" or the last of a comment "
                                     "not closed by \"}\", or with braces in their comment, written round: \"Jet "
                                     "1.2{x}\", \"Odd val {unclosed\", \"Nested v {a {b} c}\""});
  KeyFileSave(dir / "c.ini");
  EXPECT_TRUE(Session().Files.KeyFileCutKeys.empty()) << "the lists go with the store";
  ASSERT_TRUE(KeyFileLoad(dir / "c.ini"));
  EXPECT_TRUE(Session().Files.KeyFileCutKeys.empty());
  EXPECT_TRUE(Session().Files.KeyFileKeylessLines.empty());
  EXPECT_TRUE(Session().Files.KeyFileShortenedLines.empty()) << "written back as held, nothing more is lost";
  KeyFileClose();

  EXPECT_EQ(PrintableFileTexts({"a", std::string("b\0", 2), std::string(41, 'c'), "d", "e"}),
            "\"a\", \"b\\x00\", \"" + std::string(40, 'c') + "...\" and 2 more");
  EXPECT_EQ(PrintableFileTexts({"a"}), "\"a\"");
}

TEST(KeyFileHelpers, StripExtensionAndTextPositions) {
  EXPECT_EQ(StripExtension("Config/car.cfg"), "Config/car");
  EXPECT_EQ(StripExtension("C:\\a.b\\file"), "C:\\a");
  EXPECT_EQ(StripExtension("x"), "x");
  EXPECT_EQ(StripExtension("a.tar.gz"), "a.tar");

  const std::vector<std::string> table = {"MATRIX", "REG", "KEIHIN", "REG"};
  EXPECT_EQ(IndexOfText(4, "REG", table), 2);
  EXPECT_EQ(IndexOfText(4, "keihin", table), 0);
  EXPECT_EQ(IndexOfText(2, "KEIHIN", table), 0);
  EXPECT_EQ(IndexOfText(200, "KEIHIN", table), 3);  // never beyond the table

  std::vector<std::u16string> items = {u"1:1", u"Caf\u00E9", u"1:1"};
  EXPECT_EQ(ComboIndexOfText("1:1", items), 1);
  EXPECT_EQ(ComboIndexOfText("Caf\xE9", items), 2);
  EXPECT_EQ(ComboIndexOfText("1:2", items), 0);
  EXPECT_EQ(ComboIndexOfText("1:1", {}), 0);
  std::vector<std::u16string> many(300, u"x");
  many.back() = u"last";
  EXPECT_EQ(ComboIndexOfText("last", many), 0);
}

}  // namespace

}  // namespace find_unit_test
