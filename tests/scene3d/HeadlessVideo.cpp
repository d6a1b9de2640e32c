// The scene control tests run on SDL's dummy video driver, without a display.
#include <cstdlib>

namespace {
const bool headless = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  return true;
}();
}  // namespace
