// The memo's editing (insert, delete, clipboard, undo) and its keys, mouse, menu and focus.
#include "vg2d/controls/Memo.h"

#include <algorithm>
#include <cmath>

#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/EditKeys.h"
#include "vg2d/controls/EditMenu.h"
#include "vg2d/controls/Memo_Internal.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Scene.h"

namespace vg {

// ---- editing ---------------------------------------------------------------------------------------------

void TvxMemo::InsertAt(TvxMemoPos Pos, const std::u16string& S, int Options) {
  std::u16string s = S;
  // As much as MaxLength leaves room for, in whole characters.
  if (maxLength_ > 0) s.resize(static_cast<size_t>(WholeCharAt(s, maxLength_ - memo_internal::Length(text_))));
  if (s.empty()) return;
  const int index = TextIndexOf(Pos);
  const int n = memo_internal::Length(s);
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
  const int len = memo_internal::Length(text_);
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
      const int index = std::clamp(r.Index, 0, memo_internal::Length(text_));
      const int before = TextIndexOf(PosOfIndex(index));
      if (before == index) {
        InsertAt(PosOfIndex(index), r.Text, r.Text == u"\r\n" ? 0 : SelectInserted);
      } else {
        std::u16string t = text_;
        t.insert(static_cast<size_t>(index), r.Text);
        StoreEdited(t, index, 0, memo_internal::Length(r.Text));
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
        // A line end and a character outside the 16-bit plane go whole.
        const int i = TextIndexOf(caret_);
        if (i > 0) {
          const int n =
              i >= 2 && text_[static_cast<size_t>(i - 2)] == u'\r' && text_[static_cast<size_t>(i - 1)] == u'\n'
                  ? 2
                  : UnitsBefore(text_, i);
          DeleteAt(PosOfIndex(i - n), n, SelectInserted | RecordDeletion);
        }
      } else {
        DeleteAt(caret_, std::max(1, UnitsAt(text_, TextIndexOf(caret_))), RecordDeletion);
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
        move({caret_.Line, caret_.Column - UnitsBefore(text_, TextIndexOf(caret_))});
      else
        move(caret_.Line > 0 ? TvxMemoPos{caret_.Line - 1, LineLength(caret_.Line - 1)} : caret_);
      break;
    case win::VK_RIGHT:
      if (ctrl)
        move(NextWordPos(caret_));
      else if (caret_.Column < LineLength(caret_.Line))
        move({caret_.Line, caret_.Column + UnitsAt(text_, TextIndexOf(caret_))});
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
  if ((TypesChar(KeyChar, Shift) || KeyChar == u'\r') && !readOnly_) {
    if (KeyChar == u'\r') typed_.Forget();
    const std::u16string typed = KeyChar == u'\r' ? std::u16string(u"\r\n") : typed_.Take(KeyChar);
    if (!typed.empty()) TypeText(typed);
    if (self.Gone()) return;
    KeyChar = 0;
  } else {
    typed_.Forget();
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
  typed_.Forget();
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft || !PointInRectF({X, Y}, ViewportRect())) return;
  if (Shift.Contains(rtl::ssDouble)) {
    // The word around the caret, with the spaces up to the next word.
    const std::u16string line = LineText(caret_.Line);
    int a = caret_.Column, b = caret_.Column;
    while (a > 0 && line[static_cast<size_t>(a - 1)] != u' ') --a;
    while (b < memo_internal::Length(line) && line[static_cast<size_t>(b)] != u' ') ++b;
    while (b < memo_internal::Length(line) && line[static_cast<size_t>(b)] == u' ') ++b;
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
  typed_.Forget();
  if (Scene()) Scene()->HideKeyboard(this);
  TvxFreeWatch self(this);
  inherited::KillFocus();
  if (self.Gone()) return;
  HideCaret();
  Change();
}

}  // namespace vg
