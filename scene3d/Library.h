// The start-up and shut-down of the 3D scene library's own classes: the scene control, the
// bitmap list and the value and object classes become known to streams and to the designer's
// class list. Call SceneLibraryStartup before streaming any window and SceneLibraryShutdown at
// the end; shut-down waits for the last scene control to go before it frees the shared lists
// (the animation clock and the class list), so a window freed late never reaches freed lists.
#pragma once

namespace dx {

// Once; a second call does nothing until the next shut-down.
void SceneLibraryStartup();
void SceneLibraryShutdown();
bool SceneLibraryStarted();
// Called by the last scene control as it goes: finishes a shut-down that was waiting for it.
void SceneLibraryLastSceneGone();

}  // namespace dx
