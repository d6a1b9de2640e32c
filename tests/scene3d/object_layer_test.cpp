// The object layer as the host of a 2D tree inside a 3D host: dirty rectangles and what a frame
// paints into the buffer, whose pixels the canvas draws into whoever remakes them, the first root
// laid over the buffer, its own brush, the first full repaint after loading, the 3D side of the
// host rules (the rules themselves run against every host in host_contract_test.cpp), and the
// routing of presses, moves, releases, wheel, keys, focus, hints and drags into the 2D tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Controls.h"

namespace object_layer_test {

using namespace dx;
using dxtest::FakeScene;
using vg::TvxObject;
using vg::TvxVisualObject;

namespace {

// A 2D object that fills itself with one colour and writes down what reaches it.
class Box : public TvxVisualObject {
public:
  explicit Box(rtl::TComponent* AOwner, vg::TvxColor Color = 0xFFFF0000u) : TvxVisualObject(AOwner), color(Color) {}
  void Paint() override {
    ++paints;
    vg::TvxCanvas* c = TvxVisualObject::GetCanvas();
    c->Fill()->SetStyle(vg::vgBrushSolid);
    c->Fill()->SetSolidColor(color);
    c->FillRect(GetLocalRect(), 0, 0, vg::AllCorners, 1);
  }
  void MouseDown(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y) override {
    events.push_back("down " + Pt(X, Y));
    TvxVisualObject::MouseDown(B, S, X, Y);
  }
  void MouseMove(rtl::TShiftState S, float X, float Y, float Dx, float Dy) override {
    events.push_back("move " + Pt(X, Y));
    TvxVisualObject::MouseMove(S, X, Y, Dx, Dy);
  }
  void MouseUp(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y) override {
    events.push_back("up " + Pt(X, Y));
    TvxVisualObject::MouseUp(B, S, X, Y);
  }
  void MouseEnter() override {
    events.push_back("enter");
    TvxVisualObject::MouseEnter();
  }
  void MouseLeave() override {
    events.push_back("leave");
    TvxVisualObject::MouseLeave();
  }
  void MouseWheel(rtl::TShiftState, int, bool& Handled) override {
    events.push_back("wheel");
    Handled = handlesWheel;
  }
  void KeyDown(std::uint16_t& Key, char16_t&, rtl::TShiftState) override {
    events.push_back("key " + std::to_string(Key));
  }
  static std::string Pt(float X, float Y) {
    return std::to_string(static_cast<int>(X)) + "," + std::to_string(static_cast<int>(Y));
  }
  vg::TvxColor color;
  int paints = 0;
  bool handlesWheel = false;
  std::vector<std::string> events;
};

struct ObjectLayerTest : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    vg::ControlsStartup();
    SceneLibraryStartup();
    host = std::make_unique<FakeScene>();
    host->canvas = &canvas;
  }
  void TearDown() override {
    host.reset();
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    SceneLibraryShutdown();
    vg::ControlsShutdown();
  }
  // A screen layer of W x H pixels, centred on its size, in the 3D host.
  TdxGUIObjectLayer* MakeLayer(float W = 100, float H = 100) {
    layer = new TdxGUIObjectLayer(nullptr);
    host->AddObject(layer);
    layer->SetWidth(W);
    layer->SetHeight(H);
    layer->Position()->SetPoint({W / 2, H / 2, 0});
    Frame();  // the buffer and canvas at their size, nothing pending
    return layer;
  }
  template <class T = Box>
  T* Add(TvxObject* Parent, float X, float Y, float W, float H) {
    auto* o = new T(nullptr);
    if (Parent)
      Parent->AddObject(o);
    else
      layer->AddObject(o);
    o->SetBounds(X, Y, W, H);
    return o;
  }
  // A frame: the layer paints what is dirty and copies it into its buffer.
  void Frame() {
    layer->BeforePaint();
    layer->Render();
  }
  std::uint32_t Pixel(int X, int Y) { return layer->GetBuffer()->Bits()[Y * layer->GetBuffer()->Width() + X]; }

  dxtest::RecordingCanvas canvas{800, 600};
  std::unique_ptr<FakeScene> host;
  TdxGUIObjectLayer* layer = nullptr;
};

vg::TvxRect R(float L, float T, float Ri, float B) { return vg::MakeRect(L, T, Ri, B); }
bool Same(const vg::TvxRect& A, const vg::TvxRect& B) {
  return A.Left == B.Left && A.Top == B.Top && A.Right == B.Right && A.Bottom == B.Bottom;
}

}  // namespace

// ---- painting ----------------------------------------------------------------------------------------

TEST_F(ObjectLayerTest, ANewGuiLayerIsAScreenLayerOfItsOwnPixelsWithoutDepthWrites) {
  auto* l = new TdxGUIObjectLayer(nullptr);
  host->AddObject(l);
  EXPECT_EQ(l->Projection(), dxProjectionScreen);
  EXPECT_FLOAT_EQ(l->Width(), 256);
  EXPECT_FLOAT_EQ(l->Height(), 256);
  EXPECT_EQ(l->BufferWidth(), 256);
  EXPECT_EQ(l->BufferHeight(), 256);
  EXPECT_FALSE(l->ZWrite());
  EXPECT_TRUE(l->CanFocused() && l->AnimatedCaret() && l->ShowHint() && l->AutoCapture());
  EXPECT_EQ(l->Fill()->Style(), vg::vgBrushNone);
  EXPECT_EQ(l->Fill()->Color(), 0xFF505050u) << "the colour stays in the brush";
  EXPECT_FALSE(l->GetTransparency());
  EXPECT_EQ(l->GetRoot(), nullptr);
  auto* child = new TdxVisualObject(nullptr);
  l->AddObject(child);
  EXPECT_EQ(child->Projection(), dxProjectionScreen) << "a 3D child takes the screen";
  // A plain object layer lies in the camera's world: 8 x 8 units at 60 pixels each.
  auto* o = new TdxObjectLayer(nullptr);
  host->AddObject(o);
  EXPECT_EQ(o->BufferWidth(), 480);
  EXPECT_EQ(o->BufferHeight(), 480);
  EXPECT_EQ(o->Canvas()->Width(), 240) << "the canvas follows at the next paint";
  o->BeforePaint();
  EXPECT_EQ(o->Canvas()->Width(), 480);
}

TEST_F(ObjectLayerTest, DirtyRectanglesGrowToWholePixelsAndThoseOffTheBufferAreDropped) {
  MakeLayer();
  const int before = host->repaints;
  layer->AddUpdateRect(R(10.7f, 20.2f, 30.5f, 40.9f));
  layer->AddUpdateRect(R(-50, -50, -1, -1));  // touches the corner: kept, unclipped
  layer->AddUpdateRect(R(-50, -50, -2, -2));  // misses
  layer->AddUpdateRect(R(150, 10, 160, 20));  // misses
  ASSERT_EQ(layer->GetUpdateRectsCount(), 2);
  EXPECT_TRUE(Same(layer->GetUpdateRect(0), R(10, 20, 31, 41)));
  EXPECT_TRUE(Same(layer->GetUpdateRect(1), R(-50, -50, 0, 0)));
  EXPECT_TRUE(Same(layer->GetUpdateRect(5), R(0, 0, 0, 0))) << "an index outside the list";
  EXPECT_EQ(host->repaints, before + 2) << "each kept rectangle asks the 3D host for a frame";

  layer->SetDisableUpdate(true);
  layer->AddUpdateRect(R(1, 1, 2, 2));
  EXPECT_EQ(layer->GetUpdateRectsCount(), 2);
}

TEST_F(ObjectLayerTest, TwentyOneRectanglesPaintAsTheirUnionAndTwentyStaySeparate) {
  MakeLayer();
  auto* root = Add(nullptr, 0, 0, 100, 100);  // laid over the whole buffer anyway
  Frame();
  // Twenty small squares along the diagonal: the space between them stays as it was.
  std::uint32_t* bits = nullptr;
  ASSERT_TRUE(layer->GetBuffer()->Map(bits, true));
  std::fill(bits, bits + 100 * 100, 0u);
  layer->GetBuffer()->Unmap();
  layer->GetBuffer()->SetNeedUpdate(false);  // as the canvas's upload leaves it
  for (int i = 0; i < 20; ++i) layer->AddUpdateRect(R(i * 4.0f, i * 4.0f, i * 4.0f + 1, i * 4.0f + 1));
  const int paints = root->paints;
  Frame();
  EXPECT_EQ(root->paints, paints + 1) << "a root is painted once, whatever rectangles it meets";
  EXPECT_EQ(Pixel(4, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(6, 4), 0u) << "outside every rectangle";
  int l, t, r, b;
  ASSERT_TRUE(layer->GetBuffer()->PendingRect(l, t, r, b)) << "only what was painted goes up again";
  EXPECT_EQ(std::vector<int>({l, t, r, b}), std::vector<int>({0, 0, 78, 78}));
  EXPECT_EQ(layer->GetUpdateRectsCount(), 0);
  // A twenty-first merges them all.
  for (int i = 0; i < 21; ++i) layer->AddUpdateRect(R(i * 4.0f, i * 4.0f, i * 4.0f + 1, i * 4.0f + 1));
  Frame();
  EXPECT_EQ(Pixel(6, 4), 0xFFFF0000u);
  EXPECT_EQ(Pixel(79, 2), 0xFFFF0000u);
  EXPECT_EQ(layer->GetUpdateRectsCount(), 0);
}

// The canvas draws into the buffer's own pixels; whoever reallocates them, it never draws into
// freed ones (ASan tells) and is on the new ones, painted whole, by the next frame.
TEST_F(ObjectLayerTest, TheCanvasDrawsIntoTheBuffersPixelsAndLeavesThemBeforeTheyGo) {
  MakeLayer(100, 80);
  TdxBitmap* buffer = layer->GetBuffer();
  buffer->SetNeedUpdate(false);  // as the canvas's upload leaves it
  auto* root = Add(nullptr, 0, 0, 100, 80);
  Frame();
  EXPECT_EQ(layer->Canvas()->BufferBits(), buffer->Bits()) << "one copy of the layer's pixels";
  EXPECT_FALSE(layer->Canvas()->OwnsBuffer());
  EXPECT_EQ(Pixel(99, 79), 0xFFFF0000u);
  int l, t, r, b;
  ASSERT_TRUE(buffer->PendingRect(l, t, r, b)) << "what was painted goes up, marked as it was drawn";
  EXPECT_EQ(std::vector<int>({l, t, r, b}), std::vector<int>({0, 0, 100, 80}));

  // The layer grows: the buffer takes the new size before the frame paints.
  layer->SetWidth(300);
  layer->SetHeight(200);
  Frame();
  EXPECT_EQ(buffer->Width(), 300);
  EXPECT_EQ(layer->Canvas()->BufferBits(), buffer->Bits());
  EXPECT_EQ(layer->Canvas()->Width(), 300);
  EXPECT_EQ(layer->Canvas()->Height(), 200);
  EXPECT_FLOAT_EQ(root->Width(), 300);
  EXPECT_EQ(Pixel(299, 199), 0xFFFF0000u) << "the new pixels are painted whole";
  EXPECT_TRUE(buffer->NeedUpdate());
  EXPECT_FALSE(buffer->PendingRect(l, t, r, b)) << "and go up whole";

  // The buffer is a named bitmap and may be resized by others: the canvas leaves the old pixels
  // at once, and a paint before the next frame draws into pixels of its own.
  buffer->SetSize(40, 30);
  EXPECT_NE(layer->Canvas()->BufferBits(), buffer->Bits());
  EXPECT_TRUE(layer->Canvas()->OwnsBuffer());
  layer->AddUpdateRect(R(0, 0, 300, 200));
  layer->PaintObjects();
  EXPECT_EQ(layer->GetUpdateRectsCount(), 0);
  buffer->SetNeedUpdate(false);
  Frame();
  EXPECT_EQ(buffer->Width(), 300) << "the layer's size wins at its frame";
  EXPECT_EQ(layer->Canvas()->BufferBits(), buffer->Bits());
  EXPECT_EQ(Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(Pixel(299, 199), 0xFFFF0000u);
  EXPECT_TRUE(buffer->NeedUpdate());

  // Pixels of the same size taken from another bitmap stay where they are: so does the canvas.
  TdxBitmap blue(300, 200);
  blue.Clear(0xFF0000FFu);
  const std::uint32_t* bits = buffer->Bits();
  buffer->Assign(&blue);
  EXPECT_EQ(buffer->Bits(), bits);
  EXPECT_EQ(layer->Canvas()->BufferBits(), bits);
  layer->AddUpdateRect(R(0, 0, 20, 20));
  Frame();
  EXPECT_EQ(Pixel(5, 5), 0xFFFF0000u);
  EXPECT_EQ(Pixel(100, 100), 0xFF0000FFu) << "outside what was painted";

  // A buffer left without pixels: the canvas keeps one of its own and the layer still measures.
  layer->SetWidth(0);
  Frame();
  EXPECT_EQ(buffer->Bits(), nullptr);
  EXPECT_TRUE(layer->Canvas()->OwnsBuffer());
  EXPECT_GT(layer->Canvas()->TextWidth(u"Gas"), 0);
  layer->SetWidth(50);
  Frame();
  EXPECT_EQ(layer->Canvas()->BufferBits(), buffer->Bits());
  EXPECT_EQ(layer->Canvas()->Width(), 50);
}

TEST_F(ObjectLayerTest, TheBackgroundIsClearWithoutAFillAndTheFillIsCopiedNotTaken) {
  MakeLayer();
  auto* root = Add(nullptr, 0, 0, 100, 100);
  root->SetVisible(false);
  layer->AddUpdateRect(R(0, 0, 100, 100));
  Frame();
  EXPECT_EQ(Pixel(50, 50), 0u) << "no fill: transparent, nothing of its colour";
  EXPECT_EQ(root->paints, 0) << "a hidden root is not painted";
  EXPECT_EQ(layer->ObjectAtPoint(50, 50), nullptr) << "nor hit";

  auto brush = std::make_unique<vg::TvxBrush>(vg::vgBrushSolid, 0xFF00FF00u);
  layer->SetFill(brush.get());
  EXPECT_NE(layer->Fill(), brush.get());
  brush.reset();  // the layer keeps its own brush
  EXPECT_EQ(layer->Fill()->Color(), 0xFF00FF00u);
  EXPECT_EQ(layer->GetUpdateRectsCount(), 1) << "a changed fill repaints the whole buffer";
  EXPECT_TRUE(Same(layer->GetUpdateRect(0), R(0, 0, 101, 101)));
  Frame();
  EXPECT_EQ(Pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(Pixel(99, 99), 0xFF00FF00u);
}

TEST_F(ObjectLayerTest, TheFirstRootCoversTheBufferAndATurnedOneHasItsSidesSwapped) {
  MakeLayer(800, 600);
  auto* root = new Box(nullptr);
  layer->AddObject(root);
  EXPECT_FLOAT_EQ(root->Width(), 800);
  EXPECT_FLOAT_EQ(root->Height(), 600);
  root->SetRotateAngle(90);
  layer->RealignRoot();
  EXPECT_FLOAT_EQ(root->Position()->X(), 100);
  EXPECT_FLOAT_EQ(root->Position()->Y(), -100);
  EXPECT_FLOAT_EQ(root->Width(), 600);
  EXPECT_FLOAT_EQ(root->Height(), 800);
  root->SetRotateAngle(0);
  root->Scale()->SetX(0);  // nothing to lay out; the bounds stay
  layer->RealignRoot();
  EXPECT_FLOAT_EQ(root->Width(), 600);

  // The buffer's new size reaches the canvas and the root at the next frame.
  root->Scale()->SetX(1);
  layer->SetWidth(640);
  layer->SetHeight(480);
  EXPECT_FLOAT_EQ(root->Width(), 600);
  Frame();
  EXPECT_EQ(layer->Canvas()->Width(), 640);
  EXPECT_EQ(layer->GetBuffer()->Height(), 480);
  EXPECT_FLOAT_EQ(root->Width(), 640);
  EXPECT_FLOAT_EQ(root->Height(), 480);
}

TEST_F(ObjectLayerTest, ALoadedLayerRepaintsOnceAfterLoadingAndNeverOnceFreed) {
  rtl::TTestClock clock;
  rtl::Application->SetClock(&clock);
  auto load = [&] {
    rtl::TStringStream text(
        "object GuiLayer: TdxGUIObjectLayer\r\n  Width = 100.0\r\n  Height = 80.0\r\n"
        "  DesignSnapGridShow = True\r\n  DesignSnapToGrid = True\r\n  DesignSnapToLines = True\r\nend\r\n");
    rtl::TMemoryStream bin;
    rtl::ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    auto* l = new TdxGUIObjectLayer(nullptr);
    rtl::TReader(&bin, 1024).ReadRootComponent(l);
    host->AddObject(l);
    l->BeforePaint();
    l->Render();
    return l;
  };
  TdxGUIObjectLayer* l = load();
  EXPECT_FALSE(l->DesignSnapGridShow()) << "never outside a designer";
  EXPECT_FALSE(l->DesignSnapToGrid()) << "snap lines win";
  EXPECT_EQ(l->GetUpdateRectsCount(), 0);
  clock.Advance(2);
  rtl::Application->ProcessMessages();
  ASSERT_EQ(l->GetUpdateRectsCount(), 1);
  EXPECT_TRUE(Same(l->GetUpdateRect(0), R(0, 0, 65536, 65536)));

  // Freed before its timer is due: the timer goes with it (a freed layer would be touched here).
  TdxGUIObjectLayer* gone = load();
  gone->Free();
  clock.Advance(5);
  rtl::Application->ProcessMessages();
  rtl::Application->SetClock(nullptr);
}

// ---- the 3D side of the host rules (the rules themselves: host_contract_test.cpp) ---------------

TEST_F(ObjectLayerTest, TheLayerHoldsThe3DCaptureAndFocusForIts2DObjects) {
  MakeLayer();
  auto* root = new Box(nullptr);
  layer->AddObject(root);
  Box* a = Add(root, 0, 0, 10, 10);
  Box* b = Add(root, 20, 0, 10, 10);
  for (Box* x : {a, b}) x->SetCanFocused(true);
  layer->SetCaptured(b);
  EXPECT_EQ(host->captured, layer) << "a captured 2D object holds the 3D capture for its layer";
  layer->SetCaptured(nullptr);
  EXPECT_EQ(host->captured, nullptr);
  layer->SetFocused(a);
  EXPECT_EQ(host->focused, layer) << "a focused 2D object gives its layer the 3D focus";

  // The 3D focus entering the layer focuses the first control in tab order; leaving it, none.
  layer->KillFocus();
  EXPECT_EQ(layer->GetFocused(), nullptr);
  host->focused = nullptr;
  a->SetVisible(false);
  layer->EnterFocus();
  EXPECT_EQ(layer->GetFocused(), b) << "the first visible one";
  EXPECT_TRUE(layer->FocusNext(false));
  EXPECT_EQ(layer->GetFocused(), b) << "a hidden control is skipped, round to the same";
}

// Layers count among the hosts of 2D objects as the 2D scene controls do; the last host to go
// takes the 2D animation ticker with it, also while an animation of its own runs.
TEST_F(ObjectLayerTest, LayersCountAsHostsOf2DObjectsAndTheLastOneTakesTheTickerAlong) {
  ASSERT_EQ(vg::SceneCount(), 0);
  MakeLayer();
  auto* other = new TdxGUIObjectLayer(nullptr);
  host->AddObject(other);
  EXPECT_EQ(vg::SceneCount(), 2);
  Box* box = Add(nullptr, 0, 0, 20, 20);
  box->AnimateFloat("Opacity", 0.5f, 10);
  ASSERT_NE(vg::AniThread(), nullptr);
  other->Free();
  EXPECT_EQ(vg::SceneCount(), 1);
  EXPECT_NE(vg::AniThread(), nullptr) << "a host is left";
  layer->Free();
  layer = nullptr;
  EXPECT_EQ(vg::SceneCount(), 0);
  EXPECT_EQ(vg::AniThread(), nullptr);
}

// A 2D animation's handler may free the last layer, which takes the ticker along while the
// ticker walks its list: the walk ends there, and the next start makes a ticker again.
TEST_F(ObjectLayerTest, AnAnimationHandlerFreeingTheLastLayerEndsTheTickersWalk) {
  rtl::TTestClock clock;
  rtl::Application->SetClock(&clock);
  MakeLayer();
  Box* box = Add(nullptr, 0, 0, 20, 20);
  Box* other = Add(nullptr, 30, 0, 20, 20);
  other->AnimateFloat("Opacity", 0.5f, 10);  // walked after the one that ends
  auto* fade = new vg::TvxFloatAnimation(nullptr);
  box->AddObject(fade);
  fade->SetPropertyName("Opacity");
  fade->SetStopValue(0.25f);
  fade->SetDuration(0.1f);
  int finished = 0;
  fade->OnFinish = [&](rtl::TObject*) {
    ++finished;
    layer->Free();
    layer = nullptr;
  };
  fade->Start();
  ASSERT_NE(vg::AniThread(), nullptr);
  for (int i = 0; i < 10 && layer; ++i) clock.Advance(vg::TvxAniThread::IntervalMs);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(layer, nullptr);
  EXPECT_EQ(vg::AniThread(), nullptr);
  clock.Advance(5 * vg::TvxAniThread::IntervalMs);  // no timer of the freed ticker is left
  MakeLayer();
  Box* again = Add(nullptr, 0, 0, 20, 20);
  again->AnimateFloat("Opacity", 0.5f, 0.1f);
  ASSERT_NE(vg::AniThread(), nullptr);
  clock.Advance(10 * vg::TvxAniThread::IntervalMs);
  EXPECT_FLOAT_EQ(again->Opacity(), 0.5f);
  rtl::Application->SetClock(nullptr);
}

TEST_F(ObjectLayerTest, ALayerStreamsItsStoredRootsAsItsChildrenAndReadsThemBackAsRoots) {
  MakeLayer(300, 200);
  layer->SetName("GuiLayer");
  layer->SetAllowDrag(true);
  layer->SetLayerAlign(dxLayerContents);
  auto* layout = new vg::TvxControl(nullptr);
  layout->SetName("Layout1");
  layer->AddObject(layout);
  auto* button = new vg::TvxHudButton(nullptr);
  button->SetName("Button1");
  button->SetText(u"Apply");
  layout->AddObject(button);
  auto* own = new vg::TvxControl(nullptr);
  own->SetName("NotStored");
  own->SetStored(false);
  layer->AddObject(own);

  rtl::TMemoryStream bin;
  rtl::TWriter(&bin, 4096).WriteRootComponent(layer);
  bin.SetPosition(0);
  rtl::TStringStream text("");
  rtl::ObjectBinaryToText(&bin, &text);
  const std::string t = text.DataString();
  for (const char* expected : {"object GuiLayer: TdxGUIObjectLayer", "AllowDrag = True", "LayerAlign = dxLayerContents",
                               "DesignSnapGridShow = False", "DesignSnapToLines = True", "object Layout1: TvxControl",
                               "object Button1: TvxHudButton"})
    EXPECT_NE(t.find(expected), std::string::npos) << expected;
  EXPECT_EQ(t.find("NotStored"), std::string::npos);

  bin.SetPosition(0);
  auto* back = new TdxGUIObjectLayer(nullptr);
  host->AddObject(back);
  rtl::TReader(&bin, 4096).ReadRootComponent(back);
  ASSERT_EQ(back->RootCount(), 1);
  auto* read = dynamic_cast<vg::TvxHudButton*>(back->FindComponent("Button1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Text(), u"Apply");
  EXPECT_EQ(read->Scene(), back);
  EXPECT_EQ(back->Roots(0)->Name(), "Layout1");
  EXPECT_TRUE(back->AllowDrag());
  EXPECT_FLOAT_EQ(back->Roots(0)->Visual()->Width(), 300) << "the first root covers the buffer";
}

// ---- input -------------------------------------------------------------------------------------------

TEST_F(ObjectLayerTest, PressesMovesAndReleasesReachTheObjectUnderTheMouseOrTheCapturedOne) {
  MakeLayer(200, 100);
  auto* root = new Box(nullptr);
  root->SetHitTest(false);
  layer->AddObject(root);
  Box* a = Add(root, 10, 10, 40, 20);
  Box* b = Add(root, 100, 10, 40, 20);
  b->SetCursor(-21);

  layer->LayerMouseMove({}, 20, 15);
  layer->LayerMouseMove({}, 25, 15);
  EXPECT_EQ(layer->Hovered(), a);
  EXPECT_TRUE(a->IsMouseOver());
  layer->LayerMouseMove({}, 110, 15);
  EXPECT_EQ(a->events, (std::vector<std::string>{"enter", "move 10,5", "move 15,5", "leave"}));
  EXPECT_FALSE(a->IsMouseOver());
  EXPECT_EQ(layer->Cursor(), -21) << "the cursor of the object under the mouse";
  layer->LayerMouseMove({}, 180, 80);
  EXPECT_EQ(layer->Hovered(), nullptr);
  EXPECT_EQ(layer->Cursor(), rtl::crDefault);

  // A press captures; moves and the release outside still reach the captured object, and the
  // release takes the last press or move point, not its own.
  b->events.clear();
  b->SetAutoCapture(true);
  layer->LayerMouseDown(rtl::mbLeft, {}, 105, 12);
  layer->LayerMouseMove({}, 20, 15);
  layer->LayerMouseUp(rtl::mbLeft, {}, 70, 90);
  EXPECT_EQ(b->events, (std::vector<std::string>{"down 5,2", "move -80,5", "up -80,5"}));
  EXPECT_EQ(a->events.size(), 4u) << "no hover change under capture";
  EXPECT_EQ(layer->GetCaptured(), nullptr);

  // A click fires OnClick.
  int clicks = 0;
  a->OnClick = [&](rtl::TObject*) { ++clicks; };
  layer->LayerMouseMove({}, 20, 15);
  layer->LayerMouseDown(rtl::mbLeft, {}, 20, 15);
  layer->LayerMouseUp(rtl::mbLeft, {}, 20, 15);
  EXPECT_EQ(clicks, 1);

  // The wheel goes up the parents until one takes it.
  Box* inner = Add(a, 0, 0, 10, 10);
  a->handlesWheel = true;
  a->events.clear();
  layer->LayerMouseMove({}, 12, 12);
  bool handled = false;
  layer->MouseWheel({}, 120, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(inner->events.back(), "wheel");
  EXPECT_EQ(a->events.back(), "wheel");
  EXPECT_EQ(std::count(root->events.begin(), root->events.end(), "wheel"), 0);

  // Keys go to the focused object.
  inner->SetCanFocused(true);
  layer->SetFocused(inner);
  std::uint16_t key = 'A';
  char16_t ch = u'a';
  layer->KeyDown(key, ch, {});
  EXPECT_EQ(inner->events.back(), "key 65");
}

TEST_F(ObjectLayerTest, EmptySpaceIsNoHitUnlessTheLayerDragsAndAGripResizesFromTheTopLeft) {
  MakeLayer(200, 100);
  auto* root = new Box(nullptr);
  root->SetHitTest(false);
  layer->AddObject(root);
  Add(root, 10, 10, 40, 20);
  auto* grip = Add<vg::TvxSizeGrip>(root, 180, 80, 20, 20);

  // Rays into the layer's local space, at buffer point (X, Y).
  auto hits = [&](float X, float Y) {
    TdxVector hit;
    return layer->RayCastIntersect({X - 100, Y - 50, -100, 1}, {0, 0, 1, 0}, hit);
  };
  EXPECT_TRUE(hits(20, 15));
  EXPECT_FALSE(hits(100, 60)) << "the press passes through to what lies behind";
  layer->SetAllowDrag(true);
  EXPECT_TRUE(hits(100, 60));

  // Only the left button drags or sizes it: a right press on empty space or on the grip does
  // neither.
  for (const vg::TvxPoint at : {vg::TvxPoint{100, 60}, vg::TvxPoint{190, 90}}) {
    layer->LayerMouseDown(rtl::mbRight, {}, at.X, at.Y);
    EXPECT_FALSE(layer->Moving());
    EXPECT_FALSE(layer->Resizing());
    layer->LayerMouseMove({}, at.X + 10, at.Y + 5);
    layer->LayerMouseUp(rtl::mbRight, {}, at.X + 10, at.Y + 5);
    EXPECT_FLOAT_EQ(layer->Position()->X(), 100);
    EXPECT_FLOAT_EQ(layer->Width(), 200);
  }

  // A left press on empty space drags the layer: the press point stays under the mouse.
  layer->LayerMouseDown(rtl::mbLeft, {}, 100, 60);
  EXPECT_TRUE(layer->Moving());
  EXPECT_EQ(host->captured, layer);
  layer->LayerMouseMove({}, 110, 65);
  EXPECT_FLOAT_EQ(layer->Position()->X(), 110);
  EXPECT_FLOAT_EQ(layer->Position()->Y(), 55);
  layer->LayerMouseUp(rtl::mbLeft, {}, 110, 65);
  EXPECT_FALSE(layer->Moving());

  // The grip: the size follows the mouse in whole units, the left-top corner stays.
  layer->Position()->SetPoint({100, 50, 0});
  layer->LayerMouseDown(rtl::mbLeft, {}, 190, 90);
  EXPECT_TRUE(layer->Resizing());
  layer->LayerMouseMove({}, 220.4f, 110.6f);
  EXPECT_FLOAT_EQ(layer->Width(), 230);
  EXPECT_FLOAT_EQ(layer->Height(), 121);
  EXPECT_FLOAT_EQ(layer->Position()->X() - layer->Width() / 2, 0);
  EXPECT_FLOAT_EQ(layer->Position()->Y() - layer->Height() / 2, 0);
  layer->LayerMouseUp(rtl::mbLeft, {}, 220, 110);
  EXPECT_FALSE(layer->Resizing());
  EXPECT_EQ(grip->Scene(), layer);

  // A release far off the layer, past even the captured reach, still ends the resize, and a
  // captured 2D object still gets its release at the last point.
  const TdxVector away{5000, 5000, -100, 1}, into{0, 0, 1, 0};
  layer->LayerMouseDown(rtl::mbLeft, {}, 190, 90);
  ASSERT_TRUE(layer->Resizing());
  layer->MouseUp(rtl::mbLeft, {}, 0, 0, away, into);
  EXPECT_FALSE(layer->Resizing());
  Box* box = Add(root, 60, 10, 40, 20);
  box->SetAutoCapture(true);
  layer->LayerMouseDown(rtl::mbLeft, {}, 70, 15);
  ASSERT_EQ(layer->GetCaptured(), box);
  layer->MouseUp(rtl::mbLeft, {}, 0, 0, away, into);
  EXPECT_EQ(box->events.back(), "up 10,5");
  EXPECT_EQ(layer->GetCaptured(), nullptr);
}

// A layer seen through the camera lies in its X-Z plane, at Resolution pixels a unit: a drag of
// empty space moves it in that plane so that the pressed point stays under the pointer, and a
// grip sizes its Width and Depth in whole pixels with the corner of its first pixel kept, turned
// or not (both used to take buffer pixels as units of its X-Y plane).
TEST_F(ObjectLayerTest, ALayerSeenThroughTheCameraMovesAndSizesInItsOwnPlane) {
  auto* flat = new TdxObjectLayer(nullptr);
  host->AddObject(flat);
  flat->Position()->SetPoint({1, 2, 3});
  flat->RotateAngle()->SetY(30);
  flat->SetWidth(4);
  flat->SetDepth(3);
  ASSERT_EQ(flat->BufferWidth(), 240);
  ASSERT_EQ(flat->BufferHeight(), 180);
  auto* root = new Box(nullptr);
  root->SetHitTest(false);
  flat->AddObject(root);
  Add<vg::TvxSizeGrip>(root, 220, 160, 20, 20);
  flat->SetAllowDrag(true);
  // Where a buffer point lies in the scene.
  const auto at = [&](float X, float Y) {
    return flat->LocalToAbsolute(
        {X / 240 * flat->Width() - flat->Width() / 2, 0, flat->Depth() / 2 - Y / 180 * flat->Depth(), 1});
  };
  const auto near = [](const TdxVector& A, const TdxVector& B) {
    return std::fabs(A.X - B.X) < 1e-4f && std::fabs(A.Y - B.Y) < 1e-4f && std::fabs(A.Z - B.Z) < 1e-4f;
  };
  const TdxVector target = at(180, 60);
  flat->LayerMouseDown(rtl::mbLeft, {}, 120, 90);
  ASSERT_TRUE(flat->Moving());
  flat->LayerMouseMove({}, 180, 60);
  EXPECT_TRUE(near(at(120, 90), target)) << "the pressed point under the pointer";
  EXPECT_FLOAT_EQ(flat->Position()->Y(), 2) << "within its plane";
  flat->LayerMouseUp(rtl::mbLeft, {}, 180, 60);

  const TdxVector corner = at(0, 0);
  flat->LayerMouseDown(rtl::mbLeft, {}, 230, 170);
  ASSERT_TRUE(flat->Resizing());
  flat->LayerMouseMove({}, 290.3f, 199.8f);
  EXPECT_FLOAT_EQ(flat->Width(), 5);
  EXPECT_FLOAT_EQ(flat->Depth(), 3.5f);
  EXPECT_FLOAT_EQ(flat->Height(), 1) << "its thickness";
  EXPECT_TRUE(near(flat->LocalToAbsolute({-2.5f, 0, 1.75f, 1}), corner));
  flat->LayerMouseUp(rtl::mbLeft, {}, 290, 200);
  EXPECT_FALSE(flat->Resizing());
}

TEST_F(ObjectLayerTest, HintsAndDropsFindTheObjectUnderTheClientPoint) {
  MakeLayer(800, 600);
  auto* root = new Box(nullptr);
  root->SetHitTest(false);
  layer->AddObject(root);
  Box* target = Add(root, 90, 40, 40, 20);
  target->SetShowHint(true);
  target->SetHint(u"Reducer pressure");

  TdxHintInfo info;
  info.CursorX = 100;
  info.CursorY = 50;
  ASSERT_TRUE(layer->HintShow(info));
  EXPECT_EQ(info.HintStr, u"Reducer pressure");
  EXPECT_EQ(info.Left, 90);
  EXPECT_EQ(info.Top, 40);
  EXPECT_EQ(info.Right, 130);
  EXPECT_EQ(info.Bottom, 60);
  info.CursorX = 500;
  EXPECT_FALSE(layer->HintShow(info));

  // A drag: the 2D target hears enter, and the shared target forgets it when it goes.
  int entered = 0, dropped = 0;
  target->OnDragOver = [&](rtl::TObject*, const vg::TvxDragObject&, const vg::TvxPoint&, bool& Accept) {
    Accept = true;
  };
  target->OnDragEnter = [&](rtl::TObject*, const vg::TvxDragObject&, const vg::TvxPoint&) { ++entered; };
  target->OnDragDrop = [&](rtl::TObject*, const vg::TvxDragObject& D, const vg::TvxPoint& P) {
    ++dropped;
    EXPECT_EQ(D.Files, (std::vector<std::u16string>{u"/tmp/a.cfg"}));
    EXPECT_FLOAT_EQ(P.X, 100);
  };
  TdxDragObject data;
  data.Files = {"/tmp/a.cfg"};
  bool accept = false;
  // The point comes in the layer's local space, as the 3D host hands it on.
  const TdxVector local = layer->AbsoluteToLocal({100, 50, 0, 1});
  layer->DragOver(data, local, accept);
  EXPECT_TRUE(accept);
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(ObjectLayerDropTarget(), target);
  layer->DragDrop(data, local);
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(ObjectLayerDropTarget(), nullptr);

  accept = false;
  layer->DragOver(data, local, accept);
  ASSERT_EQ(ObjectLayerDropTarget(), target);
  target->Free();
  EXPECT_EQ(ObjectLayerDropTarget(), nullptr) << "a freed target is never told of the drop";
  layer->DragDrop(data, local);

  // A drag a 2D object starts is carried by the 3D host with that very object, not the layer,
  // and the drag's source reaches the 2D targets unchanged. The end of the drag is the host's
  // to tell the object: the layer's own drag end does nothing.
  Box* from = Add(root, 200, 40, 40, 20);
  Box* to = Add(root, 300, 40, 40, 20);
  int ended = 0;
  rtl::TObject* source = nullptr;
  from->OnDragEnd = [&](rtl::TObject*) { ++ended; };
  to->OnDragOver = [&](rtl::TObject*, const vg::TvxDragObject&, const vg::TvxPoint&, bool& Accept) { Accept = true; };
  to->OnDragEnter = [&](rtl::TObject*, const vg::TvxDragObject& D, const vg::TvxPoint&) { source = D.Source; };
  layer->BeginVCLDrag(from);
  EXPECT_EQ(host->dragged, (std::vector<rtl::TComponent*>{from}));
  TdxDragObject carried;
  carried.Source = from;
  accept = false;
  layer->DragOver(carried, layer->AbsoluteToLocal({310, 50, 0, 1}), accept);
  EXPECT_TRUE(accept);
  EXPECT_EQ(source, from);
  layer->DragEnd();
  EXPECT_EQ(ended, 0);
}

TEST_F(ObjectLayerTest, LayerPointsBecomeScreenPointsThroughTheLayersPlace) {
  MakeLayer(800, 600);
  const vg::TvxPoint p = layer->LocalToScreen(vg::MakePoint(10, 20));
  // The fake window's client area starts at (100, 200) on the screen.
  EXPECT_FLOAT_EQ(p.X, 110);
  EXPECT_FLOAT_EQ(p.Y, 220);
}

}  // namespace object_layer_test
