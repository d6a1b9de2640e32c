// The Map page of the main window (page 3): the R.P.M. map as a grid in HudPanel_3D_MapRPM,
// transposed (a screen column per table row: the header column holds the R.P.M. break
// points; a screen row per table column: the header row holds the time break points), with
// the live cell, its fading trail, the "Clear" and "Default" buttons and the cell-data label.
// Its text is app/ui/forms/Page_MAP.txt.
//
// Every table position has three objects made here: a frame (a Hud panel, fully opaque while
// the item has the focus), a rounded background (shown while the item is selected, differs
// from its default, is on the trail or is the live cell) and the value label, which takes the
// mouse. What they show is app::MapRPM; the rules of focus, selection and stepping are the
// core's (app/core/MapRPM_Page.h). GUI thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/core/MapRPM_Page.h"
#include "app/ui/Window_Page.h"
#include "app/ui/forms/Page_MAP.h"
#include "platform/rtl/InputTypes.h"

namespace vg {
class TvxRectangle;
class TvxHudLabel;
class TvxHudPanel;
}  // namespace vg

namespace app {

// The objects of one table position.
struct TMapCell {
  vg::TvxHudPanel* Frame = nullptr;
  vg::TvxRectangle* Background = nullptr;
  vg::TvxHudLabel* Label = nullptr;
};

class TPage_MAP : public TWindowPage {
  RTL_CLASS(TPage_MAP, TWindowPage)
public:
  explicit TPage_MAP(rtl::TComponent* AOwner);
  // Reads the page text into Item's page, binds the parts and makes the grid.
  void Load(vg::TvxTabItem* Item);
  const TMapParts& Parts() const { return parts_; }
  const TMapCell& Cell(int Row, int Col) const {
    return cells_[static_cast<std::size_t>(Row)][static_cast<std::size_t>(Col)];
  }

  // What the main window and the ECU side ask of the map page.
  // Texts, backgrounds, the focused frame and the cell data as app::MapRPM has them now; while
  // the page is hidden, when it is shown next (a live-data reply redraws it every time).
  void RedrawMapRPM();
  void PageShown() override;
  // A live-data reply: the live cell and the trail move (app::MarkMapRPMLiveCell), the
  // trail's timer runs while the trail wants it.
  void MarkMapRPMLiveCell();
  // Every key while the page is shown, and the release of Shift while no write runs.
  // Enter that turns editing on gives the focused item's value label the keyboard focus.
  void MapKeyDown(std::uint16_t Key, rtl::TShiftState Shift);
  void ShiftReleased();
  // Timer_3D_MapRPM_Tail: the trail of the live cell fades.
  void TailTick();
  // The item under a point of the grid panel (its local coordinates); (0, 0) for none.
  TMapRPMItem ItemAtPanelPoint(float X, float Y) const;
  // Lays the grid out over the panel's present size (the panel's extent less 6, in 9
  // columns and 13 rows, with a margin of 3).
  void PlaceGrid();

  // ---- handlers (published, bound by the page text or set on the cells' labels)
  void HudButton_3D_MapRPM_ClearClick(rtl::TObject* Sender);
  void HudButton_3D_MapRPM_DefaultClick(rtl::TObject* Sender);
  void CellMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void CellMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  void CellMouseUp(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  // A label gives up the keyboard focus: it takes none again until Enter gives it.
  void CellKillFocus(rtl::TObject* Sender);

private:
  void BuildGrid();
  // The item under a label's local point.
  TMapRPMItem ItemAtLabelPoint(rtl::TObject* Sender, float X, float Y) const;
  void UpdateTailTimer();
  // The settings' font onto the grid's labels, when it changed since the last time.
  void ApplyGridFont();

  TMapParts parts_;
  std::array<std::array<TMapCell, MapRPMColumnCount>, MapRPMRowCount> cells_{};
  float cellWidth_ = 0, cellHeight_ = 0;
  std::string timeKindLanguage_;  // the language MapRPM.TimeKindText was taken for
  std::string gridFontName_;      // the font the grid's labels have
  float gridFontSize_ = 0;
  int gridFontStyle_ = -1;
  bool redrawPending_ = false;  // a redraw came while the page was hidden
};

}  // namespace app
