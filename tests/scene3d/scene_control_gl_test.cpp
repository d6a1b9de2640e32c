// A real frame of the 3D scene control: the Direct3D canvas on the OpenGL device, in a
// transparent form on SDL's dummy display, with a lit cube seen through the scene's camera and
// an unlit bar in screen space; a camera freed or taken away leaves the canvas. With
// GASCAL_FRAME_DIR set the frame the form was given and the frame it shows are written there as
// PNGs to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/FilterGdiPlus.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "vg2d/core/Library.h"

namespace scene_control_gl_test {

using namespace dx;

namespace {

// A cube of its size about its centre, in its material's colour.
class Cube : public TdxVisualObject {
public:
  using TdxVisualObject::TdxVisualObject;
  void Render() override {
    TdxMaterial m;
    m.SetDiffuseColor(colour);
    m.SetLighting(lit);
    GetCanvas()->SetMaterial(m);
    GetCanvas()->FillCube({0, 0, 0, 1}, {Width(), Height(), Depth(), 1}, GetAbsoluteOpacity());
  }
  TdxColor colour = 0xFFC0C0C0u;
  bool lit = true;
};

void Save(const std::uint32_t* Bits, int W, int H, const std::string& Name) {
  const char* dir = std::getenv("GASCAL_FRAME_DIR");
  if (!dir) return;
  TdxBitmap b(W, H);
  std::uint32_t* out = nullptr;
  ASSERT_TRUE(b.Map(out, true));
  std::copy(Bits, Bits + static_cast<size_t>(W) * static_cast<size_t>(H), out);
  b.Unmap();
  vg::LibraryStartup();  // the 2D codec writes the file
  EXPECT_TRUE(TdxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", b, ""));
  vg::LibraryShutdown();
}

}  // namespace

TEST(SceneControlGl, ATransparentSceneShowsItsObjectsOverTheFormAndNothingElse) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  rtl::Application->Reset();
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  SceneLibraryStartup();
  {
    auto made = std::make_unique<win::TForm>(nullptr);
    win::TForm& form = *made;
    form.SetBorderStyle(win::bsNone);
    form.SetColor(0xFF203040u);
    form.SetBounds(0, 0, 320, 240);
    auto* scene = new TdxScene(&form);
    scene->SetTransparency(true);
    scene->SetUsingDesignCamera(false);
    scene->SetFillColor("#00000000");
    scene->SetParent(&form);
    scene->SetAlign(win::alClient);
    auto* root = new TdxVisualObject(&form);
    scene->AddObject(root);
    auto* light = new TdxLight(&form);
    light->RotateAngle()->SetX(-35);
    light->RotateAngle()->SetZ(25);
    root->AddObject(light);
    auto* cube = new Cube(&form);
    cube->SetSizeNoChange(2, 2, 2);
    root->AddObject(cube);
    auto* camera = new TdxCamera(&form);
    camera->Position()->SetPoint({4, -5, 3});
    camera->SetTarget(cube);
    root->AddObject(camera);
    scene->SetCamera(camera);
    auto* bar = new Cube(&form);
    bar->SetProjection(dxProjectionScreen);
    bar->colour = 0xFF30D040u;
    bar->lit = false;
    bar->SetSizeNoChange(200, 16, 1);
    bar->Position()->SetPoint({160, 220, 0});
    root->AddObject(bar);
    form.Show();
    rtl::Application->ProcessMessages();
    ASSERT_NE(scene->GetCanvas(), nullptr);
    auto* canvas = dynamic_cast<TdxDirectXCanvas*>(scene->GetCanvas());
    ASSERT_NE(canvas, nullptr);
    ASSERT_TRUE(canvas->HasDevice());
    EXPECT_GE(scene->FrameCount(), 1);
    Save(canvas->Buffer(), 320, 240, "scene_frame");
    Save(form.PresentedFrame().data(), 320, 240, "scene_shown");

    // Corners show the form through clear pixels; the bar is opaque green; the cube in the
    // middle is opaque grey, lit above the ambient.
    EXPECT_EQ(form.PresentedPixel(2, 2), 0xFF203040u);
    EXPECT_EQ(canvas->Buffer()[2 * 320 + 2], 0u);
    EXPECT_EQ(form.PresentedPixel(160, 220), 0xFF30D040u);
    EXPECT_EQ(form.PresentedPixel(40, 220), 0xFF203040u);
    const std::uint32_t mid = canvas->Buffer()[120 * 320 + 160];
    EXPECT_EQ(mid >> 24, 0xFFu);
    EXPECT_TRUE(((mid >> 16) & 0xFF) == (mid & 0xFF) && (mid & 0xFF) > 0x20) << std::hex << mid;
    // A changed object gives a new frame through the posted request.
    const int frames = scene->FrameCount();
    bar->Position()->SetY(20);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(scene->FrameCount(), frames + 1);
    EXPECT_EQ(form.PresentedPixel(160, 20), 0xFF30D040u);

    // The pointer over the cube finds it through the camera (the bar takes no pointer).
    bar->SetHitTest(false);
    win::SimulateMouseMove(&form, 160, 120);
    EXPECT_EQ(scene->Hovered(), cube);
    win::SimulateMouseMove(&form, 5, 5);
    // Freed, the camera leaves the canvas at once: the pointer's hit test and the next frame
    // go without it (the cube no longer fills the middle), and never reach the freed camera.
    camera->Free();
    EXPECT_EQ(scene->Camera(), nullptr);
    EXPECT_EQ(canvas->Camera(), nullptr);
    win::SimulateMouseMove(&form, 160, 120);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(canvas->Camera(), nullptr);
    EXPECT_EQ(canvas->Buffer()[120 * 320 + 160] >> 24, 0u) << "the frame was drawn through the freed camera";
    // A camera taken away from the scene leaves the canvas too, before the next frame.
    auto* second = new TdxCamera(&form);
    second->Position()->SetPoint({4, -5, 3});
    second->SetTarget(cube);
    root->AddObject(second);
    scene->SetCamera(second);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(canvas->Camera(), second);
    EXPECT_EQ(canvas->Buffer()[120 * 320 + 160] >> 24, 0xFFu);
    scene->SetCamera(nullptr);
    EXPECT_EQ(canvas->Camera(), nullptr);
    rtl::Application->ProcessMessages();
    EXPECT_EQ(canvas->Buffer()[120 * 320 + 160] >> 24, 0u);
  }
  rtl::Application->ProcessMessages();
  SceneLibraryShutdown();
  dxDirectXShutdown();
}

}  // namespace scene_control_gl_test
