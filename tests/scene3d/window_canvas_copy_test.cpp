// Copying a window's canvas (AssignTo, CopyToBitmap) gives what the window shows. A window built
// as the program's are (a transparent scene whose root holds a GUI layer of Hud controls)
// composes its frames without the device, and mostly presents them straight from the layer's
// buffer; one with an object that draws keeps its frames on the device. On the recording
// device the copy of either makes no device call; under OpenGL the copy of a device-drawn
// window is what it presented.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx3d/FakeDevice.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/Graphics.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "tests/TestOutput.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"

namespace window_canvas_copy_test {

using namespace dx;

namespace {

struct Libraries {
  explicit Libraries(const gfx3d::Direct3DEntries& Entries) {
    rtl::Application->Reset();
    vg::ControlsStartup();
    dxDirectXStartup(Entries);
    SceneLibraryStartup();
  }
  ~Libraries() {
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    SceneLibraryShutdown();
    dxDirectXShutdown();
    vg::ControlsShutdown();
  }
};

// A lit cube seen through the scene's camera: frames go to the device.
class Cube : public TdxVisualObject {
public:
  using TdxVisualObject::TdxVisualObject;
  void Render() override {
    TdxMaterial m;
    m.SetDiffuseColor(0xFF3080C0u);
    GetCanvas()->SetMaterial(m);
    GetCanvas()->FillCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 1}, GetAbsoluteOpacity());
  }
};

// On a black form, so that what the form presents is the scene's frame with its alpha made opaque.
struct Window {
  explicit Window(bool WithCube) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetColor(0xFF000000u);
    form->SetBounds(0, 0, 240, 160);
    scene = new TdxScene(form.get());
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetFillColor("#00000000");
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    if (WithCube) {
      auto* light = new TdxLight(form.get());
      light->RotateAngle()->SetX(-35);
      root->AddObject(light);
      auto* cube = new Cube(form.get());
      cube->SetSizeNoChange(2.5f, 2.5f, 2.5f);
      root->AddObject(cube);
      auto* camera = new TdxCamera(form.get());
      camera->Position()->SetPoint({4, -5, 3});
      camera->SetTarget(cube);
      root->AddObject(camera);
      scene->SetCamera(camera);
    }
    auto* layer = new TdxGUIObjectLayer(form.get());
    root->AddObject(layer);
    layer->SetLayerAlign(dxLayerContents);
    auto* window = new vg::TvxHudWindow(form.get());
    window->SetText(u"Reducer");
    layer->AddObject(window);
    for (int i = 0; i < 3; ++i) {
      auto* l = new vg::TvxHudLabel(form.get());
      window->AddObject(l);
      l->SetBounds(16, 40 + i * 30.0f, 200, 22);
      l->SetText(u"Pressure 1.2" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
      labels.push_back(l);
    }
    form->Show();
    Pump();
  }
  void Pump() {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
  }
  // Where the copy differs from what the form presented: the first such pixel, empty when none.
  std::string VersusPresented(const std::uint32_t* Copy) const {
    const std::vector<std::uint32_t> shown = form->PresentedFrame();
    for (size_t i = 0; i < shown.size(); ++i)
      if ((Copy[i] | 0xFF000000u) != shown[i])
        return std::to_string(i % 240) + "," + std::to_string(i / 240) + ": " + std::to_string(Copy[i]) + " shown " +
               std::to_string(shown[i]);
    return {};
  }
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  std::vector<vg::TvxHudLabel*> labels;
};

// The pixels something covers (alpha above 0): the Hud window is translucent.
int CoveredPixels(const std::uint32_t* Bits, size_t Count) {
  int n = 0;
  for (size_t i = 0; i < Count; ++i) n += Bits[i] >> 24 != 0;
  return n;
}

}  // namespace

TEST(WindowCanvasCopy, AComposedWindowCopiesWhatItShowsWithoutADevice) {
  auto rec = std::make_shared<gfx3d::FakeRecorder>();
  Libraries libs(gfx3d::FakeDirect3D(rec, gfx3d::Availability::Ex));
  {
    Window w(false);
    // A change presented straight from the layer's buffer: the canvas's frame is behind.
    w.labels[1]->SetText(u"Switch to gas");
    w.Pump();
    ASSERT_TRUE(w.scene->LastFrameFromLayer());
    auto* canvas = dynamic_cast<TdxDirectXCanvas*>(w.scene->GetCanvas());
    ASSERT_NE(canvas, nullptr);
    rec->Clear();

    vg::TvxBitmap flat(1, 1);
    canvas->AssignTo(&flat);
    ASSERT_EQ(flat.Width(), 240);
    ASSERT_EQ(flat.Height(), 160);
    EXPECT_EQ(w.VersusPresented(flat.Bits()), "");
    EXPECT_GT(CoveredPixels(flat.Bits(), 240 * 160), 240 * 160 * 9 / 10) << "the Hud window is there";
    win::TBitmap library;
    canvas->AssignTo(&library);
    ASSERT_EQ(library.Width(), 240);
    EXPECT_EQ(w.VersusPresented(library.Bits()), "");
    std::vector<std::uint32_t> bits(240 * 160);
    canvas->CopyToBitmap(bits.data());
    EXPECT_EQ(w.VersusPresented(bits.data()), "");
    EXPECT_TRUE(rec->Calls.empty()) << ::testing::PrintToString(rec->Texts());
    EXPECT_FALSE(canvas->HasDevice()) << "copying made no device";

    // The next change is still presented from the layer and copied as shown.
    w.labels[2]->SetText(u"Idle");
    w.Pump();
    ASSERT_TRUE(w.scene->LastFrameFromLayer());
    TdxBitmap copy;
    canvas->AssignTo(&copy);
    EXPECT_EQ(w.VersusPresented(copy.Bits()), "");
    EXPECT_FALSE(canvas->HasDevice());
    flat.Assign(&copy);
    flat.SaveToFile(testout::Path("window_canvas_copy.png"));
  }
}

TEST(WindowCanvasCopy, ADeviceDrawnWindowCopiesItsKeptFrameWithoutReadingTheDevice) {
  auto rec = std::make_shared<gfx3d::FakeRecorder>();
  Libraries libs(gfx3d::FakeDirect3D(rec, gfx3d::Availability::Ex));
  {
    Window w(true);
    ASSERT_NE(w.scene->LastFrameKind(), TdxFrameKind::Composed);
    rec->ReadBackPixel = 0xFF102030u;  // what the device would answer now
    w.labels[0]->SetText(u"Changed");
    w.Pump();
    ASSERT_EQ(w.scene->LastFrameKind(), TdxFrameKind::DevicePart);
    rec->Clear();
    std::vector<std::uint32_t> bits(240 * 160);
    w.scene->GetCanvas()->CopyToBitmap(bits.data());
    EXPECT_EQ(rec->Count("GetRenderTargetRect") + rec->Count("GetRenderTargetData"), 0);
    EXPECT_EQ(w.VersusPresented(bits.data()), "");
  }
}

TEST(WindowCanvasCopyGl, ADeviceDrawnWindowCopiesWhatItPresented) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  Libraries libs(gfx3d::OpenGlDirect3D());
  {
    Window w(true);
    w.labels[0]->SetText(u"On the device");
    w.Pump();
    ASSERT_EQ(w.scene->LastFrameKind(), TdxFrameKind::DevicePart);
    vg::TvxBitmap copy(1, 1);
    w.scene->GetCanvas()->AssignTo(&copy);
    EXPECT_EQ(w.VersusPresented(copy.Bits()), "");
    EXPECT_GT(CoveredPixels(copy.Bits(), 240 * 160), 240 * 160 * 9 / 10);
    copy.SaveToFile(testout::Path("window_canvas_copy_device.png"));
  }
}

}  // namespace window_canvas_copy_test
