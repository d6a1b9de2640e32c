#include "app/ui/Window_Host.h"

#include <algorithm>
#include <cstdio>

#include "app/core/Model.h"
#include "app/core/Port_Failure.h"
#include "app/core/Port_View.h"
#include "app/core/Set_3D_Unit.h"
#include "app/core/Window_Session.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Page_ACB.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/Page_CLB.h"
#include "app/ui/Page_MAP.h"
#include "platform/loop/Timer.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

// The control's bound part; a control no window binds is looked for by its name.
rtl::TComponent* ControlOf(TControl Control) {
  if (rtl::TComponent* c = TWindowHost::BoundControl(Control)) return c;
  return Control == TControl::SET_Port_Name ? TWindowHost::FindControl(Control) : nullptr;
}

vg::TvxVisualObject* Visual(TControl Control) { return dynamic_cast<vg::TvxVisualObject*>(ControlOf(Control)); }

// The page while it is one of the main window's pages (a released page has left them).
template <class T>
T* LivePage(const TForm_3D_GEN& Main, T* Page) {
  const std::vector<TWindowPage*>& pages = Main.Pages();
  return Page && std::find(pages.begin(), pages.end(), Page) != pages.end() ? Page : nullptr;
}

// The live window of that class, nil when none.
// (The model's own list: every reply asks for the main window several times, and a copy of
// the list would be made each time.)
template <class T>
T* WindowOf() {
  for (rtl::TComponent* w : Model().Windows)
    if (auto* t = dynamic_cast<T*>(w)) return t;
  return nullptr;
}

// A window of its own that does not exist yet: what it would show goes to the console.
void Console(const std::string& What) {
  std::fprintf(stderr, "gascal: %s\n", ReportStreamText(What).c_str());
  std::fflush(stderr);
}

}  // namespace

TWindowHost::TWindowHost() = default;
TWindowHost::~TWindowHost() = default;

TForm_3D_GEN* TWindowHost::Main() { return WindowOf<TForm_3D_GEN>(); }

rtl::TComponent* TWindowHost::FindControl(TControl Control) {
  const std::string name = ControlName(Control);
  if (name.empty()) return nullptr;
  for (TWindow_3D* w : TWindow_3D::Windows())
    if (rtl::TComponent* c = w->FindPart(name)) return c;
  return nullptr;
}

rtl::TComponent* TWindowHost::BoundControl(TControl Control) {
  using C = TControl;
  const TForm_3D_GEN* main = Main();
  if (!main) return nullptr;
  const TMainParts& p = main->Parts();
  const int c = static_cast<int>(Control);
  const auto from = [c](C First, C Last) {
    return c >= static_cast<int>(First) && c <= static_cast<int>(Last) ? c - static_cast<int>(First) : -1;
  };
  if (const int i = from(C::IND_Petrol, C::IND_PressDiff); i >= 0) return p.IndicatorPanels[static_cast<std::size_t>(i)];
  if (const int i = from(C::IND_Petrol_Name, C::IND_TempVap_Name); i >= 0)
    return p.IndicatorNames[static_cast<std::size_t>(i)];
  if (const int i = from(C::IND_Petrol_Data, C::IND_PressDiff_Data); i >= 0)
    return p.IndicatorValues[static_cast<std::size_t>(i)];
  if (const int i = from(C::Circle_LevelGas_0, C::Circle_LevelGas_6); i >= 0) {
    const TPage_CFG* cfg = LivePage(*main, main->PageCFG());
    return cfg ? cfg->Parts().Circle_LevelGas[static_cast<std::size_t>(i)] : nullptr;
  }
  switch (Control) {
    case C::Connect_Condition: return p.HudButton_3D_GEN_Connect_Condition;
    case C::Port_Connect_Stabil: return p.HudLabel_Port_Connect_Stabil;
    case C::Port_Name: return p.HudLabel_Port_Name;
    case C::Port_Search: return p.HudButton_Port_Search;
    case C::DynamicIND: return p.HudLabel_DynamicIND;
    case C::Work_Mode: return p.HudLabel_Work_Mode;
    case C::ACB_Start:
    case C::ACB_Progress:
    case C::ACB_Prompt: {
      const TPage_ACB* acb = LivePage(*main, main->PageACB());
      if (!acb) return nullptr;
      if (Control == C::ACB_Start) return acb->Parts().HudButton_ACB_Start;
      return Control == C::ACB_Progress ? static_cast<rtl::TComponent*>(acb->Parts().ProgressBar_3D_ACB)
                                        : acb->Parts().HudLabel_3D_ACB_Prompt;
    }
    case C::CLB_MAP_Start:
    case C::CLB_MAP_Stop: {
      const TPage_CLB* clb = LivePage(*main, main->PageCLB());
      if (!clb) return nullptr;
      return Control == C::CLB_MAP_Start ? clb->Parts().HudButton_CLB_MAP_Start : clb->Parts().HudButton_CLB_MAP_Stop;
    }
    case C::CFG_LevelGas:
    case C::CFG_LevelGas_Current: {
      const TPage_CFG* cfg = LivePage(*main, main->PageCFG());
      if (!cfg) return nullptr;
      return Control == C::CFG_LevelGas ? static_cast<rtl::TComponent*>(cfg->Parts().HudNumberBox_CFG_LevelGas)
                                        : cfg->Parts().HudLabel_CFG_LevelGas_Current;
    }
    default: break;
  }
  return nullptr;
}

// ---- controls ------------------------------------------------------------------------------

void TWindowHost::SetVisible(TControl Control, bool Value) {
  if (vg::TvxVisualObject* v = Visual(Control)) v->SetVisible(Value);
}

void TWindowHost::SetEnabled(TControl Control, bool Value) {
  if (vg::TvxVisualObject* v = Visual(Control)) v->SetEnabled(Value);
}

void TWindowHost::SetText(TControl Control, const std::string& Text) {
  const std::u16string wide = ShownText(Text);
  // A port's name may be a long device path: it keeps to its room beside the quality figure.
  if (TForm_3D_GEN* main = Main(); main && Control == TControl::Port_Name) return main->ShowPortName(wide);
  // The status line keeps its lines to its room, as a one-line caption does.
  if (TForm_3D_GEN* main = Main(); main && Control == TControl::DynamicIND) return main->ShowStatusLine(wide);
  rtl::TComponent* c = ControlOf(Control);
  if (auto* t = dynamic_cast<vg::TvxTextControl*>(c)) {
    if (t->Text() != wide) t->SetText(wide);
  } else if (auto* b = dynamic_cast<vg::TvxCustomTextBox*>(c)) {
    if (b->Text() != wide) b->SetText(wide);
  } else if (auto* m = dynamic_cast<vg::TvxMemo*>(c)) {
    m->SetText(wide);
  }
}

void TWindowHost::SetColor(TControl Control, const std::string& Color) {
  rtl::TComponent* c = ControlOf(Control);
  if (auto* t = dynamic_cast<vg::TvxTextControl*>(c)) {
    // The style's own text colour must not come back over it later.
    t->ApplyResource();
    t->FontFill()->SetColor(Color);
  } else if (auto* s = dynamic_cast<vg::TvxShape*>(c)) {
    s->Fill()->SetColor(Color);
  }
}

void TWindowHost::SetTop(TControl Control, float Value) {
  if (vg::TvxVisualObject* v = Visual(Control)) v->Position()->SetY(Value);
}

void TWindowHost::SetHeight(TControl Control, float Value) {
  if (vg::TvxVisualObject* v = Visual(Control)) v->SetHeight(Value);
}

void TWindowHost::SetValue(TControl Control, std::int32_t Value) {
  if (auto* p = dynamic_cast<vg::TvxProgressBar*>(ControlOf(Control))) p->SetValue(static_cast<float>(Value));
}

bool TWindowHost::IsPressed(TControl Control) const {
  const auto* b = dynamic_cast<vg::TvxCustomButton*>(ControlOf(Control));
  return b && b->IsPressed();
}

void TWindowHost::SetPressed(TControl Control, bool Value) {
  if (auto* b = dynamic_cast<vg::TvxCustomButton*>(ControlOf(Control))) b->SetIsPressed(Value);
}

void TWindowHost::ApplyIndicatorFontSizes() {
  if (TForm_3D_GEN* main = Main()) main->ApplyIndicatorFontSizes();
}

void TWindowHost::ClearErrorMemo() {
  if (TForm_3D_GEN* main = Main()) main->PageCFG()->ClearErrorMemo();
}

void TWindowHost::AddErrorMemoLine(const std::string& Text) {
  if (TForm_3D_GEN* main = Main()) main->PageCFG()->AddErrorMemoLine(ShownText(Text));
}

bool TWindowHost::LevelGasTimerEnabled() const {
  const TForm_3D_GEN* main = Main();
  return main && main->Timer_LevelGas()->Enabled();
}

void TWindowHost::SetLevelGasTimer(bool On) {
  if (TForm_3D_GEN* main = Main()) main->SetLevelGasBlink(On);
}

void TWindowHost::UpdateLevelSensorImage() {
  if (TForm_3D_GEN* main = Main()) main->UpdateLevelSensorImage();
}

void TWindowHost::ConfigToCFGPage() {
  TForm_3D_GEN* main = Main();
  if (!main) return;
  main->UpdateMainCaption();
  main->PageCFG()->ConfigToCFGPage();
  // The calibration page shows the model too: its MAP controls, no point selected, the
  // diagram drawn anew.
  main->PageCLB()->EnableMapPointControls();
  DeselectDiagramPoint();
  main->PageCLB()->RedrawCalibrationDiagram();
}

void TWindowHost::ConfigToUserPage() {
  if (TForm_3D_GEN* main = Main()) main->PageCFG()->ConfigToUserPage();
}

void TWindowHost::UpdateMainCaption() {
  if (TForm_3D_GEN* main = Main()) main->UpdateMainCaption();
}

// ---- windows ---------------------------------------------------------------------------------

bool TWindowHost::ShowEndingMessage(const std::string& Text, bool InWindow) {
  for (std::size_t start = 0; start <= Text.size();) {
    const std::size_t end = std::min(Text.find('\n', start), Text.size());
    Console(Text.substr(start, end - start));
    start = end + 1;
  }
  if (!InWindow) return false;
  auto* w = WindowOf<TForm_3D_MSG>();
  if (!w) return false;
  try {
    w->ShowAtEnd(Text);
  } catch (const std::exception& e) {
    Console(e.what());  // no window shows it: the program ends all the same
    return false;
  }
  return w->Showing();
}

void TWindowHost::ShowMessageWindow(std::uint8_t Kind, const std::string& Text) {
  if (auto* w = WindowOf<TForm_3D_MSG>()) {
    w->Request(Kind, Text);
    return;
  }
  Console("message " + std::to_string(Kind) + (Text.empty() ? std::string() : ": " + Text));
}

void TWindowHost::WithdrawMessageWindow(std::uint8_t Kind, const std::string& Text) {
  if (auto* w = WindowOf<TForm_3D_MSG>()) w->Withdraw(Kind, Text);
}

void TWindowHost::CloseWaitWindow() {
  if (auto* w = WindowOf<TForm_3D_Wait>(); w && w->Showing()) w->Close();
}

void TWindowHost::ShowWaitWindow() {
  TForm_3D_GEN* main = Main();
  auto* w = WindowOf<TForm_3D_Wait>();
  if (!w || !main) {
    Console("writing to the ECU");
    return;
  }
  w->ShowCentred({main->Left(), main->Top(), main->Width(), main->Height()});
}

void TWindowHost::ShrinkWaitWindow() {
  TForm_3D_GEN* main = Main();
  if (auto* w = WindowOf<TForm_3D_Wait>(); w && main) w->Shrink({main->Left(), main->Top(), main->Width(), main->Height()});
}
namespace {

// The port window whose link side is the link's port now (nil when the link's side was made
// without its window).
TForm_3D_PortView* PortView() {
  auto* w = WindowOf<TForm_3D_PortView>();
  return w && IsLinkPort(w->Link()) ? w : nullptr;
}

}  // namespace

void TWindowHost::ShowPortWindow() {
  if (TForm_3D_PortView* w = PortView()) return w->ShowSearch();
  Console("searching for the ECU's port");
}

void TWindowHost::PortWindowChanged() {
  if (TForm_3D_PortView* w = PortView()) w->ShowState();
}

void TWindowHost::ClosePortWindow() {
  if (TForm_3D_PortView* w = PortView()) w->CloseSearch();
}

// ---- the pages' features ---------------------------------------------------------------------

void TWindowHost::BuildCalibrationDiagram() {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->BuildCalibrationDiagram();
}

void TWindowHost::RedrawCalibrationDiagram() {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->RedrawCalibrationDiagram();
}

void TWindowHost::CloseDiagramHistoryPanel() {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->CloseDiagramHistoryPanel();
}

void TWindowHost::DrawDiagramState() {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->DrawDiagramState();
}

void TWindowHost::ShowDiagramPosition(const std::string& Text) {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->ShowDiagramPosition(Text);
}

void TWindowHost::ShowDiagramHistoryPanel() {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->ShowDiagramHistoryPanel();
}

void TWindowHost::MapPromptChanged() {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->MapPromptChanged();
}

void TWindowHost::EnableMapPointControls() {
  if (TForm_3D_GEN* main = Main()) main->PageCLB()->ShowMapPointControls();
}

void TWindowHost::CFGPageToConfig() {
  TForm_3D_GEN* main = Main();
  if (!main) return TCoreHost::CFGPageToConfig();
  // A number being typed on the page is not taken: it waits for its box's Enter.
  main->PageCFG()->PageToConfig();
}

void TWindowHost::MarkMapRPMLiveCell() {
  if (TForm_3D_GEN* main = Main()) main->PageMAP()->MarkMapRPMLiveCell();
}

void TWindowHost::RedrawMapRPM() {
  if (TForm_3D_GEN* main = Main()) main->PageMAP()->RedrawMapRPM();
}

void TWindowHost::StartStopAutoCalibration() {
  if (TForm_3D_GEN* main = Main()) main->PageACB()->StartStopAutoCalibration();
}

void TWindowHost::AutoCalibrationReplyTick() {
  if (TForm_3D_GEN* main = Main()) main->PageACB()->AutoCalibrationReplyTick();
}

void TWindowHost::AutoCalibrationStep() {
  if (TForm_3D_GEN* main = Main()) main->PageACB()->AutoCalibrationStep();
}

void TWindowHost::AutoCalibrationWriteDone() {
  if (TForm_3D_GEN* main = Main()) main->PageACB()->AutoCalibrationWriteDone();
}

void TWindowHost::SetACBProgressMax(std::int32_t Max) {
  if (TForm_3D_GEN* main = Main()) main->PageACB()->SetProgressMax(Max);
}

void TWindowHost::ShowACBIndicators() {
  if (TForm_3D_GEN* main = Main()) main->PageACB()->ShowIndicators();
}

void TWindowHost::AutoCalibrationEnded() {
  if (TForm_3D_GEN* main = Main()) main->AutoCalibrationEnded();
}

void TWindowHost::WritesAtCloseEnded() {
  if (TForm_3D_GEN* main = Main()) main->WritesAtCloseEnded();
}

// ---- events ------------------------------------------------------------------------------------

void TWindowHost::LinkEstablished() {
  if (TForm_3D_GEN* main = Main())
    if (const std::string text = main->TakePortFailureMessage(); !text.empty())
      WithdrawMessageWindow(PortFailureMessageKind, text);
}
void TWindowHost::LinkLost() {}

namespace {

void ShowText(vg::TvxTextControl* Control, const std::string& Text) {
  if (!Control) return;
  const std::u16string wide = ShownText(Text);
  if (Control->Text() != wide) Control->SetText(wide);
}

void ShowText(vg::TvxCustomTextBox* Control, const std::string& Text) {
  if (!Control) return;
  const std::u16string wide = ShownText(Text);
  if (Control->Text() != wide) Control->SetText(wide);
}

void ShowTextColor(vg::TvxTextControl* Control, const std::string& Color) {
  if (!Control) return;
  // The style's own text colour must not come back over it later.
  Control->ApplyResource();
  Control->FontFill()->SetColor(Color);
}

void ShowVisible(vg::TvxVisualObject* Control, bool Value) {
  if (Control) Control->SetVisible(Value);
}

}  // namespace

static_assert(static_cast<int>(TLiveValue::Petrol) == IND_Petrol && static_cast<int>(TLiveValue::RPM) == IND_RPM &&
              static_cast<int>(TLiveValue::TempGas) == IND_TempGas && static_cast<int>(TLiveValue::PressDiff) == IND_PressDiff &&
              LiveValueCount == IndicatorCount);

void TWindowHost::PublishIndicators(const TIndicatorsView& View) {
  TForm_3D_GEN* main = Main();
  if (!main) return;
  const TMainParts& p = main->Parts();
  const TPage_CFG* page = LivePage(*main, main->PageCFG());
  const TPageCFGParts* cfg = page ? &page->Parts() : nullptr;
  if (View.ModeShown) {
    if (View.ModeKnown) {
      ShowText(p.HudLabel_Work_Mode, View.WorkMode);
      ShowTextColor(p.HudLabel_Work_Mode, LiveColorText(View.WorkModeColor));
      if (cfg) ShowVisible(cfg->Circle_LevelGas[6], View.Circle6Shown);
    }
    if (cfg) {
      for (int i = 0; i < LevelCircleCount; ++i)
        if (vg::TvxCircle* c = cfg->Circle_LevelGas[static_cast<std::size_t>(i)])
          c->Fill()->SetColor(LiveColorText(View.Circles[static_cast<std::size_t>(i)]));
      ShowVisible(cfg->HudNumberBox_CFG_LevelGas, View.LevelShown);
      ShowVisible(cfg->HudLabel_CFG_LevelGas_Current, View.LevelShown);
    }
  }
  // The indicator column is in the order of the live values.
  for (int i = 0; i < LiveValueCount; ++i)
    ShowText(p.IndicatorValues[static_cast<std::size_t>(i)], View.Values[static_cast<std::size_t>(i)]);
  if (cfg) ShowText(cfg->HudNumberBox_CFG_LevelGas, View.Level);
}

// The controls a reply changed asked their scene for one frame together; nothing more to do.
void TWindowHost::LiveDataReceived() {}

void TWindowHost::RunAction(std::uint8_t Code) {
  if (TForm_3D_GEN* main = Main()) main->RunAction(Code);
}

// ---- texts -------------------------------------------------------------------------------------

void MainFormEnglishText(std::string& Text) {
  struct TEntry {
    const char* Key;
    const char* Text;
  };
  static const TEntry table[] = {
      {"Button_GEN_Flip", "Flip"},
      {"Button_GEN_Settings", "Setting"},
      // The status line while the program's close waits for the ECU.
      {"DynamicIND_Close_Wait", "Please wait: the program closes once the ECU has taken the changes"}};
  for (const TEntry& e : table)
    if (IsKeyLookedUp(e.Key)) {
      Text = e.Text;
      return;
    }
}

void TWindowHost::MainFormEnglishText(std::string& Text) { app::MainFormEnglishText(Text); }
void TWindowHost::SettingsEnglishText(std::string& Text) { app::SettingsWindowEnglishText(Text); }
void TWindowHost::SkinEnglishText(std::string& Text) { app::SkinWindowEnglishText(Text); }

}  // namespace app
