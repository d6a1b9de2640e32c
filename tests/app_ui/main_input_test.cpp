// What the installer does on the main window: the fuel keys and the work-mode button, typing
// in a text box, the access code, the File and Language menus, and closing the window.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Page_CFG.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"

namespace main_input_test {

namespace {

using apptest::MainWindowTest;

class MainInputTest : public MainWindowTest {
protected:
  void Key(char Letter) {
    win::SimulateKeyStroke(main.get(), Letter);
    Run(20);
  }
  void Type(vg::TvxVisualObject* Box, const std::string& Text) {
    Box->SetFocus();
    for (char c : Text) {
      win::SimulateKey(main.get(), c, true);
      win::SimulateText(main.get(), std::string(1, c));
      win::SimulateKey(main.get(), c, false);
    }
    Run(20);
  }
};

TEST_F(MainInputTest, GSwitchesToGasAndPToPetrolButNotWhileATextControlHasTheFocus) {
  MakeAndShow();
  ecu::Session().Link.LinkUp = 1;  // nothing is asked of an ECU that does not answer
  Key('g');
  EXPECT_EQ(ecu::Session().Link.ModeCommandFlags, 240);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 17);
  Key('p');
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 18);
  ecu::Session().Link.TaskRequest = 0;
  ecu::Session().Link.ModeCommandFlags = 0;
  // In the customer's name box "G" is a letter (the edit may ask for the page's write, never for
  // a work mode).
  const auto noModeAsked = [] {
    const ecu::TTask asked = ecu::RequestedTask();
    return asked != ecu::TTask::GasMode && asked != ecu::TTask::PetrolMode;
  };
  const app::TPageCFGParts& cfg = main->PageCFG()->Parts();
  Type(cfg.HudTextBox_CFG_User_Name, "Gp");
  EXPECT_EQ(cfg.HudTextBox_CFG_User_Name->Text(), u"Gp");
  EXPECT_TRUE(noModeAsked());
  EXPECT_EQ(ecu::Session().Link.ModeCommandFlags, 0);
  // So it is in an editable combo box and in the hidden access-code box; "F" too.
  Type(cfg.HudComboTextBox_CFG_PG_RPM, "g");
  Type(main->Parts().HudTextBox_Password, "gf");
  RunQueue();
  EXPECT_TRUE(noModeAsked());
  EXPECT_FALSE(app::Model().Settings.Full_Screen);
}

TEST_F(MainInputTest, EscapeReachesTheDiagramOnlyOnTheGraphPage) {
  MakeAndShow();
  ecu::Session().ConfigData.SelectedPoint = 3;
  win::SimulateKeyStroke(main.get(), '\x1b');  // Escape
  Run(20);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, 3) << "the Setup page has no diagram";
  main->Parts().HudTabControl_GEN->SetItemIndex(2);
  Run(20);
  win::SimulateKeyStroke(main.get(), '\x1b');  // Escape
  Run(20);
  EXPECT_EQ(ecu::Session().ConfigData.SelectedPoint, -1) << "Escape drops the selected point";
}

TEST_F(MainInputTest, TheModeButtonAsksForTheNextModeOfTheOneTheEcuIsIn) {
  MakeAndShow();
  ecu::Session().Link.LinkUp = 1;
  vg::TvxHudButton* mode = main->Parts().HudButton_Work_Mode;
  const std::pair<std::uint8_t, std::uint8_t> expected[] = {{1, 19}, {2, 17}, {4, 18}};
  for (auto [workMode, task] : expected) {
    ecu::Session().Link.TaskRequest = 0;
    ecu::Session().Link.ModeCommandFlags = 99;
    ecu::Session().LiveData.WorkMode = workMode;
    mode->OnClick(mode);
    EXPECT_EQ(ecu::Session().Link.TaskRequest, task) << "work mode " << int(workMode);
    EXPECT_EQ(ecu::Session().Link.ModeCommandFlags, workMode == 2 ? 240 : 0);
  }
  ecu::Session().Link.TaskRequest = 0;
  ecu::Session().LiveData.WorkMode = 3;
  mode->OnClick(mode);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_TRUE(host->Messages.empty());

  // With no ECU answering, the button and the keys G and P ask nothing (it would go to whatever
  // answers next), and each press is told.
  ecu::Session().Link.LinkUp = 0;
  ecu::Session().LiveData.WorkMode = 2;
  ecu::Session().Link.ModeCommandFlags = 0;
  mode->OnClick(mode);
  Key('g');
  Key('p');
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 0);
  EXPECT_EQ(ecu::Session().Link.ModeCommandFlags, 0);
  EXPECT_EQ(host->Messages, std::vector<std::string>(3, "13: " + ecu::LngText("MSG_Not_Written_No_Link")));
}

TEST_F(MainInputTest, TheAccessCodeRevealsFlipAndSettingsRightOfTheLanguageMenu) {
  MakeAndShow();
  const app::TMainParts& p = main->Parts();
  ASSERT_FALSE(p.HudButton_3D_GEN_Flip->Visible());
  // A press on the status line focuses the hidden box, emptied.
  p.HudTextBox_Password->SetText(u"left over");
  p.HudLabel_DynamicIND->OnMouseDown(p.HudLabel_DynamicIND, rtl::mbLeft, {}, 1, 1);
  EXPECT_TRUE(p.HudTextBox_Password->IsFocused());
  EXPECT_EQ(p.HudTextBox_Password->Text(), u"");
  Type(p.HudTextBox_Password, "pelund7390");
  win::SimulateKeyStroke(main.get(), '\r');
  Run(20);
  EXPECT_FALSE(p.HudButton_3D_GEN_Flip->Visible()) << "a wrong code does nothing";
  EXPECT_FALSE(p.HudButton_3D_GEN_Settings->Visible());
  p.HudLabel_Port_Name->OnMouseDown(p.HudLabel_Port_Name, rtl::mbLeft, {}, 1, 1);
  Type(p.HudTextBox_Password, "pelund7391");
  win::SimulateKeyStroke(main.get(), '\r');
  Run(20);
  ASSERT_TRUE(p.HudButton_3D_GEN_Flip->Visible());
  ASSERT_TRUE(p.HudButton_3D_GEN_Settings->Visible());
  const vg::TvxHudButton* lng = p.HudButton_Menu_LNG;
  EXPECT_EQ(p.HudButton_3D_GEN_Flip->Position()->X(), lng->Position()->X() + lng->Width());
  EXPECT_EQ(p.HudButton_3D_GEN_Flip->Position()->Y(), lng->Position()->Y());
  EXPECT_EQ(p.HudButton_3D_GEN_Settings->Position()->X(),
            p.HudButton_3D_GEN_Flip->Position()->X() + p.HudButton_3D_GEN_Flip->Width());
}

// Flip and Settings take their captions from their own keys (English "Flip" and "Setting"); a
// language file that gives only the keys Flip and Settings, as older files do, still gives them
// its words; one that gives neither leaves the English captions.
TEST_F(MainInputTest, FlipAndSettingsCaptionsComeFromTheirOwnKeysOrTheOlderOnes) {
  folder.Write("Language/Older.lng", "Flip Kippen\r\nSettings Einstellungen\r\n");
  folder.Write("Language/Newer.lng",
               "Flip Kippen\r\nSettings Einstellungen\r\nButton_GEN_Flip Wenden\r\n"
               "Button_GEN_Settings Optionen\r\n");
  folder.Write("Language/Other.lng", "Yes Ja\r\n");
  MakeAndShow();
  const app::TMainParts& p = main->Parts();
  ASSERT_TRUE(main->EnterAccessCode(u"pelund7391"));
  Run(200);
  const auto captions = [&] {
    return rtl::WideToUtf8(p.HudButton_3D_GEN_Flip->Text() + u"|" + p.HudButton_3D_GEN_Settings->Text());
  };
  EXPECT_EQ(captions(), "Flip|Setting");
  const auto choose = [&](const std::u16string& Name) {
    vg::TvxHudStringListBox* list = p.HudStringListBox_Menu_LNG;
    const int at = list->Items()->IndexOf(Name);
    ASSERT_GE(at, 0) << rtl::WideToUtf8(Name);
    main->ChooseLanguage(at);
    Run(200);
  };
  choose(u"Older");
  EXPECT_EQ(captions(), "Kippen|Einstellungen");
  choose(u"Newer");
  EXPECT_EQ(captions(), "Wenden|Optionen");
  choose(u"Other");
  EXPECT_EQ(captions(), "Flip|Setting");
  choose(u"English");
  EXPECT_EQ(captions(), "Flip|Setting");
}

TEST_F(MainInputTest, MenusOpenUnderTheirButtonsSwitchOnHoverAndCloseAfterThePointerLeaves) {
  MakeAndShow();
  const app::TMainParts& p = main->Parts();
  EXPECT_EQ(p.HudPanel_GEN_Menu_File->Width(), 104);
  EXPECT_EQ(p.HudPanel_GEN_Menu_File->Height(), 84);
  EXPECT_EQ(p.HudStringListBox_Menu_File->Items()->Count(), 4);
  EXPECT_EQ(p.HudStringListBox_Menu_File->Items()->Get(3), u"Exit");
  p.HudButton_Menu_File->OnMouseDown(p.HudButton_Menu_File, rtl::mbLeft, {}, 1, 1);
  EXPECT_TRUE(p.HudPanel_GEN_Menu_File->Visible());
  EXPECT_FALSE(p.HudPanel_GEN_Menu_LNG->Visible());
  // The menu shows in a window of its own (so above every window of the program), 104 x 84,
  // right under its button: at the button's X and its Y + its height - 1.
  {
    const win::TCustomForm* menu = p.Popup_GEN_Menu_File->PopupForm();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->Showing());
    const vg::TvxPoint b = p.HudButton_Menu_File->LocalToAbsolute({0, p.HudButton_Menu_File->Height() - 1});
    EXPECT_EQ(menu->Left(), main->Left() + static_cast<int>(b.X));
    EXPECT_EQ(menu->Top(), main->Top() + static_cast<int>(b.Y));
    EXPECT_EQ(menu->Width(), 104);
    EXPECT_EQ(menu->Height(), 84);
  }
  // Moving over the other button while one is open switches to its menu.
  p.HudButton_Menu_LNG->OnMouseMove(p.HudButton_Menu_LNG, {}, 1, 1, 0, 0);
  EXPECT_FALSE(p.HudPanel_GEN_Menu_File->Visible());
  EXPECT_TRUE(p.HudPanel_GEN_Menu_LNG->Visible());
  EXPECT_EQ(p.Popup_GEN_Menu_File->PopupForm(), nullptr);
  ASSERT_NE(p.Popup_GEN_Menu_LNG->PopupForm(), nullptr);
  // Leaving starts the menu timer; its tick 300 ms later closes both.
  p.HudButton_Menu_LNG->OnMouseLeave(p.HudButton_Menu_LNG);
  Run(250);
  EXPECT_TRUE(p.HudPanel_GEN_Menu_LNG->Visible());
  Run(100);
  EXPECT_FALSE(p.HudPanel_GEN_Menu_LNG->Visible());
  EXPECT_FALSE(main->MenuOpen());
  EXPECT_EQ(p.Popup_GEN_Menu_LNG->PopupForm(), nullptr) << "the menu's window stayed";
  // Without an open menu, hovering opens nothing.
  p.HudButton_Menu_File->OnMouseMove(p.HudButton_Menu_File, {}, 1, 1, 0, 0);
  EXPECT_FALSE(p.HudPanel_GEN_Menu_File->Visible());
}

TEST_F(MainInputTest, AMenuItemPickedWithTheMouseLeavesTheShortcutsWorking) {
  MakeAndShow();
  ecu::Session().Link.LinkUp = 1;
  RunQueue();
  const app::TMainParts& p = main->Parts();
  auto click = [&](win::TCustomForm* Form, vg::TvxVisualObject* Object) {
    const vg::TvxMatrix& m = Object->GetAbsoluteMatrix();
    const int x = static_cast<int>(m.m31) + 5, y = static_cast<int>(m.m32) + 5;
    win::SimulateMouseMove(Form, x, y);
    win::SimulateMouseButton(Form, rtl::mbLeft, true, x, y);
    win::SimulateMouseButton(Form, rtl::mbLeft, false, x, y);
    Run(20);
  };
  click(main.get(), p.HudButton_Menu_File);
  ASSERT_TRUE(p.HudPanel_GEN_Menu_File->Visible());
  // The list shows in the menu's window.
  ASSERT_NE(p.Popup_GEN_Menu_File->PopupForm(), nullptr);
  click(p.Popup_GEN_Menu_File->PopupForm(), p.HudStringListBox_Menu_File);  // "Save": no save/load window here
  EXPECT_EQ(main->FileMenuIndex(), 0);
  EXPECT_FALSE(p.HudPanel_GEN_Menu_File->Visible());
  Key('g');
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 17) << "the list of a closed menu does not take the letter";
}

TEST_F(MainInputTest, ALanguageItemAppliesThatLanguage) {
  folder.Write("Language/Deutsch.lng", "Date Datum\r\nExit Beenden\r\n");
  MakeAndShow();
  const app::TMainParts& p = main->Parts();
  int deutsch = -1;
  for (int i = 0; i < p.HudStringListBox_Menu_LNG->Items()->Count(); ++i)
    if (p.HudStringListBox_Menu_LNG->Items()->Get(i).starts_with(u"Deutsch")) deutsch = i;
  ASSERT_GE(deutsch, 0);
  main->ShowMenu(false);
  p.HudStringListBox_Menu_LNG->SetItemIndex(deutsch);
  EXPECT_EQ(app::Model().Settings.Language, "Deutsch");
  EXPECT_EQ(main->TitleText(), u"     gascal : 1.07  Datum 2014.02.11");
  EXPECT_EQ(p.HudStringListBox_Menu_File->Items()->Get(3), u"Beenden");
  EXPECT_FALSE(p.HudPanel_GEN_Menu_LNG->Visible());
}

TEST_F(MainInputTest, ExitClosesTheWindowAndWritesTheSettings) {
  MakeAndShow();
  std::filesystem::remove(folder.Path() / "gascal.ini");
  main->Parts().HudStringListBox_Menu_File->SetItemIndex(3);
  Run(20);
  EXPECT_FALSE(main->Showing());
  EXPECT_EQ(app::Model().Actions.MainWindowShown, 0);
  const std::string ini = folder.Read("gascal.ini");
  EXPECT_NE(ini.find("Form_3D_GEN_Width"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Port_Name"), std::string::npos);
}

// A save/load window as the main window finds it: by its name, doing the File menu's items.
class SaveLoadStandIn : public app::TWindow_3D, public app::IFileMenuActions {
public:
  SaveLoadStandIn() : app::TWindow_3D(nullptr) { SetName("Form_3D_SaveLoad"); }
  void RunFileMenuAction(int Index) override { Ran.push_back(Index); }
  std::vector<int> Ran;
};

TEST_F(MainInputTest, SaveLoadAndDefaultGoToTheSaveLoadWindow) {
  MakeAndShow();
  vg::TvxHudStringListBox* file = main->Parts().HudStringListBox_Menu_File;
  // Without the window nothing happens.
  main->ShowMenu(true);
  file->SetItemIndex(0);
  EXPECT_TRUE(main->Showing());
  auto saveLoad = std::make_unique<SaveLoadStandIn>();
  for (int i : {0, 1, 2}) {
    main->ShowMenu(true);
    file->SetItemIndex(i);
    EXPECT_FALSE(main->MenuOpen());
  }
  EXPECT_EQ(saveLoad->Ran, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(main->Showing());
}

// A settings window as the main window finds it: by its name.
class SettingsStandIn : public app::TWindow_3D {
public:
  explicit SettingsStandIn(std::uint8_t& ShownAtClose) : app::TWindow_3D(nullptr) {
    SetName("Form_3D_SET");
    OnClose = [&ShownAtClose](rtl::TObject*, win::TCloseAction&) {
      ShownAtClose = ecu::Session().Link.SettingsWindowShown;
    };
  }
};

TEST_F(MainInputTest, ClosingWithTheSettingsWindowOpenRemembersIt) {
  MakeAndShow();
  std::uint8_t shownAtClose = 99;
  auto settings = std::make_unique<SettingsStandIn>(shownAtClose);
  settings->Show();
  ecu::Session().Link.SettingsWindowShown = 1;
  main->Close();
  EXPECT_FALSE(settings->Showing());
  // Its own close saw the flag already cleared, so it keeps the key that reopens it.
  EXPECT_EQ(shownAtClose, 0);
  EXPECT_TRUE(ecu::KeyFileGetBool((folder.Path() / "gascal.ini").string(), "Form_3D_SET_Show"));
}

}  // namespace

}  // namespace main_input_test
