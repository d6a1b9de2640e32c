// Characters and keys of the text editors (text box, memo, the 3D text box): which characters
// a key hands on type, and how far Backspace, Delete, Left and Right reach.
#pragma once

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

}  // namespace vg
