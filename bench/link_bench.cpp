// The poll cycle of the ECU link against the simulator in real time (9600 baud line pace,
// reply delay 60 ms): polls per second, and what each request's cycle spends outside the
// time of its bytes on the wire and the reply delay (turnaround, the end-of-reply quiet
// time, scheduling and our own work), with the GUI thread's own processor time.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ecu/Config_Unit.h"
#include "ecu/Link_Host.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/comm/PortList.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "serial/CPort.h"
#include "tools/ecusim/Simulator.h"
#include "tools/linkrec/Recorder.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Wire : ecu::TLinkMonitor {
  struct Write {
    Clock::time_point At;
    int Bytes;
    int ReplyBytes;
  };
  std::vector<Write> Writes;
  int LivePolls = 0;
  void FrameWritten(const std::uint8_t*, int Length) override {
    Writes.push_back({Clock::now(), Length, ecu::RxExpectedLength});
  }
  void ReplyChecked(const std::uint8_t* Frame, int, bool Accepted) override {
    if (Accepted && Frame[1] == '#') ++LivePolls;
  }
};

void BM_PollCycleAgainstSimulator(benchmark::State& state) {
  ecusim::Simulator sim;
  sim.Start();
  setenv(comm::kExtraPortsVariable, sim.SlavePath().c_str(), 1);
  ecu::Configuration = std::make_unique<ecu::Configuration_Class>();
  linkrec::Recorder recorder;
  recorder.PortName = sim.SlavePath();
  Wire wire;
  ecu::LinkMonitor = &wire;
  auto* form = new ecu::TForm_3D_Port(nullptr);
  form->ComPort->SetPort(sim.SlavePath());
  form->ComPort->Open();
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  rtl::Application->RunUntil([&] { return wire.LivePolls >= 1 || Clock::now() > deadline; });
  if (wire.LivePolls < 1) {
    state.SkipWithError("no live data from the simulator");
  } else {
    const std::size_t firstWrite = wire.Writes.size() - 1;  // the request after the first poll
    const double cpu0 = ThreadCpuMs();
    const auto t0 = Clock::now();
    int polls = wire.LivePolls;
    for (auto _ : state) {
      const int target = polls + 1;
      rtl::Application->RunUntil([&] { return wire.LivePolls >= target; });
      polls = target;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = ThreadCpuMs() - cpu0;
    // Each request's cycle: from its write to the next write.
    const double byteMs = ecusim::kByteTimeMs;
    double outside = 0;
    int cycles = 0;
    for (std::size_t i = firstWrite; i + 1 < wire.Writes.size(); ++i) {
      const auto& w = wire.Writes[i];
      const double cycle = std::chrono::duration<double, std::milli>(wire.Writes[i + 1].At - w.At).count();
      outside += cycle - (w.Bytes + w.ReplyBytes) * byteMs - recorder.ReplyDelay;
      ++cycles;
    }
    state.counters["polls_per_s"] = static_cast<double>(state.iterations()) / seconds;
    state.counters["requests_per_poll"] = cycles > 0 ? static_cast<double>(cycles) / state.iterations() : 0;
    state.counters["outside_ms_per_request"] = cycles > 0 ? outside / cycles : 0;
    state.counters["gui_cpu_ms_per_request"] = cycles > 0 ? cpu / cycles : 0;
  }
  ecu::LinkMonitor = nullptr;
  delete form;
  sim.Stop();
  unsetenv(comm::kExtraPortsVariable);
}
BENCHMARK(BM_PollCycleAgainstSimulator)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
