#include "app/ui/Text_Fit.h"

#include <algorithm>
#include <vector>

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

// The lines of Text as the canvas breaks them, each without its line break: CR LF is one
// break, a LF or a CR alone is one (so LF CR leaves an empty line between).
std::vector<std::u16string> TextLines(const std::u16string& Text) {
  std::vector<std::u16string> lines(1);
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char16_t c = Text[i];
    if (c != u'\r' && c != u'\n') {
      lines.back() += c;
      continue;
    }
    if (c == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') ++i;
    lines.emplace_back();
  }
  return lines;
}

// The words of Line, the blanks between them dropped.
std::vector<std::u16string> Words(const std::u16string& Line) {
  std::vector<std::u16string> words;
  std::size_t at = 0;
  while (at < Line.size()) {
    const std::size_t start = Line.find_first_not_of(u' ', at);
    if (start == std::u16string::npos) break;
    const std::size_t end = std::min(Line.find(u' ', start), Line.size());
    words.push_back(Line.substr(start, end - start));
    at = end;
  }
  return words;
}

// The longest beginning of Text (blanks at its end dropped) and "…" that fits Room; empty when
// not even "…" does.
std::u16string EndCut(const std::u16string& Text, float Room,
                      const std::function<float(const std::u16string&)>& Width) {
  const auto cut = [&Text](std::size_t N) {
    if (N > 0 && N < Text.size() && IsHighSurrogate(Text[N - 1])) --N;
    std::u16string t = Text.substr(0, N);
    t.erase(t.find_last_not_of(u' ') + 1);
    return t + Ellipsis;
  };
  // A longer beginning is never narrower.
  std::size_t low = 0, high = Text.size();
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    if (Width(cut(mid)) <= Room)
      low = mid;
    else
      high = mid - 1;
  }
  return Width(cut(low)) <= Room ? cut(low) : std::u16string();
}

}  // namespace

std::u16string CutAtEnd(const std::u16string& Text, float Room,
                        const std::function<float(const std::u16string&)>& Width) {
  if (Width(Text) <= Room) return Text;
  return EndCut(Text, Room, Width);
}

std::u16string FitLines(const std::u16string& Text, float Room, int MaxLines,
                        const std::function<float(const std::u16string&)>& Width) {
  std::vector<std::u16string> paragraphs = TextLines(Text);
  const std::size_t most = static_cast<std::size_t>(std::max(MaxLines, 1));
  // Too many for the room: the empty ones go first.
  if (paragraphs.size() > most) std::erase(paragraphs, std::u16string());
  if (paragraphs.empty()) paragraphs.emplace_back();
  std::vector<std::u16string> lines;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    if (lines.size() == most) {
      // No line left for this one: the last line says that more follows (a cut one does).
      if (lines.back().empty() || lines.back().back() != Ellipsis) lines.back() = EndCut(lines.back(), Room, Width);
      break;
    }
    // A text of several lines shows each on one line; one of a single line wraps.
    const std::size_t allowed = paragraphs.size() > 1 ? 1 : most;
    const std::u16string& paragraph = paragraphs[i];
    if (Width(paragraph) <= Room) {
      lines.push_back(paragraph);
      continue;
    }
    // Wrapped at its blanks, each line as many words as fit.
    std::vector<std::u16string> wrapped;
    for (const std::u16string& word : Words(paragraph)) {
      if (!wrapped.empty() && Width(wrapped.back() + u' ' + word) <= Room)
        wrapped.back() += u' ' + word;
      else
        wrapped.push_back(word);
    }
    if (wrapped.empty()) wrapped.emplace_back();
    if (wrapped.size() > allowed) {
      // The lines it may not have go onto its last one, which is cut.
      std::u16string rest = wrapped[allowed - 1];
      for (std::size_t w = allowed; w < wrapped.size(); ++w) rest += u' ' + wrapped[w];
      wrapped.resize(allowed);
      wrapped.back() = rest;
    }
    for (const std::u16string& line : wrapped) lines.push_back(CutAtEnd(line, Room, Width));
  }
  std::u16string fitted;
  for (std::size_t i = 0; i < lines.size(); ++i) fitted += (i ? u"\n" : u"") + lines[i];
  return fitted;
}

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

std::u16string FitLabelLines(vg::TvxTextControl* Label, const std::u16string& Text) {
  vg::TvxCanvas* canvas = Label ? Label->GetCanvas() : nullptr;
  if (!canvas) return Text;
  canvas->Font()->Assign(Label->Font());
  // How many lines of the font the height holds: the first line's height, and each further
  // one's step.
  const auto height = [canvas](const std::u16string& Lines) {
    vg::TvxRect r{0, 0, 10000, 10000};
    canvas->MeasureText(r, r, Lines, false, vg::vgTextAlignNear, vg::vgTextAlignNear);
    return vg::RectHeight(r);
  };
  const float first = height(u"Wg"), step = height(u"Wg\nWg") - first;
  int lines = 1;
  if (step > 0 && Label->Height() > first) lines += static_cast<int>((Label->Height() - first) / step);
  return FitLines(Text, Label->Width() - 2, lines, [&](const std::u16string& S) {
    canvas->Font()->Assign(Label->Font());
    return canvas->TextWidth(S);
  });
}

}  // namespace app
