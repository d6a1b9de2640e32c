// How the program starts the libraries its windows are made of, and joins its windows once
// they are made (main.cpp calls these; the tests start and make them the same way).
#pragma once

namespace app {

// The libraries, bottom up: the 2D library with its controls, the 3D device, the 3D library and
// its physics (TdxNewtonPhysics, on Bullet, the default physics class: a scene loads the engine
// only when one of its objects first asks for a body, which no window of the program does), and
// the windows' component texts. EndLibraries takes them down again, top down.
void StartLibraries();
void EndLibraries();

class TForm_3D_GEN;
class TForm_3D_PortView;

// The port window joins the main window: the main window's close stops its port and timers,
// and the settings window's "Manual" shows the port's settings dialog (the serial port's
// setup dialog, cport::EditComPort).
void JoinPortWindow(TForm_3D_GEN& Main, TForm_3D_PortView& Port);

}  // namespace app
