// The object inspector over a shape and over objects of the test's own: the sorted rows with
// their values, a brush's child rows, names left out, read-only properties, events of the
// selected object only, editing through the text editor and the "Edit..." button, keys
// between rows, and inspected objects that are freed or refer to each other in a cycle.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Inspector.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Shapes.h"
#include "tests/TestOutput.h"

namespace inspector_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

// A component that refers to another of its kind, to make cycles of.
class TLinkNode : public rtl::TComponent {
  RTL_CLASS(TLinkNode, rtl::TComponent)
public:
  using rtl::TComponent::TComponent;
  TLinkNode* Next() const { return next_; }
  void SetNext(TLinkNode* Value) {
    next_ = Value;
    if (Value) FreeNotification(Value);
  }
  int Count() const { return count_; }
  void SetCount(int Value) {
    count_ = Value;
    if (OnCount) OnCount();
  }
  std::function<void()> OnCount;
  int ReadOnly() const { return 7; }

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == rtl::opRemove && AComponent == next_) next_ = nullptr;
  }

private:
  TLinkNode* next_ = nullptr;
  int count_ = 0;
};

rtl::TClass TLinkNode::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TLinkNode>()
                                          .Property("Count", &TLinkNode::Count, &TLinkNode::SetCount)
                                          .Property("Next", &TLinkNode::Next, &TLinkNode::SetNext)
                                          .Property("ReadOnly", &TLinkNode::ReadOnly)
                                          .Build();
  return &info;
}

class Inspectors : public vgtest::ControlsTest {
protected:
  TvxInspector* MakeInspector(ControlScene& S) {
    auto* inspector = S.Add(new TvxInspector(nullptr), 10, 10);
    inspector->SetBounds(10, 10, 280, 200);
    return inspector;
  }
  // The names of the child rows of Parent (the inspector's top rows for nil).
  static std::vector<std::string> RowNames(TvxInspector* I, TvxTreeViewItem* Parent = nullptr) {
    std::vector<std::string> names;
    const int n = Parent ? Parent->Count() : I->Count();
    for (int i = 0; i < n; ++i) {
      TvxTreeViewItem* row = Parent ? Parent->ItemByIndex(i) : I->ItemByIndex(i);
      names.push_back(rtl::WideToUtf8(row->TagString()));
    }
    return names;
  }
  static std::u16string Value(TvxTreeViewItem* Row) { return TvxInspector::ValueLabel(Row)->Text(); }
};

}  // namespace

TEST_F(Inspectors, AShapesPropertiesAreListedByNameWithABrushsChildren) {
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  shape->SetBounds(5, 6, 70, 30);
  shape->SetOpacity(0.5f);
  shape->SetCursor(rtl::crHSplit);
  inspector->SetSelectedObject(shape);

  const std::vector<std::string> names = RowNames(inspector);
  ASSERT_FALSE(names.empty());
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                             [](const std::string& A, const std::string& B) { return rtl::CompareText(A, B) < 0; }));
  EXPECT_EQ(Value(inspector->FindRow(shape, "Width")), u"70");
  EXPECT_EQ(Value(inspector->FindRow(shape, "Opacity")), u"0.5");
  EXPECT_EQ(Value(inspector->FindRow(shape, "Align")), u"vaNone");
  EXPECT_EQ(Value(inspector->FindRow(shape, "Cursor")), u"-14");

  TvxTreeViewItem* fill = inspector->FindRow(shape, "Fill");
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(Value(fill), u"TvxBrush");
  EXPECT_FALSE(fill->IsExpanded());
  EXPECT_EQ(RowNames(inspector, fill),
            (std::vector<std::string>{"Bitmap", "Color", "Gradient", "Resource", "Style", "Visual"}));
  TvxTreeViewItem* color = inspector->FindRow(shape->Fill(), "Color");
  ASSERT_NE(color, nullptr);
  EXPECT_EQ(color->Parent(), fill);
  EXPECT_GT(inspector->FindRow(shape->Fill(), "Gradient")->Count(), 0);  // expanded further
  // Collapsed rows are not shown: the brush's children are outside the count.
  const int shown = inspector->GlobalCount();
  fill->SetIsExpanded(true);
  EXPECT_EQ(inspector->GlobalCount(), shown + 6);

  // Names left out are left out everywhere, sub-objects included.
  auto names2 = std::make_unique<rtl::TStringList>();
  names2->Add("Width");
  names2->Add("Color");
  inspector->SetDisabledProperties(names2.get());
  EXPECT_EQ(inspector->FindRow(shape, "Width"), nullptr);
  EXPECT_EQ(inspector->FindRow(shape->Fill(), "Color"), nullptr);
  EXPECT_NE(inspector->FindRow(shape, "Height"), nullptr);
}

TEST_F(Inspectors, ReferencesShowTheirNameEventsOnlyForTheSelectedObject) {
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto* source = s.Add(new TvxLabel(nullptr), 0, 0);
  source->SetName("Caption1");
  auto* button = s.Add(new TvxCheckBox(nullptr), 0, 0);
  button->SetBindingSource(source);
  inspector->SetSelectedObject(button);
  TvxTreeViewItem* binding = inspector->FindRow(button, "BindingSource");
  ASSERT_NE(binding, nullptr);
  EXPECT_EQ(Value(binding), u"Caption1");
  EXPECT_EQ(binding->Count(), 0);
  EXPECT_EQ(inspector->FindRow(button, "OnClick"), nullptr);

  inspector->SetShowEvents(true);
  TvxTreeViewItem* onClick = inspector->FindRow(button, "OnClick");
  ASSERT_NE(onClick, nullptr);
  EXPECT_EQ(Value(onClick), u"");
  EXPECT_EQ(inspector->FindRow(button->Font(), "OnChange"), nullptr);
  inspector->SetShowProperties(false);
  EXPECT_EQ(inspector->FindRow(button, "Width"), nullptr);
  EXPECT_NE(inspector->FindRow(button, "OnClick"), nullptr);
}

// A row is a plain tree item that keeps its instance and property name in its tag slots; the
// editor over a row keeps that row's hidden label in its own, and leaves it when the rows go.
TEST_F(Inspectors, RowsAndTheEditorKeepWhatTheyShowInTheirTagSlots) {
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  inspector->SetSelectedObject(shape);
  TvxTreeViewItem* color = inspector->FindRow(shape->Fill(), "Color");
  ASSERT_NE(color, nullptr);
  EXPECT_EQ(color->TagObject(), shape->Fill());
  EXPECT_EQ(color->TagString(), u"Color");
  inspector->SetSelected(color);
  TvxLabel* label = TvxInspector::ValueLabel(color);
  EXPECT_EQ(inspector->TextEditor()->TagObject(), label);
  EXPECT_FALSE(label->Visible());
  inspector->SetSelected(inspector->FindRow(shape, "Align"));
  EXPECT_TRUE(label->Visible()) << "the label the editor left shows again";
  EXPECT_EQ(inspector->TextEditor()->TagObject(), nullptr);
  inspector->Rebuild();
  EXPECT_EQ(inspector->EnumEditor()->TagObject(), nullptr);
}

TEST_F(Inspectors, TheTextEditorWritesTheRowsPropertyAndKeysMoveBetweenRows) {
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  inspector->SetSelectedObject(shape);
  TvxTreeViewItem* opacity = inspector->FindRow(shape, "Opacity");
  inspector->SetSelected(opacity);
  TvxTextBox* editor = inspector->TextEditor();
  EXPECT_TRUE(editor->Visible());
  EXPECT_FALSE(TvxInspector::ValueLabel(opacity)->Visible());
  EXPECT_EQ(editor->Text(), u"1");
  EXPECT_EQ(editor->Position()->Y(), inspector->GetItemRect(opacity).Top + 1);
  EXPECT_EQ(editor->Position()->X(), inspector->Width() / 2);
  EXPECT_EQ(s.scene.focused, editor);

  editor->SetText(u"0.25");
  editor->Change();
  EXPECT_EQ(shape->Opacity(), 0.25f);
  EXPECT_EQ(Value(opacity), u"0.25");
  // A text that is no number raises, and the value stays.
  editor->SetText(u"lots");
  EXPECT_ANY_THROW(editor->Change());
  EXPECT_EQ(shape->Opacity(), 0.25f);
  editor->SetText(u"0.25");

  // Down goes to the next row, committing what was typed there first.
  TvxTreeViewItem* width = inspector->FindRow(shape, "Width");
  inspector->SetSelected(width);
  editor->SetText(u"64");
  uint16_t key = win::VK_DOWN;
  inspector->DialogKey(key, {});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(shape->Width(), 64.0f);
  EXPECT_EQ(inspector->Selected()->GlobalIndex(), width->GlobalIndex() + 1);
  EXPECT_TRUE(TvxInspector::ValueLabel(width)->Visible());
  // Up from the first row does nothing but takes the key; Home in a text row is left to the
  // text box.
  inspector->SetSelected(inspector->ItemByGlobalIndex(0));
  key = win::VK_UP;
  inspector->DialogKey(key, {});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(inspector->Selected()->GlobalIndex(), 0);
  inspector->SetSelected(opacity);
  key = win::VK_HOME;
  inspector->DialogKey(key, {});
  EXPECT_EQ(key, 36);
}

TEST_F(Inspectors, AnEnumerationRowIsEditedWithAPopupOfItsValueNames) {
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  inspector->SetSelectedObject(shape);
  TvxTreeViewItem* align = inspector->FindRow(shape, "Align");
  inspector->SetSelected(align);
  TvxPopupBox* popup = inspector->EnumEditor();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(popup->Visible());
  EXPECT_FALSE(inspector->TextEditor()->Visible());
  EXPECT_FALSE(TvxInspector::ValueLabel(align)->Visible());
  EXPECT_EQ(popup->Position()->Y(), inspector->GetItemRect(align).Top + 1);
  EXPECT_EQ(popup->Text(), u"vaNone");

  std::vector<std::u16string> listed;
  for (int i = 0; i < popup->Items()->GetCount(); ++i) listed.push_back(popup->Items()->Get(i));
  std::vector<std::u16string> expected;
  for (const rtl::TEnumName& n : rtl::GetPropInfo(shape, "Align")->PropType->EnumNames)
    expected.push_back(rtl::Utf8ToWide(n.Name));
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(shape->Align(), vaNone);  // showing the popup changed nothing

  const int client = static_cast<int>(std::find(listed.begin(), listed.end(), u"vaClient") - listed.begin());
  ASSERT_LT(client, static_cast<int>(listed.size()));
  popup->SetItemIndex(client);
  EXPECT_EQ(shape->Align(), vaClient);
  EXPECT_EQ(Value(align), u"vaClient");

  // Another row takes the text editor and shows the chosen name in the label again; coming
  // back picks the current value.
  inspector->SetSelected(inspector->FindRow(shape, "Opacity"));
  EXPECT_FALSE(popup->Visible());
  EXPECT_TRUE(inspector->TextEditor()->Visible());
  EXPECT_TRUE(TvxInspector::ValueLabel(align)->Visible());
  shape->SetAlign(vaTop);
  inspector->SetSelected(align);
  EXPECT_EQ(popup->Text(), u"vaTop");
  EXPECT_EQ(popup->ItemIndex(), static_cast<int>(vaTop));
}

TEST_F(Inspectors, AnObjectWithADesignerGetsTheEditButton) {
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  std::vector<std::pair<rtl::TObject*, rtl::TComponent*>> opened;
  RegisterInspectorDesigner(rtl::ClassOf<TvxBrush>(),
                            [&](rtl::TObject* Obj, rtl::TComponent* Inspected) { opened.push_back({Obj, Inspected}); });
  inspector->SetSelectedObject(shape);
  inspector->SetSelected(inspector->FindRow(shape, "Stroke"));
  EXPECT_TRUE(inspector->EditButton()->Visible());
  EXPECT_EQ(inspector->EditButton()->Text(), u"Edit...");
  EXPECT_FALSE(inspector->TextEditor()->Visible());
  inspector->EditButton()->Click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, shape->Stroke());
  EXPECT_EQ(opened[0].second, shape);
  // An object without a designer gets no editor at all.
  inspector->SetSelected(inspector->FindRow(shape, "Position"));
  EXPECT_FALSE(inspector->EditButton()->Visible());
  EXPECT_FALSE(inspector->TextEditor()->Visible());
  RegisterInspectorDesigner(rtl::ClassOf<TvxBrush>(), nullptr);
}

TEST_F(Inspectors, FreedObjectsAreDroppedAndCyclesEnd) {
  rtl::RegisterClass(rtl::ClassOf<TLinkNode>());
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto a = std::make_unique<TLinkNode>(nullptr);
  auto b = std::make_unique<TLinkNode>(nullptr);
  a->SetNext(b.get());
  b->SetNext(a.get());
  inspector->SetSelectedObject(a.get());
  // The component's own Name and Tag, not the read-only one.
  EXPECT_EQ(RowNames(inspector), (std::vector<std::string>{"Count", "Name", "Next", "Tag"}));
  TvxTreeViewItem* next = inspector->FindRow(a.get(), "Next");
  EXPECT_EQ(Value(next), u"TLinkNode");
  ASSERT_EQ(RowNames(inspector, next), (std::vector<std::string>{"Count", "Name", "Next", "Tag"}));
  // b's Next is a again: shown, not listed a second time.
  TvxTreeViewItem* back = inspector->FindRow(b.get(), "Next");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Value(back), u"TLinkNode");
  EXPECT_EQ(back->Count(), 0);

  // A listed object freed: the list is built again without it.
  b.reset();
  EXPECT_EQ(inspector->FindRow(a.get(), "Next")->Count(), 0);
  EXPECT_EQ(Value(inspector->FindRow(a.get(), "Next")), u"");
  // The inspected object freed: nothing is listed.
  a.reset();
  EXPECT_EQ(inspector->SelectedObject(), nullptr);
  EXPECT_EQ(inspector->Count(), 0);
  rtl::UnRegisterClass(rtl::ClassOf<TLinkNode>());
}

// A property change that frees a listed object has the rows built again at once: the edit ends
// there, touching nothing of the rows it came from.
TEST_F(Inspectors, AnEditThatFreesAListedObjectEndsOnTheRowsBuiltAgain) {
  rtl::RegisterClass(rtl::ClassOf<TLinkNode>());
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto a = std::make_unique<TLinkNode>(nullptr);
  auto b = std::make_unique<TLinkNode>(nullptr);
  a->SetNext(b.get());
  a->OnCount = [&] { b.reset(); };
  inspector->SetSelectedObject(a.get());
  inspector->SetSelected(inspector->FindRow(a.get(), "Count"));
  inspector->TextEditor()->SetText(u"5");
  inspector->SetSelected(inspector->FindRow(a.get(), "Tag"));
  EXPECT_EQ(a->Count(), 5);
  EXPECT_EQ(Value(inspector->FindRow(a.get(), "Count")), u"5");
  EXPECT_EQ(Value(inspector->FindRow(a.get(), "Next")), u"");
  rtl::UnRegisterClass(rtl::ClassOf<TLinkNode>());
}

TEST_F(Inspectors, ValuesAreDrawnOnTheRightHalfOfTheirRow) {
  ControlScene s(300, 220);
  TvxInspector* inspector = MakeInspector(s);
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  shape->SetVisible(false);
  inspector->SetSelectedObject(shape);
  inspector->FindRow(shape, "Fill")->SetIsExpanded(true);
  inspector->SetSelected(inspector->FindRow(shape, "ClipChildren"));
  s.PaintAll(0xFFFFFFFFu);
  clock.Advance(400);
  s.PaintAll(0xFFFFFFFFu);
  TvxBitmap picture(300, 220);
  std::copy(s.canvas->BufferBits(), s.canvas->BufferBits() + 300 * 220, picture.Bits());
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile(testout::Path("inspector.png"), picture, ""));
  // The text of a value: dark pixels in the right half of its row, none in the gap between.
  TvxTreeViewItem* row = inspector->FindRow(shape, "Fill");
  const TvxPoint o = row->LocalToAbsolute({0, 0});
  int dark = 0;
  for (int y = static_cast<int>(o.Y) + 3; y < static_cast<int>(o.Y) + 16; ++y)
    for (int x = 150; x < 210; ++x) dark += (s.At(x, y) & 0xFF) < 0x60;
  EXPECT_GT(dark, 10);
}

TEST_F(Inspectors, ABrushRowOpensTheSharedBrushDesignerOnTheLiveBrush) {
  ControlScene s;
  TvxInspector* inspector = MakeInspector(s);
  auto* shape = s.Add(new TvxRectangle(nullptr), 0, 0);
  inspector->SetSelectedObject(shape);
  inspector->SetSelected(inspector->FindRow(shape, "Fill"));
  ASSERT_TRUE(inspector->EditButton()->Visible());
  inspector->EditButton()->Click();
  TvxBrushDesign* designer = SharedBrushDesigner();
  ASSERT_NE(designer, nullptr);
  EXPECT_EQ(designer->Brush(), shape->Fill());
  designer->Close();
  rtl::Application->ProcessMessages();
}

}  // namespace inspector_test
