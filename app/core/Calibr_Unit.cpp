#include "app/core/Calibr_Unit.h"

#include <algorithm>
#include <cmath>

#include "app/core/Global_Unit.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Transmit_Unit.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"

namespace app {

std::int32_t DiagramRangeX = 25000;
std::int32_t DiagramRangeY = 32000;
std::array<double, ecu::DiagramPointCount> PointPixelX{};
std::array<double, ecu::DiagramPointCount> PointPixelY{};
double DiagramWidth = 0;
double DiagramHeight = 0;
std::uint8_t FixedPoint = 0;
std::array<TDiagramPoints, DiagramHistoryCapacity> DiagramHistory{};
std::uint8_t HistoryCount = 0;
std::uint8_t HistoryPosition = 0;
std::function<void()> RedrawCalibrationDiagram;
std::function<void()> CloseDiagramHistoryPanel;

namespace {

// Petrol times of the default curve, milliseconds.
constexpr std::array<std::uint8_t, ecu::DiagramPointCount> DefaultPetrolMs = {0, 2, 4, 6, 9, 12, 16, 20, 25};

TDiagramPoints CurrentPoints() {
  TDiagramPoints p;
  p.X = ecu::DiagramPointX;
  p.Y = ecu::DiagramPointY;
  return p;
}

void Redraw() {
  if (RedrawCalibrationDiagram) RedrawCalibrationDiagram();
}

}  // namespace

void CalcDiagramPoints() {
  ecu::FlaggedPoint = 2;
  DiagramRangeY = 32000;
  DiagramRangeX = 25000;
  double slope = 23.0, offset = 2.0;
  if (ecu::Configuration)
    ecu::GetInjectorFactors(ecu::Configuration->Injector_Type, slope, offset);
  const bool lpg = !ecu::Configuration || ecu::Configuration->LPG_on != 0;
  const double rangeMs = DiagramRangeX / 1000;
  for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
    ecu::DiagramPointX[i] = DefaultPetrolMs[i] * 1000;
    if (i <= 5 || lpg) ecu::DiagramPointY[i] = ecu::FloatToInt((slope / rangeMs * DefaultPetrolMs[i] + offset) * 1000);
  }
  if (!lpg)
    for (std::size_t i = 6; i < ecu::DiagramPointCount; ++i)
      ecu::DiagramPointY[i] = ecu::FloatToInt((9.0 / 25 * (DefaultPetrolMs[i] - 12) + ecu::DiagramPointY[5] / 1000) * 1000);
}

void DiagramValuesToPixels() {
  for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
    PointPixelX[i] = DiagramWidth / DiagramRangeX * ecu::DiagramPointX[i];
    PointPixelY[i] = DiagramHeight - DiagramHeight / DiagramRangeY * ecu::DiagramPointY[i];
  }
}

void PlaceDiagramPoints() {
  if (DiagramWidth > 0 && DiagramHeight > 0) {
    for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
      ecu::DiagramPointX[i] = ecu::FloatToInt(DiagramRangeX / DiagramWidth * PointPixelX[i]);
      ecu::DiagramPointY[i] = ecu::FloatToInt(DiagramRangeY / DiagramHeight * (DiagramHeight - PointPixelY[i]));
    }
  }
  Redraw();
}

std::uint8_t PushDiagramHistory() {
  if (HistoryCount >= DiagramHistoryCapacity) {
    std::move(DiagramHistory.begin() + 1, DiagramHistory.end(), DiagramHistory.begin());
    HistoryCount = DiagramHistoryCapacity - 1;
  }
  DiagramHistory[HistoryCount] = CurrentPoints();
  ++HistoryCount;
  HistoryPosition = HistoryCount;
  return HistoryPosition;
}

bool CanStepBack() { return HistoryPosition >= 2; }
bool CanStepForward() { return HistoryPosition < HistoryCount; }

bool DiagramHistoryBack() {
  if (!ecu::LinkUp || !CanStepBack()) return false;
  --HistoryPosition;
  // The newest entry moves to the front: the one before it is now the newest.
  std::rotate(DiagramHistory.begin(), DiagramHistory.begin() + HistoryCount - 1, DiagramHistory.begin() + HistoryCount);
  ApplyDiagramHistory();
  return true;
}

bool DiagramHistoryForward() {
  if (!ecu::LinkUp || !CanStepForward()) return false;
  ++HistoryPosition;
  std::rotate(DiagramHistory.begin(), DiagramHistory.begin() + 1, DiagramHistory.begin() + HistoryCount);
  ApplyDiagramHistory();
  return true;
}

void ApplyDiagramHistory() {
  if (HistoryCount > 0) {
    const TDiagramPoints& newest = DiagramHistory[HistoryCount - 1u];
    ecu::DiagramPointX = newest.X;
    ecu::DiagramPointY = newest.Y;
  }
  ecu::TaskRequest = 23;
  if (CloseDiagramHistoryPanel) CloseDiagramHistoryPanel();
}

void QueueDiagramTransmit() {
  if (!ecu::LinkUp || ecu::SelectedPoint == -1) return;
  if (Timer_GEN_Transmit) Timer_GEN_Transmit->SetEnabled(false);
  ecu::CalcDiagramSlopes();
  PushDiagramHistory();
  ScheduleTransmit(3);
}

void ClearDiagram() {
  DiagramHistory.fill({});
  HistoryCount = HistoryPosition = 0;
  PointPixelX.fill(0);
  PointPixelY.fill(0);
  FixedPoint = 0;
  DiagramRangeX = 25000;
  DiagramRangeY = 32000;
}

}  // namespace app
