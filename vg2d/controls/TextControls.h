// The controls with a caption and the plain containers: the text control (base of every
// control that shows a text), labels, panels, status and tool bars and the selection item,
// with their Hud twins. A Hud class has no code of its own: its class name picks another
// style ("TvxHudLabel" looks for "HudLabelstyle").
//
// A text control keeps its caption, font, alignment, word wrap and text colour itself and
// pushes each into the style's part "text" (a TvxText) whenever the part exists; without
// it a setter only stores and repaints, and the stored values reach the part when a style
// is applied later. A style may also name the text colour in a brush object "foreground".
#pragma once

#include <memory>
#include <string>

#include "vg2d/core/Controls.h"
#include "vg2d/core/TextShape.h"

namespace vg {

class TvxTextControl : public TvxControl {
  RTL_CLASS(TvxTextControl, TvxControl)
public:
  explicit TvxTextControl(rtl::TComponent* AOwner);
  ~TvxTextControl() override;

  const std::u16string& Text() const { return text_; }
  // Stores the text, then shows it in the part "text" (or in the style itself when the
  // style is a text), else repaints.
  virtual void SetText(const std::u16string& Value);
  TvxFont* Font() const { return font_.get(); }
  // Copies Value into the own font, which passes it on (FontChanged).
  void SetFont(TvxFont* Value) { font_->Assign(Value); }
  TvxTextAlign TextAlign() const { return textAlign_; }
  void SetTextAlign(TvxTextAlign Value);
  // Not published: the vertical alignment handed to the part.
  TvxTextAlign VertTextAlign() const { return vertTextAlign_; }
  void SetVertTextAlign(TvxTextAlign Value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  // Not published: the text kept within the part "text" (TvxText::Trimmed), handed to the
  // part whenever the style is applied.
  bool Trimmed() const { return trimmed_; }
  void SetTrimmed(bool Value);
  // The text colour (solid black at creation); every change goes into the Fill of the
  // part "text". A style's brush object "foreground" replaces it when the style is applied.
  TvxBrush* FontFill() const { return fontFill_.get(); }
  void SetFontFill(TvxBrush* Value) { fontFill_->Assign(Value); }

  // The data of a text control is its text.
  rtl::TPropValue GetData() override;
  // Nothing gives the empty text; any other value its text form.
  void SetData(const rtl::TPropValue& Value) override;
  bool GetActionText(std::u16string& Value) const override {
    Value = text_;
    return true;
  }
  void SetActionText(const std::u16string& Value) override { SetText(Value); }

protected:
  // Takes the text colour from the part "foreground", pushes text, alignment, word wrap
  // and font into the part "text", and with AutoTranslate replaces the caption by its
  // translation (not at design time).
  void ApplyStyle() override;
  virtual void FontChanged(rtl::TObject* Sender);
  // The part "text" when it is a text shape.
  TvxText* TextPart();
  // While ApplyStyle runs: a setter that would apply the style again does not.
  bool ApplyingStyle() const { return applyingStyle_; }

private:
  void FontFillChanged(rtl::TObject* Sender);

  std::u16string text_;
  const std::unique_ptr<TvxFont> font_;
  const std::unique_ptr<TvxBrush> fontFill_;
  TvxTextAlign textAlign_ = vgTextAlignCenter;
  TvxTextAlign vertTextAlign_ = vgTextAlignCenter;
  bool wordWrap_ = false;
  bool trimmed_ = false;
  bool applyingStyle_ = false;
};

// A caption. Its word wrap (on at creation) is its own and is pushed after the text
// control's. With AutoSize the label takes the size of its text, measured without word
// wrap, each time the style is applied and each time the text changes.
class TvxLabel : public TvxTextControl {
  RTL_CLASS(TvxLabel, TvxTextControl)
public:
  explicit TvxLabel(rtl::TComponent* AOwner);

  // A different text with AutoSize on fits the label to it.
  void SetText(const std::u16string& Value) override;
  bool WordWrap() const { return labelWordWrap_; }
  void SetWordWrap(bool Value);
  bool AutoSize() const { return autoSize_; }
  // Turning it on fits the label to its text at once.
  void SetAutoSize(bool Value);

protected:
  void ApplyStyle() override;

private:
  bool labelWordWrap_ = true;
  bool autoSize_ = false;
};

class TvxHudLabel : public TvxLabel {
  RTL_CLASS(TvxHudLabel, TvxLabel)
public:
  using TvxLabel::TvxLabel;
};

// A label for values: neither translated nor wrapped.
class TvxValueLabel : public TvxLabel {
  RTL_CLASS(TvxValueLabel, TvxLabel)
public:
  explicit TvxValueLabel(rtl::TComponent* AOwner);
};

class TvxPanel : public TvxControl {
  RTL_CLASS(TvxPanel, TvxControl)
public:
  explicit TvxPanel(rtl::TComponent* AOwner);
};

class TvxHudPanel : public TvxPanel {
  RTL_CLASS(TvxHudPanel, TvxPanel)
public:
  using TvxPanel::TvxPanel;
};

// A bar at the bottom of its parent. Its style's part "sizegrip" shows while ShowSizeGrip;
// outside design time the grip takes the mouse itself (the host resizes the window).
class TvxStatusBar : public TvxControl {
  RTL_CLASS(TvxStatusBar, TvxControl)
public:
  explicit TvxStatusBar(rtl::TComponent* AOwner);
  bool ShowSizeGrip() const { return showSizeGrip_; }
  // A change applies the style again.
  void SetShowSizeGrip(bool Value);

protected:
  void ApplyStyle() override;

private:
  bool showSizeGrip_ = true;
};

class TvxHudStatusBar : public TvxStatusBar {
  RTL_CLASS(TvxHudStatusBar, TvxStatusBar)
public:
  using TvxStatusBar::TvxStatusBar;
};

// A bar at the top of its parent.
class TvxToolBar : public TvxControl {
  RTL_CLASS(TvxToolBar, TvxControl)
public:
  explicit TvxToolBar(rtl::TComponent* AOwner);
};

// The frame of a selection: its children show only outside design time.
class TvxSelectionItem : public TvxControl {
  RTL_CLASS(TvxSelectionItem, TvxControl)
public:
  explicit TvxSelectionItem(rtl::TComponent* AOwner);
  void PaintChildren() override;
};

}  // namespace vg
