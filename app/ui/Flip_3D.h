// The flip of the main window (left button on Flip): the main window's GUI layer tilts away,
// flips and swings back with a new random fill colour, which then goes to the open windows
// (app/core/Flip_Unit.h holds the steps). The flip belongs to the main window and goes with
// it: a close in the middle of a flip runs no later step.
#pragma once

namespace app {

class TForm_3D_GEN;

// Starts a flip of Main (nothing new while one is turning).
void FlipMainWindow(TForm_3D_GEN& Main);
// Whether Main is in the middle of a flip.
bool MainWindowFlipping(const TForm_3D_GEN& Main);

}  // namespace app
