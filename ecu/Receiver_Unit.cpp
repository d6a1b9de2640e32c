#include "ecu/Receiver_Unit.h"

#include <algorithm>
#include <initializer_list>

#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Language.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Procedures_Unit.h"
#include "ecu/Reply_Decoders.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "ecu/Write_Requests.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

bool InScript(std::int64_t Pos) { return Pos >= 1 && Pos <= ScriptCellCount; }

// A position outside the cells stays outside after the next increment.
std::int32_t ClampPos(std::int64_t Pos) {
  return (Pos >= 0 && Pos <= ScriptCellCount) ? static_cast<std::int32_t>(Pos) : ScriptCellCount + 1;
}

void Load(std::initializer_list<std::int32_t> Cells) {
  Session().Link.ScriptPos = 0;
  for (std::int32_t cell : Cells) Script_Push(cell);
}

void Status_Receive_On() { Host().StatusReceiveOn(); }
void Status_Receive_Off() { Host().StatusReceiveOff(); }
void Map_Header_Request() { Host().RequestMapRPMHeader(); }
void Map_Header_Read() { Host().ReadMapRPMHeader(); }
void Map_Chunk_Request() { Host().RequestMapRPMChunk(); }
void Map_Chunk_Store() { Host().StoreMapRPMChunk(); }
void Map_Grid_Rebuild() { Host().RebuildMapRPMGrid(); }
void Map_Write_Begin() { Host().BeginMapRPMWrite(); }
void Map_Write_Next() { Host().NextMapRPMWriteChunk(); }
void Map_Write_Fill() { Host().FillMapRPMWriteChunk(); }

struct TInstructionTable {
  std::array<TInstruction, 200> Entries{};
  TInstructionTable() {
    Entries[21] = Request_Mode_Gas;
    Entries[22] = Request_Mode_Petrol;
    Entries[23] = Request_Mode_Mode1;
    Entries[24] = Status_Receive_On;
    Entries[25] = Status_Receive_Off;
    Entries[30] = Handshake_Step;
    Entries[31] = Handshake_Reply;
    Entries[32] = Request_Identification;
    Entries[33] = Decode_Identification;
    Entries[34] = Request_LiveData_Save;
    Entries[35] = DynamicIND_Update;
    Entries[36] = Request_CfgName;
    Entries[37] = Decode_CfgName;
    Entries[38] = Request_Params;
    Entries[39] = Decode_Params;
    Entries[40] = Request_Points;
    Entries[41] = Decode_Points;
    Entries[42] = Request_MapGas;
    Entries[43] = Decode_MapGas;
    Entries[44] = Request_MapPetrol;
    Entries[45] = Decode_MapPetrol;
    Entries[46] = Request_Announce;
    Entries[47] = Set_Name_Length;
    Entries[48] = Request_Name_Write;
    Entries[49] = Build_Write_List1;
    Entries[50] = Request_Write_List1;
    Entries[51] = Build_Write_List2;
    Entries[52] = Request_Write_List2;
    Entries[53] = Request_Erase_Gas;
    Entries[54] = Request_Erase_Petrol;
    Entries[55] = Request_Clear_Errors;
    Entries[56] = Map_Header_Request;
    Entries[57] = Map_Header_Read;
    Entries[58] = Map_Chunk_Request;
    Entries[59] = Map_Chunk_Store;
    Entries[60] = Map_Grid_Rebuild;
    Entries[61] = Map_Write_Begin;
    Entries[62] = Map_Write_Next;
    Entries[63] = Map_Write_Fill;
    Entries[100] = End_Write_Task;
  }
};

// One control step at the new position: false when the script leaves its cells.
bool Script_Step(std::int32_t& Cell) {
  ++Session().Link.ScriptPos;
  if (!InScript(Session().Link.ScriptPos)) return false;
  Cell = Session().Link.ScriptCells[Session().Link.ScriptPos];
  const std::int32_t k = Session().Link.ScriptPos;
  switch (Cell) {
    case Cell_Jump:
      if (!InScript(k + 1)) return false;
      Session().Link.ScriptPos = ClampPos(Session().Link.ScriptCells[k + 1]);
      break;
    case Cell_JumpRelative:
      if (!InScript(k + 1)) return false;
      Session().Link.ScriptPos = ClampPos(static_cast<std::int64_t>(k) + Session().Link.ScriptCells[k + 1]);
      break;
    case Cell_Loop: {
      if (!InScript(k + 3)) return false;
      const std::int32_t back = Session().Link.ScriptCells[k + 1];
      const std::int32_t limit = Session().Link.ScriptCells[k + 2];
      std::int32_t& counter = Session().Link.ScriptCells[k + 3];
      if (counter < limit) {
        ++counter;
        Session().Link.ScriptPos = ClampPos(static_cast<std::int64_t>(k) - back);
      } else {
        counter = 0;
        Session().Link.ScriptPos = k + 4;
      }
      break;
    }
    case Cell_SubScript:
      Script_Load_Sub();
      break;
    default:
      break;
  }
  return InScript(Session().Link.ScriptPos);
}

void Script_Dispatch() {
  const std::int32_t cell = Session().Link.ScriptCells[Session().Link.ScriptPos];
  if (cell == Cell_End)
    Script_Next_Task();
  else if (cell >= 20 && cell <= 199)
    Script_Instruction();
  else if (cell >= 200 && cell <= 254)
    Script_Condition();
  else
    Script_Error(cell);
}

}  // namespace

// The write task that the link's loss or restart cut off ends as instruction 100 would end
// it, but without telling the automatic calibration that its data went out, and without
// saving.
void End_Interrupted_Task() {
  if (const std::uint8_t erase = Session().Link.EraseTask) {
    Session().Link.EraseTask = 0;
    Host().EraseTaskEnded(erase, false);
  }
  if (!Session().Link.TaskRunning) return;
  const std::uint8_t task = Session().Link.WriteTask;
  Session().Link.TaskRunning = 0;
  Session().Link.WriteTask = 0;
  Session().Link.SaveCfgPending = 0;
  Host().WriteTaskEnded(task, false);
}

void Drop_Erases_Waiting(bool LinkDown) {
  TLinkState& link = Session().Link;
  const std::array<std::uint8_t, 3> waiting = link.ErasesWaiting;
  const std::uint8_t count = link.ErasesWaitingCount;
  link.ErasesWaiting.fill(0);
  link.ErasesWaitingCount = 0;
  if (!Session().Hosts.Host) return;
  for (std::uint8_t i = 0; i < count; ++i) Session().Hosts.Host->WriteNotSent(waiting[i], LinkDown);
}

TInstruction InstructionOf(std::int32_t Code) {
  static const TInstructionTable table;
  return (Code >= 20 && Code <= 199) ? table.Entries[static_cast<std::size_t>(Code)] : nullptr;
}

void Script_Push(std::int32_t Value) {
  ++Session().Link.ScriptPos;
  if (InScript(Session().Link.ScriptPos)) Session().Link.ScriptCells[Session().Link.ScriptPos] = Value;
}

void Script_Run() {
  rtl::TTimer& sending = Port().SendTimer();
  sending.SetEnabled(false);
  Port().StepTimer().SetEnabled(false);
  int dispatched = 0;
  do {
    std::int32_t cell = 0;
    if (!Script_Step(cell) || ++dispatched > ScriptRunLimit) {
      // A faulty script: it left its cells or runs on without building a request. The run
      // stops; the step time-out then restarts the dialogue.
      Script_Error(cell);
      break;
    }
    Script_Dispatch();
  } while (!sending.Enabled());
  Port().StepTimer().SetEnabled(true);
}

void Script_Connect() {
  End_Interrupted_Task();
  Script_Connect_Load();
  Session().Link.ScriptPos = 0;
  Script_Run();
}

void Script_Instruction() {
  const std::int32_t code = Session().Link.ScriptCells[Session().Link.ScriptPos];
  if (TInstruction instruction = InstructionOf(code))
    instruction();
  else
    Script_Error(code);
}

void Script_Condition() {
  const std::int32_t k = Session().Link.ScriptPos;
  const std::int32_t code = Session().Link.ScriptCells[k];
  bool holds = false;
  if (code == Cell_Condition_MapRead) {
    holds = Host().MapRPMBytesRead() >= Host().MapRPMTotalBytes();
    if (holds) Host().UnpackMapRPMTable();
  } else if (code == Cell_Condition_MapWritten) {
    holds = Host().MapRPMBytesWritten() >= Host().MapRPMWriteTotal();
  } else {
    // An unknown condition: reported, and its offset cell is passed over.
    Script_Error(code);
    Session().Link.ScriptPos = k + 1;
    return;
  }
  Session().Link.ScriptPos = k + 1;
  if (!holds)
    Session().Link.ScriptPos = InScript(k + 1)
                                   ? ClampPos(static_cast<std::int64_t>(k) + Session().Link.ScriptCells[k + 1])
                                   : Session().Link.ScriptPos;
}

void Script_Load_Sub() {
  ++Session().Link.ScriptPos;
  if (!InScript(Session().Link.ScriptPos)) return;
  const std::int32_t number = Session().Link.ScriptCells[Session().Link.ScriptPos];
  switch (number) {
    case 0: Script_Poll(); break;
    case 1: Script_Task17(); break;
    case 2: Script_Task18(); break;
    case 3: Script_Task19(); break;
    case 4: Script_Task21(); break;
    case 5: Script_Task22(); break;
    case 6: Script_Task23(); break;
    case 7: Script_Task24(); break;
    default:
      Script_Error(number);
      return;
  }
  Session().Link.ScriptPos = 1;
}

namespace {

bool EraseWaiting(std::uint8_t Task) {
  const TLinkState& link = Session().Link;
  return std::find(link.ErasesWaiting.begin(), link.ErasesWaiting.begin() + link.ErasesWaitingCount, Task) !=
         link.ErasesWaiting.begin() + link.ErasesWaitingCount;
}

// An erasure waits behind the other tasks: last, or first when it waited for its turn already.
void WaitBehind(std::uint8_t Task, bool First) {
  TLinkState& link = Session().Link;
  if (EraseWaiting(Task) || link.ErasesWaitingCount >= link.ErasesWaiting.size()) return;
  std::uint8_t* begin = link.ErasesWaiting.data();
  if (First) {
    std::copy_backward(begin, begin + link.ErasesWaitingCount, begin + link.ErasesWaitingCount + 1);
    *begin = Task;
  } else {
    begin[link.ErasesWaitingCount] = Task;
  }
  ++link.ErasesWaitingCount;
}

// The first erasure waiting, taken from the queue (0 when none waits).
std::uint8_t TakeEraseWaiting() {
  TLinkState& link = Session().Link;
  if (link.ErasesWaitingCount == 0) return 0;
  const std::uint8_t task = link.ErasesWaiting[0];
  std::copy(link.ErasesWaiting.begin() + 1, link.ErasesWaiting.end(), link.ErasesWaiting.begin());
  link.ErasesWaiting.back() = 0;
  --link.ErasesWaitingCount;
  return task;
}

}  // namespace

void RequestTask(TTask Task) {
  TLinkState& link = Session().Link;
  if (!link.LinkUp && Task != TTask::Connect && Task != TTask::None) return;
  std::uint8_t waiting = link.TaskRequest;
  std::uint8_t next = static_cast<std::uint8_t>(Task);
  if (WaitsItsTurn(next)) {
    // Asked for again while it waits: the same request. Behind whatever waits, or runs first
    // when nothing does.
    if (next == waiting || EraseWaiting(next)) return;
    if (waiting == 0 && link.ErasesWaitingCount == 0)
      link.TaskRequest = next;
    else
      WaitBehind(next, false);
    return;
  }
  if (Task == TTask::Connect) {
    // What is read next may be another ECU: the erasures asked of this one go (told).
    Drop_Erases_Waiting(false);
  } else if (WaitsItsTurn(waiting) && Task != TTask::None) {
    // The erasure waiting goes after the new task, before those asked for after it.
    WaitBehind(waiting, true);
    link.TaskRequest = 0;
    waiting = 0;
  }
  if (IsWriteTask(waiting) && IsWriteTask(next) && waiting != next) {
    // Two writes asked for before the poll script took the first: the whole configuration
    // carries both (with the map's page packed first, as its own write would).
    const auto map = static_cast<std::uint8_t>(TTask::WriteMapRPM);
    if ((waiting == map || next == map) && Session().Hosts.Host) Session().Hosts.Host->PackMapRPMTable();
    next = static_cast<std::uint8_t>(TTask::WriteAll);
  }
  link.TaskRequest = next;
  // A change whose write the next task does not carry is dropped (two writes became one above).
  const bool carried = next == waiting || (IsWriteTask(waiting) && IsWriteTask(next));
  if (CarriesChange(waiting) && !carried && Session().Hosts.Host) Session().Hosts.Host->WriteNotSent(waiting, false);
}

TTask RequestedTask() { return static_cast<TTask>(Session().Link.TaskRequest); }

void Script_Next_Task() {
  if (Session().Link.TaskRunning) return;
  std::uint8_t task = Session().Link.TaskRequest;
  // No other task waits: the first erasure waiting behind the others runs now.
  if (task == 0) task = TakeEraseWaiting();
  if (IsEraseTask(task)) Session().Link.EraseTask = task;
  if (IsWriteTask(task)) {
    Session().Link.TaskRunning = 1;
    Session().Link.WriteTask = task;
    Session().Link.SaveCfgPending = 1;
    Host().WriteTaskStarted(task);
  }
  bool loaded = true;
  switch (task) {
    case 16: Script_Connect(); break;
    case 17: Script_Task17(); break;
    case 18: Script_Task18(); break;
    case 19: Script_Task19(); break;
    case 20: Script_Task20(); break;
    case 21: Script_Task21(); break;
    case 22: Script_Task22(); break;
    case 23: Script_Task23(); break;
    case 24: Script_Task24(); break;
    case 25: Script_Task25(); break;
    case 26: Script_Task26(); break;
    case 27: Script_Task27(); break;
    case 28: Script_Task28(); break;
    default: loaded = false; break;
  }
  Session().Link.TaskRequest = 0;
  if (loaded) Session().Link.ScriptPos = 0;
}

void Script_Error(std::int32_t Cell) {
  if (Session().Link.ScriptErrorShown) return;
  Session().Link.ScriptErrorShown = 1;
  Host().ShowMessageWindow(13, "Error In Script\n\rScript number : " + rtl::IntToStr(Session().Link.ScriptPos) +
                                   "\n\rScript : " + rtl::IntToStr(Cell));
}

void End_Write_Task() {
  const std::uint8_t task = Session().Link.WriteTask;
  Session().Link.TaskRunning = 0;
  Session().Link.WriteTask = 0;
  Host().WriteTaskEnded(task, true);
}

void Script_Connect_Load() {
  Session().Link.HandshakeCount = 0;
  Session().Link.Reading = 1;
  ++Session().Link.ReadCount;
  Load({30, 31, 32, 33, 24, 36, 37, 38, 39, 42, 43, 44, 45, 40, 41, 56, 57, 58, 59, 200, -3, 60, 25, 5, 0});
}
void Script_Poll() {
  Session().Link.Reading = 0;
  Session().Link.ReadUnfinished = 0;
  // The poll script follows an erasure once the ECU has answered its request: it is done.
  if (const std::uint8_t erase = Session().Link.EraseTask) {
    Session().Link.EraseTask = 0;
    Host().EraseTaskEnded(erase, true);
  }
  Load({34, 35, 42, 43, 44, 45, 0, 1, 1});
}
void Script_Task17() { Load({21, 5, 0}); }
void Script_Task18() { Load({22, 5, 0}); }
void Script_Task19() { Load({23, 5, 0}); }
void Script_Task20() { Load({47, 46, 48, 100, 5, 5}); }
void Script_Task21() { Load({47, 46, 48, 49, 46, 50, 51, 46, 52, 61, 62, 46, 63, 201, -4, 100, 5, 0}); }
void Script_Task22() { Load({49, 46, 50, 100, 5, 0}); }
void Script_Task23() { Load({51, 46, 52, 100, 5, 0}); }
void Script_Task24() {
  Host().PackMapRPMTable();
  Load({61, 62, 46, 63, 201, -4, 100, 5, 0});
}
void Script_Task25() { Load({55, 5, 0}); }
void Script_Task26() { Load({53, 51, 46, 52, 100, 5, 0}); }
void Script_Task27() { Load({53, 43, 5, 0}); }
void Script_Task28() { Load({54, 45, 5, 0}); }

}  // namespace ecu
