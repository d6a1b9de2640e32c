// A designed 3D scene (DesignedScene.h): selection by press (the first press makes the root,
// Ctrl collects, double clicks, locked and invisible objects), looking through a camera, the
// handles, and the drawing of the selection.
#include <gtest/gtest.h>

#include "DesignedScene.h"

namespace scene_design_test {

using namespace dx;
using namespace scenedesign;

namespace {

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

// A double click on a selected camera looks through it: the frames and the pointer go through
// it, and a second double click (wherever: the eye lies in the camera's pick sphere) brings the
// design camera back. A camera the scene has for other reasons leaves the design view alone.
TEST_F(DesignedScene, TwoDesignClicksOnACameraLookThroughItAndBack) {
  TdxVisualObject* root = AddRoot();
  auto* cube = AddCube(root, {0, 0, 0, 1});
  auto* other = AddCube(root, {0, 0, 6, 1});
  auto* camera = new TdxCamera(form.get());
  root->AddObject(camera);
  camera->Position()->SetPoint({12, 0, 0});
  camera->SetTarget(cube);
  Settle();
  ASSERT_EQ(Canvas().Camera(), scene->DesignCamera());
  const win::TPoint designed = At(other);
  Click(At(camera));
  ASSERT_EQ(scene->Selected(), camera);
  Down(At(camera), {rtl::ssDouble});
  Up(At(camera));
  Settle();
  EXPECT_EQ(scene->Camera(), camera);
  EXPECT_EQ(Canvas().Camera(), camera) << "the frame looks through the camera";
  EXPECT_EQ(At(cube), (win::TPoint{200, 150})) << "the cube it looks at in the middle of the view";
  const win::TPoint through = At(other);
  EXPECT_NE(through, designed);
  EXPECT_LT(through.Y, 150) << "the other cube above it";
  // The pointer goes through the camera too: a double click anywhere is the camera's again.
  Down({30, 250}, {rtl::ssDouble});
  EXPECT_EQ(scene->Selected(), camera);
  Up({30, 250});
  Settle();
  EXPECT_EQ(scene->Camera(), nullptr);
  EXPECT_EQ(Canvas().Camera(), scene->DesignCamera());
  EXPECT_EQ(At(other), designed);
  // Looked through and then replaced from code, by another camera or by none, the camera is no
  // longer looked through: the next double click looks through it again.
  auto* second = new TdxCamera(form.get());
  root->AddObject(second);
  for (TdxCamera* replacement : {second, static_cast<TdxCamera*>(nullptr)}) {
    SCOPED_TRACE(replacement ? "another camera" : "no camera");
    Down(At(camera), {rtl::ssDouble});
    Up(At(camera));
    Settle();
    ASSERT_EQ(Canvas().Camera(), camera);
    scene->SetCamera(replacement);
    Settle();
    EXPECT_FALSE(camera->LookingThrough());
    EXPECT_EQ(Canvas().Camera(), scene->DesignCamera());
    Down(At(camera), {rtl::ssDouble});
    Up(At(camera));
    Settle();
    EXPECT_EQ(Canvas().Camera(), camera) << "the double click after the change looks through the camera";
    EXPECT_EQ(scene->Camera(), camera);
    Down(At(camera), {rtl::ssDouble});
    Up(At(camera));
    Settle();
    EXPECT_EQ(scene->Camera(), replacement) << "and the next gives the replacement back";
    EXPECT_EQ(Canvas().Camera(), scene->DesignCamera());
  }
  // Chosen from code, the camera is the run-time view only.
  scene->SetCamera(camera);
  Settle();
  EXPECT_EQ(Canvas().Camera(), scene->DesignCamera());
  scene->SetDesignTime(false);
  scene->SetUsingDesignCamera(false);
  Settle();
  EXPECT_EQ(Canvas().Camera(), camera);
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

}  // namespace

}  // namespace scene_design_test
