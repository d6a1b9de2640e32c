// Text boxes with a drop-down: the combo track bar (a numeric text box whose value a track
// bar in a popup sets).
//
// A left press outside the text area (the style's drop-down arrow) opens the popup under
// the box, or closes an open one; the press that closed it by taking the activation away
// does not open it again. While the popup is open the caret is hidden; it comes back when
// the popup closes and the box still has the focus.
#pragma once

#include <string>

#include "vg2d/controls/Popups.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/Tracks.h"

namespace vg {

// The number text of a combo track bar: always with a point, whatever the locale; no
// decimals for a whole number, else three.
std::u16string ComboTrackText(float Value);

class TvxComboTrackBar : public TvxCustomTextBox {
  RTL_CLASS(TvxComboTrackBar, TvxCustomTextBox)
public:
  explicit TvxComboTrackBar(rtl::TComponent* AOwner);

  // The track bar's range, value and step.
  float Min() const { return track_->Min(); }
  void SetMin(float Value) { track_->SetMin(Value); }
  float Max() const { return track_->Max(); }
  void SetMax(float Value) { track_->SetMax(Value); }
  float Value() const { return track_->Value(); }
  void SetValue(float Value) { track_->SetValue(Value); }
  float Frequency() const { return track_->Frequency(); }
  void SetFrequency(float Value) { track_->SetFrequency(Value); }

  TvxPopup* Popup() const { return popup_; }
  TvxTrackBar* TrackBar() const { return track_; }

  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // The text (read with a point as the decimal separator) becomes the track's value, then
  // the text box's Change; a text that is no number raises EConvertError.
  void Change() override;
  // The popup follows the box to its new parent.
  void ChangeParent() override;

protected:
  // The track moved: its value becomes the text (selected) and OnChange fires.
  virtual void TrackChanged(rtl::TObject* Sender);

private:
  void PopupClosed(rtl::TObject* Sender);

  TvxPopup* popup_;
  TvxTrackBar* track_;
};

class TvxHudComboTrackBar : public TvxComboTrackBar {
  RTL_CLASS(TvxHudComboTrackBar, TvxComboTrackBar)
public:
  explicit TvxHudComboTrackBar(rtl::TComponent* AOwner);
};

}  // namespace vg
