// The calibration diagram's model: default curves, slopes as the link sends them, pixel
// conversions, the history ring and the transmit after an edit.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/core/Calibr_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "platform/loop/Application.h"
#include "tests/ecu/FreshModel.h"
#include "tools/linkrec/Recorder.h"

namespace diagram_test {

namespace {

using Points = std::vector<std::int32_t>;
Points Of(const std::array<std::int32_t, ecu::DiagramPointCount>& a) { return Points(a.begin(), a.end()); }

class DiagramTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    ecu::InitInjectorTable();
    ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
    app::CreateMainTimers();
  }
  void TearDown() override {
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }
  // The default curve for an injector type with the given offset.
  Points Curve(double Offset, bool Lpg) {
    for (const std::string& name : ecu::Session().ConfigData.InjectorNames) {
      double slope = 0, offset = 0;
      ecu::GetInjectorFactors(name, slope, offset);
      if (offset == Offset) {
        ecu::Session().ConfigData.Configuration->Injector_Type = name;
        break;
      }
    }
    ecu::Session().ConfigData.Configuration->LPG_on = Lpg;
    app::CalcDiagramPoints();
    return Of(ecu::Session().ConfigData.DiagramPointY);
  }
  void SetPoints(std::int32_t Offset) {
    for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
      ecu::Session().ConfigData.DiagramPointX[i] = static_cast<std::int32_t>(i) * 3000;
      ecu::Session().ConfigData.DiagramPointY[i] = static_cast<std::int32_t>(i) * 3000 + Offset;
    }
  }

  ecu_test::FreshModel fresh;
  rtl::TTestClock clock{0.0};
};

TEST_F(DiagramTest, DefaultCurvesForSlope23) {
  EXPECT_EQ(Curve(2.0, false), (Points{2000, 3840, 5680, 7520, 10280, 13040, 14440, 15880, 17680}));
  EXPECT_EQ(Of(ecu::Session().ConfigData.DiagramPointX),
            (Points{0, 2000, 4000, 6000, 9000, 12000, 16000, 20000, 25000}));
  EXPECT_EQ(ecu::Session().ConfigData.FlaggedPoint, 2);
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
    ASSERT_TRUE(ecu::Param_Encode(ecu::PointCodes(point)[0], *ecu::Session().ConfigData.Configuration, triple));
    sent.push_back(triple[1] * 256 + triple[2]);
  }
  EXPECT_EQ(sent, (std::vector<int>{128, 117, 117, 117, 117, 117, 44, 46, 46}));
}

TEST_F(DiagramTest, PixelsAndValuesConvertBothWays) {
  Curve(2.0, false);
  app::Model().Diagram.DiagramWidth = 549;
  app::Model().Diagram.DiagramHeight = 377;
  app::DiagramValuesToPixels();
  EXPECT_DOUBLE_EQ(app::Model().Diagram.PointPixelX[8], 549);
  EXPECT_DOUBLE_EQ(app::Model().Diagram.PointPixelY[0], 377 - 377.0 / 32000 * 2000);
  struct Page : linkrec::Recorder {
    int redraws = 0;
    void RedrawCalibrationDiagram() override { ++redraws; }
  } page;
  app::Model().Diagram.PointPixelY[3] = 0;  // dragged to the top
  app::PlaceDiagramPoints();
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[3], 32000);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointX[8], 25000);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[5], 13040);
  // Converted again after a move, also from a value kept from the conversion before, and
  // back to what it was.
  app::Model().Diagram.PointPixelY[3] = 377;
  app::PlaceDiagramPoints();
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[3], 0);
  app::Model().Diagram.PointPixelY[3] = 0;
  ecu::Session().ConfigData.DiagramPointY[5] = 1;
  app::PlaceDiagramPoints();
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[3], 32000);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[5], 13040);
  app::Model().Diagram.DiagramWidth = 0;  // no drawing: nothing changes
  app::PlaceDiagramPoints();
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointX[8], 25000);
  EXPECT_EQ(page.redraws, 4);
}

TEST_F(DiagramTest, HistoryKeepsTwentyAndStepsRotateTheRing) {
  for (int k = 1; k <= 21; ++k) {
    SetPoints(k);
    EXPECT_EQ(app::PushDiagramHistory(), std::min(k, 20));
  }
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 20);
  EXPECT_EQ(app::Model().Diagram.DiagramHistory[0].Y[0], 2);  // the first set was dropped
  const auto ring = app::Model().Diagram.DiagramHistory;

  EXPECT_FALSE(app::DiagramHistoryBack());  // only while the link is up
  ecu::Session().Link.LinkUp = 1;
  EXPECT_FALSE(app::CanStepForward());
  ASSERT_TRUE(app::DiagramHistoryBack());
  EXPECT_EQ(app::Model().Diagram.HistoryPosition, 19);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[0], 20);  // the state before the last
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);
  ASSERT_TRUE(app::DiagramHistoryForward());
  EXPECT_EQ(app::Model().Diagram.DiagramHistory, ring);
  EXPECT_EQ(ecu::Session().ConfigData.DiagramPointY[0], 21);

  app::Model().Diagram.Reset();
  app::PushDiagramHistory();
  EXPECT_FALSE(app::CanStepBack());
  EXPECT_FALSE(app::DiagramHistoryBack());
  EXPECT_EQ(app::Model().Diagram.HistoryPosition, 1);
}

TEST_F(DiagramTest, AnEditReachesTheEcuOnlyWithTheLinkUpAndAPointSelected) {
  SetPoints(500);
  ecu::Session().ConfigData.SelectedPoint = 4;
  app::QueueDiagramTransmit();  // link down: nothing
  clock.Advance(3000);
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);

  ecu::Session().Link.LinkUp = 1;
  ecu::Session().ConfigData.SelectedPoint = -1;
  app::QueueDiagramTransmit();
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 0);

  ecu::Session().ConfigData.SelectedPoint = 4;
  ecu::Session().ConfigData.DiagramPointY[2] = 0;  // a falling segment, then a rising one
  app::QueueDiagramTransmit();
  EXPECT_EQ(app::Model().Diagram.HistoryCount, 1);
  EXPECT_DOUBLE_EQ(ecu::Session().ConfigData.DiagramSlopes[2], 3500.0 / 3000);
  EXPECT_DOUBLE_EQ(ecu::Session().ConfigData.DiagramSlopes[3], 9500.0 / 3000);
  clock.Advance(1499);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  clock.Advance(1);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 23);
}

}  // namespace

}  // namespace diagram_test
