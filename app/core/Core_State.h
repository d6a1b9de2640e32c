// The application core's state objects, one per concern, each declared with its unit:
//   Settings        (General_Unit.h)      the settings, the indicator font sizes, the settings file
//   Colors          (Colors_3D_Unit.h)    the colour table and the main window's fill
//   Actions         (Global_Unit.h)       the action queue, the pending transmit, their timers
//   StatusMessages  (Dynamic_IND_Unit.h)  the status line
//   Diagram         (Calibr_Unit.h)       the calibration diagram's drawing and history
//   MapRPM          (MapRPM_Unit.h)       the R.P.M. map, its page texts and its transfer
//   ACB, ACBScript  (AutoCLB_Unit.h)      the automatic calibration's run and script
// and the installed core host, CoreHost (Core_Host.h).
#pragma once

namespace app {

// Every state object of the core and of the ECU side (ecu::ResetState) back to its state at
// program start; timers the state holds are freed. The installed hosts stay as they are.
void ResetState();

}  // namespace app
