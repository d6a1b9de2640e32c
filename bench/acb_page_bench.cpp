// A live-data reply during an automatic calibration, to the frame on screen: the reply
// decoded (indicators, the calibration's bars and number boxes, its measurement), the reply
// hook (countdown, progress bar, a pass when it falls due), and the main window's next frame
// drawn and presented. Reported: the median and the 99th percentile over the replies of a run
// on the Auto Calibration page (run it under Xvfb or on SDL's dummy driver:
//   SDL_VIDEODRIVER=dummy bench_acb_page).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Page_ACB.h"
#include "app/ui/Window_Host.h"
#include "app_ui_resources.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "tools/ecusim/Ecu.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/core/Animations.h"

namespace {

using Clock = std::chrono::steady_clock;

// state.range(0): 0 a live-data reply in the last step (all four cylinders' columns change);
// 2 in the second step (two columns); 1 only the progress bar moves (the cost of a frame of
// this window whatever changes, for comparison).
void BM_ACBReplyToScreen(benchmark::State& state) {
  const bool progressOnly = state.range(0) == 1;
  const char* const digits = state.range(0) == 2 ? "12" : "1234";
  char folder[] = "/tmp/gascal-acb-bench-XXXXXX";
  const std::filesystem::path dir = mkdtemp(folder);
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::ofstream(dir / "gascal.ini") << "Port_Name                    /nonexistent/gascal-port {}\r\n"
                                       "Search_Port                  False {}\r\n";
  {
    app::TModel model;
    app::TWindowHost host;
    auto main = app::TForm_3D_GEN::Create("/opt/gascal/bin/gascal");
    main->Show();
    main->Parts().HudTabControl_GEN->SetItemIndex(1);
    for (int i = 0; i < 50; ++i) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
    }
    ecu::Session().Link.LinkUp = 1;
    ecusim::EcuState sim = ecusim::DefaultState();
    ecusim::Ecu ecu(sim);
    app::TPage_ACB& page = *main->PageACB();
    page.Parts().HudButton_ACB_Start->SetIsPressed(true);
    page.HudButton_ACB_StartClick(nullptr);
    app::Model().ACB.StepDigits = digits;

    std::vector<double> ms, core;  // the whole way, and the part before drawing
    double seconds = 0;
    for (auto _ : state) {
      // The ECU's reply arrives: the live values move, the link decodes and steps the run.
      const auto reply = ecu.Answer(ecusim::MakeFrame(25, '#', {0, 0}), seconds += 0.16);
      std::copy(reply->begin(), reply->end(), ecu::Session().Link.RxFrame.begin());
      ecu::Session().Link.RxExpectedLength = static_cast<std::uint8_t>(reply->size());
      const auto t0 = Clock::now();
      if (progressOnly) {
        host.SetValue(app::TControl::ACB_Progress, static_cast<std::int32_t>(ms.size() % 400));
      } else {
        ecu::DynamicIND_Update();
        host.AutoCalibrationReplyTick();
      }
      const auto t1 = Clock::now();
      rtl::Application->ProcessMessages();  // the frame drawn and presented
      const double t = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
      core.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
      state.SetIterationTime(t / 1000);
      ms.push_back(t);
      if (!ecu::Session().Link.ACBRunning) {  // a run that ended starts again
        page.Parts().HudButton_ACB_Start->SetIsPressed(true);
        page.HudButton_ACB_StartClick(nullptr);
        app::Model().ACB.StepDigits = digits;
      }
    }
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) {
      state.counters["median_ms"] = ms[ms.size() / 2];
      state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
      std::sort(core.begin(), core.end());
      state.counters["before_drawing_median_ms"] = core[core.size() / 2];
    }
    main.reset();
    rtl::Application->ProcessMessages();
  }
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ACBReplyToScreen)->Arg(0)->Arg(2)->Arg(1)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  rtl::Application->Reset();
  vg::ControlsStartup();
  dx::dxDirectXStartup(gfx3d::OpenGlDirect3D());
  dx::SceneLibraryStartup();
  RegisterAppUiResources();
  benchmark::RunSpecifiedBenchmarks();
  rtl::Application->ProcessMessages();
  vg::FreeAniThread();
  dx::SceneLibraryShutdown();
  dx::dxDirectXShutdown();
  vg::ControlsShutdown();
  benchmark::Shutdown();
  return 0;
}
