// The Graph page: the diagram drawn on the plot (grid, markers, live marker), its MAP controls
// and the panels that open over the plot, in the shown main window. The pictures the tests
// write are kept as references in tests/app_ui/data (graph_page.png, graph_map.png).
#include <gtest/gtest.h>

#include <cmath>

#include "app/core/Calibr_Ctrl.h"
#include "app/core/Calibr_Draw.h"
#include "app/core/Calibr_Map.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Page_CLB.h"
#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/win/WinTypes.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/ImageShapes.h"
#include "platform/win/WinTypes.h"
#include "scene3d/ObjectLayer.h"
#include "vg2d/core/Shapes.h"

namespace calibr_page_test {

namespace {

class GraphPageTest : public apptest::MainWindowTest {
protected:
  app::TPage_CLB& Page() { return *main->PageCLB(); }
  // Shows the window on the Graph page with the live operating point at 12.5 / 16 ms.
  void ShowGraph() {
    MakeAndShow();
    main->Parts().HudTabControl_GEN->SetItemIndex(2);
    ecu::Session().LiveData.LivePetrolTimeAvg = 12500;
    ecu::Session().LiveData.LiveGasTimeAvg = 16000;
    Page().RedrawCalibrationDiagram();
    Run(2000);  // the start-up actions have run
    main->RunAction(app::Action_ShrinkLogo);  // the start-up logo in its corner, drawn
    Run(100);
  }
  // The window pixel at a point of the plot.
  static std::uint32_t At(const vg::TvxBitmap& B, vg::TvxVisualObject* O, float X, float Y) {
    const vg::TvxPoint p = O->LocalToAbsolute({X, Y});
    return B.Bits()[static_cast<int>(std::lround(p.Y)) * B.Width() + static_cast<int>(std::lround(p.X))];
  }
  static std::uint32_t Rgb(const std::string& Color) {  // "#AARRGGBB" without its alpha
    return static_cast<std::uint32_t>(std::stoul(Color.substr(3), nullptr, 16));
  }
  static bool Near(std::uint32_t Pixel, std::uint32_t Rgb, int Tolerance = 24) {
    for (int shift : {0, 8, 16}) {
      const int a = static_cast<int>((Pixel >> shift) & 0xFF), b = static_cast<int>((Rgb >> shift) & 0xFF);
      if (std::abs(a - b) > Tolerance) return false;
    }
    return true;
  }
};

TEST_F(GraphPageTest, ThePlotShowsGridMarkersAndTheLiveGasPoint) {
  ShowGraph();
  const app::TDiagramParts& d = Page().Diagram();
  vg::TvxImage* plot = Page().Parts().Image_CLB_Diagram;
  ASSERT_NE(d.Markers[4], nullptr);
  EXPECT_FLOAT_EQ(d.Markers[4]->Width(), 14);
  const auto picture = Picture("graph_page.png");
  // The grid at 10 ms of gas time, between two markers; the grey marker of point 4; the
  // live gas marker in the middle of the plot.
  const float y10 = 377 - 377.0f / 32 * 10;
  // A one-pixel line between pixel rows is shared by two of them.
  const std::uint32_t grid = Rgb(app::Model().Colors.ColorTable[app::Color_Diagram_Grid]);
  EXPECT_TRUE(Near(At(*picture, plot, 300, y10), grid, 80) || Near(At(*picture, plot, 300, y10 + 1), grid, 80))
      << std::hex << At(*picture, plot, 300, y10);
  EXPECT_FALSE(Near(At(*picture, plot, 300, y10 + 10), grid, 80));
  const double x4 = app::Model().Diagram.PointPixelX[4], y4 = app::Model().Diagram.PointPixelY[4];
  EXPECT_TRUE(Near(At(*picture, plot, static_cast<float>(x4), static_cast<float>(y4)),
                   Rgb(app::Model().Colors.ColorTable[app::Color_Diagram])))
      << std::hex << At(*picture, plot, static_cast<float>(x4), static_cast<float>(y4));
  EXPECT_TRUE(
      Near(At(*picture, plot, 549.0f / 2, 377.0f / 2), Rgb(app::Model().Colors.ColorTable[app::Color_Diagram_Gas])))
      << std::hex << At(*picture, plot, 549.0f / 2, 377.0f / 2);
}

TEST_F(GraphPageTest, PanelsOpenOverThePlotAndGoAgain) {
  ShowGraph();
  ecu::Session().Link.LinkUp = 1;
  app::PushDiagramHistory();
  Page().Image_CLB_DiagramMouseDown(nullptr, rtl::mbRight, {}, 200, 100);
  Page().Image_CLB_DiagramMouseDown(nullptr, rtl::mbRight, {}, 300, 100);
  const app::TDiagramParts& d = Page().Diagram();
  ASSERT_NE(d.HistoryPanel, nullptr);
  EXPECT_EQ(d.HistoryPanel->Parent(), Page().Parts().Image_CLB_Diagram);
  EXPECT_FLOAT_EQ(d.HistoryPanel->Position()->X(), 148.5f);
  EXPECT_FALSE(d.HistoryBack->Enabled());  // one entry
  EXPECT_FALSE(d.HistoryForward->Enabled());
  Run(300);
  Picture("graph_history.png");
  Page().Image_CLB_DiagramMouseMove(nullptr, {}, 10, 10, 0, 0);
  EXPECT_EQ(Page().Diagram().HistoryPanel, nullptr);

  app::CheckMapPointCount();  // no MAP pairs
  ASSERT_NE(d.Prompt, nullptr);
  EXPECT_EQ(d.PromptText->Text(), u"Insufficient data for correction of the transitive characteristic");
  EXPECT_EQ(d.PromptFirst->Text(), u"OK");
  EXPECT_EQ(d.PromptSecond, nullptr);
  Run(300);
  Picture("graph_prompt.png");
  d.PromptFirst->OnClick(d.PromptFirst);
  Run(1000);
  EXPECT_EQ(Page().Diagram().Prompt, nullptr);
}

TEST_F(GraphPageTest, CollectedMapPointsAndTheProposalAreDrawnOverTheCurve) {
  ShowGraph();
  ecu::Session().ConfigData.Configuration->Save_Map = 1;
  for (int j = 0; j < 20; ++j) {
    ecu::Session().ConfigData.MapPointsGas[static_cast<std::size_t>(j)] = 500 + 60 * j;
    ecu::Session().ConfigData.MapPointsPetrol[static_cast<std::size_t>(j)] = 420 + 50 * j;
  }
  app::CheckMapPointCount();
  app::MapPromptFirstButton();  // Yes: the proposal
  const app::TDiagramParts& d = Page().Diagram();
  EXPECT_EQ(d.PairBars.size(), 20u);
  EXPECT_EQ(d.GasPoints.size(), 20u);
  EXPECT_EQ(d.GasLines.size(), 19u);
  ASSERT_NE(d.ProposalMarkers[8], nullptr);
  EXPECT_EQ(d.PromptSecond->Text(), u"No");
  Run(300);
  Picture("graph_map.png");
  app::MapPromptSecondButton();  // No: the proposal goes
  EXPECT_EQ(d.ProposalMarkers[8], nullptr);
  ecu::Session().ConfigData.Configuration->Save_Map = 0;
  Page().RedrawCalibrationDiagram();
  EXPECT_TRUE(d.PairBars.empty());
  EXPECT_TRUE(d.GasPoints.empty());
}

TEST_F(GraphPageTest, MapPointsBeyondTheScaleAreCutAtThePlotsEdgeAndLeaveTheReadOutClear) {
  ShowGraph();
  ecu::Session().ConfigData.Configuration->Save_Map = 1;
  const int used = app::MapPointsUsed();
  // The upper bands lie beyond the pressure scale (above the plot's top edge).
  ASSERT_GT(app::MapBandPressure(used - 1), 192);
  for (int j = 0; j < used; ++j) {
    ecu::Session().ConfigData.MapPointsGas[static_cast<std::size_t>(j)] = 500 + 60 * j;
    ecu::Session().ConfigData.MapPointsPetrol[static_cast<std::size_t>(j)] = 420 + 50 * j;
  }
  Page().RedrawCalibrationDiagram();
  Run(300);
  const auto picture = Picture("graph_map_beyond.png");
  const app::TDiagramParts& d = Page().Diagram();
  vg::TvxImage* plot = Page().Parts().Image_CLB_Diagram;
  ASSERT_EQ(d.GasPoints.size(), static_cast<std::size_t>(used));
  const std::uint32_t colors[] = {Rgb(app::Model().Colors.ColorTable[app::Color_Map_Point_Gas]),
                                  Rgb(app::Model().Colors.ColorTable[app::Color_Map_Point_Petrol]),
                                  Rgb(app::Model().Colors.ColorTable[app::Color_Map_Point_Line])};
  auto mapColored = [&](float X, float Y) {
    const std::uint32_t pixel = At(*picture, plot, X, Y);
    for (std::uint32_t c : colors)
      if (Near(pixel, c, 16)) return true;
    return false;
  };
  // Between the plot and the page's top, where "Position" and the values are read: none.
  int above = 0;
  for (float y = -20; y < -1; y += 1)
    for (float x = 0; x < plot->Width(); x += 1) above += mapColored(x, y) ? 1 : 0;
  EXPECT_EQ(above, 0) << "MAP pixels above the plot";
  // A band inside the scale is drawn as before: the gas marker of band 10 at its centre.
  vg::TvxCircle* m = d.GasPoints[10];
  const vg::TvxPoint c = m->LocalToAbsolute({m->Width() / 2, m->Height() / 2});
  const vg::TvxPoint inPlot = plot->AbsoluteToLocal(c);
  ASSERT_GT(inPlot.Y, 10);
  EXPECT_TRUE(mapColored(inPlot.X, inPlot.Y)) << std::hex << At(*picture, plot, inPlot.X, inPlot.Y);
}

TEST_F(GraphPageTest, AMarkerDraggedWithTheMouseIsWrittenAfterTheRelease) {
  ShowGraph();
  ecu::Session().Link.LinkUp = 1;
  const app::TDiagramParts& d = Page().Diagram();
  const vg::TvxPoint c = d.Markers[4]->LocalToAbsolute({7, 7});
  const int x = static_cast<int>(std::lround(c.X)), y = static_cast<int>(std::lround(c.Y));
  const std::int32_t before = ecu::Session().ConfigData.DiagramPointY[4];
  win::SimulateMouseMove(main.get(), x, y);
  EXPECT_EQ(Page().Parts().HudLabel_CLB_Position->Text().substr(0, 9), u"Point = 4");
  win::SimulateMouseButton(main.get(), rtl::mbLeft, true, x, y);
  for (int k = 1; k <= 20; ++k) {
    win::SimulateMouseMove(main.get(), x, y - k);
    Run(10);
  }
  win::SimulateMouseButton(main.get(), rtl::mbLeft, false, x, y - 20);
  EXPECT_NEAR(ecu::Session().ConfigData.DiagramPointY[4] - before, 20 * 32000 / 377.0, 90);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 1);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1);
  Run(1600);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);
}

// What the frames of a drag left on the window is what the whole page looks like when drawn
// anew: nothing the drag moved was skipped, nothing stale stays.
TEST_F(GraphPageTest, FramesOfADragShowWhatAWholeRepaintShows) {
  ShowGraph();
  ecu::Session().Link.LinkUp = 1;
  const app::TDiagramParts& d = Page().Diagram();
  const vg::TvxPoint c = d.Markers[3]->LocalToAbsolute({7, 7});
  const int x = static_cast<int>(std::lround(c.X)), y = static_cast<int>(std::lround(c.Y));
  win::SimulateMouseMove(main.get(), x, y);
  win::SimulateMouseButton(main.get(), rtl::mbLeft, true, x, y);
  // Up past the next point's height and down again, quickly enough to leave the marker.
  for (int k : {3, 9, 20, 41, 60, 35, 12, -15, -30, 6}) {
    win::SimulateMouseMove(main.get(), x + k / 4, y - k);
    Run(20);
  }
  win::SimulateMouseButton(main.get(), rtl::mbLeft, false, x + 1, y - 6);
  Run(100);
  const auto drawn = Picture();
  main->Layer()->AddUpdateRect(vg::MakeRect(0, 0, 100000, 100000));
  Run(100);
  const auto whole = Picture();
  ASSERT_EQ(drawn->Width(), whole->Width());
  // Antialiased edges of the grid's lines may come out a few levels apart; anything that was
  // left out or left behind differs by far more.
  auto channel = [](std::uint32_t P, int Shift) { return static_cast<int>((P >> Shift) & 0xFF); };
  int differ = 0;
  for (int i = 0; i < drawn->Width() * drawn->Height(); ++i)
    for (int shift : {0, 8, 16})
      if (std::abs(channel(drawn->Bits()[i], shift) - channel(whole->Bits()[i], shift)) > 16) {
        ++differ;
        break;
      }
  EXPECT_EQ(differ, 0);
  EXPECT_NE(app::Model().Diagram.HistoryCount, 0);  // the point did move
}

TEST_F(GraphPageTest, ArrowKeysOfTheWindowMoveTheChosenPointWithTheRepeatTimer) {
  ShowGraph();
  const app::TDiagramParts& d = Page().Diagram();
  d.Markers[3]->OnMouseDown(d.Markers[3], rtl::mbLeft, {}, 7, 7);
  d.Markers[3]->OnMouseUp(d.Markers[3], rtl::mbLeft, {}, 7, 7);
  const double y = app::Model().Diagram.PointPixelY[3];
  for (int k = 0; k < 3; ++k) {  // quick presses: 1, 1, 2 px
    std::uint16_t key = win::VK_UP;
    main->FormKeyDown(main.get(), key, {});
    Run(50);
  }
  EXPECT_NEAR(app::Model().Diagram.PointPixelY[3], y - 4, 0.05);
  EXPECT_TRUE(main->Timer_CLB_3D_Btn()->Enabled());
  Run(400);  // the repeat window closes
  EXPECT_FALSE(main->Timer_CLB_3D_Btn()->Enabled());
  std::uint16_t esc = win::VK_ESCAPE;
  main->FormKeyDown(main.get(), esc, {});
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1);
}

TEST_F(GraphPageTest, MapControlsFollowSaveMapOnlyWithTheLinkUp) {
  ShowGraph();
  const app::TPageCLBParts& p = Page().Parts();
  ecu::Session().ConfigData.Configuration->Save_Map = 0;
  Page().EnableMapPointControls();  // link down: as they were
  EXPECT_TRUE(p.HudButton_CLB_MAP_To_Count->Enabled());
  ecu::Session().Link.LinkUp = 1;
  Page().EnableMapPointControls();
  EXPECT_FALSE(p.HudButton_CLB_MAP_To_Count->Enabled());
  EXPECT_FALSE(p.Image_CLB_Scale_Manifuld->Visible());
  Page().HudButton_CLB_MAP_StartClick(nullptr);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->Save_Map, 1);
  EXPECT_TRUE(p.HudButton_CLB_MAP_Del_Gas->Enabled());
  EXPECT_TRUE(p.HudLabel_CLB_Scale_Manifuld->Visible());
}

// Live replies redraw the diagram while another page is shown; the Graph page draws it when it
// is shown, as a redraw on the shown page would have.
TEST_F(GraphPageTest, WhatCameWhileThePageWasHiddenIsDrawnWhenItIsShown) {
  ShowGraph();
  const app::TDiagramParts& d = Page().Diagram();
  const float x0 = d.GasMarker->Position()->X(), y0 = d.GasMarker->Position()->Y();
  main->Parts().HudTabControl_GEN->SetItemIndex(0);
  Run(50);
  ecu::Session().LiveData.LivePetrolTimeAvg = 6000;
  ecu::Session().LiveData.LiveGasTimeAvg = 8000;
  ecu::Session().Hosts.Host->RedrawCalibrationDiagram();
  main->Parts().HudTabControl_GEN->SetItemIndex(2);
  const float x1 = d.GasMarker->Position()->X(), y1 = d.GasMarker->Position()->Y();
  EXPECT_LT(x1, x0);
  EXPECT_GT(y1, y0);
  Page().RedrawCalibrationDiagram();
  EXPECT_FLOAT_EQ(d.GasMarker->Position()->X(), x1);
  EXPECT_FLOAT_EQ(d.GasMarker->Position()->Y(), y1);

  // The state alone (the live markers) is left for later too, and drawn with the page.
  main->Parts().HudTabControl_GEN->SetItemIndex(3);
  ecu::Session().LiveData.LivePetrolTimeAvg = 12500;
  ecu::Session().LiveData.LiveGasTimeAvg = 16000;
  app::DrawDiagramState();
  main->Parts().HudTabControl_GEN->SetItemIndex(2);
  EXPECT_FLOAT_EQ(d.GasMarker->Position()->X(), x0);
  EXPECT_FLOAT_EQ(d.GasMarker->Position()->Y(), y0);
  const auto picture = Picture("graph_page_shown_again.png");
  EXPECT_TRUE(Near(At(*picture, Page().Parts().Image_CLB_Diagram, 549.0f / 2, 377.0f / 2),
                   Rgb(app::Model().Colors.ColorTable[app::Color_Diagram_Gas])));
}

}  // namespace

}  // namespace calibr_page_test
