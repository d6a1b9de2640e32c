// The automatic calibration run. For each step of the cylinder order it measures the average
// petrol injection time on petrol, puts the step's cylinders on gas, measures it again, and
// scales or shifts the gas curve of the calibration diagram until the two agree within the
// step's tolerance; then it places the idle points, takes a 31-reply support sample that goes
// into the configuration, and returns the engine to petrol. It is paced by the ECU's replies
// (the link calls the reply hook after every good reply while ecu::Link.ACBRunning is set),
// driven by the script of AutoCLB_Script.h, and asks the ECU for everything through task
// requests: 17 gas with the cylinder mask, 18 petrol, 21 whole configuration, 23 points.
//
// The page's controls it sets through the installed host (the button HudButton_ACB_Start,
// the prompt label, the progress bar); the indicator values and the bars' full scale it keeps
// here for the page to draw (TCoreHost::ShowACBIndicators). GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/core/AutoCLB_Script.h"
#include "ecu/Config_Unit.h"

namespace app {

// Indicator rows of a cylinder's column.
enum : int { ACB_PetOnPet = 0, ACB_PetOnGas = 1, ACB_GasOnGas = 2 };
constexpr int ACBIndicatorCylinders = 4;
constexpr int ACBSupportSamples = 31;
constexpr int ACBInfluenceCount = 5;
constexpr int ACBMaxShifts = 5;
constexpr std::int32_t ACBShiftUs = 500;

struct TACBCounts {
  std::int32_t H = 3, S1 = 3, S2 = 3;      // half-, one-, two-second counts
  std::array<std::int32_t, ACBStepCapacity + 1> A{}, B{}, T{};  // per step 1..6: settle, measure, tolerance
  bool operator==(const TACBCounts&) const = default;
};

// Replies in Ms at the reply period: at least 3.
std::int32_t ACBReplyCount(std::int32_t Ms, std::int32_t PeriodMs);
// The counts of a run: the period is Settings.Reply_Delay + Settings.ACBCycleAllowance, at
// least 1 ms; the steps come from Settings.ACBSteps.
TACBCounts ComputeACBCounts();
// The gas-cylinder mask of a step: 16, 32, 64, 128 for the digits 1..4; other digits add nothing.
std::uint8_t ACBCylinderMask(const std::string& Digits);

struct TACBRunState {
  TACBCounts Counts;
  int Algorithm = ACB_Fast;
  // The cylinder order and the step taken from it.
  std::string Order;
  std::int32_t OrderPos = 0;
  std::int32_t StepIndex = 0;  // 1..StepCount; 0 before the first
  std::int32_t StepCount = 0;
  std::string StepDigits;
  // Measurement.
  bool Settling = true;
  bool PetrolPhase = true;
  std::int64_t PetrolTotal = 0, GasTotal = 0;
  std::int32_t PetrolCount = 0, GasCount = 0;
  // Adjustment.
  std::int32_t BestDifference = 32000;
  std::int32_t BestGasAverage = 0;
  std::int32_t BestTop = 0;
  std::array<std::int32_t, ecu::DiagramPointCount> SavedPoints{}, BackupPoints{};
  // The petrol times and the idle point at the start: the reset of the diagram changes them
  // too, so a stop puts them back with the gas times.
  std::array<std::int32_t, ecu::DiagramPointCount> BackupPetrolPoints{};
  std::uint8_t BackupIdlePoint = 0;
  double ScaleRatio = 1.0;
  std::int32_t ShiftCount = 0;
  bool AdjustFailed = false;
  std::int32_t PostWriteCount = 3;
  // Progress bar.
  bool ProgressPaused = false;
  std::int32_t Progress = 0, ProgressMax = 0;
  // The configuration's values the run takes out and puts back.
  std::array<std::int32_t, ACBInfluenceCount> InfluenceBackup{};
  std::array<std::int64_t, 3> SupportSums{};  // differential pressure, gas temperature, third value
  // Texts.
  std::string StepText, ResultText, ResultColor;
  bool SavedIdlePoints = false;
  // A run was started and has not ended (command 60, or the end of its script).
  bool Active = false;
  // Stopped while the link was down: the stop script runs once the link is up again.
  bool StopPending = false;
  // Stopped (the button released, the engine stopped, or the program closing): what runs now
  // is the stop script, or it waits for the link (StopPending).
  bool Stopping = false;
  // The read of the ECU (ecu Link.ReadCount) in force when the stop script began: a read begun
  // since has put the ECU's points (the run's) into the configuration, and the script begins
  // again after it.
  std::uint32_t StopRead = 0;
  // Indicators: per cylinder 1..4 petrol on petrol, petrol on gas, gas (us); the bars' full
  // scale (us), which only grows during a run.
  std::array<std::array<std::int32_t, 3>, ACBIndicatorCylinders> Indicators{};
  std::int32_t FullScale = 0;

  void Reset() { *this = TACBRunState(); }
};

// The interpreter's workers of the run: its commands and conditions on the model in force.
class TACBRunWorkers final : public TACBWorkers {
public:
  bool Command(std::int32_t Code) override;
  bool Condition(std::int32_t Code) override;
  std::int32_t OneSecondCount() override;
};

// The configuration's five influence values and the three support values (their fields).
std::array<std::int32_t*, ACBInfluenceCount> ACBInfluenceFields(ecu::Configuration_Class& Config);

// ---- What the link and the page call.
// HudButton_ACB_Start was pressed (start) or released (stop).
void StartStopAutoCalibration();
// After every good reply while ecu::Link.ACBRunning is set. While the ECU is read again (a
// reconnect, app::EcuBeingRead) the script waits: the read puts what the ECU keeps into the
// configuration, and a stop script that ran before it would write the read's points, not the
// ones it put back. A stop script a read came after begins again once the read is through.
void AutoCalibrationReplyTick();
// After every live-data decode: the indicators, then the measurement.
void AutoCalibrationStep();
// A write task ended while the run is active: settling, and the countdown of the post-write count.
void AutoCalibrationWriteDone();
// The program closes: a run that is active stops as the button's release stops it (the button
// released), so that its stop script puts the diagram back and the engine on petrol. True
// when the close must wait for that to reach the ECU before the port closes: the run is
// active and the link is up (with the link down nothing can reach the ECU).
bool StopAutoCalibrationAtClose();
// A run has not ended yet (its stop script still puts the ECU back).
bool AutoCalibrationActive();
// The longest a close waits for a run's stop (ms): the stop script's replies at the run's
// reply period with room for its two writes, at most ACBCloseWaitMaxMs.
constexpr std::int32_t ACBCloseWaitMaxMs = 60000;
std::int32_t ACBCloseWaitMs();

// ---- The pieces of the run, for its tests.
// The interpreter's workers of the run.
TACBWorkers& ACBRunWorkers();
// Scales the gas times of points 2..9 about point 1 by Factor (a factor that is not finite
// changes nothing).
void ScaleACBCurve(double Factor);
// Adjusts the curve to the averages; true when adjusted (conditions 202 and 203).
bool AdjustACBCurve();
// Places the idle points around the gas-phase average Average.
void PlaceACBIdlePoints(std::int32_t Average);
// The averages of the sums (0 without samples).
std::int32_t ACBPetrolAverage();
std::int32_t ACBGasAverage();
// The number box text of an indicator value: milliseconds with two decimals.
std::string ACBIndicatorText(std::int32_t Us);

}  // namespace app
