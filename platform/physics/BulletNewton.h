// The rigid-body engine on Bullet.
//
// Each world is a Bullet dynamics world without gravity of its own: a body moves by the force
// its callback sets before each step. Every step is 1/60 s long, whatever the updates' lengths:
// an update adds its time to what the world is owed and takes the whole steps that holds, at
// most ten (the rest of a longer stall is dropped); what is short of a step waits for the next
// update. So a body moves alike at any mix of frame times. Bodies freeze as Bullet's sleeping,
// decided by the engine's own count of time at rest. The up-vector joint
// exists for pins along a world axis (the body turns about that axis only); another pin makes
// no joint (0).
#pragma once

#include "platform/physics/Newton.h"

namespace physics {

// The entries of a new engine; the engine lives as long as a copy of them.
NewtonEntries BulletNewton();

}  // namespace physics
