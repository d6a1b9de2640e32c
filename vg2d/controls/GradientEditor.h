// The gradient editor and the colour panel, composed from the small colour editors.
//
// The gradient editor shows its gradient over a checkerboard in a strip from x = 10 to
// Width - 10 and y = 0 to Height - 10, with a round marker per stop in the band below it.
// A press on a marker selects it and drags it along (the stops stay sorted by offset); a
// press in the strip between two stops adds a stop there with the colour the gradient has
// at that place; a marker dragged more than 10 units above or below the editor is hidden,
// and one released below is deleted while two stops remain. An editor narrower than 21 or
// lower than 10 has no room for its strip: it paints nothing and ignores the mouse.
//
// The colour panel edits one colour as text ("#AARRGGBB"): a colour quad, a vertical hue
// bar beside it and a transparency bar below.
#pragma once

#include <memory>
#include <string>

#include "vg2d/controls/ColorControls.h"
#include "vg2d/core/Brushes.h"

namespace vg {

class TvxGradientEdit : public TvxControl {
  RTL_CLASS(TvxGradientEdit, TvxControl)
public:
  // 200 x 20, opaque black at 0 to opaque white at 1.
  explicit TvxGradientEdit(rtl::TComponent* AOwner);
  ~TvxGradientEdit() override;

  TvxGradient* Gradient() const { return gradient_.get(); }
  // Copies the stops, style and positions.
  void SetGradient(TvxGradient* Value) { gradient_->Assign(Value); }
  int CurrentPoint() const { return currentPoint_; }
  // A different index is stored and reported by OnSelectPoint; the picker takes the stop's
  // colour. -1 selects nothing.
  void SetCurrentPoint(int Value);
  TvxColorPicker* ColorPicker() const { return colorPicker_; }
  void SetColorPicker(TvxColorPicker* Value);
  // Loads the selected stop's colour into the picker (for callers that changed the stop).
  void UpdateColorPicker();

  // The marker of stop Index, in local units; the empty rectangle for no such stop.
  TvxRect GetPointRect(int Index) const;
  // Whether the editor has room for its strip and markers.
  bool HasRoom() const;
  // While a dragged marker is out of the band it stays in.
  bool Removing() const { return removing_; }

  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void Paint() override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnSelectPoint;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void DoChanged(rtl::TObject* Sender);
  float OffsetAt(float X) const;
  TvxGradientPoint* Point(int Index) const { return gradient_->Points()->GetPoint(Index); }

  const std::unique_ptr<TvxGradient> gradient_;
  int currentPoint_ = 0;
  TvxColorPicker* colorPicker_ = nullptr;
  bool moving_ = false;
  bool removing_ = false;
  std::unique_ptr<TvxBitmap> strip_;
};

class TvxColorPanel : public TvxControl {
  RTL_CLASS(TvxColorPanel, TvxControl)
public:
  // 150 x 150, white.
  explicit TvxColorPanel(rtl::TComponent* AOwner);

  // "#AARRGGBB"; the alpha byte is Trunc(255 x the quad's Alpha).
  std::string Color() const;
  // Any text StringToColor reads (an unreadable one gives transparent black). The inner
  // controls take it without reporting; then, unless loading, the swatch follows and
  // OnChange fires once.
  void SetColor(const std::string& Value);
  TvxColorBox* ColorBox() const { return colorBox_; }
  void SetColorBox(TvxColorBox* Value);

  TvxColorQuad* Quad() const { return quad_; }
  TvxHueTrackBar* HueBar() const { return hueBar_; }
  TvxAlphaTrackBar* AlphaBar() const { return alphaBar_; }

  rtl::TNotifyEvent OnChange;

protected:
  void Loaded() override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void HueChange(rtl::TObject* Sender);
  void AlphaChange(rtl::TObject* Sender);
  void QuadChange(rtl::TObject* Sender);

  TvxAlphaTrackBar* alphaBar_;
  TvxHueTrackBar* hueBar_;
  TvxColorQuad* quad_;
  TvxColorBox* colorBox_ = nullptr;
};

class TvxPopup;
class TvxTextBox;

// A swatch of Color (over a checkerboard, in the style's part "Content") that drops down a
// popup holding a colour panel, a colour box and a hex text box. Text that is no colour
// leaves the colour as it was.
class TvxComboColorBox : public TvxControl {
  RTL_CLASS(TvxComboColorBox, TvxControl)
public:
  explicit TvxComboColorBox(rtl::TComponent* AOwner);

  std::string Color() const { return panel_->Color(); }
  void SetColor(const std::string& Value) { panel_->SetColor(Value); }
  TvxPopup* Popup() const { return popup_; }
  TvxColorPanel* Panel() const { return panel_; }
  TvxTextBox* TextBox() const { return text_; }

  // A left press opens the popup below the box, or closes it when open.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void DropDown();
  void ChangeParent() override;

  rtl::TNotifyEvent OnChange;

protected:
  void ApplyStyle() override;
  virtual void PanelChange(rtl::TObject* Sender);
  virtual void TextChange(rtl::TObject* Sender);

private:
  void PaintContent(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect);

  TvxPopup* popup_;
  TvxColorBox* box_;
  TvxTextBox* text_;
  TvxColorPanel* panel_;
};

class TvxHudComboColorBox : public TvxComboColorBox {
  RTL_CLASS(TvxHudComboColorBox, TvxComboColorBox)
public:
  explicit TvxHudComboColorBox(rtl::TComponent* AOwner);
};

}  // namespace vg
