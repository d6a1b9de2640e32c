// gascal: the program. Starts the libraries in the order they build on each other, makes the
// windows in their order (the main window, then the port window that hosts the serial link),
// runs the loop until the main window closes, and takes everything down again.
//
// The program's files are found in the current directory: "<name>.ini" (the settings),
// "<name>.dat" (the temperature-sensor table), the folders "Config" and "Language"; <name> is
// the program file's name.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Window_Host.h"
#include "app_ui_resources.h"
#include "ecu/Port_3D_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"

namespace {

// The program file's path, for its base name.
std::string ProgramPath(const char* Argv0) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof(self) - 1) > 0) return self;
  return Argv0 ? Argv0 : "gascal";
}

}  // namespace

int main(int, char** argv) {
  // The libraries, bottom up: the 2D library with its controls, the 3D device, the 3D library.
  vg::ControlsStartup();
  dx::dxDirectXStartup(gfx3d::OpenGlDirect3D());
  dx::SceneLibraryStartup();
  RegisterAppUiResources();

  int status = 0;
  {
    app::TWindowHost host;
    // What escapes a handler is reported where the installer sees it, and the program runs on.
    rtl::Application->OnException = [&host](rtl::TObject*, const std::exception& E) {
      std::fprintf(stderr, "gascal: %s\n", E.what());
      host.ShowMessageWindow(13, E.what());
    };
    std::unique_ptr<app::TForm_3D_GEN> main;
    std::unique_ptr<ecu::TForm_3D_Port> port;
    try {
      main = app::TForm_3D_GEN::Create(ProgramPath(argv[0]));
      port = std::make_unique<ecu::TForm_3D_Port>(nullptr);
      main->SetPortWindow(port.get());
      win::SetMainForm(main.get());
      main->Show();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "gascal: %s\n", e.what());
      status = 1;
    }
    if (status == 0) rtl::Application->Run();
    rtl::Application->OnException = nullptr;
    port.reset();
    main.reset();
    rtl::Application->ProcessMessages();
  }
  vg::FreeAniThread();
  dx::SceneLibraryShutdown();
  dx::dxDirectXShutdown();
  vg::ControlsShutdown();
  win::CloseDisplay();
  return status;
}
