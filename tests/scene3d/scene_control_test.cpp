// The 3D scene control in a form on SDL's dummy display, on a canvas that writes down the
// frame's calls and clears its back buffer for real: render requests and frames, the layered
// and the painted paths, references that objects leave behind when freed, input routed from
// the window to the objects, window moves and resizes, keys and Tab, drops, the streamed
// design properties, the idle-time loop, the bitmap list and the library's shut-down.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "ScreenBox.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Display.h"
#include "scene3d/Animations.h"
#include "scene3d/BitmapList.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "scene3d/ValueText.h"

namespace scene_control_test {

using namespace dx;

namespace {

// Writes down begin, the render states, the clear colour and end; Clear fills the back buffer
// with the premultiplied colour, so the frame the form gets is real.
class FrameCanvas final : public dxtest::NullCanvas {
public:
  FrameCanvas(gfx3d::WindowHandle W, int Width, int Height, bool Buffered, TdxQuality Q)
      : NullCanvas(W, Width, Height, Buffered, Q) {
    ++made;
  }
  explicit FrameCanvas(TdxBitmap& Target) : NullCanvas(Target) {}
  ~FrameCanvas() override { ++freed; }
  static inline int made = 0, freed = 0;
  static inline bool failBegin = false;
  static inline std::vector<std::string> log;

  bool BeginScene() override {
    log.push_back("begin");
    return !failBegin;
  }
  void EndScene() override { log.push_back("end"); }
  void Clear(TdxColor C) override {
    log.push_back("clear " + dxColorToText(C));
    const std::uint32_t a = C >> 24;
    auto ch = [&](int Shift) { return (((C >> Shift) & 0xFF) * a / 255) << Shift; };
    const std::uint32_t p = (a << 24) | ch(16) | ch(8) | ch(0);
    if (std::uint32_t* b = Buffer()) std::fill(b, b + Width() * Height(), p);
  }

protected:
  void ApplyState(TdxRenderState Code) override { log.push_back("state " + std::to_string(Code)); }
};

// A box in screen space centred on its position, writing down what reaches it.
class Box : public dxtest::ScreenBox {
public:
  using ScreenBox::ScreenBox;
  void MouseDown(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y, const TdxVector& P,
                 const TdxVector& D) override {
    events.push_back("down " + std::to_string(static_cast<int>(X)) + "," + std::to_string(static_cast<int>(Y)));
    TdxVisualObject::MouseDown(B, S, X, Y, P, D);
  }
  void MouseUp(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y, const TdxVector& P,
               const TdxVector& D) override {
    events.push_back("up");
    TdxVisualObject::MouseUp(B, S, X, Y, P, D);
  }
  void MouseEnter() override {
    events.push_back("enter");
    TdxVisualObject::MouseEnter();
  }
  void MouseLeave() override {
    events.push_back("leave");
    TdxVisualObject::MouseLeave();
  }
  void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override {
    keys.push_back({Key, KeyChar, Shift.Contains(rtl::ssCtrl)});
  }
  void Render() override {
    if (throwOnRender) throw std::runtime_error("broken object");
  }
  struct TKey {
    std::uint16_t Key;
    char16_t Char;
    bool Ctrl;
  };
  std::vector<std::string> events;
  std::vector<TKey> keys;
  bool throwOnRender = false;
};

struct SceneControlTest : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    SceneLibraryStartup();
    saved = DefaultCanvasClass;
    DefaultCanvasClass = TdxCanvasClassOf<FrameCanvas>::Instance();
    FrameCanvas::made = FrameCanvas::freed = 0;
    FrameCanvas::failBegin = false;
    FrameCanvas::log.clear();
  }
  void TearDown() override {
    form.reset();
    rtl::Application->ProcessMessages();
    DefaultCanvasClass = saved;
    SceneLibraryShutdown();
  }
  // A borderless black form at (10, 20) with a client-aligned scene.
  TdxScene* MakeScene(int W = 200, int H = 100, bool Transparent = true) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetColor(0xFF000000u);
    form->SetBounds(10, 20, W, H);
    scene = new TdxScene(form.get());
    scene->SetTransparency(Transparent);
    scene->SetUsingDesignCamera(false);
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    return scene;
  }
  void Show() {
    form->Show();
    scene->SetFocus();
    rtl::Application->ProcessMessages();
  }
  // A screen-space root that lets presses through.
  TdxVisualObject* AddRoot() {
    root = new TdxVisualObject(form.get());
    root->SetProjection(dxProjectionScreen);
    root->SetHitTest(false);
    scene->AddObject(root);
    return root;
  }
  Box* AddBox(TdxVisualObject* Parent, float X, float Y, float W = 40, float H = 20) {
    auto* b = new Box(form.get());
    b->SetProjection(dxProjectionScreen);
    b->SetSizeNoChange(W, H, 10);
    b->Position()->SetPoint({X, Y, 0});
    Parent->AddObject(b);
    return b;
  }
  int Frames() const { return static_cast<int>(std::count(FrameCanvas::log.begin(), FrameCanvas::log.end(), "begin")); }

  const TdxCanvasClass* saved = nullptr;
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  TdxVisualObject* root = nullptr;
};

TEST_F(SceneControlTest, TheDesignRigIsTheScenesOwnAndNeverTheRoot) {
  auto s = std::make_unique<TdxScene>(nullptr);
  // The camera rig, then the design grid.
  ASSERT_EQ(s->GetCount(), 2);
  EXPECT_EQ(s->GetObject(1), s->DesignGrid());
  EXPECT_EQ(s->DesignDummyB()->Parent(), s->DesignDummyA());
  EXPECT_EQ(s->DesignCamera()->Parent(), s->DesignDummyB());
  for (TdxVisualObject* o : std::initializer_list<TdxVisualObject*>{s->DesignDummyA(), s->DesignDummyB(), s->DesignCamera(),
                                                                   s->DesignGrid()})
    EXPECT_TRUE(o->Tag() == DesignObjectTag && o->Locked() && !o->Stored());
  EXPECT_EQ(s->GetRoot(), nullptr);
  auto* mine = new TdxVisualObject(s.get());
  s->AddObject(mine);
  EXPECT_EQ(s->GetRoot(), mine);
}

TEST_F(SceneControlTest, TwoRequestsGiveOneFrameInTheFixedOrderAndATransparentFillShowsTheForm) {
  MakeScene();
  scene->SetFillColor("#00000000");
  form->SetColor(0xFF102030u);
  // A root that draws (through its handler) keeps the frames on the canvas.
  AddRoot()->OnPaint = [](rtl::TObject*, TdxCanvas*) {};
  Show();
  EXPECT_TRUE(form->Layered());
  EXPECT_EQ(FrameCanvas::made, 1);
  FrameCanvas::log.clear();
  const int presents = form->PresentCount();
  scene->RepaintScene();
  scene->RepaintScene();
  win::MSG m;
  EXPECT_TRUE(rtl::PeekMessage(m, scene->Handle(), WM_DXSCENERENDER, WM_DXSCENERENDER, rtl::PM_NOREMOVE));
  rtl::Application->ProcessMessages();
  EXPECT_FALSE(rtl::PeekMessage(m, scene->Handle(), WM_DXSCENERENDER, WM_DXSCENERENDER, rtl::PM_NOREMOVE));
  EXPECT_EQ(FrameCanvas::log,
            (std::vector<std::string>{"begin", "state 21", "state 1", "state 6", "state 2", "state 14", "state 8",
                                      "clear #00000000", "end"}));
  EXPECT_EQ(form->PresentCount(), presents + 1);
  // Nothing of the scene covers the form: every pixel is the form's colour.
  for (int y = 0; y < 100; y += 33)
    for (int x = 0; x < 200; x += 39) EXPECT_EQ(form->PresentedPixel(x, y), 0xFF102030u) << x << "," << y;
  // A half-transparent fill shows half of each.
  scene->SetFillColor("#80FF0000");
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(5, 5), 0xFF881018u);
}

TEST_F(SceneControlTest, WhereNothingDrawsFramesAreComposedOverTheFillWithoutTheCanvasDrawing) {
  MakeScene();
  form->SetColor(0xFF102030u);
  scene->SetFillColor("#80FF0000");
  AddRoot();
  Show();
  FrameCanvas::log.clear();
  scene->RepaintScene();
  scene->RepaintSceneRect(10, 10, 20, 20);  // within the whole view already asked for
  rtl::Application->ProcessMessages();
  EXPECT_TRUE(FrameCanvas::log.empty());
  EXPECT_EQ(scene->LastFrameKind(), TdxFrameKind::Composed);
  EXPECT_EQ(scene->LastFrameRects(), std::vector<win::TRect>({{0, 0, 200, 100}}));
  // The fill as the device clears to it (its colour as given), over the form's colour.
  EXPECT_EQ(scene->GetCanvas()->Buffer()[0], 0x80FF0000u);
  EXPECT_EQ(form->PresentedPixel(5, 5), 0xFFFF1018u);
  // Rectangles: the ones inside another are drawn with it; only they reach the form.
  scene->SetFillColor("#FF00FF00");
  rtl::Application->ProcessMessages();
  scene->RepaintSceneRect(0, 0, 50, 50);
  scene->RepaintSceneRect(10, 10, 20, 20);
  scene->RepaintSceneRect(150, 80, 250, 150);  // clipped to the view
  std::fill(scene->GetCanvas()->Buffer(), scene->GetCanvas()->Buffer() + 200 * 100, 0u);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(scene->LastFrameRects(), std::vector<win::TRect>({{0, 0, 50, 50}, {150, 80, 200, 100}}));
  EXPECT_EQ(scene->GetCanvas()->Buffer()[49 * 200 + 49], 0xFF00FF00u);
  EXPECT_EQ(scene->GetCanvas()->Buffer()[50 * 200 + 50], 0u) << "outside the rectangles: not drawn";
  EXPECT_EQ(form->PresentedPixel(60, 60), 0xFF00FF00u) << "not presented either: the last whole frame stays";
  EXPECT_TRUE(FrameCanvas::log.empty());
}

TEST_F(SceneControlTest, DamageAskedForWhileAFrameIsDrawnIsDrawnByTheNextAndOthersInvalidationsAreWhole) {
  for (bool transparent : {true, false}) {
    SCOPED_TRACE(transparent ? "layered" : "painted");
    MakeScene(200, 100, transparent);
    TdxVisualObject* r = AddRoot();
    int paints = 0;
    r->OnBeforePaint = [&](rtl::TObject*, TdxCanvas*) {
      if (++paints == 1) scene->RepaintSceneRect(1, 2, 5, 6);
    };
    Show();
    EXPECT_GE(paints, 2) << "the request made during the first frame drew another";
    EXPECT_EQ(scene->LastFrameKind(), TdxFrameKind::DevicePart);
    EXPECT_EQ(scene->LastFrameRects(), std::vector<win::TRect>({{1, 2, 5, 6}}));
    // A rectangle the scene asks for is drawn alone; a part of the window another asks to
    // paint means the whole view.
    scene->RepaintSceneRect(10, 10, 20, 20);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(scene->LastFrameRects(), std::vector<win::TRect>({{10, 10, 20, 20}}));
    if (!transparent) {
      scene->InvalidateRect({30, 30, 40, 40});
      rtl::Application->ProcessMessages();
      EXPECT_EQ(scene->LastFrameKind(), TdxFrameKind::Device);
      EXPECT_EQ(scene->LastFrameRects(), std::vector<win::TRect>({{0, 0, 200, 100}}));
    }
    form.reset();
  }
}

TEST_F(SceneControlTest, AnOpaqueOrFormlessScenePaintsThroughWmPaintAndSameColourDoesNotInvalidate) {
  MakeScene(60, 40, false);
  scene->SetFillColor("#FF00FF00");
  Show();
  EXPECT_FALSE(form->Layered());
  EXPECT_EQ(form->PresentedPixel(30, 20), 0xFF00FF00u);
  scene->SetFillColor("#FF00FF00");
  EXPECT_TRUE(scene->UpdateRegion().empty());
  scene->RepaintScene();
  win::MSG m;
  EXPECT_FALSE(rtl::PeekMessage(m, scene->Handle(), WM_DXSCENERENDER, WM_DXSCENERENDER, rtl::PM_NOREMOVE));
  EXPECT_FALSE(scene->UpdateRegion().empty());
  // A transparent scene inside a panel is no layered window either.
  auto* panel = new win::TCustomControl(form.get());
  panel->SetBounds(0, 0, 30, 30);
  panel->SetParent(form.get());
  auto* inner = new TdxScene(form.get());
  inner->SetTransparency(true);
  inner->SetParent(panel);
  rtl::Application->ProcessMessages();
  EXPECT_FALSE(form->Layered());
  inner->RepaintScene();
  EXPECT_FALSE(rtl::PeekMessage(m, inner->Handle(), WM_DXSCENERENDER, WM_DXSCENERENDER, rtl::PM_NOREMOVE));
}

TEST_F(SceneControlTest, AFailedBeginStillPresentsAndABrokenObjectDoesNotStopLaterFrames) {
  MakeScene();
  Box* b = AddBox(AddRoot(), 50, 50);
  Show();
  FrameCanvas::failBegin = true;
  FrameCanvas::log.clear();
  const int presents = form->PresentCount();
  scene->RenderScene();
  EXPECT_EQ(FrameCanvas::log, (std::vector<std::string>{"begin", "end"}));
  EXPECT_EQ(form->PresentCount(), presents + 1);
  FrameCanvas::failBegin = false;
  b->throwOnRender = true;
  // The root paints its children; the child throws out of the frame.
  EXPECT_THROW(scene->RenderScene(), std::runtime_error);
  b->throwOnRender = false;
  FrameCanvas::log.clear();
  scene->RenderScene();
  EXPECT_EQ(Frames(), 1);
}

TEST_F(SceneControlTest, FreedObjectsLeaveEveryReferenceAndTheCanvasIsFreedOnce) {
  MakeScene();
  scene->SetAllowDrag(false);
  TdxVisualObject* r = AddRoot();
  Box* hovered = AddBox(r, 40, 40);
  Box* focused = AddBox(r, 120, 40);
  focused->SetCanFocused(true);
  Box* captured = AddBox(r, 40, 80);
  captured->SetAutoCapture(true);
  Box* active = AddBox(r, 160, 80);
  Box* target = AddBox(r, 150, 40);
  target->OnDragOver = [](rtl::TObject*, const TdxDragObject&, const TdxVector&, bool& Accept) { Accept = true; };
  auto* camera = new TdxCamera(form.get());
  Show();
  std::int32_t effect = 0;
  ASSERT_EQ(scene->DragEnter({{u"/a"}, u""}, {}, {}, effect), win::S_OK);
  scene->DragOver({}, form->ClientToScreen({150, 40}), effect);
  EXPECT_EQ(scene->DropTarget(), target);
  target->Free();
  EXPECT_EQ(scene->DropTarget(), nullptr);
  scene->DragLeave();  // would reach the freed target otherwise
  win::SimulateMouseMove(form.get(), 40, 40);
  EXPECT_EQ(scene->Hovered(), hovered);
  focused->SetFocus();
  EXPECT_EQ(scene->GetFocused(), focused);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 40, 80);
  EXPECT_EQ(scene->GetCaptured(), captured);
  scene->SetActiveControl(active);
  scene->SetCamera(camera);  // not in the tree: watched
  captured->Free();
  EXPECT_EQ(scene->GetCaptured(), nullptr);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 40, 80);
  scene->BeginVCLDrag(hovered);
  EXPECT_EQ(scene->DragObject(), hovered);
  for (Box* o : {hovered, focused, active}) o->Free();
  camera->Free();
  EXPECT_TRUE(!scene->Hovered() && !scene->GetFocused() && !scene->ActiveControl() && !scene->DragObject());
  EXPECT_EQ(scene->Camera(), nullptr);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 100, 50);  // the drag ends on nothing
  scene->RenderScene();  // draws without the camera
  form.reset();
  EXPECT_EQ(FrameCanvas::made, 1);
  EXPECT_EQ(FrameCanvas::freed, 1);
}

TEST_F(SceneControlTest, InputReachesTheObjectUnderThePointerInItsOwnCoordinates) {
  MakeScene();
  Box* b = AddBox(AddRoot(), 100, 50);
  b->SetCursor(win::crHandPoint);
  Show();
  win::SimulateMouseMove(form.get(), 105, 52);
  EXPECT_EQ(form->CurrentCursor(), win::crHandPoint);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 105, 52);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 105, 52);
  win::SimulateMouseMove(form.get(), 10, 10);
  EXPECT_EQ(b->events, (std::vector<std::string>{"enter", "down 5,2", "up", "leave"}));
  EXPECT_EQ(scene->Hovered(), nullptr);
  EXPECT_EQ(form->CurrentCursor(), win::crDefault);

  // The wheel goes up from the object under the pointer until one uses it.
  Box* inner = AddBox(b, 0, 0, 10, 10);
  std::vector<std::string> wheel;
  inner->OnMouseWheel = [&](rtl::TObject*, rtl::TShiftState, int, const TdxVector&, bool&) { wheel.push_back("inner"); };
  b->OnMouseWheel = [&](rtl::TObject*, rtl::TShiftState, int, const TdxVector&, bool& Handled) {
    wheel.push_back("box");
    Handled = true;
  };
  root->OnMouseWheel = [&](rtl::TObject*, rtl::TShiftState, int, const TdxVector&, bool&) { wheel.push_back("root"); };
  win::SimulateMouseMove(form.get(), 100, 50);
  win::SimulateMouseWheel(form.get(), 1);
  EXPECT_EQ(wheel, (std::vector<std::string>{"inner", "box"}));

  // Hints: the object's own text, held within 10 pixels of the point; none over empty space.
  b->SetHint(u"Reducer");
  b->SetShowHint(true);
  std::u16string text;
  win::TRect rect;
  ASSERT_TRUE(scene->HintAt(115, 55, text, rect));
  EXPECT_EQ(text, u"Reducer");
  EXPECT_EQ(rect, (win::TRect{105, 45, 125, 65}));
  EXPECT_FALSE(scene->HintAt(10, 10, text, rect));
  EXPECT_TRUE(text.empty());

  // A root added later draws over the first: its objects take the pointer, and where it has
  // none the first root's objects still do (the first root's answer, none, used to win).
  Box* later = AddBox(AddRoot(), 30, 70);
  win::SimulateMouseMove(form.get(), 32, 71);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 32, 71);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 32, 71);
  EXPECT_EQ(later->events, (std::vector<std::string>{"enter", "down 2,1", "up"}));
  EXPECT_EQ(scene->ObjectAtPoint(115, 55), b);
}

namespace {

// A scene whose stream binds its mouse events to its own methods, as a form's does.
class MouseScene : public TdxScene {
  RTL_CLASS(MouseScene, TdxScene)
public:
  using TdxScene::TdxScene;
  void SceneMouseDown(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, int X, int Y) { Note("down", X, Y); }
  void SceneMouseMove(rtl::TObject*, rtl::TShiftState, int X, int Y) { Note("move", X, Y); }
  void SceneMouseUp(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, int X, int Y) { Note("up", X, Y); }
  void SceneMouseWheel(rtl::TObject*, rtl::TShiftState, int Delta, const win::TPoint&, bool&) {
    log->push_back("wheel " + std::to_string(Delta));
  }
  void Note(const std::string& What, int X, int Y) {
    log->push_back(What + " " + std::to_string(X) + "," + std::to_string(Y));
  }
  std::vector<std::string>* log = nullptr;
};

rtl::TClass MouseScene::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<MouseScene>()
                                          .Method("SceneMouseDown", &MouseScene::SceneMouseDown)
                                          .Method("SceneMouseMove", &MouseScene::SceneMouseMove)
                                          .Method("SceneMouseUp", &MouseScene::SceneMouseUp)
                                          .Method("SceneMouseWheel", &MouseScene::SceneMouseWheel)
                                          .Build();
  return &info;
}

}  // namespace

// The scene's mouse events come first in each handler; without a canvas (invisible at run
// time) they are all that hears of the mouse.
TEST_F(SceneControlTest, AStreamBindsTheMouseEventsWhichFireFirstAndAloneWhenInvisible) {
  for (bool invisible : {false, true}) {
    SCOPED_TRACE(invisible ? "invisible" : "visible");
    std::vector<std::string> log;
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 200, 100);
    auto* s = new MouseScene(form.get());
    s->log = &log;
    s->SetParent(form.get());
    s->SetAlign(win::alClient);
    rtl::TStringStream text(std::string("object dxScene1: MouseScene\r\n  AllowDrag = True\r\n") +
                            (invisible ? "  InvisibleAtRuntime = True\r\n" : "") +
                            "  UsingDesignCamera = False\r\n  OnMouseMove = SceneMouseMove\r\n"
                            "  OnMouseDown = SceneMouseDown\r\n  OnMouseUp = SceneMouseUp\r\n"
                            "  OnMouseWheel = SceneMouseWheel\r\nend\r\n");
    rtl::TMemoryStream bin;
    rtl::ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    rtl::TReader(&bin, 1024).ReadRootComponent(s);
    scene = s;
    Box* b = AddBox(AddRoot(), 100, 50);
    b->OnMouseDown = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float, const TdxVector&,
                         const TdxVector&) { log.push_back("box down"); };
    b->OnMouseWheel = [&](rtl::TObject*, rtl::TShiftState, int, const TdxVector&, bool& Handled) {
      log.push_back("box wheel");
      Handled = true;
    };
    Show();
    EXPECT_EQ(scene->GetCanvas() == nullptr, invisible);
    log.clear();
    win::SimulateMouseMove(form.get(), 105, 52);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 105, 52);
    win::SimulateMouseWheel(form.get(), 1);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 105, 52);
    // A press on empty space moves the window, only with a canvas.
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 5, 5);
    EXPECT_EQ(scene->Moving(), !invisible);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 5, 5);
    if (invisible) {
      EXPECT_EQ(log, (std::vector<std::string>{"move 105,52", "down 105,52", "wheel 120", "up 105,52", "down 5,5",
                                               "up 5,5"}));
      EXPECT_TRUE(b->events.empty());
    } else {
      EXPECT_EQ(log, (std::vector<std::string>{"move 105,52", "down 105,52", "box down", "wheel 120", "box wheel",
                                               "up 105,52", "down 5,5", "up 5,5"}));
      EXPECT_EQ(b->events, (std::vector<std::string>{"enter", "down 5,2", "up"}));
    }
    form.reset();
  }
}

TEST_F(SceneControlTest, ALeftPressOnEmptySpaceMovesTheWindowAndAResizeFollowsThePointer) {
  MakeScene();
  scene->SetAllowDrag(true);
  Box* b = AddBox(AddRoot(), 150, 50);
  Show();
  win::SimulateMouseButton(form.get(), rtl::mbRight, true, 5, 5);
  EXPECT_FALSE(scene->Moving());
  win::SimulateMouseButton(form.get(), rtl::mbRight, false, 5, 5);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 5, 5);
  EXPECT_TRUE(scene->Moving());
  win::SimulateMouseMove(form.get(), 15, 5);
  EXPECT_EQ(form->Left(), 20);
  EXPECT_EQ(form->Top(), 20);
  win::SimulateMouseMove(form.get(), 5, 12);  // the window moved under the pointer
  EXPECT_EQ(form->Left(), 20);
  EXPECT_EQ(form->Top(), 27);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 5, 12);
  EXPECT_FALSE(scene->Moving());
  EXPECT_TRUE(b->events.empty());
  // A press on an object reaches it and moves nothing.
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 150, 50);
  EXPECT_FALSE(scene->Moving());
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 150, 50);

  // A grip's press asks for a resize: the window grows by exactly the pointer's travel.
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 150, 50);
  scene->BeginWindowResize();
  ASSERT_TRUE(scene->Resizing());
  win::SimulateMouseMove(form.get(), 160, 55);
  EXPECT_EQ(form->Width(), 210);
  EXPECT_EQ(form->Height(), 105);
  win::SimulateMouseMove(form.get(), 170, 55);
  EXPECT_EQ(form->Width(), 220);
  EXPECT_EQ(scene->GetCanvas()->Width(), 220);
  win::SimulateMouseMove(form.get(), -2000, -2000);
  EXPECT_EQ(form->Width(), 1);
  EXPECT_EQ(form->Height(), 1);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 0, 0);
  EXPECT_FALSE(scene->Resizing());
}

TEST_F(SceneControlTest, TabWrapsBothWaysAndGivesTheFirstFocus) {
  MakeScene();
  TdxVisualObject* r = AddRoot();
  std::vector<Box*> boxes;
  for (int i = 0; i < 3; ++i) {
    boxes.push_back(AddBox(r, 30.0f + 50 * i, 30));
    boxes.back()->SetCanFocused(true);
  }
  Show();
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(scene->GetFocused(), boxes[0]);
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(scene->GetFocused(), boxes[2]);
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(scene->GetFocused(), boxes[0]);
  win::SimulateKeyStroke(form.get(), SDLK_TAB, {rtl::ssShift});
  EXPECT_EQ(scene->GetFocused(), boxes[2]);
  win::SimulateKeyStroke(form.get(), SDLK_TAB, {rtl::ssShift});
  EXPECT_EQ(scene->GetFocused(), boxes[1]);
  // Tab went to the scene, not to the objects as a key.
  for (Box* b : boxes)
    for (const Box::TKey& k : b->keys) EXPECT_NE(k.Key, win::VK_TAB);
  // Shift+Tab with nothing focused starts from the last.
  scene->SetFocused(nullptr);
  win::SimulateKeyStroke(form.get(), SDLK_TAB, {rtl::ssShift});
  EXPECT_EQ(scene->GetFocused(), boxes[2]);  // With the root and one box only, Tab still gives the first focus.
  scene->SetFocused(nullptr);
  boxes[1]->SetVisible(false);
  boxes[2]->SetVisible(false);
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(scene->GetFocused(), boxes[0]);
}

TEST_F(SceneControlTest, ControlCharactersArriveAsLettersWithCtrlAndEnterIsNoCharacter) {
  MakeScene();
  Box* b = AddBox(AddRoot(), 50, 50);
  b->SetCanFocused(true);
  Show();
  b->SetFocus();
  win::SimulateKeyStroke(form.get(), SDLK_c, {rtl::ssCtrl});
  win::SimulateKeyStroke(form.get(), SDLK_RETURN);
  win::SimulateText(form.get(), "q");
  // Ctrl+A too, so that the text boxes of a GUI layer select all with it as they do in a 2D scene
  // (it used to arrive as the control character 1, which no box reads).
  win::SimulateKeyStroke(form.get(), SDLK_a, {rtl::ssCtrl});
  std::vector<char16_t> chars;
  bool ctrlWithC = false, ctrlWithA = false;
  for (const Box::TKey& k : b->keys) {
    if (k.Key == 0) chars.push_back(k.Char);
    if (k.Key == 0 && k.Char == u'c') ctrlWithC = k.Ctrl;
    if (k.Key == 0 && k.Char == u'a') ctrlWithA = k.Ctrl;
  }
  EXPECT_EQ(chars, (std::vector<char16_t>{u'c', u'q', u'a'}));
  EXPECT_TRUE(ctrlWithC);
  EXPECT_TRUE(ctrlWithA);
  // Enter still comes as a key.
  EXPECT_TRUE(std::any_of(b->keys.begin(), b->keys.end(), [](const Box::TKey& k) { return k.Key == win::VK_RETURN; }));
}

TEST_F(SceneControlTest, DroppedFilesReachTheTargetWithBothNamesAndTheFirstAsData) {
  MakeScene();
  std::int32_t effect = 0;
  EXPECT_EQ(scene->DragEnter({{u"/x"}, u""}, {}, {}, effect), win::E_UNEXPECTED);  // no root
  Box* target = AddBox(AddRoot(), 150, 40);
  target->OnDragOver = [](rtl::TObject*, const TdxDragObject&, const TdxVector&, bool& Accept) { Accept = true; };
  TdxDragObject got;
  TdxVector at{};
  int drops = 0;
  target->OnDragDrop = [&](rtl::TObject*, const TdxDragObject& Data, const TdxVector& P) {
    ++drops;
    got = Data;
    at = P;
  };
  Show();
  win::SimulateDrop(form.get(), {"/data/one.cfg", "/data/two.cfg"}, "", 20, 20);
  EXPECT_EQ(drops, 0);
  win::SimulateDrop(form.get(), {"/data/one.cfg", "/data/two.cfg"}, "", 155, 42);
  ASSERT_EQ(drops, 1);
  EXPECT_EQ(got.Files, (std::vector<std::string>{"/data/one.cfg", "/data/two.cfg"}));
  EXPECT_EQ(std::get<std::string>(got.Data), "/data/one.cfg");
  EXPECT_EQ(got.Source, nullptr);
  EXPECT_FLOAT_EQ(at.X, 5);
  EXPECT_FLOAT_EQ(at.Y, 2);
  win::SimulateDrop(form.get(), {}, "some text", 150, 40);
  ASSERT_EQ(drops, 2);
  EXPECT_TRUE(got.Files.empty());
  EXPECT_EQ(std::get<std::u16string>(got.Data), u"some text");
}

TEST_F(SceneControlTest, DesignPropertiesAreWrittenAlwaysAndReadBackOutsideADesignerWithoutTheGrid) {
  auto s = std::make_unique<TdxScene>(nullptr);
  s->SetName("dxScene1");
  s->DesignDummyA()->RotateAngle()->SetZ(-19.4999447f);
  rtl::TMemoryStream bin;
  rtl::TWriter(&bin, 1024).WriteRootComponent(s.get());
  const std::string bytes(static_cast<const char*>(bin.Memory()), static_cast<size_t>(bin.Size()));
  EXPECT_NE(bytes.find(std::string("\x0F" "DesignCameraPos\x05\0\0\0\0\0\0\0\xA0\x03\xC0", 26)), std::string::npos);
  EXPECT_NE(bytes.find(std::string("\x12" "DesignCameraXAngle\x05\0\0\0\0\0\0\0\xA0\x03\x40", 30)), std::string::npos);
  EXPECT_NE(bytes.find("\x12" "DesignSnapGridShow\x09"), std::string::npos);
  EXPECT_NE(bytes.find("\x10" "DesignSnapToGrid\x08"), std::string::npos);
  EXPECT_NE(bytes.find("\x11" "DesignSnapToLines\x09"), std::string::npos);
  EXPECT_LT(bytes.find("DesignCameraPos"), bytes.find("DesignCameraZAngle"));
  EXPECT_LT(bytes.find("DesignCameraZAngle"), bytes.find("DesignSnapToLines"));
  // The scene's own objects are never written.
  EXPECT_EQ(bytes.find("TdxDummy"), std::string::npos);
  EXPECT_EQ(bytes.find("TdxCamera"), std::string::npos);

  bin.SetPosition(0);
  auto back = std::make_unique<TdxScene>(nullptr);
  rtl::TReader(&bin, 1024).ReadRootComponent(back.get());
  EXPECT_FLOAT_EQ(back->DesignDummyA()->RotateAngle()->Z(), -19.4999447f);
  EXPECT_FLOAT_EQ(back->DesignCamera()->Position()->Y(), -20);
  // Outside a designer the grid is never shown, whatever the stream says.
  EXPECT_FALSE(back->DesignSnapGridShow());

  rtl::TStringStream text(
      "object dxScene1: TdxScene\r\n  FillColor = '#00000000'\r\n  DesignCameraPos = -31.5\r\n"
      "  DesignSnapGridShow = True\r\n  DesignSnapToGrid = True\r\n  DesignSnapToLines = False\r\nend\r\n");
  rtl::TMemoryStream fromText;
  rtl::ObjectTextToBinary(&text, &fromText);
  fromText.SetPosition(0);
  auto loaded = std::make_unique<TdxScene>(nullptr);
  rtl::TReader(&fromText, 1024).ReadRootComponent(loaded.get());
  EXPECT_FALSE(loaded->DesignSnapGridShow());
  EXPECT_TRUE(loaded->DesignSnapToGrid());
  EXPECT_FALSE(loaded->DesignSnapToLines());
  EXPECT_FLOAT_EQ(loaded->DesignCamera()->Position()->Y(), -31.5f);
  EXPECT_EQ(loaded->FillColor(), "#00000000");
  EXPECT_FLOAT_EQ(loaded->SnapValue(0.375f), 0.5f);
  EXPECT_FLOAT_EQ(loaded->SnapValue(0.125f), 0.0f);
}

TEST_F(SceneControlTest, ASceneStreamsItsRootObjectsButNotTheRig) {
  MakeScene();
  scene->SetAllowDrag(true);
  auto* r = new TdxVisualObject(form.get());
  r->SetName("Root1");
  scene->AddObject(r);
  auto* child = new TdxVisualObject(form.get());
  child->SetName("Child1");
  r->AddObject(child);
  rtl::TMemoryStream bin;
  rtl::TWriter(&bin, 1024).WriteRootComponent(scene);
  bin.SetPosition(0);
  rtl::TStringStream text("");
  rtl::ObjectBinaryToText(&bin, &text);
  // Quality and the colours always; the others only when they differ from their defaults.
  for (const char* written : {"Quality = ", "AmbientColor = '#FF202020'", "RealTimeSleep = 0", "AllowDrag = True"})
    EXPECT_NE(text.DataString().find(written), std::string::npos) << written;
  for (const char* left : {"AlignRoot", "Lighting", "TdxDummy", "TdxCamera", "TdxGrid"})
    EXPECT_EQ(text.DataString().find(left), std::string::npos) << left;
  bin.SetPosition(0);
  auto copy = std::make_unique<TdxScene>(nullptr);
  rtl::TReader(&bin, 1024).ReadRootComponent(copy.get());
  // The rig and the grid first, then the stored root with its child.
  ASSERT_EQ(copy->GetCount(), 3);
  ASSERT_NE(copy->GetRoot(), nullptr);
  EXPECT_EQ(copy->GetRoot()->Name(), "Root1");
  ASSERT_EQ(copy->GetRoot()->ChildrenCount(), 1);
  EXPECT_EQ(copy->GetRoot()->Children(0)->Name(), "Child1");
}

TEST_F(SceneControlTest, TheIdleLoopTicksTheTreeDrawsAndRestsOnATimer) {
  rtl::TTestClock clock(5000);
  rtl::Application->SetClock(&clock);
  MakeScene();
  TdxVisualObject* r = AddRoot();
  r->OnPaint = [](rtl::TObject*, TdxCanvas*) {};  // frames on the canvas, counted there
  std::vector<float> deltas;
  r->OnTick = [&](rtl::TObject*, double, float Delta) { deltas.push_back(Delta); };
  Show();
  scene->SetRealTime(true);
  EXPECT_TRUE(rtl::Application->OnIdle == rtl::TIdleEvent(scene, &TdxScene::DoIdle, "DoIdle"));
  FrameCanvas::log.clear();
  bool done = true;
  scene->DoIdle(nullptr, done);
  EXPECT_FALSE(done);
  scene->DoIdle(nullptr, done);  // no time passed: the smallest step
  clock.Advance(25);
  scene->DoIdle(nullptr, done);
  ASSERT_EQ(deltas.size(), 3u);
  EXPECT_FLOAT_EQ(deltas[1], 0.001f);
  EXPECT_NEAR(deltas[2], 0.025f, 1e-6f);
  EXPECT_EQ(Frames(), 3);
  for (int i = 0; i < 40; ++i) {
    clock.Advance(25);
    scene->DoIdle(nullptr, done);
  }
  // The count closes once more than a second has gathered: 42 frames in 1.002 s.
  EXPECT_NEAR(scene->FramesPerSecond(), 42 / 1.002f, 1e-3f);
  // With a rest, the loop waits on a timer instead of sleeping.
  scene->SetRealTimeSleep(100);
  scene->DoIdle(nullptr, done);
  EXPECT_TRUE(done);
  const int frames = Frames();
  scene->DoIdle(nullptr, done);
  EXPECT_EQ(Frames(), frames);
  clock.Advance(100);
  scene->DoIdle(nullptr, done);
  EXPECT_EQ(Frames(), frames + 1);
  form.reset();
  EXPECT_FALSE(static_cast<bool>(rtl::Application->OnIdle));
  rtl::Application->SetClock(nullptr);
}

TEST_F(SceneControlTest, BitmapItemsAreListedByNameWhileTheyLive) {
  auto list = std::make_unique<TdxBitmapList>(nullptr);
  TdxBitmapStream* a = list->Bitmaps()->Add();
  TdxBitmapStream* b = list->Bitmaps()->Add();
  EXPECT_EQ(a->Bitmap()->Width(), 0);
  EXPECT_EQ(a->GetDisplayName(), "(Bitmap)");
  a->SetName("Skin");
  b->SetName("Skin");
  EXPECT_EQ(dxFindResourceBitmap("skin"), a->Bitmap());
  // Renaming keeps the place: the first item still answers for a shared name.
  b->SetName("Other");
  b->SetName("Skin");
  EXPECT_EQ(dxFindResourceBitmap("Skin"), a->Bitmap());
  TdxBitmap picture(3, 2);
  b->SetBitmap(&picture);
  b->SetBitmap(nullptr);
  EXPECT_EQ(b->Bitmap()->Width(), 3);
  list->Bitmaps()->Delete(0);
  EXPECT_EQ(dxFindResourceBitmap("Skin"), b->Bitmap());
  list.reset();
  EXPECT_EQ(dxFindResourceBitmap("Skin"), nullptr);
}

TEST_F(SceneControlTest, TheAnimationClockGoesWithTheLastSceneFreedWithItsForm) {
  MakeScene();
  Show();
  auto* moving = AddBox(AddRoot(), 0, 0);
  auto* a = new TdxFloatAnimation(form.get());
  a->SetParent(moving);
  a->SetPropertyName("Position.X");
  a->SetStopValue(100);
  a->SetDuration(1);
  a->Start();
  ASSERT_NE(DxAniThread(), nullptr);
  // Another scene going leaves it to the one still there.
  auto other = std::make_unique<win::TForm>(nullptr);
  (new TdxScene(other.get()))->SetParent(other.get());
  other.reset();
  EXPECT_NE(DxAniThread(), nullptr);
  form.reset();
  EXPECT_EQ(DxAniThread(), nullptr);
  // The next animation makes a new one.
  MakeScene();
  auto* b = new TdxFloatAnimation(form.get());
  b->SetParent(AddRoot());
  b->SetPropertyName("Position.X");
  b->SetDuration(1);
  b->Start();
  EXPECT_NE(DxAniThread(), nullptr);
}

TEST_F(SceneControlTest, ShutDownWaitsForTheLastSceneBeforeItFreesTheSharedLists) {
  MakeScene();
  Show();
  ASSERT_FALSE(DxClassList().empty());
  SceneLibraryShutdown();
  EXPECT_FALSE(DxClassList().empty());  // a window still lives
  form.reset();
  EXPECT_TRUE(DxClassList().empty());
  EXPECT_EQ(DxAniThread(), nullptr);
  SceneLibraryStartup();  // for TearDown
}

}  // namespace

}  // namespace scene_control_test
