// The cairo canvas on pixels: buffer handling, saved states, clip, every primitive with
// the brush kinds, paths, bitmaps, and the guards against bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "PaintFakes.h"
#include "platform/gfx2d/Brush.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/TextForms.h"

namespace canvas_gdi_plus_test {

using namespace vg;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr TvxColor Red = 0xFFFF0000u, Blue = 0xFF0000FFu;

struct Canvas {
  Canvas(int W, int H) : c(rtl::OwnedAs<TvxCanvasGdiPlus>(TvxCanvasGdiPlus::ClassRef()->Create(W, H))) {
    c->Clear(0);
  }
  uint32_t At(int X, int Y) const { return c->BufferBits()[Y * c->Width() + X]; }
  uint8_t A(int X, int Y) const { return At(X, Y) >> 24; }
  uint8_t R(int X, int Y) const { return (At(X, Y) >> 16) & 0xFF; }
  uint8_t B(int X, int Y) const { return At(X, Y) & 0xFF; }
  int Painted() const {
    int n = 0;
    for (int i = 0; i < c->Width() * c->Height(); ++i) n += c->BufferBits()[i] != 0;
    return n;
  }
  TvxCanvasGdiPlus* operator->() const { return c.get(); }
  std::unique_ptr<TvxCanvasGdiPlus> c;
};

void SetGradient(TvxBrush* B, std::initializer_list<std::pair<float, TvxColor>> Stops, TvxPoint Start, TvxPoint Stop,
                 TvxGradientStyle Style = vgLinearGradient) {
  B->SetStyle(vgBrushGradient);
  TvxGradient* g = B->Gradient();
  g->SetStyle(Style);
  g->Points()->Clear();
  for (const auto& [offset, color] : Stops) {
    auto* p = static_cast<TvxGradientPoint*>(g->Points()->Add());
    p->SetOffset(offset);
    p->SetIntColor(color);
  }
  g->StartPosition()->SetX(Start.X);
  g->StartPosition()->SetY(Start.Y);
  g->StopPosition()->SetX(Stop.X);
  g->StopPosition()->SetY(Stop.Y);
}

}  // namespace

TEST(CanvasBuffer, SizesClearsAndCopies) {
  Canvas one(0, 0);
  EXPECT_EQ(one->Width(), 1);
  ASSERT_NE(one->BufferBits(), nullptr);

  Canvas c(10, 10);
  c->Clear(0x80FF0000u);  // stored as given, not premultiplied
  EXPECT_EQ(c.At(9, 9), 0x80FF0000u);
  uint32_t* bits = c->BufferBits();
  c->ResizeBuffer(10, 10);  // same size: same buffer, same contents
  EXPECT_EQ(c->BufferBits(), bits);
  EXPECT_EQ(c.At(0, 0), 0x80FF0000u);
  c->ResizeBuffer(10, 11);
  EXPECT_EQ(c.At(0, 0), 0u);

  c->ResizeBuffer(10, 10);
  c->ClearRect({-5, -5, 3.6f, 2.4f}, Red);  // columns 0..3 of rows 0..1
  EXPECT_EQ(c.Painted(), 8);
  EXPECT_EQ(c.At(3, 1), Red);
  c->ClearRect({11, 0, 20, 5}, Red);  // wholly outside
  c->ClearRect({NaN, NaN, NaN, NaN}, Red);
  EXPECT_EQ(c.Painted(), 8);

  std::vector<uint32_t> window(20 * 20, 0);
  gfx2d::PixelTarget dc{window.data(), 20, 20, 20};
  c->Clear(Blue);
  c->FlushBufferRect(5, 5, &dc, {0, 0, 10, 10});  // an 11 x 11 block, cut by the buffer to 10 x 10
  int copied = 0;
  for (uint32_t p : window) copied += p == Blue;
  EXPECT_EQ(copied, 100);
  EXPECT_EQ(window[5 * 20 + 5], Blue);
  std::fill(window.begin(), window.end(), 0);
  Canvas big(30, 30);
  big->Clear(Blue);
  big->FlushBufferRect(0, 0, &dc, {0, 0, 10, 10});
  copied = 0;
  for (uint32_t p : window) copied += p == Blue;
  EXPECT_EQ(copied, 121);
  big->FlushBuffer(-25, -25, &dc);  // clipped to the target
  EXPECT_EQ(window[4 * 20 + 4], Blue);
  big->FlushBuffer(0, 0, nullptr);

  TvxBitmap bmp(3, 2);
  EXPECT_EQ(TvxCanvasGdiPlus::GetScanline(&bmp, 1), bmp.Bits() + 3);
  EXPECT_EQ(TvxCanvasGdiPlus::GetScanline(&bmp, 2), nullptr);
  EXPECT_EQ(TvxCanvasGdiPlus::GetScanline(&bmp, -1), nullptr);
}

// A canvas lent someone else's pixels draws into them, and never frees them (ASan would tell of
// a free of memory it does not own, or a write after it leaves them).
TEST(CanvasBuffer, LentPixelsAreDrawnIntoAndLeftToTheirOwner) {
  Canvas c(4, 4);
  auto lent = std::make_unique<std::vector<uint32_t>>(20 * 10, 0u);
  c->SetBufferBits(lent->data(), 20, 10);
  EXPECT_EQ(c->BufferBits(), lent->data());
  EXPECT_FALSE(c->OwnsBuffer());
  EXPECT_EQ(c->Width(), 20);
  EXPECT_EQ(c->Height(), 10);
  c->Fill()->SetSolidColor(Red);
  c->FillRect({2, 2, 6, 6}, 0, 0, AllCorners, 1);
  EXPECT_EQ((*lent)[3 * 20 + 3], Red);
  c->ClearRect({0, 0, 20, 10}, Blue);
  EXPECT_EQ((*lent)[9 * 20 + 19], Blue);
  c->SetBufferBits(lent->data(), 20, 10);  // the same: nothing changes
  EXPECT_EQ((*lent)[9 * 20 + 19], Blue);

  // Back to pixels of its own (transparent), then lent again and freed while lent.
  c->SetBufferBits(nullptr, 5, 5);
  EXPECT_TRUE(c->OwnsBuffer());
  EXPECT_NE(c->BufferBits(), lent->data());
  EXPECT_EQ(c.At(4, 4), 0u);
  c->Clear(Red);
  EXPECT_EQ((*lent)[0], Blue) << "the owner's pixels are left alone";
  c->SetBufferBits(lent->data(), 20, 10);
  c->ResizeBuffer(8, 8);  // a new size: its own pixels again
  EXPECT_TRUE(c->OwnsBuffer());
  c->Clear(Red);
  EXPECT_EQ((*lent)[0], Blue);
  c->SetBufferBits(lent->data(), 20, 10);
  c.c.reset();
  lent->at(0) = Red;  // still the owner's

  // A canvas on a bitmap draws into the bitmap and takes no other pixels.
  TvxBitmap bitmap(4, 4);
  TvxCanvasGdiPlus on(&bitmap);
  std::vector<uint32_t> other(16, 0u);
  EXPECT_THROW(on.SetBufferBits(other.data(), 4, 4), rtl::EInvalidOperation);
}

TEST(CanvasBuffer, UnallocatableSizeRaisesAndLeavesNoBuffer) {
  Canvas c(4, 4);
  try {
    c->ResizeBuffer(40000, 10);
    FAIL() << "no exception";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "Can't allocate the DIB handle");
  }
  EXPECT_EQ(c->BufferBits(), nullptr);
  EXPECT_EQ(c->Width(), 40000);
  c->FillRect({0, 0, 4, 4}, 0, 0, AllCorners, 1);  // nothing to draw on, nothing happens
  c->Clear(Red);
  EXPECT_EQ(c->SaveState(), -1);
}

// A slot is used again once restored: each use brings back what was saved in it that time.
TEST(CanvasState, AReusedSlotBringsBackWhatWasSavedInItLast) {
  Canvas c(4, 4);
  SetGradient(c->Fill(), {{0, Red}, {1, Blue}}, {0, 0}, {0, 1});
  c->Stroke()->SetSolidColor(Red);
  c->Font()->SetSize(20);
  const int slot = c->SaveState();
  c->Fill()->SetStyle(vgBrushSolid);
  c->RestoreState(slot);
  ASSERT_EQ(c->Fill()->Style(), vgBrushGradient);
  ASSERT_EQ(c->Fill()->Gradient()->Points()->Count(), 2);

  SetGradient(c->Fill(), {{0, 0xFF00FF00u}, {0.5f, Red}, {1, Blue}}, {0, 0}, {1, 0});
  c->Stroke()->SetStyle(vgBrushNone);
  c->Font()->SetSize(12);
  ASSERT_EQ(c->SaveState(), slot);
  c->Fill()->Gradient()->Points()->Clear();
  c->Stroke()->SetSolidColor(Blue);
  c->Font()->SetSize(40);
  c->RestoreState(slot);
  TvxGradientPoints* stops = c->Fill()->Gradient()->Points();
  ASSERT_EQ(stops->Count(), 3);
  EXPECT_EQ(stops->GetPoint(0)->IntColor(), 0xFF00FF00u);
  EXPECT_EQ(stops->GetPoint(1)->Offset(), 0.5f);
  EXPECT_EQ(c->Fill()->Gradient()->StopPosition()->X(), 1);
  EXPECT_EQ(c->Stroke()->Style(), vgBrushNone);
  EXPECT_EQ(c->Font()->Size(), 12);
}

TEST(CanvasState, SavedStatesComeBackInAnyOrder) {
  Canvas c(10, 10);
  c->Stroke()->SetSolidColor(Blue);
  c->SetStrokeThickness(2);
  const int s1 = c->SaveState();
  c->SetMatrix({1, 0, 0, 0, 1, 0, 5, 0, 1});
  c->IntersectClipRect({0, 0, 2, 2});
  c->Stroke()->SetSolidColor(Red);
  c->SetStrokeThickness(4);
  c->SetStrokeCap(vgCapRound);
  c->SetStrokeDash(vgDashDot);
  c->Font()->SetSize(30);
  const int s2 = c->SaveState();
  EXPECT_NE(s1, s2);
  c->Fill()->SetSolidColor(Blue);
  c->SetStrokeDash(vgDashSolid);
  c->RestoreState(s2);
  EXPECT_EQ(c->Fill()->Color(), 0xFFFFFFFFu);
  EXPECT_EQ(c->Dash(), (std::vector<float>{1, 1}));
  c->RestoreState(s1);
  EXPECT_EQ(c->Stroke()->Color(), Blue);
  EXPECT_EQ(c->StrokeThickness(), 2);
  EXPECT_EQ(c->StrokeCap(), vgCapFlat);
  EXPECT_EQ(c->StrokeDash(), vgDashSolid);
  EXPECT_TRUE(c->Dash().empty());  // saved solid: the pattern comes back empty
  EXPECT_EQ(c->Font()->Size(), 11);
  EXPECT_EQ(c->Matrix(), IdentityMatrix);
  c->Fill()->SetSolidColor(Red);
  c->FillRect({0, 0, 10, 10}, 0, 0, AllCorners, 1);
  EXPECT_EQ(c.Painted(), 100);  // no clip, no translation

  // A slot restored twice: the second time does nothing (its copies are gone).
  c->RestoreState(s1);
  c->RestoreState(-1);
  c->RestoreState(99);
  EXPECT_EQ(c->Stroke()->Color(), Blue);
  EXPECT_EQ(c->SaveState(), 0);  // free slots are reused
  EXPECT_EQ(c->SaveData().size(), 2u);
}

TEST(CanvasClip, SetIntersectExcludeAndReset) {
  Canvas c(10, 10);
  c->Fill()->SetSolidColor(Red);
  c->SetClipRects({{0, 0, 2, 10}, {8, 0, 10, 10}});
  c->ExcludeClipRect({0, 0, 10, 5});
  c->FillRect({0, 0, 10, 10}, 0, 0, AllCorners, 1);
  EXPECT_EQ(c.Painted(), 20);
  EXPECT_EQ(c.At(1, 5), Red);
  EXPECT_EQ(c.At(1, 4), 0u);
  c->ResetClipRect();
  c->IntersectClipRect({4, 4, 6, 6});
  c->Fill()->SetSolidColor(Blue);
  c->FillRect({0, 0, 10, 10}, 0, 0, AllCorners, 1);
  EXPECT_EQ(c.At(5, 5), Blue);
  EXPECT_EQ(c.Painted(), 24);
}

TEST(CanvasClip, ClipBoundsGiveWhatTheClipLetsThroughInUserSpace) {
  Canvas c(40, 30);
  TvxRect b;
  ASSERT_TRUE(c->ClipBounds(b));
  EXPECT_EQ(b, MakeRect(0, 0, 40, 30)) << "no clip: the whole surface";
  c->IntersectClipRect({10, 5, 30, 25});
  c->SetMatrix({2, 0, 0, 0, 2, 0, 10, 5, 1});  // user (x, y) is device (2x + 10, 2y + 5)
  ASSERT_TRUE(c->ClipBounds(b));
  EXPECT_EQ(b, MakeRect(0, 0, 10, 10));
  // Turned a quarter about the origin: device (x, y) = (-y, x) + (40, 0).
  c->ResetClipRect();
  c->SetMatrix({0, 1, 0, -1, 0, 0, 40, 0, 1});
  ASSERT_TRUE(c->ClipBounds(b));
  EXPECT_EQ(b, MakeRect(0, 0, 30, 40));
  c->SetMatrix(IdentityMatrix);
  c->IntersectClipRect({0, 0, 10, 10});
  c->IntersectClipRect({20, 20, 30, 30});
  ASSERT_TRUE(c->ClipBounds(b));
  EXPECT_EQ(RectWidth(b) * RectHeight(b), 0) << "nothing gets through";
  c->SetMatrix({});  // no user space to give it in
  b = MakeRect(1, 2, 3, 4);
  EXPECT_FALSE(c->ClipBounds(b));
  EXPECT_EQ(b, MakeRect(1, 2, 3, 4));
}

TEST(CanvasMatrix, SetMultiplyAndSingularMatrices) {
  Canvas c(10, 10);
  c->Fill()->SetSolidColor(Red);
  c->SetMatrix({2, 0, 0, 0, 2, 0, 1, 1, 1});
  c->MultiplyMatrix({1, 0, 0, 0, 1, 0, 1, 0, 1});  // applied first: (x + 1) * 2 + 1
  EXPECT_EQ(c->Matrix().m11, 2);  // not changed by MultiplyMatrix
  c->FillRect({0, 0, 1, 1}, 0, 0, AllCorners, 1);
  EXPECT_EQ(c.At(3, 1), Red);
  EXPECT_EQ(c.At(4, 2), Red);
  EXPECT_EQ(c.Painted(), 4);

  c->SetMatrix({});  // all zero: nothing is drawn, nothing breaks
  c->FillRect({0, 0, 10, 10}, 0, 0, AllCorners, 1);
  c->DrawLine({0, 0}, {10, 10}, 1);
  EXPECT_EQ(c.Painted(), 4);
  c->SetMatrix(IdentityMatrix);
  c->FillRect({0, 9, 10, 10}, 0, 0, AllCorners, 1);
  EXPECT_EQ(c.Painted(), 14);
  EXPECT_TRUE(c->Graphics()->Ok());
}

TEST(CanvasStroke, ThinLinesDashesAndBadPatterns) {
  Canvas c(20, 6);
  c->DrawLine({0, 0.5f}, {20, 0.5f}, 1);  // thickness 0 still draws one pixel
  for (int x = 0; x < 20; ++x) ASSERT_EQ(c.At(x, 0), 0xFF000000u);
  EXPECT_EQ(c.A(5, 1), 0);
  c->SetStrokeThickness(1);
  c->SetStrokeDash(vgDashDash);  // 3 on, 1 off
  c->DrawLine({0, 2.5f}, {20, 2.5f}, 0.5f);
  const uint8_t half = AlphaOf(ApplyOpacity(0xFF000000u, 0.5f));
  for (int x = 0; x < 8; ++x) EXPECT_EQ(c.A(x, 2), x % 4 < 3 ? half : 0) << x;

  for (std::vector<float> bad : {std::vector<float>{0, 0}, std::vector<float>{-1, 2}}) {
    c->SetStrokeDash(vgDashCustom);
    c->Dash() = bad;
    c->DrawLine({0, 4.5f}, {20, 4.5f}, 1);
    EXPECT_EQ(c.A(3, 4), 255);  // drawn solid
    EXPECT_TRUE(c->Graphics()->Ok());
  }
  c->Stroke()->SetStyle(vgBrushNone);
  const gfx2d::Pen* pen = c->Pen();
  c->DrawLine({0, 5.5f}, {20, 5.5f}, 1);
  EXPECT_EQ(c.A(3, 5), 0);
  EXPECT_EQ(c->Pen(), pen);  // no pen built
}

TEST(CanvasShapes, RectanglesCornersAndEllipses) {
  Canvas c(20, 20);
  c->Fill()->SetSolidColor(Red);
  c->FillRect({2, 2, 5, 5}, 0, 3, AllCorners, 1);  // one radius 0: still the rounded path
  c->FillRect({6, 2, 9, 5}, 3, 3, {}, 1);           // no corners: plain
  EXPECT_EQ(c.Painted(), 18);

  auto cornerPixels = [](TvxCornerType Type, TvxCorners Corners) {
    Canvas k(20, 20);
    k->Fill()->SetSolidColor(Red);
    k->FillRect({0, 0, 20, 20}, 10, 10, Corners, 1, Type);
    return std::array<uint8_t, 4>{k.A(0, 0), k.A(3, 3), k.A(5, 5), k.A(10, 10)};
  };
  using P = std::array<uint8_t, 4>;
  EXPECT_EQ(cornerPixels(vgCornerRound, AllCorners), (P{0, 255, 255, 255}));
  EXPECT_EQ(cornerPixels(vgCornerBevel, AllCorners), (P{0, 0, 255, 255}));
  EXPECT_EQ(cornerPixels(vgCornerInnerLine, AllCorners), (P{0, 0, 0, 255}));
  EXPECT_EQ(cornerPixels(vgCornerInnerRound, AllCorners), (P{0, 0, 0, 255}));
  EXPECT_EQ(cornerPixels(vgCornerRound, TvxCorners{vgCornerBottomRight}), (P{255, 255, 255, 255}));
  Canvas rb(20, 20);
  rb->Fill()->SetSolidColor(Red);
  rb->FillRect({0, 0, 20, 20}, 10, 10, AllCorners, 1, vgCornerBevel);
  EXPECT_GT(rb.A(6, 6), 250);
  EXPECT_EQ(rb.A(19, 0), 0);
  EXPECT_EQ(rb.A(0, 19), 0);
  EXPECT_EQ(rb.A(19, 19), 0);

  Canvas d(12, 12);
  d->SetStrokeThickness(1);
  d->DrawRect({0.5f, 0.5f, 10.5f, 10.5f}, 0, 0, AllCorners, 1);
  EXPECT_EQ(d.At(0, 0), 0xFF000000u);
  EXPECT_EQ(d.At(10, 5), 0xFF000000u);
  EXPECT_EQ(d.At(5, 5), 0u);
  EXPECT_EQ(d.Painted(), 40);

  Canvas e(20, 20);
  e->Fill()->SetSolidColor(Blue);
  e->FillEllipse({0, 0, 20, 20}, 1);
  e->DrawEllipse({0, 0, 20, 20}, 1);
  EXPECT_EQ(e.At(10, 10), Blue);
  EXPECT_EQ(e.A(1, 1), 0);
  EXPECT_GT(e.A(0, 10), 100);  // the outline
}

TEST(CanvasBrushes, LinearGradientFillRunsByRightAndBottom) {
  Canvas c(120, 80);
  SetGradient(c->Fill(), {{0, Red}, {1, Blue}}, {0, 0}, {0, 1});
  c->FillRect({10, 10, 110, 60}, 0, 0, AllCorners, 1);
  // From (10, 10) to (10, 70): at y = 40.5 the colour is 30.5 / 60 of the way.
  const double t = 30.5 / 60;
  EXPECT_NEAR(c.R(50, 40), 255 * (1 - t), 4);
  EXPECT_NEAR(c.B(50, 40), 255 * t, 4);
  EXPECT_EQ(c.A(50, 60), 0);

  SetGradient(c->Fill(), {{0.3f, Red}, {1, Blue}}, {0, 0}, {1, 0});
  c->ApplyBrushGdiPlus({0, 0, 100, 10}, 0.5f);
  const auto* lin = dynamic_cast<const gfx2d::LinearGradientBrush*>(c->FillBrush());
  ASSERT_NE(lin, nullptr);
  EXPECT_EQ(lin->PresetBlend().Positions, (std::vector<float>{0, 0.3f, 1}));
  EXPECT_EQ(lin->PresetBlend().Colors[0], ApplyOpacity(Red, 0.5f));  // opacity on the added stop too
  SetGradient(c->Fill(), {{0.3f, Red}, {0.7f, Blue}}, {0, 0}, {1, 0});
  c->ApplyBrushGdiPlus({0, 0, 100, 10}, 1);
  lin = dynamic_cast<const gfx2d::LinearGradientBrush*>(c->FillBrush());
  EXPECT_EQ(lin->PresetBlend().Positions, (std::vector<float>{0, 0.3f, 0.7f, 1}));

  // A single stop paints its colour, whatever the brush's own colour says.
  c->Fill()->SetSolidColor(0xFF00FF00);
  SetGradient(c->Fill(), {{0.4f, Red}}, {0, 0}, {1, 0});
  c->FillRect({0, 0, 20, 20}, 0, 0, AllCorners, 1);
  EXPECT_EQ(c.R(5, 5), 255);
  EXPECT_EQ(c.B(5, 5), 0);
  EXPECT_EQ((c.At(5, 5) >> 8) & 0xFF, 0u);

  // As many stops as a gradient holds; one more is refused.
  SetGradient(c->Fill(), {}, {0, 0}, {1, 0});
  const int most = TvxGradientPoints::MaxPoints;
  for (int i = 0; i < most; ++i) {
    auto* p = static_cast<TvxGradientPoint*>(c->Fill()->Gradient()->Points()->Add());
    p->SetOffset(static_cast<float>(i) / (most - 1));
    p->SetIntColor(i % 2 ? Red : Blue);
  }
  EXPECT_THROW(c->Fill()->Gradient()->Points()->Add(), rtl::EListError);
  c->ApplyBrushGdiPlus({0, 0, 100, 10}, 1);  // no fixed stop arrays to overrun
  lin = dynamic_cast<const gfx2d::LinearGradientBrush*>(c->FillBrush());
  EXPECT_EQ(lin->PresetBlend().Positions.size(), static_cast<size_t>(most));
  // The same gradient again keeps the brush, and the pattern it built; a change makes another.
  c->ApplyBrushGdiPlus({0, 0, 100, 10}, 1);
  EXPECT_EQ(c->FillBrush(), lin);
  c->Fill()->Gradient()->Points()->GetPoint(3)->SetIntColor(0xFF00FF00u);
  c->ApplyBrushGdiPlus({0, 0, 100, 10}, 1);
  EXPECT_NE(c->FillBrush(), lin);
  EXPECT_EQ(dynamic_cast<const gfx2d::LinearGradientBrush*>(c->FillBrush())->PresetBlend().Colors[3], 0xFF00FF00u);
  lin = dynamic_cast<const gfx2d::LinearGradientBrush*>(c->FillBrush());
  c->ApplyBrushGdiPlus({0, 0, 50, 10}, 1);  // another rectangle, another line
  EXPECT_NE(c->FillBrush(), lin);

  SetGradient(c->Stroke(), {{0.2f, Red}, {0.8f, Blue}}, {0, 0}, {1, 0});
  c->ApplyStrokeGdiPlus({0, 0, 100, 10}, 1);  // stroke stops pass as they are
  lin = dynamic_cast<const gfx2d::LinearGradientBrush*>(c->StrokeBrush());
  ASSERT_NE(lin, nullptr);
  EXPECT_EQ(lin->PresetBlend().Positions, (std::vector<float>{0.2f, 0.8f}));
  EXPECT_EQ(lin->Transform().m11, 100);  // scaled by the rectangle once more
  EXPECT_EQ(lin->Transform().m22, 10);
}

TEST(CanvasBrushes, RadialGradientOnlyInsideTheEllipse) {
  Canvas c(40, 20);
  SetGradient(c->Fill(), {{0, Red}, {1, Blue}}, {0, 0}, {1, 1}, vgRadialGradient);
  c->FillRect({0, 0, 20, 20}, 0, 0, AllCorners, 1);
  EXPECT_GT(c.B(10, 10), 220);  // position 1 in the centre
  EXPECT_GT(c.R(10, 0), 150);   // position 0 on the rim
  EXPECT_EQ(c.A(0, 0), 0);      // corners of the rectangle stay clear
  EXPECT_EQ(c.A(19, 19), 0);
  EXPECT_EQ(c.A(30, 10), 0);
}

TEST(CanvasBrushes, BitmapResourceAndVisualBrushes) {
  TvxBitmap tile(2, 1);
  tile.Bits()[0] = Red;
  tile.Bits()[1] = Blue;
  auto row = [&](TvxWrapMode Mode, float Opacity, float Width) {
    Canvas c(8, 1);
    c->Fill()->SetStyle(vgBrushBitmap);
    c->Fill()->Bitmap()->SetBitmap(&tile);
    c->Fill()->Bitmap()->SetWrapMode(Mode);
    c->FillRect({0, 0, Width, 1}, 0, 0, AllCorners, Opacity);
    return std::vector<uint32_t>(c->BufferBits(), c->BufferBits() + 8);
  };
  const uint32_t R = Red, B = Blue;
  EXPECT_EQ(row(vgWrapTile, 1, 8), (std::vector<uint32_t>{R, B, R, B, R, B, R, B}));
  EXPECT_EQ(row(vgWrapTileOriginal, 1, 8), (std::vector<uint32_t>{R, B, B, R, R, B, B, R}));
  EXPECT_EQ(row(vgWrapTile, 0.5f, 8)[1], 0x80000080u);
  const auto stretched = row(vgWrapTileStretch, 1, 8);  // 2 pixels over 8
  EXPECT_GT((stretched[2] >> 16) & 0xFF, 200u);
  EXPECT_GT(stretched[5] & 0xFF, 200u);

  vgtest::FakeResource res("Shade");
  Canvas c(4, 1);
  c->Fill()->SetStyle(vgBrushResource);
  c->Fill()->Resource()->SetResourceName("Shade");
  c->FillRect({0, 0, 4, 1}, 0, 0, AllCorners, 1);
  EXPECT_EQ(c.At(2, 0), 0xFF112233u);
  EXPECT_EQ(c->Fill()->Style(), vgBrushSolid);  // the canvas's fill took the resource's brush

  // A visual brush paints its object through the installed painter; an object already
  // being painted that way (an ancestor of the filled object) is skipped.
  Canvas v(4, 4);
  v->Fill()->SetStyle(vgBrushVisual);
  int calls = 0;
  const TvxPaintVisualProc treePainter = PaintVisualObject;
  PaintVisualObject = [&](rtl::TComponent*, TvxCanvas& Target, const TvxRect& Rect, float Opacity) {
    ++calls;
    EXPECT_EQ(Opacity, 0.5f);
    Target.FillRect(Rect, 0, 0, AllCorners, Opacity);  // the same visual brush again
    Target.Stroke()->SetSolidColor(Red);
  };
  v->FillRect({0, 0, 4, 4}, 0, 0, AllCorners, 0.5f);  // no visual object: nothing
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(v->SaveData().size(), 1u);
  EXPECT_EQ(v->SaveData()[0].State, -1);
  v->Fill()->Visual()->SetVisualObject(&res);
  v->FillEllipse({0, 0, 4, 4}, 0.5f);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(v->Stroke()->Color(), 0xFF000000u);  // put back
  PaintVisualObject = treePainter;
}

TEST(CanvasPaths, FittingWalkingAndHitTesting) {
  Canvas c(100, 50);
  TvxPathData line;
  line.MoveTo({0, 0});
  line.LineTo({10, 0});
  c->SetStrokeThickness(2);
  c->DrawPath(&line, {0, 0, 100, 50}, 1);  // along the rectangle's top edge
  EXPECT_EQ(c.A(50, 0), 255);
  EXPECT_EQ(c.A(99, 0), 255);
  EXPECT_EQ(c.A(50, 2), 0);

  TvxPathData empty;
  const gfx2d::Pen* pen = c->Pen();
  c->DrawPath(&empty, {0, 0, 100, 50}, 1);
  EXPECT_EQ(c->Pen(), pen);

  TvxPathData cut;  // ends inside a curve's point triple
  cut.MoveTo({0, 0});
  cut.LineTo({10, 10});
  std::vector<TvxPathPoint> pts = cut.Points();
  pts.push_back({vgPathPointCurveTo, {20, 0}});
  rtl::TMemoryStream ms;
  const int32_t n = static_cast<int32_t>(pts.size());
  ms.WriteBuffer(&n, 4);
  for (const auto& p : pts) {
    const uint8_t rec[4] = {static_cast<uint8_t>(p.Kind), 0, 0, 0};
    ms.WriteBuffer(rec, 4);
    ms.WriteBuffer(&p.Point.X, 4);
    ms.WriteBuffer(&p.Point.Y, 4);
  }
  ms.SetPosition(0);
  cut.ReadPath(ms);
  ASSERT_EQ(cut.Count(), 3);
  Canvas k(20, 20);
  k->DrawPath(&cut, {0, 0, 20, 10}, 1);
  k->FillPath(&cut, {0, 0, 20, 10}, 1);
  EXPECT_FALSE(k->PtInPath({2, 8}, {0, 0, 20, 10}, &cut));
  EXPECT_GT(k.A(5, 5), 0);  // the line before the cut curve is drawn

  TvxPathData ring;
  ring.AddRectangle({0, 0, 10, 10}, 0, 0, {}, vgCornerRound);
  ring.AddRectangle({3, 3, 7, 7}, 0, 0, {}, vgCornerRound);
  const TvxRect r{0, 0, 100, 100};  // scaled ten times
  EXPECT_TRUE(c->PtInPath({10, 10}, r, &ring));
  EXPECT_FALSE(c->PtInPath({50, 50}, r, &ring));  // the hole (alternate rule)
  EXPECT_FALSE(c->PtInPath({101, 50}, r, &ring));
  EXPECT_FALSE(c->PtInPath({1, 1}, r, &empty));
}

TEST(CanvasPaths, APathFarFromTheOriginFillsAndHitsTheRectangleItIsFittedInto) {
  Canvas c(100, 100);
  c->Fill()->SetSolidColor(Red);
  c->Stroke()->SetSolidColor(0xFF0000FFu);
  c->SetStrokeThickness(2);
  const TvxRect r{0, 0, 100, 100};
  for (const TvxPoint at : {TvxPoint{100000, 0}, TvxPoint{-100100, 0}, TvxPoint{0, 100000}, TvxPoint{80000, 90000}}) {
    SCOPED_TRACE(PointToString(at));
    TvxPathData square;
    square.AddRectangle({at.X, at.Y, at.X + 100, at.Y + 100}, 0, 0, {}, vgCornerRound);
    c->Clear(0);
    c->FillPath(&square, r, 1);
    EXPECT_EQ(c.At(5, 5), Red);
    EXPECT_EQ(c.At(50, 50), Red);
    EXPECT_EQ(c.At(94, 94), Red);
    for (const TvxPoint p : {TvxPoint{5, 5}, TvxPoint{50, 50}, TvxPoint{95, 95}})
      EXPECT_TRUE(c->PtInPath(p, r, &square)) << PointToString(p);
  }
  // A flat line far out is still stroked along the rectangle's middle.
  TvxPathData line;
  line.SetData("M 100000,70000 L 100010,70000");
  c->Clear(0);
  c->DrawPath(&line, {0, 40, 100, 60}, 1);
  EXPECT_GT(c.B(50, 40), 200);
}

TEST(CanvasPolygons, FilledTriangleNeedsItsStartRepeated) {
  Canvas c(10, 10);
  c->Fill()->SetSolidColor(Red);
  const TvxPoint a{0, 0}, b{10, 0}, d{0, 10};
  c->FillPolygon({a, b, d}, 1);
  EXPECT_EQ(c.Painted(), 0);
  c->FillPolygon({a, b, d, a}, 1);
  EXPECT_EQ(c.At(2, 2), Red);
  Canvas h(10, 3);
  h->SetStrokeThickness(1);
  h->DrawPolygon({{0, 1.5f}, {10, 1.5f}}, 1);  // a flat polygon maps back onto itself
  EXPECT_EQ(h.A(5, 1), 255);
  EXPECT_EQ(h.A(5, 0), 0);
}

TEST(CanvasBitmaps, DrawBitmapOpacityAndInterpolation) {
  TvxBitmap bmp(2, 2);
  for (int i = 0; i < 4; ++i) bmp.Bits()[i] = i % 2 ? Blue : Red;
  Canvas c(8, 4);
  const TvxRect src{0, 0, 2, 2};
  c->DrawBitmap(&bmp, src, {0, 0, 2, 2}, 0);
  c->DrawBitmap(&bmp, src, {0, 0, 2, 2}, NaN);
  EXPECT_EQ(c.Painted(), 0);
  c->DrawBitmap(&bmp, src, {0, 0, 4, 4}, 1.5f, true);
  EXPECT_EQ(c->Graphics()->GetInterpolationMode(), gfx2d::InterpolationMode::NearestNeighbor);
  EXPECT_EQ(c.At(1, 1), Red);
  EXPECT_EQ(c.At(2, 1), Blue);
  c->DrawBitmap(&bmp, {1, 0, 2, 1}, {4, 0, 5, 1}, 0.5f, true);
  EXPECT_EQ(c.At(4, 0), 0x80000080u);
  c->DrawBitmap(&bmp, src, {6, 0, 8, 2}, 1);
  EXPECT_EQ(c->Graphics()->GetInterpolationMode(), gfx2d::InterpolationMode::HighQuality);
  EXPECT_NE(bmp.Handle(), nullptr);  // the image stays on the bitmap until its pixels go
  bmp.SetSize(3, 3);
  EXPECT_EQ(bmp.Handle(), nullptr);
}

TEST(CanvasBitmaps, CanvasOnABitmapDrawsIntoItsPixels) {
  DefaultCanvasClass = TvxCanvasGdiPlus::ClassRef();
  {
    TvxBitmap target(4, 4);
    TvxCanvas* c = target.GetCanvas();
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(c->Buffered());
    c->Fill()->SetSolidColor(Red);
    c->FillRect({0, 0, 2, 2}, 0, 0, AllCorners, 1);
    EXPECT_EQ(target.Bits()[5], Red);
    EXPECT_EQ(target.Bits()[2], 0u);
    EXPECT_EQ(target.GetScanline(1), target.Bits() + 4);

    TvxBitmap big(4, 4);
    std::fill(big.Bits(), big.Bits() + 16, Blue);
    c->DrawThumbnail(&big, 2, 2);  // scaled to 2 pixels wide at the origin
    EXPECT_EQ(target.Bits()[0], Blue);
    EXPECT_EQ(target.Bits()[2], 0u);
    target.SetSize(6, 6);  // frees the canvas and its image
    EXPECT_NE(target.GetCanvas(), nullptr);
  }
  DefaultCanvasClass = nullptr;
}

// Under a small clip (a damaged region) a rectangle's fill and stroke give the pixels they
// give through their whole outlines, whatever the clip meets: the inside of a rounded
// rectangle, its curved corners, its outline or nothing. Clips of 3 x 3 pixels are moved a
// pixel at a time over rectangles of several sizes, corner shapes, pens and fills, on
// pixel edges and between them, unscaled and scaled.
TEST(CanvasShapes, SmallClipsPaintWhatTheWholeOutlinesGiveThere) {
  struct Shape {
    TvxRect Rect;
    float Radius;
    TvxCornerType Type;
    float Thickness;
    TvxMatrix Matrix;
    bool Gradient;
    TvxColor Color;
    float Opacity;
  };
  const TvxMatrix plain = IdentityMatrix, shifted{1, 0, 0, 0, 1, 0, 0.3f, 0.6f, 1},
                  scaled{1.5f, 0, 0, 0, 1.25f, 0, 1.2f, 0.4f, 1};
  const std::vector<Shape> shapes = {
      {{3, 3, 27, 21}, 4, vgCornerRound, 1, plain, true, 0xD8262626u, 1},
      {{2.5f, 3.5f, 26.5f, 20.5f}, 5, vgCornerRound, 1, plain, false, 0xEA2F2F2Fu, 1},
      {{4, 2, 26, 22}, 6, vgCornerInnerLine, 3, shifted, false, Red, 0.7f},
      {{4, 4, 24, 20}, 3, vgCornerInnerRound, 2.5f, scaled, true, Red, 1},
      {{2, 3, 27, 21}, 0, vgCornerRound, 4, shifted, false, 0xFF00C000u, 1},
      {{3, 2, 12, 21}, 40, vgCornerBevel, 1, plain, false, Blue, 1},  // radii wider than the rectangle
  };
  auto paint = [](Canvas& C, const Shape& S) {
    C->SetMatrix(S.Matrix);
    if (S.Gradient)
      SetGradient(C->Fill(), {{0, 0xD8262626u}, {1, 0xD8E01616u}}, {0, 0}, {0.3f, 1});
    else
      C->Fill()->SetSolidColor(S.Color);
    C->Stroke()->SetSolidColor(0x80FFFFFFu);
    C->SetStrokeThickness(S.Thickness);
    C->FillRect(S.Rect, S.Radius, S.Radius, AllCorners, S.Opacity, S.Type);
    C->DrawRect(S.Rect, S.Radius, S.Radius, AllCorners, S.Opacity, S.Type);
  };
  constexpr int W = 44, H = 32, Side = 3;
  Canvas shortcut(W, H), full(W, H);
  full->SetClipShortcuts(false);
  for (size_t k = 0; k < shapes.size(); ++k) {
    int differing = 0, painted = 0;
    std::string first;
    for (int y = 0; y + Side <= H; ++y)
      for (int x = 0; x + Side <= W; ++x) {
        for (Canvas* c : {&shortcut, &full}) {
          (*c)->Clear(0);
          (*c)->ResetClipRect();
          (*c)->SetMatrix(IdentityMatrix);
          (*c)->SetClipRects({MakeRect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + Side),
                                       static_cast<float>(y + Side))});
          paint(*c, shapes[k]);
        }
        painted += full.Painted();
        for (int i = 0; i < W * H; ++i) {
          if (shortcut->BufferBits()[i] == full->BufferBits()[i]) continue;
          if (differing++ == 0)
            first = "clip at (" + std::to_string(x) + ", " + std::to_string(y) + "), pixel " + std::to_string(i);
        }
      }
    EXPECT_EQ(differing, 0) << "shape " << k << ", first " << first;
    EXPECT_GT(painted, 0) << "shape " << k;
  }
}

}  // namespace canvas_gdi_plus_test
