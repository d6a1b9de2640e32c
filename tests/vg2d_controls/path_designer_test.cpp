// The path-data designer: its content read from its component text, the preview taking the
// memo's text at each of its changes while it shows (not at every key), Paste replacing the
// text by the clipboard's, and its buttons' modal results; the inspector finds it (and the
// bitmap editor) as the designers of their classes.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display.h"
#include "tests/TestOutput.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_controls/ModalSteps.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/Inspector.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/PathDesigner.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/PathData.h"

namespace path_designer_test {

using namespace vg;
using looptest::Later;

namespace {

class PathDesigners : public ::testing::Test {
protected:
  void SetUp() override { ControlsStartup(); }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    ControlsShutdown();
  }
};

}  // namespace

TEST_F(PathDesigners, ThePreviewFollowsTheMemoWhileItShows) {
  auto designer = std::make_unique<TvxPathDataDesigner>(nullptr);
  EXPECT_EQ(designer->Caption(), "Path Designer");
  EXPECT_EQ(designer->Width(), 682);
  EXPECT_FALSE(designer->Memo()->WordWrap());
  TvxPathData* preview = designer->PreviewPath()->Data();
  designer->Memo()->Lines()->SetTextStr(u"M 0,0 L 10,0 L 10,10 Z");
  EXPECT_FALSE(preview->IsEmpty());
  const TvxRect bounds = preview->GetBounds();
  EXPECT_EQ(bounds.Right, 10.0f);
  EXPECT_EQ(bounds.Bottom, 10.0f);

  // Hidden, it is left as it was.
  static_cast<TvxVisualObject*>(designer->Part("previewLayout"))->SetVisible(false);
  designer->Memo()->Lines()->SetTextStr(u"M 0,0 L 40,40");
  EXPECT_EQ(preview->GetBounds().Right, 10.0f);

  EXPECT_EQ(static_cast<TvxButton*>(designer->Part("Button2"))->ModalResult(), win::mrOk);
  EXPECT_EQ(static_cast<TvxButton*>(designer->Part("Button3"))->ModalResult(), win::mrCancel);
}

TEST_F(PathDesigners, TypingShowsInThePreviewWhenTheMemoIsLeft) {
  TvxPathData path;
  path.SetData("M 0,0 L 10,0 L 10,10 Z");
  bool ran = false;
  Later([&] {
    auto* d = dynamic_cast<TvxPathDataDesigner*>(win::ActiveForm());
    ASSERT_NE(d, nullptr) << "the designer is the active window";
    ran = true;
    TvxMemo* memo = d->Memo();
    TvxPathData* preview = d->PreviewPath()->Data();
    EXPECT_EQ(preview->GetBounds().Right, 10.0f) << "the path given";
    vgtest::Click(d, memo);
    ASSERT_TRUE(memo->IsFocused());
    memo->SelectAll();
    win::SimulateText(d, "M 0,0 L 40,30");
    rtl::Application->ProcessMessages();
    EXPECT_EQ(memo->Text(), u"M 0,0 L 40,30");
    EXPECT_EQ(preview->GetBounds().Right, 10.0f) << "no redraw at every key";
    win::SimulateKeyStroke(d, SDLK_TAB);
    rtl::Application->ProcessMessages();
    EXPECT_FALSE(memo->IsFocused());
    EXPECT_EQ(preview->GetBounds().Right, 40.0f) << "the memo left";
    EXPECT_EQ(preview->GetBounds().Bottom, 30.0f);
    d->SetModalResult(win::mrOk);
  });
  EditPathInDesigner(&path, nullptr);
  EXPECT_TRUE(ran);
  EXPECT_EQ(path.GetBounds().Right, 40.0f);
}

// OK writes the memo's text back: an arc of radii too large to tell from its chord must come
// back as the line to its end point, not as nothing.
TEST_F(PathDesigners, OkKeepsAnArcOfHugeRadii) {
  TvxPathData path;
  path.SetData("M 0 0 A 1e12 1e12 0 0 1 10 10 L 20 0");
  bool ran = false;
  Later([&] {
    auto* d = dynamic_cast<TvxPathDataDesigner*>(win::ActiveForm());
    ASSERT_NE(d, nullptr) << "the designer is the active window";
    ran = true;
    EXPECT_EQ(d->PreviewPath()->Data()->GetData(), "M 0,0 L 10,10 L 20,0 ");
    d->SetModalResult(win::mrOk);
  });
  EditPathInDesigner(&path, nullptr);
  EXPECT_TRUE(ran);
  EXPECT_EQ(path.GetData(), "M 0,0 L 10,10 L 20,0 ");
}

TEST_F(PathDesigners, PasteReplacesTheWholeText) {
  auto designer = std::make_unique<TvxPathDataDesigner>(nullptr);
  designer->Memo()->Lines()->SetTextStr(u"M 1,1 L 2,2");
  win::ClipboardSetText(u"M 0,0 L 5,20");
  static_cast<TvxButton*>(designer->Part("Button1"))->Click();
  EXPECT_EQ(designer->Memo()->Text(), u"M 0,0 L 5,20");
  EXPECT_EQ(designer->PreviewPath()->Data()->GetBounds().Bottom, 20.0f);
}

TEST_F(PathDesigners, TheInspectorKnowsTheDesignersOfBitmapsPathsBrushesAndGradients) {
  TvxPathData path;
  TvxBitmap bitmap(2, 2);
  TvxBrush brush(vgBrushSolid, 0xFF000000u);
  TvxGradient gradient;
  EXPECT_TRUE(FindInspectorDesigner(&path));
  EXPECT_TRUE(FindInspectorDesigner(&bitmap));
  EXPECT_TRUE(FindInspectorDesigner(&brush));
  EXPECT_TRUE(FindInspectorDesigner(&gradient));
  ControlsShutdown();
  EXPECT_FALSE(FindInspectorDesigner(&path));
  EXPECT_FALSE(FindInspectorDesigner(&brush));
  ControlsStartup();
}

TEST_F(PathDesigners, TheShownDesignerDrawsThePreviewBesideTheMemo) {
  auto designer = std::make_unique<TvxPathDataDesigner>(nullptr);
  designer->Memo()->Lines()->SetTextStr(u"M 0,0 L 10,0 L 10,10 Z");
  designer->Show();
  rtl::Application->ProcessMessages();
  const std::vector<uint32_t>& frame = designer->PresentedFrame();
  ASSERT_EQ(frame.size(), static_cast<size_t>(682 * 493));
  TvxBitmap shot(682, 493);
  std::copy(frame.begin(), frame.end(), shot.Bits());
  shot.SaveToFile(testout::Path("path_designer.png"));
  // The triangle fills the preview's upper right: grey there, not at its lower left.
  const TvxRect r = designer->PreviewPath()->GetAbsoluteRect();
  const auto at = [&](float X, float Y) {
    return frame[static_cast<size_t>(Y) * 682 + static_cast<size_t>(X)] & 0xFFFFFFu;
  };
  const float cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2, d = RectHeight(r) / 4;
  EXPECT_EQ(at(cx + d, cy - d), 0x808080u);
  EXPECT_NE(at(cx - d, cy + d), 0x808080u);
}

}  // namespace path_designer_test
