// The scene control tests run on SDL's dummy video driver, without a display; the tests that
// open real windows run in a child process under Xvfb and keep the driver they are given.
#include <cstdlib>

namespace {
const bool headless = [] {
  if (!std::getenv("GASCAL_XVFB_CHILD")) setenv("SDL_VIDEODRIVER", "dummy", 1);
  return true;
}();
}  // namespace
