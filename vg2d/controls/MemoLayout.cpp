// The memo's text layout (paragraphs laid into lines, wrapped at the viewport's width),
// positions in the text and on screen, and the caret and selection.
#include "vg2d/controls/Memo.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "vg2d/controls/EditKeys.h"
#include "vg2d/controls/Memo_Internal.h"
#include "vg2d/controls/RaisedFlag.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WordSteps.h"
#include "vg2d/core/Scene.h"

namespace vg {

namespace {

bool IsLineEnd(char16_t C) { return C == u'\r' || C == u'\n'; }

bool IsWrapBreak(char16_t C) { return C == u' ' || C == u',' || C == u'-' || C == u'\uFF0C'; }

// The end of the paragraph that holds index From of S: just after its line end, or the end
// of S.
int ParagraphEnd(const std::u16string& S, int From) {
  const int len = memo_internal::Length(S);
  for (int j = std::max(From, 0); j < len; ++j) {
    if (!IsLineEnd(S[static_cast<size_t>(j)])) continue;
    if (S[static_cast<size_t>(j)] == u'\r' && j + 1 < len && S[static_cast<size_t>(j + 1)] == u'\n') return j + 2;
    return j + 1;
  }
  return len;
}

}  // namespace

// ---- layout ------------------------------------------------------------------------------------------

float TvxMemo::TextWidth(const std::u16string& S) {
  TvxCanvas* canvas = GetCanvas();
  if (!canvas || S.empty()) return 0;
  canvas->Font()->Assign(font_.get());
  TvxRect r{0, 0, 65535, static_cast<float>(LineHeight())};
  canvas->MeasureText(r, r, S, false, vgTextAlignNear, vgTextAlignCenter);
  return RectWidth(r);
}

float TvxMemo::WrapWidth() const { return ViewportWidth(); }

std::vector<TvxMemo::TLaidLine> TvxMemo::LayParagraphs(int From, int To) {
  std::vector<TLaidLine> out;
  const float limit = WrapWidth();
  int i = From;
  const auto cutAt = [&](int Start, int BodyEnd) {
    if (BodyEnd - Start <= MaxLineLength) return BodyEnd;
    int cut = Start + MaxLineLength;
    const char16_t before = text_[static_cast<size_t>(cut - 1)];
    if (before >= 0xD800 && before <= 0xDBFF) --cut;  // keep a surrogate pair together
    return cut;
  };
  while (i < To) {
    const int end = std::min(ParagraphEnd(text_, i), To);
    int paragraphBodyEnd = end;
    while (paragraphBodyEnd > i && IsLineEnd(text_[static_cast<size_t>(paragraphBodyEnd - 1)])) --paragraphBodyEnd;
    for (int piece = i;;) {
      const int bodyEnd = cutAt(piece, paragraphBodyEnd);
      LayPiece(piece, bodyEnd, limit, out);
      if (bodyEnd >= paragraphBodyEnd) break;
      piece = bodyEnd;
    }
    i = end;
  }
  const int len = memo_internal::Length(text_);
  if (To == len && len > 0 && IsLineEnd(text_.back())) out.push_back({len, 0});
  return out;
}

void TvxMemo::LayPiece(int Start, int BodyEnd, float Limit, std::vector<TLaidLine>& Out) {
  const auto width = [&](int From, int To) {
    return TextWidth(text_.substr(static_cast<size_t>(From), static_cast<size_t>(To - From)));
  };
  const float whole = width(Start, BodyEnd);
  if (!wordWrap_ || whole <= Limit) {
    Out.push_back({Start, whole});
    return;
  }
  // Tokens end after a break character; a token that makes the line too wide starts the
  // next one.
  int lineStart = Start;
  float lineWidth = 0;
  int t0 = Start;
  while (t0 < BodyEnd) {
    int t1 = t0;
    while (t1 < BodyEnd && !IsWrapBreak(text_[static_cast<size_t>(t1)])) ++t1;
    if (t1 < BodyEnd) ++t1;
    const float w = width(lineStart, t1);
    if (w > Limit && t0 > lineStart) {
      Out.push_back({lineStart, lineWidth});
      lineStart = t0;
      lineWidth = width(t0, t1);
    } else {
      lineWidth = w;
    }
    t0 = t1;
  }
  Out.push_back({lineStart, lineWidth});
}

void TvxMemo::FindWidestLine() {
  widestLine_ = 0;
  for (size_t i = 1; i < lineWidths_.size(); ++i)
    if (lineWidths_[i] > lineWidths_[static_cast<size_t>(widestLine_)]) widestLine_ = static_cast<int>(i);
}

TvxMemo::TSavedPlaces TvxMemo::SavePlaces() const {
  return {TextIndexOf(caret_), TextIndexOf(selStart_), TextIndexOf(selEnd_)};
}

void TvxMemo::LayoutAll() { LayoutAll(SavePlaces()); }

void TvxMemo::LayoutAll(const TSavedPlaces& Saved) {
  lineStarts_.clear();
  lineWidths_.clear();
  for (const TLaidLine& l : LayParagraphs(0, memo_internal::Length(text_))) {
    lineStarts_.push_back(l.Start);
    lineWidths_.push_back(l.Width);
  }
  laidWidth_ = WrapWidth();
  FindWidestLine();
  caret_ = PosOfIndex(Saved.Caret);
  selStart_ = PosOfIndex(Saved.SelStart);
  selEnd_ = PosOfIndex(Saved.SelEnd);
  if (!linesUpdating_) Realign();
  Repaint();
}

void TvxMemo::LayoutEdited(int Index, int Removed, int Inserted) {
  if (lineStarts_.empty() || text_.empty()) {
    LayoutAll();
    return;
  }
  const int len = memo_internal::Length(text_);
  const int delta = Inserted - Removed;
  const int newEnd = ParagraphEnd(text_, Index + Inserted);
  const int oldEnd = newEnd - delta;
  // From the first line of the paragraph before the edit (a CR there may pair with an LF
  // the edit brought).
  int first = static_cast<int>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), std::max(0, Index - 1)) -
                               lineStarts_.begin()) -
              1;
  first = std::max(first, 0);
  while (first > 0 && !IsLineEnd(text_[static_cast<size_t>(lineStarts_[static_cast<size_t>(first)] - 1)])) --first;
  int from = lineStarts_[static_cast<size_t>(first)];
  int last =
      newEnd == len
          ? LineCount()
          : static_cast<int>(std::lower_bound(lineStarts_.begin(), lineStarts_.end(), oldEnd) - lineStarts_.begin());
  int to = newEnd;
  if (newEnd - from > LongParagraph) {
    // A long paragraph: the display lines before the one the edit starts on and after the
    // one it ends on keep their places (moved by the edit) and widths.
    const int editLine = static_cast<int>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), Index) -
                                          lineStarts_.begin()) -
                         1;
    const int after = static_cast<int>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), Index + Removed) -
                                       lineStarts_.begin());
    // The line before the edited one is laid again too: the edit may end at its end.
    first = std::max(first, editLine - 1);
    if (after < last) {
      last = after;
      to = lineStarts_[static_cast<size_t>(after)] + delta;
    }
    from = lineStarts_[static_cast<size_t>(first)];
  }
  const std::vector<TLaidLine> laid = LayParagraphs(from, to);
  std::vector<int> starts(lineStarts_.begin(), lineStarts_.begin() + first);
  std::vector<float> widths(lineWidths_.begin(), lineWidths_.begin() + first);
  for (const TLaidLine& l : laid) {
    starts.push_back(l.Start);
    widths.push_back(l.Width);
  }
  for (int i = last; i < LineCount(); ++i) {
    starts.push_back(lineStarts_[static_cast<size_t>(i)] + delta);
    widths.push_back(lineWidths_[static_cast<size_t>(i)]);
  }
  if (starts.empty()) {
    starts.push_back(0);
    widths.push_back(0);
  }
  lineStarts_ = std::move(starts);
  lineWidths_ = std::move(widths);
  FindWidestLine();
}

void TvxMemo::Realign() {
  if (realigning_) {
    inherited::Realign();
    return;
  }
  TvxRaisedFlag self(this, realigning_);
  inherited::Realign();
  if (self.Gone() || !wordWrap_ || Loading() || WrapWidth() == laidWidth_) return;
  // The viewport changed its width (a bar came or went): wrap again at the new width.
  LayoutAll();
  if (!self.Gone()) inherited::Realign();
}

void TvxMemo::Loaded() {
  inherited::Loaded();
  LayoutAll();
}

TvxRect TvxMemo::GetContentBounds() {
  if (!Viewport()) return inherited::GetContentBounds();
  TvxRect r = Viewport()->GetLocalRect();
  r.Bottom = std::max(r.Bottom, r.Top + static_cast<float>(LineCount() * LineHeight()));
  if (!wordWrap_ && !lineWidths_.empty()) {
    const float widest = lineWidths_[static_cast<size_t>(widestLine_)];
    if (widest > RectWidth(r)) r.Right = r.Left + widest + 10;
  }
  return r;
}

// ---- positions -----------------------------------------------------------------------------------------

int TvxMemo::LineLength(int Line) const {
  if (Line < 0 || Line >= LineCount()) return 0;
  const int len = memo_internal::Length(text_);
  const int start = std::min(lineStarts_[static_cast<size_t>(Line)], len);
  int end = std::clamp(Line + 1 < LineCount() ? lineStarts_[static_cast<size_t>(Line + 1)] : len, start, len);
  if (end > start && text_[static_cast<size_t>(end - 1)] == u'\n') --end;
  if (end > start && text_[static_cast<size_t>(end - 1)] == u'\r') --end;
  return end - start;
}

std::u16string TvxMemo::LineText(int Index) const {
  if (Index < 0 || Index >= LineCount()) return {};
  return text_.substr(static_cast<size_t>(lineStarts_[static_cast<size_t>(Index)]),
                      static_cast<size_t>(LineLength(Index)));
}

TvxMemoPos TvxMemo::Clamp(TvxMemoPos P) const {
  if (LineCount() == 0) return {};
  P.Line = std::clamp(P.Line, 0, LineCount() - 1);
  P.Column = std::clamp(P.Column, 0, LineLength(P.Line));
  // Never between the halves of a pair (lines never part one): the pair's start.
  if (SplitsPair(text_, lineStarts_[static_cast<size_t>(P.Line)] + P.Column)) --P.Column;
  return P;
}

int TvxMemo::TextIndexOf(TvxMemoPos Pos) const {
  if (LineCount() == 0) return 0;
  Pos = Clamp(Pos);
  return lineStarts_[static_cast<size_t>(Pos.Line)] + Pos.Column;
}

TvxMemoPos TvxMemo::PosOfIndex(int Index) const {
  if (LineCount() == 0) return {};
  Index = WholeCharAt(text_, Index);
  const int line =
      static_cast<int>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), Index) - lineStarts_.begin()) - 1;
  const int l = std::max(line, 0);
  return {l, std::min(Index - lineStarts_[static_cast<size_t>(l)], LineLength(l))};
}

TvxMemoPos TvxMemo::EndOfText() const {
  if (LineCount() == 0) return {};
  return {LineCount() - 1, LineLength(LineCount() - 1)};
}

TvxPoint TvxMemo::ViewportOrigin() const {
  const TvxRect r = ViewportRect();
  return {r.Left, r.Top};
}

TvxPoint TvxMemo::GetPositionPoint(TvxMemoPos Pos) {
  Pos = Clamp(Pos);
  const TvxPoint origin = ViewportOrigin();
  const std::u16string line = LineText(Pos.Line);
  float x = TextWidth(line.substr(0, static_cast<size_t>(Pos.Column)));
  if (Pos.Line < LineCount()) {
    const float spare = ViewportWidth() - lineWidths_[static_cast<size_t>(Pos.Line)];
    if (spare > 0 && textAlign_ == vgTextAlignCenter) x += spare / 2;
    if (spare > 0 && textAlign_ == vgTextAlignFar) x += spare;
  }
  return {origin.X + x - HScrollPos(), origin.Y + static_cast<float>(Pos.Line * LineHeight()) - VScrollPos()};
}

TvxMemoPos TvxMemo::PositionAtPoint(const TvxPoint& P) {
  if (LineCount() == 0) return {};
  const TvxRect view = ViewportRect();
  const int lh = LineHeight();
  const auto row = static_cast<int>(std::floor((P.Y - view.Top + VScrollPos()) / static_cast<float>(lh)));
  const int line = std::clamp(row, 0, LineCount() - 1);
  const std::u16string text = LineText(line);
  if (text.empty()) return {line, 0};
  float x = std::clamp(P.X, view.Left, view.Right) - view.Left;
  const float spare = RectWidth(view) - lineWidths_[static_cast<size_t>(line)];
  if (spare > 0 && textAlign_ == vgTextAlignCenter) x -= spare / 2;
  if (spare > 0 && textAlign_ == vgTextAlignFar) x -= spare;
  x += HScrollPos();
  // The last boundary at or before x, then the nearer of it and the next one.
  auto widthOf = [&](int Column) { return TextWidth(text.substr(0, static_cast<size_t>(Column))); };
  int lo = 0, hi = memo_internal::Length(text);
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    if (widthOf(mid) <= x)
      lo = mid;
    else
      hi = mid - 1;
  }
  if (lo < memo_internal::Length(text) && widthOf(lo + 1) - x < x - widthOf(lo)) ++lo;
  // Never between the halves of a pair: the nearer edge of the whole character.
  if (SplitsPair(text, lo)) lo = x - widthOf(lo - 1) <= widthOf(lo + 1) - x ? lo - 1 : lo + 1;
  return {line, lo};
}

TvxMemoPos TvxMemo::SameXOnLine(int Line) {
  const TvxPoint at = GetPositionPoint(caret_);
  const TvxPoint target = GetPositionPoint({std::clamp(Line, 0, std::max(0, LineCount() - 1)), 0});
  return PositionAtPoint({at.X, target.Y + static_cast<float>(LineHeight()) / 2});
}

TvxMemoPos TvxMemo::NextWordPos(TvxMemoPos P) const {
  P = Clamp(P);
  if (P.Column >= LineLength(P.Line)) return P.Line + 1 < LineCount() ? TvxMemoPos{P.Line + 1, 0} : P;
  return {P.Line, NextWordStart(LineText(P.Line), P.Column)};
}

TvxMemoPos TvxMemo::PrevWordPos(TvxMemoPos P) const {
  P = Clamp(P);
  if (P.Column == 0) return P.Line > 0 ? TvxMemoPos{P.Line - 1, LineLength(P.Line - 1)} : P;
  return {P.Line, PrevWordStart(LineText(P.Line), P.Column)};
}

// ---- caret and selection -----------------------------------------------------------------------------

void TvxMemo::SetCaretPosition(TvxMemoPos Value) {
  caret_ = Clamp(Value);
  selected_ = false;
  UpdateCaret();
  Repaint();
}

void TvxMemo::Select(TvxMemoPos Start, TvxMemoPos End) {
  selStart_ = Clamp(Start);
  selEnd_ = Clamp(End);
  caret_ = selEnd_;
  selected_ = true;
  UpdateCaret();
  Repaint();
}

bool TvxMemo::HasSelection() const { return selected_ && TextIndexOf(selStart_) != TextIndexOf(selEnd_); }

std::u16string TvxMemo::SelText() const {
  if (!HasSelection()) return {};
  const int a = TextIndexOf(selStart_), b = TextIndexOf(selEnd_);
  return text_.substr(static_cast<size_t>(std::min(a, b)), static_cast<size_t>(std::abs(b - a)));
}

void TvxMemo::SelectAll() { Select({0, 0}, EndOfText()); }

void TvxMemo::SetVScroll(float Value) {
  if (TvxScrollBar* bar = VScrollBar(); bar && bar->Visible()) bar->SetValue(Value);
}

void TvxMemo::ScrollCaretIntoView() {
  const float lh = static_cast<float>(LineHeight());
  const int visible = std::max(1, static_cast<int>(std::floor(ViewportHeight() / lh)));
  const float top = VScrollPos();
  TvxFreeWatch self(this);
  if (static_cast<float>(caret_.Line) * lh < top)
    SetVScroll(static_cast<float>(caret_.Line) * lh);
  else if (static_cast<float>(caret_.Line + 1) * lh > top + ViewportHeight())
    SetVScroll(lh * static_cast<float>(caret_.Line - visible + 1));
  if (self.Gone()) return;
  // Horizontally by whole characters of the caret line.
  const std::u16string line = LineText(caret_.Line);
  const int column = caret_.Column;
  // From a whole character, never from the second half of a pair.
  if (column < firstVisibleColumn_ - 1)
    firstVisibleColumn_ = std::max(1, column - std::max(UnitsBefore(line, column) - 1, 0));
  const float room = ViewportWidth() - 5;
  while (firstVisibleColumn_ <= column &&
         TextWidth(line.substr(static_cast<size_t>(firstVisibleColumn_ - 1),
                               static_cast<size_t>(column - firstVisibleColumn_ + 1))) > room)
    firstVisibleColumn_ += std::max(1, UnitsAt(line, firstVisibleColumn_ - 1));
  if (TvxScrollBar* bar = HScrollBar(); bar && bar->Visible())
    bar->SetValue(
        TextWidth(line.substr(0, static_cast<size_t>(std::min(firstVisibleColumn_ - 1, memo_internal::Length(line))))));
}

void TvxMemo::UpdateCaret() {
  TvxFreeWatch self(this);
  ScrollCaretIntoView();
  if (self.Gone() || !IsFocused()) return;
  const TvxPoint p = GetPositionPoint(caret_);
  const TvxPoint origin = ViewportOrigin();
  SetCaretSize({2, static_cast<float>(LineHeight())});
  SetCaretPos({p.X + HScrollPos() - origin.X, p.Y + VScrollPos() - origin.Y});
  SetCaretColor(fontFill_->GetSolidColor());
}

}  // namespace vg
