// The extruded 2D shapes: their properties, the polygons and materials they hand to the canvas,
// the path modes, the design frame and the mouse mapped onto the outline; and the scene's own
// design grid and hint lines.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "Stage.h"
#include "platform/loop/Application.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes3D.h"
#include "vg2d/core/Library.h"

namespace shapes3d_test {

using namespace dx;
using ::testing::ElementsAre;

namespace {

// Each drawing writes down only its own calls.
struct Stage : dxtest::Stage {
  void Draw(TdxVisualObject* O) {
    canvas.Log.clear();
    dxtest::Stage::Draw(O);
  }
};

// Writes down what reaches the outline hooks.
class HookedRectangle : public TdxRectangle3D {
public:
  using TdxRectangle3D::TdxRectangle3D;
  void ShapeMouseMove(rtl::TShiftState, float X, float Y) override { calls.push_back({"move", X, Y}); }
  void ShapeMouseDown(rtl::TMouseButton, rtl::TShiftState, float X, float Y) override {
    calls.push_back({"down", X, Y});
  }
  void ShapeMouseUp(rtl::TMouseButton, rtl::TShiftState, float X, float Y) override { calls.push_back({"up", X, Y}); }
  struct Call {
    std::string What;
    float X, Y;
  };
  std::vector<Call> calls;
};

const TdxVector Down{0, 0, -1, 0};

TEST(DxShape3D, StartsAsASolidSlabAndRepaintsOnlyForRealChanges) {
  Stage s;
  dxRandSeed(3);
  auto* r = s.Add<TdxRectangle3D>();
  EXPECT_EQ(r->Width(), 4);
  EXPECT_EQ(r->Height(), 4);
  EXPECT_EQ(r->Depth(), 1);
  EXPECT_TRUE(r->TwoSide());
  EXPECT_EQ(r->Flatness(), 1);
  EXPECT_EQ(r->Sides(), AllShape3DSides);
  EXPECT_EQ(r->MaterialBack()->DiffuseColor(), r->Material()->DiffuseColor());
  EXPECT_EQ(r->MaterialLeft()->DiffuseColor(), r->Material()->DiffuseColor());

  int before = s.scene.repaints;
  r->SetFlatness(0.01f);
  EXPECT_FLOAT_EQ(r->Flatness(), 0.05f);
  EXPECT_EQ(s.scene.repaints, before + 1);
  r->SetFlatness(0.05f);
  r->SetFlatness(0.01f);
  r->SetFlatness(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(s.scene.repaints, before + 1);
  r->SetSides({dxShape3DFront});
  r->MaterialBack()->SetDiffuseColor(0xFF0000FF);
  r->SetxRadius(1);
  r->SetCornerType(vg::vgCornerBevel);
  EXPECT_EQ(s.scene.repaints, before + 5);

  auto* t = s.Add<TdxText3D>();
  EXPECT_EQ(t->Width(), 3);
  EXPECT_EQ(t->Height(), 1);
  EXPECT_FLOAT_EQ(t->Depth(), 0.3f);
  EXPECT_TRUE(t->ZWrite());
  EXPECT_TRUE(t->WordWrap());
  before = s.scene.repaints;
  t->SetWordWrap(false);
  EXPECT_EQ(s.scene.repaints, before);
  t->SetText(u"x");
  t->SetText(u"x");
  EXPECT_EQ(s.scene.repaints, before + 1);

  auto* p = s.Add<TdxPath3D>();
  EXPECT_EQ(p->Flatness(), 2);
  EXPECT_EQ(p->WrapMode(), vg::vgPathStretch);
  before = s.scene.repaints;
  p->Path()->MoveTo({0, 0});
  p->Path()->Clear();
  EXPECT_EQ(s.scene.repaints, before + 1);
}

TEST(DxShape3D, DrawsEachSideInItsMaterialCentredOnItsOrigin) {
  Stage s;
  auto* r = s.Add<TdxRectangle3D>();
  r->Material()->SetDiffuseColor(0xFFFF0000);
  r->MaterialBack()->SetDiffuseColor(0xFF00FF00);
  r->MaterialLeft()->SetDiffuseColor(0xFF0000FF);
  r->Position()->SetPoint({1, 0, 0});
  r->SetOpacity(0.5f);
  s.Draw(r);
  // The matrix moves the outline's frame (0 .. 4 by 0 .. 4) onto the origin.
  const TdxMatrix& m = s.canvas.Matrices.back();
  EXPECT_FLOAT_EQ(m.M[3][0], -1);
  EXPECT_FLOAT_EQ(m.M[3][1], -2);
  std::vector<std::string> order;
  for (const std::string& e : s.canvas.Log)
    if (e.rfind("polygon", 0) == 0 || e.rfind("diffuse", 0) == 0) order.push_back(e);
  EXPECT_THAT(order, ElementsAre("diffuse #7FFF0000", "polygon (2,2,0) (4,4,1) F-- 0.5", "diffuse #7F00FF00",
                                 "polygon (2,2,0) (4,4,1) -B- 0.5", "diffuse #7F0000FF",
                                 "polygon (2,2,0) (4,4,1) --S 0.5"));
  // A closed outline of the rectangle.
  const std::vector<vg::TvxPoint>& outline = s.canvas.Polygons.front();
  EXPECT_EQ(outline.back(), vg::ClosePolygonMarker);
  EXPECT_EQ(s.canvas.PolygonRects.front(), vg::TvxRect{});

  r->SetSides({});
  s.Draw(r);
  EXPECT_TRUE(s.canvas.Only("polygon").empty());
  TdxVector hit;
  EXPECT_TRUE(r->RayCastIntersect({0, 0, 5, 1}, Down, hit));
  r->SetSides(AllShape3DSides);
  r->SetWidth(0);
  s.Draw(r);
  EXPECT_TRUE(s.canvas.Only("polygon").empty());

  auto* e = s.Add<TdxEllipse3D>();
  e->SetSides({dxShape3DLeft});
  s.Draw(e);
  EXPECT_THAT(s.canvas.Only("polygon"), ElementsAre("polygon (2,2,0) (4,4,1) --S 1"));
}

TEST(DxPath3D, KeepsFitsStretchesOrTilesItsPath) {
  Stage s;
  auto* p = s.Add<TdxPath3D>();
  p->SetSides({dxShape3DFront});
  p->Path()->AddRectangle(vg::MakeRect(0, 0, 8, 4), 0, 0, vg::AllCorners, vg::vgCornerRound);
  const auto sizes = [&] {
    s.Draw(p);
    return s.canvas.Only("polygon");
  };
  EXPECT_THAT(sizes(), ElementsAre("polygon (2,2,0) (4,4,1) F-- 1"));
  p->SetWrapMode(vg::vgPathOriginal);
  EXPECT_THAT(sizes(), ElementsAre("polygon (2,2,0) (8,4,1) F-- 1"));
  p->SetWrapMode(vg::vgPathFit);
  EXPECT_THAT(sizes(), ElementsAre("polygon (2,2,0) (4,2,1) F-- 1"));
  // Fitting never enlarges.
  p->Path()->Clear();
  p->Path()->AddRectangle(vg::MakeRect(0, 0, 2, 1), 0, 0, vg::AllCorners, vg::vgCornerRound);
  EXPECT_THAT(sizes(), ElementsAre("polygon (2,2,0) (2,1,1) F-- 1"));

  // Tiles 1.5 wide and 4 high across 4 x 4: four columns of two rows from the top left.
  p->Path()->Clear();
  p->Path()->AddRectangle(vg::MakeRect(0, 0, 1.5f, 4), 0, 0, vg::AllCorners, vg::vgCornerRound);
  p->SetWrapMode(vg::vgPathTile);
  EXPECT_THAT(sizes(), ElementsAre("polygon (0.75,2,0) (1.5,4,1) F-- 1", "polygon (0.75,-2,0) (1.5,4,1) F-- 1",
                                   "polygon (2.25,2,0) (1.5,4,1) F-- 1", "polygon (2.25,-2,0) (1.5,4,1) F-- 1",
                                   "polygon (3.75,2,0) (1.5,4,1) F-- 1", "polygon (3.75,-2,0) (1.5,4,1) F-- 1",
                                   "polygon (5.25,2,0) (1.5,4,1) F-- 1", "polygon (5.25,-2,0) (1.5,4,1) F-- 1"));
  EXPECT_EQ(TdxPath3D::TileCount(4, 1.5f, 64), 4);
  EXPECT_EQ(TdxPath3D::TileCount(-4, 1.5f, 64), 0);
  EXPECT_EQ(TdxPath3D::TileCount(-0.4f, 1, 64), 1);
  EXPECT_EQ(TdxPath3D::TileCount(1e9f, 0.001f, 64), 64);
  EXPECT_EQ(TdxPath3D::TileCount(3, 0.02f, 294), 151);
  EXPECT_EQ(TdxPath3D::TileCount(std::numeric_limits<float>::quiet_NaN(), 1, 64), 0);
  // A quotient beyond every whole number: a tiny outline's, or a flat one's.
  EXPECT_EQ(TdxPath3D::TileCount(3, 1e-19f, 294), 294);
  EXPECT_EQ(TdxPath3D::TileCount(3, 0, 64), 64);
  p->SetWidth(1e9f);
  p->SetHeight(1e9f);
  EXPECT_EQ(sizes().size(), size_t(TdxPath3D::MaxTiles) * TdxPath3D::MaxTiles);
}

// Fitting keeps the outline's proportions exactly: object units are not whole pixels.
TEST(DxPath3D, FitsItsPathWithItsProportionsKept) {
  Stage s;
  auto* p = s.Add<TdxPath3D>();
  p->SetSides({dxShape3DFront});
  p->SetWidth(3);
  p->SetHeight(3);
  p->SetWrapMode(vg::vgPathFit);
  p->Path()->AddRectangle(vg::MakeRect(0, 0, 5, 6), 0, 0, vg::AllCorners, vg::vgCornerRound);
  s.Draw(p);
  EXPECT_THAT(s.canvas.Only("polygon"), ElementsAre("polygon (1.5,1.5,0) (2.5,3,1) F-- 1"));
  p->SetWidth(4);
  p->SetHeight(1);
  s.Draw(p);
  EXPECT_THAT(s.canvas.Only("polygon"), ElementsAre("polygon (2,0.5,0) (0.833333,1,1) F-- 1"));
}

// A tile's back and walls change the canvas's material; every tile's front is still drawn in
// the front material, whichever sides are drawn.
TEST(DxPath3D, EveryTileDrawsEachSideInItsOwnMaterial) {
  Stage s;
  auto* p = s.Add<TdxPath3D>();
  p->Material()->SetDiffuseColor(0xFFFF0000);
  p->MaterialBack()->SetDiffuseColor(0xFF00FF00);
  p->MaterialLeft()->SetDiffuseColor(0xFF0000FF);
  p->Path()->AddEllipse(vg::MakeRect(0, 0, 1.5f, 4));
  p->SetWrapMode(vg::vgPathTile);
  for (const TdxShape3DSides sides : {AllShape3DSides, TdxShape3DSides{dxShape3DFront, dxShape3DBack},
                                      TdxShape3DSides{dxShape3DFront, dxShape3DLeft}}) {
    p->SetSides(sides);
    s.canvas.PolygonColours.clear();
    s.Draw(p);
    const std::vector<std::string> polygons = s.canvas.Only("polygon");
    const size_t drawn = sides.Contains(dxShape3DFront) + sides.Contains(dxShape3DBack) + sides.Contains(dxShape3DLeft);
    ASSERT_EQ(polygons.size(), 8 * drawn);  // four columns of two rows
    ASSERT_EQ(s.canvas.PolygonColours.size(), polygons.size());
    for (size_t i = 0; i < polygons.size(); ++i) {
      const std::string kind = polygons[i].substr(polygons[i].rfind(' ') - 3, 3);  // "F--", "-B-" or "--S"
      const TdxColor expected = kind == "F--" ? 0xFFFF0000 : kind == "-B-" ? 0xFF00FF00 : 0xFF0000FF;
      EXPECT_EQ(dxColorToText(s.canvas.PolygonColours[i]), dxColorToText(expected)) << i << " " << polygons[i];
    }
  }
}

TEST(DxText3D, LaysOutItsTextAtTenUnitsAnObjectUnitAndFramesItInDesign) {
  vg::LibraryStartup();
  {
    Stage s;
    auto* t = s.Add<TdxText3D>();
    // Nothing to draw at run time; in design the translucent frame, unless locked.
    s.Draw(t);
    EXPECT_TRUE(s.canvas.Only("wirecube").empty());
    EXPECT_TRUE(s.canvas.Only("polygon").empty());
    s.scene.designTime = true;
    s.Draw(t);
    EXPECT_THAT(s.canvas.Only("wirecube"), ElementsAre("wirecube (1.5,0.5,0) (3,1,0.3) 1"));
    EXPECT_EQ(s.canvas.Only("diffuse").back(), "diffuse #8060A799");
    t->SetLocked(true);
    s.Draw(t);
    EXPECT_TRUE(s.canvas.Only("wirecube").empty());
    s.scene.designTime = false;

    t->SetText(u"Gas");
    t->Font()->SetSize(6);
    t->SetSides({dxShape3DFront});
    t->SetStretch(true);
    s.Draw(t);
    // Stretched over the whole box.
    EXPECT_THAT(s.canvas.Only("polygon"), ElementsAre("polygon (1.5,0.5,0) (3,1,0.3) F-- 1"));
    EXPECT_EQ(s.canvas.PolygonRects.back(), vg::TvxRect{});
    // At its own size, the box (30 x 10 in 2D units) the least frame.
    t->SetStretch(false);
    s.Draw(t);
    EXPECT_EQ(s.canvas.PolygonRects.back(), vg::MakeRect(0, 0, 30, 10));
    EXPECT_THAT(s.canvas.Only("polygon"), ElementsAre("polygon (1.5,0.5,0) (3,1,0.3) F-- 1"));
    // A line too long for the box, aligned far, reaches out to the left.
    t->SetText(u"Reducer temperature sensor");
    t->SetWordWrap(false);
    t->SetHorzTextAlign(vg::vgTextAlignFar);
    s.Draw(t);
    const vg::TvxRect frame = s.canvas.PolygonRects.back();
    EXPECT_LT(frame.Left, 0);
    EXPECT_EQ(frame.Right, 30);
    EXPECT_EQ(frame.Top, 0);
    EXPECT_EQ(frame.Bottom, 10);
    // Its outline holds every glyph, the first ones too, which lie left of the layout box, at
    // any size.
    for (const float size : {6.0f, 40.0f}) {
      t->Font()->SetSize(size);
      s.Draw(t);
      float left = 65535, right = -65535;
      for (const vg::TvxPoint& p : s.canvas.Polygons.back())
        if (p.X != 65535) left = std::min(left, p.X), right = std::max(right, p.X);
      EXPECT_NEAR(left, s.canvas.PolygonRects.back().Left, size / 3) << size;
      EXPECT_NEAR(right, 30, size / 3) << size;
    }
  }
  vg::LibraryShutdown();
}

TEST(DxShape3D, TheMouseReachesTheHooksAtThePointOfTheOutline) {
  Stage s;
  auto* r = s.Add<HookedRectangle>();
  r->MouseDown(rtl::mbLeft, {}, 50, 60, {1, 1, 5, 1}, Down);
  r->MouseMove({}, 50, 60, 0, 0, {-1.5f, -1, 5, 1}, Down);
  // Off the shape: move and down are not passed on, up is, with the event's own point.
  r->MouseMove({}, 50, 60, 0, 0, {9, 9, 5, 1}, Down);
  r->MouseDown(rtl::mbLeft, {}, 50, 60, {9, 9, 5, 1}, Down);
  r->MouseUp(rtl::mbLeft, {}, 123, 45, {9, 9, 5, 1}, Down);
  r->MouseUp(rtl::mbLeft, {}, 123, 45, {0, 0, 5, 1}, Down);
  ASSERT_EQ(r->calls.size(), 4u);
  // X from the left edge, Y from the top edge of the 4 x 4 outline.
  EXPECT_EQ(r->calls[0].What, "down");
  EXPECT_FLOAT_EQ(r->calls[0].X, 3);
  EXPECT_FLOAT_EQ(r->calls[0].Y, 1);
  EXPECT_EQ(r->calls[1].What, "move");
  EXPECT_FLOAT_EQ(r->calls[1].X, 0.5f);
  EXPECT_FLOAT_EQ(r->calls[1].Y, 3);
  EXPECT_EQ(r->calls[2].What, "up");
  EXPECT_FLOAT_EQ(r->calls[2].X, 123);
  EXPECT_FLOAT_EQ(r->calls[2].Y, 45);
  EXPECT_FLOAT_EQ(r->calls[3].X, 2);
  EXPECT_FLOAT_EQ(r->calls[3].Y, 2);

  // A flat shape still gives a point.
  r->SetWidth(0);
  r->calls.clear();
  r->MouseDown(rtl::mbLeft, {}, 50, 60, {0, 1, 5, 1}, Down);
  ASSERT_EQ(r->calls.size(), 1u);
  EXPECT_EQ(r->calls[0].X, 0);
  // A handler that frees the shape ends the event there.
  r->OnMouseDown = [r](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float, const TdxVector&,
                       const TdxVector&) { r->Free(); };
  r->MouseDown(rtl::mbLeft, {}, 50, 60, {0, 1, 5, 1}, Down);
  EXPECT_TRUE(s.scene.roots.empty());
}

// ---- the scene's design grid and hints ----------------------------------------------------------

// Writes down the states, the lines and the text of a frame.
class HintCanvas final : public dxtest::NullCanvas {
public:
  using NullCanvas::NullCanvas;
  static inline std::vector<std::string> log;
  static inline int lines = 0;

  bool BeginScene() override { return true; }
  void DrawLine(const TdxVector&, const TdxVector&, float) override { ++lines; }
  void FillText(const std::u16string& Text, float X, float Y, float Opacity) override {
    log.push_back("text " + std::string(Text.begin(), Text.begin() + 5) + " " + std::to_string(int(X)) + "," +
                  std::to_string(int(Y)) + " " + dxColorToText(Material().DiffuseColor()) + " " +
                  std::to_string(int(Font().Size())) + (Material().Lighting() ? " lit" : " unlit") + " " +
                  std::to_string(int(Opacity)));
  }

protected:
  void ApplyState(TdxRenderState Code) override { log.push_back("state " + std::to_string(Code)); }
};

// A form that can be put into design state, as a form designer does.
class DesignForm : public win::TForm {
public:
  using win::TForm::TForm;
  using rtl::TComponent::SetDesigning;
};

struct SceneDesign : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    SceneLibraryStartup();
    saved = DefaultCanvasClass;
    DefaultCanvasClass = TdxCanvasClassOf<HintCanvas>::Instance();
    HintCanvas::log.clear();
    HintCanvas::lines = 0;
  }
  void TearDown() override {
    form.reset();
    rtl::Application->ProcessMessages();
    DefaultCanvasClass = saved;
    SceneLibraryShutdown();
  }
  TdxScene* MakeScene(bool Designing) {
    form = std::make_unique<DesignForm>(nullptr);
    form->SetDesigning(Designing);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 200, 100);
    auto* scene = new TdxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    return scene;
  }
  const TdxCanvasClass* saved = nullptr;
  std::unique_ptr<DesignForm> form;
};

TEST_F(SceneDesign, TheGridIsTheScenesOwnAndSeenOnlyWhileDesigning) {
  TdxScene* run = MakeScene(false);
  TdxGrid* grid = run->DesignGrid();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->Width(), 50);
  EXPECT_EQ(grid->Height(), 50);
  EXPECT_EQ(grid->Frequency(), 1);
  EXPECT_EQ(grid->Marks(), 4);
  EXPECT_TRUE(grid->Tag() == DesignObjectTag && grid->Locked() && !grid->Stored());
  EXPECT_FALSE(grid->Visible());
  EXPECT_EQ(run->GetRoot(), nullptr);
  // Shown or hidden by opacity, not by visibility.
  run->SetDesignSnapGridShow(false);
  EXPECT_EQ(grid->Opacity(), 0);
  EXPECT_FALSE(grid->Visible());
  run->SetDesignSnapGridShow(true);
  EXPECT_EQ(grid->Opacity(), 1);

  TdxScene* designed = MakeScene(true);
  EXPECT_TRUE(designed->DesignGrid()->Visible());
}

TEST_F(SceneDesign, ADesignedSceneDrawsItsGridAndThreeHintLinesOnTop) {
  TdxScene* scene = MakeScene(true);
  form->Show();
  rtl::Application->ProcessMessages();
  HintCanvas::log.clear();
  HintCanvas::lines = 0;
  scene->RenderScene();
  // 50 x 50 every unit: 25 lines and their mirror images each way.
  EXPECT_EQ(HintCanvas::lines, 100);
  std::vector<std::string> texts;
  size_t screen = 0;
  for (size_t i = 0; i < HintCanvas::log.size(); ++i) {
    if (HintCanvas::log[i] == "state 0") screen = i;
    if (HintCanvas::log[i].rfind("text", 0) == 0) {
      texts.push_back(HintCanvas::log[i]);
      EXPECT_GT(i, screen);
    }
  }
  EXPECT_GT(screen, 0u);
  EXPECT_THAT(texts, ElementsAre("text Alt+m 0,0 #8091DE5B 9 unlit 1", "text Mouse 0,10 #8091DE5B 9 unlit 1",
                                 "text Shift 0,20 #8091DE5B 9 unlit 1"));

  // Outside a designer no hints are drawn.
  TdxScene* run = MakeScene(false);
  form->Show();
  rtl::Application->ProcessMessages();
  HintCanvas::log.clear();
  run->RenderScene();
  for (const std::string& e : HintCanvas::log) EXPECT_NE(e.rfind("text", 0), 0u) << e;
}

}  // namespace

}  // namespace shapes3d_test
