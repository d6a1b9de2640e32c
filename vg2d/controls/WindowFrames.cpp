#include "vg2d/controls/WindowFrames.h"

#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/Shapes.h"

namespace vg {

// ---- TvxWindow ---------------------------------------------------------------------------------

rtl::TClass TvxWindow::StaticClass() {
  using W = TvxWindow;
  static const rtl::TClassInfo info = rtl::DefineClass<W>()
                                          .Property("ShowCloseButton", &W::ShowCloseButton, &W::SetShowCloseButton)
                                          .Default(true)
                                          .Property("ShowSizeGrip", &W::ShowSizeGrip, &W::SetShowSizeGrip)
                                          .Default(true)
                                          .Event("OnCloseClick", &W::OnCloseClick)
                                          .Property("AutoTranslate", &W::AutoTranslate, &W::SetAutoTranslate)
                                          .Default(true)
                                          .Property("Font", &W::Font, &W::SetFont)
                                          .Property("TextAlign", &W::TextAlign, &W::SetTextAlign)
                                          .Default(vgTextAlignNear)
                                          .Property("Text", &W::Text, &W::SetText)
                                          .Property("Resource", &W::Resource, &W::SetResource)
                                          .Build();
  return &info;
}

TvxWindow::TvxWindow(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetAutoTranslate(true);
  SetHitTest(false);
  SetTextAlign(vgTextAlignNear);
  SetWidth(200);
  SetHeight(200);
}

void TvxWindow::SetStyleFlag(bool& Field, bool Value) {
  if (Field == Value) return;
  Field = Value;
  SetResource(Resource());
}

void TvxWindow::SetShowCloseButton(bool Value) { SetStyleFlag(showCloseButton_, Value); }
void TvxWindow::SetShowSizeGrip(bool Value) { SetStyleFlag(showSizeGrip_, Value); }

void TvxWindow::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* close = FindPart<TvxVisualObject>(this, "close")) {
    close->SetVisible(showCloseButton_);
    if (auto* button = dynamic_cast<TvxCloseButton*>(close); button && OnCloseClick) {
      button->SetCloseForm(false);
      button->OnClick = OnCloseClick;
    }
  }
  if (auto* grip = FindPart<TvxVisualObject>(this, "sizegrip")) grip->SetVisible(showSizeGrip_);
}

// ---- TvxHudWindow ------------------------------------------------------------------------------

rtl::TClass TvxHudWindow::StaticClass() {
  using W = TvxHudWindow;
  static const rtl::TClassInfo info =
      rtl::DefineClass<W>()
          .Property("DisableShadowOnOSX", &W::DisableShadowOnOSX, &W::SetDisableShadowOnOSX)
          .Default(true)
          .Property("ButtonAlign", &W::ButtonAlign, &W::SetButtonAlign)
          .Default(vgButtonAlignLeft)
          .Property("Fill", &W::Fill, &W::SetFill)
          .Property("Stroke", &W::Stroke, &W::SetStroke)
          .Property("StrokeThickness", &W::StrokeThickness, &W::SetStrokeThickness)
          .Stored(&W::ThicknessStored)
          .Property("StrokeCap", &W::StrokeCap, &W::SetStrokeCap)
          .Default(vgCapFlat)
          .Property("StrokeDash", &W::StrokeDash, &W::SetStrokeDash)
          .Default(vgDashSolid)
          .Property("StrokeJoin", &W::StrokeJoin, &W::SetStrokeJoin)
          .Default(vgJoinMiter)
          .Property("ShowCaption", &W::ShowCaption, &W::SetShowCaption)
          .Default(true)
          .Build();
  return &info;
}

TvxHudWindow::TvxHudWindow(rtl::TComponent* AOwner)
    : TvxWindow(AOwner),
      fill_(std::make_unique<TvxBrush>(vgBrushSolid, 0xEA2F2F2Fu)),
      stroke_(std::make_unique<TvxBrush>(vgBrushSolid, 0x5B000000u)) {
  fill_->OnChange = rtl::TNotifyEvent(this, &TvxHudWindow::BrushChanged);
  stroke_->OnChange = rtl::TNotifyEvent(this, &TvxHudWindow::BrushChanged);
  Font()->SetStyle(vgFontBold);
}

TvxHudWindow::~TvxHudWindow() = default;

template <class V>
void TvxHudWindow::SetLookValue(V& Field, V Value) {
  if (Field == Value) return;
  Field = Value;
  if (!Loading()) ApplyStyle();
}

void TvxHudWindow::SetButtonAlign(TvxCloseAlign Value) { SetLookValue(buttonAlign_, Value); }
void TvxHudWindow::SetStrokeThickness(float Value) { SetLookValue(strokeThickness_, Value); }
void TvxHudWindow::SetStrokeCap(TvxStrokeCap Value) { SetLookValue(strokeCap_, Value); }
void TvxHudWindow::SetStrokeDash(TvxStrokeDash Value) { SetLookValue(strokeDash_, Value); }
void TvxHudWindow::SetStrokeJoin(TvxStrokeJoin Value) { SetLookValue(strokeJoin_, Value); }
void TvxHudWindow::SetShowCaption(bool Value) { SetLookValue(showCaption_, Value); }

void TvxHudWindow::BrushChanged(rtl::TObject*) {
  if (!Loading()) ApplyStyle();
}

void TvxHudWindow::ApplyStyle() {
  inherited::ApplyStyle();
  const float t = strokeThickness_;
  if (auto* close = FindPart<TvxCloseButton>(this, "close")) {
    close->SetAlign(buttonAlign_ == vgButtonAlignRight ? vaRight : vaLeft);
    if (close->Visible()) {
      close->SetVisible(showCaption_);
      close->SetDesignHide(!showCaption_);
    }
  }
  if (auto* back = FindPart<TvxShape>(this, "back")) back->SetFill(fill_.get());
  if (auto* frame = FindPart<TvxShape>(this, "stroke")) {
    frame->SetStroke(stroke_.get());
    frame->SetStrokeThickness(t);
    frame->SetStrokeCap(strokeCap_);
    frame->SetStrokeDash(strokeDash_);
    frame->SetStrokeJoin(strokeJoin_);
    frame->Margins()->SetRect({t, t, t, t});
  }
  if (auto* caption = FindPart<TvxVisualObject>(this, "caption")) {
    caption->SetHeight(20 + t);
    caption->Padding()->SetRect({t, t, t, 0});
    caption->SetVisible(showCaption_);
    caption->SetDesignHide(!showCaption_);
  }
  if (auto* text = FindPart<TvxVisualObject>(this, "text")) {
    text->SetVisible(showCaption_);
    text->SetDesignHide(!showCaption_);
  }
}

}  // namespace vg
