// A recording window adapter for the application core: the core host with every window step
// recorded instead of drawn. It keeps the state of every control the core sets and logs
// each window step and each of the link's events with the time of the application's clock;
// the program's behaviour (settings, colours, status line, map, diagram, action queue) is the
// core's own. Tests assert on it; the headless runner prints it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/Core_Host.h"
#include "app/core/Window_Steps.h"

namespace linkrec {

struct ControlState {
  bool Visible = false;
  bool Enabled = true;
  bool Pressed = false;
  std::string Text;
  std::string Color;
  std::int32_t Value = 0;
  float Top = -1, Height = -1;
};

struct Record {
  double Time = 0;   // application clock, milliseconds
  std::string What;  // "text Port_Connect_Stabil 98%", "message 13 ...", "wait shown" ...
};

class Recorder : public app::TCoreHost {
public:
  // Puts the settings' defaults in place with the port search off, the default colours, an
  // empty status line and the default R.P.M. map, and installs itself as the host until it
  // is destroyed.
  Recorder();
  ~Recorder() override;

  // The settings the link reads (fields of app::Settings).
  std::uint8_t& ProgramCode;
  std::string& PortName;
  bool& SearchPort;
  std::int32_t& ReplyDelay;

  const ControlState& Control(app::TControl Which) const { return controls_[static_cast<int>(Which)]; }
  ControlState& Control(app::TControl Which) { return controls_[static_cast<int>(Which)]; }
  const std::vector<Record>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // Records whose text starts with Prefix.
  std::vector<Record> Find(const std::string& Prefix) const;
  // Called with every new record (the runner prints them).
  std::function<void(const Record&)> OnRecord;

  // Window state.
  bool PortWindowShown = false;
  bool WaitWindowShown = false;
  bool LevelGasTimer = false;
  std::vector<std::string> Memo;  // HudMemo_CFG_Errors
  int AutoCalibrationTicks = 0;
  int AutoCalibrationWrites = 0;
  // The bytes of the R.P.M. map read from the ECU so far.
  std::vector<std::uint8_t> MapRPMImage() const;

  // ---- Steps recorded, then done as the core does them.
  void SetPort_Name(const std::string& Value) override;
  void AddStatusMessage(ecu::TColorRole Tone, const std::string& Text) override;
  void RemoveStatusMessage(const std::string& Text) override;
  void StatusReceiveOn() override;
  void StatusReceiveOff() override;
  void RebuildMapRPMGrid() override;
  void UnpackMapRPMTable() override;
  void WriteTaskStarted(std::uint8_t Task) override;
  void WriteTaskEnded(std::uint8_t Task, bool Completed) override;
  void WriteNotSent(std::uint8_t Task, bool LinkDown) override;
  void EraseTaskEnded(std::uint8_t Task, bool Completed) override;

  // ---- Window steps (app/core/Window_Steps.h), recorded. No window keeps texts of its own
  // here; the level sensor's picture, the diagram and the map draw nothing.
  APP_WINDOW_STEPS(APP_WINDOW_STEP_OVERRIDE)

protected:
  void Add(const std::string& What);

private:
  std::string portWindow_;  // what the port window showed last
  ControlState controls_[app::ControlCount];
  std::vector<Record> log_;
  // Last, so that the host is uninstalled before anything of it goes.
  app::TCoreHostScope installed_;
};

}  // namespace linkrec
