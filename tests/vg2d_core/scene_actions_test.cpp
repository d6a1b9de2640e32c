// The actions of a scene's controls update at the loop's idle time, as the form's controls'
// do: the scene walks the visible part of its first root's tree.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeScene.h"
#include "platform/loop/Application.h"
#include "platform/rtl/Actions.h"
#include "platform/win/Forms.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"

namespace scene_actions_test {

using namespace vg;
using vgtest::Box;

namespace {

// A control that shows a caption, so an action's caption reaches it.
class CaptionControl : public TvxControl {
public:
  using TvxControl::TvxControl;
  std::u16string caption;

protected:
  bool GetActionText(std::u16string& Text) const override {
    Text = caption;
    return true;
  }
  void SetActionText(const std::u16string& Text) override { caption = Text; }
};

// An action that counts its updates and, at each, changes what its controls show.
struct CountedAction {
  explicit CountedAction(rtl::TComponent* Owner) : action(new rtl::TCustomAction(Owner)) {
    action->OnUpdate = [this](rtl::TObject*) {
      ++updates;
      action->SetCaption("Update " + std::to_string(updates));
      action->SetEnabled(updates % 2 == 0);
    };
  }
  rtl::TCustomAction* action;
  int updates = 0;
};

struct SceneActions : ::testing::Test {
  void SetUp() override {
    LibraryStartup();
    rtl::Application->Reset();
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 200, 100);
    scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    root = new Box(form.get());
    scene->AddObject(root);
  }
  void TearDown() override {
    form.reset();
    rtl::Application->ProcessMessages();
    FreeAniThread();
    LibraryShutdown();
  }
  CaptionControl* AddControl(TvxObject* Parent, rtl::TBasicAction* Action) {
    auto* c = new CaptionControl(form.get());
    c->SetBounds(0, 0, 20, 20);
    Parent->AddObject(c);
    c->SetAction(Action);
    return c;
  }
  // Lets the loop go idle once: everything pending is handled, then the idle time runs.
  static void IdleOnce() {
    rtl::Application->ProcessMessages();
    rtl::Application->OnIdle = [](rtl::TObject*, bool&) { rtl::Application->Terminate(); };  // no wait after
    rtl::Application->HandleMessage();
    rtl::Application->OnIdle = nullptr;
    rtl::Application->Reset();
  }

  std::unique_ptr<win::TForm> form;
  TvxScene* scene = nullptr;
  Box* root = nullptr;
};

TEST_F(SceneActions, TheVisibleControlsOfAShownSceneTakeTheirActionsAtIdleTime) {
  CountedAction shown(form.get()), hidden(form.get()), elsewhere(form.get());
  CaptionControl* control = AddControl(root, shown.action);
  auto* folded = new Box(form.get());
  root->AddObject(folded);
  folded->SetVisible(false);
  CaptionControl* inFolded = AddControl(folded, hidden.action);
  auto* secondRoot = new Box(form.get());
  scene->AddObject(secondRoot);
  AddControl(secondRoot, elsewhere.action);

  IdleOnce();  // the form is not shown yet
  EXPECT_EQ(shown.updates, 0);

  form->Show();
  IdleOnce();
  EXPECT_EQ(shown.updates, 1);
  EXPECT_EQ(control->caption, u"Update 1");
  EXPECT_FALSE(control->Enabled());
  EXPECT_EQ(hidden.updates, 0);  // under a hidden object
  EXPECT_EQ(inFolded->caption, u"");
  EXPECT_EQ(elsewhere.updates, 0);  // only the first root's tree is walked

  IdleOnce();
  EXPECT_EQ(shown.updates, 2);
  EXPECT_EQ(control->caption, u"Update 2");
  EXPECT_TRUE(control->Enabled());

  shown.action->OnUpdate = [&](rtl::TObject*) { shown.action->SetVisible(false); };
  IdleOnce();
  EXPECT_FALSE(control->Visible());
  folded->SetVisible(true);
  IdleOnce();
  EXPECT_EQ(hidden.updates, 1);
}

// An update that frees the control ends the walk safely; the next idle time walks again.
TEST_F(SceneActions, AnUpdateThatFreesItsControlEndsTheWalk) {
  CountedAction first(form.get()), second(form.get());
  CaptionControl* doomed = AddControl(root, first.action);
  AddControl(root, second.action);
  first.action->OnUpdate = [&](rtl::TObject*) {
    ++first.updates;
    delete doomed;
  };
  form->Show();
  IdleOnce();
  EXPECT_EQ(first.updates, 1);
  IdleOnce();
  EXPECT_EQ(first.updates, 1);
  EXPECT_GE(second.updates, 1);
}

// The idle walk looks at nothing while no link is bound: the count follows every way a link
// gets or loses its action.
TEST_F(SceneActions, TheBoundLinksAreCounted) {
  const int before = rtl::TBasicActionLink::BoundLinks();
  CountedAction a(nullptr), b(nullptr);
  std::unique_ptr<rtl::TCustomAction> ownA(a.action), ownB(b.action);
  CaptionControl* one = AddControl(root, a.action);
  AddControl(root, a.action);
  EXPECT_EQ(rtl::TBasicActionLink::BoundLinks(), before + 2);
  one->SetAction(b.action);
  EXPECT_EQ(rtl::TBasicActionLink::BoundLinks(), before + 2);
  one->SetAction(nullptr);
  EXPECT_EQ(rtl::TBasicActionLink::BoundLinks(), before + 1);
  one->SetAction(b.action);
  delete one;
  EXPECT_EQ(rtl::TBasicActionLink::BoundLinks(), before + 1);
  ownA.reset();
  EXPECT_EQ(rtl::TBasicActionLink::BoundLinks(), before);
}

}  // namespace

}  // namespace scene_actions_test
