#include "app/Program_Windows.h"

#include "app/core/Port_View.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Main_3D_Unit.h"
#include "serial/setup/CPortSetup.h"

namespace app {

void JoinPortWindow(TForm_3D_GEN& Main, TForm_3D_PortView& Port) {
  SetPortSetupDialog(*Port.Link(), &cport::EditComPort);
  Main.SetPortWindow(Port.Link());
}

}  // namespace app
