#include "scene3d/Physics.h"

#include "platform/rtl/TypInfo.h"

namespace dx {

const TdxPhysicsClass* DefaultPhysicsClass = nullptr;

rtl::TClass TdxPhysics::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxPhysics>().Build();
  return &info;
}

void TdxPhysics::Step(float DeltaTime) {
  if (cameraWorld_) Update(cameraWorld_, DeltaTime);
  if (screenWorld_) Update(screenWorld_, DeltaTime);
}

std::unique_ptr<TdxPhysics> CreateDefaultPhysics(IdxScene* AScene) {
  return DefaultPhysicsClass ? DefaultPhysicsClass->Create(AScene) : nullptr;
}

}  // namespace dx
