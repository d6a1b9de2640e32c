// The rigid-body engine on Bullet.
//
// Each world is a Bullet dynamics world without gravity of its own: a body moves by the force
// its callback sets before each step. A step covers at most 1/60 s; a longer update is split
// into equal steps, at most ten (the rest of a longer stall is dropped). Bodies freeze as
// Bullet's sleeping, decided by the engine's own count of quiet steps. The up-vector joint
// exists for pins along a world axis (the body turns about that axis only); another pin makes
// no joint (0).
#pragma once

#include "platform/physics/Newton.h"

namespace physics {

// The entries of a new engine; the engine lives as long as a copy of them.
NewtonEntries BulletNewton();

}  // namespace physics
