// Font families: explicit existence checks, the generic fallback, Wine's Tahoma and
// fonts added from memory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <iterator>
#include <vector>

#include <unistd.h>

#include "platform/gfx2d/Backend.h"
#include "platform/gfx2d/Fonts.h"
#include "platform/gfx2d/Text.h"

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

}  // namespace
