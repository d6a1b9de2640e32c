// The GUI thread's timing on the real clock: how regularly a periodic timer ticks, and how
// long a cross-thread SendMessage takes to come back.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"

using namespace rtl;

// A 93 ms timer over 50 ticks. Jitter: |interval - 93 ms| per tick (the first interval
// counted from arming). Lateness: a tick's delay behind the ideal schedule start + 93 k;
// the last tick's lateness is the drift, which must not grow with the ticks.
static void BM_PeriodicTimer93ms(benchmark::State& state) {
  constexpr int kTicks = 50;
  constexpr double kPeriod = 93.0;
  for (auto _ : state) {
    std::vector<double> ticks;
    ticks.reserve(kTicks);
    TTimer timer(nullptr);
    timer.SetInterval(static_cast<std::uint32_t>(kPeriod));
    const double start = GetTickCount();
    timer.SetOnTimer([&](TObject*) { ticks.push_back(GetTickCount()); });
    Application->RunUntil([&] { return ticks.size() >= kTicks; });
    timer.SetEnabled(false);

    double sumJitter = 0, maxJitter = 0, maxLate = 0;
    for (int i = 0; i < kTicks; ++i) {
      const double previous = i == 0 ? start : ticks[i - 1];
      const double jitter = std::fabs(ticks[i] - previous - kPeriod);
      sumJitter += jitter;
      maxJitter = std::max(maxJitter, jitter);
      maxLate = std::max(maxLate, ticks[i] - (start + kPeriod * (i + 1)));
    }
    state.counters["jitter_mean_ms"] = sumJitter / kTicks;
    state.counters["jitter_max_ms"] = maxJitter;
    state.counters["late_max_ms"] = maxLate;
    state.counters["drift_ms"] = ticks.back() - (start + kPeriod * kTicks);
  }
}
BENCHMARK(BM_PeriodicTimer93ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A worker sends N messages one after the other; the GUI thread sleeps in its loop between
// them, so each round trip includes waking it.
static void BM_CrossThreadSendMessage(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  HWND wnd = AllocateHWnd([](MSG& m) -> LRESULT { return static_cast<LRESULT>(m.wParam) + 1; });
  std::vector<double> latencies;
  for (auto _ : state) {
    std::vector<double> us(n);
    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int i = 0; i < n; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const LRESULT r = SendMessage(wnd, WM_USER, static_cast<WPARAM>(i), 0);
        const auto t1 = std::chrono::steady_clock::now();
        if (r != i + 1) std::abort();
        us[i] = std::chrono::duration<double, std::micro>(t1 - t0).count();
      }
      done = true;
      Application->Wake();
    });
    Application->RunUntil([&] { return done.load(); });
    worker.join();
    latencies.insert(latencies.end(), us.begin(), us.end());
  }
  DeallocateHWnd(wnd);
  std::sort(latencies.begin(), latencies.end());
  const double mean = std::accumulate(latencies.begin(), latencies.end(), 0.0) / latencies.size();
  state.counters["latency_mean_us"] = mean;
  state.counters["latency_p50_us"] = latencies[latencies.size() / 2];
  state.counters["latency_p99_us"] = latencies[latencies.size() * 99 / 100];
  state.counters["latency_max_us"] = latencies.back();
  state.SetItemsProcessed(static_cast<int64_t>(latencies.size()));
}
BENCHMARK(BM_CrossThreadSendMessage)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
