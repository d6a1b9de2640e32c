// Hints and typed text in a 3D scene window, as the program's windows have them: the window
// layer asks the scene for the hint of the object under the resting pointer (an object layer
// answers for its 2D controls), an input method's text reaches the focused text box of the
// window's GUI layer, its candidates at the box's caret, and Tab walks the 3D objects and the
// layer's 2D controls as one list.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "ScreenBox.h"
#include "ViewAim.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/Display.h"
#include "platform/win/Hints.h"
#include "platform/win/InputMethod.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "scene3d/TextBox3D.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/core/Animations.h"

namespace scene_text_hints_test {

using namespace dx;

namespace {

// A canvas that draws nothing but opens every frame: the pick rays are all the input needs.
class QuietCanvas final : public dxtest::NullCanvas {
public:
  using NullCanvas::NullCanvas;
  bool BeginScene() override { return true; }
  void EndScene() override {}
};

// A box on the screen centred on its position, taking keys.
class Box : public dxtest::ScreenBox {
public:
  using ScreenBox::ScreenBox;
  void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState) override {
    keys.push_back(Key);
    if (KeyChar) chars.push_back(KeyChar);
  }
  std::vector<int> keys;
  std::u16string chars;
};

// A 2D object with a hint, in the layer.
class Tile : public vg::TvxVisualObject {
public:
  using vg::TvxVisualObject::TvxVisualObject;
};

struct SceneTextHints : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    vg::ControlsStartup();
    SceneLibraryStartup();
    saved = DefaultCanvasClass;
    DefaultCanvasClass = TdxCanvasClassOf<QuietCanvas>::Instance();
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 300, 200);
    scene = new TdxScene(form.get());
    scene->SetUsingDesignCamera(false);
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    root = new TdxVisualObject(form.get());
    root->SetProjection(dxProjectionScreen);
    root->SetHitTest(false);
    scene->AddObject(root);
  }
  void TearDown() override {
    win::SimulateInputLanguage(-1);
    win::FreeHintWindow();
    form.reset();
    rtl::Application->ProcessMessages();
    DefaultCanvasClass = saved;
    vg::FreeAniThread();
    SceneLibraryShutdown();
    vg::ControlsShutdown();
    rtl::Application->SetClock(nullptr);
  }
  Box* AddBox(float X, float Y) {
    auto* b = new Box(form.get());
    b->SetProjection(dxProjectionScreen);
    b->SetSizeNoChange(40, 20, 10);
    b->Position()->SetPoint({X, Y, 0});
    root->AddObject(b);
    return b;
  }
  // The window's GUI layer over the whole client area, with a 2D root that lets presses through.
  vg::TvxVisualObject* AddLayer() {
    layer = new TdxGUIObjectLayer(form.get());
    layer->SetWidth(300);
    layer->SetHeight(200);
    layer->Position()->SetPoint({150, 100, 0});
    root->AddObject(layer);
    auto* top = new vg::TvxVisualObject(form.get());
    top->SetHitTest(false);
    layer->AddObject(top);
    return top;
  }
  void Show() {
    form->Show();
    scene->SetFocus();
    clock.Advance(2);
    rtl::Application->ProcessMessages();
  }
  std::u16string Shown() const { return win::HintShowing() ? win::HintWindow()->Text() : std::u16string(); }
  static int At(float V) { return static_cast<int>(std::nearbyint(V)); }

  rtl::TTestClock clock{100.0};
  const TdxCanvasClass* saved = nullptr;
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  TdxVisualObject* root = nullptr;
  TdxGUIObjectLayer* layer = nullptr;
};

TEST_F(SceneTextHints, AnObjectsHintShowsAfterThePauseAndGoesWhenThePointerLeavesOrTheObjectGoes) {
  Box* b = AddBox(100, 50);
  b->SetHint(u"Reducer pressure");
  b->SetShowHint(true);
  Box* silent = AddBox(200, 50);
  silent->SetHint(u"Never shown");
  Show();
  win::SimulateMouseMove(form.get(), 105, 52);
  clock.Advance(499);
  EXPECT_FALSE(win::HintShowing());
  clock.Advance(1);
  EXPECT_EQ(Shown(), u"Reducer pressure");
  // It holds within 10 pixels of the point, on the screen.
  EXPECT_EQ(win::HintCursorRect(), (win::TRect{10 + 95, 20 + 42, 10 + 115, 20 + 62}));
  win::SimulateMouseMove(form.get(), 150, 150);
  EXPECT_FALSE(win::HintShowing());
  clock.Advance(1000);
  EXPECT_FALSE(win::HintShowing());
  // An object without ShowHint shows nothing, its text notwithstanding.
  win::SimulateMouseMove(form.get(), 200, 50);
  clock.Advance(1000);
  EXPECT_FALSE(win::HintShowing());
  // Freed while its hint shows: the hint closes and nothing reaches the object any more.
  win::SimulateMouseMove(form.get(), 101, 50);
  clock.Advance(500);
  ASSERT_TRUE(win::HintShowing());
  b->Free();
  EXPECT_FALSE(win::HintShowing());
  clock.Advance(5000);
  win::SimulateMouseMove(form.get(), 102, 50);
  clock.Advance(1000);
  EXPECT_FALSE(win::HintShowing());
}

TEST_F(SceneTextHints, AHintOverTheLayerNamesThe2DObjectUnderThePointerWhereItIsDrawn) {
  vg::TvxVisualObject* top = AddLayer();
  auto* tile = new Tile(form.get());
  tile->SetBounds(40, 30, 60, 20);
  tile->SetHint(u"Reducer pressure");
  tile->SetShowHint(true);
  top->AddObject(tile);
  auto* other = new Tile(form.get());
  other->SetBounds(150, 30, 60, 20);
  other->SetHint(u"Gas temperature");
  other->SetShowHint(true);
  top->AddObject(other);
  Show();
  win::SimulateMouseMove(form.get(), 50, 35);
  clock.Advance(500);
  EXPECT_EQ(Shown(), u"Reducer pressure");
  EXPECT_EQ(win::HintCursorRect(), (win::TRect{10 + 40, 20 + 30, 10 + 100, 20 + 50}));
  // Along to the next 2D object: shown after the short pause.
  win::SimulateMouseMove(form.get(), 160, 35);
  clock.Advance(50);
  EXPECT_EQ(Shown(), u"Gas temperature");
  // The 2D object freed while its hint shows: the hint closes.
  other->Free();
  EXPECT_FALSE(win::HintShowing());
  win::SimulateMouseMove(form.get(), 161, 35);
  clock.Advance(1000);
  EXPECT_FALSE(win::HintShowing());
}

// A layer seen through the camera and turned in its plane: the hint of the 2D object under the
// pointer holds while the pointer stays over the object as it shows (it used to hold over the
// object's buffer pixels taken as client pixels, so the next move hid it), and goes for the
// next object's.
TEST_F(SceneTextHints, AHintOverALayerSeenThroughTheCameraHoldsWhereItsObjectShows) {
  scene->SetUsingDesignCamera(true);
  auto* world = new TdxVisualObject(form.get());
  scene->AddObject(world);
  auto* flat = new TdxObjectLayer(form.get());
  world->AddObject(flat);
  flat->RotateAngle()->SetY(30);
  auto* top = new vg::TvxVisualObject(form.get());
  top->SetHitTest(false);
  flat->AddObject(top);
  auto* tile = new Tile(form.get());
  tile->SetBounds(60, 100, 140, 100);
  tile->SetHint(u"Reducer pressure");
  tile->SetShowHint(true);
  top->AddObject(tile);
  auto* other = new Tile(form.get());
  other->SetBounds(280, 280, 140, 100);
  other->SetHint(u"Gas temperature");
  other->SetShowHint(true);
  top->AddObject(other);
  Show();
  // Where a buffer point shows: on the layer's plane, the buffer's rows from its far edge on.
  const auto shows = [&](float X, float Y) {
    const float bw = static_cast<float>(flat->BufferWidth()), bh = static_cast<float>(flat->BufferHeight());
    const TdxVector local{X / bw * flat->Width() - flat->Width() / 2, 0, flat->Depth() / 2 - Y / bh * flat->Depth(), 1};
    return dxtest::ProjectToClient(*scene->GetCanvas(), flat->LocalToAbsolute(local));
  };
  const win::TPoint a = shows(130, 150), b = shows(140, 160), c = shows(350, 330);
  ASSERT_NE(a, b);
  win::SimulateMouseMove(form.get(), a.X, a.Y);
  ASSERT_EQ(flat->ObjectAtPoint(flat->GetMousePos()), tile);
  clock.Advance(500);
  EXPECT_EQ(Shown(), u"Reducer pressure");
  // It holds over the bounds of the object's corners as they show, on the screen.
  win::TRect bounds{1000, 1000, -1000, -1000};
  for (const win::TPoint& p : {shows(60, 100), shows(200, 100), shows(60, 200), shows(200, 200)})
    bounds = {std::min(bounds.Left, p.X), std::min(bounds.Top, p.Y), std::max(bounds.Right, p.X),
              std::max(bounds.Bottom, p.Y)};
  const win::TRect held = win::HintCursorRect();
  EXPECT_NEAR(held.Left, 10 + bounds.Left, 1);
  EXPECT_NEAR(held.Top, 20 + bounds.Top, 1);
  EXPECT_NEAR(held.Right, 10 + bounds.Right, 1);
  EXPECT_NEAR(held.Bottom, 20 + bounds.Bottom, 1);
  // Along within the object: the hint stays.
  win::SimulateMouseMove(form.get(), b.X, b.Y);
  EXPECT_EQ(Shown(), u"Reducer pressure");
  // Over the next object: its hint after the short pause.
  win::SimulateMouseMove(form.get(), c.X, c.Y);
  ASSERT_EQ(flat->ObjectAtPoint(flat->GetMousePos()), other);
  clock.Advance(50);
  EXPECT_EQ(Shown(), u"Gas temperature");
}

// The window's layer turned about its upright axis: a point of its buffer given to the screen
// (where a menu or a list opens) is where the pointer finds that point again, though the
// screen's mild perspective moves what stands off the window's plane.
TEST_F(SceneTextHints, APointOfATurnedLayerGoesToTheScreenWhereThePointerFindsIt) {
  vg::TvxVisualObject* top = AddLayer();
  auto* tile = new Tile(form.get());
  tile->SetBounds(0, 0, 300, 200);
  top->AddObject(tile);
  layer->RotateAngle()->SetY(40);
  Show();
  for (const vg::TvxPoint p : {vg::MakePoint(30, 40), vg::MakePoint(270, 150)}) {
    const vg::TvxPoint s = layer->LocalToScreen(p);
    const win::TPoint client = form->ScreenToClient({At(s.X), At(s.Y)});
    win::SimulateMouseMove(form.get(), client.X, client.Y);
    SCOPED_TRACE(::testing::Message() << "at " << p.X << ", " << p.Y);
    EXPECT_NEAR(layer->GetMousePos().X, p.X, 2);
    EXPECT_NEAR(layer->GetMousePos().Y, p.Y, 2);
  }
}

TEST_F(SceneTextHints, ComposedTextReachesTheFocusedTextBoxOfTheLayerAtItsCaret) {
  vg::TvxVisualObject* top = AddLayer();
  auto* box = new vg::TvxTextBox(form.get());
  top->AddObject(box);
  box->SetBounds(40, 60, 150, 22);
  box->SetText(u"ab");
  int typed = 0;
  box->OnTyping = [&](rtl::TObject*) { ++typed; };
  Box* plain = AddBox(250, 150);
  plain->SetCanFocused(true);
  Show();
  // Nothing that takes text has the focus yet.
  EXPECT_FALSE(win::TextInputActive());
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 50, 70);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 50, 70);
  ASSERT_EQ(scene->GetFocused(), layer);
  ASSERT_EQ(layer->GetFocused(), box);
  EXPECT_TRUE(win::TextInputActive());
  box->SetCaretPosition(1);
  win::SimulateInputLanguage(win::LANG_ID_KOREAN);
  win::SimulateTextEditing(form.get(), "\xED\x95\x9C");
  EXPECT_EQ(box->Text(), u"ab");
  // The candidates at the caret, one pixel down for Korean, one line of the box's font high.
  const win::TRect r = win::TextInputRect();
  EXPECT_EQ(r.Left, At(40 + box->GetCharX(1)));
  EXPECT_EQ(r.Top, At(60 + box->GetContentRect().Top) + 1);
  // The box's 11 points are 15 pixels of the screen: a line of 19.
  EXPECT_EQ(r.Height(), 19);
  win::SimulateText(form.get(), "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4");
  EXPECT_EQ(box->Text(), u"a한국어b");
  EXPECT_EQ(typed, 3);
  rtl::Application->ProcessMessages();  // the Korean input method is placed again
  EXPECT_EQ(win::TextInputRect().Left, At(40 + box->GetCharX(4)));

  // A 3D object that takes no text: the text input goes off and keys reach its handler, the
  // key first, then the character it types.
  plain->SetFocus();
  ASSERT_EQ(scene->GetFocused(), plain);
  EXPECT_FALSE(win::TextInputActive());
  win::SimulateKeyStroke(form.get(), 'g');
  EXPECT_EQ(plain->keys, (std::vector<int>{'G', 0}));
  EXPECT_EQ(plain->chars, u"g");
}

}  // namespace

namespace {

TEST_F(SceneTextHints, AControlFocusedFromCodeKeepsTheFocusItBringsItsLayer) {
  vg::TvxVisualObject* top = AddLayer();
  auto* first = new vg::TvxTextBox(form.get());
  auto* second = new vg::TvxTextBox(form.get());
  top->AddObject(first);
  top->AddObject(second);
  first->SetBounds(10, 10, 100, 22);
  second->SetBounds(10, 40, 100, 22);
  Show();
  scene->SetFocused(nullptr);
  // The layer gets the scene's focus because the second box asked for it: the second box keeps
  // it, not the first of the tab order.
  second->SetFocus();
  EXPECT_EQ(scene->GetFocused(), layer);
  EXPECT_EQ(layer->GetFocused(), second);
  // Focused for itself, the layer gives the focus to the first of its tab order.
  scene->SetFocused(nullptr);
  EXPECT_EQ(layer->GetFocused(), nullptr);
  scene->SetFocused(layer);
  EXPECT_EQ(layer->GetFocused(), first);
}

// Tab walks one list: the 3D objects of the tree, the layer's 2D controls after the layer, so
// from the last control it goes on to a 3D text box beside the layer and round again.
TEST_F(SceneTextHints, TabGoesFromTheLayersControlsToA3DObjectBesideItAndRound) {
  vg::TvxVisualObject* top = AddLayer();
  std::vector<Tile*> tiles;
  for (int i = 0; i < 2; ++i) {
    tiles.push_back(new Tile(form.get()));
    top->AddObject(tiles.back());
    tiles.back()->SetBounds(10, 10 + 30.0f * i, 80, 20);
    tiles.back()->SetCanFocused(true);
  }
  auto* text = new TdxTextBox3D(form.get());
  text->SetProjection(dxProjectionScreen);
  text->Position()->SetPoint({200, 150, 0});
  root->AddObject(text);
  Show();
  scene->SetFocused(nullptr);
  auto focus = [&]() -> std::string {
    if (scene->GetFocused() == text) return "text";
    if (scene->GetFocused() != layer) return "other";
    for (size_t i = 0; i < tiles.size(); ++i)
      if (layer->GetFocused() == tiles[i]) return "tile " + std::to_string(i);
    return "layer alone";
  };
  std::vector<std::string> seen;
  for (int i = 0; i < 4; ++i) {
    win::SimulateKeyStroke(form.get(), SDLK_TAB);
    seen.push_back(focus());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"tile 0", "tile 1", "text", "tile 0"}));
  seen.clear();
  for (int i = 0; i < 3; ++i) {
    win::SimulateKeyStroke(form.get(), SDLK_TAB, {rtl::ssShift});
    seen.push_back(focus());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"text", "tile 1", "tile 0"}));
  // A hidden control is passed over.
  tiles[1]->SetVisible(false);
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(focus(), "text");
}

// Without an object that takes text, the composition is written in the default 3D font, its
// size in points turned into pixels.
TEST_F(SceneTextHints, TheCompositionBesideAFocused3DObjectIsInTheDefaultFontsSizeInPixels) {
  Box* plain = AddBox(100, 100);
  plain->SetCanFocused(true);
  Show();
  plain->SetFocus();
  ASSERT_EQ(scene->GetFocused(), plain);
  scene->Perform(win::WM_IME_STARTCOMPOSITION, 0, 0);
  // 12 points are 16 pixels at 96 an inch: a line of 20.
  EXPECT_EQ(TdxFont().Size(), 12);
  EXPECT_EQ(win::TextInputRect().Height(), 20);
}

// Through the camera a point of the scene is not a pixel: the candidates of a text box turned to
// face the camera go where its caret shows, beside a focused cube where the cube's corner shows,
// and for a 2D text box in a layer seen through the camera where the box's caret shows (a
// pointer put there is over the caret of the box; it used to be the layer's corner).
TEST_F(SceneTextHints, TheCompositionOfAnObjectSeenThroughTheCameraIsWhereItShows) {
  scene->SetUsingDesignCamera(true);
  auto* world = new TdxVisualObject(form.get());
  scene->AddObject(world);
  auto* text = new TdxTextBox3D(form.get());
  world->AddObject(text);
  text->SetText(u"lpg");
  text->RotateAngle()->SetX(-90);  // upright, facing the camera
  auto* cube = new TdxCube(form.get());
  world->AddObject(cube);
  cube->Position()->SetPoint({6, 0, 0});
  cube->SetCanFocused(true);
  auto* flat = new TdxObjectLayer(form.get());
  world->AddObject(flat);
  flat->Position()->SetPoint({-6, 0, 0});
  auto* top = new vg::TvxVisualObject(form.get());
  top->SetHitTest(false);
  flat->AddObject(top);
  auto* box = new vg::TvxTextBox(form.get());
  top->AddObject(box);
  box->SetBounds(100, 200, 200, 22);
  box->SetText(u"gas");
  Show();
  const auto shows = [&](const TdxVisualObject* O, const TdxVector& Local) {
    const TdxVector a = O->LocalToAbsolute(Local);
    return dxtest::ProjectToClient(*scene->GetCanvas(), a);
  };
  for (TdxVisualObject* focus : std::initializer_list<TdxVisualObject*>{text, cube, flat}) {
    if (focus == flat)
      box->SetFocus();  // which gives its layer the scene's focus
    else
      scene->SetFocused(focus);
    ASSERT_EQ(scene->GetFocused(), focus);
    scene->Perform(win::WM_IME_STARTCOMPOSITION, 0, 0);
    SCOPED_TRACE(focus->ClassName());
    if (focus == flat) {
      const win::TPoint at{win::TextInputRect().Left, win::TextInputRect().Top};
      ASSERT_TRUE(at.X > 20 && at.X < 280 && at.Y > 20 && at.Y < 180) << "inside the view";
      win::SimulateMouseMove(form.get(), at.X, at.Y);
      ASSERT_EQ(scene->ObjectAtPoint(static_cast<float>(at.X), static_cast<float>(at.Y)), flat);
      // A client pixel spans about two of the buffer's here.
      const vg::TvxPoint caret = box->LocalToAbsolute(box->GetCompositionPoint());
      EXPECT_NEAR(flat->GetMousePos().X, caret.X, 3);
      EXPECT_NEAR(flat->GetMousePos().Y, caret.Y, 3);
      continue;
    }
    const win::TPoint at = focus == text
                               ? shows(text, {text->CharX(3) - 5, text->Font()->Size() / 20, 0, 1})
                               : shows(focus, {-focus->Width() / 2, -focus->Height() / 2, -focus->Depth() / 2, 1});
    EXPECT_NEAR(win::TextInputRect().Left, at.X, 1);
    EXPECT_NEAR(win::TextInputRect().Top, at.Y, 1);
    EXPECT_TRUE(at.X > 20 && at.X < 280 && at.Y > 20 && at.Y < 180) << "inside the view";
  }
}

}  // namespace

}  // namespace scene_text_hints_test
