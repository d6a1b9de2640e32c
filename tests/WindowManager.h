// A window manager for the real-window tests. An installer's desktop runs one, and windows behave
// differently under it: it decorates and places them, decides what is raised and which window
// gets the keyboard, and sees shown, hidden and shown-again windows as a sequence of map requests.
// A test that runs its child under Xvfb can ask for openbox (Debian's package) on that server:
// the child command is wrapped so that openbox starts first and the child starts only once
// openbox manages the screen (it has set _NET_SUPPORTING_WM_CHECK on the root window). The
// manager ends with the server. The child learns which setup it runs in from GASCAL_XVFB_WM.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace wmtest {

enum class TManager { Bare, Openbox };

inline const char* NameOf(TManager Manager) { return Manager == TManager::Openbox ? "openbox" : "none"; }

// Whether openbox and xprop (to see it take the screen) are installed.
inline bool OpenboxInstalled() {
  return std::system("command -v openbox >/dev/null 2>&1 && command -v xprop >/dev/null 2>&1") == 0;
}

// In a child: whether the parent started it under a window manager.
inline bool UnderWindowManager() {
  const char* wm = std::getenv("GASCAL_XVFB_WM");
  return wm && std::string(wm) == "openbox";
}

// A shell loop that waits (with a guard of a minute against a manager that never comes) until
// the root window of DISPLAY names a supporting window manager.
inline std::string WaitForManagerScript() {
  return "i=0; until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q \"window id\"; do "
         "i=$((i+1)); if [ $i -gt 1200 ]; then echo \"openbox did not take the screen\" >&2; exit 97; fi; "
         "sleep 0.05; done; ";
}

// The command that runs Program with Arguments (each already quoted for the shell) on the
// server DISPLAY names, under Manager, as words for xvfb-run (which runs its command without a
// shell). Without a manager it is the program itself.
inline std::string ChildCommand(TManager Manager, const std::string& Program, const std::string& Arguments) {
  const std::string plain = "'" + Program + "' " + Arguments;
  if (Manager == TManager::Bare) return "env GASCAL_XVFB_WM=none " + plain;
  // openbox's output (a warning about a missing session) is not the child's; the child replaces
  // the shell, so its exit status is the command's.
  return "env GASCAL_XVFB_WM=openbox sh -c 'openbox --sm-disable >/dev/null 2>&1 & " + WaitForManagerScript() +
         "exec \"$0\" \"$@\"' " + plain;
}

// For a test that starts its own X server: openbox on Display (":N"), running once the call
// returns true; Stop ends it. Without openbox installed, Start answers false.
class TOpenbox {
public:
  TOpenbox() = default;
  ~TOpenbox() { Stop(); }
  TOpenbox(const TOpenbox&) = delete;
  TOpenbox& operator=(const TOpenbox&) = delete;

  bool Start(const std::string& Display) {
    Stop();
    if (!OpenboxInstalled()) return false;
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
      setenv("DISPLAY", Display.c_str(), 1);
      execlp("sh", "sh", "-c", "exec openbox --sm-disable >/dev/null 2>&1", static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::string wait = "DISPLAY='" + Display + "' sh -c '" + WaitForManagerScript() + "'";
    if (std::system(wait.c_str()) != 0) {
      Stop();
      return false;
    }
    return true;
  }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

private:
  pid_t pid_ = -1;
};

}  // namespace wmtest
