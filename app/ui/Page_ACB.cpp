#include "app/ui/Page_ACB.h"

#include <algorithm>
#include <cmath>

#include "app/core/AutoCLB_Unit.h"
#include "app/core/Colors_3D_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Session.h"
#include "app/core/Window_Texts.h"
#include "app/ui/Window_Parts.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

// The indicator panel's layout: row labels at the left, a column per cylinder after them.
constexpr float Margin = 4;
constexpr float LabelLeft = 5, LabelWidth = 50;
constexpr float ColumnsLeft = 60;
constexpr float BoxHeight = 40;
constexpr float BarWidth = 60;
constexpr float NumberFontSize = 30;
const char* const RowKeys[3] = {"ACB_Pet_on_Pet", "ACB_Pet_on_Gas", "ACB_Gas_on_Gas"};
constexpr int RowColors[3] = {Color_ACB_Pet_Pet, Color_ACB_Pet_Gas, Color_ACB_Gas_Gas};

std::u16string Wide(const std::string& Text) { return std::u16string(Text.begin(), Text.end()); }

}  // namespace

rtl::TClass TPage_ACB::StaticClass() {
  static const rtl::TClassInfo info = FormHandlers(rtl::DefineClass<TPage_ACB>()).Build();
  return &info;
}

TPage_ACB::TPage_ACB(rtl::TComponent* AOwner) : TWindowPage(AOwner) { SetName("Page_ACB"); }

void TPage_ACB::Load(vg::TvxTabItem* Item) {
  ReadPageText("PAGE_ACB", Item);
  BindFormParts(TPartBinder(this, PageName()), parts_);
}

void TPage_ACB::CreateAlgorithms() {
  parts_.ProgressBar_3D_ACB->SetValue(0);
  CreateACBAlgorithms();
  CreateIndicators();
  AutoCalibrationStep();
}

void TPage_ACB::CreateIndicators() {
  Release();
  vg::TvxHudPanel* panel = parts_.HudPanel_ACB_Indic;
  const int cylinders =
      Cylinders();
  rowHeight_ = (panel->Height() - 2 * Margin) / 3;
  barTop_ = BoxHeight + 2 * Margin;
  barArea_ = std::max(0.0f, rowHeight_ - barTop_ - Margin);
  for (int r = 0; r < 3; ++r) {
    auto* label = new vg::TvxHudLabel(this);
    label->SetWordWrap(true);
    label->SetBounds(LabelLeft, Margin + r * rowHeight_ + (rowHeight_ - BoxHeight) / 2, LabelWidth, BoxHeight);
    label->SetText(ShownKeyText(RowKeys[r]));
    panel->AddObject(label);
    rowLabels_[static_cast<std::size_t>(r)] = label;
  }
  if (cylinders < 1) return;
  const float cell = (panel->Width() - ColumnsLeft - Margin) / static_cast<float>(cylinders);
  const float barWidth = std::min(BarWidth, std::max(4.0f, cell - 12));
  // "00.00" in bold digits has to fit the column.
  const float fontSize = std::min(NumberFontSize, std::max(11.0f, (cell - 8) / 3.2f));
  for (int c = 0; c < cylinders; ++c) {
    TACBColumn column;
    const float left = ColumnsLeft + c * cell;
    for (int r = 0; r < 3; ++r) {
      const float top = Margin + r * rowHeight_;
      auto* box = new vg::TvxHudTextBox(this);
      box->SetBounds(left + 4, top + Margin, cell - 8, BoxHeight);
      box->SetReadOnly(true);
      box->SetHitTest(false);
      box->SetTextAlign(vg::vgTextAlignCenter);
      box->Font()->SetSize(fontSize);
      box->Font()->SetStyle(vg::vgFontBold);
      box->SetText(u"0.00");
      panel->AddObject(box);
      auto* bar = new vg::TvxRectangle(this);
      bar->SetHitTest(false);
      bar->Fill()->SetColor(Model().Colors.ColorTable[static_cast<std::size_t>(RowColors[r])]);
      bar->Stroke()->SetStyle(vg::vgBrushNone);
      // Turned half round about the middle of its top edge, placed at the bottom of the bar
      // area: the bar grows upwards with its height alone.
      bar->SetBounds(left + (cell - barWidth) / 2, top + barTop_ + barArea_, barWidth, 0);
      bar->RotateCenter()->SetPoint({0.5f, 0.0f});
      bar->SetRotateAngle(180);
      panel->AddObject(bar);
      column.Bars[static_cast<std::size_t>(r)] = bar;
      column.Boxes[static_cast<std::size_t>(r)] = box;
    }
    columns_.push_back(column);
  }
}

void TPage_ACB::ShowIndicators() {
  const float scale = Model().ACB.FullScale > 0 ? barArea_ / static_cast<float>(Model().ACB.FullScale) : 0;
  const std::size_t live = std::min<std::size_t>(columns_.size(), ACBIndicatorCylinders);
  for (std::size_t c = 0; c < live; ++c)
    for (int r = 0; r < 3; ++r) {
      const std::int32_t v = Model().ACB.Indicators[c][static_cast<std::size_t>(r)];
      const float h = Model().ACB.FullScale > 0 && v >= Model().ACB.FullScale
                          ? barArea_
                          : std::max(0.0f, static_cast<float>(v) * scale);
      // Whole pixels: a change that would not show asks for no frame.
      columns_[c].Bars[static_cast<std::size_t>(r)]->SetHeight(std::round(h));
      columns_[c].Boxes[static_cast<std::size_t>(r)]->SetText(Wide(ACBIndicatorText(v)));
    }
}

void TPage_ACB::StartStopAutoCalibration() { app::StartStopAutoCalibration(); }
void TPage_ACB::AutoCalibrationReplyTick() { app::AutoCalibrationReplyTick(); }
void TPage_ACB::AutoCalibrationStep() { app::AutoCalibrationStep(); }
void TPage_ACB::AutoCalibrationWriteDone() { app::AutoCalibrationWriteDone(); }
void TPage_ACB::SetProgressMax(std::int32_t Max) { parts_.ProgressBar_3D_ACB->SetMax(static_cast<float>(Max)); }

void TPage_ACB::HudButton_ACB_StartClick(rtl::TObject*) { app::StartStopAutoCalibration(); }

void TPage_ACB::Release() {
  for (TACBColumn& c : columns_) {
    for (vg::TvxRectangle* b : c.Bars) delete b;
    for (vg::TvxHudTextBox* b : c.Boxes) delete b;
  }
  columns_.clear();
  for (vg::TvxHudLabel*& l : rowLabels_) {
    delete l;
    l = nullptr;
  }
}

}  // namespace app
