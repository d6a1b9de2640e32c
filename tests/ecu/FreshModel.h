// The program's state as at start for the life of a fixture or a test: a model of its own
// (the application core's state with the ECU side's session), in force until it goes. Declare
// it before any member that uses the state (a recorder, say); a fixture that must end the
// state at a point of its TearDown holds it in a std::unique_ptr and resets it there.
#pragma once

#include "app/core/Model.h"

namespace ecu_test {

using FreshModel = app::TModel;

}  // namespace ecu_test
