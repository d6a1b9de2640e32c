// A designed scene drawn by the canvas on the OpenGL device: a selected cube shows its frame
// and handles in their colours, and the handle being dragged turns orange-red. With
// GASCAL_FRAME_DIR set the frames are written there as PNGs to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "ViewAim.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/FilterGdiPlus.h"
#include "scene3d/Library.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "vg2d/core/Library.h"

namespace scene_design_gl_test {

using namespace dx;

namespace {

class OpenScene : public TdxScene {
public:
  using TdxScene::TdxScene;
  using TdxScene::MouseDown;
  using TdxScene::MouseUp;
};

void Save(TdxCanvas& C, const std::string& Name) {
  const char* dir = std::getenv("GASCAL_FRAME_DIR");
  if (!dir) return;
  TdxBitmap b(C.Width(), C.Height());
  std::uint32_t* out = nullptr;
  ASSERT_TRUE(b.Map(out, true));
  std::copy(C.Buffer(), C.Buffer() + static_cast<size_t>(C.Width()) * static_cast<size_t>(C.Height()), out);
  b.Unmap();
  EXPECT_TRUE(TdxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", b, ""));
}

bool Near(std::uint32_t A, std::uint32_t B, int Tolerance) {
  for (int shift = 0; shift < 32; shift += 8)
    if (std::abs(static_cast<int>((A >> shift) & 0xFF) - static_cast<int>((B >> shift) & 0xFF)) > Tolerance)
      return false;
  return true;
}

// How many pixels of the 5 x 5 square around P have the colour.
int Around(TdxCanvas& C, win::TPoint P, std::uint32_t Colour) {
  int n = 0;
  for (int y = P.Y - 2; y <= P.Y + 2; ++y)
    for (int x = P.X - 2; x <= P.X + 2; ++x)
      if (x >= 0 && y >= 0 && x < C.Width() && y < C.Height() &&
          Near(C.Buffer()[static_cast<size_t>(y) * static_cast<size_t>(C.Width()) + static_cast<size_t>(x)], Colour, 3))
        ++n;
  return n;
}

}  // namespace

TEST(SceneDesignGl, ASelectedCubeShowsItsBlueFrameAndGreenTurnHandlesAndTheDraggedOneIsOrangeRed) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  rtl::Application->Reset();
  dxDirectXStartup(gfx3d::OpenGlDirect3D());
  vg::LibraryStartup();
  SceneLibraryStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(0, 0, 400, 300);
    auto* scene = new OpenScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    scene->SetDesignTime(true);
    auto* root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    root->AddObject(new TdxLight(form.get()));
    auto* cube = new TdxCube(form.get());
    root->AddObject(cube);
    cube->SetWidth(6);
    cube->SetHeight(4);
    cube->SetDepth(4);
    cube->Material()->SetDiffuseColor(0xFF808080u);
    form->Show();
    rtl::Application->ProcessMessages();
    TdxCanvas& c = *scene->GetCanvas();
    ASSERT_TRUE(dynamic_cast<TdxDirectXCanvas*>(&c) && dynamic_cast<TdxDirectXCanvas*>(&c)->HasDevice());
    Save(c, "design_unselected");
    auto at = [&](const TdxVector& Local) { return dxtest::ProjectToClient(c, cube->LocalToAbsolute(Local)); };
    const TdxVector resize1{3, -2, 2, 1}, rotateZ{0, -2 - 1.8f, 0, 1}, rotateY{3 + 1.8f, 0, 0, 1};
    // Nothing of the selection's colours before there is one.
    EXPECT_EQ(Around(c, at(rotateZ), DesignRotateColor), 0);
    EXPECT_EQ(Around(c, at(resize1), DesignFrameColor), 0);

    scene->DesignSelect(cube);
    scene->RenderScene();
    Save(c, "design_selected");
    EXPECT_GE(Around(c, at(resize1), DesignFrameColor), 4);
    EXPECT_GE(Around(c, at(rotateZ), DesignRotateColor), 4);
    EXPECT_GE(Around(c, at(rotateY), DesignRotateColor), 4);
    // The designed frame reaches the window: the form shows the handles as drawn.
    for (const TdxVector& h : {resize1, rotateZ, rotateY}) {
      const win::TPoint q = at(h);
      EXPECT_TRUE(Near(form->PresentedPixel(q.X, q.Y),
                       c.Buffer()[static_cast<size_t>(q.Y) * static_cast<size_t>(c.Width()) + static_cast<size_t>(q.X)],
                       1))
          << q.X << "," << q.Y;
    }
    EXPECT_TRUE(Near(form->PresentedPixel(at(rotateZ).X, at(rotateZ).Y), DesignRotateColor, 3));
    // The frame runs along the cube's edges: the middles of the front top and the front right
    // edge.
    EXPECT_GE(Around(c, at({0, -2, 2, 1}), DesignFrameColor), 1);
    EXPECT_GE(Around(c, at({3, -2, 0, 1}), DesignFrameColor), 1);

    // Pressing the turn handle drags it: it is drawn orange-red, the others as they were.
    const win::TPoint p = at(rotateZ);
    scene->MouseDown(rtl::mbLeft, {}, p.X, p.Y);
    ASSERT_EQ(scene->DesignDrag(), TdxDesignDrag::RotateZ);
    scene->RenderScene();
    Save(c, "design_dragged");
    EXPECT_GE(Around(c, at(rotateZ), DesignDraggedColor), 4);
    EXPECT_EQ(Around(c, at(rotateZ), DesignRotateColor), 0);
    EXPECT_GE(Around(c, at(rotateY), DesignRotateColor), 4);
    scene->MouseUp(rtl::mbLeft, {}, p.X, p.Y);
  }
  rtl::Application->ProcessMessages();
  SceneLibraryShutdown();
  vg::LibraryShutdown();
  dxDirectXShutdown();
}

}  // namespace scene_design_gl_test
