// What the windows show of a live sample: the indicators' texts, the work mode's text and the
// level circles, with their colours as roles of the colour table. The core makes it from the
// session each time a live-data reply has been decoded and publishes it to the host
// (TCoreHost::PublishIndicators), which puts it into the controls bound to it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ecu {
class TSession;
}

namespace app {

// Colours of the live display: roles of the colour table, the neutral circle and the alarm
// of a level below every threshold.
enum class TLiveColor : std::uint8_t { Neutral, Petrol, Automat, Gas, Alarm };

// The live values, in the order of the indicator column.
enum class TLiveValue : std::uint8_t { Petrol, Gas, RPM, TempVap, TempGas, PressVap, PressColl, PressDiff };
constexpr int LiveValueCount = 8;
constexpr int LevelCircleCount = 7;

struct TIndicatorsView {
  std::array<std::string, LiveValueCount> Values;  // by TLiveValue
  std::string Level;                               // the level sensor's voltage
  // False while the level blink owns the circles: the work mode, the circles and the level's
  // visibility stay as they are.
  bool ModeShown = true;
  // A work mode the display knows (petrol, automatic, gas): its text, colour and circle 6's
  // visibility are shown; otherwise only the circles and the level's visibility.
  bool ModeKnown = false;
  std::string WorkMode;
  TLiveColor WorkModeColor = TLiveColor::Neutral;
  bool Circle6Shown = true;
  std::array<TLiveColor, LevelCircleCount> Circles{};
  bool LevelShown = false;  // the level's box and its label (in gas mode)
};

// The view of the session's live data. ModeShown as above.
TIndicatorsView IndicatorsViewOf(const ecu::TSession& Session, bool ModeShown);

}  // namespace app
