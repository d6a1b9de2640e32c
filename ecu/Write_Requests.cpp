#include "ecu/Write_Requests.h"

#include <span>

#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Transmit_Unit.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

void AnnounceLength() { Link.TxListLength = static_cast<std::uint8_t>(3 * Link.ReadList.Count + 3); }

// The list frame: address, command, the triples of Link.ReadList, checksum; as long as announced.
void ListRequest(std::uint8_t Command) {
  Link.TxFrame[0] = Link.LastFrame[0];
  Link.TxFrame[1] = Command;
  if (ConfigData.Configuration)
    Param_Pack_List(*ConfigData.Configuration,
                    std::span<std::uint8_t>(Link.TxFrame).subspan(2, Link.TxFrame.size() - 3));
  Link.TxLength = Link.TxListLength;
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
  if (!ConfigData.Configuration || ConfigData.Configuration->Cfg_Name.empty() || !Link.SaveCfgPending) return;
  Link.SaveCfgPending = 0;
  const std::string fileName = Hosts.Host ? Hosts.Host->CFG_Full_File_Name() : std::string();
  if (fileName.empty()) return;
  try {
    SaveConfigFile(fileName);
  } catch (const rtl::Exception& e) {
    // The dialogue goes on; the user learns that the file was not written.
    if (Hosts.Host) Hosts.Host->AddStatusMessage(Hosts.Host->ColorText(TColorRole::Txt_Error), e.Message());
  }
}

}  // namespace ecu
