// Layers: flat rectangles of a 3D tree that carry 2D content.
//
// A layer drawn through the camera lies in its local X-Z plane (Width along X, Depth along Z,
// Height only thickens its hit box); a layer drawn in screen space lies in its local X-Y plane
// with Y downwards and one unit per window pixel (Depth only thickens its hit box). A ray that
// hits a layer becomes a point in layer coordinates, (0, 0) at the top left corner, and the
// layer's mouse events carry that point cut toward zero.
//
// A buffer layer keeps a 32-bit bitmap, its buffer, and draws it as a textured quad tinted by
// ModulationColor. The buffer has Resolution pixels per unit through the camera and one pixel
// per unit in screen space (sizes rounded half to even); it follows the layer's size at the
// next paint, not at once. A screen-space quad is snapped to whole pixels so that the buffer's
// pixels fall one to one on the window's. Buffer layers are bitmap resources under their name.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/Events.h"
#include "scene3d/Bitmaps.h"
#include "scene3d/MeshData.h"
#include "scene3d/VisualObjects.h"

namespace dx {

// Layer mouse events: the point in layer coordinates cut toward zero.
using TdxLayerMouseEvent =
    rtl::TEvent<void(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y)>;
using TdxLayerMouseMoveEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TShiftState Shift, int X, int Y)>;

class TdxCustomLayer : public TdxVisualObject {
  RTL_CLASS(TdxCustomLayer, TdxVisualObject)
public:
  // Two-sided, 4 x 1 x 3.
  explicit TdxCustomLayer(rtl::TComponent* AOwner);

  bool IsLayer() const override { return true; }
  TdxLayerAlign LayerAlign() const override { return layerAlign_; }
  // A change makes a visual parent realign.
  void SetLayerAlign(TdxLayerAlign Value);
  bool ScreenSpace() const { return Projection() == dxProjectionScreen; }

  // The inherited work (the object's own events), then the ray mapped to layer coordinates
  // reaches LayerMouseDown / Move / Up. No layer event when the ray misses or the layer has no
  // area to map onto.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
               const TdxVector& RayDir) override;
  // The box of the layer (accepting 0.503 of its size each side); while the layer holds the
  // host's capture a box ten times as large, so a drag off the layer still maps.
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
  void Render() override {}

  // Fire the events with the point cut toward zero; subclasses route it into their content.
  virtual void LayerMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  virtual void LayerMouseMove(rtl::TShiftState Shift, float X, float Y);
  virtual void LayerMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);

  TdxLayerMouseMoveEvent OnLayerMouseMove;
  TdxLayerMouseEvent OnLayerMouseDown;
  TdxLayerMouseEvent OnLayerMouseUp;

protected:
  bool HoldsCapture() const;
  // The box test, then the enlarged one under capture.
  bool LayerBoxHit(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) const;
  // While the layer holds the capture: a ray within ten times its size meets its plane there.
  bool CapturedHit(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) const;
  // Scene point Hit to layer coordinates scaled to SizeX x SizeY (the layer's units or the
  // buffer's pixels); false when the layer is flat in a mapped axis.
  bool MapHit(const TdxVector& Hit, float SizeX, float SizeY, float& X, float& Y) const;
  // Whether the base mouse operations map the ray (a buffer layer maps by itself).
  bool skipLayerMapping_ = false;

private:
  enum class TLayerCall { Down, Move, Up };
  void MapAndCall(TLayerCall Call, rtl::TMouseButton Button, rtl::TShiftState Shift, const TdxVector& RayPos,
                  const TdxVector& RayDir);

  TdxLayerAlign layerAlign_ = dxLayerNone;
};

class TdxCustomBufferLayer : public TdxCustomLayer, public IdxBitmapResource {
  RTL_CLASS(TdxCustomBufferLayer, TdxCustomLayer)
public:
  // Resolution 60, opaque white modulation, 4 x 1 x 3: a 240 x 180 buffer.
  explicit TdxCustomBufferLayer(rtl::TComponent* AOwner);
  ~TdxCustomBufferLayer() override;
  void BeforeDestruction() override;

  int Resolution() const { return resolution_; }
  // Through the camera the buffer size follows at once; in screen space it stays.
  void SetResolution(int Value);
  TdxColor ModulationColorValue() const { return modulation_; }
  std::string ModulationColor() const;
  void SetModulationColor(const std::string& Value);
  void SetModulationColorValue(TdxColor Value);
  int BufferWidth() const { return bufferWidth_; }
  int BufferHeight() const { return bufferHeight_; }
  // The layer's pixels; its size follows BufferWidth x BufferHeight at the next BeforePaint.
  TdxBitmap* GetBuffer() const { return buffer_.get(); }
  const TdxMeshData& PlaneQuad() const { return planeQuad_; }
  const TdxMeshData& ScreenQuad() const { return screenQuad_; }
  // Where buffer pixel (0, 0) falls in the host's client pixels when the layer lies one to one
  // on the screen: drawn in screen space, neither turned nor scaled, in the plane z = 0. False
  // for any other layer.
  bool ScreenPlacement(int& X, int& Y) const;

  void SetWidth(float Value) override;
  void SetHeight(float Value) override;
  void SetDepth(float Value) override;
  // Buffer pixel coordinates reach the layer operations.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
               const TdxVector& RayDir) override;
  // The box decides; then the quad's triangles give the point.
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
  // Brings the buffer to its size, then OnBeforePaint.
  void BeforePaint() override;
  // OnUpdateBuffer, then the buffer as a texture on the quad.
  void Render() override;

  void SetName(const std::string& NewName) override;
  TdxBitmap* ResourceBitmap() override { return buffer_.get(); }

  // Fired on every draw, before the buffer is drawn.
  rtl::TNotifyEvent OnUpdateBuffer;

protected:
  // A scene point on the layer to buffer pixels; false when it cannot be mapped.
  bool HitToBuffer(const TdxVector& Hit, float& X, float& Y) const;

private:
  void RecalcBufferWidth();
  void RecalcBufferHeight();

  int resolution_ = 60;
  TdxColor modulation_ = 0xFFFFFFFFu;
  int bufferWidth_ = 0;
  int bufferHeight_ = 0;
  std::unique_ptr<TdxBitmap> buffer_;
  TdxMeshData planeQuad_;
  TdxMeshData screenQuad_;
  bool listed_ = false;
};

// A buffer layer for direct use: whoever handles OnUpdateBuffer paints the buffer.
class TdxBufferLayer : public TdxCustomBufferLayer {
  RTL_CLASS(TdxBufferLayer, TdxCustomBufferLayer)
public:
  using TdxCustomBufferLayer::TdxCustomBufferLayer;
};

// A float to the nearest int, halves to even, saturated (NaN gives 0).
int dxRoundPixels(float Value);

}  // namespace dx
