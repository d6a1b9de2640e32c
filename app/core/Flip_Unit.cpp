#include "app/core/Flip_Unit.h"

#include <cstdio>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"

namespace app {

std::string FlipColor(const std::string& Current, std::uint32_t Random) {
  std::string alpha = "FF";
  if (ecu::IsARGBText(Current)) alpha = Current.substr(1, 2);
  char rgb[8];
  std::snprintf(rgb, sizeof(rgb), "%06X", static_cast<unsigned>(Random % 16777215u));
  return "#" + alpha + rgb;
}

TFlip::TFlip(TFlipTarget& Target, std::function<std::uint32_t()> Random)
    : target_(Target), random_(std::move(Random)) {}

TFlip::~TFlip() { Cancel(); }

void TFlip::Cancel() {
  if (alive_) *alive_ = false;
  alive_.reset();
  running_ = false;
}

std::function<void()> TFlip::Then(void (TFlip::*Step)()) {
  std::weak_ptr<bool> alive = alive_;
  return [this, alive, Step] {
    const std::shared_ptr<bool> a = alive.lock();
    if (a && *a) (this->*Step)();
  };
}

void TFlip::Start() {
  if (running_) return;
  running_ = true;
  alive_ = std::make_shared<bool>(true);
  if (target_.RotateAngleY() != 0) {
    // Turned about Y (the design tilt): straighten first.
    target_.Animate("RotateAngle.Y", 0, FlipStepSeconds, nullptr);
    target_.Animate("Position.Z", 0, FlipStepSeconds, Then(&TFlip::TiltAway));
  } else {
    TiltAway();
  }
}

void TFlip::TiltAway() {
  target_.Animate("Position.Z", 300, FlipStepSeconds, nullptr);
  target_.Animate("RotateAngle.X", 90, FlipStepSeconds, Then(&TFlip::TurnOver));
}

void TFlip::TurnOver() {
  // Edge-on: jump to the far side, take the new colour, swing back into place.
  target_.SetRotateAngleX(270);
  Model().Colors.MainWindowFill.Color = FlipColor(Model().Colors.MainWindowFill.Color, random_ ? random_() : 0);
  target_.FillChanged();
  running_ = false;
  alive_.reset();
  target_.Animate("Position.Z", 0, FlipStepSeconds, nullptr);
  target_.Animate("RotateAngle.X", 360, FlipStepSeconds, nullptr);
  target_.CopyFillToOpenWindows();
}

}  // namespace app
