#include "app/ui/Text_Fit.h"

#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Canvas.h"

namespace app {

namespace {

constexpr char16_t Ellipsis = u'\u2026';

bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

// Keep units of Text around the ellipsis: the first (Keep + 1) / 2 and the last Keep / 2,
// each end moved inwards rather than through a surrogate pair.
std::u16string Cut(const std::u16string& Text, std::size_t Keep) {
  std::size_t head = (Keep + 1) / 2, tail = Keep / 2;
  if (head > 0 && IsHighSurrogate(Text[head - 1])) --head;
  if (tail > 0 && IsLowSurrogate(Text[Text.size() - tail])) --tail;
  std::u16string cut = Text.substr(0, head);
  cut += Ellipsis;
  cut += Text.substr(Text.size() - tail);
  return cut;
}

}  // namespace

std::u16string CutInMiddle(const std::u16string& Text, float Room,
                           const std::function<float(const std::u16string&)>& Width) {
  if (Text.empty() || Width(Text) <= Room) return Text;
  // The widest cut that fits: a cut keeping more units is never narrower.
  std::size_t fits = 0, tooWide = Text.size();
  while (tooWide - fits > 1) {
    const std::size_t keep = fits + (tooWide - fits) / 2;
    if (Width(Cut(Text, keep)) <= Room)
      fits = keep;
    else
      tooWide = keep;
  }
  return Cut(Text, fits);
}

std::u16string FitLabelText(vg::TvxTextControl* Label, const std::u16string& Text) {
  vg::TvxCanvas* canvas = Label ? Label->GetCanvas() : nullptr;
  if (!canvas) return Text;
  // The laid-out text may reach a pixel beyond its measure.
  const float room = Label->Width() - 2;
  return CutInMiddle(Text, room, [&](const std::u16string& S) {
    canvas->Font()->Assign(Label->Font());
    return canvas->TextWidth(S);
  });
}

}  // namespace app
