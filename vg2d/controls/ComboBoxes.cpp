#include "vg2d/controls/ComboBoxes.h"

#include <charconv>
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Forms.h"

namespace vg {

namespace {

// Whether the press being handled is the one that just closed Popup (by moving the
// activation away from its window): that press must not open it again.
bool ClosedByThisPress(const TvxPopup* Popup) {
  const unsigned press = win::CurrentMousePress();
  return press != 0 && Popup->ClosedAtPress() == press;
}

}  // namespace

std::u16string ComboTrackText(float Value) {
  char buffer[64];
  const double v = Value;
  std::to_chars_result r{};
  if (std::isfinite(v) && v == std::trunc(v))
    r = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed, 0);
  else
    r = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed, 3);
  return rtl::Utf8ToWide(std::string(buffer, r.ptr));
}

// ---- TvxComboTrackBar ------------------------------------------------------------------------

rtl::TClass TvxComboTrackBar::StaticClass() {
  using C = TvxComboTrackBar;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("Min", &C::Min, &C::SetMin)
                                          .Property("Max", &C::Max, &C::SetMax)
                                          .Property("Value", &C::Value, &C::SetValue)
                                          .Property("Frequency", &C::Frequency, &C::SetFrequency)
                                          .Property("Text", &C::Text, &C::SetText)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TvxComboTrackBar::TvxComboTrackBar(rtl::TComponent* AOwner) : TvxCustomTextBox(AOwner) {
  SetFilterChar(u"0123456789.,-+");
  popup_ = new TvxPopup(this);
  popup_->SetResource("combopopupstyle");
  popup_->SetPlacementTarget(this);
  popup_->SetStaysOpen(false);
  popup_->Margins()->SetRect(MakeRect(5, 2, 5, 2));
  popup_->SetLocked(true);
  popup_->SetDesignHide(true);
  popup_->SetStored(false);
  popup_->OnClosePopup = rtl::TNotifyEvent(this, &TvxComboTrackBar::PopupClosed, "PopupClosed");
  track_ = new TvxTrackBar(this);
  popup_->AddObject(track_);
  track_->SetAlign(vaVertCenter);
  track_->SetDisableFocusEffect(true);
  track_->SetStored(false);
  track_->OnChange = rtl::TNotifyEvent(this, &TvxComboTrackBar::TrackChanged, "TrackChanged");
  AddObject(popup_);
  SetText(u"0");
  SetWidth(100);
  SetHeight(22);
  SetResource("combotextboxstyle");
}

void TvxComboTrackBar::ChangeParent() {
  inherited::ChangeParent();
  if (Parent() && popup_->Parent() != Parent() && !popup_->IsOpen()) Parent()->AddObject(popup_);
}

void TvxComboTrackBar::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || Designing()) return;
  const TvxRect content = GetContentRect();
  if (X >= content.Left && X <= content.Right && Y >= content.Top && Y <= content.Bottom) return;
  if (popup_->IsOpen()) {
    popup_->SetIsOpen(false);
    return;
  }
  if (ClosedByThisPress(popup_)) return;
  if (ShowCaret()) HideCaret();
  popup_->SetPlacement(vgPlacementBottom);
  popup_->SetWidth(Width() < 100 ? 100 : Width());
  popup_->SetHeight(30);
  track_->ApplyResource();
  popup_->SetIsOpen(true);
}

void TvxComboTrackBar::PopupClosed(rtl::TObject*) {
  if (ShowCaret() && IsFocused()) TvxVisualObject::ShowCaret();
}

void TvxComboTrackBar::TrackChanged(rtl::TObject*) {
  SetText(ComboTrackText(track_->Value()));
  SelectAll();
  OnChange(this);
}

void TvxComboTrackBar::Change() {
  std::string text = rtl::WideToUtf8(Text());
  // Typing may give a comma: it stands for the point.
  for (char& c : text)
    if (c == ',') c = '.';
  track_->SetValue(static_cast<float>(rtl::StrToFloat(text)));
  Repaint();
  inherited::Change();
}

rtl::TClass TvxHudComboTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudComboTrackBar>().Build();
  return &info;
}

TvxHudComboTrackBar::TvxHudComboTrackBar(rtl::TComponent* AOwner) : TvxComboTrackBar(AOwner) {
  Popup()->SetResource("hudcombopopupstyle");
  TrackBar()->SetResource("hudtrackbarstyle");
  SetResource("hudcombotextboxstyle");
}

}  // namespace vg
