// The class library's timer component.
#pragma once

#include <cstdint>

#include "platform/loop/Application.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

namespace rtl {

// Ticks on the GUI thread every Interval milliseconds while Enabled, with an interval not 0
// and an OnTimer handler. Changing Enabled, Interval or OnTimer restarts the period
// ("off; set interval; on" waits a whole new interval). A tick is handled between messages;
// a handler may disable, re-arm or free its own timer or another one, and a timer that is
// disabled never fires again, even when its tick was already due.
// Published: Enabled (default true), Interval (default 1000), OnTimer.
class TTimer : public TComponent {
  RTL_CLASS(TTimer, TComponent)
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t Value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent Value);

protected:
  // Runs OnTimer; exceptions go to the application's handler.
  virtual void Timer();

private:
  void UpdateTimer();

  bool enabled_ = true;
  std::uint32_t interval_ = 1000;
  TNotifyEvent onTimer_;
  TApplication::TTimerId id_ = 0;
};

}  // namespace rtl
