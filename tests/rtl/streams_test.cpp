#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/rtl/Streams.h"
#include "test_rtl_resources.h"
#include "tests/rtl/ErrorOf.h"

namespace streams_test {

using namespace rtl;

namespace {

using rtltest::ErrorOf;

class TempDir {
public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("gascal_streams_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const char* name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

TEST(TMemoryStream, ReadsWritesAndSeeks) {
  TMemoryStream s;
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(5, s.Position());
  EXPECT_EQ(5, s.Size());
  EXPECT_EQ(2, s.Seek(-3, soCurrent));
  s.WriteBuffer("LLO!", 4);  // overwrites and extends
  EXPECT_EQ(6, s.Size());
  EXPECT_EQ(0, std::memcmp(s.Memory(), "heLLO!", 6));
  EXPECT_EQ(4, s.Seek(-2, soEnd));
  char buf[8] = {};
  EXPECT_EQ(2, s.Read(buf, 8));  // a short read is not an error for Read
  EXPECT_EQ(0, s.Read(buf, 8));
  s.SetPosition(8);  // writing past the end fills the gap with zeros
  s.WriteBuffer("x", 1);
  EXPECT_EQ(9, s.Size());
  EXPECT_EQ(0, static_cast<const char*>(s.Memory())[7]);
  s.SetSize(3);
  EXPECT_EQ(3, s.Position());
  s.Clear();
  EXPECT_EQ(0, s.Size());
  EXPECT_EQ(0, s.Position());
}

TEST(TMemoryStream, ShortReadsRaise) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(1);
  char buf[4];
  EXPECT_EQ("Stream read error", ErrorOf<EReadError>([&] { s.ReadBuffer(buf, 3); }));
  s.SetPosition(-5);
  EXPECT_EQ(0, s.Read(buf, 1));  // a negative position reads nothing, it does not crash
  s.SetPosition(1);
  s.ReadBuffer(buf, 2);
  EXPECT_EQ(0, std::memcmp(buf, "bc", 2));
  s.ReadBuffer(buf, 0);
}

TEST(TMemoryStream, CopyFromAndLoad) {
  TStringStream src("0123456789");
  src.SetPosition(7);
  TMemoryStream dst;
  EXPECT_EQ(10, dst.CopyFrom(&src, 0));  // 0: the whole source from its start
  EXPECT_EQ(10, dst.Size());
  src.SetPosition(2);
  TStringStream part;
  EXPECT_EQ(3, part.CopyFrom(&src, 3));
  EXPECT_EQ("234", part.DataString());
  EXPECT_THROW(part.CopyFrom(&src, 100), EReadError);

  TMemoryStream loaded;
  loaded.LoadFromStream(&dst);
  EXPECT_EQ(0, std::memcmp(loaded.Memory(), "0123456789", 10));
}

TEST(TStringStream, DataStringFollowsWrites) {
  TStringStream s("abcdef");
  EXPECT_EQ(0, s.Position());
  EXPECT_EQ("abc", s.ReadString(3));
  s.WriteString("X");  // overwrites in place; the rest stays
  EXPECT_EQ("abcXef", s.DataString());
  EXPECT_EQ("ef", s.ReadString(10));
  EXPECT_EQ("", s.ReadString(1));
  TStringStream bytes(std::string("a\0b", 3));
  EXPECT_EQ(3, bytes.Size());
}

TEST(TFileStream, CreatesReadsAndWrites) {
  TempDir dir;
  const std::string name = dir.File("data.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abcdef", 6);
    EXPECT_EQ(6, f.Size());
    f.SetSize(4);
    EXPECT_EQ(4, f.Position());
  }
  {
    TFileStream f(name, fmOpenReadWrite | fmShareExclusive);
    EXPECT_EQ(4, f.Size());
    f.Seek(0, soEnd);
    f.WriteBuffer("Z", 1);
  }
  TFileStream f(name, fmOpenRead);
  char buf[8] = {};
  EXPECT_EQ(5, f.Read(buf, 8));
  EXPECT_STREQ("abcdZ", buf);
  EXPECT_THROW(f.ReadBuffer(buf, 1), EReadError);
  f.SetPosition(0);
  EXPECT_THROW(f.WriteBuffer("q", 1), EWriteError);  // opened for reading only

  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(5, m.Size());
  m.SaveToFile(dir.File("copy.bin"));
  EXPECT_EQ(5, std::filesystem::file_size(dir.File("copy.bin")));
}

TEST(TFileStream, OpenAndCreateErrors) {
  TempDir dir;
  const std::string missing = dir.File("missing.txt");
  EXPECT_EQ("Cannot open file \"" + missing + "\". No such file or directory",
            ErrorOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead); }));
  const std::string nodir = dir.File("no/such/dir.txt");
  EXPECT_EQ("Cannot create file \"" + nodir + "\". No such file or directory",
            ErrorOf<EFCreateError>([&] { TFileStream f(nodir, fmCreate); }));
  // A folder is not a file, even though the system would open it for reading.
  EXPECT_THROW(TFileStream(dir.File(""), fmOpenRead), EFOpenError);
  EXPECT_THROW(TMemoryStream().LoadFromFile(missing), EStreamError);
}

TEST(TResourceStream, FindsCompiledData) {
  RegisterResources_test_rtl();
  TResourceStream res("testdata");  // names compare case-insensitively
  const char expected[] = "GASCAL\r\n\x00\xff\x7f end";
  ASSERT_EQ(static_cast<std::int64_t>(sizeof expected - 1), res.Size());
  std::string bytes(static_cast<std::size_t>(res.Size()), '\0');
  res.ReadBuffer(bytes.data(), res.Size());
  EXPECT_EQ(std::string(expected, sizeof expected - 1), bytes);
  EXPECT_THROW(res.ReadBuffer(bytes.data(), 1), EReadError);
  EXPECT_THROW(res.WriteBuffer("x", 1), EStreamError);

  TResourceStream empty("EMPTY");
  EXPECT_EQ(0, empty.Size());
  EXPECT_EQ("Resource NOPE not found", ErrorOf<EResNotFound>([] { TResourceStream r("NOPE"); }));
}

}  // namespace

}  // namespace streams_test
