// A scene control in a borderless form on SDL's dummy display, for the scene control's tests:
// the library started, the form made, shown and freed, objects added to the scene's tree.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "FakeScene.h"
#include "platform/loop/Application.h"
#include "platform/win/Forms.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"

namespace vgtest {

struct SceneForm : ::testing::Test {
  void SetUp() override {
    vg::LibraryStartup();
    rtl::Application->Reset();
  }
  void TearDown() override {
    form.reset();
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    vg::LibraryShutdown();
  }
  // A borderless black form at (10, 20) with a client-aligned scene.
  vg::TvxScene* MakeScene(int W = 200, int H = 100, bool Transparent = false) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetColor(0xFF000000u);
    form->SetBounds(10, 20, W, H);
    scene = new vg::TvxScene(form.get());
    scene->SetTransparency(Transparent);
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    return scene;
  }
  void ShowAndSettle() {
    form->Show();
    rtl::Application->ProcessMessages();
  }
  template <class T = Box>
  T* Add(vg::TvxObject* Parent, float X, float Y, float W, float H) {
    auto* o = new T(form.get());
    o->SetBounds(X, Y, W, H);
    Parent->AddObject(o);
    return o;
  }
  Box* AddRoot(float X, float Y, float W, float H) {
    auto* o = new Box(form.get());
    o->SetBounds(X, Y, W, H);
    scene->AddObject(o);
    return o;
  }
  // A root over the whole scene that lets presses through to empty space.
  vg::TvxVisualObject* AddEmptyRoot() {
    auto* root = new vg::TvxVisualObject(form.get());
    root->SetHitTest(false);
    scene->AddObject(root);
    return root;
  }
  std::unique_ptr<win::TForm> form;
  vg::TvxScene* scene = nullptr;
};

}  // namespace vgtest
