#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/rtl/FileWriter.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/ScratchFolder.h"

namespace file_writer_test {

namespace {

namespace fs = std::filesystem;
using namespace rtl;
using rtltest::ReadAll;
using rtltest::WriteAll;

using FileWriterTest = rtltest::ScratchFolderTest;

TEST_F(FileWriterTest, ReplacesTheWholeFileKeepingItsPermissions) {
  const fs::path file = dir / "a.cfg";
  WriteFileAtomic(file.string(), "first");
  EXPECT_EQ("first", ReadAll(file));
  ASSERT_EQ(0, ::chmod(file.c_str(), 0640));
  WriteFileAtomic(file.string(), std::string("x\0y", 3));
  EXPECT_EQ(std::string("x\0y", 3), ReadAll(file));
  struct stat st{};
  ASSERT_EQ(0, ::stat(file.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  WriteFileAtomic(file.string(), "");
  EXPECT_EQ("", ReadAll(file));
  EXPECT_EQ(1u, Entries());  // no temporary file left behind
}

TEST_F(FileWriterTest, AFailureLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path file = dir / "a.cfg";
  const std::string old = "old contents\n";
  WriteAll(file, old);
  const std::string big(4000, 'x');
  rtltest::WithFileSizeLimit(100, [&] { EXPECT_THROW(WriteFileAtomic(file.string(), big), EWriteError); });
  EXPECT_EQ(old, ReadAll(file));
  EXPECT_EQ(1u, Entries());

  // The savers of the class library go through the same writer (they used to truncate the
  // file in place and leave half of it).
  TStringList list;
  list.SetText(big);
  rtltest::WithFileSizeLimit(100, [&] { EXPECT_THROW(list.SaveToFile(file.string()), EWriteError); });
  TMemoryStream stream;
  stream.WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));
  rtltest::WithFileSizeLimit(100, [&] { EXPECT_THROW(stream.SaveToFile(file.string()), EWriteError); });
  EXPECT_EQ(old, ReadAll(file));
  EXPECT_EQ(1u, Entries());

  // A missing folder, and a name that is a folder: refused, nothing changed.
  EXPECT_THROW(WriteFileAtomic((dir / "missing" / "a.cfg").string(), "x"), EFCreateError);
  fs::create_directory(dir / "sub");
  EXPECT_THROW(WriteFileAtomic((dir / "sub").string(), "x"), EFCreateError);
  EXPECT_TRUE(fs::is_directory(dir / "sub"));
  EXPECT_TRUE(fs::is_empty(dir / "sub"));
  EXPECT_EQ(2u, Entries());
}

TEST_F(FileWriterTest, ALinkIsFollowedAndStaysALinkButADanglingLinkIsRefused) {
  fs::create_directory(dir / "real");
  WriteAll(dir / "real" / "a.cfg", "old");
  ASSERT_EQ(0, ::chmod((dir / "real" / "a.cfg").c_str(), 0600));
  fs::create_symlink("real/a.cfg", dir / "hop");
  fs::create_symlink("hop", dir / "link.cfg");  // a chain of two relative links
  WriteFileAtomic((dir / "link.cfg").string(), "new");
  EXPECT_TRUE(fs::is_symlink(dir / "link.cfg"));
  EXPECT_TRUE(fs::is_symlink(dir / "hop"));
  EXPECT_EQ("new", ReadAll(dir / "real" / "a.cfg"));
  EXPECT_EQ(fs::perms(0600), fs::status(dir / "real" / "a.cfg").permissions() & fs::perms::all);
  EXPECT_EQ(1u, std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator{}));
  EXPECT_EQ(3u, Entries());

  // A link to nothing makes no file appear where it points.
  fs::create_symlink("elsewhere/b.cfg", dir / "dangling.cfg");
  fs::create_directory(dir / "elsewhere");
  try {
    WriteFileAtomic((dir / "dangling.cfg").string(), "x");
    ADD_FAILURE() << "a dangling link was written through";
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find("dangling.cfg"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.cfg"));
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
  EXPECT_EQ(5u, Entries());
}

}  // namespace

}  // namespace file_writer_test
