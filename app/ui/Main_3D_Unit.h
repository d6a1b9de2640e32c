// The main window TForm_3D_GEN: the title row with the File and Language menus, the Flip and
// Settings buttons and the caption icons; the indicator column with its splitter and size
// tracks, the port panel with the status line and the work-mode panel; the tab control with
// its four pages (Setup, Auto Calibration, Graph, Map), each a page of its own file. It
// creates the shared objects at start, restores the window through the action queue, routes
// keys, menus and control changes, and runs the actions 1..17 of the queue.
//
// The window's text is app/ui/forms/Form_3D_GEN.txt. Make it with Create, which reads and
// binds it; Show starts it; closing it ends the program (the caller's loop).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/core/Port_View.h"
#include "app/ui/Window_3D.h"
#include "app/ui/forms/Form_3D_GEN.h"

namespace rtl {
class TTimer;
}

namespace vg {
class TvxCircle;
class TvxHudLabel;
class TvxHudPanel;
class TvxHudTabItem;
class TvxHudTrack;
class TvxLayout;
class TvxLine;
class TvxVisualObject;
}  // namespace vg

namespace app {

class TPage_ACB;
class TPage_CFG;
class TPage_CLB;
class TPage_MAP;

// The version and build date the window shows.
inline constexpr const char* ProgramVersion = "1.07";
inline constexpr const char* ProgramDate = "2014.02.11";
// The access code that reveals the Flip and Settings buttons.
inline constexpr const char16_t* AccessCode = u"pelund7391";

// The indicator quantities, in the order of the column.
enum TIndicator : int { IND_Petrol, IND_Gas, IND_RPM, IND_TempVap, IND_TempGas, IND_PressVap, IND_PressColl, IND_PressDiff };
constexpr int IndicatorCount = 8;
// The quantity's name in component names ("PressVap") and its colour role.
const char* IndicatorId(int Indicator);
int IndicatorColorRole(int Indicator);

// The parts of the main window's frame (the pages bind their own): every object its text
// names, and the indicator column's and the tab control's parts in their order. Among them,
// HudPanel_Port_Condition holds the link LED, the port name and the quality; SizeGrip_3D_GEN,
// in the window's bottom-right corner above the content, resizes the window when pressed.
struct TMainParts : TMainFormParts {
  // Per TIndicator: the panel HudPanel_IND_<id>, its labels HudLabel_IND_<id>_Name and _Data.
  std::array<vg::TvxHudPanel*, IndicatorCount> IndicatorPanels{};
  std::array<vg::TvxHudLabel*, IndicatorCount> IndicatorNames{};
  std::array<vg::TvxHudLabel*, IndicatorCount> IndicatorValues{};
  std::array<vg::TvxHudTabItem*, 4> TabItems{};  // HudTabItem_CFG, _ACB, _CLB, _MAP
};

// The caption icons (made in code, MinMax_3D_ICO.cpp).
struct TCaptionIcons {
  vg::TvxCircle* Minimize = nullptr;
  vg::TvxLine* MinimizeGlyph = nullptr;
  vg::TvxCircle* FullScreen = nullptr;
  vg::TvxLine* WindowBar = nullptr;
  vg::TvxVisualObject* WindowFrame = nullptr;
  vg::TvxVisualObject* RestoreFrame1 = nullptr;
  vg::TvxVisualObject* RestoreFrame2 = nullptr;
};

// The three size tracks under the indicator column (made in code, Splitter_Unit.cpp).
struct TIndicatorTracks {
  vg::TvxHudTrack* NameSize = nullptr;
  vg::TvxHudTrack* DataSize = nullptr;
  vg::TvxHudTrack* FontSize = nullptr;
};

// What the save/load window (Form_3D_SaveLoad) does for the File menu's items before Exit
// (0 Save, 1 Load, 2 Default); the main window finds the window by its name and calls it.
class IFileMenuActions {
public:
  virtual void RunFileMenuAction(int Index) = 0;

protected:
  ~IFileMenuActions() = default;
};

class TForm_3D_GEN : public TWindow_3D {
  RTL_CLASS(TForm_3D_GEN, TWindow_3D)
public:
  explicit TForm_3D_GEN(rtl::TComponent* AOwner);
  ~TForm_3D_GEN() override;
  void BeforeDestruction() override;

  // Makes the main window: reads its text and its pages' texts, binds them and runs the
  // creation (FormCreate). ProgramPath is the program file's path (its base name names the
  // settings file); the current directory is the program's folder of files.
  static std::unique_ptr<TForm_3D_GEN> Create(const std::string& ProgramPath);

  const TMainParts& Parts() const { return parts_; }
  const TCaptionIcons& CaptionIcons() const { return icons_; }
  const TIndicatorTracks& Tracks() const { return tracks_; }
  TPage_CFG* PageCFG() const { return pageCFG_; }
  TPage_ACB* PageACB() const { return pageACB_; }
  TPage_CLB* PageCLB() const { return pageCLB_; }
  TPage_MAP* PageMAP() const { return pageMAP_; }

  // ---- paths and names made at creation --------------------------------------------------
  const std::string& ProgramDir() const { return programDir_; }
  const std::string& ExeBaseName() const { return exeBaseName_; }
  // The window's title text, whole (the Hud window's caption shows what fits of it).
  std::u16string TitleText() const { return title_; }
  // The caption between the last visible button of the title row and the caption icons,
  // centred there, or cut with an ellipsis where it does not fit: no button covers it.
  void PlaceCaption();
  // The title row's buttons side by side from the File button's place, at their own size
  // while they fit before the caption icons; in a narrower window they shrink together
  // (scaled, text and all) so that they end there. The menus stay under their buttons.
  void FitTitleButtons();

  // ---- timers of the window ----------------------------------------------------------------
  rtl::TTimer* Timer_CLB_3D_Btn() const { return timerCLBBtn_; }
  rtl::TTimer* Timer_3D_MapRPM_Tail() const { return timerMapRPMTail_; }
  rtl::TTimer* Timer_LevelGas() const { return timerLevelGas_; }
  rtl::TTimer* Timer_Menu() const { return timerMenu_; }
  // Timer_LevelGas on (with the blink phase set) or off.
  void SetLevelGasBlink(bool On);
  // The port window, whose port and timers the window's close stops.
  void SetPortWindow(TPortLink* Value);
  TPortLink* PortWindow() const { return portWindow_; }

  // ---- operations ---------------------------------------------------------------------------
  // The action of a code of the queue (1..17); other codes run nothing.
  void RunAction(std::uint8_t Code);
  // Action 1 and every resize: the layout scaled to the window, the caption icons placed.
  void RescaleMainLayout();
  // Full screen: the work area + 24 at (-12, -12); else the size given, centred in the work
  // area. The caption icons show the state.
  void SetMainWindowSize(int AWidth, int AHeight);
  // Action 4.
  void ToggleFullScreen();
  // Action 2: geometry, indicator column and sizes, window fill from the settings file.
  void LoadMainWindowLayout();
  // The main window's fill (the colours' state) onto its Hud window.
  void ApplyMainWindowFill();
  // Action 5: the settings, port and skin windows, while shown, take the main window's fill.
  void CopyFillToOpenWindows();
  // Actions 16 and 17.
  void PlaceStartupLogo();
  void ShrinkStartupLogo();
  // The logo as a square of Side pixels at (X, Y) of the Hud window, its parts in proportion.
  void SizeStartupLogo(float X, float Y, float Side);
  // A control that takes typed text has the keyboard focus (no shortcut runs then).
  bool AnyTextBoxFocused() const;
  // Opens the File menu (or the Language menu) under its button, in a window of its own above
  // every window of the program, and closes the other.
  void ShowMenu(bool FileMenu);
  void CloseMenus();
  bool MenuOpen() const { return menuOpen_; }
  int FileMenuIndex() const { return fileMenuIndex_; }
  void UpdateMainCaption();
  void UpdateLevelSensorImage();
  // The language of the settings onto the window (ApplyLanguage): texts, menus, caption,
  // colour descriptions.
  void ApplyLanguage();
  // Fills the language menu from the language folder (ListLanguageFiles).
  void ListLanguages();
  // The text of the message that told why the configured port could not be opened, while
  // it holds; taking it forgets it (the ECU has answered since).
  std::string TakePortFailureMessage() { return std::exchange(portFailureMessage_, {}); }
  // A File-menu item (the last, Exit, closes the window; the others go to the save/load
  // window, IFileMenuActions), a language item, the access code.
  void RunFileMenuItem(int Index);
  void ChooseLanguage(int Index);
  bool EnterAccessCode(const std::u16string& Code);
  // The indicator column and its tracks (Splitter_Unit.cpp).
  void CreateIndicatorTracks();
  void FitIndicatorPanels();
  void FitIndicatorLabels();
  // The port panel's width and its three rows; inside the condition row the quality keeps to
  // the right edge and the port name takes the room before it.
  void FitPortPanel();
  void FitPultPanel();
  // The port's name in HudLabel_Port_Name, cut in the middle with an ellipsis where it is
  // wider than the label's room (FitLabelText); cut again whenever its font changes.
  void ShowPortName(const std::u16string& Name);
  void FitPortName();
  const std::u16string& PortNameText() const { return portName_; }
  // The status line's text in HudLabel_DynamicIND, laid out in the lines the label holds
  // (FitLabelLines: a text of one line wrapped, each line of a longer one on a line of its own,
  // cut at its end with an ellipsis where it does not fit); fitted again when the fonts change.
  // The whole text stays in StatusLineText.
  void ShowStatusLine(const std::u16string& Text);
  void FitStatusLine();
  const std::u16string& StatusLineText() const { return statusLine_; }
  void MoveSplitter(float Delta);
  // The program-font track as long as the tab control is drawn, but ending before the size
  // grip in the window's corner (so that a press there resizes the window); after the
  // layout's scale or the splitter changed.
  void FitFontTrack();
  void SetIndicatorNameFontSize();
  void SetIndicatorDataFontSize();
  void SetProgramFontSize();
  // Puts the settings' indicator sizes into the tracks and applies them.
  void ApplyIndicatorFontSizes();
  // The caption icons (MinMax_3D_ICO.cpp).
  void CreateCaptionIcons();
  void ShowCaptionIconState(bool FullScreen);
  void PlaceCaptionIcons();
  void FreeCaptionIcons();
  // The window's geometry and column width, as the settings file keeps them.
  struct TGeometry {
    int Left, Top, Width, Height, IndicatorWidth;
  };
  TGeometry Geometry() const;

  // ---- the form's life ----------------------------------------------------------------------
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // The resize rule (ignored while CFGPageUpdating): the layout scaled, the size kept at
  // 400 x 300 at least, full screen left when the window is smaller than the work area + 24.
  void FormResize();
  // A close that nobody watches (the system's request to end, a newer copy's request): it
  // reports a failure on the standard error stream only and ends the program at once, or,
  // when it comes while a user's close waits for the ECU, makes that close one nobody
  // watches, which ends once its wait is over. While the report of a user's close shows, any
  // close request ends the program.
  void CloseUnattended();
  // Runs, with the longest the close may wait (ms), when a close begins to wait for a run's
  // stop: whoever waits for the program to end (a newer copy) waits that much longer.
  std::function<void(int Ms)> OnLongClose;
  // A run of the automatic calibration has ended: a close that waits for its stop goes on.
  void AutoCalibrationEnded();
  // No write of a change waits or runs any more: a close that waits for them goes on.
  void WritesAtCloseEnded();
  // The Setup page's number or customer box being typed into, taken as finished
  // (TPage_CFG::FinishNumberInEdit, FinishCustomerInEdit); what it raises goes to the Failures
  // of Reports, a number held to its Notes.
  void FinishEditing(TFinishReports& Reports) override;
  // The Setup page's box being typed into taken as leaving it takes it, as an edit (a file is
  // saved or loaded in the save/load window, where the click left the focus in that box).
  void TakeBoxInEdit();
  // The program's exit status after the close: 1 when what failed on the way (the settings
  // not written, a change not written to the ECU) reached only the standard error stream (a
  // close nobody watches), else 0.
  int EndStatus() const { return endStatus_; }
  // Shows a window of the program by its component name ("Form_3D_SET"), when it exists.
  static bool ShowWindowNamed(const std::string& Name);
  static TWindow_3D* WindowNamed(const std::string& Name);

  // ---- handlers (published, bound by the window text) ------------------------------------
  void FormKeyDown(rtl::TObject* Sender, std::uint16_t& Key, rtl::TShiftState Shift);
  void FormKeyUp(rtl::TObject* Sender, std::uint16_t& Key, rtl::TShiftState Shift);
  void FormShow(rtl::TObject* Sender);
  // First, what the installer typed into a box of any window shown and did not finish is taken
  // as finished (FinishEditing), as leaving the box takes it: a number joins the changes that
  // go to the ECU before the port closes, a text that is no number is told with the close's
  // failures. While the close waits for the ECU (below) the wait window and the status line
  // say so. A close during a run of the automatic calibration first stops the run and waits, at most
  // ACBCloseWaitMs, for its stop script to put the ECU back (diagram, petrol) while the link is
  // up; further requests meanwhile wait with it. A change waiting for its write, or being
  // written, with the link up is then sent at once and the close waits, at most
  // WritesAtCloseWaitMs (the link's own time-outs end it sooner when the ECU stops answering),
  // for its write to end. Then the close runs to its end whatever fails on the way: timers and
  // port stopped, features released, settings written, every other window closed; then the
  // program ends. What failed (a change not written, the settings file not written) is reported
  // first: on the standard error stream, and for a user's close in the message window, whose OK
  // then ends the program.
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);
  void HudButton_Work_ModeClick(rtl::TObject* Sender);
  void HudButton_Port_SearchClick(rtl::TObject* Sender);
  // An indicator label's style keeps its text 4 pixels in from the panel's sides.
  void HudLabel_INDApplyResource(rtl::TObject* Sender);
  void HudButton_Menu_FileMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                    float Y);
  void HudButton_Menu_LNGMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                   float Y);
  void HudButton_Menu_FileMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void HudButton_Menu_LNGMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void MenuListMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void MenuMouseLeave(rtl::TObject* Sender);
  void HudStringListBox_Menu_FileChange(rtl::TObject* Sender);
  void HudStringListBox_Menu_LNGChange(rtl::TObject* Sender);
  void HudLabel_DynamicINDMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                    float Y);
  void HudLabel_Port_NameMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                   float Y);
  void HudLabel_Port_Connect_StabilMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift,
                                             float X, float Y);
  void HudTextBox_PasswordKeyDown(rtl::TObject* Sender, std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  void HudButton_3D_GEN_FlipMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                      float Y);
  void HudButton_3D_GEN_SettingsClick(rtl::TObject* Sender);
  void HudTabControl_GENChange(rtl::TObject* Sender);
  void Splitter_GENMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  void Splitter_GENMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void Splitter_GENMouseUp(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  // Timer ticks.
  void Timer_LevelGasTimer(rtl::TObject* Sender);
  void Timer_MenuTimer(rtl::TObject* Sender);
  void Timer_CLB_3D_BtnTimer(rtl::TObject* Sender);
  void Timer_3D_MapRPM_TailTimer(rtl::TObject* Sender);
  void Timer_CloseWaitTimer(rtl::TObject* Sender);

private:
  void FormCreate(const std::string& ProgramPath);
  void BindParts();
  void FocusPassword();
  // The File menu's (or the Language menu's) panel shown in its window under its button, or
  // hidden with it.
  void ShowMenuPanel(bool FileMenu, bool Open);
  void MakeTimers();
  // The caption icons' handlers (Sender is an icon or one of its glyphs).
  void IconMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void IconMouseLeave(rtl::TObject* Sender);
  void IconMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  vg::TvxCircle* IconOf(rtl::TObject* Sender) const;
  // The Hud window's style was (re)made: its caption part is placed again.
  void TitleStyleApplied(rtl::TObject* Sender);
  // The tab control takes the focus from a press on one of its tabs (and from the keys), not
  // from a press on its strip beside the tabs, which runs right under the close cross, nor on a
  // page's background: such a press would finish the box being typed into as an edit, its
  // reports in windows of their own, and a close begun by the release over the cross was lost.
  void TabsCanFocus(rtl::TObject* Sender, bool& CanFocus);

  TMainParts parts_;
  TCaptionIcons icons_;
  TIndicatorTracks tracks_;
  TPage_CFG* pageCFG_ = nullptr;
  TPage_ACB* pageACB_ = nullptr;
  TPage_CLB* pageCLB_ = nullptr;
  TPage_MAP* pageMAP_ = nullptr;
  rtl::TTimer* timerCLBBtn_ = nullptr;
  rtl::TTimer* timerMapRPMTail_ = nullptr;
  rtl::TTimer* timerLevelGas_ = nullptr;
  rtl::TTimer* timerMenu_ = nullptr;
  // The close's wait for a run's stop: its bound, or 1 ms once the run has ended.
  rtl::TTimer* timerCloseWait_ = nullptr;
  TPortLink* portWindow_ = nullptr;

  std::u16string title_;
  float gripFromRight_ = 0;  // the size grip's left edge from the window's right edge
  std::string portFailureMessage_;
  std::string programDir_;
  std::string exeBaseName_;
  std::u16string portName_ = u"No port";
  std::u16string statusLine_;
  bool menuOpen_ = false;
  bool splitterDragging_ = false;
  int fileMenuIndex_ = -1;
  bool levelBlinkOn_ = false;
  bool created_ = false;
  // What the close's finishing of the boxes being typed into reported: a text that is no
  // number, told with the close's failures; a number held to its range, told with them but no
  // failure (the exit status stays 0).
  TFinishReports closeReports_;
  // Where the close stands: not begun, waiting for a run's stop, waiting for the writes of
  // changes, running, its failure shown to the user, done.
  enum class TCloseState { Open, StoppingRun, Writing, Closing, Reporting, Closed };
  TCloseState closeState_ = TCloseState::Open;
  bool runStopWaited_ = false;  // the wait for the run's stop is over (ended or timed out)
  bool writesWaitOver_ = false;  // the wait for the writes has passed its bound
  int endStatus_ = 0;
  bool unattendedClose_ = false;
  // Ends the program when this is its main form.
  void EndProgram();
  // Sends the changes waiting for their write and, when a write waits or runs with the link
  // up, makes the close wait for it (at most WritesAtCloseWaitMs); false when none does.
  bool BeginWritesAtClose();
  // The close begins to wait for the ECU (Ms at most): the installer sees that it waits (the
  // wait window over the main window and a word on the status line), and whoever waits for
  // the program to end is told how long it may take.
  void BeginCloseWait(std::int32_t Ms);
};

}  // namespace app
