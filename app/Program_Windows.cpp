#include "app/Program_Windows.h"

#include "app/core/Port_View.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Main_3D_Unit.h"
#include "app_ui_resources.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/physics/BulletNewton.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/NewtonPhysics.h"
#include "serial/setup/CPortSetup.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"

namespace app {

void StartLibraries() {
  vg::ControlsStartup();
  dx::dxDirectXStartup(gfx3d::OpenGlDirect3D());
  dx::SceneLibraryStartup();
  dx::dxNewtonPhysicsStartup(physics::BulletNewton);
  RegisterAppUiResources();
}

void EndLibraries() {
  vg::FreeAniThread();
  dx::dxNewtonPhysicsShutdown();
  dx::SceneLibraryShutdown();
  dx::dxDirectXShutdown();
  vg::ControlsShutdown();
}

void JoinPortWindow(TForm_3D_GEN& Main, TForm_3D_PortView& Port) {
  SetPortSetupDialog(*Port.Link(), &cport::EditComPort);
  Main.SetPortWindow(Port.Link());
}

}  // namespace app
