// The main window at its design size, as the program shows it (run each benchmark in a process
// of its own, under Xvfb for the real X11 path:
//   xvfb-run -a -s '-screen 0 1280x1024x24' env SDL_VIDEODRIVER=x11 bench_main_window
//   --benchmark_filter=<name>):
// - BM_LiveReplyToFrame: a live-data reply decoded onto the eight indicators until the frame
//   that shows them is presented; each iteration's time, with the median and 99th percentile
//   over the run, and the frames presented per reply;
// - BM_PollingCpu/30: the program polling the ECU simulator for 30 s on the real clock: the CPU
//   time of the process as a share of one core, and its resident memory at the start and end;
//   BM_PollingCpu/600 runs ten minutes for the memory's drift;
// - BM_IdleCpu: 30 s with the link down (no port): the CPU share;
// - BM_LinkLedFrame: the link's 13 x 13 LED shown and hidden as the link does on each request
//   and reply, each change until its frame is presented: the GUI thread's CPU time per frame
//   (median and 99th percentile), the wall time, the pixels the frame presented, and the
//   resident memory after the frames.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Instructions.h"
#include "app/core/Core_Host.h"
#include "app/core/Model.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Host.h"
#include "app_ui_resources.h"
#include "ecu/Link_State.h"
#include "ecu/Host.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "tools/ecusim/Ecu.h"
#include "tools/ecusim/Simulator.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double RssMb() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// The windows' host, counting the live-data replies.
class CountingHost : public app::TWindowHost {
public:
  std::uint32_t Replies = 0;
  void LiveDataReceived() override {
    ++Replies;
    app::TWindowHost::LiveDataReceived();
  }
};

// The program as main.cpp starts it, in a work folder of its own whose settings name Port.
class Program {
public:
  explicit Program(const std::string& Port) {
    // The program before this one (an earlier benchmark of this run) ended the loop by
    // closing its main window.
    rtl::Application->Reset();
    char name[] = "/tmp/gascal-bench-XXXXXX";
    folder_ = mkdtemp(name);
    std::filesystem::create_directories(folder_ / "Config");
    std::filesystem::create_directories(folder_ / "Language");
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    std::ofstream(folder_ / "gascal.ini") << "Port_Name                    " << Port
                                          << " {}\r\nSearch_Port                  False {}\r\n";
    model_ = std::make_unique<app::TModel>();
    vg::ControlsStartup();
    dx::dxDirectXStartup(gfx3d::OpenGlDirect3D());
    dx::SceneLibraryStartup();
    RegisterAppUiResources();
    host_ = std::make_unique<CountingHost>();
    main_ = app::TForm_3D_GEN::Create("gascal");
    port_ = std::make_unique<ecu::TForm_3D_Port>(nullptr);
    main_->SetPortWindow(port_.get());
    win::SetMainForm(main_.get());
    main_->Show();
  }
  ~Program() {
    main_->Close();
    Pump(std::chrono::milliseconds(50));
    port_.reset();
    main_.reset();
    host_.reset();
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    dx::SceneLibraryShutdown();
    dx::dxDirectXShutdown();
    vg::ControlsShutdown();
    model_.reset();
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(folder_, ec);
  }
  // Runs the program's loop on the real clock for Time, waiting as the loop does (a timer
  // wakes it at the end).
  void Pump(std::chrono::milliseconds Time) {
    const auto end = Clock::now() + Time;
    auto wake = std::make_unique<rtl::TTimer>(nullptr);
    wake->SetInterval(static_cast<std::uint32_t>(std::max<long long>(1, Time.count())));
    wake->SetOnTimer([](rtl::TObject*) {});
    wake->SetEnabled(true);
    rtl::Application->RunUntil([&] { return Clock::now() >= end; });
  }
  app::TForm_3D_GEN& Main() { return *main_; }
  std::uint32_t Replies() const { return host_->Replies; }

private:
  std::filesystem::path folder_, old_;
  std::unique_ptr<app::TModel> model_;
  std::unique_ptr<CountingHost> host_;
  std::unique_ptr<app::TForm_3D_GEN> main_;
  std::unique_ptr<ecu::TForm_3D_Port> port_;
};

void BM_LiveReplyToFrame(benchmark::State& State) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  Program program("/nonexistent/gascal-bench");
  program.Pump(std::chrono::milliseconds(2500));  // shown, logo shrunk, fonts applied
  dx::TdxScene* scene = program.Main().Scene();
  ecusim::Ecu ecu;
  const ecusim::Frame request = [] {
    ecusim::Frame r{25, ecusim::cmd::Live, ecusim::cmd::Live, ecusim::cmd::Live, 0};
    r[4] = ecusim::Checksum(r.data(), 4);
    return r;
  }();
  ecu::Session().Link.LinkUp = 1;
  std::vector<double> times;
  int replies = 0, frames = 0;
  double seconds = 0;
  for (auto _ : State) {
    // Each reply carries new values: the engine's speed and pressures move.
    seconds += 0.37;
    const auto reply = ecu.Answer(request, seconds);
    std::copy(reply->begin(), reply->end(), ecu::Session().Link.RxFrame.begin());
    ecu::Session().Link.RxExpectedLength = static_cast<std::uint8_t>(reply->size());
    const int before = scene->FrameCount();
    const auto start = Clock::now();
    ecu::DynamicIND_Update();
    while (scene->FrameCount() == before && Clock::now() - start < std::chrono::milliseconds(200)) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    State.SetIterationTime(elapsed);
    times.push_back(elapsed * 1e3);
    // Anything further the reply brings is drawn before the next one comes.
    State.PauseTiming();
    for (int i = 0; i < 5; ++i) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
    }
    frames += scene->FrameCount() - before;
    ++replies;
    State.ResumeTiming();
  }
  std::sort(times.begin(), times.end());
  if (!times.empty()) {
    State.counters["median_ms"] = times[times.size() / 2];
    State.counters["p99_ms"] = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    State.counters["max_ms"] = times.back();
  }
  State.counters["frames_per_reply"] = replies ? static_cast<double>(frames) / replies : 0;
  State.counters["width"] = program.Main().Width();
  State.counters["height"] = program.Main().Height();
}
BENCHMARK(BM_LiveReplyToFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(500);

void BM_PollingCpu(benchmark::State& State) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  // The ECU simulator runs as a program of its own, so that only the polling program's CPU
  // time is counted (it is built beside this benchmark: tools/gascal-ecusim).
  const std::string link = "/tmp/gascal-bench-ecu-" + std::to_string(getpid());
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0) return;
  const std::filesystem::path sim =
      std::filesystem::path(self).parent_path().parent_path() / "tools/gascal-ecusim/gascal-ecusim";
  const pid_t simPid = fork();
  if (simPid == 0) {
    ::execl(sim.c_str(), sim.c_str(), "--link", link.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  for (int i = 0; i < 200 && !std::filesystem::exists(link); ++i) usleep(10000);
  if (!std::filesystem::exists(link)) {
    State.SkipWithError(("the ECU simulator did not start: " + sim.string()).c_str());
    return;
  }
  ::setenv("GASCAL_EXTRA_PORTS", link.c_str(), 1);
  for (auto _ : State) {
    Program program(link);
    program.Pump(std::chrono::seconds(5));  // connected, the ECU read
    const double rssStart = RssMb();
    const std::uint32_t repliesStart = program.Replies();
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    program.Pump(std::chrono::seconds(State.range(0)));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    State.counters["cpu_percent"] = 100 * (CpuSeconds() - cpu0) / wall;
    State.counters["rss_start_mb"] = rssStart;
    State.counters["rss_end_mb"] = RssMb();
    State.counters["replies_per_s"] = (program.Replies() - repliesStart) / wall;
    State.counters["link_up"] = ecu::Session().Link.LinkUp;
    if (!ecu::Session().Link.LinkUp) State.SkipWithError("the link was not up at the end: no polling was measured");
  }
  ::unsetenv("GASCAL_EXTRA_PORTS");
  ::kill(simPid, SIGTERM);
  ::waitpid(simPid, nullptr, 0);
}
BENCHMARK(BM_PollingCpu)->Arg(30)->Arg(600)->Iterations(1)->Unit(benchmark::kSecond);

void BM_IdleCpu(benchmark::State& State) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  for (auto _ : State) {
    Program program("/nonexistent/gascal-bench");
    program.Pump(std::chrono::seconds(3));
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    program.Pump(std::chrono::seconds(30));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    State.counters["cpu_percent"] = 100 * (CpuSeconds() - cpu0) / wall;
    State.counters["link_up"] = ecu::Session().Link.LinkUp;
    if (!ecu::Session().Link.LinkUp) State.SkipWithError("the link was not up at the end: no polling was measured");
  }
}
BENCHMARK(BM_IdleCpu)->Iterations(1)->Unit(benchmark::kSecond);

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_LinkLedFrame(benchmark::State& State) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) {
    State.SkipWithError(("no OpenGL through EGL: " + why).c_str());
    return;
  }
  Program program("/nonexistent/gascal-bench");
  // Shown, logo shrunk, fonts applied.
  program.Pump(std::chrono::milliseconds(static_cast<long long>(2500 * benchinstr::Slowdown())));
  dx::TdxScene* scene = program.Main().Scene();
  ecu::Session().Link.LinkUp = 1;
  std::vector<double> cpu, wall;
  double pixels = 0;
  bool shown = false;
  benchinstr::Start();
  for (auto _ : State) {
    shown = !shown;
    const int before = program.Main().PresentCount();
    const double c0 = ThreadCpuMs();
    const auto t0 = Clock::now();
    app::Model().CoreHost->SetVisible(app::TControl::Connect_Condition, shown);
    while (program.Main().PresentCount() == before && Clock::now() - t0 < std::chrono::milliseconds(200)) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
    }
    const double c = ThreadCpuMs() - c0;
    const double w = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    State.SetIterationTime(w / 1e3);
    cpu.push_back(c);
    wall.push_back(w);
    for (const win::TRect& r : scene->LastFrameRects()) pixels += static_cast<double>(r.Width()) * r.Height();
  }
  benchinstr::Stop("link LED frames");
  ecu::Session().Link.LinkUp = 0;
  std::sort(cpu.begin(), cpu.end());
  std::sort(wall.begin(), wall.end());
  if (!cpu.empty()) {
    State.counters["cpu_median_ms"] = cpu[cpu.size() / 2];
    State.counters["cpu_p99_ms"] = cpu[std::min(cpu.size() - 1, cpu.size() * 99 / 100)];
    State.counters["wall_median_ms"] = wall[wall.size() / 2];
    State.counters["pixels_per_frame"] = pixels / static_cast<double>(cpu.size());
  }
  State.counters["rss_mb"] = RssMb();
}
BENCHMARK(BM_LinkLedFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2000);

}  // namespace

BENCHMARK_MAIN();
