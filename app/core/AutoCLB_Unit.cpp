#include "app/core/AutoCLB_Unit.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "platform/rtl/SysUtils.h"

namespace app {

TACBRunState ACB;

namespace {

using ecu::TControl;

ecu::THost* Host() { return ecu::Hosts.Host; }

std::int32_t& GasTime(int Point) { return ecu::ConfigData.DiagramPointY[static_cast<std::size_t>(Point - 1)]; }
std::int32_t& PetrolTime(int Point) { return ecu::ConfigData.DiagramPointX[static_cast<std::size_t>(Point - 1)]; }

// A finite value to an integer, truncated toward zero and kept within 32 bits.
std::int32_t Truncate(double Value) {
  return static_cast<std::int32_t>(std::clamp(std::trunc(Value), static_cast<double>(INT32_MIN),
                                              static_cast<double>(INT32_MAX)));
}

std::int32_t Countdown() { return ACBScript.ReplyCountdown; }
void SetCountdown(std::int32_t Value) { ACBScript.ReplyCountdown = Value; }

std::int32_t StepValue(const std::array<std::int32_t, ACBStepCapacity + 1>& Values) {
  return ACB.StepIndex >= 1 && ACB.StepIndex <= ACBStepCapacity ? Values[static_cast<std::size_t>(ACB.StepIndex)] : 0;
}
std::int32_t SettleCount() { return StepValue(ACB.Counts.A); }
std::int32_t MeasureCount() { return StepValue(ACB.Counts.B); }
std::int32_t Tolerance() { return StepValue(ACB.Counts.T); }

void ShowPrompt(const std::string& Text) {
  if (Host()) Host()->SetText(TControl::ACB_Prompt, Text);
}
void ShowPrompt(const std::string& Text, const std::string& Color) {
  if (!Host()) return;
  Host()->SetColor(TControl::ACB_Prompt, Color);
  Host()->SetText(TControl::ACB_Prompt, Text);
}

void ShowProgress() {
  if (Host()) Host()->SetValue(TControl::ACB_Progress, ACB.Progress);
}
void SetProgress(std::int32_t Value, std::int32_t Max) {
  ACB.ProgressMax = Max;
  ACB.Progress = std::clamp(Value, 0, std::max(Max, 0));
  if (CoreHost) CoreHost->SetACBProgressMax(Max);
  ShowProgress();
}
void MoveProgress(std::int64_t By) {
  ACB.Progress = static_cast<std::int32_t>(std::clamp<std::int64_t>(ACB.Progress + By, 0, std::max(ACB.ProgressMax, 0)));
  ShowProgress();
}

void Caption(const char* Key) {
  if (Host()) Host()->SetText(TControl::ACB_Start, ecu::LngText(Key));
}

int CountSteps(const std::string& Order) {
  return Order.empty() ? 0 : static_cast<int>(std::count(Order.begin(), Order.end(), '+')) + 1;
}

void ClearSums() {
  ACB.PetrolTotal = ACB.GasTotal = 0;
  ACB.PetrolCount = ACB.GasCount = 0;
}

void RedrawDiagram() {
  if (Host()) Host()->RedrawCalibrationDiagram();
}

// Condition 200: the next step of the cylinder order; false when there is one.
bool OrderDone() {
  const std::string& o = ACB.Order;
  if (static_cast<std::size_t>(ACB.OrderPos) >= o.size()) return true;
  ++ACB.StepIndex;
  std::size_t end = o.find('+', static_cast<std::size_t>(ACB.OrderPos));
  if (end == std::string::npos) end = o.size();
  ACB.StepDigits = o.substr(static_cast<std::size_t>(ACB.OrderPos), end - static_cast<std::size_t>(ACB.OrderPos));
  ACB.OrderPos = static_cast<std::int32_t>(std::min(end + 1, o.size()));
  return false;
}

void RestoreInfluence() {
  if (!ecu::ConfigData.Configuration) return;
  const auto fields = ACBInfluenceFields(*ecu::ConfigData.Configuration);
  for (int i = 0; i < ACBInfluenceCount; ++i) *fields[static_cast<std::size_t>(i)] = ACB.InfluenceBackup[static_cast<std::size_t>(i)];
}

void SaveAndClearInfluence() {
  if (!ecu::ConfigData.Configuration) return;
  const auto fields = ACBInfluenceFields(*ecu::ConfigData.Configuration);
  for (int i = 0; i < ACBInfluenceCount; ++i) {
    ACB.InfluenceBackup[static_cast<std::size_t>(i)] = *fields[static_cast<std::size_t>(i)];
    *fields[static_cast<std::size_t>(i)] = 0;
  }
}

void RestoreBackupPoints() {
  ecu::ConfigData.DiagramPointY = ACB.BackupPoints;
  ecu::ConfigData.DiagramPointX = ACB.BackupPetrolPoints;
  ecu::ConfigData.FlaggedPoint = ACB.BackupIdlePoint;
}

// Settle on gas (27, 28, 35): the step's cylinders on gas.
void SettleOnGas(bool Request) {
  ACB.Settling = true;
  SetCountdown(SettleCount());
  ACB.PetrolPhase = false;
  ecu::Link.ModeCommandFlags = ACBCylinderMask(ACB.StepDigits);
  if (Request) ecu::Link.TaskRequest = 17;
}

void WritePoints() {
  ACB.PostWriteCount = ACB.Counts.H;
  ecu::Link.TaskRequest = 23;
}

// The scale ratio of a shift or a restore: the best top point over point 9; kept when point
// 9 is 0 or no best top point was found.
void RatioFromBestTop() {
  if (GasTime(9) != 0 && ACB.BestTop > 0) ACB.ScaleRatio = static_cast<double>(ACB.BestTop) / GasTime(9);
}

void RestoreBest() {
  RatioFromBestTop();
  ecu::ConfigData.DiagramPointY = ACB.SavedPoints;
  if (ACB.Algorithm != ACB_OnlyOffset) {
    ScaleACBCurve(ACB.ScaleRatio);
    ACB.SavedPoints = ecu::ConfigData.DiagramPointY;
  }
  ACB.BestDifference = Diagram.DiagramRangeY;
  ACB.ScaleRatio = 1.0;
}

// Re-interpolates gas time k on the line between points k-1 and k+1; kept when their petrol
// times are equal.
void Reinterpolate(int K) {
  const double x0 = PetrolTime(K - 1), x1 = PetrolTime(K + 1);
  if (x1 == x0) return;
  const double y0 = GasTime(K - 1), y1 = GasTime(K + 1);
  GasTime(K) = Truncate(y0 + (y1 - y0) * (PetrolTime(K) - x0) / (x1 - x0));
}

void Finish() {
  const std::int32_t avgP = ACBPetrolAverage(), avgG = ACBGasAverage();
  if (ACB.AdjustFailed) {
    ACB.ResultText = ACBPrompt(20) + " " + ACBPrompt(avgG <= avgP ? 19 : 18);
    ACB.ResultColor = Colors.ColorTable[Color_Txt_Error];
  } else {
    PlaceACBIdlePoints(avgG);
    ecu::ConfigData.FlaggedPoint = 2;
    std::int32_t lower = 4000, upper = 5500;
    if (ecu::ConfigData.Configuration)
      ecu::GetInjectorTimeLimits(
          static_cast<std::uint8_t>(ecu::InjectorTypeNumber(ecu::ConfigData.Configuration->Injector_Type)), lower,
          upper);
    const std::int32_t gas = ecu::LiveData.LiveGasTimeAvg;
    std::string advice;
    if (gas > upper)
      advice = ACBPrompt(18);
    else if (gas < lower)
      advice = ACBPrompt(19);
    if (!advice.empty()) {
      ACB.ResultText = ACBPrompt(22) + " " + advice;
      ACB.ResultColor = Colors.ColorTable[Color_Txt_Recomm];
    }
  }
  ShowPrompt(ACBPrompt(7));
  ACB.PostWriteCount = ACB.Counts.H;
  Settings.Idle_Points = ACB.SavedIdlePoints;
  RedrawDiagram();
}

// The run is over: command 60, or a script that ran out of cells.
void EndRun() {
  ecu::LiveData.StatusPrevious = static_cast<std::uint8_t>(ecu::LiveData.StatusPrevious & ~0x20);
  SetProgress(0, ACB.ProgressMax);
  Caption("Start");
  if (Host()) Host()->SetPressed(TControl::ACB_Start, false);
  ecu::Link.ACBRunning = 0;
  ACB.Active = false;
}

class TRunWorkers : public TACBWorkers {
public:
  bool Command(std::int32_t Code) override;
  bool Condition(std::int32_t Code) override;
  std::int32_t OneSecondCount() override { return ACB.Counts.S1; }
};

bool TRunWorkers::Command(std::int32_t Code) {
  switch (Code) {
    case 21: {
      ACB.StepIndex = 0;
      ACB.ShiftCount = 0;
      if (Settings.ACBResetDiagram) {
        CalcDiagramPoints();
        const double top = (Settings.ACBLongTopTime ? 20 : 12) * 1000.0;
        if (ACB.Algorithm != ACB_OnlyOffset && GasTime(9) != 0) ScaleACBCurve(top / GasTime(9));
        RedrawDiagram();
      }
      SetDefaultMapRPM();
      RefreshMapRPMCells();
      SaveAndClearInfluence();
      ACB.Settling = true;
      ACB.PostWriteCount = ACB.Counts.H;
      ACB.StepText = ACBPrompt(2) + " " + ACBPrompt(6);
      ShowPrompt(ACB.StepText);
      ecu::Link.TaskRequest = 21;
      return true;
    }
    case 22: ShowPrompt(ACBPrompt(2) + " " + ACBPrompt(3)); return false;
    case 23: ACB.AdjustFailed = false; return false;
    case 24: ACB.BestDifference = Diagram.DiagramRangeY; return false;
    case 25:
      ACB.Settling = true;
      ACB.PetrolPhase = true;
      SetCountdown(SettleCount());
      ecu::Link.TaskRequest = 18;
      return true;
    case 26:
      ACB.PetrolTotal = 0, ACB.PetrolCount = 0;
      ACB.Settling = false;
      ACB.PetrolPhase = true;
      SetCountdown(MeasureCount());
      return true;
    case 27: SettleOnGas(true); return true;
    case 28: SettleOnGas(false); return true;
    case 29:
      ACB.GasTotal = 0, ACB.GasCount = 0;
      ACB.Settling = false;
      ACB.PetrolPhase = false;
      ecu::Link.ModeCommandFlags = ACBCylinderMask(ACB.StepDigits);
      SetCountdown(MeasureCount());
      return true;
    case 30:
      ACB.OrderPos = 0;
      ACB.StepIndex = 0;
      OrderDone();
      return false;
    case 31: ACB.ProgressPaused = true; return false;
    case 32:
      ACB.StepText = ACBPrompt(12) + " 2000 - 3000 " + ecu::LngText("Dim_RPM_Short");
      return false;
    case 33: ShowPrompt(ACB.StepText); return false;
    case 34:
      SetCountdown(ACB.Counts.S1);
      ++ACBScript.Seconds;
      ShowPrompt(ACB.StepText + " (" + rtl::IntToStr(ACBScript.Seconds) + " " + ecu::LngText("Dim_Sec_Long") + ")");
      return true;
    case 35:
      SettleOnGas(true);
      SetCountdown(ACB.Counts.H);
      ACB.PostWriteCount = ACB.Counts.H;
      return true;
    case 36: ACB.StepText = ACBPrompt(13); return false;
    case 37:
      SetCountdown(ACB.Counts.S1);
      --ACBScript.Seconds;
      ShowPrompt(ACB.StepText + " " + rtl::IntToStr(ACBScript.Seconds) + " " + ecu::LngText("Dim_Sec_Long"));
      return true;
    case 38:
      // The next cell is a prompt number.
      if (ACBScript.Pos < ACBScript.Length) {
        ++ACBScript.Pos;
        ACB.StepText = ACBPrompt(ACBScript.Cells[static_cast<std::size_t>(ACBScript.Pos)]);
        ShowPrompt(ACB.StepText);
      }
      return false;
    case 39: ACB.ProgressPaused = false; return false;
    case 50: SetProgress(0, 30); return false;
    case 51: WritePoints(); return true;
    case 52:
      RestoreBest();
      WritePoints();
      return true;
    case 53:
      ACB.Settling = true;
      RestoreBackupPoints();
      ACB.PostWriteCount = ACB.Counts.H;
      ShowPrompt(ACBPrompt(2) + " " + ACBPrompt(9));
      ecu::ConfigData.SelectedPoint = -1;
      RedrawDiagram();
      return false;
    case 54: Finish(); return false;
    case 55:
      if (ACB.ResultText.empty()) {
        ACB.ResultText = ACBPrompt(23);
        ACB.ResultColor = Colors.ColorTable[Color_Txt_Complete];
      }
      return false;
    case 56:
      ACB.Settling = true;
      ACB.SupportSums.fill(0);
      ShowPrompt(ACBPrompt(10));
      SetProgress(0, 30);
      return false;
    case 57:
      ACB.SupportSums[0] += ecu::LiveData.LivePressDiff;
      ACB.SupportSums[1] += ecu::LiveData.LiveTempGas;
      ACB.SupportSums[2] += ecu::LiveData.LiveAnalog18;
      SetCountdown(1);
      return true;
    case 58:
      if (ecu::Configuration_Class* c = ecu::ConfigData.Configuration.get()) {
        c->Param_146 = static_cast<std::int32_t>(ACB.SupportSums[0] / ACBSupportSamples);
        c->Param_149 = static_cast<std::int32_t>((ACB.SupportSums[1] / ACBSupportSamples + 5) / 10);
        c->Param_152 = static_cast<std::int32_t>(ACB.SupportSums[2] / ACBSupportSamples);
      }
      RestoreInfluence();
      ShowPrompt(ACBPrompt(6));
      ACB.PostWriteCount = ACB.Counts.H;
      ecu::Link.TaskRequest = 21;
      return true;
    case 59:
      ShowPrompt(ACB.ResultText, ACB.ResultColor);
      SetCountdown(ACB.Counts.S2);
      ecu::Link.TaskRequest = 18;
      return true;
    case 60: EndRun(); return true;
    default: return false;
  }
}

bool TRunWorkers::Condition(std::int32_t Code) {
  switch (Code) {
    case 200: return OrderDone();
    case 201: {
      const std::int32_t avgP = ACBPetrolAverage(), avgG = ACBGasAverage();
      if (std::abs(static_cast<std::int64_t>(avgG) - avgP) > Tolerance()) return false;
      ACB.BestGasAverage = avgG;
      return true;
    }
    case 202: return !AdjustACBCurve();
    case 203: return AdjustACBCurve();
    case 204: return ecu::LiveData.LiveRPM < 2001;
    case 205: return ecu::LiveData.LiveRPM > 2000;
    case 206: return ACBScript.Seconds != 0;
    default: return false;
  }
}

TRunWorkers RunWorkers;

// Builds the script; the run starts with it.
void BuildScript() {
  if (ACB.Algorithm == ACB_HighRPM)
    BuildHighRPMScript();
  else
    BuildStandardScript();
  ACB.Order = Settings.Cylinder_Order;
  ClearSums();
  ACB.Counts = ComputeACBCounts();
  ACB.StepCount = CountSteps(ACB.Order);
  std::int64_t max = 3LL * ACB.Counts.H;
  for (int j = 1; j <= std::min(ACB.StepCount, ACBStepCapacity); ++j)
    max += 2LL * (ACB.Counts.A[static_cast<std::size_t>(j)] + ACB.Counts.B[static_cast<std::size_t>(j)]);
  SetProgress(0, static_cast<std::int32_t>(std::min<std::int64_t>(max, INT32_MAX)));
  ACB.OrderPos = 0;
  ACB.StepIndex = 0;
  ACB.StepDigits.clear();
  ACB.ProgressPaused = false;
  if (Host()) Host()->SetColor(TControl::ACB_Prompt, Settings.Font_Color);
  AutoCalibrationStep();
}

void Start() {
  if (ACBAlgorithms[ACB_Default].Name.empty()) CreateACBAlgorithms();
  ACB.FullScale = 0;
  if (ecu::ConfigData.Configuration) Settings.Cylinder_Count = ecu::ConfigData.Configuration->Cylinders;
  ACB.Algorithm = ACBAlgorithmIndex(Settings.ACB_SCR_Type);
  const TACBAlgorithmChoice choice = ChooseACBAlgorithm(ACB.Algorithm, Settings.Cylinder_Count);
  Settings.Cylinder_Order = choice.Order;
  Settings.ACBSteps = choice.Steps;
  Caption("Stop");
  if (ACB.StopPending || ACB.Active) {
    // A run that has not ended (stopped while the link was down, or pressed again before its
    // stop script put the diagram back) holds the data from before it: start from that.
    RestoreBackupPoints();
    RestoreInfluence();
    ACB.StopPending = false;
  }
  ACB.BackupPoints = ecu::ConfigData.DiagramPointY;
  ACB.BackupPetrolPoints = ecu::ConfigData.DiagramPointX;
  ACB.BackupIdlePoint = ecu::ConfigData.FlaggedPoint;
  ACB.Counts = ComputeACBCounts();
  ACB.StepCount = CountSteps(choice.Order);
  ACB.StepDigits.clear();
  ACB.Settling = true;
  SetCountdown(ACB.Counts.H);
  ACB.StepText = ACBPrompt(2);
  ShowPrompt(ACB.StepText);
  ACB.PetrolPhase = true;
  ecu::Link.TaskRequest = 18;
  ACB.SavedIdlePoints = Settings.Idle_Points;
  Settings.Idle_Points = false;
  ACB.BestGasAverage = 0;
  ACB.BestTop = 0;
  ACB.ScaleRatio = 1.0;
  ACB.AdjustFailed = false;
  ACB.ResultText.clear();
  ACB.ResultColor.clear();
  ACB.Active = true;
  BuildScript();
  ecu::Link.ACBRunning = 1;
}

void Stop() {
  Caption("Start");
  if (!ACB.Active) return;
  Settings.Idle_Points = ACB.SavedIdlePoints;
  ACB.ResultText = ecu::LngText("ACB_Prompt_Stopped");
  ACB.ResultColor = Colors.ColorTable[Color_Txt_Error];
  ShowPrompt(ACB.ResultText, ACB.ResultColor);
  // No pass of the old script from here on.
  ACBScriptBegin();
  ACBScriptEnd();
  if (ecu::Link.LinkUp) {
    BuildStopScript();
    SetCountdown(ACB.Counts.S2);
  } else {
    ACB.StopPending = true;
  }
}

}  // namespace

std::int32_t ACBReplyCount(std::int32_t Ms, std::int32_t PeriodMs) { return std::max(3, Ms / std::max(PeriodMs, 1)); }

TACBCounts ComputeACBCounts() {
  const std::int64_t period64 = static_cast<std::int64_t>(Settings.Reply_Delay) + Settings.ACBCycleAllowance;
  const std::int32_t p = static_cast<std::int32_t>(std::clamp<std::int64_t>(period64, 1, INT32_MAX));
  TACBCounts c;
  c.H = ACBReplyCount(500, p);
  c.S1 = ACBReplyCount(1000, p);
  c.S2 = ACBReplyCount(2000, p);
  for (int j = 1; j <= ACBStepCapacity; ++j) {
    const TACBStepTimes& s = Settings.ACBSteps[static_cast<std::size_t>(j - 1)];
    c.A[static_cast<std::size_t>(j)] = ACBReplyCount(s.SettleMs, p);
    c.B[static_cast<std::size_t>(j)] = ACBReplyCount(s.MeasureMs, p);
    c.T[static_cast<std::size_t>(j)] = s.Tolerance;
  }
  return c;
}

std::uint8_t ACBCylinderMask(const std::string& Digits) {
  unsigned mask = 0;
  for (char d : Digits)
    if (d >= '1' && d <= '4') mask |= 16u << (d - '1');
  return static_cast<std::uint8_t>(mask);
}

std::array<std::int32_t*, ACBInfluenceCount> ACBInfluenceFields(ecu::Configuration_Class& Config) {
  return {&Config.Param_147, &Config.Param_148, &Config.Param_150, &Config.Param_151, &Config.Param_153};
}

void StartStopAutoCalibration() {
  if (Host() && Host()->IsPressed(TControl::ACB_Start))
    Start();
  else
    Stop();
}

void AutoCalibrationReplyTick() {
  if (ACB.StopPending) {
    // Replies again after a stop with the link down: the ECU gets its data back.
    if (ecu::Link.LinkUp) {
      ACB.StopPending = false;
      BuildStopScript();
      SetCountdown(ACB.Counts.S2);
    }
    return;
  }
  const auto& petrol = ecu::LiveData.LivePetrolTimes;
  if (Host() && Host()->IsPressed(TControl::ACB_Start) &&
      std::all_of(petrol.begin(), petrol.end(), [](std::int32_t t) { return t == 0; })) {
    Host()->SetPressed(TControl::ACB_Start, false);
    Stop();
    ACB.ResultText = ACBPrompt(20) + " " + ACBPrompt(16);
    return;
  }
  SetCountdown(Countdown() - 1);
  if (!ecu::Link.TaskRunning && !ACB.ProgressPaused) MoveProgress(1);
  if (Countdown() == 0 && ACBScriptPass(RunWorkers) == TACBPassEnd::ScriptEnded) EndRun();
}

void AutoCalibrationStep() {
  const bool pressed = Host() && Host()->IsPressed(TControl::ACB_Start);
  const ecu::TLiveState& live = ecu::LiveData;
  for (int c = 0; c < ACBIndicatorCylinders; ++c) {
    const bool named = ACB.StepDigits.find(static_cast<char>('1' + c)) != std::string::npos;
    auto& v = ACB.Indicators[static_cast<std::size_t>(c)];
    if (pressed && ACB.StepDigits.empty()) {
      v.fill(0);
    } else if (!pressed || named) {
      v[ACB_PetOnPet] = live.PetrolTimesOnPetrol[static_cast<std::size_t>(c)];
      v[ACB_PetOnGas] = live.PetrolTimesOnGas[static_cast<std::size_t>(c)];
      v[ACB_GasOnGas] = live.LiveGasTimes[static_cast<std::size_t>(c)];
    }
  }
  std::int32_t largest = 0;
  for (const auto& column : ACB.Indicators)
    for (std::int32_t v : column) largest = std::max(largest, v);
  ACB.FullScale = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(largest, static_cast<std::int64_t>(ACB.FullScale) - 1000) + 1000,
                             INT32_MAX));
  if (CoreHost) CoreHost->ShowACBIndicators();
  if (pressed && !ACB.Settling) {
    if (ACB.PetrolPhase) {
      ACB.PetrolTotal += live.LivePetrolTimeAvg;
      ++ACB.PetrolCount;
    } else {
      ACB.GasTotal += live.LivePetrolTimeAvg;
      ++ACB.GasCount;
    }
  }
}

void AutoCalibrationWriteDone() {
  if (!ecu::Link.ACBRunning) return;
  ACB.Settling = true;
  SetCountdown(ACB.PostWriteCount);
}

void ResetAutoCalibration() {
  ACB.Reset();
  ACBScript.Reset();
  CreateACBAlgorithms();
}

TACBWorkers& ACBRunWorkers() { return RunWorkers; }

void ScaleACBCurve(double Factor) {
  if (!std::isfinite(Factor)) return;
  const std::int32_t base = GasTime(1);
  for (int k = 2; k <= ecu::DiagramPointCount; ++k) {
    const double v = (static_cast<double>(GasTime(k)) - base) * Factor + 0.5;
    GasTime(k) = std::max(base, Truncate(static_cast<double>(Truncate(v)) + base));
  }
}

bool AdjustACBCurve() {
  ACB.AdjustFailed = true;
  const std::int32_t avgP = ACBPetrolAverage(), avgG = ACBGasAverage();
  const std::int32_t range = Diagram.DiagramRangeY;
  bool adjusted = false;
  if (ACB.Algorithm == ACB_OnlyOffset) {
    const std::int64_t delta = static_cast<std::int64_t>(avgG) - avgP;
    const std::int64_t top = GasTime(9) + delta, first = GasTime(1) + delta;
    if (!(top > range || top < 12000 || first > range || first < 0)) {
      for (auto& y : ecu::ConfigData.DiagramPointY) y = static_cast<std::int32_t>(y + delta);
      if (std::abs(delta) < ACB.BestDifference) {
        ACB.BestDifference = static_cast<std::int32_t>(std::abs(delta));
        ACB.SavedPoints = ecu::ConfigData.DiagramPointY;
      }
      adjusted = true;
    }
  } else {
    const std::int64_t d = std::abs(static_cast<std::int64_t>(avgP) - avgG);
    if (d < ACB.BestDifference) {
      ACB.BestDifference = static_cast<std::int32_t>(d);
      ACB.BestGasAverage = avgG;
      ACB.BestTop = GasTime(9);
    }
    ACB.SavedPoints = ecu::ConfigData.DiagramPointY;
    if (avgP != 0) {
      const double r = static_cast<double>(avgG) / avgP;
      const double top = (static_cast<double>(GasTime(9)) - GasTime(1)) * r + 0.5 + GasTime(1);
      auto shift = [&](int Direction) {
        ACB.ShiftCount += Direction;
        RatioFromBestTop();
        ScaleACBCurve(ACB.ScaleRatio);
        for (auto& y : ecu::ConfigData.DiagramPointY) y += Direction * ACBShiftUs;
        ACB.SavedPoints = ecu::ConfigData.DiagramPointY;
        return true;
      };
      if (top <= range && top > 12000 && top > GasTime(1) + 10) {
        ScaleACBCurve(r);
        adjusted = true;
      } else if (top > range) {
        adjusted = ACB.ShiftCount < ACBMaxShifts && shift(+1);
      } else {
        adjusted = ACB.ShiftCount > -ACBMaxShifts && GasTime(1) - ACBShiftUs >= 0 && shift(-1);
      }
    }
  }
  if (adjusted) MoveProgress(-(static_cast<std::int64_t>(SettleCount()) + MeasureCount() + ACB.Counts.H));
  return adjusted;
}

void PlaceACBIdlePoints(std::int32_t Average) {
  const std::int64_t t = Average, p = t * 30 / 100;
  auto X = [](int K) -> std::int64_t { return PetrolTime(K); };
  auto setX = [](int K, std::int64_t V) {
    PetrolTime(K) = static_cast<std::int32_t>(std::clamp<std::int64_t>(V, INT32_MIN, INT32_MAX));
  };
  std::int64_t extra = 0;
  int k = 3;
  // Each round either raises the allowance or fixes one point lower than the last; a bound
  // keeps a degenerate diagram from holding the program.
  for (int round = 0; round < 100000; ++round) {
    k = 3;
    std::int64_t v = t + p;
    while (v > X(k + 1) - 2000 + extra && k < 8) {
      ++k;
      v += 2000 - extra;
    }
    if (v > X(k + 1) - 2000 + extra && k >= 8) {
      extra += 100;
    } else if (k != 3) {
      setX(k, v);
      Reinterpolate(k);
    }
    if (k == 3) break;
  }
  setX(2, t - p);
  Reinterpolate(2);
  setX(3, t + p);
  Reinterpolate(3);
  GasTime(3) += GasTime(3) / 10;
  GasTime(2) -= GasTime(2) / 10;
  setX(4, X(3) + p);
  Reinterpolate(4);
  setX(5, X(4) + (X(6) - X(4)) / 2);
  Reinterpolate(5);
}

std::int32_t ACBPetrolAverage() {
  return ACB.PetrolCount ? static_cast<std::int32_t>(ACB.PetrolTotal / ACB.PetrolCount) : 0;
}
std::int32_t ACBGasAverage() { return ACB.GasCount ? static_cast<std::int32_t>(ACB.GasTotal / ACB.GasCount) : 0; }

std::string ACBIndicatorText(std::int32_t Us) {
  const std::int64_t hundredths = (static_cast<std::int64_t>(Us) + (Us >= 0 ? 5 : -5)) / 10;
  const std::int64_t a = std::abs(hundredths);
  std::string frac = std::to_string(a % 100);
  if (frac.size() < 2) frac = "0" + frac;
  return (hundredths < 0 ? "-" : "") + std::to_string(a / 100) + "." + frac;
}

}  // namespace app
