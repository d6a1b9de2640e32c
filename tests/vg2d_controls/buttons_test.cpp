// Push buttons driven through the host as the mouse and keyboard drive them: the pressed
// look following the mouse, clicks, repeat clicking on the test clock, buttons that stay
// pressed, keys, data, and the parts the glyph and corner buttons lay out.
#include <gtest/gtest.h>

#include <vector>

#include "ControlScene.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/core/Shapes.h"

namespace buttons_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class Buttons : public vgtest::ControlsTest {
protected:
  // A button at (10, 10), 80 x 22, counting its clicks with the clock time of each.
  template <class T = TvxHudButton>
  T* Place(ControlScene& S) {
    auto* b = S.Add(new T(nullptr), 10, 10);
    b->OnClick = [this](rtl::TObject*) { clicks.push_back(clock.Now()); };
    return b;
  }
  void Press(ControlScene& S, float X, float Y) { S.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, X, Y); }
  void Move(ControlScene& S, float X, float Y) { S.scene.MouseMove({rtl::ssLeft}, X, Y); }
  void Release(ControlScene& S, float X, float Y) { S.scene.MouseUp(rtl::mbLeft, {}, X, Y); }

  std::vector<double> clicks;
};

float PartOpacity(TvxControl* C, const char* Name) {
  auto* part = dynamic_cast<TvxVisualObject*>(C->FindResource(Name));
  return part ? part->Opacity() : -1;
}

// A popup menu that records where it was opened.
class RecordingMenu : public rtl::TComponent, public IvxPopupMenu {
public:
  RecordingMenu() : rtl::TComponent(nullptr) {}
  void PopupFor(rtl::TComponent* For, int X, int Y) override {
    opener = For;
    x = X;
    y = Y;
  }
  rtl::TComponent* opener = nullptr;
  int x = -1, y = -1;
};

}  // namespace

TEST_F(Buttons, ThePressedLookFollowsTheMouseAndOnlyAReleaseOverTheButtonClicks) {
  ControlScene s;
  auto* b = Place(s);
  EXPECT_EQ(b->Width(), 80.0f);
  EXPECT_EQ(b->Height(), 22.0f);
  Press(s, 20, 20);
  EXPECT_TRUE(b->IsPressed());
  EXPECT_EQ(s.scene.focused, b);
  Move(s, 200, 20);
  EXPECT_FALSE(b->IsPressed());
  Release(s, 200, 20);
  EXPECT_FALSE(b->IsPressed());
  EXPECT_TRUE(clicks.empty());
  // Out and back in before the release: pressed again, and the release clicks.
  Press(s, 20, 20);
  Move(s, 200, 20);
  Move(s, 30, 25);
  EXPECT_TRUE(b->IsPressed());
  Release(s, 30, 25);
  EXPECT_FALSE(b->IsPressed());
  EXPECT_EQ(clicks.size(), 1u);
  // The style shows the state: its pressed overlay fades in while held.
  Press(s, 20, 20);
  clock.Advance(300);
  EXPECT_EQ(PartOpacity(b, "pressed"), 1.0f);
  Release(s, 20, 20);
  clock.Advance(300);
  EXPECT_EQ(PartOpacity(b, "pressed"), 0.0f);
}

TEST_F(Buttons, AHeldRepeatingButtonClicksAt600msThenEvery100msAndOnceMoreAtTheRelease) {
  ControlScene s;
  auto* b = Place(s);
  b->SetRepeatClick(true);
  Press(s, 20, 20);
  clock.Advance(1000);
  EXPECT_EQ(clicks, (std::vector<double>{600, 700, 800, 900, 1000}));
  Release(s, 20, 20);
  EXPECT_EQ(clicks.size(), 6u);
  clock.Advance(1000);
  EXPECT_EQ(clicks.size(), 6u);  // the release stopped the repeating
  // Every press waits the whole first delay again.
  clicks.clear();
  Press(s, 20, 20);
  clock.Advance(599);
  EXPECT_TRUE(clicks.empty());
  clock.Advance(1);
  EXPECT_EQ(clicks, (std::vector<double>{2600}));
  // Dragged off the button it keeps repeating; the release outside adds no click.
  Move(s, 200, 20);
  clock.Advance(100);
  Release(s, 200, 20);
  EXPECT_EQ(clicks.size(), 2u);
  // A speed button repeats from the start.
  TvxSpeedButton speed(nullptr);
  EXPECT_TRUE(speed.RepeatClick());
  EXPECT_FALSE(speed.CanFocused());
  EXPECT_EQ(speed.Width(), 23.0f);
}

TEST_F(Buttons, AButtonThatStaysPressedTogglesAtEachPressAndCanBeSetFromCode) {
  ControlScene s;
  auto* b = Place(s);
  b->SetIsPressed(true);  // a plain button cannot be pressed from outside
  EXPECT_FALSE(b->IsPressed());
  b->SetStaysPressed(true);
  Press(s, 20, 20);
  Release(s, 20, 20);
  EXPECT_TRUE(b->IsPressed());
  Press(s, 20, 20);
  Move(s, 200, 20);  // moving does not change it
  EXPECT_FALSE(b->IsPressed());
  Release(s, 200, 20);
  EXPECT_FALSE(b->IsPressed());
  b->SetIsPressed(true);
  EXPECT_TRUE(b->IsPressed());
  clock.Advance(300);
  EXPECT_EQ(PartOpacity(b, "pressed"), 1.0f);
  // A style applied later shows the state at once.
  b->SetResource("buttonstyle");
  clock.Advance(300);
  EXPECT_EQ(PartOpacity(b, "pressed"), 1.0f);
}

TEST_F(Buttons, EnterSpaceDoubleClicksAndTheDialogKeysClick) {
  ControlScene s;
  auto* b = Place(s);
  b->SetFocus();
  uint16_t key = win::VK_RETURN;
  char16_t ch = 0;
  b->KeyDown(key, ch, {});
  key = win::VK_SPACE;
  b->KeyDown(key, ch, {});
  key = 0;
  ch = u' ';  // the typed character of the same key clicks no second time
  b->KeyDown(key, ch, {});
  EXPECT_EQ(clicks.size(), 2u);
  // A double click: the first press clicks at its release, the second press clicks once more.
  Press(s, 20, 20);
  Release(s, 20, 20);
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft, rtl::ssDouble}, 20, 20);
  Release(s, 20, 20);
  EXPECT_EQ(clicks.size(), 4u);
  // Enter reaches the default button and Escape the cancel button from anywhere in the tree.
  auto* ok = Place<TvxButton>(s);
  auto* cancel = Place<TvxButton>(s);
  ok->SetDefault(true);
  cancel->SetCancel(true);
  int okClicks = 0, cancelClicks = 0;
  ok->OnClick = [&](rtl::TObject*) { ++okClicks; };
  cancel->OnClick = [&](rtl::TObject*) { ++cancelClicks; };
  key = win::VK_RETURN;
  s.scene.KeyDown(key, ch, {});
  EXPECT_EQ(key, 0);
  key = win::VK_ESCAPE;
  s.scene.KeyDown(key, ch, {});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(okClicks, 1);
  EXPECT_EQ(cancelClicks, 1);
  key = win::VK_LEFT;
  s.scene.KeyDown(key, ch, {});
  EXPECT_EQ(key, 37);
}

TEST_F(Buttons, AMethodGivenAsDataBecomesTheClickHandler) {
  ControlScene s;
  auto* b = Place(s);
  int viaData = 0;
  rtl::TNotifyEvent handler = [&](rtl::TObject*) { ++viaData; };
  b->SetData(handler.ToMethod());
  b->SetData(std::u16string(u"ignored"));
  Press(s, 20, 20);
  Release(s, 20, 20);
  EXPECT_EQ(viaData, 1);
  EXPECT_TRUE(clicks.empty());
}

TEST_F(Buttons, GlyphButtonsPlaceTheirGlyphPartByLayout) {
  ControlScene s;
  auto* bb = s.Add(new TvxBitmapButton(nullptr), 0, 0);
  auto* image = dynamic_cast<TvxImage*>(bb->FindResource("image"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Align(), vaNone);  // the empty bitmap takes no room
  EXPECT_EQ(image->Padding()->GetRect(), MakeRect(2, 2, 2, 2));
  TvxBitmap picture(16, 16);
  bb->SetBitmap(&picture);
  EXPECT_EQ(image->Align(), vaLeft);
  EXPECT_EQ(image->Width(), 32.0f);
  bb->SetBitmapSpacing(5);
  EXPECT_EQ(image->Padding()->GetRect(), MakeRect(2, 2, 5, 2));
  bb->SetBitmapLayout(vgGlyphBottom);
  bb->SetBitmapSize(20);
  EXPECT_EQ(image->Align(), vaBottom);
  EXPECT_EQ(image->Height(), 20.0f);
  EXPECT_EQ(image->Padding()->GetRect(), MakeRect(2, 5, 2, 2));
  bb->SetBitmapLayout(vgGlyphCenter);
  EXPECT_EQ(image->Align(), vaCenter);
  EXPECT_EQ(image->Padding()->GetRect(), MakeRect(5, 5, 5, 5));

  auto* pb = s.Add(new TvxToolPathButton(nullptr), 100, 0);
  auto* owner = dynamic_cast<TvxVisualObject*>(pb->FindResource("pathowner"));
  auto* path = dynamic_cast<TvxPath*>(pb->FindResource("path"));
  ASSERT_NE(owner, nullptr);
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(owner->Align(), vaNone);
  pb->Path()->SetData("M 0,0 L 10,0 L 5,8 Z");
  pb->SetPathStrokeThickness(2);
  EXPECT_EQ(owner->Align(), vaTop);
  EXPECT_EQ(owner->Height(), 32.0f);
  EXPECT_FALSE(path->Data()->IsEmpty());
  EXPECT_EQ(path->Fill()->Color(), 0xFFFFFFFFu);
  EXPECT_EQ(path->StrokeThickness(), 2.0f);
  EXPECT_FALSE(pb->CanFocused());
}

TEST_F(Buttons, ACornerButtonShapesItsBackgroundPart) {
  ControlScene s;
  auto* b = s.Add(new TvxHudCornerButton(nullptr), 0, 0);
  auto* back = dynamic_cast<TvxRectangle*>(b->FindResource("background"));
  ASSERT_NE(back, nullptr);
  b->SetxRadius(6);
  b->SetCorners(TvxCorners{vgCornerTopLeft});
  b->SetCornerType(vgCornerBevel);
  b->SetSides(TvxSides{vgSideTop, vgSideLeft});
  EXPECT_EQ(back->xRadius(), 6.0f);
  EXPECT_EQ(back->yRadius(), 3.0f);
  EXPECT_EQ(back->Corners(), TvxCorners{vgCornerTopLeft});
  EXPECT_EQ(back->CornerType(), vgCornerBevel);
  EXPECT_EQ(back->Sides(), (TvxSides{vgSideTop, vgSideLeft}));
}

TEST_F(Buttons, APopupButtonOpensItsMenuBelowItself) {
  ControlScene s;
  auto* b = Place<TvxPopupButton>(s);
  b->Position()->SetPoint({10.4f, 10.6f});
  RecordingMenu menu;
  b->SetPopupMenu(&menu);
  Press(s, 20, 20);
  Release(s, 20, 20);
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_EQ(menu.opener, b);
  EXPECT_EQ(menu.x, 10);
  EXPECT_EQ(menu.y, 33);
  b->SetPopupMenu(nullptr);
}

}  // namespace buttons_test
