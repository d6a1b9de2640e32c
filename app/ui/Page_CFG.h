// The Setup page of the main window (page 0): the configuration's switch-over settings, the
// gas level sensor with its five thresholds and lamps, the ECU's errors and the installer's
// customer details. Every control writes through the configuration and a delayed write of
// the page (kind 2); the customer boxes commit on Enter. Its text is
// app/ui/forms/Page_CFG.txt.
#pragma once

#include <array>
#include <cstdint>

#include "app/core/CFG_Page_View.h"
#include "app/ui/Window_Page.h"
#include "platform/rtl/InputTypes.h"

namespace vg {
class TvxCircle;
class TvxHudButton;
class TvxHudCheckBox;
class TvxHudComboTextBox;
class TvxHudGroupBox;
class TvxHudLabel;
class TvxHudMemo;
class TvxHudNumberBox;
class TvxHudTextBox;
class TvxHudTrackBar;
class TvxLine;
class TvxVisualObject;
}  // namespace vg

namespace app {

struct TPageCFGParts {
  vg::TvxHudGroupBox* HudGroupBox_CFG = nullptr;
  vg::TvxHudComboTextBox* HudComboTextBox_CFG_RPM_Prescaler = nullptr;
  vg::TvxHudComboTextBox* HudComboTextBox_CFG_PG_RPM = nullptr;
  vg::TvxHudComboTextBox* HudComboTextBox_CFG_PG_Temper = nullptr;
  vg::TvxHudComboTextBox* HudComboTextBox_CFG_PG_Time = nullptr;
  vg::TvxHudComboTextBox* HudComboTextBox_CFG_Injection = nullptr;
  vg::TvxHudComboTextBox* HudComboTextBox_CFG_Gas_Type = nullptr;
  vg::TvxHudCheckBox* HudCheckBox_CFG_PG_GAS_Hot_Engine = nullptr;
  vg::TvxHudCheckBox* HudCheckBox_CFG_GP_Buzzer = nullptr;
  vg::TvxHudGroupBox* HudGroupBox_CFG_LevelSensor = nullptr;
  vg::TvxHudComboTextBox* HudComboTextBox_CFG_Level_Sensor = nullptr;
  vg::TvxHudCheckBox* HudCheckBox_CFG_LevelGas_Buzzer = nullptr;
  std::array<vg::TvxHudTrackBar*, 5> HudTrackBar_LevelGas{};
  std::array<vg::TvxHudTextBox*, 5> HudTextBox_LevelGas{};
  std::array<vg::TvxCircle*, 7> Circle_LevelGas{};
  vg::TvxVisualObject* Image_CFG_LevelSensor = nullptr;
  vg::TvxLine* Line_CFG_LevelSensor = nullptr;
  vg::TvxHudLabel* HudLabel_CFG_LevelGas_Current = nullptr;
  vg::TvxHudNumberBox* HudNumberBox_CFG_LevelGas = nullptr;
  vg::TvxHudGroupBox* HudGroupBox_CFG_User = nullptr;
  vg::TvxHudTextBox* HudTextBox_CFG_User_Name = nullptr;
  vg::TvxHudTextBox* HudTextBox_CFG_User_Phone = nullptr;
  vg::TvxHudTextBox* HudTextBox_CFG_User_Install_Date = nullptr;
  vg::TvxHudTextBox* HudTextBox_CFG_User_Install_KM = nullptr;
  vg::TvxHudTextBox* HudTextBox_CFG_User_Gas_Jets = nullptr;
  vg::TvxHudMemo* HudMemo_CFG_User_Notice = nullptr;
  vg::TvxHudGroupBox* HudGroupBox_CFG_Errors = nullptr;
  vg::TvxHudMemo* HudMemo_CFG_Errors = nullptr;
  vg::TvxHudButton* HudButton_CFG_Errors_Clear = nullptr;
};

class TPage_CFG : public TWindowPage {
  RTL_CLASS(TPage_CFG, TWindowPage)
public:
  explicit TPage_CFG(rtl::TComponent* AOwner);
  // Reads the page text into Item's page and binds the parts; fills the item lists of the
  // four choices from the configuration's tables.
  void Load(vg::TvxTabItem* Item);
  const TPageCFGParts& Parts() const { return parts_; }

  // The model onto the page (ConfigToCFGPage; CFGPageUpdating is held meanwhile), and the
  // customer texts only (ConfigToUserPage).
  void ConfigToCFGPage();
  void ConfigToUserPage();
  // What the page's controls hold now, as the configuration takes it.
  TCFGPageTexts PageValues() const;
  std::array<double, 5> LevelTrackValues() const;
  // The page into the model, and a write of the page after the delay.
  void PageToConfig();
  void LevelToConfig();
  // The error memo.
  void ClearErrorMemo();
  void AddErrorMemoLine(const std::u16string& Text);
  // The level image and its line (work mode 4 only).
  void UpdateLevelSensorImage(int WorkMode, int Level);

  // ---- handlers (published, bound by the page text) --------------------------------------
  void HudComboTextBox_CFG_RPM_PrescalerChange(rtl::TObject* Sender);
  void HudComboTextBox_CFG_PG_RPMChange(rtl::TObject* Sender);
  void HudComboTextBox_CFG_PG_TemperChange(rtl::TObject* Sender);
  void HudComboTextBox_CFG_PG_TimeChange(rtl::TObject* Sender);
  void HudComboTextBox_CFG_PG_RPMTracking(rtl::TObject* Sender);
  void HudComboTextBox_CFG_PG_TemperTracking(rtl::TObject* Sender);
  void HudComboTextBox_CFG_PG_TimeTracking(rtl::TObject* Sender);
  void HudComboTextBox_CFG_InjectionChange(rtl::TObject* Sender);
  void HudComboTextBox_CFG_Gas_TypeChange(rtl::TObject* Sender);
  void HudCheckBox_CFG_PG_GAS_Hot_EngineChange(rtl::TObject* Sender);
  void HudCheckBox_CFG_GP_BuzzerChange(rtl::TObject* Sender);
  void HudCheckBox_CFG_LevelGas_BuzzerChange(rtl::TObject* Sender);
  void HudTrackBar_LevelGasChange(rtl::TObject* Sender);
  void HudComboTextBox_CFG_Level_SensorChange(rtl::TObject* Sender);
  void HudButton_CFG_Errors_ClearClick(rtl::TObject* Sender);
  void CustomerKeyDown(rtl::TObject* Sender, std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);

private:
  // A numeric box's text while it is typed: taken when it reads as a number, else left
  // until Enter or the focus leaves (where a text that is no number is reported).
  void NumberTyped(vg::TvxHudComboTextBox* Box);
  // The customer texts onto their boxes.
  void ShowUserPage(const TCFGPageTexts& Values);

  TPageCFGParts parts_;
};

}  // namespace app
