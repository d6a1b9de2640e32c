// Test helpers for files: a fresh folder per test, whole-file reads and writes, and a
// file-size limit that makes writing fail part way.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace rtltest {

inline std::string ReadAll(const std::filesystem::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const std::filesystem::path& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

// Runs Action with a file-size limit of Bytes, so that a longer write fails part way
// (even for root, which permissions do not stop).
inline void WithFileSizeLimit(rlim_t Bytes, const std::function<void()>& Action) {
  rlimit saved{};
  ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
  rlimit small = saved;
  small.rlim_cur = Bytes;
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
  Action();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
}

// A fixture with an empty folder of its own ("dir"), removed after the test.
class ScratchFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("gascal-rtl-" + std::to_string(::getpid()) + "-" +
                                                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::size_t Entries() const {
    return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator{});
  }

  std::filesystem::path dir;
};

}  // namespace rtltest
