// Font families: explicit existence checks, the generic fallback, Wine's Tahoma and
// fonts added from memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include <unistd.h>

#include "platform/gfx2d/Backend.h"
#include "platform/gfx2d/Fonts.h"
#include "platform/gfx2d/Text.h"

namespace fonts_test {

namespace {

using namespace gfx2d;

class Fonts : public ::testing::Test {
protected:
  void SetUp() override { Startup(); }
  void TearDown() override { Shutdown(); }
};

std::vector<uint8_t> FileBytes(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(Fonts, MissingFamiliesAreNotSubstituted) {
  EXPECT_TRUE(FontFamilyExists("DejaVu Sans"));
  EXPECT_TRUE(FontFamilyExists("dejavu  SANS"));
  EXPECT_FALSE(FontFamilyExists("No Such Family 42"));
  EXPECT_FALSE(FontFamilyExists(""));
  EXPECT_EQ(ResolveFontFamily("No Such Family 42"), GenericSansSerifFamily());
  EXPECT_TRUE(FontFamilyExists(GenericSansSerifFamily()));
  EXPECT_EQ(ResolveFontFamily("DejaVu Sans"), "DejaVu Sans");
  EXPECT_TRUE(FontStyleAvailable("DejaVu Sans", true, false));
  EXPECT_FALSE(FontStyleAvailable("No Such Family 42", false, false));
}

TEST_F(Fonts, WineTahomaIsRegisteredWhenPresent) {
  const bool present = std::filesystem::exists(std::string(WineFontDir) + "/tahoma.ttf");
  EXPECT_EQ(RegisterDefaultFonts(), present);
  EXPECT_EQ(ResolveFontFamily("Tahoma"), present ? "Tahoma" : GenericSansSerifFamily());
  EXPECT_FALSE(AddFontDir("/no/such/folder"));
  if (present) {
    EXPECT_TRUE(FontStyleAvailable("Tahoma", false, false));
    EXPECT_TRUE(FontStyleAvailable("Tahoma", true, false));
    EXPECT_FALSE(FontStyleAvailable("Tahoma", false, true));  // no italic face
  }
}

TEST_F(Fonts, TheFamilyListNamesEachFamilyOnceSortedAndFollowsAddedFonts) {
  const std::vector<std::string> families = FontFamilies();
  ASSERT_FALSE(families.empty());
  const auto lower = [](std::string Text) {
    for (char& c : Text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Text;
  };
  for (size_t i = 1; i < families.size(); ++i)
    EXPECT_LT(lower(families[i - 1]), lower(families[i])) << "sorted, each once";
  // A family with more names (DejaVu Sans Condensed is also DejaVu Sans) is listed by its first.
  EXPECT_EQ(std::count(families.begin(), families.end(), "DejaVu Sans"), 1);
  EXPECT_EQ(std::count(families.begin(), families.end(), "DejaVu Sans Condensed"), 0);
  for (const std::string& f : families) EXPECT_TRUE(FontFamilyExists(f)) << f;

  // Fonts added later are in the next list.
  if (!std::filesystem::exists(std::string(WineFontDir) + "/tahoma.ttf")) GTEST_SKIP() << "no Tahoma to add";
  ASSERT_EQ(std::count(families.begin(), families.end(), "Tahoma"), 0);
  ASSERT_TRUE(RegisterDefaultFonts());
  const std::vector<std::string> more = FontFamilies();
  EXPECT_EQ(std::count(more.begin(), more.end(), "Tahoma"), 1);
  EXPECT_GT(more.size(), families.size());
}

TEST_F(Fonts, FontsFromMemory) {
  // Names planted in the shared temporary folder are never written through.
  const auto tmp = std::filesystem::temp_directory_path();
  const auto victim = tmp / ("gascal-victim-" + std::to_string(::getpid()));
  std::ofstream(victim) << "keep";
  std::vector<std::filesystem::path> planted;
  for (int i = 1; i <= 4; ++i) {
    planted.push_back(tmp / ("gascal-font-" + std::to_string(::getpid()) + "-" + std::to_string(i) + ".ttf"));
    std::filesystem::create_symlink(victim, planted.back());
  }
  const uint8_t junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_TRUE(AddFontFromMemory(junk, sizeof junk).Families.empty());
  EXPECT_TRUE(AddFontFromMemory(nullptr, 0).Families.empty());
  EXPECT_EQ(FileBytes(victim.string()), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  for (const auto& p : planted) std::filesystem::remove(p);
  std::filesystem::remove(victim);
  const std::vector<uint8_t> bytes = FileBytes(std::string(WineFontDir) + "/tahoma.ttf");
  if (bytes.empty()) GTEST_SKIP() << "no Tahoma to load";
  ASSERT_FALSE(FontFamilyExists("Tahoma"));  // the folder is not known after a restart
  const auto added = AddFontFromMemory(bytes.data(), bytes.size());
  ASSERT_EQ(added.Families.size(), 1u);
  EXPECT_EQ(added.Families[0], "Tahoma");
  EXPECT_TRUE(FontFamilyExists("Tahoma"));
}

// Points the temporary folder at a folder of the test's own while it lives.
class OwnTempDir {
public:
  OwnTempDir() : path_(std::filesystem::temp_directory_path() / ("gascal-fonts-test-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
    if (const char* old = std::getenv("TMPDIR")) old_ = old, hadOld_ = true;
    ::setenv("TMPDIR", path_.c_str(), 1);
  }
  ~OwnTempDir() {
    if (hadOld_) ::setenv("TMPDIR", old_.c_str(), 1);
    else ::unsetenv("TMPDIR");
    std::filesystem::remove_all(path_);
  }
  size_t Files() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
  }

private:
  std::filesystem::path path_;
  std::string old_;
  bool hadOld_ = false;
};

TEST_F(Fonts, FontsFromMemoryShareOneFilePerContentAndGoWithTheirLastUser) {
  const std::vector<uint8_t> bytes = FileBytes(std::string(WineFontDir) + "/tahoma.ttf");
  if (bytes.empty()) GTEST_SKIP() << "no Tahoma to load";
  OwnTempDir dir;
  // What FreeType does not read as a font writes nothing, whatever it starts with.
  std::vector<uint8_t> fake(bytes.begin(), bytes.begin() + 64);
  for (const char* magic : {"\0\1\0\0", "OTTO", "ttcf", "wOFF", "true"}) {
    std::copy(magic, magic + 4, fake.begin());
    EXPECT_TRUE(AddFontFromMemory(fake.data(), fake.size()).Families.empty()) << magic;
  }
  EXPECT_EQ(dir.Files(), 0u);

  const MemoryFont first = AddFontFromMemory(bytes.data(), bytes.size());
  ASSERT_EQ(first.Families, std::vector<std::string>{"Tahoma"});
  for (int i = 0; i < 200; ++i) ASSERT_EQ(AddFontFromMemory(bytes.data(), bytes.size()).Key, first.Key);
  EXPECT_EQ(dir.Files(), 1u);
  for (int i = 0; i < 200; ++i) ReleaseMemoryFont(first.Key);
  EXPECT_EQ(dir.Files(), 1u);
  EXPECT_TRUE(FontFamilyExists("Tahoma"));
  ReleaseMemoryFont(first.Key);  // the last user
  EXPECT_EQ(dir.Files(), 0u);
  EXPECT_FALSE(FontFamilyExists("Tahoma"));
  ReleaseMemoryFont(first.Key);  // once too often: nothing happens

  // Collections hold their fonts; the last one to go takes the file with it.
  auto a = std::make_unique<PrivateFontCollection>();
  {
    PrivateFontCollection b;
    ASSERT_TRUE(a->AddMemoryFont(bytes.data(), bytes.size()));
    ASSERT_TRUE(a->AddMemoryFont(bytes.data(), bytes.size()));
    ASSERT_TRUE(b.AddMemoryFont(bytes.data(), bytes.size()));
    EXPECT_FALSE(b.AddMemoryFont(fake.data(), fake.size()));
    EXPECT_EQ(dir.Files(), 1u);
    EXPECT_EQ(a->Families(), std::vector<std::string>{"Tahoma"});
  }
  EXPECT_EQ(dir.Files(), 1u);
  EXPECT_TRUE(FontFamilyExists("Tahoma"));
  a.reset();
  EXPECT_EQ(dir.Files(), 0u);
  EXPECT_FALSE(FontFamilyExists("Tahoma"));

  // Shutdown deletes what is still held; the key from before it is then ignored.
  const MemoryFont held = AddFontFromMemory(bytes.data(), bytes.size());
  EXPECT_EQ(dir.Files(), 1u);
  Shutdown();
  EXPECT_EQ(dir.Files(), 0u);
  Startup();
  const MemoryFont again = AddFontFromMemory(bytes.data(), bytes.size());
  EXPECT_NE(again.Key, held.Key);
  ReleaseMemoryFont(held.Key);
  EXPECT_EQ(dir.Files(), 1u);
  ReleaseMemoryFont(again.Key);
  EXPECT_EQ(dir.Files(), 0u);
}

// The name table's texts of the given name id in Font, each passed to Patch with its width
// (2 for UTF-16, 1 for one byte a character).
template <typename F>
int PatchNames(std::vector<uint8_t>& Font, int NameId, F Patch) {
  auto be16 = [&](size_t at) { return static_cast<size_t>(Font.at(at) << 8 | Font.at(at + 1)); };
  auto be32 = [&](size_t at) { return be16(at) << 16 | be16(at + 2); };
  int patched = 0;
  for (size_t t = 0; t < be16(4); ++t) {
    const size_t entry = 12 + 16 * t;
    if (std::string(Font.begin() + static_cast<long>(entry), Font.begin() + static_cast<long>(entry) + 4) != "name")
      continue;
    const size_t table = be32(entry + 8), strings = table + be16(table + 4);
    for (size_t r = 0; r < be16(table + 2); ++r) {
      const size_t rec = table + 6 + 12 * r;
      if (be16(rec + 6) != static_cast<size_t>(NameId)) continue;
      const size_t platform = be16(rec);
      Patch(Font.data() + strings + be16(rec + 10), be16(rec + 8), platform == 0 || platform == 3 ? 2 : 1);
      ++patched;
    }
  }
  return patched;
}

// Puts Char first in a name's text.
auto CharFirst(char Char) {
  return [Char](uint8_t* Text, size_t Length, int Width) {
    if (Length >= 2)
      Text[Width - 1] = static_cast<uint8_t>(Char), Text[0] = Width == 2 ? 0 : static_cast<uint8_t>(Char);
  };
}

TEST_F(Fonts, FontsFromMemoryWhoseStylesBeginWithWhiteSpaceOrHoldControlsAreRefused) {
  // A style that begins with a tab, or with a blank in UTF-16 that does not decode (here an
  // unpaired surrogate at its end; fontconfig trims the blanks of the names it decodes), and
  // no full name: fontconfig would move the style's text over itself with memcpy while
  // reading the font.
  OwnTempDir dir;
  const auto tabFirst = CharFirst('\t');
  const auto blankFirst = [](uint8_t* Text, size_t Length, int Width) {
    if (Width == 1) return std::fill(Text, Text + Length, 0);  // the Macintosh names hold none
    CharFirst(' ')(Text, Length, Width);
    if (Length >= 4) Text[Length - 2] = 0xD8, Text[Length - 1] = 0;
  };
  for (const bool tab : {true, false}) {
    std::vector<uint8_t> bytes = FileBytes(std::string(WineFontDir) + "/marlett.ttf");
    if (bytes.empty()) GTEST_SKIP() << "no Marlett to load";
    ASSERT_GT(tab ? PatchNames(bytes, 2, tabFirst) : PatchNames(bytes, 2, blankFirst), 0);
    ASSERT_GT(PatchNames(bytes, 4, [](uint8_t* Text, size_t Length, int) { std::fill(Text, Text + Length, 0); }), 0);
    const MemoryFont font = AddFontFromMemory(bytes.data(), bytes.size());
    EXPECT_TRUE(font.Families.empty()) << tab;
    EXPECT_TRUE(font.Key.empty());
    EXPECT_EQ(dir.Files(), 0u);
  }
  // A family that begins with a blank is no reason to refuse a font.
  std::vector<uint8_t> bytes = FileBytes(std::string(WineFontDir) + "/marlett.ttf");
  ASSERT_GT(PatchNames(bytes, 1, CharFirst(' ')), 0);
  const MemoryFont blank = AddFontFromMemory(bytes.data(), bytes.size());
  ASSERT_EQ(blank.Families.size(), 1u);
  EXPECT_TRUE(FontFamilyExists(blank.Families[0]));
  ReleaseMemoryFont(blank.Key);
  // A control character in the copyright is no reason to refuse a font.
  bytes = FileBytes(std::string(WineFontDir) + "/marlett.ttf");
  ASSERT_GT(PatchNames(bytes, 0, tabFirst), 0);
  const MemoryFont kept = AddFontFromMemory(bytes.data(), bytes.size());
  EXPECT_EQ(kept.Families, std::vector<std::string>{"Marlett"});
  ReleaseMemoryFont(kept.Key);
}

TEST_F(Fonts, TheMachinesFontsLoadFromMemory) {
  // The screen refuses nothing real: every TrueType and OpenType file installed.
  OwnTempDir dir;
  int fonts = 0;
  for (const char* folder : {"/usr/share/fonts", WineFontDir}) {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      std::string extension = it->path().extension().string();
      for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (!it->is_regular_file() || (extension != ".ttf" && extension != ".otf" && extension != ".ttc")) continue;
      const std::vector<uint8_t> bytes = FileBytes(it->path().string());
      const MemoryFont font = AddFontFromMemory(bytes.data(), bytes.size());
      EXPECT_FALSE(font.Families.empty()) << it->path();
      ReleaseMemoryFont(font.Key);
      ++fonts;
    }
  }
  EXPECT_GT(fonts, 0);
  EXPECT_EQ(dir.Files(), 0u);
}

// Font with its tables replaced or added (checksums are left 0, as the readers allow).
std::vector<uint8_t> WithTables(const std::vector<uint8_t>& Font, std::map<std::string, std::vector<uint8_t>> Tables) {
  auto be16 = [&](size_t at) { return static_cast<size_t>(Font.at(at) << 8 | Font.at(at + 1)); };
  auto be32 = [&](size_t at) { return be16(at) << 16 | be16(at + 2); };
  for (size_t t = 0; t < be16(4); ++t) {
    const size_t entry = 12 + 16 * t;
    const std::string tag(Font.begin() + static_cast<long>(entry), Font.begin() + static_cast<long>(entry) + 4);
    const auto from = Font.begin() + static_cast<long>(be32(entry + 8));
    Tables.emplace(tag, std::vector<uint8_t>(from, from + static_cast<long>(be32(entry + 12))));
  }
  std::vector<uint8_t> out(Font.begin(), Font.begin() + 4);
  auto put16 = [&](size_t v) { out.push_back(static_cast<uint8_t>(v >> 8)), out.push_back(static_cast<uint8_t>(v)); };
  auto put32 = [&](size_t v) { put16(v >> 16), put16(v & 0xFFFF); };
  put16(Tables.size()), put16(16), put16(4), put16(Tables.size() * 16 - 64);
  size_t at = 12 + 16 * Tables.size();
  for (const auto& [tag, data] : Tables) {
    out.insert(out.end(), tag.begin(), tag.end());
    put32(0), put32(at), put32(data.size());
    at += (data.size() + 3) / 4 * 4;
  }
  for (const auto& [tag, data] : Tables) {
    out.insert(out.end(), data.begin(), data.end());
    out.resize((out.size() + 3) / 4 * 4);
  }
  return out;
}

// A variable font of Marlett's glyphs: a weight axis and one named instance (weight 700)
// called by name 257, whose text is Style; the family is "Fam". Marlett has 112 glyphs.
std::vector<uint8_t> VariableFont(const std::vector<uint8_t>& Marlett, const std::string& Style) {
  std::vector<uint8_t> fvar, gvar, name;
  auto put16 = [](std::vector<uint8_t>& To, size_t v) {
    To.push_back(static_cast<uint8_t>(v >> 8)), To.push_back(static_cast<uint8_t>(v));
  };
  auto put32 = [&](std::vector<uint8_t>& To, size_t v) { put16(To, v >> 16), put16(To, v & 0xFFFF); };
  for (size_t v : {1, 0, 16, 2, 1, 20, 1, 8}) put16(fvar, v);  // one axis of 20 bytes, one instance of 8
  fvar.insert(fvar.end(), {'w', 'g', 'h', 't'});
  for (size_t v : {100, 400, 900}) put32(fvar, v << 16);
  put16(fvar, 0), put16(fvar, 256);
  put16(fvar, 257), put16(fvar, 0), put32(fvar, 700 << 16);
  constexpr size_t glyphs = 112;
  const size_t data = 20 + 2 * (glyphs + 1);
  for (size_t v : {1, 0, 1, 0}) put16(gvar, v);  // no shared tuples and no variation data
  put32(gvar, data), put16(gvar, glyphs), put16(gvar, 0), put32(gvar, data);
  gvar.resize(data);
  const std::pair<int, std::string> names[] = {{1, "Fam"}, {2, "Regular"}, {256, "Weight"}, {257, Style}};
  put16(name, 0), put16(name, std::size(names)), put16(name, 6 + 12 * std::size(names));
  std::string strings;
  for (const auto& [id, text] : names) {
    for (size_t v : {1, 0, 0}) put16(name, v);  // Macintosh, Roman, English
    put16(name, static_cast<size_t>(id)), put16(name, text.size()), put16(name, strings.size());
    strings += text;
  }
  name.insert(name.end(), strings.begin(), strings.end());
  return WithTables(Marlett, {{"fvar", fvar}, {"gvar", gvar}, {"name", name}});
}

TEST_F(Fonts, VariableFontsFromMemoryWhoseInstancesAreCalledByControlCharactersAreRefused) {
  // fontconfig adds each named instance of a variable font as a font of its own, and moves
  // an instance's style text that begins with a control character over itself with memcpy.
  const std::vector<uint8_t> marlett = FileBytes(std::string(WineFontDir) + "/marlett.ttf");
  if (marlett.empty()) GTEST_SKIP() << "no Marlett to load";
  OwnTempDir dir;
  const std::vector<uint8_t> clean = VariableFont(marlett, "Heavy");
  const MemoryFont kept = AddFontFromMemory(clean.data(), clean.size());
  EXPECT_EQ(kept.Families, std::vector<std::string>{"Fam"});
  EXPECT_TRUE(FontStyleAvailable("Fam", true, false)) << "the instance is a font of its own";
  ReleaseMemoryFont(kept.Key);
  for (const std::string style : {"\vAB", "\tHeavy", "He\navy"}) {
    const std::vector<uint8_t> bytes = VariableFont(marlett, style);
    const MemoryFont font = AddFontFromMemory(bytes.data(), bytes.size());
    EXPECT_TRUE(font.Families.empty()) << style;
    EXPECT_TRUE(font.Key.empty());
    EXPECT_EQ(dir.Files(), 0u);
  }
}

}  // namespace

}  // namespace fonts_test
