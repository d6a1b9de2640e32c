// A frame being designed borrows nothing from the scene it names: it shows a preview of that
// scene's root, laid out to the frame's size, in the window that holds it (SDL's dummy
// display; the composed frame is left as a picture in the test output).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Forms.h"
#include "tests/TestOutput.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Frame.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace frame_design_test {

using namespace vg;

namespace {

// A frame as a designed form holds it (design state comes with the form).
class DesignedFrame : public TvxFrame {
public:
  explicit DesignedFrame(rtl::TComponent* AOwner) : TvxFrame(AOwner) { SetDesigning(true); }
};

constexpr std::uint32_t White = 0xFFFFFFFFu, Red = 0xFFE00000u, Blue = 0xFF0000E0u;

struct FrameDesign : ::testing::Test {
  void SetUp() override {
    LibraryStartup();
    rtl::Application->Reset();
  }
  void TearDown() override {
    host.reset();
    source.reset();
    rtl::Application->ProcessMessages();
    FreeAniThread();
    LibraryShutdown();
  }
  // A form with a white client-aligned scene.
  static TvxScene* MakeScene(std::unique_ptr<win::TForm>& Form, int W, int H) {
    Form = std::make_unique<win::TForm>(nullptr);
    Form->SetBorderStyle(win::bsNone);
    Form->SetBounds(10, 20, W, H);
    auto* scene = new TvxScene(Form.get());
    scene->SetParent(Form.get());
    scene->SetAlign(win::alClient);
    TvxBrush white(vgBrushSolid, White);
    scene->SetFill(&white);
    return scene;
  }
  template <class T> static T* Shape(TvxObject* Parent, std::uint32_t Color, TvxAlign Align, float W) {
    auto* s = new T(nullptr);
    s->Fill()->SetSolidColor(Color);
    s->Stroke()->SetStyle(vgBrushNone);
    s->SetBounds(0, 0, W, 10);
    Parent->AddObject(s);
    s->SetAlign(Align);
    return s;
  }
  void SavePicture(const char* Name) {
    const std::vector<std::uint32_t> pixels = host->PresentedFrame();
    TvxBitmap picture(host->Width(), host->Height());
    std::copy(pixels.begin(), pixels.end(), picture.Bits());
    picture.SaveToFile(testout::Path(Name));
  }

  std::unique_ptr<win::TForm> source, host;
};

TEST_F(FrameDesign, ADesignedFrameShowsThePreviewOfTheScenesRootAndBorrowsNothing) {
  TvxScene* shown = MakeScene(source, 100, 100);
  auto* root = new TvxVisualObject(nullptr);
  shown->AddObject(root);
  Shape<TvxRectangle>(root, Red, vaLeft, 40);
  Shape<TvxEllipse>(root, Blue, vaClient, 10);

  TvxScene* scene = MakeScene(host, 240, 140);
  auto* hostRoot = new TvxVisualObject(nullptr);
  scene->AddObject(hostRoot);
  auto* frame = new DesignedFrame(nullptr);
  frame->SetBounds(60, 30, 120, 80);
  hostRoot->AddObject(frame);
  frame->SetSceneObject(shown);
  host->Show();
  rtl::Application->ProcessMessages();
  SavePicture("design_frame.png");

  EXPECT_EQ(shown->GetRoot(), root);  // still the scene's own
  EXPECT_EQ(root->Parent(), nullptr);
  EXPECT_EQ(frame->GetChildrenCount(), 0);
  EXPECT_EQ(root->Width(), 120);  // laid out to the frame
  EXPECT_EQ(host->PresentedPixel(60 + 2, 30 + 2), Red);
  EXPECT_EQ(host->PresentedPixel(60 + 38, 30 + 78), Red);
  EXPECT_EQ(host->PresentedPixel(60 + 42, 30 + 2), White);  // the ellipse's corner: the scene shows
  EXPECT_EQ(host->PresentedPixel(60 + 80, 30 + 40), Blue);
  EXPECT_EQ(host->PresentedPixel(60 + 118, 30 + 40), Blue);
  EXPECT_EQ(host->PresentedPixel(60 + 122, 30 + 40), White);  // nothing past the frame
  EXPECT_EQ(host->PresentedPixel(58, 60), White);

  // Hidden, the root shows nothing; a frame of another size lays it out anew.
  root->SetVisible(false);
  frame->Repaint();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(host->PresentedPixel(60 + 2, 30 + 2), White);
  root->SetVisible(true);
  frame->SetWidth(60);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(root->Width(), 60);
  EXPECT_EQ(host->PresentedPixel(60 + 2, 30 + 2), Red);
  EXPECT_EQ(host->PresentedPixel(60 + 50, 30 + 40), Blue);
  EXPECT_EQ(host->PresentedPixel(60 + 80, 30 + 40), White);
}

}  // namespace

}  // namespace frame_design_test
