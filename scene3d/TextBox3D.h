// The 3D text box: a one-line editable text field that lives in the scene as a flat
// extruded shape. It takes the keyboard focus and shows a background plate, its text as
// filled glyph outlines, and a selection band or a caret; it edits with the keys, selects
// with the keys and the mouse, copies and pastes through the clipboard as Unicode text and
// offers a context menu ("Cut", "Copy", "Paste", "Delete", "Select All"). In password mode
// each character shows as a small square. Ctrl+A selects all and Ctrl+C, V and X copy, paste
// and cut; no character that comes with Ctrl (Alt not held) types, nor any control character.
// Left and Right step over a character outside the 16-bit plane, Backspace and Delete take it whole,
// and typed as its two halves it goes in whole or not at all (a key, a click or a change of focus
// between the halves drops the first).
//
// Lengths inside the box are in scene units; text is measured by the 2D library at the
// box's font with one scene unit to ten font pixels. Positions count UTF-16 units: the caret
// stands before the character of its 0-based index; the selection is an anchor and a signed
// length (positive: it runs from the anchor to the right). The first visible character
// (1-based) scrolls so that the caret stays in the box; the box shows the whole characters
// that fit from there on. Caret, anchor and selection are brought back into the text, onto
// whole characters, before every operation, so a text set from code may be shorter than they
// say or put a pair where they stood between two characters.
//
// Changes are reported in two grades: OnTyping after each edit made from the keyboard,
// OnChange on Enter and on losing the focus while the text changed since the box last
// gained the focus (the flag stays set until then).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/rtl/Events.h"
#include "scene3d/Shapes3D.h"
#include "vg2d/controls/EditKeys.h"

namespace win {
class TPopupMenu;
}

namespace dx {

class TdxTextBox3D : public TdxShape3D {
  RTL_CLASS(TdxTextBox3D, TdxShape3D)
public:
  // The flatness the glyph outlines are filled at.
  static constexpr float GlyphFlatness = 0.25f;

  // 10 x 2, background "#B0505050", selection "#802A8ADF", focusable, the I-beam cursor,
  // holding the mouse while a button is down.
  explicit TdxTextBox3D(rtl::TComponent* AOwner);
  ~TdxTextBox3D() override;

  // ---- properties --------------------------------------------------------------------------------
  const std::u16string& Text() const { return text_; }
  // A different text is stored and sets the changed flag; the box repaints. The caret
  // stays, brought back into the text; hidden characters at the left come into view while the
  // rest of the text leaves room for them, and the caret is scrolled into view.
  virtual void SetText(const std::u16string& Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  bool Password() const { return password_; }
  void SetPassword(bool Value);
  TdxFont* Font() const { return font_.get(); }
  void SetFont(TdxFont* Value) { font_->Assign(Value); }
  // Colours as "#AARRGGBB".
  std::string Background() const;
  void SetBackground(const std::string& Value);
  std::string Selection() const;
  void SetSelection(const std::string& Value);
  bool ShowBackground() const { return showBackground_; }
  void SetShowBackground(bool Value);
  // 0: no limit. An edit that would make the text longer only clears the selection.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value) { maxLength_ = Value < 0 ? 0 : Value; }

  // ---- caret and selection --------------------------------------------------------------------------
  int CaretPosition() const { return caret_; }
  // Clamped to the text and onto a whole character, scrolled into view; without a selection
  // the anchor follows.
  void SetCaretPosition(int Value);
  int SelAnchor() const { return anchor_; }
  // Signed: see the file comment.
  int SelLengthSigned() const { return selLength_; }
  // The anchor with a positive length, the caret without a selection, anchor + length with a
  // negative one.
  int SelStart() const;
  int SelLength() const { return selLength_ < 0 ? -selLength_ : selLength_; }
  std::u16string SelText() const;
  int FirstVisibleChar() const { return firstVisible_; }
  // Set by every change of the text, cleared when the box gains the focus.
  bool Changed() const { return changed_; }
  bool Selecting() const { return selecting_; }

  // ---- measures ----------------------------------------------------------------------------------------
  // The width of S in box units; in password mode every character is as wide as "a".
  float TextWidth(const std::u16string& S);
  // The character boundary nearest to X (box units from the left edge), counted from the
  // first visible character; never between the halves of a surrogate pair.
  int CharIndexAt(float X);
  // X of position P from the box's left edge (through the first visible character).
  float CharX(int P);

  // ---- editing ----------------------------------------------------------------------------------------
  // Insert, delete and paste do nothing on a read-only box; copy and select all always act.
  void InsertText(const std::u16string& S);
  void DeleteSelection();
  void CopyToClipboard();
  void CutToClipboard();
  // Nothing when the clipboard holds no text.
  void PasteFromClipboard();
  void SelectAll();
  // OnChange, when the text changed since the box gained the focus.
  void CommitChange();
  // The context menu; its items are enabled for the box's state each time it opens.
  win::TPopupMenu* EditMenu() const { return menu_.get(); }

  // ---- the visual object's slots ---------------------------------------------------------------------------
  void KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  void EnterFocus() override;
  void KillFocus() override;
  void ContextMenu(int X, int Y) override;
  // The box takes typed text: composed text goes to the caret, at the top of its bar, in
  // the box's font. The point is the scene point there (client pixels in screen space).
  bool TextInput(TdxTextInputInfo& Info) override;
  void Render() override;
  // A left press that gives the box the focus leaves the caret to the press, in the text as
  // the box showed it (the focus alone puts it at the end).
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  // While selecting with the mouse, a move off the box still reaches the selection at the
  // point where the ray meets the box's plane.
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                 const TdxVector& RayDir) override;
  void ShapeMouseMove(rtl::TShiftState Shift, float X, float Y) override;
  void ShapeMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void ShapeMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnTyping;

private:
  int Length() const { return static_cast<int>(text_.size()); }
  // Caret, anchor, selection and first visible character brought back into the text, the
  // first three onto whole characters.
  void Normalize();
  // Moves the first visible character so that the caret is in view; repaints.
  void ScrollToCaret();
  // The font's width of Count characters from index From (0-based), cached.
  float MeasureSlice(int From, int Count);
  float PasswordCharWidth();
  // The width of Count characters from From as the box counts it (password mode too).
  float SliceWidth(int From, int Count);
  // Whether that width is above Limit; long runs are decided on a prefix when it suffices.
  bool WiderThan(int From, int Count, float Limit);
  // How many whole characters from the first visible one fit in Limit.
  int FitCount(float Limit);
  // The 1 x 1 canvas of the 2D library that measures and outlines at the box's font; nil
  // when the 2D library is not started.
  vg::TvxCanvas* MeasureCanvas();
  void MeasuresChanged();
  void MenuCut(rtl::TObject*) { CutToClipboard(); }
  void MenuCopy(rtl::TObject*) { CopyToClipboard(); }
  void MenuPaste(rtl::TObject*) { PasteFromClipboard(); }
  void MenuDelete(rtl::TObject*) { DeleteSelection(); }
  void MenuSelectAll(rtl::TObject*) { SelectAll(); }

  std::u16string text_;
  std::unique_ptr<TdxFont> font_;
  std::unique_ptr<win::TPopupMenu> menu_;
  std::unique_ptr<vg::TvxCanvas> measure_;
  std::unordered_map<std::uint64_t, float> widths_;
  float passwordCharWidth_ = -1;  // below 0: not measured yet
  bool measureFontSet_ = false;
  TdxColor background_ = 0xB0505050u;
  TdxColor selection_ = 0x802A8ADFu;
  int anchor_ = 0;
  int selLength_ = 0;
  int caret_ = 0;
  int maxLength_ = 0;
  int firstVisible_ = 1;
  bool readOnly_ = false;
  bool password_ = false;
  bool showBackground_ = true;
  bool selecting_ = false;
  bool changed_ = false;
  bool shapeMoved_ = false;   // the move being handled reached ShapeMouseMove
  bool focusPress_ = false;   // a left press is being handled
  vg::TvxTypedHalves typed_;  // a typed first half of a pair, waiting for its second (the next key only)
};

// Registers the text box under "Controls".
void RegisterDxTextBoxClasses();

}  // namespace dx
