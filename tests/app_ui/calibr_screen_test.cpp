// The Graph page on a real X screen (Xvfb) and a real clock, against the ECU simulator with
// still live values (an engine running on gas, one cylinder's gas injector silent): once the
// ECU is read, the page shows the ECU's curve and the live operating point. The screen is read
// back and checked at chosen pixels, and kept as the reference picture of the page.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "app/core/Calibr_Draw.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Page_CLB.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/gfx3d/GlDevice.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Shapes.h"

namespace calibr_screen_test {

namespace {

using namespace std::chrono_literals;
using apptest::AnyPixelNear;
using apptest::Argb;

TEST(GraphScreen, TheGraphPageShowsTheEcuCurveAndTheLivePointOnARealScreen) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("GraphScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

// The mean of the times that are not 0 (a cylinder whose injector is silent sends 0); 0 when
// all are.
std::int32_t MeanOfNonZero(const std::array<std::uint16_t, 4>& Times) {
  std::int32_t sum = 0, count = 0;
  for (std::uint16_t t : Times)
    if (t != 0) {
      sum += t;
      ++count;
    }
  return count ? sum / count : 0;
}

class GraphScreenChild : public apptest::SimulatorScreenTest {
protected:
  // Live values that do not move (as gascal-ecusim --still sends them), on gas, with the
  // operating point in a part of the plot that neither the curve nor the ECU's MAP points
  // cross.
  ecusim::EcuState SimulatorState() const override {
    ecusim::EcuState s = ecusim::DefaultState();
    s.Animate = false;
    s.Live.WorkMode = 4;
    s.Live.PetrolTimes = {15000, 15040, 14960, 15020};
    s.Live.GasTimes = {8000, 8060, 0, 7980};
    return s;
  }
  app::TPage_CLB& Page() { return *main->PageCLB(); }
};

TEST_F(GraphScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  ASSERT_EQ(win::VideoDriver(), "x11");
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";

  // The live values the simulator sends, averaged over the cylinders that inject.
  const ecusim::LiveValues live = sim->State().Live;
  const std::int32_t petrol = MeanOfNonZero(live.PetrolTimes), gas = MeanOfNonZero(live.GasTimes);
  ASSERT_TRUE(RunUntil(
      [&] {
        return ecu::Session().LiveData.LivePetrolTimeAvg == petrol && ecu::Session().LiveData.LiveGasTimeAvg == gas;
      },
      4s))
      << ecu::Session().LiveData.LivePetrolTimeAvg << " / " << ecu::Session().LiveData.LiveGasTimeAvg << " received, "
      << petrol << " / " << gas << " sent";

  main->Parts().HudTabControl_GEN->SetItemIndex(2);
  // The page shown draws the curve, and a live-data reply the live point over it; its fonts
  // come a moment later.
  const app::TDiagramParts& d = Page().Diagram();
  vg::TvxImage* plot = Page().Parts().Image_CLB_Diagram;
  const auto livePointDrawn = [&] {
    app::TDiagramLook look;
    const vg::TvxCircle* m = d.GasMarker;
    return ActionsDone() && Page().Shown() && app::DiagramLook(plot->Width(), plot->Height(), 10, look) &&
           std::abs(m->Position()->X() + m->Width() / 2 - look.LiveX) < 1 &&
           std::abs(m->Position()->Y() + m->Height() / 2 - look.LiveGasY) < 1;
  };
  ASSERT_TRUE(RunUntil(livePointDrawn, 1min)) << "the page does not show the live point";
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "graph_screen.png");

  ASSERT_TRUE(plot->Visible());
  const float width = plot->Width(), height = plot->Height();
  {
    SCOPED_TRACE("the grid line at 10 ms of gas time, across the plot; none 10 pixels below it");
    // A one-pixel line between pixel rows is shared by two of them.
    const std::uint32_t grid = Argb(app::Model().Colors.ColorTable[app::Color_Diagram_Grid]);
    vg::TvxLine* line = d.HorizontalGrid[2];
    const float y = line->Position()->Y();
    const auto [x0, y0] = OnScreen(plot, width * 0.55f, y);
    EXPECT_TRUE(AnyPixelNear(screen, x0, y0, 3, 2, grid, 80)) << std::hex << screen.At(x0, y0);
    EXPECT_FALSE(AnyPixelNear(screen, x0, y0 + 10, 3, 1, grid, 80)) << std::hex << screen.At(x0, y0 + 10);
  }
  {
    SCOPED_TRACE("the grey marker of point 4 where the ECU's point 4 lies");
    const auto [x, y] = OnScreen(plot, static_cast<float>(app::Model().Diagram.PointPixelX[4]),
                                 static_cast<float>(app::Model().Diagram.PointPixelY[4]));
    EXPECT_TRUE(vgtest::Near(screen.At(x, y), Argb(app::Model().Colors.ColorTable[app::Color_Diagram]), 24))
        << std::hex << screen.At(x, y);
  }
  {
    SCOPED_TRACE("the live gas marker centred on the operating point the simulator's values give");
    app::TDiagramLook look;
    ASSERT_TRUE(app::DiagramLook(width, height, 10, look));
    ASSERT_GT(look.LiveX, 14);  // inside the plot, clear of its edges
    ASSERT_LT(look.LiveGasY, height - 14);
    const std::uint32_t color = Argb(app::Model().Colors.ColorTable[app::Color_Diagram_Gas]);
    const auto [x, y] = OnScreen(plot, static_cast<float>(look.LiveX), static_cast<float>(look.LiveGasY));
    EXPECT_TRUE(vgtest::Near(screen.At(x, y), color, 24)) << std::hex << screen.At(x, y);
    // The marker is 14 pixels across: 12 pixels off its centre is the plot again.
    EXPECT_FALSE(vgtest::Near(screen.At(x + 12, y), color, 24)) << std::hex << screen.At(x + 12, y);
    EXPECT_FALSE(vgtest::Near(screen.At(x, y - 12), color, 24)) << std::hex << screen.At(x, y - 12);
  }
}

}  // namespace

}  // namespace calibr_screen_test
