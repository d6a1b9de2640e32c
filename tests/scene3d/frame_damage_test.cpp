// Frames that draw only what changed. A window built as every window of the program (a
// transparent scene whose root holds a GUI layer of Hud controls) goes through a run of
// changes twice, side by side: once as the program draws it, once forced to draw and present
// the whole view after each change (a caption wider than its label among them, whose font
// shrinks and grows). Frame by frame the two must show the same pixels, with or
// without a 3D object under the layer; where the layer is translucent the frame composed
// without the device may round a channel differently, by one at most. On the recording device
// the same changes show which calls each kind of frame makes, and a window whose frame is its
// layer's buffer presents it from there while the scene's own frame catches up when needed.
// Under Xvfb the window reaches the screen after a run of partial updates as a whole redraw
// shows it.
#include <gtest/gtest.h>

#include <SDL.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/GuiControls.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Animations.h"

namespace frame_damage_test {

using namespace dx;
using ::testing::ElementsAre;

namespace {

// A lit cube about its centre, seen through the scene's camera.
class Cube : public TdxVisualObject {
public:
  using TdxVisualObject::TdxVisualObject;
  void Render() override {
    TdxMaterial m;
    m.SetDiffuseColor(0xFFC08040u);
    GetCanvas()->SetMaterial(m);
    GetCanvas()->FillCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 1}, GetAbsoluteOpacity());
  }
};

// The libraries for a test, on a clock that stands still unless the test moves it (no
// animation moves anything between two windows).
struct LibraryRun {
  explicit LibraryRun(const gfx3d::Direct3DEntries& Entries, bool TestClock = true) {
    rtl::Application->Reset();
    if (TestClock) rtl::Application->SetClock(&clock);
    vg::ControlsStartup();
    dxDirectXStartup(Entries);
    SceneLibraryStartup();
  }
  ~LibraryRun() {
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    SceneLibraryShutdown();
    dxDirectXShutdown();
    vg::ControlsShutdown();
    rtl::Application->SetClock(nullptr);
  }
  rtl::TTestClock clock;
};

// The window: a Hud window of labels and a panel with a label of its own, on a GUI layer over
// the client area, optionally over a cube.
struct Window {
  // OnDevice: an object whose (empty) paint handler keeps every frame on the device.
  Window(int X, int Y, int W, int H, const std::string& Fill, bool WithCube, bool OnDevice = false) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetColor(0xFF283848u);
    form->SetBounds(X, Y, W, H);
    scene = new TdxScene(form.get());
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetFillColor(Fill);
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    if (WithCube) {
      auto* light = new TdxLight(form.get());
      light->RotateAngle()->SetX(-35);
      root->AddObject(light);
      cube = new Cube(form.get());
      cube->SetSizeNoChange(2.5f, 2.5f, 2.5f);
      root->AddObject(cube);
      camera = new TdxCamera(form.get());
      camera->Position()->SetPoint({4, -5, 3});
      camera->SetTarget(cube);
      root->AddObject(camera);
      scene->SetCamera(camera);
    }
    if (OnDevice) KeepOnDevice();
    layer = new TdxGUIObjectLayer(form.get());
    root->AddObject(layer);
    layer->SetLayerAlign(dxLayerContents);
    auto* window = new vg::TvxHudWindow(form.get());
    window->SetText(u"Reducer");
    layer->AddObject(window);
    for (int i = 0; i < 6; ++i) {
      auto* l = new vg::TvxHudLabel(form.get());
      window->AddObject(l);
      l->SetBounds(16 + (i % 2) * 150.0f, 40 + (i / 2) * 30.0f, 130, 22);
      l->SetText(u"Pressure 1.2" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
      labels.push_back(l);
    }
    panel = new vg::TvxHudPanel(form.get());
    window->AddObject(panel);
    panel->SetBounds(20, 140, 120, 60);
    auto* inner = new vg::TvxHudLabel(form.get());
    panel->AddObject(inner);
    inner->SetBounds(8, 8, 100, 22);
    inner->SetText(u"Drag me");
    // A caption far wider than its label, as a large program font makes it.
    overflow = new vg::TvxHudLabel(form.get());
    window->AddObject(overflow);
    overflow->SetBounds(200, 200, 60, 22);
    overflow->SetWordWrap(false);
    overflow->SetTextAlign(vg::vgTextAlignCenter);
    overflow->Font()->SetSize(18);
    overflow->SetText(u"Switch to gas when RPM >");
  }
  void Pump() {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
  }
  // An object that draws nothing through a paint handler: the frames go to the device.
  void KeepOnDevice() {
    keeper = new TdxVisualObject(form.get());
    keeper->OnPaint = [](rtl::TObject*, TdxCanvas*) {};
    root->AddObject(keeper);
  }
  // As the reference draws: the whole layer painted and the whole view drawn and presented.
  void ForceWhole() {
    layer->AddUpdateRect(
        vg::MakeRect(0, 0, static_cast<float>(layer->BufferWidth()), static_cast<float>(layer->BufferHeight())));
    scene->RepaintScene();
    Pump();
  }
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  TdxVisualObject* root = nullptr;
  Cube* cube = nullptr;
  TdxCamera* camera = nullptr;
  TdxVisualObject* keeper = nullptr;
  TdxGUIObjectLayer* layer = nullptr;
  std::vector<vg::TvxHudLabel*> labels;
  vg::TvxHudPanel* panel = nullptr;
  vg::TvxHudLabel* overflow = nullptr;
};

// The changes of the run, each applied to a window in the same way.
std::vector<std::function<void(Window&)>> Changes() {
  std::vector<std::function<void(Window&)>> c;
  for (int i = 0; i < 6; ++i)
    c.push_back(
        [i](Window& W) { W.labels[static_cast<size_t>(i)]->SetText(u"Pressure " + std::u16string(i + 1, u'8')); });
  c.push_back([](Window& W) { W.labels[1]->SetVisible(false); });
  c.push_back([](Window& W) { W.labels[4]->SetVisible(false); });
  c.push_back([](Window& W) { W.labels[1]->SetVisible(true); });
  // The panel dragged by small steps, then a long one.
  for (int i = 1; i <= 5; ++i)
    c.push_back([i](Window& W) { W.panel->Position()->SetPoint({20.0f + 7 * i, 140.0f - 3 * i}); });
  c.push_back([](Window& W) { W.panel->Position()->SetPoint({170, 150}); });
  c.push_back([](Window& W) {
    W.labels[0]->SetText(u"1");
    W.labels[5]->SetText(u"Both at once");
  });
  // The font of a caption wider than its label gets smaller, then larger again: nothing of
  // the larger text stays beside the label.
  c.push_back([](Window& W) { W.overflow->Font()->SetSize(9); });
  c.push_back([](Window& W) { W.overflow->Font()->SetSize(20); });
  c.push_back([](Window& W) { W.overflow->Font()->SetSize(11); });
  return c;
}

struct Differences {
  int Pixels = 0;       // pixels compared
  int Translucent = 0;  // where the layer is translucent
  int OffByOne = 0;     // translucent pixels one away in some channel
  int Far = 0;          // any other difference
};

// Compares frames of A and B (client-sized, XRGB or ARGB) where the layer of B tells which
// pixels lie under translucent layer pixels.
void Compare(const std::uint32_t* A, const std::uint32_t* B, const Window& Ref, int W, int H, Differences& D) {
  int x0 = 0, y0 = 0;
  ASSERT_TRUE(Ref.layer->ScreenPlacement(x0, y0));
  const TdxBitmap* buffer = Ref.layer->GetBuffer();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x);
      ++D.Pixels;
      const int bx = x - x0, by = y - y0;
      std::uint32_t alpha = 0;
      if (bx >= 0 && by >= 0 && bx < buffer->Width() && by < buffer->Height())
        alpha =
            buffer->Bits()[static_cast<size_t>(by) * static_cast<size_t>(buffer->Width()) + static_cast<size_t>(bx)] >>
            24;
      const bool translucent = alpha > 0 && alpha < 255;
      D.Translucent += translucent;
      if (A[i] == B[i]) continue;
      int most = 0;
      for (int s = 0; s < 32; s += 8)
        most = std::max(most, std::abs(static_cast<int>((A[i] >> s) & 0xFF) - static_cast<int>((B[i] >> s) & 0xFF)));
      if (translucent && most <= 1)
        ++D.OffByOne;
      else
        ++D.Far;
    }
}

class FrameDamageGl : public ::testing::TestWithParam<std::tuple<bool, const char*>> {
protected:
  void SetUp() override {
    std::string why;
    if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  }
};

}  // namespace

TEST_P(FrameDamageGl, EveryFrameOfARunOfChangesShowsWhatAWholeRedrawShows) {
  const bool withCube = std::get<0>(GetParam());
  const std::string fill = std::get<1>(GetParam());
  constexpr int W = 320, H = 240;
  LibraryRun run(gfx3d::OpenGlDirect3D());
  {
    Window a(0, 0, W, H, fill, withCube), b(400, 0, W, H, fill, withCube, true);
    a.form->Show();
    b.form->Show();
    a.Pump();
    b.ForceWhole();
    auto* canvasA = a.scene->GetCanvas();
    auto* canvasB = b.scene->GetCanvas();
    ASSERT_TRUE(canvasA && canvasB && canvasA->HasBuffer());
    Differences scene, shown;
    int step = 0;
    for (const auto& change : Changes()) {
      SCOPED_TRACE("step " + std::to_string(step++));
      change(a);
      change(b);
      const int frames = a.scene->FrameCount();
      a.Pump();
      b.ForceWhole();
      EXPECT_EQ(a.scene->FrameCount(), frames + 1) << "one frame a change";
      EXPECT_EQ(a.scene->LastFrameKind(), withCube ? TdxFrameKind::DevicePart : TdxFrameKind::Composed);
      EXPECT_EQ(b.scene->LastFrameKind(), TdxFrameKind::Device);
      int area = 0;
      for (const win::TRect& r : a.scene->LastFrameRects()) area += r.Width() * r.Height();
      EXPECT_LT(area, W * H / 2) << "a change draws a part of the view";
      const int farBefore = scene.Far + shown.Far;
      Compare(a.scene->FrameBuffer(), b.scene->FrameBuffer(), b, W, H, scene);
      Compare(a.form->PresentedFrame().data(), b.form->PresentedFrame().data(), b, W, H, shown);
      ASSERT_EQ(scene.Far + shown.Far, farBefore) << "frames differ beyond the rounding of translucent pixels";
    }
    // Whole frames after the run: the fill, then, where the window composed its frames, an
    // object that keeps them on the device, which draws with the layer's texture; then again
    // without it and with it, so that the texture catches up with what was composed meanwhile.
    // (The reference keeps its frames on the device throughout: it takes the changes alone.)
    std::vector<std::function<void(Window&, bool)>> wholes = {
        [](Window& W, bool) { W.scene->SetFillColor("#FF203020"); }};
    if (!withCube) {
      wholes.push_back([](Window& W, bool Reference) {
        if (!Reference) W.KeepOnDevice();
      });
      wholes.push_back([](Window& W, bool Reference) {
        if (!Reference) W.keeper->Free();
        W.labels[2]->SetText(u"Composed");
      });
      wholes.push_back([](Window& W, bool) { W.labels[3]->SetText(u"Again"); });
      wholes.push_back([](Window& W, bool Reference) {
        if (!Reference) W.KeepOnDevice();
      });
    }
    for (size_t i = 0; i < wholes.size(); ++i) {
      SCOPED_TRACE("whole step " + std::to_string(i));
      wholes[i](a, false);
      wholes[i](b, true);
      a.Pump();
      b.ForceWhole();
      Differences last;
      Compare(a.scene->FrameBuffer(), b.scene->FrameBuffer(), b, W, H, last);
      Compare(a.form->PresentedFrame().data(), b.form->PresentedFrame().data(), b, W, H, last);
      if (a.scene->LastFrameKind() == TdxFrameKind::Device) {
        EXPECT_EQ(last.Far + last.OffByOne, 0) << "both whole frames come from the same device drawing";
      } else {
        EXPECT_EQ(last.Far, 0);
      }
    }
    EXPECT_EQ(a.scene->LastFrameKind(), TdxFrameKind::Device);
    if (withCube) {
      EXPECT_EQ(scene.OffByOne + shown.OffByOne, 0) << "the device draws every frame the same way";
    }
    std::cout << "[ frames ] " << (withCube ? "cube, " : "no cube, ") << fill << ": " << scene.Pixels
              << " pixels compared, " << scene.Translucent << " under translucent layer pixels, " << scene.OffByOne
              << " of them one away in the scene's frame, " << shown.OffByOne << " in the presented frame\n";
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, FrameDamageGl,
                         ::testing::Values(std::make_tuple(false, "#00000000"), std::make_tuple(false, "#FF3A5A78"),
                                           std::make_tuple(false, "#80C04020"), std::make_tuple(true, "#00000000"),
                                           std::make_tuple(true, "#FF3A5A78")));

namespace {

std::string RectText(const win::TRect& R) {
  return "[" + std::to_string(R.Left) + " " + std::to_string(R.Top) + " " + std::to_string(R.Right) + " " +
         std::to_string(R.Bottom) + "]";
}

// The calls of a frame that say what it drew and read: scissor, the scissor test, clears,
// draws and read-backs.
std::vector<std::string> FrameCalls(const gfx3d::FakeRecorder& Rec) {
  std::vector<std::string> out;
  for (const gfx3d::FakeCall& c : Rec.Calls) {
    if (c.Name == "SetRenderState" && c.Args.rfind("174,", 0) != 0) continue;
    if (c.Name == "DrawIndexedPrimitive") {
      if (out.empty() || out.back() != "draw") out.push_back("draw");
      continue;
    }
    if (c.Name == "SetScissorRect" || c.Name == "SetRenderState" || c.Name == "Clear" ||
        c.Name == "GetRenderTargetRect" || c.Name == "ResetEx")
      out.push_back(c.Text());
  }
  return out;
}

}  // namespace

TEST(FrameDamageDevice, AWindowWhereOnlyTheLayerDrawsComposesEveryFrameAndNeverMakesADevice) {
  auto rec = std::make_shared<gfx3d::FakeRecorder>();
  LibraryRun run(gfx3d::FakeDirect3D(rec, gfx3d::Availability::Ex));
  {
    Window w(0, 0, 200, 150, "#00000000", false);
    rec->Clear();
    w.form->Show();
    w.Pump();
    ASSERT_GT(w.scene->FrameCount(), 0);
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::Composed);
    auto* canvas = dynamic_cast<TdxDirectXCanvas*>(w.scene->GetCanvas());
    ASSERT_NE(canvas, nullptr);
    // A label, a visibility, the fill, a camera and a size: no device call at all.
    w.labels[2]->SetText(u"Changed");
    w.Pump();
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::Composed);
    EXPECT_LT(w.scene->LastFrameRects().front().Width(), 200);
    w.labels[3]->SetVisible(false);
    w.Pump();
    w.scene->SetFillColor("#FF101010");
    w.Pump();
    EXPECT_EQ(w.scene->LastFrameRects(), std::vector<win::TRect>({{0, 0, 200, 150}})) << "a whole frame";
    const std::uint32_t* frame = w.scene->GetCanvas()->Buffer();
    EXPECT_TRUE(std::all_of(frame, frame + 200 * 150, [](std::uint32_t P) { return P >> 24 == 255; }))
        << "composed over the new, opaque fill";
    auto* camera = new TdxCamera(w.form.get());
    w.root->AddObject(camera);
    w.scene->SetCamera(camera);
    w.Pump();
    w.form->SetBounds(0, 0, 220, 160);
    w.Pump();
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::Composed);
    EXPECT_EQ(w.scene->GetCanvas()->Width(), 220);
    EXPECT_TRUE(rec->Calls.empty()) << ::testing::PrintToString(rec->Texts());
    EXPECT_FALSE(canvas->HasDevice());

    // 3D content appears: the device is made and draws the whole view, the layer's texture made
    // and uploaded whole; a label change then draws its rectangle on the device.
    auto* cube = new Cube(w.form.get());
    cube->SetSizeNoChange(2, 2, 2);
    w.root->AddObject(cube);
    w.Pump();
    EXPECT_TRUE(canvas->HasDevice());
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::Device);
    EXPECT_EQ(rec->Count("CreateDeviceEx"), 1);
    EXPECT_THAT(rec->TextsOf({"CreateTexture"}), ElementsAre(::testing::StartsWith("CreateTexture(220,160,")));
    rec->Clear();
    w.labels[0]->SetText(u"Changed on the device");
    w.Pump();
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::DevicePart);
    EXPECT_EQ(rec->Count("SetScissorRect"), 1);
  }
}

namespace {

// A GUI layer that draws a line over its buffer: more than its buffer.
class MarkedLayer : public TdxGUIObjectLayer {
public:
  using TdxGUIObjectLayer::TdxGUIObjectLayer;
  void Render() override {
    TdxGUIObjectLayer::Render();
    TdxVisualObject::GetCanvas()->DrawLine({0, 0, 0, 1}, {10, 10, 0, 1}, 1);
  }
};

}  // namespace

TEST(FrameDamageDevice, OnlyLayersThatDrawTheirBufferAloneAreComposed) {
  auto rec = std::make_shared<gfx3d::FakeRecorder>();
  LibraryRun run(gfx3d::FakeDirect3D(rec, gfx3d::Availability::Ex));
  {
    Window w(0, 0, 200, 150, "#00000000", false);
    // A text of the 3D GUI controls is a layer drawn through its buffer: still composed.
    auto* text = new TdxGUIText(w.form.get());
    text->SetProjection(dxProjectionScreen);
    text->SetWidth(80);
    text->SetHeight(20);
    text->Position()->SetPoint({100, 120, 0});
    w.root->AddObject(text);
    text->SetText(u"Text");
    w.form->Show();
    w.Pump();
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::Composed);
    EXPECT_EQ(rec->Count("CreateDeviceEx"), 0);
    // A layer of a class that draws more takes the frames to the device.
    auto* marked = new MarkedLayer(w.form.get());
    marked->SetWidth(40);
    marked->SetHeight(40);
    marked->Position()->SetPoint({20, 20, 0});
    w.root->AddObject(marked);
    w.Pump();
    EXPECT_NE(w.scene->LastFrameKind(), TdxFrameKind::Composed);
    EXPECT_EQ(rec->Count("CreateDeviceEx"), 1);
    rec->Clear();
    w.labels[1]->SetText(u"Changed");
    w.Pump();
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::DevicePart);
    EXPECT_EQ(rec->Count("SetScissorRect"), 1);
  }
}

namespace {

// Where the client rectangle R of a frame (client-sized, rows of W pixels) differs from the
// layer's buffer: the first differing pixel as text, empty when none does.
std::string FrameVersusBuffer(const std::uint32_t* Frame, int W, const TdxBitmap& Buffer, const win::TRect& R) {
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if (Frame[y * W + x] != Buffer.Bits()[y * Buffer.Width() + x]) return std::to_string(x) + "," + std::to_string(y);
  return {};
}

}  // namespace

// A window whose one layer covers it over a transparent fill presents its frames straight from
// the layer's buffer; the scene's own frame takes them when it is asked for, before any other
// kind of frame draws into it, and before the layer goes.
TEST(FrameDamageDevice, AFrameThatIsTheLayersBufferIsPresentedFromItAndTheScenesFrameCatchesUp) {
  auto rec = std::make_shared<gfx3d::FakeRecorder>();
  LibraryRun run(gfx3d::FakeDirect3D(rec, gfx3d::Availability::Ex));
  {
    Window w(0, 0, 200, 150, "#00000000", false);
    w.form->Show();
    w.Pump();
    ASSERT_TRUE(w.scene->LastFrameFromLayer());
    const win::TRect client{0, 0, 200, 150};
    std::uint32_t* frame = w.scene->FrameBuffer();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(FrameVersusBuffer(frame, 200, *w.layer->GetBuffer(), client), "");

    // A change: only the layer's pixels change; the scene's frame follows when asked.
    std::fill(frame, frame + 200 * 150, 0x12345678u);
    w.labels[2]->SetText(u"Changed");
    w.Pump();
    ASSERT_TRUE(w.scene->LastFrameFromLayer());
    const win::TRect part = w.scene->LastFrameRects().front();
    EXPECT_LT(part.Width() * part.Height(), 200 * 150 / 4);
    EXPECT_EQ(w.scene->GetCanvas()->Buffer()[part.Top * 200 + part.Left], 0x12345678u) << "not copied yet";
    EXPECT_EQ(w.scene->FrameBuffer(), frame);
    EXPECT_EQ(FrameVersusBuffer(frame, 200, *w.layer->GetBuffer(), part), "");
    EXPECT_EQ(frame[0], 0x12345678u) << "only what was presented is copied";

    // Then a frame of another kind (a second layer joins: the composition is no longer one
    // buffer) composes into the scene's frame, which is whole again afterwards.
    std::fill(frame, frame + 200 * 150, 0x12345678u);
    w.labels[0]->SetText(u"Again");
    w.Pump();
    ASSERT_TRUE(w.scene->LastFrameFromLayer());
    auto* text = new TdxGUIText(w.form.get());
    text->SetProjection(dxProjectionScreen);
    text->SetWidth(40);
    text->SetHeight(20);
    text->Position()->SetPoint({170, 130, 0});
    w.root->AddObject(text);
    text->SetText(u"Gas");
    w.Pump();
    EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::Composed);
    EXPECT_FALSE(w.scene->LastFrameFromLayer());
    EXPECT_EQ(FrameVersusBuffer(w.scene->GetCanvas()->Buffer(), 200, *w.layer->GetBuffer(), {0, 0, 200, 100}), "");
    text->Free();
    w.Pump();
    ASSERT_TRUE(w.scene->LastFrameFromLayer());

    // The layer goes while the scene's frame is behind: the frame takes its pixels first (ASan
    // would tell of a buffer read after it went).
    w.labels[1]->SetText(u"Last");
    w.Pump();
    ASSERT_TRUE(w.scene->LastFrameFromLayer());
    const win::TRect last = w.scene->LastFrameRects().front();
    TdxBitmap shown;
    shown.Assign(w.layer->GetBuffer());
    w.layer->Free();
    w.layer = nullptr;
    EXPECT_EQ(FrameVersusBuffer(w.scene->FrameBuffer(), 200, shown, last), "");
    w.Pump();
    EXPECT_FALSE(w.scene->LastFrameFromLayer());
  }
}

TEST(FrameDamageDevice, OverA3DObjectALabelChangeDrawsAndReadsBackItsRectangleAloneAndWholeChangesTheWholeView) {
  auto rec = std::make_shared<gfx3d::FakeRecorder>();
  LibraryRun run(gfx3d::FakeDirect3D(rec, gfx3d::Availability::Ex));
  {
    Window w(0, 0, 200, 150, "#00000000", true);
    w.form->Show();
    w.Pump();
    rec->Clear();
    w.labels[2]->SetText(u"Changed");
    w.Pump();
    ASSERT_EQ(w.scene->LastFrameKind(), TdxFrameKind::DevicePart);
    ASSERT_EQ(w.scene->LastFrameRects().size(), 1u);
    const win::TRect part = w.scene->LastFrameRects().front();
    EXPECT_LT(part.Width() * part.Height(), 200 * 150 / 4);
    const std::string r = RectText(part);
    EXPECT_THAT(FrameCalls(*rec),
                ElementsAre("SetScissorRect(" + r + ")", "SetRenderState(174,1)", "Clear(0,null,3,0,1,0)", "draw",
                            "GetRenderTargetRect(backbuffer," + r + ",800)"));
    // The texture takes the label's part alone.
    const std::vector<std::string> locks = rec->TextsOf({"Texture.LockRect"});
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_THAT(locks[0], ::testing::Not(::testing::HasSubstr("null")));
    // Only what the device read back reaches the frame.
    rec->ReadBackPixel = 0xFF00FF00u;
    w.labels[0]->SetText(u"Again");
    w.Pump();
    const win::TRect again = w.scene->LastFrameRects().front();
    const std::uint32_t* frame = w.scene->GetCanvas()->Buffer();
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) {
        const bool in = x >= again.Left && x < again.Right && y >= again.Top && y < again.Bottom;
        ASSERT_EQ(frame[y * 200 + x] == 0xFF00FF00u, in) << x << "," << y;
      }

    // The cube turns, the fill or the camera changes: the whole view, the scissor test off.
    const std::vector<std::function<void()>> wholes = {
        [&] { w.cube->RotateAngle()->SetZ(30); }, [&] { w.scene->SetFillColor("#FF101010"); },
        [&] { w.camera->Position()->SetX(6); }, [&] { w.scene->SetCamera(nullptr); }};
    for (size_t i = 0; i < wholes.size(); ++i) {
      SCOPED_TRACE(i);
      rec->Clear();
      wholes[i]();
      w.Pump();
      EXPECT_EQ(w.scene->LastFrameKind(), TdxFrameKind::Device);
      const std::vector<std::string> calls = FrameCalls(*rec);
      ASSERT_GE(calls.size(), 3u);
      EXPECT_THAT(calls, ::testing::Contains(::testing::StartsWith("Clear(0,null,3,")));
      EXPECT_EQ(calls.back(), "GetRenderTargetRect(backbuffer,[0 0 200 150],800)");
      EXPECT_EQ(rec->Count("SetScissorRect"), 0);
    }
    // A resize resets the device and draws the whole new size.
    rec->Clear();
    w.form->SetBounds(0, 0, 220, 160);
    w.Pump();
    const std::vector<std::string> resized = FrameCalls(*rec);
    ASSERT_FALSE(resized.empty());
    EXPECT_THAT(resized.front(), ::testing::StartsWith("ResetEx(220 x 160,"));
    EXPECT_EQ(resized.back(), "GetRenderTargetRect(backbuffer,[0 0 220 160],880)");
    EXPECT_EQ(rec->Count("SetScissorRect"), 0);
  }
}

// Under Xvfb: after a run of partial updates the X screen shows what the form presented, and
// what a whole redraw then shows differs from it only by the rounding of translucent pixels.
TEST(FrameDamageScreenshot, PartialUpdatesReachTheScreenAsAWholeRedrawShowsThem) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("FrameDamageScreenshotChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(FrameDamageScreenshotChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  constexpr int X0 = 100, Y0 = 80, W = 320, H = 240;
  LibraryRun run(gfx3d::OpenGlDirect3D(), false);
  {
    Window w(X0, Y0, W, H, "#00000000", false);
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    const std::string shot = "/tmp/gascal-framedamage-" + std::to_string(getpid()) + ".xwd";
    // The X server shows what it is sent in its own time: look until the window shows the
    // form's last presented frame.
    auto screenMatches = [&](vgtest::Screenshot& S) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
      while (std::chrono::steady_clock::now() < end) {
        w.Pump();
        if (std::system(("xwd -root -silent -out " + shot).c_str()) != 0 || !vgtest::ReadXwd(shot, S)) return false;
        const std::vector<std::uint32_t> presented = w.form->PresentedFrame();
        bool same = S.width >= X0 + W && S.height >= Y0 + H;
        for (int y = 0; same && y < H; ++y)
          for (int x = 0; same && x < W; ++x)
            same = (S.At(X0 + x, Y0 + y) & 0xFFFFFFu) == (presented[static_cast<size_t>(y * W + x)] & 0xFFFFFFu);
        if (same) return true;
        SDL_Delay(20);
      }
      return false;
    };
    vgtest::Screenshot first;
    ASSERT_TRUE(screenMatches(first)) << "the window never showed its first frame";
    int composed = 0;
    for (const auto& change : Changes()) {
      change(w);
      w.Pump();
      composed += w.scene->LastFrameKind() == TdxFrameKind::Composed;
    }
    EXPECT_EQ(composed, static_cast<int>(Changes().size()));
    vgtest::Screenshot partial;
    ASSERT_TRUE(screenMatches(partial)) << "the screen does not show the partial updates";
    // A whole redraw, composed, then drawn on the device (an object keeps the frame there).
    for (bool onDevice : {false, true}) {
      SCOPED_TRACE(onDevice ? "on the device" : "composed");
      if (onDevice) w.KeepOnDevice();
      w.ForceWhole();
      ASSERT_EQ(w.scene->LastFrameKind(), onDevice ? TdxFrameKind::Device : TdxFrameKind::Composed);
      ASSERT_EQ(w.scene->LastFrameRects(), std::vector<win::TRect>({{0, 0, W, H}}));
      vgtest::Screenshot whole;
      ASSERT_TRUE(screenMatches(whole)) << "the screen does not show the whole redraw";
      int differ = 0, far = 0;
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          const std::uint32_t p = partial.At(X0 + x, Y0 + y), q = whole.At(X0 + x, Y0 + y);
          differ += p != q;
          far += !vgtest::Near(p, q, 1);
        }
      EXPECT_EQ(far, 0);
      EXPECT_LT(differ, W * H / 20);
      std::cout << "[ screen ] " << (onDevice ? "device" : "composed") << " whole redraw: " << differ << " of " << W * H
                << " pixels one away from the partial updates\n";
    }
    std::remove(shot.c_str());
  }
  win::CloseDisplay();
}

}  // namespace frame_damage_test
