#include "SceneFakes.h"

#include "platform/rtl/TypInfo.h"

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
