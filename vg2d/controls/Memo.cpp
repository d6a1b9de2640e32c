// The memo: its undo stack, its lines, its text and properties, its style and painting.
// The layout, positions and caret are in MemoLayout.cpp; editing, keys and mouse in
// MemoEditing.cpp.
#include "vg2d/controls/Memo.h"

#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "platform/win/Menus.h"
#include "vg2d/controls/Memo_Internal.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Scene.h"

namespace vg {

namespace {

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
    if (Index + memo_internal::Length(Text) == top.Index) {
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
  m->undo_.Clear();
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
  m->undo_.Clear();
  const int start = m->lineStarts_[static_cast<size_t>(Index)];
  if (Index + 1 < count) {
    const int next = m->lineStarts_[static_cast<size_t>(Index + 1)];
    m->DeleteAt(m->PosOfIndex(start), next - start, 0);
  } else if (Index > 0) {
    const int from = m->TextIndexOf({Index - 1, m->LineLength(Index - 1)});
    m->DeleteAt(m->PosOfIndex(from), memo_internal::Length(m->text_) - from, 0);
  } else {
    m->DeleteAt({0, 0}, memo_internal::Length(m->text_), 0);
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
  if (!partial) undo_.Clear();  // set from code, not by an edit
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
