// Tracks, track bars and scroll bars driven through the host as the mouse and keyboard
// drive them, with their built-in styles: value rules, the thumb's place, drags with and
// without Tracking, keys, data, and the scroll bar's tracks and repeating arrows.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cmath>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Tracks.h"

namespace tracks_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class Tracks : public vgtest::ControlsTest {
protected:
  void Press(ControlScene& S, float X, float Y) { S.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, X, Y); }
  void Move(ControlScene& S, float X, float Y) { S.scene.MouseMove({rtl::ssLeft}, X, Y); }
  void Release(ControlScene& S, float X, float Y) { S.scene.MouseUp(rtl::mbLeft, {}, X, Y); }
  void Key(ControlScene& S, uint16_t Code) {
    char16_t ch = 0;
    S.scene.KeyDown(Code, ch, {});
  }
  // Counts OnChange of a track or scroll bar, with the value at each call.
  template <class T>
  void Count(T* Control) {
    Control->OnChange = [this, Control](rtl::TObject*) { changes.push_back(Control->Value()); };
  }
  std::vector<float> changes;
};

}  // namespace

TEST_F(Tracks, ValuesStayInRangeAndSnapToTheFrequency) {
  TvxTrack t(nullptr);
  EXPECT_EQ(t.Width(), 100.0f);
  EXPECT_EQ(t.Height(), 15.0f);
  EXPECT_TRUE(t.Tracking());
  t.SetMin(10);
  t.SetMax(5);  // below Min
  EXPECT_FLOAT_EQ(t.Max(), 10.001f);
  t.SetMin(0);
  t.SetMax(100);
  t.SetViewportSize(20);
  t.SetValue(95);
  EXPECT_EQ(t.Value(), 80.0f);
  t.SetValue(-5);
  EXPECT_EQ(t.Value(), 0.0f);
  t.SetViewportSize(0);
  t.SetFrequency(5);
  t.SetValue(12.5f);
  EXPECT_EQ(t.Value(), 10.0f);  // halves go to the even multiple
  t.SetValue(17.5f);
  EXPECT_EQ(t.Value(), 20.0f);
  t.SetFrequency(0);
  t.SetValue(33.3f);
  t.SetFrequency(10);  // a new step snaps the value at once
  EXPECT_EQ(t.Value(), 30.0f);
  t.SetValue(std::nanf(""));
  EXPECT_EQ(t.Value(), 30.0f);
  // A lower maximum cuts the value without an event; a higher minimum leaves it below.
  t.SetFrequency(0);
  Count(&t);
  t.SetMax(25);
  EXPECT_EQ(t.Value(), 25.0f);
  t.SetMin(40);
  EXPECT_EQ(t.Value(), 25.0f);
  EXPECT_TRUE(changes.empty());
  // A scroll bar raises its value to a higher minimum, with an event.
  TvxScrollBar bar(nullptr);
  Count(&bar);
  bar.SetValue(30);
  bar.SetMin(50);
  EXPECT_EQ(bar.Value(), 50.0f);
  EXPECT_EQ(changes, (std::vector<float>{30, 50}));
  bar.SetViewportSize(500);  // cut to the range
  EXPECT_EQ(bar.ViewportSize(), 50.0f);
  EXPECT_EQ(bar.Value(), 50.0f);
  bar.SetMax(20);
  EXPECT_FLOAT_EQ(bar.Max(), 50.001f);
}

TEST_F(Tracks, DataIsTheValueAndAMethodBecomesOnChange) {
  TvxTrackBar t(nullptr);
  EXPECT_TRUE(t.CanFocused());
  t.SetMin(3);
  t.SetData(int64_t{42});
  EXPECT_EQ(t.Value(), 42.0f);
  EXPECT_EQ(std::get<double>(t.GetData()), 42.0);
  t.SetData(std::u16string(u"text"));
  EXPECT_EQ(t.Value(), 3.0f);
  int viaData = 0;
  rtl::TNotifyEvent handler = [&](rtl::TObject*) { ++viaData; };
  t.SetData(handler.ToMethod());
  t.SetData(7.5);
  EXPECT_EQ(viaData, 1);
  // A bound label-like control follows the value while Tracking is on.
  TvxTrack follower(nullptr);
  follower.SetBindingSource(&t);
  t.SetValue(60);
  EXPECT_EQ(follower.Value(), 60.0f);
}

TEST_F(Tracks, TheThumbSitsOnTheValueAndNeverLeavesTheTrack) {
  ControlScene s;
  auto* t = s.Add(new TvxTrack(nullptr), 10, 10);
  TvxThumb* thumb = t->Thumb();
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(thumb->Track(), t);
  const auto place = [&](float V) {
    t->SetValue(V);
    return thumb->Position()->X();
  };
  EXPECT_EQ(place(0), 0.0f);
  EXPECT_EQ(thumb->Width(), 14.0f);
  EXPECT_EQ(thumb->Height(), 15.0f);
  EXPECT_EQ(place(50), 43.0f);
  EXPECT_EQ(place(100), 86.0f);
  // With a viewport the thumb is as long as its share of the track.
  t->SetViewportSize(25);
  EXPECT_EQ(place(50), 50.0f);
  EXPECT_EQ(thumb->Width(), 25.0f);
  // Vertical: the same along Y.
  t->SetViewportSize(0);
  t->SetOrientation(vgVertical);
  t->SetBounds(10, 10, 15, 200);
  EXPECT_EQ(place(50), 0.0f);
  EXPECT_EQ(thumb->Position()->Y(), 93.0f);
  EXPECT_EQ(thumb->Height(), 14.0f);
  // An empty range keeps the whole track as the thumb; a zero-size track divides by nothing.
  t->SetMin(100);
  EXPECT_EQ(t->GetThumbRect(), MakeRect(0, 0, 15, 200));
  TvxTrack flat(nullptr);
  flat.SetWidth(0);
  flat.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 0, 0);
  EXPECT_EQ(flat.Value(), 0.0f);
}

TEST_F(Tracks, ClicksBesideTheThumbJumpOrPageAndKeysStep) {
  ControlScene s;
  auto* t = s.Add(new TvxHudTrackBar(nullptr), 0, 0);
  t->SetWidth(200);
  Count(t);
  Press(s, 150, 7);  // no viewport: the value under the mouse
  Release(s, 150, 7);
  EXPECT_EQ(t->Value(), 75.0f);
  EXPECT_EQ(s.scene.focused, t);
  t->SetViewportSize(20);
  t->SetValue(30);
  Press(s, 10, 7);  // before the thumb: a page back
  Release(s, 10, 7);
  EXPECT_EQ(t->Value(), 10.0f);
  Press(s, 190, 7);  // after it: a page on
  Release(s, 190, 7);
  EXPECT_EQ(t->Value(), 30.0f);
  changes.clear();
  Key(s, win::VK_RIGHT);  // Right
  Key(s, win::VK_RIGHT);
  Key(s, win::VK_LEFT);  // Left
  EXPECT_EQ(t->Value(), 31.0f);
  t->SetFrequency(5);
  Key(s, win::VK_DOWN);  // Down steps by the frequency
  EXPECT_EQ(t->Value(), 35.0f);
  Key(s, win::VK_END);  // End
  EXPECT_EQ(t->Value(), 80.0f);
  Key(s, win::VK_HOME);  // Home
  EXPECT_EQ(t->Value(), 0.0f);
  EXPECT_EQ(changes.size(), 7u);  // the new frequency snapped 31 to 30
  uint16_t other = 'A';
  char16_t ch = 0;
  t->KeyDown(other, ch, {});
  EXPECT_EQ(other, 65);  // not a track key: left alone
  // With Tracking off a key reports once more after its change.
  t->SetTracking(false);
  changes.clear();
  Key(s, win::VK_RIGHT);
  Key(s, win::VK_HOME);
  Key(s, win::VK_HOME);  // no change: only the extra report
  EXPECT_EQ(changes, (std::vector<float>{5, 5, 0, 0, 0}));
}

TEST_F(Tracks, ADragWithTrackingOffReportsOnceAtTheRelease) {
  ControlScene s;
  auto* t = s.Add(new TvxTrack(nullptr), 10, 10);
  t->SetWidth(200);
  Count(t);
  int tracked = 0;
  t->OnTracking = [&](rtl::TObject*) { ++tracked; };
  TvxTrack follower(nullptr);
  follower.SetBindingSource(t);
  t->SetTracking(false);
  changes.clear();
  // The thumb (14 wide at value 0) is pressed at its middle and dragged.
  Press(s, 17, 17);
  EXPECT_TRUE(t->Thumb()->Dragging());
  Move(s, 60, 17);
  Move(s, 110, 40);  // off the track: only the coordinate along it counts
  EXPECT_EQ(t->Value(), 50.0f);
  EXPECT_EQ(tracked, 2);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(follower.Value(), 0.0f);
  Release(s, 110, 40);
  EXPECT_EQ(changes, (std::vector<float>{50}));
  EXPECT_EQ(follower.Value(), 50.0f);
  EXPECT_FALSE(t->Tracking());
  EXPECT_FALSE(t->Thumb()->Dragging());
  // With Tracking on every move reports.
  t->SetTracking(true);
  changes.clear();
  Press(s, 110, 17);
  Move(s, 130, 17);
  Move(s, 150, 17);
  Release(s, 150, 17);
  EXPECT_THAT(changes, testing::Pointwise(testing::FloatEq(), std::vector<float>{60, 70}));
  // With a viewport the thumb keeps the point where it was pressed.
  t->SetViewportSize(50);
  t->SetValue(0);
  Press(s, 30, 17);  // 20 into the thumb (0 .. 100)
  Move(s, 70, 17);
  Release(s, 70, 17);
  EXPECT_EQ(t->Value(), 20.0f);
}

TEST_F(Tracks, TheScrollBarShowsTheTrackOfItsOrientationAndItsArrowsRepeat) {
  ControlScene s;
  auto* bar = s.Add(new TvxScrollBar(nullptr), 0, 0);
  EXPECT_EQ(bar->Width(), 150.0f);
  EXPECT_EQ(bar->Height(), 18.0f);
  s.PaintAll();  // the tracks take their styles
  auto* htrack = dynamic_cast<TvxCustomTrack*>(bar->FindResource("htrack"));
  auto* vtrack = dynamic_cast<TvxCustomTrack*>(bar->FindResource("vtrack"));
  auto* right = dynamic_cast<TvxCustomButton*>(bar->FindResource("rightbutton"));
  auto* top = dynamic_cast<TvxCustomButton*>(bar->FindResource("topbutton"));
  ASSERT_TRUE(htrack && vtrack && right && top);
  EXPECT_TRUE(htrack->Visible());
  EXPECT_FALSE(vtrack->Visible());
  EXPECT_TRUE(right->Visible());
  EXPECT_FALSE(top->Visible());
  EXPECT_FALSE(htrack->CanFocused());
  bar->SetMax(200);
  bar->SetViewportSize(50);
  bar->SetValue(40);
  EXPECT_EQ(htrack->Max(), 200.0f);
  EXPECT_EQ(htrack->ViewportSize(), 50.0f);
  EXPECT_EQ(htrack->Value(), 40.0f);
  // The track's thumb shows the viewport's share: a quarter of the track, less the margins.
  ASSERT_NE(htrack->Thumb(), nullptr);
  EXPECT_FLOAT_EQ(htrack->Thumb()->Width(), htrack->Width() / 4);
  // The right arrow: a click at the release, repeats after 600 ms and every 100 ms.
  Count(bar);
  bar->SetSmallChange(5);
  Press(s, 145, 9);
  clock.Advance(1000);
  EXPECT_EQ(changes, (std::vector<float>{45, 50, 55, 60, 65}));
  Release(s, 145, 9);
  EXPECT_EQ(bar->Value(), 70.0f);
  EXPECT_EQ(htrack->Value(), 70.0f);
  // The left arrow steps back; the value stops at Min.
  bar->SetSmallChange(100);
  Press(s, 5, 9);
  Release(s, 5, 9);
  EXPECT_EQ(bar->Value(), 0.0f);
  // A click on the track beside the thumb pages through the bar.
  Press(s, 140 - 18, 9);
  Release(s, 140 - 18, 9);
  EXPECT_EQ(bar->Value(), 50.0f);
  // Vertical: the other track and arrows take over.
  bar->SetOrientation(vgVertical);
  EXPECT_FALSE(htrack->Visible());
  EXPECT_TRUE(vtrack->Visible());
  EXPECT_TRUE(top->Visible());
  EXPECT_FALSE(right->Visible());
  EXPECT_EQ(vtrack->Value(), 50.0f);
  EXPECT_EQ(vtrack->Orientation(), vgVertical);
  // The small bar is 8 high.
  TvxSmallScrollBar small(nullptr);
  EXPECT_EQ(small.Height(), 8.0f);
}

TEST_F(Tracks, RangeAndValueComeBackFromAStream) {
  // The value is read after the range: a value beyond the default maximum survives.
  TvxHudTrackBar t(nullptr);
  t.SetMin(-50);
  t.SetMax(500);
  t.SetFrequency(5);
  t.SetValue(300);
  t.SetTracking(false);
  t.SetOrientation(vgVertical);
  std::unique_ptr<TvxObject> copy(t.Clone(nullptr));
  auto* back = dynamic_cast<TvxHudTrackBar*>(copy.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Min(), -50.0f);
  EXPECT_EQ(back->Max(), 500.0f);
  EXPECT_EQ(back->Frequency(), 5.0f);
  EXPECT_EQ(back->Value(), 300.0f);
  EXPECT_FALSE(back->Tracking());
  EXPECT_EQ(back->Orientation(), vgVertical);
  TvxScrollBar bar(nullptr);
  bar.SetMax(1000);
  bar.SetViewportSize(100);
  bar.SetValue(850);
  bar.SetSmallChange(10);
  std::unique_ptr<TvxObject> barCopy(bar.Clone(nullptr));
  auto* barBack = dynamic_cast<TvxScrollBar*>(barCopy.get());
  ASSERT_NE(barBack, nullptr);
  EXPECT_EQ(barBack->Value(), 850.0f);
  EXPECT_EQ(barBack->ViewportSize(), 100.0f);
  EXPECT_EQ(barBack->SmallChange(), 10.0f);
}

}  // namespace tracks_test
