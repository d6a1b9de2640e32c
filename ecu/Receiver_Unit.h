// The dialogue-script interpreter and the task scripts. Every exchange with the ECU is a
// script of integer cells: instructions that build a request or decode the reply to the
// previous one, conditions, control steps (jumps, a counted loop, a switch to a sub-script)
// and end cells, at which the poll script takes the task the windows asked for.
//
// A run goes from cell to cell until an instruction has built a request (the send timer is
// then armed); it goes on after the next good reply.
#pragma once

#include <cstdint>

#include "ecu/Link_State.h"

namespace ecu {

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
void Script_Connect_Load();  // task 16 (also Link.HandshakeCount := 0)
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
// A write task or an erasure under way is cut off (the link went down, or the dialogue starts
// again): it ends unfinished. Nothing when none runs.
void End_Interrupted_Task();
// The erasures waiting behind other tasks are dropped, the host told of each
// (THost::WriteNotSent): the link went down, or a read of what may be another ECU was asked for.
void Drop_Erases_Waiting(bool LinkDown);

// The instruction of a code 20..199; nil where the code names none.
using TInstruction = void (*)();
TInstruction InstructionOf(std::int32_t Code);

}  // namespace ecu
