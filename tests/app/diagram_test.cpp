// The calibration diagram's model: default curves, slopes as the link sends them, pixel
// conversions, the history ring and the transmit after an edit.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/core/Calibr_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Transmit_Unit.h"
#include "platform/loop/Application.h"

namespace {

using Points = std::vector<std::int32_t>;
Points Of(const std::array<std::int32_t, ecu::DiagramPointCount>& a) { return Points(a.begin(), a.end()); }

class DiagramTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    ecu::InitInjectorTable();
    ecu::Configuration = std::make_unique<ecu::Configuration_Class>();
    app::Settings = std::make_unique<app::Settings_Class>();
    app::CreateMainTimers();
    app::ClearDiagram();
    ecu::LinkUp = 0;
    ecu::TaskRequest = 0;
    ecu::SelectedPoint = -1;
  }
  void TearDown() override {
    app::FreeMainTimers();
    app::Settings.reset();
    ecu::Configuration.reset();
    ecu::LinkUp = 0;
    ecu::TaskRequest = 0;
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }
  // The default curve for an injector type with the given offset.
  Points Curve(double Offset, bool Lpg) {
    for (const std::string& name : ecu::InjectorNames) {
      double slope = 0, offset = 0;
      ecu::GetInjectorFactors(name, slope, offset);
      if (offset == Offset) {
        ecu::Configuration->Injector_Type = name;
        break;
      }
    }
    ecu::Configuration->LPG_on = Lpg;
    app::CalcDiagramPoints();
    return Of(ecu::DiagramPointY);
  }
  void SetPoints(std::int32_t Offset) {
    for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
      ecu::DiagramPointX[i] = static_cast<std::int32_t>(i) * 3000;
      ecu::DiagramPointY[i] = static_cast<std::int32_t>(i) * 3000 + Offset;
    }
  }

  rtl::TTestClock clock{0.0};
};

TEST_F(DiagramTest, DefaultCurvesForSlope23) {
  EXPECT_EQ(Curve(2.0, false), (Points{2000, 3840, 5680, 7520, 10280, 13040, 14440, 15880, 17680}));
  EXPECT_EQ(Of(ecu::DiagramPointX), (Points{0, 2000, 4000, 6000, 9000, 12000, 16000, 20000, 25000}));
  EXPECT_EQ(ecu::FlaggedPoint, 2);
  EXPECT_EQ(Curve(2.0, true), (Points{2000, 3840, 5680, 7520, 10280, 13040, 16720, 20400, 25000}));
  EXPECT_EQ(Curve(1.0, false), (Points{1000, 2840, 4680, 6520, 9280, 12040, 13440, 14880, 16680}));
  EXPECT_EQ(Curve(1.5, false), (Points{1500, 3340, 5180, 7020, 9780, 12540, 13440, 14880, 16680}));
  // (23 / 25 x 16 + 1.5) x 1000 lies just below 16220 in binary arithmetic.
  EXPECT_EQ(Curve(1.5, true), (Points{1500, 3340, 5180, 7020, 9780, 12540, 16220, 19900, 24500}));
}

TEST_F(DiagramTest, SlopesOfTheDefaultCurveAreSentAs128ths) {
  Curve(2.0, false);
  ecu::CalcDiagramSlopes();
  std::vector<int> sent;
  for (int point = 0; point < ecu::DiagramPointCount; ++point) {
    std::array<std::uint8_t, 3> triple{};
    ASSERT_TRUE(ecu::Param_Encode(ecu::PointCodes(point)[0], *ecu::Configuration, triple));
    sent.push_back(triple[1] * 256 + triple[2]);
  }
  EXPECT_EQ(sent, (std::vector<int>{128, 117, 117, 117, 117, 117, 44, 46, 46}));
}

TEST_F(DiagramTest, PixelsAndValuesConvertBothWays) {
  Curve(2.0, false);
  app::DiagramWidth = 549;
  app::DiagramHeight = 377;
  app::DiagramValuesToPixels();
  EXPECT_DOUBLE_EQ(app::PointPixelX[8], 549);
  EXPECT_DOUBLE_EQ(app::PointPixelY[0], 377 - 377.0 / 32000 * 2000);
  int redraws = 0;
  app::RedrawCalibrationDiagram = [&] { ++redraws; };
  app::PointPixelY[3] = 0;  // dragged to the top
  app::PlaceDiagramPoints();
  EXPECT_EQ(ecu::DiagramPointY[3], 32000);
  EXPECT_EQ(ecu::DiagramPointX[8], 25000);
  EXPECT_EQ(ecu::DiagramPointY[5], 13040);
  app::DiagramWidth = 0;  // no drawing: nothing changes
  app::PlaceDiagramPoints();
  EXPECT_EQ(ecu::DiagramPointX[8], 25000);
  EXPECT_EQ(redraws, 2);
  app::RedrawCalibrationDiagram = nullptr;
}

TEST_F(DiagramTest, HistoryKeepsTwentyAndStepsRotateTheRing) {
  for (int k = 1; k <= 21; ++k) {
    SetPoints(k);
    EXPECT_EQ(app::PushDiagramHistory(), std::min(k, 20));
  }
  EXPECT_EQ(app::HistoryCount, 20);
  EXPECT_EQ(app::DiagramHistory[0].Y[0], 2);  // the first set was dropped
  const auto ring = app::DiagramHistory;

  EXPECT_FALSE(app::DiagramHistoryBack());  // only while the link is up
  ecu::LinkUp = 1;
  EXPECT_FALSE(app::CanStepForward());
  ASSERT_TRUE(app::DiagramHistoryBack());
  EXPECT_EQ(app::HistoryPosition, 19);
  EXPECT_EQ(ecu::DiagramPointY[0], 20);  // the state before the last
  EXPECT_EQ(ecu::TaskRequest, 23);
  ASSERT_TRUE(app::DiagramHistoryForward());
  EXPECT_EQ(app::DiagramHistory, ring);
  EXPECT_EQ(ecu::DiagramPointY[0], 21);

  app::ClearDiagram();
  app::PushDiagramHistory();
  EXPECT_FALSE(app::CanStepBack());
  EXPECT_FALSE(app::DiagramHistoryBack());
  EXPECT_EQ(app::HistoryPosition, 1);
}

TEST_F(DiagramTest, AnEditReachesTheEcuOnlyWithTheLinkUpAndAPointSelected) {
  SetPoints(500);
  ecu::SelectedPoint = 4;
  app::QueueDiagramTransmit();  // link down: nothing
  clock.Advance(3000);
  EXPECT_EQ(app::HistoryCount, 0);
  EXPECT_EQ(ecu::TaskRequest, 0);

  ecu::LinkUp = 1;
  ecu::SelectedPoint = -1;
  app::QueueDiagramTransmit();
  EXPECT_EQ(app::HistoryCount, 0);

  ecu::SelectedPoint = 4;
  ecu::DiagramPointY[2] = 0;  // a falling segment, then a rising one
  app::QueueDiagramTransmit();
  EXPECT_EQ(app::HistoryCount, 1);
  EXPECT_DOUBLE_EQ(ecu::DiagramSlopes[2], 3500.0 / 3000);
  EXPECT_DOUBLE_EQ(ecu::DiagramSlopes[3], 9500.0 / 3000);
  clock.Advance(1499);
  EXPECT_EQ(ecu::TaskRequest, 0);
  clock.Advance(1);
  EXPECT_EQ(ecu::TaskRequest, 23);
}

}  // namespace
