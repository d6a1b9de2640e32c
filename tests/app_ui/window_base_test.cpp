// How a window is made and bound: its text read with the names and handlers it gives, the
// parts every name of the ECU side and of the language texts addresses, the binder's
// messages, and a text that cannot be read.
#include <gtest/gtest.h>

#include <string>

#include "app/ui/Page_CFG.h"
#include "app/ui/Window_Page.h"
#include "app/ui/Window_Parts.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"
#include "tests/app_ui/MainWindow.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"

namespace window_base_test {

namespace {

using apptest::MainWindowTest;

std::string MessageOf(const std::function<void()>& Do) {
  try {
    Do();
  } catch (const rtl::EReadError& e) {
    return e.what();
  }
  return "(nothing raised)";
}

TEST_F(MainWindowTest, EveryControlTheEcuSideAndTheLanguageTextsNameIsThere) {
  Make();
  for (int i = 0; i < app::ControlCount; ++i) {
    const auto control = static_cast<app::TControl>(i);
    // The port-name box belongs to the settings window, not to the main window.
    if (control == app::TControl::SET_Port_Name) continue;
    EXPECT_NE(app::TWindowHost::FindControl(control), nullptr) << app::ControlName(control);
    // The part bound for it when the windows were made is the one of that name.
    EXPECT_EQ(app::TWindowHost::BoundControl(control), app::TWindowHost::FindControl(control))
        << app::ControlName(control);
  }
  for (const ecu::TControlText& t : ecu::MainWindowTexts()) {
    rtl::TComponent* part = main->FindPart(t.Control);
    EXPECT_NE(dynamic_cast<vg::TvxTextControl*>(part), nullptr) << t.Control;
  }
  // Each page's text went into its own tab item's page.
  ASSERT_EQ(main->Pages().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(main->Pages()[i]->Item(), main->Parts().TabItems[i]);
    EXPECT_EQ(main->Parts().TabItems[i]->Layout(), main->Pages()[i]->Root());
  }
  EXPECT_EQ(main->Pages()[0]->Name(), "Page_CFG");
  EXPECT_EQ(main->FindPart("HudComboTextBox_CFG_PG_RPM")->Owner(), main->Pages()[0]);
}

TEST_F(MainWindowTest, HandlersAreTheWindowsPublishedMethodsNamedByTheText) {
  Make();
  const vg::TvxHudButton* mode = main->Parts().HudButton_Work_Mode;
  EXPECT_EQ(mode->OnClick.MethodName(), "HudButton_Work_ModeClick");
  EXPECT_EQ(main->OnKeyDown.MethodName(), "FormKeyDown");
  const auto* clear = dynamic_cast<vg::TvxHudButton*>(main->FindPart("HudButton_CFG_Errors_Clear"));
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(clear->OnClick.MethodName(), "HudButton_CFG_Errors_ClearClick");
  // The bound handler is the window's own: a click does what the button is for (with an ECU
  // that answers: nothing is asked of none).
  ecu::Session().Link.LinkUp = 1;
  ecu::Session().LiveData.WorkMode = 2;
  mode->OnClick(nullptr);
  EXPECT_EQ(ecu::Session().Link.ModeCommandFlags, 240);
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 17);
  clear->OnClick(nullptr);
  // The erasure waits behind the mode's request, which it does not replace.
  EXPECT_EQ(ecu::Session().Link.TaskRequest, 17);
  ASSERT_EQ(ecu::Session().Link.ErasesWaitingCount, 1);
  EXPECT_EQ(ecu::Session().Link.ErasesWaiting[0], 25);
}

TEST_F(MainWindowTest, TheBinderNamesTheMissingPartAndItsWindow) {
  Make();
  const app::TPartBinder bind(main.get(), main->WindowName());
  vg::TvxHudButton* button = nullptr;
  EXPECT_EQ(MessageOf([&] { bind(button, "HudButton_Nowhere"); }), "Form_3D_GEN has no part HudButton_Nowhere");
  EXPECT_EQ(MessageOf([&] { bind(button, "HudLabel_Work_Mode"); }),
            "The part HudLabel_Work_Mode of Form_3D_GEN is a TvxHudLabel, not a TvxHudButton");
  bind(button, "HudButton_Work_Mode");
  EXPECT_EQ(button, main->Parts().HudButton_Work_Mode);
  // A page's binder names the page and its window.
  const app::TPartBinder pageBind(main->PageCFG(), main->PageCFG()->PageName());
  EXPECT_EQ(MessageOf([&] { pageBind(button, "HudButton_Work_Mode"); }),
            "the page Page_CFG of Form_3D_GEN has no part HudButton_Work_Mode");
}

// Texts with faults, as resources of their own.
const char* const BrokenWindow =
    "object Form_Broken: TWindow_3D\r\n"
    "  Width = 200\r\n"
    "  object dxScene_Broken: TdxScene\r\n"
    "    Align = alClient\r\n"
    "    Shininess = 3\r\n"
    "    object Root_Broken: TdxVisualObject\r\n"
    "      object GUILayer_Broken: TdxGUIObjectLayer\r\n"
    "        object Panel_Broken: TvxHudPanel\r\n"
    "          OnClick = NoSuchHandler\r\n"
    "        end\r\n"
    "        object Thing: TvxNoSuchClass\r\n"
    "        end\r\n"
    "      end\r\n"
    "    end\r\n"
    "  end\r\n"
    "end\r\n";
const char* const WindowWithoutLayer =
    "object Form_Bare: TWindow_3D\r\n"
    "  object dxScene_Bare: TdxScene\r\n"
    "  end\r\n"
    "end\r\n";
const char* const PageWithTwoRoots =
    "object Page_Two: TWindowPage\r\n"
    "  object Layout_One: TvxLayout\r\n"
    "  end\r\n"
    "  object Layout_Two: TvxLayout\r\n"
    "  end\r\n"
    "end\r\n";

TEST_F(MainWindowTest, ATextThatCannotBeReadWholeRaisesListingEveryProblemWithItsLine) {
  rtl::RegisterResource("TEST_BROKEN_WINDOW", BrokenWindow, std::char_traits<char>::length(BrokenWindow));
  rtl::RegisterResource("TEST_BARE_WINDOW", WindowWithoutLayer, std::char_traits<char>::length(WindowWithoutLayer));
  rtl::RegisterResource("TEST_TWO_ROOTS", PageWithTwoRoots, std::char_traits<char>::length(PageWithTwoRoots));
  {
    auto owned = std::make_unique<app::TWindow_3D>(nullptr);
    app::TWindow_3D& window = *owned;
    const std::string message = MessageOf([&] { window.ReadWindowText("TEST_BROKEN_WINDOW"); });
    EXPECT_NE(message.find("The window text TEST_BROKEN_WINDOW cannot be read:"), std::string::npos) << message;
    EXPECT_NE(message.find("Line 5, TdxScene, property Shininess"), std::string::npos) << message;
    EXPECT_NE(message.find("Line 9, TvxHudPanel, property OnClick"), std::string::npos) << message;
    EXPECT_NE(message.find("Line 11"), std::string::npos) << message;
    EXPECT_NE(message.find("TvxNoSuchClass"), std::string::npos) << message;
  }
  {
    auto owned = std::make_unique<app::TWindow_3D>(nullptr);
    app::TWindow_3D& window = *owned;
    EXPECT_EQ(MessageOf([&] { window.ReadWindowText("TEST_BARE_WINDOW"); }),
              "The window text TEST_BARE_WINDOW holds no GUI layer");
  }
  {
    auto owned = std::make_unique<app::TWindow_3D>(nullptr);
    app::TWindow_3D& window = *owned;
    auto* page = new app::TWindowPage(&window);
    EXPECT_EQ(MessageOf([&] { page->ReadPageText("TEST_TWO_ROOTS", nullptr); }),
              "The page text TEST_TWO_ROOTS must hold one 2D root, not 2");
    EXPECT_EQ(window.Pages().size(), 1u);
    delete page;
    EXPECT_TRUE(window.Pages().empty()) << "a page freed leaves its window's list";
  }
  EXPECT_NE(MessageOf([] {
              auto owned = std::make_unique<app::TWindow_3D>(nullptr);
    app::TWindow_3D& window = *owned;
              window.ReadWindowText("TEST_NO_SUCH_TEXT");
            }).find("TEST_NO_SUCH_TEXT"),
            std::string::npos);
}

}  // namespace

namespace {

// A window with one text of its own, looked up as it activates.
class TextWindow : public app::TWindow_3D {
public:
  TextWindow() : app::TWindow_3D(nullptr) {}
  std::vector<std::string> Looked;
  bool StoreWhileLooking = false;

protected:
  void LookUpTexts() override {
    Looked.push_back(ecu::LngText("Date"));
    StoreWhileLooking = ecu::LanguageStorePresent();
  }
};

TEST_F(MainWindowTest, AWindowLooksUpItsTextsEachTimeItActivatesFromTheLanguagesFile) {
  folder.Write("Language/Deutsch.lng", "Date Datum\r\n");
  MakeAndShow();
  auto window = std::make_unique<TextWindow>();
  window->Show();
  EXPECT_EQ(window->Looked, (std::vector<std::string>{"Date"})) << "English: the built-in text";
  ecu::Session().Texts.CurrentLanguage = "Deutsch";
  win::SetActiveForm(main.get());
  win::SetActiveForm(window.get());
  EXPECT_EQ(window->Looked, (std::vector<std::string>{"Date", "Datum"}));
  EXPECT_TRUE(window->StoreWhileLooking);
  EXPECT_FALSE(ecu::LanguageStorePresent()) << "the file's texts are freed again";
  // Losing the activation looks up nothing.
  win::SetActiveForm(main.get());
  EXPECT_EQ(window->Looked.size(), 2u);
}

}  // namespace

}  // namespace window_base_test
