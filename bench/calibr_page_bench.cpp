// What the Graph page costs while the link is up (run under Xvfb for the real X11 path:
//   xvfb-run -a -s '-screen 0 1280x1024x24' env SDL_VIDEODRIVER=x11 bench_calibr_page):
// - BM_LiveReplyToFrame: a live-data reply's full redraw of the diagram, with MAP collection on
//   and 32 MAP pairs (so the MAP shapes are placed anew), until the main window has presented
//   the frame: median and 99th percentile over 500 replies;
// - BM_DragMoveToFrame: one mouse move of a held point until its frame is presented;
// - BM_ReadOutToFrame: for comparison, the frame after a change of the read-out's text;
// - BM_Drag60HzCpu: a point dragged up and down at 60 moves a second for twenty seconds on
//   the running loop: the CPU time of the process as a share of one core;
// - BM_MouseDrag60HzCpu: the same drag as the user makes it, through the window's mouse: a
//   press on a marker, then 60 moves a second up and down by 30 pixels for twenty seconds
//   (each move finds its object through the scene, the layer and the 2D tree): the CPU share,
//   the frames presented per move and the GUI thread's CPU time per move.
// The main window runs in a folder of its own with no port to open.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "Instructions.h"
#include "app/core/Calibr_Ctrl.h"
#include "app/core/Model.h"
#include "app/core/Calibr_Unit.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Page_CLB.h"
#include "app/ui/Window_Host.h"
#include "app_ui_resources.h"
#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/core/Animations.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void RunFor(double Ms) {
  bool done = false;
  auto timer = rtl::Application->StartTimer(Ms, [&] { done = true; });
  rtl::Application->RunUntil([&] { return done; });
  rtl::Application->StopTimer(timer);
}

// The program's main window on its Graph page, link up, collecting MAP points.
struct GraphPage {
  GraphPage() {
    char name[] = "/tmp/gascal-bench-XXXXXX";
    folder = mkdtemp(name);
    std::filesystem::create_directories(folder / "Config");
    std::filesystem::create_directories(folder / "Language");
    std::ofstream(folder / "gascal.ini") << "Port_Name                    /nonexistent/gascal-port {}\r\n"
                                            "Search_Port                  False {}\r\n";
    old = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    // The model owns the session the windows and the ECU side work in.
    model = std::make_unique<app::TModel>();
    vg::ControlsStartup();
    dx::dxDirectXStartup(gfx3d::OpenGlDirect3D());
    dx::SceneLibraryStartup();
    RegisterAppUiResources();
    host = std::make_unique<app::TWindowHost>();
    main = app::TForm_3D_GEN::Create("/opt/gascal/bin/gascal");
    port = std::make_unique<ecu::TForm_3D_Port>(nullptr);
    main->SetPortWindow(port.get());
    main->Show();
    RunFor(2500 * benchinstr::Slowdown());
    main->Parts().HudTabControl_GEN->SetItemIndex(2);
    ecu::Session().Link.LinkUp = 1;
    ecu::Session().ConfigData.Configuration->Save_Map = 1;
    for (int j = 0; j < ecu::MapPointCapacity; ++j) {
      ecu::Session().ConfigData.MapPointsGas[static_cast<std::size_t>(j)] = 400 + 30 * j;
      ecu::Session().ConfigData.MapPointsPetrol[static_cast<std::size_t>(j)] = 380 + 28 * j;
    }
    ecu::Session().Hosts.Host->RedrawCalibrationDiagram();
    RunFor(300);
  }
  ~GraphPage() {
    ecu::Session().Link.LinkUp = 0;
    port.reset();
    main.reset();
    host.reset();
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    dx::SceneLibraryShutdown();
    dx::dxDirectXShutdown();
    vg::ControlsShutdown();
    model.reset();
    std::error_code ec;
    std::filesystem::current_path(old, ec);
    std::filesystem::remove_all(folder, ec);
  }
  // Handles messages until the window has presented a frame after Count.
  void Presented(int Count) {
    for (int i = 0; i < 100000 && main->PresentCount() == Count; ++i) rtl::Application->ProcessMessages();
  }
  std::filesystem::path folder, old;
  std::unique_ptr<app::TModel> model;
  std::unique_ptr<app::TWindowHost> host;
  std::unique_ptr<app::TForm_3D_GEN> main;
  std::unique_ptr<ecu::TForm_3D_Port> port;
};

void Percentiles(benchmark::State& State, std::vector<double>& Ms) {
  std::sort(Ms.begin(), Ms.end());
  State.counters["median_ms"] = Ms[Ms.size() / 2];
  State.counters["p99_ms"] = Ms[Ms.size() * 99 / 100];
}

void BM_LiveReplyToFrame(benchmark::State& State) {
  GraphPage page;
  std::vector<double> ms, redraw;
  int k = 0;
  for (auto _ : State) {
    for (int i = 0; i < 500; ++i, ++k) {
      ecu::Session().LiveData.LivePetrolTimeAvg = 4000 + (k % 40) * 300;
      ecu::Session().LiveData.LiveGasTimeAvg = 5000 + (k % 40) * 350;
      ecu::Session().ConfigData.MapPointsGas[static_cast<std::size_t>(k % 32)] += (k % 2 ? 1 : -1);
      const int count = page.main->PresentCount();
      const auto t0 = Clock::now();
      ecu::Session().Hosts.Host->RedrawCalibrationDiagram();
      redraw.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      page.Presented(count);
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
  }
  std::sort(redraw.begin(), redraw.end());
  State.counters["redraw_median_ms"] = redraw[redraw.size() / 2];
  Percentiles(State, ms);
}

void BM_DragMoveToFrame(benchmark::State& State) {
  GraphPage page;
  app::DiagramMarkerMouseDown(5, rtl::mbLeft, 7, 7);
  std::vector<double> ms;
  int k = 0;
  for (auto _ : State) {
    for (int i = 0; i < 500; ++i, ++k) {
      const int count = page.main->PresentCount();
      const auto t0 = Clock::now();
      app::DiagramMarkerMouseMove(5, 7, (k / 20) % 2 ? 8 : 6);
      page.Presented(count);
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
  }
  app::DiagramMarkerMouseUp(5);
  Percentiles(State, ms);
}

// For comparison: the frame that follows a change of one short text above the plot.
void BM_ReadOutToFrame(benchmark::State& State) {
  GraphPage page;
  std::vector<double> ms;
  int k = 0;
  for (auto _ : State) {
    for (int i = 0; i < 500; ++i, ++k) {
      const int count = page.main->PresentCount();
      const auto t0 = Clock::now();
      page.main->PageCLB()->ShowDiagramPosition(k % 2 ? "Gas, ms = 1.00;" : "Gas, ms = 2.00;");
      page.Presented(count);
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
  }
  Percentiles(State, ms);
}

void BM_Drag60HzCpu(benchmark::State& State) {
  GraphPage page;
  app::DiagramMarkerMouseDown(5, rtl::mbLeft, 7, 7);
  for (auto _ : State) {
    int k = 0;
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    auto timer = rtl::Application->StartTimer(1000.0 / 60, [&] {
      app::DiagramMarkerMouseMove(5, 7, (k++ / 30) % 2 ? 9 : 5);
    });
    RunFor(20000);
    rtl::Application->StopTimer(timer);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    State.counters["cpu_share_pct"] = 100 * (CpuSeconds() - cpu0) / wall;
    State.counters["moves"] = k;
  }
  app::DiagramMarkerMouseUp(5);
}

void BM_MouseDrag60HzCpu(benchmark::State& State) {
  GraphPage page;
  const vg::TvxPoint c = page.main->PageCLB()->Diagram().Markers[4]->LocalToAbsolute({7, 7});
  const int x = static_cast<int>(std::lround(c.X)), y = static_cast<int>(std::lround(c.Y));
  win::SimulateMouseMove(page.main.get(), x, y);
  win::SimulateMouseButton(page.main.get(), rtl::mbLeft, true, x, y);
  RunFor(100);
  for (auto _ : State) {
    int k = 0;
    const int presented = page.main->PresentCount();
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    double pixels = 0, rects = 0;
    int frames = page.main->Scene()->FrameCount();
    benchinstr::Start();
    auto timer = rtl::Application->StartTimer(1000.0 / 60, [&] {
      // What the last move's frame drew.
      if (page.main->Scene()->FrameCount() != frames) {
        frames = page.main->Scene()->FrameCount();
        for (const win::TRect& r : page.main->Scene()->LastFrameRects()) {
          pixels += static_cast<double>(r.Width()) * r.Height();
          ++rects;
        }
      }
      // Up 30 pixels and back, a pixel a move.
      const int step = k++ % 60;
      win::SimulateMouseMove(page.main.get(), x, y - (step < 30 ? step : 60 - step));
    });
    RunFor(20000);
    rtl::Application->StopTimer(timer);
    benchinstr::Stop("diagram drag");
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    State.counters["cpu_share_pct"] = 100 * cpu / wall;
    State.counters["moves"] = k;
    State.counters["frames_per_move"] = k ? static_cast<double>(page.main->PresentCount() - presented) / k : 0;
    State.counters["cpu_per_move_ms"] = k ? 1e3 * cpu / k : 0;
    State.counters["pixels_per_move"] = k ? pixels / k : 0;
    State.counters["rects_per_move"] = k ? rects / k : 0;
  }
  win::SimulateMouseButton(page.main.get(), rtl::mbLeft, false, x, y);
  RunFor(100);
}

}  // namespace

BENCHMARK(BM_LiveReplyToFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragMoveToFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOutToFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Drag60HzCpu)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MouseDrag60HzCpu)->Iterations(1)->Unit(benchmark::kSecond);
