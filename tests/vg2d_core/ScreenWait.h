// A real window under Xvfb shows in the X server's own time: the loop runs and the whole screen
// is read back with xwd until it shows what a test looks for (bounded).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"

namespace vgtest {

// Runs the loop and dumps the screen into Shot until Matches (which reads Shot) holds or a minute
// has passed (a guard for a loaded machine); true when it held. A dump that xwd cannot write fails
// the test at once.
inline bool ScreenComesToShow(const std::string& Shot, const std::function<bool()>& Matches) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (std::chrono::steady_clock::now() < end) {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
    const int status = std::system(("xwd -root -silent -out " + Shot).c_str());
    if (status != 0) {
      ADD_FAILURE() << "xwd could not dump the screen (status " << status << ")";
      return false;
    }
    if (Matches()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace vgtest
