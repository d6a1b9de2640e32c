// Sample published classes shared by the runtime's tests.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/Component.h"
#include "platform/rtl/TypInfo.h"

namespace rtltest {

using namespace rtl;

RTL_ENUM(TShade, shNone, shLight, shDark);
using TShades = TSet<TShade>;

// An owned value object, assigned by copying.
class TFill : public TPersistent {
  RTL_CLASS(TFill, TPersistent)
public:
  int32_t Color() const { return color_; }
  void SetColor(int32_t v) { color_ = v; }
  void Assign(const TPersistent* Source) override {
    if (!AssignProperties(this, Source)) inherited::Assign(Source);
  }

private:
  int32_t color_ = 0;
};

class TShape : public TComponent {
  RTL_CLASS(TShape, TComponent)
public:
  explicit TShape(TComponent* AOwner) : TComponent(AOwner) {}
  ~TShape() override {
    if (Buddy_) Buddy_->RemoveFreeNotification(this);
  }

  uint8_t Opacity() const { return Opacity_; }
  void SetOpacity(uint8_t v) { Opacity_ = v; }
  TFill* Fill() const { return fill_.get(); }
  void SetFill(TFill* v) { fill_->Assign(v); }
  TShape* Buddy() const { return Buddy_; }
  void SetBuddy(TShape* v) {
    if (Buddy_) Buddy_->RemoveFreeNotification(this);
    Buddy_ = v;
    if (v) v->FreeNotification(this);
  }
  bool IsCaptionStored() const { return Caption != "auto"; }
  int32_t Count() const { return 3; }

  void ShapeClick(TObject* Sender) {
    ++Clicks;
    LastSender = Sender;
  }
  void ShapeMoved(TObject*, int) {}

  int16_t Depth = 0;
  int64_t Big = 0;
  char Hot = 'a';
  char16_t WideHot = u'b';
  bool Visible = true;
  TShade Shade = shNone;
  TShades Shades{shLight};
  float XRadius = 0.1f;
  double Angle = 0;
  double Scale = 1;
  std::string Caption;
  std::u16string Text;
  int32_t Secret = 0;
  TNotifyEvent OnClick;

  int Clicks = 0;
  TObject* LastSender = nullptr;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && AComponent == Buddy_) Buddy_ = nullptr;
    inherited::Notification(AComponent, Operation);
  }

private:
  uint8_t Opacity_ = 100;
  const std::unique_ptr<TFill> fill_ = std::make_unique<TFill>();
  TShape* Buddy_ = nullptr;
};

// Adds a property and redeclares an inherited one with another default.
class TCircle : public TShape {
  RTL_CLASS(TCircle, TShape)
public:
  explicit TCircle(TComponent* AOwner) : TShape(AOwner) { SetOpacity(50); }
  float Radius = 1;
};

}  // namespace rtltest
