// The scene control's output on SDL's dummy display: a transparent scene on a form through the
// form's layered picture, with its windowed children and wherever it lies in the form; an
// opaque scene copied into the form's frame as the window shows it; a transparent scene inside
// another control over what lies under it; a hidden scene painting nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SceneForm.h"
#include "Sheet.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "vg2d/core/SceneControl.h"

namespace scene_output_test {

using namespace vg;
using vgtest::Box;

namespace {

using SceneOutput = vgtest::SceneForm;

bool Near(std::uint32_t A, std::uint32_t B, int Tolerance = 2) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((A >> shift) & 0xFF), b = static_cast<int>((B >> shift) & 0xFF);
    if (a - b > Tolerance || b - a > Tolerance) return false;
  }
  return true;
}

}  // namespace

TEST_F(SceneOutput, TransparentOutputIsComposedOverTheFormColour) {
  MakeScene(60, 40, true);
  form->SetColor(0xFF102030u);
  auto* half = Add(AddEmptyRoot(), 0, 0, 10, 10);
  half->color = 0x80FF0000u;  // half-covering red
  ShowAndSettle();
  EXPECT_TRUE(form->Layered());
  EXPECT_EQ(form->PresentedPixel(50, 30), 0xFF102030u);
  EXPECT_EQ(form->PresentedPixel(5, 5), 0xFF881018u);
  // What the window shows is that composed frame.
  EXPECT_EQ(win::ReadWindowPixel(form->Window(), 5, 5), 0xFF881018u);
  // An opaque solid fill covers the background.
  TvxBrush fill(vgBrushSolid, 0xFF00FF00u);
  scene->SetTransparency(false);
  scene->SetFill(&fill);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(50, 30), 0xFF00FF00u);
}

// A hidden scene paints nothing: what it showed leaves the form, and no repaint of its tree
// (an object's, the scene's own, a paint asked for at once) reaches the form until it shows.
TEST_F(SceneOutput, AHiddenScenePaintsNothingUntilItShowsAgain) {
  for (const bool transparent : {false, true}) {
    SCOPED_TRACE(transparent ? "layered" : "opaque");
    MakeScene(200, 100, transparent);
    Box* root = AddRoot(0, 0, 200, 100);
    root->color = 0xFFFF0000u;
    ShowAndSettle();
    ASSERT_EQ(form->PresentedPixel(5, 5), 0xFFFF0000u);
    scene->SetVisible(false);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(form->PresentedPixel(5, 5), 0xFF000000u) << "the hidden scene's pixels stayed";
    root->paints = 0;
    root->color = 0xFF0000FFu;
    root->Repaint();
    scene->AddUpdateRect(MakeRect(0, 0, 200, 100));
    scene->Paint();
    rtl::Application->ProcessMessages();
    EXPECT_EQ(root->paints, 0);
    EXPECT_EQ(form->PresentedPixel(5, 5), 0xFF000000u);
    scene->SetVisible(true);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(form->PresentedPixel(5, 5), 0xFF0000FFu) << "shown again, it paints what its tree holds now";
  }
}

// A transparent scene in another control shows that control and the controls below it
// through its empty parts, in every repaint: a green panel, a blue square on it, then the
// scene over both with a red box of its own.
TEST_F(SceneOutput, ATransparentSceneInAControlShowsTheControlAndTheControlsBelowIt) {
  MakeScene(200, 100, true);
  auto* panel = new vgtest::Sheet(form.get(), 0xFF00C000u, {10, 10, 190, 90});
  new vgtest::Sheet(panel, 0xFF0000FFu, {20, 20, 60, 60});
  scene->SetParent(panel);
  scene->SetAlign(win::alNone);
  scene->SetBounds(0, 0, 120, 70);
  Box* red = Add(AddEmptyRoot(), 70, 5, 10, 10);
  red->color = 0xFFFF0000u;
  ShowAndSettle();
  EXPECT_FALSE(form->Layered());
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "shown" : "repainted");
    EXPECT_EQ(form->PresentedPixel(10 + 5, 10 + 5), 0xFF00C000u) << "the panel under the scene";
    EXPECT_EQ(form->PresentedPixel(10 + 30, 10 + 30), 0xFF0000FFu) << "the square under the scene";
    EXPECT_EQ(form->PresentedPixel(10 + 75, 10 + 10), 0xFFFF0000u) << "the scene's own box";
    EXPECT_EQ(form->PresentedPixel(10 + 150, 10 + 50), 0xFF00C000u) << "the panel beside the scene";
    scene->AddUpdateRect(MakeRect(0, 0, 120, 70));
    rtl::Application->ProcessMessages();
  }
  // Asked for its picture with a target, the scene gives what it painted.
  std::vector<std::uint32_t> bits(120 * 70, 0);
  const gfx2d::PixelTarget dc{bits.data(), 120, 70, 120};
  scene->Perform(win::WM_ERASEBKGND, win::DCParam(&dc), 0);
  EXPECT_EQ(bits[30 * 120 + 30], 0xFF0000FFu);
  EXPECT_EQ(bits[10 * 120 + 75], 0xFFFF0000u);
  // A solid fill nothing shows through is no fill either: the box moved leaves the panel.
  TvxBrush clear(vgBrushSolid, 0x00FFFFFFu);
  scene->SetFill(&clear);
  red->SetBounds(70, 40, 10, 10);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(10 + 75, 10 + 10), 0xFF00C000u);
  EXPECT_EQ(form->PresentedPixel(10 + 75, 10 + 45), 0xFFFF0000u);
}

// A fill that lets light through is drawn over clear pixels at every repaint, not over the last.
TEST_F(SceneOutput, AHalfTransparentFillLooksTheSameAtEveryRepaint) {
  MakeScene(60, 40);
  TvxBrush half(vgBrushSolid, 0x80FF0000u);
  scene->SetFill(&half);
  ShowAndSettle();
  const std::uint32_t first = form->PresentedPixel(5, 5);
  EXPECT_EQ(first >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>((first >> 16) & 0xFF), 0x80, 2) << "half red over the black form";
  for (int i = 0; i < 3; ++i) {
    scene->AddUpdateRect(MakeRect(0, 0, 60, 40));
    rtl::Application->ProcessMessages();
  }
  EXPECT_EQ(form->PresentedPixel(5, 5), first);
}

// A transparent scene on a grey form holds a red box and, as windowed children, a blue sheet
// beside the box, a yellow one over its corner and one of no size: the form shows the box and
// the sheets over it through every repaint of the scene, a sheet's own repaint, a hide and show
// of the form and a sheet's move, and the form's grey where neither is.
TEST_F(SceneOutput, ATransparentSceneShowsItsWindowedChildrenOverItsOwnPixels) {
  constexpr std::uint32_t Grey = 0xFF808080u, Red = 0xFFFF0000u, Blue = 0xFF0000FFu, Yellow = 0xFFFFFF00u,
                          Green = 0xFF00C000u;
  MakeScene(200, 100, true);
  form->SetColor(Grey);
  Add(AddEmptyRoot(), 10, 10, 40, 40)->color = Red;
  auto* blue = new vgtest::Sheet(scene, Blue, {100, 10, 140, 50});
  auto* yellow = new vgtest::Sheet(scene, Yellow, {30, 30, 60, 60});
  new vgtest::Sheet(scene, Green, {0, 0, 0, 0});
  ShowAndSettle();
  ASSERT_TRUE(form->Layered());
  auto expect = [&](const char* When, std::uint32_t Sheet, std::uint32_t UnderYellow) {
    SCOPED_TRACE(When);
    EXPECT_EQ(form->PresentedPixel(15, 15), Red) << "the scene's own box";
    EXPECT_EQ(form->PresentedPixel(110, 20), Sheet) << "the sheet beside it";
    EXPECT_EQ(form->PresentedPixel(35, 35), UnderYellow) << "where the yellow sheet lies or lay";
    EXPECT_EQ(form->PresentedPixel(180, 80), Grey) << "nothing: the form";
    EXPECT_EQ(form->PresentedPixel(0, 0), Grey) << "the sheet of no size";
  };
  expect("shown", Blue, Yellow);
  scene->AddUpdateRect(MakeRect(0, 0, 200, 100));
  rtl::Application->ProcessMessages();
  expect("the scene repainted", Blue, Yellow);
  blue->color = Green;
  blue->Invalidate();
  rtl::Application->ProcessMessages();
  expect("the sheet repainted itself", Green, Yellow);
  form->Hide();
  ShowAndSettle();
  expect("the form shown again", Green, Yellow);
  yellow->SetBounds(150, 60, 30, 30);
  rtl::Application->ProcessMessages();
  expect("the yellow sheet moved", Green, Red);
  EXPECT_EQ(form->PresentedPixel(160, 70), Yellow);
}

// An opaque scene whose fill shows nothing clears to the fill's colour with alpha 0 and copies
// that to the window, which shows the colour as it is: a red fill of style none on a grey form
// shows red, and half a blue box over it half blue over red; so does a solid red with alpha 0;
// the default fill (black, none) shows black.
TEST_F(SceneOutput, AnOpaqueSceneShowsTheColourOfAFillThatShowsNothing) {
  MakeScene(60, 40);
  form->SetColor(0xFF808080u);
  Add(AddEmptyRoot(), 0, 0, 10, 10)->color = 0x800000FFu;
  ShowAndSettle();
  EXPECT_EQ(form->PresentedPixel(30, 30), 0xFF000000u) << "the default fill";
  EXPECT_TRUE(Near(form->PresentedPixel(5, 5), 0xFF000080u)) << std::hex << form->PresentedPixel(5, 5);
  for (const TvxBrushStyle style : {vgBrushNone, vgBrushSolid}) {
    TvxBrush fill(style, style == vgBrushNone ? 0xFFFF0000u : 0x00FF0000u);
    scene->SetFill(&fill);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(form->PresentedPixel(30, 30), 0xFFFF0000u) << style;
    EXPECT_TRUE(Near(form->PresentedPixel(5, 5), 0xFF800080u))
        << style << " " << std::hex << form->PresentedPixel(5, 5);
  }
}

// A transparent scene 40 pixels right of and 10 below its form's corner, repainted again and
// again, leaves the form where it is and shows its picture at its own place in it.
TEST_F(SceneOutput, ATransparentSceneAwayFromTheFormsCornerDrawsThereAndLeavesTheFormInPlace) {
  MakeScene(200, 100, true);
  form->SetColor(0xFF808080u);
  form->SetBounds(100, 100, 200, 100);
  scene->SetAlign(win::alNone);
  scene->SetBounds(40, 10, 100, 60);
  Add(AddEmptyRoot(), 0, 0, 10, 10)->color = 0xFFFF0000u;
  ShowAndSettle();
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    scene->AddUpdateRect(MakeRect(0, 0, 100, 60));
    rtl::Application->ProcessMessages();
    EXPECT_EQ(form->Left(), 100);
    EXPECT_EQ(form->Top(), 100);
    EXPECT_EQ(form->PresentedPixel(45, 15), 0xFFFF0000u) << "the scene's box at its place";
    EXPECT_EQ(form->PresentedPixel(5, 5), 0xFF808080u) << "left of the scene";
    EXPECT_EQ(form->PresentedPixel(60, 30), 0xFF808080u) << "the scene's clear part";
  }
}

}  // namespace scene_output_test
