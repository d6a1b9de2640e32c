// A form on the screen with a scene of controls, for the controls that open popup windows:
// the form at (100, 80), 320 x 240, its scene's root, and an 80 x 20 target at (40, 60).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ControlScene.h"
#include "platform/win/Display.h"
#include "tests/loop/Later.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace vgtest {

using looptest::Later;

// A shown form at (100, 80) whose scene holds a 80 x 20 target at (40, 60) and popups
// made by the tests.
class FormScene : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(100, 80, 320, 240);
    scene = new vg::TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    root = new vg::TvxVisualObject(form.get());
    scene->AddObject(root);
    target = new vg::TvxRectangle(form.get());
    root->AddObject(target);
    target->SetBounds(40, 60, 80, 20);
    form->Show();
    Settle();
  }
  void TearDown() override {
    form.reset();
    Settle();
    ControlsTest::TearDown();
  }
  static void Settle() { rtl::Application->ProcessMessages(); }

  // A 50 x 30 popup in the root, placed against the target, with a panel to show.
  vg::TvxPopup* MakePopup(vg::TvxPopup* P = nullptr) {
    vg::TvxPopup* p = P ? P : new vg::TvxPopup(form.get());
    root->AddObject(p);
    p->SetBounds(0, 0, 50, 30);
    p->SetPlacementTarget(target);
    auto* face = new vg::TvxRectangle(p);
    p->AddObject(face);
    face->SetAlign(vg::vaClient);
    face->Fill()->SetSolidColor(0xFF2080C0u);
    face->Stroke()->SetStyle(vg::vgBrushNone);
    return p;
  }
  static win::TPoint WindowAt(vg::TvxPopup* P) {
    return P->PopupForm() ? win::TPoint{P->PopupForm()->Left(), P->PopupForm()->Top()} : win::TPoint{-1, -1};
  }

  std::unique_ptr<win::TForm> form;
  vg::TvxScene* scene = nullptr;
  vg::TvxVisualObject* root = nullptr;
  vg::TvxRectangle* target = nullptr;
};

}  // namespace vgtest
