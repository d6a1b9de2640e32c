// The small colour editors: track bars whose track is a generated picture (a hue strip, a
// checkerboard under a transparency ramp, a black-to-white ramp), the colour quad (the
// saturation/lightness field of one hue with a round marker), the colour picker (a vertical
// hue strip that drives a quad) and the colour box (a swatch over a checkerboard).
//
// They work in HSL with every component in 0..1. A quad pushes its colour into its colour
// box and a picker its hue into its quad; both links are plain references, cleared when
// the linked control is freed. A drag that leaves the field pins the marker to its edge.
#pragma once

#include <memory>

#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/Controls.h"

namespace vg {

class TvxShape;

// A track bar whose style part "background" (a shape) is filled with a picture the class
// generates. The picture is made at the background's size and made again only when that
// size changes. Without such a part the bar shows the plain track.
class TvxBitmapTrackBar : public TvxTrackBar {
  RTL_CLASS(TvxBitmapTrackBar, TvxTrackBar)
public:
  // Takes the plain track bar's style ("trackbarstyle").
  explicit TvxBitmapTrackBar(rtl::TComponent* AOwner);
  ~TvxBitmapTrackBar() override;

  // The inherited layout, then the picture follows the background's size.
  void Realign() override;
  // The generated picture; nil before the style gave a background.
  TvxBitmap* Picture() const { return bitmap_.get(); }

protected:
  void ApplyStyle() override;
  void FreeStyle() override;
  // Fills the picture's pixels; the base leaves it transparent.
  virtual void FillBitmap() {}
  // t along the bar for a pixel: row / height when vertical, else column / width.
  float RampAt(int Col, int Row) const;

private:
  void RefreshBitmap();

  TvxShape* background_ = nullptr;
  std::unique_ptr<TvxBitmap> bitmap_;
};

// Hue 0 .. 1 over a strip of saturation 0.9 and lightness 0.5.
class TvxHueTrackBar : public TvxBitmapTrackBar {
  RTL_CLASS(TvxHueTrackBar, TvxBitmapTrackBar)
public:
  explicit TvxHueTrackBar(rtl::TComponent* AOwner);

protected:
  void FillBitmap() override;
};

// Opacity 0 .. 1: a grey-and-white checkerboard of 3-pixel cells under a white ramp that
// runs from transparent on the left to opaque on the right (whatever the orientation).
class TvxAlphaTrackBar : public TvxBitmapTrackBar {
  RTL_CLASS(TvxAlphaTrackBar, TvxBitmapTrackBar)
public:
  explicit TvxAlphaTrackBar(rtl::TComponent* AOwner);

protected:
  void FillBitmap() override;
};

// Lightness 0 .. 1 over a black-to-white ramp.
class TvxBWTrackBar : public TvxBitmapTrackBar {
  RTL_CLASS(TvxBWTrackBar, TvxBitmapTrackBar)
public:
  explicit TvxBWTrackBar(rtl::TComponent* AOwner);

protected:
  void FillBitmap() override;
};

class TvxHudHueTrackBar : public TvxHueTrackBar {
  RTL_CLASS(TvxHudHueTrackBar, TvxHueTrackBar)
public:
  explicit TvxHudHueTrackBar(rtl::TComponent* AOwner);
};

class TvxHudAlphaTrackBar : public TvxAlphaTrackBar {
  RTL_CLASS(TvxHudAlphaTrackBar, TvxAlphaTrackBar)
public:
  explicit TvxHudAlphaTrackBar(rtl::TComponent* AOwner);
};

// The Hud black-to-white bar: range 0 .. 1 like its plain twin, and the same ramp.
class TvxHudBWTrackBar : public TvxBWTrackBar {
  RTL_CLASS(TvxHudBWTrackBar, TvxBWTrackBar)
public:
  explicit TvxHudBWTrackBar(rtl::TComponent* AOwner);
};

// A swatch: white and light-grey 5-unit cells under Color, so transparency shows.
class TvxColorBox : public TvxControl {
  RTL_CLASS(TvxColorBox, TvxControl)
public:
  using TvxControl::TvxControl;

  TvxColor Color() const { return color_; }
  // A different colour is stored and shown.
  void SetColor(TvxColor Value);

  void Paint() override;

private:
  TvxColor color_ = 0;
};

// The saturation (left 0 to right 1) and lightness (bottom 0 to top 1) field of one hue.
// Every real change of a component is clamped to 0..1, pushed into the colour box and
// reported by OnChange. The marker may stand over the edge, so the quad paints and takes
// the mouse a little beyond its rectangle.
class TvxColorQuad : public TvxControl {
  RTL_CLASS(TvxColorQuad, TvxControl)
public:
  explicit TvxColorQuad(rtl::TComponent* AOwner);
  ~TvxColorQuad() override;

  float Hue() const { return hue_; }
  void SetHue(float Value);
  float Sat() const { return sat_; }
  void SetSat(float Value);
  float Lum() const { return lum_; }
  void SetLum(float Value);
  float Alpha() const { return alpha_; }
  // Passed on to the colour box; the field itself does not show it (and is not repainted).
  void SetAlpha(float Value);
  TvxColorBox* ColorBox() const { return colorBox_; }
  // A new box takes the current colour at once; OnChange does not fire.
  void SetColorBox(TvxColorBox* Value);

  // The colour the box is given: the field's colour with Round(Alpha x 255) as alpha.
  TvxColor CurrentColor() const;

  TvxRect GetAbsoluteRect() override;
  bool PointInObject(float X, float Y) override;
  // While the press lasts: lightness from the height, then saturation from the width; a
  // side of length 0 leaves its component alone.
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  // The released point is taken as if the mouse had moved there.
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void Paint() override;

  rtl::TNotifyEvent OnChange;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  // Stores a changed, clamped component; returns false when Value was already stored.
  bool Store(float& Field, float Value);
  void Changed(bool Repaints);

  float hue_ = 0;
  float sat_ = 0;
  float lum_ = 0;
  float alpha_ = 1;
  TvxColorBox* colorBox_ = nullptr;
  // The field of the current hue, made at the first paint after a hue change.
  std::unique_ptr<TvxBitmap> field_;
};

// A vertical hue strip (top 0, bottom 1) with a marker; its quad follows its hue.
class TvxColorPicker : public TvxControl {
  RTL_CLASS(TvxColorPicker, TvxControl)
public:
  explicit TvxColorPicker(rtl::TComponent* AOwner);
  ~TvxColorPicker() override;

  float Hue() const { return hue_; }
  void SetHue(float Value);
  TvxColorQuad* ColorQuad() const { return colorQuad_; }
  void SetColorQuad(TvxColorQuad* Value);
  // Loads a colour: the picker's hue, then the quad's alpha, hue, saturation and
  // lightness, each through its setter (so the quad reports every real change).
  void SetColor(TvxColor Value);

  TvxRect GetAbsoluteRect() override;
  bool PointInObject(float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void Paint() override;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  float hue_ = 0;
  TvxColorQuad* colorQuad_ = nullptr;
  std::unique_ptr<TvxBitmap> strip_;
};

// Draws the round marker of the quad and the picker: a black ring, a white ring inside
// it and a 6 x 6 dot of Color, centred on Center.
void PaintColorMarker(TvxCanvas& Canvas, const TvxPoint& Center, TvxColor Color, float Opacity);

// Fills Rect with white and light-grey cells of Cell units, counted from the origin, clipped
// to Rect.
void PaintCheckerboard(TvxCanvas& Canvas, const TvxRect& Rect, float Cell, float Opacity);

}  // namespace vg
