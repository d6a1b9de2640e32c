// TvxText: a wide string drawn with a font and the shape's fill, aligned in its bounds,
// optionally word-wrapped, resized to its text (AutoSize), scaled to fill its bounds
// (Stretch) or kept within them (Trimmed). The layout itself (line breaking, line height,
// measuring) is the canvas's.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "vg2d/core/Shapes.h"

namespace vg {

class TvxText : public TvxShape {
  RTL_CLASS(TvxText, TvxShape)
public:
  explicit TvxText(rtl::TComponent* AOwner);

  const std::u16string& Text() const { return text_; }
  void SetText(const std::u16string& Value);
  TvxFont* Font() const { return font_.get(); }
  // Copies Value into the own font.
  void SetFont(TvxFont* Value);
  TvxTextAlign HorzTextAlign() const { return horzTextAlign_; }
  void SetHorzTextAlign(TvxTextAlign Value) { SetField(horzTextAlign_, Value, &TvxText::LayoutChanged); }
  TvxTextAlign VertTextAlign() const { return vertTextAlign_; }
  void SetVertTextAlign(TvxTextAlign Value) { SetField(vertTextAlign_, Value, &TvxText::LayoutChanged); }
  bool WordWrap() const { return wordWrap_; }
  // Repaints; an auto-sized text is measured again at its next realign or change.
  void SetWordWrap(bool Value) { SetField(wordWrap_, Value, &TvxText::LayoutChanged); }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  bool Stretch() const { return stretch_; }
  // Switching Stretch on switches AutoSize off.
  void SetStretch(bool Value);
  // The text stays within its bounds: across exactly, up and down with the margin the
  // glyphs' edges need; a line without word wrap that is wider is cut at its end with an
  // ellipsis ("…"), as much of it as fits. Off by default (drawn unclipped).
  bool Trimmed() const { return trimmed_; }
  void SetTrimmed(bool Value) { SetField(trimmed_, Value, &TvxText::LayoutChanged); }
  // What is drawn: the text, or with Trimmed the line cut to the bounds' width, measured at
  // the scale and turn the text is drawn with.
  const std::u16string& ShownText();

  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;
  void Paint() override;
  void Realign() override;
  // The bounds united with where the laid-out text reaches (text is drawn unclipped, so a
  // text larger than its bounds paints outside them), with a margin for the glyphs' edges.
  // Measured with the canvas when the text, font, alignment, wrapping or size changed.
  TvxRect GetPaintRect() override;
  bool PaintsOutsideBounds() const override { return !text_.empty() && !stretch_; }
  // The absolute rectangle of the paint rectangle: what the text covers.
  TvxRect GetReachRect() override;
  // With AutoSize, a text without word wrap takes its measured width plus half the font
  // size; unless centred vertically, it takes its measured height.
  void AdjustSize();

protected:
  virtual void FontChanged(rtl::TObject* Sender);

private:
  // The text's layout changed: it is measured again and repainted.
  void LayoutChanged();
  // The rectangle a trimmed text is clipped to: the bounds, with the glyph margin above and
  // below.
  TvxRect TrimRect() const;
  // Where Text lies as one line in the bounds (no margin), measured with C's font.
  TvxRect LineRect(TvxCanvas* C, const std::u16string& Text);
  // Where a single line changed from Old to the text now, in own coordinates and with the
  // paint rectangle's margin. The characters both share at the start (and at the end while
  // the line keeps its place on that side) stay where they were and are left out, less two
  // on each side for glyphs that join or kern with their neighbours. False where that cannot
  // be told: wrapped, stretched or auto-sized text, a scaled or turned drawing, scripts
  // written or shaped otherwise than left to right glyph by glyph, control characters.
  bool ChangedSpan(const std::u16string& Old, TvxRect& Span);

  std::u16string text_;
  const std::unique_ptr<TvxFont> font_;
  TvxTextAlign vertTextAlign_ = vgTextAlignCenter;
  TvxTextAlign horzTextAlign_ = vgTextAlignCenter;
  bool wordWrap_ = true;
  bool autoSize_ = false;
  bool stretch_ = false;
  bool trimmed_ = false;
  bool adjusting_ = false;
  std::u16string shownText_;  // ShownText, valid while the width and the scale and turn are these
  float shownWidth_ = -1;
  std::array<float, 4> shownTurn_{};
  TvxRect paintRect_;  // GetPaintRect, valid while paintRectSize_ is the size
  TvxPoint paintRectSize_{-1, -1};
};


}  // namespace vg
