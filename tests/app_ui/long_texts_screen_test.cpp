// Texts longer than their controls, on a real X screen (Xvfb) against the ECU simulator: the
// window's caption with a file's name after the splitter moved, a language with longer words,
// then one with very long texts. Every caption stays within its control: the window's, a
// tab's, a label's and a group box's line is cut at its end with an ellipsis, and the combo box
// beside a long label looks as it did in English.
#include <algorithm>
#include <chrono>
#include <string>

#include "app/ui/Page_CFG.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/rtl/CodePage.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "ecu/Config_Unit.h"
#include "ecu/Session.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/TextShape.h"

namespace long_texts_screen_test {

namespace {

using namespace std::chrono_literals;

TEST(LongTextsScreen, EveryCaptionStaysWithinItsControl) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("LongTextsScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class LongTextsScreenChild : public apptest::SimulatorScreenTest {
protected:
  void SetUp() override {
    SimulatorScreenTest::SetUp();
    folder.Write("Language/Lang.lng",
                 "Page_CFG Grundeinstellungsseitenuebersicht\r\n"
                 "CFG_Config_PG_RPM Umschaltdrehzahlschwellenwerteinstellungsbereich\r\n");
    const std::string veryLong(400, 'W');
    folder.Write("Language/Lang2.lng", "Page_CFG " + veryLong + "\r\nCFG_Config_PG_RPM " + veryLong +
                                           "\r\nCFG_Config " + veryLong + "\r\n");
  }
  void Choose(const std::u16string& Name) {
    vg::TvxHudStringListBox* list = main->Parts().HudStringListBox_Menu_LNG;
    for (int i = 0; i < list->Items()->Count(); ++i)
      if (list->Items()->Get(i) == Name) main->ChooseLanguage(i);
    RunFor(600ms);
  }
  // What a control's text part draws.
  static std::u16string Shown(vg::TvxTextControl* Control) {
    auto* part = vg::FindPart<vg::TvxText>(Control, "text");
    return part ? part->ShownText() : u"<no part>";
  }
  static bool CutWithEllipsis(const std::u16string& Shown, const std::u16string& Whole) {
    return !Shown.empty() && Shown.back() == u'\u2026' && Whole.rfind(Shown.substr(0, Shown.size() - 1), 0) == 0;
  }
  // Whether the screen rectangle [Left, Right) x [Top, Bottom) of the dark title row holds a
  // pixel of light text.
  static bool AnyText(const vgtest::Screenshot& Screen, float Left, float Right, float Top, float Bottom) {
    for (int y = std::max(static_cast<int>(Top), 0); y < std::min(static_cast<int>(Bottom), Screen.height); ++y)
      for (int x = std::max(static_cast<int>(Left), 0); x < std::min(static_cast<int>(Right), Screen.width); ++x) {
        const std::uint32_t p = Screen.At(x, y);
        if (std::min({(p >> 16) & 255u, (p >> 8) & 255u, p & 255u}) > 150) return true;
      }
    return false;
  }
  // The screen's pixels over an object, as a list.
  std::vector<std::uint32_t> PixelsOver(const vgtest::Screenshot& Screen, vg::TvxVisualObject* Object) const {
    std::vector<std::uint32_t> pixels;
    const auto [left, top] = OnScreen(Object);
    for (int y = top; y < top + static_cast<int>(Object->Height()); ++y)
      for (int x = left; x < left + static_cast<int>(Object->Width()); ++x) pixels.push_back(Screen.At(x, y));
    return pixels;
  }
};

TEST_F(LongTextsScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  vgtest::Screenshot screen;
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  RunFor(300ms);
  const app::TPageCFGParts& p = main->PageCFG()->Parts();
  vg::TvxTabItem* setup = main->Parts().TabItems[0];
  vg::TvxHudLabel* rpm = p.HudLabel_CFG_PG_RPM;
  vgtest::Screenshot english;
  ASSERT_TRUE(ReadScreen(english));

  // Longer words: cut at their ends, the combo box beside the label untouched.
  Choose(u"Lang");
  EXPECT_TRUE(CutWithEllipsis(Shown(setup), setup->Text())) << rtl::WideToUtf8(Shown(setup));
  EXPECT_TRUE(CutWithEllipsis(Shown(rpm), rpm->Text())) << rtl::WideToUtf8(Shown(rpm));
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_long_words.png");
  EXPECT_EQ(PixelsOver(screen, p.HudComboTextBox_CFG_PG_RPM), PixelsOver(english, p.HudComboTextBox_CFG_PG_RPM))
      << "the label runs under the combo box";

  // Very long texts: the same, and the group box's caption too.
  Choose(u"Lang2");
  EXPECT_TRUE(CutWithEllipsis(Shown(setup), setup->Text())) << rtl::WideToUtf8(Shown(setup));
  EXPECT_TRUE(CutWithEllipsis(Shown(rpm), rpm->Text()));
  EXPECT_TRUE(CutWithEllipsis(Shown(p.HudGroupBox_CFG), p.HudGroupBox_CFG->Text()));
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_very_long_texts.png");
  EXPECT_EQ(PixelsOver(screen, p.HudComboTextBox_CFG_PG_RPM), PixelsOver(english, p.HudComboTextBox_CFG_PG_RPM));

  // The caption after the splitter moved (the parts it scales painted since), with a file's name
  // and the access code's buttons: cut to the room between the buttons and the icons, as it is
  // without the move.
  main->MoveSplitter(50);
  RunFor(300ms);
  ecu::Session().ConfigData.Configuration->Cfg_Name = "Golf";
  main->UpdateMainCaption();
  ASSERT_TRUE(main->EnterAccessCode(u"pelund7391"));
  RunFor(600ms);
  vg::TvxHudWindow* window = main->Parts().HudWindow_3D_GEN;
  const std::u16string title = main->TitleText();
  EXPECT_TRUE(CutWithEllipsis(window->Text(), title.substr(title.find_first_not_of(u' '))))
      << rtl::WideToUtf8(window->Text());
  {
    auto* caption = vg::FindPart<vg::TvxText>(window, "text");
    ASSERT_NE(caption, nullptr);
    vg::TvxHudButton* settings = main->Parts().HudButton_3D_GEN_Settings;
    const float buttonsEnd = static_cast<float>(main->Left()) + settings->GetAbsoluteRect().Right;
    const float iconsStart = static_cast<float>(main->Left()) + main->CaptionIcons().Minimize->GetAbsoluteRect().Left;
    const vg::TvxRect row = caption->GetAbsoluteRect();
    const float top = static_cast<float>(main->Top()) + row.Top, bottom = static_cast<float>(main->Top()) + row.Bottom;
    ASSERT_TRUE(ReadScreen(screen));
    KeepWindowPicture(screen, "caption_after_splitter.png");
    // (What runs under the buttons and the icons is hidden by them: the cut is what tells.)
    EXPECT_TRUE(AnyText(screen, buttonsEnd + 8, iconsStart - 8, top, bottom)) << "the caption shows";
  }
}

}  // namespace

}  // namespace long_texts_screen_test
