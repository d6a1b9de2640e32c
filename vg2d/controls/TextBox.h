// The single-line text editors: TvxCustomTextBox keeps a wide text, a caret, a selection
// and a horizontally scrolled view, paints the text (or one dot per character for a
// password) into its style's part "content", and edits by keys, mouse, clipboard and its
// own context menu ("Cut", "Copy", "Paste", "Delete", "Select All").
//
// The selection is kept as an anchor (the caret end, following the caret while nothing
// is selected) and a signed length from the anchor to the fixed end: positive when the
// selection lies right of the anchor. Moving the caret with Shift from Old to New
// subtracts New - Old from the length and moves the anchor to New.
//
// Changes are reported in three grades: OnChangeTracking at every change of Text (but not
// while loading), OnTyping after each key that types, deletes or pastes, OnChange on Enter
// and on leaving the focus once the text changed since the box last got the focus (and
// again at every later Enter or focus exit until it is focused anew).
//
// FirstVisibleChar is 1-based: the first character drawn at the content's left edge.
// Positions (CaretPosition, SelStart) count the characters before them, 0 .. length.
#pragma once

#include <memory>
#include <string>

#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/EditKeys.h"
#include "vg2d/core/Controls.h"

namespace win {
class TPopupMenu;
}

namespace vg {

class TvxCustomTextBox : public TvxControl, public IvxTextInput {
  RTL_CLASS(TvxCustomTextBox, TvxControl)
public:
  explicit TvxCustomTextBox(rtl::TComponent* AOwner);
  ~TvxCustomTextBox() override;

  // ---- text and look --------------------------------------------------------------------
  const std::u16string& Text() const { return text_; }
  // A different text is stored (the caret moves to its end when it is shorter than the
  // caret position), fires OnChangeTracking unless loading, sets Modified and repaints. A text
  // set from code shows from its start as far as the caret stays in view; the box's own edits
  // (typing, deleting, pasting) keep the view where it was.
  virtual void SetText(const std::u16string& Value);
  TvxFont* Font() const { return font_.get(); }
  void SetFont(TvxFont* Value) { font_->Assign(Value); }
  TvxTextAlign TextAlign() const { return textAlign_; }
  void SetTextAlign(TvxTextAlign Value);
  bool Password() const { return password_; }
  void SetPassword(bool Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  // The text colour (the style's brush object "foreground" replaces it).
  TvxBrush* FontFill() const { return fontFill_.get(); }
  // The selection colour (the style's brush object "selection" replaces it).
  TvxBrush* SelectionFill() const { return selectionFill_.get(); }
  // The characters typing may enter; empty: any.
  const std::u16string& FilterChar() const { return filterChar_; }
  void SetFilterChar(const std::u16string& Value) { filterChar_ = Value; }
  // The most characters an insert may leave; 0: no bound.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value) { maxLength_ = Value; }
  bool ShowCaret() const { return showCaret_; }
  void SetShowCaret(bool Value) { showCaret_ = Value; }
  bool Modified() const { return modified_; }
  int FirstVisibleChar() const { return firstVisibleChar_; }

  // ---- caret and selection ------------------------------------------------------------
  int CaretPosition() const { return caretPosition_; }
  // Clamps to 0 .. length (off the middle of a surrogate pair, as every change keeps caret
  // and selection), scrolls the caret into view, lets the anchor follow when nothing is
  // selected, repaints and, while focused with ShowCaret, places the caret object.
  void SetCaretPosition(int Value);
  int SelStart() const;
  int SelLength() const;
  std::u16string SelText() const;
  // A different start drops the selection and puts the caret there.
  void SetSelStart(int Value);
  // Selects Value characters from SelStart (the signed length becomes Value, its end on a
  // whole character).
  void SetSelLength(int Value);
  void SelectAll();

  // ---- editing ------------------------------------------------------------------------------
  // Replaces the selection by S at SelStart (nothing when ReadOnly, nothing but dropping
  // the selection when the result would exceed MaxLength); the caret follows S.
  void InsertText(const std::u16string& S);
  void DeleteSelection();
  // Copies the selected text (also from a password or read-only box).
  void CopyToClipboard();
  void CutToClipboard();
  // Replaces the selection by the clipboard's text (not when ReadOnly).
  void PasteFromClipboard();
  // OnChange (and the bound controls' data) when Modified.
  virtual void Change();

  // ---- geometry -------------------------------------------------------------------------
  // The text area in the box's coordinates: the part "content" where it is, else the box.
  TvxRect GetContentRect();
  // The x of the caret slot before character Pos + 1 (box coordinates).
  float GetCharX(int Pos);
  // The caret slot nearest to a box x coordinate.
  int GetPosAtX(float X);
  // The width of S in the box's font (a password counts half the font size a character).
  float TextWidth(const std::u16string& S);
  // Composed text goes to the caret's slot, at the top of the text area, in the box's font.
  TvxPoint GetCompositionPoint() override;
  TvxFont* GetCompositionFont() override { return font_.get(); }

  // ---- input --------------------------------------------------------------------------------
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void DblClick() override;
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  // After any PopupMenu of the box: its own menu, its items enabled for the state now.
  void ContextMenu(const TvxPoint& ScreenPoint) override;
  void EnterFocus() override;
  // Hides the caret, then Change; a failing Change goes to the application's handler.
  void KillFocus() override;
  // The box's own context menu.
  win::TPopupMenu* TextMenu() const { return contextMenu_.get(); }
  // Enables the menu's items for the state now (as a popup does).
  void UpdateMenuItems();

  // The data of a text box is its text; a method becomes OnChange.
  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnChangeTracking;
  rtl::TNotifyEvent OnTyping;

protected:
  // Binds the part "content"'s painting and takes the brushes "selection" and "foreground".
  void ApplyStyle() override;
  virtual void FontChanged(rtl::TObject* Sender);
  // Stores a text as it is (no events, Modified unchanged), drops the selection and keeps
  // the caret inside the text; the text shows from its start as far as the caret stays in
  // view; repaints.
  void StoreText(const std::u16string& Value);
  // The same, but the selection stays (held inside the new text): a number box writing
  // back the number it holds must not undo the select-all of the press that focused it.
  void RestoreText(const std::u16string& Value);
  void SetModified(bool Value) { modified_ = Value; }
  // Runs Change, reporting a failure to the application instead of raising it.
  void ChangeReported();
  // Whether the caret object shows while the box is focused: ShowCaret.
  virtual bool CaretShown() const { return showCaret_; }

private:
  void PaintContent(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect);
  void UpdateFirstVisibleChar();
  void ClearSelection();
  void ExtendSelection(int OldCaret, int NewCaret);
  // Caret, anchor and the selection's other end brought into the text and onto whole
  // characters (a place between the halves of a pair goes to the pair's start).
  void KeepWholeCharacters();
  float PasswordCharWidth() const { return font_->Size() / 2; }
  // The Count characters from the 0-based index From (clamped to the text).
  std::u16string Slice(int From, int Count) const;
  void MenuCut(rtl::TObject*) { CutToClipboard(); }
  void MenuCopy(rtl::TObject*) { CopyToClipboard(); }
  void MenuPaste(rtl::TObject*) { PasteFromClipboard(); }
  void MenuDelete(rtl::TObject*) { DeleteSelection(); }
  void MenuSelectAll(rtl::TObject*) { SelectAll(); }

  std::u16string text_;
  const std::unique_ptr<TvxFont> font_;
  const std::unique_ptr<TvxBrush> fontFill_;
  const std::unique_ptr<TvxBrush> selectionFill_;
  TvxTextAlign textAlign_ = vgTextAlignNear;
  bool readOnly_ = false;
  bool password_ = false;
  int caretPosition_ = 0;
  int selAnchor_ = 0;
  int selLength_ = 0;
  int firstVisibleChar_ = 1;
  int maxLength_ = 0;
  std::u16string filterChar_;
  bool showCaret_ = true;
  bool modified_ = false;
  bool selecting_ = false;
  // Set by the box's own edits just before their SetText, which takes it back at once.
  bool editing_ = false;
  TvxTypedHalves typed_;
  std::unique_ptr<win::TPopupMenu> contextMenu_;
};

// Publishes Password and Text.
class TvxTextBox : public TvxCustomTextBox {
  RTL_CLASS(TvxTextBox, TvxCustomTextBox)
public:
  using TvxCustomTextBox::TvxCustomTextBox;
};

class TvxHudTextBox : public TvxTextBox {
  RTL_CLASS(TvxHudTextBox, TvxTextBox)
public:
  using TvxTextBox::TvxTextBox;
};

class TvxRoundTextBox : public TvxTextBox {
  RTL_CLASS(TvxRoundTextBox, TvxTextBox)
public:
  using TvxTextBox::TvxTextBox;
};

class TvxHudRoundTextBox : public TvxTextBox {
  RTL_CLASS(TvxHudRoundTextBox, TvxTextBox)
public:
  using TvxTextBox::TvxTextBox;
};

// A text box whose style's button "clearbutton" empties it (and focuses it).
class TvxTextBoxClearBtn : public TvxCustomTextBox {
  RTL_CLASS(TvxTextBoxClearBtn, TvxCustomTextBox)
public:
  using TvxCustomTextBox::TvxCustomTextBox;
  TvxCustomButton* ClearButton() const { return clearButton_; }

protected:
  void ApplyStyle() override;
  void FreeStyle() override { clearButton_ = nullptr; }

private:
  void ClearClick(rtl::TObject* Sender);
  TvxCustomButton* clearButton_ = nullptr;
};

}  // namespace vg
