#include "app/ui/SaveLoad_3D_Unit.h"

#include <algorithm>

#include "app/core/Global_Unit.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Parts.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/WindowFrames.h"

namespace app {

namespace {

constexpr int MinimumSize = 200;
constexpr int BelowMainTop = 22;

// A text of the current language, read from its file when no store is loaded.
std::u16string Word(const char* Key) {
  return ShownText(KeyTextReadingFile(Key));
}

}  // namespace

rtl::TClass TForm_3D_SaveLoad::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TForm_3D_SaveLoad>()).Build();
  return &info;
}

TForm_3D_SaveLoad::TForm_3D_SaveLoad(rtl::TComponent* AOwner) : TWindow_3D(AOwner) {}

std::unique_ptr<TForm_3D_SaveLoad> TForm_3D_SaveLoad::Create() {
  auto form = std::make_unique<TForm_3D_SaveLoad>(nullptr);
  form->ReadWindowText("FORM_3D_SAVELOAD");
  BindFormParts(TPartBinder(form.get(), form->WindowName()), form->parts_);
  form->PlaceLayout(form->parts_.Layout_3D_SaveLoad);
  form->created_ = true;
  return form;
}

void TForm_3D_SaveLoad::Open(TFileMenuMode Mode) {
  mode_ = Mode;
  if (Mode == TFileMenuMode::Save) parts_.HudTextBox_3D_SL_Name->SetText(CurrentCfgName());
  parts_.HudButton_3D_SL_Run->SetText(Word(Mode == TFileMenuMode::Save ? "Save" : "Load"));
  parts_.HudButton_3D_SL_Run->SetEnabled(!parts_.HudTextBox_3D_SL_Name->Text().empty());
  // Shown already, it lists the files anew and comes to the front.
  if (Showing()) FormShow(this);
  Show();
  // The name is what the installer types next: the keys go to its box.
  parts_.HudTextBox_3D_SL_Name->SetFocus();
}

void TForm_3D_SaveLoad::LookUpTexts() { parts_.HudWindow_3D_SaveLoad->SetText(Word("Dialogue")); }

void TForm_3D_SaveLoad::FormShow(rtl::TObject*) {
  shown_ = true;
  if (TWindow_3D* main = TForm_3D_GEN::WindowNamed("Form_3D_GEN"))
    SetBounds(main->Left(), main->Top() + BelowMainTop, Width(), Height());
  parts_.HudWindow_3D_SaveLoad->SetText(Word("Dialogue"));
  FillList();
  QueueAction(Action_ApplyFonts, 100);
}

void TForm_3D_SaveLoad::FillList() {
  vg::TvxHudStringListBox* list = parts_.HudStringListBox_3D_SL_List;
  list->BeginUpdate();
  list->Items()->Clear();
  for (const std::u16string& name : ListConfigFiles()) list->Items()->Add(name);
  list->EndUpdate();
  list->SetItemIndex(-1);
}

void TForm_3D_SaveLoad::FormClose(rtl::TObject*, win::TCloseAction&) { shown_ = false; }

void TForm_3D_SaveLoad::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  inherited::SetBounds(ALeft, ATop, std::max(AWidth, MinimumSize), std::max(AHeight, MinimumSize));
  if (created_) RescaleLayout();
}

void TForm_3D_SaveLoad::HudStringListBox_3D_SL_ListChange(rtl::TObject*) {
  vg::TvxHudStringListBox* list = parts_.HudStringListBox_3D_SL_List;
  const int index = list->ItemIndex();
  if (index >= 0 && index < list->Items()->Count()) parts_.HudTextBox_3D_SL_Name->SetText(list->Items()->Get(index));
}

void TForm_3D_SaveLoad::HudTextBox_3D_SL_NameChangeTracking(rtl::TObject*) {
  vg::TvxHudTextBox* box = parts_.HudTextBox_3D_SL_Name;
  const std::u16string cut = CutCfgName(box->Text());
  if (cut != box->Text()) box->SetText(cut);  // tracks again, with the cut text
  parts_.HudButton_3D_SL_Run->SetEnabled(!cut.empty());
}

void TForm_3D_SaveLoad::HudButton_3D_SL_RunClick(rtl::TObject*) {
  const std::u16string name = parts_.HudTextBox_3D_SL_Name->Text();
  if (name.empty()) return;
  // What is being typed into the Setup page is finished first: a customer's name typed there
  // goes into the file saved, as it would had the installer left its box.
  if (auto* main = dynamic_cast<TForm_3D_GEN*>(TForm_3D_GEN::WindowNamed("Form_3D_GEN"))) main->TakeBoxInEdit();
  if (RunSaveLoad(mode_, name)) {
    shown_ = false;
    Hide();
  }
}

void TForm_3D_SaveLoad::RunFileMenuAction(int Index) {
  if (Index == static_cast<int>(TFileMenuMode::New))
    NewConfiguration();
  else if (Index == static_cast<int>(TFileMenuMode::Save) || Index == static_cast<int>(TFileMenuMode::Load))
    Open(static_cast<TFileMenuMode>(Index));
}

}  // namespace app
