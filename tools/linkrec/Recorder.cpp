#include "tools/linkrec/Recorder.h"

#include <algorithm>

#include "ecu/Instruction_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/loop/Clock.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"

namespace linkrec {

using ecu::TLinkControl;

Recorder::Recorder() : qualityTimer_(std::make_unique<rtl::TTimer>(nullptr)) {
  qualityTimer_->SetEnabled(false);
  qualityTimer_->SetOnTimer([](rtl::TObject*) { ecu::UpdateConnectQuality(); });
  ecu::LinkHost = this;
  ecu::ScriptHost = this;
  ecu::MapRPMHost = this;
}

Recorder::~Recorder() {
  if (ecu::LinkHost == this) ecu::LinkHost = nullptr;
  if (ecu::ScriptHost == this) ecu::ScriptHost = nullptr;
  if (ecu::MapRPMHost == this) ecu::MapRPMHost = nullptr;
}

std::vector<Record> Recorder::Find(const std::string& Prefix) const {
  std::vector<Record> found;
  for (const Record& r : log_)
    if (r.What.compare(0, Prefix.size(), Prefix) == 0) found.push_back(r);
  return found;
}

void Recorder::Add(const std::string& What) {
  log_.push_back(Record{rtl::GetTickCount(), What});
  if (OnRecord) OnRecord(log_.back());
}

void Recorder::SetPort_Name(const std::string& Value) {
  PortName = Value;
  Add("setting Port_Name " + Value);
}

void Recorder::SetVisible(TLinkControl C, bool Value) {
  if (Control(C).Visible == Value) return;
  Control(C).Visible = Value;
  Add(std::string(Value ? "show " : "hide ") + ecu::LinkControlName(C));
}

void Recorder::SetEnabled(TLinkControl C, bool Value) {
  if (Control(C).Enabled == Value) return;
  Control(C).Enabled = Value;
  Add(std::string(Value ? "enable " : "disable ") + ecu::LinkControlName(C));
}

void Recorder::SetText(TLinkControl C, const std::string& Text) {
  Control(C).Text = Text;
  Add(std::string("text ") + ecu::LinkControlName(C) + " " + Text);
}

void Recorder::SetTextColor(TLinkControl C, const std::string& Color) {
  Control(C).Color = Color;
  Add(std::string("color ") + ecu::LinkControlName(C) + " " + Color);
}

void Recorder::SetValue(TLinkControl C, std::int32_t Value) {
  Control(C).Value = Value;
  Add(std::string("value ") + ecu::LinkControlName(C) + " " + rtl::IntToStr(Value));
}

bool Recorder::IsPressed(TLinkControl C) const { return Control(C).Pressed; }

void Recorder::SetPressed(TLinkControl C, bool Value) {
  Control(C).Pressed = Value;
  Add(std::string(Value ? "press " : "release ") + ecu::LinkControlName(C));
}

std::string Recorder::ColorText(ecu::TColorRole Role) const {
  switch (Role) {
    case ecu::TColorRole::Port_Open: return "#FFA4F964";
    case ecu::TColorRole::Port_Close: return "#FFF60000";
    case ecu::TColorRole::Txt_Error: return "#FFFF0000";
    case ecu::TColorRole::Txt_Information: return "#FFFFFFFF";
  }
  return "#FFFFFFFF";
}

void Recorder::ShowPortWindow() {
  PortWindowShown = true;
  portWindow_.clear();
  Add("port window shown");
}

void Recorder::PortWindowChanged() {
  // One line for what the window shows now, recorded when it differs from the last one.
  const ecu::TForm_3D_Port* f = ecu::Form_3D_Port;
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
void Recorder::StartStopAutoCalibration() { Add("auto calibration start/stop"); }
void Recorder::AutoCalibrationReplyTick() { ++AutoCalibrationTicks; }

void Recorder::ShowMessageWindow(std::uint8_t Kind, const std::string& Text) {
  Add("message " + rtl::IntToStr(Kind) + " " + Text);
}

void Recorder::ShowWaitWindow() {
  WaitWindowShown = true;
  Add("wait shown");
}

void Recorder::ShrinkWaitWindow() {
  WaitWindowShown = false;
  Add("wait shrunk");
}

void Recorder::AddStatusMessage(const std::string& Color, const std::string& Text) {
  if (std::find(StatusMessages.begin(), StatusMessages.end(), Text) == StatusMessages.end() &&
      StatusMessages.size() < 10)
    StatusMessages.push_back(Text);
  Add("status + " + Text + " " + Color);
}

void Recorder::RemoveStatusMessage(const std::string& Text) {
  StatusMessages.erase(std::remove(StatusMessages.begin(), StatusMessages.end(), Text), StatusMessages.end());
  Add("status - " + Text);
}

void Recorder::StatusReceiveOn() { Add("status receive on"); }
void Recorder::StatusReceiveOff() { Add("status receive off"); }

void Recorder::AutoCalibrationWriteDone() {
  ++AutoCalibrationWrites;
  Add("auto calibration write done");
}

// ---- R.P.M. map ------------------------------------------------------------------------

void Recorder::RequestMapRPMHeader() {
  ecu::TxLength = 5;
  ecu::RxExpectedLength = 5;
  ecu::BuildCommandFrame('/');
}

void Recorder::ReadMapRPMHeader() {
  const int columns = ecu::RxFrame[2], rows = ecu::RxFrame[3];
  MapColumns = columns >= 2 && columns <= 8 ? columns : 8;
  MapRows = rows >= 2 && rows <= 12 ? rows : 12;
  totalBytes_ = MapColumns * (MapRows + 2) + MapRows;
  bytesRead_ = 0;
  MapRPMImage.clear();
}

void Recorder::RequestMapRPMChunk() {
  chunk_ = std::clamp(totalBytes_ - bytesRead_, 1, 64);
  ecu::TxLength = 5;
  ecu::ExpectReply(chunk_);
  ecu::TxFrame[0] = ecu::LastFrame[0];
  ecu::TxFrame[1] = '7';
  ecu::TxFrame[2] = ecu::TxFrame[3] = static_cast<std::uint8_t>(chunk_);
  ecu::Frame_Finish();
}

void Recorder::StoreMapRPMChunk() {
  MapRPMImage.insert(MapRPMImage.end(), ecu::RxFrame.begin() + 2, ecu::RxFrame.begin() + 2 + chunk_);
  bytesRead_ += chunk_;
}

void Recorder::RebuildMapRPMGrid() { Add("map grid rebuilt " + rtl::IntToStr(MapColumns) + "x" + rtl::IntToStr(MapRows)); }

void Recorder::UnpackMapRPMTable() { Add("map unpacked " + rtl::IntToStr(static_cast<int>(MapRPMImage.size())) + " bytes"); }

void Recorder::PackMapRPMTable() {
  MapRPMWriteImage.assign({static_cast<std::uint8_t>(MapColumns), static_cast<std::uint8_t>(MapRows)});
  std::vector<std::uint8_t> image = MapRPMImage;
  image.resize(static_cast<std::size_t>(MapColumns * (MapRows + 2) + MapRows), 0x80);
  MapRPMWriteImage.insert(MapRPMWriteImage.end(), image.begin(), image.end());
  writeTotal_ = static_cast<std::int32_t>(MapRPMWriteImage.size());
  bytesWritten_ = 0;
}

void Recorder::BeginMapRPMWrite() {
  ecu::TxLength = 5;
  ecu::ExpectReply(0);
  ecu::TxFrame[0] = ecu::LastFrame[0];
  ecu::TxFrame[1] = '.';
  ecu::TxFrame[2] = static_cast<std::uint8_t>(MapColumns);
  ecu::TxFrame[3] = static_cast<std::uint8_t>(MapRows);
  ecu::Frame_Finish();
}

void Recorder::NextMapRPMWriteChunk() {
  chunk_ = std::clamp(writeTotal_ - bytesWritten_, 1, 64);
  ecu::TxListLength = static_cast<std::uint8_t>(chunk_ + 3);
}

void Recorder::FillMapRPMWriteChunk() {
  ecu::TxLength = static_cast<std::uint8_t>(chunk_ + 3);
  ecu::ExpectReply(0);
  ecu::TxFrame[0] = ecu::LastFrame[0];
  ecu::TxFrame[1] = '6';
  for (int i = 0; i < chunk_; ++i) {
    const std::size_t at = static_cast<std::size_t>(bytesWritten_ + i);
    ecu::TxFrame[2 + i] = at < MapRPMWriteImage.size() ? MapRPMWriteImage[at] : 0;
  }
  bytesWritten_ += chunk_;
  ecu::Frame_Finish();
}

}  // namespace linkrec
