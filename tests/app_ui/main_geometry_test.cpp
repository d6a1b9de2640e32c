// The main window's geometry: its smallest size, full screen and back, the caption icons that
// follow its right edge and the title row's buttons that shrink to end before them, the geometry restored from the settings file, and the indicator
// column's splitter and size tracks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/win/Display.h"
#include "scene3d/ObjectLayer.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Shapes.h"

namespace main_geometry_test {

namespace {

using apptest::MainWindowTest;

class MainGeometryTest : public MainWindowTest {
protected:
  win::TRect Work() const { return win::ScreenWorkArea(); }
  // The icons' distances from the window's right edge.
  void ExpectIconsAtTheRightEdge() {
    const float w = static_cast<float>(main->Width());
    EXPECT_EQ(w - main->CaptionIcons().Minimize->Position()->X(), 73);
    EXPECT_EQ(w - main->CaptionIcons().FullScreen->Position()->X(), 54);
    EXPECT_EQ(main->CaptionIcons().Minimize->Position()->Y(), 15);
  }
  // Exactly one glyph set shows: the window frame with its bar, or the two restore frames.
  void ExpectGlyphs(bool FullScreen) {
    const app::TCaptionIcons& i = main->CaptionIcons();
    EXPECT_EQ(i.WindowBar->Visible(), !FullScreen);
    EXPECT_EQ(i.WindowFrame->Visible(), !FullScreen);
    EXPECT_EQ(i.RestoreFrame1->Visible(), FullScreen);
    EXPECT_EQ(i.RestoreFrame2->Visible(), FullScreen);
  }
};

TEST_F(MainGeometryTest, TheWindowIsNeverSmallerThan400By300AndTheIconsKeepToItsRightEdge) {
  MakeAndShow();
  EXPECT_EQ(main->CaptionIcons().Minimize->Opacity(), 0.6f);
  EXPECT_EQ(main->CaptionIcons().FullScreen->Opacity(), 0.6f);
  ExpectIconsAtTheRightEdge();
  main->SetBounds(main->Left(), main->Top(), 300, 200);
  EXPECT_EQ(main->Width(), 400);
  EXPECT_EQ(main->Height(), 300);
  ExpectIconsAtTheRightEdge();
  main->SetBounds(main->Left(), main->Top(), 1000, 700);
  ExpectIconsAtTheRightEdge();
  // The layout is scaled to the new size, not laid out again.
  const vg::TvxVisualObject* layout = main->Parts().Layout_3D_GEN;
  EXPECT_FLOAT_EQ(layout->Scale()->X(), (1000.0f - 26) / (main->DesignWidth() - 26));
  EXPECT_FLOAT_EQ(layout->Scale()->Y(), (700.0f - 44) / (main->DesignHeight() - 44));
}

TEST_F(MainGeometryTest, TheTitleButtonsShrinkTogetherToEndBeforeTheIconsAndGrowBackWithTheWindow) {
  MakeAndShow();
  ASSERT_TRUE(main->EnterAccessCode(app::AccessCode));
  const app::TMainParts& p = main->Parts();
  vg::TvxHudButton* const row[] = {p.HudButton_Menu_File, p.HudButton_Menu_LNG, p.HudButton_3D_GEN_Flip,
                                   p.HudButton_3D_GEN_Settings};
  // Side by side at their own size in the design size.
  for (vg::TvxHudButton* b : row) EXPECT_EQ(b->Scale()->X(), 1.0f) << b->Name();
  EXPECT_FLOAT_EQ(p.HudButton_3D_GEN_Settings->GetAbsoluteRect().Left, 44 + 64 + 84 + 64);
  main->SetBounds(main->Left(), main->Top(), 400, 300);
  const float icon = main->CaptionIcons().Minimize->GetAbsoluteRect().Left;
  float right = p.HudButton_Menu_File->GetAbsoluteRect().Left;
  EXPECT_FLOAT_EQ(right, 44);
  for (vg::TvxHudButton* b : row) {
    const vg::TvxRect r = b->GetAbsoluteRect();
    EXPECT_FLOAT_EQ(r.Left, right) << b->Name() << " follows the one before it";
    EXPECT_FLOAT_EQ(b->Scale()->X(), b->Scale()->Y());
    EXPECT_LT(b->Scale()->X(), 1.0f);
    right = r.Right;
  }
  EXPECT_LE(right, icon - 8) << "the buttons end before the minimise icon";
  EXPECT_GT(right, icon - 10) << "and shrink no more than that";
  // The File menu opens under its button.
  EXPECT_FLOAT_EQ(p.HudPanel_GEN_Menu_File->GetAbsoluteRect().Left, 44);
  EXPECT_NEAR(p.HudPanel_GEN_Menu_File->GetAbsoluteRect().Top, p.HudButton_Menu_File->GetAbsoluteRect().Bottom - 1,
              0.01);
  main->SetBounds(main->Left(), main->Top(), main->DesignWidth(), main->DesignHeight());
  for (vg::TvxHudButton* b : row) EXPECT_EQ(b->Scale()->X(), 1.0f) << b->Name();
  EXPECT_FLOAT_EQ(p.HudButton_3D_GEN_Settings->GetAbsoluteRect().Left, 44 + 64 + 84 + 64);
}

TEST_F(MainGeometryTest, FullScreenCoversTheWorkAreaAndTwoPressesOfFGiveTheDesignSizeCentred) {
  MakeAndShow();
  ExpectGlyphs(false);
  win::SimulateKeyStroke(main.get(), 'f');
  RunQueue();
  const win::TRect work = Work();
  EXPECT_TRUE(app::Model().Settings.Full_Screen);
  EXPECT_EQ(main->Left(), work.Left - 12);
  EXPECT_EQ(main->Top(), work.Top - 12);
  EXPECT_EQ(main->Width(), work.Width() + 24);
  EXPECT_EQ(main->Height(), work.Height() + 24);
  ExpectGlyphs(true);
  ExpectIconsAtTheRightEdge();
  win::SimulateKeyStroke(main.get(), 'f');
  RunQueue();
  EXPECT_FALSE(app::Model().Settings.Full_Screen);
  EXPECT_EQ(main->Width(), main->DesignWidth());
  EXPECT_EQ(main->Height(), main->DesignHeight());
  EXPECT_EQ(main->Left(), work.Left + (work.Width() - main->DesignWidth()) / 2);
  EXPECT_EQ(main->Top(), work.Top + (work.Height() - main->DesignHeight()) / 2);
  ExpectGlyphs(false);
}

TEST_F(MainGeometryTest, ShrinkingAFullScreenWindowLeavesFullScreen) {
  MakeAndShow();
  main->ToggleFullScreen();
  ASSERT_TRUE(app::Model().Settings.Full_Screen);
  main->SetBounds(main->Left(), main->Top(), main->Width() - 1, main->Height());
  EXPECT_FALSE(app::Model().Settings.Full_Screen);
  ExpectGlyphs(false);
}

TEST_F(MainGeometryTest, TheCaptionIconsBrightenUnderThePointerAndQueueTheirActions) {
  MakeAndShow();
  vg::TvxCircle* full = main->CaptionIcons().FullScreen;
  full->OnMouseMove(full, {}, 1, 1, 0, 0);
  EXPECT_EQ(full->Opacity(), 1.0f);
  // The glyph on the icon reacts as its icon does.
  main->CaptionIcons().WindowFrame->OnMouseLeave(main->CaptionIcons().WindowFrame);
  EXPECT_EQ(full->Opacity(), 0.6f);
  RunQueue();
  full->OnMouseDown(full, rtl::mbLeft, {}, 1, 1);
  EXPECT_EQ(app::Model().Actions.ActionCodes[0], app::Action_ToggleFullScreen);
  RunQueue();
  EXPECT_TRUE(app::Model().Settings.Full_Screen);
  vg::TvxCircle* minimize = main->CaptionIcons().Minimize;
  minimize->OnMouseDown(minimize, rtl::mbLeft, {}, 1, 1);
  RunQueue();
  EXPECT_TRUE(win::ApplicationMinimized());
  win::RestoreApplication();
}

TEST_F(MainGeometryTest, RestoredGeometryStaysOnTheWorkAreaAndSizesStayInTheirTracks) {
  folder.Write("gascal.ini", "Port_Name                    /nonexistent/gascal-port {}\r\n"
                             "Search_Port                  False {}\r\n"
                             "Form_3D_GEN_Pos_X            -90000 {}\r\n"
                             "Form_3D_GEN_Pos_Y            50 {}\r\n"
                             "Form_3D_GEN_Width            100000 {}\r\n"
                             "Form_3D_GEN_Height           500 {}\r\n"
                             "Panel_IND_Width              60 {}\r\n"
                             "Panel_IND_Size_Name          99 {}\r\n"
                             "Panel_IND_Size_Data          nan {}\r\n"
                             "Panels_Opacity               0.4 {}\r\n");
  MakeAndShow();
  EXPECT_FLOAT_EQ(main->Parts().HudPanel_IND->Opacity(), 1.0f);
  EXPECT_FLOAT_EQ(dynamic_cast<vg::TvxVisualObject*>(main->FindPart("HudPanel_CLB"))->Opacity(), 0.4f)
      << "the saved opacity reaches the pages' panels at start";
  const float designColumn = main->Parts().HudPanel_IND->Width();
  const win::TRect work = Work();
  EXPECT_EQ(main->Width(), work.Width() + 24) << "at most the work area and its margins";
  EXPECT_EQ(main->Height(), 500);
  EXPECT_EQ(main->Left(), work.Left - 12);
  EXPECT_EQ(main->Top(), 50);
  EXPECT_EQ(main->Parts().HudPanel_IND->Width(), designColumn) << "a saved width of 60 is ignored";
  EXPECT_EQ(app::Model().Settings.IndicatorNameFontSize, 22) << "held to the name track's range";
  EXPECT_EQ(app::Model().Settings.IndicatorDataFontSize, 26) << "not a number: the default";
  EXPECT_EQ(main->Parts().IndicatorNames[0]->Font()->Size(), 22);
  // The start's report names each value held or not taken, and none taken as it is.
  const auto said = std::find_if(host->Messages.begin(), host->Messages.end(),
                                 [](const std::string& M) { return M.find("The settings file") != std::string::npos; });
  ASSERT_NE(said, host->Messages.end());
  for (const char* named : {"Form_3D_GEN_Pos_X: \"-90000\" is outside", "Form_3D_GEN_Width: \"100000\" is outside",
                            "Panel_IND_Width: \"60\" is outside", "Panel_IND_Size_Name", "Panel_IND_Size_Data"})
    EXPECT_NE(said->find(named), std::string::npos) << named << " not in " << *said;
  for (const char* taken : {"Form_3D_GEN_Pos_Y", "Form_3D_GEN_Height"})
    EXPECT_EQ(said->find(taken), std::string::npos) << *said;
}

TEST_F(MainGeometryTest, TheSplitterKeepsTheColumnStrictlyBetween60And300) {
  MakeAndShow();
  const app::TMainParts& p = main->Parts();
  const float w = p.HudPanel_IND->Width();
  const float tabsX = p.HudTabControl_GEN->Position()->X();
  const float tabsDrawn = p.HudTabControl_GEN->Width() * p.HudTabControl_GEN->Scale()->X();
  // To 300 or to 60: nothing moves at all.
  main->MoveSplitter(300 - w);
  main->MoveSplitter(60 - w);
  EXPECT_EQ(p.HudPanel_IND->Width(), w);
  EXPECT_EQ(p.HudTabControl_GEN->Position()->X(), tabsX);
  // A move by 20: the column, its panels and labels widen, the tab control gives way by as much.
  main->MoveSplitter(20);
  EXPECT_EQ(p.HudPanel_IND->Width(), w + 20);
  EXPECT_EQ(p.HudTabControl_GEN->Position()->X(), tabsX + 20);
  EXPECT_FLOAT_EQ(p.HudTabControl_GEN->Width() * p.HudTabControl_GEN->Scale()->X(), tabsDrawn - 20);
  EXPECT_FLOAT_EQ(p.HudPanel_Port->Width() * p.HudPanel_Port->Scale()->X(), w + 20);
  for (const vg::TvxHudPanel* panel : p.IndicatorPanels) EXPECT_EQ(panel->Width(), w + 20);
  EXPECT_EQ(main->Tracks().NameSize->Width(), (w + 20) / 2);
  // Dragging the splitter moves it by the pointer's X inside it, while the button is held.
  p.Splitter_GEN->OnMouseMove(p.Splitter_GEN, {}, 10, 5, 0, 0);
  EXPECT_EQ(p.HudPanel_IND->Width(), w + 20) << "not dragging";
  p.Splitter_GEN->OnMouseDown(p.Splitter_GEN, rtl::mbLeft, {}, 0, 5);
  p.Splitter_GEN->OnMouseMove(p.Splitter_GEN, {}, -10, 5, 0, 0);
  p.Splitter_GEN->OnMouseUp(p.Splitter_GEN, rtl::mbLeft, {}, -10, 5);
  p.Splitter_GEN->OnMouseMove(p.Splitter_GEN, {}, -10, 5, 0, 0);
  EXPECT_EQ(p.HudPanel_IND->Width(), w + 10);
}

TEST_F(MainGeometryTest, IndicatorSizesFollowTheirTracksTimesTheFirmwaresScale) {
  MakeAndShow();
  ecu::Session().LiveData.IndicatorScale = 2.0f;
  main->Tracks().NameSize->SetValue(14);
  main->SetIndicatorNameFontSize();
  for (const vg::TvxHudLabel* l : main->Parts().IndicatorNames) EXPECT_EQ(l->Font()->Size(), 28);
  main->Tracks().DataSize->SetValue(20);
  for (const vg::TvxHudLabel* l : main->Parts().IndicatorValues) EXPECT_EQ(l->Font()->Size(), 40);
  EXPECT_EQ(app::Model().Settings.IndicatorDataFontSize, 20);
  // The program's font track queues the fonts.
  main->Tracks().FontSize->SetValue(15);
  EXPECT_EQ(app::Model().Settings.Font_Size, 15);
  bool queued = false;
  for (int i = 0; i < app::Model().Actions.ActionCount; ++i)
    queued |= app::Model().Actions.ActionCodes[i] == app::Action_ApplyFonts;
  EXPECT_TRUE(queued);
}

}  // namespace

}  // namespace main_geometry_test
