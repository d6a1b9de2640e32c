// One font (family, size, style and colour, from the settings) onto every text of the
// windows, each text in a colour role of the colour table. Always run from the action queue
// (actions 6 and 12..15), so that a burst of changes applies once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vg {
class TvxObject;
}

namespace app {

class TForm_3D_GEN;

// The font setter of every kind of text control (window title, label, check box, text box,
// group box, memo, button, number box, combo text box, tab item, string list box): the
// chosen parts of the control's font from the settings and, for a Role of 0 or more, its
// text colour from the colour table (a string list box takes no colour). Other objects are
// left as they are. The control's style is applied first, so that it cannot replace the
// colour afterwards.
void SetControlFont(vg::TvxObject* Control, bool Family, bool Size, int Role, bool Style);

// A control that shows its text on one line (a label, check box, button, tab item or group
// box without word wrap; a combo box with its items; a list of texts, a menu, with its items)
// and whose text would not fit it at its font's size takes the largest size, in half points,
// at which it fits, but not below 11 (nor below the size it has). It fits across within the
// text's room less 2 at either end, and up and down where its glyphs stay within that room
// and a pixel off a frame the control draws around it; measured at the scale the text is
// drawn with. SetControlFont does it whenever it sets a size.
void FitFontToControl(vg::TvxObject* Control);

// Text as it fits Width, Measure giving the width of a text: the whole text when it fits,
// else its beginning (without the blanks around it) followed by an ellipsis, as much of it
// as fits; the empty text when not even the ellipsis fits.
std::u16string CutWithEllipsis(const std::u16string& Text, float Width,
                               const std::function<float(const std::u16string&)>& Measure);

// Every named control of the tree under Root: family, size, style and role 0; then the
// fitted controls of one kind (one class in one parent: a column of labels, the tabs) take
// one size, the smallest any of them was fitted to.
void ApplyFontsToTree(vg::TvxObject* Root);
// The same at Size instead of the settings' size (a window whose texts are readable only
// within some sizes).
void ApplyFontsToTree(vg::TvxObject* Root, float Size);

// Action 6: the main window's texts (the indicators by their own sizes and colours, the
// status line with family and colour only, the Flip and Settings buttons while visible; its
// fitted controls of one kind at one size) and those of the page in view, then the other
// windows that are shown.
void ApplyFonts(TForm_3D_GEN& Main);
// Actions 12..15: the texts of page 0..3 of the main window.
void ApplyPageFonts(TForm_3D_GEN& Main, int Page);

}  // namespace app
