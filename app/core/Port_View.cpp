#include "app/core/Port_View.h"

#include "app/core/Set_3D_Unit.h"
#include "ecu/Lng_Chr.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "serial/CPort.h"

namespace app {

namespace {

TPortControlView ViewOf(const ecu::TPortControl& State) {
  TPortControlView v;
  v.Visible = State.Visible;
  v.Enabled = State.Enabled;
  v.Text = ecu::LngToWide(State.Text);
  v.Color = State.Color;
  for (const std::string& line : State.Lines) v.Lines.push_back(ecu::LngToWide(line));
  v.Max = State.Max;
  v.Value = State.Value;
  v.Left = State.Left;
  v.Top = State.Top;
  v.Width = State.Width;
  v.Height = State.Height;
  return v;
}

}  // namespace

TPortLink* MakePortLink(rtl::TComponent* Owner, float PanelWidth, float PanelHeight) {
  auto* link = new ecu::TForm_3D_Port(Owner);
  link->HudPanel_3D_Port.Width = PanelWidth;
  link->HudPanel_3D_Port.Height = PanelHeight;
  return link;
}

void FreePortLink(TPortLink* Link) {
  if (Link) Link->Free();
}

rtl::TComponent* PortLinkComponent(TPortLink* Link) { return Link; }

bool IsLinkPort(const TPortLink* Link) { return Link && Link == ecu::Session().Form_3D_Port; }

TPortWindowView PortWindowView(const TPortLink& Link) {
  TPortWindowView v;
  v.Caption = Link.HudWindow_3D_Port.Text;
  v.HudWindow_3D_Port = ViewOf(Link.HudWindow_3D_Port);
  v.HudMemo_3D_Port = ViewOf(Link.HudMemo_3D_Port);
  v.HudLabel_3D_Port_Name = ViewOf(Link.HudLabel_3D_Port_Name);
  v.HudLabel_3D_Port_Number = ViewOf(Link.HudLabel_3D_Port_Number);
  v.ProgressBar_3D_Port = ViewOf(Link.ProgressBar_3D_Port);
  v.HudLabel_3D_Port_Search = ViewOf(Link.HudLabel_3D_Port_Search);
  v.AniIndicator_3D_Port = ViewOf(Link.AniIndicator_3D_Port);
  v.HudLabel_3D_Port_Num = ViewOf(Link.HudLabel_3D_Port_Num);
  v.HudPanel_3D_Port_Num = ViewOf(Link.HudPanel_3D_Port_Num);
  v.HudPanel_3D_Port_Name = ViewOf(Link.HudPanel_3D_Port_Name);
  v.HudLabel_3D_Port_Num_Data = ViewOf(Link.HudLabel_3D_Port_Num_Data);
  v.HudLabel_3D_Port_Name_Data = ViewOf(Link.HudLabel_3D_Port_Name_Data);
  return v;
}

void ActivatePortLink(TPortLink& Link) { Link.FormActivate(); }

void ClosePortLink(TPortLink& Link) { Link.Close(); }

void StopPortLinkTimers(TPortLink& Link) {
  Link.Timer_Connect->SetEnabled(false);
  Link.Timer_Sending->SetEnabled(false);
  Link.Timer_Select_ComPort->SetEnabled(false);
}

void ClosePortLinkPort(TPortLink& Link) {
  if (Link.ComPort->Connected()) Link.ComPort->Close();
}

bool ChoosePortByDialog(TPortLink* Link) {
  if (!Link || !Link->ComPort) return false;
  cport::TComPort* port = Link->ComPort;
  if (!port->ShowSetupDialog()) return false;
  ChoosePortByHand(port->Port());
  if (!ecu::IsPortListed()) return true;
  // Opened afresh on the chosen port; a port that cannot be opened stays closed and is
  // reported through the failure flag, as any failed opening is.
  try {
    if (port->Connected()) port->Close();
  } catch (const std::exception&) {
  }
  port->ClearPortFailed();
  try {
    port->Open();
  } catch (const std::exception& e) {
    port->SetPortFailed(e.what());
  }
  // A port whose device did not open is not left half open.
  if (port->PortFailed() && port->Connected()) {
    try {
      port->Close();
    } catch (const std::exception&) {
    }
  }
  ecu::Session().Link.PortOpen = port->Connected() ? 1 : 0;
  return true;
}

void SetPortSetupDialog(TPortLink& Link, std::function<bool(cport::TCustomComPort* Port)> Dialog) {
  Link.ComPort->SetSetupDialog(std::move(Dialog));
}

void StartPortSearch() { ecu::Port_Search_Step(); }

}  // namespace app
