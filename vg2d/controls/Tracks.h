// The range controls: a value between Min and Max that a thumb, a click, a key or a scroll
// bar's arrows move.
//
// A track keeps Value within Min .. Max - ViewportSize (Min wins when both apply) and, with
// a Frequency, on its multiples (halves round to even). Its thumb is the style's part
// "thumb", a TvxThumb that drags the value; the track places it at every realign. With
// Tracking on, OnChange fires at every change; with Tracking off a drag fires it once, at
// the thumb's release.
//
// A scroll bar is composed in its style: two tracks ("htrack", "vtrack") and four arrow
// buttons ("leftbutton", "rightbutton", "topbutton", "bottombutton"), of which the
// orientation shows one track and two buttons. The arrows step by SmallChange; the built-in
// styles make them speed buttons, so a held arrow repeats its step.
//
// A track or scroll bar with no extent along its axis (zero width or height) ignores the
// mouse instead of dividing by it.
#pragma once

#include "vg2d/core/Controls.h"

namespace vg {

RTL_ENUM(TvxOrientation, vgHorizontal, vgVertical);

class TvxCustomTrack;

// The drag handle of a track: the part "thumb" of a track's style.
class TvxThumb : public TvxControl {
  RTL_CLASS(TvxThumb, TvxControl)
public:
  explicit TvxThumb(rtl::TComponent* AOwner);

  // The track whose style holds this thumb: the nearest track above it, nil outside one.
  TvxCustomTrack* Track() const;
  bool Dragging() const { return dragging_; }

  // A left press starts the drag and gives the track the focus (the second press of a
  // double click is reported to the track's OnMouseDown first, and starts no drag when its
  // handler changed the value); each move sets the track's value from the mouse's place
  // along it; the release ends the drag, firing the track's one OnChange when its Tracking
  // is off.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;

private:
  bool dragging_ = false;
  TvxPoint pressed_;
};

class TvxCustomTrack : public TvxControl {
  RTL_CLASS(TvxCustomTrack, TvxControl)
public:
  explicit TvxCustomTrack(rtl::TComponent* AOwner);

  float Value() const { return value_; }
  // Snaps to Frequency; a value that differs from the stored one is stored and kept in
  // range, then: the tracking event while the thumb is dragged, the bound controls when
  // Tracking is on, OnChange when Tracking is on or no drag runs, and the thumb moves.
  // NaN is ignored.
  void SetValue(float Value);
  float Min() const { return min_; }
  // Stores a changed minimum and moves the thumb; the value is left as it is.
  virtual void SetMin(float Value);
  float Max() const { return max_; }
  // Stores a changed maximum (one below Min becomes Min + 0.001), cuts ViewportSize to
  // the range and the value to Max - ViewportSize without events, and moves the thumb.
  virtual void SetMax(float Value);
  float ViewportSize() const { return viewportSize_; }
  // The thumb's length in value units, cut to the range; 0 gives a thumb as long as the
  // track is thick. A value beyond the new end is set back (with events).
  void SetViewportSize(float Value);
  TvxOrientation Orientation() const { return orientation_; }
  // At design time (not while loading) width and height are exchanged.
  void SetOrientation(TvxOrientation Value);
  bool Tracking() const { return tracking_; }
  void SetTracking(bool Value) { tracking_ = Value; }
  float Frequency() const { return frequency_; }
  // A step other than 0 snaps the current value at once.
  void SetFrequency(float Value);

  // The thumb's rectangle in the track's coordinates for the current value.
  TvxRect GetThumbRect();
  // The style's part "thumb" when it is a thumb.
  TvxThumb* Thumb();
  // The inherited layout, then the thumb takes its rectangle.
  void Realign() override;

  // A left press beside the thumb: with ViewportSize 0 the value under the mouse, else a
  // page (ViewportSize) towards the mouse; then the press is reported (OnMouseDown).
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // End, Home, Left/Up, Right/Down set Max, Min, or step by Frequency (1 without one); the
  // key is used up. With Tracking off OnChange fires once more after the key.
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;

  // The data of a track is its value; a method becomes OnChange, a number the value, and
  // anything else sets the value to Min.
  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;
  // Fired at every change while the thumb is dragged, whatever Tracking says.
  rtl::TNotifyEvent OnTracking;

private:
  friend class TvxThumb;
  friend class TvxScrollBar;
  // The thumb's release with Tracking off: the value goes through SetValue once more as if
  // it had changed, with Tracking on for the moment, so that bound controls and OnChange
  // hear of the drag's end.
  void FinishDrag();
  // The scroll bar sets range and value without the track's rules or events.
  void TakeRange(TvxOrientation AOrientation, float AMin, float AMax, float AValue);
  void ChangeValue(float Value, bool Force);

  float value_ = 0;
  float min_ = 0;
  float max_ = 100;
  float viewportSize_ = 0;
  TvxOrientation orientation_ = vgHorizontal;
  bool tracking_ = true;
  float frequency_ = 0;
};

class TvxTrack : public TvxCustomTrack {
  RTL_CLASS(TvxTrack, TvxCustomTrack)
public:
  using TvxCustomTrack::TvxCustomTrack;
};

class TvxHudTrack : public TvxTrack {
  RTL_CLASS(TvxHudTrack, TvxTrack)
public:
  using TvxTrack::TvxTrack;
};

// A track that takes the focus (and so the keys).
class TvxTrackBar : public TvxCustomTrack {
  RTL_CLASS(TvxTrackBar, TvxCustomTrack)
public:
  explicit TvxTrackBar(rtl::TComponent* AOwner);
};

class TvxHudTrackBar : public TvxTrackBar {
  RTL_CLASS(TvxHudTrackBar, TvxTrackBar)
public:
  using TvxTrackBar::TvxTrackBar;
};

class TvxScrollBar : public TvxControl {
  RTL_CLASS(TvxScrollBar, TvxControl)
public:
  explicit TvxScrollBar(rtl::TComponent* AOwner);

  float Value() const { return value_; }
  // A changed value is stored, kept within Min .. Max - ViewportSize (Min wins), handed to
  // the bound controls and reported by OnChange; the parts follow. NaN is ignored.
  void SetValue(float Value);
  float Min() const { return min_; }
  // A value below the new minimum is raised to it (with events).
  void SetMin(float Value);
  float Max() const { return max_; }
  // One below Min becomes Min + 0.001; a value beyond the new end is set back (with
  // events); ViewportSize is cut to the range.
  void SetMax(float Value);
  float ViewportSize() const { return viewportSize_; }
  void SetViewportSize(float Value);
  TvxOrientation Orientation() const { return orientation_; }
  void SetOrientation(TvxOrientation Value);
  float SmallChange() const { return smallChange_; }
  void SetSmallChange(float Value) { smallChange_ = Value; }

  // Hands range and value to the track of the orientation, shows it and its two arrows,
  // hides the others and wires them to this bar; then the inherited layout.
  void Realign() override;

  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;

private:
  void TrackChanged(rtl::TObject* Sender);
  void StepBack(rtl::TObject* Sender);
  void StepForward(rtl::TObject* Sender);

  float value_ = 0;
  float min_ = 0;
  float max_ = 100;
  float viewportSize_ = 0;
  TvxOrientation orientation_ = vgHorizontal;
  float smallChange_ = 1;
  bool realigning_ = false;
};

class TvxHudScrollBar : public TvxScrollBar {
  RTL_CLASS(TvxHudScrollBar, TvxScrollBar)
public:
  using TvxScrollBar::TvxScrollBar;
};

class TvxSmallScrollBar : public TvxScrollBar {
  RTL_CLASS(TvxSmallScrollBar, TvxScrollBar)
public:
  explicit TvxSmallScrollBar(rtl::TComponent* AOwner);
};

}  // namespace vg
