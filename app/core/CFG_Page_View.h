// The configuration and customer pages as the windows see them: what they show for the
// configuration, as the controls hold it (wide texts, track positions), what they give back,
// their choice lists, and the hold that keeps the page's own filling from being taken as an
// edit. The language's code page is applied here, not in the window. GUI thread only.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct TCFGPageTexts {
  std::u16string RPM_Prescaler;
  std::u16string PG_RPM;
  std::u16string PG_Temper;
  std::u16string Injection;
  std::u16string Gas_Type;
  bool GP_Buzzer = false;
  bool LevelGas_Buzzer = false;
  bool PG_GAS_Hot_Engine = false;
  std::u16string Level_Sensor;
  std::array<double, 5> LevelGas{};         // the level track bars' positions
  std::array<std::u16string, 5> LevelGasVolts;  // their voltage texts
  std::u16string PG_Time;
  // The customer page.
  std::u16string User_Name;
  std::u16string User_Phone;
  std::u16string User_Install_Date;
  std::u16string User_Install_KM;
  std::u16string User_Gas_Jets;
  std::u16string User_Notice;
};

// What the pages show for the configuration; none while there is no configuration.
std::optional<TCFGPageTexts> CFGPageOfConfig();
// An edit of the page: its values into the configuration and a write of the page after the
// transmission delay (TakeCFGPage, TakeCFGLevelPage of Global_Unit.h, raising as they do);
// true when the edit was taken. A customer detail that shows the configuration's text keeps
// the configuration's bytes (a byte its code page does not define stays as it was). A customer
// detail of the configuration changed by an edit sets Actions.CustomerTaken.
bool TakeCFGPageTexts(const TCFGPageTexts& Page);
void TakeCFGLevelPageTexts(const TCFGPageTexts& Page);
// Raises what an edit of the page would raise for its number texts (a text that is no number,
// naming its box), and changes nothing.
void CheckCFGPageNumbers(const TCFGPageTexts& Page);
// What the installer is told of the page's numbers that an edit would hold to their ranges,
// one line each, in the settings window's words (HeldNumberText); empty when every number is
// taken as typed.
std::string CFGPageHeldReport(const TCFGPageTexts& Page);
// The customer details of Page that differ from the configuration's and hold characters the
// current language's code page cannot hold (the file keeps the texts in it, and "?" would stand
// in their place): each such detail is put back to the configuration's in Page, and the
// installer is told, one line a box ("<label>: "<typed>" was not taken: ... no <characters>",
// the typed text and characters quoted whole, TypedTextInReport). Empty when every detail can
// be kept.
std::string RefuseCustomerTextsNotHeld(TCFGPageTexts& Page);
// A level track bar's position as the voltage text beside it.
std::u16string LevelVoltText(double TrackValue);

// The items the four choices offer (R.P.M. prescaler, injection, gas type, level sensor).
struct TCFGPageChoices {
  std::vector<std::u16string> RPMPrescaler, Injection, GasType, LevelSensor;
};
TCFGPageChoices CFGPageChoices();

// A level-sensor type chosen on the page: the configuration takes the type, its inversion and
// 90 % level and the buzzer as given, and the type's five thresholds are returned for the
// track bars. Nothing (and none) while the page is held, without a configuration, or for a
// type the sensor table does not hold.
std::optional<std::array<int, 5>> ChooseLevelSensor(const std::u16string& Type, bool Buzzer);

// The page is being filled from the configuration: changes of its controls are not edits.
bool CFGPageUpdating();
void SetCFGPageUpdating(bool Value);
// Holds the page for as long as it lives and gives back the hold as it was.
class TCFGPageHold {
public:
  TCFGPageHold();
  ~TCFGPageHold();
  TCFGPageHold(const TCFGPageHold&) = delete;
  TCFGPageHold& operator=(const TCFGPageHold&) = delete;

private:
  bool was_;
};

}  // namespace app
