// The Map page of the main window (page 3): the R.P.M. map table. Its text is
// app/ui/forms/Page_MAP.txt, with the controls the language texts name. The table's grid
// and editing come with the page's own work: until then the calls below draw and change
// nothing.
#pragma once

#include <cstdint>

#include "app/ui/Window_Page.h"
#include "platform/rtl/InputTypes.h"

namespace app {

class TPage_MAP : public TWindowPage {
  RTL_CLASS(TPage_MAP, TWindowPage)
public:
  explicit TPage_MAP(rtl::TComponent* AOwner);
  // Reads the page text into Item's page.
  void Load(vg::TvxTabItem* Item);

  // What the main window and the ECU side ask of the map page.
  void RedrawMapRPM();
  void MarkMapRPMLiveCell();
  // Every key while the page is shown, and the release of Shift while no write runs.
  void MapKeyDown(std::uint16_t Key, rtl::TShiftState Shift);
  void ShiftReleased();
  // Timer_3D_MapRPM_Tail: the trail of the live cell fades.
  void TailTick();
};

}  // namespace app
