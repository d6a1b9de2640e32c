// The colour track bars, quad, picker and box driven through the host: generated pictures,
// clamped components and their change reports, the links between picker, quad and box, and
// the mouse over and beyond the field.
#include <gtest/gtest.h>

#include <vector>

#include "ControlScene.h"
#include "vg2d/controls/ColorControls.h"
#include "vg2d/core/Shapes.h"

namespace color_controls_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class ColorControls : public vgtest::ControlsTest {
protected:
  void Press(ControlScene& S, float X, float Y) { S.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, X, Y); }
  void Move(ControlScene& S, float X, float Y) { S.scene.MouseMove({rtl::ssLeft}, X, Y); }
  void Release(ControlScene& S, float X, float Y) { S.scene.MouseUp(rtl::mbLeft, {}, X, Y); }
};

uint8_t Red(uint32_t C) { return RedOf(C); }

}  // namespace

TEST_F(ColorControls, TrackBarsFillTheirBackgroundWithAPictureMadeOnlyWhenItsSizeChanges) {
  ControlScene s;
  auto* hue = s.Add(new TvxHueTrackBar(nullptr), 10, 10);
  hue->SetBounds(10, 10, 200, 15);
  hue->Realign();
  EXPECT_EQ(hue->Max(), 1.0f);
  EXPECT_EQ(hue->Value(), 0.5f);
  TvxBitmap* picture = hue->Picture();
  ASSERT_NE(picture, nullptr);
  auto* background = dynamic_cast<TvxShape*>(hue->FindResource("background"));
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(picture->Width(), static_cast<int>(background->Width()));
  EXPECT_EQ(picture->Height(), static_cast<int>(background->Height()));
  EXPECT_EQ(background->Fill()->Style(), vgBrushBitmap);
  EXPECT_EQ(background->Fill()->Bitmap()->Bitmap()->Width(), picture->Width());
  // Hue 0 at the left end, saturation 0.9 and lightness 0.5.
  EXPECT_EQ(picture->GetScanline(0)[0], 0xFFF20D0Du);
  const int half = picture->Width() / 2;
  EXPECT_EQ(picture->GetScanline(0)[half], HSLToRGB(static_cast<float>(half) / picture->Width(), 0.9f, 0.5f));
  hue->Realign();
  EXPECT_EQ(hue->Picture(), picture);  // same size: kept
  hue->SetWidth(120);
  hue->Realign();
  ASSERT_NE(hue->Picture(), nullptr);
  EXPECT_EQ(hue->Picture()->Width(), static_cast<int>(background->Width()));

  // Vertical: the hue runs down the rows.
  auto* vertical = s.Add(new TvxHueTrackBar(nullptr), 250, 10);
  vertical->SetOrientation(vgVertical);
  vertical->SetBounds(250, 10, 15, 200);
  vertical->Realign();
  TvxBitmap* strip = vertical->Picture();
  ASSERT_NE(strip, nullptr);
  const int middle = strip->Height() / 2;
  EXPECT_EQ(strip->GetScanline(middle)[0], HSLToRGB(static_cast<float>(middle) / strip->Height(), 0.9f, 0.5f));
  EXPECT_EQ(strip->GetScanline(0)[0], strip->GetScanline(0)[strip->Width() - 1]);

  auto* bw = s.Add(new TvxBWTrackBar(nullptr), 10, 40);
  bw->SetBounds(10, 40, 200, 15);
  bw->Realign();
  ASSERT_NE(bw->Picture(), nullptr);
  const int w = bw->Picture()->Width();
  EXPECT_EQ(bw->Picture()->GetScanline(0)[0], 0xFF000000u);
  const auto mid = static_cast<uint8_t>(Round(static_cast<double>(static_cast<float>(w / 2) / w) * 255));
  EXPECT_EQ(bw->Picture()->GetScanline(0)[w / 2], MakeColor(mid, mid, mid));
}

TEST_F(ColorControls, TheAlphaBarShowsACheckerboardUnderAWhiteRampAndAStyleWithoutBackgroundShowsNone) {
  ControlScene s;
  auto* alpha = s.Add(new TvxAlphaTrackBar(nullptr), 10, 10);
  alpha->SetBounds(10, 10, 200, 15);
  alpha->Realign();
  EXPECT_EQ(alpha->Value(), 1.0f);
  TvxBitmap* p = alpha->Picture();
  ASSERT_NE(p, nullptr);
  const uint32_t* row = p->GetScanline(0);
  EXPECT_EQ(row[0], 0xFFFFFFFFu);                // white cell, ramp transparent
  EXPECT_LT(Red(row[3]), 0xA8);                  // grey cell, ramp still faint
  EXPECT_EQ(AlphaOf(row[3]), 0xFF);              // every pixel opaque
  const int last = p->Width() - 1;
  const int greyColumn = ((last / 3) % 2 == 1) ? last : last - 3;
  EXPECT_GT(Red(row[greyColumn]), 0xF0);         // grey cell under the nearly opaque end
  EXPECT_LT(Red(p->GetScanline(3)[0]), 0xA8);    // the cell below a white one is grey

  auto* plain = new TvxHueTrackBar(nullptr);
  plain->SetResource("trackstyle");  // a track style with no part "background"
  s.Add(plain, 10, 40);
  EXPECT_NE(plain->Thumb(), nullptr);
  EXPECT_EQ(plain->FindResource("background"), nullptr);
  // The picture made under the constructor's style is left alone: no background to follow.
  const TvxBitmap* before = plain->Picture();
  const int beforeWidth = before ? before->Width() : -1;
  plain->SetWidth(60);
  plain->Realign();
  EXPECT_EQ(plain->Picture(), before);
  EXPECT_EQ(before ? before->Width() : -1, beforeWidth);
}

TEST_F(ColorControls, AQuadClampsItsComponentsReportsRealChangesAndFeedsItsColourBox) {
  ControlScene s;
  auto* quad = s.Add(new TvxColorQuad(nullptr), 20, 20);
  quad->SetBounds(20, 20, 100, 100);
  auto* box = s.Add(new TvxColorBox(nullptr), 150, 20);
  int changes = 0;
  quad->OnChange = [&](rtl::TObject*) { ++changes; };
  quad->SetColorBox(box);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(box->Color(), 0xFF000000u);  // lightness 0, alpha 1

  quad->SetHue(1.5f);
  EXPECT_EQ(quad->Hue(), 1.0f);
  quad->SetSat(-2);
  EXPECT_EQ(quad->Sat(), 0.0f);
  EXPECT_EQ(changes, 2);
  quad->SetSat(0);  // the value already stored
  EXPECT_EQ(changes, 2);

  quad->SetHue(0);
  quad->SetSat(1);
  quad->SetLum(0.5f);
  EXPECT_EQ(box->Color(), 0xFFFF0000u);
  s.scene.dirty.clear();
  quad->SetAlpha(0.5f);
  EXPECT_EQ(box->Color(), 0x80FF0000u);  // Round(127.5) is 128
  EXPECT_FALSE(s.scene.Covered(MakeRect(20, 20, 120, 120)));  // the field does not repaint for alpha
  quad->SetLum(0.25f);
  EXPECT_TRUE(s.scene.Covered(MakeRect(20, 20, 120, 120)));

  delete box;
  EXPECT_EQ(quad->ColorBox(), nullptr);
  quad->SetLum(0.75f);  // no box to feed any more
}

TEST_F(ColorControls, TheQuadTakesTheMouseAroundItsMarkerAndPinsDragsToItsEdges) {
  ControlScene s;
  auto* quad = s.Add(new TvxColorQuad(nullptr), 20, 20);
  quad->SetBounds(20, 20, 100, 100);
  std::vector<float> seen;
  quad->OnChange = [&](rtl::TObject*) { seen.push_back(quad->Lum()); };

  EXPECT_TRUE(quad->PointInObject(16, 16));    // 4 units beyond the corner
  EXPECT_FALSE(quad->PointInObject(15, 60));   // 5 units beyond: outside
  EXPECT_FALSE(quad->PointInObject(60, 125));

  // A click without movement selects the clicked point: lightness first, then saturation.
  Press(s, 45, 95);
  Release(s, 45, 95);
  EXPECT_FLOAT_EQ(quad->Sat(), 0.25f);
  EXPECT_FLOAT_EQ(quad->Lum(), 0.25f);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_FLOAT_EQ(seen[0], 0.25f);

  Press(s, 60, 60);
  Move(s, 400, -300);
  EXPECT_EQ(quad->Sat(), 1.0f);
  EXPECT_EQ(quad->Lum(), 1.0f);
  Release(s, 400, -300);
  Move(s, 60, 60);  // released: no longer dragging
  EXPECT_EQ(quad->Sat(), 1.0f);

  // A side of length 0 leaves its component alone.
  quad->SetWidth(0);
  Press(s, 20, 70);
  Release(s, 20, 70);
  EXPECT_EQ(quad->Sat(), 1.0f);
  EXPECT_FLOAT_EQ(quad->Lum(), 0.5f);
}

TEST_F(ColorControls, APickerLoadsAColourIntoItselfAndItsQuadAndDrivesTheQuadsHue) {
  ControlScene s;
  auto* quad = s.Add(new TvxColorQuad(nullptr), 20, 20);
  quad->SetBounds(20, 20, 100, 100);
  auto* picker = s.Add(new TvxColorPicker(nullptr), 130, 20);
  picker->SetBounds(130, 20, 20, 100);
  picker->SetColorQuad(quad);
  int changes = 0;
  quad->OnChange = [&](rtl::TObject*) { ++changes; };

  picker->SetColor(0x80FF0000);  // half-transparent red
  EXPECT_EQ(picker->Hue(), 0.0f);
  EXPECT_FLOAT_EQ(quad->Alpha(), 128.0f / 255);
  EXPECT_EQ(quad->Sat(), 1.0f);
  EXPECT_EQ(quad->Lum(), 0.5f);
  EXPECT_EQ(changes, 3);  // alpha, saturation and lightness changed; the hue was 0 already

  changes = 0;
  picker->SetColor(0xFF808080);  // grey: saturation 0, hue 0
  EXPECT_EQ(quad->Sat(), 0.0f);
  EXPECT_EQ(quad->Hue(), 0.0f);
  EXPECT_EQ(changes, 3);  // alpha, saturation and lightness

  // Dragging down the strip sets the hue, which the quad follows.
  EXPECT_TRUE(picker->PointInObject(140, 17));
  EXPECT_FALSE(picker->PointInObject(130, 60));  // the sides are not widened
  Press(s, 140, 45);
  Move(s, 140, 70);
  EXPECT_FLOAT_EQ(picker->Hue(), 0.5f);
  EXPECT_FLOAT_EQ(quad->Hue(), 0.5f);
  Release(s, 140, 500);
  EXPECT_EQ(picker->Hue(), 1.0f);

  delete quad;
  EXPECT_EQ(picker->ColorQuad(), nullptr);
  picker->SetColor(0xFF00FF00);
  EXPECT_FLOAT_EQ(picker->Hue(), 1.0f / 3);
}

TEST_F(ColorControls, TheBoxAndTheFieldsPaintTheirColoursMarkersAndCheckerboard) {
  ControlScene s;
  auto* box = s.Add(new TvxColorBox(nullptr), 0, 0);
  box->SetBounds(0, 0, 40, 20);
  auto* quad = s.Add(new TvxColorQuad(nullptr), 100, 20);
  quad->SetBounds(100, 20, 100, 100);
  quad->SetHue(0);
  quad->SetSat(1);
  quad->SetLum(0.5f);
  s.PaintAll(0xFF0000FF);
  // Colour 0 shows only the checkerboard: white, and light grey where i + j is odd.
  EXPECT_EQ(s.At(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(s.At(7, 2), 0xFFD3D3D3u);
  EXPECT_EQ(s.At(7, 7), 0xFFFFFFFFu);
  // The quad's field: top left white, bottom black, top right of the hue ...
  EXPECT_GE(Red(s.At(101, 21)), 0xF4);
  EXPECT_GE(BlueOf(s.At(101, 21)), 0xF4);
  EXPECT_LE(Red(s.At(150, 118)), 12);
  // ... and the marker at (Sat x Width, (1 - Lum) x Height): a dot of the colour, rings round it.
  EXPECT_EQ(s.At(200, 70), 0xFFFF0000u);
  EXPECT_LT(Red(s.At(195, 70)), 0xC0);  // the dark outer ring over the red field

  box->SetColor(0xFF00FF00);
  s.PaintAll();
  EXPECT_EQ(s.At(7, 2), 0xFF00FF00u);
}

}  // namespace color_controls_test
