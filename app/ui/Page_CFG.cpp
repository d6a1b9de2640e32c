#include "app/ui/Page_CFG.h"

#include "app/core/CFG_Page_View.h"
#include "app/core/Global_Unit.h"
#include "app/ui/Window_Parts.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

template <class Items>
void FillItems(vg::TvxHudComboTextBox* Box, const Items& Texts) {
  const std::u16string kept = Box->Text();
  Box->Items()->BeginUpdate();
  Box->Items()->Clear();
  for (const std::u16string& t : Texts) Box->Items()->Add(t);
  Box->Items()->EndUpdate();
  Box->SetText(kept);
}

}  // namespace

rtl::TClass TPage_CFG::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TPage_CFG>()).Build();
  return &info;
}

TPage_CFG::TPage_CFG(rtl::TComponent* AOwner) : TWindowPage(AOwner) { SetName("Page_CFG"); }

void TPage_CFG::Load(vg::TvxTabItem* Item) {
  ReadPageText("PAGE_CFG", Item);
  BindFormParts(TPartBinder(this, PageName()), parts_);
  const TPageCFGParts& p = parts_;
  // The four choices offer the configuration's own lists.
  const TCFGPageHold updating;
  const TCFGPageChoices choices = CFGPageChoices();
  FillItems(p.HudComboTextBox_CFG_RPM_Prescaler, choices.RPMPrescaler);
  FillItems(p.HudComboTextBox_CFG_Injection, choices.Injection);
  FillItems(p.HudComboTextBox_CFG_Gas_Type, choices.GasType);
  FillItems(p.HudComboTextBox_CFG_Level_Sensor, choices.LevelSensor);
}

// ---- model and page ----------------------------------------------------------------------------

void TPage_CFG::ConfigToCFGPage() {
  const std::optional<TCFGPageTexts> values = CFGPageOfConfig();
  if (!values) return;
  const TCFGPageHold updating;
  const TCFGPageTexts& v = *values;
  const TPageCFGParts& p = parts_;
  p.HudComboTextBox_CFG_RPM_Prescaler->SetText(v.RPM_Prescaler);
  p.HudComboTextBox_CFG_PG_RPM->SetText(v.PG_RPM);
  p.HudComboTextBox_CFG_PG_Temper->SetText(v.PG_Temper);
  p.HudComboTextBox_CFG_Injection->SetText(v.Injection);
  p.HudComboTextBox_CFG_Gas_Type->SetText(v.Gas_Type);
  p.HudCheckBox_CFG_GP_Buzzer->SetIsChecked(v.GP_Buzzer);
  p.HudCheckBox_CFG_LevelGas_Buzzer->SetIsChecked(v.LevelGas_Buzzer);
  p.HudCheckBox_CFG_PG_GAS_Hot_Engine->SetIsChecked(v.PG_GAS_Hot_Engine);
  p.HudComboTextBox_CFG_Level_Sensor->SetText(v.Level_Sensor);
  for (std::size_t i = 0; i < 5; ++i) {
    p.HudTrackBar_LevelGas[i]->SetValue(static_cast<float>(v.LevelGas[i]));
    p.HudTextBox_LevelGas[i]->SetText(v.LevelGasVolts[i]);
  }
  p.HudComboTextBox_CFG_PG_Time->SetText(v.PG_Time);
  ShowUserPage(v);
}

void TPage_CFG::ConfigToUserPage() {
  const std::optional<TCFGPageTexts> values = CFGPageOfConfig();
  if (!values) return;
  const TCFGPageHold updating;
  ShowUserPage(*values);
}

void TPage_CFG::ShowUserPage(const TCFGPageTexts& Values) {
  const TPageCFGParts& p = parts_;
  p.HudTextBox_CFG_User_Name->SetText(Values.User_Name);
  p.HudTextBox_CFG_User_Phone->SetText(Values.User_Phone);
  p.HudTextBox_CFG_User_Install_Date->SetText(Values.User_Install_Date);
  p.HudTextBox_CFG_User_Install_KM->SetText(Values.User_Install_KM);
  p.HudTextBox_CFG_User_Gas_Jets->SetText(Values.User_Gas_Jets);
  p.HudMemo_CFG_User_Notice->SetText(Values.User_Notice);
}

TCFGPageTexts TPage_CFG::PageValues() const {
  const TPageCFGParts& p = parts_;
  TCFGPageTexts v;
  v.RPM_Prescaler = p.HudComboTextBox_CFG_RPM_Prescaler->Text();
  v.PG_RPM = p.HudComboTextBox_CFG_PG_RPM->Text();
  v.PG_Temper = p.HudComboTextBox_CFG_PG_Temper->Text();
  v.Injection = p.HudComboTextBox_CFG_Injection->Text();
  v.Gas_Type = p.HudComboTextBox_CFG_Gas_Type->Text();
  v.GP_Buzzer = p.HudCheckBox_CFG_GP_Buzzer->IsChecked();
  v.LevelGas_Buzzer = p.HudCheckBox_CFG_LevelGas_Buzzer->IsChecked();
  v.PG_GAS_Hot_Engine = p.HudCheckBox_CFG_PG_GAS_Hot_Engine->IsChecked();
  v.Level_Sensor = p.HudComboTextBox_CFG_Level_Sensor->Text();
  v.LevelGas = LevelTrackValues();
  for (std::size_t i = 0; i < 5; ++i) v.LevelGasVolts[i] = p.HudTextBox_LevelGas[i]->Text();
  v.PG_Time = p.HudComboTextBox_CFG_PG_Time->Text();
  v.User_Name = p.HudTextBox_CFG_User_Name->Text();
  v.User_Phone = p.HudTextBox_CFG_User_Phone->Text();
  v.User_Install_Date = p.HudTextBox_CFG_User_Install_Date->Text();
  v.User_Install_KM = p.HudTextBox_CFG_User_Install_KM->Text();
  v.User_Gas_Jets = p.HudTextBox_CFG_User_Gas_Jets->Text();
  // The notice is kept as one line of the file: its lines are joined by a blank.
  for (char16_t ch : p.HudMemo_CFG_User_Notice->Text()) v.User_Notice += (ch == u'\r' || ch == u'\n') ? u' ' : ch;
  return v;
}

std::array<double, 5> TPage_CFG::LevelTrackValues() const {
  std::array<double, 5> values{};
  for (std::size_t i = 0; i < 5; ++i) values[i] = parts_.HudTrackBar_LevelGas[i]->Value();
  return values;
}

void TPage_CFG::PageToConfig() {
  TakePage();
  ShowHeldNumbers();
}

void TPage_CFG::TakePage() {
  if (Freeing()) return;
  try {
    TakeCFGPageTexts(PageValues());
  } catch (const rtl::EConvertError&) {
    // The rest of the page is taken; the box that holds no number gets its last good value
    // back from the model, so that the failure is reported once and the next change goes
    // through.
    ConfigToCFGPage();
    throw;
  }
}

void TPage_CFG::LevelToConfig() {
  if (CFGPageUpdating() || Freeing()) return;
  try {
    TakeCFGLevelPageTexts(PageValues());
  } catch (const rtl::EConvertError&) {
    ConfigToCFGPage();
    throw;
  }
  ShowHeldNumbers();
  // The thresholds as voltages.
  const TCFGPageHold updating;
  for (std::size_t i = 0; i < 5; ++i)
    parts_.HudTextBox_LevelGas[i]->SetText(LevelVoltText(parts_.HudTrackBar_LevelGas[i]->Value()));
}

void TPage_CFG::ShowHeldNumbers() {
  if (Freeing()) return;
  const std::optional<TCFGPageTexts> values = CFGPageOfConfig();
  if (!values) return;
  const TCFGPageHold updating;
  const auto show = [](vg::TvxHudComboTextBox* Box, const std::u16string& Text) {
    if (Box->Text() != Text) Box->SetText(Text);
  };
  show(parts_.HudComboTextBox_CFG_PG_RPM, values->PG_RPM);
  show(parts_.HudComboTextBox_CFG_PG_Temper, values->PG_Temper);
  show(parts_.HudComboTextBox_CFG_PG_Time, values->PG_Time);
}

void TPage_CFG::ClearErrorMemo() { parts_.HudMemo_CFG_Errors->SetText({}); }

void TPage_CFG::AddErrorMemoLine(const std::u16string& Text) {
  vg::TvxHudMemo* memo = parts_.HudMemo_CFG_Errors;
  memo->SetText(memo->Text().empty() ? Text : memo->Text() + u"\r\n" + Text);
}

void TPage_CFG::UpdateLevelSensorImage(int WorkMode, int Level) {
  vg::TvxVisualObject* image = parts_.Image_CFG_LevelSensor;
  if (WorkMode != 4) {
    image->SetVisible(false);
    return;
  }
  image->SetVisible(true);
  parts_.Line_CFG_LevelSensor->Position()->SetY(static_cast<float>(Level) * image->Height() / 1023.0f);
}

// ---- handlers -----------------------------------------------------------------------------------

bool TPage_CFG::Freeing() const { return ComponentState().Contains(rtl::csDestroying); }

void TPage_CFG::NumberTyped(vg::TvxHudComboTextBox*) {
  if (CFGPageUpdating() || Freeing()) return;
  // A text that is no number yet (a box being emptied to type anew) changes nothing and
  // waits: Enter or leaving the box reports it (OnChange).
  // A number beyond its range is held to it in the model at once, and shown so when the
  // typing ends.
  if (CFGPageNumbersConvert(PageValues())) TakePage();
}

void TPage_CFG::HudComboTextBox_CFG_RPM_PrescalerChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudComboTextBox_CFG_PG_RPMChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudComboTextBox_CFG_PG_TemperChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudComboTextBox_CFG_PG_TimeChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudComboTextBox_CFG_PG_RPMTracking(rtl::TObject*) { NumberTyped(parts_.HudComboTextBox_CFG_PG_RPM); }
void TPage_CFG::HudComboTextBox_CFG_PG_TemperTracking(rtl::TObject*) {
  NumberTyped(parts_.HudComboTextBox_CFG_PG_Temper);
}
void TPage_CFG::HudComboTextBox_CFG_PG_TimeTracking(rtl::TObject*) {
  NumberTyped(parts_.HudComboTextBox_CFG_PG_Time);
}
void TPage_CFG::HudComboTextBox_CFG_InjectionChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudComboTextBox_CFG_Gas_TypeChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudCheckBox_CFG_PG_GAS_Hot_EngineChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudCheckBox_CFG_GP_BuzzerChange(rtl::TObject*) { LevelToConfig(); }
void TPage_CFG::HudCheckBox_CFG_LevelGas_BuzzerChange(rtl::TObject*) { LevelToConfig(); }
void TPage_CFG::HudTrackBar_LevelGasChange(rtl::TObject*) { LevelToConfig(); }

void TPage_CFG::HudComboTextBox_CFG_Level_SensorChange(rtl::TObject*) {
  if (Freeing()) return;
  const std::optional<std::array<int, 5>> levels = ChooseLevelSensor(
      parts_.HudComboTextBox_CFG_Level_Sensor->Text(), parts_.HudCheckBox_CFG_LevelGas_Buzzer->IsChecked());
  if (!levels) return;
  {
    // The five thresholds of the type go into the tracks as one change.
    const TCFGPageHold updating;
    for (std::size_t i = 0; i < 5; ++i) parts_.HudTrackBar_LevelGas[i]->SetValue(static_cast<float>((*levels)[i]));
  }
  LevelToConfig();
}

void TPage_CFG::HudButton_CFG_Errors_ClearClick(rtl::TObject*) { RequestTask(TTask::ClearErrors); }

void TPage_CFG::CustomerKeyDown(rtl::TObject*, std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState) {
  if (Key != win::VK_RETURN && KeyChar != u'\r') return;
  // Enter commits the customer's details; in the notice it makes no new line (the file
  // keeps the notice as one line).
  Key = 0;
  KeyChar = 0;
  PageToConfig();
}

}  // namespace app
