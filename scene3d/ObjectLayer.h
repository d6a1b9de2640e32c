// The object layer: a buffer layer that hosts a tree of 2D objects and is their host
// (vg::IvxScene), the way a 2D scene control is in a 2D window. Every window of the program is a
// 3D scene whose root holds one GUI object layer with the window's 2D controls.
//
// Painting: the 2D objects report dirty rectangles in buffer pixels; the layer keeps them
// (widened to whole pixels, dropped when they miss the buffer) and asks its 3D host for a
// frame: a layer lying one to one on the screen asks for the client rectangle under the dirty
// one (a pixel wider each side, for the device's linear filtering), any other layer for the
// whole view. When the frame draws the layer, the dirty parts are painted (more than 20
// rectangles as their union) by the layer's 2D canvas, which draws straight into the buffer's
// pixels, only those parts are marked for upload, and the buffer is drawn as the layer's quad,
// or laid on the window without the device where nothing else is drawn (see TdxScene).
//
// Input: the 3D host hands mouse events to the layer with the ray in its local space; the layer
// maps them to buffer pixels and routes them to the 2D object under the point, or to the one
// that holds the capture. It keeps hover, capture, focus and the active control; a left press
// where no 2D object is drags the layer (with AllowDrag), a left press on a size grip resizes it
// (another button does neither), and with
// the content alignment the host's window moves or resizes with it. Where no 2D object lies the
// layer is not hit (without AllowDrag), so the press reaches what lies behind it.
//
// References to 2D objects are plain pointers that the tree clears through Notification before
// the object goes (see vg::IvxScene); the drop target shared by all object layers is cleared the
// same way.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene3d/Layers.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Scene.h"
#include "vg2d/core/SceneHost.h"
#include "vg2d/core/VisualObjects.h"

namespace dx {

// More pending dirty rectangles than this paint as their union.
inline constexpr int MaxLayerUpdateRects = 20;

class TdxCustomObjectLayer : public TdxCustomBufferLayer, public vg::TvxSceneHost {
  RTL_CLASS(TdxCustomObjectLayer, TdxCustomBufferLayer)
public:
  explicit TdxCustomObjectLayer(rtl::TComponent* AOwner);
  ~TdxCustomObjectLayer() override;
  void BeforeDestruction() override;

  // ---- properties -------------------------------------------------------------------------------
  vg::TvxBrush* Fill() const { return fill_.get(); }
  // Copies Value's settings into the layer's own brush.
  void SetFill(vg::TvxBrush* Value);
  bool AllowDrag() const { return allowDrag_; }
  void SetAllowDrag(bool Value) { allowDrag_ = Value; }
  vg::TvxCanvas* Canvas() const { return canvas_.get(); }
  bool Moving() const { return moving_; }
  bool Resizing() const { return resizing_; }
  vg::TvxPoint DownPos() const { return downPos_; }

  // ---- the hosted tree -----------------------------------------------------------------------------
  // Paints the dirty rectangles into the 2D canvas (nothing while painting or with none).
  virtual void PaintObjects();
  // Paints the dirty rectangles into the buffer and marks what was painted for upload: what a
  // frame does before it draws the layer.
  void UpdateBuffer();
  // Whether a frame may lay the buffer on the window without the 3D device: the layer lies one
  // to one on the screen (X, Y: where its pixel (0, 0) falls), is opaque and untinted, shows
  // both sides, draws only its buffer, and no handler or highlight draws for it.
  bool ComposesWithoutDevice(int& X, int& Y) const;
  // Whether drawing the layer is drawing its buffer and nothing more: true for the layer
  // classes declared here; a class derived from them answers for itself (false unless it says
  // otherwise).
  virtual bool DrawsOnlyItsBuffer() const;
  // The 2D object under a buffer point: the roots from the last to the first; nil when none.
  using vg::TvxSceneHost::ObjectAtPoint;
  vg::TvxVisualObject* ObjectAtPoint(float X, float Y) { return ObjectAtPoint(vg::MakePoint(X, Y)); }

  // ---- 3D object -----------------------------------------------------------------------------------
  using TdxObject::AddObject;
  using TdxObject::RemoveObject;
  using TdxVisualObject::GetCanvas;
  void BeforePaint() override;
  void Render() override;
  void SetVisible(bool Value) override;
  // Where no 2D object lies the ray passes through (unless AllowDrag, design time, or the layer
  // holds the host's capture).
  bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) override;
  void MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) override;
  void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  void KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  // Delete while a designed scene has the layer selected: with a 2D object below the root
  // selected in the layer, that object goes and the answer is true; with the root or nothing
  // selected, false, and the scene frees the layer.
  bool DesignDeleteInside() override;
  void MouseLeave() override;
  // Focuses the first visible focusable 2D control in tab order.
  void EnterFocus() override;
  void KillFocus() override;
  // The layer and its 3D children, then the first root's 2D tab order.
  void CollectVisibleObjects(std::vector<TdxTabEntry>& List) override;
  bool HintShow(TdxHintInfo& Info) override;
  // Takes typed text while its focused 2D object does, at that object's composition point.
  bool TextInput(TdxTextInputInfo& Info) override;
  void DragOver(const TdxDragObject& Data, const TdxVector& Point, bool& Accept) override;
  void DragDrop(const TdxDragObject& Data, const TdxVector& Point) override;
  void DragLeave() override {}
  // Nothing: the end of a drag a 2D object started (BeginVCLDrag) reaches that object from
  // the host.
  void DragEnd() override {}
  void LayerMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void LayerMouseMove(rtl::TShiftState Shift, float X, float Y) override;
  void LayerMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // A release that maps to no point of the layer still ends the press: the drag or resize of
  // the layer stops and the captured 2D object gets its release at the last point.
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
               const TdxVector& RayDir) override;

  // ---- vg::IvxScene: what the layer does its own way -------------------------------------------
  using vg::TvxSceneHost::AddObject;
  using vg::TvxSceneHost::RemoveObject;
  void BeginWindowDrag() override;
  void BeginWindowResize() override;
  void AddUpdateRect(const vg::TvxRect& R) override;
  vg::TvxCanvas* GetCanvas() override { return canvas_.get(); }
  // The layer's owner; the component's own GetOwner (const) stays visible beside it.
  using rtl::TComponent::GetOwner;
  rtl::TComponent* GetOwner() override { return Owner(); }
  rtl::TComponent* GetComponent() override { return this; }
  bool GetTransparency() override { return false; }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  void SetCaptured(vg::TvxVisualObject* Value) override;
  vg::TvxPoint LocalToScreen(const vg::TvxPoint& P) override;
  void BeginVCLDrag(vg::TvxVisualObject* Obj) override;

protected:
  float HostWidth() override { return static_cast<float>(BufferWidth()); }
  float HostHeight() override { return static_cast<float>(BufferHeight()); }
  bool HostDestroying() override { return IsDestroying(); }
  void RootRemoved() override { Repaint(); }
  bool RoundsRootSides() const override { return true; }
  void FocusTaken() override { SetFocus(); }
  void DefineProperties(rtl::TFiler* Filer) override;
  void Loaded() override;
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;

private:
  void FillChanged(rtl::TObject* Sender);
  void EndPress(rtl::TMouseButton Button, rtl::TShiftState Shift);
  // A client point of the host to buffer pixels through the pick ray; false when it misses.
  bool ClientToBuffer(float X, float Y, float& BX, float& BY);
  // Where the buffer point P shows in the host's client area (through the camera for a layer
  // seen through it); the scene point itself while the host has no canvas.
  TdxVector BufferToClient(const vg::TvxPoint& P) const;
  // A direction of the layer's own space in its parent's.
  TdxVector InParent(const TdxVector& V) const;
  vg::TvxDragObject Drag2D(const TdxDragObject& Data) const;
  // Marks the painted rectangles of the buffer for upload (and copies them there from the 2D
  // canvas when it could not draw into the buffer).
  void BufferPainted(const std::vector<vg::TvxRect>& Rects);
  // Puts the 2D canvas on the buffer's pixels; one pixel of its own while the buffer has none.
  // True when the canvas moved onto new pixels (what they hold is not the layer's drawing).
  bool DrawIntoBuffer();
  // Asks the host to draw what the dirty rectangle R (buffer pixels) covers.
  void ReportDirty(const vg::TvxRect& R);

  // Told by the buffer before its pixels are reallocated or freed: the canvas leaves them.
  class TBufferWatch final : public IdxBitmapCanvas {
  public:
    explicit TBufferWatch(TdxCustomObjectLayer& Layer) : layer_(Layer) {}
    void DestroyBitmapHandle(TdxBitmap& Bitmap) override;

  private:
    TdxCustomObjectLayer& layer_;
  };

  std::unique_ptr<vg::TvxCanvas> canvas_;
  TBufferWatch bufferWatch_{*this};
  TdxBitmap* watched_ = nullptr;  // the buffer bufferWatch_ is listed with
  std::unique_ptr<vg::TvxBrush> fill_;
  bool painting_ = false;
  bool allowDrag_ = false;
  bool moving_ = false;
  bool resizing_ = false;
  bool released_ = false;                      // LayerMouseUp ran for the release being handled
  vg::TvxPoint downPos_{};
  vg::TvxPoint dragStartPos_{};
  vg::TvxPoint resizeSize_{};
  vg::TvxPoint resizeOrigin_{};
  TdxVector resizeCorner_{};  // through the camera: the corner a resize keeps, in the parent's space
  rtl::TCursor defaultCursor_ = rtl::crDefault;
  unsigned long long loadTimer_ = 0;
};

// A layer of 2D objects placed like any shape; published for the designer's shape list.
class TdxObjectLayer : public TdxCustomObjectLayer {
  RTL_CLASS(TdxObjectLayer, TdxCustomObjectLayer)
public:
  using TdxCustomObjectLayer::TdxCustomObjectLayer;
};

// The layer of a window's 2D controls: screen space, 256 x 256 pixels, no depth writes.
class TdxGUIObjectLayer : public TdxCustomObjectLayer {
  RTL_CLASS(TdxGUIObjectLayer, TdxCustomObjectLayer)
public:
  explicit TdxGUIObjectLayer(rtl::TComponent* AOwner);
};

// Older names that streams may still use.
class TdxVGLayer : public TdxCustomObjectLayer {
  RTL_CLASS(TdxVGLayer, TdxCustomObjectLayer)
public:
  using TdxCustomObjectLayer::TdxCustomObjectLayer;
};

class TdxScreenVGLayer : public TdxGUIObjectLayer {
  RTL_CLASS(TdxScreenVGLayer, TdxGUIObjectLayer)
public:
  using TdxGUIObjectLayer::TdxGUIObjectLayer;
};

// The drop target of a drag over any object layer; nil when none.
vg::TvxVisualObject* ObjectLayerDropTarget();

// Registers the layer classes: the buffer and object layers under "Shapes", the GUI layer under
// "GUI", the rest for streams only.
void RegisterDxLayerClasses();

}  // namespace dx
