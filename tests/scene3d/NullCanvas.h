// A canvas whose back end does nothing: every drawing call is dropped and no frame opens
// (BeginScene answers false, as a canvas without a device does). Test canvases derive from it
// and override only what they write down; a scene makes it through
// TdxCanvasClassOf<NullCanvas> (both constructors of a canvas class are there).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene3d/Canvas.h"

namespace dxtest {

class NullCanvas : public dx::TdxCanvas {
public:
  using dx::TdxCanvas::TdxCanvas;
  ~NullCanvas() override { ReleaseBitmaps(); }

  void Clear(dx::TdxColor) override {}
  void ClearDepth() override {}
  void CopyToBitmap(std::uint32_t*) override {}
  void DrawLine(const dx::TdxVector&, const dx::TdxVector&, float) override {}
  void DrawCube(const dx::TdxVector&, const dx::TdxVector&, float) override {}
  void FillCube(const dx::TdxVector&, const dx::TdxVector&, float) override {}
  void FillMesh(const dx::TdxVector&, const dx::TdxVector&, const dx::TdxMeshData&, float) override {}
  void FillTriangles(const std::vector<dx::TdxCanvasVertex>&, const std::vector<std::uint16_t>&, float) override {}
  void FillPolygon(const dx::TdxVector&, const dx::TdxVector&, const vg::TvxRect&, const std::vector<vg::TvxPoint>&,
                   float, bool, bool, bool) override {}
  void FillText(const std::u16string&, float, float, float) override {}
  dx::TdxPoint3D MeasureText(const std::u16string&) override { return {}; }

protected:
  void ApplyState(dx::TdxRenderState) override {}
};

}  // namespace dxtest
