#include "app/core/AutoCLB_Unit.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "app/core/Msg_3D_Unit.h"
#include "ecu/Gas_Injectors_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

// The windows' adapter, through which the page's controls are set.
TCoreHost* Host() { return Model().CoreHost; }

std::int32_t& GasTime(int Point) {
  return ecu::Session().ConfigData.DiagramPointY[static_cast<std::size_t>(Point - 1)];
}
std::int32_t& PetrolTime(int Point) {
  return ecu::Session().ConfigData.DiagramPointX[static_cast<std::size_t>(Point - 1)];
}

// A finite value to an integer, truncated toward zero and kept within 32 bits.
std::int32_t Truncate(double Value) {
  return static_cast<std::int32_t>(std::clamp(std::trunc(Value), static_cast<double>(INT32_MIN),
                                              static_cast<double>(INT32_MAX)));
}

std::int32_t Countdown() { return Model().ACBScript.ReplyCountdown; }
void SetCountdown(std::int32_t Value) { Model().ACBScript.ReplyCountdown = Value; }

std::int32_t StepValue(const std::array<std::int32_t, ACBStepCapacity + 1>& Values) {
  return Model().ACB.StepIndex >= 1 && Model().ACB.StepIndex <= ACBStepCapacity
             ? Values[static_cast<std::size_t>(Model().ACB.StepIndex)]
             : 0;
}
std::int32_t SettleCount() { return StepValue(Model().ACB.Counts.A); }
std::int32_t MeasureCount() { return StepValue(Model().ACB.Counts.B); }
std::int32_t Tolerance() { return StepValue(Model().ACB.Counts.T); }

void ShowPrompt(const std::string& Text) {
  if (Host()) Host()->SetText(TControl::ACB_Prompt, Text);
}
void ShowPrompt(const std::string& Text, const std::string& Color) {
  if (!Host()) return;
  Host()->SetColor(TControl::ACB_Prompt, Color);
  Host()->SetText(TControl::ACB_Prompt, Text);
}

void ShowProgress() {
  if (Host()) Host()->SetValue(TControl::ACB_Progress, Model().ACB.Progress);
}
void SetProgress(std::int32_t Value, std::int32_t Max) {
  Model().ACB.ProgressMax = Max;
  Model().ACB.Progress = std::clamp(Value, 0, std::max(Max, 0));
  if (Model().CoreHost) Model().CoreHost->SetACBProgressMax(Max);
  ShowProgress();
}
void MoveProgress(std::int64_t By) {
  Model().ACB.Progress = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(Model().ACB.Progress + By, 0, std::max(Model().ACB.ProgressMax, 0)));
  ShowProgress();
}

void Caption(const char* Key) {
  if (Host()) Host()->SetText(TControl::ACB_Start, ecu::LngText(Key));
}

int CountSteps(const std::string& Order) {
  return Order.empty() ? 0 : static_cast<int>(std::count(Order.begin(), Order.end(), '+')) + 1;
}

void ClearSums() {
  Model().ACB.PetrolTotal = Model().ACB.GasTotal = 0;
  Model().ACB.PetrolCount = Model().ACB.GasCount = 0;
}

void RedrawDiagram() {
  if (Host()) Host()->RedrawCalibrationDiagram();
}

// Condition 200: the next step of the cylinder order; false when there is one.
bool OrderDone() {
  const std::string& o = Model().ACB.Order;
  if (static_cast<std::size_t>(Model().ACB.OrderPos) >= o.size()) return true;
  ++Model().ACB.StepIndex;
  std::size_t end = o.find('+', static_cast<std::size_t>(Model().ACB.OrderPos));
  if (end == std::string::npos) end = o.size();
  Model().ACB.StepDigits =
      o.substr(static_cast<std::size_t>(Model().ACB.OrderPos), end - static_cast<std::size_t>(Model().ACB.OrderPos));
  Model().ACB.OrderPos = static_cast<std::int32_t>(std::min(end + 1, o.size()));
  return false;
}

void RestoreInfluence() {
  if (!ecu::Session().ConfigData.Configuration) return;
  const auto fields = ACBInfluenceFields(*ecu::Session().ConfigData.Configuration);
  for (int i = 0; i < ACBInfluenceCount; ++i)
    *fields[static_cast<std::size_t>(i)] = Model().ACB.InfluenceBackup[static_cast<std::size_t>(i)];
}

void SaveAndClearInfluence() {
  if (!ecu::Session().ConfigData.Configuration) return;
  const auto fields = ACBInfluenceFields(*ecu::Session().ConfigData.Configuration);
  for (int i = 0; i < ACBInfluenceCount; ++i) {
    Model().ACB.InfluenceBackup[static_cast<std::size_t>(i)] = *fields[static_cast<std::size_t>(i)];
    *fields[static_cast<std::size_t>(i)] = 0;
  }
}

void RestoreBackupPoints() {
  ecu::Session().ConfigData.DiagramPointY = Model().ACB.BackupPoints;
  ecu::Session().ConfigData.DiagramPointX = Model().ACB.BackupPetrolPoints;
  ecu::Session().ConfigData.FlaggedPoint = Model().ACB.BackupIdlePoint;
}

// Settle on gas (27, 28, 35): the step's cylinders on gas.
void SettleOnGas(bool Request) {
  Model().ACB.Settling = true;
  SetCountdown(SettleCount());
  Model().ACB.PetrolPhase = false;
  ecu::Session().Link.ModeCommandFlags = ACBCylinderMask(Model().ACB.StepDigits);
  if (Request) ecu::RequestTask(ecu::TTask::GasMode);
}

void WritePoints() {
  Model().ACB.PostWriteCount = Model().ACB.Counts.H;
  ecu::RequestTask(ecu::TTask::WritePoints);
}

// The scale ratio of a shift or a restore: the best top point over point 9; kept when point
// 9 is 0 or no best top point was found.
void RatioFromBestTop() {
  if (GasTime(9) != 0 && Model().ACB.BestTop > 0)
    Model().ACB.ScaleRatio = static_cast<double>(Model().ACB.BestTop) / GasTime(9);
}

void RestoreBest() {
  RatioFromBestTop();
  ecu::Session().ConfigData.DiagramPointY = Model().ACB.SavedPoints;
  if (Model().ACB.Algorithm != ACB_OnlyOffset) {
    ScaleACBCurve(Model().ACB.ScaleRatio);
    Model().ACB.SavedPoints = ecu::Session().ConfigData.DiagramPointY;
  }
  Model().ACB.BestDifference = Model().Diagram.DiagramRangeY;
  Model().ACB.ScaleRatio = 1.0;
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
  if (Model().ACB.AdjustFailed) {
    Model().ACB.ResultText = ACBPrompt(20) + " " + ACBPrompt(avgG <= avgP ? 19 : 18);
    Model().ACB.ResultColor = Model().Colors.ColorTable[Color_Txt_Error];
  } else {
    PlaceACBIdlePoints(avgG);
    ecu::Session().ConfigData.FlaggedPoint = 2;
    std::int32_t lower = 4000, upper = 5500;
    if (ecu::Session().ConfigData.Configuration)
      ecu::GetInjectorTimeLimits(
          static_cast<std::uint8_t>(ecu::InjectorTypeNumber(ecu::Session().ConfigData.Configuration->Injector_Type)),
          lower, upper);
    const std::int32_t gas = ecu::Session().LiveData.LiveGasTimeAvg;
    std::string advice;
    if (gas > upper)
      advice = ACBPrompt(18);
    else if (gas < lower)
      advice = ACBPrompt(19);
    if (!advice.empty()) {
      Model().ACB.ResultText = ACBPrompt(22) + " " + advice;
      Model().ACB.ResultColor = Model().Colors.ColorTable[Color_Txt_Recomm];
    }
  }
  ShowPrompt(ACBPrompt(7));
  Model().ACB.PostWriteCount = Model().ACB.Counts.H;
  Model().Settings.Idle_Points = Model().ACB.SavedIdlePoints;
  RedrawDiagram();
}

// The run is over: command 60, or a script that ran out of cells.
void EndRun() {
  ecu::Session().LiveData.StatusPrevious = static_cast<std::uint8_t>(ecu::Session().LiveData.StatusPrevious & ~0x20);
  SetProgress(0, Model().ACB.ProgressMax);
  Caption("Start");
  if (Host()) Host()->SetPressed(TControl::ACB_Start, false);
  ecu::Session().Link.ACBRunning = 0;
  Model().ACB.Active = false;
  if (Host()) Host()->AutoCalibrationEnded();
}

}  // namespace

std::int32_t TACBRunWorkers::OneSecondCount() { return Model().ACB.Counts.S1; }

bool TACBRunWorkers::Command(std::int32_t Code) {
  switch (Code) {
    case 21: {
      Model().ACB.StepIndex = 0;
      Model().ACB.ShiftCount = 0;
      if (Model().Settings.ACBResetDiagram) {
        CalcDiagramPoints();
        const double top = (Model().Settings.ACBLongTopTime ? 20 : 12) * 1000.0;
        if (Model().ACB.Algorithm != ACB_OnlyOffset && GasTime(9) != 0) ScaleACBCurve(top / GasTime(9));
        RedrawDiagram();
      }
      SetDefaultMapRPM();
      RefreshMapRPMCells();
      SaveAndClearInfluence();
      Model().ACB.Settling = true;
      Model().ACB.PostWriteCount = Model().ACB.Counts.H;
      Model().ACB.StepText = ACBPrompt(2) + " " + ACBPrompt(6);
      ShowPrompt(Model().ACB.StepText);
      ecu::RequestTask(ecu::TTask::WriteAll);
      return true;
    }
    case 22: ShowPrompt(ACBPrompt(2) + " " + ACBPrompt(3)); return false;
    case 23: Model().ACB.AdjustFailed = false; return false;
    case 24: Model().ACB.BestDifference = Model().Diagram.DiagramRangeY; return false;
    case 25:
      Model().ACB.Settling = true;
      Model().ACB.PetrolPhase = true;
      SetCountdown(SettleCount());
      ecu::RequestTask(ecu::TTask::PetrolMode);
      return true;
    case 26:
      Model().ACB.PetrolTotal = 0, Model().ACB.PetrolCount = 0;
      Model().ACB.Settling = false;
      Model().ACB.PetrolPhase = true;
      SetCountdown(MeasureCount());
      return true;
    case 27: SettleOnGas(true); return true;
    case 28: SettleOnGas(false); return true;
    case 29:
      Model().ACB.GasTotal = 0, Model().ACB.GasCount = 0;
      Model().ACB.Settling = false;
      Model().ACB.PetrolPhase = false;
      ecu::Session().Link.ModeCommandFlags = ACBCylinderMask(Model().ACB.StepDigits);
      SetCountdown(MeasureCount());
      return true;
    case 30:
      Model().ACB.OrderPos = 0;
      Model().ACB.StepIndex = 0;
      OrderDone();
      return false;
    case 31: Model().ACB.ProgressPaused = true; return false;
    case 32: Model().ACB.StepText = ACBPrompt(12) + " 2000 - 3000 " + ecu::LngText("Dim_RPM_Short"); return false;
    case 33: ShowPrompt(Model().ACB.StepText); return false;
    case 34:
      SetCountdown(Model().ACB.Counts.S1);
      ++Model().ACBScript.Seconds;
      ShowPrompt(Model().ACB.StepText + " (" + rtl::IntToStr(Model().ACBScript.Seconds) + " " +
                 ecu::LngText("Dim_Sec_Long") + ")");
      return true;
    case 35:
      SettleOnGas(true);
      SetCountdown(Model().ACB.Counts.H);
      Model().ACB.PostWriteCount = Model().ACB.Counts.H;
      return true;
    case 36: Model().ACB.StepText = ACBPrompt(13); return false;
    case 37:
      SetCountdown(Model().ACB.Counts.S1);
      --Model().ACBScript.Seconds;
      ShowPrompt(Model().ACB.StepText + " " + rtl::IntToStr(Model().ACBScript.Seconds) + " " +
                 ecu::LngText("Dim_Sec_Long"));
      return true;
    case 38:
      // The next cell is a prompt number.
      if (Model().ACBScript.Pos < Model().ACBScript.Length) {
        ++Model().ACBScript.Pos;
        Model().ACB.StepText = ACBPrompt(Model().ACBScript.Cells[static_cast<std::size_t>(Model().ACBScript.Pos)]);
        ShowPrompt(Model().ACB.StepText);
      }
      return false;
    case 39: Model().ACB.ProgressPaused = false; return false;
    case 50: SetProgress(0, 30); return false;
    case 51: WritePoints(); return true;
    case 52:
      RestoreBest();
      WritePoints();
      return true;
    case 53:
      Model().ACB.Settling = true;
      RestoreBackupPoints();
      Model().ACB.PostWriteCount = Model().ACB.Counts.H;
      ShowPrompt(ACBPrompt(2) + " " + ACBPrompt(9));
      ecu::Session().ConfigData.SelectedPoint = -1;
      RedrawDiagram();
      return false;
    case 54: Finish(); return false;
    case 55:
      if (Model().ACB.ResultText.empty()) {
        Model().ACB.ResultText = ACBPrompt(23);
        Model().ACB.ResultColor = Model().Colors.ColorTable[Color_Txt_Complete];
      }
      return false;
    case 56:
      Model().ACB.Settling = true;
      Model().ACB.SupportSums.fill(0);
      ShowPrompt(ACBPrompt(10));
      SetProgress(0, 30);
      return false;
    case 57:
      Model().ACB.SupportSums[0] += ecu::Session().LiveData.LivePressDiff;
      Model().ACB.SupportSums[1] += ecu::Session().LiveData.LiveTempGas;
      Model().ACB.SupportSums[2] += ecu::Session().LiveData.LiveAnalog18;
      SetCountdown(1);
      return true;
    case 58:
      if (ecu::Configuration_Class* c = ecu::Session().ConfigData.Configuration.get()) {
        c->Param_146 = static_cast<std::int32_t>(Model().ACB.SupportSums[0] / ACBSupportSamples);
        c->Param_149 = static_cast<std::int32_t>((Model().ACB.SupportSums[1] / ACBSupportSamples + 5) / 10);
        c->Param_152 = static_cast<std::int32_t>(Model().ACB.SupportSums[2] / ACBSupportSamples);
      }
      RestoreInfluence();
      ShowPrompt(ACBPrompt(6));
      Model().ACB.PostWriteCount = Model().ACB.Counts.H;
      ecu::RequestTask(ecu::TTask::WriteAll);
      return true;
    case 59:
      ShowPrompt(Model().ACB.ResultText, Model().ACB.ResultColor);
      SetCountdown(Model().ACB.Counts.S2);
      ecu::RequestTask(ecu::TTask::PetrolMode);
      return true;
    case 60: EndRun(); return true;
    default: return false;
  }
}

bool TACBRunWorkers::Condition(std::int32_t Code) {
  switch (Code) {
    case 200: return OrderDone();
    case 201: {
      const std::int32_t avgP = ACBPetrolAverage(), avgG = ACBGasAverage();
      if (std::abs(static_cast<std::int64_t>(avgG) - avgP) > Tolerance()) return false;
      Model().ACB.BestGasAverage = avgG;
      return true;
    }
    case 202: return !AdjustACBCurve();
    case 203: return AdjustACBCurve();
    case 204: return ecu::Session().LiveData.LiveRPM < 2001;
    case 205: return ecu::Session().LiveData.LiveRPM > 2000;
    case 206: return Model().ACBScript.Seconds != 0;
    default: return false;
  }
}

namespace {

// Builds the script; the run starts with it.
void BuildScript() {
  if (Model().ACB.Algorithm == ACB_HighRPM)
    BuildHighRPMScript();
  else
    BuildStandardScript();
  Model().ACB.Order = Model().Settings.Cylinder_Order;
  ClearSums();
  Model().ACB.Counts = ComputeACBCounts();
  Model().ACB.StepCount = CountSteps(Model().ACB.Order);
  std::int64_t max = 3LL * Model().ACB.Counts.H;
  for (int j = 1; j <= std::min(Model().ACB.StepCount, ACBStepCapacity); ++j)
    max +=
        2LL * (Model().ACB.Counts.A[static_cast<std::size_t>(j)] + Model().ACB.Counts.B[static_cast<std::size_t>(j)]);
  SetProgress(0, static_cast<std::int32_t>(std::min<std::int64_t>(max, INT32_MAX)));
  Model().ACB.OrderPos = 0;
  Model().ACB.StepIndex = 0;
  Model().ACB.StepDigits.clear();
  Model().ACB.ProgressPaused = false;
  if (Host()) Host()->SetColor(TControl::ACB_Prompt, Model().Settings.Font_Color);
  AutoCalibrationStep();
}

void Start() {
  if (Model().ACBAlgorithms[ACB_Default].Name.empty()) CreateACBAlgorithms();
  Model().ACB.FullScale = 0;
  if (ecu::Session().ConfigData.Configuration)
    Model().Settings.Cylinder_Count = ecu::Session().ConfigData.Configuration->Cylinders;
  Model().ACB.Algorithm = ACBAlgorithmIndex(Model().Settings.ACB_SCR_Type);
  const TACBAlgorithmChoice choice = ChooseACBAlgorithm(Model().ACB.Algorithm, Model().Settings.Cylinder_Count);
  Model().Settings.Cylinder_Order = choice.Order;
  Model().Settings.ACBSteps = choice.Steps;
  Caption("Stop");
  if (Model().ACB.StopPending || Model().ACB.Active) {
    // A run that has not ended (stopped while the link was down, or pressed again before its
    // stop script put the diagram back) holds the data from before it: start from that.
    RestoreBackupPoints();
    RestoreInfluence();
    Model().ACB.StopPending = false;
  }
  Model().ACB.BackupPoints = ecu::Session().ConfigData.DiagramPointY;
  Model().ACB.BackupPetrolPoints = ecu::Session().ConfigData.DiagramPointX;
  Model().ACB.BackupIdlePoint = ecu::Session().ConfigData.FlaggedPoint;
  Model().ACB.Counts = ComputeACBCounts();
  Model().ACB.StepCount = CountSteps(choice.Order);
  Model().ACB.StepDigits.clear();
  Model().ACB.Settling = true;
  SetCountdown(Model().ACB.Counts.H);
  Model().ACB.StepText = ACBPrompt(2);
  ShowPrompt(Model().ACB.StepText);
  Model().ACB.PetrolPhase = true;
  ecu::RequestTask(ecu::TTask::PetrolMode);
  Model().ACB.SavedIdlePoints = Model().Settings.Idle_Points;
  Model().Settings.Idle_Points = false;
  Model().ACB.BestGasAverage = 0;
  Model().ACB.BestTop = 0;
  Model().ACB.ScaleRatio = 1.0;
  Model().ACB.AdjustFailed = false;
  Model().ACB.ResultText.clear();
  Model().ACB.ResultColor.clear();
  Model().ACB.Active = true;
  Model().ACB.Stopping = false;
  BuildScript();
  ecu::Session().Link.ACBRunning = 1;
}

// The stop script from its start: after two seconds of replies it puts the diagram and the
// influence values back and writes them.
void BeginStopScript() {
  BuildStopScript();
  SetCountdown(Model().ACB.Counts.S2);
  Model().ACB.StopRead = ecu::Session().Link.ReadCount;
}

void Stop() {
  Caption("Start");
  if (!Model().ACB.Active) return;
  Model().ACB.Stopping = true;
  Model().Settings.Idle_Points = Model().ACB.SavedIdlePoints;
  Model().ACB.ResultText = ecu::LngText("ACB_Prompt_Stopped");
  Model().ACB.ResultColor = Model().Colors.ColorTable[Color_Txt_Error];
  ShowPrompt(Model().ACB.ResultText, Model().ACB.ResultColor);
  // No pass of the old script from here on.
  ACBScriptBegin();
  ACBScriptEnd();
  if (ecu::Session().Link.LinkUp)
    BeginStopScript();
  else
    Model().ACB.StopPending = true;
}

}  // namespace

std::int32_t ACBReplyCount(std::int32_t Ms, std::int32_t PeriodMs) { return std::max(3, Ms / std::max(PeriodMs, 1)); }

TACBCounts ComputeACBCounts() {
  const std::int64_t period64 =
      static_cast<std::int64_t>(Model().Settings.Reply_Delay) + Model().Settings.ACBCycleAllowance;
  const std::int32_t p = static_cast<std::int32_t>(std::clamp<std::int64_t>(period64, 1, INT32_MAX));
  TACBCounts c;
  c.H = ACBReplyCount(500, p);
  c.S1 = ACBReplyCount(1000, p);
  c.S2 = ACBReplyCount(2000, p);
  for (int j = 1; j <= ACBStepCapacity; ++j) {
    const TACBStepTimes& s = Model().Settings.ACBSteps[static_cast<std::size_t>(j - 1)];
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
  if (!Host() || !Host()->IsPressed(TControl::ACB_Start)) {
    Stop();
    return;
  }
  if (EcuBeingRead()) {
    // A run takes its backups of the points and influence values as it starts, and the read
    // puts the ECU's in place only as its replies come: the run is not started, and the user is
    // told why.
    Host()->SetPressed(TControl::ACB_Start, false);
    const std::string text = ecu::LngText("ACB_Not_Started_Reading");
    if (!MessageHeld(Message_OwnText, text)) Host()->ShowMessageWindow(Message_OwnText, text);
    return;
  }
  Start();
}

bool StopAutoCalibrationAtClose() {
  if (!Model().ACB.Active) return false;
  if (Host()) Host()->SetPressed(TControl::ACB_Start, false);
  // Stopped already (released before the close): its stop script runs on.
  if (!Model().ACB.Stopping) Stop();
  return ecu::Session().Link.LinkUp != 0;
}

bool AutoCalibrationActive() { return Model().ACB.Active; }

std::int32_t ACBCloseWaitMs() {
  const TACBCounts& c = Model().ACB.Counts;
  const std::int64_t period = std::clamp<std::int64_t>(
      static_cast<std::int64_t>(Model().Settings.Reply_Delay) + Model().Settings.ACBCycleAllowance, 1, 10000);
  // The stop script: its first countdown, the sample, the settling after each write, the
  // last countdown; each write takes a request per block at most.
  constexpr std::int64_t writeRequests = 2 * 64;
  const std::int64_t replies = 2 * std::int64_t{c.S2} + 3 * std::int64_t{c.H} + ACBSupportSamples + writeRequests;
  return static_cast<std::int32_t>(std::min<std::int64_t>(replies * period + 5000, ACBCloseWaitMaxMs));
}

void AutoCalibrationReplyTick() {
  if (Model().ACB.StopPending) {
    // Replies again after a stop with the link down: the ECU gets its data back.
    if (ecu::Session().Link.LinkUp) {
      Model().ACB.StopPending = false;
      BeginStopScript();
    }
    return;
  }
  // A read begun since the stop script began has put the ECU's points, the run's, in place of
  // the ones the script may have put back already: it begins again.
  if (Model().ACB.Stopping && Model().ACB.StopRead != ecu::Session().Link.ReadCount) BeginStopScript();
  // The read's replies carry no live data, and what the script puts into the configuration
  // now the read would overwrite: the script waits for the read's end.
  if (EcuBeingRead()) return;
  const auto& petrol = ecu::Session().LiveData.LivePetrolTimes;
  if (Host() && Host()->IsPressed(TControl::ACB_Start) &&
      std::all_of(petrol.begin(), petrol.end(), [](std::int32_t t) { return t == 0; })) {
    Host()->SetPressed(TControl::ACB_Start, false);
    Stop();
    Model().ACB.ResultText = ACBPrompt(20) + " " + ACBPrompt(16);
    return;
  }
  SetCountdown(Countdown() - 1);
  if (!ecu::Session().Link.TaskRunning && !Model().ACB.ProgressPaused) MoveProgress(1);
  if (Countdown() == 0 && ACBScriptPass(Model().ACBWorkers) == TACBPassEnd::ScriptEnded) EndRun();
}

void AutoCalibrationStep() {
  const bool pressed = Host() && Host()->IsPressed(TControl::ACB_Start);
  const ecu::TLiveState& live = ecu::Session().LiveData;
  for (int c = 0; c < ACBIndicatorCylinders; ++c) {
    const bool named = Model().ACB.StepDigits.find(static_cast<char>('1' + c)) != std::string::npos;
    auto& v = Model().ACB.Indicators[static_cast<std::size_t>(c)];
    if (pressed && Model().ACB.StepDigits.empty()) {
      v.fill(0);
    } else if (!pressed || named) {
      v[ACB_PetOnPet] = live.PetrolTimesOnPetrol[static_cast<std::size_t>(c)];
      v[ACB_PetOnGas] = live.PetrolTimesOnGas[static_cast<std::size_t>(c)];
      v[ACB_GasOnGas] = live.LiveGasTimes[static_cast<std::size_t>(c)];
    }
  }
  std::int32_t largest = 0;
  for (const auto& column : Model().ACB.Indicators)
    for (std::int32_t v : column) largest = std::max(largest, v);
  Model().ACB.FullScale = static_cast<std::int32_t>(std::min<std::int64_t>(
      std::max<std::int64_t>(largest, static_cast<std::int64_t>(Model().ACB.FullScale) - 1000) + 1000, INT32_MAX));
  if (Model().CoreHost) Model().CoreHost->ShowACBIndicators();
  if (pressed && !Model().ACB.Settling) {
    if (Model().ACB.PetrolPhase) {
      Model().ACB.PetrolTotal += live.LivePetrolTimeAvg;
      ++Model().ACB.PetrolCount;
    } else {
      Model().ACB.GasTotal += live.LivePetrolTimeAvg;
      ++Model().ACB.GasCount;
    }
  }
}

void AutoCalibrationWriteDone() {
  if (!ecu::Session().Link.ACBRunning) return;
  Model().ACB.Settling = true;
  SetCountdown(Model().ACB.PostWriteCount);
}

TACBWorkers& ACBRunWorkers() { return Model().ACBWorkers; }

void ScaleACBCurve(double Factor) {
  if (!std::isfinite(Factor)) return;
  const std::int32_t base = GasTime(1);
  for (int k = 2; k <= ecu::DiagramPointCount; ++k) {
    const double v = (static_cast<double>(GasTime(k)) - base) * Factor + 0.5;
    GasTime(k) = std::max(base, Truncate(static_cast<double>(Truncate(v)) + base));
  }
}

bool AdjustACBCurve() {
  Model().ACB.AdjustFailed = true;
  const std::int32_t avgP = ACBPetrolAverage(), avgG = ACBGasAverage();
  const std::int32_t range = Model().Diagram.DiagramRangeY;
  bool adjusted = false;
  if (Model().ACB.Algorithm == ACB_OnlyOffset) {
    const std::int64_t delta = static_cast<std::int64_t>(avgG) - avgP;
    const std::int64_t top = GasTime(9) + delta, first = GasTime(1) + delta;
    if (!(top > range || top < 12000 || first > range || first < 0)) {
      for (auto& y : ecu::Session().ConfigData.DiagramPointY) y = static_cast<std::int32_t>(y + delta);
      if (std::abs(delta) < Model().ACB.BestDifference) {
        Model().ACB.BestDifference = static_cast<std::int32_t>(std::abs(delta));
        Model().ACB.SavedPoints = ecu::Session().ConfigData.DiagramPointY;
      }
      adjusted = true;
    }
  } else {
    const std::int64_t d = std::abs(static_cast<std::int64_t>(avgP) - avgG);
    if (d < Model().ACB.BestDifference) {
      Model().ACB.BestDifference = static_cast<std::int32_t>(d);
      Model().ACB.BestGasAverage = avgG;
      Model().ACB.BestTop = GasTime(9);
    }
    Model().ACB.SavedPoints = ecu::Session().ConfigData.DiagramPointY;
    if (avgP != 0) {
      const double r = static_cast<double>(avgG) / avgP;
      const double top = (static_cast<double>(GasTime(9)) - GasTime(1)) * r + 0.5 + GasTime(1);
      auto shift = [&](int Direction) {
        Model().ACB.ShiftCount += Direction;
        RatioFromBestTop();
        ScaleACBCurve(Model().ACB.ScaleRatio);
        for (auto& y : ecu::Session().ConfigData.DiagramPointY) y += Direction * ACBShiftUs;
        Model().ACB.SavedPoints = ecu::Session().ConfigData.DiagramPointY;
        return true;
      };
      if (top <= range && top > 12000 && top > GasTime(1) + 10) {
        ScaleACBCurve(r);
        adjusted = true;
      } else if (top > range) {
        adjusted = Model().ACB.ShiftCount < ACBMaxShifts && shift(+1);
      } else {
        adjusted = Model().ACB.ShiftCount > -ACBMaxShifts && GasTime(1) - ACBShiftUs >= 0 && shift(-1);
      }
    }
  }
  if (adjusted) MoveProgress(-(static_cast<std::int64_t>(SettleCount()) + MeasureCount() + Model().ACB.Counts.H));
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
  return Model().ACB.PetrolCount ? static_cast<std::int32_t>(Model().ACB.PetrolTotal / Model().ACB.PetrolCount) : 0;
}
std::int32_t ACBGasAverage() {
  return Model().ACB.GasCount ? static_cast<std::int32_t>(Model().ACB.GasTotal / Model().ACB.GasCount) : 0;
}

std::string ACBIndicatorText(std::int32_t Us) {
  const std::int64_t hundredths = (static_cast<std::int64_t>(Us) + (Us >= 0 ? 5 : -5)) / 10;
  const std::int64_t a = std::abs(hundredths);
  std::string frac = std::to_string(a % 100);
  if (frac.size() < 2) frac = "0" + frac;
  return (hundredths < 0 ? "-" : "") + std::to_string(a / 100) + "." + frac;
}

}  // namespace app
