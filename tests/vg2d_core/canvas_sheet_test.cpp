// A sheet of every primitive with every brush kind, written as a PNG for a look by eye
// (/tmp/gascal_canvas_sheet.png); the checks make sure each cell got painted.
#include <gtest/gtest.h>

#include <cairo.h>

#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/CanvasGdiPlus.h"

namespace canvas_sheet_test {

using namespace vg;

namespace {

void Gradient(TvxBrush* B, TvxGradientStyle Style, TvxColor C1, TvxColor C2) {
  B->SetStyle(vgBrushGradient);
  B->Gradient()->SetStyle(Style);
  B->Gradient()->Points()->Clear();
  for (auto [off, col] : {std::pair{0.0f, C1}, std::pair{1.0f, C2}}) {
    auto* p = static_cast<TvxGradientPoint*>(B->Gradient()->Points()->Add());
    p->SetOffset(off);
    p->SetIntColor(col);
  }
}

}  // namespace

TEST(CanvasSheet, EveryPrimitiveWithEveryBrush) {
  TvxCanvasGdiPlus c(480, 360);
  c.Clear(0xFFF0F0F0u);
  TvxBitmap checker(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) checker.Bits()[y * 8 + x] = (x < 4) == (y < 4) ? 0xFF3060C0u : 0xFFF0C020u;

  // Rows: solid, linear, radial, bitmap (tiled mirrored), bitmap (stretched), half opacity.
  // Columns: rectangle, rounded rectangle, inner-round corners, ellipse, path star, arc.
  TvxPathData star;
  star.SetData("M 50 0 L 61 35 L 98 35 L 68 57 L 79 91 L 50 70 L 21 91 L 32 57 L 2 35 L 39 35 Z");
  for (int row = 0; row < 6; ++row) {
    TvxBrush* f = c.Fill();
    f->SetStyle(vgBrushSolid);
    f->SetSolidColor(0xFF40A040u);
    if (row == 1) Gradient(f, vgLinearGradient, 0xFFE03030u, 0xFF3030E0u);
    if (row == 2) Gradient(f, vgRadialGradient, 0xFFE03030u, 0xFFFFFF60u);
    if (row == 3 || row == 4) {
      f->SetStyle(vgBrushBitmap);
      f->Bitmap()->SetBitmap(&checker);
      f->Bitmap()->SetWrapMode(row == 3 ? vgWrapTileOriginal : vgWrapTileStretch);
    }
    const float opacity = row == 5 ? 0.5f : 1.0f;
    c.Stroke()->SetSolidColor(0xFF202020u);
    c.SetStrokeThickness(row == 5 ? 3 : 1);
    c.SetStrokeDash(row == 5 ? vgDashDash : vgDashSolid);
    c.SetStrokeCap(row == 5 ? vgCapRound : vgCapFlat);
    const float top = 5 + row * 58.0f;
    for (int col = 0; col < 6; ++col) {
      // Each cell paints in its own coordinates, as the objects of a tree do: gradients
      // and textures start at the cell's corner.
      const TvxRect r{0, 0, 70, 50};
      c.SetMatrix({1, 0, 0, 0, 1, 0, 5 + col * 78.0f, top, 1});
      switch (col) {
        case 0:
          c.FillRect(r, 0, 0, AllCorners, opacity);
          c.DrawRect(r, 0, 0, AllCorners, opacity);
          break;
        case 1:
          c.FillRect(r, 12, 12, AllCorners, opacity);
          c.DrawRect(r, 12, 12, AllCorners, opacity);
          break;
        case 2:
          c.FillRect(r, 15, 15, AllCorners, opacity, vgCornerInnerRound);
          c.DrawRectSides(r, 15, 15, AllCorners, opacity, TvxSides{vgSideTop, vgSideBottom}, vgCornerInnerRound);
          break;
        case 3:
          c.FillEllipse(r, opacity);
          c.DrawEllipse(r, opacity);
          break;
        case 4:
          c.FillPath(&star, r, opacity);
          c.DrawPath(&star, r, opacity);
          break;
        case 5:
          c.FillArc({r.Left + 35, r.Top + 25}, {30, 22}, 30, 270, opacity);
          c.DrawLine({r.Left, r.Bottom}, {r.Right, r.Top}, opacity);
          break;
      }
    }
  }
  // A bitmap drawn scaled, and a rotated, clipped rectangle.
  c.SetMatrix(IdentityMatrix);
  c.DrawBitmap(&checker, {0, 0, 8, 8}, {5, 352, 53, 358}, 1, true);
  const int state = c.SaveState();
  c.ExcludeClipRect({0, 0, 480, 340});
  c.Fill()->SetStyle(vgBrushSolid);
  c.Fill()->SetSolidColor(0xFFC04080u);
  c.FillRect({100, 342, 475, 358}, 4, 4, AllCorners, 1);
  c.RestoreState(state);

  cairo_surface_t* s = c.Graphics()->Target().Surface();
  cairo_surface_flush(s);
  EXPECT_EQ(cairo_surface_write_to_png(s, "/tmp/gascal_canvas_sheet.png"), CAIRO_STATUS_SUCCESS);
  // Each cell's centre holds some paint other than the background.
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 6; ++col) {
      const int x = 40 + col * 78, y = 30 + row * 58;
      EXPECT_NE(c.BufferBits()[y * 480 + x], 0xFFF0F0F0u) << row << "," << col;
    }
  EXPECT_EQ(c.BufferBits()[350 * 480 + 300], 0xFFC04080u);
}

}  // namespace canvas_sheet_test
