// The port settings dialog: a small modal window of the 2D controls, centred on the
// screen, with six port combo
// boxes (port, baud rate, data bits, stop bits, parity, flow control) and OK and Cancel.
// EditComPort runs it for a port; OK applies every setting at once; the owner of a port makes
// it the port's ShowSetupDialog (SetSetupDialog). The window's content is the component text
// "TCOMSETUPFRM"; its texts pass through the message translation of the "cport" domain.
#pragma once

#include <array>

#include "platform/win/Forms.h"
#include "serial/CPort.h"

namespace vg {
class TvxButton;
class TvxHudWindow;
class TvxScene;
class TvxVisualObject;
}  // namespace vg

namespace cport {

class TComComboBox;

class TComSetupFrm : public win::TForm {
  RTL_CLASS(TComSetupFrm, win::TForm)
public:
  // Reads the content and runs FormCreate; the lists stay empty until FillLists.
  explicit TComSetupFrm(rtl::TComponent* AOwner);
  // Fills each box with the values of its kind. EComPort code 23 when the machine's ports
  // cannot be listed. Kept out of the constructor: a form must be whole before anything
  // that can fail runs, or its half-made controls are freed as the form is taken apart.
  void FillLists();

  static constexpr const char* ContentResourceName = "TCOMSETUPFRM";
  // The area below the window's own title is the dialog's client, 231 x 216.
  static constexpr int ClientWidthPx = 231;
  static constexpr int ClientHeightPx = 216;
  static constexpr int TitleHeightPx = 34;

  // Translates the window's texts (but not the combo boxes' items, which are data).
  void FormCreate();

  TComComboBox* Combo(int Index) const { return combos_[static_cast<std::size_t>(Index)]; }  // 0..5
  vg::TvxScene* Scene() const { return scene_; }
  vg::TvxHudWindow* Window() const { return window_; }
  vg::TvxButton* OkButton() const { return ok_; }
  vg::TvxButton* CancelButton() const { return cancel_; }

private:
  vg::TvxScene* scene_ = nullptr;
  vg::TvxHudWindow* window_ = nullptr;
  vg::TvxVisualObject* root_ = nullptr;
  std::array<TComComboBox*, 6> combos_{};
  vg::TvxButton* ok_ = nullptr;
  vg::TvxButton* cancel_ = nullptr;
};

// Shows the dialog for Port, each box at the port's current value; on OK the port takes
// every choice between BeginUpdate and EndUpdate, so an open port gets its line settings in
// one step (a new port name has closed and reopened it already). True on OK; Cancel changes
// nothing.
bool EditComPort(TCustomComPort* Port);

// Registers the combo box class and the dialog's content, which EditComPort needs; Shutdown
// takes the class away again.
void SetupDialogStartup();
void SetupDialogShutdown();

}  // namespace cport
