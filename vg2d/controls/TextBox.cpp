#include "vg2d/controls/TextBox.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/loop/Application.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/EditKeys.h"
#include "vg2d/controls/EditMenu.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/WordSteps.h"
#include "vg2d/core/Scene.h"

namespace vg {

namespace {


int Length(const std::u16string& S) { return static_cast<int>(S.size()); }

}  // namespace

// ---- TvxCustomTextBox ----------------------------------------------------------------------------

rtl::TClass TvxCustomTextBox::StaticClass() {
  using T = TvxCustomTextBox;
  static const rtl::TClassInfo info =
      rtl::DefineClass<T>()
          .Property("Cursor", &T::Cursor, &T::SetCursor)
          .Default(rtl::TCursor(-4))
          .Property("CanFocused", &T::CanFocused, &T::SetCanFocused)
          .Default(true)
          .Property("DisableFocusEffect", &T::DisableFocusEffect, &T::SetDisableFocusEffect)
          .Default(false)
          .Property("Font", &T::Font, &T::SetFont)
          .Property("TextAlign", &T::TextAlign, &T::SetTextAlign)
          .Default(vgTextAlignNear)
          .Property("BindingSource", &T::BindingSource, &T::SetBindingSource)
          .Property("ReadOnly", &T::ReadOnly, &T::SetReadOnly)
          .Default(false)
          .Event("OnChange", &T::OnChange)
          .Event("OnChangeTracking", &T::OnChangeTracking)
          .Event("OnTyping", &T::OnTyping)
          .Build();
  return &info;
}

TvxCustomTextBox::TvxCustomTextBox(rtl::TComponent* AOwner)
    : TvxControl(AOwner),
      font_(std::make_unique<TvxFont>()),
      fontFill_(std::make_unique<TvxBrush>(vgBrushSolid, 0xFF000000u)),
      selectionFill_(std::make_unique<TvxBrush>(vgBrushSolid, 0x802A8ADFu)),
      contextMenu_(std::make_unique<win::TPopupMenu>(nullptr)) {
  font_->OnChange = rtl::TNotifyEvent(this, &TvxCustomTextBox::FontChanged);
  SetCanFocused(true);
  SetCursor(-4);
  SetAutoCapture(true);
  SetWidth(100);
  SetHeight(22);
  contextMenu_->Add(u"Cut", rtl::TNotifyEvent(this, &TvxCustomTextBox::MenuCut));
  contextMenu_->Add(u"Copy", rtl::TNotifyEvent(this, &TvxCustomTextBox::MenuCopy));
  contextMenu_->Add(u"Paste", rtl::TNotifyEvent(this, &TvxCustomTextBox::MenuPaste));
  contextMenu_->Add(u"Delete", rtl::TNotifyEvent(this, &TvxCustomTextBox::MenuDelete));
  contextMenu_->Add(u"Select All", rtl::TNotifyEvent(this, &TvxCustomTextBox::MenuSelectAll));
}

TvxCustomTextBox::~TvxCustomTextBox() = default;

void TvxCustomTextBox::SetText(const std::u16string& Value) {
  const bool edit = std::exchange(editing_, false);
  if (Value == text_) return;
  text_ = Value;
  if (edit) {
    // An edit keeps the view where the person editing it left it.
    if (Length(text_) < caretPosition_) SetCaretPosition(Length(text_));
  } else {
    // A text given from code is a new text: it shows from its start, as far as the caret
    // (moved to the end of a shorter text) stays in view.
    firstVisibleChar_ = 1;
    SetCaretPosition(std::min(caretPosition_, Length(text_)));
  }
  // Halves an edit brought together, a selection the new text cuts: whole characters.
  KeepWholeCharacters();
  TvxFreeWatch self(this);
  if (!Loading()) OnChangeTracking(this);
  if (self.Gone()) return;
  modified_ = true;
  Repaint();
}

void TvxCustomTextBox::StoreText(const std::u16string& Value) {
  RestoreText(Value);
  ClearSelection();
}

void TvxCustomTextBox::RestoreText(const std::u16string& Value) {
  text_ = Value;
  const int length = Length(text_);
  if (caretPosition_ > length) caretPosition_ = length;
  // The selection keeps its ends where the text still has them: a whole text selected
  // stays selected whole when its number is written in another form.
  selAnchor_ = std::clamp(selAnchor_, 0, length);
  selLength_ = std::clamp(selLength_, -selAnchor_, length - selAnchor_);
  // The text shows from its start, as far as the caret stays in view: a long number typed
  // and held to a short one shows the short one whole.
  firstVisibleChar_ = 1;
  SetCaretPosition(caretPosition_);
}

void TvxCustomTextBox::SetTextAlign(TvxTextAlign Value) {
  if (Value == textAlign_) return;
  textAlign_ = Value;
  Repaint();
}

void TvxCustomTextBox::SetPassword(bool Value) {
  if (Value == password_) return;
  password_ = Value;
  Repaint();
}

void TvxCustomTextBox::FontChanged(rtl::TObject*) { Repaint(); }

void TvxCustomTextBox::Change() {
  if (!modified_) return;
  if (BindingObjectCount() > 0) UpdateBindings();
  OnChange(this);
}

void TvxCustomTextBox::ChangeReported() {
  try {
    Change();
  } catch (...) {
    rtl::Application->HandleException(this);
  }
}

rtl::TPropValue TvxCustomTextBox::GetData() { return text_; }

void TvxCustomTextBox::SetData(const rtl::TPropValue& Value) {
  if (const auto* m = std::get_if<rtl::TMethod>(&Value)) {
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
    return;
  }
  SetText(PropValueToText(Value));
}

// ---- selection ------------------------------------------------------------------------------------

int TvxCustomTextBox::SelStart() const {
  int start = selLength_ > 0 ? selAnchor_ : selLength_ == 0 ? caretPosition_ : selAnchor_ + selLength_;
  return std::clamp(start, 0, Length(text_));
}

int TvxCustomTextBox::SelLength() const { return std::min(std::abs(selLength_), Length(text_) - SelStart()); }

std::u16string TvxCustomTextBox::SelText() const { return text_.substr(SelStart(), SelLength()); }

void TvxCustomTextBox::SetSelStart(int Value) {
  if (Value == SelStart()) return;
  selLength_ = 0;
  selAnchor_ = Value;
  SetCaretPosition(Value);
  Repaint();
}

void TvxCustomTextBox::SetSelLength(int Value) {
  if (Value == selLength_) return;
  selLength_ = Value;
  KeepWholeCharacters();
  Repaint();
}

void TvxCustomTextBox::SelectAll() {
  SetSelStart(0);
  SetSelLength(Length(text_));
  SetCaretPosition(Length(text_));
  Repaint();
}

void TvxCustomTextBox::ClearSelection() {
  selLength_ = 0;
  selAnchor_ = caretPosition_;
}

void TvxCustomTextBox::ExtendSelection(int OldCaret, int NewCaret) {
  selLength_ -= NewCaret - OldCaret;
  selAnchor_ = NewCaret;
}

void TvxCustomTextBox::KeepWholeCharacters() {
  const int length = Length(text_);
  caretPosition_ = WholeCharAt(text_, caretPosition_);
  const int anchor = std::clamp(selAnchor_, 0, length);
  const int end = static_cast<int>(std::clamp<int64_t>(int64_t{anchor} + selLength_, 0, length));
  selAnchor_ = WholeCharAt(text_, anchor);
  selLength_ = WholeCharAt(text_, end) - selAnchor_;
}

void TvxCustomTextBox::SetCaretPosition(int Value) {
  caretPosition_ = Value;
  KeepWholeCharacters();
  UpdateFirstVisibleChar();
  if (selLength_ == 0) selAnchor_ = caretPosition_;
  Repaint();
  if (!IsFocused() || !showCaret_) return;
  const float h = font_->Size() * 1.25f;
  const TvxRect content = GetContentRect();
  SetCaretSize({2, h});
  SetCaretPos({GetCharX(caretPosition_) - 1, (content.Top + content.Bottom - h) / 2});
  SetCaretColor(fontFill_->GetSolidColor());
}

// ---- measuring and scrolling ---------------------------------------------------------------------

std::u16string TvxCustomTextBox::Slice(int From, int Count) const {
  From = std::clamp(From, 0, Length(text_));
  if (Count <= 0) return {};
  return text_.substr(From, Count);
}

float TvxCustomTextBox::TextWidth(const std::u16string& S) {
  if (password_) return static_cast<float>(S.size()) * PasswordCharWidth();
  TvxCanvas* canvas = GetCanvas();
  if (!canvas || S.empty()) return 0;
  canvas->Font()->Assign(font_.get());
  const TvxRect content = GetContentRect();
  TvxRect r{content.Left, content.Top, content.Left + 10000, content.Bottom};
  canvas->MeasureText(r, r, S, false, vgTextAlignNear, vgTextAlignCenter);
  return RectWidth(r);
}

TvxRect TvxCustomTextBox::GetContentRect() {
  if (auto* content = FindPart<TvxVisualObject>(this, "content")) return content->GetParentedRect();
  return GetLocalRect();
}

void TvxCustomTextBox::UpdateFirstVisibleChar() {
  if (caretPosition_ < firstVisibleChar_) {
    // The character before the caret in view, a surrogate pair whole.
    firstVisibleChar_ = std::max(1, caretPosition_ - std::max(UnitsBefore(text_, caretPosition_) - 1, 0));
    Repaint();
    return;
  }
  const float w = RectWidth(GetContentRect());
  const int len = Length(text_);
  auto visibleWidth = [&](int First) { return TextWidth(Slice(First - 1, caretPosition_ - First + 1)); };
  if (password_) {
    const float cw = PasswordCharWidth();
    while (static_cast<float>(caretPosition_ - firstVisibleChar_ + 1) * cw > w && len > firstVisibleChar_)
      firstVisibleChar_ += std::max(1, UnitsAt(text_, firstVisibleChar_ - 1));
  } else {
    while (visibleWidth(firstVisibleChar_) > w && len > firstVisibleChar_) {
      int step = 1;
      for (int s : {500, 100, 50, 10})
        if (visibleWidth(firstVisibleChar_ + s) > w) {
          step = s;
          break;
        }
      firstVisibleChar_ += step;
      // Never from the second half of a pair: past all of it.
      if (SplitsPair(text_, firstVisibleChar_ - 1)) ++firstVisibleChar_;
    }
  }
  Repaint();
}

float TvxCustomTextBox::GetCharX(int Pos) {
  const TvxRect content = GetContentRect();
  const int len = Length(text_);
  float textWidth;
  float x = content.Left;
  if (password_) {
    const float cw = PasswordCharWidth();
    textWidth = static_cast<float>(len) * cw;
    if (Pos > 0) x += static_cast<float>(std::min(Pos, len) - firstVisibleChar_ + 1) * cw;
  } else {
    textWidth = TextWidth(text_.empty() ? std::u16string(u"a") : text_);
    if (Pos > 0 && Pos <= len) x = content.Left + TextWidth(Slice(firstVisibleChar_ - 1, Pos - firstVisibleChar_ + 1));
  }
  const float spare = RectWidth(content) - textWidth;
  if (spare > 0) {
    if (textAlign_ == vgTextAlignCenter) x += spare / 2;
    if (textAlign_ == vgTextAlignFar) x += spare;
  }
  return x;
}

TvxPoint TvxCustomTextBox::GetCompositionPoint() {
  return MakePoint(GetCharX(caretPosition_), GetContentRect().Top);
}

int TvxCustomTextBox::GetPosAtX(float X) {
  if (text_.empty()) return firstVisibleChar_ - 1;
  const TvxRect content = GetContentRect();
  const int len = Length(text_);
  const float textWidth = password_ ? static_cast<float>(len) * PasswordCharWidth() : TextWidth(text_);
  const float spare = RectWidth(content) - textWidth;
  if (spare > 0) {
    if (textAlign_ == vgTextAlignCenter) X -= spare / 2;
    if (textAlign_ == vgTextAlignFar) X -= spare;
  }
  if (password_) {
    const float cw = PasswordCharWidth();
    if (!(cw > 0)) return firstVisibleChar_ - 1;
    const auto steps = Trunc((X - content.Left) / cw);
    return static_cast<int>(std::clamp<int64_t>(firstVisibleChar_ - 1 + steps, 0, len));
  }
  X -= content.Left;
  const int first = firstVisibleChar_ - 1;
  int i = first;
  float w1 = 0;
  float w2 = TextWidth(Slice(first, 1));
  while (w1 < X && i < len) {
    if (w1 + (w2 - w1) / 2 < X && w2 > X) {
      ++i;
      break;
    }
    if (w2 > X) break;
    ++i;
    w1 = w2;
    w2 = TextWidth(Slice(first, i - first + 1));
  }
  // Never between the halves of a pair: the nearer edge of the whole character.
  if (SplitsPair(text_, i)) {
    if (i - 1 < first) return i + 1;
    const float before = TextWidth(Slice(first, i - 1 - first)), after = TextWidth(Slice(first, i + 1 - first));
    return X - before <= after - X ? i - 1 : i + 1;
  }
  return i;
}

// ---- editing ------------------------------------------------------------------------------------------

void TvxCustomTextBox::InsertText(const std::u16string& S) {
  if (readOnly_) return;
  const int start = SelStart();
  std::u16string t = text_;
  t.erase(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
  t.insert(static_cast<size_t>(start), S);
  if (maxLength_ > 0 && Length(t) > maxLength_) {
    ClearSelection();
    return;
  }
  TvxFreeWatch self(this);
  editing_ = true;
  SetText(t);
  if (self.Gone()) return;
  selLength_ = 0;
  SetCaretPosition(start + Length(S));
}

void TvxCustomTextBox::DeleteSelection() {
  if (readOnly_) return;
  const int start = SelStart();
  std::u16string t = text_;
  t.erase(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
  selLength_ = 0;
  SetCaretPosition(start);
  TvxFreeWatch self(this);
  editing_ = true;
  SetText(t);
  if (!self.Gone()) ClearSelection();
}

void TvxCustomTextBox::CopyToClipboard() {
  const std::u16string s = SelText();
  if (!s.empty()) win::ClipboardSetText(s);
}

void TvxCustomTextBox::CutToClipboard() {
  CopyToClipboard();
  DeleteSelection();
}

void TvxCustomTextBox::PasteFromClipboard() {
  if (readOnly_) return;
  InsertText(win::ClipboardGetText());
}

// ---- keys -----------------------------------------------------------------------------------------------

void TvxCustomTextBox::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  inherited::KeyDown(Key, KeyChar, Shift);
  if (self.Gone()) return;
  const int old = caretPosition_;
  const bool ctrlOnly = Shift == rtl::TShiftState{rtl::ssCtrl};
  const bool shiftOnly = Shift == rtl::TShiftState{rtl::ssShift};
  bool moved = false;
  switch (Key) {
    case win::VK_BACK:
    case win::VK_DELETE: {
      if (readOnly_) break;
      if (SelLength() > 0) {
        if (shiftOnly)
          CutToClipboard();
        else
          DeleteSelection();
      } else {
        std::u16string t = text_;
        int caret = caretPosition_;
        // A character outside the 16-bit plane goes whole, both halves of its pair.
        const int n = Key == win::VK_BACK ? UnitsBefore(t, caret) : UnitsAt(t, caret);
        if (Key == win::VK_BACK) caret -= n;
        if (n > 0) t.erase(static_cast<size_t>(caret), static_cast<size_t>(n));
        editing_ = true;
        SetText(t);
        if (self.Gone()) return;
        SetCaretPosition(caret);
      }
      if (self.Gone()) return;
      OnTyping(this);
      if (self.Gone()) return;
      break;
    }
    case win::VK_RETURN:
      Change();
      if (self.Gone()) return;
      break;
    case win::VK_END:
      SetCaretPosition(Length(text_));
      moved = true;
      break;
    case win::VK_HOME:
      SetCaretPosition(0);
      moved = true;
      break;
    case win::VK_LEFT:
      SetCaretPosition(Shift.Contains(rtl::ssCtrl) ? PrevWordStart(text_, caretPosition_)
                                                   : caretPosition_ - std::max(1, UnitsBefore(text_, caretPosition_)));
      moved = true;
      break;
    case win::VK_RIGHT:
      SetCaretPosition(Shift.Contains(rtl::ssCtrl) ? NextWordStart(text_, caretPosition_)
                                                   : caretPosition_ + std::max(1, UnitsAt(text_, caretPosition_)));
      moved = true;
      break;
    case win::VK_INSERT:
      if (ctrlOnly) {
        CopyToClipboard();
      } else if (shiftOnly) {
        PasteFromClipboard();
        if (self.Gone()) return;
        OnTyping(this);
        if (self.Gone()) return;
      }
      break;
    default: break;
  }
  if (KeyChar != 0 && !filterChar_.empty() && filterChar_.find(KeyChar) == std::u16string::npos) KeyChar = 0;
  if (ctrlOnly) {
    switch (KeyChar) {
      case u'A':
      case u'a':
        SelectAll();
        KeyChar = 0;
        break;
      case u'C':
      case u'c':
        CopyToClipboard();
        KeyChar = 0;
        break;
      case u'V':
      case u'v':
        KeyChar = 0;
        PasteFromClipboard();
        if (self.Gone()) return;
        OnTyping(this);
        if (self.Gone()) return;
        break;
      case u'X':
      case u'x':
        KeyChar = 0;
        CutToClipboard();
        if (self.Gone()) return;
        break;
      case u'Z':
      case u'z': KeyChar = 0; break;
      default: break;
    }
  }
  if (moved) {
    if (Shift.Contains(rtl::ssShift))
      ExtendSelection(old, caretPosition_);
    else
      ClearSelection();
    Repaint();
  }
  if (TypesChar(KeyChar, Shift) && !readOnly_) {
    if (const std::u16string typed = typed_.Take(KeyChar); !typed.empty()) {
      InsertText(typed);
      if (self.Gone()) return;
      OnTyping(this);
      if (self.Gone()) return;
    }
  } else {
    typed_.Forget();
  }
  SetCaretPosition(caretPosition_);
}

// ---- mouse, menu and focus ----------------------------------------------------------------------------

void TvxCustomTextBox::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  typed_.Forget();
  const bool hadFocus = IsFocused();
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  selecting_ = true;
  if (hadFocus && !Shift.Contains(rtl::ssDouble)) {
    ClearSelection();
    SetCaretPosition(GetPosAtX(X));
    ClearSelection();
  }
}

void TvxCustomTextBox::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !selecting_) return;
  const int old = caretPosition_;
  const int p = GetPosAtX(X);
  SetCaretPosition(X > GetContentRect().Right ? p + std::max(1, UnitsAt(text_, p)) : p);
  ExtendSelection(old, caretPosition_);
  Repaint();
}

void TvxCustomTextBox::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  selecting_ = false;
  inherited::MouseUp(Button, Shift, X, Y);
}

void TvxCustomTextBox::DblClick() {
  TvxFreeWatch self(this);
  inherited::DblClick();
  if (!self.Gone()) SelectAll();
}

void TvxCustomTextBox::UpdateMenuItems() {
  EnableEditMenuItems(contextMenu_.get(), !SelText().empty(), readOnly_, SelText() == text_);
}

void TvxCustomTextBox::ContextMenu(const TvxPoint& ScreenPoint) {
  TvxFreeWatch self(this);
  inherited::ContextMenu(ScreenPoint);
  if (self.Gone() || (Scene() && Scene()->GetDesignTime())) return;
  UpdateMenuItems();
  contextMenu_->SetPopupComponent(this);
  contextMenu_->Popup(static_cast<int>(Round(ScreenPoint.X)), static_cast<int>(Round(ScreenPoint.Y)));
}

void TvxCustomTextBox::EnterFocus() {
  TvxFreeWatch self(this);
  inherited::EnterFocus();
  if (self.Gone()) return;
  modified_ = false;
  if (CaretShown()) TvxVisualObject::ShowCaret();
  if (Scene() && Scene()->ShowKeyboard(this))
    SetCaretPosition(Length(text_));
  else
    SelectAll();
}

void TvxCustomTextBox::KillFocus() {
  typed_.Forget();
  if (Scene()) Scene()->HideKeyboard(this);
  if (showCaret_) HideCaret();
  TvxFreeWatch self(this);
  inherited::KillFocus();
  if (!self.Gone()) ChangeReported();
}

// ---- style and painting ----------------------------------------------------------------------------------

void TvxCustomTextBox::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* content = FindPart<TvxContent>(this, "content"))
    content->OnPaint = TvxPaintEvent(this, &TvxCustomTextBox::PaintContent);
  if (auto* selection = FindPart<TvxBrushObject>(this, "selection")) selectionFill_->Assign(selection->Brush());
  if (auto* foreground = FindPart<TvxBrushObject>(this, "foreground")) fontFill_->Assign(foreground->Brush());
}

void TvxCustomTextBox::PaintContent(rtl::TObject*, TvxCanvas* Canvas, const TvxRect& ARect) {
  if (text_.empty() || !Canvas) return;
  const int state = Canvas->SaveState();
  Canvas->IntersectClipRect(ARect);
  Canvas->Font()->Assign(font_.get());
  Canvas->Fill()->Assign(fontFill_.get());
  const float opacity = GetAbsoluteOpacity();
  const std::u16string shown = Slice(firstVisibleChar_ - 1, Length(text_));
  if (!password_) {
    TvxRect r = ARect;
    if (textAlign_ == vgTextAlignNear) r.Right += font_->Size() / 2;
    Canvas->FillText(r, r, shown, false, opacity, textAlign_, vgTextAlignCenter);
  } else {
    const float side = PasswordCharWidth() - 1;
    TvxRect dot{ARect.Left, ARect.Top + (RectHeight(ARect) - side) / 2, 0, 0};
    dot.Right = dot.Left + side;
    dot.Bottom = dot.Top + side;
    for (size_t i = 0; i < shown.size(); ++i) {
      Canvas->FillEllipse(dot, opacity);
      dot.Left += side + 1;
      dot.Right += side + 1;
    }
  }
  if (IsFocused() && SelLength() > 0) {
    Canvas->Fill()->Assign(selectionFill_.get());
    const TvxRect content = GetContentRect();
    const int start = SelStart();
    TvxRect sel{GetCharX(start), content.Top, GetCharX(start + SelLength()) + 1, content.Bottom};
    OffsetRectF(sel, -content.Left, -content.Top);
    Canvas->FillRect(sel, 0, 0, AllCorners, opacity);
  }
  Canvas->RestoreState(state);
}

// ---- the published classes ---------------------------------------------------------------------------

namespace {
// Password and Text, as the plain text boxes publish them.
template <class T>
rtl::TClassInfo TextBoxRecord() {
  return rtl::DefineClass<T>()
      .Property("Password", &T::Password, &T::SetPassword)
      .Default(false)
      .Property("Text", &T::Text, &T::SetText)
      .Build();
}
}  // namespace

rtl::TClass TvxTextBox::StaticClass() {
  static const rtl::TClassInfo info = TextBoxRecord<TvxTextBox>();
  return &info;
}

rtl::TClass TvxHudTextBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudTextBox>().Build();
  return &info;
}

rtl::TClass TvxRoundTextBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxRoundTextBox>().Build();
  return &info;
}

rtl::TClass TvxHudRoundTextBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudRoundTextBox>().Build();
  return &info;
}

rtl::TClass TvxTextBoxClearBtn::StaticClass() {
  static const rtl::TClassInfo info = TextBoxRecord<TvxTextBoxClearBtn>();
  return &info;
}

void TvxTextBoxClearBtn::ApplyStyle() {
  inherited::ApplyStyle();
  clearButton_ = FindPart<TvxCustomButton>(this, "clearbutton");
  if (!clearButton_) return;
  clearButton_->OnClick = rtl::TNotifyEvent(this, &TvxTextBoxClearBtn::ClearClick);
  if (Scene() && !Scene()->GetDesignTime()) {
    clearButton_->SetLocked(false);
    clearButton_->SetHitTest(true);
  }
}

void TvxTextBoxClearBtn::ClearClick(rtl::TObject*) {
  TvxFreeWatch self(this);
  SetFocus();
  if (!self.Gone()) SetText(u"");
}

}  // namespace vg
