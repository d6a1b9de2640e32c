// What a window of the program costs while it lives, measured on the running loop (run each
// benchmark in a process of its own, under Xvfb for the real X11 path:
//   xvfb-run -a -s '-screen 0 1280x1024x24' env SDL_VIDEODRIVER=x11 bench_window_cost
//   --benchmark_filter=<name>):
// - BM_WindowRss/0: the resident memory before a 1024 x 768 GUI-layer window opens (the
//   libraries started) and once it is shown and settled; /1: the same over a cube;
// - BM_IdleWakeups: how often the shown window wakes the program (context switches of all its
//   threads) over ten idle seconds, after an animation ran;
// - BM_EightLabelsCpu: a 1000 x 700 window whose eight labels change three times a second,
//   for twenty seconds: the CPU time of the process as a share of one core;
// - BM_BusyTurns: with the window shown, a loop that never sleeps (a message that posts itself
//   again, as a scene asking for a frame after every frame does) for five seconds: the time of
//   one turn, the display's looks for the window system's events between turns included.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "platform/win/Display.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Animations.h"

using namespace dx;

namespace {

// A field of /proc/<path> in kB or as a count ("VmRSS:", "voluntary_ctxt_switches:").
long long StatusField(const std::string& Path, const std::string& Field) {
  std::ifstream f(Path);
  std::string line;
  while (std::getline(f, line))
    if (line.rfind(Field, 0) == 0) return std::atoll(line.c_str() + Field.size());
  return 0;
}

double RssMb() { return static_cast<double>(StatusField("/proc/self/status", "VmRSS:")) / 1024.0; }

// Context switches of every thread of the process: each is a thread put to sleep or woken.
long long ContextSwitches() {
  long long n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      const std::string status = std::string("/proc/self/task/") + e->d_name + "/status";
      n += StatusField(status, "voluntary_ctxt_switches:") + StatusField(status, "nonvoluntary_ctxt_switches:");
    }
    closedir(d);
  }
  return n;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the loop for Ms milliseconds of the real clock.
void RunFor(double Ms) {
  bool done = false;
  auto timer = rtl::Application->StartTimer(Ms, [&] { done = true; });
  rtl::Application->RunUntil([&] { return done; });
  rtl::Application->StopTimer(timer);
}

struct Libraries {
  Libraries() {
    vg::ControlsStartup();
    dxDirectXStartup(gfx3d::OpenGlDirect3D());
    SceneLibraryStartup();
  }
  ~Libraries() {
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    SceneLibraryShutdown();
    dxDirectXShutdown();
    vg::ControlsShutdown();
  }
};

// A lit cube, for a window with 3D content under its layer.
class Cube : public TdxVisualObject {
public:
  using TdxVisualObject::TdxVisualObject;
  void Render() override {
    TdxMaterial m;
    m.SetDiffuseColor(0xFFC08040u);
    GetCanvas()->SetMaterial(m);
    GetCanvas()->FillCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 1}, 1);
  }
};

// A window as the program builds every window, with Labels Hud labels on its Hud window (and
// a cube under the layer With3D).
struct Window {
  Window(int W, int H, int Labels, bool With3D = false) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(0, 0, W, H);
    auto* scene = new TdxScene(form.get());
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetFillColor("#00000000");
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    this->scene = scene;
    auto* root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    if (With3D) {
      auto* cube = new Cube(form.get());
      cube->SetSizeNoChange(2.5f, 2.5f, 2.5f);
      root->AddObject(cube);
    }
    auto* layer = new TdxGUIObjectLayer(form.get());
    root->AddObject(layer);
    layer->SetLayerAlign(dxLayerContents);
    auto* window = new vg::TvxHudWindow(form.get());
    window->SetText(u"Gas");
    layer->AddObject(window);
    for (int i = 0; i < Labels; ++i) {
      auto* l = new vg::TvxHudLabel(form.get());
      window->AddObject(l);
      l->SetBounds(20 + (i % 4) * 240.0f, 60 + (i / 4) * 60.0f, 200, 24);
      l->SetText(u"Reducer pressure 1.25");
      labels.push_back(l);
      auto* b = new vg::TvxHudButton(form.get());
      window->AddObject(b);
      b->SetBounds(20 + (i % 4) * 240.0f, 300 + (i / 4) * 40.0f, 100, 26);
      b->SetText(u"Apply");
    }
    form->Show();
  }
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  std::vector<vg::TvxHudLabel*> labels;
};

// The memory as the program has it: the libraries started, the 3D driver not (a window
// starts it only when a frame needs the device). With the argument 1 a cube lies under the
// layer, so the frames are drawn on the device.
void BM_WindowRss(benchmark::State& State) {
  Libraries libraries;
  win::DisplayNeeded();
  for (auto _ : State) {
    const double before = RssMb();
    Window w(1024, 768, 12, State.range(0) == 1);
    RunFor(1000);
    State.counters["rss_before_mb"] = before;
    State.counters["rss_window_mb"] = RssMb();
    State.counters["device_frames"] = w.scene->LastFrameKind() == TdxFrameKind::Composed ? 0 : 1;
  }
  win::CloseDisplay();
}

void BM_IdleWakeups(benchmark::State& State) {
  Libraries libraries;
  for (auto _ : State) {
    Window w(1024, 768, 12);
    // An animation runs first (a label fades out and in again), as any window's do.
    auto* fade = new vg::TvxFloatAnimation(w.form.get());
    w.labels[0]->AddObject(fade);
    fade->SetPropertyName("Opacity");
    fade->SetStartValue(1);
    fade->SetStopValue(0.2f);
    fade->SetDuration(0.3f);
    fade->SetAutoReverse(true);
    fade->Start();
    RunFor(2000);
    State.counters["animation_ran"] = fade->Running() ? 0 : 1;
    const long long before = ContextSwitches();
    const auto t0 = std::chrono::steady_clock::now();
    RunFor(10000);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    State.counters["wakeups_per_s"] = static_cast<double>(ContextSwitches() - before) / s;
  }
  win::CloseDisplay();
}

void BM_EightLabelsCpu(benchmark::State& State) {
  Libraries libraries;
  for (auto _ : State) {
    Window w(1000, 700, 8);
    RunFor(2000);
    int step = 0;
    rtl::TTimer timer(nullptr);
    timer.SetInterval(333);
    timer.SetOnTimer([&](rtl::TObject*) {
      ++step;
      for (size_t i = 0; i < w.labels.size(); ++i)
        w.labels[i]->SetText(u"Reducer pressure " + std::u16string(1, static_cast<char16_t>(u'0' + (step + i) % 10)));
    });
    const int frames = w.scene->FrameCount();
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    RunFor(20000);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    timer.SetEnabled(false);
    State.counters["cpu_percent"] = (CpuSeconds() - cpu0) / s * 100;
    State.counters["changes_per_s"] = step / s;
    State.counters["frames_per_s"] = (w.scene->FrameCount() - frames) / s;
  }
  win::CloseDisplay();
}

void BM_BusyTurns(benchmark::State& State) {
  Libraries libraries;
  for (auto _ : State) {
    Window w(1000, 700, 8);
    RunFor(1000);
    long long turns = 0;
    const rtl::HWND busy = rtl::AllocateHWnd([&turns](rtl::MSG& M) -> rtl::LRESULT {
      ++turns;
      rtl::PostMessage(M.hwnd, rtl::WM_USER, 0, 0);
      return 0;
    });
    rtl::PostMessage(busy, rtl::WM_USER, 0, 0);
    const auto t0 = std::chrono::steady_clock::now();
    const auto end = t0 + std::chrono::seconds(5);
    // The clock is read every 1024 turns: the measure costs the turns next to nothing.
    rtl::Application->RunUntil([&] { return (turns & 1023) == 0 && std::chrono::steady_clock::now() >= end; });
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    rtl::DeallocateHWnd(busy);
    State.counters["ns_per_turn"] = s * 1e9 / static_cast<double>(turns);
  }
  win::CloseDisplay();
}

}  // namespace

BENCHMARK(BM_WindowRss)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_IdleWakeups)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_EightLabelsCpu)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_BusyTurns)->Iterations(1)->Unit(benchmark::kSecond);
