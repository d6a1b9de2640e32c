// The calibration diagram without a window: the default curve (slope 23, offset 2 ms, CNG) on
// a drawing of the Graph page's size, the main window's timers and key-repeat timer on a test
// clock, and a page stand-in that re-places the points at every full redraw (as the page
// does) and records what the diagram asks of it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/Calibr_Ctrl.h"
#include "app/core/Calibr_Draw.h"
#include "app/core/Calibr_Map.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Session.h"
#include "platform/loop/Application.h"
#include "platform/loop/Timer.h"
#include "tests/ecu/FreshModel.h"
#include "tools/linkrec/Recorder.h"

namespace diagramtest {

constexpr double PlotWidth = 549, PlotHeight = 377;

class PageStandIn : public linkrec::Recorder {
public:
  int Redraws = 0, States = 0, HistoryShown = 0, HistoryClosed = 0, MapControls = 0;
  std::vector<std::string> Positions;
  std::vector<app::TMapPrompt> Prompts;  // the prompt after each change
  app::TDiagramShapes Shapes;

  void RedrawCalibrationDiagram() override {
    ++Redraws;
    app::PlaceDiagramShapes(PlotWidth, PlotHeight, 14, 14, Shapes);
  }
  void DrawDiagramState() override { ++States; }
  void ShowDiagramPosition(const std::string& Text) override { Positions.push_back(Text); }
  void ShowDiagramHistoryPanel() override { ++HistoryShown; }
  void CloseDiagramHistoryPanel() override { ++HistoryClosed; }
  void MapPromptChanged() override { Prompts.push_back(app::Model().Diagram.MapPrompt); }
  void EnableMapPointControls() override { ++MapControls; }
  // The window closes the MAP prompt when the queue runs action 11.
  void RunAction(std::uint8_t Code) override {
    linkrec::Recorder::RunAction(Code);
    if (Code == app::Action_CloseMapPrompt) app::CloseMapPrompt();
  }
};

class DiagramFixture : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    ecu::InitInjectorTable();
    ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
    app::CreateMainTimers();
    app::Model().Actions.MainWindowShown = 1;
    page = std::make_unique<PageStandIn>();
    keyTimer = std::make_unique<rtl::TTimer>(nullptr);
    keyTimer->SetEnabled(false);
    keyTimer->SetInterval(300);
    keyTimer->SetOnTimer([](rtl::TObject*) { app::KeyRepeatEnded(); });
    DefaultCurve();
  }
  void TearDown() override {
    page.reset();
    keyTimer.reset();
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }

  // The default curve of an injector with offset 2 ms on CNG, placed on the drawing:
  // gas times 2000, 3840, 5680, 7520, 10280, 13040, 14440, 15880, 17680 us.
  void DefaultCurve() {
    for (const std::string& name : ecu::Session().ConfigData.InjectorNames) {
      double slope = 0, offset = 0;
      ecu::GetInjectorFactors(name, slope, offset);
      if (offset == 2.0) {
        ecu::Session().ConfigData.Configuration->Injector_Type = name;
        break;
      }
    }
    ecu::Session().ConfigData.Configuration->LPG_on = 0;
    app::CalcDiagramPoints();
    page->RedrawCalibrationDiagram();
    app::Model().Diagram.Timer_CLB_3D_Btn = keyTimer.get();
  }

  double PX(int I) const { return app::Model().Diagram.PointPixelX[static_cast<std::size_t>(I)]; }
  double PY(int I) const { return app::Model().Diagram.PointPixelY[static_cast<std::size_t>(I)]; }
  std::int32_t GasTime(int I) const { return ecu::Session().ConfigData.DiagramPointY[static_cast<std::size_t>(I)]; }
  std::int32_t PetrolTime(int I) const { return ecu::Session().ConfigData.DiagramPointX[static_cast<std::size_t>(I)]; }

  // A left press in the middle of point I's marker and a release without moving: the point
  // is chosen for the arrow keys.
  void Choose(int I) {
    app::DiagramMarkerMouseDown(I + 1, rtl::mbLeft, 7, 7);
    app::DiagramMarkerMouseUp(I + 1);
  }

  ecu_test::FreshModel fresh;
  rtl::TTestClock clock{0.0};
  std::unique_ptr<PageStandIn> page;
  std::unique_ptr<rtl::TTimer> keyTimer;
};

}  // namespace diagramtest
