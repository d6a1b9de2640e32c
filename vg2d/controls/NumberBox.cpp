#include "vg2d/controls/NumberBox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/Scene.h"

namespace vg {

namespace {

const std::u16string NumberChars = u"0123456789.,-+";

bool HasFraction(float V) { return std::isfinite(V) && V != std::trunc(V); }

// The whole part in decimal digits, all of them: a single-precision number may have 39,
// beyond what a 64-bit integer holds. An infinite value as the class library writes it.
std::u16string WholeText(float V) {
  if (!std::isfinite(V)) return rtl::Utf8ToWide(rtl::FloatToStr(V));
  char text[64];
  // Plus zero, so that a fraction of a negative number shows "0", not "-0".
  std::snprintf(text, sizeof text, "%.0f", std::trunc(static_cast<double>(V)) + 0.0);
  return rtl::Utf8ToWide(text);
}

// The number a data value stands for; raises the conversion error for a text that is none.
float NumberOf(const rtl::TPropValue& Value) {
  if (const auto* d = std::get_if<double>(&Value)) return static_cast<float>(*d);
  if (const auto* i = std::get_if<int64_t>(&Value)) return static_cast<float>(*i);
  if (const auto* b = std::get_if<bool>(&Value)) return *b ? -1.0f : 0.0f;
  if (std::holds_alternative<std::monostate>(Value)) return 0;
  return static_cast<float>(rtl::StrToFloat(rtl::WideToUtf8(PropValueToText(Value))));
}

// Reads the text of a numeric box into N (raising when it is no number) and clamps it.
void ReadText(TvxNumericValue& N, const std::u16string& Text) {
  N.Value = static_cast<float>(rtl::StrToFloat(rtl::WideToUtf8(Text)));
  N.Clamp();
}

// The published record shared by the number and spin boxes, up to their own properties.
template <class T>
rtl::TClassBuilder<T> NumericRecord() {
  rtl::TClassBuilder<T> b = rtl::DefineClass<T>();
  b.Property("DecimalDigits", &T::DecimalDigits, &T::SetDecimalDigits)
      .Default(2)
      .Property("Min", &T::Min, &T::SetMin)
      .Property("Max", &T::Max, &T::SetMax)
      .Property("ShowCaret", &T::ShowCaret, &T::SetShowCaret)
      .Default(true)
      .Property("Value", &T::Value, &T::SetValue)
      .Property("ValueType", &T::ValueType, &T::SetValueType)
      .Default(vgValueInteger);
  return b;
}

}  // namespace

void TvxNumericValue::SetDecimalDigits(int Value) { DecimalDigits = std::clamp(Value, 0, MaxDecimalDigits); }

void TvxNumericValue::Clamp() {
  if (Value > Max) Value = Max;
  if (Value < Min) Value = Min;
  // An infinite bound or step would leave an infinity, whose text ("INF") no box reads back:
  // the box holds the largest number of that sign instead, whose digits it reads.
  if (std::isinf(Value)) Value = std::copysign(std::numeric_limits<float>::max(), Value);
}

std::u16string TvxNumericValue::SetText() const {
  if (!HasFraction(Value) || ValueType == vgValueInteger) return WholeText(Value);
  return rtl::Utf8ToWide(rtl::Format("%." + std::to_string(DecimalDigits) + "f", static_cast<double>(Value)));
}

std::u16string TvxNumericValue::ChangeText() const {
  if (HasFraction(Value) && ValueType != vgValueInteger)
    return rtl::Utf8ToWide(rtl::FloatToStrF(Value, rtl::ffGeneral, 7, 0));
  return WholeText(Value);
}

// ---- TvxNumberBox ------------------------------------------------------------------------------------

rtl::TClass TvxNumberBox::StaticClass() {
  using N = TvxNumberBox;
  static const rtl::TClassInfo info = NumericRecord<N>()
                                          .Property("HorzIncrement", &N::HorzIncrement, &N::SetHorzIncrement)
                                          .Property("VertIncrement", &N::VertIncrement, &N::SetVertIncrement)
                                          .Build();
  return &info;
}

TvxNumberBox::TvxNumberBox(rtl::TComponent* AOwner) : TvxCustomTextBox(AOwner) {
  SetFilterChar(NumberChars);
  SetText(u"0");
  SetAutoCapture(true);
}

void TvxNumberBox::SetValue(float Value) {
  // Not a number: ignored, as the tracks do, so the box never holds what its text cannot show.
  if (std::isnan(Value) || Value == number_.Value) return;
  number_.Value = Value;
  number_.Clamp();
  StoreText(number_.SetText());
}

void TvxNumberBox::Change() {
  ReadText(number_, Text());
  RestoreText(number_.ChangeText());
  TvxCustomTextBox::Change();
}

void TvxNumberBox::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  TvxCustomTextBox::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  dragging_ = true;
  last_ = {X, Y};
  vertical_ = false;
}

void TvxNumberBox::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  TvxCustomTextBox::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !dragging_) return;
  const float dx = std::fabs(X - last_.X), dy = std::fabs(Y - last_.Y);
  if (dx < dy) {
    SetValue(Value() + (Y < last_.Y ? vertIncrement_ : -vertIncrement_));
    vertical_ = true;
  } else {
    SetValue(Value() + (X > last_.X ? horzIncrement_ : -horzIncrement_));
    vertical_ = false;
  }
  SetModified(true);
  last_ = {X, Y};
}

void TvxNumberBox::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  TvxCustomTextBox::MouseUp(Button, Shift, X, Y);
  if (self.Gone() || !dragging_) return;
  dragging_ = false;
  Repaint();
  Change();
}

void TvxNumberBox::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  if (Key == win::VK_UP || Key == win::VK_DOWN) {
    // A step is an edit: it is reported by OnChange at Enter or on leaving, as typed text is.
    SetValue(Value() + (Key == win::VK_UP ? horzIncrement_ : -horzIncrement_));
    SetModified(true);
    Key = 0;
    return;
  }
  TvxCustomTextBox::KeyDown(Key, KeyChar, Shift);
}

void TvxNumberBox::PaintChildren() {
  TvxCustomTextBox::PaintChildren();
  TvxCanvas* canvas = dragging_ ? GetCanvas() : nullptr;
  if (!canvas) return;
  const int state = canvas->SaveState();
  canvas->SetMatrix(GetAbsoluteMatrix());
  canvas->Fill()->SetStyle(vgBrushSolid);
  canvas->Fill()->SetSolidColor(0xAA505050u);
  TvxRect r = GetLocalRect();
  InflateRectF(r, -1, -1);
  if (vertical_)
    r.Left = r.Right - 5;
  else
    r.Top = r.Bottom - 5;
  canvas->FillRect(r, 1, 1, AllCorners, GetAbsoluteOpacity());
  canvas->RestoreState(state);
}

rtl::TPropValue TvxNumberBox::GetData() { return static_cast<double>(Value()); }

void TvxNumberBox::SetData(const rtl::TPropValue& Value) {
  if (const auto* m = std::get_if<rtl::TMethod>(&Value)) {
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
    return;
  }
  SetValue(NumberOf(Value));
}

rtl::TClass TvxHudNumberBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudNumberBox>().Build();
  return &info;
}

// ---- TvxSpinBox ----------------------------------------------------------------------------------------

rtl::TClass TvxSpinBox::StaticClass() {
  using S = TvxSpinBox;
  static const rtl::TClassInfo info = NumericRecord<S>()
                                          .Property("Increment", &S::Increment, &S::SetIncrement)
                                          .Property("TextAlign", &S::TextAlign, &S::SetTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Build();
  return &info;
}

TvxSpinBox::TvxSpinBox(rtl::TComponent* AOwner) : TvxCustomTextBox(AOwner) {
  SetFilterChar(NumberChars);
  SetTextAlign(vgTextAlignCenter);
  SetText(u"0");
}

void TvxSpinBox::SetValue(float Value) {
  if (std::isnan(Value) || Value == number_.Value) return;
  number_.Value = Value;
  number_.Clamp();
  StoreText(number_.SetText());
}

void TvxSpinBox::SetValueType(TvxValueType Value) {
  if (Value == number_.ValueType) return;
  number_.ValueType = Value;
  if (Value == vgValueInteger && HasFraction(increment_)) increment_ = 1;
}

void TvxSpinBox::Change() {
  ReadText(number_, Text());
  RestoreText(number_.ChangeText());
  TvxCustomTextBox::Change();
}

void TvxSpinBox::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  if (Key == win::VK_UP || Key == win::VK_DOWN) {
    SetValue(Value() + (Key == win::VK_UP ? increment_ : -increment_));
    SetModified(true);
    Key = 0;
    return;
  }
  TvxCustomTextBox::KeyDown(Key, KeyChar, Shift);
}

void TvxSpinBox::Step(float By) {
  TvxFreeWatch self(this);
  SetFocus();
  if (self.Gone()) return;
  SetValue(Value() + By);
  SetModified(true);
  Change();
}

void TvxSpinBox::ApplyStyle() {
  TvxCustomTextBox::ApplyStyle();
  minus_ = FindPart<TvxCustomButton>(this, "minusbutton");
  plus_ = FindPart<TvxCustomButton>(this, "plusbutton");
  const bool live = Scene() && !Scene()->GetDesignTime();
  if (minus_) minus_->OnClick = rtl::TNotifyEvent(this, &TvxSpinBox::MinusClick);
  if (plus_) plus_->OnClick = rtl::TNotifyEvent(this, &TvxSpinBox::PlusClick);
  for (TvxCustomButton* b : {minus_, plus_})
    if (b && live) {
      b->SetLocked(false);
      b->SetHitTest(true);
    }
}

void TvxSpinBox::FreeStyle() {
  minus_ = plus_ = nullptr;
  TvxCustomTextBox::FreeStyle();
}

rtl::TPropValue TvxSpinBox::GetData() { return static_cast<double>(Value()); }

void TvxSpinBox::SetData(const rtl::TPropValue& Value) {
  if (const auto* m = std::get_if<rtl::TMethod>(&Value)) {
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
    return;
  }
  SetValue(NumberOf(Value));
}

rtl::TClass TvxHudSpinBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudSpinBox>().Build();
  return &info;
}

}  // namespace vg
