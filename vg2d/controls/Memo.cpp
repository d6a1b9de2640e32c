#include "vg2d/controls/Memo.h"

#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/EditMenu.h"
#include "vg2d/controls/RaisedFlag.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/WordSteps.h"
#include "vg2d/core/Scene.h"

namespace vg {

namespace {


int Length(const std::u16string& S) { return static_cast<int>(S.size()); }

bool IsLineEnd(char16_t C) { return C == u'\r' || C == u'\n'; }

bool IsWrapBreak(char16_t C) { return C == u' ' || C == u',' || C == u'-' || C == u'\uFF0C'; }

// The case mapping of the basic multilingual plane, from the UTF-8 locale (the plain C
// locale maps ASCII only, which is all that is left when that locale is missing).
locale_t CaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

std::u16string MapCase(const std::u16string& S, bool Upper) {
  std::u16string r = S;
  const locale_t locale = CaseLocale();
  for (char16_t& c : r) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const auto w = static_cast<wint_t>(c);
    const wint_t m = locale ? (Upper ? towupper_l(w, locale) : towlower_l(w, locale))
                            : (Upper ? std::towupper(w) : std::towlower(w));
    if (m <= 0xFFFF && (m < 0xD800 || m > 0xDFFF)) c = static_cast<char16_t>(m);
  }
  return r;
}

// The end of the paragraph that holds index From of S: just after its line end, or the end
// of S.
int ParagraphEnd(const std::u16string& S, int From) {
  const int len = Length(S);
  for (int j = std::max(From, 0); j < len; ++j) {
    if (!IsLineEnd(S[static_cast<size_t>(j)])) continue;
    if (S[static_cast<size_t>(j)] == u'\r' && j + 1 < len && S[static_cast<size_t>(j + 1)] == u'\n') return j + 2;
    return j + 1;
  }
  return len;
}

}  // namespace

// ---- the undo stack ------------------------------------------------------------------------------

void TvxMemoUndoStack::RecordInsert(int Index, int N, bool Grouped) {
  if (N <= 0) return;
  if (!records_.empty() && records_.back().Inserted && records_.back().Index + records_.back().Count == Index) {
    records_.back().Count += N;
    return;
  }
  records_.push_back({true, Grouped, Index, {}, N});
}

void TvxMemoUndoStack::RecordDelete(int Index, const std::u16string& Text) {
  if (Text.empty()) return;
  if (!records_.empty() && !records_.back().Inserted) {
    TvxMemoUndoRecord& top = records_.back();
    if (top.Index == Index) {
      top.Text += Text;
      return;
    }
    if (Index + Length(Text) == top.Index) {
      top.Text.insert(0, Text);
      top.Index = Index;
      return;
    }
  }
  records_.push_back({false, false, Index, Text, 0});
}

TvxMemoUndoRecord TvxMemoUndoStack::Pop() {
  TvxMemoUndoRecord r = std::move(records_.back());
  records_.pop_back();
  return r;
}

// ---- the lines -------------------------------------------------------------------------------------

rtl::TClass TvxMemoLines::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxMemoLines>().Build();
  return &info;
}

int TvxMemoLines::GetCount() const { return memo_->text_.empty() ? 0 : memo_->LineCount(); }

std::u16string TvxMemoLines::Get(int Index) const {
  if (Index < 0 || Index >= GetCount()) Error(rtl::SListIndexError, Index);
  return memo_->LineText(Index);
}

std::u16string TvxMemoLines::GetTextStr() const { return memo_->text_; }

void TvxMemoLines::SetTextStr(const std::u16string& Text) {
  memo_->SetText(Text);
  memo_->Change();
}

void TvxMemoLines::Insert(int Index, const std::u16string& S) {
  const int count = GetCount();
  if (Index < 0 || Index > count) Error(rtl::SListIndexError, Index);
  TvxMemo* m = memo_;
  if (Index < count)
    m->InsertAt({Index, 0}, S + u"\r\n", 0);
  else if (count > 0 && Index > 0)
    m->InsertAt({Index - 1, m->LineLength(Index - 1)}, u"\r\n" + S, 0);
  else
    m->InsertAt({Index, 0}, S, 0);
  m->Change();
}

void TvxMemoLines::Delete(int Index) {
  const int count = GetCount();
  if (Index < 0 || Index >= count) Error(rtl::SListIndexError, Index);
  TvxMemo* m = memo_;
  const int start = m->lineStarts_[static_cast<size_t>(Index)];
  if (Index + 1 < count) {
    const int next = m->lineStarts_[static_cast<size_t>(Index + 1)];
    m->DeleteAt(m->PosOfIndex(start), next - start, 0);
  } else if (Index > 0) {
    const int from = m->TextIndexOf({Index - 1, m->LineLength(Index - 1)});
    m->DeleteAt(m->PosOfIndex(from), Length(m->text_) - from, 0);
  } else {
    m->DeleteAt({0, 0}, Length(m->text_), 0);
  }
  m->Change();
}

void TvxMemoLines::Clear() {
  memo_->SetText(u"");
  memo_->Change();
}

void TvxMemoLines::SetUpdateState(bool Updating) {
  memo_->linesUpdating_ = Updating;
  if (!Updating) memo_->Realign();
}

// ---- TvxMemo -----------------------------------------------------------------------------------------

rtl::TClass TvxMemo::StaticClass() {
  using T = TvxMemo;
  static const rtl::TClassInfo info =
      rtl::DefineClass<T>()
          .Property("Cursor", &T::Cursor, &T::SetCursor)
          .Default(rtl::TCursor(-4))
          .Property("CanFocused", &T::CanFocused, &T::SetCanFocused)
          .Default(true)
          .Property("DisableFocusEffect", &T::DisableFocusEffect, &T::SetDisableFocusEffect)
          .Default(false)
          .Property("AutoSelect", &T::AutoSelect, &T::SetAutoSelect)
          .Default(true)
          .Property("CharCase", &T::CharCase, &T::SetCharCase)
          .Default(vgecNormal)
          .Property("HideSelection", &T::HideSelection, &T::SetHideSelection)
          .Default(true)
          .Property("Lines", &T::Lines, &T::SetLines)
          .Stored(false)
          .Property("MaxLength", &T::MaxLength, &T::SetMaxLength)
          .Default(0)
          .Property("ReadOnly", &T::ReadOnly, &T::SetReadOnly)
          .Default(false)
          .Event("OnChange", &T::OnChange)
          .Event("OnChangeTracking", &T::OnChangeTracking)
          .Property("WordWrap", &T::WordWrap, &T::SetWordWrap)
          .Default(false)
          .Property("Font", &T::Font, &T::SetFont)
          .Property("Text", &T::Text, &T::SetText)
          .Property("TextAlign", &T::TextAlign, &T::SetTextAlign)
          .Default(vgTextAlignNear)
          .Build();
  return &info;
}

TvxMemo::TvxMemo(rtl::TComponent* AOwner)
    : TvxScrollBox(AOwner),
      lines_(std::make_unique<TvxMemoLines>(this)),
      font_(std::make_unique<TvxFont>()),
      fontFill_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u)),
      selectionFill_(std::make_unique<TvxBrush>(vgBrushSolid, 0x802A8ADFu)),
      contextMenu_(std::make_unique<win::TPopupMenu>(nullptr)) {
  font_->OnChange = rtl::TNotifyEvent(this, &TvxMemo::FontChanged);
  SetCanFocused(true);
  SetCursor(-4);
  SetAutoCapture(true);
  SetWidth(100);
  contextMenu_->Add(u"Undo", rtl::TNotifyEvent(this, &TvxMemo::MenuUndo));
  contextMenu_->Add(u"Cut", rtl::TNotifyEvent(this, &TvxMemo::MenuCut));
  contextMenu_->Add(u"Copy", rtl::TNotifyEvent(this, &TvxMemo::MenuCopy));
  contextMenu_->Add(u"Paste", rtl::TNotifyEvent(this, &TvxMemo::MenuPaste));
  contextMenu_->Add(u"Delete", rtl::TNotifyEvent(this, &TvxMemo::MenuDelete));
  contextMenu_->Add(u"Select All", rtl::TNotifyEvent(this, &TvxMemo::MenuSelectAll));
}

TvxMemo::~TvxMemo() = default;

int TvxMemo::LineHeight() const { return std::max<int>(1, static_cast<int>(Round(font_->Size() * 1.25))); }

void TvxMemo::SetText(const std::u16string& Value) {
  // An edit's partial layout serves that one change: the flag is back before anything can
  // run (the change handlers below may free the memo).
  const bool partial = !relayout_;
  relayout_ = true;
  if (Value == text_) return;
  // Caret and selection as text indexes while the lines still match the text.
  const TSavedPlaces saved = SavePlaces();
  if (!Value.empty() && charCase_ != vgecNormal)
    text_ = MapCase(Value, charCase_ == vgecUpperCase);
  else
    text_ = Value;
  if (partial)
    LayoutEdited(edit_.Index, edit_.Removed, edit_.Inserted);
  else
    LayoutAll(saved);
  TvxFreeWatch self(this);
  if (!Loading()) OnChangeTracking(this);
  if (self.Gone()) return;
  modified_ = true;
  Repaint();
}

void TvxMemo::StoreEdited(const std::u16string& Value, int Index, int Removed, int Inserted) {
  edit_ = {Index, Removed, Inserted};
  relayout_ = false;
  SetText(Value);
}

void TvxMemo::SetLines(TvxWideStrings* Value) {
  if (Value) lines_->Assign(Value);
}

void TvxMemo::SetWordWrap(bool Value) {
  if (Value == wordWrap_) return;
  wordWrap_ = Value;
  LayoutAll();
}

void TvxMemo::SetHideSelection(bool Value) {
  if (Value == hideSelection_) return;
  hideSelection_ = Value;
  Repaint();
}

void TvxMemo::FontChanged(rtl::TObject*) {
  if (Loading()) return;
  LayoutAll();
  UpdateCaret();
}

void TvxMemo::Change() {
  if (!modified_) return;
  if (BindingObjectCount() > 0) UpdateBindings();
  OnChange(this);
}

rtl::TPropValue TvxMemo::GetData() { return text_; }

void TvxMemo::SetData(const rtl::TPropValue& Value) {
  if (const auto* m = std::get_if<rtl::TMethod>(&Value)) {
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
    return;
  }
  SetText(PropValueToText(Value));
}

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
  const int len = Length(text_);
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
  for (const TLaidLine& l : LayParagraphs(0, Length(text_))) {
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
  const int len = Length(text_);
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
  const int len = Length(text_);
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
  return P;
}

int TvxMemo::TextIndexOf(TvxMemoPos Pos) const {
  if (LineCount() == 0) return 0;
  Pos = Clamp(Pos);
  return lineStarts_[static_cast<size_t>(Pos.Line)] + Pos.Column;
}

TvxMemoPos TvxMemo::PosOfIndex(int Index) const {
  if (LineCount() == 0) return {};
  Index = std::clamp(Index, 0, Length(text_));
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
  int lo = 0, hi = Length(text);
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    if (widthOf(mid) <= x)
      lo = mid;
    else
      hi = mid - 1;
  }
  if (lo < Length(text) && widthOf(lo + 1) - x < x - widthOf(lo)) ++lo;
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
  if (column < firstVisibleColumn_ - 1) firstVisibleColumn_ = std::max(1, column);
  const float room = ViewportWidth() - 5;
  while (firstVisibleColumn_ <= column &&
         TextWidth(line.substr(static_cast<size_t>(firstVisibleColumn_ - 1),
                               static_cast<size_t>(column - firstVisibleColumn_ + 1))) > room)
    ++firstVisibleColumn_;
  if (TvxScrollBar* bar = HScrollBar(); bar && bar->Visible())
    bar->SetValue(TextWidth(line.substr(0, static_cast<size_t>(std::min(firstVisibleColumn_ - 1, Length(line))))));
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

// ---- editing ---------------------------------------------------------------------------------------------

void TvxMemo::InsertAt(TvxMemoPos Pos, const std::u16string& S, int Options) {
  std::u16string s = S;
  if (maxLength_ > 0) s.resize(static_cast<size_t>(std::clamp(maxLength_ - Length(text_), 0, Length(s))));
  if (s.empty()) return;
  const int index = TextIndexOf(Pos);
  const int n = Length(s);
  if (Options & RecordInsertion) undo_.RecordInsert(index, n, (Options & GroupWithBelow) != 0);
  const int caret = TextIndexOf(caret_);
  std::u16string t = text_;
  t.insert(static_cast<size_t>(index), s);
  TvxFreeWatch self(this);
  StoreEdited(t, index, 0, n);
  if (self.Gone()) return;
  if (Options & SelectInserted) {
    selStart_ = PosOfIndex(index);
    selEnd_ = caret_ = PosOfIndex(index + n);
    selected_ = true;
  } else if (!Loading()) {
    caret_ = PosOfIndex(caret >= index ? caret + n : caret);
  }
  if (!linesUpdating_) Realign();
  if (self.Gone()) return;
  UpdateCaret();
  Repaint();
}

void TvxMemo::DeleteAt(TvxMemoPos Pos, int Count, int Options) {
  const int len = Length(text_);
  int index = TextIndexOf(Pos);
  int count = std::clamp(Count, 0, len - index);
  // Never half a line end.
  if (count > 0 && index + count < len && text_[static_cast<size_t>(index + count - 1)] == u'\r' &&
      text_[static_cast<size_t>(index + count)] == u'\n')
    ++count;
  if (index > 0 && index < len && text_[static_cast<size_t>(index)] == u'\n' &&
      text_[static_cast<size_t>(index - 1)] == u'\r') {
    --index;
    ++count;
  }
  const bool hadSelection = HasSelection();
  if (count > 0) {
    if (Options & RecordDeletion)
      undo_.RecordDelete(index, text_.substr(static_cast<size_t>(index), static_cast<size_t>(count)));
    const int caret = TextIndexOf(caret_);
    std::u16string t = text_;
    t.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    TvxFreeWatch self(this);
    StoreEdited(t, index, count, 0);
    if (self.Gone()) return;
    caret_ = PosOfIndex(caret >= index + count ? caret - count : std::min(caret, index));
  }
  if ((Options & SelectInserted) || hadSelection) {
    selected_ = false;
    caret_ = PosOfIndex(index);
  }
  TvxFreeWatch self(this);
  if (!linesUpdating_) Realign();
  if (self.Gone()) return;
  UpdateCaret();
  Repaint();
}

bool TvxMemo::DeleteSelected() {
  if (!HasSelection()) return false;
  const int a = TextIndexOf(selStart_), b = TextIndexOf(selEnd_);
  DeleteAt(PosOfIndex(std::min(a, b)), std::abs(b - a), SelectInserted | RecordDeletion);
  return true;
}

void TvxMemo::TypeText(const std::u16string& S) {
  if (readOnly_) return;
  TvxFreeWatch self(this);
  const bool grouped = DeleteSelected();
  if (self.Gone()) return;
  InsertAt(caret_, S, RecordInsertion | (grouped ? GroupWithBelow : 0));
}

void TvxMemo::DeleteSelection() {
  if (!readOnly_) DeleteSelected();
}

void TvxMemo::CopyToClipboard() {
  const std::u16string s = SelText();
  if (!s.empty()) win::ClipboardSetText(s);
}

void TvxMemo::CutToClipboard() {
  CopyToClipboard();
  DeleteSelection();
}

void TvxMemo::PasteFromClipboard() {
  if (readOnly_) return;
  TvxFreeWatch self(this);
  TypeText(win::ClipboardGetText());
  if (!self.Gone()) Change();
}

void TvxMemo::Undo() {
  if (readOnly_) return;
  TvxFreeWatch self(this);
  while (!undo_.Empty()) {
    const TvxMemoUndoRecord r = undo_.Pop();
    if (r.Inserted) {
      DeleteAt(PosOfIndex(r.Index), r.Count, SelectInserted);
    } else {
      // Put back where it was taken: the index may lie inside a line (or a pair of CR and
      // LF that the deletion brought together), so the text goes in by index.
      const int index = std::clamp(r.Index, 0, Length(text_));
      const int before = TextIndexOf(PosOfIndex(index));
      if (before == index) {
        InsertAt(PosOfIndex(index), r.Text, r.Text == u"\r\n" ? 0 : SelectInserted);
      } else {
        std::u16string t = text_;
        t.insert(static_cast<size_t>(index), r.Text);
        StoreEdited(t, index, 0, Length(r.Text));
      }
    }
    if (self.Gone() || !r.Grouped) return;
  }
}

// ---- keys ----------------------------------------------------------------------------------------------------

void TvxMemo::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone()) return;
  const TvxMemoPos old = caret_;
  const bool ctrl = Shift.Contains(rtl::ssCtrl);
  const bool ctrlOnly = Shift == rtl::TShiftState{rtl::ssCtrl};
  bool moved = false;
  const auto move = [&](TvxMemoPos To) {
    caret_ = Clamp(To);
    moved = true;
  };
  const int page = std::max(1, static_cast<int>(Round(ViewportHeight() / static_cast<float>(LineHeight()))));
  switch (Key) {
    case win::VK_RETURN:
      if (readOnly_) break;
      TypeText(u"\r\n");
      if (self.Gone()) return;
      Key = 0;
      if (KeyChar == u'\r') KeyChar = 0;
      break;
    case win::VK_BACK:
    case win::VK_DELETE: {
      if (readOnly_) break;
      if (HasSelection()) {
        if (Shift.Contains(rtl::ssShift))
          CutToClipboard();
        else
          DeleteSelection();
      } else if (Key == win::VK_BACK) {
        const int i = TextIndexOf(caret_);
        if (i > 0) {
          const int n =
              i >= 2 && text_[static_cast<size_t>(i - 2)] == u'\r' && text_[static_cast<size_t>(i - 1)] == u'\n' ? 2
                                                                                                                 : 1;
          DeleteAt(PosOfIndex(i - n), n, SelectInserted | RecordDeletion);
        }
      } else {
        DeleteAt(caret_, 1, RecordDeletion);
      }
      if (self.Gone()) return;
      break;
    }
    case win::VK_PRIOR: move(SameXOnLine(caret_.Line - page)); break;
    case win::VK_NEXT: move(SameXOnLine(caret_.Line + page)); break;
    case win::VK_END: move(ctrl ? EndOfText() : TvxMemoPos{caret_.Line, LineLength(caret_.Line)}); break;
    case win::VK_HOME: move(ctrl ? TvxMemoPos{} : TvxMemoPos{caret_.Line, 0}); break;
    case win::VK_LEFT:
      if (ctrl)
        move(PrevWordPos(caret_));
      else if (caret_.Column > 0)
        move({caret_.Line, caret_.Column - 1});
      else
        move(caret_.Line > 0 ? TvxMemoPos{caret_.Line - 1, LineLength(caret_.Line - 1)} : caret_);
      break;
    case win::VK_RIGHT:
      if (ctrl)
        move(NextWordPos(caret_));
      else if (caret_.Column < LineLength(caret_.Line))
        move({caret_.Line, caret_.Column + 1});
      else
        move(caret_.Line + 1 < LineCount() ? TvxMemoPos{caret_.Line + 1, 0} : caret_);
      break;
    case win::VK_UP: move(SameXOnLine(caret_.Line - 1)); break;
    case win::VK_DOWN: move(SameXOnLine(caret_.Line + 1)); break;
    case win::VK_INSERT:
      if (ctrl)
        CopyToClipboard();
      else if (Shift.Contains(rtl::ssShift))
        PasteFromClipboard();
      if (self.Gone()) return;
      break;
    default: break;
  }
  if (ctrlOnly) {
    switch (KeyChar) {
      case u'A':
      case u'a': SelectAll(); break;
      case u'C':
      case u'c': CopyToClipboard(); break;
      case u'V':
      case u'v': PasteFromClipboard(); break;
      case u'X':
      case u'x': CutToClipboard(); break;
      default: break;
    }
    if (self.Gone()) return;
    if (std::u16string_view(u"AaCcVvXxZz").find(KeyChar) != std::u16string_view::npos) KeyChar = 0;
  }
  if ((KeyChar >= 32 || KeyChar == u'\r') && !readOnly_) {
    TypeText(KeyChar == u'\r' ? std::u16string(u"\r\n") : std::u16string(1, KeyChar));
    if (self.Gone()) return;
    KeyChar = 0;
  }
  if (moved) {
    if (Shift.Contains(rtl::ssShift)) {
      if (!selected_) selStart_ = old;
      selected_ = true;
      selEnd_ = caret_;
    } else {
      selected_ = false;
    }
    Repaint();
  }
  UpdateCaret();
}

// ---- mouse, menu and focus ------------------------------------------------------------------------------------

void TvxMemo::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || !PointInRectF({X, Y}, ViewportRect())) return;
  if (Shift.Contains(rtl::ssDouble)) {
    // The word around the caret, with the spaces up to the next word.
    const std::u16string line = LineText(caret_.Line);
    int a = caret_.Column, b = caret_.Column;
    while (a > 0 && line[static_cast<size_t>(a - 1)] != u' ') --a;
    while (b < Length(line) && line[static_cast<size_t>(b)] != u' ') ++b;
    while (b < Length(line) && line[static_cast<size_t>(b)] == u' ') ++b;
    Select({caret_.Line, a}, {caret_.Line, b});
    return;
  }
  selecting_ = true;
  caret_ = PositionAtPoint({X, Y});
  selStart_ = selEnd_ = caret_;
  selected_ = true;
  UpdateCaret();
  Repaint();
}

void TvxMemo::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !selecting_) return;
  const TvxRect view = ViewportRect();
  caret_ = PositionAtPoint({std::clamp(X, view.Left, view.Right), std::clamp(Y, view.Top, view.Bottom)});
  selEnd_ = caret_;
  UpdateCaret();
  Repaint();
}

void TvxMemo::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  selecting_ = false;
  if (selected_ && selStart_ == selEnd_) selected_ = false;
  inherited::MouseUp(Button, Shift, X, Y);
}

void TvxMemo::MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  TvxFreeWatch self(this);
  inherited::MouseWheel(Shift, WheelDelta, Handled);
  TvxScrollBar* bar = self.Gone() ? nullptr : VScrollBar();
  if (!bar || !bar->Visible()) return;
  const float more = static_cast<float>(WheelDelta) / 30;
  if (TvxFloatAnimation* coast = VInertia(); coast && coast->Running())
    coast->SetStopValue(coast->StopValue() - more);
  else
    bar->SetValue(bar->Value() - more);
}

void TvxMemo::UpdateMenuItems() {
  if (win::TMenuItem* item = contextMenu_->Find(u"Undo")) item->SetEnabled(!undo_.Empty() && !readOnly_);
  EnableEditMenuItems(contextMenu_.get(), !SelText().empty(), readOnly_, SelText() == text_);
}

void TvxMemo::ContextMenu(const TvxPoint& ScreenPoint) {
  TvxFreeWatch self(this);
  inherited::ContextMenu(ScreenPoint);
  if (self.Gone() || (Scene() && Scene()->GetDesignTime())) return;
  UpdateMenuItems();
  contextMenu_->SetPopupComponent(this);
  contextMenu_->Popup(static_cast<int>(Round(ScreenPoint.X)), static_cast<int>(Round(ScreenPoint.Y)));
}

void TvxMemo::EnterFocus() {
  TvxFreeWatch self(this);
  inherited::EnterFocus();
  if (self.Gone()) return;
  modified_ = false;
  TvxVisualObject::ShowCaret();
  if (Scene() && Scene()->ShowKeyboard(this)) {
    SetCaretPosition(EndOfText());
  } else {
    SetCaretPosition({});
    if (autoSelect_) SelectAll();
  }
}

void TvxMemo::KillFocus() {
  if (Scene()) Scene()->HideKeyboard(this);
  TvxFreeWatch self(this);
  inherited::KillFocus();
  if (self.Gone()) return;
  HideCaret();
  Change();
}

// ---- style and painting -------------------------------------------------------------------------------------

void TvxMemo::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* selection = FindPart<TvxBrushObject>(this, "selection")) selectionFill_->Assign(selection->Brush());
  if (auto* foreground = FindPart<TvxBrushObject>(this, "foreground")) fontFill_->Assign(foreground->Brush());
  LayoutAll();
}

void TvxMemo::ContentPaint(TvxCanvas* Canvas, const TvxRect&) {
  if (!Canvas || LineCount() == 0) return;
  const int state = Canvas->SaveState();
  Canvas->Font()->Assign(font_.get());
  Canvas->Fill()->Assign(fontFill_.get());
  const float opacity = GetAbsoluteOpacity();
  const int lh = LineHeight();
  const TvxPoint origin = ViewportOrigin();
  const float scrollX = HScrollPos(), scrollY = VScrollPos();
  const int first = std::max(0, static_cast<int>(scrollY) / lh);
  const int last = std::min(LineCount() - 1, static_cast<int>((scrollY + ViewportHeight()) / static_cast<float>(lh)));
  // Positions in the text's own (unscrolled) coordinates, which are the content's.
  auto at = [&](TvxMemoPos P) {
    const TvxPoint p = GetPositionPoint(P);
    return TvxPoint{p.X + scrollX - origin.X, p.Y + scrollY - origin.Y};
  };
  for (int i = first; i <= last; ++i) {
    const TvxPoint p = at({i, 0});
    const TvxRect r{p.X, p.Y, p.X + 65535, p.Y + static_cast<float>(lh)};
    Canvas->FillText(r, r, LineText(i), false, opacity, vgTextAlignNear, vgTextAlignCenter);
  }
  if ((IsFocused() || !hideSelection_) && HasSelection()) {
    Canvas->Fill()->Assign(selectionFill_.get());
    TvxMemoPos lo = selStart_, hi = selEnd_;
    if (TextIndexOf(hi) < TextIndexOf(lo)) std::swap(lo, hi);
    for (int i = std::max(first, lo.Line); i <= std::min(last, hi.Line); ++i) {
      const TvxPoint a = at({i, i == lo.Line ? lo.Column : 0});
      const TvxPoint b = at({i, i == hi.Line ? hi.Column : LineLength(i)});
      Canvas->FillRect({a.X, a.Y, b.X, a.Y + static_cast<float>(lh)}, 0, 0, AllCorners, opacity);
    }
  }
  Canvas->RestoreState(state);
}

rtl::TClass TvxHudMemo::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudMemo>().Build();
  return &info;
}

}  // namespace vg
