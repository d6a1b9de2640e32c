// Grids in their built-in style drawn into one picture and compared with the reference
// picture in the test data folder: a string grid with a header, alternating rows, the
// selected row and cell and an edit under way, and a grid of text, check and progress
// columns scrolled down. The picture is also written into the build tree's test-output folder
// (grid_gallery.png) for a look; GASCAL_UPDATE_GALLERY=1 writes a new reference.
#include <gtest/gtest.h>

#include <string>

#include "ControlScene.h"
#include "platform/win/WinTypes.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "platform/rtl/CodePage.h"
#include "vg2d/controls/Grid.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Shapes.h"

namespace grid_gallery_test {

using namespace vg;

namespace {

constexpr int GalleryWidth = 640;
constexpr int GalleryHeight = 240;

class GridGallery : public vgtest::ControlsTest {};

}  // namespace

TEST_F(GridGallery, MatchesTheReferencePicture) {
  vgtest::ControlScene s(GalleryWidth, GalleryHeight);
  auto* ground = new TvxRectangle(nullptr);
  ground->Fill()->SetSolidColor(0xFFE8E8E8u);
  ground->Stroke()->SetStyle(vgBrushNone);
  s.root->AddObject(ground);
  ground->SetBounds(0, 0, GalleryWidth, GalleryHeight);

  auto* strings = s.Add(new TvxStringGrid(nullptr), 10, 10);
  strings->SetBounds(10, 10, 300, 220);
  strings->SetAlternatingRowBackground(true);
  strings->SetRowCount(12);
  const char16_t* heads[] = {u"Parameter", u"Value", u"Unit"};
  const char16_t* rows[][3] = {{u"R.P.M. prescaler", u"2", u""},  {u"Reducer pressure", u"1.00", u"bar"},
                               {u"Gas temperature", u"35", u"C"}, {u"Switch R.P.M.", u"2200", u"rpm"},
                               {u"Injector type", u"Valtek", u""}, {u"Working mode", u"Gas", u""}};
  for (int c = 0; c < 3; ++c) {
    auto* column = new TvxStringColumn(nullptr);
    column->SetHeader(heads[c]);
    column->SetWidth(c == 0 ? 130 : 75);
    strings->AddObject(column);
    column->FitToRows();
    for (int r = 0; r < 6; ++r) column->SetCellText(r, rows[r][c]);
  }
  strings->Realign();
  strings->SetSelected(3);
  strings->SetSelectedColumn(1);

  auto* grid = s.Add(new TvxGrid(nullptr), 330, 10);
  grid->SetBounds(330, 10, 300, 220);
  grid->SetRowCount(40);
  auto* names = new TvxColumn(nullptr);
  names->SetHeader(u"Cylinder");
  grid->AddObject(names);
  auto* on = new TvxCheckColumn(nullptr);
  on->SetHeader(u"On");
  on->SetWidth(50);
  grid->AddObject(on);
  auto* load = new TvxProgressColumn(nullptr);
  load->SetHeader(u"Load");
  load->SetWidth(120);
  grid->AddObject(load);
  grid->OnGetValue = [](rtl::TObject*, int Col, int Row, rtl::TPropValue& Value) {
    if (Col == 0) Value = u"Cylinder " + rtl::Utf8ToWide(std::to_string(Row + 1));
    if (Col == 1) Value = Row % 3 != 0;
    if (Col == 2) Value = static_cast<double>((Row * 37) % 100);
  };
  grid->Realign();
  grid->VScrollBar()->SetValue(42);
  grid->SetSelected(4);
  grid->SetSelectedColumn(0);

  s.PaintAll();
  strings->SetFocus();
  uint16_t f2 = win::VK_F2;
  char16_t none = 0;
  s.scene.KeyDown(f2, none, {});
  clock.Advance(400);
  s.PaintAll();

  TvxBitmap drawn(GalleryWidth, GalleryHeight);
  for (int y = 0; y < GalleryHeight; ++y)
    for (int x = 0; x < GalleryWidth; ++x) drawn.Bits()[y * GalleryWidth + x] = s.At(x, y);
  vgtest::ExpectReferencePicture(drawn, "grid_gallery.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace grid_gallery_test
