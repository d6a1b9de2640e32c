#include "app/core/Core_Host.h"

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Page.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "app/core/Msg_3D_Unit.h"
#include "app/core/SaveLoad_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/loop/Timer.h"

namespace app {

TCoreHost::TCoreHost() : qualityTimer_(std::make_unique<rtl::TTimer>(nullptr)) {
  qualityTimer_->SetEnabled(false);
  qualityTimer_->SetOnTimer([](rtl::TObject*) { ecu::UpdateConnectQuality(); });
}

TCoreHost::~TCoreHost() = default;

std::uint8_t TCoreHost::Program_Code() const { return Model().Settings.Program_Code; }
std::string TCoreHost::Port_Name() const { return Model().Settings.Port_Name; }
void TCoreHost::SetPort_Name(const std::string& Value) { Model().Settings.Port_Name = Value; }
bool TCoreHost::Search_Port() const { return Model().Settings.Search_Port; }
std::int32_t TCoreHost::Reply_Delay() const { return Model().Settings.Reply_Delay; }
std::string TCoreHost::CFG_Full_File_Name() const { return Model().Settings.CFG_Full_File_Name; }

void TCoreHost::SetCfgFileNames(const std::string& FileName, const std::string& FullFileName) {
  // The ECU names its file (it was read again): a customer's detail taken while it was away, and
  // kept in no file yet, is not lost to the file's details read next.
  SaveCustomerBeforeEcuFile(!FullFileName.empty());
  Model().Settings.CFG_File_Name = FileName;
  Model().Settings.CFG_Full_File_Name = FullFileName;
}

bool TCoreHost::MainWindowShown() const { return Model().Actions.MainWindowShown != 0; }

std::string TCoreHost::ColorText(ecu::TColorRole Role) const {
  using R = ecu::TColorRole;
  switch (Role) {
    case R::Petrol: return Model().Colors.ColorTable[Color_Petrol];
    case R::Automat: return Model().Colors.ColorTable[Color_Automat];
    case R::Gas: return Model().Colors.ColorTable[Color_Gas];
    case R::Port_Open: return Model().Colors.ColorTable[Color_Port_Open];
    case R::Port_Close: return Model().Colors.ColorTable[Color_Port_Close];
    case R::Txt_Complete: return Model().Colors.ColorTable[Color_Txt_Complete];
    case R::Txt_Error: return Model().Colors.ColorTable[Color_Txt_Error];
    case R::Txt_Information: return Model().Colors.ColorTable[Color_Txt_Information];
    case R::Neutral: break;
  }
  return "#FFFFFFFF";
}

std::string TCoreHost::LiveColorText(TLiveColor Color) const {
  switch (Color) {
    case TLiveColor::Petrol: return ColorText(ecu::TColorRole::Petrol);
    case TLiveColor::Automat: return ColorText(ecu::TColorRole::Automat);
    case TLiveColor::Gas: return ColorText(ecu::TColorRole::Gas);
    case TLiveColor::Alarm: return "#FFFF0000";
    case TLiveColor::Neutral: break;
  }
  return ColorText(ecu::TColorRole::Neutral);
}

void TCoreHost::ShowLiveSample(bool ModeShown) { PublishIndicators(IndicatorsViewOf(ecu::Session(), ModeShown)); }

void TCoreHost::PublishIndicators(const TIndicatorsView& View) {
  using C = TControl;
  if (View.ModeShown) {
    if (View.ModeKnown) {
      SetText(C::Work_Mode, View.WorkMode);
      SetColor(C::Work_Mode, LiveColorText(View.WorkModeColor));
      SetVisible(C::Circle_LevelGas_6, View.Circle6Shown);
    }
    for (int i = 0; i < LevelCircleCount; ++i)
      SetColor(LevelCircle(i), LiveColorText(View.Circles[static_cast<std::size_t>(i)]));
    SetVisible(C::CFG_LevelGas, View.LevelShown);
    SetVisible(C::CFG_LevelGas_Current, View.LevelShown);
  }
  static constexpr C Values[LiveValueCount] = {C::IND_Petrol_Data,   C::IND_Gas_Data,      C::IND_RPM_Data,
                                               C::IND_TempVap_Data,  C::IND_TempGas_Data,  C::IND_PressVap_Data,
                                               C::IND_PressColl_Data, C::IND_PressDiff_Data};
  // The order the display has always taken them in.
  for (TLiveValue v : {TLiveValue::Petrol, TLiveValue::Gas, TLiveValue::RPM, TLiveValue::PressVap, TLiveValue::PressColl,
                       TLiveValue::PressDiff, TLiveValue::TempVap, TLiveValue::TempGas})
    SetText(Values[static_cast<int>(v)], View.Values[static_cast<std::size_t>(v)]);
  SetText(C::CFG_LevelGas, View.Level);
}

void TCoreHost::ShowStatusMessage(ecu::TColorRole Tone, const std::string& Text) {
  app::ShowStatusMessage(ColorText(Tone), Text);
}

void TCoreHost::EcuDataSaved() {
  if (!Model().Actions.WritesAtClose) CloseWaitWindow();
}

void TCoreHost::ShowCloseWait() {
  ShowWaitWindow();
  // The program's own text, drawn as the page's texts are (the skin's text colour): the
  // information role's blue cannot be read on the dark status panel.
  app::AddStatusMessage(Model().Colors.ColorTable[Color_General], ecu::LngText("DynamicIND_Close_Wait"));
}

void TCoreHost::AddStatusMessage(ecu::TColorRole Tone, const std::string& Text) {
  app::AddStatusMessage(ColorText(Tone), Text);
}
void TCoreHost::RemoveStatusMessage(const std::string& Text) { app::RemoveStatusMessage(Text); }
void TCoreHost::StatusReceiveOn() { app::StatusReceiveOn(); }
void TCoreHost::StatusReceiveOff() { app::StatusReceiveOff(); }

void TCoreHost::CalcDiagramPoints() { app::CalcDiagramPoints(); }
void TCoreHost::PushDiagramHistory() { app::PushDiagramHistory(); }

void TCoreHost::SetDefaultMapRPM() { app::SetDefaultMapRPM(); }
void TCoreHost::RefreshMapRPMCells() { app::RefreshMapRPMCells(); }
void TCoreHost::LoadMapRPMTable() { app::LoadMapRPMTable(); }
bool TCoreHost::MapRPMKeysPresent() { return app::MapRPMKeysPresent(); }
void TCoreHost::SaveMapRPMTable() { app::SaveMapRPMTable(); }
void TCoreHost::MarkMapRPMLiveCell() { app::MarkMapRPMLiveCell(); }
void TCoreHost::RequestMapRPMHeader() { Model().MapRPM.MapRPMTransfer.RequestMapRPMHeader(); }
void TCoreHost::ReadMapRPMHeader() { Model().MapRPM.MapRPMTransfer.ReadMapRPMHeader(); }
void TCoreHost::RequestMapRPMChunk() { Model().MapRPM.MapRPMTransfer.RequestMapRPMChunk(); }
void TCoreHost::StoreMapRPMChunk() { Model().MapRPM.MapRPMTransfer.StoreMapRPMChunk(); }
void TCoreHost::RebuildMapRPMGrid() { Model().MapRPM.MapRPMTransfer.RebuildMapRPMGrid(); }
void TCoreHost::BeginMapRPMWrite() { Model().MapRPM.MapRPMTransfer.BeginMapRPMWrite(); }
void TCoreHost::NextMapRPMWriteChunk() { Model().MapRPM.MapRPMTransfer.NextMapRPMWriteChunk(); }
void TCoreHost::FillMapRPMWriteChunk() { Model().MapRPM.MapRPMTransfer.FillMapRPMWriteChunk(); }
void TCoreHost::UnpackMapRPMTable() { Model().MapRPM.MapRPMTransfer.UnpackMapRPMTable(); }
void TCoreHost::PackMapRPMTable() { app::PackMapRPMTable(); }
std::int32_t TCoreHost::MapRPMBytesRead() const { return Model().MapRPM.MapRPMTransfer.MapRPMBytesRead(); }
std::int32_t TCoreHost::MapRPMTotalBytes() const { return Model().MapRPM.MapRPMTransfer.MapRPMTotalBytes(); }
std::int32_t TCoreHost::MapRPMBytesWritten() const { return Model().MapRPM.MapRPMTransfer.MapRPMBytesWritten(); }
std::int32_t TCoreHost::MapRPMWriteTotal() const { return Model().MapRPM.MapRPMTransfer.MapRPMWriteTotal(); }

void TCoreHost::ParameterDefaulted() { app::ScheduleDefaultsWrite(); }

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

void TCoreHost::CFGPageToConfig() { TakeCFGPage(ecu::ConfigToCFGPageValues()); }

void TCoreHost::StartStopAutoCalibration() { app::StartStopAutoCalibration(); }
void TCoreHost::AutoCalibrationReplyTick() { app::AutoCalibrationReplyTick(); }
void TCoreHost::AutoCalibrationStep() { app::AutoCalibrationStep(); }
void TCoreHost::AutoCalibrationWriteDone() { app::AutoCalibrationWriteDone(); }

void TCoreHost::WriteTaskStarted(std::uint8_t) { ShowWaitWindow(); }

void TCoreHost::WriteTaskEnded(std::uint8_t, bool Completed) {
  if (Completed && ecu::Session().Link.ACBRunning) AutoCalibrationWriteDone();
  RemoveStatusMessage(ecu::LngText("DynamicIND_Transmission"));
  // The window stays, shrunk to its corner, while another write waits for its turn; after the
  // last one it goes, whether the ECU has reported its data saved or not. While the main
  // window's close waits for the ECU it stays as the close's sign, until the close goes on.
  if (!Model().Actions.WritesAtClose) {
    if (ecu::IsWriteTask(ecu::RequestedTask()))
      ShrinkWaitWindow();
    else
      CloseWaitWindow();
  }
  if (!Completed) ReportNotWritten(TNotWritten::LinkDown);
  NoteWritesAtClose();
}

void TCoreHost::WriteNotSent(std::uint8_t, bool LinkDown) {
  if (!ecu::Session().Link.TaskRunning && !Model().Actions.WritesAtClose) CloseWaitWindow();
  ReportNotWritten(LinkDown ? TNotWritten::LinkDown : TNotWritten::Replaced);
  NoteWritesAtClose();
}

void TCoreHost::EraseTaskEnded(std::uint8_t, bool Completed) {
  if (!Completed) ReportNotWritten(TNotWritten::LinkDown);
  NoteWritesAtClose();
}

void TCoreHost::NoteWritesAtClose() {
  if (Model().Actions.WritesAtClose && !WriteWaiting()) WritesAtCloseEnded();
}

}  // namespace app
