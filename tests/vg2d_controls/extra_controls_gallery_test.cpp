// The extra controls in their built-in styles drawn into one picture and compared with the
// reference picture in the test data folder: picture buttons on their background brushes,
// a drop zone, a plot grid, a picture viewer zoomed in and an image list with file names.
// The picture is also written in the build tree's test-output folder (extra_controls_gallery.png) for a
// look; GASCAL_UPDATE_GALLERY=1 writes a new reference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ControlScene.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/ExtraControls.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Shapes.h"

namespace extra_controls_gallery_test {

using namespace vg;

namespace {

constexpr int GalleryWidth = 640;
constexpr int GalleryHeight = 300;

// A picture of W x H: a dark ground with a lighter diagonal band and a frame.
void Paint(TvxBitmap& B, int W, int H, TvxColor Ground, TvxColor Band) {
  B.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool band = std::abs(x * H / W - y) < H / 6;
      const bool frame = x < 2 || y < 2 || x >= W - 2 || y >= H - 2;
      B.Bits()[y * W + x] = frame ? 0xFF202020u : band ? Band : Ground;
    }
}

class ExtraGallery : public vgtest::ControlsTest {};

}  // namespace

TEST_F(ExtraGallery, MatchesTheReferencePicture) {
  vgtest::ControlScene s(GalleryWidth, GalleryHeight);
  auto* ground = new TvxRectangle(nullptr);
  ground->Fill()->SetSolidColor(0xFFE8E8E8u);
  ground->Stroke()->SetStyle(vgBrushNone);
  s.root->AddObject(ground);
  ground->SetBounds(0, 0, GalleryWidth, GalleryHeight);

  // Picture buttons with the glyph in the middle, one hovered.
  const TvxColor colours[] = {0xFF2E7D32u, 0xFF1565C0u, 0xFFC62828u};
  const char16_t* names[] = {u"Gas", u"Petrol", u"Automat"};
  for (int i = 0; i < 3; ++i) {
    auto* b = s.Add(new TvxIPhoneButton(nullptr), 10.0f + i * 70, 10);
    b->SetText(names[i]);
    b->SetBitmapLayout(vgGlyphCenter);
    b->SetBounds(10.0f + i * 70, 10, 60, 74);
    b->SetBitmapSize(32);
    TvxBitmap glyph;
    Paint(glyph, 32, 32, 0xFFFFFFFFu, 0xFFFFD54Fu);
    b->SetBitmap(&glyph);
    b->Background()->SetSolidColor(colours[i]);
  }
  auto* drop = s.Add(new TvxDropTarget(nullptr), 10, 100);
  drop->SetText(u"Drop a .cfg file here");

  auto* grid = s.Add(new TvxPlotGrid(nullptr), 140, 100);
  grid->SetBounds(140, 100, 120, 120);
  grid->SetFrequency(6);
  grid->SetMarks(5);

  auto* viewer = s.Add(new TvxImageViewer(nullptr), 280, 10);
  viewer->SetBounds(280, 10, 170, 140);
  TvxBitmap picture;
  Paint(picture, 80, 60, 0xFF37474Fu, 0xFF80CBC4u);
  viewer->SetBitmap(&picture);
  viewer->SetShowBackground(true);
  viewer->BackgroundFill()->SetSolidColor(0xFFFFFFFFu);
  auto* zoomed = s.Add(new TvxImageViewer(nullptr), 280, 160);
  zoomed->SetBounds(280, 160, 170, 130);
  zoomed->SetBitmap(&picture);
  zoomed->SetBitmapScale(2.5f);

  auto* list = s.Add(new TvxImageListBox(nullptr), 460, 10);
  list->SetBounds(460, 10, 170, 280);
  list->SetShowFileName(true);
  list->SetItemHeight(90);
  const char16_t* files[] = {u"C:\\Cars\\Golf.png", u"C:\\Cars\\Astra.png", u"D:Octavia.png"};
  for (int i = 0; i < 3; ++i) {
    auto* item = new TvxImageListBoxItem(nullptr);
    item->SetTagString(files[i]);
    item->SetHeight(90);
    list->AddObject(item);
    auto* thumb = new TvxImage(nullptr);
    TvxBitmap t;
    Paint(t, 60, 40, colours[i], 0xFFFFFFFFu);
    thumb->SetBitmap(&t);
    thumb->SetAlign(vaClient);
    thumb->Padding()->SetRect(MakeRect(4, 4, 4, 20));
    thumb->SetHitTest(false);
    item->AddObject(thumb);
    item->SetTagObject(thumb);
  }
  list->SetItemIndex(1);
  s.PaintAll();
  s.scene.MouseMove({}, 110, 40);  // over the middle button
  clock.Advance(400);
  s.PaintAll();

  TvxBitmap drawn(GalleryWidth, GalleryHeight);
  for (int y = 0; y < GalleryHeight; ++y)
    for (int x = 0; x < GalleryWidth; ++x) drawn.Bits()[y * GalleryWidth + x] = s.At(x, y);
  vgtest::ExpectReferencePicture(drawn, "extra_controls_gallery.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace extra_controls_gallery_test
