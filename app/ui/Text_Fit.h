// Texts that must keep to the room of their label: a port's device path beside the link's
// quality figure, cut in the middle with an ellipsis, so that the start and the device's own
// name at the end stay readable; and the status line's lines, wrapped into the lines its
// label holds and cut at their end with an ellipsis, as a one-line caption is.
#pragma once

#include <functional>
#include <string>

namespace vg {
class TvxTextControl;
}

namespace app {

// Text when Width(Text) is within Room; otherwise the longest cut of it, as many units
// kept from its start as from its end (one more at the start for an odd count) joined by
// "…", whose Width is within Room, down to "…" alone. A surrogate pair is never split.
std::u16string CutInMiddle(const std::u16string& Text, float Room, const std::function<float(const std::u16string&)>& Width);

// CutInMiddle measured in Label's font on its canvas, for a room of Label's width. Without a
// canvas to measure with (the label is in no scene) the text stays whole.
std::u16string FitLabelText(vg::TvxTextControl* Label, const std::u16string& Text);

// Text when Width(Text) is within Room; otherwise its longest beginning, without the blanks at
// its end, followed by "…" whose Width is within Room (empty when not even "…" fits). A
// surrogate pair is never split.
std::u16string CutAtEnd(const std::u16string& Text, float Room,
                        const std::function<float(const std::u16string&)>& Width);

// Text laid out in at most MaxLines lines (at least one) of Room, joined by line feeds. A text
// of one line is wrapped at its blanks, and its last line cut at its end with "…" when the
// rest does not fit there; a text of several lines (broken where the canvas breaks it: at CR
// LF, LF or CR) shows each on a line of its own, cut at its end with "…" where it is wider than
// Room, as a one-line caption is. Where they are more than MaxLines, the empty ones are left out
// first, then those beyond the last line, which then ends in "…". A word wider than Room is cut
// the same way.
std::u16string FitLines(const std::u16string& Text, float Room, int MaxLines,
                        const std::function<float(const std::u16string&)>& Width);

// FitLines measured in Label's font on its canvas, for a room of Label's width and the lines
// of that font its height holds. Without a canvas the text stays whole.
std::u16string FitLabelLines(vg::TvxTextControl* Label, const std::u16string& Text);

}  // namespace app
