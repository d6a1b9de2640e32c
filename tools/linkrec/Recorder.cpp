#include "tools/linkrec/Recorder.h"

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/SysUtils.h"

namespace linkrec {

using app::TControl;

Recorder::Recorder()
    : ProgramCode(app::Model().Settings.Program_Code),
      PortName(app::Model().Settings.Port_Name),
      SearchPort(app::Model().Settings.Search_Port),
      ReplyDelay(app::Model().Settings.Reply_Delay),
      installed_(*this) {
  app::Model().Settings.Reset();
  app::Model().Settings.Search_Port = false;
  app::SetDefaultColors();
  app::CreateStatusMessages();
  app::SetDefaultMapRPM();
}

Recorder::~Recorder() = default;

std::vector<Record> Recorder::Find(const std::string& Prefix) const {
  std::vector<Record> found;
  for (const Record& r : log_)
    if (r.What.compare(0, Prefix.size(), Prefix) == 0) found.push_back(r);
  return found;
}

std::vector<std::uint8_t> Recorder::MapRPMImage() const {
  const auto& received = app::Model().MapRPM.MapRPMTransfer.Received();
  const auto count = static_cast<std::size_t>(std::clamp<std::int32_t>(MapRPMBytesRead(), 0, 256));
  return std::vector<std::uint8_t>(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(count));
}

void Recorder::Add(const std::string& What) {
  log_.push_back(Record{rtl::GetTickCount(), What});
  if (OnRecord) OnRecord(log_.back());
}

void Recorder::SetPort_Name(const std::string& Value) {
  TCoreHost::SetPort_Name(Value);
  Add("setting Port_Name " + Value);
}

void Recorder::AddStatusMessage(ecu::TColorRole Tone, const std::string& Text) {
  Add("status + " + Text + " " + ColorText(Tone));
  TCoreHost::AddStatusMessage(Tone, Text);
}

void Recorder::RemoveStatusMessage(const std::string& Text) {
  Add("status - " + Text);
  TCoreHost::RemoveStatusMessage(Text);
}

void Recorder::StatusReceiveOn() {
  Add("status receive on");
  TCoreHost::StatusReceiveOn();
}

void Recorder::StatusReceiveOff() {
  Add("status receive off");
  TCoreHost::StatusReceiveOff();
}

void Recorder::RebuildMapRPMGrid() {
  TCoreHost::RebuildMapRPMGrid();
  const app::TMapRPMTransfer& t = app::Model().MapRPM.MapRPMTransfer;
  Add("map grid rebuilt " + rtl::IntToStr(t.ReadRows()) + "x" + rtl::IntToStr(t.ReadCols()));
}

void Recorder::UnpackMapRPMTable() {
  TCoreHost::UnpackMapRPMTable();
  Add("map unpacked " + rtl::IntToStr(MapRPMBytesRead()) + " bytes");
}

void Recorder::WriteTaskStarted(std::uint8_t Task) {
  Add("write task " + rtl::IntToStr(Task) + " started");
  TCoreHost::WriteTaskStarted(Task);
}

void Recorder::WriteTaskEnded(std::uint8_t Task, bool Completed) {
  Add("write task " + rtl::IntToStr(Task) + (Completed ? " ended" : " cut off"));
  TCoreHost::WriteTaskEnded(Task, Completed);
}

void Recorder::WriteNotSent(std::uint8_t Task, bool LinkDown) {
  Add("write task " + rtl::IntToStr(Task) + (LinkDown ? " not sent" : " replaced"));
  TCoreHost::WriteNotSent(Task, LinkDown);
}

void Recorder::EraseTaskEnded(std::uint8_t Task, bool Completed) {
  Add("erase task " + rtl::IntToStr(Task) + (Completed ? " ended" : " cut off"));
  TCoreHost::EraseTaskEnded(Task, Completed);
}

void Recorder::SetVisible(TControl C, bool Value) {
  if (Control(C).Visible == Value) return;
  Control(C).Visible = Value;
  Add(std::string(Value ? "show " : "hide ") + app::ControlId(C));
}

void Recorder::SetEnabled(TControl C, bool Value) {
  if (Control(C).Enabled == Value) return;
  Control(C).Enabled = Value;
  Add(std::string(Value ? "enable " : "disable ") + app::ControlId(C));
}

void Recorder::SetText(TControl C, const std::string& Text) {
  Control(C).Text = Text;
  Add(std::string("text ") + app::ControlId(C) + " " + Text);
}

void Recorder::SetColor(TControl C, const std::string& Color) {
  Control(C).Color = Color;
  Add(std::string("color ") + app::ControlId(C) + " " + Color);
}

void Recorder::SetTop(TControl C, float Value) { Control(C).Top = Value; }
void Recorder::SetHeight(TControl C, float Value) { Control(C).Height = Value; }

void Recorder::SetValue(TControl C, std::int32_t Value) {
  Control(C).Value = Value;
  Add(std::string("value ") + app::ControlId(C) + " " + rtl::IntToStr(Value));
}

bool Recorder::IsPressed(TControl C) const { return Control(C).Pressed; }

void Recorder::SetPressed(TControl C, bool Value) {
  Control(C).Pressed = Value;
  Add(std::string(Value ? "press " : "release ") + app::ControlId(C));
}

void Recorder::ApplyIndicatorFontSizes() { Add("indicator fonts"); }

void Recorder::ClearErrorMemo() { Memo.clear(); }

void Recorder::AddErrorMemoLine(const std::string& Text) {
  Memo.push_back(Text);
  Add("memo " + Text);
}

bool Recorder::LevelGasTimerEnabled() const { return LevelGasTimer; }
void Recorder::SetLevelGasTimer(bool On) { LevelGasTimer = On; }
void Recorder::UpdateLevelSensorImage() {}
void Recorder::ConfigToCFGPage() { Add("configuration page"); }
void Recorder::ConfigToUserPage() { Add("customer page"); }
void Recorder::UpdateMainCaption() { Add("caption"); }

void Recorder::ShowMessageWindow(std::uint8_t Kind, const std::string& Text) {
  Add("message " + rtl::IntToStr(Kind) + " " + Text);
}

void Recorder::CloseWaitWindow() {
  WaitWindowShown = false;
  Add("wait closed");
}

void Recorder::ShowPortWindow() {
  PortWindowShown = true;
  portWindow_.clear();
  Add("port window shown");
}

void Recorder::PortWindowChanged() {
  // One line for what the window shows now, recorded when it differs from the last one.
  const ecu::TForm_3D_Port* f = ecu::Session().Form_3D_Port;
  if (!f) return;
  std::string what = "port window";
  if (f->HudLabel_3D_Port_Search.Visible) what += ": " + f->HudLabel_3D_Port_Search.Text;
  std::string ports;
  for (const std::string& name : f->HudMemo_3D_Port.Lines) ports += (ports.empty() ? "" : " ") + name;
  what += "; ports listed " + f->HudLabel_3D_Port_Num_Data.Text + (ports.empty() ? "" : " (" + ports + ")");
  if (!f->HudLabel_3D_Port_Number.Text.empty())
    what += "; trying " + f->HudLabel_3D_Port_Number.Text + " of " + rtl::IntToStr(f->ProgressBar_3D_Port.Max) +
            ": " + f->HudLabel_3D_Port_Name_Data.Text;
  if (what == portWindow_) return;
  portWindow_ = what;
  Add(what);
}

void Recorder::ClosePortWindow() {
  PortWindowShown = false;
  Add("port window closed");
}

void Recorder::BuildCalibrationDiagram() { Add("diagram built"); }
void Recorder::RedrawCalibrationDiagram() {}
void Recorder::RedrawMapRPM() {}
void Recorder::StartStopAutoCalibration() {
  Add("auto calibration start/stop");
  TCoreHost::StartStopAutoCalibration();
}

void Recorder::AutoCalibrationReplyTick() {
  ++AutoCalibrationTicks;
  TCoreHost::AutoCalibrationReplyTick();
}
void Recorder::LinkEstablished() { Add("link up"); }
void Recorder::LinkLost() { Add("link down"); }
void Recorder::LiveDataReceived() { Add("live data"); }

void Recorder::ShowWaitWindow() {
  WaitWindowShown = true;
  Add("wait shown");
}

void Recorder::ShrinkWaitWindow() {
  // Shrunk to the main window's corner, the wait window is still shown.
  Add("wait shrunk");
}

void Recorder::AutoCalibrationWriteDone() {
  ++AutoCalibrationWrites;
  Add("auto calibration write done");
  TCoreHost::AutoCalibrationWriteDone();
}

void Recorder::RunAction(std::uint8_t Code) { Add("action " + rtl::IntToStr(Code)); }
void Recorder::CloseDiagramHistoryPanel() { Add("history panel closed"); }
void Recorder::MainFormEnglishText(std::string&) {}
void Recorder::SettingsEnglishText(std::string&) {}
void Recorder::SkinEnglishText(std::string&) {}

}  // namespace linkrec
