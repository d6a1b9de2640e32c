#include "ecu/Write_Requests.h"

#include <span>

#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Instruction_Unit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Session.h"
#include "ecu/Transmit_Unit.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

void AnnounceLength() {
  Session().Link.TxListLength = static_cast<std::uint8_t>(3 * Session().Link.ReadList.Count + 3);
}

// The list frame: address, command, the triples of Link.ReadList, checksum; as long as announced.
void ListRequest(std::uint8_t Command) {
  Session().Link.TxFrame[0] = Session().Link.LastFrame[0];
  Session().Link.TxFrame[1] = Command;
  if (Session().ConfigData.Configuration)
    Param_Pack_List(*Session().ConfigData.Configuration,
                    std::span<std::uint8_t>(Session().Link.TxFrame).subspan(2, Session().Link.TxFrame.size() - 3));
  Session().Link.TxLength = Session().Link.TxListLength;
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
  if (!Session().ConfigData.Configuration || Session().ConfigData.Configuration->Cfg_Name.empty() ||
      !Session().Link.SaveCfgPending)
    return;
  Session().Link.SaveCfgPending = 0;
  const std::string fileName = Session().Hosts.Host ? Session().Hosts.Host->CFG_Full_File_Name() : std::string();
  if (fileName.empty()) return;
  try {
    SaveConfigFile(fileName);
  } catch (const rtl::Exception& e) {
    // The dialogue goes on; the user learns that the file was not written.
    if (Session().Hosts.Host)
      Session().Hosts.Host->AddStatusMessage(TColorRole::Txt_Error, e.Message());
  }
}

}  // namespace ecu
