// The window tests run on SDL's dummy video driver: no display is needed, and what the
// forms present is read back from their frames and window surfaces. A test's own run under
// Xvfb keeps the driver it was started with.
#include <cstdlib>

namespace {
const bool headless = [] {
  if (!std::getenv("GASCAL_XVFB_CHILD")) setenv("SDL_VIDEODRIVER", "dummy", 1);
  return true;
}();
}  // namespace
