// Files are opened only when they are regular files: a FIFO, a device or a folder of the name
// is refused at once (never waited on), by the opener and by every reader of this layer.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/rtl/FileReader.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "tests/Fifo.h"
#include "tests/rtl/ScratchFolder.h"

namespace file_reader_test {

namespace {

namespace fs = std::filesystem;
using namespace rtl;
using rtltest::WriteAll;
using testfifo::Fifo;
using testfifo::ReturnsWithin;

using FileReaderTest = rtltest::ScratchFolderTest;

TEST_F(FileReaderTest, ARegularFileIsReadWholeAndThroughALink) {
  WriteAll(dir / "a.ini", std::string("one\0two", 7));
  fs::create_symlink(dir / "a.ini", dir / "link.ini");
  std::string bytes;
  ASSERT_TRUE(ReadRegularFile((dir / "link.ini").string(), bytes));
  EXPECT_EQ(std::string("one\0two", 7), bytes);
  ASSERT_TRUE(ReadRegularFile((dir / "a.ini").string(), bytes, 3));
  EXPECT_EQ("one", bytes) << "no more than asked for";

  TRegularFile file((dir / "a.ini").string());
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(7, file.Stamp().Size);
  EXPECT_EQ(std::string("one\0two", 7), file.ReadAll());
}

TEST_F(FileReaderTest, NothingButARegularFileIsOpenedAndNoneIsWaitedOn) {
  Fifo fifo((dir / "fifo.dat").string());
  ASSERT_TRUE(fifo.Made());
  fs::create_directories(dir / "folder.ini");
  fs::create_symlink(dir / "nowhere", dir / "dangling.ini");
  const struct {
    std::string Name;
    bool Missing;
  } cases[] = {{fifo.Path(), false},
               {"/dev/null", false},
               {(dir / "folder.ini").string(), false},
               {(dir / "dangling.ini").string(), true},
               {(dir / "none.ini").string(), true},
               {(dir / "none.ini/x").string(), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_TRUE(ReturnsWithin(
        5000,
        [&] {
          TRegularFile file(c.Name);
          EXPECT_FALSE(file.IsOpen());
          EXPECT_EQ(c.Missing, file.Missing());
          EXPECT_EQ(!c.Missing, file.NotRegular());
          std::string bytes = "old";
          EXPECT_FALSE(ReadRegularFile(c.Name, bytes));
          EXPECT_EQ("", bytes);
          TFileStamp stamp;
          EXPECT_FALSE(RegularFileStamp(c.Name, stamp));
        },
        fifo));
  }
  EXPECT_EQ("It is not a regular file", TRegularFile(fifo.Path()).Why());
  EXPECT_EQ("It is not a regular file", TRegularFile("/dev/null", TRegularFile::WriteOnly).Why());
}

TEST_F(FileReaderTest, StreamsListsAndIniFilesRefuseAFifoInsteadOfWaitingForAWriter) {
  Fifo fifo((dir / "gascal.ini").string());
  ASSERT_TRUE(fifo.Made());
  EXPECT_TRUE(ReturnsWithin(
      5000,
      [&] {
        for (unsigned mode : {unsigned(fmOpenRead), unsigned(fmOpenWrite), unsigned(fmOpenReadWrite)}) {
          try {
            TFileStream stream(fifo.Path(), mode | fmShareDenyNone);
            ADD_FAILURE() << "opened in mode " << mode;
          } catch (const EFOpenError& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find("not a regular file")) << e.what();
          }
        }
        EXPECT_THROW(TFileStream(fifo.Path(), fmCreate), EFCreateError);
        EXPECT_THROW(TFileStream("/dev/null", fmCreate), EFCreateError);
        TStringList list;
        EXPECT_THROW(list.LoadFromFile(fifo.Path()), EFOpenError);
        TMemIniFile ini(fifo.Path());  // no file of that name: empty
        EXPECT_EQ("none", ini.ReadString("Main", "Key", "none"));
      },
      fifo));
  struct stat st{};
  ASSERT_EQ(0, ::lstat(fifo.Path().c_str(), &st));
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO is left alone";
}

}  // namespace

}  // namespace file_reader_test
