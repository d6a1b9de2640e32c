#include "app/ui/Form_3D_SET.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Port_View.h"
#include "app/core/Set_3D_Unit.h"
#include "app/core/Window_Session.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Page_CLB.h"
#include "app/ui/Window_Host.h"
#include "app/ui/Window_Parts.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Display.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/FontDialog.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Brushes.h"

namespace app {

namespace {

constexpr std::uint16_t KeyReturn = 13;

std::u16string Wide(const std::string& Text) { return ShownText(Text); }
std::string Narrow(const std::u16string& Text) { return rtl::WideToUtf8(Text); }

TWindowRect MainRect() {
  TForm_3D_GEN* main = TWindowHost::Main();
  if (!main) return {};
  return {main->Left(), main->Top(), main->Width(), main->Height()};
}

// The 2D library's font styles by the settings' index.
vg::TvxFontStyle FontStyleOf(std::int32_t Index) {
  switch (Index) {
    case FontBold: return vg::vgFontBold;
    case FontItalic: return vg::vgFontItalic;
    case FontBoldItalic: return vg::vgFontBoldItalic;
    default: return vg::vgFontRegular;
  }
}

// A box shows Value, the setting in force. A number box that holds the value already keeps
// the text typed into it, so its text is written as well.
void ShowInForce(vg::TvxCustomTextBox* Box, std::int32_t Value) {
  if (auto* number = dynamic_cast<vg::TvxNumberBox*>(Box)) number->SetValue(static_cast<float>(Value));
  const std::u16string text = Wide(std::to_string(Value));
  if (Box->Text() != text) Box->SetText(text);
}

std::int32_t FontStyleIndex(vg::TvxFontStyle Style) {
  switch (Style) {
    case vg::vgFontBold: return FontBold;
    case vg::vgFontItalic: return FontItalic;
    case vg::vgFontBoldItalic: return FontBoldItalic;
    default: return FontRegular;
  }
}

}  // namespace

void ApplyPanelsOpacity(TForm_3D_GEN& Main) {
  const float opacity = static_cast<float>(Model().Settings.Panels_Opacity);
  // The configuration page is one layout of group boxes; the other pages have their panels (the
  // auto-calibration's indicator panel keeps its own look).
  for (const char* name :
       {"Layout_CFG", "HudPanel_ACB_1", "HudPanel_ACB_2", "HudPanel_ACB_3", "HudPanel_CLB", "HudPanel_3D_MapRPM"})
    if (auto* panel = dynamic_cast<vg::TvxVisualObject*>(Main.FindPart(name))) panel->SetOpacity(opacity);
  if (TWindow_3D* skin = TForm_3D_GEN::WindowNamed("Form_3D_Skin"); skin && skin->Showing())
    if (auto* panel = dynamic_cast<vg::TvxVisualObject*>(skin->FindPart("HudPanel_Skin"))) panel->SetOpacity(opacity);
}

bool EditProgramFont() {
  vg::TvxFontDialog dialog;
  dialog.Font.SetFamily(Model().Settings.Font_Name);
  dialog.Font.SetSize(std::trunc(Model().Settings.Font_Size));
  dialog.Font.SetStyle(FontStyleOf(Model().Settings.Font_Style));
  dialog.ShowColor = true;
  dialog.Color = vg::StringToColor(Model().Settings.Font_Color);
  // The sizes the program's texts take, so that the dialog says what its size box takes.
  dialog.MinSize = MinFontSize;
  dialog.MaxSize = MaxFontSize;
  // The settings keep four styles; a style beyond them would be dropped at OK without a word.
  dialog.StyleCount = FontBoldItalic + 1;
  if (!dialog.Execute()) return false;
  StoreFontChoice(dialog.Font.Family(), dialog.Font.Size(), FontStyleIndex(dialog.Font.Style()),
                  dialog.Color & 0xFFFFFFu);
  // A size beyond what the program's texts take ("1e6") is taken held, and said, as the delay
  // boxes say it.
  if (const std::string held = FontSizeHeldReport(dialog.SizeTyped); !held.empty() && Model().CoreHost)
    Model().CoreHost->ShowMessageWindow(Message_OwnText, held);
  return true;
}

rtl::TClass TForm_3D_SET::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TForm_3D_SET>()).Build();
  return &info;
}

TForm_3D_SET::TForm_3D_SET(rtl::TComponent* AOwner) : TWindow_3D(AOwner) {}

TForm_3D_SET::~TForm_3D_SET() = default;

std::unique_ptr<TForm_3D_SET> TForm_3D_SET::Create() {
  auto form = std::unique_ptr<TForm_3D_SET>(new TForm_3D_SET(nullptr));
  form->ReadWindowText("FORM_3D_SET");
  BindFormParts(TPartBinder(form.get(), form->WindowName()), form->parts_);
  form->PlaceLayout(form->parts_.Layout_3D_SET);
  // The delay boxes show what is typed, letters too, and say at Enter what they take: a
  // letter dropped without a word left the installer with a report about an empty text.
  form->parts_.HudNumberBox_3D_SET_Port_Delay->SetFilterChar({});
  form->parts_.HudNumberBox_3D_SET_Transmit_CFG_Delay->SetFilterChar({});
  vg::TvxWideStrings* algorithms = form->parts_.HudComboTextBox_ACB_Algorithm->Items();
  for (const std::string& name : ACBAlgorithmNames) algorithms->Add(Wide(name));
  form->created_ = true;
  return form;
}

// ---- showing, closing, size ------------------------------------------------------------------------

void TForm_3D_SET::FormShow(rtl::TObject*) {
  SetSettingsWindowShown(true);
  const win::TRect work = win::ScreenWorkArea();
  const TWindowRect area{work.Left, work.Top, work.Width(), work.Height()};
  const TWindowRect r = SettingsWindowPlace(MainRect(), DesignWidth(), DesignHeight(), area).Rect;
  SetBounds(r.Left, r.Top, r.Width, r.Height);
  FillSettingsControls();
  ApplyTexts();
  QueueAction(Action_CopyFillToOpenWindows, 100);
  QueueAction(Action_ApplyFonts, 100);
  RescaleLayout();
}

void TForm_3D_SET::FormClose(rtl::TObject*, win::TCloseAction&) {
  const bool byUser = SettingsWindowShown();
  // A delay or program code typed and not finished is taken as leaving its box takes it (the
  // main window's close has taken it already when it closes the window).
  if (byUser) {
    TFinishReports reports;
    FinishEditing(reports);
    for (const std::vector<std::string>* told : {&reports.Failures, &reports.Notes})
      for (const std::string& report : *told) Shown(report);
  }
  try {
    SettingsWindowClosed({Left(), Top(), Width(), Height()});
  } catch (const std::exception& e) {
    const std::string text = SettingsNotSavedText(e.what());
    if (byUser && Model().Actions.MainWindowShown && Model().CoreHost)
      Model().CoreHost->ShowMessageWindow(Message_ScriptError, text);
    else
      closeFailure_ = text;
  }
}

void TForm_3D_SET::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  inherited::SetBounds(ALeft, ATop, std::max(AWidth, SecondaryMinWidth), std::max(AHeight, SecondaryMinHeight));
  if (created_) RescaleLayout();
}

void TForm_3D_SET::FillSettingsControls() {
  const TSetParts& p = parts_;
  filling_ = true;
  try {
    p.HudTextBox_SET_Program_Code->SetText(Wide(std::to_string(Model().Settings.Program_Code)));
    p.HudCheckBox_3D_SET_Port_Search->SetIsChecked(Model().Settings.Search_Port);
    p.HudTextBox_3D_SET_Port_Name->SetText(Wide(Model().Settings.Port_Name));
    p.HudNumberBox_3D_SET_Port_Delay->SetValue(static_cast<float>(Model().Settings.Reply_Delay));
    p.HudNumberBox_3D_SET_Transmit_CFG_Delay->SetValue(static_cast<float>(Model().Settings.CFG_Transmit_Delay));
    vg::TvxWideStrings* languages = p.HudComboTextBox_3D_SET_Language->Items();
    languages->Clear();
    for (const std::u16string& name : LanguageChoiceItems()) languages->Add(name);
    p.HudComboTextBox_3D_SET_Language->SetText(Wide(Model().Settings.Language));
    p.HudCheckBox_SET_Idle_Points->SetIsChecked(Model().Settings.Idle_Points);
    p.HudCheckBox_SET_Map_Point->SetIsChecked(Model().Settings.Map_Point);
    p.HudCheckBox_SET_Diagram_Joystick->SetIsChecked(Model().Settings.Diagram_Joystick);
    p.HudTrackBar_SET_Opacity->SetValue(static_cast<float>(Model().Settings.Panels_Opacity));
    p.HudPanel_SET->SetOpacity(static_cast<float>(Model().Settings.Panels_Opacity));
    p.HudComboTextBox_ACB_Algorithm->SetText(Wide(AlgorithmFromBox(Model().Settings.ACB_SCR_Type)));
  } catch (...) {
    filling_ = false;
    throw;
  }
  filling_ = false;
}

void TForm_3D_SET::ApplyTexts() {
  const TSetParts& p = parts_;
  // Activation has the language file read already.
  const TLanguageFileScope file;
  auto text = [](const char* Key) { return ShownKeyText(Key); };
  SetCaption(KeyText("Settings"));
  p.HudWindow_3D_SET->SetText(text("Settings"));
  p.HudLabel_SET_Program_Code->SetText(text("SET_Program_Code"));
  p.HudGroupBox_3D_SET_Port->SetText(text("Port"));
  p.HudCheckBox_3D_SET_Port_Search->SetText(text("AutoSearchPort"));
  p.HudLabel_3D_SET_Port_Name->SetText(text("Name"));
  p.HudButton_3D_SET_Port_Manual->SetText(text("SET_Port_Manual"));
  p.HudLabel_3D_SET_Port_Delay->SetText(text("Delay"));
  p.HudLabel_3D_SET_Transmit_Delay->SetText(text("SET_Transmit_Delay"));
  p.HudLabel_3D_SET_Language->SetText(text("Language"));
  p.HudGroupBox_3D_SET_Color->SetText(text("Color"));
  p.HudButton_3D_SET_Font->SetText(text("Font"));
  p.HudButton_3D_SET_Skin->SetText(text("SET_Skin"));
  p.HudLabel_SET_Opacity->SetText(text("SET_Opacity"));
  p.HudCheckBox_SET_Idle_Points->SetText(text("SET_Idle_Points"));
  p.HudCheckBox_SET_Map_Point->SetText(text("SET_Map_Point"));
  p.HudCheckBox_SET_Diagram_Joystick->SetText(text("SET_Diagram_Joystick"));
  p.HudLabel_SET_ACB_Algorithm->SetText(text("SET_ACB_Algorithm"));
}

// ---- the controls ------------------------------------------------------------------------------------

void TForm_3D_SET::HudTextBox_SET_Program_CodeKeyDown(rtl::TObject*, std::uint16_t& Key, char16_t&, rtl::TShiftState) {
  if (Key == KeyReturn) Shown(ProgramCodeReads(true, true).Report);
}

void TForm_3D_SET::HudTextBox_SET_Program_CodeKillFocus(rtl::TObject*) {
  // While the program closes (the main window's shown flag is cleared first) the close has
  // taken the code already (FinishEditing), and the link is let go.
  if (Model().Actions.MainWindowShown) Shown(ProgramCodeReads(false, true).Report);
}

TProgramCodeEntry TForm_3D_SET::ProgramCodeReads(bool Always, bool Connect) {
  vg::TvxHudTextBox* box = parts_.HudTextBox_SET_Program_Code;
  const std::uint8_t inForce = Model().Settings.Program_Code;
  // Left as it shows the code in force (after Enter, or never edited): nothing to take.
  if (!Always && box->Text() == Wide(std::to_string(inForce))) return {inForce, {}};
  const TProgramCodeEntry entry = ProgramCodeEntry(Narrow(box->Text()));
  // The link's address changes only for a code taken; a code typed again as it stands
  // reconnects only at Enter. While the program closes the code is only kept, for the file.
  if (entry.Code && (Always || *entry.Code != inForce)) {
    if (Connect)
      ApplyProgramCode(*entry.Code);
    else
      Model().Settings.Program_Code = *entry.Code;
  }
  // The box shows what the link now uses (a number's low byte), or the code in force again.
  ShowInForce(box, Model().Settings.Program_Code);
  return entry;
}

void TForm_3D_SET::Shown(const std::string& Report) {
  if (!Report.empty() && Model().CoreHost) Model().CoreHost->ShowMessageWindow(Message_OwnText, Report);
}

void TForm_3D_SET::HudCheckBox_3D_SET_Port_SearchChange(rtl::TObject*) {
  if (!filling_) Model().Settings.Search_Port = parts_.HudCheckBox_3D_SET_Port_Search->IsChecked();
}

void TForm_3D_SET::HudButton_3D_SET_Port_ManualClick(rtl::TObject*) {
  TForm_3D_GEN* main = TWindowHost::Main();
  if (!ChoosePortByDialog(main ? main->PortWindow() : nullptr)) return;
  parts_.HudTextBox_3D_SET_Port_Name->SetText(Wide(Model().Settings.Port_Name));
}

void TForm_3D_SET::HudNumberBox_3D_SET_Port_DelayChange(rtl::TObject*) {
  if (filling_) return;
  Model().Settings.Reply_Delay = ReplyDelayFromBox(parts_.HudNumberBox_3D_SET_Port_Delay->Value());
  ShowDelayInForce(parts_.HudNumberBox_3D_SET_Port_Delay);
}

void TForm_3D_SET::HudNumberBox_3D_SET_Transmit_CFG_DelayChange(rtl::TObject*) {
  if (filling_) return;
  Model().Settings.CFG_Transmit_Delay = TransmitDelayFromBox(parts_.HudNumberBox_3D_SET_Transmit_CFG_Delay->Value());
  // A delay below 1 ms is taken as the default: the box shows the default.
  ShowDelayInForce(parts_.HudNumberBox_3D_SET_Transmit_CFG_Delay);
}

void TForm_3D_SET::HudNumberBox_3D_SET_DelayKeyDown(rtl::TObject* Sender, std::uint16_t& Key, char16_t&,
                                                    rtl::TShiftState) {
  if (Key == KeyReturn) DelayBoxReadsShown(Sender);
}

void TForm_3D_SET::HudNumberBox_3D_SET_DelayKillFocus(rtl::TObject* Sender) { DelayBoxReadsShown(Sender); }

void TForm_3D_SET::HudNumberBox_3D_SET_DelayMouseUp(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState,
                                                    float, float) {
  if (Button == rtl::mbLeft) DelayBoxReadsShown(Sender);
}

void TForm_3D_SET::FinishEditing(TFinishReports& Reports) {
  const auto told = [&Reports](const auto& Entry, bool Taken) {
    if (!Entry.Report.empty()) (Taken ? Reports.Notes : Reports.Failures).push_back(Entry.Report);
  };
  for (vg::TvxHudNumberBox* box :
       {parts_.HudNumberBox_3D_SET_Port_Delay, parts_.HudNumberBox_3D_SET_Transmit_CFG_Delay}) {
    if (!box->IsFocused()) continue;
    // What leaving the box does: the text looked at, then read.
    const TDelayEntry entry = DelayBoxReads(box);
    told(entry, entry.Delay.has_value());
    try {
      box->Change();
    } catch (const std::exception& e) {
      Reports.Failures.emplace_back(e.what());
    }
  }
  // The program code: the settings window's own close takes it as leaving the box does; the
  // program's end keeps it for the file without moving the link to it.
  if (parts_.HudTextBox_SET_Program_Code->IsFocused()) {
    const TProgramCodeEntry entry = ProgramCodeReads(false, !Model().Actions.WritesAtClose);
    told(entry, entry.Code.has_value());
  }
}

vg::TvxHudNumberBox* TForm_3D_SET::DelayBox(rtl::TObject* Sender) const {
  for (vg::TvxHudNumberBox* box :
       {parts_.HudNumberBox_3D_SET_Port_Delay, parts_.HudNumberBox_3D_SET_Transmit_CFG_Delay})
    if (Sender == box) return box;
  return nullptr;
}

void TForm_3D_SET::ShowDelayInForce(vg::TvxHudNumberBox* Box) {
  ShowInForce(Box, Box == parts_.HudNumberBox_3D_SET_Port_Delay ? Model().Settings.Reply_Delay
                                                                : Model().Settings.CFG_Transmit_Delay);
}

TDelayEntry TForm_3D_SET::DelayBoxReads(rtl::TObject* Sender) {
  vg::TvxHudNumberBox* box = DelayBox(Sender);
  if (!box) return {};
  const TDelayEntry entry = DelayBoxEntry(
      box == parts_.HudNumberBox_3D_SET_Port_Delay ? TDelayBox::Reply : TDelayBox::Transmit, KeptText(box->Text()));
  // A text that is no number: the box goes on reading the delay in force.
  if (!entry.Delay) ShowDelayInForce(box);
  return entry;
}

void TForm_3D_SET::DelayBoxReadsShown(rtl::TObject* Sender) { Shown(DelayBoxReads(Sender).Report); }

void TForm_3D_SET::HudComboTextBox_3D_SET_LanguageChange(rtl::TObject*) {
  if (filling_) return;
  const std::string language = Narrow(parts_.HudComboTextBox_3D_SET_Language->Text());
  if (!language.empty()) Model().Settings.Language = LanguageOfChoice(language);
}

void TForm_3D_SET::HudButton_3D_SET_FontClick(rtl::TObject*) { EditProgramFont(); }

void TForm_3D_SET::HudButton_3D_SET_SkinClick(rtl::TObject*) {
  if (TForm_3D_GEN* main = TWindowHost::Main()) main->ShowWindowNamed("Form_3D_Skin");
}

void TForm_3D_SET::HudTrackBar_SET_OpacityChange(rtl::TObject*) {
  if (filling_) return;
  Model().Settings.Panels_Opacity = parts_.HudTrackBar_SET_Opacity->Value();
  parts_.HudPanel_SET->SetOpacity(static_cast<float>(Model().Settings.Panels_Opacity));
  if (TForm_3D_GEN* main = TWindowHost::Main()) ApplyPanelsOpacity(*main);
}

void TForm_3D_SET::HudCheckBox_SET_Idle_PointsChange(rtl::TObject*) {
  if (!filling_) Model().Settings.Idle_Points = parts_.HudCheckBox_SET_Idle_Points->IsChecked();
}

void TForm_3D_SET::HudCheckBox_SET_Map_PointChange(rtl::TObject*) {
  if (filling_) return;
  Model().Settings.Map_Point = parts_.HudCheckBox_SET_Map_Point->IsChecked();
  if (TForm_3D_GEN* main = TWindowHost::Main()) main->PageCLB()->EnableMapPointControls();
  if (Model().CoreHost) Model().CoreHost->RedrawCalibrationDiagram();
}

void TForm_3D_SET::HudCheckBox_SET_Diagram_JoystickChange(rtl::TObject*) {
  if (!filling_) Model().Settings.Diagram_Joystick = parts_.HudCheckBox_SET_Diagram_Joystick->IsChecked();
}

void TForm_3D_SET::HudComboTextBox_ACB_AlgorithmChange(rtl::TObject*) {
  if (filling_) return;
  Model().Settings.ACB_SCR_Type = AlgorithmFromBox(Narrow(parts_.HudComboTextBox_ACB_Algorithm->Text()));
}

}  // namespace app
