// Word steps of the text editors: a word boundary is the space character only.
#pragma once

#include <algorithm>
#include <string>

namespace vg {

// The start of the next word after P: the first non-space after a space once a non-space
// was passed; at the last word the end of S.
inline int NextWordStart(const std::u16string& S, int P) {
  const int len = static_cast<int>(S.size());
  int i = std::clamp(P, 0, len);
  bool word = false, gap = false;
  while (i < len - 1) {
    if (S[static_cast<size_t>(i)] != u' ') {
      if (word && gap) return i;
      word = true;
    } else if (word) {
      gap = true;
    }
    ++i;
  }
  return i < len && S[static_cast<size_t>(i)] != u' ' ? i + 1 : i;
}

// The start of the word before P: back over spaces, then over the word.
inline int PrevWordStart(const std::u16string& S, int P) {
  int i = std::clamp(P, 0, static_cast<int>(S.size()));
  while (i > 0 && S[static_cast<size_t>(i - 1)] == u' ') --i;
  while (i > 0 && S[static_cast<size_t>(i - 1)] != u' ') --i;
  return i;
}

}  // namespace vg
