// Direct3D 9's initial device state, shared by the OpenGL device and the fake.
#pragma once

#include "platform/gfx3d/Types.h"

namespace gfx3d {

// The value a render state has on a new or reset device; AutoDepth tells whether the device
// has an automatic depth-stencil buffer (the depth test starts on only then).
uint32_t InitialRenderState(D3DRENDERSTATETYPE State, bool AutoDepth);
uint32_t InitialSamplerState(D3DSAMPLERSTATETYPE Type);
uint32_t InitialStageState(D3DTEXTURESTAGESTATETYPE Type);

}  // namespace gfx3d
