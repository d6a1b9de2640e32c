#include "vg2d/controls/CompoundControls.h"

#include <algorithm>
#include <charconv>

#include "vg2d/core/Geometry.h"

namespace vg {

namespace {

std::u16string Ascii(const std::string& S) { return std::u16string(S.begin(), S.end()); }

}  // namespace

// ---- TvxCompoundControl --------------------------------------------------------------------------

rtl::TClass TvxCompoundControl::StaticClass() {
  using C = TvxCompoundControl;
  static const rtl::TClassInfo info =
      rtl::DefineClass<C>().Property("TextLabel", &C::TextLabel).Event("OnChange", &C::OnChange).Build();
  return &info;
}

TvxCompoundControl::TvxCompoundControl(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  textLabel_ = MakePart<TvxLabel>("TextLabel");
  textLabel_->SetAlign(vaLeft);
  textLabel_->SetWidth(70);
  textLabel_->SetText(u"Caption");
  textLabel_->SetTextAlign(vgTextAlignFar);
  textLabel_->SetWordWrap(false);
  textLabel_->Padding()->SetRight(5);
}

void TvxCompoundControl::SetUpPart(TvxVisualObject* Part, const std::string& Name, TvxObject* Parent) {
  Part->SetName(Name);
  Part->SetSubComponent(true);
  Part->SetLocked(true);
  Part->SetStored(false);
  (Parent ? Parent : this)->AddObject(Part);
}

TvxControl* TvxCompoundControl::MakeContainer(TvxAlign Align) {
  auto* container = new TvxControl(this);
  container->SetLocked(true);
  container->SetStored(false);
  container->SetAlign(Align);
  AddObject(container);
  return container;
}

TvxValueLabel* TvxCompoundControl::MakeValueLabel() {
  TvxControl* right = MakeContainer(vaRight);
  right->SetWidth(50);
  auto* label = MakePart<TvxValueLabel>("ValueLabel", right);
  label->SetAlign(vaVertCenter);
  label->SetText(u"0");
  label->Padding()->SetLeft(5);
  return label;
}

// ---- TvxCompoundTrackBar -------------------------------------------------------------------------

rtl::TClass TvxCompoundTrackBar::StaticClass() {
  using C = TvxCompoundTrackBar;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("TrackBar", &C::TrackBar)
                                          .Property("ValueLabel", &C::ValueLabel)
                                          .Property("DecimalDigits", &C::DecimalDigits, &C::SetDecimalDigits)
                                          .Default(2)
                                          .Property("Suffix", &C::Suffix, &C::SetSuffix)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxCompoundTrackBar::TvxCompoundTrackBar(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(20);
  valueLabel_ = MakeValueLabel();
  TvxControl* middle = MakeContainer(vaClient);
  trackBar_ = MakePart<TvxTrackBar>("TrackBar", middle);
  trackBar_->SetAlign(vaVertCenter);
  trackBar_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundTrackBar::InnerChanged);
  trackBar_->OnTracking = rtl::TNotifyEvent(this, &TvxCompoundTrackBar::TrackingChanged);
}

void TvxCompoundTrackBar::SetValue(float Value) {
  TvxFreeWatch self(this);
  trackBar_->SetValue(Value);
  if (!self.Gone()) UpdateLabel();
}

void TvxCompoundTrackBar::SetDecimalDigits(int Value) {
  if (Value == decimalDigits_) return;
  decimalDigits_ = Value;
  UpdateLabel();
}

void TvxCompoundTrackBar::SetSuffix(const std::u16string& Value) {
  if (Value == suffix_) return;
  suffix_ = Value;
  UpdateLabel();
}

std::u16string TvxCompoundTrackBar::ValueText() const {
  const float frequency = trackBar_->Frequency();
  const float value = trackBar_->Value();
  if (frequency != 0 && frequency == static_cast<float>(Trunc(frequency)))
    return Ascii(std::to_string(Trunc(value))) + suffix_;
  char buffer[64];
  const int digits = std::clamp(decimalDigits_, 0, 20);
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof(buffer), static_cast<double>(value), std::chars_format::fixed, digits);
  const std::string text = error == std::errc() ? std::string(buffer, end) : std::string("0");
  return Ascii(text) + suffix_;
}

void TvxCompoundTrackBar::UpdateLabel() { valueLabel_->SetText(ValueText()); }

// ---- TvxCompoundAngleBar -------------------------------------------------------------------------

rtl::TClass TvxCompoundAngleBar::StaticClass() {
  using C = TvxCompoundAngleBar;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("AngleButton", &C::AngleButton)
                                          .Property("ValueLabel", &C::ValueLabel)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxCompoundAngleBar::TvxCompoundAngleBar(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(20);
  valueLabel_ = MakeValueLabel();
  TvxControl* middle = MakeContainer(vaClient);
  angleButton_ = MakePart<TvxAngleButton>("AngleBar", middle);
  angleButton_->SetAlign(vaFit);
  angleButton_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundAngleBar::AngleChanged);
}

void TvxCompoundAngleBar::AngleChanged(rtl::TObject* Sender) {
  TvxFreeWatch self(this);
  OnChange(Sender);
  if (!self.Gone()) UpdateLabel();
}

void TvxCompoundAngleBar::SetValue(float Value) {
  TvxFreeWatch self(this);
  angleButton_->SetValue(Value);
  if (!self.Gone()) UpdateLabel();
}

void TvxCompoundAngleBar::UpdateLabel() {
  valueLabel_->SetText(Ascii(std::to_string(Trunc(angleButton_->Value()))) + u"\u00B0");
}

// ---- TvxCompoundTextBox and TvxCompoundNumberBox -------------------------------------------------

rtl::TClass TvxCompoundTextBox::StaticClass() {
  using C = TvxCompoundTextBox;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("TextBox", &C::TextBox)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxCompoundTextBox::TvxCompoundTextBox(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(21);
  TvxControl* middle = MakeContainer(vaClient);
  textBox_ = MakePart<TvxTextBox>("TextBox", middle);
  textBox_->SetAlign(vaVertCenter);
  textBox_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundTextBox::InnerChanged);
}

rtl::TClass TvxCompoundMemo::StaticClass() {
  using C = TvxCompoundMemo;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("Memo", &C::Memo)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxCompoundMemo::TvxCompoundMemo(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(60);
  memo_ = MakePart<TvxMemo>("Memo");
  memo_->SetAlign(vaClient);
  memo_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundMemo::InnerChanged);
}

rtl::TClass TvxCompoundNumberBox::StaticClass() {
  using C = TvxCompoundNumberBox;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("NumberBox", &C::NumberBox)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxCompoundNumberBox::TvxCompoundNumberBox(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(21);
  TvxControl* middle = MakeContainer(vaClient);
  numberBox_ = MakePart<TvxNumberBox>("NumberBox", middle);
  numberBox_->SetAlign(vaVertCenter);
  numberBox_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundNumberBox::InnerChanged);
}

// ---- TvxCompoundPopupBox, TvxCompoundColorButton and TvxCompoundImage ------------------------------

rtl::TClass TvxCompoundPopupBox::StaticClass() {
  using C = TvxCompoundPopupBox;
  // The index is stored as well: the box's items are loaded before it.
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("PopupBox", &C::PopupBox)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Build();
  return &info;
}

TvxCompoundPopupBox::TvxCompoundPopupBox(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(21);
  TvxControl* middle = MakeContainer(vaClient);
  popupBox_ = MakePart<TvxPopupBox>("PopupBox", middle);
  popupBox_->SetAlign(vaVertCenter);
  popupBox_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundPopupBox::InnerChanged);
}

rtl::TClass TvxCompoundColorButton::StaticClass() {
  using C = TvxCompoundColorButton;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("ColorButton", &C::ColorButton)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxCompoundColorButton::TvxCompoundColorButton(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(21);
  TvxControl* left = MakeContainer(vaLeft);
  left->SetWidth(60);
  colorButton_ = MakePart<TvxColorButton>("ColorButton", left);
  colorButton_->SetAlign(vaVertCenter);
  colorButton_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundColorButton::InnerChanged);
}

rtl::TClass TvxCompoundImage::StaticClass() {
  using C = TvxCompoundImage;
  static const rtl::TClassInfo info = rtl::DefineClass<C>().Property("Image", &C::Image).Build();
  return &info;
}

TvxCompoundImage::TvxCompoundImage(rtl::TComponent* AOwner) : TvxCompoundControl(AOwner) {
  SetWidth(200);
  SetHeight(60);
  image_ = MakePart<TvxImageControl>("Image");
  image_->SetAlign(vaClient);
  image_->OnChange = rtl::TNotifyEvent(this, &TvxCompoundImage::InnerChanged);
}

}  // namespace vg
