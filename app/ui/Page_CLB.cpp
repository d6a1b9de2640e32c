#include "app/ui/Page_CLB.h"

#include "platform/rtl/TypInfo.h"

namespace app {

rtl::TClass TPage_CLB::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPage_CLB>().Build();
  return &info;
}

TPage_CLB::TPage_CLB(rtl::TComponent* AOwner) : TWindowPage(AOwner) { SetName("Page_CLB"); }

void TPage_CLB::Load(vg::TvxTabItem* Item) { ReadPageText("PAGE_CLB", Item); }

void TPage_CLB::BuildCalibrationDiagram() {}
void TPage_CLB::RedrawCalibrationDiagram() {}
void TPage_CLB::CloseDiagramHistoryPanel() {}
void TPage_CLB::EnableMapPointControls() {}
void TPage_CLB::ApplyPartFonts(std::uint8_t) {}
void TPage_CLB::CloseMapPrompt() {}
void TPage_CLB::DiagramKeyDown(std::uint16_t) {}
void TPage_CLB::KeyRepeatEnded() {}
void TPage_CLB::Release() {}

}  // namespace app
