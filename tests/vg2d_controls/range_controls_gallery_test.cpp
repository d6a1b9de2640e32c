// The tracks, scroll bars, progress bars, spinners, angle buttons, splitter and tab
// controls in their built-in styles, plain on a light ground and Hud on a dark one, in
// their states (normal, hover, focused, pressed, disabled), drawn into one picture and
// compared with the reference picture in the test data folder. The picture is also written
// in the build tree's test-output folder (range_controls_gallery.png) for a look;
// GASCAL_UPDATE_GALLERY=1 writes a new reference.
#include <gtest/gtest.h>

#include <string>

#include "ControlScene.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Shapes.h"

namespace range_controls_gallery_test {

using namespace vg;

namespace {

constexpr int GalleryWidth = 640;
constexpr int GalleryHeight = 300;

class RangeGallery : public vgtest::ControlsTest {
protected:
  // One family of controls in a scene of its own (each shows its own focus), over a
  // ground of Ground.
  template <class Track, class Bar, class TrackBar, class Angle, class Tabs, class Item>
  void Family(vgtest::ControlScene& S, TvxColor Ground) {
    const float Left = 0;
    auto* ground = new TvxRectangle(nullptr);
    ground->Fill()->SetSolidColor(Ground);
    ground->Stroke()->SetStyle(vgBrushNone);
    S.root->AddObject(ground);
    ground->SetBounds(0, 0, GalleryWidth / 2.0f, GalleryHeight);

    auto* track = S.Add(new Track(nullptr), Left + 10, 10);
    track->SetValue(30);
    auto* hovered = S.Add(new TrackBar(nullptr), Left + 10, 35);
    hovered->SetValue(55);
    auto* focused = S.Add(new TrackBar(nullptr), Left + 10, 60);
    focused->SetValue(80);
    focused->SetFocus();
    auto* disabled = S.Add(new TrackBar(nullptr), Left + 10, 85);
    disabled->SetValue(20);
    disabled->SetEnabled(false);

    auto* bar = S.Add(new Bar(nullptr), Left + 130, 10);
    bar->SetViewportSize(30);
    bar->SetValue(40);
    auto* vbar = S.Add(new Bar(nullptr), Left + 290, 10);
    vbar->SetOrientation(vgVertical);
    vbar->SetBounds(Left + 290, 10, 18, 150);
    vbar->SetViewportSize(20);
    vbar->SetValue(60);
    auto* small = S.Add(new TvxSmallScrollBar(nullptr), Left + 130, 40);
    small->SetViewportSize(50);
    small->SetValue(25);

    auto* progress = S.Add(new TvxProgressBar(nullptr), Left + 130, 60);
    progress->SetWidth(150);
    progress->SetValue(60);
    auto* vprogress = S.Add(new TvxProgressBar(nullptr), Left + 260, 90);
    vprogress->SetOrientation(vgVertical);
    vprogress->SetBounds(Left + 260, 90, 20, 70);
    vprogress->SetValue(35);

    auto* spin = S.Add(new TvxAniIndicator(nullptr), Left + 130, 90);
    spin->SetBounds(Left + 130, 90, 37, 37);
    spin->SetEnabled(true);
    auto* dots = S.Add(new TvxAniIndicator(nullptr), Left + 175, 90);
    dots->SetBounds(Left + 175, 90, 37, 37);
    dots->SetStyle(vgAniIndicatorCircle);

    auto* angle = S.Add(new Angle(nullptr), Left + 220, 90);
    angle->SetValue(45);
    auto* shown = S.Add(new Angle(nullptr), Left + 220, 130);
    shown->SetValue(-120);
    shown->SetShowValue(true);

    auto* splitter = S.Add(new TvxSplitter(nullptr), Left + 10, 110);
    splitter->SetAlign(vaNone);
    splitter->SetBounds(Left + 10, 110, 5, 50);

    auto* tabs = S.Add(new Tabs(nullptr), Left + 10, 170);
    tabs->SetBounds(Left + 10, 170, 300, 120);
    for (const char16_t* caption : {u"Setup", u"Graph", u"Map"}) {
      auto* item = new Item(nullptr);
      item->SetText(caption);
      auto* page = new TvxRectangle(nullptr);
      page->Fill()->SetStyle(vgBrushNone);
      page->Stroke()->SetStyle(vgBrushNone);
      tabs->AddObject(page);
      item->SetLayout(page);
      tabs->AddObject(item);
    }
    tabs->SetItemIndex(1);

    // Hover: the mouse over the second track bar's thumb; pressed: a scroll arrow held.
    S.PaintAll();
    TvxThumb* thumb = hovered->Thumb();
    ASSERT_NE(thumb, nullptr);
    const TvxPoint over = thumb->LocalToAbsolute({thumb->Width() / 2, thumb->Height() / 2});
    S.scene.MouseMove({}, over.X, over.Y);
    S.scene.MouseMove({}, over.X, over.Y);
    auto* arrow = dynamic_cast<TvxVisualObject*>(bar->FindResource("rightbutton"));
    ASSERT_NE(arrow, nullptr);
    arrow->MouseDown(rtl::mbLeft, {rtl::ssLeft}, 5, 5);
    S.PaintAll();
  }
};

}  // namespace

TEST_F(RangeGallery, MatchesTheReferencePicture) {
  constexpr int half = GalleryWidth / 2;
  vgtest::ControlScene plain(half, GalleryHeight), hud(half, GalleryHeight);
  Family<TvxTrack, TvxScrollBar, TvxTrackBar, TvxAngleButton, TvxTabControl, TvxTabItem>(plain, 0xFFF0F0F0u);
  Family<TvxHudTrack, TvxHudScrollBar, TvxHudTrackBar, TvxHudAngleButton, TvxHudTabControl, TvxHudTabItem>(hud,
                                                                                                           0xFF202020u);
  clock.Advance(400);  // the state animations settle (the spinner is a 25th of a turn on)
  plain.PaintAll();
  hud.PaintAll();

  TvxBitmap picture(GalleryWidth, GalleryHeight);
  for (int y = 0; y < GalleryHeight; ++y)
    for (int x = 0; x < half; ++x) {
      picture.Bits()[y * GalleryWidth + x] = plain.At(x, y);
      picture.Bits()[y * GalleryWidth + half + x] = hud.At(x, y);
    }
  vgtest::ExpectReferencePicture(picture, "range_controls_gallery.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace range_controls_gallery_test
