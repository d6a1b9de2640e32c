// The OpenGL device's states: render, sampler and texture-stage states, transforms, material
// and lights, state blocks, and how each goes to GL.
#include "platform/gfx3d/GlDevice_Internal.h"

#include <algorithm>
#include <cmath>

namespace gfx3d::gl_internal {

namespace {

GLenum GlCompare(uint32_t V) {
  switch (V) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum GlBlend(uint32_t V) {
  switch (V) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

GLenum GlBlendOp(uint32_t V) {
  switch (V) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum GlStencilOp(uint32_t V) {
  switch (V) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLenum GlAddress(uint32_t V) {
  switch (V) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

GLenum GlFilter(uint32_t V) { return V == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST; }

void SetColor4(float* Out, const D3DCOLORVALUE& C) {
  Out[0] = C.r;
  Out[1] = C.g;
  Out[2] = C.b;
  Out[3] = C.a;
}

D3DLIGHT9 DefaultLight() {
  D3DLIGHT9 l;
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1, 1, 1, 0};
  l.Direction = {0, 0, 1};
  return l;
}

}  // namespace

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE State, uint32_t Value) {
  if (State >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
  if (recording_) return Record([State, Value](GlDevice& D) { D.SetRenderState(State, Value); });
  if (!Current()) return D3DERR_INVALIDCALL;
  renderStates_[State] = Value;
  ApplyRenderState(State);
  return D3D_OK;
}

HRESULT GlDevice::GetRenderState(D3DRENDERSTATETYPE State, uint32_t* Value) {
  if (State >= D3DRS_COUNT || !Value) return D3DERR_INVALIDCALL;
  *Value = renderStates_[State];
  return D3D_OK;
}

HRESULT GlDevice::SetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t Value) {
  if (Sampler != 0 || Type >= D3DSAMP_COUNT) return D3DERR_INVALIDCALL;
  if (recording_) return Record([Type, Value](GlDevice& D) { D.SetSamplerState(0, Type, Value); });
  if (!Current()) return D3DERR_INVALIDCALL;
  samplerStates_[Type] = Value;
  ApplySampler();
  return D3D_OK;
}

HRESULT GlDevice::GetSamplerState(uint32_t Sampler, D3DSAMPLERSTATETYPE Type, uint32_t* Value) {
  if (Sampler != 0 || Type >= D3DSAMP_COUNT || !Value) return D3DERR_INVALIDCALL;
  *Value = samplerStates_[Type];
  return D3D_OK;
}

HRESULT GlDevice::SetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t Value) {
  if (Stage != 0 || Type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
  if (recording_) return Record([Type, Value](GlDevice& D) { D.SetTextureStageState(0, Type, Value); });
  if (!Current()) return D3DERR_INVALIDCALL;
  stageStates_[Type] = Value;
  if (Type == D3DTSS_TEXTURETRANSFORMFLAGS)
    textureMatrixDirty_ = true;
  else
    ApplyStage();
  return D3D_OK;
}

HRESULT GlDevice::GetTextureStageState(uint32_t Stage, D3DTEXTURESTAGESTATETYPE Type, uint32_t* Value) {
  if (Stage != 0 || Type >= D3DTSS_COUNT || !Value) return D3DERR_INVALIDCALL;
  *Value = stageStates_[Type];
  return D3D_OK;
}

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* Matrix) {
  if (!Matrix) return D3DERR_INVALIDCALL;
  D3DMATRIX* target = TransformSlot(State);
  if (!target) return D3DERR_INVALIDCALL;
  if (recording_) {
    const D3DMATRIX m = *Matrix;
    return Record([State, m](GlDevice& D) { D.SetTransform(State, &m); });
  }
  *target = *Matrix;
  switch (State) {
    case D3DTS_VIEW: lightsDirty_ = modelviewDirty_ = true; break;
    case D3DTS_WORLD: modelviewDirty_ = true; break;
    case D3DTS_PROJECTION: projectionDirty_ = true; break;
    default: textureMatrixDirty_ = true; break;
  }
  return D3D_OK;
}

HRESULT GlDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* Matrix) {
  D3DMATRIX* source = TransformSlot(State);
  if (!source || !Matrix) return D3DERR_INVALIDCALL;
  *Matrix = *source;
  return D3D_OK;
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL9* Material) {
  if (!Material) return D3DERR_INVALIDCALL;
  if (recording_) {
    const D3DMATERIAL9 m = *Material;
    return Record([m](GlDevice& D) { D.SetMaterial(&m); });
  }
  if (!Current()) return D3DERR_INVALIDCALL;
  material_ = *Material;
  ApplyMaterial();
  return D3D_OK;
}

HRESULT GlDevice::SetLight(uint32_t Index, const D3DLIGHT9* Light) {
  if (!Light) return D3DERR_INVALIDCALL;
  if (recording_) {
    const D3DLIGHT9 l = *Light;
    return Record([Index, l](GlDevice& D) { D.SetLight(Index, &l); });
  }
  lights_[Index].Light = *Light;
  lightsDirty_ = true;
  return D3D_OK;
}

HRESULT GlDevice::LightEnable(uint32_t Index, bool Enable) {
  if (recording_) return Record([Index, Enable](GlDevice& D) { D.LightEnable(Index, Enable); });
  auto it = lights_.find(Index);
  if (it == lights_.end()) it = lights_.emplace(Index, LightSlot{DefaultLight(), false}).first;
  it->second.Enabled = Enable;
  lightsDirty_ = true;
  return D3D_OK;
}

HRESULT GlDevice::BeginStateBlock() {
  if (recording_) return D3DERR_INVALIDCALL;
  recording_ = std::make_shared<GlStateBlock>(weak_from_this());
  return D3D_OK;
}

HRESULT GlDevice::EndStateBlock(std::shared_ptr<IStateBlock>* Block) {
  if (!recording_ || !Block) return D3DERR_INVALIDCALL;
  ctx_->Track(recording_);
  *Block = std::move(recording_);
  recording_.reset();
  return D3D_OK;
}

D3DMATRIX* GlDevice::TransformSlot(D3DTRANSFORMSTATETYPE State) {
  switch (State) {
    case D3DTS_VIEW: return &view_;
    case D3DTS_PROJECTION: return &projection_;
    case D3DTS_WORLD: return &world_;
    case D3DTS_TEXTURE0: return &texture0_;
    default: return nullptr;
  }
}

void GlDevice::ApplyScissor() {
  glScissor(scissor_.left, scissor_.top, scissor_.right - scissor_.left, scissor_.bottom - scissor_.top);
}

void GlDevice::ApplyRenderState(D3DRENDERSTATETYPE State) {
  const uint32_t* rs = renderStates_;
  const uint32_t v = rs[State];
  switch (State) {
    case D3DRS_ZENABLE: Enable(GL_DEPTH_TEST, v != D3DZB_FALSE); break;
    case D3DRS_ZFUNC: glDepthFunc(GlCompare(v)); break;
    case D3DRS_ZWRITEENABLE: glDepthMask(v ? GL_TRUE : GL_FALSE); break;
    case D3DRS_FILLMODE:
      glPolygonMode(GL_FRONT_AND_BACK, v == D3DFILL_POINT ? GL_POINT : v == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
      break;
    case D3DRS_SHADEMODE: glShadeModel(v == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH); break;
    case D3DRS_CULLMODE:
      // Front faces are clockwise on screen; the upper-left origin keeps GL's facing so.
      Enable(GL_CULL_FACE, v == D3DCULL_CW || v == D3DCULL_CCW);
      glCullFace(v == D3DCULL_CW ? GL_FRONT : GL_BACK);
      break;
    case D3DRS_ALPHATESTENABLE: Enable(GL_ALPHA_TEST, v != 0); break;
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
      glAlphaFunc(GlCompare(rs[D3DRS_ALPHAFUNC]), static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF) / 255.0f);
      break;
    case D3DRS_ALPHABLENDENABLE: Enable(GL_BLEND, v != 0); break;
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA: {
      // GL has no switch for separate alpha factors: without it alpha uses the colour pair.
      const bool sep = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
      glBlendFuncSeparate(GlBlend(rs[D3DRS_SRCBLEND]), GlBlend(rs[D3DRS_DESTBLEND]),
                          GlBlend(sep ? rs[D3DRS_SRCBLENDALPHA] : rs[D3DRS_SRCBLEND]),
                          GlBlend(sep ? rs[D3DRS_DESTBLENDALPHA] : rs[D3DRS_DESTBLEND]));
      if (State == D3DRS_SEPARATEALPHABLENDENABLE) ApplyRenderState(D3DRS_BLENDOP);
      break;
    }
    case D3DRS_BLENDOP:
    case D3DRS_BLENDOPALPHA: {
      const bool sep = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
      glBlendEquationSeparate(GlBlendOp(rs[D3DRS_BLENDOP]),
                              GlBlendOp(sep ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP]));
      break;
    }
    case D3DRS_FOGENABLE: Enable(GL_FOG, v != 0); break;
    case D3DRS_SPECULARENABLE: ApplyMaterial(); break;
    case D3DRS_STENCILENABLE: Enable(GL_STENCIL_TEST, v != 0); break;
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
      glStencilFunc(GlCompare(rs[D3DRS_STENCILFUNC]), static_cast<GLint>(rs[D3DRS_STENCILREF] & 0xFF),
                    rs[D3DRS_STENCILMASK] & 0xFF);
      break;
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
      glStencilOp(GlStencilOp(rs[D3DRS_STENCILFAIL]), GlStencilOp(rs[D3DRS_STENCILZFAIL]),
                  GlStencilOp(rs[D3DRS_STENCILPASS]));
      break;
    case D3DRS_STENCILWRITEMASK: glStencilMask(v & 0xFF); break;
    case D3DRS_LIGHTING: Enable(GL_LIGHTING, v != 0); break;
    case D3DRS_AMBIENT: {
      float c[4];
      ArgbToFloats(v, c);
      glLightModelfv(GL_LIGHT_MODEL_AMBIENT, c);
      break;
    }
    case D3DRS_COLORVERTEX:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE: ApplyColorMaterial(); break;
    case D3DRS_NORMALIZENORMALS: Enable(GL_NORMALIZE, v != 0); break;
    case D3DRS_CLIPPLANEENABLE:
      for (int i = 0; i < 6; ++i) Enable(GL_CLIP_PLANE0 + i, (v >> i) & 1);
      break;
    case D3DRS_SCISSORTESTENABLE: Enable(GL_SCISSOR_TEST, v != 0); break;
    case D3DRS_COLORWRITEENABLE:
      glColorMask(v & D3DCOLORWRITEENABLE_RED ? GL_TRUE : GL_FALSE, v & D3DCOLORWRITEENABLE_GREEN ? GL_TRUE : GL_FALSE,
                  v & D3DCOLORWRITEENABLE_BLUE ? GL_TRUE : GL_FALSE, v & D3DCOLORWRITEENABLE_ALPHA ? GL_TRUE : GL_FALSE);
      break;
    default: break;  // kept, with no effect here (clipping is always on in GL)
  }
}

void GlDevice::ApplyColorMaterial() {
  const uint32_t* rs = renderStates_;
  const bool vertex = rs[D3DRS_COLORVERTEX] && (fvf_ == 0 || (fvf_ & D3DFVF_DIFFUSE));
  const bool d = rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
  const bool a = rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
  const bool s = rs[D3DRS_SPECULARMATERIALSOURCE] == D3DMCS_COLOR1;
  const bool e = rs[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1;
  GLenum mode = d && a ? GL_AMBIENT_AND_DIFFUSE : d ? GL_DIFFUSE : a ? GL_AMBIENT : s ? GL_SPECULAR : GL_EMISSION;
  const bool on = vertex && (d || a || s || e);
  glDisable(GL_COLOR_MATERIAL);
  if (on) {
    glColorMaterial(GL_FRONT_AND_BACK, mode);
    glEnable(GL_COLOR_MATERIAL);
  }
  // Turning colour tracking off leaves the tracked colour in the material: send it again.
  if (!on) ApplyMaterial();
}

void GlDevice::ApplyMaterial() {
  float c[4];
  SetColor4(c, material_.Diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, c);
  SetColor4(c, material_.Ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, c);
  // GL always adds the specular term: with specular off it gets a black one.
  SetColor4(c, renderStates_[D3DRS_SPECULARENABLE] ? material_.Specular : D3DCOLORVALUE{0, 0, 0, material_.Specular.a});
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, c);
  SetColor4(c, material_.Emissive);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, c);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(material_.Power, 0.0f, 128.0f));
}

void GlDevice::ApplySampler() {
  glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, GlFilter(samplerStates_[D3DSAMP_MAGFILTER]));
  // Textures have one level: a mipmap filter would leave them incomplete.
  glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, GlFilter(samplerStates_[D3DSAMP_MINFILTER]));
  glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GlAddress(samplerStates_[D3DSAMP_ADDRESSU]));
  glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GlAddress(samplerStates_[D3DSAMP_ADDRESSV]));
}

void GlDevice::ApplyStage() {
  const uint32_t* ts = stageStates_;
  auto source = [](uint32_t Arg) { return (Arg & 0xF) == D3DTA_TEXTURE ? GL_TEXTURE : GL_PRIMARY_COLOR; };
  auto reads = [&](uint32_t Op, uint32_t A1, uint32_t A2) {
    return (Op == D3DTOP_SELECTARG1 && (A1 & 0xF) == D3DTA_TEXTURE) ||
           (Op == D3DTOP_SELECTARG2 && (A2 & 0xF) == D3DTA_TEXTURE) ||
           (Op == D3DTOP_MODULATE && ((A1 & 0xF) == D3DTA_TEXTURE || (A2 & 0xF) == D3DTA_TEXTURE));
  };
  auto setup = [&](uint32_t Op, uint32_t A1, uint32_t A2, GLenum Combine, GLenum Src0, GLenum Src1) {
    if (Op == D3DTOP_MODULATE) {
      glTexEnvi(GL_TEXTURE_ENV, Combine, GL_MODULATE);
      glTexEnvi(GL_TEXTURE_ENV, Src0, source(A1));
      glTexEnvi(GL_TEXTURE_ENV, Src1, source(A2));
    } else {
      glTexEnvi(GL_TEXTURE_ENV, Combine, GL_REPLACE);
      glTexEnvi(GL_TEXTURE_ENV, Src0,
                Op == D3DTOP_SELECTARG1 ? source(A1) : Op == D3DTOP_SELECTARG2 ? source(A2) : GL_PRIMARY_COLOR);
    }
  };
  const bool colorReads = reads(ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2]);
  const bool alphaReads = reads(ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2]);
  const bool disabled = ts[D3DTSS_COLOROP] == D3DTOP_DISABLE;
  Enable(GL_TEXTURE_2D, texture_ && !disabled && (colorReads || alphaReads));
  setup(disabled ? D3DTOP_DISABLE : ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2], GL_COMBINE_RGB,
        GL_SRC0_RGB, GL_SRC1_RGB);
  setup(disabled ? D3DTOP_DISABLE : ts[D3DTSS_ALPHAOP], ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2],
        GL_COMBINE_ALPHA, GL_SRC0_ALPHA, GL_SRC1_ALPHA);
}

void GlDevice::FlushTransforms() {
  if (projectionDirty_) {
    // Direct3D samples pixels at whole coordinates, GL at half ones: shift clip space by
    // half a pixel right and down.
    D3DMATRIX shift;
    shift.m[3][0] = 1.0f / static_cast<float>(renderTarget_->Width());
    shift.m[3][1] = -1.0f / static_cast<float>(renderTarget_->Height());
    const D3DMATRIX p = Multiply(projection_, shift);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&p.m[0][0]);
    projectionDirty_ = false;
  }
  if (textureMatrixDirty_) {
    D3DMATRIX t;
    if (stageStates_[D3DTSS_TEXTURETRANSFORMFLAGS] == D3DTTFF_COUNT2) {
      // Direct3D offsets 2D coordinates by the third row, GL by the fourth.
      t = texture0_;
      t.m[3][0] = texture0_.m[2][0];
      t.m[3][1] = texture0_.m[2][1];
      t.m[2][0] = t.m[2][1] = 0;
    }
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(&t.m[0][0]);
    textureMatrixDirty_ = false;
  }
  glMatrixMode(GL_MODELVIEW);
  if (lightsDirty_) {
    // Lights are in world space: GL takes their positions through the view alone.
    glLoadMatrixf(&view_.m[0][0]);
    int slot = 0;
    for (auto& [index, l] : lights_) {
      if (!l.Enabled || slot >= 8) continue;
      SpecifyLight(GL_LIGHT0 + slot, l.Light);
      ++slot;
    }
    for (; slot < 8; ++slot) glDisable(GL_LIGHT0 + slot);
    lightsDirty_ = false;
    modelviewDirty_ = true;
  }
  if (modelviewDirty_) {
    const D3DMATRIX wv = Multiply(world_, view_);
    glLoadMatrixf(&wv.m[0][0]);
    modelviewDirty_ = false;
  }
}

void GlDevice::SpecifyLight(GLenum Light, const D3DLIGHT9& L) {
  float c[4];
  SetColor4(c, L.Ambient);
  glLightfv(Light, GL_AMBIENT, c);
  SetColor4(c, L.Diffuse);
  glLightfv(Light, GL_DIFFUSE, c);
  SetColor4(c, L.Specular);
  glLightfv(Light, GL_SPECULAR, c);
  if (L.Type == D3DLIGHT_DIRECTIONAL) {
    const float pos[4] = {-L.Direction.x, -L.Direction.y, -L.Direction.z, 0};
    glLightfv(Light, GL_POSITION, pos);
    glLightf(Light, GL_SPOT_CUTOFF, 180);
    glLightf(Light, GL_CONSTANT_ATTENUATION, 1);
    glLightf(Light, GL_LINEAR_ATTENUATION, 0);
    glLightf(Light, GL_QUADRATIC_ATTENUATION, 0);
  } else {
    const float pos[4] = {L.Position.x, L.Position.y, L.Position.z, 1};
    glLightfv(Light, GL_POSITION, pos);
    glLightf(Light, GL_CONSTANT_ATTENUATION, L.Attenuation0);
    glLightf(Light, GL_LINEAR_ATTENUATION, L.Attenuation1);
    glLightf(Light, GL_QUADRATIC_ATTENUATION, L.Attenuation2);
    if (L.Type == D3DLIGHT_SPOT) {
      // One cone edge, at half the outer cone angle, instead of an inner and outer cone.
      const float dir[3] = {L.Direction.x, L.Direction.y, L.Direction.z};
      glLightfv(Light, GL_SPOT_DIRECTION, dir);
      glLightf(Light, GL_SPOT_CUTOFF, std::clamp(L.Phi * 0.5f * 57.29578f, 0.0f, 90.0f));
      glLightf(Light, GL_SPOT_EXPONENT, std::clamp(L.Falloff, 0.0f, 128.0f));
    } else {
      glLightf(Light, GL_SPOT_CUTOFF, 180);
    }
  }
  glEnable(Light);
}

HRESULT GlStateBlock::Apply() {
  auto device = device_.lock();
  if (!device) return D3DERR_INVALIDCALL;
  for (auto& step : Steps) step(*device);
  return D3D_OK;
}

}  // namespace gfx3d::gl_internal
