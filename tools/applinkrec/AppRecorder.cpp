#include "tools/applinkrec/AppRecorder.h"

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"

namespace linkrec {

AppRecorder::AppRecorder() {
  app::Settings = std::make_unique<app::Settings_Class>();
  app::SetDefaultColors();
  app::CreateStatusMessages();
  app::SetDefaultMapRPM();
  ecu::MapRPMHost = &app::MapRPMTransfer;
}

AppRecorder::~AppRecorder() {
  if (ecu::MapRPMHost == &app::MapRPMTransfer) ecu::MapRPMHost = nullptr;
  app::FreeStatusMessages();
}

std::uint8_t AppRecorder::Program_Code() const { return app::Settings->Program_Code; }
std::string AppRecorder::Port_Name() const { return app::Settings->Port_Name; }

void AppRecorder::SetPort_Name(const std::string& Value) {
  app::Settings->Port_Name = Value;
  Recorder::SetPort_Name(Value);
}

bool AppRecorder::Search_Port() const { return app::Settings->Search_Port; }
std::int32_t AppRecorder::Reply_Delay() const { return app::Settings->Reply_Delay; }

std::string AppRecorder::ColorText(ecu::TColorRole Role) const {
  switch (Role) {
    case ecu::TColorRole::Port_Open: return app::ColorTable[app::Color_Port_Open];
    case ecu::TColorRole::Port_Close: return app::ColorTable[app::Color_Port_Close];
    case ecu::TColorRole::Txt_Error: return app::ColorTable[app::Color_Txt_Error];
    case ecu::TColorRole::Txt_Information: return app::ColorTable[app::Color_Txt_Information];
  }
  return app::ColorTable[app::Color_General];
}

void AppRecorder::AddStatusMessage(const std::string& Color, const std::string& Text) { app::AddStatusMessage(Color, Text); }
void AppRecorder::RemoveStatusMessage(const std::string& Text) { app::RemoveStatusMessage(Text); }
void AppRecorder::StatusReceiveOn() { app::StatusReceiveOn(); }
void AppRecorder::StatusReceiveOff() { app::StatusReceiveOff(); }

}  // namespace linkrec
