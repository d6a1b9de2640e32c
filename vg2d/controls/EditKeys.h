// Characters and keys of the text editors (text box, memo, the 3D text box): which characters
// a key hands on type, and how far Backspace, Delete, Left and Right reach.
#pragma once

#include <algorithm>
#include <string>

#include "platform/rtl/InputTypes.h"

namespace vg {

// Whether a character handed to an editor types. Control characters never do, DEL (127, which
// Ctrl+Backspace gives) among them; nor does a character that comes with Ctrl held without Alt:
// the scenes hand Ctrl+A, C, V, X and Z on as their letters, and a chord types nothing, whatever
// else is held with it. Ctrl with Alt is the AltGr of some keyboards, which types.
inline bool TypesChar(char16_t C, rtl::TShiftState Shift) {
  if (C < 32 || C == 127) return false;
  return !Shift.Contains(rtl::ssCtrl) || Shift.Contains(rtl::ssAlt);
}

// The UTF-16 units of the character that ends at P (Backspace, Left) or starts at P (Delete,
// Right): two for a surrogate pair, one otherwise (a lone half goes alone); 0 at the text's edge.
inline int UnitsBefore(const std::u16string& S, int P) {
  if (P <= 0 || P > static_cast<int>(S.size())) return 0;
  const auto i = static_cast<size_t>(P);
  return P >= 2 && S[i - 1] >= 0xDC00 && S[i - 1] <= 0xDFFF && S[i - 2] >= 0xD800 && S[i - 2] <= 0xDBFF ? 2 : 1;
}

// Whether P falls between the two halves of a surrogate pair.
inline bool SplitsPair(const std::u16string& S, int P) {
  if (P <= 0 || P >= static_cast<int>(S.size())) return false;
  const auto i = static_cast<size_t>(P);
  return S[i - 1] >= 0xD800 && S[i - 1] <= 0xDBFF && S[i] >= 0xDC00 && S[i] <= 0xDFFF;
}

inline int UnitsAt(const std::u16string& S, int P) {
  if (P < 0 || P >= static_cast<int>(S.size())) return 0;
  const auto i = static_cast<size_t>(P);
  return i + 1 < S.size() && S[i] >= 0xD800 && S[i] <= 0xDBFF && S[i + 1] >= 0xDC00 && S[i + 1] <= 0xDFFF ? 2 : 1;
}

// P brought into S (0 .. its length) and onto a whole character: a place between the halves of a
// surrogate pair goes to the pair's start. Carets, selection ends and cuts of a text go through
// it whatever changed the text.
inline int WholeCharAt(const std::u16string& S, int P) {
  P = std::clamp(P, 0, static_cast<int>(S.size()));
  return SplitsPair(S, P) ? P - 1 : P;
}

// Puts together the characters an editor is handed one key after the other: a character outside
// the 16-bit plane comes as its two halves, the first waiting for the second, and goes in as one
// character or not at all (a half that comes alone gives nothing). Only the very next key may
// bring the second half: the editor lets the first go on any other key, a click or a change of
// focus.
class TvxTypedHalves {
public:
  // What typing C gives: C itself, both halves once the second comes, or nothing.
  std::u16string Take(char16_t C) {
    if (C >= 0xD800 && C <= 0xDBFF) {
      lead_ = C;
      return {};
    }
    const char16_t lead = lead_;
    lead_ = 0;
    if (C < 0xDC00 || C > 0xDFFF) return std::u16string(1, C);
    if (!lead) return {};
    return {lead, C};
  }
  // A key that types nothing, a click, a change of focus: a first half that waits is let go.
  void Forget() { lead_ = 0; }

private:
  char16_t lead_ = 0;
};

}  // namespace vg
