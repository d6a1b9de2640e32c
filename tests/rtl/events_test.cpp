#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

namespace events_test {

namespace {

using rtl::TNotifyEvent;
using rtl::TObject;

// An object that fires OnChange, as the class library's persistent objects do.
struct TNotifier : TObject {
  TNotifyEvent OnChange;
  void Change() { OnChange(this); }
};

TEST(EventLifetime, HandlerThatClearsOrReplacesItsOwnEventFinishesWithItsCaptures) {
  TNotifier n;
  // The captures live in the handler; clearing the event must not free them mid-call
  // (AddressSanitizer reports the read otherwise).
  auto text = std::make_shared<std::string>("still here");
  std::string seen;
  n.OnChange = [&n, &seen, text](TObject*) {
    n.OnChange = nullptr;
    seen = *text;
  };
  text.reset();
  n.Change();
  EXPECT_EQ("still here", seen);
  EXPECT_FALSE(n.OnChange);

  // A handler that installs a successor: the old one runs to its end, the new one stays
  // and answers the next call.
  std::vector<std::string> calls;
  auto tag = std::make_shared<std::string>("first");
  n.OnChange = [&n, &calls, tag](TObject*) {
    n.OnChange = [&calls](TObject*) { calls.push_back("second"); };
    calls.push_back(*tag);
  };
  tag.reset();
  n.Change();
  n.Change();
  EXPECT_EQ((std::vector<std::string>{"first", "second"}), calls);
}

TEST(EventLifetime, HandlerMayFreeTheObjectThatFiredIt) {
  auto* n = new TNotifier;
  auto marker = std::make_shared<int>(42);
  int seen = 0;
  n->OnChange = [&seen, marker](TObject* Sender) {
    delete static_cast<TNotifier*>(Sender);  // the event itself goes with its object
    seen = *marker;
  };
  marker.reset();
  n->Change();
  EXPECT_EQ(42, seen);
}

TEST(EventMute, SilencesTheEventAndKeepsAHandlerInstalledMeanwhile) {
  TNotifier n;
  int first = 0, second = 0;
  n.OnChange = [&](TObject*) { ++first; };
  {
    rtl::TEventMute mute(n.OnChange);
    n.Change();
    {
      rtl::TEventMute again(n.OnChange);  // mutes nest
      n.Change();
    }
    n.Change();
    n.OnChange = [&](TObject*) { ++second; };  // replaced while silenced: still silenced
    n.Change();
    // A copy taken meanwhile is a separate event and calls its handler.
    const TNotifyEvent copy = n.OnChange;
    copy(&n);
  }
  EXPECT_EQ(0, first);
  EXPECT_EQ(1, second);
  n.Change();
  EXPECT_EQ(2, second);
}

TEST(EventIdentity, CopiesShareTheHandlerAndCompareByTargetAndMethod) {
  struct TTarget : TObject {
    int hits = 0;
    void Hit(TObject*) { ++hits; }
    void Other(TObject*) {}
  } t;
  const TNotifyEvent a(&t, &TTarget::Hit, "Hit");
  const TNotifyEvent b = TNotifyEvent::FromMethod(a.ToMethod());
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == TNotifyEvent(&t, &TTarget::Other));
  EXPECT_EQ("Hit", b.MethodName());
  b(nullptr);
  EXPECT_EQ(1, t.hits);
  // Lambdas have no code identity: equal only to nothing when both are unset.
  const TNotifyEvent l = [](TObject*) {};
  EXPECT_FALSE(l == l);
  EXPECT_TRUE(TNotifyEvent() == TNotifyEvent(nullptr));
}

}  // namespace

}  // namespace events_test
