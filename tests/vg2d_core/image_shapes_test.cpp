// Images, paths and the paint box: the rectangles they hand to the canvas, recorded, the files an
// image loads, the paint box's handler among its children, and the hit tests.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ShapeScene.h"
#include "platform/rtl/CodePage.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/ImageShapes.h"

namespace image_shapes_test {

using namespace vg;

namespace {

class RecordingCanvas : public TvxCanvasGdiPlus {
public:
  using TvxCanvasGdiPlus::TvxCanvasGdiPlus;
  struct Draw {
    TvxRect src, dst;
    bool highSpeed;
  };
  std::vector<Draw> bitmaps;
  std::vector<std::pair<int, int>> tiles;  // columns and rows of each tiled draw
  std::vector<TvxRect> paths;
  void DrawBitmap(TvxBitmap* B, const TvxRect& Src, const TvxRect& Dst, float Opacity, bool HighSpeed) override {
    bitmaps.push_back({Src, Dst, HighSpeed});
    TvxCanvasGdiPlus::DrawBitmap(B, Src, Dst, Opacity, HighSpeed);
  }
  void DrawBitmapTiles(TvxBitmap* B, int Columns, int Rows, float Opacity) override {
    tiles.emplace_back(Columns, Rows);
    TvxCanvasGdiPlus::DrawBitmapTiles(B, Columns, Rows, Opacity);
  }
  void FillPath(TvxPathData* P, const TvxRect& R, float Opacity) override {
    paths.push_back(R);
    TvxCanvasGdiPlus::FillPath(P, R, Opacity);
  }
};

struct Scene {
  Scene() : canvas(120, 60), scene(&canvas), root(new TvxVisualObject(nullptr)) {
    root->Visual()->SetBounds(0, 0, 120, 60);
    scene.AddObject(root.get());
  }
  template <class T> T* Add(T* O, float W, float H) {
    root->AddObject(O);
    O->SetBounds(0, 0, W, H);
    return O;
  }
  void Paint() {
    canvas.bitmaps.clear();
    canvas.tiles.clear();
    canvas.paths.clear();
    canvas.Clear(0);
    scene.dirty.assign(1, MakeRect(0, 0, 120, 60));
    scene.Paint();
  }
  RecordingCanvas canvas;
  vgtest::FakeScene scene;
  TvxObjectPtr root;
};

}  // namespace

TEST(ImageShape, TilesRoundTheCountAndNinePartsKeepTheCorners) {
  Scene s;
  auto* image = s.Add(new TvxImage(nullptr), 25, 25);
  image->Bitmap()->SetSize(10, 10);
  image->SetWrapMode(vgImageTile);
  s.Paint();
  ASSERT_EQ(s.canvas.tiles.size(), 1u);
  EXPECT_EQ(s.canvas.tiles[0], std::make_pair(3, 3));  // 2.5 rounds to 2, bounds inclusive
  image->SetBounds(0, 0, 35, 35);
  s.Paint();
  ASSERT_EQ(s.canvas.tiles.size(), 1u);
  EXPECT_EQ(s.canvas.tiles[0], std::make_pair(5, 5));  // 3.5 rounds to 4
  EXPECT_TRUE(s.canvas.bitmaps.empty()) << "tiles on whole pixels are one fill, the unseen fifth column none";

  image->Bitmap()->SetSize(16, 16);
  image->SetBounds(0, 0, 100, 30);
  image->BitmapMargins()->SetRect(MakeRect(4, 4, 4, 4));
  s.Paint();
  ASSERT_EQ(s.canvas.bitmaps.size(), 9u);
  EXPECT_EQ(s.canvas.bitmaps[0].dst, MakeRect(0, 0, 4, 4));
  EXPECT_EQ(s.canvas.bitmaps[1].src, MakeRect(4, 0, 12, 4));
  EXPECT_EQ(s.canvas.bitmaps[1].dst, MakeRect(4, 0, 96, 4));
  EXPECT_EQ(s.canvas.bitmaps[4].src, MakeRect(4, 4, 12, 12));
  EXPECT_EQ(s.canvas.bitmaps[4].dst, MakeRect(4, 4, 96, 26));
  EXPECT_EQ(s.canvas.bitmaps[8].dst, MakeRect(96, 26, 100, 30));
  for (const auto& d : s.canvas.bitmaps) EXPECT_TRUE(d.highSpeed);
}

// Every tile of Bitmap (nx x ny as the image rounds them) drawn one by one into a 120 x 60
// canvas under M, clipped to the image's W x H: the picture a tiled image must give.
std::vector<uint32_t> EveryTile(TvxBitmap& Bitmap, const TvxMatrix& M, float W, float H) {
  TvxCanvasGdiPlus c(120, 60);
  c.Clear(0);
  c.SetMatrix(M);
  c.IntersectClipRect(MakeRect(0, 0, W, H));
  const float bw = static_cast<float>(Bitmap.Width()), bh = static_cast<float>(Bitmap.Height());
  for (int i = 0; i <= Round(W / bw); ++i)
    for (int j = 0; j <= Round(H / bh); ++j)
      c.DrawBitmap(&Bitmap, MakeRect(0, 0, bw, bh), MakeRect(i * bw, j * bh, (i + 1) * bw, (j + 1) * bh), 1, true);
  return std::vector<uint32_t>(c.BufferBits(), c.BufferBits() + 120 * 60);
}

// A tiled image or path far larger than the canvas draws only what the canvas shows, never
// more often than it has pixels, and shows what drawing every tile shows.
TEST(ImageShape, TilesTheCanvasDoesNotShowAreNotDrawn) {
  vgtest::DefaultCanvas useCanvas;
  Scene s;
  auto* image = s.Add(new TvxImage(nullptr), 600, 600);
  image->Bitmap()->SetSize(1, 1);
  image->Bitmap()->Clear(0xFF336699u);
  image->SetWrapMode(vgImageTile);
  s.Paint();
  EXPECT_LE(s.canvas.bitmaps.size(), 120u * 60u);
  EXPECT_EQ(s.canvas.BufferBits()[59 * 120 + 119], 0xFF336699u);

  // Tiles on whole pixels, magnified, and off them: the same pixels as every tile drawn.
  TvxBitmap& b = *image->Bitmap();
  b.SetSize(3, 2);
  for (int k = 0; k < 6; ++k) b.GetScanline(k / 3)[k % 3] = 0xFF000000u | (0x2A0000u * (k + 1)) | (0x33u * k);
  b.BitmapChanged();
  struct Place {
    float x, y, scale;
  };
  for (const Place p : {Place{3, 2, 1}, Place{3, 2, 2}, Place{3.5f, 2.25f, 1}, Place{-4.5f, -1, 1.5f}}) {
    image->SetBounds(p.x, p.y, 50, 41);
    image->Scale()->SetPoint({p.scale, p.scale});
    s.Paint();
    EXPECT_EQ(std::vector<uint32_t>(s.canvas.BufferBits(), s.canvas.BufferBits() + 120 * 60),
              EveryTile(b, image->GetAbsoluteMatrix(), 50, 41))
        << p.x << ", " << p.y << " at " << p.scale;
  }
  image->SetVisible(false);

  auto* path = s.Add(new TvxPath(nullptr), 600, 600);
  path->Data()->SetData("M 0,0 L 1,0 L 1,1 Z");
  path->SetWrapMode(vgPathTile);
  s.Paint();
  EXPECT_LE(s.canvas.paths.size(), 120u * 60u);
  // Tiles smaller than a pixel: the area they cover is as dense as one of them (half).
  path->Data()->SetData("M 0,0 L 0.1,0 L 0.1,0.1 Z");
  path->Stroke()->SetStyle(vgBrushNone);
  path->SetBounds(0, 0, 40, 20);
  s.Paint();
  EXPECT_LE(s.canvas.paths.size(), 40u * 20u);
  EXPECT_NEAR(s.canvas.BufferBits()[10 * 120 + 20] >> 24, 128, 12);
  EXPECT_EQ(s.canvas.BufferBits()[30 * 120 + 60], 0u) << "nothing beyond the path";
  // A small damaged region shows what the whole paint shows there, tiles of a few pixels too.
  for (const char* data : {"M 0,0 L 0.1,0 L 0.1,0.1 Z", "M 0,0 L 1.5,0 L 1.5,1.5 Z"}) {
    path->Data()->SetData(data);
    s.Paint();
    const uint32_t whole[2] = {s.canvas.BufferBits()[10 * 120 + 20], s.canvas.BufferBits()[10 * 120 + 21]};
    s.canvas.Clear(0);
    s.scene.dirty.assign(1, MakeRect(20, 10, 22, 11));
    s.scene.Paint();
    EXPECT_EQ(s.canvas.BufferBits()[10 * 120 + 20], whole[0]) << data;
    EXPECT_EQ(s.canvas.BufferBits()[10 * 120 + 21], whole[1]) << data;
  }
}

// Drawing only what shows, a tiled image or path is still covered to its far edges, however many
// tiles lie before them; and path tiles below a pixel that leave (almost) nothing cost no more
// than the ones that leave a colour.
TEST(ImageShape, TilesCoverTheFarEdgesAndFaintSmallTilesCostNoMore) {
  vgtest::DefaultCanvas useCanvas;
  Scene s;
  auto* image = s.Add(new TvxImage(nullptr), 10000, 10);
  image->Bitmap()->SetSize(1, 1);
  image->Bitmap()->Clear(0xFF336699u);
  image->SetWrapMode(vgImageTile);
  image->Position()->SetX(-9950);
  s.Paint();
  EXPECT_EQ(s.canvas.BufferBits()[5 * 120 + 10], 0xFF336699u);
  EXPECT_EQ(s.canvas.BufferBits()[5 * 120 + 50], 0u) << "nothing beyond the image";
  image->SetVisible(false);

  auto* path = s.Add(new TvxPath(nullptr), 40, 20);
  path->SetWrapMode(vgPathTile);
  path->Data()->SetData("M 0,0 L 0.1,0 L 0.1,0.1 Z");
  path->Stroke()->SetStyle(vgBrushNone);
  for (const TvxColor faint : {0x01FF0000u, 0u}) {
    path->Fill()->SetSolidColor(faint);
    s.Paint();
    EXPECT_LE(s.canvas.paths.size(), 40u * 20u);
    EXPECT_LE(s.canvas.BufferBits()[10 * 120 + 20] >> 24, 1u);
  }
  // A bitmap fill lies where it lies: small tiles that cover the area show its pattern.
  path->Data()->SetData("M 0,0 L 0.25,0 L 0.25,0.25 L 0,0.25 Z");
  TvxBitmap stripes(2, 1);
  stripes.GetScanline(0)[0] = 0xFFFF0000u;
  stripes.GetScanline(0)[1] = 0xFF0000FFu;
  path->Fill()->SetStyle(vgBrushBitmap);
  path->Fill()->Bitmap()->SetBitmap(&stripes);
  s.Paint();
  EXPECT_LE(s.canvas.paths.size(), 40u * 20u);
  EXPECT_EQ(s.canvas.BufferBits()[10 * 120 + 20], 0xFFFF0000u);
  EXPECT_EQ(s.canvas.BufferBits()[10 * 120 + 21], 0xFF0000FFu);
}

TEST(ImageShape, FitNeverEnlargesAndInterpolationFollowsTheFlag) {
  Scene s;
  auto* image = s.Add(new TvxImage(nullptr), 100, 50);
  s.Paint();
  EXPECT_TRUE(s.canvas.bitmaps.empty());  // an empty bitmap draws nothing
  image->Bitmap()->SetSize(10, 20);
  s.Paint();
  ASSERT_EQ(s.canvas.bitmaps.size(), 1u);
  EXPECT_EQ(s.canvas.bitmaps[0].dst, MakeRect(45, 15, 55, 35));
  EXPECT_FALSE(s.canvas.bitmaps[0].highSpeed);
  image->Bitmap()->SetSize(200, 200);
  image->SetDisableInterpolation(true);
  s.Paint();
  EXPECT_EQ(s.canvas.bitmaps[0].dst, MakeRect(25, 0, 75, 50));
  EXPECT_TRUE(s.canvas.bitmaps[0].highSpeed);
  image->SetWrapMode(vgImageStretch);
  s.Paint();
  EXPECT_EQ(s.canvas.bitmaps[0].dst, MakeRect(0, 0, 100, 50));

  TvxBitmap other(3, 4);
  image->SetData(static_cast<rtl::TObject*>(&other));
  EXPECT_EQ(image->Bitmap()->Width(), 3);
  image->SetData(std::string("/nonexistent/picture.png"));
  EXPECT_EQ(image->Bitmap()->Width(), 3);
}

TEST(ImageShape, SetDataLoadsAFileNamedInWideText) {
  // A file of its own that goes again ("ü" in UTF-8 in its name).
  const std::string name = (std::filesystem::temp_directory_path() /
                            ("gascal_image_set_data_\xC3\xBC_" + std::to_string(::getpid()) + ".png"))
                               .string();
  const TvxFilterClass* saved = DefaultFilterClass;
  DefaultFilterClass = TvxFilterClassOf<TvxFilterGdiPlus>::Instance();
  TvxBitmap picture(5, 3);
  picture.Clear(0xFF336699);
  picture.SaveToFile(name);
  Scene s;
  auto* image = s.Add(new TvxImage(nullptr), 10, 10);
  image->SetData(rtl::Utf8ToWide(name));
  EXPECT_EQ(image->Bitmap()->Width(), 5);
  EXPECT_EQ(image->Bitmap()->Height(), 3);
  image->SetData(std::u16string(u"/nonexistent/picture.png"));
  EXPECT_EQ(image->Bitmap()->Width(), 5);
  DefaultFilterClass = saved;
  std::remove(name.c_str());
}

TEST(PaintBox, ItsHandlerDrawsAfterItsOwnPaintAndUnderItsChildren) {
  Scene s;
  auto* box = s.Add(new TvxPaintBox(nullptr), 100, 50);
  box->SetBounds(10, 5, 100, 50);
  auto* child = new TvxImage(nullptr);
  box->AddObject(child);
  child->SetBounds(0, 0, 20, 20);
  child->Bitmap()->SetSize(4, 4);
  TvxBitmap mark(2, 2);
  int calls = 0;
  box->OnPaint = [&](rtl::TObject* Sender, TvxCanvas* Canvas) {
    ++calls;
    EXPECT_EQ(Sender, box);
    ASSERT_EQ(Canvas, &s.canvas);
    EXPECT_FLOAT_EQ(Canvas->Matrix().m31, 10) << "the box's own coordinates";
    Canvas->DrawBitmap(&mark, MakeRect(0, 0, 2, 2), MakeRect(0, 0, 100, 50), 1, true);
  };
  s.Paint();
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(s.canvas.bitmaps.size(), 2u);
  EXPECT_EQ(s.canvas.bitmaps[0].src, MakeRect(0, 0, 2, 2)) << "the handler's first";
  EXPECT_EQ(s.canvas.bitmaps[1].src, MakeRect(0, 0, 4, 4)) << "the child over it";
  // What component text names OnPaint is the box's own handler.
  EXPECT_EQ(rtl::GetPropInfo(box, "OnPaint"), rtl::GetPropInfo(TvxPaintBox::StaticClass(), "OnPaint"));
  EXPECT_NE(rtl::GetPropInfo(box, "OnPaint"), rtl::GetPropInfo(TvxVisualObject::StaticClass(), "OnPaint"));
}

TEST(PathShape, FitCentresAtTheSameSizeAndAFlatTiledPathIsDrawnOnce) {
  Scene s;
  auto* path = s.Add(new TvxPath(nullptr), 100, 50);
  path->Stroke()->SetStyle(vgBrushNone);
  path->Data()->SetData("M 0,0 L 10,0 L 10,10 Z");
  path->SetWrapMode(vgPathFit);
  s.Paint();
  ASSERT_EQ(s.canvas.paths.size(), 1u);
  EXPECT_EQ(s.canvas.paths[0], MakeRect(45, 20, 55, 30));  // fitting never enlarges
  path->SetWrapMode(vgPathTile);
  s.Paint();
  EXPECT_EQ(s.canvas.paths.size(), 66u);  // (10 + 1) x (5 + 1): every tile that starts inside
  path->Data()->SetData("M 0,5 L 10,5");  // flat: no height to tile by
  s.Paint();
  EXPECT_EQ(s.canvas.paths.size(), 11u);
  path->Data()->SetData("M 5,5 L 5,5");
  s.Paint();
  EXPECT_EQ(s.canvas.paths.size(), 1u);
  EXPECT_EQ(TvxCustomPath::TileCount(1e9f, 1, 1), TvxCustomPath::MaxTiles);
  EXPECT_EQ(TvxCustomPath::TileCount(std::numeric_limits<float>::infinity(), 1, 1), 0);
  EXPECT_EQ(TvxCustomPath::TileCount(std::numeric_limits<float>::quiet_NaN(), 1, 1), 0);
}

TEST(PathShape, HitTestFollowsThePathAtRunTimeAndTheBoundsInDesignMode) {
  Scene s;
  auto* arrow = s.Add(new TvxScrollArrowRight(nullptr), 40, 40);
  arrow->Stroke()->SetStyle(vgBrushNone);
  EXPECT_TRUE(arrow->PointInObject(5, 20));
  EXPECT_FALSE(arrow->PointInObject(35, 5));  // outside the triangle
  s.scene.designTime = true;
  EXPECT_TRUE(arrow->PointInObject(35, 5));
  s.scene.designTime = false;
  s.Paint();
  EXPECT_EQ(s.canvas.paths.size(), 1u);
  EXPECT_EQ(s.canvas.BufferBits()[20 * 120 + 5] >> 24, 0xFFu);
  EXPECT_EQ(s.canvas.BufferBits()[5 * 120 + 35], 0u);
}

}  // namespace image_shapes_test
