#include "SceneFakes.h"

#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Geometry.h"

rtl::TClass dxtest::Body::StaticClass() {
  using B = dxtest::Body;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("Opacity", &B::opacity, &B::opacity)
                                          .Property("Color", &B::color, &B::color)
                                          .Property("Tint", &B::tint, &B::tint)
                                          .Property("Position", &B::Position, &B::SetPosition)
                                          .Property("Spare", &B::Spare)
                                          .Property("IsMouseOver", &B::isMouseOver, &B::isMouseOver)
                                          .Property("IsFocused", &B::isFocused, &B::isFocused)
                                          .Build();
  return &info;
}

void dxtest::FakeScene::SetFocused(dx::TdxVisualObject* Value) {
  if (Value == focused) return;
  dx::TdxVisualObject* old = focused;
  focused = Value;
  if (old) old->KillFocus();
  if (Value) Value->EnterFocus();
}

void dxtest::FakeScene::ClientToScreen(float X, float Y, int& ScreenX, int& ScreenY) {
  ScreenX = 100 + static_cast<int>(vg::Round(X));
  ScreenY = 200 + static_cast<int>(vg::Round(Y));
}

dx::TdxPhysics* dxtest::FakeScene::GetPhysics(bool Create) {
  if (!physics && Create && engineClass) physics = engineClass->Create(this);
  return physics.get();
}
