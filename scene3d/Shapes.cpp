#include "scene3d/Shapes.h"

#include <cmath>
#include <random>

#include "scene3d/Canvas.h"
#include "scene3d/PublishedLayout.h"
#include "scene3d/Shapes3D.h"
#include "scene3d/ValueText.h"

namespace dx {

// ---- the colour generator --------------------------------------------------------------------------

namespace {
std::mt19937& Generator() {
  static std::mt19937 generator(0);
  return generator;
}
}  // namespace

void dxRandSeed(std::uint32_t Seed) { Generator().seed(Seed); }

std::uint32_t dxRandom(std::uint32_t Range) {
  if (Range == 0) return 0;
  return std::uniform_int_distribution<std::uint32_t>(0, Range - 1)(Generator());
}

// ---- grid -------------------------------------------------------------------------------------------

rtl::TClass TdxGrid::StaticClass() {
  using G = TdxGrid;
  static const rtl::TClassInfo info = PublishLayout(rtl::DefineClass<G>())
                                          .Property("Marks", &G::Marks, &G::SetMarks)
                                          .NoDefault()
                                          .Property("Frequency", &G::Frequency, &G::SetFrequency)
                                          .NoDefault()
                                          .Property("LineColor", &G::LineColor, &G::SetLineColor)
                                          .Build();
  return &info;
}

TdxGrid::TdxGrid(rtl::TComponent* AOwner) : TdxVisualObject(AOwner) { SetDepth(0.01f); }

void TdxGrid::SetMarks(float Value) {
  if (Value == marks_) return;
  marks_ = Value;
  Repaint();
}

void TdxGrid::SetFrequency(float Value) {
  if (!(Value > 0)) Value = 0.01f;
  if (Value == frequency_) return;
  frequency_ = Value;
  Repaint();
}

std::string TdxGrid::LineColor() const { return dxColorToText(lineColor_); }

void TdxGrid::SetLineColor(const std::string& Value) { lineColor_ = dxTextToColor(Value); }

void TdxGrid::SetDepth(float) { TdxVisualObject::SetDepth(0.01f); }

void TdxGrid::Render() {
  TdxVisualObject::Render();
  TdxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  TdxMaterial& m = canvas->Material();
  m.SetLighting(false);
  m.SetBitmap("");
  const float opacity = GetAbsoluteOpacity();
  const auto colourAt = [&](float At) {
    const bool mark = marks_ != 0 && At == std::trunc(At) && At / marks_ == std::trunc(At / marks_);
    m.SetDiffuseColor(mark ? dxOpacityColor((lineColor_ & 0x00FFFFFF) | 0xA0000000, opacity)
                           : dxOpacityColor(lineColor_, Opacity()));
  };
  // Outwards from the centre until the edge, until a step no longer moves the line on, or
  // until MaxLines.
  const float w = Width() / 2, h = Height() / 2;
  int lines = 0;
  for (float x = 0; w > x && lines < MaxLines; ++lines) {
    colourAt(x);
    canvas->DrawLine({x, h, 0, 1}, {x, -h, 0, 1}, opacity);
    canvas->DrawLine({-x, h, 0, 1}, {-x, -h, 0, 1}, opacity);
    const float next = x + frequency_;
    if (!(next > x)) break;
    x = next;
  }
  lines = 0;
  for (float y = 0; h > y && lines < MaxLines; ++lines) {
    colourAt(y);
    canvas->DrawLine({w, y, 0, 1}, {-w, y, 0, 1}, opacity);
    canvas->DrawLine({w, -y, 0, 1}, {-w, -y, 0, 1}, opacity);
    const float next = y + frequency_;
    if (!(next > y)) break;
    y = next;
  }
}

bool TdxGrid::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  TdxVector p;
  if (!dxRayPlaneIntersect(RayPos, RayDir, {0, 0, 0, 1}, {0, 0, 1, 0}, p)) return false;
  Hit = LocalToAbsolute({p.X, p.Y, p.Z, 1});
  return std::fabs(p.X) < Width() / 2 && std::fabs(p.Y) < Height() / 2;
}

// ---- shape ------------------------------------------------------------------------------------------

rtl::TClass TdxShape::StaticClass() {
  static const rtl::TClassInfo info = PublishLayout(rtl::DefineClass<TdxShape>())
                                          .Property("Material", &TdxShape::Material, &TdxShape::SetMaterial)
                                          .Build();
  return &info;
}

TdxShape::TdxShape(rtl::TComponent* AOwner) : TdxVisualObject(AOwner), material_(std::make_unique<TdxMaterial>()) {
  material_->StartDiffuse(0xFF000000 | dxRandom(0xFFFFFF));
  material_->OnChange = [this](rtl::TObject*) { Repaint(); };
}

TdxShape::~TdxShape() = default;

void TdxShape::Loaded() {
  // Read from a text that left the colour out: the colour it was written in.
  if (!material_->DiffuseGiven()) material_->SetDiffuseColor(TdxMaterial::DefaultDiffuse);
  TdxVisualObject::Loaded();
}

void TdxShape::BeforePaint() {
  TdxVisualObject::BeforePaint();
  if (TdxCanvas* canvas = GetCanvas()) canvas->UseMaterial(*material_, GetAbsoluteOpacity());
}

void TdxShape::AfterPaint() {
  TdxVisualObject::AfterPaint();
  if (TdxCanvas* canvas = GetCanvas()) {
    canvas->SetRenderState(rsSolid);
    canvas->SetRenderState(rsGouraudShading);
  }
}

bool TdxShape::BoxHit(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) const {
  return BoxRayCast(RayPos, RayDir, {Width(), Height(), Depth(), 0}, 0.501f, Hit);
}

// ---- wire box ---------------------------------------------------------------------------------------

rtl::TClass TdxStrokeCube::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxStrokeCube>().Build();
  return &info;
}

TdxStrokeCube::TdxStrokeCube(rtl::TComponent* AOwner) : TdxShape(AOwner) { Material()->SetLighting(false); }

void TdxStrokeCube::Render() {
  TdxShape::Render();
  if (TdxCanvas* canvas = GetCanvas()) canvas->DrawCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 0}, GetAbsoluteOpacity());
}

bool TdxStrokeCube::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  return BoxHit(RayPos, RayDir, Hit);
}

// ---- meshes -----------------------------------------------------------------------------------------

rtl::TClass TdxCustomMesh::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxCustomMesh>().Build();
  return &info;
}

TdxCustomMesh::TdxCustomMesh(rtl::TComponent* AOwner) : TdxShape(AOwner), mesh_(std::make_unique<TdxMeshData>()) {
  mesh_->OnChange = [this](rtl::TObject*) { Repaint(); };
}

TdxCustomMesh::~TdxCustomMesh() = default;

void TdxCustomMesh::LoadMesh(const TdxMeshTable& Table) {
  mesh_->Vertices() = Table.Vertices;
  mesh_->Indexes() = Table.Indexes;
  mesh_->Changed();
}

void TdxCustomMesh::Render() {
  if (TdxCanvas* canvas = GetCanvas())
    canvas->FillMesh({0, 0, 0, 1}, {Width(), Height(), Depth(), 0}, *mesh_, GetAbsoluteOpacity());
}

bool TdxCustomMesh::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  TdxVector box;
  if (!BoxHit(RayPos, RayDir, box)) return false;
  const std::vector<TdxMeshVertex>& v = mesh_->Vertices();
  const std::vector<std::uint16_t>& idx = mesh_->Indexes();
  if (v.empty() || idx.empty()) return ComponentState().Contains(rtl::csDesigning);
  const auto at = [&](std::uint16_t I) {
    return TdxVector{v[I].X * Width(), v[I].Y * Height(), v[I].Z * Depth(), 1};
  };
  for (size_t t = 0; t + 2 < idx.size(); t += 3) {
    const std::uint16_t a = idx[t], b = idx[t + 1], c = idx[t + 2];
    if (a >= v.size() || b >= v.size() || c >= v.size()) continue;
    TdxVector p;
    if (dxRayTriangleIntersect(RayPos, RayDir, at(a), at(b), at(c), &p)) {
      Hit = LocalToAbsolute({p.X, p.Y, p.Z, 1});
      return true;
    }
  }
  return false;
}

rtl::TClass TdxPlane::StaticClass() {
  // A new plane keeps the depth of 1 until its depth is first set, which makes it 0.01: 1 is
  // left out of the text, so that a new plane reads back as new.
  static const rtl::TClassInfo info =
      rtl::DefineClass<TdxPlane>().Property("Depth", &TdxPlane::Depth, &TdxPlane::SetDepth).Default(1.0f).Build();
  return &info;
}

TdxPlane::TdxPlane(rtl::TComponent* AOwner) : TdxCustomMesh(AOwner) { LoadMesh(dxPlaneMesh()); }

void TdxPlane::SetDepth(float) { TdxCustomMesh::SetDepth(0.01f); }

bool TdxPlane::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  if (BoxHit(RayPos, RayDir, Hit)) return true;
  // A plane dragged with the mouse keeps it even when the pointer runs ahead of it.
  return Scene() && Scene()->GetCaptured() == this &&
         BoxRayCast(RayPos, RayDir, {10 * Width(), 10 * Height(), Depth(), 0}, 0.501f, Hit);
}

rtl::TClass TdxCube::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxCube>().Build();
  return &info;
}

TdxCube::TdxCube(rtl::TComponent* AOwner) : TdxCustomMesh(AOwner) { LoadMesh(dxCubeMesh()); }

bool TdxCube::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  return BoxHit(RayPos, RayDir, Hit);
}

rtl::TClass TdxMesh::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TdxMesh>().Property("Data", &TdxMesh::Data, &TdxMesh::SetData).Build();
  return &info;
}

rtl::TClass TdxSphere::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxSphere>().Build();
  return &info;
}

TdxSphere::TdxSphere(rtl::TComponent* AOwner) : TdxCustomMesh(AOwner) { LoadMesh(dxSphereMesh()); }

TdxBody TdxSphere::CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size) {
  return Engine.CreateSphereBody(this, Size);
}

bool TdxSphere::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  const float w = Width(), h = Height(), d = Depth();
  if (w == 0 || h == 0 || d == 0) return false;
  // In the space where the shape is the unit sphere.
  const TdxVector start{RayPos.X * 2 / w, RayPos.Y * 2 / h, RayPos.Z * 2 / d, 1};
  const TdxVector dir = dxVectorNormalize({RayDir.X / (2 * w), RayDir.Y / (2 * h), RayDir.Z / (2 * d), 0});
  TdxVector nearPoint, farPoint;
  if (dxRaySphereIntersect(start, dir, {0, 0, 0, 1}, 1, nearPoint, farPoint) == 0) return false;
  Hit = LocalToAbsolute({nearPoint.X * w / 2, nearPoint.Y * h / 2, nearPoint.Z * d / 2, 1});
  return true;
}

rtl::TClass TdxCylinder::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxCylinder>().Build();
  return &info;
}

TdxCylinder::TdxCylinder(rtl::TComponent* AOwner) : TdxCustomMesh(AOwner) { LoadMesh(dxCylinderMesh()); }

TdxBody TdxCylinder::CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size) {
  return Engine.CreateCylinderBody(this, Size);
}

rtl::TClass TdxCone::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxCone>().Build();
  return &info;
}

TdxCone::TdxCone(rtl::TComponent* AOwner) : TdxCustomMesh(AOwner) { LoadMesh(dxConeMesh()); }

TdxBody TdxCone::CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size) {
  return Engine.CreateConeBody(this, Size);
}

rtl::TClass TdxRoundCube::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxRoundCube>().Build();
  return &info;
}

TdxRoundCube::TdxRoundCube(rtl::TComponent* AOwner) : TdxCustomMesh(AOwner) { LoadMesh(dxRoundCubeMesh()); }

// ---- flat text --------------------------------------------------------------------------------------

rtl::TClass TdxText::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxText>()
                                          .Property("Font", &TdxText::Font, &TdxText::SetFont)
                                          .Property("Text", &TdxText::Text, &TdxText::SetText)
                                          .Build();
  return &info;
}

TdxText::TdxText(rtl::TComponent* AOwner) : TdxShape(AOwner), font_(std::make_unique<TdxFont>()) {
  font_->OnChange = [this](rtl::TObject*) { Repaint(); };
  SetHeight(0.1f);
  Material()->SetLighting(false);
  SetZWrite(false);
}

TdxText::~TdxText() = default;

void TdxText::SetText(const std::u16string& Value) {
  if (Value == text_) return;
  text_ = Value;
  Repaint();
}

void TdxText::Render() {
  TdxShape::Render();
  TdxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  canvas->Font().Assign(font_.get());
  const TdxPoint3D size = canvas->MeasureText(text_);
  canvas->FillText(text_, -size.X / 2, -size.Y / 2, GetAbsoluteOpacity());
}

bool TdxText::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  return BoxHit(RayPos, RayDir, Hit);
}

// ---- picture ----------------------------------------------------------------------------------------

rtl::TClass TdxImage::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TdxImage>().Property("Bitmap", &TdxImage::Bitmap, &TdxImage::SetBitmap).Build();
  return &info;
}

TdxImage::TdxImage(rtl::TComponent* AOwner)
    : TdxCustomMesh(AOwner), quad_(std::make_unique<TdxMeshData>()), bitmap_(std::make_unique<TdxBitmap>(0, 0)) {
  quad_->Vertices() = {dxMeshVertex(-0.5f, 0, -0.5f, 0, -1, 0, 0, 1), dxMeshVertex(0.5f, 0, -0.5f, 0, -1, 0, 1, 1),
                       dxMeshVertex(0.5f, 0, 0.5f, 0, -1, 0, 1, 0), dxMeshVertex(-0.5f, 0, 0.5f, 0, -1, 0, 0, 0)};
  quad_->Indexes() = {0, 3, 1, 3, 2, 1};
  bitmap_->OnChange = [this](rtl::TObject*) { Repaint(); };
  SetWidth(4);
  SetHeight(0.1f);
  SetDepth(3);
}

TdxImage::~TdxImage() = default;

void TdxImage::SetDepth(float Value) {
  TdxCustomMesh::SetDepth(Projection() == dxProjectionScreen ? 0.1f : Value);
}

void TdxImage::Render() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas || bitmap_->Width() * bitmap_->Height() <= 0) return;
  const float opacity = GetAbsoluteOpacity();
  TdxMaterial& m = canvas->Material();
  {
    // One application of the material for the four changes.
    rtl::TEventMute quiet(m.OnChange);
    m.SetTexture(bitmap_.get());
    m.SetDiffuseColor(dxOpacityColor(0xFFFFFFFF, opacity));
    m.SetLighting(false);
    m.SetBitmapMode(dxTexReplace);
  }
  canvas->ApplyMaterial();
  canvas->SetRenderState(rsTextureLinear);
  canvas->FillMesh({0, 0, 0, 1}, {Width(), 0, Depth(), 0}, *quad_, opacity);
  m.SetTexture(nullptr);
}

bool TdxImage::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  return BoxHit(RayPos, RayDir, Hit);
}

// ---- registration -----------------------------------------------------------------------------------

void RegisterDxShapeClasses() {
  rtl::RegisterClasses<TdxShape, TdxShape3D>();
  RegisterDxClasses("Shapes", {TdxPlane::StaticClass(), TdxCube::StaticClass(), TdxMesh::StaticClass(),
                               TdxSphere::StaticClass(), TdxCylinder::StaticClass(), TdxRoundCube::StaticClass(),
                               TdxCone::StaticClass(), TdxText::StaticClass(), TdxImage::StaticClass(),
                               TdxGrid::StaticClass(), TdxStrokeCube::StaticClass()});
  RegisterDxClasses("3D", {TdxText3D::StaticClass(), TdxPath3D::StaticClass(), TdxRectangle3D::StaticClass(),
                           TdxEllipse3D::StaticClass()});
}

}  // namespace dx
