// The scene control in a form on SDL's dummy display: its defaults, dirty rectangles and
// painting (through the form's composed frame), input routed from the window to the
// objects, window moves and resizes, keys, focus and drops.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeScene.h"
#include "SceneForm.h"
#include "platform/loop/Application.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Display.h"
#include "platform/win/WinTypes.h"
#include "tests/loop/Later.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Frame.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace scene_control_test {

using namespace vg;
using vgtest::Box;

namespace {

class SizeGrip : public TvxVisualObject, public IvxSizeGrip {
public:
  using TvxVisualObject::TvxVisualObject;
};

using SceneControl = vgtest::SceneForm;

TEST_F(SceneControl, Defaults) {
  const int before = SceneCount();
  auto made = std::make_unique<TvxScene>(nullptr);
  TvxScene& s = *made;
  EXPECT_EQ(SceneCount(), before + 1);
  EXPECT_GE(SceneList->IndexOf(&s), 0);
  EXPECT_EQ(s.Width(), 100);
  EXPECT_EQ(s.Height(), 100);
  EXPECT_TRUE(s.AnimatedCaret());
  EXPECT_FALSE(s.Transparency());
  EXPECT_FALSE(s.TabStop());
  EXPECT_EQ(s.Align(), win::alNone);
  EXPECT_EQ(s.Fill()->Style(), vgBrushNone);
  EXPECT_EQ(s.Fill()->Color(), 0xFF000000u);
  EXPECT_TRUE(s.ShowHint());
  EXPECT_FALSE(s.GetDesignTime());
  EXPECT_TRUE(s.DesignSnapToLines());
  EXPECT_EQ(s.GetCanvas()->Scene(), static_cast<IvxScene*>(&s));
  EXPECT_EQ(s.GetCanvas()->Width(), 100);
  EXPECT_EQ(s.GetComponent(), &s);
  EXPECT_EQ(s.GetRoot(), nullptr);
  // Without a window nothing is marked.
  s.AddUpdateRect(MakeRect(0, 0, 10, 10));
  EXPECT_EQ(s.UpdateRegion().size(), 0u);
  EXPECT_EQ(s.GetUpdateRectsCount(), 0);
}

TEST_F(SceneControl, DirtyRectanglesSnapOutwardAndKeepWhatTouchesTheScene) {
  MakeScene(200, 100, true);  // transparent on a form: the rectangles are queued as they are
  ShowAndSettle();
  scene->AddUpdateRect(MakeRect(0.5f, 0.5f, 10.2f, 10.2f));
  ASSERT_EQ(scene->GetUpdateRectsCount(), 1);
  EXPECT_EQ(scene->GetUpdateRect(0), MakeRect(0, 0, 11, 11));
  scene->AddUpdateRect(MakeRect(5, 5, 5, 50));       // no width
  scene->AddUpdateRect(MakeRect(5, 5, 50, 5));       // no height
  scene->AddUpdateRect(MakeRect(202, 0, 250, 10));   // beyond the right edge
  scene->AddUpdateRect(MakeRect(-30, -30, -2, -2));  // beyond the top left
  EXPECT_EQ(scene->GetUpdateRectsCount(), 1);
  scene->AddUpdateRect(MakeRect(199.5f, 99.5f, 300, 300));  // touches the corner: kept, unclipped
  ASSERT_EQ(scene->GetUpdateRectsCount(), 2);
  EXPECT_EQ(scene->GetUpdateRect(1), MakeRect(199, 99, 301, 301));
  scene->SetDisableUpdate(true);
  scene->AddUpdateRect(MakeRect(0, 0, 5, 5));
  EXPECT_EQ(scene->GetUpdateRectsCount(), 2);
  scene->SetDisableUpdate(false);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(scene->GetUpdateRectsCount(), 0);

  // An opaque scene invalidates its window instead; its paint takes the region.
  scene->SetTransparency(false);
  rtl::Application->ProcessMessages();
  scene->AddUpdateRect(MakeRect(0.5f, 0.5f, 10.2f, 10.2f));
  EXPECT_EQ(scene->GetUpdateRectsCount(), 0);
  ASSERT_EQ(scene->UpdateRegion().size(), 1u);
  EXPECT_EQ(scene->UpdateRegion()[0], (win::TRect{0, 0, 11, 11}));
}

TEST_F(SceneControl, TwentyDirtyRectanglesPaintAloneAndTwentyOneAsTheirUnion) {
  MakeScene(200, 100);
  Box* root = AddRoot(0, 0, 10, 10);
  root->color = 0xFFFF0000u;
  ShowAndSettle();
  ASSERT_EQ(form->PresentedPixel(2, 0), 0xFFFF0000u);
  for (int count : {20, 21}) {
    root->color = count == 20 ? 0xFF0000FFu : 0xFF00FF00u;
    root->paints = 0;
    // One-pixel rectangles four pixels apart along the top row.
    for (int i = 0; i < count; ++i)
      scene->AddUpdateRect(MakeRect(static_cast<float>(4 * i), 0, static_cast<float>(4 * i) + 0.5f, 0.5f));
    rtl::Application->ProcessMessages();
    EXPECT_EQ(root->paints, 1) << count;
    EXPECT_EQ(form->PresentedPixel(4, 0), root->color) << count;
    EXPECT_EQ(form->PresentedPixel(76, 0), root->color) << count;
    // Between the rectangles: untouched with 20, painted with the union of 21.
    const vg::TvxColor between = count == 20 ? 0xFFFF0000u : root->color;
    EXPECT_EQ(form->PresentedPixel(2, 0), between) << count;
    EXPECT_EQ(form->PresentedPixel(2, 1), 0xFFFF0000u) << count;
  }
}

TEST_F(SceneControl, TenUpdateRequestsOnATransparentSceneCauseOnePaint) {
  MakeScene(200, 100, true);
  Box* root = AddRoot(0, 0, 10, 10);
  ShowAndSettle();
  root->paints = 0;
  const int presents = form->PresentCount();
  for (int i = 0; i < 10; ++i) scene->AddUpdateRect(MakeRect(static_cast<float>(i * 10), 0, static_cast<float>(i * 10 + 5), 5));
  win::MSG m;
  EXPECT_TRUE(rtl::PeekMessage(m, scene->Handle(), WM_SCENEREPAINT, WM_SCENEREPAINT, rtl::PM_NOREMOVE));
  rtl::Application->ProcessMessages();
  EXPECT_EQ(root->paints, 1);
  EXPECT_EQ(form->PresentCount(), presents + 1);
  EXPECT_FALSE(rtl::PeekMessage(m, scene->Handle(), WM_SCENEREPAINT, WM_SCENEREPAINT, rtl::PM_NOREMOVE));
}

TEST_F(SceneControl, SetFillCopiesTheBrush) {
  MakeScene();
  {
    TvxBrush b(vgBrushSolid, 0xFF123456u);
    scene->SetFill(&b);
    EXPECT_NE(scene->Fill(), &b);
    EXPECT_EQ(scene->Fill()->Style(), vgBrushSolid);
    EXPECT_EQ(scene->Fill()->Color(), 0xFF123456u);
    b.SetSolidColor(0xFF000000u);
  }
  // The caller's brush is gone; the scene's own is intact and unchanged.
  EXPECT_EQ(scene->Fill()->Color(), 0xFF123456u);
}

TEST_F(SceneControl, TheFirstRootFillsTheSceneTurnedRootsWithSidesExchanged) {
  MakeScene(200, 100);
  auto* root = new TvxVisualObject(form.get());
  root->SetRotateAngle(90);
  scene->AddObject(root);
  EXPECT_EQ(root->Position()->X(), 50);
  EXPECT_EQ(root->Position()->Y(), -50);
  EXPECT_EQ(root->Width(), 100);
  EXPECT_EQ(root->Height(), 200);
  root->SetRotateAngle(0);
  root->Scale()->SetX(2);
  scene->RealignRoot();
  EXPECT_EQ(root->Width(), 100);
  EXPECT_EQ(root->Height(), 100);
  // A root scaled to nothing keeps its bounds.
  root->Scale()->SetX(0);
  scene->RealignRoot();
  EXPECT_EQ(root->Width(), 100);
  EXPECT_EQ(root->Height(), 100);
  form->SetBounds(10, 20, 300, 50);
  root->Scale()->SetX(1);
  scene->RealignRoot();
  EXPECT_EQ(root->Width(), 300);
  EXPECT_EQ(root->Height(), 50);
}

TEST_F(SceneControl, AClickThroughTheWindowReachesTheObjectUnderTheMouse) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* left = Add(root, 10, 10, 50, 50);
  Box* right = Add(root, 100, 10, 50, 50);
  ShowAndSettle();
  std::vector<std::string> seen;
  auto record = [&](const char* Who) {
    return [&seen, Who](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState Shift, float X, float Y) {
      seen.push_back(std::string(Who) + " " + std::to_string(static_cast<int>(X)) + "," +
                     std::to_string(static_cast<int>(Y)) + (Shift.Contains(rtl::ssDouble) ? " double" : ""));
    };
  };
  left->OnMouseDown = record("left");
  right->OnMouseDown = record("right");
  right->OnMouseUp = record("right up");
  win::SimulateMouseMove(form.get(), 120, 30);
  EXPECT_EQ(scene->Hovered(), right);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 120, 30);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 120, 30);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 121, 31, 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"right 20,20", "right up 20,20", "right 21,21 double"}));
  EXPECT_TRUE(scene->Focused());
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 121, 31, 2);
  win::SimulateMouseLeave(form.get());
  EXPECT_EQ(scene->Hovered(), nullptr);
}

TEST_F(SceneControl, ACapturedObjectKeepsTheMouseAndTheHoverStays) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* a = Add(root, 0, 0, 50, 50);
  Box* b = Add(root, 100, 0, 50, 50);
  b->SetCursor(win::crHandPoint);
  ShowAndSettle();
  int aMoves = 0, bMoves = 0;
  a->OnMouseMove = [&](rtl::TObject*, rtl::TShiftState, float, float, float, float) { ++aMoves; };
  b->OnMouseMove = [&](rtl::TObject*, rtl::TShiftState, float, float, float, float) { ++bMoves; };
  win::SimulateMouseMove(form.get(), 10, 10);
  scene->SetCaptured(a);
  EXPECT_EQ(form->CaptureControl(), scene);
  win::SimulateMouseMove(form.get(), 120, 10);
  EXPECT_EQ(aMoves, 2);
  EXPECT_EQ(bMoves, 0);
  EXPECT_EQ(scene->Hovered(), a);
  EXPECT_EQ(form->CurrentCursor(), win::crDefault);
  scene->SetCaptured(nullptr);
  win::SimulateMouseMove(form.get(), 121, 10);
  EXPECT_EQ(scene->Hovered(), b);
  EXPECT_EQ(form->CurrentCursor(), win::crHandPoint);
}

TEST_F(SceneControl, APressOnEmptySpaceMovesTheWindowAndAGripResizesIt) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Add<SizeGrip>(root, 180, 80, 20, 20);
  ShowAndSettle();
  // Only with the left button: the right one moves and sizes nothing.
  for (const win::TPoint at : {win::TPoint{5, 5}, win::TPoint{190, 90}}) {
    win::SimulateMouseButton(form.get(), rtl::mbRight, true, at.X, at.Y);
    EXPECT_FALSE(scene->Moving() || scene->Resizing());
    win::SimulateMouseMove(form.get(), at.X + 20, at.Y + 10);
    win::SimulateMouseButton(form.get(), rtl::mbRight, false, at.X + 20, at.Y + 10);
  }
  EXPECT_EQ(form->Left(), 10);
  EXPECT_EQ(form->Width(), 200);
  win::SimulateMouseMove(form.get(), 5, 5);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 5, 5);
  EXPECT_TRUE(scene->Moving());
  win::SimulateMouseMove(form.get(), 25, 15);
  EXPECT_EQ(form->Left(), 30);
  EXPECT_EQ(form->Top(), 30);
  // The window moved under the mouse: the same screen point is now (5, 5) again.
  win::SimulateMouseMove(form.get(), 5, 5);
  EXPECT_EQ(form->Left(), 30);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 5, 5);
  EXPECT_FALSE(scene->Moving());
  win::SimulateMouseMove(form.get(), 50, 50);
  EXPECT_EQ(form->Left(), 30);

  win::SimulateMouseMove(form.get(), 190, 90);
  EXPECT_EQ(form->CurrentCursor(), win::crSizeNWSE);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 190, 90);
  EXPECT_TRUE(scene->Resizing());
  win::SimulateMouseMove(form.get(), 230, 100);
  EXPECT_EQ(form->Width(), 240);
  EXPECT_EQ(form->Height(), 110);
  EXPECT_EQ(scene->Width(), 240);
  EXPECT_EQ(scene->GetCanvas()->Width(), 240);
  // Dragged far past the top left corner, the window keeps one pixel.
  win::SimulateMouseMove(form.get(), -1000, -1000);
  EXPECT_EQ(form->Width(), 1);
  EXPECT_EQ(form->Height(), 1);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, -1000, -1000);
  EXPECT_FALSE(scene->Resizing());

  // A scene owned by a control inside the form resizes that control, also never below 1.
  form->SetBounds(0, 0, 300, 200);
  auto* panel = new win::TCustomControl(form.get());
  panel->SetBounds(50, 50, 100, 100);
  panel->SetParent(form.get());
  auto* inner = new TvxScene(panel);
  inner->SetParent(panel);
  inner->SetAlign(win::alClient);
  auto* innerRoot = new TvxVisualObject(form.get());
  innerRoot->SetHitTest(false);
  inner->AddObject(innerRoot);
  Add<SizeGrip>(innerRoot, 90, 90, 10, 10);
  rtl::Application->ProcessMessages();
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 145, 145);
  win::SimulateMouseMove(form.get(), 155, 165);
  EXPECT_EQ(panel->Width(), 110);
  EXPECT_EQ(panel->Height(), 120);
  EXPECT_EQ(inner->Height(), 120);
  win::SimulateMouseMove(form.get(), 0, 0);
  EXPECT_EQ(panel->Width(), 1);
  EXPECT_EQ(panel->Height(), 1);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 0, 0);
}

struct KeyLog {
  std::vector<std::string> lines;
  void Hook(TvxVisualObject* O, const std::string& Name) {
    O->OnKeyDown = [this, Name](rtl::TObject*, uint16_t& Key, char16_t& Ch, rtl::TShiftState Shift) {
      lines.push_back(Name + " down " + std::to_string(Key) + " " + std::to_string(static_cast<int>(Ch)) +
                      (Shift.Contains(rtl::ssCtrl) ? " ctrl" : ""));
    };
    O->OnKeyUp = [this, Name](rtl::TObject*, uint16_t& Key, char16_t& Ch, rtl::TShiftState) {
      lines.push_back(Name + " up " + std::to_string(Key) + " " + std::to_string(static_cast<int>(Ch)));
    };
  }
};

TEST_F(SceneControl, CtrlCReachesTheFocusedObjectAsItsLetter) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* box = Add(root, 0, 0, 50, 50);
  box->SetCanFocused(true);
  ShowAndSettle();
  scene->SetFocus();
  box->SetFocus();
  EXPECT_EQ(scene->GetFocused(), box);
  KeyLog log;
  log.Hook(box, "box");
  win::SimulateKeyStroke(form.get(), 'c', {rtl::ssCtrl});
  EXPECT_EQ(log.lines, (std::vector<std::string>{"box down 17 0 ctrl", "box down 67 0 ctrl", "box down 0 99 ctrl",
                                                 "box up 0 99", "box up 67 0", "box up 17 0"}));
  // Typed text goes as characters only; Enter as a character does nothing.
  log.lines.clear();
  win::SimulateText(form.get(), "\xC3\xA9");
  win::SimulateKeyStroke(form.get(), SDLK_RETURN);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"box down 0 233", "box down 13 0", "box up 13 0"}));
}

TEST_F(SceneControl, TabWalksTheFocusableObjectsBothWays) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* first = Add(root, 0, 0, 20, 20);
  Box* hidden = Add(root, 30, 0, 20, 20);
  Box* second = Add(root, 60, 0, 20, 20);
  for (Box* b : {first, hidden, second}) b->SetCanFocused(true);
  hidden->SetVisible(false);
  ShowAndSettle();
  scene->SetFocus();
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(scene->GetFocused(), first);
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(scene->GetFocused(), second);
  win::SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_EQ(scene->GetFocused(), first);
  win::SimulateKeyStroke(form.get(), SDLK_TAB, {rtl::ssShift});
  EXPECT_EQ(scene->GetFocused(), second);
  // The scene keeps the keyboard focus: Tab is not taken by the form.
  EXPECT_EQ(form->ActiveControl(), scene);
}

using looptest::Later;

TEST_F(SceneControl, EscapeClosesTheModalFormUnlessTheRootTakesTheKey) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Later([&] {
    scene->SetFocus();
    win::SimulateKeyStroke(form.get(), SDLK_ESCAPE);
  });
  EXPECT_EQ(form->ShowModal(), win::mrCancel);

  bool taken = true;
  struct Taker : TvxVisualObject {
    using TvxVisualObject::TvxVisualObject;
    bool* take = nullptr;
    void DialogKey(uint16_t& Key, rtl::TShiftState) override {
      if (*take && Key == win::VK_ESCAPE) Key = 0;
    }
  };
  auto* taker = new Taker(form.get());
  taker->take = &taken;
  scene->RemoveObject(root);
  delete root;
  scene->AddObject(taker);
  Later([&] {
    scene->SetFocus();
    win::SimulateKeyStroke(form.get(), SDLK_ESCAPE);
    EXPECT_TRUE(form->Showing());
    form->SetModalResult(win::mrOk);
  });
  EXPECT_EQ(form->ShowModal(), win::mrOk);
}

TEST_F(SceneControl, DroppedFilesReachTheTargetUnderTheMouse) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* target = Add(root, 100, 0, 100, 100);
  ShowAndSettle();
  target->OnDragOver = [](rtl::TObject*, const TvxDragObject&, const TvxPoint&, bool& Accept) { Accept = true; };
  TvxDragObject got;
  TvxPoint at{};
  int drops = 0;
  target->OnDragDrop = [&](rtl::TObject*, const TvxDragObject& Data, const TvxPoint& P) {
    ++drops;
    got = Data;
    at = P;
  };
  win::SimulateDrop(form.get(), {"/data/one.cfg", "/data/two.cfg"}, "", 20, 20);
  EXPECT_EQ(drops, 0);
  win::SimulateDrop(form.get(), {"/data/one.cfg", "/data/two.cfg"}, "", 150, 40);
  ASSERT_EQ(drops, 1);
  EXPECT_EQ(got.Files, (std::vector<std::u16string>{u"/data/one.cfg", u"/data/two.cfg"}));
  EXPECT_EQ(std::get<std::u16string>(got.Data), u"/data/one.cfg");
  EXPECT_EQ(at.X, 150);
  EXPECT_EQ(at.Y, 40);
  // Without a visual root a drop is refused.
  scene->RemoveObject(root);
  std::int32_t effect = 1;
  EXPECT_EQ(scene->DragEnter({}, {}, {0, 0}, effect), win::E_UNEXPECTED);
  EXPECT_EQ(effect, win::DROPEFFECT_NONE);
  delete root;
}

TEST_F(SceneControl, ADraggedObjectIsDroppedOnTheObjectThatAccepts) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* source = Add(root, 0, 0, 50, 50);
  Box* target = Add(root, 100, 0, 50, 50);
  ShowAndSettle();
  source->OnMouseDown = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
    scene->BeginVCLDrag(source);
  };
  rtl::TObject* offered = nullptr;
  target->OnDragOver = [&](rtl::TObject*, const TvxDragObject& Data, const TvxPoint&, bool& Accept) {
    offered = Data.Source;
    Accept = true;
  };
  rtl::TObject* dropped = nullptr;
  target->OnDragDrop = [&](rtl::TObject*, const TvxDragObject& Data, const TvxPoint&) { dropped = Data.Source; };
  int ends = 0;
  source->OnDragEnd = [&](rtl::TObject*) { ++ends; };
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 10, 10);
  win::SimulateMouseMove(form.get(), 120, 10);
  win::SimulateMouseMove(form.get(), 125, 10);
  EXPECT_EQ(offered, source);
  EXPECT_EQ(form->CurrentCursor(), win::crDrag);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 125, 10);
  EXPECT_EQ(dropped, source);
  EXPECT_EQ(ends, 1);
  // Released over nothing that accepts: no drop, the drag still ends.
  dropped = nullptr;
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 10, 10);
  win::SimulateMouseMove(form.get(), 70, 70);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 70, 70);
  EXPECT_EQ(dropped, nullptr);
  EXPECT_EQ(ends, 2);
}

TEST_F(SceneControl, TheWheelGoesUpFromTheObjectUnderTheMouseUntilOneUsesIt) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* outer = Add(root, 0, 0, 100, 100);
  Box* inner = Add(outer, 10, 10, 20, 20);
  ShowAndSettle();
  std::vector<std::string> seen;
  outer->OnMouseWheel = [&](rtl::TObject*, rtl::TShiftState, int Delta, const TvxPoint&, bool& Handled) {
    seen.push_back("outer " + std::to_string(Delta));
    Handled = true;
  };
  inner->OnMouseWheel = [&](rtl::TObject*, rtl::TShiftState, int Delta, const TvxPoint&, bool&) {
    seen.push_back("inner " + std::to_string(Delta));
  };
  root->OnMouseWheel = [&](rtl::TObject*, rtl::TShiftState, int, const TvxPoint&, bool&) { seen.push_back("root"); };
  win::SimulateMouseMove(form.get(), 15, 15);
  win::SimulateMouseWheel(form.get(), -1);
  EXPECT_EQ(seen, (std::vector<std::string>{"inner -120", "outer -120"}));
}

TEST_F(SceneControl, FreedObjectsLeaveEveryReferenceAndTheLastSceneLeavesTheTicker) {
  MakeScene(200, 100);
  TvxVisualObject* root = AddEmptyRoot();
  Box* box = Add(root, 0, 0, 50, 50);
  box->SetCanFocused(true);
  ShowAndSettle();
  win::SimulateMouseMove(form.get(), 10, 10);
  box->SetFocus();
  scene->SetCaptured(box);
  ASSERT_EQ(scene->Hovered(), box);
  delete box;
  EXPECT_EQ(scene->Hovered(), nullptr);
  EXPECT_EQ(scene->GetFocused(), nullptr);
  EXPECT_EQ(scene->GetCaptured(), nullptr);
  win::SimulateMouseMove(form.get(), 12, 12);
  // The ticker made by an animation outlives the scenes.
  auto* ani = new TvxFloatAnimation(form.get());
  root->AddObject(ani);
  ani->SetPropertyName("Opacity");
  ani->SetStopValue(0.5f);
  ani->Start();
  ASSERT_NE(AniThread(), nullptr);
  form.reset();
  EXPECT_NE(AniThread(), nullptr);
}

// A form that lived by value goes as a freed one does: its window, its scene and its own controls
// go with it, a control owned elsewhere is left without a parent, and nothing the display still
// has for its window reaches it; the main form goes on, and its close ends the run.
TEST_F(SceneControl, AFormThatLivedByValueTakesItsWindowAndItsControlsAlong) {
  MakeScene(200, 100);
  win::SetMainForm(form.get());
  ShowAndSettle();
  const int scenes = SceneCount();
  auto* kept = new win::TCustomControl(form.get());
  Uint32 id = 0;
  {
    win::TForm byValue(nullptr);
    byValue.SetBorderStyle(win::bsNone);
    byValue.SetBounds(300, 20, 120, 80);
    auto* inner = new TvxScene(&byValue);
    inner->SetParent(&byValue);
    inner->SetAlign(win::alClient);
    auto* box = new Box(&byValue);
    box->SetBounds(0, 0, 50, 50);
    box->SetCanFocused(true);
    inner->AddObject(box);
    (new win::TCustomControl(&byValue))->SetParent(&byValue);
    kept->SetParent(&byValue);
    byValue.Show();
    rtl::Application->ProcessMessages();
    win::SimulateMouseMove(&byValue, 10, 10);
    box->SetFocus();
    ASSERT_EQ(win::ActiveForm(), &byValue);
    ASSERT_EQ(SceneCount(), scenes + 1);
    id = SDL_GetWindowID(byValue.Window());
  }
  EXPECT_EQ(SDL_GetWindowFromID(id), nullptr) << "its window stayed";
  EXPECT_EQ(kept->Parent(), nullptr);
  EXPECT_EQ(SceneCount(), scenes);
  EXPECT_EQ(win::ActiveForm(), nullptr);
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = id;
  for (const auto event : {SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_CLOSE}) {
    e.window.event = static_cast<Uint8>(event);
    win::HandleEvent(e);
  }
  rtl::Application->ProcessMessages();
  EXPECT_FALSE(rtl::Application->Terminated());
  win::SimulateClose(form.get());
  EXPECT_TRUE(rtl::Application->Terminated());
  rtl::Application->Reset();
  win::SetMainForm(nullptr);
}

TEST_F(SceneControl, AFrameBorrowsTheRootOfAnotherSceneAndGivesItBack) {
  MakeScene(200, 100);
  Box* root = AddRoot(0, 0, 10, 10);
  ShowAndSettle();
  vgtest::FakeScene host;
  auto* frame = new TvxFrame(nullptr);
  frame->SetBounds(0, 0, 80, 60);
  host.AddObject(frame);
  frame->SetSceneObject(scene);
  EXPECT_EQ(root->Parent(), frame);
  EXPECT_EQ(root->Width(), 80);
  EXPECT_EQ(scene->Frame(), frame);
  EXPECT_EQ(scene->GetRoot(), nullptr);
  // A second frame waits: the scene is shown elsewhere.
  auto* second = new TvxFrame(nullptr);
  host.AddObject(second);
  second->SetSceneObject(scene);
  EXPECT_TRUE(second->Pending());
  delete second;
  delete frame;
  EXPECT_EQ(scene->GetRoot(), root);
  EXPECT_EQ(root->Scene(), static_cast<IvxScene*>(scene));
  EXPECT_EQ(scene->Frame(), nullptr);
}

}  // namespace

TEST_F(SceneControl, AFormStreamCarriesItsSceneAndTheScenesRootObjects) {
  MakeScene(200, 100);
  auto* root = new TvxRectangle(form.get());
  scene->AddObject(root);
  Add<TvxEllipse>(root, 10, 20, 30, 40);
  rtl::TMemoryStream s;
  {
    rtl::TWriter w(&s);
    w.WriteRootComponent(form.get());
  }
  rtl::TStringStream bin(std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()))), text;
  rtl::ObjectBinaryToText(&bin, &text);
  // The scene is written under the form, the shapes under the scene.
  const std::string t = text.DataString();
  const size_t sceneAt = t.find("object TvxScene"), rectAt = t.find("object TvxEllipse");
  ASSERT_NE(sceneAt, std::string::npos) << t;
  ASSERT_NE(rectAt, std::string::npos) << t;
  EXPECT_LT(sceneAt, rectAt);
  EXPECT_NE(t.find("Align = alClient"), std::string::npos) << t;

  auto copy = std::make_unique<win::TForm>(nullptr);
  bin.SetPosition(0);
  rtl::TReader r(&bin);
  r.ReadRootComponent(copy.get());
  ASSERT_EQ(copy->ControlCount(), 1);
  auto* read = dynamic_cast<TvxScene*>(copy->Controls(0));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Owner(), copy.get());
  EXPECT_EQ(read->Align(), win::alClient);
  TvxObject* readRoot = read->GetRoot();
  ASSERT_NE(readRoot, nullptr);
  ASSERT_EQ(readRoot->GetChildrenCount(), 1);
  auto* readRect = dynamic_cast<TvxEllipse*>(readRoot->GetChild(0));
  ASSERT_NE(readRect, nullptr);
  EXPECT_FLOAT_EQ(readRect->Width(), 30);
  EXPECT_FLOAT_EQ(readRect->Position()->Y(), 20);
}

namespace {

// A canvas whose buffer cannot be had beyond a size, as memory running out would refuse it.
class ScarceCanvas : public TvxCanvasGdiPlus {
  RTL_CLASS(ScarceCanvas, TvxCanvasGdiPlus)
public:
  using TvxCanvasGdiPlus::TvxCanvasGdiPlus;
  void ResizeBuffer(int AWidth, int AHeight) override {
    if (AWidth > 300) {
      TvxCanvasGdiPlus::ResizeBuffer(1, 1);
      throw rtl::Exception("Can't allocate the DIB handle");
    }
    TvxCanvasGdiPlus::ResizeBuffer(AWidth, AHeight);
  }
};
rtl::TClass ScarceCanvas::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<ScarceCanvas>().Build();
  return &info;
}
struct ScarceCanvasClass : TvxCanvasClass {
  rtl::TClass ClassInfo() const override { return ScarceCanvas::StaticClass(); }
  std::unique_ptr<TvxCanvas> Create(int W, int H) const override { return std::make_unique<ScarceCanvas>(W, H); }
  std::unique_ptr<TvxCanvas> CreateFromBitmap(TvxBitmap* B) const override {
    return TvxCanvasGdiPlus::ClassRef()->CreateFromBitmap(B);
  }
};

// A scene is kept within a form's bounds however it is sized; a buffer it cannot have is
// reported through the application, never raised out of showing or resizing the window.
TEST_F(SceneControl, TheSceneIsBoundedLikeAFormAndAFailedBufferIsReported) {
  MakeScene(300, 200);
  scene->SetAlign(win::alNone);
  scene->SetBounds(-100000, 100000, 20000, 16000);
  EXPECT_EQ(scene->Left(), -win::TControl::MaxControlPosition);
  EXPECT_EQ(scene->Top(), win::TControl::MaxControlPosition);
  EXPECT_EQ(scene->Width(), win::TControl::MaxControlSize);
  EXPECT_EQ(scene->Height(), win::TControl::MaxControlSize);
  form.reset();

  const ScarceCanvasClass scarce;
  const TvxCanvasClass* saved = DefaultCanvasClass;
  DefaultCanvasClass = &scarce;
  std::vector<std::string> reported;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { reported.push_back(E.what()); };
  MakeScene(400, 200);
  EXPECT_NO_THROW(ShowAndSettle());
  EXPECT_EQ(reported, std::vector<std::string>{"Can't allocate the DIB handle"});
  // Nothing painted, nothing broken; a size it can have paints again.
  AddRoot(0, 0, 50, 50);
  rtl::Application->ProcessMessages();
  EXPECT_NO_THROW(form->SetBounds(10, 20, 250, 100));
  rtl::Application->ProcessMessages();
  EXPECT_EQ(reported.size(), 1u);
  EXPECT_EQ(form->PresentedPixel(10, 10), 0xFF3060C0u);  // the box, shown again
  EXPECT_NO_THROW(form->SetBounds(10, 20, 500, 100));
  EXPECT_EQ(reported.size(), 2u);
  form.reset();
  rtl::Application->OnException = nullptr;
  DefaultCanvasClass = saved;
}

}  // namespace

TEST_F(SceneControl, TheDesignHitTestAnswersOverObjectsTheSelectionAndEmptyTreesOnly) {
  MakeScene(200, 100);
  ShowAndSettle();
  auto ask = [&](int X, int Y) {
    win::MSG m{};
    m.message = win::CM_DESIGNHITTEST;
    m.lParam = win::MakePointParam(X, Y);
    return scene->WndProc(m);
  };
  EXPECT_EQ(ask(10, 10), 0) << "a scene that is not designed leaves the designer's presses alone";
  scene->SetDesignTime(true);
  EXPECT_EQ(ask(10, 10), 1) << "a tree without roots";
  TvxVisualObject* root = AddEmptyRoot();
  root->SetLocked(true);
  Box* box = Add(root, 50, 20, 40, 30);
  EXPECT_EQ(ask(60, 30), 1) << "over an object";
  EXPECT_EQ(ask(150, 80), 0) << "over empty space";
  scene->SetSelected(box);
  box->SetLocked(true);
  EXPECT_EQ(ask(60, 30), 1) << "the selection's area";
  EXPECT_EQ(ask(-5, -5), 0) << "a point left of and above the scene";
}

}  // namespace scene_control_test
