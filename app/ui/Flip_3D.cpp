#include "app/ui/Flip_3D.h"

#include <chrono>
#include <random>

#include "app/core/Flip_Unit.h"
#include "app/ui/Main_3D_Unit.h"
#include "scene3d/Animations.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/VisualObjects.h"

namespace app {

namespace {

constexpr const char* FlipName = "Flip_3D_GEN";

// The flip's target: the main window's GUI layer and fill.
class TMainFlipTarget : public TFlipTarget {
public:
  explicit TMainFlipTarget(TForm_3D_GEN& Main) : main_(Main) {}
  float RotateAngleY() const override { return main_.Layer() ? main_.Layer()->RotateAngle()->Y() : 0; }
  void SetRotateAngleX(float Value) override {
    if (main_.Layer()) main_.Layer()->RotateAngle()->SetX(Value);
  }
  void Animate(const std::string& Property, float Value, float Seconds, std::function<void()> Done) override {
    dx::AnimateFloat(main_.Layer(), Property, Value, Seconds, std::move(Done));
  }
  void FillChanged() override { main_.ApplyMainWindowFill(); }
  void CopyFillToOpenWindows() override { main_.CopyFillToOpenWindows(); }

private:
  TForm_3D_GEN& main_;
};

// The flip as a component of the main window: freed with it, which cancels the flip.
class TMainFlip : public rtl::TComponent {
public:
  explicit TMainFlip(TForm_3D_GEN& Main)
      : rtl::TComponent(&Main), target_(Main), flip_(target_, [this] { return random_(); }) {
    SetName(FlipName);
  }
  ~TMainFlip() override { flip_.Cancel(); }
  void Start() {
    // Seeded anew for each flip.
    random_.seed(static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    flip_.Start();
  }
  bool Running() const { return flip_.Running(); }

private:
  TMainFlipTarget target_;
  std::mt19937 random_;
  TFlip flip_;
};

}  // namespace

void FlipMainWindow(TForm_3D_GEN& Main) {
  auto* flip = dynamic_cast<TMainFlip*>(Main.FindComponent(FlipName));
  if (!flip) flip = new TMainFlip(Main);
  flip->Start();
}

bool MainWindowFlipping(const TForm_3D_GEN& Main) {
  auto* flip = dynamic_cast<TMainFlip*>(Main.FindComponent(FlipName));
  return flip && flip->Running();
}

}  // namespace app
