// The view of a live sample the windows show: texts of the live values, the work mode and the
// level circles' colour roles, made from the session alone.
#include <gtest/gtest.h>

#include <memory>

#include "app/core/Indicators.h"
#include "ecu/Session.h"
#include "tests/ecu/FreshModel.h"

namespace indicators_test {

namespace {

using app::TLiveColor;
using app::TLiveValue;
constexpr TLiveColor N = TLiveColor::Neutral, G = TLiveColor::Gas, P = TLiveColor::Petrol;

class IndicatorsView : public ::testing::Test {
protected:
  ecu_test::FreshModel model;
  ecu::TLiveState& live = ecu::Session().LiveData;
  void SetUp() override {
    ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
    for (int k = 1; k <= 5; ++k) ecu::Session().ConfigData.Configuration->Level(k) = 100 * k;
    ecu::Session().Texts.LanguageWords.Gas = "Gas";
    ecu::Session().Texts.LanguageWords.Petrol = "Petrol";
    ecu::Session().Texts.LanguageWords.Automat = "Auto";
  }
  app::TIndicatorsView View(bool ModeShown = true) { return app::IndicatorsViewOf(ecu::Session(), ModeShown); }
  static const std::string& Value(const app::TIndicatorsView& V, TLiveValue Which) {
    return V.Values[static_cast<std::size_t>(Which)];
  }
};

TEST_F(IndicatorsView, ValuesAreFormattedEachInItsUnit) {
  live.LivePetrolTimeAvg = 3050;
  live.LiveGasTimeAvg = 4129;
  live.LiveRPM = 800;
  live.LivePressVap = 248;
  live.LivePressDiff = 0;
  live.LiveTempVap = 655;
  live.LiveLevel = 1023;
  const app::TIndicatorsView v = View();
  EXPECT_EQ(Value(v, TLiveValue::Petrol), "3.05");
  EXPECT_EQ(Value(v, TLiveValue::Gas), "4.12");
  EXPECT_EQ(Value(v, TLiveValue::RPM), "800");
  EXPECT_EQ(Value(v, TLiveValue::PressVap), "2.48");
  EXPECT_EQ(Value(v, TLiveValue::PressDiff), "0.00");
  EXPECT_EQ(Value(v, TLiveValue::TempVap), "65.5");
  EXPECT_EQ(v.Level, "5.00");
}

TEST_F(IndicatorsView, EachWorkModeNamesItsTextColourAndCircles) {
  live.WorkMode = 1;
  app::TIndicatorsView v = View();
  EXPECT_TRUE(v.ModeKnown);
  EXPECT_EQ(v.WorkMode, "Petrol");
  EXPECT_EQ(v.WorkModeColor, P);
  EXPECT_TRUE(v.Circle6Shown);
  EXPECT_EQ(v.Circles, (std::array<TLiveColor, 7>{N, N, N, N, N, N, P}));

  live.WorkMode = 2;
  v = View();
  EXPECT_EQ(v.WorkMode, "Auto");
  EXPECT_EQ(v.WorkModeColor, TLiveColor::Automat);
  EXPECT_EQ(v.Circles, (std::array<TLiveColor, 7>{N, N, N, N, N, G, P}));

  // Gas: a circle per threshold the level has reached, circle 6 hidden, the level's box shown
  // (the link decides that with circle 6).
  live.WorkMode = 4;
  live.LiveLevel = 320;
  live.Circle6Hidden = true;
  v = View();
  EXPECT_EQ(v.WorkModeColor, G);
  EXPECT_FALSE(v.Circle6Shown);
  EXPECT_TRUE(v.LevelShown);
  EXPECT_EQ(v.Circles, (std::array<TLiveColor, 7>{N, G, G, G, N, N, N}));
  // Below every threshold: the first circle is the alarm.
  live.LiveLevel = 50;
  EXPECT_EQ(View().Circles, (std::array<TLiveColor, 7>{TLiveColor::Alarm, N, N, N, N, N, N}));
  // An inverted sensor counts the other way.
  ecu::Session().ConfigData.Configuration->Level_Invert = 1;
  live.LiveLevel = 320;
  EXPECT_EQ(View().Circles, (std::array<TLiveColor, 7>{N, N, N, N, G, G, N}));
  live.LiveLevel = 900;
  EXPECT_EQ(View().Circles[0], TLiveColor::Alarm);

  // A mode the display does not know names no text; the blink's hold is passed on.
  live.WorkMode = 3;
  v = View(false);
  EXPECT_FALSE(v.ModeKnown);
  EXPECT_FALSE(v.ModeShown);
  EXPECT_EQ(v.Circles, (std::array<TLiveColor, 7>{N, N, N, N, N, N, N}));
}

}  // namespace

}  // namespace indicators_test
