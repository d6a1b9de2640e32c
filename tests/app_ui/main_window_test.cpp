// The main window: made from its text, bound, shown; its title and caption, its layout and
// pages, and its canvas copied as it shows.
#include <gtest/gtest.h>

#include "app/ui/Page_CFG.h"
#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "scene3d/SceneControl.h"
#include "tests/TestOutput.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"

namespace main_window_test {

namespace {

using apptest::MainWindowTest;

TEST_F(MainWindowTest, TheTitleNamesTheProgramThenTheFirmwareAndTheFileOnceKnown) {
  Make();
  // At creation: the program, its version and date, as the language's first caption update
  // found it.
  ASSERT_FALSE(host->TitlesAtCaptionUpdate.empty());
  EXPECT_EQ(host->TitlesAtCaptionUpdate.front(), u"gascal  V1.07  Date 2014.02.11");
  EXPECT_EQ(main->Caption(), "gascal  V1.07");
  // The caption as the link brings it up to date: down, then up with the ECU's firmware.
  EXPECT_EQ(main->TitleText(), u"     gascal : 1.07  Date 2014.02.11");
  ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  c.Firmware_Version = "1.60";
  c.ECU_Info = "2013.05.01";
  ecu::Session().LiveData.FirmwareVersion100 = 160;
  ecu::Session().Link.LinkUp = 1;
  main->UpdateMainCaption();
  EXPECT_EQ(main->TitleText(), u"     gascal : 1.07  Date 2014.02.11     Firmware : SL 1.60  Date 2013.05.01");
  // With the configuration's file named, the title and the customer's group box say it.
  ecu::Session().Link.LinkUp = 0;
  c.Cfg_Name = "car1";
  main->UpdateMainCaption();
  EXPECT_EQ(main->TitleText(), u"     gascal : 1.07  Date 2014.02.11     File : car1.cfg");
  EXPECT_EQ(main->PageCFG()->Parts().HudGroupBox_CFG_User->Text(), u"Installer Detail (File : car1.cfg) ");
}

TEST_F(MainWindowTest, TheLayoutIsTheClientLessItsMarginsAndEachPageSitsInItsTab) {
  Make();
  const vg::TvxVisualObject* layout = main->Parts().Layout_3D_GEN;
  EXPECT_EQ(layout->Position()->X(), 13);
  EXPECT_EQ(layout->Position()->Y(), 32);
  EXPECT_EQ(layout->Width(), static_cast<float>(main->DesignWidth() - 26));
  EXPECT_EQ(layout->Height(), static_cast<float>(main->DesignHeight() - 44));
  // The Graph page has room for its 622 x 480 diagram inside the tab control.
  const vg::TvxHudTabControl* tabs = main->Parts().HudTabControl_GEN;
  EXPECT_GE(tabs->Width(), 622);
  EXPECT_GE(tabs->Height(), 480 + 24);
  ASSERT_EQ(main->Pages().size(), 4u);
  const char* const names[] = {"Page_CFG", "Page_ACB", "Page_CLB", "Page_MAP"};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(main->Pages()[i]->Name(), names[i]);
    EXPECT_EQ(main->Pages()[i]->Root()->Parent(), tabs) << names[i];
  }
}

TEST_F(MainWindowTest, ShowingSelectsTheSavedPageClampedToTheFour) {
  folder.Write("gascal.ini", "Port_Name                    /nonexistent/gascal-port {}\r\n"
                             "Search_Port                  False {}\r\n"
                             "Page_Index                   9 {}\r\n");
  MakeAndShow();
  EXPECT_TRUE(main->Showing());
  EXPECT_EQ(main->Parts().HudTabControl_GEN->ItemIndex(), 3);
  // Only the selected page's content shows.
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(main->Pages()[i]->Root()->Visible(), i == 3);
}

// The main window's canvas, copied, is the window as it shows; its frames are composed
// without the device, and copying makes none.
TEST_F(MainWindowTest, ItsCanvasCopiesWhatItShowsWithoutMakingADevice) {
  MakeAndShow();
  auto* canvas = dynamic_cast<dx::TdxDirectXCanvas*>(main->Scene()->GetCanvas());
  ASSERT_NE(canvas, nullptr);
  ASSERT_FALSE(canvas->HasDevice());
  vg::TvxBitmap copy;
  canvas->AssignTo(&copy);
  EXPECT_FALSE(canvas->HasDevice());
  ASSERT_EQ(copy.Width(), main->Width());
  ASSERT_EQ(copy.Height(), main->Height());
  copy.SaveToFile(testout::Path("main_window_canvas_copy.png"));
  // Where the window is opaque, what it presented is the copy itself.
  const std::unique_ptr<vg::TvxBitmap> shown = Picture();
  const size_t n = static_cast<size_t>(copy.Width()) * static_cast<size_t>(copy.Height());
  size_t opaque = 0, differ = 0;
  for (size_t i = 0; i < n; ++i)
    if (copy.Bits()[i] >> 24 == 255) {
      ++opaque;
      differ += copy.Bits()[i] != shown->Bits()[i];
    }
  EXPECT_GT(opaque, n / 4);
  EXPECT_EQ(differ, 0u);
}

}  // namespace

}  // namespace main_window_test
