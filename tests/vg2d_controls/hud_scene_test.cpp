// A Hud window with a label, a panel, a button, a check box and a group box, painted over a
// desktop colour: chosen pixels are checked, and the picture is compared with the reference
// picture in the test data folder. The picture is also written into the build tree's test-output folder
// (hud_scene.png) for a look; GASCAL_UPDATE_GALLERY=1 writes a new reference.
#include <gtest/gtest.h>

#include <string>

#include "ControlScene.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/WindowFrames.h"

namespace hud_scene_test {

using namespace vg;

namespace {

class HudScene : public vgtest::ControlsTest {};

constexpr TvxColor DesktopColor = 0xFF5A7A96u;
constexpr int W = 360;
constexpr int H = 240;

int Red(TvxColor C) { return (C >> 16) & 0xFF; }
int Green(TvxColor C) { return (C >> 8) & 0xFF; }
int Blue(TvxColor C) { return C & 0xFF; }
bool Bright(TvxColor C) { return Red(C) > 0xC0 && Green(C) > 0xC0 && Blue(C) > 0xC0; }

// The pixels of the rectangle brighter than light grey.
int BrightPixels(const vgtest::ControlScene& S, int X0, int Y0, int X1, int Y1) {
  int n = 0;
  for (int y = Y0; y < Y1; ++y)
    for (int x = X0; x < X1; ++x) n += Bright(S.At(x, y)) ? 1 : 0;
  return n;
}

template <class T>
T* Put(TvxObject* Parent, T* Control, float X, float Y, float Width, float Height) {
  Parent->AddObject(Control);
  Control->SetBounds(X, Y, Width, Height);
  return Control;
}

}  // namespace

TEST_F(HudScene, AHudWindowWithItsControlsLooksLikeTheReferencePicture) {
  vgtest::ControlScene s(W, H);
  auto* window = Put(s.root.get(), new TvxHudWindow(nullptr), 10, 10, 340, 220);
  window->SetText(u"Settings");
  auto* label = Put(window, new TvxHudLabel(nullptr), 20, 36, 140, 18);
  label->SetText(u"Reducer pressure");
  label->SetTextAlign(vgTextAlignNear);
  auto* panel = Put(window, new TvxHudPanel(nullptr), 20, 62, 140, 60);
  auto* value = Put(panel, new TvxHudLabel(nullptr), 0, 0, 140, 60);
  value->Font()->SetSize(26);
  value->SetText(u"1.25");
  auto* button = Put(window, new TvxHudButton(nullptr), 20, 134, 90, 24);
  button->SetText(u"Connect");
  auto* check = Put(window, new TvxHudCheckBox(nullptr), 20, 170, 140, 19);
  check->SetText(u"Buzzer");
  check->SetIsChecked(true);
  auto* group = Put(window, new TvxHudGroupBox(nullptr), 180, 36, 150, 150);
  group->SetText(u"Errors");
  auto* inGroup = Put(group, new TvxHudLabel(nullptr), 10, 30, 130, 18);
  inGroup->SetText(u"No errors");
  // Styles are applied at the first paint; the check mark fades in on the clock.
  s.PaintAll(DesktopColor);
  clock.Advance(300);
  s.PaintAll(DesktopColor);

  // Outside the window the desktop shows unchanged.
  EXPECT_EQ(s.At(3, 3), DesktopColor);
  EXPECT_EQ(s.At(W - 3, H - 3), DesktopColor);
  // The caption bar is darker than the window's face, and both are dark.
  const TvxColor caption = s.At(200, 20);
  const TvxColor face = s.At(170, 200);
  EXPECT_LT(Red(caption), 0x28);
  EXPECT_LT(Red(caption), Red(face));
  EXPECT_LT(Red(face), 0x40);
  // The title, the label, the value in the panel, the button's caption, the check box's
  // mark and caption and the group box's caption are light text on the dark faces.
  EXPECT_GT(BrightPixels(s, 30, 12, 110, 30), 20);    // "Settings"
  EXPECT_GT(BrightPixels(s, 30, 46, 150, 64), 30);    // label
  EXPECT_GT(BrightPixels(s, 30, 72, 170, 132), 60);   // value
  EXPECT_GT(BrightPixels(s, 30, 144, 120, 168), 20);  // button caption
  EXPECT_GT(BrightPixels(s, 30, 183, 46, 198), 10);   // check mark
  EXPECT_GT(BrightPixels(s, 46, 180, 170, 199), 15);  // check box caption
  EXPECT_GT(BrightPixels(s, 190, 46, 340, 62), 15);   // group caption
  // The button's face is a mid-dark grey, lighter than the window face.
  const TvxColor buttonFace = s.At(105, 150);
  EXPECT_GT(Red(buttonFace), Red(face));
  EXPECT_LT(Red(buttonFace), 0x50);
  // The panel is a darker face on the window's face; the window's face lets the desktop
  // through a little (bluer than it is red).
  const TvxColor panelFace = s.At(160, 120);
  EXPECT_LT(Red(panelFace), Red(face));
  EXPECT_GT(Blue(face), Red(face));

  TvxBitmap picture(W, H);
  std::copy(s.canvas->BufferBits(), s.canvas->BufferBits() + W * H, picture.Bits());
  vgtest::ExpectReferencePicture(picture, "hud_scene.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace hud_scene_test
