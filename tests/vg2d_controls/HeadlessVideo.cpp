// The control tests run on SDL's dummy video driver: the clipboard and the windows of
// popup menus need a display, and none is needed to test them.
#include <cstdlib>

namespace {
const bool headless = [] {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  return true;
}();
}  // namespace
