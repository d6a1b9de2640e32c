// Controls freed by their own handlers. Every registered control class is placed, given some
// content and driven by keys, typed characters, clicks, a drag, the wheel and a focus move,
// once for each of its notify events, with that event bound to a handler that deletes the
// control. From the moment the handler runs nothing may touch the control again: under the
// sanitizers a use of the freed control fails the run. The memo's own change paths (typing,
// Enter, deleting) are checked by name as well. An open dialog a click brings (the image
// control's) takes a picture, so the control reports a change.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/Grid.h"
#include "vg2d/controls/Header.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TreeView.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/WideStrings.h"

namespace handlers_that_free_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

// Events a control raises in answer to keys, clicks, the wheel and focus moves. The
// hover, drag-and-drop and style events are not driven here.
bool Driven(const std::string& Event) {
  static const std::set<std::string> notDriven = {"OnMouseEnter", "OnMouseLeave", "OnDragEnter",    "OnDragLeave",
                                                  "OnDragEnd",    "OnDragDrop",   "OnApplyResource"};
  return notDriven.count(Event) == 0;
}

// The published notify events of a class, by name.
std::vector<const rtl::TPropInfo*> NotifyEvents(rtl::TClass Class) {
  std::vector<const rtl::TPropInfo*> events;
  for (const rtl::TPropInfo* p : rtl::GetPropList(Class, false))
    if (p->Kind() == rtl::tkMethod && p->PropType->MethodSignature &&
        *p->PropType->MethodSignature == typeid(void(rtl::TObject*)) && p->SetMethod && Driven(p->Name))
      events.push_back(p);
  return events;
}

// Something to act on: items, texts, tabs, columns.
void GiveContent(TvxControl* C) {
  const rtl::TPropInfo* items = rtl::GetPropInfo(C, "Items");
  if (items && items->Kind() == rtl::tkClass)
    if (auto* strings = dynamic_cast<TvxWideStrings*>(rtl::GetObjectProp(C, items))) {
      for (const char16_t* s : {u"alpha", u"beta", u"gamma"}) strings->Add(s);
      return;
    }
  if (auto* expander = dynamic_cast<TvxExpander*>(C)) expander->SetShowCheck(true);
  if (auto* list = dynamic_cast<TvxListBox*>(C)) {
    list->SetShowCheckboxes(true);
    for (const char16_t* s : {u"alpha", u"beta", u"gamma"}) {
      auto* item = new TvxListBoxItem(nullptr);
      item->SetText(s);
      list->AddObject(item);
    }
  } else if (auto* tabs = dynamic_cast<TvxTabControl*>(C)) {
    for (const char16_t* s : {u"One", u"Two"}) {
      auto* tab = new TvxTabItem(nullptr);
      tab->SetText(s);
      tabs->AddObject(tab);
    }
  } else if (auto* tree = dynamic_cast<TvxTreeView*>(C)) {
    for (const char16_t* s : {u"one", u"two"}) {
      auto* item = new TvxTreeViewItem(nullptr);
      item->SetText(s);
      tree->AddObject(item);
    }
  } else if (auto* header = dynamic_cast<TvxHeader*>(C)) {
    for (const char16_t* s : {u"one", u"two"}) {
      auto* item = new TvxHeaderItem(nullptr);
      item->SetText(s);
      header->AddObject(item);
    }
  } else if (auto* grid = dynamic_cast<TvxCustomGrid*>(C)) {
    grid->SetRowCount(3);
    grid->AddObject(new TvxStringColumn(nullptr));
    grid->AddObject(new TvxColumn(nullptr));
  }
}

// One run: the control, with Event bound to a handler that deletes it, driven until the
// handler has run. Returns whether it ran.
bool DriveUntilFreed(rtl::TClass Class, const rtl::TPropInfo* Event, rtl::TTestClock& Clock) {
  ControlScene s(320, 240);
  auto* made = dynamic_cast<TvxControl*>(Class->Create(nullptr).release());
  if (!made) return false;
  TvxControl* c = s.Add(made, 20, 20);
  auto* elsewhere = s.Add(new TvxTextBox(nullptr), 20, 200);
  GiveContent(c);
  s.PaintAll();
  Clock.Advance(300);

  TvxFreeWatch watch(c);
  bool ran = false;
  rtl::TNotifyEvent freeing([&ran, c](rtl::TObject*) {
    if (ran) return;
    ran = true;
    delete c;
  });
  rtl::SetMethodProp(c, Event, freeing.ToMethod());

  const float w = std::max(c->Width(), 4.0f), h = std::max(c->Height(), 4.0f);
  const auto at = [&](float Fx, float Fy) { return TvxPoint{20 + w * Fx, 20 + h * Fy}; };
  std::vector<std::function<void()>> steps;
  // The control, or the first part of it that takes the focus (the editor of a compound).
  steps.push_back([&] {
    if (c->CanFocused()) return c->SetFocus();
    std::vector<TvxVisualObject*> order;
    c->GetTabOrderList(order, true);
    for (TvxVisualObject* v : order)
      if (v->CanFocused()) return v->SetFocus();
  });
  for (uint16_t k :
       {win::VK_DOWN, win::VK_UP, win::VK_RIGHT, win::VK_LEFT, win::VK_END, win::VK_HOME, win::VK_NEXT, win::VK_PRIOR,
        win::VK_F2, win::VK_RETURN, win::VK_BACK, win::VK_DELETE, win::VK_ESCAPE, uint16_t(32)})
    steps.push_back([&s, k] {
      uint16_t key = k;
      char16_t ch = k == 32 ? u' ' : 0;
      s.scene.KeyDown(key, ch, {});
    });
  for (char16_t typed : {u'a', u'1', u'-', u' '})
    steps.push_back([&s, typed] {
      uint16_t key = 0;
      char16_t ch = typed;
      s.scene.KeyDown(key, ch, {});
    });
  for (TvxPoint p : {at(0.5f, 0.5f), at(0.1f, 0.5f), at(0.9f, 0.5f), at(0.5f, 0.15f), at(0.5f, 0.85f), at(0.95f, 0.95f),
                     at(0.05f, 0.05f), at(0.97f, 0.5f), at(0.96f, 0.04f), at(0.04f, 0.96f), at(0.05f, 0.5f)})
    steps.push_back([&s, &Clock, p] {
      s.scene.MouseMove({}, p.X, p.Y);
      s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, p.X, p.Y);
      s.scene.MouseUp(rtl::mbLeft, {}, p.X, p.Y);
      Clock.Advance(40);
    });
  steps.push_back([&] {
    const TvxPoint p = at(0.5f, 0.5f);
    s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft, rtl::ssDouble}, p.X, p.Y);
    s.scene.MouseUp(rtl::mbLeft, {}, p.X, p.Y);
  });
  steps.push_back([&] {
    const TvxPoint p = at(0.3f, 0.5f);
    s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, p.X, p.Y);
    for (TvxPoint d : {TvxPoint{3, 0}, TvxPoint{9, 0}, TvxPoint{9, -6}, TvxPoint{15, -12}, TvxPoint{15, 8}})
      s.scene.MouseMove({rtl::ssLeft}, p.X + d.X, p.Y + d.Y);
    s.scene.MouseUp(rtl::mbLeft, {}, p.X + 15, p.Y + 8);
  });
  steps.push_back([&] {
    s.scene.MouseMove({}, at(0.5f, 0.5f).X, at(0.5f, 0.5f).Y);
    s.scene.MouseWheel({}, -120);
    s.scene.MouseWheel({}, 120);
  });
  steps.push_back([&] { elsewhere->SetFocus(); });
  steps.push_back([&] { Clock.Advance(1000); });
  for (auto& step : steps) {
    if (watch.Gone()) break;
    // A text that is no number raises from Enter, as the loop would report it.
    try {
      step();
    } catch (const rtl::Exception&) {}
  }
  // The run leaves nothing behind: a popup the control opened closes with the scene.
  rtl::Application->ProcessMessages();
  return ran;
}

class HandlersThatFree : public vgtest::ControlsTest {
protected:
  // A colour button's dialog picks green and closes with OK, so the button reports it.
  void SetUp() override {
    ControlsTest::SetUp();
    // A number box left with a text that is no number reports it; here that is expected.
    rtl::Application->OnException = [](rtl::TObject*, const std::exception&) {};
    TvxBrushDialog::OnAnyShow = [](TvxBrushDesign& D) {
      D.SolidHex()->SetText(u"#FF00FF00");
      uint16_t enter = win::VK_RETURN;
      char16_t none = 0;
      D.SolidHex()->KeyDown(enter, none, {});
      D.OkButton()->Click();
    };
    TvxBitmap red(8, 8);
    red.Clear(0xFFFF0000);
    ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile(picture, red, ""));
    TvxFileDialog::OnAnyShow = [this](TvxFileDialogForm& D) {
      D.NameBox()->SetText(rtl::Utf8ToWide(picture));
      D.OkButton()->Click();
    };
  }
  void TearDown() override {
    TvxFileDialog::OnAnyShow = nullptr;
    std::filesystem::remove(picture);
    TvxBrushDialog::OnAnyShow = nullptr;
    rtl::Application->OnException = {};
    ControlsTest::TearDown();
  }
  const std::string picture =
      (std::filesystem::temp_directory_path() / ("handlers_free_" + std::to_string(getpid()) + ".png")).string();
};

}  // namespace

TEST_F(HandlersThatFree, NoControlTouchesItselfAfterAHandlerFreedIt) {
  std::set<std::string> classes;
  std::set<std::string> fired;
  // The listed classes, and the controls streams know without listing them.
  std::vector<rtl::TClass> all;
  for (const TObjectClassEntry& e : *ObjectClassList) all.push_back(e.Class);
  for (const char* name : {"TvxSelectionItem", "TvxComboListBox", "TvxWindow", "TvxExpanderButton"})
    all.push_back(rtl::GetClass(name));
  for (rtl::TClass cls : all) {
    ASSERT_NE(cls, nullptr);
    if (!cls->InheritsFrom(rtl::ClassOf<TvxControl>()) || !cls->Factory || !classes.insert(cls->Name).second) continue;
    for (const rtl::TPropInfo* event : NotifyEvents(cls)) {
      SCOPED_TRACE(cls->Name + "." + event->Name);
      if (DriveUntilFreed(cls, event, clock)) fired.insert(cls->Name + "." + event->Name);
    }
  }
  // The drive reaches the change events of the editors and value controls; a handler that
  // saves on them may close the window they live in.
  for (const char* expected :
       {"TvxMemo.OnChangeTracking", "TvxMemo.OnChange", "TvxTextBox.OnChangeTracking", "TvxTextBox.OnTyping",
        "TvxTextBox.OnChange", "TvxNumberBox.OnChange", "TvxSpinBox.OnChange", "TvxComboTextBox.OnChangeTracking",
        "TvxListBox.OnChange", "TvxCheckBox.OnChange", "TvxTrackBar.OnChange", "TvxButton.OnClick",
        "TvxTabControl.OnChange", "TvxAngleButton.OnChange", "TvxImageControl.OnClick", "TvxImageControl.OnChange"})
    EXPECT_EQ(fired.count(expected), 1u) << expected << " was never raised";
}

TEST_F(HandlersThatFree, AMemoFreedWhileTypingEnteringOrDeleting) {
  const std::vector<std::function<void(ControlScene&)>> edits = {[](ControlScene& S) {
                                                                   uint16_t key = 0;
                                                                   char16_t ch = u'x';
                                                                   S.scene.KeyDown(key, ch, {});
                                                                 },
                                                                 [](ControlScene& S) {
                                                                   uint16_t key = win::VK_RETURN;
                                                                   char16_t ch = 0;
                                                                   S.scene.KeyDown(key, ch, {});
                                                                 },
                                                                 [](ControlScene& S) {
                                                                   uint16_t key = win::VK_BACK;
                                                                   char16_t ch = 0;
                                                                   S.scene.KeyDown(key, ch, {});
                                                                 },
                                                                 [](ControlScene& S) {
                                                                   uint16_t key = win::VK_HOME;
                                                                   char16_t ch = 0;
                                                                   S.scene.KeyDown(key, ch, {});
                                                                   key = win::VK_DELETE;
                                                                   S.scene.KeyDown(key, ch, {});
                                                                 }};
  for (size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE("edit " + std::to_string(i));
    ControlScene s;
    auto* memo = s.Add(new TvxMemo(nullptr), 10, 10);
    memo->SetText(u"one\r\ntwo");
    memo->SetFocus();
    int calls = 0;
    memo->OnChangeTracking = [&calls, memo](rtl::TObject* Sender) {
      ++calls;
      EXPECT_EQ(Sender, memo);
      delete memo;
    };
    TvxFreeWatch watch(memo);
    edits[i](s);
    EXPECT_TRUE(watch.Gone());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s.scene.focused, nullptr);
  }
}

TEST_F(HandlersThatFree, AGridFreedWhenItsCellHandsTheFocusBack) {
  // Enter, Escape and the arrows end a cell's edit by focusing the grid; its OnEnterFocus,
  // or the write-back of the edit, may close the window and free the grid with its cells.
  const uint16_t endings[] = {win::VK_RETURN, win::VK_ESCAPE, win::VK_DOWN, win::VK_UP};
  for (bool onWrite : {false, true})
    for (uint16_t ending : endings) {
      SCOPED_TRACE(std::to_string(ending) + (onWrite ? " freed on write" : " freed on focus"));
      ControlScene s(400, 300);
      auto* grid = s.Add(new TvxGrid(nullptr), 10, 10);
      grid->SetBounds(10, 10, 300, 200);
      grid->SetRowCount(5);
      grid->AddObject(new TvxColumn(nullptr));
      grid->OnGetValue = [](rtl::TObject*, int, int, rtl::TPropValue& Value) { Value = std::u16string(u"7"); };
      grid->Realign();
      grid->SetFocus();
      grid->SetSelected(1);
      uint16_t key = win::VK_F2;
      char16_t ch = 0;
      s.scene.KeyDown(key, ch, {});
      key = 0;
      ch = u'9';
      s.scene.KeyDown(key, ch, {});
      TvxFreeWatch watch(grid);
      int freed = 0;
      const auto free = [&freed, grid] {
        if (freed++ == 0) delete grid;
      };
      if (onWrite)
        grid->OnSetValue = [free](rtl::TObject*, int, int, const rtl::TPropValue&) { free(); };
      else
        grid->OnEnterFocus = [free](rtl::TObject*) { free(); };
      key = ending;
      ch = 0;
      s.scene.KeyDown(key, ch, {});
      // Escape writes nothing back: freed only by the focus then.
      if (onWrite && ending == win::VK_ESCAPE) {
        EXPECT_FALSE(watch.Gone());
        continue;
      }
      EXPECT_TRUE(watch.Gone());
      EXPECT_EQ(freed, 1);
      EXPECT_EQ(s.scene.focused, nullptr);
    }
}

}  // namespace handlers_that_free_test
