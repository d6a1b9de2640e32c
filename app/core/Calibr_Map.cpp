#include "app/core/Calibr_Map.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "app/core/Calibr_Ctrl.h"
#include "app/core/Calibr_Draw.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Link_State.h"
#include "ecu/Session.h"

namespace app {

namespace {

constexpr int LastPoint = ecu::DiagramPointCount - 1;
// The configuration's longest gas time (32 ms) and the lowest end of an extrapolated curve.
constexpr std::int32_t GasTimeCeiling = 32 * 1000;
constexpr std::int32_t LowestEndGasTime = 12000;
// A pair whose times differ by no more than this (us) needs no correction.
constexpr std::int32_t PairTolerance = 1000;

bool SaveMap() {
  return ecu::Session().ConfigData.Configuration && ecu::Session().ConfigData.Configuration->Save_Map != 0;
}

// A time in us from a product that may have left the 32-bit range (equal or falling petrol
// times of a curve from the ECU or a file): saturated, and 0 for no value.
std::int32_t SaturatedTime(double Value) {
  if (std::isnan(Value)) return 0;
  constexpr double lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
  return ecu::FloatToInt(std::clamp(Value, lo, hi));
}
std::int32_t SaturatedSum(std::int64_t A, std::int64_t B) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(A + B, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

void QueuePromptClose() { QueueAction(Action_CloseMapPrompt, 100); }

}  // namespace

TMapPointControls MapPointControls() {
  TMapPointControls c;
  c.ScaleShown = c.ButtonsEnabled = SaveMap();
  c.LegendShown = Model().Settings.Map_Point && SaveMap();
  return c;
}

void EnableMapPointControls() {
  if (!ecu::Session().Link.LinkUp) return;
  if (Model().Settings.Map_Point) Model().Diagram.ManifoldMarkerShown = SaveMap();
  if (Model().CoreHost) Model().CoreHost->EnableMapPointControls();
}

namespace {

// The MAP collection's switch is a change of the configuration page: while the ECU is read it
// is refused as the page's edits are (the read would put the ECU's switch in its place, and the
// configuration would show one the ECU does not have). True when refused.
bool CollectionSwitchRefused() {
  if (!EcuBeingRead()) return false;
  ReportNotWritten(TNotWritten::Reading);
  return true;
}

}  // namespace

void MapCollectionStart() {
  if (!ecu::Session().ConfigData.Configuration || ecu::Session().ConfigData.Configuration->Save_Map) return;
  if (CollectionSwitchRefused()) return;
  ecu::Session().ConfigData.Configuration->Save_Map = 1;
  EnableMapPointControls();
  if (Model().CoreHost) Model().CoreHost->CFGPageToConfig();
}

void MapCollectionStop() {
  if (!ecu::Session().ConfigData.Configuration || !ecu::Session().ConfigData.Configuration->Save_Map) return;
  if (CollectionSwitchRefused()) return;
  ecu::Session().ConfigData.Configuration->Save_Map = 0;
  EnableMapPointControls();
  if (Model().CoreHost) Model().CoreHost->CFGPageToConfig();
}

void DeleteGasMapPoints() { RequestCommand(ecu::TTask::EraseGasMap); }
void DeletePetrolMapPoints() { RequestCommand(ecu::TTask::ErasePetrolMap); }

void ShowMapPrompt(bool YesNo, const std::string& TextKey) {
  if (Model().Diagram.MapPrompt.Open) return;
  Model().Diagram.MapPrompt = {true, YesNo, TextKey};
  if (Model().CoreHost) Model().CoreHost->MapPromptChanged();
  QueueAction(Action_MapPromptFonts, 100);
}

void CloseMapPrompt() {
  if (!Model().Diagram.MapPrompt.Open) return;
  Model().Diagram.MapPrompt = {};
  if (Model().CoreHost) Model().CoreHost->MapPromptChanged();
}

void CheckMapPointCount() {
  if (Model().Diagram.MapPrompt.Open) return;
  Model().Diagram.MapPromptStep = 0;
  Model().Diagram.CorrectionSums.fill(0);
  Model().Diagram.CorrectionCounts.fill(0);
  const auto& gas = ecu::Session().ConfigData.MapPointsGas;
  const auto& petrol = ecu::Session().ConfigData.MapPointsPetrol;
  const auto& x = ecu::Session().ConfigData.DiagramPointX;
  const int used = MapPointsUsed();
  bool anyPair = false, wideSeen = false, counted = false;
  for (int j = 0; j < used; ++j) {
    const auto e = static_cast<std::size_t>(j);
    if (gas[e] == 0 || petrol[e] == 0) continue;
    anyPair = true;
    std::int32_t g = gas[e] * 10;
    const std::int32_t p = petrol[e] * 10;
    if (std::abs(p - g) <= PairTolerance) continue;
    wideSeen = true;
    // The segment that holds the petrol time.
    std::size_t i = 1;
    while (i < LastPoint && x[i] < p) ++i;
    if (!(x[i - 1] < g && g < x[i])) {
      g = g >= x[i] ? x[i] : x[i - 1];
      if (std::abs(p - g) <= PairTolerance) continue;
    }
    for (std::size_t k : {i - 1, i}) {
      ++Model().Diagram.CorrectionCounts[k];
      Model().Diagram.CorrectionSums[k] += g - p;
    }
    counted = true;
  }
  CloseMapPrompt();
  if (!anyPair)
    ShowMapPrompt(false, "MAP_Ctrl_No_Pair");
  else if (counted)
    ShowMapPrompt(true, "MAP_Ctrl");
  else
    ShowMapPrompt(false, wideSeen ? "MAP_Ctrl_No_Pair" : "MAP_Ctrl_No_Calc");
}

void MapPromptFirstButton() {
  if (!Model().Diagram.MapPrompt.Open) return;
  if (!Model().Diagram.MapPrompt.YesNo)
    QueuePromptClose();
  else
    ConfirmMapCorrection();
}

void MapPromptSecondButton() {
  if (Model().Diagram.MapPrompt.Open && Model().Diagram.MapPrompt.YesNo) CancelMapCorrection();
}

void ConfirmMapCorrection() {
  ++Model().Diagram.MapPromptStep;
  if (Model().Diagram.MapPromptStep == 1)
    CalcMapCorrection();
  else if (Model().Diagram.MapPromptStep == 2)
    TransmitMapCorrection();
  else
    QueuePromptClose();
}

void CalcMapCorrection() {
  Model().Diagram.CorrectionPoints = ecu::Session().ConfigData.DiagramPointY;
  CalcPointCorrections();
  RedrawDiagram();
  if (Model().Diagram.MapPrompt.Open) {
    Model().Diagram.MapPrompt.TextKey = "MAP_Ctrl_Transmit";
    if (Model().CoreHost) Model().CoreHost->MapPromptChanged();
  }
}

void TransmitMapCorrection() {
  if (EcuBeingRead()) {
    // The read puts the ECU's points in place, and the correction's write would carry them.
    ReportNotWritten(TNotWritten::Reading);
    ClearMapCorrection();
    return;
  }
  ecu::Session().ConfigData.DiagramPointY = Model().Diagram.CorrectionPoints;
  Model().Diagram.CorrectionPoints.fill(0);
  RedrawDiagram();
  // With the link down the diagram keeps the correction, which the next read replaces: the
  // user is told that it was not written.
  if (ecu::Session().Link.LinkUp)
    ecu::RequestTask(ecu::TTask::MapCorrection);
  else
    ReportNotWritten(TNotWritten::NoLink);
  QueuePromptClose();
}

void CancelMapCorrection() {
  if (Model().Diagram.MapPromptStep == 1)
    ClearMapCorrection();
  else
    QueuePromptClose();
}

void ClearMapCorrection() {
  Model().Diagram.CorrectionPoints.fill(0);
  RedrawDiagram();
  QueuePromptClose();
}

void CalcPointCorrections() {
  auto& c = Model().Diagram.CorrectionPoints;
  auto& sums = Model().Diagram.CorrectionSums;
  const auto& counts = Model().Diagram.CorrectionCounts;
  auto& ratios = Model().Diagram.CorrectionRatios;
  const auto& x = ecu::Session().ConfigData.DiagramPointX;
  const auto& y = ecu::Session().ConfigData.DiagramPointY;
  // The idle points keep their gas times when the setting locks them.
  const int s = Model().Settings.Idle_Points ? std::min<int>(ecu::Session().ConfigData.FlaggedPoint, LastPoint) : 0;
  const int first = s + 1;
  for (int k = first; k <= LastPoint; ++k) {
    const auto e = static_cast<std::size_t>(k);
    if (counts[e] == 0) continue;
    sums[e] /= counts[e];
    const std::int32_t v = SaturatedSum(c[e], sums[e]);
    c[e] = v >= GasTimeCeiling ? GasTimeCeiling : v < y[0] ? c[0] : v;
  }
  ratios[0] = 1.0;
  for (std::size_t k = 1; k <= LastPoint; ++k)
    ratios[k] = x[k] == x[k - 1] ? 1.0
                                 : std::abs(static_cast<double>(c[k]) - c[k - 1]) / (static_cast<double>(x[k]) - x[k - 1]);

  int last = LastPoint;
  while (counts[static_cast<std::size_t>(last)] == 0 && last > s) --last;
  int j = 0;
  while (j < LastPoint && x[static_cast<std::size_t>(j)] < LowestEndGasTime) ++j;
  const int m = std::max(last, j);
  if (m < first || m == LastPoint) return;

  double a = 0;
  if (m > first) {
    for (int k = first; k <= m + 1; ++k) a += ratios[static_cast<std::size_t>(k)];
    a /= m - first + 2;
  } else {
    a = ratios[static_cast<std::size_t>(m)];
  }
  const auto em = static_cast<std::size_t>(m);
  // Petrol times that do not rise beyond point m leave nothing to extrapolate over.
  if (x[LastPoint] <= x[em]) return;
  const double span = static_cast<double>(x[LastPoint]) - x[em];
  const std::int32_t end = SaturatedSum(SaturatedTime(span * a), c[em]);
  if (end > GasTimeCeiling)
    a = std::abs(static_cast<double>(GasTimeCeiling) - c[em]) / span;
  else if (end < LowestEndGasTime)
    a = std::abs(static_cast<double>(LowestEndGasTime) - c[em]) / span;
  for (std::size_t k = em + 1; k <= LastPoint; ++k)
    c[k] = SaturatedSum(SaturatedTime((static_cast<double>(x[k]) - x[k - 1]) * a), c[k - 1]);
}

}  // namespace app
