#include "app/core/AutoCLB_Script.h"

#include <initializer_list>

#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

using TGroups = std::array<std::array<std::int32_t, ACBStepCapacity>, ACBParameterGroups>;

ACB_SCR_Class MakeAlgorithm(const std::string& Name, const std::string& O4, const std::string& O5,
                            const std::string& O6, const std::string& O8, const TGroups& Groups) {
  ACB_SCR_Class a;
  a.Name = Name;
  a.Order4 = O4, a.Order5 = O5, a.Order6 = O6, a.Order8 = O8;
  for (int g = 0; g < ACBParameterGroups; ++g)
    for (int s = 0; s < ACBStepCapacity; ++s) a.Parameters[g * ACBStepCapacity + s] = Groups[g][s];
  return a;
}

void Load(std::initializer_list<std::int32_t> Cells) {
  ACBScriptBegin();
  for (std::int32_t c : Cells) ACBScriptAppend(c);
  ACBScriptEnd();
}

// More cells than this in one pass without a wait means the script runs in a circle.
constexpr int PassCellLimit = 10000;

void ScriptError(std::int32_t Cell) {
  if (Model().ACBScript.ErrorShown) return;
  Model().ACBScript.ErrorShown = 1;
  if (ecu::Session().Hosts.Host)
    ecu::Session().Hosts.Host->ShowMessageWindow(
        13, "Error In Script\n\rScript number : " + rtl::IntToStr(Model().ACBScript.Pos) +
                "\n\rScript : " + rtl::IntToStr(Cell));
}

bool IsCommand(std::int32_t Code) { return (Code >= 21 && Code <= 39) || (Code >= 50 && Code <= 60); }
bool IsKnownCondition(std::int32_t Code) { return Code >= 200 && Code <= 206; }
bool InScript(std::int64_t Pos) { return Pos >= 1 && Pos <= Model().ACBScript.Length; }

}  // namespace

void CreateACBAlgorithms() {
  const std::string d4 = "1+12+123+1234", d5 = "1+12+123+1234+12345", d6 = "14+1245+123456",
                    d8 = "15+1256+123567+12345678";
  Model().ACBAlgorithms[ACB_Default] = MakeAlgorithm(ACBAlgorithmNames[ACB_Default], d4, d5, d6, d8,
                                                     {{{5, 5, 5, 10, 0, 0},
                                                       {5, 5, 5, 5, 10, 0},
                                                       {5, 5, 10, 10, 10, 10},
                                                       {5, 5, 5, 10, 0, 0},
                                                       {5, 5, 5, 5, 10, 0},
                                                       {5, 5, 10, 10, 10, 10},
                                                       {100, 100, 50, 50, 0, 0},
                                                       {100, 100, 100, 50, 50, 0},
                                                       {100, 50, 50, 50, 50, 50}}});
  Model().ACBAlgorithms[ACB_OnlyOffset] = MakeAlgorithm(ACBAlgorithmNames[ACB_OnlyOffset], d4, d5, d6, d8,
                                                        {{{2, 2, 2, 10, 0, 0},
                                                          {2, 2, 2, 2, 10, 0},
                                                          {2, 2, 5, 5, 5, 10},
                                                          {2, 2, 2, 10, 0, 0},
                                                          {2, 2, 2, 2, 10, 0},
                                                          {2, 2, 5, 5, 5, 10},
                                                          {100, 100, 100, 50, 0, 0},
                                                          {100, 100, 100, 100, 50, 0},
                                                          {100, 100, 50, 50, 50, 50}}});
  Model().ACBAlgorithms[ACB_Fast] = MakeAlgorithm(ACBAlgorithmNames[ACB_Fast], d4, d5, d6, d8,
                                                  {{{2, 3, 4, 8, 0, 0},
                                                    {2, 3, 4, 4, 8, 0},
                                                    {2, 4, 8, 8, 8, 8},
                                                    {2, 3, 4, 8, 0, 0},
                                                    {2, 3, 4, 4, 8, 0},
                                                    {2, 4, 8, 8, 8, 8},
                                                    {300, 300, 200, 150, 0, 0},
                                                    {300, 300, 200, 200, 150, 0},
                                                    {300, 200, 150, 150, 150, 150}}});
  TGroups high{};
  for (int g = 0; g < ACBParameterGroups; ++g) high[g][0] = g < 6 ? 10 : 100;
  Model().ACBAlgorithms[ACB_HighRPM] =
      MakeAlgorithm(ACBAlgorithmNames[ACB_HighRPM], "1234", "12345", "142536", "12345678", high);
}

int ACBAlgorithmIndex(const std::string& Name) {
  for (int i = 0; i < ACBAlgorithmCount; ++i)
    if (ACBAlgorithmNames[i] == Name) return i;
  return ACB_Fast;
}

TACBAlgorithmChoice ChooseACBAlgorithm(int Index, std::int32_t Cylinders) {
  if (Index < 0 || Index >= ACBAlgorithmCount) Index = ACB_Fast;
  const ACB_SCR_Class& a = Model().ACBAlgorithms[static_cast<std::size_t>(Index)];
  TACBAlgorithmChoice c;
  int row = 0;  // 0: 4 cylinders, 1: 5, 2: 6 and 8
  switch (Cylinders) {
    case 4: c.Order = a.Order4; break;
    case 5: c.Order = a.Order5, row = 1; break;
    case 6: c.Order = a.Order6, row = 2; break;
    case 8: c.Order = a.Order8, row = 2; break;
    default: c.Order = a.Order4, c.CountKnown = false; break;
  }
  for (int s = 1; s <= ACBStepCapacity; ++s) {
    TACBStepTimes& t = c.Steps[static_cast<std::size_t>(s - 1)];
    t.SettleMs = a.Parameter(1 + row, s) * 1000;
    t.MeasureMs = a.Parameter(4 + row, s) * 1000;
    t.Tolerance = a.Parameter(7 + row, s);
  }
  return c;
}

void ACBScriptBegin() {
  Model().ACBScript.Cells.fill(0);
  Model().ACBScript.Pos = 0;
  Model().ACBScript.Length = 0;
}

void ACBScriptAppend(std::int32_t Value) {
  if (Model().ACBScript.Length >= ACBScriptCapacity) return;
  Model().ACBScript.Cells[static_cast<std::size_t>(++Model().ACBScript.Length)] = Value;
  Model().ACBScript.Pos = Model().ACBScript.Length;
}

void ACBScriptEnd() { Model().ACBScript.Pos = 0; }

void BuildStandardScript() {
  Load({21, 22, 23, 200, 17, 24, 25, 26, 27, 29, 201, -9, 202, 5, 51, 28, 2, -7, 52, 2, -16, 54, 55, 56, 57, 3, 1, 30,
        0, 58, 59, 60});
}

void BuildHighRPMScript() {
  Load({21, 22, 30, 25, 26, 31, 4, 0, 32, 33, 34, 204, -2, 24, 35, 36, 33, 4, 6, 37, 204, -15, 206, -4, 4, 0,
        38, 14, 34, 205, -2, 38, 15, 39, 28, 29, 201, 10, 203, 4, 52, 2, 7, 51, 28, 2, -10, 23, 54, 55, 56, 57,
        3, 1, 30, 0, 58, 59, 60});
}

void BuildStopScript() { Load({50, 53, 56, 57, 3, 1, 30, 0, 58, 59, 60}); }

TACBPassEnd ACBScriptPass(TACBWorkers& Workers) {
  TACBScript& s = Model().ACBScript;
  int cells = 0;
  s.Wait = 0;
  auto ended = [&] {
    s.Wait = 0;
    return TACBPassEnd::ScriptEnded;
  };
  while (!s.Wait) {
    if (++cells > PassCellLimit) {
      ScriptError(InScript(s.Pos) ? s.Cells[static_cast<std::size_t>(s.Pos)] : 0);
      return ended();
    }
    // Step 1: the next cell.
    if (!InScript(static_cast<std::int64_t>(s.Pos) + 1)) return ended();
    ++s.Pos;
    std::int32_t cell = s.Cells[static_cast<std::size_t>(s.Pos)];
    // Steps 2..4: cells that move the position; then the cell under it is executed.
    const std::int64_t p = s.Pos;
    if (cell == 2 || cell == 3 || cell == 4) {
      if (!InScript(p + 1)) return ended();
      std::int64_t target = 0;
      if (cell == 2) {
        target = p + s.Cells[static_cast<std::size_t>(p + 1)];
      } else if (cell == 3) {
        if (!InScript(p + 3)) return ended();
        const std::int32_t back = s.Cells[static_cast<std::size_t>(p + 1)];
        const std::int32_t limit = s.Cells[static_cast<std::size_t>(p + 2)];
        std::int32_t& counter = s.Cells[static_cast<std::size_t>(p + 3)];
        if (counter < limit) {
          ++counter;
          target = p - back;
        } else {
          counter = 0;
          target = p + 4;
        }
      } else {
        s.Seconds = s.Cells[static_cast<std::size_t>(p + 1)];
        s.ReplyCountdown = Workers.OneSecondCount();
        target = p + 2;
      }
      if (!InScript(target)) return ended();
      s.Pos = static_cast<std::int32_t>(target);
      cell = s.Cells[static_cast<std::size_t>(s.Pos)];
    }
    // Step 5: execute.
    if (cell >= 20 && cell <= 199) {
      if (IsCommand(cell))
        s.Wait = Workers.Command(cell) ? 1 : 0;
      else
        ScriptError(cell);
    } else if (cell >= 200 && cell <= 254) {
      const std::int32_t at = s.Pos;
      bool holds = false;
      if (IsKnownCondition(cell))
        holds = Workers.Condition(cell);
      else
        ScriptError(cell);  // and it does not hold
      std::int64_t next = static_cast<std::int64_t>(at) + 1;
      if (holds && InScript(next)) next = at + static_cast<std::int64_t>(s.Cells[static_cast<std::size_t>(next)]);
      if (next < 0 || next > s.Length) return ended();
      s.Pos = static_cast<std::int32_t>(next);
      s.Wait = 0;
    } else {
      ScriptError(cell);
    }
  }
  s.Wait = 0;
  return TACBPassEnd::Waiting;
}

std::string ACBPrompt(int Number) {
  static const char* const keys[] = {"ACB_Prompt_Start",
                                     "ACB_Prompt_Wait",
                                     "ACB_Prompt_Execute",
                                     "ACB_Prompt_Clear_Influence",
                                     "ACB_Prompt_CLB_Transmit",
                                     "ACB_Prompt_CFG_Transmit",
                                     "ACB_Prompt_CLB_Idling",
                                     "ACB_Prompt_Restore_Influence",
                                     "ACB_Prompt_Restore_CLB",
                                     "ACB_Prompt_Support_Sample",
                                     "ACB_Prompt_Support_Transmit",
                                     "ACB_Prompt_set_RPM",
                                     "ACB_Prompt_raised_RPM",
                                     "ACB_Prompt_set_RPM_xx",
                                     "ACB_Prompt_ACB_Continue",
                                     "ACB_Prompt_Not_Petrol",
                                     "ACB_Prompt_Connect",
                                     "ACB_Prompt_Recommend_Max",
                                     "ACB_Prompt_Recommend_Min",
                                     "ACB_Prompt_Failed",
                                     "ACB_Prompt_Stopped",
                                     "ACB_Prompt_Finish",
                                     "ACB_Prompt_Completion"};
  if (Number < 1 || Number > 23) return "";
  return ecu::LngText(keys[Number - 1]);
}

}  // namespace app
