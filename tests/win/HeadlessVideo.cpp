// The window tests run on SDL's dummy video driver: no display is needed, and what the
// forms present is read back from their frames and window surfaces.
#include <cstdlib>

namespace {
const bool headless = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  return true;
}();
}  // namespace
