// Scroll boxes, list boxes and a grid layout in their built-in styles, plain on a light
// ground and Hud on a dark one (focused, with multiple selection, check boxes, alternating
// rows, small bars, and lists whose items or labels carry no style of their own, as the
// program fills them), drawn into one picture and compared with the reference picture in the
// test data folder. The picture is also written into the build tree's test-output folder
// (list_controls_gallery.png) for a look; GASCAL_UPDATE_GALLERY=1 writes a new reference.
#include <gtest/gtest.h>

#include <string>

#include "ControlScene.h"
#include "tests/vg2d_core/ReferencePicture.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Shapes.h"

namespace list_controls_gallery_test {

using namespace vg;

namespace {

constexpr int GalleryWidth = 640;
constexpr int GalleryHeight = 350;

class ListGallery : public vgtest::ControlsTest {
protected:
  template <class List>
  List* AddList(vgtest::ControlScene& S, float X, float Y, float W, float H, int Count, const char* ItemStyle,
                bool Numbers = false) {
    auto* list = S.Add(new List(nullptr), X, Y);
    list->SetBounds(X, Y, W, H);
    static const char16_t* const names[] = {u"Setup",   u"Auto Calibration", u"Graph", u"Map",   u"Language",
                                            u"Skin",    u"Port COM1",        u"Save",  u"Load",  u"Exit",
                                            u"Reducer", u"Injectors"};
    for (int i = 0; i < Count; ++i) {
      auto* item = new TvxListBoxItem(nullptr);
      item->SetText(Numbers ? u"No. " + std::u16string(1, static_cast<char16_t>(u'1' + i)) : names[i % 12]);
      if (ItemStyle) item->SetResource(ItemStyle);
      list->AddObject(item);
    }
    return list;
  }

  template <class List, class Box>
  void Family(vgtest::ControlScene& S, TvxColor Ground, const char* ItemStyle, TvxColor Cell, const char* ListStyle) {
    auto* ground = new TvxRectangle(nullptr);
    ground->Fill()->SetSolidColor(Ground);
    ground->Stroke()->SetStyle(vgBrushNone);
    S.root->AddObject(ground);
    ground->SetBounds(0, 0, GalleryWidth / 2.0f, GalleryHeight);

    // A focused list, scrolled, its current item in view.
    auto* focused = AddList<List>(S, 10, 10, 140, 110, 12, ItemStyle);
    focused->SetItemIndex(6);
    focused->SetFocus();
    // Multiple selection with check boxes and alternating rows, unfocused but shown.
    auto* multi = AddList<List>(S, 160, 10, 150, 110, 5, ItemStyle);
    multi->SetHideSelectionUnfocused(false);
    multi->SetMultiSelect(true);
    multi->SetAlternatingRowBackground(true);
    multi->SetShowCheckboxes(true);
    multi->ItemByIndex(1)->SetIsSelected(true);
    multi->ItemByIndex(2)->SetIsSelected(true);
    multi->ItemByIndex(4)->SetIsSelected(true);
    multi->ItemByIndex(2)->SetIsChecked(true);
    multi->ItemByIndex(3)->SetIsChecked(true);
    // Items three to a row.
    auto* grid = AddList<List>(S, 10, 130, 140, 60, 9, ItemStyle, true);
    grid->SetItemWidth(44);
    grid->SetHideSelectionUnfocused(false);
    grid->SetItemIndex(4);

    // A scroll box with content larger both ways, scrolled; a box with small bars.
    auto* box = S.Add(new Box(nullptr), 160, 130);
    box->SetBounds(160, 130, 150, 60);
    auto* grid2 = new TvxGridLayout(nullptr);
    grid2->SetBounds(0, 0, 240, 120);
    grid2->SetItemWidth(40);
    grid2->SetItemHeight(30);
    box->AddObject(grid2);
    for (int i = 0; i < 18; ++i) {
      auto* cell = new TvxRectangle(nullptr);
      cell->Padding()->SetRect(MakeRect(3, 3, 3, 3));
      cell->Fill()->SetSolidColor((Cell & 0x00FFFFFFu) | (static_cast<TvxColor>(0x30 + i * 10) << 24));
      cell->Stroke()->SetStyle(vgBrushNone);
      cell->SetxRadius(3);
      cell->SetyRadius(3);
      grid2->AddObject(cell);
    }
    grid2->Realign();
    box->Realign();
    box->VScrollBar()->SetValue(20);
    box->HScrollBar()->SetValue(30);
    auto* small = S.Add(new Box(nullptr), 160, 200);
    small->SetBounds(160, 200, 150, 50);
    small->SetUseSmallScrollBars(true);
    auto* tall = new TvxRectangle(nullptr);
    tall->SetBounds(4, 4, 120, 200);
    tall->Fill()->SetSolidColor(Cell);
    tall->Stroke()->SetStyle(vgBrushNone);
    small->AddObject(tall);
    small->Realign();
    small->VScrollBar()->SetValue(40);

    // Items with no style of their own, the current one shown.
    auto* plainItems = AddList<List>(S, 10, 260, 140, 80, 5, nullptr);
    plainItems->SetHideSelectionUnfocused(false);
    plainItems->SetItemIndex(1);
    // A list styled by name whose items each hold a plain label, as the brush designer
    // lists brushes and resources.
    auto* labelled = S.Add(new TvxListBox(nullptr), 160, 260);
    labelled->SetResource(ListStyle);
    labelled->SetBounds(160, 260, 150, 80);
    for (const char16_t* name : {u"Fill", u"Stroke", u"Brush1"}) {
      auto* item = new TvxListBoxItem(nullptr);
      item->SetHeight(23);
      auto* label = new TvxLabel(nullptr);
      label->SetAlign(vaClient);
      label->SetHitTest(false);
      label->SetText(name);
      item->AddObject(label);
      labelled->AddObject(item);
    }
    labelled->SetHideSelectionUnfocused(false);
    labelled->SetItemIndex(0);
    S.PaintAll();
  }
};

}  // namespace

TEST_F(ListGallery, MatchesTheReferencePicture) {
  constexpr int half = GalleryWidth / 2;
  vgtest::ControlScene plain(half, GalleryHeight), hud(half, GalleryHeight);
  Family<TvxListBox, TvxFramedScrollBox>(plain, 0xFFF0F0F0u, nullptr, 0xFF1072C5u, "listboxstyle");
  Family<TvxHudListBox, TvxScrollBox>(hud, 0xFF202020u, "hudlistboxitemstyle", 0xFFDADADAu, "hudlistboxstyle");
  clock.Advance(400);  // the state animations settle
  plain.PaintAll();
  hud.PaintAll();

  TvxBitmap picture(GalleryWidth, GalleryHeight);
  for (int y = 0; y < GalleryHeight; ++y)
    for (int x = 0; x < half; ++x) {
      picture.Bits()[y * GalleryWidth + x] = plain.At(x, y);
      picture.Bits()[y * GalleryWidth + half + x] = hud.At(x, y);
    }
  vgtest::ExpectReferencePicture(picture, "list_controls_gallery.png", VG2D_CONTROLS_TEST_DATA);
}

}  // namespace list_controls_gallery_test
