// The contract every host of a 2D tree keeps, in its design menu driven by caption: inserting,
// the grid options, copy and paste, loading, style copies, the tab order and hiding.
#include <gtest/gtest.h>

#include "HostContract.h"
#include "platform/rtl/CodePage.h"
#include "tests/TestOutput.h"
#include "vg2d/controls/ComboBoxes.h"

namespace host_contract_menu_test {

using namespace hostcontract;

TYPED_TEST_SUITE(HostContract, HostKinds);

// ---- design editing: the menu -----------------------------------------------------------------------

TYPED_TEST(HostContract, AListBoxOffersItsItemsFirstAndARightPressShowsTheMenu) {
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* list = this->template Add<TvxListBox>(root, 10, 10, 120, 200);
  this->H()->SetSelected(list);
  std::vector<TvxDesignMenuItem> menu = this->Designer().BuildMenu();
  ASSERT_FALSE(menu.empty());
  EXPECT_EQ(menu[0].Caption, u"Add ListBoxItem");
  ASSERT_TRUE(this->Designer().Choose({u"Add ListBoxItem"}));
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(this->H()->GetSelected(), list->ItemByIndex(0));

  // The real menu, at the press: the same captions, top level first.
  this->H()->SetSelected(list);
  this->kind.Down(rtl::mbRight, {}, 50, 60);
  this->kind.Up(rtl::mbRight, 50, 60);
  win::TPopupMenu* shown = this->Designer().Menu();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->IsOpen());
  std::vector<std::u16string> captions;
  for (int i = 0; i < shown->Count(); ++i) captions.push_back(shown->Items(i)->Caption());
  EXPECT_EQ(captions,
            (std::vector<std::u16string>{u"Add ListBoxItem", u"Add object", u"Delete object", u"Load From File...",
                                         u"Hide in Design-time", u"Edit Default Style...", u"Edit Custom Style...",
                                         u"Tab Order...", u"Order", u"Edit", u"Grid"}));
  EXPECT_FLOAT_EQ(this->Designer().InsertPos().X, 50);
  // A submenu's items are those of its entry; they open beside its row while the menu
  // stays open, and choosing one closes both.
  win::TMenuItem* grid = shown->Find(u"Grid");
  ASSERT_EQ(grid->Count(), 4);
  EXPECT_EQ(grid->Items(2)->Caption(), u"Snap to lines");
  EXPECT_TRUE(grid->Items(2)->Checked());
  win::TPopupMenuWindow* w = shown->Window();
  w->OpenSubmenu(shown->Count() - 1);
  ASSERT_NE(w->Submenu(), nullptr);
  EXPECT_TRUE(w->Submenu()->Showing());
  EXPECT_EQ(w->Submenu()->Item(1), grid->Items(1));
  EXPECT_TRUE(shown->IsOpen());
  EXPECT_EQ(this->Designer().Menu(), shown);
  shown->ItemChosen(grid->Items(1));
  EXPECT_TRUE(this->Designer().SnapToGrid());
  EXPECT_FALSE(shown->IsOpen());
}

TYPED_TEST(HostContract, InsertedObjectsLandAtTheMenusPointUnderTheSelection) {
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* panel = this->template Add<TvxPanel>(root, 100, 50, 200, 200);
  this->H()->SetSelected(panel);
  this->kind.Down(rtl::mbRight, {}, 160, 90);
  this->kind.Up(rtl::mbRight, 160, 90);
  ASSERT_TRUE(this->Designer().Choose({u"Add object", u"Buttons", u"Button"}));
  auto* button = dynamic_cast<TvxButton*>(this->H()->GetSelected());
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->Parent(), panel);
  EXPECT_EQ(button->Text(), u"Button") << "its text is its kind";
  const TvxPoint at = button->LocalToAbsolute(MakePoint(0, 0));
  EXPECT_FLOAT_EQ(at.X, 160);
  EXPECT_FLOAT_EQ(at.Y, 90);
  EXPECT_LT(this->Designer().InsertPos().X, 0) << "used once";

  // A class outside the 2D objects is kept; a name of no class is kept by the scene and
  // forgets what was pending in the layer.
  this->H()->InsertObject("TdxGUIObjectLayer");
  EXPECT_EQ(this->Designer().PendingInsertText(), "TdxGUIObjectLayer");
  this->H()->InsertObject("TvxNoSuchThing");
  EXPECT_EQ(this->Designer().PendingInsertText(), (std::is_same_v<TypeParam, SceneKind> ? "TvxNoSuchThing" : ""));
  // A root but no selection: nothing.
  this->Designer().Select(nullptr);
  const int before = root->GetChildrenCount();
  this->H()->InsertObject("TvxButton");
  EXPECT_EQ(root->GetChildrenCount(), before);
  EXPECT_EQ(this->H()->RootCount(), 1);
}

// The scene gives an object inserted under the selection to the selection's owner and puts
// every kind at the menu's point; the layer gives it to its own owner and leaves an item where
// its parent starts. A list lays its items out whatever point they were given.
TYPED_TEST(HostContract, AnInsertedObjectsOwnerAndPlaceFollowTheHostsKind) {
  constexpr bool scene = std::is_same_v<TypeParam, SceneKind>;
  this->Design();
  TvxVisualObject* root = this->Root();
  auto holder = std::make_unique<rtl::TComponent>(nullptr);
  auto* panel = new TvxPanel(holder.get());
  root->AddObject(panel);
  panel->SetBounds(100, 50, 200, 200);
  this->H()->SetSelected(panel);
  this->kind.Down(rtl::mbRight, {}, 160, 90);
  this->kind.Up(rtl::mbRight, 160, 90);
  this->H()->InsertObject("TvxListBoxItem");
  auto* item = dynamic_cast<TvxListBoxItem*>(this->H()->GetSelected());
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Parent(), panel);
  EXPECT_EQ(item->Owner(), scene ? holder.get() : this->kind.Owner());
  const TvxPoint at = item->LocalToAbsolute(MakePoint(0, 0));
  if constexpr (scene) {
    EXPECT_FLOAT_EQ(at.X, 160);
    EXPECT_FLOAT_EQ(at.Y, 90);
  } else {
    // Where a new item starts.
    const auto fresh = std::make_unique<TvxListBoxItem>(nullptr);
    EXPECT_FLOAT_EQ(item->Position()->X(), fresh->Position()->X());
    EXPECT_FLOAT_EQ(item->Position()->Y(), fresh->Position()->Y());
  }

  // In a list the item goes where the list lays its first item out.
  auto* list = this->template Add<TvxListBox>(root, 10, 10, 80, 200);
  this->kind.Settle();
  this->H()->SetSelected(list);
  this->kind.Down(rtl::mbRight, {}, 50, 150);
  this->kind.Up(rtl::mbRight, 50, 150);
  this->H()->InsertObject("TvxListBoxItem");
  ASSERT_EQ(list->Count(), 1);
  TvxVisualObject* first = list->ItemByIndex(0);
  EXPECT_EQ(first->Owner(), this->kind.Owner());
  EXPECT_LT(first->LocalToAbsolute(MakePoint(0, 0)).Y, 20) << "at the list's top, not at the menu's point";
  if (auto* m = this->Designer().Menu()) m->CloseMenu();
  this->Designer().Select(nullptr);
  panel->Free();
}

TYPED_TEST(HostContract, GridEntriesSetTheSnapOptionsAsTheirCaptionsSay) {
  this->Design();
  Editor& d = this->Designer();
  EXPECT_TRUE(d.SnapToLines());
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap to grid"}));
  EXPECT_TRUE(d.SnapToGrid());
  EXPECT_FALSE(d.SnapToLines());
  ASSERT_TRUE(d.Choose({u"Grid", u"Show snap grid"}));
  EXPECT_TRUE(d.SnapGridShow());
  EXPECT_TRUE(d.SnapToGrid()) << "showing the grid changes no snapping";
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap to lines"}));
  EXPECT_TRUE(d.SnapToLines());
  EXPECT_FALSE(d.SnapToGrid());
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap disabled"}));
  EXPECT_FALSE(d.SnapToLines());
  EXPECT_FALSE(d.SnapToGrid());
  EXPECT_TRUE(d.SnapGridShow());
  EXPECT_FALSE(d.Choose({u"Grid", u"No such entry"}));

  // "Add object": a submenu per category; the layer lists each one's classes by name.
  std::vector<TvxDesignMenuItem> menu = d.BuildMenu();
  const auto add = std::find_if(menu.begin(), menu.end(), [](auto& I) { return I.Caption == u"Add object"; });
  ASSERT_NE(add, menu.end());
  const auto buttons =
      std::find_if(add->Items.begin(), add->Items.end(), [](auto& I) { return I.Caption == u"Buttons"; });
  ASSERT_NE(buttons, add->Items.end());
  std::vector<std::u16string> names;
  for (const TvxDesignMenuItem& i : buttons->Items) names.push_back(i.Caption);
  EXPECT_NE(std::find(names.begin(), names.end(), u"Button"), names.end());
  if constexpr (std::is_same_v<TypeParam, LayerKind>) {
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  }
}

TYPED_TEST(HostContract, CopiesPasteFromOneBufferIntoEveryHost) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* panel = this->Add(root, 10, 10, 200, 200);
  auto* label = this->template Add<TvxLabel>(panel, 5, 5, 80, 20);
  label->SetText(u"Pressure");
  this->H()->SetSelected(panel);
  ASSERT_TRUE(this->Designer().Choose({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(panel->GetChildrenCount(), 1) << "an empty buffer pastes nothing";
  this->H()->SetSelected(label);
  ASSERT_TRUE(this->Designer().Choose({u"Edit", u"Copy to clipboard"}));
  this->H()->SetSelected(panel);
  ASSERT_TRUE(this->Designer().Choose({u"Edit", u"Paste from clipboard"}));
  ASSERT_TRUE(this->Designer().Choose({u"Edit", u"Paste from clipboard"}));
  ASSERT_EQ(panel->GetChildrenCount(), 3);
  auto* copy = dynamic_cast<TvxLabel*>(panel->GetChild(2));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Text(), u"Pressure");

  // Into another host of the same kind: under its root, or as the root of an empty tree.
  this->other.Make(200, 200);
  this->other.Host()->SetDesignTime(true);
  ASSERT_TRUE(this->other.Host()->Designer().Choose({u"Edit", u"Paste from clipboard"}));
  ASSERT_EQ(this->other.Host()->RootCount(), 1);
  EXPECT_TRUE(dynamic_cast<TvxLabel*>(this->other.Host()->GetRoot()));
  ASSERT_TRUE(this->other.Host()->Designer().Choose({u"Edit", u"Paste from clipboard"}));
  int labels = 0;
  for (TvxObject* c : this->other.Host()->GetRoot()->Children()) labels += dynamic_cast<TvxLabel*>(c) != nullptr;
  EXPECT_EQ(labels, 1) << "under the root";
}

// A stream holds a reference in 255 characters: a popup menu of 250 under a named owner cannot
// be written. Copy then leaves the buffer as it was, says why, and the design view goes on.
TYPED_TEST(HostContract, ACopyTheStreamCannotHoldKeepsTheBufferAndSaysWhy) {
  std::vector<std::u16string> messages;
  const TvxDesignMessageProc saved = DesignMessageDialog;
  DesignMessageDialog = [&](const std::u16string& Text) { messages.push_back(Text); };
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* label = this->template Add<TvxLabel>(root, 5, 5, 80, 20);
  rtl::TComponent holder(nullptr);
  holder.SetName("Holder");
  auto* menu = new rtl::TComponent(&holder);
  menu->SetName("M" + std::string(249, 'u'));
  label->SetPopupMenu(menu);
  DesignClipboard() = "kept";
  this->H()->SetSelected(label);
  ASSERT_NO_THROW(this->Designer().Choose({u"Edit", u"Copy to clipboard"}));
  EXPECT_EQ(DesignClipboard(), "kept");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind(u"Error copy object to clipboard: ", 0), 0u) << rtl::WideToUtf8(messages[0]);
  EXPECT_GT(messages[0].size(), std::u16string(u"Error copy object to clipboard: ").size()) << "with the reason";
  menu->SetName("Menu");
  ASSERT_TRUE(this->Designer().Choose({u"Edit", u"Copy to clipboard"}));
  EXPECT_NE(DesignClipboard().find("PopupMenu = Holder.Menu"), std::string::npos) << DesignClipboard();
  EXPECT_EQ(messages.size(), 1u) << "a copy that works says nothing";
  label->SetPopupMenu(nullptr);
  DesignMessageDialog = saved;
}

TYPED_TEST(HostContract, LoadFromFileReadsATreeUnderTheSelection) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* panel = this->Add(root, 10, 10, 200, 200);
  const std::string file = (std::filesystem::temp_directory_path() / "host_contract_load.scene2d").string();
  {
    std::ofstream out(file);
    out << "object TvxButton\r\n  Width = 90.0\r\n  Text = 'Apply'\r\nend\r\n";
  }
  const TvxDesignOpenFileProc saved = DesignOpenFileDialog;
  std::string filter;
  DesignOpenFileDialog = [&](const std::string& Filter, std::string& FileName) {
    filter = Filter;
    FileName = file;
    return true;
  };
  this->H()->SetSelected(panel);
  const bool chosen = this->Designer().Choose({u"Load From File..."});
  DesignOpenFileDialog = saved;
  std::filesystem::remove(file);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(filter.rfind("Vector Scene Files|*.scene2d", 0), 0u);
  ASSERT_EQ(panel->GetChildrenCount(), 1);
  auto* button = dynamic_cast<TvxButton*>(panel->GetChild(0));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->Text(), u"Apply");
  EXPECT_FLOAT_EQ(button->Width(), 90);
}

// A file or a copy that cannot be read says what could not be read and where; of a tree that
// reads in part, what could be read is added and the rest named.
TYPED_TEST(HostContract, ALoadOrPasteThatCannotBeReadSaysWhatAndWhere) {
  std::vector<std::string> messages;
  const TvxDesignMessageProc savedMessage = DesignMessageDialog;
  DesignMessageDialog = [&](const std::u16string& Text) { messages.push_back(rtl::WideToUtf8(Text)); };
  const std::string file = testout::Path("host_contract_unreadable.scene2d");
  const TvxDesignOpenFileProc savedOpen = DesignOpenFileDialog;
  DesignOpenFileDialog = [&](const std::string&, std::string& FileName) {
    FileName = file;
    return true;
  };
  this->Design();
  Box* panel = this->Add(this->Root(), 10, 10, 200, 200);
  this->H()->SetSelected(panel);
  const auto load = [&](const std::string& Text) {
    std::ofstream(file, std::ios::binary) << Text;
    messages.clear();
    return this->Designer().Choose({u"Load From File..."});
  };
  const auto said = [&](const std::string& Part) {
    return messages.size() == 1 && messages[0].find(Part) != std::string::npos;
  };
  // A colour without quotes: no component text.
  ASSERT_TRUE(load("object TvxRectangle\r\n  Fill.Color = #FFFF0000\r\nend\r\n"));
  EXPECT_EQ(panel->GetChildrenCount(), 0);
  EXPECT_TRUE(said(file + " cannot be read:\nLine 2")) << testing::PrintToString(messages);
  // A property its class does not have: the button comes without it.
  ASSERT_TRUE(load("object TvxButton\r\n  Text = 'Apply'\r\n  Colour = 3\r\nend\r\n"));
  ASSERT_EQ(panel->GetChildrenCount(), 1);
  EXPECT_TRUE(said("Line 3, TvxButton, property Colour")) << testing::PrintToString(messages);
  std::filesystem::remove(file);
  messages.clear();
  ASSERT_TRUE(this->Designer().Choose({u"Load From File..."}));
  EXPECT_TRUE(said(file + " cannot be read")) << testing::PrintToString(messages);
  // Paste goes the same way.
  DesignClipboard() = "object TvxNoSuchClass\r\nend\r\n";
  messages.clear();
  ASSERT_TRUE(this->Designer().Choose({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(panel->GetChildrenCount(), 1);
  EXPECT_TRUE(said("TvxNoSuchClass: not a registered class")) << testing::PrintToString(messages);
  DesignClipboard().clear();
  std::filesystem::remove(file);
  DesignOpenFileDialog = savedOpen;
  DesignMessageDialog = savedMessage;
}

// The scene names the part in lower case, as the built-in style does; the layer as the class.
TYPED_TEST(HostContract, EditDefaultStyleCopiesTheButtonsStyleOnceIntoTheHostsResources) {
  constexpr bool scene = std::is_same_v<TypeParam, SceneKind>;
  const std::string name = scene ? "buttonstyle" : "ButtonStyle";
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* button = this->template Add<TvxButton>(root, 10, 10, 80, 24);
  this->H()->SetSelected(button);
  ASSERT_TRUE(this->Designer().Choose({u"Edit Default Style..."}));
  ASSERT_TRUE(this->Designer().Choose({u"Edit Default Style..."}));
  TvxResources* res = this->H()->GetStyle();
  ASSERT_NE(res, nullptr);
  ASSERT_NE(res->Root(), nullptr);
  EXPECT_EQ(res->Root()->ClassName(), "TvxBackground");
  int copies = 0;
  for (TvxObject* c : res->Root()->Children()) copies += c->ResourceName() == name;
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(res->Root()->GetChildrenCount(), 1);
  EXPECT_EQ(DesignStyleName(button, scene), name);
  // The button now takes its look from the host's copy.
  ASSERT_NE(button->Style(), nullptr);

  // A custom style is named after the control and becomes its Resource.
  button->SetName("Apply");
  ASSERT_TRUE(this->Designer().Choose({u"Edit Custom Style..."}));
  EXPECT_EQ(button->Resource(), "Apply");
  EXPECT_NE(res->Root()->FindResource("Apply"), nullptr);

  // Style resources that hold nothing yet (a new component's) take the copies too.
  auto* empty = new TvxResources(this->kind.Owner());
  this->H()->SetStyle(empty);
  button->SetResource("");
  ASSERT_TRUE(this->Designer().Choose({u"Edit Default Style..."}));
  ASSERT_NE(empty->Root(), nullptr);
  EXPECT_NE(empty->Root()->FindResource(name), nullptr);
}

TYPED_TEST(HostContract, EditingAStyleCopiesTheStylesOfTheControlsInsideTheSelectionInAScene) {
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* panel = this->template Add<TvxPanel>(root, 10, 10, 300, 200);
  auto* button = this->template Add<TvxButton>(panel, 10, 10, 80, 24);
  auto* inner = this->template Add<TvxPanel>(panel, 10, 50, 200, 100);
  auto* check = this->template Add<TvxCheckBox>(inner, 10, 10, 120, 20);
  auto* hud = this->template Add<TvxButton>(inner, 10, 40, 80, 24);
  hud->SetResource("hudbuttonstyle");
  this->H()->SetSelected(panel);
  ASSERT_TRUE(this->Designer().Choose({u"Edit Default Style..."}));
  ASSERT_TRUE(this->Designer().Choose({u"Edit Default Style..."}));
  TvxResources* res = this->H()->GetStyle();
  ASSERT_NE(res, nullptr);
  auto count = [res](const std::string& Name) {
    int n = 0;
    for (TvxObject* c : res->Root()->Children()) n += c->ResourceName() == Name;
    return n;
  };
  constexpr bool scene = std::is_same_v<TypeParam, SceneKind>;
  EXPECT_EQ(count(scene ? "panelstyle" : "PanelStyle"), 1) << "the inner panel shares the selection's part";
  const int expected = scene ? 1 : 0;
  EXPECT_EQ(count("buttonstyle"), expected);
  EXPECT_EQ(count("checkboxstyle"), expected);
  EXPECT_EQ(count("hudbuttonstyle"), expected) << "a control's own Resource names its part";
  // The controls still find their looks, now in the host's copies.
  for (TvxControl* c : std::vector<TvxControl*>{panel, button, inner, check, hud}) {
    SCOPED_TRACE(c->ClassName());
    EXPECT_NE(c->Style(), nullptr);
  }

  // A custom style names the selection's part after it; the controls inside keep theirs.
  panel->SetName("Gauge");
  this->H()->SetSelected(panel);
  ASSERT_TRUE(this->Designer().Choose({u"Edit Custom Style..."}));
  EXPECT_EQ(panel->Resource(), "Gauge");
  EXPECT_EQ(count("Gauge"), 1);
  EXPECT_EQ(button->Resource(), "");
  EXPECT_EQ(count("buttonstyle"), expected);
}

// The scene in a form, saved and read back as a designer's form is.
class DesignedSceneForm : public HostContract<SceneKind> {};

// The style resources the editor makes are named, so the form's text links the scene to them
// and a form read back looks as the one saved.
TEST_F(DesignedSceneForm, AStyleTheEditorMadeIsSavedWithTheFormAndLinkedAgainWhenRead) {
  Design();
  auto* root = new TvxLayout(kind.form.get());
  H()->AddObject(root);
  auto* button = Add<TvxButton>(root, 10, 10, 80, 24);
  // The first name of its kind that is free among the form's components.
  (new TvxResources(kind.form.get()))->SetName("Style1");
  H()->SetSelected(button);
  ASSERT_TRUE(Designer().Choose({u"Edit Default Style..."}));
  TvxResources* res = H()->GetStyle();
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(res->Name(), "Style2");
  for (TvxObject* part : res->Root()->Children())
    if (auto* v = dynamic_cast<TvxVisualObject*>(part)) v->SetOpacity(0.4f);
  H()->UpdateStyle();
  ASSERT_NE(button->Style(), nullptr);
  EXPECT_FLOAT_EQ(button->Style()->Opacity(), 0.4f);

  rtl::TMemoryStream saved;
  {
    rtl::TWriter w(&saved);
    w.WriteRootComponent(kind.form.get());
  }
  rtl::TStringStream bin(std::string(static_cast<const char*>(saved.Memory()), static_cast<size_t>(saved.Size())));
  rtl::TStringStream text;
  rtl::ObjectBinaryToText(&bin, &text);
  EXPECT_NE(text.DataString().find("Style = Style2"), std::string::npos) << text.DataString();
  auto copy = std::make_unique<win::TForm>(nullptr);
  bin.SetPosition(0);
  rtl::TReader(&bin).ReadRootComponent(copy.get());
  copy->Show();
  kind.Settle();
  auto* scene = dynamic_cast<TvxScene*>(copy->Controls(0));
  ASSERT_NE(scene, nullptr);
  ASSERT_NE(scene->GetStyle(), nullptr);
  auto* read = dynamic_cast<TvxButton*>(scene->GetRoot()->GetChild(0));
  ASSERT_NE(read, nullptr);
  ASSERT_NE(read->Style(), nullptr);
  EXPECT_FLOAT_EQ(read->Style()->Opacity(), 0.4f);
}

TYPED_TEST(HostContract, TheTabOrderWindowListsTheSiblingControlsAndMovesTheChosenOne) {
  this->Design();
  TvxVisualObject* root = this->Root();
  std::vector<TvxButton*> buttons;
  for (int i = 0; i < 3; ++i) {
    buttons.push_back(this->template Add<TvxButton>(root, 10, 10 + 30.0f * i, 80, 24));
    buttons.back()->SetName("Button" + std::to_string(i + 1));
  }
  this->template Add<TvxVisualObject>(root, 200, 10, 20, 20);  // no control: not listed
  // A panel takes no focus, but it is a control: listed, and it can be moved.
  auto* panel = this->template Add<TvxPanel>(root, 10, 100, 150, 60);
  auto* inner = this->template Add<TvxButton>(panel, 10, 10, 60, 24);
  this->H()->SetSelected(buttons[0]);
  bool ran = false;
  looptest::Later([&] {
    auto* f = dynamic_cast<TvxTabOrderForm*>(win::ActiveForm());
    ASSERT_NE(f, nullptr);
    ran = true;
    f->SetModalResult(win::mrOk);  // closes once the checks are done, whatever they find
    EXPECT_EQ(f->Caption(), "TabOrder Editor");
    EXPECT_EQ(f->Width(), 400);
    EXPECT_EQ(f->Height(), 300);
    EXPECT_FLOAT_EQ(f->List()->ItemHeight(), 20);
    ASSERT_EQ(f->List()->Count(), 4);
    EXPECT_EQ(f->List()->ItemByIndex(1)->Text(), u"Button2");
    EXPECT_EQ(f->ControlAt(3), panel);
    EXPECT_EQ(f->List()->ItemByIndex(3)->Text(), u"TvxPanel") << "a control without a name shows its class";
    EXPECT_EQ(f->List()->ItemIndex(), 0);
    f->UpButton()->Click();  // the first stays first
    EXPECT_EQ(f->ControlAt(0), buttons[0]);
    f->DownButton()->Click();
    EXPECT_EQ(f->ControlAt(1), buttons[0]);
    EXPECT_EQ(f->List()->ItemByIndex(0)->Text(), u"Button2");
    EXPECT_EQ(f->List()->ItemIndex(), 1) << "the moved control is still the chosen one";
    f->List()->SetItemIndex(3);
    f->UpButton()->Click();
    EXPECT_EQ(f->ControlAt(2), panel);
    EXPECT_EQ(f->List()->ItemIndex(), 2);
  });
  ASSERT_TRUE(this->Designer().Choose({u"Tab Order..."}));
  EXPECT_TRUE(ran);
  EXPECT_GT(buttons[0]->GetTabOrder(), buttons[1]->GetTabOrder());
  EXPECT_LT(panel->GetTabOrder(), buttons[2]->GetTabOrder());
  // Inside the panel: its own controls, not the copy of its look it holds among its children.
  panel->ApplyResource();
  ASSERT_NE(panel->Style(), nullptr);
  this->H()->SetSelected(inner);
  ran = false;
  looptest::Later([&] {
    auto* f = dynamic_cast<TvxTabOrderForm*>(win::ActiveForm());
    ASSERT_NE(f, nullptr);
    ran = true;
    f->SetModalResult(win::mrOk);  // closes once the checks are done, whatever they find
    ASSERT_EQ(f->List()->Count(), 1);
    EXPECT_EQ(f->ControlAt(0), inner);
  });
  ASSERT_TRUE(this->Designer().Choose({u"Tab Order..."}));
  EXPECT_TRUE(ran);
}

TYPED_TEST(HostContract, HideInDesignTimePassesTheSelectionToItsParent) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* panel = this->Add(root, 10, 10, 200, 200);
  Box* box = this->Add(panel, 20, 20, 40, 40);
  this->H()->SetSelected(box);
  ASSERT_TRUE(this->Designer().Choose({u"Hide in Design-time"}));
  EXPECT_TRUE(box->DesignHide());
  EXPECT_EQ(this->H()->GetSelected(), panel);
  EXPECT_EQ(this->H()->ObjectAtPoint(MakePoint(40, 40)), panel) << "a hidden object is not hit";
  this->H()->SetSelected(box);
  std::vector<TvxDesignMenuItem> menu = this->Designer().BuildMenu();
  const auto hide = std::find_if(menu.begin(), menu.end(), [](auto& I) { return I.Caption == u"Hide in Design-time"; });
  ASSERT_NE(hide, menu.end());
  EXPECT_TRUE(hide->Checked);
  this->Add(panel, 100, 100, 40, 40);
  ASSERT_TRUE(this->Designer().Choose({u"Order", u"Bring to front"}));
  EXPECT_EQ(panel->GetChild(1), box);
  ASSERT_TRUE(this->Designer().Choose({u"Order", u"Send to back"}));
  EXPECT_EQ(panel->GetChild(0), box);
}

// A combo box's items lie in its drop-down list, which the designer keeps hidden until the
// combo's DesignClick toggles it and lays it out under the combo. Selecting one of its items
// runs that DesignClick; inserting one into it runs it for the new item's selection and again
// for the insert, so the list is as it was.
TYPED_TEST(HostContract, SelectingAComboBoxsItemAndInsertingIntoItRunTheCombosDesignClick) {
  struct Combo : TvxComboBox {
    using TvxComboBox::TvxComboBox;
    int clicks = 0;
    void DesignClick() override {
      ++clicks;
      TvxComboBox::DesignClick();
    }
  };
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* combo = this->template Add<Combo>(root, 20, 30, 120, 22);
  std::vector<TvxListBoxItem*> items;
  for (const char16_t* text : {u"One", u"Two", u"Three"}) {
    items.push_back(new TvxListBoxItem(this->kind.Owner()));
    items.back()->SetText(text);
    combo->AddObject(items.back());
  }
  ASSERT_EQ(combo->Count(), 3);
  TvxPopup* list = combo->Popup();
  EXPECT_TRUE(list->DesignHide());
  this->kind.Settle();

  this->H()->SetSelected(items[1]);
  EXPECT_EQ(this->H()->GetSelected(), items[1]);
  EXPECT_EQ(combo->clicks, 1);
  EXPECT_FALSE(list->DesignHide()) << "shown for its item";
  EXPECT_FLOAT_EQ(list->Position()->X(), 20);
  EXPECT_FLOAT_EQ(list->Position()->Y(), 52);
  EXPECT_FLOAT_EQ(list->Width(), 120);
  EXPECT_FLOAT_EQ(list->Height(), 8 * 18) << "eight rows of the combo's height less 4";
  // Each selection of an item toggles it, as the combo's double click does.
  this->H()->SetSelected(items[2]);
  EXPECT_EQ(combo->clicks, 2);
  EXPECT_TRUE(list->DesignHide());
  // "Add ListBoxItem" on the combo puts the item into its list and selects it.
  this->H()->SetSelected(combo);
  ASSERT_TRUE(this->Designer().Choose({u"Add ListBoxItem"}));
  ASSERT_EQ(combo->Count(), 4);
  EXPECT_EQ(this->H()->GetSelected(), combo->ListBox()->ItemByIndex(3));
  EXPECT_EQ(combo->clicks, 4) << "one for the selection, one for the insert";
  EXPECT_TRUE(list->DesignHide());
  this->Designer().Select(nullptr);
}

}  // namespace host_contract_menu_test
