// The flip of the main window: its GUI layer tilts back and away, turns edge-on, flips over
// and swings forward into place with a new random fill colour, which then goes to the other
// open windows. The steps that wait for an animation are chained: each animation's end starts
// the next step, so the loop keeps running and nothing nests. The window side supplies the
// target; the flip holds no window itself. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace app {

// What the flip acts on: the main window's GUI layer and fill.
class TFlipTarget {
public:
  virtual ~TFlipTarget() = default;
  // The layer's rotation about Y.
  virtual float RotateAngleY() const = 0;
  // Sets the layer's rotation about X at once.
  virtual void SetRotateAngleX(float Value) = 0;
  // Animates a float property of the layer ("Position.Z", "RotateAngle.X") from its value
  // to Value over Seconds; Done, when given, runs at the animation's end.
  virtual void Animate(const std::string& Property, float Value, float Seconds, std::function<void()> Done) = 0;
  // The main window's fill (app::Colors.MainWindowFill) changed: the window shows it.
  virtual void FillChanged() = 0;
  // The fill goes to the open windows (action 5's work).
  virtual void CopyFillToOpenWindows() = 0;
};

// Each animation of the flip lasts this long.
constexpr float FlipStepSeconds = 0.3f;

// The fill colour after a flip: the alpha of Current ("#AARRGGBB"; FF when it is no colour
// text) with the random RGB value Random mod 16777215 (0 .. 16777214).
std::string FlipColor(const std::string& Current, std::uint32_t Random);

class TFlip {
public:
  // Random gives a fresh random number for each flip's colour (the window side seeds it).
  TFlip(TFlipTarget& Target, std::function<std::uint32_t()> Random);
  ~TFlip();
  TFlip(const TFlip&) = delete;
  TFlip& operator=(const TFlip&) = delete;

  // Starts a flip. A flip already waiting on its animations carries on; nothing new starts.
  void Start();
  // Stops waiting: no later step runs (the target is going away).
  void Cancel();
  // A flip is between its start and its colour change.
  bool Running() const { return running_; }

private:
  void TiltAway();
  void TurnOver();
  // A callback that runs Step only while this flip's current run is alive.
  std::function<void()> Then(void (TFlip::*Step)());

  TFlipTarget& target_;
  std::function<std::uint32_t()> random_;
  std::shared_ptr<bool> alive_;
  bool running_ = false;
};

}  // namespace app
