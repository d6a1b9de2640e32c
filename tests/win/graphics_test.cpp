// The class library's bitmap and canvas: sizes and what a resize keeps, whole-pixel shapes
// and lines with the end point left out, text in its cell, single pixels, and direct row
// access that sees all drawing done before it; graphics stretched onto a canvas, and the
// picture that holds a copy of a graphic of any kind.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Graphics.h"

namespace graphics_test {

using namespace win;

namespace {

constexpr std::uint32_t Red = 0xFFFF0000u, Blue = 0xFF0000FFu, Lime = 0xFF00FF00u, White = 0xFFFFFFFFu;

std::uint32_t At(TBitmap& B, int X, int Y) { return B.Bits()[Y * B.Width() + X]; }

int CountOf(TBitmap& B, std::uint32_t Colour) {
  int n = 0;
  for (int i = 0; i < B.Width() * B.Height(); ++i) n += B.Bits()[i] == Colour;
  return n;
}

// The drawing back end is up for the whole run (BackendEnvironment.cpp).
struct GraphicsTest : ::testing::Test {};

// A graphic of another kind than the bitmap: it fills the left half of where it is drawn.
class HalfGraphic : public TGraphic {
  RTL_CLASS(HalfGraphic, TGraphic)
public:
  HalfGraphic(int W, int H) : w_(W), h_(H) {}
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<HalfGraphic>(w_, h_); }

protected:
  void Draw(TCanvas& C, const TRect& R) const override {
    C.Brush().Color = clLime;
    C.FillRect({R.Left, R.Top, R.Left + R.Width() / 2, R.Bottom});
  }

private:
  int w_, h_;
};

}  // namespace

rtl::TClass HalfGraphic::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<HalfGraphic>().Build();
  return &info;
}

TEST_F(GraphicsTest, SizesAreNeverNegativeOrHugeAndAResizeKeepsWhatOverlaps) {
  TBitmap b;
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Bits(), nullptr);
  b.SetSize(-3, 5);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(b.Bits(), nullptr) << "no pixels without width";

  b.SetSize(4, 3);
  EXPECT_EQ(CountOf(b, 0), 12) << "new pixels are zero";
  b.Canvas()->Brush().Color = clRed;
  b.Canvas()->FillRect({0, 0, 4, 3});
  b.SetWidth(6);
  EXPECT_EQ(At(b, 3, 2), Red);
  EXPECT_EQ(At(b, 4, 0), 0u);
  b.SetHeight(2);
  EXPECT_EQ(CountOf(b, Red), 8);
  EXPECT_THROW(b.SetSize(1 << 15, 1 << 15), rtl::EInvalidArgument);
  EXPECT_EQ(b.Width(), 6) << "a refused size changes nothing";
  EXPECT_EQ(CountOf(b, Red), 8);

  // The canvas draws on after the pixels moved.
  b.Canvas()->Brush().Color = clBlue;
  b.Canvas()->FillRect({5, 1, 6, 2});
  EXPECT_EQ(At(b, 5, 1), Blue);
}

TEST_F(GraphicsTest, ShapesFallOnWholePixelsWithTheOutlineInside) {
  TBitmap b;
  b.SetSize(20, 20);
  TCanvas& c = *b.Canvas();
  c.Brush().Color = clWhite;
  c.FillRect({0, 0, 20, 20});
  c.Brush().Color = clLime;
  c.Pen().Color = clRed;
  c.Rectangle(12, 10, 2, 4);  // corners in any order
  EXPECT_EQ(At(b, 2, 4), Red);
  EXPECT_EQ(At(b, 11, 9), Red);
  EXPECT_EQ(At(b, 6, 4), Red);
  EXPECT_EQ(At(b, 3, 5), Lime);
  EXPECT_EQ(At(b, 10, 8), Lime);
  EXPECT_EQ(At(b, 12, 6), White) << "the right edge lies outside";
  EXPECT_EQ(At(b, 6, 10), White) << "the bottom edge lies outside";
  EXPECT_EQ(CountOf(b, Red), 2 * 10 + 2 * 4);
  EXPECT_EQ(CountOf(b, Lime), 8 * 4);

  c.Brush().Style = bsClear;
  c.Pen().Style = psClear;
  c.Rectangle(0, 0, 20, 20);
  c.FillRect({0, 0, 20, 20});
  EXPECT_EQ(CountOf(b, White), 400 - 60) << "clear pen and brush draw nothing";

  c.Brush().Style = bsSolid;
  c.Brush().Color = clBlue;
  c.Ellipse(0, 12, 8, 20);
  EXPECT_EQ(At(b, 4, 16), Blue);
  EXPECT_EQ(At(b, 0, 12), White) << "the corner lies outside the ellipse";
}

TEST_F(GraphicsTest, LinesLeaveOutTheirEndPointAndMoveThePen) {
  TBitmap b;
  b.SetSize(12, 12);
  TCanvas& c = *b.Canvas();
  c.Pen().Color = clRed;
  c.MoveTo(2, 3);
  c.LineTo(9, 3);
  EXPECT_EQ(c.PenPos(), (TPoint{9, 3}));
  for (int x = 2; x < 9; ++x) EXPECT_EQ(At(b, x, 3), Red) << x;
  EXPECT_EQ(At(b, 9, 3), 0u);
  EXPECT_EQ(At(b, 1, 3), 0u);
  EXPECT_EQ(CountOf(b, Red), 7);
  c.LineTo(9, 8);
  for (int y = 3; y < 8; ++y) EXPECT_EQ(At(b, 9, y), Red) << y;
  EXPECT_EQ(At(b, 9, 8), 0u);
  c.MoveTo(0, 0);
  c.LineTo(0, 0);
  EXPECT_EQ(At(b, 0, 0), 0u) << "a line to its own start draws nothing";
}

TEST_F(GraphicsTest, TextIsDrawnInItsCellOnTheBrushAndMovesThePen) {
  TBitmap b;
  b.SetSize(120, 40);
  TCanvas& c = *b.Canvas();
  EXPECT_EQ(c.TextWidth(u""), 0);
  const int one = c.TextWidth(u"W"), two = c.TextWidth(u"WW");
  EXPECT_GT(one, 0);
  EXPECT_GT(two, one);
  EXPECT_GE(c.TextWidth(u"W "), one) << "trailing blanks count";
  const int h = c.TextHeight(u"W");
  EXPECT_GT(h, 8);
  EXPECT_LT(h, 20) << "8 points at 96 pixels an inch";

  c.Brush().Color = clLime;
  c.Font().Color = clBlue;
  c.TextOut(10, 5, u"WW");
  EXPECT_EQ(c.PenPos(), (TPoint{10 + two, 5}));
  int ink = 0, background = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const std::uint32_t p = At(b, x, y);
      const bool inCell = x >= 10 && x < 10 + two && y >= 5 && y < 5 + h;
      if (!inCell) {
        outside += p != 0;
      } else if (p == Lime) {
        ++background;
      } else if ((p & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x80) {
        ++ink;
      }
    }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(ink, 10) << "blue glyph pixels";
  EXPECT_GT(background, ink);

  c.Brush().Style = bsClear;
  c.TextOut(10, 25, u"W");
  EXPECT_EQ(At(b, 10, 25), 0u) << "no background with a clear brush";
}

TEST_F(GraphicsTest, AFontKeepsItsHeightInPixelsAndDrawsAtIt) {
  TFont f;
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  f.SetHeight(-14);
  EXPECT_EQ(f.Size(), 11);
  EXPECT_EQ(f.Height(), -14) << "a height that no whole size gives stays";
  // A font of twice the height draws text about twice as high.
  TBitmap b;
  b.SetSize(200, 80);
  TCanvas& c = *b.Canvas();
  c.Font().SetHeight(-12);
  const int small = c.TextHeight(u"W");
  c.Font().Assign(&f);
  c.Font().SetHeight(24);
  EXPECT_EQ(c.Font().Name, "Tahoma");
  EXPECT_NEAR(c.TextHeight(u"W"), 2 * small, 2);
}

TEST_F(GraphicsTest, PixelsAndRowsSeeEverythingDrawnBefore) {
  TBitmap b;
  b.SetSize(5, 4);
  TCanvas& c = *b.Canvas();
  c.Brush().Color = RGB(0x12, 0x34, 0x56);
  c.FillRect({0, 0, 5, 4});
  EXPECT_EQ(c.Pixel(4, 3), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(c.Pixel(5, 0), -1);
  EXPECT_EQ(c.Pixel(0, -1), -1);
  c.SetPixel(1, 2, clRed);
  c.SetPixel(9, 9, clRed);  // outside: nothing
  EXPECT_EQ(b.ScanLine(2)[1], Red);
  EXPECT_EQ(b.ScanLine(2)[0], 0xFF123456u);
  b.ScanLine(1)[3] = Blue;
  EXPECT_EQ(c.Pixel(3, 1), clBlue);
  // Drawing after a direct write keeps that write.
  c.Brush().Color = clLime;
  c.FillRect({0, 0, 1, 1});
  EXPECT_EQ(At(b, 3, 1), Blue);
  EXPECT_EQ(At(b, 0, 0), Lime);
  EXPECT_THROW(b.ScanLine(4), rtl::ERangeError);
  EXPECT_THROW(b.ScanLine(-1), rtl::ERangeError);
}

// A bitmap stretched onto a canvas keeps hard pixel edges, blends what is translucent over
// what lies there, and reads itself whole when drawn onto its own canvas; other graphics draw
// themselves; nothing or an empty one draws nothing.
TEST_F(GraphicsTest, GraphicsStretchOntoACanvas) {
  TBitmap src;
  src.SetSize(2, 1);
  src.ScanLine(0)[0] = Red;
  src.ScanLine(0)[1] = 0x80000080u;  // half-transparent blue, premultiplied
  TBitmap b;
  b.SetSize(6, 3);
  b.Canvas()->Brush().Color = clWhite;
  b.Canvas()->FillRect({0, 0, 6, 3});
  b.Canvas()->StretchDraw({1, 1, 5, 3}, &src);
  EXPECT_EQ(At(b, 0, 1), White);
  EXPECT_EQ(At(b, 1, 1), Red);
  EXPECT_EQ(At(b, 2, 2), Red) << "no smoothing between the pixels";
  EXPECT_EQ(At(b, 3, 1), 0xFF7F7FFFu) << "half blue over white";
  EXPECT_EQ(At(b, 4, 2), 0xFF7F7FFFu);
  EXPECT_EQ(At(b, 5, 1), White);
  EXPECT_EQ(At(b, 1, 0), White);
  b.Canvas()->Draw(0, 0, &src);
  EXPECT_EQ(At(b, 0, 0), Red);
  EXPECT_EQ(At(b, 2, 0), White) << "at its own size";
  // Onto itself: twice as wide (the part beyond it cut off), from the pixels it had.
  TBitmap self;
  self.SetSize(4, 1);
  self.ScanLine(0)[0] = Red;
  self.ScanLine(0)[1] = Blue;
  self.Canvas()->StretchDraw({0, 0, 8, 1}, &self);
  EXPECT_EQ(std::vector<std::uint32_t>(self.Bits(), self.Bits() + 4),
            (std::vector<std::uint32_t>{Red, Red, Blue, Blue}));
  const HalfGraphic half(8, 8);
  b.Canvas()->StretchDraw({0, 0, 6, 3}, &half);
  EXPECT_EQ(CountOf(b, Lime), 9);
  const HalfGraphic none(0, 5);
  TBitmap empty;
  b.Canvas()->StretchDraw({0, 0, 6, 3}, &none);
  b.Canvas()->StretchDraw({0, 0, 6, 3}, &empty);
  b.Canvas()->StretchDraw({0, 0, 6, 3}, nullptr);
  EXPECT_EQ(CountOf(b, Lime), 9);
}

// A picture holds its own copy of whatever graphic it is given, of the graphic's class; asked
// for its bitmap it gives up another kind for a new, empty bitmap.
TEST_F(GraphicsTest, APictureHoldsACopyOfAGraphicOfAnyKind) {
  TPicture p;
  EXPECT_EQ(p.Graphic(), nullptr);
  EXPECT_EQ(p.Width(), 0);
  TBitmap b;
  b.SetSize(3, 2);
  b.ScanLine(1)[2] = Blue;
  p.Assign(&b);
  auto* held = dynamic_cast<TBitmap*>(p.Graphic());
  ASSERT_NE(held, nullptr);
  EXPECT_NE(held, &b);
  b.ScanLine(1)[2] = Red;
  EXPECT_EQ(held->ScanLine(1)[2], Blue) << "a copy";
  EXPECT_EQ(p.Bitmap(), held);
  EXPECT_EQ(p.Height(), 2);

  const HalfGraphic half(5, 4);
  TPicture q;
  q.Assign(&half);
  ASSERT_NE(dynamic_cast<HalfGraphic*>(q.Graphic()), nullptr);
  EXPECT_NE(q.Graphic(), &half);
  EXPECT_EQ(q.Width(), 5);
  p.Assign(&q);
  ASSERT_NE(dynamic_cast<HalfGraphic*>(p.Graphic()), nullptr) << "a picture copies the other's graphic";
  EXPECT_NE(p.Graphic(), q.Graphic());
  TBitmap* fresh = q.Bitmap();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(q.Graphic(), fresh);
  EXPECT_EQ(q.Width(), 0) << "a new, empty bitmap";
  p.Assign(nullptr);
  EXPECT_EQ(p.Graphic(), nullptr);
  TFont notAGraphic;
  EXPECT_THROW(p.Assign(&notAGraphic), rtl::EConvertError);
  EXPECT_THROW(b.Assign(&half), rtl::EConvertError) << "a bitmap takes only a bitmap";
}

}  // namespace graphics_test
