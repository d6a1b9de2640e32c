// Latency from the peer's write on a pseudo-terminal to the received-characters handler
// of an open TComPort on the GUI thread (the event thread wakes, hands over, the handler
// runs). Reported as mean, median and spread over the repetitions.
#include <benchmark/benchmark.h>

#include <pty.h>
#include <unistd.h>

#include <chrono>

#include "platform/loop/Application.h"
#include "serial/CPort.h"

namespace {

void BM_PeerWriteToRxCharHandler(benchmark::State& state) {
  int master = -1, slave = -1;
  char name[128] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    state.SkipWithError("openpty failed");
    return;
  }
  cport::TComPort port(nullptr);
  port.SetPort(name);
  bool arrived = false;
  std::chrono::steady_clock::time_point handled;
  port.OnRxChar = [&](rtl::TObject*, int) {
    handled = std::chrono::steady_clock::now();
    unsigned char buf[64];
    port.Read(buf, sizeof buf);
    arrived = true;
  };
  port.Timeouts()->SetReadInterval(-1);  // reads take what is there
  port.Open();
  if (port.PortFailed()) {
    state.SkipWithError("port did not open");
    return;
  }
  const unsigned char frame[4] = {0x19, 0x30, 0x12, 0x5B};
  for (auto _ : state) {
    arrived = false;
    const auto sent = std::chrono::steady_clock::now();
    if (write(master, frame, sizeof frame) != sizeof frame) state.SkipWithError("write failed");
    while (!arrived) rtl::Application->HandleMessage();
    state.SetIterationTime(std::chrono::duration<double>(handled - sent).count());
  }
  port.Close();
  close(master);
  close(slave);
}
BENCHMARK(BM_PeerWriteToRxCharHandler)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(500)
    ->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();
