// The font dialog driven from inside its modal loop: the font it opens on, the family list
// and the typed family following each other, sizes typed or picked, styles, the colour
// through the brush dialog, OK and Cancel; the answer hook that stands in for the user;
// the inspector's "Edit..." on a font; and its picture on the screen.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "platform/win/WinTypes.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ColorControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/FontDialog.h"
#include "vg2d/controls/Inspector.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/TextShape.h"
#include "tests/vg2d_controls/ModalSteps.h"

namespace font_dialog_test {

using namespace vg;
using looptest::Later;
using vgtest::ControlScene;

namespace {


// Runs Steps on the font dialog from inside its modal loop; a dialog still open afterwards
// is ended with GaveUp, so that steps that fail to close it fail the test instead of
// hanging it.
void InTheDialog(std::function<void(TvxFontDialogForm&)> Steps) {
  Later([Steps] {
    auto* d = dynamic_cast<TvxFontDialogForm*>(win::ActiveForm());
    ASSERT_NE(d, nullptr) << "the font dialog is the active window";
    Steps(*d);
    vgtest::EndIfStillOpen(*d);
  });
}

using vgtest::Click;

std::u16string Selected(TvxStringListBox* List) {
  const int i = List->ItemIndex();
  return i >= 0 && i < List->Items()->Count() ? List->Items()->Get(i) : u"";
}

// Sets the dialog's answer hook for a scope.
struct AnswerHook {
  explicit AnswerHook(std::function<bool(TvxFontDialog&)> F) { TvxFontDialog::Answer = std::move(F); }
  ~AnswerHook() { TvxFontDialog::Answer = nullptr; }
};

class FontDialogs : public vgtest::ControlsTest {};

}  // namespace

TEST_F(FontDialogs, TheShownDialogMatchesItsReferencePicture) {
  auto d = std::make_unique<TvxFontDialogForm>(nullptr);
  d->SetColor(0xFF5A7A96u);  // the desktop under the window
  TvxFont font;
  font.SetFamily("DejaVu Serif");
  font.SetSize(22);
  font.SetStyle(vgFontBold);
  d->Prepare(u"Font", {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif", "Loma"}, font, true, 0xFFFFC040u);
  d->Show();
  rtl::Application->ProcessMessages();
  const std::vector<uint32_t>& frame = d->PresentedFrame();
  ASSERT_EQ(frame.size(), static_cast<size_t>(d->Width() * d->Height()));
  TvxBitmap shot(d->Width(), d->Height());
  std::copy(frame.begin(), frame.end(), shot.Bits());
  vgtest::ExpectReferencePicture(shot, "font_dialog.png", VG2D_CONTROLS_TEST_DATA);
}

TEST_F(FontDialogs, TheDialogOpensOnTheFontAndOkTakesTheFamilyStyleAndATypedSize) {
  TvxFont font;
  font.SetFamily("DejaVu Sans");
  font.SetSize(14);
  font.SetStyle(vgFontBold);
  TvxColor colour = 0xFF336699u;
  InTheDialog([](TvxFontDialogForm& D) {
    EXPECT_EQ(D.Window()->Text(), u"Font");
    EXPECT_EQ(D.FamilyBox()->Text(), u"DejaVu Sans");
    EXPECT_EQ(Selected(D.FamilyList()), u"DejaVu Sans") << "the installed families are offered";
    EXPECT_EQ(D.StyleList()->ItemIndex(), 1);
    EXPECT_EQ(D.SizeBox()->Text(), u"14");
    EXPECT_EQ(D.ChosenSize(), 14.0f);
    EXPECT_EQ(Selected(D.SizeList()), u"14");
    EXPECT_TRUE(D.ColorRow()->Visible());
    EXPECT_EQ(D.ColorSwatch()->Color(), 0xFF336699u);
    // The sample shows the font as it stands.
    EXPECT_EQ(D.Sample()->Font()->Family(), "DejaVu Sans");
    EXPECT_EQ(D.Sample()->Font()->Size(), 14.0f);
    EXPECT_EQ(D.Sample()->Font()->Style(), vgFontBold);
    EXPECT_EQ(D.Sample()->Fill()->Color(), 0xFF336699u);

    // A family picked in the list goes into the box and the sample; a style, a size too.
    const int serif = D.FamilyList()->Items()->IndexOf(u"DejaVu Serif");
    ASSERT_GE(serif, 0);
    D.FamilyList()->SetItemIndex(serif);
    EXPECT_EQ(D.FamilyBox()->Text(), u"DejaVu Serif");
    EXPECT_EQ(D.Sample()->Font()->Family(), "DejaVu Serif");
    D.StyleList()->SetItemIndex(2);
    EXPECT_EQ(D.Sample()->Font()->Style(), vgFontItalic);
    D.SizeList()->SetItemIndex(D.SizeList()->Items()->IndexOf(u"36"));
    EXPECT_EQ(D.SizeBox()->Text(), u"36");
    EXPECT_EQ(D.Sample()->Font()->Size(), 36.0f);

    // A size typed into the box and taken by Enter (OK) without being entered first.
    Click(&D, D.SizeBox());
    D.SizeBox()->SelectAll();
    win::SimulateText(&D, "20");
    EXPECT_EQ(D.SizeBox()->Text(), u"20");
    win::SimulateKeyStroke(&D, SDLK_RETURN);
  });
  ASSERT_TRUE(EditFontDialog(&font, &colour));
  EXPECT_EQ(font.Family(), "DejaVu Serif");
  EXPECT_EQ(font.Size(), 20.0f);
  EXPECT_EQ(font.Style(), vgFontItalic);
  EXPECT_EQ(colour, 0xFF336699u) << "a colour not picked stays as it was";
}

TEST_F(FontDialogs, CancelAndEscapeChangeNothingAndWithoutAColourTheColourIsNotOffered) {
  TvxFont font;
  font.SetFamily("DejaVu Sans");
  font.SetSize(11);
  InTheDialog([](TvxFontDialogForm& D) {
    EXPECT_FALSE(D.ColorRow()->Visible());
    D.StyleList()->SetItemIndex(3);
    D.SizeList()->SetItemIndex(0);
    Click(&D, D.CancelButton());
  });
  EXPECT_FALSE(EditFontDialog(&font));
  InTheDialog([](TvxFontDialogForm& D) {
    D.StyleList()->SetItemIndex(4);
    win::SimulateKeyStroke(&D, SDLK_ESCAPE);
  });
  EXPECT_FALSE(EditFontDialog(&font));
  EXPECT_EQ(font.Family(), "DejaVu Sans");
  EXPECT_EQ(font.Size(), 11.0f);
  EXPECT_EQ(font.Style(), vgFontRegular);
  EXPECT_FALSE(EditFontDialog(nullptr));
}

// A family the machine lacks is kept unless the user picks another; a typed name selects
// its entry whatever its letter case, and an emptied box keeps the font's family.
TEST_F(FontDialogs, TheFamilyBoxKeepsAMissingFamilyAndSelectsTypedNames) {
  TvxFontDialog dialog;
  dialog.Families = {"Alpha Sans", "Beta Serif", "Gamma Mono"};
  dialog.Font.SetFamily("Missing Family");
  dialog.Font.SetStyle(vgFontStrikeout);
  InTheDialog([](TvxFontDialogForm& D) {
    EXPECT_EQ(D.FamilyList()->ItemIndex(), -1);
    EXPECT_EQ(D.FamilyBox()->Text(), u"Missing Family");
    EXPECT_EQ(D.StyleList()->ItemIndex(), 5);
    Click(&D, D.OkButton());
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Font.Family(), "Missing Family");
  EXPECT_EQ(dialog.Font.Style(), vgFontStrikeout);

  InTheDialog([](TvxFontDialogForm& D) {
    EXPECT_TRUE(D.FamilyBox()->IsFocused());
    EXPECT_EQ(D.FamilyBox()->SelLength(), 14) << "the family is selected, so typing replaces it";
    win::SimulateText(&D, "beta serif");
    EXPECT_EQ(Selected(D.FamilyList()), u"Beta Serif");
    EXPECT_EQ(D.Sample()->Font()->Family(), "beta serif");
    // Picking in the list after typing writes the list's name.
    D.FamilyList()->SetItemIndex(2);
    EXPECT_EQ(D.FamilyBox()->Text(), u"Gamma Mono");
    D.FamilyBox()->SetText(u"   ");
    EXPECT_EQ(D.FamilyList()->ItemIndex(), 2) << "a name matching nothing leaves the selection";
    win::SimulateKeyStroke(&D, SDLK_RETURN);
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Font.Family(), "Missing Family") << "an empty box keeps the family";
}

// Sizes typed out of range are brought in; a comma is a decimal point.
TEST_F(FontDialogs, TypedSizesAreKeptInRange) {
  TvxFontDialog dialog;
  dialog.Families = {"Alpha Sans"};
  dialog.Font.SetSize(12.5f);
  const auto typeSize = [&](const std::u16string& Text) {
    InTheDialog([Text](TvxFontDialogForm& D) {
      EXPECT_EQ(D.SizeList()->ItemIndex(), -1) << "12.5 is no size of the list";
      EXPECT_EQ(D.SizeBox()->Text(), u"12.5");
      D.SizeBox()->SetText(Text);
      Click(&D, D.OkButton());
    });
    EXPECT_TRUE(dialog.Execute());
    const float size = dialog.Font.Size();
    dialog.Font.SetSize(12.5f);
    return size;
  };
  EXPECT_EQ(typeSize(u"12.5"), 12.5f);
  EXPECT_EQ(typeSize(u" 20,5 "), 20.5f);
  EXPECT_EQ(typeSize(u"99999"), TvxFontDialogForm::MaxSize);
  EXPECT_EQ(typeSize(u"-3"), TvxFontDialogForm::MinSize);
}

// Letters typed into the size box are shown as typed. OK (the button or Enter) with a size
// that is no number says which box takes what, beside the sample, and the dialog stays open
// with the box's text selected; nothing is raised. A number typed then clears the message.
TEST_F(FontDialogs, ASizeThatIsNoNumberIsRefusedSayingWhatTheBoxTakesAndTheDialogStaysOpen) {
  std::vector<std::string> raised;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { raised.push_back(E.what()); };
  TvxFontDialog dialog;
  dialog.Families = {"Alpha Sans"};
  dialog.Font.SetSize(14);
  dialog.MinSize = 6;
  dialog.MaxSize = 72;
  InTheDialog([](TvxFontDialogForm& D) {
    EXPECT_EQ(D.SizeMessage()->Text(), u"");
    Click(&D, D.SizeBox());
    D.SizeBox()->SelectAll();
    win::SimulateText(&D, "abc");
    EXPECT_EQ(D.SizeBox()->Text(), u"abc") << "letters are typed, not dropped";
    EXPECT_EQ(D.Sample()->Font()->Size(), 14.0f) << "the sample keeps the last size";
    Click(&D, D.OkButton());
    EXPECT_EQ(D.ModalResult(), win::mrNone) << "the dialog stays open";
    EXPECT_EQ(D.SizeMessage()->Text(), u"Size takes a number from 6 to 72.");
    EXPECT_TRUE(D.SizeBox()->IsFocused());
    EXPECT_EQ(D.SizeBox()->SelLength(), 3) << "the text is selected, so typing replaces it";
    win::SimulateKeyStroke(&D, SDLK_BACKSPACE);
    EXPECT_EQ(D.SizeBox()->Text(), u"");
    win::SimulateKeyStroke(&D, SDLK_RETURN);
    EXPECT_EQ(D.ModalResult(), win::mrNone) << "an empty size is no number either";
    EXPECT_EQ(D.SizeMessage()->Text(), u"Size takes a number from 6 to 72.");
    win::SimulateText(&D, "2");
    EXPECT_EQ(D.SizeMessage()->Text(), u"") << "a number clears the message";
    EXPECT_EQ(D.Sample()->Font()->Size(), 14.0f) << "2 is below the sizes taken: half typed";
    win::SimulateText(&D, "0");
    EXPECT_EQ(D.Sample()->Font()->Size(), 20.0f);
    EXPECT_EQ(D.SizeList()->ItemIndex(), D.SizeList()->Items()->IndexOf(u"20"));
    win::SimulateText(&D, "0");
    EXPECT_EQ(D.Sample()->Font()->Size(), 20.0f) << "200 is beyond them: the last size stays";
    win::SimulateKeyStroke(&D, SDLK_RETURN);
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Font.Size(), 72.0f) << "OK brings 200 within the sizes taken";
  rtl::Application->OnException = nullptr;
  EXPECT_TRUE(raised.empty()) << raised.front();
}

// A caller that keeps four styles is offered those four: a font of a style it cannot keep
// opens on Regular, and OK gives one of the four, never a style the list no longer shows.
TEST_F(FontDialogs, ADialogNarrowedToFourStylesOffersThoseAndOpensAnUnkeptStyleOnRegular) {
  TvxFontDialog dialog;
  dialog.Families = {"Alpha Sans"};
  dialog.Font.SetStyle(vgFontUnderline);
  dialog.StyleCount = 4;
  InTheDialog([](TvxFontDialogForm& D) {
    ASSERT_EQ(D.StyleList()->Items()->Count(), 4);
    EXPECT_EQ(D.StyleList()->Items()->Get(3), u"Bold Italic");
    EXPECT_EQ(D.StyleList()->ItemIndex(), 0);
    EXPECT_EQ(D.Sample()->Font()->Style(), vgFontRegular);
    Click(&D, D.OkButton());
  });
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.Font.Style(), vgFontRegular) << "OK gave the style the list did not show";
  // Unnarrowed, the six are offered and a font keeps its style.
  TvxFontDialog all;
  all.Families = {"Alpha Sans"};
  all.Font.SetStyle(vgFontStrikeout);
  InTheDialog([](TvxFontDialogForm& D) {
    EXPECT_EQ(D.StyleList()->Items()->Count(), 6);
    EXPECT_EQ(D.StyleList()->ItemIndex(), 5);
    Click(&D, D.OkButton());
  });
  ASSERT_TRUE(all.Execute());
  EXPECT_EQ(all.Font.Style(), vgFontStrikeout);
}

TEST_F(FontDialogs, TheColourIsPickedOpaqueWithTheBrushDialogAndNotOnCancel) {
  struct BrushHook {
    explicit BrushHook(std::function<void(TvxBrushDesign&)> F) { TvxBrushDialog::OnAnyShow = std::move(F); }
    ~BrushHook() { TvxBrushDialog::OnAnyShow = nullptr; }
  };
  TvxFont font;
  TvxColor colour = 0xFF000000u;
  InTheDialog([](TvxFontDialogForm& D) {
    {
      BrushHook cancel([](TvxBrushDesign& B) {
        EXPECT_TRUE(B.Tab(vgBrushSolid)->Visible());
        EXPECT_FALSE(B.Tab(vgBrushGradient)->Visible());
        B.CancelButton()->Click();
      });
      D.ColorButton()->Click();
    }
    EXPECT_EQ(D.TextColor(), 0xFF000000u);
    BrushHook ok([](TvxBrushDesign& B) {
      B.SolidHex()->SetText(u"#80C04020");
      uint16_t key = win::VK_RETURN;
      char16_t ch = 0;
      B.SolidHex()->KeyDown(key, ch, {});
      B.OkButton()->Click();
    });
    D.ColorButton()->Click();
    EXPECT_EQ(D.TextColor(), 0xFFC04020u);
    EXPECT_EQ(D.ColorSwatch()->Color(), 0xFFC04020u);
    EXPECT_EQ(D.Sample()->Fill()->Color(), 0xFFC04020u);
    Click(&D, D.OkButton());
  });
  ASSERT_TRUE(EditFontDialog(&font, &colour));
  EXPECT_EQ(colour, 0xFFC04020u);
}

// The hook answers for the user: it sees the preset, and what it leaves is taken on OK only.
TEST_F(FontDialogs, TheAnswerHookStandsInForTheUserWithoutAWindow) {
  TvxFont font;
  font.SetFamily("Tahoma");
  font.SetSize(13);
  TvxColor colour = 0xFF102030u;
  int asked = 0;
  {
    AnswerHook hook([&](TvxFontDialog& D) {
      ++asked;
      EXPECT_EQ(win::ActiveForm(), nullptr) << "no window shows";
      EXPECT_EQ(D.Font.Family(), "Tahoma");
      EXPECT_EQ(D.Font.Size(), 13.0f);
      EXPECT_TRUE(D.ShowColor);
      EXPECT_EQ(D.Color, 0xFF102030u);
      D.Font.SetFamily("DejaVu Sans");
      D.Font.SetStyle(vgFontUnderline);
      D.Color = 0xFFFFFFFFu;
      return asked == 1;
    });
    EXPECT_TRUE(EditFontDialog(&font, &colour));
    EXPECT_EQ(font.Family(), "DejaVu Sans");
    EXPECT_EQ(font.Style(), vgFontUnderline);
    EXPECT_EQ(colour, 0xFFFFFFFFu);
    font.SetFamily("Tahoma");
    colour = 0xFF102030u;
    EXPECT_FALSE(EditFontDialog(&font, &colour));
    EXPECT_EQ(font.Family(), "Tahoma") << "Cancel takes nothing the hook changed";
    EXPECT_EQ(colour, 0xFF102030u);
  }
  EXPECT_EQ(asked, 2);
}

TEST_F(FontDialogs, TheInspectorEditsAFontPropertyInTheFontDialog) {
  ControlScene s;
  auto* inspector = s.Add(new TvxInspector(nullptr), 10, 10);
  inspector->SetBounds(10, 10, 280, 200);
  auto* text = s.Add(new TvxText(nullptr), 0, 0);
  text->Font()->SetFamily("DejaVu Sans");
  inspector->SetSelectedObject(text);
  inspector->SetSelected(inspector->FindRow(text, "Font"));
  ASSERT_TRUE(inspector->EditButton()->Visible());
  EXPECT_EQ(inspector->EditButton()->Text(), u"Edit...");
  int asked = 0;
  AnswerHook hook([&](TvxFontDialog& D) {
    ++asked;
    EXPECT_FALSE(D.ShowColor) << "a 2D font has no colour";
    EXPECT_EQ(D.Font.Family(), "DejaVu Sans");
    D.Font.SetSize(30);
    return true;
  });
  inspector->EditButton()->Click();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(text->Font()->Size(), 30.0f) << "the live font takes the choice";
}

}  // namespace font_dialog_test
