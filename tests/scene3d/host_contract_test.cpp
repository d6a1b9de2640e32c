// The contract every host of a 2D tree keeps, run against each kind of host: the 2D scene
// control in a form and the object layer in a 3D host. First the rules of the tree and its
// host (roots join and leave, freed objects leave no reference, focus and selection), then
// design editing: the first press makes the host's root, grips and rotation, grid and snap
// lines, Alt-drag into another object, Delete, the design menu driven by caption, loading
// and what the decorations look like.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "platform/loop/Application.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_core/FakeScene.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/TabOrderEditor.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Styles.h"

using namespace vg;
using Editor = TvxDesignEditor;
using vgtest::Box;

namespace {

const rtl::TShiftState Left{rtl::ssLeft};
const rtl::TShiftState AltLeft{rtl::ssLeft, rtl::ssAlt};

// A scene whose mouse handlers a test may call.
class OpenScene : public TvxScene {
public:
  using TvxCustomScene::MouseDown;
  using TvxCustomScene::MouseMove;
  using TvxCustomScene::MouseUp;
  using TvxScene::TvxScene;
};

// The 2D scene control in a borderless form.
struct SceneKind {
  static constexpr const char* RootClass = "TvxBackground";
  std::unique_ptr<win::TForm> form;
  OpenScene* scene = nullptr;
  void Make(int W, int H) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, W, H);
    scene = new OpenScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    form->Show();
    rtl::Application->ProcessMessages();
  }
  void Free() { form.reset(); }
  TvxSceneHost* Host() { return scene; }
  rtl::TComponent* Owner() { return form.get(); }
  void Down(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y) {
    scene->MouseDown(B, S, static_cast<int>(X), static_cast<int>(Y));
  }
  void Move(rtl::TShiftState S, float X, float Y) { scene->MouseMove(S, static_cast<int>(X), static_cast<int>(Y)); }
  void Up(rtl::TMouseButton B, float X, float Y) { scene->MouseUp(B, {}, static_cast<int>(X), static_cast<int>(Y)); }
  void KeyUp(std::uint16_t Key) {
    char16_t ch = 0;
    scene->KeyUp(Key, ch, {});
  }
  void Settle() { rtl::Application->ProcessMessages(); }
  void Load(const std::string& Props) {
    rtl::TStringStream text("object Host: TvxScene\r\n" + Props + "end\r\n");
    rtl::TMemoryStream bin;
    rtl::ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    rtl::TReader(&bin, 1024).ReadRootComponent(scene);
  }
};

// The object layer of a window, in a 3D host that records what it is told.
struct LayerKind {
  static constexpr const char* RootClass = "TvxLayout";
  std::unique_ptr<dxtest::FakeScene> host3d;
  std::unique_ptr<dxtest::RecordingCanvas> canvas;
  std::unique_ptr<rtl::TComponent> owner;
  dx::TdxGUIObjectLayer* layer = nullptr;
  void Make(int W, int H) {
    host3d = std::make_unique<dxtest::FakeScene>();
    canvas = std::make_unique<dxtest::RecordingCanvas>(800, 600);
    host3d->canvas = canvas.get();
    owner = std::make_unique<rtl::TComponent>(nullptr);
    layer = new dx::TdxGUIObjectLayer(owner.get());
    host3d->AddObject(layer);
    layer->SetWidth(static_cast<float>(W));
    layer->SetHeight(static_cast<float>(H));
    layer->Position()->SetPoint({W / 2.0f, H / 2.0f, 0});
    Settle();
  }
  void Free() {
    host3d.reset();
    owner.reset();
    canvas.reset();
  }
  TvxSceneHost* Host() { return layer; }
  rtl::TComponent* Owner() { return owner.get(); }
  void Down(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y) { layer->LayerMouseDown(B, S, X, Y); }
  void Move(rtl::TShiftState S, float X, float Y) { layer->LayerMouseMove(S, X, Y); }
  void Up(rtl::TMouseButton B, float X, float Y) { layer->LayerMouseUp(B, {}, X, Y); }
  void KeyUp(std::uint16_t Key) {
    char16_t ch = 0;
    layer->KeyUp(Key, ch, {});
  }
  void Settle() {
    rtl::Application->ProcessMessages();
    layer->BeforePaint();
    layer->Render();
  }
  void Load(const std::string& Props) {
    rtl::TStringStream text("object Host: TdxGUIObjectLayer\r\n" + Props + "end\r\n");
    rtl::TMemoryStream bin;
    rtl::ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    rtl::TReader(&bin, 1024).ReadRootComponent(layer);
  }
};

template <class Kind>
class HostContract : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    ControlsStartup();
    dx::SceneLibraryStartup();
    DesignClipboard().clear();
    kind.Make(400, 300);
  }
  void TearDown() override {
    if (auto* m = Designer().Menu()) m->CloseMenu();
    kind.Free();
    other.Free();
    rtl::Application->ProcessMessages();
    FreeAniThread();
    dx::SceneLibraryShutdown();
    ControlsShutdown();
  }
  TvxSceneHost* H() { return kind.Host(); }
  Editor& Designer() { return kind.Host()->Designer(); }
  // A root over the whole host that presses pass through.
  TvxVisualObject* Root() {
    auto* root = new TvxVisualObject(kind.Owner());
    H()->AddObject(root);
    return root;
  }
  template <class T = Box>
  T* Add(TvxObject* Parent, float X, float Y, float W, float H) {
    auto* o = new T(kind.Owner());
    Parent->AddObject(o);
    o->SetBounds(X, Y, W, H);
    return o;
  }
  void Design() { H()->SetDesignTime(true); }
  // A left press at (X0, Y0), moves to (X1, Y1) with Shift, and the release there.
  void Drag(float X0, float Y0, float X1, float Y1, rtl::TShiftState Shift = Left) {
    kind.Down(rtl::mbLeft, {}, X0, Y0);
    kind.Move(Shift, X1, Y1);
    kind.Up(rtl::mbLeft, X1, Y1);
  }
  void Click(float X, float Y) {
    kind.Down(rtl::mbLeft, {}, X, Y);
    kind.Up(rtl::mbLeft, X, Y);
  }
  // The painted pixel at (X, Y) of the host's canvas.
  std::uint32_t Pixel(int X, int Y) {
    TvxCanvas* c = H()->GetCanvas();
    return c->BufferBits()[Y * c->Width() + X];
  }
  // The host's picture, kept beside the test program for a look.
  void SavePicture(const std::string& Name) {
    TvxCanvas* c = H()->GetCanvas();
    TvxBitmap b;
    b.SetSize(c->Width(), c->Height());
    std::copy(c->BufferBits(), c->BufferBits() + c->Width() * c->Height(), b.Bits());
    TvxFilterGdiPlus png;
    png.SaveToFile(Name, b, "");
  }
  void RepaintAll() {
    H()->AddUpdateRect(MakeRect(0, 0, 400, 300));
    kind.Settle();
  }
  Kind kind;
  Kind other;
};

// Close to the colour (channels within 40), premultiplied pixels of opaque colours.
bool Near(std::uint32_t A, std::uint32_t B) {
  for (int s = 0; s < 32; s += 8)
    if (std::abs(static_cast<int>((A >> s) & 0xFF) - static_cast<int>((B >> s) & 0xFF)) > 40) return false;
  return true;
}

}  // namespace

using HostKinds = ::testing::Types<SceneKind, LayerKind>;
TYPED_TEST_SUITE(HostContract, HostKinds);

// ---- the tree and its host ------------------------------------------------------------------------

TYPED_TEST(HostContract, RootsJoinAndLeaveTheHostAndAHostTakesAnObjectFromItsParent) {
  TvxObjectPtr other(new Box(nullptr));
  TvxVisualObject* root = this->Root();
  Box* child = this->Add(root, 10, 10, 20, 20);
  EXPECT_EQ(child->Scene(), this->H());
  EXPECT_EQ(this->H()->GetRoot(), root);
  EXPECT_FLOAT_EQ(root->Width(), 400) << "the first root covers the host";

  other->AddObject(child);
  EXPECT_EQ(child->Scene(), nullptr);
  this->H()->AddObject(child);
  EXPECT_EQ(other->GetChildrenCount(), 0);
  EXPECT_EQ(child->Scene(), this->H());
  EXPECT_EQ(this->H()->RootCount(), 2);

  auto* inner = this->Add(child, 0, 0, 5, 5);
  this->H()->SetCaptured(inner);
  other->AddObject(child);  // a root added to an object leaves the host with its tree
  EXPECT_EQ(this->H()->RootCount(), 1);
  EXPECT_EQ(this->H()->GetCaptured(), nullptr);
  EXPECT_EQ(inner->Scene(), nullptr);
}

TYPED_TEST(HostContract, FreedOrRemovedObjectsLeaveNoReferenceBehind) {
  TvxVisualObject* root = this->Root();
  Box* panel = this->Add(root, 0, 0, 50, 50);
  auto* edit = this->template Add<TvxControl>(panel, 5, 5, 20, 20);
  edit->SetCanFocused(true);
  this->H()->SetActiveControl(edit);
  EXPECT_EQ(this->H()->GetFocused(), edit) << "the active control takes the focus";
  this->H()->SetSelected(panel);
  this->kind.Move({}, 10, 10);
  EXPECT_EQ(this->H()->Hovered(), edit);
  panel->Free();
  EXPECT_EQ(this->H()->GetFocused(), nullptr);
  EXPECT_EQ(this->H()->ActiveControl(), nullptr);
  EXPECT_EQ(this->H()->Hovered(), nullptr);
  EXPECT_EQ(this->H()->GetSelected(), nullptr);

  Box* b = this->Add(root, 0, 0, 10, 10);
  Box* c = this->Add(b, 0, 0, 5, 5);
  this->H()->SetCaptured(c);
  root->RemoveObject(b);
  TvxObjectPtr kept(b);
  EXPECT_EQ(this->H()->GetCaptured(), nullptr);
  EXPECT_EQ(c->Scene(), nullptr);

  // A list rebuilt while one of its items is hovered and captured.
  Box* list = this->Add(root, 100, 0, 50, 50);
  Box* item = this->Add(list, 0, 0, 50, 20);
  this->kind.Move({}, 105, 5);
  ASSERT_EQ(this->H()->Hovered(), item);
  this->H()->SetCaptured(item);
  list->DeleteChildren();
  EXPECT_EQ(this->H()->Hovered(), nullptr);
  EXPECT_EQ(this->H()->GetCaptured(), nullptr);

  // The root freed by the window: nothing of its tree stays with the host.
  Box* d = this->Add(root, 0, 0, 10, 10);
  d->SetCanFocused(true);
  this->H()->SetFocused(d);
  root->Free();
  EXPECT_EQ(this->H()->GetFocused(), nullptr);
  EXPECT_EQ(this->H()->RootCount(), 0);
}

TYPED_TEST(HostContract, FocusChangesOnlyOnARealChangeAndSelectionOnlyForOwnObjects) {
  TvxVisualObject* root = this->Root();
  Box* a = this->Add(root, 0, 0, 10, 10);
  Box* b = this->Add(root, 20, 0, 10, 10);
  for (Box* x : {a, b}) x->SetCanFocused(true);
  int enters = 0, kills = 0;
  a->OnEnterFocus = [&](rtl::TObject*) { ++enters; };
  a->OnKillFocus = [&](rtl::TObject*) { ++kills; };
  this->H()->SetFocused(a);
  this->H()->SetFocused(a);
  EXPECT_EQ(enters, 1);
  this->H()->SetFocused(nullptr);
  EXPECT_EQ(kills, 1);
  EXPECT_TRUE(this->H()->FocusNext(false));
  EXPECT_EQ(this->H()->GetFocused(), a);
  EXPECT_TRUE(this->H()->FocusNext(false));
  EXPECT_EQ(this->H()->GetFocused(), b);
  EXPECT_TRUE(this->H()->FocusNext(true));
  EXPECT_EQ(this->H()->GetFocused(), a);

  this->other.Make(100, 100);
  auto* foreign = new Box(this->other.Owner());
  this->other.Host()->AddObject(foreign);
  this->H()->SetSelected(foreign);
  EXPECT_EQ(this->H()->GetSelected(), nullptr);
  this->H()->SetSelected(b);
  EXPECT_EQ(this->H()->GetSelected(), b);
  EXPECT_EQ(this->H()->GetUpdateRect(99).Right, 0) << "an index outside the list";
  a->OnEnterFocus = {};
  a->OnKillFocus = {};
}

// ---- design editing: the mouse --------------------------------------------------------------------

TYPED_TEST(HostContract, TheFirstDesignPressIntoAnEmptyTreeMakesTheHostsRoot) {
  this->Design();
  EXPECT_TRUE(this->Designer().HitTest(MakePoint(5, 5))) << "a tree without roots takes every press";
  this->Click(30, 40);
  ASSERT_EQ(this->H()->RootCount(), 1);
  TvxObject* root = this->H()->GetRoot();
  EXPECT_EQ(root->ClassName(), TypeParam::RootClass);
  EXPECT_FLOAT_EQ(root->Visual()->Width(), 400);
  EXPECT_FLOAT_EQ(root->Visual()->Height(), 300);
  EXPECT_EQ(root->Owner(), this->kind.Owner());
  EXPECT_EQ(this->H()->GetSelected(), root);
}

TYPED_TEST(HostContract, PressesSelectAndAPressOnAGripKeepsTheSelection) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* box = this->Add(root, 20, 30, 100, 40);
  Box* other = this->Add(root, 200, 30, 40, 40);
  int changes = 0;
  this->Designer().OnDesignSelection = [&](rtl::TObject* Sender) {
    EXPECT_EQ(Sender, this->H()->GetComponent());
    ++changes;
  };
  this->Click(50, 50);
  ASSERT_EQ(this->H()->GetSelected(), box);
  EXPECT_EQ(changes, 1);
  // W = 100: the rotation handle lies at (50, -10) of the box.
  this->kind.Down(rtl::mbLeft, {}, 20 + 50, 30 - 10);
  EXPECT_EQ(this->Designer().Dragging(), Editor::gripRotate);
  EXPECT_EQ(this->H()->GetSelected(), box);
  this->kind.Up(rtl::mbLeft, 70, 20);
  // The top-left grip reaches 3 units outside the box; a corner's grip wins over the body.
  this->kind.Down(rtl::mbLeft, {}, 18, 28);
  EXPECT_EQ(this->Designer().Dragging(), Editor::gripTopLeft);
  EXPECT_EQ(this->H()->GetSelected(), box);
  this->kind.Up(rtl::mbLeft, 18, 28);
  EXPECT_EQ(this->Designer().Dragging(), Editor::dragNone);
  this->kind.Down(rtl::mbLeft, {}, 120, 50);
  EXPECT_EQ(this->Designer().Dragging(), Editor::gripRightMiddle);
  this->kind.Up(rtl::mbLeft, 120, 50);

  // Ctrl adds another object to the multi-selection; again, the selection takes its place.
  this->kind.Down(rtl::mbLeft, {rtl::ssCtrl}, 210, 40);
  EXPECT_EQ(this->Designer().SelectionList(), (std::vector<TvxVisualObject*>{other}));
  EXPECT_EQ(this->H()->GetSelected(), box);
  this->kind.Down(rtl::mbLeft, {rtl::ssCtrl}, 210, 40);
  EXPECT_EQ(this->Designer().SelectionList(), (std::vector<TvxVisualObject*>{box}));
  other->Free();
  EXPECT_TRUE(this->Designer().SelectionList().size() == 1);
  // A double click on the selection runs its DesignClick.
  int clicks = 0;
  struct Clicked : Box {
    using Box::Box;
    int* count = nullptr;
    void DesignClick() override { ++*count; }
  };
  auto* c = this->template Add<Clicked>(root, 300, 100, 40, 40);
  c->count = &clicks;
  this->Click(310, 110);
  this->kind.Down(rtl::mbLeft, {rtl::ssDouble}, 310, 110);
  EXPECT_EQ(clicks, 1);
  this->kind.Up(rtl::mbLeft, 310, 110);

  // A resize-locked object is selected but offers no grips.
  auto* point = this->template Add<TvxVisualObject>(root, 350, 200, 20, 20);
  point->SetDesignResizeLocked(true);
  this->Click(360, 210);
  EXPECT_EQ(this->H()->GetSelected(), point);
  EXPECT_EQ(this->Designer().GripAt(MakePoint(350, 200)), -1);
  this->Designer().OnDesignSelection = {};
}

TYPED_TEST(HostContract, MovesSnapToTheGridByTruncationAndResizesByEveryGrip) {
  this->Design();
  Editor& d = this->Designer();
  EXPECT_FLOAT_EQ(d.SnapValue(2.7f), 2.7f) << "no grid at first";
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap to grid"}));
  EXPECT_FLOAT_EQ(d.SnapValue(2.7f), 2);
  EXPECT_FLOAT_EQ(d.SnapValue(-2.7f), -2);
  TvxVisualObject* root = this->Root();
  Box* box = this->Add(root, 20, 30, 100, 40);
  this->kind.Down(rtl::mbLeft, {}, 50, 50);
  this->kind.Move(Left, 52.7f, 46.2f);
  EXPECT_FLOAT_EQ(box->Position()->X(), 22);
  EXPECT_FLOAT_EQ(box->Position()->Y(), 26);
  this->kind.Up(rtl::mbLeft, 52.7f, 46.2f);

  // The bottom-right grip sets the right and bottom edges; the top-left keeps the far ones.
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap disabled"}));
  box->SetBounds(20, 30, 100, 40);
  this->Drag(120, 70, 150, 90);
  EXPECT_FLOAT_EQ(box->Width(), 130);
  EXPECT_FLOAT_EQ(box->Height(), 60);
  this->Drag(20, 30, 40, 40);
  EXPECT_FLOAT_EQ(box->Position()->X(), 40);
  EXPECT_FLOAT_EQ(box->Position()->Y(), 40);
  EXPECT_FLOAT_EQ(box->Width(), 110);
  EXPECT_FLOAT_EQ(box->Height(), 50);
  // The edge grips move one edge each.
  this->Drag(95, 40, 95, 20);  // top middle
  EXPECT_FLOAT_EQ(box->Position()->Y(), 20);
  EXPECT_FLOAT_EQ(box->Height(), 70);
  this->Drag(150, 55, 170, 55);  // right middle
  EXPECT_FLOAT_EQ(box->Width(), 130);
  EXPECT_FLOAT_EQ(box->Position()->X(), 40);
}

TYPED_TEST(HostContract, EveryGripResizeAndEveryMoveRealignsTheParentAtTheRelease) {
  this->Design();
  TvxVisualObject* root = this->Root();
  struct Counting : Box {
    using Box::Box;
    int realigns = 0;
    void Realign() override {
      ++realigns;
      Box::Realign();
    }
  };
  auto* panel = this->template Add<Counting>(root, 0, 0, 300, 200);
  Box* box = this->Add(panel, 50, 100, 60, 40);
  this->Click(70, 110);
  ASSERT_EQ(this->H()->GetSelected(), box);
  // The grips at the top right, the right middle, the bottom middle, then the body.
  for (const TvxPoint grip : {MakePoint(110, 100), MakePoint(110, 120), MakePoint(80, 140), MakePoint(70, 110)}) {
    this->kind.Down(rtl::mbLeft, {}, grip.X, grip.Y);
    this->kind.Move(Left, grip.X + 20, grip.Y + 5);
    const int before = panel->realigns;
    this->kind.Up(rtl::mbLeft, grip.X + 20, grip.Y + 5);
    EXPECT_EQ(panel->realigns, before + 1) << "the parent realigns after the drag at " << grip.X << "," << grip.Y;
    box->SetBounds(50, 100, 60, 40);
  }
  // A turn is no resize.
  this->kind.Down(rtl::mbLeft, {}, 80, 90);
  this->kind.Move(Left, 120, 120);
  const int before = panel->realigns;
  this->kind.Up(rtl::mbLeft, 120, 120);
  EXPECT_EQ(panel->realigns, before);
}

TYPED_TEST(HostContract, AMoveSnapsToASiblingsEdgeAndShowsADashedLine) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* a = this->Add(root, 100, 20, 50, 30);
  Box* b = this->Add(root, 30, 150, 40, 20);
  this->RepaintAll();
  for (int y = 60; y < 140; ++y) ASSERT_EQ(this->Pixel(100, y) >> 24, 0u) << "nothing drawn there before, row " << y;
  // B's left edge dragged to 101, within 2 units of A's left edge at 100.
  this->kind.Down(rtl::mbLeft, {}, 40, 160);
  this->kind.Move(Left, 111, 160);
  EXPECT_FLOAT_EQ(b->Position()->X(), 100) << "snapped to the sibling's left edge";
  EXPECT_EQ(this->Designer().SnapObjects(), (std::vector<TvxVisualObject*>{a}));
  EXPECT_FLOAT_EQ(this->H()->GetMousePos().X, 110) << "the mouse moves with the object";
  this->kind.Settle();
  int line = 0;
  for (int y = 60; y < 140; ++y)
    if (Near(this->Pixel(100, y), 0xFF1072C5u)) ++line;
  EXPECT_GT(line, 20) << "a dashed line joins the two left edges";
  EXPECT_LT(line, 80) << "with gaps";
  this->SavePicture(std::string("snap_line_") + TypeParam::RootClass + ".png");
  // The next step starts from where the object lies: it follows the pointer again.
  this->kind.Move(Left, 131, 160);
  EXPECT_FLOAT_EQ(b->Position()->X(), 121);
  this->kind.Up(rtl::mbLeft, 131, 160);
  EXPECT_TRUE(this->Designer().SnapObjects().empty());
  this->kind.Settle();
  for (int y = 60; y < 140; ++y) EXPECT_EQ(this->Pixel(100, y) >> 24, 0u) << "the line is gone, row " << y;
}

TYPED_TEST(HostContract, AltDragMovesTheSelectionIntoAPanelWithoutMovingItOnScreen) {
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* panel = this->template Add<TvxPanel>(root, 200, 50, 150, 150);
  panel->SetName("Panel1");
  Box* box = this->Add(root, 20, 30, 40, 20);
  this->kind.Down(rtl::mbLeft, {}, 30, 40);
  this->kind.Move(Left, 240, 110);  // over the panel without Alt: only the caption
  EXPECT_EQ(this->H()->GetDesignPlaceObject(), panel);
  EXPECT_EQ(box->Parent(), root);
  this->kind.Settle();
  EXPECT_TRUE(Near(this->Pixel(359, 48), 0xFF5B91DEu)) << "the caption's strip over the panel";
  this->SavePicture(std::string("place_caption_") + TypeParam::RootClass + ".png");
  const TvxPoint before = box->LocalToAbsolute(MakePoint(0, 0));
  this->kind.Move(AltLeft, 240, 110);
  EXPECT_EQ(box->Parent(), panel);
  EXPECT_EQ(this->H()->GetSelected(), box) << "still the one being edited";
  const TvxPoint after = box->LocalToAbsolute(MakePoint(0, 0));
  EXPECT_FLOAT_EQ(after.X, before.X);
  EXPECT_FLOAT_EQ(after.Y, before.Y);
  EXPECT_EQ(this->H()->GetDesignPlaceObject(), nullptr);
  this->kind.Up(rtl::mbLeft, 240, 110);

  // A target inside the selection's own tree is refused: a child made under the pointer
  // while the selection is dragged.
  Box* outer = this->Add(root, 0, 200, 100, 40);
  this->kind.Down(rtl::mbLeft, {}, 10, 210);
  ASSERT_EQ(this->H()->GetSelected(), outer);
  Box* inner = this->Add(outer, 0, 0, 100, 40);
  this->kind.Move(AltLeft, 12, 210);
  EXPECT_EQ(this->H()->GetDesignPlaceObject(), nullptr);
  EXPECT_EQ(outer->Parent(), root);
  EXPECT_EQ(inner->Parent(), outer);
  this->kind.Up(rtl::mbLeft, 12, 210);
}

TYPED_TEST(HostContract, TheRotationHandleFollowsThePointerAndTheCentreTurnsNothing) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* box = this->Add(root, 100, 100, 100, 40);  // centre (150, 120)
  this->Click(150, 120);
  this->kind.Down(rtl::mbLeft, {}, 150, 90);
  ASSERT_EQ(this->Designer().Dragging(), Editor::gripRotate);
  this->kind.Move(Left, 190, 120);  // due east of the centre
  EXPECT_NEAR(box->RotateAngle(), 90, 0.01);
  const TvxPoint handle = box->LocalToAbsolute(MakePoint(50, -10));
  EXPECT_NEAR(handle.X, 180, 0.01) << "the handle lies on the way to the pointer";
  EXPECT_NEAR(handle.Y, 120, 0.01);
  this->kind.Move(Left, 150, 120);  // on the centre
  this->kind.Move(Left, 150, 160);  // due south, from the centre: no direction to turn from
  EXPECT_TRUE(std::isfinite(box->RotateAngle()));
  this->kind.Move(Left, 110, 120);  // due west from due south
  EXPECT_TRUE(std::isfinite(box->RotateAngle()));
  this->kind.Up(rtl::mbLeft, 110, 120);
}

TYPED_TEST(HostContract, DeleteFreesTheSelectionButNeverTheRoot) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* panel = this->Add(root, 10, 10, 200, 200);
  Box* box = this->Add(panel, 20, 20, 40, 40);
  this->Click(40, 40);
  ASSERT_EQ(this->H()->GetSelected(), box);
  TvxFreeWatch gone(box);
  this->kind.KeyUp(46);
  EXPECT_TRUE(gone.Gone());
  EXPECT_EQ(this->H()->GetSelected(), nullptr) << "the key leaves nothing selected";
  EXPECT_EQ(panel->GetChildrenCount(), 0);
  // "Delete object" selects the parent instead.
  Box* other = this->Add(panel, 20, 20, 40, 40);
  this->H()->SetSelected(other);
  TvxFreeWatch otherGone(other);
  ASSERT_TRUE(this->Designer().Choose({u"Delete object"}));
  EXPECT_TRUE(otherGone.Gone());
  EXPECT_EQ(this->H()->GetSelected(), panel);
  // Neither frees the root.
  this->H()->SetSelected(root);
  this->kind.KeyUp(46);
  EXPECT_EQ(this->H()->GetSelected(), root);
  ASSERT_TRUE(this->Designer().Choose({u"Delete object"}));
  EXPECT_EQ(this->H()->GetRoot(), root);
  EXPECT_EQ(this->H()->GetSelected(), root);
  EXPECT_EQ(root->GetChildrenCount(), 1);
}

TYPED_TEST(HostContract, HideInDesignTimeHidesTheRootOnlyInAScene) {
  this->Design();
  TvxVisualObject* root = this->Root();
  this->Add(root, 10, 10, 200, 200);
  // A scene hides its root and shows it again; a layer leaves it alone.
  this->H()->SetSelected(root);
  ASSERT_TRUE(this->Designer().Choose({u"Hide in Design-time"}));
  const bool scene = std::is_same_v<TypeParam, SceneKind>;
  EXPECT_EQ(root->DesignHide(), scene);
  EXPECT_EQ(this->H()->GetSelected(), root) << "a root has no parent to pass the selection to";
  std::vector<TvxDesignMenuItem> menu = this->Designer().BuildMenu();
  const auto hide = std::find_if(menu.begin(), menu.end(), [](auto& I) { return I.Caption == u"Hide in Design-time"; });
  ASSERT_NE(hide, menu.end());
  EXPECT_EQ(hide->Checked, scene);
  ASSERT_TRUE(this->Designer().Choose({u"Hide in Design-time"}));
  EXPECT_FALSE(root->DesignHide());
  EXPECT_EQ(this->H()->GetRoot(), root);
}

TYPED_TEST(HostContract, TheDesignHitTestTakesObjectsTheSelectionAndEmptyTrees) {
  this->Design();
  auto* root = new TvxVisualObject(this->kind.Owner());
  this->H()->AddObject(root);
  root->SetLocked(true);  // presses on it pass through to what lies under the host
  Box* box = this->Add(root, 100, 100, 40, 40);
  EXPECT_TRUE(this->Designer().HitTest(MakePoint(110, 110)));
  EXPECT_FALSE(this->Designer().HitTest(MakePoint(10, 10)));
  this->H()->SetSelected(box);
  box->SetLocked(true);
  EXPECT_TRUE(this->Designer().HitTest(MakePoint(110, 110))) << "the selection's area";
}

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

  // An unknown name forgets what was pending; a class outside the 2D objects is kept.
  this->H()->InsertObject("TdxGUIObjectLayer");
  EXPECT_EQ(this->Designer().PendingInsertText(), "TdxGUIObjectLayer");
  this->H()->InsertObject("TvxNoSuchThing");
  EXPECT_EQ(this->Designer().PendingInsertText(), "");
  // A root but no selection: nothing.
  this->Designer().Select(nullptr);
  const int before = root->GetChildrenCount();
  this->H()->InsertObject("TvxButton");
  EXPECT_EQ(root->GetChildrenCount(), before);
  EXPECT_EQ(this->H()->RootCount(), 1);
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

TYPED_TEST(HostContract, EditDefaultStyleCopiesTheButtonsStyleOnceIntoTheHostsResources) {
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
  for (TvxObject* c : res->Root()->Children()) copies += c->ResourceName() == "ButtonStyle";
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(DesignStyleName(button), "ButtonStyle");
  // The button now takes its look from the host's copy.
  ASSERT_NE(button->Style(), nullptr);

  // A custom style is named after the control and becomes its Resource.
  button->SetName("Apply");
  ASSERT_TRUE(this->Designer().Choose({u"Edit Custom Style..."}));
  EXPECT_EQ(button->Resource(), "Apply");
  EXPECT_NE(res->Root()->FindResource("Apply"), nullptr);
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
  EXPECT_EQ(count("PanelStyle"), 1) << "the inner panel shares the selection's part";
  const int expected = std::is_same_v<TypeParam, SceneKind> ? 1 : 0;
  EXPECT_EQ(count("ButtonStyle"), expected);
  EXPECT_EQ(count("CheckBoxStyle"), expected);
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
  EXPECT_EQ(count("ButtonStyle"), expected);
}

TYPED_TEST(HostContract, TheTabOrderWindowListsTheFocusableSiblingsAndMovesTheChosenOne) {
  this->Design();
  TvxVisualObject* root = this->Root();
  std::vector<TvxButton*> buttons;
  for (int i = 0; i < 3; ++i) {
    buttons.push_back(this->template Add<TvxButton>(root, 10, 10 + 30.0f * i, 80, 24));
    buttons.back()->SetName("Button" + std::to_string(i + 1));
  }
  this->template Add<TvxVisualObject>(root, 200, 10, 20, 20);  // not focusable: not listed
  this->H()->SetSelected(buttons[0]);
  bool ran = false;
  looptest::Later([&] {
    auto* f = dynamic_cast<TvxTabOrderForm*>(win::ActiveForm());
    ASSERT_NE(f, nullptr);
    ran = true;
    EXPECT_EQ(f->Caption(), "TabOrder Editor");
    EXPECT_EQ(f->Width(), 400);
    EXPECT_EQ(f->Height(), 300);
    EXPECT_FLOAT_EQ(f->List()->ItemHeight(), 20);
    ASSERT_EQ(f->List()->Count(), 3);
    EXPECT_EQ(f->List()->ItemByIndex(1)->Text(), u"Button2");
    EXPECT_EQ(f->List()->ItemIndex(), 0);
    f->UpButton()->Click();  // the first stays first
    EXPECT_EQ(f->ControlAt(0), buttons[0]);
    f->DownButton()->Click();
    EXPECT_EQ(f->ControlAt(1), buttons[0]);
    EXPECT_EQ(f->List()->ItemByIndex(0)->Text(), u"Button2");
    EXPECT_EQ(f->List()->ItemIndex(), 1) << "the moved control is still the chosen one";
    f->SetModalResult(win::mrOk);
  });
  ASSERT_TRUE(this->Designer().Choose({u"Tab Order..."}));
  EXPECT_TRUE(ran);
  EXPECT_GT(buttons[0]->GetTabOrder(), buttons[1]->GetTabOrder());
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

// ---- loading and looks ------------------------------------------------------------------------------

TYPED_TEST(HostContract, LoadedSnapOptionsShowNoGridOutsideADesignerAndLinesWinOverTheGrid) {
  this->kind.Load("  DesignSnapGridShow = True\r\n  DesignSnapToGrid = True\r\n  DesignSnapToLines = True\r\n");
  EXPECT_FALSE(this->H()->DesignSnapGridShow());
  EXPECT_FALSE(this->H()->DesignSnapToGrid());
  EXPECT_TRUE(this->H()->DesignSnapToLines());
  this->other.Make(100, 100);
  this->other.Host()->SetDesignTime(true);
  this->other.Load("  DesignSnapGridShow = True\r\n  DesignSnapToGrid = True\r\n  DesignSnapToLines = False\r\n");
  EXPECT_TRUE(this->other.Host()->DesignSnapGridShow()) << "inside a designer it is read";
  EXPECT_TRUE(this->other.Host()->DesignSnapToGrid());
}

TYPED_TEST(HostContract, TheSelectionShowsADashedFrameWhiteGripsAndTheHotOneRed) {
  this->Design();
  TvxVisualObject* root = this->Root();
  struct GreyBox : Box {
    explicit GreyBox(rtl::TComponent* Owner) : Box(Owner, 0xFF404040u) {}
  };
  this->template Add<GreyBox>(root, 100, 100, 120, 60);
  this->Click(150, 130);
  this->RepaintAll();
  this->SavePicture(std::string("selection_") + TypeParam::RootClass + ".png");
  // Corner grips: white inside, the frame colour on their rim.
  EXPECT_TRUE(Near(this->Pixel(100, 100), 0xFFFFFFFFu));
  EXPECT_TRUE(Near(this->Pixel(220, 160), 0xFFFFFFFFu));
  EXPECT_TRUE(Near(this->Pixel(160, 90), 0xFFFFFFFFu)) << "the rotation handle";
  // The frame along the top edge, dashed: some pixels in the frame colour, some not.
  int frame = 0;
  for (int x = 110; x < 150; ++x) frame += Near(this->Pixel(x, 100), 0xFF1072C5u);
  EXPECT_GT(frame, 5);
  EXPECT_LT(frame, 38);
  // The mouse over the bottom-right grip lights it.
  this->kind.Move({}, 220, 160);
  EXPECT_TRUE(this->Designer().GripHot(Editor::gripBottomRight));
  this->kind.Settle();
  EXPECT_TRUE(Near(this->Pixel(220, 160), 0xFFFF0000u));
  EXPECT_TRUE(Near(this->Pixel(100, 100), 0xFFFFFFFFu));
  this->SavePicture(std::string("selection_hot_") + TypeParam::RootClass + ".png");
}
