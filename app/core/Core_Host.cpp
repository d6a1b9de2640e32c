#include "app/core/Core_Host.h"

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Page.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Msg_3D_Unit.h"
#include "app/core/SaveLoad_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Port_3D_Connect.h"
#include "platform/loop/Timer.h"

namespace app {

TCoreHost* CoreHost = nullptr;

TCoreHost::TCoreHost() : qualityTimer_(std::make_unique<rtl::TTimer>(nullptr)) {
  qualityTimer_->SetEnabled(false);
  qualityTimer_->SetOnTimer([](rtl::TObject*) { ecu::UpdateConnectQuality(); });
}

TCoreHost::~TCoreHost() = default;

std::uint8_t TCoreHost::Program_Code() const { return Settings.Program_Code; }
std::string TCoreHost::Port_Name() const { return Settings.Port_Name; }
void TCoreHost::SetPort_Name(const std::string& Value) { Settings.Port_Name = Value; }
bool TCoreHost::Search_Port() const { return Settings.Search_Port; }
std::int32_t TCoreHost::Reply_Delay() const { return Settings.Reply_Delay; }
std::string TCoreHost::CFG_Full_File_Name() const { return Settings.CFG_Full_File_Name; }

void TCoreHost::SetCfgFileNames(const std::string& FileName, const std::string& FullFileName) {
  Settings.CFG_File_Name = FileName;
  Settings.CFG_Full_File_Name = FullFileName;
}

bool TCoreHost::MainWindowShown() const { return Actions.MainWindowShown != 0; }

std::string TCoreHost::ColorText(ecu::TColorRole Role) const {
  using R = ecu::TColorRole;
  switch (Role) {
    case R::Petrol: return Colors.ColorTable[Color_Petrol];
    case R::Automat: return Colors.ColorTable[Color_Automat];
    case R::Gas: return Colors.ColorTable[Color_Gas];
    case R::Port_Open: return Colors.ColorTable[Color_Port_Open];
    case R::Port_Close: return Colors.ColorTable[Color_Port_Close];
    case R::Txt_Complete: return Colors.ColorTable[Color_Txt_Complete];
    case R::Txt_Error: return Colors.ColorTable[Color_Txt_Error];
    case R::Txt_Information: return Colors.ColorTable[Color_Txt_Information];
    case R::Neutral: break;
  }
  return "#FFFFFFFF";
}

void TCoreHost::ShowStatusMessage(const std::string& Color, const std::string& Text) {
  app::ShowStatusMessage(Color, Text);
}
void TCoreHost::AddStatusMessage(const std::string& Color, const std::string& Text) {
  app::AddStatusMessage(Color, Text);
}
void TCoreHost::RemoveStatusMessage(const std::string& Text) { app::RemoveStatusMessage(Text); }
void TCoreHost::StatusReceiveOn() { app::StatusReceiveOn(); }
void TCoreHost::StatusReceiveOff() { app::StatusReceiveOff(); }

void TCoreHost::CalcDiagramPoints() { app::CalcDiagramPoints(); }
void TCoreHost::PushDiagramHistory() { app::PushDiagramHistory(); }

void TCoreHost::SetDefaultMapRPM() { app::SetDefaultMapRPM(); }
void TCoreHost::RefreshMapRPMCells() { app::RefreshMapRPMCells(); }
void TCoreHost::LoadMapRPMTable() { app::LoadMapRPMTable(); }
void TCoreHost::SaveMapRPMTable() { app::SaveMapRPMTable(); }
void TCoreHost::MarkMapRPMLiveCell() { app::MarkMapRPMLiveCell(); }
void TCoreHost::RequestMapRPMHeader() { MapRPM.MapRPMTransfer.RequestMapRPMHeader(); }
void TCoreHost::ReadMapRPMHeader() { MapRPM.MapRPMTransfer.ReadMapRPMHeader(); }
void TCoreHost::RequestMapRPMChunk() { MapRPM.MapRPMTransfer.RequestMapRPMChunk(); }
void TCoreHost::StoreMapRPMChunk() { MapRPM.MapRPMTransfer.StoreMapRPMChunk(); }
void TCoreHost::RebuildMapRPMGrid() { MapRPM.MapRPMTransfer.RebuildMapRPMGrid(); }
void TCoreHost::BeginMapRPMWrite() { MapRPM.MapRPMTransfer.BeginMapRPMWrite(); }
void TCoreHost::NextMapRPMWriteChunk() { MapRPM.MapRPMTransfer.NextMapRPMWriteChunk(); }
void TCoreHost::FillMapRPMWriteChunk() { MapRPM.MapRPMTransfer.FillMapRPMWriteChunk(); }
void TCoreHost::UnpackMapRPMTable() { MapRPM.MapRPMTransfer.UnpackMapRPMTable(); }
void TCoreHost::PackMapRPMTable() { app::PackMapRPMTable(); }
std::int32_t TCoreHost::MapRPMBytesRead() const { return MapRPM.MapRPMTransfer.MapRPMBytesRead(); }
std::int32_t TCoreHost::MapRPMTotalBytes() const { return MapRPM.MapRPMTransfer.MapRPMTotalBytes(); }
std::int32_t TCoreHost::MapRPMBytesWritten() const { return MapRPM.MapRPMTransfer.MapRPMBytesWritten(); }
std::int32_t TCoreHost::MapRPMWriteTotal() const { return MapRPM.MapRPMTransfer.MapRPMWriteTotal(); }

void TCoreHost::ScheduleTransmit(int Kind) { app::ScheduleTransmit(static_cast<std::uint8_t>(Kind)); }

void TCoreHost::EnglishText(std::string& Text) {
  MainFormEnglishText(Text);
  if (Text.empty()) SettingsEnglishText(Text);
  if (Text.empty()) SkinEnglishText(Text);
  if (Text.empty()) ColorsEnglishText(Text);
  if (Text.empty()) MapRPMEnglishText(Text);
  if (Text.empty()) SaveLoadEnglishText(Text);
  if (Text.empty()) MessageEnglishText(Text);
}

void TCoreHost::ColorsEnglishText(std::string& Text) { app::ColorsEnglishText(Text); }

void TCoreHost::CFGPageToConfig() { ecu::CFG_Page_To_Config(ecu::ConfigToCFGPageValues()); }

void TCoreHost::StartStopAutoCalibration() { app::StartStopAutoCalibration(); }
void TCoreHost::AutoCalibrationReplyTick() { app::AutoCalibrationReplyTick(); }
void TCoreHost::AutoCalibrationStep() { app::AutoCalibrationStep(); }
void TCoreHost::AutoCalibrationWriteDone() { app::AutoCalibrationWriteDone(); }

void TCoreHost::WriteTaskStarted(std::uint8_t) { ShowWaitWindow(); }

void TCoreHost::WriteTaskEnded(std::uint8_t, bool Completed) {
  if (Completed && ecu::Link.ACBRunning) AutoCalibrationWriteDone();
  RemoveStatusMessage(ecu::LngText("DynamicIND_Transmission"));
  ShrinkWaitWindow();
}

}  // namespace app
