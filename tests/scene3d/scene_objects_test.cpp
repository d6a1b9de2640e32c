// Camera, light, dummy and proxy: where they stand and look, what they hand to the canvas,
// their design-mode gizmos and picking, and the proxy that draws another object in its place.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "scene3d/SceneObjects.h"

namespace scene_objects_test {

using namespace dx;
using dxtest::FakeScene;
using dxtest::RecordingCanvas;

namespace {

struct Stage {
  Stage() {
    scene.canvas = &canvas;
    root = new TdxVisualObject(nullptr);
    scene.AddObject(root);
  }
  template <class T>
  T* Add(TdxObject* Parent) {
    auto* o = new T(nullptr);
    Parent->AddObject(o);
    return o;
  }
  RecordingCanvas canvas;
  FakeScene scene;
  TdxVisualObject* root;
};

// Notes its size and the canvas matrix when it renders.
class Shape : public TdxVisualObject {
public:
  using TdxVisualObject::TdxVisualObject;
  void Render() override { renders.push_back({Width(), GetCanvas()->World().M[3][0]}); }
  struct Seen {
    float Width, AtX;
  };
  std::vector<Seen> renders;
};

void ExpectNear(const TdxVector& V, float X, float Y, float Z) {
  EXPECT_NEAR(V.X, X, 1e-4f);
  EXPECT_NEAR(V.Y, Y, 1e-4f);
  EXPECT_NEAR(V.Z, Z, 1e-4f);
}

}  // namespace

// ---- camera ---------------------------------------------------------------------------------------

TEST(DxCamera, StandsBehindTheOriginLookingAtItOrAtItsTarget) {
  Stage st;
  auto* camera = st.Add<TdxCamera>(st.root);
  EXPECT_EQ(camera->Position()->Point(), (TdxPoint3D{0, -10, 0}));
  EXPECT_FALSE(camera->HitTest());
  EXPECT_FALSE(camera->DesignResizable());
  st.canvas.SetCamera(camera);
  TdxVector pos, dir;
  st.canvas.PickRay(false, 200, 150, pos, dir);
  ExpectNear(pos, 0, -10, 0);
  ExpectNear(dir, 0, 1, 0);

  auto* target = st.Add<TdxVisualObject>(st.root);
  target->Position()->SetPoint({10, -10, 0});
  camera->SetTarget(target);
  st.canvas.SetCamera(camera);
  st.canvas.PickRay(false, 200, 150, pos, dir);
  ExpectNear(dir, 1, 0, 0);
  target->Free();
  EXPECT_EQ(camera->Target(), nullptr);
  TdxVector none;
  EXPECT_FALSE(camera->CameraTarget(none));
}

TEST(DxCamera, TwoDesignClicksLookThroughTheCameraAndBackEvenWhenTheOldCameraWentMeanwhile) {
  Stage st;
  auto* first = st.Add<TdxCamera>(st.root);
  auto* second = st.Add<TdxCamera>(st.root);
  st.scene.camera = first;
  second->DesignClick();
  EXPECT_EQ(st.scene.camera, second);
  second->DesignClick();
  EXPECT_EQ(st.scene.camera, first);

  second->DesignClick();
  first->Free();
  second->DesignClick();
  EXPECT_EQ(st.scene.camera, nullptr);
  // With no camera before, the clicks still alternate.
  second->DesignClick();
  EXPECT_EQ(st.scene.camera, second);
  second->DesignClick();
  EXPECT_EQ(st.scene.camera, nullptr);
}

TEST(DxCamera, DrawsItsGizmoOnlyInDesignModeAndNotForTheScenesOwnCamera) {
  Stage st;
  auto* camera = st.Add<TdxCamera>(st.root);
  st.root->Paint();
  EXPECT_TRUE(st.canvas.Only("cube").empty());
  st.scene.designTime = true;
  st.canvas.Log.clear();
  camera->Render();
  EXPECT_EQ(st.canvas.Log,
            (std::vector<std::string>{"state 3", "diffuse #FF60A799", "cube (0,0,0) (0.8,0.8,0.8) 1",
                                      "diffuse #FF9C60A7", "cube (0,0.5,0) (0.3,1.4,0.3) 1", "line 1", "state 2"}));
  ExpectNear(st.canvas.LineEnds.back(), 0, 1000, 0);
  camera->SetTag(DesignObjectTag);
  st.canvas.Log.clear();
  camera->Render();
  EXPECT_TRUE(st.canvas.Log.empty());
}

// ---- light ------------------------------------------------------------------------------------------

TEST(DxLight, EnabledLightsJoinTheCanvasAfterTheLightsBelowThem) {
  Stage st;
  auto* outer = st.Add<TdxLight>(st.root);
  auto* inner = st.Add<TdxLight>(outer);
  auto* off = st.Add<TdxLight>(st.root);
  off->SetEnabled(false);
  st.root->ApplyLights();
  EXPECT_EQ(st.canvas.Lights(), (std::vector<TdxLight*>{inner, outer}));
  // It shines along its Y axis wherever the tree turns it.
  outer->RotateAngle()->SetZ(90);
  ExpectNear(outer->AbsoluteDirection(), 1, 0, 0);
  ExpectNear(inner->AbsoluteDirection(), 1, 0, 0);
  // Its kind is stored only: the next frame takes it.
  const int repaints = st.scene.repaints;
  outer->SetLightType(dxLightSpot);
  EXPECT_EQ(st.scene.repaints, repaints);
}

TEST(DxLight, GizmoShowsTheKindOfLight) {
  Stage st;
  st.scene.designTime = true;
  auto* light = st.Add<TdxLight>(st.root);
  light->Render();
  EXPECT_EQ(st.canvas.Log, (std::vector<std::string>{"state 3", "diffuse #FFFFFFFF", "cube (0,0,0) (0.8,0.8,0.8) 1",
                                                     "line 1", "state 2"}));
  ExpectNear(st.canvas.LineEnds.back(), 0, 5, 0);

  st.canvas.LineEnds.clear();
  light->SetLightType(dxLightPoint);
  light->Render();
  ASSERT_EQ(st.canvas.LineEnds.size(), 36u);
  ExpectNear(st.canvas.LineEnds[0], 1.8794f, 0.6840f, 0);
  ExpectNear(st.canvas.LineEnds[17], 2, 0, 0);
  ExpectNear(st.canvas.LineEnds[18], 1.8794f, 0, 0.6840f);

  st.canvas.LineEnds.clear();
  light->SetLightType(dxLightSpot);
  light->Render();
  ASSERT_EQ(st.canvas.LineEnds.size(), 4u);
  ExpectNear(st.canvas.LineEnds[0], 0.9623f, 4.8113f, -0.9623f);
  ExpectNear(st.canvas.LineEnds[2], -0.9623f, 4.8113f, 0.9623f);

  st.scene.designTime = false;
  st.canvas.Log.clear();
  light->Render();
  EXPECT_TRUE(st.canvas.Log.empty());
}

// ---- dummy ------------------------------------------------------------------------------------------

TEST(DxDummy, DesignBoxHasItsSizeAndAbsoluteOpacityUnlessLockedOrTheScenesOwn) {
  Stage st;
  st.scene.designTime = true;
  st.root->SetOpacity(0.5f);
  auto* dummy = st.Add<TdxDummy>(st.root);
  EXPECT_FALSE(dummy->HitTest());
  dummy->SetWidth(2);
  dummy->Render();
  EXPECT_EQ(st.canvas.Log, (std::vector<std::string>{"diffuse #8060A799", "wirecube (0,0,0) (2,1,1) 0.5"}));
  for (auto hide : {+[](TdxDummy* D) { D->SetLocked(true); },
                    +[](TdxDummy* D) {
                      D->SetLocked(false);
                      D->SetTag(DesignObjectTag);
                    }}) {
    hide(dummy);
    st.canvas.Log.clear();
    dummy->Render();
    EXPECT_TRUE(st.canvas.Log.empty());
  }
}

// ---- picking ----------------------------------------------------------------------------------------

TEST(DxSceneObjects, GizmosArePickedInDesignModeOnlyAndAProxyAtRunTimeOnly) {
  Stage st;
  const TdxVector from{0, -5, 0, 1}, along{0, 1, 0, 0};
  auto* camera = st.Add<TdxCamera>(st.root);
  auto* light = st.Add<TdxLight>(st.root);
  auto* dummy = st.Add<TdxDummy>(st.root);
  auto* proxy = st.Add<TdxProxyObject>(st.root);
  camera->Position()->SetPoint({0, 0, 0});
  TdxVector hit;
  for (TdxVisualObject* o : {static_cast<TdxVisualObject*>(camera), static_cast<TdxVisualObject*>(light),
                             static_cast<TdxVisualObject*>(dummy)})
    EXPECT_FALSE(o->RayCastIntersect(from, along, hit)) << o->ClassName();
  ASSERT_TRUE(proxy->RayCastIntersect(from, along, hit));
  ExpectNear(hit, 0, -0.5f, 0);

  st.scene.designTime = true;
  EXPECT_FALSE(proxy->RayCastIntersect(from, along, hit));
  ASSERT_TRUE(dummy->RayCastIntersect(from, along, hit));
  ExpectNear(hit, 0, -0.5f, 0);
  ASSERT_TRUE(light->RayCastIntersect(from, along, hit));
  // The camera is a sphere of radius 1: a ray passing 0.9 away hits, 1.1 away misses.
  camera->Position()->SetPoint({3, 0, 0});
  ASSERT_TRUE(camera->RayCastIntersect({0.9f, -5, 0, 1}, along, hit));
  ExpectNear(hit, 3, 0, 0);  // the camera's place
  EXPECT_FALSE(camera->RayCastIntersect({1.1f, -5, 0, 1}, along, hit));
  // Behind the start of the ray nothing is hit.
  EXPECT_FALSE(dummy->RayCastIntersect({0, 5, 0, 1}, along, hit));
}

// ---- proxy ------------------------------------------------------------------------------------------

TEST(DxProxy, DrawsItsSourceWithChildrenAtItsOwnPlaceAndSizeAndLeavesTheSourceAsItWas) {
  Stage st;
  auto* source = st.Add<Shape>(st.root);
  auto* part = st.Add<Shape>(source);
  part->Position()->SetX(1);
  source->Position()->SetX(5);
  auto* proxy = st.Add<TdxProxyObject>(st.root);
  proxy->Position()->SetX(-20);
  proxy->SetWidth(3);

  st.root->Paint();  // nothing drawn for the proxy yet
  ASSERT_EQ(source->renders.size(), 1u);
  proxy->SetSourceObject(source);
  const int repaints = st.scene.repaints;
  st.root->Paint();
  ASSERT_EQ(source->renders.size(), 3u);
  EXPECT_EQ(source->renders[1].AtX, 5);
  EXPECT_EQ(source->renders[2].Width, 3);
  EXPECT_EQ(source->renders[2].AtX, -20);
  ASSERT_EQ(part->renders.size(), 3u);
  EXPECT_EQ(part->renders[1].AtX, 6);
  EXPECT_EQ(part->renders[2].AtX, -19);
  // The source is back where it was, children included.
  EXPECT_EQ(source->Width(), 1);
  EXPECT_EQ(source->AbsolutePosition().X, 5);
  EXPECT_EQ(part->AbsolutePosition().X, 6);

  source->Free();
  EXPECT_EQ(proxy->SourceObject(), nullptr);
  EXPECT_GT(st.scene.repaints, repaints);
  st.root->Paint();  // no fault
}

TEST(DxProxy, AProxyOfItsOwnAncestorIsDrawnOnceNotOverAndOver) {
  Stage st;
  auto* group = st.Add<Shape>(st.root);
  auto* proxy = st.Add<TdxProxyObject>(group);
  proxy->SetSourceObject(group);
  st.root->Paint();
  // The group itself, then once more through the proxy; the proxy inside that drawing adds none.
  EXPECT_EQ(group->renders.size(), 2u);

  auto* self = st.Add<TdxProxyObject>(st.root);
  self->SetSourceObject(self);
  st.root->Paint();
  EXPECT_EQ(group->renders.size(), 4u);
}

}  // namespace scene_objects_test
