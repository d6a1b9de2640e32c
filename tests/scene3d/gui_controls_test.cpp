// The screen-space GUI controls: their values when made and the unit quad, the plane's
// material, the image's wrap modes as the quads and states they hand the canvas, the text
// layer's inner text, the selection's grips, drags, limits, hot tracking, drawing and hit
// test, and the classes as streams and the designer see them.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Stage.h"
#include "scene3d/GuiControls.h"
#include "scene3d/Library.h"
#include "scene3d/Shapes.h"
#include "vg2d/core/Library.h"

namespace gui_controls_test {

using namespace dx;
using ::testing::ElementsAre;

namespace {

struct GuiControls : ::testing::Test, dxtest::Stage {
  void SetUp() override { vg::LibraryStartup(); }
  void TearDown() override {
    while (!scene.roots.empty()) scene.roots.back()->Free();
    vg::LibraryShutdown();
  }
  // The paint steps alone (a screen layer needs no matrix), written down on their own.
  void Draw(TdxVisualObject* O) {
    canvas.Log.clear();
    canvas.Meshes.clear();
    Paint(O);
  }
  static void Size(TdxBitmap* B, int W, int H) {
    TdxBitmap b(W, H);
    B->Assign(&b);
  }
};

}  // namespace

TEST_F(GuiControls, EachControlIsMadeInScreenSpaceWithItsSizeAndValues) {
  for (TdxCustomLayer* l :
       std::vector<TdxCustomLayer*>{Add<TdxGUILayout>(), Add<TdxGUIPlane>(), Add<TdxGUIImage>(), Add<TdxGUIText>(),
                                    Add<TdxScreenImage>(), Add<TdxScreenDummy>()}) {
    EXPECT_EQ(l->Projection(), dxProjectionScreen) << l->ClassName();
    EXPECT_FLOAT_EQ(l->Width(), 256) << l->ClassName();
    EXPECT_FLOAT_EQ(l->Height(), 256) << l->ClassName();
    EXPECT_FALSE(l->ZWrite()) << l->ClassName();
  }
  auto* image = Add<TdxGUIImage>();
  EXPECT_FALSE(image->HitTest());
  EXPECT_EQ(image->WrapMode(), vg::vgImageStretch);
  EXPECT_EQ(image->Bitmap()->Width(), 1);
  EXPECT_EQ(image->Bitmap()->Height(), 1);
  auto* text = Add<TdxGUIText>();
  EXPECT_FALSE(text->HitTest());
  EXPECT_FALSE(text->DesignMousePassThrough());
  auto* s = Add<TdxGUISelection>();
  EXPECT_EQ(s->Projection(), dxProjectionScreen);
  EXPECT_FLOAT_EQ(s->Width(), 100);
  EXPECT_FLOAT_EQ(s->Height(), 100);
  EXPECT_FLOAT_EQ(s->Depth(), 1);
  EXPECT_FLOAT_EQ(s->GripSize(), 3);
  EXPECT_EQ(s->MinSize(), 15);
  EXPECT_TRUE(s->AutoCapture());

  // The unit quad: index 2 * row + column.
  const TdxMeshData& q = image->Quad();
  ASSERT_EQ(q.Vertices().size(), 4u);
  EXPECT_EQ(q.Vertices()[1], dxMeshVertex(0.5f, -0.5f, 0, 0, 0, 1, 1, 0));
  EXPECT_EQ(q.Vertices()[2], dxMeshVertex(-0.5f, 0.5f, 0, 0, 0, 1, 0, 1));
  EXPECT_EQ(q.Vertices()[3], dxMeshVertex(0.5f, 0.5f, 0, 0, 0, 1, 1, 1));
  EXPECT_THAT(q.Indexes(), ElementsAre(0, 1, 2, 2, 1, 3));
  EXPECT_EQ(Add<TdxGUIPlane>()->Quad().Vertices(), q.Vertices());
}

TEST_F(GuiControls, APlaneDrawsTheQuadInItsOwnRandomOpaqueMaterial) {
  dxRandSeed(7);
  auto* p = Add<TdxGUIPlane>();
  const TdxColor first = p->Material()->DiffuseColor();
  EXPECT_EQ(first >> 24, 0xFFu);
  dxRandSeed(7);
  dxRandom(0xFFFFFF);  // the shapes' generator gave the colour
  EXPECT_NE(Add<TdxGUIPlane>()->Material()->DiffuseColor(), first);
  const int repaints = scene.repaints;
  p->Material()->SetDiffuseColor(0xFF102030u);
  EXPECT_GT(scene.repaints, repaints);
  TdxMaterial m;
  m.SetDiffuseColor(0x80405060u);
  m.SetLighting(false);
  p->SetMaterial(&m);
  EXPECT_EQ(p->Material()->DiffuseColor(), 0x80405060u);
  EXPECT_NE(p->Material(), &m);
  p->SetWidth(40);
  p->SetHeight(30);
  Draw(p);
  ASSERT_EQ(canvas.Meshes.size(), 1u);
  EXPECT_EQ(canvas.Meshes[0].Mesh, &p->Quad());
  EXPECT_EQ(canvas.Meshes[0].Size, (TdxVector{40, 30, p->Depth(), 0}));
  EXPECT_EQ(canvas.Meshes[0].Diffuse, 0x80405060u);
}

TEST_F(GuiControls, AnImagePlacesItsBitmapByTheWrapMode) {
  auto* img = Add<TdxGUIImage>();
  img->SetWidth(100);
  img->SetHeight(100);
  Size(img->Bitmap(), 0, 0);
  Draw(img);
  EXPECT_TRUE(canvas.Log.empty()) << "nothing drawn, no state touched";

  Size(img->Bitmap(), 40, 20);
  img->SetWrapMode(vg::vgImageOriginal);
  Draw(img);
  ASSERT_EQ(canvas.Meshes.size(), 1u);
  EXPECT_EQ(canvas.Meshes[0].Centre, (TdxVector{-30, -40, 0, 1})) << "the first corner on the layer's";
  EXPECT_EQ(canvas.Meshes[0].Size, (TdxVector{40, 20, 0, 0}));
  EXPECT_EQ(canvas.Meshes[0].Texture, img->Bitmap());
  EXPECT_EQ(canvas.Meshes[0].Diffuse, 0xFFFFFFFFu);
  EXPECT_THAT(canvas.Log, ::testing::Contains("state 13"));
  EXPECT_EQ(canvas.Material().Texture(), nullptr) << "the texture is let go afterwards";

  img->SetWrapMode(vg::vgImageFit);
  Size(img->Bitmap(), 200, 100);
  Draw(img);
  EXPECT_EQ(canvas.Meshes[0].Centre, (TdxVector{0, 0, 0, 1}));
  EXPECT_EQ(canvas.Meshes[0].Size, (TdxVector{100, 50, 0, 0}));
  EXPECT_THAT(canvas.Log, ::testing::Contains("state 14"));
  Size(img->Bitmap(), 50, 20);
  Draw(img);
  EXPECT_EQ(canvas.Meshes[0].Size, (TdxVector{50, 20, 0, 0})) << "never enlarged";

  img->SetWrapMode(vg::vgImageStretch);
  img->SetOpacity(0.5f);
  Draw(img);
  EXPECT_EQ(canvas.Meshes[0].Size, (TdxVector{100, 100, 0, 0}));
  EXPECT_EQ(canvas.Meshes[0].Diffuse, 0x7FFFFFFFu) << "white, alpha cut by the opacity";
}

TEST_F(GuiControls, TilesStartEveryBitmapSizeAndAreOneDrawWithNoneWhollyPastTheEdge) {
  auto* img = Add<TdxGUIImage>();
  img->SetWrapMode(vg::vgImageTile);
  img->SetWidth(100);
  img->SetHeight(100);
  Size(img->Bitmap(), 30, 30);
  Draw(img);
  ASSERT_EQ(canvas.Meshes.size(), 1u) << "one draw for all tiles";
  EXPECT_EQ(canvas.Meshes[0].Mesh, &img->TileQuad());
  // Four columns and rows from the first corner (-50): tiles at 0, 30, 60 and 90.
  EXPECT_EQ(canvas.Meshes[0].Size, (TdxVector{120, 120, 0, 0}));
  EXPECT_EQ(canvas.Meshes[0].Centre, (TdxVector{10, 10, 0, 1}));
  EXPECT_EQ(img->TileQuad().Vertices()[3].TU, 4);
  EXPECT_EQ(img->TileQuad().Vertices()[3].TV, 4);
  EXPECT_EQ(img->TileQuad().Vertices()[0].TU, 0);
  EXPECT_THAT(canvas.Log, ::testing::Contains("state 13"));

  img->SetWidth(90);
  img->SetHeight(45);
  Draw(img);
  EXPECT_EQ(canvas.Meshes[0].Size, (TdxVector{90, 60, 0, 0})) << "no column wholly past the far edge";
  EXPECT_EQ(img->TileQuad().Vertices()[3].TU, 3);
  EXPECT_EQ(img->TileQuad().Vertices()[3].TV, 2);

  for (auto [w, h] : {std::pair{1, 30}, std::pair{30, 1}}) {
    Size(img->Bitmap(), w, h);
    Draw(img);
    EXPECT_TRUE(canvas.Meshes.empty()) << w << " x " << h;
  }
}

TEST_F(GuiControls, TheTextLayerCarriesOneLockedUnstoredText) {
  auto* t = Add<TdxGUIText>();
  ASSERT_EQ(t->RootCount(), 1);
  vg::TvxText* inner = t->TextObject();
  EXPECT_EQ(t->Roots(0), inner);
  EXPECT_TRUE(inner->Locked());
  EXPECT_FALSE(inner->Stored());
  EXPECT_EQ(inner->Owner(), t);
  t->SetText(u"RPM");
  EXPECT_EQ(inner->Text(), u"RPM");
  EXPECT_EQ(t->Text(), u"RPM");
  vg::TvxBrush b(vg::vgBrushSolid, 0xFF000000u);
  b.SetSolidColor(0xFF00FF00u);
  t->SetFill(&b);
  EXPECT_EQ(inner->Fill()->GetSolidColor(), 0xFF00FF00u);
  EXPECT_EQ(t->Fill(), inner->Fill());
  vg::TvxFont f;
  f.SetSize(31);
  t->SetFont(&f);
  EXPECT_FLOAT_EQ(inner->Font()->Size(), 31);
  EXPECT_EQ(t->TdxCustomObjectLayer::Fill()->Style(), vg::vgBrushNone) << "the layer's own background stays clear";
  EXPECT_FLOAT_EQ(inner->Width(), 256) << "the text fills the layer";

  SceneLibraryStartup();
  const std::string text = SaveDxObjectToText(t);
  EXPECT_THAT(text, ::testing::HasSubstr("Text = 'RPM'"));
  EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("TvxText"))) << "the inner text is made, not stored";
  auto back = CreateDxObjectFromText(nullptr, text);
  auto* copy = dynamic_cast<TdxGUIText*>(back.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->RootCount(), 1);
  EXPECT_EQ(copy->Text(), u"RPM");
  EXPECT_EQ(copy->Fill()->GetSolidColor(), 0xFF00FF00u);
  back.reset();
  SceneLibraryShutdown();
}

TEST_F(GuiControls, GripsResizeWithTheOppositeCornerFixedAndNeverBelowTheMinimum) {
  auto* s = Add<TdxGUISelection>();
  s->Position()->SetPoint({200, 150, 0});
  // Grip 4 dragged by (-90, -90): both sides would fall below 15, so nothing changes.
  s->LayerMouseDown(rtl::mbLeft, {}, 100, 100);
  EXPECT_TRUE(s->GripPressed(4));
  EXPECT_FALSE(s->GripPressed(1));
  s->LayerMouseMove({}, 10, 10);
  EXPECT_FLOAT_EQ(s->Width(), 100);
  EXPECT_FLOAT_EQ(s->Height(), 100);
  // Small steps shrink it down to the minimum and no further; the far corner follows.
  for (float p = 95; p >= 0; p -= 5) s->LayerMouseMove({}, p, p);
  EXPECT_FLOAT_EQ(s->Width(), 15);
  EXPECT_FLOAT_EQ(s->Height(), 15);
  EXPECT_FLOAT_EQ(s->Position()->X(), 200 - 42.5f) << "the first corner stayed at 150";
  s->LayerMouseUp(rtl::mbLeft, {}, 0, 0);
  EXPECT_FALSE(s->GripPressed(4));
  EXPECT_FALSE(s->Moving());

  // Grip 1 moves the position by half the travel; the press point stays under the mouse.
  auto* t = Add<TdxGUISelection>();
  t->Position()->SetPoint({100, 100, 0});
  t->LayerMouseDown(rtl::mbLeft, {}, 1, -2);
  t->LayerMouseMove({}, 11, 4);
  EXPECT_FLOAT_EQ(t->Width(), 90);
  EXPECT_FLOAT_EQ(t->Height(), 94);
  EXPECT_FLOAT_EQ(t->Position()->X(), 105);
  EXPECT_FLOAT_EQ(t->Position()->Y(), 103);
  t->LayerMouseMove({}, 11, 4);
  EXPECT_FLOAT_EQ(t->Width(), 80) << "the same travel again shrinks it again";
  t->LayerMouseUp(rtl::mbLeft, {}, 0, 0);

  // Grips 2 and 3 keep their own opposite corners.
  t->LayerMouseDown(rtl::mbLeft, {}, t->Width(), 0);
  t->LayerMouseMove({}, t->Width() + 10, 0);
  t->LayerMouseMove({}, t->Width() + 10, 0);
  EXPECT_FLOAT_EQ(t->Width(), 100) << "the far edge follows the mouse step by step";
  t->LayerMouseUp(rtl::mbLeft, {}, 0, 0);
  const float left = t->Position()->X() - t->Width() / 2;
  t->LayerMouseDown(rtl::mbLeft, {}, 0, t->Height());
  t->LayerMouseMove({}, 5, t->Height() + 6);
  EXPECT_FLOAT_EQ(t->Width(), 95);
  EXPECT_FLOAT_EQ(t->Position()->X() - t->Width() / 2, left + 5);
  t->LayerMouseUp(rtl::mbLeft, {}, 0, 0);

  s->SetMinSize(200);
  EXPECT_FLOAT_EQ(s->Width(), 200);
  EXPECT_FLOAT_EQ(s->Height(), 200);
}

TEST_F(GuiControls, TheFrameMovesByTheTravelAndOnlyTheLeftButtonDrags) {
  auto* s = Add<TdxGUISelection>();
  s->Position()->SetPoint({200, 150, 0});
  int downs = 0;
  s->OnLayerMouseDown = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, int, int) { ++downs; };
  s->LayerMouseDown(rtl::mbLeft, {}, 50, 40);
  for (int g = 1; g <= 4; ++g) EXPECT_FALSE(s->GripPressed(g));
  s->LayerMouseMove({}, 60, 35);
  s->LayerMouseMove({}, 61, 35);
  EXPECT_FLOAT_EQ(s->Position()->X(), 221) << "the press point stays, the frame moves under the mouse";
  EXPECT_FLOAT_EQ(s->Position()->Y(), 140);
  EXPECT_FLOAT_EQ(s->Width(), 100);

  s->LayerMouseDown(rtl::mbRight, {}, 0, 0);
  EXPECT_EQ(downs, 2);
  EXPECT_FALSE(s->GripPressed(1)) << "a right press starts no drag";
  EXPECT_TRUE(s->Moving()) << "the left drag is still on";
  s->LayerMouseUp(rtl::mbRight, {}, 0, 0);
  EXPECT_FALSE(s->Moving()) << "any release ends the drag";
  s->LayerMouseMove({}, 90, 90);
  EXPECT_FLOAT_EQ(s->Position()->X(), 221);
}

TEST_F(GuiControls, HotGripsFollowTheMouseAreDrawnRedAndClearWhenItLeaves) {
  auto* s = Add<TdxGUISelection>();
  s->LayerMouseMove({}, 102.5f, -3);
  EXPECT_TRUE(s->GripHot(2));
  EXPECT_FALSE(s->GripHot(1));
  s->LayerMouseMove({}, 103.5f, 0);
  EXPECT_FALSE(s->GripHot(2)) << "the square's edge is GripSize out";
  s->LayerMouseMove({}, 97, 3);
  const int repaints = scene.repaints;
  s->LayerMouseMove({}, 98, 2);
  EXPECT_EQ(scene.repaints, repaints) << "no repaint while nothing changes";
  Draw(s);
  EXPECT_EQ(canvas.Only("cube"), (std::vector<std::string>{"cube (-50,-50,0) (6,6,1) 1", "cube (50,-50,0) (6,6,1) 1",
                                                           "cube (-50,50,0) (6,6,1) 1", "cube (50,50,0) (6,6,1) 1"}));
  ASSERT_EQ(canvas.Only("wirecube").size(), 4u);
  ASSERT_EQ(canvas.LineColours.size(), 4u);
  for (TdxColor c : canvas.LineColours) EXPECT_EQ(c, 0xFFFFFFFFu);
  // The grip's cube is red, its outline and the other grips white.
  EXPECT_THAT(canvas.Log, ::testing::Contains("diffuse #FFFF0000"));
  const auto red = std::find(canvas.Log.begin(), canvas.Log.end(), "diffuse #FFFF0000");
  EXPECT_EQ(*std::find_if(red, canvas.Log.end(), [](const std::string& E) { return E.rfind("cube", 0) == 0; }),
            "cube (50,-50,0) (6,6,1) 1");
  s->MouseLeave();
  for (int g = 1; g <= 4; ++g) EXPECT_FALSE(s->GripHot(g));
  Draw(s);
  EXPECT_THAT(canvas.Log, ::testing::Not(::testing::Contains("diffuse #FFFF0000")));
}

// As the flat selection holds it: a size that is no number leaves the grips as they were, any
// other is held to 1 .. 20 (unheld, 1e40 put every press on all four grips).
TEST_F(GuiControls, TheGripSizeKeepsGripsThatCanBePressedOneByOne) {
  auto* s = Add<TdxGUISelection>();
  s->SetGripSize(std::nanf(""));
  s->LayerMouseDown(rtl::mbLeft, {}, 1, 1);
  EXPECT_TRUE(s->GripPressed(1)) << "the grips kept their size of 3";
  s->LayerMouseUp(rtl::mbLeft, {}, 1, 1);
  s->SetGripSize(std::numeric_limits<float>::infinity());  // 1e40 as a single
  EXPECT_EQ(s->GripSize(), 20.0f);
  s->LayerMouseDown(rtl::mbLeft, {}, 50, 50);
  for (int g = 1; g <= 4; ++g) EXPECT_FALSE(s->GripPressed(g)) << "the middle of 100 is on no grip, " << g;
  s->SetGripSize(0);
  EXPECT_EQ(s->GripSize(), 1.0f);
}

TEST_F(GuiControls, TheSelectionIsHitOnItsGripsOutsideTheFrame) {
  auto* s = Add<TdxGUISelection>();
  TdxVector hit;
  // Rays along the screen's depth through local points.
  auto ray = [&](float X, float Y) { return s->RayCastIntersect({X, Y, -5, 1}, {0, 0, 1, 0}, hit); };
  EXPECT_TRUE(ray(0, 0));
  EXPECT_TRUE(ray(51.5f, 0)) << "within the grips' reach";
  EXPECT_TRUE(ray(52.5f, 52.5f));
  EXPECT_FALSE(ray(54, 0));
  EXPECT_FLOAT_EQ(s->Width(), 100) << "the size is back after the test";
}

TEST_F(GuiControls, TheControlsAreKnownToTheDesignerAndTheOtherNamesToStreamsOnly) {
  SceneLibraryStartup();
  const std::vector<rtl::TClass> gui = DxClassesOf("GUI");
  std::vector<rtl::TClass> ours;
  for (rtl::TClass c : gui)
    if (c == TdxGUILayout::StaticClass() || c == TdxGUIImage::StaticClass() || c == TdxGUIPlane::StaticClass() ||
        c == TdxGUIText::StaticClass() || c == TdxGUISelection::StaticClass())
      ours.push_back(c);
  EXPECT_THAT(ours, ElementsAre(TdxGUILayout::StaticClass(), TdxGUIImage::StaticClass(), TdxGUIPlane::StaticClass(),
                                TdxGUIText::StaticClass(), TdxGUISelection::StaticClass()));
  for (const TdxClassEntry& e : DxClassList()) {
    EXPECT_NE(e.Class, TdxScreenImage::StaticClass());
    EXPECT_NE(e.Class, TdxScreenDummy::StaticClass());
  }
  auto image = CreateDxObjectFromText(nullptr, "object I: TdxScreenImage\r\n  WrapMode = vgImageTile\r\nend\r\n");
  ASSERT_NE(dynamic_cast<TdxScreenImage*>(image.get()), nullptr);
  EXPECT_EQ(static_cast<TdxScreenImage*>(image.get())->WrapMode(), vg::vgImageTile);
  auto dummy = CreateDxObjectFromText(nullptr, "object D: TdxScreenDummy\r\n  LayerAlign = dxLayerClient\r\nend\r\n");
  ASSERT_NE(dynamic_cast<TdxScreenDummy*>(dummy.get()), nullptr);
  EXPECT_EQ(static_cast<TdxScreenDummy*>(dummy.get())->LayerAlign(), dxLayerClient);
  auto* s = Add<TdxGUISelection>();
  s->SetGripSize(5);
  const std::string text = SaveDxObjectToText(s);
  EXPECT_THAT(text, ::testing::HasSubstr("GripSize = 5"));
  EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("MinSize")));
  image.reset();
  dummy.reset();
  SceneLibraryShutdown();
}

}  // namespace gui_controls_test
