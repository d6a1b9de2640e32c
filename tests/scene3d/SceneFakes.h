// Test doubles of the 3D tree: a host that records what the tree tells it, and an object
// with published values of the kinds animations write, standing in for a visual object's
// visibility and look parts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "scene3d/Objects.h"
#include "scene3d/Values.h"

namespace dxtest {

class FakeScene : public rtl::TComponent, public dx::IdxScene {
public:
  FakeScene() : rtl::TComponent(nullptr) {}
  ~FakeScene() override {
    while (!roots.empty()) roots.back()->Free();
  }
  void AddObject(dx::TdxObject* Obj) override {
    Obj->SetParent(nullptr);
    roots.push_back(Obj);
    Obj->SetScene(this);
  }
  void RemoveObject(dx::TdxObject* Obj) override { std::erase(roots, Obj); }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    if (Operation == rtl::opRemove) removed.push_back(AComponent);
    rtl::TComponent::Notification(AComponent, Operation);
  }
  bool GetDesignTime() const override { return designTime; }
  bool GetRealTime() const override { return realTime; }
  rtl::TComponent* GetComponent() override { return this; }

  std::vector<dx::TdxObject*> roots;
  std::vector<rtl::TComponent*> removed;  // every opRemove, in order
  bool designTime = false;
  bool realTime = false;
};

class Body : public dx::TdxObject {
  RTL_CLASS(Body, dx::TdxObject)
public:
  explicit Body(rtl::TComponent* AOwner) : dx::TdxObject(AOwner) {}
  bool Shown() const override { return visible; }
  bool FollowsParentTriggers() const override { return lookPart; }
  dx::TdxPosition* Position() const { return position_.get(); }
  void SetPosition(dx::TdxPosition* Value) { position_->Assign(Value); }
  dx::TdxPosition* Spare() const { return nullptr; }  // an object property holding nothing

  float opacity = 1;
  std::string color = "#FF000000";
  uint32_t tint = 0;
  bool isMouseOver = false;
  bool isFocused = false;
  bool visible = true;
  bool lookPart = false;

private:
  std::unique_ptr<dx::TdxPosition> position_ = std::make_unique<dx::TdxPosition>();
};

}  // namespace dxtest
