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
  TProbe* nested = Probe(panel, "Nested");       // in the owner tree, and subscribed
  TProbe* outsider = Probe(&other, "Outsider");  // elsewhere, and subscribed
  target->FreeNotification(nested);
  target->FreeNotification(outsider);
  target->FreeNotification(outsider);  // no duplicates
  ASSERT_EQ(3, form.ComponentCount());

  if (plainDelete) delete target;
  else target->Free();

  for (TProbe* p : {&form, nested, outsider}) EXPECT_EQ(1, p->Removed[target]) << p->Name();
  // The owner passes nothing on: who did not subscribe is not told.
  for (TProbe* p : {sibling, panel, &other}) EXPECT_EQ(0u, p->Removed.count(target)) << p->Name();
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
// owner following them all. A freed component's news goes to its owner and its followers,
// once each, and to nobody else, whether it is freed alone or with all the others.
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

  // One freed alone while the owner lives: its follower and its owner hear of it, once each.
  std::map<const TComponent*, TFollower::TDeath> deaths;
  TFollower::gDeaths = &deaths;
  TFollower* middle = made[1000];
  middle->Free();
  EXPECT_EQ(made[999]->Heard[middle], 1);
  EXPECT_EQ(made[5]->Heard.count(middle), 0u);  // a sibling that does not follow it
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
    std::map<const TComponent*, int> expected;
    if (i + 1 < kCount) expected[made[i + 1]] = 1;  // the one it follows, freed before it
    if (i == 1001) expected[middle] = 1;             // followed by it: subscriptions go both ways
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

// Loading a large form inserts and names its components one by one: each insert tells the
// owner only, and the names are found and checked through the owner's index, which follows
// renames, moves and frees.
TEST(TComponentOwner, ManyComponentsAreToldNothingOfTheirSiblingsAndFoundByName) {
  constexpr int kCount = 3000;
  TProbe form(nullptr), other(nullptr);
  std::vector<TProbe*> made;
  for (int i = 0; i < kCount; ++i) made.push_back(Probe(&form, ("Item" + std::to_string(i)).c_str()));
  EXPECT_EQ(static_cast<size_t>(kCount), form.Inserted.size());
  for (TProbe* p : {made[0], made[1500], made[kCount - 2]}) {
    EXPECT_TRUE(p->Inserted.empty()) << p->Name();
    EXPECT_TRUE(p->Removed.empty()) << p->Name();
  }
  EXPECT_EQ(made[1234], form.FindComponent("ITEM1234"));
  EXPECT_THROW(Probe(&form, "item17"), EComponentError);  // made, but left unnamed
  EXPECT_THROW(made[5]->SetName("Item6"), EComponentError);

  made[5]->SetName("Renamed");
  EXPECT_EQ(nullptr, form.FindComponent("Item5"));
  EXPECT_EQ(made[5], form.FindComponent("renamed"));
  made[6]->SetName("Item5");  // the old name is free again
  EXPECT_EQ(made[6], form.FindComponent("Item5"));

  other.InsertComponent(made[7]);
  EXPECT_EQ(nullptr, form.FindComponent("Item7"));
  EXPECT_EQ(made[7], other.FindComponent("item7"));
  made[8]->Free();
  EXPECT_EQ(nullptr, form.FindComponent("Item8"));
  Probe(&form, "Item8");  // neither moved nor freed names stay taken
  Probe(&form, "Item7");
  EXPECT_EQ(kCount + 1, form.ComponentCount());
  made[9]->SetName("");
  EXPECT_EQ(nullptr, form.FindComponent("Item9"));
  EXPECT_EQ(nullptr, form.FindComponent(""));

  form.DestroyComponents();
  EXPECT_EQ(nullptr, form.FindComponent("Item1234"));
  Probe(&form, "Item1234");
  EXPECT_NE(nullptr, form.FindComponent("item1234"));
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
