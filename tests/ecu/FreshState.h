// The program's state as at start for the life of a fixture: every state object of the ECU
// side and the application core is reset when the fixture is made and again when it goes.
// Declare it before any member that uses the state (a recorder, say).
#pragma once

#include "app/core/Core_State.h"

namespace ecu_test {

struct FreshState {
  FreshState() { app::ResetState(); }
  ~FreshState() { app::ResetState(); }
  FreshState(const FreshState&) = delete;
  FreshState& operator=(const FreshState&) = delete;
};

}  // namespace ecu_test
