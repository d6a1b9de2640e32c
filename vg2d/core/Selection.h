// Frames the user moves and resizes with the mouse. TvxSelection is a dashed frame with
// four round corner grips: dragging inside moves it, dragging a grip resizes it (keeping
// its aspect ratio when Proportional), inside its parent when ParentBounds, never below
// MinSize; OnTrack fires at each step and OnChange when the drag ends. The bitmap editor
// crops with it. TvxSelectionPoint is a single round grip the user drags to a new place in
// its parent; TvxDesignFrame carries the same two events and draws nothing.
#pragma once

#include "vg2d/core/VisualObjects.h"

namespace vg {

class TvxSelection : public TvxVisualObject {
  RTL_CLASS(TvxSelection, TvxVisualObject)
public:
  explicit TvxSelection(rtl::TComponent* AOwner);

  bool ParentBounds() const { return parentBounds_; }
  void SetParentBounds(bool Value) { parentBounds_ = Value; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value);
  int MinSize() const { return minSize_; }
  // Values below 1 become 1.
  void SetMinSize(int Value) { minSize_ = Value < 1 ? 1 : Value; }
  bool Proportional() const { return proportional_; }
  void SetProportional(bool Value) { proportional_ = Value; }
  // Half the side of a grip; held to 1 .. 20.
  float GripSize() const { return gripSize_; }
  void SetGripSize(float Value);

  // What the current drag does (at most one is set).
  bool Moving() const { return move_; }
  bool DraggingGrip() const { return leftTop_ || leftBottom_ || rightTop_ || rightBottom_; }
  // The grips under the mouse: top-left, top-right, bottom-right, bottom-left.
  bool GripHot(int Corner) const;

  // Grown by GripSize + 4 on every side, so the grips repaint with the frame.
  TvxRect GetAbsoluteRect() override;
  // Inside the frame, or on one of its grips.
  bool PointInObject(float X, float Y) override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseLeave() override;
  void Paint() override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnTrack;

private:
  bool InGrip(const TvxPoint& P, float Cx, float Cy) const;
  void MoveStep();
  void GripStep();

  bool parentBounds_ = true;
  bool hideSelection_ = false;
  int minSize_ = 15;
  bool proportional_ = false;
  float gripSize_ = 3;
  float ratio_ = 1;
  bool move_ = false, leftTop_ = false, leftBottom_ = false, rightTop_ = false, rightBottom_ = false;
  bool hot_[4] = {false, false, false, false};
  TvxPoint downPos_{0, 0};
  TvxPoint movePos_{0, 0};
};

class TvxSelectionPoint : public TvxVisualObject {
  RTL_CLASS(TvxSelectionPoint, TvxVisualObject)
public:
  explicit TvxSelectionPoint(rtl::TComponent* AOwner);

  bool ParentBounds() const { return parentBounds_; }
  void SetParentBounds(bool Value) { parentBounds_ = Value; }
  float GripSize() const { return gripSize_; }
  // Held to 1 .. 20; the point keeps its size.
  void SetGripSize(float Value);
  bool Dragging() const { return dragging_; }

  // The point is always 2 x GripSize square, whatever is asked.
  void SetWidth(float Value) override;
  void SetHeight(float Value) override;
  TvxRect GetUpdateRect() override;
  // The grip is centred on the point's origin: |x| < GripSize and |y| < GripSize locally.
  bool PointInObject(float X, float Y) override;
  // The point's rectangle and the grip round its origin, in absolute coordinates.
  TvxRect GetReachRect() override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Paint() override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnTrack;

private:
  bool parentBounds_ = true;
  float gripSize_ = 3;
  bool dragging_ = false;
};

class TvxDesignFrame : public TvxVisualObject {
  RTL_CLASS(TvxDesignFrame, TvxVisualObject)
public:
  using TvxVisualObject::TvxVisualObject;
  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnTrack;
};

}  // namespace vg
