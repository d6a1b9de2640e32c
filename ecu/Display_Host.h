// What the ECU's replies show on the main window: the indicator panels and their labels, the
// work mode and the gas-level circles, the error memo, the status line's shown message, the
// calibration and map pages' live marks, the customer page, and the settings' configuration
// file names. The application installs one implementation; tests and the headless runner
// install recording ones. Everything here runs on the GUI thread.
#pragma once

#include <cstdint>
#include <string>

namespace ecu {

// Controls of the main window that the live data and the firmware family set.
enum class TDisplayControl : std::uint8_t {
  IND_Petrol,         // HudPanel_IND_Petrol
  IND_Gas,            // HudPanel_IND_Gas
  IND_RPM,            // HudPanel_IND_RPM
  IND_TempVap,        // HudPanel_IND_TempVap
  IND_TempGas,        // HudPanel_IND_TempGas
  IND_PressVap,       // HudPanel_IND_PressVap
  IND_PressColl,      // HudPanel_IND_PressColl
  IND_PressDiff,      // HudPanel_IND_PressDiff
  IND_Petrol_Name,    // HudLabel_IND_Petrol_Name
  IND_Gas_Name,       // HudLabel_IND_Gas_Name
  IND_RPM_Name,       // HudLabel_IND_RPM_Name
  IND_TempVap_Name,   // HudLabel_IND_TempVap_Name
  IND_Petrol_Data,    // HudLabel_IND_Petrol_Data
  IND_Gas_Data,       // HudLabel_IND_Gas_Data
  IND_RPM_Data,       // HudLabel_IND_RPM_Data
  IND_TempVap_Data,   // HudLabel_IND_TempVap_Data
  IND_TempGas_Data,   // HudLabel_IND_TempGas_Data
  IND_PressVap_Data,  // HudLabel_IND_PressVap_Data
  IND_PressColl_Data, // HudLabel_IND_PressColl_Data
  IND_PressDiff_Data, // HudLabel_IND_PressDiff_Data
  Work_Mode,          // HudLabel_Work_Mode
  CFG_LevelGas,       // HudNumberBox_CFG_LevelGas
  CFG_LevelGas_Current,  // HudLabel_CFG_LevelGas_Current
  Circle_LevelGas_0,  // Circle_LevelGas_0 .. Circle_LevelGas_6 follow in order
  Circle_LevelGas_1,
  Circle_LevelGas_2,
  Circle_LevelGas_3,
  Circle_LevelGas_4,
  Circle_LevelGas_5,
  Circle_LevelGas_6,
};
constexpr int DisplayControlCount = 30;
const char* DisplayControlName(TDisplayControl Control);
constexpr TDisplayControl LevelCircle(int Index) {
  return static_cast<TDisplayControl>(static_cast<int>(TDisplayControl::Circle_LevelGas_0) + Index);
}

// Colours of the colour table (and the neutral circle colour) that the display uses.
enum class TDisplayColor : std::uint8_t { Petrol, Automat, Gas, Txt_Complete, Txt_Error, Txt_Information, Neutral };

class TDisplayHost {
public:
  virtual ~TDisplayHost() = default;

  virtual void SetVisible(TDisplayControl Control, bool Value) = 0;
  virtual void SetTop(TDisplayControl Control, float Value) = 0;
  virtual void SetHeight(TDisplayControl Control, float Value) = 0;
  virtual void SetText(TDisplayControl Control, const std::string& Text) = 0;
  // Text colour of a label; fill colour of a circle ("#AARRGGBB").
  virtual void SetColor(TDisplayControl Control, const std::string& Color) = 0;
  virtual std::string ColorText(TDisplayColor Color) const = 0;

  // Puts the settings' indicator font sizes into their track bars and applies them
  // (SetIndicatorNameFontSize, SetIndicatorDataFontSize).
  virtual void ApplyIndicatorFontSizes() = 0;

  // HudMemo_CFG_Errors.
  virtual void ClearErrorMemo() = 0;
  virtual void AddErrorMemoLine(const std::string& Text) = 0;

  // The status line: shows the text at once and restarts the rotation.
  virtual void ShowStatusMessage(const std::string& Color, const std::string& Text) = 0;
  // Closes the wait window (the ECU has saved its data).
  virtual void CloseWaitWindow() = 0;

  // Timer_LevelGas; switching it on also sets the blink flag.
  virtual bool LevelGasTimerEnabled() const = 0;
  virtual void SetLevelGasTimer(bool On) = 0;

  virtual void UpdateLevelSensorImage() = 0;
  virtual void RedrawCalibrationDiagram() = 0;
  virtual void PushDiagramHistory() = 0;
  virtual void MarkMapRPMLiveCell() = 0;
  virtual void AutoCalibrationStep() = 0;
  // Shows the customer texts of the configuration on the customer page.
  virtual void ConfigToUserPage() = 0;

  // The settings' CFG_File_Name and CFG_Full_File_Name.
  virtual std::string CFG_Full_File_Name() const = 0;
  virtual void SetCfgFileNames(const std::string& FileName, const std::string& FullFileName) = 0;
};

extern TDisplayHost* DisplayHost;  // none: nothing is shown

}  // namespace ecu
