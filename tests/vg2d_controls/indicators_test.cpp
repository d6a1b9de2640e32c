// The splitter, progress bar, spinner and angle button driven through the host: the
// neighbour a splitter resizes and its limits, the indicator's length, the spinner's
// highlight on the test clock, and the dial's value from the mouse.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ControlScene.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/TextShape.h"

namespace indicators_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class Indicators : public vgtest::ControlsTest {
protected:
  void Press(ControlScene& S, float X, float Y) { S.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, X, Y); }
  void Move(ControlScene& S, float X, float Y) { S.scene.MouseMove({rtl::ssLeft}, X, Y); }
  void Release(ControlScene& S, float X, float Y) { S.scene.MouseUp(rtl::mbLeft, {}, X, Y); }
};

// A container 400 x 200 at the scene's origin with a panel and a splitter aligned to one
// edge, laid out.
struct SplitFixture {
  SplitFixture(ControlScene& S, TvxAlign Edge) {
    box = new TvxVisualObject(nullptr);
    S.root->AddObject(box);
    box->SetBounds(0, 0, 400, 200);
    panel = new TvxPanel(nullptr);
    panel->SetAlign(Edge);
    panel->SetBounds(0, 0, 100, 100);
    box->AddObject(panel);
    splitter = new TvxSplitter(nullptr);
    splitter->SetAlign(Edge);
    splitter->SetBounds(Edge == vaRight ? 0 : 300, Edge == vaBottom ? 0 : 150, 5, 5);
    box->AddObject(splitter);
    box->Realign();
  }
  TvxVisualObject* box;
  TvxPanel* panel;
  TvxSplitter* splitter;
};

float PartWidth(TvxControl* C, const char* Name) {
  auto* part = dynamic_cast<TvxVisualObject*>(C->FindResource(Name));
  return part ? part->Width() : -1;
}
bool PartVisible(TvxControl* C, const char* Name) {
  auto* part = dynamic_cast<TvxVisualObject*>(C->FindResource(Name));
  return part && part->Visible();
}

}  // namespace

TEST_F(Indicators, ASplitterResizesItsNeighbourWithinItsLimits) {
  ControlScene s(400, 200);
  SplitFixture left(s, vaLeft);
  TvxSplitter* sp = left.splitter;
  EXPECT_EQ(sp->Cursor(), rtl::crHSplit);
  ASSERT_EQ(sp->Position()->X(), 100.0f);
  Press(s, 102, 50);
  EXPECT_EQ(sp->Neighbour(), left.panel);
  Move(s, 72, 50);
  EXPECT_EQ(left.panel->Width(), 70.0f);
  EXPECT_EQ(sp->Position()->X(), 70.0f);  // the layout follows
  Move(s, -50, 50);
  EXPECT_EQ(left.panel->Width(), 20.0f);  // MinSize
  // The largest size leaves MinSize beside the edge-aligned children: 400 - 20 - 5.
  Move(s, 600, 50);
  EXPECT_EQ(left.panel->Width(), 375.0f);
  Release(s, 600, 50);
  EXPECT_EQ(sp->Neighbour(), nullptr);
  Move(s, 300, 50);  // the drag is over
  EXPECT_EQ(left.panel->Width(), 375.0f);
}

TEST_F(Indicators, RightAndBottomSplittersKeepTheFarEdgeOfTheirNeighbour) {
  ControlScene s(400, 200);
  SplitFixture right(s, vaRight);
  ASSERT_EQ(right.panel->Position()->X(), 300.0f);
  ASSERT_EQ(right.splitter->Position()->X(), 295.0f);
  Press(s, 297, 50);
  Move(s, 277, 50);  // 20 left: the panel grows
  EXPECT_EQ(right.panel->Width(), 120.0f);
  EXPECT_EQ(right.panel->Position()->X() + right.panel->Width(), 400.0f);
  Release(s, 277, 50);

  ControlScene t(400, 200);
  SplitFixture bottom(t, vaBottom);
  EXPECT_EQ(bottom.splitter->Cursor(), rtl::crVSplit);
  ASSERT_EQ(bottom.splitter->Position()->Y(), 95.0f);
  Press(t, 50, 97);
  Move(t, 50, 127);  // 30 down: the panel shrinks
  EXPECT_EQ(bottom.panel->Height(), 70.0f);
  EXPECT_EQ(bottom.panel->Position()->Y() + bottom.panel->Height(), 200.0f);
  Release(t, 50, 127);
}

TEST_F(Indicators, ASplitterAlignedToTheContentsResizesNothingButReportsTheMouse) {
  ControlScene s(400, 200);
  SplitFixture left(s, vaLeft);
  left.splitter->SetAlign(vaContents);
  EXPECT_EQ(left.splitter->Cursor(), rtl::crHSplit);
  std::vector<char> events;
  left.splitter->OnMouseDown = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
    events.push_back('d');
  };
  left.splitter->OnMouseMove = [&](rtl::TObject*, rtl::TShiftState, float, float, float, float) {
    events.push_back('m');
  };
  left.splitter->OnMouseUp = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
    events.push_back('u');
  };
  Press(s, 200, 50);
  EXPECT_EQ(left.splitter->Neighbour(), nullptr);
  Move(s, 150, 50);
  Release(s, 150, 50);
  EXPECT_EQ(events, (std::vector<char>{'d', 'm', 'u'}));
  EXPECT_EQ(left.panel->Width(), 100.0f);
  // The grip follows ShowGrip.
  s.PaintAll();
  EXPECT_TRUE(PartVisible(left.splitter, "grip"));
  left.splitter->SetShowGrip(false);
  EXPECT_FALSE(PartVisible(left.splitter, "grip"));
}

TEST_F(Indicators, TheProgressIndicatorTakesTheValuesShareOfTheTrack) {
  ControlScene s;
  auto* bar = s.Add(new TvxProgressBar(nullptr), 0, 0);
  EXPECT_EQ(bar->Width(), 100.0f);
  EXPECT_EQ(bar->Height(), 20.0f);
  EXPECT_FALSE(bar->CanFocused());
  bar->SetWidth(150);
  bar->SetValue(50);
  EXPECT_EQ(PartWidth(bar, "hindicator"), 75.0f);
  EXPECT_TRUE(PartVisible(bar, "hindicator"));
  EXPECT_FALSE(PartVisible(bar, "vtrack"));
  bar->SetValue(1);  // 1.5 wide: hidden
  EXPECT_FALSE(PartVisible(bar, "hindicator"));
  // Outside the range: a full or an empty bar, never more or less.
  bar->SetValue(250);
  EXPECT_EQ(PartWidth(bar, "hindicator"), 150.0f);
  bar->SetValue(-40);
  EXPECT_EQ(PartWidth(bar, "hindicator"), 0.0f);
  EXPECT_FALSE(PartVisible(bar, "hindicator"));
  // An empty range leaves the indicator as it was.
  bar->SetValue(20);
  bar->SetMax(0);
  bar->SetValue(80);
  EXPECT_EQ(PartWidth(bar, "hindicator"), 30.0f);
  // Vertical: the other track and indicator, measured along the height.
  bar->SetMax(100);
  bar->SetOrientation(vgVertical);
  bar->SetBounds(0, 0, 20, 150);
  bar->SetValue(40);
  auto* v = dynamic_cast<TvxVisualObject*>(bar->FindResource("vindicator"));
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->Height(), 60.0f);
  EXPECT_FALSE(PartVisible(bar, "htrack"));
  EXPECT_FALSE(PartVisible(bar, "hindicator"));
  // Data: a number is the value, anything else Min.
  bar->SetData(int64_t{70});
  EXPECT_EQ(bar->Value(), 70.0f);
  bar->SetData(std::u16string(u"x"));
  EXPECT_EQ(bar->Value(), 0.0f);
}

TEST_F(Indicators, TheSpinnersHighlightRunsRoundWhileEnabled) {
  ControlScene s(40, 40);
  auto* spin = s.Add(new TvxAniIndicator(nullptr), 0, 0);
  spin->SetBounds(0, 0, 37, 37);
  EXPECT_FALSE(spin->Enabled());
  // At phase 0 the highlight is full on spoke 0 and fades along the spokes.
  EXPECT_FLOAT_EQ(spin->HighlightOpacity(0), 1.0f);
  EXPECT_FLOAT_EQ(spin->HighlightOpacity(1), 1 - 28.0f / 30);
  EXPECT_FLOAT_EQ(spin->HighlightOpacity(6), 0.5f);
  spin->SetEnabled(true);
  clock.Advance(1000);  // a tenth of the 10 s turn
  EXPECT_NEAR(spin->Phase(), 36, 2);
  EXPECT_FLOAT_EQ(spin->HighlightOpacity(0), 1 - static_cast<float>(static_cast<int>(spin->Phase()) % 30) / 30);
  clock.Advance(9500);  // the turn loops
  EXPECT_LT(spin->Phase(), 60);
  // Painted: light grey spokes, darkened where the highlight is.
  s.PaintAll(0xFFFFFFFFu);
  const uint32_t spokeEnd = s.At(31, 18);  // on spoke 0 (to the right of the centre)
  EXPECT_NE(spokeEnd, 0xFFFFFFFFu);
  spin->SetEnabled(false);
  const float stopped = spin->Phase();
  clock.Advance(1000);
  EXPECT_EQ(spin->Phase(), stopped);
  s.PaintAll(0xFFFFFFFFu);
  // Without the highlight no pixel is darker than the grey of the spokes.
  for (int y = 0; y < 37; ++y)
    for (int x = 0; x < 37; ++x) EXPECT_GE(s.At(x, y) & 0xFF, 0xBAu - 2) << x << "," << y;
  spin->SetStyle(vgAniIndicatorCircle);
  EXPECT_FLOAT_EQ(spin->HighlightOpacity(7), spin->HighlightOpacity(0));
}

TEST_F(Indicators, TheAngleButtonFollowsTheMouseRoundItsCentre) {
  ControlScene s;
  auto* dial = s.Add(new TvxHudAngleButton(nullptr), 0, 0);
  EXPECT_EQ(dial->Width(), 30.0f);
  std::vector<float> changes;
  dial->OnChange = [&](rtl::TObject*) { changes.push_back(dial->Value()); };
  auto* tick = dynamic_cast<TvxVisualObject*>(dial->FindResource("tick"));
  ASSERT_NE(tick, nullptr);
  Press(s, 29, 15);
  Move(s, 15, 1);  // straight up: 90 degrees
  EXPECT_FLOAT_EQ(dial->Value(), 90);
  EXPECT_FLOAT_EQ(tick->RotateAngle(), -90);
  Move(s, 15, 29);  // straight down
  EXPECT_FLOAT_EQ(dial->Value(), -90);
  Release(s, 15, 29);
  ASSERT_EQ(changes.size(), 3u);  // two moves, then the release reports once more
  EXPECT_FLOAT_EQ(changes.back(), -90);
  // With a frequency and Tracking off: 22 degrees snap to 15, reported at the release only.
  changes.clear();
  dial->SetFrequency(15);
  dial->SetTracking(false);
  const float a = DegreeToRad(22);
  Press(s, 29, 15);
  Move(s, 15 + 10 * std::cos(a), 15 - 10 * std::sin(a));
  EXPECT_EQ(dial->Value(), 15.0f);
  EXPECT_TRUE(changes.empty());
  Release(s, 15 + 10 * std::cos(a), 15 - 10 * std::sin(a));
  EXPECT_EQ(changes, (std::vector<float>{15}));
  // The value text: shown with ShowValue, rounded, with a degree sign.
  auto* text = dynamic_cast<TvxText*>(dial->FindResource("text"));
  ASSERT_NE(text, nullptr);
  EXPECT_FALSE(text->Visible());
  dial->SetShowValue(true);
  EXPECT_TRUE(text->Visible());
  EXPECT_EQ(text->Text(), u"15\u00B0");
  dial->SetData(std::u16string(u"x"));
  EXPECT_EQ(dial->Value(), 0.0f);
  EXPECT_EQ(text->Text(), u"0\u00B0");
}

TEST_F(Indicators, TheAngleButtonsValueFitsInsideItsDial) {
  ControlScene s;
  // The value text's box, measured as it is drawn.
  const auto box = [&s](TvxText* T) {
    s.canvas->Font()->Assign(T->Font());
    TvxRect r = MakeRect(0, 0, 1000, 1000);
    s.canvas->MeasureText(r, r, T->Text(), false, vgTextAlignNear, vgTextAlignNear);
    return std::hypot(RectWidth(r), RectHeight(r));
  };
  for (TvxAngleButton* dial : std::vector<TvxAngleButton*>{s.Add(new TvxAngleButton(nullptr), 10, 10),
                                                           s.Add(new TvxHudAngleButton(nullptr), 60, 10)}) {
    SCOPED_TRACE(dial->ClassName());
    dial->SetShowValue(true);
    dial->SetValue(-120);
    s.PaintAll();
    auto* text = dynamic_cast<TvxText*>(dial->FindResource("text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text(), u"-120\u00B0");
    // Within the 30-unit dial, inside the ring of the tick and the outline.
    EXPECT_LE(box(text), 22.01);
    EXPECT_GE(text->Font()->Size(), 7);
    // A short value keeps the style's size; a larger dial holds the long one at that size.
    dial->SetValue(5);
    EXPECT_EQ(text->Font()->Size(), 11);
    dial->SetValue(-120);
    dial->SetWidth(44);
    dial->SetHeight(44);
    EXPECT_EQ(text->Font()->Size(), 11);
    EXPECT_LE(box(text), 36.01);
  }
}

TEST_F(Indicators, ASpinnerWhoseChildrenWereFreedStillAnswers) {
  ControlScene s(40, 40);
  auto* spin = s.Add(new TvxAniIndicator(nullptr), 0, 0);
  spin->SetEnabled(true);
  clock.Advance(500);
  spin->DeleteChildren();
  EXPECT_EQ(spin->Phase(), 0.0f);
  spin->SetEnabled(false);
  spin->SetEnabled(true);
  clock.Advance(500);
  s.PaintAll();
  EXPECT_TRUE(spin->Enabled());
}

}  // namespace indicators_test
