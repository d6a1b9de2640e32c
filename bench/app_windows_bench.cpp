// The program's secondary windows on the real clock: a message request until its window is
// on screen (100 ms of it is the deferral), the port window from the search's start until it
// is on screen and what making it costs, the fonts applied over all open windows, and the
// frames the main window presents while it flips. Run under Xvfb with SDL's x11 driver for
// the figures of a real display.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Flip_3D.h"
#include "app/ui/Font_Unit.h"
#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Host.h"
#include "app_ui_resources.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/CanvasGdiPlus.h"

namespace {

using Clock = std::chrono::steady_clock;

// The program's windows in a work folder of their own, the main window shown.
struct Program {
  Program() {
    char name[] = "/tmp/gascal-bench-XXXXXX";
    dir = mkdtemp(name);
    old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::ofstream("gascal.ini", std::ios::binary) << "Port_Name                    /nonexistent/port {}\r\n"
                                                     "Search_Port                  False {}\r\n";
    model = std::make_unique<app::TModel>();
    host = std::make_unique<app::TWindowHost>();
    main = app::TForm_3D_GEN::Create("/opt/gascal/bin/gascal");
    settings = app::TForm_3D_SET::Create();
    port = app::TForm_3D_PortView::Create();
    main->SetPortWindow(port->Link());
    message = app::TForm_3D_MSG::Create();
    wait = app::TForm_3D_Wait::Create();
    skin = app::TForm_3D_Skin::Create();
    main->Show();
    Run(600);
  }
  ~Program() {
    host->Timer_GEN_Connect_Stabil().SetEnabled(false);
    skin.reset();
    wait.reset();
    message.reset();
    port.reset();
    settings.reset();
    main.reset();
    host.reset();
    rtl::Application->ProcessMessages();
    model.reset();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
  }
  // Runs the loop until Done holds or Ms pass; the time it took.
  template <class F>
  static double RunUntil(F Done, double Ms = 5000) {
    const auto start = Clock::now();
    for (;;) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (Done() || ms >= Ms) return ms;
      usleep(200);
    }
  }
  static void Run(double Ms) { RunUntil([] { return false; }, Ms); }

  std::filesystem::path dir, old;
  std::unique_ptr<app::TModel> model;
  std::unique_ptr<app::TWindowHost> host;
  std::unique_ptr<app::TForm_3D_GEN> main;
  std::unique_ptr<app::TForm_3D_SET> settings;
  std::unique_ptr<app::TForm_3D_PortView> port;
  std::unique_ptr<app::TForm_3D_MSG> message;
  std::unique_ptr<app::TForm_3D_Wait> wait;
  std::unique_ptr<app::TForm_3D_Skin> skin;
};

void BM_MessageRequestToScreen(benchmark::State& State) {
  Program p;
  for (auto _ : State) {
    const int presented = p.message->PresentCount();
    p.host->ShowMessageWindow(12, "");
    const double ms =
        Program::RunUntil([&] { return p.message->Showing() && p.message->PresentCount() > presented; });
    State.SetIterationTime(ms / 1000);
    p.message->Close();
    Program::Run(20);
  }
}
BENCHMARK(BM_MessageRequestToScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PortWindowToScreen(benchmark::State& State) {
  Program p;
  for (auto _ : State) {
    const int presented = p.port->PresentCount();
    p.port->Link()->Show();  // as the search shows it
    const double ms = Program::RunUntil([&] { return p.port->Showing() && p.port->PresentCount() > presented; });
    State.SetIterationTime(ms / 1000);
    p.port->Link()->Close();
    Program::Run(20);
  }
}
BENCHMARK(BM_PortWindowToScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Reading the port window's text, binding it and making its link side (once per program).
void BM_PortWindowCreate(benchmark::State& State) {
  Program p;
  p.port.reset();  // the link side installed is the one made here
  for (auto _ : State) {
    auto port = app::TForm_3D_PortView::Create();
    benchmark::DoNotOptimize(port.get());
  }
}
BENCHMARK(BM_PortWindowCreate)->Unit(benchmark::kMillisecond);

void BM_ApplyFontsOverAllOpenWindows(benchmark::State& State) {
  Program p;
  p.settings->Show();
  p.skin->Show();
  p.host->ShowMessageWindow(13, "A message among the open windows");
  Program::Run(400);
  // Each pass changes the size, so that every text really takes a new font.
  bool larger = false;
  for (auto _ : State) {
    larger = !larger;
    app::Model().Settings.Font_Size = larger ? 13.0f : 12.0f;
    app::ApplyFonts(*p.main);
  }
  int open = 0;
  for (app::TWindow_3D* w : app::TWindow_3D::Windows()) open += w->Showing() ? 1 : 0;
  State.counters["open_windows"] = open;
}
BENCHMARK(BM_ApplyFontsOverAllOpenWindows)->Unit(benchmark::kMillisecond);

void BM_FlipFrames(benchmark::State& State) {
  Program p;
  double frames = 0, seconds = 0;
  for (auto _ : State) {
    const int before = p.main->PresentCount();
    app::FlipMainWindow(*p.main);
    // The flip's waited steps, then its last swing of 0.3 s.
    double ms = Program::RunUntil([&] { return !app::MainWindowFlipping(*p.main); });
    ms += Program::RunUntil([] { return false; }, 300);
    frames += p.main->PresentCount() - before;
    seconds += ms / 1000;
    State.SetIterationTime(ms / 1000);
  }
  State.counters["frames_per_s"] = seconds > 0 ? frames / seconds : 0;
}
BENCHMARK(BM_FlipFrames)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  vg::StartupGdiPlus();
  vg::ControlsStartup();
  dx::dxDirectXStartup(gfx3d::OpenGlDirect3D());
  dx::SceneLibraryStartup();
  RegisterAppUiResources();
  benchmark::RunSpecifiedBenchmarks();
  vg::FreeAniThread();
  dx::SceneLibraryShutdown();
  dx::dxDirectXShutdown();
  vg::ControlsShutdown();
  win::CloseDisplay();
  vg::ShutdownGdiPlus();
  benchmark::Shutdown();
  return 0;
}
