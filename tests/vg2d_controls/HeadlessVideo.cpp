// The control tests run on SDL's dummy video driver: the clipboard and the windows of
// popup menus need a display, and none is needed to test them. The one test that opens
// real windows runs in a child process under Xvfb and keeps the driver it is given.
#include <cstdlib>

namespace {
const bool headless = [] {
  if (!std::getenv("GASCAL_XVFB_CHILD")) setenv("SDL_VIDEODRIVER", "dummy", 1);
  return true;
}();
}  // namespace
