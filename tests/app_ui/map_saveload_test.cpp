// The Map page as the installer meets it (the grid, its colours, the mouse on the cells, the
// buttons) and the save/load window (the list, the name, the run button), each drawn and
// checked at chosen pixels. The pictures are written where the test runs, and with
// GASCAL_UPDATE_GALLERY=1 over the reference pictures in tests/app_ui/data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/MapRPM_Page.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Page_MAP.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Shapes.h"

namespace map_saveload_test {

namespace {

using app::TMapRPMItem;

std::uint32_t Argb(const std::string& Color) { return static_cast<std::uint32_t>(std::stoul(Color.substr(1), nullptr, 16)); }

// Whether two colours differ by at most Tolerance in each of red, green and blue.
bool Near(std::uint32_t A, std::uint32_t B, int Tolerance = 40) {
  for (int shift : {16, 8, 0}) {
    const int a = static_cast<int>((A >> shift) & 0xFF), b = static_cast<int>((B >> shift) & 0xFF);
    if (std::abs(a - b) > Tolerance) return false;
  }
  return true;
}

class MapPageTest : public apptest::MainWindowTest {
protected:
  app::TPage_MAP& ShowMapPage() {
    MakeAndShow();
    main->Parts().HudTabControl_GEN->SetItemIndex(3);
    Run(2500);  // the start-up logo has gone
    return *main->PageMAP();
  }
  // The window pixel at a point of a control (its local coordinates).
  std::uint32_t PixelOf(vg::TvxVisualObject* Control, float X, float Y) {
    rtl::Application->ProcessMessages();
    const vg::TvxPoint at = Control->LocalToAbsolute({X, Y});
    return main->PresentedPixel(static_cast<int>(at.X), static_cast<int>(at.Y));
  }
  // A mouse event on the value label of an item, at its middle.
  void Press(app::TPage_MAP& Page, TMapRPMItem At, rtl::TMouseButton Button) {
    vg::TvxHudLabel* l = Page.Cell(At.Row, At.Col).Label;
    l->OnMouseDown(l, Button, {}, l->Width() / 2, l->Height() / 2);
  }
  void Move(app::TPage_MAP& Page, TMapRPMItem From, float X, float Y) {
    vg::TvxHudLabel* l = Page.Cell(From.Row, From.Col).Label;
    l->OnMouseMove(l, {}, X, Y, 0, 0);
  }
};

TEST_F(MapPageTest, TheGridShowsTheMapTransposedWithItsColours) {
  app::TPage_MAP& page = ShowMapPage();
  const app::TMapParts& p = page.Parts();
  // Nine screen columns and thirteen screen rows of (extent - 6) / 9 by (extent - 6) / 13.
  const float w = (p.HudPanel_3D_MapRPM->Width() - 6) / 9, h = (p.HudPanel_3D_MapRPM->Height() - 6) / 13;
  EXPECT_FLOAT_EQ(page.Cell(2, 0).Frame->Position()->X(), 3 + 2 * w);
  EXPECT_FLOAT_EQ(page.Cell(0, 5).Frame->Position()->Y(), 3 + 5 * h);
  EXPECT_FLOAT_EQ(page.Cell(2, 5).Label->Position()->X(), 6 + 2 * w);
  EXPECT_EQ(page.Cell(0, 0).Label->Text(), u"ms\\rpm");
  EXPECT_EQ(page.Cell(3, 0).Label->Text(), u"1000");
  EXPECT_EQ(page.Cell(0, 12).Label->Text(), u"22.0");
  EXPECT_EQ(page.Cell(4, 7).Label->Text(), u"1.00");
  // The labels take the settings' font, at most half a cell high.
  app::Model().Settings.Font_Name = "Verdana";
  app::Model().Settings.Font_Size = 14;
  page.RedrawMapRPM();
  EXPECT_EQ(page.Cell(4, 7).Label->Font()->Family(), "Verdana");
  EXPECT_EQ(page.Cell(0, 0).Label->Font()->Size(), 14);
  app::Model().Settings.Font_Size = 60;
  page.RedrawMapRPM();
  EXPECT_EQ(page.Cell(8, 12).Label->Font()->Size(), h / 2);
  app::Model().Settings.Font_Name = "Tahoma";
  app::Model().Settings.Font_Size = 12;
  page.RedrawMapRPM();

  // A cell selected (blue), the live cell in petrol mode (yellow) with a trail behind it.
  app::SelectMapRPMRect({2, 2}, {2, 2});
  ecu::Session().LiveData.WorkMode = 1;
  ecu::Session().LiveData.LivePetrolTimeAvg = 3500;
  ecu::Session().LiveData.LiveRPM = 1700;
  page.MarkMapRPMLiveCell();
  ecu::Session().LiveData.LiveRPM = 2200;
  page.MarkMapRPMLiveCell();
  EXPECT_TRUE(main->Timer_3D_MapRPM_Tail()->Enabled());
  Run(50);
  const std::string selected = app::Model().Colors.ColorTable[app::Color_MapRPM_Select_Cell];
  const std::string live = app::Model().Colors.ColorTable[app::Color_MapRPM_Pet];
  const std::string trail = app::Model().Colors.ColorTable[app::Color_MapRPM_Pet_Tail];
  // Inside the background, clear of the text in its middle.
  auto corner = [&](TMapRPMItem At) { return PixelOf(page.Cell(At.Row, At.Col).Background, 4, 4); };
  const auto picture = Picture("map_page.png");
  if (std::getenv("GASCAL_UPDATE_GALLERY"))
    vg::TvxFilterGdiPlus().SaveToFile(APP_UI_TEST_DATA "/map_page.png", *picture, "");
  EXPECT_TRUE(Near(corner({2, 2}), Argb(selected))) << std::hex << corner({2, 2});
  EXPECT_TRUE(Near(corner({5, 4}), Argb(live))) << std::hex << corner({5, 4});
  EXPECT_TRUE(Near(corner({4, 4}), Argb(trail))) << std::hex << corner({4, 4});
  EXPECT_FALSE(page.Cell(6, 6).Background->Visible());
  // The corner's text is drawn: its label holds pixels of the text colour over the panel.
  vg::TvxHudLabel* cornerLabel = page.Cell(0, 0).Label;
  int textPixels = 0;
  for (float x = 0; x < cornerLabel->Width(); x += 1)
    for (float y = 0; y < cornerLabel->Height(); y += 1)
      textPixels += Near(PixelOf(cornerLabel, x, y), Argb(app::Model().Settings.Font_Color), 60);
  EXPECT_GT(textPixels, 10);

  // The trail's timer takes one entry per 500 ms and stops below two.
  ASSERT_GE(app::Model().MapRPM.Trail.size(), 2u);
  Run(500.0 * static_cast<double>(app::Model().MapRPM.Trail.size() - 1) + 50);
  EXPECT_EQ(app::Model().MapRPM.Trail.size(), 1u);
  EXPECT_TRUE(main->Timer_3D_MapRPM_Tail()->Enabled());
  Run(500);
  EXPECT_EQ(app::Model().MapRPM.Trail.size(), 1u);
  EXPECT_FALSE(main->Timer_3D_MapRPM_Tail()->Enabled());
}

// Live replies move the live cell while another page is shown; the grid shows it, and any
// other change, when the Map page is shown again.
TEST_F(MapPageTest, WhatCameWhileThePageWasHiddenIsShownWithThePage) {
  app::TPage_MAP& page = ShowMapPage();
  main->Parts().HudTabControl_GEN->SetItemIndex(0);
  Run(50);
  ecu::Session().LiveData.WorkMode = 1;
  ecu::Session().LiveData.LivePetrolTimeAvg = 3500;
  ecu::Session().LiveData.LiveRPM = 1700;
  ecu::Session().Hosts.Host->MarkMapRPMLiveCell();
  const TMapRPMItem live = app::Model().MapRPM.LiveCell;
  ASSERT_GT(live.Col, 0);
  app::Model().MapRPM.MapRPMTexts[4][7] = "1.25";
  page.RedrawMapRPM();
  main->Parts().HudTabControl_GEN->SetItemIndex(3);
  EXPECT_TRUE(page.Cell(live.Row, live.Col).Background->Visible());
  EXPECT_EQ(page.Cell(4, 7).Label->Text(), u"1.25");
  Run(50);
  const std::string liveColor = app::Model().Colors.ColorTable[app::Color_MapRPM_Pet];
  const std::uint32_t corner = PixelOf(page.Cell(live.Row, live.Col).Background, 4, 4);
  EXPECT_TRUE(Near(corner, Argb(liveColor))) << std::hex << corner;
}

TEST_F(MapPageTest, TheMouseOnTheLabelsFocusesSelectsAndDrags) {
  app::TPage_MAP& page = ShowMapPage();
  Move(page, {3, 5}, 2, 2);
  EXPECT_EQ(app::Model().MapRPM.Focused, (TMapRPMItem{3, 5}));
  EXPECT_EQ(page.Cell(3, 5).Frame->Opacity(), 1.0f);
  EXPECT_LT(page.Cell(3, 6).Frame->Opacity(), 1.0f);
  EXPECT_EQ(page.Parts().HudLabel_3D_MapRPM_CellData->Text(), u"Factor = 1.00;  Range 0.01..1.99");
  // A press on (3, 5), the pointer reported to that label over (4, 6), the release there.
  Press(page, {3, 5}, rtl::mbLeft);
  const vg::TvxHudLabel* l = page.Cell(3, 5).Label;
  const float dx = page.Cell(4, 6).Label->Position()->X() - l->Position()->X() + 2;
  const float dy = page.Cell(4, 6).Label->Position()->Y() - l->Position()->Y() + 2;
  Move(page, {3, 5}, dx, dy);
  vg::TvxHudLabel* start = page.Cell(3, 5).Label;
  start->OnMouseUp(start, rtl::mbLeft, {}, dx, dy);
  for (auto [i, j] : {std::pair{3, 5}, {4, 5}, {3, 6}, {4, 6}})
    EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[i][j], 1) << i << j;
  EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[5][6], 0);
  EXPECT_TRUE(page.Cell(4, 6).Background->Visible());
  Run(50);
  Picture("map_page_selection.png");
  // The arrows step the four; the labels show it.
  std::uint16_t up = win::VK_UP;
  main->FormKeyDown(main.get(), up, {});
  EXPECT_EQ(page.Cell(4, 6).Label->Text(), u"1.01");
  EXPECT_EQ(page.Cell(5, 6).Label->Text(), u"1.00");
  // The right button ends the editing; "Clear" with nothing selected sets every cell (and, with
  // the link up, asks for the map's write).
  ecu::Session().Link.LinkUp = 1;
  Press(page, {4, 6}, rtl::mbRight);
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  page.Parts().HudButton_3D_MapRPM_Clear->OnClick(page.Parts().HudButton_3D_MapRPM_Clear);
  EXPECT_EQ(page.Cell(4, 6).Label->Text(), u"1.00");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 24);
}

TEST_F(MapPageTest, EnterOnTheFocusedItemSelectsItAndGivesItsLabelTheKeyboardFocus) {
  app::TPage_MAP& page = ShowMapPage();
  Move(page, {3, 0}, 2, 2);
  vg::TvxHudLabel* label = page.Cell(3, 0).Label;
  EXPECT_FALSE(label->IsFocused());
  std::uint16_t enter = win::VK_RETURN;
  main->FormKeyDown(main.get(), enter, {});
  EXPECT_TRUE(app::Model().MapRPM.Editing);
  EXPECT_EQ(app::Model().MapRPM.MapRPMFlags[3][0], 1);
  EXPECT_TRUE(label->IsFocused());
  // The keys still reach the page: Up steps the break point, Enter ends the editing.
  std::uint16_t up = win::VK_UP;
  main->FormKeyDown(main.get(), up, {});
  EXPECT_EQ(label->Text(), u"1100");
  enter = win::VK_RETURN;
  main->FormKeyDown(main.get(), enter, {});
  EXPECT_FALSE(app::Model().MapRPM.Editing);
  // Once the focus moves on, the label takes none from the mouse or Tab.
  main->Parts().HudTabControl_GEN->SetFocus();
  EXPECT_FALSE(label->IsFocused());
  EXPECT_FALSE(label->CanFocused());
}

TEST_F(MapPageTest, TheCellDataAndTheWindowSpeakTheChosenLanguage) {
  folder.Write("Language/Deutsch.lng",
               "MapRPM_Time Benzinzeit\r\nRange Bereich\r\nDialogue Dialog\r\nLoad Laden\r\n");
  app::TPage_MAP& page = ShowMapPage();
  app::Model().Settings.Language = "Deutsch";
  main->ApplyLanguage();
  Move(page, {0, 3}, 2, 2);
  EXPECT_EQ(page.Parts().HudLabel_3D_MapRPM_CellData->Text(), u"Benzinzeit = 2.0;  Bereich 1.1..2.9 ms");
  auto window = app::TForm_3D_SaveLoad::Create();
  window->RunFileMenuAction(1);
  EXPECT_EQ(window->Parts().HudWindow_3D_SaveLoad->Text(), u"Dialog");
  EXPECT_EQ(window->Parts().HudButton_3D_SL_Run->Text(), u"Laden");
}

class SaveLoadWindowTest : public apptest::MainWindowTest {
protected:
  app::TForm_3D_SaveLoad& Open(int Index) {
    MakeAndShow();
    window = app::TForm_3D_SaveLoad::Create();
    main->RunFileMenuItem(Index);  // the File menu's item
    Run(300);
    return *window;
  }
  void TearDown() override {
    window.reset();
    apptest::MainWindowTest::TearDown();
  }
  std::unique_ptr<app::TForm_3D_SaveLoad> window;
};

TEST_F(SaveLoadWindowTest, TheWindowListsTheFilesAndCutsTheName) {
  folder.Write("Config/Car.txt", "x");
  folder.Write("Config/bus.cfg", "x");
  std::filesystem::create_directories(folder.Path() / "Config/old");
  app::TForm_3D_SaveLoad& w = Open(1);
  const app::TSaveLoadParts& p = w.Parts();
  EXPECT_TRUE(w.Showing());
  EXPECT_EQ(w.Width(), 200);
  EXPECT_EQ(w.Height(), 353);
  EXPECT_EQ(w.Left(), main->Left());
  EXPECT_EQ(w.Top(), main->Top() + 22);
  EXPECT_EQ(p.HudWindow_3D_SaveLoad->Text(), u"Dialogue");
  EXPECT_EQ(p.HudButton_3D_SL_Run->Text(), u"Load");
  ASSERT_EQ(p.HudStringListBox_3D_SL_List->Items()->Count(), 2);
  EXPECT_EQ(p.HudStringListBox_3D_SL_List->Items()->Get(0), u"bus");
  EXPECT_EQ(p.HudStringListBox_3D_SL_List->Items()->Get(1), u"Car");
  EXPECT_EQ(p.HudStringListBox_3D_SL_List->ItemIndex(), -1);
  EXPECT_FALSE(p.HudButton_3D_SL_Run->Enabled());

  // Drawn: the two names in the list, light on the dark list.
  rtl::Application->ProcessMessages();
  const std::vector<std::uint32_t> frame = w.PresentedFrame();
  auto b = std::make_unique<vg::TvxBitmap>();
  b->SetSize(w.Width(), w.Height());
  std::copy(frame.begin(), frame.end(), b->Bits());
  vg::TvxFilterGdiPlus().SaveToFile((folder.Origin() / "saveload_window.png").string(), *b, "");
  if (std::getenv("GASCAL_UPDATE_GALLERY"))
    vg::TvxFilterGdiPlus().SaveToFile(APP_UI_TEST_DATA "/saveload_window.png", *b, "");
  const vg::TvxPoint list = p.HudStringListBox_3D_SL_List->LocalToAbsolute({0, 0});
  int bright = 0;
  for (int y = static_cast<int>(list.Y); y < static_cast<int>(list.Y) + 40; ++y)
    for (int x = static_cast<int>(list.X); x < static_cast<int>(list.X) + 170; ++x)
      bright += ((w.PresentedPixel(x, y) >> 8) & 0xFF) > 200;
  EXPECT_GT(bright, 20);

  // Picking a file fills the name; ten characters typed keep eight; no name, no button.
  p.HudStringListBox_3D_SL_List->SetItemIndex(1);
  EXPECT_EQ(p.HudTextBox_3D_SL_Name->Text(), u"Car");
  EXPECT_TRUE(p.HudButton_3D_SL_Run->Enabled());
  p.HudTextBox_3D_SL_Name->SetText(u"abcdefghij");
  EXPECT_EQ(p.HudTextBox_3D_SL_Name->Text(), u"abcdefgh");
  p.HudTextBox_3D_SL_Name->SetText(u"");
  EXPECT_FALSE(p.HudButton_3D_SL_Run->Enabled());
  // The window stays at least 200 x 200.
  w.SetBounds(w.Left(), w.Top(), 120, 150);
  EXPECT_EQ(w.Width(), 200);
  EXPECT_EQ(w.Height(), 200);
}

TEST_F(SaveLoadWindowTest, SaveNamesTheFileEverywhereAndHidesAndAFailureKeepsItOpen) {
  app::TForm_3D_SaveLoad& w = Open(0);
  ecu::Session().Link.LinkUp = 1;
  const app::TSaveLoadParts& p = w.Parts();
  EXPECT_EQ(p.HudButton_3D_SL_Run->Text(), u"Save");
  p.HudTextBox_3D_SL_Name->SetText(u"car1");
  p.HudButton_3D_SL_Run->OnClick(p.HudButton_3D_SL_Run);
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "Config/car1.cfg"));
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "car1");
  EXPECT_EQ(main->TitleText().substr(main->TitleText().size() - 20), u"     File : car1.cfg");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
  EXPECT_FALSE(w.Showing());

  // The window opens again with the configuration's name; a name that would leave the
  // folder is refused and the window stays.
  ecu::Session().Link.TaskRequest = 0;
  main->RunFileMenuItem(0);
  EXPECT_EQ(p.HudTextBox_3D_SL_Name->Text(), u"car1");
  p.HudTextBox_3D_SL_Name->SetText(u"../x");
  p.HudButton_3D_SL_Run->OnClick(p.HudButton_3D_SL_Run);
  EXPECT_TRUE(w.Showing());
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "car1");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  ASSERT_FALSE(host->Messages.empty());

  // Default: no file named anywhere, the write asked for.
  main->RunFileMenuItem(2);
  EXPECT_EQ(app::Model().Settings.CFG_File_Name, "");
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->Cfg_Name, "");
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 21);
}

}  // namespace

}  // namespace map_saveload_test
