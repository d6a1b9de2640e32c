// The application's model: one object that owns everything the program keeps while it runs,
// the ECU side's session and the application core's state, as members named as the program
// names them:
//
//   Session         (ecu/Session.h)       the link, live data, configuration, port search, texts, key files
//   Settings        (General_Unit.h)      the settings, the indicator font sizes, the settings file
//   Colors          (Colors_3D_Unit.h)    the colour table and the main window's fill
//   Actions         (Global_Unit.h)       the action queue, the pending transmit, their timers
//   StatusMessages  (Dynamic_IND_Unit.h)  the status line
//   Diagram         (Calibr_Unit.h)       the calibration diagram's drawing and history
//   MapRPM          (MapRPM_Unit.h)       the R.P.M. map, its page texts and its transfer
//   ACB, ACBScript, ACBAlgorithms         the automatic calibration's run, script and algorithms
//                   (AutoCLB_Unit.h, AutoCLB_Script.h)
//   Messages        (Msg_3D_Unit.h)       the message and wait windows' requests
//
// The program makes one model and keeps it for its whole run; a test makes a fresh one for
// each test. A model is made in the state at program start and installs itself (and its
// session) as the one in force until it goes: the core's units reach it through Model(), the
// ECU side's through ecu::Session(). Models may go in any order; the one in force is then the
// newest one left. GUI thread only.
#pragma once

#include <array>
#include <vector>

#include "app/core/AutoCLB_Script.h"
#include "app/core/AutoCLB_Unit.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Msg_3D_Unit.h"
#include "ecu/Session.h"

namespace rtl {
class TComponent;
}

namespace app {

class TCoreHost;

class TModel {
public:
  TModel();
  ~TModel();
  TModel(const TModel&) = delete;
  TModel& operator=(const TModel&) = delete;

  ecu::TSession Session;
  Settings_Class Settings;
  TColorState Colors;
  TActionState Actions;
  DynamicIND_Class StatusMessages;
  TDiagramState Diagram;
  TMapRPMState MapRPM;
  TACBRunState ACB;
  TACBScript ACBScript;
  std::array<ACB_SCR_Class, ACBAlgorithmCount> ACBAlgorithms;
  TMessageState Messages;
  TACBRunWorkers ACBWorkers;

  // The installed core host (TCoreHostScope; the same object as Session.Hosts.Host), or none.
  TCoreHost* CoreHost = nullptr;
  // The program's windows alive now, in the order they were made (each window of app/ui
  // enters itself when it is made and leaves when it goes).
  std::vector<rtl::TComponent*> Windows;

private:
  ecu::TSessionScope sessionInstalled_{Session};
  TModel* below_;
};

// The model in force; raises rtl::Exception when there is none.
TModel& Model();

}  // namespace app
