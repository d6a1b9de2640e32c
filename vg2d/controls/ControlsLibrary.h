// Start-up and shut-down of the 2D controls. ControlsStartup starts the 2D library
// (LibraryStartup) and then registers the controls' classes, for streams and by category
// for the design lists; ControlsShutdown takes back exactly the classes it registered and
// then shuts the 2D library down. The program calls ControlsStartup instead of
// LibraryStartup when it uses controls, and ControlsShutdown after the last 2D object is
// gone. Both are counted like the library's own steps.
#pragma once

namespace vg {

void ControlsStartup();
void ControlsShutdown();

}  // namespace vg
