// Check boxes, radio buttons, the group box and the close button, driven through the host:
// toggling at the release, the order of the click and the change, keys and data, radio
// groups across the tree, the path check mark, and the close button's release anywhere.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/core/ImageShapes.h"

namespace check_controls_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class CheckControls : public vgtest::ControlsTest {
protected:
  void Press(ControlScene& S, float X, float Y) { S.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, X, Y); }
  void Move(ControlScene& S, float X, float Y) { S.scene.MouseMove({rtl::ssLeft}, X, Y); }
  void Release(ControlScene& S, float X, float Y) { S.scene.MouseUp(rtl::mbLeft, {}, X, Y); }
  void Key(TvxVisualObject* O, uint16_t K) {
    char16_t ch = 0;
    O->KeyDown(K, ch, {});
  }
  std::vector<std::string> log;
};

TvxRadioButton* Radio(ControlScene& S, float Y, const std::string& Group, std::vector<std::string>& Log,
                      const std::string& Name) {
  auto* r = S.Add(new TvxHudRadioButton(nullptr), 10, Y);
  r->SetGroupName(Group);
  r->OnChange = [&Log, r, Name](rtl::TObject*) { Log.push_back(Name + (r->IsChecked() ? "+" : "-")); };
  return r;
}

}  // namespace

TEST_F(CheckControls, ACheckBoxTogglesAtAReleaseOverItAfterItsClick) {
  ControlScene s;
  auto* box = new TvxHudCheckBox(nullptr);
  box->SetText(u"Buzzer");
  s.Add(box, 10, 10);
  auto* caption = dynamic_cast<TvxText*>(box->FindResource("text"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->Text(), u"Buzzer");
  EXPECT_EQ(caption->HorzTextAlign(), vgTextAlignNear);
  EXPECT_EQ(box->Width(), 120.0f);
  EXPECT_EQ(box->Height(), 19.0f);
  EXPECT_EQ(box->TextAlign(), vgTextAlignNear);
  box->OnClick = [this](rtl::TObject*) { log.push_back("click"); };
  box->OnChange = [this, box](rtl::TObject*) { log.push_back(box->IsChecked() ? "checked" : "unchecked"); };
  Press(s, 20, 20);
  EXPECT_TRUE(box->IsPressed());
  Move(s, 300, 20);
  EXPECT_FALSE(box->IsPressed());
  Release(s, 300, 20);
  EXPECT_FALSE(box->IsChecked());
  EXPECT_TRUE(log.empty());
  Press(s, 20, 20);
  Move(s, 300, 20);
  Move(s, 25, 18);
  EXPECT_TRUE(box->IsPressed());
  Release(s, 25, 18);
  EXPECT_FALSE(box->IsPressed());
  EXPECT_TRUE(box->IsChecked());
  EXPECT_EQ(log, (std::vector<std::string>{"click", "checked"}));
  // The style shows the mark once its animation has run.
  clock.Advance(300);
  auto* mark = dynamic_cast<TvxVisualObject*>(box->FindResource("checkmark"));
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->Opacity(), 1.0f);
  // Enter and Space toggle; the same value again reports nothing.
  log.clear();
  Key(box, win::VK_RETURN);
  Key(box, win::VK_SPACE);
  Key(box, 'A');
  box->SetIsChecked(true);
  EXPECT_EQ(log, (std::vector<std::string>{"unchecked", "checked"}));
}

TEST_F(CheckControls, TheDataOfACheckBoxIsItsState) {
  TvxCheckBox box(nullptr);
  int changes = 0;
  rtl::TNotifyEvent counter = [&](rtl::TObject*) { ++changes; };
  box.SetData(counter.ToMethod());
  box.SetData(true);
  EXPECT_TRUE(box.IsChecked());
  EXPECT_TRUE(std::get<bool>(box.GetData()));
  box.SetData(std::string("1"));  // not a Boolean: unchecks
  EXPECT_FALSE(box.IsChecked());
  EXPECT_EQ(changes, 2);
}

TEST_F(CheckControls, RadioButtonsOfAGroupExcludeEachOtherAcrossTheTree) {
  ControlScene s;
  auto* a1 = Radio(s, 0, "A", log, "a1");
  auto* a2 = Radio(s, 20, "A", log, "a2");
  auto* b1 = Radio(s, 40, "B", log, "b1");
  auto* lower = Radio(s, 60, "a", log, "lower");  // names compare with case
  // The third member of "A" sits deeper in the tree.
  auto* panel = s.Add(new TvxPanel(nullptr), 150, 0);
  auto* a3 = new TvxRadioButton(nullptr);
  panel->AddObject(a3);
  a3->SetGroupName("A");
  a3->OnChange = [this, a3](rtl::TObject*) { log.push_back(a3->IsChecked() ? "a3+" : "a3-"); };
  a1->SetIsChecked(true);
  a2->SetIsChecked(true);
  b1->SetIsChecked(true);
  lower->SetIsChecked(true);
  log.clear();
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 155, 5);
  s.scene.MouseUp(rtl::mbLeft, {}, 155, 5);
  EXPECT_TRUE(a3->IsChecked());
  EXPECT_FALSE(a1->IsChecked());
  EXPECT_FALSE(a2->IsChecked());
  EXPECT_TRUE(b1->IsChecked());
  EXPECT_TRUE(lower->IsChecked());
  // The one that was checked reports first, the newly checked one last.
  EXPECT_EQ(log, (std::vector<std::string>{"a2-", "a3+"}));
  // The last checked member stays checked: not by a click, a key or the setter.
  log.clear();
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 155, 5);
  s.scene.MouseUp(rtl::mbLeft, {}, 155, 5);
  Key(a3, win::VK_SPACE);
  a3->SetIsChecked(false);
  EXPECT_TRUE(a3->IsChecked());
  EXPECT_TRUE(log.empty());
  // Once another member is checked (a1, checked while it was in another group), unchecking
  // is allowed.
  a1->SetGroupName("C");
  a1->SetIsChecked(true);
  a1->SetGroupName("A");
  a3->SetIsChecked(false);
  EXPECT_FALSE(a3->IsChecked());
}

TEST_F(CheckControls, ALoneRadioButtonCanBeCheckedButNeverUnchecked) {
  TvxRadioButton lone(nullptr);
  lone.SetIsChecked(true);
  EXPECT_TRUE(lone.IsChecked());
  Key(&lone, win::VK_SPACE);
  lone.SetData(false);
  EXPECT_TRUE(lone.IsChecked());
  ControlScene s;
  auto* inScene = Radio(s, 0, "", log, "lone");
  inScene->SetIsChecked(true);
  inScene->SetIsChecked(false);
  EXPECT_TRUE(inScene->IsChecked());
  EXPECT_EQ(log, (std::vector<std::string>{"lone+"}));
}

TEST_F(CheckControls, APathCheckBoxDrawsItsOwnMark) {
  ControlScene s;
  auto* box = s.Add(new TvxPathCheckBox(nullptr), 0, 0);
  auto* mark = dynamic_cast<TvxPath*>(box->FindResource("checkmark"));
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->Data()->GetData(), box->Path()->GetData());
  EXPECT_NE(box->Path()->GetData().find("341.236"), std::string::npos);
  box->Path()->SetData("M 0,0 L 4,4 L 0,4 Z");
  EXPECT_EQ(mark->Data()->GetData(), box->Path()->GetData());
}

TEST_F(CheckControls, TheCloseButtonFiresItsOwnClickAtTheReleaseWherever) {
  ControlScene s;
  auto* close = s.Add(new TvxHudCloseButton(nullptr), 10, 10);
  EXPECT_EQ(close->Width(), 20.0f);
  EXPECT_FALSE(close->CanFocused());
  EXPECT_TRUE(close->CloseForm());
  int own = 0, inherited = 0;
  close->OnClick = [&](rtl::TObject*) { ++own; };
  close->TvxVisualObject::OnClick = [&](rtl::TObject*) { ++inherited; };
  Press(s, 15, 15);
  Release(s, 200, 200);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(inherited, 0);
  s.scene.MouseDown(rtl::mbRight, {}, 15, 15);
  s.scene.MouseUp(rtl::mbRight, {}, 15, 15);
  EXPECT_EQ(own, 1);
  // The group box is a plain captioned frame.
  auto* group = s.Add(new TvxHudGroupBox(nullptr), 0, 50);
  group->SetText(u"Errors");
  EXPECT_FALSE(group->CanFocused());
  EXPECT_EQ(group->Height(), 100.0f);
  auto* caption = dynamic_cast<TvxText*>(group->FindResource("text"));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->Text(), u"Errors");
}

}  // namespace check_controls_test
