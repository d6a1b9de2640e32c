// The settings window TForm_3D_SET: the program code, the port (search, name, "Manual" with
// the port's setup dialog, reply delay), the transmission delay, the language, the font
// dialog and the skin window, the panels' opacity, the diagram's three flags and the
// auto-calibration algorithm. Every change takes effect in the settings at once and reaches
// the settings file when the main window closes. It opens at the main window's left and
// top + 22 unless the settings file keeps its geometry; a close by the user forgets it, a
// close by the main window keeps it where it was (app/core/Set_3D_Unit.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/core/Set_3D_Unit.h"
#include "app/ui/Window_3D.h"
#include "app/ui/forms/Form_3D_SET.h"

namespace app {

class TForm_3D_GEN;

// The panels' opacity (Settings.Panels_Opacity) onto the main window's pages and, while it
// shows, the skin window's panel.
void ApplyPanelsOpacity(TForm_3D_GEN& Main);

// The font dialog preset with the settings' font (name, size truncated, style, colour); on OK
// they take the choice, colour role 0 the colour, and the fonts are applied at the next queue
// tick. True on OK.
bool EditProgramFont();

class TForm_3D_SET : public TWindow_3D {
  RTL_CLASS(TForm_3D_SET, TWindow_3D)
public:
  static std::unique_ptr<TForm_3D_SET> Create();
  ~TForm_3D_SET() override;

  const TSetParts& Parts() const { return parts_; }
  // Puts the settings into the controls (FillSettingsControls).
  void FillSettingsControls();
  // The texts of the current language.
  void ApplyTexts();
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // Published handlers.
  void FormShow(rtl::TObject* Sender);
  // Keeps its keys in the settings file (SettingsWindowClosed) and closes whatever that does:
  // a file that cannot be written is reported in the message window when the user closed the
  // window, and left to the main window's report when the main window closes it.
  void FormClose(rtl::TObject* Sender, win::TCloseAction& Action);
  // What the last close could not write, for the main window's report; emptied by the call.
  std::string TakeCloseFailure() { return std::exchange(closeFailure_, std::string()); }
  // The delay or program code box being typed into (it has the focus) taken as finished, as
  // leaving it takes it (at the program's end the code is kept, the link not moved to it); its
  // report goes to Reports: a text that is no number to Failures, a number held to Notes.
  void FinishEditing(TFinishReports& Reports) override;
  // The program code box finished (Enter, the focus leaving it): the code typed is taken
  // (Enter takes the code in force again too, and the link reconnects with it; leaving takes
  // only a code other than it). A text that is no decimal number is reported, naming the box
  // and what it takes, and the box shows the code in force again; a number beyond a byte is
  // reported with the low byte taken.
  void HudTextBox_SET_Program_CodeKeyDown(rtl::TObject* Sender, std::uint16_t& Key, char16_t& KeyChar,
                                          rtl::TShiftState Shift);
  void HudTextBox_SET_Program_CodeKillFocus(rtl::TObject* Sender);
  void HudCheckBox_3D_SET_Port_SearchChange(rtl::TObject* Sender);
  void HudButton_3D_SET_Port_ManualClick(rtl::TObject* Sender);
  void HudNumberBox_3D_SET_Port_DelayChange(rtl::TObject* Sender);
  void HudNumberBox_3D_SET_Transmit_CFG_DelayChange(rtl::TObject* Sender);
  // The delay boxes about to read their text (Enter, leaving, the release of a press): a text
  // that is no number is reported, naming the box and what it takes, and the box shows the
  // delay in force again, so that it reads that one and the report does not come back; a
  // number the settings hold to their range is reported as held.
  void HudNumberBox_3D_SET_DelayKeyDown(rtl::TObject* Sender, std::uint16_t& Key, char16_t& KeyChar,
                                        rtl::TShiftState Shift);
  void HudNumberBox_3D_SET_DelayKillFocus(rtl::TObject* Sender);
  void HudNumberBox_3D_SET_DelayMouseUp(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                        float Y);
  void HudComboTextBox_3D_SET_LanguageChange(rtl::TObject* Sender);
  void HudButton_3D_SET_FontClick(rtl::TObject* Sender);
  void HudButton_3D_SET_SkinClick(rtl::TObject* Sender);
  void HudTrackBar_SET_OpacityChange(rtl::TObject* Sender);
  void HudCheckBox_SET_Idle_PointsChange(rtl::TObject* Sender);
  void HudCheckBox_SET_Map_PointChange(rtl::TObject* Sender);
  void HudCheckBox_SET_Diagram_JoystickChange(rtl::TObject* Sender);
  void HudComboTextBox_ACB_AlgorithmChange(rtl::TObject* Sender);

protected:
  // The texts of the current language, each time the window activates.
  void LookUpTexts() override { ApplyTexts(); }
  explicit TForm_3D_SET(rtl::TComponent* AOwner);

private:
  // The delay box Sender names (nullptr for another object), and the setting it shows.
  vg::TvxHudNumberBox* DelayBox(rtl::TObject* Sender) const;
  void ShowDelayInForce(vg::TvxHudNumberBox* Box);
  // The delay box Sender about to read its text: the delay taken and the report (empty when
  // none).
  TDelayEntry DelayBoxReads(rtl::TObject* Sender);
  // The same from a handler: the report goes to the message window.
  void DelayBoxReadsShown(rtl::TObject* Sender);
  // The program code box reads its text; Always: also when it shows the code in force.
  // Connect: a code taken moves the link to it, else it is only kept in the settings.
  TProgramCodeEntry ProgramCodeReads(bool Always, bool Connect);
  // A report of a box, in the message window.
  void Shown(const std::string& Report);

  TSetParts parts_;
  // The controls are being filled: their change handlers leave the settings alone.
  bool filling_ = false;
  bool created_ = false;
  std::string closeFailure_;
};

}  // namespace app
