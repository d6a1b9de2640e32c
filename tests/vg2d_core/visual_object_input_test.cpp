// Mouse, keyboard, focus and drag input routed into visual objects through the fake host,
// with the state triggers they fire, hit tests, the caret and the tab order. Time moves
// only on the test clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeScene.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/WinTypes.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/VisualObjects.h"

namespace visual_object_input_test {

using namespace vg;
using vgtest::FakeScene;

namespace {

// A styled control, which hit tests pass over while it is disabled.
class FakeControl : public TvxControl {
  RTL_CLASS(FakeControl, TvxControl)
public:
  using TvxControl::TvxControl;
};

// A shape with a fill and a stroke, standing in for the library's rectangle when that is
// not registered (the caret is made of it).
class CaretShape : public TvxVisualObject {
  RTL_CLASS(CaretShape, TvxVisualObject)
public:
  using TvxVisualObject::TvxVisualObject;
  TvxBrush* Fill() const { return fill_.get(); }
  void SetFill(TvxBrush* Value) { fill_->Assign(Value); }
  TvxBrush* Stroke() const { return stroke_.get(); }
  void SetStroke(TvxBrush* Value) { stroke_->Assign(Value); }

private:
  std::unique_ptr<TvxBrush> fill_ = std::make_unique<TvxBrush>(vgBrushSolid, 0xFFFFFFFFu);
  std::unique_ptr<TvxBrush> stroke_ = std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u);
};

// A popup menu that records where it was opened.
class FakeMenu : public rtl::TComponent, public IvxPopupMenu {
public:
  FakeMenu() : rtl::TComponent(nullptr) {}
  void PopupFor(rtl::TComponent* PopupComponent, int X, int Y) override {
    component = PopupComponent;
    at = {static_cast<float>(X), static_cast<float>(Y)};
    ++opened;
  }
  rtl::TComponent* component = nullptr;
  TvxPoint at{};
  int opened = 0;
};

}  // namespace

rtl::TClass FakeControl::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<FakeControl>().Build();
  return &info;
}

rtl::TClass CaretShape::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<CaretShape>("TvxRectangle")
                                          .Property("Fill", &CaretShape::Fill, &CaretShape::SetFill)
                                          .Property("Stroke", &CaretShape::Stroke, &CaretShape::SetStroke)
                                          .Build();
  return &info;
}

namespace {

class VisualInput : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->SetClock(&clock);
    root = std::make_unique<TvxVisualObject>(nullptr);
    root->SetBounds(0, 0, 300, 200);
    scene.AddObject(root.get());
  }
  void TearDown() override {
    root.reset();
    rtl::Application->ProcessMessages();
    FreeAniThread();
    rtl::Application->SetClock(nullptr);
  }
  template <class T = TvxVisualObject>
  T* Add(TvxVisualObject* Parent, float X, float Y, float W = 50, float H = 50) {
    auto* o = new T(nullptr);
    o->SetBounds(X, Y, W, H);
    Parent->AddObject(o);
    return o;
  }
  TvxFloatAnimation* Trigger(TvxObject* Parent, const std::string& When, float Stop) {
    auto* a = new TvxFloatAnimation(nullptr);
    a->SetTrigger(When);
    a->SetPropertyName("Opacity");
    a->SetStartValue(1);
    a->SetStopValue(Stop);
    a->SetDuration(0.1f);
    Parent->AddObject(a);
    return a;
  }

  rtl::TTestClock clock{0.0};
  FakeScene scene;
  std::unique_ptr<TvxVisualObject> root;
};

TEST_F(VisualInput, ClicksComeFromPressAndReleaseInsideAndNotFromDoubleClicks) {
  TvxVisualObject* button = Add(root.get(), 10, 10);
  button->SetAutoCapture(true);
  int clicks = 0, doubles = 0;
  button->OnClick = [&](rtl::TObject*) { ++clicks; };
  button->OnDblClick = [&](rtl::TObject*) { ++doubles; };

  scene.MouseDown(rtl::mbLeft, {}, 20, 20);
  EXPECT_TRUE(button->Pressed());
  EXPECT_EQ(scene.captured, button);
  scene.MouseUp(rtl::mbLeft, {}, 60, 60);  // the right and bottom edges still count
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(scene.captured, nullptr);
  EXPECT_FALSE(button->Pressed());

  scene.MouseDown(rtl::mbLeft, {}, 20, 20);
  scene.MouseUp(rtl::mbLeft, {}, 150, 20);  // released outside: the capture still takes it
  EXPECT_EQ(clicks, 1);

  scene.MouseDown(rtl::mbLeft, {}, 20, 20);
  scene.MouseUp(rtl::mbLeft, {}, 20, 20);
  scene.MouseDown(rtl::mbLeft, {rtl::ssDouble}, 20, 20);
  scene.MouseUp(rtl::mbLeft, {}, 20, 20);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(doubles, 1);

  scene.MouseDown(rtl::mbRight, {}, 20, 20);
  scene.MouseUp(rtl::mbRight, {}, 20, 20);
  EXPECT_EQ(clicks, 2);
}

TEST_F(VisualInput, AHandlerMayFreeItsObjectDuringAPressOrRelease) {
  TvxVisualObject* button = Add(root.get(), 10, 10);
  button->SetCanFocused(true);
  button->OnMouseDown = [&](rtl::TObject* Sender, rtl::TMouseButton, rtl::TShiftState, float, float) {
    static_cast<TvxObject*>(Sender)->Free();
  };
  scene.MouseDown(rtl::mbLeft, {rtl::ssDouble}, 20, 20);
  EXPECT_EQ(root->GetChildrenCount(), 0);
  EXPECT_EQ(scene.focused, nullptr);
}

TEST_F(VisualInput, HoverMovesBetweenObjectsWithTheMouseOverTrigger) {
  TvxVisualObject* a = Add(root.get(), 10, 10);
  TvxVisualObject* b = Add(root.get(), 100, 10);
  TvxFloatAnimation* fade = Trigger(a, "IsMouseOver=true", 0.5f);
  std::vector<std::string> log;
  a->OnMouseEnter = [&](rtl::TObject*) { log.push_back("enter a"); };
  a->OnMouseLeave = [&](rtl::TObject*) { log.push_back("leave a"); };
  b->OnMouseEnter = [&](rtl::TObject*) { log.push_back("enter b"); };

  scene.MouseMove({}, 20, 20);
  EXPECT_TRUE(a->IsMouseOver());
  EXPECT_TRUE(fade->Running());
  clock.Advance(200);
  EXPECT_FLOAT_EQ(a->Opacity(), 0.5f);
  scene.MouseMove({}, 110, 20);
  scene.MouseMove({}, 250, 150);  // the root's own area: it is hit-testable too
  EXPECT_FALSE(a->IsMouseOver());
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "leave a", "enter b"}));
  EXPECT_EQ(scene.hovered, root.get());
}

TEST_F(VisualInput, HitTestsPassOverHiddenAndDisabledControlsButNotTheirSiblings) {
  auto* control = Add<FakeControl>(root.get(), 10, 10);
  TvxVisualObject* plain = Add(root.get(), 10, 10);  // above the control
  plain->SetHitTest(false);
  EXPECT_EQ(scene.ObjectAtPoint({20, 20}), control);
  control->SetEnabled(false);
  EXPECT_EQ(scene.ObjectAtPoint({20, 20}), root.get());
  plain->SetEnabled(false);
  plain->SetHitTest(true);
  EXPECT_EQ(scene.ObjectAtPoint({20, 20}), plain);  // a disabled plain object is still hit
  plain->SetVisible(false);
  EXPECT_EQ(scene.ObjectAtPoint({20, 20}), root.get());
  EXPECT_EQ(scene.ObjectAtPoint({10, 10}), root.get());  // edges do not hit
  scene.designTime = true;
  plain->SetLocked(true);
  control->SetHitTest(false);
  EXPECT_EQ(scene.ObjectAtPoint({20, 20}), control);  // design mode: all but locked ones
}

TEST_F(VisualInput, TabAndShiftTabCycleThroughFocusableObjectsInTabOrder) {
  TvxVisualObject* first = Add(root.get(), 0, 0);
  TvxVisualObject* skipped = Add(root.get(), 0, 60);  // not focusable
  TvxVisualObject* panel = Add(root.get(), 100, 0, 150, 150);
  TvxVisualObject* inner = Add(panel, 0, 0);
  TvxVisualObject* disabled = Add(panel, 60, 0);
  for (TvxVisualObject* o : {first, inner, disabled}) o->SetCanFocused(true);
  disabled->SetEnabled(false);
  TvxFloatAnimation* glow = Trigger(inner, "IsFocused=true", 0.2f);
  std::vector<std::string> log;
  first->OnKillFocus = [&](rtl::TObject*) { log.push_back("kill first"); };
  inner->OnEnterFocus = [&](rtl::TObject*) { log.push_back("enter inner"); };
  (void)skipped;

  auto key = [&](uint16_t K, rtl::TShiftState S = {}) {
    char16_t c = 0;
    scene.KeyDown(K, c, S);
    return K;
  };
  EXPECT_EQ(key(win::VK_TAB), 0);  // Tab is used up
  EXPECT_EQ(scene.focused, first);
  key(win::VK_TAB);
  EXPECT_EQ(scene.focused, inner);
  EXPECT_TRUE(inner->IsFocused());
  EXPECT_FALSE(first->IsFocused());
  EXPECT_TRUE(glow->Running());
  EXPECT_EQ(log, (std::vector<std::string>{"kill first", "enter inner"}));
  key(win::VK_TAB);
  EXPECT_EQ(scene.focused, first);  // round again, past the disabled one
  key(win::VK_TAB, {rtl::ssShift});
  EXPECT_EQ(scene.focused, inner);
  key(win::VK_TAB, {rtl::ssShift});
  EXPECT_EQ(scene.focused, first);

  // The panel moved before the first object in tab order: Tab from nothing starts there.
  scene.SetFocused(nullptr);
  panel->SetTabOrder(0);
  key(win::VK_TAB);
  EXPECT_EQ(scene.focused, inner);

  inner->OnCanFocused = [](rtl::TObject*, bool& Can) { Can = false; };
  key(win::VK_TAB);
  EXPECT_EQ(scene.focused, first);
  key(win::VK_TAB);
  EXPECT_EQ(scene.focused, first);  // the refusing one is passed over: focus stays

  first->SetVisible(false);
  EXPECT_EQ(scene.focused, nullptr);
}

TEST_F(VisualInput, TabOrderMovesWithinTheSiblingsAndLoadedOrdersApplyAfterLoading) {
  TvxVisualObject* a = Add(root.get(), 0, 0);
  TvxVisualObject* b = Add(root.get(), 0, 0);
  // As a stream reads it.
  struct Loading : TvxVisualObject {
    using TvxVisualObject::ExcludeState;
    using TvxVisualObject::IncludeState;
    using TvxVisualObject::TvxVisualObject;
  };
  auto* c = Add<Loading>(root.get(), 0, 0);
  a->SetTabOrder(99);
  EXPECT_EQ(a->GetTabOrder(), 2);
  EXPECT_EQ(root->TabList(), (std::vector<TvxVisualObject*>{b, c, a}));
  a->SetTabOrder(-5);
  EXPECT_EQ(a->GetTabOrder(), 0);
  EXPECT_EQ(root->GetTabOrder(), -1);
  EXPECT_EQ(b->GetIndex(), 1);  // the paint order stays

  // Values read from a stream wait for the parent's loading to end.
  c->IncludeState(rtl::csLoading);
  c->SetTabOrder(0);
  c->ExcludeState(rtl::csLoading);
  EXPECT_EQ(c->GetTabOrder(), 2);
  root->ApplyTabOrder();
  EXPECT_EQ(root->TabList(), (std::vector<TvxVisualObject*>{c, a, b}));
}

TEST_F(VisualInput, KeysReachTheFocusedObjectAndTheContextMenuOpensWhereAsked) {
  TvxVisualObject* edit = Add(root.get(), 40, 20, 100, 30);
  edit->SetCanFocused(true);
  FakeMenu menu;
  edit->SetPopupMenu(&menu);
  std::u16string typed;
  edit->OnKeyDown = [&](rtl::TObject*, uint16_t&, char16_t& C, rtl::TShiftState) { typed += C; };
  edit->SetFocus();
  uint16_t k = 0;
  char16_t c = u'x';
  scene.KeyDown(k, c, {});
  EXPECT_EQ(typed, u"x");

  k = win::VK_APPS;
  scene.KeyDown(k, c, {});
  EXPECT_EQ(typed, u"x");
  EXPECT_EQ(menu.at.X, 90);  // the object's centre
  EXPECT_EQ(menu.at.Y, 35);
  EXPECT_EQ(menu.component, edit);
  scene.MouseDown(rtl::mbRight, {}, 52.4f, 27.6f);
  EXPECT_EQ(menu.at.X, 52);
  EXPECT_EQ(menu.at.Y, 28);
  EXPECT_EQ(menu.opened, 2);

  // Dialog keys go to the root's children in order until one clears the key.
  int offered = 0;
  class Clearing : public TvxVisualObject {
  public:
    using TvxVisualObject::TvxVisualObject;
    void DialogKey(uint16_t& Key, rtl::TShiftState) override {
      ++*count;
      Key = 0;
    }
    int* count = nullptr;
  };
  auto* first = Add<Clearing>(root.get(), 0, 0);
  auto* second = Add<Clearing>(root.get(), 0, 0);
  first->count = second->count = &offered;
  k = win::VK_ESCAPE;
  scene.KeyDown(k, c, {});
  EXPECT_EQ(k, 0);
  EXPECT_EQ(offered, 1);
}

TEST_F(VisualInput, DragsFindTheAcceptingTargetAndFireTheDragOverTrigger) {
  TvxVisualObject* bin = Add(root.get(), 10, 10);
  TvxVisualObject* refusing = Add(root.get(), 100, 10);
  bin->OnDragOver = [](rtl::TObject*, const TvxDragObject&, const TvxPoint&, bool& Accept) { Accept = true; };
  TvxFloatAnimation* highlight = Trigger(bin, "IsDragOver=true", 0.4f);
  std::vector<std::string> log;
  bin->OnDragEnter = [&](rtl::TObject*, const TvxDragObject&, const TvxPoint&) { log.push_back("enter"); };
  bin->OnDragLeave = [&](rtl::TObject*) { log.push_back("leave"); };
  bin->OnDragDrop = [&](rtl::TObject*, const TvxDragObject& D, const TvxPoint&) {
    log.push_back("drop " + std::to_string(D.Files.size()));
  };
  TvxDragObject data;
  data.Files = {u"a.cfg", u"b.cfg"};

  scene.DragOver(data, {20, 20});
  EXPECT_TRUE(bin->IsDragOver());
  EXPECT_TRUE(highlight->Running());
  scene.DragOver(data, {110, 20});  // refused there
  EXPECT_FALSE(bin->IsDragOver());
  EXPECT_EQ(scene.dropTarget, nullptr);
  (void)refusing;
  scene.DragOver(data, {20, 20});
  scene.DragDrop(data, {20, 20});
  EXPECT_FALSE(bin->IsDragOver());
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave", "enter", "drop 2"}));

  // Ending an automatic drag ends the press without a click.
  int clicks = 0;
  bin->OnClick = [&](rtl::TObject*) { ++clicks; };
  bin->SetDragMode(vgDragAutomatic);
  scene.MouseDown(rtl::mbLeft, {}, 20, 20);
  EXPECT_EQ(scene.dragged, (std::vector<TvxVisualObject*>{bin}));
  bin->DragEnd();
  EXPECT_FALSE(bin->Pressed());
  EXPECT_EQ(clicks, 0);
}

TEST_F(VisualInput, DragImagesAreFittedInto512Square) {
  TvxVisualObject* wide = Add(root.get(), 0, 0, 1000, 250);
  TvxVisualObject* small = Add(root.get(), 0, 0, 300, 200);
  const std::unique_ptr<TvxBitmap> a = wide->MakeDragImage(), b = small->MakeDragImage();
  EXPECT_EQ(a->Width(), 512);
  EXPECT_EQ(a->Height(), 128);
  EXPECT_EQ(b->Width(), 300);
  EXPECT_EQ(b->Height(), 200);
}

TEST_F(VisualInput, TheCaretIsAThinBlueRectangleThatBlinksAtAThirdOfTheTickerRate) {
  const bool standIn = rtl::GetClass("TvxRectangle") == nullptr;
  if (standIn) rtl::RegisterClass(CaretShape::StaticClass());
  TvxVisualObject* edit = Add(root.get(), 0, 0, 200, 30);
  edit->SetCaretPos({10.4f, 4.6f});
  TvxVisualObject* caret = edit->Caret();
  if (standIn) rtl::UnRegisterClass(CaretShape::StaticClass());
  ASSERT_NE(caret, nullptr);
  EXPECT_EQ(caret->ClassName(), "TvxRectangle");
  EXPECT_EQ(caret->Width(), 3);
  EXPECT_EQ(caret->Height(), 20);
  EXPECT_EQ(caret->Position()->GetPoint(), (TvxPoint{10, 5}));
  EXPECT_FALSE(caret->Visible());
  EXPECT_FALSE(caret->HitTest());
  EXPECT_TRUE(caret->Locked());
  EXPECT_FALSE(caret->Stored());
  EXPECT_EQ(rtl::GetStrProp(caret, "Fill.Color"), "#FF0000FF");
  EXPECT_EQ(rtl::GetEnumProp(caret, "Stroke.Style"), "vgBrushNone");
  ASSERT_EQ(caret->GetChildrenCount(), 1);
  auto* blink = dynamic_cast<TvxFloatAnimation*>(caret->GetChild(0));
  ASSERT_NE(blink, nullptr);
  EXPECT_EQ(blink->BindingName(), "caret");
  EXPECT_EQ(blink->PropertyName(), "Opacity");
  EXPECT_EQ(blink->StartValue(), 1);
  EXPECT_EQ(blink->StopValue(), 0);
  EXPECT_FLOAT_EQ(blink->Duration(), 0.1f);
  EXPECT_TRUE(blink->Loop());
  EXPECT_TRUE(blink->AutoReverse());
  EXPECT_FALSE(blink->Running());

  edit->ShowCaret();
  EXPECT_TRUE(caret->Visible());
  EXPECT_TRUE(blink->Running());
  EXPECT_EQ(caret->Opacity(), 1);
  clock.Advance(66);  // two ticks: a caret moves on every third
  EXPECT_EQ(caret->Opacity(), 1);
  clock.Advance(33);
  EXPECT_NEAR(caret->Opacity(), 1 - 0.033f / 0.1f, 1e-4);
  clock.Advance(99 * 2);
  EXPECT_NEAR(caret->Opacity(), 0.01f, 1e-4);
  clock.Advance(99);  // the end: it turns back
  EXPECT_EQ(caret->Opacity(), 0);
  clock.Advance(99);
  EXPECT_NEAR(caret->Opacity(), 0.33f, 1e-4);
  edit->HideCaret();
  clock.Advance(99);
  EXPECT_FALSE(blink->Running());
  edit->SetCaretColor(0xFFFF0000u);
  EXPECT_EQ(rtl::GetStrProp(caret, "Fill.Color"), "#FFFF0000");
}

}  // namespace

}  // namespace visual_object_input_test
