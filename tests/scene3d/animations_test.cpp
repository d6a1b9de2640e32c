// 3D property animations on the test clock: the 25 ms clock's timing (the end reached on the
// exact tick, loops, delays, zero durations, design mode, real-time scenes, long uptimes),
// hidden parents, targets found by dotted path (kept from the first start, never writing an
// object freed on the way), the float and colour kinds, and handlers that free animations
// while the clock walks its list.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SceneFakes.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "scene3d/Animations.h"
#include "scene3d/SceneObjects.h"
#include "scene3d/Shapes.h"
#include "tests/loop/Later.h"

namespace animations_test {

using namespace dx;
using dxtest::Body;
using dxtest::FakeScene;

namespace {

class DxAnimations : public ::testing::Test {
protected:
  void SetUp() override { rtl::Application->SetClock(&clock); }
  void TearDown() override {
    body.reset();
    rtl::Application->ProcessMessages();
    FreeDxAniThread();
    rtl::Application->SetClock(nullptr);
  }
  // A float animation of Path under the body from 0 to Stop, counting its finishes.
  TdxFloatAnimation* Float(float Duration, const std::string& Path = "Opacity", float Stop = 1) {
    auto* a = new TdxFloatAnimation(nullptr);
    a->SetParent(body.get());
    a->SetPropertyName(Path);
    a->SetStopValue(Stop);
    a->SetDuration(Duration);
    a->OnFinish = [this](rtl::TObject*) { ++finishes; };
    return a;
  }
  void Tick(int Steps = 1) {
    for (int i = 0; i < Steps; ++i) clock.Advance(TdxAniThread::IntervalMs);
  }

  rtl::TTestClock clock{5000};
  std::unique_ptr<Body> body = std::make_unique<Body>(nullptr);
  int finishes = 0;
  std::function<void(int)> OnPass;
};

TEST_F(DxAnimations, ReachesItsEndOnTheTickThatGetsThereWithTheExactEndValue) {
  TdxFloatAnimation* a = Float(0.3f);
  a->Start();
  EXPECT_EQ(body->opacity, 0);  // the start value at once
  Tick(11);
  EXPECT_TRUE(a->Running());
  EXPECT_LT(body->opacity, 1);
  Tick();
  EXPECT_FALSE(a->Running());
  EXPECT_EQ(a->Time(), 0.3f);
  EXPECT_EQ(body->opacity, 1.0f);
  EXPECT_EQ(finishes, 1);
  EXPECT_TRUE(DxAniThread()->Empty());
  EXPECT_TRUE(a->Enabled()) << "finishing by itself keeps Enabled";
  a->Stop();  // not running: nothing, no second finish
  EXPECT_EQ(finishes, 1);
  EXPECT_TRUE(a->Enabled());
  // Stop on a running animation clears it.
  a->Start();
  Tick();
  a->Stop();
  EXPECT_FALSE(a->Enabled());
  EXPECT_EQ(finishes, 2);
}

TEST_F(DxAnimations, LoopWithAutoReverseTurnsAtEachEndAndNeverFinishes) {
  TdxFloatAnimation* a = Float(0.1f);
  a->SetLoop(true);
  a->SetAutoReverse(true);
  a->Start();
  std::vector<float> ends;
  for (int i = 0; i < 40; ++i) {
    Tick();
    if (a->Time() == 0.1f || a->Time() == 0) ends.push_back(a->Time());
  }
  ASSERT_GE(ends.size(), 8u);
  for (size_t i = 0; i < ends.size(); ++i) EXPECT_EQ(ends[i], i % 2 ? 0 : 0.1f) << i;
  EXPECT_TRUE(a->Running());
  EXPECT_EQ(finishes, 0);
}

TEST_F(DxAnimations, ZeroDurationAndDesignModeJumpToTheEndInsideStartAndKeepDuration) {
  TdxFloatAnimation* a = Float(0);
  a->Start();
  EXPECT_EQ(body->opacity, 1.0f);
  EXPECT_EQ(finishes, 1);
  EXPECT_FALSE(a->Running());
  a->SetInverse(true);
  a->Start();
  EXPECT_EQ(body->opacity, 0.0f);

  FakeScene scene;  // a designer's scene: the stored duration survives a start
  scene.designTime = true;
  auto* root = new Body(nullptr);
  scene.AddObject(root);
  auto* designed = new TdxFloatAnimation(nullptr);
  designed->SetParent(root);
  designed->SetPropertyName("Opacity");
  designed->SetStopValue(0.5f);
  designed->SetDuration(0.3f);
  designed->Start();
  EXPECT_EQ(root->opacity, 0.5f);
  EXPECT_EQ(designed->Duration(), 0.3f);
  designed->SetEnabled(true);  // nor does Enabled run it there
  EXPECT_FALSE(designed->Running());
}

TEST_F(DxAnimations, DelayHoldsTheStartAndHiddenParentsStopAnimations) {
  TdxFloatAnimation* a = Float(0.1f);
  a->SetDelay(0.05f);
  a->Start();
  Tick(2);
  EXPECT_EQ(a->Time(), 0);
  Tick();
  EXPECT_FLOAT_EQ(a->Time(), 0.025f);
  body->visible = false;
  Tick();
  EXPECT_FALSE(a->Running());
  EXPECT_EQ(body->opacity, 1.0f);  // stopped at its end
  a->Start();
  EXPECT_FALSE(a->Running());  // nor does it start under a hidden parent
}

TEST_F(DxAnimations, LoadedEnabledAnimationStarts) {
  rtl::RegisterClasses<Body, TdxFloatAnimation>();
  std::unique_ptr<TdxObject> loaded =
      CreateDxObjectFromText(nullptr,
                             "object Body\r\n  object TdxFloatAnimation\r\n    Duration = 1\r\n    Enabled = True\r\n"
                             "    PropertyName = 'Opacity'\r\n  end\r\nend\r\n");
  ASSERT_NE(loaded, nullptr);
  auto* anim = static_cast<TdxFloatAnimation*>(loaded->Children(0));
  EXPECT_TRUE(anim->Running());
  anim->SetEnabled(false);
  EXPECT_FALSE(anim->Running());
}

TEST_F(DxAnimations, RealTimeSceneTicksItsAnimationsItself) {
  FakeScene scene;
  scene.realTime = true;
  auto* root = new Body(nullptr);
  scene.AddObject(root);
  auto* a = new TdxFloatAnimation(nullptr);
  a->SetParent(root);
  a->SetPropertyName("Opacity");
  a->SetStartFromCurrent(true);
  a->SetDuration(0.1f);
  a->Start();
  EXPECT_TRUE(a->Enabled());
  Tick(10);
  EXPECT_EQ(root->opacity, 1.0f);  // the clock leaves it alone
  root->ProcessTick(0, 0.05f);
  EXPECT_EQ(root->opacity, 0.5f);
  root->ProcessTick(0, 0.05f);
  EXPECT_FALSE(a->Running());
}

TEST_F(DxAnimations, ClockStepsStayExactAfterWeeksOfUptimeAndIdleTimeIsNotCounted) {
  // Sixty days on, a float of seconds could not tell 25 ms steps apart, and a 32-bit
  // millisecond count would have wrapped.
  clock.Advance(60.0 * 24 * 3600 * 1000);
  TdxFloatAnimation* a = Float(0.1f);
  a->Start();
  Tick();
  EXPECT_EQ(a->Time(), 0.025f);
  Tick(3);
  EXPECT_EQ(finishes, 1);
  clock.Advance(10000);  // the clock idles with nothing to run
  a->Start();
  Tick();
  EXPECT_EQ(a->Time(), 0.025f);
}

TEST_F(DxAnimations, PositionZFromZeroToOneEightyIsFortyFiveAtAQuarter) {
  TdxFloatAnimation* a = Float(1, "Position.Z", 180);
  a->Start();
  a->ProcessTick(0, 0.25f);
  EXPECT_EQ(body->Position()->Z(), 45);
  EXPECT_EQ(body->Position()->X(), 0);
  body->Position()->SetZ(100);
  TdxFloatAnimation* b = Float(1, "Position.Z");
  b->SetStartFromCurrent(true);
  b->Start();
  EXPECT_EQ(b->StartValue(), 100);
}

TEST_F(DxAnimations, PathsThroughNilOrPlainPropertiesAndMovedAnimations) {
  body->opacity = 0.3f;
  Float(0, "Spare.Opacity", 0.9f)->Start();  // Spare holds no object: nothing is written
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(body->opacity, 0.3f);
  Float(0, "Tint.Opacity", 0.9f)->Start();  // Tint holds no object property: skipped
  EXPECT_EQ(body->opacity, 0.9f);
  Float(0, "Color", 5)->Start();  // another kind: left alone
  EXPECT_EQ(body->color, "#FF000000");

  // Moved to another parent, an animation writes only the new one.
  TdxFloatAnimation* a = Float(0, "Opacity", 0.6f);
  Body other(nullptr);
  a->SetParent(&other);
  a->Start();
  EXPECT_EQ(other.opacity, 0.6f);
  EXPECT_EQ(body->opacity, 0.9f);
}

// A camera's Target is a reference the camera does not own: the object at the end of the
// path may be freed while the animation runs, and is then never written (ASan watches).
TEST_F(DxAnimations, AnObjectOnThePathFreedWhileItRunsIsNeverWrittenAgain) {
  auto camera = std::make_unique<TdxCamera>(nullptr);
  auto target = std::make_unique<TdxVisualObject>(nullptr);
  auto cube = std::make_unique<TdxCube>(nullptr);
  camera->SetTarget(target.get());
  auto* fade = new TdxFloatAnimation(nullptr);
  fade->SetParent(camera.get());
  fade->SetPropertyName("Target.Opacity");
  fade->SetDuration(1);
  fade->SetStopValue(1);
  fade->Start();
  Tick(10);
  EXPECT_FLOAT_EQ(target->Opacity(), 0.25f);
  target.reset();
  ASSERT_EQ(camera->Target(), nullptr);
  Tick(4);
  EXPECT_TRUE(fade->Running()) << "it keeps its time and writes nothing";
  // The path reaches what the camera holds now.
  camera->SetTarget(cube.get());
  Tick(4);
  EXPECT_FLOAT_EQ(cube->Opacity(), 0.45f);

  // The colour animation, through an object the target owns.
  auto* tint = new TdxColorAnimation(nullptr);
  tint->SetParent(camera.get());
  tint->SetPropertyName("Target.Material.Diffuse");
  tint->SetStartValue("#FF000000");
  tint->SetDuration(1);
  tint->Start();
  Tick(20);
  EXPECT_EQ(cube->Material()->Diffuse(), "#FF7F7F7F");
  cube.reset();
  Tick(24);  // on to both ends, with nothing to write
  EXPECT_FALSE(tint->Running());
  EXPECT_FALSE(fade->Running());
}

// The path is the one of the first start: PropertyName changed later moves nothing.
TEST_F(DxAnimations, APathChangedAfterTheFirstStartLeavesTheAnimationOnItsProperty) {
  TdxFloatAnimation* a = Float(0.5f, "", 1);
  a->Start();  // no path yet: nothing is kept
  a->SetPropertyName("Opacity");
  a->Start();
  Tick(10);
  EXPECT_FLOAT_EQ(body->opacity, 0.5f);
  a->SetPropertyName("Position.Z");
  Tick(5);
  EXPECT_FLOAT_EQ(body->opacity, 0.75f);
  a->SetStartFromCurrent(true);
  a->Start();
  EXPECT_FLOAT_EQ(a->StartValue(), 0.75f) << "the start value is read where it writes";
  Tick(20);
  EXPECT_EQ(body->opacity, 1.0f);
  EXPECT_EQ(body->Position()->Z(), 0);
}

// The last scene going frees the clock, also from a handler that the clock's own tick runs:
// that tick ends there, and the next start makes a clock again.
TEST_F(DxAnimations, AHandlerThatFreesTheClockEndsItsTick) {
  TdxFloatAnimation* late = Float(1, "Position.Z", 5);
  TdxFloatAnimation* early = Float(0.1f);
  int freedIt = 0;
  early->OnFinish = [&](rtl::TObject*) {
    ++freedIt;
    FreeDxAniThread();
  };
  late->Start();
  early->Start();  // walked first: the last one in the list
  ASSERT_NE(DxAniThread(), nullptr);
  Tick(8);
  EXPECT_EQ(freedIt, 1);
  EXPECT_EQ(DxAniThread(), nullptr);
  Tick(8);  // no timer of the freed clock is left
  TdxFloatAnimation* again = Float(0.1f);
  again->Start();
  ASSERT_NE(DxAniThread(), nullptr);
  Tick(8);
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(body->opacity, 1.0f);
}

TEST_F(DxAnimations, ColorAnimationWritesTextOrTheArgbNumber) {
  auto color = [&](const std::string& Path) {
    auto* c = new TdxColorAnimation(nullptr);
    c->SetParent(body.get());
    c->SetPropertyName(Path);
    c->SetStartValue("#FF000000");
    c->SetDuration(1);
    return c;
  };
  TdxColorAnimation* text = color("Color");
  TdxColorAnimation* number = color("Tint");
  EXPECT_EQ(text->StopValue(), "#FFFFFFFF");
  text->Start();
  number->Start();
  Tick(20);  // half way
  EXPECT_EQ(body->color, "#FF7F7F7F");
  EXPECT_EQ(body->tint, 0xFF7F7F7Fu);
}

TEST_F(DxAnimations, FinishingHandlersMayFreeAnimationsOnTheClock) {
  TdxFloatAnimation* a = Float(0.05f);
  TdxFloatAnimation* b = Float(0.05f);
  TdxFloatAnimation* c = Float(0.05f);
  int cFinishes = 0;
  // The last finishes first (the clock walks backwards) and frees the first; the middle one
  // still finishes in the same tick, and nothing is ticked twice.
  c->OnFinish = [&](rtl::TObject*) {
    ++cFinishes;
    a->Free();
  };
  for (TdxFloatAnimation* x : {a, b, c}) x->Start();
  Tick(2);
  EXPECT_EQ(cFinishes, 1);
  EXPECT_EQ(finishes, 1);
  b->OnFinish = [](rtl::TObject* Sender) { static_cast<TdxObject*>(Sender)->Free(); };
  b->Start();
  Tick(2);
  EXPECT_EQ(body->ChildrenCount(), 1);
  EXPECT_TRUE(DxAniThread()->Empty());
}

TEST_F(DxAnimations, TriggerWithTwoPairsStartsOnlyWhenBothHold) {
  TdxFloatAnimation* a = Float(0);
  a->SetTrigger("IsMouseOver=true;IsFocused=true");
  Body instance(nullptr);
  instance.isMouseOver = true;
  a->StartTrigger(&instance, "IsMouseOver");
  instance.isFocused = true;
  a->StartTrigger(&instance, "IsVisible");  // not mentioned
  EXPECT_EQ(finishes, 0);
  a->StartTrigger(&instance, "IsFocused");
  EXPECT_EQ(finishes, 1);
  a->SetTrigger("NoSuch=true");  // no pair names a property: nothing to hold
  a->StartTrigger(&instance, "NoSuch");
  EXPECT_EQ(finishes, 1);
}

}  // namespace

namespace {

// The helpers that animate one property of an object from where it stands: the finishing
// step runs once at the end, the animation leaves the object again, and an object freed
// meanwhile is neither animated further nor reported on.
TEST_F(DxAnimations, AnimateFloatRunsFromTheCurrentValueAndCallsDoneOnceAtTheEnd) {
  body->Position()->SetZ(100);
  std::vector<float> seenAtDone;
  AnimateFloat(body.get(), "Position.Z", 300, 0.1f, [&] { seenAtDone.push_back(body->Position()->Z()); });
  ASSERT_EQ(1, body->ChildrenCount());
  Tick(2);
  EXPECT_GT(body->Position()->Z(), 100);
  EXPECT_LT(body->Position()->Z(), 300);
  EXPECT_TRUE(seenAtDone.empty());
  Tick(3);
  ASSERT_EQ(1u, seenAtDone.size());
  EXPECT_EQ(300, seenAtDone[0]);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(0, body->ChildrenCount()) << "the animation is freed after its end";
  Tick(5);
  EXPECT_EQ(1u, seenAtDone.size());

  // Freed before the end: Done never runs and the clock forgets the animation.
  bool done = false;
  AnimateFloat(body.get(), "Position.Z", 0, 0.1f, [&] { done = true; });
  Tick();
  body.reset();
  Tick(10);
  rtl::Application->ProcessMessages();
  EXPECT_FALSE(done);
  EXPECT_TRUE(!DxAniThread() || DxAniThread()->Empty());
}

TEST_F(DxAnimations, AnimateFloatWaitReturnsAtTheEndOrWhenTheObjectIsFreed) {
  // The test clock moves only when asked: each pass of the loop advances it by one tick.
  int passes = 0;
  std::function<void()> step = [&] {
    ++passes;
    if (OnPass) OnPass(passes);
    clock.Advance(TdxAniThread::IntervalMs);
    if (passes < 200) looptest::Later(step);
  };
  looptest::Later(step);
  EXPECT_TRUE(AnimateFloatWait(body.get(), "Position.Z", 50, 0.1f));
  EXPECT_EQ(50, body->Position()->Z());
  EXPECT_EQ(0, body->ChildrenCount());
  EXPECT_LT(passes, 10);

  const int start = passes;
  OnPass = [&](int P) {
    if (P == start + 2) body.reset();
  };
  EXPECT_FALSE(AnimateFloatWait(body.get(), "Position.Z", 0, 1.0f));
  EXPECT_EQ(start + 2, passes) << "it returns as soon as the object is gone";
  passes = 1000;  // the chain of passes ends
  rtl::Application->ProcessMessages();
}

}  // namespace

}  // namespace animations_test
