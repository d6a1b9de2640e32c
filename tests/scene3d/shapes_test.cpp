// The grid, the shape base, the mesh shapes, flat text and picture: their properties, what they
// hand to the canvas, their hit tests, and their registration and streaming.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Stage.h"
#include "scene3d/Library.h"
#include "scene3d/Shapes.h"
#include "scene3d/Shapes3D.h"

namespace shapes_test {

using namespace dx;
using dxtest::RecordingCanvas;
using dxtest::Stage;
using ::testing::ElementsAre;

namespace {

void ExpectNear(const TdxVector& V, float X, float Y, float Z) {
  EXPECT_NEAR(V.X, X, 1e-4f);
  EXPECT_NEAR(V.Y, Y, 1e-4f);
  EXPECT_NEAR(V.Z, Z, 1e-4f);
}

const TdxVector Down{0, 0, -1, 0};

// A mesh that can be put into design state, as a designer puts the components it edits.
class DesignedMesh : public TdxMesh {
public:
  using TdxMesh::TdxMesh;
  using rtl::TComponent::SetDesigning;
};

// ---- grid -------------------------------------------------------------------------------------------

TEST(DxGrid, DrawsItsLinesOutFromTheCentreWithMarkLinesStronger) {
  Stage s;
  auto* g = s.Add<TdxGrid>();
  EXPECT_EQ(g->Frequency(), 1);
  EXPECT_EQ(g->Marks(), 4);
  EXPECT_EQ(g->LineColor(), "#50505050");
  EXPECT_FLOAT_EQ(g->Depth(), 0.01f);
  g->SetWidth(10);
  g->SetHeight(6);
  s.Draw(g);
  ASSERT_EQ(s.canvas.LineEnds.size(), 16u);
  EXPECT_FALSE(s.canvas.Material().Lighting());
  const TdxColor mark = 0xA0505050, line = 0x50505050;
  // Vertical lines at x = 0 (twice), +-1 .. +-4; then horizontal ones at y = 0 (twice), +-1, +-2.
  const float xs[10] = {0, 0, 1, -1, 2, -2, 3, -3, 4, -4};
  for (int i = 0; i < 10; ++i) {
    ExpectNear(s.canvas.LineEnds[size_t(i)], xs[i], -3, 0);
    EXPECT_EQ(s.canvas.LineColours[size_t(i)], i < 2 || i >= 8 ? mark : line) << i;
  }
  const float ys[6] = {0, 0, 1, -1, 2, -2};
  for (int i = 0; i < 6; ++i) {
    ExpectNear(s.canvas.LineEnds[size_t(10 + i)], -5, ys[i], 0);
    EXPECT_EQ(s.canvas.LineColours[size_t(10 + i)], i < 2 ? mark : line) << i;
  }

  // Mark lines fade with the absolute opacity, the others with the grid's own.
  auto* parent = s.Add<TdxVisualObject>();
  parent->AddObject(g);
  parent->SetOpacity(0.5f);
  s.canvas.LineColours.clear();
  s.Draw(g);
  EXPECT_EQ(s.canvas.LineColours[0], 0x50505050u);
  EXPECT_EQ(s.canvas.LineColours[2], line);

  // No marks at all: every line alike.
  g->SetMarks(0);
  s.canvas.LineColours.clear();
  s.Draw(g);
  for (TdxColor c : s.canvas.LineColours) EXPECT_EQ(c, line);
}

TEST(DxGrid, KeepsItsFrequencyPositiveItsDepthFlatAndItsLineCountBounded) {
  Stage s;
  auto* g = s.Add<TdxGrid>();
  for (float f : {0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
    g->SetFrequency(f);
    EXPECT_FLOAT_EQ(g->Frequency(), 0.01f);
  }
  g->SetMarks(-2.5f);
  EXPECT_EQ(g->Marks(), -2.5f);
  g->SetDepth(7);
  EXPECT_FLOAT_EQ(g->Depth(), 0.01f);
  // Marks and Frequency repaint; a new line colour waits for the next repaint.
  const int before = s.scene.repaints;
  g->SetMarks(-2.5f);
  EXPECT_EQ(s.scene.repaints, before);
  g->SetMarks(4);
  g->SetFrequency(2);
  EXPECT_EQ(s.scene.repaints, before + 2);
  g->SetLineColor("#FF102030");
  EXPECT_EQ(s.scene.repaints, before + 2);
  EXPECT_EQ(g->LineColor(), "#FF102030");

  // A grid far wider than its steps can show stops at its line limit.
  g->SetFrequency(1);
  g->SetWidth(1e30f);
  g->SetHeight(1);
  s.Draw(g);
  EXPECT_EQ(s.canvas.LineEnds.size(), 2u * TdxGrid::MaxLines + 2);
}

TEST(DxGrid, IsHitInsideAndGivesThePointOnItsPlaneEvenOutside) {
  Stage s;
  auto* g = s.Add<TdxGrid>();
  g->SetWidth(10);
  g->SetHeight(6);
  TdxVector hit{9, 9, 9, 9};
  EXPECT_TRUE(g->RayCastIntersect({3, -1, 5, 1}, Down, hit));
  ExpectNear(hit, 3, -1, 0);
  EXPECT_FALSE(g->RayCastIntersect({5, 0, 5, 1}, Down, hit));
  ExpectNear(hit, 5, 0, 0);
  hit = {9, 9, 9, 9};
  EXPECT_FALSE(g->RayCastIntersect({0, 0, 5, 1}, {1, 0, 0, 0}, hit));
  EXPECT_EQ(hit.X, 9);
}

// ---- shape base -------------------------------------------------------------------------------------

TEST(DxShape, StartsInAnOpaqueColourOfTheSeedableGeneratorAndDrawsInACopyOfItsMaterial) {
  Stage s;
  dxRandSeed(11);
  auto* a = s.Add<TdxCube>();
  auto* b = s.Add<TdxSphere>();
  dxRandSeed(11);
  auto* c = s.Add<TdxCube>();
  EXPECT_EQ(a->Material()->DiffuseColor() >> 24, 0xFFu);
  EXPECT_NE(a->Material()->DiffuseColor(), b->Material()->DiffuseColor());
  EXPECT_EQ(c->Material()->DiffuseColor(), a->Material()->DiffuseColor());

  const int before = s.scene.repaints;
  a->Material()->SetDiffuseColor(0xFF102030);
  EXPECT_EQ(s.scene.repaints, before + 1);
  a->SetOpacity(0.5f);
  a->Material()->SetFillMode(dxWireframe);
  a->Material()->SetShadeMode(dxFlat);
  s.canvas.Log.clear();
  s.Draw(a);
  // The canvas drew in the faded copy, then went back to solid and smooth.
  EXPECT_THAT(s.canvas.Only("diffuse"), ElementsAre("diffuse #7F102030"));
  EXPECT_EQ(a->Material()->DiffuseColor(), 0xFF102030u);
  const std::vector<std::string> states = s.canvas.Only("state");
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states[states.size() - 2], "state 19");
  EXPECT_EQ(states.back(), "state 21");
}

TEST(DxShape, TheBoxTestTakesTheFaceTheRayEntersAheadOfItsStart) {
  Stage s;
  auto* cube = s.Add<TdxCube>();
  TdxVector hit;
  ASSERT_TRUE(cube->RayCastIntersect({0, 0, 5, 1}, Down, hit));
  ExpectNear(hit, 0, 0, 0.5f);
  // From inside, away from it, along a face's plane: nothing.
  EXPECT_FALSE(cube->RayCastIntersect({0, 0, 0, 1}, Down, hit));
  EXPECT_FALSE(cube->RayCastIntersect({0, 0, 5, 1}, {0, 0, 1, 0}, hit));
  EXPECT_FALSE(cube->RayCastIntersect({-5, 0, 0.502f, 1}, {1, 0, 0, 0}, hit));
  // An edge is hit, also by a ray running along a face.
  ASSERT_TRUE(cube->RayCastIntersect({-5, 0, 0.5f, 1}, {1, 0, 0, 0}, hit));
  ExpectNear(hit, -0.5f, 0, 0.5f);
  ASSERT_TRUE(cube->RayCastIntersect({0.5f, 0.5f, 5, 1}, Down, hit));
  ExpectNear(hit, 0.5f, 0.5f, 0.5f);
  // The point is given in scene coordinates; the size counts.
  cube->Position()->SetPoint({1, 2, 3});
  cube->SetWidth(4);
  ASSERT_TRUE(cube->RayCastIntersect({1.9f, 0, 5, 1}, Down, hit));
  ExpectNear(hit, 2.9f, 2, 3.5f);
  // The wire box and the flat text use the same test.
  auto* wire = s.Add<TdxStrokeCube>();
  auto* text = s.Add<TdxText>();
  EXPECT_TRUE(wire->RayCastIntersect({0, 0, 5, 1}, Down, hit));
  EXPECT_TRUE(text->RayCastIntersect({0, 0, 5, 1}, Down, hit));
}

TEST(DxCustomMesh, IsHitByItsFirstTriangleInIndexOrderAndEmptyOnlyWhileDesigned) {
  Stage s;
  auto* m = s.Add<DesignedMesh>();
  auto& v = m->Data()->Vertices();
  // A triangle behind another, listed first; then one naming a missing vertex.
  v = {dxMeshVertex(-0.5f, -0.5f, -0.4f, 0, 0, 1, 0, 0), dxMeshVertex(0.5f, -0.5f, -0.4f, 0, 0, 1, 0, 0),
       dxMeshVertex(-0.5f, 0.5f, -0.4f, 0, 0, 1, 0, 0), dxMeshVertex(-0.5f, -0.5f, 0.4f, 0, 0, 1, 0, 0),
       dxMeshVertex(0.5f, -0.5f, 0.4f, 0, 0, 1, 0, 0), dxMeshVertex(-0.5f, 0.5f, 0.4f, 0, 0, 1, 0, 0)};
  m->Data()->Indexes() = {3, 4, 9, 0, 1, 2, 3, 4, 5};
  m->Data()->Changed();
  m->SetDepth(2);
  TdxVector hit;
  ASSERT_TRUE(m->RayCastIntersect({-0.2f, -0.2f, 5, 1}, Down, hit));
  ExpectNear(hit, -0.2f, -0.2f, -0.8f);
  // Inside the box but off the triangles; outside the box.
  EXPECT_FALSE(m->RayCastIntersect({0.4f, 0.4f, 5, 1}, Down, hit));
  EXPECT_FALSE(m->RayCastIntersect({3, 3, 5, 1}, Down, hit));

  m->Data()->Indexes().clear();
  hit = {9, 9, 9, 1};
  EXPECT_FALSE(m->RayCastIntersect({0, 0, 5, 1}, Down, hit));
  m->SetDesigning(true);
  EXPECT_TRUE(m->RayCastIntersect({0, 0, 5, 1}, Down, hit));
  EXPECT_EQ(hit.X, 9);
  EXPECT_FALSE(m->RayCastIntersect({3, 3, 5, 1}, Down, hit));
}

TEST(DxPlane, IsFlatOnceSetAndHeldWithTheMouseFarBeyondItsEdge) {
  Stage s;
  auto* p = s.Add<TdxPlane>();
  EXPECT_EQ(p->Depth(), 1);
  EXPECT_EQ(p->MeshData().Vertices().size(), 121u);
  p->SetDepth(5);
  EXPECT_FLOAT_EQ(p->Depth(), 0.01f);
  TdxVector hit;
  EXPECT_FALSE(p->RayCastIntersect({3, 0, 5, 1}, Down, hit));
  s.scene.captured = p;
  ASSERT_TRUE(p->RayCastIntersect({3, 0, 5, 1}, Down, hit));
  ExpectNear(hit, 3, 0, 0.005f);
  EXPECT_FALSE(p->RayCastIntersect({6, 0, 5, 1}, Down, hit));
}

TEST(DxSphere, IsHitAsTheEllipsoidInItsBox) {
  Stage s;
  auto* sp = s.Add<TdxSphere>();
  TdxVector hit;
  ASSERT_TRUE(sp->RayCastIntersect({0, 0, 5, 1}, Down, hit));
  ExpectNear(hit, 0, 0, 0.5f);
  // From inside: where the ray leaves it.
  ASSERT_TRUE(sp->RayCastIntersect({0, 0, 0, 1}, {0, 0, 1, 0}, hit));
  ExpectNear(hit, 0, 0, 0.5f);
  // A corner of the box is not the sphere.
  EXPECT_FALSE(sp->RayCastIntersect({0.45f, 0.45f, 5, 1}, Down, hit));
  sp->SetWidth(2);
  sp->SetHeight(2);
  sp->SetDepth(2);
  ASSERT_TRUE(sp->RayCastIntersect({0, 0, 5, 1}, Down, hit));
  ExpectNear(hit, 0, 0, 1);
  sp->SetWidth(4);
  ASSERT_TRUE(sp->RayCastIntersect({5, 0, 0, 1}, {-1, 0, 0, 0}, hit));
  ExpectNear(hit, 2, 0, 0);
  sp->SetDepth(0);
  EXPECT_FALSE(sp->RayCastIntersect({0, 0, 5, 1}, Down, hit));
}

// ---- text, picture, wire box ----------------------------------------------------------------------

TEST(DxText, DrawsItsTextCentredUnlitWithoutDepthWrites) {
  Stage s;
  auto* t = s.Add<TdxText>();
  EXPECT_FLOAT_EQ(t->Height(), 0.1f);
  EXPECT_FALSE(t->Material()->Lighting());
  EXPECT_FALSE(t->ZWrite());
  t->SetText(u"Lambda");
  t->Font()->SetSize(20);
  const int before = s.scene.repaints;
  t->SetText(u"Lambda");
  EXPECT_EQ(s.scene.repaints, before);
  t->SetOpacity(0.5f);
  s.canvas.TextSize = {40, 10, 0};
  s.Draw(t);
  EXPECT_EQ(s.canvas.Font().Size(), 20);
  ASSERT_EQ(s.canvas.TextAt.size(), 1u);
  EXPECT_EQ(s.canvas.TextAt[0], (TdxVector{-20, -5, 0, 0.5f}));
  EXPECT_FALSE(s.canvas.Material().Lighting());
}

TEST(DxImage, ShowsItsBitmapAsATextureAndNothingWhenEmpty) {
  Stage s;
  auto* im = s.Add<TdxImage>();
  im->Material()->SetDiffuseColor(0xFF000000);
  EXPECT_EQ(im->Width(), 4);
  EXPECT_FLOAT_EQ(im->Height(), 0.1f);
  EXPECT_EQ(im->Depth(), 3);
  s.Draw(im);
  EXPECT_TRUE(s.canvas.Only("mesh").empty());
  TdxVector hit;
  EXPECT_TRUE(im->RayCastIntersect({0, 0, 5, 1}, Down, hit));

  const int before = s.scene.repaints;
  im->Bitmap()->SetSize(2, 2);
  im->Bitmap()->Clear(0xFF00FF00);
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(im->Bitmap()->Map(bits, true));
  im->Bitmap()->Unmap();
  EXPECT_GT(s.scene.repaints, before);
  im->SetOpacity(0.5f);
  s.canvas.Log.clear();
  s.Draw(im);
  EXPECT_THAT(s.canvas.Only("mesh"), ElementsAre("mesh"));
  EXPECT_THAT(s.canvas.Only("diffuse"), ElementsAre("diffuse #7F000000", "diffuse #7FFFFFFF"));
  EXPECT_NE(std::find(s.canvas.Log.begin(), s.canvas.Log.end(), "state 14"), s.canvas.Log.end());
  // The bitmap lends itself for the draw only.
  EXPECT_EQ(s.canvas.Material().Texture(), nullptr);

  im->SetDepth(7);
  EXPECT_EQ(im->Depth(), 7);
  im->SetProjection(dxProjectionScreen);
  im->SetDepth(7);
  EXPECT_FLOAT_EQ(im->Depth(), 0.1f);
}

TEST(DxStrokeCube, DrawsTheEdgesOfItsBoxUnlit) {
  Stage s;
  auto* w = s.Add<TdxStrokeCube>();
  EXPECT_FALSE(w->Material()->Lighting());
  w->SetWidth(2);
  w->SetHeight(3);
  w->SetDepth(4);
  s.Draw(w);
  EXPECT_THAT(s.canvas.Only("wirecube"), ElementsAre("wirecube (0,0,0) (2,3,4) 1"));
}

TEST(DxCanvasBase, FillsARectangleAsASolidBlockThroughThePolygonFill) {
  RecordingCanvas c;
  c.FillRect(vg::MakeRect(1, 2, 5, 8), 0.3f, 0.5f);
  EXPECT_THAT(c.Only("polygon"), ElementsAre("polygon (3,5,0) (4,6,0.3) FBS 0.5"));
  EXPECT_THAT(c.Polygons.back(), ElementsAre(vg::TvxPoint{1, 2}, vg::TvxPoint{5, 2}, vg::TvxPoint{5, 8},
                                             vg::TvxPoint{1, 8}, vg::TvxPoint{1, 2}));
  EXPECT_EQ(c.PolygonRects.back(), vg::TvxRect{});
}

// ---- registration and streams ---------------------------------------------------------------------

TEST(DxShapes, AreRegisteredInTheDesignersOrderAndStreamTheirOwnValues) {
  SceneLibraryStartup();
  std::vector<std::string> shapes, solids3d;
  for (rtl::TClass c : DxClassesOf("Shapes")) shapes.push_back(c->Name);
  // The layers join the category later.
  shapes.resize(std::min<size_t>(shapes.size(), 11));
  for (rtl::TClass c : DxClassesOf("3D")) solids3d.push_back(c->Name);
  EXPECT_THAT(shapes, ElementsAre("TdxPlane", "TdxCube", "TdxMesh", "TdxSphere", "TdxCylinder", "TdxRoundCube",
                                  "TdxCone", "TdxText", "TdxImage", "TdxGrid", "TdxStrokeCube"));
  EXPECT_THAT(solids3d, ElementsAre("TdxText3D", "TdxPath3D", "TdxRectangle3D", "TdxEllipse3D"));
  EXPECT_NE(rtl::GetClass("TdxShape"), nullptr);
  EXPECT_NE(rtl::GetClass("TdxShape3D"), nullptr);
  EXPECT_EQ(rtl::GetClass("TdxCustomMesh"), nullptr);

  rtl::TComponent owner(nullptr);
  auto grid = std::make_unique<TdxGrid>(nullptr);
  grid->SetLineColor("#FF102030");
  grid->SetMarks(3);
  auto back = CreateDxObjectFromText(&owner, SaveDxObjectToText(grid.get()));
  auto* g = dynamic_cast<TdxGrid*>(back.get());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->LineColor(), "#FF102030");
  EXPECT_EQ(g->Marks(), 3);

  auto mesh = std::make_unique<TdxMesh>(nullptr);
  mesh->Data()->Vertices() = {dxMeshVertex(1, 2, 3, 0, 0, 1, 0.5f, 1)};
  mesh->Data()->Indexes() = {0, 0, 0};
  mesh->Material()->SetDiffuseColor(0xFF123456);
  back = CreateDxObjectFromText(&owner, SaveDxObjectToText(mesh.get()));
  auto* m = dynamic_cast<TdxMesh*>(back.get());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Data()->Vertices(), mesh->Data()->Vertices());
  EXPECT_EQ(m->Material()->DiffuseColor(), 0xFF123456u);

  // Corners are written only when not all four.
  auto rect = std::make_unique<TdxRectangle3D>(nullptr);
  EXPECT_EQ(SaveDxObjectToText(rect.get()).find("Corners"), std::string::npos);
  rect->SetCorners({vg::vgCornerTopLeft});
  rect->SetxRadius(0.5f);
  const std::string text = SaveDxObjectToText(rect.get());
  EXPECT_NE(text.find("Corners = [vgCornerTopLeft]"), std::string::npos) << text;
  back = CreateDxObjectFromText(&owner, text);
  auto* r = dynamic_cast<TdxRectangle3D*>(back.get());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Corners(), vg::TvxCorners{vg::vgCornerTopLeft});
  EXPECT_EQ(r->xRadius(), 0.5f);
  SceneLibraryShutdown();
}

}  // namespace

}  // namespace shapes_test
