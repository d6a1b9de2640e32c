// A recording stand-in for the application around the ECU link: it keeps the settings the
// link reads, the state of every control the link sets, the messages, wait window and status
// line, and runs the R.P.M.-map transfer on a plain byte image. Each change is logged with
// the time of the application's clock. Tests assert on it; the headless runner prints it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ecu/Link_Host.h"

namespace rtl {
class TTimer;
}

namespace linkrec {

struct ControlState {
  bool Visible = false;
  bool Enabled = true;
  bool Pressed = false;
  std::string Text;
  std::string Color;
  std::int32_t Value = 0;
};

struct Record {
  double Time = 0;    // application clock, milliseconds
  std::string What;   // "text Port_Connect_Stabil 98%", "message 13 ...", "wait shown" ...
};

class Recorder : public ecu::TLinkHost, public ecu::TScriptHost, public ecu::TMapRPMHost {
public:
  // Installs itself as the link's, the scripts' and the R.P.M. map's host.
  Recorder();
  ~Recorder() override;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Settings.
  std::uint8_t ProgramCode = 25;
  std::string PortName = "COM1";
  bool SearchPort = false;
  std::int32_t ReplyDelay = 60;

  const ControlState& Control(ecu::TLinkControl Which) const { return controls_[static_cast<int>(Which)]; }
  ControlState& Control(ecu::TLinkControl Which) { return controls_[static_cast<int>(Which)]; }
  const std::vector<Record>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // Records whose text starts with Prefix.
  std::vector<Record> Find(const std::string& Prefix) const;
  // Called with every new record (the runner prints them).
  std::function<void(const Record&)> OnRecord;

  // Window state.
  bool PortWindowShown = false;
  bool WaitWindowShown = false;
  std::vector<std::string> StatusMessages;
  int AutoCalibrationTicks = 0;
  int AutoCalibrationWrites = 0;

  // R.P.M.-map transfer: the image read from the ECU (R period pairs, C time bytes, R x C
  // cells) and the one to write (R, C, then the same layout).
  std::vector<std::uint8_t> MapRPMImage;
  std::vector<std::uint8_t> MapRPMWriteImage;
  int MapColumns = 8, MapRows = 12;

  // ecu::TLinkHost
  std::uint8_t Program_Code() const override { return ProgramCode; }
  std::string Port_Name() const override { return PortName; }
  void SetPort_Name(const std::string& Value) override;
  bool Search_Port() const override { return SearchPort; }
  std::int32_t Reply_Delay() const override { return ReplyDelay; }
  void SetVisible(ecu::TLinkControl Control, bool Value) override;
  void SetEnabled(ecu::TLinkControl Control, bool Value) override;
  void SetText(ecu::TLinkControl Control, const std::string& Text) override;
  void SetTextColor(ecu::TLinkControl Control, const std::string& Color) override;
  void SetValue(ecu::TLinkControl Control, std::int32_t Value) override;
  bool IsPressed(ecu::TLinkControl Control) const override;
  void SetPressed(ecu::TLinkControl Control, bool Value) override;
  std::string ColorText(ecu::TColorRole Role) const override;
  rtl::TTimer& Timer_GEN_Connect_Stabil() override { return *qualityTimer_; }
  void ShowPortWindow() override;
  void PortWindowChanged() override;
  void ClosePortWindow() override;
  void StartStopAutoCalibration() override;
  void AutoCalibrationReplyTick() override;

  // ecu::TScriptHost
  void ShowMessageWindow(std::uint8_t Kind, const std::string& Text) override;
  void ShowWaitWindow() override;
  void ShrinkWaitWindow() override;
  void AddStatusMessage(const std::string& Color, const std::string& Text) override;
  void RemoveStatusMessage(const std::string& Text) override;
  void StatusReceiveOn() override;
  void StatusReceiveOff() override;
  void AutoCalibrationWriteDone() override;

  // ecu::TMapRPMHost
  void RequestMapRPMHeader() override;
  void ReadMapRPMHeader() override;
  void RequestMapRPMChunk() override;
  void StoreMapRPMChunk() override;
  void RebuildMapRPMGrid() override;
  void BeginMapRPMWrite() override;
  void NextMapRPMWriteChunk() override;
  void FillMapRPMWriteChunk() override;
  void UnpackMapRPMTable() override;
  void PackMapRPMTable() override;
  std::int32_t MapRPMBytesRead() const override { return bytesRead_; }
  std::int32_t MapRPMTotalBytes() const override { return totalBytes_; }
  std::int32_t MapRPMBytesWritten() const override { return bytesWritten_; }
  std::int32_t MapRPMWriteTotal() const override { return writeTotal_; }

private:
  void Add(const std::string& What);

  std::string portWindow_;  // what the port window showed last

  ControlState controls_[ecu::LinkControlCount];
  std::vector<Record> log_;
  std::unique_ptr<rtl::TTimer> qualityTimer_;
  std::int32_t bytesRead_ = 0, totalBytes_ = 0, bytesWritten_ = 0, writeTotal_ = 0;
  int chunk_ = 0;
};

}  // namespace linkrec
