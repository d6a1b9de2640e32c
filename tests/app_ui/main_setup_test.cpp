// The Setup page: each control writes through the configuration and one delayed write of the
// page; the customer's details commit on Enter and as their box is left; the level-sensor type brings its flags and
// thresholds; "Clear" asks for the errors to be cleared; the level image shows in work mode 4.
#include <gtest/gtest.h>

#include "app/core/Calibr_Map.h"
#include "app/core/Global_Unit.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Display.h"
#include "platform/win/WinTypes.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Shapes.h"

namespace main_setup_test {

namespace {

using apptest::MainWindowTest;

class MainSetupTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    MakeAndShow();
    RunQueue();
    ecu::Session().Link.LinkUp = 1;
    ecu::Session().Link.TaskRequest = 0;
  }
  const app::TPageCFGParts& Cfg() const { return main->PageCFG()->Parts(); }
  // The task asked for within Ms of the test clock (0: none).
  std::uint8_t RequestWithin(double Ms) {
    for (double t = 0; t < Ms && ecu::Session().Link.TaskRequest == 0; t += 10) Run(10);
    return ecu::Session().Link.TaskRequest;
  }
};

TEST_F(MainSetupTest, APageEditIsWrittenOnceAfterTheTransmissionDelay) {
  Cfg().HudComboTextBox_CFG_PG_RPM->SetText(u"1500");
  EXPECT_EQ(ecu::ConfigToCFGPageValues().PG_RPM, "1500");
  EXPECT_EQ(RequestWithin(1400), 0);
  EXPECT_EQ(RequestWithin(200), 22);
  // A check box the same way.
  ecu::Session().Link.TaskRequest = 0;
  vg::TvxHudCheckBox* hot = Cfg().HudCheckBox_CFG_PG_GAS_Hot_Engine;
  hot->SetIsChecked(!hot->IsChecked());
  EXPECT_EQ(ecu::ConfigToCFGPageValues().PG_GAS_Hot_Engine, hot->IsChecked());
  EXPECT_EQ(RequestWithin(1600), 22);
}

TEST_F(MainSetupTest, TheCustomersDetailsCommitOnEnter) {
  vg::TvxHudTextBox* name = Cfg().HudTextBox_CFG_User_Name;
  name->SetFocus();
  win::SimulateText(main.get(), "Ivan");
  Run(20);
  EXPECT_NE(ecu::Session().ConfigData.Configuration->User_Name, "Ivan") << "not before Enter";
  win::SimulateKeyStroke(main.get(), '\r');
  Run(20);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->User_Name, "Ivan");
  EXPECT_EQ(RequestWithin(1600), 22);
  // Enter in the notice commits it too, and makes no new line.
  ecu::Session().Link.TaskRequest = 0;
  Cfg().HudMemo_CFG_User_Notice->SetFocus();
  win::SimulateText(main.get(), "new injectors");
  win::SimulateKeyStroke(main.get(), '\r');
  Run(20);
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->Car_Comments, "new injectors");
  EXPECT_EQ(Cfg().HudMemo_CFG_User_Notice->Text(), u"new injectors");
}

// A customer's detail typed without Enter is taken as its box is left (for the File menu's
// button), before a file is saved in the save/load window (whose click leaves the focus in the
// box) and at the close; the file saved holds what was typed.
TEST_F(MainSetupTest, ACustomersDetailTypedWithoutEnterIsTakenWhenLeftSavedAndClosed) {
  const ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  Cfg().HudTextBox_CFG_User_Name->SetFocus();
  win::SimulateText(main.get(), "Ivanov");
  Run(20);
  ASSERT_EQ(c.User_Name, "");
  main->Parts().HudButton_Menu_File->SetFocus();
  EXPECT_EQ(c.User_Name, "Ivanov");
  EXPECT_EQ(RequestWithin(1600), 22) << "written as Enter writes it";
  ecu::Session().Link.TaskRequest = 0;

  const auto saveLoad = app::TForm_3D_SaveLoad::Create();
  main->RunFileMenuItem(0);
  Cfg().HudTextBox_CFG_User_Phone->SetFocus();
  win::SimulateText(main.get(), "5551234");
  saveLoad->Parts().HudTextBox_3D_SL_Name->SetText(u"car1");
  saveLoad->Parts().HudButton_3D_SL_Run->OnClick(saveLoad->Parts().HudButton_3D_SL_Run);
  const std::string saved = folder.Read("Config/car1.cfg");
  EXPECT_NE(saved.find(" Ivanov {}"), std::string::npos) << saved;
  EXPECT_NE(saved.find(" 5551234 {}"), std::string::npos) << saved;

  Cfg().HudMemo_CFG_User_Notice->SetFocus();
  win::SimulateText(main.get(), "blue car");
  Run(20);
  ASSERT_EQ(c.Car_Comments, "");
  main->Close();
  EXPECT_EQ(c.Car_Comments, "blue car");
}

// A customer's detail with characters the language's code page cannot hold (Cyrillic with the
// English texts: the file would keep "????") is refused as its box is left, naming the box and
// the characters typed: the box shows the text kept before, and nothing is taken or written; the
// leaves after it write nothing. A detail nobody touched keeps its bytes through another's edit.
// The save window quotes a name it refuses as typed.
TEST_F(MainSetupTest, ACustomersDetailTheCodePageCannotHoldIsRefusedNamingTheBoxAndTheCharacters) {
  ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  c.User_Phone = "555\x81";  // a byte the English code page does not define
  main->PageCFG()->ConfigToCFGPage();
  vg::TvxHudTextBox* name = Cfg().HudTextBox_CFG_User_Name;
  name->SetFocus();
  win::SimulateText(main.get(), "Ivan");
  win::SimulateKeyStroke(main.get(), '\r');
  Run(20);
  ASSERT_EQ(c.User_Name, "Ivan");
  EXPECT_EQ(c.User_Phone, "555\x81") << "a detail nobody touched lost its byte";
  EXPECT_EQ(RequestWithin(1600), 22);
  ecu::Session().Link.TaskRequest = 0;

  name->SelectAll();
  win::SimulateText(main.get(), "Иван");
  Run(20);
  ASSERT_EQ(name->Text(), u"Иван");
  std::string said;
  try {
    Cfg().HudTextBox_CFG_User_Phone->SetFocus();
  } catch (const rtl::EConvertError& e) {
    said = rtl::WideToUtf8(app::ReportShownText(e.what()));
  }
  EXPECT_EQ(said,
            "Name: \"Иван\" was not taken: the configuration file keeps its texts in the language's code page, which "
            "has no И, в, а, н");
  EXPECT_EQ(name->Text(), u"Ivan");
  EXPECT_EQ(c.User_Name, "Ivan");
  name->SetFocus();
  Cfg().HudTextBox_CFG_User_Phone->SetFocus();
  EXPECT_EQ(RequestWithin(3000), 0) << "a leave that changed nothing wrote the page";

  const auto saveLoad = app::TForm_3D_SaveLoad::Create();
  main->RunFileMenuItem(0);
  host->Messages.clear();
  saveLoad->Parts().HudTextBox_3D_SL_Name->SetText(u"Иван");
  saveLoad->Parts().HudButton_3D_SL_Run->OnClick(saveLoad->Parts().HudButton_3D_SL_Run);
  ASSERT_EQ(host->Messages.size(), 1u);
  EXPECT_EQ(rtl::WideToUtf8(app::ReportShownText(host->Messages[0].substr(4))).rfind("\"Иван\" cannot name", 0), 0u)
      << host->Messages[0];
}

// A press just below the close cross lands on the tab control's strip beside the tabs: it leaves
// the number being typed where it is (it had taken it as an edit, its reports in windows of their
// own, and the close begun by the release over the cross was lost). A click on the cross then
// closes, and the close takes the number.
TEST_F(MainSetupTest, APressUnderTheCloseCrossBesideTheTabsLeavesTheBoxAndTheCrossCloses) {
  const ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  vg::TvxHudComboTextBox* temper = Cfg().HudComboTextBox_CFG_PG_Temper;
  const std::int32_t before = c.PG_Temper;
  ASSERT_NE(before, 45);
  temper->SetFocus();
  temper->SelectAll();
  win::SimulateText(main.get(), "45");
  Run(20);
  const std::size_t shown = host->Messages.size();
  auto* cross = vg::FindPart<vg::TvxVisualObject>(main->Parts().HudWindow_3D_GEN, "close");
  ASSERT_NE(cross, nullptr);
  const vg::TvxRect r = cross->GetAbsoluteRect();
  const int x = static_cast<int>((r.Left + r.Right) / 2), on = static_cast<int>((r.Top + r.Bottom) / 2);
  const int below = static_cast<int>(r.Bottom) + 6;
  ASSERT_EQ(main->Parts().HudWindow_3D_GEN->ObjectAtPoint({static_cast<float>(x), static_cast<float>(below)}),
            main->Parts().HudTabControl_GEN);
  win::SimulateMouseMove(main.get(), x, below);
  win::SimulateMouseButton(main.get(), rtl::mbLeft, true, x, below);
  win::SimulateMouseMove(main.get(), x, on);
  win::SimulateMouseButton(main.get(), rtl::mbLeft, false, x, on);
  Run(20);
  EXPECT_TRUE(temper->IsFocused());
  EXPECT_EQ(c.PG_Temper, before);
  EXPECT_EQ(host->Messages.size(), shown);
  win::SimulateMouseButton(main.get(), rtl::mbLeft, true, x, on);
  win::SimulateMouseButton(main.get(), rtl::mbLeft, false, x, on);
  EXPECT_EQ(c.PG_Temper, 45) << "the close takes the number";
}

// A number typed into a box is taken when the installer has finished it: Enter, the focus
// leaving the box, or an entry chosen from its list. "3" on the way to 3000 goes nowhere
// however long the pause (it went out as 458 rpm), nor when another control writes the page;
// Enter and then leaving the box write the number once; a text that is no number at Enter
// takes and writes nothing, and the box shows the number in force.
TEST_F(MainSetupTest, ANumberIsTakenWhenItIsFinishedNotWhileItIsTyped) {
  const ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  vg::TvxHudComboTextBox* rpm = Cfg().HudComboTextBox_CFG_PG_RPM;
  vg::TvxHudComboTextBox* temper = Cfg().HudComboTextBox_CFG_PG_Temper;
  const std::int32_t before = c.PG_RPM;
  ASSERT_NE(before, 3000);
  const auto enter = [&] {
    win::SimulateKeyStroke(main.get(), '\r');
    Run(20);
  };
  rpm->SetFocus();
  win::SimulateText(main.get(), "3");
  EXPECT_EQ(RequestWithin(3000), 0) << "half typed";
  EXPECT_EQ(c.PG_RPM, before);
  EXPECT_EQ(rpm->Text(), u"3");
  win::SimulateText(main.get(), "000");
  enter();
  EXPECT_EQ(c.PG_RPM, 3000);
  EXPECT_EQ(RequestWithin(1600), 22);
  ecu::Session().Link.TaskRequest = 0;
  temper->SetFocus();
  EXPECT_EQ(RequestWithin(3000), 0) << "leaving after Enter wrote again";

  rpm->SetFocus();
  win::SimulateText(main.get(), "25x0");
  EXPECT_THROW(enter(), rtl::EConvertError);
  EXPECT_EQ(rpm->Text(), u"3000");
  EXPECT_EQ(c.PG_RPM, 3000);
  EXPECT_EQ(RequestWithin(3000), 0) << "a text that is no number wrote";

  // A typo, taken as the focus leaves: held to the range, shown so and written.
  win::SimulateText(main.get(), "45308");
  EXPECT_EQ(RequestWithin(3000), 0);
  temper->SetFocus();
  EXPECT_EQ(c.PG_RPM, 8000);
  EXPECT_EQ(rpm->Text(), u"8000");
  EXPECT_EQ(RequestWithin(1600), 22);

  // Another control writes the page (the MAP collection starts): the number being typed waits.
  ecu::Session().Link.TaskRequest = 0;
  rpm->SetFocus();
  win::SimulateText(main.get(), "1");
  app::MapCollectionStart();
  EXPECT_EQ(c.Save_Map, 1);
  EXPECT_EQ(c.PG_RPM, 8000);
  EXPECT_EQ(RequestWithin(1600), 22);
  ecu::Session().Link.TaskRequest = 0;

  // An entry chosen from the list is taken at once (as a press on it sets it), whatever was
  // being typed; so is the entry the arrow key steps to.
  ASSERT_EQ(rpm->Items()->Get(3), u"1200");
  rpm->SetItemIndex(3);
  EXPECT_EQ(c.PG_RPM, 1200);
  std::uint16_t down = win::VK_DOWN;
  char16_t none = 0;
  rpm->KeyDown(down, none, {});
  EXPECT_EQ(rpm->Text(), u"1500");
  EXPECT_EQ(c.PG_RPM, 1500);
  EXPECT_EQ(RequestWithin(1600), 22);
}

// The ECU comes back and is read again while a number is being typed: every box shows what the
// ECU holds but the one being typed into, which keeps what was typed and is taken when finished
// (a customer's detail the same way). A box that has the focus with nothing typed shows the
// ECU's value; an edit refused while the ECU is being read shows the value in force again.
TEST_F(MainSetupTest, TheEcuReadAgainLeavesTheBoxBeingTypedInto) {
  ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  vg::TvxHudComboTextBox* rpm = Cfg().HudComboTextBox_CFG_PG_RPM;
  vg::TvxHudTextBox* name = Cfg().HudTextBox_CFG_User_Name;
  const auto read = [&](std::int32_t RPM, const char* Name) {
    c.PG_RPM = RPM;
    c.PG_Temper = 33;
    c.User_Name = Name;
    host->ConfigToUserPage();
    host->ConfigToCFGPage();
  };
  rpm->SetFocus();
  rpm->SelectAll();
  win::SimulateText(main.get(), "2600");
  read(1500, "Petrov");
  EXPECT_EQ(rpm->Text(), u"2600");
  EXPECT_EQ(Cfg().HudComboTextBox_CFG_PG_Temper->Text(), u"33");
  EXPECT_EQ(name->Text(), u"Petrov");
  win::SimulateKeyStroke(main.get(), '\r');
  Run(20);
  EXPECT_EQ(c.PG_RPM, 2600);
  EXPECT_EQ(RequestWithin(1600), 22);
  read(1700, "Petrov");
  EXPECT_EQ(rpm->Text(), u"1700") << "nothing typed since";

  name->SetFocus();
  name->SelectAll();
  win::SimulateText(main.get(), "Sidorov");
  read(1700, "Ivanov");
  EXPECT_EQ(name->Text(), u"Sidorov");
  rpm->SetFocus();
  EXPECT_EQ(c.User_Name, "Sidorov");

  ecu::Session().Link.Reading = 1;
  rpm->SelectAll();
  win::SimulateText(main.get(), "2000");
  win::SimulateKeyStroke(main.get(), '\r');
  Run(20);
  EXPECT_EQ(c.PG_RPM, 1700);
  EXPECT_EQ(rpm->Text(), u"1700");
}

// A customer's detail the code page cannot hold, typed while the ECU is read again: another edit
// of the page that leaves its box (a check box's change) does not take it, so the next reading
// leaves it typed, and its box's leave refuses it; refused on Enter, its box shows the
// configuration's text and follows the ECU's readings again as a box nothing was typed into.
TEST_F(MainSetupTest, ACustomersDetailNotTakenStaysTypedAndOnceRefusedShowsWhatTheEcuReads) {
  ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  vg::TvxHudTextBox* name = Cfg().HudTextBox_CFG_User_Name;
  const auto read = [&](const char* Name) {
    c.User_Name = Name;
    host->ConfigToUserPage();
  };
  name->SetFocus();
  win::SimulateText(main.get(), "Иван");
  Cfg().HudCheckBox_CFG_PG_GAS_Hot_Engine->SetIsChecked(!Cfg().HudCheckBox_CFG_PG_GAS_Hot_Engine->IsChecked());
  EXPECT_EQ(c.User_Name, "");
  read("Petrov");
  EXPECT_EQ(name->Text(), u"Иван") << "what was typed, and not taken, was lost";
  EXPECT_THROW(win::SimulateKeyStroke(main.get(), '\r'), rtl::EConvertError);
  EXPECT_EQ(name->Text(), u"Petrov");
  ASSERT_TRUE(name->IsFocused());
  read("Ivanov");
  EXPECT_EQ(name->Text(), u"Ivanov");
}

// A number typed beyond what its value carries is held to its range as it is taken (so box,
// model and ECU agree), written, and the installer is told in the settings window's words,
// naming the box; where the range has a gap, the words name the part the number was held
// into. A number taken as typed, or with only a fraction dropped, is written without a word.
TEST_F(MainSetupTest, ANumberHeldToItsRangeIsWrittenAndSaidSo) {
  const ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  vg::TvxHudComboTextBox* rpm = Cfg().HudComboTextBox_CFG_PG_RPM;
  vg::TvxHudComboTextBox* temper = Cfg().HudComboTextBox_CFG_PG_Temper;
  vg::TvxHudComboTextBox* time = Cfg().HudComboTextBox_CFG_PG_Time;
  struct Case {
    vg::TvxHudComboTextBox* Box;
    const char* Typed;
    const char16_t* Shown;
    std::string Said;  // empty: nothing
  };
  const Case cases[] = {
      {rpm, "45308", u"8000", "Switch to gas when RPM: 45308 is outside 0 to 8000; 8000 is taken"},
      {rpm, "200", u"458", "Switch to gas when RPM: 200 is outside 458 to 8000; 458 is taken"},
      {rpm, "-5", u"0", "Switch to gas when RPM: -5 is outside 0 to 8000; 0 is taken"},
      {rpm, "2500", u"2500", ""},
      {temper, "5000", u"3276", "Switch to gas when temperature: 5000 is outside -3276 to 3276; 3276 is taken"},
      {time, "30", u"25.5", "Delay of gas injectors: 30 is outside 0.0 to 25.5; 25.5 is taken"},
      {time, "12.8", u"12.7", "Delay of gas injectors: 12.8 is outside 0.0 to 12.7; 12.7 is taken"},
      {time, "3.45", u"3.4", ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.Typed);
    host->Messages.clear();
    ecu::Session().Link.TaskRequest = 0;
    k.Box->SetFocus();
    k.Box->SetText({});
    win::SimulateText(main.get(), k.Typed);
    win::SimulateKeyStroke(main.get(), '\r');
    Run(20);
    EXPECT_EQ(k.Box->Text(), k.Shown);
    EXPECT_EQ(RequestWithin(1600), 22) << "the number held is written";
    // The program's own reports (the sensor table's missing file has its own kind).
    std::vector<std::string> said;
    for (const std::string& m : host->Messages)
      if (m.rfind("13: ", 0) == 0) said.push_back(m.substr(4));
    EXPECT_EQ(said, k.Said.empty() ? std::vector<std::string>{} : std::vector<std::string>{k.Said});
  }
  EXPECT_EQ(c.PG_RPM, 2500);
  EXPECT_EQ(c.PG_Temper, 3276);
  EXPECT_EQ(c.PG_Time, 34);
  // The focus leaving after Enter takes nothing again, and says nothing again.
  host->Messages.clear();
  ecu::Session().Link.TaskRequest = 0;
  rpm->SetFocus();
  EXPECT_TRUE(host->Messages.empty()) << host->Messages.front();
  EXPECT_EQ(RequestWithin(1600), 0);
}

// The window goes (the system asks the program to end) while a box still holds the focus
// with a number typed into it: its loss of the focus as the page is freed changes nothing.
TEST_F(MainSetupTest, ABoxHoldingTheFocusWhenTheWindowIsFreedChangesNothing) {
  vg::TvxHudComboTextBox* temper = Cfg().HudComboTextBox_CFG_PG_Temper;
  const std::int32_t taken = ecu::Session().ConfigData.Configuration->PG_Temper;
  temper->SetFocus();
  ASSERT_TRUE(temper->IsFocused());
  win::SimulateText(main.get(), "5");
  Run(20);
  ASSERT_EQ(temper->Text(), u"5");
  ASSERT_EQ(ecu::Session().ConfigData.Configuration->PG_Temper, taken) << "typed, not entered";
  port.reset();
  main.reset();
  EXPECT_EQ(ecu::Session().ConfigData.Configuration->PG_Temper, taken);
}

TEST_F(MainSetupTest, ALevelSensorTypeBringsItsFlagsAndThresholds) {
  Cfg().HudComboTextBox_CFG_Level_Sensor->SetText(u"AEB 806");
  ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  EXPECT_EQ(c.Level_Type, "AEB 806");
  EXPECT_EQ(c.Level_Invert, 1);
  EXPECT_EQ(c.Level_90, 0);
  const int expected[5] = {930, 773, 634, 429, 235};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(Cfg().HudTrackBar_LevelGas[i]->Value(), expected[i]);
    EXPECT_EQ(c.Level(static_cast<int>(i) + 1), expected[i]);
  }
  EXPECT_EQ(RequestWithin(1600), 22);
}

// With no ECU answering nothing can be asked (it would go to whatever answers next): each press
// is told, as a change that cannot be written then.
TEST_F(MainSetupTest, ClearAsksTheEcuToClearItsErrors) {
  vg::TvxHudButton* clear = Cfg().HudButton_CFG_Errors_Clear;
  clear->OnClick(clear);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 25);
  EXPECT_TRUE(host->Messages.empty());

  ecu::Session().Link.TaskRequest = 0;
  ecu::Session().Link.LinkUp = 0;
  clear->OnClick(clear);
  clear->OnClick(clear);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(host->Messages, std::vector<std::string>(2, "13: " + ecu::LngText("MSG_Not_Written_No_Link")));
}

TEST_F(MainSetupTest, TheLevelImageAndItsLineShowOnlyInWorkMode4) {
  vg::TvxVisualObject* image = Cfg().Image_CFG_LevelSensor;
  ecu::Session().LiveData.WorkMode = 2;
  ecu::Session().LiveData.LiveLevel = 512;
  main->UpdateLevelSensorImage();
  EXPECT_FALSE(image->Visible());
  ecu::Session().LiveData.WorkMode = 4;
  main->UpdateLevelSensorImage();
  EXPECT_TRUE(image->Visible());
  EXPECT_FLOAT_EQ(Cfg().Line_CFG_LevelSensor->Position()->Y(), 512 * image->Height() / 1023);
}

TEST_F(MainSetupTest, ThePageEditThenADiagramEditWithinTheDelayAreBothWritten) {
  Cfg().HudComboTextBox_CFG_PG_Temper->SetText(u"45");
  Run(500);
  app::ScheduleTransmit(3);
  // One write that carries both: the whole configuration.
  EXPECT_EQ(RequestWithin(1600), 21);
}

}  // namespace

}  // namespace main_setup_test
