// The input box driven from inside its modal loop with keys and clicks: the text offered
// selected, typing over it, Enter for OK and Escape or the close button for Cancel; the
// brush designer's "Make a Resource" asking through it; and its picture on the screen.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <memory>
#include <vector>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/InputQuery.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"
#include "tests/vg2d_controls/ModalSteps.h"

namespace input_query_test {

using namespace vg;
using looptest::Later;
using vgtest::ControlScene;

namespace {


// Runs Steps on the input box from inside its modal loop; a box still open afterwards is
// ended with GaveUp, so that steps that fail to close it fail the test instead of hanging it.
void InTheBox(std::function<void(TvxInputQueryForm&)> Steps) {
  Later([Steps] {
    auto* box = dynamic_cast<TvxInputQueryForm*>(win::ActiveForm());
    ASSERT_NE(box, nullptr) << "the input box is the active window";
    Steps(*box);
    vgtest::EndIfStillOpen(*box);
  });
}

using vgtest::Click;

class InputBoxes : public vgtest::ControlsTest {};

}  // namespace

TEST_F(InputBoxes, TypingOverTheOfferedTextAndEnterAnswerTheTypedText) {
  std::u16string value = u"Brush1";
  InTheBox([](TvxInputQueryForm& B) {
    EXPECT_TRUE(B.Showing());
    EXPECT_EQ(B.Window()->Text(), u"New name");
    EXPECT_EQ(B.Caption(), "New name");
    EXPECT_EQ(B.Prompt()->Text(), u"Enter a name:");
    EXPECT_EQ(B.Edit()->Text(), u"Brush1");
    EXPECT_EQ(B.Edit()->SelLength(), 6) << "the offered text is selected";
    EXPECT_TRUE(B.Edit()->IsFocused());
    win::SimulateText(&B, "Red");
    win::SimulateText(&B, "\xC3\xA9");  // é
    EXPECT_EQ(B.Edit()->Text(), u"Red\u00E9");
    win::SimulateKeyStroke(&B, SDLK_RETURN);
  });
  EXPECT_TRUE(InputQuery(u"New name", u"Enter a name:", value));
  EXPECT_EQ(value, u"Red\u00E9");
}

TEST_F(InputBoxes, EscapeTheCloseButtonAndCancelLeaveTheValueAsItWas) {
  std::u16string value = u"kept";
  InTheBox([](TvxInputQueryForm& B) {
    win::SimulateText(&B, "lost");
    win::SimulateKeyStroke(&B, SDLK_ESCAPE);
  });
  EXPECT_FALSE(InputQuery(u"Title", u"Prompt", value));
  EXPECT_EQ(value, u"kept");

  InTheBox([](TvxInputQueryForm& B) {
    win::SimulateText(&B, "lost");
    B.Window()->ApplyResource();
    auto* close = FindPart<TvxCloseButton>(B.Window(), "close");
    ASSERT_NE(close, nullptr);
    Click(&B, close);
  });
  EXPECT_FALSE(InputQuery(u"Title", u"Prompt", value));
  EXPECT_EQ(value, u"kept");

  // InputBox gives the default back on Cancel and the typed text on OK (here by a click).
  InTheBox([](TvxInputQueryForm& B) { Click(&B, B.CancelButton()); });
  EXPECT_EQ(InputBox(u"Title", u"Prompt", u"default"), u"default");
  InTheBox([](TvxInputQueryForm& B) {
    win::SimulateText(&B, "typed");
    Click(&B, B.OkButton());
  });
  EXPECT_EQ(InputBox(u"Title", u"Prompt", u"default"), u"typed");
}

TEST_F(InputBoxes, TheBoxLiesOverTheMiddleOfTheActiveWindow) {
  auto owner = std::make_unique<win::TForm>(nullptr);  // forms live on the heap
  owner->SetBounds(100, 80, 600, 400);
  owner->Show();
  rtl::Application->ProcessMessages();
  ASSERT_EQ(win::ActiveForm(), owner.get());
  std::u16string value;
  InTheBox([](TvxInputQueryForm& B) {
    EXPECT_EQ(B.Left() + B.Width() / 2, 100 + 300);
    EXPECT_EQ(B.Top() + B.Height() / 2, 80 + 200);
  });
  EXPECT_FALSE(InputQuery(u"T", u"P", value));
}

// "Make a Resource" asks for the name through the input box, offering the next free one;
// a name that is no component name makes nothing.
TEST_F(InputBoxes, MakeAResourceAsksForTheNameAndCreatesNothingUnderABadOne) {
  ControlScene s;
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  shape->Fill()->SetSolidColor(0xFF2040A0);
  auto design = std::make_unique<TvxBrushDesign>(nullptr);
  design->SetDesignObject(shape);
  const int before = s.root->GetChildrenCount();

  InTheBox([](TvxInputQueryForm& B) {
    EXPECT_EQ(B.Window()->Text(), u"New TvxBrushObject");
    EXPECT_EQ(B.Prompt()->Text(), u"Enter resource name:");
    EXPECT_EQ(B.Edit()->Text(), u"Brush1");
    win::SimulateKeyStroke(&B, SDLK_RETURN);
  });
  design->MakeResourceButton()->Click();
  ASSERT_EQ(s.root->GetChildrenCount(), before + 1);
  auto* made = dynamic_cast<TvxBrushObject*>(s.root->GetChild(before));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ResourceName(), "Brush1");
  EXPECT_EQ(made->Brush()->Color(), 0xFF2040A0u);
  EXPECT_EQ(design->ResourceList()->Count(), 1);

  InTheBox([](TvxInputQueryForm& B) {
    EXPECT_EQ(B.Edit()->Text(), u"Brush2");
    win::SimulateText(&B, "two words");
    win::SimulateKeyStroke(&B, SDLK_RETURN);
  });
  EXPECT_THROW(design->MakeResourceButton()->Click(), rtl::Exception);
  EXPECT_EQ(s.root->GetChildrenCount(), before + 1) << "nothing made under a bad name";
  EXPECT_EQ(design->ResourceList()->Count(), 1);

  InTheBox([](TvxInputQueryForm& B) { win::SimulateKeyStroke(&B, SDLK_ESCAPE); });
  design->MakeResourceButton()->Click();
  EXPECT_EQ(s.root->GetChildrenCount(), before + 1) << "nothing made on Cancel";
}

TEST_F(InputBoxes, TheShownBoxMatchesItsReferencePicture) {
  auto box = std::make_unique<TvxInputQueryForm>(nullptr);
  box->SetColor(0xFF5A7A96u);
  box->Prepare(u"New TvxBrushObject", u"Enter resource name:", u"Brush1");
  box->Show();
  rtl::Application->ProcessMessages();
  const std::vector<uint32_t>& frame = box->PresentedFrame();
  ASSERT_EQ(frame.size(), static_cast<size_t>(box->Width() * box->Height()));
  TvxBitmap shot(box->Width(), box->Height());
  std::copy(frame.begin(), frame.end(), shot.Bits());
  vgtest::ExpectReferencePicture(shot, "input_query.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace input_query_test
