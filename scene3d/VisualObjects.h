// TdxVisualObject: every object of a 3D tree that has a place, a size and a look (shapes,
// cameras, lights, dummies, layers, the 3D controls, the root of a window's scene).
//
// Position, Scale and RotateAngle give the local matrix (scale, then rotation, then
// translation, for row vectors); the absolute matrix is the local one times the parent's.
// Rotation is incremental: each change of one angle turns the current orientation (a
// quaternion) about that local axis by the difference, so the order of changes matters;
// all three angles back at 0 give the identity again. The absolute matrix and the absolute
// opacity are cached and recomputed lazily; a change marks the object and its visual
// subtree.
//
// The host (IdxScene) is asked for a repaint of the whole view on every visible change; a
// host that runs in real time outside design mode draws all the time and is not asked.
// Input comes from the host with the pointer in the object's coordinates and the pick ray
// in its local space; an input operation that fires a handler and then goes on watches
// itself, so a handler may free the object. Paint handlers must not free objects of the
// tree being painted (they may Release them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/InputTypes.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/InputMethod.h"
#include "scene3d/Maths.h"
#include "scene3d/Objects.h"
#include "scene3d/Physics.h"
#include "scene3d/Values.h"

namespace vg {
class TvxVisualObject;
}

namespace dx {

class TdxCanvas;
class TdxVisualObject;

RTL_ENUM(TdxAlign, dxNone, dxScale, dxContents, dxTopLeft, dxTopRight, dxBottomLeft, dxBottomRight, dxTop, dxLeft,
         dxRight, dxBottom, dxMostLeft, dxMostRight, dxClient, dxCenter, dxVertCenter, dxHorzCenter, dxHorizontal,
         dxVertical);
RTL_ENUM(TdxDragMode, dxDragManual, dxDragAutomatic);
// Camera: drawn through the scene's camera. Screen: one unit is one window pixel at z = 0.
RTL_ENUM(TdxProjection, dxProjectionCamera, dxProjectionScreen);
// How a layer is placed among the layers of its parent (see TdxVisualObject::RealignLayers).
RTL_ENUM_OF(TdxLayerAlign, std::uint8_t, dxLayerNone, dxLayerTop, dxLayerLeft, dxLayerRight, dxLayerBottom,
            dxLayerMostTop, dxLayerMostBottom, dxLayerMostLeft, dxLayerMostRight, dxLayerClient, dxLayerCenter,
            dxLayerContents);

// What a drag carries to the objects it passes over: the object dragged (nil when the drag
// comes from outside the program), the names of dropped files, and any other data.
struct TdxDragObject {
  rtl::TObject* Source = nullptr;
  std::vector<std::string> Files;
  rtl::TPropValue Data;
};

// A hint as an object gives it: asked at a client point of the host, it answers with the text
// and the client rectangle in which the hint holds.
struct TdxHintInfo {
  int CursorX = 0;
  int CursorY = 0;
  std::u16string HintStr;
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  // What the hint names (the object, or a 2D object inside it); never followed.
  const void* HintData = nullptr;
};

// Where typed text goes for an object that takes it: the point in the host's client pixels
// and the font of the text.
struct TdxTextInputInfo {
  float X = 0;
  float Y = 0;
  win::TCompositionFont Font;
};

// The events of visual objects. X and Y are the pointer in the object's coordinates; the
// ray is the pick ray in its local space.
// An entry of the Tab order: a 3D object, or a 2D object (Flat) of the object layer Object.
struct TdxTabEntry {
  TdxVisualObject* Object = nullptr;
  vg::TvxVisualObject* Flat = nullptr;
};

using TdxMouseEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                       float Y, const TdxVector& RayPos, const TdxVector& RayDir)>;
using TdxMouseMoveEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y,
                                           const TdxVector& RayPos, const TdxVector& RayDir)>;
// MousePos is the host's last pointer point.
using TdxMouseWheelEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TShiftState Shift, int WheelDelta,
                                            const TdxVector& MousePos, bool& Handled)>;
using TdxKeyEvent =
    rtl::TEvent<void(rtl::TObject* Sender, std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift)>;
using TdxPaintEvent = rtl::TEvent<void(rtl::TObject* Sender, TdxCanvas* Canvas)>;
using TdxCollisionEvent =
    rtl::TEvent<void(rtl::TObject* Sender, TdxVisualObject* Other, const TdxVector& Point, const TdxVector& Normal)>;
using TdxDragEnterEvent = rtl::TEvent<void(rtl::TObject* Sender, const TdxDragObject& Data, const TdxVector& Point)>;
using TdxDragDropEvent = TdxDragEnterEvent;
using TdxDragOverEvent =
    rtl::TEvent<void(rtl::TObject* Sender, const TdxDragObject& Data, const TdxVector& Point, bool& Accept)>;

// The components of Scale whose magnitude is below this are too flat to draw.
inline constexpr float MinDrawnScale = 0.01f;

class TdxVisualObject : public TdxObject {
  RTL_CLASS(TdxVisualObject, TdxObject)
public:
  explicit TdxVisualObject(rtl::TComponent* AOwner);
  ~TdxVisualObject() override;
  void BeforeDestruction() override;

  // ---- place, size, orientation ----------------------------------------------------------
  TdxPosition* Position() const { return position_.get(); }
  void SetPosition(TdxPosition* Value) { position_->Assign(Value); }
  TdxPosition* Scale() const { return scale_.get(); }
  void SetScale(TdxPosition* Value) { scale_->Assign(Value); }
  // Degrees about the local X, Y and Z axes, each kept in [-180, 360).
  TdxPosition* RotateAngle() const { return rotateAngle_.get(); }
  void SetRotateAngle(TdxPosition* Value) { rotateAngle_->Assign(Value); }
  const TdxQuaternion& Quaternion() const { return quaternion_; }
  // Sets the orientation directly (RotateAngle is left as it is) and recomputes the matrix.
  void SetQuaternion(const TdxQuaternion& Value);

  float Width() const { return width_; }
  float Height() const { return height_; }
  float Depth() const { return depth_; }
  // On a change: stores it (in design mode a negative size becomes positive and mirrors the
  // object through Scale); unless loading, a parent aligning this object realigns, this
  // object realigns its children, a repaint is asked for, and a body is made anew.
  virtual void SetWidth(float Value);
  virtual void SetHeight(float Value);
  virtual void SetDepth(float Value);
  // Stores the size with no other effect (a proxy lends its size to its source this way).
  void SetSizeNoChange(float AWidth, float AHeight, float ADepth) {
    width_ = AWidth;
    height_ = AHeight;
    depth_ = ADepth;
  }
  // The size at the last alignment of the children.
  float LastWidth() const { return lastWidth_; }
  float LastHeight() const { return lastHeight_; }
  float LastDepth() const { return lastDepth_; }

  // ---- matrices -------------------------------------------------------------------------
  const TdxMatrix& LocalMatrix() const { return localMatrix_; }
  // The local matrix times the parent's absolute matrix (when the parent is a visual
  // object); cached until InvalidateMatrix.
  virtual const TdxMatrix& GetAbsoluteMatrix() const;
  // Puts a given absolute matrix in place of the computed one until the next invalidation
  // (a proxy draws its source at its own place this way; lights placed by hand use it too).
  void SetAbsoluteMatrix(const TdxMatrix& Value);
  TdxMatrix GetInverseAbsoluteMatrix() const;
  // Marks this object and every visual descendant.
  virtual void InvalidateMatrix();
  // From Position, Scale and the orientation; then the body follows and a repaint is asked.
  virtual void RecalcMatrix();
  // Points with W = 1.
  virtual TdxVector AbsoluteToLocal(const TdxVector& Point) const;
  virtual TdxVector LocalToAbsolute(const TdxVector& Point) const;
  // The given 4-vectors (a direction with W = 0 is not moved).
  virtual TdxVector AbsoluteToLocalVector(const TdxVector& V) const;
  virtual TdxVector LocalToAbsoluteVector(const TdxVector& V) const;
  // The rows of the absolute matrix: local X, Y and Z axes (W = 0) and origin (W = 1).
  TdxVector AbsoluteRight() const;
  TdxVector AbsoluteUp() const;
  TdxVector AbsoluteDirection() const;
  TdxVector AbsolutePosition() const;

  // ---- look ---------------------------------------------------------------------------------
  float Opacity() const { return opacity_; }
  // Clamped to 0..1 (NaN is ignored).
  void SetOpacity(float Value);
  // Opacity times the parent's absolute opacity; cached until InvalidateOpacity.
  virtual float GetAbsoluteOpacity() const;
  // Marks this object and every visual descendant.
  virtual void InvalidateOpacity();
  bool Visible() const { return visible_; }
  // Hiding only stores; showing fires the "IsVisible" trigger (a placed layer first makes
  // its parent realign).
  virtual void SetVisible(bool Value);
  bool ZWrite() const { return zWrite_; }
  void SetZWrite(bool Value);
  bool TwoSide() const { return twoSide_; }
  void SetTwoSide(bool Value) { twoSide_ = Value; }
  TdxProjection Projection() const { return projection_; }
  // Sets the projection on the whole subtree and asks for a repaint.
  void SetProjection(TdxProjection Value);
  bool DesignHide() const { return designHide_; }
  void SetDesignHide(bool Value);
  // The own canvas when set, else the host's; nil without either.
  TdxCanvas* GetCanvas() const;
  TdxCanvas* OwnCanvas() const { return canvas_; }
  void SetOwnCanvas(TdxCanvas* Value) { canvas_ = Value; }
  // Asks the host to draw the view again (see the file comment).
  void Repaint();
  // Asks the host to draw again only a rectangle of the view (client pixels), under the same
  // conditions as Repaint.
  void RepaintRect(int Left, int Top, int Right, int Bottom);
  // Whether the object draws anything of its own in a frame (its Render, AfterPaint or paint
  // handlers), apart from its children. A frame composed without the 3D device is possible
  // only where no object does. Objects of a class that adds drawing answer true unless the
  // class says otherwise.
  virtual bool DrawsContent() const;
  // Whether a frame's Paint draws the object as a child (visible, or shown in a designer, and
  // not flattened in an axis).
  bool PaintedAsChild() const;
  // Whether paint handlers or a drag-over highlight draw for the object.
  bool HandlersDraw() const;

  // ---- layout ---------------------------------------------------------------------------------
  TdxAlign Align() const { return align_; }
  // On a change a visual parent realigns.
  void SetAlign(TdxAlign Value);
  // Inner spacing (its change realigns the children) and outer spacing (its change makes a
  // visual parent realign).
  TdxBounds* Margins() const { return margins_.get(); }
  void SetMargins(TdxBounds* Value) { margins_->Assign(Value); }
  TdxBounds* Padding() const { return padding_.get(); }
  void SetPadding(TdxBounds* Value) { padding_->Assign(Value); }
  // Places the layer children first (RealignLayers), then the visual children by their
  // Align, in a fixed order of kinds. Nothing for a width or height strictly between -0.2
  // and 0.2, while destroying or already realigning; while loading it only notes the size.
  virtual void Realign();
  // Places the layer children that have a layer alignment, in the area of this object when
  // it is a layer, else in the host's client area (y downwards).
  void RealignLayers();
  // Layers answer; every other object is no layer.
  virtual bool IsLayer() const { return false; }
  virtual TdxLayerAlign LayerAlign() const { return dxLayerNone; }

  // ---- state ---------------------------------------------------------------------------------
  bool HitTest() const { return hitTest_; }
  void SetHitTest(bool Value) { hitTest_ = Value; }
  bool Locked() const { return locked_; }
  void SetLocked(bool Value) { locked_ = Value; }
  bool CanFocused() const { return canFocused_; }
  void SetCanFocused(bool Value) { canFocused_ = Value; }
  bool AutoCapture() const { return autoCapture_; }
  void SetAutoCapture(bool Value) { autoCapture_ = Value; }
  bool IsMouseOver() const { return isMouseOver_; }
  bool IsFocused() const { return isFocused_; }
  bool IsDragOver() const { return isDragOver_; }
  TdxDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TdxDragMode Value) { dragMode_ = Value; }
  bool DragDisableHighlight() const { return dragDisableHighlight_; }
  void SetDragDisableHighlight(bool Value) { dragDisableHighlight_ = Value; }
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& Value) { hint_ = Value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value) { showHint_ = Value; }
  rtl::TCursor Cursor() const { return cursor_; }
  void SetCursor(rtl::TCursor Value) { cursor_ = Value; }
  // A popup menu component (shown when it is a vg::IvxPopupMenu); forgotten when freed.
  rtl::TComponent* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(rtl::TComponent* Value);
  // While set, a design-time press on this object when it is the selected one (Shift up)
  // goes to its own MouseDown instead of the designer's editing.
  bool DesignMousePassThrough() const { return designMousePassThrough_; }
  void SetDesignMousePassThrough(bool Value) { designMousePassThrough_ = Value; }
  // Whether the designer offers resize handles (cameras and lights clear it).
  bool DesignResizable() const { return designResizable_; }
  // Whether the designer offers rotation handles.
  bool DesignRotatable() const { return designRotatable_; }
  bool FollowsParentTriggers() const override { return locked_ && !hitTest_; }
  bool Shown() const override { return visible_; }

  // ---- input (called by the host) ---------------------------------------------------------------
  // Takes the focus through the host when it can and has not got it.
  void SetFocus();
  virtual void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                         const TdxVector& RayDir);
  virtual void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                         const TdxVector& RayDir);
  virtual void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                       const TdxVector& RayDir);
  virtual void MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled);
  virtual void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  virtual void KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void EnterFocus();
  virtual void KillFocus();
  virtual void Click();
  virtual void DblClick();
  // Screen pixels: pops the PopupMenu up there for this object.
  virtual void ContextMenu(int X, int Y);
  virtual void DragEnter(const TdxDragObject& Data, const TdxVector& Point);
  virtual void DragOver(const TdxDragObject& Data, const TdxVector& Point, bool& Accept);
  virtual void DragDrop(const TdxDragObject& Data, const TdxVector& Point);
  virtual void DragLeave();
  // With automatic drag mode it first ends the press (a mouse-up far outside any object).
  virtual void DragEnd();
  // The hint for the host's client point (CursorX, CursorY): an object that answers true has
  // filled in the text and the rectangle in which it holds; the base leaves that to the host.
  virtual bool HintShow(TdxHintInfo&) { return false; }
  // An object that takes typed text now (a layer whose focused 2D control does) answers true
  // and where composed text goes; the host's text input is on only while its focused object
  // answers true.
  virtual bool TextInput(TdxTextInputInfo&) { return false; }
  virtual void DesignInsert() {}
  virtual void DesignClick() {}
  // Delete at design time while the scene has this object selected. An object that keeps a
  // design selection of its own inside it (an object layer's selected 2D object) deletes that
  // one and answers true; false (here) leaves it to the scene, which frees the object.
  virtual bool DesignDeleteInside() { return false; }
  // This object when visible, then the visible visual children's lists: the Tab order, in
  // which an object layer's 2D controls follow it and its 3D children.
  virtual void CollectVisibleObjects(std::vector<TdxTabEntry>& List);
  virtual void NotifyChildren();

  // ---- hit tests -----------------------------------------------------------------------------------
  // In design mode: false for a locked object; otherwise HitTest. False for a hidden design
  // object in design mode.
  bool CheckHitTest() const;
  // The ray in local coordinates (direction of unit length); Hit in scene coordinates. The
  // base is hit at its absolute position by any ray.
  virtual bool RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit);
  // The nearest object of the subtree hit by the pick ray of pixel (X, Y), among those drawn
  // with AProjection, or nil. Distance is shared through the search: a hit counts only when
  // strictly nearer, so the nearest wins (among equals the later child), and an object hit
  // through one of its children is never reported itself. Nothing is found without a canvas.
  TdxVisualObject* ObjectAtPoint(TdxProjection AProjection, float& Distance, float X, float Y);
  // The same for a drop: an object nearer than Distance is asked DragOver and becomes the
  // result only when it accepts; one that refuses still hides what lies behind it.
  TdxVisualObject* ObjectAtPointForDrop(TdxProjection AProjection, float& Distance, const TdxDragObject& Data, float X,
                                        float Y);

  // ---- painting --------------------------------------------------------------------------------
  // Lights add themselves to the canvas; the base passes it on to the visual children.
  virtual void ApplyLights();
  // Fires OnBeforePaint.
  virtual void BeforePaint();
  // Draws the object itself under its absolute matrix; nothing here.
  virtual void Render() {}
  virtual void AfterPaint() {}
  // Draws the children: each visible child flat in no axis sets its render states (depth
  // write, projection, culling), the canvas matrix, then BeforePaint, Render, OnPaint,
  // AfterPaint and its own Paint.
  virtual void Paint();

  // ---- physics ------------------------------------------------------------------------------------
  bool Dynamic() const { return dynamic_; }
  void SetDynamic(bool Value);
  bool Collider() const { return collider_; }
  void SetCollider(bool Value);
  bool ColliseTrack() const { return colliseTrack_; }
  void SetColliseTrack(bool Value) { colliseTrack_ = Value; }
  // Units per second along the local axes; a tick moves Position by it.
  TdxPosition* Velocity() const { return velocity_.get(); }
  void SetVelocity(TdxPosition* Value) { velocity_->Assign(Value); }
  TdxBody Body() const { return body_; }
  // A body of the object's size (CreateEngineBody) in the host's engine (made on first need)
  // when the object is a collider or dynamic and the host draws at run time outside design
  // mode. An object keeps its body while it stays in its host: leaving it gives the body up,
  // joining one makes it anew.
  virtual void CreateBody();
  virtual void DestroyBody();
  // CreateBody here and in every visual descendant.
  virtual void RecreateBodies();
  virtual void DoCollision(TdxVisualObject* Other, const TdxVector& Point, const TdxVector& Normal);
  // The tick of the children and OnTick; then a dynamic body's matrix becomes the object's,
  // and Velocity moves the object.
  void ProcessTick(double Time, float DeltaTime) override;

  // ---- events ---------------------------------------------------------------------------------------
  TdxMouseEvent OnMouseDown;
  TdxMouseEvent OnMouseUp;
  TdxMouseMoveEvent OnMouseMove;
  TdxMouseWheelEvent OnMouseWheel;
  rtl::TNotifyEvent OnClick;
  rtl::TNotifyEvent OnDblClick;
  TdxCollisionEvent OnCollision;
  TdxKeyEvent OnKeyDown;
  TdxKeyEvent OnKeyUp;
  TdxPaintEvent OnPaint;
  TdxPaintEvent OnBeforePaint;
  TdxDragEnterEvent OnDragEnter;
  TdxDragDropEvent OnDragDrop;
  rtl::TNotifyEvent OnDragEnd;
  rtl::TNotifyEvent OnDragLeave;
  TdxDragOverEvent OnDragOver;

protected:
  void ChildAdded(TdxObject* Child) override;
  void ChildRemoved(TdxObject* Child) override;
  void ChildrenReordered() override { Repaint(); }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  void SceneChanged(IdxScene* Old) override;
  void DefineProperties(rtl::TFiler* Filer) override;
  void Loaded() override;

  bool IsLoading() const { return ComponentState().Contains(rtl::csLoading); }
  bool IsDestroying() const { return ComponentState().Contains(rtl::csDestroying); }
  void SetDesignResizable(bool Value) { designResizable_ = Value; }
  // The ray test of a box Width x Height x Depth centred on the local origin: the faces the
  // ray enters, hits ahead of RayPos only, each coordinate within Extent x the size (0.5 is
  // the box itself). Hit is in scene coordinates.
  bool BoxRayCast(const TdxVector& RayPos, const TdxVector& RayDir, const TdxVector& Size, float Extent,
                  TdxVector& Hit) const;
  // The body CreateBody asks Engine for, Size being (Width, Height, Depth, 1): a box here.
  virtual TdxBody CreateEngineBody(TdxPhysics& Engine, const TdxVector& Size);

private:
  // Turns the orientation by the change of the angles since the last turn, X, then Y, then Z.
  void RotateChanged();
  void RotateAxis(int Axis);
  void PaddingChanged();
  void SizeChanged();
  void ParentRealign();
  // Child takes an Align other than dxNone. When no other child has one, the corner and
  // scale kinds measure from this object's size now: the one remembered may be from before
  // the size was read from a stream or changed while the object was too narrow to lay out.
  void AlignedChildComes(const TdxVisualObject* Child);
  TdxVisualObject* VisualParent() const;
  // The search of ObjectAtPoint and ObjectAtPointForDrop; Data is nil for the plain search.
  TdxVisualObject* Search(TdxProjection AProjection, float& Distance, const TdxDragObject* Data, float X, float Y);
  // A pass of Realign over the children of one kind; the box shrinks as they take strips.
  void AlignPass(TdxAlign Kind, TdxVector& BoxMin, TdxVector& BoxMax);
  TdxPhysics* Engine() const { return EngineOf(Scene()); }
  // The engine of AScene, nil when it has none or draws nothing at run time.
  static TdxPhysics* EngineOf(IdxScene* AScene);
  void RemakeBody();
  // A dynamic object with a body takes the body's matrix: the body holds the absolute matrix,
  // the local one is it taken into the parent's space. The children follow (TakeBodyMatrices).
  void TakeBodyMatrix(TdxPhysics& Engine);
  // After this object's absolute matrix changed by its body: a dynamic child with a body takes
  // its body's matrix again in the new space (it stays where its body is), any other child's
  // matrix is worked out anew, and so on down.
  void TakeBodyMatrices(TdxPhysics& Engine);
  void DrawDesignBox(TdxVisualObject* Child, TdxCanvas* Canvas, TdxColor Color, bool Filled);

  std::unique_ptr<TdxPosition> position_;
  std::unique_ptr<TdxPosition> scale_;
  std::unique_ptr<TdxPosition> rotateAngle_;
  std::unique_ptr<TdxPosition> velocity_;
  std::unique_ptr<TdxBounds> margins_;
  std::unique_ptr<TdxBounds> padding_;
  TdxQuaternion quaternion_ = IdentityQuaternion;
  TdxCanvas* canvas_ = nullptr;
  rtl::TComponent* popupMenu_ = nullptr;
  std::u16string hint_;
  rtl::TCursor cursor_ = rtl::crDefault;
  float width_ = 1;
  float height_ = 1;
  float depth_ = 1;
  float lastWidth_ = 1;
  float lastHeight_ = 1;
  float lastDepth_ = 1;
  float opacity_ = 1;
  mutable float absoluteOpacity_ = 1;
  mutable bool opacityInvalid_ = true;
  TdxMatrix localMatrix_ = IdentityMatrix;
  mutable TdxMatrix absoluteMatrix_ = IdentityMatrix;
  mutable bool matrixInvalid_ = true;
  TdxAlign align_ = dxNone;
  TdxProjection projection_ = dxProjectionCamera;
  TdxDragMode dragMode_ = dxDragManual;
  TdxBody body_ = 0;
  bool visible_ = true;
  bool hitTest_ = true;
  bool autoCapture_ = false;
  bool locked_ = false;
  bool canFocused_ = false;
  bool isMouseOver_ = false;
  bool isFocused_ = false;
  bool isDragOver_ = false;
  bool zWrite_ = true;
  bool twoSide_ = false;
  bool designHide_ = false;
  bool dragDisableHighlight_ = false;
  bool showHint_ = false;
  bool dynamic_ = false;
  bool collider_ = false;
  bool colliseTrack_ = false;
  bool pressed_ = false;
  bool doubleClicked_ = false;
  bool realigning_ = false;
  bool designResizable_ = true;
  bool designRotatable_ = true;
  bool designMousePassThrough_ = false;
};

}  // namespace dx
