// Test doubles of the 3D tree: a host that records what the tree tells it, and an object
// with published values of the kinds animations write, standing in for a visual object's
// visibility and look parts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "scene3d/Objects.h"
#include "scene3d/Physics.h"
#include "scene3d/SceneObjects.h"
#include "scene3d/Values.h"
#include "scene3d/VisualObjects.h"

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
    if (Operation == rtl::opRemove) {
      removed.push_back(AComponent);
      for (dx::TdxVisualObject** ref : {&focused, &captured, &activeControl, &selected})
        if (*ref == AComponent) *ref = nullptr;
      if (camera == AComponent) camera = nullptr;
    }
    rtl::TComponent::Notification(AComponent, Operation);
  }
  bool GetDesignTime() const override { return designTime; }
  bool GetRealTime() const override { return realTime; }
  rtl::TComponent* GetComponent() override { return this; }

  void RepaintScene() override { ++repaints; }
  dx::TdxCanvas* GetCanvas() override { return canvas; }
  int GetClientWidth() override { return clientWidth; }
  int GetClientHeight() override { return clientHeight; }
  void SetFocused(dx::TdxVisualObject* Value) override;
  dx::TdxVisualObject* GetFocused() override { return focused; }
  void SetCaptured(dx::TdxVisualObject* Value) override { captured = Value; }
  dx::TdxVisualObject* GetCaptured() override { return captured; }
  dx::TdxVisualObject* GetActiveControl() override { return activeControl; }
  dx::TdxVector GetMousePos() override { return mousePos; }
  // The window's client area starts at (100, 200) on the screen.
  void ClientToScreen(float X, float Y, int& ScreenX, int& ScreenY) override;
  void BeginVCLDrag(rtl::TComponent* Obj) override { dragged.push_back(Obj); }
  bool IsDesignSelected(dx::TdxVisualObject* Obj) override { return Obj == selected; }
  dx::TdxCamera* GetCamera() override { return camera; }
  void SetCamera(dx::TdxCamera* Value) override { camera = Value; }
  bool GetInvisibleAtRuntime() override { return invisibleAtRuntime; }
  dx::TdxPhysics* GetPhysics(bool Create) override;

  std::vector<dx::TdxObject*> roots;
  std::vector<rtl::TComponent*> removed;  // every opRemove, in order
  bool designTime = false;
  bool realTime = false;
  int repaints = 0;
  dx::TdxCanvas* canvas = nullptr;
  int clientWidth = 800;
  int clientHeight = 600;
  dx::TdxVisualObject* focused = nullptr;
  dx::TdxVisualObject* captured = nullptr;
  dx::TdxVisualObject* activeControl = nullptr;
  dx::TdxVisualObject* selected = nullptr;
  dx::TdxCamera* camera = nullptr;
  dx::TdxVector mousePos;
  std::vector<rtl::TComponent*> dragged;
  bool invisibleAtRuntime = false;
  // The engine GetPhysics(true) makes when there is none: set engineClass to have one.
  const dx::TdxPhysicsClass* engineClass = nullptr;
  std::unique_ptr<dx::TdxPhysics> physics;
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
