// TvxVisualObject: every object of a 2D tree that occupies an area (shapes, controls,
// layouts, the roots a host displays). Position, size, scale, rotation and opacity are
// floats; from them come a local and an absolute 3x3 matrix, the rectangle to redraw when
// the object changes (handed to the host), and the layout of the children by Align.
// Painting goes through the abstract canvas, with clipping and bitmap effects.
//
// Cached values (absolute matrix, opacity, enabled state, update rectangle, effect images)
// are recomputed lazily: a change marks the object and its visual subtree, the getters
// recompute. A subtree inside BeginUpdate neither repaints nor realigns until the
// matching EndUpdate.
//
// Coordinates in the host are called absolute (scene coordinates).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/InputTypes.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/Objects.h"

namespace vg {

class TvxBitmap;
class TvxEffect;

RTL_ENUM(TvxAlign, vaNone, vaTopLeft, vaTopRight, vaBottomLeft, vaBottomRight, vaTop, vaLeft, vaRight, vaBottom,
         vaMostTop, vaMostBottom, vaMostLeft, vaMostRight, vaClient, vaContents, vaCenter, vaVertCenter, vaHorzCenter,
         vaHorizontal, vaVertical, vaScale, vaFit, vaFitLeft, vaFitRight);
RTL_ENUM(TvxDragMode, vgDragManual, vgDragAutomatic);

// What a drag carries to the objects it passes over: the object dragged (nil when the drag
// comes from outside the program), the names of the files dropped, and any other data.
struct TvxDragObject {
  rtl::TObject* Source = nullptr;
  std::vector<std::u16string> Files;
  rtl::TPropValue Data;
};

// The events of visual objects. Points and coordinates of mouse events are local to the
// object; the wheel event's MousePos is the host's mouse position.
using TvxDragEnterEvent = rtl::TEvent<void(rtl::TObject* Sender, const TvxDragObject& Data, const TvxPoint& Point)>;
using TvxDragDropEvent = TvxDragEnterEvent;
using TvxDragOverEvent =
    rtl::TEvent<void(rtl::TObject* Sender, const TvxDragObject& Data, const TvxPoint& Point, bool& Accept)>;
using TvxKeyEvent = rtl::TEvent<void(rtl::TObject* Sender, uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift)>;
using TvxCanFocusedEvent = rtl::TEvent<void(rtl::TObject* Sender, bool& ACanFocused)>;
using TvxMouseEvent =
    rtl::TEvent<void(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y)>;
using TvxMouseMoveEvent =
    rtl::TEvent<void(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy)>;
using TvxMouseWheelEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TShiftState Shift, int WheelDelta,
                                            const TvxPoint& MousePos, bool& Handled)>;
using TvxPaintEvent = rtl::TEvent<void(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect)>;

// What a visual object asks of the popup menu it shows (the window layer's menus implement
// it): pop up at a screen point, remembering the object it was opened for.
class IvxPopupMenu {
public:
  virtual void PopupFor(rtl::TComponent* PopupComponent, int X, int Y) = 0;

protected:
  ~IvxPopupMenu() = default;
};

class TvxVisualObject : public TvxObject {
  RTL_CLASS(TvxVisualObject, TvxObject)
public:
  explicit TvxVisualObject(rtl::TComponent* AOwner);
  ~TvxVisualObject() override;

  // ---- geometry ---------------------------------------------------------------------------
  TvxPosition* Position() const { return position_.get(); }
  void SetPosition(TvxPosition* Value) { position_->Assign(Value); }
  TvxPosition* Scale() const { return scale_.get(); }
  void SetScale(TvxPosition* Value) { scale_->Assign(Value); }
  TvxPosition* RotateCenter() const { return rotateCenter_.get(); }
  void SetRotateCenter(TvxPosition* Value) { rotateCenter_->Assign(Value); }
  float RotateAngle() const { return rotateAngle_; }
  // Stores the angle brought into [-180, 360) (540 gives 180, -190 gives 170).
  void SetRotateAngle(float Value);
  float Width() const { return width_; }
  float Height() const { return height_; }
  // In design mode a negative size becomes positive and flips the Scale component.
  virtual void SetWidth(float Value);
  virtual void SetHeight(float Value);
  // Sets the size without any other effect (also as the size of the last layout).
  void SetInitialSize(float AWidth, float AHeight);
  virtual void SetBounds(float X, float Y, float AWidth, float AHeight);
  // R in the object's own coordinates; the rotation centre stays where it is.
  virtual void SetBoundsRect(const TvxRect& R);
  // Inner spacing: shrinks the area in which the children are aligned.
  TvxBounds* Margins() const { return margins_.get(); }
  void SetMargins(TvxBounds* Value) { margins_->Assign(Value); }
  // Outer spacing: kept around this object when its parent aligns it.
  TvxBounds* Padding() const { return padding_.get(); }
  void SetPadding(TvxBounds* Value) { padding_->Assign(Value); }

  // (0, 0, Width, Height).
  virtual TvxRect GetLocalRect() const;
  virtual TvxRect GetBoundsRect() const { return GetLocalRect(); }
  virtual TvxRect GetClipRect() const { return GetLocalRect(); }
  // The local rectangle moved by Position.
  virtual TvxRect GetParentedRect() const;
  // The local rectangle this object paints in: its own, and what its painting reaches
  // beyond it (a text that does not fit its bounds).
  virtual TvxRect GetPaintRect() { return GetLocalRect(); }
  // Whether the paint rectangle may reach past the local rectangle (cheap: no measuring);
  // such an object's change of bounds has its non-clipping ancestors work their update
  // rectangles out anew.
  virtual bool PaintsOutsideBounds() const { return false; }
  // The paint rectangle united with the reach of every enabled effect (an effect works on the
  // local rectangle's picture).
  virtual TvxRect GetEffectsRect();
  // The bounding rectangle of the local rectangle's corners in absolute coordinates.
  virtual TvxRect GetAbsoluteRect();
  virtual const TvxMatrix& GetAbsoluteMatrix();
  // Between this object and its children: the identity (scroll containers move it).
  virtual TvxMatrix GetChildrenMatrix() { return IdentityMatrix; }
  virtual TvxPoint GetAbsoluteScale() const;
  const TvxMatrix& LocalMatrix() const { return localMatrix_; }
  virtual TvxPoint AbsoluteToLocal(const TvxPoint& P);
  virtual TvxPoint LocalToAbsolute(const TvxPoint& P);
  // The bounds, in absolute coordinates, of the local rectangle R (its four corners turned).
  TvxRect LocalRectToAbsolute(const TvxRect& R);
  virtual TvxPoint AbsoluteToLocalVector(const TvxPoint& P);
  virtual TvxPoint LocalToAbsoluteVector(const TvxPoint& P);
  // The absolute point lies strictly inside: 0 < x < Width and 0 < y < Height locally.
  virtual bool PointInObject(float X, float Y);
  // Recomputes the local matrix and repaints the old and the new area.
  void MatrixChanged(rtl::TObject* Sender = nullptr);
  virtual void RecalcAbsolute();
  // Computes the absolute matrix of this object and its visual subtree now.
  void RecalcAbsoluteNow();
  // Marks the update rectangles of this subtree (and of a parent it sticks out of).
  void RecalcUpdateRect();
  // The paint rectangle changed: the update rectangles of this subtree and of the
  // ancestors that do not clip it, and the children rectangles, are worked out anew.
  void PaintRectChanged();

  // ---- opacity, enabled, visible ----------------------------------------------------------
  float Opacity() const { return opacity_; }
  // Clamped to 0..1.
  void SetOpacity(float Value);
  // Parent's absolute opacity times Opacity; 0.8 of that for a disabled object that is
  // neither the host's root nor a child of it.
  virtual float GetAbsoluteOpacity();
  virtual void RecalcOpacity();
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  virtual bool GetAbsoluteEnabled();
  void RecalcEnabled();
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool Value);
  // This object and every visual ancestor are visible.
  virtual bool GetParentedVisible() const;

  // ---- flags -------------------------------------------------------------------------------
  TvxAlign Align() const { return align_; }
  virtual void SetAlign(TvxAlign Value);
  bool ClipChildren() const { return clipChildren_; }
  void SetClipChildren(bool Value);
  bool ClipParent() const { return clipParent_; }
  void SetClipParent(bool Value) { SetField(clipParent_, Value); }
  bool HitTest() const { return hitTest_; }
  void SetHitTest(bool Value) { SetField(hitTest_, Value); }
  bool Locked() const { return locked_; }
  void SetLocked(bool Value) { SetField(locked_, Value); }
  bool CanClipped() const { return canClipped_; }
  void SetCanClipped(bool Value) { SetField(canClipped_, Value); }
  bool DesignHide() const { return designHide_; }
  void SetDesignHide(bool Value);
  // Sets DesignHide on this object and its visual subtree without repainting.
  void SetDesignHideRecursive(bool Value);
  // A designed host shows no frame and offers no grips for the object when it is selected.
  bool DesignResizeLocked() const { return designResizeLocked_; }
  void SetDesignResizeLocked(bool Value) { designResizeLocked_ = Value; }
  // Shown by the host while the mouse is over the object.
  rtl::TCursor Cursor() const { return cursor_; }
  void SetCursor(rtl::TCursor Value) { SetField(cursor_, Value); }
  TvxDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TvxDragMode Value) { SetField(dragMode_, Value); }
  bool DragDisableHighlight() const { return dragDisableHighlight_; }
  void SetDragDisableHighlight(bool Value) { SetField(dragDisableHighlight_, Value); }
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& Value) { SetField(hint_, Value); }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value) { SetField(showHint_, Value); }
  bool IsMouseOver() const { return isMouseOver_; }
  bool IsDragOver() const { return isDragOver_; }
  bool IsFocused() const { return isFocused_; }
  bool CanFocused() const { return canFocused_; }
  void SetCanFocused(bool Value) { SetField(canFocused_, Value); }
  // Whether a press captures the mouse for this object.
  bool AutoCapture() const { return autoCapture_; }
  void SetAutoCapture(bool Value) { SetField(autoCapture_, Value); }
  // Whether gaining and losing the focus leaves the "IsFocused" triggers alone.
  bool DisableFocusEffect() const { return disableFocusEffect_; }
  void SetDisableFocusEffect(bool Value) { SetField(disableFocusEffect_, Value); }
  // The popup menu the object shows on a right click or the context-menu key: any
  // component (the window layer's popup menu); forgotten when it is freed.
  rtl::TComponent* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(rtl::TComponent* Value);
  bool HasEffects() const { return hasEffects_; }
  bool DisableEffect() const { return disableEffect_; }
  void SetDisableEffect(bool Value) { SetField(disableEffect_, Value); }
  bool DisableAlign() const { return disableAlign_; }
  // On while the object is painted into another canvas (PaintTo, visual brushes).
  bool DisableRepaint() const { return disableRepaint_; }
  void SetDisableAlign(bool Value) { SetField(disableAlign_, Value); }
  int UpdateCount() const { return updateCount_; }
  // The visual children in tab order.
  const std::vector<TvxVisualObject*>& TabList() const { return tabList_; }

  // ---- repaint and canvas --------------------------------------------------------------
  // Asks the host to redraw what this object painted last (its update rectangle when it
  // was painted) together with GetUpdateRect now, so that a change that makes it smaller
  // leaves nothing of it behind (not while hidden, updating, without host ...).
  void Repaint();
  // Asks the host to redraw Part (in own coordinates) only, for a change known to stay
  // within it; within what Repaint would ask for. An object with effects repaints whole.
  void RepaintPart(const TvxRect& Part);
  // The rectangle to redraw when this object changes, in absolute coordinates: the
  // absolute rectangle of its paint rectangle, clipped by clipping ancestors, grown for the
  // focus frame, the design selection and drop target, the effects and the children that
  // stick out.
  virtual TvxRect GetUpdateRect();
  // The object was painted: its update rectangle now is what it covers on the screen until
  // it is painted again (the painting routines of the tree and its hosts call this).
  void NotePainted() { paintedRect_ = GetUpdateRect(); }
  // The absolute rectangle united with the children's (painting's variant): what this object
  // and its visible subtree cover, painting or hit. Kept until a change of geometry (size,
  // position, scale, rotation, a parent's move), of visibility, clipping or children below
  // asks for it again (BoundsChanged).
  TvxRect GetChildrenRect();
  // The absolute rectangle that holds all the object paints of its own and every point that
  // hits it: the absolute rectangle, unless a class reaches past it.
  virtual TvxRect GetReachRect() { return GetAbsoluteRect(); }
  // How far (in own units) its own painting may spill past the reach rectangle.
  virtual float PaintSpill() const { return 0; }
  // True when an application handler draws for the object, which may reach anywhere.
  virtual bool HasPaintHandler() const { return OnBeforePaint || OnPaint; }
  // The canvas set for this subtree, else the host's; nil without either.
  TvxCanvas* GetCanvas();
  void SetCanvas(TvxCanvas* Value);
  virtual void BeginUpdate();
  virtual void EndUpdate();
  // Marks the effect images up the chain stale; returns the top-most visual ancestor.
  TvxVisualObject* GetTopVisualParent();
  // Recomputes HasEffects after an effect child was added, removed, enabled or disabled.
  void UpdateHasEffects();
  void SetEffectsDirty() { effectsDirty_ = true; }
  bool EffectsDirty() const { return effectsDirty_; }

  // ---- hooks for descendants (empty here) -------------------------------------------------
  // Design time: the object became the host's selection; it was double-clicked while
  // selected; it was just inserted by the designer.
  virtual void DesignSelect() {}
  virtual void DesignClick() {}
  virtual void DesignInsert() {}
  // The focus went to AObject, an object below this one.
  virtual void ChildFocused(TvxVisualObject*) {}
  // Styled controls take their look here.
  virtual void ApplyResource() {}

  // ---- input: the host calls these; descendants override them and call the base -----------
  // X and Y are local. A press may take the focus; outside design mode any button but the
  // right one captures the mouse with AutoCapture, a double click (ssDouble) calls
  // DblClick, a left press is remembered for the click; the right button opens the
  // context menu at the pressed point.
  virtual void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  virtual void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  // Releases this object's capture; a remembered left press released inside the local
  // rectangle (edges included) is a Click, unless the press was a double click.
  virtual void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  virtual void MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled);
  virtual void Click();
  virtual void DblClick();
  // The context-menu key (win::VK_APPS) opens the context menu at the object's centre; any other key fires OnKeyDown.
  virtual void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  virtual void KeyUp(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift);
  // Offers the key to each visible, enabled visual child in order until one clears it.
  virtual void DialogKey(uint16_t& Key, rtl::TShiftState Shift);
  // Set / clear IsMouseOver with the "IsMouseOver" triggers.
  virtual void MouseEnter();
  virtual void MouseLeave();
  // Screen coordinates: pops the PopupMenu up there (when it is an IvxPopupMenu).
  virtual void ContextMenu(const TvxPoint& ScreenPoint);
  bool Pressed() const { return pressed_; }
  bool DoubleClicked() const { return doubleClicked_; }

  // ---- focus -------------------------------------------------------------------------------
  // For a focusable object that OnCanFocused does not refuse: the host moves the focus here.
  void SetFocus();
  // The host calls these when the focus arrives / leaves (focusable objects only): state,
  // repaint, event, and the "IsFocused" triggers unless DisableFocusEffect.
  virtual void EnterFocus();
  virtual void KillFocus();

  // ---- drag and drop (the host passes the drag and a point) --------------------------------
  virtual void DragEnter(const TvxDragObject& Data, const TvxPoint& Point);
  virtual void DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept);
  virtual void DragDrop(const TvxDragObject& Data, const TvxPoint& Point);
  virtual void DragLeave();
  // With automatic dragging the press ends first (a release far outside).
  virtual void DragEnd();
  // Starts a window-level drag of this object through the host (automatic drag mode).
  virtual void BeginAutoDrag();
  // The picture a drag shows: the object's screenshot at opacity 0.7, fitted into
  // 512 x 512 when it is larger.
  std::unique_ptr<TvxBitmap> MakeDragImage();
  // The drop target under the absolute point P: the last child that answers, else this
  // object when it accepts the drag, P hits it and it is hit-testable.
  TvxVisualObject* FindTarget(const TvxPoint& P, const TvxDragObject& Data);

  // ---- hit testing ---------------------------------------------------------------------------
  // HitTest; in design mode every object that is neither Locked nor DesignHide.
  bool CheckHitTest();
  // The object under the absolute point: children last to first, then this object.
  // Invisible objects, disabled controls and clipping objects the point misses answer nil.
  virtual TvxVisualObject* ObjectAtPoint(const TvxPoint& P);

  // ---- caret (text editors) -----------------------------------------------------------------
  // The caret shape, nil until first shown or placed.
  TvxVisualObject* Caret() const { return caret_; }
  void ShowCaret();
  void HideCaret();
  // Rounds both coordinates.
  void SetCaretPos(const TvxPoint& P);
  void SetCaretSize(const TvxPoint& S);
  void SetCaretColor(TvxColor C);

  // ---- tab order and capture ------------------------------------------------------------
  // Appends TabList in order; with Recursive each entry's own list follows it.
  void GetTabOrderList(std::vector<TvxVisualObject*>& List, bool Recursive);
  // The place in the visual parent's TabList; -1 without one.
  int GetTabOrder() const;
  // While loading the value is kept for ApplyTabOrder; otherwise MoveTabOrder.
  void SetTabOrder(int Value);
  // Moves this object in its parent's TabList to Value (clamped to the list).
  void MoveTabOrder(int Value);
  // After loading: the children whose loaded tab order lies in the list take those places.
  void ApplyTabOrder();
  void Capture();
  void ReleaseCapture();

  // ---- painting --------------------------------------------------------------------------
  virtual void BeforePaint() {}
  virtual void Paint() {}
  virtual void AfterPaint() {}
  // Paints the visible children that touch a pending update rectangle, in list order.
  virtual void PaintChildren();
  // Paints this object and its subtree into ACanvas so that its local rectangle fills
  // ARect, as if AParent were its parent. With a Base matrix (a visual brush gives the
  // canvas's own), ARect lies in the space that matrix maps to the canvas.
  void PaintTo(TvxCanvas* ACanvas, const TvxRect& ARect, TvxObject* AParent = nullptr,
               const TvxMatrix* Base = nullptr);
  // A new bitmap of the object's size (rounded) with the object painted into it.
  std::unique_ptr<TvxBitmap> MakeScreenshot();

  // ---- layout -----------------------------------------------------------------------------
  // Lays the children out by their Align (see Align.cpp).
  virtual void Realign();

  // ---- events, in their published order --------------------------------------------------
  TvxDragEnterEvent OnDragEnter;
  rtl::TNotifyEvent OnDragLeave;
  TvxDragOverEvent OnDragOver;
  TvxDragDropEvent OnDragDrop;
  rtl::TNotifyEvent OnDragEnd;
  TvxKeyEvent OnKeyDown;
  TvxKeyEvent OnKeyUp;
  rtl::TNotifyEvent OnClick;
  rtl::TNotifyEvent OnDblClick;
  TvxCanFocusedEvent OnCanFocused;
  rtl::TNotifyEvent OnEnterFocus;
  rtl::TNotifyEvent OnKillFocus;
  TvxMouseEvent OnMouseDown;
  TvxMouseEvent OnMouseUp;
  TvxMouseMoveEvent OnMouseMove;
  TvxMouseWheelEvent OnMouseWheel;
  rtl::TNotifyEvent OnMouseEnter;
  rtl::TNotifyEvent OnMouseLeave;
  TvxPaintEvent OnBeforePaint;
  TvxPaintEvent OnPaint;
  rtl::TNotifyEvent OnApplyResource;

  // ---- streams and host -------------------------------------------------------------------
  void SetScene(IvxScene* AScene) override;
  void DeleteChildren() override;

protected:
  void Loaded() override;
  // Forgets a popup menu that is being freed.
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  void ChildAdded(TvxObject* AObject) override;
  void ChildRemoving(TvxObject* AObject) override;
  void ChildRemoved(TvxObject* AObject) override;
  // Whether an enabled effect child replaces or follows this object's painting.
  bool EffectReplacesPaint() const;
  bool EffectPaintsAfter() const;
  // Draws the effect images of this object (before or after its own painting).
  void ApplyEffect();
  bool Loading() const { return ComponentState().Contains(rtl::csLoading); }
  bool Designing() const;
  bool Aligning() const { return aligning_; }
  void RecalcNeedAlign();
  // A child takes an Align other than vaNone: a parent that had no aligned child measures
  // the corner and scale kinds from its size now.
  void AlignedChildComes();
  // Whether this object lays its children out again when one of them changes its width or
  // height, aligned or not (a scroll box's content, whose extent follows its children).
  virtual bool RealignOnChildResize() const { return false; }
  void SetFocusedFlag(bool Value) { SetField(isFocused_, Value); }
  // Whether a disabled object of this class is passed over by hit tests and drops: true for
  // the styled controls.
  bool IsControl() const;
  // What this object covers (GetReachRect) changed: its own and its ancestors' children
  // rectangles are worked out again. The setters of this class call it; a class whose
  // GetAbsoluteRect or GetReachRect follows a value of its own calls it when that changes.
  void BoundsChanged();

private:
  friend class TvxEffect;
  friend void PaintVisualBrushObject(rtl::TComponent*, TvxCanvas&, const TvxRect&, float);
  void PositionChanged(rtl::TObject* Sender);
  void MarginsChanged(rtl::TObject* Sender);
  void PaddingChanged(rtl::TObject* Sender);
  // Sets the width or the height (Extent, Horizontal telling which): a negative one at design
  // time turns positive and mirrors the scale on that axis; then the layout follows.
  void SetExtent(float& Extent, float Value, bool Horizontal);
  TvxVisualObject* VisualParent() const;
  // Whether repaint requests of geometry changes reach the host now.
  bool CanRequestRepaint() const;
  void SetDisableRepaint(bool Value);
  void SetUpdateCount(int Value);
  void PaintChild(TvxVisualObject* Child);
  // Whether this clipping object's clip leaves every pixel Child paints as it is: a leaf
  // without effects or paint handlers whose reach, grown by its spill and a pixel, lies
  // inside the clip rectangle. Its clip is then not set for it.
  bool ClipLeavesWhole(TvxVisualObject* Child);
  void DrawDragFrame();
  void ClearFocusIfFocused();
  // What a whole repaint asks the host to redraw: GetUpdateRect with what it painted last.
  TvxRect WholeRepaintRect();
  void CreateCaret();
  // Fires the triggers of a state property (animations and effects).
  void StateTriggers(const char* Name);
  // Layout (Align.cpp).
  void AlignObject(TvxVisualObject* Child, TvxAlign Kind, TvxRect& C);

  std::unique_ptr<TvxPosition> position_;
  std::unique_ptr<TvxPosition> scale_;
  std::unique_ptr<TvxPosition> rotateCenter_;
  std::unique_ptr<TvxBounds> margins_;
  std::unique_ptr<TvxBounds> padding_;
  float rotateAngle_ = 0;
  float width_ = 50;
  float height_ = 50;
  float opacity_ = 1;
  TvxAlign align_ = vaNone;
  rtl::TCursor cursor_ = rtl::crDefault;
  TvxDragMode dragMode_ = vgDragManual;
  bool dragDisableHighlight_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool locked_ = false;
  bool clipChildren_ = false;
  bool clipParent_ = false;
  bool hitTest_ = true;
  bool canClipped_ = true;
  bool designHide_ = false;
  bool designResizeLocked_ = false;
  std::u16string hint_;
  bool showHint_ = false;
  rtl::TComponent* popupMenu_ = nullptr;
  bool isMouseOver_ = false;
  bool isDragOver_ = false;
  bool isFocused_ = false;

  bool autoCapture_ = false;
  bool disableAlign_ = false;
  TvxCanvas* canvas_ = nullptr;
  bool canFocused_ = false;
  bool disableFocusEffect_ = false;
  bool recalcEnabled_ = true;
  bool absoluteEnabled_ = true;
  std::vector<TvxVisualObject*> tabList_;
  bool needAlign_ = false;
  // The size the corner and scale kinds measure the change from: the size at the last
  // layout, or when the first aligned child came (see AlignedChildComes).
  float lastWidth_ = 50;
  float lastHeight_ = 50;
  TvxMatrix localMatrix_ = IdentityMatrix;
  TvxMatrix absoluteMatrix_ = IdentityMatrix;
  const TvxMatrix* paintBase_ = nullptr;  // under a parentless object's matrix during PaintTo
  bool recalcAbsolute_ = true;
  bool effectsDirty_ = true;
  float absoluteOpacity_ = 1;
  bool recalcOpacity_ = true;
  bool disableRepaint_ = false;
  TvxRect updateRect_;
  TvxRect paintedRect_;  // the update rectangle at the last paint; empty before
  bool recalcUpdateRect_ = true;
  // GetChildrenRect's value while childrenRectValid_. A valid object that does not clip has
  // valid visible children, so a change stops going up where it meets an invalid one.
  TvxRect childrenRect_;
  bool childrenRectValid_ = false;
  int updateCount_ = 0;
  bool aligning_ = false;
  bool disableEffect_ = false;
  bool hasEffects_ = false;
  // An effect was added as a child at some time (whether enabled or not): only then can an
  // effect stand in for the object's own paint, which painting would otherwise ask every time.
  bool effectChildren_ = false;
  int loadedTabOrder_ = -1;
  TvxVisualObject* caret_ = nullptr;
  bool pressed_ = false;
  bool doubleClicked_ = false;
};

// The inner content of a compound control: its children are streamed as the control's.
class TvxContent : public TvxVisualObject {
  RTL_CLASS(TvxContent, TvxVisualObject)
public:
  explicit TvxContent(rtl::TComponent* AOwner);
  // Lays out its children (unless its parent is loading), then has the parent lay out
  // again, so the compound control follows whenever the content's children move
  // (Controls.cpp).
  void Realign() override;

protected:
  bool FlattenedInStreams() const override { return true; }

private:
  bool realigningParent_ = false;
};

}  // namespace vg
