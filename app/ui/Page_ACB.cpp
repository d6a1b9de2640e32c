#include "app/ui/Page_ACB.h"

#include "platform/rtl/TypInfo.h"

namespace app {

rtl::TClass TPage_ACB::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPage_ACB>().Build();
  return &info;
}

TPage_ACB::TPage_ACB(rtl::TComponent* AOwner) : TWindowPage(AOwner) { SetName("Page_ACB"); }

void TPage_ACB::Load(vg::TvxTabItem* Item) { ReadPageText("PAGE_ACB", Item); }

void TPage_ACB::CreateAlgorithms() {}
void TPage_ACB::StartStopAutoCalibration() {}
void TPage_ACB::AutoCalibrationReplyTick() {}
void TPage_ACB::AutoCalibrationStep() {}
void TPage_ACB::AutoCalibrationWriteDone() {}
void TPage_ACB::Release() {}

}  // namespace app
