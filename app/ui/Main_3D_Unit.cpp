#include "app/ui/Main_3D_Unit.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <functional>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Port_Failure.h"
#include "app/core/Port_View.h"
#include "app/core/Set_3D_Unit.h"
#include "app/core/Window_Session.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Flip_3D.h"
#include "app/ui/Font_Unit.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Page_ACB.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/Page_CLB.h"
#include "app/ui/Page_MAP.h"
#include "app/ui/Window_Host.h"
#include "app/ui/Window_Parts.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/Display.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

// The screen's work area as the core's window rules take it.
TWindowRect WorkRect() {
  const win::TRect work = win::ScreenWorkArea();
  return {work.Left, work.Top, work.Width(), work.Height()};
}

// The caption keeps this much room to the buttons and icons beside it.
constexpr float CaptionGap = 8;

const char* const IndicatorIds[IndicatorCount] = {"Petrol",  "Gas",      "RPM",       "TempVap",
                                                  "TempGas", "PressVap", "PressColl", "PressDiff"};
// Colour roles: petrol 2, gas 3, R.P.M. 4, reducer pressure 5, manifold pressure 6,
// differential pressure 7, reducer temperature 8, gas temperature 9.
const int IndicatorRoles[IndicatorCount] = {2, 3, 4, 8, 9, 5, 6, 7};


std::string CurrentDirectory() {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::current_path(ec);
  return ec ? std::string(".") : p.string();
}

std::u16string Wide(const std::string& Text) { return ShownText(Text); }

}  // namespace

const char* IndicatorId(int Indicator) {
  return Indicator >= 0 && Indicator < IndicatorCount ? IndicatorIds[Indicator] : "";
}

int IndicatorColorRole(int Indicator) {
  return Indicator >= 0 && Indicator < IndicatorCount ? IndicatorRoles[Indicator] : 0;
}

rtl::TClass TForm_3D_GEN::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TForm_3D_GEN>()).Build();
  return &info;
}

TForm_3D_GEN::TForm_3D_GEN(rtl::TComponent* AOwner) : TWindow_3D(AOwner) { MakeTimers(); }

TForm_3D_GEN::~TForm_3D_GEN() = default;

void TForm_3D_GEN::BeforeDestruction() {
  created_ = false;
  FreeMainTimers();
  FreeStatusMessages();
  inherited::BeforeDestruction();
}

void TForm_3D_GEN::MakeTimers() {
  auto make = [this](std::uint32_t Interval, void (TForm_3D_GEN::*Tick)(rtl::TObject*)) {
    auto* t = new rtl::TTimer(this);
    t->SetEnabled(false);
    t->SetInterval(Interval);
    t->SetOnTimer(rtl::TNotifyEvent(this, Tick));
    return t;
  };
  timerCLBBtn_ = make(300, &TForm_3D_GEN::Timer_CLB_3D_BtnTimer);
  timerMapRPMTail_ = make(500, &TForm_3D_GEN::Timer_3D_MapRPM_TailTimer);
  timerLevelGas_ = make(500, &TForm_3D_GEN::Timer_LevelGasTimer);
  timerMenu_ = make(300, &TForm_3D_GEN::Timer_MenuTimer);
  timerCloseWait_ = make(ACBCloseWaitMaxMs, &TForm_3D_GEN::Timer_CloseWaitTimer);
}

std::unique_ptr<TForm_3D_GEN> TForm_3D_GEN::Create(const std::string& ProgramPath) {
  auto form = std::unique_ptr<TForm_3D_GEN>(new TForm_3D_GEN(nullptr));
  form->ReadWindowText("FORM_3D_GEN");
  form->BindParts();
  form->pageCFG_ = new TPage_CFG(form.get());
  form->pageCFG_->Load(form->parts_.TabItems[0]);
  form->pageACB_ = new TPage_ACB(form.get());
  form->pageACB_->Load(form->parts_.TabItems[1]);
  form->pageCLB_ = new TPage_CLB(form.get());
  form->pageCLB_->Load(form->parts_.TabItems[2]);
  form->pageMAP_ = new TPage_MAP(form.get());
  form->pageMAP_->Load(form->parts_.TabItems[3]);
  form->FormCreate(ProgramPath);
  return form;
}

void TForm_3D_GEN::BindParts() {
  TMainParts& p = parts_;
  BindFormParts(TPartBinder(this, WindowName()), p);
  p.IndicatorPanels = {p.HudPanel_IND_Petrol,  p.HudPanel_IND_Gas,      p.HudPanel_IND_RPM,
                       p.HudPanel_IND_TempVap, p.HudPanel_IND_TempGas,  p.HudPanel_IND_PressVap,
                       p.HudPanel_IND_PressColl, p.HudPanel_IND_PressDiff};
  p.IndicatorNames = {p.HudLabel_IND_Petrol_Name,  p.HudLabel_IND_Gas_Name,      p.HudLabel_IND_RPM_Name,
                      p.HudLabel_IND_TempVap_Name, p.HudLabel_IND_TempGas_Name,  p.HudLabel_IND_PressVap_Name,
                      p.HudLabel_IND_PressColl_Name, p.HudLabel_IND_PressDiff_Name};
  p.IndicatorValues = {p.HudLabel_IND_Petrol_Data,  p.HudLabel_IND_Gas_Data,      p.HudLabel_IND_RPM_Data,
                       p.HudLabel_IND_TempVap_Data, p.HudLabel_IND_TempGas_Data,  p.HudLabel_IND_PressVap_Data,
                       p.HudLabel_IND_PressColl_Data, p.HudLabel_IND_PressDiff_Data};
  p.TabItems = {p.HudTabItem_CFG, p.HudTabItem_ACB, p.HudTabItem_CLB, p.HudTabItem_MAP};
}

// ---- creation, showing, closing ------------------------------------------------------------------

void TForm_3D_GEN::FormCreate(const std::string& ProgramPath) {
  const TMainParts& p = parts_;
  // 1. The design sizes; the layout is the client less 26 x 44 at (13, 32).
  PlaceLayout(p.Layout_3D_GEN);
  gripFromRight_ = static_cast<float>(Width()) - p.SizeGrip_3D_GEN->Position()->X();
  // 2.
  CreateCaptionIcons();
  // 3. Paths, names and titles.
  programDir_ = CurrentDirectory();
  exeBaseName_ = ProgramName(ProgramPath);
  SetCaption(exeBaseName_ + "  V" + ProgramVersion);
  p.HudWindow_3D_GEN->OnApplyResource = rtl::TNotifyEvent(this, &TForm_3D_GEN::TitleStyleApplied);
  p.HudTabControl_GEN->OnCanFocused = vg::TvxCanFocusedEvent(this, &TForm_3D_GEN::TabsCanFocus);
  title_ = Wide(exeBaseName_ + "  V" + ProgramVersion + "  Date " + ProgramDate);
  PlaceCaption();
  // 4., 5.
  StartProgramFiles(programDir_, exeBaseName_);
  CreateMainTimers();
  // 6. Settings, language, configuration, the calibration's algorithms, the panels' opacity.
  Settings_Default();
  Model().Settings.Page_Index = std::clamp(Model().Settings.Page_Index, 0, PageCount - 1);
  ApplyLanguage();
  CreateConfiguration();
  pageACB_->CreateAlgorithms();
  ApplyPanelsOpacity(*this);
  // 7. The status line, and the live values as they stand.
  CreateStatusMessages();
  ShowLiveValues();
  // 8. Each menu 104 x 84 under its button, its list filling it. The menu opens in a window
  // of its own (its popup) placed there.
  for (auto [button, popup, panel, list] :
       {std::tuple{p.HudButton_Menu_File, p.Popup_GEN_Menu_File, p.HudPanel_GEN_Menu_File,
                   p.HudStringListBox_Menu_File},
        std::tuple{p.HudButton_Menu_LNG, p.Popup_GEN_Menu_LNG, p.HudPanel_GEN_Menu_LNG, p.HudStringListBox_Menu_LNG}}) {
    popup->SetWidth(104);
    popup->SetHeight(84);
    popup->Position()->SetPoint({button->Position()->X(), button->Position()->Y() + button->Height() - 1});
    panel->SetWidth(104);
    panel->SetHeight(84);
    panel->Position()->SetPoint({0, 0});
    list->Position()->SetPoint({0, 0});
    list->SetWidth(104);
    list->SetHeight(84);
  }
  // 9. The indicator column.
  CreateIndicatorTracks();
  FitIndicatorPanels();
  FitIndicatorLabels();
  FitPortPanel();
  FitPultPanel();
  created_ = true;
}

void TForm_3D_GEN::FormShow(rtl::TObject*) {
  const TMainParts& p = parts_;
  Model().Actions.MainWindowShown = 1;
  SetCFGPageUpdating(true);
  p.Layout_3D_GEN->Scale()->SetPoint({1, 1});
  const win::TRect work = win::ScreenWorkArea();
  SetBounds(work.Left + (work.Width() - DesignWidth()) / 2, work.Top + (work.Height() - DesignHeight()) / 2,
            DesignWidth(), DesignHeight());
  QueueAction(Action_PlaceLogo, 1);
  QueueAction(Action_LoadMainWindowLayout, 100);
  QueueAction(Action_ApplyFonts, 100);
  QueueAction(Action_CopyFillToOpenWindows, 100);
  SetMainWindowSize(Width(), Height());
  SetCFGPageUpdating(false);
  if (SettingsWindowWasOpen()) ShowWindowNamed("Form_3D_SET");
  QueueAction(Action_OpenConfiguredPort, 1000);
  // The page the settings name, and its fonts.
  Model().Settings.Page_Index = std::clamp(Model().Settings.Page_Index, 0, PageCount - 1);
  if (p.HudTabControl_GEN->ItemIndex() == Model().Settings.Page_Index)
    HudTabControl_GENChange(p.HudTabControl_GEN);
  else
    p.HudTabControl_GEN->SetItemIndex(Model().Settings.Page_Index);
  // The report names the places and sizes the windows will hold to this screen too.
  const TWindowRect shown{Left(), Top(), Width(), Height()}, area = WorkRect();
  ReportHeldMainWindowPlace(shown, area);
  if (const TWindow_3D* settings = WindowNamed("Form_3D_SET"))
    ReportHeldSettingsWindowPlace(shown, settings->DesignWidth(), settings->DesignHeight(), area);
  ShowSettingsLoadReport();
  ShowConfigLoadReport();
}

TForm_3D_GEN::TGeometry TForm_3D_GEN::Geometry() const {
  return {Left(), Top(), Width(), Height(),
          static_cast<int>(std::lround(parts_.HudPanel_IND ? parts_.HudPanel_IND->Width() : 0))};
}

void TForm_3D_GEN::SetPortWindow(TPortLink* Value) {
  if (portWindow_) PortLinkComponent(portWindow_)->RemoveFreeNotification(this);
  portWindow_ = Value;
  if (portWindow_) PortLinkComponent(portWindow_)->FreeNotification(this);
}

void TForm_3D_GEN::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && portWindow_ && AComponent == PortLinkComponent(portWindow_)) portWindow_ = nullptr;
}

TWindow_3D* TForm_3D_GEN::WindowNamed(const std::string& Name) {
  for (TWindow_3D* w : TWindow_3D::Windows())
    if (w->Name() == Name) return w;
  return nullptr;
}

bool TForm_3D_GEN::ShowWindowNamed(const std::string& Name) {
  TWindow_3D* w = WindowNamed(Name);
  if (!w) return false;
  w->Show();
  return true;
}

// ---- geometry ------------------------------------------------------------------------------------

void TForm_3D_GEN::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != Width() || AHeight != Height();
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (resized) FormResize();
}

void TForm_3D_GEN::FormResize() {
  if (!created_ || CFGPageUpdating()) return;
  RescaleMainLayout();
  // At least 400 x 300, and (as a grip drag could make it) never larger than full screen.
  const win::TRect work = win::ScreenWorkArea();
  const int maxWidth = std::max(work.Width() + 2 * FullScreenMargin, MainMinWidth);
  const int maxHeight = std::max(work.Height() + 2 * FullScreenMargin, MainMinHeight);
  if (Width() < MainMinWidth || Height() < MainMinHeight || Width() > maxWidth || Height() > maxHeight) {
    inherited::SetBounds(Left(), Top(), std::clamp(Width(), MainMinWidth, maxWidth),
                         std::clamp(Height(), MainMinHeight, maxHeight));
    RescaleMainLayout();
  }
  if (Model().Settings.Full_Screen && (Width() < work.Width() + 2 * FullScreenMargin ||
                               Height() < work.Height() + 2 * FullScreenMargin))
    Model().Settings.Full_Screen = false;
  ShowCaptionIconState(Model().Settings.Full_Screen);
}

void TForm_3D_GEN::RescaleMainLayout() {
  // The layer has the window's new size; its 2D content would take it only at the next frame.
  // It takes it now, so that what is placed below is measured in the layout that will be shown.
  // The caption's slot first gives up the spacing it had for the old width: kept, it could leave
  // the caption less than no room in a narrower window, and a style's part takes a negative
  // width as a mirror image (the caption then stood reversed at the window's left edge).
  if (auto* part = parts_.HudWindow_3D_GEN ? vg::FindPart<vg::TvxText>(parts_.HudWindow_3D_GEN, "text") : nullptr) {
    const vg::TvxRect pad = part->Padding()->GetRect();
    part->Padding()->SetRect({0, pad.Top, 0, pad.Bottom});
  }
  if (dx::TdxGUIObjectLayer* layer = Layer()) layer->RealignRoot();
  RescaleLayout();
  PlaceCaptionIcons();
  FitFontTrack();
  FitTitleButtons();
  PlaceCaption();
}

void TForm_3D_GEN::FitTitleButtons() {
  const TMainParts& p = parts_;
  vg::TvxHudButton* const row[] = {p.HudButton_Menu_File, p.HudButton_Menu_LNG, p.HudButton_3D_GEN_Flip,
                                   p.HudButton_3D_GEN_Settings};
  if (!p.HudButton_Menu_File || !icons_.Minimize) return;
  const float start = p.HudButton_Menu_File->Position()->X();
  float total = 0;
  for (vg::TvxHudButton* b : row)
    if (b && b->Visible()) total += b->Width();
  const float room = icons_.Minimize->Position()->X() - CaptionGap - start;
  const float scale = total > 0 && room < total ? std::max(room, 0.0f) / total : 1.0f;
  float x = start;
  for (vg::TvxHudButton* b : row) {
    if (!b || !b->Visible()) continue;
    b->Scale()->SetPoint({scale, scale});
    b->Position()->SetX(x);
    x += b->Width() * scale;
  }
  for (auto [button, popup] :
       {std::pair{p.HudButton_Menu_File, p.Popup_GEN_Menu_File}, std::pair{p.HudButton_Menu_LNG, p.Popup_GEN_Menu_LNG}})
    popup->Position()->SetPoint(
        {button->Position()->X(), button->Position()->Y() + button->Height() * button->Scale()->Y() - 1});
}

void TForm_3D_GEN::SetMainWindowSize(int AWidth, int AHeight) {
  const win::TRect work = win::ScreenWorkArea();
  int left = work.Left + (work.Width() - AWidth) / 2, top = work.Top + (work.Height() - AHeight) / 2;
  int width = AWidth, height = AHeight;
  if (Model().Settings.Full_Screen) {
    left = work.Left - FullScreenMargin;
    top = work.Top - FullScreenMargin;
    width = work.Width() + 2 * FullScreenMargin;
    height = work.Height() + 2 * FullScreenMargin;
  }
  // The width is set as the caller holds the page; the page is let go before the height, so
  // that the resize rule runs once, on the whole new size.
  inherited::SetBounds(left, top, width, Height());
  SetCFGPageUpdating(false);
  inherited::SetBounds(left, top, width, height);
  FormResize();
  ShowCaptionIconState(Model().Settings.Full_Screen);
}

void TForm_3D_GEN::ToggleFullScreen() {
  SetCFGPageUpdating(true);
  Model().Settings.Full_Screen = !Model().Settings.Full_Screen;
  SetMainWindowSize(DesignWidth(), DesignHeight());
  SetCFGPageUpdating(false);
}

void TForm_3D_GEN::LoadMainWindowLayout() {
  // A file from another screen (or a broken one) cannot put the window off the work area or
  // make it larger than full screen would.
  const std::optional<TMainWindowKeys> keys = ReadMainWindowKeys({Left(), Top(), Width(), Height()}, WorkRect());
  if (!keys) return;
  SetCFGPageUpdating(true);
  try {
    if (!Model().Settings.Full_Screen) {
      const TWindowRect& r = keys->Place;
      inherited::SetBounds(r.Left, r.Top, r.Width, Height());
      SetCFGPageUpdating(false);
      SetBounds(r.Left, r.Top, r.Width, r.Height);
      FormResize();
    }
    SetCFGPageUpdating(true);
    if (keys->IndicatorWidth) MoveSplitter(static_cast<float>(*keys->IndicatorWidth) - parts_.HudPanel_IND->Width());
    if (keys->NameFontSize) Model().Settings.IndicatorNameFontSize = static_cast<float>(*keys->NameFontSize);
    if (keys->DataFontSize) Model().Settings.IndicatorDataFontSize = static_cast<float>(*keys->DataFontSize);
    // The sizes are held within their tracks' ranges.
    Model().Settings.IndicatorNameFontSize =
        std::clamp(Model().Settings.IndicatorNameFontSize, MinIndicatorFontSize, MaxIndicatorNameFontSize);
    Model().Settings.IndicatorDataFontSize =
        std::clamp(Model().Settings.IndicatorDataFontSize, MinIndicatorFontSize, MaxIndicatorDataFontSize);
    if (!std::isfinite(Model().Settings.IndicatorNameFontSize)) Model().Settings.IndicatorNameFontSize = 14;
    if (!std::isfinite(Model().Settings.IndicatorDataFontSize)) Model().Settings.IndicatorDataFontSize = 26;
    ApplyIndicatorFontSizes();
  } catch (...) {
    SetCFGPageUpdating(false);
    throw;
  }
  Model().Colors.WindowColorText = Model().Colors.MainWindowFill.Color;
  ApplyMainWindowFill();
  SetCFGPageUpdating(false);
}

void TForm_3D_GEN::ApplyMainWindowFill() {
  vg::TvxBrush* fill = parts_.HudWindow_3D_GEN->Fill();
  const TWindowFill& f = Model().Colors.MainWindowFill;
  if (!f.Gradient) {
    fill->SetStyle(vg::vgBrushSolid);
    fill->SetColor(f.Color);
    return;
  }
  fill->SetStyle(vg::vgBrushGradient);
  fill->SetColor(f.Color);
  vg::TvxGradientPoints* points = fill->Gradient()->Points();
  for (int i = 0; i < points->Count() && i < static_cast<int>(f.GradientColors.size()); ++i)
    points->GetPoint(i)->SetColor(f.GradientColors[static_cast<std::size_t>(i)]);
  fill->Gradient()->Change();
}

void TForm_3D_GEN::PlaceStartupLogo() {
  // The logo stands on the Hud window, over the layout: its place is in window pixels.
  vg::TvxVisualObject* logo = parts_.Image_ICO;
  vg::TvxVisualObject* layout = parts_.Layout_3D_GEN;
  float side = 0, cx = 0, cy = 0;
  if (Model().Settings.Full_Screen) {
    const win::TRect work = win::ScreenWorkArea();
    side = static_cast<float>(work.Height()) * 50 / 100;
    cx = static_cast<float>(work.Left + work.Width() / 2 - Left());
    cy = static_cast<float>(work.Top + work.Height() / 2 - Top());
  } else {
    const float w = layout->Width() * layout->Scale()->X(), h = layout->Height() * layout->Scale()->Y();
    side = h * 50 / 100;
    cx = layout->Position()->X() + w / 2;
    cy = layout->Position()->Y() + h / 2;
  }
  SizeStartupLogo(cx - side / 2, cy - side / 2, side);
  logo->SetVisible(true);
  logo->BringToFront();
  QueueAction(Action_ShrinkLogo, 1500);
  vg::TvxLine* line = pageCFG_->Parts().Line_CFG_LevelSensor;
  vg::TvxVisualObject* image = pageCFG_->Parts().Image_CFG_LevelSensor;
  line->SetWidth(image->Width());
  line->Stroke()->SetColor(Model().Colors.ColorTable[Color_Gas]);
  line->Position()->SetX(0);
}

void TForm_3D_GEN::ShrinkStartupLogo() { SizeStartupLogo(12, 12, 25); }

void TForm_3D_GEN::SizeStartupLogo(float X, float Y, float Side) {
  vg::TvxVisualObject* logo = parts_.Image_ICO;
  logo->SetWidth(Side);
  logo->SetHeight(Side);
  logo->Position()->SetPoint({X, Y});
  // The flame stands in the ring's middle, a little above it.
  vg::TvxVisualObject* flame = parts_.Path_ICO_Flame;
  flame->Position()->SetPoint({Side * 0.29f, Side * 0.14f});
  flame->SetWidth(Side * 0.42f);
  flame->SetHeight(Side * 0.70f);
  parts_.Circle_ICO->SetStrokeThickness(std::max(1.5f, Side * 0.03f));
}

// ---- the queue's actions --------------------------------------------------------------------------

void TForm_3D_GEN::RunAction(std::uint8_t Code) {
  switch (Code) {
    case Action_RescaleLayout: RescaleMainLayout(); break;
    case Action_LoadMainWindowLayout: LoadMainWindowLayout(); break;
    case Action_Minimize: win::MinimizeApplication(); break;
    case Action_ToggleFullScreen: ToggleFullScreen(); break;
    case Action_CopyFillToOpenWindows: CopyFillToOpenWindows(); break;
    case Action_ApplyFonts: ApplyFonts(*this); break;
    case Action_OpenConfiguredPort: portFailureMessage_ = OpenConfiguredPortAndReport(); break;
    case 8:
    case 9:
    case 10: pageCLB_->ApplyPartFonts(Code); break;
    case Action_CloseMapPrompt: pageCLB_->CloseMapPrompt(); break;
    case 12:
    case 13:
    case 14:
    case 15: ApplyPageFonts(*this, Code - 12); break;
    case Action_PlaceLogo: PlaceStartupLogo(); break;
    case Action_ShrinkLogo: ShrinkStartupLogo(); break;
    default: break;
  }
}

void TForm_3D_GEN::CopyFillToOpenWindows() {
  // The settings, port and skin windows while they show; the message window copies the
  // fill itself when it shows.
  for (TWindow_3D* w : TWindow_3D::Windows()) {
    if (w == this || !w->Showing() || w->Name() == "Form_3D_MSG") continue;
    auto* window = dynamic_cast<vg::TvxHudWindow*>(w->Root());
    if (!window) continue;
    // Colour, style and the colours of as many gradient points as both fills have.
    FillToBrush(Model().Colors.MainWindowFill, window->Fill());
  }
}

// ---- texts, caption, language -----------------------------------------------------------------------

void TForm_3D_GEN::PlaceCaption() {
  vg::TvxHudWindow* window = parts_.HudWindow_3D_GEN;
  if (!window) return;
  // The room: from the last visible button of the title row to the first caption icon.
  float left = 0;
  for (vg::TvxHudButton* b : {parts_.HudButton_Menu_File, parts_.HudButton_Menu_LNG, parts_.HudButton_3D_GEN_Flip,
                              parts_.HudButton_3D_GEN_Settings})
    if (b && b->Visible()) left = std::max(left, b->Position()->X() + b->Width() * b->Scale()->X());
  left += CaptionGap;
  // (The icons stand at their distance to the window's right edge, placed from its width.)
  const float width = static_cast<float>(Width());
  float right = width - CaptionGap;
  for (vg::TvxCircle* icon : {icons_.Minimize, icons_.FullScreen})
    if (icon && icon->Visible()) right = std::min(right, icon->Position()->X() - CaptionGap);
  if (right < left) right = left;
  // The caption part of the window's style takes that room through its outer spacing. Its
  // slot in the title row keeps its distances to the Hud window's edges, measured as laid out
  // now (the Hud window has the window's size: RescaleMainLayout).
  if (auto* part = vg::FindPart<vg::TvxText>(window, "text")) {
    const vg::TvxRect pad = part->Padding()->GetRect();
    const float slotLeft = window->AbsoluteToLocal(part->LocalToAbsolute({0, 0})).X - pad.Left;
    const float slotRightGap =
        window->Width() - (window->AbsoluteToLocal(part->LocalToAbsolute({part->Width(), 0})).X + pad.Right);
    const vg::TvxRect wanted{std::max(0.0f, left - slotLeft), pad.Top,
                             std::max(0.0f, width - slotRightGap - right), pad.Bottom};
    if (wanted != pad) part->Padding()->SetRect(wanted);
  }
  vg::TvxCanvas* canvas = window->GetCanvas();
  if (!canvas) {
    window->SetText(title_);
    return;
  }
  // Measured as the caption is drawn, at the window's own transform: the canvas keeps that of
  // whatever it painted last (a part scaled by the splitter measures its glyphs otherwise).
  const vg::TvxMatrix kept = canvas->Matrix();
  canvas->SetMatrix(window->GetAbsoluteMatrix());
  window->SetText(CutWithEllipsis(title_, right - left, [&](const std::u16string& Text) {
    canvas->Font()->Assign(window->Font());
    return canvas->TextWidth(Text);
  }));
  canvas->SetMatrix(kept);
}

void TForm_3D_GEN::TitleStyleApplied(rtl::TObject*) { PlaceCaption(); }

void TForm_3D_GEN::UpdateMainCaption() {
  const TMainCaption caption = MainCaption(exeBaseName_, ProgramVersion, ProgramDate);
  title_ = caption.Title;
  PlaceCaption();
  if (pageCFG_) {
    vg::TvxHudGroupBox* box = pageCFG_->Parts().HudGroupBox_CFG_User;
    box->SetText(caption.CustomerGroup);
    // A file's name makes the caption longer: at the chosen size or as large as fits.
    if (Model().Actions.MainWindowShown) SetControlFont(box, false, true, -1, false);
  }
}

void TForm_3D_GEN::ApplyLanguage() {
  SetCurrentLanguage(Model().Settings.Language);
  const TLanguageFileScope file(TLanguageFileScope::Always);
  KeepLanguageWords();
  if (Model().CoreHost)
    Model().CoreHost->UpdateMainCaption();
  else UpdateMainCaption();
  for (const TPartText& t : MainWindowTexts()) {
    rtl::TComponent* c = FindPart(t.Part);
    if (auto* text = dynamic_cast<vg::TvxTextControl*>(c)) text->SetText(t.Text);
  }
  vg::TvxHudStringListBox* files = parts_.HudStringListBox_Menu_File;
  files->Items()->BeginUpdate();
  files->Items()->Clear();
  for (const std::u16string& item : FileMenuItems()) files->Items()->Add(item);
  files->Items()->EndUpdate();
  ListLanguages();
  TranslateColorDescriptions();
  ShowErrorsInLanguage();
  if (Model().Actions.MainWindowShown) StatusMessagesInLanguage();
  // The customer's details as the new language's code page reads the file's bytes: boxes left
  // showing the old reading would differ from the configuration, and their next leave take it.
  if (Model().Actions.MainWindowShown && pageCFG_) pageCFG_->ConfigToUserPage();
}

void TForm_3D_GEN::ListLanguages() {
  vg::TvxHudStringListBox* list = parts_.HudStringListBox_Menu_LNG;
  list->Items()->BeginUpdate();
  list->Items()->Clear();
  for (const std::u16string& name : LanguageMenuItems()) list->Items()->Add(name);
  list->Items()->EndUpdate();
}

// ---- handlers --------------------------------------------------------------------------------------

void TForm_3D_GEN::HudButton_Work_ModeClick(rtl::TObject*) { SwitchWorkMode(); }

void TForm_3D_GEN::HudButton_Port_SearchClick(rtl::TObject*) { StartPortSearch(); }

void TForm_3D_GEN::HudButton_3D_GEN_FlipMouseDown(rtl::TObject*, rtl::TMouseButton Button, rtl::TShiftState, float,
                                                  float) {
  // The right button shows the skin window; the left one flips the window.
  if (Button == rtl::mbRight) ShowWindowNamed("Form_3D_Skin");
  if (Button == rtl::mbLeft) FlipMainWindow(*this);
}

void TForm_3D_GEN::HudButton_3D_GEN_SettingsClick(rtl::TObject*) { ShowWindowNamed("Form_3D_SET"); }

void TForm_3D_GEN::TabsCanFocus(rtl::TObject*, bool& CanFocus) {
  if (win::CurrentMousePress() == 0) return;
  CanFocus = std::any_of(parts_.TabItems.begin(), parts_.TabItems.end(),
                         [](const vg::TvxTabItem* Tab) { return Tab->IsMouseOver(); });
}

void TForm_3D_GEN::HudTabControl_GENChange(rtl::TObject*) {
  // The page now shown draws what it left for later while hidden.
  for (TWindowPage* shown : Pages())
    if (shown->Shown()) shown->PageShown();
  const int page = parts_.HudTabControl_GEN->ItemIndex();
  if (page < 0 || page > 3) return;
  Model().Settings.Page_Index = page;
  QueueAction(static_cast<std::uint8_t>(12 + page), 100);
}

// ---- timers and the level lamp --------------------------------------------------------------------

void TForm_3D_GEN::SetLevelGasBlink(bool On) {
  if (On) levelBlinkOn_ = true;
  timerLevelGas_->SetEnabled(On);
}

void TForm_3D_GEN::Timer_LevelGasTimer(rtl::TObject*) {
  vg::TvxCircle* lamp = pageCFG_->Parts().Circle_LevelGas[5];
  lamp->Fill()->SetColor(levelBlinkOn_ ? Model().Colors.WindowColorText : Model().Colors.ColorTable[Color_Gas]);
  levelBlinkOn_ = !levelBlinkOn_;
}

void TForm_3D_GEN::Timer_MenuTimer(rtl::TObject*) { CloseMenus(); }

void TForm_3D_GEN::Timer_CLB_3D_BtnTimer(rtl::TObject*) {
  timerCLBBtn_->SetEnabled(false);
  pageCLB_->KeyRepeatEnded();
}

void TForm_3D_GEN::Timer_3D_MapRPM_TailTimer(rtl::TObject*) { pageMAP_->TailTick(); }

void TForm_3D_GEN::UpdateLevelSensorImage() {
  pageCFG_->UpdateLevelSensorImage(LiveWorkMode(), LiveLevel());
}

}  // namespace app
