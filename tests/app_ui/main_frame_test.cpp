// The frame of the program's windows as the installer handles it: the size grips resize their
// windows within the windows' limits (and the program-font track leaves the grip's corner
// free), the main window's caption is never covered by the title row's buttons, and a new
// program font reaches the page in view at once with every one-line text of the Setup page
// still whole at the track's largest size.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/Global_Unit.h"
#include "platform/rtl/CodePage.h"
#include "app/ui/Font_Unit.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/Page_MAP.h"
#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/TextShape.h"

namespace main_frame_test {

namespace {

using apptest::MainWindowTest;

// The window's grip (its own, above the content).
vg::TvxVisualObject* GripOf(app::TWindow_3D& Window, const std::string& Name) {
  return dynamic_cast<vg::TvxVisualObject*>(Window.FindPart(Name));
}

// Presses the left button on the middle of the grip, moves the pointer by (Dx, Dy) in two
// steps and releases it, as the display delivers it.
void DragGrip(app::TWindow_3D& Window, vg::TvxVisualObject* Grip, int Dx, int Dy) {
  const vg::TvxRect r = Grip->GetAbsoluteRect();
  const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
  win::SimulateMouseMove(&Window, x, y);
  win::SimulateMouseButton(&Window, rtl::mbLeft, true, x, y);
  win::SimulateMouseMove(&Window, x + Dx / 2, y + Dy / 2);
  win::SimulateMouseMove(&Window, x + Dx, y + Dy);
  win::SimulateMouseButton(&Window, rtl::mbLeft, false, x + Dx, y + Dy);
  rtl::Application->ProcessMessages();
}

TEST_F(MainWindowTest, TheMainWindowsGripResizesItWithinItsLimitsAndNeverMovesTheFontTrack) {
  MakeAndShow();
  RunQueue();
  vg::TvxVisualObject* grip = GripOf(*main, "SizeGrip_3D_GEN");
  ASSERT_NE(grip, nullptr);
  const vg::TvxRect g = grip->GetAbsoluteRect();
  EXPECT_FLOAT_EQ(g.Right, static_cast<float>(main->Width()) - 1) << "in the window's bottom-right corner";
  EXPECT_FLOAT_EQ(g.Bottom, static_cast<float>(main->Height()) - 1);
  // The program-font track ends before the grip.
  vg::TvxHudTrack* track = main->Tracks().FontSize;
  EXPECT_LT(track->GetAbsoluteRect().Right, g.Left);
  const float fontSize = app::Model().Settings.Font_Size, trackValue = track->Value();

  const int width = main->Width(), height = main->Height();
  DragGrip(*main, grip, 60, 40);
  EXPECT_EQ(main->Width(), width + 60);
  EXPECT_EQ(main->Height(), height + 40);
  EXPECT_EQ(track->Value(), trackValue) << "the drag reached the font track";
  EXPECT_EQ(app::Model().Settings.Font_Size, fontSize);
  // The grip and the track's end followed the corner.
  const vg::TvxRect moved = grip->GetAbsoluteRect();
  EXPECT_FLOAT_EQ(moved.Right, static_cast<float>(main->Width()) - 1);
  EXPECT_LT(track->GetAbsoluteRect().Right, moved.Left);
  EXPECT_GT(track->GetAbsoluteRect().Right, moved.Left - 20) << "the track still reaches the corner";

  // Not below 400 x 300, and not beyond full screen.
  DragGrip(*main, grip, -3000, -3000);
  EXPECT_EQ(main->Width(), 400);
  EXPECT_EQ(main->Height(), 300);
  const win::TRect work = win::ScreenWorkArea();
  DragGrip(*main, grip, work.Width() * 2, work.Height() * 2);
  EXPECT_EQ(main->Width(), work.Width() + 24);
  EXPECT_EQ(main->Height(), work.Height() + 24);
  EXPECT_LT(track->GetAbsoluteRect().Right, grip->GetAbsoluteRect().Left);
  Picture("main_window_grown.png");
}

TEST_F(MainWindowTest, TheSettingsAndSkinWindowsGripsResizeThemDownToTheirSmallest) {
  MakeAndShow();
  auto settings = app::TForm_3D_SET::Create();
  auto skin = app::TForm_3D_Skin::Create();
  const std::pair<app::TWindow_3D*, const char*> windows[] = {{settings.get(), "SizeGrip_3D_SET"},
                                                              {skin.get(), "SizeGrip_3D_Skin"}};
  for (const auto& [window, name] : windows) {
    SCOPED_TRACE(name);
    window->Show();
    Run(300);
    vg::TvxVisualObject* grip = GripOf(*window, name);
    ASSERT_NE(grip, nullptr);
    const int width = window->Width(), height = window->Height();
    DragGrip(*window, grip, 50, 30);
    EXPECT_EQ(window->Width(), width + 50);
    EXPECT_EQ(window->Height(), height + 30);
    DragGrip(*window, grip, -2000, -2000);
    EXPECT_EQ(window->Width(), 300);
    EXPECT_EQ(window->Height(), 200);
    window->Close();
    Run(100);
  }
}

TEST(CaptionCut, AWholeTextOrItsBeginningWithAnEllipsis) {
  const auto tenEach = [](const std::u16string& Text) { return 10.0f * static_cast<float>(Text.size()); };
  EXPECT_EQ(app::CutWithEllipsis(u"  abc", 50, tenEach), u"  abc") << "fits: as it is";
  EXPECT_EQ(app::CutWithEllipsis(u"     abc def", 60, tenEach), u"abc d\u2026");
  // No blank before the ellipsis, and none of the leading ones in a cut text.
  EXPECT_EQ(app::CutWithEllipsis(u"     abc def", 50, tenEach), u"abc\u2026");
  EXPECT_EQ(app::CutWithEllipsis(u"abc", 15, tenEach), u"\u2026");
  EXPECT_EQ(app::CutWithEllipsis(u"abc", 5, tenEach), u"") << "not even the ellipsis fits";
}

class CaptionTest : public MainWindowTest {
protected:
  // The caption part of the Hud window, in window pixels.
  vg::TvxRect CaptionRect() {
    auto* part = vg::FindPart<vg::TvxText>(main->Parts().HudWindow_3D_GEN, "text");
    return part ? part->GetAbsoluteRect() : vg::TvxRect{};
  }
  // The right edge of the last visible button of the title row.
  float ButtonsEnd() {
    float end = 0;
    const app::TMainParts& p = main->Parts();
    for (vg::TvxHudButton* b : {p.HudButton_Menu_File, p.HudButton_Menu_LNG, p.HudButton_3D_GEN_Flip,
                                p.HudButton_3D_GEN_Settings})
      if (b->Visible()) end = std::max(end, b->GetAbsoluteRect().Right);
    return end;
  }
  float TextWidth(const std::u16string& Text) {
    vg::TvxCanvas* canvas = main->Parts().HudWindow_3D_GEN->GetCanvas();
    canvas->Font()->Assign(main->Parts().HudWindow_3D_GEN->Font());
    return canvas->TextWidth(Text);
  }
};

TEST_F(CaptionTest, TheCaptionStandsBetweenTheButtonsAndTheIconsOrIsCutWithAnEllipsis) {
  MakeAndShow();
  RunQueue();
  const float icons = main->CaptionIcons().Minimize->GetAbsoluteRect().Left;
  EXPECT_GE(CaptionRect().Left, ButtonsEnd());
  EXPECT_LE(CaptionRect().Right, icons);
  EXPECT_EQ(main->Parts().HudWindow_3D_GEN->Text(), main->TitleText()) << "a short caption is shown whole";

  // The access code shows Flip and Settings; the link's firmware and a file make the title
  // longer than the room that is left.
  ASSERT_TRUE(main->EnterAccessCode(u"pelund7391"));
  ecu::Session().ConfigData.Configuration->Cfg_Name = "car1";
  ecu::Session().ConfigData.Configuration->Firmware_Version = "2.10";
  ecu::Session().ConfigData.Configuration->ECU_Info = "SEQ 4 CYL";
  ecu::Session().Link.LinkUp = 1;
  main->UpdateMainCaption();
  RunQueue();
  const vg::TvxRect room = CaptionRect();
  EXPECT_GE(room.Left, ButtonsEnd()) << "a button covers the caption";
  EXPECT_LE(room.Right, icons);
  const std::u16string shown = main->Parts().HudWindow_3D_GEN->Text();
  EXPECT_EQ(main->TitleText().substr(main->TitleText().size() - 20), u"     File : car1.cfg") << "kept whole";
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), u'\u2026');
  EXPECT_EQ(main->TitleText().find(shown.substr(0, shown.size() - 1)), 5u) << "the beginning of the title";
  EXPECT_LE(TextWidth(shown), room.Right - room.Left);
  Picture("main_caption_cut.png");

  // A larger font cuts it shorter; the room stays where it is.
  main->Tracks().FontSize->SetValue(20);
  RunQueue();
  EXPECT_GE(CaptionRect().Left, ButtonsEnd());
  EXPECT_LT(main->Parts().HudWindow_3D_GEN->Text().size(), shown.size());
  EXPECT_LE(TextWidth(main->Parts().HudWindow_3D_GEN->Text()), CaptionRect().Right - CaptionRect().Left);

  // A wider window has room for all of it again.
  main->Tracks().FontSize->SetValue(12);
  RunQueue();
  main->SetBounds(main->Left(), main->Top(), win::ScreenWorkArea().Width(), main->Height());
  Run(100);
  EXPECT_EQ(main->Parts().HudWindow_3D_GEN->Text(), main->TitleText());
  EXPECT_GE(CaptionRect().Left, ButtonsEnd());
  EXPECT_FLOAT_EQ(CaptionRect().Right, main->CaptionIcons().Minimize->GetAbsoluteRect().Left - 8)
      << "the room ends before the icons, which moved with the window's edge";
}

class ProgramFontTest : public MainWindowTest {
protected:
  // Every text of the tree shown on one line whose text is wider than the room its control
  // gives it: "name: text".
  std::vector<std::string> CutTexts(vg::TvxObject* Root) {
    std::vector<std::string> cut;
    vg::TvxCanvas* canvas = main->Parts().HudWindow_3D_GEN->GetCanvas();
    for (vg::TvxObject* o : app::TreeObjects(Root)) {
      std::vector<std::u16string> texts;
      float room = 0;
      vg::TvxFont* font = nullptr;
      if (auto* combo = dynamic_cast<vg::TvxComboTextBox*>(o)) {
        for (int i = 0; i < combo->Items()->Count(); ++i) texts.push_back(combo->Items()->Get(i));
        room = vg::RectWidth(combo->GetContentRect());
        font = combo->Font();
      } else if (auto* t = dynamic_cast<vg::TvxTextControl*>(o); t && !t->WordWrap()) {
        auto* part = vg::FindPart<vg::TvxText>(t, "text");
        if (!part || !part->Visible() || dynamic_cast<vg::TvxWindow*>(o)) continue;
        texts.push_back(t->Text());
        room = part->Width();
        font = t->Font();
      } else {
        continue;
      }
      canvas->Font()->Assign(font);
      for (const std::u16string& text : texts)
        if (canvas->TextWidth(text) > room) cut.push_back(o->Name() + ": " + rtl::WideToUtf8(text));
    }
    return cut;
  }
  float SizeOf(const std::string& Name) {
    auto* l = dynamic_cast<vg::TvxTextControl*>(main->FindPart(Name));
    return l ? l->Font()->Size() : 0;
  }
};

TEST_F(ProgramFontTest, ANewProgramFontReachesThePageInViewAtOnce) {
  MakeAndShow();
  RunQueue();
  ASSERT_EQ(main->Parts().HudTabControl_GEN->ItemIndex(), 0);
  vg::TvxHudTextBox* name = main->PageCFG()->Parts().HudTextBox_CFG_User_Name;
  vg::TvxHudButton* clear = main->PageMAP()->Parts().HudButton_3D_MapRPM_Clear;
  const float before = clear->Font()->Size();
  const float label = SizeOf("HudLabel_CFG_RPM_Prescaler");
  main->Tracks().FontSize->SetValue(16);
  RunQueue();  // the font action only: no page was selected
  EXPECT_EQ(name->Font()->Size(), 16);
  // The labels' column as large as its longest label fits.
  EXPECT_GT(SizeOf("HudLabel_CFG_RPM_Prescaler"), label);
  EXPECT_EQ(SizeOf("HudLabel_CFG_RPM_Prescaler"), SizeOf("HudLabel_CFG_PG_Temper"));
  EXPECT_EQ(clear->Font()->Size(), before) << "a page out of view takes it when it is selected";
  main->Parts().HudTabControl_GEN->SetItemIndex(3);
  RunQueue();
  EXPECT_EQ(clear->Font()->Size(), 16);
}

TEST_F(ProgramFontTest, AtTheTracksLargestFontNoSetupTextIsCutAndEachColumnIsAsLargeAsFits) {
  MakeAndShow();
  RunQueue();
  vg::TvxHudTrack* track = main->Tracks().FontSize;
  track->SetValue(track->Max());
  RunQueue();
  ASSERT_EQ(app::Model().Settings.Font_Size, 20);
  const std::vector<std::string> setup = CutTexts(main->PageCFG()->Root());
  EXPECT_TRUE(setup.empty()) << setup.front();
  const std::vector<std::string> frame = CutTexts(main->Parts().HudWindow_3D_GEN);
  EXPECT_TRUE(frame.empty()) << frame.front() << " (tabs, title row, indicator column)";
  // The labels of a column take one size, the largest at which the longest fits, readable.
  for (const char* n : {"HudLabel_CFG_PG_Temper", "HudLabel_CFG_User_Gas_Jets"}) {
    SCOPED_TRACE(n);
    EXPECT_LT(SizeOf(n), 20);
    EXPECT_GE(SizeOf(n), 11);
  }
  EXPECT_EQ(SizeOf("HudLabel_CFG_RPM_Prescaler"), SizeOf("HudLabel_CFG_PG_Temper"));
  EXPECT_EQ(SizeOf("HudLabel_CFG_User_Name"), SizeOf("HudLabel_CFG_User_Gas_Jets"));
  Picture("main_font20_setup.png");
  // Back at the usual size every text takes it again.
  track->SetValue(12);
  RunQueue();
  for (const char* n : {"HudLabel_CFG_RPM_Prescaler", "HudLabel_CFG_PG_Temper", "HudLabel_CFG_User_Gas_Jets"})
    EXPECT_EQ(SizeOf(n), 12) << n;
}

TEST_F(ProgramFontTest, ATextTooLongEvenAtTheSmallestReadableSizeStaysAtIt) {
  MakeAndShow();
  RunQueue();
  auto* label = dynamic_cast<vg::TvxTextControl*>(main->FindPart("HudLabel_CFG_RPM_Prescaler"));
  ASSERT_NE(label, nullptr);
  label->SetText(u"The R.P.M. prescaler, as the ECU divides the ignition pulses before it counts them");
  app::SetControlFont(label, false, true, -1, false);
  EXPECT_EQ(label->Font()->Size(), 11);
}

}  // namespace

}  // namespace main_frame_test
