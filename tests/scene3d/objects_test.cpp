// The 3D object tree: ownership and the host's references, tick order, animations started by
// name and by trigger, the float-animation helpers, the class list by category, and objects
// as component text and binary streams (names dropped, foreign classes refused).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SceneFakes.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "scene3d/Animations.h"

namespace objects_test {

using namespace dx;
using dxtest::Body;
using dxtest::FakeScene;

namespace {

// A registered component that is no 3D object; counts how often it is made.
class Outsider : public rtl::TComponent {
  RTL_CLASS(Outsider, rtl::TComponent)
public:
  explicit Outsider(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) { ++made; }
  static inline int made = 0;
};

}  // namespace

rtl::TClass Outsider::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<Outsider>().Build();
  return &info;
}

namespace {

class DxObjectTree : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->SetClock(&clock);
    rtl::RegisterClasses<Body, TdxFloatAnimation, TdxColorAnimation, TdxPosition, Outsider>();
  }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    FreeDxAniThread();
    rtl::Application->SetClock(nullptr);
  }
  // A float animation under Parent that records its start (it finishes inside Start).
  TdxFloatAnimation* Recorder(TdxObject* Parent, const std::string& Label, const std::string& Trigger = "") {
    auto* a = new TdxFloatAnimation(nullptr);
    a->SetTrigger(Trigger);
    a->SetDuration(0);
    a->SetParent(Parent);
    a->OnFinish = [this, Label](rtl::TObject*) { started.push_back(Label); };
    return a;
  }
  rtl::TTestClock clock{1000};
  std::vector<std::string> started;
};

TEST_F(DxObjectTree, ChildrenAreOwnedByTheTreeAndTheHostHearsOfEveryObjectThatLeaves) {
  FakeScene scene;
  auto* root = new Body(nullptr);
  scene.AddObject(root);
  auto* child = new Body(nullptr);
  auto* grandchild = new Body(nullptr);
  auto* other = new Body(nullptr);
  child->SetParent(root);
  grandchild->SetParent(child);
  other->SetParent(root);
  EXPECT_EQ(grandchild->Scene(), &scene);  // the whole subtree takes the host
  other->AddObject(child);
  other->AddObject(child);
  EXPECT_EQ(root->ChildrenCount(), 1);
  EXPECT_EQ(other->ChildrenCount(), 1);
  grandchild->AddObject(other);  // an object never goes below itself
  EXPECT_EQ(other->Parent(), root);
  EXPECT_EQ(root->Children(1), nullptr);
  EXPECT_EQ(root->Children(-1), nullptr);

  scene.removed.clear();
  other->RemoveObject(child);  // not freed; the host hears of the subtree
  EXPECT_EQ(scene.removed, (std::vector<rtl::TComponent*>{child, grandchild}));
  EXPECT_EQ(grandchild->Scene(), nullptr);

  // Deleting children clears each one's parent before it is freed, down the subtree.
  std::vector<TdxObject*> parentsSeen;
  class Probe : public TdxObject {
  public:
    explicit Probe(std::vector<TdxObject*>& Seen) : TdxObject(nullptr), seen_(Seen) {}
    ~Probe() override { seen_.push_back(Parent()); }

  private:
    std::vector<TdxObject*>& seen_;
  };
  (new Probe(parentsSeen))->SetParent(child);
  (new Probe(parentsSeen))->SetParent(grandchild);
  child->Free();
  EXPECT_EQ(parentsSeen, (std::vector<TdxObject*>{nullptr, nullptr}));

  auto* last = new Body(nullptr);
  root->AddObject(last);
  last->SendToBack();
  std::vector<TdxObject*> list;
  root->AddObjectsToList(list);
  EXPECT_EQ(list, (std::vector<TdxObject*>{root, last, other}));
  last->BringToFront();
  EXPECT_EQ(root->Children(1), last);
  root->Free();  // a root freed on its own leaves the host
  EXPECT_TRUE(scene.roots.empty());
}

TEST_F(DxObjectTree, TickVisitsChildrenFromLastToFirstThenFiresOnTick) {
  Body root(nullptr);
  std::vector<std::string> order;
  auto* a = new Body(nullptr);
  auto* b = new Body(nullptr);
  auto* c = new Body(nullptr);
  for (Body* o : {a, b, c}) o->SetParent(&root);
  auto* c1 = new Body(nullptr);
  c1->SetParent(c);
  auto record = [&](const std::string& Name) {
    return [&order, Name](rtl::TObject*, double Time, float Delta) {
      order.push_back(Name + "@" + std::to_string(Time) + "/" + std::to_string(Delta));
    };
  };
  root.OnTick = record("root");
  a->OnTick = record("a");
  c1->OnTick = record("c1");
  c->OnTick = record("c");
  b->OnTick = [&](rtl::TObject*, double, float) {
    order.push_back("b");
    a->Free();  // a handler freeing a sibling still to come: it is passed over, none ticks twice
  };
  root.ProcessTick(5184000.5, 0.025f);
  EXPECT_EQ(order, (std::vector<std::string>{"c1@5184000.500000/0.025000", "c@5184000.500000/0.025000", "b",
                                             "root@5184000.500000/0.025000"}));
}

TEST_F(DxObjectTree, AnimationsStartByNameOrResourceNameAndByTriggerThroughLookParts) {
  Body root(nullptr);
  Recorder(&root, "fade")->SetName("fade");
  Recorder(&root, "other")->SetResourceName("FADE");
  Recorder(&root, "fade2")->SetName("Fade2");
  root.StartAnimation("Fade");
  EXPECT_EQ(started, (std::vector<std::string>{"fade", "other"}));

  started.clear();
  Recorder(&root, "over", "IsMouseOver=true");
  auto* part = new Body(nullptr);  // part of the root's look: follows its triggers
  part->lookPart = true;
  part->SetParent(&root);
  Recorder(part, "part", "IsMouseOver=true;IsFocused=true");
  auto* plain = new Body(nullptr);
  plain->SetParent(&root);
  Recorder(plain, "plain", "IsMouseOver=true");
  Body instance(nullptr);
  root.StartTriggerAnimation(&instance, "IsMouseOver");
  EXPECT_TRUE(started.empty());
  instance.isMouseOver = true;
  root.StartTriggerAnimation(&instance, "IsMouseOver");
  EXPECT_EQ(started, (std::vector<std::string>{"over"}));  // the part needs IsFocused too
  instance.isFocused = true;
  started.clear();
  root.StartTriggerAnimation(&instance, "ismouseover");
  EXPECT_EQ(started, (std::vector<std::string>{"over", "part"}));
}

TEST_F(DxObjectTree, FloatAnimationHelperReplacesTheRunningOneAndFreesItselfWhenDone) {
  Body root(nullptr);
  root.Position()->SetZ(10);
  root.StartFloatAnimation("Position.Z", 20, 0.1f);
  ASSERT_EQ(root.ChildrenCount(), 1);
  auto* first = static_cast<TdxFloatAnimation*>(root.Children(0));
  clock.Advance(50);
  EXPECT_GT(root.Position()->Z(), 10);  // from the current value
  EXPECT_LT(root.Position()->Z(), 20);
  root.StartFloatAnimation("position.z", 0, 0.1f);
  EXPECT_FALSE(first->Running());  // stopped first (path compared without case)
  clock.Advance(200);
  EXPECT_EQ(root.Position()->Z(), 0);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(root.ChildrenCount(), 0);  // both freed themselves
}

TEST_F(DxObjectTree, WaitingFloatAnimationReturnsWhenDoneOrWhenItsObjectIsFreed) {
  rtl::Application->SetClock(nullptr);  // the wait runs the loop on the real clock
  Body root(nullptr);
  root.StartFloatAnimationWait("Opacity", 0, 0.05f);
  EXPECT_EQ(root.opacity, 0);
  EXPECT_EQ(root.ChildrenCount(), 0);

  auto* doomed = new Body(nullptr);  // its window closes while the animation runs
  rtl::TApplication::TTimerId timer = 0;
  timer = rtl::Application->StartTimer(20, [&] {
    rtl::Application->StopTimer(timer);
    doomed->Free();
  });
  TdxFreeWatch watch(doomed);
  doomed->StartFloatAnimationWait("Opacity", 0, 10.0f);
  EXPECT_TRUE(watch.Gone());
}

TEST_F(DxObjectTree, ClassesAreListedByCategoryInRegistrationOrder) {
  FreeDxClassList();
  RegisterDxAnimationClasses();
  RegisterDxClasses("Resources", {TdxBitmapObject::StaticClass()});
  RegisterDxClasses("animations", {TdxAnimation::StaticClass()});
  EXPECT_EQ(DxClassesOf("ANIMATIONS"),
            (std::vector<rtl::TClass>{TdxFloatAnimation::StaticClass(), TdxColorAnimation::StaticClass(),
                                      TdxAnimation::StaticClass()}));
  EXPECT_EQ(rtl::GetClass("TdxBitmapObject"), TdxBitmapObject::StaticClass());  // streams find it
  FreeDxClassList();
  EXPECT_TRUE(DxClassList().empty());
}

TEST_F(DxObjectTree, TextKeepsTheStoredTreeWithoutTheRootNameAndLoadsTheChildrensNames) {
  Body root(nullptr);
  root.SetName("Root1");
  root.opacity = 0.5f;
  root.Position()->SetPoint({1, 2.5f, -3});
  auto* fade = new TdxFloatAnimation(&root);
  fade->SetName("Fade");
  fade->SetPropertyName("Opacity");
  fade->SetParent(&root);
  auto* unstored = new Body(&root);
  unstored->SetParent(&root);
  unstored->SetStored(false);
  unstored->tint = 7;

  const std::string text = SaveDxObjectToText(&root);
  EXPECT_EQ(text.substr(0, text.find('\r')), "object Body");
  EXPECT_EQ(root.Name(), "Root1");
  EXPECT_NE(text.find("Point = '(1,2.5,-3)'"), std::string::npos) << text;
  EXPECT_EQ(text.find("Tint = 7"), std::string::npos) << text;

  rtl::TComponent owner(nullptr);
  // Twice: each copy owns its children, so the names do not clash.
  std::unique_ptr<TdxObject> copy = CreateDxObjectFromText(&owner, text);
  std::unique_ptr<TdxObject> again = CreateDxObjectFromText(&owner, text);
  ASSERT_TRUE(copy && again);
  EXPECT_EQ(SaveDxObjectToText(copy.get()), text);
  EXPECT_EQ(SaveDxObjectToText(again.get()), text);
  auto* body = static_cast<Body*>(copy.get());
  EXPECT_EQ(body->opacity, 0.5f);
  EXPECT_EQ(body->Position()->Point(), (TdxPoint3D{1, 2.5f, -3}));
  ASSERT_EQ(body->ChildrenCount(), 1);
  auto* loaded = dynamic_cast<TdxFloatAnimation*>(body->Children(0));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Name(), "Fade");
  EXPECT_EQ(loaded->PropertyName(), "Opacity");
  EXPECT_EQ(copy->Owner(), &owner);
}

// A name written as a property ends in the object's header when the object is written
// again, and reads back from there. A name taken already among the owner's components is
// dropped, not raised: the second of two children of one name and a root beside its
// original go unnamed.
TEST_F(DxObjectTree, NamesReadFromTheHeaderAreKeptUnlessTaken) {
  const std::string text =
      "object Body\r\n"
      "  object TdxFloatAnimation\r\n    Name = 'Spin'\r\n  end\r\n"
      "  object Twice: TdxFloatAnimation\r\n  end\r\n"
      "  object Twice: TdxFloatAnimation\r\n  end\r\n"
      "end\r\n";
  std::unique_ptr<TdxObject> made = CreateDxObjectFromText(nullptr, text);
  ASSERT_NE(made, nullptr);
  ASSERT_EQ(made->ChildrenCount(), 3);
  EXPECT_EQ(made->Children(0)->Name(), "Spin");
  EXPECT_EQ(made->Children(1)->Name(), "Twice");
  EXPECT_EQ(made->Children(2)->Name(), "");
  const std::string written = SaveDxObjectToText(made.get());
  EXPECT_NE(written.find("object Spin: TdxFloatAnimation"), std::string::npos) << written;
  std::unique_ptr<TdxObject> back = CreateDxObjectFromText(nullptr, written);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Children(0)->Name(), "Spin");
  EXPECT_EQ(SaveDxObjectToText(back.get()), written);

  rtl::TComponent owner(nullptr);
  std::unique_ptr<TdxObject> first = CreateDxObjectFromText(&owner, "object Door: Body\r\nend\r\n");
  std::unique_ptr<TdxObject> second = CreateDxObjectFromText(&owner, "object Door: Body\r\nend\r\n");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->Name(), "Door");
  EXPECT_EQ(second->Name(), "");
}

// A stream holds a name in 255 characters. A longer one is refused where it is set, so text
// that names an object so reads in with the object unnamed, and whatever reads in writes.
TEST_F(DxObjectTree, ANameLongerThanAStreamHoldsIsRefusedOnReadingAndTheRestWrites) {
  const std::string longest = "N" + std::string(254, 'a');
  const std::string tooLong = "    Name = '" + longest + "b'\r\n";
  const std::string fits = "    Name = '" + longest + "'\r\n";
  const std::string text = "object Body\r\n  object TdxFloatAnimation\r\n" + tooLong +
                           "    PropertyName = 'Opacity'\r\n  end\r\n  object TdxFloatAnimation\r\n" + fits +
                           "  end\r\nend\r\n";
  std::unique_ptr<TdxObject> made = CreateDxObjectFromText(nullptr, text);
  ASSERT_NE(made, nullptr);
  ASSERT_EQ(made->ChildrenCount(), 2);
  EXPECT_EQ(made->Children(0)->Name(), "");
  EXPECT_EQ(static_cast<TdxFloatAnimation*>(made->Children(0))->PropertyName(), "Opacity") << "the rest reads";
  EXPECT_EQ(made->Children(1)->Name(), longest);
  std::string written;
  ASSERT_NO_THROW(written = SaveDxObjectToText(made.get()));
  std::unique_ptr<TdxObject> back = CreateDxObjectFromText(nullptr, written);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Children(1)->Name(), longest);
  EXPECT_EQ(SaveDxObjectToText(back.get()), written);
  Body named(nullptr);
  EXPECT_THROW(named.SetName(longest + "b"), rtl::EComponentError);
  EXPECT_EQ(named.Name(), "");
}

TEST_F(DxObjectTree, TextNamingAnUnknownOrForeignClassCreatesNothing) {
  rtl::TComponent owner(nullptr);
  // Values and other components are registered too, but they are no 3D objects: none is made.
  EXPECT_EQ(CreateDxObjectFromText(&owner, "object TdxPosition\r\nend\r\n"), nullptr);
  EXPECT_EQ(CreateDxObjectFromText(&owner, "object Outsider\r\nend\r\n"), nullptr);
  EXPECT_EQ(Outsider::made, 0);
  EXPECT_EQ(CreateDxObjectFromText(&owner, "object TNoSuchThing\r\nend\r\n"), nullptr);
  EXPECT_EQ(CreateDxObjectFromText(&owner, "object Body\r\n  Opacity = \r\n"), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 0);
  // Unknown properties are skipped; the rest is read.
  auto made = CreateDxObjectFromText(nullptr, "object Body\r\n  Bogus = 3\r\n  Opacity = 0.25\r\nend\r\n");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(static_cast<Body*>(made.get())->opacity, 0.25f);
}

TEST_F(DxObjectTree, BinaryStreamRoundTripNestsChildrenAndRefusesACutStream) {
  Body root(nullptr);
  root.tint = 0xFF112233u;
  auto* child = new Body(nullptr);
  child->color = "#80FF0000";
  child->SetParent(&root);
  auto* anim = new TdxColorAnimation(nullptr);
  anim->SetStopValue("#FF00FF00");
  anim->SetParent(child);
  rtl::TMemoryStream stream;
  {
    rtl::TWriter writer(&stream, 4096);
    writer.WriteRootComponent(&root);
  }
  stream.SetPosition(0);
  Body loaded(nullptr);
  LoadDxObjectFromStream(&loaded, &stream);
  EXPECT_EQ(loaded.tint, 0xFF112233u);
  ASSERT_EQ(loaded.ChildrenCount(), 1);
  auto* loadedChild = static_cast<Body*>(loaded.Children(0));
  EXPECT_EQ(loadedChild->color, "#80FF0000");
  ASSERT_EQ(loadedChild->ChildrenCount(), 1);
  EXPECT_EQ(static_cast<TdxColorAnimation*>(loadedChild->Children(0))->StopValue(), "#FF00FF00");

  stream.SetSize(stream.Size() - 6);
  stream.SetPosition(0);
  Body partial(nullptr);
  EXPECT_THROW(LoadDxObjectFromStream(&partial, &stream), rtl::EReadError);
}

}  // namespace

}  // namespace objects_test
