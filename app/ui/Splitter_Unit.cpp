// The main window's indicator column and its splitter: the column's width changes within
// fixed limits, and the tab control, the port panel and the work-mode panel follow by their
// horizontal scale; three small tracks under the column set the indicator name and value
// sizes and the program's font size.
#include <algorithm>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Session.h"
#include "app/ui/Main_3D_Unit.h"
#include "app/ui/Text_Fit.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"

namespace app {

namespace {

// The program-font track ends this far (window pixels) before the size grip.
constexpr float FontTrackGripGap = 4;
// The indicator texts and the port's quality keep this far from their panel's sides.
constexpr float IndicatorTextInset = 4;

vg::TvxHudTrack* MakeTrack(TForm_3D_GEN& Form, vg::TvxVisualObject* Parent, float X, float Y, float Width, float Min,
                           float Max, float Value, void (TForm_3D_GEN::*Handler)()) {
  auto* t = new vg::TvxHudTrack(&Form);
  t->SetCursor(win::crHandPoint);
  t->SetHeight(10);
  t->SetWidth(Width);
  t->Position()->SetPoint({X, Y});
  t->SetMin(Min);
  t->SetMax(Max);
  t->SetValue(Value);
  t->OnChange = [&Form, Handler](rtl::TObject*) { (Form.*Handler)(); };
  Parent->AddObject(t);
  return t;
}

// Horizontal scale such that the drawn width changes by Delta.
void ScaleBy(vg::TvxVisualObject* Object, float Delta) {
  const float w = Object->Width();
  if (w <= 0) return;
  Object->Scale()->SetX((w * Object->Scale()->X() + Delta) / w);
}

}  // namespace

void TForm_3D_GEN::CreateIndicatorTracks() {
  const TMainParts& p = parts_;
  vg::TvxVisualObject* column = p.HudPanel_IND;
  const float y = column->Position()->Y() + column->Height() - 2;
  const float half = column->Width() / 2;
  tracks_.NameSize = MakeTrack(*this, p.Layout_3D_GEN, column->Position()->X(), y, half, 6, 22,
                               Model().Settings.IndicatorNameFontSize, &TForm_3D_GEN::SetIndicatorNameFontSize);
  tracks_.DataSize = MakeTrack(*this, p.Layout_3D_GEN, column->Position()->X() + half, y, half, 6, 50,
                               Model().Settings.IndicatorDataFontSize, &TForm_3D_GEN::SetIndicatorDataFontSize);
  vg::TvxVisualObject* tabs = p.HudTabControl_GEN;
  tracks_.FontSize = MakeTrack(*this, p.Layout_3D_GEN, tabs->Position()->X(), y, tabs->Width(), 6, 20,
                               Model().Settings.Font_Size, &TForm_3D_GEN::SetProgramFontSize);
  FitFontTrack();
}

void TForm_3D_GEN::FitFontTrack() {
  vg::TvxHudTrack* track = tracks_.FontSize;
  vg::TvxVisualObject* tabs = parts_.HudTabControl_GEN;
  vg::TvxVisualObject* layout = parts_.Layout_3D_GEN;
  if (!track || !tabs || !layout || track->Scale()->X() <= 0) return;
  // In the layout's coordinates: the tab control's drawn right edge, and where the grip
  // (in the window's corner, over the layout's) begins, less a gap. The grip keeps its
  // distance to the window's right edge; while the window is being resized it may not
  // have moved yet, so its place is taken from the window's width.
  float right = tabs->Position()->X() + tabs->Width() * tabs->Scale()->X();
  if (vg::TvxVisualObject* grip = parts_.SizeGrip_3D_GEN; grip && grip->Visible() && layout->Scale()->X() > 0) {
    const float gripLeft = static_cast<float>(Width()) - gripFromRight_;
    right = std::min(right, (gripLeft - FontTrackGripGap - layout->Position()->X()) / layout->Scale()->X());
  }
  track->SetWidth(std::max(0.0f, (right - track->Position()->X()) / track->Scale()->X()));
}

void TForm_3D_GEN::SetIndicatorNameFontSize() {
  if (tracks_.NameSize) Model().Settings.IndicatorNameFontSize = tracks_.NameSize->Value();
  const float size = Model().Settings.IndicatorNameFontSize * IndicatorScale();
  for (vg::TvxHudLabel* l : parts_.IndicatorNames) l->Font()->SetSize(size);
}

void TForm_3D_GEN::SetIndicatorDataFontSize() {
  if (tracks_.DataSize) Model().Settings.IndicatorDataFontSize = tracks_.DataSize->Value();
  const float size = Model().Settings.IndicatorDataFontSize * IndicatorScale();
  for (vg::TvxHudLabel* l : parts_.IndicatorValues) l->Font()->SetSize(size);
}

void TForm_3D_GEN::SetProgramFontSize() {
  if (tracks_.FontSize) Model().Settings.Font_Size = tracks_.FontSize->Value();
  QueueAction(Action_ApplyFonts, 100);
}

void TForm_3D_GEN::ApplyIndicatorFontSizes() {
  // The tracks keep their values within their ranges; the sizes follow what they hold.
  if (tracks_.NameSize) tracks_.NameSize->SetValue(Model().Settings.IndicatorNameFontSize);
  if (tracks_.DataSize) tracks_.DataSize->SetValue(Model().Settings.IndicatorDataFontSize);
  SetIndicatorNameFontSize();
  SetIndicatorDataFontSize();
}

void TForm_3D_GEN::FitIndicatorPanels() {
  for (vg::TvxHudPanel* panel : parts_.IndicatorPanels) panel->SetWidth(parts_.HudPanel_IND->Width());
}

void TForm_3D_GEN::FitIndicatorLabels() {
  // As wide as the panel; their styles keep the texts off its sides (HudLabel_INDApplyResource).
  const float w = parts_.HudPanel_IND->Width();
  for (vg::TvxHudLabel* l : parts_.IndicatorNames) l->SetWidth(w);
  for (vg::TvxHudLabel* l : parts_.IndicatorValues) l->SetWidth(w);
}

void TForm_3D_GEN::HudLabel_INDApplyResource(rtl::TObject* Sender) {
  auto* label = dynamic_cast<vg::TvxControl*>(Sender);
  if (vg::TvxVisualObject* style = label ? label->Style() : nullptr) {
    style->Padding()->SetLeft(IndicatorTextInset);
    style->Padding()->SetRight(IndicatorTextInset);
  }
}

void TForm_3D_GEN::FitPortPanel() {
  const TMainParts& p = parts_;
  const float w = p.HudPanel_IND->Width();
  p.HudPanel_Port->SetWidth(w);
  p.HudPanel_Port_Condition->SetWidth(w - 10);
  p.HudButton_Port_Search->SetWidth(w - 10);
  p.HudLabel_DynamicIND->SetWidth(w);
  for (vg::TvxVisualObject* o : {static_cast<vg::TvxVisualObject*>(p.HudPanel_Port_Condition),
                                 static_cast<vg::TvxVisualObject*>(p.HudButton_Port_Search),
                                 static_cast<vg::TvxVisualObject*>(p.HudLabel_DynamicIND)})
    o->Position()->SetX((w - o->Width()) / 2);
  // The quality keeps its place at the row's right edge; the name has the room up to it.
  vg::TvxHudLabel* quality = p.HudLabel_Port_Connect_Stabil;
  vg::TvxHudLabel* name = p.HudLabel_Port_Name;
  quality->Position()->SetX(p.HudPanel_Port_Condition->Width() - quality->Width() - IndicatorTextInset);
  name->SetWidth(std::max(quality->Position()->X() - name->Position()->X(), 0.0f));
  FitPortName();
  FitStatusLine();
}

void TForm_3D_GEN::ShowPortName(const std::u16string& Name) {
  portName_ = Name;
  FitPortName();
}

void TForm_3D_GEN::FitPortName() {
  vg::TvxHudLabel* label = parts_.HudLabel_Port_Name;
  const std::u16string text = FitLabelText(label, portName_);
  if (label->Text() != text) label->SetText(text);
}

void TForm_3D_GEN::ShowStatusLine(const std::u16string& Text) {
  statusLine_ = Text;
  FitStatusLine();
}

void TForm_3D_GEN::FitStatusLine() {
  vg::TvxHudLabel* label = parts_.HudLabel_DynamicIND;
  const std::u16string text = FitLabelLines(label, statusLine_);
  if (label->Text() != text) label->SetText(text);
}

void TForm_3D_GEN::FitPultPanel() {
  const TMainParts& p = parts_;
  const float w = p.HudPanel_IND->Width();
  p.HudPanel_Pult->SetWidth(w);
  p.HudLabel_Work_Mode->SetWidth(w);
  p.HudButton_Work_Mode->SetWidth(w - 10);
  for (vg::TvxVisualObject* o : {static_cast<vg::TvxVisualObject*>(p.HudLabel_Work_Mode),
                                 static_cast<vg::TvxVisualObject*>(p.HudButton_Work_Mode)})
    o->Position()->SetX((w - o->Width()) / 2);
}

void TForm_3D_GEN::MoveSplitter(float Delta) {
  const TMainParts& p = parts_;
  const float w = p.HudPanel_IND->Width();
  // Not a partial move: a width at or beyond a limit (or no number at all) leaves all as it is.
  if (!(w + Delta < static_cast<float>(IndicatorWidthHigh) && w + Delta > static_cast<float>(IndicatorWidthLow)))
    return;
  p.HudPanel_IND->SetWidth(w + Delta);
  p.HudPanel_Splitter->Position()->SetX(p.HudPanel_IND->Position()->X() + p.HudPanel_IND->Width());
  p.HudTabControl_GEN->Position()->SetX(p.HudPanel_Splitter->Position()->X() + p.HudPanel_Splitter->Width());
  ScaleBy(p.HudTabControl_GEN, -Delta);
  ScaleBy(p.HudPanel_Port, Delta);
  ScaleBy(p.HudPanel_Pult, Delta);
  FitIndicatorPanels();
  FitIndicatorLabels();
  if (tracks_.NameSize && tracks_.DataSize && tracks_.FontSize) {
    tracks_.NameSize->SetWidth(p.HudPanel_IND->Width() / 2);
    tracks_.DataSize->SetWidth(p.HudPanel_IND->Width() / 2);
    tracks_.DataSize->Position()->SetX(tracks_.NameSize->Position()->X() + tracks_.NameSize->Width());
    ScaleBy(tracks_.FontSize, -Delta);
    tracks_.FontSize->Position()->SetX(p.HudPanel_IND->Position()->X() + p.HudPanel_IND->Width() +
                                       p.HudPanel_Splitter->Width());
    FitFontTrack();
  }
}

void TForm_3D_GEN::Splitter_GENMouseDown(rtl::TObject*, rtl::TMouseButton Button, rtl::TShiftState, float, float) {
  if (Button == rtl::mbLeft) splitterDragging_ = true;
}

void TForm_3D_GEN::Splitter_GENMouseMove(rtl::TObject*, rtl::TShiftState, float X, float, float, float) {
  if (splitterDragging_) MoveSplitter(X);
}

void TForm_3D_GEN::Splitter_GENMouseUp(rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) {
  splitterDragging_ = false;
}

}  // namespace app
