#include "platform/gfx3d/States.h"

namespace gfx3d {

uint32_t InitialRenderState(D3DRENDERSTATETYPE State, bool AutoDepth) {
  switch (State) {
    case D3DRS_ZENABLE: return AutoDepth ? D3DZB_TRUE : D3DZB_FALSE;
    case D3DRS_FILLMODE: return D3DFILL_SOLID;
    case D3DRS_SHADEMODE: return D3DSHADE_GOURAUD;
    case D3DRS_ZWRITEENABLE: return 1;
    case D3DRS_SRCBLEND: return D3DBLEND_ONE;
    case D3DRS_DESTBLEND: return D3DBLEND_ZERO;
    case D3DRS_CULLMODE: return D3DCULL_CCW;
    case D3DRS_ZFUNC: return D3DCMP_LESSEQUAL;
    case D3DRS_ALPHAFUNC: return D3DCMP_ALWAYS;
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS: return D3DSTENCILOP_KEEP;
    case D3DRS_STENCILFUNC: return D3DCMP_ALWAYS;
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK: return 0xFFFFFFFFu;
    case D3DRS_CLIPPING: return 1;
    case D3DRS_LIGHTING: return 1;
    case D3DRS_COLORVERTEX: return 1;
    case D3DRS_DIFFUSEMATERIALSOURCE: return D3DMCS_COLOR1;
    case D3DRS_SPECULARMATERIALSOURCE: return D3DMCS_COLOR2;
    case D3DRS_COLORWRITEENABLE: return 0xF;
    case D3DRS_BLENDOP:
    case D3DRS_BLENDOPALPHA: return D3DBLENDOP_ADD;
    case D3DRS_SRCBLENDALPHA: return D3DBLEND_ONE;
    case D3DRS_DESTBLENDALPHA: return D3DBLEND_ZERO;
    default: return 0;  // off, zero, or D3DMCS_MATERIAL
  }
}

uint32_t InitialSamplerState(D3DSAMPLERSTATETYPE Type) {
  switch (Type) {
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV: return D3DTADDRESS_WRAP;
    case D3DSAMP_MAGFILTER:
    case D3DSAMP_MINFILTER: return D3DTEXF_POINT;
    default: return 0;
  }
}

uint32_t InitialStageState(D3DTEXTURESTAGESTATETYPE Type) {
  switch (Type) {
    case D3DTSS_COLOROP: return D3DTOP_MODULATE;
    case D3DTSS_ALPHAOP: return D3DTOP_SELECTARG1;
    case D3DTSS_COLORARG1:
    case D3DTSS_ALPHAARG1: return D3DTA_TEXTURE;
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG2: return D3DTA_CURRENT;
    default: return 0;  // D3DTTFF_DISABLE
  }
}

}  // namespace gfx3d
