// The object tree through a fake host: re-parenting, streaming of children, clones,
// resource look-up, trigger animations, and the host never keeping a removed or freed
// object (run under AddressSanitizer).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Objects.h"
#include "vg2d/core/VisualObjects.h"
#include "tests/vg2d_core/SavedText.h"

namespace object_tree_test {

using namespace vg;
using vgtest::FakeScene;

namespace {

template <class T = TvxVisualObject>
T* Make(TvxObject* Parent = nullptr, const std::string& Name = {}) {
  auto* o = new T(nullptr);
  if (!Name.empty()) o->SetName(Name);
  if (Parent) Parent->AddObject(o);
  return o;
}

// A control whose style parts are its own business.
class StyledControl : public TvxVisualObject {
public:
  using TvxVisualObject::TvxVisualObject;

protected:
  bool ResourcesVisible() const override { return false; }
};

using vgtest::TextOf;

class ObjectTree : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    rtl::RegisterClasses({TvxObject::StaticClass(), TvxVisualObject::StaticClass(), TvxContent::StaticClass(),
                          TvxAnimation::StaticClass(), TvxFloatAnimation::StaticClass()});
  }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    FreeAniThread();
  }
};

TEST_F(ObjectTree, ReparentingMovesTheObjectAndKeepsOneEntry) {
  TvxObjectPtr a(Make()), b(Make());
  TvxObject* first = Make(b.get());
  TvxObject* c = Make(a.get());
  ASSERT_EQ(c->Parent(), a.get());

  b->AddObject(c);
  EXPECT_EQ(a->GetChildrenCount(), 0);
  ASSERT_EQ(b->GetChildrenCount(), 2);
  EXPECT_EQ(b->GetChild(1), c);  // last among the new parent's children
  EXPECT_EQ(c->GetIndex(), 1);

  b->AddObject(c);
  b->AddObject(first);
  EXPECT_EQ(b->GetChildrenCount(), 2);
  EXPECT_EQ(b->GetChild(0), c);
  EXPECT_EQ(first->GetIndex(), 1);

  c->SetParent(b.get());  // unchanged: nothing moves
  EXPECT_EQ(b->GetChild(0), c);
  c->SetParent(a.get());
  EXPECT_EQ(a->GetChild(0), c);
  EXPECT_EQ(b->GetChildrenCount(), 1);

  c->AddObject(a.get());  // no cycles
  EXPECT_EQ(a->Parent(), nullptr);
}

TEST_F(ObjectTree, HostRootsJoinAndLeaveTheHost) {
  FakeScene scene;
  TvxObjectPtr root(Make()), other(Make());
  TvxObject* child = Make(root.get());
  scene.AddObject(root.get());
  EXPECT_EQ(child->Scene(), &scene);
  EXPECT_EQ(scene.GetRoot(), root.get());

  other->AddObject(child);  // leaves the displayed tree and the host
  EXPECT_EQ(child->Scene(), nullptr);
  EXPECT_EQ(root->GetChildrenCount(), 0);

  scene.AddObject(child);  // a host takes an object from its parent
  EXPECT_EQ(other->GetChildrenCount(), 0);
  EXPECT_EQ(child->Scene(), &scene);

  root->SetParent(nullptr);
  EXPECT_EQ(scene.roots.size(), 1u);
  EXPECT_EQ(root->Scene(), nullptr);
  child->SetParent(nullptr);
  EXPECT_EQ(scene.GetRoot(), nullptr);
  delete child;  // it belongs to nothing any more
}

TEST_F(ObjectTree, StreamsWriteStoredChildrenAndFlattenInnerContent) {
  TvxObjectPtr control(Make<TvxVisualObject>(nullptr, "Panel"));
  TvxObject* hidden = Make(control.get(), "Hidden");
  hidden->SetStored(false);
  Make(hidden, "UnderHidden");
  auto* content = Make<TvxContent>(control.get(), "Content");
  content->SetStored(false);
  Make(content, "Inner")->SetResourceName("inner");
  Make(control.get(), "After")->SetResourceName("after");

  const std::string text = TextOf(control.get());
  EXPECT_EQ(text.find("UnderHidden"), std::string::npos);
  EXPECT_EQ(text.find("TvxContent"), std::string::npos);
  EXPECT_EQ(text.rfind("object TvxVisualObject", 0), 0u) << text;  // the root is written without a name
  EXPECT_EQ(control->Name(), "Panel");

  // The content's children come back as children of the control, before the later child.
  rtl::TMemoryStream binary;
  control->SaveToBinaryStream(&binary);
  binary.SetPosition(0);
  TvxObjectPtr loaded(Make());
  loaded->LoadFromBinaryStream(&binary);
  ASSERT_EQ(loaded->GetChildrenCount(), 2);
  EXPECT_EQ(loaded->GetChild(0)->ResourceName(), "inner");
  EXPECT_EQ(loaded->GetChild(1)->ResourceName(), "after");
  EXPECT_EQ(loaded->GetChild(0)->Name(), "");
}

TEST_F(ObjectTree, CloneGivesAnEqualTree) {
  TvxObjectPtr tree(Make<TvxVisualObject>(nullptr, "Source"));
  auto* v = static_cast<TvxVisualObject*>(tree.get());
  v->SetWidth(120);
  v->Position()->SetPoint({5, 6});
  auto* child = Make<TvxVisualObject>(tree.get());
  child->SetOpacity(0.5f);
  child->SetAlign(vaClient);
  child->SetBindingName("value");
  Make(child)->SetResourceName("deep");

  TvxObjectPtr copy(tree->Clone(nullptr));
  EXPECT_EQ(copy->ClassType(), tree->ClassType());
  EXPECT_EQ(TextOf(copy.get()), TextOf(tree.get()));
  ASSERT_EQ(copy->GetChildrenCount(), 1);
  EXPECT_NE(copy->GetChild(0), child);
  EXPECT_EQ(copy->GetChild(0)->GetChild(0)->ResourceName(), "deep");
  EXPECT_EQ(copy->Name(), "");
}

TEST_F(ObjectTree, FindResourceSkipsStylePartsAndIgnoresCase) {
  TvxObjectPtr root(Make());
  TvxObject* container = Make(root.get());
  Make(container)->SetResourceName("ButtonFace");
  TvxObject* control = Make<StyledControl>(root.get());
  Make(control)->SetResourceName("StylePart");

  EXPECT_NE(root->FindResource("buttonface"), nullptr);
  EXPECT_EQ(root->FindResource("stylepart"), nullptr);
  EXPECT_NE(control->FindResource("StylePart"), nullptr);  // the control finds its own parts
  EXPECT_EQ(root->FindResource(""), nullptr);
}

TEST_F(ObjectTree, ListsGiveTheWholeSubtreeOrItsControlsInTreeOrder) {
  TvxObjectPtr root(Make<TvxControl>());
  auto* plain = Make(root.get());
  auto* inner = Make<TvxControl>(plain);
  auto* leaf = Make(inner);
  auto* last = Make<TvxControl>(root.get());
  std::vector<TvxObject*> objects;
  root->AddObjectsToList(objects);
  EXPECT_EQ(objects, (std::vector<TvxObject*>{root.get(), plain, inner, leaf, last}));
  std::vector<TvxControl*> controls{nullptr};  // appended to what the list holds
  root->AddControlsToList(controls);
  EXPECT_EQ(controls, (std::vector<TvxControl*>{nullptr, static_cast<TvxControl*>(root.get()), inner, last}));
  controls.clear();
  plain->AddControlsToList(controls);
  EXPECT_EQ(controls, (std::vector<TvxControl*>{inner}));
  controls.clear();
  leaf->AddControlsToList(controls);
  EXPECT_TRUE(controls.empty());
}

TEST_F(ObjectTree, BindingFindsDataAndSwallowsRefusals) {
  TvxObjectPtr root(Make());
  Make(Make(root.get()), "Target")->SetBindingName("Speed");
  EXPECT_EQ(std::get<std::string>(root->GetBinding("speed")), "Target");
  EXPECT_EQ(std::get<std::string>(root->GetBinding("missing")), "");
}

TEST_F(ObjectTree, TriggerAnimationsStopTriggeredOnesAndStartMatchingOnes) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  scene.AddObject(root.get());
  auto* o = Make<TvxVisualObject>(root.get());
  auto animation = [&](TvxObject* Parent, const std::string& Trigger) {
    auto* a = Make<TvxFloatAnimation>(Parent);
    a->SetDuration(10);
    a->SetTrigger(Trigger);
    return a;
  };
  TvxAnimation* matching = animation(o, "IsVisible=true;Enabled=true");
  TvxAnimation* mismatching = animation(o, "IsVisible=true;Enabled=false");
  TvxAnimation* otherTrigger = animation(o, "IsMouseOver=true");
  TvxAnimation* plain = animation(o, "");
  auto* stylePart = Make<TvxVisualObject>(o);
  stylePart->SetLocked(true);
  stylePart->SetHitTest(false);
  TvxAnimation* inStyle = animation(stylePart, "IsVisible=true");
  TvxAnimation* inChild = animation(Make<TvxVisualObject>(o), "IsVisible=true");
  otherTrigger->Start();
  plain->Start();
  ASSERT_TRUE(otherTrigger->Running());

  o->StartTriggerAnimation(o, "isvisible");
  EXPECT_TRUE(matching->Running());
  EXPECT_FALSE(mismatching->Running());
  EXPECT_FALSE(otherTrigger->Running());  // every triggered animation was stopped first
  EXPECT_TRUE(plain->Running());
  EXPECT_TRUE(inStyle->Running());
  EXPECT_FALSE(inChild->Running());  // only style parts are descended into
  EXPECT_TRUE(AniThread()->Contains(matching));

  o->StopTriggerAnimation(o);
  EXPECT_FALSE(matching->Running());
  EXPECT_FALSE(inStyle->Running());
  EXPECT_TRUE(plain->Running());
}

TEST_F(ObjectTree, FreeingAnObjectClearsPaintReferencesToIt) {
  TvxObject* target = Make();
  TvxVisual visual;
  visual.SetVisualObject(target);
  ASSERT_EQ(visual.VisualObject(), target);
  target->Free();
  EXPECT_EQ(visual.VisualObject(), nullptr);
}

// The two slots the code that makes an object keeps with it are neither written nor copied,
// and a component kept in the object slot is let go when it is freed.
TEST_F(ObjectTree, TagSlotsAreNotStreamedAndForgetAFreedComponent) {
  TvxObjectPtr tree(Make());
  const std::string plain = TextOf(tree.get());
  TvxObject* kept = Make(tree.get());
  tree->SetTagString(u"(2,17)");
  tree->SetTagObject(kept);
  tree->RemoveObject(kept);
  EXPECT_EQ(TextOf(tree.get()), plain) << "nothing of either slot is written";
  TvxObjectPtr copy(tree->Clone(nullptr));
  EXPECT_EQ(copy->TagString(), u"");
  EXPECT_EQ(copy->TagObject(), nullptr);
  kept->Free();
  EXPECT_EQ(tree->TagObject(), nullptr) << "a freed component leaves the slot";
}

// ---- the host never keeps a removed or freed object ----------------------------------------------

TEST_F(ObjectTree, RebuildingAListWhileAnItemIsHoveredClearsTheHover) {
  FakeScene scene;
  TvxObjectPtr list(Make());
  scene.AddObject(list.get());
  auto* item = Make<TvxVisualObject>(list.get());
  auto* label = Make<TvxVisualObject>(item);
  scene.hovered = label;
  scene.captured = item;

  list->DeleteChildren();
  EXPECT_EQ(scene.hovered, nullptr);
  EXPECT_EQ(scene.captured, nullptr);
  Make<TvxVisualObject>(list.get());
  EXPECT_EQ(scene.hovered, nullptr);
}

TEST_F(ObjectTree, FreeingAPanelWithAFocusedChildClearsTheFocus) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  scene.AddObject(root.get());
  auto* panel = Make<TvxVisualObject>(root.get());
  auto* edit = Make<TvxVisualObject>(Make<TvxVisualObject>(panel));
  edit->SetCanFocused(true);
  scene.SetFocused(edit);
  scene.selected = panel->GetChild(0)->Visual();

  panel->Free();
  EXPECT_EQ(scene.focused, nullptr);
  EXPECT_EQ(scene.selected, nullptr);
  EXPECT_EQ(root->GetChildrenCount(), 0);
}

TEST_F(ObjectTree, RemovingASubtreeTellsTheHostAboutEveryObjectInIt) {
  FakeScene scene;
  TvxObjectPtr root(Make());
  scene.AddObject(root.get());
  TvxObject* panel = Make(root.get());
  TvxObject* a = Make(panel);
  TvxObject* b = Make(a);
  scene.captured = b->Visual();

  root->RemoveObject(panel);
  TvxObjectPtr kept(panel);
  EXPECT_EQ(scene.captured, nullptr);
  for (TvxObject* o : {panel, a, b}) {
    EXPECT_NE(std::find(scene.removed.begin(), scene.removed.end(), o), scene.removed.end());
    EXPECT_EQ(o->Scene(), nullptr);
  }
}

TEST_F(ObjectTree, ARootLeavingOrFreedTellsTheHostAboutItsWholeTree) {
  FakeScene scene;
  TvxObject* root = Make();
  scene.AddObject(root);
  auto* edit = Make<TvxVisualObject>(Make<TvxVisualObject>(root));
  edit->SetCanFocused(true);
  scene.SetFocused(edit);
  scene.hovered = edit;

  root->SetParent(nullptr);  // the window lets go of its tree
  EXPECT_EQ(scene.focused, nullptr);
  EXPECT_EQ(scene.hovered, nullptr);
  EXPECT_EQ(edit->Scene(), nullptr);

  scene.AddObject(root);
  scene.SetFocused(edit);
  scene.captured = edit;
  root->Free();  // the window frees its tree
  EXPECT_EQ(scene.focused, nullptr);
  EXPECT_EQ(scene.captured, nullptr);
  EXPECT_TRUE(scene.roots.empty());
}

TEST_F(ObjectTree, AddingAHostsRootToAnObjectTakesItOutOfTheHost) {
  FakeScene scene;
  TvxObjectPtr holder(Make());
  TvxObject* root = Make();
  TvxObject* child = Make(root);
  scene.AddObject(root);
  scene.hovered = child->Visual();

  holder->AddObject(root);  // freed with holder, before the host goes
  EXPECT_TRUE(scene.roots.empty());
  EXPECT_EQ(scene.hovered, nullptr);
  EXPECT_EQ(root->Parent(), holder.get());
  EXPECT_EQ(child->Scene(), nullptr);
}

// ---- animations made in code -----------------------------------------------------------------------

TEST_F(ObjectTree, AnimateFloatWithoutHostJumpsToTheEndAndGoesAway) {
  TvxObjectPtr o(Make());
  o->Visual()->AnimateFloat("Opacity", 0.25f);
  EXPECT_FLOAT_EQ(o->Visual()->Opacity(), 0.25f);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(o->GetChildrenCount(), 0);
}

TEST_F(ObjectTree, AnimateFloatWaitRunsToTheEndThenFreesTheAnimation) {
  FakeScene scene;
  TvxObjectPtr o(Make());
  scene.AddObject(o.get());
  o->AnimateFloatWait("Position.X", 40, 0.05f);
  EXPECT_FLOAT_EQ(o->Visual()->Position()->X(), 40);
  EXPECT_EQ(o->GetChildrenCount(), 0);
}

TEST_F(ObjectTree, StartTriggerAnimationWaitReturnsWhenTheAnimationsAreDone) {
  FakeScene scene;
  TvxObjectPtr o(Make());
  scene.AddObject(o.get());
  auto* fade = Make<TvxFloatAnimation>(o.get());
  fade->SetTrigger("IsVisible=true");
  fade->SetPropertyName("Opacity");
  fade->SetStartValue(1);
  fade->SetStopValue(0.3f);
  fade->SetDuration(0.05f);
  o->StartTriggerAnimationWait(o.get(), "IsVisible");
  EXPECT_FALSE(fade->Running());
  EXPECT_FLOAT_EQ(o->Visual()->Opacity(), 0.3f);
}

TEST_F(ObjectTree, AnimateFloatWaitSurvivesItsObjectBeingFreedMeanwhile) {
  FakeScene scene;
  TvxObject* o = Make();
  scene.AddObject(o);
  rtl::TApplication::TTimerId timer = 0;
  timer = rtl::Application->StartTimer(20, [&] {  // the window closes while the animation runs
    rtl::Application->StopTimer(timer);
    o->Free();
  });
  o->AnimateFloatWait("Opacity", 0, 5);
  EXPECT_TRUE(scene.roots.empty());
}

}  // namespace

}  // namespace object_tree_test
