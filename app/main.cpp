// gascal: the program. Asks a copy already running to close, starts the libraries in the order
// they build on each other, checks the machine's OpenGL (a machine without it sees only the
// check window), makes the windows in their order, runs the loop until the main window closes
// (or, when a newer copy starts or the system asks it to end, until it closes), and takes
// everything down.
//
// The program's files are found in the current directory: "<name>.ini" (the settings),
// "<name>.dat" (the temperature-sensor table), the folders "Config" and "Language"; <name> is
// the program file's name.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <exception>
#include <memory>
#include <string>

#include "app/Program_Windows.h"
#include "app/core/Model.h"
#include "app/core/Start_Unit.h"
#include "app/core/Window_Session.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_Port.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Form_No_OpenGL.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "app/ui/Window_Host.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/loop/EndSignals.h"
#include "platform/loop/SingleInstance.h"
#include "platform/loop/Timer.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "serial/setup/CPortSetup.h"

namespace {

// The program file's path, for its base name.
std::string ProgramPath(const char* Argv0) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof(self) - 1) > 0) return self;
  return Argv0 ? Argv0 : "gascal";
}

// The channel of the running copy is named after the main window's class.
constexpr const char* MainWindowClass = "TForm_3D_GEN";
constexpr int RunningCopyWaitMs = 15000;

// The graphics check's probe: the machine's OpenGL, probed in a process of its own so that
// none of the driver stays loaded here (the windows load it on the first frame that draws on
// the 3D device), or, for the program's tests, the answers GASCAL_GL_PROBES lists one per
// probe ("FFT": two failures, then a success). Called first thing in main, while the process
// has a single thread: the probes then run while the program starts.
std::function<bool()> GraphicsProbe() {
  const char* answers = std::getenv("GASCAL_GL_PROBES");
  if (!answers || !*answers) {
    auto probes = std::make_shared<gfx3d::TOpenGlProbeProcess>(app::OpenGLProbeCount);
    return [probes] { return probes->Next(); };
  }
  auto next = std::make_shared<std::size_t>(0);
  const std::string list = answers;
  return [list, next] {
    const char c = list[std::min(*next, list.size() - 1)];
    ++*next;
    return c == 'T' || c == 't';
  };
}

// Opens the display; false, with the reason on the standard error output, when it cannot
// show windows anyone can see.
bool DisplayForWindows() {
  try {
    win::DisplayNeeded();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gascal: %s\n", e.what());
    return false;
  }
  if (win::DisplayShowsWindows()) return true;
  const char* name = std::getenv("DISPLAY");
  std::fprintf(stderr, "gascal: no window system to show the windows on (%s); the program does not start\n",
               name && *name ? ("no X server answers on the display \"" + std::string(name) + "\"").c_str()
                             : "DISPLAY is not set");
  return false;
}

}  // namespace

int main(int, char** argv) {
  std::function<bool()> probe = GraphicsProbe();
  const std::string program = ProgramPath(argv[0]);
  const std::string baseName = app::ProgramName(program);
  // From here on the system's requests to end (SIGTERM, SIGINT, a terminal that hung up, its
  // quit key) close the program as a close that nobody watches: settings written, port given
  // back, channel removed. A closed pipe, the file-size limit and the user signals no longer
  // kill it. Made before the display, whose library then leaves these signals alone.
  std::function<void()> endRequested = [] { win::HandleQuitRequest(); };
  rtl::TEndSignals endSignals([&endRequested](int) { endRequested(); });
  // A display that goes away (the X server ended, xkill) ends the program as those requests do;
  // nothing that needs the display runs meanwhile.
  win::SetDisplayLostHandler([&endRequested] { endRequested(); });
  // A program whose windows nobody could see (no window system answers: DISPLAY unset or
  // naming no server) does nothing: it says why and ends, before it asks a copy already running
  // to close, which goes on.
  if (!DisplayForWindows()) {
    win::CloseDisplay();
    win::SetDisplayLostHandler(nullptr);
    return 1;
  }
  // A copy already running is asked to close, and this one goes on once it has written its
  // settings and given the port back (or after a bounded wait, longer when the running copy
  // announces a close that waits for an automatic calibration's stop).
  rtl::TSingleInstance::AskRunningToClose(MainWindowClass, RunningCopyWaitMs);

  // The libraries, bottom up: the 2D library with its controls, the 3D device, the 3D library
  // with its physics, the windows' texts; then the serial port's setup dialog.
  app::StartLibraries();
  cport::SetupDialogStartup();

  int status = 0;
  {
    // Everything the program keeps while it runs, in force until the windows are gone.
    app::TModel model;
    app::TWindowHost host;
    // What escapes a handler is reported where the installer sees it, and the program runs on.
    rtl::Application->OnException = [&host](rtl::TObject*, const std::exception& E) {
      std::fprintf(stderr, "gascal: %s\n", app::ReportStreamText(E.what()).c_str());
      host.ShowMessageWindow(13, E.what());
    };
    rtl::TSingleInstance instance(MainWindowClass);
    std::unique_ptr<app::TForm_No_OpenGL> check;
    std::unique_ptr<app::TForm_3D_GEN> main;
    std::unique_ptr<app::TForm_3D_SET> settings;
    std::unique_ptr<app::TForm_3D_PortView> port;
    std::unique_ptr<app::TForm_3D_MSG> message;
    std::unique_ptr<app::TForm_3D_SaveLoad> saveLoad;
    std::unique_ptr<app::TForm_3D_Wait> wait;
    std::unique_ptr<app::TForm_3D_Skin> skin;
    try {
      check = std::make_unique<app::TForm_No_OpenGL>(nullptr, baseName);
      const bool passed = app::StartWindows(probe, [&](const std::string& Name) {
        if (Name == "TForm_3D_GEN") {
          main = app::TForm_3D_GEN::Create(program);
        } else if (Name == "TForm_3D_SET") {
          settings = app::TForm_3D_SET::Create();
        } else if (Name == "TForm_3D_Port") {
          port = app::TForm_3D_PortView::Create();
          app::JoinPortWindow(*main, *port);
        } else if (Name == "TForm_3D_MSG") {
          message = app::TForm_3D_MSG::Create();
        } else if (Name == "TForm_3D_SaveLoad") {
          saveLoad = app::TForm_3D_SaveLoad::Create();
        } else if (Name == "TForm_3D_Wait") {
          wait = app::TForm_3D_Wait::Create();
        } else if (Name == "TForm_3D_Skin") {
          skin = app::TForm_3D_Skin::Create();
        }
      });
      probe = nullptr;  // the probes' process is done with
      if (passed) {
        check.reset();
        win::SetMainForm(main.get());
        endRequested = [&main] {
          if (main) main->CloseUnattended();
        };
        std::string why;
        if (!instance.Listen([&main] { if (main) main->CloseUnattended(); }, &why))
          std::fprintf(stderr, "gascal: %s\n", why.c_str());
        // A close that waits for an automatic calibration's stop holds the port longer than a
        // newer copy waits as a rule: it is told, so that it opens the port only after us.
        main->OnLongClose = [&instance](int Ms) { instance.AnnounceLongClose(Ms); };
        main->Show();
      } else {
        win::SetMainForm(check.get());
        check->Show();
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "gascal: %s\n", e.what());
      status = 1;
    }
    if (status == 0) rtl::Application->Run();
    // A close whose failure only the error stream told (a close nobody watches) ends non-zero.
    if (status == 0 && main) status = main->EndStatus();
    // The link's quality meter belongs to the host, which outlives the windows: it stops
    // before the port window goes, so that no tick looks for it afterwards.
    host.Timer_GEN_Connect_Stabil().SetEnabled(false);
    endRequested = [] { win::HandleQuitRequest(); };
    rtl::Application->OnException = nullptr;
    skin.reset();
    wait.reset();
    saveLoad.reset();
    message.reset();
    port.reset();
    settings.reset();
    main.reset();
    check.reset();
    rtl::Application->ProcessMessages();
  }
  cport::SetupDialogShutdown();
  app::EndLibraries();
  win::CloseDisplay();
  win::SetDisplayLostHandler(nullptr);
  return status;
}
