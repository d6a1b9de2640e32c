#include "app/core/Core_State.h"

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Calibr_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Dynamic_IND_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Msg_3D_Unit.h"
#include "ecu/State.h"

namespace app {

void ResetState() {
  ecu::ResetState();
  Settings.Reset();
  Colors.Reset();
  Actions.Reset();
  StatusMessages.Reset();
  Diagram.Reset();
  MapRPM.Reset();
  Messages.Reset();
  ResetAutoCalibration();
}

}  // namespace app
