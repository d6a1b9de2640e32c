// A canvas that draws nothing and writes down, in order, every call that reaches the back end:
// the render-state codes that really changed ("state 6"), the world matrix ("matrix"), material
// colours as applied ("diffuse #FF60A799"), lights, and the drawing calls with their numbers.
// Objects under test may append their own entries to Log, so one list shows the whole order.
#pragma once

#include <string>
#include <vector>

#include "NullCanvas.h"
#include "scene3d/Canvas.h"
#include "scene3d/ValueText.h"

namespace dxtest {

class RecordingCanvas final : public NullCanvas {
public:
  explicit RecordingCanvas(int W = 400, int H = 300) : NullCanvas(0, W, H, false, dx::dxLowQuality) {
    lastDiffuse_ = Material().DiffuseColor();
  }

  std::vector<std::string> Log;
  std::vector<dx::TdxMatrix> Matrices;  // every SetMatrix, in order
  // The end points of every DrawLine.
  std::vector<dx::TdxVector> LineEnds;
  // The material's diffuse colour at every DrawLine.
  std::vector<dx::TdxColor> LineColours;
  // Where every FillText starts, and the size MeasureText gives.
  std::vector<dx::TdxVector> TextAt;
  dx::TdxPoint3D TextSize;
  // The points, the normalising rectangle and the material's diffuse colour of every FillPolygon.
  std::vector<std::vector<vg::TvxPoint>> Polygons;
  std::vector<vg::TvxRect> PolygonRects;
  std::vector<dx::TdxColor> PolygonColours;
  // Every FillMesh: centre, size, the mesh, and the material's diffuse colour and texture then.
  struct TMesh {
    dx::TdxVector Centre, Size;
    const dx::TdxMeshData* Mesh;
    dx::TdxColor Diffuse;
    dx::TdxBitmap* Texture;
  };
  std::vector<TMesh> Meshes;

  static std::string Num(float F) { return dx::dxFloatToText(F); }
  static std::string Vec(const dx::TdxVector& V) { return "(" + Num(V.X) + "," + Num(V.Y) + "," + Num(V.Z) + ")"; }

  void ApplyMaterial() override {
    const dx::TdxColor d = Material().DiffuseColor();
    if (d != lastDiffuse_) Log.push_back("diffuse " + dx::dxColorToText(d));
    lastDiffuse_ = d;
  }
  void AddLight(dx::TdxLight* Light) override {
    Log.push_back("light");
    TdxCanvas::AddLight(Light);
  }
  void SetMatrix(const dx::TdxMatrix& M) override {
    Log.push_back("matrix");
    Matrices.push_back(M);
    TdxCanvas::SetMatrix(M);
  }
  void DrawLine(const dx::TdxVector&, const dx::TdxVector& B, float Opacity) override {
    Log.push_back("line " + Num(Opacity));
    LineEnds.push_back(B);
    LineColours.push_back(Material().DiffuseColor());
  }
  void DrawCube(const dx::TdxVector& C, const dx::TdxVector& S, float Opacity) override {
    Log.push_back("wirecube " + Vec(C) + " " + Vec(S) + " " + Num(Opacity));
  }
  void FillCube(const dx::TdxVector& C, const dx::TdxVector& S, float Opacity) override {
    Log.push_back("cube " + Vec(C) + " " + Vec(S) + " " + Num(Opacity));
  }
  void FillMesh(const dx::TdxVector& C, const dx::TdxVector& S, const dx::TdxMeshData& M, float) override {
    Log.push_back("mesh");
    Meshes.push_back({C, S, &M, Material().DiffuseColor(), Material().Texture()});
  }
  void FillTriangles(const std::vector<dx::TdxCanvasVertex>&, const std::vector<std::uint16_t>&, float) override {
    Log.push_back("triangles");
  }
  // "polygon (centre) (size) F B S opacity", with the points and the rectangle kept.
  void FillPolygon(const dx::TdxVector& C, const dx::TdxVector& S, const vg::TvxRect& R,
                   const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back, bool Sides) override {
    Log.push_back("polygon " + Vec(C) + " " + Vec(S) + " " + (Front ? "F" : "-") + (Back ? "B" : "-") +
                  (Sides ? "S" : "-") + " " + Num(Opacity));
    Polygons.push_back(Points);
    PolygonRects.push_back(R);
    PolygonColours.push_back(Material().DiffuseColor());
  }
  void FillText(const std::u16string&, float X, float Y, float Opacity) override {
    Log.push_back("text");
    TextAt.push_back({X, Y, 0, Opacity});
  }
  dx::TdxPoint3D MeasureText(const std::u16string&) override { return TextSize; }

  // The entries that start with Prefix, in order.
  std::vector<std::string> Only(const std::string& Prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : Log)
      if (e.rfind(Prefix, 0) == 0) out.push_back(e);
    return out;
  }

protected:
  void ApplyState(dx::TdxRenderState Code) override { Log.push_back("state " + std::to_string(Code)); }

private:
  dx::TdxColor lastDiffuse_ = 0;
};

}  // namespace dxtest
