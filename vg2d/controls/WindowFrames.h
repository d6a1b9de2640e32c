// Window frames drawn inside a scene: a caption (the window's Text), a close button and a
// size grip, all taken from the style. TvxWindow shows or hides the close button and the
// grip and can take over the close button (OnCloseClick); TvxHudWindow adds its own face
// and frame brushes, the frame's stroke settings, the side of the close button and whether
// the caption bar shows. Moving and resizing the host window is not done here.
#pragma once

#include <memory>

#include "vg2d/controls/TextControls.h"

namespace vg {

RTL_ENUM(TvxCloseAlign, vgButtonAlignLeft, vgButtonAlignRight);

class TvxWindow : public TvxTextControl {
  RTL_CLASS(TvxWindow, TvxTextControl)
public:
  explicit TvxWindow(rtl::TComponent* AOwner);

  bool ShowCloseButton() const { return showCloseButton_; }
  // A change applies the style again.
  void SetShowCloseButton(bool Value);
  bool ShowSizeGrip() const { return showSizeGrip_; }
  void SetShowSizeGrip(bool Value);

  // When set, the close button calls it instead of closing the form that hosts the scene
  // (it takes effect when the style is applied).
  rtl::TNotifyEvent OnCloseClick;

protected:
  // The part "close" shows while ShowCloseButton and, with OnCloseClick, calls it; the
  // part "sizegrip" shows while ShowSizeGrip.
  void ApplyStyle() override;
  // Stores a changed flag and applies the style again.
  void SetStyleFlag(bool& Field, bool Value);

private:
  bool showCloseButton_ = true;
  bool showSizeGrip_ = true;
};

class TvxHudWindow : public TvxWindow {
  RTL_CLASS(TvxHudWindow, TvxWindow)
public:
  explicit TvxHudWindow(rtl::TComponent* AOwner);
  ~TvxHudWindow() override;

  bool DisableShadowOnOSX() const { return disableShadowOnOSX_; }
  void SetDisableShadowOnOSX(bool Value) { SetStyleFlag(disableShadowOnOSX_, Value); }
  TvxCloseAlign ButtonAlign() const { return buttonAlign_; }
  void SetButtonAlign(TvxCloseAlign Value);
  // The face (solid #EA2F2F2F at creation) goes into the part "back", the frame (solid
  // #5B000000) and its stroke settings into the part "stroke".
  TvxBrush* Fill() const { return fill_.get(); }
  void SetFill(TvxBrush* Value) { fill_->Assign(Value); }
  TvxBrush* Stroke() const { return stroke_.get(); }
  void SetStroke(TvxBrush* Value) { stroke_->Assign(Value); }
  float StrokeThickness() const { return strokeThickness_; }
  // The caption is 20 + StrokeThickness high and everything inside the frame keeps
  // StrokeThickness from its edges.
  void SetStrokeThickness(float Value);
  TvxStrokeCap StrokeCap() const { return strokeCap_; }
  void SetStrokeCap(TvxStrokeCap Value);
  TvxStrokeDash StrokeDash() const { return strokeDash_; }
  void SetStrokeDash(TvxStrokeDash Value);
  TvxStrokeJoin StrokeJoin() const { return strokeJoin_; }
  void SetStrokeJoin(TvxStrokeJoin Value);
  // Without the caption the caption bar, the title and the close button are hidden.
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool Value);

protected:
  void ApplyStyle() override;

private:
  void BrushChanged(rtl::TObject* Sender);
  bool ThicknessStored() const { return strokeThickness_ != 1.0f; }
  template <class V>
  void SetLookValue(V& Field, V Value);

  bool disableShadowOnOSX_ = true;
  TvxCloseAlign buttonAlign_ = vgButtonAlignLeft;
  const std::unique_ptr<TvxBrush> fill_;
  const std::unique_ptr<TvxBrush> stroke_;
  float strokeThickness_ = 1;
  TvxStrokeCap strokeCap_ = vgCapFlat;
  TvxStrokeDash strokeDash_ = vgDashSolid;
  TvxStrokeJoin strokeJoin_ = vgJoinMiter;
  bool showCaption_ = true;
};

}  // namespace vg
