// The published face of visual objects through a fake host that is also the stream's root
// (a window): events bound by name to the window's methods, the popup menu reference, and
// the painter of visual brushes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeScene.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/VisualObjects.h"

namespace visual_object_face_test {

using namespace vg;
using vgtest::Box;
using vgtest::FakeScene;

namespace {

// A popup menu of the window layer, as far as a visual object sees it: a component.
class TestPopupMenu : public rtl::TComponent {
  RTL_CLASS(TestPopupMenu, rtl::TComponent)
public:
  using rtl::TComponent::TComponent;
};

rtl::TClass TestPopupMenu::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TestPopupMenu>().Build();
  return &info;
}

// A window hosting a 2D tree: it owns the components read from its stream, hosts the root
// objects, and has a handler for every event of a visual object.
class TestWindow : public FakeScene {
  RTL_CLASS(TestWindow, rtl::TComponent)
public:
  explicit TestWindow(rtl::TComponent*) {}

  std::vector<std::string> calls;
  void Note(const char* What) { calls.emplace_back(What); }

  void FormDragEnter(rtl::TObject*, const TvxDragObject& Data, const TvxPoint&) {
    Note(Data.Files.empty() ? "DragEnter" : "DragEnter with files");
  }
  void FormDragLeave(rtl::TObject*) { Note("DragLeave"); }
  void FormDragOver(rtl::TObject*, const TvxDragObject&, const TvxPoint& Point, bool& Accept) { Accept = Point.X > 0; }
  void FormDragDrop(rtl::TObject*, const TvxDragObject&, const TvxPoint&) { Note("DragDrop"); }
  void FormDragEnd(rtl::TObject*) { Note("DragEnd"); }
  void FormKeyDown(rtl::TObject*, uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
    if (Shift.Contains(rtl::ssCtrl)) Key = 0;
    KeyChar = u'x';
  }
  void FormKeyUp(rtl::TObject*, uint16_t&, char16_t&, rtl::TShiftState) { Note("KeyUp"); }
  void FormClick(rtl::TObject*) { Note("Click"); }
  void FormDblClick(rtl::TObject*) { Note("DblClick"); }
  void FormCanFocused(rtl::TObject*, bool& ACanFocused) { ACanFocused = false; }
  void FormEnterFocus(rtl::TObject*) { Note("EnterFocus"); }
  void FormKillFocus(rtl::TObject*) { Note("KillFocus"); }
  void FormMouseDown(rtl::TObject*, rtl::TMouseButton Button, rtl::TShiftState, float, float) {
    Note(Button == rtl::mbRight ? "MouseDown right" : "MouseDown");
  }
  void FormMouseUp(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) { Note("MouseUp"); }
  void FormMouseMove(rtl::TObject*, rtl::TShiftState, float, float, float, float) { Note("MouseMove"); }
  void FormMouseWheel(rtl::TObject*, rtl::TShiftState, int WheelDelta, const TvxPoint&, bool& Handled) {
    Handled = WheelDelta < 0;
  }
  void FormMouseEnter(rtl::TObject*) { Note("MouseEnter"); }
  void FormMouseLeave(rtl::TObject*) { Note("MouseLeave"); }
  void FormBeforePaint(rtl::TObject*, TvxCanvas*, const TvxRect&) { Note("BeforePaint"); }
  void FormPaint(rtl::TObject*, TvxCanvas*, const TvxRect&) { Note("Paint"); }
  void FormApplyResource(rtl::TObject*) { Note("ApplyResource"); }

protected:
  // Its own components first (those outside the tree), then the roots it hosts.
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent*) override {
    for (int i = 0; i < ComponentCount(); ++i)
      if (!dynamic_cast<TvxObject*>(Components(i))) Proc(Components(i));
    for (TvxObject* root : roots) Proc(root);
  }
};

rtl::TClass TestWindow::StaticClass() {
  using W = TestWindow;
  static const rtl::TClassInfo info = rtl::DefineClass<W>()
                                          .Method("FormDragEnter", &W::FormDragEnter)
                                          .Method("FormDragLeave", &W::FormDragLeave)
                                          .Method("FormDragOver", &W::FormDragOver)
                                          .Method("FormDragDrop", &W::FormDragDrop)
                                          .Method("FormDragEnd", &W::FormDragEnd)
                                          .Method("FormKeyDown", &W::FormKeyDown)
                                          .Method("FormKeyUp", &W::FormKeyUp)
                                          .Method("FormClick", &W::FormClick)
                                          .Method("FormDblClick", &W::FormDblClick)
                                          .Method("FormCanFocused", &W::FormCanFocused)
                                          .Method("FormEnterFocus", &W::FormEnterFocus)
                                          .Method("FormKillFocus", &W::FormKillFocus)
                                          .Method("FormMouseDown", &W::FormMouseDown)
                                          .Method("FormMouseUp", &W::FormMouseUp)
                                          .Method("FormMouseMove", &W::FormMouseMove)
                                          .Method("FormMouseWheel", &W::FormMouseWheel)
                                          .Method("FormMouseEnter", &W::FormMouseEnter)
                                          .Method("FormMouseLeave", &W::FormMouseLeave)
                                          .Method("FormBeforePaint", &W::FormBeforePaint)
                                          .Method("FormPaint", &W::FormPaint)
                                          .Method("FormApplyResource", &W::FormApplyResource)
                                          .Build();
  return &info;
}

void ReadText(const std::string& Text, rtl::TComponent* Root) {
  rtl::TStringStream text(Text), binary;
  rtl::ObjectTextToBinary(&text, &binary);
  binary.SetPosition(0);
  rtl::TReader reader(&binary);
  reader.ReadRootComponent(Root);
}

std::string WriteText(rtl::TComponent* Root) {
  rtl::TMemoryStream binary;
  {
    rtl::TWriter writer(&binary);
    writer.WriteRootComponent(Root);
  }
  binary.SetPosition(0);
  rtl::TStringStream text;
  rtl::ObjectBinaryToText(&binary, &text);
  return text.DataString();
}

class VisualObjectFace : public ::testing::Test {
protected:
  static void SetUpTestSuite() { rtl::RegisterClasses<TestWindow, TestPopupMenu, TvxObject, TvxVisualObject>(); }
};

// Every event in its published order, each bound to a method of its own.
const char* const WindowText =
    "object Window1: TestWindow\r\n"
    "  object Menu1: TestPopupMenu\r\n"
    "  end\r\n"
    "  object Panel1: TvxVisualObject\r\n"
    "    Width = 50.000000000000000000\r\n"
    "    Height = 50.000000000000000000\r\n"
    "    PopupMenu = Menu1\r\n"
    "    OnDragEnter = FormDragEnter\r\n"
    "    OnDragLeave = FormDragLeave\r\n"
    "    OnDragOver = FormDragOver\r\n"
    "    OnDragDrop = FormDragDrop\r\n"
    "    OnDragEnd = FormDragEnd\r\n"
    "    OnKeyDown = FormKeyDown\r\n"
    "    OnKeyUp = FormKeyUp\r\n"
    "    OnClick = FormClick\r\n"
    "    OnDblClick = FormDblClick\r\n"
    "    OnCanFocused = FormCanFocused\r\n"
    "    OnEnterFocus = FormEnterFocus\r\n"
    "    OnKillFocus = FormKillFocus\r\n"
    "    OnMouseDown = FormMouseDown\r\n"
    "    OnMouseUp = FormMouseUp\r\n"
    "    OnMouseMove = FormMouseMove\r\n"
    "    OnMouseWheel = FormMouseWheel\r\n"
    "    OnMouseEnter = FormMouseEnter\r\n"
    "    OnMouseLeave = FormMouseLeave\r\n"
    "    OnBeforePaint = FormBeforePaint\r\n"
    "    OnPaint = FormPaint\r\n"
    "    OnApplyResource = FormApplyResource\r\n"
    "    object Label1: TvxVisualObject\r\n"
    "      Width = 50.000000000000000000\r\n"
    "      Height = 50.000000000000000000\r\n"
    "      OnClick = FormDblClick\r\n"
    "    end\r\n"
    "  end\r\n"
    "end\r\n";

TEST_F(VisualObjectFace, EventsAndThePopupMenuBindByNameAndWriteBackTheSame) {
  TestWindow window(nullptr);
  ReadText(WindowText, &window);
  ASSERT_EQ(window.roots.size(), 1u);
  auto* panel = dynamic_cast<TvxVisualObject*>(window.roots.front());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Scene(), &window);
  EXPECT_EQ(panel->PopupMenu(), window.FindComponent("Menu1"));
  EXPECT_EQ(WriteText(&window), WindowText);

  // The handlers are the window's, and what they give back reaches the caller.
  panel->OnClick(panel);
  panel->GetChild(0)->Visual()->OnClick(panel);
  TvxDragObject drag;
  drag.Files = {u"a.cfg"};
  panel->OnDragEnter(panel, drag, {1, 2});
  bool accept = false;
  panel->OnDragOver(panel, drag, {3, 4}, accept);
  EXPECT_TRUE(accept);
  uint16_t key = 'A';
  char16_t keyChar = u'a';
  panel->OnKeyDown(panel, key, keyChar, {rtl::ssCtrl});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(keyChar, u'x');
  bool canFocus = true;
  panel->OnCanFocused(panel, canFocus);
  EXPECT_FALSE(canFocus);
  bool handled = false;
  panel->OnMouseWheel(panel, {}, -120, {0, 0}, handled);
  EXPECT_TRUE(handled);
  panel->OnMouseDown(panel, rtl::mbRight, {}, 5, 5);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"Click", "DblClick", "DragEnter with files", "MouseDown right"}));
}

TEST_F(VisualObjectFace, APopupMenuIsForgottenWhenItIsFreed) {
  auto* menu = new TestPopupMenu(nullptr);
  auto* other = new TestPopupMenu(nullptr);
  TvxObjectPtr holder(new TvxVisualObject(nullptr));
  TvxVisualObject* o = holder->Visual();
  TvxObjectPtr second(new TvxVisualObject(nullptr));
  o->SetPopupMenu(other);
  o->SetPopupMenu(menu);
  second->Visual()->SetPopupMenu(menu);

  other->Free();  // no longer the object's: nothing changes
  EXPECT_EQ(o->PopupMenu(), menu);
  menu->Free();
  EXPECT_EQ(o->PopupMenu(), nullptr);
  EXPECT_EQ(second->Visual()->PopupMenu(), nullptr);

  // An object freed first leaves the menu's list (AddressSanitizer checks the rest).
  menu = new TestPopupMenu(nullptr);
  o->SetPopupMenu(menu);
  holder.reset();
  menu->Free();
}

TEST_F(VisualObjectFace, AVisualBrushPaintsItsObjectAtTheBrushOpacityWithoutRepaints) {
  auto canvas = TvxCanvasGdiPlus::ClassRef()->Create(100, 40);
  canvas->Clear(0);
  FakeScene scene(canvas.get());
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 100, 40);
  scene.AddObject(root.get());
  auto* source = new Box(nullptr, 0xFF0000FFu);
  root->AddObject(source);
  source->SetBounds(60, 30, 10, 10);
  source->SetOpacity(0.3f);
  auto* half = new Box(nullptr, 0xFFFFFFFFu);
  source->AddObject(half);
  half->SetBounds(5, 0, 5, 10);
  scene.dirty.clear();

  canvas->SetMatrix(IdentityMatrix);
  canvas->Fill()->SetStyle(vgBrushVisual);
  canvas->Fill()->Visual()->SetVisualObject(source);
  canvas->FillRect(MakeRect(20, 0, 60, 20), 0, 0, AllCorners, 1);
  auto at = [&](int X, int Y) { return canvas->BufferBits()[Y * canvas->Width() + X]; };
  EXPECT_EQ(at(25, 10), 0xFF0000FFu);  // the object stretched over the rectangle, opaque
  EXPECT_EQ(at(55, 10), 0xFFFFFFFFu);  // its child
  EXPECT_EQ(at(65, 10), 0u);
  EXPECT_EQ(at(30, 25), 0u);
  EXPECT_FLOAT_EQ(source->Opacity(), 0.3f);
  EXPECT_FLOAT_EQ(half->GetAbsoluteOpacity(), 0.3f);
  EXPECT_EQ(source->Position()->GetPoint(), (TvxPoint{60, 30}));
  EXPECT_TRUE(scene.dirty.empty());
  canvas->Fill()->Visual()->SetVisualObject(nullptr);
}

// The filled rectangle is in the coordinates of whatever paints with the brush: the canvas's
// matrix (that object's place in the scene) carries the visual as it carries the fill.
TEST_F(VisualObjectFace, AVisualBrushFillsItsRectangleUnderTheCanvasMatrix) {
  auto canvas = TvxCanvasGdiPlus::ClassRef()->Create(100, 40);
  FakeScene scene(canvas.get());
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 100, 40);
  scene.AddObject(root.get());
  auto* source = new Box(nullptr, 0xFF0000FFu);
  root->AddObject(source);
  source->SetBounds(60, 30, 10, 10);
  auto* half = new Box(nullptr, 0xFFFFFFFFu);
  source->AddObject(half);
  half->SetBounds(5, 0, 5, 10);
  auto at = [&](int X, int Y) { return canvas->BufferBits()[Y * canvas->Width() + X]; };
  auto fill = [&](const TvxMatrix& M, const TvxRect& R) {
    canvas->Clear(0);
    canvas->SetMatrix(M);
    canvas->Fill()->SetStyle(vgBrushVisual);
    canvas->Fill()->Visual()->SetVisualObject(source);
    canvas->FillRect(R, 0, 0, AllCorners, 1);
    canvas->Fill()->Visual()->SetVisualObject(nullptr);
  };

  TvxMatrix moved = IdentityMatrix;
  moved.m31 = 10;
  moved.m32 = 5;
  fill(moved, MakeRect(20, 0, 60, 20));  // on the canvas: 30..70 across, 5..25 down
  EXPECT_EQ(at(32, 7), 0xFF0000FFu);
  EXPECT_EQ(at(48, 23), 0xFF0000FFu);
  EXPECT_EQ(at(52, 7), 0xFFFFFFFFu);
  EXPECT_EQ(at(68, 23), 0xFFFFFFFFu);
  EXPECT_EQ(at(28, 10), 0u);
  EXPECT_EQ(at(72, 10), 0u);
  EXPECT_EQ(at(40, 3), 0u);

  TvxMatrix doubled = IdentityMatrix;
  doubled.m11 = doubled.m22 = 2;
  fill(doubled, MakeRect(10, 0, 40, 20));  // on the canvas: 20..80 across, the whole height
  EXPECT_EQ(at(22, 2), 0xFF0000FFu);
  EXPECT_EQ(at(48, 37), 0xFF0000FFu);
  EXPECT_EQ(at(52, 2), 0xFFFFFFFFu);
  EXPECT_EQ(at(78, 37), 0xFFFFFFFFu);
  EXPECT_EQ(at(18, 20), 0u);
  EXPECT_EQ(at(82, 20), 0u);
  EXPECT_EQ(source->Position()->GetPoint(), (TvxPoint{60, 30}));
  EXPECT_EQ(source->GetAbsoluteMatrix().m31, 60);  // back in its own place
}

}  // namespace

}  // namespace visual_object_face_test
