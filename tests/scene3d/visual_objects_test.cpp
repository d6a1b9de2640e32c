// Visual objects: matrices and incremental rotation, inherited opacity, painting order and
// render states, hit tests along pick rays, the click and focus logic, triggers, the
// orientation in streams, and bodies in the host's physics engine.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "platform/rtl/Streams.h"
#include "scene3d/Animations.h"
#include "scene3d/Layers.h"
#include "scene3d/VisualObjects.h"
#include "vg2d/core/VisualObjects.h"

namespace visual_objects_test {

using namespace dx;
using dxtest::FakeScene;
using dxtest::RecordingCanvas;

namespace {

// A visual object that writes its painting steps into the recording canvas's log and is hit
// as a box of its size.
class Probe : public TdxVisualObject {
public:
  explicit Probe(rtl::TComponent* AOwner, std::string AName = "") : TdxVisualObject(AOwner), tag_(std::move(AName)) {}
  void BeforePaint() override {
    Note("before ");
    TdxVisualObject::BeforePaint();
  }
  void Render() override { Note("render "); }
  void AfterPaint() override { Note("after "); }
  bool RayCastIntersect(const TdxVector& P, const TdxVector& D, TdxVector& Hit) override {
    return BoxRayCast(P, D, {Width(), Height(), Depth(), 0}, 0.5f, Hit);
  }

private:
  void Note(const std::string& What) {
    if (auto* c = dynamic_cast<RecordingCanvas*>(GetCanvas())) c->Log.push_back(What + tag_);
  }
  std::string tag_;
};

void ExpectRows(const TdxMatrix& M, std::initializer_list<std::initializer_list<float>> Rows) {
  int r = 0;
  for (const auto& row : Rows) {
    int c = 0;
    for (float v : row) {
      EXPECT_NEAR(M.M[r][c], v, 1e-5f) << "row " << r << " column " << c;
      ++c;
    }
    ++r;
  }
}

// A root of the fake host with its canvas.
struct Stage {
  Stage() {
    scene.canvas = &canvas;
    root = new TdxVisualObject(nullptr);
    scene.AddObject(root);
  }
  template <class T = Probe, class... A>
  T* Add(TdxObject* Parent, A&&... Args) {
    auto* o = new T(nullptr, std::forward<A>(Args)...);
    Parent->AddObject(o);
    return o;
  }
  RecordingCanvas canvas;
  FakeScene scene;
  TdxVisualObject* root;
};

}  // namespace

// ---- matrices and opacity ---------------------------------------------------------------------

TEST(DxVisualObject, LocalMatrixScalesRotatesThenMovesAndChildrenFollowTheirParent) {
  Stage st;
  auto* o = st.Add(st.root);
  o->Position()->SetPoint({1, 2, 3});
  o->Scale()->SetX(2);
  ExpectRows(o->LocalMatrix(), {{2, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 2, 3, 1}});

  auto* child = st.Add(o);
  child->Position()->SetPoint({1, 0, 0});
  EXPECT_EQ(child->AbsolutePosition(), dxVector(3, 2, 3));
  // Moving the parent moves the child; taking it out leaves it at its own place.
  o->Position()->SetX(5);
  EXPECT_EQ(child->AbsolutePosition(), dxVector(7, 2, 3));
  o->RemoveObject(child);
  EXPECT_EQ(child->AbsolutePosition(), dxVector(1, 0, 0));
  EXPECT_EQ(child->AbsoluteToLocal(dxVector(4, 0, 0)), dxVector(3, 0, 0));
  child->Free();
}

TEST(DxVisualObject, RotationTurnsByEachChangeSoTheOrderOfChangesCounts) {
  TdxVisualObject z(nullptr);
  z.RotateAngle()->SetZ(90);
  ExpectRows(z.LocalMatrix(), {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}});

  TdxVisualObject yx(nullptr);
  yx.RotateAngle()->SetY(90);
  yx.RotateAngle()->SetX(90);
  ExpectRows(yx.LocalMatrix(), {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}});

  TdxVisualObject xy(nullptr);
  xy.RotateAngle()->SetX(90);
  xy.RotateAngle()->SetY(90);
  ExpectRows(xy.LocalMatrix(), {{0, -1, 0}, {0, 0, -1}, {1, 0, 0}});

  // Back to 0, 0, 0: the identity, whatever was turned on the way.
  xy.RotateAngle()->SetX(0);
  xy.RotateAngle()->SetY(0);
  EXPECT_EQ(xy.LocalMatrix(), IdentityMatrix);
  EXPECT_EQ(xy.Quaternion(), IdentityQuaternion);

  // A whole point turns X, then Y, then Z; angles are kept in range.
  TdxVisualObject all(nullptr);
  all.RotateAngle()->SetPoint({90, 90, 0});
  ExpectRows(all.LocalMatrix(), {{0, -1, 0}, {0, 0, -1}, {1, 0, 0}});
  all.RotateAngle()->SetZ(-270);
  EXPECT_EQ(all.RotateAngle()->Z(), 90);
  // An angle that is no number leaves the orientation alone.
  const TdxMatrix before = all.LocalMatrix();
  all.RotateAngle()->SetX(std::nanf(""));
  EXPECT_EQ(all.LocalMatrix(), before);
}

TEST(DxVisualObject, OpacityIsClampedAndMultipliedDownTheTree) {
  Stage st;
  auto* parent = st.Add(st.root);
  auto* child = st.Add(parent);
  parent->SetOpacity(0.5f);
  child->SetOpacity(0.5f);
  EXPECT_FLOAT_EQ(child->GetAbsoluteOpacity(), 0.25f);
  parent->SetOpacity(1);
  EXPECT_FLOAT_EQ(child->GetAbsoluteOpacity(), 0.5f);
  child->SetOpacity(2);
  EXPECT_EQ(child->Opacity(), 1);
  child->SetOpacity(std::nanf(""));
  EXPECT_EQ(child->Opacity(), 1);
  // A new parent's opacity counts at once.
  auto* dim = st.Add(st.root);
  dim->SetOpacity(0.25f);
  dim->AddObject(child);
  EXPECT_FLOAT_EQ(child->GetAbsoluteOpacity(), 0.25f);
}

TEST(DxVisualObject, RepaintsAreAskedForVisibleChangesUnlessTheHostDrawsAllTheTime) {
  Stage st;
  auto* o = st.Add(st.root);
  int before = st.scene.repaints;
  o->Position()->SetX(3);
  EXPECT_GT(st.scene.repaints, before);
  // A screen parent passes its projection on to what joins it.
  auto* screen = st.Add(st.root);
  screen->SetProjection(dxProjectionScreen);
  screen->AddObject(o);
  EXPECT_EQ(o->Projection(), dxProjectionScreen);
  o->SetVisible(false);
  before = st.scene.repaints;
  o->Position()->SetX(4);
  EXPECT_EQ(st.scene.repaints, before);
  o->SetVisible(true);
  st.scene.realTime = true;
  before = st.scene.repaints;
  o->Position()->SetX(5);
  EXPECT_EQ(st.scene.repaints, before);
  st.scene.designTime = true;
  o->Position()->SetX(6);
  EXPECT_GT(st.scene.repaints, before);
}

// Hiding an object takes it off the screen as showing puts it there: either asks for a frame,
// for a shape and for a layer alike.
TEST(DxVisualObject, HidingAndShowingEachAskForAFrame) {
  Stage st;
  auto* o = st.Add(st.root);
  auto* layer = st.Add<TdxBufferLayer>(st.root);
  for (TdxVisualObject* x : std::initializer_list<TdxVisualObject*>{o, layer}) {
    SCOPED_TRACE(x == o ? "shape" : "layer");
    int before = st.scene.repaints;
    x->SetVisible(false);
    EXPECT_GT(st.scene.repaints, before) << "hidden";
    before = st.scene.repaints;
    x->SetVisible(false);
    EXPECT_EQ(st.scene.repaints, before) << "hidden again";
    x->SetVisible(true);
    EXPECT_GT(st.scene.repaints, before) << "shown";
  }
  // A host that draws every frame anyway is asked for nothing.
  st.scene.realTime = true;
  const int before = st.scene.repaints;
  o->SetVisible(false);
  o->SetVisible(true);
  EXPECT_EQ(st.scene.repaints, before);
}

// ---- painting --------------------------------------------------------------------------------------

TEST(DxVisualObject, PaintSetsEachChildsStatesAndMatrixThenRunsItsStepsAndChildren) {
  Stage st;
  auto* a = st.Add(st.root, "a");
  auto* b = st.Add(st.root, "b");
  auto* inner = st.Add(a, "inner");
  b->SetZWrite(false);
  b->SetTwoSide(true);
  inner->SetProjection(dxProjectionScreen);
  std::vector<std::string> painted;
  a->OnPaint = [&](rtl::TObject* Sender, TdxCanvas* C) {
    painted.push_back(Sender == a && C == &st.canvas ? "a" : "?");
    st.canvas.Log.push_back("onpaint a");
  };
  st.root->Paint();
  EXPECT_EQ(st.canvas.Log,
            (std::vector<std::string>{"state 6",      "state 1",      "state 8",     "matrix",   "before a",
                                      "render a",     "onpaint a",    "after a",     "state 0",  "matrix",
                                      "before inner", "render inner", "after inner", "state 7",  "state 1",
                                      "state 10",     "matrix",       "before b",    "render b", "after b"}));
  EXPECT_EQ(painted, std::vector<std::string>{"a"});

  // The canvas passes on only real changes: the same tree again sets no state.
  st.canvas.Log.clear();
  st.root->Paint();
  EXPECT_EQ(st.canvas.Only("state"),
            (std::vector<std::string>{"state 6", "state 8", "state 0", "state 7", "state 1", "state 10"}));
}

TEST(DxVisualObject, TooFlatHiddenAndDesignHiddenChildrenAreNotDrawn) {
  Stage st;
  auto* flat = st.Add(st.root, "flat");
  auto* thin = st.Add(st.root, "thin");
  auto* hidden = st.Add(st.root, "hidden");
  flat->Scale()->SetX(0.005f);
  thin->Scale()->SetZ(0.01f);
  hidden->SetVisible(false);
  st.root->Paint();
  EXPECT_EQ(st.canvas.Only("render"), std::vector<std::string>{"render thin"});

  // In design mode hidden objects show unless locked; objects hidden for design do not.
  st.scene.designTime = true;
  thin->SetDesignHide(true);
  st.canvas.Log.clear();
  st.root->Paint();
  EXPECT_EQ(st.canvas.Only("render"), std::vector<std::string>{"render hidden"});
  hidden->SetLocked(true);
  st.canvas.Log.clear();
  st.root->Paint();
  EXPECT_TRUE(st.canvas.Only("render").empty());
}

TEST(DxVisualObject, SelectedAndDragOverChildrenGetABoxAroundThem) {
  Stage st;
  auto* a = st.Add(st.root, "a");
  a->SetWidth(2);
  st.scene.designTime = true;
  st.scene.selected = a;
  st.root->Paint();
  const auto& log = st.canvas.Log;
  const auto at = std::find(log.begin(), log.end(), "after a");
  ASSERT_NE(at, log.end());
  EXPECT_EQ(std::vector<std::string>(at + 1, log.end()),
            (std::vector<std::string>{"matrix", "diffuse #B200CC5A", "state 21", "state 3", "state 15",
                                      "wirecube (0,0,0) (2.01,1.01,1.01) 0.4"}));
  st.scene.designTime = false;
  TdxDragObject data;
  a->DragEnter(data, {});
  st.canvas.Log.clear();
  st.root->Paint();
  EXPECT_EQ(st.canvas.Only("cube"), std::vector<std::string>{"cube (0,0,0) (2.01,1.01,1.01) 0.4"});
  a->SetDragDisableHighlight(true);
  st.canvas.Log.clear();
  st.root->Paint();
  EXPECT_TRUE(st.canvas.Only("cube").empty());
}

// ---- hit tests -----------------------------------------------------------------------------------------

TEST(DxVisualObject, ObjectAtPointFindsTheNearestHitAndNeverAParentBehindItsChild) {
  Stage st;
  st.root->SetProjection(dxProjectionScreen);
  st.root->SetHitTest(false);
  // Two overlapping boxes around pixel (200, 150): the screen ray runs along +Z.
  auto* farBox = st.Add(st.root, "far");
  auto* nearBox = st.Add(st.root, "near");
  for (auto* b : {farBox, nearBox}) b->SetSizeNoChange(40, 40, 10);
  farBox->Position()->SetPoint({200, 150, 50});
  nearBox->Position()->SetPoint({200, 150, 0});
  float distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionScreen, distance, 200, 150), nearBox);
  // The later child first: putting the far one last still finds the near one.
  farBox->BringToFront();
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionScreen, distance, 200, 150), nearBox);
  // A big parent nearer than its child is not reported when the child is hit.
  auto* parent = st.Add(st.root, "parent");
  parent->SetSizeNoChange(100, 100, 100);
  parent->Position()->SetPoint({200, 150, 200});
  auto* small = st.Add(parent, "small");
  small->SetSizeNoChange(10, 10, 10);
  small->Position()->SetPoint({0, 0, 45});
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionScreen, distance, 200, 150), nearBox);
  nearBox->SetVisible(false);
  farBox->SetHitTest(false);
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionScreen, distance, 200, 150), small);
  // Off every box, and without a canvas, nothing.
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionScreen, distance, 10, 10), nullptr);
  st.scene.canvas = nullptr;
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionScreen, distance, 200, 150), nullptr);
}

TEST(DxVisualObject, CameraRaysHitWhatLiesInFrontOfTheCameraOnly) {
  Stage st;
  st.root->SetHitTest(false);
  TdxCamera* camera = st.Add<TdxCamera>(st.root);  // at (0, -10, 0), looking along +Y
  st.canvas.SetCamera(camera);
  auto* ahead = st.Add(st.root, "ahead");
  float distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionCamera, distance, 200, 150), ahead);
  EXPECT_NEAR(distance, 9.5f, 1e-3f);
  // The same box behind the camera is not hit; nor is it found in the screen projection.
  ahead->Position()->SetY(-20);
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionCamera, distance, 200, 150), nullptr);
  ahead->Position()->SetY(0);
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionScreen, distance, 200, 150), nullptr);
  // Without a camera there is nothing to measure from.
  st.canvas.SetCamera(nullptr);
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPoint(dxProjectionCamera, distance, 200, 150), nullptr);
}

TEST(DxVisualObject, ADropGoesToTheNearestObjectThatAcceptsAndARefusalHidesWhatIsBehind) {
  Stage st;
  st.root->SetProjection(dxProjectionScreen);
  st.root->SetHitTest(false);
  auto* back = st.Add(st.root, "back");
  auto* front = st.Add(st.root, "front");
  for (auto* b : {back, front}) b->SetSizeNoChange(40, 40, 10);
  back->Position()->SetPoint({200, 150, 50});
  front->Position()->SetPoint({200, 150, 0});
  back->OnDragOver = [](rtl::TObject*, const TdxDragObject&, const TdxVector&, bool& Accept) { Accept = true; };
  TdxVector askedAt;
  bool frontAccepts = false;
  front->OnDragOver = [&](rtl::TObject*, const TdxDragObject&, const TdxVector& P, bool& Accept) {
    askedAt = P;
    Accept = frontAccepts;
  };
  TdxDragObject data;
  float distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPointForDrop(dxProjectionScreen, distance, data, 200, 150), nullptr);
  EXPECT_NEAR(askedAt.Z, -5, 1e-3f);  // on the front face, in the object's coordinates
  frontAccepts = true;
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPointForDrop(dxProjectionScreen, distance, data, 200, 150), front);
  front->SetVisible(false);
  distance = 1e9f;
  EXPECT_EQ(st.root->ObjectAtPointForDrop(dxProjectionScreen, distance, data, 200, 150), back);
}

// ---- input ------------------------------------------------------------------------------------------------

namespace {

rtl::TShiftState Shift(std::initializer_list<rtl::TShiftStateItem> Items) {
  rtl::TShiftState s;
  for (auto i : Items) s.Include(i);
  return s;
}

class Menu : public rtl::TComponent, public vg::IvxPopupMenu {
public:
  Menu() : rtl::TComponent(nullptr) {}
  void PopupFor(rtl::TComponent* C, int X, int Y) override { shown.push_back({C, X, Y}); }
  struct Shown {
    rtl::TComponent* For;
    int X, Y;
  };
  std::vector<Shown> shown;
};

}  // namespace

TEST(DxVisualObject, AClickIsAPressAndReleaseOverTheObjectAndADoubleClickIsNoClick) {
  Stage st;
  auto* o = st.Add(st.root);
  int clicks = 0, doubles = 0;
  std::vector<std::string> order;
  o->OnClick = [&](rtl::TObject*) {
    ++clicks;
    order.push_back("click");
  };
  o->OnDblClick = [&](rtl::TObject*) { ++doubles; };
  o->OnMouseUp = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float, const TdxVector&,
                     const TdxVector&) { order.push_back("up"); };
  const TdxVector ray{};
  o->MouseEnter();
  o->MouseDown(rtl::mbLeft, Shift({rtl::ssLeft}), 0, 0, ray, ray);
  o->MouseUp(rtl::mbLeft, Shift({}), 0, 0, ray, ray);
  EXPECT_EQ(order, (std::vector<std::string>{"click", "up"}));
  // Released away from the object: no click.
  o->MouseDown(rtl::mbLeft, Shift({rtl::ssLeft}), 0, 0, ray, ray);
  o->MouseLeave();
  o->MouseUp(rtl::mbLeft, Shift({}), 0, 0, ray, ray);
  EXPECT_EQ(clicks, 1);
  // A double click gives DblClick; its release clicks nothing, and the next press starts afresh.
  o->MouseEnter();
  o->MouseDown(rtl::mbLeft, Shift({rtl::ssLeft, rtl::ssDouble}), 0, 0, ray, ray);
  o->MouseUp(rtl::mbLeft, Shift({}), 0, 0, ray, ray);
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(clicks, 1);
  o->MouseDown(rtl::mbLeft, Shift({rtl::ssLeft}), 0, 0, ray, ray);
  o->MouseUp(rtl::mbLeft, Shift({}), 0, 0, ray, ray);
  EXPECT_EQ(clicks, 2);
}

TEST(DxVisualObject, APressFocusesCapturesAndTheRightButtonOpensTheMenuOnTheScreen) {
  Stage st;
  auto* o = st.Add(st.root);
  o->SetCanFocused(true);
  o->SetAutoCapture(true);
  const TdxVector ray{};
  o->MouseDown(rtl::mbLeft, Shift({rtl::ssLeft}), 0, 0, ray, ray);
  EXPECT_EQ(st.scene.focused, o);
  EXPECT_TRUE(o->IsFocused());
  EXPECT_EQ(st.scene.captured, o);
  o->MouseUp(rtl::mbLeft, Shift({}), 0, 0, ray, ray);
  EXPECT_EQ(st.scene.captured, nullptr);

  // The menu opens where the pointer pressed, as the scene hands the press on (the pointer
  // taken into the object's plane), also for an object turned about its X axis, whose Z then
  // holds the pointer's Y.
  auto menu = std::make_unique<Menu>();
  o->SetPopupMenu(menu.get());
  o->Position()->SetPoint({10, 20, 0});
  for (float turn : {0.0f, 90.0f, -60.0f}) {
    o->RotateAngle()->SetX(turn);
    st.scene.mousePos = {11.4f, 22.6f + turn, 0, 1};
    const TdxVector local = o->AbsoluteToLocal(st.scene.mousePos);
    o->MouseDown(rtl::mbRight, Shift({rtl::ssRight}), local.X, local.Y, ray, ray);
    ASSERT_EQ(menu->shown.size(), 1u);
    EXPECT_EQ(menu->shown[0].For, o);
    EXPECT_EQ(menu->shown[0].X, 111) << turn;  // client (11.4, 22.6) rounded, client area at (100, 200)
    EXPECT_EQ(menu->shown[0].Y, 223 + static_cast<int>(turn)) << turn;
    menu->shown.clear();
  }
  EXPECT_EQ(st.scene.captured, nullptr);  // the right button captures nothing
  menu.reset();
  EXPECT_EQ(o->PopupMenu(), nullptr);
  o->MouseDown(rtl::mbRight, Shift({rtl::ssRight}), 0, 0, ray, ray);  // no menu, no fault
}

TEST(DxVisualObject, AHandlerMayFreeItsObjectAndAnAutomaticDragEndsThePress) {
  Stage st;
  auto* o = st.Add(st.root);
  o->SetAutoCapture(true);
  o->OnMouseDown = [&](rtl::TObject* Sender, rtl::TMouseButton, rtl::TShiftState, float, float, const TdxVector&,
                       const TdxVector&) { static_cast<TdxVisualObject*>(Sender)->Free(); };
  o->MouseDown(rtl::mbLeft, Shift({rtl::ssLeft}), 0, 0, {}, {});
  EXPECT_EQ(st.root->ChildrenCount(), 0);
  EXPECT_EQ(st.scene.captured, nullptr);

  auto* d = st.Add(st.root);
  d->SetDragMode(dxDragAutomatic);
  d->MouseDown(rtl::mbLeft, Shift({rtl::ssLeft}), 0, 0, {}, {});
  EXPECT_EQ(st.scene.dragged, std::vector<rtl::TComponent*>{d});
  std::vector<std::string> seen;
  d->OnMouseUp = [&](rtl::TObject*, rtl::TMouseButton B, rtl::TShiftState S, float X, float Y, const TdxVector& P,
                     const TdxVector& D) {
    seen.push_back(std::string(B == rtl::mbLeft && S.Contains(rtl::ssLeft) ? "left" : "?") + " " +
                   RecordingCanvas::Num(X) + "," + RecordingCanvas::Num(Y) + " " + RecordingCanvas::Vec(P) + "->" +
                   RecordingCanvas::Vec(D));
  };
  d->OnDragEnd = [&](rtl::TObject*) { seen.push_back("end"); };
  d->DragEnd();
  EXPECT_EQ(seen, (std::vector<std::string>{"left 65535,65535 (1,0,0)->(65535,65535,0)", "end"}));
}

TEST(DxVisualObject, StateChangesStartTheirTriggerAnimationsAndHidingStartsNone) {
  Stage st;
  auto* o = st.Add(st.root);
  auto* fade = new TdxFloatAnimation(nullptr);
  o->AddObject(fade);
  fade->SetPropertyName("Opacity");
  fade->SetStopValue(0.5f);
  fade->SetDuration(0);
  fade->SetTrigger("IsMouseOver=true");
  auto* show = new TdxFloatAnimation(nullptr);
  o->AddObject(show);
  show->SetPropertyName("Width");
  show->SetStopValue(3);
  show->SetDuration(0);
  show->SetTrigger("IsVisible=true");
  o->MouseEnter();
  EXPECT_FLOAT_EQ(o->Opacity(), 0.5f);
  o->SetVisible(false);
  EXPECT_EQ(o->Width(), 1);
  o->SetVisible(true);
  EXPECT_EQ(o->Width(), 3);
}

// ---- stream ----------------------------------------------------------------------------------------------

TEST(DxVisualObject, TheOrientationIsStreamedWholeAndReadBack) {
  rtl::RegisterClasses<TdxVisualObject>();
  TdxVisualObject o(nullptr);
  EXPECT_NE(SaveDxObjectToText(&o).find("Quanternion = '(0,0,0,1)'"), std::string::npos);
  o.RotateAngle()->SetY(90);
  o.RotateAngle()->SetX(90);
  o.Position()->SetPoint({1, 2, 3});
  const std::string text = SaveDxObjectToText(&o);
  std::unique_ptr<TdxObject> back = CreateDxObjectFromText(nullptr, text);
  auto* v = dynamic_cast<TdxVisualObject*>(back.get());
  ASSERT_NE(v, nullptr) << text;
  ExpectRows(v->LocalMatrix(), {{0, 0, -1, 0}, {-1, 0, 0, 0}, {0, 1, 0, 0}, {1, 2, 3, 1}});
  EXPECT_EQ(v->RotateAngle()->Point(), o.RotateAngle()->Point());
}

// ---- physics ----------------------------------------------------------------------------------------------

namespace {

class BoxEngine : public TdxPhysics {
  RTL_CLASS(BoxEngine, TdxPhysics)
public:
  using TdxPhysics::TdxPhysics;
  TdxWorld CreateWorld() override { return 0; }
  void DestroyWorld(TdxWorld) override {}
  void Update(TdxWorld, float) override {}
  void FindCollisions(TdxVisualObject*, std::vector<TdxVisualObject*>&) override {}
  void FindCollisionsOfBody(TdxBody, std::vector<TdxVisualObject*>&) override {}
  TdxVisualObject* ObjectOfBody(TdxBody) override { return nullptr; }
  TdxBody CreateBoxBody(TdxVisualObject*, const TdxVector& Size) override {
    sizes.push_back(Size);
    return ++made;
  }
  TdxBody CreateSphereBody(TdxVisualObject*, const TdxVector&) override { return 0; }
  TdxBody CreateConeBody(TdxVisualObject*, const TdxVector&) override { return 0; }
  TdxBody CreateCylinderBody(TdxVisualObject*, const TdxVector&) override { return 0; }
  void DestroyBody(TdxBody& Body) override {
    destroyed.push_back(Body);
    Body = 0;
  }
  void SetBodyMatrix(TdxBody, const TdxMatrix& M) override { lastMatrix = M; }
  TdxMatrix GetBodyMatrix(TdxBody) override { return bodyMatrix; }
  void AddImpulse(TdxVisualObject*, const TdxVector&) override {}
  std::vector<TdxBody> BodiesInBox(TdxWorld, const TdxVector&, const TdxVector&) override { return {}; }
  void ReservedOperation() override {}

  TdxBody made = 0;
  std::vector<TdxVector> sizes;
  std::vector<TdxBody> destroyed;
  TdxMatrix lastMatrix;
  TdxMatrix bodyMatrix = IdentityMatrix;
};

}  // namespace

rtl::TClass BoxEngine::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<BoxEngine>().Build();
  return &info;
}

TEST(DxVisualObject, CollidersAndDynamicObjectsKeepABodyOfTheirSizeInStep) {
  Stage st;
  st.scene.engineClass = TdxPhysicsClassOf<BoxEngine>::Instance();
  auto* plain = st.Add(st.root);
  plain->RecreateBodies();
  EXPECT_EQ(st.scene.physics, nullptr);  // no body wanted, no engine made

  auto* o = st.Add(st.root);
  o->SetWidth(2);
  o->SetCollider(true);
  auto* engine = static_cast<BoxEngine*>(st.scene.physics.get());
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(o->Body(), 1u);
  EXPECT_EQ(engine->sizes.back(), dxVector(2, 1, 1, 1));
  // A new size makes a new body.
  o->SetHeight(3);
  EXPECT_EQ(engine->destroyed, std::vector<TdxBody>{1});
  EXPECT_EQ(engine->sizes.back(), dxVector(2, 3, 1, 1));
  // A dynamic object takes its body's place on every tick.
  o->SetDynamic(true);
  engine->bodyMatrix = IdentityMatrix;
  engine->bodyMatrix.M[3][0] = 7;
  o->ProcessTick(1, 0.025f);
  EXPECT_EQ(o->Position()->X(), 7);
  EXPECT_EQ(o->AbsolutePosition().X, 7);
  // Velocity moves the object along its own axes.
  o->SetDynamic(false);
  o->Velocity()->SetPoint({40, 0, 0});
  o->ProcessTick(1, 0.025f);
  EXPECT_FLOAT_EQ(o->Position()->X(), 8);
  // No bodies in design mode; the body goes with the object.
  const TdxBody last = o->Body();
  o->Free();
  EXPECT_EQ(engine->destroyed.back(), last);
  st.scene.designTime = true;
  auto* d = st.Add(st.root);
  d->SetCollider(true);
  EXPECT_EQ(d->Body(), 0u);
}

}  // namespace visual_objects_test
