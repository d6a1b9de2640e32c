#include "ecu/State.h"

#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "ecu/Live_Data.h"
#include "ecu/Port_3D_Unit.h"

namespace ecu {

void ResetState() {
  Link.Reset();
  PortSearch.Reset();
  ConfigData.Reset();
  LiveData.Reset();
  Texts.Reset();
  Files.Reset();
}

}  // namespace ecu
