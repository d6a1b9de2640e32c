// The port window's link side as the windows hold it. The link side (the serial port, the
// link's timers and the automatic port search) keeps what the port window shows as plain
// state; the window holds it only as a handle (TPortLink) and reaches it through the calls
// below: made and freed with the window, its state as the controls show it, its activation
// and close, and what the main and settings windows do to its port. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ecu {
class TForm_3D_Port;
}

namespace rtl {
class TComponent;
}

namespace cport {
class TCustomComPort;
}

namespace app {

using TPortLink = ecu::TForm_3D_Port;

// What the port window shows of one of its controls, as the control takes it. Lines: the
// memo's lines; Max and Value: the progress bar; Left .. Height: the place in the window's
// panel (none before the first compact layout: Width and Height 0).
struct TPortControlView {
  bool Visible = true;
  bool Enabled = true;
  std::u16string Text;
  std::string Color;
  std::vector<std::u16string> Lines;
  std::int32_t Max = 100;
  std::int32_t Value = 0;
  float Left = 0, Top = 0, Width = 0, Height = 0;
};

struct TPortWindowView {
  std::string Caption;  // the window's caption as the form takes it
  TPortControlView HudWindow_3D_Port, HudMemo_3D_Port, HudLabel_3D_Port_Name, HudLabel_3D_Port_Number,
      ProgressBar_3D_Port, HudLabel_3D_Port_Search, AniIndicator_3D_Port, HudLabel_3D_Port_Num,
      HudPanel_3D_Port_Num, HudPanel_3D_Port_Name, HudLabel_3D_Port_Num_Data, HudLabel_3D_Port_Name_Data;
};

// Makes a port window's link side, owned by Owner; it installs itself as the link's port for
// as long as it lives. The compact layout divides a panel of the given size.
TPortLink* MakePortLink(rtl::TComponent* Owner, float PanelWidth, float PanelHeight);
// Frees it (its port closes first); nothing for none.
void FreePortLink(TPortLink* Link);
// The component, for free notifications.
rtl::TComponent* PortLinkComponent(TPortLink* Link);
// Whether it is the link side alive now (the link's port).
bool IsLinkPort(const TPortLink* Link);

// What the window shows now.
TPortWindowView PortWindowView(const TPortLink& Link);
// The window activates: the texts of the current language.
void ActivatePortLink(TPortLink& Link);
// The window closes: a search still running stops.
void ClosePortLink(TPortLink& Link);

// The main window closes: the link's timers stop, then (StopPortLink's second step) the port
// closes when it is open.
void StopPortLinkTimers(TPortLink& Link);
void ClosePortLinkPort(TPortLink& Link);

// The settings window's "Manual": the port's settings dialog; a port chosen there becomes
// Port_Name (ChoosePortByHand) and, when the machine lists it, is opened afresh (a port that
// cannot be opened stays closed and is reported through its failure flag); the link's
// PortOpen follows. False when no port was chosen (no link side, no dialog, cancelled).
bool ChoosePortByDialog(TPortLink* Link);

// The settings dialog its port shows for the settings window's "Manual" (none: no dialog, so
// "Manual" chooses nothing).
void SetPortSetupDialog(TPortLink& Link, std::function<bool(cport::TCustomComPort* Port)> Dialog);

// The main window's search button: one step of the automatic port search.
void StartPortSearch();

}  // namespace app
