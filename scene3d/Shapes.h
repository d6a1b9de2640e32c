// The ready-made objects of the 3D library: a guide grid, the shape base with its material, a
// wire box, the mesh shapes (plane, box, sphere, cylinder, cone, rounded box, a mesh of the
// user's), flat text and a flat picture. Shapes3D.h holds the extruded 2D shapes.
//
// Every shape is laid out in its unit box, -0.5 .. 0.5 on each axis about its origin, and drawn
// scaled by (Width, Height, Depth). A shape draws in its own Material, whose diffuse alpha is
// scaled by the shape's absolute opacity; a new shape gets an opaque colour from the library's
// generator (dxRandSeed). Changes to a shape's material, mesh, font or bitmap repaint it.
//
// Hit tests take the ray in the shape's local space and give the point in scene coordinates.
// The box test, which most shapes use, finds the first face of the box (in the order +X, +Y,
// +Z, -X, -Y, -Z of their normals) that the ray enters ahead of its start, with a margin of
// 0.001 of the size so that edges are hit; a ray that starts inside the box finds nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/Materials.h"
#include "scene3d/MeshData.h"
#include "scene3d/ShapeMeshes.h"
#include "scene3d/VisualObjects.h"

namespace dx {

// The process-wide generator behind the shapes' first colours; seeded with 0 until reseeded.
void dxRandSeed(std::uint32_t Seed);
// Uniform in 0 .. Range - 1 (0 for a Range of 0).
std::uint32_t dxRandom(std::uint32_t Range);

// Lines on z = 0 every Frequency units from the centre out in both directions, across the
// object's Width and Height; every line at a whole multiple of Marks (the centre lines too)
// is stronger. Drawn in the canvas's material, unlit; hit where the ray meets z = 0 inside it.
class TdxGrid : public TdxVisualObject {
  RTL_CLASS(TdxGrid, TdxVisualObject)
public:
  // At most this many lines (and their mirror images) each way: no grid finer than that is seen.
  static constexpr int MaxLines = 10000;

  // Frequency 1, Marks 4, LineColor "#50505050", Depth 0.01.
  explicit TdxGrid(rtl::TComponent* AOwner);

  float Marks() const { return marks_; }
  // Any value; with 0 (or NaN) no line is a mark line.
  void SetMarks(float Value);
  float Frequency() const { return frequency_; }
  // 0 or less (or NaN) becomes 0.01.
  void SetFrequency(float Value);
  // "#AARRGGBB"; a change shows at the next repaint.
  std::string LineColor() const;
  void SetLineColor(const std::string& Value);
  TdxColor LineColorValue() const { return lineColor_; }

  // The grid is flat: Depth stays 0.01 whatever is asked.
  void SetDepth(float Value) override;
  void Render() override;
  // The point where the ray meets z = 0 is given in any case; true only strictly inside the
  // grid's Width and Height.
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

private:
  TdxColor lineColor_ = 0x50505050;
  float frequency_ = 1;
  float marks_ = 4;
};

// The base of the shapes: the owned material.
class TdxShape : public TdxVisualObject {
  RTL_CLASS(TdxShape, TdxVisualObject)
public:
  explicit TdxShape(rtl::TComponent* AOwner);
  ~TdxShape() override;

  TdxMaterial* Material() const { return material_.get(); }
  // Copies Value into the shape's own material.
  void SetMaterial(TdxMaterial* Value) { material_->Assign(Value); }

  // A material read without its diffuse colour takes the one its text left out.
  void Loaded() override;
  // The canvas draws in a copy of the material at the shape's absolute opacity.
  void BeforePaint() override;
  // Solid fill and smooth shading again, whatever the material asked for.
  void AfterPaint() override;

protected:
  // The box hit test on the shape's size.
  bool BoxHit(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) const;

private:
  std::unique_ptr<TdxMaterial> material_;
};

// The twelve edges of its box in its material's colour, unlit.
class TdxStrokeCube : public TdxShape {
  RTL_CLASS(TdxStrokeCube, TdxShape)
public:
  explicit TdxStrokeCube(rtl::TComponent* AOwner);
  void Render() override;
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
};

// A shape drawn from its own mesh data.
class TdxCustomMesh : public TdxShape {
  RTL_CLASS(TdxCustomMesh, TdxShape)
public:
  explicit TdxCustomMesh(rtl::TComponent* AOwner);
  ~TdxCustomMesh() override;

  TdxMeshData& MeshData() const { return *mesh_; }

  void Render() override;
  // The box test first; then the first triangle in index order that the ray meets (a triangle
  // naming a missing vertex is skipped). A mesh without vertices or indices is hit by its box
  // only while it is being designed (the hit point is then left as it was).
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

protected:
  // Replaces the mesh with a copy of a table.
  void LoadMesh(const TdxMeshTable& Table);

private:
  std::unique_ptr<TdxMeshData> mesh_;
};

// A square of 10 x 10 cells on the back face of its box. Depth becomes 0.01 once it is set.
// While it holds the mouse, it is hit anywhere within ten times its width and height.
class TdxPlane : public TdxCustomMesh {
  RTL_CLASS(TdxPlane, TdxCustomMesh)
public:
  explicit TdxPlane(rtl::TComponent* AOwner);
  void SetDepth(float Value) override;
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
};

// A box in 6 x 6 squares a face (7 along Z on the sides). Hit as a box.
class TdxCube : public TdxCustomMesh {
  RTL_CLASS(TdxCube, TdxCustomMesh)
public:
  explicit TdxCube(rtl::TComponent* AOwner);
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
};

// A mesh of the user's, published as Data.
class TdxMesh : public TdxCustomMesh {
  RTL_CLASS(TdxMesh, TdxCustomMesh)
public:
  using TdxCustomMesh::TdxCustomMesh;
  TdxMeshData* Data() const { return &MeshData(); }
  void SetData(TdxMeshData* Value) { MeshData().Assign(Value); }
};

// An ellipsoid filling its box, poles on Z. Hit as the ellipsoid itself (never when a side of
// its box is 0); from inside, where the ray leaves it.
class TdxSphere : public TdxCustomMesh {
  RTL_CLASS(TdxSphere, TdxCustomMesh)
public:
  explicit TdxSphere(rtl::TComponent* AOwner);
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

protected:
  // An ellipsoid body.
  TdxBody CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size) override;
};

// Round along the X axis, both ends closed.
class TdxCylinder : public TdxCustomMesh {
  RTL_CLASS(TdxCylinder, TdxCustomMesh)
public:
  explicit TdxCylinder(rtl::TComponent* AOwner);

protected:
  // A cylinder body of radius Width / 2 and length Depth, along X.
  TdxBody CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size) override;
};

// Its base at -X, its apex at +X.
class TdxCone : public TdxCustomMesh {
  RTL_CLASS(TdxCone, TdxCustomMesh)
public:
  explicit TdxCone(rtl::TComponent* AOwner);

protected:
  // A cone body of radius Width / 2 and length Depth, along X.
  TdxBody CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size) override;
};

// A box with rounded edges and corners.
class TdxRoundCube : public TdxCustomMesh {
  RTL_CLASS(TdxRoundCube, TdxCustomMesh)
public:
  explicit TdxRoundCube(rtl::TComponent* AOwner);
};

// One line of text centred on the object's origin in the canvas's text plane, unlit and
// without depth writes. Height 0.1; hit as its box, whatever the text's size.
class TdxText : public TdxShape {
  RTL_CLASS(TdxText, TdxShape)
public:
  explicit TdxText(rtl::TComponent* AOwner);
  ~TdxText() override;

  TdxFont* Font() const { return font_.get(); }
  void SetFont(TdxFont* Value) { font_->Assign(Value); }
  const std::u16string& Text() const { return text_; }
  void SetText(const std::u16string& Value);

  void Render() override;
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

private:
  std::unique_ptr<TdxFont> font_;
  std::u16string text_;
};

// A picture in the X-Z plane of its box (Y is its thickness), its bitmap's texels as they are,
// sampled linearly; 4 x 0.1 x 3. An empty bitmap draws nothing; hit as its box either way.
class TdxImage : public TdxCustomMesh {
  RTL_CLASS(TdxImage, TdxCustomMesh)
public:
  explicit TdxImage(rtl::TComponent* AOwner);
  ~TdxImage() override;

  // The owned bitmap itself; streams read into it.
  TdxBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TdxBitmap* Value) { bitmap_->Assign(Value); }

  // In screen space the picture is flat: Depth stays 0.1.
  void SetDepth(float Value) override;
  void Render() override;
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;

private:
  std::unique_ptr<TdxMeshData> quad_;
  std::unique_ptr<TdxBitmap> bitmap_;
};

// Registers TdxShape (for streams), then the shapes under "Shapes" in the designer's order,
// and the extruded shapes under "3D".
void RegisterDxShapeClasses();

}  // namespace dx
