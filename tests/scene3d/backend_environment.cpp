// Every test process starts the drawing back end and ends it, as the program does, so
// that the font caches of the text code are released before the leak check.
#include <gtest/gtest.h>

#include "vg2d/core/CanvasGdiPlus.h"

namespace {

class BackendEnvironment : public ::testing::Environment {
public:
  void SetUp() override { vg::StartupGdiPlus(); }
  void TearDown() override { vg::ShutdownGdiPlus(); }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new BackendEnvironment);

}  // namespace
