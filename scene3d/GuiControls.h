// Flat controls of the 3D tree laid out and drawn in window pixels: a layout, a coloured
// plane, an image, a text and a selection frame whose four corner grips move and resize it.
// Each is a layer in screen space (Width and Height are pixels, placement among the parent's
// layers follows LayerAlign) and is made 256 x 256 (the selection 100 x 100 x 1).
//
// The plane and the image draw a unit quad centred on their origin, scaled to the wanted
// size: four vertices in a 2 x 2 grid, index 2 * row + column, position (column - 0.5,
// row - 0.5, 0), normal (0, 0, 1), texture (column, row), triangles 0, 1, 2 and 2, 1, 3.
#pragma once

#include <memory>
#include <string>

#include "scene3d/Layers.h"
#include "scene3d/Materials.h"
#include "scene3d/ObjectLayer.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/TextShape.h"

namespace dx {

// Fills Mesh with the unit quad described above.
void dxBuildGuiQuad(TdxMeshData& Mesh);

// A layout: draws nothing.
class TdxGUILayout : public TdxCustomLayer {
  RTL_CLASS(TdxGUILayout, TdxCustomLayer)
public:
  explicit TdxGUILayout(rtl::TComponent* AOwner);
  void Render() override {}
};

// A plane in its own material, made in a random opaque colour.
class TdxGUIPlane : public TdxCustomLayer {
  RTL_CLASS(TdxGUIPlane, TdxCustomLayer)
public:
  explicit TdxGUIPlane(rtl::TComponent* AOwner);
  ~TdxGUIPlane() override;

  TdxMaterial* Material() const { return material_.get(); }
  // Copies Value into the own material.
  void SetMaterial(TdxMaterial* Value) { material_->Assign(Value); }
  const TdxMeshData& Quad() const { return *quad_; }

  // A material read without its diffuse colour takes the one its text left out.
  void Loaded() override;
  // The canvas takes the material.
  void BeforePaint() override;
  void Render() override;
  // Solid fill and smooth shading again.
  void AfterPaint() override;

private:
  std::unique_ptr<TdxMeshData> quad_;
  std::unique_ptr<TdxMaterial> material_;
};

// A bitmap on the quad, its texels as they are (white diffuse times the opacity): at its own
// size from the first corner (original), fitted into the layer keeping its proportions and
// never enlarged (fit), over the whole layer (stretch), or repeated from the first corner
// (tile). Tiles start every bitmap width and height; the last row and column may reach past
// the far edges (they are not cut), but no tile lies wholly beyond them, and all tiles are
// one draw. A bitmap without pixels draws nothing, and one a pixel wide or high tiles nothing.
class TdxGUIImage : public TdxCustomLayer {
  RTL_CLASS(TdxGUIImage, TdxCustomLayer)
public:
  explicit TdxGUIImage(rtl::TComponent* AOwner);
  ~TdxGUIImage() override;

  // The owned bitmap (1 x 1 when made); Value's pixels are copied into it.
  TdxBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TdxBitmap* Value) { bitmap_->Assign(Value); }
  vg::TvxImageWrap WrapMode() const { return wrapMode_; }
  void SetWrapMode(vg::TvxImageWrap Value);
  const TdxMeshData& Quad() const { return *quad_; }
  // The mesh of the last tiled draw: the quad over all tiles, its texture repeated.
  const TdxMeshData& TileQuad() const { return *tiles_; }

  void Render() override;

private:
  std::unique_ptr<TdxBitmap> bitmap_;
  std::unique_ptr<TdxMeshData> quad_;
  std::unique_ptr<TdxMeshData> tiles_;
  vg::TvxImageWrap wrapMode_ = vg::vgImageStretch;
};

// A text: an object layer holding one 2D text object (locked and never stored: it is made
// anew with the layer) whose Font, Fill and Text the layer's are. The layer's own background
// stays clear, and a design-time press on it is the designer's, not the text's.
class TdxGUIText : public TdxCustomObjectLayer {
  RTL_CLASS(TdxGUIText, TdxCustomObjectLayer)
public:
  explicit TdxGUIText(rtl::TComponent* AOwner);

  vg::TvxText* TextObject() const { return text_; }
  vg::TvxFont* Font() const;
  void SetFont(vg::TvxFont* Value);
  // The text object's brush (not the layer's background).
  vg::TvxBrush* Fill() const;
  void SetFill(vg::TvxBrush* Value);
  const std::u16string& Text() const;
  void SetText(const std::u16string& Value);
  // The text is drawn through the buffer alone.
  bool DrawsOnlyItsBuffer() const override;

private:
  vg::TvxText* text_ = nullptr;
};

// A frame with a grip on each corner: grip 1 at the first corner (0, 0) of the layer's
// coordinates, 2 at (Width, 0), 3 at (0, Height), 4 at (Width, Height). A grip's square is its
// corner +- GripSize (edges included), a size held to 1 .. 20 (a size that is no number is
// ignored); the frame is hit within that margin too. A left press
// starts a drag: from a grip it resizes the frame with the opposite corner fixed, elsewhere it
// moves the frame with the mouse. A step that would make a side smaller than MinSize is left
// out for that side, not clamped. The grip under the mouse, or the pressed one, is drawn red.
class TdxGUISelection : public TdxCustomLayer {
  RTL_CLASS(TdxGUISelection, TdxCustomLayer)
public:
  static constexpr int GripCount = 4;

  explicit TdxGUISelection(rtl::TComponent* AOwner);

  float GripSize() const { return gripSize_; }
  void SetGripSize(float Value);
  int MinSize() const { return minSize_; }
  // A side smaller than the new value grows to it at once (not while the object is read).
  void SetMinSize(int Value);
  bool Moving() const { return moving_; }
  // Grips 1 to 4.
  bool GripHot(int Grip) const { return hot_[Grip - 1]; }
  bool GripPressed(int Grip) const { return pressed_[Grip - 1]; }
  // Whether (X, Y) in layer coordinates lies on the grip's square.
  bool OnGrip(int Grip, float X, float Y) const;

  void MouseLeave() override;
  void Render() override;
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
  void LayerMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void LayerMouseMove(rtl::TShiftState Shift, float X, float Y) override;
  void LayerMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;

private:
  bool moving_ = false;
  float downX_ = 0, downY_ = 0;
  bool pressed_[GripCount] = {};
  bool hot_[GripCount] = {};
  float gripSize_ = 3;
  int minSize_ = 15;
};

// Names that streams may use for the image and the layout.
class TdxScreenImage : public TdxGUIImage {
  RTL_CLASS(TdxScreenImage, TdxGUIImage)
public:
  using TdxGUIImage::TdxGUIImage;
};

class TdxScreenDummy : public TdxGUILayout {
  RTL_CLASS(TdxScreenDummy, TdxGUILayout)
public:
  using TdxGUILayout::TdxGUILayout;
};

// The layout, image, plane, text and selection under "GUI"; the two other names for streams
// only.
void RegisterDxGuiControlClasses();

}  // namespace dx
