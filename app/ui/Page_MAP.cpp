#include "app/ui/Page_MAP.h"

#include "platform/rtl/TypInfo.h"

namespace app {

rtl::TClass TPage_MAP::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPage_MAP>().Build();
  return &info;
}

TPage_MAP::TPage_MAP(rtl::TComponent* AOwner) : TWindowPage(AOwner) { SetName("Page_MAP"); }

void TPage_MAP::Load(vg::TvxTabItem* Item) { ReadPageText("PAGE_MAP", Item); }

void TPage_MAP::RedrawMapRPM() {}
void TPage_MAP::MarkMapRPMLiveCell() {}
void TPage_MAP::MapKeyDown(std::uint16_t, rtl::TShiftState) {}
void TPage_MAP::ShiftReleased() {}
void TPage_MAP::TailTick() {}

}  // namespace app
