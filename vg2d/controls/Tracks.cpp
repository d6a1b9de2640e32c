#include "vg2d/controls/Tracks.h"

#include <cmath>
#include <limits>

#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/RaisedFlag.h"
#include "vg2d/controls/StyleParts.h"

namespace vg {

namespace {

// Value snapped to the multiples of Step (halves to even); a step of 0, or one that is no
// finite number (a stream may give NAN or INF), leaves it alone.
float Snap(float Value, float Step) {
  if (Step == 0 || !std::isfinite(Step)) return Value;
  return static_cast<float>(std::nearbyint(static_cast<double>(Value) / Step) * Step);
}

// A number handed as data, else nothing.
bool NumberOf(const rtl::TPropValue& Data, float& Value) {
  if (const auto* d = std::get_if<double>(&Data)) {
    Value = static_cast<float>(*d);
    return true;
  }
  if (const auto* i = std::get_if<int64_t>(&Data)) {
    Value = static_cast<float>(*i);
    return true;
  }
  return false;
}

// Value cut to Max - Viewport, then raised to Min.
float KeepInRange(float Value, float Min, float Max, float Viewport) {
  if (Value > Max - Viewport) Value = Max - Viewport;
  if (Value < Min) Value = Min;
  // An infinite bound (a stream may give INF) would leave an infinity, whose text no box
  // reads back: the track holds the largest number of that sign instead.
  if (std::isinf(Value)) Value = std::copysign(std::numeric_limits<float>::max(), Value);
  return Value;
}

// The published list a track class shares: range, orientation, value and change event.
template <class T>
rtl::TClassBuilder<T>& TrackProperties(rtl::TClassBuilder<T>& B, bool WithViewport) {
  B.Property("BindingSource", &T::BindingSource, &T::SetBindingSource)
      .Property("Min", &T::Min, &T::SetMin)
      .Property("Max", &T::Max, &T::SetMax)
      .Property("Frequency", &T::Frequency, &T::SetFrequency)
      .Property("Orientation", &T::Orientation, &T::SetOrientation)
      .Default(vgHorizontal)
      .Property("Value", &T::Value, &T::SetValue);
  if (WithViewport) B.Property("ViewportSize", &T::ViewportSize, &T::SetViewportSize);
  B.Property("Tracking", &T::Tracking, &T::SetTracking).Default(true).Event("OnChange", &T::OnChange);
  return B;
}

}  // namespace

// ---- TvxThumb ----------------------------------------------------------------------------------

rtl::TClass TvxThumb::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxThumb>().Build();
  return &info;
}

TvxThumb::TvxThumb(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetCanFocused(false);
  SetAutoCapture(true);
}

TvxCustomTrack* TvxThumb::Track() const {
  for (TvxObject* p = Parent(); p; p = p->Parent())
    if (auto* track = dynamic_cast<TvxCustomTrack*>(p)) return track;
  return nullptr;
}

void TvxThumb::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || !GetAbsoluteEnabled()) return;
  if (TvxCustomTrack* track = Track()) {
    track->SetFocus();
    if (self.Gone()) return;
    // The second press of a double click is the track's as well: whoever watches the
    // track's presses for a double click sees it wherever on the track it lands. A handler
    // that sets the value keeps it: no drag follows to move it back under the mouse.
    if (Shift.Contains(rtl::ssDouble)) {
      const float before = track->Value();
      const TvxPoint at = track->AbsoluteToLocal(LocalToAbsolute({X, Y}));
      track->OnMouseDown(track, Button, Shift, at.X, at.Y);
      if (self.Gone() || track->Value() != before) return;
    }
  }
  dragging_ = true;
  pressed_ = {X, Y};
}

void TvxThumb::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !dragging_ || !GetAbsoluteEnabled()) return;
  TvxCustomTrack* track = Track();
  if (!track || !Parent() || !Parent()->IsVisual()) return;
  const TvxPoint at = track->AbsoluteToLocal(LocalToAbsolute({X, Y}));
  const bool horizontal = track->Orientation() == vgHorizontal;
  const float extent = horizontal ? track->Width() : track->Height();
  if (!(extent > 0)) return;
  float along = horizontal ? at.X : at.Y;
  if (track->ViewportSize() != 0) along -= horizontal ? pressed_.X : pressed_.Y;
  track->SetValue(along / extent * (track->Max() - track->Min()) + track->Min());
}

void TvxThumb::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  if (dragging_) {
    if (TvxCustomTrack* track = Track()) {
      track->FinishDrag();
      if (self.Gone()) return;
    }
    dragging_ = false;
  }
  inherited::MouseUp(Button, Shift, X, Y);
}

// ---- TvxCustomTrack ----------------------------------------------------------------------------

rtl::TClass TvxCustomTrack::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxCustomTrack>().Build();
  return &info;
}

TvxCustomTrack::TvxCustomTrack(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetWidth(100);
  SetHeight(15);
}

TvxThumb* TvxCustomTrack::Thumb() { return FindPart<TvxThumb>(this, "thumb"); }

void TvxCustomTrack::SetValue(float Value) { ChangeValue(Value, false); }

void TvxCustomTrack::ChangeValue(float Value, bool Force) {
  if (std::isnan(Value)) return;
  Value = Snap(Value, frequency_);
  if (Value == value_ && !Force) return;
  value_ = KeepInRange(Value, min_, max_, viewportSize_);
  TvxThumb* thumb = Thumb();
  const bool dragging = thumb && thumb->Dragging();
  TvxFreeWatch self(this);
  if (dragging) {
    OnTracking(this);
    if (self.Gone()) return;
  }
  if (tracking_) UpdateBindings();
  if (self.Gone()) return;
  if (tracking_ || !dragging) {
    OnChange(this);
    if (self.Gone()) return;
  }
  Realign();
}

void TvxCustomTrack::FinishDrag() {
  if (tracking_ || !OnChange) return;
  tracking_ = true;
  TvxFreeWatch self(this);
  ChangeValue(value_, true);
  if (!self.Gone()) tracking_ = false;
}

void TvxCustomTrack::SetMax(float Value) {
  if (Value == max_) return;
  max_ = Value;
  if (max_ < min_) max_ = min_ + 0.001f;
  if (viewportSize_ > max_ - min_) viewportSize_ = max_ - min_;
  if (value_ > max_ - viewportSize_) value_ = KeepInRange(value_, min_, max_, viewportSize_);
  Realign();
}

void TvxCustomTrack::SetMin(float Value) {
  if (Value == min_) return;
  min_ = Value;
  Realign();
}

void TvxCustomTrack::SetViewportSize(float Value) {
  if (Value == viewportSize_) return;
  viewportSize_ = Value;
  if (viewportSize_ > max_ - min_) viewportSize_ = max_ - min_;
  TvxFreeWatch self(this);
  if (value_ > max_ - viewportSize_) SetValue(max_ - viewportSize_);
  if (!self.Gone()) Realign();
}

void TvxCustomTrack::SetFrequency(float Value) {
  if (Value == frequency_) return;
  frequency_ = Value;
  if (frequency_ != 0) SetValue(Snap(value_, frequency_));
}

void TvxCustomTrack::SetOrientation(TvxOrientation Value) {
  if (Value == orientation_) return;
  orientation_ = Value;
  if (Designing() && !Loading()) SetBounds(Position()->X(), Position()->Y(), Height(), Width());
  Realign();
}

void TvxCustomTrack::TakeRange(TvxOrientation AOrientation, float AMin, float AMax, float AValue) {
  orientation_ = AOrientation;
  min_ = AMin;
  max_ = AMax;
  value_ = AValue;
}

TvxRect TvxCustomTrack::GetThumbRect() {
  TvxRect r = GetLocalRect();
  const float range = max_ - min_;
  if (range > 0) {
    const float w = Width(), h = Height();
    if (orientation_ == vgHorizontal) {
      const float at = static_cast<float>(Round((value_ - min_) / range * w));
      r = MakeRect(at, 0, at + viewportSize_ / range * w, h);
      if (RectWidth(r) < h) {
        const float half = static_cast<float>(Trunc(h / 2));
        r.Right = r.Left + half;
        r.Left -= half;
      }
      if (r.Right > w) OffsetRectF(r, w - r.Right, 0);
      if (r.Left < 0) OffsetRectF(r, -r.Left, 0);
    } else {
      const float at = static_cast<float>(Round((value_ - min_) / range * h));
      r = MakeRect(0, at, w, at + viewportSize_ / range * h);
      if (RectHeight(r) < w) {
        const float half = static_cast<float>(Trunc(w / 2));
        r.Bottom = r.Top + half;
        r.Top -= half;
      }
      if (r.Bottom > h) OffsetRectF(r, 0, h - r.Bottom);
      if (r.Top < 0) OffsetRectF(r, 0, -r.Top);
    }
  }
  TvxThumb* thumb = Thumb();
  TvxVisualObject* holder = thumb && thumb->Parent() ? thumb->Parent()->Visual() : nullptr;
  if (holder) {
    const TvxBounds& m = *holder->Margins();
    const TvxBounds& p = *thumb->Padding();
    if (m.Left() + m.Right() + p.Left() + p.Right() < RectWidth(r)) {
      r.Left += m.Left() + p.Left();
      r.Right -= m.Right() + p.Right();
    }
    r.Top += m.Top() + p.Top();
    r.Bottom -= m.Bottom() + p.Bottom();
  }
  return r;
}

void TvxCustomTrack::Realign() {
  inherited::Realign();
  TvxThumb* thumb = Thumb();
  if (!thumb) return;
  const TvxRect r = GetThumbRect();
  thumb->Position()->SetPoint({r.Left, r.Top});
  if (Round(RectWidth(r)) > 0) thumb->SetWidth(RectWidth(r));
  if (Round(RectHeight(r)) > 0) thumb->SetHeight(RectHeight(r));
}

void TvxCustomTrack::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  // The step comes before the press is reported, so that a handler of the press (a double
  // click that sets a value) has the last word.
  const bool horizontal = orientation_ == vgHorizontal;
  const float extent = horizontal ? Width() : Height();
  if (Button == rtl::mbLeft && extent > 0) {
    const float at = (horizontal ? X : Y) / extent * (max_ - min_) + min_;
    if (viewportSize_ == 0)
      SetValue(at);
    else if (at <= value_)
      SetValue(value_ - viewportSize_);
    else
      SetValue(value_ + viewportSize_);
    if (self.Gone()) return;
  }
  inherited::MouseDown(Button, Shift, X, Y);
}

void TvxCustomTrack::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone() || Key < win::VK_END || Key > win::VK_DOWN) return;
  const float step = frequency_ != 0 ? frequency_ : 1;
  switch (Key) {
    case win::VK_END: SetValue(max_); break;
    case win::VK_HOME: SetValue(min_); break;
    case win::VK_LEFT:
    case win::VK_UP: SetValue(value_ - step); break;
    default: SetValue(value_ + step); break;
  }
  if (self.Gone()) return;
  Key = 0;
  if (!tracking_) OnChange(this);
}

rtl::TPropValue TvxCustomTrack::GetData() { return static_cast<double>(value_); }

void TvxCustomTrack::SetData(const rtl::TPropValue& Value) {
  float number = 0;
  if (const auto* m = std::get_if<rtl::TMethod>(&Value))
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
  else if (NumberOf(Value, number))
    SetValue(number);
  else
    SetValue(min_);
}

// ---- the track classes -------------------------------------------------------------------------

rtl::TClass TvxTrack::StaticClass() {
  static const rtl::TClassInfo info = [] {
    auto b = rtl::DefineClass<TvxTrack>();
    return TrackProperties(b, true).Build();
  }();
  return &info;
}

rtl::TClass TvxHudTrack::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudTrack>().Build();
  return &info;
}

rtl::TClass TvxTrackBar::StaticClass() {
  using T = TvxTrackBar;
  static const rtl::TClassInfo info = [] {
    auto b = rtl::DefineClass<T>();
    TrackProperties(b, false)
        .Property("CanFocused", &T::CanFocused, &T::SetCanFocused)
        .Default(true)
        .Property("DisableFocusEffect", &T::DisableFocusEffect, &T::SetDisableFocusEffect)
        .Default(false);
    return b.Build();
  }();
  return &info;
}

TvxTrackBar::TvxTrackBar(rtl::TComponent* AOwner) : TvxCustomTrack(AOwner) { SetCanFocused(true); }

rtl::TClass TvxHudTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudTrackBar>().Build();
  return &info;
}

// ---- TvxScrollBar ------------------------------------------------------------------------------

rtl::TClass TvxScrollBar::StaticClass() {
  using S = TvxScrollBar;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("BindingSource", &S::BindingSource, &S::SetBindingSource)
                                          .Property("Min", &S::Min, &S::SetMin)
                                          .Property("Max", &S::Max, &S::SetMax)
                                          .Property("Orientation", &S::Orientation, &S::SetOrientation)
                                          .Default(vgHorizontal)
                                          .Property("Value", &S::Value, &S::SetValue)
                                          .Property("ViewportSize", &S::ViewportSize, &S::SetViewportSize)
                                          .Property("SmallChange", &S::SmallChange, &S::SetSmallChange)
                                          .Event("OnChange", &S::OnChange)
                                          .Build();
  return &info;
}

TvxScrollBar::TvxScrollBar(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetWidth(150);
  SetHeight(18);
}

void TvxScrollBar::SetValue(float Value) {
  if (std::isnan(Value) || Value == value_) return;
  value_ = KeepInRange(Value, min_, max_, viewportSize_);
  TvxFreeWatch self(this);
  UpdateBindings();
  if (self.Gone()) return;
  OnChange(this);
  if (!self.Gone()) Realign();
}

void TvxScrollBar::SetMax(float Value) {
  if (Value == max_) return;
  max_ = Value;
  if (max_ < min_) max_ = min_ + 0.001f;
  TvxFreeWatch self(this);
  if (value_ > max_ - viewportSize_) SetValue(max_ - viewportSize_);
  if (self.Gone()) return;
  if (viewportSize_ > max_ - min_) viewportSize_ = max_ - min_;
  Realign();
}

void TvxScrollBar::SetMin(float Value) {
  if (Value == min_) return;
  min_ = Value;
  TvxFreeWatch self(this);
  if (value_ < min_) SetValue(min_);
  if (!self.Gone()) Realign();
}

void TvxScrollBar::SetViewportSize(float Value) {
  if (Value == viewportSize_) return;
  viewportSize_ = Value;
  if (viewportSize_ > max_ - min_) viewportSize_ = max_ - min_;
  TvxFreeWatch self(this);
  if (value_ > max_ - viewportSize_) SetValue(max_ - viewportSize_);
  if (!self.Gone()) Realign();
}

void TvxScrollBar::SetOrientation(TvxOrientation Value) {
  if (Value == orientation_) return;
  orientation_ = Value;
  if (Designing() && !Loading()) SetBounds(Position()->X(), Position()->Y(), Height(), Width());
  Realign();
}

void TvxScrollBar::TrackChanged(rtl::TObject* Sender) {
  if (auto* track = dynamic_cast<TvxCustomTrack*>(Sender)) SetValue(track->Value());
}

void TvxScrollBar::StepBack(rtl::TObject*) { SetValue(value_ - smallChange_); }
void TvxScrollBar::StepForward(rtl::TObject*) { SetValue(value_ + smallChange_); }

void TvxScrollBar::Realign() {
  if (realigning_) return;
  TvxRaisedFlag self(this, realigning_);
  const bool horizontal = orientation_ == vgHorizontal;
  const auto wireTrack = [&](const char* Name, TvxOrientation Along) {
    auto* track = FindPart<TvxCustomTrack>(this, Name);
    if (!track) return;
    track->TakeRange(Along, min_, max_, value_);
    track->SetViewportSize(viewportSize_);
    track->SetVisible(Along == orientation_);
    track->OnChange = rtl::TNotifyEvent(this, &TvxScrollBar::TrackChanged);
    track->SetCanFocused(false);
    if (track->Visible()) track->Realign();
  };
  wireTrack("htrack", vgHorizontal);
  if (self.Gone()) return;
  wireTrack("vtrack", vgVertical);
  if (self.Gone()) return;
  const auto wireButton = [&](const char* Name, bool Shown, void (TvxScrollBar::*Step)(rtl::TObject*)) {
    auto* button = FindPart<TvxCustomButton>(this, Name);
    if (!button) return;
    button->OnClick = rtl::TNotifyEvent(this, Step);
    button->SetVisible(Shown);
    button->SetCanFocused(false);
  };
  wireButton("leftbutton", horizontal, &TvxScrollBar::StepBack);
  wireButton("topbutton", !horizontal, &TvxScrollBar::StepBack);
  wireButton("rightbutton", horizontal, &TvxScrollBar::StepForward);
  wireButton("bottombutton", !horizontal, &TvxScrollBar::StepForward);
  inherited::Realign();
}

rtl::TPropValue TvxScrollBar::GetData() { return static_cast<double>(value_); }

void TvxScrollBar::SetData(const rtl::TPropValue& Value) {
  float number = 0;
  if (const auto* m = std::get_if<rtl::TMethod>(&Value))
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
  else if (NumberOf(Value, number))
    SetValue(number);
  else
    SetValue(min_);
}

rtl::TClass TvxHudScrollBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudScrollBar>().Build();
  return &info;
}

rtl::TClass TvxSmallScrollBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxSmallScrollBar>().Build();
  return &info;
}

TvxSmallScrollBar::TvxSmallScrollBar(rtl::TComponent* AOwner) : TvxScrollBar(AOwner) { SetHeight(8); }

}  // namespace vg
