// The scene control's own mouse events (OnMouseDown, OnMouseMove, OnMouseUp, OnMouseWheel)
// run before the scene routes the mouse: a handler that frees the scene ends the routing there,
// and the form goes on without it (the sanitizer watches every path).
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "ScreenBox.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"

namespace scene_mouse_handler_free_test {

using namespace dx;

namespace {

// Opens every frame and draws nothing: picking is all the routing needs.
class PickCanvas final : public dxtest::NullCanvas {
public:
  using NullCanvas::NullCanvas;
  bool BeginScene() override { return true; }
  void EndScene() override {}
};

// A screen-space box centred on its position, counting what reaches it.
using Target = dxtest::ScreenBox;

struct SceneMouseHandlerFree : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    SceneLibraryStartup();
    saved = DefaultCanvasClass;
    DefaultCanvasClass = TdxCanvasClassOf<PickCanvas>::Instance();
  }
  void TearDown() override {
    form.reset();
    rtl::Application->ProcessMessages();
    DefaultCanvasClass = saved;
    SceneLibraryShutdown();
    rtl::Application->SetClock(nullptr);
  }
  // A form whose scene holds a box under (100, 50), with AllowDrag so that empty space moves it.
  void MakeWindow() {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 200, 100);
    scene = new TdxScene(form.get());
    scene->SetUsingDesignCamera(false);
    scene->SetAllowDrag(true);
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TdxVisualObject(form.get());
    root->SetProjection(dxProjectionScreen);
    root->SetHitTest(false);
    scene->AddObject(root);
    box = new Target(form.get());
    box->SetProjection(dxProjectionScreen);
    box->SetSizeNoChange(40, 20, 10);
    box->Position()->SetPoint({100, 50, 0});
    root->AddObject(box);
    box->OnMouseDown = [this](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float, const TdxVector&,
                              const TdxVector&) { ++reached; };
    box->OnMouseUp = [this](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float, const TdxVector&,
                            const TdxVector&) { ++reached; };
    box->OnMouseMove = [this](rtl::TObject*, rtl::TShiftState, float, float, const TdxVector&, const TdxVector&) {
      ++reached;
    };
    box->OnMouseWheel = [this](rtl::TObject*, rtl::TShiftState, int, const TdxVector&, bool&) { ++reached; };
    form->Show();
    clock.Advance(2);
    rtl::Application->ProcessMessages();
    ASSERT_NE(scene->GetCanvas(), nullptr);
  }
  void FreeScene() {
    scene->Free();
    scene = nullptr;
  }

  rtl::TTestClock clock{100.0};
  const TdxCanvasClass* saved = nullptr;
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  Target* box = nullptr;
  int reached = 0;
};

}  // namespace

TEST_F(SceneMouseHandlerFree, AHandlerThatFreesTheSceneEndsTheRoutingOfEachMouseEvent) {
  const std::vector<std::string> kinds = {"down", "move", "up", "wheel", "down on empty space"};
  for (const std::string& kind : kinds) {
    SCOPED_TRACE(kind);
    MakeWindow();
    reached = 0;
    if (kind == "move") {
      scene->OnMouseMove = [this](rtl::TObject*, rtl::TShiftState, int, int) { FreeScene(); };
      win::SimulateMouseMove(form.get(), 100, 50);
    } else if (kind == "up") {
      win::SimulateMouseMove(form.get(), 100, 50);
      win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 100, 50);
      scene->OnMouseUp = [this](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, int, int) { FreeScene(); };
      reached = 0;
      win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 100, 50);
    } else if (kind == "wheel") {
      win::SimulateMouseMove(form.get(), 100, 50);
      scene->OnMouseWheel = [this](rtl::TObject*, rtl::TShiftState, int, const win::TPoint&, bool&) { FreeScene(); };
      reached = 0;
      win::SimulateMouseWheel(form.get(), 1);
    } else {
      const int x = kind == "down" ? 100 : 5, y = kind == "down" ? 50 : 5;
      win::SimulateMouseMove(form.get(), x, y);
      scene->OnMouseDown = [this](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, int, int) { FreeScene(); };
      reached = 0;
      win::SimulateMouseButton(form.get(), rtl::mbLeft, true, x, y);
      win::SimulateMouseButton(form.get(), rtl::mbLeft, false, x, y);
    }
    EXPECT_EQ(scene, nullptr);
    EXPECT_EQ(reached, 0) << "no object of the freed scene hears of the mouse";
    // The form goes on without the scene.
    win::SimulateMouseMove(form.get(), 20, 20);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 20, 20);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 20, 20);
    win::SimulateMouseWheel(form.get(), -1);
    rtl::Application->ProcessMessages();
    form.reset();
  }
}

}  // namespace scene_mouse_handler_free_test
