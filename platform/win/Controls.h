// The class library's controls, as far as a scene and the application's forms need them:
// a control with a parent, bounds, alignment, visibility and a cursor; a windowed control
// with a handle (a window procedure registered with the GUI thread's loop), child controls,
// keyboard focus and an update region; and the custom control that paints itself.
//
// Windowed controls do not get windows of their own from the display: the top-level form
// owns the one display window, its frame buffer and its input. A windowed control's handle
// is a window procedure inside the loop, a child of its parent's handle, so posted messages
// (paint, deferred work) and PeekMessage filters work as they do for child windows. Input
// reaches a control as Windows messages sent to its WndProc by the form.
//
// Painting: a control paints into the form's frame where it lies, and only while it shows
// (what is marked meanwhile is painted when it shows; shown again after hiding, it paints
// whole). What a control leaves when it hides, moves or leaves its parent goes from the frame
// (the form's colour shows there) and the controls under it paint that part again. A custom
// control's paint is followed by a paint of the controls above it (its children, its later
// siblings and theirs) where they overlap what it painted, so the frame shows them over it
// as child windows are clipped on Windows. A WM_PAINT or WM_ERASEBKGND whose wParam is a
// paint target (DCParam) asks the control for its whole client in that target instead.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx2d/Image.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/win/WinTypes.h"

namespace win {

class TWinControl;
class TCustomForm;

RTL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient);

// Control style flags (what a control takes from the form).
RTL_ENUM(TControlStyleItem, csAcceptsControls, csCaptureMouse, csDoubleClicks, csOpaque, csActionClient);
using TControlStyle = rtl::TSet<TControlStyleItem>;

using TMouseEvent =
    rtl::TEvent<void(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TShiftState Shift, int X, int Y)>;
// MousePos in screen coordinates; a handler that uses the turn sets Handled.
using TMouseWheelEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TShiftState Shift, int WheelDelta,
                                          const TPoint& MousePos, bool& Handled)>;

class TControl : public rtl::TComponent {
  RTL_CLASS(TControl, rtl::TComponent)
public:
  explicit TControl(rtl::TComponent* AOwner);
  void BeforeDestruction() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  // In streams a control is nested in its parent: it is written under it and, when read,
  // put into the windowed control it was read under.
  bool HasParent() const override { return true; }
  rtl::TComponent* GetParentComponent() const override;
  void SetParentComponent(rtl::TComponent* Value) override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
  void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
  void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
  void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  TRect ClientRect() const { return {0, 0, width_, height_}; }
  // Moves and sizes the control; the parent realigns its children. Sizes are kept within
  // 0 .. MaxControlSize and positions within -MaxControlPosition .. MaxControlPosition, as
  // a form's are: nothing inside a window needs more, a control that draws keeps a bounded
  // buffer, and screen arithmetic cannot overflow.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  static constexpr int MaxControlSize = 8192;
  static constexpr int MaxControlPosition = 32767;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign Value);
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool Value);
  // Visible together with every parent, up to a shown form.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  TCursor Cursor() const { return cursor_; }
  // Sets the cursor; the form shows it at once when the mouse is over this control.
  void SetCursor(TCursor Value);
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& Value) { hint_ = Value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value) { showHint_ = Value; }
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle Value) { controlStyle_ = Value; }

  // Client point to screen point and back (through the parents and the form's position).
  TPoint ClientToScreen(const TPoint& P) const;
  TPoint ScreenToClient(const TPoint& P) const;
  // Takes (true) or releases the form's mouse capture for this control.
  void SetMouseCapture(bool Value);
  bool MouseCapture() const;

  // Updates the control's action, if it has one. Its form calls it at idle time for each
  // visible action client (csActionClient) among its shown controls; the controls here
  // hold no action of their own.
  virtual void InitiateAction() {}

  // Sends the message to the control's own procedure and returns its answer.
  LRESULT Perform(UINT Msg, WPARAM wParam, LPARAM lParam);
  // The control's message procedure; overrides handle their messages and pass the others
  // on. Mouse messages become MouseDown, MouseMove, MouseUp and DoMouseWheel.
  virtual LRESULT WndProc(MSG& Message);

  // The class library's drag of a control: the form tracks the mouse, asks the control
  // under it through its OnDragOver, drops on an accepting one and then ends the drag on
  // this control. Immediate: no threshold (the only kind used).
  void BeginDrag(bool Immediate);
  bool Dragging() const;
  using TDragOverEvent =
      rtl::TEvent<void(rtl::TObject* Sender, rtl::TObject* Source, int X, int Y, int State, bool& Accept)>;
  using TDragDropEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TObject* Source, int X, int Y)>;
  using TEndDragEvent = rtl::TEvent<void(rtl::TObject* Sender, rtl::TObject* Target, int X, int Y)>;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  // The mouse as the control gets it (client coordinates); a control that publishes them
  // names them in its class record.
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;

protected:
  // Each fires its event; overrides call them first.
  virtual void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y);
  virtual void MouseMove(rtl::TShiftState Shift, int X, int Y);
  virtual void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y);
  // The wheel, MousePos in screen coordinates; answers whether the turn was used (OnMouseWheel
  // said so).
  virtual bool DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const TPoint& MousePos);
  // The form asks the control under the mouse for its cursor.
  friend class TCustomForm;
  friend class TWinControl;

private:
  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TCursor cursor_ = crDefault;
  std::u16string hint_;
  bool showHint_ = false;
  TControlStyle controlStyle_;
};

class TWinControl : public TControl {
  RTL_CLASS(TWinControl, TControl)
public:
  explicit TWinControl(rtl::TComponent* AOwner);
  void BeforeDestruction() override;
  // Streams write the child controls that Root owns, in their order.
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;

  // The handle, created (with the handles of the parents) when missing; 0 when the control
  // has no form to live in.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != 0; }
  void HandleNeeded() { Handle(); }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const { return controls_[static_cast<size_t>(Index)]; }
  // Lays out the aligned children inside the client rectangle.
  void Realign();
  // The deepest visible child control at a client point (this control when none).
  TControl* ControlAtPos(const TPoint& P);

  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool Value) { tabStop_ = Value; }
  // Takes the keyboard focus in its form.
  virtual void SetFocus();
  bool Focused() const;
  bool CanFocus() const;

  // Marks the rectangle (client coordinates) for painting; a WM_PAINT is posted when none
  // is pending. The rectangle is clipped to the client area. A control that does not show
  // keeps what it marks as one rectangle, painted when it shows.
  void InvalidateRect(const TRect& R);
  void Invalidate() { InvalidateRect(ClientRect()); }
  // The rectangles marked since the last paint, and taking them.
  const std::vector<TRect>& UpdateRegion() const { return updateRegion_; }
  std::vector<TRect> TakeUpdateRegion();

  // The form's frame under this control's client area, clipped to the control: what a
  // paint copies its pixels into. Empty (no bits) without a form or a handle. While the
  // control answers a paint message that carries a target, that target.
  gfx2d::PixelTarget GetDC();
  // Shows the given client rectangles of the form's frame on the display; nothing while the
  // control paints into a target a message carries.
  void PresentRects(const std::vector<TRect>& Rects);
  // Whether the control paints into a target a paint message carries (not its form's frame).
  bool PaintingToDC() const { return paintDC_ != nullptr; }
  // On a layered form (which shows only its layered picture) a control that holds its
  // windowed children in that picture (a transparent scene) is offered what one of them
  // presents, Rects in this control's client coordinates, and answers whether it shows them.
  virtual bool PresentChild(TWinControl* Child, const std::vector<TRect>& Rects);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetVisible(bool Value) override;
  LRESULT WndProc(MSG& Message) override;

protected:
  virtual void CreateHandle();
  virtual void CreateWnd();
  virtual void DestroyWnd();
  void DestroyHandle();
  // Paint message without anything to paint: takes the update region.
  virtual void PaintHandler();
  // Sent to this control and its windowed children when their showing state may change;
  // each that shows now paints what was marked while it did not.
  void BroadcastShowingChanged();
  // Whether the control paints pixels of its own into the frame (a custom control).
  virtual bool PaintsItself() const { return false; }

private:
  friend class TControl;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  // Answers WM_PAINT with a target: the whole client painted into it, the pending update
  // region and paint left as they were.
  void PaintToDC(const gfx2d::PixelTarget& DC);
  // Takes what Control (shown, a child of this control) covered at R (this control's client
  // coordinates) out of the form's frame and has the other controls there paint it again.
  void Uncover(const TRect& R, const TControl* Control);
  // The controls drawn above this one (after it in the form's paint order) paint again where
  // they overlap Rects (this control's client coordinates).
  void RepaintAbove(const std::vector<TRect>& Rects);

  HWND handle_ = 0;
  const gfx2d::PixelTarget* paintDC_ = nullptr;
  bool losingChildren_ = false;  // its children leave as it goes
  std::vector<TControl*> controls_;
  std::vector<TRect> updateRegion_;
  bool paintPosted_ = false;
  bool tabStop_ = false;
  bool aligning_ = false;
};

// A windowed control that paints itself on WM_PAINT.
class TCustomControl : public TWinControl {
  RTL_CLASS(TCustomControl, TWinControl)
public:
  explicit TCustomControl(rtl::TComponent* AOwner) : TWinControl(AOwner) {}

protected:
  virtual void Paint() {}
  void PaintHandler() override;
  bool PaintsItself() const override { return true; }
};

// The form a control lives in, nil when none.
TCustomForm* GetParentForm(const TControl* Control);

// A paint target as the wParam of WM_PAINT or WM_ERASEBKGND (the device context the message
// carries): its top-left pixel is the control's client (0, 0), and it may be smaller than the
// client. Zero stands for none.
inline WPARAM DCParam(const gfx2d::PixelTarget* DC) { return reinterpret_cast<WPARAM>(DC); }
inline const gfx2d::PixelTarget* DCFromParam(WPARAM W) { return reinterpret_cast<const gfx2d::PixelTarget*>(W); }

}  // namespace win
