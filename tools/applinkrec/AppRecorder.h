// The recording stand-in with the application core's real parts in it: the settings object
// gives the link its settings, the colour table its colours, the status-line rotator shows
// its messages on the recorded status line (control DynamicIND), and the R.P.M. map's
// transfer runs instructions 56..63. Controls, windows and the automatic calibration stay
// recorded as Recorder keeps them.
#pragma once

#include "tools/linkrec/Recorder.h"

namespace linkrec {

class AppRecorder : public Recorder {
public:
  // Creates the settings with their defaults (no settings file is read), the colour table,
  // the status line and the default R.P.M. map, and installs the map's transfer.
  AppRecorder();
  ~AppRecorder() override;

  // ecu::TLinkHost: the settings object's fields.
  std::uint8_t Program_Code() const override;
  std::string Port_Name() const override;
  void SetPort_Name(const std::string& Value) override;
  bool Search_Port() const override;
  std::int32_t Reply_Delay() const override;
  std::string ColorText(ecu::TColorRole Role) const override;

  // ecu::TScriptHost: the status-line rotator.
  void AddStatusMessage(const std::string& Color, const std::string& Text) override;
  void RemoveStatusMessage(const std::string& Text) override;
  void StatusReceiveOn() override;
  void StatusReceiveOff() override;
};

}  // namespace linkrec
