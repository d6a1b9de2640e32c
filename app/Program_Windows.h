// How the program joins its windows once they are made (main.cpp calls it; the tests make the
// windows the same way).
#pragma once

namespace app {

class TForm_3D_GEN;
class TForm_3D_PortView;

// The port window joins the main window: the main window's close stops its port and timers,
// and the settings window's "Manual" shows the port's settings dialog (the serial port's
// setup dialog, cport::EditComPort).
void JoinPortWindow(TForm_3D_GEN& Main, TForm_3D_PortView& Port);

}  // namespace app
