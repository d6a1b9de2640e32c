// The hint window draws text: every test process starts the drawing back end and ends it,
// as the program does, so that the font caches are released before the leak check.
#include <gtest/gtest.h>

#include "platform/gfx2d/Backend.h"

namespace {

class BackendEnvironment : public ::testing::Environment {
public:
  void SetUp() override { gfx2d::Startup(); }
  void TearDown() override { gfx2d::Shutdown(); }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new BackendEnvironment);

}  // namespace
