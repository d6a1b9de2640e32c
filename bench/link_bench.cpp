// The poll cycle of the ECU link against the simulator in real time (9600 baud line pace,
// reply delay 60 ms): polls per second, and what each request's cycle spends outside the
// time of its bytes on the wire and the reply delay (turnaround, the end-of-reply quiet
// time, scheduling and our own work), with the GUI thread's own processor time.
//
// The simulator models the line: it puts each reply's bytes out at 9600 baud and notes when
// the last one went. From there to our next request is the gap after the reply; the reply
// delay is the ECU's, the rest ours. The line's limit is a cycle of request bytes, reply
// bytes and reply delay and nothing else; line_share is the part of the measured time that
// limit accounts for (1.0: we add nothing). rx_handler_ms_per_request is the wall time the
// GUI thread spends inside the port's received-characters handler, per request, and
// rx_handler_ms_max the longest single call of it.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "app/core/Model.h"
#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
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
    bool AfterReply;              // the request follows a reply taken just before
    Clock::time_point ReplyEnd;   // when the simulator put that reply's last byte out
  };
  explicit Wire(const ecusim::Simulator& Sim) : sim(Sim) {}
  const ecusim::Simulator& sim;
  std::vector<Write> Writes;
  int LivePolls = 0;
  bool replyTaken = false;
  void FrameWritten(const std::uint8_t*, int Length) override {
    const auto now = Clock::now();
    const auto stats = sim.Stats();
    Writes.push_back({now, Length, ecu::Session().Link.RxExpectedLength, replyTaken, stats.LastSentAt});
    replyTaken = false;
  }
  void ReplyChecked(const std::uint8_t* Frame, int, bool Accepted) override {
    replyTaken = Accepted;
    if (Accepted && Frame[1] == '#') ++LivePolls;
  }
};

void BM_PollCycleAgainstSimulator(benchmark::State& state) {
  ecusim::Simulator sim;
  sim.Start();
  setenv(comm::kExtraPortsVariable, sim.SlavePath().c_str(), 1);
  std::optional<app::TModel> model(std::in_place);
  ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
  std::optional<linkrec::Recorder> recorder(std::in_place);
  recorder->PortName = sim.SlavePath();
  Wire wire(sim);
  auto watching = std::make_unique<ecu::THostScope<ecu::TLinkMonitor>>(ecu::Session().Hosts.Monitor, &wire);
  auto* form = new ecu::TForm_3D_Port(nullptr);
  // The handler, timed: what the GUI thread spends in it is time the loop serves nothing.
  double rxHandlerMs = 0, rxHandlerMaxMs = 0;
  const cport::TRxCharEvent handler = form->ComPort->OnRxChar;
  form->ComPort->OnRxChar = [&rxHandlerMs, &rxHandlerMaxMs, handler](rtl::TObject* Sender, int Count) {
    const auto start = Clock::now();
    handler(Sender, Count);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    rxHandlerMs += ms;
    rxHandlerMaxMs = std::max(rxHandlerMaxMs, ms);
  };
  form->ComPort->SetPort(sim.SlavePath());
  form->ComPort->Open();
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  rtl::Application->RunUntil([&] { return wire.LivePolls >= 1 || Clock::now() > deadline; });
  if (wire.LivePolls < 1) {
    state.SkipWithError("no live data from the simulator");
  } else {
    const std::size_t firstWrite = wire.Writes.size() - 1;  // the request after the first poll
    const double cpu0 = ThreadCpuMs();
    const double rx0 = rxHandlerMs;
    rxHandlerMaxMs = 0;
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
    double outside = 0, lineMs = 0, cycleMs = 0;
    int cycles = 0;
    std::vector<double> gaps;
    for (std::size_t i = firstWrite; i + 1 < wire.Writes.size(); ++i) {
      const auto& w = wire.Writes[i];
      const double cycle = std::chrono::duration<double, std::milli>(wire.Writes[i + 1].At - w.At).count();
      const double line = (w.Bytes + w.ReplyBytes) * byteMs + recorder->ReplyDelay;
      outside += cycle - line;
      lineMs += line;
      cycleMs += cycle;
      ++cycles;
      const auto& next = wire.Writes[i + 1];
      if (next.AfterReply) gaps.push_back(std::chrono::duration<double, std::milli>(next.At - next.ReplyEnd).count());
    }
    double gap = 0;
    if (!gaps.empty()) {
      std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
      gap = gaps[gaps.size() / 2];
    }
    state.counters["polls_per_s"] = static_cast<double>(state.iterations()) / seconds;
    state.counters["line_limit_polls_per_s"] = lineMs > 0 ? static_cast<double>(state.iterations()) * 1000.0 / lineMs : 0;
    state.counters["line_share"] = cycleMs > 0 ? lineMs / cycleMs : 0;
    state.counters["requests_per_poll"] = cycles > 0 ? static_cast<double>(cycles) / state.iterations() : 0;
    state.counters["outside_ms_per_request"] = cycles > 0 ? outside / cycles : 0;
    state.counters["gap_after_reply_ms_median"] = gap;
    state.counters["gap_ours_ms_median"] = gaps.empty() ? 0 : gap - recorder->ReplyDelay;
    state.counters["gui_cpu_ms_per_request"] = cycles > 0 ? cpu / cycles : 0;
    state.counters["rx_handler_ms_per_request"] = cycles > 0 ? (rxHandlerMs - rx0) / cycles : 0;
    state.counters["rx_handler_ms_max"] = rxHandlerMaxMs;
  }
  watching.reset();
  delete form;
  recorder.reset();
  model.reset();
  sim.Stop();
  unsetenv(comm::kExtraPortsVariable);
}
BENCHMARK(BM_PollCycleAgainstSimulator)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
