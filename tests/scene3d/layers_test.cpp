// Layers: the buffer's size through the camera and in screen space, the quad drawn with its
// texture, tint and whole-pixel placement, the ray tests at the edges, behind the origin and
// under capture, layer events cut toward zero, placement by layer alignment, and the bitmap
// resource entry that follows a rename.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "scene3d/Layers.h"

namespace layers_test {

using namespace dx;
using dxtest::FakeScene;

namespace {

// Writes down each mesh drawn: centre, size, the texture and tint then in force, the world
// matrix; and the render states in order.
class MeshCanvas final : public dxtest::NullCanvas {
public:
  MeshCanvas() : NullCanvas(0, 800, 600, false, dxLowQuality) {}
  struct TMesh {
    TdxVector Centre, Size;
    TdxBitmap* Texture;
    TdxColor Diffuse;
    bool Lighting;
    TdxMatrix World;
    const TdxMeshData* Mesh;
  };
  std::vector<TMesh> meshes;
  std::vector<std::string> log;
  void FillMesh(const TdxVector& C, const TdxVector& S, const TdxMeshData& M, float) override {
    meshes.push_back({C, S, Material().Texture(), Material().DiffuseColor(), Material().Lighting(), World(), &M});
    log.push_back("mesh");
  }

protected:
  void ApplyState(TdxRenderState Code) override { log.push_back("state " + std::to_string(Code)); }
};

struct LayerTest : ::testing::Test {
  FakeScene host;
  MeshCanvas canvas;
  LayerTest() { host.canvas = &canvas; }
  template <class T>
  T* Add(TdxObject* Parent = nullptr) {
    auto* o = new T(nullptr);
    if (Parent)
      Parent->AddObject(o);
    else
      host.AddObject(o);
    return o;
  }
};

}  // namespace

TEST_F(LayerTest, TheBufferFollowsResolutionThroughTheCameraAndPixelsOnTheScreen) {
  auto* l = Add<TdxBufferLayer>();
  EXPECT_FLOAT_EQ(l->Width(), 4);
  EXPECT_FLOAT_EQ(l->Depth(), 3);
  EXPECT_FLOAT_EQ(l->Height(), 1);
  EXPECT_TRUE(l->TwoSide());
  EXPECT_EQ(l->ModulationColor(), "#FFFFFFFF");
  ASSERT_NE(l->GetBuffer(), nullptr);
  EXPECT_EQ(l->GetBuffer()->Width(), 240);
  EXPECT_EQ(l->GetBuffer()->Height(), 180);

  // The size is known at once; the bitmap follows at the next paint.
  l->SetResolution(100);
  EXPECT_EQ(l->BufferWidth(), 400);
  EXPECT_EQ(l->BufferHeight(), 300);
  EXPECT_EQ(l->GetBuffer()->Width(), 240);
  l->BeforePaint();
  EXPECT_EQ(l->GetBuffer()->Width(), 400);
  EXPECT_EQ(l->GetBuffer()->Height(), 300);
  // Rounded half to even.
  l->SetResolution(60);
  l->SetWidth(0.025f);
  EXPECT_EQ(l->BufferWidth(), 2);

  auto* s = Add<TdxBufferLayer>();
  s->SetProjection(dxProjectionScreen);
  s->SetWidth(101);
  s->SetHeight(50);
  EXPECT_EQ(s->BufferWidth(), 101);
  EXPECT_EQ(s->BufferHeight(), 50);
  s->SetResolution(7);
  EXPECT_EQ(s->BufferWidth(), 101) << "a screen layer has one pixel per unit whatever the resolution";
  s->SetWidth(100.5f);
  EXPECT_EQ(s->BufferWidth(), 100);
  s->SetWidth(101.5f);
  EXPECT_EQ(s->BufferWidth(), 102);
  s->SetDepth(20);
  EXPECT_EQ(s->BufferHeight(), 50) << "depth only thickens a screen layer";
}

TEST_F(LayerTest, AScreenQuadLiesOnWholePixelsAndCarriesTheTintedBuffer) {
  auto* l = Add<TdxBufferLayer>();
  l->SetProjection(dxProjectionScreen);
  l->SetWidth(101);
  l->SetHeight(50);
  l->Position()->SetPoint({200.7f, 100.2f, 0});
  l->SetOpacity(0.5f);
  l->SetModulationColor("#FF336699");
  int updates = 0;
  l->OnUpdateBuffer = [&](rtl::TObject* Sender) {
    EXPECT_EQ(Sender, l);
    ++updates;
  };
  l->BeforePaint();
  l->Render();
  l->Render();
  EXPECT_EQ(updates, 2) << "the buffer is asked for on every draw";
  ASSERT_EQ(canvas.meshes.size(), 2u);
  const MeshCanvas::TMesh& m = canvas.meshes[0];
  EXPECT_EQ(m.Mesh, &l->ScreenQuad());
  EXPECT_EQ(m.Texture, l->GetBuffer());
  EXPECT_EQ(m.Diffuse, 0x7F336699u) << "alpha cut by the opacity, colour bytes kept";
  EXPECT_FALSE(m.Lighting);
  EXPECT_FLOAT_EQ(m.World.M[3][0], 200);
  EXPECT_FLOAT_EQ(m.World.M[3][1], 100);
  EXPECT_FLOAT_EQ(m.Centre.X, 0.5f) << "an odd width moves half a pixel";
  EXPECT_FLOAT_EQ(m.Centre.Y, 0);
  EXPECT_FLOAT_EQ(m.Size.X, 101);
  EXPECT_FLOAT_EQ(m.Size.Y, 50);
  // Texture times tint and linear filtering for the quad, no texture after it.
  const std::vector<std::string> first(canvas.log.begin(), canvas.log.begin() + 4);
  EXPECT_EQ(first, (std::vector<std::string>{"state 17", "state 14", "mesh", "state 15"}));
  EXPECT_EQ(canvas.Material().Texture(), nullptr);

  // Through the camera: the plane quad at the layer's own size.
  canvas.meshes.clear();
  auto* p = Add<TdxBufferLayer>();
  p->Render();
  ASSERT_EQ(canvas.meshes.size(), 1u);
  EXPECT_EQ(canvas.meshes[0].Mesh, &p->PlaneQuad());
  EXPECT_FLOAT_EQ(canvas.meshes[0].Size.X, 4);
  EXPECT_FLOAT_EQ(canvas.meshes[0].Size.Z, 3);
  EXPECT_EQ(canvas.meshes[0].Diffuse, 0xFFFFFFFFu);
}

TEST_F(LayerTest, RaysHitTheBoxEdgesMissBehindAndReachTenTimesFurtherUnderCapture) {
  auto* l = Add<TdxCustomLayer>();  // 4 x 1 x 3 through the camera
  const TdxVector down{0, -1, 0, 0};
  TdxVector hit{7, 7, 7, 1};
  EXPECT_TRUE(l->RayCastIntersect({2.0f, 10, 0, 1}, down, hit)) << "the edge itself is accepted";
  EXPECT_FLOAT_EQ(hit.X, 2);
  EXPECT_FLOAT_EQ(hit.Y, 0.5f);
  EXPECT_FLOAT_EQ(hit.W, 1);
  EXPECT_TRUE(l->RayCastIntersect({2.01f, 10, 0, 1}, down, hit)) << "0.503 of the size each side";
  hit = {7, 7, 7, 1};
  EXPECT_FALSE(l->RayCastIntersect({2.1f, 10, 0, 1}, down, hit));
  EXPECT_FLOAT_EQ(hit.X, 7) << "a miss leaves the point alone";
  EXPECT_FALSE(l->RayCastIntersect({0, 10, 0, 1}, {0, 1, 0, 0}, hit)) << "the layer behind the ray";

  host.captured = l;
  EXPECT_TRUE(l->RayCastIntersect({15, 10, 0, 1}, down, hit));
  EXPECT_FALSE(l->RayCastIntersect({25, 10, 0, 1}, down, hit));
  host.captured = nullptr;

  // A buffer layer answers on its quad only: inside the box but off the quad is no hit.
  auto* b = Add<TdxBufferLayer>();
  EXPECT_TRUE(b->RayCastIntersect({2.0f, 10, 0, 1}, down, hit));
  EXPECT_FLOAT_EQ(hit.Y, 0) << "on the quad, not on the box's face";
  EXPECT_FALSE(b->RayCastIntersect({2.01f, 10, 0, 1}, down, hit));
  host.captured = b;
  EXPECT_TRUE(b->RayCastIntersect({2.01f, 10, 0, 1}, down, hit));
  // Under capture a slanting ray off the quad meets the layer's plane where it crosses it, not
  // the widened box's face ten thicknesses above it.
  const float r = 1 / std::sqrt(2.0f);
  EXPECT_TRUE(b->RayCastIntersect({3, 10, 0.5f, 1}, {r, -r, 0, 0}, hit));
  EXPECT_FLOAT_EQ(hit.X, 13);
  EXPECT_NEAR(hit.Y, 0, 1e-5);
  EXPECT_FLOAT_EQ(hit.Z, 0.5f);
  b->SetProjection(dxProjectionScreen);
  EXPECT_TRUE(b->RayCastIntersect({3, 0.5f, -20, 1}, {0.6f, 0, 0.8f, 0}, hit));
  EXPECT_FLOAT_EQ(hit.X, 18);
  EXPECT_NEAR(hit.Z, 0, 1e-5);
}

TEST_F(LayerTest, LayerEventsCarryLayerPointsCutTowardZero) {
  auto* l = Add<TdxCustomLayer>();
  l->SetProjection(dxProjectionScreen);
  l->SetWidth(100);
  l->SetHeight(50);
  std::vector<std::string> events;
  l->OnLayerMouseDown = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, int X, int Y) {
    events.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
  };
  l->OnLayerMouseMove = [&](rtl::TObject*, rtl::TShiftState, int X, int Y) {
    events.push_back("move " + std::to_string(X) + "," + std::to_string(Y));
  };
  const TdxVector into{0, 0, 1, 0};
  l->MouseDown(rtl::mbLeft, {}, 0, 0, {-20.5f, 10.9f, -100, 1}, into);
  // Off the layer: nothing, but under capture a point left of its edge maps, cut toward zero.
  l->MouseMove({}, 0, 0, 0, 0, {-50.7f, 10, -100, 1}, into);
  host.captured = l;
  l->MouseMove({}, 0, 0, 0, 0, {-50.7f, 10, -100, 1}, into);
  l->MouseMove({}, 0, 0, 0, 0, {-52.5f, 10, -100, 1}, into);
  EXPECT_EQ(events, (std::vector<std::string>{"down 29,35", "move 0,35", "move -2,35"}));

  // A buffer layer gives buffer pixels: through the camera Resolution of them per unit, rows
  // from the far edge.
  auto* b = Add<TdxBufferLayer>();
  std::vector<std::string> got;
  b->OnLayerMouseUp = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, int X, int Y) {
    got.push_back(std::to_string(X) + "," + std::to_string(Y));
  };
  b->MouseUp(rtl::mbLeft, {}, 0, 0, {-1, 10, 1, 1}, {0, -1, 0, 0});
  EXPECT_EQ(got, (std::vector<std::string>{"60,30"}));
}

TEST_F(LayerTest, ContentLayersFillTheClientAndCameraLayersStayPut) {
  auto* root = Add<TdxVisualObject>();
  auto* top = Add<TdxCustomLayer>(root);
  top->SetProjection(dxProjectionScreen);
  top->SetHeight(40);
  auto* contents = Add<TdxBufferLayer>(root);
  contents->SetProjection(dxProjectionScreen);
  auto* camera = Add<TdxCustomLayer>(root);
  camera->Position()->SetPoint({1, 2, 3});
  camera->SetLayerAlign(dxLayerContents);
  top->SetLayerAlign(dxLayerTop);
  contents->SetLayerAlign(dxLayerContents);
  EXPECT_FLOAT_EQ(top->Width(), 800);
  EXPECT_FLOAT_EQ(top->Position()->Y(), 20);
  EXPECT_FLOAT_EQ(contents->Width(), 800) << "the whole client, whatever the others took";
  EXPECT_FLOAT_EQ(contents->Height(), 600);
  EXPECT_FLOAT_EQ(contents->Position()->X(), 400);
  EXPECT_FLOAT_EQ(contents->Position()->Y(), 300);
  EXPECT_FLOAT_EQ(camera->Position()->X(), 1);
  EXPECT_FLOAT_EQ(camera->Width(), 4);

  host.clientWidth = 1024;
  host.clientHeight = 768;
  root->Realign();
  EXPECT_EQ(contents->BufferWidth(), 1024);
  EXPECT_EQ(contents->BufferHeight(), 768);
  contents->BeforePaint();
  EXPECT_EQ(contents->GetBuffer()->Width(), 1024);
}

TEST_F(LayerTest, ARenamedBufferLayerIsFoundUnderItsNewNameOnly) {
  auto* l = Add<TdxBufferLayer>();
  l->SetName("Panel1");
  EXPECT_EQ(dxFindResourceBitmap("Panel1"), l->GetBuffer());
  l->SetName("Panel2");
  EXPECT_EQ(dxFindResourceBitmap("Panel1"), nullptr);
  EXPECT_EQ(dxFindResourceBitmap("Panel2"), l->GetBuffer());
  l->Free();
  EXPECT_EQ(dxFindResourceBitmap("Panel2"), nullptr);
}

}  // namespace layers_test
