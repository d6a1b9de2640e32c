// Texts longer than their controls, on a real X screen (Xvfb) against the ECU simulator: a
// language with longer words, then one with very long texts. Every caption stays within its
// control: a tab's, a label's and a group box's line is cut at its end with an ellipsis, and
// the combo box beside a long label looks as it did in English.
#include <chrono>
#include <string>

#include "app/ui/Page_CFG.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/rtl/CodePage.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
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
  vgtest::Screenshot screen;
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
}

}  // namespace

}  // namespace long_texts_screen_test
