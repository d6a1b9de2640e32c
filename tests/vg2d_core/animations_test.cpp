// Property animations on the test clock: timing (easing, delay, loops, hidden parents),
// targets found by dotted path, the value kinds, triggers, and animations and objects
// freed by their own handlers (run under AddressSanitizer).
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "FakeScene.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/VisualObjects.h"

namespace animations_test {

using namespace vg;
using vgtest::FakeScene;

namespace {

// A shape with a fill brush, a gradient, an ARGB number and a rectangle to animate.
class Swatch : public TvxVisualObject {
  RTL_CLASS(Swatch, TvxVisualObject)
public:
  using TvxVisualObject::TvxVisualObject;
  TvxBrush* Fill() const { return fill_.get(); }
  void SetFill(TvxBrush* Value) { fill_->Assign(Value); }
  TvxGradient* Shade() const { return shade_.get(); }
  void SetShade(TvxGradient* Value) { shade_->Assign(Value); }
  uint32_t Tint() const { return tint_; }
  void SetTint(uint32_t Value) { tint_ = Value; }
  TvxBounds* Frame() const { return frame_.get(); }
  void SetFrame(TvxBounds* Value) { frame_->Assign(Value); }
  TvxBitmap* Picture() const { return picture_.get(); }
  void SetPicture(TvxBitmap* Value) { picture_->Assign(Value); }

private:
  std::unique_ptr<TvxBrush> fill_ = std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u);
  std::unique_ptr<TvxGradient> shade_ = std::make_unique<TvxGradient>();
  uint32_t tint_ = 0;
  std::unique_ptr<TvxBounds> frame_ = std::make_unique<TvxBounds>(TvxRect{});
  std::unique_ptr<TvxBitmap> picture_ = std::make_unique<TvxBitmap>(1, 1);
};

}  // namespace

rtl::TClass Swatch::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<Swatch>()
                                          .Property("Fill", &Swatch::Fill, &Swatch::SetFill)
                                          .Property("Shade", &Swatch::Shade, &Swatch::SetShade)
                                          .Property("Tint", &Swatch::Tint, &Swatch::SetTint)
                                          .Property("Frame", &Swatch::Frame, &Swatch::SetFrame)
                                          .Property("Picture", &Swatch::Picture, &Swatch::SetPicture)
                                          .Build();
  return &info;
}

namespace {

class Animations : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->SetClock(&clock);
    object = new Swatch(nullptr);
    scene.AddObject(object);
  }
  void TearDown() override {
    delete object;
    rtl::Application->ProcessMessages();
    FreeAniThread();
    rtl::Application->SetClock(nullptr);
  }
  template <class A>
  A* Make(const std::string& Property, float Duration = 1) {
    auto* a = new A(nullptr);
    object->AddObject(a);
    a->SetPropertyName(Property);
    a->SetDuration(Duration);
    a->OnFinish = [this](rtl::TObject*) { ++finished; };
    a->OnProcess = [this](rtl::TObject*) { ++frames; };
    return a;
  }

  rtl::TTestClock clock{0.0};
  FakeScene scene;
  Swatch* object = nullptr;
  int finished = 0;
  int frames = 0;
};

TEST_F(Animations, EveryEasingReachesItsEndValueAndFinishesOnce) {
  for (int i = vgInterpolationLinear; i <= vgInterpolationBounce; ++i)
    for (int k = vgAnimationIn; k <= vgAnimationInOut; ++k) {
      SCOPED_TRACE(rtl::GetEnumName(rtl::EnumTypeInfo<TvxInterpolationType>(), i) + " " +
                   rtl::GetEnumName(rtl::EnumTypeInfo<TvxAnimationType>(), k));
      finished = 0;
      auto* a = Make<TvxFloatAnimation>("Position.X");
      a->SetInterpolation(static_cast<TvxInterpolationType>(i));
      a->SetAnimationType(static_cast<TvxAnimationType>(k));
      a->SetStartValue(10);
      a->SetStopValue(110);
      a->Start();
      EXPECT_EQ(object->Position()->X(), 10);
      clock.Advance(495);
      if (i == vgInterpolationLinear) {
        EXPECT_NEAR(object->Position()->X(), 59.5f, 1e-3);
      }
      EXPECT_EQ(finished, 0);
      clock.Advance(600);
      EXPECT_EQ(object->Position()->X(), 110);
      EXPECT_EQ(finished, 1);
      EXPECT_FALSE(a->Running());
      EXPECT_TRUE(a->Enabled()) << "finishing by itself keeps Enabled";
      a->Free();
    }
}

// Durations just under a whole number of 33 ms ticks, so each end is reached on a known tick.
TEST_F(Animations, DelayLoopAndAutoReverse) {
  auto* a = Make<TvxFloatAnimation>("Opacity", 0.32f);
  a->SetStartValue(0);
  a->SetStopValue(1);
  a->SetDelay(0.5f);
  object->SetOpacity(0.5f);
  a->Start();
  clock.Advance(528);
  EXPECT_EQ(object->Opacity(), 0.5f);  // nothing written while it waits
  clock.Advance(33);                   // the first value a tick after the wait
  EXPECT_NEAR(object->Opacity(), 0.033f / 0.32f, 1e-5);
  clock.Advance(330);
  EXPECT_EQ(object->Opacity(), 1);
  EXPECT_EQ(finished, 1);

  a->SetDelay(0);
  a->SetLoop(true);
  a->SetAutoReverse(true);
  a->Start();
  EXPECT_EQ(object->Opacity(), 0);
  clock.Advance(330);
  EXPECT_EQ(object->Opacity(), 1);
  clock.Advance(165);
  EXPECT_NEAR(object->Opacity(), (0.32f - 0.165f) / 0.32f, 1e-5);  // on the way back
  clock.Advance(3300);
  EXPECT_TRUE(a->Running());  // for ever
  EXPECT_EQ(finished, 1);

  auto* b = Make<TvxFloatAnimation>("Position.X", 0.32f);
  b->SetStopValue(100);
  b->SetLoop(true);
  b->Start();
  clock.Advance(330);
  EXPECT_EQ(object->Position()->X(), 0);  // a loop alone starts again from the start
  clock.Advance(99);
  EXPECT_NEAR(object->Position()->X(), 9.9f / 0.32f, 1e-3);

  object->SetVisible(false);  // a hidden parent stops them at their end values
  clock.Advance(33);
  EXPECT_FALSE(a->Running());
  EXPECT_FALSE(b->Running());
  EXPECT_EQ(object->Position()->X(), 100);
  EXPECT_EQ(finished, 3);
}

TEST_F(Animations, WithoutTimeToRunTheEndValueComesAtOnceAndAHandlerMayFreeTheAnimation) {
  auto* a = Make<TvxFloatAnimation>("Opacity", 0);
  a->SetStopValue(0.25f);
  a->OnFinish = [](rtl::TObject* Sender) { delete Sender; };  // written to after this before
  a->Start();
  EXPECT_EQ(object->Opacity(), 0.25f);
  EXPECT_EQ(object->GetChildrenCount(), 0);

  TvxObjectPtr loose(new TvxVisualObject(nullptr));  // no host: the same jump
  loose->AnimateFloat("Opacity", 0.75f, 1);
  EXPECT_EQ(loose->Visual()->Opacity(), 0.75f);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(loose->GetChildrenCount(), 0);
}

TEST_F(Animations, NoFrameRunsAfterTheObjectIsFreedEvenByTheAnimationsOwnHandler) {
  auto* a = Make<TvxFloatAnimation>("Opacity");
  a->SetStopValue(0.5f);
  a->OnProcess = [&](rtl::TObject*) {
    if (++frames == 3) {
      delete object;  // frees the animation with it, inside its own tick
      object = nullptr;
    }
  };
  auto* other = new Swatch(nullptr);
  scene.AddObject(other);
  auto* b = new TvxFloatAnimation(nullptr);
  other->AddObject(b);
  b->SetPropertyName("Opacity");
  b->SetDuration(1);
  int otherFrames = 0;
  b->OnProcess = [&](rtl::TObject*) { ++otherFrames; };
  a->Start();
  b->Start();
  clock.Advance(99);
  EXPECT_EQ(frames, 3);
  EXPECT_EQ(otherFrames, 3);
  delete other;
  clock.Advance(330);
  EXPECT_EQ(frames, 3);
  EXPECT_EQ(otherFrames, 3);
  EXPECT_EQ(finished, 0);
}

TEST_F(Animations, ColoursGoByDottedPathIntoTextAndNumberProperties) {
  auto* fill = Make<TvxColorAnimation>("Fill.Color", 0.32f);
  fill->SetStartValue("#FF000000");
  fill->SetStopValue("#FFFF0000");
  auto* tint = Make<TvxColorAnimation>("Tint", 0.32f);
  tint->SetStopValue("#80FF0000");
  auto* misspelt = Make<TvxColorAnimation>("Fil.Color", 0.32f);  // the parent's "Color": none
  auto* wrongKind = Make<TvxColorAnimation>("Opacity", 0.32f);
  for (TvxAnimation* a : std::vector<TvxAnimation*>{fill, tint, misspelt, wrongKind}) a->Start();
  clock.Advance(330);
  EXPECT_EQ(object->Fill()->GetColor(), "#FFFF0000");
  EXPECT_EQ(object->Tint(), 0x80FF0000u);
  EXPECT_EQ(object->Opacity(), 1);
  EXPECT_EQ(finished, 4);

  object->Fill()->SetColor("#FF00FF00");
  fill->SetStartFromCurrent(true);
  fill->SetStopValue("#FF0000FF");
  fill->Start();
  EXPECT_EQ(fill->StartValue(), "#FF00FF00");
  EXPECT_EQ(object->Fill()->GetColor(), "#FF00FF00");
}

TEST_F(Animations, AColourAnimationStartsAndStopsWithItsTrigger) {
  auto* over = Make<TvxColorAnimation>("Fill.Color", 0.32f);
  over->SetTrigger("IsMouseOver=true");
  over->SetStartValue("#FF000000");
  over->SetStopValue("#FF0000FF");
  auto* out = Make<TvxColorAnimation>("Fill.Color", 0.32f);
  out->SetTrigger("IsMouseOver=false");
  out->SetStartFromCurrent(true);
  out->SetStopValue("#FF000000");

  object->MouseEnter();
  EXPECT_TRUE(over->Running());
  EXPECT_FALSE(out->Running());
  clock.Advance(165);
  EXPECT_NE(object->Fill()->GetColor(), "#FF000000");
  EXPECT_NE(object->Fill()->GetColor(), "#FF0000FF");
  object->MouseLeave();  // stops the first at its end value, starts the second from there
  EXPECT_FALSE(over->Running());
  EXPECT_TRUE(out->Running());
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(out->StartValue(), "#FF0000FF");
  clock.Advance(330);
  EXPECT_EQ(object->Fill()->GetColor(), "#FF000000");
  EXPECT_EQ(finished, 2);
}

TEST_F(Animations, GradientsRectanglesAndKeysWriteTheirValues) {
  TvxGradient three, two;
  for (TvxGradient* g : {&three, &two}) g->Points()->Clear();
  for (TvxColor c : {0xFF000000u, 0xFF000000u, 0xFF000000u})
    static_cast<TvxGradientPoint*>(three.Points()->Add())->SetIntColor(c);
  for (TvxColor c : {0xFFFF0000u, 0xFF00FF00u}) static_cast<TvxGradientPoint*>(two.Points()->Add())->SetIntColor(c);
  object->SetShade(&three);
  int changes = 0;
  object->Shade()->OnChange = [&](rtl::TObject*) { ++changes; };
  auto* g = Make<TvxGradientAnimation>("Shade", 0.32f);
  g->SetStartValue(&three);
  g->SetStopValue(&two);
  auto* r = Make<TvxRectAnimation>("Frame", 0.32f);
  TvxBounds to(TvxRect{10, 20, 30, 40});
  r->SetStopValue(&to);
  g->Start();
  r->Start();
  clock.Advance(330);
  EXPECT_EQ(object->Shade()->Points()->GetPoint(0)->IntColor(), 0xFFFF0000u);
  EXPECT_EQ(object->Shade()->Points()->GetPoint(1)->IntColor(), 0xFF00FF00u);
  EXPECT_EQ(object->Shade()->Points()->GetPoint(2)->IntColor(), 0xFF000000u);
  EXPECT_EQ(changes, frames / 2 + 1);  // one per frame (the start applies one too)
  EXPECT_EQ(object->Frame()->GetRect(), (TvxRect{10, 20, 30, 40}));

  TvxKeys keys(TvxFloatKey::StaticClass());
  for (float k : {0.0f, 0.5f, 1.0f}) static_cast<TvxFloatKey*>(keys.Add())->SetKey(k);
  TvxKey *k1 = nullptr, *k2 = nullptr;
  float t = 0;
  ASSERT_TRUE(keys.FindKeys(0.75f, k1, k2, t));
  EXPECT_EQ(k1, keys.Key(1));
  EXPECT_EQ(k2, keys.Key(2));
  EXPECT_FLOAT_EQ(t, 0.5f);
  keys.Key(2)->SetKey(0.5f);
  EXPECT_FALSE(keys.FindKeys(0.5f, k1, k2, t) && k1->Key() == k2->Key());
  keys.Key(0)->SetKey(7);
  EXPECT_EQ(keys.Key(0)->Key(), 1);

  auto* fk = Make<TvxFloatKeyAnimation>("Position.Y", 0.32f);
  for (auto [k, v] : {std::pair{0.0f, 0.0f}, {0.5f, 80.0f}, {1.0f, 40.0f}}) {
    auto* key = static_cast<TvxFloatKey*>(fk->Keys()->Add());
    key->SetKey(k);
    key->SetValue(v);
  }
  fk->Start();
  clock.Advance(165);
  EXPECT_NEAR(object->Position()->Y(), 80 - 40 * (0.165f / 0.32f - 0.5f) * 2, 1e-3);
  clock.Advance(165);
  EXPECT_NEAR(object->Position()->Y(), 40, 1e-3);
}

TEST_F(Animations, ABitmapAnimationCrossFadesIntoTheTargetBitmap) {
  DefaultCanvasClass = TvxCanvasGdiPlus::ClassRef();
  auto* a = Make<TvxBitmapAnimation>("Picture", 0.32f);
  TvxBitmap red(4, 4), blue(4, 4);
  red.Clear(0xFFFF0000u);
  blue.Clear(0xFF0000FFu);
  a->SetStartValue(&red);
  a->SetStopValue(&blue);
  a->Start();
  EXPECT_EQ(object->Picture()->Width(), 4);
  EXPECT_EQ(object->Picture()->Bits()[5], 0xFFFF0000u);
  clock.Advance(165);
  const uint32_t mid = object->Picture()->Bits()[5];
  EXPECT_GT(mid & 0xFFu, 0x40u);  // some blue over the red
  EXPECT_GT((mid >> 16) & 0xFFu, 0x40u);
  clock.Advance(165);
  EXPECT_EQ(object->Picture()->Bits()[5], 0xFF0000FFu);
  DefaultCanvasClass = nullptr;
}

TEST_F(Animations, APathAnimationEndsAtThePathsLastPointAndTurnsOnlyWhenBothCoordinatesChange) {
  object->Position()->SetPoint({5, 5});
  auto* p = new TvxPathAnimation(nullptr);
  object->AddObject(p);
  p->SetDuration(0.32f);
  p->SetRotate(true);
  p->Path()->MoveTo({0, 0});
  p->Path()->LineTo({100, 0});
  p->Start();
  clock.Advance(165);
  EXPECT_NEAR(object->Position()->X(), 5 + 100 * 0.165f / 0.32f, 1e-3);
  clock.Advance(165);
  EXPECT_NEAR(object->Position()->X(), 105, 1e-3);  // not one segment beyond
  EXPECT_EQ(object->Position()->Y(), 5);
  EXPECT_EQ(object->RotateAngle(), 0);

  p->SetDuration(0);  // no time to run: finishes at once, and its handler frees it
  p->OnFinish = [](rtl::TObject* Sender) { delete Sender; };
  p->Start();
  EXPECT_EQ(object->GetChildrenCount(), 0);
}

TEST_F(Animations, AnAnimationMovedToAnotherParentWritesIntoTheNewOne) {
  auto* a = Make<TvxColorAnimation>("Fill.Color", 0.32f);
  a->SetStopValue("#FF102030");
  a->Start();
  clock.Advance(330);
  auto* second = new Swatch(nullptr);
  scene.AddObject(second);
  second->AddObject(a);
  delete object;  // the old parent and its brush go
  object = second;
  a->Start();
  clock.Advance(330);
  EXPECT_EQ(second->Fill()->GetColor(), "#FF102030");
}

// A path through a reference the animation does not own (the fill's resource object) is
// walked again at every step: once that object is freed, the steps write nothing, neither
// into the freed brush (AddressSanitizer would stop here) nor into the parent's own fill. A
// path set after the first start moves nothing.
TEST_F(Animations, APathThroughAnObjectItDoesNotOwnWritesNothingOnceThatObjectIsFreed) {
  auto* res = new TvxBrushObject(nullptr);
  object->Fill()->Resource()->SetResource(res);
  object->Fill()->SetColor("#FF000000");
  auto* a = Make<TvxColorAnimation>("Fill.Resource.Resource.Brush.Color", 0.32f);
  a->SetStartValue("#FF000000");
  a->SetStopValue("#FF0000FF");
  a->Start();
  clock.Advance(165);
  const std::string halfway = res->Brush()->GetColor();
  EXPECT_NE(halfway, "#FFFFFFFF");  // white at creation: the animation reached it
  EXPECT_NE(halfway, "#FF0000FF");
  delete res;
  EXPECT_EQ(object->Fill()->Resource()->Resource(), nullptr);
  clock.Advance(330);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(object->Fill()->GetColor(), "#FF000000");

  // A new object at the end of the path is driven from the next step on; a PropertyName set
  // after the first start leaves the animation on the path it kept.
  auto* next = new TvxBrushObject(nullptr);
  object->Fill()->Resource()->SetResource(next);
  a->SetPropertyName("Fill.Color");
  a->Start();
  clock.Advance(330);
  EXPECT_EQ(next->Brush()->GetColor(), "#FF0000FF");
  EXPECT_EQ(object->Fill()->GetColor(), "#FF000000");
  delete next;
}

TEST_F(Animations, EasingKindsAreStreamedByName) {
  auto* a = Make<TvxFloatAnimation>("Opacity");
  a->SetInterpolation(vgInterpolationBounce);
  a->SetAnimationType(vgAnimationInOut);
  rtl::TStringStream text;
  a->SaveToTextStream(&text);
  EXPECT_NE(text.DataString().find("AnimationType = vgAnimationInOut"), std::string::npos) << text.DataString();
  EXPECT_NE(text.DataString().find("Interpolation = vgInterpolationBounce"), std::string::npos);
  EXPECT_NE(text.DataString().find("HideOnFinish = False"), std::string::npos);

  // Key frames go through a stream and come back.
  rtl::RegisterClasses<TvxFloatKeyAnimation>();
  auto* keyed = Make<TvxFloatKeyAnimation>("Opacity");
  for (float k : {0.0f, 0.25f, 1.0f}) {
    auto* key = static_cast<TvxFloatKey*>(keyed->Keys()->Add());
    key->SetKey(k);
    key->SetValue(k * 8);
  }
  rtl::TStringStream saved;
  keyed->SaveToTextStream(&saved);
  saved.SetPosition(0);
  std::unique_ptr<rtl::TComponent> back(CreateObjectFromText(nullptr, &saved));
  auto* loaded = dynamic_cast<TvxFloatKeyAnimation*>(back.get());
  ASSERT_NE(loaded, nullptr) << saved.DataString();
  ASSERT_EQ(loaded->Keys()->Count(), 3);
  EXPECT_EQ(loaded->Keys()->Key(1)->Key(), 0.25f);
  EXPECT_EQ(static_cast<TvxFloatKey*>(loaded->Keys()->Key(2))->Value(), 8);

  TvxPathSwitcher switcher(nullptr);
  EXPECT_FLOAT_EQ(switcher.Duration(), 0.001f);
}

}  // namespace

TEST_F(Animations, TheTickerRestsWithoutAnimationsAndCountsFromTheNextStartAfterARest) {
  auto* a = Make<TvxFloatAnimation>("Position.X", 0.32f);  // just under ten ticks
  a->SetStartValue(0);
  a->SetStopValue(100);
  a->Start();
  EXPECT_LT(rtl::Application->NextTimerDeadline(), std::numeric_limits<double>::infinity());
  clock.Advance(330);
  EXPECT_EQ(finished, 1);
  // Nothing runs: no timer wakes the loop, however long it rests.
  EXPECT_EQ(rtl::Application->NextTimerDeadline(), std::numeric_limits<double>::infinity());
  const int before = frames;
  clock.Advance(10000);
  EXPECT_EQ(frames, before);
  // Started again, it runs from its start, not from the tick before the rest.
  a->Start();
  clock.Advance(99);
  EXPECT_NEAR(object->Position()->X(), 100 * 0.099f / 0.32f, 1e-3);
  clock.Advance(231);
  EXPECT_EQ(finished, 2);
  EXPECT_EQ(rtl::Application->NextTimerDeadline(), std::numeric_limits<double>::infinity());
}

}  // namespace animations_test
