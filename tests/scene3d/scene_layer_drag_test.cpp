// Control drags that a 2D control of an object layer starts, driven with the mouse through a
// real scene on SDL's dummy display: the drag carries the 2D control itself, so a control of
// the same layer gets the drop, a 3D object gets it with the 2D control as its source, the
// control hears that its drag ended, and a control dropped onto itself is refused.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "ScreenBox.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"

namespace scene_layer_drag_test {

using namespace dx;

namespace {

// A 2D tile that draws nothing and writes down the drags that reach it.
class Tile : public vg::TvxVisualObject {
public:
  using vg::TvxVisualObject::TvxVisualObject;
  void Paint() override {}
  std::vector<std::string> seen;
  rtl::TObject* source = nullptr;
};

// A 3D box in screen space centred on its position.
using Box3D = dxtest::ScreenBox;

struct SceneLayerDrag : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    vg::ControlsStartup();
    SceneLibraryStartup();
    saved = DefaultCanvasClass;
    DefaultCanvasClass = TdxCanvasClassOf<dxtest::NullCanvas>::Instance();
    // A 300 x 100 window: the layer over its left 200 pixels, a 3D box at (250, 50).
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 300, 100);
    scene = new TdxScene(form.get());
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TdxVisualObject(form.get());
    root->SetProjection(dxProjectionScreen);
    root->SetHitTest(false);
    scene->AddObject(root);
    layer = new TdxGUIObjectLayer(form.get());
    root->AddObject(layer);
    layer->SetWidth(200);
    layer->SetHeight(100);
    layer->Position()->SetPoint({100, 50, 0});
    box = new Box3D(form.get());
    box->SetProjection(dxProjectionScreen);
    box->SetSizeNoChange(40, 40, 10);
    box->Position()->SetPoint({250, 50, 0});
    root->AddObject(box);
    // The layer's one 2D root, as a window's layout is: it takes no drops and no presses.
    layout = new Tile(form.get());
    layer->AddObject(layout);
    layout->SetBounds(0, 0, 200, 100);
    layout->SetHitTest(false);
    from = AddTile(10, 10);
    from->SetDragMode(vg::vgDragAutomatic);
    to = AddTile(110, 10);
    for (Tile* t : {from, to}) Listen(t);
    box->OnDragOver = [](rtl::TObject*, const TdxDragObject&, const TdxVector&, bool& Accept) { Accept = true; };
    box->OnDragDrop = [this](rtl::TObject*, const TdxDragObject& Data, const TdxVector&) {
      boxDrops.push_back(Data.Source);
    };
    form->Show();
    rtl::Application->ProcessMessages();
  }
  void TearDown() override {
    form.reset();
    rtl::Application->ProcessMessages();
    DefaultCanvasClass = saved;
    vg::FreeAniThread();
    SceneLibraryShutdown();
    vg::ControlsShutdown();
  }
  Tile* AddTile(float X, float Y) {
    auto* t = new Tile(form.get());
    layout->AddObject(t);
    t->SetBounds(X, Y, 40, 40);
    return t;
  }
  // Tiles accept every drag and write down what reaches them.
  static void Listen(Tile* T) {
    T->OnDragOver = [](rtl::TObject*, const vg::TvxDragObject&, const vg::TvxPoint&, bool& Accept) { Accept = true; };
    T->OnDragDrop = [T](rtl::TObject*, const vg::TvxDragObject& D, const vg::TvxPoint& P) {
      T->seen.push_back("drop " + std::to_string(static_cast<int>(P.X)) + "," + std::to_string(static_cast<int>(P.Y)));
      T->source = D.Source;
    };
    T->OnDragEnd = [T](rtl::TObject*) { T->seen.push_back("end"); };
  }
  // Presses at (X0, Y0), moves to (X1, Y1) and lets go there. A target accepts from the
  // second move over it on (the first makes it the target), so the pointer comes in by steps.
  void Drag(int X0, int Y0, int X1, int Y1) {
    win::SimulateMouseMove(form.get(), X0, Y0);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, X0, Y0);
    win::SimulateMouseMove(form.get(), (X0 + X1) / 2, (Y0 + Y1) / 2);
    win::SimulateMouseMove(form.get(), X1 - 2, Y1);
    win::SimulateMouseMove(form.get(), X1, Y1);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, X1, Y1);
    rtl::Application->ProcessMessages();
  }

  const TdxCanvasClass* saved = nullptr;
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  TdxGUIObjectLayer* layer = nullptr;
  Box3D* box = nullptr;
  Tile* layout = nullptr;
  Tile* from = nullptr;
  Tile* to = nullptr;
  std::vector<rtl::TObject*> boxDrops;
};

}  // namespace

TEST_F(SceneLayerDrag, AControlDroppedOnAnotherControlOfItsLayerGetsThereAsTheSource) {
  Drag(30, 30, 130, 35);
  EXPECT_EQ(to->seen, (std::vector<std::string>{"drop 130,35"}));
  EXPECT_EQ(to->source, from) << "the dragged control is the source, not its layer";
  EXPECT_EQ(from->seen, (std::vector<std::string>{"end"}));
  EXPECT_EQ(scene->DragObject(), nullptr);
  EXPECT_EQ(scene->DropTarget(), nullptr);
  EXPECT_TRUE(boxDrops.empty());
}

TEST_F(SceneLayerDrag, AThreeDObjectSeesTheTwoDControlAsTheDragsSource) {
  Drag(30, 30, 250, 50);
  ASSERT_EQ(boxDrops.size(), 1u);
  EXPECT_EQ(boxDrops.front(), from);
  EXPECT_NE(boxDrops.front(), static_cast<rtl::TObject*>(layer));
  EXPECT_EQ(from->seen, (std::vector<std::string>{"end"}));
  EXPECT_TRUE(to->seen.empty());
}

TEST_F(SceneLayerDrag, TheDraggedControlFreedOnTheWayIsForgottenAndNeverToldTheEnd) {
  win::SimulateMouseMove(form.get(), 30, 30);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 30, 30);
  ASSERT_EQ(scene->DragObject(), from);
  from->Free();
  from = nullptr;
  EXPECT_EQ(scene->DragObject(), nullptr);
  win::SimulateMouseMove(form.get(), 248, 50);
  win::SimulateMouseMove(form.get(), 250, 50);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 250, 50);
  rtl::Application->ProcessMessages();
  // The drag goes on without a source object: the box still takes the drop.
  ASSERT_EQ(boxDrops.size(), 1u);
  EXPECT_NE(boxDrops.front(), static_cast<rtl::TObject*>(layer));
}

}  // namespace scene_layer_drag_test
