#include "app/core/CFG_Page_View.h"

#include <utility>

#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Texts.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Session.h"

namespace app {

namespace {

// A customer detail: the language key of the label beside its box, and where the page and the
// configuration's values hold it.
struct TCustomerText {
  const char* LabelKey;
  std::u16string TCFGPageTexts::*Shown;
  std::string ecu::TCFGPageValues::*Kept;
};
constexpr TCustomerText CustomerTexts[] = {
    {"CFG_User_Name", &TCFGPageTexts::User_Name, &ecu::TCFGPageValues::User_Name},
    {"CFG_User_Phone", &TCFGPageTexts::User_Phone, &ecu::TCFGPageValues::User_Phone},
    {"CFG_User_Install_Date", &TCFGPageTexts::User_Install_Date, &ecu::TCFGPageValues::User_Install_Date},
    {"CFG_User_Install_KM", &TCFGPageTexts::User_Install_KM, &ecu::TCFGPageValues::User_Install_KM},
    {"CFG_User_Gas_Jets", &TCFGPageTexts::User_Gas_Jets, &ecu::TCFGPageValues::User_Gas_Jets},
    {"CFG_User_Notice", &TCFGPageTexts::User_Notice, &ecu::TCFGPageValues::User_Notice},
};

std::array<std::string, 6> CustomerOfConfig() {
  const ecu::Configuration_Class* c = ecu::Session().ConfigData.Configuration.get();
  if (!c) return {};
  return {c->User_Name, c->User_Phone, c->Date_Mounting, c->Data_KM, c->Car_Jet, c->Car_Comments};
}

// Notes in Actions.CustomerTaken a change of the configuration's customer details made while
// it lives (also by an edit that raises after taking them).
class TCustomerWatch {
public:
  TCustomerWatch() : before_(CustomerOfConfig()) {}
  ~TCustomerWatch() {
    if (CustomerOfConfig() != before_) Model().Actions.CustomerTaken = true;
  }
  TCustomerWatch(const TCustomerWatch&) = delete;
  TCustomerWatch& operator=(const TCustomerWatch&) = delete;

private:
  std::array<std::string, 6> before_;
};

ecu::TCFGPageValues Kept(const TCFGPageTexts& Page) {
  ecu::TCFGPageValues v;
  v.RPM_Prescaler = KeptText(Page.RPM_Prescaler);
  v.PG_RPM = KeptText(Page.PG_RPM);
  v.PG_Temper = KeptText(Page.PG_Temper);
  v.Injection = KeptText(Page.Injection);
  v.Gas_Type = KeptText(Page.Gas_Type);
  v.GP_Buzzer = Page.GP_Buzzer;
  v.LevelGas_Buzzer = Page.LevelGas_Buzzer;
  v.PG_GAS_Hot_Engine = Page.PG_GAS_Hot_Engine;
  v.Level_Sensor = KeptText(Page.Level_Sensor);
  for (std::size_t i = 0; i < 5; ++i) {
    v.LevelGas[i] = ecu::FloatToInt(Page.LevelGas[i]);
    v.LevelGasVolts[i] = KeptText(Page.LevelGasVolts[i]);
  }
  v.PG_Time = KeptText(Page.PG_Time);
  v.User_Name = KeptText(Page.User_Name);
  v.User_Phone = KeptText(Page.User_Phone);
  v.User_Install_Date = KeptText(Page.User_Install_Date);
  v.User_Install_KM = KeptText(Page.User_Install_KM);
  v.User_Gas_Jets = KeptText(Page.User_Gas_Jets);
  v.User_Notice = KeptText(Page.User_Notice);
  // A detail that shows what the configuration holds keeps its bytes: the conversion back
  // would put "?" for a byte the code page does not define.
  if (ecu::Session().ConfigData.Configuration) {
    const ecu::TCFGPageValues model = ecu::ConfigToCFGPageValues();
    for (const TCustomerText& t : CustomerTexts)
      if (Page.*t.Shown == ShownText(model.*t.Kept)) v.*t.Kept = model.*t.Kept;
  }
  return v;
}

template <class Texts>
std::vector<std::u16string> Shown(const Texts& Items) {
  std::vector<std::u16string> shown;
  for (const std::string& t : Items) shown.push_back(ShownText(t));
  return shown;
}

}  // namespace

std::optional<TCFGPageTexts> CFGPageOfConfig() {
  if (!ecu::Session().ConfigData.Configuration) return std::nullopt;
  const ecu::TCFGPageValues v = ecu::ConfigToCFGPageValues();
  TCFGPageTexts p;
  p.RPM_Prescaler = ShownText(v.RPM_Prescaler);
  p.PG_RPM = ShownText(v.PG_RPM);
  p.PG_Temper = ShownText(v.PG_Temper);
  p.Injection = ShownText(v.Injection);
  p.Gas_Type = ShownText(v.Gas_Type);
  p.GP_Buzzer = v.GP_Buzzer;
  p.LevelGas_Buzzer = v.LevelGas_Buzzer;
  p.PG_GAS_Hot_Engine = v.PG_GAS_Hot_Engine;
  p.Level_Sensor = ShownText(v.Level_Sensor);
  for (std::size_t i = 0; i < 5; ++i) {
    p.LevelGas[i] = v.LevelGas[i];
    p.LevelGasVolts[i] = ShownText(v.LevelGasVolts[i]);
  }
  p.PG_Time = ShownText(v.PG_Time);
  p.User_Name = ShownText(v.User_Name);
  p.User_Phone = ShownText(v.User_Phone);
  p.User_Install_Date = ShownText(v.User_Install_Date);
  p.User_Install_KM = ShownText(v.User_Install_KM);
  p.User_Gas_Jets = ShownText(v.User_Gas_Jets);
  p.User_Notice = ShownText(v.User_Notice);
  return p;
}

bool TakeCFGPageTexts(const TCFGPageTexts& Page) {
  const TCustomerWatch watch;
  return TakeCFGPage(Kept(Page));
}

void TakeCFGLevelPageTexts(const TCFGPageTexts& Page) {
  const TCustomerWatch watch;
  TakeCFGLevelPage(Page.LevelGas, Kept(Page));
}

std::string RefuseCustomerTextsNotHeld(TCFGPageTexts& Page) {
  const std::optional<TCFGPageTexts> model = CFGPageOfConfig();
  if (!model) return {};
  std::string report;
  for (const TCustomerText& t : CustomerTexts) {
    std::u16string& typed = Page.*t.Shown;
    if (typed == (*model).*t.Shown) continue;
    const std::vector<std::u16string> characters = CharactersNotHeld(typed);
    if (characters.empty()) continue;
    std::u16string list;
    for (const std::u16string& c : characters) list += (list.empty() ? u"" : u", ") + c;
    std::string line;
    {
      const TLanguageFileScope file;
      line = KeyText(t.LabelKey) + ": " + KeyText("CFG_User_Not_Held");
    }
    // The characters first: the text typed may hold the other field's name.
    for (const auto& [field, value] : {std::pair<std::string, std::string>{"%CHARS%", TypedTextInReport(list)},
                                       {"%TEXT%", TypedTextInReport(typed)}})
      if (const std::size_t at = line.find(field); at != std::string::npos) line.replace(at, field.size(), value);
    report += (report.empty() ? "" : "\n") + line;
    typed = (*model).*t.Shown;
  }
  return report;
}

void CheckCFGPageNumbers(const TCFGPageTexts& Page) { ecu::CheckCFGPageNumbers(Kept(Page)); }

std::string CFGPageHeldReport(const TCFGPageTexts& Page) {
  std::string report;
  for (const ecu::TCFGPageHeld& h : ecu::CFGPageHeldNumbers(Kept(Page)))
    report += (report.empty() ? "" : "\n") + HeldNumberText(h.LabelKey.c_str(), h.Typed, h.Min, h.Max, h.Held);
  return report;
}

std::u16string LevelVoltText(double TrackValue) {
  return ShownText(ecu::LevelToVoltText(ecu::FloatToInt(TrackValue)));
}

TCFGPageChoices CFGPageChoices() {
  return {Shown(ecu::RPMPrescalerItems), Shown(ecu::InjectionItems), Shown(ecu::GasTypeItems),
          Shown(ecu::LevelSensorItems)};
}

std::optional<std::array<int, 5>> ChooseLevelSensor(const std::u16string& Type, bool Buzzer) {
  ecu::TConfigState& data = ecu::Session().ConfigData;
  if (data.CFGPageUpdating || !data.Configuration) return std::nullopt;
  const std::string type = KeptText(Type);
  const int row = ecu::LevelTypeIndex(type);
  if (row < 1 || row > static_cast<int>(data.LevelSensorTable.size())) return std::nullopt;
  const ecu::Level_Sensor_Box_Class& box = *data.LevelSensorTable[static_cast<std::size_t>(row - 1)];
  ecu::Configuration_Class& c = *data.Configuration;
  c.Level_Type = type;
  c.Level_Buzzer = Buzzer ? 1 : 0;
  c.Level_Invert = box.Invert;
  c.Level_90 = box.Level_90;
  std::array<int, 5> levels{};
  for (std::size_t i = 0; i < 5; ++i) levels[i] = box.Levels[i];
  return levels;
}

bool CFGPageUpdating() { return ecu::Session().ConfigData.CFGPageUpdating != 0; }

void SetCFGPageUpdating(bool Value) { ecu::Session().ConfigData.CFGPageUpdating = Value ? 1 : 0; }

TCFGPageHold::TCFGPageHold() : was_(CFGPageUpdating()) { SetCFGPageUpdating(true); }

TCFGPageHold::~TCFGPageHold() { SetCFGPageUpdating(was_); }

}  // namespace app
