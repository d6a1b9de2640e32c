// The Map page of the program's main window, from a change to the frame that shows it (run
// under Xvfb for the real X11 path:
//   xvfb-run -a -s '-screen 0 1280x1024x24' env SDL_VIDEODRIVER=x11 bench_map_page):
// - BM_LiveReplyToScreen: a live-data reply moves the live cell and the trail, and the window
//   presents the frame; counters p50_ms and p99_ms over the iterations;
// - BM_GridRebuildToScreen: the grid rebuilt after a map read (117 positions of three
//   objects each, every text new) and presented;
// - BM_Step96ToScreen: the 96 selected cells stepped by one and presented.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "app/core/MapRPM_Page.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Page_MAP.h"
#include "app/ui/Window_Host.h"
#include "app_ui_resources.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/core/Animations.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The program's libraries, windows host and main window on the Map page, in a work folder of
// its own (no port, no port search).
struct Program {
  Program() {
    char name[] = "/tmp/gascal-bench-XXXXXX";
    folder = mkdtemp(name);
    fs::create_directories(folder / "Config");
    fs::create_directories(folder / "Language");
    origin = fs::current_path();
    fs::current_path(folder);
    std::ofstream(folder / "gascal.ini", std::ios::binary)
        << "Port_Name                    /nonexistent/gascal-port {}\r\nSearch_Port                  False {}\r\n";
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
    main->Parts().HudTabControl_GEN->SetItemIndex(3);
    const auto end = Clock::now() + std::chrono::milliseconds(2500);  // the start-up logo goes
    while (Clock::now() < end) Present();
  }
  ~Program() {
    port.reset();
    main.reset();
    host.reset();
    rtl::Application->ProcessMessages();
    model.reset();
    vg::FreeAniThread();
    dx::SceneLibraryShutdown();
    dx::dxDirectXShutdown();
    vg::ControlsShutdown();
    std::error_code ec;
    fs::current_path(origin, ec);
    fs::remove_all(folder, ec);
  }
  // Handles what is due and lets the window present what changed.
  void Present() {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
  }

  fs::path folder, origin;
  std::unique_ptr<app::TModel> model;
  std::unique_ptr<app::TWindowHost> host;
  std::unique_ptr<app::TForm_3D_GEN> main;
  std::unique_ptr<ecu::TForm_3D_Port> port;
};

Program& TheProgram() {
  static Program program;
  return program;
}

// Times each iteration of Step (a change, then the frame presented) and reports the median
// and the 99th percentile besides the mean; fails when no frame was presented.
template <class F>
void Timed(benchmark::State& State, F Step) {
  Program& p = TheProgram();
  std::vector<double> ms;
  const int presentedBefore = p.main->PresentCount();
  long long n = 0;
  for (auto _ : State) {
    const auto start = Clock::now();
    Step(n++);
    p.Present();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    State.SetIterationTime(elapsed);
    ms.push_back(elapsed * 1000);
  }
  if (p.main->PresentCount() == presentedBefore) State.SkipWithError("no frame was presented");
  State.counters["frames"] = p.main->PresentCount() - presentedBefore;
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) return;
  State.counters["p50_ms"] = ms[ms.size() / 2];
  State.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  State.counters["max_ms"] = ms.back();
}

void BM_LiveReplyToScreen(benchmark::State& State) {
  Program& p = TheProgram();
  Timed(State, [&](long long n) {
    // The engine wanders over the map: every reply a cell of its own.
    ecu::Session().LiveData.LiveRPM = static_cast<std::int32_t>(600 + (n * 700) % 3800);
    ecu::Session().LiveData.LivePetrolTimeAvg = static_cast<std::int32_t>(1500 + (n * 1300) % 20000);
    p.main->PageMAP()->MarkMapRPMLiveCell();
  });
}
BENCHMARK(BM_LiveReplyToScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(500);

void BM_GridRebuildToScreen(benchmark::State& State) {
  TheProgram();
  Timed(State, [&](long long n) {
    for (std::size_t i = 1; i <= 8; ++i)
      for (std::size_t j = 1; j <= 12; ++j)
        app::Model().MapRPM.MapRPMTable[i][j] =
            static_cast<std::uint16_t>(50 + (i * 13 + j * 7 + static_cast<std::size_t>(n)) % 140);
    app::Model().MapRPM.MapRPMTransfer.RebuildMapRPMGrid();
  });
}
BENCHMARK(BM_GridRebuildToScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_Step96ToScreen(benchmark::State& State) {
  TheProgram();
  app::SetDefaultMapRPM();
  app::SelectMapRPMRect({1, 1}, {8, 12});
  app::Model().MapRPM.Editing = true;
  Timed(State, [&](long long n) { app::MapRPMKeyDown(n % 2 ? app::TMapRPMKey::Down : app::TMapRPMKey::Up, false); });
}
BENCHMARK(BM_Step96ToScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
