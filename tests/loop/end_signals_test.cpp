// The system's requests to end reach the GUI thread as calls instead of ending the process;
// a closed pipe, the file-size limit and the user signals end nothing; what was installed
// before comes back afterwards.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/loop/EndSignals.h"
#include "platform/rtl/SysUtils.h"

namespace end_signals_test {

namespace {

using rtl::Application;
using rtl::TEndSignals;
using namespace std::chrono_literals;

class EndSignalsTest : public ::testing::Test {
protected:
  void SetUp() override { Application->Reset(); }
  void TearDown() override { Application->Reset(); }
  // Runs the GUI thread's loop until Done holds or Limit has passed (by default a bound that
  // only ends a wait that would never end, wide enough for a loaded machine).
  static bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Limit = 1min) {
    const auto end = std::chrono::steady_clock::now() + Limit;
    while (!Done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Application->ProcessMessages();
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  static void (*HandlerOf(int Signal))(int) {
    struct sigaction now{};
    sigaction(Signal, nullptr, &now);
    return now.sa_handler;
  }
};

TEST_F(EndSignalsTest, EachRequestRunsOnTheGuiThreadAndTheOthersAreIgnored) {
  const std::vector<int> all = {SIGHUP, SIGTERM, SIGINT, SIGQUIT, SIGPIPE, SIGXFSZ, SIGUSR1, SIGUSR2};
  std::vector<void (*)(int)> before;
  for (int s : all) before.push_back(HandlerOf(s));
  std::vector<int> heard;
  std::vector<bool> onGuiThread;
  {
    TEndSignals signals([&](int Signal) {
      heard.push_back(Signal);
      onGuiThread.push_back(Application->IsMainThread());
    });
    for (int s : {SIGHUP, SIGTERM, SIGINT, SIGQUIT}) {
      ::raise(s);
      const std::size_t before = heard.size();
      EXPECT_TRUE(PumpUntil([&] { return heard.size() > before; })) << "signal " << s;
    }
    EXPECT_EQ((std::vector<int>{SIGHUP, SIGTERM, SIGINT, SIGQUIT}), heard);
    EXPECT_EQ((std::vector<bool>{true, true, true, true}), onGuiThread);

    // From another thread, as the system may deliver it: it still comes to the GUI thread.
    std::thread other([] { ::kill(::getpid(), SIGHUP); });
    other.join();
    EXPECT_TRUE(PumpUntil([&] { return heard.size() == 5; }));
    EXPECT_TRUE(onGuiThread.back());

    // These would end the process by default: the process goes on and hears nothing.
    for (int s : {SIGPIPE, SIGXFSZ, SIGUSR1, SIGUSR2}) ::raise(s);
    EXPECT_FALSE(PumpUntil([&] { return heard.size() > 5; }, 200ms));
    EXPECT_EQ(5u, heard.size());

    EXPECT_THROW(TEndSignals([](int) {}), rtl::EInvalidOperation) << "one at a time";
  }
  // What was there before is back.
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(before[i], HandlerOf(all[i])) << "signal " << all[i];
  // And another may listen now.
  int later = 0;
  {
    TEndSignals again([&](int) { ++later; });
    ::raise(SIGTERM);
    EXPECT_TRUE(PumpUntil([&] { return later == 1; }));
  }
}

}  // namespace

}  // namespace end_signals_test
