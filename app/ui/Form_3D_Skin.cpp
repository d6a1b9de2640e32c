#include "app/ui/Form_3D_Skin.h"

#include <algorithm>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Set_3D_Unit.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Host.h"
#include "app/ui/Window_Parts.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

std::u16string Wide(const std::string& Text) { return ShownText(Text); }

TWindowRect MainRect() {
  TForm_3D_GEN* main = TWindowHost::Main();
  if (!main) return {};
  return {main->Left(), main->Top(), main->Width(), main->Height()};
}

}  // namespace

void FillToBrush(const TWindowFill& F, vg::TvxBrush* Brush) {
  Brush->SetStyle(F.Gradient ? vg::vgBrushGradient : vg::vgBrushSolid);
  Brush->SetColor(F.Color);
  if (!F.Gradient) return;
  vg::TvxGradientPoints* points = Brush->Gradient()->Points();
  for (int i = 0; i < points->Count() && i < static_cast<int>(F.GradientColors.size()); ++i)
    points->GetPoint(i)->SetColor(F.GradientColors[static_cast<std::size_t>(i)]);
  Brush->Gradient()->Change();
}

namespace {

// The window fill a brush gives: its colour, style and every gradient point's colour.
TWindowFill BrushToFill(vg::TvxBrush* Brush) {
  TWindowFill f;
  f.Color = Brush->GetColor();
  f.Gradient = Brush->Style() == vg::vgBrushGradient;
  f.GradientColors.clear();
  vg::TvxGradientPoints* points = Brush->Gradient()->Points();
  for (int i = 0; i < points->Count(); ++i) f.GradientColors.push_back(points->GetPoint(i)->GetColor());
  return f;
}

}  // namespace

rtl::TClass TForm_3D_Skin::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TForm_3D_Skin>()).Build();
  return &info;
}

TForm_3D_Skin::TForm_3D_Skin(rtl::TComponent* AOwner) : TWindow_3D(AOwner) {}

TForm_3D_Skin::~TForm_3D_Skin() = default;

std::unique_ptr<TForm_3D_Skin> TForm_3D_Skin::Create() {
  auto form = std::unique_ptr<TForm_3D_Skin>(new TForm_3D_Skin(nullptr));
  form->ReadWindowText("FORM_3D_SKIN");
  BindFormParts(TPartBinder(form.get(), form->WindowName()), form->parts_);
  form->PlaceLayout(form->parts_.Layout_3D_Skin);
  form->created_ = true;
  return form;
}

void TForm_3D_Skin::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  inherited::SetBounds(ALeft, ATop, std::max(AWidth, SecondaryMinWidth), std::max(AHeight, SecondaryMinHeight));
  if (created_) RescaleLayout();
}

void TForm_3D_Skin::FormShow(rtl::TObject*) {
  const TWindowRect r = SecondaryWindowPlace(MainRect(), Width(), Height());
  SetBounds(r.Left, r.Top, r.Width, r.Height);
  FillToBrush(Model().Colors.MainWindowFill, parts_.HudWindow_3D_Skin->Fill());
  selectedRole_ = 1;
  ApplyTexts();
  ShowColors();
  parts_.HudPanel_Skin->SetOpacity(static_cast<float>(Model().Settings.Panels_Opacity));
  QueueAction(Action_ApplyFonts, 100);
  RescaleLayout();
}

void TForm_3D_Skin::FormClose(rtl::TObject*, win::TCloseAction&) {}

void TForm_3D_Skin::ApplyTexts() {
  const TSkinParts& p = parts_;
  // Activation has the language file read already.
  const TLanguageFileScope file;
  try {
    auto text = [](const std::string& Key) { return ShownKeyText(Key); };
    p.HudWindow_3D_Skin->SetText(text("SKIN_Window"));
    p.HudButton_Skin_Color->SetText(text("SKIN_Program_Color"));
    p.HudButton_Skin_Font_Color->SetText(text("SKIN_Font_Color"));
    p.HudButton_Skin_Font_Type->SetText(text("SKIN_Font_Style"));
    p.HudButton_Skin_Default->SetText(u"Default");
    TranslateColorDescriptions();
    filling_ = true;
    vg::TvxWideStrings* items = p.HudComboTextBox_Skin_Detals->Items();
    items->BeginUpdate();
    items->Clear();
    for (int role = 1; role < ColorRoleCount; ++role)
      items->Add(Wide(Model().Colors.ColorDescriptions[static_cast<std::size_t>(role)]));
    items->EndUpdate();
    p.HudComboTextBox_Skin_Detals->SetItemIndex(selectedRole_ - 1);
    filling_ = false;
  } catch (...) {
    filling_ = false;
    throw;
  }
  ShowSelectedRole();
}

void TForm_3D_Skin::ShowColors() {
  FillToBrush(Model().Colors.MainWindowFill, parts_.Circle_Skin_Color->Fill());
  parts_.Circle_Skin_Font_Color->Fill()->SetStyle(vg::vgBrushSolid);
  parts_.Circle_Skin_Font_Color->Fill()->SetColor(Model().Settings.Font_Color);
  ShowSelectedRole();
}

void TForm_3D_Skin::ShowSelectedRole() {
  const auto role = static_cast<std::size_t>(std::clamp(selectedRole_, 1, ColorRoleCount - 1));
  parts_.Circle_Skin_Detals->Fill()->SetStyle(vg::vgBrushSolid);
  parts_.Circle_Skin_Detals->Fill()->SetColor(Model().Colors.ColorTable[role]);
  vg::TvxHudButton* b = parts_.HudButton_Skin_Detals;
  if (!Model().Colors.ColorDescriptions[role].empty()) b->SetText(Wide(Model().Colors.ColorDescriptions[role]));
  b->ApplyResource();
  b->FontFill()->SetColor(Model().Colors.ColorTable[role]);
}

void TForm_3D_Skin::HudButton_Skin_ColorClick(rtl::TObject*) {
  vg::TvxBrush* brush = parts_.Circle_Skin_Color->Fill();
  if (!vg::EditBrushDialog(brush, {vg::vgBrushSolid, vg::vgBrushGradient}, false)) return;
  Model().Colors.MainWindowFill = BrushToFill(brush);
  if (TForm_3D_GEN* main = TWindowHost::Main()) main->ApplyMainWindowFill();
  FillToBrush(Model().Colors.MainWindowFill, parts_.HudWindow_3D_Skin->Fill());
  QueueAction(Action_CopyFillToOpenWindows, 100);
}

void TForm_3D_Skin::HudButton_Skin_Font_ColorClick(rtl::TObject*) {
  vg::TvxBrush* brush = parts_.Circle_Skin_Font_Color->Fill();
  if (!vg::EditBrushDialog(brush, {vg::vgBrushSolid}, false)) return;
  Model().Settings.Font_Color = brush->GetColor();
  Model().Colors.ColorTable[Color_General] = Model().Settings.Font_Color;
  QueueAction(Action_ApplyFonts, 100);
}

void TForm_3D_Skin::HudButton_Skin_Font_TypeClick(rtl::TObject*) {
  if (EditProgramFont()) ShowColors();
}

void TForm_3D_Skin::HudComboTextBox_Skin_DetalsChange(rtl::TObject*) {
  if (filling_) return;
  const int index = parts_.HudComboTextBox_Skin_Detals->ItemIndex();
  if (index < 0 || index + 1 >= ColorRoleCount) return;
  selectedRole_ = index + 1;
  ShowSelectedRole();
}

void TForm_3D_Skin::HudButton_Skin_DetalsClick(rtl::TObject*) {
  vg::TvxBrush* brush = parts_.Circle_Skin_Detals->Fill();
  if (!vg::EditBrushDialog(brush, {vg::vgBrushSolid}, false)) return;
  Model().Colors.ColorTable[static_cast<std::size_t>(selectedRole_)] = brush->GetColor();
  ShowSelectedRole();
  QueueAction(Action_ApplyFonts, 100);
}

void TForm_3D_Skin::HudButton_Skin_DefaultClick(rtl::TObject*) {
  ApplyDefaultSkin();
  if (TForm_3D_GEN* main = TWindowHost::Main()) main->ApplyMainWindowFill();
  FillToBrush(Model().Colors.MainWindowFill, parts_.HudWindow_3D_Skin->Fill());
  ShowColors();
}

}  // namespace app
