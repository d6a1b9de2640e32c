#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "tests/rtl/TestShapes.h"

namespace rtltest {
namespace {

// Records every notification it gets and the order in which components die.
std::vector<std::string>* gDeaths = nullptr;

class TProbe : public TComponent {
  RTL_CLASS(TProbe, TComponent)
public:
  using TComponent::TComponent;
  ~TProbe() override {
    if (gDeaths) gDeaths->push_back(Name() + (ComponentState().Contains(csDestroying) ? "" : "!"));
  }
  std::map<TComponent*, int> Removed;
  std::vector<TComponent*> Inserted;
  using TComponent::Loaded;
  using TComponent::SetDesigning;
  using TComponent::IncludeState;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove) ++Removed[AComponent];
    else Inserted.push_back(AComponent);
    inherited::Notification(AComponent, Operation);
  }
};

}  // namespace

TClass TProbe::StaticClass() {
  static const TClassInfo info = DefineClass<TProbe>().Build();
  return &info;
}

namespace {

TProbe* Probe(TComponent* owner, const char* name) {
  auto* p = new TProbe(owner);
  p->SetName(name);
  return p;
}

void CheckFreeNotifications(bool plainDelete) {
  TProbe form(nullptr), other(nullptr);
  TProbe* target = Probe(&form, "Target");
  TProbe* sibling = Probe(&form, "Sibling");
  TProbe* panel = Probe(&form, "Panel");
  TProbe* nested = Probe(panel, "Nested");     // reached through the owner tree and its own subscription
  TProbe* outsider = Probe(&other, "Outsider");  // reached only through its subscription
  target->FreeNotification(nested);
  target->FreeNotification(outsider);
  target->FreeNotification(outsider);  // no duplicates
  ASSERT_EQ(3, form.ComponentCount());

  if (plainDelete) delete target;
  else target->Free();

  for (TProbe* p : {&form, sibling, panel, nested, outsider}) EXPECT_EQ(1, p->Removed[target]) << p->Name();
  EXPECT_EQ(0u, other.Removed.count(target));
  EXPECT_EQ(2, form.ComponentCount());
  EXPECT_EQ(nullptr, form.FindComponent("Target"));
  EXPECT_EQ(sibling, form.Components(0));
  // The subscriptions are gone on both sides: freeing the others later is clean.
  outsider->Free();
  EXPECT_EQ(0u, form.Removed.count(outsider));
}

TEST(TComponentFree, NotifiesEverySubscriberOnceAndLeavesItsOwner) { CheckFreeNotifications(false); }
TEST(TComponentFree, PlainDeleteDoesTheSame) { CheckFreeNotifications(true); }

TEST(TComponentFree, OwnerFreesItsComponentsLastFirstWhileMarkedDestroying) {
  std::vector<std::string> deaths;
  gDeaths = &deaths;
  auto* form = Probe(nullptr, "Form");
  Probe(form, "A");
  TProbe* b = Probe(form, "B");
  Probe(b, "B1");
  Probe(b, "B2");
  Probe(form, "C");
  form->Free();
  gDeaths = nullptr;
  EXPECT_EQ((std::vector<std::string>{"C", "B2", "B1", "B", "A", "Form"}), deaths);
}

TEST(TComponentFree, ReferencesClearedThroughNotificationAcrossOwners) {
  TProbe formA(nullptr), formB(nullptr);
  auto* shape = new TShape(&formA);
  auto* buddy = new TShape(&formB);
  shape->SetBuddy(buddy);
  buddy->Free();
  EXPECT_EQ(nullptr, shape->Buddy());
  // And the other way: the holder dies first, the target is not left pointing at it.
  auto* buddy2 = new TShape(&formB);
  shape->SetBuddy(buddy2);
  delete shape;
  buddy2->Free();
}

// Follows other components (subscribing to them) and counts what it hears of; reports at
// its death what it heard and whether it still held a reference.
class TFollower : public TComponent {
  RTL_CLASS(TFollower, TComponent)
public:
  struct TDeath {
    std::map<const TComponent*, int> Heard;
    bool Dangling;
  };
  static inline std::map<const TComponent*, TDeath>* gDeaths = nullptr;

  using TComponent::TComponent;
  ~TFollower() override {
    if (gDeaths) (*gDeaths)[this] = {Heard, !followed_.empty()};
  }
  void Follow(TComponent* Other) {
    followed_.insert(Other);
    FreeNotification(Other);
  }
  std::map<const TComponent*, int> Heard;  // removals heard of, by component
  std::set<const TComponent*> followed_;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove) {
      ++Heard[AComponent];
      followed_.erase(AComponent);
    }
    inherited::Notification(AComponent, Operation);
  }
};

}  // namespace

TClass TFollower::StaticClass() {
  static const TClassInfo info = DefineClass<TFollower>().Build();
  return &info;
}

namespace {

// 2,000 components of one owner, each following the next one, and a watcher of another
// owner following them all. While the owner is freed (or frees all its components), a
// freed component's news goes to its owner and its followers, once each, and to nobody
// else.
void CheckFreeingTwoThousandFollowers(bool freeOwner) {
  constexpr size_t kCount = 2000;
  TFollower watcher(nullptr);
  auto* form = new TFollower(nullptr);
  std::vector<TFollower*> made;
  for (size_t i = 0; i < kCount; ++i) {
    made.push_back(new TFollower(form));
    watcher.Follow(made.back());
  }
  for (size_t i = 0; i + 1 < kCount; ++i) made[i]->Follow(made[i + 1]);

  // One freed alone while the owner lives: the whole owner tree hears of it, once each.
  std::map<const TComponent*, TFollower::TDeath> deaths;
  TFollower::gDeaths = &deaths;
  TFollower* middle = made[1000];
  middle->Free();
  EXPECT_EQ(made[999]->Heard[middle], 1);  // follows it, and hears through the owner too
  EXPECT_EQ(made[5]->Heard[middle], 1);    // through the owner only
  EXPECT_EQ(form->Heard[middle], 1);

  if (freeOwner) {
    form->Free();
  } else {
    form->DestroyComponents();
    EXPECT_EQ(form->Heard.size(), kCount);  // told of each, once
    for (const auto& [who, times] : form->Heard) EXPECT_EQ(times, 1);
    delete form;
  }
  TFollower::gDeaths = nullptr;
  ASSERT_EQ(deaths.size(), kCount + 1);
  for (size_t i = 0; i < kCount; ++i) {
    if (made[i] == middle) continue;
    const TFollower::TDeath& death = deaths[made[i]];
    std::map<const TComponent*, int> expected{{middle, 1}};
    if (i + 1 < kCount && made[i + 1] != middle) expected[made[i + 1]] = 1;  // freed before it
    EXPECT_EQ(death.Heard, expected) << i;
    EXPECT_FALSE(death.Dangling) << i;
    if (death.Heard != expected) break;
  }
  EXPECT_TRUE(watcher.followed_.empty());
  EXPECT_EQ(watcher.Heard.size(), kCount);
  for (const auto& [who, times] : watcher.Heard) EXPECT_EQ(times, 1);
}

TEST(TComponentFree, AnOwnerOfTwoThousandFollowersTellsEachFollowerOnceAndNobodyElse) {
  CheckFreeingTwoThousandFollowers(true);
}
TEST(TComponentFree, DestroyComponentsTellsTheSame) { CheckFreeingTwoThousandFollowers(false); }

TEST(TComponentOwner, InsertAndRemoveNotifyTheOwnerAndMoveOwnership) {
  TProbe form(nullptr), other(nullptr);
  TProbe* a = Probe(&form, "A");
  EXPECT_EQ((std::vector<TComponent*>{a}), form.Inserted);
  EXPECT_EQ(&form, a->Owner());
  EXPECT_EQ("A", a->GetNamePath());

  other.InsertComponent(a);
  EXPECT_EQ(&other, a->Owner());
  EXPECT_EQ(0, form.ComponentCount());
  EXPECT_EQ(1, form.Removed[a]);
  EXPECT_EQ(a, other.FindComponent("a"));

  other.RemoveComponent(a);
  EXPECT_EQ(nullptr, a->Owner());
  EXPECT_EQ(0, other.ComponentCount());
  form.RemoveComponent(a);  // not its owner: nothing happens
  EXPECT_EQ(1, form.Removed[a]);
  a->Free();

  TProbe* p = Probe(&form, "P");
  TProbe* q = Probe(p, "Q");
  EXPECT_THROW(q->InsertComponent(&form), EComponentError);  // would own its own owner
  EXPECT_THROW(p->InsertComponent(p), EComponentError);
  EXPECT_EQ(&form, p->Owner());
  EXPECT_THROW(form.Components(2), EListError);
  EXPECT_THROW(form.Components(-1), EListError);
  Probe(&form, "R");
  p->SetComponentIndex(5);
  EXPECT_EQ(1, p->ComponentIndex());
}

TEST(TComponentName, InvalidAndDuplicateNamesAreRefused) {
  TProbe form(nullptr), other(nullptr);
  TProbe* button = Probe(&form, "Button1");
  for (const char* bad : {"1Button", "Button 1", "Button-1", "Bütton"}) {
    try {
      button->SetName(bad);
      ADD_FAILURE() << bad;
    } catch (const EComponentError& e) {
      EXPECT_EQ(std::string("Component name \"") + bad + "\" is not valid", e.what());
    }
  }
  TProbe* edit = Probe(&form, "_Edit2");
  try {
    edit->SetName("button1");
    ADD_FAILURE();
  } catch (const EComponentError& e) {
    EXPECT_STREQ("A component named button1 already exists", e.what());
  }
  EXPECT_EQ("_Edit2", edit->Name());
  button->SetName("BUTTON1");  // the same name in another case is no clash
  EXPECT_EQ("BUTTON1", button->Name());

  TProbe* stranger = Probe(&other, "Button1");
  EXPECT_THROW(form.InsertComponent(stranger), EComponentError);
  EXPECT_EQ(&other, stranger->Owner());
  SetStrProp(edit, "Name", "");  // unnamed components never clash
  TProbe* unnamed = new TProbe(&form);
  EXPECT_EQ(nullptr, form.FindComponent(""));
  EXPECT_EQ(unnamed, form.Components(2));
  EXPECT_THROW(SetStrProp(edit, "Name", "9"), EComponentError);
}

TEST(TComponentState, LoadedDesigningAndDestroyingFlags) {
  TProbe form(nullptr);
  TProbe* a = Probe(&form, "A");
  form.SetDesigning(true);
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
  TProbe* b = Probe(&form, "B");  // joins a designing owner
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
  form.SetDesigning(false, false);
  EXPECT_FALSE(form.ComponentState().Contains(csDesigning));
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));

  a->IncludeState(csLoading);
  a->Loaded();
  EXPECT_FALSE(a->ComponentState().Contains(csLoading));
  form.Destroying();
  EXPECT_TRUE(b->ComponentState().Contains(csDestroying));
}

}  // namespace
}  // namespace rtltest
