// Four small controls: the splitter that resizes its aligned neighbour, the progress bar,
// the activity spinner (painted in code) and the angle button (a dial), with the Hud twin
// of the angle button.
#pragma once

#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Animations.h"

namespace vg {

class TvxText;

// Dragged with the left button, a splitter resizes the sibling it is aligned against: the
// first visible, unlocked sibling aligned on the same axis that lies just outside the
// splitter (one unit beyond its edge). The neighbour keeps at least MinSize and leaves
// room for MinSize beside the other edge-aligned siblings. A splitter aligned any other
// way than to an edge resizes nothing; its mouse events still fire.
class TvxSplitter : public TvxControl {
  RTL_CLASS(TvxSplitter, TvxControl)
public:
  explicit TvxSplitter(rtl::TComponent* AOwner);

  float MinSize() const { return minSize_; }
  void SetMinSize(float Value) { minSize_ = Value; }
  bool ShowGrip() const { return showGrip_; }
  // Shows or hides the style's part "grip".
  void SetShowGrip(bool Value);
  // The cursor follows: a vertical split for top and bottom, a horizontal one otherwise.
  void SetAlign(TvxAlign Value) override;
  // The neighbour found by the running drag (nil when none runs).
  TvxVisualObject* Neighbour() const { return neighbour_; }

  // At design time an unlocked splitter shows a dashed outline.
  void Paint() override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;

protected:
  void ApplyStyle() override;

private:
  TvxVisualObject* FindNeighbour();
  float LargestSize();
  // The neighbour's size for the mouse at X, Y, within MinSize .. the largest size.
  float SizeFor(float X, float Y);
  // Whether the neighbour is still a child of this splitter's parent.
  bool NeighbourThere() const;

  bool dragging_ = false;
  TvxVisualObject* neighbour_ = nullptr;
  TvxPoint pressed_;
  float minSize_ = 20;
  float largestSize_ = 0;
  float lastSize_ = 0;
  bool showGrip_ = true;
};

// The indicator (the style's part "hindicator" or "vindicator") is as long as the value's
// share of the range, measured inside the part "htrack" / "vtrack" (or "track"); a value
// outside the range gives an empty or a full bar, and an indicator of 2 units or less is
// hidden. Min and Max only store: the bar follows at the next value or layout.
class TvxProgressBar : public TvxControl {
  RTL_CLASS(TvxProgressBar, TvxControl)
public:
  explicit TvxProgressBar(rtl::TComponent* AOwner);

  float Value() const { return value_; }
  void SetValue(float Value);
  float Min() const { return min_; }
  void SetMin(float Value) { min_ = Value; }
  float Max() const { return max_; }
  void SetMax(float Value) { max_ = Value; }
  TvxOrientation Orientation() const { return orientation_; }
  void SetOrientation(TvxOrientation Value);

  // The inherited layout, then the indicator takes its length.
  void Realign() override;

  // The data is the value; a number sets it, anything else sets Min.
  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

protected:
  // Runs the indicator's "IsVisible" animations, then lays the bar out.
  void ApplyStyle() override;

private:
  float min_ = 0;
  float value_ = 0;
  float max_ = 100;
  TvxOrientation orientation_ = vgHorizontal;
  bool realigning_ = false;
};

RTL_ENUM(TvxAniIndicatorStyle, vgAniIndicatorLine, vgAniIndicatorCircle);

// A spinner of twelve spokes (or eight dots) in light grey; while Enabled a dark highlight
// runs round them, once every 30 degrees of a looping 10 s rotation of an inner object. Its
// Enabled starts and stops that rotation; input is not affected by it.
class TvxAniIndicator : public TvxControl {
  RTL_CLASS(TvxAniIndicator, TvxControl)
public:
  explicit TvxAniIndicator(rtl::TComponent* AOwner);

  bool Enabled() const { return animating_; }
  void SetEnabled(bool Value);
  TvxAniIndicatorStyle Style() const { return style_; }
  void SetStyle(TvxAniIndicatorStyle Value);
  // The phase of the highlight: the inner object's angle, 0 .. 360.
  float Phase() const;
  // The opacity (before the spinner's own) of the highlight on spoke Index.
  float HighlightOpacity(int Index) const;

  void Paint() override;

protected:
  // Forgets the inner object or its animation when either is freed (with the children).
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  TvxVisualObject* inner_;
  TvxFloatAnimation* rotation_;
  bool animating_ = false;
  TvxAniIndicatorStyle style_ = vgAniIndicatorLine;
};

// A dial: dragging with the left button sets Value to the angle, in degrees counter-
// clockwise from the right, of the mouse round the centre (snapped to Frequency). The
// style's part "tick" turns with it; the parts "text" (with ShowValue) and "tracktext"
// show it rounded, with a degree sign. OnChange fires at each change unless a drag runs
// with Tracking off, and once more at the release when the drag changed the value.
class TvxAngleButton : public TvxControl {
  RTL_CLASS(TvxAngleButton, TvxControl)
public:
  explicit TvxAngleButton(rtl::TComponent* AOwner);

  float Value() const { return value_; }
  void SetValue(float Value);
  float Frequency() const { return frequency_; }
  void SetFrequency(float Value) { frequency_ = Value; }
  bool Tracking() const { return tracking_; }
  void SetTracking(bool Value) { tracking_ = Value; }
  bool ShowValue() const { return showValue_; }
  void SetShowValue(bool Value);

  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;

  // The data is the value; a method becomes OnChange, a number the value, anything else 0.
  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;

  // A new size fits the value text again.
  void Realign() override;

protected:
  void ApplyStyle() override;

private:
  // Pushes the value text into the parts "text" and "tracktext", each fitted to the dial.
  void UpdateTexts();
  // The style's font size for the text, unless its box (measured width, line height)
  // would reach beyond the dial's face inside the tick's ring and the outline (4 units on
  // each side): then the size whose box diagonal equals that face's diameter.
  void FitToDial(TvxText* Part, float StyleSize);

  // The font sizes of "text" and "tracktext" as the applied style gave them.
  float styleTextSize_ = 0;
  float styleTrackTextSize_ = 0;
  bool pressed_ = false;
  TvxPoint mouse_;
  float pressValue_ = 0;
  float value_ = 0;
  float frequency_ = 0;
  bool tracking_ = true;
  bool showValue_ = false;
};

class TvxHudAngleButton : public TvxAngleButton {
  RTL_CLASS(TvxHudAngleButton, TvxAngleButton)
public:
  using TvxAngleButton::TvxAngleButton;
};

}  // namespace vg
