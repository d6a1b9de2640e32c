#include "platform/loop/Timer.h"

namespace rtl {

TClass TTimer::StaticClass() {
  static const TClassInfo info{"TTimer", TObject::StaticClass(), {}, {}, {}};
  return &info;
}

TTimer::TTimer(TObject*) {}

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  UpdateTimer();
}

void TTimer::SetInterval(std::uint32_t Value) {
  if (Value == interval_) return;
  interval_ = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TTimerEvent Value) {
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
  const TTimerEvent handler = onTimer_;
  if (handler) handler(this);
}

}  // namespace rtl
