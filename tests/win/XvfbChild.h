// The window tests that need a real X server: the test program runs itself again on a fresh Xvfb
// (tests/Xvfb.h) with SDL's x11 driver, and the child (GASCAL_XVFB_CHILD set) does the work.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"

#include "tests/WindowManager.h"
#include "tests/Xvfb.h"

namespace wintest {

// Whether this is the child run under Xvfb.
inline bool InXvfbChild() { return std::getenv("GASCAL_XVFB_CHILD") != nullptr; }

// Whether Xvfb is installed.
inline bool XvfbRunInstalled() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

// Runs this test program's tests that match Filter under a fresh 640 x 480 Xvfb screen; the exit
// status (0 when they passed). SDL's X11 input-method support opens D-Bus, whose library keeps
// allocations SDL never frees, so the child's leak check is off (these tests look at the loop and
// the pointer, not at memory). Manager, when given, runs on that server first
// (tests/WindowManager.h).
inline int RunSelfUnderXvfb(const std::string& Filter, wmtest::TManager Manager = wmtest::TManager::Bare) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof(self) - 1) <= 0) {
    ADD_FAILURE() << "this test program's path cannot be read";
    return -1;
  }
  const std::string command =
      "GASCAL_XVFB_CHILD=1 SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 " + xvfbtest::ServerFor("640x480x24") +
      wmtest::ChildCommand(Manager, self, "--gtest_filter='" + Filter + "'") + " 2>&1";
  return std::system(command.c_str());
}

// Runs the program's loop until Cond holds; the guard of a minute only ends a wait that would
// never end (a lost event), however loaded the machine.
inline bool PumpUntil(const std::function<bool()>& Cond) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!Cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    win::PumpEvents();
    rtl::Application->ProcessMessages();
    SDL_Delay(5);
  }
  return true;
}

}  // namespace wintest
