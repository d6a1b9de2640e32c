// The main window's caption icons: minimise and full screen, two small circles in the top
// right corner of the Hud window built from 2D shapes. They brighten under the pointer and
// queue the window actions when pressed; the full-screen icon shows a window frame with a bar
// in windowed mode and two overlapping frames in full screen.
#include "app/core/Global_Unit.h"
#include "app/ui/Main_3D_Unit.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Shapes.h"

namespace app {

namespace {

constexpr float IconSize = 17;
constexpr float IconOpacity = 0.6f;
constexpr float IconTop = 15;
constexpr float MinimizeFromRight = 73;
constexpr float FullScreenFromRight = 54;

template <class T>
T* Shape(TForm_3D_GEN& Form, vg::TvxVisualObject* Parent, float X, float Y, float W, float H) {
  auto* s = new T(&Form);
  s->Position()->SetPoint({X, Y});
  s->SetWidth(W);
  s->SetHeight(H);
  Parent->AddObject(s);
  return s;
}

vg::TvxCircle* Icon(TForm_3D_GEN& Form, vg::TvxVisualObject* Window, float FromRight) {
  auto* c = Shape<vg::TvxCircle>(Form, Window, static_cast<float>(Form.Width()) - FromRight, IconTop, IconSize,
                                 IconSize);
  c->Fill()->SetColor("#FFFFFFFF");
  c->Stroke()->SetColor("#FFFFFFFF");
  c->SetStrokeThickness(0);
  c->SetOpacity(IconOpacity);
  return c;
}

vg::TvxLine* Bar(TForm_3D_GEN& Form, vg::TvxVisualObject* Icon, float X, float Y) {
  auto* l = Shape<vg::TvxLine>(Form, Icon, X, Y, 11, 2);
  l->SetLineType(vg::vgLineHorizontal);
  l->SetStrokeThickness(3);
  l->SetStrokeDash(vg::vgDashSolid);
  l->Stroke()->SetColor("#FF000000");
  return l;
}

vg::TvxCalloutRectangle* Frame(TForm_3D_GEN& Form, vg::TvxVisualObject* Icon, float X, float Y, float W, float H) {
  auto* r = Shape<vg::TvxCalloutRectangle>(Form, Icon, X, Y, W, H);
  r->SetHitTest(false);
  r->Fill()->SetStyle(vg::vgBrushNone);
  r->Stroke()->SetColor("#FF000000");
  r->SetStrokeThickness(2);
  r->SetVisible(false);
  return r;
}

}  // namespace

void TForm_3D_GEN::CreateCaptionIcons() {
  vg::TvxVisualObject* window = parts_.HudWindow_3D_GEN;
  icons_.Minimize = Icon(*this, window, MinimizeFromRight);
  icons_.MinimizeGlyph = Bar(*this, icons_.Minimize, 3, 11);
  icons_.FullScreen = Icon(*this, window, FullScreenFromRight);
  icons_.WindowBar = Bar(*this, icons_.FullScreen, 3, 3);
  icons_.WindowBar->SetVisible(false);
  icons_.WindowFrame = Frame(*this, icons_.FullScreen, 3, 3, 11, 12);
  icons_.RestoreFrame1 = Frame(*this, icons_.FullScreen, 6, 3, 8, 9);
  icons_.RestoreFrame2 = Frame(*this, icons_.FullScreen, 3, 6, 8, 9);
  // Each icon and every glyph on it carries the same three handlers.
  for (vg::TvxVisualObject* o :
       {static_cast<vg::TvxVisualObject*>(icons_.Minimize), static_cast<vg::TvxVisualObject*>(icons_.MinimizeGlyph),
        static_cast<vg::TvxVisualObject*>(icons_.FullScreen), static_cast<vg::TvxVisualObject*>(icons_.WindowBar),
        icons_.WindowFrame, icons_.RestoreFrame1, icons_.RestoreFrame2}) {
    o->OnMouseMove = vg::TvxMouseMoveEvent(this, &TForm_3D_GEN::IconMouseMove);
    o->OnMouseLeave = rtl::TNotifyEvent(this, &TForm_3D_GEN::IconMouseLeave);
    o->OnMouseDown = vg::TvxMouseEvent(this, &TForm_3D_GEN::IconMouseDown);
  }
}

vg::TvxCircle* TForm_3D_GEN::IconOf(rtl::TObject* Sender) const {
  if (Sender == icons_.Minimize || Sender == icons_.MinimizeGlyph) return icons_.Minimize;
  if (Sender == icons_.FullScreen || Sender == icons_.WindowBar || Sender == icons_.WindowFrame ||
      Sender == icons_.RestoreFrame1 || Sender == icons_.RestoreFrame2)
    return icons_.FullScreen;
  return nullptr;
}

void TForm_3D_GEN::IconMouseMove(rtl::TObject* Sender, rtl::TShiftState, float, float, float, float) {
  if (vg::TvxCircle* icon = IconOf(Sender)) icon->SetOpacity(1.0f);
}

void TForm_3D_GEN::IconMouseLeave(rtl::TObject* Sender) {
  if (vg::TvxCircle* icon = IconOf(Sender)) icon->SetOpacity(IconOpacity);
}

void TForm_3D_GEN::IconMouseDown(rtl::TObject* Sender, rtl::TMouseButton, rtl::TShiftState, float, float) {
  vg::TvxCircle* icon = IconOf(Sender);
  if (icon == icons_.Minimize) QueueAction(Action_Minimize, 100);
  else if (icon == icons_.FullScreen) QueueAction(Action_ToggleFullScreen, 100);
}

void TForm_3D_GEN::ShowCaptionIconState(bool FullScreen) {
  if (!icons_.FullScreen) return;
  icons_.WindowBar->SetVisible(!FullScreen);
  icons_.WindowFrame->SetVisible(!FullScreen);
  icons_.RestoreFrame1->SetVisible(FullScreen);
  icons_.RestoreFrame2->SetVisible(FullScreen);
}

void TForm_3D_GEN::PlaceCaptionIcons() {
  if (!icons_.Minimize) return;
  const auto w = static_cast<float>(Width());
  icons_.Minimize->Position()->SetX(w - MinimizeFromRight);
  icons_.FullScreen->Position()->SetX(w - FullScreenFromRight);
}

void TForm_3D_GEN::FreeCaptionIcons() {
  // Freeing an icon frees the glyphs on it.
  delete icons_.Minimize;
  delete icons_.FullScreen;
  icons_ = {};
}

}  // namespace app
