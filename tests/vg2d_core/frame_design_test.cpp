// A frame being designed borrows nothing from the scene it names: it shows a preview of that
// scene's root, laid out to the frame's size, in the window that holds it: on SDL's dummy
// display (the composed frame), and on a real screen under Xvfb (read back with xwd). Both
// are left as pictures in the test output.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/loop/Application.h"
#include "ScreenWait.h"
#include "Screenshot.h"
#include "platform/win/Display.h"
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
  // The designed frame over a scene whose root holds a red strip on the left and a blue
  // ellipse over the rest, shown in a 240 x 140 form at (10, 20).
  TvxFrame* ShowDesignedFrame() {
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
    return frame;
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
  TvxFrame* frame = ShowDesignedFrame();
  SavePicture("design_frame.png");
  auto* shown = static_cast<TvxScene*>(frame->SceneObject());
  TvxVisualObject* root = shown->GetRoot()->Visual();

  EXPECT_NE(root, nullptr);  // still the scene's own
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

TEST(FrameDesignScreen, ARealWindowShowsTheDesignedFramesPreview) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("FrameDesignScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

class FrameDesignScreenChild : public FrameDesign {};

TEST_F(FrameDesignScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ShowDesignedFrame();
  ASSERT_EQ(win::VideoDriver(), "x11");
  // No window manager: the client area lies at the form's position.
  const std::string shot = "/tmp/gascal-frame-" + std::to_string(getpid()) + ".xwd";
  vgtest::Screenshot s;
  auto at = [&](int X, int Y) { return s.At(10 + X, 20 + Y); };
  auto matches = [&] {
    return vgtest::ReadXwd(shot, s) && s.width >= 250 && s.height >= 160 && vgtest::Near(at(62, 32), Red) &&
           vgtest::Near(at(140, 70), Blue) && vgtest::Near(at(102, 32), White) && vgtest::Near(at(20, 20), White);
  };
  // The X server shows the window in its own time: look again until it does (bounded).
  const bool ok = vgtest::ScreenComesToShow(shot, matches);
  std::remove(shot.c_str());
  ASSERT_TRUE(ok) << "screen " << s.width << " x " << s.height;
  EXPECT_TRUE(vgtest::Near(at(98, 108), Red));
  EXPECT_TRUE(vgtest::Near(at(178, 70), Blue));
  EXPECT_TRUE(vgtest::Near(at(182, 70), White));
  TvxBitmap picture(240, 140);  // the window as the screen shows it
  for (int y = 0; y < 140; ++y)
    for (int x = 0; x < 240; ++x) picture.Bits()[y * 240 + x] = at(x, y) | 0xFF000000u;
  picture.SaveToFile(testout::Path("design_frame_screen.png"));
  host.reset();
  source.reset();
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
}

}  // namespace

}  // namespace frame_design_test
