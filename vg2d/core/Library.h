// Start-up and shut-down of the 2D library. The program calls LibraryStartup once before
// it makes any 2D object, scene or canvas, and LibraryShutdown after the last is gone.
//
// Start-up registers the library's classes (for streams, and by category for the design
// lists), registers the built-in style resource, names the default canvas and image-filter
// classes and starts the drawing back end. Shut-down undoes exactly that: it stops the
// back end only when start-up started it, gives the default classes back the values they
// had before, unregisters the classes start-up registered, and frees the animation ticker,
// the built-in style and the library's lists.
//
// Both steps are counted: only the first start-up and the matching last shut-down work.
#pragma once

namespace vg {

void LibraryStartup();
void LibraryShutdown();
// Whether the library is started.
bool LibraryStarted();

}  // namespace vg
