// A language chosen from the main window's menu while the ECU reports a gas leak, on a real X
// screen (Xvfb) against the ECU simulator: what the Setup page shows, the error memo's lines
// included, and the status line's message in force, is in the new language at once, and
// back in English when English is chosen.
#include <chrono>
#include <string>

#include "app/ui/Page_CFG.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/rtl/CodePage.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/TextControls.h"

namespace language_screen_test {

namespace {

using namespace std::chrono_literals;

TEST(LanguageScreen, TheErrorMemoFollowsANewLanguageAtOnce) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("LanguageScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class LanguageScreenChild : public apptest::SimulatorScreenTest {
protected:
  ecusim::EcuState SimulatorState() const override {
    ecusim::EcuState s = ecusim::DefaultState();
    s.Live.Errors2 = 4;  // the seal system leaks
    return s;
  }
  void SetUp() override {
    SimulatorScreenTest::SetUp();
    folder.Write("Language/Deutsch.lng",
                 "DynamicIND_Error_GasLeakage Dichtung defekt. Gas tritt aus.\r\n"
                 "DynamicIND_Error FEHLER\r\n"
                 "CFG_Config_PG_RPM Umschalten auf Gas ab Drehzahl\r\n");
  }
  // Picks the language named Name from the language menu's list, as a click on it does.
  void Choose(const std::u16string& Name) {
    vg::TvxHudStringListBox* list = main->Parts().HudStringListBox_Menu_LNG;
    for (int i = 0; i < list->Items()->Count(); ++i)
      if (list->Items()->Get(i) == Name) main->ChooseLanguage(i);
    RunFor(300ms);
    // A machine busy enough to miss a reply restarts the link, which empties the memo until
    // the ECU is read again; on an idle one it holds its text throughout.
    vg::TvxHudMemo* errors = main->PageCFG()->Parts().HudMemo_CFG_Errors;
    EXPECT_TRUE(RunUntil([&] { return !errors->Text().empty(); }, 8s)) << "the errors were not read again";
  }
};

TEST_F(LanguageScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  vg::TvxHudMemo* errors = main->PageCFG()->Parts().HudMemo_CFG_Errors;
  ASSERT_TRUE(RunUntil([&] { return errors->Text() == u"Broken seal system. Gas leakage."; }, 8s))
      << rtl::WideToUtf8(errors->Text());
  RunFor(300ms);

  vg::TvxHudLabel* status = main->Parts().HudLabel_DynamicIND;
  ASSERT_TRUE(RunUntil([&] { return status->Text() == u"ERROR"; }, 4s)) << rtl::WideToUtf8(status->Text());
  Choose(u"Deutsch");
  EXPECT_EQ(errors->Text(), u"Dichtung defekt. Gas tritt aus.");
  EXPECT_EQ(status->Text(), u"FEHLER") << "the status line's message in force";
  EXPECT_EQ(main->PageCFG()->Parts().HudLabel_CFG_PG_RPM->Text(), u"Umschalten auf Gas ab Drehzahl >");
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_language_changed.png");

  Choose(u"English");
  EXPECT_EQ(errors->Text(), u"Broken seal system. Gas leakage.");
  EXPECT_EQ(status->Text(), u"ERROR");
}

}  // namespace

}  // namespace language_screen_test
