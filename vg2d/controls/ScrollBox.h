// The scroll box: a window onto content larger than itself.
//
// The box owns a scroll content that carries every child the user adds; its style shows a
// viewport (the part "content") onto it and a vertical and a horizontal scroll bar
// ("vscrollbar", "hscrollbar", or the thin "vsmallscrollbar" and "hsmallscrollbar"). At
// each layout the box measures its content (the viewport united with the children's
// rectangles), sizes the scroll content to it and sets each bar's range, page and step from
// it: a bar is enabled only while the content is longer than the viewport along its axis,
// and with AutoHide it is hidden while disabled. Scrolling moves the scroll content against
// the viewport; the content paints and answers the mouse only inside the viewport.
//
// It scrolls by its bars, by the mouse wheel (three steps a notch, animated when Animated)
// and, with MouseTracking, by dragging the content, which coasts on after the release.
#pragma once

#include "vg2d/core/Animations.h"
#include "vg2d/core/Controls.h"

namespace vg {

class TvxScrollBar;
class TvxScrollBox;

// The inner content of a scroll box: its children are written to streams as the box's.
class TvxScrollContent : public TvxContent {
  RTL_CLASS(TvxScrollContent, TvxContent)
public:
  explicit TvxScrollContent(rtl::TComponent* AOwner);

  // The box this content belongs to (its parent), nil outside one.
  TvxScrollBox* ScrollBox() const;

  // The inherited work, then the box hears of the child.
  void AddObject(TvxObject* AObject) override;
  void RemoveObject(TvxObject* AObject) override;
  // In a box with a viewport: the part of the content the viewport shows, in the
  // content's coordinates.
  TvxRect GetClipRect() const override;
  // Only an object under a point the viewport shows.
  TvxVisualObject* ObjectAtPoint(const TvxPoint& P) override;
  // Only what the viewport shows needs painting.
  TvxRect GetUpdateRect() override;
  // Lets the box paint behind the children, clipped to the viewport.
  void Paint() override;

protected:
  // A child that changes its size changes the content's extent, aligned or not.
  bool RealignOnChildResize() const override { return true; }
};

class TvxScrollBox : public TvxControl {
  RTL_CLASS(TvxScrollBox, TvxControl)
public:
  explicit TvxScrollBox(rtl::TComponent* AOwner);

  // ---- published --------------------------------------------------------------------------
  bool AutoHide() const { return autoHide_; }
  void SetAutoHide(bool Value);
  bool Animated() const { return animated_; }
  void SetAnimated(bool Value) { animated_ = Value; }
  bool DisableMouseWheel() const { return disableMouseWheel_; }
  void SetDisableMouseWheel(bool Value) { disableMouseWheel_ = Value; }
  bool MouseTracking() const { return mouseTracking_; }
  void SetMouseTracking(bool Value) { mouseTracking_ = Value; }
  bool ShowScrollBars() const { return showScrollBars_; }
  // A change lays the box out again.
  void SetShowScrollBars(bool Value);
  bool ShowSizeGrip() const { return showSizeGrip_; }
  // A change applies the style again.
  void SetShowSizeGrip(bool Value);
  bool UseSmallScrollBars() const { return useSmallScrollBars_; }
  // A change applies the style again.
  void SetUseSmallScrollBars(bool Value);

  // ---- parts and positions --------------------------------------------------------------
  TvxScrollContent* Content() const { return content_; }
  // Nil until the style is applied.
  TvxScrollBar* VScrollBar() const { return vScrollBar_; }
  TvxScrollBar* HScrollBar() const { return hScrollBar_; }
  TvxVisualObject* Viewport() const { return viewport_; }
  // The viewport's rectangle in its parent, or the box's local rectangle without one.
  TvxRect ViewportRect() const;
  float ViewportWidth() const;
  float ViewportHeight() const;
  // The bar's value while the bar exists and shows, else 0.
  float VScrollPos() const;
  float HScrollPos() const;
  // The last values the bars reported.
  TvxPoint ScrollOffset() const { return scrollOffset_; }
  // Every shown bar to the middle of its range.
  void Center();

  // ---- layout and input -------------------------------------------------------------------
  // Children go into the scroll content, except the style, effects and animations.
  void AddObject(TvxObject* AObject) override;
  // The inherited layout, then the content is measured and the bars follow (twice when
  // showing or hiding a bar changed the viewport).
  void Realign() override;
  // With MouseTracking a left drag scrolls the content; a release with movement coasts on.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // A notch scrolls three steps of the vertical bar (the horizontal one without a shown
  // vertical bar), unless OnMouseWheel handled it or DisableMouseWheel.
  void MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) override;

  // The animation that coasts the vertical (horizontal) bar, nil until first used.
  TvxFloatAnimation* VInertia() const { return vInertia_; }
  TvxFloatAnimation* HInertia() const { return hInertia_; }

protected:
  friend class TvxScrollContent;
  // A child entered / left the scroll content.
  virtual void ContentAddObject(TvxObject*) {}
  virtual void ContentRemoveObject(TvxObject*) {}
  // The bars' change events: the content moves to the bar's value.
  virtual void HScrollChange(rtl::TObject* Sender);
  virtual void VScrollChange(rtl::TObject* Sender);
  // The extent of the content in the viewport's coordinates: the viewport's local rectangle
  // united with every visible child's rectangle (the box's own rectangle without content
  // or viewport).
  virtual TvxRect GetContentBounds();
  // Paints behind the content's children, in the content's coordinates; empty here.
  virtual void ContentPaint(TvxCanvas*, const TvxRect&) {}
  // Places and sizes the scroll content.
  virtual void SetContentBounds(const TvxRect& R);

  void ApplyStyle() override;
  void FreeStyle() override;
  void Loaded() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // The viewport's top-left corner in the box's coordinates.
  TvxPoint ViewportOrigin() const;
  void ResetScrollOffset() { scrollOffset_ = {0, 0}; }
  // With MouseTracking: a left press on the box is being tracked, and its last move
  // scrolled nothing (velocity (0, 0)).
  bool TrackingPress() const { return mouseDown_; }
  bool TrackingStill() const { return velocity_.X == 0 && velocity_.Y == 0; }

private:
  void UpdateScrollBars();
  // Takes a style bar: wires its change event, locks it and remembers its alignment.
  void TakeBar(TvxScrollBar* Bar, bool Vertical);
  // Runs Bar's coast animation (made on first use) from its value to Target.
  void Coast(TvxScrollBar* Bar, TvxFloatAnimation*& Animation, float Target);
  bool Destroying() const { return ComponentState().Contains(rtl::csDestroying); }

  TvxFloatAnimation* hInertia_ = nullptr;
  TvxFloatAnimation* vInertia_ = nullptr;
  TvxScrollContent* content_ = nullptr;
  TvxScrollBar* hScrollBar_ = nullptr;
  TvxScrollBar* vScrollBar_ = nullptr;
  TvxVisualObject* viewport_ = nullptr;
  TvxPoint scrollOffset_{0, 0};
  bool mouseDown_ = false;
  TvxPoint downPos_{0, 0};
  TvxPoint lastPos_{0, 0};
  TvxPoint velocity_{0, 0};
  bool realigning_ = false;

  bool autoHide_ = true;
  bool animated_ = true;
  bool disableMouseWheel_ = false;
  bool mouseTracking_ = false;
  bool showScrollBars_ = true;
  bool showSizeGrip_ = false;
  bool useSmallScrollBars_ = false;
};

// Scrolls only up and down: the content is as wide as the viewport.
class TvxVertScrollBox : public TvxScrollBox {
  RTL_CLASS(TvxVertScrollBox, TvxScrollBox)
public:
  using TvxScrollBox::TvxScrollBox;

protected:
  TvxRect GetContentBounds() override;
};

class TvxFramedScrollBox : public TvxScrollBox {
  RTL_CLASS(TvxFramedScrollBox, TvxScrollBox)
public:
  using TvxScrollBox::TvxScrollBox;
};

class TvxFramedVertScrollBox : public TvxVertScrollBox {
  RTL_CLASS(TvxFramedVertScrollBox, TvxVertScrollBox)
public:
  using TvxVertScrollBox::TvxVertScrollBox;
};

}  // namespace vg
