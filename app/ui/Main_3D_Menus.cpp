// The main window's title row and keys: the File and Language menus (opened under their
// buttons in a window of their own, above every window of the program, switching on hover
// while one is open, closed 300 ms after the pointer leaves), the
// hidden access-code box that reveals Flip and Settings, and the shortcuts, which wait while a
// control that takes typed text has the focus.
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Session.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Page_CLB.h"
#include "app/ui/Page_MAP.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "scene3d/ObjectLayer.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"

namespace app {

// ---- menus, access code, keys ------------------------------------------------------------------------

void TForm_3D_GEN::ShowMenu(bool FileMenu) {
  menuOpen_ = true;
  timerMenu_->SetEnabled(false);
  parts_.HudStringListBox_Menu_File->SetItemIndex(-1);
  parts_.HudStringListBox_Menu_LNG->SetItemIndex(-1);
  // The other menu goes first; the one asked for opens in a window of its own under its
  // button, so that it shows above every window of the program (the save/load window, which
  // stays on top, and the settings window lie over the title row).
  ShowMenuPanel(!FileMenu, false);
  ShowMenuPanel(FileMenu, true);
}

void TForm_3D_GEN::ShowMenuPanel(bool FileMenu, bool Open) {
  vg::TvxPopup* popup = FileMenu ? parts_.Popup_GEN_Menu_File : parts_.Popup_GEN_Menu_LNG;
  (FileMenu ? parts_.HudPanel_GEN_Menu_File : parts_.HudPanel_GEN_Menu_LNG)->SetVisible(Open);
  popup->SetIsOpen(Open);
}

void TForm_3D_GEN::CloseMenus() {
  menuOpen_ = false;
  timerMenu_->SetEnabled(false);
  ShowMenuPanel(true, false);
  ShowMenuPanel(false, false);
  // A list picked from keeps no focus once its menu is gone: it would take the shortcuts'
  // letters as a search.
  if (vg::TvxVisualObject* focused = Layer() ? Layer()->GetFocused() : nullptr)
    if (focused == parts_.HudStringListBox_Menu_File || focused == parts_.HudStringListBox_Menu_LNG)
      Layer()->SetFocused(nullptr);
}

void TForm_3D_GEN::RunFileMenuItem(int Index) {
  fileMenuIndex_ = Index;
  const int count = parts_.HudStringListBox_Menu_File->Items()->Count();
  if (Index < 0 || Index >= count) return;
  CloseMenus();
  // The last item is Exit; Save, Load and Default are the save/load window's.
  if (Index == count - 1) {
    Close();
    return;
  }
  if (auto* saveLoad = dynamic_cast<IFileMenuActions*>(WindowNamed("Form_3D_SaveLoad")))
    saveLoad->RunFileMenuAction(Index);
}

void TForm_3D_GEN::ChooseLanguage(int Index) {
  vg::TvxHudStringListBox* list = parts_.HudStringListBox_Menu_LNG;
  if (Index < 0 || Index >= list->Items()->Count()) return;
  const std::string name = LanguageOfMenuItem(list->Items()->Get(Index));
  if (!name.empty()) {
    Model().Settings.Language = name;
    ApplyLanguage();
    // The new texts may be longer: the fonts are applied again, each made to fit its text.
    QueueAction(Action_ApplyFonts, 100);
  }
  CloseMenus();
}

bool TForm_3D_GEN::EnterAccessCode(const std::u16string& Code) {
  if (Code != AccessCode) return false;
  const TMainParts& p = parts_;
  p.HudButton_3D_GEN_Flip->SetVisible(true);
  p.HudButton_3D_GEN_Settings->SetVisible(true);
  // Right of the Language button, Settings right of Flip, on its row (shrunk with it where the
  // window is narrow).
  p.HudButton_3D_GEN_Flip->Position()->SetY(p.HudButton_Menu_LNG->Position()->Y());
  p.HudButton_3D_GEN_Settings->Position()->SetY(p.HudButton_Menu_LNG->Position()->Y());
  FitTitleButtons();
  PlaceCaption();
  QueueAction(Action_ApplyFonts, 100);
  return true;
}

void TForm_3D_GEN::FocusPassword() {
  parts_.HudTextBox_Password->SetText({});
  parts_.HudTextBox_Password->SetFocus();
}

bool TForm_3D_GEN::AnyTextBoxFocused() const {
  // Any control that takes typed text (text, number and editable combo boxes, memos, lists
  // that select by letter, the access-code box), while it shows.
  vg::TvxVisualObject* focused = Layer() ? Layer()->GetFocused() : nullptr;
  return focused && dynamic_cast<vg::IvxTextInput*>(focused) != nullptr && focused->GetParentedVisible();
}

void TForm_3D_GEN::FormKeyDown(rtl::TObject*, std::uint16_t& Key, rtl::TShiftState Shift) {
  if (AnyTextBoxFocused()) return;
  const int page = parts_.HudTabControl_GEN->ItemIndex();
  switch (Key) {
    case 'F': QueueAction(Action_ToggleFullScreen, 100); break;
    case 'G': RequestGasMode(); break;
    case 'P': RequestPetrolMode(); break;
    default: break;
  }
  if (page == 2 && (Key == win::VK_ESCAPE || (Key >= win::VK_LEFT && Key <= win::VK_DOWN)))
    pageCLB_->DiagramKeyDown(Key);
  if (page == 3) pageMAP_->MapKeyDown(Key, Shift);
}

void TForm_3D_GEN::FormKeyUp(rtl::TObject*, std::uint16_t& Key, rtl::TShiftState) {
  if (Key == win::VK_SHIFT && !TaskRunning()) pageMAP_->ShiftReleased();
}

void TForm_3D_GEN::HudButton_Menu_FileMouseDown(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
  ShowMenu(true);
}

void TForm_3D_GEN::HudButton_Menu_LNGMouseDown(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
  ShowMenu(false);
}

void TForm_3D_GEN::HudButton_Menu_FileMouseMove(rtl::TObject*, rtl::TShiftState, float, float, float, float) {
  timerMenu_->SetEnabled(false);
  if (menuOpen_ && !parts_.HudPanel_GEN_Menu_File->Visible()) ShowMenu(true);
}

void TForm_3D_GEN::HudButton_Menu_LNGMouseMove(rtl::TObject*, rtl::TShiftState, float, float, float, float) {
  timerMenu_->SetEnabled(false);
  if (menuOpen_ && !parts_.HudPanel_GEN_Menu_LNG->Visible()) ShowMenu(false);
}

void TForm_3D_GEN::MenuListMouseMove(rtl::TObject*, rtl::TShiftState, float, float, float, float) {
  timerMenu_->SetEnabled(false);
}

void TForm_3D_GEN::MenuMouseLeave(rtl::TObject*) {
  if (menuOpen_) timerMenu_->SetEnabled(true);
}

void TForm_3D_GEN::HudStringListBox_Menu_FileChange(rtl::TObject*) {
  RunFileMenuItem(parts_.HudStringListBox_Menu_File->ItemIndex());
}

void TForm_3D_GEN::HudStringListBox_Menu_LNGChange(rtl::TObject*) {
  ChooseLanguage(parts_.HudStringListBox_Menu_LNG->ItemIndex());
}

void TForm_3D_GEN::HudLabel_DynamicINDMouseDown(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
  FocusPassword();
}

void TForm_3D_GEN::HudLabel_Port_NameMouseDown(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
  FocusPassword();
}

void TForm_3D_GEN::HudLabel_Port_Connect_StabilMouseDown(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float,
                                                         float) {
  FocusPassword();
}

void TForm_3D_GEN::HudTextBox_PasswordKeyDown(rtl::TObject*, std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState) {
  if (Key != win::VK_RETURN && KeyChar != u'\r') return;
  EnterAccessCode(parts_.HudTextBox_Password->Text());
}

}  // namespace app
