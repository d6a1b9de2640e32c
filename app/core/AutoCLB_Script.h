// The automatic calibration's algorithms and scripts. An algorithm names the cylinder order
// for each cylinder count and, per step, the settle time, the measure time and the tolerance.
// A run is a small script of integer cells, interpreted a pass at a time between ECU replies:
// commands (20..199) do the work, conditions (200..254) steer, and three cell kinds move the
// position (2 jump, 3 counted loop, 4 set the seconds counter). What each command and
// condition does is the run's business (AutoCLB_Unit.h); the interpreter reaches it through
// TACBWorkers. GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/core/General_Unit.h"

namespace app {

constexpr int ACBParameterGroups = 9;
constexpr int ACBScriptCapacity = 100;

// Algorithm indexes (the order of ACBAlgorithmNames).
enum : int { ACB_Default = 0, ACB_OnlyOffset = 1, ACB_Fast = 2, ACB_HighRPM = 3 };

class ACB_SCR_Class {
public:
  std::string Name;
  std::string Order4, Order5, Order6, Order8;  // steps separated by "+"
  // Nine groups of six values, one per step: 1..3 settle seconds, 4..6 measure seconds,
  // 7..9 tolerances in microseconds; in each kind for 4, for 5, and for 6 and 8 cylinders.
  std::array<std::int32_t, ACBParameterGroups * ACBStepCapacity> Parameters{};

  // Group 1..9, step 1..6.
  std::int32_t Parameter(int Group, int Step) const { return Parameters[(Group - 1) * ACBStepCapacity + Step - 1]; }
};

// The four algorithms, in the order of their names; made by CreateACBAlgorithms.
void CreateACBAlgorithms();

// The index of an algorithm name; a name that is none of the four gives "Fast calibration".
int ACBAlgorithmIndex(const std::string& Name);

struct TACBAlgorithmChoice {
  std::string Order;
  std::array<TACBStepTimes, ACBStepCapacity> Steps{};
  // The cylinder count has an order and parameter groups of its own (4, 5, 6 or 8); any other
  // count runs on the 4-cylinder rows.
  bool CountKnown = true;
};
// What algorithm Index gives for this cylinder count.
TACBAlgorithmChoice ChooseACBAlgorithm(int Index, std::int32_t Cylinders);

// The script store and the interpreter's state.
struct TACBScript {
  std::array<std::int32_t, ACBScriptCapacity + 1> Cells{};  // cells 1..100
  std::int32_t Pos = 0;     // the cell read last; 0 before the first
  std::int32_t Length = 0;  // the last cell built
  std::uint8_t Wait = 0;    // a command waits for ECU replies: the pass ends
  std::int32_t ReplyCountdown = 0;
  std::int32_t Seconds = 0;
  std::uint8_t ErrorShown = 0;  // the script-error message has been shown in this run of the program

  void Reset() { *this = TACBScript(); }
};

// Building: Begin empties the store; Append stores a cell after the last; End puts the
// position before cell 1. A 101st cell is not kept.
void ACBScriptBegin();
void ACBScriptAppend(std::int32_t Value);
void ACBScriptEnd();
// The three scripts.
void BuildStandardScript();
void BuildHighRPMScript();
void BuildStopScript();

// What the interpreter asks of the run.
class TACBWorkers {
public:
  virtual ~TACBWorkers() = default;
  // A known command (21..39, 50..60); true when it waits for ECU replies.
  virtual bool Command(std::int32_t Code) = 0;
  // A known condition (200..206): whether it holds.
  virtual bool Condition(std::int32_t Code) = 0;
  // The one-second count: cell kind 4 sets the reply countdown to it.
  virtual std::int32_t OneSecondCount() = 0;
};

enum class TACBPassEnd { Waiting, ScriptEnded };
// One pass: cells until a command waits (the wait flag is cleared at the end), or until the
// position leaves the cells built, which ends the script.
TACBPassEnd ACBScriptPass(TACBWorkers& Workers);

// The prompt text of number 1..23 in the current language; "" for any other number.
std::string ACBPrompt(int Number);

}  // namespace app
