// A designed 3D scene (DesignedScene.h) and its design menu driven by its captions:
// inserting, hiding, ordering, deleting, the clipboard, loading and the grid.
#include <gtest/gtest.h>

#include "DesignedScene.h"
#include "scene3d/SceneObjects.h"

namespace scene_design_menu_test {

using namespace dx;
using namespace scenedesign;

namespace {

// ---- the menu ---------------------------------------------------------------------------------------

TEST_F(DesignedScene, TheMenuListsItsEntriesInOrderAndOneSubmenuPerCategory) {
  EXPECT_EQ(TopCaptions(), (std::vector<std::u16string>{u"Add object", u"Order", u"Delete object", u"Edit",
                                                         u"Load From File...", u"Show grid"}));
  TdxVisualObject* root = AddRoot();
  scene->DesignSelect(root);
  EXPECT_EQ(TopCaptions(), (std::vector<std::u16string>{u"Add object", u"Hide in Design-time", u"Order",
                                                         u"Delete object", u"Edit", u"Load From File...",
                                                         u"Show grid"}));
  const std::vector<vg::TvxDesignMenuItem> menu = scene->BuildDesignMenu();
  std::vector<std::u16string> categories;
  for (const vg::TvxDesignMenuItem& c : menu[0].Items) categories.push_back(c.Caption);
  std::vector<std::u16string> expected;
  for (const TdxClassEntry& e : DxClassList())
    if (std::find(expected.begin(), expected.end(), rtl::Utf8ToWide(e.Category)) == expected.end())
      expected.push_back(rtl::Utf8ToWide(e.Category));
  EXPECT_EQ(categories, expected);
  const auto shapes = std::find_if(menu[0].Items.begin(), menu[0].Items.end(),
                                   [](const vg::TvxDesignMenuItem& I) { return I.Caption == u"Shapes"; });
  ASSERT_NE(shapes, menu[0].Items.end());
  const auto cube = std::find_if(shapes->Items.begin(), shapes->Items.end(),
                                 [](const vg::TvxDesignMenuItem& I) { return I.Caption == u"Cube"; });
  ASSERT_NE(cube, shapes->Items.end());
  EXPECT_EQ(cube->Tag, 255);
  EXPECT_EQ(menu[4].Items.size(), 2u);
  EXPECT_EQ(menu[4].Items[0].Caption, u"Copy to clipboard");
  EXPECT_EQ(menu[2].Items[1].Caption, u"Send to back");
  // Without any 3D class the menu is empty.
  FreeDxClassList();
  EXPECT_TRUE(scene->BuildDesignMenu().empty());
}

TEST_F(DesignedScene, AddObjectInsertsUnderTheSelectionAndNothingWithRootsButNoSelection) {
  TdxVisualObject* root = AddRoot();
  auto* parent = AddCube(root, {0, 0, 0, 1});
  scene->DesignSelect(parent);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"&Cube"}));
  ASSERT_EQ(parent->ChildrenCount(), 1);
  auto* made = dynamic_cast<TdxCube*>(parent->Children(0));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), "TdxCube");
  EXPECT_EQ(made->Owner(), form.get());
  EXPECT_EQ(scene->Selected(), made);
  EXPECT_EQ(scene->DesignMenuPoint(), (win::TPoint{-1, -1}));
  // A text object gets its class name as its text.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"3D", u"Text3D"}));
  auto* text = dynamic_cast<TdxText3D*>(made->Children(0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Text(), u"Text3D");
  // With roots and nothing selected nothing is added.
  std::uint16_t key = win::VK_DELETE;
  char16_t ch = 0;
  scene->KeyUp(key, ch, {});
  ASSERT_EQ(scene->Selected(), nullptr);
  const int roots = scene->GetCount();
  EXPECT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"Cube"}));
  EXPECT_EQ(scene->GetCount(), roots);
  EXPECT_EQ(made->ChildrenCount(), 0);
}

TEST_F(DesignedScene, AnEmptySceneTakesTheInsertedObjectAsItsRoot) {
  scene->InsertObject("TdxDummy");
  TdxVisualObject* root = scene->GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ClassName(), "TdxDummy");
  EXPECT_EQ(scene->Selected(), root);
}

TEST_F(DesignedScene, InsertKeepsOnlyNamesOfClassesOutsideTheObjectsAndMakesClassesOfAnyName) {
  TdxVisualObject* root = AddRoot();
  scene->DesignSelect(root);
  scene->InsertObject("TdxBitmap");
  EXPECT_EQ(scene->PendingInsertText(), "TdxBitmap");
  EXPECT_EQ(root->ChildrenCount(), 0);
  scene->InsertObject("TdxNoSuchThing");
  EXPECT_EQ(scene->PendingInsertText(), "");
  // A class whose name does not begin with the prefix is inserted as itself.
  RegisterDxClasses("Test", {Prism::StaticClass()});
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Test", u"Prism"}));
  rtl::UnRegisterClass(Prism::StaticClass());
  ASSERT_EQ(root->ChildrenCount(), 1);
  EXPECT_EQ(root->Children(0)->ClassName(), "Prism");
}

TEST_F(DesignedScene, AnObjectInScreenSpaceIsPlacedWhereTheMenuOpened) {
  AddRoot(dxProjectionScreen);
  Settle();
  // A right press on empty space opens the menu there and still selects the root.
  win::SimulateMouseButton(form.get(), rtl::mbRight, true, 120, 80);
  win::SimulateMouseButton(form.get(), rtl::mbRight, false, 120, 80);
  rtl::Application->ProcessMessages();
  ASSERT_NE(scene->DesignPopupMenu(), nullptr);
  EXPECT_TRUE(scene->DesignPopupMenu()->IsOpen());
  EXPECT_EQ(scene->DesignMenuPoint(), (win::TPoint{10 + 120, 20 + 80}));
  ASSERT_EQ(scene->Selected(), scene->GetRoot());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"Cube"}));
  auto* cube = dynamic_cast<TdxCube*>(scene->Selected());
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->Projection(), dxProjectionScreen);
  EXPECT_FLOAT_EQ(cube->Position()->X(), 120.5f);
  EXPECT_FLOAT_EQ(cube->Position()->Y(), 80.5f);
  EXPECT_EQ(scene->DesignMenuPoint(), (win::TPoint{-1, -1}));
  // Without a menu point it stays where it was made.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Add object", u"Shapes", u"Cube"}));
  EXPECT_FLOAT_EQ(scene->Selected()->Position()->X(), 0);
}

TEST_F(DesignedScene, HideFollowsTheSelectionEachTimeTheMenuOpens) {
  TdxVisualObject* root = AddRoot();
  auto* parent = AddCube(root, {0, 0, 0, 1});
  auto* child = AddCube(parent, {1, 0, 0, 1});
  auto hideChecked = [&] {
    for (const vg::TvxDesignMenuItem& i : scene->BuildDesignMenu())
      if (i.Caption == u"Hide in Design-time") return i.Checked;
    ADD_FAILURE() << "no Hide entry";
    return false;
  };
  scene->DesignSelect(child);
  EXPECT_FALSE(hideChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Hide in Design-time"}));
  EXPECT_TRUE(child->DesignHide());
  EXPECT_EQ(scene->Selected(), parent) << "a hidden selection passes to its parent";
  EXPECT_FALSE(hideChecked());
  scene->DesignSelect(child);
  EXPECT_TRUE(hideChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Hide in Design-time"}));
  EXPECT_FALSE(child->DesignHide());
  EXPECT_EQ(scene->Selected(), child);
  // The root is never hidden.
  scene->DesignSelect(root);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Hide in Design-time"}));
  EXPECT_FALSE(root->DesignHide());
}

TEST_F(DesignedScene, OrderAndDeleteWorkOnTheSelection) {
  TdxVisualObject* root = AddRoot();
  auto* a = AddCube(root, {0, 0, 0, 1});
  auto* b = AddCube(root, {2, 0, 0, 1});
  auto* inner = AddCube(b, {0, 1, 0, 1});
  scene->DesignSelect(a);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Order", u"Bring to front"}));
  EXPECT_EQ(root->Children(1), a);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Order", u"Send to back"}));
  EXPECT_EQ(root->Children(0), a);
  // Deleting selects the parent and frees the object with what lies below it.
  scene->DesignSelect(b);
  TdxFreeWatch bGone(b), innerGone(inner);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Delete object"}));
  EXPECT_TRUE(bGone.Gone());
  EXPECT_TRUE(innerGone.Gone());
  EXPECT_EQ(scene->Selected(), root);
  // The root stays.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Delete object"}));
  EXPECT_EQ(scene->GetRoot(), root);
  EXPECT_EQ(root->ChildrenCount(), 1);
}

TEST_F(DesignedScene, CopyAndPasteGoThroughTheSystemClipboardAsComponentText) {
  TdxVisualObject* root = AddRoot();
  auto* text = new TdxText3D(form.get());
  root->AddObject(text);
  text->SetName("Caption");
  text->SetText(u"Gas");
  text->Position()->SetPoint({1, 2, 3});
  scene->DesignSelect(text);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Copy to clipboard"}));
  const std::u16string copied = win::ClipboardGetText();
  EXPECT_EQ(copied.rfind(u"object", 0), 0u) << rtl::WideToUtf8(copied);
  EXPECT_NE(copied.find(u"TdxText3D"), std::u16string::npos);
  // Pasting with nothing selected does nothing.
  std::uint16_t key = win::VK_DELETE;
  char16_t ch = 0;
  auto* other = AddCube(root, {5, 0, 0, 1});
  scene->DesignSelect(other);
  scene->KeyUp(key, ch, {});
  ASSERT_EQ(scene->Selected(), nullptr);
  const int before = root->ChildrenCount();
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(root->ChildrenCount(), before);
  // With a selection an unnamed copy becomes its child and the selection, captioned with its
  // class name as a new object is; the rest of what was copied stays.
  scene->DesignSelect(text);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  ASSERT_EQ(text->ChildrenCount(), 1);
  auto* copy = dynamic_cast<TdxText3D*>(text->Children(0));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Name(), "");
  EXPECT_EQ(copy->Text(), u"Text3D");
  EXPECT_EQ(text->Text(), u"Gas") << "the original keeps its text";
  EXPECT_EQ(copy->Position()->Vector(), (TdxVector{1, 2, 3, 1}));
  EXPECT_EQ(scene->Selected(), copy);
  EXPECT_TRUE(messages.empty());
  // Text that makes no object says so and adds nothing.
  win::ClipboardSetText(u"gas and petrol");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(messages, (std::vector<std::u16string>{u"No object in clipboard"}));
  EXPECT_EQ(copy->ChildrenCount(), 0);
  // An object of a class outside the 3D objects is no object either.
  win::ClipboardSetText(u"object TdxBitmap\r\nend\r\n");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(copy->ChildrenCount(), 0);
  // An empty clipboard says nothing.
  win::ClipboardSetText(u"");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Paste from clipboard"}));
  EXPECT_EQ(messages.size(), 2u);
}

// A stream holds a reference in 255 characters: "Form.Cube" with a cube name of 250 cannot be
// written. Copy says so and leaves the clipboard as it was; the program goes on.
TEST_F(DesignedScene, CopyOfAnObjectTheStreamCannotHoldSaysWhyAndKeepsTheClipboard) {
  TdxVisualObject* root = AddRoot();
  TdxCube* cube = AddCube(root, {0, 0, 0, 1});
  form->SetName("Window");
  cube->SetName("C" + std::string(249, 'u'));
  auto* camera = new TdxCamera(form.get());
  root->AddObject(camera);
  camera->SetTarget(cube);
  win::ClipboardSetText(u"kept");
  scene->DesignSelect(camera);
  ASSERT_NO_THROW(scene->ChooseDesignMenu({u"Edit", u"Copy to clipboard"}));
  EXPECT_EQ(win::ClipboardGetText(), u"kept");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind(u"Error copy object to clipboard: ", 0), 0u) << rtl::WideToUtf8(messages[0]);
  // A reference that fits is copied.
  cube->SetName("Cube");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Edit", u"Copy to clipboard"}));
  EXPECT_NE(win::ClipboardGetText().find(u"Target = Window.Cube"), std::u16string::npos);
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(DesignedScene, LoadFromFileAddsTheObjectUnderTheSelectionOrAsTheRoot) {
  auto source = std::make_unique<TdxCube>(nullptr);
  source->Position()->SetPoint({4, 5, 6});
  const std::string file = TempFile("load", SaveDxObjectToText(source.get()));
  Answer(file);
  // No selection and no root: the object becomes the root.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(filters, (std::vector<std::string>{"3D Scene Files|*.scene3d"}));
  TdxVisualObject* root = scene->GetRoot();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ClassName(), "TdxCube");
  EXPECT_EQ(root->Position()->Vector(), (TdxVector{4, 5, 6, 1}));
  // Then under the root, and under the selection.
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  ASSERT_EQ(root->ChildrenCount(), 1);
  auto* child = dynamic_cast<TdxVisualObject*>(root->Children(0));
  scene->DesignSelect(child);
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
  // Text that makes no object adds nothing; a missing file says why.
  Answer(TempFile("nothing", "no scene here"));
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
  EXPECT_TRUE(messages.empty());
  Answer(file + ".missing");
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
  EXPECT_EQ(messages.size(), 1u);
  // A dialog the user cancels loads nothing.
  vg::DesignOpenFileDialog = [](const std::string&, std::string&) { return false; };
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Load From File..."}));
  EXPECT_EQ(child->ChildrenCount(), 1);
}

TEST_F(DesignedScene, ShowGridTurnsTheGridsOpacity) {
  auto showChecked = [&] { return scene->BuildDesignMenu().back().Checked; };
  EXPECT_TRUE(showChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Show grid"}));
  EXPECT_FALSE(scene->DesignSnapGridShow());
  EXPECT_FLOAT_EQ(scene->DesignGrid()->Opacity(), 0);
  EXPECT_FALSE(showChecked());
  ASSERT_TRUE(scene->ChooseDesignMenu({u"Show grid"}));
  EXPECT_FLOAT_EQ(scene->DesignGrid()->Opacity(), 1);
}

}  // namespace

}  // namespace scene_design_menu_test
