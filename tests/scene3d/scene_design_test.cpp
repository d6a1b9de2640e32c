// A designed 3D scene in a form on SDL's dummy display, on a canvas that keeps what the
// design frame draws: selection by press (the first press makes the root, Ctrl collects,
// double clicks, locked and invisible objects), the handles and what dragging them does,
// moving, orbiting, panning and the wheel, presses that a selected object layer takes for
// its own editing, Delete, the drawing of the selection, and the design menu driven by its
// captions: inserting, hiding, ordering, deleting, the clipboard, loading and the grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "ViewAim.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display.h"
#include "platform/win/Menus.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "scene3d/Shapes3D.h"
#include "scene3d/ValueText.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/DesignEditor.h"

using namespace dx;

namespace {

// What the design frame draws: every box, wire or filled, with the material's colour then.
class DesignCanvas final : public dxtest::NullCanvas {
public:
  using NullCanvas::NullCanvas;

  struct TBox {
    bool Filled;
    TdxColor Colour;
    TdxVector Centre, Size;
    TdxMatrix World;
  };
  static inline std::vector<TBox> boxes;

  bool BeginScene() override {
    boxes.clear();
    return true;
  }
  void DrawCube(const TdxVector& C, const TdxVector& S, float) override {
    boxes.push_back({false, Material().DiffuseColor(), C, S, World()});
  }
  void FillCube(const TdxVector& C, const TdxVector& S, float) override {
    boxes.push_back({true, Material().DiffuseColor(), C, S, World()});
  }
};

// A scene whose input handlers a test may call.
class OpenScene : public TdxScene {
public:
  using TdxScene::TdxScene;
  using TdxScene::DoMouseWheel;
  using TdxScene::MouseDown;
  using TdxScene::MouseMove;
  using TdxScene::MouseUp;
};

// A cube that writes down the design hooks it gets.
class Probe : public TdxCube {
public:
  using TdxCube::TdxCube;
  void DesignInsert() override { ++inserts; }
  void DesignClick() override { ++clicks; }
  int inserts = 0;
  int clicks = 0;
};

// A 3D object class whose name does not begin with the library's prefix.
class Prism : public TdxCube {
  RTL_CLASS(Prism, TdxCube)
public:
  using TdxCube::TdxCube;
};

const rtl::TShiftState Left{rtl::ssLeft};

bool Finite(const TdxMatrix& M) {
  for (const auto& row : M.M)
    for (float v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

rtl::TClass Prism::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<Prism>().Build();
  return &info;
}

namespace {

class DesignedScene : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    vg::ControlsStartup();
    SceneLibraryStartup();
    saved = DefaultCanvasClass;
    DefaultCanvasClass = TdxCanvasClassOf<DesignCanvas>::Instance();
    savedMessage = DesignShowMessage;
    DesignShowMessage = [this](const std::u16string& Text) { messages.push_back(Text); };
    savedOpen = vg::DesignOpenFileDialog;
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 400, 300);
    scene = new OpenScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    scene->SetDesignTime(true);
    form->Show();
    Settle();
  }
  void TearDown() override {
    if (scene && scene->DesignPopupMenu()) scene->DesignPopupMenu()->CloseMenu();
    form.reset();
    rtl::Application->ProcessMessages();
    vg::DesignOpenFileDialog = savedOpen;
    DesignShowMessage = savedMessage;
    DefaultCanvasClass = saved;
    SceneLibraryShutdown();
    vg::ControlsShutdown();
  }
  void Settle() {
    scene->RepaintScene();
    rtl::Application->ProcessMessages();
  }
  TdxCanvas& Canvas() { return *scene->GetCanvas(); }
  TdxVisualObject* AddRoot(TdxProjection P = dxProjectionCamera) {
    auto* r = new TdxVisualObject(form.get());
    r->SetProjection(P);
    scene->AddObject(r);
    return r;
  }
  template <class T = TdxCube> T* AddCube(TdxVisualObject* Parent, TdxVector At, float Side = 2) {
    auto* c = new T(form.get());
    Parent->AddObject(c);
    c->SetWidth(Side);
    c->SetHeight(Side);
    c->SetDepth(Side);
    c->Position()->SetVector(At);
    return c;
  }
  // A screen-space box of the given size with its centre at (X, Y).
  TdxCube* AddScreenBox(TdxVisualObject* Parent, float X, float Y, float W, float H) {
    auto* c = new TdxCube(form.get());
    Parent->AddObject(c);
    c->SetProjection(dxProjectionScreen);
    c->SetWidth(W);
    c->SetHeight(H);
    c->SetDepth(1);
    c->Position()->SetPoint({X, Y, 0});
    return c;
  }
  win::TPoint At(const TdxVisualObject* O, const TdxVector& Local = {0, 0, 0, 1}) {
    return dxtest::ProjectToClient(Canvas(), O->LocalToAbsolute(Local));
  }
  void Down(win::TPoint P, rtl::TShiftState S = {}, rtl::TMouseButton B = rtl::mbLeft) {
    scene->MouseDown(B, S, P.X, P.Y);
  }
  void Move(win::TPoint P, rtl::TShiftState S = Left) { scene->MouseMove(S, P.X, P.Y); }
  void Up(win::TPoint P, rtl::TMouseButton B = rtl::mbLeft) { scene->MouseUp(B, {}, P.X, P.Y); }
  void Click(win::TPoint P, rtl::TShiftState S = {}) {
    Down(P, S);
    Up(P);
  }
  // A drag of the left button from A to B, with the modifiers Mods held throughout.
  void Drag(win::TPoint A, win::TPoint B, rtl::TShiftState Mods = {}) {
    Down(A, Mods);
    rtl::TShiftState held = Mods;
    held.Include(rtl::ssLeft);
    Move(B, held);
    Up(B);
  }
  std::vector<std::u16string> TopCaptions() {
    std::vector<std::u16string> c;
    for (const vg::TvxDesignMenuItem& i : scene->BuildDesignMenu()) c.push_back(i.Caption);
    return c;
  }
  std::string TempFile(const std::string& Name, const std::string& Text) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              (Name + "_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                               std::to_string(reinterpret_cast<std::uintptr_t>(this))))
                                 .string();
    std::ofstream(path, std::ios::binary) << Text;
    files.push_back(path);
    return path;
  }
  void Answer(const std::string& File) {
    vg::DesignOpenFileDialog = [this, File](const std::string& Filter, std::string& FileName) {
      filters.push_back(Filter);
      FileName = File;
      return true;
    };
  }
  ~DesignedScene() override {
    for (const std::string& f : files) std::remove(f.c_str());
  }

  const TdxCanvasClass* saved = nullptr;
  TdxDesignMessageProc savedMessage;
  vg::TvxDesignOpenFileProc savedOpen;
  std::unique_ptr<win::TForm> form;
  OpenScene* scene = nullptr;
  std::vector<std::u16string> messages;
  std::vector<std::string> filters;
  std::vector<std::string> files;
};

// ---- selection ------------------------------------------------------------------------------------

TEST_F(DesignedScene, TheFirstPressMakesTheRootAndSelectsNothingTheNextSelectsIt) {
  ASSERT_EQ(scene->GetRoot(), nullptr);
  Click({200, 150});
  TdxVisualObject* root = scene->GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Name(), "Root1");
  EXPECT_EQ(root->Owner(), form.get());
  EXPECT_EQ(scene->Selected(), nullptr);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
  // The next press on empty space selects the root, without moving it.
  Down({200, 150});
  EXPECT_EQ(scene->Selected(), root);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
  Up({200, 150});
  EXPECT_EQ(scene->GetRoot(), root) << "no second root";
}

TEST_F(DesignedScene, APressSelectsWhatItHitsWithItsHooksAndCtrlCollectsOthers) {
  TdxVisualObject* root = AddRoot();
  auto* a = AddCube<Probe>(root, {-4, 0, 0, 1});
  auto* b = AddCube<Probe>(root, {4, 0, 0, 1});
  auto* c = AddCube<Probe>(root, {0, 0, 3, 1});
  Settle();
  Down(At(a));
  EXPECT_EQ(scene->Selected(), a);
  EXPECT_EQ(a->inserts, 1);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::Move);
  Up(At(a));
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
  // Pressing the selection again keeps it without announcing it once more.
  Click(At(a));
  EXPECT_EQ(a->inserts, 1);
  // Ctrl collects others beside the selection until the release.
  Down(At(b), {rtl::ssCtrl});
  Move(At(b), {rtl::ssLeft, rtl::ssCtrl});
  Down(At(c), {rtl::ssCtrl});
  EXPECT_EQ(scene->Selected(), a);
  EXPECT_EQ(scene->DesignSelectionList(), (std::vector<TdxVisualObject*>{b, c}));
  // A second Ctrl-press on one of them puts the selection in its place.
  Down(At(b), {rtl::ssCtrl});
  EXPECT_EQ(scene->DesignSelectionList(), (std::vector<TdxVisualObject*>{a, c}));
  EXPECT_EQ(b->inserts, 0);
  Up(At(b));
  EXPECT_TRUE(scene->DesignSelectionList().empty());
  // A double click on the selection is its design click; elsewhere it is a plain press.
  Down(At(a), {rtl::ssDouble});
  EXPECT_EQ(a->clicks, 1);
  Up(At(a));
  Down(At(b), {rtl::ssDouble});
  EXPECT_EQ(b->clicks, 0);
  EXPECT_EQ(scene->Selected(), b);
  Up(At(b));
  // A press on empty space selects the root and does not move it.
  Down({5, 5});
  EXPECT_EQ(scene->Selected(), root);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
  Up({5, 5});
}

TEST_F(DesignedScene, LockedObjectsArePassedOverAndInvisibleOnesAreNot) {
  TdxVisualObject* root = AddRoot();
  auto* back = AddCube(root, {0, 6, 0, 1}, 6);
  auto* front = AddCube(root, {0, 0, 0, 1});
  front->SetLocked(true);
  Settle();
  Click(At(front));
  EXPECT_EQ(scene->Selected(), back) << "the locked cube lets the press through";
  front->SetLocked(false);
  front->SetVisible(false);
  // With the root selected no handle of the back cube stands in the way.
  scene->DesignSelect(root);
  Click(At(front));
  EXPECT_EQ(scene->Selected(), front) << "a hidden cube is still edited";
}

// ---- handles --------------------------------------------------------------------------------------

TEST_F(DesignedScene, AHandleIsHitWithinTwiceItsSizeAndKeepsTheSelection) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  Settle();
  Click(At(cube));
  ASSERT_EQ(scene->Selected(), cube);
  Settle();
  // Seen from 20 units through a 45 degree view, a handle keeps its size on the screen.
  const float size = scene->DesignHandleSize();
  EXPECT_NEAR(size, 0.18f * 0.14f * 20 / (1 / std::tan(3.14159265f / 8)), 1e-3f);
  EXPECT_FLOAT_EQ(scene->DesignHandleOffset(), 1.8f);
  const TdxVector resize1{1, -1, 1, 1};
  const win::TPoint centre = At(cube, resize1);
  ASSERT_LT(dxtest::RayMissDistance(Canvas(), *cube, centre.X, centre.Y, resize1), size / 2);
  Down(centre);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::ResizeWidthDepth);
  EXPECT_EQ(scene->Selected(), cube);
  Up(centre);
  // Pixels along the row whose rays pass just inside and just outside twice the size.
  win::TPoint inside{-1, -1}, outside{-1, -1};
  for (int dx = 1; dx < 40; ++dx) {
    const float miss = dxtest::RayMissDistance(Canvas(), *cube, centre.X + dx, centre.Y, resize1);
    if (miss < 1.9f * size) inside = {centre.X + dx, centre.Y};
    if (miss >= 2.1f * size && miss < 2.6f * size && outside.X < 0) outside = {centre.X + dx, centre.Y};
  }
  ASSERT_GE(inside.X, 0);
  ASSERT_GE(outside.X, 0);
  scene->DesignSelect(cube);
  Down(inside);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::ResizeWidthDepth);
  Up(inside);
  Down(outside);
  EXPECT_NE(scene->DesignDrag(), TdxDesignDrag::ResizeWidthDepth);
  EXPECT_NE(scene->DesignDrag(), TdxDesignDrag::ResizeWidthHeight);
  Up(outside);
  scene->DesignSelect(cube);
  // The other handles, each where the table puts it.
  const struct {
    TdxVector Local;
    TdxDesignDrag Drag;
  } handles[] = {{{-1, 1, 1, 1}, TdxDesignDrag::ResizeWidthHeight},
                 {{0, 0, 1 + 1.8f, 1}, TdxDesignDrag::RotateX},
                 {{1 + 1.8f, 0, 0, 1}, TdxDesignDrag::RotateY},
                 {{0, -1 - 1.8f, 0, 1}, TdxDesignDrag::RotateZ}};
  for (const auto& h : handles) {
    Down(At(cube, h.Local));
    EXPECT_EQ(scene->DesignDrag(), h.Drag);
    EXPECT_EQ(scene->Selected(), cube);
    Up(At(cube, h.Local));
  }
}

TEST_F(DesignedScene, ACameraHasNoResizeHandlesAndAScreenObjectNoTurnAboutXOrY) {
  TdxVisualObject* root = AddRoot();
  auto* camera = new TdxCamera(form.get());
  root->AddObject(camera);
  camera->Position()->SetPoint({0, 0, 0});
  scene->DesignSelect(camera);
  Settle();
  Down(At(camera, {1, -1, 1, 1}));
  EXPECT_NE(scene->DesignDrag(), TdxDesignDrag::ResizeWidthDepth);
  Up({0, 0});
  scene->DesignSelect(camera);
  Settle();
  Down(At(camera, {0, -1.5f - 1.8f, 0, 1}));
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateZ);
  Up({0, 0});
  // In screen space the handles are 3 pixels with an offset of 10.
  TdxVisualObject* screenRoot = AddRoot(dxProjectionScreen);
  auto* box = AddScreenBox(screenRoot, 200, 150, 60, 40);
  scene->DesignSelect(box);
  Settle();
  EXPECT_FLOAT_EQ(scene->DesignHandleSize(), 3);
  EXPECT_FLOAT_EQ(scene->DesignHandleOffset(), 10);
  Down({200 + 30 + 10, 150});  // where rotate Y would be
  EXPECT_NE(scene->DesignDrag(), TdxDesignDrag::RotateY);
  Up({0, 0});
  scene->DesignSelect(box);
  Down({200, 150 - 20 - 10});
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateZ);
  Up({0, 0});
}

TEST_F(DesignedScene, EachSceneKeepsItsOwnHandleMetrics) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  scene->DesignSelect(cube);
  Settle();
  const float cameraSize = scene->DesignHandleSize();
  // Another designed scene draws a selection in screen space.
  auto otherForm = std::make_unique<win::TForm>(nullptr);
  otherForm->SetBounds(500, 20, 300, 200);
  auto* other = new OpenScene(otherForm.get());
  other->SetParent(otherForm.get());
  other->SetAlign(win::alClient);
  other->SetDesignTime(true);
  auto* otherRoot = new TdxVisualObject(otherForm.get());
  otherRoot->SetProjection(dxProjectionScreen);
  other->AddObject(otherRoot);
  auto* box = AddScreenBox(otherRoot, 100, 100, 50, 50);
  other->DesignSelect(box);
  otherForm->Show();
  other->RepaintScene();
  rtl::Application->ProcessMessages();
  EXPECT_FLOAT_EQ(other->DesignHandleSize(), 3);
  EXPECT_FLOAT_EQ(scene->DesignHandleSize(), cameraSize);
  EXPECT_FLOAT_EQ(scene->DesignHandleOffset(), 1.8f);
  // This scene's handles are still where it drew them.
  Down(At(cube, {1, -1, 1, 1}));
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::ResizeWidthDepth);
  Up({0, 0});
}

// ---- dragging -------------------------------------------------------------------------------------

TEST_F(DesignedScene, AltDraggingOrbitsTheRigAndTheWheelBringsTheCameraNearer) {
  const win::TPoint from{200, 150};
  Down(from, {rtl::ssAlt});
  Move({210, 150}, {rtl::ssLeft, rtl::ssAlt});
  EXPECT_FLOAT_EQ(scene->DesignDummyA()->RotateAngle()->Z(), 3);
  EXPECT_FLOAT_EQ(scene->DesignDummyB()->RotateAngle()->X(), 20);
  Move({210, 160}, {rtl::ssLeft, rtl::ssAlt});
  EXPECT_FLOAT_EQ(scene->DesignDummyB()->RotateAngle()->X(), 23);
  EXPECT_FLOAT_EQ(scene->DesignDummyA()->RotateAngle()->Z(), 3);
  Up({210, 160});
  scene->DoMouseWheel({}, 120, {0, 0});
  EXPECT_FLOAT_EQ(scene->DesignCamera()->Position()->Y(), -19);
  scene->DoMouseWheel({}, -240, {0, 0});
  EXPECT_FLOAT_EQ(scene->DesignCamera()->Position()->Y(), -21);
}

TEST_F(DesignedScene, ShiftDraggingPansTheRigSoTheScenePointStaysUnderThePointer) {
  TdxVisualObject* root = AddRoot();
  scene->DesignSelect(root);
  Settle();
  // The point of the pan plane (y = 0 while the rig is not turned) under the pointer.
  const win::TPoint from{150, 120}, to{190, 170};
  TdxVector pos, dir, seen;
  Canvas().PickRay(false, static_cast<float>(from.X), static_cast<float>(from.Y), pos, dir);
  ASSERT_TRUE(dxRayPlaneIntersect(pos, dir, {0, 0, 0, 1}, {0, 1, 0, 0}, seen));
  Drag(from, to, {rtl::ssShift});
  EXPECT_NE(scene->DesignDummyA()->Position()->Vector(), (TdxVector{0, 0, 0, 1}));
  Settle();
  const win::TPoint now = dxtest::ProjectToClient(Canvas(), seen);
  EXPECT_LE(std::abs(now.X - to.X), 1);
  EXPECT_LE(std::abs(now.Y - to.Y), 1);
}

TEST_F(DesignedScene, ADraggedCubeMovesInXoYOrWithCtrlInXoZAndFollowsThePointer) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  Settle();
  win::TPoint from = At(cube);
  Drag(from, {from.X + 40, from.Y - 25});
  EXPECT_NEAR(cube->Position()->Z(), 0, 1e-4f);
  EXPECT_GT(cube->Position()->X(), 1);
  EXPECT_GT(std::fabs(cube->Position()->Y()), 0.1f);
  Settle();
  win::TPoint now = At(cube);
  EXPECT_LE(std::abs(now.X - (from.X + 40)), 1);
  EXPECT_LE(std::abs(now.Y - (from.Y - 25)), 1);
  // With Ctrl in the plane through it parallel to XoZ.
  const float y = cube->Position()->Y();
  from = now;
  Drag(from, {from.X - 30, from.Y - 20}, {rtl::ssCtrl});
  EXPECT_NEAR(cube->Position()->Y(), y, 1e-4f);
  EXPECT_GT(cube->Position()->Z(), 0.5f);
  Settle();
  now = At(cube);
  EXPECT_LE(std::abs(now.X - (from.X - 30)), 1);
  EXPECT_LE(std::abs(now.Y - (from.Y - 20)), 1);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
}

TEST_F(DesignedScene, AMovedScreenLayerLandsOnWholePixelsAndARayAlongThePlaneIsSkipped) {
  TdxVisualObject* root = AddRoot(dxProjectionScreen);
  auto* layer = new TdxGUIObjectLayer(form.get());
  root->AddObject(layer);
  layer->SetWidth(80);
  layer->SetHeight(60);
  layer->Position()->SetPoint({100.3f, 80.6f, 0});
  // A layer in a designed form is designed too: it is hit wherever it lies.
  layer->SetDesignTime(true);
  Settle();
  Drag({100, 80}, {107, 83});
  EXPECT_EQ(scene->Selected(), layer);
  EXPECT_FLOAT_EQ(layer->Position()->X(), std::nearbyint(layer->Position()->X()));
  EXPECT_FLOAT_EQ(layer->Position()->Y(), std::nearbyint(layer->Position()->Y()));
  EXPECT_NEAR(layer->Position()->X(), 107.3f, 0.51f);
  EXPECT_NEAR(layer->Position()->Y(), 83.6f, 0.51f);
  // With Ctrl the plane is y = 84: a pointer on the view's middle row casts a ray along it,
  // which meets it nowhere, so nothing moves.
  const TdxVector before = layer->Position()->Vector();
  Down({107, 84}, {rtl::ssShift, rtl::ssCtrl});
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::Move);
  Move({160, 150}, {rtl::ssLeft, rtl::ssCtrl, rtl::ssShift});
  EXPECT_EQ(layer->Position()->Vector(), before);
  EXPECT_TRUE(Finite(layer->GetAbsoluteMatrix()));
  Up({160, 150});
}

TEST_F(DesignedScene, AWidthAndHeightDragTakesTheWidthByMinusDxAndTheHeightByPlusDy) {
  TdxVisualObject* root = AddRoot(dxProjectionScreen);
  auto* box = AddScreenBox(root, 200, 100, 80, 40);
  Settle();
  Click({200, 100});
  ASSERT_EQ(scene->Selected(), box);
  // Resize 2 lies at (-W/2, H/2): the box's left bottom corner on the screen. Its plane is the
  // box's own, where the pointer's travel is the difference itself.
  Down({160, 120});
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::ResizeWidthHeight);
  Move({166, 124});
  EXPECT_NEAR(box->Width(), 74, 1e-3f);
  EXPECT_NEAR(box->Height(), 44, 1e-3f);
  EXPECT_FLOAT_EQ(box->Depth(), 1);
  Up({166, 124});
  // Resize 1 at (W/2, -H/2) takes the width and the depth, in the plane across the box's Y:
  // a pointer moving right widens it.
  Down({200 + 37, 100 - 22});
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::ResizeWidthDepth);
  Move({200 + 37 + 10, 100 - 22});
  Up({200 + 47, 100 - 22});
  EXPECT_GT(box->Width(), 74 + 3);
  EXPECT_NEAR(box->Height(), 44, 1e-3f);
  EXPECT_NEAR(box->Depth(), 1, 1e-3f);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
  EXPECT_FALSE(scene->MouseCapture());
}

TEST_F(DesignedScene, TheTurnHandleFollowsThePointerAndStopsOnTheAxis) {
  TdxVisualObject* root = AddRoot(dxProjectionScreen);
  auto* box = AddScreenBox(root, 200, 150, 60, 60);
  Settle();
  Click({200, 150});
  ASSERT_EQ(scene->Selected(), box);
  Down({200, 150 - 30 - 10});
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateZ);
  // The handle's direction from the centre, in degrees on the screen.
  auto handleAngle = [&] {
    const TdxVector h = box->LocalToAbsolute({0, -30 - 10, 0, 1});
    return std::atan2(h.Y - 150, h.X - 200) * 180 / 3.14159265f;
  };
  const struct {
    win::TPoint To;
    float Degrees;
  } steps[] = {{{260, 150}, 0}, {{200, 230}, 90}, {{150, 100}, -135}, {{130, 150}, 180}, {{240, 110}, -45}};
  for (const auto& s : steps) {
    Move(s.To);
    float diff = std::fmod(handleAngle() - s.Degrees + 540.0f, 360.0f) - 180.0f;
    EXPECT_NEAR(diff, 0, 1.0f) << "towards " << s.To.X << "," << s.To.Y;
  }
  // On the axis there is no direction: nothing turns and nothing is NaN.
  const TdxVector angles = box->RotateAngle()->Vector();
  Move({200, 150});
  EXPECT_EQ(box->RotateAngle()->Vector(), angles);
  EXPECT_TRUE(Finite(box->GetAbsoluteMatrix()));
  Up({200, 150});
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
}

TEST_F(DesignedScene, TurningAboutXAndYFollowsThePointerThroughTheCamera) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  scene->DesignSelect(cube);
  Settle();
  // Rotate Y lies on the local X axis; the pointer over a point of the plane across Y (y = 0)
  // turns it toward that point.
  Down(At(cube, {1 + 1.8f, 0, 0, 1}));
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateY);
  Move(dxtest::ProjectToClient(Canvas(), {0, 0, 3, 1}));
  TdxVector h = dxVectorSubtract(cube->LocalToAbsolute({1 + 1.8f, 0, 0, 1}), cube->AbsolutePosition());
  EXPECT_GT(dxVectorDot(dxVectorNormalize(h), TdxVector{0, 0, 1, 0}), 0.999f);
  Up({0, 0});
  // The plane across X holds the eye until the rig is turned.
  Drag({200, 150}, {300, 150}, {rtl::ssAlt});
  auto* other = AddCube(root, {0, 0, 0, 1});
  scene->DesignSelect(other);
  Settle();
  Down(At(other, {0, 0, 1 + 1.8f, 1}));
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateX);
  Move(dxtest::ProjectToClient(Canvas(), {0, 3, 0, 1}));
  h = dxVectorSubtract(other->LocalToAbsolute({0, 0, 1 + 1.8f, 1}), other->AbsolutePosition());
  EXPECT_GT(dxVectorDot(dxVectorNormalize(h), TdxVector{0, 1, 0, 0}), 0.999f);
  Up({0, 0});
  // Rotate Z through the camera, in the plane across Z (z = 0).
  auto* third = AddCube(root, {0, 0, 0, 1});
  scene->DesignSelect(third);
  Settle();
  Down(At(third, {0, -1 - 1.8f, 0, 1}));
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateZ);
  Move(dxtest::ProjectToClient(Canvas(), {3, 0, 0, 1}));
  h = dxVectorSubtract(third->LocalToAbsolute({0, -1 - 1.8f, 0, 1}), third->AbsolutePosition());
  EXPECT_GT(dxVectorDot(dxVectorNormalize(h), TdxVector{1, 0, 0, 0}), 0.999f);
  Up({0, 0});
  EXPECT_TRUE(Finite(other->GetAbsoluteMatrix()));
}

TEST_F(DesignedScene, ThroughTheWindowADragMovesTheCubeAndTheReleaseLeavesNoModeAndNoCapture) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  Settle();
  const win::TPoint p = At(cube);
  win::SimulateMouseMove(form.get(), p.X, p.Y);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, p.X, p.Y);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(scene->Selected(), cube);
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::Move);
  EXPECT_TRUE(scene->MouseCapture());
  win::SimulateMouseMove(form.get(), p.X + 30, p.Y);
  rtl::Application->ProcessMessages();
  EXPECT_GT(cube->Position()->X(), 0.5f);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, p.X + 30, p.Y);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
  EXPECT_FALSE(scene->MouseCapture());
  EXPECT_EQ(scene->Selected(), cube);
}

TEST_F(DesignedScene, AShiftPressOnASelectedLayerStaysWithTheSceneWithoutShiftTheLayerEditsIt) {
  TdxVisualObject* root = AddRoot(dxProjectionScreen);
  auto* layer = new TdxGUIObjectLayer(form.get());
  root->AddObject(layer);
  layer->SetWidth(200);
  layer->SetHeight(160);
  layer->Position()->SetPoint({200, 150, 0});
  layer->SetDesignTime(true);
  Settle();
  Click({200, 150});
  ASSERT_EQ(scene->Selected(), layer);
  ASSERT_EQ(layer->RootCount(), 0);
  // With Shift the scene moves the layer.
  Down({200, 150}, {rtl::ssShift});
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::Move);
  EXPECT_EQ(layer->RootCount(), 0);
  Up({200, 150});
  // Without Shift the layer's own editor takes the press: its empty tree gets its root.
  Down({200, 150});
  EXPECT_EQ(scene->DesignDrag(), TdxDesignDrag::None);
  EXPECT_EQ(layer->RootCount(), 1);
  // Its moves follow, in the layer's pixels.
  Move({230, 170});
  EXPECT_FLOAT_EQ(layer->GetMousePos().X, 130);
  EXPECT_FLOAT_EQ(layer->GetMousePos().Y, 100);
  EXPECT_FLOAT_EQ(layer->Position()->X(), 200) << "the scene does not move the layer";
  Up({230, 170});
  EXPECT_EQ(scene->Selected(), layer);
}

TEST_F(DesignedScene, DeleteFreesTheSelectionButNeverTheRoot) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  Settle();
  Click(At(cube));
  ASSERT_EQ(scene->Selected(), cube);
  TdxFreeWatch gone(cube);
  std::uint16_t key = win::VK_DELETE;
  char16_t ch = 0;
  scene->KeyUp(key, ch, {});
  EXPECT_TRUE(gone.Gone());
  EXPECT_EQ(scene->Selected(), nullptr);
  scene->DesignSelect(root);
  scene->KeyUp(key, ch, {});
  EXPECT_EQ(scene->GetRoot(), root);
  EXPECT_EQ(scene->Selected(), root);
}

// ---- drawing --------------------------------------------------------------------------------------

TEST_F(DesignedScene, TheSelectionIsFramedWithItsHandlesAndTheDraggedHandleStandsOut) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  cube->SetWidth(3);
  scene->DesignSelect(cube);
  Settle();
  const float s = scene->DesignHandleSize();
  auto designBoxes = [&] {
    std::vector<DesignCanvas::TBox> mine;
    for (const DesignCanvas::TBox& b : DesignCanvas::boxes)
      if (b.World == cube->GetAbsoluteMatrix()) mine.push_back(b);
    return mine;
  };
  std::vector<DesignCanvas::TBox> b = designBoxes();
  // The frame, then each handle filled and outlined.
  ASSERT_EQ(b.size(), 1u + 2 * 5);
  EXPECT_FALSE(b[0].Filled);
  EXPECT_EQ(b[0].Colour, DesignFrameColor);
  EXPECT_EQ(b[0].Size, (TdxVector{3, 2, 2, 0}));
  const TdxColor fills[] = {DesignFrameColor, DesignFrameColor, DesignRotateColor, DesignRotateColor,
                            DesignRotateColor};
  const TdxVector centres[] = {{1.5f, -1, 1, 1}, {-1.5f, 1, 1, 1}, {0, 0, 2.8f, 1}, {3.3f, 0, 0, 1}, {0, -2.8f, 0, 1}};
  for (int i = 0; i < 5; ++i) {
    const DesignCanvas::TBox& fill = b[static_cast<size_t>(1 + 2 * i)];
    const DesignCanvas::TBox& outline = b[static_cast<size_t>(2 + 2 * i)];
    EXPECT_TRUE(fill.Filled);
    EXPECT_EQ(fill.Colour, fills[i]) << i;
    EXPECT_NEAR(fill.Centre.X, centres[i].X, 1e-5f) << i;
    EXPECT_NEAR(fill.Centre.Y, centres[i].Y, 1e-5f) << i;
    EXPECT_NEAR(fill.Centre.Z, centres[i].Z, 1e-5f) << i;
    EXPECT_EQ(fill.Size, (TdxVector{3 * s, s, 3 * s, 0}));
    EXPECT_FALSE(outline.Filled);
    EXPECT_EQ(outline.Colour, DesignOutlineColor);
    EXPECT_EQ(outline.Centre, fill.Centre);
  }
  // The handle being dragged is drawn orange-red; the others keep their colours.
  Down(At(cube, centres[4]));
  ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateZ);
  Settle();
  b = designBoxes();
  ASSERT_EQ(b.size(), 11u);
  EXPECT_EQ(b[9].Colour, DesignDraggedColor);
  EXPECT_EQ(b[5].Colour, DesignRotateColor);
  Up(At(cube, centres[4]));
  // The root is never framed.
  scene->DesignSelect(root);
  Settle();
  EXPECT_TRUE(std::none_of(DesignCanvas::boxes.begin(), DesignCanvas::boxes.end(),
                           [](const DesignCanvas::TBox& B) { return B.Colour == DesignFrameColor; }));
}

// ---- the menu ---------------------------------------------------------------------------------------

TEST_F(DesignedScene, TheMenuListsItsEntriesInOrderAndOneSubmenuPerCategory) {
  EXPECT_EQ(TopCaptions(), (std::vector<std::u16string>{u"Add object", u"Order", u"Delete object", u"Edit",
                                                         u"Load From File...", u"Show grid"}));
  TdxVisualObject* root = AddRoot();
  scene->DesignSelect(root);
  EXPECT_EQ(TopCaptions(), (std::vector<std::u16string>{u"Add object", u"Hide in Design-time", u"Order",
                                                         u"Delete object", u"Edit", u"Load From File...",
                                                         u"Show grid"}));
  const std::vector<vg::TvxDesignMenuItem> menu = scene->BuildDesignMenu();
  std::vector<std::u16string> categories;
  for (const vg::TvxDesignMenuItem& c : menu[0].Items) categories.push_back(c.Caption);
  std::vector<std::u16string> expected;
  for (const TdxClassEntry& e : DxClassList())
    if (std::find(expected.begin(), expected.end(), rtl::Utf8ToWide(e.Category)) == expected.end())
      expected.push_back(rtl::Utf8ToWide(e.Category));
  EXPECT_EQ(categories, expected);
  const auto shapes = std::find_if(menu[0].Items.begin(), menu[0].Items.end(),
                                   [](const vg::TvxDesignMenuItem& I) { return I.Caption == u"Shapes"; });
  ASSERT_NE(shapes, menu[0].Items.end());
  const auto cube = std::find_if(shapes->Items.begin(), shapes->Items.end(),
                                 [](const vg::TvxDesignMenuItem& I) { return I.Caption == u"Cube"; });
  ASSERT_NE(cube, shapes->Items.end());
  EXPECT_EQ(cube->Tag, 255);
  EXPECT_EQ(menu[4].Items.size(), 2u);
  EXPECT_EQ(menu[4].Items[0].Caption, u"Copy to clipboard");
  EXPECT_EQ(menu[2].Items[1].Caption, u"Send to back");
  // Without any 3D class the menu is empty.
  FreeDxClassList();
  EXPECT_TRUE(scene->BuildDesignMenu().empty());
}

TEST_F(DesignedScene, AddObjectInsertsUnderTheSelectionAndNothingWithRootsButNoSelection) {
  TdxVisualObject* root = AddRoot();
  auto* parent = AddCube(root, {0, 0, 0, 1});
  scene->DesignSelect(parent);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"&Cube"}));
  ASSERT_EQ(parent->ChildrenCount(), 1);
  auto* made = dynamic_cast<TdxCube*>(parent->Children(0));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), "TdxCube");
  EXPECT_EQ(made->Owner(), form.get());
  EXPECT_EQ(scene->Selected(), made);
  EXPECT_EQ(scene->DesignMenuPoint(), (win::TPoint{-1, -1}));
  // A text object gets its class name as its text.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"3D", u"Text3D"}));
  auto* text = dynamic_cast<TdxText3D*>(made->Children(0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text(), u"Text3D");
  // With roots and nothing selected nothing is added.
  std::uint16_t key = win::VK_DELETE;
  char16_t ch = 0;
  scene->KeyUp(key, ch, {});
  ASSERT_EQ(scene->Selected(), nullptr);
  const int roots = scene->GetCount();
  EXPECT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"Cube"}));
  EXPECT_EQ(scene->GetCount(), roots);
  EXPECT_EQ(made->ChildrenCount(), 0);
}

TEST_F(DesignedScene, AnEmptySceneTakesTheInsertedObjectAsItsRoot) {
  scene->InsertObject("TdxDummy");
  TdxVisualObject* root = scene->GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ClassName(), "TdxDummy");
  EXPECT_EQ(scene->Selected(), root);
}

TEST_F(DesignedScene, InsertKeepsOnlyNamesOfClassesOutsideTheObjectsAndMakesClassesOfAnyName) {
  TdxVisualObject* root = AddRoot();
  scene->DesignSelect(root);
  scene->InsertObject("TdxBitmap");
  EXPECT_EQ(scene->PendingInsertText(), "TdxBitmap");
  EXPECT_EQ(root->ChildrenCount(), 0);
  scene->InsertObject("TdxNoSuchThing");
  EXPECT_EQ(scene->PendingInsertText(), "");
  // A class whose name does not begin with the prefix is inserted as itself.
  RegisterDxClasses("Test", {Prism::StaticClass()});
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Test", u"Prism"}));
  rtl::UnRegisterClass(Prism::StaticClass());
  ASSERT_EQ(root->ChildrenCount(), 1);
  EXPECT_EQ(root->Children(0)->ClassName(), "Prism");
}

TEST_F(DesignedScene, AnObjectInScreenSpaceIsPlacedWhereTheMenuOpened) {
  AddRoot(dxProjectionScreen);
  Settle();
  // A right press on empty space opens the menu there and still selects the root.
  win::SimulateMouseButton(form.get(), rtl::mbRight, true, 120, 80);
  win::SimulateMouseButton(form.get(), rtl::mbRight, false, 120, 80);
  rtl::Application->ProcessMessages();
  ASSERT_NE(scene->DesignPopupMenu(), nullptr);
  EXPECT_TRUE(scene->DesignPopupMenu()->IsOpen());
  EXPECT_EQ(scene->DesignMenuPoint(), (win::TPoint{10 + 120, 20 + 80}));
  ASSERT_EQ(scene->Selected(), scene->GetRoot());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"Cube"}));
  auto* cube = dynamic_cast<TdxCube*>(scene->Selected());
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->Projection(), dxProjectionScreen);
  EXPECT_FLOAT_EQ(cube->Position()->X(), 120.5f);
  EXPECT_FLOAT_EQ(cube->Position()->Y(), 80.5f);
  EXPECT_EQ(scene->DesignMenuPoint(), (win::TPoint{-1, -1}));
  // Without a menu point it stays where it was made.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"Cube"}));
  EXPECT_FLOAT_EQ(scene->Selected()->Position()->X(), 0);
}

TEST_F(DesignedScene, HideFollowsTheSelectionEachTimeTheMenuOpens) {
  TdxVisualObject* root = AddRoot();
  auto* parent = AddCube(root, {0, 0, 0, 1});
  auto* child = AddCube(parent, {1, 0, 0, 1});
  auto hideChecked = [&] {
    for (const vg::TvxDesignMenuItem& i : scene->BuildDesignMenu())
      if (i.Caption == u"Hide in Design-time") return i.Checked;
    ADD_FAILURE() << "no Hide entry";
    return false;
  };
  scene->DesignSelect(child);
  EXPECT_FALSE(hideChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Hide in Design-time"}));
  EXPECT_TRUE(child->DesignHide());
  EXPECT_EQ(scene->Selected(), parent) << "a hidden selection passes to its parent";
  EXPECT_FALSE(hideChecked());
  scene->DesignSelect(child);
  EXPECT_TRUE(hideChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Hide in Design-time"}));
  EXPECT_FALSE(child->DesignHide());
  EXPECT_EQ(scene->Selected(), child);
  // The root is never hidden.
  scene->DesignSelect(root);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Hide in Design-time"}));
  EXPECT_FALSE(root->DesignHide());
}

TEST_F(DesignedScene, OrderAndDeleteWorkOnTheSelection) {
  TdxVisualObject* root = AddRoot();
  auto* a = AddCube(root, {0, 0, 0, 1});
  auto* b = AddCube(root, {2, 0, 0, 1});
  auto* inner = AddCube(b, {0, 1, 0, 1});
  scene->DesignSelect(a);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Order", u"Bring to front"}));
  EXPECT_EQ(root->Children(1), a);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Order", u"Send to back"}));
  EXPECT_EQ(root->Children(0), a);
  // Deleting selects the parent and frees the object with what lies below it.
  scene->DesignSelect(b);
  TdxFreeWatch bGone(b), innerGone(inner);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Delete object"}));
  EXPECT_TRUE(bGone.Gone());
  EXPECT_TRUE(innerGone.Gone());
  EXPECT_EQ(scene->Selected(), root);
  // The root stays.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Delete object"}));
  EXPECT_EQ(scene->GetRoot(), root);
  EXPECT_EQ(root->ChildrenCount(), 1);
}

TEST_F(DesignedScene, CopyAndPasteGoThroughTheSystemClipboardAsComponentText) {
  TdxVisualObject* root = AddRoot();
  auto* text = new TdxText3D(form.get());
  root->AddObject(text);
  text->SetName("Caption");
  text->SetText(u"Gas");
  text->Position()->SetPoint({1, 2, 3});
  scene->DesignSelect(text);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Copy to clipboard"}));
  const std::u16string copied = win::ClipboardGetText();
  EXPECT_EQ(copied.rfind(u"object", 0), 0u) << rtl::WideToUtf8(copied);
  EXPECT_NE(copied.find(u"TdxText3D"), std::u16string::npos);
  // Pasting with nothing selected does nothing.
  std::uint16_t key = win::VK_DELETE;
  char16_t ch = 0;
  auto* other = AddCube(root, {5, 0, 0, 1});
  scene->DesignSelect(other);
  scene->KeyUp(key, ch, {});
  ASSERT_EQ(scene->Selected(), nullptr);
  const int before = root->ChildrenCount();
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(root->ChildrenCount(), before);
  // With a selection an unnamed copy becomes its child and the selection, captioned with its
  // class name as a new object is; the rest of what was copied stays.
  scene->DesignSelect(text);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  ASSERT_EQ(text->ChildrenCount(), 1);
  auto* copy = dynamic_cast<TdxText3D*>(text->Children(0));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name(), "");
  EXPECT_EQ(copy->Text(), u"Text3D");
  EXPECT_EQ(text->Text(), u"Gas") << "the original keeps its text";
  EXPECT_EQ(copy->Position()->Vector(), (TdxVector{1, 2, 3, 1}));
  EXPECT_EQ(scene->Selected(), copy);
  EXPECT_TRUE(messages.empty());
  // Text that makes no object says so and adds nothing.
  win::ClipboardSetText(u"gas and petrol");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(messages, (std::vector<std::u16string>{u"No object in clipboard"}));
  EXPECT_EQ(copy->ChildrenCount(), 0);
  // An object of a class outside the 3D objects is no object either.
  win::ClipboardSetText(u"object TdxBitmap\r\nend\r\n");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(copy->ChildrenCount(), 0);
  // An empty clipboard says nothing.
  win::ClipboardSetText(u"");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(DesignedScene, LoadFromFileAddsTheObjectUnderTheSelectionOrAsTheRoot) {
  auto source = std::make_unique<TdxCube>(nullptr);
  source->Position()->SetPoint({4, 5, 6});
  const std::string file = TempFile("load", SaveDxObjectToText(source.get()));
  Answer(file);
  // No selection and no root: the object becomes the root.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(filters, (std::vector<std::string>{"3D Scene Files|*.scene3d"}));
  TdxVisualObject* root = scene->GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ClassName(), "TdxCube");
  EXPECT_EQ(root->Position()->Vector(), (TdxVector{4, 5, 6, 1}));
  // Then under the root, and under the selection.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  ASSERT_EQ(root->ChildrenCount(), 1);
  auto* child = dynamic_cast<TdxVisualObject*>(root->Children(0));
  scene->DesignSelect(child);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
  // Text that makes no object adds nothing; a missing file says why.
  Answer(TempFile("nothing", "no scene here"));
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
  EXPECT_TRUE(messages.empty());
  Answer(file + ".missing");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
  EXPECT_EQ(messages.size(), 1u);
  // A dialog the user cancels loads nothing.
  vg::DesignOpenFileDialog = [](const std::string&, std::string&) { return false; };
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
}

TEST_F(DesignedScene, ShowGridTurnsTheGridsOpacity) {
  auto showChecked = [&] { return scene->BuildDesignMenu().back().Checked; };
  EXPECT_TRUE(showChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Show grid"}));
  EXPECT_FALSE(scene->DesignSnapGridShow());
  EXPECT_FLOAT_EQ(scene->DesignGrid()->Opacity(), 0);
  EXPECT_FALSE(showChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Show grid"}));
  EXPECT_FLOAT_EQ(scene->DesignGrid()->Opacity(), 1);
}

}  // namespace
