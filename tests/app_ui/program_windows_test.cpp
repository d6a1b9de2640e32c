// How the program joins its port window to its main window (app/Program_Windows.h, what
// main.cpp calls once both are made).
#include <gtest/gtest.h>

#include "app/Program_Windows.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Main_3D_Unit.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/loop/Timer.h"
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

}  // namespace

}  // namespace program_windows_test
