// Labels, panels and bars with the built-in style: what they push into their style's
// parts, when a label fits its text, translation, data, the status bar's grip, streams and
// the classes that start-up registers.
#include <gtest/gtest.h>

#include "ControlScene.h"
#include "platform/rtl/Streams.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Shapes.h"
#include "tests/vg2d_core/SavedText.h"

namespace text_controls_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class TextControls : public vgtest::ControlsTest {};

TvxText* TextPartOf(TvxControl* C) { return dynamic_cast<TvxText*>(C->FindResource("text")); }

using vgtest::TextOf;

}  // namespace

TEST_F(TextControls, ALabelShowsItsCaptionAlignmentAndFontInItsTextPart) {
  ControlScene s;
  auto* label = new TvxLabel(nullptr);
  // Everything set before the style exists is stored and reaches the part later.
  label->SetText(u"Gas");
  label->SetTextAlign(vgTextAlignFar);
  label->Font()->SetSize(14);
  EXPECT_EQ(label->Style(), nullptr);
  s.Add(label, 10, 10);
  TvxText* part = TextPartOf(label);
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(part->Text(), u"Gas");
  EXPECT_EQ(part->HorzTextAlign(), vgTextAlignFar);
  EXPECT_EQ(part->Font()->Size(), 14.0f);
  EXPECT_TRUE(part->WordWrap());  // the label's own word wrap
  // Later changes go straight into the part.
  label->SetText(u"Petrol");
  label->SetTextAlign(vgTextAlignNear);
  label->Font()->SetStyle(vgFontBold);
  label->SetWordWrap(false);
  EXPECT_EQ(part->Text(), u"Petrol");
  EXPECT_EQ(part->HorzTextAlign(), vgTextAlignNear);
  EXPECT_EQ(part->Font()->Style(), vgFontBold);
  EXPECT_FALSE(part->WordWrap());
  auto* fill = new TvxBrush(vgBrushSolid, 0xFF00FF00u);
  label->SetFontFill(fill);
  delete fill;
  EXPECT_EQ(part->Fill()->Color(), 0xFF00FF00u);
}

TEST_F(TextControls, HudLabelsTakeTheirTextColourFromTheStyle) {
  ControlScene s;
  auto* hud = s.Add(new TvxHudLabel(nullptr), 0, 0);
  auto* plain = s.Add(new TvxLabel(nullptr), 0, 20);
  EXPECT_EQ(hud->FontFill()->Color(), 0xFFFFFFFFu);
  EXPECT_EQ(TextPartOf(hud)->Fill()->Color(), 0xFFFFFFFFu);
  EXPECT_EQ(plain->FontFill()->Color(), 0xFF000000u);
  EXPECT_EQ(TextPartOf(plain)->Fill()->Color(), 0xFF000000u);
}

TEST_F(TextControls, AutoSizeFitsTheLabelToEachDifferentText) {
  ControlScene s;
  auto* label = s.Add(new TvxHudLabel(nullptr), 10, 10);
  label->SetText(u"Hi");
  label->SetAutoSize(true);
  EXPECT_FALSE(label->WordWrap());
  const float shortWidth = label->Width();
  EXPECT_GT(shortWidth, 5.0f);
  EXPECT_LT(shortWidth, 60.0f);
  EXPECT_GT(label->Height(), 5.0f);
  label->SetText(u"Reducer temperature");
  const float longWidth = label->Width();
  EXPECT_GT(longWidth, shortWidth + 40);
  // The same text again does not lay the label out again.
  label->SetWidth(300);
  label->SetText(u"Reducer temperature");
  EXPECT_EQ(label->Width(), 300.0f);
  label->SetText(u"Hi");
  EXPECT_EQ(label->Width(), shortWidth);
  // The part keeps the label's layout after fitting.
  EXPECT_EQ(TextPartOf(label)->Align(), vaClient);
}

TEST_F(TextControls, WithoutATextPartTheCaptionIsKeptAndRepaintedUntilAStyleHasOne) {
  ControlScene s;
  auto* label = new TvxLabel(nullptr);
  label->SetResource("panelstyle");
  s.Add(label, 20, 20);
  ASSERT_NE(label->Style(), nullptr);
  EXPECT_EQ(TextPartOf(label), nullptr);
  s.scene.dirty.clear();
  label->SetText(u"Stored");
  label->SetTextAlign(vgTextAlignFar);
  EXPECT_EQ(label->Text(), u"Stored");
  EXPECT_TRUE(s.scene.Covered(label->GetAbsoluteRect()));
  label->SetResource("hudlabelstyle");
  ASSERT_NE(TextPartOf(label), nullptr);
  EXPECT_EQ(TextPartOf(label)->Text(), u"Stored");
  EXPECT_EQ(TextPartOf(label)->HorzTextAlign(), vgTextAlignFar);
}

TEST_F(TextControls, AppliedStylesTranslateTheCaptionOutsideDesignTimeOnly) {
  TvxTranslateProc before = TranslateCallback;
  TranslateCallback = [](const std::u16string& T) { return T == u"Start" ? u"Avvio" : T; };
  {
    ControlScene s;
    auto* label = s.Add(new TvxHudLabel(nullptr), 0, 0);
    label->SetText(u"Start");
    label->UpdateStyle();
    EXPECT_EQ(label->Text(), u"Avvio");
    auto* value = s.Add(new TvxValueLabel(nullptr), 0, 20);
    value->SetText(u"Start");
    value->UpdateStyle();
    EXPECT_EQ(value->Text(), u"Start");
  }
  {
    ControlScene s;
    s.scene.designTime = true;
    auto* label = s.Add(new TvxHudLabel(nullptr), 0, 0);
    label->SetText(u"Start");
    label->UpdateStyle();
    EXPECT_EQ(label->Text(), u"Start");
  }
  TranslateCallback = before;
}

TEST_F(TextControls, TheDataOfATextControlIsItsCaption) {
  TvxLabel label(nullptr);
  label.SetData(std::u16string(u"1500"));
  EXPECT_EQ(std::get<std::u16string>(label.GetData()), u"1500");
  label.SetData(int64_t{25});
  EXPECT_EQ(label.Text(), u"25");
  label.SetData(rtl::TPropValue{});
  EXPECT_EQ(label.Text(), u"");
}

TEST_F(TextControls, TheStatusBarsGripFollowsShowSizeGripAndTakesTheMouse) {
  ControlScene s;
  auto* bar = s.Add(new TvxHudStatusBar(nullptr), 0, 0);
  EXPECT_EQ(bar->Align(), vaBottom);
  EXPECT_EQ(bar->Height(), 22.0f);
  auto* grip = dynamic_cast<TvxVisualObject*>(bar->FindResource("sizegrip"));
  ASSERT_NE(grip, nullptr);
  EXPECT_TRUE(grip->Visible());
  EXPECT_TRUE(grip->HitTest());
  EXPECT_FALSE(grip->Locked());
  bar->SetShowSizeGrip(false);
  grip = dynamic_cast<TvxVisualObject*>(bar->FindResource("sizegrip"));
  ASSERT_NE(grip, nullptr);
  EXPECT_FALSE(grip->Visible());
  // At design time the grip stays a locked part of the look.
  ControlScene design;
  design.scene.designTime = true;
  auto* designed = design.Add(new TvxStatusBar(nullptr), 0, 0);
  auto* designGrip = dynamic_cast<TvxVisualObject*>(designed->FindResource("sizegrip"));
  ASSERT_NE(designGrip, nullptr);
  EXPECT_TRUE(designGrip->Locked());
}

TEST_F(TextControls, StreamsHoldOnlyWhatDiffersFromTheClassDefaults) {
  TvxHudLabel label(nullptr);
  EXPECT_EQ(label.Width(), 120.0f);
  EXPECT_EQ(label.Height(), 15.0f);
  EXPECT_FALSE(label.HitTest());
  std::string text = TextOf(&label);
  for (const char* quiet : {"HitTest", "WordWrap", "AutoTranslate", "AutoSize", "TextAlign"})
    EXPECT_EQ(text.find(quiet), std::string::npos) << quiet << " in\n" << text;
  label.SetText(u"RPM");
  label.SetWordWrap(false);
  label.SetAutoSize(true);
  text = TextOf(&label);
  EXPECT_NE(text.find("WordWrap = False"), std::string::npos) << text;
  EXPECT_NE(text.find("AutoSize = True"), std::string::npos) << text;
  // The applied style is never written.
  ControlScene s;
  auto* panel = s.Add(new TvxHudPanel(nullptr), 0, 0);
  ASSERT_NE(panel->Style(), nullptr);
  EXPECT_EQ(TextOf(panel).find("TvxRectangle"), std::string::npos);
  TvxValueLabel value(nullptr);
  text = TextOf(&value);
  EXPECT_EQ(text.find("WordWrap"), std::string::npos) << text;
  EXPECT_FALSE(value.WordWrap());
  EXPECT_FALSE(value.AutoTranslate());
}

TEST(TextControlClasses, AreRegisteredByStartUpAndTakenBackByShutDown) {
  EXPECT_EQ(rtl::GetClass("TvxHudLabel"), nullptr);
  ControlsStartup();
  EXPECT_EQ(rtl::GetClass("TvxHudLabel"), rtl::ClassOf<TvxHudLabel>());
  EXPECT_EQ(rtl::GetClass("TvxStatusBar"), rtl::ClassOf<TvxStatusBar>());
  bool listed = false;
  for (const TObjectClassEntry& e : *ObjectClassList)
    listed = listed || (e.Category == "HUD" && e.Class == rtl::ClassOf<TvxHudPanel>());
  EXPECT_TRUE(listed);
  ControlsStartup();  // counted
  ControlsShutdown();
  EXPECT_NE(rtl::GetClass("TvxHudLabel"), nullptr);
  ControlsShutdown();
  EXPECT_EQ(rtl::GetClass("TvxHudLabel"), nullptr);
}

}  // namespace text_controls_test
