// The dialogue-script interpreter and the task scripts. Every exchange with the ECU is a
// script of integer cells: instructions that build a request or decode the reply to the
// previous one, conditions, control steps (jumps, a counted loop, a switch to a sub-script)
// and end cells, at which the poll script takes the task the windows asked for.
//
// A run goes from cell to cell until an instruction has built a request (the send timer is
// then armed); it goes on after the next good reply.
#pragma once

#include <array>
#include <cstdint>

namespace ecu {

constexpr int ScriptCellCount = 100;
// Cells 1..100 (entry 0 is not used).
extern std::array<std::int32_t, ScriptCellCount + 1> ScriptCells;
extern std::int32_t ScriptPos;          // current cell; 0 before the first
extern std::uint8_t ScriptErrorShown;   // the script-error message has been shown in this run of the program
extern std::uint8_t TaskRunning;        // a write task (20..24) runs
extern std::uint8_t SaveCfgPending;     // set when a write task starts
// Cells one run may dispatch before the script counts as faulty (the built-in scripts need
// fewer than 40).
constexpr int ScriptRunLimit = 1000;

// Cell values.
enum : std::int32_t {
  Cell_End = 0,
  Cell_Jump = 1,
  Cell_JumpRelative = 2,
  Cell_Loop = 3,
  Cell_SubScript = 5,
  Cell_Condition_MapRead = 200,
  Cell_Condition_MapWritten = 201,
  Cell_EndWriteTask = 100,
};

void Script_Run();
void Script_Connect();
void Script_Push(std::int32_t Value);
void Script_Next_Task();
void Script_Instruction();
void Script_Condition();
void Script_Load_Sub();
// Shows "Error In Script" with the position and the cell's value, the first time only.
void Script_Error(std::int32_t Cell);

// The script loaders.
void Script_Connect_Load();  // task 16 (also HandshakeCount := 0)
void Script_Poll();          // sub-script 0
void Script_Task17();
void Script_Task18();
void Script_Task19();
void Script_Task20();
void Script_Task21();
void Script_Task22();
void Script_Task23();
void Script_Task24();
void Script_Task25();
void Script_Task26();
void Script_Task27();
void Script_Task28();

// Instruction 100: the end of a write task.
void End_Write_Task();

// The instruction of a code 20..199; nil where the code names none.
using TInstruction = void (*)();
TInstruction InstructionOf(std::int32_t Code);

// Clears the script and the task flags (program start; tests). ScriptErrorShown stays.
void Script_Clear();

}  // namespace ecu
