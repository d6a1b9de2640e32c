// Ready-made editor rows for property forms: a caption label ("TextLabel") on the left
// and one editing control filling the rest, whose value the row hands out as its own
// Value and whose change event the row takes over and passes on as its own OnChange (with
// the inner control as Sender). The track bar and angle bar rows show their value in a
// label on the right.
//
// The label, the inner control and the value label are parts of the row: owned by it,
// locked and never written as children. Streams write their properties under the row's
// property of the same name (TextLabel.Text is the caption, TrackBar.Max the bar's
// maximum), so a row is loaded back with its parts as they were.
#pragma once

#include <string>

#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"

namespace vg {

// What every row shares: the caption label, the parts' set-up and OnChange.
class TvxCompoundControl : public TvxControl {
  RTL_CLASS(TvxCompoundControl, TvxControl)
public:
  explicit TvxCompoundControl(rtl::TComponent* AOwner);

  TvxLabel* TextLabel() const { return textLabel_; }
  rtl::TNotifyEvent OnChange;

protected:
  // Makes Part a part of this row named Name, child of Parent (the row when nil).
  template <class T>
  T* MakePart(const std::string& Name, TvxObject* Parent = nullptr) {
    auto* part = new T(this);
    SetUpPart(part, Name, Parent);
    return part;
  }
  // A plain control holding an inner control, aligned by Align.
  TvxControl* MakeContainer(TvxAlign Align);
  // The right-aligned container with a value label showing "0".
  TvxValueLabel* MakeValueLabel();
  // The inner control's change, passed on.
  void InnerChanged(rtl::TObject* Sender) { OnChange(Sender); }

private:
  void SetUpPart(TvxVisualObject* Part, const std::string& Name, TvxObject* Parent);

  TvxLabel* textLabel_ = nullptr;
};

class TvxCompoundTrackBar : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundTrackBar, TvxCompoundControl)
public:
  explicit TvxCompoundTrackBar(rtl::TComponent* AOwner);

  TvxTrackBar* TrackBar() const { return trackBar_; }
  TvxValueLabel* ValueLabel() const { return valueLabel_; }
  float Value() const { return trackBar_->Value(); }
  void SetValue(float Value);
  int DecimalDigits() const { return decimalDigits_; }
  void SetDecimalDigits(int Value);
  const std::u16string& Suffix() const { return suffix_; }
  void SetSuffix(const std::u16string& Value);

  // The value as the label shows it: whole with a whole step, else with DecimalDigits.
  std::u16string ValueText() const;

private:
  void UpdateLabel();
  void TrackingChanged(rtl::TObject*) { UpdateLabel(); }

  TvxTrackBar* trackBar_ = nullptr;
  TvxValueLabel* valueLabel_ = nullptr;
  int decimalDigits_ = 2;
  std::u16string suffix_;
};

class TvxCompoundAngleBar : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundAngleBar, TvxCompoundControl)
public:
  explicit TvxCompoundAngleBar(rtl::TComponent* AOwner);

  TvxAngleButton* AngleButton() const { return angleButton_; }
  TvxValueLabel* ValueLabel() const { return valueLabel_; }
  float Value() const { return angleButton_->Value(); }
  void SetValue(float Value);

private:
  void AngleChanged(rtl::TObject* Sender);
  void UpdateLabel();

  TvxAngleButton* angleButton_ = nullptr;
  TvxValueLabel* valueLabel_ = nullptr;
};

class TvxCompoundTextBox : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundTextBox, TvxCompoundControl)
public:
  explicit TvxCompoundTextBox(rtl::TComponent* AOwner);

  TvxTextBox* TextBox() const { return textBox_; }
  std::u16string Value() const { return textBox_->Text(); }
  void SetValue(const std::u16string& Value) { textBox_->SetText(Value); }

private:
  TvxTextBox* textBox_ = nullptr;
};

class TvxCompoundMemo : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundMemo, TvxCompoundControl)
public:
  explicit TvxCompoundMemo(rtl::TComponent* AOwner);

  TvxMemo* Memo() const { return memo_; }
  std::u16string Value() const { return memo_->Text(); }
  void SetValue(const std::u16string& Value) { memo_->SetText(Value); }

private:
  TvxMemo* memo_ = nullptr;
};

class TvxCompoundNumberBox : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundNumberBox, TvxCompoundControl)
public:
  explicit TvxCompoundNumberBox(rtl::TComponent* AOwner);

  TvxNumberBox* NumberBox() const { return numberBox_; }
  float Value() const { return numberBox_->Value(); }
  void SetValue(float Value) { numberBox_->SetValue(Value); }

private:
  TvxNumberBox* numberBox_ = nullptr;
};

class TvxCompoundPopupBox : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundPopupBox, TvxCompoundControl)
public:
  explicit TvxCompoundPopupBox(rtl::TComponent* AOwner);

  TvxPopupBox* PopupBox() const { return popupBox_; }
  // The chosen item's index.
  int Value() const { return popupBox_->ItemIndex(); }
  void SetValue(int Value) { popupBox_->SetItemIndex(Value); }

private:
  TvxPopupBox* popupBox_ = nullptr;
};

class TvxCompoundColorButton : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundColorButton, TvxCompoundControl)
public:
  explicit TvxCompoundColorButton(rtl::TComponent* AOwner);

  TvxColorButton* ColorButton() const { return colorButton_; }
  // The colour as its text ("#AARRGGBB" or a colour name).
  std::string Value() const { return colorButton_->Color(); }
  void SetValue(const std::string& Value) { colorButton_->SetColor(Value); }

private:
  TvxColorButton* colorButton_ = nullptr;
};

// A picture row; the picture is the image control's own, so the row has no Value.
class TvxCompoundImage : public TvxCompoundControl {
  RTL_CLASS(TvxCompoundImage, TvxCompoundControl)
public:
  explicit TvxCompoundImage(rtl::TComponent* AOwner);

  TvxImageControl* Image() const { return image_; }

private:
  TvxImageControl* image_ = nullptr;
};

}  // namespace vg
