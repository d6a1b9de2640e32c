// The polygon fill and the ready-made shapes drawn by the canvas on the OpenGL device, checked
// on the pixels of off-screen frames. With GASCAL_FRAME_DIR set, each frame is also written
// there as a PNG to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "SceneFakes.h"
#include "platform/gfx3d/GlDevice.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/FilterGdiPlus.h"
#include "scene3d/Light.h"
#include "scene3d/Shapes.h"
#include "scene3d/Shapes3D.h"
#include "vg2d/core/Library.h"

namespace shapes_gl_test {

using namespace dx;

namespace {

constexpr int W = 240, H = 240;
constexpr std::uint32_t Background = 0xFF000000;

// Looks from Eye along Dir with Up.
class TView final : public IdxCamera {
public:
  TView(TdxVector Eye, TdxVector Dir, TdxVector Up) {
    m_ = IdentityMatrix;
    const TdxVector right = dxVectorCross(Dir, Up);
    const TdxVector rows[4] = {right, Dir, Up, Eye};
    for (int r = 0; r < 4; ++r) {
      m_.M[r][0] = rows[r].X;
      m_.M[r][1] = rows[r].Y;
      m_.M[r][2] = rows[r].Z;
      m_.M[r][3] = r == 3 ? 1.0f : 0.0f;
    }
  }
  TdxMatrix CameraAbsoluteMatrix() const override { return m_; }
  bool CameraTarget(TdxVector&) const override { return false; }

private:
  TdxMatrix m_;
};

const TView FromFront({0, 0, 12, 1}, {0, 0, -1, 0}, {0, 1, 0, 0});
const TView FromBehind({0, 0, -12, 1}, {0, 0, 1, 0}, {0, 1, 0, 0});
const TView FromBelow({0, -12, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0});

class ShapesGl : public ::testing::Test {
protected:
  void SetUp() override {
    std::string why;
    if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
    dxDirectXStartup(gfx3d::OpenGlDirect3D());
    vg::LibraryStartup();
    frame_ = std::make_unique<TdxBitmap>(W, H);
    canvas_ = std::make_unique<TdxDirectXCanvas>(*frame_);
    ASSERT_TRUE(canvas_->HasDevice());
    host_ = std::make_unique<dxtest::FakeScene>();
    host_->canvas = canvas_.get();
    root_ = new TdxVisualObject(nullptr);
    host_->AddObject(root_);
  }
  void TearDown() override {
    host_.reset();
    canvas_.reset();
    frame_.reset();
    vg::LibraryShutdown();
    dxDirectXShutdown();
  }

  template <class T>
  T* Add() {
    auto* o = new T(nullptr);
    root_->AddObject(o);
    return o;
  }
  static void Unlit(TdxMaterial* M, TdxColor Colour) {
    M->SetLighting(false);
    M->SetDiffuseColor(Colour);
  }

  // One frame as the scene draws it: lights, the fixed states, the clear, the tree.
  void Draw(const IdxCamera& View, const std::string& Name) {
    TdxCanvas& c = *canvas_;
    c.ResetState();
    c.SetLighting(true);
    c.SetAmbientColor(0xFF202020);
    c.SetCamera(const_cast<IdxCamera*>(&View));
    c.SetMatrix(root_->GetAbsoluteMatrix());
    root_->ApplyLights();
    ASSERT_TRUE(c.BeginScene());
    for (TdxRenderState s : {rsGouraudShading, rsCameraSpace, rsDepthWriteOn, rsLightingOn, rsTextureLinear, rsCullCCW})
      c.SetRenderState(s);
    c.Clear(Background);
    c.SetMatrix(root_->GetAbsoluteMatrix());
    root_->BeforePaint();
    root_->Render();
    root_->Paint();
    c.EndScene();
    Save(Name);
  }
  // A polygon straight on the canvas in screen space, unlit, in Colour over the background.
  void DrawPolygon(const std::vector<vg::TvxPoint>& Points, const vg::TvxRect& Rect, const TdxVector& Center,
                   const TdxVector& Size, TdxColor Colour, const std::string& Name) {
    TdxCanvas& c = *canvas_;
    c.ResetState();
    ASSERT_TRUE(c.BeginScene());
    c.SetRenderState(rsScreenSpace);
    c.SetRenderState(rsCullNone);
    c.SetRenderState(rsDepthWriteOn);
    c.Clear(Background);
    TdxMaterial m;
    Unlit(&m, Colour);
    c.SetMaterial(m);
    c.FillPolygon(Center, Size, Rect, Points, 1, true, false, false);
    c.EndScene();
    Save(Name);
  }
  void Save(const std::string& Name) {
    const char* dir = std::getenv("GASCAL_FRAME_DIR");
    if (!dir) return;
    EXPECT_TRUE(TdxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", *frame_, ""));
  }
  std::uint32_t At(int X, int Y) const { return frame_->Bits()[Y * W + X]; }
  static int Red(std::uint32_t C) { return static_cast<int>((C >> 16) & 0xFF); }
  static int Green(std::uint32_t C) { return static_cast<int>((C >> 8) & 0xFF); }
  static int Blue(std::uint32_t C) { return static_cast<int>(C & 0xFF); }
  int Count(std::uint32_t Colour) const {
    int n = 0;
    for (int i = 0; i < W * H; ++i) n += frame_->Bits()[i] == Colour;
    return n;
  }

  std::unique_ptr<TdxBitmap> frame_;
  std::unique_ptr<TdxDirectXCanvas> canvas_;
  std::unique_ptr<dxtest::FakeScene> host_;
  TdxVisualObject* root_ = nullptr;
};

constexpr vg::TvxPoint End{65535, 65535};

TEST_F(ShapesGl, AHoleGivenAsASecondContourStaysOpen) {
  // 0..100 outside, 30..70 inside, spread over 200 x 200 pixels about the middle.
  DrawPolygon({{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}, End, {30, 30}, {70, 30}, {70, 70}, {30, 70}, {30, 30}, End},
              {}, {120, 120, 0, 1}, {200, 200, 0, 0}, 0xFFE02020, "polygon_hole");
  EXPECT_EQ(At(120, 120), Background);               // the hole
  EXPECT_EQ(At(100, 140), Background);
  EXPECT_EQ(At(40, 40), 0xFFE02020u);                // the ring
  EXPECT_EQ(At(200, 120), 0xFFE02020u);
  EXPECT_EQ(At(10, 10), Background);                 // outside
  EXPECT_EQ(At(230, 120), Background);
  // The ring is the outer square less the hole: 200^2 - 80^2 pixels.
  EXPECT_NEAR(Count(0xFFE02020), 200 * 200 - 80 * 80, 900);
}

TEST_F(ShapesGl, APentagramLeavesItsCentrePentagonOpen) {
  std::vector<vg::TvxPoint> star;
  for (int k = 0; k <= 5; ++k) {
    const double a = -M_PI / 2 + (k * 2 % 5) * 2 * M_PI / 5;
    star.push_back({static_cast<float>(100 + 100 * std::cos(a)), static_cast<float>(100 + 100 * std::sin(a))});
  }
  star.push_back(End);
  DrawPolygon(star, {}, {120, 120, 0, 1}, {200, 200, 0, 0}, 0xFF20E020, "polygon_pentagram");
  // The bounds run from the star's points; the centre pentagon lies about the middle.
  EXPECT_EQ(At(120, 125), Background);
  // The top point, a lower point.
  EXPECT_EQ(At(120, 40), 0xFF20E020u);
  EXPECT_EQ(At(70, 188), 0xFF20E020u);
  EXPECT_EQ(At(5, 230), Background);
}

TEST_F(ShapesGl, ARectTwiceTheBoundsPutsThePolygonInItsShareOfTheFace) {
  // The square 0..50 inside the rectangle 0..100: the top left quarter of the 200 pixel face.
  DrawPolygon({{0, 0}, {50, 0}, {50, 50}, {0, 50}, {0, 0}, End}, vg::MakeRect(0, 0, 100, 100), {120, 120, 0, 1},
              {200, 200, 0, 0}, 0xFF2020E0, "polygon_rect");
  EXPECT_EQ(At(70, 70), 0xFF2020E0u);
  EXPECT_EQ(At(170, 70), Background);
  EXPECT_EQ(At(70, 170), Background);
  EXPECT_EQ(At(170, 170), Background);
  EXPECT_NEAR(Count(0xFF2020E0), 100 * 100, 400);
}

TEST_F(ShapesGl, TheCountersOfExtrudedTextStayOpen) {
  auto* t = Add<TdxText3D>();
  t->Font()->SetSize(40);
  t->SetWidth(6);
  t->SetHeight(6);
  t->SetStretch(true);
  t->SetText(u"O");
  Unlit(t->Material(), 0xFFE0C020);
  Unlit(t->MaterialBack(), 0xFFE0C020);
  Unlit(t->MaterialLeft(), 0xFF806010);
  Draw(FromFront, "text3d_o");
  // Across the middle row: background, the ring, the open counter, the ring, background.
  EXPECT_EQ(At(120, 120), Background);
  int left = 0, right = 0;
  for (int x = 0; x < 120; ++x) left += At(x, 120) == 0xFFE0C020u;
  for (int x = 121; x < W; ++x) right += At(x, 120) == 0xFFE0C020u;
  EXPECT_GT(left, 5);
  EXPECT_GT(right, 5);
  EXPECT_EQ(At(2, 120), Background);
  EXPECT_EQ(At(237, 120), Background);
}

TEST_F(ShapesGl, RoundedCornersShowTheBackgroundAndTheBackCapItsOwnColour) {
  auto* r = Add<TdxRectangle3D>();
  r->SetxRadius(1.5f);
  r->SetyRadius(1.5f);
  Unlit(r->Material(), 0xFFD03030);
  Unlit(r->MaterialBack(), 0xFF3030D0);
  Unlit(r->MaterialLeft(), 0xFF30D030);
  Draw(FromFront, "rectangle3d_front");
  // 4 x 4 about the middle, about 48 pixels a unit at this distance.
  const int unit = static_cast<int>(std::lround(120 / (12.5 * std::tan(M_PI / 8))));
  EXPECT_EQ(At(120, 120), 0xFFD03030u);
  EXPECT_EQ(At(120 - 2 * unit + 3, 120), 0xFFD03030u);      // the left edge's middle
  EXPECT_EQ(At(120 - 2 * unit + 3, 120 - 2 * unit + 3), Background);  // the corners
  EXPECT_EQ(At(120 + 2 * unit - 3, 120 + 2 * unit - 3), Background);

  Draw(FromBehind, "rectangle3d_back");
  EXPECT_EQ(At(120, 120), 0xFF3030D0u);

  r->SetxRadius(0);
  r->SetyRadius(0);
  Draw(FromFront, "rectangle3d_square");
  EXPECT_EQ(At(120 - 2 * unit + 3, 120 - 2 * unit + 3), 0xFFD03030u);
}

TEST_F(ShapesGl, EveryTileOfATiledPathShowsItsFrontInTheFrontColour) {
  // Discs of 2 across a 4 x 4 shape: three columns of three rows from its top left corner.
  auto* p = Add<TdxPath3D>();
  p->Path()->AddEllipse(vg::MakeRect(0, 0, 2, 2));
  p->SetWrapMode(vg::vgPathTile);
  Unlit(p->Material(), 0xFFD03030);
  Unlit(p->MaterialBack(), 0xFF3030D0);
  Unlit(p->MaterialLeft(), 0xFF30D030);
  Draw(FromFront, "path3d_tiles");
  const int unit = static_cast<int>(std::lround(120 / (12.5 * std::tan(M_PI / 8))));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(At(120 + (2 * i - 1) * unit, 120 + (2 * j - 1) * unit), 0xFFD03030u) << i << "," << j;
  EXPECT_EQ(At(120, 120), Background);  // where four discs meet
}

// Tiles of 0.02 units, 151 each way, fill a 3 x 3 face to its edges however few pixels it
// spans, where they once filled only its top left corner; and tiles of 0.002 fill a frame that
// looks at the middle of their face close up, where the tiles of that corner showed nothing.
TEST_F(ShapesGl, SmallTilesFillTheFaceThatCanShowThem) {
  auto* p = Add<TdxPath3D>();
  p->Path()->AddRectangle(vg::MakeRect(0, 0, 0.02f, 0.02f), 0, 0, vg::AllCorners, vg::vgCornerRound);
  p->SetWrapMode(vg::vgPathTile);
  p->SetWidth(3);
  p->SetHeight(3);
  p->SetSides({dxShape3DFront});
  Unlit(p->Material(), 0xFFD03030);
  // The face Distance units from the eye, 1.5 units each way from the middle, filled to its
  // bottom right corner.
  const auto filled = [&](float Distance, const std::string& Name) {
    SCOPED_TRACE(Name);
    const TView view({0, 0, Distance + 0.5f, 1}, {0, 0, -1, 0}, {0, 1, 0, 0});
    Draw(view, Name);
    const int half = static_cast<int>(1.5 * 120 / (Distance * std::tan(M_PI / 8)));
    int inside = 0, face = 0;
    for (int y = 120 - half + 2; y < 120 + half - 2; ++y)
      for (int x = 120 - half + 2; x < 120 + half - 2; ++x) {
        ++inside;
        face += At(x, y) == 0xFFD03030u;
      }
    EXPECT_GT(face, inside * 98 / 100);
    EXPECT_EQ(At(120 + half - 3, 120 + half - 3), 0xFFD03030u) << "the bottom right corner of the face";
  };
  // 4 units away the face is about 218 pixels across; 8 units away, about 108, its 151 tiles
  // under a pixel each.
  filled(4, "path3d_small_tiles");
  filled(8, "path3d_small_tiles_far");
  // About 43 and 17 pixels across.
  filled(20, "path3d_small_tiles_farther");
  filled(50, "path3d_small_tiles_farthest");

  // 1,501 tiles each way over some 830 pixels, of which the frame shows the middle 240.
  p->Path()->Clear();
  p->Path()->AddRectangle(vg::MakeRect(0, 0, 0.002f, 0.002f), 0, 0, vg::AllCorners, vg::vgCornerRound);
  Draw(TView({0, 0, 1.55f, 1}, {0, 0, -1, 0}, {0, 1, 0, 0}), "path3d_small_tiles_close");
  EXPECT_EQ(Count(0xFFD03030u), W * H) << "the face fills the frame";
}

// A tiled path draws its tiles together, each outline thinned to what its 15 pixels can show;
// seen from above, faces and walls, it looks as its tiles drawn one by one at their full 2,000
// points each: the same pixels of each colour, give or take the odd pixel along an edge.
TEST_F(ShapesGl, ATiledPathLooksAsItsTilesDrawnOneByOne) {
  constexpr TdxColor Face = 0xFFD03030, Back = 0xFF3030D0, Wall = 0xFF30D030;
  const auto colour = [&](TdxShape3D* S) {
    Unlit(S->Material(), Face);
    Unlit(S->MaterialBack(), Back);
    Unlit(S->MaterialLeft(), Wall);
    S->SetDepth(0.5f);
  };
  vg::TvxPathData circle;
  constexpr int Points = 2000;
  for (int k = 0; k < Points; ++k) {
    const double a = 2 * M_PI * k / Points;
    const vg::TvxPoint p{static_cast<float>(0.25 * (1 + std::cos(a))), static_cast<float>(0.25 * (1 + std::sin(a)))};
    if (k == 0)
      circle.MoveTo(p);
    else
      circle.LineTo(p);
  }
  circle.ClosePath();
  // Nine by nine tiles half a unit across from the top left corner of 4 x 4.
  auto* tiled = Add<TdxPath3D>();
  tiled->SetPath(&circle);
  tiled->SetWrapMode(vg::vgPathTile);
  tiled->SetWidth(4);
  tiled->SetHeight(4);
  colour(tiled);
  std::vector<TdxPath3D*> single;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 9; ++j) {
      auto* t = Add<TdxPath3D>();
      t->SetPath(&circle);
      t->SetWrapMode(vg::vgPathOriginal);
      t->Position()->SetPoint({0.5f * static_cast<float>(i) + 0.25f - 2, 2 - 0.5f * static_cast<float>(j) - 0.25f, 0});
      colour(t);
      t->SetVisible(false);
      single.push_back(t);
    }
  const TView fromAbove({0, -4.5f, 7.8f, 1}, {0, 0.5f, -0.866f, 0}, {0, 0.866f, 0.5f, 0});
  Draw(fromAbove, "path3d_tiles_together");
  const std::vector<std::uint32_t> together(frame_->Bits(), frame_->Bits() + W * H);
  tiled->SetVisible(false);
  for (TdxPath3D* t : single) t->SetVisible(true);
  Draw(fromAbove, "path3d_tiles_one_by_one");
  int differ = 0, covered = 0;
  for (int i = 0; i < W * H; ++i) {
    differ += together[size_t(i)] != frame_->Bits()[i];
    covered += frame_->Bits()[i] != Background;
  }
  for (const TdxColor c : {Face, Wall}) {
    const auto n = std::count(together.begin(), together.end(), c);
    EXPECT_GT(Count(c), 1000) << dxColorToText(c);
    EXPECT_NEAR(static_cast<double>(n), Count(c), 0.03 * Count(c)) << dxColorToText(c);
  }
  EXPECT_LT(differ, covered / 50);
}

TEST_F(ShapesGl, ALitSphereIsRoundAndBrighterInTheMiddle) {
  auto* light = Add<TdxLight>();
  // Shining along -Z, from the viewer's side.
  light->RotateAngle()->SetX(90);
  auto* s = Add<TdxSphere>();
  s->SetWidth(4);
  s->SetHeight(4);
  s->SetDepth(4);
  s->Material()->SetDiffuseColor(0xFFC0C0C0);
  Draw(FromFront, "sphere_lit");
  ASSERT_LT(light->AbsoluteDirection().Z, -0.99f);
  const int middle = Green(At(120, 120));
  // The edge in eight directions lies at one radius.
  std::vector<double> radii;
  for (int k = 0; k < 8; ++k) {
    const double a = k * M_PI / 4;
    int r = 0;
    while (r < 119 && At(120 + static_cast<int>(std::lround(r * std::cos(a))),
                         120 + static_cast<int>(std::lround(r * std::sin(a)))) != Background)
      ++r;
    radii.push_back(r);
  }
  for (double r : radii) EXPECT_NEAR(r, radii[0], 3);
  EXPECT_GT(radii[0], 30);
  const int rim = Green(At(120 + static_cast<int>(radii[0]) - 3, 120));
  EXPECT_GT(middle, 0x90);
  EXPECT_GT(middle, rim + 0x30) << middle << " " << rim;
}

TEST_F(ShapesGl, EverySolidShowsItsLitOutside) {
  // Seen and lit from the front, a little from above and the right: a solid whose outside were
  // culled would leave the background, one whose normals pointed in would stay at the ambient
  // grey.
  const TdxVector eye{5, 4, 10, 1};
  const TdxVector dir = dxVectorNormalize(dxVectorScale(eye, -1));
  const TdxVector up = dxVectorNormalize(dxVectorCross(dxVectorCross(dir, {0, 1, 0, 0}), dir));
  const TView oblique(eye, {dir.X, dir.Y, dir.Z, 0}, {up.X, up.Y, up.Z, 0});
  auto* light = Add<TdxLight>();
  TdxMatrix m = IdentityMatrix;
  for (int k = 0; k < 3; ++k) m.M[1][k] = (&dir.X)[k];
  const std::vector<std::pair<std::string, TdxCustomMesh*>> solids = {
      {"cube", Add<TdxCube>()},         {"sphere", Add<TdxSphere>()}, {"cylinder", Add<TdxCylinder>()},
      {"cone", Add<TdxCone>()},         {"roundcube", Add<TdxRoundCube>()}, {"plane", Add<TdxPlane>()}};
  for (const auto& [name, solid] : solids) {
    for (const auto& [other, o] : solids) o->SetVisible(o == solid);
    solid->SetWidth(4);
    solid->SetHeight(4);
    solid->SetDepth(4);
    solid->Material()->SetDiffuseColor(0xFF606060);
    // Shining along the view, set after the changes that make the tree place its objects anew.
    light->SetAbsoluteMatrix(m);
    Draw(oblique, "solid_" + name);
    // The ambient light alone gives 0x33.
    EXPECT_GT(Green(At(120, 120)), 0x48) << name;
  }
}

TEST_F(ShapesGl, APictureShowsItsBitmapAndAnEmptyOneNothing) {
  auto* image = Add<TdxImage>();
  Draw(FromBelow, "image_empty");
  EXPECT_EQ(Count(Background), W * H);

  // Quarters of red (top left), green, blue and white.
  std::uint32_t* bits = nullptr;
  image->Bitmap()->SetSize(16, 16);
  ASSERT_TRUE(image->Bitmap()->Map(bits, true));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) bits[y * 16 + x] = y < 8 ? (x < 8 ? 0xFFFF0000 : 0xFF00FF00) : (x < 8 ? 0xFF0000FF : 0xFFFFFFFF);
  image->Bitmap()->Unmap();
  Draw(FromBelow, "image");
  // 4 x 3 about the middle; the quarters' middles are a unit from it.
  const int unit = static_cast<int>(std::lround(120 / (12 * std::tan(M_PI / 8))));
  EXPECT_EQ(At(120 - unit, 120 - unit), 0xFFFF0000u);
  EXPECT_EQ(At(120 + unit, 120 - unit), 0xFF00FF00u);
  EXPECT_EQ(At(120 - unit, 120 + unit), 0xFF0000FFu);
  EXPECT_EQ(At(120 + unit, 120 + unit), 0xFFFFFFFFu);
  EXPECT_EQ(At(120, 120 - 2 * unit), Background);
}

}  // namespace

}  // namespace shapes_gl_test
