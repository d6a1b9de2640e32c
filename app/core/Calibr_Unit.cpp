#include "app/core/Calibr_Unit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/core/Core_Host.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "ecu/Transmit_Unit.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

// Petrol times of the default curve, milliseconds.
constexpr std::array<std::uint8_t, ecu::DiagramPointCount> DefaultPetrolMs = {0, 2, 4, 6, 9, 12, 16, 20, 25};

TDiagramPoints CurrentPoints() {
  TDiagramPoints p;
  p.X = ecu::Session().ConfigData.DiagramPointX;
  p.Y = ecu::Session().ConfigData.DiagramPointY;
  return p;
}

void Redraw() {
  if (Model().CoreHost) Model().CoreHost->RedrawCalibrationDiagram();
}

// A point's coordinate converted to a whole number, kept with the value it came from: a drag
// converts every point on each move, and all but the held one are where they were.
std::int32_t Converted(std::size_t Slot, double Value) {
  struct TKept {
    double Value = std::numeric_limits<double>::quiet_NaN();  // equal to nothing
    std::int32_t Whole = 0;
  };
  static std::array<TKept, 2 * ecu::DiagramPointCount> kept;
  TKept& k = kept[Slot];
  if (!(k.Value == Value)) k = {Value, ecu::FloatToInt(Value)};
  return k.Whole;
}

}  // namespace

void CalcDiagramPoints() {
  ecu::Session().ConfigData.FlaggedPoint = 2;
  Model().Diagram.DiagramRangeY = 32000;
  Model().Diagram.DiagramRangeX = 25000;
  double slope = 23.0, offset = 2.0;
  if (ecu::Session().ConfigData.Configuration)
    ecu::GetInjectorFactors(ecu::Session().ConfigData.Configuration->Injector_Type, slope, offset);
  const bool lpg = !ecu::Session().ConfigData.Configuration || ecu::Session().ConfigData.Configuration->LPG_on != 0;
  const double rangeMs = Model().Diagram.DiagramRangeX / 1000;
  for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
    ecu::Session().ConfigData.DiagramPointX[i] = DefaultPetrolMs[i] * 1000;
    if (i <= 5 || lpg)
      ecu::Session().ConfigData.DiagramPointY[i] =
          ecu::FloatToInt((slope / rangeMs * DefaultPetrolMs[i] + offset) * 1000);
  }
  if (!lpg)
    for (std::size_t i = 6; i < ecu::DiagramPointCount; ++i)
      ecu::Session().ConfigData.DiagramPointY[i] = ecu::FloatToInt(
          (9.0 / 25 * (DefaultPetrolMs[i] - 12) + ecu::Session().ConfigData.DiagramPointY[5] / 1000) * 1000);
}

void DiagramValuesToPixels() {
  for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
    Model().Diagram.PointPixelX[i] =
        Model().Diagram.DiagramWidth / Model().Diagram.DiagramRangeX * ecu::Session().ConfigData.DiagramPointX[i];
    Model().Diagram.PointPixelY[i] = Model().Diagram.DiagramHeight - Model().Diagram.DiagramHeight /
                                                                         Model().Diagram.DiagramRangeY *
                                                                         ecu::Session().ConfigData.DiagramPointY[i];
  }
}

void PlaceDiagramPoints() {
  if (Model().Diagram.DiagramWidth > 0 && Model().Diagram.DiagramHeight > 0) {
    for (std::size_t i = 0; i < ecu::DiagramPointCount; ++i) {
      ecu::Session().ConfigData.DiagramPointX[i] =
          Converted(2 * i, Model().Diagram.DiagramRangeX / Model().Diagram.DiagramWidth * Model().Diagram.PointPixelX[i]);
      ecu::Session().ConfigData.DiagramPointY[i] =
          Converted(2 * i + 1, Model().Diagram.DiagramRangeY / Model().Diagram.DiagramHeight *
                                   (Model().Diagram.DiagramHeight - Model().Diagram.PointPixelY[i]));
    }
  }
  Redraw();
}

std::uint8_t PushDiagramHistory() {
  if (Model().Diagram.HistoryCount >= DiagramHistoryCapacity) {
    std::move(Model().Diagram.DiagramHistory.begin() + 1, Model().Diagram.DiagramHistory.end(),
              Model().Diagram.DiagramHistory.begin());
    Model().Diagram.HistoryCount = DiagramHistoryCapacity - 1;
  }
  Model().Diagram.DiagramHistory[Model().Diagram.HistoryCount] = CurrentPoints();
  ++Model().Diagram.HistoryCount;
  Model().Diagram.HistoryPosition = Model().Diagram.HistoryCount;
  return Model().Diagram.HistoryPosition;
}

bool CanStepBack() { return Model().Diagram.HistoryPosition >= 2; }
bool CanStepForward() { return Model().Diagram.HistoryPosition < Model().Diagram.HistoryCount; }

namespace {

// A history step while the ECU is read again is refused, and said.
bool HistoryStepRefused() {
  if (!EcuBeingRead()) return false;
  ReportNotWritten(TNotWritten::Reading);
  CloseHistoryPanel();
  return true;
}

}  // namespace

bool DiagramHistoryBack() {
  if (!ecu::Session().Link.LinkUp || !CanStepBack() || HistoryStepRefused()) return false;
  --Model().Diagram.HistoryPosition;
  // The newest entry moves to the front: the one before it is now the newest.
  std::rotate(Model().Diagram.DiagramHistory.begin(),
              Model().Diagram.DiagramHistory.begin() + Model().Diagram.HistoryCount - 1,
              Model().Diagram.DiagramHistory.begin() + Model().Diagram.HistoryCount);
  ApplyDiagramHistory();
  return true;
}

bool DiagramHistoryForward() {
  if (!ecu::Session().Link.LinkUp || !CanStepForward() || HistoryStepRefused()) return false;
  ++Model().Diagram.HistoryPosition;
  std::rotate(Model().Diagram.DiagramHistory.begin(), Model().Diagram.DiagramHistory.begin() + 1,
              Model().Diagram.DiagramHistory.begin() + Model().Diagram.HistoryCount);
  ApplyDiagramHistory();
  return true;
}

void ApplyDiagramHistory() {
  if (Model().Diagram.HistoryCount > 0) {
    const TDiagramPoints& newest = Model().Diagram.DiagramHistory[Model().Diagram.HistoryCount - 1u];
    ecu::Session().ConfigData.DiagramPointX = newest.X;
    ecu::Session().ConfigData.DiagramPointY = newest.Y;
  }
  ecu::RequestTask(ecu::TTask::WritePoints);
  CloseHistoryPanel();
}

void CloseHistoryPanel() {
  if (!Model().Diagram.HistoryPanelOpen) return;
  Model().Diagram.HistoryPanelOpen = false;
  if (Model().CoreHost) Model().CoreHost->CloseDiagramHistoryPanel();
}

void BeginDiagramEdit() { Model().Diagram.EditBase = CurrentPoints(); }

void QueueDiagramTransmit() {
  if (ecu::Session().ConfigData.SelectedPoint == -1) return;
  if (!ecu::Session().Link.LinkUp) {
    // The diagram keeps the edit, which the next read replaces: said as for the page's edits.
    ReportNotWritten(TNotWritten::EditNoLink);
    return;
  }
  if (EcuBeingRead()) {
    // The points the ECU holds are those from before the edit: the read's, once they have
    // come (they end any edit under way then, which so began after them).
    ecu::Session().ConfigData.DiagramPointX = Model().Diagram.EditBase.X;
    ecu::Session().ConfigData.DiagramPointY = Model().Diagram.EditBase.Y;
    DiagramValuesToPixels();
    Redraw();
    ReportNotWritten(TNotWritten::Reading);
    return;
  }
  if (Model().Actions.Timer_GEN_Transmit) Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  ecu::CalcDiagramSlopes();
  PushDiagramHistory();
  ScheduleTransmit(3);
}

}  // namespace app
