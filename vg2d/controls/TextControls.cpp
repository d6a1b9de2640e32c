#include "vg2d/controls/TextControls.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/Registry.h"

namespace vg {

std::u16string PropValueToText(const rtl::TPropValue& Value) {
  if (const auto* w = std::get_if<std::u16string>(&Value)) return *w;
  if (const auto* s = std::get_if<std::string>(&Value)) return rtl::Utf8ToWide(*s);
  if (const auto* i = std::get_if<int64_t>(&Value)) return rtl::Utf8ToWide(std::to_string(*i));
  if (const auto* b = std::get_if<bool>(&Value)) return *b ? u"True" : u"False";
  if (const auto* d = std::get_if<double>(&Value)) return rtl::Utf8ToWide(rtl::FloatToStr(*d));
  return {};
}

// ---- TvxTextControl ----------------------------------------------------------------------------

rtl::TClass TvxTextControl::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxTextControl>().Build();
  return &info;
}

TvxTextControl::TvxTextControl(rtl::TComponent* AOwner)
    : TvxControl(AOwner),
      font_(std::make_unique<TvxFont>()),
      fontFill_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u)) {
  font_->OnChange = rtl::TNotifyEvent(this, &TvxTextControl::FontChanged);
  fontFill_->OnChange = rtl::TNotifyEvent(this, &TvxTextControl::FontFillChanged);
}

TvxTextControl::~TvxTextControl() = default;

TvxText* TvxTextControl::TextPart() { return FindPart<TvxText>(this, "text"); }

void TvxTextControl::SetText(const std::u16string& Value) {
  text_ = Value;
  if (TvxText* part = TextPart()) {
    part->SetText(text_);
  } else if (auto* whole = dynamic_cast<TvxText*>(Style())) {
    whole->SetText(text_);
  } else {
    Repaint();
  }
}

void TvxTextControl::SetTextAlign(TvxTextAlign Value) {
  textAlign_ = Value;
  if (TvxText* part = TextPart())
    part->SetHorzTextAlign(Value);
  else
    Repaint();
}

void TvxTextControl::SetVertTextAlign(TvxTextAlign Value) {
  vertTextAlign_ = Value;
  if (TvxText* part = TextPart())
    part->SetVertTextAlign(Value);
  else
    Repaint();
}

void TvxTextControl::SetWordWrap(bool Value) {
  wordWrap_ = Value;
  if (TvxText* part = TextPart()) part->SetWordWrap(Value);
}

void TvxTextControl::SetTrimmed(bool Value) {
  trimmed_ = Value;
  if (TvxText* part = TextPart()) part->SetTrimmed(Value);
}

void TvxTextControl::FontChanged(rtl::TObject*) {
  if (TvxText* part = TextPart()) part->SetFont(font_.get());
}

void TvxTextControl::FontFillChanged(rtl::TObject*) {
  if (TvxText* part = TextPart()) part->SetFill(fontFill_.get());
}

rtl::TPropValue TvxTextControl::GetData() { return text_; }

void TvxTextControl::SetData(const rtl::TPropValue& Value) { SetText(PropValueToText(Value)); }

void TvxTextControl::ApplyStyle() {
  const bool wasApplying = applyingStyle_;
  applyingStyle_ = true;
  struct TDone {
    bool& Flag;
    bool Old;
    ~TDone() { Flag = Old; }
  } done{applyingStyle_, wasApplying};
  inherited::ApplyStyle();
  if (auto* foreground = FindPart<TvxBrushObject>(this, "foreground")) SetFontFill(foreground->Brush());
  if (TvxText* part = TextPart()) {
    part->SetText(text_);
    part->SetHorzTextAlign(textAlign_);
    part->SetVertTextAlign(vertTextAlign_);
    part->SetWordWrap(wordWrap_);
    part->SetTrimmed(trimmed_);
    part->SetFont(font_.get());
  }
  if (AutoTranslate()) {
    std::u16string translated = TranslateText(text_);
    if (!Designing()) SetText(translated);
  }
}

// ---- TvxLabel ----------------------------------------------------------------------------------

rtl::TClass TvxLabel::StaticClass() {
  using L = TvxLabel;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("AutoSize", &L::AutoSize, &L::SetAutoSize)
                                          .Default(false)
                                          .Property("AutoTranslate", &L::AutoTranslate, &L::SetAutoTranslate)
                                          .Default(true)
                                          .Property("BindingSource", &L::BindingSource, &L::SetBindingSource)
                                          .Property("Font", &L::Font, &L::SetFont)
                                          .Property("TextAlign", &L::TextAlign, &L::SetTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Property("Text", &L::Text, &L::SetText)
                                          .Property("HitTest", &L::HitTest, &L::SetHitTest)
                                          .Default(false)
                                          .Property("WordWrap", &L::WordWrap, &L::SetWordWrap)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxLabel::TvxLabel(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetAutoTranslate(true);
  SetHitTest(false);
  SetWidth(120);
  SetHeight(15);
}

void TvxLabel::SetText(const std::u16string& Value) {
  const bool changed = Value != Text();
  TvxTextControl::SetText(Value);
  if (changed && autoSize_ && !ApplyingStyle()) ApplyStyle();
}

void TvxLabel::SetWordWrap(bool Value) {
  if (Value == labelWordWrap_) return;
  labelWordWrap_ = Value;
  if (TvxText* part = TextPart()) part->SetWordWrap(Value);
}

void TvxLabel::SetAutoSize(bool Value) {
  if (Value == autoSize_) return;
  autoSize_ = Value;
  if (autoSize_) ApplyStyle();
}

void TvxLabel::ApplyStyle() {
  TvxTextControl::ApplyStyle();
  TvxText* part = TextPart();
  if (part) part->SetWordWrap(labelWordWrap_);
  if (!autoSize_) return;
  labelWordWrap_ = false;
  if (!part) return;
  part->SetWordWrap(false);
  part->SetVertTextAlign(vgTextAlignNear);
  part->SetHorzTextAlign(vgTextAlignNear);
  const TvxAlign align = part->Align();
  part->SetAlign(vaNone);
  part->SetAutoSize(true);
  SetWidth(part->Width());
  SetHeight(part->Height());
  part->SetAutoSize(false);
  part->SetAlign(align);
}

// ---- TvxHudLabel, TvxValueLabel ----------------------------------------------------------------

rtl::TClass TvxHudLabel::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudLabel>().Build();
  return &info;
}

rtl::TClass TvxValueLabel::StaticClass() {
  using L = TvxValueLabel;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("AutoTranslate", &L::AutoTranslate, &L::SetAutoTranslate)
                                          .Default(false)
                                          .Property("WordWrap", &L::WordWrap, &L::SetWordWrap)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxValueLabel::TvxValueLabel(rtl::TComponent* AOwner) : TvxLabel(AOwner) {
  SetAutoTranslate(false);
  SetWordWrap(false);
}

// ---- panels ------------------------------------------------------------------------------------

rtl::TClass TvxPanel::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPanel>().Build();
  return &info;
}

TvxPanel::TvxPanel(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetWidth(120);
  SetHeight(100);
}

rtl::TClass TvxHudPanel::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudPanel>().Build();
  return &info;
}

// ---- status and tool bars ----------------------------------------------------------------------

rtl::TClass TvxStatusBar::StaticClass() {
  using S = TvxStatusBar;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("Align", &S::Align, &S::SetAlign)
                                          .Default(vaBottom)
                                          .Property("ShowSizeGrip", &S::ShowSizeGrip, &S::SetShowSizeGrip)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxStatusBar::TvxStatusBar(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetHeight(22);
  SetAlign(vaBottom);
}

void TvxStatusBar::SetShowSizeGrip(bool Value) {
  if (Value == showSizeGrip_) return;
  showSizeGrip_ = Value;
  SetResource(Resource());
}

void TvxStatusBar::ApplyStyle() {
  inherited::ApplyStyle();
  auto* grip = FindPart<TvxVisualObject>(this, "sizegrip");
  if (!grip) return;
  grip->SetVisible(showSizeGrip_);
  if (Scene() && !Scene()->GetDesignTime()) {
    grip->SetLocked(false);
    grip->SetHitTest(true);
  }
}

rtl::TClass TvxHudStatusBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudStatusBar>().Build();
  return &info;
}

rtl::TClass TvxToolBar::StaticClass() {
  using T = TvxToolBar;
  static const rtl::TClassInfo info =
      rtl::DefineClass<T>().Property("Align", &T::Align, &T::SetAlign).Default(vaTop).Build();
  return &info;
}

TvxToolBar::TvxToolBar(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetHeight(40);
  SetAlign(vaTop);
}

// ---- TvxSelectionItem --------------------------------------------------------------------------

rtl::TClass TvxSelectionItem::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxSelectionItem>().Build();
  return &info;
}

TvxSelectionItem::TvxSelectionItem(rtl::TComponent* AOwner) : TvxControl(AOwner) { SetHitTest(false); }

void TvxSelectionItem::PaintChildren() {
  if (!Designing()) inherited::PaintChildren();
}

}  // namespace vg
