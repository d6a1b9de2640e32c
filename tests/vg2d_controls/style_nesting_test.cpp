// Styles that hold controls using them: a part whose copy holds a control that finds the
// same part, whether by its Resource name, through a live resource object or through the
// class-derived name in the host's style, is copied once and the inner control shows
// without a style; painting ends. Styles that nest legitimately keep their styles.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Styles.h"

namespace style_nesting_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class StyleNesting : public vgtest::ControlsTest {};

// How many controls, one inside the other's style copy, carry a style below C (C counted).
int StyledDepth(TvxControl* C, int Limit = 64) {
  if (C) C->ApplyResource();
  int depth = 0;
  while (C && C->Style() && depth < Limit) {
    ++depth;
    TvxControl* inner = nullptr;
    for (TvxObject* o : C->Style()->Children())
      if ((inner = dynamic_cast<TvxControl*>(o))) break;
    if (!inner && dynamic_cast<TvxControl*>(C->Style())) inner = static_cast<TvxControl*>(C->Style());
    if (!inner) break;
    inner->ApplyResource();  // as its first paint would
    C = inner;
  }
  return depth;
}

TvxObject* ObjectFromText(const std::string& Text, rtl::TComponent* Owner) {
  rtl::TStringStream s(Text);
  return dynamic_cast<TvxObject*>(CreateObjectFromText(Owner, &s));
}

TEST_F(StyleNesting, ALiveResourceHoldingAButtonThatUsesItIsCopiedOnce) {
  ControlScene s;
  // A layout named 'loop' that holds a button whose style is 'loop'.
  TvxObject* loop = ObjectFromText(
      "object TvxLayout\r\n  ResourceName = 'loop'\r\n  Width = 80\r\n  Height = 30\r\n"
      "  object TvxButton\r\n    Resource = 'loop'\r\n    Width = 60\r\n    Height = 20\r\n  end\r\nend\r\n",
      nullptr);
  ASSERT_NE(loop, nullptr);
  s.root->AddObject(loop);
  auto* button = s.Add(new TvxButton(nullptr), 100, 10);
  button->SetResource("loop");
  EXPECT_EQ(StyledDepth(button), 1);
  // The button inside the live layout takes a copy of it; the copy's button goes without.
  auto* inLoop = dynamic_cast<TvxButton*>(loop->GetChild(0));
  ASSERT_NE(inLoop, nullptr);
  EXPECT_EQ(StyledDepth(inLoop), 1);
  s.PaintAll();  // every control has had its first paint, and it came back
  EXPECT_EQ(StyledDepth(button), 1);
}

TEST_F(StyleNesting, AHostStylesButtonPartHoldingAButtonIsCopiedOnce) {
  ControlScene s;
  std::unique_ptr<TvxResources> style(new TvxResources(nullptr));
  style->Resource()->SetText(
      "object TvxLayout\r\n"
      "  object TvxRectangle\r\n    ResourceName = 'buttonstyle'\r\n"
      "    object TvxButton\r\n      Align = vaClient\r\n    end\r\n  end\r\n"
      "  object TvxLayout\r\n    ResourceName = 'firststyle'\r\n"
      "    object TvxButton\r\n      Resource = 'secondstyle'\r\n    end\r\n  end\r\n"
      "  object TvxLayout\r\n    ResourceName = 'secondstyle'\r\n"
      "    object TvxButton\r\n      Resource = 'firststyle'\r\n    end\r\n  end\r\n"
      "end\r\n");
  struct Host : vgtest::FakeScene {
    using FakeScene::FakeScene;
    TvxResources* GetStyle() override { return style; }
    TvxResources* style = nullptr;
  };
  Host host(s.canvas.get());
  host.style = style.get();
  std::unique_ptr<TvxVisualObject> root(new TvxVisualObject(nullptr));
  root->SetBounds(0, 0, 320, 240);
  host.AddObject(root.get());
  auto* button = new TvxButton(nullptr);
  root->AddObject(button);
  button->SetBounds(10, 10, 80, 22);
  button->ApplyResource();
  EXPECT_EQ(StyledDepth(button), 1);
  // Two parts that name each other: each is copied once down the chain.
  auto* pair = new TvxButton(nullptr);
  root->AddObject(pair);
  pair->SetResource("firststyle");
  EXPECT_EQ(StyledDepth(pair), 2);
  host.dirty.assign(1, MakeRect(0, 0, 320, 240));
  host.Paint();
  EXPECT_EQ(StyledDepth(button), 1);
  host.RemoveObject(root.get());
}

TEST_F(StyleNesting, BuiltInStylesThatHoldControlsKeepTheirStyles) {
  ControlScene s;
  // A scroll bar's style holds tracks and buttons, each with a style of its own.
  auto* bar = s.Add(new TvxScrollBar(nullptr), 10, 10);
  bar->SetBounds(10, 10, 150, 16);
  s.PaintAll();
  ASSERT_NE(bar->Style(), nullptr);
  int styledInside = 0;
  std::vector<TvxObject*> inside;
  bar->Style()->AddObjectsToList(inside);
  for (TvxObject* o : inside)
    if (auto* c = dynamic_cast<TvxControl*>(o); c && c->Style()) ++styledInside;
  EXPECT_GE(styledInside, 3);
}

}  // namespace

}  // namespace style_nesting_test
