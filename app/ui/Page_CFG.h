// The Setup page of the main window (page 0): the configuration's switch-over settings, the
// gas level sensor with its five thresholds and lamps, the ECU's errors and the installer's
// customer details. Every control writes through the configuration and a delayed write of
// the page (kind 2); a number typed into a box is taken when it is finished (Enter, the focus
// leaving the box, or an entry chosen from its list), a customer's detail on Enter or as the
// focus leaves its box. Its text is app/ui/forms/Page_CFG.txt.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/core/CFG_Page_View.h"
#include "app/ui/Window_Page.h"
#include "app/ui/forms/Page_CFG.h"
#include "platform/rtl/InputTypes.h"

namespace vg {
class TvxHudComboTextBox;
class TvxVisualObject;
}  // namespace vg

namespace app {

class TPage_CFG : public TWindowPage {
  RTL_CLASS(TPage_CFG, TWindowPage)
public:
  explicit TPage_CFG(rtl::TComponent* AOwner);
  // Reads the page text into Item's page and binds the parts; fills the item lists of the
  // four choices from the configuration's tables.
  void Load(vg::TvxTabItem* Item);
  const TPageCFGParts& Parts() const { return parts_; }

  // The model onto the page (ConfigToCFGPage; CFGPageUpdating is held meanwhile), and the
  // customer texts only (ConfigToUserPage). The box being typed into (it has the focus and
  // holds a text the page neither put there nor took) keeps what is typed, to be taken when
  // finished, as the ECU read again shows what it holds in the others; when the model shows
  // because the page's own edit was refused (the ECU being read), every box shows it.
  void ConfigToCFGPage();
  void ConfigToUserPage();
  // What the page's controls hold now, as the configuration takes it.
  TCFGPageTexts PageValues() const;
  std::array<double, 5> LevelTrackValues() const;
  // The page into the model, and a write of the page after the delay. A number box counts with
  // the number last taken from it: a number still being typed waits for Enter or the focus
  // leaving its box.
  void PageToConfig();
  void LevelToConfig();
  // The number box being typed into (it has the focus) taken as finished, as leaving it takes
  // it: the number when it differs from the one in force; a text that is no number raises
  // (the box then shows the number in force); a number held to its range is said in Reports.
  void FinishNumberInEdit(std::vector<std::string>& Reports);
  // The customer box being typed into (it has the focus) taken as finished, as leaving it
  // takes it: the page's customer details, when they differ from the configuration's. A detail
  // with characters the language's code page cannot hold is not taken: its box shows the
  // configuration's text again, and the refusal is raised (rtl::EConvertError) naming the box
  // and the characters.
  void FinishCustomerInEdit();
  // The box being typed into, number or customer's, taken as leaving it takes it (a file is
  // saved or loaded from another window, which leaves the focus where it was here).
  void TakeBoxInEdit();
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
  // A customer box left: the focus went to another control, a tab, a menu.
  void CustomerKillFocus(rtl::TObject* Sender);

private:
  // A number box's text changed: an entry chosen from its list, or a text given while the box
  // does not have the focus, is taken at once; one being typed waits (NumberEntered).
  void NumberTyped(vg::TvxHudComboTextBox* Box);
  // A number box's text is finished (Enter, the focus leaving, a choice from its list): taken
  // when it differs from the number in force, and the box then shows the number held. A text
  // that is no number takes nothing and writes nothing: the box shows the number in force
  // again and the conversion error is raised, naming the box.
  // A number held to its range is said in Reports when given, else in the message window.
  void NumberEntered(vg::TvxHudComboTextBox* Box, std::vector<std::string>* Reports = nullptr);
  // The page's values as an edit takes them: the number boxes but Entered give the numbers
  // in force, not what is being typed into them, and a customer detail the code page cannot
  // hold the configuration's (it is refused, and said, when its box is left).
  TCFGPageTexts TakenValues(const vg::TvxHudComboTextBox* Entered) const;
  // The page is being freed: a box that loses the focus as its window goes (a value typed
  // and not yet entered) finds controls of the page freed already, and changes nothing.
  bool Freeing() const;
  // The number boxes whose text differs from the model's value get the model's.
  void ShowHeldNumbers();
  // A number box shows Text (the page held meanwhile); its list's current entry is the one
  // of that text, if any, so that a text typed later is never taken for a choice.
  void ShowNumber(vg::TvxHudComboTextBox* Box, const std::u16string& Text);
  // The customer texts onto their boxes (but the one being typed into, unless every box is to
  // show the model).
  void ShowUserPage(const TCFGPageTexts& Values);
  // Whether Box, holding Text, is being typed into, and the model shown now leaves it so.
  bool KeepsTyping(const vg::TvxVisualObject* Box, const std::u16string& Text) const;
  // The box holds Text as the page put it there or took it.
  void Filled(const vg::TvxVisualObject* Box, const std::u16string& Text) { filled_[Box] = Text; }
  // The page's edit taken (TakeCFGPageTexts and the like): true while it runs.
  template <class F>
  auto TakingEdit(F&& Take);
  // The customer details taken as Enter takes them, when one differs from the configuration's
  // (a box entered with Enter and then left takes nothing again).
  void TakeCustomerTexts();
  // Details the code page cannot hold (RefuseCustomerTextsNotHeld): their boxes show the
  // configuration's texts again and the refusal is raised; nothing else is changed.
  void RefuseCustomerNotHeld();
  // The customer box that has the focus, if any.
  vg::TvxVisualObject* FocusedCustomerBox() const;

  TPageCFGParts parts_;
  // What the page last put into each box the installer types into (the numbers, the
  // customer's details) or took from it.
  std::map<const vg::TvxVisualObject*, std::u16string> filled_;
  bool takingEdit_ = false;
};

}  // namespace app
