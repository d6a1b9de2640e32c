// The gradient editor driven with the mouse through the host (adding, selecting, dragging
// and removing stops, and an editor too small for its strip), its picture, and the colour
// panel's colour text through its inner controls.
#include <gtest/gtest.h>

#include <string>

#include "ControlScene.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/GradientEditor.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/TextBox.h"

namespace gradient_editor_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class GradientEditor : public vgtest::ControlsTest {
protected:
  // An editor 220 x 30 at (50, 50): the strip runs from x 60 to 260 (offset t at 60 + 200 t),
  // y 50 to 70; the markers sit from y 70 to 80.
  TvxGradientEdit* AddEditor(ControlScene& S) {
    auto* e = S.Add(new TvxGradientEdit(nullptr), 50, 50);
    e->SetBounds(50, 50, 220, 30);
    e->OnChange = [this](rtl::TObject*) { ++changes; };
    e->OnSelectPoint = [this](rtl::TObject*) { ++selections; };
    return e;
  }
  void Press(ControlScene& S, float X, float Y) { S.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, X, Y); }
  void Move(ControlScene& S, float X, float Y) { S.scene.MouseMove({rtl::ssLeft}, X, Y); }
  void Release(ControlScene& S, float X, float Y) { S.scene.MouseUp(rtl::mbLeft, {}, X, Y); }
  float Offset(TvxGradientEdit* E, int I) { return E->Gradient()->Points()->GetPoint(I)->Offset(); }
  int Count(TvxGradientEdit* E) { return E->Gradient()->Points()->Count(); }

  int changes = 0;
  int selections = 0;
};

}  // namespace

TEST_F(GradientEditor, ClicksInTheStripAddStopsOnlyBetweenExistingOnes) {
  ControlScene s;
  auto* fresh = new TvxGradientEdit(nullptr);
  EXPECT_EQ(fresh->Width(), 200.0f);
  EXPECT_EQ(fresh->Height(), 20.0f);
  EXPECT_EQ(fresh->GetPointRect(0), MakeRect(5, 10, 15, 20));
  EXPECT_EQ(fresh->GetPointRect(2), TvxRect{});
  delete fresh;

  auto* e = AddEditor(s);
  e->Gradient()->Points()->GetPoint(1)->SetOffset(0.5f);  // black at 0, white at 0.5
  Press(s, 60 + 200 * 0.75f, 55);  // right of the last stop
  Release(s, 60 + 200 * 0.75f, 55);
  EXPECT_EQ(Count(e), 2);
  EXPECT_EQ(changes, 0);

  Press(s, 60 + 200 * 0.25f, 55);
  ASSERT_EQ(Count(e), 3);
  EXPECT_FLOAT_EQ(Offset(e, 1), 0.25f);
  EXPECT_EQ(e->Gradient()->Points()->GetPoint(1)->IntColor(), 0xFF7F7F7Fu);  // half way from black to white
  EXPECT_EQ(e->CurrentPoint(), 1);
  EXPECT_EQ(changes, 1);
  Move(s, 60 + 200 * 0.4f, 55);  // the new stop is not dragged by the same press
  Release(s, 60 + 200 * 0.4f, 55);
  EXPECT_FLOAT_EQ(Offset(e, 1), 0.25f);

  // Below the strip's height (in the marker band, off any marker) nothing is added.
  Press(s, 60 + 200 * 0.1f, 76);
  Release(s, 60 + 200 * 0.1f, 76);
  EXPECT_EQ(Count(e), 3);
}

TEST_F(GradientEditor, DraggedMarkersKeepTheStopsSortedAndTheSelectionFollows) {
  ControlScene s;
  auto* e = AddEditor(s);
  auto* picker = s.Add(new TvxColorPicker(nullptr), 10, 100);
  picker->SetBounds(10, 100, 20, 100);
  auto* quad = s.Add(new TvxColorQuad(nullptr), 40, 100);
  quad->SetBounds(40, 100, 100, 100);
  picker->SetColorQuad(quad);
  e->SetColorPicker(picker);
  EXPECT_EQ(quad->Lum(), 0.0f);  // stop 0, black

  // Pressing the selected marker reports the selection once, another marker twice.
  Press(s, 60, 75);
  EXPECT_EQ(selections, 1);
  Release(s, 60, 75);
  Press(s, 260, 75);
  EXPECT_EQ(selections, 3);
  EXPECT_EQ(e->CurrentPoint(), 1);
  EXPECT_EQ(quad->Lum(), 1.0f);  // the picker took the white stop
  Release(s, 260, 75);

  // Dragging the first stop past the second exchanges them.
  e->Gradient()->Points()->GetPoint(1)->SetOffset(0.8f);
  Press(s, 60, 75);
  ASSERT_EQ(e->CurrentPoint(), 0);
  changes = 0;
  Move(s, 60 + 200 * 0.6f, 75);
  EXPECT_FLOAT_EQ(Offset(e, 0), 0.6f);
  EXPECT_FLOAT_EQ(Offset(e, 1), 0.8f);
  Move(s, 60 + 200 * 0.9f, 75);
  EXPECT_EQ(e->CurrentPoint(), 1);
  EXPECT_EQ(e->Gradient()->Points()->GetPoint(1)->IntColor(), 0xFF000000u);
  EXPECT_FLOAT_EQ(Offset(e, 0), 0.8f);
  EXPECT_FLOAT_EQ(Offset(e, 1), 0.9f);
  EXPECT_EQ(changes, 2);
  Move(s, 0, 75);  // and back: before the white stop again, pinned at 0
  EXPECT_EQ(e->CurrentPoint(), 0);
  EXPECT_EQ(Offset(e, 0), 0.0f);
  Release(s, 0, 75);
  EXPECT_EQ(Count(e), 2);

  delete picker;
  EXPECT_EQ(e->ColorPicker(), nullptr);
  Press(s, 260, 75);  // no picker to feed
  Release(s, 260, 75);
}

TEST_F(GradientEditor, AMarkerDraggedOffTheEditorHidesAndIsRemovedOnlyWhenReleasedBelow) {
  ControlScene s;
  auto* e = AddEditor(s);
  Press(s, 160, 55);  // a stop at 0.5
  Release(s, 160, 55);
  ASSERT_EQ(Count(e), 3);

  Press(s, 160, 75);
  Move(s, 150, 50 - 11);  // more than 10 above
  EXPECT_TRUE(e->Removing());
  Release(s, 150, 50 - 11);
  EXPECT_FALSE(e->Removing());
  ASSERT_EQ(Count(e), 3);  // released above: kept, at its dragged offset
  EXPECT_FLOAT_EQ(Offset(e, 1), 0.45f);

  Press(s, 150, 75);
  Move(s, 150, 80 + 11);
  EXPECT_TRUE(e->Removing());
  Release(s, 150, 80 + 11);
  ASSERT_EQ(Count(e), 2);
  EXPECT_EQ(e->CurrentPoint(), 0);

  // An end stop never hides, yet is removed when released below while two stops remain.
  Press(s, 260, 75);
  Move(s, 260, 100);
  EXPECT_FALSE(e->Removing());
  Release(s, 260, 100);
  ASSERT_EQ(Count(e), 1);
  EXPECT_EQ(e->CurrentPoint(), 0);
  Press(s, 60, 75);
  Release(s, 60, 100);
  EXPECT_EQ(Count(e), 1);  // the last stop stays
}

TEST_F(GradientEditor, ASingleStopPaintsItsColourAndATooSmallEditorNeitherPaintsNorListens) {
  ControlScene s;
  auto* e = AddEditor(s);
  e->Gradient()->Points()->Delete(1);
  e->Gradient()->Points()->GetPoint(0)->SetIntColor(0xFFFF0000);
  e->Gradient()->Change();
  s.PaintAll(0xFF0000FF);
  EXPECT_EQ(s.At(160, 60), 0xFFFF0000u);
  EXPECT_EQ(s.At(259, 60), 0xFFFF0000u);

  e->SetWidth(20);
  s.PaintAll(0xFF0000FF);
  EXPECT_EQ(s.At(55, 55), 0xFF0000FFu);
  EXPECT_EQ(s.At(60, 75), 0xFF0000FFu);
  changes = 0;
  Press(s, 60, 75);
  Move(s, 65, 75);
  Release(s, 65, 75);
  Press(s, 58, 55);
  Release(s, 58, 55);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Offset(e, 0), 0.0f);

  e->SetWidth(100);
  e->SetHeight(9);
  s.PaintAll(0xFF0000FF);
  EXPECT_EQ(s.At(100, 52), 0xFF0000FFu);
}

TEST_F(GradientEditor, TheColourPanelEditsColourTextThroughItsQuadAndBars) {
  ControlScene s;
  auto* panel = s.Add(new TvxColorPanel(nullptr), 10, 10);
  EXPECT_EQ(panel->Width(), 150.0f);
  EXPECT_EQ(panel->Color(), "#FFFFFFFF");
  auto* box = s.Add(new TvxColorBox(nullptr), 200, 10);
  panel->SetColorBox(box);
  EXPECT_EQ(box->Color(), 0xFFFFFFFFu);
  int changes = 0;
  panel->OnChange = [&](rtl::TObject*) { ++changes; };

  panel->SetColor("#80FF0000");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(panel->Color(), "#80FF0000");
  EXPECT_FLOAT_EQ(panel->AlphaBar()->Value(), 128.0f / 255);
  EXPECT_FLOAT_EQ(panel->Quad()->Alpha(), 128.0f / 255);
  EXPECT_EQ(box->Color(), 0x80FF0000u);

  // The hue bar drives the quad.
  changes = 0;
  panel->HueBar()->SetValue(1.0f / 3);
  EXPECT_FLOAT_EQ(panel->Quad()->Hue(), 1.0f / 3);
  EXPECT_EQ(panel->Color(), "#8000FF00");
  EXPECT_EQ(changes, 1);

  // Every alpha byte comes back as it went in.
  for (int a = 0; a < 256; ++a) {
    const std::string text = ColorToString(MakeColor(0x20, 0x40, 0x60, static_cast<uint8_t>(a)));
    panel->SetColor(text);
    ASSERT_EQ(panel->Color(), text);
  }
  delete box;
  EXPECT_EQ(panel->ColorBox(), nullptr);
  panel->SetColor("Red");
  EXPECT_EQ(panel->Color(), "#FFFF0000");
}

TEST_F(GradientEditor, TheComboColourBoxKeepsItsTextAndColourInStepAndRefusesPartialText) {
  ControlScene s;
  auto* combo = s.Add(new TvxComboColorBox(nullptr), 10, 10);
  EXPECT_EQ(combo->Width(), 60.0f);
  EXPECT_EQ(combo->Color(), "#FFFFFFFF");
  int changes = 0;
  combo->OnChange = [&](rtl::TObject*) { ++changes; };
  combo->SetColor("#8000FF00");
  EXPECT_EQ(combo->TextBox()->Text(), u"#8000FF00");
  EXPECT_EQ(changes, 1);

  const auto type = [&](const std::u16string& Text) {
    combo->TextBox()->SetText(Text);
    uint16_t key = win::VK_RETURN;
    char16_t ch = 0;
    combo->TextBox()->KeyDown(key, ch, {});
  };
  type(u"#12345");
  EXPECT_EQ(combo->Color(), "#8000FF00");
  type(u"#FF0000FF");
  EXPECT_EQ(combo->Color(), "#FF0000FF");
  EXPECT_EQ(combo->Panel()->Color(), "#FF0000FF");

  EXPECT_FALSE(combo->Popup()->IsOpen());
  combo->DropDown();
  EXPECT_TRUE(combo->Popup()->IsOpen());
  combo->DropDown();
  EXPECT_FALSE(combo->Popup()->IsOpen());
}

}  // namespace gradient_editor_test
