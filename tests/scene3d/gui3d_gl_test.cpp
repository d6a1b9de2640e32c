// The canvas layer, the 3D text box and the GUI image drawn by the canvas on the OpenGL
// device, checked on the pixels of off-screen frames. With GASCAL_FRAME_DIR set, each frame
// is also written there as a PNG to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "SceneFakes.h"
#include "platform/gfx3d/GlDevice.h"
#include "scene3d/CanvasLayers.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/FilterGdiPlus.h"
#include "scene3d/GuiControls.h"
#include "scene3d/Light.h"
#include "scene3d/Shapes.h"
#include "scene3d/TextBox3D.h"
#include "vg2d/core/Library.h"

namespace gui3d_gl_test {

using namespace dx;

namespace {

constexpr std::uint32_t Black = 0xFF000000u, Blue = 0xFF0000FFu, Red = 0xFFFF0000u, Green = 0xFF00FF00u;

// Looks from (X, 0, Distance) along -Z with Y up.
class TFront final : public IdxCamera {
public:
  TFront(float X, float Distance) {
    m_ = IdentityMatrix;
    const float rows[4][3] = {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {X, 0, Distance}};
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 3; ++k) m_.M[r][k] = rows[r][k];
  }
  TdxMatrix CameraAbsoluteMatrix() const override { return m_; }
  bool CameraTarget(TdxVector&) const override { return false; }

private:
  TdxMatrix m_;
};

class Gui3dGl : public ::testing::Test {
protected:
  void SetUp() override {
    std::string why;
    if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
    dxDirectXStartup(gfx3d::OpenGlDirect3D());
    vg::LibraryStartup();
    dxRandSeed(3);
  }
  void TearDown() override {
    host_.reset();
    canvas_.reset();
    frame_.reset();
    vg::LibraryShutdown();
    dxDirectXShutdown();
  }
  void Frame(int W, int H) {
    w_ = W;
    h_ = H;
    frame_ = std::make_unique<TdxBitmap>(W, H);
    canvas_ = std::make_unique<TdxDirectXCanvas>(*frame_);
    ASSERT_TRUE(canvas_->HasDevice());
    host_ = std::make_unique<dxtest::FakeScene>();
    host_->canvas = canvas_.get();
    host_->clientWidth = W;
    host_->clientHeight = H;
    root_ = new TdxVisualObject(nullptr);
    host_->AddObject(root_);
  }
  template <class T>
  T* Add() {
    auto* o = new T(nullptr);
    root_->AddObject(o);
    return o;
  }
  // One frame as the scene draws it, cleared to Background, seen from (EyeX, 0, 12).
  void Draw(std::uint32_t Background, const std::string& Name, float EyeX = 0) {
    const TFront view(EyeX, 12);
    TdxCanvas& c = *canvas_;
    c.ResetState();
    c.SetLighting(true);
    c.SetAmbientColor(0xFF202020);
    c.SetCamera(const_cast<TFront*>(&view));
    c.SetMatrix(root_->GetAbsoluteMatrix());
    root_->ApplyLights();
    ASSERT_TRUE(c.BeginScene());
    for (TdxRenderState s : {rsGouraudShading, rsCameraSpace, rsDepthWriteOn, rsLightingOn, rsTextureLinear, rsCullCCW})
      c.SetRenderState(s);
    c.Clear(Background);
    c.SetMatrix(root_->GetAbsoluteMatrix());
    root_->BeforePaint();
    root_->Render();
    root_->Paint();
    c.EndScene();
    if (const char* dir = std::getenv("GASCAL_FRAME_DIR")) {
      EXPECT_TRUE(TdxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", *frame_, ""));
    }
  }
  std::uint32_t At(int X, int Y) const { return frame_->Bits()[Y * w_ + X]; }
  static int R(std::uint32_t C) { return static_cast<int>((C >> 16) & 0xFF); }
  static int G(std::uint32_t C) { return static_cast<int>((C >> 8) & 0xFF); }
  static int B(std::uint32_t C) { return static_cast<int>(C & 0xFF); }
  // Fills a bitmap: Corner at (0, 0), Rest elsewhere, the right half RightHalf when not 0.
  static void Paint(TdxBitmap* Bm, int W, int H, std::uint32_t Corner, std::uint32_t Rest,
                    std::uint32_t RightHalf = 0) {
    Bm->SetSize(W, H);
    std::uint32_t* bits = nullptr;
    ASSERT_TRUE(Bm->Map(bits, true));
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) bits[y * W + x] = RightHalf && x >= W / 2 ? RightHalf : Rest;
    bits[0] = Corner;
    Bm->Unmap();
  }

  int w_ = 0, h_ = 0;
  std::unique_ptr<TdxBitmap> frame_;
  std::unique_ptr<TdxDirectXCanvas> canvas_;
  std::unique_ptr<dxtest::FakeScene> host_;
  TdxVisualObject* root_ = nullptr;
};

}  // namespace

TEST_F(Gui3dGl, ACanvasLayerOverABlueSceneIsRedButForItsTwoClearTopAndBottomRows) {
  Frame(256, 256);
  auto* layer = Add<TdxGUICanvasLayer>();
  layer->Position()->SetPoint({128, 128, 0});
  layer->OnLayerPaint = [](rtl::TObject*, win::TCanvas* C, const win::TRect& R, bool& Update) {
    C->Brush().Color = win::clRed;
    C->FillRect(R);
    // What a handler draws shows as it is: a white frame and a line of text.
    C->Brush().Style = win::bsClear;
    C->Pen().Color = win::clWhite;
    C->Rectangle(40, 90, 216, 130);
    C->Font().Color = win::clWhite;
    C->Font().SetSize(12);
    C->TextOut(50, 100, u"Lambda 1.00");
    Update = true;
  };
  Draw(Blue, "canvas_layer");
  EXPECT_EQ(At(40, 110), 0xFFFFFFFFu) << "the frame";
  EXPECT_EQ(At(215, 110), 0xFFFFFFFFu);
  for (int x : {0, 17, 128, 255}) {
    EXPECT_EQ(At(x, 0), Blue) << x;
    EXPECT_EQ(At(x, 1), Blue) << x;
    EXPECT_EQ(At(x, 2), Red) << x;
    EXPECT_EQ(At(x, 128), Red) << x;
    EXPECT_EQ(At(x, 253), Red) << x;
    EXPECT_EQ(At(x, 254), Blue) << x;
    EXPECT_EQ(At(x, 255), Blue) << x;
  }
}

TEST_F(Gui3dGl, AFocusedEmptyBoxShowsTheCaretAtItsLeftOverThePlate) {
  Frame(320, 240);
  auto* light = Add<TdxLight>();
  light->RotateAngle()->SetX(90);
  auto* box = Add<TdxTextBox3D>();
  host_->SetFocused(box);
  // Straight in front of the box's left edge: about 24 pixels a unit, the plate's left edge
  // at x 158, its top and bottom at 96 and 144; the caret 0.12 wide and 1.2 high from the edge.
  Draw(Black, "text_box_caret", -4.9f);
  const std::uint32_t caret = At(159, 120), plate = At(180, 120), above = At(159, 103);
  EXPECT_GT(B(caret), R(caret) + 40) << std::hex << caret;
  EXPECT_GT(B(caret), B(plate) + 20) << std::hex << caret << " " << plate;
  EXPECT_EQ(above, plate) << "above the caret the plate";
  EXPECT_EQ(R(plate), B(plate)) << "a grey plate";
  EXPECT_EQ(R(plate), G(plate));
  EXPECT_GT(R(plate), 0x10);
  EXPECT_EQ(At(180, 90), Black) << "outside the plate";
  EXPECT_EQ(At(150, 120), Black);
  EXPECT_EQ(At(166, 120), plate) << "the caret is a thin bar";
}

TEST_F(Gui3dGl, APasswordShowsOneSquareACharacterOnTheMiddleLine) {
  Frame(320, 240);
  auto* light = Add<TdxLight>();
  light->RotateAngle()->SetX(90);
  auto* box = Add<TdxTextBox3D>();
  box->SetPassword(true);
  box->SetText(u"abc");
  // In front of the squares, so that their sides hardly show.
  const float a = box->TextWidth(u"a");
  Draw(Black, "text_box_password", -5 + 1.5f * a);
  const std::uint32_t plate = At(300, 100);
  // The runs of pixels other than the plate along the middle row, and the rows a square spans.
  int left = 0;
  while (left < 320 && At(left, 100) == Black) ++left;
  int runs = 0, width = 0;
  bool in = false;
  for (int x = left; x < 320; ++x) {
    const bool other = At(x, 120) != plate;
    if (other && !in) ++runs;
    if (other) ++width;
    in = other;
  }
  EXPECT_EQ(runs, 3);
  EXPECT_NEAR(width, 3 * 11.5, 6) << "squares 0.48 units wide";
  int top = 120, bottom = 120;
  const int x0 = 160;
  while (top > 0 && At(x0, top - 1) != plate) --top;
  while (bottom < 239 && At(x0, bottom + 1) != plate) ++bottom;
  EXPECT_NEAR((top + bottom) / 2.0, 120, 1.5) << "centred on the middle line";
  EXPECT_NEAR(bottom - top + 1, 11.5, 2);
}

TEST_F(Gui3dGl, ASelectionShowsItsBandOverTheSelectedCharacters) {
  Frame(320, 240);
  auto* light = Add<TdxLight>();
  light->RotateAngle()->SetX(90);
  auto* box = Add<TdxTextBox3D>();
  box->SetText(u"abc def");
  host_->SetFocused(box);
  box->SetCaretPosition(0);
  Draw(Black, "text_box_unselected");
  const int endX = 40 + static_cast<int>(box->CharX(3) * 24.1f);
  const std::uint32_t inside = At(44, 132), beyond = At(endX + 30, 132);
  for (std::uint16_t key : {36, 39, 39, 39}) {
    char16_t c = 0;
    box->KeyDown(key, c, key == 36 ? rtl::TShiftState{} : rtl::TShiftState{rtl::ssShift});
  }
  ASSERT_EQ(box->SelText(), u"abc");
  Draw(Black, "text_box_selected");
  EXPECT_GT(B(At(44, 132)), B(inside) + 20) << "the band over the first character";
  EXPECT_EQ(At(endX + 30, 132), beyond) << "no band beyond the selection";
  EXPECT_EQ(At(44, 160), Black) << "the band stays in the box";
}

TEST_F(Gui3dGl, AnImageIsPlacedUnscaledFittedStretchedOrTiled) {
  Frame(160, 160);
  auto* img = Add<TdxGUIImage>();
  img->SetWidth(100);
  img->SetHeight(100);
  img->Position()->SetPoint({80, 80, 0});
  // The layer covers 30 .. 130 each way.
  img->SetWrapMode(vg::vgImageOriginal);
  Paint(img->Bitmap(), 30, 20, Red, Green);
  Draw(Black, "image_original");
  EXPECT_EQ(At(30, 30), Red);
  EXPECT_EQ(At(59, 49), Green);
  EXPECT_EQ(At(60, 40), Black);
  EXPECT_EQ(At(40, 50), Black);

  img->SetWrapMode(vg::vgImageFit);
  Paint(img->Bitmap(), 200, 100, Red, Red, Green);
  Draw(Black, "image_fit");
  EXPECT_EQ(At(31, 80), Red);
  EXPECT_EQ(At(128, 80), Green);
  EXPECT_EQ(At(60, 56), Red) << "100 x 50 from row 55";
  EXPECT_EQ(At(80, 53), Black);
  EXPECT_EQ(At(80, 106), Black);
  Paint(img->Bitmap(), 50, 20, Green, Green);
  Draw(Black, "image_fit_small");
  EXPECT_EQ(At(80, 80), Green);
  EXPECT_EQ(At(56, 80), Green);
  EXPECT_EQ(At(53, 80), Black) << "a small bitmap stays 50 x 20";
  EXPECT_EQ(At(80, 68), Black);

  img->SetWrapMode(vg::vgImageStretch);
  Paint(img->Bitmap(), 4, 4, Green, Green);
  Draw(Black, "image_stretch");
  EXPECT_EQ(At(31, 31), Green);
  EXPECT_EQ(At(128, 128), Green);
  EXPECT_EQ(At(28, 80), Black);

  img->SetWrapMode(vg::vgImageTile);
  Paint(img->Bitmap(), 30, 30, Red, Green);
  Draw(Black, "image_tile");
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(At(30 + 30 * i, 30 + 30 * j), Red) << i << " " << j;
  EXPECT_EQ(At(31, 31), Green);
  EXPECT_EQ(At(149, 31), Green) << "the last tiles are not cut";
  EXPECT_EQ(At(150, 31), Black);
  img->SetWidth(90);
  img->Position()->SetX(75);
  Draw(Black, "image_tile_exact");
  EXPECT_EQ(At(90, 31), Green);
  EXPECT_EQ(At(119, 31), Green);
  EXPECT_EQ(At(120, 30), Black) << "no tile wholly past the far edge";
  Paint(img->Bitmap(), 1, 30, Red, Red);
  Draw(Black, "image_tile_thin");
  EXPECT_EQ(At(31, 31), Black);
}

}  // namespace gui3d_gl_test
