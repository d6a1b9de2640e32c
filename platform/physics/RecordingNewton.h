// The recording engine, for tests of the code that drives the rigid-body engine. It logs every
// call in order and keeps just enough state to answer: handles counted from 1 over all kinds,
// body matrices, user data, masses, velocities changed by impulses, force callbacks.
//
// Its geometry is plain: a body's box is its position plus or minus the half sizes of its shape
// along the world axes (box: the sizes / 2; sphere: the radii; cone and cylinder: Height / 2
// along X, Radius across). NewtonUpdate calls the force callback of every body of the world
// that has one, in the order the bodies were made, and moves nothing. Two shapes collide when
// their boxes meet; the contact is the centre of the common box with W = 0, the normal
// (0, 0, 1, 0), the penetration the common box's smallest side.
//
// Log entries: Name is the entry point without "Newton", Args its arguments joined by ", ";
// Result the handle made; numbers in their shortest exact form, vectors as "(x, y, z)", matrices as their 16 values in
// brackets, row by row, user data and callbacks as "set" or "nil".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/physics/Newton.h"

namespace physics {

struct NewtonCall {
  std::string Name;
  std::string Args;
  std::string Result;  // the handle made, for the entries that make one
  std::string Call() const { return Name + "(" + Args + ")"; }
  std::string Text() const { return Call() + (Result.empty() ? "" : " -> " + Result); }
};

class NewtonRecorder {
public:
  std::vector<NewtonCall> Calls;
  // The calls named Name, in order, without their results.
  std::vector<std::string> Of(const std::string& Name) const;
  int Count(const std::string& Name) const;
};

NewtonEntries RecordingNewton(std::shared_ptr<NewtonRecorder> Recorder);

// The text of a number as the log writes it.
std::string NewtonNumber(float Value);

}  // namespace physics
