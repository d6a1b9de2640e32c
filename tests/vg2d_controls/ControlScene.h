// A host for control tests: the library started with the controls, a canvas of the
// library's own class, the recording host of the core tests and a root covering the
// canvas. Controls are added under the root; painting paints what is dirty.
#pragma once

#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "tests/vg2d_core/FakeScene.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Colors.h"

namespace vgtest {

// The controls started for each test, as the program starts them, on the test clock
// (timers and style animations run when the test advances it).
class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->SetClock(&clock);
    vg::ControlsStartup();
  }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    vg::ControlsShutdown();
    rtl::Application->SetClock(nullptr);
  }
  rtl::TTestClock clock{0.0};
};

class ControlScene {
public:
  explicit ControlScene(int Width = 320, int Height = 240)
      : canvas(vg::TvxCanvasGdiPlus::ClassRef()->Create(Width, Height)),
        scene(canvas.get()),
        root(new vg::TvxVisualObject(nullptr)) {
    root->Visual()->SetBounds(0, 0, static_cast<float>(Width), static_cast<float>(Height));
    scene.AddObject(root.get());
  }

  // Adds Object (owned by the root) at X, Y; its style is applied at once.
  template <class T>
  T* Add(T* Object, float X, float Y) {
    root->AddObject(Object);
    Object->Position()->SetPoint({X, Y});
    Object->ApplyResource();
    return Object;
  }

  // Clears the canvas and paints the whole tree.
  void PaintAll(uint32_t Background = 0) {
    canvas->Clear(Background);
    scene.dirty.assign(1,
                       vg::MakeRect(0, 0, static_cast<float>(canvas->Width()), static_cast<float>(canvas->Height())));
    scene.Paint();
  }

  uint32_t At(int X, int Y) const { return canvas->BufferBits()[Y * canvas->Width() + X]; }

  std::unique_ptr<vg::TvxCanvas> canvas;
  FakeScene scene;
  vg::TvxObjectPtr root;
};

}  // namespace vgtest
