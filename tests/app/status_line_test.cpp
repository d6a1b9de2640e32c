// The status-line rotator on the test clock, shown on the recorded status line.
#include <gtest/gtest.h>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/loop/Application.h"
#include "tests/ecu/FreshModel.h"
#include "tests/ecu/TempDir.h"
#include "tools/linkrec/Recorder.h"

namespace status_line_test {

namespace {

class StatusLineTest : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    ecu::Session().LiveData.StatusPrevious = 0;
    recorder = std::make_unique<linkrec::Recorder>();
    ecu::Session().ConfigData.Configuration = std::make_unique<ecu::Configuration_Class>();
    ecu::Session().ConfigData.Configuration->Work_Gas = 125;
    ecu::Session().ConfigData.Configuration->Work_Petrol = 0;
  }
  void TearDown() override {
    recorder.reset();
    rtl::Application->SetClock(nullptr);
    rtl::Application->Reset();
  }
  // The status line's texts as shown, with their times.
  std::vector<std::string> Shown() const {
    std::vector<std::string> texts;
    for (const auto& r : recorder->Find("text DynamicIND "))
      texts.push_back(rtl::IntToStr(static_cast<int>(r.Time)) + " " + r.What.substr(16));
    return texts;
  }
  const std::string& Color() const { return recorder->Control(app::TControl::DynamicIND).Color; }

  ecu_test::FreshModel fresh;
  rtl::TTestClock clock{0.0};
  std::unique_ptr<linkrec::Recorder> recorder;
};

const std::string Hours = "Gas : 2.08 hours\n\rPetrol : 0.00 hours";

TEST_F(StatusLineTest, ThreeMessagesShowTheNewestAtOnceThenRotateEveryTwoSeconds) {
  EXPECT_EQ(ecu::Session().LiveData.StatusPrevious, 192);
  app::AddStatusMessage("#FF000001", "A");
  app::AddStatusMessage("#FF000002", "B");
  app::AddStatusMessage("#FF000003", "C");
  app::AddStatusMessage("#FF000009", "B");  // already in force
  EXPECT_EQ(app::Model().StatusMessages.Count, 3);
  clock.Advance(6500);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"0 A", "0 B", "0 C", "2000 A", "4000 B", "6000 C"}));
  EXPECT_EQ(Color(), "#FF000003");

  // Removing a text not in force shows the next message at once.
  recorder->ClearLog();
  app::RemoveStatusMessage("X");
  app::RemoveStatusMessage("");
  EXPECT_EQ(Shown(), (std::vector<std::string>{"6500 A"}));
  app::RemoveStatusMessage("A");
  app::RemoveStatusMessage("C");
  app::RemoveStatusMessage("B");
  clock.Advance(5000);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"6500 A", "6500 C", "6500 B", "6500 " + Hours}));
  EXPECT_EQ(Color(), "#FFFFFFFF");
}

TEST_F(StatusLineTest, TheListHoldsTenMessagesAndEmptyTextsAreIgnored) {
  for (int i = 1; i <= 11; ++i) app::AddStatusMessage("#FF00000" + std::to_string(i % 10), "M" + std::to_string(i));
  app::AddStatusMessage("#FF000000", "");
  EXPECT_EQ(app::Model().StatusMessages.Count, 10);
  EXPECT_EQ(app::Model().StatusMessages.Texts[9], "M10");
  EXPECT_EQ(Shown().back(), "0 M10");
  app::RemoveStatusMessage("M1");
  EXPECT_EQ(app::Model().StatusMessages.Texts[8], "M10");
  EXPECT_EQ(app::Model().StatusMessages.Texts[9], "");
  EXPECT_EQ(app::Model().StatusMessages.Colors[9], "#FFFFFFFF");
}

TEST_F(StatusLineTest, ReceivingNoticeIsReplacedByDataLoadedThenTheHours) {
  app::StatusReceiveOn();
  EXPECT_EQ(Color(), "#FF0000FF");
  app::StatusReceiveOff();
  EXPECT_EQ(Color(), "#FF00FF00");
  clock.Advance(2000);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"0 Receiv data", "0 " + Hours, "0 Data loaded", "2000 " + Hours}));
  EXPECT_FALSE(app::Model().StatusMessages.Count);
}

// Started with another language in the settings file, the status line speaks it: a write's
// notice is added and removed in it, and so are the receiving notices; the working hours too.
// A notice whose key the language file lacks is English.
TEST_F(StatusLineTest, NoticesAndHoursSpeakTheLanguageChosenAtStart) {
  ecu_test::TempDir dir;
  ecu_test::WriteFile(dir / "Russian.lng",
                      "Gas \xC3\xE0\xE7\r\nPetrol \xC1\xE5\xED\xE7\xE8\xED\r\nDim_Hour_Long \xF7\xE0\xF1\xEE\xE2\r\n"
                      "DynamicIND_Transmission \xCF\xE5\xF0\xE5\xE4\xE0\xF7\xE0\r\n"
                      "DynamicIND_Receiv_On \xCF\xF0\xE8\xE5\xEC\r\n");
  ecu::Session().Texts.LanguageDir = dir.Path().string();
  ecu::Session().Texts.CurrentLanguage = "Russian";
  const std::string hours =
      "\xC3\xE0\xE7 : 2.08 \xF7\xE0\xF1\xEE\xE2\n\r\xC1\xE5\xED\xE7\xE8\xED : 0.00 \xF7\xE0\xF1\xEE\xE2";
  // What a write's announcement adds (the link's instruction 46) and the end of the write
  // removes.
  ecu::Session().Hosts.Host->AddStatusMessage(ecu::TColorRole::Txt_Information,
                                              ecu::LngText("DynamicIND_Transmission"));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"0 \xCF\xE5\xF0\xE5\xE4\xE0\xF7\xE0"}));
  recorder->WriteTaskEnded(21, true);
  EXPECT_EQ(app::Model().StatusMessages.Count, 0);
  app::StatusReceiveOn();
  app::StatusReceiveOff();
  clock.Advance(2000);
  EXPECT_EQ(Shown(),
            (std::vector<std::string>{"0 \xCF\xE5\xF0\xE5\xE4\xE0\xF7\xE0", "0 " + hours, "0 \xCF\xF0\xE8\xE5\xEC",
                                      "0 " + hours, "0 Data loaded", "2000 " + hours}));
  EXPECT_EQ(app::Model().StatusMessages.Count, 0);
}

}  // namespace

}  // namespace status_line_test
