// Font families: explicit existence checks, the generic fallback, Wine's Tahoma and
// fonts added from memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <unistd.h>

#include "platform/gfx2d/Backend.h"
#include "platform/gfx2d/Fonts.h"

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
  EXPECT_TRUE(AddFontFromMemory(junk, sizeof junk).empty());
  EXPECT_TRUE(AddFontFromMemory(nullptr, 0).empty());
  EXPECT_EQ(FileBytes(victim.string()), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  for (const auto& p : planted) std::filesystem::remove(p);
  std::filesystem::remove(victim);
  const std::vector<uint8_t> bytes = FileBytes(std::string(WineFontDir) + "/tahoma.ttf");
  if (bytes.empty()) GTEST_SKIP() << "no Tahoma to load";
  ASSERT_FALSE(FontFamilyExists("Tahoma"));  // the folder is not known after a restart
  const auto families = AddFontFromMemory(bytes.data(), bytes.size());
  ASSERT_EQ(families.size(), 1u);
  EXPECT_EQ(families[0], "Tahoma");
  EXPECT_TRUE(FontFamilyExists("Tahoma"));
}

}  // namespace
