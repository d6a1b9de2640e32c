#include "ecu/Write_Requests.h"

#include <span>

#include "ecu/Config_Unit.h"
#include "ecu/Display_Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_Host.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Transmit_Unit.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

void AnnounceLength() { TxListLength = static_cast<std::uint8_t>(3 * ReadList.Count + 3); }

// The list frame: address, command, the triples of ReadList, checksum; as long as announced.
void ListRequest(std::uint8_t Command) {
  TxFrame[0] = LastFrame[0];
  TxFrame[1] = Command;
  if (Configuration) Param_Pack_List(*Configuration, std::span<std::uint8_t>(TxFrame).subspan(2, TxFrame.size() - 3));
  TxLength = TxListLength;
  ExpectReply(0);
  Frame_Finish();
}

}  // namespace

void Build_Write_List1() {
  Param_Write_List1();
  AnnounceLength();
}

void Request_Write_List1() { ListRequest('2'); }

void Build_Write_List2() {
  Param_Write_List2();
  AnnounceLength();
}

void Request_Write_List2() {
  CalcDiagramSlopes();
  ListRequest('3');
}

void Request_LiveData_Save() {
  Request_LiveData();
  if (!Configuration || Configuration->Cfg_Name.empty() || !SaveCfgPending) return;
  SaveCfgPending = 0;
  const std::string fileName = DisplayHost ? DisplayHost->CFG_Full_File_Name() : std::string();
  if (fileName.empty()) return;
  try {
    SaveConfigFile(fileName);
  } catch (const rtl::Exception& e) {
    // The dialogue goes on; the user learns that the file was not written.
    if (ScriptHost && LinkHost) ScriptHost->AddStatusMessage(LinkHost->ColorText(TColorRole::Txt_Error), e.Message());
  }
}

}  // namespace ecu
