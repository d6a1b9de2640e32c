// Start and end of the drawing back end. Drawing needs nothing started, but caches that
// other parts of the back end make (fonts of the text code) are released at the end.
#pragma once

#include <functional>

namespace gfx2d {

// The first call starts the back end; later calls do nothing until Shutdown.
void Startup();
// Runs the release handlers (last registered first) and forgets them; does nothing when
// the back end is not started.
void Shutdown();
bool IsStarted();
// Something to release at Shutdown.
void AddReleaseHandler(std::function<void()> Handler);

}  // namespace gfx2d
