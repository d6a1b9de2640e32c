#include "scene3d/Layers.h"

#include <cmath>
#include <limits>

#include "scene3d/Canvas.h"
#include "scene3d/ValueText.h"

namespace dx {

namespace {

// Cut toward zero into the int range (NaN gives 0).
int TruncSaturated(float V) {
  if (std::isnan(V)) return 0;
  const double t = std::trunc(static_cast<double>(V));
  if (t >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (t <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(t);
}

void BuildQuad(TdxMeshData& Mesh, const TdxMeshVertex (&V)[4], const std::uint16_t (&I)[6]) {
  Mesh.Vertices().assign(std::begin(V), std::end(V));
  Mesh.Indexes().assign(std::begin(I), std::end(I));
  Mesh.Changed();
}

}  // namespace

int dxRoundPixels(float Value) {
  if (std::isnan(Value)) return 0;
  const double r = std::nearbyint(static_cast<double>(Value));  // the default mode: halves to even
  if (r >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (r <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}

// ---- custom layer ---------------------------------------------------------------------------------

rtl::TClass TdxCustomLayer::StaticClass() {
  using L = TdxCustomLayer;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Event("OnLayerMouseMove", &L::OnLayerMouseMove)
                                          .Event("OnLayerMouseDown", &L::OnLayerMouseDown)
                                          .Event("OnLayerMouseUp", &L::OnLayerMouseUp)
                                          .Build();
  return &info;
}

TdxCustomLayer::TdxCustomLayer(rtl::TComponent* AOwner) : TdxVisualObject(AOwner) {
  SetTwoSide(true);
  SetWidth(4);
  SetDepth(3);
  SetHeight(1);
}

void TdxCustomLayer::SetLayerAlign(TdxLayerAlign Value) {
  if (Value == layerAlign_) return;
  layerAlign_ = Value;
  if (auto* parent = dynamic_cast<TdxVisualObject*>(Parent())) parent->Realign();
}

bool TdxCustomLayer::HoldsCapture() const { return Scene() && Scene()->GetCaptured() == this; }

bool TdxCustomLayer::LayerBoxHit(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) const {
  const TdxVector size{Width(), Height(), Depth(), 0};
  if (BoxRayCast(RayPos, RayDir, size, 0.503f, Hit)) return true;
  return CapturedHit(RayPos, RayDir, Hit);
}

bool TdxCustomLayer::CapturedHit(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) const {
  if (!HoldsCapture()) return false;
  TdxVector boxHit;
  if (!BoxRayCast(RayPos, RayDir, {Width() * 10, Height() * 10, Depth() * 10, 0}, 0.503f, boxHit)) return false;
  // The point is the ray's on the layer's plane (X-Y on the screen, X-Z through the camera),
  // not on a face of the widened box, which lies ten thicknesses away from it: a ray that
  // meets the face askew would land far from where the pointer is.
  const float p = ScreenSpace() ? RayPos.Z : RayPos.Y, d = ScreenSpace() ? RayDir.Z : RayDir.Y;
  const float t = d != 0 ? -p / d : 0;
  Hit = t > 0 && std::isfinite(t)
            ? LocalToAbsolute({RayPos.X + t * RayDir.X, RayPos.Y + t * RayDir.Y, RayPos.Z + t * RayDir.Z, 1})
            : boxHit;
  return true;
}

bool TdxCustomLayer::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  return LayerBoxHit(RayPos, RayDir, Hit);
}

bool TdxCustomLayer::MapHit(const TdxVector& Hit, float SizeX, float SizeY, float& X, float& Y) const {
  const TdxVector l = AbsoluteToLocalVector(Hit);
  const float w = Width();
  const float h = ScreenSpace() ? Height() : Depth();
  if (w == 0 || h == 0 || std::isnan(w) || std::isnan(h)) return false;
  X = (w / 2 + l.X) / w * SizeX;
  Y = ScreenSpace() ? (h / 2 + l.Y) / h * SizeY : (h / 2 - l.Z) / h * SizeY;
  return !std::isnan(X) && !std::isnan(Y);
}

void TdxCustomLayer::MapAndCall(TLayerCall Call, rtl::TMouseButton Button, rtl::TShiftState Shift,
                                const TdxVector& RayPos, const TdxVector& RayDir) {
  TdxVector hit;
  if (!RayCastIntersect(RayPos, RayDir, hit)) return;
  float x = 0, y = 0;
  if (!MapHit(hit, Width(), ScreenSpace() ? Height() : Depth(), x, y)) return;
  switch (Call) {
    case TLayerCall::Down: LayerMouseDown(Button, Shift, x, y); break;
    case TLayerCall::Move: LayerMouseMove(Shift, x, y); break;
    case TLayerCall::Up: LayerMouseUp(Button, Shift, x, y); break;
  }
}

void TdxCustomLayer::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                               const TdxVector& RayPos, const TdxVector& RayDir) {
  TdxFreeWatch watch(this);
  inherited::MouseDown(Button, Shift, X, Y, RayPos, RayDir);
  if (watch.Gone() || skipLayerMapping_) return;
  MapAndCall(TLayerCall::Down, Button, Shift, RayPos, RayDir);
}

void TdxCustomLayer::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                               const TdxVector& RayDir) {
  TdxFreeWatch watch(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy, RayPos, RayDir);
  if (watch.Gone() || skipLayerMapping_) return;
  MapAndCall(TLayerCall::Move, rtl::mbLeft, Shift, RayPos, RayDir);
}

void TdxCustomLayer::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                             const TdxVector& RayPos, const TdxVector& RayDir) {
  // The point is taken while the press still holds the capture (the release lets it go).
  TdxVector hit;
  float x = 0, y = 0;
  const bool mapped = !skipLayerMapping_ && RayCastIntersect(RayPos, RayDir, hit) &&
                      MapHit(hit, Width(), ScreenSpace() ? Height() : Depth(), x, y);
  TdxFreeWatch watch(this);
  inherited::MouseUp(Button, Shift, X, Y, RayPos, RayDir);
  if (watch.Gone() || !mapped) return;
  LayerMouseUp(Button, Shift, x, y);
}

void TdxCustomLayer::LayerMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  OnLayerMouseDown(this, Button, Shift, TruncSaturated(X), TruncSaturated(Y));
}

void TdxCustomLayer::LayerMouseMove(rtl::TShiftState Shift, float X, float Y) {
  OnLayerMouseMove(this, Shift, TruncSaturated(X), TruncSaturated(Y));
}

void TdxCustomLayer::LayerMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  OnLayerMouseUp(this, Button, Shift, TruncSaturated(X), TruncSaturated(Y));
}

// ---- buffer layer ---------------------------------------------------------------------------------

rtl::TClass TdxCustomBufferLayer::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxCustomBufferLayer>()
                                          .Property("ModulationColor", &TdxCustomBufferLayer::ModulationColor,
                                                    &TdxCustomBufferLayer::SetModulationColor)
                                          .Build();
  return &info;
}

rtl::TClass TdxBufferLayer::StaticClass() {
  using L = TdxBufferLayer;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("Resolution", &L::Resolution, &L::SetResolution)
                                          .Default(60)
                                          .Event("OnUpdateBuffer", &L::OnUpdateBuffer)
                                          .Build();
  return &info;
}

TdxCustomBufferLayer::TdxCustomBufferLayer(rtl::TComponent* AOwner) : TdxCustomLayer(AOwner) {
  SetTwoSide(true);
  RecalcBufferWidth();
  RecalcBufferHeight();
  // Texture row 0 lies at +Depth / 2 through the camera and at the top in screen space.
  static const TdxMeshVertex plane[4] = {
      dxMeshVertex(-0.5f, 0, -0.5f, 0, -1, 0, 0, 1), dxMeshVertex(0.5f, 0, -0.5f, 0, -1, 0, 1, 1),
      dxMeshVertex(-0.5f, 0, 0.5f, 0, -1, 0, 0, 0), dxMeshVertex(0.5f, 0, 0.5f, 0, -1, 0, 1, 0)};
  static const TdxMeshVertex screen[4] = {
      dxMeshVertex(-0.5f, -0.5f, 0, 0, 0, 1, 0, 0), dxMeshVertex(0.5f, -0.5f, 0, 0, 0, 1, 1, 0),
      dxMeshVertex(-0.5f, 0.5f, 0, 0, 0, 1, 0, 1), dxMeshVertex(0.5f, 0.5f, 0, 0, 0, 1, 1, 1)};
  BuildQuad(planeQuad_, plane, {0, 2, 1, 2, 3, 1});
  planeQuad_.CalcNormals();
  BuildQuad(screenQuad_, screen, {0, 1, 2, 2, 1, 3});
  buffer_ = std::make_unique<TdxBitmap>(bufferWidth_, bufferHeight_);
  dxAddBitmapResource(Name(), this);
  listed_ = true;
}

TdxCustomBufferLayer::~TdxCustomBufferLayer() {
  if (listed_) dxRemoveBitmapResource(this);
}

void TdxCustomBufferLayer::BeforeDestruction() {
  if (listed_) dxRemoveBitmapResource(this);
  listed_ = false;
  inherited::BeforeDestruction();
}

void TdxCustomBufferLayer::SetName(const std::string& NewName) {
  const std::string old = Name();
  inherited::SetName(NewName);
  if (listed_ && Name() != old) dxRenameBitmapResource(this, Name());
}

void TdxCustomBufferLayer::RecalcBufferWidth() {
  bufferWidth_ = dxRoundPixels(ScreenSpace() ? Width() : static_cast<float>(resolution_) * Width());
}

void TdxCustomBufferLayer::RecalcBufferHeight() {
  bufferHeight_ = dxRoundPixels(ScreenSpace() ? Height() : static_cast<float>(resolution_) * Depth());
}

void TdxCustomBufferLayer::SetResolution(int Value) {
  if (Value == resolution_) return;
  resolution_ = Value;
  if (!ScreenSpace()) {
    RecalcBufferWidth();
    RecalcBufferHeight();
  }
  Repaint();
}

std::string TdxCustomBufferLayer::ModulationColor() const { return dxColorToText(modulation_); }

void TdxCustomBufferLayer::SetModulationColor(const std::string& Value) {
  SetModulationColorValue(dxTextToColor(Value));
}

void TdxCustomBufferLayer::SetModulationColorValue(TdxColor Value) {
  if (Value == modulation_) return;
  modulation_ = Value;
  Repaint();
}

void TdxCustomBufferLayer::SetWidth(float Value) {
  inherited::SetWidth(Value);
  RecalcBufferWidth();
}

void TdxCustomBufferLayer::SetDepth(float Value) {
  inherited::SetDepth(Value);
  if (!ScreenSpace()) RecalcBufferHeight();
}

void TdxCustomBufferLayer::SetHeight(float Value) {
  inherited::SetHeight(Value);
  if (ScreenSpace()) RecalcBufferHeight();
}

bool TdxCustomBufferLayer::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  const TdxVector size{Width(), Height(), Depth(), 0};
  TdxVector boxHit;
  if (BoxRayCast(RayPos, RayDir, size, 0.503f, boxHit)) {
    const TdxMeshData& quad = ScreenSpace() ? screenQuad_ : planeQuad_;
    const auto& v = quad.Vertices();
    const auto& idx = quad.Indexes();
    if (v.empty() || idx.empty()) {
      if (!ComponentState().Contains(rtl::csDesigning)) return false;
      Hit = boxHit;
      return true;
    }
    auto corner = [&](std::uint16_t I) {
      const TdxMeshVertex& m = v[I];
      return TdxVector{m.X * size.X, m.Y * size.Y, m.Z * size.Z, 1};
    };
    for (size_t i = 0; i + 2 < idx.size(); i += 3) {
      if (idx[i] >= v.size() || idx[i + 1] >= v.size() || idx[i + 2] >= v.size()) continue;
      TdxVector p;
      if (dxRayTriangleIntersect(RayPos, RayDir, corner(idx[i]), corner(idx[i + 1]), corner(idx[i + 2]), &p)) {
        Hit = LocalToAbsoluteVector({p.X, p.Y, p.Z, 1});
        return true;
      }
    }
  }
  return CapturedHit(RayPos, RayDir, Hit);
}

bool TdxCustomBufferLayer::ScreenPlacement(int& X, int& Y) const {
  if (!ScreenSpace()) return false;
  const TdxMatrix& m = GetAbsoluteMatrix();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (m.M[i][j] != (i == j ? 1.0f : 0.0f)) return false;
  constexpr float far = 1e8f;
  if (m.M[3][2] != 0 || !(std::fabs(m.M[3][0]) < far) || !(std::fabs(m.M[3][1]) < far)) return false;
  // As Render lays the quad: the translation cut toward zero, less half the buffer cut the same way.
  X = static_cast<int>(std::trunc(m.M[3][0])) - bufferWidth_ / 2;
  Y = static_cast<int>(std::trunc(m.M[3][1])) - bufferHeight_ / 2;
  return true;
}

bool TdxCustomBufferLayer::HitToBuffer(const TdxVector& Hit, float& X, float& Y) const {
  return MapHit(Hit, static_cast<float>(bufferWidth_), static_cast<float>(bufferHeight_), X, Y);
}

void TdxCustomBufferLayer::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                                     const TdxVector& RayPos, const TdxVector& RayDir) {
  TdxFreeWatch watch(this);
  skipLayerMapping_ = true;
  try {
    inherited::MouseDown(Button, Shift, X, Y, RayPos, RayDir);
  } catch (...) {
    if (!watch.Gone()) skipLayerMapping_ = false;
    throw;
  }
  if (watch.Gone()) return;
  skipLayerMapping_ = false;
  TdxVector hit;
  float x = 0, y = 0;
  if (RayCastIntersect(RayPos, RayDir, hit) && HitToBuffer(hit, x, y)) LayerMouseDown(Button, Shift, x, y);
}

void TdxCustomBufferLayer::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy,
                                     const TdxVector& RayPos, const TdxVector& RayDir) {
  TdxFreeWatch watch(this);
  skipLayerMapping_ = true;
  try {
    inherited::MouseMove(Shift, X, Y, Dx, Dy, RayPos, RayDir);
  } catch (...) {
    if (!watch.Gone()) skipLayerMapping_ = false;
    throw;
  }
  if (watch.Gone()) return;
  skipLayerMapping_ = false;
  TdxVector hit;
  float x = 0, y = 0;
  if (RayCastIntersect(RayPos, RayDir, hit) && HitToBuffer(hit, x, y)) LayerMouseMove(Shift, x, y);
}

void TdxCustomBufferLayer::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                                   const TdxVector& RayPos, const TdxVector& RayDir) {
  // The point is taken while the press still holds the capture (the release lets it go).
  TdxVector hit;
  float x = 0, y = 0;
  const bool mapped = RayCastIntersect(RayPos, RayDir, hit) && HitToBuffer(hit, x, y);
  TdxFreeWatch watch(this);
  skipLayerMapping_ = true;
  try {
    inherited::MouseUp(Button, Shift, X, Y, RayPos, RayDir);
  } catch (...) {
    if (!watch.Gone()) skipLayerMapping_ = false;
    throw;
  }
  if (watch.Gone()) return;
  skipLayerMapping_ = false;
  if (mapped) LayerMouseUp(Button, Shift, x, y);
}

void TdxCustomBufferLayer::BeforePaint() {
  if (!buffer_)
    buffer_ = std::make_unique<TdxBitmap>(bufferWidth_, bufferHeight_);
  else if (buffer_->Width() != bufferWidth_ || buffer_->Height() != bufferHeight_)
    buffer_->SetSize(bufferWidth_, bufferHeight_);
  inherited::BeforePaint();
}

void TdxCustomBufferLayer::Render() {
  TdxCanvas* canvas = TdxVisualObject::GetCanvas();
  if (!canvas) return;
  if (buffer_) {
    TdxFreeWatch watch(this);
    OnUpdateBuffer(this);
    if (watch.Gone()) return;
  }
  const float opacity = GetAbsoluteOpacity();
  // A fresh material: no bitmap name, tiles of 1, an empty bitmap rectangle.
  TdxMaterial m;
  m.SetDiffuseColor(dxOpacityColor(modulation_, opacity));
  m.SetLighting(false);
  m.SetBitmapMode(dxTexModulate);
  m.SetShadeMode(dxGouraud);
  m.SetFillMode(dxSolid);
  m.SetTexture(buffer_.get());
  canvas->SetMaterial(m);
  canvas->SetRenderState(rsTextureModulate);
  canvas->SetRenderState(rsTextureLinear);
  if (!ScreenSpace()) {
    canvas->FillMesh({0, 0, 0, 1}, {Width(), Height(), Depth(), 0}, planeQuad_, opacity);
  } else {
    // Whole pixels: the translation cut toward zero, an odd size shifted by half a pixel.
    TdxMatrix m2 = GetAbsoluteMatrix();
    m2.M[3][0] = std::trunc(m2.M[3][0]);
    m2.M[3][1] = std::trunc(m2.M[3][1]);
    canvas->SetMatrix(m2);
    const float bw = static_cast<float>(bufferWidth_), bh = static_cast<float>(bufferHeight_);
    const float cx = bw / 2 - std::trunc(bw / 2), cy = bh / 2 - std::trunc(bh / 2);
    canvas->FillMesh({cx, cy, 0, 1}, {bw, bh, Depth(), 0}, screenQuad_, opacity);
  }
  canvas->Material().SetTexture(nullptr);
  canvas->SetRenderState(rsDiffuseOnly);
}

}  // namespace dx
