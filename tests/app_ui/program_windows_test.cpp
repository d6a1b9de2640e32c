// How the program starts its libraries and joins its port window to its main window
// (app/Program_Windows.h, what main.cpp calls; the tests' libraries start the same way).
#include <gtest/gtest.h>

#include "app/Program_Windows.h"
#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/loop/Timer.h"
#include "scene3d/NewtonPhysics.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "serial/CPort.h"
#include "serial/setup/CPortSetup.h"
#include "tests/app_ui/MainWindow.h"

namespace program_windows_test {

namespace {

using apptest::MainWindowTest;
using TDialogFunction = bool (*)(cport::TCustomComPort*);

// The port gets the serial port's setup dialog for "Manual", the main window takes the port
// window, and its close then stops the port's timers; a port window that goes first is
// forgotten by the main window.
TEST_F(MainWindowTest, JoiningThePortWindowGivesItsPortTheSetupDialogAndTheMainWindowItsClose) {
  main = app::TForm_3D_GEN::Create(Program);
  port = app::TForm_3D_PortView::Create();
  ASSERT_FALSE(port->Link()->ComPort->SetupDialog()) << "a port window is made without a dialog";
  ASSERT_EQ(nullptr, main->PortWindow());

  app::JoinPortWindow(*main, *port);
  const TDialogFunction* dialog = port->Link()->ComPort->SetupDialog().target<TDialogFunction>();
  ASSERT_NE(nullptr, dialog) << "Manual would show no dialog";
  EXPECT_EQ(&cport::EditComPort, *dialog);
  EXPECT_EQ(port->Link(), main->PortWindow());

  port->Link()->Timer_Select_ComPort->SetEnabled(true);
  port->Link()->Timer_Sending->SetEnabled(true);
  main->Show();
  Run(100);
  main->Close();
  EXPECT_FALSE(port->Link()->Timer_Select_ComPort->Enabled());
  EXPECT_FALSE(port->Link()->Timer_Sending->Enabled());

  port.reset();
  EXPECT_EQ(nullptr, main->PortWindow()) << "the main window keeps no port window that is gone";
}

// The libraries' start-up names the Newton physics the default physics class. No window of
// the program asks for a body, so none of their scenes makes a physics object or loads the
// engine; an object that does ask gets its body on Bullet, and falls.
TEST_F(MainWindowTest, TheStartUpNamesTheNewtonPhysicsWhichNoWindowLoads) {
  EXPECT_EQ(dx::DefaultPhysicsClass, dx::TdxPhysicsClassOf<dx::TdxNewtonPhysics>::Instance());
  Make();
  app::JoinPortWindow(*main, *port);
  const auto settings = app::TForm_3D_SET::Create();
  const auto message = app::TForm_3D_MSG::Create();
  const auto saveLoad = app::TForm_3D_SaveLoad::Create();
  const auto wait = app::TForm_3D_Wait::Create();
  const auto skin = app::TForm_3D_Skin::Create();
  main->Show();
  Run(1500);
  for (const app::TWindow_3D* w : std::initializer_list<const app::TWindow_3D*>{
           main.get(), port.get(), settings.get(), message.get(), saveLoad.get(), wait.get(), skin.get()}) {
    ASSERT_NE(w->Scene(), nullptr) << w->ClassName();
    EXPECT_EQ(w->Scene()->GetPhysics(false), nullptr) << w->ClassName();
  }

  dx::TdxScene& scene = *main->Scene();
  auto* cube = new dx::TdxCube(main.get());
  scene.GetRoot()->AddObject(cube);
  cube->SetDynamic(true);
  ASSERT_NE(cube->Body(), 0u);
  auto* physics = dynamic_cast<dx::TdxNewtonPhysics*>(scene.GetPhysics(false));
  ASSERT_NE(physics, nullptr);
  EXPECT_TRUE(physics->EnginePresent());
  const float z = cube->AbsolutePosition().Z;
  for (int i = 0; i < 30; ++i) {
    cube->ProcessTick(0, 1.0f / 60);
    physics->Update(physics->CameraWorld(), 1.0f / 60);
  }
  cube->ProcessTick(0, 0);
  EXPECT_LT(cube->AbsolutePosition().Z, z - 1) << "the cube fell";
  cube->Free();
}

}  // namespace

}  // namespace program_windows_test
