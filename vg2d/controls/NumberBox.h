// The numeric text boxes. A number box changes its Value also by dragging the mouse over
// it (one increment per move event: up adds VertIncrement, down subtracts it, right adds
// HorzIncrement, left or no move subtracts it) and by Up and Down (HorzIncrement); a spin
// box has minus and plus buttons in its style (parts "minusbutton", "plusbutton").
//
// Value is kept within Min .. Max (Min wins when Min > Max). Setting Value shows it at once
// (the text is stored as it is: no OnChangeTracking, Modified unchanged); Change reads the
// text back, which raises the conversion error for a text that is not a number (also an
// empty one or a lone sign) and leaves Value as it was.
#pragma once

#include <string>

#include "vg2d/controls/TextBox.h"

namespace vg {

RTL_ENUM(TvxValueType, vgValueInteger, vgValueFloat);

// The value of a numeric box and how it is shown.
struct TvxNumericValue {
  float Value = 0;
  float Min = 0;
  float Max = 10;
  TvxValueType ValueType = vgValueInteger;
  int DecimalDigits = 2;

  // The most decimals the fixed format gives; DecimalDigits is held to 0 .. this.
  static constexpr int MaxDecimalDigits = 18;
  void SetDecimalDigits(int Value);
  // Value brought into Max, then Min; an infinity left becomes the largest finite number of
  // its sign, so the box never shows a text it cannot read back.
  void Clamp();
  // The text of a set Value: the whole part (every digit of it, however large) when it has
  // no fraction or the type is integer, else DecimalDigits decimals.
  std::u16string SetText() const;
  // The text Change leaves: the whole part, or for a float type with a fraction its
  // shortest form (as a single-precision number).
  std::u16string ChangeText() const;
};

class TvxNumberBox : public TvxCustomTextBox {
  RTL_CLASS(TvxNumberBox, TvxCustomTextBox)
public:
  explicit TvxNumberBox(rtl::TComponent* AOwner);

  float Value() const { return number_.Value; }
  // A different value is clamped and shown; the selection is dropped.
  void SetValue(float Value);
  float Min() const { return number_.Min; }
  void SetMin(float Value) { number_.Min = Value; }
  float Max() const { return number_.Max; }
  void SetMax(float Value) { number_.Max = Value; }
  TvxValueType ValueType() const { return number_.ValueType; }
  void SetValueType(TvxValueType Value) { number_.ValueType = Value; }
  int DecimalDigits() const { return number_.DecimalDigits; }
  void SetDecimalDigits(int Value) { number_.SetDecimalDigits(Value); }
  float HorzIncrement() const { return horzIncrement_; }
  void SetHorzIncrement(float Value) { horzIncrement_ = Value; }
  float VertIncrement() const { return vertIncrement_; }
  void SetVertIncrement(float Value) { vertIncrement_ = Value; }
  bool Dragging() const { return dragging_; }
  bool DraggingVertically() const { return vertical_; }

  // Reads the text into Value (raising for a text that is no number), shows it again
  // (keeping the selection), then the text box's Change.
  void Change() override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  // While dragging, a bar along the right edge (vertical drag) or the bottom edge.
  void PaintChildren() override;

  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

private:
  TvxNumericValue number_;
  float horzIncrement_ = 1;
  float vertIncrement_ = 5;
  bool dragging_ = false;
  TvxPoint last_{};
  bool vertical_ = false;
};

class TvxHudNumberBox : public TvxNumberBox {
  RTL_CLASS(TvxHudNumberBox, TvxNumberBox)
public:
  using TvxNumberBox::TvxNumberBox;
};

class TvxSpinBox : public TvxCustomTextBox {
  RTL_CLASS(TvxSpinBox, TvxCustomTextBox)
public:
  explicit TvxSpinBox(rtl::TComponent* AOwner);

  float Value() const { return number_.Value; }
  void SetValue(float Value);
  float Min() const { return number_.Min; }
  void SetMin(float Value) { number_.Min = Value; }
  float Max() const { return number_.Max; }
  void SetMax(float Value) { number_.Max = Value; }
  TvxValueType ValueType() const { return number_.ValueType; }
  // Turning to integers makes a fractional Increment 1.
  void SetValueType(TvxValueType Value);
  int DecimalDigits() const { return number_.DecimalDigits; }
  void SetDecimalDigits(int Value) { number_.SetDecimalDigits(Value); }
  float Increment() const { return increment_; }
  void SetIncrement(float Value) { increment_ = Value; }
  TvxCustomButton* MinusButton() const { return minus_; }
  TvxCustomButton* PlusButton() const { return plus_; }

  void Change() override;
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

protected:
  void ApplyStyle() override;
  void FreeStyle() override;

private:
  void Step(float By);
  void MinusClick(rtl::TObject*) { Step(-increment_); }
  void PlusClick(rtl::TObject*) { Step(increment_); }

  TvxNumericValue number_;
  float increment_ = 1;
  TvxCustomButton* minus_ = nullptr;
  TvxCustomButton* plus_ = nullptr;
};

class TvxHudSpinBox : public TvxSpinBox {
  RTL_CLASS(TvxHudSpinBox, TvxSpinBox)
public:
  using TvxSpinBox::TvxSpinBox;
};

}  // namespace vg
