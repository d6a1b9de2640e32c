// A 3D scene in a real window under Xvfb, for the scene's screen tests: the library started
// around a run, a borderless window whose transparent scene holds a lit grey cube, reading the X
// screen until it shows what a test waits for, and writing what it shows as PNGs to look at
// (with GASCAL_FRAME_DIR set).
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "ViewAim.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/WindowSystem.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "scene3d/SceneObjects.h"
#include "scene3d/Shapes.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Library.h"
// Last: Xlib's macros (None, Bool) would break GoogleTest and the library's headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace scenescreen {

using namespace dx;

constexpr int X0 = 60, Y0 = 40, W = 400, H = 300;
constexpr TdxColor Fill = 0xFF303030u;

struct LibraryRun {
  LibraryRun() {
    rtl::Application->Reset();
    vg::LibraryStartup();
    dxDirectXStartup(gfx3d::OpenGlDirect3D());
    SceneLibraryStartup();
  }
  ~LibraryRun() {
    rtl::Application->ProcessMessages();
    SceneLibraryShutdown();
    dxDirectXShutdown();
    vg::LibraryShutdown();
  }
};

// A borderless form at (X0, Y0) whose transparent scene holds a lit grey cube.
struct CubeWindow {
  CubeWindow() {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(X0, Y0, W, H);
    scene = new TdxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    scene->SetTransparency(true);
    scene->SetFillColor("#FF303030");
    root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    root->AddObject(new TdxLight(form.get()));
    cube = new TdxCube(form.get());
    root->AddObject(cube);
    cube->SetWidth(6);
    cube->SetHeight(4);
    cube->SetDepth(4);
    cube->Material()->SetDiffuseColor(0xFF808080u);
  }
  void Pump() {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
  }
  // Pumps until Done holds; false when it does not within a minute of the window's making.
  bool PumpUntil(const std::function<bool()>& Done) {
    while (!Done() && std::chrono::steady_clock::now() < end) {
      Pump();
      SDL_Delay(5);
    }
    return Done();
  }
  // Takes the window's place on the screen from the X server (a window manager may have put it
  // elsewhere than asked).
  void FindPlace() {
    _XDisplay* x = win::detail::XConnectionOf(form->Window());
    Window child = 0;
    XTranslateCoordinates(x, win::detail::XWindowOf(form->Window()), DefaultRootWindow(x), 0, 0, &origin.X, &origin.Y,
                          &child);
  }
  // Where a client point shows on the screen.
  win::TPoint At(int X, int Y) const { return {origin.X + X, origin.Y + Y}; }
  // Where a point of the cube shows on the screen.
  win::TPoint OnScreen(const TdxVector& Local) const {
    const win::TPoint p = dxtest::ProjectToClient(*scene->GetCanvas(), cube->LocalToAbsolute(Local));
    return At(p.X, p.Y);
  }
  win::TPoint origin{X0, Y0};
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  TdxVisualObject* root = nullptr;
  TdxCube* cube = nullptr;
  std::chrono::steady_clock::time_point end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
};

// Runs this program's child tests that Filter names on an Xvfb screen of their own, bare or
// under openbox (as an installer's desktop has it). Inside such a run, or without the tools,
// the calling test is skipped.
inline void RunChildrenUnderXvfb(const std::string& Filter, wmtest::TManager Manager = wmtest::TManager::Bare) {
  const bool managed = Manager != wmtest::TManager::Bare;
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable() || (managed && !wmtest::OpenboxInstalled()))
    GTEST_SKIP() << "xvfb-run, xwd or openbox is missing";
  EXPECT_EQ(vgtest::RunUnderXvfb(Filter, VG2D_CORE_TEST_DATA "/xvfb-lsan.supp", "640x480x24", Manager), 0)
      << "the run under Xvfb" << (managed ? " and openbox" : "") << " failed (its output is above)";
}

// Reads the X screen once; false when it cannot be read or does not hold the window's place.
inline bool ReadScreen(const CubeWindow& Window, vgtest::Screenshot& Shot) {
  const std::string file = "/tmp/gascal-scene-screen-" + std::to_string(getpid()) + ".xwd";
  const bool read = std::system(("xwd -root -silent -out " + file).c_str()) == 0 && vgtest::ReadXwd(file, Shot) &&
                    Shot.width >= Window.origin.X + W && Shot.height >= Window.origin.Y + H;
  std::remove(file.c_str());
  return read;
}

// Reads the X screen until Ready says what it shows is there (at most a minute).
inline bool WaitForScreen(CubeWindow& Window, vgtest::Screenshot& Shot,
                          const std::function<bool(const vgtest::Screenshot&)>& Ready) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  bool ready = false;
  while (!ready && std::chrono::steady_clock::now() < end) {
    Window.Pump();
    ready = ReadScreen(Window, Shot) && Ready(Shot);
    if (!ready) SDL_Delay(20);
  }
  return ready;
}

// Writes the window's part of the screen as a PNG to look at, when GASCAL_FRAME_DIR is set.
inline void SaveWindowShot(const CubeWindow& Window, const vgtest::Screenshot& S, const std::string& Name) {
  const char* dir = std::getenv("GASCAL_FRAME_DIR");
  if (!dir) return;
  vg::TvxBitmap b;
  b.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) b.GetScanline(y)[x] = S.At(Window.origin.X + x, Window.origin.Y + y) | 0xFF000000u;
  EXPECT_TRUE(vg::TvxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", b, ""));
}

// Writes the whole screen as a PNG to look at, when GASCAL_FRAME_DIR is set.
inline void SaveScreenShot(const vgtest::Screenshot& S, const std::string& Name) {
  const char* dir = std::getenv("GASCAL_FRAME_DIR");
  if (!dir) return;
  vg::TvxBitmap b;
  b.SetSize(S.width, S.height);
  for (int y = 0; y < S.height; ++y)
    for (int x = 0; x < S.width; ++x) b.GetScanline(y)[x] = S.At(x, y) | 0xFF000000u;
  EXPECT_TRUE(vg::TvxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", b, ""));
}

// How many pixels of the 5 x 5 square around P on the screen have the colour.
inline int Around(const vgtest::Screenshot& S, win::TPoint P, TdxColor Colour) {
  int n = 0;
  for (int y = P.Y - 2; y <= P.Y + 2; ++y)
    for (int x = P.X - 2; x <= P.X + 2; ++x) n += vgtest::Near(S.At(x, y), Colour, 3);
  return n;
}

struct ControlsRun {
  ControlsRun() { vg::ControlsStartup(); }
  ~ControlsRun() { vg::ControlsShutdown(); }
};

}  // namespace scenescreen
