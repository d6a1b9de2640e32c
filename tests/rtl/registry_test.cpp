#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Registry.h"

namespace registry_test {

namespace {

namespace fs = std::filesystem;
using namespace rtl;

class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("gascal-reg-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    file = (dir / "sub" / "registry.ini").string();  // the folder is made at the first write
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  std::string file;
};

TEST_F(RegistryTest, KeysOpenRelativeOrAbsoluteAndCreateOnlyWhenAllowed) {
  TRegistry reg(file);
  EXPECT_EQ(HKEY_CURRENT_USER, reg.RootKey());
  EXPECT_FALSE(reg.OpenKey("Software\\Gascal", false));
  EXPECT_EQ("", reg.CurrentPath());
  ASSERT_TRUE(reg.OpenKey("\\Software\\Gascal\\", true));
  EXPECT_EQ("Software\\Gascal", reg.CurrentPath());
  EXPECT_TRUE(reg.KeyExists("\\software"));  // a key above a created one exists too
  EXPECT_FALSE(reg.KeyExists("\\Soft"));
  ASSERT_TRUE(reg.OpenKey("Port", true));  // below the open key
  EXPECT_EQ("Software\\Gascal\\Port", reg.CurrentPath());
  EXPECT_TRUE(TRegistry(file).KeyExists("\\SOFTWARE\\gascal\\port"));

  reg.SetRootKey(HKEY_LOCAL_MACHINE);  // another tree; the key is closed
  EXPECT_EQ("", reg.CurrentPath());
  EXPECT_FALSE(reg.KeyExists("Software"));
  EXPECT_THROW(reg.WriteString("Port", "COM1"), ERegistryException);
}

TEST_F(RegistryTest, ValuesPersistWithTheLibrarysMissingValueRules) {
  {
    TRegistry reg(file);
    ASSERT_TRUE(reg.OpenKey("Software\\Gascal", true));
    reg.WriteString("Port", "COM3");
    reg.WriteInteger("Size", -4096);
    reg.WriteBool("On", true);
  }
  TRegistry reg(file);
  ASSERT_TRUE(reg.OpenKey("Software\\Gascal", false));
  EXPECT_EQ("COM3", reg.ReadString("port"));
  EXPECT_EQ(-4096, reg.ReadInteger("SIZE"));
  EXPECT_TRUE(reg.ReadBool("On"));
  EXPECT_EQ("", reg.ReadString("Missing"));
  const auto error = [&](const char* Name) -> std::string {
    try {
      reg.ReadInteger(Name);
    } catch (const ERegistryException& e) {
      return e.what();
    }
    return "read";
  };
  EXPECT_EQ("Failed to get data for 'Missing'", error("Missing"));
  EXPECT_EQ("Invalid data type for 'Port'", error("Port"));
  EXPECT_TRUE(reg.DeleteValue("Size"));
  EXPECT_FALSE(reg.DeleteValue("Size"));
  EXPECT_FALSE(reg.ValueExists("Size"));
  EXPECT_THROW(reg.WriteString("Bad", "two\nlines"), ERegistryException);
  EXPECT_EQ("COM3", TMemIniFile(file).ReadString("HKEY_CURRENT_USER\\Software\\Gascal", "Port", ""));
}

TEST_F(RegistryTest, DefaultFileIsInTheUsersConfigFolder) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string keep = saved ? saved : "";
  ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  EXPECT_EQ((dir / "gascal" / "registry.ini").string(), TRegistry().FileName());
  if (saved) ::setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace

}  // namespace registry_test
