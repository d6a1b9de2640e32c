// Hints of a scene control's objects, on the test clock: the window layer asks the scene
// after the application's hint pause and the scene answers with the object under the point.
#include <gtest/gtest.h>

#include <memory>

#include "FakeScene.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/Display.h"
#include "platform/win/Hints.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"

namespace scene_hints_test {

using namespace vg;
using vgtest::Box;

namespace {

struct SceneHints : ::testing::Test {
  void SetUp() override {
    LibraryStartup();
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 300, 200);
    scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    root = new TvxVisualObject(form.get());
    root->SetHitTest(false);
    scene->AddObject(root);
    pressure = Add(40.5f, 30.5f, 60, 20, u"Reducer pressure");
    temperature = Add(150, 30, 60, 20, u"Gas temperature");
    form->Show();
    rtl::Application->ProcessMessages();
  }
  void TearDown() override {
    win::FreeHintWindow();
    form.reset();
    rtl::Application->ProcessMessages();
    rtl::Application->SetClock(nullptr);
    FreeAniThread();
    LibraryShutdown();
  }
  Box* Add(float X, float Y, float W, float H, const std::u16string& Hint) {
    auto* b = new Box(form.get());
    b->SetBounds(X, Y, W, H);
    b->SetHint(Hint);
    b->SetShowHint(true);
    root->AddObject(b);
    return b;
  }
  std::u16string Shown() const { return win::HintShowing() ? win::HintWindow()->Text() : std::u16string(); }

  rtl::TTestClock clock{5000.0};
  std::unique_ptr<win::TForm> form;
  TvxScene* scene = nullptr;
  TvxVisualObject* root = nullptr;
  Box* pressure = nullptr;
  Box* temperature = nullptr;
};

TEST_F(SceneHints, AnObjectsHintShowsAfterThePauseAndHoldsInTheObjectsRoundedRectangle) {
  win::SimulateMouseMove(form.get(), 50, 35);
  clock.Advance(499);
  EXPECT_FALSE(win::HintShowing());
  clock.Advance(1);
  EXPECT_EQ(Shown(), u"Reducer pressure");
  // The object's absolute rectangle, each edge rounded with halves to even, on the screen.
  EXPECT_EQ(win::HintCursorRect(), (win::TRect{10 + 40, 20 + 30, 10 + 100, 20 + 50}));
  // Moving inside the object keeps it; onto the next object shows that one at once.
  win::SimulateMouseMove(form.get(), 95, 45);
  EXPECT_TRUE(win::HintShowing());
  win::SimulateMouseMove(form.get(), 160, 40);
  EXPECT_FALSE(win::HintShowing());
  clock.Advance(50);
  EXPECT_EQ(Shown(), u"Gas temperature");
  // Leaving it for empty space hides it, and nothing comes after the pause.
  win::SimulateMouseMove(form.get(), 250, 150);
  EXPECT_FALSE(win::HintShowing());
  clock.Advance(1000);
  EXPECT_FALSE(win::HintShowing());
}

TEST_F(SceneHints, AnObjectWithoutShowHintShowsNothingAndAPressHidesAHint) {
  pressure->SetShowHint(false);
  win::SimulateMouseMove(form.get(), 50, 35);
  clock.Advance(2000);
  EXPECT_FALSE(win::HintShowing());
  // An object above one with a hint covers it: the object under the pointer decides.
  auto* cover = new Box(form.get());
  cover->SetBounds(140, 25, 30, 30);
  root->AddObject(cover);
  win::SimulateMouseMove(form.get(), 155, 35);
  clock.Advance(2000);
  EXPECT_FALSE(win::HintShowing());
  win::SimulateMouseMove(form.get(), 200, 40);
  clock.Advance(500);
  ASSERT_EQ(Shown(), u"Gas temperature");
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 200, 40);
  EXPECT_FALSE(win::HintShowing());
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 200, 40);
}

TEST_F(SceneHints, AHintWhoseObjectIsFreedClosesWithoutTouchingIt) {
  win::SimulateMouseMove(form.get(), 50, 35);
  clock.Advance(500);
  ASSERT_TRUE(win::HintShowing());
  // Another object going leaves the hint alone.
  temperature->Free();
  EXPECT_TRUE(win::HintShowing());
  pressure->Free();
  EXPECT_FALSE(win::HintShowing());
  EXPECT_EQ(scene->Hovered(), nullptr);
  clock.Advance(5000);
  win::SimulateMouseMove(form.get(), 51, 35);
  clock.Advance(1000);
  EXPECT_FALSE(win::HintShowing());
  // An object freed while its hint is still waiting is never asked for.
  Box* late = Add(40, 30, 60, 20, u"Late");
  win::SimulateMouseMove(form.get(), 50, 36);
  clock.Advance(300);
  late->Free();
  clock.Advance(1000);
  EXPECT_FALSE(win::HintShowing());
}

}  // namespace

}  // namespace scene_hints_test
