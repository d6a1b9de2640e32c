#include "app/ui/Page_CFG.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <utility>

#include "app/core/CFG_Page_View.h"
#include "app/core/Core_Host.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Msg_3D_Unit.h"
#include "app/core/Window_Session.h"
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

// The page's number texts in the order of its number boxes (PageNumberBoxes).
std::array<std::u16string*, 3> PageNumberTexts(TCFGPageTexts& Values) {
  return {&Values.PG_RPM, &Values.PG_Temper, &Values.PG_Time};
}

std::array<vg::TvxHudComboTextBox*, 3> PageNumberBoxes(const TPageCFGParts& Parts) {
  return {Parts.HudComboTextBox_CFG_PG_RPM, Parts.HudComboTextBox_CFG_PG_Temper, Parts.HudComboTextBox_CFG_PG_Time};
}

// Whether the box's text is the entry of its list just chosen (with the mouse or the arrow
// keys), not a text typed.
bool ChosenFromList(vg::TvxHudComboTextBox* Box) {
  const int i = Box->ItemIndex();
  return i >= 0 && i < Box->Items()->Count() && Box->Items()->Get(i) == Box->Text();
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
  const auto showNumber = [this](vg::TvxHudComboTextBox* Box, const std::u16string& Text) {
    if (!KeepsTyping(Box, Box->Text())) ShowNumber(Box, Text);
  };
  p.HudComboTextBox_CFG_RPM_Prescaler->SetText(v.RPM_Prescaler);
  showNumber(p.HudComboTextBox_CFG_PG_RPM, v.PG_RPM);
  showNumber(p.HudComboTextBox_CFG_PG_Temper, v.PG_Temper);
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
  showNumber(p.HudComboTextBox_CFG_PG_Time, v.PG_Time);
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
  const auto show = [this](auto* Box, const std::u16string& Text) {
    if (KeepsTyping(Box, Box->Text())) return;
    Box->SetText(Text);
    Filled(Box, Box->Text());
  };
  show(p.HudTextBox_CFG_User_Name, Values.User_Name);
  show(p.HudTextBox_CFG_User_Phone, Values.User_Phone);
  show(p.HudTextBox_CFG_User_Install_Date, Values.User_Install_Date);
  show(p.HudTextBox_CFG_User_Install_KM, Values.User_Install_KM);
  show(p.HudTextBox_CFG_User_Gas_Jets, Values.User_Gas_Jets);
  show(p.HudMemo_CFG_User_Notice, Values.User_Notice);
}

bool TPage_CFG::KeepsTyping(const vg::TvxVisualObject* Box, const std::u16string& Text) const {
  if (takingEdit_ || !Box->IsFocused()) return false;
  const auto filled = filled_.find(Box);
  return Text != (filled == filled_.end() ? std::u16string() : filled->second);
}

template <class F>
auto TPage_CFG::TakingEdit(F&& Take) {
  struct TTaking {
    bool& Flag;
    bool Was;
    ~TTaking() { Flag = Was; }
  } taking{takingEdit_, std::exchange(takingEdit_, true)};
  return Take();
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

TCFGPageTexts TPage_CFG::TakenValues(const vg::TvxHudComboTextBox* Entered) const {
  TCFGPageTexts values = PageValues();
  std::optional<TCFGPageTexts> model = CFGPageOfConfig();
  if (!model) return values;
  const std::array<vg::TvxHudComboTextBox*, 3> boxes = PageNumberBoxes(parts_);
  const std::array<std::u16string*, 3> taken = PageNumberTexts(values), inForce = PageNumberTexts(*model);
  for (std::size_t i = 0; i < boxes.size(); ++i)
    if (boxes[i] != Entered) *taken[i] = *inForce[i];
  RefuseCustomerTextsNotHeld(values);
  return values;
}

void TPage_CFG::PageToConfig() {
  if (Freeing()) return;
  const TCFGPageTexts values = TakenValues(nullptr);
  if (!TakingEdit([&values] { return TakeCFGPageTexts(values); })) return;
  // The customer's details are taken as their boxes hold them, but one the code page cannot hold
  // (the configuration's text was taken for it): its box is still being typed into, and its leave
  // refuses it.
  const TPageCFGParts& p = parts_;
  const TCFGPageTexts shown = PageValues();
  const auto taken = [this](const vg::TvxVisualObject* Box, const std::u16string& Shown, const std::u16string& Taken,
                            const std::u16string& Text) {
    if (Shown == Taken) Filled(Box, Text);
  };
  taken(p.HudTextBox_CFG_User_Name, shown.User_Name, values.User_Name, p.HudTextBox_CFG_User_Name->Text());
  taken(p.HudTextBox_CFG_User_Phone, shown.User_Phone, values.User_Phone, p.HudTextBox_CFG_User_Phone->Text());
  taken(p.HudTextBox_CFG_User_Install_Date, shown.User_Install_Date, values.User_Install_Date,
        p.HudTextBox_CFG_User_Install_Date->Text());
  taken(p.HudTextBox_CFG_User_Install_KM, shown.User_Install_KM, values.User_Install_KM,
        p.HudTextBox_CFG_User_Install_KM->Text());
  taken(p.HudTextBox_CFG_User_Gas_Jets, shown.User_Gas_Jets, values.User_Gas_Jets,
        p.HudTextBox_CFG_User_Gas_Jets->Text());
  taken(p.HudMemo_CFG_User_Notice, shown.User_Notice, values.User_Notice, p.HudMemo_CFG_User_Notice->Text());
}

void TPage_CFG::LevelToConfig() {
  if (CFGPageUpdating() || Freeing()) return;
  TakingEdit([this] { TakeCFGLevelPageTexts(TakenValues(nullptr)); });
  // The thresholds as voltages.
  const TCFGPageHold updating;
  for (std::size_t i = 0; i < 5; ++i)
    parts_.HudTextBox_LevelGas[i]->SetText(LevelVoltText(parts_.HudTrackBar_LevelGas[i]->Value()));
}

void TPage_CFG::FinishNumberInEdit(std::vector<std::string>& Reports) {
  for (vg::TvxHudComboTextBox* box : PageNumberBoxes(parts_))
    if (box->IsFocused()) NumberEntered(box, &Reports);
}

void TPage_CFG::FinishCustomerInEdit() {
  if (FocusedCustomerBox()) TakeCustomerTexts();
}

void TPage_CFG::TakeBoxInEdit() {
  for (vg::TvxHudComboTextBox* box : PageNumberBoxes(parts_))
    if (box->IsFocused()) NumberEntered(box);
  FinishCustomerInEdit();
}

vg::TvxVisualObject* TPage_CFG::FocusedCustomerBox() const {
  const TPageCFGParts& p = parts_;
  for (vg::TvxVisualObject* box : std::initializer_list<vg::TvxVisualObject*>{
           p.HudTextBox_CFG_User_Name, p.HudTextBox_CFG_User_Phone, p.HudTextBox_CFG_User_Install_Date,
           p.HudTextBox_CFG_User_Install_KM, p.HudTextBox_CFG_User_Gas_Jets, p.HudMemo_CFG_User_Notice})
    if (box->IsFocused()) return box;
  return nullptr;
}

void TPage_CFG::TakeCustomerTexts() {
  if (CFGPageUpdating() || Freeing()) return;
  const std::optional<TCFGPageTexts> model = CFGPageOfConfig();
  if (!model) return;
  const TCFGPageTexts page = PageValues();
  if (page.User_Name == model->User_Name && page.User_Phone == model->User_Phone &&
      page.User_Install_Date == model->User_Install_Date && page.User_Install_KM == model->User_Install_KM &&
      page.User_Gas_Jets == model->User_Gas_Jets && page.User_Notice == model->User_Notice)
    return;
  RefuseCustomerNotHeld();
  PageToConfig();
}

void TPage_CFG::RefuseCustomerNotHeld() {
  const TCFGPageTexts page = PageValues();
  TCFGPageTexts kept = page;
  const std::string refused = RefuseCustomerTextsNotHeld(kept);
  if (refused.empty()) return;
  {
    // The boxes refused show what the configuration keeps, so that leaving them again takes
    // and writes nothing; nothing is typed into them any more (the ECU read again shows in them).
    const TCFGPageHold updating;
    const TPageCFGParts& p = parts_;
    const auto back = [this](auto* Box, const std::u16string& Typed, const std::u16string& Kept) {
      if (Typed == Kept) return;
      Box->SetText(Kept);
      Filled(Box, Box->Text());
    };
    back(p.HudTextBox_CFG_User_Name, page.User_Name, kept.User_Name);
    back(p.HudTextBox_CFG_User_Phone, page.User_Phone, kept.User_Phone);
    back(p.HudTextBox_CFG_User_Install_Date, page.User_Install_Date, kept.User_Install_Date);
    back(p.HudTextBox_CFG_User_Install_KM, page.User_Install_KM, kept.User_Install_KM);
    back(p.HudTextBox_CFG_User_Gas_Jets, page.User_Gas_Jets, kept.User_Gas_Jets);
    back(p.HudMemo_CFG_User_Notice, page.User_Notice, kept.User_Notice);
  }
  throw rtl::EConvertError(refused);
}

void TPage_CFG::ShowHeldNumbers() {
  if (Freeing()) return;
  std::optional<TCFGPageTexts> values = CFGPageOfConfig();
  if (!values) return;
  const std::array<vg::TvxHudComboTextBox*, 3> boxes = PageNumberBoxes(parts_);
  const std::array<std::u16string*, 3> texts = PageNumberTexts(*values);
  for (std::size_t i = 0; i < boxes.size(); ++i)
    if (boxes[i]->Text() != *texts[i]) ShowNumber(boxes[i], *texts[i]);
}

void TPage_CFG::ShowNumber(vg::TvxHudComboTextBox* Box, const std::u16string& Text) {
  const TCFGPageHold updating;
  Box->SetText(Text);
  Filled(Box, Box->Text());
  int entry = -1;
  for (int i = 0; i < Box->Items()->Count() && entry < 0; ++i)
    if (Box->Items()->Get(i) == Text) entry = i;
  if (Box->ItemIndex() != entry) Box->ListBox()->SetItemIndex(entry);
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

void TPage_CFG::NumberTyped(vg::TvxHudComboTextBox* Box) {
  if (CFGPageUpdating() || Freeing()) return;
  if (Box->IsFocused() && !ChosenFromList(Box)) {
    // Being typed ("3" on the way to 3000 would go out as 458 rpm): it waits for Enter or the
    // focus leaving the box. The text is no entry of the list any more.
    if (Box->ItemIndex() >= 0) Box->ListBox()->SetItemIndex(-1);
    return;
  }
  NumberEntered(Box);
}

void TPage_CFG::NumberEntered(vg::TvxHudComboTextBox* Box, std::vector<std::string>* Reports) {
  if (CFGPageUpdating() || Freeing()) return;
  std::optional<TCFGPageTexts> model = CFGPageOfConfig();
  if (!model) return;
  const std::array<vg::TvxHudComboTextBox*, 3> boxes = PageNumberBoxes(parts_);
  const std::size_t at = static_cast<std::size_t>(std::find(boxes.begin(), boxes.end(), Box) - boxes.begin());
  if (at >= boxes.size()) return;
  const std::u16string& inForce = *PageNumberTexts(*model)[at];
  // The number in force, entered again (Enter, then the focus leaving): nothing new to write.
  if (Box->Text() == inForce) {
    Filled(Box, inForce);
    return;
  }
  const TCFGPageTexts values = TakenValues(Box);
  try {
    CheckCFGPageNumbers(values);
  } catch (const rtl::EConvertError&) {
    ShowNumber(Box, inForce);
    throw;
  }
  const std::string held = CFGPageHeldReport(values);
  // An edit refused (the ECU being read) is told as not written, and nothing was held.
  if (!TakingEdit([&values] { return TakeCFGPageTexts(values); })) return;
  Filled(Box, Box->Text());
  // A number beyond its range shows as it was held, and the installer is told so, as the
  // settings window's boxes tell it.
  ShowHeldNumbers();
  if (held.empty()) return;
  if (Reports)
    Reports->push_back(held);
  else if (Model().CoreHost)
    Model().CoreHost->ShowMessageWindow(Message_OwnText, held);
}

void TPage_CFG::HudComboTextBox_CFG_RPM_PrescalerChange(rtl::TObject*) { PageToConfig(); }
void TPage_CFG::HudComboTextBox_CFG_PG_RPMChange(rtl::TObject*) { NumberEntered(parts_.HudComboTextBox_CFG_PG_RPM); }
void TPage_CFG::HudComboTextBox_CFG_PG_TemperChange(rtl::TObject*) {
  NumberEntered(parts_.HudComboTextBox_CFG_PG_Temper);
}
void TPage_CFG::HudComboTextBox_CFG_PG_TimeChange(rtl::TObject*) { NumberEntered(parts_.HudComboTextBox_CFG_PG_Time); }
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

void TPage_CFG::HudButton_CFG_Errors_ClearClick(rtl::TObject*) { ClearEcuErrors(); }

void TPage_CFG::CustomerKeyDown(rtl::TObject*, std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState) {
  if (Key != win::VK_RETURN && KeyChar != u'\r') return;
  // Enter commits the customer's details; in the notice it makes no new line (the file
  // keeps the notice as one line).
  Key = 0;
  KeyChar = 0;
  if (CFGPageUpdating() || Freeing()) return;
  RefuseCustomerNotHeld();
  PageToConfig();
}

void TPage_CFG::CustomerKillFocus(rtl::TObject*) { TakeCustomerTexts(); }

}  // namespace app
