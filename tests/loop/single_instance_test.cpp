#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/loop/Application.h"
#include "platform/loop/SingleInstance.h"

namespace single_instance_test {

namespace {

using rtl::Application;
using rtl::TSingleInstance;
using TAsk = TSingleInstance::TAskResult;
using namespace std::chrono_literals;

// Each test has a runtime folder of its own (the user's, mode 0700).
class SingleInstance : public ::testing::Test {
protected:
  void SetUp() override {
    Application->Reset();
    char tmpl[] = "/tmp/gascal-runtime-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(tmpl));
    dir_ = tmpl;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old) oldDir_ = old;
    hadDir_ = old != nullptr;
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (hadDir_)
      ::setenv("XDG_RUNTIME_DIR", oldDir_.c_str(), 1);
    else
      ::unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir_);
    Application->Reset();
  }
  // Runs the GUI thread's loop until Done holds; the bound only ends a wait that would never
  // end, wide enough for a loaded machine.
  static bool PumpUntil(const std::function<bool()>& Done) {
    const auto end = std::chrono::steady_clock::now() + 1min;
    while (!Done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Application->ProcessMessages();
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  std::string dir_;
  std::string oldDir_;
  bool hadDir_ = false;
};

const std::string Name = "TForm_3D_GEN";

// Asks with a time-out of ten minutes, on a thread of its own: the answer, or nothing when none
// came within a minute (the ask waited for its time-out where nobody could answer).
std::optional<TAsk> AskWithoutWaiting() {
  auto answer = std::make_shared<std::promise<TAsk>>();
  std::future<TAsk> got = answer->get_future();
  std::thread([answer] { answer->set_value(TSingleInstance::AskRunningToClose(Name, 600000)); }).detach();
  if (got.wait_for(1min) != std::future_status::ready) return std::nullopt;
  return got.get();
}

TEST_F(SingleInstance, NothingRunningMeansNothingToAsk) {
  EXPECT_EQ(dir_ + "/TForm_3D_GEN.sock", TSingleInstance::ChannelPath(Name));
  EXPECT_EQ(std::optional<TAsk>(TAsk::NoneRunning), AskWithoutWaiting());
}

TEST_F(SingleInstance, TheAskingCopyGoesOnOnlyOnceTheRunningOneHasClosed) {
  auto running = std::make_unique<TSingleInstance>(Name);
  int requests = 0;
  ASSERT_TRUE(running->Listen([&] {
    EXPECT_TRUE(Application->IsMainThread());
    ++requests;
  }));
  EXPECT_TRUE(running->Listening());
  std::atomic<bool> closedDone{false};
  std::atomic<bool> sawClosedDone{false};
  auto asker = std::async(std::launch::async, [&] {
    // A bound far beyond the close below, however busy the machine.
    const TAsk r = TSingleInstance::AskRunningToClose(Name, 60000);
    sawClosedDone = closedDone.load();
    return r;
  });
  ASSERT_TRUE(PumpUntil([&] { return requests == 1; }));
  EXPECT_EQ(1, running->RequestCount());
  // The close takes a while (settings written, port closed): the asker still waits.
  EXPECT_EQ(std::future_status::timeout, asker.wait_for(100ms));
  closedDone = true;
  running.reset();
  EXPECT_EQ(TAsk::Closed, asker.get());
  EXPECT_TRUE(sawClosedDone);
  // The running copy's socket is gone with it; the new copy takes the channel.
  EXPECT_FALSE(std::filesystem::exists(TSingleInstance::ChannelPath(Name)));
  TSingleInstance next(Name);
  EXPECT_TRUE(next.Listen([] {}));
}

TEST_F(SingleInstance, ACopyThatDoesNotCloseLetsTheAskerGoOnAfterTheBound) {
  TSingleInstance running(Name);
  int requests = 0;
  ASSERT_TRUE(running.Listen([&] { ++requests; }));
  auto asker = std::async(std::launch::async, [] { return TSingleInstance::AskRunningToClose(Name, 300); });
  ASSERT_TRUE(PumpUntil([&] { return requests == 1; }));
  EXPECT_EQ(TAsk::TimedOut, asker.get());
}

// A close that waits for a device to be put back first is announced: a copy that asks while
// it runs waits past its own bound, and copies that wait already hear of it.
TEST_F(SingleInstance, AnAnnouncedLongCloseKeepsTheAskingCopiesWaitingUntilItEnds) {
  auto running = std::make_unique<TSingleInstance>(Name);
  int requests = 0;
  ASSERT_TRUE(running->Listen([&] { ++requests; }));
  // A copy that already waits (a plain connection standing for it) hears the announcement.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strcpy(a.sun_path, TSingleInstance::ChannelPath(Name).c_str());
  // A guard of a minute: a read that gets nothing fails instead of waiting for ever.
  const timeval guard{60, 0};
  ASSERT_EQ(0, ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard));
  ASSERT_EQ(0, ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a));
  ASSERT_EQ(6, ::write(fd, "CLOSE\n", 6));
  char c = 0;
  ASSERT_EQ(1, ::read(fd, &c, 1));
  EXPECT_EQ('+', c);
  ASSERT_TRUE(PumpUntil([&] { return requests == 1; }));
  running->AnnounceLongClose(60000);
  std::string said;
  while (said.empty() || said.back() != '\n') {
    ASSERT_EQ(1, ::read(fd, &c, 1)) << said;
    said += c;
  }
  EXPECT_EQ("W60000\n", said);
  ::close(fd);
  // A copy that asks now learns of it with the answer: its bound of 300 ms no longer ends its wait.
  std::atomic<bool> closedDone{false};
  std::atomic<bool> sawClosedDone{false};
  auto asker = std::async(std::launch::async, [&] {
    const TAsk r = TSingleInstance::AskRunningToClose(Name, 300);
    sawClosedDone = closedDone.load();
    return r;
  });
  ASSERT_TRUE(PumpUntil([&] { return requests == 2; }));
  EXPECT_EQ(std::future_status::timeout, asker.wait_for(1500ms)) << "it waits past its own bound";
  closedDone = true;
  running.reset();
  EXPECT_EQ(TAsk::Closed, asker.get());
  EXPECT_TRUE(sawClosedDone);
}

TEST_F(SingleInstance, TheSocketOfACrashedCopyIsIgnoredAndReplaced) {
  // A copy that died leaves its bound socket file behind, with nobody listening.
  const std::string path = TSingleInstance::ChannelPath(Name);
  {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strcpy(a.sun_path, path.c_str());
    ASSERT_EQ(0, ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a));
    ::close(fd);
  }
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::optional<TAsk>(TAsk::NoneRunning), AskWithoutWaiting());
  TSingleInstance mine(Name);
  std::string why;
  EXPECT_TRUE(mine.Listen([] {}, &why)) << why;
  int requests = 0;
  TSingleInstance other(Name);  // nothing to do with the test's counter; a second listener
  EXPECT_FALSE(other.Listen([&] { ++requests; }, &why));
  EXPECT_NE(std::string::npos, why.find("another copy")) << why;
}

TEST_F(SingleInstance, SomethingElseAtThePathIsLeftAloneAndNotTakenForACopy) {
  const std::string path = TSingleInstance::ChannelPath(Name);
  std::ofstream(path) << "mine";
  EXPECT_EQ(TAsk::NoneRunning, TSingleInstance::AskRunningToClose(Name, 500));
  TSingleInstance copy(Name);
  std::string why;
  EXPECT_FALSE(copy.Listen([] {}, &why));
  std::ifstream in(path);
  std::string text;
  in >> text;
  EXPECT_EQ("mine", text);
}

TEST_F(SingleInstance, AConnectionThatSaysSomethingElseIsNoRequest) {
  TSingleInstance running(Name);
  int requests = 0;
  ASSERT_TRUE(running.Listen([&] { ++requests; }));
  const std::string path = TSingleInstance::ChannelPath(Name);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strcpy(a.sun_path, path.c_str());
  ASSERT_EQ(0, ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a));
  ASSERT_EQ(6, ::write(fd, "HELLO\n", 6));
  char c = 0;
  // The running copy hangs up without taking it.
  EXPECT_EQ(0, ::read(fd, &c, 1));
  ::close(fd);
  Application->ProcessMessages();
  EXPECT_EQ(0, requests);
  EXPECT_EQ(0, running.RequestCount());
}

TEST_F(SingleInstance, WithoutARuntimeFolderTheChannelIsTheUsersAbstractName) {
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ("@TForm_3D_GEN." + std::to_string(::getuid()), TSingleInstance::ChannelPath(Name));
  // The abstract names are the machine's: this process's own name keeps other runs away.
  const std::string own = "gascal-test-" + std::to_string(::getpid());
  TSingleInstance running(own);
  int requests = 0;
  ASSERT_TRUE(running.Listen([&] { ++requests; }));
  auto asker = std::async(std::launch::async, [&] { return TSingleInstance::AskRunningToClose(own, 300); });
  ASSERT_TRUE(PumpUntil([&] { return requests == 1; }));
  EXPECT_EQ(TAsk::TimedOut, asker.get());
  // A folder others may enter is not used either.
  ::chmod(dir_.c_str(), 0755);
  ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  EXPECT_EQ('@', TSingleInstance::ChannelPath(Name)[0]);
}

}  // namespace

}  // namespace single_instance_test
