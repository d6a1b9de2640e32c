#include "app/core/Calibr_Unit.h"

#include <algorithm>
#include <cmath>

#include "app/core/Core_Host.h"
#include "app/core/Global_Unit.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Transmit_Unit.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"

namespace app {

TDiagramState Diagram;

namespace {

// Petrol times of the default curve, milliseconds.
constexpr std::array<std::uint8_t, ecu::DiagramPointCount> DefaultPetrolMs = {0, 2, 4, 6, 9, 12, 16, 20, 25};

TDiagramPoints CurrentPoints() {
  TDiagramPoints p;
  p.X = ecu::ConfigData.DiagramPointX;
  p.Y = ecu::ConfigData.DiagramPointY;
  return p;
}

void Redraw() {
  if (CoreHost) CoreHost->RedrawCalibrationDiagram();
}

}  // namespace

void CalcDiagramPoints() {
  ecu::ConfigData.FlaggedPoint = 2;
  Diagram.DiagramRangeY = 32000;
  Diagram.DiagramRangeX = 25000;
  double slope = 23.0, offset = 2.0;
  if (ecu::ConfigData.Configuration)
    ecu::GetInjectorFactors(ecu::ConfigData.Configuration->Injector_Type, slope, offset);
  const bool lpg = !ecu::ConfigData.Configuration || ecu::ConfigData.Configuration->LPG_on != 0;
  const double rangeMs = Diagram.DiagramRangeX / 1000;
  for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
    ecu::ConfigData.DiagramPointX[i] = DefaultPetrolMs[i] * 1000;
    if (i <= 5 || lpg)
      ecu::ConfigData.DiagramPointY[i] = ecu::FloatToInt((slope / rangeMs * DefaultPetrolMs[i] + offset) * 1000);
  }
  if (!lpg)
    for (std::size_t i = 6; i < ecu::DiagramPointCount; ++i)
      ecu::ConfigData.DiagramPointY[i] =
          ecu::FloatToInt((9.0 / 25 * (DefaultPetrolMs[i] - 12) + ecu::ConfigData.DiagramPointY[5] / 1000) * 1000);
}

void DiagramValuesToPixels() {
  for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
    Diagram.PointPixelX[i] = Diagram.DiagramWidth / Diagram.DiagramRangeX * ecu::ConfigData.DiagramPointX[i];
    Diagram.PointPixelY[i] =
        Diagram.DiagramHeight - Diagram.DiagramHeight / Diagram.DiagramRangeY * ecu::ConfigData.DiagramPointY[i];
  }
}

void PlaceDiagramPoints() {
  if (Diagram.DiagramWidth > 0 && Diagram.DiagramHeight > 0) {
    for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
      ecu::ConfigData.DiagramPointX[i] =
          ecu::FloatToInt(Diagram.DiagramRangeX / Diagram.DiagramWidth * Diagram.PointPixelX[i]);
      ecu::ConfigData.DiagramPointY[i] = ecu::FloatToInt(Diagram.DiagramRangeY / Diagram.DiagramHeight *
                                                         (Diagram.DiagramHeight - Diagram.PointPixelY[i]));
    }
  }
  Redraw();
}

std::uint8_t PushDiagramHistory() {
  if (Diagram.HistoryCount >= DiagramHistoryCapacity) {
    std::move(Diagram.DiagramHistory.begin() + 1, Diagram.DiagramHistory.end(), Diagram.DiagramHistory.begin());
    Diagram.HistoryCount = DiagramHistoryCapacity - 1;
  }
  Diagram.DiagramHistory[Diagram.HistoryCount] = CurrentPoints();
  ++Diagram.HistoryCount;
  Diagram.HistoryPosition = Diagram.HistoryCount;
  return Diagram.HistoryPosition;
}

bool CanStepBack() { return Diagram.HistoryPosition >= 2; }
bool CanStepForward() { return Diagram.HistoryPosition < Diagram.HistoryCount; }

bool DiagramHistoryBack() {
  if (!ecu::Link.LinkUp || !CanStepBack()) return false;
  --Diagram.HistoryPosition;
  // The newest entry moves to the front: the one before it is now the newest.
  std::rotate(Diagram.DiagramHistory.begin(), Diagram.DiagramHistory.begin() + Diagram.HistoryCount - 1,
              Diagram.DiagramHistory.begin() + Diagram.HistoryCount);
  ApplyDiagramHistory();
  return true;
}

bool DiagramHistoryForward() {
  if (!ecu::Link.LinkUp || !CanStepForward()) return false;
  ++Diagram.HistoryPosition;
  std::rotate(Diagram.DiagramHistory.begin(), Diagram.DiagramHistory.begin() + 1,
              Diagram.DiagramHistory.begin() + Diagram.HistoryCount);
  ApplyDiagramHistory();
  return true;
}

void ApplyDiagramHistory() {
  if (Diagram.HistoryCount > 0) {
    const TDiagramPoints& newest = Diagram.DiagramHistory[Diagram.HistoryCount - 1u];
    ecu::ConfigData.DiagramPointX = newest.X;
    ecu::ConfigData.DiagramPointY = newest.Y;
  }
  ecu::Link.TaskRequest = 23;
  CloseHistoryPanel();
}

void CloseHistoryPanel() {
  if (!Diagram.HistoryPanelOpen) return;
  Diagram.HistoryPanelOpen = false;
  if (CoreHost) CoreHost->CloseDiagramHistoryPanel();
}

void QueueDiagramTransmit() {
  if (!ecu::Link.LinkUp || ecu::ConfigData.SelectedPoint == -1) return;
  if (Actions.Timer_GEN_Transmit) Actions.Timer_GEN_Transmit->SetEnabled(false);
  ecu::CalcDiagramSlopes();
  PushDiagramHistory();
  ScheduleTransmit(3);
}

}  // namespace app
