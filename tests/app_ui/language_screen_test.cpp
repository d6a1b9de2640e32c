// A language chosen from the main window's menu while the ECU reports a gas leak, on a real X
// screen (Xvfb) against the ECU simulator: what the Setup page shows, the error memo's lines
// included, and the status line's message in force, is in the new language at once, and
// back in English when English is chosen. A language the settings file names at start speaks
// on the status line throughout, also through a configuration's load and its write.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "app/ui/Page_CFG.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "ecu/Config_Unit.h"
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

TEST(LanguageScreen, ALanguageChosenAtStartSpeaksOnTheStatusLineThroughALoad) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("RussianStartScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class RussianStartScreenChild : public apptest::SimulatorScreenTest {
protected:
  void SetUp() override {
    SimulatorScreenTest::SetUp();
    folder.Write("gascal.ini", "Port_Name                    " + link +
                                   " {}\r\nSearch_Port                  False {}\r\n"
                                   "Language                     Russian {}\r\n");
    // In the language's own code page, as its files come.
    std::u16string texts;
    for (const std::u16string& line :
         {std::u16string(u"Gas \u0413\u0430\u0437"), std::u16string(u"Petrol \u0411\u0435\u043D\u0437\u0438\u043D"),
          std::u16string(u"Dim_Hour_Long \u0447\u0430\u0441\u043E\u0432"),
          std::u16string(u"IND_RPM \u041E\u0431\u043E\u0440\u043E\u0442\u044B"), u"DynamicIND_Receiv_Off " + Loaded,
          u"DynamicIND_Transmission " + Sending, u"DynamicIND_Save_Data " + Saved})
      texts += line + u"\r\n";
    folder.Write("Language/Russian.lng", rtl::WideToCodePage(texts, 1251));
  }
  // Whether the status line ever showed Text.
  bool Showed(const std::u16string& Text) const {
    return std::find(statusSeen.begin(), statusSeen.end(), Text) != statusSeen.end();
  }
  const std::u16string Loaded =
      u"\u0414\u0430\u043D\u043D\u044B\u0435 \u0437\u0430\u0433\u0440\u0443\u0436\u0435\u043D\u044B";
  const std::u16string Sending = u"\u041F\u0435\u0440\u0435\u0434\u0430\u0447\u0430";
  const std::u16string Saved = u"\u0421\u043E\u0445\u0440\u0430\u043D\u0435\u043D\u043E";
  // "Gas : " in the language, the working hours' line.
  const std::u16string HoursLine = u"\u0413\u0430\u0437 : ";
};

TEST_F(RussianStartScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  // Each wait ends on the text in either language; the language is checked after.
  const auto hours = [](const std::u16string& Text) {
    return Text.find(u" : ") != std::u16string::npos && Text.find(u".00 ") != std::u16string::npos;
  };
  ASSERT_TRUE(RunUntil([&] { return Showed(Loaded) || Showed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  EXPECT_TRUE(Showed(Loaded)) << "the link's notice in the language";
  EXPECT_EQ(main->Parts().HudLabel_IND_RPM_Name->Text(), u"\u041E\u0431\u043E\u0440\u043E\u0442\u044B");
  vg::TvxHudLabel* status = main->Parts().HudLabel_DynamicIND;
  ASSERT_TRUE(RunUntil([&] { return hours(status->Text()); }, 8s)) << rtl::WideToUtf8(status->Text());
  EXPECT_TRUE(status->Text().starts_with(HoursLine)) << rtl::WideToUtf8(status->Text());

  // File > Load > Golf: the configuration goes to the ECU, which saves it.
  ecu::SaveConfigFile((folder.Path() / "Config" / "Golf.cfg").string());
  const auto saveLoad = app::TForm_3D_SaveLoad::Create();
  main->RunFileMenuItem(1);
  RunFor(300ms);
  vg::TvxHudStringListBox* files = saveLoad->Parts().HudStringListBox_3D_SL_List;
  ASSERT_EQ(files->Items()->Count(), 1);
  files->SetItemIndex(0);
  ASSERT_EQ(saveLoad->Parts().HudTextBox_3D_SL_Name->Text(), u"Golf");
  statusSeen.clear();
  saveLoad->Parts().HudButton_3D_SL_Run->OnClick(saveLoad->Parts().HudButton_3D_SL_Run);
  ASSERT_TRUE(RunUntil([&] { return Showed(Saved) || Showed(u"Save data in memory"); }, 8s)) << "the ECU saved nothing";
  // Once the notices are gone, the working hours.
  ASSERT_TRUE(RunUntil([&] { return hours(status->Text()); }, 8s)) << rtl::WideToUtf8(status->Text());
  EXPECT_TRUE(Showed(Sending)) << "the notice of the write in the language";
  EXPECT_TRUE(Showed(Saved)) << "the notice of the saving in the language";
  EXPECT_TRUE(status->Text().starts_with(HoursLine)) << rtl::WideToUtf8(status->Text());
  EXPECT_NE(status->Text().find(u"\u0447\u0430\u0441\u043E\u0432"), std::u16string::npos);
  for (const std::u16string& seen : statusSeen) {
    EXPECT_EQ(seen.find(u"Gas"), std::u16string::npos) << rtl::WideToUtf8(seen);
    EXPECT_EQ(seen.find(u"Data"), std::u16string::npos) << rtl::WideToUtf8(seen);
  }
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "status_in_chosen_language.png");
}

}  // namespace

}  // namespace language_screen_test
