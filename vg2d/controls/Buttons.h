// The push buttons. TvxCustomButton is pressed by the left button and clicks when the press
// is released over it; while the button is held it looks pressed only while the mouse is
// over it. A button that StaysPressed toggles IsPressed at each press instead. With
// RepeatClick a held button clicks 600 ms after the press and then every 100 ms until the
// release, which gives the ordinary click. Enter and Space click a focused button; a
// double click clicks once more.
//
// The family differs by style and by the parts it lays out: the bitmap and path buttons
// place a glyph part beside, above, below or behind the caption; the corner button shapes
// the corners and sides of its part "Background".
#pragma once

#include <memory>

#include "platform/loop/Timer.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/ImageShapes.h"

namespace vg {

// The modal result a button hands to its form (0: none).
using TModalResult = int;

RTL_ENUM(TvxButtonLayout, vgGlyphLeft, vgGlyphRight, vgGlyphTop, vgGlyphBottom, vgGlyphCenter);

class TvxCustomButton : public TvxTextControl {
  RTL_CLASS(TvxCustomButton, TvxTextControl)
public:
  explicit TvxCustomButton(rtl::TComponent* AOwner);
  ~TvxCustomButton() override;

  bool IsPressed() const { return isPressed_; }
  // Only a button that StaysPressed can be pressed or released from outside; the style's
  // "IsPressed" triggers follow.
  void SetIsPressed(bool Value);
  bool StaysPressed() const { return staysPressed_; }
  void SetStaysPressed(bool Value) { staysPressed_ = Value; }
  bool RepeatClick() const { return repeatClick_; }
  void SetRepeatClick(bool Value) { repeatClick_ = Value; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }

  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // A non-zero ModalResult goes to the first form that owns the scene (which ends a modal
  // form's loop), then the click runs as usual.
  void Click() override;
  void DblClick() override;
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  // A method reference becomes the OnClick handler; anything else is ignored.
  void SetData(const rtl::TPropValue& Value) override;

protected:
  void ApplyStyle() override;
  // Runs the style's "IsPressed" animations and effects.
  void PressedTriggers();

private:
  void ArmRepeat();
  void FirstRepeat(rtl::TObject* Sender);
  void NextRepeat(rtl::TObject* Sender);

  bool tracking_ = false;
  bool isPressed_ = false;
  TModalResult modalResult_ = 0;
  bool staysPressed_ = false;
  bool repeatClick_ = false;
  std::unique_ptr<rtl::TTimer> repeatTimer_;
};

// A push button that can be the window's default (Enter) or cancel (Escape) button.
class TvxButton : public TvxCustomButton {
  RTL_CLASS(TvxButton, TvxCustomButton)
public:
  using TvxCustomButton::TvxCustomButton;
  bool Default() const { return default_; }
  void SetDefault(bool Value) { default_ = Value; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  // After the children: Enter clicks the default button, Escape the cancel button; the key
  // is then used up (0).
  void DialogKey(uint16_t& Key, rtl::TShiftState Shift) override;

private:
  bool default_ = false;
  bool cancel_ = false;
};

class TvxHudButton : public TvxButton {
  RTL_CLASS(TvxHudButton, TvxButton)
public:
  using TvxButton::TvxButton;
};

class TvxRoundButton : public TvxButton {
  RTL_CLASS(TvxRoundButton, TvxButton)
public:
  using TvxButton::TvxButton;
};

class TvxHudRoundButton : public TvxRoundButton {
  RTL_CLASS(TvxHudRoundButton, TvxRoundButton)
public:
  using TvxRoundButton::TvxRoundButton;
};

class TvxCircleButton : public TvxButton {
  RTL_CLASS(TvxCircleButton, TvxButton)
public:
  explicit TvxCircleButton(rtl::TComponent* AOwner);
};

class TvxHudCircleButton : public TvxCircleButton {
  RTL_CLASS(TvxHudCircleButton, TvxCircleButton)
public:
  using TvxCircleButton::TvxCircleButton;
};

// A click also opens the PopupMenu just below the button.
class TvxPopupButton : public TvxButton {
  RTL_CLASS(TvxPopupButton, TvxButton)
public:
  using TvxButton::TvxButton;
  void Click() override;
};

// A bitmap beside (or above, below, behind) the caption, in the style's part "image".
class TvxBitmapButton : public TvxCustomButton {
  RTL_CLASS(TvxBitmapButton, TvxCustomButton)
public:
  explicit TvxBitmapButton(rtl::TComponent* AOwner);
  ~TvxBitmapButton() override;

  TvxBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TvxBitmap* Value) { bitmap_->Assign(Value); }
  TvxButtonLayout BitmapLayout() const { return bitmapLayout_; }
  void SetBitmapLayout(TvxButtonLayout Value);
  float BitmapSpacing() const { return bitmapSpacing_; }
  void SetBitmapSpacing(float Value);
  float BitmapSize() const { return bitmapSize_; }
  void SetBitmapSize(float Value);
  float BitmapPadding() const { return bitmapPadding_; }
  void SetBitmapPadding(float Value);

protected:
  void ApplyStyle() override;

private:
  void BitmapChanged(rtl::TObject* Sender);
  // Stores a changed value and lays the parts out again (not while loading).
  void SetLayoutValue(float& Field, float Value);

  const std::unique_ptr<TvxBitmap> bitmap_;
  TvxButtonLayout bitmapLayout_ = vgGlyphLeft;
  float bitmapSpacing_ = 0;
  float bitmapSize_ = 32;
  float bitmapPadding_ = 2;
};

class TvxToolButton : public TvxBitmapButton {
  RTL_CLASS(TvxToolButton, TvxBitmapButton)
public:
  explicit TvxToolButton(rtl::TComponent* AOwner);
};

// A vector glyph (the style's part "path" inside the part "pathowner") beside the caption.
class TvxPathButton : public TvxCustomButton {
  RTL_CLASS(TvxPathButton, TvxCustomButton)
public:
  explicit TvxPathButton(rtl::TComponent* AOwner);
  ~TvxPathButton() override;

  TvxPathData* Path() const { return path_.get(); }
  void SetPath(TvxPathData* Value) { path_->Assign(Value); }
  TvxButtonLayout PathLayout() const { return pathLayout_; }
  void SetPathLayout(TvxButtonLayout Value);
  float PathSpacing() const { return pathSpacing_; }
  void SetPathSpacing(float Value);
  float PathSize() const { return pathSize_; }
  void SetPathSize(float Value);
  float PathPadding() const { return pathPadding_; }
  void SetPathPadding(float Value);
  TvxBrush* PathFill() const { return pathFill_.get(); }
  void SetPathFill(TvxBrush* Value) { pathFill_->Assign(Value); }
  TvxBrush* PathStroke() const { return pathStroke_.get(); }
  void SetPathStroke(TvxBrush* Value) { pathStroke_->Assign(Value); }
  float PathStrokeThickness() const { return pathStrokeThickness_; }
  void SetPathStrokeThickness(float Value);
  TvxStrokeCap PathStrokeCap() const { return pathStrokeCap_; }
  void SetPathStrokeCap(TvxStrokeCap Value);
  TvxStrokeDash PathStrokeDash() const { return pathStrokeDash_; }
  void SetPathStrokeDash(TvxStrokeDash Value);
  TvxStrokeJoin PathStrokeJoin() const { return pathStrokeJoin_; }
  void SetPathStrokeJoin(TvxStrokeJoin Value);

protected:
  void ApplyStyle() override;

private:
  void GlyphChanged(rtl::TObject* Sender);
  bool ThicknessStored() const { return pathStrokeThickness_ != 1.0f; }
  template <class V>
  void SetLayoutValue(V& Field, V Value);

  const std::unique_ptr<TvxPathData> path_;
  const std::unique_ptr<TvxBrush> pathFill_;
  const std::unique_ptr<TvxBrush> pathStroke_;
  TvxButtonLayout pathLayout_ = vgGlyphLeft;
  float pathSpacing_ = 0;
  float pathSize_ = 32;
  float pathPadding_ = 2;
  float pathStrokeThickness_ = 1;
  TvxStrokeCap pathStrokeCap_ = vgCapFlat;
  TvxStrokeDash pathStrokeDash_ = vgDashSolid;
  TvxStrokeJoin pathStrokeJoin_ = vgJoinMiter;
};

class TvxToolPathButton : public TvxPathButton {
  RTL_CLASS(TvxToolPathButton, TvxPathButton)
public:
  explicit TvxToolPathButton(rtl::TComponent* AOwner);
};

// The small repeating button of scroll bars and spin boxes.
class TvxSpeedButton : public TvxCustomButton {
  RTL_CLASS(TvxSpeedButton, TvxCustomButton)
public:
  explicit TvxSpeedButton(rtl::TComponent* AOwner);
};

class TvxHudSpeedButton : public TvxSpeedButton {
  RTL_CLASS(TvxHudSpeedButton, TvxSpeedButton)
public:
  using TvxSpeedButton::TvxSpeedButton;
};

// A button whose part "Background" (a rectangle) takes its corners and sides.
class TvxCornerButton : public TvxCustomButton {
  RTL_CLASS(TvxCornerButton, TvxCustomButton)
public:
  explicit TvxCornerButton(rtl::TComponent* AOwner);

  float xRadius() const { return xRadius_; }
  void SetxRadius(float Value);
  float yRadius() const { return yRadius_; }
  void SetyRadius(float Value);
  TvxCorners Corners() const { return corners_; }
  void SetCorners(TvxCorners Value);
  TvxCornerType CornerType() const { return cornerType_; }
  void SetCornerType(TvxCornerType Value);
  TvxSides Sides() const { return sides_; }
  void SetSides(TvxSides Value);

protected:
  void ApplyStyle() override;

private:
  template <class V>
  void SetShapeValue(V& Field, V Value);

  float xRadius_ = 3;
  float yRadius_ = 3;
  TvxCorners corners_ = AllCorners;
  TvxCornerType cornerType_ = vgCornerRound;
  TvxSides sides_ = AllSides;
};

class TvxHudCornerButton : public TvxCornerButton {
  RTL_CLASS(TvxHudCornerButton, TvxCornerButton)
public:
  using TvxCornerButton::TvxCornerButton;
};

}  // namespace vg
