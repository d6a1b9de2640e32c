// The Hud window frame: what it pushes into the parts of its style (caption height and
// insets from the stroke thickness, the close button's side and visibility, the face and
// frame brushes), taking the close button over, and what streams hold.
#include <gtest/gtest.h>

#include "ControlScene.h"
#include "platform/rtl/Streams.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Shapes.h"
#include "tests/vg2d_core/SavedText.h"

namespace window_frames_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class WindowFrames : public vgtest::ControlsTest {};

TvxVisualObject* Part(TvxControl* C, const char* Name) { return dynamic_cast<TvxVisualObject*>(C->FindResource(Name)); }

using vgtest::TextOf;

}  // namespace

TEST_F(WindowFrames, TheCaptionAndTheFrameInsetsFollowTheStrokeThickness) {
  ControlScene s;
  auto* w = s.Add(new TvxHudWindow(nullptr), 0, 0);
  TvxVisualObject* caption = Part(w, "caption");
  auto* frame = dynamic_cast<TvxShape*>(Part(w, "stroke"));
  ASSERT_NE(caption, nullptr);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(caption->Height(), 21.0f);
  w->SetStrokeThickness(3);
  EXPECT_EQ(caption->Height(), 23.0f);
  EXPECT_EQ(caption->Padding()->GetRect(), MakeRect(3, 3, 3, 0));
  EXPECT_EQ(frame->Margins()->GetRect(), MakeRect(3, 3, 3, 3));
  EXPECT_EQ(frame->StrokeThickness(), 3.0f);
  // The title row inside the frame keeps clear of it.
  EXPECT_EQ(Part(w, "close")->GetAbsoluteRect().Top, 3.0f);
  w->SetStrokeDash(vgDashDot);
  w->SetStrokeJoin(vgJoinRound);
  w->SetStrokeCap(vgCapRound);
  EXPECT_EQ(frame->StrokeDash(), vgDashDot);
  EXPECT_EQ(frame->StrokeJoin(), vgJoinRound);
  EXPECT_EQ(frame->StrokeCap(), vgCapRound);
}

TEST_F(WindowFrames, WithoutTheCaptionTitleAndCloseButtonAreHiddenToo) {
  ControlScene s;
  auto* w = s.Add(new TvxHudWindow(nullptr), 0, 0);
  EXPECT_TRUE(w->Font()->Style() == vgFontBold);
  w->SetShowCaption(false);
  for (const char* name : {"caption", "text", "close"}) {
    ASSERT_NE(Part(w, name), nullptr) << name;
    EXPECT_FALSE(Part(w, name)->Visible()) << name;
    EXPECT_TRUE(Part(w, name)->DesignHide()) << name;
  }
  EXPECT_TRUE(Part(w, "sizegrip")->Visible());
  w->SetShowCaption(true);
  for (const char* name : {"caption", "text", "close"}) EXPECT_TRUE(Part(w, name)->Visible()) << name;
  w->SetShowCloseButton(false);
  w->SetShowSizeGrip(false);
  EXPECT_FALSE(Part(w, "close")->Visible());
  EXPECT_FALSE(Part(w, "sizegrip")->Visible());
  EXPECT_TRUE(Part(w, "caption")->Visible());
  w->SetButtonAlign(vgButtonAlignRight);
  EXPECT_EQ(Part(w, "close")->Align(), vaRight);
}

TEST_F(WindowFrames, OnCloseClickTakesTheCloseButtonOver) {
  ControlScene s;
  auto* w = new TvxHudWindow(nullptr);
  int closes = 0;
  w->OnCloseClick = [&](rtl::TObject*) { ++closes; };
  s.Add(w, 0, 0);
  auto* close = dynamic_cast<TvxCloseButton*>(Part(w, "close"));
  ASSERT_NE(close, nullptr);
  EXPECT_FALSE(close->CloseForm());
  const TvxRect r = close->GetAbsoluteRect();
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  s.scene.MouseUp(rtl::mbLeft, {}, 150, 150);
  EXPECT_EQ(closes, 1);
  // Without a handler the button keeps closing the form.
  auto* plain = s.Add(new TvxHudWindow(nullptr), 0, 0);
  EXPECT_TRUE(dynamic_cast<TvxCloseButton*>(Part(plain, "close"))->CloseForm());
}

TEST_F(WindowFrames, TheFaceAndFrameBrushesGoIntoTheirParts) {
  ControlScene s;
  auto* w = s.Add(new TvxHudWindow(nullptr), 0, 0);
  auto* back = dynamic_cast<TvxShape*>(Part(w, "back"));
  auto* frame = dynamic_cast<TvxShape*>(Part(w, "stroke"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Fill()->Color(), 0xEA2F2F2Fu);
  EXPECT_EQ(frame->Stroke()->Color(), 0x5B000000u);
  TvxBrush green(vgBrushSolid, 0xFF004000u);
  w->SetFill(&green);
  EXPECT_EQ(back->Fill()->Color(), 0xFF004000u);
  w->Stroke()->SetSolidColor(0xFF808080u);
  EXPECT_EQ(frame->Stroke()->Color(), 0xFF808080u);
}

TEST_F(WindowFrames, StreamsWriteTheStrokeThicknessOnlyWhenItIsNotOne) {
  TvxHudWindow w(nullptr);
  EXPECT_EQ(w.Width(), 200.0f);
  EXPECT_FALSE(w.HitTest());
  EXPECT_EQ(w.TextAlign(), vgTextAlignNear);
  std::string text = TextOf(&w);
  for (const char* quiet : {"StrokeThickness", "ShowCaption", "ButtonAlign", "TextAlign"})
    EXPECT_EQ(text.find(quiet), std::string::npos) << quiet << " in\n" << text;
  w.SetStrokeThickness(2);
  text = TextOf(&w);
  EXPECT_NE(text.find("StrokeThickness = 2"), std::string::npos) << text;
}

}  // namespace window_frames_test
