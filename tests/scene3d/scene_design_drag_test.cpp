// A designed 3D scene (DesignedScene.h) under drags: what dragging the handles does, moving,
// orbiting, panning and the wheel, presses that a selected object layer takes for its own
// editing, and Delete.
#include <gtest/gtest.h>

#include "DesignedScene.h"
#include "vg2d/controls/Buttons.h"

namespace scene_design_drag_test {

using namespace dx;
using namespace scenedesign;

namespace {

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

// A selected GUI layer that has a 2D object selected loses that object to Delete, never
// itself; the layer goes once nothing but its root, or nothing at all, is selected inside it.
// A layer with the focus deletes nothing of its own while the scene has something else
// selected.
TEST_F(DesignedScene, DeleteOnASelectedLayerFreesItsSelected2DObjectAndTheLayerWithOnlyItsRootSelectedInside) {
  TdxVisualObject* root = AddRoot(dxProjectionScreen);
  auto* layer = new TdxGUIObjectLayer(form.get());
  root->AddObject(layer);
  layer->SetWidth(200);
  layer->SetHeight(160);
  layer->Position()->SetPoint({200, 150, 0});  // client (100, 70) to (300, 230)
  layer->SetDesignTime(true);
  auto* cube = AddScreenBox(root, 350, 250, 20, 20);
  Settle();
  Click({200, 150});
  ASSERT_EQ(scene->Selected(), layer);
  Click({200, 150});  // the layer's editor takes it: its empty tree gets its root
  ASSERT_EQ(layer->RootCount(), 1);
  vg::TvxVisualObject* root2d = layer->Roots(0)->Visual();
  ASSERT_NE(root2d, nullptr);
  auto* button = new vg::TvxButton(form.get());
  root2d->AddObject(button);
  button->SetBounds(20, 20, 80, 30);
  auto* second = new vg::TvxButton(form.get());
  root2d->AddObject(second);
  second->SetBounds(20, 100, 80, 30);
  Settle();
  Click({160, 105});
  ASSERT_EQ(layer->GetSelected(), button);
  ASSERT_EQ(scene->Selected(), layer);

  TdxFreeWatch layerGone(layer);
  vg::TvxFreeWatch buttonGone(button);
  std::uint16_t key = win::VK_DELETE;
  char16_t ch = 0;
  scene->KeyUp(key, ch, {});
  EXPECT_TRUE(buttonGone.Gone());
  ASSERT_FALSE(layerGone.Gone());
  EXPECT_EQ(scene->Selected(), layer);
  EXPECT_EQ(layer->GetSelected(), nullptr);
  EXPECT_EQ(root2d->GetChildrenCount(), 1);

  // The scene has the cube selected while the layer has the focus and a button selected:
  // only the cube goes.
  Click({160, 185});
  ASSERT_EQ(layer->GetSelected(), second);
  scene->DesignSelect(cube);
  layer->SetFocus();
  ASSERT_EQ(scene->GetFocused(), layer);
  TdxFreeWatch cubeGone(cube);
  vg::TvxFreeWatch secondGone(second);
  key = win::VK_DELETE;
  scene->KeyUp(key, ch, {});
  EXPECT_TRUE(cubeGone.Gone());
  EXPECT_FALSE(secondGone.Gone());
  EXPECT_EQ(layer->GetSelected(), second);

  // Back on the layer: the button it still has selected goes first. Then its root is
  // selected inside it, which Delete never frees: the layer goes.
  scene->DesignSelect(layer);
  key = win::VK_DELETE;
  scene->KeyUp(key, ch, {});
  EXPECT_TRUE(secondGone.Gone());
  ASSERT_FALSE(layerGone.Gone());
  Click({250, 80});
  ASSERT_EQ(scene->Selected(), layer);
  ASSERT_EQ(layer->GetSelected(), root2d);
  key = win::VK_DELETE;
  scene->KeyUp(key, ch, {});
  EXPECT_TRUE(layerGone.Gone());
  EXPECT_EQ(scene->Selected(), nullptr);
  EXPECT_EQ(scene->GetRoot(), root);
}

// A layer selected with nothing selected inside it goes at once.
TEST_F(DesignedScene, DeleteOnASelectedLayerWithNothingSelectedInsideFreesTheLayer) {
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
  ASSERT_EQ(layer->GetSelected(), nullptr);
  TdxFreeWatch layerGone(layer);
  std::uint16_t key = win::VK_DELETE;
  char16_t ch = 0;
  scene->KeyUp(key, ch, {});
  EXPECT_TRUE(layerGone.Gone());
  EXPECT_EQ(scene->Selected(), nullptr);
}

}  // namespace

}  // namespace scene_design_drag_test
