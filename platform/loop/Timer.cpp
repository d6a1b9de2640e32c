#include "platform/loop/Timer.h"

namespace rtl {

TClass TTimer::StaticClass() {
  static const TClassInfo info = DefineClass<TTimer>()
                                     .Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true)
                                     .Property("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000)
                                     .Property("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer)
                                     .Build();
  return &info;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
}

void TTimer::SetEnabled(bool Value) { SetField(enabled_, Value, &TTimer::UpdateTimer); }

void TTimer::SetInterval(std::uint32_t Value) { SetField(interval_, Value, &TTimer::UpdateTimer); }

void TTimer::SetOnTimer(TNotifyEvent Value) {
  onTimer_ = std::move(Value);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (id_ != 0) Application->StopTimer(id_);
  id_ = 0;
  if (interval_ != 0 && enabled_ && onTimer_)
    id_ = Application->StartTimer(interval_, [this] { Timer(); });
}

void TTimer::Timer() {
  // A copy: the handler may free this timer, or replace its own handler, while it runs.
  const TNotifyEvent handler = onTimer_;
  if (handler) handler(this);
}

}  // namespace rtl
