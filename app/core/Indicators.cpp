#include "app/core/Indicators.h"

#include "ecu/Calc_Unit.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

TIndicatorsView IndicatorsViewOf(const ecu::TSession& Session, bool ModeShown) {
  const ecu::TLiveState& live = Session.LiveData;
  TIndicatorsView v;
  auto value = [&v](TLiveValue Which) -> std::string& { return v.Values[static_cast<std::size_t>(Which)]; };
  value(TLiveValue::Petrol) = ecu::FormatThousandths(live.LivePetrolTimeAvg);
  value(TLiveValue::Gas) = ecu::FormatThousandths(live.LiveGasTimeAvg);
  value(TLiveValue::RPM) = rtl::IntToStr(live.LiveRPM);
  value(TLiveValue::PressVap) = ecu::FormatHundredths(live.LivePressVap);
  value(TLiveValue::PressColl) = ecu::FormatHundredths(live.LivePressColl);
  value(TLiveValue::PressDiff) = ecu::FormatHundredths(live.LivePressDiff);
  value(TLiveValue::TempVap) = ecu::FormatTenths(live.LiveTempVap);
  value(TLiveValue::TempGas) = ecu::FormatTenths(live.LiveTempGas);
  v.Level = ecu::LevelToVoltText(live.LiveLevel);
  v.ModeShown = ModeShown;
  v.Circles.fill(TLiveColor::Neutral);
  const ecu::TLanguageWords& words = Session.Texts.LanguageWords;
  switch (live.WorkMode) {
    case 1:
      v.ModeKnown = true;
      v.WorkMode = words.Petrol;
      v.WorkModeColor = TLiveColor::Petrol;
      v.Circles[6] = TLiveColor::Petrol;
      break;
    case 2:
      v.ModeKnown = true;
      v.WorkMode = words.Automat;
      v.WorkModeColor = TLiveColor::Automat;
      v.Circles[5] = TLiveColor::Gas;
      v.Circles[6] = TLiveColor::Petrol;
      break;
    case 4: {
      v.ModeKnown = true;
      v.WorkMode = words.Gas;
      v.WorkModeColor = TLiveColor::Gas;
      v.Circle6Shown = false;
      ecu::Configuration_Class* c = Session.ConfigData.Configuration.get();
      const bool invert = c && c->Level_Invert;
      bool allBelow = true, allAbove = true;
      for (int k = 1; k <= 5; ++k) {
        const std::int32_t level = c ? c->Level(k) : 0;
        const bool lit = invert ? level > live.LiveLevel : level <= live.LiveLevel;
        if (lit) v.Circles[static_cast<std::size_t>(k)] = TLiveColor::Gas;
        allBelow = allBelow && level < live.LiveLevel;
        allAbove = allAbove && level > live.LiveLevel;
      }
      if (invert ? allBelow : allAbove) v.Circles[0] = TLiveColor::Alarm;
      break;
    }
    default: break;
  }
  v.LevelShown = live.Circle6Hidden;
  return v;
}

}  // namespace app
