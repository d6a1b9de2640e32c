#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "LoopFixture.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/TypInfo.h"

namespace timer_test {

using namespace rtl;
using looptest::LoopTest;

namespace {

using Log = std::vector<std::pair<std::string, double>>;

// A timer that logs its name and the time of each tick.
std::unique_ptr<TTimer> Logging(Log& log, std::string name, std::uint32_t interval) {
  auto t = std::make_unique<TTimer>(nullptr);
  t->SetInterval(interval);
  t->SetOnTimer([&log, name](TObject*) { log.emplace_back(name, GetTickCount()); });
  return t;
}

}  // namespace

TEST_F(LoopTest, TimersFireAtTheirIntervalsInDeadlineOrder) {
  Log log;
  auto a = Logging(log, "a", 30);
  auto b = Logging(log, "b", 50);
  clock.Advance(149);
  clock.Advance(1);  // 150: both due; the one armed first fires first
  EXPECT_EQ(log, (Log{{"a", 1030}, {"b", 1050}, {"a", 1060}, {"a", 1090}, {"b", 1100},
                      {"a", 1120}, {"a", 1150}, {"b", 1150}}));
  log.clear();
  EXPECT_TRUE(a->Enabled());
  a->SetEnabled(false);
  clock.Advance(100);
  EXPECT_EQ(log, (Log{{"b", 1200}, {"b", 1250}}));
}

TEST_F(LoopTest, ChangingEnabledIntervalOrHandlerRestartsThePeriod) {
  Log log;
  auto t = Logging(log, "t", 100);
  clock.Advance(70);
  t->SetEnabled(false);
  t->SetInterval(100);  // same value: nothing changes
  t->SetEnabled(true);  // a whole new period from 1070
  clock.Advance(90);
  EXPECT_TRUE(log.empty());
  clock.Advance(10);
  EXPECT_EQ(log, (Log{{"t", 1170}}));
  clock.Advance(50);
  t->SetInterval(40);  // restarts at 1220
  clock.Advance(40);
  t->SetEnabled(true);  // already on: no restart
  clock.Advance(40);
  EXPECT_EQ(log, (Log{{"t", 1170}, {"t", 1260}, {"t", 1300}}));
  t->SetInterval(0);  // an interval of 0 stops it
  clock.Advance(1000);
  EXPECT_EQ(log.size(), 3u);
  t->SetOnTimer(nullptr);
  t->SetInterval(10);  // no handler: not armed
  EXPECT_EQ(Application->NextTimerDeadline(), std::numeric_limits<double>::infinity());
}

TEST_F(LoopTest, AHandlerMayFreeItsTimerOrStopAnotherThatIsAlreadyDue) {
  // All three fall due at 1100, in the order they were armed.
  Log log;
  std::unique_ptr<TTimer> victim;
  auto first = std::make_unique<TTimer>(nullptr);
  first->SetInterval(100);
  first->SetOnTimer([&](TObject*) {
    log.emplace_back("first", GetTickCount());
    victim->SetEnabled(false);  // its tick is due already
  });
  victim = Logging(log, "victim", 100);
  TTimer* self = new TTimer(nullptr);
  self->SetInterval(100);
  self->SetOnTimer([&](TObject* Sender) {
    log.emplace_back("self", GetTickCount());
    delete Sender;
  });
  clock.Advance(250);
  EXPECT_EQ(log, (Log{{"first", 1100}, {"self", 1100}, {"first", 1200}}));
}

TEST_F(LoopTest, TheTimeBaseDoesNotWrapAfterFortyNineDays) {
  TTestClock late(4294967295.0 - 15.0);  // 1 ms under 2^32 after 15 ms
  Application->SetClock(&late);
  Log log;
  auto t = Logging(log, "t", 10);
  late.Advance(40);
  ASSERT_EQ(log.size(), 4u);
  for (size_t i = 1; i < log.size(); ++i) EXPECT_DOUBLE_EQ(log[i].second - log[i - 1].second, 10.0);
  EXPECT_GT(log.back().second, 4294967296.0);
  Application->SetClock(&clock);
}

// A time another thread saw, taken back to a clock: the real clock read then what it reads
// less the real time since (never below its origin); a test clock, which moves only when
// told, read then what it reads now.
TEST_F(LoopTest, ClocksTellWhatTheyReadARealTimeAgo) {
  TClock& real = MonotonicClock();
  while (real.Now() < 10) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // well past the origin
  const double before = real.Now();
  const double then = real.Before(5);
  const double after = real.Now();
  EXPECT_GE(then, before - 5);
  EXPECT_LE(then, after - 5);
  EXPECT_EQ(0, real.Before(1e15));
  EXPECT_GE(real.Before(std::numeric_limits<double>::quiet_NaN()), after);
  EXPECT_GE(real.Before(-3), after);
  TTestClock test(1000);
  EXPECT_EQ(1000, test.Before(250));
}

TEST_F(LoopTest, AnExceptionInATimerHandlerIsReportedAndTheLoopRunsOn) {
  std::vector<std::string> reports;
  Application->OnException = [&](TObject*, const std::exception& e) { reports.push_back(e.what()); };
  int ticks = 0;
  TTimer t(nullptr);
  t.SetInterval(25);
  t.SetOnTimer([&](TObject*) {
    if (++ticks == 2) throw EConvertError("'x' is not a valid integer value");
    if (ticks == 3) throw EAbort("silent");
  });
  clock.Advance(100);
  EXPECT_EQ(ticks, 4);
  EXPECT_EQ(reports, (std::vector<std::string>{"'x' is not a valid integer value"}));
}

TEST_F(LoopTest, ATimerIsAComponentItsOwnerFreesAndStreamsSetThroughItsProperties) {
  int ticks = 0;
  auto* owner = new TComponent(nullptr);
  auto* t = new TTimer(owner);
  EXPECT_TRUE(IsDefaultPropertyValue(t, GetPropInfo(t, "Enabled")));
  EXPECT_TRUE(IsDefaultPropertyValue(t, GetPropInfo(t, "Interval")));
  t->SetOnTimer([&](TObject*) { ++ticks; });
  clock.Advance(600);
  SetOrdProp(t, GetPropInfo(t, "Interval"), 40);  // as a stream sets it: restarts at 1600
  clock.Advance(100);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(GetOrdProp(t, GetPropInfo(t, "Interval")), 40);
  owner->Free();  // frees the timer with it
  EXPECT_EQ(Application->NextTimerDeadline(), std::numeric_limits<double>::infinity());
  clock.Advance(1000);
  EXPECT_EQ(ticks, 2);
}

}  // namespace timer_test
