// Texts that must keep to the room of their label (a port's device path beside the link's
// quality figure): cut in the middle with an ellipsis, so that the start and the device's
// own name at the end stay readable.
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

}  // namespace app
