// The multi-line text editor: a scroll box that keeps one wide text with CR LF line ends,
// lays it out in display lines and edits it with a caret, a selection, keys, mouse,
// clipboard, a context menu ("Undo", "Cut", "Copy", "Paste", "Delete", "Select All") and an
// undo stack.
//
// Display lines: the text is cut into paragraphs after each CR, LF or CR LF (a CR followed
// by LF is one line end); with WordWrap a paragraph wider than the viewport is cut further
// after spaces, commas and hyphens. A text that ends with a line end has one more, empty,
// line after it; an empty text has no lines at all. Every line is LineHeight high (the font
// size x 1.25, rounded: 14 for the default font).
//
// Positions are (line, column) pairs: column = characters of the display line before the
// position. Text indexes are 0-based indexes into Text. A line end is never split: an edit
// that would leave a CR without its LF takes the pair.
//
// Undo: every recorded edit pushes a record; insertions that continue the top insertion
// and deletions that touch the top deletion (Delete again at the same place, Backspace
// just before it) join it. Typing, pasting or Enter over a selection records the deletion
// and an insertion grouped with it, so that one Undo takes back both. Only the context
// menu's "Undo" (and code) undoes; no key does. A text set from code (Text, Lines) empties
// the stack: its records name places in the text they were made on.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vg2d/controls/EditKeys.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/core/WideStrings.h"

namespace win {
class TPopupMenu;
}

namespace vg {

class TvxMemo;

RTL_ENUM(TEditCharCase, vgecNormal, vgecUpperCase, vgecLowerCase);

struct TvxMemoPos {
  int Line = 0;
  int Column = 0;
  friend bool operator==(const TvxMemoPos&, const TvxMemoPos&) = default;
};

// The memo's display lines as a list. Insert, Delete and Clear edit the memo's text (not
// recorded for undo: they empty the undo stack) and then run the memo's Change.
class TvxMemoLines : public TvxWideStrings {
  RTL_CLASS(TvxMemoLines, TvxWideStrings)
public:
  explicit TvxMemoLines(TvxMemo* Memo) : memo_(Memo) {}
  // 0 for an empty text, else the number of display lines.
  int GetCount() const override;
  // Display line Index without its line end.
  std::u16string Get(int Index) const override;
  // S and a line end before line Index; past the last line: a line end and S after it.
  void Insert(int Index, const std::u16string& S) override;
  // Line Index with one line end (its own, or for the last line the one before it).
  void Delete(int Index) override;
  void Clear() override;
  // The whole text (with its own line ends), as the memo keeps it.
  std::u16string GetTextStr() const override;
  void SetTextStr(const std::u16string& Text) override;

protected:
  // Lines outside the text raise EStringListError, as the lines of the class library's
  // memo do.
  bool QuietIndexes() const override { return false; }
  // While updating the memo does not lay itself out again; the end of an update does.
  void SetUpdateState(bool Updating) override;

private:
  TvxMemo* memo_;
};

// One undo record: a deletion (Text was removed at Index) or an insertion (Count
// characters went in at Index). Grouped: undo goes on with the record below.
struct TvxMemoUndoRecord {
  bool Inserted = false;
  bool Grouped = false;
  int Index = 0;
  std::u16string Text;
  int Count = 0;
};

// The unbounded undo stack with its joining rules.
class TvxMemoUndoStack {
public:
  // N characters inserted at Index: joins a top insertion that ends at Index.
  void RecordInsert(int Index, int N, bool Grouped);
  // Text deleted at Index: joins a top deletion at the same index (appended) or just after
  // the deleted text (put in front).
  void RecordDelete(int Index, const std::u16string& Text);
  bool Empty() const { return records_.empty(); }
  size_t Size() const { return records_.size(); }
  const TvxMemoUndoRecord& Top() const { return records_.back(); }
  TvxMemoUndoRecord Pop();
  void Clear() { records_.clear(); }

private:
  std::vector<TvxMemoUndoRecord> records_;
};

class TvxMemo : public TvxScrollBox, public IvxTextInput {
  RTL_CLASS(TvxMemo, TvxScrollBox)
public:
  // InsertAt and DeleteAt options.
  static constexpr int SelectInserted = 1;  // insert: select the text; delete: caret to the place
  static constexpr int RecordDeletion = 2;
  static constexpr int RecordInsertion = 4;
  static constexpr int GroupWithBelow = 8;

  explicit TvxMemo(rtl::TComponent* AOwner);
  ~TvxMemo() override;

  // ---- text and look ------------------------------------------------------------------------
  const std::u16string& Text() const { return text_; }
  // A different text (upper- or lower-cased by CharCase) is stored and laid out, and the
  // undo stack emptied; fires OnChangeTracking unless loading, and sets Modified.
  virtual void SetText(const std::u16string& Value);
  TvxMemoLines* Lines() const { return lines_.get(); }
  void SetLines(TvxWideStrings* Value);
  TvxFont* Font() const { return font_.get(); }
  void SetFont(TvxFont* Value) { font_->Assign(Value); }
  TvxTextAlign TextAlign() const { return textAlign_; }
  void SetTextAlign(TvxTextAlign Value) { textAlign_ = Value; }
  TvxBrush* FontFill() const { return fontFill_.get(); }
  TvxBrush* SelectionFill() const { return selectionFill_.get(); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool Value) { autoSelect_ = Value; }
  TEditCharCase CharCase() const { return charCase_; }
  // Applies to texts set afterwards; the text now stays as it is.
  void SetCharCase(TEditCharCase Value) { charCase_ = Value; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value);
  // The most characters inserting may leave; 0: no bound.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value) { maxLength_ = Value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  bool Modified() const { return modified_; }
  // The font size x 1.25, rounded, at least 1.
  int LineHeight() const;

  // ---- display lines and positions ------------------------------------------------------
  // The most units one display line holds, so that measuring, painting and editing a line
  // take a bounded time however long its paragraph is.
  static constexpr int MaxLineLength = 1024;
  static constexpr int LongParagraph = 4 * MaxLineLength;
  int LineCount() const { return static_cast<int>(lineStarts_.size()); }
  // Display line Index without its line end; empty outside the lines.
  std::u16string LineText(int Index) const;
  // The widest display line, as laid out.
  int WidestLine() const { return widestLine_; }
  int TextIndexOf(TvxMemoPos Pos) const;
  TvxMemoPos PosOfIndex(int Index) const;
  // The point (memo coordinates) of a position's top-left corner.
  TvxPoint GetPositionPoint(TvxMemoPos Pos);
  // The position nearest to a point (memo coordinates).
  TvxMemoPos PositionAtPoint(const TvxPoint& P);
  // Composed text goes to the caret's point, in the memo's font.
  TvxPoint GetCompositionPoint() override { return GetPositionPoint(caret_); }
  TvxFont* GetCompositionFont() override { return font_.get(); }
  // The width of S in the memo's font.
  float TextWidth(const std::u16string& S);

  // ---- caret and selection -----------------------------------------------------------------
  TvxMemoPos CaretPosition() const { return caret_; }
  // Clamped to the lines and off the middle of a surrogate pair (as every position the memo
  // keeps); drops the selection; scrolls it into view.
  void SetCaretPosition(TvxMemoPos Value);
  TvxMemoPos SelStart() const { return selStart_; }
  TvxMemoPos SelEnd() const { return selEnd_; }
  // The selection from Start to End; the caret goes to End.
  void Select(TvxMemoPos Start, TvxMemoPos End);
  // Whether some text is selected.
  bool HasSelection() const;
  std::u16string SelText() const;
  int FirstVisibleColumn() const { return firstVisibleColumn_; }
  // The caret line scrolled into view, the caret object placed.
  void UpdateCaret();

  // ---- editing --------------------------------------------------------------------------------
  void InsertAt(TvxMemoPos Pos, const std::u16string& S, int Options);
  void DeleteAt(TvxMemoPos Pos, int Count, int Options);
  void SelectAll();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void DeleteSelection();
  void Undo();
  const TvxMemoUndoStack& UndoStack() const { return undo_; }
  // OnChange (and the bound controls' data) when Modified.
  virtual void Change();

  // ---- input ------------------------------------------------------------------------------------
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // The scroll box's scrolling, then a further delta / 30 up while the vertical bar shows.
  void MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) override;
  void ContextMenu(const TvxPoint& ScreenPoint) override;
  void EnterFocus() override;
  void KillFocus() override;
  void Realign() override;
  win::TPopupMenu* TextMenu() const { return contextMenu_.get(); }
  void UpdateMenuItems();

  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnChangeTracking;

protected:
  friend class TvxMemoLines;
  void ApplyStyle() override;
  // The text extent: the viewport, as high as the lines and (without WordWrap) as wide as
  // the widest line + 10.
  TvxRect GetContentBounds() override;
  void ContentPaint(TvxCanvas* Canvas, const TvxRect& ARect) override;
  void Loaded() override;

private:
  struct TLaidLine {
    int Start;
    float Width;
  };
  struct TSavedPlaces {
    int Caret, SelStart, SelEnd;
  };
  struct TEdit {
    int Index = 0, Removed = 0, Inserted = 0;
  };
  void FontChanged(rtl::TObject* Sender);
  // Stores the text of an edit (Removed characters at Index replaced by Inserted ones);
  // only the lines it touched are laid out again.
  void StoreEdited(const std::u16string& Value, int Index, int Removed, int Inserted);
  // Lays out all lines, keeping caret and selection at their text indexes (taken before
  // the text changed).
  void LayoutAll();
  void LayoutAll(const TSavedPlaces& Saved);
  TSavedPlaces SavePlaces() const;
  // Lays out again the paragraphs an edit at Index touched (Removed characters replaced by
  // Inserted ones); in a paragraph of more than LongParagraph units, only the display
  // lines the edit touched.
  void LayoutEdited(int Index, int Removed, int Inserted);
  // The display lines of the paragraphs in [From, To) of the text. A run of more than
  // MaxLineLength units without a line end is cut into pieces of at most that many first
  // (never inside a surrogate pair), each laid out as a paragraph of its own.
  std::vector<TLaidLine> LayParagraphs(int From, int To);
  // Lays the units [Start, BodyEnd) of one paragraph, wrapped to Limit with WordWrap.
  void LayPiece(int Start, int BodyEnd, float Limit, std::vector<TLaidLine>& Out);
  void FindWidestLine();
  int LineLength(int Line) const;
  float WrapWidth() const;
  TvxPoint ViewportOrigin() const;
  TvxMemoPos Clamp(TvxMemoPos P) const;
  // The line and column at the same x on another line.
  TvxMemoPos SameXOnLine(int Line);
  TvxMemoPos NextWordPos(TvxMemoPos P) const;
  TvxMemoPos PrevWordPos(TvxMemoPos P) const;
  TvxMemoPos EndOfText() const;
  // Deletes the selection when there is one (recorded); true when it did.
  bool DeleteSelected();
  // Replaces the selection (recorded) by S (recorded, grouped with it).
  void TypeText(const std::u16string& S);
  void ScrollCaretIntoView();
  void SetVScroll(float Value);
  void MenuUndo(rtl::TObject*) { Undo(); }
  void MenuCut(rtl::TObject*) { CutToClipboard(); }
  void MenuCopy(rtl::TObject*) { CopyToClipboard(); }
  void MenuPaste(rtl::TObject*) { PasteFromClipboard(); }
  void MenuDelete(rtl::TObject*) { DeleteSelection(); }
  void MenuSelectAll(rtl::TObject*) { SelectAll(); }

  std::u16string text_;
  std::vector<int> lineStarts_;
  std::vector<float> lineWidths_;
  const std::unique_ptr<TvxMemoLines> lines_;
  const std::unique_ptr<TvxFont> font_;
  const std::unique_ptr<TvxBrush> fontFill_;
  const std::unique_ptr<TvxBrush> selectionFill_;
  TvxTextAlign textAlign_ = vgTextAlignNear;
  TvxMemoPos caret_;
  TvxMemoPos selStart_;
  TvxMemoPos selEnd_;
  bool selected_ = false;
  int firstVisibleColumn_ = 1;
  bool wordWrap_ = false;
  bool autoSelect_ = true;
  TEditCharCase charCase_ = vgecNormal;
  bool hideSelection_ = true;
  int maxLength_ = 0;
  bool readOnly_ = false;
  bool modified_ = false;
  bool selecting_ = false;
  TvxTypedHalves typed_;
  bool relayout_ = true;
  TEdit edit_;
  bool linesUpdating_ = false;
  bool realigning_ = false;
  int widestLine_ = 0;
  float laidWidth_ = -1;
  TvxMemoUndoStack undo_;
  std::unique_ptr<win::TPopupMenu> contextMenu_;
};

class TvxHudMemo : public TvxMemo {
  RTL_CLASS(TvxHudMemo, TvxMemo)
public:
  using TvxMemo::TvxMemo;
};

}  // namespace vg
