// The colour editors, gradient editor, expander and popup box in their built-in styles,
// plain on a light ground and Hud on a dark one, drawn into one picture and compared with
// the reference picture in the test data folder. The picture is also written next to the
// test program (color_gallery.png) for a look; GASCAL_UPDATE_GALLERY=1 writes a new
// reference.
#include <gtest/gtest.h>

#include <string>

#include "ControlScene.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/GradientEditor.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Shapes.h"

namespace color_gallery_test {

using namespace vg;

namespace {

constexpr int GalleryWidth = 640;
constexpr int GalleryHeight = 320;

class ColorGallery : public vgtest::ControlsTest {
protected:
  template <class Hue, class Alpha, class BW, class Popup>
  void Family(vgtest::ControlScene& S, uint32_t Ground) {
    auto* ground = S.Add(new TvxRectangle(nullptr), 0, 0);
    ground->SetBounds(0, 0, 320, GalleryHeight);
    ground->Fill()->SetSolidColor(Ground);
    ground->Stroke()->SetStyle(vgBrushNone);

    auto* hue = S.Add(new Hue(nullptr), 10, 10);
    hue->SetBounds(10, 10, 140, 20);
    auto* alpha = S.Add(new Alpha(nullptr), 10, 35);
    alpha->SetBounds(10, 35, 140, 20);
    alpha->SetValue(0.4f);
    auto* bw = S.Add(new BW(nullptr), 10, 60);
    bw->SetBounds(10, 60, 140, 20);

    auto* quad = S.Add(new TvxColorQuad(nullptr), 170, 15);
    quad->SetBounds(170, 15, 100, 80);
    auto* picker = S.Add(new TvxColorPicker(nullptr), 280, 15);
    picker->SetBounds(280, 15, 20, 80);
    auto* box = S.Add(new TvxColorBox(nullptr), 170, 105);
    box->SetBounds(170, 105, 60, 20);
    quad->SetColorBox(box);
    picker->SetColorQuad(quad);
    picker->SetColor(0xA0E04020);

    auto* gradient = S.Add(new TvxGradientEdit(nullptr), 10, 90);
    gradient->SetBounds(10, 90, 150, 26);
    auto* red = static_cast<TvxGradientPoint*>(gradient->Gradient()->Points()->Insert(1));
    red->SetIntColor(0x80FF0000);
    red->SetOffset(0.4f);
    gradient->Gradient()->Change();
    gradient->SetCurrentPoint(1);

    auto* panel = S.Add(new TvxColorPanel(nullptr), 10, 135);
    panel->SetColor("#C02080F0");

    auto* expander = S.Add(new TvxExpander(nullptr), 170, 135);
    expander->SetBounds(170, 135, 130, 90);
    expander->SetText(u"Expander");
    expander->SetShowCheck(true);
    auto* label = new TvxLabel(nullptr);
    label->SetText(u"inside");
    label->SetBounds(10, 10, 80, 20);
    expander->AddObject(label);
    auto* folded = S.Add(new TvxExpander(nullptr), 170, 235);
    folded->SetBounds(170, 235, 130, 90);
    folded->SetText(u"Folded");
    folded->SetIsExpanded(false);

    auto* popup = S.Add(new Popup(nullptr), 170, 275);
    popup->SetWidth(100);
    popup->Items()->Add(u"Linear");
    popup->Items()->Add(u"Radial");
    popup->SetItemIndex(0);
    S.PaintAll();
  }
};

}  // namespace

TEST_F(ColorGallery, MatchesTheReferencePicture) {
  constexpr int half = GalleryWidth / 2;
  vgtest::ControlScene plain(half, GalleryHeight), hud(half, GalleryHeight);
  Family<TvxHueTrackBar, TvxAlphaTrackBar, TvxBWTrackBar, TvxPopupBox>(plain, 0xFFF0F0F0u);
  Family<TvxHudHueTrackBar, TvxHudAlphaTrackBar, TvxHudBWTrackBar, TvxHudPopupBox>(hud, 0xFF202020u);
  clock.Advance(400);
  plain.PaintAll();
  hud.PaintAll();

  TvxBitmap picture(GalleryWidth, GalleryHeight);
  for (int y = 0; y < GalleryHeight; ++y)
    for (int x = 0; x < half; ++x) {
      picture.Bits()[y * GalleryWidth + x] = plain.At(x, y);
      picture.Bits()[y * GalleryWidth + half + x] = hud.At(x, y);
    }
  vgtest::ExpectReferencePicture(picture, "color_gallery.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace color_gallery_test
