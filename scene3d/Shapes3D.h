// Extruded 2D shapes: an outline of the 2D library (a rounded rectangle, an ellipse, text, any
// path) flattened into a polygon and filled by the canvas as a slab Depth deep, with a front
// cap, a back cap and side walls, each in its own material.
//
// The outline is laid out in 2D coordinates 0 .. Width by 0 .. Height (Y down) and drawn
// centred on the object's origin, its 2D Y axis pointing up. Nothing is kept between frames:
// every paint builds and flattens the outline again. The mouse on a shape is also reported
// through the ShapeMouse hooks, at the point of the outline it is over.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene3d/Shapes.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/PathData.h"

namespace dx {

RTL_ENUM(TdxShape3DSide, dxShape3DFront, dxShape3DBack, dxShape3DLeft);
using TdxShape3DSides = rtl::TSet<TdxShape3DSide>;
inline constexpr TdxShape3DSides AllShape3DSides{dxShape3DFront, dxShape3DBack, dxShape3DLeft};

class TdxShape3D : public TdxShape {
  RTL_CLASS(TdxShape3D, TdxShape)
public:
  // 4 x 4 x 1, all sides, Flatness 1, drawn from both sides; the back and side materials
  // start in the front material's colour.
  explicit TdxShape3D(rtl::TComponent* AOwner);
  ~TdxShape3D() override;

  float Flatness() const { return flatness_; }
  // Below 0.05 (or NaN) becomes 0.05.
  void SetFlatness(float Value);
  TdxShape3DSides Sides() const { return sides_; }
  void SetSides(TdxShape3DSides Value);
  // The back cap's and the walls' materials (the front cap's is Material).
  TdxMaterial* MaterialBack() const { return materialBack_.get(); }
  void SetMaterialBack(TdxMaterial* Value) { materialBack_->Assign(Value); }
  TdxMaterial* MaterialLeft() const { return materialLeft_.get(); }
  void SetMaterialLeft(TdxMaterial* Value) { materialLeft_->Assign(Value); }

  // The outline's 2D point under the pointer: X from its left edge, Y from its top edge.
  virtual void ShapeMouseMove(rtl::TShiftState, float, float) {}
  virtual void ShapeMouseDown(rtl::TMouseButton, rtl::TShiftState, float, float) {}
  virtual void ShapeMouseUp(rtl::TMouseButton, rtl::TShiftState, float, float) {}

  // The back and wall materials read without their diffuse colour take the one left out.
  void Loaded() override;
  // The front material, and the canvas matrix moved by (-Width/2, -Height/2, 0) first.
  void BeforePaint() override;
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
  // Move and down reach the hooks when the ray hits the shape; up always does, with the
  // event's own X and Y when it misses.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
               const TdxVector& RayDir) override;

protected:
  // Fills the polygon's caps and walls as Sides asks, each in its material, in the box of
  // Size about Center (in the outline's frame, before the matrix of BeforePaint); Frame, when
  // it has an area, is the 2D rectangle spread over that box instead of the polygon's bounds.
  // A polygon whose points span no area draws nothing.
  void DrawSides(const std::vector<vg::TvxPoint>& Polygon, const TdxVector& Center, const TdxVector& Size,
                 const vg::TvxRect& Frame);
  // The same in the box of Size about each of Centers (boxes side by side, not overlapping):
  // each side of all boxes in one call of the canvas, in that side's material.
  void DrawSides(const std::vector<vg::TvxPoint>& Polygon, const std::vector<TdxVector>& Centers,
                 const TdxVector& Size);
  // A closed outline at the size of its own bounds; nothing when they are flat.
  void DrawOutline(const vg::TvxPathData& Path);
  // The centre of the outline's frame, (Width/2, Height/2, 0).
  TdxVector FrameCenter() const { return {Width() / 2, Height() / 2, 0, 1}; }
  // In a designed scene, unless locked: a translucent wire box round the shape.
  void DrawDesignFrame();

private:
  // F(canvas, opacity, Front, Back, Walls) for each side Sides asks for, in its material.
  template <class Fill>
  void FillSides(const Fill& F);
  // The outline's 2D point where the ray hits the shape; false on a miss.
  bool ShapePoint(const TdxVector& RayPos, const TdxVector& RayDir, float& X, float& Y);

  std::unique_ptr<TdxMaterial> materialBack_;
  std::unique_ptr<TdxMaterial> materialLeft_;
  float flatness_ = 1;
  TdxShape3DSides sides_ = AllShape3DSides;
};

// A rectangle with round, cut or inward corners.
class TdxRectangle3D : public TdxShape3D {
  RTL_CLASS(TdxRectangle3D, TdxShape3D)
public:
  using TdxShape3D::TdxShape3D;
  float xRadius() const { return xRadius_; }
  void SetxRadius(float Value);
  float yRadius() const { return yRadius_; }
  void SetyRadius(float Value);
  vg::TvxCorners Corners() const { return corners_; }
  void SetCorners(vg::TvxCorners Value);
  vg::TvxCornerType CornerType() const { return cornerType_; }
  void SetCornerType(vg::TvxCornerType Value);
  void Render() override;

private:
  float xRadius_ = 0;
  float yRadius_ = 0;
  vg::TvxCorners corners_ = vg::AllCorners;
  vg::TvxCornerType cornerType_ = vg::vgCornerRound;
};

class TdxEllipse3D : public TdxShape3D {
  RTL_CLASS(TdxEllipse3D, TdxShape3D)
public:
  using TdxShape3D::TdxShape3D;
  void Render() override;
};

// Text outlines laid out at ten 2D units per object unit in the Width x Height box, by the
// 2D library's text layout: stretched over the box, or at their own size with the box as the
// least frame. 3 x 1 x 0.3, word wrap on.
class TdxText3D : public TdxShape3D {
  RTL_CLASS(TdxText3D, TdxShape3D)
public:
  explicit TdxText3D(rtl::TComponent* AOwner);
  ~TdxText3D() override;

  TdxFont* Font() const { return font_.get(); }
  void SetFont(TdxFont* Value) { font_->Assign(Value); }
  const std::u16string& Text() const { return text_; }
  void SetText(const std::u16string& Value);
  // Takes effect at the next repaint.
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value) { wordWrap_ = Value; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);
  vg::TvxTextAlign HorzTextAlign() const { return horzTextAlign_; }
  void SetHorzTextAlign(vg::TvxTextAlign Value);
  vg::TvxTextAlign VertTextAlign() const { return vertTextAlign_; }
  void SetVertTextAlign(vg::TvxTextAlign Value);
  void Render() override;

private:
  std::unique_ptr<TdxFont> font_;
  std::u16string text_;
  bool wordWrap_ = true;
  bool stretch_ = false;
  vg::TvxTextAlign horzTextAlign_ = vg::vgTextAlignCenter;
  vg::TvxTextAlign vertTextAlign_ = vg::vgTextAlignCenter;
};

// Any path: at its own size, fitted into the box (never enlarged, its proportions kept
// exactly), stretched over it, or repeated from the box's top left corner over the part of the
// box the frame shows (tiles smaller than MinTilePixels on the frame are spread over that part,
// as many as fit at that size, so that the face is covered to its edges; at most MaxTiles each
// way from the corner when no part of the box lies before the eye).
class TdxPath3D : public TdxShape3D {
  RTL_CLASS(TdxPath3D, TdxShape3D)
public:
  static constexpr int MaxTiles = 64;
  // The least size on the frame, in pixels, at which every tile is drawn: the golden ratio.
  static constexpr double MinTilePixels = 1.6180339887498949;

  // Flatness 2, stretched.
  explicit TdxPath3D(rtl::TComponent* AOwner);
  ~TdxPath3D() override;

  vg::TvxPathData* Path() const { return path_.get(); }
  void SetPath(vg::TvxPathData* Value) { path_->Assign(Value); }
  vg::TvxPathWrap WrapMode() const { return wrapMode_; }
  void SetWrapMode(vg::TvxPathWrap Value);
  void Render() override;
  // The columns or rows of tiles of Extent that Length takes: Length / Extent rounded, plus
  // one; none for a negative or NaN quotient; at most Limit.
  static int TileCount(float Length, float Extent, int Limit);

private:
  // The polygon, W x H, repeated over the box as far as the frame can show it.
  void DrawTiles(const std::vector<vg::TvxPoint>& Polygon, float W, float H);

  std::unique_ptr<vg::TvxPathData> path_;
  vg::TvxPathWrap wrapMode_ = vg::vgPathStretch;
};

}  // namespace dx
